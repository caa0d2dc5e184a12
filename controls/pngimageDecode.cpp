// Decoding of the image data: inflates the IDAT chunks row by row, undoes the
// row filters and converts each row into the image store.

#include "controls/pngimage.h"
#include "controls/pngimageIO.h"
#include "controls/pngimageRows.h"

#include <algorithm>
#include <cstring>
#include <zlib.h>

using namespace pngio;

namespace
{

AnsiString ZlibCodeText(int Code)
{
    switch (Code) {
    case -6:
        return "incompatible version (-6)";
    case -5:
        return "buffer error (-5)";
    case -4:
        return "insufficient memory (-4)";
    case -3:
        return "data error (-3)";
    case -2:
        return "stream error (-2)";
    case -1:
        return "file error (-1)";
    case 0:
        return "(0)";
    case 1:
        return "stream end (1)";
    case 2:
        return "need dictionary (2)";
    default:
        return AnsiString("(") + AnsiString(Code) + ")";
    }
}

void BeginInflate(TZStreamRec2 &Z, TStream *Stream)
{
    Z = {};
    Z.AllocateData(65535);
    Z.Stream = Stream;
    if (inflateInit_(&Z.ZLIB, ZLIB_VERSION, static_cast<int>(sizeof Z.ZLIB)) != Z_OK)
        TPNGObject::RaiseError<EPNGOutMemory>();
}

void EndInflate(TZStreamRec2 &Z)
{
    inflateEnd(&Z.ZLIB);
    Z.FreeData();
}

// Delivers the inflated bytes of consecutive IDAT chunks, checking each chunk's CRC.
// A stream that ends inside the data is a picture cut short, not an error: the
// reader then delivers what arrived and reports the cut.
class IdatReader
{
public:
    IdatReader(TStream *Stream, std::uint32_t FirstSize)
    {
        static const std::uint8_t Name[4] = {'I', 'D', 'A', 'T'};
        FCrc = update_crc(0xFFFFFFFF, Name, 4);
        BeginInflate(FZ, Stream);
        ChunkEnd = Stream->Position() + FirstSize;
    }
    ~IdatReader() { EndInflate(FZ); }
    IdatReader(const IdatReader &) = delete;
    IdatReader &operator=(const IdatReader &) = delete;

    // Fills Buffer unless the compressed data or the stream ended first; gives
    // the bytes filled.
    std::size_t IDATZlibRead(std::uint8_t *Buffer, std::size_t Count)
    {
        z_stream &Z = FZ.ZLIB;
        Z.next_out = Buffer;
        Z.avail_out = static_cast<uInt>(Count);
        while (Z.avail_out > 0 && !FEnded && !FCutShort) {
            if (Z.avail_in == 0 && !Refill()) continue;
            const int Code = inflate(&Z, Z_NO_FLUSH);
            if (Code == Z_STREAM_END)
                FEnded = true;
            else if (Code != Z_OK)
                TPNGObject::RaiseError<EPNGZLIBError>(
                    (AnsiString(EPNGZLIBError::Text) + ZlibCodeText(Code)).c_str());
        }
        return Count - Z.avail_out;
    }

    // Reads what decoding left of the current chunk, then checks its CRC, so
    // the stream stands at the next chunk. False when the stream was cut short.
    bool Finish()
    {
        while (ChunkLeft() > 0 && !FCutShort)
            ReadChunkData();
        return !FCutShort && CheckCrc();
    }

private:
    std::uint32_t ChunkLeft() const
    {
        return static_cast<std::uint32_t>(ChunkEnd - FZ.Stream->Position());
    }

    // Gives zlib more input; false when it only moved to the next chunk.
    bool Refill()
    {
        if (ChunkLeft() == 0) {
            if (CheckCrc()) NextChunk();
            return false;
        }
        const std::size_t Got = ReadChunkData();
        FZ.ZLIB.next_in = FZ.Data.get();
        FZ.ZLIB.avail_in = static_cast<uInt>(Got);
        return Got > 0;
    }

    // Reads the next piece of the chunk's data into the input buffer.
    std::size_t ReadChunkData()
    {
        const std::size_t Got =
            ReadAvailable(FZ.Data.get(), std::min<std::size_t>(ChunkLeft(), FZ.DataSize));
        FCrc = update_crc(FCrc, FZ.Data.get(), Got);
        return Got;
    }

