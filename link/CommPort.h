#pragma once
// A serial port as a non-visual component. Two byte rings stand between the application and
// the port: the read thread fills the input ring, the write thread empties the output ring,
// so no call of the application waits for the device. Arriving data and line events reach
// the application as events on the user-interface thread.

#include "platform/rtl/Classes.h"
#include "platform/rtl/SyncObjs.h"
#include "platform/rtl/TypInfo.h"
#include "platform/win/CommApi.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

QRV4_ENUM(TBaudRate, cbr110, cbr300, cbr600, cbr1200, cbr2400, cbr4800, cbr9600, cbr14400, cbr19200,
          cbr38400, cbr56000, cbr57600, cbr115200, cbr128000, cbr256000)
QRV4_ENUM(TComControl, ccNone, ccSoft, ccHard)
QRV4_ENUM(TParity, paNone, paOdd, paEven, paMark, paSpace)
QRV4_ENUM(TStopBits, sb1_0, sb1_5, sb2_0)
// In the order of the Win32 event mask bits, so a set's bits are the mask.
QRV4_ENUM(TEventState, evRxChar, evRxEventChar, evTxEmpty, evCTS, evDSR, evRlsd, evBreak, evError,
          evRing)
using TEventStates = Set<TEventState>;
QRV4_SET_INFO(TEventStates, TEventState)

// The events that carry a number: OnErrorSignal the last system error code, OnDataReceived
// the count of bytes in the input ring, OnOpen the error code the open left.
using TCommValueEvent = std::function<void(TObject *Sender, DWORD Value)>;
QRV4_METHOD_INFO(TCommValueEvent)

namespace comm
{

// An OVERLAPPED record with its own manual-reset event, one per worker that transfers.
class TOverlapped
{
public:
    TOverlapped() { FRecord.hEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr); }
    ~TOverlapped() { CloseHandle(FRecord.hEvent); }
    TOverlapped(const TOverlapped &) = delete;
    TOverlapped &operator=(const TOverlapped &) = delete;
    OVERLAPPED *Record() { return &FRecord; }

    // Completes the call that Started: one left pending is waited for. True on success.
    bool Finish(HANDLE Port, BOOL Started, DWORD &Count)
    {
        if (Started) return true;
        return GetLastError() == ERROR_IO_PENDING &&
               GetOverlappedResult(Port, &FRecord, &Count, TRUE);
    }

private:
    OVERLAPPED FRecord{};
};

} // namespace comm

class TStatusThread;
class TReadThread;
class TWriteThread;
class TReadEventThread;
class TStatusEventThread;

class TCommPort : public TComponent
{
    QRV4_CLASS(TCommPort, TComponent)
    friend class TStatusThread;
    friend class TReadThread;
    friend class TWriteThread;
    friend class TReadEventThread;
    friend class TStatusEventThread;

public:
    explicit TCommPort(TComponent *AOwner);
    ~TCommPort() override;

    int ComNumber() const { return FComNumber; }
    void SetComNumber(int Value);
    bool Open() const { return FConnected; }
    void SetOpen(bool Value);
    bool DTR() const { return FDTR; }
    void SetDTR(bool Value);
    bool RTS() const { return FRTS; }
    void SetRTS(bool Value);
    bool CTS() const { return FCTS; }
    bool DSR() const { return FDSR; }
    bool DCD() const { return FDCD; }
    bool Ring() const { return FRing; }
    DWORD InSize() const { return FInSize; }
    void SetInSize(DWORD Value);
    DWORD OutSize() const { return FOutSize; }
    void SetOutSize(DWORD Value);
    DWORD InBuffFree() const;
    DWORD InBuffUsed() const;
    DWORD OutBuffFree() const;
    DWORD OutBuffUsed() const;
    int OutQueCount() const;
    int Baud() const;
    void SetBaud(int Value);
    TBaudRate BaudRate() const { return FBaudRate; }
    void SetBaudRate(TBaudRate Value);
    TComControl Control() const { return FControl.load(); }
    void SetControl(TComControl Value);
    TParity Parity() const { return FParity; }
    void SetParity(TParity Value);
    TStopBits StopBits() const { return FStopBits; }
    void SetStopBits(TStopBits Value);
    WORD DataBits() const { return FDataBits; }
    void SetDataBits(WORD Value);
    TEventStates MonitorEvents() const { return FMonitorEvents; }
    void SetMonitorEvents(TEventStates Value) { FMonitorEvents = Value; }
    WORD XonLim() const { return FXonLim; }
    void SetXonLim(WORD Value);
    WORD XoffLim() const { return FXoffLim; }
    void SetXoffLim(WORD Value);
    BYTE XonChar() const { return FXonChar; }
    void SetXonChar(BYTE Value);
    BYTE XoffChar() const { return FXoffChar; }
    void SetXoffChar(BYTE Value);
    BYTE EventChar() const { return FEventChar; }
    void SetEventChar(BYTE Value);
    // OnDataReceived waits until the input ring holds this many bytes (0: any byte): an
    // application that waits for a whole answer is not woken for each of its bytes.
    DWORD ReceiveThreshold() const { return FReceiveThreshold; }
    void SetReceiveThreshold(DWORD Value);

