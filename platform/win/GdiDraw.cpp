#include "platform/win/Raster.h"
#include "platform/win/SysParams.h"

#include <QPolygon>

namespace win
{
namespace
{

QRect DeviceRect(const DeviceContext &Dc, int Left, int Top, int Right, int Bottom)
{
    return ToDevice(Dc, RECT{Left, Top, Right, Bottom});
}

PenData CurrentPen(const DeviceContext &Dc)
{
    const PenData *P = PenOf(Dc.S.Pen);
    return P ? *P : PenData{PS_SOLID, 1, 0};
}

bool NullPen(const PenData &Pen)
{
    return (Pen.Style & PS_STYLE_MASK) == PS_NULL;
}

// Outline of a device rectangle with the pen, one ring per pen pixel, inside it.
void PenFrame(DrawScope &Scope, const DeviceContext &Dc, const PenData &Pen, QRect R)
{
    PenData Thin = Pen;
    Thin.Width = 1;
    for (int Ring = 0; Ring < Pen.Width && R.width() > 0 && R.height() > 0; ++Ring) {
        const QPoint Tl = R.topLeft(), Tr = R.topRight(), Br = R.bottomRight(), Bl = R.bottomLeft();
        PenLine(Scope, Dc, Thin, Tl, Tr, R.width() == 1);
        PenLine(Scope, Dc, Thin, Tr, Br, R.height() == 1);
        if (R.height() > 1) PenLine(Scope, Dc, Thin, Br, Bl, false);
        if (R.width() > 1) PenLine(Scope, Dc, Thin, Bl, Tl, false);
        R.adjust(1, 1, -1, -1);
    }
}

// Fill and outline of a shape QPainter rasterises (ellipses, rounded rectangles,
// polygons), with the DC's brush, pen and raster operation.
template <typename ShapeFn>
void PaintShape(DeviceContext &Dc, const QRect &Bounds, ShapeFn Shape, bool Outline = true)
{
    const PenData Pen = CurrentPen(Dc);
    const int Reach = std::max(Pen.Width, 1);
    DrawScope Scope(Dc, Bounds.adjusted(-Reach, -Reach, Reach, Reach));
    if (!Scope.Valid()) return;
    const BrushFill Fill(Dc, Dc.S.Brush);
    QPainter &P = Scope.Painter();
    P.setCompositionMode(CompositionFor(Dc.S.Rop2));
    P.setPen(Qt::NoPen);
    if (!Fill.Empty()) {
        P.setBrush(Fill.QtBrush(Scope.Origin()));
        Shape(P);
    }
    if (Outline && !NullPen(Pen)) {
        P.setBrush(Qt::NoBrush);
        P.setPen(QPen(QColor(ToRgb(Pen.Color)), Pen.Width > 1 ? Pen.Width : 0));
        Shape(P);
    }
}

QPolygon DevicePolygon(const DeviceContext &Dc, const POINT *Points, int Count)
{
    QPolygon Poly;
    for (int I = 0; I < Count; ++I)
        Poly << ToDevice(Dc, Points[I].x, Points[I].y);
    return Poly;
}

void PolyOutline(DeviceContext &Dc, const QPolygon &Poly, bool Closed)
{
    const PenData Pen = CurrentPen(Dc);
    if (NullPen(Pen) || Poly.size() < 2) return;
    DrawScope Scope(Dc, Poly.boundingRect().adjusted(-Pen.Width, -Pen.Width, Pen.Width, Pen.Width));
    if (!Scope.Valid()) return;
    for (int I = 0; I + 1 < Poly.size(); ++I)
        PenLine(Scope, Dc, Pen, Poly[I], Poly[I + 1], false);
    if (Closed) PenLine(Scope, Dc, Pen, Poly.back(), Poly.front(), false);
}

} // namespace
} // namespace win

using namespace win;

int FillRect(HDC Handle, const RECT *Rect, HBRUSH Brush)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Rect) return 0;
    const QRect R = ToDevice(*Dc, *Rect);
    const BrushFill Fill(*Dc, Brush);
    if (Fill.Solid()) DropCoveredDrawing(*Dc, R);
    DrawScope Scope(*Dc, R);
    if (Scope.Valid()) FillArea(Scope, R, Fill, R2_COPYPEN);
    return 1;
}

