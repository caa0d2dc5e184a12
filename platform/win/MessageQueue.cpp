#include "platform/win/MessageQueue.h"

#include "platform/rtl/Classes.h"
#include "platform/rtl/System.h"
#include "platform/win/Hooks.h"
#include "platform/win/QueueInternal.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <set>

namespace win
{
namespace
{

using Clock = std::chrono::steady_clock;

struct SentMessage {
    HWND Wnd;
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    std::shared_ptr<std::promise<LRESULT>> Reply; // null for SendNotifyMessage
};

struct InputRecord {
    bool Mouse = true;
    MouseInput M;
    KeyInput K;
    DWORD Time = 0;
    POINT Cursor{};
    std::shared_ptr<NativeEvent> Native;
};

// The Qt event behind an input message, kept until the message is handled; a
// key that types text waits for its WM_CHAR.
struct PendingNative {
    HWND Wnd{};
    UINT Msg = 0;
    std::shared_ptr<NativeEvent> Event;
};

struct Timer {
    HWND Wnd;
    UINT_PTR Id;
    UINT Interval;
    Clock::time_point Due;
    TIMERPROC Proc;
    bool Pending;
};

// One queue per thread. Posted and sent messages, input and the quit flag may
// be touched by other threads, under the mutex; timers and the last message
// only by the owner.
class ThreadQueue
{
public:
    explicit ThreadQueue(DWORD Id) : ThreadId(Id), Qt(GuiThread()) {}

    const DWORD ThreadId;
    const bool Qt;
    std::mutex Mutex;
    std::condition_variable Changed;
    std::deque<MSG> Posted;
    std::deque<InputRecord> Input;
    std::deque<SentMessage> Sent;
    bool QuitPosted = false;
    int QuitCode = 0;
    unsigned long long Arrivals = 0; // anything new: WaitMessage waits for this to move

    std::vector<Timer> Timers;
    UINT_PTR NextTimerId = 1;
    unsigned long long Seen = 0;
    MSG Last{};
    char16_t LastKeyChar = 0;
    MSG LastKey{};
    std::function<void()> IdleWork;
    bool RunsSynchronize = false;
    std::deque<std::function<void()>> Deferred;
    PendingNative Native;
    std::unique_ptr<QTimer> Waker;
    Clock::time_point WakerDue;
    // Cleared when a look through every window found none to paint; set again by
    // whatever may make one need it, so idle passes skip the walk.
    std::atomic<bool> PaintMayBeDue = true;
    // Every window of the thread that waits for a paint is here, in creation order, and
    // stays until a look finds it painted, or hidden: such a window waits in Hidden until
    // what is visible changes. Both guarded by Mutex.
    std::set<HWND> MayPaint;
    std::set<HWND> Hidden;

    void Wake()
    {
        // The owner is running, not waiting: it looks at its queue before it sleeps.
        if (ThreadId == CurrentThreadId()) return;
        if (Qt) {
            if (auto *App = QCoreApplication::instance())
                if (auto *Dispatcher = App->thread()->eventDispatcher()) Dispatcher->wakeUp();
        }
        Changed.notify_all();
    }
};

std::mutex QueuesMutex;
std::map<DWORD, std::shared_ptr<ThreadQueue>> Queues;

// Unregisters the thread's queue when the thread ends.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> Queue;
    ~QueueHolder()
    {
        if (!Queue) return;
        std::lock_guard Lock(QueuesMutex);
        Queues.erase(Queue->ThreadId);
    }
};
thread_local QueueHolder Mine;

// The main thread's queue serves the runtime library's synchronised calls, so
// a worker's Synchronize runs while the GUI sits in any message loop.
void ServeSynchronize(ThreadQueue &Q)
{
    Q.RunsSynchronize = true;
    const DWORD Id = Q.ThreadId;
    rtl::SetWakeMainThread([Id](TObject *) { WakeThread(Id); });
}

ThreadQueue &MyQueue()
{
    if (!Mine.Queue) {
        Mine.Queue = std::make_shared<ThreadQueue>(CurrentThreadId());
        {
            std::lock_guard Lock(QueuesMutex);
            Queues[Mine.Queue->ThreadId] = Mine.Queue;
        }
        if (rtl::InMainThread()) ServeSynchronize(*Mine.Queue);
    }
    return *Mine.Queue;
}

std::shared_ptr<ThreadQueue> QueueOf(DWORD ThreadId)
{
    if (ThreadId == CurrentThreadId()) {
        MyQueue();
        return Mine.Queue;
    }
    std::lock_guard Lock(QueuesMutex);
    auto It = Queues.find(ThreadId);
    return It == Queues.end() ? nullptr : It->second;
}

DWORD TickNow()
{
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
            .count());
}

