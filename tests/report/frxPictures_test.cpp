#include "report/frxClass.h"
#include "report/frxRes.h"
#include "tests/report/ReportTestSupport.h"

#include "controls/pngimage.h"
#include "platform/vcl/Jpeg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>
#include <memory>
#include <string>
#include <vector>

namespace
{

using Bytes = std::vector<std::uint8_t>;

constexpr TColor Brick = 0x3050C8; // red 200, green 80, blue 48

Bytes ReadFile(const AnsiString &Name)
{
    TFileStream File(Name, fmOpenRead);
    Bytes Data(static_cast<std::size_t>(File.Size()));
    File.ReadBuffer(Data.data(), static_cast<int>(Data.size()));
    return Data;
}

void WriteFile(const AnsiString &Name, const Bytes &Data)
{
    TFileStream File(Name, fmCreate);
    File.WriteBuffer(Data.data(), static_cast<int>(Data.size()));
}

// A JPEG of one colour, written through the system's libjpeg.
Bytes JpegOf(int Width, int Height, TColor Color)
{
    jpeg_compress_struct Info;
    jpeg_error_mgr Errors;
    Info.err = jpeg_std_error(&Errors);
    jpeg_create_compress(&Info);
    unsigned char *Buffer = nullptr;
    unsigned long Size = 0;
    jpeg_mem_dest(&Info, &Buffer, &Size);
    Info.image_width = static_cast<JDIMENSION>(Width);
    Info.image_height = static_cast<JDIMENSION>(Height);
    Info.input_components = 3;
    Info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&Info);
    jpeg_set_quality(&Info, 95, TRUE);
    jpeg_start_compress(&Info, TRUE);
    std::vector<JSAMPLE> Row;
    for (int X = 0; X < Width; ++X)
        Row.insert(Row.end(), {JSAMPLE(GetRValue(Color)), JSAMPLE(GetGValue(Color)),
                               JSAMPLE(GetBValue(Color))});
    while (Info.next_scanline < Info.image_height) {
        JSAMPROW Rows[1] = {Row.data()};
        jpeg_write_scanlines(&Info, Rows, 1);
    }
    jpeg_finish_compress(&Info);
    jpeg_destroy_compress(&Info);
    Bytes Result(Buffer, Buffer + Size);
    std::free(Buffer);
    return Result;
}

Bytes BitmapOf(const TempFolder &Dir, int Width, int Height, TColor Color)
{
    TBitmap Bitmap;
    Bitmap.SetPixelFormat(pf24bit);
    Bitmap.SetSize(Width, Height);
    Bitmap.Canvas()->Brush()->SetColor(Color);
    Bitmap.Canvas()->FillRect(Rect(0, 0, Width, Height));
    Bitmap.SaveToFile(Dir.Path("made.bmp"));
    return ReadFile(Dir.Path("made.bmp"));
}

Bytes PngOf(const TempFolder &Dir, int Width, int Height, TColor Color)
{
    TPNGObject Png(COLOR_RGB, 8, Width, Height);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X)
            Png.SetPixels(X, Y, Color);
    Png.SaveToFile(Dir.Path("made.png"));
    return ReadFile(Dir.Path("made.png"));
}

