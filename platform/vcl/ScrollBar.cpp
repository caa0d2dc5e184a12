#include "platform/vcl/ScrollBar.h"

#include "platform/win/SysParams.h"

#include <algorithm>

namespace vcl
{

void VertScrollBar::Layout(const TRect &Area, int Min, int Max, int Page, int Count, int Position)
{
    FArea = Area;
    FMin = Min;
    FMax = std::max(Min, Max);
    FPage = std::max(1, Page);
    FCount = std::max(1, Count);
    FPosition = std::clamp(Position, FMin, FMax);
}

TRect VertScrollBar::Thumb() const
{
    const int track = std::max(0, FArea.Height() - 2 * Width);
    const int size = std::clamp(track * FPage / FCount, 8, std::max(8, track));
    const int range = std::max(1, FMax - FMin);
    const int top = FArea.Top + Width + (track - size) * (FPosition - FMin) / range;
    return TRect(FArea.Left, top, FArea.Right, top + size);
}

void VertScrollBar::Paint(HDC DC) const
{
    const RECT area = FArea;
    FillRect(DC, &area, GetSysColorBrush(COLOR_3DLIGHT));
    RECT up{FArea.Left, FArea.Top, FArea.Right, FArea.Top + Width};
    RECT down{FArea.Left, FArea.Bottom - Width, FArea.Right, FArea.Bottom};
    DrawFrameControl(DC, &up, DFC_SCROLL, DFCS_SCROLLUP);
    DrawFrameControl(DC, &down, DFC_SCROLL, DFCS_SCROLLDOWN);
    RECT thumb = Thumb();
    DrawFrameControl(DC, &thumb, DFC_BUTTON, DFCS_BUTTONPUSH);
}

VertScrollBar::Part VertScrollBar::PartAt(int Y) const
{
    const TRect thumb = Thumb();
    if (Y < FArea.Top + Width) return Part::LineUp;
    if (Y >= FArea.Bottom - Width) return Part::LineDown;
    if (Y < thumb.Top) return Part::PageUp;
    if (Y >= thumb.Bottom) return Part::PageDown;
    return Part::Thumb;
}

int VertScrollBar::Press(int Y)
{
    const int page = std::max(1, FPage - 1);
    int position = FPosition;
    switch (PartAt(Y)) {
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
        FGrip = Y - Thumb().Top;
        break;
    }
    return std::clamp(position, FMin, FMax);
}

int VertScrollBar::Drag(int Y) const
{
    const int track = std::max(1, FArea.Height() - 2 * Width - Thumb().Height());
    const int offset = std::clamp(Y - FGrip - FArea.Top - Width, 0, track);
    return FMin + (FMax - FMin) * offset / track;
}

} // namespace vcl
