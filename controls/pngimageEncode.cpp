// Encoding of the image data: each row is filtered by the filter that scores
// best among the image's row filters and deflated into IDAT chunks of
// MaxIdatSize bytes.

#include "controls/pngimage.h"
#include "controls/pngimageIO.h"
#include "controls/pngimageRows.h"

#include <cstdlib>
#include <zlib.h>

using namespace pngio;

namespace
{

constexpr TChunkName IdatName{'I', 'D', 'A', 'T'};

// A window no larger than the data keeps small pictures cheap to set up.
void BeginDeflate(TZStreamRec2 &Z, TStream *Stream, int MaxIdatSize, int Level,
                  std::uint64_t DataSize)
{
    Z = {};
    Z.AllocateData(static_cast<std::size_t>(MaxIdatSize));
    Z.Stream = Stream;
    int WindowBits = 9;
    while (WindowBits < 15 && (std::uint64_t{1} << WindowBits) < DataSize)
        ++WindowBits;
    if (deflateInit2(&Z.ZLIB, Level, Z_DEFLATED, WindowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        TPNGObject::RaiseError<EPNGOutMemory>();
}

void EndDeflate(TZStreamRec2 &Z)
{
    deflateEnd(&Z.ZLIB);
    Z.FreeData();
}

// Deflates the rows into IDAT chunks of the output buffer's size; only the last is shorter.
class IdatWriter
{
public:
    IdatWriter(TStream *Stream, int MaxIdatSize, int Level, std::uint64_t DataSize)
    {
        BeginDeflate(FZ, Stream, MaxIdatSize, Level, DataSize);
        Restart();
    }
    ~IdatWriter() { EndDeflate(FZ); }
    IdatWriter(const IdatWriter &) = delete;
    IdatWriter &operator=(const IdatWriter &) = delete;

    void IDATZlibWrite(const std::uint8_t *Data, std::size_t Length)
    {
        z_stream &Z = FZ.ZLIB;
        Z.next_in = const_cast<Bytef *>(Data);
        Z.avail_in = static_cast<uInt>(Length);
        while (Z.avail_in > 0) {
            deflate(&Z, Z_NO_FLUSH);
            if (Z.avail_out == 0) Flush();
        }
    }

    void FinishIDATZlib()
    {
        FZ.ZLIB.avail_in = 0;
        while (deflate(&FZ.ZLIB, Z_FINISH) != Z_STREAM_END)
            Flush();
        Flush();
    }

private:
    void Restart()
    {
        FZ.ZLIB.next_out = FZ.Data.get();
        FZ.ZLIB.avail_out = static_cast<uInt>(FZ.DataSize);
    }

    void Flush()
    {
        const auto Filled = static_cast<std::uint32_t>(FZ.DataSize - FZ.ZLIB.avail_out);
        if (Filled > 0) WriteChunk(FZ.Stream, IdatName, FZ.Data.get(), Filled);
        Restart();
    }

    TZStreamRec2 FZ;
};

std::uint8_t PaethPredictor(int A, int B, int C)
{
    const int P = A + B - C;
    const int PA = std::abs(P - A), PB = std::abs(P - B), PC = std::abs(P - C);
    if (PA <= PB && PA <= PC) return static_cast<std::uint8_t>(A);
    return static_cast<std::uint8_t>(PB <= PC ? B : C);
}

// Positions whose byte repeats one of the two before it: runs deflate well.
int Score(const std::vector<std::uint8_t> &Row, int RowBytes)
{
    int Result = 0;
    for (int J = 2; J < RowBytes; ++J)
        Result += Row[static_cast<std::size_t>(J)] == Row[static_cast<std::size_t>(J - 1)] ||
                  Row[static_cast<std::size_t>(J)] == Row[static_cast<std::size_t>(J - 2)];
    return Result;
}

class RowFilterer
{
public:
    RowFilterer(TFilters Filters, int RowBytes, int PixelOffset)
        : FFilters(Filters), FPixelOffset(PixelOffset),
          FPrevious(static_cast<std::size_t>(RowBytes))
    {
        for (auto &Buffer : FOutputs)
            Buffer.resize(static_cast<std::size_t>(RowBytes));
    }

    void StartPass(int RowBytes)
    {
        FRowBytes = RowBytes;
        std::fill_n(FPrevious.begin(), RowBytes, 0);
    }

    // Filters Raw and gives the filter type and its bytes.
    std::pair<std::uint8_t, const std::uint8_t *>
    FilterToEncode(const std::vector<std::uint8_t> &Raw)
    {
        const int N = FRowBytes, O = FPixelOffset;
        for (int F = pfSub; F <= pfPaeth; ++F) {
            if (!FFilters.Contains(static_cast<TFilter>(F))) continue;
            std::uint8_t *Out = FOutputs[static_cast<std::size_t>(F)].data();
            for (int I = 0; I < N; ++I) {
                const int Left = I >= O ? Raw[static_cast<std::size_t>(I - O)] : 0;
                const int Above = FPrevious[static_cast<std::size_t>(I)];
                const int UpperLeft = I >= O ? FPrevious[static_cast<std::size_t>(I - O)] : 0;
                const int Predicted = F == pfSub       ? Left
                                      : F == pfUp      ? Above
                                      : F == pfAverage ? (Left + Above) >> 1
                                                       : PaethPredictor(Left, Above, UpperLeft);
                Out[I] = static_cast<std::uint8_t>(Raw[static_cast<std::size_t>(I)] - Predicted);
            }
        }
        std::copy_n(Raw.begin(), N, FPrevious.begin());
        const std::uint8_t Chosen = Choose();
        return {Chosen, Chosen == pfNone ? FPrevious.data() : FOutputs[Chosen].data()};
    }

private:
    std::uint8_t Choose() const
    {
        if (FFilters.Empty() || FFilters == TFilters{pfNone}) return pfNone;
        int Best = pfNone, BestScore = 0;
        for (int F = pfNone; F <= pfPaeth; ++F) {
            if (!FFilters.Contains(static_cast<TFilter>(F))) continue;
            if (FFilters == TFilters{static_cast<TFilter>(F)}) return static_cast<std::uint8_t>(F);
            const int S =
                Score(F == pfNone ? FPrevious : FOutputs[static_cast<std::size_t>(F)], FRowBytes);
            if (S > BestScore) {
                Best = F;
                BestScore = S;
            }
        }
        return static_cast<std::uint8_t>(Best);
    }

    TFilters FFilters;
    int FPixelOffset;
    int FRowBytes = 0;
    std::vector<std::uint8_t> FPrevious;
    std::array<std::vector<std::uint8_t>, 5> FOutputs;
};

// Writes the rows of the picture's store as the image data.
class ImageEncoder
{
public:
    ImageEncoder(TPNGObject &Image, TStream *Stream)
        : FImage(Image), FHeader(*Image.GetHeader()), FInfo(PixelInfoOf(Image)),
          FFilterer(Image.RowFilters(), FInfo.RowBytes, FInfo.PixelOffset),
          FRaw(static_cast<std::size_t>(FInfo.RowBytes)),
          // Interlacing adds at most a filter byte a row to each pass.
          FWriter(Stream, Image.MaxIdatSize(), Image.ZlibLevel(),
                  (static_cast<std::uint64_t>(FInfo.RowBytes) + 1) * FHeader.Height * 2)
    {
    }

    void Encode()
    {
        if (FImage.Interlacing() == imAdam7)
            EncodeInterlacedAdam7();
        else
            EncodeNonInterlaced();
        FWriter.FinishIDATZlib();
    }

private:
    struct PixelInfo {
        int RowBytes = 0, PixelOffset = 0;
    };

    static PixelInfo PixelInfoOf(const TPNGObject &Image)
    {
        PixelInfo Info;
        Image.GetPixelInfo(Info.RowBytes, Info.PixelOffset);
        return Info;
    }

    // Starts a row of RowBytes: the padding bits of a packed row's last byte
    // would otherwise keep the row before.
    std::uint8_t *StartRow(int RowBytes)
    {
        FRaw[static_cast<std::size_t>(RowBytes) - 1] = 0;
        return FRaw.data();
    }

    void WriteRow(int RowBytes)
    {
        const auto [Type, Bytes] = FFilterer.FilterToEncode(FRaw);
        FWriter.IDATZlibWrite(&Type, 1);
        FWriter.IDATZlibWrite(Bytes, static_cast<std::size_t>(RowBytes));
    }

    const std::uint8_t *ExtraOf(int Y) const
    {
        return FHeader.BitDepth == 16 ? FImage.GetExtraScanline(Y) : nullptr;
    }

    void EncodeNonInterlaced()
    {
        const pngrows::TEncodeNonInterlaced Encode = pngrows::EncodersFor(FHeader).NonInterlaced;
        const int RowBytes = FInfo.RowBytes;
        FFilterer.StartPass(RowBytes);
        for (int Y = 0; Y < static_cast<int>(FHeader.Height); ++Y) {
            Encode(FHeader, FImage.GetScanline(Y), FImage.GetAlphaScanline(Y), ExtraOf(Y),
                   StartRow(RowBytes));
            WriteRow(RowBytes);
        }
    }

    void EncodeInterlacedAdam7()
    {
        const pngrows::TEncodeInterlaced Encode = pngrows::EncodersFor(FHeader).Interlaced;
        const auto Width = static_cast<int>(FHeader.Width);
        for (int Pass = 0; Pass < 7; ++Pass) {
            const pngrows::PassGeometry &G = pngrows::Adam7[Pass];
            const int RowBytes =
                PixelBytes(pngrows::PassColumns(G, Width), FHeader.ColorType, FHeader.BitDepth);
            if (RowBytes == 0) continue;
            FFilterer.StartPass(RowBytes);
            for (int Y = G.RowStart; Y < static_cast<int>(FHeader.Height); Y += G.RowStep) {
                Encode(FHeader, Pass, FImage.GetScanline(Y), FImage.GetAlphaScanline(Y), ExtraOf(Y),
                       StartRow(RowBytes));
                WriteRow(RowBytes);
            }
        }
    }

    TPNGObject &FImage;
    const TChunkIHDR &FHeader;
    const PixelInfo FInfo;
    RowFilterer FFilterer;
    std::vector<std::uint8_t> FRaw;
    IdatWriter FWriter;
};

} // namespace

bool TChunkIDAT::SaveToStream(TStream *Stream)
{
    TChunkIHDR *Header = Owner()->GetHeader();
    // The store holds two-bit pictures as four-bit ones, and so they are written.
    if (Header->BitDepth == 2) Header->BitDepth = 4;
    ImageEncoder(*Owner(), Stream).Encode();
    return true;
}
