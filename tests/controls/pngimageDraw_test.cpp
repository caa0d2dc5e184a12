// Drawing pictures onto bitmaps and reading the pixels back.

#include "controls/pngimage.h"
#include "tests/controls/PngDrawing.h"
#include "tests/controls/PngFixtures.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

using namespace pngtest;

namespace
{

class PngDraw : public testing::Test
{
protected:
    void SetUp() override { vcltest::StartApplication(); }
};

TColor At(TBitmap &Bitmap, int X, int Y)
{
    return Bitmap.Canvas()->Pixels(X, Y);
}

constexpr TColor Red = static_cast<TColor>(RGB(255, 0, 0));
constexpr TColor White = static_cast<TColor>(RGB(255, 255, 255));
constexpr TColor Back = static_cast<TColor>(RGB(30, 90, 200));

} // namespace

TEST_F(PngDraw, AlphaBlendsOverWhiteAndBlack)
{
    auto Png = RgbaPicture(2, 1, {{Red, 128}, {clBlack, 0}});
    for (TColor Background : {White, static_cast<TColor>(clBlack)}) {
        auto Target = Surface(2, 1, Background);
        Png->Draw(Target->Canvas(), Rect(0, 0, 2, 1));
        EXPECT_EQ(At(*Target, 0, 0), BlendColor(Red, Background, 128));
        EXPECT_EQ(At(*Target, 1, 0), Background);
    }
    auto Target = Surface(2, 1, White);
    Png->Draw(Target->Canvas(), Rect(0, 0, 2, 1));
    EXPECT_EQ(At(*Target, 0, 0), static_cast<TColor>(RGB(255, 127, 127)));
}

TEST_F(PngDraw, GrayAndAlphaIsDrawnThroughTheGammaTable)
{
    Picture P = RandomPicture(4, 8, 2, 1, false, 1);
    P.Samples = {128, 255, 64, 0};
    P.BeforeData = {{"gAMA", {0x00, 0x01, 0x86, 0xA0}}}; // 128 becomes 186
    auto Png = Load(Encode(P));
    auto Target = Surface(2, 1, clBlack);
    Png->Draw(Target->Canvas(), Rect(0, 0, 2, 1));
    EXPECT_EQ(At(*Target, 0, 0), static_cast<TColor>(RGB(186, 186, 186)));
    EXPECT_EQ(At(*Target, 1, 0), clBlack);
}

TEST_F(PngDraw, StretchingPicksTheNearestSourcePixelByTruncation)
{
    auto Png = RgbaPicture(2, 1, {{Red, 255}, {clBlue, 255}});
    for (TRect R : {Rect(0, 0, 4, 2), Rect(4, 0, 0, 2), Rect(0, 2, 4, 0)}) {
        auto Target = Surface(5, 3, White);
        Png->Draw(Target->Canvas(), R);
        for (int Y = 0; Y < 2; ++Y) {
            EXPECT_EQ(At(*Target, 0, Y), Red);
            EXPECT_EQ(At(*Target, 1, Y), Red);
            EXPECT_EQ(At(*Target, 2, Y), clBlue);
            EXPECT_EQ(At(*Target, 3, Y), clBlue);
            EXPECT_EQ(At(*Target, 4, Y), White);
        }
        EXPECT_EQ(At(*Target, 0, 2), White);
    }
    auto Target = Surface(2, 2, White);
    Png->Draw(Target->Canvas(), Rect(1, 0, 1, 2));
    EXPECT_EQ(At(*Target, 1, 0), White);
}

