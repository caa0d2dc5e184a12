// A PNG file as the picture controls load it: decoded, its pixels read, saved again, and
// the saved file loaded back with the same size.

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
