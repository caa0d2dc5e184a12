#include "platform/win/CommApi.h"

#include "platform/win/CommPorts.h"
#include "platform/win/CommSpeed.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <map>
#include <mutex>
#include <optional>
#include <poll.h>
#include <string_view>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace win
{

namespace
{

constexpr DWORD MAXDWORD = 0xFFFFFFFF;
constexpr DWORD ModemEvents = EV_CTS | EV_DSR | EV_RLSD | EV_RING;
constexpr DWORD LineEvents = EV_BREAK | EV_ERR;
// How often lines, line errors and the output queue are looked at while a wait needs them:
// the driver tells of none of these by itself.
constexpr int SampleMilliseconds = 20;

struct SpeedCode {
    DWORD Baud;
    speed_t Code;
};

constexpr SpeedCode StandardSpeeds[] = {
    {110, B110},     {300, B300},     {600, B600},       {1200, B1200},
    {2400, B2400},   {4800, B4800},   {9600, B9600},     {19200, B19200},
    {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

std::optional<speed_t> StandardSpeed(DWORD Baud)
{
    for (const SpeedCode &s : StandardSpeeds)
        if (s.Baud == Baud) return s.Code;
    return std::nullopt;
}

DWORD BaudOf(speed_t Code)
{
    for (const SpeedCode &s : StandardSpeeds)
        if (s.Code == Code) return s.Baud;
    return CBR_9600;
}

// The error a failed call on the device reports; EIO means the device has gone.
DWORD ErrorOf(int Errno)
{
    switch (Errno) {
    case EIO:
    case ENXIO:
    case ENODEV:
        return ERROR_BAD_COMMAND;
    case ENOTTY:
    case EINVAL:
    case ENOSYS:
        return ERROR_NOT_SUPPORTED;
    default:
        return ERROR_GEN_FAILURE;
    }
}

// With VMIN 0 an empty terminal reads as 0 bytes, which is also how a hung-up one reads; with
// VMIN 1 and a non-blocking descriptor an empty one says EAGAIN, so 0 means the device is gone.
void SetNonBlockingReads(termios &Tio)
{
    Tio.c_cc[VMIN] = 1;
    Tio.c_cc[VTIME] = 0;
}

// An eventfd a caller sleeps on beside the device while its operation is pending.
class TWake
{
public:
    TWake() : FFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    TWake(TWake &&Other) noexcept : FFd(std::exchange(Other.FFd, -1)) {}
    TWake &operator=(TWake &&Other) noexcept
    {
        std::swap(FFd, Other.FFd);
        return *this;
    }
    ~TWake()
    {
        if (FFd >= 0) close(FFd);
    }

    int Fd() const { return FFd; }
    void Signal() const
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] auto n = write(FFd, &one, sizeof one);
    }
    void Drain() const
    {
        std::uint64_t count;
        [[maybe_unused]] auto n = read(FFd, &count, sizeof count);
    }

private:
    int FFd;
};

// Lent to a waiting caller for as long as it waits, then back to the port's idle ones:
// each waiter needs its own, since draining a shared one could swallow another's wake.
class TBorrowedWake
{
public:
    explicit TBorrowedWake(std::vector<TWake> &Idle) : FIdle(Idle) {}
    ~TBorrowedWake()
    {
        if (FWake) FIdle.push_back(std::move(*FWake));
    }
    TBorrowedWake(const TBorrowedWake &) = delete;
    TBorrowedWake &operator=(const TBorrowedWake &) = delete;

    const TWake &Get()
    {
        if (FWake) return *FWake;
        if (FIdle.empty()) return FWake.emplace();
        FWake.emplace(std::move(FIdle.back()));
        FIdle.pop_back();
        return *FWake;
    }

private:
    std::vector<TWake> &FIdle;
    std::optional<TWake> FWake;
};

enum class TOpKind { Read, Write, Wait };

struct TPendingOp {
    TOpKind Kind = TOpKind::Read;
    BYTE *Buffer = nullptr;
    const BYTE *Data = nullptr;
    DWORD Count = 0;
    DWORD Done = 0;
    LPDWORD EvtMask = nullptr;
    std::uint64_t Generation = 0; // of the abort (reads, writes) or of the mask (waits)
    const TWake *Wake = nullptr;  // of the caller waiting for the operation
};

// The outcome of carrying an operation on: still pending, or finished with an error code.
using TProgress = std::optional<DWORD>;

class TCommFile : public TKernelObject
{
public:
    TCommFile(int Fd, int Epoll) : FFd(Fd), FEpoll(Epoll) {}
    ~TCommFile() override
    {
        close(FEpoll);
        // Exclusive mode stays with the terminal after the close: left on, it would keep
        // everyone but root out while another program (the simulator) holds the device open.
        ioctl(FFd, TIOCNXCL);
        close(FFd); // the flock goes with it
    }

    void Close() override
    {
        std::lock_guard lock(FLock);
        FClosed = true;
        Kick();
    }

    BOOL Start(TPendingOp Op, LPOVERLAPPED Overlapped, LPDWORD Transferred);
    BOOL Result(LPOVERLAPPED Overlapped, LPDWORD Transferred, BOOL Wait);

    BOOL SetState(const DCB &Dcb);
    void InitState();
    DCB State()
    {
        std::lock_guard lock(FLock);
        return FDcb;
    }
    COMMTIMEOUTS Timeouts()
    {
        std::lock_guard lock(FLock);
        return FTimeouts;
    }
    void SetTimeouts(const COMMTIMEOUTS &Value)
    {
        std::lock_guard lock(FLock);
        FTimeouts = Value;
    }
    DWORD Mask()
    {
        std::lock_guard lock(FLock);
        return FMask;
    }
    BOOL SetMask(DWORD Value);
    BOOL ClearError(LPDWORD Errors, LPCOMSTAT Stat);
    BOOL Purge(DWORD Flags);
    BOOL Escape(DWORD Function);
    BOOL ModemStatus(LPDWORD Status);

private:
    BOOL Finish(LPOVERLAPPED Overlapped, TPendingOp &Op, DWORD Error, LPDWORD Transferred);
    TProgress Progress(TPendingOp &Op);
    TProgress ProgressRead(TPendingOp &Op);
    TProgress ProgressWrite(TPendingOp &Op);
    TProgress ProgressWait(TPendingOp &Op);
    DWORD CollectEvents();
    bool Sampling() const;
    int Lines(); // TIOCMGET bits, or -1
    BOOL Fail(int Errno);
    DWORD LostDevice()
    {
        FGone = true;
        return ERROR_BAD_COMMAND;
    }
    bool ReadsAtOnce() const
    {
        return FTimeouts.ReadIntervalTimeout == MAXDWORD &&
               FTimeouts.ReadTotalTimeoutMultiplier == 0 && FTimeouts.ReadTotalTimeoutConstant == 0;
    }
    void Kick();

    const int FFd;
    const int FEpoll; // edge-triggered on the device: one report per arrival of bytes
    std::mutex FLock;
    std::map<LPOVERLAPPED, TPendingOp> FPending;
    std::vector<TWake> FIdleWakes; // guarded by FLock, like the borrowing and returning
    DCB FDcb{};
    COMMTIMEOUTS FTimeouts{};
    DWORD FMask = 0;
    std::uint64_t FMaskGeneration = 0, FRxAbort = 0, FTxAbort = 0;
    bool FClosed = false;
    bool FGone = false;
    bool FGoneReported = false;
    bool FTxPending = false;
    DWORD FErrors = 0;
    int FLastLines = -1;
    bool FCountsKnown = false;
    serial_icounter_struct FCounts{};
};

void TCommFile::Kick()
{
    for (auto &[ov, op] : FPending)
        if (op.Wake) op.Wake->Signal();
}

BOOL TCommFile::Fail(int Errno)
{
    const DWORD error = ErrorOf(Errno);
    if (error == ERROR_BAD_COMMAND) FGone = true;
    SetLastError(error);
    return FALSE;
}

BOOL TCommFile::Finish(LPOVERLAPPED Overlapped, TPendingOp &Op, DWORD Error, LPDWORD Transferred)
{
    Overlapped->Internal = Error;
    Overlapped->InternalHigh = Op.Done;
    if (Transferred) *Transferred = Op.Done;
    if (Overlapped->hEvent) SetEvent(Overlapped->hEvent);
    if (Error != ERROR_SUCCESS) {
        SetLastError(Error);
        return FALSE;
    }
    return TRUE;
}

BOOL TCommFile::Start(TPendingOp Op, LPOVERLAPPED Overlapped, LPDWORD Transferred)
{
    if (Overlapped->hEvent) ResetEvent(Overlapped->hEvent);
    std::lock_guard lock(FLock);
    if (Op.Kind == TOpKind::Wait && FMask == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Op.Generation = Op.Kind == TOpKind::Read    ? FRxAbort
                    : Op.Kind == TOpKind::Write ? FTxAbort
                                                : FMaskGeneration;
    Overlapped->Internal = STATUS_PENDING;
    Overlapped->InternalHigh = 0;
    if (const TProgress done = Progress(Op)) return Finish(Overlapped, Op, *done, Transferred);
    FPending[Overlapped] = Op;
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

BOOL TCommFile::Result(LPOVERLAPPED Overlapped, LPDWORD Transferred, BOOL Wait)
{
    std::unique_lock lock(FLock);
    TBorrowedWake wake(FIdleWakes); // after the lock: goes back while the lock is held
    for (;;) {
        const auto it = FPending.find(Overlapped);
        if (it == FPending.end()) {
            // Finished earlier, in the call that started it or in a previous result call.
            if (Transferred) *Transferred = static_cast<DWORD>(Overlapped->InternalHigh);
            if (Overlapped->Internal == ERROR_SUCCESS) return TRUE;
            SetLastError(static_cast<DWORD>(Overlapped->Internal));
            return FALSE;
        }
        TPendingOp &op = it->second;
        if (const TProgress done = Progress(op)) {
            TPendingOp finished = op;
            FPending.erase(it);
            return Finish(Overlapped, finished, *done, Transferred);
        }
        if (!Wait) {
            SetLastError(ERROR_IO_INCOMPLETE);
            return FALSE;
        }
        op.Wake = &wake.Get();
        pollfd fds[2] = {{op.Wake->Fd(), POLLIN, 0}, {FFd, 0, 0}};
        int timeout = -1;
        switch (op.Kind) {
        case TOpKind::Read:
            fds[1].events = POLLIN;
            break;
        case TOpKind::Write:
            fds[1].events = POLLOUT;
            break;
        case TOpKind::Wait:
            fds[1].fd = FEpoll;
            fds[1].events = POLLIN;
            timeout = Sampling() ? SampleMilliseconds : -1;
            break;
        }
        lock.unlock();
        poll(fds, 2, timeout);
        // A wake left over from an operation that finished meanwhile costs one more look.
        if (fds[0].revents & POLLIN) wake.Get().Drain();
        lock.lock();
    }
}

TProgress TCommFile::Progress(TPendingOp &Op)
{
    if (FClosed) return ERROR_OPERATION_ABORTED;
    switch (Op.Kind) {
    case TOpKind::Read:
        return ProgressRead(Op);
    case TOpKind::Write:
        return ProgressWrite(Op);
    case TOpKind::Wait:
        return ProgressWait(Op);
    }
    return ERROR_GEN_FAILURE;
}

TProgress TCommFile::ProgressRead(TPendingOp &Op)
{
    if (Op.Generation != FRxAbort) return ERROR_OPERATION_ABORTED;
    if (FGone) return ERROR_BAD_COMMAND;
    while (Op.Done < Op.Count) {
        const ssize_t n = read(FFd, Op.Buffer + Op.Done, Op.Count - Op.Done);
        if (n > 0) {
            Op.Done += static_cast<DWORD>(n);
            continue;
        }
        if (n == 0) // a terminal only ends its input when it was hung up
            return LostDevice();
        if (errno == EAGAIN || errno == EINTR) break;
        return ErrorOf(errno) == ERROR_BAD_COMMAND ? LostDevice() : ErrorOf(errno);
    }
    if (Op.Done == Op.Count || ReadsAtOnce()) return ERROR_SUCCESS;
    return std::nullopt;
}

TProgress TCommFile::ProgressWrite(TPendingOp &Op)
{
    if (Op.Generation != FTxAbort) return ERROR_OPERATION_ABORTED;
    if (FGone) return ERROR_BAD_COMMAND;
    while (Op.Done < Op.Count) {
        const ssize_t n = write(FFd, Op.Data + Op.Done, Op.Count - Op.Done);
        if (n > 0) {
            Op.Done += static_cast<DWORD>(n);
            if (!FTxPending) {
                FTxPending = true;
                Kick(); // a wait for EV_TXEMPTY has to start looking at the queue
            }
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return std::nullopt;
        return n == 0 || ErrorOf(errno) == ERROR_BAD_COMMAND ? LostDevice() : ErrorOf(errno);
    }
    return ERROR_SUCCESS;
}

TProgress TCommFile::ProgressWait(TPendingOp &Op)
{
    if (Op.Generation != FMaskGeneration) {
        *Op.EvtMask = 0; // the mask was changed under the wait
        return ERROR_SUCCESS;
    }
    const DWORD events = FGone ? 0 : CollectEvents();
    if (FGone) {
        // The loss is an error event once, whichever call found it; then waits fail.
        if (FGoneReported || !(FMask & EV_ERR)) return ERROR_BAD_COMMAND;
        FGoneReported = true;
        *Op.EvtMask = EV_ERR;
        return ERROR_SUCCESS;
    }
    if (events == 0) return std::nullopt;
    *Op.EvtMask = events;
    return ERROR_SUCCESS;
}

int TCommFile::Lines()
{
    int bits = 0;
    if (ioctl(FFd, TIOCMGET, &bits) == 0) return bits;
    if (ErrorOf(errno) == ERROR_BAD_COMMAND) FGone = true;
    return -1;
}

bool TCommFile::Sampling() const
{
    return (FTxPending && (FMask & EV_TXEMPTY)) || (FLastLines >= 0 && (FMask & ModemEvents)) ||
           (FCountsKnown && (FMask & LineEvents));
}

DWORD TCommFile::CollectEvents()
{
    DWORD events = 0;
    epoll_event ready[4];
    const int n = epoll_wait(FEpoll, ready, 4, 0);
    for (int i = 0; i < n; ++i) {
        if (ready[i].events & (EPOLLHUP | EPOLLERR)) FGone = true;
        if (ready[i].events & EPOLLIN) events |= EV_RXCHAR;
    }
    if (FTxPending) {
        int queued = 0;
        if (ioctl(FFd, TIOCOUTQ, &queued) == 0 && queued == 0) {
            FTxPending = false;
            events |= EV_TXEMPTY;
        }
    }
    if (FLastLines >= 0 && (FMask & ModemEvents)) {
        const int lines = Lines();
        const int changed = lines >= 0 ? lines ^ FLastLines : 0;
        events |= (changed & TIOCM_CTS ? EV_CTS : 0) | (changed & TIOCM_DSR ? EV_DSR : 0) |
                  (changed & TIOCM_CD ? EV_RLSD : 0) | (changed & TIOCM_RI ? EV_RING : 0);
        if (lines >= 0) FLastLines = lines;
    }
    serial_icounter_struct counts{};
    if (FCountsKnown && (FMask & LineEvents) && ioctl(FFd, TIOCGICOUNT, &counts) == 0) {
        const DWORD errors = (counts.frame != FCounts.frame ? CE_FRAME : 0) |
                             (counts.overrun != FCounts.overrun ? CE_OVERRUN : 0) |
                             (counts.parity != FCounts.parity ? CE_RXPARITY : 0) |
                             (counts.buf_overrun != FCounts.buf_overrun ? CE_RXOVER : 0);
        FErrors |= errors | (counts.brk != FCounts.brk ? CE_BREAK : 0);
        events |= (errors ? EV_ERR : 0) | (counts.brk != FCounts.brk ? EV_BREAK : 0);
        FCounts = counts;
    }
    return events & FMask;
}

BOOL TCommFile::SetMask(DWORD Value)
{
    std::lock_guard lock(FLock);
    FMask = Value;
    ++FMaskGeneration;
    FLastLines = Lines();
    FCountsKnown = ioctl(FFd, TIOCGICOUNT, &FCounts) == 0;
    Kick();
    return TRUE;
}

BOOL TCommFile::ClearError(LPDWORD Errors, LPCOMSTAT Stat)
{
    std::lock_guard lock(FLock);
    int in = 0, out = 0;
    if (FGone || ioctl(FFd, FIONREAD, &in) != 0 || ioctl(FFd, TIOCOUTQ, &out) != 0)
        return Fail(FGone ? EIO : errno);
    if (Errors) *Errors = FErrors;
    FErrors = 0;
    if (Stat) *Stat = {0, static_cast<DWORD>(in), static_cast<DWORD>(out)};
    return TRUE;
}

BOOL TCommFile::Purge(DWORD Flags)
{
    std::lock_guard lock(FLock);
    if (Flags & PURGE_RXABORT) ++FRxAbort;
    if (Flags & PURGE_TXABORT) ++FTxAbort;
    if (Flags & (PURGE_RXABORT | PURGE_TXABORT)) Kick();
    const int queues = (Flags & PURGE_RXCLEAR ? 1 : 0) | (Flags & PURGE_TXCLEAR ? 2 : 0);
    if (queues == 0) return TRUE;
    if (queues & 2) FTxPending = false;
    const int which = queues == 3 ? TCIOFLUSH : queues == 1 ? TCIFLUSH : TCOFLUSH;
    return tcflush(FFd, which) == 0 ? TRUE : Fail(errno);
}

BOOL TCommFile::Escape(DWORD Function)
{
    std::lock_guard lock(FLock);
    int bits = 0;
    int result = -1;
    switch (Function) {
    case SETDTR:
    case CLRDTR:
        bits = TIOCM_DTR;
        result = ioctl(FFd, Function == SETDTR ? TIOCMBIS : TIOCMBIC, &bits);
        break;
    case SETRTS:
    case CLRRTS:
        bits = TIOCM_RTS;
        result = ioctl(FFd, Function == SETRTS ? TIOCMBIS : TIOCMBIC, &bits);
        break;
    case SETBREAK:
        result = ioctl(FFd, TIOCSBRK);
        break;
    case CLRBREAK:
        result = ioctl(FFd, TIOCCBRK);
        break;
    case SETXOFF:
        result = tcflow(FFd, TCOOFF);
        break;
    case SETXON:
        result = tcflow(FFd, TCOON);
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return result == 0 ? TRUE : Fail(errno);
}

BOOL TCommFile::ModemStatus(LPDWORD Status)
{
    std::lock_guard lock(FLock);
    const int lines = Lines();
    if (lines < 0) return Fail(FGone ? EIO : ENOTTY);
    *Status = (lines & TIOCM_CTS ? MS_CTS_ON : 0) | (lines & TIOCM_DSR ? MS_DSR_ON : 0) |
              (lines & TIOCM_RI ? MS_RING_ON : 0) | (lines & TIOCM_CD ? MS_RLSD_ON : 0);
    return TRUE;
}

BOOL TCommFile::SetState(const DCB &Dcb)
{
    const std::optional<speed_t> speed = StandardSpeed(Dcb.BaudRate);
    if (Dcb.BaudRate == 0 || Dcb.ByteSize < 5 || Dcb.ByteSize > 8 || Dcb.Parity > SPACEPARITY ||
        Dcb.StopBits > TWOSTOPBITS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard lock(FLock);
    termios tio{};
    if (tcgetattr(FFd, &tio) != 0) return Fail(errno);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= sizes[Dcb.ByteSize - 5];
    if (Dcb.Parity != NOPARITY) tio.c_cflag |= PARENB;
    if (Dcb.Parity == ODDPARITY || Dcb.Parity == MARKPARITY) tio.c_cflag |= PARODD;
    if (Dcb.Parity == MARKPARITY || Dcb.Parity == SPACEPARITY) tio.c_cflag |= CMSPAR;
    if (Dcb.Flags & dcb::fParity) tio.c_iflag |= INPCK;
    if (Dcb.StopBits != ONESTOPBIT) // 1.5 stop bits are what a UART sends for 5 bits with CSTOPB
        tio.c_cflag |= CSTOPB;
    if ((Dcb.Flags & dcb::fOutxCtsFlow) || dcb::RtsControl(Dcb.Flags) == RTS_CONTROL_HANDSHAKE)
        tio.c_cflag |= CRTSCTS;
    if (Dcb.Flags & dcb::fOutX) tio.c_iflag |= IXON;
    if (Dcb.Flags & dcb::fInX) tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = static_cast<cc_t>(Dcb.XonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(Dcb.XoffChar);
    SetNonBlockingReads(tio);
    cfsetispeed(&tio, speed.value_or(B9600));
    cfsetospeed(&tio, speed.value_or(B9600));
    if (tcsetattr(FFd, TCSANOW, &tio) != 0) return Fail(errno);
    if (!speed && !SetCustomSpeed(FFd, Dcb.BaudRate)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The control modes drive the lines, as the driver does when the state is set; a device
    // without lines simply keeps none.
    int dtr = TIOCM_DTR, rts = TIOCM_RTS;
    ioctl(FFd, dcb::DtrControl(Dcb.Flags) == DTR_CONTROL_DISABLE ? TIOCMBIC : TIOCMBIS, &dtr);
    if (dcb::RtsControl(Dcb.Flags) != RTS_CONTROL_TOGGLE)
        ioctl(FFd, dcb::RtsControl(Dcb.Flags) == RTS_CONTROL_DISABLE ? TIOCMBIC : TIOCMBIS, &rts);
    FDcb = Dcb;
    FDcb.DCBlength = sizeof(DCB);
    return TRUE;
}

void TCommFile::InitState()
{
    termios tio{};
    tcgetattr(FFd, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    SetNonBlockingReads(tio);
    tcsetattr(FFd, TCSANOW, &tio);
    std::lock_guard lock(FLock);
    FDcb.BaudRate = BaudOf(cfgetospeed(&tio));
    FDcb.Flags = dcb::fBinary | (DTR_CONTROL_ENABLE << dcb::fDtrControlShift) |
                 (RTS_CONTROL_ENABLE << dcb::fRtsControlShift);
    FDcb.XonLim = 2048;
    FDcb.XoffLim = 512;
    FDcb.ByteSize = 8;
    FDcb.XonChar = 17;
    FDcb.XoffChar = 19;
}

std::shared_ptr<TCommFile> FindPort(HANDLE File)
{
    auto port = FindKernelObject<TCommFile>(File);
    if (!port) SetLastError(ERROR_INVALID_HANDLE);
    return port;
}

// "\\.\COM12" or "COM12" -> 12.
std::optional<int> ComNumberOf(std::string_view Name)
{
    if (Name.starts_with("\\\\.\\")) Name.remove_prefix(4);
    if (Name.size() < 4 || (Name[0] | 0x20) != 'c' || (Name[1] | 0x20) != 'o' ||
        (Name[2] | 0x20) != 'm')
        return std::nullopt;
    int n = 0;
    const auto [end, ec] = std::from_chars(Name.data() + 3, Name.data() + Name.size(), n);
    if (ec != std::errc() || end != Name.data() + Name.size() || n <= 0) return std::nullopt;
    return n;
}

DWORD OpenError(int Errno)
{
    switch (Errno) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case EBUSY: // held in exclusive mode by another program
    case EWOULDBLOCK:
        return ERROR_SHARING_VIOLATION;
    default:
        return ERROR_GEN_FAILURE;
    }
}

HANDLE OpenFailed(DWORD Error, int Fd = -1)
{
    if (Fd >= 0) close(Fd);
    SetLastError(Error);
    return INVALID_HANDLE_VALUE;
}

} // namespace

} // namespace win

using win::FindPort;

HANDLE CreateFileA(LPCSTR FileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)
{
    const std::optional<int> number = win::ComNumberOf(FileName ? FileName : "");
    const std::optional<std::filesystem::path> path =
        number ? win::ComPortPath(*number) : std::nullopt;
    if (!path) return win::OpenFailed(ERROR_FILE_NOT_FOUND);
    const int fd = open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return win::OpenFailed(win::OpenError(errno));
    if (!isatty(fd)) return win::OpenFailed(ERROR_NOT_SUPPORTED, fd);
    // Not shared: the lock keeps out other programs and other handles of this one, and
    // TIOCEXCL keeps out programs that do not lock.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return win::OpenFailed(ERROR_SHARING_VIOLATION, fd);
    ioctl(fd, TIOCEXCL);
    const int epoll = epoll_create1(EPOLL_CLOEXEC);
    epoll_event watch{};
    watch.events = EPOLLIN | EPOLLET;
    if (epoll < 0 || epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &watch) != 0) {
        if (epoll >= 0) close(epoll);
        return win::OpenFailed(ERROR_GEN_FAILURE, fd);
    }
    auto port = std::make_shared<win::TCommFile>(fd, epoll);
    port->InitState();
    SetLastError(ERROR_SUCCESS);
    return win::AddKernelObject(std::move(port));
}

namespace
{

// Calls Call on the port behind File; a handle that is no port fails.
template <typename TCall> BOOL OnPort(HANDLE File, TCall Call)
{
    const auto port = FindPort(File);
    return port ? Call(*port) : FALSE;
}

// A call without an OVERLAPPED record waits for its operation to finish.
BOOL Transfer(HANDLE File, win::TPendingOp Op, LPDWORD Transferred, LPOVERLAPPED Overlapped)
{
    return OnPort(File, [&](win::TCommFile &Port) {
        if (Overlapped) return Port.Start(Op, Overlapped, Transferred);
        OVERLAPPED own{};
        if (Port.Start(Op, &own, Transferred)) return TRUE;
        return GetLastError() == ERROR_IO_PENDING ? Port.Result(&own, Transferred, TRUE) : FALSE;
    });
}

} // namespace

BOOL ReadFile(HANDLE File, LPVOID Buffer, DWORD ToRead, LPDWORD Read, LPOVERLAPPED Overlapped)
{
    win::TPendingOp op;
    op.Kind = win::TOpKind::Read;
    op.Buffer = static_cast<BYTE *>(Buffer);
    op.Count = ToRead;
    return Transfer(File, op, Read, Overlapped);
}

BOOL WriteFile(HANDLE File, LPCVOID Buffer, DWORD ToWrite, LPDWORD Written, LPOVERLAPPED Overlapped)
{
    win::TPendingOp op;
    op.Kind = win::TOpKind::Write;
    op.Data = static_cast<const BYTE *>(Buffer);
    op.Count = ToWrite;
    return Transfer(File, op, Written, Overlapped);
}

BOOL WaitCommEvent(HANDLE File, LPDWORD EvtMask, LPOVERLAPPED Overlapped)
{
    win::TPendingOp op;
    op.Kind = win::TOpKind::Wait;
    op.EvtMask = EvtMask;
    *EvtMask = 0;
    return Transfer(File, op, nullptr, Overlapped);
}

BOOL GetOverlappedResult(HANDLE File, LPOVERLAPPED Overlapped, LPDWORD Transferred, BOOL Wait)
{
    return OnPort(File,
                  [&](win::TCommFile &Port) { return Port.Result(Overlapped, Transferred, Wait); });
}

BOOL SetupComm(HANDLE File, DWORD, DWORD)
{
    // A terminal's queues have the kernel's fixed sizes; the program's rings do the buffering.
    return OnPort(File, [](win::TCommFile &) { return TRUE; });
}

BOOL GetCommState(HANDLE File, LPDCB Dcb)
{
    return OnPort(File, [&](win::TCommFile &Port) {
        *Dcb = Port.State();
        return TRUE;
    });
}

BOOL SetCommState(HANDLE File, LPDCB Dcb)
{
    return OnPort(File, [&](win::TCommFile &Port) { return Port.SetState(*Dcb); });
}

BOOL GetCommTimeouts(HANDLE File, LPCOMMTIMEOUTS Timeouts)
{
    return OnPort(File, [&](win::TCommFile &Port) {
        *Timeouts = Port.Timeouts();
        return TRUE;
    });
}

BOOL SetCommTimeouts(HANDLE File, LPCOMMTIMEOUTS Timeouts)
{
    return OnPort(File, [&](win::TCommFile &Port) {
        Port.SetTimeouts(*Timeouts);
        return TRUE;
    });
}

BOOL GetCommMask(HANDLE File, LPDWORD EvtMask)
{
    return OnPort(File, [&](win::TCommFile &Port) {
        *EvtMask = Port.Mask();
        return TRUE;
    });
}

BOOL SetCommMask(HANDLE File, DWORD EvtMask)
{
    return OnPort(File, [&](win::TCommFile &Port) { return Port.SetMask(EvtMask); });
}

BOOL ClearCommError(HANDLE File, LPDWORD Errors, LPCOMSTAT Stat)
{
    return OnPort(File, [&](win::TCommFile &Port) { return Port.ClearError(Errors, Stat); });
}

BOOL PurgeComm(HANDLE File, DWORD Flags)
{
    return OnPort(File, [&](win::TCommFile &Port) { return Port.Purge(Flags); });
}

BOOL EscapeCommFunction(HANDLE File, DWORD Function)
{
    return OnPort(File, [&](win::TCommFile &Port) { return Port.Escape(Function); });
}

BOOL GetCommModemStatus(HANDLE File, LPDWORD ModemStat)
{
    return OnPort(File, [&](win::TCommFile &Port) { return Port.ModemStatus(ModemStat); });
}
