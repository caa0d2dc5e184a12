#pragma once
// Windows of our own drawing that pop up over the others (drop-down lists, popup menus).
// They never take the activation, so the window they belong to keeps its caption and focus.

#include "platform/vcl/Controls.h"

namespace vcl
{

// The window of such a popup, belonging to Parent, of the window class ClassName.
void SetPopupParams(TCreateParams &Params, HWND Parent, const char *ClassName);

// Answers a click's activation and hands an activation back to the window that had it.
// Whether Message was one of the two.
bool HandlePopupActivation(TMessage &Message);

} // namespace vcl
