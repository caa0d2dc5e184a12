#include "bench/script/ScriptAgainstQjs.h"

#include "bench/support/Timings.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <set>

namespace scriptbench
{

const char *const Languages[4] = {"PascalScript", "C++Script", "JScript", "BasicScript"};

double ThreadSeconds()
{
    timespec Now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &Now);
    return static_cast<double>(Now.tv_sec) + static_cast<double>(Now.tv_nsec) * 1e-9;
}

void TSummary::Add(const std::string &Shape, int Language, int Size,
                   const std::vector<double> &Ours, const std::vector<double> &Qt)
{
    if (std::find(FShapes.begin(), FShapes.end(), Shape) == FShapes.end()) FShapes.push_back(Shape);
    FResults[{Shape, Language, Size}] = {bench::Median(Ours), bench::Median(Qt)};
}

double TSummary::TimeAt(const std::string &Shape, int Language, int Size, bool Qt) const
{
    auto It = FResults.find({Shape, Language, Size});
    return It == FResults.end() ? 0.0 : Qt ? It->second.Qt : It->second.Ours;
}

void TSummary::PrintRow(const std::string &Shape, int Language, bool Qt) const
{
    std::set<int> Sizes;
    for (const auto &[Key, Result] : FResults)
        if (std::get<0>(Key) == Shape && std::get<1>(Key) == Language)
            Sizes.insert(std::get<2>(Key));
    std::printf("    %-13s", Qt ? "QJSEngine" : Languages[Language]);
    for (int Size : Sizes) {
        const double Time = TimeAt(Shape, Language, Size, Qt);
        std::printf("  %dk %.2f ms", Size / 1000, Time * 1e3);
        if (!Qt) std::printf(" (x%.2f)", Time / TimeAt(Shape, Language, Size, true));
        const double Half = Size % 2 == 0 ? TimeAt(Shape, Language, Size / 2, Qt) : 0;
        if (Half > 0) std::printf(" [/2: x%.2f]", Time / Half);
    }
    std::printf("\n");
}

void TSummary::Print() const
{
    std::printf("\nThread CPU time; (x ours / QJSEngine, below 1: ours is faster); [/2: growth "
                "from half the size, 2 linear, 4 quadratic]:\n");
    for (const std::string &Shape : FShapes) {
        std::printf("  %s\n", Shape.c_str());
        int First = -1;
        for (int Language = 0; Language < 4; ++Language) {
            bool Ran = false;
            for (const auto &[Key, Result] : FResults)
                Ran = Ran || (std::get<0>(Key) == Shape && std::get<1>(Key) == Language);
            if (!Ran) continue;
            if (First < 0) First = Language;
            PrintRow(Shape, Language, false);
        }
        if (First >= 0) PrintRow(Shape, First, true);
    }
}

int Run(int argc, char **argv, void (*Register)(), const TSummary &Summary)
{
    QCoreApplication App(argc, argv);
    Register();
    bench::RunAll(argc, argv);
    Summary.Print();
    return 0;
}

} // namespace scriptbench
