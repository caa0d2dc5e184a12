// The archive list of a full ring of 2500 records: the main window's report laid out into
// prepared pages, every value asked of the window's callbacks, and printed to a PDF file
// through a printer of a private spooler. The counter pages is the number of pages the list
// takes, bytes the size of the printed file.

#include "bench/support/RunFolder.h"
#include "link/config.h"
#include "link/constants.h"
#include "link/main_form.h"
#include "operations/archive_record.h"
#include "report/frxClass.h"
#include "report/frxPrinter.h"
#include "tests/support/PrintTestSupport.h"
#include "tools/devsim/Archive.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace
{

// The rows a read of a full ring of sample records gives.
std::vector<ArchiveRecord> FullRingRows()
{
    std::vector<ArchiveRecord> rows;
    for (const devsim::ArchiveEntry &entry :
         devsim::SampleArchive(ArchiveRingRecords, devsim::SampleNewest())) {
        // A block answer carries the record in its characters 11..42.
        AnsiString answer = "A531622010";
        for (std::uint8_t byte : entry.Record())
            answer += IntToHex(byte, 2);
        AppendArchiveRecord(rows, answer + "00", false);
    }
    return rows;
}

// A main window in a folder of its own, holding the rows of a full ring.
class TBench
{
public:
    TBench() : FFolder("reports_bench")
    {
        // Headless unless the caller chose a display.
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        Application->Initialize();
        Config = TConfig(ConfigFileName);
        FForm = std::make_unique<TMainForm>(nullptr);
        FForm->ArchiveRecords = FullRingRows();
        FForm->frxUserDataSetList->SetRangeEndCount(static_cast<int>(FForm->ArchiveRecords.size()));
    }
    TMainForm *Form() const { return FForm.get(); }

private:
    bench::RunFolder FFolder;
    std::unique_ptr<TMainForm> FForm;
};

void PrepareArchiveList(benchmark::State &State)
{
    TBench bench;
    TfrxReport *report = bench.Form()->frxReportList();
    for (auto _ : State) {
        if (!report->PrepareReport(true)) {
            State.SkipWithError("the list was not prepared");
            return;
        }
    }
    State.counters["rows"] = static_cast<double>(bench.Form()->ArchiveRecords.size());
    State.counters["pages"] = report->PreviewPages()->Count();
}
BENCHMARK(PrepareArchiveList)->Unit(benchmark::kMillisecond);

// A PDF queue of a private spooler made current, its output sent to a file of our own.
class TPdfPrinter
{
public:
    TPdfPrinter()
    {
        if (!FCups.Running() || !FCups.AddPdfQueue("Bench") || !FCups.SetDefault("Bench")) return;
        frxPrinters()->Refresh();
        frxPrinters()->Printer()->SetFileName(AnsiString(FPath));
    }
    ~TPdfPrinter()
    {
        if (Ready()) frxPrinters()->Printer()->SetFileName(AnsiString());
        std::filesystem::remove(FPath);
    }
    bool Ready() const { return FCups.Running() && frxPrinters()->HasPhysicalPrinters(); }
    const std::string &Why() const { return FCups.Why(); }
    double Bytes() const { return static_cast<double>(std::filesystem::file_size(FPath)); }

private:
    printtest::PrivateCups FCups;
    std::string FPath = printtest::TempPath("archive_list", ".pdf");
};

// PrintArchiveList prints prepared pages only; PrepareAndPrintArchiveList is what the print
// button costs after its dialog.
void PrintList(benchmark::State &State, bool Prepare)
{
    TBench bench;
    TPdfPrinter printer;
    if (!printer.Ready()) {
        State.SkipWithError(("no PDF printer: " + printer.Why()).c_str());
        return;
    }
    TfrxReport *report = bench.Form()->frxReportList();
    if (!report->PrepareReport(true)) {
        State.SkipWithError("the list was not prepared");
        return;
    }
    for (auto _ : State) {
        if (Prepare) report->PrepareReport(true);
        report->Print();
    }
    State.counters["pages"] = report->PreviewPages()->Count();
    State.counters["bytes"] = printer.Bytes();
}
BENCHMARK_CAPTURE(PrintList, PrintArchiveList, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PrintList, PrepareAndPrintArchiveList, true)->Unit(benchmark::kMillisecond);

} // namespace
