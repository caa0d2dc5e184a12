#include "controls/PngImageList.h"
#include "link/grid_helpers.h"
#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/Printers.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace
{

class GridHelpersTest : public testing::Test
{
protected:
    void SetUp() override
    {
        vcltest::StartApplication();
        Grid = std::make_unique<TStringGrid>(nullptr);
        Grid->SetColCount(3);
        Grid->SetRowCount(3);
        const char *cells[3][3] = {{"A", "B", "C"}, {"1", "Ключ", "x"}, {"2", "ключи", "y"}};
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                Grid->SetCells(col, row, AnsiString::FromUtf8(cells[row][col]));
        Path = testing::TempDir() + "qrv4_layout_" + std::to_string(getpid()) + ".txt";
    }
    void TearDown() override { std::remove(Path.c_str()); }

    std::string FileText() const
    {
        std::ifstream in(Path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::unique_ptr<TStringGrid> Grid;
    std::string Path;
};

} // namespace

TEST_F(GridHelpersTest, DataRowIndexNeedsAtLeastOneDataRow)
{
    Grid->SetRow(2);
    EXPECT_EQ(GridDataRowIndex(Grid.get()), 1);
    EXPECT_EQ(GridDataRowIndex(Grid.get(), 1), 0);
    Grid->SetRowCount(1);
    Grid->SetFixedRows(0);
    EXPECT_EQ(GridDataRowIndex(Grid.get()), -1);
}

TEST_F(GridHelpersTest, ClearDataBlanksCellsAndLeavesTwoRows)
{
    GridClearData(Grid.get(), 2);
    EXPECT_EQ(Grid->RowCount(), 2);
    EXPECT_EQ(Grid->Cells(0, 1), " ");
    EXPECT_EQ(Grid->Cells(1, 1), " ");
    EXPECT_EQ(Grid->Cells(2, 1), "x");
    EXPECT_EQ(Grid->Cells(0, 0), "A");
}

TEST_F(GridHelpersTest, LayoutFileRoundTrip)
{
    Grid->SetColWidths(0, 77);
    Grid->SetColWidths(1, 142);
    Grid->SetColWidths(2, 5);
    GridSaveColWidths(Grid.get(), Path.c_str());
    EXPECT_EQ(FileText(), "77\n142\n5\n");
    Grid->SetColWidths(1, 10);
    GridLoadColWidths(Grid.get(), Path.c_str());
    EXPECT_EQ(Grid->ColWidths(1), 142);
}

TEST_F(GridHelpersTest, UnreadableLayoutLinesKeepTheirWidths)
{
    Grid->SetColWidths(0, 30);
    Grid->SetColWidths(1, 40);
    Grid->SetColWidths(2, 50);
    std::ofstream(Path) << "33\nzz\n";
    GridLoadColWidths(Grid.get(), Path.c_str());
    EXPECT_EQ(Grid->ColWidths(0), 33);
    EXPECT_EQ(Grid->ColWidths(1), 40);
    EXPECT_EQ(Grid->ColWidths(2), 50);
    GridLoadColWidths(Grid.get(), "/nonexistent/qrv4/layout.txt");
    EXPECT_EQ(Grid->ColWidths(0), 33);
}

TEST_F(GridHelpersTest, LayoutThatCannotBeReadIsToldFromAMissingOne)
{
    Grid->SetColWidths(0, 30);
    EXPECT_TRUE(GridLoadColWidths(Grid.get(), "/nonexistent/qrv4/layout.txt"));
    EXPECT_FALSE(GridLoadColWidths(Grid.get(), testing::TempDir().c_str())) << "a folder";
    EXPECT_EQ(Grid->ColWidths(0), 30);
}

TEST_F(GridHelpersTest, ClipboardTextHasATabAfterEveryVisibleCell)
{
    GridCopyAllToClipboard(Grid.get(), ClipboardUnicodeText);
    EXPECT_EQ(ClipboardGetUnicodeText(), "A\tB\tC\t\n1\tКлюч\tx\t\n2\tключи\ty\t\n"_a);
    Grid->SetColWidths(1, -1);
    GridCopyAllToClipboard(Grid.get(), ClipboardAnsiText);
    EXPECT_EQ(Clipboard()->AsText(), "A\tC\t\n1\tx\t\n2\ty\t\n");
}

TEST_F(GridHelpersTest, SelectionGoesToTheClipboard)
{
    Grid->SetSelection(TGridRect{1, 1, 2, 2});
    GridCopySelectionToClipboard(Grid.get(), ClipboardUnicodeText);
    EXPECT_EQ(ClipboardGetUnicodeText(), "Ключ\tx\t\nключи\ty\t\n"_a);
    ClipboardSetUnicodeText("");
    EXPECT_EQ(ClipboardGetUnicodeText(), "Ключ\tx\t\nключи\ty\t\n"_a);
}

TEST_F(GridHelpersTest, FindMovesOnAndWrapsAround)
{
    GridSelectCell(Grid.get(), 1, 1);
    GridFindText(Grid.get(), "КЛЮЧ"_a, {});
    EXPECT_EQ(Grid->Col(), 1);
    EXPECT_EQ(Grid->Row(), 2);
    // Nothing after the last hit: the search starts again from the first cell.
    GridFindText(Grid.get(), "ключ"_a, {});
    EXPECT_EQ(Grid->Row(), 1);
    EXPECT_EQ(Grid->Col(), 1);
    EXPECT_EQ(Grid->FixedCols(), 1);
    EXPECT_EQ(Grid->FixedRows(), 1);
    GridFindText(Grid.get(), "y"_a, {2});
    EXPECT_EQ(Grid->Row(), 1);
    EXPECT_EQ(Grid->Col(), 1);
}

// A text only in the current cell, in a column the search passes over (the archive's search
// skips two while the user may stand in one): nothing on the first pass, and the wrap-around's
// second pass, finding nothing either, ends on the first data cell with the fixed rows and
// columns back.
TEST_F(GridHelpersTest, FindOfATextOnlyInTheCurrentCellEndsOnTheFirstDataCell)
{
    Grid->SetCells(1, 1, "замок"_a);
    Grid->SetCells(1, 2, "замок"_a);
    Grid->SetCells(2, 2, "ключ"_a);
    GridSelectCell(Grid.get(), 2, 2);
    GridFindText(Grid.get(), "КЛЮЧ"_a, {2});
    EXPECT_EQ(Grid->Col(), 1);
    EXPECT_EQ(Grid->Row(), 1);
    EXPECT_EQ(Grid->FixedCols(), 1);
    EXPECT_EQ(Grid->FixedRows(), 1);
}

TEST(ColorAddRGB, ChannelsStayWithinTheByte)
{
    EXPECT_EQ(ColorAddRGB(RGB(250, 5, 100), 30, -10, 5), static_cast<TColor>(RGB(255, 0, 105)));
    EXPECT_EQ(ColorAddRGB(clBlack, 1, 2, 3), static_cast<TColor>(RGB(1, 2, 3)));
}

TEST_F(GridHelpersTest, PrinterListStartsWithTheDefault)
{
    TComboBox box(nullptr);
    box.Items()->Add("старый");
    FillPrinterList(&box);
    ASSERT_EQ(box.Items()->Count(), 1 + Printer()->Printers()->Count());
    EXPECT_EQ(box.Items()->Strings(0), "По умолчанию"_a);
    EXPECT_EQ(box.ItemIndex(), 0);
    for (int i = 0; i < Printer()->Printers()->Count(); ++i)
        EXPECT_EQ(box.Items()->Strings(i + 1), Printer()->Printers()->Strings(i));
}

namespace
{

class GridPaintTest : public vcltest::VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        Grid = new TStringGrid(ShownForm(400, 200));
        Grid->SetParent(Form.get());
        Grid->SetBounds(0, 0, 300, 150);
        Grid->SetCells(1, 1, "");
        vcltest::Pump();
    }
    TStringGrid *Grid = nullptr;
};

} // namespace

