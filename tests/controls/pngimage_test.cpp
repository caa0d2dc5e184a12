#include "controls/pngimage.h"
#include "platform/win/Clipboard.h"
#include "platform/win/GdiObjects.h"
#include "tests/controls/PngFixtures.h"
#include "tests/support/ResidentMemory.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <span>

#include <unistd.h>

using namespace pngtest;

namespace
{

struct PngFormat {
    int ColorType;
    int BitDepth;
};

const PngFormat EveryFormat[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                 {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};

const std::pair<int, int> Sizes[] = {{1, 1}, {3, 5}, {5, 3}, {33, 17}, {1, 9}, {70, 2}};

std::uint8_t High(const Picture &P, int X, int Y, int C)
{
    const std::uint16_t S = P.Sample(X, Y, C);
    return static_cast<std::uint8_t>(P.BitDepth == 16 ? S >> 8 : S);
}

TColor ExpectedColor(const Picture &P, int X, int Y)
{
    switch (P.ColorType) {
    case 0: {
        const int S = P.Sample(X, Y, 0);
        const int Level = P.BitDepth == 16 ? S >> 8 : S * 255 / ((1 << P.BitDepth) - 1);
        return static_cast<TColor>(RGB(Level, Level, Level));
    }
    case 3: {
        const std::size_t I = P.Sample(X, Y, 0);
        return static_cast<TColor>(
            RGB(P.Palette[3 * I], P.Palette[3 * I + 1], P.Palette[3 * I + 2]));
    }
    case 4: {
        const int Level = High(P, X, Y, 0);
        return static_cast<TColor>(RGB(Level, Level, Level));
    }
    default:
        return static_cast<TColor>(RGB(High(P, X, Y, 0), High(P, X, Y, 1), High(P, X, Y, 2)));
    }
}

std::string Describe(const Picture &P)
{
    return "type " + std::to_string(P.ColorType) + " depth " + std::to_string(P.BitDepth) + " " +
           std::to_string(P.Width) + "x" + std::to_string(P.Height) +
           (P.Interlaced ? " interlaced" : "");
}

void ExpectSamePixels(const Picture &P, TPNGObject &Image)
{
    SCOPED_TRACE(Describe(P));
    ASSERT_EQ(Image.Width(), P.Width);
    ASSERT_EQ(Image.Height(), P.Height);
    for (int Y = 0; Y < P.Height; ++Y)
        for (int X = 0; X < P.Width; ++X) {
            ASSERT_EQ(Image.GetPixels(X, Y), ExpectedColor(P, X, Y)) << X << "," << Y;
            if (P.ColorType == 4 || P.ColorType == 6) {
                ASSERT_EQ(Image.GetAlphaScanline(Y)[X], High(P, X, Y, P.Channels() - 1));
            }
            if (P.BitDepth == 16 && P.ColorType == 0) {
                ASSERT_EQ(Image.GetExtraScanline(Y)[X], P.Sample(X, Y, 0) & 0xFF);
            }
            if (P.BitDepth == 16 && (P.ColorType == 2 || P.ColorType == 6)) {
                for (int C = 0; C < 3; ++C)
                    ASSERT_EQ(Image.GetExtraScanline(Y)[3 * X + 2 - C], P.Sample(X, Y, C) & 0xFF);
            }
        }
}

// Qt rounds 16-bit samples down to 8 bits where the store keeps the high byte.
void ExpectNear(TColor Ours, QRgb Theirs, int Tolerance)
{
    const auto C = static_cast<COLORREF>(Ours);
    EXPECT_NEAR(GetRValue(C), qRed(Theirs), Tolerance);
    EXPECT_NEAR(GetGValue(C), qGreen(Theirs), Tolerance);
    EXPECT_NEAR(GetBValue(C), qBlue(Theirs), Tolerance);
}

std::vector<Bytes> Scanlines(TPNGObject &Image)
{
    int RowBytes = 0, Offset = 0;
    Image.GetPixelInfo(RowBytes, Offset);
    std::vector<Bytes> Rows;
    const int DibRow = Image.GetHeader()->DibRowBytes;
    for (int Y = 0; Y < Image.Height(); ++Y)
        Rows.emplace_back(Image.GetScanline(Y), Image.GetScanline(Y) + DibRow);
    return Rows;
}

template <class E> void ExpectLoadError(const Bytes &File, const char *Text = nullptr)
{
    try {
        Load(File);
        FAIL() << "no exception";
    } catch (const E &Error) {
        if (Text) {
            EXPECT_STREQ(Error.Message().c_str(), Text);
        }
    }
}

QImage QtDecoded(const Bytes &File)
{
    QImage Image;
    Image.loadFromData(File.data(), static_cast<int>(File.size()), "PNG");
    return Image;
}

Bytes QtPng(const QImage &Image)
{
    QByteArray Data;
    QBuffer Buffer(&Data);
    Buffer.open(QIODevice::WriteOnly);
    Image.save(&Buffer, "PNG");
    return Bytes(Data.begin(), Data.end());
}

QImage Noise(int Width, int Height, QImage::Format Kind, std::uint32_t Seed)
{
    std::mt19937 Random(Seed);
    QImage Image(Width, Height, QImage::Format_ARGB32);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X)
            Image.setPixel(X, Y, Random());
    return Image.convertToFormat(Kind);
}

} // namespace

// ---- Decoding ---------------------------------------------------------------------

TEST(PngDecode, EveryFormatSizeAndInterlaceGivesTheWrittenPixels)
{
    std::uint32_t Seed = 1;
    for (const PngFormat F : EveryFormat)
        for (const auto &[W, H] : Sizes)
            for (bool Interlaced : {false, true}) {
                const Picture P = RandomPicture(F.ColorType, F.BitDepth, W, H, Interlaced, Seed++);
                auto Image = Load(Encode(P));
                ExpectSamePixels(P, *Image);
                EXPECT_EQ(Image->Interlacing(), Interlaced ? imAdam7 : imNone);
            }
}

TEST(PngDecode, InterlacedAndPlainDataGiveTheSameStore)
{
    for (const PngFormat F : EveryFormat) {
        Picture P = RandomPicture(F.ColorType, F.BitDepth, 37, 37, false, 99);
        auto Plain = Load(Encode(P));
        P.Interlaced = true;
        auto Adam7 = Load(Encode(P));
        EXPECT_EQ(Scanlines(*Plain), Scanlines(*Adam7)) << Describe(P);
    }
}

TEST(PngDecode, DataSplitOverChunksOfAnySizeDecodesTheSame)
{
    Picture P = RandomPicture(6, 8, 120, 90, false, 5);
    const auto Whole = Scanlines(*Load(Encode(P)));
    for (int Size : {1, 7, 65535}) {
        P.IdatSize = Size;
        EXPECT_EQ(Scanlines(*Load(Encode(P))), Whole) << Size;
    }
}

TEST(PngDecode, UnknownFilterBytesLeaveTheRowAsItCame)
{
    Picture P = RandomPicture(0, 8, 4, 1, false, 3);
    P.CycleFilters = false;
    auto Chunks = SplitChunks(Encode(P));
    for (auto &C : Chunks)
        if (C.Name == "IDAT") {
            Bytes Raw = Inflate(C.Data);
            Raw[0] = 7;
            C.Data = Deflate(Raw);
        }
    ExpectSamePixels(P, *Load(JoinChunks(Chunks)));
}

TEST(PngDecode, GammaReachesColoursAndGrayLevels)
{
    Picture P;
    P.Samples = {128, 64, 255};
    P.BeforeData = {{"gAMA", {0x00, 0x01, 0x86, 0xA0}}}; // 100000
    EXPECT_EQ(Load(Encode(P))->GetPixels(0, 0), static_cast<TColor>(0x00FF88BA));
    P.BeforeData = {{"gAMA", {0x00, 0x00, 0xB1, 0x8F}}}; // 45455
    EXPECT_EQ(Load(Encode(P))->GetPixels(0, 0), static_cast<TColor>(RGB(128, 64, 255)));
    auto Image = Load(Encode(P));
    for (int I = 0; I < 256; ++I)
        ASSERT_NEAR(Image->GammaMap[static_cast<std::size_t>(I)], I, 1);

    Picture Gray = RandomPicture(0, 8, 1, 1, false, 1);
    Gray.Samples = {128};
    Gray.BeforeData = {{"gAMA", {0x00, 0x01, 0x86, 0xA0}}};
    EXPECT_EQ(Load(Encode(Gray))->GetPixels(0, 0), static_cast<TColor>(RGB(186, 186, 186)));
    Gray.BeforeData = {{"gAMA", {0, 0, 0, 0}}};
    EXPECT_EQ(Load(Encode(Gray))->GetPixels(0, 0), static_cast<TColor>(RGB(128, 128, 128)));
}

