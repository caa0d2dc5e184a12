#pragma once

// Forms, the application object with its message loop and exception box, and
// the screen.

#include "platform/vcl/Controls.h"

#include <map>
#include <memory>

class QApplication;
class QTranslator;

namespace vcl
{
class TEndSignalWatch;
class TCommitHold;
} // namespace vcl

// Message box flags and answers beyond the ones the window manager declares.
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFMASK = 0x00000F00;
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = Set<TBorderIcon>;
using TFormBorderStyle = TBorderStyle;
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = Set<TFormStateItem>;

using TCloseEvent = std::function<void(TObject *Sender, TCloseAction &Action)>;
using TCloseQueryEvent = std::function<void(TObject *Sender, bool &CanClose)>;

// ---- Scrolling controls -------------------------------------------------------------------

enum TScrollBarKind { sbHorizontal, sbVertical };
class TScrollingWinControl;

// The scroll range and position of one direction of a scrolling control; moving
// the position moves the children the other way.
class TControlScrollBar : public TPersistent
{
    QRV4_CLASS(TControlScrollBar, TPersistent)

public:
    TControlScrollBar(TScrollingWinControl *AControl, TScrollBarKind AKind);
    TControlScrollBar() = delete;

    TScrollBarKind Kind() const { return FKind; }
    int Position() const { return FPosition; }
    // Kept within 0 .. the part of Range that does not fit the control.
    void SetPosition(int Value);
    int Range() const { return FRange; }
    void SetRange(int Value);
    int Increment() const { return FIncrement; }
    void SetIncrement(int Value) { FIncrement = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    // The part of the range that does not fit: how far the position may go.
    int MaxPosition() const;

private:
    TScrollingWinControl *FControl;
    TScrollBarKind FKind;
    int FPosition = 0;
    int FRange = 0;
    int FIncrement = 8;
    bool FVisible = true;
};

class TScrollingWinControl : public TWinControl
{
    QRV4_CLASS(TScrollingWinControl, TWinControl)

public:
    explicit TScrollingWinControl(TComponent *AOwner);
    ~TScrollingWinControl() override;

    TControlScrollBar *HorzScrollBar() const { return FHorzScrollBar.get(); }
    TControlScrollBar *VertScrollBar() const { return FVertScrollBar.get(); }
    // Moves the children by the given distances.
    void ScrollBy(int DeltaX, int DeltaY);

private:
    std::unique_ptr<TControlScrollBar> FHorzScrollBar;
    std::unique_ptr<TControlScrollBar> FVertScrollBar;
};

class TCustomForm : public TWinControl
{
    QRV4_CLASS(TCustomForm, TWinControl)

public:
    explicit TCustomForm(TComponent *AOwner);
    ~TCustomForm() override;
    // Raises OnCreate; TApplication::CreateForm calls it once the form is built.
    virtual void AfterConstruction();
    // Raises OnDestroy while the derived form is still whole; the owner and
    // Release call it before freeing the form.
    virtual void BeforeDestruction();

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value);
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool Value) { FKeyPreview = Value; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    TWinControl *ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl *Control);
    TFormState FormState() const { return FFormState; }
    bool Active() const { return FActive; }
    TCanvas *Canvas() const { return FCanvas.get(); }
    TRect ClientRect() override;

    void Show();
    void Hide();
    // Runs its own message loop until ModalResult is set; returns it.
    virtual int ShowModal();
    void Close();
    virtual bool CloseQuery();
    // Frees the form once the messages already queued are handled.
    void Release();
    void BringToFront();
    // Lets the form and its visible controls update their actions.
    void UpdateActions();

    // Focus bookkeeping of the controls on the form.
    void FocusControl(TWinControl *Control);
    bool SetFocusedControl(TWinControl *Control);
    // Removing: the control leaves the form. Otherwise it is only disabled, and the focus
    // it held comes back when it is enabled before another control took the focus.
    void DefocusControl(TWinControl *Control, bool Removing);
    void ControlEnabled(TWinControl *Control);
    void SendCancelMode(TControl *Sender);

    void WndProc(TMessage &Message) override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnPaint;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

protected:
    void CreateParams(TCreateParams &Params) override;
    void CreateWnd() override;
    void PaintWindow(HDC DC) override;
    void UpdateControlState() override;
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction &Action);
    virtual void Activate();
    virtual void Deactivate();
    virtual void Paint();
    void CloseModal();

