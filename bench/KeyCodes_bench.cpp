// Key-code decoding runs once per archive record and address-book cell (up to 2500 and 1000
// per read); the receipt sum once per print. Both are measured against a plain copy of the
// code text, the floor any conversion of a 16-digit text has to pay.

#include "link/helpers.h"
#include "link/key_codes.h"

#include <benchmark/benchmark.h>

namespace
{

void CopyCodeText(benchmark::State &State)
{
    AnsiString device = "000000B7D7E7EE01";
    for (auto _ : State) {
        AnsiString code = device;
        benchmark::DoNotOptimize(code);
    }
}
BENCHMARK(CopyCodeText);

void DecodeEveryTypeAndMode(benchmark::State &State)
{
    AnsiString device = "000000B7D7E7EE01";
    for (auto _ : State)
        for (int type = 0; type < 4; ++type)
            for (int mode = 0; mode < 8; ++mode) {
                AnsiString code = device;
                DecodeKeyCode(type, mode, code);
                benchmark::DoNotOptimize(code);
            }
    State.SetItemsProcessed(State.iterations() * 32);
}
BENCHMARK(DecodeEveryTypeAndMode);

void NormalizeSpacedCode(benchmark::State &State)
{
    for (auto _ : State) {
        AnsiString code = "FF 11 22 33 44 48 CF 77";
        benchmark::DoNotOptimize(NormalizeKeyText(2, code));
    }
}
BENCHMARK(NormalizeSpacedCode);

void ReceiptSumInWords(benchmark::State &State)
{
    for (auto _ : State)
        benchmark::DoNotOptimize(SumInWords(1234567.89));
}
BENCHMARK(ReceiptSumInWords);

} // namespace