TEST(PngDecode, GammaIsAppliedOnceInEveryFormat)
{
    std::uint32_t Seed = 40;
    for (const PngFormat F : EveryFormat) {
        Picture P = RandomPicture(F.ColorType, F.BitDepth, 7, 3, Seed % 2 == 0, Seed);
        ++Seed;
        P.BeforeData = {{"gAMA", {0x00, 0x01, 0x86, 0xA0}}}; // 100000: a strong curve
        auto Image = Load(Encode(P));
        SCOPED_TRACE(Describe(P));
        const auto &G = Image->GammaMap;
        ASSERT_EQ(G[128], 186);
        for (int Y = 0; Y < P.Height; ++Y)
            for (int X = 0; X < P.Width; ++X) {
                const auto C = static_cast<COLORREF>(ExpectedColor(P, X, Y));
                ASSERT_EQ(
                    Image->GetPixels(X, Y),
                    static_cast<TColor>(RGB(G[GetRValue(C)], G[GetGValue(C)], G[GetBValue(C)])))
                    << X << "," << Y;
            }
    }
}

TEST(PngDecode, DataEndingBeforeItsChunkEndsStillChecksThatChunk)
{
    // Padding after the end of the deflate stream: the decoder stops early and
    // must still find the CRC where the chunk ends, and the rows it got.
    Picture P = RandomPicture(2, 8, 300, 300, false, 8);
    auto Chunks = SplitChunks(Encode(P));
    for (auto &C : Chunks)
        if (C.Name == "IDAT") C.Data.resize(C.Data.size() + 70000, 0xAB);
    ExpectSamePixels(P, *Load(JoinChunks(Chunks)));
}

TEST(PngDecode, DataThatEndsEarlyLeavesTheRemainingRowsZero)
{
    Picture P = RandomPicture(6, 8, 6, 4, false, 4);
    P.CycleFilters = false;
    auto Chunks = SplitChunks(Encode(P));
    for (auto &C : Chunks)
        if (C.Name == "IDAT") {
            Bytes Raw = Inflate(C.Data);
            Raw.resize(2 * (1 + 6 * 4));
            C.Data = Deflate(Raw);
        }
    auto Image = Load(JoinChunks(Chunks));
    EXPECT_EQ(Image->GetPixels(5, 1), ExpectedColor(P, 5, 1));
    EXPECT_EQ(Image->GetPixels(0, 2), 0);
    EXPECT_EQ(Image->GetAlphaScanline(3)[5], 0);
}

namespace
{

// Whether row Y of Image holds the row of P, or only zeros.
bool RowArrived(const Picture &P, TPNGObject &Image, int Y)
{
    for (int X = 0; X < P.Width; ++X)
        if (Image.GetPixels(X, Y) != ExpectedColor(P, X, Y)) return false;
    return true;
}

bool RowIsZero(const Picture &P, TPNGObject &Image, int Y)
{
    for (int X = 0; X < P.Width; ++X) {
        if (Image.GetPixels(X, Y) != 0) return false;
        if (Image.GetAlphaScanline(Y) && Image.GetAlphaScanline(Y)[X] != 0) return false;
    }
    return true;
}

} // namespace

TEST(PngDecode, AFileCutInsideTheImageDataShowsTheRowsThatArrived)
{
    Picture P = RandomPicture(6, 8, 20, 30, false, 5);
    P.CycleFilters = false;
    P.IdatSize = 300;
    const Bytes File = Encode(P);
    const auto Chunks = SplitChunks(File);
    const std::size_t DataStart = 8 + 12 + Chunks[0].Data.size();
    const std::size_t DataEnd = File.size() - 12; // before IEND
    int Previous = 0;
    // From just after the first data chunk's head to its last CRC.
    for (std::size_t Cut = DataStart + 9; Cut < DataEnd; Cut += 37) {
        SCOPED_TRACE(Cut);
        auto Image = Load(Bytes(File.begin(), File.begin() + static_cast<std::ptrdiff_t>(Cut)));
        int Arrived = 0;
        while (Arrived < P.Height && RowArrived(P, *Image, Arrived))
            ++Arrived;
        for (int Y = Arrived; Y < P.Height; ++Y)
            ASSERT_TRUE(RowIsZero(P, *Image, Y)) << "row " << Y;
        EXPECT_GE(Arrived, Previous);
        Previous = Arrived;
        // What arrived is a whole picture: it saves as a file that loads with the same rows.
        auto Again = Load(Save(*Image));
        for (int Y = 0; Y < P.Height; ++Y)
            ASSERT_TRUE(Y < Arrived ? RowArrived(P, *Again, Y) : RowIsZero(P, *Again, Y))
                << "row " << Y << " saved again";
    }
    EXPECT_GT(Previous, P.Height / 2);
    // Cut inside the last CRC: every row is there.
    ExpectSamePixels(P, *Load(Bytes(File.begin(), File.end() - 14)));
    // Cut after the whole data, where the end chunk should be: that is no picture cut short.
    ExpectLoadError<EPngUnexpectedEnd>(Bytes(File.begin(), File.end() - 12));
}

TEST(PngDecode, AnInterlacedFileCutShortKeepsThePassesThatArrived)
{
    Picture P = RandomPicture(6, 8, 17, 13, true, 6);
    const Bytes File = Encode(P);
    int Shown = 0;
    for (std::size_t Cut = 8 + 25 + 9; Cut + 12 < File.size(); Cut += 5) {
        auto Image = Load(Bytes(File.begin(), File.begin() + static_cast<std::ptrdiff_t>(Cut)));
        for (int Y = 0; Y < P.Height; ++Y)
            for (int X = 0; X < P.Width; ++X) {
                const bool Arrived = Image->GetPixels(X, Y) == ExpectedColor(P, X, Y) &&
                                     Image->GetAlphaScanline(Y)[X] == High(P, X, Y, 3);
                const bool Zero = Image->GetPixels(X, Y) == 0 && Image->GetAlphaScanline(Y)[X] == 0;
                ASSERT_TRUE(Arrived || Zero) << Cut << ": " << X << "," << Y;
                Shown += Arrived;
            }
    }
    EXPECT_GT(Shown, 0);
}

TEST(PngDecode, QtWrittenPicturesDecodeToQtsOwnPixels)
{
    const QImage::Format Kinds[] = {QImage::Format_ARGB32,     QImage::Format_RGB32,
                                    QImage::Format_Grayscale8, QImage::Format_Grayscale16,
                                    QImage::Format_RGBA64,     QImage::Format_Indexed8,
                                    QImage::Format_Mono};
    std::uint32_t Seed = 10;
    for (QImage::Format Kind : Kinds)
        for (const auto &[W, H] : Sizes) {
            const Bytes File = QtPng(Noise(W, H, Kind, Seed++));
            const QImage Reference = QtDecoded(File).convertToFormat(QImage::Format_ARGB32);
            auto Image = Load(File);
            for (int Y = 0; Y < H; ++Y)
                for (int X = 0; X < W; ++X) {
                    const QRgb Q = Reference.pixel(X, Y);
                    const bool Wide =
                        Kind == QImage::Format_Grayscale16 || Kind == QImage::Format_RGBA64;
                    ExpectNear(Image->GetPixels(X, Y), Q, Wide ? 1 : 0);
                    if (const std::uint8_t *A = Image->GetAlphaScanline(Y)) {
                        ASSERT_EQ(A[X], qAlpha(Q));
                    }
                }
        }
}

// ---- Errors -----------------------------------------------------------------------

TEST(PngErrors, BrokenFilesEndInTheirExceptions)
{
    const Bytes Good = Encode(RandomPicture(2, 8, 4, 4, false, 1));
    ExpectLoadError<EPngUnexpectedEnd>(
        Bytes(Good.begin(), Good.begin() + 8),
        "This \"Portable Network Graphics\" image is invalid because the decoder found an "
        "unexpected end of the file.");
    Bytes BadSignature = Good;
    BadSignature[0] = 0x88;
    ExpectLoadError<EPNGInvalidFileHeader>(BadSignature);
    Bytes BadCrc = Good;
    BadCrc[8 + 8 + 13] ^= 1;
    ExpectLoadError<EPngInvalidCRC>(BadCrc);
    ExpectLoadError<EPNGNoImageData>(JoinChunks({{"IHDR", HeaderData(4, 4, 8, 2)}, {"IEND", {}}}));

    auto Chunks = SplitChunks(Good);
    Chunks.insert(Chunks.begin() + 1, {"AbCD", {1, 2, 3}});
    ExpectLoadError<EPNGUnknownCriticalChunk>(JoinChunks(Chunks));
    ExpectLoadError<EPNGIHDRNotFirst>(JoinChunks({{"tEXt", {'a', 0, 'b'}}, {"IEND", {}}}));
    Bytes LongFirst = JoinChunks({{"tEXt", {'a', 0, 'b'}}, {"IEND", {}}});
    LongFirst[8] = 0x10; // a first chunk claiming more than the file holds
    ExpectLoadError<EPNGIHDRNotFirst>(LongFirst);
}

