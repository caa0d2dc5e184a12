// Window scroll bars on real windows: the client area they take, the range,
// page and position rules, their picture, and injected clicks and drags heard
// as WM_VSCROLL and WM_HSCROLL.

#include "platform/win/ScrollBars.h"
#include "platform/win/WindowRegistry.h"
#include "tests/win/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace wintest;

namespace
{

constexpr int Bar = 17; // the bars' width in the settings table

class ScrollBars : public testing::Test
{
protected:
    void SetUp() override
    {
        Pump();
        ClearLog();
        ASSERT_EQ(GetSystemMetrics(SM_CXVSCROLL), Bar);
        // 200 x 150 with a one-pixel border: a client of 198 x 148 before the bars.
        Wnd = MakeWindow(WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 100, 100, 200, 150);
    }
    void TearDown() override
    {
        DestroyWindow(Wnd);
        Pump();
        ClearLog();
    }
    RECT Client() const
    {
        RECT R;
        GetClientRect(Wnd, &R);
        return R;
    }
    int Set(int BarKind, int Max, UINT Page, int Pos)
    {
        SCROLLINFO Info;
        Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        Info.nMax = Max;
        Info.nPage = Page;
        Info.nPos = Pos;
        return FlatSB_SetScrollInfo(Wnd, BarKind, &Info, TRUE);
    }
    static void Mouse(win::MouseAction Action, int X, int Y)
    {
        win::InjectMouseInput(win::MouseInput{Action, win::MouseButton::Left, POINT{X, Y}});
    }
    // The requests of the window's WM_VSCROLL messages, with their positions.
    std::vector<std::pair<int, int>> VScrolls() const
    {
        std::vector<std::pair<int, int>> Out;
        for (const Received &R : Find(WM_VSCROLL))
            if (R.Wnd == Wnd)
                Out.emplace_back(LOWORD(R.WParam), static_cast<short>(HIWORD(R.WParam)));
        return Out;
    }
    HWND Wnd{};
};

// What a held-button test does on each tick of its own timer, which runs inside
// the bar's loop while the button is down. Steps move the script on.
struct HoldScript {
    HWND Wnd{};
    int Request = SB_LINEDOWN;
    int Step = 0;
    int Ticks = 0;       // since the step began
    int AllTicks = 0;    // a guard against a loop that never ends
    int Seen = 0;        // requests counted when the step began
    bool Follow = false; // the window moves its position a page a request, as a view does
    std::function<void(HoldScript &, int Requests)> OnTick;
};
HoldScript *Script = nullptr;

int RequestsOf(HWND Wnd, int Request)
{
    const auto Messages = Find(WM_VSCROLL);
    return static_cast<int>(std::count_if(Messages.begin(), Messages.end(), [&](const Received &R) {
        return R.Wnd == Wnd && LOWORD(R.WParam) == Request;
    }));
}

void ScriptTick(HWND, UINT, UINT_PTR, DWORD)
{
    HoldScript &S = *Script;
    const int Requests = RequestsOf(S.Wnd, S.Request);
    if (S.Follow) {
        SCROLLINFO Info;
        Info.fMask = SIF_POS;
        Info.nPos = 100 * Requests;
        FlatSB_SetScrollInfo(S.Wnd, SB_VERT, &Info, TRUE);
    }
    ++S.Ticks;
    if (++S.AllTicks > 1000) S.Step = 99;
    if (S.Step == 99) {
        win::InjectMouseInput(win::MouseInput{win::MouseAction::Up, win::MouseButton::Left, {}});
        return;
    }
    S.OnTick(S, Requests);
}

void NextStep(HoldScript &S, int Requests)
{
    ++S.Step;
    S.Ticks = 0;
    S.Seen = Requests;
}

TEST_F(ScrollBars, ABarTakesItsWidthFromTheClientAndGoesWhenThereIsNothingToScroll)
{
    EXPECT_EQ(Client().right, 198);
    EXPECT_EQ(Set(SB_VERT, 1000, 100, 0), 0);
    EXPECT_EQ(Client().right, 198 - Bar);
    EXPECT_EQ(Client().bottom, 148);
    Set(SB_HORZ, 500, 80, 0);
    EXPECT_EQ(Client().bottom, 148 - Bar);
    EXPECT_EQ(win::ScrollBarRect(*win::FindWindow(Wnd), SB_VERT).left, 1 + 198 - Bar);

    // A page larger than the range hides the bar and gives the room back.
    Set(SB_VERT, 50, 100, 0);
    EXPECT_EQ(Client().right, 198);
    EXPECT_FALSE(GetWindowLongW(Wnd, GWL_STYLE) & WS_VSCROLL);
    ShowScrollBar(Wnd, SB_BOTH, FALSE);
    EXPECT_EQ(Client().bottom, 148);
}

TEST_F(ScrollBars, ThePositionStaysWithinTheRangeLessThePage)
{
    EXPECT_EQ(Set(SB_VERT, 1000, 100, 5000), 901) << "the last page begins at 1000 - 100 + 1";
    EXPECT_EQ(Set(SB_VERT, 1000, 100, -20), 0);
    SCROLLINFO Info;
    Info.fMask = SIF_ALL;
    ASSERT_TRUE(FlatSB_GetScrollInfo(Wnd, SB_VERT, &Info));
    EXPECT_EQ(Info.nMax, 1000);
    EXPECT_EQ(Info.nPage, 100u);
    SCROLLINFO Page;
    Page.fMask = SIF_PAGE;
    Page.nPage = 5000;
    SetScrollInfo(Wnd, SB_VERT, &Page, FALSE);
    ASSERT_TRUE(GetScrollInfo(Wnd, SB_VERT, &Info));
    EXPECT_EQ(Info.nPage, 1001u) << "a page is never more than the whole range";
    EXPECT_FALSE(GetScrollInfo(Wnd, SB_CTL, &Info)) << "no bar control here";
}

TEST_F(ScrollBars, TheBarIsPaintedBesideTheClientArea)
{
    Set(SB_VERT, 1000, 100, 0);
    Pump();
    const RECT R = win::ScrollBarRect(*win::FindWindow(Wnd), SB_VERT);
    // The up arrow's glyph is black on the button face; the track is the scroll-bar colour.
    bool Glyph = false;
    for (int Y = R.top; Y < R.top + Bar; ++Y)
        for (int X = R.left; X < R.right; ++X)
            Glyph |= win::SurfacePixel(Wnd, X, Y) == 0;
    EXPECT_TRUE(Glyph);
    EXPECT_EQ(win::SurfacePixel(Wnd, R.left + 8, R.bottom - Bar - 3), GetSysColor(COLOR_SCROLLBAR));
}

TEST_F(ScrollBars, ClicksOnArrowsAndTrackStepAndTheThumbIsDragged)
{
    Set(SB_VERT, 1000, 100, 0);
    Pump();
    ClearLog();
    const RECT R = win::ScrollBarRect(*win::FindWindow(Wnd), SB_VERT);
    const int X = 100 + R.left + 8;
    Mouse(win::MouseAction::Down, X, 100 + R.bottom - 5);
    Mouse(win::MouseAction::Up, X, 100 + R.bottom - 5);
    Mouse(win::MouseAction::Down, X, 100 + R.bottom - Bar - 10);
    Mouse(win::MouseAction::Up, X, 100 + R.bottom - Bar - 10);
    Pump();
    using P = std::pair<int, int>;
    EXPECT_EQ(
        VScrolls(),
        (std::vector<P>{{SB_LINEDOWN, 0}, {SB_ENDSCROLL, 0}, {SB_PAGEDOWN, 0}, {SB_ENDSCROLL, 0}}));

    // The thumb sits at the top of the track: dragged a little it asks for a
    // position inside; dragged past the end of the track, for the last page.
    const int Top = 100 + R.top + Bar + 2;
    auto Drag = [&](int ToY) {
        ClearLog();
        Mouse(win::MouseAction::Down, X, Top);
        Mouse(win::MouseAction::Move, X, ToY);
        Mouse(win::MouseAction::Up, X, ToY);
        Pump();
        return VScrolls();
    };
    const auto Little = Drag(Top + 10);
    ASSERT_EQ(Little.size(), 3u);
    EXPECT_EQ(Little[0].first, SB_THUMBTRACK);
    EXPECT_GT(Little[0].second, 0);
    EXPECT_LT(Little[0].second, 901);
    EXPECT_EQ(Little[1], P(SB_THUMBPOSITION, Little[0].second));
    EXPECT_EQ(Drag(100 + R.bottom + 40),
              (std::vector<P>{{SB_THUMBTRACK, 901}, {SB_THUMBPOSITION, 901}, {SB_ENDSCROLL, 0}}));
    SCROLLINFO Info;
    Info.fMask = SIF_TRACKPOS | SIF_POS;
    FlatSB_GetScrollInfo(Wnd, SB_VERT, &Info);
    EXPECT_EQ(Info.nTrackPos, 901);
    EXPECT_EQ(Info.nPos, 0) << "the window itself decides where to go";
    EXPECT_EQ(GetCapture(), HWND{});
}

// Presses at Point and runs the script's ticks until it lets the button go.
void Hold(HoldScript &S, POINT Point)
{
    Script = &S;
    const UINT_PTR Timer = SetTimer({}, 0, 10, ScriptTick);
    win::InjectMouseInput(win::MouseInput{win::MouseAction::Down, win::MouseButton::Left, Point});
    Pump();
    KillTimer({}, Timer);
    Script = nullptr;
}

TEST_F(ScrollBars, AHeldArrowRepeatsWhileThePointerStaysOnIt)
{
    Set(SB_VERT, 1000, 100, 0);
    Pump();
    ClearLog();
    const RECT R = win::ScrollBarRect(*win::FindWindow(Wnd), SB_VERT);
    const POINT Arrow{100 + R.left + 8, 100 + R.bottom - 5};
    const POINT Away{100 + R.left - 40, 100 + R.bottom - 5};
    int Left = 0, Back = 0;
    HoldScript S;
    S.Wnd = Wnd;
    S.OnTick = [&](HoldScript &H, int Requests) {
        auto Move = [](POINT P) {
            win::InjectMouseInput(
                win::MouseInput{win::MouseAction::Move, win::MouseButton::None, P});
        };
        if (H.Step == 0 && Requests >= 4) {
            Move(Away); // off the arrow with the button still down
            NextStep(H, Requests);
        } else if (H.Step == 1 && H.Ticks >= 30) {
            Left = Requests - H.Seen;
            Move(Arrow);
            NextStep(H, Requests);
        } else if (H.Step == 2 && Requests >= H.Seen + 3) {
            Back = Requests - H.Seen;
            H.Step = 99;
        }
    };
    Hold(S, Arrow);
    EXPECT_LT(S.AllTicks, 1000) << "the arrow never repeated enough";
    EXPECT_LE(Left, 1) << "away from the arrow the steps stop (one may have been on its way)";
    EXPECT_GE(Back, 3) << "back on the arrow they go on";
    const auto All = VScrolls();
    ASSERT_FALSE(All.empty());
    EXPECT_EQ(All.back().first, SB_ENDSCROLL);
    EXPECT_EQ(RequestsOf(Wnd, SB_ENDSCROLL), 1);
    EXPECT_EQ(GetCapture(), HWND{});
}

TEST_F(ScrollBars, AHeldTrackPagesUntilTheThumbReachesThePointer)
{
    Set(SB_VERT, 1000, 100, 0);
    Pump();
    ClearLog();
    const RECT R = win::ScrollBarRect(*win::FindWindow(Wnd), SB_VERT);
    const POINT Middle{100 + R.left + 8, 100 + (R.top + R.bottom) / 2};
    int Quiet = -1;
    HoldScript S;
    S.Wnd = Wnd;
    S.Request = SB_PAGEDOWN;
    S.Follow = true;
    S.OnTick = [&](HoldScript &H, int Requests) {
        if (Requests != H.Seen) NextStep(H, Requests);
        // Longer than the pause before the first repeat.
        if (H.Ticks >= 60) {
            Quiet = Requests;
            H.Step = 99;
        }
    };
    Hold(S, Middle);
    EXPECT_LT(S.AllTicks, 1000);
    SCROLLINFO Info;
    Info.fMask = SIF_POS;
    FlatSB_GetScrollInfo(Wnd, SB_VERT, &Info);
    // The thumb stopped around the middle of the track, short of the end.
    EXPECT_GT(Quiet, 2);
    EXPECT_GT(Info.nPos, 300);
    EXPECT_LT(Info.nPos, 700);
}

} // namespace
