// Speed of the script engine on the two loads the program gives it: a report
// expression evaluated once per printed row, and a plain loop in PascalScript.
// Each is measured against the same work written in C++, and the ratios are
// printed at the end (script / C++: how many times slower the script is).

#include "platform/rtl/SysUtils.h"
#include "script/fs_ihelpers.h"
#include "script/fs_iinterpreter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace
{

// The host's value lookup, as the report answers Get for a data field.
Variant LookUp(const AnsiString &Name, int Row)
{
    return Name == "price" ? Variant(10.5 + Row % 7) : Variant(Row % 5 + 1);
}

void Expression_Script(benchmark::State &State)
{
    int Row = 0;
    TfsScript Script(nullptr);
    Script.AddRTTI();
    Script.SetSyntaxType("C++Script");
    Script.AddMethod("function Get(Name: String): Variant",
                     [&Row](TObject *, TClass, const AnsiString &, TfsMethodHelper *Caller) {
                         return LookUp(Caller->GetVParam(0).AsString(), Row);
                     });
    Script.Lines()->Add("Variant frxf0() { return FormatFloat(\"0.00\", Get(\"price\") * "
                        "Get(\"qty\")); } {}");
    if (!Script.Compile()) {
        State.SkipWithError(Script.ErrorMsg.c_str());
        return;
    }
    for (auto _ : State) {
        benchmark::DoNotOptimize(Script.CallFunction("frxf0", Null()));
        ++Row;
    }
    State.SetItemsProcessed(State.iterations());
}

void Expression_Cpp(benchmark::State &State)
{
    int Row = 0;
    std::function<Variant(const AnsiString &)> Get = [&Row](const AnsiString &Name) {
        return LookUp(Name, Row);
    };
    for (auto _ : State) {
        Variant Value = Get("price") * Get("qty");
        benchmark::DoNotOptimize(Variant(FormatFloat("0.00", Value.AsDouble())));
        ++Row;
    }
    State.SetItemsProcessed(State.iterations());
}

void Loop_Script(benchmark::State &State)
{
    TfsScript Script(nullptr);
    Script.AddRTTI();
    Script.Lines()->Add("var i, s: Integer;");
    Script.Lines()->Add("begin s := 0; for i := 1 to 1000000 do s := s + i mod 7; end.");
    if (!Script.Compile()) {
        State.SkipWithError(Script.ErrorMsg.c_str());
        return;
    }
    for (auto _ : State) {
        Script.Execute();
        benchmark::DoNotOptimize(Script.Variables("s"));
    }
}

void Loop_Cpp(benchmark::State &State)
{
    for (auto _ : State) {
        long long S = 0;
        for (int I = 1; I <= 1000000; ++I) {
            S = S + I % 7;
            benchmark::DoNotOptimize(S);
        }
        benchmark::DoNotOptimize(S);
    }
}

BENCHMARK(Expression_Script);
BENCHMARK(Expression_Cpp);
BENCHMARK(Loop_Script)->Unit(benchmark::kMillisecond);
BENCHMARK(Loop_Cpp)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &Runs) override
    {
        for (const Run &R : Runs)
            Times[R.benchmark_name()] =
                R.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(R.time_unit);
        ConsoleReporter::ReportRuns(Runs);
    }
    std::map<std::string, double> Times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter Reporter;
    benchmark::RunSpecifiedBenchmarks(&Reporter);
    auto &T = Reporter.Times;
    std::printf("\nScript / C++ time ratios (how many times slower the script is):\n");
    if (T.count("Expression_Script") && T.count("Expression_Cpp"))
        std::printf("  report expression FormatFloat(Get*Get): %6.1f  (%.0f evaluations/s)\n",
                    T["Expression_Script"] / T["Expression_Cpp"], 1.0 / T["Expression_Script"]);
    if (T.count("Loop_Script") && T.count("Loop_Cpp"))
        std::printf("  1,000,000-pass PascalScript loop:      %6.1f  (%.1f ms per run)\n",
                    T["Loop_Script"] / T["Loop_Cpp"], T["Loop_Script"] * 1e3);
    benchmark::Shutdown();
    return 0;
}