TEST(PngErrors, HeaderSizesAndCombinationsAreChecked)
{
    auto WithHeader = [](const Bytes &Header) {
        auto Chunks = SplitChunks(Encode(RandomPicture(2, 8, 1, 1, false, 1)));
        Chunks[0].Data = Header;
        return JoinChunks(Chunks);
    };
    ExpectLoadError<EPNGSizeExceeds>(WithHeader(HeaderData(65536, 1, 8, 2)));
    ExpectLoadError<EPngInvalidIHDR>(WithHeader(HeaderData(0, 1, 8, 2)));
    ExpectLoadError<EPngInvalidIHDR>(WithHeader(HeaderData(1, 1, 1, 2)));
    ExpectLoadError<EPngInvalidIHDR>(WithHeader(HeaderData(1, 1, 3, 0)));
    ExpectLoadError<EPngInvalidIHDR>(WithHeader(HeaderData(1, 1, 8, 5)));
    ExpectLoadError<EPngInvalidIHDR>(WithHeader({0, 0, 0, 1}));
    ExpectLoadError<EPNGUnknownInterlace>(WithHeader(HeaderData(1, 1, 8, 2, 2)));
    Bytes Compression = HeaderData(1, 1, 8, 2);
    Compression[10] = 1;
    ExpectLoadError<EPNGUnknownCompression>(WithHeader(Compression));

    Picture Wide = RandomPicture(0, 1, 65535, 1, false, 2);
    EXPECT_EQ(Load(Encode(Wide))->Width(), 65535);

    auto Twice = SplitChunks(Encode(RandomPicture(2, 8, 2, 2, false, 1)));
    Twice.insert(Twice.begin() + 1, Twice[0]);
    ExpectLoadError<EPngInvalidIHDR>(JoinChunks(Twice));
}

TEST(PngErrors, DamagedImageDataIsReported)
{
    Picture P = RandomPicture(2, 8, 40, 40, false, 6);
    auto Chunks = SplitChunks(Encode(P));
    Chunks[1].Data[2] ^= 0xFF;
    Chunks[1].Data[3] ^= 0xFF;
    ExpectLoadError<EPNGZLIBError>(
        JoinChunks(Chunks), "Could not decompress the image because it contains invalid compressed "
                            "data.\r\n Description: data error (-3)");

    P.IdatSize = 100;
    Chunks = SplitChunks(Encode(P));
    Chunks.insert(Chunks.begin() + 2, {"tEXt", {'k', 0, 'v'}});
    ExpectLoadError<EPNGMissingMultipleIDAT>(
        JoinChunks(Chunks),
        "This \"Portable Network Graphics\" image is invalid because it has missing image parts.");

    Chunks = SplitChunks(Encode(P));
    Chunks[3].Name = "IDAT";
    Bytes File = JoinChunks(Chunks);
    File[8 + 25 + 12 + 100 + 8 + 50] ^= 0x10; // inside the second data chunk
    ExpectLoadError<EPngInvalidCRC>(File);
}

TEST(PngErrors, LengthsBeyondTheFileAndShortReadsAreUnexpectedEnds)
{
    const Bytes Good = Encode(RandomPicture(2, 8, 4, 4, false, 1));
    // Cut in the header, before the data, and in the end chunk after the data.
    for (std::size_t Cut :
         {std::size_t{12}, std::size_t{20}, std::size_t{33}, Good.size() - 10, Good.size() - 2})
        ExpectLoadError<EPngUnexpectedEnd>(
            Bytes(Good.begin(), Good.begin() + static_cast<std::ptrdiff_t>(Cut)));
    Bytes Huge = Good;
    Huge[8] = 0xFF; // IHDR length 0xFF00000D
    ExpectLoadError<EPngUnexpectedEnd>(Huge);
    Huge[8] = 0x7F;
    ExpectLoadError<EPngUnexpectedEnd>(Huge);
}

using testsupport::ResidentBytes;

TEST(PngErrors, AHugeHeaderWithLittleDataCostsOnlyTheRowsThatArrive)
{
    // About a hundred bytes claiming 9000 x 9000 colour pixels, 243 MB of store,
    // with one row of data; once whole, once cut inside the data.
    Bytes Row(1 + 9000 * 3, 0x7F);
    Row[0] = 0;
    const Bytes Whole =
        JoinChunks({{"IHDR", HeaderData(9000, 9000, 8, 2)}, {"IDAT", Deflate(Row)}, {"IEND", {}}});
    ASSERT_LT(Whole.size(), 150u);
    for (const Bytes &File : {Whole, Bytes(Whole.begin(), Whole.end() - 20)}) {
        SCOPED_TRACE(File.size());
        const std::size_t Before = ResidentBytes();
        auto Image = Load(File);
        const std::size_t After = ResidentBytes();
        EXPECT_LT(After - std::min(After, Before), std::size_t{64} << 20);
        ASSERT_EQ(Image->Width(), 9000);
        ASSERT_EQ(Image->Height(), 9000);
        EXPECT_EQ(Image->GetPixels(8999, 8999), 0);
        if (File.size() == Whole.size()) {
            EXPECT_EQ(Image->GetPixels(10, 0), static_cast<TColor>(RGB(0x7F, 0x7F, 0x7F)));
        }
    }
}

TEST(PngErrors, AHugeInterlacedPictureWithLittleDataDrawnSmallCostsOnlyTheTarget)
{
    const Bytes File = HugeInterlacedFile();
    ASSERT_LT(File.size(), 128u);
    auto Image = Load(File);
    TBitmap Shrunk, Corner;
    for (TBitmap *Target : {&Shrunk, &Corner}) {
        Target->SetPixelFormat(pf24bit);
        Target->SetSize(16, 16);
    }
    testsupport::ResetPeakResident();
    const std::size_t Before = ResidentBytes();
    Image->Draw(Shrunk.Canvas(), Rect(0, 0, 16, 16));
    Image->Draw(Corner.Canvas(), Rect(0, 0, 5000, 5000));
    const std::size_t Peak = testsupport::PeakResidentBytes();
    EXPECT_LT(Peak - std::min(Peak, Before), std::size_t{64} << 20);
    const TColor Gray = static_cast<TColor>(RGB(0x7F, 0x7F, 0x7F));
    // Shrunk, each canvas pixel shows the picture pixel nearest its centre.
    for (int Y = 0; Y < 16; ++Y)
        for (int X = 0; X < 16; ++X)
            EXPECT_EQ(Shrunk.Canvas()->Pixels(X, Y),
                      Image->GetPixels((2 * X + 1) * 5000 / 32, (2 * Y + 1) * 5000 / 32));
    EXPECT_EQ(Corner.Canvas()->Pixels(0, 0), Gray);
    EXPECT_EQ(Corner.Canvas()->Pixels(8, 0), Gray);
    EXPECT_EQ(Corner.Canvas()->Pixels(1, 0), clBlack);
    EXPECT_EQ(Corner.Canvas()->Pixels(8, 8), clBlack);
}

TEST(PngErrors, PaletteImagesNeedTheirPalette)
{
    Picture P = RandomPicture(3, 8, 3, 3, false, 2);
    P.Palette.clear();
    ExpectLoadError<EPNGMissingPalette>(Encode(P));
    P.Palette.assign(3 * 257, 0);
    ExpectLoadError<EPNGInvalidPalette>(Encode(P));
    P.Palette.assign(7, 0);
    ExpectLoadError<EPNGInvalidPalette>(Encode(P));
    P.Palette.assign(3 * 256, 9);
    P.Transparency.assign(257, 0);
    ExpectLoadError<EPNGInvalidPalette>(Encode(P));
}

TEST(PngErrors, RandomDamageNeverCrashes)
{
    std::vector<Bytes> Seeds;
    std::uint32_t Number = 1;
    for (const PngFormat F : EveryFormat) {
        Picture P = RandomPicture(F.ColorType, F.BitDepth, 9, 7, Number % 2 == 0, Number);
        P.IdatSize = 40;
        P.AfterData = {{"tEXt", {'a', 0, 'b'}},
                       {"zTXt", {'k', 0, 0, 0x78, 0x9C, 3, 0, 0, 0, 0, 1}}};
        Seeds.push_back(Encode(P));
        ++Number;
    }
    std::mt19937 Random(20261207);
    int Loaded = 0, Refused = 0;
    for (int Round = 0; Round < 3000; ++Round) {
        Bytes File = Seeds[Random() % Seeds.size()];
        switch (Random() % 4) {
        case 0: // flipped bytes
            for (int I = 0; I < 1 + static_cast<int>(Random() % 4); ++I)
                File[8 + Random() % (File.size() - 8)] ^=
                    static_cast<std::uint8_t>(1 + Random() % 255);
            break;
        case 1: // truncated
            File.resize(Random() % File.size());
            break;
        case 2: { // a huge or odd length
            const std::size_t At = 8 + 4 * (Random() % ((File.size() - 8) / 4));
            File[At] = static_cast<std::uint8_t>(Random());
            break;
        }
        default: { // damaged data with the CRCs repaired
            auto Chunks = SplitChunks(File);
            auto &C = Chunks[Random() % Chunks.size()];
            if (!C.Data.empty())
                C.Data[Random() % C.Data.size()] ^= static_cast<std::uint8_t>(Random());
            File = JoinChunks(Chunks);
        }
        }
        try {
            auto Image = Load(File);
            // Whatever loaded must be usable.
            Save(*Image);
            if (Image->HeaderPresent()) Image->GetPixels(Image->Width() - 1, Image->Height() - 1);
            ++Loaded;
        } catch (const Exception &) {
            ++Refused;
        }
    }
    EXPECT_GT(Refused, 1000);
    EXPECT_GT(Loaded, 10);
}

