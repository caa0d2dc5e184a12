// The whole address book read and written by the main window through TCommPort, against the
// simulated device paced at 57600 baud. The counter wire_ratio is the time of the exchange
// over the wire time of its bytes (10 bits a byte): 1000 reads of 6 + 30 bytes, and 3000
// write frames of 14 bytes with their 1-byte answers.

#include "link/config.h"
#include "link/constants.h"
#include "link/main_form.h"
#include "tools/devsim/AddressBook.h"
#include "tools/devsim/Simulator.h"
#include "tools/devsim/program/ProgramPort.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace
{

constexpr int BenchCom = 9;
constexpr double Baud = 57600;

// A main window in a folder of its own, talking to a paced simulator.
class TBench
{
public:
    TBench()
    {
        FFolder =
            std::filesystem::temp_directory_path() / ("writer_bench_" + std::to_string(getpid()));
        std::filesystem::create_directories(FFolder);
        std::filesystem::current_path(FFolder);
        Application->Initialize();
        Config = TConfig(ConfigFileName);
        std::ofstream(FFolder / "qrv4.cfg") << "[COM]\r\nCOM_port=9\r\nCOM_speed=57600\r\n";
        FSim.Edit([](devsim::Memory &M) { devsim::FillSampleAddressBook(M); });
        devsim::ExposeToProgram(FSim, BenchCom, FFolder / "ports");
        FSim.SetBehaviour({.Paced = true});
        FForm = std::make_unique<TMainForm>(nullptr);
        FForm->BTN_OpenCOMPortClick(nullptr);
    }
    ~TBench()
    {
        FForm.reset();
        std::filesystem::remove_all(FFolder);
    }

    TMainForm &Form() { return *FForm; }
    bool RunUntilIdle()
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (FForm->WriterReadStep != -1 || FForm->WriterWriteStep != -1) {
            if (std::chrono::steady_clock::now() > end) return false;
            Application->ProcessMessages();
            CheckSynchronize(1);
        }
        return true;
    }

private:
    std::filesystem::path FFolder;
    devsim::TSimulator FSim;
    std::unique_ptr<TMainForm> FForm;
};

// Made by the first case, freed by main while the windowing layer still stands.
std::unique_ptr<TBench> TheBench;

TBench &Bench()
{
    if (!TheBench) TheBench = std::make_unique<TBench>();
    return *TheBench;
}

template <class Start> void Exchange(benchmark::State &State, double WireBytes, Start Begin)
{
    TBench &bench = Bench();
    const double wire = WireBytes * 10 / Baud;
    for (auto _ : State) {
        const auto start = std::chrono::steady_clock::now();
        Begin(bench.Form());
        if (!bench.RunUntilIdle()) {
            State.SkipWithError("the exchange did not end");
            return;
        }
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        State.counters["wire_s"] = wire;
        State.counters["wire_ratio"] = spent.count() / wire;
    }
}

void ReadWholeBook57600(benchmark::State &State)
{
    Exchange(State, 1000.0 * (6 + 30), [](TMainForm &Form) { Form.StartWriterRead(); });
    State.counters["rows"] = static_cast<double>(Bench().Form().WriterRows.size());
}
BENCHMARK(ReadWholeBook57600)->Iterations(1)->Unit(benchmark::kMillisecond);

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
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    TheBench.reset();
    benchmark::Shutdown();
    return 0;
}
