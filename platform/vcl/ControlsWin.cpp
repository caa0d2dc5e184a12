#include "platform/vcl/Controls.h"

#include "platform/vcl/Forms.h"
#include "platform/vcl/Menus.h"
#include "platform/win/Paint.h"

#include <algorithm>
#include <set>
#include <unordered_map>

namespace
{

// Our windows are all of classes whose procedure is the default one; the control
// takes the window over right after creation.
void RegisterWindowClass(const TCreateParams &Params)
{
    static std::set<std::string> registered;
    if (registered.count(Params.WinClassName.ToStd())) return;
    const WideString name(Params.WinClassName);
    WNDCLASSW cls = Params.WindowClass;
    cls.lpszClassName = name.c_bstr();
    if (!cls.lpfnWndProc) cls.lpfnWndProc = DefWindowProcW;
    if (!cls.hCursor) cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassW(&cls);
    registered.insert(Params.WinClassName.ToStd());
}

} // namespace

TWinControl::TWinControl(TComponent *AOwner) : TControl(AOwner), FBrush(std::make_unique<TBrush>())
{
    FBrush->SetColor(Color());
}

TWinControl::~TWinControl()
{
    // Leave the parent while this is still a windowed control.
    if (FParent) FParent->RemoveControl(this);
    while (!FControls.empty())
        delete FControls.back();
    DestroyHandle();
}

HWND TWinControl::Handle()
{
    if (!FHandle) CreateHandle();
    return FHandle;
}

void TWinControl::CreateParams(TCreateParams &Params)
{
    Params.Caption = FText;
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (FControlStyle.Contains(csAcceptsControls)) Params.Style |= WS_CLIPCHILDREN;
    if (FTabStop) Params.Style |= WS_TABSTOP;
    if (!Enabled()) Params.Style |= WS_DISABLED;
    if (Visible()) Params.Style |= WS_VISIBLE;
    Params.X = FLeft;
    Params.Y = FTop;
    Params.Width = FWidth;
    Params.Height = FHeight;
    Params.WndParent = FParent ? FParent->Handle() : FParentWindow;
    Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    Params.WinClassName = ClassName();
}

void TWinControl::CreateWindowHandle(const TCreateParams &Params)
{
    const WideString caption(Params.Caption);
    const WideString cls(Params.WinClassName);
    FHandle =
        CreateWindowExW(Params.ExStyle, cls.c_bstr(), caption.c_bstr(), Params.Style, Params.X,
                        Params.Y, Params.Width, Params.Height, Params.WndParent, {}, {}, nullptr);
}

void TWinControl::CreateWnd()
{
    TCreateParams params;
    CreateParams(params);
    RegisterWindowClass(params);
    CreateWindowHandle(params);
    if (!FHandle) throw EOutOfResources("Error creating window");
    vcl::WindowControlMap()[FHandle] = this;
    win::SetWindowProcedure(FHandle, [this](HWND, UINT Msg, WPARAM WParam, LPARAM LParam) {
        return MainWndProc(Msg, WParam, LParam);
    });
    // The real client size of a framed window may differ from our guess.
    RECT r{};
    GetWindowRect(FHandle, &r);
    if (FParent) MapWindowPoints({}, FParent->FHandle, reinterpret_cast<POINT *>(&r), 2);
    UpdateBoundsRect(r);
}

void TWinControl::CreateHandle()
{
    if (FHandle) return;
    CreateWnd();
    for (TWinControl *child : FTabList)
        child->CreateHandle();
    Realign();
}

void TWinControl::DestroyWindowHandle()
{
    const HWND handle = FHandle;
    FHandle = nullptr;
    vcl::WindowControlMap().erase(handle);
    if (IsWindow(handle)) DestroyWindow(handle);
}

void TWinControl::DestroyWnd()
{
    DestroyWindowHandle();
}

void TWinControl::DestroyHandle()
{
    if (!FHandle) return;
    vcl::FreeDeviceContexts();
    for (TWinControl *child : FTabList)
        child->DestroyHandle();
    DestroyWnd();
}

