#pragma once
// Row conversion between PNG sample rows and the image store, for the decoder
// and the encoder, interlaced or not. Internal.

#include "controls/pngimage.h"

namespace pngrows
{

struct PassGeometry {
    int RowStart, RowStep, ColumnStart, ColumnStep;
};
inline constexpr PassGeometry Adam7[7] = {{0, 8, 0, 8}, {0, 8, 4, 8}, {4, 8, 0, 4}, {0, 4, 2, 4},
                                          {2, 4, 0, 2}, {0, 2, 1, 2}, {1, 2, 0, 1}};

inline int PassColumns(const PassGeometry &G, int Width)
{
    return Width > G.ColumnStart ? (Width - G.ColumnStart + G.ColumnStep - 1) / G.ColumnStep : 0;
}

// A row of samples (after its filter byte) into the image rows of the store: Dest in the
// DIB, Trans in the alpha plane, Extra in the low-byte plane (null where the picture has
// none); an interlaced one places the samples of one Adam7 pass at that pass's columns.
using TCopyNonInterlaced = void (*)(const TChunkIHDR &Header, const std::uint8_t *Src,
                                    std::uint8_t *Dest, std::uint8_t *Trans, std::uint8_t *Extra);
using TCopyInterlaced = void (*)(const TChunkIHDR &Header, int Pass, const std::uint8_t *Src,
                                 std::uint8_t *Dest, std::uint8_t *Trans, std::uint8_t *Extra);
// The reverse: the image rows (or a pass's columns of them) into a row of samples.
using TEncodeNonInterlaced = void (*)(const TChunkIHDR &Header, const std::uint8_t *Src,
                                      const std::uint8_t *Trans, const std::uint8_t *Extra,
                                      std::uint8_t *Dest);
using TEncodeInterlaced = void (*)(const TChunkIHDR &Header, int Pass, const std::uint8_t *Src,
                                   const std::uint8_t *Trans, const std::uint8_t *Extra,
                                   std::uint8_t *Dest);

struct TRowCopiers {
    TCopyNonInterlaced NonInterlaced;
    TCopyInterlaced Interlaced;
};
struct TRowEncoders {
    TEncodeNonInterlaced NonInterlaced;
    TEncodeInterlaced Interlaced;
};

// By the header's colour type and bit depth; a header IHDR loading accepts has both.
TRowCopiers CopiersFor(const TChunkIHDR &Header);
TRowEncoders EncodersFor(const TChunkIHDR &Header);

// The gray levels of a gray store of DibBits bits a pixel, through Gamma.
std::vector<PALETTEENTRY> GrayPalette(int DibBits, const std::array<std::uint8_t, 256> &Gamma);

} // namespace pngrows
