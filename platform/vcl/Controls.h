#pragma once

// Controls: the windowless TControl and TGraphicControl, the windowed
// TWinControl and TCustomControl, with the class library's message handling,
// mouse and keyboard routing, focus, painting and change notifications.

#include "platform/rtl/TypInfo.h"
#include "platform/vcl/Graphics.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/WinUser.h"

#include <unordered_map>
#include <vector>

QRV4_DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory)

// ---- The class library's own messages ------------------------------------------

constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_CANCELMODE = CM_BASE + 4;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;
constexpr UINT CM_APPKEYDOWN = CM_BASE + 22;
constexpr UINT CM_APPSYSCOMMAND = CM_BASE + 23;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 25;
constexpr UINT CM_ENTER = CM_BASE + 26;
constexpr UINT CM_EXIT = CM_BASE + 27;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 30;
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWHINTCHANGED = CM_BASE + 34;
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;
constexpr UINT CM_SYSCOLORCHANGE = CM_BASE + 36;
constexpr UINT CM_WININICHANGE = CM_BASE + 37;
constexpr UINT CM_TABSTOPCHANGED = CM_BASE + 40;
constexpr UINT CM_CONTROLLISTCHANGE = CM_BASE + 44;
constexpr UINT CM_CHILDKEY = CM_BASE + 46;
constexpr UINT CM_HINTSHOW = CM_BASE + 48;
constexpr UINT CM_INVALIDATE = CM_BASE + 52;
constexpr UINT CM_CONTROLCHANGE = CM_BASE + 54;

// Notifications a parent reflects back to the control that sent them.
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;
constexpr UINT CN_KEYUP = CN_BASE + WM_KEYUP;
constexpr UINT CN_CHAR = CN_BASE + WM_CHAR;
constexpr UINT CN_SYSKEYDOWN = CN_BASE + WM_SYSKEYDOWN;
constexpr UINT CN_SYSCHAR = CN_BASE + WM_SYSCHAR;

// WM_GETDLGCODE answers.
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;

// ---- Types ------------------------------------------------------------------------

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;
constexpr TModalResult mrNoToAll = 9;
constexpr TModalResult mrYesToAll = 10;

QRV4_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom)
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = Set<TAnchorKind>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = Set<TShiftStateItem>;
QRV4_ENUM(TBorderStyle, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)

using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
constexpr TCursor crSize = crSizeAll;

enum TControlStyleItem {
    csAcceptsControls,
    csCaptureMouse,
    csDesignInteractive,
    csClickEvents,
    csFramed,
    csSetCaption,
    csOpaque,
    csDoubleClicks,
    csFixedWidth,
    csFixedHeight,
    csNoDesignVisible,
    csReplicatable,
    csNoStdEvents,
    csDisplayDragImage,
    csReflector,
    csActionClient,
    csMenuEvents
};
using TControlStyle = Set<TControlStyleItem>;

enum TControlStateItem {
    csLButtonDown,
    csClicked,
    csPalette,
    csReadingState,
    csAlignmentNeeded,
    csFocusing,
    csCreating,
    csPaintCopy,
    csCustomPaint,
    csDestroyingHandle,
    csDocking
};
using TControlState = Set<TControlStateItem>;

class TControl;
class TWinControl;
class TCustomForm;
class TPopupMenu;

using TMouseEvent =
    std::function<void(TObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject *Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject *Sender, WORD &Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject *Sender, char &Key)>;
using TMouseWheelEvent = std::function<void(TObject *Sender, TShiftState Shift, int WheelDelta,
                                            TPoint MousePos, bool &Handled)>;
using TContextPopupEvent = std::function<void(TObject *Sender, TPoint MousePos, bool &Handled)>;
using TCanResizeEvent =
    std::function<void(TObject *Sender, int &NewWidth, int &NewHeight, bool &Resize)>;

// ---- Drag and drop, and docking ------------------------------------------------

