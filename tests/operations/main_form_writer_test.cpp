// The address book against the simulated device: reading all 1000 cells, writing the marked
// rows three frames a cell, a device that breaks off, and rows the device has no cell for.
// What the device should hold is built here from the cell layout, not by the program.

#include "controls/PngFunctions.h"
#include "link/grid_helpers.h"
#include "platform/win/Paint.h"
#include "platform/win/WindowRegistry.h"
#include "tests/operations/GridScrolling.h"
#include "tests/operations/WriterTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

using namespace writertest;
using devsim::AddressBookCell;
using devsim::Bytes;
using devsim::EmptyAddressBookCell;
using maintest::PumpUntil;

namespace
{

Bytes BytesOf(std::initializer_list<int> Values)
{
    Bytes bytes;
    for (int v : Values)
        bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

unsigned FrameAddress(const devsim::TFrame &Frame)
{
    return (Frame.Data.at(2) << 8) | Frame.Data.at(3);
}

class WriterDeviceTest : public WriterTest
{
protected:
    // The sample book, whose last cell holds a key, read and shown at the address book: the
    // grid has followed the read to that cell.
    void ReadSampleBookOnScreen()
    {
        Sim->Edit([](devsim::Memory &M) { devsim::FillSampleAddressBook(M); });
        ASSERT_TRUE(ReadBook());
        Form->PC_Tabs->SetActivePage(Form->Sheet_Writer);
        Form->Show();
        maintest::PumpFor(100);
    }
    // A read stopped while its sixth frame waits for the answer How gives it, then a read of the
    // whole book from a device that answers again.
    void StopAtTheSixthFrameAndReadAgain(const devsim::TBehaviour &How)
    {
        BreakAfter(*Sim, 5, How);
        Form->BTN_WriterReadClick(nullptr);
        ASSERT_TRUE(PumpUntil([&] { return Sim->Frames().size() == 6; }, optest::ExchangeWait));
        ASSERT_EQ(Form->WriterReadStep, 5);
        Form->BTN_StopWriterClick(nullptr);
        Sim->SetMonitor({});
        Sim->SetBehaviour({});
        ASSERT_TRUE(ReadBook());
        EXPECT_EQ(Status(), "  Чтение данных... успешно!  "_a);
        EXPECT_EQ(PartialNote(), "");
        ASSERT_EQ(Form->WriterRows.size(), 1000u);
    }
};

} // namespace

// ---- names ----

TEST(DeviceNames, ThroughTheAlphabetBothWays)
{
    EXPECT_EQ(EncodeDeviceName("КВ 12"_a), "09022A21222A2A2A2A2A2A2A2A2A");
    // Lower case is not in the alphabet, so it becomes the blank.
    EXPECT_EQ(EncodeDeviceName("Яя/"_a), "1C2A1F2A2A2A2A2A2A2A2A2A2A2A");
    EXPECT_EQ(DecodeDeviceName("09022A2122"), "КВ 12"_a);
    EXPECT_EQ(DecodeDeviceName("002BFFzz1C"), "А   Я"_a);
}

// ---- the grid ----

// The name column widened past the grid's width pushes "Код ключа" out of sight; the bar along
// the grid's bottom brings it back.
TEST_F(WriterDeviceTest, AColumnWidenedPastTheGridIsScrolledSidewaysByItsBar)
{
    ASSERT_TRUE(ReadBook());
    Form->PC_Tabs->SetActivePage(Form->Sheet_Writer);
    Form->Show();
    maintest::PumpFor(100);
    optest::ExpectWidenedColumnScrollsSideways(Form->SG_Writer, 1, 3);
}

// Before the book is read or opened, the titles' borders size the columns all the same.
TEST_F(WriterDeviceTest, ATitleBorderOfTheEmptyGridSizesItsColumn)
{
    Form->PC_Tabs->SetActivePage(Form->Sheet_Writer);
    Form->Show();
    maintest::PumpFor(100);
    optest::ExpectEmptyGridTitleBorderSizesItsColumn(Form->SG_Writer, 1, 2);
}

// Read, the grid follows the read to its last cell. A double click on the bar's up arrow only
// scrolls: what the user types next and Enter rename no cell, and the editor Enter opens stands
// over the current cell's own row, brought back into sight.
TEST_F(WriterDeviceTest, DoubleClickOnTheBarOnlyScrolls)
{
    ASSERT_NO_FATAL_FAILURE(ReadSampleBookOnScreen());
    TStringGrid *grid = Form->SG_Writer;
    grid->SetFocus();
    ASSERT_EQ(Form->WriterCellNumberOfRow(), 999);
    ASSERT_EQ(grid->Col(), 1);
    const AnsiString name = Row(999).Name;
    const int top = grid->TopRow();
    const int changed = Row(999).Changed;

    const TPoint upArrow = grid->ClientToScreen(TPoint(grid->ClientWidth() - 8, 5));
    using win::MouseAction;
    for (MouseAction action :
         {MouseAction::Down, MouseAction::Up, MouseAction::DoubleClick, MouseAction::Up})
        win::InjectMouseInput({action, win::MouseButton::Left, POINT{upArrow.X, upArrow.Y}});
    ASSERT_TRUE(PumpUntil(
        [&] { return grid->TopRow() == top - 2 || Form->ED_WriterName->Visible(); }, 2000));
    vcltest::Pump();
    EXPECT_FALSE(Form->ED_WriterName->Visible()) << "the double click opened the name editor";
    EXPECT_EQ(grid->TopRow(), top - 2);
    EXPECT_TRUE(grid->Focused());

    vcltest::Key('7', '7');
    vcltest::Key('7', '7');
    vcltest::Key(VK_RETURN, '\r');
    ASSERT_TRUE(PumpUntil([&] { return Form->ED_WriterName->Visible(); }, 2000))
        << "Enter opens the editor";
    EXPECT_EQ(Row(999).Name, name);
    EXPECT_EQ(Row(999).Changed, changed);
    const TRect cell = grid->CellRect(1, GridRowOf(999));
    ASSERT_GT(cell.Height(), 0) << "the editor's row is out of sight";
    EXPECT_LE(cell.Bottom, grid->ClientHeight());
    EXPECT_EQ(Form->ED_WriterName->Top(), grid->Top() + cell.Top + 1);
    vcltest::Key(VK_ESCAPE, 27);
    EXPECT_TRUE(PumpUntil([&] { return !Form->ED_WriterName->Visible(); }, 2000));
    EXPECT_EQ(Row(999).Name, name);
}

// The name column widened by its title's border until the bar along the bottom shows, the grid
// scrolled to its end by the down arrow, the column narrowed back: with the bar gone the end
// stays the last cell, with no blank row below it, and the down arrow takes the grid nowhere.
TEST_F(WriterDeviceTest, GridAtItsEndShowsNoBlankRowOnceTheBottomBarGoes)
{
    ASSERT_NO_FATAL_FAILURE(ReadSampleBookOnScreen());
    TStringGrid *grid = Form->SG_Writer;
    const int rowExtent = grid->RowHeights(1) + grid->GridLineWidth();
    const TRect title = grid->CellRect(1, 0);
    const int y = (title.Top + title.Bottom) / 2;
    auto dragBorder = [&](int From, int To) {
        vcltest::MouseDown(grid, From, y);
        vcltest::MouseMove(grid, (From + To) / 2, y);
        vcltest::MouseMove(grid, To, y);
        vcltest::MouseUp(grid, To, y);
        vcltest::Pump();
    };
    dragBorder(title.Right, title.Right + 400);
    ASSERT_GE(grid->ColWidths(1), title.Width() + 390);
    const int rowsBottom = grid->ClientHeight() - vcl::ScrollBar::Thickness;
    for (int i = 0; i < 3; ++i)
        vcltest::Click(grid, grid->ClientWidth() - 8, rowsBottom - 5);
    vcltest::Pump();
    TRect last = grid->CellRect(1, grid->RowCount() - 1);
    ASSERT_GT(last.Height(), 0);
    EXPECT_LE(last.Bottom, rowsBottom) << "the last cell is under the bar";

    dragBorder(title.Right + 400, title.Right);
    ASSERT_EQ(grid->ColWidths(1), title.Width());
    last = grid->CellRect(1, grid->RowCount() - 1);
    ASSERT_GT(last.Height(), 0);
    EXPECT_GT(last.Bottom + rowExtent, grid->ClientHeight()) << "a blank row below the last cell";
    const int top = grid->TopRow();
    vcltest::Click(grid, grid->ClientWidth() - 8, grid->ClientHeight() - 5);
    vcltest::Pump();
    EXPECT_EQ(grid->TopRow(), top);
}

// ---- reading ----

TEST_F(WriterDeviceTest, ReadTakesAllThousandCellsInOrder)
{
    SetEmptyRows(3);
    SetKey(1, 0, 0, "5B 23 45 67 89 AB CD EF", "ДО ЧТЕНИЯ");
    PutCell(0, AddressBookCell(0, 0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, "КВ 12"));
    PutCell(7, AddressBookCell(1, 0, {0, 0, 0, 0x03, 0x05, 0x06, 0x0F, 0x01}, "МИРА 5"));
    Bytes odd = AddressBookCell(2, 0, {0, 0, 0, 0xB7, 0xD7, 0xE7, 0xEE, 0x01}, "");
    odd[11] = 0x2B; // past the alphabet: a blank
    odd[12] = 0x00;
    PutCell(500, odd);
    PutCell(999, AddressBookCell(3, 1, {0, 0, 0x11, 0x22, 0x33, 0x44, 0x55, 0}, "ПОСЛЕДНЯЯ"));

    ASSERT_TRUE(ReadBook());
    const auto frames = Sim->Frames();
    ASSERT_EQ(frames.size(), 1000u);
    EXPECT_EQ(frames.front().Data, BytesOf({0xA5, 0x31, 0x04, 0x00, 0x18, 0x4D}));
    EXPECT_EQ(frames[1].Data, BytesOf({0xA5, 0x31, 0x04, 0x18, 0x18, 0x65}));
    EXPECT_EQ(frames.back().Data, BytesOf({0xA5, 0x31, 0x61, 0xA8, 0x18, 0x52}));
    EXPECT_EQ(Status(), "  Чтение данных... успешно!  "_a);
    EXPECT_EQ(Form->PB_WriterStatus->Position(), 999);
    EXPECT_TRUE(Form->SG_Writer->Enabled());

    ASSERT_EQ(Form->WriterRows.size(), 1000u);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(Row(i).CellNumber, i);
        ASSERT_EQ(Row(i).Changed, 0);
    }
    EXPECT_EQ(Row(0).Name, "КВ 12"_a);
    EXPECT_EQ(Row(0).KeyHex, "5B 23 45 67 89 AB CD EF");
    EXPECT_EQ(Row(0).OldKey, "0123456789ABCDEF");
    EXPECT_EQ(Row(0).Address, "0400");
    EXPECT_EQ(Row(7).KeyHex, "E0 00 00 0F 06 05 03 01"); // M1 reverses the code bytes
    EXPECT_EQ(Row(500).KeyHex, "DE 00 00 00 01 48 CF 01");
    EXPECT_EQ(Row(500).Name, "А"_a);
    EXPECT_EQ(Row(999).Address, "61A8");
    EXPECT_EQ(Row(999).KeyHex.SubString(3, 21), " 00 11 22 33 44 55 00");
    EXPECT_TRUE(Row(1).IsEmpty());
    EXPECT_EQ(Row(1).WriteMode, -1);
    EXPECT_EQ(Form->WriterTypeText(1), "");

