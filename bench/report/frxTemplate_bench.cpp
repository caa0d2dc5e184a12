// A template of 2500, 10000 and 20000 memo views on one band, as the program reads it:
// loaded from its text into a report, and the report freed. Every view is a component
// of the report, so the cost of inserting, naming, finding and freeing one component
// among its siblings shows here.
//
// us_per_view is the time of a load and a free over the views: a cost per view that
// grows with their number is a cost quadratic in the template's size.

#include "platform/rtl/SysUtils.h"
#include "report/frxClass.h"

#include <benchmark/benchmark.h>

namespace
{

AnsiString TemplateOf(int Views)
{
    TfrxReport Report(nullptr);
    auto *Page = new TfrxReportPage(&Report);
    Page->SetName("Page1");
    auto *Band = new TfrxMasterData(Page);
    Band->SetName("MasterData1");
    Band->SetHeight(20);
    for (int i = 0; i < Views; ++i) {
        auto *Memo = new TfrxMemoView(Band);
        Memo->SetName("Memo" + IntToStr(i + 1));
        Memo->SetBounds(i % 10 * 70, 0, 70, 20);
        Memo->SetText(u"[Rows.\"price\"]");
    }
    TStringStream Stream("");
    Report.SaveToStream(&Stream);
    return Stream.DataString();
}

void BM_LoadAndFreeTemplate(benchmark::State &State)
{
    const int Views = static_cast<int>(State.range(0));
    const AnsiString Text = TemplateOf(Views);
    for (auto _ : State) {
        TfrxReport Report(nullptr);
        TStringStream Stream(Text);
        Report.LoadFromStream(&Stream);
        if (!Report.FindObject("Memo" + IntToStr(Views)))
            State.SkipWithError("the template lost its views");
    }
    State.counters["us_per_view"] = benchmark::Counter(
        static_cast<double>(Views) * static_cast<double>(State.iterations()) / 1e6,
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(BM_LoadAndFreeTemplate)->Arg(2500)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
