#include "platform/win/DeviceContext.h"
#include "platform/win/Raster.h"

#include <QPainterPath>
#include <QPolygon>

namespace win
{
namespace
{

QRect RectOf(int Left, int Top, int Right, int Bottom)
{
    return QRect(QPoint(std::min(Left, Right), std::min(Top, Bottom)),
                 QPoint(std::max(Left, Right) - 1, std::max(Top, Bottom) - 1));
}

// A region of the pixels whose centres lie inside a path, as GDI builds
// elliptic and polygonal regions.
QRegion PathRegion(const QPainterPath &Path, Qt::FillRule Rule)
{
    QPainterPath P = Path;
    P.setFillRule(Rule);
    const QRect Box = P.boundingRect().toAlignedRect();
    QRegion Result;
    for (int Y = Box.top(); Y <= Box.bottom(); ++Y) {
        int Start = -1;
        for (int X = Box.left(); X <= Box.right() + 1; ++X) {
            const bool In = X <= Box.right() && P.contains(QPointF(X + 0.5, Y + 0.5));
            if (In && Start < 0) Start = X;
            if (!In && Start >= 0) {
                Result += QRect(Start, Y, X - Start, 1);
                Start = -1;
            }
        }
    }
    return Result;
}

} // namespace

QRegion EffectiveClip(const DeviceContext &Dc, bool *Bounded)
{
    *Bounded = Dc.Visible.has_value() || Dc.S.Clip.has_value();
    QRegion R = Dc.Visible ? *Dc.Visible : QRegion(0, 0, 1 << 20, 1 << 20);
    if (Dc.S.Clip) R &= *Dc.S.Clip;
    if (Dc.Kind == DcKind::Memory)
        if (const BitmapData *B = BitmapOf(Dc.S.Bitmap)) {
            R &= QRegion(0, 0, B->Width, B->Height);
            *Bounded = true;
        }
    return R;
}

namespace
{

int ClipResult(const DeviceContext &Dc)
{
    bool Bounded;
    return RegionComplexity(EffectiveClip(Dc, &Bounded));
}

int CombineClip(DeviceContext &Dc, const QRegion &Area, int Mode)
{
    QRegion Current =
        Dc.S.Clip ? *Dc.S.Clip : (Dc.Visible ? *Dc.Visible : QRegion(0, 0, 1 << 20, 1 << 20));
    switch (Mode) {
    case RGN_AND:
        Current &= Area;
        break;
    case RGN_OR:
        Current |= Area;
        break;
    case RGN_XOR:
        Current ^= Area;
        break;
    case RGN_DIFF:
        Current -= Area;
        break;
    case RGN_COPY:
        Current = Area;
        break;
    default:
        return ERROR;
    }
    Dc.S.Clip = Current;
    return ClipResult(Dc);
}

} // namespace
} // namespace win

using namespace win;

HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom)
{
    return NewRegion(QRegion(RectOf(Left, Top, Right, Bottom)));
}

HRGN CreateRectRgnIndirect(const RECT *Rect)
{
    return Rect ? CreateRectRgn(Rect->left, Rect->top, Rect->right, Rect->bottom) : HRGN{};
}

HRGN CreateEllipticRgn(int Left, int Top, int Right, int Bottom)
{
    QPainterPath Path;
    Path.addEllipse(QRectF(RectOf(Left, Top, Right, Bottom)).adjusted(0, 0, 1, 1));
    return NewRegion(PathRegion(Path, Qt::OddEvenFill));
}

HRGN CreateRoundRectRgn(int Left, int Top, int Right, int Bottom, int Width, int Height)
{
    QPainterPath Path;
    Path.addRoundedRect(QRectF(RectOf(Left, Top, Right, Bottom)).adjusted(0, 0, 1, 1), Width / 2.0,
                        Height / 2.0);
    return NewRegion(PathRegion(Path, Qt::OddEvenFill));
}

HRGN CreatePolygonRgn(const POINT *Points, int Count, int Mode)
{
    if (!Points || Count < 3) return NewRegion(QRegion());
    QPolygonF Poly;
    for (int I = 0; I < Count; ++I)
        Poly << QPointF(Points[I].x, Points[I].y);
    QPainterPath Path;
    Path.addPolygon(Poly);
    Path.closeSubpath();
    return NewRegion(PathRegion(Path, Mode == WINDING ? Qt::WindingFill : Qt::OddEvenFill));
}

int CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, int Mode)
{
    QRegion *D = RegionOf(Dest);
    const QRegion *A = RegionOf(Src1);
    const QRegion *B = RegionOf(Src2);
    if (!D || !A || (Mode != RGN_COPY && !B)) return ERROR;
    switch (Mode) {
    case RGN_AND:
        *D = *A & *B;
        break;
    case RGN_OR:
        *D = *A | *B;
        break;
    case RGN_XOR:
        *D = *A ^ *B;
        break;
    case RGN_DIFF:
        *D = *A - *B;
        break;
    case RGN_COPY:
        *D = *A;
        break;
    default:
        return ERROR;
    }
    return RegionComplexity(*D);
}

int OffsetRgn(HRGN Region, int X, int Y)
{
    QRegion *R = RegionOf(Region);
    if (!R) return ERROR;
    R->translate(X, Y);
    return RegionComplexity(*R);
}

BOOL SetRectRgn(HRGN Region, int Left, int Top, int Right, int Bottom)
{
    return SetRegion(Region, QRegion(RectOf(Left, Top, Right, Bottom)));
}

int GetRgnBox(HRGN Region, LPRECT Rect)
{
    const QRegion *R = RegionOf(Region);
    if (!R || !Rect) return ERROR;
    const QRect B = R->boundingRect();
    *Rect =
        R->isEmpty() ? RECT{0, 0, 0, 0} : RECT{B.left(), B.top(), B.right() + 1, B.bottom() + 1};
    return RegionComplexity(*R);
}

