#include "platform/win/Rect.h"
#include "platform/win/SysParams.h"
#include "platform/win/WinGdi.h"

#include <algorithm>

namespace
{

void Fill(HDC Dc, int L, int T, int R, int B, COLORREF Color)
{
    const RECT Area{L, T, R, B};
    const HBRUSH Brush = CreateSolidBrush(Color);
    FillRect(Dc, &Area, Brush);
    DeleteObject(Brush);
}

// One ring of an edge: the top-left colour owns the top and left lines except
// their far ends, the bottom-right colour owns the bottom and right lines.
void Ring(HDC Dc, const RECT &R, COLORREF TopLeft, COLORREF BottomRight, UINT Sides)
{
    if (Sides & BF_TOP) Fill(Dc, R.left, R.top, R.right - 1, R.top + 1, TopLeft);
    if (Sides & BF_LEFT) Fill(Dc, R.left, R.top, R.left + 1, R.bottom - 1, TopLeft);
    if (Sides & BF_BOTTOM) Fill(Dc, R.left, R.bottom - 1, R.right, R.bottom, BottomRight);
    if (Sides & BF_RIGHT) Fill(Dc, R.right - 1, R.top, R.right, R.bottom, BottomRight);
}

void Shrink(RECT &R, UINT Sides)
{
    if (Sides & BF_LEFT) ++R.left;
    if (Sides & BF_TOP) ++R.top;
    if (Sides & BF_RIGHT) --R.right;
    if (Sides & BF_BOTTOM) --R.bottom;
}

// Triangle of a glyph pointing right, left, up or down, centred in a rectangle.
void Arrow(HDC Dc, const RECT &R, int Direction, COLORREF Color)
{
    const int W = R.right - R.left, H = R.bottom - R.top;
    const int Size = std::max(2, std::min(W, H) / 3);
    const int Cx = R.left + W / 2, Cy = R.top + H / 2;
    for (int I = 0; I < Size; ++I) {
        const int Half = Size - 1 - I;
        switch (Direction) {
        case 0:
            Fill(Dc, Cx - Size / 2 + I, Cy - Half, Cx - Size / 2 + I + 1, Cy + Half + 1, Color);
            break;
        case 1:
            Fill(Dc, Cx + Size / 2 - I, Cy - Half, Cx + Size / 2 - I + 1, Cy + Half + 1, Color);
            break;
        case 2:
            Fill(Dc, Cx - Half, Cy - Size / 2 + I, Cx + Half + 1, Cy - Size / 2 + I + 1, Color);
            break;
        default:
            Fill(Dc, Cx - Half, Cy + Size / 2 - I, Cx + Half + 1, Cy + Size / 2 - I + 1, Color);
            break;
        }
    }
}

void Cross(HDC Dc, const RECT &R, COLORREF Color)
{
    const int W = R.right - R.left, H = R.bottom - R.top;
    const int Size = std::max(4, std::min(W, H) - 8);
    const int X = R.left + (W - Size) / 2, Y = R.top + (H - Size) / 2;
    for (int I = 0; I < Size; ++I) {
        Fill(Dc, X + I, Y + I, X + I + 2, Y + I + 1, Color);
        Fill(Dc, X + Size - 2 - I, Y + I, X + Size - I, Y + I + 1, Color);
    }
}

void Check(HDC Dc, const RECT &R, COLORREF Color)
{
    const int Cx = R.left + (R.right - R.left) / 2, Cy = R.top + (R.bottom - R.top) / 2;
    for (int I = 0; I < 7; ++I) {
        const int Y = I < 3 ? Cy - 1 + I : Cy + 1 - (I - 2);
        Fill(Dc, Cx - 3 + I, Y, Cx - 2 + I, Y + 3, Color);
    }
}

void Button(HDC Dc, RECT &R, UINT State)
{
    const UINT Edge = (State & DFCS_PUSHED) ? EDGE_SUNKEN : EDGE_RAISED;
    DrawEdge(Dc, &R, (State & DFCS_FLAT) ? BDR_SUNKENOUTER : Edge, BF_RECT | BF_MIDDLE | BF_ADJUST);
    if (State & DFCS_PUSHED) OffsetRect(&R, 1, 1);
}

} // namespace

