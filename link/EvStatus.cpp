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
    // As the read-event thread: one call at a time raises all the events stored by then.
    while (!Terminated()) {
        FPort->FStatusEvent.WaitFor();
        if (!Terminated() && !FPort->FDeliveryPosted.exchange(true))
            Queue([Port = FPort] { Port->Deliver(); });
    }
}
