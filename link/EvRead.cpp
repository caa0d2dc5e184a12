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
    // Not posted while a call is queued or running: that call reports whatever has arrived
    // by the time it runs, and tells this thread when more came meanwhile.
    while (!Terminated()) {
        FPort->FDataEvent.WaitFor();
        if (!Terminated() && !FPort->FDeliveryPosted.exchange(true))
            Queue([Port = FPort] { Port->Deliver(); });
    }
}