bool InRange(UINT Msg, UINT Min, UINT Max)
{
    return (Min == 0 && Max == 0) || (Msg >= Min && Msg <= Max);
}

bool ForWindow(HWND Target, HWND Filter)
{
    if (!Filter) return true;
    if (Filter == reinterpret_cast<HWND>(-1)) return !Target;
    return Target == Filter || IsChild(Filter, Target);
}

LPARAM PackPoint(int X, int Y)
{
    return MAKELPARAM(static_cast<WORD>(X), static_cast<WORD>(Y));
}

void DeliverSent(ThreadQueue &Q)
{
    for (;;) {
        SentMessage S;
        {
            std::lock_guard Lock(Q.Mutex);
            if (Q.Sent.empty()) return;
            S = std::move(Q.Sent.front());
            Q.Sent.pop_front();
        }
        RunCallWndProcHooks(S.Wnd, S.Msg, S.WParam, S.LParam);
        try {
            const LRESULT Result = CallWindow(S.Wnd, S.Msg, S.WParam, S.LParam);
            if (S.Reply) S.Reply->set_value(Result);
        } catch (...) {
            if (!S.Reply) throw;
            S.Reply->set_exception(std::current_exception());
        }
    }
}

void PumpQt(ThreadQueue &Q)
{
    if (Q.Qt) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Input resolved for delivery: the target window, the message and whether the
// mouse was over the client area.
struct Resolved {
    HWND Wnd{};
    MSG Msg{};
    LRESULT Hit = HTCLIENT;
};

UINT MouseMessage(const MouseInput &M, bool NonClient, UINT ClassStyle)
{
    if (M.Action == MouseAction::Move) return NonClient ? WM_NCMOUSEMOVE : WM_MOUSEMOVE;
    const UINT Base = M.Button == MouseButton::Left    ? WM_LBUTTONDOWN
                      : M.Button == MouseButton::Right ? WM_RBUTTONDOWN
                                                       : WM_MBUTTONDOWN;
    UINT Offset = M.Action == MouseAction::Down ? 0 : M.Action == MouseAction::Up ? 1 : 2;
    // Without CS_DBLCLKS a second click is an ordinary press; the frame always
    // gets double clicks.
    if (Offset == 2 && !NonClient && !(ClassStyle & CS_DBLCLKS)) Offset = 0;
    const UINT Client = Base + Offset;
    return NonClient ? Client - WM_LBUTTONDOWN + WM_NCLBUTTONDOWN : Client;
}

int ButtonKey(MouseButton B)
{
    return B == MouseButton::Left ? VK_LBUTTON : B == MouseButton::Right ? VK_RBUTTON : VK_MBUTTON;
}

Resolved ResolveMouse(const InputRecord &R)
{
    Resolved Out;
    const MouseInput &M = R.M;
    Out.Msg.time = R.Time;
    Out.Msg.pt = M.Screen;
    BYTE States[256];
    std::copy_n(CurrentKeyStates(), 256, States);
    if (M.Action == MouseAction::Down || M.Action == MouseAction::DoubleClick)
        States[ButtonKey(M.Button)] |= 0x80;
    if (M.Action == MouseAction::Up) States[ButtonKey(M.Button)] &= 0x7F;
    const WPARAM Keys = MouseKeyFlags(States);
    if (M.Action == MouseAction::Wheel) {
        // The wheel scrolls what the pointer is over, focused or not, as the desktops do; an
        // open drop-down that holds the capture keeps it.
        Out.Wnd = ThreadCapture() ? ThreadCapture() : HitTestPoint(M.Screen, &Out.Hit);
        if (!FindWindow(Out.Wnd) || Out.Hit == HTERROR || Out.Hit == HTNOWHERE) return Resolved{};
        Out.Msg = MSG{Out.Wnd,
                      WM_MOUSEWHEEL,
                      MAKEWPARAM(static_cast<WORD>(Keys), static_cast<WORD>(M.WheelDelta)),
                      PackPoint(M.Screen.x, M.Screen.y),
                      R.Time,
                      M.Screen};
        return Out;
    }
    Out.Wnd = ThreadCapture();
    if (!Out.Wnd)
        Out.Wnd = HitTestPoint(M.Screen, &Out.Hit);
    else
        Out.Hit = HTCLIENT;
    const Window *W = FindWindow(Out.Wnd);
    if (!W || Out.Hit == HTERROR || Out.Hit == HTNOWHERE) return Resolved{};
    const bool NonClient = Out.Hit != HTCLIENT;
    Out.Msg.hwnd = Out.Wnd;
    Out.Msg.message = MouseMessage(M, NonClient, W->Class ? W->Class->Style : 0);
    if (NonClient) {
        Out.Msg.wParam = static_cast<WPARAM>(Out.Hit);
        Out.Msg.lParam = PackPoint(M.Screen.x, M.Screen.y);
    } else {
        const POINT Origin = ClientScreenOrigin(*W);
        Out.Msg.wParam = Keys;
        Out.Msg.lParam = PackPoint(M.Screen.x - Origin.x, M.Screen.y - Origin.y);
    }
    return Out;
}

Resolved ResolveKey(const InputRecord &R)
{
    Resolved Out;
    const KeyInput &K = R.K;
    Out.Wnd = GetFocus() ? GetFocus() : GetActiveWindow();
    if (!Out.Wnd) return Out;
    const bool Alt = (CurrentKeyStates()[VK_MENU] & 0x80) || (K.VirtualKey == VK_MENU && K.Down);
    const bool System = Alt || K.VirtualKey == VK_F10 || K.VirtualKey == VK_MENU;
    UINT Msg = K.Down ? WM_KEYDOWN : WM_KEYUP;
    if (System && !(CurrentKeyStates()[VK_CONTROL] & 0x80)) Msg += WM_SYSKEYDOWN - WM_KEYDOWN;
    DWORD Data = 1 | (DWORD(K.ScanCode & 0xFF) << 16);
    if (K.Extended) Data |= 1u << 24;
    if (Alt) Data |= 1u << 29;
    if (!K.Down || K.AutoRepeat) Data |= 1u << 30;
    if (!K.Down) Data |= 1u << 31;
    Out.Msg = MSG{Out.Wnd, Msg,     static_cast<WPARAM>(K.VirtualKey), static_cast<LPARAM>(Data),
                  R.Time,  R.Cursor};
    return Out;
}

bool Matches(const MSG &M, HWND Filter, UINT Min, UINT Max)
{
    return ForWindow(M.hwnd, Filter) && InRange(M.message, Min, Max);
}

// Side effects of taking an input message out of the queue: key state, cursor
// shape, activation by click, mouse-leave tracking. Returns false when the
// window asked for the click to be eaten.
bool AcceptInput(ThreadQueue &Q, const InputRecord &R, const Resolved &Res)
{
    const bool Types = !R.Mouse && R.K.Down && R.K.Char;
    Q.Native = PendingNative{Res.Wnd, Types ? WM_CHAR : Res.Msg.message, R.Native};
    if (!R.Mouse) {
        ApplyInputState(R.K.VirtualKey, R.K.Down);
        if (R.K.Down) {
            Q.LastKeyChar = R.K.Char;
            Q.LastKey = Res.Msg;
        }
        return true;
    }
    const MouseInput &M = R.M;
    if (M.Action == MouseAction::Down || M.Action == MouseAction::DoubleClick)
        ApplyInputState(ButtonKey(M.Button), true);
    if (M.Action == MouseAction::Up) ApplyInputState(ButtonKey(M.Button), false);
    if (M.Action == MouseAction::Wheel) return true;
    const HWND Wnd = Res.Wnd;
    NoteMouseOver(Wnd, Res.Hit == HTCLIENT);
    if (ThreadCapture()) return true;
    SendMessageW(Wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(Wnd),
                 MAKELPARAM(static_cast<WORD>(Res.Hit), static_cast<WORD>(Res.Msg.message)));
    if (M.Action != MouseAction::Down || !IsWindow(Wnd)) return true;
    HWND Top = Wnd;
    while (const Window *W = FindWindow(Top)) {
        if (W->TopLevel()) break;
        Top = W->Parent;
    }
    if (Top == GetActiveWindow()) return true;
    const LRESULT Activate =
        SendMessageW(Wnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(Top),
                     MAKELPARAM(static_cast<WORD>(Res.Hit), static_cast<WORD>(Res.Msg.message)));
    const Window *T = FindWindow(Top);
    if ((Activate == MA_ACTIVATE || Activate == MA_ACTIVATEANDEAT) && T &&
        !(T->ExStyle & WS_EX_NOACTIVATE))
        SetActiveWindow(Top);
    return Activate != MA_ACTIVATEANDEAT && Activate != MA_NOACTIVATEANDEAT;
}

enum class Found { Nothing, Message, Eaten };

bool TakesEverything(HWND Filter, UINT Min, UINT Max, bool Remove)
{
    return Remove && !Filter && Min == 0 && Max == 0;
}

Found TakeInput(ThreadQueue &Q, LPMSG Out, HWND Filter, UINT Min, UINT Max, bool Remove)
{
    std::size_t Index = 0;
    for (;;) {
        InputRecord R;
        {
            std::lock_guard Lock(Q.Mutex);
            if (Index >= Q.Input.size()) return Found::Nothing;
            R = Q.Input[Index];
        }
        const Resolved Res = R.Mouse ? ResolveMouse(R) : ResolveKey(R);
        if (!Res.Wnd && !TakesEverything(Filter, Min, Max, Remove)) {
            // No window takes it yet, and a look for something in particular leaves it: a key
            // typed before the next window has the focus waits for that window.
            ++Index;
            continue;
        }
        if (!Res.Wnd) {
            // Input over none of our windows and not captured goes nowhere, but
            // the pointer has left whatever window was tracking it.
            if (R.Mouse) NoteMouseOver({}, true);
            std::lock_guard Lock(Q.Mutex);
            Q.Input.erase(Q.Input.begin() + static_cast<std::ptrdiff_t>(Index));
            continue;
        }
        if (!Matches(Res.Msg, Filter, Min, Max)) {
            ++Index;
            continue;
        }
        *Out = Res.Msg;
        if (!Remove) return Found::Message;
        {
            std::lock_guard Lock(Q.Mutex);
            Q.Input.erase(Q.Input.begin() + static_cast<std::ptrdiff_t>(Index));
        }
        return AcceptInput(Q, R, Res) ? Found::Message : Found::Eaten;
    }
}

bool TakePosted(ThreadQueue &Q, LPMSG Out, HWND Filter, UINT Min, UINT Max, bool Remove)
{
    std::lock_guard Lock(Q.Mutex);
    for (auto It = Q.Posted.begin(); It != Q.Posted.end(); ++It) {
        if (!Matches(*It, Filter, Min, Max)) continue;
        *Out = *It;
        if (Remove) Q.Posted.erase(It);
        return true;
    }
    return false;
}

bool TakeQuit(ThreadQueue &Q, LPMSG Out, bool Remove)
{
    std::lock_guard Lock(Q.Mutex);
    if (!Q.QuitPosted) return false;
    *Out = MSG{{}, WM_QUIT, static_cast<WPARAM>(Q.QuitCode), 0, TickNow(), Q.Last.pt};
    if (Remove) Q.QuitPosted = false;
    return true;
}

// The windows of the queue's thread that wait for a paint of their client area or frame, in
// creation order; hidden ones too.
std::vector<HWND> WindowsWaitingForPaint(ThreadQueue &Q)
{
    std::vector<HWND> Waiting;
    {
        std::lock_guard Lock(Q.Mutex);
        Waiting.assign(Q.MayPaint.begin(), Q.MayPaint.end());
    }
    std::erase_if(Waiting, [&Q](HWND Wnd) {
        const Window *W = FindWindow(Wnd);
        // Looked at under the lock that noting an invalidation takes: one noted before is seen
        // here, one noted after puts the window back.
        std::lock_guard Lock(Q.Mutex);
        if (W && !W->MessageOnly && (W->FrameDirty || !W->Update.isEmpty())) return false;
        Q.MayPaint.erase(Wnd);
        return true;
    });
    return Waiting;
}

// A hidden window is not looked at again until something is shown, hidden or moved: the
// controls of the pages not on view keep what they wait for.
void SetAsideHidden(ThreadQueue &Q, HWND Wnd)
{
    std::lock_guard Lock(Q.Mutex);
    Q.MayPaint.erase(Wnd);
    Q.Hidden.insert(Wnd);
}

bool TakePaint(ThreadQueue &Q, LPMSG Out, HWND Filter, UINT Min, UINT Max)
{
    if (!InRange(WM_PAINT, Min, Max) || !Q.PaintMayBeDue) return false;
    const bool Everything = !Filter;
    if (Everything) Q.PaintMayBeDue = false;
    for (HWND Wnd : WindowsWaitingForPaint(Q)) {
        if (!IsWindowVisible(Wnd)) {
            SetAsideHidden(Q, Wnd);
            continue;
        }
        if (!ForWindow(Wnd, Filter)) continue;
        if (Everything) Q.PaintMayBeDue = true;
        // Its paint comes when the display frame ends, after the scroll's pixels moved.
        if (const Window *W = FindWindow(Wnd); W && W->ScrollHeld) continue;
        *Out = MSG{Wnd, WM_PAINT, 0, 0, TickNow(), Q.Last.pt};
        return true;
    }
    return false;
}

void MarkDueTimers(ThreadQueue &Q)
{
    const auto T = Clock::now();
    unsigned Due = 0;
    for (Timer &Tm : Q.Timers)
        if (!Tm.Pending && T >= Tm.Due) {
            Tm.Pending = true;
            ++Due;
        }
    if (Due == 0) return;
    // Timers are the owner's alone, but other threads count arrivals too.
    std::lock_guard Lock(Q.Mutex);
    Q.Arrivals += Due;
}

bool TakeTimer(ThreadQueue &Q, LPMSG Out, HWND Filter, UINT Min, UINT Max, bool Remove)
{
    if (!InRange(WM_TIMER, Min, Max)) return false;
    MarkDueTimers(Q);
    for (Timer &Tm : Q.Timers) {
        if (!Tm.Pending || !ForWindow(Tm.Wnd, Filter)) continue;
        *Out =
            MSG{Tm.Wnd, WM_TIMER, Tm.Id, reinterpret_cast<LPARAM>(Tm.Proc), TickNow(), Q.Last.pt};
        if (Remove) {
            Tm.Pending = false;
            Tm.Due = Clock::now() + std::chrono::milliseconds(Tm.Interval);
        }
        return true;
    }
    return false;
}

void RunDeferred(ThreadQueue &Q)
{
    while (!Q.Deferred.empty()) {
        const auto Action = std::move(Q.Deferred.front());
        Q.Deferred.pop_front();
        Action();
    }
}

void RunIdleWork(ThreadQueue &Q)
{
    RunDeferred(Q);
    // A synchronised call run here is news for the loop that looked: a modal loop waits for
    // what such a call may set, and must not go to sleep over it.
    if (Q.RunsSynchronize && CheckSynchronize(0)) {
        std::lock_guard Lock(Q.Mutex);
        ++Q.Arrivals;
    }
    if (Q.IdleWork) {
        const auto Work = Q.IdleWork;
        Work();
    }
}

// Every look at the queue starts here: what arrived so far counts as seen, and messages sent
// from other threads are delivered before anything posted is read.
void StartLook(ThreadQueue &Q)
{
    {
        std::lock_guard Lock(Q.Mutex);
        Q.Seen = Q.Arrivals;
    }
    DeliverSent(Q);
}

// One look for a message in Win32's order: sent messages are handled first,
// then posted messages, input, the quit flag, painting and timers.
bool Peek(ThreadQueue &Q, LPMSG Out, HWND Filter, UINT Min, UINT Max, bool Remove)
{
    for (;;) {
        StartLook(Q);
        RunIdleWork(Q);
        bool Got = TakePosted(Q, Out, Filter, Min, Max, Remove);
        if (!Got) {
            PumpQt(Q);
            // What Qt reported came before the input it queued with it: the window it
            // activated is the one a key typed next belongs to.
            RunDeferred(Q);
            DeliverSent(Q);
            Got = TakePosted(Q, Out, Filter, Min, Max, Remove);
        }
        if (!Got) {
            const Found F = TakeInput(Q, Out, Filter, Min, Max, Remove);
            if (F == Found::Eaten) continue;
            Got = F == Found::Message;
        }
        Got = Got || TakeQuit(Q, Out, Remove) || TakePaint(Q, Out, Filter, Min, Max) ||
              TakeTimer(Q, Out, Filter, Min, Max, Remove);
        if (!Got) return false;
        if (Remove) {
            Q.Last = *Out;
            RunGetMessageHooks(PM_REMOVE, reinterpret_cast<LPARAM>(Out));
        }
        return true;
    }
}

std::optional<Clock::time_point> NextDue(const ThreadQueue &Q)
{
    std::optional<Clock::time_point> Due;
    for (const Timer &Tm : Q.Timers)
        if (!Tm.Pending && (!Due || Tm.Due < *Due)) Due = Tm.Due;
    return Due;
}

bool HasNews(ThreadQueue &Q)
{
    MarkDueTimers(Q);
    std::lock_guard Lock(Q.Mutex);
    return Q.Arrivals != Q.Seen || !Q.Sent.empty();
}

// Qt's wait ends at the next due time by a timer of ours. A timer that fires no later is left
// running: it ends a wait early at worst, and the next wait arms it again. Restarting it for
// every wait cost a timer registration with Qt per message, and an exchange's answer time-out
// is set anew for each answer.
void ArmWaker(ThreadQueue &Q, std::optional<Clock::time_point> Due)
{
    if (!Due) {
        if (Q.Waker) Q.Waker->stop();
        return;
    }
    if (!Q.Waker) {
        Q.Waker = std::make_unique<QTimer>();
        Q.Waker->setSingleShot(true);
        Q.Waker->setTimerType(Qt::PreciseTimer);
    }
    if (Q.Waker->isActive() && Q.WakerDue <= *Due) return;
    const auto Ms = std::max(std::chrono::ceil<std::chrono::milliseconds>(*Due - Clock::now()),
                             std::chrono::milliseconds(0));
    Q.Waker->start(static_cast<int>(Ms.count()));
    Q.WakerDue = Clock::now() + Ms;
}

// Blocks until something new arrives or the deadline passes; Qt's events are
// processed meanwhile on the GUI thread, which is how its input reaches us. Qt
// is pumped only by the wait itself, which returns at once when Qt has work.
bool WaitForNews(ThreadQueue &Q, std::optional<Clock::time_point> Deadline)
{
    bool Pumped = false;
    for (;;) {
        if (HasNews(Q)) return true;
        auto Due = NextDue(Q);
        if (Deadline && (!Due || *Deadline < *Due)) Due = Deadline;
        if (Deadline && Clock::now() >= *Deadline) {
            if (Pumped || !Q.Qt) return false;
            PumpQt(Q);
            return HasNews(Q);
        }
        Pumped = true;
        if (Q.Qt) {
            ArmWaker(Q, Due);
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        } else {
            std::unique_lock Lock(Q.Mutex);
            auto Ready = [&] { return Q.Arrivals != Q.Seen || !Q.Sent.empty(); };
            if (Due)
                Q.Changed.wait_until(Lock, *Due, Ready);
            else
                Q.Changed.wait(Lock, Ready);
        }
    }
}

bool Move(const InputRecord &R)
{
    return R.Mouse && R.M.Action == MouseAction::Move;
}

void Enqueue(ThreadQueue &Q, InputRecord R)
{
    {
        std::lock_guard Lock(Q.Mutex);
        // Pointer moves not yet read are merged into the latest, as Win32 does.
        if (Move(R) && !Q.Input.empty() && Move(Q.Input.back())) Q.Input.pop_back();
        Q.Input.push_back(std::move(R));
        ++Q.Arrivals;
    }
    Q.Wake();
}

bool PostTo(ThreadQueue &Q, const MSG &M)
{
    {
        std::lock_guard Lock(Q.Mutex);
        Q.Posted.push_back(M);
        ++Q.Arrivals;
    }
    Q.Wake();
    return true;
}

LRESULT SendAcross(ThreadQueue &Target, HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    auto Reply = std::make_shared<std::promise<LRESULT>>();
    auto Result = Reply->get_future();
    {
        std::lock_guard Lock(Target.Mutex);
        Target.Sent.push_back(SentMessage{Wnd, Msg, WParam, LParam, Reply});
    }
    Target.Wake();
    // Messages sent to us meanwhile are handled, so two threads sending to each
    // other do not deadlock.
    ThreadQueue &Own = MyQueue();
    while (Result.wait_for(std::chrono::milliseconds(2)) != std::future_status::ready) {
        DeliverSent(Own);
        if (!IsWindow(Wnd)) return 0;
    }
    return Result.get();
}

// Puts Wnd on the queue's paint list, and hands back the queue's lock for a
// caller that has more to note in the same step.
std::unique_lock<std::mutex> NoteMayPaint(ThreadQueue &Q, HWND Wnd)
{
    Q.PaintMayBeDue = true;
    std::unique_lock Lock(Q.Mutex);
    Q.MayPaint.insert(Wnd);
    return Lock;
}

} // namespace

