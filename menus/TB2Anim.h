#pragma once
// The show animation of popups: a short-lived worker thread paces the slide or
// fade and posts the steps; the GUI thread draws them.

#include "platform/rtl/Classes.h"
#include "platform/win/Messages.h"
#include "platform/win/WinTypes.h"

enum TTBAnimationDirectionItem { tbadLeft, tbadRight, tbadDown, tbadUp };
using TTBAnimationDirection = Set<TTBAnimationDirectionItem>;

void TBStartAnimation(HWND Wnd, int Time, bool Fade, TTBAnimationDirection Direction);
// The animated window's handler of the step message.
void TBStepAnimation(TMessage &Message);
// Ends the animation of Wnd, or any animation for a null handle.
void TBEndAnimation(HWND Wnd);
bool TBAnimationRunning();
// The level (0 to 255) the last step showed.
int TBAnimationLevel();
// The GUI thread's latest mouse position, which the worker watches.
void TBNoteCursorPos(POINT Screen);
