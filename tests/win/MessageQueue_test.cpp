#include "tests/win/WinTestSupport.h"

#include "platform/rtl/Classes.h"

#include <QApplication>
#include <QtGui/qevent.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

using namespace wintest;

namespace
{

class MessageQueue : public testing::Test
{
protected:
    void SetUp() override
    {
        Pump();
        ClearLog();
    }
    void TearDown() override
    {
        ReleaseCapture();
        for (HWND W : Made)
            DestroyWindow(W);
        Pump();
        MSG M;
        while (PeekMessageW(&M, {}, 0, 0, PM_REMOVE)) {
        }
        ClearLog();
    }
    HWND Top(int X, int Y, int W, int H, DWORD ExStyle = 0)
    {
        const HWND Wnd = MakeWindow(WS_POPUP | WS_VISIBLE, ExStyle, X, Y, W, H);
        Made.push_back(Wnd);
        return Wnd;
    }
    static void Click(int X, int Y, win::MouseAction Action = win::MouseAction::Down)
    {
        win::InjectMouseInput(win::MouseInput{Action, win::MouseButton::Left, POINT{X, Y}});
    }
    std::vector<HWND> Made;
};

TEST_F(MessageQueue, PostedMessages_ComeInOrderAndBeforeInput)
{
    const HWND W = Top(10, 10, 100, 100);
    Pump();
    Click(20, 20);
    PostMessageW(W, WM_USER + 1, 0, 0);
    PostMessageW(W, WM_USER + 2, 0, 0);
    MSG M;
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_USER + 1u);
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_USER + 2u);
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_LBUTTONDOWN);
    EXPECT_EQ(M.hwnd, W);
    EXPECT_EQ(GET_X_LPARAM(M.lParam), 10);
    EXPECT_EQ(GET_Y_LPARAM(M.lParam), 10);
}

// A menu-style loop: it peeks without removing, sees a click outside its
// popup, ends, and the very same click then reaches the window under it.
TEST_F(MessageQueue, ModalLoop_LeavesOutsideClickForTheWindowUnderIt)
{
    const HWND Under = Top(0, 0, 300, 300);
    const HWND Popup = Top(50, 50, 100, 100, WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    Pump();
    SetCapture(Popup);
    Click(250, 260);
    bool Ended = false;
    MSG M;
    while (!Ended) {
        ASSERT_TRUE(PeekMessageW(&M, {}, 0, 0, PM_NOREMOVE)) << "the click must still be queued";
        if (M.message == WM_LBUTTONDOWN) {
            EXPECT_EQ(M.hwnd, Popup) << "while captured the popup sees it";
            EXPECT_EQ(GET_X_LPARAM(M.lParam), 200);
            RECT R;
            GetWindowRect(Popup, &R);
            if (!PtInRect(&R, M.pt)) Ended = true;
        } else {
            PeekMessageW(&M, {}, M.message, M.message, PM_REMOVE);
            DispatchMessageW(&M);
        }
    }
    ReleaseCapture();
    ClearLog();
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_LBUTTONDOWN);
    EXPECT_EQ(M.hwnd, Under);
    EXPECT_EQ(GET_X_LPARAM(M.lParam), 250);
    EXPECT_EQ(GET_Y_LPARAM(M.lParam), 260);
    DispatchMessageW(&M);
    ASSERT_EQ(Find(WM_LBUTTONDOWN).size(), 1u);
    EXPECT_EQ(Find(WM_LBUTTONDOWN)[0].Wnd, Under);
}

