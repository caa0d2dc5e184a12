#pragma once
// A pseudo-terminal the test opened itself: a device of its own, for what must refuse a device,
// so that no test points the program at one of the machine's.

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace testsupport
{

class TestTerminal
{
public:
    TestTerminal() : FMaster(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC))
    {
        char name[128];
        if (FMaster >= 0 && ::grantpt(FMaster) == 0 && ::unlockpt(FMaster) == 0 &&
            ::ptsname_r(FMaster, name, sizeof name) == 0)
            FPath = name;
    }
    ~TestTerminal()
    {
        if (FMaster >= 0) ::close(FMaster);
    }
    TestTerminal(const TestTerminal &) = delete;
    TestTerminal &operator=(const TestTerminal &) = delete;

    // The device's path; empty when none could be opened.
    const std::string &Path() const { return FPath; }

private:
    int FMaster;
    std::string FPath;
};

} // namespace testsupport
