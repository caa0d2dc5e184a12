#include "platform/win/Dib.h"
#include "platform/win/Raster.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace win
{

int StretchSourceAt(int Offset, int DestSize, int SrcStart, int SrcSize)
{
    if (DestSize == SrcSize) return SrcStart + Offset;
    return SrcStart +
           static_cast<int>((static_cast<long long>(2 * Offset + 1) * SrcSize) / (2LL * DestSize));
}

namespace
{

bool UsesSource(DWORD Rop)
{
    const unsigned T = (Rop >> 16) & 0xFF;
    return ((T >> 2) & 0x33) != (T & 0x33);
}

bool UsesPattern(DWORD Rop)
{
    const unsigned T = (Rop >> 16) & 0xFF;
    return ((T >> 4) & 0x0F) != (T & 0x0F);
}

bool Monochrome(const BitmapData *B)
{
    return B && B->Bpp == 1 && !B->Dib;
}

// A source picture for blits: pixels already converted to the destination's
// colours (monochrome sources take the destination's text and background
// colours; colour sources into a monochrome bitmap become white where they
// match the source's background colour), plus the raw alpha for AlphaBlend.
struct Source {
    QImage Pixels;           // RGB32; shares the source's image unless converted
    QPoint Base;             // where Area's top-left corner lies in Pixels
    std::vector<BYTE> Alpha; // per pixel of Area, 255 for sources without alpha
    QRect Area;              // device rectangle of the source DC
};

Source ReadSource(DeviceContext &Src, const QRect &Area, DeviceContext &Dest, bool WithAlpha)
{
    Source Out;
    QPoint Origin;
    BitmapData *Bitmap = nullptr;
    QImage *Image = TargetImage(Src, &Origin, &Bitmap);
    if (!Image) return Out;
    QRect Bounds = Image->rect().translated(-Origin);
    if (Bitmap) Bounds &= QRect(0, 0, Bitmap->Width, Bitmap->Height);
    Out.Area = Area & Bounds;
    if (Out.Area.isEmpty()) return Out;
    if (Bitmap) Bitmap->Pull(Out.Area);
    QPoint DestOrigin;
    BitmapData *DestBitmap = nullptr;
    TargetImage(Dest, &DestOrigin, &DestBitmap);
    const bool MonoSrc = Monochrome(Bitmap), MonoDest = Monochrome(DestBitmap);
    // Without a colour conversion the source image is shared, not copied; a
    // blit within one image then writes to a detached copy of it.
    if (MonoSrc == MonoDest) {
        Out.Pixels = *Image;
        Out.Base = Out.Area.topLeft() + Origin;
    } else {
        Out.Pixels = Image->copy(Out.Area.translated(Origin));
    }
    if (WithAlpha)
        Out.Alpha.assign(static_cast<std::size_t>(Out.Area.width()) * Out.Area.height(), 255);
    if (WithAlpha && Bitmap && Bitmap->Dib && Bitmap->Bpp == 32)
        for (int Y = 0; Y < Out.Area.height(); ++Y) {
            const BYTE *Row = Bitmap->Row(Out.Area.top() + Y);
            for (int X = 0; X < Out.Area.width(); ++X)
                Out.Alpha[static_cast<std::size_t>(Y) * Out.Area.width() + X] =
                    Row[(Out.Area.left() + X) * 4 + 3];
        }
    if (MonoSrc == MonoDest) return Out;
    const QRgb Fore = ToRgb(Dest.S.TextColor), Back = ToRgb(Dest.S.BkColor),
               Key = ToRgb(Src.S.BkColor);
    for (int Y = 0; Y < Out.Pixels.height(); ++Y) {
        auto *Row = reinterpret_cast<QRgb *>(Out.Pixels.scanLine(Y));
        for (int X = 0; X < Out.Pixels.width(); ++X) {
            const QRgb P = Row[X] | 0xFF000000;
            if (MonoSrc)
                Row[X] = (P & 0xFFFFFF) ? Back : Fore;
            else
                Row[X] = (P == (Key | 0xFF000000)) ? 0xFFFFFFFF : 0xFF000000;
        }
    }
    return Out;
}

struct Mapping {
    QRect Dest; // device rectangle
    int SrcX, SrcY, SrcW, SrcH;
    bool FlipX, FlipY;
};

Mapping MapRects(DeviceContext &Dest, int XD, int YD, int WD, int HD, DeviceContext &Src, int XS,
                 int YS, int WS, int HS)
{
    const QPoint D0 = ToDevice(Dest, XD, YD), D1 = ToDevice(Dest, XD + WD, YD + HD);
    const QPoint S0 = ToDevice(Src, XS, YS), S1 = ToDevice(Src, XS + WS, YS + HS);
    Mapping M;
    M.Dest = QRect(QPoint(std::min(D0.x(), D1.x()), std::min(D0.y(), D1.y())),
                   QPoint(std::max(D0.x(), D1.x()) - 1, std::max(D0.y(), D1.y()) - 1));
    M.SrcX = std::min(S0.x(), S1.x());
    M.SrcY = std::min(S0.y(), S1.y());
    M.SrcW = std::abs(S1.x() - S0.x());
    M.SrcH = std::abs(S1.y() - S0.y());
    M.FlipX = (D1.x() < D0.x()) != (S1.x() < S0.x());
    M.FlipY = (D1.y() < D0.y()) != (S1.y() < S0.y());
    return M;
}

template <typename PixelFn>
void ForMapped(DrawScope &Scope, const Mapping &M, const Source &S, PixelFn Fn)
{
    const QRegion Area = Scope.Parts(M.Dest);
    const QPoint O = Scope.Origin();
    for (const QRect &R : Area) {
        for (int Y = R.top(); Y <= R.bottom(); ++Y) {
            int Dy = Y - O.y() - M.Dest.top();
            if (M.FlipY) Dy = M.Dest.height() - 1 - Dy;
            const int Sy = StretchSourceAt(Dy, M.Dest.height(), M.SrcY, M.SrcH) - S.Area.top();
            if (Sy < 0 || Sy >= S.Area.height()) continue;
            auto *Row = Scope.Row(Y);
            const auto *SrcRow =
                reinterpret_cast<const QRgb *>(S.Pixels.constScanLine(Sy + S.Base.y())) +
                S.Base.x();
            for (int X = R.left(); X <= R.right(); ++X) {
                int Dx = X - O.x() - M.Dest.left();
                if (M.FlipX) Dx = M.Dest.width() - 1 - Dx;
                const int Sx = StretchSourceAt(Dx, M.Dest.width(), M.SrcX, M.SrcW) - S.Area.left();
                if (Sx < 0 || Sx >= S.Area.width()) continue;
                Fn(Row[X], SrcRow[Sx],
                   S.Alpha.empty() ? BYTE(255)
                                   : S.Alpha[static_cast<std::size_t>(Sy) * S.Area.width() + Sx],
                   X - O.x(), Y - O.y());
            }
        }
    }
}

// One axis of a DIB drawn onto a DC.
struct DibAxis {
    int DestFrom, DestTo;       // device pixels, in the order the caller gave them
    int VisibleFrom, VisibleTo; // the part of the device the clip leaves, VisibleTo excluded
    int SrcFrom, SrcTo;         // picture pixels, in the order the caller gave them
    int Extent;                 // the picture's size
};

// The picture pixels a DIB shows along one axis of the target, and the source extent to
// blit from once they are all the picture there is.
struct PickedAxis {
    std::vector<int> Source; // picture coordinate of each picked pixel
    int Start = 0, Size = 0; // the blit's source extent, in picked pixels
    bool Flip = false;
    int From() const { return Flip ? Start + Size : Start; }
    int Extent() const { return Flip ? -Size : Size; }
};

// Only what lands on the visible target is picked: a huge picture drawn small, or a small part
// of a huge one drawn large, costs the target's pixels and not the picture's. Either way the
// blit then shows each target pixel the picture pixel it would have shown of the whole picture.
PickedAxis PickAxis(const DibAxis &A)
{
    const bool DestFlip = A.DestTo < A.DestFrom, SrcFlip = A.SrcTo < A.SrcFrom;
    const int Dest = std::min(A.DestFrom, A.DestTo), DestSize = std::abs(A.DestTo - A.DestFrom);
    const int Src = std::min(A.SrcFrom, A.SrcTo), SrcSize = std::abs(A.SrcTo - A.SrcFrom);
    PickedAxis P;
    if (DestSize == 0 || SrcSize == 0) return P;
    const auto SourceOf = [&](int Offset) {
        return StretchSourceAt(DestFlip != SrcFlip ? DestSize - 1 - Offset : Offset, DestSize, Src,
                               SrcSize);
    };
    const auto Inside = [&](int Offset) {
        const int S = SourceOf(Offset);
        return S >= 0 && S < A.Extent;
    };
    // Target offsets, last included, that are visible and show a pixel of the picture: one run,
    // as the source moves one way along the target.
    int First = std::max(A.VisibleFrom, Dest) - Dest;
    int Last = std::min(A.VisibleTo, Dest + DestSize) - Dest - 1;
    while (First <= Last && !Inside(First))
        ++First;
    while (Last >= First && !Inside(Last))
        --Last;
    if (First > Last) return P;
    const int Low = std::min(SourceOf(First), SourceOf(Last));
    const int High = std::max(SourceOf(First), SourceOf(Last));
    if (High - Low <= Last - First) {
        // No more picture pixels than target pixels: they are stretched as the whole would be.
        P.Source.resize(static_cast<std::size_t>(High - Low + 1));
        std::iota(P.Source.begin(), P.Source.end(), Low);
        P.Start = Src - Low;
        P.Size = SrcSize;
        P.Flip = SrcFlip;
    } else {
        // One picture pixel per target pixel, in the target's order: copied one to one.
        for (int Offset = First; Offset <= Last; ++Offset)
            P.Source.push_back(SourceOf(Offset));
        P.Start = -First;
        P.Size = DestSize;
        P.Flip = DestFlip;
    }
    return P;
}

enum class Kind { Pixels, Alpha, Copy };

// Where the source lands in device coordinates, and the source pixels in the
// orientation they land in.
QRectF LandingRect(const Mapping &M, const Source &S)
{
    const double Sx = double(M.Dest.width()) / M.SrcW, Sy = double(M.Dest.height()) / M.SrcH;
    const double Left = M.FlipX ? M.SrcX + M.SrcW - S.Area.right() - 1 : S.Area.left() - M.SrcX;
    const double Top = M.FlipY ? M.SrcY + M.SrcH - S.Area.bottom() - 1 : S.Area.top() - M.SrcY;
    return QRectF(M.Dest.left() + Left * Sx, M.Dest.top() + Top * Sy, S.Area.width() * Sx,
                  S.Area.height() * Sy);
}

// A blit onto a printer page, at the source's own resolution. What an
// operation does to the page is found by running it on white and on black:
// where both stay as they were the source is transparent, and their
// difference gives the coverage of the rest.
template <typename PixelFn>
void PaintSource(DrawScope &Scope, const Mapping &M, const Source &S, Kind How, PixelFn Fn)
{
    const QRectF Target = LandingRect(M, S);
    QImage Picture = S.Pixels.copy(QRect(S.Base, S.Area.size())).mirrored(M.FlipX, M.FlipY);
    if (How != Kind::Copy) {
        Picture = Picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        const double Sx = Target.width() / Picture.width(), Sy = Target.height() / Picture.height();
        for (int Y = 0; Y < Picture.height(); ++Y) {
            auto *Row = reinterpret_cast<QRgb *>(Picture.scanLine(Y));
            const int SrcY = M.FlipY ? S.Area.height() - 1 - Y : Y;
            for (int X = 0; X < Picture.width(); ++X) {
                const int SrcX = M.FlipX ? S.Area.width() - 1 - X : X;
                const BYTE A =
                    S.Alpha.empty()
                        ? BYTE(255)
                        : S.Alpha[static_cast<std::size_t>(SrcY) * S.Area.width() + SrcX];
                const int DevX = static_cast<int>(Target.left() + X * Sx);
                const int DevY = static_cast<int>(Target.top() + Y * Sy);
                QRgb OnWhite = 0xFFFFFFFF, OnBlack = 0xFF000000;
                Fn(OnWhite, Row[X] | 0xFF000000, A, DevX, DevY);
                Fn(OnBlack, Row[X] | 0xFF000000, A, DevX, DevY);
                const int Gap =
                    std::max({qRed(OnWhite) - qRed(OnBlack), qGreen(OnWhite) - qGreen(OnBlack),
                              qBlue(OnWhite) - qBlue(OnBlack), 0});
                const int Cover = 255 - Gap;
                Row[X] = qRgba(std::min(qRed(OnBlack), Cover), std::min(qGreen(OnBlack), Cover),
                               std::min(qBlue(OnBlack), Cover), Cover);
            }
        }
    }
    Scope.Painter().drawImage(Target, Picture);
}

// A plain copy without stretching: whole rows at a time.
void CopyRows(DrawScope &Scope, const Mapping &M, const Source &S)
{
    const QRegion Area = Scope.Parts(M.Dest);
    const QPoint Shift =
        QPoint(M.SrcX, M.SrcY) - S.Area.topLeft() - M.Dest.topLeft() - Scope.Origin();
    for (const QRect &R : Area) {
        const QRect From = (R.translated(Shift)) & QRect(QPoint(0, 0), S.Area.size());
        if (From.isEmpty()) continue;
        const QRect To = From.translated(-Shift);
        for (int Y = 0; Y < From.height(); ++Y)
            std::memcpy(Scope.Row(To.top() + Y) + To.left(),
                        S.Pixels.constScanLine(From.top() + S.Base.y() + Y) +
                            (From.left() + S.Base.x()) * 4,
                        static_cast<std::size_t>(From.width()) * 4);
    }
}

template <typename PixelFn>
BOOL Blend(HDC DestDc, int XD, int YD, int WD, int HD, HDC SrcDc, int XS, int YS, int WS, int HS,
           Kind How, PixelFn Fn)
{
    DeviceContext *Dest = FindDc(DestDc), *Src = FindDc(SrcDc);
    if (!Dest || !Src) return FALSE;
    const Mapping M = MapRects(*Dest, XD, YD, WD, HD, *Src, XS, YS, WS, HS);
    if (M.Dest.isEmpty() || M.SrcW == 0 || M.SrcH == 0) return TRUE;
    DrawScope Scope(*Dest, M.Dest);
    if (!Scope.Valid()) return TRUE;
    const QRect Whole(M.SrcX, M.SrcY, M.SrcW, M.SrcH);
    const bool Plain =
        M.Dest.width() == M.SrcW && M.Dest.height() == M.SrcH && !M.FlipX && !M.FlipY;
    const bool Copy = How == Kind::Copy && Plain && !Scope.Vector();
    // A plain copy reads only the source pixels that land inside the clip: a DIB's pixels are
    // converted as they are read, and a panel repainted under a label is mostly clipped away.
    const QRect Read = Copy ? (Scope.Clip().boundingRect().translated(-Scope.Origin()) & M.Dest)
                                  .translated(Whole.topLeft() - M.Dest.topLeft())
                            : Whole;
    const Source S = ReadSource(*Src, Read, *Dest, How == Kind::Alpha);
    if (S.Area.isEmpty()) return TRUE;
    if (Scope.Vector())
        PaintSource(Scope, M, S, How, Fn);
    else if (Copy)
        CopyRows(Scope, M, S);
    else
        ForMapped(Scope, M, S, Fn);
    return TRUE;
}

} // namespace
} // namespace win

