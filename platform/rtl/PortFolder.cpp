#include "platform/rtl/PortFolder.h"

#include <cstdlib>
#include <string>

namespace rtl
{

std::filesystem::path PortFolder()
{
    if (const char *folder = std::getenv("QRV4_PORTS"); folder && *folder) return folder;
    const char *home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".config" / "qrv4" / "ports";
}

std::filesystem::path PortLink(int ComNumber)
{
    return PortFolder() / ("com" + std::to_string(ComNumber));
}

} // namespace rtl