// An icon file with one 32-bit image: colour rows and mask rows, both bottom-up.
Bytes IconOf(int Size, TColor Color)
{
    auto Put16 = [](Bytes &B, unsigned V) {
        B.insert(B.end(), {std::uint8_t(V), std::uint8_t(V >> 8)});
    };
    auto Put32 = [&](Bytes &B, unsigned V) {
        Put16(B, V & 0xFFFF);
        Put16(B, V >> 16);
    };
    const unsigned MaskStride = ((Size + 31) / 32) * 4;
    const unsigned ImageSize = 40 + Size * Size * 4 + MaskStride * Size;
    Bytes B;
    Put16(B, 0), Put16(B, 1), Put16(B, 1);
    B.insert(B.end(), {std::uint8_t(Size), std::uint8_t(Size), 0, 0});
    Put16(B, 1), Put16(B, 32), Put32(B, ImageSize), Put32(B, 6 + 16);
    Put32(B, 40), Put32(B, Size), Put32(B, 2 * Size), Put16(B, 1), Put16(B, 32);
    for (int i = 0; i < 6; ++i)
        Put32(B, 0);
    for (int i = 0; i < Size * Size; ++i)
        B.insert(B.end(), {std::uint8_t(GetBValue(Color)), std::uint8_t(GetGValue(Color)),
                           std::uint8_t(GetRValue(Color)), 255});
    B.insert(B.end(), MaskStride * Size, 0);
    return B;
}

std::int32_t Load(TfrxPictureView &View, const Bytes &Data)
{
    TMemoryStream Stream;
    if (!Data.empty()) Stream.WriteBuffer(Data.data(), static_cast<int>(Data.size()));
    return View.LoadPictureFromStream(&Stream);
}

bool Near(TColor A, TColor B, int Tolerance)
{
    for (int Shift : {0, 8, 16})
        if (std::abs(((A >> Shift) & 0xFF) - ((B >> Shift) & 0xFF)) > Tolerance) return false;
    return true;
}

struct Canvas {
    TBitmap Bitmap;
    Canvas(int Width, int Height)
    {
        Bitmap.SetPixelFormat(pf24bit);
        Bitmap.SetSize(Width, Height);
    }
    TColor At(int X, int Y) { return Bitmap.Canvas()->Pixels(X, Y); }
};

// ---- recognising and reading pictures ----

TEST(PictureLoading, RealFilesOfEveryKindLoadByContentAndDraw)
{
    TempFolder Dir;
    struct Case {
        const char *Kind;
        Bytes Data;
        TClass Class;
        int Tolerance; // JPEG is lossy
    };
    const Case Cases[] = {
        {"jpeg", JpegOf(24, 16, Brick), TJPEGImage::StaticClass(), 6},
        {"png", PngOf(Dir, 24, 16, Brick), TPNGObject::StaticClass(), 0},
        {"bmp", BitmapOf(Dir, 24, 16, Brick), TBitmap::StaticClass(), 0},
        {"icon", IconOf(16, Brick), TIcon::StaticClass(), 0},
    };
    for (const Case &C : Cases) {
        // Through a real file, as a template's picture or a blob would arrive.
        WriteFile(Dir.Path("picture"), C.Data);
        TfrxPictureView View(nullptr);
        View.SetBounds(0, 0, 40, 40);
        View.SetKeepAspectRatio(false);
        TFileStream File(Dir.Path("picture"), fmOpenRead);
        ASSERT_EQ(View.LoadPictureFromStream(&File), 0) << C.Kind;
        ASSERT_NE(View.Picture()->Graphic(), nullptr) << C.Kind;
        EXPECT_EQ(View.Picture()->Graphic()->ClassType(), C.Class) << C.Kind;
        EXPECT_EQ(View.Picture()->Height(), 16) << C.Kind;
        Canvas Out(50, 50);
        View.Draw(Out.Bitmap.Canvas(), 1, 1, 0, 0);
        for (auto [X, Y] : {std::pair{1, 1}, {20, 20}, {38, 38}})
            EXPECT_TRUE(Near(Out.At(X, Y), Brick, C.Tolerance))
                << C.Kind << " at " << X << "," << Y << ": " << std::hex << Out.At(X, Y);
        EXPECT_EQ(Out.At(41, 41), clWhite) << C.Kind;
    }
}

