#pragma once
// How far the controls that scroll themselves (lists, the tree view, the preview) move
// for the wheel.

#include "platform/win/WinUser.h"

namespace vcl
{

// Turns WM_MOUSEWHEEL amounts into whole steps. Touchpads and high-resolution wheels send
// fractions of a notch; what does not make a whole step is kept for the next turn
// instead of being dropped.
class WheelAccumulator
{
public:
    // Steps for WheelDelta when a notch (WHEEL_DELTA) is worth StepsPerNotch; positive
    // away from the user.
    int Steps(int WheelDelta, int StepsPerNotch)
    {
        FRest += WheelDelta * StepsPerNotch;
        const int Result = FRest / WHEEL_DELTA;
        FRest -= Result * WHEEL_DELTA;
        return Result;
    }

    // Lines to scroll: three a notch, positive towards the end.
    int Lines(int WheelDelta) { return -Steps(WheelDelta, 3); }

    // The same for the WParam of a WM_MOUSEWHEEL message.
    int Lines(WPARAM WParam) { return Lines(static_cast<SHORT>(HIWORD(WParam))); }

private:
    int FRest = 0;
};

} // namespace vcl
