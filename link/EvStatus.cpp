#include "link/EvStatus.h"

TStatusEventThread::TStatusEventThread(TCommPort *Port) : FPort(Port)
{
    Start();
}

TStatusEventThread::~TStatusEventThread()
{
    Terminate();
    WaitFor();
}

void TStatusEventThread::Execute()
{
    while (!Terminated()) {
        FPort->FStatusEvent.WaitFor();
        if (!Terminated()) Synchronize([this] { FPort->StatusChanged(this); });
    }
}