TEST_F(MessageQueue, PostFromWorker_WakesBlockedGetMessage)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    std::atomic<bool> Waiting{false};
    std::thread Worker([&] {
        while (!Waiting)
            std::this_thread::yield();
        // Long enough for the GUI thread to be asleep in GetMessage.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostMessageW(W, WM_USER + 7, 42, 0);
    });
    // A watchdog turns a hang into a failure instead of a stuck test.
    std::atomic<bool> Done{false};
    const DWORD Me = GetCurrentThreadId();
    std::thread Watchdog([&] {
        for (int I = 0; I < 500 && !Done; ++I)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!Done) PostThreadMessageW(Me, WM_QUIT, 0, 0);
    });
    MSG M;
    Waiting = true;
    const BOOL Got = GetMessageW(&M, {}, WM_USER, WM_USER + 100);
    Done = true;
    Worker.join();
    Watchdog.join();
    EXPECT_TRUE(Got);
    EXPECT_EQ(M.message, WM_USER + 7u);
    EXPECT_EQ(M.wParam, 42u);
}

TEST_F(MessageQueue, Timer_ArrivesOnlyWhenNothingElseIsQueued_AndOncePerTimer)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    // Long enough that no second tick falls due between taking the first and
    // looking for another, even when a loaded machine holds this thread back.
    constexpr auto Interval = std::chrono::milliseconds(250);
    SetTimer(W, 9001, UINT(Interval.count()), nullptr);
    std::this_thread::sleep_for(4 * Interval);
    PostMessageW(W, WM_USER + 1, 0, 0);
    PostMessageW(W, WM_USER + 2, 0, 0);
    MSG M;
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_USER + 1u);
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_USER + 2u);
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_TIMER);
    EXPECT_EQ(M.wParam, 9001u);
    // Four intervals passed, yet only one tick was pending.
    EXPECT_FALSE(PeekMessageW(&M, {}, WM_TIMER, WM_TIMER, PM_REMOVE));
    std::this_thread::sleep_for(2 * Interval);
    KillTimer(W, 9001);
    EXPECT_FALSE(PeekMessageW(&M, {}, WM_TIMER, WM_TIMER, PM_REMOVE))
        << "KillTimer drops a pending tick";
}

TEST_F(MessageQueue, Capture_RoutesClicksOutsideEveryWindowToTheCapturer)
{
    const HWND W = Top(100, 100, 50, 50);
    Pump();
    Click(5, 5);
    MSG M;
    EXPECT_FALSE(PeekMessageW(&M, {}, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE))
        << "nobody is under the point";
    SetCapture(W);
    Click(5, 5);
    ASSERT_TRUE(PeekMessageW(&M, {}, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE));
    EXPECT_EQ(M.hwnd, W);
    EXPECT_EQ(GET_X_LPARAM(M.lParam), -95);
    EXPECT_EQ(GET_Y_LPARAM(M.lParam), -95);
    EXPECT_EQ(M.wParam & MK_LBUTTON, MK_LBUTTON);
}

TEST_F(MessageQueue, Capture_ChangeNotifiesTheLoser)
{
    const HWND A = Top(0, 0, 50, 50), B = Top(60, 0, 50, 50);
    SetCapture(A);
    ClearLog();
    SetCapture(B);
    ASSERT_EQ(Find(WM_CAPTURECHANGED).size(), 1u);
    EXPECT_EQ(Find(WM_CAPTURECHANGED)[0].Wnd, A);
    EXPECT_EQ(Find(WM_CAPTURECHANGED)[0].LParam, reinterpret_cast<LPARAM>(B));
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), HWND{});
    EXPECT_EQ(Find(WM_CAPTURECHANGED).size(), 2u);
}

