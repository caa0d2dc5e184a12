#pragma once
// The read-event thread: tells the application on its own thread that data has arrived.

#include "link/CommPort.h"

class TReadEventThread : public TThread
{
    QRV4_CLASS(TReadEventThread, TThread)

public:
    explicit TReadEventThread(TCommPort *Port);
    ~TReadEventThread() override;

protected:
    void Execute() override;

private:
    TCommPort *FPort;
};
