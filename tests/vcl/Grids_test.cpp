#include "tests/vcl/VclTestSupport.h"

#include "platform/vcl/Grids.h"
#include "platform/win/Paint.h"
#include "platform/win/SysParams.h"

#include <chrono>
#include <string>
#include <vector>

using namespace vcltest;

namespace
{

class StringGridTest : public VclTest
{
protected:
    TStringGrid *MakeGrid(int Cols = 4, int Rows = 10)
    {
        TForm *form = ShownForm(500, 400);
        auto *grid = new TStringGrid(form);
        grid->SetParent(form);
        grid->SetBounds(10, 10, 400, 200);
        grid->SetColCount(Cols);
        grid->SetRowCount(Rows);
        grid->SetDefaultRowHeight(20);
        for (int r = 0; r < Rows; ++r)
            for (int c = 0; c < Cols; ++c)
                grid->SetCells(c, r, AnsiString(c) + ":" + AnsiString(r));
        Pump();
        return grid;
    }
    // The middle of a cell, for mouse input.
    static TPoint Middle(TStringGrid *Grid, int Col, int Row)
    {
        const TRect r = Grid->CellRect(Col, Row);
        return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
};

TEST_F(StringGridTest, FixedRows_MustStayBelowRowCount)
{
    TStringGrid *grid = MakeGrid(3, 3);
    EXPECT_THROW(grid->SetFixedRows(3), EInvalidGridOperation);
    EXPECT_THROW(grid->SetFixedCols(3), EInvalidGridOperation);
    EXPECT_EQ(grid->FixedRows(), 1);
}

TEST_F(StringGridTest, RowCount_OneRowWithNoFixedRowIsLegal)
{
    TStringGrid *grid = MakeGrid(3, 3);
    grid->SetRowCount(1);
    EXPECT_EQ(grid->RowCount(), 1);
    EXPECT_EQ(grid->FixedRows(), 0);
    EXPECT_EQ(grid->Row(), 0);
    EXPECT_EQ(grid->Cells(1, 0), "1:0");
}

TEST_F(StringGridTest, FixedCounts_ChangeKeepsCellsAndMovesCurrentCell)
{
    TStringGrid *grid = MakeGrid();
    grid->SetRow(5);
    grid->SetCol(3);
    grid->SetFixedRows(0);
    grid->SetFixedCols(0);
    EXPECT_EQ(grid->Cells(2, 4), "2:4");
    EXPECT_EQ(grid->Col(), 0);
    EXPECT_EQ(grid->Row(), 0);
    grid->SetFixedRows(2);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(grid->TopRow(), 2);
}

TEST_F(StringGridTest, CurrentCell_IsNeverFixed)
{
    TStringGrid *grid = MakeGrid();
    EXPECT_THROW(grid->SetRow(0), EInvalidGridOperation);
    EXPECT_THROW(grid->SetCol(0), EInvalidGridOperation);
    EXPECT_EQ(grid->Row(), 1);
    grid->SetFixedRows(0);
    grid->SetFixedCols(0);
    grid->SetRow(0);
    grid->SetCol(0);
    EXPECT_EQ(grid->Row(), 0);
    // Clicking a fixed cell does not make it current either.
    grid->SetFixedRows(1);
    grid->SetFixedCols(1);
    const TPoint p = Middle(grid, 0, 3);
    Click(grid, p.X, p.Y);
    Pump();
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_EQ(grid->Row(), 1);
}

TEST_F(StringGridTest, HiddenColumn_TakesNoRoomAndIsSkipped)
{
    TStringGrid *grid = MakeGrid();
    grid->SetColWidths(2, -1);
    EXPECT_EQ(grid->CellRect(2, 1), TRect());
    EXPECT_EQ(grid->CellRect(3, 1).Left, grid->CellRect(1, 1).Right + 1);
    int col = 0, row = 0;
    const TPoint p = Middle(grid, 3, 1);
    grid->MouseToCell(p.X, p.Y, col, row);
    EXPECT_EQ(col, 3);
    grid->SetFocus();
    Key(VK_RIGHT);
    Pump();
    EXPECT_EQ(grid->Col(), 3);
    Key(VK_LEFT);
    Pump();
    EXPECT_EQ(grid->Col(), 1);
}

TEST_F(StringGridTest, CellRectAndMouseToCell_Agree)
{
    TStringGrid *grid = MakeGrid();
    grid->SetColWidths(0, 30);
    grid->SetRowHeights(0, 20);
    EXPECT_EQ(grid->CellRect(0, 0), TRect(0, 0, 30, 20));
    EXPECT_EQ(grid->CellRect(1, 1), TRect(31, 21, 31 + 64, 41));
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 5; ++r) {
            const TRect rect = grid->CellRect(c, r);
            int col = -2, row = -2;
            grid->MouseToCell(rect.Left, rect.Top, col, row);
            EXPECT_EQ(col, c);
            EXPECT_EQ(row, r);
        }
    int col = 0, row = 0;
    grid->MouseToCell(390, 5, col, row);
    EXPECT_EQ(col, -1);
    EXPECT_EQ(row, -1);
}

TEST_F(StringGridTest, TopRow_ScrollsAndClamps)
{
    TStringGrid *grid = MakeGrid(4, 40);
    grid->SetTopRow(10);
    EXPECT_EQ(grid->TopRow(), 10);
    EXPECT_EQ(grid->CellRect(1, 5), TRect());
    EXPECT_EQ(grid->CellRect(1, 10).Top, grid->CellRect(1, 0).Bottom + 1);
    grid->SetTopRow(1000);
    EXPECT_EQ(grid->TopRow(), 40 - grid->VisibleRowCount());
    grid->SetTopRow(0);
    EXPECT_EQ(grid->TopRow(), 1);
}

TEST_F(StringGridTest, Keyboard_MovesAndScrollsTheCurrentCellIntoView)
{
    TStringGrid *grid = MakeGrid(4, 40);
    int changes = 0;
    grid->OnTopLeftChanged = [&](TObject *) { ++changes; };
    grid->SetFocus();
    for (int i = 0; i < 20; ++i)
        Key(VK_DOWN);
    Pump();
    EXPECT_EQ(grid->Row(), 21);
    EXPECT_GT(grid->TopRow(), 1);
    EXPECT_FALSE(grid->CellRect(1, 21) == TRect());
    EXPECT_GT(changes, 0);
    KeyDown(VK_CONTROL);
    Key(VK_HOME);
    KeyUp(VK_CONTROL);
    Pump();
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(grid->TopRow(), 1);
}

TEST_F(StringGridTest, Selection_ShiftExtendsAndRowSelectSpansTheRow)
{
    TStringGrid *grid = MakeGrid();
    grid->SetFocus();
    KeyDown(VK_SHIFT);
    Key(VK_DOWN);
    Key(VK_RIGHT);
    KeyUp(VK_SHIFT);
    Pump();
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 1, 2, 2}));
    Key(VK_DOWN);
    Pump();
    EXPECT_EQ(grid->Selection(), (TGridRect{2, 3, 2, 3}));
    grid->SetOptions(grid->Options() << goRowSelect);
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 3, 3, 3}));
}

