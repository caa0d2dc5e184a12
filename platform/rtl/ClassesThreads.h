#pragma once

// Threads of the Classes unit; included by Classes.h, not on its own.

#include "platform/rtl/Classes.h"

#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

using TThreadMethod = std::function<void()>;

// A worker thread. The OS thread starts with Start() (Resume() is the same):
// in C++ a base constructor cannot start a thread safely, because Execute would
// run before the descendant's constructor has finished. A thread "created
// running" therefore calls Start() as the last step of its own constructor.
//
// Destroying a thread that still runs terminates it and waits. A descendant whose
// Execute uses its own members must stop it in its own destructor (Terminate,
// WaitFor), since those members are gone by the time ~TThread waits.
class TThread : public TObject
{
    QRV4_CLASS(TThread, TObject)

public:
    TThread();
    ~TThread() override;

    void Start();
    void Resume() { Start(); }
    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }
    // Waits for the end of Execute and gives ReturnValue. On the main thread it
    // runs the pending synchronised calls meanwhile, so a worker blocked in
    // Synchronize cannot deadlock it. Raises EThread for a thread never started.
    int WaitFor();

    bool Suspended() const { return !FStarted; }
    bool Finished() const;
    bool FreeOnTerminate() const { return FFreeOnTerminate; }
    void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
    int ReturnValue() const { return FReturnValue; }
    std::thread::id ThreadID() const { return FThreadID; }
    // What escaped Execute, if anything.
    std::exception_ptr FatalException() const { return FFatalException; }

    // Raised on the main thread after Execute ends.
    TNotifyEvent OnTerminate;

    // Runs Method on the main thread and waits for it; an exception it raises
    // is raised again in the caller. On the main thread it simply runs Method.
    static void Synchronize(TThread *AThread, const TThreadMethod &Method);
    // Runs Method on the main thread later, without waiting.
    static void Queue(TThread *AThread, TThreadMethod Method);
    // Drops the queued (not yet run) calls of AThread.
    static void RemoveQueuedEvents(TThread *AThread);

protected:
    virtual void Execute() = 0;
    virtual void DoTerminate();
    void Synchronize(const TThreadMethod &Method) { Synchronize(this, Method); }
    void Queue(TThreadMethod Method) { Queue(this, std::move(Method)); }
    void SetReturnValue(int Value) { FReturnValue = Value; }

private:
    void Run();
    void Join();

    std::thread FThread;
    std::mutex FJoinLock;
    std::thread::id FThreadID;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFreeOnTerminate{false};
    std::atomic<int> FReturnValue{0};
    bool FStarted = false;
    bool FFinished = false; // guarded by the synchronisation lock
    std::exception_ptr FFatalException;
};

// Runs the synchronised and queued calls waiting for the main thread; with a
// Timeout (ms) it first waits that long for one to arrive. True when it ran any.
// Raises EThread when called on another thread.
bool CheckSynchronize(int Timeout = 0);

namespace rtl
{

// The thread that initialised the program.
std::thread::id MainThreadID();
bool InMainThread();

// The GUI installs a hook that wakes its event loop so that it calls
// CheckSynchronize; it is called on the worker with the thread as Sender.
// Without one, pending calls wait for CheckSynchronize or a WaitFor.
void SetWakeMainThread(TNotifyEvent Hook);

} // namespace rtl