QRV4_ENUM(TDragMode, dmManual, dmAutomatic)
QRV4_ENUM(TDragKind, dkDrag, dkDock)
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };

// What a drag carries. A control may hand its own from OnStartDrag (it stays the
// caller's); otherwise the drag makes a TDragControlObject for the control.
class TDragObject : public TObject
{
    QRV4_CLASS(TDragObject, TObject)

public:
    // Screen position of the pointer, last seen by the drag.
    TPoint DragPos() const { return FDragPos; }
    void SetDragPos(const TPoint &Value) { FDragPos = Value; }
    // The control under the pointer that accepts the drag, or null.
    TControl *DragTarget() const { return FDragTarget; }
    void SetDragTarget(TControl *Value) { FDragTarget = Value; }
    // True once the drag ended on a target that took it.
    bool Dropped() const { return FDropped; }
    void SetDropped(bool Value) { FDropped = Value; }

private:
    TPoint FDragPos;
    TControl *FDragTarget = nullptr;
    bool FDropped = false;
};

// A drag of a control: the targets see the control itself as the source.
class TDragControlObject : public TDragObject
{
    QRV4_CLASS(TDragControlObject, TDragObject)

public:
    explicit TDragControlObject(TControl *AControl) : FControl(AControl) {}
    TControl *Control() const { return FControl; }

private:
    TControl *FControl;
};

// A control dragged to be docked on another.
class TDragDockObject : public TDragControlObject
{
    QRV4_CLASS(TDragDockObject, TDragControlObject)

public:
    using TDragControlObject::TDragControlObject;
};

using TDragDropEvent = std::function<void(TObject *Sender, TObject *Source, int X, int Y)>;
using TDragOverEvent = std::function<void(TObject *Sender, TObject *Source, int X, int Y,
                                          TDragState State, bool &Accept)>;
using TEndDragEvent = std::function<void(TObject *Sender, TObject *Target, int X, int Y)>;
using TStartDragEvent = std::function<void(TObject *Sender, TDragObject *&DragObject)>;
using TEndDockEvent = TEndDragEvent;
using TStartDockEvent = std::function<void(TObject *Sender, TDragDockObject *&DragObject)>;

// The shift state of a mouse message's wParam, and of a key message (Alt from lParam).
TShiftState MouseShiftState(WPARAM Keys);
TShiftState KeyDataToShiftState(LPARAM KeyData);
TShiftState KeyboardStateToShiftState();

// ---- TControl ----------------------------------------------------------------------

namespace vcl
{
struct DragEvents;
}

class TControl : public TComponent
{
    QRV4_CLASS(TControl, TComponent)
    friend class TWinControl;
    friend struct vcl::DragEvents;

public:
    explicit TControl(TComponent *AOwner);
    ~TControl() override;

    TWinControl *Parent() const { return FParent; }
    virtual void SetParent(TWinControl *AParent);
    // A control is written under its parent and read back into it.
    bool HasParent() override { return true; }
    TComponent *GetParentComponent() override;
    void SetParentComponent(TComponent *Value) override;

    int Left() const { return FLeft; }
    void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
    int Top() const { return FTop; }
    void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
    int Width() const { return FWidth; }
    void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
    int Height() const { return FHeight; }
    void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    void SetBoundsRect(const TRect &R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
    virtual TRect ClientRect();
    int ClientWidth() { return ClientRect().Width(); }
    void SetClientWidth(int Value);
    int ClientHeight() { return ClientRect().Height(); }
    void SetClientHeight(int Value);
    virtual TPoint ClientOrigin();
    TPoint ClientToScreen(const TPoint &Point);
    TPoint ScreenToClient(const TPoint &Point);

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(TAnchors Value);

    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and every parent up to a form is visible.
    virtual bool Showing() const;
    // The control's own flag; see IsEnabled for the inherited state.
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool Value);
    bool IsEnabled() const;

    AnsiString Caption() const { return GetText(); }
    void SetCaption(const AnsiString &Value) { SetText(Value); }
    AnsiString Text() const { return GetText(); }
    void SetText(const AnsiString &Value);

