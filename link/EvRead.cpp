#include "link/EvRead.h"

TReadEventThread::TReadEventThread(TCommPort *Port) : FPort(Port)
{
    Start();
}

TReadEventThread::~TReadEventThread()
{
    Terminate();
    WaitFor();
}

void TReadEventThread::Execute()
{
    // After Synchronize the port is not touched again once stopping was asked: a port closed
    // from inside this very handler may be gone by then.
    while (!Terminated()) {
        FPort->FDataEvent.WaitFor();
        if (!Terminated()) Synchronize([this] { FPort->DataReceived(this); });
    }
}