TEST_F(StringGridTest, BorderStyle_ChangedWhileFocusedKeepsTheArrowKeys)
{
    TStringGrid *grid = MakeGrid();
    grid->SetFocus();
    Pump();
    int exits = 0;
    grid->OnExit = [&](TObject *) { ++exits; };
    grid->SetBorderStyle(bsNone);
    Pump();
    Key(VK_DOWN);
    Pump();
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_EQ(exits, 0);
}

TEST_F(StringGridTest, SelectCell_CanRefuseTheMove)
{
    TStringGrid *grid = MakeGrid();
    grid->OnSelectCell = [](TObject *, int, int ARow, bool &CanSelect) { CanSelect = ARow != 3; };
    grid->SetRow(2);
    grid->SetRow(3);
    EXPECT_EQ(grid->Row(), 2);
    const TPoint p = Middle(grid, 2, 4);
    Click(grid, p.X, p.Y);
    Pump();
    EXPECT_EQ(grid->Row(), 4);
}

TEST_F(StringGridTest, RowMoving_DragInFixedColumnMovesRowThenNotifies)
{
    TStringGrid *grid = MakeGrid();
    grid->SetOptions(grid->Options() << goRowMoving);
    grid->SetRow(2);
    std::vector<std::string> seen;
    grid->OnRowMoved = [&](TObject *, int From, int To) {
        seen.push_back(std::to_string(From) + ">" + std::to_string(To) + " " +
                       grid->Cells(1, To).ToStd());
    };
    const TPoint from = Middle(grid, 0, 2);
    const TPoint to = Middle(grid, 0, 5);
    MouseDown(grid, from.X, from.Y);
    MouseMove(grid, to.X, to.Y);
    MouseUp(grid, to.X, to.Y);
    Pump();
    EXPECT_EQ(seen, (std::vector<std::string>{"2>5 1:2"}));
    EXPECT_EQ(grid->Cells(1, 4), "1:5");
    EXPECT_EQ(grid->Row(), 5);
}

