// The effects, conversions and slicing of PNG pictures.

#include "controls/PngFunctions.h"
#include "tests/controls/PngDrawing.h"
#include "tests/controls/PngFixtures.h"
#include "tests/support/ResidentMemory.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace pngtest;

namespace
{

class PngFunctions : public testing::Test
{
protected:
    void SetUp() override { vcltest::StartApplication(); }
};

constexpr TColor White = static_cast<TColor>(RGB(255, 255, 255));

TColor Drawn(TPNGObject &Png, TPngOptions Options, TColor Background, int X = 0, int Y = 0)
{
    auto Target = Surface(Png.Width(), Png.Height(), Background);
    DrawPNG(&Png, Target->Canvas(), Rect(0, 0, Png.Width(), Png.Height()), Options);
    return Target->Canvas()->Pixels(X, Y);
}

std::uint8_t Brighter(std::uint8_t C)
{
    return C < 200 ? static_cast<std::uint8_t>(C + 55) : std::uint8_t{255};
}

TColor BrighterColor(TColor C)
{
    const auto V = static_cast<COLORREF>(C);
    return static_cast<TColor>(
        RGB(Brighter(GetRValue(V)), Brighter(GetGValue(V)), Brighter(GetBValue(V))));
}

} // namespace

TEST_F(PngFunctions, DisabledHoveredAndPressedLooks)
{
    auto Green = RgbaPicture(1, 1, {{static_cast<TColor>(RGB(0, 255, 0)), 255}});
    // Grey 150 at alpha 128 over white.
    EXPECT_EQ(Drawn(*Green, {pngBlendOnDisabled, pngGrayscaleOnDisabled}, White),
              static_cast<TColor>(RGB(202, 202, 202)));
    auto Pixel = RgbaPicture(1, 1, {{static_cast<TColor>(RGB(200, 10, 100)), 255}});
    EXPECT_EQ(Drawn(*Pixel, {pngBrighter}, White), static_cast<TColor>(RGB(255, 65, 155)));
    EXPECT_EQ(Drawn(*Pixel, {pngDarker}, White), static_cast<TColor>(RGB(145, 0, 45)));
    EXPECT_EQ(Drawn(*Pixel, {}, White), static_cast<TColor>(RGB(200, 10, 100)));
    // The caller's picture is never changed.
    EXPECT_EQ(Pixel->GetPixels(0, 0), static_cast<TColor>(RGB(200, 10, 100)));
    EXPECT_EQ(Pixel->GetAlphaScanline(0)[0], 255);
}

TEST_F(PngFunctions, AnEmptyPictureDrawsNothingWithOrWithoutEffects)
{
    TPNGObject Empty;
    auto Target = Surface(2, 2, clLime);
    for (TPngOptions Options :
         {TPngOptions{}, DisabledPngOptions, TPngOptions{pngBrighter}, TPngOptions{pngDarker}})
        DrawPNG(&Empty, Target->Canvas(), Rect(0, 0, 2, 2), Options);
    EXPECT_EQ(Target->Canvas()->Pixels(1, 1), clLime);
    EXPECT_TRUE(Empty.Empty());
}

TEST_F(PngFunctions, APictureTooLargeForItsEffectsWholeStillDrawsWithThemSmall)
{
    // Within the store limit at a bit a pixel, beyond it at the four bytes a pixel the
    // effects need: the whole picture cannot take them, what a small target shows of it can.
    TPNGObject Large(COLOR_GRAYSCALE, 1, 65535, 1100);
    const std::pair<TPngOptions, TColor> Looks[] = {
        {DisabledPngOptions, BlendColor(clBlack, clLime, 127)},
        {{pngBlendOnDisabled}, BlendColor(clBlack, clLime, 127)},
        {{pngBrighter}, BrighterColor(clBlack)},
        {{pngDarker}, clBlack}};
    for (const auto &[Options, Look] : Looks) {
        auto Target = Surface(4, 4, clLime);
        EXPECT_NO_THROW(DrawPNG(&Large, Target->Canvas(), Rect(0, 0, 4, 4), Options));
        EXPECT_EQ(Target->Canvas()->Pixels(2, 2), Look);
        EXPECT_EQ(WithEffects(&Large, Options), nullptr);
    }
}

