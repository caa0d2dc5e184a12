#pragma once
// The Qt side of a window: a widget that only shows the window's surface, and the
// application event filter that turns Qt input into queue records. Internal.

#include "platform/win/WindowRegistry.h"

#include <QCursor>
#include <QWidget>

namespace win
{

class WindowWidget : public QWidget
{
public:
    // Where a window we minimised is on its way to its icon: still on the screen, or gone.
    enum class IconStage { None, Going, Away };

    WindowWidget(HWND Wnd, QWidget *Parent, Qt::WindowFlags Flags);
    ~WindowWidget() override;
    HWND Handle() const { return FHandle; }
    // The flags it was made with; Qt may report others once it is shown.
    Qt::WindowFlags MadeWith() const { return FFlags; }
    IconStage Stage() const { return FStage; }
    void SetStage(IconStage Stage) { FStage = Stage; }

protected:
    void paintEvent(QPaintEvent *Event) override;

private:
    HWND FHandle;
    Qt::WindowFlags FFlags;
    IconStage FStage = IconStage::None;
};

// Whether windows created on this thread get a widget: a QApplication exists and
// this is its thread.
bool GuiThread();
// Whether the platform plugin can shape and stack windows (offscreen cannot).
bool WindowSystemCapable();

// The window manager keeps Widget's window above the top-level window that Owner is or lies in.
void KeepAbove(QWidget &Widget, HWND Owner);
// Creates, re-parents, moves, shows or hides the window's widget to match its record.
void SyncWidget(Window &W);
// A top-level window shown minimised or restored is so on screen too; restored
// without Activate, it leaves the focus where it is.
void SyncMinimized(Window &W, bool Activate);
// A maximised window with a window-manager frame is maximised by the window manager too, which
// fits its frame to the work area; any other fills it by its size alone.
void SyncMaximized(Window &W);
// The window left its icon: the window manager's focus is settled once all that came back is up.
void NoteBackFromIcon(Window &W);
// Makes the window's widget and its children's again, under the window's parent now.
void RebuildWidget(Window &W);
// A top-level window's text becomes its title on screen.
void SetWidgetTitle(HWND Wnd);
// Pushes a changed part of the surface (window coordinates) to the screen.
void UpdateWidget(Window &W, const QRect &Area);
// The surface's Area (window coordinates) moved by Dx, Dy: the screen's copy moves the same way;
// when the part uncovered is to be painted, it moves with that paint.
void ScrollWidget(Window &W, int Dx, int Dy, const QRect &Area, bool UncoveredPainted);
// Whether a scroll of the window's surface may wait for the end of the display frame: the frame
// is open, and the window does not wait for the paint that follows its last held scroll.
bool FrameHoldsScrollOf(const Window &W);
// The window's surface holds a scroll until the frame ends; the window is not painted meanwhile.
void NoteScrollHeld(HWND Wnd);
// The window painted: what the screen waited for since its held scroll's pixels moved is shown.
void ShowAfterPaint(HWND Wnd);
void GrabPointer(Window &W, bool Grab);
void ApplyCursor(Window *W, HCURSOR Cursor, bool Captured);
// What Qt shows for a cursor handle: our own picture or the stock shape it names.
QCursor QtCursor(HCURSOR Cursor);
void ActivateWidget(Window &W);

} // namespace win
