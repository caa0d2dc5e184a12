#include "platform/win/DeviceContext.h"
#include "platform/win/GdiObjects.h"
#include "platform/win/HandleTable.h"
#include "platform/win/Hooks.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/QueueInternal.h"
#include "platform/win/Rect.h"
#include "platform/win/SysParams.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <unordered_map>

namespace win
{
namespace
{

struct Registry {
    std::mutex Mutex;
    std::map<std::uintptr_t, std::unique_ptr<Window>> Windows; // ordered: creation order
    std::vector<HWND> TopLevels;                               // Z order, topmost first
    std::uintptr_t NextId = 0x100;
    std::atomic<std::uint64_t> Removals{0}; // FindWindow trusts its recent finds while it stands
    std::map<std::u16string, std::shared_ptr<const WindowClass>> Classes;

    // A window still here at exit keeps its widget: Qt's own globals may be gone
    // by now, and a widget destroyed then calls into them.
    ~Registry()
    {
        for (auto &Entry : Windows)
            static_cast<void>(Entry.second->Widget.release());
    }
};

Registry &TheRegistry()
{
    static Registry R;
    return R;
}

struct ThreadState {
    HWND Focus{};
    HWND Active{};
    HWND Capture{};
    HWND Tracked{};
    bool TrackedClient = true;
};

thread_local ThreadState State;

std::u16string ClassKey(LPCWSTR Name)
{
    std::u16string Key = Name ? Name : u"";
    for (auto &C : Key)
        if (C >= u'a' && C <= u'z') C = static_cast<char16_t>(C - u'a' + u'A');
    return Key;
}

std::shared_ptr<const WindowClass> FindClass(LPCWSTR Name)
{
    Registry &R = TheRegistry();
    std::lock_guard Lock(R.Mutex);
    auto It = R.Classes.find(ClassKey(Name));
    return It == R.Classes.end() ? nullptr : It->second;
}

std::vector<HWND> &Siblings(const Window &W)
{
    if (W.Parent && !W.TopLevel()) return FindWindow(W.Parent)->Children;
    return TheRegistry().TopLevels;
}

bool IsTopmost(HWND Wnd)
{
    const Window *W = FindWindow(Wnd);
    return W && (W->ExStyle & WS_EX_TOPMOST);
}

void RemoveFromZOrder(Window &W)
{
    auto &List = Siblings(W);
    std::lock_guard Lock(TheRegistry().Mutex);
    List.erase(std::remove(List.begin(), List.end(), W.Handle), List.end());
}

// Puts a window into its sibling list at the place InsertAfter names, keeping
// topmost top-level windows above the others.
void PlaceInZOrder(Window &W, HWND InsertAfter)
{
    RemoveFromZOrder(W);
    auto &List = Siblings(W);
    const bool Top = W.TopLevel();
    if (InsertAfter == HWND_TOPMOST) W.ExStyle |= WS_EX_TOPMOST;
    if (InsertAfter == HWND_NOTOPMOST) W.ExStyle &= ~WS_EX_TOPMOST;
    auto FirstPlain =
        std::find_if(List.begin(), List.end(), [&](HWND H) { return !Top || !IsTopmost(H); });
    auto Where = List.begin();
    if (InsertAfter == HWND_BOTTOM) {
        Where = List.end();
    } else if (InsertAfter == HWND_TOP || InsertAfter == HWND_TOPMOST ||
               InsertAfter == HWND_NOTOPMOST) {
        Where = (Top && !(W.ExStyle & WS_EX_TOPMOST)) ? FirstPlain : List.begin();
    } else {
        auto After = std::find(List.begin(), List.end(), InsertAfter);
        Where = After == List.end() ? List.begin() : After + 1;
    }
    std::lock_guard Lock(TheRegistry().Mutex);
    List.insert(Where, W.Handle);
}

RECT DefaultClientRect(const Window &W, const RECT &Rect)
{
    NCCALCSIZE_PARAMS Params{};
    Params.rgrc[0] = Rect;
    CallWindow(W.Handle, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&Params));
    RECT Client = Params.rgrc[0];
    OffsetRect(&Client, -Rect.left, -Rect.top);
    Client.right = std::max(Client.right, Client.left);
    Client.bottom = std::max(Client.bottom, Client.top);
    return Client;
}

// Copies Area of From into To with Area's top-left corner at At, leaving out what falls
// outside either image.
void CopyPixels(const QImage &From, QRect Area, QImage &To, QPoint At)
{
    const QPoint Shift = At - Area.topLeft();
    Area &= From.rect() & To.rect().translated(-Shift);
    if (Area.isEmpty()) return;
    const int Bytes = From.depth() / 8;
    for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
        std::copy_n(From.constScanLine(Y) + Area.left() * Bytes, Area.width() * Bytes,
                    To.scanLine(Y + Shift.y()) + (Area.left() + Shift.x()) * Bytes);
}

// Sized or given a new frame, a window keeps its pixels: the frame's where they stood until
// it is drawn again, the client's at the client's upper-left corner as Win32 keeps them, so a
// frame that grows or shrinks takes the client's picture along.
void ResizeSurface(Window &W, const RECT &OldClient)
{
    const QSize Size(std::max(W.Width(), 0), std::max(W.Height(), 0));
    const QPoint Origin(W.Client.left, W.Client.top);
    const QPoint OldOrigin(OldClient.left, OldClient.top);
    if (W.MessageOnly || W.Surface.isNull()) return;
    if (W.Surface.size() == Size && Origin == OldOrigin) return;
    ApplyHeldScroll(W);
    DrawHeld(W.Handle);
    QImage Next(Size, QImage::Format_RGB32);
    Next.fill(Qt::white);
    CopyPixels(W.Surface, W.Surface.rect(), Next, QPoint(0, 0));
    const QSize Kept(std::min(OldClient.right - OldClient.left, W.Client.right - W.Client.left),
                     std::min(OldClient.bottom - OldClient.top, W.Client.bottom - W.Client.top));
    CopyPixels(W.Surface, QRect(OldOrigin, Kept), Next, Origin);
    W.Surface = std::move(Next);
    if (Origin != OldOrigin) UpdateWidget(W, QRect(Origin, Kept));
}

void InvalidateAll(Window &W, bool Children)
{
    const RECT &C = W.Client;
    W.Update = QRegion(0, 0, C.right - C.left, C.bottom - C.top);
    W.EraseBackground = true;
    W.FrameDirty = true;
    NotePaintMayBeDue(W.ThreadId, W.Handle);
    if (Children)
        for (HWND Child : W.Children)
            if (Window *Cw = FindWindow(Child)) InvalidateAll(*Cw, true);
}

// The part of the client area a resize newly uncovers, or all of it when the
// class asks for a full redraw.
void InvalidateAfterResize(Window &W, const RECT &OldClient)
{
    const int OldW = OldClient.right - OldClient.left, OldH = OldClient.bottom - OldClient.top;
    const int NewW = W.Client.right - W.Client.left, NewH = W.Client.bottom - W.Client.top;
    const UINT ClassStyle = W.Class ? W.Class->Style : 0;
    W.FrameDirty = true;
    NotePaintMayBeDue(W.ThreadId, W.Handle);
    if ((NewW != OldW && (ClassStyle & CS_HREDRAW)) ||
        (NewH != OldH && (ClassStyle & CS_VREDRAW))) {
        InvalidateAll(W, false);
        return;
    }
    const QRegion Exposed = QRegion(0, 0, NewW, NewH) - QRegion(0, 0, OldW, OldH);
    if (!Exposed.isEmpty()) {
        W.Update += Exposed;
        W.EraseBackground = true;
    }
}

void SendWindowPosChanged(Window &W, UINT Flags)
{
    WINDOWPOS Pos{W.Handle, HWND{}, W.Rect.left, W.Rect.top, W.Width(), W.Height(), Flags};
    SendMessageW(W.Handle, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&Pos));
}