    // Reads Count bytes or what is left of the stream; a short read marks the cut.
    std::size_t ReadAvailable(std::uint8_t *Buffer, std::size_t Count)
    {
        std::size_t Done = 0;
        while (Done < Count) {
            const int Got = FZ.Stream->Read(Buffer + Done, static_cast<int>(Count - Done));
            if (Got <= 0) {
                FCutShort = true;
                break;
            }
            Done += static_cast<std::size_t>(Got);
        }
        return Done;
    }

    // False when the stream ends where the CRC should be.
    bool CheckCrc()
    {
        std::uint8_t Stored[4];
        if (ReadAvailable(Stored, 4) < 4) return false;
        if (LoadBigEndian(Stored) != ~FCrc) TPNGObject::RaiseError<EPngInvalidCRC>();
        return true;
    }

    void NextChunk()
    {
        std::uint8_t Head[8];
        if (ReadAvailable(Head, 8) < 8) return;
        if (std::memcmp(Head + 4, "IDAT", 4) != 0)
            TPNGObject::RaiseError<EPNGMissingMultipleIDAT>();
        const std::uint32_t Length = LoadBigEndian(Head);
        if (Length > MaxChunkLength) TPNGObject::RaiseError<EPngUnexpectedEnd>();
        ChunkEnd = FZ.Stream->Position() + Length;
        FCrc = update_crc(0xFFFFFFFF, Head + 4, 4);
    }

    TZStreamRec2 FZ;
    // Where the data of the IDAT chunk being read ends in the stream.
    std::int64_t ChunkEnd = 0;
    std::uint32_t FCrc;
    bool FEnded = false;
    bool FCutShort = false;
};

std::uint8_t Paeth(int A, int B, int C)
{
    const int P = A + B - C;
    const int PA = std::abs(P - A), PB = std::abs(P - B), PC = std::abs(P - C);
    if (PA <= PB && PA <= PC) return static_cast<std::uint8_t>(A);
    return static_cast<std::uint8_t>(PB <= PC ? B : C);
}

// Undoes the filter of Row (filter byte first) against Previous (same layout).
void FilterRow(std::uint8_t *Row, const std::uint8_t *Previous, int RowBytes, int Offset)
{
    std::uint8_t *R = Row + 1;
    const std::uint8_t *P = Previous + 1;
    switch (Row[0]) {
    case 1:
        for (int I = Offset; I < RowBytes; ++I)
            R[I] = static_cast<std::uint8_t>(R[I] + R[I - Offset]);
        break;
    case 2:
        for (int I = 0; I < RowBytes; ++I)
            R[I] = static_cast<std::uint8_t>(R[I] + P[I]);
        break;
    case 3:
        for (int I = 0; I < Offset && I < RowBytes; ++I)
            R[I] = static_cast<std::uint8_t>(R[I] + (P[I] >> 1));
        for (int I = Offset; I < RowBytes; ++I)
            R[I] = static_cast<std::uint8_t>(R[I] + ((R[I - Offset] + P[I]) >> 1));
        break;
    case 4:
        for (int I = 0; I < Offset && I < RowBytes; ++I)
            R[I] = static_cast<std::uint8_t>(R[I] + P[I]);
        for (int I = Offset; I < RowBytes; ++I)
            R[I] = static_cast<std::uint8_t>(R[I] + Paeth(R[I - Offset], P[I], P[I - Offset]));
        break;
    default:
        // None, and any unknown filter byte, leave the row as it came.
        break;
    }
}

// Gray pictures draw through a palette of their gray levels; a palette picture's
// palette came with its PLTE chunk.
void PreparePalette(TPNGObject &Image, const TChunkIHDR &Header)
{
    if (Header.ColorType != COLOR_GRAYSCALE && Header.ColorType != COLOR_GRAYSCALEALPHA) return;
    Image.SetPalette(Header.CreateGrayscalePalette(Header.BitsPerPixel()));
}

// Reads the rows of the image data into the picture's store.
class ImageDecoder
{
public:
    ImageDecoder(TPNGObject &Image, TStream *Stream, std::uint32_t Size)
        : FImage(Image), FHeader(*Image.GetHeader()), FReader(Stream, Size)
    {
        Image.GetPixelInfo(RowBytes, PixelOffset);
        for (auto &Buffer : RowBuffers)
            Buffer.resize(static_cast<std::size_t>(RowBytes) + 1);
    }

