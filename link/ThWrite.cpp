#include "link/ThWrite.h"

#include <algorithm>

TWriteThread::TWriteThread(TCommPort *Port, HANDLE Handle) : FPort(Port), FHandle(Handle)
{
    Start();
}

TWriteThread::~TWriteThread()
{
    Terminate();
    WaitFor();
}

void TWriteThread::Execute()
{
    while (!Terminated()) {
        FPort->FWriteEvent.WaitFor();
        if (!Terminated() && HasWork()) SendRing();
    }
}

bool TWriteThread::HasWork()
{
    auto &ring = FPort->FOut;
    // Tested and reset under the ring's lock, so a PutBlock in between cannot lose its wake-up.
    ring.Lock.Enter();
    const bool blocked = FPort->FControl == ccHard && !FPort->FCTS;
    const bool work = ring.Used > 0 && !blocked;
    if (!work)
        FPort->FWriteEvent.ResetEvent(); // under flow control the status thread wakes us again
    ring.Lock.Leave();
    return work;
}

void TWriteThread::SendRing()
{
    DWORD errors = 0;
    COMSTAT stat{};
    ClearCommError(FHandle, &errors, &stat);
    auto &ring = FPort->FOut;
    const DWORD size = static_cast<DWORD>(ring.Data.size());
    while (!Terminated()) {
        ring.Lock.Enter();
        const DWORD start = ring.Start;
        const DWORD used = ring.Used;
        ring.Lock.Leave();
        if (used == 0) return;
        const DWORD count = std::min(used, size - start);
        DWORD written = 0;
        const BOOL started =
            WriteFile(FHandle, ring.Data.data() + start, count, &written, FOverlapped.Record());
        if (!FOverlapped.Finish(FHandle, started, written)) {
            // The bytes stay in the ring; the next PutBlock tries again.
            ring.Lock.Enter();
            FPort->FWriteEvent.ResetEvent();
            ring.Lock.Leave();
            return;
        }
        ring.Lock.Enter();
        ring.Used -= written;
        ring.Start = (start + written) % size;
        ring.Lock.Leave();
    }
}