TEST_F(MessageQueue, Quit_IsAFlagThatFilteredPeeksStillSee)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    PostMessageW(W, WM_USER, 0, 0);
    PostQuitMessage(3);
    MSG M;
    ASSERT_TRUE(PeekMessageW(&M, {}, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    EXPECT_EQ(M.message, WM_QUIT);
    ASSERT_TRUE(PeekMessageW(&M, {}, 0, 0, PM_REMOVE));
    EXPECT_EQ(M.message, WM_USER) << "posted messages come before the quit";
    EXPECT_FALSE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.wParam, 3u);
    EXPECT_FALSE(PeekMessageW(&M, {}, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, Paint_IsSynthesisedLastAndDefaultHandlingValidates)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    InvalidateRect(W, nullptr, TRUE);
    PostMessageW(W, WM_USER, 0, 0);
    MSG M;
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_USER);
    ASSERT_TRUE(PeekMessageW(&M, {}, 0, 0, PM_REMOVE));
    EXPECT_EQ(M.message, WM_PAINT);
    ASSERT_TRUE(PeekMessageW(&M, {}, 0, 0, PM_REMOVE)) << "PM_REMOVE does not take WM_PAINT away";
    DispatchMessageW(&M);
    EXPECT_FALSE(PeekMessageW(&M, {}, WM_PAINT, WM_PAINT, PM_REMOVE));
}