TEST_F(GridPaintTest, DataCellTakesItsBackgroundOrTheHighlight)
{
    TFont font;
    TRect cell = Grid->CellRect(1, 1);
    GridDrawCellLeft(Grid, &font, RGB(10, 20, 30), 1, 1, cell, TGridDrawState{});
    EXPECT_EQ(ColorToRGB(Grid->Canvas()->Pixels(cell.Left + 1, cell.Top + 1)), RGB(10, 20, 30));
    GridDrawCellRight(Grid, &font, RGB(10, 20, 30), 1, 1, cell, TGridDrawState{gdSelected});
    EXPECT_EQ(ColorToRGB(Grid->Canvas()->Pixels(cell.Left + 1, cell.Top + 1)),
              ColorToRGB(clHighlight));
}

TEST_F(GridPaintTest, HeaderCellIsAHorizontalGradient)
{
    TRect cell = Grid->CellRect(1, 0);
    GridDrawHeaderCell(Grid, 1, 0, cell);
    EXPECT_EQ(ColorToRGB(Grid->Canvas()->Pixels(cell.Left, cell.Top + 1)), RGB(255, 251, 240));
    COLORREF right = ColorToRGB(Grid->Canvas()->Pixels(cell.Right - 1, cell.Top + 1));
    COLORREF caption = ColorToRGB(clGradientActiveCaption);
    EXPECT_NEAR(GetRValue(right), GetRValue(caption), 8);
    EXPECT_NEAR(GetBValue(right), GetBValue(caption), 8);
}

