#pragma once

// The folder where serial devices are given COM numbers: a link "comN" in it names the device
// file of port N. $QRV4_PORTS chooses it; otherwise ~/.config/qrv4/ports.

#include <filesystem>

namespace rtl
{

std::filesystem::path PortFolder();

// The link that gives a device the number ComNumber.
std::filesystem::path PortLink(int ComNumber);

} // namespace rtl