TEST_F(MessageQueue, SetWindowPos_NoRedrawLeavesNothingToPaint)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    SetWindowPos(W, {}, 0, 0, 80, 90, SWP_NOZORDER | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE);
    MSG M;
    EXPECT_FALSE(PeekMessageW(&M, {}, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    RECT R;
    GetWindowRect(W, &R);
    EXPECT_EQ(R.right - R.left, 80);
    SetWindowPos(W, {}, 0, 0, 100, 90, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    EXPECT_TRUE(PeekMessageW(&M, {}, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

// An idle look that finds nothing to paint is not the last word: a window shown
// without a redraw, or moved under a visible parent, still gets its WM_PAINT.
TEST_F(MessageQueue, Paint_ComesForWindowsShownOrReparentedAfterALookFoundNone)
{
    const HWND W = Top(0, 0, 80, 80);
    const HWND Hidden = Top(100, 0, 80, 80);
    ShowWindow(Hidden, SW_HIDE);
    const HWND Shown = MakeWindow(WS_CHILD, 0, 0, 0, 20, 20, W);
    const HWND Moved = MakeWindow(WS_CHILD | WS_VISIBLE, 0, 0, 0, 20, 20, Hidden);
    Pump();
    InvalidateRect(Shown, nullptr, FALSE);
    InvalidateRect(Moved, nullptr, FALSE);
    MSG M;
    ASSERT_FALSE(PeekMessageW(&M, {}, WM_PAINT, WM_PAINT, PM_NOREMOVE));

    SetWindowPos(Shown, {}, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOREDRAW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER |
                     SWP_NOACTIVATE);
    ASSERT_TRUE(PeekMessageW(&M, {}, WM_PAINT, WM_PAINT, PM_REMOVE));
    EXPECT_EQ(M.hwnd, Shown);
    DispatchMessageW(&M);
    ASSERT_FALSE(PeekMessageW(&M, {}, WM_PAINT, WM_PAINT, PM_NOREMOVE));

    SetParent(Moved, W);
    ASSERT_TRUE(PeekMessageW(&M, {}, WM_PAINT, WM_PAINT, PM_REMOVE));
    EXPECT_EQ(M.hwnd, Moved);
}

// A control waiting under a hidden page is set aside by a look, and still painted when the
// page is shown without a redraw of its own.
TEST_F(MessageQueue, Paint_ComesForAWaitingChildWhenItsHiddenParentIsShown)
{
    const HWND Page = Top(0, 0, 80, 80);
    ShowWindow(Page, SW_HIDE);
    const HWND Control = MakeWindow(WS_CHILD | WS_VISIBLE, 0, 0, 0, 20, 20, Page);
    Pump();
    InvalidateRect(Control, nullptr, FALSE);
    MSG M;
    ASSERT_FALSE(PeekMessageW(&M, {}, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    ASSERT_FALSE(PeekMessageW(&M, {}, WM_PAINT, WM_PAINT, PM_NOREMOVE)) << "a second look";
    SetWindowPos(Page, {}, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOREDRAW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER |
                     SWP_NOACTIVATE);
    std::vector<HWND> Painted;
    while (Painted.size() < 5 && PeekMessageW(&M, {}, WM_PAINT, WM_PAINT, PM_REMOVE)) {
        Painted.push_back(M.hwnd);
        DispatchMessageW(&M);
    }
    EXPECT_NE(std::ranges::find(Painted, Control), Painted.end());
}

TEST_F(MessageQueue, HitTest_TransparentPassesThroughAndCustomCodesArriveUnchanged)
{
    const HWND Under = Top(0, 0, 200, 200);
    const HWND Shadow = Top(0, 0, 100, 100, WS_EX_TOPMOST);
    const HWND Frame = Top(150, 150, 40, 40, WS_EX_TOPMOST);
    SetHitAnswer(Shadow, HTTRANSPARENT);
    SetHitAnswer(Frame, 2001);
    Pump();
    EXPECT_EQ(WindowFromPoint(POINT{10, 10}), Under);
    Click(10, 10);
    Click(160, 160);
    MSG M;
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.hwnd, Under);
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.hwnd, Frame);
    EXPECT_EQ(M.message, WM_NCLBUTTONDOWN);
    EXPECT_EQ(M.wParam, 2001u);
    EXPECT_EQ(GET_X_LPARAM(M.lParam), 160) << "non-client messages carry screen coordinates";
    const auto Cursor = Find(WM_SETCURSOR);
    ASSERT_FALSE(Cursor.empty());
    EXPECT_EQ(static_cast<SHORT>(LOWORD(Cursor.back().LParam)), 2001);
}

TEST_F(MessageQueue, DoubleClick_IsAPressForClassesWithoutDblClks)
{
    WNDCLASSW C{};
    C.lpfnWndProc = DefWindowProcW;
    C.lpszClassName = u"QrvNoDoubleClicks";
    RegisterClassW(&C);
    const HWND W = CreateWindowExW(0, u"QrvNoDoubleClicks", u"", WS_POPUP | WS_VISIBLE, 0, 0, 50,
                                   50, {}, {}, {}, nullptr);
    Made.push_back(W);
    const HWND D = Top(100, 0, 50, 50);
    Pump();
    Click(10, 10, win::MouseAction::DoubleClick);
    Click(110, 10, win::MouseAction::DoubleClick);
    MSG M;
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_LBUTTONDOWN);
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_LBUTTONDBLCLK);
    EXPECT_EQ(M.hwnd, D);
}

TEST_F(MessageQueue, Keys_GoToTheFocusWindowAndTranslateToCp1251)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    SetFocus(W);
    win::InjectKeyInput(win::KeyInput{true, 'A', 30, false, false, u'ф'});
    MSG M;
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_KEYDOWN);
    EXPECT_EQ(M.hwnd, W);
    EXPECT_EQ(M.wParam, static_cast<WPARAM>('A'));
    EXPECT_TRUE(GetKeyState('A') & 0x8000);
    TranslateMessage(&M);
    ASSERT_TRUE(PeekMessageW(&M, {}, WM_CHAR, WM_CHAR, PM_REMOVE));
    EXPECT_EQ(M.wParam, 0xF4u) << "cp1251 code of the typed letter";
}

// Typed between one window going and the next taking the focus: the loops that look only for
// paints, or only peek, leave the key for the window that takes the focus next.
TEST_F(MessageQueue, KeyTypedAheadOfTheFocus_OutlivesFilteredReads)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    SetFocus({});
    SetActiveWindow({});
    ClearLog();
    win::InjectKeyInput(win::KeyInput{true, 'A', 30, false, false, u'a'});
    MSG M;
    EXPECT_FALSE(PeekMessageW(&M, {}, WM_PAINT, WM_PAINT, PM_REMOVE));
    EXPECT_FALSE(PeekMessageW(&M, W, 0, 0, PM_REMOVE));
    EXPECT_FALSE(PeekMessageW(&M, {}, 0, 0, PM_NOREMOVE));
    EXPECT_FALSE(win::WaitForQueue(50)) << "a key no one can take yet is no news";
    SetFocus(W);
    Pump();
    ASSERT_EQ(Find(WM_KEYDOWN).size(), 1u);
    EXPECT_EQ(Find(WM_KEYDOWN)[0].Wnd, W);
    ASSERT_EQ(Find(WM_CHAR).size(), 1u);
    EXPECT_EQ(Find(WM_CHAR)[0].WParam, static_cast<WPARAM>('a'));
}

