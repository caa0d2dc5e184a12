#include "controls/PngFunctions.h"

#include "controls/PngImageList.h"
#include "platform/win/SysParams.h"

#include <algorithm>
#include <cmath>

namespace
{

std::uint8_t Nearest(double Value)
{
    return static_cast<std::uint8_t>(std::clamp(std::nearbyint(Value), 0.0, 255.0));
}

std::uint8_t Scaled(std::uint8_t Alpha, std::uint8_t Amount)
{
    return Nearest(Alpha / 256.0 * (Amount + 1));
}

int StoredIndex(const TPNGObject &Png, int X, int Y)
{
    const int Bits = Png.GetHeader()->BitsPerPixel();
    const std::uint8_t *Row = Png.GetScanline(Y);
    if (Bits == 8) return Row[X];
    const int Bit = X * Bits;
    return (Row[Bit >> 3] >> (8 - Bits - (Bit & 7))) & ((1 << Bits) - 1);
}

// Rebuilds Png as eight-bit RGB with alpha, each pixel's alpha from Alpha(X, Y).
template <class AlphaFn> void RebuildAsRGBA(TPNGObject *Png, AlphaFn Alpha)
{
    TPNGObject Result(COLOR_RGBALPHA, 8, Png->Width(), Png->Height());
    for (int Y = 0; Y < Png->Height(); ++Y) {
        std::uint8_t *Row = Result.GetAlphaScanline(Y);
        for (int X = 0; X < Png->Width(); ++X) {
            Result.SetPixels(X, Y, Png->GetPixels(X, Y));
            Row[X] = Alpha(X, Y);
        }
    }
    Png->Assign(&Result);
}

// The effects below work on three-byte pixels; any other store becomes RGB
// with alpha first, keeping what is transparent.
void EnsureColorStore(TPNGObject *Png)
{
    if (Png->GetHeader()->BitsPerPixel() != 24) RebuildAsRGBA(Png, TPixelAlpha(*Png));
}

template <class ByteFn> void ForEachColorByte(TPNGObject *Png, ByteFn Change)
{
    EnsureColorStore(Png);
    for (int Y = 0; Y < Png->Height(); ++Y) {
        std::uint8_t *Row = Png->GetScanline(Y);
        for (int I = 0; I < 3 * Png->Width(); ++I)
            Row[I] = Change(Row[I]);
    }
}

// The alpha a picture without an alpha plane takes when blended by Amount.
void ToAlphaImage(TPNGObject *Png, std::uint8_t Amount)
{
    const bool Partial = Png->TransparencyMode() == ptmPartial;
    RebuildAsRGBA(Png, [Alpha = TPixelAlpha(*Png), Partial, Amount](int X, int Y) {
        const std::uint8_t A = Alpha(X, Y);
        if (Partial) return Scaled(A, Amount);
        return A == 0 ? std::uint8_t{0} : Amount;
    });
}

// Without a mask every pixel stays opaque.
void SetAlphaFromMask(TPNGObject *Png, TBitmap *Mask, bool Inverse)
{
    Png->CreateAlpha();
    if (!Mask) return;
    TCanvas *Canvas = Mask->Canvas();
    for (int Y = 0; Y < Png->Height(); ++Y) {
        std::uint8_t *Row = Png->GetAlphaScanline(Y);
        for (int X = 0; X < Png->Width(); ++X) {
            const std::uint8_t Red = GetRValue(static_cast<COLORREF>(Canvas->Pixels(X, Y)));
            Row[X] = Inverse ? static_cast<std::uint8_t>(255 - Red) : Red;
        }
    }
}

// Color with 24- or 32-bit pixels as it is, any other as a 24-bit copy.
std::unique_ptr<TPNGObject> ColorPicture(TBitmap *Color)
{
    auto Dest = std::make_unique<TPNGObject>();
    if (Color->PixelFormat() == pf24bit || Color->PixelFormat() == pf32bit) {
        Dest->Assign(Color);
        return Dest;
    }
    TBitmap Work;
    Work.SetPixelFormat(pf24bit);
    Work.SetSize(Color->Width(), Color->Height());
    Work.Canvas()->Draw(0, 0, Color);
    Dest->Assign(&Work);
    return Dest;
}

std::unique_ptr<TPNGObject> FromWork(TBitmap &Work, const std::vector<std::uint8_t> &Mask,
                                     bool HasMask)
{
    auto Dest = std::make_unique<TPNGObject>();
    Dest->Assign(&Work);
    if (!HasMask) return Dest;
    Dest->CreateAlpha();
    for (int Y = 0; Y < Dest->Height(); ++Y)
        std::copy_n(Mask.begin() + static_cast<std::ptrdiff_t>(Y) * Dest->Width(), Dest->Width(),
                    Dest->GetAlphaScanline(Y));
    return Dest;
}

// Icons carry an alpha channel from Windows XP on; older systems give only the mask.
bool IsXPOrLater()
{
    OSVERSIONINFOW Info{};
    Info.dwOSVersionInfoSize = sizeof Info;
    if (!GetVersionExW(&Info)) return false;
    return Info.dwMajorVersion > 5 || (Info.dwMajorVersion == 5 && Info.dwMinorVersion >= 1);
}

// The alpha bytes of a 32-bit icon picture; empty when every one is 0.
std::vector<std::uint8_t> ReadIconAlpha(HBITMAP Color, int Width, int Height)
{
    BITMAPINFO Info = win::TopDownBitmapInfo32(Width, Height);
    std::vector<std::uint8_t> Bits(static_cast<std::size_t>(Width) * Height * 4);
    if (GetDIBits(nullptr, Color, 0, static_cast<UINT>(Height), Bits.data(), &Info,
                  DIB_RGB_COLORS) == 0)
        return {};
    std::vector<std::uint8_t> Alpha(static_cast<std::size_t>(Width) * Height);
    bool Any = false;
    for (std::size_t I = 0; I < Alpha.size(); ++I) {
        Alpha[I] = Bits[4 * I + 3];
        Any = Any || Alpha[I] != 0;
    }
    return Any ? Alpha : std::vector<std::uint8_t>{};
}

std::unique_ptr<TPNGObject> IconToPNG(TIcon *Icon)
{
    ICONINFO Info{};
    TBitmap Color, Mask;
    if (!GetIconInfo(Icon->Handle(), &Info)) return nullptr;
    Color.SetHandle(Info.hbmColor);
    Mask.SetHandle(Info.hbmMask);
    TBitmap Work;
    Work.SetPixelFormat(pf24bit);
    Work.SetSize(Color.Width(), Color.Height());
    Work.Canvas()->Draw(0, 0, &Color);
    std::vector<std::uint8_t> Alpha =
        IsXPOrLater() ? ReadIconAlpha(Color.Handle(), Color.Width(), Color.Height())
                      : std::vector<std::uint8_t>{};
    if (Alpha.empty()) {
        Alpha.assign(static_cast<std::size_t>(Color.Width()) * Color.Height(), 255);
        for (int Y = 0; Y < Color.Height(); ++Y)
            for (int X = 0; X < Color.Width(); ++X)
                if (static_cast<COLORREF>(Mask.Canvas()->Pixels(X, Y)) & 0xFFFFFF)
                    Alpha[static_cast<std::size_t>(Y) * Color.Width() + X] = 0;
    }
    return FromWork(Work, Alpha, true);
}

std::unique_ptr<TPNGObject> BitmapToPNG(TBitmap *Source)
{
    TBitmap Work;
    Work.SetPixelFormat(pf24bit);
    Work.SetSize(Source->Width(), Source->Height());
    std::vector<std::uint8_t> Mask(static_cast<std::size_t>(Source->Width()) * Source->Height(),
                                   255);
    if (!Source->Transparent()) {
        Work.Canvas()->Draw(0, 0, Source);
        return FromWork(Work, Mask, false);
    }
    TCanvas *From = Source->Canvas();
    const TColor Key = Source->TransparentMode() == tmFixed
                           ? static_cast<TColor>(ColorToRGB(Source->TransparentColor()))
                           : From->Pixels(0, Source->Height() - 1);
    bool Keyed = false;
    for (int Y = 0; Y < Source->Height(); ++Y)
        for (int X = 0; X < Source->Width(); ++X) {
            const TColor C = From->Pixels(X, Y);
            Work.Canvas()->SetPixels(X, Y, C);
            if (C == Key) {
                Mask[static_cast<std::size_t>(Y) * Source->Width() + X] = 0;
                Keyed = true;
            }
        }
    return FromWork(Work, Mask, Keyed);
}

// How a picture with the effects of Options draws itself: blending makes it translucent, and so
// does brightening or darkening a store of other than three-byte pixels, which they rebuild
// with alpha.
TPNGTransparencyMode ModeWithEffects(const TPNGObject &Png, TPngOptions Options)
{
    const bool Rebuilt = (Options.Contains(pngBrighter) || Options.Contains(pngDarker)) &&
                         Png.GetHeader()->BitsPerPixel() != 24;
    return Options.Contains(pngBlendOnDisabled) || Rebuilt ? ptmPartial : Png.TransparencyMode();
}

// The picture Make makes, with the effects of Options; null when there is none or it
// cannot take them.
template <class MakeFn> std::unique_ptr<TPNGObject> LookOf(MakeFn Make, TPngOptions Options)
{
    try {
        std::unique_ptr<TPNGObject> Look = Make();
        if (!Look) return nullptr;
        if (Options.Contains(pngBlendOnDisabled)) MakeImageBlended(Look.get(), 127);
        if (Options.Contains(pngGrayscaleOnDisabled)) MakeImageGrayscale(Look.get(), 255);
        if (Options.Contains(pngBrighter)) MakeImageBrighter(Look.get(), 55);
        if (Options.Contains(pngDarker)) MakeImageDarker(Look.get(), 55);
        return Look;
    } catch (const EPNGOutMemory &) {
        // The effects rebuild a paletted or gray picture with four bytes a pixel: one
        // near the store limit cannot take them, and shows nothing rather than a look the
        // control is not in.
        return nullptr;
    }
}

} // namespace

