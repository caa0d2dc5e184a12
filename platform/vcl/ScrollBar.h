#pragma once
// The vertical scroll bar that a control of ours draws itself along the right of
// its client area (grids, drop-down lists): arrow buttons, a track, and a thumb
// sized to the part in view.

#include "platform/vcl/Graphics.h"

namespace vcl
{

class VertScrollBar
{
public:
    static constexpr int Width = 17;

    // Where the bar stands (client coordinates) and what it scrolls: Count lines,
    // Page of them in view, the first one in view (Position) going from Min to Max.
    void Layout(const TRect &Area, int Min, int Max, int Page, int Count, int Position);
    void Paint(HDC DC) const;
    bool Contains(int X, int Y) const { return FArea.Contains(X, Y); }
    enum class Part { LineUp, LineDown, PageUp, PageDown, Thumb };
    Part PartAt(int Y) const;
    // A press at Y: the arrows step a line, the track a page; the thumb starts a
    // drag. Gives the position to show.
    int Press(int Y);
    bool Dragging() const { return FDragging; }
    // The position that puts the thumb under the pointer while it is dragged.
    int Drag(int Y) const;
    void Release() { FDragging = false; }
    // The thumb's place: the bar's pixels change only when it or the area does.
    TRect Thumb() const;

private:
    TRect FArea;
    int FMin = 0;
    int FMax = 0;
    int FPage = 1;
    int FCount = 1;
    int FPosition = 0;
    bool FDragging = false;
    int FGrip = 0; // where the thumb was taken, from its top
};

} // namespace vcl
