#pragma once
// The status thread: waits for communication events, keeps the modem lines current and
// wakes the read thread and the status-event thread.

#include "link/CommPort.h"

class TStatusThread : public TThread
{
    QRV4_CLASS(TStatusThread, TThread)

public:
    TStatusThread(TCommPort *Port, HANDLE Handle, TEventStates Events);
    ~TStatusThread() override;

protected:
    void Execute() override;

private:
    void EventArrived(DWORD Mask);

    TCommPort *FPort;
    HANDLE FHandle;
    comm::TOverlapped FOverlapped;
};
