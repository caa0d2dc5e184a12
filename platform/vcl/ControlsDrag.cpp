// Dragging controls onto other controls, and docking them on dock sites.
//
// A drag owns the mouse through a window of its own: whatever control is under
// the pointer, the moves, the release and a right-button cancel come here first;
// Escape reaches it from the application's key routing. A dock control let go
// away from any dock site floats in a host window of its own.

#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/PopupWindow.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/SysParams.h"

#include <cstdlib>
#include <memory>

// The drag tells the source of the end through its protected handlers.
struct vcl::DragEvents {
    static void End(TControl *Source, TDragKind Kind, TObject *Target, const TPoint &At)
    {
        if (Kind == dkDock)
            Source->DoEndDock(Target, At.X, At.Y);
        else
            Source->DoEndDrag(Target, At.X, At.Y);
    }
};

namespace
{

// The outline of where a dock drag puts the control, over every window; thick
// where the control would float. It never takes the mouse nor the activation.
class TDockFrame : public TCustomControl
{
public:
    TDockFrame() : TCustomControl(nullptr)
    {
        SetVisible(false);
        SetParentColor(false);
        SetColor(clBlack);
    }

    void ShowAt(const TRect &R, bool Thick)
    {
        SetBounds(R.Left, R.Top, R.Width(), R.Height());
        HandleNeeded();
        const int Edge = Thick ? 4 : 1;
        HRGN Ring = CreateRectRgn(0, 0, R.Width(), R.Height());
        HRGN Inside = CreateRectRgn(Edge, Edge, R.Width() - Edge, R.Height() - Edge);
        CombineRgn(Ring, Ring, Inside, RGN_DIFF);
        DeleteObject(Inside);
        SetWindowRgn(Handle(), Ring, TRUE);
        SetVisible(true);
        SetWindowPos(Handle(), HWND_TOPMOST, R.Left, R.Top, R.Width(), R.Height(),
                     SWP_SHOWWINDOW | SWP_NOACTIVATE);
    }

    void WndProc(TMessage &Message) override
    {
        if (vcl::HandlePopupActivation(Message)) return;
        if (Message.Msg == WM_NCHITTEST) {
            Message.Result = HTTRANSPARENT;
            return;
        }
        TCustomControl::WndProc(Message);
    }

protected:
    void CreateParams(TCreateParams &Params) override
    {
        TCustomControl::CreateParams(Params);
        vcl::SetPopupParams(Params, Application ? Application->Handle() : HWND{}, "TDockFrame");
    }