TEST_F(PngFunctions, EffectsDrawWhatTheWholePictureWithThemWouldDraw)
{
    std::vector<Picture> Kinds;
    std::uint32_t Seed = 40;
    for (const auto &[Type, Depth] : std::initializer_list<std::pair<int, int>>{{0, 1},
                                                                                {0, 2},
                                                                                {0, 8},
                                                                                {0, 16},
                                                                                {2, 8},
                                                                                {2, 16},
                                                                                {3, 2},
                                                                                {3, 8},
                                                                                {4, 8},
                                                                                {6, 8},
                                                                                {6, 16}})
        Kinds.push_back(RandomPicture(Type, Depth, 13, 9, false, Seed++));
    // Keyed gray and colour, a palette with one clear entry and one with graded ones.
    Picture Gray = RandomPicture(0, 8, 13, 9, false, Seed++);
    Gray.Transparency = {0, static_cast<std::uint8_t>(Gray.Sample(0, 0, 0))};
    Picture Color = RandomPicture(2, 8, 13, 9, false, Seed++);
    Color.Transparency = {0, static_cast<std::uint8_t>(Color.Sample(0, 0, 0)),
                          0, static_cast<std::uint8_t>(Color.Sample(0, 0, 1)),
                          0, static_cast<std::uint8_t>(Color.Sample(0, 0, 2))};
    Picture Keyed = RandomPicture(3, 4, 13, 9, false, Seed++);
    Keyed.Transparency = {255, 0, 255};
    Picture Graded = RandomPicture(3, 8, 13, 9, false, Seed++);
    Graded.Transparency = {0, 60, 128, 200};
    Kinds.insert(Kinds.end(), {Gray, Color, Keyed, Graded});

    constexpr int Side = 24;
    const TColor Background = static_cast<TColor>(RGB(40, 120, 200));
    // One to one, shrunk, stretched, reversed, partly outside and empty; then all of it
    // under a clip.
    const TRect Targets[] = {Rect(2, 3, 15, 12), Rect(0, 0, 7, 5),     Rect(1, 1, 23, 19),
                             Rect(20, 18, 3, 2), Rect(-9, -4, 15, 12), Rect(4, 4, 4, 9)};
    const auto Drawn = [&](auto Draw, const TRect &Target, bool Clipped) {
        auto Surf = Surface(Side, Side, Background);
        if (Clipped) IntersectClipRect(Surf->Canvas()->Handle(), 5, 4, 16, 14);
        Draw(Surf->Canvas(), Target);
        std::vector<std::uint8_t> Pixels;
        for (int Y = 0; Y < Side; ++Y) {
            const auto *Row = static_cast<const std::uint8_t *>(Surf->ScanLine(Y));
            Pixels.insert(Pixels.end(), Row, Row + 3 * Side);
        }
        return Pixels;
    };
    for (const Picture &P : Kinds) {
        auto Png = Load(Encode(P));
        for (TPngOptions Options :
             {TPngOptions{pngBlendOnDisabled}, TPngOptions{pngGrayscaleOnDisabled},
              TPngOptions{pngBrighter}, TPngOptions{pngDarker}, DisabledPngOptions,
              TPngOptions{pngBrighter, pngDarker}}) {
            const auto Whole = WithEffects(Png.get(), Options);
            ASSERT_NE(Whole, nullptr);
            for (const TRect &Target : Targets)
                for (bool Clipped : {false, true}) {
                    SCOPED_TRACE(testing::Message()
                                 << "type " << P.ColorType << " depth " << P.BitDepth << " trns "
                                 << P.Transparency.size() << " options " << Options.ToInt()
                                 << " target " << Target.Left << "," << Target.Top << ","
                                 << Target.Right << "," << Target.Bottom << " clipped " << Clipped);
                    ASSERT_EQ(Drawn([&](TCanvas *C,
                                        const TRect &R) { DrawPNG(Png.get(), C, R, Options); },
                                    Target, Clipped),
                              Drawn([&](TCanvas *C, const TRect &R) { Whole->Draw(C, R); }, Target,
                                    Clipped));
                }
        }
    }
}

