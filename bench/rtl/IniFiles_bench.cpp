// A settings file of the configuration's shape grown large by a section of
// notes: reading and writing its keys against one plain read of the file, so
// the ratios show how many times each call goes through the whole file.

#include "platform/rtl/IniFiles.h"

#include "bench/support/Timings.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace
{

// The configuration's keys, read at start and written at close.
const char *const Keys[][2] = {
    {"FILES", "Bios_file"},    {"FILES", "Fonts_file"},    {"COM", "COM_port"},
    {"COM", "COM_speed"},      {"COMPANY", "SellerName"},  {"COMPANY", "SellerAddress"},
    {"COMPANY", "SellerBank"}, {"PRODUCT", "ProductName"}, {"PRODUCT", "TypeKey"},
    {"PRODUCT", "KeyHex"},     {"PRICE", "PriceDallas"},   {"PRICE", "PriceMetacom"},
    {"PRICE", "PriceCyfral"},  {"PRICE", "PriceProxy"},    {"COUNTERS", "CountTovcheck"},
    {"COORD", "Left"},         {"COORD", "Top"},
};
constexpr int KeyCount = sizeof Keys / sizeof Keys[0];

// A file of about Megabytes MB: the notes first, then every key.
std::string MakeFile(int Megabytes)
{
    const std::string path =
        "/tmp/qrv4_inifiles_bench_" + std::to_string(getpid()) + "_" + std::to_string(Megabytes);
    std::ofstream out(path, std::ios::binary);
    out << "[NOTES]\r\n";
    const std::string line = "a note that someone kept in the settings file=0123456789\r\n";
    for (long long size = 0; size < Megabytes * 1048576LL; size += line.size())
        out << line;
    for (const auto &key : Keys)
        out << "[" << key[0] << "]\r\n" << key[1] << "=1\r\n";
    return path;
}

void ReadWholeFile(benchmark::State &State)
{
    const std::string path = MakeFile(static_cast<int>(State.range(0)));
    for (auto _ : State) {
        std::ifstream in(path, std::ios::binary);
        std::string bytes(std::istreambuf_iterator<char>(in), {});
        benchmark::DoNotOptimize(bytes.data());
    }
    std::remove(path.c_str());
}

// As the program opens: one object, every key read once.
void ReadKeys(benchmark::State &State)
{
    const std::string path = MakeFile(static_cast<int>(State.range(0)));
    for (auto _ : State) {
        TIniFile ini(path.c_str());
        for (const auto &key : Keys)
            benchmark::DoNotOptimize(ini.ReadString(key[0], key[1], ""));
    }
    State.SetItemsProcessed(State.iterations() * KeyCount);
    std::remove(path.c_str());
}

// As the program closes: one object, every key written, each reaching the disk.
void WriteKeys(benchmark::State &State)
{
    const std::string path = MakeFile(static_cast<int>(State.range(0)));
    int round = 0;
    for (auto _ : State) {
        TIniFile ini(path.c_str());
        ++round;
        for (const auto &key : Keys)
            ini.WriteInteger(key[0], key[1], round);
    }
    State.SetItemsProcessed(State.iterations() * KeyCount);
    std::remove(path.c_str());
}

constexpr int Sizes[] = {1, 16, 100};

void Register()
{
    for (int size : Sizes) {
        benchmark::RegisterBenchmark("ReadWholeFile", ReadWholeFile)
            ->Arg(size)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark("ReadKeys", ReadKeys)
            ->Arg(size)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark("WriteKeys", WriteKeys)
            ->Arg(size)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    }
}

} // namespace

int main(int argc, char **argv)
{
    Register();
    bench::Timings t = bench::RunAll(argc, argv);
    std::printf("\nTime of all %d keys / one plain read of the file:\n", KeyCount);
    for (int size : Sizes) {
        std::string arg = "/";
        arg += std::to_string(size);
        arg += "/real_time";
        std::printf("  %3d MB  read %6.1f   write %6.1f\n", size,
                    bench::Ratio(t, "ReadKeys" + arg, "ReadWholeFile" + arg),
                    bench::Ratio(t, "WriteKeys" + arg, "ReadWholeFile" + arg));
    }
    return 0;
}