    EXPECT_EQ(Form->SG_Writer->RowCount(), 1001);
    EXPECT_EQ(Form->SG_Writer->Cells(0, 1), "0");
    EXPECT_EQ(Form->SG_Writer->Cells(1, 1), "КВ 12"_a);
    EXPECT_EQ(Form->SG_Writer->Cells(2, 1), "Даллас"_a);
    EXPECT_EQ(Form->SG_Writer->Cells(3, 1), "5B 23 45 67 89 AB CD EF");
    Form->CHB_WriterMissNull->SetChecked(true);
    Form->CHB_WriterMissNullClick(nullptr);
    EXPECT_EQ(Form->SG_Writer->RowCount(), 5);
    EXPECT_EQ(Form->SG_Writer->Cells(0, 4), "999");

    // Undo right after a read gives back the list from before it.
    Form->TBI_UndoWriterTableClick(nullptr);
    ASSERT_EQ(Form->WriterRows.size(), 3u);
    EXPECT_EQ(Row(1).Name, "ДО ЧТЕНИЯ"_a);
}

// The status panel over the grid: at the left in the reading colour, further right in the
// writing colour, read back from what it paints.
TEST_F(WriterDeviceTest, StatusPanelShowsWhichWayTheDataGoes)
{
    ShowWindow();
    TGradientCheck *panel = Form->CHG_WriterStatus;
    const auto inside = [&] {
        panel->Repaint();
        return win::SurfacePixel(panel->Handle(), 4, panel->Height() / 2);
    };
    Sim->SetBehaviour({.Delay = std::chrono::milliseconds(5)});
    Form->BTN_WriterReadClick(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Form->WriterReadStep >= 2; }, 20000));
    EXPECT_TRUE(panel->Visible());
    EXPECT_EQ(panel->Left(), 8);
    EXPECT_EQ(panel->Top(), 51);
    EXPECT_EQ(panel->gColorEnd(), static_cast<TColor>(RGB(0xF0, 0xFF, 0xEC)));
    EXPECT_EQ(inside(), RGB(0xF0, 0xFF, 0xEC));
    Form->BTN_StopWriterClick(nullptr);
    EXPECT_FALSE(panel->Visible());

    // Enough rows that the write is still running when the test looks.
    SetEmptyRows(1000);
    for (int cell = 0; cell < 100; ++cell)
        Row(cell).Changed = -1;
    Form->BTN_WriterSaveClick(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Form->WriterWriteStep >= 1; }, 20000));
    EXPECT_TRUE(panel->Visible());
    EXPECT_EQ(panel->Left(), 217);
    EXPECT_EQ(panel->Top(), 51);
    EXPECT_EQ(panel->gColorEnd(), static_cast<TColor>(RGB(0xFF, 0xEF, 0xEF)));
    EXPECT_EQ(inside(), RGB(0xFF, 0xEF, 0xEF));
    ASSERT_TRUE(PumpUntil([&] { return Form->WriterWriteStep == -1; }, 60000));
    EXPECT_FALSE(panel->Visible());
}