    TFont *Font() const { return FFont.get(); }
    void SetFont(TFont *Value) { FFont->Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    const AnsiString &Hint() const { return FHint; }
    void SetHint(const AnsiString &Value) { FHint = Value; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool Value);
    TPopupMenu *PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu *Value);

    TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }
    TControlState ControlState() const { return FControlState; }
    void SetControlState(TControlState Value) { FControlState = Value; }
    bool MouseCapture() const;
    void SetMouseCapture(bool Value);

    // Sends Msg straight to the control's WindowProc and gives the result.
    LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);
    virtual void Invalidate();
    virtual void Repaint();
    virtual void Update();
    void Refresh() { Repaint(); }
    // Asks the control's action to update its client; the idle application calls
    // it on every visible control of its visible forms.
    virtual void InitiateAction();
    void BringToFront();
    void SendToBack();

    // The hook every message of the control goes through; replaceable as in the
    // class library, and WndProc by default.
    TWndMethod WindowProc;
    virtual void WndProc(TMessage &Message);
    // What a message gets when no class handles it.
    virtual void DefaultHandler(TMessage &Message);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TMouseWheelEvent OnMouseWheel;
    TNotifyEvent OnResize;
    // Asked before the size changes; it may change the new size or refuse it.
    TCanResizeEvent OnCanResize;
    TContextPopupEvent OnContextPopup;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    // ---- drag and drop, and docking ----
    // dmAutomatic starts a drag on the left button instead of the usual press.
    TDragMode DragMode() const { return FDragMode; }
    void SetDragMode(TDragMode Value) { FDragMode = Value; }
    // dkDock drags the control to a dock site rather than dropping it on a target.
    TDragKind DragKind() const { return FDragKind; }
    void SetDragKind(TDragKind Value) { FDragKind = Value; }
    // The cursor over a target that accepts the drag.
    TCursor DragCursor() const { return FDragCursor; }
    void SetDragCursor(TCursor Value) { FDragCursor = Value; }
    // Starts a drag now, or once the pointer has moved more than Threshold pixels
    // (-1: the system's distance). The mouse stays with the drag until it ends.
    void BeginDrag(bool Immediate, int Threshold = -1);
    // Ends this control's drag: dropped on the target under the pointer, or cancelled.
    void EndDrag(bool Drop);
    bool Dragging() const;
    // Asked while a drag passes over the control; OnDragOver decides, none refuses.
    virtual void DragOver(TObject *Source, int X, int Y, TDragState State, bool &Accept);
    virtual void DragDrop(TObject *Source, int X, int Y);
    // Moves the control onto a dock site.
    void ManualDock(TWinControl *NewDockSite);
    // Puts the control, its size taken from ScreenPos, into a floating host window
    // whose client area covers ScreenPos; false when the control does not float.
    bool ManualFloat(const TRect &ScreenPos);
    // Whether the control sits in a floating host window.
    bool Floating() const;
    // The class of the host window (a TCustomDockForm); null keeps the control
    // from floating, so a dock drag let go away from any dock site leaves it be.
    TClass FloatingDockSiteClass() const { return FFloatingDockSiteClass; }
    void SetFloatingDockSiteClass(TClass Value);

    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TEndDragEvent OnEndDrag;
    TStartDragEvent OnStartDrag;
    TEndDockEvent OnEndDock;
    TStartDockEvent OnStartDock;

