// The whole address book read and written by the main window through TCommPort, against the
// simulated device paced at 57600 baud, with the window on screen at the address book. The
// counter wire_ratio is the time of the exchange over the wire time of its bytes (10 bits a
// byte): 1000 reads of 6 + 30 bytes, and 3000 write frames of 14 bytes with their 1-byte
// answers; main_cpu_ratio is the main thread's processor time over the same wire time, and
// main_sleeps the times the main thread gave the processor up waiting.
// ShowCells feeds the grid decoded cells without a device, past the device's 1000, so
// that its growth shows: main_cpu_per_cell_us stays flat when the cost is linear.

#include "bench/support/RunFolder.h"
#include "link/config.h"
#include "link/constants.h"
#include "link/main_form.h"
#include "tools/devsim/AddressBook.h"
#include "tools/devsim/Simulator.h"
#include "tools/devsim/program/ProgramPort.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>

namespace
{

constexpr int BenchCom = 9;
constexpr double Baud = 57600;
constexpr unsigned DeviceCells = 1000;

double MainThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

long MainThreadSleeps()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// A key of type Cell % 4 named after its cell, as a full book holds them.
devsim::Bytes FilledCell(unsigned Cell)
{
    const auto byte = [](unsigned Value) { return static_cast<std::uint8_t>(Value & 0xFF); };
    return devsim::AddressBookCell(byte(Cell % 4), 0,
                                   {0, 0, byte(Cell >> 8), byte(Cell), 0x12, 0x34, 0x56, 0x01},
                                   "КВ " + std::to_string(Cell));
}

// A main window in a folder of its own, talking to a paced simulator.
class TBench
{
public:
    TBench() : FFolder("writer_bench")
    {
        Application->Initialize();
        Config = TConfig(ConfigFileName);
        std::ofstream(FFolder.Path() / "qrv4.cfg") << "[COM]\r\nCOM_port=9\r\nCOM_speed=57600\r\n";
        FSim.Edit([](devsim::Memory &M) { devsim::FillSampleAddressBook(M); });
        devsim::ExposeToProgram(FSim, BenchCom, FFolder.Path() / "ports");
        FSim.SetBehaviour({.Paced = true});
        FForm = std::make_unique<TMainForm>(nullptr);
        FForm->PC_Tabs->SetActivePage(FForm->Sheet_Writer);
        FForm->Show();
        FForm->BTN_OpenCOMPortClick(nullptr);
    }
    TMainForm &Form() { return *FForm; }
    // The device's first Count cells hold keys, the rest are empty.
    void FillCells(unsigned Count)
    {
        FSim.Edit([Count](devsim::Memory &M) {
            for (unsigned cell = 0; cell < DeviceCells; ++cell)
                devsim::WriteCell(M, cell,
                                  cell < Count ? FilledCell(cell) : devsim::EmptyAddressBookCell());
        });
    }
    // The program's own message loop, which sleeps until a message or a synchronised call
    // comes: the main thread's processor time is what the program spends.
    bool RunUntilIdle()
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (FForm->WriterReadStep != -1 || FForm->WriterWriteStep != -1) {
            if (std::chrono::steady_clock::now() > end) return false;
            Application->HandleMessage();
        }
        return true;
    }

private:
    bench::RunFolder FFolder;
    devsim::TSimulator FSim;
    std::unique_ptr<TMainForm> FForm;
};

bench::Shared<TBench> Bench;

template <class Start> void Exchange(benchmark::State &State, double WireBytes, Start Begin)
{
    TBench &bench = Bench();
    const double wire = WireBytes * 10 / Baud;
    for (auto _ : State) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = MainThreadCpuSeconds();
        const long sleepsStart = MainThreadSleeps();
        Begin(bench.Form());
        if (!bench.RunUntilIdle()) {
            State.SkipWithError("the exchange did not end");
            return;
        }
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        State.counters["wire_s"] = wire;
        State.counters["wire_ratio"] = spent.count() / wire;
        State.counters["main_cpu_ratio"] = (MainThreadCpuSeconds() - cpuStart) / wire;
        State.counters["main_sleeps"] = static_cast<double>(MainThreadSleeps() - sleepsStart);
    }
}

void ReadWholeBook57600(benchmark::State &State)
{
    Exchange(State, 1000.0 * (6 + 30), [](TMainForm &Form) { Form.StartWriterRead(); });
    State.counters["rows"] = static_cast<double>(Bench().Form().WriterRows.size());
}
BENCHMARK(ReadWholeBook57600)->Iterations(1)->Unit(benchmark::kMillisecond);

// The read of a book whose first N cells hold keys: every cell goes over the wire, the
// filled ones reach the grid.
void ReadFilledCells57600(benchmark::State &State)
{
    Bench().FillCells(static_cast<unsigned>(State.range(0)));
    Exchange(State, DeviceCells * (6 + 30), [](TMainForm &Form) { Form.StartWriterRead(); });
}
BENCHMARK(ReadFilledCells57600)
    ->Arg(100)
    ->Arg(500)
    ->Arg(1000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// The answer the device gives for a cell: five bytes of frame, the cell, the checksum.
AnsiString CellAnswer(unsigned Cell)
{
    AnsiString answer = "A5300418";
    answer += "18";
    for (std::uint8_t byte : FilledCell(Cell))
        answer += IntToHex(byte, 2);
    return answer + "00";
}

// N decoded cells shown one after another as a read shows them, each painted before the
// next, without the wire.
void ShowCells(benchmark::State &State)
{
    TMainForm &form = Bench().Form();
    const int count = static_cast<int>(State.range(0));
    std::vector<AnsiString> answers;
    for (int cell = 0; cell < count; ++cell)
        answers.push_back(CellAnswer(static_cast<unsigned>(cell)));
    for (auto _ : State) {
        form.WriterRows.clear();
        form.FillWriterGrid();
        const double cpuStart = MainThreadCpuSeconds();
        for (int cell = 0; cell < count; ++cell) {
            form.WriterReadStep = cell + 1;
            form.DecodeWriterCell(answers[cell]);
            // Painted at once: left to the display frame, a quick loop's scrolls would add up
            // into one move and one paint, and the cost per cell would not show.
            UpdateWindow(form.SG_Writer->Handle());
            Application->ProcessMessages();
        }
        const double cpu = MainThreadCpuSeconds() - cpuStart;
        State.counters["main_cpu_s"] = cpu;
        State.counters["main_cpu_per_cell_us"] = cpu / count * 1e6;
    }
    form.WriterReadStep = -1;
}
BENCHMARK(ShowCells)->Arg(100)->Arg(500)->Arg(1000)->Arg(2000)->Iterations(1)->Unit(
    benchmark::kMillisecond);

void WriteWholeBook57600(benchmark::State &State)
{
    Exchange(State, 3000.0 * (14 + 1), [](TMainForm &Form) {
        if (Form.WriterRows.size() != 1000) {
            Form.WriterRows.assign(1000, WriterRecord());
            Form.RenumberWriterRows();
        }
        for (WriterRecord &record : Form.WriterRows)
            record.Changed = 1;
        Form.StartWriterWrite();
    });
}
BENCHMARK(WriteWholeBook57600)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return bench::RunThenRelease(argc, argv, [] { Bench.Release(); });
}
