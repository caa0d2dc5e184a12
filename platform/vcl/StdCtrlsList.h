#pragma once
// How a combo box hears of its drop-down list window.

#include "platform/win/WinTypes.h"

// Sent to a combo box as its list opens, with the list window in LParam: the
// list lies under the box, as wide as the box, and is not shown yet, so the
// box may move and size it first. The system's number for the message.
constexpr UINT WM_CTLCOLORLISTBOX = 0x0134;
