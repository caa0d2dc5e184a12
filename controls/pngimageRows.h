#pragma once
// Row conversion between PNG sample rows and the image store, for the decoder
// and the encoder, interlaced or not. Internal.

#include "controls/pngimage.h"

#include <functional>

namespace pngrows
{

struct PassGeometry {
    int RowStart, RowStep, ColumnStart, ColumnStep;
};
inline constexpr PassGeometry WholeImage{0, 1, 0, 1};
inline constexpr PassGeometry Adam7[7] = {{0, 8, 0, 8}, {0, 8, 4, 8}, {4, 8, 0, 4}, {0, 4, 2, 4},
                                          {2, 4, 0, 2}, {0, 2, 1, 2}, {1, 2, 0, 1}};

inline int PassColumns(const PassGeometry &G, int Width)
{
    return Width > G.ColumnStart ? (Width - G.ColumnStart + G.ColumnStep - 1) / G.ColumnStep : 0;
}

// Count samples of Source go to the image columns X0, X0 + DX, ... of the store rows.
using RowConverter = std::function<void(const std::uint8_t *Source, int Count, int X0, int DX,
                                        std::uint8_t *Dib, std::uint8_t *Alpha, std::uint8_t *Low)>;
// The columns X0, X0 + DX, ... of the store rows become Count samples in Target.
using RowEncoder =
    std::function<void(const std::uint8_t *Dib, const std::uint8_t *Alpha, const std::uint8_t *Low,
                       int Count, int X0, int DX, std::uint8_t *Target)>;

RowConverter ConverterFor(const TChunkIHDR &Header, const std::array<std::uint8_t, 256> &Gamma);
RowEncoder EncoderFor(const TChunkIHDR &Header, const std::array<std::uint8_t, 256> &InverseGamma);

// The gray levels of a gray store of DibBits bits a pixel, through Gamma.
std::vector<PALETTEENTRY> GrayPalette(int DibBits, const std::array<std::uint8_t, 256> &Gamma);

} // namespace pngrows