namespace
{

// The control whose window, or a window inside it, has the keyboard.
TWinControl *FocusedControl()
{
    TWinControl *control = nullptr;
    for (HWND wnd = GetFocus(); wnd && !(control = FindControl(wnd));)
        wnd = GetParent(wnd);
    return control;
}

} // namespace

void TWinControl::RecreateWnd()
{
    if (!FHandle) return;
    // The new windows take back the focus and the activation, so the keys still reach the
    // control that had them. Meanwhile the keyboard goes nowhere: handed to a parent, it
    // would be passed on to the control whose window is being made.
    TWinControl *focused = FocusedControl();
    if (!ContainsControl(focused)) focused = nullptr;
    const bool active = GetActiveWindow() == FHandle;
    if (focused) ::SetFocus(nullptr);
    DestroyHandle();
    UpdateControlState();
    if (active && FHandle) SetActiveWindow(FHandle);
    if (focused && focused->FHandle && IsWindowVisible(focused->FHandle))
        ::SetFocus(focused->FHandle);
}

void TWinControl::UpdateControlState()
{
    if (FParent ? FParent->HandleAllocated() : FParentWindow != nullptr) CreateHandle();
}

LRESULT TWinControl::MainWndProc(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage message{Msg, WParam, LParam, 0};
    try {
        if (Msg == WM_NCDESTROY) {
            // The window went with its parent's; the control lives on without it.
            const HWND handle = FHandle;
            FHandle = nullptr;
            vcl::WindowControlMap().erase(handle);
            return DefWindowProcW(handle, Msg, WParam, LParam);
        }
        WindowProc(message);
    } catch (...) {
        vcl::HandleException(this);
    }
    return message.Result;
}

void TWinControl::DefaultHandler(TMessage &Message)
{
    if (FHandle)
        Message.Result = DefWindowProcW(FHandle, Message.Msg, Message.WParam, Message.LParam);
}

// ---- Children ----------------------------------------------------------------------

void TWinControl::InsertControl(TControl *AControl)
{
    AControl->FParent = this;
    FControls.push_back(AControl);
    if (auto *windowed = dynamic_cast<TWinControl *>(AControl)) FTabList.push_back(windowed);
    AControl->FontChanged();
    AControl->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    AControl->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
    if (auto *windowed = dynamic_cast<TWinControl *>(AControl))
        windowed->UpdateControlState();
    else
        AControl->Invalidate();
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
    if (AControl->Align() != alNone) Realign();
}

void TWinControl::RemoveControl(TControl *AControl)
{
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
    if (auto *windowed = dynamic_cast<TWinControl *>(AControl)) {
        if (TCustomForm *form = GetParentForm(this)) form->DefocusControl(windowed, true);
        windowed->DestroyHandle();
    } else {
        AControl->Invalidate();
    }
    std::erase_if(FTabList, [&](TWinControl *c) { return static_cast<TControl *>(c) == AControl; });
    std::erase(FControls, AControl);
    AControl->FParent = nullptr;
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
    if (AControl->Align() != alNone) Realign();
}

bool TWinControl::ContainsControl(TControl *Control) const
{
    for (; Control; Control = Control->Parent())
        if (Control == this) return true;
    return false;
}

TControl *TWinControl::ControlAtPos(const TPoint &Pos, bool AllowDisabled, bool AllowWinControls)
{
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl *c = *it;
        const bool windowed = dynamic_cast<TWinControl *>(c) != nullptr;
        if (windowed && !AllowWinControls) continue;
        if (!c->Visible() || (!AllowDisabled && !c->Enabled())) continue;
        if (c->BoundsRect().Contains(Pos.X, Pos.Y)) return c;
    }
    return nullptr;
}

// ---- Geometry and alignment ------------------------------------------------------------

TRect TWinControl::ClientRect()
{
    if (!FHandle) return inherited::ClientRect();
    RECT r{};
    GetClientRect(FHandle, &r);
    return r;
}

TPoint TWinControl::ClientOrigin()
{
    POINT p{0, 0};
    ::ClientToScreen(Handle(), &p);
    return p;
}

