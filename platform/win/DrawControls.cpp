#include "platform/win/GdiObjects.h"
#include "platform/win/Icon.h"
#include "platform/win/Rect.h"
#include "platform/win/SysParams.h"
#include "platform/win/WinGdi.h"

#include <algorithm>
#include <string>

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

enum class Pointing { Right, Left, Up, Down };

// Triangle of a glyph centred in a rectangle: Size columns (or rows) from its
// wide base to its tip.
void Arrow(HDC Dc, const RECT &R, Pointing Direction, COLORREF Color)
{
    const int W = R.right - R.left, H = R.bottom - R.top;
    const int Size = std::max(2, std::min(W, H) / 3);
    const int Cx = R.left + W / 2, Cy = R.top + H / 2;
    for (int I = 0; I < Size; ++I) {
        const int Half = Size - 1 - I;
        switch (Direction) {
        case Pointing::Right:
            Fill(Dc, Cx - Size / 2 + I, Cy - Half, Cx - Size / 2 + I + 1, Cy + Half + 1, Color);
            break;
        case Pointing::Left:
            Fill(Dc, Cx + Size / 2 - I, Cy - Half, Cx + Size / 2 - I + 1, Cy + Half + 1, Color);
            break;
        case Pointing::Down:
            Fill(Dc, Cx - Half, Cy - Size / 2 + I, Cx + Half + 1, Cy - Size / 2 + I + 1, Color);
            break;
        case Pointing::Up:
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
            Arrow(Dc, R, Pointing::Right, 0);
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
        // By DFCS_SCROLLUP, DOWN, LEFT, RIGHT, (size grip), COMBOBOX.
        static const Pointing Directions[] = {Pointing::Up,    Pointing::Down,  Pointing::Left,
                                              Pointing::Right, Pointing::Right, Pointing::Down};
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

namespace
{

SIZE ContentSize(HDC Dc, LPARAM Data, WPARAM WData, UINT Kind)
{
    switch (Kind) {
    case DST_ICON:
        if (const win::IconData *I = win::IconOf(reinterpret_cast<HICON>(Data)))
            return SIZE{I->Picture.width(), I->Picture.height()};
        return SIZE{0, 0};
    case DST_BITMAP:
        if (const win::BitmapData *B = win::BitmapOf(reinterpret_cast<HBITMAP>(Data)))
            return SIZE{B->Width, B->Height};
        return SIZE{0, 0};
    case DST_TEXT:
    case DST_PREFIXTEXT: {
        const auto *Text = reinterpret_cast<LPCWSTR>(Data);
        RECT R{0, 0, 0, 0};
        DrawTextW(Dc, Text, WData ? static_cast<int>(WData) : -1, &R,
                  DT_SINGLELINE | DT_CALCRECT | (Kind == DST_TEXT ? DT_NOPREFIX : 0));
        return SIZE{R.right, R.bottom};
    }
    default:
        return SIZE{0, 0};
    }
}

// The content drawn black on white in a scratch bitmap of its own.
void DrawContent(HDC Target, HDC Scratch, DRAWSTATEPROC Output, LPARAM Data, WPARAM WData, int Cx,
                 int Cy, UINT Flags)
{
    const UINT Kind = Flags & 0x000F;
    switch (Kind) {
    case DST_ICON:
        DrawIconEx(Scratch, 0, 0, reinterpret_cast<HICON>(Data), Cx, Cy, 0, {}, DI_NORMAL);
        break;
    case DST_BITMAP: {
        const HDC Src = CreateCompatibleDC({});
        const HGDIOBJ Old = SelectObject(Src, reinterpret_cast<HBITMAP>(Data));
        BitBlt(Scratch, 0, 0, Cx, Cy, Src, 0, 0, SRCCOPY);
        SelectObject(Src, Old);
        DeleteDC(Src);
        break;
    }
    case DST_TEXT:
    case DST_PREFIXTEXT: {
        SelectObject(Scratch, GetCurrentObject(Target, OBJ_FONT));
        SetBkMode(Scratch, TRANSPARENT);
        SetTextColor(Scratch, 0);
        RECT R{0, 0, Cx, Cy};
        UINT Format = DT_SINGLELINE | (Kind == DST_TEXT ? DT_NOPREFIX : 0);
        if (Flags & DSS_HIDEPREFIX) Format |= DT_HIDEPREFIX;
        if (Flags & DSS_PREFIXONLY) Format |= DT_PREFIXONLY;
        DrawTextW(Scratch, reinterpret_cast<LPCWSTR>(Data), WData ? static_cast<int>(WData) : -1,
                  &R, Format);
        break;
    }
    default:
        if (Output) Output(Scratch, Data, WData, Cx, Cy);
    }
}

// The pixels of a picture that are not white, as a region at (X, Y).
HRGN InkRegion(const QImage &Image, int X, int Y)
{
    QRegion Ink;
    for (int Row = 0; Row < Image.height(); ++Row) {
        int Start = -1;
        for (int Col = 0; Col <= Image.width(); ++Col) {
            const bool On = Col < Image.width() && (Image.pixel(Col, Row) & 0xFFFFFF) != 0xFFFFFF;
            if (On && Start < 0) Start = Col;
            if (!On && Start >= 0) {
                Ink += QRect(X + Start, Y + Row, Col - Start, 1);
                Start = -1;
            }
        }
    }
    return win::NewRegion(Ink);
}

} // namespace

BOOL DrawStateW(HDC Dc, HBRUSH Brush, DRAWSTATEPROC Output, LPARAM Data, WPARAM WData, int X, int Y,
                int Cx, int Cy, UINT Flags)
{
    const UINT Kind = Flags & 0x000F;
    if (Cx == 0 || Cy == 0) {
        const SIZE S = ContentSize(Dc, Data, WData, Kind);
        if (Cx == 0) Cx = S.cx;
        if (Cy == 0) Cy = S.cy;
    }
    if (Cx <= 0 || Cy <= 0) return FALSE;
    if (!(Flags & (DSS_MONO | DSS_DISABLED))) {
        if (Kind == DST_COMPLEX && Output) return Output(Dc, Data, WData, Cx, Cy);
        if (Kind == DST_ICON)
            return DrawIconEx(Dc, X, Y, reinterpret_cast<HICON>(Data), Cx, Cy, 0, {}, DI_NORMAL);
    }
    const HDC Scratch = CreateCompatibleDC({});
    const HBITMAP Picture = CreateBitmap(Cx, Cy, 1, 32, nullptr);
    const HGDIOBJ Old = SelectObject(Scratch, Picture);
    const RECT All{0, 0, Cx, Cy};
    FillRect(Scratch, &All, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawContent(Dc, Scratch, Output, Data, WData, Cx, Cy, Flags);
    const QImage Drawn = win::BitmapOf(Picture)->Image.copy(0, 0, Cx, Cy);
    SelectObject(Scratch, Old);
    DeleteObject(Picture);
    DeleteDC(Scratch);
    auto Paint = [&](int Dx, int Dy, HBRUSH With) {
        const HRGN Ink = InkRegion(Drawn, X + Dx, Y + Dy);
        FillRgn(Dc, Ink, With);
        DeleteObject(Ink);
    };
    if (Flags & DSS_DISABLED) {
        Paint(1, 1, GetSysColorBrush(COLOR_3DHILIGHT));
        Paint(0, 0, GetSysColorBrush(COLOR_3DSHADOW));
    } else if (Flags & DSS_MONO) {
        Paint(0, 0, Brush ? Brush : static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    } else {
        // Text and bitmaps in their own colours: the text colour for text.
        const HBRUSH Ink = CreateSolidBrush(GetTextColor(Dc));
        Paint(0, 0, Ink);
        DeleteObject(Ink);
    }
    return TRUE;
}

BOOL DrawCaption(HWND Wnd, HDC Dc, const RECT *Rect, UINT Flags)
{
    if (!Rect) return FALSE;
    const bool Active = Flags & DC_ACTIVE;
    BOOL Gradient = FALSE;
    SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &Gradient, 0);
    const COLORREF From = GetSysColor(Active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION);
    if ((Flags & DC_GRADIENT) && Gradient) {
        const COLORREF To =
            GetSysColor(Active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION);
        TRIVERTEX V[2] = {{Rect->left, Rect->top, COLOR16(GetRValue(From) << 8),
                           COLOR16(GetGValue(From) << 8), COLOR16(GetBValue(From) << 8), 0},
                          {Rect->right, Rect->bottom, COLOR16(GetRValue(To) << 8),
                           COLOR16(GetGValue(To) << 8), COLOR16(GetBValue(To) << 8), 0}};
        GRADIENT_RECT G{0, 1};
        GradientFill(Dc, V, 2, &G, 1, GRADIENT_FILL_RECT_H);
    } else {
        FillRect(Dc, Rect, GetSysColorBrush(Active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    }
    if (!(Flags & DC_TEXT)) return TRUE;
    const int Length = GetWindowTextLengthW(Wnd);
    std::u16string Text(static_cast<std::size_t>(Length) + 1, u'\0');
    GetWindowTextW(Wnd, Text.data(), Length + 1);
    NONCLIENTMETRICSW Metrics{};
    Metrics.cbSize = sizeof(Metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, &Metrics, 0);
    const HFONT Font = CreateFontIndirectW((Flags & DC_SMALLCAP) ? &Metrics.lfSmCaptionFont
                                                                 : &Metrics.lfCaptionFont);
    const int Saved = SaveDC(Dc);
    SelectObject(Dc, Font);
    SetBkMode(Dc, TRANSPARENT);
    SetTextColor(Dc, GetSysColor(Active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    RECT TextRect = *Rect;
    TextRect.left += 2;
    DrawTextW(Dc, Text.c_str(), Length, &TextRect,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    RestoreDC(Dc, Saved);
    DeleteObject(Font);
    return TRUE;
}