void InjectMouseInput(const MouseInput &Input)
{
    InputRecord R;
    R.Mouse = true;
    R.M = Input;
    R.Time = Input.Time ? Input.Time : TickNow();
    R.Cursor = Input.Screen;
    SetLastCursorPos(Input.Screen);
    if (Input.Action == MouseAction::Down || Input.Action == MouseAction::DoubleClick)
        ApplyAsyncState(ButtonKey(Input.Button), true);
    if (Input.Action == MouseAction::Up) ApplyAsyncState(ButtonKey(Input.Button), false);
    Enqueue(MyQueue(), std::move(R));
}

void InjectKeyInput(const KeyInput &Input)
{
    InputRecord R;
    R.Mouse = false;
    R.K = Input;
    R.Time = Input.Time ? Input.Time : TickNow();
    POINT Cursor;
    GetCursorPos(&Cursor);
    R.Cursor = Cursor;
    ApplyAsyncState(Input.VirtualKey, Input.Down);
    Enqueue(MyQueue(), std::move(R));
}

void ForgetInput()
{
    ThreadQueue &Q = MyQueue();
    {
        std::lock_guard Lock(Q.Mutex);
        Q.Input.clear();
    }
    Q.Native = PendingNative{};
    ReleaseAllKeys();
    ReleaseCapture();
}

