// Preparing a report shaped like the archive list: A4, a title, a page header,
// a 20-pixel row of six fields (one with a display format), a page footer
// "Страница N из M" that needs two passes, and a summary with a sum, over 100,
// 2500 and 25000 rows of a user data set.
//
// us_per_row is the preparation's time over its rows; peak_bytes_per_row is
// the most heap the preparation held at once, above what the report held
// before it, over its rows.

#include "tests/report_output/EngineTestSupport.h"

#include "platform/rtl/SysUtils.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace
{

std::atomic<long long> HeapInUse{0};
std::atomic<long long> HeapPeak{0};

void *Allocate(std::size_t Size)
{
    void *Block = std::malloc(Size ? Size : 1);
    if (!Block) throw std::bad_alloc();
    const long long Now = HeapInUse += static_cast<long long>(malloc_usable_size(Block));
    long long Peak = HeapPeak.load();
    while (Now > Peak && !HeapPeak.compare_exchange_weak(Peak, Now)) {
    }
    return Block;
}

void Release(void *Block) noexcept
{
    if (!Block) return;
    HeapInUse -= static_cast<long long>(malloc_usable_size(Block));
    std::free(Block);
}

} // namespace

void *operator new(std::size_t Size)
{
    return Allocate(Size);
}
void *operator new[](std::size_t Size)
{
    return Allocate(Size);
}
void operator delete(void *Block) noexcept
{
    Release(Block);
}
void operator delete[](void *Block) noexcept
{
    Release(Block);
}
void operator delete(void *Block, std::size_t) noexcept
{
    Release(Block);
}
void operator delete[](void *Block, std::size_t) noexcept
{
    Release(Block);
}

namespace
{

using namespace enginetest;

struct TArchiveList {
    TBuilder B;
    TRows Rows{"Archive"};

    explicit TArchiveList(int Count)
    {
        std::vector<std::map<std::string, Variant>> Data;
        Data.reserve(static_cast<std::size_t>(Count));
        for (int i = 0; i < Count; ++i)
            Data.push_back({{"Date", Variant::FromDateTime(46000 + i / 50)},
                            {"Code", Variant(AnsiString("01A2B3C4D5E6F7") + IntToStr(i % 97))},
                            {"Type", Variant(AnsiString::FromUtf8("Метаком"))},
                            {"Mode", Variant(AnsiString("M2"))},
                            {"Count", Variant(1 + i % 3)},
                            {"Price", Variant(12.5 + i % 10)}});
        Rows.SetRows(std::move(Data));
        B.Use(Rows);
        B.Report->EngineOptions()->SetDoublePass(true);
        TBuilder::Memo(B.Band<TfrxReportTitle>("ReportTitle1", 0, 40), "Title", "Архив ключей", 0,
                       0, 400, 30);
        auto *Header = B.Band<TfrxPageHeader>("PageHeader1", 60, 20);
        const char *Captions[] = {"Дата", "Код", "Тип", "Режим", "Кол.", "Цена"};
        const char *Fields[] = {"[Date]", "[Code]", "[Type]", "[Mode]", "[Count]", "[Price]"};
        const char *HeaderNames[] = {"H0", "H1", "H2", "H3", "H4", "H5"};
        for (int i = 0; i < 6; ++i)
            TBuilder::Memo(Header, HeaderNames[i], Captions[i], 110 * i, 0, 110, 20);
        auto *Data1 = B.Data<TfrxMasterData>("MasterData1", 100, 20, Rows);
        const char *FieldNames[] = {"F0", "F1", "F2", "F3", "F4", "F5"};
        for (int i = 0; i < 6; ++i) {
            auto *Memo = TBuilder::Memo(Data1, FieldNames[i], Fields[i], 110 * i, 0, 110, 20);
            if (i == 5) {
                Memo->DisplayFormat()->SetKind(fkNumeric);
                Memo->DisplayFormat()->SetFormatStr("%2.2f");
            }
        }
        TBuilder::Memo(B.Band<TfrxReportSummary>("ReportSummary1", 140, 20), "Total",
                       "Итого: [SUM(<Price>)]", 0, 0, 400, 20);
        TBuilder::Memo(B.Band<TfrxPageFooter>("PageFooter1", 180, 20), "PageNo",
                       "Страница [Page] из [TotalPages]", 0, 0, 400, 20);
    }
};

void BM_PrepareArchiveList(benchmark::State &State)
{
    const int Count = static_cast<int>(State.range(0));
    TArchiveList Report(Count);
    long long PeakAbove = 0;
    int Pages = 0;
    for (auto _ : State) {
        Report.B.Pages()->Clear();
        const long long Before = HeapInUse.load();
        HeapPeak = Before;
        if (!Report.B.Prepare()) State.SkipWithError(Report.B.Errors().c_str());
        PeakAbove = std::max(PeakAbove, HeapPeak.load() - Before);
        Pages = Report.B.PageCount();
    }
    // A rate of millions of rows per second, inverted: microseconds per row.
    State.counters["us_per_row"] = benchmark::Counter(
        static_cast<double>(Count) * static_cast<double>(State.iterations()) / 1e6,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    State.counters["peak_bytes_per_row"] = static_cast<double>(PeakAbove) / Count;
    State.counters["pages"] = Pages;
}

BENCHMARK(BM_PrepareArchiveList)->Arg(100)->Arg(2500)->Arg(25000)->Unit(benchmark::kMillisecond);

} // namespace
