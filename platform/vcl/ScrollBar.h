#pragma once
// The scroll bar that a control of ours draws itself inside its client area
// (grids, drop-down lists), along its right side or its bottom: arrow buttons,
// a track, and a thumb sized to the part in view.

#include "platform/vcl/Graphics.h"

namespace vcl
{

class ScrollBar
{
public:
    // Across the bar: the width of a vertical one, the height of a horizontal one.
    static constexpr int Thickness = 17;

    explicit ScrollBar(bool Horizontal = false) : FHorizontal(Horizontal) {}

    // Where the bar stands (client coordinates) and what it scrolls: Count lines,
    // Page of them in view, the first one in view (Position) going from Min to Max.
    void Layout(const TRect &Area, int Min, int Max, int Page, int Count, int Position);
    void Paint(HDC DC) const;
    bool Contains(int X, int Y) const { return FArea.Contains(X, Y); }
    enum class Part { LineUp, LineDown, PageUp, PageDown, Thumb };
    // The parts by a point's place along the bar: Y on a vertical one, X on a horizontal one.
    Part PartAt(int At) const;
    // A press at At: the arrows step a line, the track a page; the thumb starts a
    // drag. Gives the position to show.
    int Press(int At);
    bool Dragging() const { return FDragging; }
    // The position that puts the thumb under the pointer while it is dragged.
    int Drag(int At) const;
    void Release() { FDragging = false; }
    // The thumb's place: the bar's pixels change only when it or the area does.
    TRect Thumb() const;
    // The coordinate of P along the bar.
    int Along(const TPoint &P) const { return FHorizontal ? P.X : P.Y; }

private:
    int Start() const { return FHorizontal ? FArea.Left : FArea.Top; }
    int End() const { return FHorizontal ? FArea.Right : FArea.Bottom; }
    // A rectangle across the bar from First to Last along it.
    TRect Span(int First, int Last) const;

    bool FHorizontal;
    TRect FArea;
    int FMin = 0;
    int FMax = 0;
    int FPage = 1;
    int FCount = 1;
    int FPosition = 0;
    bool FDragging = false;
    int FGrip = 0; // where the thumb was taken, from its start
};

} // namespace vcl