using namespace win;

BOOL StretchBlt(HDC DestDc, int XD, int YD, int WD, int HD, HDC SrcDc, int XS, int YS, int WS,
                int HS, DWORD Rop)
{
    DeviceContext *Dest = FindDc(DestDc);
    if (!Dest) return FALSE;
    if (!UsesSource(Rop)) return PatBlt(DestDc, XD, YD, WD, HD, Rop);
    const BrushFill Fill(*Dest, Dest->S.Brush);
    const bool Pattern = UsesPattern(Rop);
    if (Rop == SRCCOPY)
        return Blend(DestDc, XD, YD, WD, HD, SrcDc, XS, YS, WS, HS, Kind::Copy,
                     [](QRgb &D, QRgb S, BYTE, int, int) { D = S | 0xFF000000; });
    return Blend(DestDc, XD, YD, WD, HD, SrcDc, XS, YS, WS, HS, Kind::Pixels,
                 [&](QRgb &D, QRgb S, BYTE, int X, int Y) {
                     QRgb P = 0;
                     if (Pattern && !Fill.Empty() && !Fill.At(X, Y, &P)) return;
                     D = ApplyRop3(Rop, P, S, D);
                 });
}

BOOL BitBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Src, int XSrc, int YSrc, DWORD Rop)
{
    return StretchBlt(Dest, X, Y, Width, Height, Src, XSrc, YSrc, Width, Height, Rop);
}

