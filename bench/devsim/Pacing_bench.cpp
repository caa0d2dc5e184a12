// How close the simulated device keeps to the line's speed, as a bare program on the other
// end of the pseudo-terminal sees it: block reads of 6 bytes answered with 22, one after the
// other. wire_ratio is the time of the round trips over their wire time (10 bits a byte);
// what is above 1 is the device's lateness plus the terminal's and this client's wake-ups,
// the part of every benchmark through the device that the program cannot take out.

#include "tools/devsim/Simulator.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace
{

constexpr std::uint8_t BlockRead[] = {0xA5, 0x31, 0x62, 0x00, 0x10, 0xA3};
constexpr std::size_t AnswerBytes = 22;

struct SpeedCode {
    int Baud;
    speed_t Code;
};
constexpr SpeedCode Speeds[] = {{9600, B9600}, {57600, B57600}};

// The program's end of the line, raw, at the given speed.
class TBareLine
{
public:
    TBareLine(const std::string &Path, speed_t Speed)
        : FFd(open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios tio{};
        tcgetattr(FFd, &tio);
        cfmakeraw(&tio);
        cfsetispeed(&tio, Speed);
        cfsetospeed(&tio, Speed);
        tcsetattr(FFd, TCSANOW, &tio);
    }
    ~TBareLine() { close(FFd); }
    TBareLine(const TBareLine &) = delete;
    TBareLine &operator=(const TBareLine &) = delete;

    bool RoundTrip()
    {
        if (write(FFd, BlockRead, sizeof BlockRead) != ssize_t(sizeof BlockRead)) return false;
        std::size_t got = 0;
        while (got < AnswerBytes) {
            pollfd p{FFd, POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0) return false;
            std::uint8_t chunk[64];
            const ssize_t n = read(FFd, chunk, sizeof chunk);
            if (n <= 0) return false;
            got += static_cast<std::size_t>(n);
        }
        return got == AnswerBytes;
    }

private:
    int FFd;
};

void PacedRoundTrips(benchmark::State &State)
{
    const SpeedCode speed = Speeds[State.range(0)];
    constexpr int Trips = 500;
    const double wire = Trips * (sizeof BlockRead + AnswerBytes) * 10.0 / speed.Baud;
    devsim::TSimulator sim;
    TBareLine line(sim.DevicePath(), speed.Code);
    sim.SetBehaviour({.Paced = true});
    for (auto _ : State) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < Trips; ++i)
            if (!line.RoundTrip()) {
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