std::uint8_t PixelAlpha(const TPNGObject &Png, int X, int Y)
{
    return TPixelAlpha(Png)(X, Y);
}

TPixelAlpha::TPixelAlpha(const TPNGObject &Png)
    : FPng(Png), FTRNS(Png.ChunkList().ItemFromClass<TChunktRNS>()),
      FPlane(Png.HeaderPresent() ? Png.GetAlphaScanline(0) : nullptr), FWidth(Png.Width()),
      FPalette(Png.HeaderPresent() && Png.GetHeader()->ColorType == COLOR_PALETTE),
      FTransparent(FTRNS ? FTRNS->GetTransparentColor() : 0)
{
}

std::uint8_t TPixelAlpha::operator()(int X, int Y) const
{
    if (FPlane) return FPlane[static_cast<std::size_t>(Y) * FWidth + X];
    if (!FTRNS) return 255;
    if (FPalette) return FTRNS->IndexAlpha(StoredIndex(FPng, X, Y));
    return FPng.GetPixels(X, Y) == FTransparent ? 0 : 255;
}

void DrawPNG(TPNGObject *Png, TCanvas *Canvas, const TRect &ARect, TPngOptions Options)
{
    if (Options.Empty()) {
        Png->Draw(Canvas, ARect);
        return;
    }
    // A control without a picture paints while disabled or hovered too: no effect
    // makes an empty picture draw anything, nor fail.
    if (Png->Empty()) return;
    // Only what reaches the canvas takes the effects, drawn where the whole would have drawn
    // it: a huge picture drawn small costs the target, not the picture.
    TRect Where;
    const auto Look =
        LookOf([&] { return Png->ShownPart(Canvas, ARect, ModeWithEffects(*Png, Options), Where); },
               Options);
    if (Look) Look->Draw(Canvas, Where);
}

