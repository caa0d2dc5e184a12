#include "menus/TB2Hook.h"

#include "platform/win/MessageQueue.h"
#include "platform/win/WinUser.h"
#include "tests/vcl/VclTestSupport.h"

#include <vector>

namespace
{

struct Seen {
    char Who;
    THookProcCode Code;
    HWND Wnd;
    UINT Msg;
};

std::vector<Seen> &Log()
{
    static std::vector<Seen> L;
    return L;
}

UINT MessageOf(THookProcCode Code, LPARAM LParam)
{
    return Code == hpGetMessage ? reinterpret_cast<const MSG *>(LParam)->message : 0;
}

void ProcA(THookProcCode Code, HWND Wnd, WPARAM, LPARAM LParam)
{
    Log().push_back({'A', Code, Wnd, MessageOf(Code, LParam)});
}

void ProcB(THookProcCode Code, HWND Wnd, WPARAM, LPARAM LParam)
{
    Log().push_back({'B', Code, Wnd, MessageOf(Code, LParam)});
}

constexpr UINT VoidedMessage = WM_USER + 77;

void VoidingProc(THookProcCode, HWND, WPARAM, LPARAM LParam)
{
    auto *M = reinterpret_cast<MSG *>(LParam);
    if (M->message == VoidedMessage) M->message = WM_NULL;
}

void ThrowingProc(THookProcCode, HWND, WPARAM, LPARAM)
{
    throw Exception("hook procedure failed");
}

int RawHookCalls = 0;

LRESULT CALLBACK RawGetMessageHook(int Code, WPARAM WParam, LPARAM LParam)
{
    ++RawHookCalls;
    return CallNextHookEx({}, Code, WParam, LParam);
}

bool Retrieve(UINT Msg)
{
    PostThreadMessageW(GetCurrentThreadId(), Msg, 0, 0);
    MSG M{};
    while (PeekMessageW(&M, {}, 0, 0, PM_REMOVE))
        if (M.message == Msg) return true;
    return false;
}

class Hooks : public vcltest::VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        Log().clear();
    }
    std::vector<char> WhoSaw(THookProcCode Code, UINT Msg = 0) const
    {
        std::vector<char> Who;
        for (const Seen &S : Log())
            if (S.Code == Code && (Code != hpGetMessage || S.Msg == Msg)) Who.push_back(S.Who);
        return Who;
    }
};

TEST_F(Hooks, ProcedureInstalledTwiceNeedsTwoUninstalls)
{
    InstallHookProc(ProcA, {hpGetMessage});
    InstallHookProc(ProcA, {hpGetMessage});
    EXPECT_TRUE(HookInstalledFor(hpGetMessage));
    UninstallHookProc(ProcA);
    EXPECT_TRUE(HookInstalledFor(hpGetMessage));
    Retrieve(WM_USER + 1);
    EXPECT_EQ(WhoSaw(hpGetMessage, WM_USER + 1), std::vector<char>{'A'});
    UninstallHookProc(ProcA);
    EXPECT_FALSE(HookInstalledFor(hpGetMessage));
    Log().clear();
    Retrieve(WM_USER + 1);
    EXPECT_TRUE(Log().empty());
}

TEST_F(Hooks, ProceduresShareOneHookAndAreCalledInRegistrationOrder)
{
    InstallHookProc(ProcB, {hpGetMessage, hpPreDestroy});
    InstallHookProc(ProcA, {hpGetMessage});
    Retrieve(WM_USER + 2);
    EXPECT_EQ(WhoSaw(hpGetMessage, WM_USER + 2), (std::vector<char>{'B', 'A'}));
    // The hook stays while one of its users is left.
    UninstallHookProc(ProcB);
    EXPECT_TRUE(HookInstalledFor(hpGetMessage));
    EXPECT_FALSE(HookInstalledFor(hpPreDestroy));
    Log().clear();
    Retrieve(WM_USER + 2);
    EXPECT_EQ(WhoSaw(hpGetMessage, WM_USER + 2), std::vector<char>{'A'});
    UninstallHookProc(ProcA);
    EXPECT_FALSE(HookInstalledFor(hpGetMessage));
}

TEST_F(Hooks, EachCodeReachesOnlyTheProceduresAskingForIt)
{
    InstallHookProc(ProcA, {hpSendActivateApp, hpPreDestroy});
    InstallHookProc(ProcB, {hpSendWindowPosChanged});
    TForm *F = ShownForm();
    Log().clear();
    const HWND Wnd = F->Handle();
    SendMessageW(Wnd, WM_ACTIVATEAPP, 1, 0);
    SetWindowPos(Wnd, {}, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // A posted activation notice is no sent message: the hook does not see it.
    PostMessageW(Wnd, WM_ACTIVATEAPP, 0, 0);
    vcltest::Pump();
    EXPECT_EQ(WhoSaw(hpSendActivateApp), std::vector<char>{'A'});
    EXPECT_FALSE(WhoSaw(hpSendWindowPosChanged).empty());
    for (const Seen &S : Log())
        if (S.Code == hpSendWindowPosChanged) {
            EXPECT_EQ(S.Who, 'B');
        }
    Form.reset();
    ASSERT_EQ(WhoSaw(hpPreDestroy), std::vector<char>{'A'});
    EXPECT_EQ(Log().back().Wnd, Wnd);
    UninstallHookProc(ProcA);
    UninstallHookProc(ProcB);
}

TEST_F(Hooks, GetMessageProcedureMayVoidTheMessage)
{
    InstallHookProc(VoidingProc, {hpGetMessage});
    EXPECT_FALSE(Retrieve(VoidedMessage));
    UninstallHookProc(VoidingProc);
    EXPECT_TRUE(Retrieve(VoidedMessage));
}

TEST_F(Hooks, FailingProcedureNeitherStopsTheOthersNorTheChain)
{
    RawHookCalls = 0;
    const HHOOK Raw = SetWindowsHookExW(WH_GETMESSAGE, RawGetMessageHook, {}, GetCurrentThreadId());
    InstallHookProc(ThrowingProc, {hpGetMessage});
    InstallHookProc(ProcA, {hpGetMessage});
    EXPECT_TRUE(Retrieve(WM_USER + 3));
    EXPECT_EQ(WhoSaw(hpGetMessage, WM_USER + 3), std::vector<char>{'A'});
    EXPECT_GE(RawHookCalls, 1);
    UninstallHookProc(ThrowingProc);
    UninstallHookProc(ProcA);
    UnhookWindowsHookEx(Raw);
}

TEST_F(Hooks, OnlyRegisteredProcedureDoesNotTakeOthersHooksAway)
{
    InstallHookProc(ProcA, {hpGetMessage});
    InstallHookProc(ProcB, {hpGetMessage}, true);
    Retrieve(WM_USER + 4);
    // Registered procedures ride on the hooks others hold.
    EXPECT_EQ(WhoSaw(hpGetMessage, WM_USER + 4), (std::vector<char>{'A', 'B'}));
    UninstallHookProc(ProcB);
    EXPECT_TRUE(HookInstalledFor(hpGetMessage));
    UninstallHookProc(ProcA);
    EXPECT_FALSE(HookInstalledFor(hpGetMessage));
}

} // namespace
