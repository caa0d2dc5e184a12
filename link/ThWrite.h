#pragma once
// The write thread: sends the output ring's bytes to the driver.

#include "link/CommPort.h"

class TWriteThread : public TThread
{
    QRV4_CLASS(TWriteThread, TThread)

public:
    TWriteThread(TCommPort *Port, HANDLE Handle);
    ~TWriteThread() override;

protected:
    void Execute() override;

private:
    // True when there is something to send; otherwise the write event is reset.
    bool HasWork();
    void SendRing();

    TCommPort *FPort;
    HANDLE FHandle;
    comm::TOverlapped FOverlapped;
};