TEST_F(PngFunctions, AHugePictureDrawnSmallWithEffectsCostsOnlyTheTarget)
{
    auto Image = Load(HugeInterlacedFile());
    const TColor Gray = static_cast<TColor>(RGB(0x7F, 0x7F, 0x7F));
    auto Shrunk = Surface(16, 16, clWhite), Corner = Surface(16, 16, clWhite);
    testsupport::ResetPeakResident();
    const std::size_t Before = testsupport::ResidentBytes();
    DrawPNG(Image.get(), Shrunk->Canvas(), Rect(0, 0, 16, 16), {pngBrighter});
    DrawPNG(Image.get(), Corner->Canvas(), Rect(0, 0, 5000, 5000), DisabledPngOptions);
    const std::size_t Peak = testsupport::PeakResidentBytes();
    EXPECT_LT(Peak - std::min(Peak, Before), std::size_t{64} << 20);
    // Shrunk, each canvas pixel shows the picture pixel nearest its centre.
    for (int Y = 0; Y < 16; ++Y)
        for (int X = 0; X < 16; ++X)
            EXPECT_EQ(
                Shrunk->Canvas()->Pixels(X, Y),
                BrighterColor(Image->GetPixels((2 * X + 1) * 5000 / 32, (2 * Y + 1) * 5000 / 32)));
    EXPECT_EQ(Corner->Canvas()->Pixels(0, 0), BlendColor(Gray, clWhite, 128));
    EXPECT_EQ(Corner->Canvas()->Pixels(8, 0), BlendColor(Gray, clWhite, 128));
    EXPECT_EQ(Corner->Canvas()->Pixels(1, 0), BlendColor(clBlack, clWhite, 128));
    EXPECT_EQ(Corner->Canvas()->Pixels(8, 8), BlendColor(clBlack, clWhite, 128));
}

TEST_F(PngFunctions, EffectsWorkOnEveryKindOfPicture)
{
    const std::pair<int, int> Kinds[] = {{0, 1}, {0, 2}, {0, 8}, {3, 4},
                                         {3, 8}, {4, 8}, {2, 8}, {6, 16}};
    std::uint32_t Seed = 30;
    for (const auto &[Type, Depth] : Kinds) {
        Picture P = RandomPicture(Type, Depth, 13, 3, false, Seed++);
        auto Png = Load(Encode(P));
        auto Copy = Load(Encode(P));
        MakeImageBrighter(Copy.get(), 55);
        for (int Y = 0; Y < 3; ++Y)
            for (int X = 0; X < 13; ++X) {
                ASSERT_EQ(Copy->GetPixels(X, Y), BrighterColor(Png->GetPixels(X, Y)))
                    << Type << "/" << Depth;
                if (Type == 4 || Type == 6) {
                    ASSERT_EQ(Copy->GetAlphaScanline(Y)[X], Png->GetAlphaScanline(Y)[X]);
                }
            }
        auto Gray = Load(Encode(P));
        MakeImageGrayscale(Gray.get(), 255);
        const auto G = static_cast<COLORREF>(Gray->GetPixels(5, 1));
        if (Type != 3) {
            EXPECT_TRUE(GetRValue(G) == GetGValue(G) && GetGValue(G) == GetBValue(G)) << Type;
        }
    }
}

