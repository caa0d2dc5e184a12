#include "platform/rtl/Classes.h"
#include "platform/rtl/SyncObjs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace
{

using namespace std::chrono_literals;

// A worker that runs Body on its own thread; Start is the caller's.
class TLambdaThread : public TThread
{
    QRV4_CLASS(TLambdaThread, TThread)

public:
    explicit TLambdaThread(std::function<void(TLambdaThread &)> ABody) : Body(std::move(ABody)) {}
    ~TLambdaThread() override
    {
        if (!Suspended() && !FreeOnTerminate()) {
            Terminate();
            WaitFor();
        }
        if (Destroyed) *Destroyed = true;
    }

    std::atomic<bool> *Destroyed = nullptr;

    using TThread::Queue;
    using TThread::SetReturnValue;
    using TThread::Synchronize;

protected:
    void Execute() override { Body(*this); }

private:
    std::function<void(TLambdaThread &)> Body;
};

// Serves the main thread's pending calls until Done holds; false after ten seconds.
template <class F> bool ServeUntil(F Done)
{
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!Done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        CheckSynchronize(5);
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------

TEST(TThreadSynchronize, RunsOnTheMainThreadWhileWaitForWaits)
{
    const int rounds = 2000;
    int onMain = 0; // touched only on the main thread
    TLambdaThread worker([&](TLambdaThread &self) {
        for (int i = 0; i < rounds; ++i)
            self.Synchronize([&] {
                if (rtl::InMainThread()) ++onMain;
            });
        self.SetReturnValue(7);
    });
    worker.Start();
    EXPECT_EQ(worker.WaitFor(), 7);
    EXPECT_EQ(onMain, rounds);
    EXPECT_TRUE(worker.Finished());
}

TEST(TThreadSynchronize, TerminateStopsAWorkerBlockedInSynchronize)
{
    for (int round = 0; round < 50; ++round) {
        std::atomic<int> calls{0};
        TLambdaThread worker([&](TLambdaThread &self) {
            while (!self.Terminated())
                self.Synchronize([&] { ++calls; });
        });
        worker.Start();
        ASSERT_TRUE(ServeUntil([&] { return calls > round % 5; }));
        worker.Terminate();
        worker.WaitFor();
    }
}

TEST(TThreadSynchronize, ManyWorkersAgainstOneWaitFor)
{
    std::vector<std::unique_ptr<TLambdaThread>> workers;
    int total = 0;
    for (int w = 0; w < 8; ++w) {
        workers.push_back(std::make_unique<TLambdaThread>([&](TLambdaThread &self) {
            for (int i = 0; i < 300; ++i)
                self.Synchronize([&] { ++total; });
        }));
        workers.back()->Start();
    }
    for (auto &w : workers)
        w->WaitFor();
    EXPECT_EQ(total, 8 * 300);
}

TEST(TThreadSynchronize, ExceptionReachesTheWorker)
{
    AnsiString caught;
    TLambdaThread worker([&](TLambdaThread &self) {
        try {
            self.Synchronize([] { throw EConvertError("bad value"); });
        } catch (const EConvertError &e) {
            caught = e.Message();
        }
    });
    worker.Start();
    worker.WaitFor();
    EXPECT_EQ(caught, "bad value");
    EXPECT_FALSE(worker.FatalException());
}

TEST(TThreadSynchronize, OnMainThreadRunsAtOnce)
{
    bool ran = false;
    TThread::Synchronize(nullptr, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(CheckSynchronize());
}

TEST(TThreadSynchronize, CheckSynchronizeRefusesOtherThreads)
{
    bool raised = false;
    std::thread other([&] {
        try {
            CheckSynchronize();
        } catch (const EThread &) {
            raised = true;
        }
    });
    other.join();
    EXPECT_TRUE(raised);
}

TEST(TThreadSynchronize, WakeHookIsCalledForEachCall)
{
    std::atomic<int> wakes{0};
    TObject *sender = nullptr;
    std::mutex senderLock;
    rtl::SetWakeMainThread([&](TObject *Sender) {
        ++wakes;
        std::lock_guard lock(senderLock);
        sender = Sender;
    });
    TLambdaThread worker([](TLambdaThread &self) {
        self.Synchronize([] {});
        self.Synchronize([] {});
    });
    worker.Start();
    worker.WaitFor();
    rtl::SetWakeMainThread(nullptr);
    EXPECT_EQ(wakes, 2);
    std::lock_guard lock(senderLock);
    EXPECT_EQ(sender, &worker);
}

// ---------------------------------------------------------------------------

TEST(TThreadQueue, QueuedCallsRunInOrderOnCheckSynchronize)
{
    std::vector<int> order;
    std::atomic<bool> posted{false};
    TLambdaThread worker([&](TLambdaThread &self) {
        for (int i = 0; i < 5; ++i)
            self.Queue([&order, i] { order.push_back(i); });
        posted = true;
    });
    worker.Start();
    ASSERT_TRUE(ServeUntil([&] { return posted && order.size() == 5; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    worker.WaitFor();
}

TEST(TThreadQueue, RemoveQueuedEventsDropsTheThreadsCalls)
{
    std::atomic<bool> posted{false};
    bool ran = false;
    TLambdaThread worker([&](TLambdaThread &self) {
        self.Queue([&] { ran = true; });
        posted = true;
    });
    worker.Start();
    while (!posted)
        std::this_thread::sleep_for(1ms);
    TThread::RemoveQueuedEvents(&worker);
    worker.WaitFor();
    CheckSynchronize();
    EXPECT_FALSE(ran);
}

// ---------------------------------------------------------------------------

TEST(TThreadLifetime, SuspendedUntilStarted)
{
    std::atomic<bool> ran{false};
    {
        TLambdaThread worker([&](TLambdaThread &) { ran = true; });
        EXPECT_TRUE(worker.Suspended());
        EXPECT_THROW(worker.WaitFor(), EThread);
    }
    EXPECT_FALSE(ran);
}

TEST(TThreadLifetime, TerminatedBeforeStartSkipsExecute)
{
    std::atomic<bool> ran{false};
    TLambdaThread worker([&](TLambdaThread &) { ran = true; });
    worker.Terminate();
    worker.Start();
    worker.WaitFor();
    EXPECT_FALSE(ran);
}

TEST(TThreadLifetime, OnTerminateRunsOnMainAndFreeOnTerminateFrees)
{
    bool terminated = false;
    bool onMain = false;
    std::atomic<bool> destroyed{false};
    auto *worker = new TLambdaThread([](TLambdaThread &) {});
    worker->Destroyed = &destroyed;
    worker->SetFreeOnTerminate(true);
    worker->OnTerminate = [&](TObject *Sender) {
        onMain = rtl::InMainThread();
        terminated = Sender != nullptr;
    };
    worker->Start();
    ASSERT_TRUE(ServeUntil([&] { return terminated; }));
    EXPECT_TRUE(onMain);
    ASSERT_TRUE(ServeUntil([&] { return destroyed.load(); }));
}

TEST(TThreadLifetime, ExceptionInExecuteIsKept)
{
    TLambdaThread worker([](TLambdaThread &) { throw EAbort("stop"); });
    worker.Start();
    worker.WaitFor();
    ASSERT_TRUE(worker.FatalException());
    EXPECT_THROW(std::rethrow_exception(worker.FatalException()), EAbort);
}

TEST(TThreadLifetime, DestroyingARunningThreadTerminatesAndWaits)
{
    std::atomic<int> loops{0};
    {
        TLambdaThread worker([&](TLambdaThread &self) {
            while (!self.Terminated()) {
                ++loops;
                self.Synchronize([] {});
            }
        });
        worker.Start();
        ASSERT_TRUE(ServeUntil([&] { return loops > 3; }));
    }
    int after = loops;
    std::this_thread::sleep_for(5ms);
    EXPECT_EQ(loops, after);
}

// ---------------------------------------------------------------------------

TEST(TEventWaits, AutoResetLetsOneWaiterThrough)
{
    TEvent event(false, false);
    std::atomic<int> through{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (event.WaitFor(5000) == wrSignaled) ++through;
        });
    auto waitForCount = [&](int Count) {
        auto deadline = std::chrono::steady_clock::now() + 5s;
        while (through < Count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        std::this_thread::sleep_for(30ms);
        return through.load();
    };
    for (int n = 1; n <= 3; ++n) {
        event.SetEvent();
        EXPECT_EQ(waitForCount(n), n);
    }
    for (auto &t : waiters)
        t.join();
    EXPECT_EQ(event.WaitFor(0), wrTimeout);
    // Setting a signalled event again does not count twice.
    event.SetEvent();
    event.SetEvent();
    EXPECT_EQ(event.WaitFor(0), wrSignaled);
    EXPECT_EQ(event.WaitFor(0), wrTimeout);
}

TEST(TEventWaits, ManualResetStaysSignalled)
{
    TEvent event(nullptr, true, false, "");
    EXPECT_EQ(event.WaitFor(10), wrTimeout);
    event.SetEvent();
    EXPECT_EQ(event.WaitFor(0), wrSignaled);
    EXPECT_EQ(event.WaitFor(), wrSignaled);
    event.ResetEvent();
    EXPECT_EQ(event.WaitFor(0), wrTimeout);
    TEvent initially(true, true);
    EXPECT_EQ(initially.WaitFor(0), wrSignaled);
}

TEST(TCriticalSectionLocking, EnterTwiceOnOneThreadAndExcludeOthers)
{
    TCriticalSection section;
    section.Enter();
    section.Enter();
    std::atomic<bool> got{true};
    std::thread other([&] { got = section.TryEnter(); });
    other.join();
    EXPECT_FALSE(got);
    section.Leave();
    section.Leave();
    std::thread later([&] {
        got = section.TryEnter();
        if (got) section.Leave();
    });
    later.join();
    EXPECT_TRUE(got);
}

TEST(TThreadListLocking, AddAndRemoveFromManyThreads)
{
    TThreadList list;
    list.SetDuplicates(dupAccept);
    static int items[4][500];
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&list, t] {
            for (int &item : items[t])
                list.Add(&item);
            for (int i = 0; i < 250; ++i)
                list.Remove(&items[t][i]);
        });
    for (auto &t : threads)
        t.join();
    TList *locked = list.LockList();
    EXPECT_EQ(locked->Count(), 4 * 250);
    EXPECT_EQ(locked->IndexOf(&items[2][0]), -1);
    EXPECT_GE(locked->IndexOf(&items[3][499]), 0);
    list.UnlockList();
}

TEST(InterlockedCounters, IncrementDecrementExchangeUnderContention)
{
    std::int32_t counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                InterlockedIncrement(&counter);
                InterlockedIncrement(&counter);
                InterlockedDecrement(&counter);
            }
        });
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(counter, 40000);
    EXPECT_EQ(InterlockedExchange(&counter, 5), 40000);
    EXPECT_EQ(InterlockedExchangeAdd(&counter, 3), 5);
    EXPECT_EQ(InterlockedCompareExchange(&counter, 1, 99), 8);
    EXPECT_EQ(InterlockedCompareExchange(&counter, 1, 8), 8);
    EXPECT_EQ(counter, 1);
    EXPECT_EQ(InterlockedDecrement(&counter), 0);
}
