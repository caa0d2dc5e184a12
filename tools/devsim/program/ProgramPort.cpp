#include "tools/devsim/program/ProgramPort.h"

#include "platform/win/CommPorts.h"

#include <cstdlib>

namespace devsim
{

void ExposeToProgram(TSimulator &Sim, int ComNumber, const std::filesystem::path &PortFolder)
{
    setenv("QRV4_PORTS", PortFolder.c_str(), 1);
    // A test before may have put a list of its own under the key.
    win::RegisterSerialCommKey();
    Sim.Expose(ComNumber);
}

} // namespace devsim
