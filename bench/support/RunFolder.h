#pragma once

// What a benchmark program of the main window stands on: a folder of its own for the
// program's files, and a fixture its cases share.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace bench
{

// A folder under the temporary folder, named after the benchmark and the process, made the
// current folder; left and removed with what it holds when it goes.
class RunFolder
{
public:
    explicit RunFolder(const std::string &Name);
    ~RunFolder();
    RunFolder(const RunFolder &) = delete;
    RunFolder &operator=(const RunFolder &) = delete;

    const std::filesystem::path &Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

// A fixture made by the first case that asks for it and kept for the others.
template <class T> class Shared
{
public:
    T &operator()()
    {
        if (!FMade) FMade = std::make_unique<T>();
        return *FMade;
    }
    void Release() { FMade.reset(); }

private:
    std::unique_ptr<T> FMade;
};

// Runs the registered cases with the console output, then Release: what the cases shared
// goes while the window layer still stands. The program's exit status.
int RunThenRelease(int &argc, char **argv, const std::function<void()> &Release);

} // namespace bench