TEST_F(PngFunctions, GrayscaleFollowsTheWeightedMean)
{
    auto Png = RgbaPicture(1, 1, {{static_cast<TColor>(RGB(10, 200, 40)), 255}});
    MakeImageGrayscale(Png.get(), 100);
    const double Level = std::nearbyint(0.3 * 10 + 0.59 * 200 + 0.11 * 40);
    const auto Channel = [&](int C) {
        return static_cast<int>(std::nearbyint(C / 256.0 * 155) +
                                std::nearbyint(Level / 256.0 * 101));
    };
    EXPECT_EQ(Png->GetPixels(0, 0),
              static_cast<TColor>(RGB(Channel(10), Channel(200), Channel(40))));

    Picture P = RandomPicture(3, 8, 2, 2, false, 1);
    auto Palette = Load(Encode(P));
    MakeImageGrayscale(Palette.get(), 255);
    const auto C = static_cast<COLORREF>(Palette->GetPixels(1, 1));
    EXPECT_EQ(GetRValue(C), GetGValue(C));
    EXPECT_EQ(GetGValue(C), GetBValue(C));
}

TEST_F(PngFunctions, BlendingKeepsKeysAndPartialPaletteTransparency)
{
    Picture Keyed = RandomPicture(3, 2, 5, 2, false, 2);
    Keyed.Transparency = {255, 0, 255, 255};
    auto Png = Load(Encode(Keyed));
    const TColor Key = Png->TransparentColor();
    auto Target = Surface(5, 2, White);
    DrawPNG(Png.get(), Target->Canvas(), Rect(0, 0, 5, 2), {pngBlendOnDisabled});
    for (int Y = 0; Y < 2; ++Y)
        for (int X = 0; X < 5; ++X)
            EXPECT_EQ(Target->Canvas()->Pixels(X, Y),
                      Keyed.Sample(X, Y, 0) == 1 ? White
                                                 : BlendColor(Png->GetPixels(X, Y), White, 127));
    EXPECT_EQ(Png->TransparentColor(), Key);

    Picture Partial = RandomPicture(3, 2, 5, 2, false, 3);
    Partial.Transparency = {0, 100, 200, 255};
    Png = Load(Encode(Partial));
    auto Copy = Load(Encode(Partial));
    MakeImageBlended(Copy.get(), 127);
    for (int Y = 0; Y < 2; ++Y)
        for (int X = 0; X < 5; ++X) {
            const int Alpha = Partial.Transparency[Partial.Sample(X, Y, 0)];
            EXPECT_EQ(Copy->GetAlphaScanline(Y)[X],
                      static_cast<int>(std::nearbyint(Alpha / 256.0 * 128)));
            EXPECT_EQ(Copy->GetPixels(X, Y), Png->GetPixels(X, Y));
        }

    auto Rgba = RgbaPicture(2, 1, {{clRed, 255}, {clRed, 100}});
    MakeImageBlended(Rgba.get(), 127);
    EXPECT_EQ(Rgba->GetAlphaScanline(0)[0], 128);
    EXPECT_EQ(Rgba->GetAlphaScanline(0)[1], 50);
}

TEST_F(PngFunctions, SmoothResizeAndItsLimits)
{
    auto Png = RgbaPicture(2, 2,
                           {{static_cast<TColor>(RGB(0, 0, 0)), 0},
                            {static_cast<TColor>(RGB(200, 0, 0)), 200},
                            {static_cast<TColor>(RGB(0, 100, 0)), 100},
                            {static_cast<TColor>(RGB(200, 100, 0)), 255}});
    SmoothResize(Png.get(), 4, 4);
    EXPECT_EQ(Png->Width(), 4);
    // Target (2, 2) samples source (0.5, 0.5): the mean of the four.
    EXPECT_EQ(Png->GetPixels(2, 2), static_cast<TColor>(RGB(100, 50, 0)));
    EXPECT_EQ(Png->GetAlphaScanline(2)[2], 139);
    EXPECT_EQ(Png->GetPixels(1, 0), static_cast<TColor>(RGB(50, 0, 0)));
    EXPECT_EQ(Png->GetPixels(0, 0), static_cast<TColor>(RGB(0, 0, 0)));

    auto Single = RgbaPicture(1, 1, {{clRed, 77}});
    SmoothResize(Single.get(), 3, 2);
    EXPECT_EQ(Single->GetPixels(2, 1), clRed);
    EXPECT_EQ(Single->GetAlphaScanline(1)[2], 77);

    auto Gray = Load(Encode(RandomPicture(0, 8, 2, 2, false, 1)));
    try {
        SmoothResize(Gray.get(), 3, 3);
        FAIL();
    } catch (const Exception &E) {
        EXPECT_STREQ(E.Message().c_str(),
                     "Only COLOR_RGBALPHA and COLOR_RGB formats are supported");
    }
}

