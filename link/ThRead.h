#pragma once
// The read thread: moves what the driver has received into the input ring.

#include "link/CommPort.h"

class TReadThread : public TThread
{
    QRV4_CLASS(TReadThread, TThread)

public:
    TReadThread(TCommPort *Port, HANDLE Handle);
    ~TReadThread() override;

protected:
    void Execute() override;

private:
    // Reads one contiguous piece into the ring; false when there was nothing to read. Kept is
    // set when the piece counts in the ring (no flush came between).
    bool ReadPiece(bool &Kept);

    TCommPort *FPort;
    HANDLE FHandle;
    comm::TOverlapped FOverlapped;
};