protected:
    virtual void DoStartDrag(TDragObject *&DragObject);
    virtual void DoEndDrag(TObject *Target, int X, int Y);
    virtual void DoStartDock(TDragDockObject *&DragObject);
    virtual void DoEndDock(TObject *Target, int X, int Y);
    virtual void Click();
    virtual void DblClick();
    // Whether OnMouseEnter and OnMouseLeave fire now; controls without a hover
    // state while disabled say no.
    virtual bool FiresMouseEnterLeave() const { return true; }
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
    virtual void Resize();
    virtual bool CanResize(int &NewWidth, int &NewHeight);
    void Notification(TComponent *AComponent, TOperation Operation) override;
    virtual AnsiString GetText() const { return FText; }
    virtual void SetTextBuf(const AnsiString &Value);
    // The parent's font or colour reached this control.
    virtual void FontChanged();
    // Moves the control's picture when its bounds change.
    virtual void BoundsChanged(const TRect &Old);
    void UpdateBoundsRect(const TRect &R);
    void SendCancelMode(TControl *Sender);

    TWinControl *FParent = nullptr;
    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    AnsiString FText;
    TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    TControlState FControlState;

private:
    void MouseButtonDown(TMessage &Message, TMouseButton Button, bool Double);
    void MouseButtonUp(TMessage &Message, TMouseButton Button);
    void HandleMessage(TMessage &Message);
    void DoContextPopup(TMessage &Message);

    TAlign FAlign = alNone;
    TAnchors FAnchors{akLeft, akTop};
    bool FVisible = true;
    bool FEnabled = true;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    TColor FColor = clWindow;
    bool FParentColor = true;
    TCursor FCursor = crDefault;
    AnsiString FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TPopupMenu *FPopupMenu = nullptr;
    bool FApplyingParentFont = false;
    TDragMode FDragMode = dmManual;
    TDragKind FDragKind = dkDrag;
    TCursor FDragCursor = crDrag;
    TClass FFloatingDockSiteClass;
};

using TControlClass = TClass;

// ---- TWinControl ---------------------------------------------------------------

struct TCreateParams {
    AnsiString Caption;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    HWND WndParent{};
    WNDCLASSW WindowClass{};
    AnsiString WinClassName;
};

class TWinControl : public TControl
{
    QRV4_CLASS(TWinControl, TControl)
    friend class TControl;

public:
    explicit TWinControl(TComponent *AOwner);
    ~TWinControl() override;

    // Creates the window (and those of the children) on first use.
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void HandleNeeded() { Handle(); }
    HWND WindowHandle() const { return FHandle; }
    // The owner window of a parentless windowed control.
    HWND ParentWindow() const { return FParentWindow; }
    void SetParentWindow(HWND Value) { FParentWindow = Value; }

    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl *Controls(int Index) const { return FControls.at(Index); }
    void InsertControl(TControl *AControl);
    void RemoveControl(TControl *AControl);
    bool ContainsControl(TControl *Control) const;
    // The visible, enabled child under a client point, windowed ones if asked.
    TControl *ControlAtPos(const TPoint &Pos, bool AllowDisabled, bool AllowWinControls = false);

    TRect ClientRect() override;
    TPoint ClientOrigin() override;
    void Invalidate() override;
    void Repaint() override;
    void Update() override;
    bool Showing() const override;

    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool Value);
    int TabOrder() const;
    void SetTabOrder(int Value);
    // The windowed children in tab order.
    std::vector<TWinControl *> TabList() const;
    // Appends the controls the tab key walks inside this one, in order, each
    // followed by its own; a control may leave out children it cannot show.
    virtual void GetTabOrderList(std::vector<TWinControl *> &List);
    virtual bool CanFocus();
    virtual bool Focused();
    // Raises EInvalidOperation for a control that cannot take the focus.
    virtual void SetFocus();
    // Moves the focus to the next (or previous) tab stop after CurControl.
    TWinControl *FindNextControl(TWinControl *CurControl, bool GoForward, bool CheckTabStop,
                                 bool CheckParent);
    void SelectNext(TWinControl *CurControl, bool GoForward, bool CheckTabStop);

    bool DoubleBuffered() const { return FDoubleBuffered; }
    // Our windows draw on an image first already; the flag is kept for callers.
    void SetDoubleBuffered(bool Value) { FDoubleBuffered = Value; }
    TBrush *Brush() const { return FBrush.get(); }
    bool Ctl3D() const { return FCtl3D; }
    void SetCtl3D(bool Value) { FCtl3D = Value; }
    // A control dragged with DragKind dkDock may be docked here.
    bool DockSite() const { return FDockSite; }
    void SetDockSite(bool Value) { FDockSite = Value; }

    // Routes the keyboard before dispatch: the focused control may want it, the
    // form may take it as a dialog key (Tab, arrows, Enter, Esc).
    bool IsKeyMessage(MSG &Msg);
    // The key handling of one key message; true when a handler consumed the key.
    bool DoKeyDown(TMessage &Message);
    bool DoKeyPress(TMessage &Message);
    bool DoKeyUp(TMessage &Message);
    // Offers a typed character to the form's controls as an accelerator.
    bool DoDialogChar(TMessage &Message);
    void WndProc(TMessage &Message) override;
    void DefaultHandler(TMessage &Message) override;
    // Recreates the window, keeping the state, the focus and the activation.
    void RecreateWnd();
    void PaintTo(HDC DC, int X, int Y);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;

