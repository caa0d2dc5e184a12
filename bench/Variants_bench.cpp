// Speed of variant arithmetic, comparison and text conversion, and of property
// access by name through type information, against the same operations on
// plain C++ values, printed as ratios at the end (variant or by-name time
// divided by plain time).

#include "platform/rtl/TypInfo.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace
{

class TBenchThing : public TComponent
{
    QRV4_CLASS(TBenchThing, TComponent)

public:
    explicit TBenchThing(TComponent *AOwner) : TComponent(AOwner) {}
    int Left() const { return FLeft; }
    void SetLeft(int Value) { FLeft = Value; }
    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; }
    const AnsiString &Caption() const { return FCaption; }
    void SetCaption(const AnsiString &Value) { FCaption = Value; }

    static void Publish(rtl::Publisher<TBenchThing> &P)
    {
        P.Property("Left", &TBenchThing::Left, &TBenchThing::SetLeft).Default(0);
        P.Property("Caption", &TBenchThing::Caption, &TBenchThing::SetCaption);
        P.Property("Width", &TBenchThing::Width, &TBenchThing::SetWidth).Default(0);
    }

private:
    int FLeft = 0;
    int FWidth = 0;
    AnsiString FCaption;
};

QRV4_PUBLISHED(TBenchThing)

// Values that keep the loops from folding into constants.
const std::vector<int> &Ints()
{
    static const std::vector<int> v = [] {
        std::vector<int> r;
        for (int i = 0; i < 1024; ++i)
            r.push_back(i * 7919 % 100003 - 50000);
        return r;
    }();
    return v;
}

template <class Op> void Loop(benchmark::State &State, Op op)
{
    const std::vector<int> &v = Ints();
    std::size_t i = 0;
    for (auto _ : State) {
        op(v[i], v[(i + 1) & 1023]);
        i = (i + 1) & 1023;
    }
    State.SetItemsProcessed(State.iterations());
}

void AddInt_Variant(benchmark::State &s)
{
    Loop(s, [](int a, int b) { benchmark::DoNotOptimize(Variant(a) + Variant(b)); });
}
void AddInt_Plain(benchmark::State &s)
{
    Loop(s, [](int a, int b) { benchmark::DoNotOptimize(static_cast<long long>(a) + b); });
}
void AddDouble_Variant(benchmark::State &s)
{
    Loop(s, [](int a, int b) { benchmark::DoNotOptimize(Variant(a * 0.5) + Variant(b * 0.25)); });
}
void AddDouble_Plain(benchmark::State &s)
{
    Loop(s, [](int a, int b) { benchmark::DoNotOptimize(a * 0.5 + b * 0.25); });
}
void Compare_Variant(benchmark::State &s)
{
    Loop(s, [](int a, int b) { benchmark::DoNotOptimize(Variant(a) < Variant(b * 0.5)); });
}
void Compare_Plain(benchmark::State &s)
{
    Loop(s, [](int a, int b) { benchmark::DoNotOptimize(a < b * 0.5); });
}
void IntToText_Variant(benchmark::State &s)
{
    Loop(s, [](int a, int) { benchmark::DoNotOptimize(VarToStr(Variant(a))); });
}
void IntToText_Plain(benchmark::State &s)
{
    Loop(s, [](int a, int) { benchmark::DoNotOptimize(IntToStr(a)); });
}
void FloatToText_Variant(benchmark::State &s)
{
    Loop(s, [](int a, int) { benchmark::DoNotOptimize(VarToStr(Variant(a / 7.0))); });
}
void FloatToText_Plain(benchmark::State &s)
{
    Loop(s, [](int a, int) { benchmark::DoNotOptimize(FloatToStr(a / 7.0)); });
}

std::unique_ptr<TBenchThing> Thing = std::make_unique<TBenchThing>(nullptr);

