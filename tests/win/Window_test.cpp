#include "tests/win/WinTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace wintest;

namespace
{

class Windows : public WindowTest
{
protected:
    HWND Top(int X, int Y, int W, int H, DWORD ExStyle = 0, DWORD Style = 0)
    {
        return Keep(MakeWindow(WS_POPUP | WS_VISIBLE | Style, ExStyle, X, Y, W, H));
    }
};

TEST_F(Windows, ZOrder_TopmostStaysAboveAndInsertAfterPlacesBelow)
{
    const HWND A = Top(0, 0, 10, 10), B = Top(0, 0, 10, 10),
               Pinned = Top(0, 0, 10, 10, WS_EX_TOPMOST);
    const HWND C = Top(0, 0, 10, 10);
    EXPECT_EQ(GetTopWindow({}), Pinned) << "a later plain window stays below the topmost one";
    EXPECT_EQ(GetWindow(Pinned, GW_HWNDNEXT), C);
    SetWindowPos(A, B, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(GetWindow(B, GW_HWNDNEXT), A);
    SetWindowPos(Pinned, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_FALSE(GetWindowLongW(Pinned, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(WindowFromPoint(POINT{5, 5}), Pinned);
}

TEST_F(Windows, Children_GeometryParentAndDisabledChildHitsTheParent)
{
    const HWND Parent = Top(100, 50, 200, 100, 0, WS_BORDER);
    const HWND Child = MakeWindow(WS_CHILD | WS_VISIBLE, 0, 10, 20, 30, 40, Parent);
    RECT R;
    GetWindowRect(Child, &R);
    EXPECT_EQ(R.left, 111) << "parent's client origin plus the child's position";
    EXPECT_EQ(R.top, 71);
    POINT P{0, 0};
    MapWindowPoints(Child, Parent, &P, 1);
    EXPECT_EQ(P.x, 10);
    EXPECT_EQ(GetParent(Child), Parent);
    EXPECT_TRUE(IsChild(Parent, Child));
    EXPECT_EQ(WindowFromPoint(POINT{115, 75}), Child);
    EnableWindow(Child, FALSE);
    EXPECT_EQ(WindowFromPoint(POINT{115, 75}), Parent);
    ShowWindow(Parent, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(Child));
    DestroyWindow(Parent);
    EXPECT_FALSE(IsWindow(Child)) << "children go with their parent";
}

TEST_F(Windows, SetParent_MovesAWindowUnderAnotherWithoutRecreatingIt)
{
    const HWND A = Top(0, 0, 100, 100), B = Top(200, 0, 100, 100);
    const HWND Child = MakeWindow(WS_CHILD | WS_VISIBLE, 0, 5, 5, 10, 10, A);
    EXPECT_EQ(SetParent(Child, B), A);
    EXPECT_TRUE(IsWindow(Child));
    EXPECT_EQ(GetParent(Child), B);
    EXPECT_EQ(WindowFromPoint(POINT{207, 7}), Child);
    EXPECT_EQ(GetWindow(A, GW_CHILD), HWND{});
}

LRESULT CALLBACK VetoDestroy(int Code, WPARAM, LPARAM)
{
    return Code == HCBT_DESTROYWND ? 1 : 0;
}

TEST_F(Windows, CbtHook_SeesAndMayRefuseDestruction)
{
    const HWND W = Top(0, 0, 10, 10);
    const HHOOK Hook = SetWindowsHookExW(WH_CBT, VetoDestroy, {}, GetCurrentThreadId());
    EXPECT_FALSE(DestroyWindow(W));
    EXPECT_TRUE(IsWindow(W));
    UnhookWindowsHookEx(Hook);
    EXPECT_TRUE(DestroyWindow(W));
    const auto Destroyed = Find(WM_DESTROY);
    ASSERT_EQ(Destroyed.size(), 1u);
    EXPECT_EQ(Destroyed[0].Wnd, W);
}

std::vector<UINT> &HookSeen()
{
    static std::vector<UINT> Seen;
    return Seen;
}

LRESULT CALLBACK WatchSent(int, WPARAM, LPARAM LParam)
{
    HookSeen().push_back(reinterpret_cast<const CWPSTRUCT *>(LParam)->message);
    return 0;
}

TEST_F(Windows, CallWndProcHook_SeesSentMessagesOnly)
{
    const HWND W = Top(0, 0, 10, 10);
    Pump();
    HookSeen().clear();
    const HHOOK Hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchSent, {}, GetCurrentThreadId());
    SetWindowPos(W, {}, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessageW(W, WM_USER + 3, 0, 0);
    Pump();
    UnhookWindowsHookEx(Hook);
    EXPECT_NE(std::find(HookSeen().begin(), HookSeen().end(), WM_WINDOWPOSCHANGED),
              HookSeen().end());
    EXPECT_EQ(std::find(HookSeen().begin(), HookSeen().end(), WM_USER + 3), HookSeen().end());
}

TEST_F(Windows, ClickOnANoActivateWindow_LeavesActivationWhereItWas)
{
    const HWND Active = Top(0, 0, 50, 50);
    const HWND Other = Top(100, 0, 50, 50, WS_EX_NOACTIVATE);
    Pump();
    SetActiveWindow(Active);
    win::InjectMouseInput(
        win::MouseInput{win::MouseAction::Down, win::MouseButton::Left, POINT{110, 10}});
    MSG M;
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.hwnd, Other);
    EXPECT_EQ(GetActiveWindow(), Active) << "a no-activate window does not take activation";
    ASSERT_FALSE(Find(WM_MOUSEACTIVATE).empty());
}

// A window a modal box disabled keeps the keys from going behind the box, whatever asks for
// the focus meanwhile: neither it nor a child of it takes the focus or the activation.
TEST_F(Windows, SetFocus_RefusesADisabledWindowAndWhatIsInsideOne)
{
    const HWND Behind = Top(0, 0, 200, 100);
    const HWND Child = MakeWindow(WS_CHILD | WS_VISIBLE, 0, 10, 10, 30, 30, Behind);
    const HWND Box = Top(50, 50, 100, 50);
    const HWND Button = MakeWindow(WS_CHILD | WS_VISIBLE, 0, 10, 10, 30, 20, Box);
    Pump();
    EnableWindow(Behind, FALSE);
    SetFocus(Button);
    ASSERT_EQ(GetActiveWindow(), Box);
    EXPECT_EQ(SetFocus(Child), HWND{});
    EXPECT_EQ(SetFocus(Behind), HWND{});
    EXPECT_EQ(GetFocus(), Button);
    EXPECT_EQ(GetActiveWindow(), Box);
    EnableWindow(Behind, TRUE);
    EnableWindow(Child, FALSE);
    EXPECT_EQ(SetFocus(Child), HWND{});
    EnableWindow(Child, TRUE);
    EXPECT_EQ(SetFocus(Child), Button);
    EXPECT_EQ(GetFocus(), Child);
    EXPECT_EQ(GetActiveWindow(), Behind);
}

TEST_F(Windows, RedrawWithFrame_PaintsTheFrameBeforeTheClient)
{
    const HWND W = Top(0, 0, 40, 40, 0, WS_BORDER);
    Pump();
    ClearLog();
    RedrawWindow(W, nullptr, {}, RDW_INVALIDATE | RDW_FRAME | RDW_ERASE);
    Pump();
    std::vector<UINT> Order;
    for (const Received &R : Log())
        if (R.Msg == WM_NCPAINT || R.Msg == WM_ERASEBKGND || R.Msg == WM_PAINT)
            Order.push_back(R.Msg);
    const std::vector<UINT> Expected{WM_PAINT, WM_NCPAINT, WM_ERASEBKGND};
    EXPECT_EQ(Order, Expected);
}

TEST_F(Windows, GetDCEx_IntersectsAScreenRegion)
{
    const HWND W = Top(100, 100, 40, 40);
    Pump();
    const HDC Dc =
        GetDCEx(W, CreateRectRgn(100, 100, 110, 110), DCX_WINDOW | DCX_INTERSECTRGN | DCX_CACHE);
    const RECT All{0, 0, 40, 40};
    FillRect(Dc, &All, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(W, Dc);
    EXPECT_EQ(win::SurfacePixel(W, 9, 9), RGB(0, 0, 0));
    EXPECT_EQ(win::SurfacePixel(W, 10, 10), GetSysColor(COLOR_WINDOW));
}

TEST_F(Windows, ScrollWindowEx_MovesPixelsAndInvalidatesTheUncoveredBand)
{
    const HWND W = Top(0, 0, 20, 20);
    Pump();
    const HDC Dc = GetDC(W);
    SetPixel(Dc, 5, 10, RGB(1, 2, 3));
    ReleaseDC(W, Dc);
    RECT Band;
    EXPECT_EQ(ScrollWindowEx(W, 0, -4, nullptr, nullptr, {}, &Band, SW_INVALIDATE), SIMPLEREGION);
    EXPECT_EQ(win::SurfacePixel(W, 5, 6), RGB(1, 2, 3));
    EXPECT_EQ(Band.top, 16);
    EXPECT_EQ(Band.bottom, 20);
    RECT Update;
    EXPECT_TRUE(GetUpdateRect(W, &Update, FALSE));
    EXPECT_EQ(Update.top, 16);
}

// A part still waiting for its paint moves with the pixels, or it would be painted where
// its content no longer is and the content left stale where it went.
TEST_F(Windows, ScrollWindowEx_MovesTheAreaWaitingToBePainted)
{
    const HWND W = Top(0, 0, 20, 20);
    Pump();
    ValidateRect(W, nullptr);
    const RECT Waiting{2, 10, 8, 12};
    InvalidateRect(W, &Waiting, FALSE);
    ScrollWindowEx(W, 0, -4, nullptr, nullptr, {}, nullptr, SW_INVALIDATE);
    const HRGN Update = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetUpdateRgn(W, Update, FALSE), ERROR);
    EXPECT_TRUE(PtInRegion(Update, 3, 7));
    EXPECT_FALSE(PtInRegion(Update, 3, 10));
    EXPECT_TRUE(PtInRegion(Update, 3, 17)); // the uncovered band
    DeleteObject(Update);
}

TEST_F(Windows, SendNotifyMessage_FromAWorkerDoesNotWait)
{
    const HWND W = Top(0, 0, 10, 10);
    Pump();
    std::atomic<bool> Returned{false};
    std::thread Worker([&] {
        SendNotifyMessageW(W, WM_USER + 4, 0, 0);
        Returned = true;
    });
    Worker.join();
    EXPECT_TRUE(Returned) << "returned before the GUI thread looked at its queue";
    EXPECT_TRUE(Find(WM_USER + 4).empty());
    MSG M;
    PeekMessageW(&M, {}, 0, 0, PM_NOREMOVE);
    EXPECT_EQ(Find(WM_USER + 4).size(), 1u) << "handled as a sent message, before any posted one";
}

TEST_F(Windows, WindowLongs_StyleUserDataAndExtraBytes)
{
    WNDCLASSW C{};
    C.lpfnWndProc = DefWindowProcW;
    C.cbWndExtra = 2 * sizeof(LONG_PTR);
    C.lpszClassName = u"QrvWithExtra";
    RegisterClassW(&C);
    const HWND W = CreateWindowExW(0, u"QrvWithExtra", u"Заголовок", WS_POPUP, 0, 0, 10, 10, {}, {},
                                   {}, nullptr);
    Made.push_back(W);
    SetWindowLongPtrW(W, GWLP_USERDATA, 1234);
    SetWindowLongPtrW(W, sizeof(LONG_PTR), 99);
    EXPECT_EQ(GetWindowLongPtrW(W, GWLP_USERDATA), 1234);
    EXPECT_EQ(GetWindowLongPtrW(W, sizeof(LONG_PTR)), 99);
    EXPECT_EQ(GetWindowLongPtrW(W, 2 * sizeof(LONG_PTR)), 0) << "past the extra bytes";
    char16_t Text[32];
    EXPECT_EQ(GetWindowTextW(W, Text, 32), 9);
    EXPECT_EQ(std::u16string(Text), u"Заголовок");
    EXPECT_FALSE(GetWindowLongW(W, GWL_STYLE) & WS_VISIBLE);
    ShowWindow(W, SW_SHOWNA);
    EXPECT_TRUE(GetWindowLongW(W, GWL_STYLE) & WS_VISIBLE);
}

} // namespace
