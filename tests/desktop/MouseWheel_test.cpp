// The wheel on a real X server, turned with xdotool: it scrolls the control under the pointer,
// whichever has the focus.

#include "platform/vcl/Grids.h"
#include "tests/desktop/XServerEnvironment.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

using namespace vcltest;
using desktop::Xdotool;
using desktop::XServer;

class MouseWheelOnX : public VclTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(XServer()) << "no X server could be started";
        VclTest::SetUp();
        TForm *form = ShownForm(420, 260);
        Left = MakeGrid(form, 10);
        Right = MakeGrid(form, 215);
        ASSERT_TRUE(PumpUntil([form] { return OnScreen(form); }, 10000));
    }

    static TStringGrid *MakeGrid(TForm *Form, int X)
    {
        auto *grid = new TStringGrid(Form);
        grid->SetParent(Form);
        grid->SetBounds(X, 10, 195, 200);
        grid->SetColCount(2);
        grid->SetRowCount(40);
        return grid;
    }
    // Moves the pointer to the middle of a control, really.
    static void PointAt(TControl *Control)
    {
        const TPoint p =
            Control->ClientToScreen(TPoint(Control->Width() / 2, Control->Height() / 2));
        Xdotool("mousemove --sync " + std::to_string(p.X) + " " + std::to_string(p.Y));
    }

    TStringGrid *Left = nullptr;
    TStringGrid *Right = nullptr;
};

} // namespace

TEST_F(MouseWheelOnX, TheWheelScrollsTheGridUnderThePointerNotTheFocusedOne)
{
    PointAt(Left);
    Xdotool("click 1");
    ASSERT_TRUE(PumpUntil([&] { return Left->Focused(); }));
    const int leftRow = Left->Row();

    // Two notches down over the grid that was never clicked.
    PointAt(Right);
    Xdotool("click --delay 100 --repeat 2 5");
    EXPECT_TRUE(PumpUntil([&] { return Right->Row() == 3; })) << Right->Row();
    EXPECT_EQ(Left->Row(), leftRow) << "the focused grid moved instead";
    EXPECT_TRUE(Left->Focused()) << "turning the wheel takes no focus";

    // Back over the focused one, a notch down moves it on.
    PointAt(Left);
    Xdotool("click 5");
    EXPECT_TRUE(PumpUntil([&] { return Left->Row() == leftRow + 1; })) << Left->Row();
    EXPECT_EQ(Right->Row(), 3);
}