// With neither a focus nor an active window when the program's loop reads it, a key goes
// nowhere, as the system's would: it does not wait to surprise the next window focused.
TEST_F(MessageQueue, KeyWithNoWindowWhenTheLoopReadsIt_GoesNowhere)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    SetFocus({});
    SetActiveWindow({});
    ClearLog();
    win::InjectKeyInput(win::KeyInput{true, 'B', 48, false, false, u'b'});
    Pump();
    EXPECT_EQ(HIWORD(GetQueueStatus(QS_KEY)), 0u);
    SetFocus(W);
    Pump();
    EXPECT_TRUE(Find(WM_KEYDOWN).empty());
    EXPECT_TRUE(Find(WM_CHAR).empty());
}

TEST_F(MessageQueue, SendMessage_FromAnotherThreadRunsOnTheWindowsThread)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    std::atomic<LRESULT> Result{-5};
    std::thread Worker([&] { Result = SendMessageW(W, WM_GETTEXTLENGTH, 0, 0); });
    while (Result == -5) {
        MSG M;
        PeekMessageW(&M, {}, 0, 0, PM_REMOVE);
    }
    Worker.join();
    EXPECT_EQ(Result, 0);
    ASSERT_FALSE(Find(WM_GETTEXTLENGTH).empty());
}

LRESULT CALLBACK VoidSysChar(int Code, WPARAM, LPARAM LParam)
{
    auto *M = reinterpret_cast<MSG *>(LParam);
    if (Code == HC_ACTION && M->message == WM_USER + 5) M->message = WM_NULL;
    return 0;
}

TEST_F(MessageQueue, GetMessageHook_MayChangeTheMessage)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    const HHOOK Hook = SetWindowsHookExW(WH_GETMESSAGE, VoidSysChar, {}, GetCurrentThreadId());
    PostMessageW(W, WM_USER + 5, 0, 0);
    MSG M;
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_NULL);
    UnhookWindowsHookEx(Hook);
}

TEST_F(MessageQueue, TrackMouseEvent_PostsLeaveWhenThePointerGoesElsewhere)
{
    const HWND A = Top(0, 0, 50, 50), B = Top(100, 0, 50, 50);
    Pump();
    Click(10, 10, win::MouseAction::Move);
    Pump();
    TRACKMOUSEEVENT T{sizeof(T), TME_LEAVE, A, HOVER_DEFAULT};
    ASSERT_TRUE(TrackMouseEvent(&T));
    Click(110, 10, win::MouseAction::Move);
    ClearLog();
    Pump();
    ASSERT_EQ(Find(WM_MOUSELEAVE).size(), 1u);
    EXPECT_EQ(Find(WM_MOUSELEAVE)[0].Wnd, A);
    (void)B;
}

TEST_F(MessageQueue, AllocateHWnd_DeliversToTheMethod)
{
    std::vector<UINT> Seen;
    const HWND W = AllocateHWnd([&](TMessage &Msg) {
        Seen.push_back(Msg.Msg);
        Msg.Result = 17;
    });
    ASSERT_TRUE(IsWindow(W));
    EXPECT_EQ(SendMessageW(W, 0x500, 0, 0), 17);
    PostMessageW(W, 0x500, 0, 0);
    Pump();
    EXPECT_EQ(std::count(Seen.begin(), Seen.end(), 0x500u), 2);
    EXPECT_EQ(WindowFromPoint(POINT{0, 0}), HWND{}) << "message-only windows are never hit";
    DeallocateHWnd(W);
    EXPECT_FALSE(IsWindow(W));
}

