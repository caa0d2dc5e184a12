#pragma once
// Surfaces for the drawing tests: bitmaps of one colour, and the blend rule the
// pictures are drawn by, computed here from the picture's own values.

#include "controls/pngimage.h"

#include <cstdint>
#include <memory>

namespace pngtest
{

std::unique_ptr<TBitmap> Surface(int Width, int Height, TColor Color);

inline std::uint8_t Blend(int Source, int Dest, int Alpha)
{
    return static_cast<std::uint8_t>((255 + Source * Alpha + Dest * (255 - Alpha)) >> 8);
}

inline TColor BlendColor(TColor Source, TColor Dest, int Alpha)
{
    const auto S = static_cast<COLORREF>(Source), D = static_cast<COLORREF>(Dest);
    return static_cast<TColor>(RGB(Blend(GetRValue(S), GetRValue(D), Alpha),
                                   Blend(GetGValue(S), GetGValue(D), Alpha),
                                   Blend(GetBValue(S), GetBValue(D), Alpha)));
}

// An eight-bit RGB+alpha picture from rows of (colour, alpha).
std::unique_ptr<TPNGObject> RgbaPicture(int Width, int Height,
                                        std::initializer_list<std::pair<TColor, int>> Pixels);

} // namespace pngtest
