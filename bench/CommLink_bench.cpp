// Round trips of a 6-byte archive read and its 22-byte answer through TCommPort and the
// simulated device on a pseudo-terminal. Unpaced, the time is the program's own overhead
// (rings, five threads, synchronised event). Paced at 57600 baud, the same trips are made by
// TCommPort and then by a bare client (poll, read, write on the same device), and the process
// CPU time of each per trip is compared: cpu_ratio = program / bare. The simulator runs in a
// child process, so its own CPU time is in neither figure; cpu_ratio_with_device adds each
// side's device time back, as the figure was when the device ran in this process. waits_per_trip
// counts the times a thread of this process went to sleep (voluntary context switches), the
// wake-ups a trip costs. wire_ratio is the program's time of the paced trips over their wire time
// (28 bytes x 10 bits / 57600 each), bare_wire_ratio the same of the bare client: what the
// simulated device itself adds to a trip.

#include "link/CommPort.h"
#include "tools/devsim/Simulator.h"
#include "tools/devsim/client/BareLine.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

constexpr int BenchCom = 9;
constexpr std::size_t FrameBytes = 6, AnswerBytes = 22;
const BYTE ReadRecord[FrameBytes] = {0xA5, 0x31, 0x62, 0x00, 0x10, 0xA3};
constexpr int PacedTrips = 1000;
constexpr double PacedBaud = 57600;
constexpr auto AnswerTimeout = std::chrono::seconds(3);

// The simulated device in a child process of its own: its CPU time is not this process's.
// The child lives until the parent closes the pipe it waits on.
class TChildSimulator
{
public:
    explicit TChildSimulator(bool Paced)
    {
        FFolder =
            std::filesystem::temp_directory_path() / ("commlink_bench_" + std::to_string(getpid()));
        setenv("QRV4_PORTS", FFolder.c_str(), 1);
        int toParent[2], toChild[2];
        if (pipe(toParent) != 0 || pipe(toChild) != 0) return;
        FChild = fork();
        if (FChild == 0) {
            close(toParent[0]);
            close(toChild[1]);
            RunChild(Paced, toParent[1], toChild[0]);
        }
        close(toParent[1]);
        close(toChild[0]);
        FStop = toChild[1];
        char path[256];
        const ssize_t n = FChild > 0 ? read(toParent[0], path, sizeof path) : -1;
        if (n > 0) FDevicePath.assign(path, static_cast<std::size_t>(n));
        close(toParent[0]);
    }
    ~TChildSimulator()
    {
        if (FStop >= 0) close(FStop);
        if (FChild > 0) waitpid(FChild, nullptr, 0);
        std::filesystem::remove_all(FFolder);
    }
    TChildSimulator(const TChildSimulator &) = delete;
    TChildSimulator &operator=(const TChildSimulator &) = delete;

    // Empty when the child did not start.
    const std::string &DevicePath() const { return FDevicePath; }

private:
    [[noreturn]] static void RunChild(bool Paced, int Report, int Stop)
    {
        {
            devsim::TSimulator sim;
            sim.Expose(BenchCom);
            sim.SetBehaviour({.Paced = Paced});
            const std::string &path = sim.DevicePath();
            [[maybe_unused]] auto n = write(Report, path.data(), path.size());
            close(Report);
            char ignored;
            while (read(Stop, &ignored, 1) > 0) {
            }
        }
        _exit(0);
    }

    std::filesystem::path FFolder;
    pid_t FChild = -1;
    int FStop = -1;
    std::string FDevicePath;
};

// A port on the simulated device, with a data handler that takes each whole answer.
class TLink
{
public:
    explicit TLink(int Baud)
    {
        FPort.SetComNumber(BenchCom);
        FPort.SetBaud(Baud);
        // As the main window does: it takes only whole answers.
        FPort.SetReceiveThreshold(AnswerBytes);
        FPort.OnDataReceived = [this](TObject *, DWORD Count) {
            if (Count < AnswerBytes) return;
            BYTE answer[AnswerBytes];
            FPort.GetBlock(answer, AnswerBytes);
            FAnswered = true;
        };
        FPort.SetOpen(true);
    }
    ~TLink() { FPort.SetOpen(false); }

    bool RoundTrip()
    {
        FAnswered = false;
        FPort.PutBlock(ReadRecord, FrameBytes);
        const auto deadline = std::chrono::steady_clock::now() + AnswerTimeout;
        while (!FAnswered)
            if (!CheckSynchronize(50) && std::chrono::steady_clock::now() > deadline) return false;
        return true;
    }
    bool IsOpen() const { return FPort.Open(); }

private:
    TCommPort FPort{nullptr};
    bool FAnswered = false;
};