TEST_F(GridPaintTest, PictureCellShowsThePictureItsTextNumbers)
{
    TPngImageList list(nullptr);
    auto red = std::make_unique<TPNGObject>(COLOR_RGB, 8, 16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            red->SetPixels(x, y, clRed);
    list.PngImages()->Add()->SetPngImage(red.get());
    auto pixel = [&](TRect Cell, int X, int Y) {
        return ColorToRGB(Grid->Canvas()->Pixels(Cell.Left + X, Cell.Top + Y));
    };
    Grid->SetCells(1, 1, "0");
    TRect cell = Grid->CellRect(1, 1);
    const int left = (cell.Width() - 16) / 2, top = (cell.Height() - 16) / 2;
    GridDrawCellPng(&list, Grid, RGB(10, 20, 30), 1, 1, cell, TGridDrawState{});
    EXPECT_EQ(pixel(cell, left, top), RGB(255, 0, 0));
    EXPECT_EQ(pixel(cell, left + 15, top + 15), RGB(255, 0, 0));
    EXPECT_EQ(pixel(cell, left - 1, top), RGB(10, 20, 30));
    EXPECT_EQ(pixel(cell, left + 16, top), RGB(10, 20, 30));

    // Not the number of a picture: the background only, in the selection colour if selected.
    for (const char *text : {"1", "-1", "x", ""}) {
        Grid->SetCells(1, 1, text);
        GridDrawCellPng(&list, Grid, RGB(10, 20, 30), 1, 1, cell, TGridDrawState{gdSelected});
        EXPECT_EQ(pixel(cell, left, top), ColorToRGB(clHighlight)) << text;
    }

    // A picture wider than its cell starts 2 pixels in.
    Grid->SetColWidths(1, 10);
    Grid->SetCells(1, 1, "0");
    cell = Grid->CellRect(1, 1);
    GridDrawCellPng(&list, Grid, RGB(10, 20, 30), 1, 1, cell, TGridDrawState{});
    EXPECT_EQ(pixel(cell, 1, top), RGB(10, 20, 30));
    EXPECT_EQ(pixel(cell, 2, top), RGB(255, 0, 0));
}