// A read adds each cell's row to the grid as it comes. After every filled cell the grid on
// screen must be the one that refilling it from the whole list paints, pixel for pixel: the
// rows added, the current row moved to the last, the rows scrolled, the bar beside them.
TEST_F(WriterDeviceTest, GridAfterEachCellIsWhatAFullRefillShows)
{
    ShowWindow();
    Form->PC_Tabs->SetActivePage(Form->Sheet_Writer);
    TStringGrid *grid = Form->SG_Writer;
    const auto shown = [&] {
        UpdateWindow(grid->Handle());
        return win::SurfaceOf(*win::FindWindow(grid->Handle())).copy();
    };
    const auto answer = [](int Cell) {
        // Every fifth cell empty; the others of each type, some without a name.
        const auto byte = [](int Value) { return static_cast<std::uint8_t>(Value & 0xFF); };
        const Bytes data =
            Cell % 5 == 4 ? EmptyAddressBookCell()
                          : AddressBookCell(byte(Cell % 4), 0, {0, 0, 0, byte(Cell), 5, 6, 7, 1},
                                            Cell % 3 ? "КВ " + std::to_string(Cell) : "");
        AnsiString hex = "A530041818";
        for (std::uint8_t b : data)
            hex += IntToHex(b, 2);
        return hex + "00";
    };
    for (bool hideEmpty : {false, true}) {
        SCOPED_TRACE(hideEmpty ? "empty cells hidden" : "empty cells shown");
        Form->CHB_WriterMissNull->SetChecked(hideEmpty);
        Form->WriterRows.clear();
        Form->FillWriterGrid();
        for (int cell = 0; cell < 80; ++cell) {
            Form->WriterReadStep = cell + 1;
            Form->DecodeWriterCell(answer(cell));
            if (cell % 5 == 4) continue; // an empty cell waits for the next filled one
            const QImage read = shown();
            Form->FillWriterGrid();
            grid->SetRow(grid->RowCount() - 1);
            ASSERT_TRUE(read == shown()) << "after cell " << cell;
        }
        EXPECT_GT(grid->TopRow(), 1); // the rows did scroll
    }
    Form->WriterReadStep = -1;
}

// Stop keeps the cells read so far, and says that they are not the whole book: not only in
// the status line, which empties after a while, but beside the grid for as long as they show.
TEST_F(WriterDeviceTest, StopKeepsTheCellsReadSoFarAsAPartialBook)
{
    SetEmptyRows(3);
    Sim->SetBehaviour({.Delay = std::chrono::milliseconds(5)});
    Form->BTN_WriterReadClick(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Form->WriterReadStep >= 12; }, 20000));
    EXPECT_TRUE(Form->BTN_StopWriter->Enabled());
    const int read = Form->WriterReadStep;
    const AnsiString counted = IntToStr(read) + " из 1000 ячеек"_a;
    Form->BTN_StopWriterClick(nullptr);
    EXPECT_EQ(Form->WriterRows.size(), static_cast<std::size_t>(read));
    EXPECT_EQ(Status(), "  Чтение остановлено: прочитано "_a + counted + "  ");
    EXPECT_EQ(StatusColour(), clBtnFace);
    EXPECT_EQ(PartialNote(), "Книжка неполная: прочитано "_a + counted);
    EXPECT_FALSE(Form->BTN_StopWriter->Enabled());
    maintest::PumpFor(50); // an answer still on its way is not taken
    EXPECT_EQ(Form->WriterRows.size(), static_cast<std::size_t>(read));
    ASSERT_TRUE(StatusLineCleared());
    EXPECT_EQ(PartialNote(), "Книжка неполная: прочитано "_a + counted);

    // Undo gives back the book from before the read, which was no partial one.
    Form->TBI_UndoWriterTableClick(nullptr);
    EXPECT_EQ(Form->WriterRows.size(), 3u);
    EXPECT_EQ(PartialNote(), "");
}

