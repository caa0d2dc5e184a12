// Drawing a picture: opaque pictures are stretched, keyed and translucent ones
// are blended pixel by pixel into a copy of the target area.

#include "controls/pngimage.h"

#include <algorithm>
#include <cmath>

namespace
{

struct Bgra {
    std::uint8_t B, G, R, A;
};

int PackedSample(const std::uint8_t *Row, int Index, int Bits)
{
    if (Bits == 8) return Row[Index];
    const int Bit = Index * Bits;
    return (Row[Bit >> 3] >> (8 - Bits - (Bit & 7))) & ((1 << Bits) - 1);
}

std::uint8_t Blend(int Source, int Dest, int Alpha)
{
    return static_cast<std::uint8_t>((255 + Source * Alpha + Dest * (255 - Alpha)) >> 8);
}

// The picture coordinate blended at Offset of a target Size pixels long, of a picture Extent
// pixels long: the pixel the offset falls in, by truncation.
int BlendSource(int Offset, int Size, int Extent)
{
    if (Size == Extent) return Offset;
    return static_cast<int>(Offset / (static_cast<double>(Size) / Extent));
}

// Blends Width x Height source pixels, stretched by truncation, into Rect of Dc.
template <class PixelFn> void BlendInto(HDC Dc, TRect R, int Width, int Height, PixelFn Pixel)
{
    if (R.Left == R.Right || R.Top == R.Bottom) return;
    if (R.Left > R.Right) std::swap(R.Left, R.Right);
    if (R.Top > R.Bottom) std::swap(R.Top, R.Bottom);
    const int W = R.Right - R.Left, H = R.Bottom - R.Top;

    BITMAPINFO Info = win::TopDownBitmapInfo32(W, H);
    void *Bits = nullptr;
    const HDC Memory = CreateCompatibleDC(Dc);
    const HBITMAP Buffer =
        Memory ? CreateDIBSection(Memory, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0) : HBITMAP{};
    if (!Memory || !Buffer) {
        if (Memory) DeleteDC(Memory);
        TPNGObject::RaiseError<EPNGOutMemory>();
    }
    const HGDIOBJ Old = SelectObject(Memory, Buffer);
    BitBlt(Memory, 0, 0, W, H, Dc, R.Left, R.Top, SRCCOPY);
    auto *Target = static_cast<Bgra *>(Bits);
    std::vector<int> Columns(static_cast<std::size_t>(W));
    for (int I = 0; I < W; ++I)
        Columns[static_cast<std::size_t>(I)] = BlendSource(I, W, Width);
    for (int J = 0; J < H; ++J) {
        const int SourceRow = BlendSource(J, H, Height);
        Bgra *Row = Target + static_cast<std::ptrdiff_t>(J) * W;
        for (int I = 0; I < W; ++I) {
            const Bgra S = Pixel(Columns[static_cast<std::size_t>(I)], SourceRow);
            Bgra &D = Row[I];
            D.B = Blend(S.B, D.B, S.A);
            D.G = Blend(S.G, D.G, S.A);
            D.R = Blend(S.R, D.R, S.A);
        }
    }
    // The buffer's bits changed behind the DC's back; the blit reads them anew.
    BitBlt(Dc, R.Left, R.Top, W, H, Memory, 0, 0, SRCCOPY);
    SelectObject(Memory, Old);
    DeleteObject(Buffer);
    DeleteDC(Memory);
}

// The picture coordinates one axis of a target shows where it is visible, from From on.
struct TShownAxis {
    int From = 0;
    std::vector<int> Source;
};

// A blend takes a reversed target as its normalised rectangle; a stretching blit mirrors the
// picture into it.
TShownAxis ShownAxis(int DestFrom, int DestTo, int VisibleFrom, int VisibleTo, int Extent,
                     bool Blended)
{
    const int Low = std::min(DestFrom, DestTo), Size = std::abs(DestTo - DestFrom);
    const bool Mirrored = !Blended && DestTo < DestFrom;
    TShownAxis Axis{std::max(Low, VisibleFrom), {}};
    for (int D = Axis.From; D < std::min(Low + Size, VisibleTo); ++D) {
        const int Offset = D - Low;
        Axis.Source.push_back(
            Blended ? BlendSource(Offset, Size, Extent)
                    : win::StretchSourceAt(Mirrored ? Size - 1 - Offset : Offset, Size, 0, Extent));
    }
    return Axis;
}

} // namespace

std::unique_ptr<TPNGObject> TPNGObject::ShownPart(TCanvas *ACanvas, const TRect &Rect,
                                                  TPNGTransparencyMode Mode, TRect &Where) const
{
    RECT Visible{};
    const int Clip = GetClipBox(ACanvas->Handle(), &Visible);
    if (Clip == ERROR || Clip == NULLREGION) return nullptr;
    const bool Blended = Mode != ptmNone;
    const TShownAxis Across =
        ShownAxis(Rect.Left, Rect.Right, Visible.left, Visible.right, Width(), Blended);
    const TShownAxis Down =
        ShownAxis(Rect.Top, Rect.Bottom, Visible.top, Visible.bottom, Height(), Blended);
    if (Across.Source.empty() || Down.Source.empty()) return nullptr;
    Where = Bounds(Across.From, Down.From, static_cast<int>(Across.Source.size()),
                   static_cast<int>(Down.Source.size()));
    return Sampled(Across.Source, Down.Source);
}

