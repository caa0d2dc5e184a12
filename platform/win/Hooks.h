#pragma once
// Per-thread window hooks. Internal to the platform layer.

#include "platform/win/WinUser.h"

namespace win
{

bool HasHooks(int IdHook);
// Runs the thread's WH_CALLWNDPROC chain for a sent message.
void RunCallWndProcHooks(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
// Runs the WH_CBT chain; a non-zero result forbids the operation.
LRESULT RunCbtHooks(int Code, WPARAM WParam, LPARAM LParam);
// Runs the WH_GETMESSAGE chain on a message being retrieved; hooks may change it.
void RunGetMessageHooks(WPARAM RemoveFlag, LPARAM Msg);

} // namespace win