private:
    void ShowingChanged();
    void PlaceOnScreen();
    void SetWindowFocus();
    void HandleActivation(WPARAM State);
    // While a modal run lasts the form is owned by Caller, the window it was called from, so
    // that it stays above that window; gives the owner it had before.
    HWND TakeCallerAsOwner(HWND Caller);

    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons{biSystemMenu, biMinimize, biMaximize};
    TPosition FPosition = poDesigned;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
    bool FKeyPreview = false;
    TModalResult FModalResult = mrNone;
    TWinControl *FActiveControl = nullptr;
    TWinControl *FFocusedControl = nullptr;
    TWinControl *FDisabledFocus = nullptr;
    TFormState FFormState;
    bool FActive = false;
    bool FDestroyRaised = false;
    bool FPlaced = false;
    std::unique_ptr<TCanvas> FCanvas;
};

class TForm : public TCustomForm
{
    QRV4_CLASS(TForm, TCustomForm)

public:
    explicit TForm(TComponent *AOwner) : TCustomForm(AOwner) {}
};

// The tool window a dock control floats in. It holds that one control and
// frees itself once the control leaves (docked elsewhere, moved or freed).
class TCustomDockForm : public TCustomForm
{
    QRV4_CLASS(TCustomDockForm, TCustomForm)

public:
    explicit TCustomDockForm(TComponent *AOwner);
    void WndProc(TMessage &Message) override;
};

using TFormClass = TClass;

// A container that owns non-visual components, as a form owns its controls.
class TDataModule : public TComponent
{
    QRV4_CLASS(TDataModule, TComponent)

public:
    explicit TDataModule(TComponent *AOwner) : TComponent(AOwner) {}
};

// ---- Screen -----------------------------------------------------------------------------

class TScreen : public TComponent
{
    QRV4_CLASS(TScreen, TComponent)

public:
    explicit TScreen(TComponent *AOwner);
    ~TScreen() override;

    // A plain value, not a stack: setting crDefault gives every control its own again.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    HCURSOR Cursors(TCursor Index) const;
    void SetCursors(TCursor Index, HCURSOR Value);
    int PixelsPerInch() const { return 96; }
    int Width() const;
    int Height() const;
    TRect WorkAreaRect() const;
    int MonitorCount() const;
    // Font families installed, in cp1251, sorted.
    TStrings *Fonts();
    TCustomForm *ActiveForm() const { return FActiveForm; }
    int FormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm *Forms(int Index) const { return FForms.at(Index); }

    TNotifyEvent OnActiveFormChange;

    // Bookkeeping by the forms themselves.
    void AddForm(TCustomForm *Form);
    void RemoveForm(TCustomForm *Form);
    void SetActiveForm(TCustomForm *Form);

private:
    TCursor FCursor = crDefault;
    std::map<TCursor, HCURSOR> FCursors;
    std::unique_ptr<TStringList> FFonts;
    std::vector<TCustomForm *> FForms;
    TCustomForm *FActiveForm = nullptr;
};

// ---- Hints -------------------------------------------------------------------------------

// What a control is asked before its hint shows (CM_HINTSHOW, LParam points here).
// The application fills in its defaults; the control may change any of them, and a
// non-zero result means no hint. CursorRect and CursorPos are in the control's
// client coordinates, HintPos on the screen.
struct THintInfo {
    TControl *HintControl = nullptr;
    TPoint HintPos;
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    // While the mouse stays inside, the hint stays; leaving it asks again.
    TRect CursorRect;
    TPoint CursorPos;
    // Milliseconds after which the control is asked again; 0 for never.
    int ReshowTimeout = 0;
    // Milliseconds the hint stays shown; 0 for until the mouse leaves.
    int HideTimeout = 0;
    AnsiString HintStr;
};

// The small window that shows a control's hint near the mouse.
class THintWindow : public TCustomControl
{
    QRV4_CLASS(THintWindow, TCustomControl)

public:
    explicit THintWindow(TComponent *AOwner);
    // Shows Hint with its top-left at At, sized to the text wrapped at MaxWidth.
    virtual void ActivateHint(TPoint At, const AnsiString &Hint, int MaxWidth);
    void ReleaseHandle();
    bool Shown() const { return Visible() && HandleAllocated(); }
    void WndProc(TMessage &Message) override;

protected:
    void CreateParams(TCreateParams &Params) override;
    void Paint() override;
};

// ---- Application ---------------------------------------------------------------------------

