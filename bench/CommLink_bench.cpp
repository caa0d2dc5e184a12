// Round trips of a 6-byte archive read and its 22-byte answer through TCommPort and the
// simulated device on a pseudo-terminal: unpaced, the time is the program's own overhead
// (rings, five threads, synchronised event); paced at 57600 baud, the counter wire_ratio is
// the time of 1000 round trips over their wire time (28 bytes x 10 bits / 57600 each).

#include "link/CommPort.h"
#include "tools/devsim/Simulator.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
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
            if (!CheckSynchronize(1) && ++idle > 3000) return false; // no answer within about 3 s
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

} // namespace
