#include "platform/win/PrintService.h"

#include "platform/win/QueueInternal.h"
#include "platform/win/WinSpool.h"
#include "platform/win/WinUser.h"
#include "platform/win/WindowWidget.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace win
{

namespace
{

using Clock = std::chrono::steady_clock;

// Questions given up on that have not come back yet.
std::atomic<int> Unanswered{0};

// One question between its thread and the caller, owned by both: the thread may finish long
// after the caller gave up.
struct Errand final : PrintErrand {
    std::mutex Lock;
    bool Finished = false;
    bool Abandoned = false;
    DWORD Caller = 0;
    std::atomic<Clock::time_point> LastAnswer{Clock::now()};

    void StillAnswering() override { LastAnswer = Clock::now(); }

    bool GivenUp() override
    {
        const std::lock_guard<std::mutex> Hold(Lock);
        return Abandoned;
    }

    Clock::time_point Deadline() const { return LastAnswer.load() + PrintServicePatience; }

    bool Done()
    {
        const std::lock_guard<std::mutex> Hold(Lock);
        return Finished;
    }

    // False when the answer came after all.
    bool GiveUp()
    {
        const std::lock_guard<std::mutex> Hold(Lock);
        if (Finished) return false;
        Abandoned = true;
        ++Unanswered;
        return true;
    }

    void Finish()
    {
        {
            const std::lock_guard<std::mutex> Hold(Lock);
            Finished = true;
            if (Abandoned) --Unanswered;
        }
        WakeThread(Caller);
    }
};

void Ask(const std::shared_ptr<Errand> &E, const std::function<void(PrintErrand &)> &Question)
{
    // An answer that cannot be had is no answer: the caller finds none.
    try {
        Question(*E);
    } catch (...) {
    }
    E->Finish();
}

// The box whose Cancel may end a wait of this thread, what routes its input, what makes it tell
// a wait, and whether its Cancel was pressed.
thread_local HWND CancelWindow = nullptr;
thread_local PrintCancelRouter CancelRoute;
thread_local PrintWaitTeller CancelTellWait;
thread_local bool CancelAsked = false;
// Waits of this thread that ended by the user's cancel.
thread_local unsigned CancelledWaits = 0;

WaitEnd CancelledWait()
{
    ++CancelledWaits;
    return WaitEnd::Cancelled;
}

PrintWaitBoxFactory &WaitBoxFactory()
{
    static PrintWaitBoxFactory Factory;
    return Factory;
}

// One message for the cancel box, handled; false when none waits.
bool DispatchCancelInput()
{
    MSG M;
    if (!CancelWindow || !IsWindow(CancelWindow) ||
        !PeekMessageW(&M, CancelWindow, 0, 0, PM_REMOVE))
        return false;
    // A copy: the message may close the box, which forgets its router.
    const PrintCancelRouter Route = CancelRoute;
    if (Route && Route(M)) return true;
    TranslateMessage(&M);
    DispatchMessageW(&M);
    return true;
}

// Whether a wait that has lasted can be told: on the cancel box, or with no cancel box on a box
// of its own, which only the program's window thread may make.
bool CanTellWait(bool Cancellable)
{
    return Cancellable ? static_cast<bool>(CancelTellWait)
                       : static_cast<bool>(WaitBoxFactory()) && GuiThread();
}

// Until the errand is done, the service kept silent too long or, where the wait may be
// cancelled, the user cancelled it. Paints only, and handles the cancel box: other input and
// posted messages would run the program's own handlers in the middle of the caller's work. A
// wait that lasts says so: the cancel box tells it, or with none a box of its own, which then
// cancels it.
WaitEnd AwaitAnswer(Errand &E, bool Cancellable)
{
    const Clock::time_point TellDue = Clock::now() + PrintWaitBoxDelay;
    bool Told = false;
    std::unique_ptr<PrintWaitBox> Box;
    for (;;) {
        // Painting also takes the queue's news as seen, so a wake-up after the check below
        // still ends the wait.
        const bool Painted = DispatchPaintOnly();
        const bool Handled = !Painted && Cancellable && DispatchCancelInput();
        if (E.Done()) return WaitEnd::Answered;
        if (Cancellable && CancelAsked) return CancelledWait();
        const Clock::time_point Now = Clock::now();
        const Clock::time_point Deadline = E.Deadline();
        if (Now >= Deadline) return WaitEnd::Silent;
        const bool TellWanted = !Told && CanTellWait(Cancellable);
        if (TellWanted && Now >= TellDue) {
            if (Cancellable)
                CancelTellWait();
            else
                Box = WaitBoxFactory()();
            Told = Cancellable = true;
            continue;
        }
        if (!Painted && !Handled)
            WaitForQueue(
                static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(
                                       (TellWanted ? std::min(Deadline, TellDue) : Deadline) - Now)
                                       .count()));
    }
}

// The pointer says that the program waits, for as long as it lives; over the printing box, that
// its Cancel still works.
class WaitingCursor
{
public:
    explicit WaitingCursor(bool Cancellable)
        : FBefore(SetCursor(LoadCursorW(nullptr, Cancellable ? IDC_APPSTARTING : IDC_WAIT)))
    {
    }
    // None before would be no pointer at all: the arrow is what a move would bring back.
    ~WaitingCursor() { SetCursor(FBefore ? FBefore : LoadCursorW(nullptr, IDC_ARROW)); }
    WaitingCursor(const WaitingCursor &) = delete;
    WaitingCursor &operator=(const WaitingCursor &) = delete;

private:
    HCURSOR FBefore;
};

WaitEnd AskAndWait(std::function<void(PrintErrand &)> Question)
{
    if (Unanswered > 0) return WaitEnd::Silent;
    // Under the printing box any wait may be long, and once cancelled every one ends at once.
    const bool Cancellable = CancelWindow != nullptr;
    if (Cancellable && CancelAsked) return CancelledWait();
    auto E = std::make_shared<Errand>();
    E->Caller = GetCurrentThreadId();
    // The thread wakes the caller's queue, which must be there to be woken.
    EnsureQueue();
    std::thread(Ask, E, std::move(Question)).detach();
    WaitEnd End = WaitEnd::Silent;
    try {
        const WaitingCursor Waiting(Cancellable);
        End = AwaitAnswer(*E, Cancellable);
    } catch (...) {
        E->GiveUp();
        throw;
    }
    // An answer that came as the wait ended is still taken.
    return End == WaitEnd::Answered || !E->GiveUp() ? WaitEnd::Answered : End;
}

} // namespace

bool AskInTime(std::function<void(PrintErrand &)> Question)
{
    return AskAndWait(std::move(Question)) == WaitEnd::Answered;
}

WaitEnd AskCancellably(std::function<void(PrintErrand &)> Question)
{
    return AskAndWait(std::move(Question));
}

void SetPrintCancelWindow(HWND Window, PrintCancelRouter Route, PrintWaitTeller TellWait)
{
    CancelWindow = Window;
    CancelRoute = std::move(Route);
    CancelTellWait = std::move(TellWait);
    CancelAsked = false;
}

void ClearPrintCancelWindow(HWND Window)
{
    if (CancelWindow != Window) return;
    CancelWindow = nullptr;
    CancelRoute = nullptr;
    CancelTellWait = nullptr;
}

void SetPrintWaitBoxFactory(PrintWaitBoxFactory Factory)
{
    WaitBoxFactory() = std::move(Factory);
}

void CancelPrintWait()
{
    CancelAsked = true;
}

PrintWaitWatch::PrintWaitWatch() : FCancelledBefore(CancelledWaits) {}

bool PrintWaitWatch::Cancelled() const
{
    return CancelledWaits != FCancelledBefore;
}

} // namespace win
