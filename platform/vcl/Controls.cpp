#include "platform/vcl/Controls.h"

#include "platform/vcl/Forms.h"
#include "platform/vcl/Menus.h"
#include "platform/win/Paint.h"

#include <algorithm>
#include <unordered_map>

// ---- Shared state of the GUI thread ---------------------------------------------------

namespace
{

TControl *CaptureControl = nullptr;
TControl *MouseControl = nullptr;

} // namespace

std::unordered_map<HWND, TWinControl *> &vcl::WindowControlMap()
{
    static std::unordered_map<HWND, TWinControl *> controls;
    return controls;
}

TShiftState MouseShiftState(WPARAM Keys)
{
    TShiftState shift;
    if (Keys & MK_SHIFT) shift << ssShift;
    if (Keys & MK_CONTROL) shift << ssCtrl;
    if (Keys & MK_LBUTTON) shift << ssLeft;
    if (Keys & MK_RBUTTON) shift << ssRight;
    if (Keys & MK_MBUTTON) shift << ssMiddle;
    if (GetKeyState(VK_MENU) < 0) shift << ssAlt;
    return shift;
}

char AccelCharOf(const AnsiString &Caption)
{
    char accel = 0;
    for (int i = 1; i < Caption.Length(); ++i)
        if (Caption[i] == '&' && Caption[++i] != '&') accel = Caption[i];
    return accel;
}

bool IsAccel(WORD CharCode, const AnsiString &Caption)
{
    const char accel = AccelCharOf(Caption);
    return accel && CharCode <= 0xFF &&
           rtl::UpperByte(static_cast<unsigned char>(accel)) ==
               rtl::UpperByte(static_cast<unsigned char>(CharCode));
}

TShiftState KeyDataToShiftState(LPARAM KeyData)
{
    TShiftState shift;
    if (GetKeyState(VK_SHIFT) < 0) shift << ssShift;
    if (GetKeyState(VK_CONTROL) < 0) shift << ssCtrl;
    if (KeyData & (LPARAM(1) << 29)) shift << ssAlt;
    return shift;
}

TShiftState KeyboardStateToShiftState()
{
    TShiftState shift = KeyDataToShiftState(0);
    if (GetKeyState(VK_MENU) < 0) shift << ssAlt;
    if (GetKeyState(VK_LBUTTON) < 0) shift << ssLeft;
    if (GetKeyState(VK_RBUTTON) < 0) shift << ssRight;
    if (GetKeyState(VK_MBUTTON) < 0) shift << ssMiddle;
    return shift;
}

TWinControl *FindControl(HWND Handle)
{
    auto &controls = vcl::WindowControlMap();
    const auto it = controls.find(Handle);
    return it == controls.end() ? nullptr : it->second;
}

TCustomForm *GetParentForm(TControl *Control)
{
    while (Control && Control->Parent())
        Control = Control->Parent();
    return dynamic_cast<TCustomForm *>(Control);
}

TControl *FindDragTarget(const TPoint &Pos, bool AllowDisabled)
{
    HWND wnd = WindowFromPoint(Pos);
    TWinControl *control = nullptr;
    while (wnd && !(control = FindControl(wnd)))
        wnd = GetParent(wnd);
    if (!control) return nullptr;
    if (TControl *child = control->ControlAtPos(control->ScreenToClient(Pos), AllowDisabled))
        return child;
    return control;
}

TControl *GetCaptureControl()
{
    TControl *result = FindControl(GetCapture());
    if (result && CaptureControl && CaptureControl->Parent() == result) result = CaptureControl;
    return result;
}

void SetCaptureControl(TControl *Control)
{
    CaptureControl = Control;
    if (!Control) {
        ReleaseCapture();
        return;
    }
    if (auto *windowed = dynamic_cast<TWinControl *>(Control))
        SetCapture(windowed->Handle());
    else if (Control->Parent())
        SetCapture(Control->Parent()->Handle());
}

namespace vcl
{

PaintCanvas::PaintCanvas(HDC DC, TControl *Control)
{
    FCanvas.SetHandle(DC);
    FCanvas.Font()->Assign(Control->Font());
    FCanvas.Brush()->SetColor(Control->Color());
}

bool KeyControlMessage(TControl &Control, TMessage &Message, LRESULT DialogCode)
{
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DialogCode;
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Control.Invalidate();
        return false;
    default:
        return false;
    }
}

