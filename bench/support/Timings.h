#pragma once

// Runs a benchmark program's cases and keeps their times, so that the program
// can print its ratios against the baselines after the usual console table.

#include <map>
#include <string>
#include <vector>

namespace bench
{

struct Timing {
    double RealSeconds = 0; // per iteration
    double CpuSeconds = 0;  // per iteration
};

using Timings = std::map<std::string, Timing>;

// Initialises Google Benchmark from the command line, runs every registered
// case with the console output and returns each case's time by its name.
Timings RunAll(int &argc, char **argv);

// The middle value (of the two middle ones, their mean); 0 for none.
double Median(std::vector<double> Values);

// Ours / Theirs by real or CPU time; 0 when either case did not run.
double Ratio(const Timings &Times, const std::string &Ours, const std::string &Theirs,
             bool Cpu = false);

} // namespace bench
