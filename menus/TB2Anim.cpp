#include "menus/TB2Anim.h"

#include "menus/TB2Common.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

namespace
{

// One animation at a time. The GUI thread sets everything up before the worker
// starts and tears it down after the worker has been joined; while it runs, the
// worker touches only the atomics.
struct Animation {
    HWND Wnd{};
    int Time = 0;
    bool Fade = false;
    TTBAnimationDirection Direction;
    RECT ClientScreen{};
    SIZE Size{};
    HDC WindowDC{};
    HDC SnapshotDC{};
    HBITMAP Snapshot{};
    HGDIOBJ OldBitmap{};
    std::thread Worker;
    std::atomic<int> Level{0};
    std::atomic<bool> EndRequest{false};
    std::atomic<bool> Finished{false};
    std::atomic<bool> StepPending{false};
    std::atomic<LPARAM> Id{0};
};

Animation &Current()
{
    static Animation State;
    return State;
}

std::atomic<long long> CursorPos{0};

long long PackPoint(POINT P)
{
    return (static_cast<long long>(P.x) << 32) | static_cast<unsigned>(P.y);
}

POINT UnpackPoint(long long V)
{
    return POINT{static_cast<LONG>(V >> 32), static_cast<LONG>(static_cast<int>(V & 0xFFFFFFFF))};
}

void RunWorker(Animation &A, HWND Wnd, int Time, LPARAM Id, long long LastCursor)
{
    using Clock = std::chrono::steady_clock;
    const auto Start = Clock::now();
    while (!A.EndRequest.load()) {
        const int Elapsed = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - Start).count());
        const int Exact = MulDiv(255, Elapsed, Time);
        const int Target = Exact & ~15;
        if (Target < 0 || Target >= 255 || Elapsed >= Time) break;
        const long long Cursor = CursorPos.load();
        if (Cursor != LastCursor) {
            LastCursor = Cursor;
            const POINT P = UnpackPoint(Cursor);
            const RECT &R = A.ClientScreen;
            if (P.x >= R.left && P.x < R.right && P.y >= R.top && P.y < R.bottom) break;
        }
        if (Target > A.Level.load()) {
            A.Level.store(Target);
            if (!A.StepPending.exchange(true)) PostMessageW(Wnd, WM_TB2K_ANIMATIONSTEP, 0, Id);
        } else {
            const int Wait = std::max(MulDiv(A.Level.load() + 16 - Exact, Time, 255), 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(Wait));
        }
    }
    A.Finished.store(true);
    PostMessageW(Wnd, WM_TB2K_ANIMATIONSTEP, 0, Id);
}

void ShowLevel(Animation &A)
{
    const int Level = A.Level.load();
    if (A.Fade) {
        SetLayeredWindowAttributes(A.Wnd, 0, static_cast<BYTE>(Level), LWA_ALPHA);
        return;
    }
    const int W = A.Size.cx, H = A.Size.cy;
    int Dx = 0, Dy = 0;
    if (A.Direction.Contains(tbadDown)) Dy = MulDiv(H, Level, 255) - H;
    if (A.Direction.Contains(tbadUp)) Dy = H - MulDiv(H, Level, 255);
    if (A.Direction.Contains(tbadRight)) Dx = MulDiv(W, Level, 255) - W;
    if (A.Direction.Contains(tbadLeft)) Dx = W - MulDiv(W, Level, 255);
    SetWindowRgn(A.Wnd, CreateRectRgn(Dx, Dy, W + Dx, H + Dy), FALSE);
    BitBlt(A.WindowDC, Dx, Dy, W, H, A.SnapshotDC, 0, 0, SRCCOPY);
}

void Finish(Animation &A)
{
    if (A.Fade)
        SetWindowLongW(A.Wnd, GWL_EXSTYLE, GetWindowLongW(A.Wnd, GWL_EXSTYLE) & ~WS_EX_LAYERED);
    else
        SetWindowRgn(A.Wnd, HRGN{}, FALSE);
    BitBlt(A.WindowDC, 0, 0, A.Size.cx, A.Size.cy, A.SnapshotDC, 0, 0, SRCCOPY);
    SelectObject(A.SnapshotDC, A.OldBitmap);
    DeleteObject(A.Snapshot);
    DeleteDC(A.SnapshotDC);
    ReleaseDC(A.Wnd, A.WindowDC);
    const HWND Wnd = std::exchange(A.Wnd, HWND{});
    A.Snapshot = {};
    A.SnapshotDC = A.WindowDC = {};
    SendNotifyMessageW(Wnd, WM_TB2K_ANIMATIONENDED, 0, 0);
}

} // namespace