TEST(PictureLoading, DatabaseHeaderBeforeTheDataIsSkipped)
{
    Bytes Jpeg = JpegOf(8, 8, Brick);
    const auto Length = static_cast<std::uint32_t>(Jpeg.size());
    Bytes Blob = {1,
                  0,
                  0,
                  1,
                  std::uint8_t(Length),
                  std::uint8_t(Length >> 8),
                  std::uint8_t(Length >> 16),
                  std::uint8_t(Length >> 24)};
    Blob.insert(Blob.end(), Jpeg.begin(), Jpeg.end());
    TfrxPictureView View(nullptr);
    ASSERT_EQ(Load(View, Blob), 0);
    EXPECT_EQ(View.Picture()->Graphic()->ClassType(), TJPEGImage::StaticClass());
    EXPECT_EQ(View.Picture()->Width(), 8);
}

TEST(PictureLoading, DamagedOrUnknownDataIsRefusedAndEmptiesThePicture)
{
    TempFolder Dir;
    const Bytes Jpeg = JpegOf(32, 32, Brick);
    const Bytes Png = PngOf(Dir, 32, 32, Brick);
    Bytes HugeBitmap = BitmapOf(Dir, 4, 4, Brick);
    HugeBitmap[18] = HugeBitmap[19] = HugeBitmap[20] = 0x7F; // millions of pixels wide
    Bytes HugeIcon = IconOf(16, Brick);
    HugeIcon[6 + 8 + 2] = 0x7F; // image size past the end of the file
    Bytes GarbledJpeg = {0xFF, 0xD8};
    for (int i = 0; i < 200; ++i)
        GarbledJpeg.push_back(std::uint8_t(i * 37));
    const Bytes Cases[] = {
        {},
        {1, 2, 3},
        Bytes(Jpeg.begin(), Jpeg.begin() + 40),
        GarbledJpeg,
        Bytes(Png.begin(), Png.begin() + 30), // cut in its header
        HugeBitmap,
        HugeIcon,
        {0, 0, 0, 0, 0, 0, 9, 9}, // a zero word at offset 2 is no icon directory
        {0, 0, 1, 0, 1, 0},       // an icon directory that is cut off
        Bytes(100, 0x41),
    };
    int Index = 0;
    for (const Bytes &Data : Cases) {
        TfrxPictureView View(nullptr);
        ASSERT_EQ(Load(View, JpegOf(4, 4, Brick)), 0);
        EXPECT_EQ(Load(View, Data), frxPictureInvalid) << "case " << Index;
        EXPECT_EQ(View.Picture()->Graphic(), nullptr) << "case " << Index;
        ++Index;
    }
    // A picture cut inside its image data shows the rows that arrived.
    TfrxPictureView View(nullptr);
    EXPECT_EQ(Load(View, Bytes(Png.begin(), Png.begin() + Png.size() / 2)), 0);
    ASSERT_NE(View.Picture()->Graphic(), nullptr);
    EXPECT_EQ(View.Picture()->Graphic()->Width(), 32);
}

// ---- placing the picture ----

TEST(PictureDrawing, KeepAspectRatioAndCentreFitTheBox)
{
    TempFolder Dir;
    TfrxPictureView View(nullptr);
    View.SetBounds(0, 0, 100, 100);
    View.SetCenter(true);
    ASSERT_EQ(Load(View, BitmapOf(Dir, 200, 100, Brick)), 0);
    Canvas Out(120, 120);
    View.Draw(Out.Bitmap.Canvas(), 1, 1, 0, 0);
    for (int Y = 20; Y < 80; ++Y)
        EXPECT_EQ(Out.At(50, Y), Y >= 25 && Y < 75 ? Brick : clWhite) << Y;
    EXPECT_EQ(Out.At(0, 25), Brick);
    EXPECT_EQ(Out.At(99, 74), Brick);
    EXPECT_EQ(Out.At(100, 50), clWhite);
}