void TWinControl::BoundsChanged(const TRect &)
{
    if (FHandle) MoveWindow(FHandle, FLeft, FTop, FWidth, FHeight, TRUE);
    Realign();
}

void TWinControl::Realign()
{
    if (FAlignLevel > 0) return;
    ++FAlignLevel;
    try {
        TRect r = ClientRect();
        if (FClientWidthSeen >= 0) ApplyAnchors(FClientWidthSeen, FClientHeightSeen);
        FClientWidthSeen = r.Width();
        FClientHeightSeen = r.Height();
        AlignControls(nullptr, r);
    } catch (...) {
        --FAlignLevel;
        throw;
    }
    --FAlignLevel;
}

void TWinControl::ApplyAnchors(int OldClientWidth, int OldClientHeight)
{
    const TRect client = ClientRect();
    const int dw = client.Width() - OldClientWidth;
    const int dh = client.Height() - OldClientHeight;
    if (dw == 0 && dh == 0) return;
    for (TControl *c : std::vector<TControl *>(FControls)) {
        if (c->Align() != alNone) continue;
        const TAnchors a = c->Anchors();
        int left = c->Left(), top = c->Top(), width = c->Width(), height = c->Height();
        if (a.Contains(akRight)) (a.Contains(akLeft) ? width : left) += dw;
        if (a.Contains(akBottom)) (a.Contains(akTop) ? height : top) += dh;
        // A control whose bounds stay is left alone: a floating bar sizes its frame from the
        // size it is given, and must not be handed its old size while it grows.
        if (c->BoundsRect() == TRect(left, top, left + width, top + height)) continue;
        c->SetBounds(left, top, width, height);
    }
}

void TWinControl::AlignControls(TControl *, TRect &Rect)
{
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        for (TControl *c : std::vector<TControl *>(FControls)) {
            if (c->Align() != align || !c->Visible()) continue;
            const int w = c->Width(), h = c->Height();
            switch (align) {
            case alTop:
                c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), h);
                Rect.Top += h;
                break;
            case alBottom:
                c->SetBounds(Rect.Left, Rect.Bottom - h, Rect.Width(), h);
                Rect.Bottom -= h;
                break;
            case alLeft:
                c->SetBounds(Rect.Left, Rect.Top, w, Rect.Height());
                Rect.Left += w;
                break;
            case alRight:
                c->SetBounds(Rect.Right - w, Rect.Top, w, Rect.Height());
                Rect.Right -= w;
                break;
            default:
                c->SetBounds(Rect.Left, Rect.Top, Rect.Width(), Rect.Height());
                break;
            }
        }
    }
}

bool TWinControl::Showing() const
{
    if (!Visible()) return false;
    if (FParent) return FParent->Showing();
    return FHandle && IsWindowVisible(FHandle);
}