TEST(PngErrors, ADeflateBombInTextIsRefusedWithoutFailingTheLoad)
{
    Bytes Text(8 << 20, 'x');
    Bytes Data = {'k', 0, 0};
    const Bytes Packed = Deflate(Text);
    Data.insert(Data.end(), Packed.begin(), Packed.end());
    Picture P = RandomPicture(2, 8, 2, 2, false, 1);
    P.AfterData = {{"zTXt", Data}};
    auto Image = Load(Encode(P));
    auto *Z = Image->ChunkList().ItemFromClass<TChunkzTXt>();
    ASSERT_NE(Z, nullptr);
    EXPECT_EQ(Z->Keyword, "k");
    EXPECT_TRUE(Z->Text.IsEmpty());
}

namespace
{

// A zlib header whose flag asks for a preset dictionary (id 1), then an empty block.
const Bytes NeedsDictionary = {0x78, 0x20, 0, 0, 0, 1, 3, 0};

Bytes Joined(const Bytes &A, const Bytes &B)
{
    Bytes Out = A;
    Out.insert(Out.end(), B.begin(), B.end());
    return Out;
}

} // namespace

TEST(PngZlib, EveryCodeButStreamEndFailsTheTextBlock)
{
    const Bytes Text = {'h', 'e', 'l', 'l', 'o'};
    const Bytes Packed = Deflate(Text);
    const ZlibBlockResult Good = InflateBlock(Packed.data(), Packed.size());
    EXPECT_TRUE(Good.Ok);
    EXPECT_EQ(Good.Output, Text);

    struct Damage {
        const char *What;
        Bytes Data;
        const char *Text;
    };
    const Damage Cases[] = {
        {"preset dictionary", NeedsDictionary, "need dictionary"},
        {"bad header", {0x78, 0x00, 3, 0}, "incorrect header check"},
        {"bad block type", {0x78, 0x9C, 0x07, 0}, "invalid block type"},
        {"cut short", Bytes(Packed.begin(), Packed.end() - 3), "buffer error"},
        {"nothing", {}, "buffer error"},
    };
    for (const Damage &D : Cases) {
        SCOPED_TRACE(D.What);
        const ZlibBlockResult R = InflateBlock(D.Data.data(), D.Data.size());
        EXPECT_FALSE(R.Ok);
        EXPECT_TRUE(R.Output.empty());
        EXPECT_EQ(R.ErrorText, AnsiString(D.Text));
    }
}

TEST(PngZlib, ATextChunkAskingForADictionaryLoadsWithEmptyText)
{
    // A small file with valid checksums used to spin for ever on this chunk.
    Picture P = RandomPicture(0, 1, 1, 1, false, 1);
    P.AfterData = {{"zTXt", Joined({'k', 0, 0}, NeedsDictionary)}};
    const Bytes File = Encode(P);
    EXPECT_LT(File.size(), 200u);
    auto Image = Load(File);
    auto *Z = Image->ChunkList().ItemFromClass<TChunkzTXt>();
    ASSERT_NE(Z, nullptr);
    EXPECT_EQ(Z->Keyword, "k");
    EXPECT_TRUE(Z->Text.IsEmpty());
}

TEST(PngZlib, ImageDataAskingForADictionaryIsAZlibError)
{
    Picture P = RandomPicture(2, 8, 2, 2, false, 1);
    auto Chunks = SplitChunks(Encode(P));
    Chunks[1].Data =
        Joined({0x78, 0x20, 0, 0, 0, 1}, Bytes(Chunks[1].Data.begin() + 2, Chunks[1].Data.end()));
    ExpectLoadError<EPNGZLIBError>(
        JoinChunks(Chunks), "Could not decompress the image because it contains invalid compressed "
                            "data.\r\n Description: need dictionary (2)");
}

// ---- Chunks -----------------------------------------------------------------------