TEST(PictureDrawing, UnstretchedKeepsItsSizeAtTheScale)
{
    TempFolder Dir;
    TfrxPictureView View(nullptr);
    View.SetBounds(0, 0, 60, 40);
    View.SetStretched(false);
    View.SetCenter(true);
    ASSERT_EQ(Load(View, BitmapOf(Dir, 20, 10, Brick)), 0);
    Canvas Out(150, 100);
    View.Draw(Out.Bitmap.Canvas(), 2, 2, 0, 0);
    // 40 x 20 pixels in a 120 x 80 box: from (40, 30) to (80, 50).
    EXPECT_EQ(Out.At(39, 40), clWhite);
    EXPECT_EQ(Out.At(40, 40), Brick);
    EXPECT_EQ(Out.At(79, 49), Brick);
    EXPECT_EQ(Out.At(80, 40), clWhite);
    EXPECT_EQ(Out.At(60, 29), clWhite);
    EXPECT_EQ(Out.At(60, 50), clWhite);
}

TEST(PictureDrawing, AutoSizeTakesThePictureSize)
{
    TempFolder Dir;
    TfrxPictureView View(nullptr);
    View.SetAutoSize(true);
    ASSERT_EQ(Load(View, BitmapOf(Dir, 64, 32, Brick)), 0);
    EXPECT_EQ(View.Width(), 64);
    EXPECT_EQ(View.Height(), 32);
    EXPECT_TRUE(View.PictureModified());
}

// ---- pictures in templates and prepared objects ----

// A picture view "Picture1" holding a small JPEG in a report, and a second
// report to read the first one's template into.
class PictureStorage : public ::testing::Test
{
protected:
    void SetUp() override
    {
        View = new TfrxPictureView(AddPageAndBand(Report));
        View->SetName("Picture1");
        ASSERT_EQ(Load(*View, Jpeg), 0);
    }
    AnsiString TemplateText()
    {
        return Written([&](TStream *S) { Report.SaveToStream(S); });
    }
    TfrxPictureView *ReadBack(const AnsiString &Text)
    {
        TStringStream In(Text);
        Loaded.LoadFromStream(&In);
        return dynamic_cast<TfrxPictureView *>(Loaded.FindObject("Picture1"));
    }

    const Bytes Jpeg = JpegOf(12, 6, Brick);
    TfrxReport Report{nullptr};
    TfrxReport Loaded{nullptr};
    TfrxPictureView *View = nullptr;
};

TEST_F(PictureStorage, TemplateKeepsThePictureAndDifferenceCarriesIt)
{
    View->SetBounds(0, 0, 30, 20);
    const AnsiString Text = TemplateText();
    EXPECT_GT(Text.Pos(" Picture.PropData=\""), 0) << Text.ToUtf8();

    TfrxPictureView *Copy = ReadBack(Text);
    ASSERT_NE(Copy, nullptr);
    ASSERT_NE(Copy->Picture()->Graphic(), nullptr);
    EXPECT_EQ(Copy->Picture()->Graphic()->ClassType(), TJPEGImage::StaticClass());
    EXPECT_EQ(Copy->Picture()->Width(), 12);
    TMemoryStream Again;
    Copy->Picture()->Graphic()->SaveToStream(&Again);
    EXPECT_EQ(Again.Size(), static_cast<long long>(Jpeg.size())) << "the bytes go back unchanged";

    // A prepared copy carries the picture only when it changed.
    TfrxPictureView Template(nullptr);
    View->SetPictureModified(false);
    EXPECT_EQ(View->Diff(&Template).Pos("Picture.PropData"), 0);
    View->SetPictureModified(true);
    EXPECT_EQ(View->Diff(&Template).Pos(" Picture.PropData=\""), 1);
}