using TExceptionEvent = std::function<void(TObject *Sender, Exception &E)>;
using TIdleEvent = std::function<void(TObject *Sender, bool &Done)>;
using TMessageEvent = std::function<void(MSG &Msg, bool &Handled)>;
// Sees the application window's messages first; true when it handled one.
using TWindowHook = std::function<bool(TMessage &Message)>;
// Answers a help request; true when it was shown.
using THelpEvent = std::function<bool(WORD Command, NativeInt Data, bool &CallHelp)>;

class TApplication : public TComponent
{
    QRV4_CLASS(TApplication, TComponent)

public:
    explicit TApplication(TComponent *AOwner);
    ~TApplication() override;

    // Makes the Qt application when the program has none yet.
    void Initialize();
    // Creates a form owned by the application; the first becomes the main form.
    template <class T> void CreateForm(T *&Reference)
    {
        Reference = new T(this);
        if (!FMainForm) FMainForm = Reference;
        Reference->AfterConstruction();
    }
    // Shows the main form and runs the message loop until Terminate.
    void Run();
    // Raises every form's OnDestroy, then frees what the application owns.
    void DestroyForms();
    void ProcessMessages();
    void HandleMessage();
    // The keys' way before dispatch, as the loop takes them: a drag's keys, then the focused
    // control's and its form's (Tab, arrows, Enter, Escape); true when one took the message.
    bool IsKeyMessage(MSG &Msg);
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // From now on the end of the session ends the program as its main form's close does: a
    // signal of it (see vcl::TEndSignalWatch) ends every modal loop and closes the main form
    // without asking anyone, SessionEnding() saying so meanwhile. When the display goes away,
    // Qt ends the process at once: OnDisplayLost runs first, if the message loop runs.
    void EndWithSession();
    bool SessionEnding() const { return FSessionEnding; }
    // From the start of that close on: the close saves what the program keeps, and nothing
    // may reach the device or the files after it (see vcl::TModalWait).
    bool ClosedBySession() const { return FClosedBySession; }
    // Where a result that cannot be taken back goes out (a print job handed to its queue): under
    // a vcl::TCommitHold, the session's end that comes from here on waits for the hold's end.
    void Committing();
    // Called inside a catch block: gives what escaped to OnException or the box.
    void HandleException(TObject *Sender);
    void ShowException(Exception &E);
    int MessageBox(const AnsiString &Text, const AnsiString &Caption, UINT Flags = MB_OK);
    // Every shown form of the program goes down together, and comes back together.
    void Minimize();
    void Restore();
    bool Minimized() const { return FMinimized; }
    void BringToFront();
    // Hides the hint shown or stops the one waiting; the next move of the mouse
    // over a control that shows hints starts the pause again.
    void CancelHint();
    // A control that follows the mouse itself (a menu holding the capture) hands
    // its mouse messages here, in its client coordinates: a move asks the control
    // for its hint after the pause, a button cancels it.
    void HintMouseMessage(TControl *Control, TMessage &Message);
    // A control whose hint follows what it shows calls this when that changes: the hint it
    // shows is asked for again, so an old text is not left on the screen.
    void RefreshHint(TControl *Control);
    int HintPause() const { return FHintPause; }
    void SetHintPause(int Value) { FHintPause = Value; }
    int HintHidePause() const { return FHintHidePause; }
    void SetHintHidePause(int Value) { FHintHidePause = Value; }
    THintWindow *HintWindow() const { return FHintWindow.get(); }
    void ForgetHintControl(TControl *Control);

    TCustomForm *MainForm() const { return FMainForm; }
    // A form going away stops being the main form.
    void FormDestroying(TCustomForm *Form);
    HWND Handle();
    // Hooks on the application window, which gets the key-down (CM_APPKEYDOWN)
    // and system-command (CM_APPSYSCOMMAND) notices; registered under a key.
    void HookMainWindow(const void *Key, TWindowHook Hook);
    void UnhookMainWindow(const void *Key);
    const AnsiString &Title() const { return FTitle; }
    // The title is also the name the desktop shows for the program.
    void SetTitle(const AnsiString &Value);
    AnsiString ExeName() const;
    const AnsiString &Hint() const { return FHint; }
    void SetHint(const AnsiString &Value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value) { FShowHint = Value; }
    bool ShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool Value) { FShowMainForm = Value; }
    // Hints of items with an action add the action's shortcut: "Open (Ctrl+O)".
    bool HintShortCuts() const { return FHintShortCuts; }
    void SetHintShortCuts(bool Value) { FHintShortCuts = Value; }
    bool Active() const;
    // There is no help viewer: OnHelp is the only one to show help, and its
    // answer is the result (false without a handler).
    bool HelpCommand(int Command, NativeInt Data);
    bool HelpContext(int Context);

    TExceptionEvent OnException;
    THelpEvent OnHelp;
    TIdleEvent OnIdle;
    TMessageEvent OnMessage;
    TNotifyEvent OnHint;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    // There is no display then: it may touch no window.
    TNotifyEvent OnDisplayLost;