void SetVisible(Window &W, bool Visible, UINT Flags)
{
    if (W.Visible == Visible) return;
    W.Visible = Visible;
    if (Visible) W.ShownInactive = Flags & SWP_NOACTIVATE;
    NoteVisibilityChanged();
    if (Visible)
        W.Style |= WS_VISIBLE;
    else
        W.Style &= ~WS_VISIBLE;
    if (Visible && !(Flags & SWP_NOREDRAW)) InvalidateAll(W, true);
    if (!Visible) {
        if (State.Capture && (State.Capture == W.Handle || IsChild(W.Handle, State.Capture)))
            ReleaseCapture();
        if (State.Focus && (State.Focus == W.Handle || IsChild(W.Handle, State.Focus)))
            SetFocus(W.Parent && !W.TopLevel() ? W.Parent : HWND{});
    }
}

void DestroyTree(HWND Wnd);

void FinishDestroy(Window &W)
{
    const HWND Handle = W.Handle;
    for (HWND Child : std::vector<HWND>(W.Children))
        DestroyTree(Child);
    CallWindow(Handle, WM_NCDESTROY, 0, 0);
    ForgetWindowMessages(Handle);
    if (State.Tracked == Handle) State.Tracked = {};
    RemoveFromZOrder(W);
    W.Widget.reset();
    Registry &R = TheRegistry();
    std::unique_ptr<Window> Dead;
    {
        std::lock_guard Lock(R.Mutex);
        auto It = R.Windows.find(IdFromHandle(Handle));
        R.Removals.fetch_add(1, std::memory_order_release);
        Dead = std::move(It->second);
        R.Windows.erase(It);
    }
}

void DestroyTree(HWND Wnd)
{
    Window *W = FindWindow(Wnd);
    if (!W || W->Destroying) return;
    W->Destroying = true;
    CallWindow(Wnd, WM_DESTROY, 0, 0);
    if (FindWindow(Wnd)) FinishDestroy(*W);
}

LRESULT CallMethod(const TWndMethod &Method, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage Message{Msg, WParam, LParam, 0};
    Method(Message);
    return Message.Result;
}

// The work area of the screen the window is on: what a maximised window fills.
RECT WorkAreaOf(HWND Wnd)
{
    MONITORINFO Info{};
    Info.cbSize = sizeof Info;
    GetMonitorInfoW(MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST), &Info);
    return Info.rcWork;
}

// Restored from its icon a window comes back as it was; restored otherwise it takes its
// normal place again.
bool MaximizedAfter(const Window &W, int Command)
{
    switch (Command) {
    case SW_MAXIMIZE:
        return true;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
        return W.Minimized && W.Maximized;
    default:
        return W.Maximized;
    }
}

// The style tells a maximised window that is not an icon now.
void MarkZoomed(Window &W)
{
    if (W.Maximized && !W.Minimized)
        W.Style |= WS_MAXIMIZE;
    else
        W.Style &= ~WS_MAXIMIZE;
}

