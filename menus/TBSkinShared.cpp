#include "menus/TBSkinShared.h"

#include "menus/TTBItemViewer.h"
#include "menus/TTBView.h"
#include "platform/win/Paint.h"

#include <algorithm>
#include <cmath>

namespace
{

int BlendChannel(int C1, int C2, long double W)
{
    const long double Value = std::nearbyint((1.0L - W) * C1 + W * C2);
    if (Value < 0) return 0;
    if (Value > 255) return C1;
    return static_cast<int>(Value);
}

COLORREF LighterRGB(COLORREF C, int Percent)
{
    auto Channel = [Percent](int V) { return V + (255 - V) * Percent / 100; };
    return RGB(Channel(GetRValue(C)), Channel(GetGValue(C)), Channel(GetBValue(C)));
}

COLORREF DarkerRGB(COLORREF C, int Amount)
{
    auto Channel = [Amount](int V) { return std::max(V - Amount, 0); };
    return RGB(Channel(GetRValue(C)), Channel(GetGValue(C)), Channel(GetBValue(C)));
}

} // namespace

TColor BlendColors(TColor C1, TColor C2, long double W)
{
    const COLORREF A = ColorToRGB(C1), B = ColorToRGB(C2);
    return static_cast<TColor>(RGB(BlendChannel(GetRValue(A), GetRValue(B), W),
                                   BlendChannel(GetGValue(A), GetGValue(B), W),
                                   BlendChannel(GetBValue(A), GetBValue(B), W)));
}

TColor ColorLighter(TColor Color, int Percent)
{
    return static_cast<TColor>(LighterRGB(ColorToRGB(Color), Percent));
}

TColor ColorDarker(TColor Color, int Amount)
{
    return static_cast<TColor>(DarkerRGB(ColorToRGB(Color), Amount));
}

COLORREF ColorLighterRGB(COLORREF Color, int Percent)
{
    return LighterRGB(Color, Percent);
}

COLORREF ColorDarkerRGB(COLORREF Color, int Amount)
{
    return DarkerRGB(Color, Amount);
}