void GetProp_ByName(benchmark::State &s)
{
    Loop(s, [](int, int) { benchmark::DoNotOptimize(GetOrdProp(Thing.get(), "Width")); });
}
void GetProp_ByInfo(benchmark::State &s)
{
    PPropInfo Info = GetPropInfo(Thing.get(), "Width");
    Loop(s, [Info](int, int) { benchmark::DoNotOptimize(GetOrdProp(Thing.get(), Info)); });
}
void GetProp_Plain(benchmark::State &s)
{
    TBenchThing *t = Thing.get();
    benchmark::DoNotOptimize(t);
    Loop(s, [t](int, int) { benchmark::DoNotOptimize(t->Width()); });
}
void SetProp_ByName(benchmark::State &s)
{
    Loop(s, [](int a, int) { SetOrdProp(Thing.get(), "Width", a); });
}
void SetProp_ByInfo(benchmark::State &s)
{
    PPropInfo Info = GetPropInfo(Thing.get(), "Width");
    Loop(s, [Info](int a, int) { SetOrdProp(Thing.get(), Info, a); });
}
void SetProp_Plain(benchmark::State &s)
{
    TBenchThing *t = Thing.get();
    benchmark::DoNotOptimize(t);
    Loop(s, [t](int a, int) {
        t->SetWidth(a);
        benchmark::ClobberMemory();
    });
}
void PropValue_ByName(benchmark::State &s)
{
    Loop(s, [](int a, int) {
        SetPropValue(Thing.get(), "Width", Variant(a));
        benchmark::DoNotOptimize(GetPropValue(Thing.get(), "Width"));
    });
}
void PropValue_Plain(benchmark::State &s)
{
    TBenchThing *t = Thing.get();
    benchmark::DoNotOptimize(t);
    Loop(s, [t](int a, int) {
        t->SetWidth(a);
        benchmark::DoNotOptimize(t->Width());
    });
}

BENCHMARK(AddInt_Variant);
BENCHMARK(AddInt_Plain);
BENCHMARK(AddDouble_Variant);
BENCHMARK(AddDouble_Plain);
BENCHMARK(Compare_Variant);
BENCHMARK(Compare_Plain);
BENCHMARK(IntToText_Variant);
BENCHMARK(IntToText_Plain);
BENCHMARK(FloatToText_Variant);
BENCHMARK(FloatToText_Plain);
BENCHMARK(GetProp_ByName);
BENCHMARK(GetProp_ByInfo);
BENCHMARK(GetProp_Plain);
BENCHMARK(SetProp_ByName);
BENCHMARK(SetProp_ByInfo);
BENCHMARK(SetProp_Plain);
BENCHMARK(PropValue_ByName);
BENCHMARK(PropValue_Plain);

// Keeps each case's time per operation for the ratio table.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &Runs) override
    {
        for (const Run &run : Runs)
            Times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(Runs);
    }
    std::map<std::string, double> Times;
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto &t = reporter.Times;
    auto ratio = [&](const std::string &Slow, const std::string &Fast) {
        return t.count(Slow) && t.count(Fast) ? t[Slow] / t[Fast] : 0.0;
    };
    std::printf("\nTime ratios (variant or by name / plain C++):\n");
    const char *variants[][2] = {{"AddInt", "integer +"},
                                 {"AddDouble", "double +"},
                                 {"Compare", "integer < double"},
                                 {"IntToText", "integer to text"},
                                 {"FloatToText", "double to text"}};
    for (auto &[key, label] : variants)
        std::printf("  %-20s %7.2f\n", label,
                    ratio(std::string(key) + "_Variant", std::string(key) + "_Plain"));
    const char *props[][2] = {{"GetProp", "get ordinal"}, {"SetProp", "set ordinal"}};
    for (auto &[key, label] : props)
        std::printf("  %-20s %7.2f by name, %7.2f by property record\n", label,
                    ratio(std::string(key) + "_ByName", std::string(key) + "_Plain"),
                    ratio(std::string(key) + "_ByInfo", std::string(key) + "_Plain"));
    std::printf("  %-20s %7.2f by name\n", "set+get as variant",
                ratio("PropValue_ByName", "PropValue_Plain"));
    benchmark::Shutdown();
    return 0;
}