    void Paint() override
    {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(ClientRect());
    }
};

struct DragSession {
    TControl *Source = nullptr;
    TDragKind Kind = dkDrag;
    TDragObject *Object = nullptr;
    std::unique_ptr<TDragObject> OwnObject;
    TPoint Start;
    // Where the pointer took hold of the control, from its top-left corner.
    TPoint Grab;
    int Threshold = 0;
    bool Started = false;
    TControl *Target = nullptr;
    bool Accepted = false;
    HWND CaptureWindow{};
    std::unique_ptr<TDockFrame> Frame;
};

std::unique_ptr<DragSession> Session;

// The targets see the dragged control itself unless the control handed its own object.
TObject *DragSource(const DragSession &S)
{
    if (auto *Carried = dynamic_cast<TDragControlObject *>(S.Object)) return Carried->Control();
    return S.Object;
}

TPoint MessagePos()
{
    const DWORD Pos = GetMessagePos();
    return TPoint(GET_X_LPARAM(Pos), GET_Y_LPARAM(Pos));
}

// The innermost dock site under the point, leaving out the control and what it holds.
TControl *DockSiteAt(const TPoint &Pos, const TControl *Source)
{
    const auto *Own = dynamic_cast<const TWinControl *>(Source);
    for (TControl *C = FindDragTarget(Pos, false); C; C = C->Parent()) {
        auto *Site = dynamic_cast<TWinControl *>(C);
        if (Site && Site->DockSite() && !(Own && Own->ContainsControl(Site))) return Site;
    }
    return nullptr;
}

// A dock site takes any control; a drop target says through DragOver.
bool AskTarget(const DragSession &S, TControl *Target, const TPoint &Pos, TDragState State)
{
    if (S.Kind == dkDock) return true;
    const TPoint Local = Target->ScreenToClient(Pos);
    bool Accept = false;
    Target->DragOver(DragSource(S), Local.X, Local.Y, State, Accept);
    return Accept;
}

// Where the control lands if let go at Pos: its own size, held where it was taken.
TRect DockRect(const DragSession &S, const TPoint &Pos)
{
    return Bounds(Pos.X - S.Grab.X, Pos.Y - S.Grab.Y, S.Source->Width(), S.Source->Height());
}

bool Floats(const DragSession &S)
{
    return S.Kind == dkDock && !S.Accepted && S.Source->FloatingDockSiteClass();
}

void ShowDockFrame(DragSession &S, const TPoint &Pos)
{
    if (S.Kind != dkDock) return;
    if (!S.Accepted && !Floats(S)) {
        S.Frame.reset();
        return;
    }
    if (!S.Frame) S.Frame = std::make_unique<TDockFrame>();
    S.Frame->ShowAt(DockRect(S, Pos), Floats(S));
}

void ShowDragCursor()
{
    // A dock control let go anywhere floats there: no place refuses it.
    const bool Takes = Session->Accepted || Floats(*Session);
    const TCursor Cursor = Takes ? Session->Source->DragCursor() : crNoDrop;
    SetCursor(Screen ? Screen->Cursors(Cursor) : nullptr);
}

// The pointer moved: leave the old target, enter or move over the new one.
void DragTo(const TPoint &Pos)
{
    if (!Session->Started) {
        if (std::abs(Pos.X - Session->Start.X) <= Session->Threshold &&
            std::abs(Pos.Y - Session->Start.Y) <= Session->Threshold)
            return;
        Session->Started = true;
    }
    Session->Object->SetDragPos(Pos);
    TControl *Target =
        Session->Kind == dkDock ? DockSiteAt(Pos, Session->Source) : FindDragTarget(Pos, false);
    // A handler may end the drag: the session is looked at afresh after each.
    TControl *Old = Session->Target;
    if (Target != Old) {
        Session->Target = Target;
        Session->Accepted = false;
        if (Old) AskTarget(*Session, Old, Pos, dsDragLeave);
        if (!Session) return;
    }
    if (Target) {
        const bool Accepted =
            AskTarget(*Session, Target, Pos, Target == Old ? dsDragMove : dsDragEnter);
        if (!Session) return;
        Session->Accepted = Accepted;
    }
    Session->Object->SetDragTarget(Session->Accepted ? Target : nullptr);
    ShowDockFrame(*Session, Pos);
    ShowDragCursor();
}

// Ends the session and gives the mouse back; what the drag was is the caller's to report.
std::unique_ptr<DragSession> CloseSession()
{
    std::unique_ptr<DragSession> S = std::move(Session);
    S->Frame.reset();
    if (GetCapture() == S->CaptureWindow) ReleaseCapture();
    DeallocateHWnd(S->CaptureWindow);
    return S;
}

// Moves a docked control onto its site, its corner where the pointer let it go.
void Dock(const DragSession &S, TWinControl *Site)
{
    const TRect Place = DockRect(S, S.Object->DragPos());
    S.Source->ManualDock(Site);
    const TPoint At = Site->ScreenToClient(Place.TopLeft());
    S.Source->SetBounds(At.X, At.Y, Place.Width(), Place.Height());
}

// A dock drag let go away from any dock site floats the control there; the host
// is the target its end reports.
TControl *Float(const DragSession &S)
{
    if (!S.Source->ManualFloat(DockRect(S, S.Object->DragPos()))) return nullptr;
    return S.Source->Parent();
}

// Docks on the site under the pointer, or floats where the pointer let go; the
// control's new place is the end's target.
TControl *DockOrFloat(const DragSession &S, TControl *Site, bool Dropped)
{
    if (Site) {
        Dock(S, static_cast<TWinControl *>(Site));
        return Site;
    }
    return Dropped && Floats(S) ? Float(S) : nullptr;
}

// Drops on the accepting target, or cancels; the source hears of the end either way.
void DragDone(bool Drop)
{
    if (!Session) return;
    const std::unique_ptr<DragSession> Done = CloseSession();
    if (Screen) SetCursor(Screen->Cursors(crDefault));
    const TPoint Pos = Done->Object->DragPos();
    const bool Dropped = Drop && Done->Started;
    TControl *Target = Dropped && Done->Accepted ? Done->Target : nullptr;
    if (!Target && Done->Target) AskTarget(*Done, Done->Target, Pos, dsDragLeave);
    if (Done->Kind == dkDock) Target = DockOrFloat(*Done, Target, Dropped);
    Done->Object->SetDropped(Target != nullptr);
    const TPoint Local = Target ? Target->ScreenToClient(Pos) : TPoint();
    // A dock site takes the control itself: it sees no drop.
    if (Target && Done->Kind == dkDrag) Target->DragDrop(DragSource(*Done), Local.X, Local.Y);
    vcl::DragEvents::End(Done->Source, Done->Kind, Target, Local);
}

void DragWindowProc(TMessage &Message)
{
    if (!Session) return;
    switch (Message.Msg) {
    case WM_MOUSEMOVE:
        DragTo(MessagePos());
        return;
    case WM_LBUTTONUP:
        DragTo(MessagePos());
        DragDone(true);
        return;
    case WM_RBUTTONDOWN:
        DragDone(false);
        return;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(Message.LParam) != Session->CaptureWindow) DragDone(false);
        return;
    default:
        return;
    }
}

