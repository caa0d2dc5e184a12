#pragma once

// The memory the process holds in RAM now, for tests that a large store is committed only where
// it is used.

#include <cstddef>
#include <fstream>
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

} // namespace testsupport