// A slow device still answers the frame a Stop left unanswered. A read started at once
// must not take that answer for its first cell's, which would move every key a cell down.
TEST_F(WriterDeviceTest, ReadRightAfterAStopShowsEachCellsOwnKey)
{
    for (std::uint8_t cell = 0; cell < 8; ++cell)
        PutCell(cell,
                AddressBookCell(0, 0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, cell}, "КВ"));
    // The sixth frame's answer takes long enough to arrive after the port was opened again.
    ASSERT_NO_FATAL_FAILURE(
        StopAtTheSixthFrameAndReadAgain({.Delay = std::chrono::milliseconds(1000)}));
    for (int cell = 0; cell < 8; ++cell)
        EXPECT_EQ(Form->SG_Writer->Cells(3, cell + 1).SubString(22, 2), IntToHex(cell, 2))
            << "row of cell " << cell;
    EXPECT_TRUE(Row(8).IsEmpty());
}

// The answer the stopped read owed never comes: the new read's first frame waits out that
// answer's time, and its own time starts only when it is sent.
TEST_F(WriterDeviceTest, ReadRightAfterAStopWhoseAnswerNeverComesRunsWhole)
{
    PutCell(3, AddressBookCell(0, 0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0x03}, "КВ"));
    Form->CallbackTimer->SetInterval(300);
    ASSERT_NO_FATAL_FAILURE(StopAtTheSixthFrameAndReadAgain({.Silent = true}));
    EXPECT_EQ(Form->SG_Writer->Cells(3, 4).SubString(22, 2), "03"_a);
}

TEST_F(WriterDeviceTest, SilenceMidReadKeepsTheCellsReadAndShowsThem)
{
    PutCell(2, AddressBookCell(0, 0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, "КВ 12"));
    Form->CallbackTimer->SetInterval(300);
    BreakAfter(*Sim, 10, {.Silent = true});
    ASSERT_TRUE(ReadBook());
    EXPECT_EQ(Status(), NoAnswer());
    EXPECT_EQ(Form->WriterRows.size(), 10u);
    EXPECT_EQ(Form->SG_Writer->RowCount(), 11);
    EXPECT_EQ(Form->SG_Writer->Cells(1, 3), "КВ 12"_a);
    EXPECT_TRUE(Form->BTN_WriterRead->Enabled());
    // Long after the red line has gone, the rows still say what they are.
    ASSERT_TRUE(StatusLineCleared());
    EXPECT_EQ(PartialNote(), "Книжка неполная: прочитано 10 из 1000 ячеек"_a);
    // An edit keeps the book partial, and so does its undo.
    SelectCell(2, 1);
    Form->TBI_WriterClearClick(nullptr);
    EXPECT_EQ(PartialNote(), "Книжка неполная: прочитано 10 из 1000 ячеек"_a);
    Form->TBI_UndoWriterTableClick(nullptr);
    EXPECT_EQ(Form->SG_Writer->Cells(1, 3), "КВ 12"_a);
    EXPECT_EQ(PartialNote(), "Книжка неполная: прочитано 10 из 1000 ячеек"_a);
}

// A book loaded or edited here is not lost to a read that the device never answered.
TEST_F(WriterDeviceTest, ReadWithoutAnyAnswerGivesBackTheBookShownBefore)
{
    SetEmptyRows(3);
    SetKey(1, 0, 0, "5B 23 45 67 89 AB CD EF", "НЕ ЗАПИСАНА", 1);
    Form->CallbackTimer->SetInterval(300);
    Sim->SetBehaviour({.Silent = true});
    ASSERT_TRUE(ReadBook());
    EXPECT_EQ(Status(), NoAnswer());
    ASSERT_EQ(Form->SG_Writer->RowCount(), 4);
    EXPECT_EQ(Form->SG_Writer->Cells(1, 2), "НЕ ЗАПИСАНА"_a);
    EXPECT_EQ(Form->SG_Writer->Cells(3, 2), "5B 23 45 67 89 AB CD EF");
    EXPECT_EQ(Row(1).Changed, 1); // still to be written

    // The same for Stop before the first answer.
    Sim->SetBehaviour({.Delay = std::chrono::milliseconds(500)});
    Form->BTN_WriterReadClick(nullptr);
    EXPECT_EQ(Form->SG_Writer->Cells(1, 2), "");
    Form->BTN_StopWriterClick(nullptr);
    ASSERT_EQ(Form->SG_Writer->RowCount(), 4);
    EXPECT_EQ(Form->SG_Writer->Cells(1, 2), "НЕ ЗАПИСАНА"_a);
}

// ---- writing ----

