#pragma once
// Drawing PNG pictures with effects (blended, grey, brighter, darker) and
// making PNG pictures from bitmaps, icons and image lists.

#include "controls/pngimage.h"
#include "platform/vcl/ImgList.h"

#include <memory>
#include <vector>

enum TPngOption { pngBlendOnDisabled, pngGrayscaleOnDisabled, pngBrighter, pngDarker };
using TPngOptions = Set<TPngOption>;

// Draws Png into ARect with the effects of Options; Png itself is never changed.
void DrawPNG(TPNGObject *Png, TCanvas *Canvas, const TRect &ARect, TPngOptions Options);

// A copy of Png with the effects of Options; null when the copy would take more store than
// a picture may have.
std::unique_ptr<TPNGObject> WithEffects(TPNGObject *Png, TPngOptions Options);

// Scales every pixel's alpha by (Amount + 1) / 256; a key colour becomes clear.
void MakeImageBlended(TPNGObject *Image, std::uint8_t Amount = 127);
// Moves the colours towards their grey by Amount (255: pure grey).
void MakeImageGrayscale(TPNGObject *Image, std::uint8_t Amount = 255);
void MakeImageBrighter(TPNGObject *Image, std::uint8_t Amount);
void MakeImageDarker(TPNGObject *Image, std::uint8_t Amount);
// Gives a picture without per-pixel alpha an alpha plane of Value (key pixels 0).
void MakeImageAlphaChannel(TPNGObject *Image, std::uint8_t Value = 255);
// Bilinear resize of RGB and RGB+alpha pictures.
void SmoothResize(TPNGObject *Png, int NewWidth, int NewHeight);

std::unique_ptr<TPNGObject> ConvertToPNG(TGraphic *Source);
// Alpha from the red of Mask's pixels (inverted with InverseMask).
std::unique_ptr<TPNGObject> CreatePNG(TBitmap *Color, TBitmap *Mask, bool InverseMask);
std::unique_ptr<TPNGObject> CreatePNGMasked(TBitmap *Bitmap, TColor MaskColor);
// Leaves Dest as it was when the list has no picture at Index.
void CopyImageFromImageList(TPNGObject *Dest, TCustomImageList *ImageList, int Index);
std::vector<std::unique_ptr<TPNGObject>> SlicePNG(TPNGObject *JoinedPNG, int Columns, int Rows);

// A picture's alpha at a pixel as drawn: its alpha plane, its palette's
// transparency, 0 for the key colour, 255 otherwise.
std::uint8_t PixelAlpha(const TPNGObject &Png, int X, int Y);

// The same for one picture read pixel by pixel, with what the alpha depends on looked up
// once. The picture must not change while it is read.
class TPixelAlpha
{
public:
    explicit TPixelAlpha(const TPNGObject &Png);
    std::uint8_t operator()(int X, int Y) const;

private:
    const TPNGObject &FPng;
    const TChunktRNS *FTRNS = nullptr;
    // The alpha plane, top-down rows of a byte a pixel; null without one.
    const std::uint8_t *FPlane = nullptr;
    int FWidth = 0;
    bool FPalette = false;
    TColor FTransparent = 0;
};

// How the controls draw their pictures while disabled.
inline constexpr TPngOptions DisabledPngOptions{pngBlendOnDisabled, pngGrayscaleOnDisabled};
