#pragma once
// Windows of our own drawing that pop up over the others (drop-down lists, popup menus).
// They never take the activation, so the window they belong to keeps its caption and focus.

#include "platform/vcl/Controls.h"

#include <functional>

namespace vcl
{

// The window of such a popup, belonging to Parent, of the window class ClassName.
void SetPopupParams(TCreateParams &Params, HWND Parent, const char *ClassName);

// Answers a click's activation and hands an activation back to the window that had it.
// Whether Message was one of the two.
bool HandlePopupActivation(TMessage &Message);

// For the window Popup of a drop-down of Owner (a list, a calendar): besides the activation,
// it closes by Close when the mouse capture goes to another window, and hands the focus
// straight back to Owner, which keeps it while the drop-down is open. Whether Message was
// one of these.
bool HandleDropDownMessage(TMessage &Message, HWND Popup, TWinControl *Owner,
                           const std::function<void()> &Close);

} // namespace vcl