TEST(PngChunks, UnknownAncillaryChunksSurviveAndColourChunksAreDropped)
{
    Picture P = RandomPicture(2, 8, 3, 3, false, 1);
    P.BeforeData = {{"cHRM", Bytes(32, 1)}};
    P.AfterData = {{"abCD", {1, 2, 3, 4, 5, 6, 7}}};
    auto Image = Load(Encode(P));
    const auto Out = SplitChunks(Save(*Image));
    std::vector<std::string> Names;
    for (const auto &C : Out)
        Names.push_back(C.Name);
    EXPECT_EQ(Names, (std::vector<std::string>{"IHDR", "IDAT", "abCD", "IEND"}));
    EXPECT_EQ(Out[2].Data, (Bytes{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(Image->ChunkList().GetItem(2)->GetChunkName(), "abCD");
}

namespace
{

// A caller's own chunk: the significant bits of each channel, read as numbers and
// written back as they came.
class TChunksBIT : public TChunk
{
    QRV4_CLASS(TChunksBIT, TChunk)

public:
    using TChunk::TChunk;
    bool LoadFromStream(TStream *Stream, const TChunkName &ChunkName, std::uint32_t Size) override
    {
        TChunk::LoadFromStream(Stream, ChunkName, Size);
        Bits.assign(Data(), Data() + DataLength());
        return true;
    }
    Bytes Bits;
};

} // namespace

TEST(PngChunks, RegisteredChunkClassesLoadTheirChunks)
{
    Picture P = RandomPicture(2, 8, 3, 3, false, 1);
    P.BeforeData = {{"sBIT", {5, 6, 5}}};
    const Bytes File = Encode(P);
    // The registry keeps a class for the life of the process: this test registers it on its
    // first run, and only that run sees the chunk load before it is registered.
    static bool Registered = false;
    if (!Registered) {
        EXPECT_EQ(Load(File)->ChunkList().GetItem(1)->ClassType(), TChunk::StaticClass());
        RegisterChunk<TChunksBIT>();
        Registered = true;
    }
    auto Image = Load(File);
    auto *Bits = dynamic_cast<TChunksBIT *>(Image->ChunkList().GetItem(1));
    ASSERT_NE(Bits, nullptr);
    EXPECT_EQ(Bits->Bits, (Bytes{5, 6, 5}));
    EXPECT_EQ(Image->ChunkList().ItemFromClass<TChunksBIT>(), Bits);
    EXPECT_EQ(SplitChunks(Save(*Image))[1].Data, (Bytes{5, 6, 5}));
    // Added by class, it takes its name and its place before the end.
    auto *Added = Image->ChunkList().Add<TChunksBIT>();
    EXPECT_EQ(Added->GetChunkName(), "sBIT");
    EXPECT_EQ(Image->ChunkList().GetItem(Image->ChunkList().Count() - 2), Added);
}

TEST(PngChunks, TextChunksLoadWithOrWithoutSeparatorAndWriteBack)
{
    Picture P = RandomPicture(2, 8, 1, 1, false, 1);
    Bytes Compressed = {'T', 'i', 't', 'l', 'e', 0, 0};
    const Bytes Z = Deflate({'h', 'e', 'l', 'l', 'o'});
    Compressed.insert(Compressed.end(), Z.begin(), Z.end());
    P.AfterData = {{"tEXt", {'A', 'u', 't', 'h', 'o', 'r', 0, 'M', 'e'}},
                   {"tEXt", {'N', 'o', 's', 'e', 'p'}},
                   {"zTXt", Compressed},
                   {"zTXt", {'o', 'n', 'l', 'y'}},
                   {"zTXt", {'a', 'b', 0}}};
    auto Image = Load(Encode(P));
    std::vector<std::pair<std::string, std::string>> Texts;
    for (int I = 0; I < Image->ChunkList().Count(); ++I)
        if (auto *T = dynamic_cast<TChunktEXt *>(Image->ChunkList().GetItem(I)))
            Texts.emplace_back(T->Keyword.c_str(), T->Text.c_str());
    EXPECT_EQ(Texts,
              (std::vector<std::pair<std::string, std::string>>{
                  {"Author", "Me"}, {"Nosep", ""}, {"Title", "hello"}, {"only", ""}, {"ab", ""}}));

    auto Blank = std::make_unique<TPNGObject>(2, 8, 1, 1);
    Blank->AddzTXt("Empty", "");
    Blank->AddtEXt("Key", "Value");
    const auto Out = SplitChunks(Save(*Blank));
    EXPECT_EQ(Out[2].Name, "zTXt");
    EXPECT_EQ(Inflate(Bytes(Out[2].Data.begin() + 7, Out[2].Data.end())), (Bytes{' '}));
    EXPECT_EQ(Out[3].Data, (Bytes{'K', 'e', 'y', 0, 'V', 'a', 'l', 'u', 'e'}));
    EXPECT_EQ(Out[4].Name, "IEND");
}

TEST(PngChunks, PlacementRulesAndRefusals)
{
    TPNGObject Image(3, 8, 2, 2);
    EXPECT_THROW(Image.ChunkList().Add<TChunkIDAT>(), EPngError);
    Image.ChunkList().Add<TChunkgAMA>();
    try {
        Image.ChunkList().Add<TChunkgAMA>();
        FAIL();
    } catch (const EPngError &E) {
        EXPECT_STREQ(E.Message().c_str(), "The program tried to add a existent critical chunk to "
                                          "the current image which is not allowed.");
    }
    Image.ChunkList().Add<TChunktRNS>();
    Image.ChunkList().Add<TChunkpHYs>();
    Image.ChunkList().Add<TChunktIME>();
    std::vector<std::string> Names;
    for (int I = 0; I < Image.ChunkList().Count(); ++I)
        Names.push_back(Image.ChunkList().GetItem(I)->GetChunkName().c_str());
    EXPECT_EQ(Names, (std::vector<std::string>{"IHDR", "pHYs", "gAMA", "PLTE", "tRNS", "IDAT",
                                               "tIME", "IEND"}));
    EXPECT_NE(Image.ChunkList().ItemFromClass<TChunktEXt>(), Image.ChunkList().GetItem(0));

    Image.ChunkList().RemoveChunk(Image.ChunkList().ItemFromClass<TChunkIEND>());
    try {
        Image.AddtEXt("a", "b");
        FAIL();
    } catch (const EPngError &E) {
        EXPECT_STREQ(E.Message().c_str(),
                     "It's not allowed to add a new chunk because the current image is invalid.");
    }
    EXPECT_EQ(TChunk::GetName(TChunkIHDR::StaticClass()), "IHDR");
    EXPECT_EQ(TChunk::GetName(TChunk::StaticClass()), "");
}

TEST(PngChunks, TheListReplacesTakesOutAndInsertsChunksByPosition)
{
    TPNGObject Image(2, 8, 2, 2);
    Image.AddtEXt("Old", "text");
    TPNGList &List = Image.ChunkList();
    auto Names = [&List] {
        std::vector<std::string> Result;
        for (int I = 0; I < List.Count(); ++I)
            Result.push_back(List.GetItem(I)->GetChunkName().c_str());
        return Result;
    };
    auto Text = [&Image](const AnsiString &Keyword) {
        auto Chunk = NewChunkOfClass(&Image, TChunktEXt::StaticClass());
        static_cast<TChunktEXt *>(Chunk.get())->Keyword = Keyword;
        return Chunk;
    };
    auto SavedTexts = [&Image] {
        std::vector<std::string> Keywords;
        for (const pngtest::Chunk &C : pngtest::SplitChunks(pngtest::Save(Image)))
            if (C.Name == "tEXt") Keywords.emplace_back(C.Data.begin(), C.Data.begin() + 3);
        return Keywords;
    };

    List.SetItem(2, Text("New"));
    EXPECT_EQ(SavedTexts(), (std::vector<std::string>{"New"}));
    List.SetItem(List.Count(), Text("Far"));
    List.SetItem(-1, Text("Far"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"IHDR", "IDAT", "tEXt", "IEND"}));

    TChunk *IEND = List.GetItem(3);
    std::unique_ptr<TChunk> Taken = List.Remove(IEND);
    EXPECT_EQ(Taken.get(), IEND);
    EXPECT_EQ(List.Remove(IEND), nullptr);
    EXPECT_EQ(Names(), (std::vector<std::string>{"IHDR", "IDAT", "tEXt"}));
    // Past the end a chunk is appended, not lost.
    List.Insert(std::move(Taken), 99);
    List.Insert(Text("One"), 1);
    EXPECT_EQ(Names(), (std::vector<std::string>{"IHDR", "tEXt", "IDAT", "tEXt", "IEND"}));
    EXPECT_EQ(SavedTexts(), (std::vector<std::string>{"One", "New"}));
}

TEST(PngChunks, TransparencyModesFollowTheKeyEntries)
{
    Picture P = RandomPicture(3, 8, 2, 2, false, 1);
    P.Transparency = {255, 0, 255};
    auto Image = Load(Encode(P));
    EXPECT_EQ(Image->TransparencyMode(), ptmBit);
    EXPECT_EQ(Image->TransparentColor(),
              static_cast<TColor>(RGB(P.Palette[3], P.Palette[4], P.Palette[5])));
    // A single partial entry is no key: black must not vanish.
    P.Transparency = {255, 128};
    EXPECT_EQ(Load(Encode(P))->TransparencyMode(), ptmPartial);
    P.Transparency = {0, 0};
    EXPECT_EQ(Load(Encode(P))->TransparencyMode(), ptmPartial);
    P.Transparency.clear();
    EXPECT_EQ(Load(Encode(P))->TransparencyMode(), ptmNone);

    Picture Rgb = RandomPicture(2, 16, 2, 2, false, 1);
    Rgb.Transparency = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
    Image = Load(Encode(Rgb));
    EXPECT_EQ(Image->TransparencyMode(), ptmBit);
    EXPECT_EQ(Image->TransparentColor(), static_cast<TColor>(RGB(0x12, 0x56, 0x9A)));

    Picture Gray2 = RandomPicture(0, 2, 2, 2, false, 1);
    Gray2.Transparency = {0, 2};
    EXPECT_EQ(Load(Encode(Gray2))->TransparentColor(), static_cast<TColor>(RGB(170, 170, 170)));
    Picture Gray16 = RandomPicture(0, 16, 2, 2, false, 1);
    Gray16.Transparency = {0x40, 0x01};
    EXPECT_EQ(Load(Encode(Gray16))->TransparentColor(), static_cast<TColor>(RGB(0x40, 0x40, 0x40)));
    EXPECT_EQ(Load(Encode(RandomPicture(6, 8, 1, 1, false, 1)))->TransparencyMode(), ptmPartial);
}

TEST(PngChunks, SettingTheTransparentColourOfAPaletteImage)
{
    Picture P = RandomPicture(3, 8, 4, 4, false, 1);
    P.Palette.assign(3 * 16, 0);
    for (int I = 0; I < 16; ++I)
        P.Palette[static_cast<std::size_t>(3 * I)] = static_cast<std::uint8_t>(100 + I);
    P.Palette[9] = 10, P.Palette[10] = 20, P.Palette[11] = 30;
    for (auto &S : P.Samples)
        S = S % 16;
    auto Image = Load(Encode(P));
    Image->SetTransparentColor(static_cast<TColor>(RGB(10, 20, 30)));
    EXPECT_EQ(Image->TransparencyMode(), ptmBit);
    const auto Out = SplitChunks(Save(*Image));
    EXPECT_EQ(Out[2].Name, "tRNS");
    EXPECT_EQ(Out[2].Data, (Bytes{255, 255, 255, 0}));

    // No matching colour: no entry turns clear and the chunk stays valid.
    Image->SetTransparentColor(static_cast<TColor>(RGB(1, 2, 3)));
    const auto Written = SplitChunks(Save(*Image));
    EXPECT_EQ(Written[2].Data, Bytes(16, 255));
    auto Again = Load(JoinChunks(Written));
    EXPECT_EQ(Again->ChunkList().ItemFromClass<TChunktRNS>()->DataLength(), 16u);
    EXPECT_NE(Again->TransparencyMode(), ptmBit);

    TPNGObject Alpha(4, 8, 1, 1);
    EXPECT_THROW(Alpha.SetTransparentColor(clRed), EPNGCannotChangeTransparent);
}

// ---- The picture ------------------------------------------------------------------

TEST(PngObject, BlankImagesCheckTheirSpecAndHoldZeroPixels)
{
    EXPECT_THROW(TPNGObject(2, 4, 1, 1), EPNGInvalidSpec);
    EXPECT_THROW(TPNGObject(3, 16, 1, 1), EPNGInvalidSpec);
    EXPECT_THROW(TPNGObject(5, 8, 1, 1), EPNGInvalidSpec);
    EXPECT_THROW(TPNGObject(2, 8, 0, 1), EPNGInvalidSpec);
    TPNGObject Gray(0, 2, 4, 4);
    EXPECT_EQ(Gray.GetHeader()->BitDepth, 4);
    TPNGObject Palette(3, 4, 3, 2);
    std::vector<std::string> Names;
    for (int I = 0; I < Palette.ChunkList().Count(); ++I)
        Names.push_back(Palette.ChunkList().GetItem(I)->GetChunkName().c_str());
    EXPECT_EQ(Names, (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "IEND"}));
    EXPECT_EQ(Palette.ChunkList().ItemFromClass<TChunkPLTE>()->PaletteCount, 16u);
    EXPECT_EQ(Load(Save(Palette))->Width(), 3);

    TPNGObject Image;
    EXPECT_TRUE(Image.Empty());
    EXPECT_EQ(Image.Width(), 0);
    EXPECT_FALSE(Image.Transparent());
    EXPECT_THROW(Image.GetHeader(), EPNGHeaderNotPresent);
    EXPECT_EQ(Image.GetPixels(0, 0), 0);
    Image.SetMaxIdatSize(1000);
    EXPECT_EQ(Image.MaxIdatSize(), 65535);
    EXPECT_EQ(TPNGObject::GetLibraryVersion(), "1.564");
}

TEST(PngObject, PixelAccessInEveryFormat)
{
    for (const PngFormat F : EveryFormat) {
        Picture P = RandomPicture(F.ColorType, F.BitDepth, 5, 3, false, 4);
        auto Image = Load(Encode(P));
        const TColor Before = Image->GetPixels(4, 2);
        Image->SetPixels(9, 9, clWhite);
        Image->SetPixels(-1, 0, clWhite);
        EXPECT_EQ(Image->GetPixels(4, 2), Before);
        EXPECT_EQ(Image->GetPixels(5, 0), 0);
        const TColor Target =
            F.ColorType == 3 ? ExpectedColor(P, 0, 0) : static_cast<TColor>(clWhite);
        Image->SetPixels(4, 2, Target);
        EXPECT_EQ(Image->GetPixels(4, 2), Target) << Describe(P);
        EXPECT_EQ(Image->GetPixels(3, 2), ExpectedColor(P, 3, 2)) << Describe(P);
    }
}

TEST(PngObject, APixelWrittenUnderAGammaTableReadsBackAsWritten)
{
    for (const int ColorType : {0, 2, 3, 4, 6}) {
        Picture P = RandomPicture(ColorType, 8, 2, 1, false, 7);
        P.BeforeData = {{"gAMA", {0x00, 0x01, 0x86, 0xA0}}}; // 100000
        auto Image = Load(Encode(P));
        const TColor Other = Image->GetPixels(1, 0);
        Image->SetPixels(0, 0, Other);
        EXPECT_EQ(Image->GetPixels(0, 0), Other) << Describe(P);
    }
}

TEST(PngObject, ResizeKeepsThePictureTopLeft)
{
    Picture P = RandomPicture(6, 8, 5, 4, false, 2);
    auto Image = Load(Encode(P));
    Image->Resize(8, 6);
    EXPECT_EQ(Image->Width(), 8);
    EXPECT_EQ(Image->GetPixels(4, 3), ExpectedColor(P, 4, 3));
    EXPECT_EQ(Image->GetAlphaScanline(3)[4], High(P, 4, 3, 3));
    EXPECT_EQ(Image->GetPixels(7, 5), 0);
    EXPECT_EQ(Image->GetAlphaScanline(5)[7], 255);
    Image->SetWidth(2);
    EXPECT_EQ(Image->GetPixels(1, 1), ExpectedColor(P, 1, 1));
    EXPECT_THROW(Image->Resize(0, 3), EPNGInvalidNewSize);
    auto Again = Load(Save(*Image));
    EXPECT_EQ(Again->GetPixels(1, 3), ExpectedColor(P, 1, 3));
}

TEST(PngObject, ARefusedResizeLeavesThePictureWhole)
{
    // 20000 x 20000 pixels are 400 MB of store and more, beyond what a picture may take.
    for (const PngFormat F : {PngFormat{2, 8}, PngFormat{6, 16}, PngFormat{0, 8}}) {
        Picture P = RandomPicture(F.ColorType, F.BitDepth, 5, 4, false, 3);
        auto Image = Load(Encode(P));
        EXPECT_THROW(Image->Resize(20000, 20000), EPNGOutMemory) << Describe(P);
        ExpectSamePixels(P, *Image);
        ExpectSamePixels(P, *Load(Save(*Image)));
    }
}

namespace
{

// A header whose store is refused: 1.2 GB of colour pixels.
Bytes RefusedHeaderFile()
{
    return JoinChunks(
        {{"IHDR", HeaderData(20000, 20000, 8, 2)}, {"IDAT", Deflate({0})}, {"IEND", {}}});
}

} // namespace

TEST(PngObject, AFailedLoadLeavesThePictureAsItWas)
{
    Picture P = RandomPicture(6, 8, 5, 4, false, 4);
    const Bytes Other = Encode(RandomPicture(0, 16, 7, 3, false, 5));
    Bytes Damaged = Other;
    Damaged[8 + 25 + 8] ^= 1;
    const Bytes Failing[] = {
        RefusedHeaderFile(),
        // A sound header, then a damaged chunk, no image data, or the end of the file.
        Damaged,
        JoinChunks({SplitChunks(Other)[0], {"IEND", {}}}),
        Bytes(Other.begin(), Other.begin() + 8 + 25 + 4),
    };
    for (const Bytes &File : Failing) {
        SCOPED_TRACE(File.size());
        auto Image = Load(Encode(P));
        EXPECT_THROW(LoadInto(*Image, File), Exception);
        ExpectSamePixels(P, *Image);
        ExpectSamePixels(P, *Load(Save(*Image)));
    }
}

TEST(PngObject, CopiesKeepGammaTablesAndEveryChunk)
{
    Picture P = RandomPicture(0, 8, 3, 3, false, 1);
    P.BeforeData = {{"gAMA", {0x00, 0x01, 0x86, 0xA0}}};
    P.AfterData = {{"abCD", {9}}};
    auto Original = Load(Encode(P));
    TPNGObject Copy;
    Copy.Assign(Original.get());
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 3; ++X)
            EXPECT_EQ(Copy.GetPixels(X, Y), Original->GetPixels(X, Y));
    EXPECT_EQ(Save(Copy), Save(*Original));
    EXPECT_EQ(Copy.ChunkList().GetItem(3)->GetChunkName(), "abCD");
}

