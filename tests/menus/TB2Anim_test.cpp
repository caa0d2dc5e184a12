#include "tests/menus/MenuTestSupport.h"

#include "menus/TB2Anim.h"
#include "menus/TB2Common.h"
#include "platform/vcl/Forms.h"
#include "platform/win/SysParams.h"

using namespace menutest;

namespace
{

class AnimationTest : public MenuTest
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        win::OverrideParameter(SPI_GETMENUANIMATION, 1);
        AddItem(Menu->Items(), "One");
        AddItem(Menu->Items(), "Two");
    }
};

TEST_F(AnimationTest, SlideEndsWithTheWholeMenuShown)
{
    bool RunningAtFirst = false, RunningAfter = true;
    COLORREF Inside = 0;
    MenuScript Script;
    Script.Do([&] { RunningAtFirst = TBAnimationRunning(); })
        .Until([] { return !TBAnimationRunning(); })
        .Do([&] {
            RunningAfter = TBAnimationRunning();
            TTBPopupWindow *Popup = OpenPopups().front();
            Inside = PixelOf(Popup, Popup->Width() - 5, 8);
            Press(VK_ESCAPE);
        });
    Menu->Popup(100, 100);
    EXPECT_TRUE(Script.Done());
    EXPECT_TRUE(RunningAtFirst);
    EXPECT_FALSE(RunningAfter);
    EXPECT_EQ(Inside, ColorToRGB(clMenu));
}

} // namespace

namespace
{

// A window that keeps what the animation tells it.
class AnimatedWindow : public TCustomControl
{
public:
    AnimatedWindow() : TCustomControl(nullptr)
    {
        SetVisible(false);
        SetParentWindow(Application->Handle());
        SetBounds(200, 200, 80, 60);
        SetColor(static_cast<TColor>(RGB(10, 120, 200)));
        HandleNeeded();
    }
    void WndProc(TMessage &Message) override
    {
        if (Message.Msg == WM_TB2K_ANIMATIONSTEP) {
            // Read before the step: the worker may raise the level while the step draws, and
            // the next step would then show what was read after this one.
            const int Level = TBAnimationLevel();
            TBStepAnimation(Message);
            if (TBAnimationRunning()) Levels.push_back(Level);
            return;
        }
        if (Message.Msg == WM_TB2K_ANIMATIONENDED) ++Ended;
        TCustomControl::WndProc(Message);
    }
    std::vector<int> Levels;
    int Ended = 0;

protected:
    void CreateParams(TCreateParams &Params) override
    {
        TCustomControl::CreateParams(Params);
        Params.Style = WS_POPUP;
        Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
        Params.WndParent = ParentWindow();
    }
};

bool PumpUntil(const std::function<bool()> &Done, int Milliseconds)
{
    for (int Waited = 0; Waited < Milliseconds && !Done(); Waited += 5) {
        vcltest::Pump();
        win::WaitForQueue(5);
    }
    return Done();
}

class AnimationKernelTest : public vcltest::VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        ShownForm(300, 200);
    }
};

TEST_F(AnimationKernelTest, SlideStepsRiseBySixteenAndEndOnceWithTheWholeWindow)
{
    AnimatedWindow Window;
    // Long enough that a loaded machine still shows some steps before the end.
    TBStartAnimation(Window.Handle(), 600, false, {tbadDown});
    ASSERT_TRUE(PumpUntil([&] { return Window.Ended > 0; }, 5000));
    vcltest::PumpFor(30);
    EXPECT_EQ(Window.Ended, 1);
    ASSERT_FALSE(Window.Levels.empty());
    for (std::size_t I = 0; I < Window.Levels.size(); ++I) {
        EXPECT_EQ(Window.Levels[I] % 16, 0);
        EXPECT_LT(Window.Levels[I], 255);
        if (I > 0) {
            EXPECT_GT(Window.Levels[I], Window.Levels[I - 1]);
        }
    }
    HRGN Region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(Window.Handle(), Region), 0);
    DeleteObject(Region);
    EXPECT_EQ(PixelOf(&Window, 40, 50), RGB(10, 120, 200));
    EXPECT_FALSE(TBAnimationRunning());
}

TEST_F(AnimationKernelTest, PointerInsideEndsTheSlideAtOnce)
{
    AnimatedWindow Window;
    // Ten seconds of slide, cut short by the pointer reaching the window.
    TBStartAnimation(Window.Handle(), 10000, false, {tbadDown});
    TBNoteCursorPos(POINT{230, 220});
    ASSERT_TRUE(PumpUntil([&] { return Window.Ended > 0; }, 3000));
    EXPECT_EQ(PixelOf(&Window, 40, 50), RGB(10, 120, 200));
}

TEST_F(AnimationKernelTest, SecondAnimationEndsTheFirstFullyDrawn)
{
    AnimatedWindow First, Second;
    Second.SetBounds(400, 200, 80, 60);
    TBStartAnimation(First.Handle(), 10000, false, {tbadRight});
    TBStartAnimation(Second.Handle(), 10000, true, {});
    EXPECT_EQ(First.Ended, 1);
    EXPECT_EQ(PixelOf(&First, 70, 30), RGB(10, 120, 200));
    EXPECT_TRUE(GetWindowLongW(Second.Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
    TBEndAnimation(HWND{});
    EXPECT_EQ(Second.Ended, 1);
    EXPECT_FALSE(GetWindowLongW(Second.Handle(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

} // namespace
