#include "platform/rtl/Classes.h"

#include "platform/rtl/RTLConsts.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <sstream>

namespace
{

// The thread that first asks, which is the one running the static
// initialisers: this unit's own initialiser asks even when no other does, and
// one of another unit that asks earlier runs on the same thread.
const std::thread::id &TheMainThread()
{
    static const std::thread::id id = std::this_thread::get_id();
    return id;
}
const bool MainThreadKnown = (TheMainThread(), true);

struct SyncCall {
    SyncCall(TThread *AThread, TThreadMethod AMethod, bool AQueued)
        : Thread(AThread), Method(std::move(AMethod)), Queued(AQueued)
    {
    }

    TThread *Thread;
    TThreadMethod Method;
    bool Queued;
    bool Done = false;
    std::exception_ptr Error;
    // Only the caller waits here, so finishing one call wakes no other worker.
    std::condition_variable Finished;
};

// One lock guards the pending calls, their completion and every thread's
// finished flag. Changed wakes the main thread for new calls and whoever waits
// for a thread to end; each call's caller waits on the call's own condition.
struct SyncState {
    std::mutex Lock;
    std::condition_variable Changed;
    std::deque<std::shared_ptr<SyncCall>> Pending;
    TNotifyEvent WakeMainThread;
};

SyncState &Sync()
{
    // Never destroyed: a thread that frees itself on termination may still
    // signal it while the program is exiting.
    static SyncState *state = new SyncState;
    return *state;
}

// Adds a call for the main thread and wakes it through the GUI's hook.
void Post(const std::shared_ptr<SyncCall> &Call)
{
    SyncState &sync = Sync();
    TNotifyEvent wake;
    {
        std::lock_guard lock(sync.Lock);
        sync.Pending.push_back(Call);
        wake = sync.WakeMainThread;
    }
    sync.Changed.notify_all();
    if (wake) wake(Call->Thread);
}

std::shared_ptr<SyncCall> TakeNext()
{
    SyncState &sync = Sync();
    std::lock_guard lock(sync.Lock);
    if (sync.Pending.empty()) return nullptr;
    auto call = sync.Pending.front();
    sync.Pending.pop_front();
    return call;
}

void Complete(SyncCall &Call, std::exception_ptr Error)
{
    SyncState &sync = Sync();
    {
        std::lock_guard lock(sync.Lock);
        Call.Error = std::move(Error);
        Call.Done = true;
    }
    Call.Finished.notify_one();
}

std::size_t PendingCount()
{
    SyncState &sync = Sync();
    std::lock_guard lock(sync.Lock);
    return sync.Pending.size();
}

} // namespace

namespace rtl
{

std::thread::id MainThreadID()
{
    return TheMainThread();
}
bool InMainThread()
{
    return std::this_thread::get_id() == TheMainThread();
}

void SetWakeMainThread(TNotifyEvent Hook)
{
    std::lock_guard lock(Sync().Lock);
    Sync().WakeMainThread = std::move(Hook);
}

} // namespace rtl

bool CheckSynchronize(int Timeout)
{
    if (!rtl::InMainThread()) {
        std::ostringstream id;
        id << std::this_thread::get_id();
        throw EThread(SCheckSynchronizeError, {AnsiString(id.str())});
    }
    SyncState &sync = Sync();
    if (Timeout > 0) {
        std::unique_lock lock(sync.Lock);
        sync.Changed.wait_for(lock, std::chrono::milliseconds(Timeout),
                              [&] { return !sync.Pending.empty(); });
    }
    // Only the calls there now: a worker that keeps posting cannot hold the
    // main thread here for ever.
    std::size_t count = PendingCount();
    bool ran = false;
    for (std::size_t i = 0; i < count; ++i) {
        auto call = TakeNext();
        if (!call) break;
        ran = true;
        if (call->Queued) {
            call->Method(); // its exception reaches the caller, as a handler's would
            continue;
        }
        // The handler lets go of the exception before the worker gets it, so
        // the worker holds the last reference and frees it on its own thread.
        std::exception_ptr error;
        try {
            call->Method();
        } catch (...) {
            error = std::current_exception();
        }
        Complete(*call, std::move(error));
    }
    return ran;
}

// ---------------------------------------------------------------------------
// TThread

TThread::TThread() = default;

TThread::~TThread()
{
    if (FStarted && std::this_thread::get_id() != FThreadID) {
        Terminate();
        try {
            WaitFor();
        } catch (...) {
            // A queued call that failed while we waited has nowhere to go from a
            // destructor; the thread itself has ended all the same.
        }
    }
    RemoveQueuedEvents(this);
    // A thread that frees itself on termination ends inside this destructor.
    if (FThread.joinable() && std::this_thread::get_id() == FThreadID) FThread.detach();
}

void TThread::Start()
{
    if (FStarted) return;
    FStarted = true;
    // The worker waits for this lock, so it sees FThread and FThreadID set.
    std::lock_guard lock(FJoinLock);
    FThread = std::thread([this] { Run(); });
    FThreadID = FThread.get_id();
}

void TThread::Run()
{
    {
        std::lock_guard started(FJoinLock);
    }
    try {
        if (!Terminated()) Execute();
    } catch (...) {
        FFatalException = std::current_exception();
    }
    bool freeIt = FFreeOnTerminate;
    try {
        DoTerminate();
    } catch (...) {
        if (!FFatalException) FFatalException = std::current_exception();
    }
    SyncState &sync = Sync();
    {
        std::lock_guard lock(sync.Lock);
        FFinished = true;
    }
    sync.Changed.notify_all();
    if (freeIt) delete this;
}

void TThread::DoTerminate()
{
    if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

bool TThread::Finished() const
{
    std::lock_guard lock(Sync().Lock);
    return FFinished;
}

int TThread::WaitFor()
{
    if (!FStarted) throw EThread(SThreadNotStarted);
    SyncState &sync = Sync();
    std::unique_lock lock(sync.Lock);
    while (!FFinished) {
        if (rtl::InMainThread() && !sync.Pending.empty()) {
            lock.unlock();
            CheckSynchronize();
            lock.lock();
            continue;
        }
        sync.Changed.wait(lock);
    }
    lock.unlock();
    Join();
    return FReturnValue;
}

void TThread::Join()
{
    std::lock_guard lock(FJoinLock);
    if (FThread.joinable()) FThread.join();
}

void TThread::Synchronize(TThread *AThread, const TThreadMethod &Method)
{
    if (rtl::InMainThread()) {
        Method();
        return;
    }
    auto call = std::make_shared<SyncCall>(AThread, Method, false);
    Post(call);
    SyncState &sync = Sync();
    std::exception_ptr error;
    {
        std::unique_lock lock(sync.Lock);
        call->Finished.wait(lock, [&] { return call->Done; });
        // Taken out, so the exception object ends its life on this thread.
        error = std::move(call->Error);
    }
    if (error) std::rethrow_exception(error);
}

void TThread::Queue(TThread *AThread, TThreadMethod Method)
{
    if (rtl::InMainThread()) {
        Method();
        return;
    }
    Post(std::make_shared<SyncCall>(AThread, std::move(Method), true));
}

void TThread::RemoveQueuedEvents(TThread *AThread)
{
    SyncState &sync = Sync();
    std::lock_guard lock(sync.Lock);
    std::erase_if(sync.Pending,
                  [&](const auto &call) { return call->Queued && call->Thread == AThread; });
}