void SetIdleWork(std::function<void()> Work)
{
    MyQueue().IdleWork = std::move(Work);
}

void WakeThread(DWORD ThreadId)
{
    if (auto Q = QueueOf(ThreadId)) {
        {
            std::lock_guard Lock(Q->Mutex);
            ++Q->Arrivals;
        }
        Q->Wake();
    }
}

bool WaitForQueue(DWORD Milliseconds)
{
    ThreadQueue &Q = MyQueue();
    return WaitForNews(Q, Clock::now() + std::chrono::milliseconds(Milliseconds));
}

void ForgetWindowMessages(HWND Wnd)
{
    const auto Q = QueueOf(WindowThread(Wnd));
    if (!Q) return;
    {
        std::lock_guard Lock(Q->Mutex);
        std::erase_if(Q->Posted, [&](const MSG &M) { return M.hwnd == Wnd; });
    }
    if (Q.get() == Mine.Queue.get())
        std::erase_if(Q->Timers, [&](const Timer &T) { return T.Wnd == Wnd; });
}

void EnsureQueue()
{
    MyQueue();
}

void AttachNativeEvent(std::shared_ptr<NativeEvent> Event)
{
    ThreadQueue &Q = MyQueue();
    std::lock_guard Lock(Q.Mutex);
    if (!Q.Input.empty()) Q.Input.back().Native = std::move(Event);
}

