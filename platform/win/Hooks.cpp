#include "platform/win/Hooks.h"

#include "platform/win/MessageQueue.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace win
{
namespace
{

struct Hook {
    HHOOK Handle;
    int IdHook;
    HOOKPROC Proc;
};

// Hooks are per thread, newest first, as Win32 calls them.
thread_local std::vector<Hook> Hooks;
std::atomic<std::uintptr_t> NextHookId{1};

LRESULT CallFrom(std::vector<Hook>::const_iterator From, int IdHook, int Code, WPARAM WParam,
                 LPARAM LParam)
{
    auto It = std::find_if(From, std::vector<Hook>::const_iterator(Hooks.end()),
                           [&](const Hook &H) { return H.IdHook == IdHook; });
    return It == Hooks.end() ? 0 : It->Proc(Code, WParam, LParam);
}

LRESULT RunChain(int IdHook, int Code, WPARAM WParam, LPARAM LParam)
{
    return CallFrom(Hooks.begin(), IdHook, Code, WParam, LParam);
}

} // namespace

bool HasHooks(int IdHook)
{
    return std::any_of(Hooks.begin(), Hooks.end(),
                       [&](const Hook &H) { return H.IdHook == IdHook; });
}

void RunCallWndProcHooks(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (!HasHooks(WH_CALLWNDPROC)) return;
    CWPSTRUCT Data{LParam, WParam, Msg, Wnd};
    RunChain(WH_CALLWNDPROC, HC_ACTION, 0, reinterpret_cast<LPARAM>(&Data));
}

LRESULT RunCbtHooks(int Code, WPARAM WParam, LPARAM LParam)
{
    return HasHooks(WH_CBT) ? RunChain(WH_CBT, Code, WParam, LParam) : 0;
}

void RunGetMessageHooks(WPARAM RemoveFlag, LPARAM Msg)
{
    if (HasHooks(WH_GETMESSAGE)) RunChain(WH_GETMESSAGE, HC_ACTION, RemoveFlag, Msg);
}

} // namespace win

using namespace win;

HHOOK SetWindowsHookExW(int IdHook, HOOKPROC Proc, HINSTANCE, DWORD)
{
    if (!Proc) return {};
    if (IdHook != WH_CALLWNDPROC && IdHook != WH_CBT && IdHook != WH_GETMESSAGE &&
        IdHook != WH_MSGFILTER)
        return {};
    const HHOOK Handle = HandleFromId<HHOOK>(NextHookId++);
    Hooks.insert(Hooks.begin(), Hook{Handle, IdHook, Proc});
    return Handle;
}

BOOL UnhookWindowsHookEx(HHOOK Handle)
{
    auto It =
        std::find_if(Hooks.begin(), Hooks.end(), [&](const Hook &H) { return H.Handle == Handle; });
    if (It == Hooks.end()) return FALSE;
    Hooks.erase(It);
    return TRUE;
}

LRESULT CallNextHookEx(HHOOK Handle, int Code, WPARAM WParam, LPARAM LParam)
{
    auto It =
        std::find_if(Hooks.begin(), Hooks.end(), [&](const Hook &H) { return H.Handle == Handle; });
    if (It == Hooks.end()) return 0;
    return CallFrom(It + 1, It->IdHook, Code, WParam, LParam);
}

BOOL CallMsgFilterW(LPMSG Msg, int Code)
{
    return HasHooks(WH_MSGFILTER) && RunChain(WH_MSGFILTER, Code, 0, reinterpret_cast<LPARAM>(Msg));
}