TEST_F(WriterDeviceTest, ClearedRowGoesOutAsAnEmptyCell)
{
    PutCell(0, AddressBookCell(0, 0, {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, "КВ 12"));
    ASSERT_TRUE(ReadBook());
    Sim->ClearFrames();
    SelectCell(0, 1);
    Form->TBI_WriterClearClick(nullptr);
    ASSERT_TRUE(Form->SetWriterRowColours(1));
    EXPECT_EQ(Form->WriterRowColours[1], RGB(255, 228, 228));

    ASSERT_TRUE(WriteBook());
    const auto frames = Sim->Frames();
    ASSERT_EQ(frames.size(), 3u);
    const Bytes ff(8, 0xFF);
    auto frame = [&](int Low, int Sum) {
        Bytes f = BytesOf({0xA5, 0x75, 0x04, Low, 0x08});
        f.insert(f.end(), ff.begin(), ff.end());
        f.push_back(static_cast<std::uint8_t>(Sum));
        return f;
    };
    EXPECT_EQ(frames[0].Data, frame(0x00, 0x79));
    EXPECT_EQ(frames[1].Data, frame(0x08, 0x81));
    EXPECT_EQ(frames[2].Data, frame(0x10, 0x89));
    EXPECT_EQ(DeviceCell(0), EmptyAddressBookCell());
    EXPECT_EQ(Status(), "  Запись записной книжки... успешно!  "_a);
    EXPECT_EQ(Form->StatusBarMain->Color(), clLime);
    EXPECT_EQ(Row(0).Changed, 0);
    EXPECT_EQ(Form->PB_WriterStatus->Max(), 0);

    Form->TBI_UndoWriterTableClick(nullptr);
    EXPECT_EQ(Row(0).Name, "КВ 12"_a);
}

// The adapter pulled out in the middle of a cell: the cells written lose their marks, the cell
// in hand and those after it keep theirs, and a write once the device is back completes the book.
TEST_F(WriterDeviceTest, AdapterPulledMidWriteLeavesTheRestMarkedForTheNextWrite)
{
    SetEmptyRows(1000);
    const char *const names[] = {"ПЕРВЫЙ", "ВТОРОЙ", "ТРЕТИЙ"};
    for (int cell = 0; cell < 3; ++cell)
        SetKey(cell, 0, 0, "5B 23 45 67 89 AB CD EF", names[cell], 1);
    Form->CallbackTimer->SetInterval(300);
    // The fifth frame, the second of cell 1, never reaches the device.
    Sim->SetBehaviour({.VanishAfter = 5});
    ASSERT_TRUE(WriteBook());
    EXPECT_TRUE(Sim->Vanished());
    EXPECT_EQ(Status(), NoAnswer());
    EXPECT_EQ(StatusColour(), clRed);
    EXPECT_EQ(Marks(0, 2), (std::vector<int>{0, 1, 1}));
    EXPECT_TRUE(Form->BTN_WriterSave->Enabled());

    PlugInAgain();
    EXPECT_EQ(DeviceCell(0),
              AddressBookCell(0, 0, {0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, names[0]));
    EXPECT_NE(DeviceCell(1),
              AddressBookCell(0, 0, {0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, names[1]));
    Form->CallbackTimer->SetInterval(3000);
    ASSERT_TRUE(WriteBook());
    EXPECT_EQ(Status(), "  Запись записной книжки... успешно!  "_a);
    EXPECT_EQ(Marks(0, 2), (std::vector<int>{0, 0, 0}));
    for (int cell = 0; cell < 3; ++cell)
        EXPECT_EQ(
            DeviceCell(cell),
            AddressBookCell(0, 0, {0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, names[cell]));
}

TEST_F(WriterDeviceTest, NothingMarkedSendsNothing)
{
    SetEmptyRows(1000);
    ASSERT_TRUE(WriteBook());
    EXPECT_TRUE(Sim->Frames().empty());
    EXPECT_EQ(Status(), "  Нет данных для записи!  "_a);
    Form->WriterRows.clear();
    Form->BTN_WriterSaveClick(nullptr);
    EXPECT_EQ(Status(), "  Нет данных для записи!  "_a);
}

TEST_F(WriterDeviceTest, EveryKeyTypeInTheDevicesForm)
{
    SetEmptyRows(1000);
    SetKey(0, 0, 0, "5B 23 45 67 89 AB CD EF", "КВ 12", 1);
    SetKey(1, 1, 0, "E0 00 00 0F 06 05 03 01", "М1", 1);
    // M1 keeps the code bytes reversed in the device, M2 in order: both read back unchanged.
    SetKey(2, 1, 1, "E0 00 00 03 05 06 0F 01", "М2", 1);
    SetKey(3, 2, 0, "DE 00 00 00 01 48 CF 01", "Ц1", 1);
    SetKey(4, 3, 1, "00 00 11 22 33 44 55 00", "ПРОКСИ", 1);
    // A Cyfral key of another mode keeps the device form it was read in.
    SetKey(5, 2, 1, "13 00 00 00 01 49 CF 01", "Ц2", 1);
    Row(5).OldKey = "000000B7D7E7EE01";
    ASSERT_TRUE(WriteBook());
    EXPECT_EQ(Sim->Frames().size(), 18u);
    using K = devsim::DeviceKey;
    EXPECT_EQ(DeviceCell(0),
              AddressBookCell(0, 0, K{0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, "КВ 12"));
    EXPECT_EQ(DeviceCell(1), AddressBookCell(1, 0, K{0, 0, 0, 0x03, 0x05, 0x06, 0x0F, 0x01}, "М1"));
    EXPECT_EQ(DeviceCell(2), AddressBookCell(1, 1, K{0, 0, 0, 0x03, 0x05, 0x06, 0x0F, 0x01}, "М2"));
    EXPECT_EQ(DeviceCell(3), AddressBookCell(2, 0, K{0, 0, 0, 0xB7, 0xD7, 0xE7, 0xEE, 0x00}, "Ц1"));
    EXPECT_EQ(DeviceCell(4),
              AddressBookCell(3, 1, K{0, 0, 0x11, 0x22, 0x33, 0x44, 0x55, 0}, "ПРОКСИ"));
    EXPECT_EQ(DeviceCell(5), AddressBookCell(2, 1, K{0, 0, 0, 0xB7, 0xD7, 0xE7, 0xEE, 0x01}, "Ц2"));
    EXPECT_EQ(DeviceCell(6), EmptyAddressBookCell());

    const std::vector<WriterRecord> written(Form->WriterRows.begin(), Form->WriterRows.begin() + 6);
    ASSERT_TRUE(ReadBook());
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Row(i).KeyHex.View(), written[i].KeyHex.View()) << "cell " << i;
        EXPECT_EQ(Row(i).Name.ToUtf8(), written[i].Name.ToUtf8()) << "cell " << i;
    }
}

class WriterBreakTest : public WriterDeviceTest, public testing::WithParamInterface<int>
{
};

// The device answers the first one or two frames of a cell and then falls silent: the cell is
// half written, so its row must stay marked, and the next write completes it.
TEST_P(WriterBreakTest, SilenceWithinACellKeepsItsMark)
{
    const int answered = GetParam();
    SetEmptyRows(1000);
    SetKey(5, 0, 0, "5B 23 45 67 89 AB CD EF", "КВ 12", 1);
    const Bytes wanted =
        AddressBookCell(0, 0, {0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, "КВ 12");
    Form->CallbackTimer->SetInterval(300);
    BreakAfter(*Sim, answered, {.Silent = true});
    ASSERT_TRUE(WriteBook());
    EXPECT_EQ(Status(), NoAnswer());
    EXPECT_EQ(Row(5).Changed, 1);
    // The frame that went unanswered reached the memory all the same.
    const Bytes half = DeviceCell(5);
    EXPECT_EQ(Bytes(half.begin(), half.begin() + 8 * (answered + 1)),
              Bytes(wanted.begin(), wanted.begin() + 8 * (answered + 1)));

    Sim->SetMonitor(nullptr);
    Sim->SetBehaviour({});
    ASSERT_TRUE(WriteBook());
    EXPECT_EQ(Status(), "  Запись записной книжки... успешно!  "_a);
    EXPECT_EQ(DeviceCell(5), wanted);
    EXPECT_EQ(Row(5).Changed, 0);
}

TEST_P(WriterBreakTest, WrongEchoWithinACellKeepsItsMark)
{
    SetEmptyRows(1000);
    SetKey(1, 0, 0, "5B 23 45 67 89 AB CD EF", "А", 1);
    SetKey(2, 0, 0, "5B 23 45 67 89 AB CD EF", "Б", 1);
    BreakAfter(*Sim, 3 + GetParam(), {.WrongBytes = true});
    ASSERT_TRUE(WriteBook());
    EXPECT_EQ(Status(), "  Ошибка при записи записной книжки!  "_a);
    EXPECT_EQ(Form->StatusBarMain->Color(), clRed);
    EXPECT_EQ(Row(1).Changed, 0);
    EXPECT_EQ(Row(2).Changed, 1);
}

INSTANTIATE_TEST_SUITE_P(AfterFrame, WriterBreakTest, testing::Values(1, 2));

TEST_F(WriterDeviceTest, RowsPastTheLastCellAreNeverSent)
{
    SetEmptyRows(1000);
    SelectCell(0, 1);
    SetKey(999, 0, 0, "5B 23 45 67 89 AB CD EF", "ПОСЛЕДНИЙ");
    Dialogs.ReplyMessage(mrYes);
    Form->TBI_AddCellClick(nullptr); // pushes "ПОСЛЕДНИЙ" to row 1000
    ASSERT_EQ(Form->WriterRows.size(), 1001u);

    Dialogs.ReplyMessage(mrNo);
    ASSERT_TRUE(WriteBook());
    EXPECT_TRUE(Sim->Frames().empty());
    ASSERT_EQ(Dialogs.Messages().size(), 2u);
    EXPECT_NE(Dialogs.Messages()[1].Text.Pos("1000"), 0);

    // Rows 0 to 999 go out, row 1000 stays marked for a file.
    Dialogs.ReplyMessage(mrYes);
    ASSERT_TRUE(WriteBook());
    const auto frames = Sim->Frames();
    EXPECT_EQ(frames.size(), 3000u);
    for (const auto &frame : frames)
        ASSERT_LT(FrameAddress(frame), 0x61C0u);
    EXPECT_EQ(FrameAddress(frames.back()), 0x61B8u);
    EXPECT_EQ(DeviceCell(999), EmptyAddressBookCell());
    EXPECT_EQ(Row(1000).Changed, 1);
    EXPECT_EQ(Row(999).Changed, 0);
}

TEST_F(WriterDeviceTest, IncompleteCellIsRefusedAndTheRestWritten)
{
    SetEmptyRows(1000);
    // A locked Cyfral key with no device form to send.
    SetKey(3, 2, 2, "B5 00 00 81 82 84 88 01", "БЕЗ КЛЮЧА", 1);
    SetKey(4, 0, 0, "5B 23 45 67 89 AB CD EF", "А", 1);
    Dialogs.ReplyMessage(mrOk);
    ASSERT_TRUE(WriteBook());
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_NE(Dialogs.Messages()[0].Text.Pos(" 3"), 0);
    EXPECT_EQ(Sim->Frames().size(), 3u);
    EXPECT_EQ(DeviceCell(3), EmptyAddressBookCell());
    EXPECT_EQ(Row(3).Changed, 1);
    EXPECT_EQ(Row(4).Changed, 0);
}

// The box before the write says for each refused row what is wrong with it and how to mend it.
TEST_F(WriterDeviceTest, RefusalSaysWhatIsWrongInEachRow)
{
    SetEmptyRows(1000);
    SetKey(2, 7, 0, "5B 23 45 67 89 AB CD EF", "А", 1);
    SetKey(5, 0, -1, "5B 23 45 67 89 AB CD EF", "Б", 1);
    SetKey(6, 0, 4, "5B 23 45 67 89 AB CD EF", "В", 1); // Dallas keys have two modes
    SetKey(8, 0, 0, "00 23 45 67 89 AB CD EF", "Г", 1); // a wrong check byte
    SetKey(9, 0, 1, "5B 23 45 67 89 AB CD EF", "Д", 1);
    Dialogs.ReplyMessage(mrOk);
    ASSERT_TRUE(WriteBook());
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Dialogs.Messages()[0].Text,
              "Эти строки не будут записаны.\n"
              "Тип ключа неверен, выберите тип заново. Ячейки: 2\n"
              "Режим записи неверен, выберите тип ключа заново. Ячейки: 5 6\n"
              "Код ключа неверен, введите код заново или очистите строку. Ячейки: 8"_a);
    EXPECT_EQ(Dialogs.Messages()[0].Caption, "Внимание!"_a);
    EXPECT_EQ(Sim->Frames().size(), 3u);
    EXPECT_EQ(DeviceCell(9),
              AddressBookCell(0, 1, {0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, "Д"));
    EXPECT_EQ(Marks(2, 9), (std::vector<int>{1, 0, 0, 1, 1, 0, 1, 0}));
}

// The adapter pulled out during a write and plugged back: meanwhile the port list showed the
// first port of the machine, and Записать sent the book there, then told of no answer without
// naming a port. The port chosen stays, shown missing, and is refused by name until it is back.
TEST_F(WriterDeviceTest, AWriteNeverGoesToAPortTheUserDidNotChoose)
{
    // Another device, on the port listed first.
    devsim::TSimulator other;
    other.Expose(1);
    auto portShown = [&] {
        return std::pair(Form->CB_ComPorts->Text(),
                         Form->CB_ComPorts->IconIndex(Form->CB_ComPorts->ItemIndex()));
    };
    ASSERT_TRUE(PumpUntil([&] { return Form->CB_ComPorts->Items()->IndexOf("1") == 0; },
                          optest::ExchangeWait));
    ASSERT_EQ(portShown().first, "251");
    SetEmptyRows(1000);
    for (int cell = 0; cell < 3; ++cell)
        SetKey(cell, 0, 0, "5B 23 45 67 89 AB CD EF", "НОВЫЙ", 1);
    Form->CallbackTimer->SetInterval(300);
    Sim->SetBehaviour({.VanishAfter = 5});
    ASSERT_TRUE(WriteBook());
    EXPECT_EQ(Status(),
              "  Нет ответа от прибора! Установите в приборе Связь с ПК!  COM-порт 251"_a);

    const devsim::Memory held = Sim->Snapshot();
    Sim.reset(); // the adapter pulled out
    ASSERT_TRUE(PumpUntil([&] { return portShown().second == 2; }, optest::ExchangeWait));
    EXPECT_EQ(portShown().first, "251");
    ASSERT_TRUE(WriteBook());
    EXPECT_EQ(Status(), "  Не удалось открыть COM-порт ...   251 (нет такого порта)"_a);
    EXPECT_EQ(Marks(0, 2), (std::vector<int>{0, 1, 1}));

    Sim = std::make_unique<devsim::TSimulator>(held); // plugged back
    devsim::ExposeToProgram(*Sim, optest::SimulatedCom, Folder / "ports");
    ASSERT_TRUE(PumpUntil([&] { return portShown().second == 0; }, optest::ExchangeWait));
    EXPECT_EQ(portShown().first, "251");
    Form->CallbackTimer->SetInterval(3000);
    ASSERT_TRUE(WriteBook());
    EXPECT_EQ(Status(), "  Запись записной книжки... успешно!  "_a);
    EXPECT_EQ(Marks(0, 2), (std::vector<int>{0, 0, 0}));
    EXPECT_TRUE(other.Frames().empty());
}

// ---- leaving the program ----

// Exit in the middle of a write closed at once, and the device kept half of the new book.
// Now it asks, No by default, and No lets the write run to its end. A read changes nothing in
// the device, and the window's close button ends it and the window without a question.
TEST_F(WriterDeviceTest, ExitAsksDuringAWriteButNotDuringARead)
{
    const Bytes wanted =
        AddressBookCell(0, 0, {0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, "НОВЫЙ");
    SetEmptyRows(1000);
    for (WriterRecord &row : Form->WriterRows) {
        row.KeyType = 0;
        row.WriteMode = 0;
        row.KeyHex = "5B 23 45 67 89 AB CD EF";
        row.Name = "НОВЫЙ"_a;
        row.Changed = 1;
    }
    Form->FillWriterGrid();
    ShowWindow();
    Form->BTN_WriterSaveClick(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Form->WriterWriteCell > 500; }, optest::ExchangeWait));
    Dialogs.ReplyMessage(mrNo);
    vcltest::Click(Form->BTN_Quit, 10, 10);
    ASSERT_TRUE(PumpUntil([&] { return Form->WriterWriteStep == -1; }, 120000));
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    const vcl::MessageRequest &asked = Dialogs.Messages()[0];
    EXPECT_EQ(asked.Text, "Идёт обмен с прибором. Прервать и выйти?"_a);
    EXPECT_TRUE(asked.Buttons.Contains(mbYes) && asked.Buttons.Contains(mbNo));
    EXPECT_EQ(asked.DefaultButton, mbNo);
    EXPECT_TRUE(Form->Visible());
    EXPECT_EQ(Status(), "  Запись записной книжки... успешно!  "_a);
    for (unsigned cell = 0; cell < 1000; ++cell)
        ASSERT_EQ(DeviceCell(cell), wanted) << "cell " << cell;

    Sim->SetBehaviour({.Delay = std::chrono::milliseconds(5)});
    Form->BTN_WriterReadClick(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Form->WriterReadStep >= 5; }, optest::ExchangeWait));
    PostMessageW(Form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !Form->Visible(); }, optest::ExchangeWait));
    EXPECT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_FALSE(Form->CommPort1->Open());
}

