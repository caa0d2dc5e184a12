#include "platform/win/Raster.h"

#include "platform/win/SysParams.h"

#include <cmath>
#include <cstdlib>

namespace win
{
namespace
{

// 8x8 hatch patterns, one byte per row, bit 7 the leftmost pixel.
constexpr BYTE Hatches[6][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}, // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08}, // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // HS_BDIAGONAL
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08}, // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // HS_DIAGCROSS
};

int Wrap(int Value, int Period)
{
    const int M = Value % Period;
    return M < 0 ? M + Period : M;
}

// Win32's dash patterns for cosmetic pens, in pixels on and off.
std::vector<int> DashPattern(UINT Style)
{
    switch (Style & PS_STYLE_MASK) {
    case PS_DASH:
        return {18, 6};
    case PS_DOT:
        return {3, 3};
    case PS_DASHDOT:
        return {9, 6, 3, 6};
    case PS_DASHDOTDOT:
        return {9, 3, 3, 3, 3, 3};
    default:
        return {};
    }
}

// A pen line on a printer page: one stroke through the pixels' centres, the
// end pixel left out as on the screen.
void VectorLine(QPainter &P, const PenData &Pen, QRgb Color, QPoint From, QPoint To)
{
    QPen Stroke(QColor(Color), std::max(Pen.Width, 1));
    if (Pen.Width > 1) {
        Stroke.setCapStyle(Qt::RoundCap);
        Stroke.setJoinStyle(Qt::RoundJoin);
        P.setPen(Stroke);
        P.drawLine(From, To);
        return;
    }
    Stroke.setCapStyle(Qt::FlatCap);
    const std::vector<int> Dashes = DashPattern(Pen.Style);
    if (!Dashes.empty()) Stroke.setDashPattern(QList<qreal>(Dashes.begin(), Dashes.end()));
    P.setPen(Stroke);
    const QPointF Centre(0.5, 0.5);
    const QPointF A = QPointF(From) + Centre, B = QPointF(To) + Centre;
    const QPointF Step = B - A;
    const double Length = std::hypot(Step.x(), Step.y());
    if (Length > 0) P.drawLine(QLineF(A - Step / Length * 0.5, B - Step / Length * 0.5));
}

void Plot(DrawScope &Scope, int X, int Y, QRgb Color, int Rop2)
{
    const QPoint P = QPoint(X, Y) + Scope.Origin();
    if (!Scope.Clip().contains(P)) return;
    auto *Pixel = Scope.Row(P.y()) + P.x();
    *Pixel = Rop2 == R2_COPYPEN ? (Color | 0xFF000000) : ApplyRop2(Rop2, Color, *Pixel);
}

template <typename PixelFn> void ForEachPixel(DrawScope &Scope, const QRect &DeviceRect, PixelFn Fn)
{
    const QRegion Area = Scope.Parts(DeviceRect);
    const QPoint O = Scope.Origin();
    for (const QRect &R : Area) {
        for (int Y = R.top(); Y <= R.bottom(); ++Y) {
            auto *Row = Scope.Row(Y);
            for (int X = R.left(); X <= R.right(); ++X)
                Fn(Row[X], X - O.x(), Y - O.y());
        }
    }
}

} // namespace

HBRUSH ResolveBrush(HBRUSH Brush)
{
    const auto Value = reinterpret_cast<std::uintptr_t>(Brush);
    if (Value > 0 && Value <= static_cast<std::uintptr_t>(COLOR_COUNT))
        return GetSysColorBrush(static_cast<int>(Value) - 1);
    return Brush;
}

BrushFill::BrushFill(const DeviceContext &Dc, HBRUSH Brush)
    : FBrush(BrushOf(ResolveBrush(Brush))), FText(ToRgb(Dc.S.TextColor)), FBk(ToRgb(Dc.S.BkColor)),
      FOpaque(Dc.S.BkMode == OPAQUE), FOrigin(Dc.S.BrushOrg)
{
}