TEST(PngObject, TransparencyCanBeRemovedAndAlphaCreated)
{
    Picture P = RandomPicture(2, 8, 3, 3, false, 1);
    auto Image = Load(Encode(P));
    Image->CreateAlpha();
    EXPECT_EQ(Image->GetHeader()->ColorType, COLOR_RGBALPHA);
    EXPECT_EQ(Image->GetAlphaScanline(2)[2], 255);
    Image->RemoveTransparency();
    EXPECT_EQ(Image->TransparencyMode(), ptmNone);
    EXPECT_EQ(Image->GetAlphaScanline(0), nullptr);

    Picture Gray = RandomPicture(0, 2, 3, 3, false, 2);
    Gray.Transparency = {0, 1};
    Image = Load(Encode(Gray));
    Image->CreateAlpha();
    auto Again = Load(Save(*Image));
    EXPECT_EQ(Again->GetHeader()->BitDepth, 8);
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 3; ++X) {
            EXPECT_EQ(Again->GetPixels(X, Y), ExpectedColor(Gray, X, Y));
            EXPECT_EQ(Again->GetAlphaScanline(Y)[X], Gray.Sample(X, Y, 0) == 1 ? 0 : 255);
        }
}

// ---- Encoding ---------------------------------------------------------------------

TEST(PngEncode, DefaultSettingsWriteSubRowsInFullChunks)
{
    const QImage Source = Noise(300, 300, QImage::Format_ARGB32, 3);
    auto Image = Load(QtPng(Source));
    ASSERT_EQ(Image->GetHeader()->ColorType, COLOR_RGBALPHA);
    const Bytes File = Save(*Image);
    const auto Chunks = SplitChunks(File);
    EXPECT_EQ(Chunks[0].Data[12], 0);
    Bytes Data;
    std::vector<std::size_t> Lengths;
    for (const auto &C : Chunks)
        if (C.Name == "IDAT") {
            Lengths.push_back(C.Data.size());
            Data.insert(Data.end(), C.Data.begin(), C.Data.end());
        }
    ASSERT_GT(Lengths.size(), 2u);
    for (std::size_t I = 0; I + 1 < Lengths.size(); ++I)
        EXPECT_EQ(Lengths[I], 65535u);
    const Bytes Raw = Inflate(Data);
    for (int Row = 0; Row < 300; ++Row)
        ASSERT_EQ(Raw[static_cast<std::size_t>(Row * (1 + 300 * 4))], 1);
    EXPECT_EQ(QtDecoded(File).convertToFormat(QImage::Format_ARGB32), Source);
}

TEST(PngEncode, EveryFormatRoundTripsThroughQtAndThroughOurDecoder)
{
    std::uint32_t Seed = 40;
    for (const PngFormat F : EveryFormat)
        for (bool Interlaced : {false, true}) {
            const Picture P = RandomPicture(F.ColorType, F.BitDepth, 19, 11, false, Seed++);
            auto Image = Load(Encode(P));
            Image->SetInterlacing(Interlaced ? imAdam7 : imNone);
            Image->SetRowFilters({pfNone, pfSub, pfUp, pfAverage, pfPaeth});
            const Bytes File = Save(*Image);
            EXPECT_EQ(SplitChunks(File)[0].Data[12], Interlaced ? 1 : 0);
            auto Back = Load(File);
            EXPECT_EQ(Scanlines(*Back), Scanlines(*Image)) << Describe(P);
            ExpectSamePixels(P, *Back);
            const QImage Reference = QtDecoded(File).convertToFormat(QImage::Format_ARGB32);
            ASSERT_FALSE(Reference.isNull()) << Describe(P);
            for (int Y = 0; Y < P.Height; ++Y)
                for (int X = 0; X < P.Width; ++X) {
                    ExpectNear(ExpectedColor(P, X, Y), Reference.pixel(X, Y),
                               P.BitDepth == 16 ? 1 : 0);
                }
        }
}

TEST(PngEncode, SixteenBitImagesKeepTheirLowBytes)
{
    const QImage Source = Noise(7, 5, QImage::Format_Grayscale16, 9);
    auto Image = Load(QtPng(Source));
    ASSERT_EQ(Image->GetHeader()->BitDepth, 16);
    const QImage Back = QtDecoded(Save(*Image));
    ASSERT_EQ(Back.format(), QImage::Format_Grayscale16);
    EXPECT_EQ(Back, Source);
}