std::shared_ptr<NativeEvent> TakeNativeEvent(HWND Wnd, UINT Msg)
{
    PendingNative &P = MyQueue().Native;
    if (!P.Event || P.Wnd != Wnd || P.Msg != Msg) return nullptr;
    return std::exchange(P.Event, nullptr);
}

void NotePaintPending(HWND Wnd)
{
    ThreadQueue &Q = MyQueue();
    const auto Lock = NoteMayPaint(Q, Wnd);
    ++Q.Arrivals;
}

void NotePaintMayBeDue(DWORD ThreadId, HWND Wnd)
{
    if (const auto Q = QueueOf(ThreadId)) NoteMayPaint(*Q, Wnd);
}

void NoteVisibilityChanged()
{
    // A window's children may live on other threads.
    std::lock_guard Lock(QueuesMutex);
    for (auto &[Id, Q] : Queues) {
        Q->PaintMayBeDue = true;
        std::lock_guard QueueLock(Q->Mutex);
        Q->MayPaint.merge(Q->Hidden);
        Q->Hidden.clear(); // what merge left was in MayPaint already
    }
}

bool DispatchPaintOnly()
{
    ThreadQueue &Q = MyQueue();
    StartLook(Q);
    PumpQt(Q);
    DeliverSent(Q);
    MSG M;
    if (!TakePaint(Q, &M, {}, WM_PAINT, WM_PAINT)) return false;
    Q.Last = M;
    DispatchMessageW(&M);
    return true;
}

