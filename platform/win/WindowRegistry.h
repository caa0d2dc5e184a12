#pragma once
// The window handle registry shared by the window manager, the queue, painting
// and the Qt bridge. Internal to the platform layer.
//
// Threading: the map itself is guarded by a mutex, so any thread may look up a
// handle's owning thread (PostMessage, IsWindow). Every other field is read and
// written only on the window's own thread.

#include "platform/win/ScrollBars.h"
#include "platform/win/WinUser.h"

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace win
{

class WindowWidget;

struct WindowClass {
    std::u16string Name;
    UINT Style = 0;
    WNDPROC Proc = nullptr;
    HBRUSH Background = nullptr;
    HCURSOR Cursor = nullptr;
    int WndExtra = 0;
};

struct Window {
    HWND Handle{};
    DWORD ThreadId = 0;
    std::shared_ptr<const WindowProcedure> Procedure;
    WNDPROC RawProc = nullptr; // the plain procedure behind Procedure, if any
    std::shared_ptr<const WindowClass> Class;
    DWORD Style = 0;
    DWORD ExStyle = 0;
    HWND Parent{};
    HWND Owner{};
    bool MessageOnly = false;
    LONG_PTR UserData = 0;
    LONG_PTR Id = 0;
    std::vector<LONG_PTR> Extra;
    std::u16string Text;

    // Window rectangle in the parent's client coordinates (screen for top-level
    // windows); client rectangle relative to the window's top-left corner.
    RECT Rect{};
    RECT Client{};
    bool Visible = false;
    // Last shown without taking the activation (SWP_NOACTIVATE).
    bool ShownInactive = false;
    bool Enabled = true;
    bool Minimized = false;
    // Maximised, or to be so again when it leaves its icon; Normal is the place it
    // comes back to when restored.
    bool Maximized = false;
    RECT Normal{};
    bool Destroying = false;

    QRegion Update; // client coordinates
    bool EraseBackground = false;
    bool FrameDirty = false;
    bool HasRegion = false;
    QRegion Region; // window coordinates
    BYTE Alpha = 255;

    std::vector<HWND> Children; // Z order, topmost first
    DWORD TrackFlags = 0;       // TrackMouseEvent request still armed
    ScrollBarState HScroll, VScroll;

    std::unique_ptr<WindowWidget> Widget;
    QPointer<QWidget> Native; // a Qt control shown as the client area
    QImage Surface;           // the whole window rectangle; made by SurfaceOf
    // Scrolls of one area of the surface held while a display frame is open (window
    // coordinates): their pixels move once, when the surface is next drawn on or read.
    struct HeldScroll {
        QRect Area;
        QPoint Delta;
    };
    std::optional<HeldScroll> ScrollHeld;

    bool TopLevel() const { return !(Style & WS_CHILD); }
    int Width() const { return Rect.right - Rect.left; }
    int Height() const { return Rect.bottom - Rect.top; }
    // A top-level window with a caption gets its frame from the window manager;
    // every other window is frameless and draws its own non-client area.
    bool ManagedFrame() const { return TopLevel() && (Style & WS_CAPTION) == WS_CAPTION; }
};

// The record of a live window of any thread, or null. Field access is for the
// window's own thread only.
Window *FindWindow(HWND Wnd);
// The window's surface, made white when first asked for: a window never drawn on nor shown
// (a control on a tab not opened yet) holds no picture, and the sizes a window passes through
// while it is laid out cost nothing.
QImage &SurfaceOf(Window &W);
// Moves the pixels of the window's held scrolls, if any.
void ApplyHeldScroll(Window &W);
// A region of a window after the pixels of Area moved by Delta: what lay in Area moves with
// them, as far as Area reaches; the rest stays.
QRegion MovedWithin(const QRegion &Region, const QRect &Area, QPoint Delta);
// The owning thread of a live window, 0 if the handle is dead; safe from any thread.
DWORD WindowThread(HWND Wnd);
// Our top-level windows, topmost first.
std::vector<HWND> TopLevelWindows();
// Every live window of a thread, in creation order (parents before children).
std::vector<HWND> ThreadWindows(DWORD ThreadId);

// Screen position of a window's top-left corner and of its client area.
POINT WindowScreenOrigin(const Window &W);
POINT ClientScreenOrigin(const Window &W);
RECT ScreenRect(const Window &W);

// The window under a screen point by our own hit test (WM_NCHITTEST sent,
// HTTRANSPARENT passed through, regions, Z order) and the hit code it returned.
HWND HitTestPoint(POINT Screen, LRESULT *Hit);

// Calls a window's procedure directly.
LRESULT CallWindow(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

// The calling thread's id as GetCurrentThreadId gives it.
DWORD CurrentThreadId();

// Capture and focus of the calling thread.
HWND ThreadCapture();
// Capture lost from outside (the application was deactivated).
void CancelCapture();
// Called when mouse input goes to a window, for TrackMouseEvent's leave messages.
void NoteMouseOver(HWND Wnd, bool Client);

} // namespace win