// Takes the work area, keeping the normal place to come back to, or gives that place back.
// The state comes first, so the window's WM_SIZE says which it is.
void Zoom(Window &W, bool Maximize)
{
    if (Maximize) W.Normal = W.Rect;
    W.Maximized = Maximize;
    MarkZoomed(W);
    const RECT R = Maximize ? WorkAreaOf(W.Handle) : W.Normal;
    SetWindowPos(W.Handle, {}, R.left, R.top, R.right - R.left, R.bottom - R.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

DWORD CurrentThreadId()
{
    thread_local const DWORD Id = static_cast<DWORD>(::syscall(SYS_gettid));
    return Id;
}

Window *FindWindow(HWND Wnd)
{
    Registry &R = TheRegistry();
    return FindRecent(R.Mutex, R.Windows, R.Removals, IdFromHandle(Wnd));
}

QImage &SurfaceOf(Window &W)
{
    // A held scroll came before any drawing held since: a scroll shows what was drawn first.
    ApplyHeldScroll(W);
    DrawHeld(W.Handle);
    const QSize Size(std::max(W.Width(), 0), std::max(W.Height(), 0));
    if (W.Surface.isNull() && !W.MessageOnly && !Size.isEmpty()) {
        W.Surface = QImage(Size, QImage::Format_RGB32);
        W.Surface.fill(Qt::white);
    }
    return W.Surface;
}

QRegion MovedWithin(const QRegion &Region, const QRect &Area, QPoint Delta)
{
    const QRegion Inside = Region & Area;
    if (Inside.isEmpty()) return Region;
    return (Region - QRegion(Area)) + (Inside.translated(Delta) & Area);
}

DWORD WindowThread(HWND Wnd)
{
    Registry &R = TheRegistry();
    std::lock_guard Lock(R.Mutex);
    auto It = R.Windows.find(IdFromHandle(Wnd));
    return It == R.Windows.end() ? 0 : It->second->ThreadId;
}

std::vector<HWND> TopLevelWindows()
{
    Registry &R = TheRegistry();
    std::lock_guard Lock(R.Mutex);
    return R.TopLevels;
}

std::vector<HWND> ThreadWindows(DWORD ThreadId)
{
    Registry &R = TheRegistry();
    std::lock_guard Lock(R.Mutex);
    std::vector<HWND> Result;
    for (auto &[Id, W] : R.Windows)
        if (W->ThreadId == ThreadId) Result.push_back(W->Handle);
    return Result;
}

POINT WindowScreenOrigin(const Window &W)
{
    POINT P{W.Rect.left, W.Rect.top};
    if (!W.TopLevel() && W.Parent)
        if (const Window *Parent = FindWindow(W.Parent)) {
            const POINT Base = ClientScreenOrigin(*Parent);
            P.x += Base.x;
            P.y += Base.y;
        }
    return P;
}

POINT ClientScreenOrigin(const Window &W)
{
    POINT P = WindowScreenOrigin(W);
    return POINT{P.x + W.Client.left, P.y + W.Client.top};
}

RECT ScreenRect(const Window &W)
{
    const POINT P = WindowScreenOrigin(W);
    return RECT{P.x, P.y, P.x + W.Width(), P.y + W.Height()};
}

namespace
{

bool ContainsPoint(const Window &W, POINT Screen)
{
    const RECT R = ScreenRect(W);
    if (!PtInRect(&R, Screen)) return false;
    return !W.HasRegion || W.Region.contains(QPoint(Screen.x - R.left, Screen.y - R.top));
}

bool InClient(const Window &W, POINT Screen)
{
    const POINT Origin = WindowScreenOrigin(W);
    RECT C = W.Client;
    OffsetRect(&C, Origin.x, Origin.y);
    return PtInRect(&C, Screen);
}

HWND Resolve(const std::vector<HWND> &List, POINT Screen, LRESULT *Hit)
{
    for (HWND Wnd : List) {
        Window *W = FindWindow(Wnd);
        if (!W || !W->Visible || W->MessageOnly || !ContainsPoint(*W, Screen)) continue;
        if (W->Enabled && InClient(*W, Screen)) {
            const HWND Deeper = Resolve(std::vector<HWND>(W->Children), Screen, Hit);
            if (Deeper) return Deeper;
        }
        if (!W->Enabled) {
            if (!W->TopLevel()) continue;
            *Hit = HTERROR;
            return Wnd;
        }
        LRESULT Code = HTCLIENT;
        if (W->ThreadId == CurrentThreadId())
            Code =
                SendMessageW(Wnd, WM_NCHITTEST, 0,
                             MAKELPARAM(static_cast<WORD>(Screen.x), static_cast<WORD>(Screen.y)));
        if (Code == HTTRANSPARENT) continue;
        *Hit = Code;
        return Wnd;
    }
    return {};
}

} // namespace

HWND HitTestPoint(POINT Screen, LRESULT *Hit)
{
    LRESULT Code = HTNOWHERE;
    const HWND Wnd = Resolve(TopLevelWindows(), Screen, &Code);
    if (Hit) *Hit = Code;
    return Wnd;
}

LRESULT CallWindow(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    Window *W = FindWindow(Wnd);
    if (!W) return 0;
    const std::shared_ptr<const WindowProcedure> Procedure = W->Procedure;
    return (*Procedure)(Wnd, Msg, WParam, LParam);
}

HWND ThreadCapture()
{
    return State.Capture;
}

void CancelCapture()
{
    if (State.Capture) ReleaseCapture();
}

void NoteMouseOver(HWND Wnd, bool Client)
{
    if (!State.Tracked || (State.Tracked == Wnd && State.TrackedClient == Client)) return;
    const HWND Left = State.Tracked;
    const bool WasClient = State.TrackedClient;
    State.Tracked = {};
    if (Window *W = FindWindow(Left)) W->TrackFlags = 0;
    PostMessageW(Left, WasClient ? WM_MOUSELEAVE : WM_NCMOUSELEAVE, 0, 0);
}

WindowProcedure SetWindowProcedure(HWND Wnd, WindowProcedure Procedure)
{
    Window *W = FindWindow(Wnd);
    if (!W) return {};
    WindowProcedure Old = *W->Procedure;
    W->Procedure = std::make_shared<const WindowProcedure>(std::move(Procedure));
    W->RawProc = nullptr;
    return Old;
}

} // namespace win

using namespace win;

ATOM RegisterClassW(const WNDCLASSW *Class)
{
    if (!Class || !Class->lpszClassName || !Class->lpfnWndProc) return 0;
    auto C = std::make_shared<WindowClass>();
    C->Name = Class->lpszClassName;
    C->Style = Class->style;
    C->Proc = Class->lpfnWndProc;
    C->Background = Class->hbrBackground;
    C->Cursor = Class->hCursor;
    C->WndExtra = std::max(Class->cbWndExtra, 0);
    Registry &R = TheRegistry();
    std::lock_guard Lock(R.Mutex);
    const auto Key = ClassKey(Class->lpszClassName);
    if (R.Classes.count(Key)) return 0;
    R.Classes.emplace(Key, std::move(C));
    return static_cast<ATOM>(0xC000 + R.Classes.size());
}

BOOL UnregisterClassW(LPCWSTR ClassName, HINSTANCE)
{
    Registry &R = TheRegistry();
    std::lock_guard Lock(R.Mutex);
    return R.Classes.erase(ClassKey(ClassName)) ? TRUE : FALSE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR ClassName, WNDCLASSW *Class)
{
    const auto C = FindClass(ClassName);
    if (!C || !Class) return FALSE;
    *Class = WNDCLASSW{};
    Class->style = C->Style;
    Class->lpfnWndProc = C->Proc;
    Class->cbWndExtra = C->WndExtra;
    Class->hCursor = C->Cursor;
    Class->hbrBackground = C->Background;
    Class->lpszClassName = ClassName;
    return TRUE;
}

HWND CreateWindowExW(DWORD ExStyle, LPCWSTR ClassName, LPCWSTR WindowName, DWORD Style, int X,
                     int Y, int Width, int Height, HWND Parent, HMENU Menu, HINSTANCE Instance,
                     LPVOID Param)
{
    const auto Class = FindClass(ClassName);
    if (!Class) return {};
    const bool MessageOnly = Parent == HWND_MESSAGE;
    if (MessageOnly) Parent = {};
    if (Parent && !FindWindow(Parent)) return {};
    if ((Style & WS_CHILD) && !Parent) return {};

    EnsureQueue();
    auto W = std::make_unique<Window>();
    Window &Rec = *W;
    Rec.ThreadId = CurrentThreadId();
    Rec.Class = Class;
    Rec.RawProc = Class->Proc;
    Rec.Procedure = std::make_shared<const WindowProcedure>(Class->Proc);
    Rec.Style = Style & ~WS_VISIBLE;
    Rec.ExStyle = ExStyle;
    Rec.MessageOnly = MessageOnly;
    Rec.Enabled = !(Style & WS_DISABLED);
    Rec.Extra.assign((Class->WndExtra + sizeof(LONG_PTR) - 1) / sizeof(LONG_PTR), 0);
    Rec.Text = WindowName ? WindowName : u"";
    if (Style & WS_CHILD) {
        Rec.Parent = Parent;
        Rec.Id = reinterpret_cast<LONG_PTR>(Menu);
    } else if (Parent) {
        // The owner of a top-level window is always a top-level window.
        HWND Owner = Parent;
        while (Window *O = FindWindow(Owner)) {
            if (O->TopLevel()) break;
            Owner = O->Parent;
        }
        Rec.Owner = Owner;
    }
    if (X == CW_USEDEFAULT) X = Y = 0;
    if (Width == CW_USEDEFAULT) Width = Height = 0;
    Rec.Rect = RECT{X, Y, X + std::max(Width, 0), Y + std::max(Height, 0)};
    Rec.Client = RECT{0, 0, Rec.Width(), Rec.Height()};
    {
        Registry &R = TheRegistry();
        std::lock_guard Lock(R.Mutex);
        Rec.Handle = HandleFromId<HWND>(R.NextId++);
        R.Windows.emplace(IdFromHandle(Rec.Handle), std::move(W));
    }
    if (!MessageOnly) PlaceInZOrder(Rec, HWND_TOP);
    const HWND Handle = Rec.Handle;

    CREATESTRUCTW Create{Param, Instance, Menu,        Parent,     Height,    Width,
                         Y,     X,        LONG(Style), WindowName, ClassName, ExStyle};
    const LPARAM CreateParam = reinterpret_cast<LPARAM>(&Create);
    if (!CallWindow(Handle, WM_NCCREATE, 0, CreateParam)) {
        DestroyWindow(Handle);
        return {};
    }
    if (!FindWindow(Handle)) return {};
    const RECT MadeClient = Rec.Client;
    Rec.Client = DefaultClientRect(Rec, Rec.Rect);
    ResizeSurface(Rec, MadeClient);
    if (CallWindow(Handle, WM_CREATE, 0, CreateParam) == -1) {
        DestroyWindow(Handle);
        return {};
    }
    if (!FindWindow(Handle)) return {};
    if (!MessageOnly) SyncWidget(Rec);
    SendMessageW(Handle, WM_SIZE, SIZE_RESTORED,
                 MAKELPARAM(WORD(Rec.Client.right - Rec.Client.left),
                            WORD(Rec.Client.bottom - Rec.Client.top)));
    SendMessageW(Handle, WM_MOVE, 0, MAKELPARAM(WORD(Rec.Rect.left), WORD(Rec.Rect.top)));
    if ((Style & WS_MAXIMIZE) && Rec.TopLevel() && FindWindow(Handle)) Zoom(Rec, true);
    if ((Style & WS_VISIBLE) && FindWindow(Handle)) ShowWindow(Handle, SW_SHOW);
    return FindWindow(Handle) ? Handle : HWND{};
}

BOOL DestroyWindow(HWND Wnd)
{
    Window *W = FindWindow(Wnd);
    if (!W || W->ThreadId != CurrentThreadId() || W->Destroying) return FALSE;
    if (RunCbtHooks(HCBT_DESTROYWND, reinterpret_cast<WPARAM>(Wnd), 0)) return FALSE;
    if (W->Visible && !W->MessageOnly)
        SetWindowPos(Wnd, {}, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (State.Capture == Wnd || IsChild(Wnd, State.Capture)) ReleaseCapture();
    if (State.Focus == Wnd || IsChild(Wnd, State.Focus)) State.Focus = {};
    if (State.Active == Wnd) State.Active = {};
    // Owned windows go with their owner.
    for (HWND Owned : TopLevelWindows())
        if (const Window *O = FindWindow(Owned); O && O->Owner == Wnd) DestroyWindow(Owned);
    DestroyTree(Wnd);
    return TRUE;
}

BOOL IsWindow(HWND Wnd)
{
    return WindowThread(Wnd) != 0;
}

BOOL IsWindowVisible(HWND Wnd)
{
    for (const Window *W = FindWindow(Wnd); W; W = W->TopLevel() ? nullptr : FindWindow(W->Parent))
        if (!W->Visible) return FALSE;
    return FindWindow(Wnd) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND Wnd)
{
    const Window *W = FindWindow(Wnd);
    return W && W->Enabled;
}

BOOL IsIconic(HWND Wnd)
{
    const Window *W = FindWindow(Wnd);
    return W && W->Minimized;
}

BOOL IsZoomed(HWND Wnd)
{
    const Window *W = FindWindow(Wnd);
    return W && (W->Style & WS_MAXIMIZE);
}

BOOL IsChild(HWND Parent, HWND Wnd)
{
    if (!Parent) return FALSE;
    for (const Window *W = FindWindow(Wnd); W && !W->TopLevel(); W = FindWindow(W->Parent))
        if (W->Parent == Parent) return TRUE;
    return FALSE;
}

BOOL EnableWindow(HWND Wnd, BOOL Enable)
{
    Window *W = FindWindow(Wnd);
    if (!W) return FALSE;
    const BOOL WasDisabled = !W->Enabled;
    if (W->Enabled != bool(Enable)) {
        W->Enabled = Enable;
        if (Enable)
            W->Style &= ~WS_DISABLED;
        else
            W->Style |= WS_DISABLED;
        if (!Enable && (State.Focus == Wnd || IsChild(Wnd, State.Focus))) SetFocus({});
        if (!Enable && State.Capture == Wnd) ReleaseCapture();
        SendMessageW(Wnd, WM_ENABLE, Enable, 0);
    }
    return WasDisabled;
}

BOOL SetWindowPos(HWND Wnd, HWND InsertAfter, int X, int Y, int Cx, int Cy, UINT Flags)
{
    Window *W = FindWindow(Wnd);
    if (!W || W->ThreadId != CurrentThreadId()) return FALSE;
    WINDOWPOS Pos{Wnd, InsertAfter, X, Y, Cx, Cy, Flags};
    if (Flags & SWP_NOMOVE) Pos.x = W->Rect.left, Pos.y = W->Rect.top;
    if (Flags & SWP_NOSIZE) Pos.cx = W->Width(), Pos.cy = W->Height();
    if (!(Flags & SWP_NOSENDCHANGING))
        SendMessageW(Wnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&Pos));
    if (!(W = FindWindow(Wnd))) return FALSE;
    Flags = Pos.flags;
    const RECT OldRect = W->Rect, OldClient = W->Client;
    const RECT NewRect{Pos.x, Pos.y, Pos.x + std::max(Pos.cx, 0), Pos.y + std::max(Pos.cy, 0)};
    const bool Sized =
        NewRect.right - NewRect.left != W->Width() || NewRect.bottom - NewRect.top != W->Height();
    const bool Moved = NewRect.left != OldRect.left || NewRect.top != OldRect.top;
    W->Rect = NewRect;
    if (Sized || (Flags & SWP_FRAMECHANGED)) {
        W->Client = DefaultClientRect(*W, W->Rect);
        ResizeSurface(*W, OldClient);
        if (!(Flags & SWP_NOREDRAW)) InvalidateAfterResize(*W, OldClient);
    }
    if (!(Flags & SWP_NOZORDER) && !W->MessageOnly) PlaceInZOrder(*W, InsertAfter);
    if (Flags & SWP_SHOWWINDOW) SetVisible(*W, true, Flags);
    if (Flags & SWP_HIDEWINDOW) SetVisible(*W, false, Flags);
    if (!(W = FindWindow(Wnd))) return FALSE;
    if (!W->MessageOnly) SyncWidget(*W);
    if (W->TopLevel() && W->Visible && (Flags & SWP_SHOWWINDOW) && !(Flags & SWP_NOACTIVATE) &&
        !(W->ExStyle & WS_EX_NOACTIVATE))
        SetActiveWindow(Wnd);
    UINT Changed = Flags;
    if (!Moved) Changed |= SWP_NOMOVE;
    if (!Sized) Changed |= SWP_NOSIZE;
    if (FindWindow(Wnd)) SendWindowPosChanged(*FindWindow(Wnd), Changed);
    return TRUE;
}

BOOL ShowWindow(HWND Wnd, int Command)
{
    Window *W = FindWindow(Wnd);
    if (!W) return FALSE;
    const BOOL WasVisible = W->Visible;
    const bool Show = Command != SW_HIDE;
    UINT Flags = SWP_NOSIZE | SWP_NOMOVE | (Show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
    if (!Show || Command == SW_SHOWNA || Command == SW_SHOWNOACTIVATE ||
        Command == SW_SHOWMINNOACTIVE)
        Flags |= SWP_NOACTIVATE | SWP_NOZORDER;
    const bool WasMinimized = W->Minimized;
    const bool Maximize = W->TopLevel() && MaximizedAfter(*W, Command);
    W->Minimized =
        Command == SW_MINIMIZE || Command == SW_SHOWMINIMIZED || Command == SW_SHOWMINNOACTIVE;
    MarkZoomed(*W);
    if (WasMinimized && !W->Minimized) NoteBackFromIcon(*W);
    if (bool(WasVisible) != Show) SendMessageW(Wnd, WM_SHOWWINDOW, Show, 0);
    if (!(W = FindWindow(Wnd))) return WasVisible;
    if (Maximize != W->Maximized) Zoom(*W, Maximize);
    if (!FindWindow(Wnd)) return WasVisible;
    SetWindowPos(Wnd, HWND_TOP, 0, 0, 0, 0, Flags);
    if (!(W = FindWindow(Wnd))) return WasVisible;
    SyncMinimized(*W, !(Flags & SWP_NOACTIVATE));
    SyncMaximized(*W);
    return WasVisible;
}

BOOL MoveWindow(HWND Wnd, int X, int Y, int Width, int Height, BOOL Repaint)
{
    return SetWindowPos(Wnd, {}, X, Y, Width, Height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (Repaint ? 0 : SWP_NOREDRAW));
}

BOOL GetWindowRect(HWND Wnd, LPRECT Rect)
{
    const Window *W = FindWindow(Wnd);
    if (!W || !Rect) return FALSE;
    *Rect = ScreenRect(*W);
    return TRUE;
}

BOOL GetClientRect(HWND Wnd, LPRECT Rect)
{
    const Window *W = FindWindow(Wnd);
    if (!W || !Rect) return FALSE;
    *Rect = RECT{0, 0, W->Client.right - W->Client.left, W->Client.bottom - W->Client.top};
    return TRUE;
}

BOOL ClientToScreen(HWND Wnd, LPPOINT Point)
{
    const Window *W = FindWindow(Wnd);
    if (!W || !Point) return FALSE;
    const POINT O = ClientScreenOrigin(*W);
    Point->x += O.x;
    Point->y += O.y;
    return TRUE;
}

BOOL ScreenToClient(HWND Wnd, LPPOINT Point)
{
    const Window *W = FindWindow(Wnd);
    if (!W || !Point) return FALSE;
    const POINT O = ClientScreenOrigin(*W);
    Point->x -= O.x;
    Point->y -= O.y;
    return TRUE;
}

int MapWindowPoints(HWND From, HWND To, LPPOINT Points, UINT Count)
{
    POINT OFrom{0, 0}, OTo{0, 0};
    if (From && !ClientToScreen(From, &OFrom)) return 0;
    if (To && !ClientToScreen(To, &OTo)) return 0;
    const int Dx = OFrom.x - OTo.x, Dy = OFrom.y - OTo.y;
    for (UINT I = 0; I < Count; ++I) {
        Points[I].x += Dx;
        Points[I].y += Dy;
    }
    return MAKELONG(WORD(Dx), WORD(Dy));
}

HWND WindowFromPoint(POINT Point)
{
    return HitTestPoint(Point, nullptr);
}

HWND ChildWindowFromPoint(HWND Parent, POINT Point)
{
    const Window *P = FindWindow(Parent);
    if (!P) return {};
    RECT Client;
    GetClientRect(Parent, &Client);
    if (!PtInRect(&Client, Point)) return {};
    const POINT Origin = ClientScreenOrigin(*P);
    const POINT Screen{Point.x + Origin.x, Point.y + Origin.y};
    for (HWND Child : P->Children)
        if (const Window *C = FindWindow(Child)) {
            const RECT R = ScreenRect(*C);
            if (PtInRect(&R, Screen)) return Child;
        }
    return Parent;
}

HWND GetParent(HWND Wnd)
{
    const Window *W = FindWindow(Wnd);
    if (!W) return {};
    return W->TopLevel() ? W->Owner : W->Parent;
}

HWND SetParent(HWND Wnd, HWND NewParent)
{
    Window *W = FindWindow(Wnd);
    if (!W || (NewParent && !FindWindow(NewParent)) || Wnd == NewParent) return {};
    const HWND Old = W->Parent;
    RemoveFromZOrder(*W);
    W->Parent = NewParent;
    if (!NewParent) W->Style &= ~WS_CHILD;
    PlaceInZOrder(*W, HWND_TOP);
    RebuildWidget(*W);
    NoteVisibilityChanged();
    return Old ? Old : GetDesktopWindow();
}

HWND GetWindow(HWND Wnd, UINT Command)
{
    const Window *W = FindWindow(Wnd);
    if (!W) return {};
    if (Command == GW_OWNER) return W->Owner;
    if (Command == GW_CHILD) return W->Children.empty() ? HWND{} : W->Children.front();
    const std::vector<HWND> List =
        W->TopLevel() ? TopLevelWindows() : FindWindow(W->Parent)->Children;
    if (List.empty()) return {};
    auto It = std::find(List.begin(), List.end(), Wnd);
    switch (Command) {
    case GW_HWNDFIRST:
        return List.front();
    case GW_HWNDLAST:
        return List.back();
    case GW_HWNDNEXT:
        return (It == List.end() || It + 1 == List.end()) ? HWND{} : *(It + 1);
    case GW_HWNDPREV:
        return (It == List.begin() || It == List.end()) ? HWND{} : *(It - 1);
    default:
        return {};
    }
}

// No desktop window of ours exists; a fixed handle stands for it where Win32 returns one.
HWND GetDesktopWindow()
{
    return HandleFromId<HWND>(0x10);
}

HWND GetTopWindow(HWND Wnd)
{
    if (!Wnd) {
        const auto List = TopLevelWindows();
        return List.empty() ? HWND{} : List.front();
    }
    return GetWindow(Wnd, GW_CHILD);
}

LONG_PTR GetWindowLongPtrW(HWND Wnd, int Index)
{
    const Window *W = FindWindow(Wnd);
    if (!W) return 0;
    switch (Index) {
    case GWL_STYLE:
        return static_cast<LONG>(W->Style | (W->Visible ? WS_VISIBLE : 0));
    case GWL_EXSTYLE:
        return static_cast<LONG>(W->ExStyle);
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(W->RawProc);
    case GWLP_USERDATA:
        return W->UserData;
    case GWLP_ID:
        return W->Id;
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(W->TopLevel() ? W->Owner : W->Parent);
    default:
        break;
    }
    const std::size_t Slot = static_cast<std::size_t>(Index) / sizeof(LONG_PTR);
    return Index >= 0 && Slot < W->Extra.size() ? W->Extra[Slot] : 0;
}

LONG_PTR SetWindowLongPtrW(HWND Wnd, int Index, LONG_PTR Value)
{
    Window *W = FindWindow(Wnd);
    if (!W) return 0;
    const LONG_PTR Old = GetWindowLongPtrW(Wnd, Index);
    switch (Index) {
    case GWL_STYLE:
        W->Style = static_cast<DWORD>(Value) & ~WS_VISIBLE;
        W->Enabled = !(W->Style & WS_DISABLED);
        NoteVisibilityChanged();
        break;
    case GWL_EXSTYLE:
        W->ExStyle = static_cast<DWORD>(Value);
        break;
    case GWLP_WNDPROC: {
        const auto Proc = reinterpret_cast<WNDPROC>(Value);
        if (!Proc) return 0;
        W->Procedure = std::make_shared<const WindowProcedure>(Proc);
        W->RawProc = Proc;
        break;
    }
    case GWLP_USERDATA:
        W->UserData = Value;
        break;
    case GWLP_ID:
        W->Id = Value;
        break;
    case GWLP_HWNDPARENT:
        if (W->TopLevel()) W->Owner = reinterpret_cast<HWND>(Value);
        break;
    default: {
        const std::size_t Slot = static_cast<std::size_t>(Index) / sizeof(LONG_PTR);
        if (Index < 0 || Slot >= W->Extra.size()) return 0;
        W->Extra[Slot] = Value;
    }
    }
    if (Index == GWL_STYLE || Index == GWL_EXSTYLE) SyncWidget(*W);
    return Old;
}

LONG GetWindowLongW(HWND Wnd, int Index)
{
    return static_cast<LONG>(GetWindowLongPtrW(Wnd, Index));
}

LONG SetWindowLongW(HWND Wnd, int Index, LONG Value)
{
    return static_cast<LONG>(SetWindowLongPtrW(Wnd, Index, Value));
}

LRESULT CallWindowProcW(WNDPROC Proc, HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    return Proc ? Proc(Wnd, Msg, WParam, LParam) : 0;
}

DWORD GetWindowThreadProcessId(HWND Wnd, LPDWORD ProcessId)
{
    if (ProcessId) *ProcessId = static_cast<DWORD>(::getpid());
    return WindowThread(Wnd);
}

int SetWindowRgn(HWND Wnd, HRGN Region, BOOL Redraw)
{
    Window *W = FindWindow(Wnd);
    if (!W) return 0;
    W->HasRegion = Region != nullptr;
    W->Region = Region ? TakeRegion(Region) : QRegion();
    SyncWidget(*W);
    if (Redraw) InvalidateAll(*W, false);
    return 1;
}

int GetWindowRgn(HWND Wnd, HRGN Region)
{
    const Window *W = FindWindow(Wnd);
    if (!W || !W->HasRegion || !SetRegion(Region, W->Region)) return 0; // ERROR
    return W->Region.isEmpty() ? 1 : (W->Region.rectCount() == 1 ? 2 : 3);
}

BOOL SetWindowTextW(HWND Wnd, LPCWSTR Text)
{
    return FindWindow(Wnd) ? BOOL(SendMessageW(Wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text)))
                           : FALSE;
}

int GetWindowTextW(HWND Wnd, LPWSTR Buffer, int MaxCount)
{
    return static_cast<int>(
        SendMessageW(Wnd, WM_GETTEXT, MaxCount, reinterpret_cast<LPARAM>(Buffer)));
}

int GetWindowTextLengthW(HWND Wnd)
{
    return static_cast<int>(SendMessageW(Wnd, WM_GETTEXTLENGTH, 0, 0));
}

HWND SetFocus(HWND Wnd)
{
    const HWND Old = State.Focus;
    if (Wnd == Old) return Old;
    if (Wnd && (!FindWindow(Wnd) || WindowThread(Wnd) != CurrentThreadId())) return {};
    if (Wnd) {
        // A disabled window takes no keys, nor does anything inside one: a window a modal box
        // disabled keeps them from going behind the box, whatever asks for the focus meanwhile.
        HWND Top = Wnd;
        while (Window *W = FindWindow(Top)) {
            if (!W->Enabled) return {};
            if (W->TopLevel()) break;
            Top = W->Parent;
        }
        if (Top != State.Active && !(FindWindow(Top)->ExStyle & WS_EX_NOACTIVATE))
            SetActiveWindow(Top);
    }
    State.Focus = Wnd;
    if (Window *W = FindWindow(Wnd); W && W->Native) W->Native->setFocus(Qt::OtherFocusReason);
    if (Old && FindWindow(Old)) SendMessageW(Old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(Wnd), 0);
    if (Wnd && State.Focus == Wnd) SendMessageW(Wnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(Old), 0);
    return Old;
}

HWND GetFocus()
{
    return State.Focus;
}
HWND GetActiveWindow()
{
    return State.Active;
}
HWND GetForegroundWindow()
{
    return State.Active;
}
BOOL SetForegroundWindow(HWND Wnd)
{
    return SetActiveWindow(Wnd) || State.Active == Wnd;
}

HWND SetActiveWindow(HWND Wnd)
{
    const HWND Old = State.Active;
    if (Wnd == Old) return Old;
    Window *W = FindWindow(Wnd);
    if (Wnd && (!W || !W->TopLevel())) return {};
    State.Active = Wnd;
    if (Old && FindWindow(Old)) {
        SendMessageW(Old, WM_NCACTIVATE, FALSE, 0);
        SendMessageW(Old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(Wnd));
    }
    if (Wnd && (W = FindWindow(Wnd))) {
        ActivateWidget(*W);
        SendMessageW(Wnd, WM_NCACTIVATE, TRUE, 0);
        SendMessageW(Wnd, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(Old));
    }
    return Old;
}

HWND SetCapture(HWND Wnd)
{
    const HWND Old = State.Capture;
    Window *W = FindWindow(Wnd);
    if (!W || W->ThreadId != CurrentThreadId() || Wnd == Old) return Old;
    if (Window *O = FindWindow(Old)) GrabPointer(*O, false);
    State.Capture = Wnd;
    GrabPointer(*W, true);
    if (Old && FindWindow(Old))
        SendMessageW(Old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(Wnd));
    return Old;
}

HWND GetCapture()
{
    return State.Capture;
}

BOOL ReleaseCapture()
{
    const HWND Old = State.Capture;
    if (!Old) return TRUE;
    State.Capture = {};
    if (Window *O = FindWindow(Old)) {
        GrabPointer(*O, false);
        ApplyCursor(nullptr, GetCursor(), false);
        SendMessageW(Old, WM_CAPTURECHANGED, 0, 0);
    }
    return TRUE;
}

BOOL TrackMouseEvent(LPTRACKMOUSEEVENT Track)
{
    if (!Track || Track->cbSize != sizeof(TRACKMOUSEEVENT)) return FALSE;
    if (Track->dwFlags & TME_QUERY) {
        *Track = TRACKMOUSEEVENT{sizeof(TRACKMOUSEEVENT), 0, {}, 0};
        if (State.Tracked) {
            Track->hwndTrack = State.Tracked;
            Track->dwFlags = TME_LEAVE | (State.TrackedClient ? 0 : TME_NONCLIENT);
        }
        return TRUE;
    }
    if (!FindWindow(Track->hwndTrack)) return FALSE;
    const bool Client = !(Track->dwFlags & TME_NONCLIENT);
    if (Track->dwFlags & TME_CANCEL) {
        if (State.Tracked == Track->hwndTrack && State.TrackedClient == Client) State.Tracked = {};
        return TRUE;
    }
    if (!(Track->dwFlags & TME_LEAVE)) return TRUE;
    // Win32 answers a request for a window the pointer is not over with an
    // immediate leave message.
    POINT Cursor;
    GetCursorPos(&Cursor);
    LRESULT Hit = HTNOWHERE;
    const HWND Under = ThreadCapture() ? ThreadCapture() : HitTestPoint(Cursor, &Hit);
    const bool Over = Under == Track->hwndTrack && ((Hit == HTCLIENT) == Client || ThreadCapture());
    if (!Over) {
        PostMessageW(Track->hwndTrack, Client ? WM_MOUSELEAVE : WM_NCMOUSELEAVE, 0, 0);
        return TRUE;
    }
    State.Tracked = Track->hwndTrack;
    State.TrackedClient = Client;
    FindWindow(Track->hwndTrack)->TrackFlags = Track->dwFlags;
    return TRUE;
}

HWND AllocateHWnd(TWndMethod Method)
{
    static const bool Registered = [] {
        WNDCLASSW Class{};
        Class.lpfnWndProc = DefWindowProcW;
        Class.lpszClassName = u"TPUtilWindow";
        return RegisterClassW(&Class) != 0;
    }();
    if (!Registered && !FindClass(u"TPUtilWindow")) return {};
    const HWND Wnd = CreateWindowExW(WS_EX_TOOLWINDOW, u"TPUtilWindow", u"", WS_POPUP, 0, 0, 0, 0,
                                     HWND_MESSAGE, {}, {}, nullptr);
    if (Wnd && Method)
        SetWindowProcedure(Wnd, [Method](HWND, UINT Msg, WPARAM WParam, LPARAM LParam) {
            return CallMethod(Method, Msg, WParam, LParam);
        });
    return Wnd;
}

void DeallocateHWnd(HWND Wnd)
{
    DestroyWindow(Wnd);
}

DWORD GetCurrentThreadId()
{
    return CurrentThreadId();
}

BOOL SetLayeredWindowAttributes(HWND Wnd, COLORREF, BYTE Alpha, DWORD Flags)
{
    Window *W = FindWindow(Wnd);
    if (!W || !(W->ExStyle & WS_EX_LAYERED)) return FALSE;
    W->Alpha = (Flags & LWA_ALPHA) ? Alpha : 255;
    SyncWidget(*W);
    return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND Wnd, COLORREF *Key, BYTE *Alpha, DWORD *Flags)
{
    const Window *W = FindWindow(Wnd);
    if (!W || !(W->ExStyle & WS_EX_LAYERED)) return FALSE;
    if (Key) *Key = 0;
    if (Alpha) *Alpha = W->Alpha;
    if (Flags) *Flags = LWA_ALPHA;
    return TRUE;
}
