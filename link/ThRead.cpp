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
        // A failed read ends the round too: the next event tries again, nothing spins.
        while (!Terminated() && ReadPiece()) {
        }
    }
}

bool TReadThread::ReadPiece()
{
    COMSTAT stat{};
    DWORD errors = 0;
    if (!ClearCommError(FHandle, &errors, &stat)) return false;
    auto &ring = FPort->FIn;
    ring.Lock.Enter();
    const DWORD start = ring.Start;
    const DWORD used = ring.Used;
    ring.Lock.Leave();
    // The free part after the used bytes, up to the ring's end or, when the used part
    // wraps, up to its start.
    const DWORD size = static_cast<DWORD>(ring.Data.size());
    const DWORD end = start + used;
    const DWORD at = end < size ? end : end - size;
    const DWORD room = end < size ? size - end : size - used;
    const DWORD count = std::min(room, stat.cbInQue);
    if (count == 0) return false;
    DWORD got = 0;
    const BOOL started =
        ReadFile(FHandle, ring.Data.data() + at, count, &got, FOverlapped.Record());
    if (!FOverlapped.Finish(FHandle, started, got) || got == 0) return false;
    ring.Lock.Enter();
    ring.Used += got;
    ring.Lock.Leave();
    FPort->FDataEvent.SetEvent();
    return true;
}
