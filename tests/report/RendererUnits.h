#pragma once

// Helpers of the text renderer's tests: its units, 600 dots an inch against the screen's 96,
// and texts written in the test source as UTF-8.

#include "platform/rtl/System.h"

#include <cmath>
#include <ostream>

inline void PrintTo(const WideString &Text, std::ostream *Out)
{
    *Out << '"' << Text.ToUtf8() << '"';
}

constexpr double Ratio = 600.0 / 96;

inline int Nearest(double Value)
{
    return static_cast<int>(std::nearbyint(Value));
}

inline WideString W(const char *Utf8)
{
    return WideString::FromUtf8(Utf8);
}
