#pragma once
// A named pipe with a writer waiting to open it: an open that waits for a writer goes on, so a
// test of a program that must not wait on a pipe ends either way, and fails rather than hangs.

#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace testsupport
{

class WaitingPipe
{
public:
    explicit WaitingPipe(std::filesystem::path Path)
        : FPath(std::move(Path)), FMade(::mkfifo(FPath.c_str(), 0600) == 0)
    {
        if (!FMade) return;
        FWriter = std::thread([this] {
            const int fd = ::open(FPath.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd >= 0) ::close(fd);
        });
    }
    // A reader of its own lets a writer still waiting go.
    ~WaitingPipe()
    {
        if (!FMade) return;
        const int reader = ::open(FPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        FWriter.join();
        if (reader >= 0) ::close(reader);
    }
    WaitingPipe(const WaitingPipe &) = delete;
    WaitingPipe &operator=(const WaitingPipe &) = delete;

    bool Made() const { return FMade; }

private:
    std::filesystem::path FPath;
    bool FMade;
    std::thread FWriter;
};

} // namespace testsupport