int FrameRect(HDC Handle, const RECT *Rect, HBRUSH Brush)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Rect || Rect->right <= Rect->left || Rect->bottom <= Rect->top) return 0;
    const QRect R = ToDevice(*Dc, *Rect);
    const BrushFill Fill(*Dc, Brush);
    DrawScope Scope(*Dc, R);
    if (!Scope.Valid()) return 1;
    FillArea(Scope, QRect(R.left(), R.top(), R.width(), 1), Fill, R2_COPYPEN);
    FillArea(Scope, QRect(R.left(), R.bottom(), R.width(), 1), Fill, R2_COPYPEN);
    FillArea(Scope, QRect(R.left(), R.top(), 1, R.height()), Fill, R2_COPYPEN);
    FillArea(Scope, QRect(R.right(), R.top(), 1, R.height()), Fill, R2_COPYPEN);
    return 1;
}

BOOL InvertRect(HDC Handle, const RECT *Rect)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Rect) return FALSE;
    const QRect R = ToDevice(*Dc, *Rect);
    DrawScope Scope(*Dc, R);
    if (Scope.Valid()) PatternArea(Scope, R, BrushFill(*Dc, {}), DSTINVERT);
    return TRUE;
}

// A dotted frame of every other pixel, drawn by XOR so a second call erases it.
BOOL DrawFocusRect(HDC Handle, const RECT *Rect)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Rect) return FALSE;
    const QRect R = ToDevice(*Dc, *Rect);
    if (R.isEmpty()) return TRUE;
    DrawScope Scope(*Dc, R);
    if (!Scope.Valid() || Scope.Vector()) return TRUE;
    const QPoint O = Scope.Origin();
    auto Flip = [&](int X, int Y) {
        const QPoint P(X + O.x(), Y + O.y());
        if (!Scope.Clip().contains(P)) return;
        auto *Pixel = Scope.Row(P.y()) + P.x();
        *Pixel = (*Pixel ^ 0xFFFFFF) | 0xFF000000;
    };
    for (int X = R.left(); X <= R.right(); ++X)
        for (int Y : {R.top(), R.bottom()})
            if (((X + Y) & 1) == 0) Flip(X, Y);
    for (int Y = R.top() + 1; Y < R.bottom(); ++Y)
        for (int X : {R.left(), R.right()})
            if (((X + Y) & 1) == 0) Flip(X, Y);
    return TRUE;
}

BOOL PatBlt(HDC Handle, int X, int Y, int Width, int Height, DWORD Rop)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return FALSE;
    const QRect R = DeviceRect(*Dc, X, Y, X + Width, Y + Height);
    const BrushFill Fill(*Dc, Dc->S.Brush);
    DrawScope Scope(*Dc, R);
    if (Scope.Valid()) PatternArea(Scope, R, Fill, Rop);
    return TRUE;
}

BOOL Rectangle(HDC Handle, int Left, int Top, int Right, int Bottom)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return FALSE;
    const QRect R = DeviceRect(*Dc, Left, Top, Right, Bottom);
    if (R.isEmpty()) return TRUE;
    const PenData Pen = CurrentPen(*Dc);
    const BrushFill Fill(*Dc, Dc->S.Brush);
    DrawScope Scope(*Dc, R);
    if (!Scope.Valid()) return TRUE;
    if (NullPen(Pen)) {
        // Without a pen Win32 fills one pixel less to the right and below.
        FillArea(Scope, R.adjusted(0, 0, -1, -1), Fill, Dc->S.Rop2);
        return TRUE;
    }
    FillArea(Scope, R.adjusted(Pen.Width, Pen.Width, -Pen.Width, -Pen.Width), Fill, Dc->S.Rop2);
    PenFrame(Scope, *Dc, Pen, R);
    return TRUE;
}

BOOL RoundRect(HDC Handle, int Left, int Top, int Right, int Bottom, int Width, int Height)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return FALSE;
    const QRect R = DeviceRect(*Dc, Left, Top, Right, Bottom);
    if (R.isEmpty()) return TRUE;
    const qreal Rx = Width * ScaleX(*Dc) / 2.0, Ry = Height * ScaleY(*Dc) / 2.0;
    PaintShape(*Dc, R, [&](QPainter &P) {
        P.drawRoundedRect(QRectF(R.x(), R.y(), R.width() - 1, R.height() - 1), Rx, Ry);
    });
    return TRUE;
}

