#include "tools/devsim/client/BareLine.h"

#include "tools/devsim/Simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace devsim
{

TBareLine::TBareLine(const std::string &Path, speed_t Speed)
    : FFd(open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
{
    if (FFd >= 0) MakeRawLine(FFd, Speed);
}

TBareLine::~TBareLine()
{
    if (FFd >= 0) close(FFd);
}

bool TBareLine::Send(const Bytes &Data)
{
    return write(FFd, Data.data(), Data.size()) == static_cast<ssize_t>(Data.size());
}

Bytes TBareLine::Receive(std::size_t Count, std::chrono::milliseconds Quiet)
{
    Bytes got;
    got.reserve(Count);
    while (got.size() < Count) {
        pollfd p{FFd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(Quiet.count())) <= 0) break;
        std::uint8_t chunk[512];
        const ssize_t n = read(FFd, chunk, sizeof chunk);
        if (n <= 0) break;
        got.insert(got.end(), chunk, chunk + n);
    }
    return got;
}

bool TBareLine::HungUp()
{
    pollfd p{FFd, POLLIN, 0};
    if (poll(&p, 1, 2000) <= 0) return false;
    std::uint8_t b;
    return (p.revents & (POLLHUP | POLLERR)) || read(FFd, &b, 1) <= 0;
}

} // namespace devsim