TEST_F(PictureStorage, PictureDataClaimingMoreThanItHoldsIsRefused)
{
    AnsiString Text = TemplateText();
    // The property's name "Data", the binary marker, then the length: make it claim 2 GB.
    const int At = Text.Pos(" Picture.PropData=\"") + 19;
    ASSERT_EQ(Text.SubString(At, 12), "04446174610A") << Text.ToUtf8();
    for (int i = 0; i < 8; ++i)
        Text[At + 12 + i] = "FFFFFF7F"[i];

    Loaded.EngineOptions()->SetNewSilentMode(simSilent);
    TfrxPictureView *Copy = ReadBack(Text);
    ASSERT_NE(Copy, nullptr);
    EXPECT_EQ(Copy->Picture()->Graphic(), nullptr);
    EXPECT_GT(Loaded.Errors()->Count(), 0);
}

// ---- lines and subreports ----

TEST(LineDrawing, StraightLinesBecomeAFrameSideAtEachDraw)
{
    Canvas Out(120, 40);
    TfrxLineView Flat(nullptr);
    Flat.SetBounds(10, 10, 100, 0.5);
    Flat.Draw(Out.Bitmap.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(Flat.Height(), 0);
    EXPECT_EQ(Flat.Frame()->Typ(), TfrxFrameTypes({ftTop}));
    for (int X = 10; X < 110; ++X)
        ASSERT_EQ(Out.At(X, 10), clBlack) << X;
    EXPECT_EQ(Out.At(110, 10), clWhite);
    EXPECT_EQ(Out.At(50, 11), clWhite);

    TfrxLineView Square(nullptr);
    Square.SetBounds(5, 5, 3, 3);
    Square.Draw(Out.Bitmap.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(Square.Width(), 0);
    EXPECT_EQ(Square.Frame()->Typ(), TfrxFrameTypes({ftLeft}));
}

TEST(LineDrawing, DiagonalLineNeedsColourAndWidth)
{
    for (auto Change :
         {+[](TfrxFrame &F) { F.SetWidth(0); }, +[](TfrxFrame &F) { F.SetColor(clNone); }}) {
        Canvas Out(40, 40);
        TfrxLineView Line(nullptr, 1);
        EXPECT_TRUE(Line.Diagonal());
        Line.SetBounds(5, 5, 20, 20);
        Change(*Line.Frame());
        Line.Draw(Out.Bitmap.Canvas(), 1, 1, 0, 0);
        for (int i = 0; i < 40; ++i)
            ASSERT_EQ(Out.At(i, i), clWhite) << i;
    }
    Canvas Out(40, 40);
    TfrxLineView Line(nullptr, 1);
    Line.SetBounds(5, 5, 20, 20);
    Line.Frame()->SetStyle(fsDouble);
    Line.Draw(Out.Bitmap.Canvas(), 1, 1, 0, 0);
    for (int i = 5; i < 25; ++i)
        EXPECT_EQ(Out.At(i, i), clBlack) << "a double diagonal is one solid line, " << i;
    EXPECT_EQ(Out.At(25, 25), clWhite);
}

TEST(SubreportView, PlaceholderIsSilverFramedAndNamedAndFollowsItsPage)
{
    TfrxReport Report(nullptr);
    auto *Page = new TfrxReportPage(&Report);
    auto *Sub = new TfrxSubreport(nullptr);
    Sub->SetName("Subreport1");
    Sub->SetBounds(10, 10, 100, 30);
    Sub->SetPage(Page);
    EXPECT_EQ(Page->SubReport(), Sub);
    EXPECT_TRUE(Page->IsSubReport());
    EXPECT_EQ(Sub->GetDescription(), frxResources()->Get("obSubRep"));

    Canvas Out(130, 60);
    Sub->Draw(Out.Bitmap.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(Out.At(10, 25), clBlack) << "left side";
    EXPECT_EQ(Out.At(100, 35), clSilver) << "fill away from the name";
    int Ink = 0;
    for (int Y = 12; Y < 24; ++Y)
        for (int X = 12; X < 80; ++X)
            Ink += Out.At(X, Y) == clBlack;
    EXPECT_GT(Ink, 20) << "the name is written near the top-left corner";

    delete Sub;
    EXPECT_EQ(Page->SubReport(), nullptr);
}

} // namespace
