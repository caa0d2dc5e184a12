#pragma once
// The per-thread message queue: posted messages, raw input, synthesised WM_PAINT
// and WM_TIMER, the quit flag, and the calls that read and dispatch them.

#include "platform/win/WinUser.h"

#include <functional>

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
using LPMSG = MSG *;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;

constexpr DWORD QS_KEY = 0x0001;
constexpr DWORD QS_MOUSEMOVE = 0x0002;
constexpr DWORD QS_MOUSEBUTTON = 0x0004;
constexpr DWORD QS_POSTMESSAGE = 0x0008;
constexpr DWORD QS_TIMER = 0x0010;
constexpr DWORD QS_PAINT = 0x0020;
constexpr DWORD QS_SENDMESSAGE = 0x0040;
constexpr DWORD QS_MOUSE = QS_MOUSEMOVE | QS_MOUSEBUTTON;
constexpr DWORD QS_INPUT = QS_MOUSE | QS_KEY;
constexpr DWORD QS_ALLINPUT = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_SENDMESSAGE;

BOOL GetMessageW(LPMSG Msg, HWND Wnd, UINT FilterMin, UINT FilterMax);
BOOL PeekMessageW(LPMSG Msg, HWND Wnd, UINT FilterMin, UINT FilterMax, UINT RemoveMsg);
BOOL WaitMessage();
BOOL TranslateMessage(const MSG *Msg);
LRESULT DispatchMessageW(const MSG *Msg);
BOOL PostMessageW(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
BOOL PostThreadMessageW(DWORD ThreadId, UINT Msg, WPARAM WParam, LPARAM LParam);
LRESULT SendMessageW(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
BOOL SendNotifyMessageW(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
void PostQuitMessage(int ExitCode);
DWORD GetMessagePos();
LONG GetMessageTime();
DWORD GetQueueStatus(UINT Flags);
LRESULT DefWindowProcW(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

UINT_PTR SetTimer(HWND Wnd, UINT_PTR IdEvent, UINT Elapse, TIMERPROC TimerFunc);
BOOL KillTimer(HWND Wnd, UINT_PTR IdEvent);
DWORD GetTickCount();

#define GetMessage GetMessageW
#define PeekMessage PeekMessageW
#define DispatchMessage DispatchMessageW
#define PostMessage PostMessageW
#define PostThreadMessage PostThreadMessageW
#define SendMessage SendMessageW
#define SendNotifyMessage SendNotifyMessageW
#define DefWindowProc DefWindowProcW

namespace win
{

// Input as the Qt layer or a test hands it to a thread's queue. Positions are in
// screen coordinates; the target window is worked out when the record is read.
enum class MouseAction { Move, Down, Up, DoubleClick, Wheel };
enum class MouseButton { None, Left, Right, Middle };

struct MouseInput {
    MouseAction Action = MouseAction::Move;
    MouseButton Button = MouseButton::None;
    POINT Screen{};
    int WheelDelta = 0;
    DWORD Time = 0; // 0: stamped when queued
};

struct KeyInput {
    bool Down = true;
    int VirtualKey = 0;
    int ScanCode = 0;
    bool Extended = false;
    bool AutoRepeat = false;
    char16_t Char = 0; // the character the key types, for TranslateMessage
    DWORD Time = 0;
};

// Queue input for the calling thread; the GUI's event filter and tests use these.
void InjectMouseInput(const MouseInput &Input);
void InjectKeyInput(const KeyInput &Input);
// Drops the calling thread's queued input unread and lets go of every key and button it holds,
// as after a fresh start; for tests, each of which must begin with nothing held.
void ForgetInput();

// Called on the calling thread whenever its message calls look for work, before
// waiting; the runtime library runs synchronised calls from here. Wake the waiting
// thread with WakeThread.
void SetIdleWork(std::function<void()> Work);
void WakeThread(DWORD ThreadId);

// Waits until the thread's queue has something or Milliseconds pass; returns
// whether anything arrived. For tests and the class library's timed waits.
bool WaitForQueue(DWORD Milliseconds);

} // namespace win
BOOL CallMsgFilterW(LPMSG Msg, int Code);
