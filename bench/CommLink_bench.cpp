// Round trips of a 6-byte archive read and its 22-byte answer through TCommPort and the
// simulated device on a pseudo-terminal: unpaced, the time is the program's own overhead
// (rings, five threads, synchronised event); paced at 57600 baud, the counter wire_ratio is
// the time of 1000 round trips over their wire time (28 bytes x 10 bits / 57600 each).
// The process's CPU per paced trip is measured through the port and through a bare client
// (a raw terminal read as the answer comes) on the same simulated device, and both figures
// are printed with their ratio at the end.

#include "link/CommPort.h"
#include "tools/devsim/Simulator.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

namespace
{

constexpr int BenchCom = 9;
constexpr std::size_t FrameBytes = 6, AnswerBytes = 22;
const BYTE ReadRecord[FrameBytes] = {0xA5, 0x31, 0x62, 0x00, 0x10, 0xA3};

// A port on a fresh simulator, with a data handler that takes each whole answer.
class TLink
{
public:
    explicit TLink(bool Paced, int Baud)
    {
        FFolder =
            std::filesystem::temp_directory_path() / ("commlink_bench_" + std::to_string(getpid()));
        setenv("QRV4_PORTS", FFolder.c_str(), 1);
        FSim.Expose(BenchCom);
        FSim.SetBehaviour({.Paced = Paced});
        FPort.SetComNumber(BenchCom);
        FPort.SetBaud(Baud);
        FPort.OnDataReceived = [this](TObject *, DWORD Count) {
            if (Count < AnswerBytes) return;
            BYTE answer[AnswerBytes];
            FPort.GetBlock(answer, AnswerBytes);
            FAnswered = true;
        };
        FPort.SetOpen(true);
    }
    ~TLink()
    {
        FPort.SetOpen(false);
        std::filesystem::remove_all(FFolder);
    }

    bool RoundTrip()
    {
        FAnswered = false;
        FPort.PutBlock(ReadRecord, FrameBytes);
        for (int idle = 0; !FAnswered;)
            // The main thread sleeps until a synchronised call comes, as in the program's loop.
            if (!CheckSynchronize(100) && ++idle > 30) return false; // no answer within about 3 s
        return true;
    }
    bool IsOpen() const { return FPort.Open(); }

private:
    std::filesystem::path FFolder;
    devsim::TSimulator FSim;
    TCommPort FPort{nullptr};
    bool FAnswered = false;
};

void RoundTripUnpaced(benchmark::State &State)
{
    TLink link(false, 57600);
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

void ThousandRoundTripsPaced57600(benchmark::State &State)
{
    constexpr int Trips = 1000;
    constexpr double Baud = 57600;
    const double wire = Trips * (FrameBytes + AnswerBytes) * 10 / Baud;
    TLink link(true, int(Baud));
    for (auto _ : State) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < Trips; ++i)
            if (!link.RoundTrip()) {
                State.SkipWithError("no answer");
                return;
            }
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        State.counters["wire_s"] = wire;
        State.counters["wire_ratio"] = spent.count() / wire;
    }
}
BENCHMARK(ThousandRoundTripsPaced57600)->Iterations(1)->Unit(benchmark::kMillisecond);

// ---- process CPU per paced trip: the port beside a bare client ----

constexpr int CpuTrips = 1000;
double ProgramCpuPerTrip = 0;
double BareCpuPerTrip = 0;

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &T) { return double(T.tv_sec) + T.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs Trip CpuTrips times; the process's CPU seconds per trip, or a negative value when a
// trip got no answer.
template <typename TTrip> double CpuPerTrip(TTrip Trip)
{
    const double start = ProcessCpuSeconds();
    for (int i = 0; i < CpuTrips; ++i)
        if (!Trip()) return -1;
    return (ProcessCpuSeconds() - start) / CpuTrips;
}

void PacedTripCpu_Program(benchmark::State &State)
{
    TLink link(true, 57600);
    for (auto _ : State)
        ProgramCpuPerTrip = CpuPerTrip([&] { return link.RoundTrip(); });
    if (ProgramCpuPerTrip < 0) State.SkipWithError("no answer");
    State.counters["cpu_ms_per_trip"] = ProgramCpuPerTrip * 1e3;
}
BENCHMARK(PacedTripCpu_Program)->Iterations(1)->Unit(benchmark::kMillisecond);

// What the least a client can do: write the frame, then read the answer as it comes.
class TBareClient
{
public:
    TBareClient()
    {
        FSim.SetBehaviour({.Paced = true});
        FFd = open(FSim.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (FFd >= 0) devsim::MakeRawLine(FFd, B57600);
    }
    ~TBareClient()
    {
        if (FFd >= 0) close(FFd);
    }
    TBareClient(const TBareClient &) = delete;
    TBareClient &operator=(const TBareClient &) = delete;

    bool RoundTrip()
    {
        if (write(FFd, ReadRecord, FrameBytes) != ssize_t(FrameBytes)) return false;
        BYTE answer[AnswerBytes];
        for (std::size_t got = 0; got < AnswerBytes;) {
            pollfd p{FFd, POLLIN, 0};
            if (poll(&p, 1, 3000) <= 0) return false;
            const ssize_t n = read(FFd, answer + got, AnswerBytes - got);
            if (n <= 0) return false;
            got += std::size_t(n);
        }
        return true;
    }
    bool IsOpen() const { return FFd >= 0; }

private:
    devsim::TSimulator FSim;
    int FFd = -1;
};

void PacedTripCpu_BareClient(benchmark::State &State)
{
    TBareClient client;
    if (!client.IsOpen()) {
        State.SkipWithError("the simulated device did not open");
        return;
    }
    for (auto _ : State)
        BareCpuPerTrip = CpuPerTrip([&] { return client.RoundTrip(); });
    if (BareCpuPerTrip < 0) State.SkipWithError("no answer");
    State.counters["cpu_ms_per_trip"] = BareCpuPerTrip * 1e3;
}
BENCHMARK(PacedTripCpu_BareClient)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (ProgramCpuPerTrip > 0 && BareCpuPerTrip > 0)
        std::printf(
            "\nProcess CPU per paced trip at 57600 baud (simulator included on both sides):\n"
            "  through TCommPort %.3f ms, bare client %.3f ms, ratio %.2f (goal <= 1.5)\n",
            ProgramCpuPerTrip * 1e3, BareCpuPerTrip * 1e3, ProgramCpuPerTrip / BareCpuPerTrip);
    return 0;
}
