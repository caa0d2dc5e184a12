#pragma once
// What the window manager, painting and the Qt bridge need of the message queue
// and the input state. Internal to the platform layer.

#include "platform/win/MessageQueue.h"

#include <memory>

namespace win
{

struct NativeEvent;

// Gives the input record queued last the Qt event behind it.
void AttachNativeEvent(std::shared_ptr<NativeEvent> Event);
// The Qt event of the input message taken last for a window, if it is that message.
std::shared_ptr<NativeEvent> TakeNativeEvent(HWND Wnd, UINT Msg);

// Drops a dying window's posted messages and timers from its thread's queue.
void ForgetWindowMessages(HWND Wnd);
// Gives the calling thread its queue, as its first window does on Win32.
void EnsureQueue();
// Tells the calling thread's queue that its window needs painting, so a waiting
// GetMessage or WaitMessage wakes.
void NotePaintPending(HWND Wnd);
// Tells a thread's queue, without waking it, that the update region or frame of
// its window became dirty: shown or resized.
void NotePaintMayBeDue(DWORD ThreadId, HWND Wnd);
// Tells every queue that which windows are visible may have changed: shown,
// hidden, re-parented or restyled.
void NoteVisibilityChanged();
// Handles the messages other threads sent and paints one window that waits for it; posted
// messages, input, timers and the quit flag stay in the queue as they are, for the thread's
// own loop. False when no window waited. For a wait that must not run the program's handlers.
bool DispatchPaintOnly();
// Runs something Qt reported (close, resize, activation) from the thread's own
// message calls, never inside Qt's event handling.
void DeferToLoop(std::function<void()> Action);

// Key and button state as of the current message, and as of now.
void ApplyInputState(int VirtualKey, bool Down);
void ApplyAsyncState(int VirtualKey, bool Down);
WPARAM MouseKeyFlags(const BYTE *States);
const BYTE *CurrentKeyStates();
// Every key and button up, for this thread's messages and as of now; toggles stay.
void ReleaseAllKeys();
void SetLastCursorPos(POINT Point);

} // namespace win