std::unique_ptr<TPNGObject> WithEffects(TPNGObject *Png, TPngOptions Options)
{
    return LookOf(
        [Png] {
            auto Copy = std::make_unique<TPNGObject>();
            Copy->Assign(Png);
            return Copy;
        },
        Options);
}

void MakeImageBlended(TPNGObject *Image, std::uint8_t Amount)
{
    const TPNGTransparencyMode Mode = Image->TransparencyMode();
    const TColor Key = Image->TransparentColor();
    switch (Image->GetHeader()->ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
        ToAlphaImage(Image, Amount);
        return;
    case COLOR_RGB:
        Image->CreateAlpha();
        break;
    default:
        break;
    }
    for (int Y = 0; Y < Image->Height(); ++Y) {
        std::uint8_t *Alpha = Image->GetAlphaScanline(Y);
        for (int X = 0; X < Image->Width(); ++X)
            Alpha[X] =
                Mode == ptmBit && Image->GetPixels(X, Y) == Key ? 0 : Scaled(Alpha[X], Amount);
    }
}

void MakeImageGrayscale(TPNGObject *Image, std::uint8_t Amount)
{
    const auto Gray = [Amount](std::uint8_t &R, std::uint8_t &G, std::uint8_t &B) {
        const double Level = std::nearbyint(0.3 * R + 0.59 * G + 0.11 * B);
        const auto Channel = [&](std::uint8_t C) {
            return Nearest(Nearest(C / 256.0 * (255 - Amount)) +
                           Nearest(Level / 256.0 * (Amount + 1)));
        };
        R = Channel(R);
        G = Channel(G);
        B = Channel(B);
    };
    switch (Image->GetHeader()->ColorType) {
    case COLOR_PALETTE: {
        std::vector<PALETTEENTRY> Palette = PaletteEntries(Image->GetPalette());
        for (PALETTEENTRY &E : Palette)
            Gray(E.peRed, E.peGreen, E.peBlue);
        Image->SetPalette(NewPalette(Palette));
        break;
    }
    case COLOR_RGB:
    case COLOR_RGBALPHA:
        for (int Y = 0; Y < Image->Height(); ++Y) {
            std::uint8_t *Row = Image->GetScanline(Y);
            for (int X = 0; X < Image->Width(); ++X)
                Gray(Row[3 * X + 2], Row[3 * X + 1], Row[3 * X]);
        }
        break;
    default:
        break;
    }
}

