#include "link/ThRead.h"

#include <algorithm>

TReadThread::TReadThread(TCommPort *Port, HANDLE Handle) : FPort(Port), FHandle(Handle)
{
    Start();
}

TReadThread::~TReadThread()
{
    Terminate();
    WaitFor();
}

void TReadThread::Execute()
{
    while (!Terminated()) {
        FPort->FReadEvent.WaitFor();
        // All the driver holds goes into the ring before the application is told, once, so a
        // burst costs one wake-up down the line and not one per piece. A failed read ends the
        // round too: the next event tries again, nothing spins. Bytes short of the
        // application's threshold wake nobody; the read that completes it does.
        bool kept = false;
        while (!Terminated() && ReadPiece(kept)) {
        }
        if (kept && FPort->ThresholdReached()) FPort->FDataEvent.SetEvent();
    }
}

bool TReadThread::ReadPiece(bool &Kept)
{
    COMSTAT stat{};
    DWORD errors = 0;
    if (!ClearCommError(FHandle, &errors, &stat)) return false;
    auto &ring = FPort->FIn;
    // The free part after the used bytes, up to the ring's end or, when the used part wraps,
    // up to its start. It is chosen and the read started under the lock, as a flush empties
    // the ring under it first and then aborts the read.
    ring.Lock.Enter();
    const DWORD used = ring.Used;
    const DWORD flushes = ring.Flushes;
    const DWORD size = static_cast<DWORD>(ring.Data.size());
    const DWORD end = ring.Start + used;
    const DWORD at = end < size ? end : end - size;
    const DWORD room = end < size ? size - end : size - used;
    const DWORD count = std::min(room, stat.cbInQue);
    DWORD got = 0;
    const BOOL started =
        count > 0 && ReadFile(FHandle, ring.Data.data() + at, count, &got, FOverlapped.Record());
    ring.Lock.Leave();
    if (count == 0) return false;
    if (!FOverlapped.Finish(FHandle, started, got) || got == 0) return false;
    ring.Lock.Enter();
    // Bytes read before a flush belong to what the flush dropped.
    if (ring.Flushes == flushes) {
        ring.Used += got;
        FPort->FReceived += got;
        Kept = true;
    }
    ring.Lock.Leave();
    return true;
}
