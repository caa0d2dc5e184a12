#include "menus/TB2Hook.h"

#include "platform/win/MessageQueue.h"
#include "platform/win/WinUser.h"

#include <algorithm>
#include <array>
#include <vector>

namespace
{

enum THookType { htCallWndProc, htCBT, htGetMessage };
constexpr std::array<int, 3> HookIds{WH_CALLWNDPROC, WH_CBT, WH_GETMESSAGE};

THookType HookTypeOf(THookProcCode Code)
{
    switch (Code) {
    case hpSendActivateApp:
    case hpSendWindowPosChanged:
        return htCallWndProc;
    case hpPreDestroy:
        return htCBT;
    case hpGetMessage:
        break;
    }
    return htGetMessage;
}

// The hook types a set of codes needs, each once.
std::vector<THookType> HookTypesOf(THookProcCodes Codes)
{
    std::vector<THookType> Types;
    for (THookProcCode Code :
         {hpSendActivateApp, hpSendWindowPosChanged, hpPreDestroy, hpGetMessage})
        if (Codes.Contains(Code) &&
            std::find(Types.begin(), Types.end(), HookTypeOf(Code)) == Types.end())
            Types.push_back(HookTypeOf(Code));
    return Types;
}

struct HookProcRecord {
    THookProc Proc;
    int RefCount;
    THookProcCodes Codes;
    // Installs that took the hooks (not only registered): only these give them back.
    int HookHolds;
};

struct HookSlot {
    HHOOK Handle{};
    int UseCount = 0;
};

// Hooks live on the thread that installed them, so the registry does too.
struct ThreadHooks {
    std::vector<HookProcRecord> Procs;
    std::array<HookSlot, 3> Slots;

    ThreadHooks() = default;
    ThreadHooks(const ThreadHooks &) = delete;
    ThreadHooks &operator=(const ThreadHooks &) = delete;
    ~ThreadHooks()
    {
        for (HookSlot &Slot : Slots)
            if (Slot.Handle) UnhookWindowsHookEx(Slot.Handle);
    }
};

ThreadHooks &Hooks()
{
    thread_local ThreadHooks Instance;
    return Instance;
}

void CallRegistered(THookProcCode Code, HWND Wnd, WPARAM WParam, LPARAM LParam)
{
    // A procedure may install or uninstall others while it runs: walk a copy.
    const std::vector<HookProcRecord> Procs = Hooks().Procs;
    for (const HookProcRecord &R : Procs) {
        if (!R.Codes.Contains(Code)) continue;
        // The event still goes on down the chain whatever one procedure does.
        try {
            R.Proc(Code, Wnd, WParam, LParam);
        } catch (...) {
        }
    }
}

LRESULT CallWndProcHook(int Code, WPARAM WParam, LPARAM LParam)
{
    if (Code == HC_ACTION) {
        const auto *Data = reinterpret_cast<const CWPSTRUCT *>(LParam);
        if (Data->message == WM_ACTIVATEAPP)
            CallRegistered(hpSendActivateApp, Data->hwnd, Data->wParam, Data->lParam);
        else if (Data->message == WM_WINDOWPOSCHANGED)
            CallRegistered(hpSendWindowPosChanged, Data->hwnd, Data->wParam, Data->lParam);
    }
    return CallNextHookEx(Hooks().Slots[htCallWndProc].Handle, Code, WParam, LParam);
}

LRESULT CBTHook(int Code, WPARAM WParam, LPARAM LParam)
{
    if (Code == HCBT_DESTROYWND) CallRegistered(hpPreDestroy, reinterpret_cast<HWND>(WParam), 0, 0);
    return CallNextHookEx(Hooks().Slots[htCBT].Handle, Code, WParam, LParam);
}

LRESULT GetMessageHook(int Code, WPARAM WParam, LPARAM LParam)
{
    if (Code == HC_ACTION) CallRegistered(hpGetMessage, {}, WParam, LParam);
    return CallNextHookEx(Hooks().Slots[htGetMessage].Handle, Code, WParam, LParam);
}

constexpr std::array<HOOKPROC, 3> HookProcs{CallWndProcHook, CBTHook, GetMessageHook};

} // namespace

void InstallHookProc(THookProc Proc, THookProcCodes Codes, bool OnlyRegister)
{
    ThreadHooks &H = Hooks();
    auto It = std::find_if(H.Procs.begin(), H.Procs.end(),
                           [&](const HookProcRecord &R) { return R.Proc == Proc; });
    if (It == H.Procs.end()) It = H.Procs.insert(H.Procs.end(), HookProcRecord{Proc, 0, Codes, 0});
    ++It->RefCount;
    if (OnlyRegister) return;
    ++It->HookHolds;
    for (THookType Type : HookTypesOf(Codes)) {
        HookSlot &Slot = H.Slots[Type];
        ++Slot.UseCount;
        if (!Slot.Handle)
            Slot.Handle =
                SetWindowsHookExW(HookIds[Type], HookProcs[Type], {}, GetCurrentThreadId());
    }
}

void UninstallHookProc(THookProc Proc)
{
    ThreadHooks &H = Hooks();
    auto It = std::find_if(H.Procs.begin(), H.Procs.end(),
                           [&](const HookProcRecord &R) { return R.Proc == Proc; });
    if (It == H.Procs.end()) return;
    const THookProcCodes Codes = It->Codes;
    const bool HeldHooks = It->HookHolds > 0;
    if (HeldHooks) --It->HookHolds;
    if (--It->RefCount == 0) H.Procs.erase(It);
    if (!HeldHooks) return;
    for (THookType Type : HookTypesOf(Codes)) {
        HookSlot &Slot = H.Slots[Type];
        if (Slot.UseCount > 0) --Slot.UseCount;
        if (Slot.UseCount == 0 && Slot.Handle) {
            UnhookWindowsHookEx(Slot.Handle);
            Slot.Handle = {};
        }
    }
}

bool HookInstalledFor(THookProcCode Code)
{
    return Hooks().Slots[HookTypeOf(Code)].Handle != HHOOK{};
}