bool BrushFill::At(int X, int Y, QRgb *Out) const
{
    switch (FBrush->Style) {
    case BS_SOLID:
        *Out = ToRgb(FBrush->Color);
        return true;
    case BS_HATCHED: {
        const BYTE Row = Hatches[FBrush->Hatch][Wrap(Y - FOrigin.y, 8)];
        if (Row & (0x80 >> Wrap(X - FOrigin.x, 8))) {
            *Out = ToRgb(FBrush->Color);
            return true;
        }
        *Out = FBk;
        return FOpaque;
    }
    case BS_PATTERN: {
        const QImage &P = FBrush->Pattern;
        const QRgb C = P.pixel(Wrap(X - FOrigin.x, P.width()), Wrap(Y - FOrigin.y, P.height()));
        *Out = FBrush->MonoPattern ? ((C & 0xFFFFFF) ? FBk : FText) : C;
        return true;
    }
    default:
        return false;
    }
}

QBrush BrushFill::QtBrush(const QPoint &ImageOrigin) const
{
    if (Empty()) return Qt::NoBrush;
    if (Solid()) return QBrush(QColor(ToRgb(FBrush->Color)));
    const QSize Tile = FBrush->Style == BS_PATTERN ? FBrush->Pattern.size() : QSize(8, 8);
    QImage Texture(Tile, QImage::Format_ARGB32);
    for (int Y = 0; Y < Tile.height(); ++Y)
        for (int X = 0; X < Tile.width(); ++X) {
            QRgb C = 0;
            Texture.setPixel(X, Y, At(X + FOrigin.x, Y + FOrigin.y, &C) ? (C | 0xFF000000) : 0);
        }
    QBrush B(Texture);
    B.setTransform(
        QTransform::fromTranslate(ImageOrigin.x() + FOrigin.x, ImageOrigin.y() + FOrigin.y));
    return B;
}

QRgb ApplyRop2(int Rop2, QRgb P, QRgb D)
{
    const unsigned T = static_cast<unsigned>(Rop2 - 1);
    QRgb R = 0;
    if (T & 8) R |= P & D;
    if (T & 4) R |= P & ~D;
    if (T & 2) R |= ~P & D;
    if (T & 1) R |= ~P & ~D;
    return (R & 0xFFFFFF) | 0xFF000000;
}

QRgb ApplyRop3(DWORD Rop, QRgb P, QRgb S, QRgb D)
{
    const unsigned T = (Rop >> 16) & 0xFF;
    switch (T) {
    case 0xCC:
        return S | 0xFF000000;
    case 0xF0:
        return P | 0xFF000000;
    case 0xAA:
        return D;
    default:
        break;
    }
    QRgb R = 0;
    for (unsigned Bit = 0; Bit < 8; ++Bit) {
        if (!(T & (1u << Bit))) continue;
        R |= ((Bit & 4) ? P : ~P) & ((Bit & 2) ? S : ~S) & ((Bit & 1) ? D : ~D);
    }
    return (R & 0xFFFFFF) | 0xFF000000;
}