    // False when the stream was cut short.
    bool Decode()
    {
        if (FImage.Interlacing() == imAdam7)
            DecodeInterlacedAdam7();
        else
            DecodeNonInterlaced();
        return FReader.Finish();
    }

private:
    struct RowTargets {
        std::uint8_t *Dest, *Trans, *Extra;
    };

    RowTargets TargetsOf(int Y) const
    {
        return {FImage.GetScanline(Y), FImage.GetAlphaScanline(Y),
                FHeader.BitDepth == 16 ? FImage.GetExtraScanline(Y) : nullptr};
    }

    // The samples of the next row, unfiltered; null when the data ended early,
    // which leaves the remaining rows zero.
    const std::uint8_t *NextRow()
    {
        std::uint8_t *Row = RowBuffers[CurrentBuffer].data();
        const auto Length = static_cast<std::size_t>(RowBytes) + 1;
        if (FReader.IDATZlibRead(Row, Length) < Length) return nullptr;
        FilterRow(Row, RowBuffers[1 - CurrentBuffer].data(), RowBytes, PixelOffset);
        CurrentBuffer = 1 - CurrentBuffer;
        return Row + 1;
    }

    void DecodeNonInterlaced()
    {
        const pngrows::TCopyNonInterlaced Copy = pngrows::CopiersFor(FHeader).NonInterlaced;
        const int Height = static_cast<int>(FHeader.Height);
        for (int Y = 0; Y < Height; ++Y) {
            const std::uint8_t *Row = NextRow();
            if (!Row) return;
            const RowTargets T = TargetsOf(Y);
            Copy(FHeader, Row, T.Dest, T.Trans, T.Extra);
        }
    }

    void DecodeInterlacedAdam7()
    {
        const pngrows::TCopyInterlaced Copy = pngrows::CopiersFor(FHeader).Interlaced;
        const int Width = static_cast<int>(FHeader.Width);
        const int Height = static_cast<int>(FHeader.Height);
        for (int Pass = 0; Pass < 7; ++Pass) {
            const pngrows::PassGeometry &G = pngrows::Adam7[Pass];
            RowBytes =
                PixelBytes(pngrows::PassColumns(G, Width), FHeader.ColorType, FHeader.BitDepth);
            if (RowBytes == 0) continue;
            std::fill_n(RowBuffers[1 - CurrentBuffer].begin(), RowBytes + 1, 0);
            for (int Y = G.RowStart; Y < Height; Y += G.RowStep) {
                const std::uint8_t *Row = NextRow();
                if (!Row) return;
                const RowTargets T = TargetsOf(Y);
                Copy(FHeader, Pass, Row, T.Dest, T.Trans, T.Extra);
            }
        }
    }

    TPNGObject &FImage;
    const TChunkIHDR &FHeader;
    IdatReader FReader;
    // Of the whole width, or of the current Adam7 pass, without the filter byte.
    int RowBytes = 0;
    int PixelOffset = 0;
    // The current row and the row before it, filter byte first; the first row's
    // previous row is all zero.
    std::vector<std::uint8_t> RowBuffers[2];
    int CurrentBuffer = 1;
};

} // namespace

bool TChunkIDAT::LoadFromStream(TStream *Stream, const TChunkName &, std::uint32_t Size)
{
    TPNGObject *Image = Owner();
    TChunkIHDR *Header = Image->GetHeader();
    // Without its colour table a palette picture would show the store's stand-in
    // colours, a picture nobody drew: it is refused instead.
    if (Header->ColorType == COLOR_PALETTE && !Image->ChunkList().ItemFromClass<TChunkPLTE>())
        TPNGObject::RaiseError<EPNGMissingPalette>();
    PreparePalette(*Image, *Header);
    // A picture cut short keeps what arrived; the load ends with it.
    return ImageDecoder(*Image, Stream, Size).Decode();
}
