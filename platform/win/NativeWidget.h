#pragma once
// Qt widgets as the face of a window (edit, memo, combo box, date picker). The
// widget fills the window's client area; its input is queued like any window's
// input, and when an input message reaches DefWindowProc the widget gets its
// own Qt event back. A key that types text comes back with WM_CHAR, carrying
// the character the message holds by then, so a handler may change or drop it.

#include "platform/win/WinTypes.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace win
{

bool AttachNativeWidget(HWND Wnd, QWidget *Widget);
QWidget *NativeWidget(HWND Wnd);

// A Qt input event waiting for its message to be handled. Internal.
struct NativeEvent {
    std::unique_ptr<QEvent> Event;
    QPointer<QWidget> Target;
};

// The window whose native control this object is, or is part of; null for any other object,
// which is not looked at.
HWND NativeOwner(const QObject *Object);
// Keeps a native control's parts known as Qt adds and removes them; for the events of a
// part of the control of Wnd.
void NoteNativeParts(HWND Wnd, QEvent *Event);
// Whether this event is one being handed back, which Qt must then handle.
bool Replaying(const QEvent *Event);
// Hands the waiting Qt event of an input message back to its widget; false when there was none.
bool ReplayNative(HWND Wnd, UINT Msg, WPARAM WParam);

} // namespace win