BOOL PtInRegion(HRGN Region, int X, int Y)
{
    const QRegion *R = RegionOf(Region);
    return R && R->contains(QPoint(X, Y));
}

BOOL RectInRegion(HRGN Region, const RECT *Rect)
{
    const QRegion *R = RegionOf(Region);
    return R && Rect && R->intersects(RectOf(Rect->left, Rect->top, Rect->right, Rect->bottom));
}

BOOL EqualRgn(HRGN A, HRGN B)
{
    const QRegion *Ra = RegionOf(A), *Rb = RegionOf(B);
    return Ra && Rb && *Ra == *Rb;
}

BOOL FillRgn(HDC Handle, HRGN Region, HBRUSH Brush)
{
    DeviceContext *Dc = FindDc(Handle);
    const QRegion *R = RegionOf(Region);
    if (!Dc || !R) return FALSE;
    const BrushFill Fill(*Dc, Brush);
    // Regions given to drawing calls are in logical units; only the origins move them.
    const QRegion Device = R->translated(ToDevice(*Dc, 0, 0));
    DrawScope Scope(*Dc, Device.boundingRect());
    if (!Scope.Valid()) return TRUE;
    for (const QRect &Part : Device)
        FillArea(Scope, Part, Fill, R2_COPYPEN);
    return TRUE;
}

BOOL PaintRgn(HDC Handle, HRGN Region)
{
    DeviceContext *Dc = FindDc(Handle);
    return Dc && FillRgn(Handle, Region, Dc->S.Brush);
}

BOOL InvertRgn(HDC Handle, HRGN Region)
{
    DeviceContext *Dc = FindDc(Handle);
    const QRegion *R = RegionOf(Region);
    if (!Dc || !R) return FALSE;
    DrawScope Scope(*Dc, R->boundingRect());
    if (!Scope.Valid()) return TRUE;
    for (const QRect &Part : *R)
        PatternArea(Scope, Part, BrushFill(*Dc, {}), DSTINVERT);
    return TRUE;
}

// The border of a region: every pixel of it within Width/Height of its outside.
BOOL FrameRgn(HDC Handle, HRGN Region, HBRUSH Brush, int Width, int Height)
{
    const QRegion *R = RegionOf(Region);
    if (!R) return FALSE;
    QRegion Inner = *R;
    for (int Dx = -Width + 1; Dx < Width; ++Dx)
        Inner &= R->translated(Dx, 0);
    for (int Dy = -Height + 1; Dy < Height; ++Dy)
        Inner &= R->translated(0, Dy);
    const HRGN Border = NewRegion(*R - Inner);
    const BOOL Result = FillRgn(Handle, Border, Brush);
    DeleteObject(Border);
    return Result;
}

int SelectClipRgn(HDC Handle, HRGN Region)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return ERROR;
    if (!Region) {
        Dc->S.Clip.reset();
        return ClipResult(*Dc);
    }
    const QRegion *R = RegionOf(Region);
    if (!R) return ERROR;
    Dc->S.Clip = *R;
    return ClipResult(*Dc);
}

int ExtSelectClipRgn(HDC Handle, HRGN Region, int Mode)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return ERROR;
    if (!Region) return Mode == RGN_COPY ? SelectClipRgn(Handle, {}) : ERROR;
    const QRegion *R = RegionOf(Region);
    return R ? CombineClip(*Dc, *R, Mode) : ERROR;
}

int GetClipRgn(HDC Handle, HRGN Region)
{
    const DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !RegionOf(Region)) return -1;
    if (!Dc->S.Clip) return 0;
    SetRegion(Region, *Dc->S.Clip);
    return 1;
}

int GetClipBox(HDC Handle, LPRECT Rect)
{
    const DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Rect) return ERROR;
    bool Bounded;
    const QRegion R = EffectiveClip(*Dc, &Bounded);
    if (R.isEmpty()) {
        *Rect = RECT{0, 0, 0, 0};
        return NULLREGION;
    }
    const QRect B = R.boundingRect();
    const QPoint A = ToLogical(*Dc, B.left(), B.top()),
                 C = ToLogical(*Dc, B.right() + 1, B.bottom() + 1);
    *Rect = RECT{std::min(A.x(), C.x()), std::min(A.y(), C.y()), std::max(A.x(), C.x()),
                 std::max(A.y(), C.y())};
    return RegionComplexity(R);
}

int IntersectClipRect(HDC Handle, int Left, int Top, int Right, int Bottom)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return ERROR;
    return CombineClip(*Dc, QRegion(ToDevice(*Dc, RECT{Left, Top, Right, Bottom})), RGN_AND);
}

int ExcludeClipRect(HDC Handle, int Left, int Top, int Right, int Bottom)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return ERROR;
    return CombineClip(*Dc, QRegion(ToDevice(*Dc, RECT{Left, Top, Right, Bottom})), RGN_DIFF);
}

int OffsetClipRgn(HDC Handle, int X, int Y)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return ERROR;
    if (Dc->S.Clip) Dc->S.Clip->translate(X, Y);
    return ClipResult(*Dc);
}

BOOL RectVisible(HDC Handle, const RECT *Rect)
{
    const DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Rect) return FALSE;
    bool Bounded;
    return EffectiveClip(*Dc, &Bounded).intersects(ToDevice(*Dc, *Rect));
}

BOOL PtVisible(HDC Handle, int X, int Y)
{
    const DeviceContext *Dc = FindDc(Handle);
    if (!Dc) return FALSE;
    bool Bounded;
    return EffectiveClip(*Dc, &Bounded).contains(ToDevice(*Dc, X, Y));
}
