#pragma once

// The HTTP client component: one GET at a time that blocks its caller while the
// window's messages keep flowing, so the caller's Stop button and progress
// display work during the transfer. Its events are raised from the waiting loop,
// never from inside the network code.

#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"

#include <functional>
#include <memory>

// A GET that did not deliver its body: no connection, a broken transfer, an HTTP
// error status, or a cancel.
QRV4_DECLARE_EXCEPTION(EHTTPError, Exception)

// The code a failure event carries: the server had no such file, or anything else.
constexpr int FailureNotFound = 0;
constexpr int FailureOther = 1;

using TFailureEvent = std::function<void(TObject *Sender, int Cmd)>;

class TNMHTTP : public TComponent
{
    QRV4_CLASS(TNMHTTP, TComponent)

public:
    explicit TNMHTTP(TComponent *AOwner);
    ~TNMHTTP() override;

    // With InputFileMode the next response body goes into the file Body names
    // (relative to the current folder), and only once the transfer has succeeded;
    // without it Body receives the response text.
    bool InputFileMode() const { return FInputFileMode; }
    void SetInputFileMode(bool Value) { FInputFileMode = Value; }
    const AnsiString &Body() const { return FBody; }
    void SetBody(const AnsiString &Value) { FBody = Value; }
    const AnsiString &Header() const { return FHeader; }
    void SetHeader(const AnsiString &Value) { FHeader = Value; }
    bool OutputFileMode() const { return FOutputFileMode; }
    void SetOutputFileMode(bool Value) { FOutputFileMode = Value; }

    // Returns when the body has arrived; raises EHTTPError otherwise, after
    // OnFailure for a failure the server or the network caused. Redirects are followed.
    void Get(const AnsiString &URL);
    // Stops the transfer in progress; its Get raises EHTTPError.
    void Cancel();
    bool Busy() const;
    // Why the last GET could not start: the network module did not open (in Russian, with the
    // loader's reason); empty when it did.
    static const AnsiString &ModuleMissing();
    // The network module to open instead of the one beside the program (empty: that one
    // again); for a test.
    static void SetNetworkModule(const AnsiString &Path);

    // A get that makes no progress for this many milliseconds, connecting or receiving,
    // fails, and so does one that receives fewer than web::MinProgressBytes in that time; long
    // enough for a slow line.
    static constexpr int DefaultIdleTimeout = 20000;
    int IdleTimeout() const { return FIdleTimeout; }
    void SetIdleTimeout(int Milliseconds) { FIdleTimeout = Milliseconds; }

    // Of the transfer in progress; the total is 0 while the server has not said it.
    long long BytesRecvd() const { return FBytesRecvd; }
    long long BytesTotal() const { return FBytesTotal; }

    TNotifyEvent OnConnect;
    TNotifyEvent OnPacketRecvd;
    TFailureEvent OnFailure;

private:
    struct TTransfer;

    void RaisePendingEvents();
    void Finish();

    bool FInputFileMode = false;
    bool FOutputFileMode = false;
    AnsiString FBody = "Default.htm";
    AnsiString FHeader = "Head.txt";
    long long FBytesRecvd = 0;
    long long FBytesTotal = 0;
    int FIdleTimeout = DefaultIdleTimeout;
    std::unique_ptr<TTransfer> FTransfer;
};