void DeferToLoop(std::function<void()> Action)
{
    ThreadQueue &Q = MyQueue();
    Q.Deferred.push_back(std::move(Action));
    std::lock_guard Lock(Q.Mutex);
    ++Q.Arrivals;
}

} // namespace win

using namespace win;

BOOL PeekMessageW(LPMSG Msg, HWND Wnd, UINT FilterMin, UINT FilterMax, UINT RemoveMsg)
{
    MSG Local;
    return Peek(MyQueue(), Msg ? Msg : &Local, Wnd, FilterMin, FilterMax, RemoveMsg & PM_REMOVE);
}

BOOL GetMessageW(LPMSG Msg, HWND Wnd, UINT FilterMin, UINT FilterMax)
{
    ThreadQueue &Q = MyQueue();
    MSG Local;
    LPMSG Out = Msg ? Msg : &Local;
    while (!Peek(Q, Out, Wnd, FilterMin, FilterMax, true))
        WaitForNews(Q, std::nullopt);
    return Out->message != WM_QUIT;
}

BOOL WaitMessage()
{
    WaitForNews(MyQueue(), std::nullopt);
    return TRUE;
}

BOOL TranslateMessage(const MSG *Msg)
{
    if (!Msg || (Msg->message != WM_KEYDOWN && Msg->message != WM_SYSKEYDOWN)) return FALSE;
    ThreadQueue &Q = MyQueue();
    const MSG &K = Q.LastKey;
    if (K.message != Msg->message || K.wParam != Msg->wParam || K.lParam != Msg->lParam ||
        K.time != Msg->time || !Q.LastKeyChar)
        return FALSE;
    const unsigned char Byte = static_cast<unsigned char>(rtl::UnicodeToCp1251(Q.LastKeyChar));
    const UINT CharMsg = Msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    return PostTo(Q, MSG{Msg->hwnd, CharMsg, Byte, Msg->lParam, Msg->time, Msg->pt});
}