bool BareRoundTrip(devsim::TBareLine &Line)
{
    const devsim::Bytes frame(std::begin(ReadRecord), std::end(ReadRecord));
    const auto quiet = std::chrono::duration_cast<std::chrono::milliseconds>(AnswerTimeout);
    return Line.Send(frame) && Line.Receive(AnswerBytes, quiet).size() == AnswerBytes;
}

// The time, the CPU time of every thread of this process, and how often one of them went to
// sleep.
struct TUsage {
    double Seconds = 0;
    double CpuSeconds = 0;
    double Waits = 0;

    static TUsage Now()
    {
        rusage u{};
        getrusage(RUSAGE_SELF, &u);
        const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
        const std::chrono::duration<double> now =
            std::chrono::steady_clock::now().time_since_epoch();
        return {now.count(), seconds(u.ru_utime) + seconds(u.ru_stime), double(u.ru_nvcsw)};
    }
    TUsage operator-(const TUsage &Earlier) const
    {
        return {Seconds - Earlier.Seconds, CpuSeconds - Earlier.CpuSeconds, Waits - Earlier.Waits};
    }
};

// Runs Trip PacedTrips times; the usage of the whole run, or nothing when a trip failed.
template <class TTrip> std::optional<TUsage> Measure(TTrip Trip)
{
    const TUsage start = TUsage::Now();
    for (int i = 0; i < PacedTrips; ++i)
        if (!Trip()) return std::nullopt;
    return TUsage::Now() - start;
}

void RoundTripUnpaced(benchmark::State &State)
{
    TChildSimulator sim(false);
    TLink link(57600);
    if (!link.IsOpen()) {
        State.SkipWithError("the simulated port did not open");
        return;
    }
    for (auto _ : State)
        if (!link.RoundTrip()) {
            State.SkipWithError("no answer");
            return;
        }
    State.SetItemsProcessed(State.iterations());
}
BENCHMARK(RoundTripUnpaced)->Unit(benchmark::kMicrosecond);

// The CPU time of the children that have ended and been waited for.
double ChildrenCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

// One side's paced trips on a device of its own, and that device's CPU time.
struct TSide {
    TUsage Own;
    double DeviceCpuSeconds = 0;
};

template <class TTrips> std::optional<TSide> PacedSide(TTrips Trips)
{
    const double before = ChildrenCpuSeconds();
    std::optional<TUsage> own;
    {
        TChildSimulator sim(true);
        own = Trips(sim);
    }
    if (!own) return std::nullopt;
    return TSide{*own, ChildrenCpuSeconds() - before};
}

void ThousandRoundTripsPaced57600(benchmark::State &State)
{
    const double wire = PacedTrips * (FrameBytes + AnswerBytes) * 10 / PacedBaud;
    for (auto _ : State) {
        const std::optional<TSide> program = PacedSide([](TChildSimulator &) {
            TLink link{int(PacedBaud)};
            return Measure([&] { return link.RoundTrip(); });
        });
        const std::optional<TSide> bare = PacedSide([](TChildSimulator &Sim) {
            devsim::TBareLine line(Sim.DevicePath(), B57600);
            return Measure([&] { return BareRoundTrip(line); });
        });
        if (!program || !bare) {
            State.SkipWithError("no answer");
            return;
        }
        const auto perTrip = [](double Seconds) { return Seconds * 1e3 / PacedTrips; };
        const double programCpu = program->Own.CpuSeconds, bareCpu = bare->Own.CpuSeconds;
        State.counters["wire_s"] = wire;
        State.counters["wire_ratio"] = program->Own.Seconds / wire;
        State.counters["bare_wire_ratio"] = bare->Own.Seconds / wire;
        State.counters["program_cpu_ms_per_trip"] = perTrip(programCpu);
        State.counters["bare_cpu_ms_per_trip"] = perTrip(bareCpu);
        State.counters["cpu_ratio"] = programCpu / bareCpu;
        State.counters["program_waits_per_trip"] = program->Own.Waits / PacedTrips;
        State.counters["bare_waits_per_trip"] = bare->Own.Waits / PacedTrips;
        // With the device's own time on each side, as when it ran in this process.
        State.counters["device_cpu_ms_per_trip"] = perTrip(bare->DeviceCpuSeconds);
        State.counters["cpu_ratio_with_device"] =
            (programCpu + program->DeviceCpuSeconds) / (bareCpu + bare->DeviceCpuSeconds);
    }
}
BENCHMARK(ThousandRoundTripsPaced57600)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