namespace
{

// What the question at Exit met when the write behind it ended, and how it was left.
struct TExitQuestion {
    HWND Box = nullptr;
    HWND ActiveAtTheEnd = nullptr;
    bool FocusOnItsButton = false;
    bool AnsweredByTheKey = false;
};

} // namespace

// The question at Exit keeps the keys while the write ends behind it: the write's end gave the
// book's grid the focus behind the box, and Enter opened the name editor there. The box's
// answer, given after the write's end, still does what it says.
TEST_F(WriterDeviceTest, TheExitQuestionKeepsTheKeysWhileTheWriteEndsBehindIt)
{
    vcl::SetDialogService(nullptr); // the real message box
    SetEmptyRows(1000);
    ShowWindow();
    // Asks at Exit during a write of 300 rows, and gives the box Key once the write has ended.
    auto askWhileTheWriteEnds = [&](int VirtualKey, char Char) {
        for (int cell = 0; cell < 300; ++cell) {
            WriterRecord &row = Row(cell);
            row.KeyType = 0;
            row.WriteMode = 0;
            row.KeyHex = "5B 23 45 67 89 AB CD EF";
            row.Changed = 1;
        }
        Form->FillWriterGrid();
        TExitQuestion asked;
        TCustomForm *box = nullptr;
        bool pressed = false;
        TTimer watch(nullptr);
        watch.SetInterval(5);
        watch.OnTimer = [&](TObject *) {
            if (!box && Screen->ActiveForm() && Screen->ActiveForm() != Form.get()) {
                box = Screen->ActiveForm();
                asked.Box = box->Handle();
            }
            if (!box || Form->WriterWriteStep != -1) return;
            if (!pressed) {
                pressed = true;
                asked.ActiveAtTheEnd = GetActiveWindow();
                asked.FocusOnItsButton =
                    box->ActiveControl() && GetFocus() == box->ActiveControl()->Handle();
                vcltest::Key(VirtualKey, Char);
                return;
            }
            // The key has been handled by now; a box it left open is closed unanswered.
            watch.SetEnabled(false);
            asked.AnsweredByTheKey = !IsWindowVisible(asked.Box);
            if (!asked.AnsweredByTheKey) box->SetModalResult(mrCancel);
        };
        vcltest::Click(Form->BTN_WriterSave, 10, 10);
        EXPECT_TRUE(PumpUntil([&] { return Form->WriterWriteCell > 1; }, optest::ExchangeWait));
        watch.SetEnabled(true);
        vcltest::Click(Form->BTN_Quit, 10, 10);
        EXPECT_TRUE(PumpUntil([&] { return !watch.Enabled(); }, 120000));
        vcltest::Pump();
        return asked;
    };

    const TExitQuestion no = askWhileTheWriteEnds(VK_RETURN, '\r'); // No is the default
    ASSERT_NE(no.Box, nullptr);
    EXPECT_EQ(no.ActiveAtTheEnd, no.Box);
    EXPECT_TRUE(no.FocusOnItsButton);
    EXPECT_TRUE(no.AnsweredByTheKey);
    EXPECT_FALSE(Form->ED_WriterName->Visible());
    EXPECT_TRUE(Form->Visible());
    EXPECT_EQ(Status(), "  Запись записной книжки... успешно!  "_a);
    // Back from the box, the window has the keys where the write's end put them.
    EXPECT_EQ(GetActiveWindow(), Form->Handle());
    EXPECT_TRUE(Form->SG_Writer->Focused());

    const TExitQuestion yes = askWhileTheWriteEnds('L', "Д"_a[1]); // the underlined letter of Да
    EXPECT_EQ(yes.ActiveAtTheEnd, yes.Box);
    EXPECT_TRUE(yes.FocusOnItsButton);
    EXPECT_TRUE(yes.AnsweredByTheKey);
    EXPECT_FALSE(Form->Visible());
    EXPECT_FALSE(Form->CommPort1->Open());
}

