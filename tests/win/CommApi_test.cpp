#include "platform/win/CommApi.h"
#include "platform/win/CommPorts.h"

#include "platform/rtl/PortFolder.h"
#include "platform/rtl/Registry.h"
#include "tools/devsim/Simulator.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <functional>
#include <future>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace
{

// A port folder of the test's own, with a simulated device as COM 45.
class CommApiTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Folder = fs::temp_directory_path() / ("commapi_ports_" + std::to_string(getpid()));
        fs::create_directories(Folder);
        setenv("QRV4_PORTS", Folder.c_str(), 1);
        Sim.Expose(45);
    }
    void TearDown() override
    {
        for (HANDLE h : Opened)
            CloseHandle(h);
        fs::remove_all(Folder);
    }

    HANDLE Open(const char *Name = "\\\\.\\COM45")
    {
        HANDLE h = CreateFile(Name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
        if (h != INVALID_HANDLE_VALUE) Opened.push_back(h);
        return h;
    }
    // A port set up as the program sets it: 8N1 at Speed, reads returning what is there.
    HANDLE OpenLine(DWORD Speed = CBR_9600)
    {
        HANDLE h = Open();
        DCB dcb{};
        GetCommState(h, &dcb);
        dcb.BaudRate = Speed;
        dcb.Flags = dcb::fBinary;
        EXPECT_TRUE(SetCommState(h, &dcb));
        COMMTIMEOUTS none{};
        SetCommTimeouts(h, &none);
        return h;
    }
    void Close(HANDLE h)
    {
        std::erase(Opened, h);
        EXPECT_TRUE(CloseHandle(h));
    }

    fs::path Folder;
    devsim::TSimulator Sim;
    std::vector<HANDLE> Opened;
};

// Overlapped write completed by GetOverlappedResult, as the write thread does it.
DWORD Write(HANDLE h, const devsim::Bytes &Data)
{
    OVERLAPPED ov{};
    ov.hEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    if (!WriteFile(h, Data.data(), DWORD(Data.size()), &written, &ov) &&
        GetLastError() == ERROR_IO_PENDING)
        GetOverlappedResult(h, &ov, &written, TRUE);
    CloseHandle(ov.hEvent);
    return written;
}

// Waits for the next communication event the mask lets through.
DWORD WaitEvent(HANDLE h, BOOL *Ok = nullptr)
{
    OVERLAPPED ov{};
    DWORD mask = 0, unused = 0;
    BOOL ok = WaitCommEvent(h, &mask, &ov);
    if (!ok && GetLastError() == ERROR_IO_PENDING) ok = GetOverlappedResult(h, &ov, &unused, TRUE);
    if (Ok) *Ok = ok;
    return mask;
}