void UpdateMouseControl(const TPoint &ScreenPos)
{
    TControl *control = FindDragTarget(ScreenPos, true);
    if (control == MouseControl) return;
    TControl *old = MouseControl;
    MouseControl = control;
    if (old) old->Perform(CM_MOUSELEAVE, 0, 0);
    if (control && control == MouseControl) control->Perform(CM_MOUSEENTER, 0, 0);
}

void ForgetControl(TControl *Control)
{
    ForgetHintControl(Control);
    ForgetDragControl(Control);
    if (MouseControl == Control) MouseControl = nullptr;
    if (CaptureControl == Control) CaptureControl = nullptr;
}

} // namespace vcl

// ---- TControl -----------------------------------------------------------------------

TControl::TControl(TComponent *AOwner)
    : TComponent(AOwner), FFont(std::make_unique<TFont>()),
      FFloatingDockSiteClass(TCustomDockForm::StaticClass())
{
    WindowProc = [this](TMessage &Message) { WndProc(Message); };
    FFont->OnChange = [this](TObject *) {
        if (!FApplyingParentFont) FParentFont = false;
        Perform(CM_FONTCHANGED, 0, 0);
    };
}

TControl::~TControl()
{
    vcl::ForgetControl(this);
    if (FParent) FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl *AParent)
{
    if (AParent == FParent) return;
    if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (FParent) FParent->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
}

TComponent *TControl::GetParentComponent()
{
    return FParent;
}

void TControl::SetParentComponent(TComponent *Value)
{
    // Only a windowed control holds controls; a control read under anything else keeps its parent.
    if (auto *Holder = dynamic_cast<TWinControl *>(Value)) SetParent(Holder);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    if ((AWidth != FWidth || AHeight != FHeight) && !CanResize(AWidth, AHeight)) {
        AWidth = FWidth;
        AHeight = FHeight;
    }
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
    const TRect old = BoundsRect();
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    BoundsChanged(old);
    if (FParent && FAlign != alNone) FParent->Realign();
    if (old.Width() != AWidth || old.Height() != AHeight) Resize();
}

bool TControl::CanResize(int &NewWidth, int &NewHeight)
{
    bool Result = true;
    if (OnCanResize) OnCanResize(this, NewWidth, NewHeight, Result);
    return Result;
}

void TControl::UpdateBoundsRect(const TRect &R)
{
    FLeft = R.Left;
    FTop = R.Top;
    FWidth = R.Width();
    FHeight = R.Height();
}

void TControl::BoundsChanged(const TRect &Old)
{
    if (!FParent || !FParent->HandleAllocated() || !FVisible) return;
    const RECT old = Old;
    const RECT now = BoundsRect();
    const BOOL erase = !FControlStyle.Contains(csOpaque);
    InvalidateRect(FParent->Handle(), &old, TRUE);
    InvalidateRect(FParent->Handle(), &now, erase);
}

TRect TControl::ClientRect()
{
    return Rect(0, 0, FWidth, FHeight);
}

void TControl::SetClientWidth(int Value)
{
    SetWidth(FWidth - ClientWidth() + Value);
}
void TControl::SetClientHeight(int Value)
{
    SetHeight(FHeight - ClientHeight() + Value);
}

TPoint TControl::ClientOrigin()
{
    if (!FParent) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    const TPoint origin = FParent->ClientOrigin();
    return {origin.X + FLeft, origin.Y + FTop};
}

TPoint TControl::ClientToScreen(const TPoint &Point)
{
    const TPoint origin = ClientOrigin();
    return {Point.X + origin.X, Point.Y + origin.Y};
}

TPoint TControl::ScreenToClient(const TPoint &Point)
{
    const TPoint origin = ClientOrigin();
    return {Point.X - origin.X, Point.Y - origin.Y};
}

void TControl::SetAlign(TAlign Value)
{
    if (Value == FAlign) return;
    FAlign = Value;
    if (FParent) FParent->Realign();
}

void TControl::SetAnchors(TAnchors Value)
{
    FAnchors = Value;
}

void TControl::SetVisible(bool Value)
{
    if (Value == FVisible) return;
    FVisible = Value;
    Perform(CM_VISIBLECHANGED, Value, 0);
    if (FParent) {
        if (FParent->HandleAllocated()) {
            const RECT r = BoundsRect();
            InvalidateRect(FParent->Handle(), &r, TRUE);
        }
        if (FAlign != alNone) FParent->Realign();
    }
}

bool TControl::Showing() const
{
    return FVisible && FParent && FParent->Showing();
}

void TControl::SetEnabled(bool Value)
{
    if (Value == FEnabled) return;
    FEnabled = Value;
    Perform(CM_ENABLEDCHANGED, 0, 0);
}

