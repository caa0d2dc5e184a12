// The archive tab's work on a full ring of 2500 records.
//
// FullRingRead: the main window reads the ring through TCommPort from the simulated device on a
// pseudo-terminal, which gives every byte its wire time at the line's speed; the counter
// wire_ratio is the read's time over the wire time of its frames (the two pointer reads of
// 6 + 1 bytes and 2500 block reads of 6 + 22 bytes, 10 bits a byte).
// DecodeAndMerge, FillGrid: the rows made from the 2500 block answers, and the grid filled
// with them.
// OpenGrid: the grid filled with those rows on screen and painted, beside a QTableWidget of the
// same size given the same texts and painted; x_qtablewidget is the median of ours over the
// median of Qt's.

#include "bench/support/RunFolder.h"
#include "bench/support/Timings.h"
#include "link/config.h"
#include "link/constants.h"
#include "link/main_form.h"
#include "operations/archive_record.h"
#include "tools/devsim/Archive.h"
#include "tools/devsim/Simulator.h"
#include "tools/devsim/program/ProgramPort.h"

#include <QTableWidget>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>
#include <time.h>

namespace
{

constexpr int BenchCom = 8;

const std::vector<devsim::ArchiveEntry> &FullRing()
{
    static const auto records =
        devsim::SampleArchive(devsim::ArchiveRecords, devsim::SampleNewest());
    return records;
}

// A main window in a folder of its own, its port set to the simulated device.
class TBench
{
public:
    TBench() : FFolder("archive_bench")
    {
        static bool started = false;
        if (!started) {
            // Headless unless the caller chose a display.
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
            Application->Initialize();
            started = true;
        }
        Config = TConfig(ConfigFileName);
        GridArchiveFile = Config.GetBaseDir() + GridArchiveFileName;
        GridWriterFile = Config.GetBaseDir() + GridWriterFileName;
        devsim::ExposeToProgram(FSim, BenchCom, FFolder.Path() / "ports");
        FSim.Edit([](devsim::Memory &m) { devsim::WriteArchive(m, FullRing(), 1234); });
        Config.COM_port = BenchCom;
        WriteConfig(Config);
        FForm = std::make_unique<TMainForm>(nullptr);
        FForm->PC_Tabs->SetActivePage(FForm->Sheet_Archive);
    }
    struct TReadTimes {
        double Seconds = -1; // negative when the ring was not read whole
        double MedianTrip = 0;
        double SlowTrip = 0; // the 90th percentile
    };

    // Reads the ring on an open port and runs the message loop until the read ends. A trip is
    // the time from one block read reaching the device to the next.
    TReadTimes Read(int Baud, bool Paced)
    {
        FSim.SetBehaviour({.Paced = Paced});
        FForm->CB_ComSpeeds->SetItemIndex(FForm->CB_ComSpeeds->Items()->IndexOf(IntToStr(Baud)));
        FForm->BTN_OpenCOMPortClick(nullptr);
        FSim.ClearFrames();
        std::vector<std::chrono::steady_clock::time_point> arrivals;
        arrivals.reserve(2600);
        FSim.SetMonitor([&arrivals](const devsim::TExchange &) {
            arrivals.push_back(std::chrono::steady_clock::now());
        });
        const auto start = std::chrono::steady_clock::now();
        FForm->StartArchiveRead();
        while (FForm->ArchivePointerStep != -1 || FForm->ArchiveBlockStep != -1)
            Application->HandleMessage();
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        FSim.SetMonitor(nullptr);

        TReadTimes times;
        if (FForm->ArchiveRecords.size() < 1000 || arrivals.size() != 2 + 2500) return times;
        times.Seconds = spent.count();
        std::vector<double> trips;
        for (std::size_t i = 3; i < arrivals.size(); ++i)
            trips.push_back(std::chrono::duration<double>(arrivals[i] - arrivals[i - 1]).count());
        std::sort(trips.begin(), trips.end());
        times.MedianTrip = trips[trips.size() / 2];
        times.SlowTrip = trips[trips.size() * 9 / 10];
        return times;
    }

    TMainForm *Form() const { return FForm.get(); }

private:
    bench::RunFolder FFolder;
    devsim::TSimulator FSim;
    std::unique_ptr<TMainForm> FForm;
};

void FullRingRead(benchmark::State &State)
{
    const int baud = static_cast<int>(State.range(0));
    const double wire = (2 * (6 + 1) + 2500 * (6 + 22)) * 10.0 / baud;
    const double tripWire = (6 + 22) * 10.0 / baud;
    TBench bench;
    for (auto _ : State) {
        const TBench::TReadTimes times = bench.Read(baud, true);
        if (times.Seconds < 0) {
            State.SkipWithError("the ring was not read whole");
            return;
        }
        State.counters["wire_s"] = wire;
        State.counters["wire_ratio"] = times.Seconds / wire;
        // Where the time goes: the usual trip against the slow ones a busy machine makes.
        State.counters["trip_p50_over_us"] = (times.MedianTrip - tripWire) * 1e6;
        State.counters["trip_p90_over_us"] = (times.SlowTrip - tripWire) * 1e6;
    }
}
BENCHMARK(FullRingRead)->Arg(57600)->Arg(9600)->Iterations(1)->Unit(benchmark::kSecond);

// The device answering at once: the program's own time per record, threads and loop included.
void FullRingReadUnpaced(benchmark::State &State)
{
    TBench bench;
    for (auto _ : State) {
        const TBench::TReadTimes times = bench.Read(57600, false);
        if (times.Seconds < 0) {
            State.SkipWithError("the ring was not read whole");
            return;
        }
        State.counters["trip_p50_us"] = times.MedianTrip * 1e6;
    }
}
BENCHMARK(FullRingReadUnpaced)->Iterations(3)->Unit(benchmark::kMillisecond);

// A worker calling the main thread the way the port's event threads do for every byte that
// arrives, one call at a time with a pause between, while the main window runs its loop.
class TWaker : public TThread
{
public:
    TWaker(int Calls, std::chrono::microseconds Pause) : FCalls(Calls), FPause(Pause) { Start(); }
    ~TWaker() override { WaitFor(); }