// Sleeps until thread Tid of this process is blocked (state S twice in a row), so that a wait has
// begun, however loaded the machine, before the test acts on the port under it.
void UntilBlocked(pid_t Tid)
{
    auto state = [Tid] {
        std::ifstream stat("/proc/self/task/" + std::to_string(Tid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        const auto end = text.rfind(')');
        return end == std::string::npos || end + 2 >= text.size() ? '?' : text[end + 2];
    };
    for (int asleep = 0; asleep < 2;) {
        std::this_thread::sleep_for(5ms);
        asleep = state() == 'S' ? asleep + 1 : 0;
    }
}

// A thread that does Act once the calling thread has blocked.
std::thread OnceBlocked(std::function<void()> Act)
{
    return std::thread([Act = std::move(Act), caller = gettid()] {
        UntilBlocked(caller);
        Act();
    });
}

// A thread that runs Body and whose id is known once this returns.
std::thread Started(std::function<void()> Body, pid_t &Tid)
{
    std::promise<pid_t> id;
    auto known = id.get_future();
    std::thread thread([Body = std::move(Body), id = std::move(id)]() mutable {
        id.set_value(gettid());
        Body();
    });
    Tid = known.get();
    return thread;
}

// Collects Count bytes by events and reads, as the status and read threads do together.
devsim::Bytes ReadAnswer(HANDLE h, std::size_t Count)
{
    devsim::Bytes got;
    while (got.size() < Count) {
        if (!(WaitEvent(h) & EV_RXCHAR)) continue;
        COMSTAT stat{};
        DWORD errors = 0;
        ClearCommError(h, &errors, &stat);
        devsim::Bytes chunk(stat.cbInQue);
        OVERLAPPED ov{};
        DWORD n = 0;
        EXPECT_TRUE(ReadFile(h, chunk.data(), stat.cbInQue, &n, &ov));
        got.insert(got.end(), chunk.begin(), chunk.begin() + n);
    }
    return got;
}

} // namespace

TEST(CommNumbering, FixedTableOfDeviceNames)
{
    EXPECT_EQ(win::FixedComNumber("ttyS0"), 1);
    EXPECT_EQ(win::FixedComNumber("ttyS3"), 4);
    EXPECT_EQ(win::FixedComNumber("ttyUSB0"), 101);
    EXPECT_EQ(win::FixedComNumber("ttyUSB12"), 113);
    EXPECT_EQ(win::FixedComNumber("ttyACM2"), 203);
    EXPECT_EQ(win::FixedComNumber("ttyS"), 0);
    EXPECT_EQ(win::FixedComNumber("ttyUSBa"), 0);
    EXPECT_EQ(win::FixedComNumber("tty1"), 0);
    EXPECT_TRUE(win::IsUsbSerialName("ttyACM0"));
    EXPECT_FALSE(win::IsUsbSerialName("ttyS0"));
}

TEST(CommNumbering, BuiltInSlotsWithoutUartAreLeftOut)
{
    const fs::path sys = fs::temp_directory_path() / ("commapi_sys_" + std::to_string(getpid()));
    for (const char *name : {"ttyS0", "ttyS1", "ttyUSB0", "tty0"})
        fs::create_directories(sys / name);
    std::ofstream(sys / "ttyS0" / "type") << "4\n";
    std::ofstream(sys / "ttyS1" / "type") << "0\n";
    auto devices = win::MachineSerialDevices(sys);
    std::sort(devices.begin(), devices.end(),
              [](auto &a, auto &b) { return a.ComNumber < b.ComNumber; });
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].ComNumber, 1);
    EXPECT_EQ(devices[0].Path, "/dev/ttyS0");
    EXPECT_FALSE(devices[0].Usb);
    EXPECT_EQ(devices[1].ComNumber, 101);
    EXPECT_TRUE(devices[1].Usb);
    fs::remove_all(sys);
}

TEST_F(CommApiTest, PortListNamesLinkedDevicesAndSkipsVanishedOnes)
{
    fs::create_symlink("/nonexistent/tty", rtl::PortLink(9)); // a device that has gone
    const auto values = win::SerialCommValues();
    const auto com5 =
        std::find_if(values.begin(), values.end(), [](auto &v) { return v.Data == "COM45"; });
    ASSERT_NE(com5, values.end());
    EXPECT_TRUE(com5->Name.starts_with("\\Device\\Serial"));
    EXPECT_TRUE(
        std::none_of(values.begin(), values.end(), [](auto &v) { return v.Data == "COM9"; }));
    EXPECT_EQ(win::ComPortPath(45), rtl::PortLink(45));
}

