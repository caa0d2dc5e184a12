#pragma once
// The status-event thread: raises the line events on the application's thread.

#include "link/CommPort.h"

class TStatusEventThread : public TThread
{
    QRV4_CLASS(TStatusEventThread, TThread)

public:
    explicit TStatusEventThread(TCommPort *Port);
    ~TStatusEventThread() override;

protected:
    void Execute() override;

private:
    TCommPort *FPort;
};
