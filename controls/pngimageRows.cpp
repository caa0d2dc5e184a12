#include "controls/pngimageRows.h"

#include <cstring>

namespace pngrows
{

namespace
{

using Byte = std::uint8_t;

int PackedSample(const Byte *Row, int Index, int Bits)
{
    if (Bits == 8) return Row[Index];
    const int Bit = Index * Bits;
    const int Shift = 8 - Bits - (Bit & 7);
    return (Row[Bit >> 3] >> Shift) & ((1 << Bits) - 1);
}

// Stores into a zeroed or reused byte: the old bits of the pixel are cleared first.
void PutPackedSample(Byte *Row, int Index, int Bits, int Value)
{
    if (Bits == 8) {
        Row[Index] = static_cast<Byte>(Value);
        return;
    }
    const int Bit = Index * Bits;
    const int Shift = 8 - Bits - (Bit & 7);
    const int Mask = ((1 << Bits) - 1) << Shift;
    Byte &Stored = Row[Bit >> 3];
    Stored = static_cast<Byte>((Stored & ~Mask) | ((Value << Shift) & Mask));
}

// ---- Decoding: Count samples of S go to the columns X0, X0 + DX, ... of the store rows.

using CopyKernel = void (*)(const TChunkIHDR &H, const Byte *S, int Count, int X0, int DX,
                            Byte *Dib, Byte *A, Byte *Low);

void CopyPacked(const TChunkIHDR &H, const Byte *S, int Count, int X0, int DX, Byte *Dib, Byte *,
                Byte *)
{
    const int Bits = H.BitsPerPixel();
    if (DX == 1 && X0 == 0) {
        std::memcpy(Dib, S, static_cast<std::size_t>((Count * Bits + 7) / 8));
        return;
    }
    for (int I = 0, X = X0; I < Count; ++I, X += DX)
        PutPackedSample(Dib, X, Bits, PackedSample(S, I, Bits));
}

// Two-bit samples are held as four-bit indexes; Scale 5 spreads gray levels
// over the sixteen-level gray palette, 1 keeps palette indexes.
template <int Scale>
void CopyTwoBit(const TChunkIHDR &, const Byte *S, int Count, int X0, int DX, Byte *Dib, Byte *,
                Byte *)
{
    for (int I = 0, X = X0; I < Count; ++I, X += DX)
        PutPackedSample(Dib, X, 4, PackedSample(S, I, 2) * Scale);
}

template <int Step, bool Alpha>
void CopyGray(const TChunkIHDR &, const Byte *S, int Count, int X0, int DX, Byte *Dib, Byte *A,
              Byte *Low)
{
    constexpr int Samples = Alpha ? 2 : 1;
    for (int I = 0, X = X0; I < Count; ++I, X += DX) {
        const Byte *P = S + I * Samples * Step;
        Dib[X] = P[0];
        if constexpr (Alpha) A[X] = P[Step];
        if constexpr (Step == 2) Low[X] = P[1];
    }
}

// Fixed sample sizes let the compiler unroll the hot loop of the big pictures.
template <int Step, bool Alpha>
void CopyColors(const TChunkIHDR &H, const Byte *S, int Count, int X0, int DX, Byte *Dib, Byte *A,
                Byte *Low)
{
    const auto &G = H.Owner()->GammaMap;
    constexpr int Samples = Alpha ? 4 : 3;
    for (int I = 0, X = X0; I < Count; ++I, X += DX) {
        const Byte *P = S + I * Samples * Step;
        Byte *D = Dib + 3 * X;
        D[0] = G[P[2 * Step]];
        D[1] = G[P[Step]];
        D[2] = G[P[0]];
        if constexpr (Alpha) A[X] = P[3 * Step];
        if constexpr (Step == 2) {
            Byte *L = Low + 3 * X;
            L[0] = G[P[5]];
            L[1] = G[P[3]];
            L[2] = G[P[1]];
        }
    }
}

template <CopyKernel Copy>
void CopyNonInterlaced(const TChunkIHDR &H, const Byte *Src, Byte *Dest, Byte *Trans, Byte *Extra)
{
    Copy(H, Src, static_cast<int>(H.Width), 0, 1, Dest, Trans, Extra);
}

template <CopyKernel Copy>
void CopyInterlaced(const TChunkIHDR &H, int Pass, const Byte *Src, Byte *Dest, Byte *Trans,
                    Byte *Extra)
{
    const PassGeometry &G = Adam7[Pass];
    Copy(H, Src, PassColumns(G, static_cast<int>(H.Width)), G.ColumnStart, G.ColumnStep, Dest,
         Trans, Extra);
}

// Gray and palette indexes at one, four and eight bits are stored as they come.
constexpr TCopyNonInterlaced CopyNonInterlacedPalette148 = CopyNonInterlaced<CopyPacked>;
constexpr TCopyInterlaced CopyInterlacedPalette148 = CopyInterlaced<CopyPacked>;
constexpr TCopyNonInterlaced CopyNonInterlacedPalette2 = CopyNonInterlaced<CopyTwoBit<1>>;
constexpr TCopyInterlaced CopyInterlacedPalette2 = CopyInterlaced<CopyTwoBit<1>>;
constexpr TCopyNonInterlaced CopyNonInterlacedGray2 = CopyNonInterlaced<CopyTwoBit<5>>;
constexpr TCopyInterlaced CopyInterlacedGray2 = CopyInterlaced<CopyTwoBit<5>>;
constexpr TCopyNonInterlaced CopyNonInterlacedGrayscale16 = CopyNonInterlaced<CopyGray<2, false>>;
constexpr TCopyInterlaced CopyInterlacedGrayscale16 = CopyInterlaced<CopyGray<2, false>>;
constexpr TCopyNonInterlaced CopyNonInterlacedRGB8 = CopyNonInterlaced<CopyColors<1, false>>;
constexpr TCopyInterlaced CopyInterlacedRGB8 = CopyInterlaced<CopyColors<1, false>>;
constexpr TCopyNonInterlaced CopyNonInterlacedRGB16 = CopyNonInterlaced<CopyColors<2, false>>;
constexpr TCopyInterlaced CopyInterlacedRGB16 = CopyInterlaced<CopyColors<2, false>>;
constexpr TCopyNonInterlaced CopyNonInterlacedGrayscaleAlpha8 =
    CopyNonInterlaced<CopyGray<1, true>>;
constexpr TCopyInterlaced CopyInterlacedGrayscaleAlpha8 = CopyInterlaced<CopyGray<1, true>>;
constexpr TCopyNonInterlaced CopyNonInterlacedGrayscaleAlpha16 =
    CopyNonInterlaced<CopyGray<2, true>>;
constexpr TCopyInterlaced CopyInterlacedGrayscaleAlpha16 = CopyInterlaced<CopyGray<2, true>>;
constexpr TCopyNonInterlaced CopyNonInterlacedRGBAlpha8 = CopyNonInterlaced<CopyColors<1, true>>;
constexpr TCopyInterlaced CopyInterlacedRGBAlpha8 = CopyInterlaced<CopyColors<1, true>>;
constexpr TCopyNonInterlaced CopyNonInterlacedRGBAlpha16 = CopyNonInterlaced<CopyColors<2, true>>;
constexpr TCopyInterlaced CopyInterlacedRGBAlpha16 = CopyInterlaced<CopyColors<2, true>>;

struct TCopierEntry {
    std::uint8_t ColorType, BitDepth;
    TRowCopiers Copiers;
};

constexpr TCopierEntry RowCopiers[] = {
    {COLOR_GRAYSCALE, 1, {CopyNonInterlacedPalette148, CopyInterlacedPalette148}},
    {COLOR_GRAYSCALE, 4, {CopyNonInterlacedPalette148, CopyInterlacedPalette148}},
    {COLOR_GRAYSCALE, 8, {CopyNonInterlacedPalette148, CopyInterlacedPalette148}},
    {COLOR_PALETTE, 1, {CopyNonInterlacedPalette148, CopyInterlacedPalette148}},
    {COLOR_PALETTE, 4, {CopyNonInterlacedPalette148, CopyInterlacedPalette148}},
    {COLOR_PALETTE, 8, {CopyNonInterlacedPalette148, CopyInterlacedPalette148}},
    {COLOR_PALETTE, 2, {CopyNonInterlacedPalette2, CopyInterlacedPalette2}},
    {COLOR_GRAYSCALE, 2, {CopyNonInterlacedGray2, CopyInterlacedGray2}},
    {COLOR_GRAYSCALE, 16, {CopyNonInterlacedGrayscale16, CopyInterlacedGrayscale16}},
    {COLOR_RGB, 8, {CopyNonInterlacedRGB8, CopyInterlacedRGB8}},
    {COLOR_RGB, 16, {CopyNonInterlacedRGB16, CopyInterlacedRGB16}},
    {COLOR_GRAYSCALEALPHA, 8, {CopyNonInterlacedGrayscaleAlpha8, CopyInterlacedGrayscaleAlpha8}},
    {COLOR_GRAYSCALEALPHA, 16, {CopyNonInterlacedGrayscaleAlpha16, CopyInterlacedGrayscaleAlpha16}},
    {COLOR_RGBALPHA, 8, {CopyNonInterlacedRGBAlpha8, CopyInterlacedRGBAlpha8}},
    {COLOR_RGBALPHA, 16, {CopyNonInterlacedRGBAlpha16, CopyInterlacedRGBAlpha16}}};

// ---- Encoding: the columns X0, X0 + DX, ... of the store rows become Count samples in T.

using EncodeKernel = void (*)(const TChunkIHDR &H, const Byte *Dib, const Byte *A, const Byte *Low,
                              int Count, int X0, int DX, Byte *T);

void EncodePacked(const TChunkIHDR &H, const Byte *Dib, const Byte *, const Byte *, int Count,
                  int X0, int DX, Byte *T)
{
    const int Bits = H.BitsPerPixel();
    if (DX == 1 && X0 == 0) {
        std::memcpy(T, Dib, static_cast<std::size_t>((Count * Bits + 7) / 8));
        return;
    }
    for (int I = 0, X = X0; I < Count; ++I, X += DX)
        PutPackedSample(T, I, Bits, PackedSample(Dib, X, Bits));
}

template <int Step, bool Alpha>
void EncodeGray(const TChunkIHDR &, const Byte *Dib, const Byte *A, const Byte *Low, int Count,
                int X0, int DX, Byte *T)
{
    constexpr int Samples = Alpha ? 2 : 1;
    for (int I = 0, X = X0; I < Count; ++I, X += DX) {
        Byte *P = T + I * Samples * Step;
        P[0] = Dib[X];
        if constexpr (Step == 2) P[1] = Low[X];
        if constexpr (Alpha) {
            P[Step] = A[X];
            if constexpr (Step == 2) P[3] = 0;
        }
    }
}

template <int Step, bool Alpha>
void EncodeColors(const TChunkIHDR &H, const Byte *Dib, const Byte *A, const Byte *Low, int Count,
                  int X0, int DX, Byte *T)
{
    const auto &IG = H.Owner()->InverseGammaMap;
    constexpr int Samples = Alpha ? 4 : 3;
    for (int I = 0, X = X0; I < Count; ++I, X += DX) {
        Byte *P = T + I * Samples * Step;
        const Byte *D = Dib + 3 * X;
        P[0] = IG[D[2]];
        P[Step] = IG[D[1]];
        P[2 * Step] = IG[D[0]];
        if constexpr (Alpha) P[3 * Step] = A[X];
        if constexpr (Step == 2) {
            const Byte *L = Low + 3 * X;
            P[1] = IG[L[2]];
            P[3] = IG[L[1]];
            P[5] = IG[L[0]];
            if constexpr (Alpha) P[7] = 0;
        }
    }
}

template <EncodeKernel Encode>
void EncodeNonInterlaced(const TChunkIHDR &H, const Byte *Src, const Byte *Trans, const Byte *Extra,
                         Byte *Dest)
{
    Encode(H, Src, Trans, Extra, static_cast<int>(H.Width), 0, 1, Dest);
}

template <EncodeKernel Encode>
void EncodeInterlaced(const TChunkIHDR &H, int Pass, const Byte *Src, const Byte *Trans,
                      const Byte *Extra, Byte *Dest)
{
    const PassGeometry &G = Adam7[Pass];
    Encode(H, Src, Trans, Extra, PassColumns(G, static_cast<int>(H.Width)), G.ColumnStart,
           G.ColumnStep, Dest);
}

// Two-bit pictures are held and written as four-bit ones, so gray and palette
// pictures of every depth below 16 share one encoder.
constexpr TEncodeNonInterlaced EncodeNonInterlacedPalette148 = EncodeNonInterlaced<EncodePacked>;
constexpr TEncodeInterlaced EncodeInterlacedPalette148 = EncodeInterlaced<EncodePacked>;
constexpr TEncodeNonInterlaced EncodeNonInterlacedGrayscale16 =
    EncodeNonInterlaced<EncodeGray<2, false>>;
constexpr TEncodeInterlaced EncodeInterlacedGrayscale16 = EncodeInterlaced<EncodeGray<2, false>>;
constexpr TEncodeNonInterlaced EncodeNonInterlacedRGB8 =
    EncodeNonInterlaced<EncodeColors<1, false>>;
constexpr TEncodeInterlaced EncodeInterlacedRGB8 = EncodeInterlaced<EncodeColors<1, false>>;
constexpr TEncodeNonInterlaced EncodeNonInterlacedRGB16 =
    EncodeNonInterlaced<EncodeColors<2, false>>;
constexpr TEncodeInterlaced EncodeInterlacedRGB16 = EncodeInterlaced<EncodeColors<2, false>>;
constexpr TEncodeNonInterlaced EncodeNonInterlacedGrayscaleAlpha8 =
    EncodeNonInterlaced<EncodeGray<1, true>>;
constexpr TEncodeInterlaced EncodeInterlacedGrayscaleAlpha8 = EncodeInterlaced<EncodeGray<1, true>>;
constexpr TEncodeNonInterlaced EncodeNonInterlacedGrayscaleAlpha16 =
    EncodeNonInterlaced<EncodeGray<2, true>>;
constexpr TEncodeInterlaced EncodeInterlacedGrayscaleAlpha16 =
    EncodeInterlaced<EncodeGray<2, true>>;
constexpr TEncodeNonInterlaced EncodeNonInterlacedRGBAlpha8 =
    EncodeNonInterlaced<EncodeColors<1, true>>;
constexpr TEncodeInterlaced EncodeInterlacedRGBAlpha8 = EncodeInterlaced<EncodeColors<1, true>>;
constexpr TEncodeNonInterlaced EncodeNonInterlacedRGBAlpha16 =
    EncodeNonInterlaced<EncodeColors<2, true>>;
constexpr TEncodeInterlaced EncodeInterlacedRGBAlpha16 = EncodeInterlaced<EncodeColors<2, true>>;

struct TEncoderEntry {
    std::uint8_t ColorType, BitDepth;
    TRowEncoders Encoders;
};

constexpr TEncoderEntry RowEncoders[] = {
    {COLOR_GRAYSCALE, 1, {EncodeNonInterlacedPalette148, EncodeInterlacedPalette148}},
    {COLOR_GRAYSCALE, 2, {EncodeNonInterlacedPalette148, EncodeInterlacedPalette148}},
    {COLOR_GRAYSCALE, 4, {EncodeNonInterlacedPalette148, EncodeInterlacedPalette148}},
    {COLOR_GRAYSCALE, 8, {EncodeNonInterlacedPalette148, EncodeInterlacedPalette148}},
    {COLOR_PALETTE, 1, {EncodeNonInterlacedPalette148, EncodeInterlacedPalette148}},
    {COLOR_PALETTE, 2, {EncodeNonInterlacedPalette148, EncodeInterlacedPalette148}},
    {COLOR_PALETTE, 4, {EncodeNonInterlacedPalette148, EncodeInterlacedPalette148}},
    {COLOR_PALETTE, 8, {EncodeNonInterlacedPalette148, EncodeInterlacedPalette148}},
    {COLOR_GRAYSCALE, 16, {EncodeNonInterlacedGrayscale16, EncodeInterlacedGrayscale16}},
    {COLOR_RGB, 8, {EncodeNonInterlacedRGB8, EncodeInterlacedRGB8}},
    {COLOR_RGB, 16, {EncodeNonInterlacedRGB16, EncodeInterlacedRGB16}},
    {COLOR_GRAYSCALEALPHA,
     8,
     {EncodeNonInterlacedGrayscaleAlpha8, EncodeInterlacedGrayscaleAlpha8}},
    {COLOR_GRAYSCALEALPHA,
     16,
     {EncodeNonInterlacedGrayscaleAlpha16, EncodeInterlacedGrayscaleAlpha16}},
    {COLOR_RGBALPHA, 8, {EncodeNonInterlacedRGBAlpha8, EncodeInterlacedRGBAlpha8}},
    {COLOR_RGBALPHA, 16, {EncodeNonInterlacedRGBAlpha16, EncodeInterlacedRGBAlpha16}}};

template <class Entry, std::size_t N>
const Entry &EntryFor(const Entry (&Table)[N], const TChunkIHDR &Header)
{
    for (const Entry &E : Table)
        if (E.ColorType == Header.ColorType && E.BitDepth == Header.BitDepth) return E;
    TPNGObject::RaiseError<EPngInvalidIHDR>();
}

} // namespace

TRowCopiers CopiersFor(const TChunkIHDR &Header)
{
    return EntryFor(RowCopiers, Header).Copiers;
}

TRowEncoders EncodersFor(const TChunkIHDR &Header)
{
    return EntryFor(RowEncoders, Header).Encoders;
}

std::vector<PALETTEENTRY> GrayPalette(int DibBits, const std::array<std::uint8_t, 256> &Gamma)
{
    const int N = 1 << DibBits;
    std::vector<PALETTEENTRY> Palette(static_cast<std::size_t>(N));
    for (int I = 0; I < N; ++I) {
        const std::uint8_t Level = Gamma[static_cast<std::size_t>(I * 255 / (N - 1))];
        Palette[static_cast<std::size_t>(I)] = {Level, Level, Level, 0};
    }
    return Palette;
}

} // namespace pngrows
