// Speed of our float-to-text routines against the C library and std::to_chars on
// the same numbers, printed as ratios at the end (ours / theirs: above 1 is slower).

#include "platform/rtl/SysUtils.h"

#include "bench/support/Timings.h"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace
{

// Prices, measurements and a spread of magnitudes, the same for every case.
const std::vector<double> &Numbers()
{
    static const std::vector<double> numbers = [] {
        std::mt19937_64 random(42);
        std::uniform_real_distribution<double> price(0, 100000), unit(0, 1);
        std::uniform_int_distribution<int> exponent(-8, 15);
        std::vector<double> v;
        for (int i = 0; i < 1024; ++i) {
            if (i % 3 == 0)
                v.push_back(static_cast<long long>(price(random) * 100) / 100.0);
            else if (i % 3 == 1)
                v.push_back(price(random));
            else
                v.push_back(unit(random) * std::pow(10.0, exponent(random)));
        }
        return v;
    }();
    return numbers;
}

template <class Convert> void Run(benchmark::State &State, Convert convert)
{
    const std::vector<double> &numbers = Numbers();
    std::size_t i = 0;
    for (auto _ : State) {
        benchmark::DoNotOptimize(convert(numbers[i]));
        i = (i + 1) % numbers.size();
    }
    State.SetItemsProcessed(State.iterations());
}

std::string Printf(const char *Fmt, double Value)
{
    char buf[64];
    int n = std::snprintf(buf, sizeof buf, Fmt, Value);
    return std::string(buf, n);
}

std::string ToChars(double Value, std::chars_format Form, int Precision)
{
    char buf[64];
    auto end = Precision < 0 ? std::to_chars(buf, buf + sizeof buf, Value, Form).ptr
                             : std::to_chars(buf, buf + sizeof buf, Value, Form, Precision).ptr;
    return std::string(buf, end);
}

void FloatToStr_Ours(benchmark::State &s)
{
    Run(s, [](double v) { return FloatToStr(v); });
}
void FloatToStr_Snprintf(benchmark::State &s)
{
    Run(s, [](double v) { return Printf("%.15g", v); });
}
void FloatToStr_ToChars(benchmark::State &s)
{
    Run(s, [](double v) { return ToChars(v, std::chars_format::general, 15); });
}

void Fixed2_Ours(benchmark::State &s)
{
    Run(s, [](double v) { return Format("%.2f", {v}); });
}
void Fixed2_Snprintf(benchmark::State &s)
{
    Run(s, [](double v) { return Printf("%.2f", v); });
}
void Fixed2_ToChars(benchmark::State &s)
{
    Run(s, [](double v) { return ToChars(v, std::chars_format::fixed, 2); });
}

void Picture_Ours(benchmark::State &s)
{
    Run(s, [](double v) { return FormatFloat("#,##0.00", v); });
}
void Picture_Snprintf(benchmark::State &s)
{
    Run(s, [](double v) { return Printf("%'.2f", v); });
}
void Picture_ToChars(benchmark::State &s)
{
    Run(s, [](double v) { return ToChars(v, std::chars_format::fixed, 2); });
}

BENCHMARK(FloatToStr_Ours);
BENCHMARK(FloatToStr_Snprintf);
BENCHMARK(FloatToStr_ToChars);
BENCHMARK(Fixed2_Ours);
BENCHMARK(Fixed2_Snprintf);
BENCHMARK(Fixed2_ToChars);
BENCHMARK(Picture_Ours);
BENCHMARK(Picture_Snprintf);
BENCHMARK(Picture_ToChars);

} // namespace

int main(int argc, char **argv)
{
    bench::Timings t = bench::RunAll(argc, argv);
    std::printf("\nTime ratios (ours / theirs; above 1 means ours is slower):\n");
    const char *routines[][2] = {{"FloatToStr", "FloatToStr"},
                                 {"Fixed2", "Format(\"%.2f\")"},
                                 {"Picture", "FormatFloat(\"#,##0.00\")"}};
    for (auto &[key, label] : routines) {
        std::string base = key;
        std::printf("  %-26s vs snprintf %5.2f   vs std::to_chars %5.2f\n", label,
                    bench::Ratio(t, base + "_Ours", base + "_Snprintf"),
                    bench::Ratio(t, base + "_Ours", base + "_ToChars"));
    }
    return 0;
}