private:
    bool ProcessMessage(MSG &Msg);
    void Idle();
    void DoMouseIdle(const TPoint &Pos);
    bool IsHintWindow(const TControl *Control) const;
    void FollowHintText(TControl *Control);
    void HintMouseMove(TControl *Control, const TPoint &Pos, bool Wanted);
    void CancelHintAt(const TPoint &Pos);
    void StartHintPause();
    void AskHint();
    void HideHintWindow();
    void HintTimerExpired(UINT_PTR Timer);
    void ApplicationMessage(TMessage &Message);
    void EndSession();
    void DisplayLost();
    friend class vcl::TCommitHold;
    void CommitEnded();

    TCustomForm *FMainForm = nullptr;
    HWND FHandle{};
    AnsiString FTitle;
    AnsiString FHint;
    bool FShowHint = true;
    bool FShowMainForm = true;
    bool FHintShortCuts = true;
    bool FTerminated = false;
    bool FRunning = false;
    bool FSessionEnding = false;
    bool FClosedBySession = false;
    int FCommitHolds = 0;
    bool FCommitting = false;
    bool FEndAfterCommit = false;
    bool FMinimized = false;
    std::unique_ptr<QApplication> FQtApplication;
    std::unique_ptr<QTranslator> FQtTranslations;
    // Goes before the Qt application it needs.
    std::unique_ptr<vcl::TEndSignalWatch> FEndSignals;
    std::unique_ptr<THintWindow> FHintWindow;
    // The control whose long hint Hint holds: changed only when another is under the mouse.
    TControl *FHintTextControl = nullptr;
    // The control the hint machinery follows, and where it stands with it.
    TControl *FHintControl = nullptr;
    enum class THintStage { Idle, Pausing, Asked };
    THintStage FHintStage = THintStage::Idle;
    // The asked control's CursorRect on the screen.
    TRect FHintCursorRect;
    TPoint FHintMousePos;
    std::vector<std::pair<const void *, TWindowHook>> FWindowHooks;
    int FHintPause = 500;
    int FHintHidePause = 2500;
};

// Made at start-up, freed by DoneApplication (the application frees its forms first).
extern TApplication *Application;
extern TScreen *Screen;

// Frees the application, its forms and windows, the Qt application and the
// screen. The program calls it before it returns: nothing of Qt may be left for
// the process's exit, when Qt's own globals go.
void DoneApplication();

// "Text|Long text" hints.
AnsiString GetShortHint(const AnsiString &Hint);
AnsiString GetLongHint(const AnsiString &Hint);

namespace vcl
{

// Taken by a modal loop as it starts, or by any run that handles the program's messages while
// its caller waits on it (a report's preparation or print). The session's end closes the program
// from inside the loop, and whoever waits on its answer would go on after the close's save, to
// the device or to the files: Ended() raises EAbort then, the silent exception, so the caller
// stops as if nothing had been asked. A loop that starts after the close has nothing left to stop.
class TModalWait
{
public:
    TModalWait();
    void Ended() const;

private:
    bool FClosedBefore;
};

// Held by a handler from before it hands over what it cannot take back until the bookkeeping
// that goes with it is kept (a receipt printed, then its number spent): the close may not save
// between the two, or the bookkeeping is lost or written after it. Until the hand-over begins
// (TApplication::Committing) the session's end closes as usual and stops the work beneath it;
// from then on its close runs once the hold ends, from the next message handled.
class TCommitHold
{
public:
    TCommitHold();
    ~TCommitHold();
    TCommitHold(const TCommitHold &) = delete;
    TCommitHold &operator=(const TCommitHold &) = delete;
};

// Qt's own Russian texts, for its file dialogs and edit menus; null when they are not
// installed. The application loads them at start.
std::unique_ptr<QTranslator> QtTranslations();

} // namespace vcl
