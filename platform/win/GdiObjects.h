#pragma once
// GDI object table: pens, brushes, fonts, bitmaps, regions and palettes behind
// their handles. Internal to the platform layer; GDI is used from the GUI thread.

#include "platform/rtl/ZeroedAllocator.h"
#include "platform/win/WinGdi.h"

#include <QImage>
#include <QRegion>

#include <memory>
#include <vector>

namespace win
{

enum class GdiKind { Pen, Brush, Font, Bitmap, Region, Palette };

struct PenData {
    UINT Style = PS_SOLID;
    int Width = 1;
    COLORREF Color = 0;
};

struct BrushData {
    UINT Style = BS_SOLID;
    COLORREF Color = 0;
    int Hatch = 0;
    QImage Pattern;           // BS_PATTERN: the tile, RGB32
    bool MonoPattern = false; // monochrome tiles take the DC's text and background colours
};

struct FontData {
    LOGFONTW Log{};
};

// A bitmap: device-dependent bitmaps are an RGB32 image; DIB sections also keep
// the caller's bits in their own format, and drawing goes through the image,
// synchronised with the bits over the area each operation touches. A large DIB's
// bits and image cost memory only where they are written, as a section's pages do:
// nothing reads either outside an area it synchronised first.
struct BitmapData {
    int Width = 0;
    int Height = 0;
    int Bpp = 32;
    bool Dib = false;
    bool TopDown = false;
    int Stride = 0;
    std::vector<std::uint8_t, rtl::ZeroedAllocator<std::uint8_t>> Bits;
    std::vector<RGBQUAD> Colors;
    QImage Image;
    int SelectedIn = 0;

    void Pull(const QRect &Area);
    void Push(const QRect &Area);
    // The colour of pixel X of a row of bits in this bitmap's format.
    QRgb ColorAt(const std::uint8_t *RowBits, int X) const;
    std::uint8_t *Row(int Y) { return Bits.data() + (TopDown ? Y : Height - 1 - Y) * Stride; }
};

struct RegionData {
    QRegion Region;
};

struct PaletteData {
    std::vector<PALETTEENTRY> Entries;
};

struct GdiObject {
    GdiKind Kind;
    bool Stock = false;
    PenData Pen;
    BrushData Brush;
    FontData Font;
    std::unique_ptr<BitmapData> Bitmap;
    RegionData Region;
    PaletteData Palette;
};

GdiObject *FindObject(HGDIOBJ Handle);
GdiObject *FindObject(HGDIOBJ Handle, GdiKind Kind);
HGDIOBJ AddObject(std::unique_ptr<GdiObject> Object);

PenData *PenOf(HGDIOBJ Handle);
BrushData *BrushOf(HGDIOBJ Handle);
FontData *FontOf(HGDIOBJ Handle);
BitmapData *BitmapOf(HGDIOBJ Handle);
QRegion *RegionOf(HGDIOBJ Handle);
PaletteData *PaletteOf(HGDIOBJ Handle);

// The system takes ownership of a region handed to it (SetWindowRgn).
QRegion TakeRegion(HRGN Region);
bool SetRegion(HRGN Region, const QRegion &Value);
HRGN NewRegion(const QRegion &Value);
int RegionComplexity(const QRegion &Region);

// Pixel and colour conversions between COLORREF and the images' 0xAARRGGBB.
inline QRgb ToRgb(COLORREF C)
{
    return qRgb(GetRValue(C), GetGValue(C), GetBValue(C));
}
inline COLORREF ToColorRef(QRgb P)
{
    return RGB(qRed(P), qGreen(P), qBlue(P));
}

// An empty bitmap of the given format; colour tables get 2^bpp entries.
std::unique_ptr<BitmapData> MakeBitmap(int Width, int Height, int Bpp, bool Dib, bool TopDown);
HBITMAP DefaultBitmap();

} // namespace win
