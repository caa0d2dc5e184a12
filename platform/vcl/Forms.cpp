#include "platform/vcl/Forms.h"

#include "platform/vcl/Dialogs.h"
#include "platform/vcl/PopupWindow.h"
#include "platform/vcl/SessionEnd.h"
#include "platform/win/Cursor.h"
#include "platform/win/FontFaces.h"
#include "platform/win/Paint.h"
#include "platform/win/QtText.h"
#include "platform/win/SysParams.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <utility>

TApplication *Application = nullptr;
TScreen *Screen = nullptr;

namespace vcl
{

void HandleException(TObject *Sender)
{
    if (Application)
        Application->HandleException(Sender);
    else
        throw;
}

void ForgetHintControl(TControl *Control)
{
    if (Application) Application->ForgetHintControl(Control);
}

namespace
{

std::vector<TCustomForm *> &PendingReleases()
{
    static std::vector<TCustomForm *> forms;
    return forms;
}

// Frees the forms whose Release was handled, once no handler of theirs runs.
void FreeReleasedForms()
{
    while (!PendingReleases().empty()) {
        TCustomForm *form = PendingReleases().back();
        PendingReleases().pop_back();
        form->BeforeDestruction();
        delete form;
    }
}

// The application and screen objects are there before the program's entry runs;
// DoneApplication frees them.
struct FormsUnit {
    FormsUnit()
    {
        Screen = new TScreen(nullptr);
        Application = new TApplication(nullptr);
    }
};
const FormsUnit Unit;

} // namespace
} // namespace vcl

void DoneApplication()
{
    delete Application;
    Application = nullptr;
    delete Screen;
    Screen = nullptr;
}

AnsiString GetShortHint(const AnsiString &Hint)
{
    const int bar = Hint.Pos("|");
    return bar == 0 ? Hint : Hint.SubString(1, bar - 1);
}

AnsiString GetLongHint(const AnsiString &Hint)
{
    const int bar = Hint.Pos("|");
    return bar == 0 ? Hint : Hint.SubString(bar + 1, Hint.Length() - bar);
}

// ---- TControlScrollBar, TScrollingWinControl -----------------------------------------------

TControlScrollBar::TControlScrollBar(TScrollingWinControl *AControl, TScrollBarKind AKind)
    : FControl(AControl), FKind(AKind)
{
}

int TControlScrollBar::MaxPosition() const
{
    int Visible = FKind == sbHorizontal ? FControl->ClientWidth() : FControl->ClientHeight();
    return std::max(FRange - Visible, 0);
}

void TControlScrollBar::SetPosition(int Value)
{
    Value = std::clamp(Value, 0, MaxPosition());
    int Delta = FPosition - Value;
    if (Delta == 0) return;
    FPosition = Value;
    if (FKind == sbHorizontal)
        FControl->ScrollBy(Delta, 0);
    else
        FControl->ScrollBy(0, Delta);
}

void TControlScrollBar::SetRange(int Value)
{
    FRange = std::max(Value, 0);
    SetPosition(FPosition);
}

void TControlScrollBar::SetVisible(bool Value)
{
    FVisible = Value;
    if (!Value) SetPosition(0);
}