TEST_F(MessageQueue, MulDiv_RoundsHalvesAwayFromZeroAndFailsOnZero)
{
    EXPECT_EQ(MulDiv(255, 1, 2), 128);
    EXPECT_EQ(MulDiv(-255, 1, 2), -128);
    EXPECT_EQ(MulDiv(10, 1, 3), 3);
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
}

class SyncWorker : public TThread
{
    QRV4_CLASS(SyncWorker, TThread)

public:
    explicit SyncWorker(std::function<void(SyncWorker &)> ABody) : Body(std::move(ABody)) {}
    ~SyncWorker() override
    {
        if (!Suspended()) WaitFor();
    }
    using TThread::Synchronize;

protected:
    void Execute() override { Body(*this); }

private:
    std::function<void(SyncWorker &)> Body;
};

// A worker's Synchronize runs while the GUI thread sits in GetMessage, as it
// does in a modal loop.
TEST_F(MessageQueue, Synchronize_RunsWhileTheGuiThreadWaitsInGetMessage)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    bool Ran = false;
    SyncWorker Worker([&](SyncWorker &Self) {
        Self.Synchronize([&] { Ran = true; });
        PostMessageW(W, WM_USER + 9, 0, 0);
    });
    std::atomic<bool> Done{false};
    const DWORD Me = GetCurrentThreadId();
    std::thread Watchdog([&] {
        for (int I = 0; I < 500 && !Done; ++I)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!Done) PostThreadMessageW(Me, WM_QUIT, 0, 0);
    });
    Worker.Start();
    MSG M;
    const BOOL Got = GetMessageW(&M, {}, WM_USER, WM_USER + 100);
    Done = true;
    Watchdog.join();
    EXPECT_TRUE(Got);
    EXPECT_EQ(M.message, WM_USER + 9u);
    EXPECT_TRUE(Ran);
}

// A call a thread queued for the GUI thread is run by its next look for messages. That look
// finds no message, but the loop that looked must not sleep as if nothing had happened: the
// call may have set what the loop waits for (a modal result), and nothing else may come.
TEST_F(MessageQueue, QueuedCall_RunByALookIsNewsForTheNextWait)
{
    Pump();
    bool Ran = false;
    std::thread([&] { TThread::Queue(nullptr, [&] { Ran = true; }); }).join();
    MSG M;
    EXPECT_FALSE(PeekMessageW(&M, {}, 0, 0, PM_REMOVE));
    EXPECT_TRUE(Ran);
    EXPECT_TRUE(win::WaitForQueue(500)) << "the wait after the look slept over the call";
}

TEST_F(MessageQueue, ApplicationDeactivation_CountsAsCaptureLoss)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    SetCapture(W);
    ClearLog();
    QApplicationStateChangeEvent Inactive(Qt::ApplicationInactive);
    QCoreApplication::sendEvent(qApp, &Inactive);
    Pump();
    EXPECT_EQ(GetCapture(), HWND{});
    EXPECT_EQ(Find(WM_CAPTURECHANGED).size(), 1u);
    ASSERT_FALSE(Find(WM_ACTIVATEAPP).empty());
    EXPECT_EQ(Find(WM_ACTIVATEAPP)[0].WParam, static_cast<WPARAM>(FALSE));
}