// Where the mask is 1 the foreground operation applies, where it is 0 the
// background one (the high byte of the raster operation).
BOOL MaskBlt(HDC Dest, int XD, int YD, int Width, int Height, HDC Src, int XS, int YS, HBITMAP Mask,
             int XM, int YM, DWORD Rop)
{
    BitmapData *M = BitmapOf(Mask);
    if (!M) return BitBlt(Dest, XD, YD, Width, Height, Src, XS, YS, Rop & 0xFFFFFF);
    const DWORD Fore = Rop & 0x00FF0000, Back = (Rop >> 8) & 0x00FF0000;
    DeviceContext *D = FindDc(Dest);
    if (!D) return FALSE;
    const BrushFill Fill(*D, D->S.Brush);
    M->Pull(QRect(0, 0, M->Width, M->Height));
    return Blend(Dest, XD, YD, Width, Height, Src, XS, YS, Width, Height, Kind::Pixels,
                 [&](QRgb &Px, QRgb S, BYTE, int X, int Y) {
                     const QPoint At(XM + X - XD, YM + Y - YD);
                     const bool On = M->Image.valid(At) && (M->Image.pixel(At) & 0xFFFFFF);
                     QRgb P = 0;
                     Fill.At(X, Y, &P);
                     Px = ApplyRop3(On ? Fore : Back, P, S, Px);
                 });
}