TScrollingWinControl::TScrollingWinControl(TComponent *AOwner)
    : TWinControl(AOwner), FHorzScrollBar(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      FVertScrollBar(std::make_unique<TControlScrollBar>(this, sbVertical))
{
    FControlStyle << csAcceptsControls;
}

TScrollingWinControl::~TScrollingWinControl() = default;

void TScrollingWinControl::ScrollBy(int DeltaX, int DeltaY)
{
    for (int I = 0; I < ControlCount(); ++I) {
        TControl *Child = Controls(I);
        Child->SetBounds(Child->Left() + DeltaX, Child->Top() + DeltaY, Child->Width(),
                         Child->Height());
    }
}

// ---- TCustomForm ------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent *AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>())
{
    static_cast<TControlCanvas *>(FCanvas.get())->SetControl(this);
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                     csDoubleClicks};
    SetVisible(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 320, 240);
    if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm()
{
    BeforeDestruction();
    if (Screen) Screen->RemoveForm(this);
    if (Application) Application->FormDestroying(this);
    std::erase(vcl::PendingReleases(), this);
    if (FCanvas) static_cast<TControlCanvas *>(FCanvas.get())->FreeHandle();
}

void TCustomForm::AfterConstruction()
{
    if (OnCreate) OnCreate(this);
}

void TCustomForm::BeforeDestruction()
{
    if (FDestroyRaised) return;
    FDestroyRaised = true;
    if (OnDestroy) OnDestroy(this);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle Value)
{
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value)
{
    if (Value == FBorderIcons) return;
    FBorderIcons = Value;
    RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value)
{
    if (Value == FFormStyle) return;
    FFormStyle = Value;
    if (HandleAllocated())
        SetWindowPos(FHandle, Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetWindowState(TWindowState Value)
{
    FWindowState = Value;
    if (HandleAllocated() && Visible())
        ShowWindow(FHandle, Value == wsMinimized   ? SW_MINIMIZE
                            : Value == wsMaximized ? SW_MAXIMIZE
                                                   : SW_RESTORE);
}

TRect TCustomForm::ClientRect()
{
    HandleNeeded();
    return inherited::ClientRect();
}

void TCustomForm::CreateParams(TCreateParams &Params)
{
    inherited::CreateParams(Params);
    Params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    Params.ExStyle = 0;
    switch (FBorderStyle) {
    case bsNone:
        Params.Style |= WS_POPUP;
        break;
    case bsSingle:
    case bsToolWindow:
        Params.Style |= WS_CAPTION | WS_BORDER;
        break;
    case bsSizeable:
    case bsSizeToolWin:
        Params.Style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        Params.Style |= WS_POPUP | WS_CAPTION;
        Params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    }
    if (FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin)
        Params.ExStyle |= WS_EX_TOOLWINDOW;
    if (FBorderStyle != bsNone && FBorderIcons.Contains(biSystemMenu)) {
        Params.Style |= WS_SYSMENU;
        if (FBorderStyle == bsSingle || FBorderStyle == bsSizeable) {
            if (FBorderIcons.Contains(biMinimize)) Params.Style |= WS_MINIMIZEBOX;
            if (FBorderIcons.Contains(biMaximize)) Params.Style |= WS_MAXIMIZEBOX;
        }
    }
    if (FFormStyle == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
    // A window made anew (its border changed) stays maximised.
    if (FWindowState == wsMaximized) Params.Style |= WS_MAXIMIZE;
    Params.WndParent = {};
    if (Application && Application->MainForm() && Application->MainForm() != this &&
        Application->MainForm()->HandleAllocated())
        Params.WndParent = Application->MainForm()->WindowHandle();
}

void TCustomForm::CreateWnd()
{
    inherited::CreateWnd();
    const WideString caption(FText);
    SetWindowTextW(FHandle, caption.c_bstr());
}

void TCustomForm::UpdateControlState()
{
    if (FParent || !Visible()) return inherited::UpdateControlState();
    // A shown form whose window was made anew is shown again at once, without taking
    // the activation from whoever has it.
    HandleNeeded();
    ShowWindow(FHandle, FWindowState == wsMinimized ? SW_SHOWMINNOACTIVE : SW_SHOWNOACTIVATE);
}

void TCustomForm::PlaceOnScreen()
{
    if (FPlaced) return;
    FPlaced = true;
    TRect area = Screen->WorkAreaRect();
    if (FPosition == poMainFormCenter && Application->MainForm() && Application->MainForm() != this)
        area = Application->MainForm()->BoundsRect();
    if (FPosition == poScreenCenter || FPosition == poDesktopCenter ||
        FPosition == poMainFormCenter || FPosition == poOwnerFormCenter)
        SetBounds(area.Left + (area.Width() - Width()) / 2,
                  area.Top + (area.Height() - Height()) / 2, Width(), Height());
}

void TCustomForm::ShowingChanged()
{
    if (Visible()) {
        HandleNeeded();
        PlaceOnScreen();
        DoShow();
        ShowWindow(FHandle, FWindowState == wsMinimized   ? SW_SHOWMINIMIZED
                            : FWindowState == wsMaximized ? SW_SHOWMAXIMIZED
                                                          : SW_SHOW);
        SetActiveWindow(FHandle);
    } else if (FHandle) {
        DoHide();
        ShowWindow(FHandle, SW_HIDE);
    }
}

void TCustomForm::Show()
{
    SetVisible(true);
    BringToFront();
}

void TCustomForm::Hide()
{
    SetVisible(false);
}

void TCustomForm::BringToFront()
{
    if (HandleAllocated() && Visible()) SetActiveWindow(FHandle);
}

namespace
{

// An update handler may add or free controls: the count is read afresh each step.
void InitiateClientActions(TWinControl *Container)
{
    for (int I = 0; I < Container->ControlCount(); ++I) {
        TControl *Control = Container->Controls(I);
        if (!Control->Visible()) continue;
        Control->InitiateAction();
        if (auto *Windowed = dynamic_cast<TWinControl *>(Control)) InitiateClientActions(Windowed);
    }
}

} // namespace

void TCustomForm::UpdateActions()
{
    if (ComponentState().Contains(csDesigning) || !Showing()) return;
    InitiateAction();
    InitiateClientActions(this);
}

void TCustomForm::DoShow()
{
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide()
{
    if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction &Action)
{
    if (OnClose) OnClose(this, Action);
}

void TCustomForm::Activate()
{
    if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate()
{
    if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::Paint()
{
    if (OnPaint) OnPaint(this);
}

void TCustomForm::PaintWindow(HDC DC)
{
    auto *canvas = static_cast<TControlCanvas *>(FCanvas.get());
    canvas->FreeHandle();
    canvas->SetHandle(DC);
    try {
        Paint();
    } catch (...) {
        canvas->SetHandle(nullptr);
        throw;
    }
    canvas->SetHandle(nullptr);
}

bool TCustomForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close()
{
    if (FFormState.Contains(fsModal)) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application && Application->MainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

void TCustomForm::CloseModal()
{
    try {
        TCloseAction action = caNone;
        if (CloseQuery()) {
            action = caHide;
            DoClose(action);
        }
        if (action == caNone)
            FModalResult = mrNone;
        else if (action == caFree)
            Release();
    } catch (...) {
        FModalResult = mrNone;
        vcl::HandleException(this);
    }
}

HWND TCustomForm::TakeCallerAsOwner(HWND Caller)
{
    const HWND owner = HWND(GetWindowLongPtrW(Handle(), GWLP_HWNDPARENT));
    // A window that this form owns, however far down, cannot own it in turn.
    for (HWND up = Caller; up; up = GetWindow(up, GW_OWNER))
        if (up == FHandle) return owner;
    if (Caller && IsWindowVisible(Caller))
        SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, LONG_PTR(Caller));
    return owner;
}

int TCustomForm::ShowModal()
{
    if (Visible() || !Enabled() || FFormState.Contains(fsModal))
        throw EInvalidOperation("Cannot make a visible window modal");
    if (GetCapture()) SendMessageW(GetCapture(), WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    const HWND previous = GetActiveWindow();
    const HWND owner = TakeCallerAsOwner(previous);
    // Every other form of ours is disabled while this one runs.
    std::vector<HWND> disabled;
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm *form = Screen->Forms(i);
        if (form == this || !form->HandleAllocated()) continue;
        const HWND wnd = form->WindowHandle();
        if (IsWindowVisible(wnd) && IsWindowEnabled(wnd)) {
            EnableWindow(wnd, FALSE);
            disabled.push_back(wnd);
        }
    }
    const vcl::TModalWait wait;
    FFormState << fsModal;
    FModalResult = mrNone;
    auto restore = [&] {
        FFormState >> fsModal;
        for (HWND wnd : disabled)
            if (IsWindow(wnd)) EnableWindow(wnd, TRUE);
        if (HandleAllocated()) Hide();
        if (previous && IsWindow(previous)) SetActiveWindow(previous);
        if (HandleAllocated()) SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, LONG_PTR(owner));
    };
    try {
        Show();
        do {
            Application->HandleMessage();
            // A window gone with the one it was called from, its owner, can give no answer.
            if (Application->Terminated() || !HandleAllocated())
                FModalResult = mrCancel;
            else if (FModalResult != mrNone)
                CloseModal();
        } while (FModalResult == mrNone);
    } catch (...) {
        restore();
        throw;
    }
    restore();
    wait.Ended();
    return FModalResult;
}

void TCustomForm::Release()
{
    if (HandleAllocated())
        PostMessageW(FHandle, CM_RELEASE, 0, 0);
    else
        vcl::PendingReleases().push_back(this);
}

void TCustomForm::SetActiveControl(TWinControl *Control)
{
    if (Control == FActiveControl) return;
    if (Control && (Control == this || GetParentForm(Control) != this || !Control->CanFocus()))
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    FActiveControl = Control;
    if (FActive && Control) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl *Control)
{
    if (!Control->CanFocus())
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    FActiveControl = Control;
    if (HandleAllocated() && IsWindowVisible(FHandle)) ::SetFocus(Control->Handle());
}

void TCustomForm::SetWindowFocus()
{
    if (FActiveControl && FActiveControl->CanFocus())
        ::SetFocus(FActiveControl->Handle());
    else if (FHandle)
        ::SetFocus(FHandle);
}

namespace
{

// The control and its windowed ancestors below the form, innermost first.
std::vector<TWinControl *> FocusChain(TWinControl *Control, TCustomForm *Form)
{
    std::vector<TWinControl *> chain;
    for (TWinControl *c = Control; c && c != Form; c = c->Parent())
        chain.push_back(c);
    return chain;
}

} // namespace

bool TCustomForm::SetFocusedControl(TWinControl *Control)
{
    if (Control == FFocusedControl) return false;
    if (Control != this) FDisabledFocus = nullptr;
    TWinControl *old = FFocusedControl;
    FFocusedControl = Control;
    if (Control != this) FActiveControl = Control;
    const std::vector<TWinControl *> leaving = FocusChain(old, this);
    const std::vector<TWinControl *> entering = FocusChain(Control, this);
    for (TWinControl *c : leaving) {
        if (std::find(entering.begin(), entering.end(), c) != entering.end()) break;
        c->Perform(CM_EXIT, 0, 0);
        if (FFocusedControl != Control) return true;
    }
    for (auto it = entering.rbegin(); it != entering.rend(); ++it) {
        if (std::find(leaving.begin(), leaving.end(), *it) != leaving.end()) continue;
        (*it)->Perform(CM_ENTER, 0, 0);
        if (FFocusedControl != Control) return true;
    }
    return true;
}

void TCustomForm::DefocusControl(TWinControl *Control, bool Removing)
{
    if (Removing && Control->ContainsControl(FDisabledFocus)) FDisabledFocus = nullptr;
    if (Control->ContainsControl(FActiveControl)) FActiveControl = nullptr;
    if (Control->ContainsControl(FFocusedControl)) {
        if (!Removing) FDisabledFocus = FFocusedControl;
        FFocusedControl = nullptr;
        const HWND focus = GetFocus();
        if (focus && FHandle && Control->HandleAllocated() &&
            (focus == Control->WindowHandle() || IsChild(Control->WindowHandle(), focus)))
            ::SetFocus(FHandle);
    }
}

void TCustomForm::ControlEnabled(TWinControl *Control)
{
    // A button disabled while its work runs would otherwise leave the keys with the form.
    TWinControl *lost = FDisabledFocus;
    if (!lost || !Control->ContainsControl(lost) || !lost->CanFocus()) return;
    if (FFocusedControl && FFocusedControl != this) return;
    if (!FHandle || GetFocus() != FHandle) return;
    FDisabledFocus = nullptr;
    lost->SetFocus();
}

void TCustomForm::SendCancelMode(TControl *Sender)
{
    if (TControl *captured = GetCaptureControl(); captured && captured != Sender)
        captured->Perform(WM_CANCELMODE, 0, 0);
}

void TCustomForm::HandleActivation(WPARAM State)
{
    if (LOWORD(State) != WA_INACTIVE) {
        // A window made anew while active never told the form it lost the activation:
        // for the program the form stayed active all along.
        const bool wasActive = std::exchange(FActive, true);
        Screen->SetActiveForm(this);
        if (!FActiveControl) FActiveControl = FindNextControl(nullptr, true, true, false);
        FFormState << fsActivated;
        if (!wasActive) Activate();
        SetWindowFocus();
    } else {
        FActive = false;
        Deactivate();
    }
}

void TCustomForm::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_ACTIVATE:
        HandleActivation(Message.WParam);
        return;
    case WM_CLOSE:
        Close();
        return;
    case CM_RELEASE:
        vcl::PendingReleases().push_back(this);
        return;
    case CM_VISIBLECHANGED:
        ShowingChanged();
        return;
    case WM_SIZE:
        // Maximised or restored by its own commands (the frame's buttons, the window manager).
        if (IsWindowVisible(FHandle) && Message.WParam != SIZE_MINIMIZED) {
            if (IsZoomed(FHandle))
                FWindowState = wsMaximized;
            else if (FWindowState == wsMaximized)
                FWindowState = wsNormal;
        }
        inherited::WndProc(Message);
        return;
    case WM_SYSCOMMAND:
        // The application's hooks (menu bars) may take the keyboard's menu command.
        if ((Message.WParam & 0xFFF0) == SC_KEYMENU && Application &&
            SendMessageW(Application->Handle(), CM_APPSYSCOMMAND, 0,
                         reinterpret_cast<LPARAM>(&Message)))
            return;
        inherited::WndProc(Message);
        return;
    case CM_DIALOGKEY:
        if (GetKeyState(VK_MENU) >= 0) {
            const auto key = static_cast<int>(Message.WParam);
            if (key == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
                SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
                Message.Result = 1;
                return;
            }
            if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) {
                // Only to a sibling that is a tab stop: panels and groups could not show
                // the focus, and the keys would seem to go nowhere.
                if (FActiveControl && FActiveControl->Parent())
                    if (TWinControl *next = FActiveControl->Parent()->FindNextControl(
                            FActiveControl, key == VK_RIGHT || key == VK_DOWN, true, true))
                        next->SetFocus();
                Message.Result = 1;
                return;
            }
        }
        inherited::WndProc(Message);
        return;
    case WM_SETFOCUS:
        // The form itself got the focus: give it on to its active control.
        if (FActiveControl && FActiveControl != this && FActiveControl->CanFocus()) {
            ::SetFocus(FActiveControl->Handle());
            return;
        }
        inherited::WndProc(Message);
        return;
    default:
        inherited::WndProc(Message);
        return;
    }
}

// ---- TScreen -----------------------------------------------------------------------------

TScreen::TScreen(TComponent *AOwner) : TComponent(AOwner) {}

TScreen::~TScreen() = default;

void TScreen::SetCursor(TCursor Value)
{
    if (Value == FCursor) return;
    FCursor = Value;
    ::SetCursor(Cursors(Value == crDefault ? crArrow : Value));
}

namespace
{

// The system has no drag cursor: an arrow carrying a sheet.
HCURSOR DragCursorPicture()
{
    static const HCURSOR Cursor = win::CursorFromArt(
        {
            "#               ",
            "##              ",
            "#.#             ",
            "#..#            ",
            "#...#           ",
            "#....#          ",
            "#.....#         ",
            "#......#        ",
            "#....###        ",
            "#.#..#          ",
            "##.#########    ",
            "#  #.......#    ",
            "   #.......#    ",
            "   #.......#    ",
            "   #.......#    ",
            "   #########    ",
        },
        0, 0);
    return Cursor;
}

} // namespace

HCURSOR TScreen::Cursors(TCursor Index) const
{
    if (const auto it = FCursors.find(Index); it != FCursors.end()) return it->second;
    LPCWSTR shape = IDC_ARROW;
    switch (Index) {
    case crNone:
        return nullptr;
    case crDrag:
        return DragCursorPicture();
    case crCross:
        shape = IDC_CROSS;
        break;
    case crIBeam:
        shape = IDC_IBEAM;
        break;
    case crSizeNESW:
        shape = IDC_SIZENESW;
        break;
    case crSizeNS:
    case crVSplit:
        shape = IDC_SIZENS;
        break;
    case crSizeNWSE:
        shape = IDC_SIZENWSE;
        break;
    case crSizeWE:
    case crHSplit:
        shape = IDC_SIZEWE;
        break;
    case crUpArrow:
        shape = IDC_UPARROW;
        break;
    case crHourGlass:
        shape = IDC_WAIT;
        break;
    case crNoDrop:
    case crNo:
        shape = IDC_NO;
        break;
    case crAppStart:
        shape = IDC_APPSTARTING;
        break;
    case crHelp:
        shape = IDC_HELP;
        break;
    case crHandPoint:
        shape = IDC_HAND;
        break;
    case crSizeAll:
        shape = IDC_SIZEALL;
        break;
    default:
        break;
    }
    return LoadCursorW(nullptr, shape);
}

void TScreen::SetCursors(TCursor Index, HCURSOR Value)
{
    FCursors[Index] = Value;
}

int TScreen::Width() const
{
    return GetSystemMetrics(SM_CXSCREEN);
}
int TScreen::Height() const
{
    return GetSystemMetrics(SM_CYSCREEN);
}
int TScreen::MonitorCount() const
{
    return GetSystemMetrics(SM_CMONITORS);
}

TRect TScreen::WorkAreaRect() const
{
    RECT r{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

TStrings *TScreen::Fonts()
{
    // Faces added since the list was read are listed too; the list stays the
    // same object for whoever holds it.
    static unsigned ListedVersion = 0;
    if (!FFonts) {
        FFonts = std::make_unique<TStringList>();
        FFonts->SetSorted(true);
    } else if (ListedVersion == win::FontFacesVersion()) {
        return FFonts.get();
    }
    win::EnsureFontFaces();
    ListedVersion = win::FontFacesVersion();
    FFonts->Clear();
    for (const QString &family : QFontDatabase::families())
        FFonts->Add(win::FromQt(family));
    return FFonts.get();
}

void TScreen::AddForm(TCustomForm *Form)
{
    FForms.push_back(Form);
}

void TScreen::RemoveForm(TCustomForm *Form)
{
    std::erase(FForms, Form);
    if (FActiveForm == Form) FActiveForm = nullptr;
}

void TScreen::SetActiveForm(TCustomForm *Form)
{
    if (Form == FActiveForm) return;
    FActiveForm = Form;
    // The active form comes first, as the class library keeps the list in Z order.
    std::erase(FForms, Form);
    FForms.insert(FForms.begin(), Form);
    if (OnActiveFormChange) OnActiveFormChange(this);
}

// ---- TApplication --------------------------------------------------------------------------

TApplication::TApplication(TComponent *AOwner) : TComponent(AOwner) {}

TApplication::~TApplication()
{
    vcl::AtExitOfThisThread(nullptr);
    DestroyForms();
    // Its going away tells the hint machinery, which must still be whole then.
    FHintWindow.reset();
    if (FHandle) DeallocateHWnd(FHandle);
}

void TApplication::DestroyForms()
{
    CancelHint();
    for (int i = ComponentCount() - 1; i >= 0; --i)
        if (auto *form = dynamic_cast<TCustomForm *>(Components(i))) form->BeforeDestruction();
    DestroyComponents();
    FMainForm = nullptr;
}

namespace vcl
{

std::unique_ptr<QTranslator> QtTranslations()
{
    auto translations = std::make_unique<QTranslator>();
    if (!translations->load(QLocale(QLocale::Russian, QLocale::Russia), "qtbase", "_",
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    return translations;
}

} // namespace vcl

void TApplication::Initialize()
{
    if (!QApplication::instance()) {
        static int argc = 1;
        static char name[] = "qrv4";
        static char *argv[] = {name, nullptr};
        FQtApplication = std::make_unique<QApplication>(argc, argv);
    }
    // The program speaks Russian whatever the system's language: so do the file dialogs
    // and the edit menus that Qt draws, and the dates they show.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    if (!FQtTranslations) {
        FQtTranslations = vcl::QtTranslations();
        if (FQtTranslations) QCoreApplication::installTranslator(FQtTranslations.get());
    }
    // The queue serves the synchronised calls of worker threads whenever this
    // thread looks for messages, so they also run inside modal loops and message
    // boxes. The wake is made a posted message as well, so a loop waiting in
    // WaitMessage returns and looks again at what the call changed (a modal
    // result, say). The queue is made first, as making it sets its own wake.
    MSG msg{};
    PeekMessageW(&msg, {}, 0, 0, PM_NOREMOVE);
    const DWORD thread = GetCurrentThreadId();
    rtl::SetWakeMainThread([thread](TObject *) { PostThreadMessageW(thread, WM_NULL, 0, 0); });
}

HWND TApplication::Handle()
{
    if (!FHandle)
        FHandle = AllocateHWnd([this](TMessage &Message) { ApplicationMessage(Message); });
    return FHandle;
}

namespace
{

constexpr UINT_PTR HintShowTimer = 1;
constexpr UINT_PTR HintHideTimer = 2;
constexpr UINT_PTR HintReshowTimer = 3;
// Where a hint goes by default: this far below the pointer's tip, clear of the arrow.
constexpr int HintBelowCursor = 20;
constexpr int DefaultHintMaxWidth = 300;

// The loop goes idle after every wake, worker threads' calls included. What lies
// under the pointer is looked at again when it moved, after input, or once this
// long has passed, so controls moving under a resting pointer are still seen.
constexpr auto MouseIdleInterval = std::chrono::milliseconds(50);

struct MouseIdleGate {
    bool InputSeen = true;
    POINT Pos{};
    std::chrono::steady_clock::time_point Last;

    bool Due(POINT Cursor)
    {
        const auto now = std::chrono::steady_clock::now();
        if (!InputSeen && Cursor.x == Pos.x && Cursor.y == Pos.y && now - Last < MouseIdleInterval)
            return false;
        InputSeen = false;
        Pos = Cursor;
        Last = now;
        return true;
    }
};
MouseIdleGate MouseIdle;

bool IsInput(UINT Msg)
{
    return (Msg >= WM_KEYFIRST && Msg <= WM_KEYLAST) ||
           (Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST);
}

} // namespace

void TApplication::FormDestroying(TCustomForm *Form)
{
    if (FMainForm == Form) FMainForm = nullptr;
}

void TApplication::HookMainWindow(const void *Key, TWindowHook Hook)
{
    UnhookMainWindow(Key);
    FWindowHooks.emplace_back(Key, std::move(Hook));
}

void TApplication::UnhookMainWindow(const void *Key)
{
    std::erase_if(FWindowHooks, [&](const auto &Entry) { return Entry.first == Key; });
}

void TApplication::ApplicationMessage(TMessage &Message)
{
    // A hook may unhook itself or others while it runs: walk a copy.
    const auto Hooks = FWindowHooks;
    for (const auto &Entry : Hooks)
        if (Entry.second(Message)) return;
    if (Message.Msg == WM_TIMER) {
        HintTimerExpired(Message.WParam);
        return;
    }
    if (Message.Msg == WM_ENDSESSION) {
        if (Message.WParam) EndSession();
        return;
    }
    Message.Result = DefWindowProcW(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

void TApplication::HideHintWindow()
{
    KillTimer(Handle(), HintHideTimer);
    if (FHintWindow && FHintWindow->HandleAllocated()) FHintWindow->ReleaseHandle();
}

void TApplication::CancelHint()
{
    KillTimer(Handle(), HintShowTimer);
    KillTimer(Handle(), HintReshowTimer);
    HideHintWindow();
    FHintStage = THintStage::Idle;
}

// A press cancels the hint until the mouse moves on from where it was pressed.
void TApplication::CancelHintAt(const TPoint &Pos)
{
    CancelHint();
    FHintMousePos = Pos;
}

void TApplication::ForgetHintControl(TControl *Control)
{
    if (Control == FHintTextControl) FHintTextControl = nullptr;
    if (Control != FHintControl) return;
    CancelHint();
    FHintControl = nullptr;
}

void TApplication::StartHintPause()
{
    CancelHint();
    FHintStage = THintStage::Pausing;
    SetTimer(Handle(), HintShowTimer, FHintPause, nullptr);
}

bool TApplication::IsHintWindow(const TControl *Control) const
{
    return FHintWindow && Control == FHintWindow.get();
}

void TApplication::HintMouseMove(TControl *Control, const TPoint &Pos, bool Wanted)
{
    const bool moved = !(Pos == FHintMousePos);
    FHintMousePos = Pos;
    if (Control != FHintControl) {
        CancelHint();
        FHintControl = Control;
        if (Wanted) StartHintPause();
        return;
    }
    // A pointer at rest changes nothing, however often the idle looks at it.
    if (!moved) return;
    if (!Wanted) {
        CancelHint();
        return;
    }
    if (FHintStage == THintStage::Idle ||
        (FHintStage == THintStage::Asked && !FHintCursorRect.Contains(Pos.X, Pos.Y)))
        StartHintPause();
}

void TApplication::HintMouseMessage(TControl *Control, TMessage &Message)
{
    if (!Control || Message.Msg < WM_MOUSEFIRST || Message.Msg > WM_MOUSELAST) return;
    const TPoint Pos = Control->ClientToScreen(TPoint(static_cast<short>(LOWORD(Message.LParam)),
                                                      static_cast<short>(HIWORD(Message.LParam))));
    if (Message.Msg == WM_MOUSEMOVE)
        HintMouseMove(Control, Pos, FShowHint);
    else
        CancelHintAt(Pos);
}

void TApplication::RefreshHint(TControl *Control)
{
    if (Control == FHintControl && FHintWindow && FHintWindow->Shown()) AskHint();
}

void TApplication::AskHint()
{
    KillTimer(Handle(), HintShowTimer);
    KillTimer(Handle(), HintReshowTimer);
    HideHintWindow();
    TControl *control = FHintControl;
    POINT cursor{};
    GetCursorPos(&cursor);
    THintInfo info;
    info.HintControl = control;
    info.HintPos = TPoint(cursor.x, cursor.y + HintBelowCursor);
    info.HintMaxWidth = DefaultHintMaxWidth;
    info.CursorRect = control->ClientRect();
    info.CursorPos = control->ScreenToClient(TPoint(cursor));
    info.HideTimeout = FHintHidePause;
    info.HintStr = GetShortHint(control->Hint());
    const bool refused = control->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
    FHintStage = THintStage::Asked;
    const TPoint origin = control->ClientToScreen(info.CursorRect.TopLeft());
    FHintCursorRect = Bounds(origin.X, origin.Y, info.CursorRect.Width(), info.CursorRect.Height());
    if (info.ReshowTimeout > 0) SetTimer(Handle(), HintReshowTimer, info.ReshowTimeout, nullptr);
    if (refused || info.HintStr.IsEmpty()) return;
    if (!FHintWindow) FHintWindow = std::make_unique<THintWindow>(nullptr);
    FHintWindow->SetColor(info.HintColor);
    FHintWindow->ActivateHint(info.HintPos, info.HintStr, info.HintMaxWidth);
    if (info.HideTimeout > 0) SetTimer(Handle(), HintHideTimer, info.HideTimeout, nullptr);
}

void TApplication::HintTimerExpired(UINT_PTR Timer)
{
    KillTimer(Handle(), Timer);
    // The hint goes, but comes back only when the mouse leaves its rectangle.
    if (Timer == HintHideTimer)
        HideHintWindow();
    else if (FHintControl)
        AskHint();
    else
        CancelHint();
}

AnsiString TApplication::ExeName() const
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
    return n > 0 ? AnsiString::FromUtf8(std::string_view(path, size_t(n))) : AnsiString();
}

void TApplication::SetTitle(const AnsiString &Value)
{
    FTitle = Value;
    // X gives every window made from now on this name as its class, which is
    // where task bars and window lists look for the program's name.
    QCoreApplication::setApplicationName(win::ToQt(Value));
}

void TApplication::SetHint(const AnsiString &Value)
{
    if (Value == FHint) return;
    FHint = Value;
    if (OnHint) OnHint(this);
}

bool TApplication::HelpCommand(int Command, NativeInt Data)
{
    bool CallHelp = true;
    return OnHelp && OnHelp(static_cast<WORD>(Command), Data, CallHelp);
}

bool TApplication::HelpContext(int Context)
{
    return HelpCommand(HELP_CONTEXT, Context);
}

bool TApplication::Active() const
{
    return GetActiveWindow() != nullptr;
}

void TApplication::Run()
{
    if (FMainForm && FShowMainForm) FMainForm->Show();
    FRunning = true;
    while (!FTerminated)
        HandleMessage();
    FRunning = false;
}

void TApplication::EndWithSession()
{
    // Posted to the application's window, which every loop of the program dispatches to,
    // those of menus and drags too.
    const HWND wnd = Handle();
    FEndSignals = std::make_unique<vcl::TEndSignalWatch>([wnd] {
        PostMessageW(wnd, WM_ENDSESSION, TRUE, 0);
        vcl::CloseQtBoxes();
    });
    vcl::AtExitOfThisThread([this] { DisplayLost(); });
}

void TApplication::EndSession()
{
    // A second signal while the first one's close runs changes nothing.
    if (FSessionEnding) return;
    if (FCommitting) {
        FEndAfterCommit = true;
        return;
    }
    FSessionEnding = true;
    // First, so that a box the close shows, or one open already, ends at once.
    Terminate();
    if (!FMainForm) return;
    // From here the close has the program's work: a modal loop open before it gives no answer
    // back, one the close opens itself answers as usual (vcl::TModalWait).
    FClosedBySession = true;
    FMainForm->Close();
}

void TApplication::Committing()
{
    if (FCommitHolds > 0) FCommitting = true;
}

void TApplication::CommitEnded()
{
    if (--FCommitHolds > 0) return;
    FCommitting = false;
    // Posted as the signal posts it: the close then runs from the loop, as it would have, not
    // from the hold's end while an error of the hand-over may still be on its way up.
    if (std::exchange(FEndAfterCommit, false)) PostMessageW(Handle(), WM_ENDSESSION, TRUE, 0);
}

namespace vcl
{

TCommitHold::TCommitHold()
{
    ++Application->FCommitHolds;
}

TCommitHold::~TCommitHold()
{
    Application->CommitEnded();
}

TModalWait::TModalWait() : FClosedBefore(Application->ClosedBySession()) {}

void TModalWait::Ended() const
{
    if (!FClosedBefore && Application->ClosedBySession()) Abort();
}

} // namespace vcl

void TApplication::DisplayLost()
{
    // Before the loop the main form may not be whole yet; after it, its close has run.
    if (FRunning && !FTerminated && OnDisplayLost) OnDisplayLost(this);
}

void TApplication::Terminate()
{
    PostQuitMessage(0);
}

bool TApplication::IsKeyMessage(MSG &Msg)
{
    if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST) return false;
    if (vcl::DragKeyMessage(Msg)) return true;
    HWND wnd = GetCapture();
    if (!wnd) wnd = Msg.hwnd;
    TWinControl *control = nullptr;
    while (wnd && !(control = FindControl(wnd)))
        wnd = GetParent(wnd);
    return control && control->IsKeyMessage(Msg);
}

bool TApplication::ProcessMessage(MSG &Msg)
{
    if (!PeekMessageW(&Msg, {}, 0, 0, PM_REMOVE)) return false;
    if (Msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    const bool mouse = Msg.message >= WM_MOUSEFIRST && Msg.message <= WM_MOUSELAST;
    if (mouse) {
        // Settled before the control sees the move, so a long hint the control sets
        // for a part of itself (a toolbar's button) stands.
        FollowHintText(FindDragTarget(TPoint(Msg.pt), true));
        if (Msg.message != WM_MOUSEMOVE) CancelHintAt(TPoint(Msg.pt));
    }
    if (Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN) CancelHint();
    try {
        bool handled = false;
        if (OnMessage) OnMessage(Msg, handled);
        if (!handled && !IsKeyMessage(Msg)) {
            TranslateMessage(&Msg);
            DispatchMessageW(&Msg);
        }
    } catch (...) {
        HandleException(this);
    }
    vcl::FreeReleasedForms();
    if (IsInput(Msg.message)) MouseIdle.InputSeen = true;
    if (mouse) DoMouseIdle(TPoint(Msg.pt));
    return true;
}

void TApplication::FollowHintText(TControl *Control)
{
    if (Control == FHintTextControl || IsHintWindow(Control)) return;
    FHintTextControl = Control;
    SetHint(Control ? GetLongHint(Control->Hint()) : AnsiString());
}

void TApplication::DoMouseIdle(const TPoint &Pos)
{
    vcl::UpdateMouseControl(Pos);
    TControl *control = FindDragTarget(Pos, true);
    if (IsHintWindow(control)) return;
    FollowHintText(control);
    HintMouseMove(control, Pos, control && FShowHint && control->ShowHint());
}

namespace
{

// A form disabled under a modal one offers its actions again once it is usable.
void UpdateFormActions()
{
    for (int I = 0; I < Screen->FormCount(); ++I) {
        TCustomForm *Form = Screen->Forms(I);
        if (Form->HandleAllocated() && IsWindowVisible(Form->WindowHandle()) &&
            IsWindowEnabled(Form->WindowHandle()))
            Form->UpdateActions();
    }
}

} // namespace

void TApplication::Idle()
{
    vcl::FreeDeviceContexts();
    POINT cursor{};
    GetCursorPos(&cursor);
    if (MouseIdle.Due(cursor)) DoMouseIdle(TPoint(cursor));
    bool done = true;
    try {
        if (OnIdle) OnIdle(this, done);
        if (done) UpdateFormActions();
        if (CheckSynchronize()) done = false;
    } catch (...) {
        HandleException(this);
    }
    if (done) WaitMessage();
}

void TApplication::HandleMessage()
{
    MSG msg{};
    if (!ProcessMessage(msg)) Idle();
}

void TApplication::ProcessMessages()
{
    MSG msg{};
    while (ProcessMessage(msg)) {
    }
}

void TApplication::HandleException(TObject *Sender)
{
    try {
        throw;
    } catch (EAbort &) {
        return;
    } catch (Exception &e) {
        if (OnException)
            OnException(Sender, e);
        else
            ShowException(e);
    } catch (std::exception &e) {
        Exception wrapped(e.what());
        if (OnException)
            OnException(Sender, wrapped);
        else
            ShowException(wrapped);
    } catch (...) {
        Exception wrapped("");
        if (OnException)
            OnException(Sender, wrapped);
        else
            ShowException(wrapped);
    }
}

void TApplication::ShowException(Exception &E)
{
    AnsiString text = E.Message();
    if (!text.IsEmpty() && static_cast<unsigned char>(text[text.Length()]) > '.') text += ".";
    MessageBox(text, FTitle, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const AnsiString &Text, const AnsiString &Caption, UINT Flags)
{
    // The modal results are the message box's answers (mrOk is IDOK ...).
    return vcl::DialogService().Message(
        vcl::MessageBoxRequest(Text, Caption.IsEmpty() ? FTitle : Caption, Flags));
}

void TApplication::Minimize()
{
    FMinimized = true;
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (TCustomForm *Form = Screen->Forms(i); Form->Visible() && Form->HandleAllocated())
            ShowWindow(Form->WindowHandle(), SW_MINIMIZE);
}

void TApplication::Restore()
{
    FMinimized = false;
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (TCustomForm *Form = Screen->Forms(i);
            Form->HandleAllocated() && IsIconic(Form->WindowHandle()))
            // Which window is active afterwards is the caller's choice.
            ShowWindow(Form->WindowHandle(), SW_SHOWNOACTIVATE);
}

void TApplication::BringToFront()
{
    if (Screen->ActiveForm()) Screen->ActiveForm()->BringToFront();
}

// ---- THintWindow -----------------------------------------------------------------------------

THintWindow::THintWindow(TComponent *AOwner) : TCustomControl(AOwner)
{
    SetVisible(false);
    SetParentColor(false);
    SetColor(clInfoBk);
    Font()->SetColor(clInfoText);
}

void THintWindow::CreateParams(TCreateParams &Params)
{
    inherited::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    Params.WndParent = ParentWindow();
    Params.WinClassName = "THintWindow";
}

void THintWindow::ActivateHint(TPoint At, const AnsiString &Hint, int MaxWidth)
{
    SetCaption(Hint);
    HDC dc = GetDC({});
    TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.Font()->Assign(Font());
    // The box is as wide as the text's longest line; only text beyond the limit wraps.
    const int limit = MaxWidth > 0 ? MaxWidth : GetSystemMetrics(SM_CXSCREEN);
    RECT r{0, 0, 0, 0};
    DrawTextA(canvas.Handle(), Hint.c_str(), Hint.Length(), &r, DT_CALCRECT | DT_NOPREFIX);
    if (r.right > limit) {
        r = RECT{0, 0, limit, 0};
        DrawTextA(canvas.Handle(), Hint.c_str(), Hint.Length(), &r,
                  DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    }
    canvas.SetHandle(nullptr);
    ReleaseDC({}, dc);
    SetParentWindow(Application->Handle());
    // Kept on the desktop: a hint near its right or bottom edge moves in rather than out.
    const int width = r.right + 8;
    const int height = r.bottom + 4;
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    At.X = std::max(left, std::min(At.X, left + GetSystemMetrics(SM_CXVIRTUALSCREEN) - width));
    At.Y = std::max(top, std::min(At.Y, top + GetSystemMetrics(SM_CYVIRTUALSCREEN) - height));
    SetBounds(At.X, At.Y, width, height);
    HandleNeeded();
    SetVisible(true);
    SetWindowPos(Handle(), HWND_TOPMOST, Left(), Top(), Width(), Height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Invalidate();
}

void THintWindow::ReleaseHandle()
{
    SetVisible(false);
    DestroyHandle();
}

void THintWindow::Paint()
{
    TCanvas *canvas = Canvas();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(ClientRect());
    canvas->Font()->Assign(Font());
    canvas->Brush()->SetStyle(bsClear);
    RECT r{2, 1, ClientWidth() - 2, ClientHeight()};
    const AnsiString text = Caption();
    DrawTextA(canvas->Handle(), text.c_str(), text.Length(), &r, DT_WORDBREAK | DT_NOPREFIX);
}

void THintWindow::WndProc(TMessage &Message)
{
    // A hint never keeps the activation, nor takes the mouse.
    if (vcl::HandlePopupActivation(Message)) return;
    if (Message.Msg == WM_NCHITTEST) {
        Message.Result = HTTRANSPARENT;
        return;
    }
    inherited::WndProc(Message);
}

// ---- published properties ---------------------------------------------------------

namespace
{

void PublishForm(rtl::Publisher<TCustomForm> &P)
{
    P.Property("BorderStyle", &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle)
        .Default(bsSizeable);
    P.Property("Caption", &TControl::Caption, &TControl::SetCaption);
    P.Property("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview);
}

[[maybe_unused]] const bool FormPublished = rtl::PublishClass<TCustomForm>(&PublishForm);

} // namespace
