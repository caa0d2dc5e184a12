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

// Delivers the inflated bytes of consecutive IDAT chunks, checking each chunk's CRC.
// A stream that ends inside the data is a picture cut short, not an error: the
// reader then delivers what arrived and reports the cut.
class IdatReader
{
public:
    IdatReader(TStream *Stream, std::uint32_t FirstSize) : FStream(Stream), FChunkLeft(FirstSize)
    {
        static const std::uint8_t Name[4] = {'I', 'D', 'A', 'T'};
        FCrc = update_crc(0xFFFFFFFF, Name, 4);
        if (inflateInit(&FZ) != Z_OK) TPNGObject::RaiseError<EPNGOutMemory>();
    }
    ~IdatReader() { inflateEnd(&FZ); }
    IdatReader(const IdatReader &) = delete;
    IdatReader &operator=(const IdatReader &) = delete;

    // Fills Buffer unless the compressed data or the stream ended first; gives
    // the bytes filled.
    std::size_t Read(std::uint8_t *Buffer, std::size_t Count)
    {
        FZ.next_out = Buffer;
        FZ.avail_out = static_cast<uInt>(Count);
        while (FZ.avail_out > 0 && !FEnded && !FCutShort) {
            if (FZ.avail_in == 0 && !Refill()) continue;
            const int Code = inflate(&FZ, Z_NO_FLUSH);
            if (Code == Z_STREAM_END)
                FEnded = true;
            else if (Code != Z_OK)
                TPNGObject::RaiseError<EPNGZLIBError>(
                    (AnsiString(EPNGZLIBError::Text) + ZlibCodeText(Code)).c_str());
        }
        return Count - FZ.avail_out;
    }

    // Reads what decoding left of the current chunk, then checks its CRC, so
    // the stream stands at the next chunk. False when the stream was cut short.
    bool Finish()
    {
        while (FChunkLeft > 0 && !FCutShort)
            ReadChunkData();
        return !FCutShort && CheckCrc();
    }

private:
    // Gives zlib more input; false when it only moved to the next chunk.
    bool Refill()
    {
        if (FChunkLeft == 0) {
            if (CheckCrc()) NextChunk();
            return false;
        }
        const std::size_t Got = ReadChunkData();
        FZ.next_in = FInput;
        FZ.avail_in = static_cast<uInt>(Got);
        return Got > 0;
    }

    // Reads the next piece of the chunk's data into the input buffer.
    std::size_t ReadChunkData()
    {
        const std::size_t Got =
            ReadAvailable(FInput, std::min<std::uint32_t>(FChunkLeft, sizeof FInput));
        FCrc = update_crc(FCrc, FInput, Got);
        FChunkLeft -= static_cast<std::uint32_t>(Got);
        return Got;
    }

    // Reads Count bytes or what is left of the stream; a short read marks the cut.
    std::size_t ReadAvailable(std::uint8_t *Buffer, std::size_t Count)
    {
        std::size_t Done = 0;
        while (Done < Count) {
            const int Got = FStream->Read(Buffer + Done, static_cast<int>(Count - Done));
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
        FChunkLeft = LoadBigEndian(Head);
        if (FChunkLeft > MaxChunkLength) TPNGObject::RaiseError<EPngUnexpectedEnd>();
        FCrc = update_crc(0xFFFFFFFF, Head + 4, 4);
    }

    TStream *FStream;
    z_stream FZ{};
    std::uint8_t FInput[65535];
    std::uint32_t FChunkLeft;
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

} // namespace

bool TChunkIDAT::LoadFromStream(TStream *Stream, const TChunkName &, std::uint32_t Size)
{
    TPNGObject *Image = Owner();
    TChunkIHDR *Header = Image->Header();
    if (Header->ColorType == COLOR_PALETTE && !Image->Chunks().ItemFromClass<TChunkPLTE>())
        TPNGObject::RaiseError<EPNGMissingPalette>();
    if (Header->ColorType == COLOR_GRAYSCALE || Header->ColorType == COLOR_GRAYSCALEALPHA)
        Image->SetPalette(Header->CreateGrayscalePalette(Header->BitsPerPixel()));

    const pngrows::RowConverter Convert = pngrows::ConverterFor(*Header, Image->GammaMap);
    int FullRowBytes = 0, Offset = 0;
    Image->GetPixelInfo(FullRowBytes, Offset);
    IdatReader Reader(Stream, Size);
    std::vector<std::uint8_t> Buffers[2] = {
        std::vector<std::uint8_t>(static_cast<std::size_t>(FullRowBytes) + 1),
        std::vector<std::uint8_t>(static_cast<std::size_t>(FullRowBytes) + 1)};
    int Current = 1;

    const int Width = static_cast<int>(Header->Width), Height = static_cast<int>(Header->Height);
    const bool Adam7 = Image->InterlaceMethod() == imAdam7;
    const int Passes = Adam7 ? 7 : 1;
    bool Ended = false;
    for (int Pass = 0; Pass < Passes && !Ended; ++Pass) {
        const pngrows::PassGeometry G = Adam7 ? pngrows::Adam7[Pass] : pngrows::WholeImage;
        const int Columns = pngrows::PassColumns(G, Width);
        const int RowBytes = PixelBytes(Columns, Header->ColorType, Header->BitDepth);
        if (RowBytes == 0) continue;
        std::fill_n(Buffers[1 - Current].begin(), RowBytes + 1, 0);
        for (int Y = G.RowStart; Y < Height; Y += G.RowStep) {
            std::uint8_t *Row = Buffers[Current].data();
            if (Reader.Read(Row, static_cast<std::size_t>(RowBytes) + 1) <
                static_cast<std::size_t>(RowBytes) + 1) {
                // Data that ends early leaves the remaining rows zero.
                Ended = true;
                break;
            }
            FilterRow(Row, Buffers[1 - Current].data(), RowBytes, Offset);
            Convert(Row + 1, Columns, G.ColumnStart, G.ColumnStep, Image->GetScanline(Y),
                    Image->GetAlphaScanline(Y),
                    Header->BitDepth == 16 ? Image->GetExtraScanline(Y) : nullptr);
            Current = 1 - Current;
        }
    }
    // A picture cut short keeps what arrived; the load ends with it.
    return Reader.Finish();
}
