#include "platform/win/ImageList.h"

#include "platform/win/GdiObjects.h"
#include "platform/win/HandleTable.h"
#include "platform/win/Icon.h"
#include "platform/win/SysParams.h"

#include <QPainter>

namespace win
{
namespace
{

struct ImageListData {
    int Cx = 16;
    int Cy = 16;
    UINT Flags = 0;
    COLORREF Bk = CLR_NONE;
    std::vector<QImage> Images; // ARGB32, straight alpha
};

THandleTable<HIMAGELIST, ImageListData> &Lists()
{
    return ProcessWideTable<HIMAGELIST, ImageListData, 0xC0000>();
}

ImageListData *ListOf(HIMAGELIST List)
{
    return Lists().Find(List);
}

HIMAGELIST AddList(std::unique_ptr<ImageListData> Data)
{
    return Lists().Add(std::move(Data));
}

// The bitmap's pixels with alpha: its own alpha bytes if a 32-bit DIB has any,
// else opaque where the mask is black (or everywhere without a mask).
QImage WithAlpha(HBITMAP Image, HBITMAP Mask)
{
    BitmapData *B = BitmapOf(Image);
    if (!B) return QImage();
    B->Pull(QRect(0, 0, B->Width, B->Height));
    QImage Out = B->Image.copy(0, 0, B->Width, B->Height).convertToFormat(QImage::Format_ARGB32);
    bool HasAlpha = false;
    if (B->Dib && B->Bpp == 32)
        for (int Y = 0; Y < B->Height && !HasAlpha; ++Y)
            for (int X = 0; X < B->Width; ++X)
                HasAlpha |= B->Row(Y)[X * 4 + 3] != 0;
    BitmapData *M = BitmapOf(Mask);
    if (M) M->Pull(QRect(0, 0, M->Width, M->Height));
    for (int Y = 0; Y < Out.height(); ++Y) {
        auto *Px = reinterpret_cast<QRgb *>(Out.scanLine(Y));
        for (int X = 0; X < Out.width(); ++X) {
            QRgb A = 255;
            if (HasAlpha)
                A = B->Row(Y)[X * 4 + 3];
            else if (M && M->Image.valid(X, Y) && (M->Image.pixel(X, Y) & 0xFFFFFF))
                A = 0;
            Px[X] = (Px[X] & 0xFFFFFF) | (A << 24);
        }
    }
    return Out;
}

// Cuts a strip into list-sized images.
std::vector<QImage> Cut(const ImageListData &L, const QImage &Strip)
{
    std::vector<QImage> Out;
    for (int X = 0; X + L.Cx <= Strip.width(); X += L.Cx)
        Out.push_back(Strip.copy(X, 0, L.Cx, L.Cy));
    return Out;
}

int Append(ImageListData &L, const std::vector<QImage> &Images)
{
    if (Images.empty()) return -1;
    const int First = static_cast<int>(L.Images.size());
    L.Images.insert(L.Images.end(), Images.begin(), Images.end());
    return First;
}

QImage Fit(const ImageListData &L, const QImage &Image)
{
    return Image.size() == QSize(L.Cx, L.Cy)
               ? Image
               : Image.scaled(L.Cx, L.Cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage Blended(const QImage &Image, COLORREF With, int Percent)
{
    QImage Out = Image;
    const QRgb C = ToRgb(With);
    for (int Y = 0; Y < Out.height(); ++Y) {
        auto *Px = reinterpret_cast<QRgb *>(Out.scanLine(Y));
        for (int X = 0; X < Out.width(); ++X) {
            auto Mix = [&](int A, int B) { return (A * (100 - Percent) + B * Percent + 50) / 100; };
            Px[X] = qRgba(Mix(qRed(Px[X]), qRed(C)), Mix(qGreen(Px[X]), qGreen(C)),
                          Mix(qBlue(Px[X]), qBlue(C)), qAlpha(Px[X]));
        }
    }
    return Out;
}

QImage MaskPicture(const QImage &Image)
{
    QImage Out(Image.size(), QImage::Format_ARGB32);
    for (int Y = 0; Y < Image.height(); ++Y)
        for (int X = 0; X < Image.width(); ++X)
            Out.setPixel(X, Y, qAlpha(Image.pixel(X, Y)) ? 0xFF000000 : 0xFFFFFFFF);
    return Out;
}

} // namespace
} // namespace win

using namespace win;

HIMAGELIST ImageList_Create(int Cx, int Cy, UINT Flags, int, int)
{
    if (Cx <= 0 || Cy <= 0) return {};
    auto L = std::make_unique<ImageListData>();
    L->Cx = Cx;
    L->Cy = Cy;
    L->Flags = Flags;
    return AddList(std::move(L));
}

BOOL ImageList_Destroy(HIMAGELIST List)
{
    return Lists().Remove(List) ? TRUE : FALSE;
}

int ImageList_GetImageCount(HIMAGELIST List)
{
    const ImageListData *L = ListOf(List);
    return L ? static_cast<int>(L->Images.size()) : 0;
}

BOOL ImageList_SetImageCount(HIMAGELIST List, UINT Count)
{
    ImageListData *L = ListOf(List);
    if (!L) return FALSE;
    QImage Blank(L->Cx, L->Cy, QImage::Format_ARGB32);
    Blank.fill(0);
    L->Images.resize(Count, Blank);
    return TRUE;
}

BOOL ImageList_GetIconSize(HIMAGELIST List, int *Cx, int *Cy)
{
    const ImageListData *L = ListOf(List);
    if (!L || !Cx || !Cy) return FALSE;
    *Cx = L->Cx;
    *Cy = L->Cy;
    return TRUE;
}

BOOL ImageList_SetIconSize(HIMAGELIST List, int Cx, int Cy)
{
    ImageListData *L = ListOf(List);
    if (!L || Cx <= 0 || Cy <= 0) return FALSE;
    L->Cx = Cx;
    L->Cy = Cy;
    L->Images.clear();
    return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST List, COLORREF Color)
{
    ImageListData *L = ListOf(List);
    if (!L) return CLR_NONE;
    const COLORREF Old = L->Bk;
    L->Bk = Color;
    return Old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST List)
{
    const ImageListData *L = ListOf(List);
    return L ? L->Bk : CLR_NONE;
}

int ImageList_Add(HIMAGELIST List, HBITMAP Image, HBITMAP Mask)
{
    ImageListData *L = ListOf(List);
    if (!L || !BitmapOf(Image)) return -1;
    return Append(*L, Cut(*L, WithAlpha(Image, (L->Flags & ILC_MASK) ? Mask : HBITMAP{})));
}

int ImageList_AddMasked(HIMAGELIST List, HBITMAP Image, COLORREF MaskColor)
{
    ImageListData *L = ListOf(List);
    if (!L || !BitmapOf(Image)) return -1;
    QImage Strip = WithAlpha(Image, {});
    const QRgb Key = ToRgb(MaskColor) & 0xFFFFFF;
    for (int Y = 0; Y < Strip.height(); ++Y) {
        auto *Px = reinterpret_cast<QRgb *>(Strip.scanLine(Y));
        for (int X = 0; X < Strip.width(); ++X)
            if ((Px[X] & 0xFFFFFF) == Key) Px[X] = Key;
    }
    return Append(*L, Cut(*L, Strip));
}

int ImageList_ReplaceIcon(HIMAGELIST List, int Index, HICON Icon)
{
    ImageListData *L = ListOf(List);
    const IconData *I = IconOf(Icon);
    if (!L || !I) return -1;
    const QImage Picture = Fit(*L, I->Picture);
    if (Index == -1) return Append(*L, {Picture});
    if (Index < 0 || Index >= static_cast<int>(L->Images.size())) return -1;
    L->Images[static_cast<std::size_t>(Index)] = Picture;
    return Index;
}

BOOL ImageList_Replace(HIMAGELIST List, int Index, HBITMAP Image, HBITMAP Mask)
{
    ImageListData *L = ListOf(List);
    if (!L || Index < 0 || Index >= static_cast<int>(L->Images.size())) return FALSE;
    const std::vector<QImage> Parts =
        Cut(*L, WithAlpha(Image, (L->Flags & ILC_MASK) ? Mask : HBITMAP{}));
    if (Parts.empty()) return FALSE;
    L->Images[static_cast<std::size_t>(Index)] = Parts.front();
    return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST List, int Index)
{
    ImageListData *L = ListOf(List);
    if (!L) return FALSE;
    if (Index == -1) {
        L->Images.clear();
        return TRUE;
    }
    if (Index < 0 || Index >= static_cast<int>(L->Images.size())) return FALSE;
    L->Images.erase(L->Images.begin() + Index);
    return TRUE;
}

HICON ImageList_GetIcon(HIMAGELIST List, int Index, UINT)
{
    const ImageListData *L = ListOf(List);
    if (!L || Index < 0 || Index >= static_cast<int>(L->Images.size())) return {};
    IconData D;
    D.Picture = L->Images[static_cast<std::size_t>(Index)];
    D.Color = D.Picture;
    D.Mask = MaskPicture(D.Picture).convertToFormat(QImage::Format_RGB32);
    return NewIcon(std::move(D));
}

BOOL ImageList_DrawEx(HIMAGELIST List, int Index, HDC Dc, int X, int Y, int Dx, int Dy, COLORREF Bk,
                      COLORREF Fg, UINT Style)
{
    const ImageListData *L = ListOf(List);
    if (!L || Index < 0 || Index >= static_cast<int>(L->Images.size())) return FALSE;
    QImage Picture = L->Images[static_cast<std::size_t>(Index)];
    const int W = Dx ? Dx : L->Cx, H = Dy ? Dy : L->Cy;
    if (Bk == CLR_DEFAULT) Bk = L->Bk;
    if (Style & ILD_MASK) {
        DrawPicture(Dc, MaskPicture(Picture), X, Y, W, H);
        return TRUE;
    }
    if (Bk != CLR_NONE && !(Style & ILD_TRANSPARENT)) {
        const RECT R{X, Y, X + W, Y + H};
        const HBRUSH Brush = CreateSolidBrush(Bk);
        FillRect(Dc, &R, Brush);
        DeleteObject(Brush);
    }
    if (Style & (ILD_BLEND25 | ILD_BLEND50))
        Picture = Blended(Picture,
                          (Fg == CLR_DEFAULT || Fg == CLR_NONE) ? GetSysColor(COLOR_HIGHLIGHT) : Fg,
                          (Style & ILD_BLEND50) ? 50 : 25);
    DrawPicture(Dc, Picture, X, Y, W, H);
    return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST List, int Index, HDC Dc, int X, int Y, UINT Style)
{
    return ImageList_DrawEx(List, Index, Dc, X, Y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, Style);
}

BOOL ImageList_Copy(HIMAGELIST Dest, int IndexDest, HIMAGELIST Src, int IndexSrc, UINT Flags)
{
    ImageListData *D = ListOf(Dest), *S = ListOf(Src);
    if (!D || !S || D != S) return FALSE; // Win32 copies only within one list
    const int N = static_cast<int>(D->Images.size());
    if (IndexDest < 0 || IndexDest >= N || IndexSrc < 0 || IndexSrc >= N) return FALSE;
    if (Flags & ILCF_SWAP)
        std::swap(D->Images[static_cast<std::size_t>(IndexDest)],
                  D->Images[static_cast<std::size_t>(IndexSrc)]);
    else
        D->Images[static_cast<std::size_t>(IndexDest)] =
            D->Images[static_cast<std::size_t>(IndexSrc)];
    return TRUE;
}

HIMAGELIST ImageList_Duplicate(HIMAGELIST List)
{
    const ImageListData *L = ListOf(List);
    return L ? AddList(std::make_unique<ImageListData>(*L)) : HIMAGELIST{};
}