TEST(PngEncode, TheFilterChoiceScoresRepeatedBytes)
{
    TPNGObject Image(0, 8, 12, 3);
    for (int X = 0; X < 12; ++X) {
        Image.SetPixels(X, 0, static_cast<TColor>(RGB(X * 20, X * 20, X * 20)));
        Image.SetPixels(X, 1, static_cast<TColor>(RGB(X * 20, X * 20, X * 20)));
        Image.SetPixels(X, 2, static_cast<TColor>(RGB(77, 77, 77)));
    }
    Image.SetRowFilters({pfNone, pfUp});
    const auto Chunks = SplitChunks(Save(Image));
    const Bytes Raw = Inflate(Chunks[2].Data);
    EXPECT_EQ(Raw[13], 2); // the same row again: Up gives all zeros
    EXPECT_EQ(Raw[26], 0); // one repeated byte: equal scores keep None

    TPNGObject Two(0, 2, 3, 1);
    EXPECT_EQ(SplitChunks(Save(Two))[0].Data[8], 4);
}

// ---- Pictures, resources and bitmaps ----------------------------------------------

TEST(PngObject, PicturesLoadPngFilesAndResources)
{
    const Picture P = RandomPicture(6, 8, 4, 3, false, 12);
    const Bytes File = Encode(P);
    const std::string Path = testing::TempDir() + "picture_test.png";
    FILE *Out = std::fopen(Path.c_str(), "wb");
    std::fwrite(File.data(), 1, File.size(), Out);
    std::fclose(Out);
    TPicture Picture;
    Picture.LoadFromFile(Path.c_str());
    auto *Png = dynamic_cast<TPNGObject *>(Picture.Graphic());
    ASSERT_NE(Png, nullptr);
    ExpectSamePixels(P, *Png);
    std::remove(Path.c_str());
    EXPECT_NE(
        TPicture::GraphicFilter(TGraphic::StaticClass()).Pos("Portable Network Graphics (*.png)"),
        0);

    static const Bytes Stored = File;
    rtl::RegisterResource(rtl::ResourceRawData, "PNG_TEST_PICTURE",
                          std::as_bytes(std::span(Stored.data(), Stored.size())));
    rtl::RegisterResource(rtl::ResourceRawData, 4711,
                          std::as_bytes(std::span(Stored.data(), Stored.size())));
    TPNGObject Named, Numbered;
    Named.LoadFromResourceName(HInstance, "PNG_TEST_PICTURE");
    Numbered.LoadFromResourceID(HInstance, 4711);
    ExpectSamePixels(P, Named);
    ExpectSamePixels(P, Numbered);
    try {
        Named.LoadFromResourceName(HInstance, "NO_SUCH_PICTURE");
        FAIL();
    } catch (const EPNGCouldNotLoadResource &E) {
        EXPECT_STREQ(E.Message().c_str(),
                     "The png image could not be loaded from the resource ID.");
    }
}

TEST(PngObject, APalettePictureGivenToABitmapKeepsItsColours)
{
    for (const PngFormat F : EveryFormat) {
        if (F.ColorType != 0 && F.ColorType != 3) continue;
        Picture P = RandomPicture(F.ColorType, F.BitDepth, 5, 2, false, 10);
        auto Png = Load(Encode(P));
        TBitmap Bitmap;
        Bitmap.Assign(Png.get());
        for (int Y = 0; Y < 2; ++Y)
            for (int X = 0; X < 5; ++X)
                EXPECT_EQ(Bitmap.Canvas()->Pixels(X, Y), ExpectedColor(P, X, Y)) << Describe(P);
    }
}

TEST(PngObject, BitmapsConvertBothWays)
{
    TBitmap Bitmap;
    Bitmap.SetPixelFormat(pf24bit);
    Bitmap.SetSize(3, 2);
    for (int Y = 0; Y < 2; ++Y)
        for (int X = 0; X < 3; ++X)
            Bitmap.Canvas()->SetPixels(X, Y, static_cast<TColor>(RGB(X * 80, Y * 100, 7)));
    Bitmap.SetTransparentMode(tmFixed);
    Bitmap.SetTransparentColor(static_cast<TColor>(RGB(80, 100, 7)));
    Bitmap.SetTransparent(true);
    TPNGObject Png;
    Png.Assign(&Bitmap);
    EXPECT_EQ(Png.GetHeader()->ColorType, COLOR_RGB);
    EXPECT_EQ(Png.TransparencyMode(), ptmBit);
    EXPECT_EQ(Png.TransparentColor(), static_cast<TColor>(RGB(80, 100, 7)));
    for (int Y = 0; Y < 2; ++Y)
        for (int X = 0; X < 3; ++X)
            EXPECT_EQ(Png.GetPixels(X, Y), static_cast<TColor>(RGB(X * 80, Y * 100, 7)));

    Png.RemoveTransparency();
    Png.ChunkList().RemoveChunk(Png.ChunkList().ItemFromClass<TChunktRNS>());
    TBitmap Back;
    Back.Assign(&Png);
    EXPECT_EQ(Back.Width(), 3);
    EXPECT_EQ(Back.Canvas()->Pixels(2, 1), static_cast<TColor>(RGB(160, 100, 7)));
}

// The desktop's clipboard needs the application running.
class PngClipboard : public vcltest::VclTest
{
};

// Over the desktop's clipboard as another program would paste it: a bitmap.
TEST_F(PngClipboard, PicturesTravelAsBitmaps)
{
    TPNGObject Source(COLOR_RGB, 8, 4, 3);
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 4; ++X)
            Source.SetPixels(X, Y, static_cast<TColor>(RGB(X * 60, Y * 90, 11)));
    WORD Format = 0;
    HANDLE Data{};
    HPALETTE Palette{};
    Source.SaveToClipboardFormat(Format, Data, Palette);
    ASSERT_EQ(Format, CF_BITMAP);
    ASSERT_TRUE(Data);
    ASSERT_TRUE(OpenClipboard({}));
    EmptyClipboard();
    EXPECT_TRUE(SetClipboardData(Format, Data));
    CloseClipboard();

    ASSERT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    ASSERT_TRUE(OpenClipboard({}));
    TPNGObject Pasted;
    Pasted.LoadFromClipboardFormat(CF_BITMAP, GetClipboardData(CF_BITMAP), {});
    CloseClipboard();
    ASSERT_EQ(Pasted.Width(), 4);
    ASSERT_EQ(Pasted.Height(), 3);
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 4; ++X)
            EXPECT_EQ(Pasted.GetPixels(X, Y), Source.GetPixels(X, Y)) << X << "," << Y;
}

TEST_F(PngClipboard, PalettePicturesKeepTheirColours)
{
    for (const int BitDepth : {1, 4, 8}) {
        Picture P = RandomPicture(3, BitDepth, 5, 2, false, 9);
        auto Source = Load(Encode(P));
        WORD Format = 0;
        HANDLE Data{};
        HPALETTE Palette{};
        Source->SaveToClipboardFormat(Format, Data, Palette);
        TPNGObject Pasted;
        Pasted.LoadFromClipboardFormat(Format, Data, Palette);
        DeleteObject(Data);
        for (int Y = 0; Y < 2; ++Y)
            for (int X = 0; X < 5; ++X)
                EXPECT_EQ(Pasted.GetPixels(X, Y), ExpectedColor(P, X, Y)) << Describe(P);
    }
}

TEST_F(PngClipboard, OnlyBitmapsComeInAndOnlyPicturesGoOut)
{
    TPNGObject Png;
    EXPECT_THROW(Png.LoadFromClipboardFormat(CF_TEXT, win::DefaultBitmap(), {}), EInvalidGraphic);
    EXPECT_THROW(Png.LoadFromClipboardFormat(CF_BITMAP, {}, {}), EInvalidGraphic);
    EXPECT_TRUE(Png.Empty());
    WORD Format = 0;
    HANDLE Data{};
    HPALETTE Palette{};
    EXPECT_THROW(Png.SaveToClipboardFormat(Format, Data, Palette), EPNGHeaderNotPresent);
    EXPECT_FALSE(Data);
}

// ---- The picture's canvas -----------------------------------------------------------

namespace
{

const TColor Red = static_cast<TColor>(RGB(255, 0, 0));

void DrawRow(TCanvas *Canvas, int Y, int FromX, int ToX, TColor Color)
{
    Canvas->Pen()->SetColor(Color);
    Canvas->MoveTo(FromX, Y);
    Canvas->LineTo(ToX, Y);
}

// The colour a blit from the picture's DC puts on a bitmap of the screen's format.
COLORREF BlitPixel(TPNGObject &Image, int X, int Y)
{
    const HDC Dc = CreateCompatibleDC({});
    const HBITMAP Bitmap = CreateBitmap(1, 1, 1, 32, nullptr);
    const HGDIOBJ Old = SelectObject(Dc, Bitmap);
    BitBlt(Dc, 0, 0, 1, 1, Image.GetHeader()->DibDC, X, Y, SRCCOPY);
    const COLORREF Result = GetPixel(Dc, 0, 0);
    SelectObject(Dc, Old);
    DeleteObject(Bitmap);
    DeleteDC(Dc);
    return Result;
}

} // namespace

