#include "link/CommPort.h"

#include "link/EvRead.h"
#include "link/EvStatus.h"
#include "link/ThRead.h"
#include "link/ThStatus.h"
#include "link/ThWrite.h"
#include "platform/vcl/Forms.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace
{

constexpr DWORD BaudRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                               19200, 38400, 56000, 57600, 115200, 128000, 256000};

// The flag word of each flow control, replaced whole.
constexpr DWORD ControlFlags[] = {
    dcb::fBinary,
    dcb::fBinary | DTR_CONTROL_ENABLE << dcb::fDtrControlShift | dcb::fOutX | dcb::fInX |
        RTS_CONTROL_ENABLE << dcb::fRtsControlShift,
    dcb::fBinary | dcb::fOutxCtsFlow | dcb::fOutxDsrFlow |
        DTR_CONTROL_HANDSHAKE << dcb::fDtrControlShift |
        RTS_CONTROL_HANDSHAKE << dcb::fRtsControlShift,
};
static_assert(ControlFlags[ccSoft] == 0x1311 && ControlFlags[ccHard] == 0x202D);

constexpr auto BreakUnit = std::chrono::milliseconds(55);

// The events every transfer brings.
constexpr DWORD TransferEvents = EV_RXCHAR | EV_TXEMPTY;

void ShowWarning(const char *Text)
{
    Application->MessageBox(Text, "COM port warning", MB_OK | MB_ICONWARNING);
}

DWORD UsedOf(TCriticalSection &Lock, const DWORD &Used)
{
    Lock.Enter();
    const DWORD used = Used;
    Lock.Leave();
    return used;
}

} // namespace

QRV4_PUBLISHED(TCommPort)

void TCommPort::Publish(rtl::Publisher<TCommPort> &P)
{
    using C = TCommPort;
    P.Property("ComNumber", &C::ComNumber, &C::SetComNumber).Default(2);
    P.Property("Open", &C::Open, &C::SetOpen).Default(false);
    P.Property("DTR", &C::DTR, &C::SetDTR).Default(false);
    P.Property("RTS", &C::RTS, &C::SetRTS).Default(false);
    P.Property("CTS", &C::CTS).Stored(false);
    P.Property("DSR", &C::DSR).Stored(false);
    P.Property("DCD", &C::DCD).Stored(false);
    P.Property("Ring", &C::Ring).Stored(false);
    P.Property("InSize", &C::InSize, &C::SetInSize).Default(2048u);
    P.Property("OutSize", &C::OutSize, &C::SetOutSize).Default(4096u);
    P.Property("InBuffFree", &C::InBuffFree).Stored(false);
    P.Property("InBuffUsed", &C::InBuffUsed).Stored(false);
    P.Property("OutBuffFree", &C::OutBuffFree).Stored(false);
    P.Property("OutBuffUsed", &C::OutBuffUsed).Stored(false);
    P.Property("OutQueCount", &C::OutQueCount).Stored(false);
    P.Property("Baud", &C::Baud, &C::SetBaud).Default(9600);
    P.Property("BaudRate", &C::BaudRate, &C::SetBaudRate).Default(cbr9600);
    P.Property("Control", &C::Control, &C::SetControl).Default(ccNone);
    P.Property("Parity", &C::Parity, &C::SetParity).Default(paNone);
    P.Property("StopBits", &C::StopBits, &C::SetStopBits).Default(sb1_0);
    P.Property("DataBits", &C::DataBits, &C::SetDataBits).Default(WORD(8));
    P.Property("MonitorEvents", &C::MonitorEvents, &C::SetMonitorEvents)
        .Default(DefaultMonitorEvents);
    P.Property("XonLim", &C::XonLim, &C::SetXonLim).Default(WORD(0));
    P.Property("XoffLim", &C::XoffLim, &C::SetXoffLim).Default(WORD(1024));
    P.Property("XonChar", &C::XonChar, &C::SetXonChar).Default(BYTE(17));
    P.Property("XoffChar", &C::XoffChar, &C::SetXoffChar).Default(BYTE(19));
    P.Property("EventChar", &C::EventChar, &C::SetEventChar).Default(BYTE(0));
    P.Event("OnCTSSignal", &C::OnCTSSignal);
    P.Event("OnDCDSignal", &C::OnDCDSignal);
    P.Event("OnDSRSignal", &C::OnDSRSignal);
    P.Event("OnRxDSignal", &C::OnRxDSignal);
    P.Event("OnTxDSignal", &C::OnTxDSignal);
    P.Event("OnRingSignal", &C::OnRingSignal);
    P.Event("OnBreakSignal", &C::OnBreakSignal);
    P.Event("OnRxEventSignal", &C::OnRxEventSignal);
    P.Event("OnErrorSignal", &C::OnErrorSignal);
    P.Event("OnDataReceived", &C::OnDataReceived);
    P.Event("OnOpen", &C::OnOpen);
    P.Event("OnClose", &C::OnClose);
}