    void PowerOn();
    void PowerOff();
    bool SetBreak(bool Value);
    void SendBreak(int Count);
    bool GetModemState(int Line);

    DWORD PutBlock(const void *Data, DWORD Count);
    DWORD GetBlock(void *Buffer, DWORD Count);
    DWORD PutChar(char Ch);
    DWORD PutString(const char *Text);
    bool CharReady();
    char GetChar();
    void FlushInBuffer();
    void FlushOutBuffer();

    TNotifyEvent OnCTSSignal;
    TNotifyEvent OnDCDSignal;
    TNotifyEvent OnDSRSignal;
    TNotifyEvent OnRxDSignal;
    TNotifyEvent OnTxDSignal;
    TNotifyEvent OnRingSignal;
    TNotifyEvent OnBreakSignal;
    TNotifyEvent OnRxEventSignal;
    TCommValueEvent OnErrorSignal;
    TCommValueEvent OnDataReceived;
    TCommValueEvent OnOpen;
    TNotifyEvent OnClose;

    static void Publish(rtl::Publisher<TCommPort> &P);

protected:
    void OpenPort();
    void ClosePort();

private:
    // A ring of bytes; Start, Used and Flushes change only under Lock, the bytes are copied
    // outside it. A worker's piece begun before a flush no longer belongs to the ring: it
    // compares Flushes before it counts the piece in or out.
    struct TRing {
        std::vector<BYTE> Data;
        DWORD Start = 0;
        DWORD Used = 0;
        DWORD Flushes = 0;
        TCriticalSection Lock;

        void Empty() // under Lock
        {
            Used = Start = 0;
            ++Flushes;
        }
    };

    void ApplyState(const std::function<void(DCB &)> &Change);
    void ApplyControl();
    void ApplyBaudRate();
    void ApplyParity();
    void ApplyStopBits();
    void ApplyDataBits();
    void ApplyXonLim();
    void ApplyXoffLim();
    void ApplyXonChar();
    void ApplyXoffChar();
    void ApplyEventChar();
    void CheckCombination();
    void SetLines(DWORD ModemStatus);
    void StopThread(std::unique_ptr<TThread> Thread, const std::function<void()> &Wake);
    // The synchronised events, queued to the user-interface thread by the event threads.
    void Deliver();
    void DataReceived();
    void StatusChanged();
    // Whether the stored events are worth a call of the status-event thread.
    bool StatusWanted(DWORD Mask) const;
    void NoteTransferSignalsWanted();
    std::uint64_t Received() const;
    bool ThresholdReached() const { return InBuffUsed() >= FReceiveThreshold; }
    // Bytes the application has not been told of, up to the threshold at least.
    bool DataWaiting() const { return Received() != FReported && ThresholdReached(); }
    void CallHandler(const std::function<void()> &Handler);
    bool Delivering() const { return FConnected && !FClosing; }

    int FComNumber = 2;
    bool FConnected = false;
    bool FClosing = false;
    bool FDTR = false;
    bool FRTS = false;
    std::atomic<bool> FCTS{false}, FDSR{false}, FDCD{false}, FRing{false};
    DWORD FInSize = 2048;
    DWORD FOutSize = 4096;
    TBaudRate FBaudRate = cbr9600;
    std::atomic<TComControl> FControl{ccNone}; // read by the status and write threads
    TParity FParity = paNone;
    TStopBits FStopBits = sb1_0;
    WORD FDataBits = 8;
    static constexpr TEventStates DefaultMonitorEvents =
        TEventStates::FromInt(0x1FF) - TEventStates{evRxEventChar};
    TEventStates FMonitorEvents = DefaultMonitorEvents;
    WORD FXonLim = 0;
    WORD FXoffLim = 1024;
    BYTE FXonChar = 17;
    BYTE FXoffChar = 19;
    BYTE FEventChar = 0;

    HANDLE FHandle = INVALID_HANDLE_VALUE;
    DCB FDCB{};
    mutable TRing FOut; // mutable: the getters of the counts take the lock
    mutable TRing FIn;
    TEvent FReadEvent{false, false};
    TEvent FWriteEvent{true, false};
    TEvent FDataEvent{false, false};
    TEvent FStatusEvent{false, false};
    // The events the status thread saw since the status-event thread last raised them.
    std::atomic<DWORD> FEventMask{0};
    // Bytes ever counted into the input ring (under its lock), and how many of them the
    // application has been told of (user-interface thread only).
    std::uint64_t FReceived = 0;
    std::uint64_t FReported = 0;
    std::atomic<DWORD> FReceiveThreshold{0};
    // An event thread's call is queued or running: neither thread posts another meanwhile.
    std::atomic<bool> FDeliveryPosted{false};
    // Of the events every transfer brings, those with a handler when the user-interface
    // thread last looked: at the open and after each call.
    std::atomic<DWORD> FTransferSignalsWanted{0};

    std::unique_ptr<TStatusThread> FStatusThread;
    std::unique_ptr<TReadThread> FReadThread;
    std::unique_ptr<TWriteThread> FWriteThread;
    std::unique_ptr<TReadEventThread> FReadEventThread;
    std::unique_ptr<TStatusEventThread> FStatusEventThread;
};