TEST_F(CommApiTest, OpenIsExclusive)
{
    HANDLE first = Open();
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(Open(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    Close(first);
    EXPECT_NE(Open("COM45"), INVALID_HANDLE_VALUE);
}

// Exclusive mode belongs to the terminal, not to the descriptor: left behind, it keeps every
// later open out (root excepted) for as long as anyone else holds the device open.
TEST_F(CommApiTest, OpenKeepsProgramsThatDoNotLockOutOnlyUntilClosed)
{
    const auto excluding = [] {
        const int fd = open(rtl::PortLink(45).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        int exclusive = -1;
        if (fd >= 0) ioctl(fd, TIOCGEXCL, &exclusive);
        if (fd >= 0) close(fd);
        return exclusive;
    };
    HANDLE port = Open();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    // Root opens past exclusive mode; everyone else is refused.
    EXPECT_EQ(excluding(), geteuid() == 0 ? 1 : -1);
    Close(port);
    EXPECT_EQ(excluding(), 0);
    EXPECT_NE(Open(), INVALID_HANDLE_VALUE);
}

TEST_F(CommApiTest, OpenOfUnknownPortFails)
{
    EXPECT_EQ(Open("\\\\.\\COM77"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Open("\\\\.\\LPT1"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// Each reason a port does not open has its own error, so the user can be told which.
TEST_F(CommApiTest, OpenOfAFileThatIsNoTerminalFailsAsNotSupported)
{
    const fs::path file = Folder / "not_a_port";
    std::ofstream(file) << "text";
    fs::create_symlink(file, rtl::PortLink(46));
    EXPECT_EQ(Open("\\\\.\\COM46"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

TEST_F(CommApiTest, OpenWithoutPermissionFailsAsAccessDenied)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root opens whatever the modes; the unprivileged pass runs this";
    fs::permissions(Sim.DevicePath(), fs::perms::none);
    EXPECT_EQ(Open(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    fs::permissions(Sim.DevicePath(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_NE(Open(), INVALID_HANDLE_VALUE);
}

TEST_F(CommApiTest, CommStateReachesTheLine)
{
    HANDLE h = OpenLine(CBR_57600);
    EXPECT_EQ(Sim.LineSpeed(), 57600u);
    DCB dcb{};
    ASSERT_TRUE(GetCommState(h, &dcb));
    EXPECT_EQ(dcb.BaudRate, CBR_57600);
    EXPECT_EQ(dcb.Flags, dcb::fBinary);
    dcb.BaudRate = CBR_19200;
    dcb.ByteSize = 7;
    dcb.Parity = EVENPARITY;
    ASSERT_TRUE(SetCommState(h, &dcb));
    EXPECT_EQ(Sim.LineSpeed(), 19200u);
    dcb.ByteSize = 9;
    EXPECT_FALSE(SetCommState(h, &dcb));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    GetCommState(h, &dcb);
    EXPECT_EQ(dcb.ByteSize, 7); // the refused state was not kept
    dcb.BaudRate = CBR_14400;   // no termios code: set through termios2
    EXPECT_TRUE(SetCommState(h, &dcb));
}

TEST_F(CommApiTest, FrameAndAnswerTravelOverlapped)
{
    HANDLE h = OpenLine();
    ASSERT_TRUE(SetCommMask(h, EV_RXCHAR));
    EXPECT_EQ(Write(h, {0xA5, 0x96, 0x00, 0xD9, 0x00, 0x6F}), 6u);
    EXPECT_EQ(ReadAnswer(h, 1), devsim::Bytes{0x22});
    EXPECT_EQ(Write(h, {0xA5, 0x31, 0x62, 0x00, 0x10, 0xA3}), 6u);
    const devsim::Bytes answer = ReadAnswer(h, 22);
    ASSERT_EQ(answer.size(), 22u);
    EXPECT_EQ(answer[2], 0x62);
    ASSERT_TRUE(Sim.WaitForFrames(2, 1000ms));
}

TEST_F(CommApiTest, TransmitQueueEmptyIsReported)
{
    HANDLE h = OpenLine();
    SetCommMask(h, EV_TXEMPTY);
    Write(h, {0xA5, 0x96, 0x00, 0xD9, 0x00, 0x6F});
    EXPECT_EQ(WaitEvent(h), EV_TXEMPTY);
}

TEST_F(CommApiTest, WaitPendingBeforeAWriteSeesTheQueueEmpty)
{
    HANDLE h = OpenLine();
    SetCommMask(h, EV_TXEMPTY);
    DWORD mask = 0;
    pid_t waiting = 0;
    std::thread waiter = Started([&] { mask = WaitEvent(h); }, waiting);
    UntilBlocked(waiting);
    Write(h, {0xA5, 0x96, 0x00, 0xD9, 0x00, 0x00}); // a bad checksum: no answer wakes the wait
    waiter.join();
    EXPECT_EQ(mask, EV_TXEMPTY);
}

TEST_F(CommApiTest, ReadOfMoreThanArrivedStaysPendingUntilAborted)
{
    HANDLE h = OpenLine();
    OVERLAPPED ov{};
    ov.hEvent = CreateEvent(nullptr, TRUE, TRUE, nullptr);
    BYTE buffer[8];
    DWORD n = 0;
    ASSERT_FALSE(ReadFile(h, buffer, sizeof buffer, &n, &ov));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    EXPECT_EQ(WaitForSingleObject(ov.hEvent, 0), WAIT_TIMEOUT); // reset when the read started
    EXPECT_FALSE(GetOverlappedResult(h, &ov, &n, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_IO_INCOMPLETE);
    std::thread purge = OnceBlocked([h] { PurgeComm(h, PURGE_RXABORT | PURGE_RXCLEAR); });
    EXPECT_FALSE(GetOverlappedResult(h, &ov, &n, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_EQ(WaitForSingleObject(ov.hEvent, 0), WAIT_OBJECT_0);
    purge.join();
    CloseHandle(ov.hEvent);
}

TEST_F(CommApiTest, ClearingTheMaskEndsAPendingWait)
{
    HANDLE h = OpenLine();
    SetCommMask(h, EV_RXCHAR | EV_CTS);
    std::thread clear = OnceBlocked([h] { SetCommMask(h, 0); });
    BOOL ok = FALSE;
    EXPECT_EQ(WaitEvent(h, &ok), 0u);
    EXPECT_TRUE(ok);
    clear.join();
    DWORD mask = 1;
    EXPECT_FALSE(WaitCommEvent(h, &mask, nullptr)); // nothing to wait for
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(CommApiTest, ClosingTheHandleEndsAPendingWait)
{
    HANDLE h = OpenLine();
    SetCommMask(h, EV_RXCHAR);
    std::thread closer = OnceBlocked([&] { Close(h); });
    BOOL ok = TRUE;
    WaitEvent(h, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    closer.join();
}

std::size_t OpenDescriptors()
{
    const auto entries = fs::directory_iterator("/proc/self/fd");
    return std::size_t(std::distance(fs::begin(entries), fs::end(entries)));
}

TEST_F(CommApiTest, ClosingTheHandleEndsEveryPendingWaitAndReleasesItsDescriptors)
{
    const std::size_t before = OpenDescriptors();
    HANDLE h = OpenLine();
    SetCommMask(h, EV_RXCHAR);
    DWORD readError = 0, waitError = 0;
    pid_t reading = 0, waiting = 0;
    std::thread reader = Started(
        [&] {
            BYTE buffer[8];
            OVERLAPPED ov{};
            DWORD n = 0;
            if (!ReadFile(h, buffer, sizeof buffer, &n, &ov) &&
                GetLastError() == ERROR_IO_PENDING && !GetOverlappedResult(h, &ov, &n, TRUE))
                readError = GetLastError();
        },
        reading);
    std::thread waiter = Started(
        [&] {
            BOOL ok = TRUE;
            WaitEvent(h, &ok);
            if (!ok) waitError = GetLastError();
        },
        waiting);
    UntilBlocked(reading);
    UntilBlocked(waiting);
    Close(h);
    reader.join();
    waiter.join();
    EXPECT_EQ(readError, ERROR_OPERATION_ABORTED);
    EXPECT_EQ(waitError, ERROR_OPERATION_ABORTED);
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(CommApiTest, QueueCountsAndPurge)
{
    HANDLE h = OpenLine();
    SetCommMask(h, EV_RXCHAR);
    Write(h, {0xA5, 0x31, 0x04, 0x00, 0x18, 0x4D});
    ASSERT_TRUE(WaitEvent(h) & EV_RXCHAR);
    COMSTAT stat{};
    DWORD errors = 0;
    for (int i = 0; i < 100 && stat.cbInQue < 30; ++i) {
        std::this_thread::sleep_for(5ms);
        ASSERT_TRUE(ClearCommError(h, &errors, &stat));
    }
    EXPECT_EQ(stat.cbInQue, 30u);
    EXPECT_EQ(errors, 0u);
    EXPECT_TRUE(PurgeComm(h, PURGE_RXCLEAR | PURGE_TXCLEAR));
    ClearCommError(h, &errors, &stat);
    EXPECT_EQ(stat.cbInQue, 0u);
}

TEST_F(CommApiTest, ModemLineCallsFailQuietlyOnAPseudoTerminal)
{
    HANDLE h = OpenLine();
    DWORD status = 0;
    for (DWORD f : {SETDTR, CLRDTR, SETRTS, CLRRTS}) {
        EXPECT_FALSE(EscapeCommFunction(h, f));
        EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    }
    EXPECT_FALSE(GetCommModemStatus(h, &status));
    EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
    EXPECT_FALSE(EscapeCommFunction(h, 77));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    // The port itself goes on working.
    SetCommMask(h, EV_RXCHAR);
    Write(h, {0xA5, 0x96, 0x00, 0xD9, 0x00, 0x6F});
    EXPECT_EQ(ReadAnswer(h, 1), devsim::Bytes{0x22});
    EXPECT_EQ(WaitForSingleObject(h, 0), WAIT_FAILED); // a port is not a waitable object
}

TEST_F(CommApiTest, VanishedDeviceEndsWaitAndReadsWithError)
{
    HANDLE h = OpenLine();
    SetCommMask(h, EV_RXCHAR | EV_ERR);
    std::thread pull = OnceBlocked([this] { Sim.Vanish(); });
    BOOL ok = FALSE;
    EXPECT_EQ(WaitEvent(h, &ok), EV_ERR);
    EXPECT_TRUE(ok);
    pull.join();
    BYTE b;
    DWORD n = 0;
    OVERLAPPED ov{};
    EXPECT_FALSE(ReadFile(h, &b, 1, &n, &ov));
    EXPECT_EQ(GetLastError(), ERROR_BAD_COMMAND);
    EXPECT_FALSE(WaitCommEvent(h, &n, &ov)); // at once, not pending
    EXPECT_EQ(GetLastError(), ERROR_BAD_COMMAND);
    COMSTAT stat{};
    EXPECT_FALSE(ClearCommError(h, nullptr, &stat));
    EXPECT_EQ(Write(h, {0xA5}), 0u);
    EXPECT_FALSE(fs::is_symlink(rtl::PortLink(45)));
}

TEST_F(CommApiTest, VanishedDeviceWithoutErrorEventFailsTheWait)
{
    HANDLE h = OpenLine();
    SetCommMask(h, EV_RXCHAR);
    std::thread pull = OnceBlocked([this] { Sim.Vanish(); });
    BOOL ok = TRUE;
    WaitEvent(h, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(GetLastError(), ERROR_BAD_COMMAND);
    pull.join();
}

TEST(KernelEvents, AutoResetEventWakesOneWait)
{
    HANDLE e = CreateEvent(nullptr, FALSE, FALSE, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 10), WAIT_TIMEOUT);
    SetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    std::thread setter([e] {
        std::this_thread::sleep_for(20ms);
        SetEvent(e);
    });
    EXPECT_EQ(WaitForSingleObject(e, INFINITE), WAIT_OBJECT_0);
    setter.join();
    EXPECT_TRUE(CloseHandle(e));
    EXPECT_FALSE(CloseHandle(e));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_FAILED);
}

TEST(KernelEvents, ManualResetEventStaysSet)
{
    HANDLE e = CreateEvent(nullptr, TRUE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    ResetEvent(e);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    CloseHandle(e);
}

TEST_F(CommApiTest, LossFoundByAnotherCallIsStillOneErrorEvent)
{
    HANDLE h = OpenLine();
    SetCommMask(h, EV_RXCHAR | EV_ERR);
    Sim.Vanish();
    COMSTAT stat{};
    DWORD errors = 0;
    EXPECT_FALSE(ClearCommError(h, &errors, &stat)); // this call finds the device gone
    EXPECT_EQ(GetLastError(), ERROR_BAD_COMMAND);
    DWORD mask = 0;
    OVERLAPPED ov{};
    EXPECT_TRUE(WaitCommEvent(h, &mask, &ov));
    EXPECT_EQ(mask, EV_ERR);
    EXPECT_FALSE(WaitCommEvent(h, &mask, &ov));
    EXPECT_EQ(GetLastError(), ERROR_BAD_COMMAND);
}

TEST_F(CommApiTest, SerialCommKeyListsThePortsReadOnly)
{
    TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly("HARDWARE\\DEVICEMAP\\SERIALCOMM"));
    auto names = std::make_unique<TStringList>();
    reg.GetValueNames(names.get());
    std::vector<std::string> data;
    for (int i = 0; i < names->Count(); ++i)
        data.push_back(reg.ReadString(names->Strings(i)).c_str());
    EXPECT_NE(std::find(data.begin(), data.end(), "COM45"), data.end());
    EXPECT_EQ(data.size(), win::SerialCommValues().size());
    EXPECT_THROW(reg.WriteString("\\Device\\Serial9", "COM9"), ERegistryException);
    reg.CloseKey();
    fs::create_symlink(Sim.DevicePath(), rtl::PortLink(8)); // a port plugged in meanwhile
    ASSERT_TRUE(reg.OpenKeyReadOnly("HARDWARE\\DEVICEMAP\\SERIALCOMM"));
    reg.GetValueNames(names.get());
    EXPECT_EQ(std::size_t(names->Count()), data.size() + 1);
}

namespace
{

// A pseudo-terminal nobody reads: writes to its slave fill it and then stay pending.
class TDeafLine
{
public:
    explicit TDeafLine(int ComNumber)
    {
        FMaster = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(FMaster);
        unlockpt(FMaster);
        char name[128];
        ptsname_r(FMaster, name, sizeof name);
        fs::create_symlink(name, rtl::PortLink(ComNumber));
    }
    ~TDeafLine() { close(FMaster); }

private:
    int FMaster = -1;
};

} // namespace

TEST_F(CommApiTest, WriteIntoAFullLineStaysPendingUntilAborted)
{
    TDeafLine deaf(11);
    HANDLE h = Open("\\\\.\\COM11");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<BYTE> data(1 << 20, 0x55);
    OVERLAPPED ov{};
    DWORD written = 0;
    ASSERT_FALSE(WriteFile(h, data.data(), DWORD(data.size()), &written, &ov));
    ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
    std::thread abort = OnceBlocked([h] { PurgeComm(h, PURGE_TXABORT | PURGE_TXCLEAR); });
    EXPECT_FALSE(GetOverlappedResult(h, &ov, &written, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
    EXPECT_GT(written, 0u); // what the line took before it filled
    EXPECT_LT(written, data.size());
    abort.join();
}
