// A PNG file as the picture controls load it: decoded, its pixels read, drawn every way the
// controls draw it, saved again, and the saved file loaded back with the same size.

#include "controls/PngFunctions.h"
#include "controls/PngImageList.h"
#include "controls/pngimage.h"
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>

namespace
{

// Enough pixels to touch every row and column pattern without walking a huge picture.
constexpr int ReadsPerSide = 64;

void ReadPixels(const TPNGObject &Png)
{
    const int StepX = std::max(1, Png.Width() / ReadsPerSide);
    const int StepY = std::max(1, Png.Height() / ReadsPerSide);
    for (int y = 0; y < Png.Height(); y += StepY) {
        for (int x = 0; x < Png.Width(); x += StepX)
            (void)Png.GetPixels(x, y);
        (void)Png.GetScanline(y);
        (void)Png.GetAlphaScanline(y);
    }
    (void)Png.GetPixels(Png.Width() - 1, Png.Height() - 1);
    (void)Png.TransparentColor();
}

// The picture a control held before the file was picked.
constexpr int HeldWidth = 3, HeldHeight = 2;

void MustStayWhole(const TPNGObject &Png, int Width, int Height, const char *What)
{
    if (Png.Width() != Width || Png.Height() != Height) fuzz::Broken(What);
    ReadPixels(Png);
}

// Small, so that a huge picture costs its own pixels and not a huge canvas.
constexpr int CanvasSide = 16;

const bool Started = fuzz::BeforeInputs(fuzz::StartApplication);

std::unique_ptr<TBitmap> Canvas()
{
    auto Bitmap = std::make_unique<TBitmap>();
    Bitmap->SetPixelFormat(pf24bit);
    Bitmap->SetSize(CanvasSide, CanvasSide);
    return Bitmap;
}

// Shrunk, stretched, mirrored, empty and partly outside the canvas.
void DrawEveryWay(TPNGObject &Png, TCanvas *Target)
{
    for (const TRect &R : {Rect(0, 0, CanvasSide, CanvasSide), Rect(3, 2, 40, 5),
                           Rect(12, 12, 1, 1), Rect(4, 4, 4, 9), Rect(-7, -3, 6, 8)})
        Png.Draw(Target, R);
    const TRect Whole = Rect(0, 0, CanvasSide, CanvasSide);
    for (TPngOptions Options :
         {TPngOptions{}, TPngOptions{pngBlendOnDisabled}, TPngOptions{pngGrayscaleOnDisabled},
          DisabledPngOptions, TPngOptions{pngBrighter, pngDarker}})
        DrawPNG(&Png, Target, Whole, Options);
}

// The picture as a control shows it: drawn straight, with effects, through an image list and
// as the bitmap it converts to; then as the key-coloured and opaque pictures made from it.
void Draw(TPNGObject &Png)
{
    auto Target = Canvas();
    TPNGObject Copy;
    Copy.Assign(&Png);
    DrawEveryWay(Copy, Target->Canvas());

    TPngImageList List(nullptr);
    List.SetWidth(CanvasSide);
    List.SetHeight(CanvasSide);
    List.PngImages()->Add()->SetPngImage(&Copy);
    List.Draw(Target->Canvas(), 0, 0, 0, true);
    List.Draw(Target->Canvas(), 0, 0, 0, false);
    // The list then holds the picture as disabled controls show it.
    List.SetPngOptions(DisabledPngOptions);
    List.SetEnabledImages(false);
    List.Draw(Target->Canvas(), 0, 0, 0, true);
    TIcon Icon;
    List.GetIcon(0, &Icon);
    TBitmap FromList;
    List.GetBitmap(0, &FromList);

    TBitmap Converted;
    Converted.Assign(&Copy);

    if (Copy.Width() == 0 || Copy.Height() == 0) return;
    // Only a picture without its own alpha takes a key colour.
    if (Copy.GetHeader()->ColorType != COLOR_GRAYSCALEALPHA &&
        Copy.GetHeader()->ColorType != COLOR_RGBALPHA) {
        Copy.SetTransparentColor(Copy.GetPixels(0, 0));
        DrawEveryWay(Copy, Target->Canvas());
    }
    Copy.RemoveTransparency();
    DrawEveryWay(Copy, Target->Canvas());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    TStringStream Input(fuzz::Text(Data, Size));
    TPNGObject Png(COLOR_RGB, 8, HeldWidth, HeldHeight);
    try {
        Png.LoadFromStream(&Input);
    } catch (const Exception &) {
        MustStayWhole(Png, HeldWidth, HeldHeight, "a failed load changed the picture");
        return 0;
    }
    ReadPixels(Png);
    Draw(Png);
    try {
        Png.Resize(65535, 65535);
        fuzz::Broken("a picture took a store beyond its limit");
    } catch (const EPNGOutMemory &) {
        MustStayWhole(Png, Png.Width(), Png.Height(), "a refused resize changed the picture");
    }

    TPNGObject Again;
    fuzz::MustLoadAgain([&](TStream *S) { Png.SaveToStream(S); },
                        [&](TStream *S) { Again.LoadFromStream(S); },
                        "a picture it saved does not load");
    if (Again.Width() != Png.Width() || Again.Height() != Png.Height())
        fuzz::Broken("a saved picture loads with another size");
    ReadPixels(Again);
    return 0;
}
