#include "tests/vcl/VclTestSupport.h"

#include "platform/vcl/StdCtrls.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/SysParams.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"

#include <QWindow>

#include <chrono>
#include <cstdio>

namespace vcltest
{

void StartApplication()
{
    static bool started = false;
    if (!started) {
        Application->Initialize();
        Application->SetTitle("QRV-4");
        started = true;
    }
    // Whatever the test before left queued, held or captured (a press it took out of the
    // queue, a release that found its window gone) is no concern of this one.
    win::ForgetInput();
    Pump();
}

void StartProgramEndedBySession()
{
    StartApplication();
    TForm *main = nullptr;
    Application->CreateForm(main);
    main->OnClose = [](TObject *, TCloseAction &) { std::fputs("closed\n", stderr); };
    Application->EndWithSession();
}

void Pump()
{
    Application->ProcessMessages();
}

void PumpFor(int Milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Milliseconds);
    while (std::chrono::steady_clock::now() < end) {
        Application->ProcessMessages();
        win::WaitForQueue(5);
    }
}

bool PumpUntil(const std::function<bool()> &Done, int Milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(Milliseconds);
    while (!Done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        Application->ProcessMessages();
        win::WaitForQueue(5);
    }
    return true;
}

bool OnScreen(TControl *Control)
{
    TCustomForm *Form = GetParentForm(Control);
    if (!Form || !Form->HandleAllocated()) return false;
    const win::Window *W = win::FindWindow(Form->Handle());
    return W && W->Widget && W->Widget->windowHandle() && W->Widget->windowHandle()->isExposed();
}

AnsiString ShownHint()
{
    THintWindow *window = Application->HintWindow();
    return window && window->Shown() ? window->Caption() : AnsiString();
}

TRect WindowRectOf(HWND Wnd)
{
    RECT r{};
    GetWindowRect(Wnd, &r);
    return r;
}

ScreenWatch::ScreenWatch(TWinControl *Window, std::function<bool()> Look)
    : FWindow(Window), FLook(std::move(Look)), FWindowProc(Window->WindowProc)
{
    constexpr UINT LookNow = WM_APP + 43;
    Window->WindowProc = [this](TMessage &Message) {
        if (Message.Msg == LookNow && !FSeen) FSeen = FLook();
        FWindowProc(Message);
    };
    const HWND handle = Window->Handle();
    FUser = std::thread([this, handle] {
        while (!FDone && !FSeen) {
            SendMessageW(handle, LookNow, 0, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        FUserDone = true;
    });
}

ScreenWatch::~ScreenWatch()
{
    FDone = true;
    PumpUntil([this] { return FUserDone.load(); }, 60000);
    FUser.join();
    FWindow->WindowProc = FWindowProc;
}

ShownBox AnswerBox(const std::function<void()> &Show)
{
    ShownBox shown;
    bool seen = false;
    const TNotifyEvent before = Screen->OnActiveFormChange;
    Screen->OnActiveFormChange = [&](TObject *) {
        TCustomForm *box = Screen->ActiveForm();
        if (!box || seen) return;
        seen = true;
        shown.Window = WindowRectOf(box->Handle());
        for (int i = 0; i < box->ControlCount(); ++i) {
            if (auto *button = dynamic_cast<TButton *>(box->Controls(i)))
                shown.Button = WindowRectOf(button->Handle());
            if (auto *label = dynamic_cast<TLabel *>(box->Controls(i)))
                shown.Text = label->Caption();
        }
        box->SetModalResult(mrOk);
    };
    Show();
    Screen->OnActiveFormChange = before;
    return shown;
}

bool Within(const TRect &Inner, const TRect &Outer)
{
    return Inner.Width() > 0 && Inner.Height() > 0 && Inner.Left >= Outer.Left &&
           Inner.Top >= Outer.Top && Inner.Right <= Outer.Right && Inner.Bottom <= Outer.Bottom;
}

TRect WorkAreaOf(HWND Wnd)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoW(MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST), &info);
    return info.rcWork;
}

QuickHints::QuickHints()
{
    Application->SetHintPause(30);
    Application->SetHintHidePause(60000);
}

QuickHints::~QuickHints()
{
    Application->CancelHint();
    Application->SetHintPause(500);
    Application->SetHintHidePause(2500);
}

namespace
{

void Mouse(TControl *Control, int X, int Y, win::MouseAction Action, win::MouseButton Button)
{
    const TPoint p = Control->ClientToScreen(TPoint(X, Y));
    win::InjectMouseInput(win::MouseInput{Action, Button, POINT{p.X, p.Y}});
}

} // namespace

void MouseDown(TControl *Control, int X, int Y, win::MouseButton Button)
{
    Mouse(Control, X, Y, win::MouseAction::Down, Button);
}

void MouseUp(TControl *Control, int X, int Y, win::MouseButton Button)
{
    Mouse(Control, X, Y, win::MouseAction::Up, Button);
}

void MouseMove(TControl *Control, int X, int Y)
{
    Mouse(Control, X, Y, win::MouseAction::Move, win::MouseButton::None);
}

void Click(TControl *Control, int X, int Y)
{
    MouseDown(Control, X, Y);
    MouseUp(Control, X, Y);
}

void KeyDown(int VirtualKey, char Char)
{
    win::KeyInput input;
    input.Down = true;
    input.VirtualKey = VirtualKey;
    input.Char = Char ? rtl::Cp1251ToUnicode(static_cast<unsigned char>(Char)) : 0;
    win::InjectKeyInput(input);
}

void KeyUp(int VirtualKey)
{
    win::KeyInput input;
    input.Down = false;
    input.VirtualKey = VirtualKey;
    win::InjectKeyInput(input);
}

void Key(int VirtualKey, char Char)
{
    KeyDown(VirtualKey, Char);
    KeyUp(VirtualKey);
}

void VclTest::SetUp()
{
    StartApplication();
    FPrevious = vcl::SetDialogService(&Dialogs);
}

void VclTest::TearDown()
{
    Form.reset();
    Pump();
    vcl::SetDialogService(FPrevious);
}

TForm *VclTest::ShownForm(int Width, int Height)
{
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBounds(50, 50, Width, Height);
    Form->SetCaption("Test");
    Form->Show();
    Pump();
    return Form.get();
}

} // namespace vcltest

// fontconfig keeps its caches until the process ends, and the system's D-Bus library, which
// Qt opens on a real display, keeps its connection data: neither is ours to free.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n"
           "leak:libdbus-1.so\n";
}
