#include "platform/win/PrintService.h"

#include "platform/win/QueueInternal.h"

#include <atomic>
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

// Until the errand is done or the service kept silent too long. Paints only: input and posted
// messages would run the program's own handlers in the middle of the caller's work.
bool AwaitAnswer(Errand &E)
{
    for (;;) {
        // Painting also takes the queue's news as seen, so a wake-up after the check below
        // still ends the wait.
        const bool Painted = DispatchPaintOnly();
        if (E.Done()) return true;
        const Clock::time_point Now = Clock::now();
        const Clock::time_point Deadline = E.Deadline();
        if (Now >= Deadline) return false;
        if (!Painted)
            WaitForQueue(static_cast<DWORD>(
                std::chrono::ceil<std::chrono::milliseconds>(Deadline - Now).count()));
    }
}

} // namespace

bool AskInTime(std::function<void(PrintErrand &)> Question)
{
    if (Unanswered > 0) return false;
    auto E = std::make_shared<Errand>();
    E->Caller = GetCurrentThreadId();
    // The thread wakes the caller's queue, which must be there to be woken.
    EnsureQueue();
    std::thread(Ask, E, std::move(Question)).detach();
    bool Answered = false;
    try {
        Answered = AwaitAnswer(*E);
    } catch (...) {
        E->GiveUp();
        throw;
    }
    return Answered || !E->GiveUp();
}

} // namespace win