void MakeImageBrighter(TPNGObject *Image, std::uint8_t Amount)
{
    ForEachColorByte(Image, [Amount](std::uint8_t C) {
        return 255 - Amount > C ? static_cast<std::uint8_t>(C + Amount) : std::uint8_t{255};
    });
}

void MakeImageDarker(TPNGObject *Image, std::uint8_t Amount)
{
    ForEachColorByte(Image, [Amount](std::uint8_t C) {
        return Amount < C ? static_cast<std::uint8_t>(C - Amount) : std::uint8_t{0};
    });
}

void MakeImageAlphaChannel(TPNGObject *Image, std::uint8_t Value)
{
    switch (Image->GetHeader()->ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
        ToAlphaImage(Image, Value);
        break;
    case COLOR_RGB:
        Image->CreateAlpha();
        break;
    default:
        break;
    }
}

void SmoothResize(TPNGObject *Png, int NewWidth, int NewHeight)
{
    const std::uint8_t Type = Png->GetHeader()->ColorType;
    if (Type != COLOR_RGB && Type != COLOR_RGBALPHA)
        throw Exception("Only COLOR_RGBALPHA and COLOR_RGB formats are supported");
    if (NewWidth < 1 || NewHeight < 1) TPNGObject::RaiseError<EPNGInvalidNewSize>();
    const int OldWidth = Png->Width(), OldHeight = Png->Height();
    TPNGObject Result(Type, 8, NewWidth, NewHeight);
    // A single row or column is spread over the whole new size.
    const double XScale = OldWidth > 1 ? static_cast<double>(NewWidth) / (OldWidth - 1) : INFINITY;
    const double YScale =
        OldHeight > 1 ? static_cast<double>(NewHeight) / (OldHeight - 1) : INFINITY;
    const bool Alpha = Type == COLOR_RGBALPHA;
    for (int TY = 0; TY < NewHeight; ++TY) {
        const double SY = TY / YScale;
        const int IY = static_cast<int>(SY), IY1 = std::min(IY + 1, OldHeight - 1);
        const double FY = SY - IY;
        std::uint8_t *Target = Result.GetScanline(TY);
        std::uint8_t *TargetAlpha = Result.GetAlphaScanline(TY);
        for (int TX = 0; TX < NewWidth; ++TX) {
            const double SX = TX / XScale;
            const int IX = static_cast<int>(SX), IX1 = std::min(IX + 1, OldWidth - 1);
            const double FX = SX - IX;
            const double W[4] = {(1 - FX) * (1 - FY), FX * (1 - FY), (1 - FX) * FY, FX * FY};
            const auto Mix = [&](auto Sample) {
                return Nearest(W[0] * Sample(IX, IY) + W[1] * Sample(IX1, IY) +
                               W[2] * Sample(IX, IY1) + W[3] * Sample(IX1, IY1));
            };
            for (int C = 0; C < 3; ++C)
                Target[3 * TX + C] =
                    Mix([&](int X, int Y) { return Png->GetScanline(Y)[3 * X + C]; });
            if (Alpha)
                TargetAlpha[TX] = Mix([&](int X, int Y) { return Png->GetAlphaScanline(Y)[X]; });
        }
    }
    Png->Assign(&Result);
}

