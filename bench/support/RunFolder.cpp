#include "bench/support/RunFolder.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

namespace bench
{

RunFolder::RunFolder(const std::string &Name)
    : FPath(std::filesystem::temp_directory_path() / (Name + "_" + std::to_string(getpid())))
{
    std::filesystem::create_directories(FPath);
    std::filesystem::current_path(FPath);
}

RunFolder::~RunFolder()
{
    std::error_code ignored;
    std::filesystem::current_path(std::filesystem::temp_directory_path(), ignored);
    std::filesystem::remove_all(FPath, ignored);
}

int RunThenRelease(int &argc, char **argv, const std::function<void()> &Release)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    Release();
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