BOOL AlphaBlend(HDC Dest, int XD, int YD, int WD, int HD, HDC Src, int XS, int YS, int WS, int HS,
                BLENDFUNCTION B)
{
    if (WD < 0 || HD < 0 || WS < 0 || HS < 0 || B.BlendOp != AC_SRC_OVER) return FALSE;
    const int Constant = B.SourceConstantAlpha;
    const bool PerPixel = B.AlphaFormat & AC_SRC_ALPHA;
    return Blend(Dest, XD, YD, WD, HD, Src, XS, YS, WS, HS, Kind::Alpha,
                 [&](QRgb &D, QRgb S, BYTE A, int, int) {
                     // With per-pixel alpha the source is premultiplied: Dst = Src*SCA + Dst*(1 -
                     // Sa*SCA).
                     const int Sa = PerPixel ? (A * Constant + 127) / 255 : Constant;
                     auto Mix = [&](int Sc, int Dc) {
                         const int Scaled = (Sc * Constant + 127) / 255;
                         return std::min(255, Scaled + (Dc * (255 - Sa) + 127) / 255);
                     };
                     D = qRgb(Mix(qRed(S), qRed(D)), Mix(qGreen(S), qGreen(D)),
                              Mix(qBlue(S), qBlue(D)));
                 });
}