std::unique_ptr<TPNGObject> ConvertToPNG(TGraphic *Source)
{
    if (auto *Png = dynamic_cast<TPNGObject *>(Source)) {
        auto Dest = std::make_unique<TPNGObject>();
        Dest->Assign(Png);
        return Dest;
    }
    if (auto *Bitmap = dynamic_cast<TBitmap *>(Source)) return BitmapToPNG(Bitmap);
    if (auto *Icon = dynamic_cast<TIcon *>(Source))
        if (auto Dest = IconToPNG(Icon)) return Dest;
    TBitmap Work;
    Work.SetPixelFormat(pf24bit);
    Work.SetSize(std::max(1, Source->Width()), std::max(1, Source->Height()));
    return FromWork(Work, {}, false);
}

std::unique_ptr<TPNGObject> CreatePNG(TBitmap *Color, TBitmap *Mask, bool InverseMask)
{
    auto Dest = ColorPicture(Color);
    SetAlphaFromMask(Dest.get(), Mask, InverseMask);
    return Dest;
}

std::unique_ptr<TPNGObject> CreatePNGMasked(TBitmap *Bitmap, TColor MaskColor)
{
    auto Dest = ColorPicture(Bitmap);
    Dest->CreateAlpha();
    const TColor Key = static_cast<TColor>(ColorToRGB(MaskColor));
    TCanvas *Canvas = Bitmap->Canvas();
    for (int Y = 0; Y < Dest->Height(); ++Y) {
        std::uint8_t *Row = Dest->GetAlphaScanline(Y);
        for (int X = 0; X < Dest->Width(); ++X)
            Row[X] = Canvas->Pixels(X, Y) == Key ? 0 : 255;
    }
    return Dest;
}

void CopyImageFromImageList(TPNGObject *Dest, TCustomImageList *ImageList, int Index)
{
    if (auto *Pngs = dynamic_cast<TPngImageList *>(ImageList)) {
        if (TPngImageCollectionItem *Item = Pngs->PngImages()->Items(Index))
            Dest->Assign(Item->PngImage());
        return;
    }
    if (Index < 0 || Index >= ImageList->Count()) return;
    // The icon's own alpha when it has one, else its mask.
    TIcon Icon;
    ImageList->GetIcon(Index, &Icon);
    if (auto Png = IconToPNG(&Icon)) Dest->Assign(Png.get());
}

std::vector<std::unique_ptr<TPNGObject>> SlicePNG(TPNGObject *JoinedPNG, int Columns, int Rows)
{
    const int Width = Columns > 0 ? JoinedPNG->Width() / Columns : 0;
    const int Height = Rows > 0 ? JoinedPNG->Height() / Rows : 0;
    if (Width < 1 || Height < 1) TPNGObject::RaiseError<EPNGInvalidNewSize>();
    const std::uint8_t Type = JoinedPNG->GetHeader()->ColorType;
    const bool Alpha = Type == COLOR_GRAYSCALEALPHA || Type == COLOR_RGBALPHA;
    std::vector<std::unique_ptr<TPNGObject>> Slices;
    for (int Row = 0; Row < Rows; ++Row)
        for (int Column = 0; Column < Columns; ++Column) {
            TBitmap Work;
            Work.SetPixelFormat(pf24bit);
            Work.SetSize(Width, Height);
            for (int Y = 0; Y < Height; ++Y)
                for (int X = 0; X < Width; ++X)
                    Work.Canvas()->SetPixels(
                        X, Y, JoinedPNG->GetPixels(Column * Width + X, Row * Height + Y));
            auto Slice = std::make_unique<TPNGObject>();
            Slice->Assign(&Work);
            if (Alpha) {
                Slice->CreateAlpha();
                for (int Y = 0; Y < Height; ++Y)
                    std::copy_n(JoinedPNG->GetAlphaScanline(Row * Height + Y) + Column * Width,
                                Width, Slice->GetAlphaScanline(Y));
            }
            Slices.push_back(std::move(Slice));
        }
    return Slices;
}