// ---- a whole session ----

namespace
{

std::uint8_t KeyCheckByte(const Bytes &Cell)
{
    std::uint8_t crc = 0;
    for (int i = 9; i >= 3; --i)
        for (int bit = 0, byte = Cell[i]; bit < 8; ++bit, byte >>= 1) {
            const bool mix = (crc ^ byte) & 1;
            crc >>= 1;
            if (mix) crc ^= 0x8C;
        }
    return crc;
}

// A cell as the program sends it back after reading it: every key in its displayed form goes
// through the check byte, a Cyfral key of the first mode ends in 00 when encoded, and the
// Proxy's first byte is its check byte.
Bytes Rewritten(Bytes Cell)
{
    const int type = Cell[0], mode = Cell[1];
    if (type == 0) Cell[2] = KeyCheckByte(Cell);
    if (type == 2 && (mode == 0 || mode == 4)) Cell[9] = 0x00;
    if (type == 3) {
        Cell[2] = Cell[3] = 0;
        Cell[2] = KeyCheckByte(Cell);
    }
    return Cell;
}

Bytes WithName(Bytes Cell, std::string_view Name)
{
    const Bytes named = AddressBookCell(0, 0, {}, Name);
    std::copy(named.begin() + 10, named.end(), Cell.begin() + 10);
    return Cell;
}

// One row of the test's own model of the list: the cell it will write, and whether it will.
struct ModelRow {
    Bytes Cell;
    bool Written = false;
};

void MarkFrom(std::vector<ModelRow> &Rows, std::size_t From, std::size_t To)
{
    for (std::size_t i = From; i <= To && i < Rows.size(); ++i)
        Rows[i].Written = true;
}

} // namespace