int SystemThreshold()
{
    return GetSystemMetrics(SM_CXDRAG);
}

} // namespace

bool vcl::DragKeyMessage(const MSG &Msg)
{
    if (!Session || Msg.message != WM_KEYDOWN || Msg.wParam != VK_ESCAPE) return false;
    DragDone(false);
    return true;
}

void TControl::BeginDrag(bool Immediate, int Threshold)
{
    if (Session) return;
    // The release goes to the drag, so the press must not click later.
    FControlState >> csClicked;
    SetMouseCapture(false);
    Session = std::make_unique<DragSession>();
    Session->Source = this;
    Session->Kind = FDragKind;
    Session->Threshold = Threshold < 0 ? SystemThreshold() : Threshold;
    POINT Cursor{};
    GetCursorPos(&Cursor);
    Session->Start = TPoint(Cursor.x, Cursor.y);
    const TPoint Corner = ClientToScreen(TPoint());
    Session->Grab = TPoint(Cursor.x - Corner.X, Cursor.y - Corner.Y);
    if (FDragKind == dkDock) {
        TDragDockObject *Dock = nullptr;
        DoStartDock(Dock);
        Session->Object = Dock;
    } else {
        DoStartDrag(Session->Object);
    }
    if (!Session) return; // the start handler ended it
    if (!Session->Object) {
        Session->OwnObject = FDragKind == dkDock ? std::make_unique<TDragDockObject>(this)
                                                 : std::make_unique<TDragControlObject>(this);
        Session->Object = Session->OwnObject.get();
    }
    Session->Object->SetDragPos(Session->Start);
    Session->CaptureWindow = AllocateHWnd(DragWindowProc);
    SetCapture(Session->CaptureWindow);
    if (Immediate) {
        Session->Started = true;
        DragTo(Session->Start);
    }
}

void TControl::EndDrag(bool Drop)
{
    if (Dragging()) DragDone(Drop);
}

bool TControl::Dragging() const
{
    return Session && Session->Source == this;
}

void TControl::DragOver(TObject *Source, int X, int Y, TDragState State, bool &Accept)
{
    Accept = static_cast<bool>(OnDragOver);
    if (OnDragOver) OnDragOver(this, Source, X, Y, State, Accept);
}

void TControl::DragDrop(TObject *Source, int X, int Y)
{
    if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}

void TControl::DoStartDrag(TDragObject *&DragObject)
{
    if (OnStartDrag) OnStartDrag(this, DragObject);
}

void TControl::DoEndDrag(TObject *Target, int X, int Y)
{
    if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

void TControl::DoStartDock(TDragDockObject *&DragObject)
{
    if (OnStartDock) OnStartDock(this, DragObject);
}

void TControl::DoEndDock(TObject *Target, int X, int Y)
{
    if (OnEndDock) OnEndDock(this, Target, X, Y);
}

void TControl::ManualDock(TWinControl *NewDockSite)
{
    if (NewDockSite && NewDockSite != FParent) SetParent(NewDockSite);
}

namespace
{

// Places a form so that its client area covers Client on the screen.
void SetClientBounds(TCustomForm *Form, const TRect &Client)
{
    Form->HandleNeeded();
    const TRect Outer = Form->BoundsRect();
    const TPoint Origin = Form->ClientOrigin();
    const TRect Inner = Form->ClientRect();
    Form->SetBounds(Client.Left - (Origin.X - Outer.Left), Client.Top - (Origin.Y - Outer.Top),
                    Client.Width() + Outer.Width() - Inner.Width(),
                    Client.Height() + Outer.Height() - Inner.Height());
}

} // namespace

bool TControl::ManualFloat(const TRect &ScreenPos)
{
    if (!FFloatingDockSiteClass) return false;
    // A floating control moves with the host it has.
    auto *Host = dynamic_cast<TCustomDockForm *>(FParent);
    if (!Host) Host = static_cast<TCustomDockForm *>(FFloatingDockSiteClass->Create(Application));
    Host->SetCaption(Caption());
    SetClientBounds(Host, ScreenPos);
    SetParent(Host);
    SetBounds(0, 0, ScreenPos.Width(), ScreenPos.Height());
    Host->Show();
    return true;
}

bool TControl::Floating() const
{
    return dynamic_cast<TCustomDockForm *>(FParent) != nullptr;
}

void TControl::SetFloatingDockSiteClass(TClass Value)
{
    if (Value && !Value->InheritsFrom(TCustomDockForm::StaticClass()))
        throw EInvalidOperation("A floating dock site must be a dock form");
    FFloatingDockSiteClass = Value;
}

void vcl::ForgetDragControl(TControl *Control)
{
    if (!Session) return;
    if (Session->Source == Control) {
        CloseSession();
        return;
    }
    if (Session->Target == Control) {
        Session->Target = nullptr;
        Session->Accepted = false;
        Session->Object->SetDragTarget(nullptr);
    }
}
