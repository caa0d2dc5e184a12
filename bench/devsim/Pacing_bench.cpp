// How close the simulated device keeps to the line's speed, as a bare program on the other
// end of the pseudo-terminal sees it: block reads of 6 bytes answered with 22, one after the
// other. wire_ratio is the time of the round trips over their wire time (10 bits a byte);
// what is above 1 is the device's lateness plus the terminal's and this client's wake-ups,
// the part of every benchmark through the device that the program cannot take out.

#include "tools/devsim/Simulator.h"
#include "tools/devsim/client/BareLine.h"

#include <benchmark/benchmark.h>

namespace
{

const devsim::Bytes BlockRead = {0xA5, 0x31, 0x62, 0x00, 0x10, 0xA3};
constexpr std::size_t AnswerBytes = 22;

struct SpeedCode {
    int Baud;
    speed_t Code;
};
constexpr SpeedCode Speeds[] = {{9600, B9600}, {57600, B57600}};

bool RoundTrip(devsim::TBareLine &Line)
{
    using namespace std::chrono_literals;
    return Line.Send(BlockRead) && Line.Receive(AnswerBytes, 1000ms).size() == AnswerBytes;
}

void PacedRoundTrips(benchmark::State &State)
{
    const SpeedCode speed = Speeds[State.range(0)];
    constexpr int Trips = 500;
    const double wire = Trips * (BlockRead.size() + AnswerBytes) * 10.0 / speed.Baud;
    devsim::TSimulator sim;
    devsim::TBareLine line(sim.DevicePath(), speed.Code);
    sim.SetBehaviour({.Paced = true});
    for (auto _ : State) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < Trips; ++i)
            if (!RoundTrip(line)) {
                State.SkipWithError("no answer");
                return;
            }
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        State.counters["baud"] = speed.Baud;
        State.counters["wire_ratio"] = spent.count() / wire;
        State.counters["over_per_trip_us"] = (spent.count() - wire) / Trips * 1e6;
    }
}
BENCHMARK(PacedRoundTrips)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
