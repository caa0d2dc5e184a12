#include "platform/vcl/ScrollBar.h"

#include "platform/win/SysParams.h"

#include <algorithm>

namespace vcl
{

void ScrollBar::Layout(const TRect &Area, int Min, int Max, int Page, int Count, int Position)
{
    FArea = Area;
    FMin = Min;
    FMax = std::max(Min, Max);
    FPage = std::max(1, Page);
    FCount = std::max(1, Count);
    FPosition = std::clamp(Position, FMin, FMax);
}

TRect ScrollBar::Span(int First, int Last) const
{
    return FHorizontal ? TRect(First, FArea.Top, Last, FArea.Bottom)
                       : TRect(FArea.Left, First, FArea.Right, Last);
}

TRect ScrollBar::Thumb() const
{
    const int track = std::max(0, End() - Start() - 2 * Thickness);
    const int size = std::clamp(track * FPage / FCount, 8, std::max(8, track));
    const int range = std::max(1, FMax - FMin);
    const int first = Start() + Thickness + (track - size) * (FPosition - FMin) / range;
    return Span(first, first + size);
}

void ScrollBar::Paint(HDC DC) const
{
    const RECT area = FArea;
    FillRect(DC, &area, GetSysColorBrush(COLOR_3DLIGHT));
    RECT back = Span(Start(), Start() + Thickness);
    RECT on = Span(End() - Thickness, End());
    DrawFrameControl(DC, &back, DFC_SCROLL, FHorizontal ? DFCS_SCROLLLEFT : DFCS_SCROLLUP);
    DrawFrameControl(DC, &on, DFC_SCROLL, FHorizontal ? DFCS_SCROLLRIGHT : DFCS_SCROLLDOWN);
    RECT thumb = Thumb();
    DrawFrameControl(DC, &thumb, DFC_BUTTON, DFCS_BUTTONPUSH);
}

ScrollBar::Part ScrollBar::PartAt(int At) const
{
    const TRect thumb = Thumb();
    if (At < Start() + Thickness) return Part::LineUp;
    if (At >= End() - Thickness) return Part::LineDown;
    if (At < Along(thumb.TopLeft())) return Part::PageUp;
    if (At >= Along(thumb.BottomRight())) return Part::PageDown;
    return Part::Thumb;
}

int ScrollBar::Press(int At)
{
    const int page = std::max(1, FPage - 1);
    int position = FPosition;
    switch (PartAt(At)) {
    case Part::LineUp:
        position -= 1;
        break;
    case Part::LineDown:
        position += 1;
        break;
    case Part::PageUp:
        position -= page;
        break;
    case Part::PageDown:
        position += page;
        break;
    case Part::Thumb:
        FDragging = true;
        FGrip = At - Along(Thumb().TopLeft());
        break;
    }
    return std::clamp(position, FMin, FMax);
}

int ScrollBar::Drag(int At) const
{
    const TRect thumb = Thumb();
    const int size = FHorizontal ? thumb.Width() : thumb.Height();
    const int track = std::max(1, End() - Start() - 2 * Thickness - size);
    const int offset = std::clamp(At - FGrip - Start() - Thickness, 0, track);
    return FMin + (FMax - FMin) * offset / track;
}

} // namespace vcl
