#pragma once
// Byte order, exact reads and chunk writing shared by the PNG units. Internal.

#include "controls/pngimage.h"

#include <cstdint>
#include <memory>
#include <zlib.h>

namespace pngio
{

inline constexpr std::uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// The PNG limit on a chunk's data length.
inline constexpr std::uint32_t MaxChunkLength = 0x7FFFFFFF;

inline std::uint32_t LoadBigEndian(const std::uint8_t *Bytes)
{
    return std::uint32_t{Bytes[0]} << 24 | std::uint32_t{Bytes[1]} << 16 |
           std::uint32_t{Bytes[2]} << 8 | Bytes[3];
}

inline void StoreBigEndian(std::uint8_t *Bytes, std::uint32_t Value)
{
    Bytes[0] = static_cast<std::uint8_t>(Value >> 24);
    Bytes[1] = static_cast<std::uint8_t>(Value >> 16);
    Bytes[2] = static_cast<std::uint8_t>(Value >> 8);
    Bytes[3] = static_cast<std::uint8_t>(Value);
}

// The zlib stream of the image data, its buffer (input when reading, output when
// writing) and the stream the chunks are read from or written to.
struct TZStreamRec2 {
    z_stream ZLIB{};
    // Not cleared: only what the stream or zlib filled is ever read, and clearing it
    // cost a small picture's load a good part of its time.
    std::unique_ptr<std::uint8_t[]> Data;
    std::size_t DataSize = 0;
    TStream *Stream = nullptr;

    void AllocateData(std::size_t Size)
    {
        Data = std::make_unique_for_overwrite<std::uint8_t[]>(Size);
        DataSize = Size;
    }
    void FreeData()
    {
        Data.reset();
        DataSize = 0;
    }
};

// Any short read raises EPngUnexpectedEnd.
void ReadExact(TStream *Stream, void *Buffer, std::size_t Count);
std::uint32_t ReadBigEndian(TStream *Stream);
void WriteChunk(TStream *Stream, const TChunkName &Name, const std::uint8_t *Data,
                std::uint32_t Length);

// The DIB colour nearest to Color (squared distance, the lowest index on ties).
inline unsigned GetNearestIndex(const TChunkIHDR::TDibInfo &Info, COLORREF Color)
{
    const unsigned Used = Info.bmiHeader.biClrUsed;
    unsigned Best = 0;
    long BestDistance = -1;
    for (unsigned I = 0; I < Used; ++I) {
        const RGBQUAD &C = Info.bmiColors[I];
        const long R = C.rgbRed - static_cast<long>(GetRValue(Color));
        const long G = C.rgbGreen - static_cast<long>(GetGValue(Color));
        const long B = C.rgbBlue - static_cast<long>(GetBValue(Color));
        const long Distance = R * R + G * G + B * B;
        if (BestDistance < 0 || Distance < BestDistance) {
            BestDistance = Distance;
            Best = I;
        }
    }
    return Best;
}

} // namespace pngio