BOOL DrawEdge(HDC Dc, LPRECT Rect, UINT Edge, UINT Flags)
{
    if (!Rect) return FALSE;
    RECT R = *Rect;
    const UINT Sides = Flags & BF_RECT;
    const COLORREF Light = GetSysColor(COLOR_3DLIGHT), Dark = GetSysColor(COLOR_3DDKSHADOW);
    const COLORREF High = GetSysColor(COLOR_BTNHIGHLIGHT), Shadow = GetSysColor(COLOR_BTNSHADOW);
    const bool Mono = Flags & BF_MONO, Flat = Flags & BF_FLAT;
    if (Edge & BDR_OUTER) {
        if (Mono)
            Ring(Dc, R, GetSysColor(COLOR_WINDOWFRAME), GetSysColor(COLOR_WINDOWFRAME), Sides);
        else if (Flat)
            Ring(Dc, R, Shadow, Shadow, Sides);
        else if (Edge & BDR_RAISEDOUTER)
            Ring(Dc, R, Light, Dark, Sides);
        else
            Ring(Dc, R, Shadow, High, Sides);
        Shrink(R, Sides);
    }
    if (Edge & BDR_INNER) {
        if (Mono || Flat)
            Ring(Dc, R, GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE), Sides);
        else if (Edge & BDR_RAISEDINNER)
            Ring(Dc, R, High, Shadow, Sides);
        else
            Ring(Dc, R, Dark, Light, Sides);
        Shrink(R, Sides);
    }
    if (Flags & BF_MIDDLE) Fill(Dc, R.left, R.top, R.right, R.bottom, GetSysColor(COLOR_BTNFACE));
    if (Flags & BF_ADJUST) *Rect = R;
    return TRUE;
}

BOOL DrawFrameControl(HDC Dc, LPRECT Rect, UINT Type, UINT State)
{
    if (!Rect) return FALSE;
    RECT R = *Rect;
    const COLORREF Glyph = GetSysColor((State & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    switch (Type) {
    case DFC_MENU:
        // Menu glyphs are masks: black on white, for the caller to colour.
        Fill(Dc, R.left, R.top, R.right, R.bottom, RGB(255, 255, 255));
        switch (State & 0xFF) {
        case DFCS_MENUARROW:
            Arrow(Dc, R, 0, 0);
            break;
        case DFCS_MENUCHECK:
            Check(Dc, R, 0);
            break;
        case DFCS_MENUBULLET: {
            const int Cx = (R.left + R.right) / 2, Cy = (R.top + R.bottom) / 2;
            Fill(Dc, Cx - 2, Cy - 1, Cx + 2, Cy + 2, 0);
            Fill(Dc, Cx - 1, Cy - 2, Cx + 1, Cy + 3, 0);
            break;
        }
        default:
            return FALSE;
        }
        return TRUE;
    case DFC_CAPTION:
        Button(Dc, R, State);
        if ((State & 0xFF) == DFCS_CAPTIONCLOSE)
            Cross(Dc, R, Glyph);
        else if ((State & 0xFF) == DFCS_CAPTIONMIN)
            Fill(Dc, R.left + 3, R.bottom - 4, R.right - 5, R.bottom - 2, Glyph);
        else
            Fill(Dc, R.left + 2, R.top + 2, R.right - 2, R.top + 4, Glyph);
        return TRUE;
    case DFC_SCROLL: {
        Button(Dc, R, State);
        static const int Directions[] = {2, 3, 1, 0, 0, 3};
        const UINT Kind = std::min<UINT>(State & 0xFF, 5);
        Arrow(Dc, R, Directions[Kind], Glyph);
        return TRUE;
    }
    case DFC_BUTTON:
        if (State & DFCS_BUTTONPUSH) {
            Button(Dc, R, State);
            return TRUE;
        }
        DrawEdge(Dc, &R, (State & DFCS_FLAT) ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT | BF_ADJUST);
        Fill(Dc, R.left, R.top, R.right, R.bottom,
             GetSysColor((State & (DFCS_INACTIVE | DFCS_PUSHED)) ? COLOR_BTNFACE : COLOR_WINDOW));
        if (State & DFCS_CHECKED) Check(Dc, R, Glyph);
        return TRUE;
    default:
        return FALSE;
    }
}