void TWinControl::UpdateShowing()
{
    if (FHandle) ShowWindow(FHandle, Visible() ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::ColorChanged()
{
    FBrush->SetColor(Color());
    for (TControl *c : FControls)
        c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
    Invalidate();
}

// ---- Painting -----------------------------------------------------------------------------

void TWinControl::Invalidate()
{
    if (FHandle) InvalidateRect(FHandle, nullptr, !FControlStyle.Contains(csOpaque));
}

void TWinControl::Repaint()
{
    Invalidate();
    Update();
}

void TWinControl::Update()
{
    if (FHandle) UpdateWindow(FHandle);
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintHandler(TMessage &Message)
{
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    PAINTSTRUCT ps{};
    if (!dc) dc = BeginPaint(FHandle, &ps);
    try {
        PaintWindow(dc);
        PaintControls(dc, nullptr);
    } catch (...) {
        if (!Message.WParam) EndPaint(FHandle, &ps);
        throw;
    }
    if (!Message.WParam) EndPaint(FHandle, &ps);
}

void TWinControl::PaintControls(HDC DC, TControl *First)
{
    auto it = First ? std::find(FControls.begin(), FControls.end(), First) : FControls.begin();
    for (; it != FControls.end(); ++it) {
        TControl *c = *it;
        if (dynamic_cast<TWinControl *>(c) || !c->Visible()) continue;
        const RECT bounds = c->BoundsRect();
        if (!RectVisible(DC, &bounds)) continue;
        const int saved = SaveDC(DC);
        OffsetViewportOrgEx(DC, c->Left(), c->Top(), nullptr);
        IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
        try {
            c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
        } catch (...) {
            RestoreDC(DC, saved);
            throw;
        }
        RestoreDC(DC, saved);
    }
}

void TWinControl::PaintTo(HDC DC, int X, int Y)
{
    const int saved = SaveDC(DC);
    OffsetViewportOrgEx(DC, X, Y, nullptr);
    IntersectClipRect(DC, 0, 0, FWidth, FHeight);
    Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), reinterpret_cast<LPARAM>(DC));
    Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    for (TControl *c : FControls)
        if (auto *windowed = dynamic_cast<TWinControl *>(c); windowed && windowed->Visible())
            windowed->PaintTo(DC, windowed->Left(), windowed->Top());
    RestoreDC(DC, saved);
}

// ---- Focus and tab order ----------------------------------------------------------------

void TWinControl::SetTabStop(bool Value)
{
    if (Value == FTabStop) return;
    FTabStop = Value;
    Perform(CM_TABSTOPCHANGED, 0, 0);
}

int TWinControl::TabOrder() const
{
    if (!FParent) return -1;
    const auto &list = FParent->FTabList;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TWinControl::SetTabOrder(int Value)
{
    if (!FParent) return;
    auto &list = FParent->FTabList;
    std::erase(list, this);
    Value = std::clamp(Value, 0, static_cast<int>(list.size()));
    list.insert(list.begin() + Value, this);
}

std::vector<TWinControl *> TWinControl::TabList() const
{
    return FTabList;
}

bool TWinControl::CanFocus()
{
    TCustomForm *form = GetParentForm(this);
    if (!form) return false;
    for (TControl *c = this; c != form; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

bool TWinControl::Focused()
{
    return FHandle && GetFocus() == FHandle;
}

void TWinControl::SetFocus()
{
    if (TCustomForm *form = GetParentForm(this); form && form != this) {
        form->FocusControl(this);
        return;
    }
    if (!CanFocus() && !dynamic_cast<TCustomForm *>(this))
        throw EInvalidOperation("Cannot focus a disabled or invisible window");
    ::SetFocus(Handle());
}

void TWinControl::GetTabOrderList(std::vector<TWinControl *> &List)
{
    for (TWinControl *c : FTabList) {
        List.push_back(c);
        c->GetTabOrderList(List);
    }
}

TWinControl *TWinControl::FindNextControl(TWinControl *CurControl, bool GoForward,
                                          bool CheckTabStop, bool CheckParent)
{
    std::vector<TWinControl *> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    const int count = static_cast<int>(list.size());
    int start = static_cast<int>(std::find(list.begin(), list.end(), CurControl) - list.begin());
    if (start == count) start = GoForward ? count - 1 : 0;
    int i = start;
    for (int step = 0; step < count; ++step) {
        i = GoForward ? (i + 1) % count : (i + count - 1) % count;
        TWinControl *c = list[i];
        if (c == CurControl) break;
        if (c->CanFocus() && (!CheckTabStop || c->TabStop()) &&
            (!CheckParent || c->Parent() == this))
            return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl *CurControl, bool GoForward, bool CheckTabStop)
{
    if (TWinControl *c = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop))
        c->SetFocus();
}

void TWinControl::SetFocusedFromWindow()
{
    if (TCustomForm *form = GetParentForm(this)) form->SetFocusedControl(this);
}

void TWinControl::DoEnter()
{
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit()
{
    if (OnExit) OnExit(this);
}

// ---- Keyboard ---------------------------------------------------------------------------

void TWinControl::KeyDown(WORD &Key, TShiftState Shift)
{
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyPress(char &Key)
{
    if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::KeyUp(WORD &Key, TShiftState Shift)
{
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

namespace
{

// Shortcuts come before the control's keys: first the context menus of the control and of the
// windows holding it, nearest first, then what the application's hooks handle (toolbars).
bool IsMenuKey(TWinControl *Control, TMessage &Message)
{
    if (!Control->ComponentState().Contains(csDesigning)) {
        const WORD key = static_cast<WORD>(Message.WParam);
        const TShiftState shift = KeyDataToShiftState(Message.LParam);
        for (TWinControl *c = Control; c; c = c->Parent())
            if (TPopupMenu *menu = c->PopupMenu(); menu && menu->IsShortCut(key, shift))
                return true;
    }
    return Application &&
           SendMessageW(Application->Handle(), CM_APPKEYDOWN, Message.WParam, Message.LParam);
}

} // namespace

bool TWinControl::DoKeyDown(TMessage &Message)
{
    TCustomForm *form = GetParentForm(this);
    if (form && form != this && form->KeyPreview() && form->DoKeyDown(Message)) return true;
    WORD key = static_cast<WORD>(Message.WParam);
    KeyDown(key, KeyDataToShiftState(Message.LParam));
    Message.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyPress(TMessage &Message)
{
    TCustomForm *form = GetParentForm(this);
    if (form && form != this && form->KeyPreview() && form->DoKeyPress(Message)) return true;
    char key = static_cast<char>(Message.WParam);
    KeyPress(key);
    Message.WParam = static_cast<unsigned char>(key);
    return key == 0;
}

bool TWinControl::DoKeyUp(TMessage &Message)
{
    TCustomForm *form = GetParentForm(this);
    if (form && form != this && form->KeyPreview() && form->DoKeyUp(Message)) return true;
    WORD key = static_cast<WORD>(Message.WParam);
    KeyUp(key, KeyDataToShiftState(Message.LParam));
    Message.WParam = key;
    return key == 0;
}

// Alt with a letter is always an accelerator; a letter alone only when the control it
// reaches does not type it.
bool TWinControl::DoDialogChar(TMessage &Message)
{
    if (Message.Msg == CN_CHAR && (Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS)) return false;
    TCustomForm *form = GetParentForm(this);
    return form && form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam);
}

bool TWinControl::IsKeyMessage(MSG &Msg)
{
    return Perform(CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
}

// ---- Messages ----------------------------------------------------------------------------

bool TWinControl::IsControlMouseMessage(TMessage &Message)
{
    TControl *control = nullptr;
    const TPoint pos(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
    if (GetCapture() == FHandle) {
        TControl *captured = GetCaptureControl();
        if (captured && captured != this && captured->Parent() == this) control = captured;
    } else {
        control = ControlAtPos(pos, false);
    }
    if (!control) return false;
    Message.Result =
        control->Perform(Message.Msg, Message.WParam,
                         MAKELPARAM(WORD(pos.X - control->Left()), WORD(pos.Y - control->Top())));
    return true;
}

void TWinControl::WndProc(TMessage &Message)
{
    const UINT msg = Message.Msg;
    if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && msg != WM_MOUSEWHEEL &&
        IsControlMouseMessage(Message))
        return;
    switch (msg) {
    case WM_PAINT:
        PaintHandler(Message);
        return;
    case WM_ERASEBKGND: {
        RECT r{};
        GetClientRect(FHandle, &r);
        FillRect(reinterpret_cast<HDC>(Message.WParam), &r, FBrush->Handle());
        Message.Result = 1;
        return;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (!DoKeyDown(Message)) DefaultHandler(Message);
        return;
    case WM_CHAR:
        if (!DoKeyPress(Message)) DefaultHandler(Message);
        return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (!DoKeyUp(Message)) DefaultHandler(Message);
        return;
    case WM_SETFOCUS:
        SetFocusedFromWindow();
        DefaultHandler(Message);
        return;
    case WM_SIZE:
    case WM_MOVE: {
        RECT r{};
        GetWindowRect(FHandle, &r);
        if (FParent && FParent->FHandle)
            MapWindowPoints({}, FParent->FHandle, reinterpret_cast<POINT *>(&r), 2);
        const TRect now = r;
        if (!(now == BoundsRect())) {
            const bool resized = now.Width() != FWidth || now.Height() != FHeight;
            UpdateBoundsRect(now);
            if (resized) {
                Realign();
                Resize();
            }
        }
        DefaultHandler(Message);
        return;
    }
    case WM_SETCURSOR: {
        if (LOWORD(Message.LParam) == HTCLIENT &&
            reinterpret_cast<HWND>(Message.WParam) == FHandle) {
            TCursor cursor = Screen->Cursor();
            if (cursor == crDefault) {
                POINT p{};
                GetCursorPos(&p);
                TControl *c = ControlAtPos(ScreenToClient(p), false);
                cursor = c ? c->Cursor() : Cursor();
            }
            if (cursor != crDefault) {
                ::SetCursor(Screen->Cursors(cursor));
                Message.Result = 1;
                return;
            }
        }
        DefaultHandler(Message);
        return;
    }
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: {
        Message.Result = 1;
        if (IsMenuKey(this, Message)) return;
        if (Perform(CM_CHILDKEY, Message.WParam, reinterpret_cast<LPARAM>(this))) return;
        LRESULT mask = 0;
        switch (Message.WParam) {
        case VK_TAB:
            mask = DLGC_WANTTAB;
            break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
            mask = DLGC_WANTARROWS;
            break;
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_CANCEL:
            mask = DLGC_WANTALLKEYS;
            break;
        default:
            break;
        }
        if (mask && !Perform(CM_WANTSPECIALKEY, Message.WParam, 0) &&
            !(Perform(WM_GETDLGCODE, 0, 0) & mask))
            if (TCustomForm *form = GetParentForm(this);
                form && form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam))
                return;
        Message.Result = 0;
        return;
    }
    case CN_CHAR:
    case CN_SYSCHAR:
        Message.Result = DoDialogChar(Message);
        return;
    case CM_CHILDKEY:
        if (FParent) {
            Message.Result = FParent->Perform(Message.Msg, Message.WParam, Message.LParam);
            return;
        }
        Message.Result = 0;
        return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
        // Offered to every child until one takes it (default and cancel buttons).
        for (TControl *c : std::vector<TControl *>(FControls))
            if (c->Perform(msg, Message.WParam, Message.LParam)) {
                Message.Result = 1;
                return;
            }
        Message.Result = 0;
        return;
    case CM_ENTER:
        DoEnter();
        return;
    case CM_EXIT:
        DoExit();
        return;
    case CM_FONTCHANGED:
        for (TControl *c : FControls)
            c->Perform(CM_PARENTFONTCHANGED, 0, 0);
        Invalidate();
        return;
    case CM_COLORCHANGED:
        ColorChanged();
        return;
    case CM_SHOWHINTCHANGED:
        for (TControl *c : FControls)
            c->Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
        return;
    case WM_SETTINGCHANGE:
        // Only top-level windows hear of a setting change; the controls learn it from them.
        DefaultHandler(Message);
        Perform(CM_WININICHANGE, Message.WParam, Message.LParam);
        return;
    case CM_WININICHANGE:
        for (TControl *c : std::vector<TControl *>(FControls))
            c->Perform(msg, Message.WParam, Message.LParam);
        return;
    case CM_VISIBLECHANGED:
        UpdateShowing();
        return;
    case CM_ENABLEDCHANGED: {
        TCustomForm *form = GetParentForm(this);
        if (form == this) form = nullptr;
        if (form && !Enabled()) form->DefocusControl(this, false);
        if (FHandle) EnableWindow(FHandle, Enabled());
        if (form && Enabled()) form->ControlEnabled(this);
        Invalidate();
        return;
    }
    case CM_TEXTCHANGED:
        if (FHandle) {
            const WideString text(FText);
            SetWindowTextW(FHandle, text.c_bstr());
        }
        Invalidate();
        return;
    default:
        inherited::WndProc(Message);
        return;
    }
}