TCommPort::TCommPort(TComponent *AOwner) : TComponent(AOwner) {}

TCommPort::~TCommPort()
{
    // The owner is being torn down: its close handler must not run any more.
    OnClose = nullptr;
    ClosePort();
}

// ---------------------------------------------------------------------------
// Open and close

void TCommPort::SetOpen(bool Value)
{
    if (Value)
        OpenPort();
    else
        ClosePort();
}

void TCommPort::OpenPort()
{
    if (FConnected) return;
    for (TRing *ring : {&FOut, &FIn}) {
        ring->Lock.Enter();
        ring->Empty();
        ring->Lock.Leave();
    }
    FOut.Data.assign(FOutSize, 0);
    FIn.Data.assign(FInSize, 0);

    SetLastError(ERROR_SUCCESS);
    const AnsiString name = AnsiString("\\\\.\\COM") + AnsiString(FComNumber);
    FHandle = CreateFile(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
    const DWORD openError = GetLastError();
    if (FHandle == INVALID_HANDLE_VALUE) {
        FOut.Data.clear();
        FIn.Data.clear();
        return;
    }

    SetupComm(FHandle, FInSize, FOutSize);
    COMMTIMEOUTS timeouts{};
    SetCommTimeouts(FHandle, &timeouts);
    ApplyControl();
    ApplyBaudRate();
    ApplyParity();
    ApplyStopBits();
    ApplyDataBits();
    ApplyXonLim();
    ApplyXoffLim();
    ApplyXonChar();
    ApplyXoffChar();
    ApplyEventChar();

    NoteTransferSignalsWanted();
    FStatusThread = std::make_unique<TStatusThread>(this, FHandle, FMonitorEvents);
    FReadEvent.ResetEvent();
    FReadThread = std::make_unique<TReadThread>(this, FHandle);
    FWriteEvent.ResetEvent();
    FWriteThread = std::make_unique<TWriteThread>(this, FHandle);
    FDataEvent.ResetEvent();
    FReadEventThread = std::make_unique<TReadEventThread>(this);
    FStatusEvent.ResetEvent();
    FStatusEventThread = std::make_unique<TStatusEventThread>(this);

    FConnected = true;
    EscapeCommFunction(FHandle, FDTR ? SETDTR : CLRDTR);
    EscapeCommFunction(FHandle, FRTS ? SETRTS : CLRRTS);
    if (OnOpen) OnOpen(this, openError);
}

void TCommPort::ClosePort()
{
    if (!FConnected) return;
    // From here no handler runs: synchronised calls that the waits below serve are dropped.
    FClosing = true;
    FCTS = FDSR = FDCD = FRing = false;
    StopThread(std::move(FStatusThread), [this] { SetCommMask(FHandle, 0); });
    // Pending transfers are aborted too, or a device that stopped reading would hold the
    // write thread (and so the close) for ever.
    StopThread(std::move(FReadThread), [this] {
        PurgeComm(FHandle, PURGE_RXABORT);
        FReadEvent.SetEvent();
    });
    StopThread(std::move(FWriteThread), [this] {
        PurgeComm(FHandle, PURGE_TXABORT);
        FWriteEvent.SetEvent();
    });
    StopThread(std::move(FReadEventThread), [this] { FDataEvent.SetEvent(); });
    StopThread(std::move(FStatusEventThread), [this] { FStatusEvent.SetEvent(); });
    // Their calls still queued went with them.
    FDeliveryPosted = false;
    CloseHandle(FHandle);
    FHandle = INVALID_HANDLE_VALUE;
    for (TRing *ring : {&FOut, &FIn}) {
        ring->Lock.Enter();
        ring->Empty();
        ring->Data.clear();
        ring->Lock.Leave();
    }
    FConnected = false;
    FClosing = false;
    if (OnClose) OnClose(this);
}

void TCommPort::StopThread(std::unique_ptr<TThread> Thread, const std::function<void()> &Wake)
{
    Thread->Terminate();
    Wake();
    // The event threads only queue their calls and never wait in a handler, so this ends
    // also when the port is closed from one of those handlers.
    Thread->WaitFor();
}

// ---------------------------------------------------------------------------
// Synchronised events (user-interface thread)

void TCommPort::Deliver()
{
    // One call serves both event threads: data and line events that come close together
    // wake this thread once. The flag stays set while the handlers run, so a handler that
    // waits in a message loop is not entered again; what comes meanwhile is told in a call of
    // its own.
    StatusChanged();
    DataReceived();
    NoteTransferSignalsWanted();
    // An exchange, not a store: it sees the flag an event thread set after its news, and so
    // the news.
    FDeliveryPosted.exchange(false);
    if (!Delivering()) return;
    if (StatusWanted(FEventMask)) FStatusEvent.SetEvent();
    if (DataWaiting()) FDataEvent.SetEvent();
}

void TCommPort::DataReceived()
{
    // Bytes an earlier call reported are not reported again; bytes short of the threshold
    // wait to be reported with the rest.
    if (!DataWaiting()) return;
    FReported = Received();
    if (Delivering() && OnDataReceived) CallHandler([&] { OnDataReceived(this, InBuffUsed()); });
}

void TCommPort::StatusChanged()
{
    const DWORD mask = FEventMask.exchange(0);
    const std::pair<DWORD, TNotifyEvent *> signals[] = {
        {EV_CTS, &OnCTSSignal},     {EV_RLSD, &OnDCDSignal},    {EV_DSR, &OnDSRSignal},
        {EV_RING, &OnRingSignal},   {EV_RXCHAR, &OnRxDSignal},  {EV_RXFLAG, &OnRxEventSignal},
        {EV_TXEMPTY, &OnTxDSignal}, {EV_BREAK, &OnBreakSignal},
    };
    // A handler may close the port; the rest are not raised then.
    for (const auto &signal : signals) {
        TNotifyEvent *event = signal.second;
        if ((mask & signal.first) && Delivering() && *event) CallHandler([&] { (*event)(this); });
    }
    if ((mask & EV_ERR) && Delivering() && OnErrorSignal)
        CallHandler([&] { OnErrorSignal(this, GetLastError()); });
}

// Every byte comes with a received-character event and every write with a transmit-empty one:
// when nobody listens for those as line events they are no reason to wake the user-interface
// thread, which hears of the bytes through the data event anyway. The events stay stored and
// go with the next call, so a handler assigned while the port is open hears of them from then
// on.
bool TCommPort::StatusWanted(DWORD Mask) const
{
    return (Mask & ~TransferEvents) != 0 || (Mask & FTransferSignalsWanted) != 0;
}

void TCommPort::NoteTransferSignalsWanted()
{
    FTransferSignalsWanted = (OnRxDSignal ? EV_RXCHAR : 0) | (OnTxDSignal ? EV_TXEMPTY : 0);
}

std::uint64_t TCommPort::Received() const
{
    FIn.Lock.Enter();
    const std::uint64_t received = FReceived;
    FIn.Lock.Leave();
    return received;
}

void TCommPort::CallHandler(const std::function<void()> &Handler)
{
    // What a handler lets escape is the application's to show, as for any other event; it
    // must not cut the call short, whose end lets the next one be posted: nothing more would
    // be delivered until the port is opened again.
    try {
        Handler();
    } catch (...) {
        Application->HandleException(this);
    }
}

void TCommPort::SetReceiveThreshold(DWORD Value)
{
    FReceiveThreshold = Value;
    // Bytes already waiting may reach a lower threshold with no read to tell of them.
    if (Delivering() && DataWaiting()) FDataEvent.SetEvent();
}

void TCommPort::SetLines(DWORD ModemStatus)
{
    FCTS = (ModemStatus & MS_CTS_ON) != 0;
    FDSR = (ModemStatus & MS_DSR_ON) != 0;
    FRing = (ModemStatus & MS_RING_ON) != 0;
    FDCD = (ModemStatus & MS_RLSD_ON) != 0;
}

// ---------------------------------------------------------------------------
// Settings

void TCommPort::SetComNumber(int Value)
{
    ClosePort();
    FComNumber = Value;
}

void TCommPort::SetInSize(DWORD Value)
{
    const bool wasOpen = FConnected;
    ClosePort();
    FInSize = Value;
    if (wasOpen) OpenPort();
}

void TCommPort::SetOutSize(DWORD Value)
{
    const bool wasOpen = FConnected;
    ClosePort();
    FOutSize = Value;
    if (wasOpen) OpenPort();
}

void TCommPort::ApplyState(const std::function<void(DCB &)> &Change)
{
    if (FHandle == INVALID_HANDLE_VALUE) return;
    // The driver's refusals are not reported: the stored value stays what was asked for.
    GetCommState(FHandle, &FDCB);
    Change(FDCB);
    SetCommState(FHandle, &FDCB);
}

void TCommPort::ApplyControl()
{
    ApplyState([this](DCB &d) { d.Flags = ControlFlags[FControl.load()]; });
}

void TCommPort::ApplyBaudRate()
{
    ApplyState([this](DCB &d) { d.BaudRate = BaudRates[FBaudRate]; });
}

void TCommPort::ApplyParity()
{
    ApplyState([this](DCB &d) { d.Parity = static_cast<BYTE>(FParity); });
}

void TCommPort::ApplyStopBits()
{
    ApplyState([this](DCB &d) { d.StopBits = static_cast<BYTE>(FStopBits); });
}

void TCommPort::ApplyDataBits()
{
    ApplyState([this](DCB &d) { d.ByteSize = static_cast<BYTE>(FDataBits); });
}

void TCommPort::ApplyXonLim()
{
    ApplyState([this](DCB &d) { d.XonLim = FXonLim; });
}

void TCommPort::ApplyXoffLim()
{
    ApplyState([this](DCB &d) { d.XoffLim = FXoffLim; });
}

void TCommPort::ApplyXonChar()
{
    ApplyState([this](DCB &d) { d.XonChar = static_cast<char>(FXonChar); });
}

void TCommPort::ApplyXoffChar()
{
    ApplyState([this](DCB &d) { d.XoffChar = static_cast<char>(FXoffChar); });
}

void TCommPort::ApplyEventChar()
{
    ApplyState([this](DCB &d) { d.EvtChar = static_cast<char>(FEventChar); });
}

void TCommPort::CheckCombination()
{
    if (FDataBits == 5 && FStopBits == sb2_0)
        ShowWarning("Invalid combination (5 data bits with 2 stop bits)");
    else if (FDataBits >= 6 && FDataBits <= 8 && FStopBits == sb1_5)
        ShowWarning("Invalid combination (6,7 or 8 data bits with 1.5 stop bits)");
}

int TCommPort::Baud() const
{
    return static_cast<int>(BaudRates[FBaudRate]);
}

void TCommPort::SetBaud(int Value)
{
    const auto found = std::find(std::begin(BaudRates), std::end(BaudRates), DWORD(Value));
    if (Value > 0 && found != std::end(BaudRates))
        SetBaudRate(static_cast<TBaudRate>(found - std::begin(BaudRates)));
}

void TCommPort::SetBaudRate(TBaudRate Value)
{
    FBaudRate = Value;
    ApplyBaudRate();
}

void TCommPort::SetControl(TComControl Value)
{
    FControl = Value;
    ApplyControl();
}

void TCommPort::SetParity(TParity Value)
{
    FParity = Value;
    ApplyParity();
}

void TCommPort::SetStopBits(TStopBits Value)
{
    FStopBits = Value;
    ApplyStopBits();
    CheckCombination();
}

void TCommPort::SetDataBits(WORD Value)
{
    FDataBits = Value < 5 || Value > 8 ? 8 : Value;
    ApplyDataBits();
    CheckCombination();
}

void TCommPort::SetXonLim(WORD Value)
{
    FXonLim = Value;
    ApplyXonLim();
}

void TCommPort::SetXoffLim(WORD Value)
{
    FXoffLim = static_cast<WORD>(std::min<DWORD>({Value, FInSize, 65535}));
    ApplyXoffLim();
}

void TCommPort::SetXonChar(BYTE Value)
{
    FXonChar = Value;
    ApplyXonChar();
}

void TCommPort::SetXoffChar(BYTE Value)
{
    FXoffChar = Value;
    ApplyXoffChar();
}

void TCommPort::SetEventChar(BYTE Value)
{
    FEventChar = Value;
    ApplyEventChar();
}

// ---------------------------------------------------------------------------
// Lines

void TCommPort::SetDTR(bool Value)
{
    if (!FConnected || EscapeCommFunction(FHandle, Value ? SETDTR : CLRDTR)) FDTR = Value;
}

void TCommPort::SetRTS(bool Value)
{
    if (!FConnected || EscapeCommFunction(FHandle, Value ? SETRTS : CLRRTS)) FRTS = Value;
}

void TCommPort::PowerOn()
{
    SetDTR(true);
    SetRTS(true);
    FDTR = FRTS = true;
}

void TCommPort::PowerOff()
{
    SetDTR(false);
    SetRTS(false);
    FDTR = FRTS = false;
}

bool TCommPort::SetBreak(bool Value)
{
    return FConnected && EscapeCommFunction(FHandle, Value ? SETBREAK : CLRBREAK);
}

void TCommPort::SendBreak(int Count)
{
    SetBreak(true);
    std::this_thread::sleep_for(Count * BreakUnit);
    SetBreak(false);
}

bool TCommPort::GetModemState(int Line)
{
    constexpr DWORD lines[] = {MS_CTS_ON, MS_DSR_ON, MS_RING_ON, MS_RLSD_ON};
    DWORD status = 0;
    if (!FConnected || Line < 1 || Line > 4 || !GetCommModemStatus(FHandle, &status)) return false;
    return (status & lines[Line - 1]) != 0;
}

// ---------------------------------------------------------------------------
// Rings

DWORD TCommPort::PutBlock(const void *Data, DWORD Count)
{
    if (!FConnected) return 0;
    FOut.Lock.Enter();
    const DWORD start = FOut.Start;
    const DWORD used = FOut.Used;
    FOut.Lock.Leave();
    const DWORD size = FOutSize;
    const DWORD accepted = std::min(Count, size - used);
    if (accepted == 0) return 0;
    // The free part begins after the used bytes and may wrap at the end.
    const DWORD at = (start + used) % size;
    const DWORD first = std::min(accepted, size - at);
    const BYTE *bytes = static_cast<const BYTE *>(Data);
    std::memcpy(FOut.Data.data() + at, bytes, first);
    std::memcpy(FOut.Data.data(), bytes + first, accepted - first);
    FOut.Lock.Enter();
    FOut.Used += accepted;
    FOut.Lock.Leave();
    FWriteEvent.SetEvent();
    return accepted;
}

DWORD TCommPort::GetBlock(void *Buffer, DWORD Count)
{
    if (!FConnected) return 0;
    FIn.Lock.Enter();
    const DWORD start = FIn.Start;
    const DWORD used = FIn.Used;
    FIn.Lock.Leave();
    const DWORD taken = std::min(Count, used);
    if (taken == 0) return 0;
    const DWORD size = FInSize;
    const DWORD first = std::min(taken, size - start);
    BYTE *bytes = static_cast<BYTE *>(Buffer);
    std::memcpy(bytes, FIn.Data.data() + start, first);
    std::memcpy(bytes + first, FIn.Data.data(), taken - first);
    FIn.Lock.Enter();
    // The read thread stops only at a full ring, and decides so under this lock; a ring that
    // had room kept it reading, and waking it then costs the taker a wake-up per answer.
    const bool readerStopped = FIn.Used == size;
    FIn.Used -= taken;
    FIn.Start = (start + taken) % size;
    FIn.Lock.Leave();
    if (readerStopped) FReadEvent.SetEvent();
    return taken;
}

DWORD TCommPort::PutChar(char Ch)
{
    return PutBlock(&Ch, 1);
}

DWORD TCommPort::PutString(const char *Text)
{
    const std::size_t length = Text ? std::strlen(Text) : 0;
    return length ? PutBlock(Text, static_cast<DWORD>(length)) : 0;
}

bool TCommPort::CharReady()
{
    return InBuffUsed() > 0;
}

char TCommPort::GetChar()
{
    char ch = 0;
    GetBlock(&ch, 1);
    return ch;
}

DWORD TCommPort::InBuffUsed() const
{
    return UsedOf(FIn.Lock, FIn.Used);
}

DWORD TCommPort::InBuffFree() const
{
    return FInSize - InBuffUsed();
}

DWORD TCommPort::OutBuffUsed() const
{
    return UsedOf(FOut.Lock, FOut.Used);
}

DWORD TCommPort::OutBuffFree() const
{
    return FOutSize - OutBuffUsed();
}

// The ring is emptied before the driver's transfers are aborted: a worker looks at the ring and
// starts its transfer under the ring's lock, so after the emptying it starts none from the old
// contents, and the purge ends the one it may have started before.
void TCommPort::FlushInBuffer()
{
    FIn.Lock.Enter();
    FIn.Empty();
    FIn.Lock.Leave();
    if (FConnected) PurgeComm(FHandle, PURGE_RXABORT | PURGE_RXCLEAR);
}

void TCommPort::FlushOutBuffer()
{
    FOut.Lock.Enter();
    FWriteEvent.ResetEvent();
    FOut.Empty();
    FOut.Lock.Leave();
    if (FConnected) PurgeComm(FHandle, PURGE_TXABORT | PURGE_TXCLEAR);
}

int TCommPort::OutQueCount() const
{
    COMSTAT stat{};
    DWORD errors = 0;
    if (!FConnected || !ClearCommError(FHandle, &errors, &stat)) return 0;
    return static_cast<int>(stat.cbOutQue);
}
