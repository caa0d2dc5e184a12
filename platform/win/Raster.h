#pragma once
// The small software rasteriser behind pens and brushes: exact Win32 pixels,
// raster operations, hatches and pattern brushes on 32-bit images. Internal.

#include "platform/win/DeviceContext.h"

namespace win
{

// What a brush paints at a device pixel, with the DC colours it depends on.
class BrushFill
{
public:
    BrushFill(const DeviceContext &Dc, HBRUSH Brush);
    bool Empty() const { return !FBrush || FBrush->Style == BS_NULL; }
    bool Solid() const { return FBrush && FBrush->Style == BS_SOLID; }
    COLORREF Color() const { return FBrush ? FBrush->Color : 0; }
    // False where the brush leaves the pixel alone (a transparent hatch gap).
    bool At(int DeviceX, int DeviceY, QRgb *Out) const;
    // The same brush for QPainter, aligned to the DC's brush origin.
    QBrush QtBrush(const QPoint &ImageOrigin) const;

private:
    const BrushData *FBrush;
    QRgb FText, FBk;
    bool FOpaque;
    POINT FOrigin;
};

// Brushes may be given as a system colour index + 1, as in class backgrounds.
HBRUSH ResolveBrush(HBRUSH Brush);

QRgb ApplyRop2(int Rop2, QRgb Pen, QRgb Dest);
QRgb ApplyRop3(DWORD Rop, QRgb Pattern, QRgb Source, QRgb Dest);
QPainter::CompositionMode CompositionFor(int Rop2);

// Fills a device rectangle (right and bottom excluded) with a brush and a
// binary raster operation.
void FillArea(DrawScope &Scope, const QRect &DeviceRect, const BrushFill &Fill, int Rop2);
// Fills a device rectangle with a ternary raster operation of the brush and
// the destination (PatBlt).
void PatternArea(DrawScope &Scope, const QRect &DeviceRect, const BrushFill &Fill, DWORD Rop);

// Draws a pen line between device points, leaving out the end point unless
// asked; dashes restart at each call, as in Win32 for separate LineTo calls.
void PenLine(DrawScope &Scope, const DeviceContext &Dc, const PenData &Pen, QPoint From, QPoint To,
             bool IncludeEnd);

} // namespace win
