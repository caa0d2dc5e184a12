// qrv4-devsim: a simulated QRV-4 on a pseudo-terminal, for trying the program without a device.
// It prints the device file, logs every frame with its answer, and runs until interrupted.

#include "tools/devsim/AddressBook.h"
#include "tools/devsim/Archive.h"
#include "tools/devsim/Simulator.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <unistd.h>

namespace
{

volatile std::sig_atomic_t Stop = 0;

void OnSignal(int)
{
    Stop = 1;
}

void Usage()
{
    std::fputs("usage: qrv4-devsim [options]\n"
               "  --com N             expose the device as COM N (link in $QRV4_PORTS)\n"
               "  --memory FILE       load a memory image (256 setting bytes + 65536 block bytes)\n"
               "  --save FILE         write the memory image there on exit\n"
               "  --keep FILE         keep the memory in FILE between runs: loaded when it exists\n"
               "                      (--memory, --sample-book and --archive then do nothing),\n"
               "                      saved whenever it changes and on exit\n"
               "  --set AA=VV         set the setting byte at hex address AA to hex VV\n"
               "  --sample-book       fill the address book with a few dozen sample keys\n"
               "  --archive N         fill the archive with N sample records up to now\n"
               "  --silent            answer nothing\n"
               "  --slow MS           wait MS milliseconds before each answer\n"
               "  --wrong-length D    answer D bytes too many (or too few when negative)\n"
               "  --wrong-bytes       invert every answer byte\n"
               "  --paced             take the wire time of the line speed for every byte\n"
               "  --vanish-after N    disappear on the Nth frame\n"
               "  --loader-ping       answer the loader's ping rather than its entry frame\n",
               stderr);
}

std::string Hex(const devsim::Bytes &Data)
{
    std::string text;
    char pair[4];
    for (std::uint8_t b : Data) {
        std::snprintf(pair, sizeof pair, "%02X ", b);
        text += pair;
    }
    return text;
}

struct Options {
    int Com = 0;
    std::string MemoryFile;
    std::string SaveFile;
    std::string KeepFile;
    devsim::TBehaviour Behaviour;
    devsim::TLoaderAnswer Loader = devsim::TLoaderAnswer::ToEntryFrame;
    std::vector<std::pair<unsigned, unsigned>> Settings;
    bool SampleBook = false;
    unsigned Archive = 0;
};

bool Parse(int argc, char **argv, Options &O)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char *next = i + 1 < argc ? argv[i + 1] : nullptr;
        auto value = [&]() -> const char * {
            if (!next) throw std::invalid_argument(arg + " needs a value");
            ++i;
            return next;
        };
        if (arg == "--com")
            O.Com = std::stoi(value());
        else if (arg == "--memory")
            O.MemoryFile = value();
        else if (arg == "--save")
            O.SaveFile = value();
        else if (arg == "--keep")
            O.KeepFile = value();
        else if (arg == "--archive")
            O.Archive = static_cast<unsigned>(std::stoul(value()));
        else if (arg == "--set") {
            unsigned a = 0, v = 0;
            if (std::sscanf(value(), "%x=%x", &a, &v) != 2 || a > 0xFF || v > 0xFF)
                throw std::invalid_argument("--set wants AA=VV in hex");
            O.Settings.emplace_back(a, v);
        } else if (arg == "--sample-book")
            O.SampleBook = true;
        else if (arg == "--silent")
            O.Behaviour.Silent = true;
        else if (arg == "--slow")
            O.Behaviour.Delay = std::chrono::milliseconds(std::stoi(value()));
        else if (arg == "--wrong-length")
            O.Behaviour.LengthDelta = std::stoi(value());
        else if (arg == "--wrong-bytes")
            O.Behaviour.WrongBytes = true;
        else if (arg == "--paced")
            O.Behaviour.Paced = true;
        else if (arg == "--vanish-after")
            O.Behaviour.VanishAfter = std::stoul(value());
        else if (arg == "--loader-ping")
            O.Loader = devsim::TLoaderAnswer::ToPing;
        else
            return false;
    }
    return true;
}

bool Exists(const std::string &File)
{
    return !File.empty() && access(File.c_str(), F_OK) == 0;
}

// The memory kept from the last run, else a new one as the options make it.
devsim::Memory Initial(const Options &O)
{
    if (Exists(O.KeepFile)) return devsim::Memory::Load(O.KeepFile);
    devsim::Memory memory =
        O.MemoryFile.empty() ? devsim::Memory::Fresh() : devsim::Memory::Load(O.MemoryFile);
    if (O.SampleBook) devsim::FillSampleAddressBook(memory);
    if (O.Archive > 0) {
        std::time_t now = std::time(nullptr);
        std::tm newest{};
        localtime_r(&now, &newest);
        auto records = devsim::SampleArchive(O.Archive, newest);
        // The newest a third of the way up, so reading the rest wraps round the lower end.
        devsim::WriteArchive(memory, records,
                             std::clamp(O.Archive / 3, 1u, devsim::ArchiveRecords));
    }
    return memory;
}

// Saves the memory when it is not what was saved last (or nothing was). A failed save is said
// and the device goes on: it is tried again at the next change.
void Keep(const devsim::TSimulator &Sim, const std::string &File,
          std::optional<devsim::Memory> &Kept)
{
    if (File.empty()) return;
    devsim::Memory now = Sim.Snapshot();
    if (Kept && now == *Kept) return;
    Kept = std::move(now);
    try {
        Kept->Save(File);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "qrv4-devsim: %s\n", e.what());
    }
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    try {
        if (!Parse(argc, argv, options)) {
            Usage();
            return 2;
        }
        devsim::Memory memory = Initial(options);
        for (auto [address, value] : options.Settings)
            memory.Settings[address] = static_cast<std::uint8_t>(value);
        // Before the device answers: a stop asked for as soon as it answers still ends cleanly,
        // removing its link.
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
        devsim::TSimulator sim(std::move(memory));
        sim.SetBehaviour(options.Behaviour);
        sim.SetLoaderAnswer(options.Loader);
        sim.SetMonitor([](const devsim::TExchange &x) {
            std::printf("<- %s%s\n", Hex(x.Frame.Data).c_str(),
                        x.Frame.ChecksumOk ? "" : "(bad checksum)");
            if (x.Answer) std::printf("-> %s\n", Hex(*x.Answer).c_str());
            std::fflush(stdout);
        });
        if (options.Com > 0) sim.Expose(options.Com);
        std::printf("QRV-4 simulator on %s", sim.DevicePath().c_str());
        if (options.Com > 0) std::printf(" as COM%d", options.Com);
        std::printf("\n");
        std::fflush(stdout);
        std::optional<devsim::Memory> kept;
        while (!Stop && !sim.Vanished()) {
            Keep(sim, options.KeepFile, kept);
            usleep(100'000);
        }
        Keep(sim, options.KeepFile, kept);
        if (!options.SaveFile.empty()) sim.Snapshot().Save(options.SaveFile);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "qrv4-devsim: %s\n", e.what());
        return 1;
    }
    return 0;
}
