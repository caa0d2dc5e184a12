// Speed of the string list, the memory stream and Synchronize against plain
// standard-library counterparts, printed as ratios at the end (ours / theirs).

#include "platform/rtl/Classes.h"

#include "bench/support/Timings.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace
{

// Names like a report's objects and a script's identifiers, in both cases.
const std::vector<AnsiString> &Keys()
{
    static const std::vector<AnsiString> keys = [] {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> letter(0, 25), length(4, 14), upper(0, 1);
        std::vector<AnsiString> v;
        for (int i = 0; i < 4096; ++i) {
            std::string s;
            for (int n = length(random); n > 0; --n)
                s += static_cast<char>((upper(random) ? 'A' : 'a') + letter(random));
            v.emplace_back(s);
        }
        return v;
    }();
    return keys;
}

struct NoCase {
    bool operator()(const AnsiString &A, const AnsiString &B) const
    {
        return AnsiCompareText(A, B) < 0;
    }
};

void SortedAdd_Ours(benchmark::State &State)
{
    for (auto _ : State) {
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(dupAccept);
        for (const AnsiString &key : Keys())
            list.Add(key);
        benchmark::DoNotOptimize(list.Count());
    }
    State.SetItemsProcessed(State.iterations() * Keys().size());
}

void SortedAdd_Map(benchmark::State &State)
{
    for (auto _ : State) {
        std::multimap<AnsiString, TObject *, NoCase> map;
        for (const AnsiString &key : Keys())
            map.emplace(key, nullptr);
        benchmark::DoNotOptimize(map.size());
    }
    State.SetItemsProcessed(State.iterations() * Keys().size());
}

void Find_Ours(benchmark::State &State)
{
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupAccept);
    for (const AnsiString &key : Keys())
        list.Add(key);
    std::size_t i = 0;
    for (auto _ : State) {
        int index;
        benchmark::DoNotOptimize(list.Find(Keys()[i], index));
        i = (i + 1) % Keys().size();
    }
    State.SetItemsProcessed(State.iterations());
}

void Find_Map(benchmark::State &State)
{
    std::multimap<AnsiString, TObject *, NoCase> map;
    for (const AnsiString &key : Keys())
        map.emplace(key, nullptr);
    std::size_t i = 0;
    for (auto _ : State) {
        benchmark::DoNotOptimize(map.find(Keys()[i]));
        i = (i + 1) % Keys().size();
    }
    State.SetItemsProcessed(State.iterations());
}

void StreamWrite_Ours(benchmark::State &State)
{
    const char record[16] = "0123456789abcde";
    for (auto _ : State) {
        TMemoryStream stream;
        for (int i = 0; i < 65536; ++i)
            stream.WriteBuffer(record, sizeof record);
        benchmark::DoNotOptimize(stream.Memory());
    }
    State.SetBytesProcessed(State.iterations() * 65536 * 16);
}

void StreamWrite_Vector(benchmark::State &State)
{
    const char record[16] = "0123456789abcde";
    for (auto _ : State) {
        std::vector<char> bytes;
        for (int i = 0; i < 65536; ++i)
            bytes.insert(bytes.end(), record, record + sizeof record);
        benchmark::DoNotOptimize(bytes.data());
    }
    State.SetBytesProcessed(State.iterations() * 65536 * 16);
}

// A worker that synchronises a thousand calls while the main thread waits.
class TSyncWorker : public TThread
{
    QRV4_CLASS(TSyncWorker, TThread)

protected:
    void Execute() override
    {
        for (int i = 0; i < 1000; ++i)
            Synchronize([this] { ++Count; });
    }

public:
    int Count = 0;
};

void Synchronize_RoundTrip(benchmark::State &State)
{
    for (auto _ : State) {
        TSyncWorker worker;
        worker.Start();
        worker.WaitFor();
        benchmark::DoNotOptimize(worker.Count);
    }
    State.SetItemsProcessed(State.iterations() * 1000);
}

BENCHMARK(SortedAdd_Ours);
BENCHMARK(SortedAdd_Map);
BENCHMARK(Find_Ours);
BENCHMARK(Find_Map);
BENCHMARK(StreamWrite_Ours);
BENCHMARK(StreamWrite_Vector);
BENCHMARK(Synchronize_RoundTrip)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    bench::Timings t = bench::RunAll(argc, argv);
    std::printf("\nTime ratios (ours / theirs; above 1 means ours is slower):\n");
    const char *pairs[][3] = {
        {"SortedAdd_Ours", "SortedAdd_Map", "sorted TStringList Add vs multimap"},
        {"Find_Ours", "Find_Map", "TStringList Find vs multimap find"},
        {"StreamWrite_Ours", "StreamWrite_Vector", "TMemoryStream Write vs vector"}};
    for (auto &[ours, theirs, label] : pairs)
        std::printf("  %-40s %6.2f\n", label, bench::Ratio(t, ours, theirs));
    if (t.count("Synchronize_RoundTrip/real_time"))
        // Each iteration makes 1000 synchronised calls.
        std::printf("  Synchronize round trip: %.2f us per call\n",
                    t["Synchronize_RoundTrip/real_time"].RealSeconds * 1e3);
    return 0;
}
