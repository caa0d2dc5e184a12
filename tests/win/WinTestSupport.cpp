#include "tests/win/WinTestSupport.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <map>

namespace wintest
{
namespace
{

class QtEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        static int Argc = 1;
        static char Name[] = "qrv4_win_tests";
        static char *Argv[] = {Name, nullptr};
        App = std::make_unique<QApplication>(Argc, Argv);
    }
    void TearDown() override { App.reset(); }

private:
    std::unique_ptr<QApplication> App;
};

[[maybe_unused]] testing::Environment *const Environment =
    testing::AddGlobalTestEnvironment(new QtEnvironment);

std::map<HWND, LRESULT> &Hits()
{
    static std::map<HWND, LRESULT> H;
    return H;
}

LRESULT Record(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    Log().push_back(Received{Wnd, Msg, WParam, LParam});
    if (Msg == WM_NCHITTEST) {
        auto It = Hits().find(Wnd);
        if (It != Hits().end()) return It->second;
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

} // namespace

std::vector<Received> &Log()
{
    static std::vector<Received> L;
    return L;
}

void ClearLog()
{
    Log().clear();
}

std::vector<Received> Find(UINT Msg)
{
    std::vector<Received> Out;
    for (const Received &R : Log())
        if (R.Msg == Msg) Out.push_back(R);
    return Out;
}

const char16_t *RecordingClass()
{
    static const bool Registered = [] {
        WNDCLASSW C{};
        C.style = CS_DBLCLKS;
        C.lpfnWndProc = Record;
        C.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_WINDOW + 1));
        C.lpszClassName = u"QrvRecording";
        return RegisterClassW(&C) != 0;
    }();
    return Registered ? u"QrvRecording" : nullptr;
}

void SetHitAnswer(HWND Wnd, LRESULT Hit)
{
    Hits()[Wnd] = Hit;
}

HWND MakeWindow(DWORD Style, DWORD ExStyle, int X, int Y, int W, int H, HWND Parent)
{
    return CreateWindowExW(ExStyle, RecordingClass(), u"", Style, X, Y, W, H, Parent, {}, {},
                           nullptr);
}

void Pump()
{
    MSG M;
    while (PeekMessageW(&M, {}, 0, 0, PM_REMOVE)) {
        if (M.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(M.wParam));
            return;
        }
        TranslateMessage(&M);
        DispatchMessageW(&M);
    }
}

void WindowTest::SetUp()
{
    Pump();
    ClearLog();
}

void WindowTest::TearDown()
{
    for (HWND W : Made)
        DestroyWindow(W);
    Pump();
    ClearLog();
}

} // namespace wintest