TEST_F(PngDraw, EveryTransparencyModeOverAKnownBackground)
{
    // Opaque: the picture's own colours.
    Picture Rgb = RandomPicture(2, 8, 5, 4, false, 3);
    auto Opaque = Load(Encode(Rgb));
    auto Target = Surface(5, 4, Back);
    Opaque->Draw(Target->Canvas(), Rect(0, 0, 5, 4));
    for (int Y = 0; Y < 4; ++Y)
        for (int X = 0; X < 5; ++X)
            EXPECT_EQ(At(*Target, X, Y), Opaque->GetPixels(X, Y));

    // A key colour: its pixels keep the background, the others are copied.
    Picture Keyed = RandomPicture(3, 2, 6, 5, false, 4);
    Keyed.Transparency = {255, 255, 0, 255};
    auto Bit = Load(Encode(Keyed));
    ASSERT_EQ(Bit->TransparencyMode(), ptmBit);
    Target = Surface(6, 5, Back);
    Bit->Draw(Target->Canvas(), Rect(0, 0, 6, 5));
    for (int Y = 0; Y < 5; ++Y)
        for (int X = 0; X < 6; ++X)
            EXPECT_EQ(At(*Target, X, Y), Keyed.Sample(X, Y, 0) == 2 ? Back : Bit->GetPixels(X, Y));

    // Several palette entries with alpha: each pixel blended by its entry.
    Picture Partial = RandomPicture(3, 4, 7, 3, true, 5);
    Partial.Transparency = {0, 64, 128, 200, 255, 17};
    auto Blended = Load(Encode(Partial));
    ASSERT_EQ(Blended->TransparencyMode(), ptmPartial);
    Target = Surface(7, 3, Back);
    Blended->Draw(Target->Canvas(), Rect(0, 0, 7, 3));
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 7; ++X) {
            const int Index = Partial.Sample(X, Y, 0);
            const int Alpha =
                Index < 6 ? Partial.Transparency[static_cast<std::size_t>(Index)] : 255;
            EXPECT_EQ(At(*Target, X, Y), BlendColor(Blended->GetPixels(X, Y), Back, Alpha));
        }

    // Gray with alpha: the stored gray by the pixel's alpha.
    Picture GrayAlpha = RandomPicture(4, 16, 4, 4, false, 6);
    auto Gray = Load(Encode(GrayAlpha));
    Target = Surface(4, 4, Back);
    Gray->Draw(Target->Canvas(), Rect(0, 0, 4, 4));
    for (int Y = 0; Y < 4; ++Y)
        for (int X = 0; X < 4; ++X)
            EXPECT_EQ(At(*Target, X, Y),
                      BlendColor(Gray->GetPixels(X, Y), Back, Gray->GetAlphaScanline(Y)[X]));

    // A sixteen-bit gray key compares the stored high byte.
    Picture Wide = RandomPicture(0, 16, 3, 1, false, 7);
    Wide.Samples = {0x4001, 0x8000, 0x40FF};
    Wide.Transparency = {0x40, 0x01};
    auto WideKey = Load(Encode(Wide));
    Target = Surface(3, 1, Back);
    WideKey->Draw(Target->Canvas(), Rect(0, 0, 3, 1));
    EXPECT_EQ(At(*Target, 0, 0), Back);
    EXPECT_EQ(At(*Target, 1, 0), static_cast<TColor>(RGB(0x80, 0x80, 0x80)));
}

TEST_F(PngDraw, PhysicalSizeFollowsThePixelsPerMetre)
{
    TPNGObject Png(COLOR_RGB, 8, 200, 10);
    for (int Y = 0; Y < 10; ++Y)
        for (int X = 0; X < 200; ++X)
            Png.SetPixels(X, Y, Red);
    const auto DrawnWidth = [&Png]() {
        auto Target = Surface(220, 12, White);
        Png.DrawUsingPixelInformation(Target->Canvas(), Point(0, 0));
        int W = 0;
        while (W < 220 && At(*Target, W, 0) == Red)
            ++W;
        int H = 0;
        while (H < 12 && At(*Target, 0, H) == Red)
            ++H;
        return std::pair{W, H};
    };
    EXPECT_EQ(DrawnWidth(), (std::pair{200, 10}));
    EXPECT_FALSE(Png.HasPixelInformation());
    TChunkpHYs *Phys = Png.GetPixelInformation();
    EXPECT_EQ(Phys->UnitKind, 1);
    Phys->PixelsPerUnitX = Phys->PixelsPerUnitY = 7559;
    EXPECT_EQ(DrawnWidth(), (std::pair{100, 5}));
    Phys->PixelsPerUnitX = Phys->PixelsPerUnitY = 3780;
    EXPECT_EQ(DrawnWidth(), (std::pair{199, 9}));
    // A bare aspect ratio or no resolution says nothing about the size.
    Phys->UnitKind = 0;
    EXPECT_EQ(DrawnWidth(), (std::pair{200, 10}));
    Phys->UnitKind = 1;
    Phys->PixelsPerUnitX = 0;
    EXPECT_EQ(DrawnWidth(), (std::pair{200, 10}));
}

TEST_F(PngDraw, EmptyPicturesDrawNothingAndBitmapsTakeTheirLook)
{
    TPNGObject Empty;
    auto Target = Surface(2, 2, Back);
    Target->Canvas()->StretchDraw(Rect(0, 0, 2, 2), &Empty);
    EXPECT_EQ(At(*Target, 1, 1), Back);
    EXPECT_THROW(Empty.DrawPartialTrans(Target->Canvas()->Handle(), Rect(0, 0, 2, 2)),
                 EPNGHeaderNotPresent);

    Picture Keyed = RandomPicture(2, 8, 3, 2, false, 9);
    Keyed.Transparency = {0, 0, 0, 0, 0, 0};
    Keyed.Samples[0] = Keyed.Samples[1] = Keyed.Samples[2] = 0;
    auto Png = Load(Encode(Keyed));
    TBitmap Bitmap;
    Bitmap.Assign(Png.get());
    EXPECT_TRUE(Bitmap.Transparent());
    EXPECT_EQ(Bitmap.TransparentColor(), static_cast<TColor>(clBlack));
    EXPECT_EQ(Bitmap.Canvas()->Pixels(2, 1), Png->GetPixels(2, 1));
}