TEST_F(PngFunctions, SlicesCopyPixelsAndAlpha)
{
    auto Joined = RgbaPicture(4, 2,
                              {{clRed, 10},
                               {clRed, 20},
                               {clBlue, 30},
                               {clBlue, 40},
                               {clLime, 50},
                               {clLime, 60},
                               {clWhite, 70},
                               {clWhite, 80}});
    auto Slices = SlicePNG(Joined.get(), 2, 1);
    ASSERT_EQ(Slices.size(), 2u);
    EXPECT_EQ(Slices[1]->Width(), 2);
    EXPECT_EQ(Slices[1]->GetPixels(0, 0), clBlue);
    EXPECT_EQ(Slices[1]->GetPixels(1, 1), clWhite);
    EXPECT_EQ(Slices[1]->GetAlphaScanline(1)[1], 80);
    EXPECT_EQ(Slices[0]->GetAlphaScanline(1)[0], 50);
    EXPECT_THROW(SlicePNG(Joined.get(), 0, 1), EPNGInvalidNewSize);
    EXPECT_THROW(SlicePNG(Joined.get(), 5, 1), EPNGInvalidNewSize);
}

TEST_F(PngFunctions, BitmapsBecomePicturesWithTheirTransparency)
{
    auto Bitmap = Surface(3, 2, clRed);
    Bitmap->Canvas()->SetPixels(1, 1, clBlue);
    auto Plain = ConvertToPNG(Bitmap.get());
    EXPECT_EQ(Plain->GetHeader()->ColorType, COLOR_RGB);
    EXPECT_EQ(Plain->GetPixels(1, 1), clBlue);

    Bitmap->SetTransparent(true); // automatic: the bottom-left pixel is the key
    auto Keyed = ConvertToPNG(Bitmap.get());
    ASSERT_EQ(Keyed->GetHeader()->ColorType, COLOR_RGBALPHA);
    EXPECT_EQ(Keyed->GetAlphaScanline(0)[0], 0);
    EXPECT_EQ(Keyed->GetAlphaScanline(1)[1], 255);

    auto Masked = CreatePNGMasked(Bitmap.get(), clBlue);
    EXPECT_EQ(Masked->GetAlphaScanline(1)[1], 0);
    EXPECT_EQ(Masked->GetAlphaScanline(0)[0], 255);

    auto Mask = Surface(3, 2, clBlack);
    Mask->Canvas()->SetPixels(2, 0, clWhite);
    auto FromMask = CreatePNG(Bitmap.get(), Mask.get(), false);
    EXPECT_EQ(FromMask->GetAlphaScanline(0)[2], 255);
    EXPECT_EQ(FromMask->GetAlphaScanline(0)[1], 0);
    auto Inverse = CreatePNG(Bitmap.get(), Mask.get(), true);
    EXPECT_EQ(Inverse->GetAlphaScanline(0)[2], 0);

    TPNGObject Source(COLOR_RGB, 8, 1, 1);
    auto Copy = ConvertToPNG(&Source);
    EXPECT_EQ(Copy->Width(), 1);
}
