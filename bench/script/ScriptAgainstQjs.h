#pragma once

// What the script benchmarks that race a script against the same work in QJSEngine
// share: thread CPU time, the medians of each pair's times, and the summary of
// ours / QJSEngine at each size with how each grows when the size doubles.

#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace scriptbench
{

extern const char *const Languages[4];

double ThreadSeconds();

template <class Fn> double Seconds(Fn Run)
{
    const double Start = ThreadSeconds();
    Run();
    return ThreadSeconds() - Start;
}

class TSummary
{
public:
    // The medians of the times measured alternating for one shape, language and size.
    void Add(const std::string &Shape, int Language, int Size, const std::vector<double> &Ours,
             const std::vector<double> &Qt);
    // Per shape: each language's times (x ours / QJSEngine) [growth from half the size],
    // then QJSEngine's, measured beside the first language that ran.
    void Print() const;

private:
    struct TResult {
        double Ours = 0;
        double Qt = 0;
    };
    void PrintRow(const std::string &Shape, int Language, bool Qt) const;
    double TimeAt(const std::string &Shape, int Language, int Size, bool Qt) const;

    std::vector<std::string> FShapes; // in the order they ran
    std::map<std::tuple<std::string, int, int>, TResult> FResults;
};

// The program: a Qt application for QJSEngine, the registered cases, then the summary.
int Run(int argc, char **argv, void (*Register)(), const TSummary &Summary);

} // namespace scriptbench