void TPNGObject::Draw(TCanvas *ACanvas, const TRect &Rect)
{
    if (Empty()) return;
    const HDC Dc = ACanvas->Handle();
    switch (TransparencyMode()) {
    case ptmNone:
        DrawOpaque(Dc, Rect);
        break;
    case ptmBit:
        DrawKeyedDib(Dc, Rect);
        break;
    case ptmPartial:
        DrawPartialTrans(Dc, Rect);
        break;
    }
}

void TPNGObject::DrawOpaque(HDC Dc, const TRect &Rect)
{
    const TChunkIHDR *H = GetHeader();
    SetStretchBltMode(Dc, COLORONCOLOR);
    StretchDIBits(Dc, Rect.Left, Rect.Top, Rect.Right - Rect.Left, Rect.Bottom - Rect.Top, 0, 0,
                  static_cast<int>(H->Width), static_cast<int>(H->Height), H->DibBits,
                  H->BitmapInfo(), DIB_RGB_COLORS, SRCCOPY);
}

// The key colour is left out pixel by pixel: the same picture as masking and
// painting it, without the monochrome bitmaps.
void TPNGObject::DrawKeyedDib(HDC Dc, const TRect &Rect)
{
    const TChunkIHDR *H = GetHeader();
    const COLORREF Key = ColorToRGB(TransparentColor());
    const int Bits = H->BitsPerPixel();
    BlendInto(Dc, Rect, Width(), Height(), [&](int X, int Y) {
        const std::uint8_t *Row = GetScanline(Y);
        Bgra S{};
        if (Bits == 24) {
            S = {Row[3 * X], Row[3 * X + 1], Row[3 * X + 2], 255};
        } else {
            const RGBQUAD C = H->DibInfo.bmiColors[PackedSample(Row, X, Bits)];
            S = {C.rgbBlue, C.rgbGreen, C.rgbRed, 255};
        }
        if (RGB(S.R, S.G, S.B) == Key) S.A = 0;
        return S;
    });
}

void TPNGObject::DrawPartialTrans(HDC Dc, const TRect &Rect)
{
    const TChunkIHDR *H = GetHeader();
    const int Bits = H->BitsPerPixel();
    const auto *TRNS = FChunkList.ItemFromClass<TChunktRNS>();
    BlendInto(Dc, Rect, Width(), Height(), [&](int X, int Y) -> Bgra {
        const std::uint8_t *Row = GetScanline(Y);
        const std::uint8_t *Alpha = GetAlphaScanline(Y);
        if (Bits == 24)
            return {Row[3 * X], Row[3 * X + 1], Row[3 * X + 2],
                    Alpha ? Alpha[X] : std::uint8_t{255}};
        // Gray levels, with or without alpha, reach the screen through the
        // palette, which holds them through the gamma table.
        const int Index = PackedSample(Row, X, Bits);
        const RGBQUAD C = H->DibInfo.bmiColors[Index];
        const std::uint8_t A = Alpha  ? Alpha[X]
                               : TRNS ? TRNS->IndexAlpha(Index)
                                      : std::uint8_t{255};
        return {C.rgbBlue, C.rgbGreen, C.rgbRed, A};
    });
}

TChunkpHYs *TPNGObject::GetPixelInformation()
{
    auto *Chunk = FChunkList.ItemFromClass<TChunkpHYs>();
    if (!Chunk) {
        Chunk = FChunkList.Add<TChunkpHYs>();
        Chunk->UnitKind = 1;
    }
    return Chunk;
}

void TPNGObject::DrawUsingPixelInformation(TCanvas *Canvas, const TPoint &Point)
{
    int W = Width(), H = Height();
    const auto *Chunk = FChunkList.ItemFromClass<TChunkpHYs>();
    // Only a size in metres says anything about the drawn size; a bare aspect
    // ratio or a zero resolution leaves the natural size.
    if (Chunk && Chunk->UnitKind == 1 && Chunk->PixelsPerUnitX > 0 && Chunk->PixelsPerUnitY > 0) {
        const HDC Dc = Canvas->Handle();
        const double ScreenX = GetDeviceCaps(Dc, LOGPIXELSX) / 0.0254;
        const double ScreenY = GetDeviceCaps(Dc, LOGPIXELSY) / 0.0254;
        W = static_cast<int>(W / (Chunk->PixelsPerUnitX / ScreenX));
        H = static_cast<int>(H / (Chunk->PixelsPerUnitY / ScreenY));
    }
    Draw(Canvas, Rect(Point.X, Point.Y, Point.X + W, Point.Y + H));
}
