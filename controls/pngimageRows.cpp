#include "controls/pngimageRows.h"

#include <cstring>

namespace pngrows
{

namespace
{

using Gamma = std::array<std::uint8_t, 256>;

int PackedSample(const std::uint8_t *Row, int Index, int Bits)
{
    if (Bits == 8) return Row[Index];
    const int Bit = Index * Bits;
    const int Shift = 8 - Bits - (Bit & 7);
    return (Row[Bit >> 3] >> Shift) & ((1 << Bits) - 1);
}

// Stores into a zeroed or reused byte: the old bits of the pixel are cleared first.
void PutPackedSample(std::uint8_t *Row, int Index, int Bits, int Value)
{
    if (Bits == 8) {
        Row[Index] = static_cast<std::uint8_t>(Value);
        return;
    }
    const int Bit = Index * Bits;
    const int Shift = 8 - Bits - (Bit & 7);
    const int Mask = ((1 << Bits) - 1) << Shift;
    std::uint8_t &Byte = Row[Bit >> 3];
    Byte = static_cast<std::uint8_t>((Byte & ~Mask) | ((Value << Shift) & Mask));
}

RowConverter PackedConverter(int Bits)
{
    return [Bits](const std::uint8_t *S, int Count, int X0, int DX, std::uint8_t *Dib,
                  std::uint8_t *, std::uint8_t *) {
        if (DX == 1 && X0 == 0) {
            std::memcpy(Dib, S, static_cast<std::size_t>((Count * Bits + 7) / 8));
            return;
        }
        for (int I = 0, X = X0; I < Count; ++I, X += DX)
            PutPackedSample(Dib, X, Bits, PackedSample(S, I, Bits));
    };
}

// Two-bit samples are held as four-bit indexes; Scale 5 spreads gray levels
// over the sixteen-level gray palette, 1 keeps palette indexes.
RowConverter TwoBitConverter(int Scale)
{
    return [Scale](const std::uint8_t *S, int Count, int X0, int DX, std::uint8_t *Dib,
                   std::uint8_t *, std::uint8_t *) {
        for (int I = 0, X = X0; I < Count; ++I, X += DX)
            PutPackedSample(Dib, X, 4, PackedSample(S, I, 2) * Scale);
    };
}

// Fixed sample sizes let the compiler unroll the hot loop of the big pictures.
template <int Step, bool Alpha>
void ConvertColors(const Gamma &G, const std::uint8_t *S, int Count, int X0, int DX,
                   std::uint8_t *Dib, std::uint8_t *A, std::uint8_t *Low)
{
    constexpr int Samples = Alpha ? 4 : 3;
    for (int I = 0, X = X0; I < Count; ++I, X += DX) {
        const std::uint8_t *P = S + I * Samples * Step;
        std::uint8_t *D = Dib + 3 * X;
        D[0] = G[P[2 * Step]];
        D[1] = G[P[Step]];
        D[2] = G[P[0]];
        if constexpr (Alpha) A[X] = P[3 * Step];
        if constexpr (Step == 2) {
            std::uint8_t *L = Low + 3 * X;
            L[0] = G[P[5]];
            L[1] = G[P[3]];
            L[2] = G[P[1]];
        }
    }
}

template <int Step, bool Alpha> RowConverter ColorConverterOf(const Gamma &G)
{
    return
        [&G](const std::uint8_t *S, int Count, int X0, int DX, std::uint8_t *Dib, std::uint8_t *A,
             std::uint8_t *Low) { ConvertColors<Step, Alpha>(G, S, Count, X0, DX, Dib, A, Low); };
}

RowConverter ColorConverter(int ColorType, int BitDepth, const Gamma &G)
{
    const bool Alpha = ColorType == COLOR_RGBALPHA;
    if (BitDepth == 16) return Alpha ? ColorConverterOf<2, true>(G) : ColorConverterOf<2, false>(G);
    return Alpha ? ColorConverterOf<1, true>(G) : ColorConverterOf<1, false>(G);
}

RowConverter GrayConverter(bool Alpha, int BitDepth)
{
    const int Step = BitDepth / 8;
    const int Samples = Alpha ? 2 : 1;
    return [Step, Alpha, Samples](const std::uint8_t *S, int Count, int X0, int DX,
                                  std::uint8_t *Dib, std::uint8_t *A, std::uint8_t *Low) {
        for (int I = 0, X = X0; I < Count; ++I, X += DX) {
            const std::uint8_t *P = S + I * Samples * Step;
            Dib[X] = P[0];
            if (Alpha) A[X] = P[Step];
            if (Low) Low[X] = P[1];
        }
    };
}

RowEncoder PackedEncoder(int Bits)
{
    return [Bits](const std::uint8_t *Dib, const std::uint8_t *, const std::uint8_t *, int Count,
                  int X0, int DX, std::uint8_t *T) {
        if (DX == 1 && X0 == 0) {
            std::memcpy(T, Dib, static_cast<std::size_t>((Count * Bits + 7) / 8));
            return;
        }
        for (int I = 0, X = X0; I < Count; ++I, X += DX)
            PutPackedSample(T, I, Bits, PackedSample(Dib, X, Bits));
    };
}

RowEncoder ColorEncoder(int ColorType, int BitDepth, const Gamma &IG)
{
    const int Step = BitDepth / 8;
    const bool Alpha = ColorType == COLOR_RGBALPHA;
    const int Samples = Alpha ? 4 : 3;
    return [&IG, Step, Alpha, Samples](const std::uint8_t *Dib, const std::uint8_t *A,
                                       const std::uint8_t *Low, int Count, int X0, int DX,
                                       std::uint8_t *T) {
        for (int I = 0, X = X0; I < Count; ++I, X += DX) {
            std::uint8_t *P = T + I * Samples * Step;
            const std::uint8_t *D = Dib + 3 * X;
            P[0] = IG[D[2]];
            P[Step] = IG[D[1]];
            P[2 * Step] = IG[D[0]];
            if (Alpha) P[3 * Step] = A[X];
            if (Step == 2) {
                const std::uint8_t *L = Low + 3 * X;
                P[1] = IG[L[2]];
                P[3] = IG[L[1]];
                P[5] = IG[L[0]];
                if (Alpha) P[7] = 0;
            }
        }
    };
}

RowEncoder GrayEncoder(bool Alpha, int BitDepth)
{
    const int Step = BitDepth / 8;
    const int Samples = Alpha ? 2 : 1;
    return [Step, Alpha, Samples](const std::uint8_t *Dib, const std::uint8_t *A,
                                  const std::uint8_t *Low, int Count, int X0, int DX,
                                  std::uint8_t *T) {
        for (int I = 0, X = X0; I < Count; ++I, X += DX) {
            std::uint8_t *P = T + I * Samples * Step;
            P[0] = Dib[X];
            if (Step == 2) P[1] = Low[X];
            if (Alpha) {
                P[Step] = A[X];
                if (Step == 2) P[3] = 0;
            }
        }
    };
}

} // namespace

RowConverter ConverterFor(const TChunkIHDR &Header, const Gamma &G)
{
    const int Depth = Header.BitDepth;
    switch (Header.ColorType) {
    case COLOR_GRAYSCALE:
        if (Depth == 2) return TwoBitConverter(5);
        return Depth == 16 ? GrayConverter(false, 16) : PackedConverter(Depth);
    case COLOR_PALETTE:
        return Depth == 2 ? TwoBitConverter(1) : PackedConverter(Depth);
    case COLOR_GRAYSCALEALPHA:
        return GrayConverter(true, Depth);
    default:
        return ColorConverter(Header.ColorType, Depth, G);
    }
}

RowEncoder EncoderFor(const TChunkIHDR &Header, const Gamma &IG)
{
    switch (Header.ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE:
        return Header.BitDepth == 16 ? GrayEncoder(false, 16)
                                     : PackedEncoder(Header.BitsPerPixel());
    case COLOR_GRAYSCALEALPHA:
        return GrayEncoder(true, Header.BitDepth);
    default:
        return ColorEncoder(Header.ColorType, Header.BitDepth, IG);
    }
}

std::vector<PALETTEENTRY> GrayPalette(int DibBits, const Gamma &G)
{
    const int N = 1 << DibBits;
    std::vector<PALETTEENTRY> Palette(static_cast<std::size_t>(N));
    for (int I = 0; I < N; ++I) {
        const std::uint8_t Level = G[static_cast<std::size_t>(I * 255 / (N - 1))];
        Palette[static_cast<std::size_t>(I)] = {Level, Level, Level, 0};
    }
    return Palette;
}

} // namespace pngrows