QPainter::CompositionMode CompositionFor(int Rop2)
{
    switch (Rop2) {
    case R2_BLACK:
        return QPainter::RasterOp_ClearDestination;
    case R2_NOTMERGEPEN:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case R2_MASKNOTPEN:
        return QPainter::RasterOp_NotSourceAndDestination;
    case R2_NOTCOPYPEN:
        return QPainter::RasterOp_NotSource;
    case R2_MASKPENNOT:
        return QPainter::RasterOp_SourceAndNotDestination;
    case R2_NOT:
        return QPainter::RasterOp_NotDestination;
    case R2_XORPEN:
        return QPainter::RasterOp_SourceXorDestination;
    case R2_NOTMASKPEN:
        return QPainter::RasterOp_NotSourceOrNotDestination;
    case R2_MASKPEN:
        return QPainter::RasterOp_SourceAndDestination;
    case R2_NOTXORPEN:
        return QPainter::RasterOp_NotSourceXorDestination;
    case R2_NOP:
        return QPainter::CompositionMode_Destination;
    case R2_MERGENOTPEN:
        return QPainter::RasterOp_NotSourceOrDestination;
    case R2_MERGEPENNOT:
        return QPainter::RasterOp_SourceOrNotDestination;
    case R2_MERGEPEN:
        return QPainter::RasterOp_SourceOrDestination;
    case R2_WHITE:
        return QPainter::RasterOp_SetDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

void FillArea(DrawScope &Scope, const QRect &DeviceRect, const BrushFill &Fill, int Rop2)
{
    if (Fill.Empty() || DeviceRect.isEmpty()) return;
    if (Scope.Vector()) {
        // Paper cannot combine with what is under it; only the brush itself shows.
        if (Rop2 != R2_NOP) Scope.Painter().fillRect(DeviceRect, Fill.QtBrush(Scope.Origin()));
        return;
    }
    if (Fill.Solid() && Rop2 == R2_COPYPEN) {
        const QRgb C = ToRgb(Fill.Color());
        const QRegion Area = Scope.Parts(DeviceRect);
        for (const QRect &R : Area) {
            for (int Y = R.top(); Y <= R.bottom(); ++Y) {
                auto *Row = Scope.Row(Y);
                std::fill(Row + R.left(), Row + R.right() + 1, C);
            }
        }
        return;
    }
    ForEachPixel(Scope, DeviceRect, [&](QRgb &Pixel, int X, int Y) {
        QRgb C;
        if (Fill.At(X, Y, &C)) Pixel = ApplyRop2(Rop2, C, Pixel);
    });
}

void PatternArea(DrawScope &Scope, const QRect &DeviceRect, const BrushFill &Fill, DWORD Rop)
{
    if (DeviceRect.isEmpty()) return;
    if (Rop == PATCOPY) {
        FillArea(Scope, DeviceRect, Fill, R2_COPYPEN);
        return;
    }
    if (Scope.Vector()) {
        if (Rop == BLACKNESS || Rop == WHITENESS)
            Scope.Painter().fillRect(DeviceRect, Rop == BLACKNESS ? Qt::black : Qt::white);
        return;
    }
    if (Rop == BLACKNESS || Rop == WHITENESS) {
        // Neither the brush nor the destination counts: every new bitmap is cleared this way.
        const QRgb Value = ApplyRop3(Rop, 0, 0, 0);
        ForEachPixel(Scope, DeviceRect, [Value](QRgb &Pixel, int, int) { Pixel = Value; });
        return;
    }
    const bool UsesPattern = (((Rop >> 16) & 0xF0) >> 4) != ((Rop >> 16) & 0x0F);
    ForEachPixel(Scope, DeviceRect, [&](QRgb &Pixel, int X, int Y) {
        QRgb P = 0;
        if (UsesPattern && !Fill.Empty() && !Fill.At(X, Y, &P)) return;
        Pixel = ApplyRop3(Rop, P, 0, Pixel);
    });
}

void PenLine(DrawScope &Scope, const DeviceContext &Dc, const PenData &Pen, QPoint From, QPoint To,
             bool IncludeEnd)
{
    if ((Pen.Style & PS_STYLE_MASK) == PS_NULL) return;
    const QRgb Color = ToRgb(Pen.Color);
    const int Rop2 = Dc.S.Rop2;
    if (Scope.Vector()) {
        VectorLine(Scope.Painter(), Pen, Color, From, To);
        return;
    }
    if (Pen.Width > 1 && (Pen.Style & PS_STYLE_MASK) != PS_DOT) {
        QPainter &P = Scope.Painter();
        P.setCompositionMode(CompositionFor(Rop2));
        P.setPen(QPen(QColor(Color), Pen.Width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        P.drawLine(From, To);
        return;
    }
    const std::vector<int> Dashes = DashPattern(Pen.Style);
    const bool Gaps = Dc.S.BkMode == OPAQUE;
    const QRgb Bk = ToRgb(Dc.S.BkColor);
    int Dx = std::abs(To.x() - From.x()), Dy = -std::abs(To.y() - From.y());
    const int Sx = From.x() < To.x() ? 1 : -1, Sy = From.y() < To.y() ? 1 : -1;
    int Err = Dx + Dy, X = From.x(), Y = From.y();
    std::size_t Dash = 0;
    int Left = Dashes.empty() ? 0 : Dashes[0];
    for (;;) {
        const bool AtEnd = X == To.x() && Y == To.y();
        if (AtEnd && !IncludeEnd) break;
        const bool On = Dashes.empty() || Dash % 2 == 0;
        if (On)
            Plot(Scope, X, Y, Color, Rop2);
        else if (Gaps)
            Plot(Scope, X, Y, Bk, Rop2);
        if (!Dashes.empty() && --Left == 0) {
            Dash = (Dash + 1) % Dashes.size();
            Left = Dashes[Dash];
        }
        if (AtEnd) break;
        const int E2 = 2 * Err;
        if (E2 >= Dy) {
            Err += Dy;
            X += Sx;
        }
        if (E2 <= Dx) {
            Err += Dx;
            Y += Sy;
        }
    }
}

} // namespace win