BOOL TransparentBlt(HDC Dest, int XD, int YD, int WD, int HD, HDC Src, int XS, int YS, int WS,
                    int HS, UINT Key)
{
    const QRgb K = ToRgb(Key) | 0xFF000000;
    return Blend(Dest, XD, YD, WD, HD, Src, XS, YS, WS, HS, Kind::Pixels,
                 [&](QRgb &D, QRgb S, BYTE, int, int) {
                     if ((S | 0xFF000000) != K) D = S | 0xFF000000;
                 });
}

// Two-colour linear fills; the first and last pixels get the vertex colours
// exactly, the ones between are interpolated on 16-bit channels.
BOOL GradientFill(HDC Handle, TRIVERTEX *Vertices, ULONG VertexCount, void *Mesh, ULONG MeshCount,
                  ULONG Mode)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc || !Vertices || !Mesh || Mode > GRADIENT_FILL_RECT_V) return FALSE;
    const auto *Rects = static_cast<const GRADIENT_RECT *>(Mesh);
    for (ULONG I = 0; I < MeshCount; ++I) {
        if (Rects[I].UpperLeft >= VertexCount || Rects[I].LowerRight >= VertexCount) return FALSE;
        const TRIVERTEX &A = Vertices[Rects[I].UpperLeft], &B = Vertices[Rects[I].LowerRight];
        const QRect R = ToDevice(*Dc, RECT{std::min(A.x, B.x), std::min(A.y, B.y),
                                           std::max(A.x, B.x), std::max(A.y, B.y)});
        if (R.isEmpty()) continue;
        const TRIVERTEX &First = (Mode == GRADIENT_FILL_RECT_H ? A.x <= B.x : A.y <= B.y) ? A : B;
        const TRIVERTEX &Last = &First == &A ? B : A;
        const int Steps = (Mode == GRADIENT_FILL_RECT_H ? R.width() : R.height()) - 1;
        DropCoveredDrawing(*Dc, R);
        DrawScope Scope(*Dc, R);
        if (!Scope.Valid()) continue;
        auto Channel = [&](COLOR16 C0, COLOR16 C1, int Step) {
            if (Steps <= 0) return C0 >> 8;
            return static_cast<int>((static_cast<long long>(C0) * (Steps - Step) +
                                     static_cast<long long>(C1) * Step) /
                                    Steps) >>
                   8;
        };
        // One colour per step, computed once and then copied along the other axis.
        std::vector<QRgb> Colors(static_cast<std::size_t>(Steps + 1));
        for (int Step = 0; Step <= Steps; ++Step)
            Colors[static_cast<std::size_t>(Step)] =
                qRgb(Channel(First.Red, Last.Red, Step), Channel(First.Green, Last.Green, Step),
                     Channel(First.Blue, Last.Blue, Step));
        if (Scope.Vector()) {
            QImage Strip(reinterpret_cast<const uchar *>(Colors.data()),
                         Mode == GRADIENT_FILL_RECT_H ? Steps + 1 : 1,
                         Mode == GRADIENT_FILL_RECT_H ? 1 : Steps + 1, QImage::Format_RGB32);
            Scope.Painter().drawImage(R, Strip.copy());
            continue;
        }
        const QRegion Area = Scope.Parts(R);
        const QPoint O = Scope.Origin() + R.topLeft();
        for (const QRect &Part : Area) {
            for (int Y = Part.top(); Y <= Part.bottom(); ++Y) {
                auto *Row = Scope.Row(Y);
                if (Mode == GRADIENT_FILL_RECT_H)
                    std::copy_n(Colors.begin() + (Part.left() - O.x()), Part.width(),
                                Row + Part.left());
                else
                    std::fill_n(Row + Part.left(), Part.width(),
                                Colors[static_cast<std::size_t>(Y - O.y())]);
            }
        }
    }
    return TRUE;
}