LRESULT DispatchMessageW(const MSG *Msg)
{
    if (!Msg) return 0;
    if (Msg->message == WM_TIMER && Msg->lParam) {
        reinterpret_cast<TIMERPROC>(Msg->lParam)(Msg->hwnd, WM_TIMER, Msg->wParam, GetTickCount());
        return 0;
    }
    if (!Msg->hwnd || WindowThread(Msg->hwnd) != CurrentThreadId()) return 0;
    return CallWindow(Msg->hwnd, Msg->message, Msg->wParam, Msg->lParam);
}

BOOL PostMessageW(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (!Wnd) return PostThreadMessageW(CurrentThreadId(), Msg, WParam, LParam);
    const auto Q = QueueOf(WindowThread(Wnd));
    if (!Q) return FALSE;
    POINT Cursor;
    GetCursorPos(&Cursor);
    return PostTo(*Q, MSG{Wnd, Msg, WParam, LParam, TickNow(), Cursor});
}

BOOL PostThreadMessageW(DWORD ThreadId, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    const auto Q = QueueOf(ThreadId);
    if (!Q) return FALSE;
    POINT Cursor;
    GetCursorPos(&Cursor);
    return PostTo(*Q, MSG{{}, Msg, WParam, LParam, TickNow(), Cursor});
}

