#include "bench/support/Timings.h"

#include <benchmark/benchmark.h>

#include <algorithm>

namespace bench
{
namespace
{

class KeepingReporter : public benchmark::ConsoleReporter
{
public:
    explicit KeepingReporter(Timings &Times) : FTimes(Times) {}

    void ReportRuns(const std::vector<Run> &Runs) override
    {
        for (const Run &run : Runs) {
            double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
            FTimes[run.benchmark_name()] = {run.GetAdjustedRealTime() / unit,
                                            run.GetAdjustedCPUTime() / unit};
        }
        ConsoleReporter::ReportRuns(Runs);
    }

private:
    Timings &FTimes;
};

} // namespace

Timings RunAll(int &argc, char **argv)
{
    Timings times;
    benchmark::Initialize(&argc, argv);
    KeepingReporter reporter(times);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return times;
}

double Median(std::vector<double> Values)
{
    if (Values.empty()) return 0;
    std::sort(Values.begin(), Values.end());
    const std::size_t middle = Values.size() / 2;
    return Values.size() % 2 ? Values[middle] : (Values[middle - 1] + Values[middle]) / 2;
}

double Ratio(const Timings &Times, const std::string &Ours, const std::string &Theirs, bool Cpu)
{
    auto ours = Times.find(Ours);
    auto theirs = Times.find(Theirs);
    if (ours == Times.end() || theirs == Times.end()) return 0;
    return Cpu ? ours->second.CpuSeconds / theirs->second.CpuSeconds
               : ours->second.RealSeconds / theirs->second.RealSeconds;
}

} // namespace bench