TEST_F(MessageQueue, ApplicationActivation_IsHeardOncePerChange)
{
    Top(0, 0, 50, 50);
    Pump();
    auto Tell = [](Qt::ApplicationState State) {
        QApplicationStateChangeEvent Change(State);
        QCoreApplication::sendEvent(qApp, &Change);
    };
    Tell(Qt::ApplicationInactive);
    Pump();
    ClearLog();
    // The window system repeats what the program already heard from its icons.
    Tell(Qt::ApplicationInactive);
    Pump();
    EXPECT_TRUE(Find(WM_ACTIVATEAPP).empty());
    Tell(Qt::ApplicationActive);
    Tell(Qt::ApplicationActive);
    Pump();
    ASSERT_EQ(Find(WM_ACTIVATEAPP).size(), 1u);
    EXPECT_EQ(Find(WM_ACTIVATEAPP)[0].WParam, static_cast<WPARAM>(TRUE));
}

TEST_F(MessageQueue, KeybdEvent_GoesThroughTheQueueToTheFocusWindow)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    SetFocus(W);
    keybd_event(VK_TAB, static_cast<BYTE>(MapVirtualKeyW(VK_TAB, MAPVK_VK_TO_VSC)), 0, 0);
    MSG M;
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_KEYDOWN);
    EXPECT_EQ(M.wParam, static_cast<WPARAM>(VK_TAB));
    EXPECT_EQ((M.lParam >> 16) & 0xFF, 0x0F);
}

TEST_F(MessageQueue, AltAndF10_AreSystemKeys_WheelGoesUnderThePointer_MessagePosIsTheInputs)
{
    const HWND Focus = Top(0, 0, 50, 50), Under = Top(100, 0, 50, 50);
    Pump();
    SetFocus(Focus);
    win::InjectKeyInput(win::KeyInput{true, VK_MENU, 0x38});
    win::InjectKeyInput(win::KeyInput{false, VK_MENU, 0x38});
    win::InjectKeyInput(win::KeyInput{true, VK_F10, 0x44});
    win::InjectMouseInput(
        win::MouseInput{win::MouseAction::Wheel, win::MouseButton::None, POINT{120, 10}, -240});
    MSG M;
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_SYSKEYDOWN);
    EXPECT_TRUE(M.lParam & (1 << 29)) << "Alt is down";
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_SYSKEYUP);
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_SYSKEYDOWN);
    EXPECT_EQ(M.wParam, static_cast<WPARAM>(VK_F10));
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_MOUSEWHEEL);
    EXPECT_EQ(M.hwnd, Under) << "not the focused window";
    EXPECT_EQ(static_cast<SHORT>(HIWORD(M.wParam)), -240);
    EXPECT_EQ(GET_X_LPARAM(GetMessagePos()), 120);

    // The capture keeps it wherever the pointer is; over none of ours it goes nowhere.
    SetCapture(Focus);
    win::InjectMouseInput(
        win::MouseInput{win::MouseAction::Wheel, win::MouseButton::None, POINT{120, 10}, 120});
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_MOUSEWHEEL);
    EXPECT_EQ(M.hwnd, Focus);
    ReleaseCapture();
    win::InjectMouseInput(
        win::MouseInput{win::MouseAction::Wheel, win::MouseButton::None, POINT{400, 400}, 120});
    EXPECT_FALSE(PeekMessageW(&M, {}, WM_MOUSEWHEEL, WM_MOUSEWHEEL, PM_REMOVE));
}

TEST_F(MessageQueue, TrackMouseEvent_NonClientLeaveWhenThePointerEntersTheClientArea)
{
    const HWND W = MakeWindow(WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 0, 60, 60);
    Made.push_back(W);
    Pump();
    Click(0, 30, win::MouseAction::Move);
    MSG M;
    ASSERT_TRUE(GetMessageW(&M, {}, 0, 0));
    EXPECT_EQ(M.message, WM_NCMOUSEMOVE);
    EXPECT_EQ(M.wParam, static_cast<WPARAM>(HTBORDER));
    TRACKMOUSEEVENT T{sizeof(T), TME_LEAVE | TME_NONCLIENT, W, HOVER_DEFAULT};
    ASSERT_TRUE(TrackMouseEvent(&T));
    Click(30, 30, win::MouseAction::Move);
    ClearLog();
    Pump();
    EXPECT_EQ(Find(WM_NCMOUSELEAVE).size(), 1u);
    EXPECT_TRUE(Find(WM_MOUSELEAVE).empty());
}

