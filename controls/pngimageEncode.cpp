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

class IdatWriter
{
public:
    IdatWriter(TStream *Stream, int MaxIdatSize, int Level, std::uint64_t DataSize)
        : FStream(Stream), FBuffer(static_cast<std::size_t>(MaxIdatSize))
    {
        // A window no larger than the data keeps small pictures cheap to set up.
        int WindowBits = 9;
        while (WindowBits < 15 && (std::uint64_t{1} << WindowBits) < DataSize)
            ++WindowBits;
        if (deflateInit2(&FZ, Level, Z_DEFLATED, WindowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            TPNGObject::RaiseError<EPNGOutMemory>();
        Restart();
    }
    ~IdatWriter() { deflateEnd(&FZ); }
    IdatWriter(const IdatWriter &) = delete;
    IdatWriter &operator=(const IdatWriter &) = delete;

    void Write(const std::uint8_t *Data, std::size_t Length)
    {
        FZ.next_in = const_cast<Bytef *>(Data);
        FZ.avail_in = static_cast<uInt>(Length);
        while (FZ.avail_in > 0) {
            deflate(&FZ, Z_NO_FLUSH);
            if (FZ.avail_out == 0) Flush();
        }
    }

    void Finish()
    {
        FZ.avail_in = 0;
        while (deflate(&FZ, Z_FINISH) != Z_STREAM_END)
            Flush();
        Flush();
    }

private:
    void Restart()
    {
        FZ.next_out = FBuffer.data();
        FZ.avail_out = static_cast<uInt>(FBuffer.size());
    }

    void Flush()
    {
        const auto Filled = static_cast<std::uint32_t>(FBuffer.size() - FZ.avail_out);
        if (Filled > 0) WriteChunk(FStream, IdatName, FBuffer.data(), Filled);
        Restart();
    }

    TStream *FStream;
    z_stream FZ{};
    std::vector<std::uint8_t> FBuffer;
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
    RowFilterer(TFilters Filters, int RowBytes, int Offset)
        : FFilters(Filters), FOffset(Offset), FPrevious(static_cast<std::size_t>(RowBytes))
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
    std::pair<std::uint8_t, const std::uint8_t *> Filter(const std::vector<std::uint8_t> &Raw)
    {
        const int N = FRowBytes, O = FOffset;
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
    int FOffset;
    int FRowBytes = 0;
    std::vector<std::uint8_t> FPrevious;
    std::array<std::vector<std::uint8_t>, 5> FOutputs;
};

} // namespace

bool TChunkIDAT::SaveToStream(TStream *Stream)
{
    TPNGObject *Image = Owner();
    TChunkIHDR *Header = Image->Header();
    // The store holds two-bit pictures as four-bit ones, and so they are written.
    if (Header->BitDepth == 2) Header->BitDepth = 4;
    int FullRowBytes = 0, Offset = 0;
    Image->GetPixelInfo(FullRowBytes, Offset);
    const pngrows::RowEncoder Encode = pngrows::EncoderFor(*Header, Image->InverseGammaMap);
    RowFilterer Filterer(Image->RowFilters(), FullRowBytes, Offset);
    std::vector<std::uint8_t> Raw(static_cast<std::size_t>(FullRowBytes));
    const int Width = static_cast<int>(Header->Width), Height = static_cast<int>(Header->Height);
    const bool Adam7 = Image->InterlaceMethod() == imAdam7;
    // Interlacing adds at most a filter byte a row to each pass.
    const std::uint64_t DataSize = (static_cast<std::uint64_t>(FullRowBytes) + 1) * Height * 2;
    IdatWriter Writer(Stream, Image->MaxIdatSize(), Image->ZlibLevel(), DataSize);

    for (int Pass = 0; Pass < (Adam7 ? 7 : 1); ++Pass) {
        const pngrows::PassGeometry G = Adam7 ? pngrows::Adam7[Pass] : pngrows::WholeImage;
        const int Columns = pngrows::PassColumns(G, Width);
        const int RowBytes = PixelBytes(Columns, Header->ColorType, Header->BitDepth);
        if (RowBytes == 0) continue;
        Filterer.StartPass(RowBytes);
        for (int Y = G.RowStart; Y < Height; Y += G.RowStep) {
            // The padding bits of a packed row's last byte would keep the row before.
            Raw[static_cast<std::size_t>(RowBytes) - 1] = 0;
            Encode(Image->GetScanline(Y), Image->GetAlphaScanline(Y),
                   Header->BitDepth == 16 ? Image->GetExtraScanline(Y) : nullptr, Columns,
                   G.ColumnStart, G.ColumnStep, Raw.data());
            const auto [Type, Bytes] = Filterer.Filter(Raw);
            Writer.Write(&Type, 1);
            Writer.Write(Bytes, static_cast<std::size_t>(RowBytes));
        }
    }
    Writer.Finish();
    return true;
}
