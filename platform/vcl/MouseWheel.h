#pragma once
// How far the controls that scroll themselves (lists, the tree view) move for the wheel.

#include "platform/win/WinUser.h"

namespace vcl
{

// Lines a turn of WheelDelta (WM_MOUSEWHEEL's signed amount) scrolls by: three a notch,
// positive towards the end.
constexpr int WheelLines(int WheelDelta)
{
    return -WheelDelta / WHEEL_DELTA * 3;
}

// The same for the WParam of a WM_MOUSEWHEEL message.
constexpr int WheelLines(WPARAM WParam)
{
    return WheelLines(static_cast<SHORT>(HIWORD(WParam)));
}

} // namespace vcl
