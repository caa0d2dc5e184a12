#pragma once
// The Win32 communications API over termios, poll and eventfd. A port is opened with
// CreateFile("\\.\COMn"); the number maps to a device file as CommPorts.h says.
//
// Overlapped operations complete in the call itself when they can; otherwise they are
// pending, and GetOverlappedResult carries them on (waiting when asked to). The event in the
// OVERLAPPED record is reset when an operation starts and set when it completes.
//
// A device that disappears (adapter pulled, pseudo-terminal closed) fails the operation that
// finds it gone with ERROR_BAD_COMMAND. The first WaitCommEvent after the loss (pending or
// not) ends with EV_ERR when that is in the mask. Every later call on the device fails at
// once, so a caller that loops on these calls must wait for something else before retrying.
// Modem-line calls a device cannot serve (a pseudo-terminal has no lines) return FALSE.
// The event character (EV_RXFLAG) is not reported: the driver gives no way to watch for it.

#include "platform/win/KernelObjects.h"

// CreateFile
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;

// Device control block: speeds, parity, stop bits, flag bits.
constexpr DWORD CBR_110 = 110, CBR_300 = 300, CBR_600 = 600, CBR_1200 = 1200, CBR_2400 = 2400,
                CBR_4800 = 4800, CBR_9600 = 9600, CBR_14400 = 14400, CBR_19200 = 19200,
                CBR_38400 = 38400, CBR_56000 = 56000, CBR_57600 = 57600, CBR_115200 = 115200,
                CBR_128000 = 128000, CBR_256000 = 256000;
constexpr BYTE NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;
constexpr DWORD DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2,
                RTS_CONTROL_TOGGLE = 3;

// The flag word of the DCB is one DWORD here, so it can be replaced whole; these are its bits
// in the Win32 order.
namespace dcb
{
constexpr DWORD fBinary = 0x0001;
constexpr DWORD fParity = 0x0002;
constexpr DWORD fOutxCtsFlow = 0x0004;
constexpr DWORD fOutxDsrFlow = 0x0008;
constexpr int fDtrControlShift = 4; // two bits
constexpr DWORD fDsrSensitivity = 0x0040;
constexpr DWORD fTXContinueOnXoff = 0x0080;
constexpr DWORD fOutX = 0x0100;
constexpr DWORD fInX = 0x0200;
constexpr DWORD fErrorChar = 0x0400;
constexpr DWORD fNull = 0x0800;
constexpr int fRtsControlShift = 12; // two bits
constexpr DWORD fAbortOnError = 0x4000;
constexpr DWORD DtrControl(DWORD Flags)
{
    return (Flags >> fDtrControlShift) & 3;
}
constexpr DWORD RtsControl(DWORD Flags)
{
    return (Flags >> fRtsControlShift) & 3;
}
} // namespace dcb

struct DCB {
    DWORD DCBlength = sizeof(DCB);
    DWORD BaudRate = 0;
    DWORD Flags = 0;
    WORD wReserved = 0;
    WORD XonLim = 0;
    WORD XoffLim = 0;
    BYTE ByteSize = 8;
    BYTE Parity = NOPARITY;
    BYTE StopBits = ONESTOPBIT;
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    WORD wReserved1 = 0;
};
using LPDCB = DCB *;

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};
using LPCOMMTIMEOUTS = COMMTIMEOUTS *;

struct COMSTAT {
    DWORD Flags;
    DWORD cbInQue;
    DWORD cbOutQue;
};
using LPCOMSTAT = COMSTAT *;

struct OVERLAPPED {
    ULONG_PTR Internal;     // status: 0 done, STATUS_PENDING, or the error code
    ULONG_PTR InternalHigh; // bytes transferred
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};
using LPOVERLAPPED = OVERLAPPED *;
constexpr ULONG_PTR STATUS_PENDING = 0x103;

// Communication events
constexpr DWORD EV_RXCHAR = 0x0001, EV_RXFLAG = 0x0002, EV_TXEMPTY = 0x0004, EV_CTS = 0x0008,
                EV_DSR = 0x0010, EV_RLSD = 0x0020, EV_BREAK = 0x0040, EV_ERR = 0x0080,
                EV_RING = 0x0100;
// Modem status
constexpr DWORD MS_CTS_ON = 0x0010, MS_DSR_ON = 0x0020, MS_RING_ON = 0x0040, MS_RLSD_ON = 0x0080;
// Errors of ClearCommError
constexpr DWORD CE_RXOVER = 0x0001, CE_OVERRUN = 0x0002, CE_RXPARITY = 0x0004, CE_FRAME = 0x0008,
                CE_BREAK = 0x0010;
// PurgeComm
constexpr DWORD PURGE_TXABORT = 0x0001, PURGE_RXABORT = 0x0002, PURGE_TXCLEAR = 0x0004,
                PURGE_RXCLEAR = 0x0008;
// EscapeCommFunction
constexpr DWORD SETXOFF = 1, SETXON = 2, SETRTS = 3, CLRRTS = 4, SETDTR = 5, CLRDTR = 6,
                SETBREAK = 8, CLRBREAK = 9;

// Opens "\\.\COMn" (or "COMn"); other names are not served here.
HANDLE CreateFileA(LPCSTR FileName, DWORD DesiredAccess, DWORD ShareMode,
                   LPSECURITY_ATTRIBUTES Attributes, DWORD CreationDisposition,
                   DWORD FlagsAndAttributes, HANDLE TemplateFile);
inline HANDLE CreateFile(LPCSTR FileName, DWORD DesiredAccess, DWORD ShareMode,
                         LPSECURITY_ATTRIBUTES Attributes, DWORD CreationDisposition,
                         DWORD FlagsAndAttributes, HANDLE TemplateFile)
{
    return CreateFileA(FileName, DesiredAccess, ShareMode, Attributes, CreationDisposition,
                       FlagsAndAttributes, TemplateFile);
}

BOOL ReadFile(HANDLE File, LPVOID Buffer, DWORD ToRead, LPDWORD Read, LPOVERLAPPED Overlapped);
BOOL WriteFile(HANDLE File, LPCVOID Buffer, DWORD ToWrite, LPDWORD Written,
               LPOVERLAPPED Overlapped);
BOOL GetOverlappedResult(HANDLE File, LPOVERLAPPED Overlapped, LPDWORD Transferred, BOOL Wait);

BOOL SetupComm(HANDLE File, DWORD InQueue, DWORD OutQueue);
BOOL GetCommState(HANDLE File, LPDCB Dcb);
BOOL SetCommState(HANDLE File, LPDCB Dcb);
BOOL GetCommTimeouts(HANDLE File, LPCOMMTIMEOUTS Timeouts);
BOOL SetCommTimeouts(HANDLE File, LPCOMMTIMEOUTS Timeouts);
BOOL GetCommMask(HANDLE File, LPDWORD EvtMask);
BOOL SetCommMask(HANDLE File, DWORD EvtMask);
BOOL WaitCommEvent(HANDLE File, LPDWORD EvtMask, LPOVERLAPPED Overlapped);
BOOL ClearCommError(HANDLE File, LPDWORD Errors, LPCOMSTAT Stat);
BOOL PurgeComm(HANDLE File, DWORD Flags);
BOOL EscapeCommFunction(HANDLE File, DWORD Function);
BOOL GetCommModemStatus(HANDLE File, LPDWORD ModemStat);