// A tall row moved below the window brings the rows under it into view: they have their place,
// and a cell set there afterwards is painted.
TEST_F(StringGridTest, RowMoving_ATallRowMovedAwayBringsTheRowsBelowIntoView)
{
    TStringGrid *grid = MakeGrid();
    grid->SetRowHeights(2, 150);
    ASSERT_EQ(grid->CellRect(1, 5).Height(), 0) << "below the window before the move";
    grid->OnDrawCell = [&](TObject *, int ACol, int ARow, TRect Rect, TGridDrawState) {
        if (grid->Cells(ACol, ARow) != "changed") return;
        grid->Canvas()->Brush()->SetColor(clRed);
        grid->Canvas()->FillRect(Rect);
    };
    grid->MoveRow(2, 9);
    Pump();
    const int rowExtent = grid->DefaultRowHeight() + grid->GridLineWidth();
    const TRect moved = grid->CellRect(1, 5);
    EXPECT_EQ(moved.Top, 5 * rowExtent);
    EXPECT_EQ(moved.Height(), grid->DefaultRowHeight());
    EXPECT_EQ(grid->Cells(1, 5), "1:6");

    grid->SetCells(1, 5, "changed");
    RECT window{};
    GetWindowRect(grid->Handle(), &window);
    const TPoint client = grid->ClientToScreen(TPoint(0, 0));
    const TPoint middle = Middle(grid, 1, 5);
    EXPECT_TRUE(PumpUntil([&] {
        return win::SurfacePixel(grid->Handle(), client.X - window.left + middle.X,
                                 client.Y - window.top + middle.Y) == RGB(255, 0, 0);
    })) << "the cell set after the move is painted";
}

// A grid scrolled to its end stays at its end when its tall last row moves to the front: the
// last row stands at the bottom, with no empty room below it.
TEST_F(StringGridTest, RowMoving_AGridAtItsEndStaysThereWhenItsTallLastRowMovesUp)
{
    TStringGrid *grid = MakeGrid(4, 60);
    const int rowExtent = grid->DefaultRowHeight() + grid->GridLineWidth();
    grid->SetRowHeights(59, 150);
    grid->SetTopRow(grid->RowCount());
    grid->MoveRow(59, 1);
    const TRect last = grid->CellRect(1, 59);
    EXPECT_GT(last.Height(), 0);
    EXPECT_LE(last.Bottom, grid->ClientHeight());
    EXPECT_GT(last.Bottom + rowExtent, grid->ClientHeight()) << "room for another row below";
}

// The same for a wide last column moved to the front: the last column stands at the right edge.
TEST_F(StringGridTest, ColumnMoving_AGridAtItsEndStaysThereWhenItsWideLastColumnMovesLeft)
{
    TStringGrid *grid = MakeGrid(12, 5);
    const int colExtent = grid->DefaultColWidth() + grid->GridLineWidth();
    grid->SetColWidths(11, 300);
    grid->SetLeftCol(grid->ColCount());
    grid->MoveColumn(11, 1);
    const TRect last = grid->CellRect(11, 1);
    EXPECT_GT(last.Width(), 0);
    EXPECT_LE(last.Right, grid->ClientWidth());
    EXPECT_GT(last.Right + colExtent, grid->ClientWidth()) << "room for another column";
}

TEST_F(StringGridTest, RowMoving_OffUnlessAsked)
{
    TStringGrid *grid = MakeGrid();
    int moved = 0;
    grid->OnRowMoved = [&](TObject *, int, int) { ++moved; };
    const TPoint from = Middle(grid, 0, 2);
    const TPoint to = Middle(grid, 0, 5);
    MouseDown(grid, from.X, from.Y);
    MouseMove(grid, to.X, to.Y);
    MouseUp(grid, to.X, to.Y);
    Pump();
    EXPECT_EQ(moved, 0);
    EXPECT_EQ(grid->Cells(1, 2), "1:2");
}

TEST_F(StringGridTest, ColSizing_DragOfFixedRowBorderResizes)
{
    TStringGrid *grid = MakeGrid();
    grid->SetOptions(grid->Options() << goColSizing);
    const TRect head = grid->CellRect(1, 0);
    MouseDown(grid, head.Right, 5);
    MouseMove(grid, head.Right + 30, 5);
    MouseUp(grid, head.Right + 30, 5);
    Pump();
    EXPECT_EQ(grid->ColWidths(1), 94);
}

// A grid of titles alone holds them as its one row, which may not be fixed: scrolled sideways,
// the border of a title still sizes its column, and the view stays where it was.
TEST_F(StringGridTest, ColSizing_TitlesAloneAreSizedByTheirBorders)
{
    TStringGrid *grid = MakeGrid(5, 1);
    grid->SetOptions(grid->Options() << goColSizing);
    grid->SetFixedCols(0);
    grid->SetColWidths(1, 300);
    grid->SetLeftCol(1);
    Pump();
    ASSERT_EQ(grid->LeftCol(), 1);
    const TRect head = grid->CellRect(2, 0);
    MouseDown(grid, head.Right, 5);
    MouseMove(grid, head.Right + 30, 5);
    MouseUp(grid, head.Right + 30, 5);
    Pump();
    EXPECT_EQ(grid->ColWidths(2), 94);
    EXPECT_EQ(grid->LeftCol(), 1);
    EXPECT_EQ(grid->Col(), 0) << "the press made a title the current cell";
}

