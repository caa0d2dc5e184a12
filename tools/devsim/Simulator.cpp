#include "tools/devsim/Simulator.h"

#include "platform/rtl/PortFolder.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace devsim
{

namespace
{

[[noreturn]] void Fail(const char *What)
{
    throw std::system_error(errno, std::generic_category(), What);
}

struct SpeedCode {
    speed_t Code;
    unsigned Baud;
};

constexpr SpeedCode Speeds[] = {
    {B110, 110},     {B300, 300},     {B600, 600},       {B1200, 1200},
    {B2400, 2400},   {B4800, 4800},   {B9600, 9600},     {B19200, 19200},
    {B38400, 38400}, {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
};

constexpr unsigned DefaultSpeed = 9600;
constexpr unsigned BitsPerByte = 10; // start, 8 data, stop

std::chrono::nanoseconds Until(Clock::time_point Deadline)
{
    const auto left = Deadline - Clock::now();
    return left > Clock::duration::zero()
               ? std::chrono::duration_cast<std::chrono::nanoseconds>(left)
               : std::chrono::nanoseconds::zero();
}

timespec ToTimespec(std::chrono::nanoseconds Span)
{
    return {static_cast<time_t>(Span.count() / 1'000'000'000),
            static_cast<long>(Span.count() % 1'000'000'000)};
}

} // namespace

TSimulator::TSimulator(Memory Initial) : FDevice(std::move(Initial))
{
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (FMaster < 0) Fail("posix_openpt");
    if (grantpt(FMaster) != 0 || unlockpt(FMaster) != 0) Fail("unlockpt");
    char name[128];
    if (ptsname_r(FMaster, name, sizeof name) != 0) Fail("ptsname_r");
    FDevicePath = name;
    FSlave = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (FSlave < 0) Fail("open pty slave");
    // Raw from the start: a fresh pty echoes and cooks lines until the program configures it.
    MakeRawLine(FSlave, B9600);
    FWake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (FWake < 0) Fail("eventfd");
    FThread = std::thread([this] { Run(); });
}

TSimulator::~TSimulator()
{
    FStop = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = write(FWake, &one, sizeof one);
    if (FThread.joinable()) FThread.join();
    CloseDevice();
    close(FWake);
}

void MakeRawLine(int Fd, speed_t Speed)
{
    termios tio{};
    tcgetattr(Fd, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, Speed);
    cfsetospeed(&tio, Speed);
    tcsetattr(Fd, TCSANOW, &tio);
}

void TSimulator::Expose(int ComNumber)
{
    const std::filesystem::path link = rtl::PortLink(ComNumber);
    std::filesystem::create_directories(link.parent_path());
    std::error_code ignored;
    std::filesystem::remove(link, ignored);
    std::filesystem::create_symlink(FDevicePath, link);
    std::lock_guard lock(FLock);
    FLink = link.string();
}

void TSimulator::SetBehaviour(const TBehaviour &Value)
{
    std::lock_guard lock(FLock);
    FBehaviour = Value;
    FFramesBeforeVanish = Value.VanishAfter;
}

TBehaviour TSimulator::Behaviour() const
{
    std::lock_guard lock(FLock);
    return FBehaviour;
}

void TSimulator::SetLoaderAnswer(TLoaderAnswer Value)
{
    std::lock_guard lock(FLock);
    FDevice.LoaderAnswer = Value;
}

void TSimulator::SetLoaderStartTime(std::chrono::milliseconds Value)
{
    std::lock_guard lock(FLock);
    FDevice.LoaderStartTime = Value;
}

void TSimulator::Edit(const std::function<void(Memory &)> &Change)
{
    std::lock_guard lock(FLock);
    Change(FDevice.Mem());
}

Memory TSimulator::Snapshot() const
{
    std::lock_guard lock(FLock);
    return FDevice.Mem();
}

bool TSimulator::InLoader() const
{
    std::lock_guard lock(FLock);
    return FDevice.InLoader();
}

std::vector<TFrame> TSimulator::Frames() const
{
    std::lock_guard lock(FLock);
    return FFrames;
}

void TSimulator::ClearFrames()
{
    std::lock_guard lock(FLock);
    FFrames.clear();
}

bool TSimulator::WaitForFrames(std::size_t Count, std::chrono::milliseconds Timeout) const
{
    std::unique_lock lock(FLock);
    return FFramesChanged.wait_for(lock, Timeout, [&] { return FFrames.size() >= Count; });
}

unsigned TSimulator::LineSpeed() const
{
    std::lock_guard lock(FLock);
    termios tio{};
    // On a pty the master reports the termios the program set on the slave.
    if (FMaster < 0 || tcgetattr(FMaster, &tio) != 0) return DefaultSpeed;
    for (const SpeedCode &s : Speeds)
        if (s.Code == cfgetospeed(&tio)) return s.Baud;
    return DefaultSpeed;
}

void TSimulator::Vanish()
{
    FVanishRequested = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = write(FWake, &one, sizeof one);
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) FThread.join();
}

void TSimulator::SetMonitor(std::function<void(const TExchange &)> Monitor)
{
    std::lock_guard lock(FLock);
    FMonitor = std::move(Monitor);
}

void TSimulator::CloseDevice()
{
    std::lock_guard lock(FLock);
    // The link goes first: whoever sees the line hang up finds the device gone from the folder.
    if (!FLink.empty()) {
        std::error_code ignored;
        std::filesystem::remove(FLink, ignored);
        FLink.clear();
    }
    if (FMaster >= 0) close(FMaster);
    if (FSlave >= 0) close(FSlave);
    FMaster = FSlave = -1;
}

Clock::duration TSimulator::ByteTime() const
{
    return std::chrono::nanoseconds(1'000'000'000ull * BitsPerByte / LineSpeed());
}

void TSimulator::Run()
{
    // Pacing sleeps to each byte's deadline; the kernel's default slack would make every one
    // of those sleeps some 50 us late.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    Clock::time_point rxLine{};
    while (!Interrupted()) {
        std::optional<Clock::time_point> deadline;
        {
            std::lock_guard lock(FLock);
            deadline = FDevice.NextIdleDeadline();
        }
        pollfd fds[2] = {{FMaster, POLLIN, 0}, {FWake, POLLIN, 0}};
        timespec wait{};
        if (deadline) wait = ToTimespec(Until(*deadline));
        const int ready = ppoll(fds, 2, deadline ? &wait : nullptr, nullptr);
        if (ready < 0 && errno != EINTR) break;
        bool keepGoing = true;
        if (fds[0].revents & POLLIN)
            keepGoing = Receive(rxLine);
        else if (ready == 0) {
            std::vector<TExchange> served;
            {
                std::lock_guard lock(FLock);
                served = FDevice.Idle(Clock::now());
            }
            keepGoing = Handle(served, Clock::now());
        }
        if (!keepGoing) break;
    }
    if (FVanishRequested) {
        FVanished = true;
        CloseDevice();
    }
}

bool TSimulator::Receive(Clock::time_point &RxLine)
{
    std::uint8_t chunk[4096];
    const ssize_t n = read(FMaster, chunk, sizeof chunk);
    if (n <= 0) return n < 0 && (errno == EAGAIN || errno == EINTR);
    Clock::time_point heard = Clock::now();
    // Paced, the last byte of the chunk is here only after the wire carried all of them, and
    // the answer starts from that moment however late this thread wakes to it.
    if (Behaviour().Paced) {
        RxLine = std::max(RxLine, heard) + n * ByteTime();
        if (!SleepUntil(RxLine)) return false;
        heard = RxLine;
    }
    std::vector<TExchange> served;
    {
        std::lock_guard lock(FLock);
        served = FDevice.Feed(chunk, static_cast<std::size_t>(n), Clock::now());
    }
    return Handle(served, heard);
}

bool TSimulator::Handle(const std::vector<TExchange> &Served, Clock::time_point Heard)
{
    for (const TExchange &x : Served) {
        TBehaviour how;
        std::function<void(const TExchange &)> monitor;
        bool vanish = false;
        {
            std::lock_guard lock(FLock);
            FFrames.push_back(x.Frame);
            how = FBehaviour;
            monitor = FMonitor;
            if (FFramesBeforeVanish > 0) vanish = --FFramesBeforeVanish == 0;
        }
        FFramesChanged.notify_all();
        if (monitor) monitor(x);
        if (vanish) {
            FVanishRequested = true;
            return false;
        }
        if (x.Answer && !how.Silent && !Respond(*x.Answer, how, Heard)) return false;
    }
    return true;
}

bool TSimulator::Respond(Bytes Answer, const TBehaviour &How, Clock::time_point Heard)
{
    if (How.WrongBytes)
        for (std::uint8_t &b : Answer)
            b = static_cast<std::uint8_t>(~b);
    if (How.LengthDelta > 0)
        Answer.insert(Answer.end(), static_cast<std::size_t>(How.LengthDelta), Answer.back());
    else if (How.LengthDelta < 0)
        Answer.resize(Answer.size() - std::min(Answer.size(), std::size_t(-How.LengthDelta)));
    const Clock::time_point start = Heard + How.Delay;
    if (How.ByteGap.count() > 0 && !How.Paced) {
        for (std::size_t i = 0; i < Answer.size(); ++i)
            if (!SleepUntil(start + static_cast<long>(i) * How.ByteGap) ||
                !WriteBytes(&Answer[i], 1))
                return false;
        return true;
    }
    if (!How.Paced) return SleepUntil(start) && WriteBytes(Answer.data(), Answer.size());
    // Every byte is due a whole number of byte times after the line became free, so a late
    // wake is caught up with the next byte instead of delaying all that follow.
    const Clock::time_point begin = std::max(start, FTxLine);
    const Clock::duration byteTime = ByteTime();
    FTxLine = begin + static_cast<long>(Answer.size()) * byteTime;
    for (std::size_t i = 0; i < Answer.size(); ++i)
        if (!SleepUntil(begin + static_cast<long>(i + 1) * byteTime) || !WriteBytes(&Answer[i], 1))
            return false;
    return true;
}

bool TSimulator::WriteBytes(const std::uint8_t *Data, std::size_t Count)
{
    while (Count > 0) {
        const ssize_t n = write(FMaster, Data, Count);
        if (n > 0) {
            Data += n;
            Count -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        // The program is not reading and the line is full: wait for room or for the end.
        pollfd fds[2] = {{FMaster, POLLOUT, 0}, {FWake, POLLIN, 0}};
        if (ppoll(fds, 2, nullptr, nullptr) < 0 && errno != EINTR) return false;
        if (Interrupted()) return false;
    }
    return true;
}

bool TSimulator::SleepUntil(Clock::time_point Deadline)
{
    while (!Interrupted()) {
        const auto left = Until(Deadline);
        if (left.count() == 0) return true;
        pollfd wake{FWake, POLLIN, 0};
        const timespec span = ToTimespec(left);
        ppoll(&wake, 1, &span, nullptr);
    }
    return false;
}

} // namespace devsim
