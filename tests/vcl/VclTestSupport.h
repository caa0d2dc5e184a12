#pragma once
// Shared setup of the class library's tests: the application object with its Qt
// application (headless unless a display is chosen), input injected through the
// windowing kernel, and scripted answers for dialogs.

#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Forms.h"
#include "platform/win/SysParams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace vcltest
{

// Makes the application once and starts a test from a known input state: nothing queued,
// no key or button held, no capture. Every fixture of a test with windows calls it first.
void StartApplication();
// For a child that the session's end is to close: the application with a main form whose close
// says "closed" on the error stream, the session's signals ending it from now on.
void StartProgramEndedBySession();
// Handles everything queued, without waiting.
void Pump();
// Handles messages for about Milliseconds, waiting for them.
void PumpFor(int Milliseconds);

// Handles messages until Done holds or Milliseconds pass; false when they passed.
bool PumpUntil(const std::function<bool()> &Done, int Milliseconds = 2000);

// Whether the window system shows the top-level window that Control lies in: on a real
// display input reaches a window only once it is exposed; offscreen, once it is shown.
bool OnScreen(TControl *Control);

// The text of the application's hint window while it is up, empty while none is.
AnsiString ShownHint();

// A window's place on the screen, its frame included.
TRect WindowRectOf(HWND Wnd);
// The work area of the screen the window is on: what a maximised window fills.
TRect WorkAreaOf(HWND Wnd);

// The monitors windows are placed on, for a test's length.
struct Monitors {
    explicit Monitors(std::vector<win::Monitor> List) { win::OverrideMonitors(std::move(List)); }
    ~Monitors() { win::OverrideMonitors({}); }
    Monitors(const Monitors &) = delete;
    Monitors &operator=(const Monitors &) = delete;
};

// The visible form of class T on the screen; null while there is none.
template <class T> T *VisibleForm()
{
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (auto *form = dynamic_cast<T *>(Screen->Forms(i)); form && form->Visible()) return form;
    return nullptr;
}

// What a message box showed: its window and its button's on the screen, and its text.
struct ShownBox {
    TRect Window, Button;
    AnsiString Text;
};
// Runs Show, which opens a message box, and answers the box with OK once it is active.
ShownBox AnswerBox(const std::function<void()> &Show);
// Whether Inner is a rectangle of its own that lies within Outer.
bool Within(const TRect &Inner, const TRect &Outer);

// A user who keeps an eye on the screen while the window's thread is busy in a wait that
// handles only the messages sent to its windows: Look runs on Window's thread, through a message
// sent to it again and again, until it has seen what it looks for or the watch ends.
class ScreenWatch
{
public:
    ScreenWatch(TWinControl *Window, std::function<bool()> Look);
    // Handles messages until the last one sent is handled: the thread may wait on it.
    ~ScreenWatch();
    ScreenWatch(const ScreenWatch &) = delete;
    ScreenWatch &operator=(const ScreenWatch &) = delete;

    bool Seen() const { return FSeen; }

private:
    TWinControl *FWindow;
    std::function<bool()> FLook;
    TWndMethod FWindowProc;
    std::atomic<bool> FSeen{false}, FDone{false}, FUserDone{false};
    std::thread FUser;
};

// Short hint pauses for a test's length, the usual ones back after it.
class QuickHints
{
public:
    QuickHints();
    ~QuickHints();
    QuickHints(const QuickHints &) = delete;
    QuickHints &operator=(const QuickHints &) = delete;
};

// Input at a point of a control's client area, through the kernel's queue.
void MouseDown(TControl *Control, int X, int Y, win::MouseButton Button = win::MouseButton::Left);
void MouseUp(TControl *Control, int X, int Y, win::MouseButton Button = win::MouseButton::Left);
void MouseMove(TControl *Control, int X, int Y);
void Click(TControl *Control, int X, int Y);
// A key press and release; Char is what the key types (cp1251), 0 for none.
void Key(int VirtualKey, char Char = 0);
void KeyDown(int VirtualKey, char Char = 0);
void KeyUp(int VirtualKey);

// A test with the application running, a form of its own and scripted dialogs
// installed for its length.
class VclTest : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    // A form shown at a fixed place, freed after the test.
    TForm *ShownForm(int Width = 400, int Height = 300);
    vcl::ScriptedDialogs Dialogs;
    std::unique_ptr<TForm> Form;

private:
    vcl::DialogProvider *FPrevious = nullptr;
};

} // namespace vcltest