TEST_F(StringGridTest, DrawCell_HandlerPaintsOverTheDefaultDrawing)
{
    TStringGrid *grid = MakeGrid();
    grid->SetFixedColor(clYellow);
    std::vector<std::pair<COLORREF, TGridDrawState>> seen;
    grid->OnDrawCell = [&](TObject *, int ACol, int ARow, TRect Rect, TGridDrawState State) {
        if (ARow == 0 && ACol == 1) {
            // The default drawing is already there when the handler runs.
            seen.push_back(
                {COLORREF(grid->Canvas()->Pixels(Rect.Right - 3, Rect.Bottom - 3)), State});
            grid->Canvas()->Brush()->SetColor(clRed);
            grid->Canvas()->FillRect(TRect(Rect.Left, Rect.Top, Rect.Left + 4, Rect.Top + 4));
        }
        if (ARow == 1 && ACol == 1) seen.push_back({0, State});
    };
    grid->Repaint();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].first, RGB(255, 255, 0));
    EXPECT_TRUE(seen[0].second.Contains(gdFixed));
    EXPECT_FALSE(seen[1].second.Contains(gdFixed));
    const TRect head = grid->CellRect(1, 0);
    // The surface holds the whole window, the grid's sunken edge included.
    RECT window{};
    GetWindowRect(grid->Handle(), &window);
    const TPoint client = grid->ClientToScreen(TPoint(0, 0));
    const int dx = client.X - window.left, dy = client.Y - window.top;
    EXPECT_EQ(dx, 2);
    EXPECT_EQ(win::SurfacePixel(grid->Handle(), dx + head.Left + 1, dy + head.Top + 1),
              RGB(255, 0, 0));
}

TEST_F(StringGridTest, Editing_OffUnlessAsked)
{
    TStringGrid *grid = MakeGrid();
    grid->SetFocus();
    Key('X', 'x');
    Key(VK_RETURN, '\r');
    Pump();
    EXPECT_EQ(grid->Cells(1, 1), "1:1");
    EXPECT_FALSE(grid->EditorMode());
    grid->SetOptions(grid->Options() << goEditing);
    Key('X', 'x');
    Key('Y', 'y');
    Key(VK_RETURN, '\r');
    Pump();
    EXPECT_EQ(grid->Cells(1, 1).View(), "xy");
    EXPECT_FALSE(grid->EditorMode());
}

TEST_F(StringGridTest, ScrollBar_ArrowsTrackAndThumbScroll)
{
    TStringGrid *grid = MakeGrid(3, 60);
    const int bar = grid->ClientWidth() - 8;
    EXPECT_EQ(grid->CellRect(2, 1).Right < bar - 8, true);
    Click(grid, bar, grid->ClientHeight() - 5); // the down arrow
    Pump();
    EXPECT_EQ(grid->TopRow(), 2);
    Click(grid, bar, grid->ClientHeight() - 30); // the track below the thumb
    Pump();
    EXPECT_EQ(grid->TopRow(), 2 + grid->VisibleRowCount() - 1);
    Click(grid, bar, 5); // the up arrow
    Pump();
    EXPECT_EQ(grid->TopRow(), grid->VisibleRowCount());
    EXPECT_EQ(grid->Row(), 1); // scrolling leaves the current cell
}

// Held down, an arrow keeps stepping until it is let go; the track keeps paging until the thumb
// reaches the pointer, and only while the pointer is over it.
TEST_F(StringGridTest, ScrollBar_HeldDownKeepsSteppingUntilReleased)
{
    TStringGrid *grid = MakeGrid(3, 60);
    const int bar = grid->ClientWidth() - 8;
    const int down = grid->ClientHeight() - 5;
    MouseDown(grid, bar, down);
    Pump();
    EXPECT_EQ(grid->TopRow(), 2);
    ASSERT_TRUE(PumpUntil([&] { return grid->TopRow() >= 6; }));
    MouseUp(grid, bar, down);
    Pump();
    const int released = grid->TopRow();
    PumpFor(200);
    EXPECT_EQ(grid->TopRow(), released) << "no step after the release";

    const int track = grid->ClientHeight() / 2 + 20;
    grid->SetTopRow(1);
    Pump();
    MouseDown(grid, bar, track);
    ASSERT_TRUE(PumpUntil([&] { return grid->TopRow() > grid->VisibleRowCount(); }));
    // The paging steps every few tens of milliseconds while it goes on: it has stopped once the
    // top row holds for half a second.
    int reached = grid->TopRow();
    auto since = std::chrono::steady_clock::now();
    EXPECT_TRUE(PumpUntil(
        [&] {
            if (grid->TopRow() != reached) {
                reached = grid->TopRow();
                since = std::chrono::steady_clock::now();
            }
            return std::chrono::steady_clock::now() - since >= std::chrono::milliseconds(500);
        },
        20000))
        << "the thumb under the pointer stops the paging";
    EXPECT_LT(reached, grid->RowCount() - grid->VisibleRowCount()) << "short of the end";
    MouseMove(grid, 10, track + 40);
    PumpFor(200);
    EXPECT_EQ(grid->TopRow(), reached) << "off the bar, the track does not page";
    MouseMove(grid, bar, track + 40);
    ASSERT_TRUE(PumpUntil([&] { return grid->TopRow() > reached; })) << "back below the thumb";
    MouseUp(grid, bar, track + 40);
}