int StretchDIBits(HDC Dc, int XD, int YD, int WD, int HD, int XS, int YS, int WS, int HS,
                  const void *Bits, const BITMAPINFO *Info, UINT Usage, DWORD Rop)
{
    DeviceContext *D = FindDc(Dc);
    if (!D || !Info || !Bits) return 0;
    const BITMAPINFOHEADER &H = Info->bmiHeader;
    // The source rectangle of a bottom-up DIB is measured from its bottom row.
    const int Top = H.biHeight > 0 ? H.biHeight - YS - HS : YS;
    const QPoint D0 = ToDevice(*D, XD, YD), D1 = ToDevice(*D, XD + WD, YD + HD);
    bool Bounded = false;
    const QRect Visible = EffectiveClip(*D, &Bounded).boundingRect();
    const PickedAxis Across =
        PickAxis({D0.x(), D1.x(), Visible.left(), Visible.right() + 1, XS, XS + WS, H.biWidth});
    const PickedAxis Down = PickAxis(
        {D0.y(), D1.y(), Visible.top(), Visible.bottom() + 1, Top, Top + HS, std::abs(H.biHeight)});
    auto O = std::make_unique<GdiObject>();
    O->Kind = GdiKind::Bitmap;
    O->Bitmap = ReadDibPixels(Info, Bits, Usage, D->S.Palette, Across.Source, Down.Source);
    if (!O->Bitmap) return 0;
    const HBITMAP Temp = AddObject(std::move(O));
    const HDC Mem = CreateCompatibleDC(Dc);
    const HGDIOBJ Old = SelectObject(Mem, Temp);
    StretchBlt(Dc, XD, YD, WD, HD, Mem, Across.From(), Down.From(), Across.Extent(), Down.Extent(),
               Rop);
    SelectObject(Mem, Old);
    DeleteDC(Mem);
    DeleteObject(Temp);
    return HS;
}

int SetDIBitsToDevice(HDC Dc, int XD, int YD, DWORD Width, DWORD Height, int XS, int YS, UINT, UINT,
                      const void *Bits, const BITMAPINFO *Info, UINT Usage)
{
    const int W = static_cast<int>(Width), H = static_cast<int>(Height);
    return StretchDIBits(Dc, XD, YD, W, H, XS, YS, W, H, Bits, Info, Usage, SRCCOPY);
}
