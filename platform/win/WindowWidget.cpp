#include "platform/win/WindowWidget.h"

#include "platform/win/Icon.h"
#include "platform/win/NativeWidget.h"
#include "platform/win/QueueInternal.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace win
{
namespace
{

// Virtual keys of the keys whose meaning follows the keyboard layout, by X key
// code: the physical key decides, so letters give Latin codes on a Russian layout.
int VirtualKeyFromKeyCode(quint32 Code)
{
    static const char Row1[] = "1234567890"; // 10..19
    static const char Row2[] = "QWERTYUIOP"; // 24..33
    static const char Row3[] = "ASDFGHJKL";  // 38..46
    static const char Row4[] = "ZXCVBNM";    // 52..58
    if (Code >= 10 && Code <= 19) return Row1[Code - 10];
    if (Code >= 24 && Code <= 33) return Row2[Code - 24];
    if (Code >= 38 && Code <= 46) return Row3[Code - 38];
    if (Code >= 52 && Code <= 58) return Row4[Code - 52];
    switch (Code) {
    case 20:
        return VK_OEM_MINUS;
    case 21:
        return VK_OEM_PLUS;
    case 34:
        return VK_OEM_4;
    case 35:
        return VK_OEM_6;
    case 47:
        return VK_OEM_1;
    case 48:
        return VK_OEM_7;
    case 49:
        return VK_OEM_3;
    case 51:
        return VK_OEM_5;
    case 59:
        return VK_OEM_COMMA;
    case 60:
        return VK_OEM_PERIOD;
    case 61:
        return VK_OEM_2;
    case 94:
        return VK_OEM_102;
    default:
        return 0;
    }
}

int VirtualKeyFromQt(int Key)
{
    if (Key >= Qt::Key_A && Key <= Qt::Key_Z) return 'A' + (Key - Qt::Key_A);
    if (Key >= Qt::Key_0 && Key <= Qt::Key_9) return '0' + (Key - Qt::Key_0);
    if (Key >= Qt::Key_F1 && Key <= Qt::Key_F24) return VK_F1 + (Key - Qt::Key_F1);
    switch (Key) {
    case Qt::Key_Escape:
        return VK_ESCAPE;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return VK_TAB;
    case Qt::Key_Backspace:
        return VK_BACK;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_Insert:
        return VK_INSERT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_Pause:
        return VK_PAUSE;
    case Qt::Key_Print:
        return VK_SNAPSHOT;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_Shift:
        return VK_SHIFT;
    case Qt::Key_Control:
        return VK_CONTROL;
    case Qt::Key_Alt:
        return VK_MENU;
    case Qt::Key_Meta:
        return VK_LWIN;
    case Qt::Key_CapsLock:
        return VK_CAPITAL;
    case Qt::Key_NumLock:
        return VK_NUMLOCK;
    case Qt::Key_ScrollLock:
        return VK_SCROLL;
    case Qt::Key_Menu:
        return VK_APPS;
    case Qt::Key_Space:
        return VK_SPACE;
    case Qt::Key_Minus:
        return VK_OEM_MINUS;
    case Qt::Key_Equal:
        return VK_OEM_PLUS;
    case Qt::Key_Comma:
        return VK_OEM_COMMA;
    case Qt::Key_Period:
        return VK_OEM_PERIOD;
    case Qt::Key_Slash:
        return VK_OEM_2;
    case Qt::Key_Semicolon:
        return VK_OEM_1;
    case Qt::Key_Apostrophe:
        return VK_OEM_7;
    case Qt::Key_QuoteLeft:
        return VK_OEM_3;
    case Qt::Key_BracketLeft:
        return VK_OEM_4;
    case Qt::Key_BracketRight:
        return VK_OEM_6;
    case Qt::Key_Backslash:
        return VK_OEM_5;
    case Qt::Key_Asterisk:
        return VK_MULTIPLY;
    case Qt::Key_Plus:
        return VK_ADD;
    default:
        return 0;
    }
}

bool ExtendedKey(int Vk)
{
    switch (Vk) {
    case VK_INSERT:
    case VK_DELETE:
    case VK_HOME:
    case VK_END:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
        return true;
    default:
        return false;
    }
}

MouseButton ButtonOf(Qt::MouseButton B)
{
    switch (B) {
    case Qt::LeftButton:
        return MouseButton::Left;
    case Qt::RightButton:
        return MouseButton::Right;
    case Qt::MiddleButton:
        return MouseButton::Middle;
    default:
        return MouseButton::None;
    }
}

POINT ScreenPoint(const QPointF &P)
{
    const QPoint I = P.toPoint();
    return POINT{I.x(), I.y()};
}

bool QueueMouse(QMouseEvent *E)
{
    MouseInput M;
    M.Screen = ScreenPoint(E->globalPosition());
    M.Button = ButtonOf(E->button());
    switch (E->type()) {
    case QEvent::MouseButtonPress:
        M.Action = MouseAction::Down;
        break;
    case QEvent::MouseButtonRelease:
        M.Action = MouseAction::Up;
        break;
    case QEvent::MouseButtonDblClick:
        M.Action = MouseAction::DoubleClick;
        break;
    default:
        M.Action = MouseAction::Move;
        break;
    }
    if (M.Action != MouseAction::Move && M.Button == MouseButton::None) return false;
    InjectMouseInput(M);
    return true;
}

bool QueueKey(QKeyEvent *E)
{
    KeyInput K;
    K.Down = E->type() == QEvent::KeyPress;
    K.VirtualKey = VirtualKeyFromKeyCode(E->nativeScanCode());
    if (!K.VirtualKey) K.VirtualKey = VirtualKeyFromQt(E->key());
    // A character of no key on the keyboard (one a typing tool mapped in for the moment, or
    // an on-screen keyboard's) comes as the packet key, as the system sends such characters,
    // rather than being lost.
    if (!K.VirtualKey && !E->text().isEmpty()) K.VirtualKey = VK_PACKET;
    if (!K.VirtualKey) return false;
    K.ScanCode = E->nativeScanCode() >= 8 ? static_cast<int>(E->nativeScanCode() - 8) : 0;
    K.Extended = ExtendedKey(K.VirtualKey);
    K.AutoRepeat = E->isAutoRepeat();
    const QString Text = E->text();
    if (K.Down && !Text.isEmpty() && Text.at(0).unicode() != 0x7F) K.Char = Text.at(0).unicode();
    InjectKeyInput(K);
    return true;
}

bool QueueWheel(QWheelEvent *W)
{
    MouseInput M;
    M.Action = MouseAction::Wheel;
    M.Screen = ScreenPoint(W->globalPosition());
    M.WheelDelta = W->angleDelta().y();
    if (!M.WheelDelta) return false;
    InjectMouseInput(M);
    return true;
}

// Queues a Qt input event; false for events that are not input.
bool QueueInput(QEvent *Event)
{
    switch (Event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        QueueMouse(static_cast<QMouseEvent *>(Event));
        return true;
    case QEvent::Wheel:
        QueueWheel(static_cast<QWheelEvent *>(Event));
        return true;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        QueueKey(static_cast<QKeyEvent *>(Event));
        return true;
    default:
        return false;
    }
}

// Input of a Qt control waits in the queue with its event, which the control
// gets back when its window's default procedure handles the message.
bool QueueNativeInput(QObject *Target, QEvent *Event)
{
    if (Event->type() == QEvent::ShortcutOverride) {
        Event->accept();
        return true;
    }
    bool Queued = false;
    switch (Event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        Queued = QueueMouse(static_cast<QMouseEvent *>(Event));
        break;
    case QEvent::Wheel:
        Queued = QueueWheel(static_cast<QWheelEvent *>(Event));
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        Queued = QueueKey(static_cast<QKeyEvent *>(Event));
        break;
    default:
        return false;
    }
    if (Queued)
        AttachNativeEvent(std::make_shared<NativeEvent>(
            NativeEvent{std::unique_ptr<QEvent>(Event->clone()), qobject_cast<QWidget *>(Target)}));
    return true;
}

// Our windows' widgets by address, so that the input filter looks at no other object.
std::unordered_map<const QObject *, WindowWidget *> &OurWidgets()
{
    // Never destroyed: widgets may still go after the program's statics.
    static auto *Widgets = new std::unordered_map<const QObject *, WindowWidget *>;
    return *Widgets;
}

WindowWidget *OurWidget(const QObject *Object)
{
    const auto Found = OurWidgets().find(Object);
    return Found == OurWidgets().end() ? nullptr : Found->second;
}

// While our records follow what the window system did, they ask nothing of it:
// asking back for an activation it already made, with another one pending, has
// the two answer each other for ever.
bool Following = false;

class FollowingWindowSystem
{
public:
    FollowingWindowSystem() : FWas(Following) { Following = true; }
    ~FollowingWindowSystem() { Following = FWas; }
    FollowingWindowSystem(const FollowingWindowSystem &) = delete;
    FollowingWindowSystem &operator=(const FollowingWindowSystem &) = delete;

private:
    bool FWas;
};

// The program's windows come back from their icons together, and the window manager may hand
// the focus to any of them as it maps them, in an order of its own. While it answers, those
// hand-overs are not followed; once it has been quiet for a moment, the window the program made
// active asks for the focus if it lacks it.
constexpr int SettleMilliseconds = 150;

std::unordered_set<HWND> &BackFromIcons()
{
    static std::unordered_set<HWND> Windows;
    return Windows;
}

void ClaimFocusAfterRestore()
{
    BackFromIcons().clear();
    Window *W = FindWindow(GetActiveWindow());
    if (W && W->Widget && W->TopLevel() && W->Visible && !W->Minimized &&
        QGuiApplication::focusWindow() != W->Widget->windowHandle())
        ActivateWidget(*W);
}

// A single-shot timer owned by the application, made on first use.
QTimer &AppTimer(QPointer<QTimer> &Timer, int Milliseconds, void (*OnTimeout)())
{
    if (!Timer) {
        Timer = new QTimer(QCoreApplication::instance());
        Timer->setSingleShot(true);
        Timer->setInterval(Milliseconds);
        QObject::connect(Timer, &QTimer::timeout, OnTimeout);
    }
    return *Timer;
}

QTimer &SettleTimer()
{
    static QPointer<QTimer> Timer;
    return AppTimer(Timer, SettleMilliseconds, ClaimFocusAfterRestore);
}

// Each answer of the window manager about our windows puts the claim off again.
void PutOffFocusClaim()
{
    if (!BackFromIcons().empty()) SettleTimer().start();
}

// What the program's windows last heard of its activation; nothing before the first word.
std::optional<bool> ToldActive;

// The windows hear of a change only, as they would on Windows: both the window system and our
// own following of the program's icons may report the same one.
void SendActivateApp(bool Active)
{
    if (ToldActive == Active) return;
    ToldActive = Active;
    if (!Active) CancelCapture();
    for (HWND Wnd : TopLevelWindows())
        if (WindowThread(Wnd) == CurrentThreadId()) SendMessageW(Wnd, WM_ACTIVATEAPP, Active, 0);
}

using IconStage = WindowWidget::IconStage;

bool OnScreen(const QWidget &Widget)
{
    return Widget.windowHandle() && Widget.windowHandle()->isExposed();
}

// Turns Qt input for our windows into queue records and swallows it; the few
// window-system notifications we care about are deferred to our own loop.
class InputFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    // Every object's events pass here, the web engine's too, whose classes carry no type
    // information: an object is looked at only when it is one of ours.
    bool eventFilter(QObject *Target, QEvent *Event) override
    {
        if (Event->type() == QEvent::ApplicationStateChange) {
            const bool Active =
                static_cast<QApplicationStateChangeEvent *>(Event)->applicationState() ==
                Qt::ApplicationActive;
            DeferToLoop([Active] { SendActivateApp(Active); });
            return false;
        }
        if (Event->type() == QEvent::Expose) NoteExposure(Target);
        if (Replaying(Event)) return false;
        if (const HWND Owner = NativeOwner(Target)) {
            NoteNativeParts(Owner, Event);
            return QueueNativeInput(Target, Event);
        }
        WindowWidget *Widget = OurWidget(Target);
        if (!Widget) return false;
        if (QueueInput(Event)) return true;
        const HWND Wnd = Widget->Handle();
        switch (Event->type()) {
        case QEvent::ShortcutOverride:
            Event->accept();
            return true;
        case QEvent::Leave: {
            const QPoint P = QCursor::pos();
            InjectMouseInput(MouseInput{MouseAction::Move, MouseButton::None, POINT{P.x(), P.y()}});
            return true;
        }
        case QEvent::Close:
            Event->ignore();
            DeferToLoop([Wnd] { SendMessageW(Wnd, WM_SYSCOMMAND, SC_CLOSE, 0); });
            return true;
        case QEvent::WindowActivate: {
            // A window that must not take the activation (a menu) is not given it
            // by a platform that activates every window it shows. One activated from
            // its icon is back, as its restore command says, even when our records still
            // hold it as the active window. The activation of one we minimised since can
            // come late, made before the window manager took it off the screen or after:
            // that window stays down.
            // Without a window system no one but us activates a window, so the platform's
            // activation of one we showed without it is only the echo of that show.
            const bool FromIcon = IsIconic(Wnd);
            PutOffFocusClaim();
            if (FromIcon ? !OnScreen(*Widget) || Widget->Stage() == IconStage::Going
                         : BackFromIcons().contains(Wnd))
                return false;
            DeferToLoop([Wnd, FromIcon] {
                const Window *W = FindWindow(Wnd);
                if (!W || bool(IsIconic(Wnd)) != FromIcon || (W->ExStyle & WS_EX_NOACTIVATE) ||
                    (W->ShownInactive && !WindowSystemCapable()))
                    return;
                // The window manager activates the window the user clicks, also one a modal
                // dialog disabled; followed, that activation gave the focus back to the
                // window's control, which then took the keys meant for the dialog. A disabled
                // window is not activated: the dialog stays the active window and keeps them.
                if (!FromIcon && !W->Enabled) return;
                const FollowingWindowSystem Following;
                if (FromIcon) SendMessageW(Wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
                if (GetActiveWindow() != Wnd) SetActiveWindow(Wnd);
            });
            return false;
        }
        case QEvent::WindowStateChange:
            PutOffFocusClaim();
            NoteMinimized(*Widget);
            return false;
        case QEvent::Resize:
        case QEvent::Move:
            NoteFrameGeometry(*Widget);
            return false;
        default:
            return false;
        }
    }

private:
    // A window we minimised has reached its icon once it shows no more. Shown again with the
    // focus, it was activated from its icon: the window manager need not tell a window that
    // kept the focus (its activation before it went down came late) that it has it again.
    static void NoteExposure(QObject *Target)
    {
        const auto *Shown = qobject_cast<QWindow *>(Target);
        WindowWidget *Widget = Shown ? OurWidget(QWidget::find(Shown->winId())) : nullptr;
        if (!Widget) return;
        if (!Shown->isExposed()) {
            if (Widget->Stage() == IconStage::Going) Widget->SetStage(IconStage::Away);
        } else if (Widget->Stage() == IconStage::Away && QGuiApplication::focusWindow() == Shown) {
            Widget->SetStage(IconStage::None);
            const HWND Wnd = Widget->Handle();
            DeferToLoop([Wnd] { FollowIcon(Wnd, false); });
        }
    }
    // The window manager minimised or restored a window: its window procedure
    // hears it as the command its frame's button or its icon gives.
    static void NoteMinimized(WindowWidget &Widget)
    {
        const HWND Wnd = Widget.Handle();
        const Window *W = FindWindow(Wnd);
        const bool Minimized = Widget.isMinimized();
        if (!W || !W->TopLevel() || W->Minimized == Minimized) return;
        DeferToLoop([Wnd, Minimized] { FollowIcon(Wnd, Minimized); });
    }
    // The window's records follow the window system's minimise or restore.
    static void FollowIcon(HWND Wnd, bool Minimized)
    {
        if (!IsWindow(Wnd) || bool(IsIconic(Wnd)) == Minimized) return;
        if (!Minimized) {
            // Restored, the window is activated, which the window manager is asked.
            SendMessageW(Wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
            return;
        }
        const FollowingWindowSystem Following;
        SendMessageW(Wnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
    // A window with a window-manager frame can be moved and sized by the user.
    // The geometry is read when the loop comes round, not now: our own resize of a
    // fixed-size window passes through its old place with the new size on the way.
    static void NoteFrameGeometry(WindowWidget &Widget)
    {
        const HWND Wnd = Widget.Handle();
        DeferToLoop([Wnd] { AdoptFrameGeometry(Wnd); });
    }

    static void AdoptFrameGeometry(HWND Wnd)
    {
        const Window *W = FindWindow(Wnd);
        if (!W || !W->ManagedFrame() || !W->Widget || !W->Widget->isVisible()) return;
        const QRect G = W->Widget->geometry();
        const POINT Origin = ClientScreenOrigin(*W);
        const int Cw = W->Client.right - W->Client.left, Ch = W->Client.bottom - W->Client.top;
        if (G.x() == Origin.x && G.y() == Origin.y && G.width() == Cw && G.height() == Ch) return;
        const int X = G.x() - W->Client.left, Y = G.y() - W->Client.top;
        const int Width = G.width() + W->Width() - Cw, Height = G.height() + W->Height() - Ch;
        SetWindowPos(Wnd, {}, X, Y, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
};

void DropAllWidgets();

void InstallFilter()
{
    static bool Installed = false;
    if (Installed) return;
    Installed = true;
    qApp->installEventFilter(new InputFilter(qApp));
    // A widget that outlives the application crashes when it is destroyed.
    qAddPostRoutine(DropAllWidgets);
}

Qt::WindowFlags FlagsFor(const Window &W)
{
    if (!W.TopLevel()) return Qt::Widget;
    Qt::WindowFlags Flags;
    if (W.ManagedFrame()) {
        // An owned window without the boxes to minimise or maximise it is a dialog: only
        // as such does the window manager keep it above its owner (KeepAboveOwner).
        const bool Dialog = W.Owner && !(W.Style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
        Flags = (W.ExStyle & WS_EX_TOOLWINDOW) ? Qt::Tool : Dialog ? Qt::Dialog : Qt::Window;
        // The window manager offers only the boxes the style asks for.
        Flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (W.Style & WS_SYSMENU) Flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (W.Style & WS_MINIMIZEBOX) Flags |= Qt::WindowMinimizeButtonHint;
        // A window without a sizing border keeps its size (FixSize), so it cannot be maximised.
        if ((W.Style & WS_MAXIMIZEBOX) && (W.Style & WS_THICKFRAME))
            Flags |= Qt::WindowMaximizeButtonHint;
    } else if (W.Style & WS_POPUP) {
        // Popups keep their exact place and never take activation from the form
        // they belong to; Qt's own popup handling would fight our menu loops.
        Flags = Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint;
    } else {
        Flags = Qt::Window | Qt::FramelessWindowHint;
    }
    if (W.ExStyle & WS_EX_TOPMOST) Flags |= Qt::WindowStaysOnTopHint;
    if (W.ExStyle & (WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW) && !W.ManagedFrame())
        Flags |= Qt::WindowDoesNotAcceptFocus;
    return Flags;
}

// The windows the user finds the program by in the task list.
bool InTaskList(const Window &W)
{
    return W.Widget && W.TopLevel() && W.Visible &&
           (FlagsFor(W) & Qt::WindowType_Mask) == Qt::Window;
}

// Every window of the program in the task list sits on its icon.
bool ProgramOnIcons()
{
    bool Any = false;
    for (HWND Wnd : TopLevelWindows()) {
        const Window *W = FindWindow(Wnd);
        if (!W || W->ThreadId != CurrentThreadId() || !InTaskList(*W)) continue;
        if (!W->Minimized) return false;
        Any = true;
    }
    return Any;
}

// Windows hands the activation to another program when the last window of a program goes onto
// its icon, and gives it back when the user brings one up. The window manager here moves the
// focus among our windows as they go down, quicker than Qt sees it leave the program, so Qt
// may tell of neither: the program, waiting to hear it is active again, stayed on its icons.
void FollowProgramIcons()
{
    if (ProgramOnIcons())
        SendActivateApp(false);
    else if (ToldActive == false && QGuiApplication::applicationState() == Qt::ApplicationActive)
        SendActivateApp(true);
}

// Looked at once the window's command is done, so the window that command activates is active
// before the program hears it is back.
void NoteProgramIcons()
{
    if (ToldActive && ProgramOnIcons() == *ToldActive) DeferToLoop(FollowProgramIcons);
}

// The parts of Area (in Widget's coordinates) that widgets stacked above it cover: later
// siblings of the widget and of each of its ancestors up to the window.
QRegion CoveredPart(const QWidget &Widget, const QRect &Area)
{
    QRegion Covered;
    const QWidget *Level = &Widget;
    while (!Level->isWindow() && Level->parentWidget()) {
        const QWidget *Parent = Level->parentWidget();
        const QObjectList &Siblings = Parent->children();
        const QRect Seen(Widget.mapTo(Parent, Area.topLeft()), Area.size());
        for (auto It = std::find(Siblings.begin(), Siblings.end(), Level) + 1; It < Siblings.end();
             ++It) {
            const auto *Sibling = qobject_cast<const QWidget *>(*It);
            if (!Sibling || Sibling->isWindow() || !Sibling->isVisible()) continue;
            const QRect Over = Sibling->geometry() & Seen;
            if (!Over.isEmpty()) Covered += Over.translated(Area.topLeft() - Seen.topLeft());
        }
        Level = Parent;
    }
    return Covered;
}

// Qt moves the pixels of a scrolled area only when nothing above covers any of it, and
// repaints all of it otherwise: a status panel over a corner of a grid made each one-row
// scroll a repaint of the whole grid. Content that moves along one axis stays within its
// band across that axis, so the area goes in bands: the covered ones are repainted, the rest
// scrolled.
void ScrollNow(QWidget &Widget, QPoint Delta, const QRect &Local)
{
    const int Dx = Delta.x(), Dy = Delta.y();
    const QRegion Covered = (Dx == 0) != (Dy == 0) ? CoveredPart(Widget, Local) : QRegion();
    if (Covered.isEmpty()) {
        Widget.scroll(Dx, Dy, Local);
        return;
    }
    const bool Vertical = Dx == 0;
    // Band edges across the scroll: where a covered part starts or ends.
    const int First = Vertical ? Local.top() : Local.left();
    const int End = Vertical ? Local.bottom() + 1 : Local.right() + 1;
    std::vector<std::pair<int, int>> Blocked;
    for (const QRect &R : Covered)
        Blocked.emplace_back(Vertical ? R.top() : R.left(),
                             Vertical ? R.bottom() + 1 : R.right() + 1);
    std::sort(Blocked.begin(), Blocked.end());
    const auto Band = [&](int From, int To) {
        return Vertical ? QRect(Local.left(), From, Local.width(), To - From)
                        : QRect(From, Local.top(), To - From, Local.height());
    };
    int At = First;
    for (std::size_t I = 0; I < Blocked.size();) {
        int BlockEnd = Blocked[I].second;
        const int BlockStart = Blocked[I].first;
        for (++I; I < Blocked.size() && Blocked[I].first <= BlockEnd; ++I)
            BlockEnd = std::max(BlockEnd, Blocked[I].second);
        if (BlockStart > At) Widget.scroll(Dx, Dy, Band(At, BlockStart));
        Widget.update(Band(BlockStart, BlockEnd));
        At = BlockEnd;
    }
    if (At < End) Widget.scroll(Dx, Dy, Band(At, End));
}

// The widget's copy of a window follows its drawings and scrolls at most once per display
// frame: a read adds a grid row several times a frame, and each time Qt would repaint and flush
// the whole window, and move its copy of the grid. A frame opens with a change shown at once;
// what comes while it is open is held and shown when it ends, which opens the next one. Held
// scrolls add up, and what would have been repainted meanwhile (drawings, the parts each scroll
// uncovered) moves with the pixels and is repainted after the one move.
struct HeldChange {
    QRect Area; // widget coordinates; empty while only drawings are held
    QPoint Delta;
    QRegion Repaint; // in the coordinates after the scrolls
};

constexpr int FrameMilliseconds = 16;
// A frame ends when the GUI thread is about to wait after the frame's time is up, as it does
// after each message it handles; while a read brings an answer every few milliseconds, the
// frame costs the thread no wake of its own. The timer wakes it only when nothing else does.
constexpr int FrameFallbackMilliseconds = FrameMilliseconds + 8;

std::unordered_map<HWND, HeldChange> &HeldChanges()
{
    static std::unordered_map<HWND, HeldChange> Held;
    return Held;
}

void ShowHeld(HWND Wnd)
{
    auto &Held = HeldChanges();
    const auto It = Held.find(Wnd);
    if (It == Held.end()) return;
    const HeldChange S = std::move(It->second);
    Held.erase(It);
    Window *W = FindWindow(Wnd);
    if (!W || !W->Widget) return;
    if (!(QRegion(S.Area) - S.Repaint).isEmpty()) ScrollNow(*W->Widget, S.Delta, S.Area);
    W->Widget->update(S.Repaint);
}

void EndFrame();

QTimer &FrameTimer()
{
    static QPointer<QTimer> Frame;
    return AppTimer(Frame, FrameFallbackMilliseconds, EndFrame);
}

QElapsedTimer &FrameAge()
{
    static QElapsedTimer Age;
    return Age;
}

void EndFrameWhenDue()
{
    if (FrameTimer().isActive() && FrameAge().hasExpired(FrameMilliseconds - 1)) EndFrame();
}

void StartFrame()
{
    static QPointer<QAbstractEventDispatcher> Hooked;
    if (QAbstractEventDispatcher *Loop = QAbstractEventDispatcher::instance(); Hooked != Loop) {
        Hooked = Loop;
        QObject::connect(Loop, &QAbstractEventDispatcher::aboutToBlock, EndFrameWhenDue);
    }
    FrameAge().start();
    FrameTimer().start();
}

// A read scrolls the grid a row for each answer, some three times a frame, and moving the
// pixels of a whole grid costs more than painting the row it uncovers: a scroll waits for the
// frame's end, when the scrolls of the frame move the pixels once, and the window is painted
// then. The screen shows the window after that paint, so it never shows the uncovered rows
// unpainted.
std::vector<HWND> &ScrollsHeld()
{
    static std::vector<HWND> Held;
    return Held;
}

std::unordered_set<HWND> &WaitingForPaint()
{
    static std::unordered_set<HWND> Waiting;
    return Waiting;
}

void ApplyHeldScrolls()
{
    auto &Waiting = WaitingForPaint();
    Waiting.clear();
    for (HWND Wnd : std::exchange(ScrollsHeld(), {})) {
        Window *W = FindWindow(Wnd);
        if (!W || !W->ScrollHeld) continue;
        ApplyHeldScroll(*W);
        if (W->Update.isEmpty() || !HeldChanges().contains(Wnd)) continue;
        Waiting.insert(Wnd);
        NotePaintPending(Wnd);
    }
    // Called as the thread is about to wait: the paints are due now.
    if (!Waiting.empty())
        if (QAbstractEventDispatcher *Loop = QAbstractEventDispatcher::instance()) Loop->wakeUp();
}

void EndFrame()
{
    FrameTimer().stop();
    ApplyHeldScrolls();
    std::vector<HWND> Windows;
    for (const auto &Entry : HeldChanges())
        if (!WaitingForPaint().contains(Entry.first)) Windows.push_back(Entry.first);
    for (HWND Wnd : Windows)
        ShowHeld(Wnd);
    if (!Windows.empty() || !WaitingForPaint().empty()) StartFrame();
}

// Changes are held only on the GUI thread, whose timer ends the frame.
bool FrameOpen()
{
    return GuiThread() && FrameTimer().isActive();
}

void OpenFrame()
{
    if (GuiThread() && !FrameTimer().isActive()) StartFrame();
}

bool OneAxis(QPoint Delta)
{
    return Delta.x() == 0 || Delta.y() == 0;
}

void DropWidget(Window &W)
{
    HeldChanges().erase(W.Handle);
    for (HWND Child : W.Children)
        if (Window *C = FindWindow(Child)) DropWidget(*C);
    W.Widget.reset();
}

void DropAllWidgets()
{
    for (HWND Wnd : TopLevelWindows())
        if (Window *W = FindWindow(Wnd)) DropWidget(*W);
}

void SyncTitle(Window &W)
{
    const QString Title = QString::fromStdU16String(W.Text);
    if (W.Widget && W.TopLevel() && W.Widget->windowTitle() != Title)
        W.Widget->setWindowTitle(Title);
}

QRect WidgetGeometry(const Window &W)
{
    if (W.TopLevel()) {
        const POINT O = W.ManagedFrame() ? ClientScreenOrigin(W) : WindowScreenOrigin(W);
        const int Width = W.ManagedFrame() ? W.Client.right - W.Client.left : W.Width();
        const int Height = W.ManagedFrame() ? W.Client.bottom - W.Client.top : W.Height();
        return QRect(O.x, O.y, Width, Height);
    }
    const Window *P = FindWindow(W.Parent);
    const QPoint Base = P->ManagedFrame() ? QPoint(0, 0) : QPoint(P->Client.left, P->Client.top);
    return QRect(Base.x() + W.Rect.left, Base.y() + W.Rect.top, W.Width(), W.Height());
}

// Only a sizing border lets the window manager resize a framed window; its
// hints say so by a minimum equal to the maximum.
void FixSize(Window &W, QSize Size)
{
    if (!W.ManagedFrame()) return;
    // A maximised window is given the work area, whatever its border.
    const bool Fixed = !(W.Style & (WS_THICKFRAME | WS_MAXIMIZE));
    const QSize Min = Fixed ? Size : QSize(0, 0);
    const QSize Max = Fixed ? Size : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (W.Widget->minimumSize() != Min) W.Widget->setMinimumSize(Min);
    if (W.Widget->maximumSize() != Max) W.Widget->setMaximumSize(Max);
}

QPoint SurfaceOffset(const Window &W)
{
    return W.ManagedFrame() ? QPoint(W.Client.left, W.Client.top) : QPoint(0, 0);
}

// Copies one row of the surface into the store; an opaque surface's pixels go into a store
// with alpha as opaque, as the painter would draw them.
void CopyRow(uchar *To, const uchar *From, int Pixels, bool Opaque)
{
    if (!Opaque) {
        std::memcpy(To, From, static_cast<std::size_t>(Pixels) * 4);
        return;
    }
    auto *Out = reinterpret_cast<quint32 *>(To);
    const auto *In = reinterpret_cast<const quint32 *>(From);
    for (int I = 0; I < Pixels; ++I)
        Out[I] = In[I] | 0xFF000000u;
}

// Puts the surface's pixels straight into the backing store the painter draws on. Drawing
// the image through the painter under the many-rectangle clip of a paint hands tall areas to
// Qt's thread pool and sleeps until it is done, once a paint. False where the store is not a
// plain image the surface's pixels can go into as they are, so the painter must do it.
bool CopyIntoStore(QPainter &P, const QImage &From, QPoint FromOrigin, const QRegion &Area)
{
    QPaintEngine *Engine = P.paintEngine();
    if (!Engine || Engine->type() != QPaintEngine::Raster) return false;
    auto *Store = dynamic_cast<QImage *>(Engine->paintDevice());
    if (!Store || From.format() != QImage::Format_RGB32) return false;
    const bool SetAlpha = Store->format() == QImage::Format_ARGB32_Premultiplied;
    const QTransform Shift = P.deviceTransform();
    if ((Store->format() != QImage::Format_RGB32 && !SetAlpha) ||
        Store->devicePixelRatio() != 1.0 || Shift.type() > QTransform::TxTranslate ||
        Shift.dx() != std::floor(Shift.dx()) || Shift.dy() != std::floor(Shift.dy()))
        return false;
    const QPoint Offset(static_cast<int>(Shift.dx()), static_cast<int>(Shift.dy()));
    const QRect Readable = From.rect().translated(Offset - FromOrigin);
    QRegion Target = Area.translated(Offset) & Store->rect() & Readable;
    if (const QRegion Clip = Engine->systemClip(); !Clip.isEmpty()) Target &= Clip;
    // Written where the painter writes: a writable scan line would detach a shared store.
    const auto Line = [Store](int Row) { return const_cast<uchar *>(Store->constScanLine(Row)); };
    for (const QRect &R : Target) {
        const QPoint Source = R.topLeft() - Offset + FromOrigin;
        for (int Row = 0; Row < R.height(); ++Row)
            CopyRow(Line(R.top() + Row) + R.left() * 4,
                    From.constScanLine(Source.y() + Row) + Source.x() * 4, R.width(), SetAlpha);
    }
    return true;
}

} // namespace

WindowWidget::WindowWidget(HWND Wnd, QWidget *Parent, Qt::WindowFlags Flags)
    : QWidget(Parent, Flags), FHandle(Wnd), FFlags(Flags)
{
    OurWidgets().emplace(this, this);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

WindowWidget::~WindowWidget()
{
    OurWidgets().erase(this);
}

void WindowWidget::paintEvent(QPaintEvent *Event)
{
    Window *W = FindWindow(FHandle);
    if (!W) return;
    QPainter P(this);
    const QRect Area = Event->rect();
    if (!CopyIntoStore(P, SurfaceOf(*W), SurfaceOffset(*W), Event->region()))
        P.drawImage(Area, SurfaceOf(*W), Area.translated(SurfaceOffset(*W)));
    auto &Held = HeldChanges();
    const auto It = Held.find(FHandle);
    if (It == Held.end()) return;
    HeldChange &S = It->second;
    if (S.Area.isEmpty()) {
        // Held drawings within what was just painted are shown.
        S.Repaint -= Event->region();
        if (S.Repaint.isEmpty()) Held.erase(It);
        return;
    }
    // Painted before its held scroll moved the copy: what was painted now is already where
    // the scroll would take the rest, so the whole area is painted afresh instead.
    const QRegion All = QRegion(S.Area) + S.Repaint;
    Held.erase(It);
    update(All);
}

bool GuiThread()
{
    auto *App = QCoreApplication::instance();
    return App && qobject_cast<QApplication *>(App) && App->thread() == QThread::currentThread();
}

bool WindowSystemCapable()
{
    return QGuiApplication::platformName() != QLatin1String("offscreen");
}

namespace
{

// The window on screen of the top-level window that Wnd is or lies in; null while it has none.
QWindow *ScreenWindow(HWND Wnd)
{
    const Window *W = FindWindow(Wnd);
    while (W && !W->TopLevel())
        W = FindWindow(W->Parent);
    return W && W->Widget ? W->Widget->windowHandle() : nullptr;
}

// An owned window stays above its owner, as on Windows. The window manager learns whose it is
// as the window is shown; otherwise a click on the owner, disabled while a dialog waits for
// its answer, buries the dialog behind a window that takes no input.
void KeepAboveOwner(Window &W)
{
    if (W.ManagedFrame() && WindowSystemCapable()) KeepAbove(*W.Widget, W.Owner);
}

} // namespace

void KeepAbove(QWidget &Widget, HWND Owner)
{
    QWindow *Screen = ScreenWindow(Owner);
    if (!Screen) return;
    Widget.winId(); // the window on screen that takes the hint
    Widget.windowHandle()->setTransientParent(Screen);
}

void SyncWidget(Window &W)
{
    if (W.MessageOnly || !GuiThread()) return;
    // A widget that moves, resizes or changes its frame shows its held drawings and scroll
    // first, in the coordinates they were held in.
    ShowHeld(W.Handle);
    QWidget *ParentWidget = nullptr;
    if (!W.TopLevel()) {
        const Window *P = FindWindow(W.Parent);
        if (!P || !P->Widget) return;
        ParentWidget = P->Widget.get();
    }
    const Qt::WindowFlags Flags = FlagsFor(W);
    if (W.Widget && (W.Widget->parentWidget() != ParentWidget || W.Widget->MadeWith() != Flags))
        DropWidget(W);
    const bool Fresh = !W.Widget;
    if (Fresh) {
        InstallFilter();
        W.Widget = std::make_unique<WindowWidget>(W.Handle, ParentWidget, Flags);
        SyncTitle(W);
    }
    WindowWidget &Widget = *W.Widget;
    const QRect G = WidgetGeometry(W);
    FixSize(W, G.size());
    if (Widget.geometry() != G) Widget.setGeometry(G);
    if (WindowSystemCapable()) {
        // An empty window region hides the whole window; Qt reads an empty mask
        // as "no mask", so a pixel outside the window stands for it.
        if (W.HasRegion)
            Widget.setMask(W.Region.isEmpty() ? QRegion(-1, -1, 1, 1) : W.Region);
        else if (!Widget.mask().isEmpty())
            Widget.clearMask();
        if (W.TopLevel())
            Widget.setWindowOpacity((W.ExStyle & WS_EX_LAYERED) ? W.Alpha / 255.0 : 1.0);
    }
    if (W.Native) {
        const QPoint Base = W.ManagedFrame() ? QPoint(0, 0) : QPoint(W.Client.left, W.Client.top);
        W.Native->setGeometry(
            QRect(Base, QSize(W.Client.right - W.Client.left, W.Client.bottom - W.Client.top)));
    }
    // The platform activates every window it shows unless told not to.
    if (W.TopLevel())
        Widget.setAttribute(Qt::WA_ShowWithoutActivating, (W.Style & WS_POPUP) || W.ShownInactive);
    if (W.Visible && Widget.isHidden()) KeepAboveOwner(W);
    // A child widget never hidden explicitly would come up with its parent, so a
    // fresh one is told its state even when it already looks right.
    if (Fresh || Widget.isHidden() == W.Visible) Widget.setVisible(W.Visible);
    if (W.Visible && W.TopLevel() && (W.ExStyle & WS_EX_TOPMOST) && WindowSystemCapable())
        Widget.raise();
    if (Fresh)
        for (HWND Child : W.Children)
            if (Window *C = FindWindow(Child)) SyncWidget(*C);
}

void SyncMinimized(Window &W, bool Activate)
{
    if (!W.Widget || !W.TopLevel() || !W.Visible || !WindowSystemCapable()) return;
    NoteProgramIcons();
    WindowWidget &Widget = *W.Widget;
    if (!W.Minimized) Widget.SetStage(IconStage::None);
    if (Widget.isMinimized() == W.Minimized) return;
    if (W.Minimized) Widget.SetStage(OnScreen(Widget) ? IconStage::Going : IconStage::Away);
    // Mapped again, a window takes the focus unless told not to.
    const bool Quiet = Widget.testAttribute(Qt::WA_ShowWithoutActivating);
    if (!Activate) Widget.setAttribute(Qt::WA_ShowWithoutActivating);
    Widget.setWindowState(Widget.windowState() ^ Qt::WindowMinimized);
    Widget.setAttribute(Qt::WA_ShowWithoutActivating, Quiet);
}

void SyncMaximized(Window &W)
{
    if (!W.Widget || !W.ManagedFrame() || !WindowSystemCapable()) return;
    QWidget &Widget = *W.Widget;
    const bool Maximized = W.Style & WS_MAXIMIZE;
    if (W.Minimized || Widget.isMaximized() == Maximized) return;
    Widget.setWindowState(Widget.windowState() ^ Qt::WindowMaximized);
}

void NoteBackFromIcon(Window &W)
{
    if (!W.TopLevel() || !GuiThread()) return;
    BackFromIcons().insert(W.Handle);
    SettleTimer().start();
}

void RebuildWidget(Window &W)
{
    // Qt frees the children's widgets with their parent's; ours must not keep them.
    DropWidget(W);
    SyncWidget(W);
}

void SetWidgetTitle(HWND Wnd)
{
    if (Window *W = FindWindow(Wnd)) SyncTitle(*W);
}

bool FrameHoldsScrollOf(const Window &W)
{
    return FrameOpen() && !WaitingForPaint().contains(W.Handle);
}

void NoteScrollHeld(HWND Wnd)
{
    ScrollsHeld().push_back(Wnd);
}

void ShowAfterPaint(HWND Wnd)
{
    if (GuiThread() && WaitingForPaint().erase(Wnd)) ShowHeld(Wnd);
}

void UpdateWidget(Window &W, const QRect &Area)
{
    if (!W.Widget) return;
    const QRect Local = Area.translated(-SurfaceOffset(W));
    auto &Held = HeldChanges();
    if (const auto It = Held.find(W.Handle); It != Held.end()) {
        It->second.Repaint += Local;
    } else if (FrameOpen()) {
        Held.emplace(W.Handle, HeldChange{{}, {}, Local});
    } else {
        W.Widget->update(Local);
        OpenFrame();
    }
}

namespace
{

// A scroll adds to what is held when it moves the same area along the same axis.
bool Joins(const HeldChange &S, const QRect &Area, QPoint Delta)
{
    if (!OneAxis(Delta)) return false;
    return S.Area.isEmpty() || (S.Area == Area && (S.Delta.x() == 0) == (Delta.x() == 0));
}

} // namespace

void ScrollWidget(Window &W, int Dx, int Dy, const QRect &Area, bool UncoveredPainted)
{
    if (!W.Widget) return;
    const QRect Local = Area.translated(-SurfaceOffset(W));
    const QPoint Delta(Dx, Dy);
    auto &Held = HeldChanges();
    auto It = Held.find(W.Handle);
    if (It != Held.end() && !Joins(It->second, Local, Delta)) {
        ShowHeld(W.Handle);
        It = Held.end();
    }
    // Shown at once, the move would show the uncovered part as it was until the frame's end.
    const bool UntilPainted = UncoveredPainted && GuiThread() && !W.ScrollHeld;
    if (It == Held.end() && !((FrameOpen() || UntilPainted) && OneAxis(Delta))) {
        ScrollNow(*W.Widget, Delta, Local);
        OpenFrame();
        return;
    }
    if (UntilPainted) {
        WaitingForPaint().insert(W.Handle);
        OpenFrame();
    }
    if (It == Held.end()) It = Held.emplace(W.Handle, HeldChange{}).first;
    HeldChange &S = It->second;
    S.Area = Local;
    const QRegion Uncovered = QRegion(Local) - QRegion(Local.translated(Delta));
    S.Repaint = MovedWithin(S.Repaint, Local, Delta) + Uncovered;
    S.Delta += Delta;
}

void GrabPointer(Window &W, bool Grab)
{
    if (!W.Widget) return;
    if (!WindowSystemCapable()) return;
    // A Qt control holds Qt's own grab from the press on, so its moves and its release keep
    // reaching the part pressed (a page's scroll bar, a text being selected); a grab of ours
    // would take them from it.
    if (Grab && W.Native) return;
    if (Grab && W.Widget->isVisible()) W.Widget->grabMouse();
    if (!Grab && QWidget::mouseGrabber() == W.Widget.get()) W.Widget->releaseMouse();
}

namespace
{

Qt::CursorShape ShapeOf(HCURSOR Cursor)
{
    switch (IdFromHandle(Cursor)) {
    case 32513:
        return Qt::IBeamCursor;
    case 32514:
        return Qt::WaitCursor;
    case 32515:
        return Qt::CrossCursor;
    case 32516:
        return Qt::UpArrowCursor;
    case 32642:
        return Qt::SizeFDiagCursor;
    case 32643:
        return Qt::SizeBDiagCursor;
    case 32644:
        return Qt::SizeHorCursor;
    case 32645:
        return Qt::SizeVerCursor;
    case 32646:
        return Qt::SizeAllCursor;
    case 32648:
        return Qt::ForbiddenCursor;
    case 32649:
        return Qt::PointingHandCursor;
    case 32650:
        return Qt::BusyCursor;
    case 32651:
        return Qt::WhatsThisCursor;
    case 0:
        return Qt::BlankCursor;
    default:
        return Qt::ArrowCursor;
    }
}

bool OverrideSet = false;

} // namespace

QCursor QtCursor(HCURSOR Cursor)
{
    if (const IconData *Own = IconOf(Cursor); Own && !Own->IsIcon)
        return QCursor(QPixmap::fromImage(Own->Picture), Own->HotSpot.x, Own->HotSpot.y);
    return QCursor(ShapeOf(Cursor));
}

void ApplyCursor(Window *W, HCURSOR Cursor, bool Captured)
{
    if (!GuiThread()) return;
    const QCursor Shape = QtCursor(Cursor);
    // While captured the cursor stays whatever window the pointer crosses.
    if (Captured && W) {
        if (OverrideSet)
            QGuiApplication::changeOverrideCursor(Shape);
        else
            QGuiApplication::setOverrideCursor(Shape);
        OverrideSet = true;
        return;
    }
    if (OverrideSet) {
        QGuiApplication::restoreOverrideCursor();
        OverrideSet = false;
    }
    if (auto *Under = dynamic_cast<WindowWidget *>(QApplication::widgetAt(QCursor::pos())))
        Under->setCursor(Shape);
}

void ActivateWidget(Window &W)
{
    // Asking for a minimised window's activation would bring it back up.
    if (!Following && W.Widget && W.Widget->isVisible() && !W.Minimized && WindowSystemCapable() &&
        !(FlagsFor(W) & Qt::WindowDoesNotAcceptFocus))
        W.Widget->activateWindow();
}

} // namespace win
