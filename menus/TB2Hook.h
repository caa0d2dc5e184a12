#pragma once
// Window hooks shared by the library: any number of procedures ride on one
// hook of each kind per thread, installed while someone needs it.

#include "platform/rtl/Classes.h"
#include "platform/win/WinTypes.h"

enum THookProcCode { hpSendActivateApp, hpSendWindowPosChanged, hpPreDestroy, hpGetMessage };
using THookProcCodes = Set<THookProcCode>;
// (Code, Wnd, WParam, LParam): the target window for sent messages, the window
// being destroyed, or no window and the retrieved message for hpGetMessage.
using THookProc = void (*)(THookProcCode Code, HWND Wnd, WPARAM WParam, LPARAM LParam);

// Registers Proc (counted); unless OnlyRegister, also holds the hooks its codes need.
void InstallHookProc(THookProc Proc, THookProcCodes Codes, bool OnlyRegister = false);
void UninstallHookProc(THookProc Proc);
// Whether the thread's hook serving Code is installed, for tests.
bool HookInstalledFor(THookProcCode Code);
