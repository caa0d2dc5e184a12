#pragma once
// PNG files written in the tests from the format's public rules, independently
// of the codec under test: samples in, file bytes out, with a choice of row
// filters, interlacing and IDAT chunk sizes, plus helpers over the bytes.

#include "controls/pngimage.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace pngtest
{

using Bytes = std::vector<std::uint8_t>;

struct Chunk {
    std::string Name;
    Bytes Data;
};

struct Picture {
    int Width = 1;
    int Height = 1;
    int ColorType = 2;
    int BitDepth = 8;
    bool Interlaced = false;
    // Samples per pixel row-major, channels in file order, at the bit depth.
    std::vector<std::uint16_t> Samples;
    Bytes Palette;                 // r, g, b triples
    Bytes Transparency;            // the tRNS data, when not empty
    std::vector<Chunk> BeforeData; // extra chunks between the header and the data
    std::vector<Chunk> AfterData;  // extra chunks between the data and IEND
    int IdatSize = 1 << 20;        // the data is cut into chunks of this size
    bool CycleFilters = true;      // rows use filters 0..4 in turn, else none

    int Channels() const;
    std::uint16_t Sample(int X, int Y, int Channel) const;
};

// Random samples (and a random palette of 2^depth entries for palette pictures).
Picture RandomPicture(int ColorType, int BitDepth, int Width, int Height, bool Interlaced,
                      std::uint32_t Seed);
Bytes Encode(const Picture &P);
Bytes ChunkBytes(const std::string &Name, const Bytes &Data);
// The chunks of a file, in order (the signature skipped).
std::vector<Chunk> SplitChunks(const Bytes &File);
Bytes JoinChunks(const std::vector<Chunk> &Chunks);
Bytes Inflate(const Bytes &Data);
Bytes Deflate(const Bytes &Data);

// The data of an IHDR chunk.
Bytes HeaderData(std::uint32_t Width, std::uint32_t Height, int Depth, int Type, int Interlace = 0);
// About eighty bytes claiming 5000 x 5000 interlaced colour pixels, 75 MB of store, with a few
// pixels of the first pass: every eighth pixel of the top row is gray 0x7F, the rest black.
Bytes HugeInterlacedFile();

// Loads File into Image, which may hold a picture already.
void LoadInto(TPNGObject &Image, const Bytes &File);
std::unique_ptr<TPNGObject> Load(const Bytes &File);
Bytes Save(TPNGObject &Image);

} // namespace pngtest
