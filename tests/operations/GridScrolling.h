#pragma once
// A grid of the main window scrolled sideways as a user does it: a title's border dragged
// with the mouse, then the bar along the grid's bottom and the wheel with Shift.

#include "platform/vcl/Grids.h"
#include "platform/vcl/ScrollBar.h"
#include "platform/win/Paint.h"
#include "platform/win/SysParams.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

namespace optest
{

// The pixels of Grid's client point as the user sees them.
inline COLORREF ClientPixel(TStringGrid *Grid, int X, int Y)
{
    RECT window{};
    GetWindowRect(Grid->Handle(), &window);
    const TPoint client = Grid->ClientToScreen(TPoint(0, 0));
    return win::SurfacePixel(Grid->Handle(), client.X - window.left + X, client.Y - window.top + Y);
}

// How many dark pixels the title of Col shows: its letters.
inline int TitleInk(TStringGrid *Grid, int Col)
{
    const TRect cell = Grid->CellRect(Col, 0);
    int ink = 0;
    for (int y = cell.Top; y < cell.Bottom; ++y)
        for (int x = cell.Left; x < cell.Right; ++x) {
            const COLORREF c = ClientPixel(Grid, x, y);
            ink += GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
        }
    return ink;
}

// Column Wide widened by its title's border until column Far is out of sight: a bar shows along
// the grid's bottom, its right arrow brings Far back whole with its title, and the wheel turned
// up with Shift held takes the view back to the left.
inline void ExpectWidenedColumnScrollsSideways(TStringGrid *Grid, int Wide, int Far)
{
    using namespace vcltest;
    const int barY = Grid->ClientHeight() - vcl::ScrollBar::Thickness / 2;
    ASSERT_NE(ClientPixel(Grid, 3, barY), GetSysColor(COLOR_BTNFACE)) << "a bar before the drag";
    const int inkBefore = TitleInk(Grid, Far);
    ASSERT_GT(inkBefore, 20);

    const TRect title = Grid->CellRect(Wide, 0);
    const int y = (title.Top + title.Bottom) / 2;
    MouseDown(Grid, title.Right, y);
    MouseMove(Grid, title.Right + 200, y);
    MouseMove(Grid, title.Right + 400, y);
    MouseUp(Grid, title.Right + 400, y);
    Pump();
    ASSERT_GE(Grid->ColWidths(Wide), title.Width() + 390);
    EXPECT_EQ(Grid->CellRect(Far, 0).Width(), 0) << "the far column is still in sight";
    EXPECT_EQ(ClientPixel(Grid, 3, barY), GetSysColor(COLOR_BTNFACE)) << "no bar along the bottom";

    const bool vertical = Grid->RowCount() > Grid->FixedRows() + Grid->VisibleRowCount();
    const int rightArrow = Grid->ClientWidth() - (vertical ? vcl::ScrollBar::Thickness : 0) - 8;
    for (int step = 0; step < Grid->ColCount() && Grid->LeftCol() + Grid->VisibleColCount() <= Far;
         ++step) {
        Click(Grid, rightArrow, barY);
        Pump();
    }
    const TRect back = Grid->CellRect(Far, 0);
    EXPECT_GT(back.Width(), 0) << "the bar did not bring the far column back";
    EXPECT_LE(back.Right, Grid->ClientWidth());
    EXPECT_GE(TitleInk(Grid, Far), inkBefore * 9 / 10) << "its title is not painted";

    const TPoint middle = Grid->ClientToScreen(TPoint(Grid->ClientWidth() / 2, barY - 30));
    const int left = Grid->LeftCol();
    KeyDown(VK_SHIFT);
    win::InjectMouseInput(
        {win::MouseAction::Wheel, win::MouseButton::None, POINT{middle.X, middle.Y}, WHEEL_DELTA});
    Pump();
    KeyUp(VK_SHIFT);
    Pump();
    EXPECT_EQ(Grid->LeftCol(), left - 1) << "the wheel with Shift did not turn sideways";
}

// A grid of titles alone, before anything was read, with column Wide kept wider from an earlier
// session so that the grid scrolls sideways, and scrolled by a column: a drag on the border
// right of Sized's title widens that column where it stands, as it does with rows below.
inline void ExpectEmptyGridTitleBorderSizesItsColumn(TStringGrid *Grid, int Wide, int Sized)
{
    using namespace vcltest;
    ASSERT_EQ(Grid->RowCount(), 1) << "the grid is not empty";
    Grid->SetColWidths(Wide, Grid->ColWidths(Wide) + 200);
    Grid->SetLeftCol(1);
    Pump();
    ASSERT_EQ(Grid->LeftCol(), 1) << "the grid does not scroll sideways";
    const int width = Grid->ColWidths(Sized);
    const TRect title = Grid->CellRect(Sized, 0);
    ASSERT_GT(title.Width(), 0);
    const int y = (title.Top + title.Bottom) / 2;
    MouseDown(Grid, title.Right, y);
    MouseMove(Grid, title.Right + 40, y);
    MouseMove(Grid, title.Right + 80, y);
    MouseUp(Grid, title.Right + 80, y);
    Pump();
    EXPECT_EQ(Grid->ColWidths(Sized), width + 80) << "the column was not sized";
    EXPECT_EQ(Grid->LeftCol(), 1) << "the drag scrolled the grid";
    EXPECT_EQ(Grid->CellRect(Sized, 0).Left, title.Left);
}

} // namespace optest
