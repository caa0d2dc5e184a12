#pragma once
// The simulated device where the program looks for serial ports: a COM number in a port
// folder of the caller's choosing, listed in the machine's serial-port key.

#include "tools/devsim/Simulator.h"

#include <filesystem>

namespace devsim
{

void ExposeToProgram(TSimulator &Sim, int ComNumber, const std::filesystem::path &PortFolder);

} // namespace devsim