std::atomic<int> TimerCalls{0};
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD)
{
    ++TimerCalls;
}

// A zero interval is a timer like any other: nothing runs before its tick is taken and dispatched.
TEST_F(MessageQueue, Timer_ZeroIntervalStillGoesThroughTheQueue)
{
    const HWND W = Top(0, 0, 50, 50);
    Pump();
    TimerCalls = 0;
    SetTimer(W, 1, 0, CountTick);
    EXPECT_EQ(TimerCalls, 0);
    MSG M;
    ASSERT_TRUE(GetMessageW(&M, W, WM_TIMER, WM_TIMER));
    EXPECT_EQ(M.wParam, 1u);
    EXPECT_EQ(TimerCalls, 0);
    DispatchMessageW(&M);
    EXPECT_EQ(TimerCalls, 1);
    KillTimer(W, 1);
}

TEST_F(MessageQueue, ThreadTimer_GetsAnIdAndDispatchCallsItsProcedure)
{
    TimerCalls = 0;
    const UINT_PTR Id = SetTimer({}, 0, 10, CountTick);
    ASSERT_NE(Id, 0u);
    MSG M;
    ASSERT_TRUE(GetMessageW(&M, {}, WM_TIMER, WM_TIMER));
    EXPECT_EQ(M.hwnd, HWND{});
    EXPECT_EQ(M.wParam, Id);
    DispatchMessageW(&M);
    EXPECT_EQ(TimerCalls, 1);
    EXPECT_TRUE(KillTimer({}, Id));
    EXPECT_FALSE(KillTimer({}, Id));
}

// A thread without Qt has a queue too: it blocks without polling and wakes for
// a message posted to it.
TEST_F(MessageQueue, WorkerThreadQueue_WaitsAndWakes)
{
    std::atomic<DWORD> WorkerId{0};
    std::atomic<WPARAM> Got{0};
    std::thread Worker([&] {
        MSG M;
        PeekMessageW(&M, {}, 0, 0, PM_NOREMOVE); // makes the queue, as on Win32
        WorkerId = GetCurrentThreadId();
        while (GetMessageW(&M, {}, 0, 0))
            if (M.message == WM_USER + 1) Got = M.wParam;
    });
    while (!WorkerId)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(PostThreadMessageW(WorkerId, WM_USER + 1, 77, 0));
    EXPECT_TRUE(PostThreadMessageW(WorkerId, WM_QUIT, 0, 0));
    Worker.join();
    EXPECT_EQ(Got, 77u);
    EXPECT_FALSE(PostThreadMessageW(WorkerId, WM_USER, 0, 0)) << "its queue ended with it";
}

TEST_F(MessageQueue, PointerMoves_NotYetReadMergeIntoTheLatest)
{
    const HWND W = Top(0, 0, 100, 100);
    Pump();
    for (int X = 10; X <= 30; X += 10)
        Click(X, 5, win::MouseAction::Move);
    Click(40, 5);
    Click(50, 5, win::MouseAction::Move);
    MSG M;
    ASSERT_TRUE(PeekMessageW(&M, {}, 0, 0, PM_REMOVE));
    EXPECT_EQ(M.message, WM_MOUSEMOVE);
    EXPECT_EQ(GET_X_LPARAM(M.lParam), 30);
    ASSERT_TRUE(PeekMessageW(&M, {}, 0, 0, PM_REMOVE));
    EXPECT_EQ(M.message, WM_LBUTTONDOWN) << "a press is never merged away";
    ASSERT_TRUE(PeekMessageW(&M, {}, 0, 0, PM_REMOVE));
    EXPECT_EQ(GET_X_LPARAM(M.lParam), 50);
    (void)W;
}

} // namespace