TEST_F(WriterDeviceTest, ReadEditAndWriteBackASampleBook)
{
    Sim->Edit([](devsim::Memory &M) { devsim::FillSampleAddressBook(M); });
    const devsim::Memory before = Sim->Snapshot();
    std::vector<ModelRow> model;
    for (unsigned cell = 0; cell < 1000; ++cell)
        model.push_back({devsim::ReadCell(before, cell)});

    ShowWindow();
    ASSERT_TRUE(ReadBook());
    Form->SG_Writer->SetFocus();

    Edit(0, 1, "новое имя", 13);
    model[0] = {WithName(model[0].Cell, "НОВОЕ ИМЯ"), true};

    Edit(3, 2, "0", 13); // a Proxy key becomes a Dallas key of the same code bytes
    Bytes dallas = Rewritten(model[3].Cell);
    dallas[0] = dallas[1] = 0;
    model[3] = {dallas, true};

    Edit(18, 3, "0011223344556601", 13);
    Bytes typed = model[18].Cell;
    const Bytes code = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x01};
    std::copy(code.begin(), code.end(), typed.begin() + 2);
    model[18] = {Rewritten(typed), true};

    ClipboardSetUnicodeText("0023456789ABCDEF");
    SelectCell(19, 3);
    Form->TBI_WriterPasteClipboardClick(nullptr);
    EXPECT_EQ(Status(), "  Внимание! CRC был изменен на правильное значение!  "_a);
    Bytes pasted = model[19].Cell;
    const Bytes fixedCode = {0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    std::copy(fixedCode.begin(), fixedCode.end(), pasted.begin() + 2);
    model[19] = {pasted, true};

    Form->SG_Writer->MoveRow(31, 26); // the row of cell 30 onto the row of cell 25
    ModelRow moved = model[30];
    model.erase(model.begin() + 30);
    model.insert(model.begin() + 25, moved);
    MarkFrom(model, 25, 30);

    Dialogs.ReplyMessage(mrYes); // the last cell's key goes past the device, for now
    SelectCell(40, 1);
    Form->TBI_AddCellClick(nullptr);
    const ModelRow inserted{EmptyAddressBookCell(), true};
    model.insert(model.begin() + 40, inserted);
    MarkFrom(model, 40, model.size() - 1);

    SelectCell(9, 1);
    Form->TBI_DeleteCellClick(nullptr);
    model.erase(model.begin() + 9);
    MarkFrom(model, 9, model.size() - 1);
    ASSERT_EQ(Form->WriterRows.size(), 1000u);

    SelectCell(41, 1);
    Form->TBI_WriterClearClick(nullptr);
    Form->TBI_UndoWriterTableClick(nullptr);
    EXPECT_FALSE(Row(41).IsEmpty());

    Sim->ClearFrames();
    ASSERT_TRUE(WriteBook());
    EXPECT_EQ(Status(), "  Запись записной книжки... успешно!  "_a);
    EXPECT_TRUE(Dialogs.Exhausted());
    const devsim::Memory after = Sim->Snapshot();
    for (unsigned cell = 0; cell < 1000; ++cell) {
        const ModelRow &row = model[cell];
        const Bytes wanted = !row.Written || row.Cell[0] == 0xFF ? row.Cell : Rewritten(row.Cell);
        ASSERT_EQ(devsim::ReadCell(after, cell), wanted) << "cell " << cell;
    }
    // Nothing else in the device's memory moved.
    EXPECT_TRUE(
        std::equal(after.Block.begin(), after.Block.begin() + 0x0400, before.Block.begin()));
    EXPECT_TRUE(
        std::equal(after.Block.begin() + 0x61C0, after.Block.end(), before.Block.begin() + 0x61C0));
    for (const WriterRecord &record : Form->WriterRows)
        ASSERT_EQ(record.Changed, 0);
}