void RecalcFrame(HWND Wnd)
{
    SetWindowPos(Wnd, {}, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FillRectRGB(HDC DC, const RECT &R, COLORREF Color)
{
    const HBRUSH Brush = CreateSolidBrush(Color);
    FillRect(DC, &R, Brush);
    DeleteObject(Brush);
}

void FrameRectRGB(HDC DC, const RECT &R, COLORREF Color)
{
    const HBRUSH Brush = CreateSolidBrush(Color);
    FrameRect(DC, &R, Brush);
    DeleteObject(Brush);
}

void DrawGlyphRows(HDC DC, const BYTE *Rows, int RowCount, int X, int Y, COLORREF Color)
{
    for (int Row = 0; Row < RowCount; ++Row)
        for (int Col = 0; Col < 8; ++Col)
            if (Rows[Row] & (0x80 >> Col)) SetPixelV(DC, X + Col, Y + Row, Color);
}

void FillGradient(HDC DC, const TRect &R, TColor StartColor, TColor EndColor, TTBGradDir Direction)
{
    const COLORREF S = ColorToRGB(StartColor), E = ColorToRGB(EndColor);
    TRIVERTEX Vertices[2] = {
        {R.Left, R.Top, static_cast<COLOR16>(GetRValue(S) << 8),
         static_cast<COLOR16>(GetGValue(S) << 8), static_cast<COLOR16>(GetBValue(S) << 8), 0},
        {R.Right, R.Bottom, static_cast<COLOR16>(GetRValue(E) << 8),
         static_cast<COLOR16>(GetGValue(E) << 8), static_cast<COLOR16>(GetBValue(E) << 8), 0}};
    GRADIENT_RECT Mesh{0, 1};
    GradientFill(DC, Vertices, 2, &Mesh, 1,
                 Direction == tbgLeftRight ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
}

void FillGradient2(HDC DC, const TRect &R, TColor StartColor, TColor EndColor, TTBGradDir Direction)
{
    const COLORREF S = ColorToRGB(StartColor), E = ColorToRGB(EndColor);
    const int Count = Direction == tbgLeftRight ? R.Width() : R.Height();
    for (int I = 0; I < Count; ++I) {
        auto Channel = [&](int A, int B) { return A + (B - A) * I / std::max(Count - 1, 1); };
        const HBRUSH Brush = CreateSolidBrush(RGB(Channel(GetRValue(S), GetRValue(E)),
                                                  Channel(GetGValue(S), GetGValue(E)),
                                                  Channel(GetBValue(S), GetBValue(E))));
        const RECT Band = Direction == tbgLeftRight
                              ? RECT{R.Left + I, R.Top, R.Left + I + 1, R.Bottom}
                              : RECT{R.Left, R.Top + I, R.Right, R.Top + I + 1};
        FillRect(DC, &Band, Brush);
        DeleteObject(Brush);
    }
}

void PolylineEx(HDC DC, const std::vector<POINT> &Points, int LastIndex)
{
    Polyline(DC, Points.data(), LastIndex + 1);
}

namespace
{

// The background under R (A) and the image drawn over a copy of it (B), both 32-bit.
struct IconWork {
    TBitmap Background;
    TBitmap Drawn;
    int Width = 0;
    int Height = 0;

    IconWork(TCanvas *Canvas, const TRect &R, TCustomImageList *Images, int ImageIndex)
        : Width(std::min(Images->Width(), R.Width())),
          Height(std::min(Images->Height(), R.Height()))
    {
        for (TBitmap *Bitmap : {&Background, &Drawn}) {
            Bitmap->SetPixelFormat(pf32bit);
            Bitmap->SetWidth(Width);
            Bitmap->SetHeight(Height);
        }
        const TRect Area(0, 0, Width, Height);
        Background.Canvas()->CopyRect(Area, Canvas, Bounds(R.Left, R.Top, Width, Height));
        Drawn.Canvas()->CopyRect(Area, Background.Canvas(), Area);
        Images->Draw(Drawn.Canvas(), 0, 0, ImageIndex);
    }

    template <class Mix> void Combine(Mix MixPixel)
    {
        for (int Y = 0; Y < Height; ++Y) {
            auto *A = static_cast<DWORD *>(Background.ScanLine(Y));
            const auto *B = static_cast<const DWORD *>(Drawn.ScanLine(Y));
            for (int X = 0; X < Width; ++X)
                if ((A[X] & 0xFFFFFF) != (B[X] & 0xFFFFFF)) A[X] = MixPixel(A[X], B[X]);
        }
    }

    void CopyBack(TCanvas *Canvas, const TRect &R)
    {
        Canvas->CopyRect(Bounds(R.Left, R.Top, Width, Height), Background.Canvas(),
                         TRect(0, 0, Width, Height));
    }
};

} // namespace

void BlendSkinIcon(TCanvas *Canvas, const TRect &R, TCustomImageList *Images, int ImageIndex,
                   int Opacity)
{
    if (!Images || R.Width() <= 0 || R.Height() <= 0) return;
    IconWork Work(Canvas, R, Images, ImageIndex);
    const DWORD Keep = 255 - static_cast<DWORD>(Opacity), Take = static_cast<DWORD>(Opacity);
    Work.Combine([&](DWORD A, DWORD B) {
        const DWORD RedBlue = (((B & 0xFF00FF) * Take + (A & 0xFF00FF) * Keep) >> 8) & 0xFF00FF;
        const DWORD Green = (((B & 0xFF00) * Take + (A & 0xFF00) * Keep) >> 8) & 0xFF00;
        return RedBlue | Green;
    });
    Work.CopyBack(Canvas, R);
}

void DrawSkinIconShadow(TCanvas *Canvas, const TRect &R, TCustomImageList *Images, int ImageIndex,
                        bool Light)
{
    if (!Images || R.Width() <= 0 || R.Height() <= 0) return;
    IconWork Work(Canvas, R, Images, ImageIndex);
    Work.Combine([&](DWORD A, DWORD B) {
        // 32-bit pixels are stored blue, green, red from the low byte.
        const DWORD Red = (B >> 16) & 0xFF, Green = (B >> 8) & 0xFF, Blue = B & 0xFF;
        const DWORD Lum = (29 * Red + 150 * Green + 76 * Blue) >> 8;
        const DWORD Factor = Light ? (Lum >> 3) + 223 : Lum / 3 + 170;
        auto Channel = [&](int Shift) { return ((((A >> Shift) & 0xFF) * Factor) >> 8) << Shift; };
        return Channel(16) | Channel(8) | Channel(0);
    });
    Work.CopyBack(Canvas, R);
}

int GetImgListMargin(TTBItemViewer *Viewer)
{
    TTBView *View = Viewer->View();
    HWND Wnd = View->Window() ? View->Window()->Handle() : HWND{};
    HDC DC = GetDC(Wnd);
    int Width = 0, Height = 0;
    {
        TCanvas Canvas;
        Canvas.SetHandle(DC);
        Canvas.Font()->Assign(View->GetFont());
        Viewer->CalcSize(&Canvas, Width, Height);
        Canvas.SetHandle(nullptr);
    }
    ReleaseDC(Wnd, DC);
    return Height + 2;
}
