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
        // The piece is chosen and its write started under the lock, so that a flush comes
        // either before (nothing is left to send) or after (the purge aborts the write).
        ring.Lock.Enter();
        const DWORD start = ring.Start;
        const DWORD used = ring.Used;
        const DWORD flushes = ring.Flushes;
        const DWORD count = std::min(used, size - start);
        DWORD written = 0;
        const BOOL started = count > 0 && WriteFile(FHandle, ring.Data.data() + start, count,
                                                    &written, FOverlapped.Record());
        ring.Lock.Leave();
        if (count == 0) return;
        if (!FOverlapped.Finish(FHandle, started, written)) {
            // The bytes stay in the ring; the next PutBlock tries again.
            ring.Lock.Enter();
            FPort->FWriteEvent.ResetEvent();
            ring.Lock.Leave();
            return;
        }
        ring.Lock.Enter();
        // What went out before a flush was taken off the ring by the flush already.
        if (ring.Flushes == flushes) {
            ring.Used -= written;
            ring.Start = (start + written) % size;
        }
        ring.Lock.Leave();
    }
}