    std::atomic<int> Done = 0;

protected:
    void Execute() override
    {
        for (int i = 0; i < FCalls && !Terminated(); ++i) {
            std::this_thread::sleep_for(FPause);
            Synchronize([this] { ++Done; });
        }
    }

private:
    int FCalls;
    std::chrono::microseconds FPause;
};

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The main window's loop woken by synchronised calls, each a byte's time at 57600 baud apart:
// the loop's own CPU time per wake, the wait and the call's hand-over included.
void LoopWake(benchmark::State &State)
{
    constexpr int Calls = 5000;
    TBench bench;
    for (auto _ : State) {
        const double cpu = ThreadCpuSeconds();
        TWaker waker(Calls, std::chrono::microseconds(174));
        while (waker.Done < Calls)
            Application->HandleMessage();
        State.counters["cpu_per_wake_us"] = (ThreadCpuSeconds() - cpu) / Calls * 1e6;
    }
}
BENCHMARK(LoopWake)->Iterations(3)->Unit(benchmark::kMillisecond);

std::vector<AnsiString> BlockAnswers()
{
    std::vector<AnsiString> answers;
    static const char digits[] = "0123456789ABCDEF";
    for (const devsim::ArchiveEntry &entry : FullRing()) {
        std::string text = "A531620010";
        for (std::uint8_t b : entry.Record()) {
            text += digits[b >> 4];
            text += digits[b & 15];
        }
        answers.push_back(AnsiString(text.c_str()) + "00");
    }
    return answers;
}

void DecodeAndMerge(benchmark::State &State)
{
    const std::vector<AnsiString> answers = BlockAnswers();
    for (auto _ : State) {
        std::vector<ArchiveRecord> rows;
        for (const AnsiString &answer : answers)
            AppendArchiveRecord(rows, answer, false);
        benchmark::DoNotOptimize(rows.data());
    }
    State.SetItemsProcessed(State.iterations() * static_cast<long>(answers.size()));
}
BENCHMARK(DecodeAndMerge)->Unit(benchmark::kMillisecond);

void FillGrid(benchmark::State &State)
{
    TBench bench;
    for (const AnsiString &answer : BlockAnswers())
        AppendArchiveRecord(bench.Form()->ArchiveRecords, answer, false);
    for (auto _ : State)
        bench.Form()->FillArchiveGrid();
    State.counters["rows"] = static_cast<double>(bench.Form()->ArchiveRecords.size());
}
BENCHMARK(FillGrid)->Unit(benchmark::kMillisecond);

double SecondsOf(const std::function<void()> &Work)
{
    const auto start = std::chrono::steady_clock::now();
    Work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What a grid of ours shows, as Qt's texts by row.
std::vector<std::vector<QString>> GridTexts(TStringGrid *Grid)
{
    std::vector<std::vector<QString>> texts(static_cast<std::size_t>(Grid->RowCount()));
    for (int r = 0; r < Grid->RowCount(); ++r)
        for (int c = 0; c < Grid->ColCount(); ++c)
            texts[r].push_back(QString::fromStdString(Grid->Cells(c, r).ToUtf8()));
    return texts;
}

void FillTable(QTableWidget &Table, const std::vector<std::vector<QString>> &Texts)
{
    Table.setRowCount(0);
    Table.setRowCount(static_cast<int>(Texts.size()));
    for (std::size_t r = 0; r < Texts.size(); ++r)
        for (std::size_t c = 0; c < Texts[r].size(); ++c)
            Table.setItem(static_cast<int>(r), static_cast<int>(c),
                          new QTableWidgetItem(Texts[r][c]));
    Table.repaint();
}

void OpenGrid(benchmark::State &State)
{
    TBench bench;
    TMainForm &form = *bench.Form();
    for (const AnsiString &answer : BlockAnswers())
        AppendArchiveRecord(form.ArchiveRecords, answer, false);
    form.Show();
    Application->ProcessMessages();
    TStringGrid *grid = form.SG_Archive;
    form.FillArchiveGrid();
    const std::vector<std::vector<QString>> texts = GridTexts(grid);
    QTableWidget table;
    table.setColumnCount(grid->ColCount());
    table.resize(grid->Width(), grid->Height());
    table.show();
    std::vector<double> theirs, ours;
    for (auto _ : State) {
        theirs.push_back(SecondsOf([&] { FillTable(table, texts); }));
        ours.push_back(SecondsOf([&] {
            form.FillArchiveGrid();
            UpdateWindow(grid->Handle());
        }));
        State.SetIterationTime(ours.back());
    }
    State.counters["qtablewidget_ms"] = bench::Median(theirs) * 1e3;
    State.counters["x_qtablewidget"] = bench::Median(ours) / bench::Median(theirs);
    if (grid->RowCount() != static_cast<int>(form.ArchiveRecords.size()) + 1)
        State.SkipWithError("the grid was not filled whole");
    form.Hide();
}
BENCHMARK(OpenGrid)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