protected:
    virtual void CreateParams(TCreateParams &Params);
    virtual void CreateWnd();
    virtual void CreateHandle();
    virtual void DestroyWnd();
    virtual void DestroyHandle();
    virtual void CreateWindowHandle(const TCreateParams &Params);
    virtual void DestroyWindowHandle();
    // Draws the window's own face; the children are drawn by their own windows.
    virtual void PaintWindow(HDC DC);
    void PaintHandler(TMessage &Message);
    void PaintControls(HDC DC, TControl *First);
    virtual void AlignControls(TControl *AControl, TRect &Rect);
    void Realign();
    virtual void DoEnter();
    virtual void DoExit();
    virtual void KeyDown(WORD &Key, TShiftState Shift);
    virtual void KeyPress(char &Key);
    virtual void KeyUp(WORD &Key, TShiftState Shift);
    void BoundsChanged(const TRect &Old) override;
    // Creates the handle when the control joins a live parent.
    virtual void UpdateControlState();
    virtual void ColorChanged();

    HWND FHandle{};

private:
    bool IsControlMouseMessage(TMessage &Message);
    void ApplyAnchors(int OldClientWidth, int OldClientHeight);
    LRESULT MainWndProc(UINT Msg, WPARAM WParam, LPARAM LParam);
    void SetFocusedFromWindow();
    void UpdateShowing();

    HWND FParentWindow{};
    std::vector<TControl *> FControls;   // paint order, bottom first
    std::vector<TWinControl *> FTabList; // windowed children in tab order
    std::unique_ptr<TBrush> FBrush;
    bool FTabStop = false;
    bool FDoubleBuffered = false;
    bool FCtl3D = true;
    bool FDockSite = false;
    int FAlignLevel = 0;
    int FClientWidthSeen = -1;
    int FClientHeightSeen = -1;
};

// ---- TGraphicControl and TCustomControl --------------------------------------------

// A control without a window: it paints on its parent's surface, clipped to its
// bounds, and gets its mouse messages from the parent.
class TGraphicControl : public TControl
{
    QRV4_CLASS(TGraphicControl, TControl)

public:
    explicit TGraphicControl(TComponent *AOwner);
    ~TGraphicControl() override;
    TCanvas *Canvas() const { return FCanvas.get(); }
    void WndProc(TMessage &Message) override;

protected:
    virtual void Paint() {}

private:
    std::unique_ptr<TCanvas> FCanvas;
};

// A windowed control that paints itself on its own canvas.
class TCustomControl : public TWinControl
{
    QRV4_CLASS(TCustomControl, TWinControl)

public:
    explicit TCustomControl(TComponent *AOwner);
    ~TCustomControl() override;
    TCanvas *Canvas() const { return FCanvas.get(); }

protected:
    void PaintWindow(HDC DC) override;
    virtual void Paint() {}

private:
    std::unique_ptr<TCanvas> FCanvas;
};

