#include "link/ThStatus.h"

#include <chrono>
#include <thread>

namespace
{

constexpr DWORD LineEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING | EV_ERR;
// After a wait that failed outright (a device gone, a port that refuses) the next try waits
// this long, so a failing port cannot keep the thread busy.
constexpr auto RetryPause = std::chrono::milliseconds(100);

} // namespace

TStatusThread::TStatusThread(TCommPort *Port, HANDLE Handle, TEventStates Events)
    : FPort(Port), FHandle(Handle)
{
    SetCommMask(FHandle, Events.ToInt());
    Start();
}

TStatusThread::~TStatusThread()
{
    Terminate();
    WaitFor();
}

void TStatusThread::Execute()
{
    DWORD status = 0;
    if (GetCommModemStatus(FHandle, &status)) FPort->SetLines(status);
    FPort->FEventMask = 0;
    while (!Terminated()) {
        DWORD mask = 0, unused = 0;
        const BOOL started = WaitCommEvent(FHandle, &mask, FOverlapped.Record());
        if (!FOverlapped.Finish(FHandle, started, unused)) {
            std::this_thread::sleep_for(RetryPause);
            continue;
        }
        EventArrived(mask);
    }
}

void TStatusThread::EventArrived(DWORD Mask)
{
    // Events that come before the status-event thread has raised the earlier ones are added
    // to them and raised together, each once.
    FPort->FEventMask |= Mask;
    DWORD status = 0;
    if ((Mask & LineEvents) && GetCommModemStatus(FHandle, &status)) {
        FPort->SetLines(status);
        if (FPort->FControl == ccHard && FPort->FCTS && FPort->OutBuffUsed() > 0)
            FPort->FWriteEvent.SetEvent();
    }
    if (Mask & EV_RXCHAR) FPort->FReadEvent.SetEvent();
    if (FPort->StatusWanted(Mask)) FPort->FStatusEvent.SetEvent();
}