bool TControl::IsEnabled() const
{
    for (const TControl *c = this; c; c = c->FParent)
        if (!c->FEnabled) return false;
    return true;
}

void TControl::SetText(const AnsiString &Value)
{
    if (Value == GetText()) return;
    SetTextBuf(Value);
    Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::SetTextBuf(const AnsiString &Value)
{
    FText = Value;
}

void TControl::SetParentFont(bool Value)
{
    if (Value == FParentFont) return;
    FParentFont = Value;
    if (Value && FParent) FontChanged();
}

void TControl::FontChanged()
{
    if (!FParentFont || !FParent) return;
    FApplyingParentFont = true;
    FFont->Assign(FParent->Font());
    FApplyingParentFont = false;
}

void TControl::SetColor(TColor Value)
{
    FParentColor = false;
    if (Value == FColor) return;
    FColor = Value;
    Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool Value)
{
    if (Value == FParentColor) return;
    FParentColor = Value;
    if (Value && FParent) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor Value)
{
    if (Value == FCursor) return;
    FCursor = Value;
    Perform(CM_CURSORCHANGED, 0, 0);
}

void TControl::SetShowHint(bool Value)
{
    FParentShowHint = false;
    if (Value == FShowHint) return;
    FShowHint = Value;
    Perform(CM_SHOWHINTCHANGED, 0, 0);
}

void TControl::SetParentShowHint(bool Value)
{
    FParentShowHint = Value;
    if (Value) Perform(CM_PARENTSHOWHINTCHANGED, 0, 0);
}

void TControl::SetPopupMenu(TPopupMenu *Value)
{
    FPopupMenu = Value;
    if (Value) Value->FreeNotification(this);
}

bool TControl::MouseCapture() const
{
    return GetCaptureControl() == this;
}

void TControl::SetMouseCapture(bool Value)
{
    if (Value == MouseCapture()) return;
    SetCaptureControl(Value ? this : nullptr);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage message{Msg, WParam, LParam, 0};
    if (WindowProc) WindowProc(message);
    return message.Result;
}

void TControl::Invalidate()
{
    if (!FVisible || !FParent || !FParent->HandleAllocated()) return;
    const RECT r = BoundsRect();
    InvalidateRect(FParent->Handle(), &r, !FControlStyle.Contains(csOpaque));
}

void TControl::Repaint()
{
    Invalidate();
    Update();
}

void TControl::Update()
{
    if (FParent) FParent->Update();
}

// Plain controls carry no action here; the classes that hold one override this.
void TControl::InitiateAction() {}

void TControl::BringToFront()
{
    if (!FParent) return;
    auto &list = FParent->FControls;
    list.erase(std::find(list.begin(), list.end(), this));
    list.push_back(this);
    if (auto *windowed = dynamic_cast<TWinControl *>(this); windowed && windowed->HandleAllocated())
        SetWindowPos(windowed->FHandle, HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

void TControl::SendToBack()
{
    if (!FParent) return;
    auto &list = FParent->FControls;
    list.erase(std::find(list.begin(), list.end(), this));
    list.insert(list.begin(), this);
    if (auto *windowed = dynamic_cast<TWinControl *>(this); windowed && windowed->HandleAllocated())
        SetWindowPos(windowed->FHandle, HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Invalidate();
}

void TControl::SendCancelMode(TControl *Sender)
{
    if (TCustomForm *form = GetParentForm(this)) form->SendCancelMode(Sender);
}

void TControl::Click()
{
    if (OnClick) OnClick(this);
}

void TControl::DblClick()
{
    if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    bool handled = false;
    if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    return handled;
}

void TControl::Resize()
{
    if (OnResize) OnResize(this);
}

void TControl::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::MouseButtonDown(TMessage &Message, TMouseButton Button, bool Double)
{
    if (Button == mbLeft && FDragMode == dmAutomatic && !ComponentState().Contains(csDesigning)) {
        BeginDrag(true);
        return;
    }
    SendCancelMode(this);
    DefaultHandler(Message);
    if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
    if (Button == mbLeft && !Double && FControlStyle.Contains(csClickEvents))
        FControlState << csClicked;
    TShiftState shift = MouseShiftState(Message.WParam);
    if (Double) {
        shift << ssDouble;
        if (Button == mbLeft && FControlStyle.Contains(csDoubleClicks)) DblClick();
    }
    MouseDown(Button, shift, GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
}

void TControl::MouseButtonUp(TMessage &Message, TMouseButton Button)
{
    DefaultHandler(Message);
    const int x = GET_X_LPARAM(Message.LParam);
    const int y = GET_Y_LPARAM(Message.LParam);
    if (FControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
    // The click comes from here, not from MouseUp, so a control that overrides
    // MouseUp without calling it still clicks.
    if (Button == mbLeft && FControlState.Contains(csClicked)) {
        FControlState >> csClicked;
        if (ClientRect().Contains(x, y)) Click();
    }
    MouseUp(Button, MouseShiftState(Message.WParam), x, y);
    if (Button == mbRight) DoContextPopup(Message);
}

void TControl::DoContextPopup(TMessage &Message)
{
    const TPoint local(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
    bool handled = false;
    if (OnContextPopup) OnContextPopup(this, local, handled);
    if (handled) return;
    TPopupMenu *menu = FPopupMenu;
    for (TControl *c = this; !menu && c->FParent; c = c->FParent)
        menu = c->FParent->PopupMenu();
    if (menu && menu->AutoPopup()) {
        const TPoint screen = ClientToScreen(local);
        menu->SetPopupComponent(this);
        menu->Popup(screen.X, screen.Y);
    }
}

void TControl::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
        MouseButtonDown(Message, mbLeft, false);
        return;
    case WM_RBUTTONDOWN:
        MouseButtonDown(Message, mbRight, false);
        return;
    case WM_MBUTTONDOWN:
        MouseButtonDown(Message, mbMiddle, false);
        return;
    case WM_LBUTTONDBLCLK:
        MouseButtonDown(Message, mbLeft, true);
        return;
    case WM_RBUTTONDBLCLK:
        MouseButtonDown(Message, mbRight, true);
        return;
    case WM_MBUTTONDBLCLK:
        MouseButtonDown(Message, mbMiddle, true);
        return;
    case WM_LBUTTONUP:
        MouseButtonUp(Message, mbLeft);
        return;
    case WM_RBUTTONUP:
        MouseButtonUp(Message, mbRight);
        return;
    case WM_MBUTTONUP:
        MouseButtonUp(Message, mbMiddle);
        return;
    default:
        HandleMessage(Message);
        return;
    }
}

void TControl::HandleMessage(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_MOUSEMOVE:
        DefaultHandler(Message);
        MouseMove(MouseShiftState(Message.WParam), GET_X_LPARAM(Message.LParam),
                  GET_Y_LPARAM(Message.LParam));
        return;
    case WM_MOUSEWHEEL: {
        const TPoint pos(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
        const int delta = static_cast<SHORT>(HIWORD(Message.WParam));
        if (DoMouseWheel(MouseShiftState(LOWORD(Message.WParam)), delta, pos)) {
            Message.Result = 1;
            return;
        }
        // A window's default procedure lets its Qt control scroll, or passes the wheel on to
        // the parent window.
        if (FParent && !dynamic_cast<TWinControl *>(this)) {
            Message.Result = FParent->Perform(Message.Msg, Message.WParam, Message.LParam);
            return;
        }
        DefaultHandler(Message);
        return;
    }
    case CM_MOUSEENTER:
        if (OnMouseEnter && FiresMouseEnterLeave()) OnMouseEnter(this);
        return;
    case CM_MOUSELEAVE:
        if (OnMouseLeave && FiresMouseEnterLeave()) OnMouseLeave(this);
        return;
    case CM_ENABLEDCHANGED:
    case CM_FONTCHANGED:
    case CM_COLORCHANGED:
        Invalidate();
        return;
    case CM_PARENTFONTCHANGED:
        FontChanged();
        return;
    case CM_PARENTCOLORCHANGED:
        if (FParentColor && FParent) {
            FColor = FParent->Color();
            Perform(CM_COLORCHANGED, 0, 0);
        }
        return;
    case CM_PARENTSHOWHINTCHANGED:
        // Announced like a change of its own, so the control's children follow in turn.
        if (FParentShowHint && FParent && FParent->ShowHint() != FShowHint) {
            FShowHint = FParent->ShowHint();
            Perform(CM_SHOWHINTCHANGED, 0, 0);
        }
        return;
    default:
        DefaultHandler(Message);
        return;
    }
}

void TControl::DefaultHandler(TMessage &) {}

// ---- TGraphicControl and TCustomControl --------------------------------------------

TGraphicControl::TGraphicControl(TComponent *AOwner)
    : TControl(AOwner), FCanvas(std::make_unique<TControlCanvas>())
{
    static_cast<TControlCanvas *>(FCanvas.get())->SetControl(this);
}

TGraphicControl::~TGraphicControl()
{
    FCanvas.reset();
}

void TGraphicControl::WndProc(TMessage &Message)
{
    if (Message.Msg == WM_PAINT && Message.WParam) {
        auto *canvas = static_cast<TControlCanvas *>(FCanvas.get());
        canvas->Lock();
        canvas->FreeHandle();
        canvas->SetHandle(reinterpret_cast<HDC>(Message.WParam));
        try {
            Paint();
        } catch (...) {
            canvas->SetHandle(nullptr);
            canvas->Unlock();
            throw;
        }
        canvas->SetHandle(nullptr);
        canvas->Unlock();
        return;
    }
    inherited::WndProc(Message);
}

TCustomControl::TCustomControl(TComponent *AOwner)
    : TWinControl(AOwner), FCanvas(std::make_unique<TControlCanvas>())
{
    static_cast<TControlCanvas *>(FCanvas.get())->SetControl(this);
}

TCustomControl::~TCustomControl()
{
    FCanvas.reset();
}

void TCustomControl::PaintWindow(HDC DC)
{
    auto *canvas = static_cast<TControlCanvas *>(FCanvas.get());
    canvas->Lock();
    canvas->FreeHandle();
    canvas->SetHandle(DC);
    try {
        Paint();
    } catch (...) {
        canvas->SetHandle(nullptr);
        canvas->Unlock();
        throw;
    }
    canvas->SetHandle(nullptr);
    canvas->Unlock();
}

// ---- TControlCanvas -------------------------------------------------------------------

namespace
{

std::vector<TControlCanvas *> &CanvasList()
{
    static std::vector<TControlCanvas *> list;
    return list;
}

} // namespace

namespace vcl
{

void FreeDeviceContexts()
{
    const std::vector<TControlCanvas *> list = CanvasList();
    for (TControlCanvas *canvas : list)
        canvas->FreeHandle();
}

} // namespace vcl

TControlCanvas::~TControlCanvas()
{
    FreeHandle();
}

void TControlCanvas::SetControl(TControl *Value)
{
    if (Value == FControl) return;
    FreeHandle();
    FControl = Value;
}

void TControlCanvas::FreeHandle()
{
    if (!FDeviceContext) return;
    SetHandle(nullptr);
    ReleaseDC(FWindowHandle, FDeviceContext);
    FDeviceContext = nullptr;
    std::erase(CanvasList(), this);
}

void TControlCanvas::CreateHandle()
{
    if (!FControl) return;
    if (auto *windowed = dynamic_cast<TWinControl *>(FControl)) {
        FWindowHandle = windowed->Handle();
        FDeviceContext = GetDC(FWindowHandle);
    } else {
        if (!FControl->Parent()) return;
        FWindowHandle = FControl->Parent()->Handle();
        FDeviceContext = GetDC(FWindowHandle);
        SetViewportOrgEx(FDeviceContext, FControl->Left(), FControl->Top(), nullptr);
        IntersectClipRect(FDeviceContext, 0, 0, FControl->Width(), FControl->Height());
    }
    CanvasList().push_back(this);
    SetHandle(FDeviceContext);
}

// ---- published properties ---------------------------------------------------------

namespace
{

void PublishControl(rtl::Publisher<TControl> &P)
{
    P.Property("Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
    P.Property("Color", &TControl::Color, &TControl::SetColor, rtl::TColorInfo());
    P.Property("Cursor", &TControl::Cursor, &TControl::SetCursor, rtl::TCursorInfo());
    P.Property("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
    P.Property("Font", &TControl::Font, &TControl::SetFont);
    P.Property("Height", &TControl::Height, &TControl::SetHeight);
    P.Property("Hint", &TControl::Hint, &TControl::SetHint);
    P.Property("Left", &TControl::Left, &TControl::SetLeft);
    P.Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor).Default(true);
    P.Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).Default(true);
    P.Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint);
    P.Property("Top", &TControl::Top, &TControl::SetTop);
    P.Property("Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
    P.Property("Width", &TControl::Width, &TControl::SetWidth);
}

void PublishWinControl(rtl::Publisher<TWinControl> &P)
{
    P.Property("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
    P.Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
}

[[maybe_unused]] const bool ControlPublished = rtl::PublishClass<TControl>(&PublishControl);
[[maybe_unused]] const bool WinControlPublished =
    rtl::PublishClass<TWinControl>(&PublishWinControl);

} // namespace