// Columns wider than the grid: a bar along its bottom, drawn as the vertical one is, whose
// arrows, track and thumb scroll the columns as the other's scroll the rows.
TEST_F(StringGridTest, HorizontalBar_ArrowsTrackAndThumbScrollTheColumns)
{
    TStringGrid *grid = MakeGrid(12, 5);
    const int bar = grid->ClientHeight() - 8;
    const int right = grid->ClientWidth() - 8;
    // The bar's left arrow, as the user sees it: the face of a button, and no cell below it.
    RECT window{};
    GetWindowRect(grid->Handle(), &window);
    const TPoint client = grid->ClientToScreen(TPoint(0, 0));
    const int dx = client.X - window.left, dy = client.Y - window.top;
    EXPECT_EQ(win::SurfacePixel(grid->Handle(), dx + 3, dy + bar), GetSysColor(COLOR_BTNFACE));

    Click(grid, right, bar); // the right arrow
    Pump();
    EXPECT_EQ(grid->LeftCol(), 2);
    Click(grid, right - 25, bar); // the track right of the thumb
    Pump();
    EXPECT_EQ(grid->LeftCol(), 2 + grid->VisibleColCount() - 1);
    Click(grid, 5, bar); // the left arrow
    Pump();
    EXPECT_EQ(grid->LeftCol(), grid->VisibleColCount());
    EXPECT_EQ(grid->Col(), 1) << "scrolling leaves the current cell";

    // The thumb, at the start of the track, dragged to its end shows the last column whole.
    grid->SetLeftCol(1);
    Pump();
    MouseDown(grid, vcl::ScrollBar::Thickness + 3, bar);
    MouseMove(grid, grid->ClientWidth() / 2, bar);
    MouseMove(grid, grid->ClientWidth(), bar);
    MouseUp(grid, grid->ClientWidth(), bar);
    Pump();
    const TRect last = grid->CellRect(11, 1);
    EXPECT_GT(last.Width(), 0);
    EXPECT_LE(last.Right, grid->ClientWidth());
}

// The wheel with Shift held turns sideways; the keys bring the current column into view.
TEST_F(StringGridTest, HorizontalBar_WheelWithShiftAndKeysScrollTheColumns)
{
    TStringGrid *grid = MakeGrid(12, 5);
    const TPoint middle = grid->ClientToScreen(TPoint(100, 50));
    KeyDown(VK_SHIFT);
    win::InjectMouseInput(
        {win::MouseAction::Wheel, win::MouseButton::None, POINT{middle.X, middle.Y}, -WHEEL_DELTA});
    Pump();
    KeyUp(VK_SHIFT);
    Pump();
    EXPECT_EQ(grid->LeftCol(), 2);
    EXPECT_EQ(grid->Row(), 1) << "the wheel sideways moves no row";

    grid->SetFocus();
    Key(VK_END);
    Pump();
    EXPECT_EQ(grid->Col(), 11);
    const TRect last = grid->CellRect(11, 1);
    EXPECT_GT(last.Width(), 0);
    EXPECT_LE(last.Right, grid->ClientWidth());
    Key(VK_HOME);
    Pump();
    EXPECT_EQ(grid->LeftCol(), 1);
}

// Rows that fit the grid's height until the horizontal bar takes its part: the vertical bar
// shows too, and the two leave a corner between them.
TEST_F(StringGridTest, HorizontalBar_TakesItsHeightFromTheRows)
{
    TStringGrid *grid = MakeGrid(12, 9);
    const int rows = grid->ClientHeight() - vcl::ScrollBar::Thickness;
    EXPECT_LT(grid->VisibleRowCount(), 8);
    const int down = rows - 5;
    Click(grid, grid->ClientWidth() - 8, down); // the vertical bar's down arrow, above the corner
    Pump();
    EXPECT_EQ(grid->TopRow(), 2);
    Click(grid, grid->ClientWidth() - 8, grid->ClientHeight() - 5); // the corner
    Pump();
    EXPECT_EQ(grid->TopRow(), 2);
    EXPECT_EQ(grid->LeftCol(), 1);
}

