#pragma once
// An X server of its own for a whole test program of the class library's controls, which
// make their application on it: real windows, worked with real input through xdotool.

#include "tests/desktop/DesktopSession.h"

#include <string>

namespace desktop
{

// The server, once the program's environment set it up; null when none could be started.
DesktopSession *XServer();
// Runs xdotool with these arguments on the server.
void Xdotool(const std::string &Arguments);

} // namespace desktop
