#pragma once

// The memory the process holds in RAM, now and at its height, for tests that a large store is
// committed only where it is used.

#include <cstddef>
#include <fstream>
#include <string>
#include <unistd.h>

namespace testsupport
{

inline std::size_t ResidentBytes()
{
    std::ifstream Statm("/proc/self/statm");
    std::size_t Total = 0, Resident = 0;
    Statm >> Total >> Resident;
    return Resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// The most ResidentBytes has been since the last ResetPeakResident: what a call held at its
// height, though it let go of it before returning.
inline void ResetPeakResident()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The same of another process of this user's, a program a test started.
inline std::size_t PeakResidentBytesOf(const std::string &Process)
{
    std::ifstream Status("/proc/" + Process + "/status");
    std::string Field;
    std::size_t KiB = 0;
    while (Status >> Field && Field != "VmHWM:")
        Status.ignore(1 << 12, '\n');
    Status >> KiB;
    return KiB << 10;
}

inline std::size_t PeakResidentBytes()
{
    return PeakResidentBytesOf("self");
}

} // namespace testsupport