// The bars stand outside the cells, as a window's own would: a double click on an arrow, the
// track or the thumb scrolls as two presses do, and quick clicks as many; none of them is a
// press, click or double click of the grid's, so none opens the current cell's editor. A double
// click on a cell still does.
TEST_F(StringGridTest, ScrollBar_DoubleClicksOnlyScroll)
{
    TStringGrid *grid = MakeGrid(12, 60);
    grid->SetOptions(grid->Options() << goEditing);
    grid->SetFocus();
    Pump();
    int presses = 0, clicks = 0, doubleClicks = 0;
    grid->OnMouseDown = [&](TObject *, TMouseButton, TShiftState, int, int) { ++presses; };
    grid->OnClick = [&](TObject *) { ++clicks; };
    grid->OnDblClick = [&](TObject *) { ++doubleClicks; };
    auto doubleClickAt = [&](int X, int Y) {
        const TPoint at = grid->ClientToScreen(TPoint(X, Y));
        using win::MouseAction;
        for (MouseAction action :
             {MouseAction::Down, MouseAction::Up, MouseAction::DoubleClick, MouseAction::Up})
            win::InjectMouseInput({action, win::MouseButton::Left, POINT{at.X, at.Y}});
        Pump();
    };
    const int thickness = vcl::ScrollBar::Thickness;
    const int vertBar = grid->ClientWidth() - 8, horzBar = grid->ClientHeight() - 8;
    const int rowsBottom = grid->ClientHeight() - thickness;

    doubleClickAt(vertBar, thickness + 3); // the thumb, at the top of its track
    EXPECT_EQ(grid->TopRow(), 1);
    doubleClickAt(vertBar, rowsBottom - 5); // the down arrow
    EXPECT_EQ(grid->TopRow(), 3);
    const int page = grid->VisibleRowCount() - 1;
    doubleClickAt(vertBar, rowsBottom - thickness - 10); // the track below the thumb
    EXPECT_EQ(grid->TopRow(), 3 + 2 * page);
    doubleClickAt(grid->ClientWidth() - thickness - 5, horzBar); // the right arrow
    EXPECT_EQ(grid->LeftCol(), 3);
    doubleClickAt(5, horzBar); // the left arrow
    EXPECT_EQ(grid->LeftCol(), 1);
    doubleClickAt(vertBar, horzBar); // the corner between the bars
    for (int i = 0; i < 4; ++i)      // eight quick clicks on the up arrow
        doubleClickAt(vertBar, 5);
    EXPECT_EQ(grid->TopRow(), 3 + 2 * page - 8);
    EXPECT_FALSE(grid->EditorMode()) << "a click on a bar opened the editor";
    EXPECT_EQ(grid->Cells(1, 1), "1:1");
    EXPECT_EQ(presses, 0);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(doubleClicks, 0);
    EXPECT_EQ(grid->Row(), 1) << "the bars moved the current cell";

    const TPoint cell = Middle(grid, 2, grid->TopRow() + 1);
    doubleClickAt(cell.X, cell.Y);
    EXPECT_TRUE(grid->EditorMode());
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(grid->Row(), grid->TopRow() + 1);
}

// Columns that fill the grid's width exactly, and rows that fit its height but for a few pixels:
// the vertical bar shows as soon as any change leaves the rows too little room, and goes again
// when the change is undone. The bar stands where the last column's cells would.
TEST_F(StringGridTest, ScrollBars_FollowEveryChangeOfTheRoom)
{
    TStringGrid *grid = MakeGrid(3, 9);
    grid->SetColWidths(0, 64);
    grid->SetColWidths(1, 64);
    grid->SetColWidths(2, grid->ClientWidth() - 2 * 65 - 1);
    grid->SetRowHeights(3, 29);            // 198 of the 196 pixels
    const int x = grid->ClientWidth() - 5; // in the last column's cells, or on the bar
    auto vertBar = [&] {
        int col = -1, row = -1;
        grid->MouseToCell(x, 10, col, row);
        return col < 0;
    };
    EXPECT_TRUE(vertBar());
    grid->SetBorderStyle(bsNone);
    EXPECT_FALSE(vertBar()) << "the border's pixels went to the rows";
    grid->SetBorderStyle(bsSingle);
    EXPECT_TRUE(vertBar());
    grid->SetRowHeights(3, 20);
    EXPECT_FALSE(vertBar());
    grid->SetRowCount(12);
    EXPECT_TRUE(vertBar());
    grid->SetScrollBars(ssNone);
    EXPECT_FALSE(vertBar());
    grid->SetScrollBars(ssBoth);
    EXPECT_TRUE(vertBar());
    grid->SetRowCount(9);
    EXPECT_FALSE(vertBar());
    grid->SetDefaultRowHeight(30);
    EXPECT_TRUE(vertBar());
    grid->SetDefaultRowHeight(20);
    EXPECT_FALSE(vertBar());
    grid->SetGridLineWidth(3);
    EXPECT_TRUE(vertBar());
    grid->SetGridLineWidth(1);
    EXPECT_FALSE(vertBar());
    grid->SetHeight(150);
    EXPECT_TRUE(vertBar());
    grid->SetHeight(200);
    EXPECT_FALSE(vertBar());
    // Wider columns bring the bar along the bottom, which leaves the rows too little room.
    grid->SetColWidths(1, 100);
    EXPECT_TRUE(vertBar());
    grid->SetColWidths(1, 64);
    EXPECT_FALSE(vertBar());
    grid->SetFixedRows(0);
    grid->SetRowCount(10);
    EXPECT_TRUE(vertBar());
}

