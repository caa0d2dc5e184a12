#pragma once
// The program's end of the simulated device's line in plain POSIX, raw at one
// speed, with nothing of the program in between: for the tests and benchmarks
// of the device itself.

#include "tools/devsim/Memory.h"

#include <chrono>
#include <string>

#include <termios.h>

namespace devsim
{

class TBareLine
{
public:
    TBareLine(const std::string &Path, speed_t Speed);
    ~TBareLine();
    TBareLine(const TBareLine &) = delete;
    TBareLine &operator=(const TBareLine &) = delete;

    bool IsOpen() const { return FFd >= 0; }
    // Whether all of Data went out.
    bool Send(const Bytes &Data);
    // Everything that arrives until Count bytes are there or the line stays quiet for Quiet.
    Bytes Receive(std::size_t Count, std::chrono::milliseconds Quiet);
    // True when the device has gone: the line reports a hang-up or an end of file.
    bool HungUp();

private:
    int FFd = -1;
};

} // namespace devsim
