#pragma once
// Real input through xdotool on the display the test runs on, as a person's mouse gives it.

#include "platform/vcl/Controls.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace optest
{

// The test fails where xdotool does.
inline void Xdotool(const std::string &Arguments)
{
    ASSERT_EQ(std::system(("xdotool " + Arguments).c_str()), 0);
}

// A point of Control's client area as xdotool's screen coordinates.
inline std::string At(TControl *Control, int X, int Y)
{
    const TPoint p = Control->ClientToScreen(TPoint(X, Y));
    return std::to_string(p.X) + " " + std::to_string(p.Y);
}

} // namespace optest