BOOL Ellipse(HDC Handle, int Left, int Top, int Right, int Bottom)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return FALSE;
    const QRect R = DeviceRect(*Dc, Left, Top, Right, Bottom);
    if (R.isEmpty()) return TRUE;
    PaintShape(*Dc, R, [&](QPainter &P) {
        P.drawEllipse(QRect(R.x(), R.y(), R.width() - 1, R.height() - 1));
    });
    return TRUE;
}

BOOL MoveToEx(HDC Handle, int X, int Y, LPPOINT Old)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return FALSE;
    if (Old) *Old = Dc->S.Position;
    Dc->S.Position = POINT{X, Y};
    return TRUE;
}

BOOL GetCurrentPositionEx(HDC Handle, LPPOINT Point)
{
    const DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Point) return FALSE;
    *Point = Dc->S.Position;
    return TRUE;
}

BOOL LineTo(HDC Handle, int X, int Y)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return FALSE;
    const QPoint From = ToDevice(*Dc, Dc->S.Position.x, Dc->S.Position.y), To = ToDevice(*Dc, X, Y);
    Dc->S.Position = POINT{X, Y};
    const PenData Pen = CurrentPen(*Dc);
    if (NullPen(Pen)) return TRUE;
    DrawScope Scope(
        *Dc, QRect(From, To).normalized().adjusted(-Pen.Width, -Pen.Width, Pen.Width, Pen.Width));
    if (Scope.Valid()) PenLine(Scope, *Dc, Pen, From, To, false);
    return TRUE;
}

BOOL Polyline(HDC Handle, const POINT *Points, int Count)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Points || Count < 2) return FALSE;
    PolyOutline(*Dc, DevicePolygon(*Dc, Points, Count), false);
    return TRUE;
}

BOOL PolylineTo(HDC Handle, const POINT *Points, DWORD Count)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Points || Count == 0) return FALSE;
    std::vector<POINT> All{Dc->S.Position};
    All.insert(All.end(), Points, Points + Count);
    PolyOutline(*Dc, DevicePolygon(*Dc, All.data(), static_cast<int>(All.size())), false);
    Dc->S.Position = Points[Count - 1];
    return TRUE;
}

BOOL Polygon(HDC Handle, const POINT *Points, int Count)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Points || Count < 2) return FALSE;
    const QPolygon Poly = DevicePolygon(*Dc, Points, Count);
    const Qt::FillRule Rule = Dc->S.PolyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
    PaintShape(
        *Dc, Poly.boundingRect(), [&](QPainter &P) { P.drawPolygon(Poly, Rule); }, false);
    PolyOutline(*Dc, Poly, true);
    return TRUE;
}

BOOL PolyPolygon(HDC Handle, const POINT *Points, const INT *Counts, int Polygons)
{
    if (!Points || !Counts) return FALSE;
    for (int I = 0; I < Polygons; ++I) {
        if (!Polygon(Handle, Points, Counts[I])) return FALSE;
        Points += Counts[I];
    }
    return TRUE;
}

COLORREF SetPixel(HDC Handle, int X, int Y, COLORREF Color)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return CLR_INVALID;
    const QPoint P = ToDevice(*Dc, X, Y);
    DrawScope Scope(*Dc, QRect(P, QSize(1, 1)));
    const QPoint I = P + Scope.Origin();
    if (!Scope.Valid() || !Scope.Clip().contains(I)) return CLR_INVALID;
    if (Scope.Vector()) {
        Scope.Painter().fillRect(QRect(I, QSize(1, 1)), QColor(ToRgb(Color)));
        return Color & 0xFFFFFF;
    }
    Scope.Row(I.y())[I.x()] = ToRgb(Color);
    return Color & 0xFFFFFF;
}

BOOL SetPixelV(HDC Dc, int X, int Y, COLORREF Color)
{
    return SetPixel(Dc, X, Y, Color) != CLR_INVALID;
}

COLORREF GetPixel(HDC Handle, int X, int Y)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return CLR_INVALID;
    const QPoint P = ToDevice(*Dc, X, Y);
    DrawScope Scope(*Dc, QRect(P, QSize(1, 1)));
    const QPoint I = P + Scope.Origin();
    if (!Scope.Valid() || Scope.Vector() || !Scope.Clip().contains(I)) return CLR_INVALID;
    return ToColorRef(Scope.Image().pixel(I));
}