void TBNoteCursorPos(POINT Screen)
{
    CursorPos.store(PackPoint(Screen));
}

int TBAnimationLevel()
{
    return Current().Level.load();
}

bool TBAnimationRunning()
{
    return Current().Worker.joinable();
}

void TBStartAnimation(HWND Wnd, int Time, bool Fade, TTBAnimationDirection Direction)
{
    TBEndAnimation(HWND{});
    Animation &A = Current();
    A.Wnd = Wnd;
    A.Time = std::max(Time, 1);
    A.Fade = Fade;
    A.Direction = Direction;
    A.Level = 0;
    A.EndRequest = false;
    A.Finished = false;
    A.StepPending = false;
    POINT Cursor{};
    GetCursorPos(&Cursor);
    TBNoteCursorPos(Cursor);
    GetClientRect(Wnd, &A.ClientScreen);
    MapWindowPoints(Wnd, {}, reinterpret_cast<POINT *>(&A.ClientScreen), 2);
    RECT Window{};
    GetWindowRect(Wnd, &Window);
    A.Size = SIZE{Window.right - Window.left, Window.bottom - Window.top};
    A.WindowDC = GetDCEx(Wnd, HRGN{}, DCX_WINDOW | DCX_CACHE);
    A.SnapshotDC = CreateCompatibleDC(A.WindowDC);
    A.Snapshot = CreateCompatibleBitmap(A.WindowDC, A.Size.cx, A.Size.cy);
    A.OldBitmap = SelectObject(A.SnapshotDC, A.Snapshot);
    SendMessageW(Wnd, WM_PRINT, reinterpret_cast<WPARAM>(A.SnapshotDC),
                 PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    // The snapshot is the picture now; the steps draw it, not WM_PAINT.
    RedrawWindow(Wnd, nullptr, HRGN{}, RDW_VALIDATE | RDW_NOFRAME | RDW_NOCHILDREN);
    if (Fade) {
        SetWindowLongW(Wnd, GWL_EXSTYLE, GetWindowLongW(Wnd, GWL_EXSTYLE) | WS_EX_LAYERED);
        A.Level = 32;
        SetLayeredWindowAttributes(Wnd, 0, 32, LWA_ALPHA);
        BitBlt(A.WindowDC, 0, 0, A.Size.cx, A.Size.cy, A.SnapshotDC, 0, 0, SRCCOPY);
    } else {
        SetWindowRgn(Wnd, CreateRectRgn(0, 0, 0, 0), FALSE);
    }
    SetWindowPos(Wnd, {}, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE |
                     SWP_SHOWWINDOW | SWP_NOOWNERZORDER | SWP_ASYNCWINDOWPOS);
    const LPARAM Id = A.Id.load() + 1;
    A.Id.store(Id);
    try {
        A.Worker = std::thread(RunWorker, std::ref(A), Wnd, A.Time, Id, PackPoint(Cursor));
    } catch (const std::system_error &) {
        Finish(A);
    }
}

void TBStepAnimation(TMessage &Message)
{
    Animation &A = Current();
    if (!A.Worker.joinable() || Message.LParam != A.Id.load()) return;
    if (A.Finished.load()) {
        TBEndAnimation(A.Wnd);
        return;
    }
    ShowLevel(A);
    A.StepPending.store(false);
}

void TBEndAnimation(HWND Wnd)
{
    Animation &A = Current();
    // Only a running worker is ended: the snapshot's own erase and paint come before it.
    if (!A.Worker.joinable() || (Wnd && Wnd != A.Wnd)) return;
    A.EndRequest.store(true);
    if (A.Worker.joinable()) A.Worker.join();
    Finish(A);
}