// The canvas of a control outside painting: a DC of its window (or its parent's,
// for a windowless control), taken on first use and given back on Release.
class TControlCanvas : public TCanvas
{
    QRV4_CLASS(TControlCanvas, TCanvas)

public:
    TControlCanvas() = default;
    ~TControlCanvas() override;
    TControl *Control() const { return FControl; }
    void SetControl(TControl *Value);
    void FreeHandle();

protected:
    void CreateHandle() override;

private:
    TControl *FControl = nullptr;
    HDC FDeviceContext{};
    HWND FWindowHandle{};
};

// The form a control is on, or null.
TCustomForm *GetParentForm(TControl *Control);
// Whether the character is the one "&" underlines in the caption, either case.
// The character the last single "&" of the caption underlines; 0 when there is none.
char AccelCharOf(const AnsiString &Caption);
bool IsAccel(WORD CharCode, const AnsiString &Caption);
// The control whose window this is, or null.
TWinControl *FindControl(HWND Handle);
// The control under a screen point, windowless ones included.
TControl *FindDragTarget(const TPoint &Pos, bool AllowDisabled);
TControl *GetCaptureControl();
void SetCaptureControl(TControl *Control);

// The click, mouse, drag and dock events the class library's controls publish.
template <class T> void PublishControlEvents(rtl::Publisher<T> &P)
{
    P.Event("OnClick", &TControl::OnClick);
    P.Event("OnContextPopup", &TControl::OnContextPopup);
    P.Event("OnDblClick", &TControl::OnDblClick);
    P.Event("OnDragDrop", &TControl::OnDragDrop);
    P.Event("OnDragOver", &TControl::OnDragOver);
    P.Event("OnEndDock", &TControl::OnEndDock);
    P.Event("OnEndDrag", &TControl::OnEndDrag);
    P.Event("OnMouseDown", &TControl::OnMouseDown);
    P.Event("OnMouseMove", &TControl::OnMouseMove);
    P.Event("OnMouseUp", &TControl::OnMouseUp);
    P.Event("OnStartDock", &TControl::OnStartDock);
    P.Event("OnStartDrag", &TControl::OnStartDrag);
}

namespace vcl
{

// A control made the way a form designer stores it: owned, named, placed.
template <class T>
T *Place(TComponent *Owner, TWinControl *Parent, const char *Name, int Left, int Top, int Width,
         int Height)
{
    auto *control = new T(Owner);
    control->SetName(Name);
    control->SetParent(Parent);
    control->SetBounds(Left, Top, Width, Height);
    return control;
}

// A canvas on a DC for the length of one paint, with the control's font and colour.
class PaintCanvas
{
public:
    PaintCanvas(HDC DC, TControl *Control);
    ~PaintCanvas() { FCanvas.SetHandle(nullptr); }
    PaintCanvas(const PaintCanvas &) = delete;
    PaintCanvas &operator=(const PaintCanvas &) = delete;
    TCanvas *operator->() { return &FCanvas; }
    TCanvas &operator*() { return FCanvas; }

private:
    TCanvas FCanvas;
};

// For a control that takes keys the dialog would otherwise use and paints its own focus:
// answers WM_GETDLGCODE with DialogCode and repaints when the focus comes or goes. True
// when the message needs nothing more.
bool KeyControlMessage(TControl &Control, TMessage &Message, LRESULT DialogCode);

// The control the mouse was last over, for CM_MOUSEENTER/CM_MOUSELEAVE.
void UpdateMouseControl(const TPoint &ScreenPos);
// Forgets a control that goes away.
void ForgetControl(TControl *Control);
// Cancels a drag whose source or target goes away.
void ForgetDragControl(TControl *Control);
// Escape cancels a drag; true when the key was taken for that.
bool DragKeyMessage(const MSG &Msg);
void ForgetHintControl(TControl *Control);
// Gives back the DCs taken by control canvases outside painting.
void FreeDeviceContexts();
// Called inside a catch block by the window procedures: the application's box.
void HandleException(TObject *Sender);
// Our windows and their controls.
std::unordered_map<HWND, TWinControl *> &WindowControlMap();
} // namespace vcl