TEST(PngCanvas, DrawingOnTheCanvasDrawsIntoThePixels)
{
    for (const PngFormat F :
         {PngFormat{2, 8}, PngFormat{6, 16}, PngFormat{3, 8}, PngFormat{0, 4}}) {
        Picture P = RandomPicture(F.ColorType, F.BitDepth, 7, 5, false, 6);
        if (F.ColorType == 3) P.Palette[0] = 255, P.Palette[1] = P.Palette[2] = 0;
        auto Image = Load(Encode(P));
        SCOPED_TRACE(Describe(P));
        const TColor Drawn = F.ColorType == 0 ? static_cast<TColor>(RGB(255, 255, 255)) : Red;
        DrawRow(Image->Canvas(), 2, 1, 5, Drawn);
        for (int X = 1; X < 5; ++X)
            EXPECT_EQ(Image->GetPixels(X, 2), Drawn) << X;
        // A line leaves out its end point, and nothing else changed.
        EXPECT_EQ(Image->GetPixels(5, 2), ExpectedColor(P, 5, 2));
        EXPECT_EQ(Image->GetPixels(1, 1), ExpectedColor(P, 1, 1));
        EXPECT_EQ(Image->GetPixels(1, 3), ExpectedColor(P, 1, 3));
        // The saved file holds what was drawn.
        EXPECT_EQ(Load(Save(*Image))->GetPixels(3, 2), Drawn);
    }
}

TEST(PngCanvas, APixelWrittenThroughTheScanlineShowsOnABlitFromTheImage)
{
    Picture P = RandomPicture(2, 8, 6, 4, false, 7);
    auto Image = Load(Encode(P));
    EXPECT_EQ(BlitPixel(*Image, 4, 1), static_cast<COLORREF>(ExpectedColor(P, 4, 1)));
    std::uint8_t *Row = Image->GetScanline(1);
    Row[3 * 4] = 0x30; // blue first
    Row[3 * 4 + 1] = 0x20;
    Row[3 * 4 + 2] = 0x10;
    EXPECT_EQ(BlitPixel(*Image, 4, 1), RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(Image->Canvas()->Pixels(4, 1), static_cast<TColor>(RGB(0x10, 0x20, 0x30)));
}

TEST(PngCanvas, PaletteLoadedFromTheFileMapsWhatIsDrawn)
{
    // Palette entry 1 is pure green; drawing in a near green picks it, not a halftone entry.
    Picture P = RandomPicture(3, 2, 4, 4, false, 8);
    P.Palette = {0, 0, 0, 0, 250, 0, 0, 0, 255, 255, 255, 255};
    auto Image = Load(Encode(P));
    DrawRow(Image->Canvas(), 0, 0, 4, static_cast<TColor>(RGB(10, 240, 10)));
    for (int X = 0; X < 4; ++X)
        EXPECT_EQ(Image->GetPixels(X, 0), static_cast<TColor>(RGB(0, 250, 0))) << X;
}

TEST(PngCanvas, TheCanvasFollowsTheStoreThroughResizeAndLoads)
{
    Picture P = RandomPicture(2, 8, 5, 4, false, 9);
    auto Image = Load(Encode(P));
    Image->Resize(9, 6);
    DrawRow(Image->Canvas(), 5, 0, 9, Red);
    EXPECT_EQ(Image->GetPixels(8, 5), Red);
    EXPECT_EQ(Image->GetPixels(2, 2), ExpectedColor(P, 2, 2));

    EXPECT_THROW(Image->Resize(20000, 20000), EPNGOutMemory);
    DrawRow(Image->Canvas(), 4, 0, 9, Red);
    EXPECT_EQ(Image->GetPixels(7, 4), Red);

    EXPECT_THROW(LoadInto(*Image, RefusedHeaderFile()), Exception);
    const Bytes Damaged = [&] {
        Bytes File = Encode(RandomPicture(0, 8, 3, 3, false, 10));
        File[8 + 25 + 8] ^= 1; // the name of the image data
        return File;
    }();
    EXPECT_THROW(LoadInto(*Image, Damaged), Exception);
    DrawRow(Image->Canvas(), 3, 0, 9, Red);
    EXPECT_EQ(Image->GetPixels(6, 3), Red);

    const Picture Other = RandomPicture(2, 8, 3, 2, false, 11);
    LoadInto(*Image, Encode(Other));
    DrawRow(Image->Canvas(), 1, 0, 2, Red);
    EXPECT_EQ(Image->GetPixels(1, 1), Red);
    EXPECT_EQ(Image->GetPixels(2, 1), ExpectedColor(Other, 2, 1));
}

TEST(PngCanvas, FreeingTheStoreReleasesTheSectionAndItsDC)
{
    auto Image = Load(Encode(RandomPicture(2, 8, 3, 3, false, 12)));
    TChunkIHDR *Header = Image->GetHeader();
    const HDC Dc = Header->DibDC;
    const HBITMAP Section = Header->DibHandle;
    ASSERT_EQ(GetObjectType(Section), static_cast<DWORD>(OBJ_BITMAP));
    ASSERT_NE(GetPixel(Dc, 0, 0), CLR_INVALID);
    Header->FreeImageData();
    EXPECT_EQ(GetObjectType(Section), 0u);
    EXPECT_EQ(GetPixel(Dc, 0, 0), CLR_INVALID);
    EXPECT_FALSE(Image->Canvas()->HandleAllocated());
    EXPECT_EQ(Header->DibBits, nullptr);

    auto Cleared = Load(Encode(RandomPicture(0, 8, 3, 3, false, 13)));
    const HBITMAP ClearedSection = Cleared->GetHeader()->DibHandle;
    Cleared->ClearChunks();
    EXPECT_EQ(GetObjectType(ClearedSection), 0u);
    EXPECT_FALSE(Cleared->Canvas()->HandleAllocated());
}

TEST(PngCanvas, DrawingALittleOnAHugePictureCostsLittle)
{
    // 9000 x 9000 colour pixels: 243 MB of store, and more again as what the canvas draws on.
    Bytes Row(1 + 9000 * 3, 0x7F);
    Row[0] = 0;
    const Bytes File =
        JoinChunks({{"IHDR", HeaderData(9000, 9000, 8, 2)}, {"IDAT", Deflate(Row)}, {"IEND", {}}});
    const std::size_t Before = ResidentBytes();
    auto Image = Load(File);
    DrawRow(Image->Canvas(), 8000, 100, 110, Red);
    const std::size_t After = ResidentBytes();
    EXPECT_LT(After - std::min(After, Before), std::size_t{64} << 20);
    EXPECT_EQ(Image->GetPixels(105, 8000), Red);
    EXPECT_EQ(Image->GetPixels(105, 0), static_cast<TColor>(RGB(0x7F, 0x7F, 0x7F)));
}

TEST(PngCanvas, ThePaletteIsSelectedInTheImageDCAndOwnedByThePicture)
{
    Picture P = RandomPicture(3, 4, 4, 3, false, 14);
    P.Palette.resize(3 * 5);
    for (std::size_t I = 0; I < P.Palette.size(); ++I)
        P.Palette[I] = static_cast<std::uint8_t>(40 * I % 256);
    for (std::uint16_t &S : P.Samples) // every index within the five entries
        S %= 5;
    auto Image = Load(Encode(P));
    const HPALETTE Loaded = Image->GetPalette();
    EXPECT_EQ(GetCurrentObject(Image->GetHeader()->DibDC, OBJ_PAL), Loaded);
    const std::vector<PALETTEENTRY> Entries = PaletteEntries(Loaded);
    ASSERT_GE(Entries.size(), 5u);
    for (std::size_t I = 0; I < 5; ++I) {
        EXPECT_EQ(Entries[I].peRed, P.Palette[3 * I]) << I;
        EXPECT_EQ(Entries[I].peBlue, P.Palette[3 * I + 2]) << I;
    }

    std::vector<PALETTEENTRY> Inverted = Entries;
    for (PALETTEENTRY &E : Inverted)
        E.peRed = static_cast<BYTE>(255 - E.peRed);
    Image->SetPalette(NewPalette(Inverted));
    EXPECT_EQ(GetObjectType(Loaded), 0u) << "the old palette is deleted";
    EXPECT_EQ(GetCurrentObject(Image->GetHeader()->DibDC, OBJ_PAL), Image->GetPalette());
    const TColor Before = ExpectedColor(P, 1, 1);
    EXPECT_EQ(
        Image->GetPixels(1, 1),
        static_cast<TColor>(RGB(255 - GetRValue(Before), GetGValue(Before), GetBValue(Before))));

    const HPALETTE Given = Image->GetPalette();
    Image->GetHeader()->FreeImageData();
    EXPECT_EQ(GetObjectType(Given), 0u);
}

TEST(PngCanvas, APaletteGivenToAPictureWithoutOneIsNotLeft)
{
    auto Image = Load(Encode(RandomPicture(2, 8, 3, 3, false, 15)));
    const HPALETTE Palette = NewPalette({{1, 2, 3, 0}});
    Image->SetPalette(Palette);
    EXPECT_EQ(Image->GetPalette(), nullptr);
    EXPECT_EQ(GetObjectType(Palette), 0u);
}
