#include "tests/controls/PngFixtures.h"
#include "tests/controls/PngDrawing.h"

#include <cstring>
#include <stdexcept>
#include <zlib.h>

namespace pngtest
{

namespace
{

void Put32(Bytes &Out, std::uint32_t V)
{
    for (int Shift = 24; Shift >= 0; Shift -= 8)
        Out.push_back(static_cast<std::uint8_t>(V >> Shift));
}

std::uint32_t Get32(const std::uint8_t *P)
{
    return std::uint32_t{P[0]} << 24 | std::uint32_t{P[1]} << 16 | std::uint32_t{P[2]} << 8 | P[3];
}

// One row of samples packed as the file holds them.
Bytes PackRow(const Picture &P, int Y, int X0, int DX)
{
    Bytes Row;
    const int Channels = P.Channels();
    int BitPos = 0;
    for (int X = X0; X < P.Width; X += DX)
        for (int C = 0; C < Channels; ++C) {
            const std::uint16_t S = P.Sample(X, Y, C);
            if (P.BitDepth == 16) {
                Row.push_back(static_cast<std::uint8_t>(S >> 8));
                Row.push_back(static_cast<std::uint8_t>(S));
            } else if (P.BitDepth == 8) {
                Row.push_back(static_cast<std::uint8_t>(S));
            } else {
                if (BitPos % 8 == 0) Row.push_back(0);
                Row.back() |= static_cast<std::uint8_t>(S << (8 - P.BitDepth - BitPos % 8));
                BitPos += P.BitDepth;
            }
        }
    return Row;
}

int Predict(int Filter, int A, int B, int C)
{
    switch (Filter) {
    case 1:
        return A;
    case 2:
        return B;
    case 3:
        return (A + B) / 2;
    case 4: {
        const int Pr = A + B - C;
        const int PA = std::abs(Pr - A), PB = std::abs(Pr - B), PC = std::abs(Pr - C);
        return PA <= PB && PA <= PC ? A : PB <= PC ? B : C;
    }
    default:
        return 0;
    }
}

void AppendFiltered(Bytes &Out, const Bytes &Row, const Bytes &Prior, int Filter, int Bpp)
{
    Out.push_back(static_cast<std::uint8_t>(Filter));
    for (std::size_t I = 0; I < Row.size(); ++I) {
        const int A = I >= static_cast<std::size_t>(Bpp) ? Row[I - Bpp] : 0;
        const int B = Prior.empty() ? 0 : Prior[I];
        const int C = I >= static_cast<std::size_t>(Bpp) && !Prior.empty() ? Prior[I - Bpp] : 0;
        Out.push_back(static_cast<std::uint8_t>(Row[I] - Predict(Filter, A, B, C)));
    }
}

} // namespace

int Picture::Channels() const
{
    switch (ColorType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

std::uint16_t Picture::Sample(int X, int Y, int Channel) const
{
    return Samples[static_cast<std::size_t>((Y * Width + X) * Channels() + Channel)];
}

Picture RandomPicture(int ColorType, int BitDepth, int Width, int Height, bool Interlaced,
                      std::uint32_t Seed)
{
    std::mt19937 Random(Seed);
    Picture P;
    P.Width = Width;
    P.Height = Height;
    P.ColorType = ColorType;
    P.BitDepth = BitDepth;
    P.Interlaced = Interlaced;
    const int Max = (1 << BitDepth) - 1;
    std::uniform_int_distribution<int> Sample(0, Max);
    P.Samples.resize(static_cast<std::size_t>(Width * Height * P.Channels()));
    for (auto &S : P.Samples)
        S = static_cast<std::uint16_t>(Sample(Random));
    if (ColorType == 3) {
        std::uniform_int_distribution<int> Byte(0, 255);
        P.Palette.resize(static_cast<std::size_t>(3 << BitDepth));
        for (auto &B : P.Palette)
            B = static_cast<std::uint8_t>(Byte(Random));
    }
    return P;
}

Bytes ChunkBytes(const std::string &Name, const Bytes &Data)
{
    Bytes Out(12 + Data.size());
    const auto Store = [&Out](std::size_t At, std::uint32_t V) {
        for (int I = 0; I < 4; ++I)
            Out[At + static_cast<std::size_t>(I)] = static_cast<std::uint8_t>(V >> (24 - 8 * I));
    };
    Store(0, static_cast<std::uint32_t>(Data.size()));
    std::memcpy(Out.data() + 4, Name.data(), 4);
    if (!Data.empty()) std::memcpy(Out.data() + 8, Data.data(), Data.size());
    Store(8 + Data.size(),
          static_cast<std::uint32_t>(crc32(0, Out.data() + 4, static_cast<uInt>(4 + Data.size()))));
    return Out;
}

Bytes Encode(const Picture &P)
{
    const int Bpp = std::max(1, P.Channels() * P.BitDepth / 8);
    Bytes Raw;
    struct Pass {
        int X0, Y0, DX, DY;
    };
    const std::vector<Pass> Passes =
        P.Interlaced ? std::vector<Pass>{{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                         {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}}
                     : std::vector<Pass>{{0, 0, 1, 1}};
    int RowNumber = 0;
    for (const Pass &Ps : Passes) {
        if (Ps.X0 >= P.Width) continue;
        Bytes Prior;
        for (int Y = Ps.Y0; Y < P.Height; Y += Ps.DY) {
            const Bytes Row = PackRow(P, Y, Ps.X0, Ps.DX);
            AppendFiltered(Raw, Row, Prior, P.CycleFilters ? RowNumber++ % 5 : 0, Bpp);
            Prior = Row;
        }
    }
    Bytes Header;
    Put32(Header, static_cast<std::uint32_t>(P.Width));
    Put32(Header, static_cast<std::uint32_t>(P.Height));
    Header.push_back(static_cast<std::uint8_t>(P.BitDepth));
    Header.push_back(static_cast<std::uint8_t>(P.ColorType));
    Header.push_back(0);
    Header.push_back(0);
    Header.push_back(P.Interlaced ? 1 : 0);

    Bytes File = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto Append = [&File](const Bytes &B) { File.insert(File.end(), B.begin(), B.end()); };
    Append(ChunkBytes("IHDR", Header));
    for (const Chunk &C : P.BeforeData)
        Append(ChunkBytes(C.Name, C.Data));
    if (!P.Palette.empty()) Append(ChunkBytes("PLTE", P.Palette));
    if (!P.Transparency.empty()) Append(ChunkBytes("tRNS", P.Transparency));
    const Bytes Compressed = Deflate(Raw);
    for (std::size_t At = 0; At < Compressed.size(); At += static_cast<std::size_t>(P.IdatSize))
        Append(ChunkBytes(
            "IDAT", Bytes(Compressed.begin() + static_cast<std::ptrdiff_t>(At),
                          Compressed.begin() +
                              static_cast<std::ptrdiff_t>(std::min(
                                  Compressed.size(), At + static_cast<std::size_t>(P.IdatSize))))));
    for (const Chunk &C : P.AfterData)
        Append(ChunkBytes(C.Name, C.Data));
    Append(ChunkBytes("IEND", {}));
    return File;
}

std::vector<Chunk> SplitChunks(const Bytes &File)
{
    std::vector<Chunk> Out;
    std::size_t At = 8;
    while (At + 12 <= File.size()) {
        const std::uint32_t Length = Get32(File.data() + At);
        Chunk C;
        C.Name.assign(reinterpret_cast<const char *>(File.data() + At + 4), 4);
        C.Data.assign(File.begin() + static_cast<std::ptrdiff_t>(At + 8),
                      File.begin() + static_cast<std::ptrdiff_t>(At + 8 + Length));
        Out.push_back(std::move(C));
        At += 12 + Length;
    }
    return Out;
}

Bytes JoinChunks(const std::vector<Chunk> &Chunks)
{
    Bytes File = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const Chunk &C : Chunks) {
        const Bytes B = ChunkBytes(C.Name, C.Data);
        File.insert(File.end(), B.begin(), B.end());
    }
    return File;
}

Bytes Inflate(const Bytes &Data)
{
    z_stream Z{};
    inflateInit(&Z);
    Z.next_in = const_cast<Bytef *>(Data.data());
    Z.avail_in = static_cast<uInt>(Data.size());
    Bytes Out;
    std::uint8_t Buffer[4096];
    int Code = Z_OK;
    while (Code == Z_OK) {
        Z.next_out = Buffer;
        Z.avail_out = sizeof Buffer;
        Code = inflate(&Z, Z_NO_FLUSH);
        Out.insert(Out.end(), Buffer, Buffer + (sizeof Buffer - Z.avail_out));
    }
    inflateEnd(&Z);
    if (Code != Z_STREAM_END) throw std::runtime_error("bad deflate data");
    return Out;
}

Bytes Deflate(const Bytes &Data)
{
    uLongf Size = compressBound(static_cast<uLong>(Data.size()));
    Bytes Out(Size);
    compress2(Out.data(), &Size, Data.data(), static_cast<uLong>(Data.size()), 6);
    Out.resize(Size);
    return Out;
}

void LoadInto(TPNGObject &Image, const Bytes &File)
{
    TMemoryStream Stream;
    Stream.WriteBuffer(File.data(), static_cast<int>(File.size()));
    Stream.SetPosition(0);
    Image.LoadFromStream(&Stream);
}

std::unique_ptr<TPNGObject> Load(const Bytes &File)
{
    auto Image = std::make_unique<TPNGObject>();
    LoadInto(*Image, File);
    return Image;
}

Bytes Save(TPNGObject &Image)
{
    TMemoryStream Stream;
    Image.SaveToStream(&Stream);
    Bytes Out(static_cast<std::size_t>(Stream.Size()));
    Stream.SetPosition(0);
    Stream.ReadBuffer(Out.data(), static_cast<int>(Out.size()));
    return Out;
}

Bytes HeaderData(std::uint32_t Width, std::uint32_t Height, int Depth, int Type, int Interlace)
{
    Bytes H;
    for (std::uint32_t V : {Width, Height})
        for (int Shift = 24; Shift >= 0; Shift -= 8)
            H.push_back(static_cast<std::uint8_t>(V >> Shift));
    H.insert(H.end(), {static_cast<std::uint8_t>(Depth), static_cast<std::uint8_t>(Type), 0, 0,
                       static_cast<std::uint8_t>(Interlace)});
    return H;
}

Bytes HugeInterlacedFile()
{
    Bytes Pass(1 + 625 * 3, 0x7F);
    Pass[0] = 0;
    return JoinChunks(
        {{"IHDR", HeaderData(5000, 5000, 8, 2, 1)}, {"IDAT", Deflate(Pass)}, {"IEND", {}}});
}

} // namespace pngtest

namespace pngtest
{

std::unique_ptr<TBitmap> Surface(int Width, int Height, TColor Color)
{
    auto Bitmap = std::make_unique<TBitmap>();
    Bitmap->SetPixelFormat(pf24bit);
    Bitmap->SetSize(Width, Height);
    Bitmap->Canvas()->Brush()->SetColor(Color);
    Bitmap->Canvas()->FillRect(Rect(0, 0, Width, Height));
    return Bitmap;
}

std::unique_ptr<TPNGObject> RgbaPicture(int Width, int Height,
                                        std::initializer_list<std::pair<TColor, int>> Pixels)
{
    auto Png = std::make_unique<TPNGObject>(COLOR_RGBALPHA, 8, Width, Height);
    int I = 0;
    for (const auto &[Color, Alpha] : Pixels) {
        Png->SetPixels(I % Width, I / Width, Color);
        Png->GetAlphaScanline(I / Width)[I % Width] = static_cast<std::uint8_t>(Alpha);
        ++I;
    }
    return Png;
}

} // namespace pngtest
