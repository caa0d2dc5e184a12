#include "platform/win/Icon.h"

#include "platform/win/DeviceContext.h"
#include "platform/win/HandleTable.h"

#include <QApplication>
#include <QStyle>

#include <array>
#include <cstring>

namespace win
{
namespace
{

THandleTable<HICON, IconData> &Icons()
{
    return ProcessWideTable<HICON, IconData, 0x80000>();
}

// The colour bitmap with the alpha bytes its bits hold (255 where it has none).
QImage ColorWithAlpha(BitmapData &B, bool *HasAlpha)
{
    B.Pull(QRect(0, 0, B.Width, B.Height));
    QImage Out = B.Image.copy(0, 0, B.Width, B.Height).convertToFormat(QImage::Format_ARGB32);
    *HasAlpha = false;
    if (!(B.Dib && B.Bpp == 32)) return Out;
    for (int Y = 0; Y < B.Height; ++Y) {
        const BYTE *Row = B.Row(Y);
        auto *Px = reinterpret_cast<QRgb *>(Out.scanLine(Y));
        for (int X = 0; X < B.Width; ++X) {
            const BYTE A = Row[X * 4 + 3];
            *HasAlpha |= A != 0;
            Px[X] = (Px[X] & 0xFFFFFF) | (QRgb(A) << 24);
        }
    }
    return Out;
}

HBITMAP BitmapFrom(const QImage &Image, bool Mono)
{
    if (Mono) {
        const HBITMAP H = CreateBitmap(Image.width(), Image.height(), 1, 1, nullptr);
        BitmapOf(H)->Image = Image.convertToFormat(QImage::Format_RGB32);
        return H;
    }
    BITMAPINFO Info{};
    Info.bmiHeader = BITMAPINFOHEADER{
        sizeof(BITMAPINFOHEADER), Image.width(), Image.height(), 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void *Bits = nullptr;
    const HBITMAP H = CreateDIBSection({}, &Info, DIB_RGB_COLORS, &Bits, {}, 0);
    BitmapData *B = BitmapOf(H);
    for (int Y = 0; Y < Image.height(); ++Y)
        std::memcpy(B->Row(Y), Image.constScanLine(Y), static_cast<std::size_t>(Image.width()) * 4);
    B->Pull(QRect(0, 0, B->Width, B->Height));
    return H;
}

// The system icons are the widget style's message-box pictures at the 32-pixel size
// Windows gives them.
IconData StyleIcon(QStyle::StandardPixmap Kind)
{
    constexpr int Size = 32;
    IconData D;
    D.Picture = QApplication::style()
                    ->standardIcon(Kind)
                    .pixmap(Size, Size)
                    .toImage()
                    .scaled(Size, Size)
                    .convertToFormat(QImage::Format_ARGB32);
    D.Color = D.Picture;
    D.Mask = QImage(Size, Size, QImage::Format_RGB32);
    for (int Y = 0; Y < Size; ++Y)
        for (int X = 0; X < Size; ++X)
            D.Mask.setPixel(X, Y, qAlpha(D.Picture.pixel(X, Y)) ? 0xFF000000 : 0xFFFFFFFF);
    return D;
}

} // namespace

IconData *IconOf(HICON Icon)
{
    return Icons().Find(Icon);
}

HICON NewIcon(IconData Data)
{
    return Icons().Add(std::make_unique<IconData>(std::move(Data)));
}

void DrawPicture(HDC Handle, const QImage &Picture, int X, int Y, int Width, int Height)
{
    DeviceContext *Dc = FindDc(Handle);
    if (!Dc || Picture.isNull()) return;
    const QRect R = ToDevice(*Dc, RECT{X, Y, X + Width, Y + Height});
    DrawScope Scope(*Dc, R);
    if (!Scope.Valid()) return;
    const QImage Scaled =
        Picture.size() == R.size()
            ? Picture
            : Picture.scaled(R.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    const QRegion Area = Scope.Parts(R);
    const QPoint O = Scope.Origin() + R.topLeft();
    for (const QRect &Part : Area) {
        for (int Py = Part.top(); Py <= Part.bottom(); ++Py) {
            auto *Row = Scope.Row(Py);
            const auto *Src = reinterpret_cast<const QRgb *>(Scaled.constScanLine(Py - O.y()));
            for (int Px = Part.left(); Px <= Part.right(); ++Px) {
                const QRgb S = Src[Px - O.x()];
                const int A = qAlpha(S);
                if (A == 0) continue;
                const QRgb D = Row[Px];
                auto Mix = [A](int Sc, int Dc) { return (Sc * A + Dc * (255 - A) + 127) / 255; };
                Row[Px] =
                    qRgb(Mix(qRed(S), qRed(D)), Mix(qGreen(S), qGreen(D)), Mix(qBlue(S), qBlue(D)));
            }
        }
    }
}

} // namespace win

using namespace win;

// A 32-bit colour bitmap whose alpha bytes are all zero is drawn through its
// mask, as Windows does; otherwise its alpha decides.
HICON CreateIconIndirect(ICONINFO *Info)
{
    if (!Info) return {};
    BitmapData *Color = BitmapOf(Info->hbmColor);
    BitmapData *Mask = BitmapOf(Info->hbmMask);
    if (!Color || !Mask) return {};
    IconData D;
    D.IsIcon = Info->fIcon;
    D.HotSpot = POINT{static_cast<LONG>(Info->xHotspot), static_cast<LONG>(Info->yHotspot)};
    bool HasAlpha = false;
    D.Color = ColorWithAlpha(*Color, &HasAlpha);
    Mask->Pull(QRect(0, 0, Mask->Width, Mask->Height));
    D.Mask = Mask->Image.copy(0, 0, Color->Width, Color->Height);
    D.Picture = D.Color;
    for (int Y = 0; Y < D.Picture.height(); ++Y) {
        auto *Px = reinterpret_cast<QRgb *>(D.Picture.scanLine(Y));
        for (int X = 0; X < D.Picture.width(); ++X) {
            const bool Transparent = D.Mask.valid(X, Y) && (D.Mask.pixel(X, Y) & 0xFFFFFF);
            const QRgb A = HasAlpha ? qAlpha(Px[X]) : (Transparent ? 0 : 255);
            Px[X] = (Px[X] & 0xFFFFFF) | (A << 24);
        }
    }
    return NewIcon(std::move(D));
}

BOOL DestroyIcon(HICON Icon)
{
    return Icons().Remove(Icon) ? TRUE : FALSE;
}

HICON CopyIcon(HICON Icon)
{
    const IconData *D = IconOf(Icon);
    return D ? NewIcon(*D) : HICON{};
}

BOOL GetIconInfo(HICON Icon, ICONINFO *Info)
{
    const IconData *D = IconOf(Icon);
    if (!D || !Info) return FALSE;
    Info->fIcon = D->IsIcon;
    Info->xHotspot = static_cast<DWORD>(D->HotSpot.x);
    Info->yHotspot = static_cast<DWORD>(D->HotSpot.y);
    Info->hbmMask = BitmapFrom(D->Mask, true);
    Info->hbmColor = BitmapFrom(D->Color, false);
    return TRUE;
}

BOOL DrawIconEx(HDC Dc, int X, int Y, HICON Icon, int Width, int Height, UINT, HBRUSH Background,
                UINT Flags)
{
    const IconData *D = IconOf(Icon);
    if (!D || !FindDc(Dc)) return FALSE;
    if (Width == 0) Width = D->Picture.width();
    if (Height == 0) Height = D->Picture.height();
    if (Background) {
        const RECT R{X, Y, X + Width, Y + Height};
        FillRect(Dc, &R, Background);
    }
    if ((Flags & DI_NORMAL) == DI_NORMAL) {
        DrawPicture(Dc, D->Picture, X, Y, Width, Height);
        return TRUE;
    }
    // The mask or the image alone, as opaque pictures.
    QImage Plain =
        (Flags & DI_MASK)
            ? D->Mask.convertToFormat(QImage::Format_ARGB32)
            : D->Color.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_ARGB32);
    DrawPicture(Dc, Plain, X, Y, Width, Height);
    return TRUE;
}

HICON LoadIconW(HINSTANCE Instance, LPCWSTR Name)
{
    constexpr ULONG_PTR First = 32512;
    static const std::array<QStyle::StandardPixmap, 5> Kinds = {
        QStyle::SP_DesktopIcon, QStyle::SP_MessageBoxCritical, QStyle::SP_MessageBoxQuestion,
        QStyle::SP_MessageBoxWarning, QStyle::SP_MessageBoxInformation};
    static std::array<HICON, 5> Loaded{};
    const auto Id = reinterpret_cast<ULONG_PTR>(Name);
    if (Instance || Id < First || Id >= First + Kinds.size() || !qApp) return {};
    HICON &Icon = Loaded[Id - First];
    if (!Icon) Icon = NewIcon(StyleIcon(Kinds[Id - First]));
    return Icon;
}

BOOL DrawIcon(HDC Dc, int X, int Y, HICON Icon)
{
    return DrawIconEx(Dc, X, Y, Icon, 0, 0, 0, {}, DI_NORMAL);
}