LRESULT SendMessageW(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    const DWORD Thread = WindowThread(Wnd);
    if (!Thread) return 0;
    if (Thread == CurrentThreadId()) {
        RunCallWndProcHooks(Wnd, Msg, WParam, LParam);
        return CallWindow(Wnd, Msg, WParam, LParam);
    }
    const auto Q = QueueOf(Thread);
    return Q ? SendAcross(*Q, Wnd, Msg, WParam, LParam) : 0;
}

BOOL SendNotifyMessageW(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    const DWORD Thread = WindowThread(Wnd);
    if (!Thread) return FALSE;
    if (Thread == CurrentThreadId()) {
        SendMessageW(Wnd, Msg, WParam, LParam);
        return TRUE;
    }
    const auto Q = QueueOf(Thread);
    if (!Q) return FALSE;
    {
        std::lock_guard Lock(Q->Mutex);
        Q->Sent.push_back(SentMessage{Wnd, Msg, WParam, LParam, nullptr});
    }
    Q->Wake();
    return TRUE;
}

void PostQuitMessage(int ExitCode)
{
    ThreadQueue &Q = MyQueue();
    {
        std::lock_guard Lock(Q.Mutex);
        Q.QuitPosted = true;
        Q.QuitCode = ExitCode;
        ++Q.Arrivals;
    }
    Q.Wake();
}

DWORD GetMessagePos()
{
    const MSG &M = MyQueue().Last;
    return MAKELONG(static_cast<WORD>(M.pt.x), static_cast<WORD>(M.pt.y));
}

LONG GetMessageTime()
{
    return static_cast<LONG>(MyQueue().Last.time);
}

DWORD GetQueueStatus(UINT Flags)
{
    ThreadQueue &Q = MyQueue();
    MarkDueTimers(Q);
    DWORD Status = 0;
    {
        std::lock_guard Lock(Q.Mutex);
        if (!Q.Posted.empty() || Q.QuitPosted) Status |= QS_POSTMESSAGE;
        if (!Q.Sent.empty()) Status |= QS_SENDMESSAGE;
        for (const InputRecord &R : Q.Input)
            Status |= R.Mouse ? (R.M.Action == MouseAction::Move ? QS_MOUSEMOVE : QS_MOUSEBUTTON)
                              : QS_KEY;
    }
    for (const Timer &T : Q.Timers)
        if (T.Pending) Status |= QS_TIMER;
    MSG Paint;
    if (TakePaint(Q, &Paint, {}, 0, 0)) Status |= QS_PAINT;
    return (Status & Flags) | ((Status & Flags) << 16);
}

UINT_PTR SetTimer(HWND Wnd, UINT_PTR IdEvent, UINT Elapse, TIMERPROC TimerFunc)
{
    if (Wnd && WindowThread(Wnd) != CurrentThreadId()) return 0;
    ThreadQueue &Q = MyQueue();
    // Win32 raises intervals below its minimum to 10 ms.
    const UINT Interval = std::max<UINT>(Elapse, 10);
    if (!Wnd) {
        auto Existing = std::find_if(Q.Timers.begin(), Q.Timers.end(),
                                     [&](const Timer &T) { return !T.Wnd && T.Id == IdEvent; });
        if (!IdEvent || Existing == Q.Timers.end()) IdEvent = Q.NextTimerId++;
    }
    const auto Due = Clock::now() + std::chrono::milliseconds(Interval);
    for (Timer &T : Q.Timers)
        if (T.Wnd == Wnd && T.Id == IdEvent) {
            T.Interval = Interval;
            T.Due = Due;
            T.Proc = TimerFunc;
            T.Pending = false;
            return Wnd ? 1 : IdEvent;
        }
    Q.Timers.push_back(Timer{Wnd, IdEvent, Interval, Due, TimerFunc, false});
    return Wnd ? 1 : IdEvent;
}

BOOL KillTimer(HWND Wnd, UINT_PTR IdEvent)
{
    ThreadQueue &Q = MyQueue();
    const auto Count =
        std::erase_if(Q.Timers, [&](const Timer &T) { return T.Wnd == Wnd && T.Id == IdEvent; });
    return Count ? TRUE : FALSE;
}

DWORD GetTickCount()
{
    return TickNow();
}