// A row below the window has no rectangle until lower rows above it, a scroll or a taller grid
// bring it into view.
TEST_F(StringGridTest, CellRect_FollowsTheRowsAboveAndTheRoom)
{
    TStringGrid *grid = MakeGrid(3, 60);
    EXPECT_EQ(grid->CellRect(1, 12).Height(), 0);
    for (int r = 1; r < 12; ++r)
        grid->SetRowHeights(r, 4);
    EXPECT_EQ(grid->CellRect(1, 12).Top, 21 + 11 * 5);
    grid->SetRowHeights(5, 150);
    EXPECT_EQ(grid->CellRect(1, 12).Height(), 0);
    grid->SetHeight(grid->Height() + 100);
    EXPECT_EQ(grid->CellRect(1, 12).Top, 21 + 10 * 5 + 151);
    grid->SetRowCount(12);
    EXPECT_EQ(grid->CellRect(1, 12).Height(), 0) << "a row the grid no longer has";
    grid->SetRowCount(40);
    EXPECT_EQ(grid->CellRect(1, 12).Top, 21 + 10 * 5 + 151);
    grid->SetTopRow(6);
    EXPECT_EQ(grid->CellRect(1, 12).Top, 21 + 6 * 5);
    EXPECT_EQ(grid->CellRect(1, 30).Height(), 0);
}

// A grid scrolled to its end stays at its end when it gets more room, from a window grown or a
// bar gone: its last row stands at the bottom, with no blank row below it.
TEST_F(StringGridTest, TopRow_StaysAtTheEndWhenTheRoomGrows)
{
    TStringGrid *grid = MakeGrid(5, 60);
    const int rowExtent = grid->DefaultRowHeight() + grid->GridLineWidth();
    auto lastRowAtTheBottom = [&](int RowsBottom) {
        const TRect last = grid->CellRect(1, grid->RowCount() - 1);
        return last.Height() > 0 && last.Bottom <= RowsBottom &&
               last.Bottom + rowExtent > RowsBottom;
    };
    grid->SetColWidths(2, 400); // the bar along the bottom
    grid->SetTopRow(grid->RowCount());
    const int barTop = grid->ClientHeight() - vcl::ScrollBar::Thickness;
    EXPECT_TRUE(lastRowAtTheBottom(barTop));
    grid->SetColWidths(2, 64);
    EXPECT_TRUE(lastRowAtTheBottom(grid->ClientHeight())) << "after the bottom bar went";
    grid->SetHeight(grid->Height() + 3 * rowExtent);
    Pump();
    EXPECT_TRUE(lastRowAtTheBottom(grid->ClientHeight())) << "after the window grew";
    // Columns scrolled to the end likewise.
    grid->SetColCount(12);
    grid->SetLeftCol(grid->ColCount());
    const int left = grid->LeftCol();
    grid->SetWidth(grid->Width() + 3 * 65);
    Pump();
    EXPECT_EQ(grid->LeftCol(), left - 3);
}

TEST_F(StringGridTest, RowCount_ShrinkingDropsTheRowsCells)
{
    TStringGrid *grid = MakeGrid();
    grid->SetRowCount(3);
    grid->SetRowCount(10);
    EXPECT_EQ(grid->Cells(1, 2), "1:2");
    EXPECT_EQ(grid->Cells(1, 5), "");
}

// ---- What copying a grid's cells relies on ----------------------------------------------

TEST_F(StringGridTest, ColCount_ShrinkingDropsTheColumnsCellsAndKeepsWidths)
{
    TStringGrid *grid = MakeGrid();
    grid->SetColWidths(1, -1);
    grid->SetColCount(2);
    grid->SetColCount(4);
    EXPECT_EQ(grid->Cells(1, 3), "1:3");
    EXPECT_EQ(grid->Cells(2, 3), "");
    EXPECT_EQ(grid->Cells(3, 0), "");
    // A hidden column stays hidden; new ones take the default width.
    EXPECT_EQ(grid->ColWidths(1), -1);
    EXPECT_EQ(grid->ColWidths(3), grid->DefaultColWidth());
    EXPECT_THROW(grid->SetCells(4, 0, "x"), EInvalidGridOperation);
}

TEST_F(StringGridTest, Selection_IsOrderedWhicheverWayItWasMade)
{
    TStringGrid *grid = MakeGrid();
    grid->SetOptions(grid->Options() << goRangeSelect);
    grid->SetSelection(TGridRect{3, 7, 1, 2});
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 2, 3, 7}));
    // The end the selection was made towards is the current cell.
    EXPECT_EQ(grid->Col(), 1);
    EXPECT_EQ(grid->Row(), 2);
    EXPECT_THROW(grid->SetSelection(TGridRect{0, 1, 2, 2}), EInvalidGridOperation);
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 2, 3, 7}));
}

TEST_F(StringGridTest, Selection_ShrinksWithTheRowCount)
{
    TStringGrid *grid = MakeGrid();
    grid->SetSelection(TGridRect{1, 3, 2, 8});
    grid->SetRowCount(5);
    const TGridRect s = grid->Selection();
    EXPECT_EQ(s.Top, 3);
    EXPECT_EQ(s.Bottom, 4);
    EXPECT_LT(grid->Row(), 5);
}

TEST_F(StringGridTest, RowSelect_SelectionSpansTheNonFixedColumns)
{
    TStringGrid *grid = MakeGrid();
    grid->SetOptions(grid->Options() << goRowSelect);
    grid->SetRow(4);
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 4, 3, 4}));
    grid->SetColCount(6);
    EXPECT_EQ(grid->Selection(), (TGridRect{1, 4, 5, 4}));
}

TEST_F(StringGridTest, MouseToCell_CountsScrolledRowsAndHiddenColumns)
{
    TStringGrid *grid = MakeGrid(5, 100);
    grid->SetColWidths(1, -1);
    grid->SetColWidths(3, -1);
    grid->SetTopRow(40);
    const int fixedBottom = grid->CellRect(0, 0).Bottom;
    int col = 0, row = 0;
    // Just below the fixed row is the top scrolled row.
    grid->MouseToCell(grid->CellRect(2, 40).Left, fixedBottom + 1, col, row);
    EXPECT_EQ(col, 2);
    EXPECT_EQ(row, 40);
    // Right after column 2 comes column 4: the hidden ones take no room.
    grid->MouseToCell(grid->CellRect(2, 40).Right + 2, fixedBottom + 1, col, row);
    EXPECT_EQ(col, 4);
    EXPECT_EQ(grid->CellRect(1, 0), TRect());
    EXPECT_EQ(grid->CellRect(3, 41), TRect());
    // Rows scrolled out of view have no rectangle and are never hit.
    EXPECT_EQ(grid->CellRect(2, 39), TRect());
    for (int y = 0; y < grid->ClientHeight(); y += 7) {
        grid->MouseToCell(grid->CellRect(2, 40).Left, y, col, row);
        EXPECT_TRUE(row == 0 || row >= 40) << y;
    }
}

TEST_F(StringGridTest, RowCount_ShrinkingPullsAScrolledGridBackIntoView)
{
    TStringGrid *grid = MakeGrid(4, 100);
    const int fits = grid->VisibleRowCount();
    ASSERT_GT(fits, 2);
    grid->SetTopRow(90);
    grid->SetRowCount(20);
    // The last rows fill the view rather than one row at the top of an empty grid.
    EXPECT_EQ(grid->TopRow(), 20 - fits);
    EXPECT_EQ(grid->VisibleRowCount(), fits);
    grid->SetRowCount(2);
    EXPECT_EQ(grid->TopRow(), 1);
    EXPECT_EQ(grid->Row(), 1);
}

TEST_F(StringGridTest, HiddenLastColumn_IsNeverReachedByKeys)
{
    TStringGrid *grid = MakeGrid(5, 10);
    grid->SetColWidths(4, -1);
    grid->SetCol(3);
    grid->SetFocus();
    Key(VK_RIGHT);
    Pump();
    EXPECT_EQ(grid->Col(), 3);
    Key(VK_HOME);
    Pump();
    EXPECT_EQ(grid->Col(), 1);
    Key(VK_END);
    Pump();
    EXPECT_EQ(grid->Col(), 3);
}

} // namespace
