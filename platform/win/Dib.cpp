#include "platform/win/Dib.h"

#include "platform/win/DeviceContext.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace win
{

const RGBQUAD *ColorTable(const BITMAPINFO *Info)
{
    return reinterpret_cast<const RGBQUAD *>(
        reinterpret_cast<const BYTE *>(Info) + Info->bmiHeader.biSize +
        (Info->bmiHeader.biCompression == BI_BITFIELDS &&
                 Info->bmiHeader.biSize == sizeof(BITMAPINFOHEADER)
             ? 3 * sizeof(DWORD)
             : 0));
}

int TableSize(const BITMAPINFOHEADER &H)
{
    if (H.biBitCount > 8) return 0;
    const int Full = 1 << H.biBitCount;
    return H.biClrUsed ? std::min<int>(static_cast<int>(H.biClrUsed), Full) : Full;
}

namespace
{

bool Supported(const BITMAPINFOHEADER &H)
{
    const bool Depth = H.biBitCount == 1 || H.biBitCount == 4 || H.biBitCount == 8 ||
                       H.biBitCount == 24 || H.biBitCount == 32;
    const bool Compression =
        H.biCompression == BI_RGB || (H.biCompression == BI_BITFIELDS && H.biBitCount == 32);
    // The most negative height has no row count: its magnitude does not fit.
    return Depth && Compression && H.biWidth > 0 && H.biHeight != 0 &&
           H.biHeight != std::numeric_limits<LONG>::min() && H.biPlanes <= 1;
}

void LoadTable(BitmapData &B, const BITMAPINFO *Info, UINT Usage, HPALETTE Palette)
{
    const int N = TableSize(Info->bmiHeader);
    if (!N) return;
    B.Colors.assign(static_cast<std::size_t>(1) << B.Bpp, RGBQUAD{0, 0, 0, 0});
    if (Usage == DIB_PAL_COLORS) {
        const auto *Indexes = reinterpret_cast<const WORD *>(ColorTable(Info));
        const PaletteData *P = PaletteOf(Palette);
        for (int I = 0; I < N && P; ++I)
            if (Indexes[I] < P->Entries.size()) {
                const PALETTEENTRY &E = P->Entries[Indexes[I]];
                B.Colors[static_cast<std::size_t>(I)] = RGBQUAD{E.peBlue, E.peGreen, E.peRed, 0};
            }
        return;
    }
    std::copy_n(ColorTable(Info), N, B.Colors.begin());
}

// Rows of a DIB are aligned to four bytes.
std::size_t RowBytes(int Width, int Bpp)
{
    return (static_cast<std::size_t>(Width) * static_cast<std::size_t>(Bpp) + 31) / 32 * 4;
}

void SelectionInfo(BITMAPINFOHEADER &H, const BitmapData &B)
{
    H.biWidth = B.Width;
    H.biHeight = B.Height;
    H.biPlanes = 1;
    if (H.biBitCount == 0) H.biBitCount = static_cast<WORD>(B.Dib ? B.Bpp : (B.Bpp == 1 ? 1 : 32));
    H.biCompression = BI_RGB;
    H.biSizeImage = static_cast<DWORD>(RowBytes(B.Width, H.biBitCount) * B.Height);
}

} // namespace

std::unique_ptr<BitmapData> ReadDib(const BITMAPINFO *Info, UINT Usage, HPALETTE Palette)
{
    if (!Info || !Supported(Info->bmiHeader)) return nullptr;
    const BITMAPINFOHEADER &H = Info->bmiHeader;
    auto B = MakeBitmap(H.biWidth, std::abs(H.biHeight), H.biBitCount, true, H.biHeight < 0);
    if (B->Image.isNull()) return nullptr;
    LoadTable(*B, Info, Usage, Palette);
    return B;
}

std::unique_ptr<BitmapData> ReadDibPixels(const BITMAPINFO *Info, const void *Bits, UINT Usage,
                                          HPALETTE Palette, const std::vector<int> &Columns,
                                          const std::vector<int> &Rows)
{
    if (!Info || !Bits || !Supported(Info->bmiHeader)) return nullptr;
    const BITMAPINFOHEADER &H = Info->bmiHeader;
    // The DIB's format alone: its pixels stay where the caller keeps them.
    BitmapData Format;
    Format.Width = H.biWidth;
    Format.Height = std::abs(H.biHeight);
    Format.Bpp = H.biBitCount;
    Format.Dib = true;
    Format.TopDown = H.biHeight < 0;
    LoadTable(Format, Info, Usage, Palette);
    const std::size_t Stride = RowBytes(Format.Width, Format.Bpp);
    auto Out = MakeBitmap(static_cast<int>(Columns.size()), static_cast<int>(Rows.size()), 32,
                          false, true);
    for (std::size_t I = 0; I < Rows.size(); ++I) {
        const int Y = Format.TopDown ? Rows[I] : Format.Height - 1 - Rows[I];
        const BYTE *Row = static_cast<const BYTE *>(Bits) + static_cast<std::size_t>(Y) * Stride;
        auto *Dst = reinterpret_cast<QRgb *>(Out->Image.scanLine(static_cast<int>(I)));
        for (std::size_t J = 0; J < Columns.size(); ++J)
            Dst[J] = Format.ColorAt(Row, Columns[J]);
    }
    return Out;
}

BITMAPINFO TopDownBitmapInfo32(int Width, int Height)
{
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info.bmiHeader.biWidth = Width;
    Info.bmiHeader.biHeight = -Height; // a negative height puts the top row first
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    return Info;
}

} // namespace win

using namespace win;

HBITMAP CreateBitmap(int Width, int Height, UINT Planes, UINT BitCount, const void *Bits)
{
    if (Width < 0 || Height < 0 || Planes > 1) return {};
    auto O = std::make_unique<GdiObject>();
    O->Kind = GdiKind::Bitmap;
    const int Bpp = BitCount == 1 ? 1 : 32;
    O->Bitmap = MakeBitmap(Width, Height, Bpp, false, true);
    if (Bits) {
        BitmapData &B = *O->Bitmap;
        // Device-dependent bitmap rows are word aligned.
        const int Stride = ((Width * static_cast<int>(BitCount) + 15) & ~15) / 8;
        const auto *Src = static_cast<const BYTE *>(Bits);
        for (int Y = 0; Y < Height; ++Y)
            for (int X = 0; X < Width; ++X) {
                const BYTE *Row = Src + Y * Stride;
                QRgb P = 0;
                if (BitCount == 1)
                    P = (Row[X >> 3] & (0x80 >> (X & 7))) ? 0xFFFFFFFF : 0xFF000000;
                else if (BitCount == 32)
                    P = qRgb(Row[X * 4 + 2], Row[X * 4 + 1], Row[X * 4]);
                else if (BitCount == 24)
                    P = qRgb(Row[X * 3 + 2], Row[X * 3 + 1], Row[X * 3]);
                B.Image.setPixel(X, Y, P);
            }
    }
    return AddObject(std::move(O));
}

HBITMAP CreateCompatibleBitmap(HDC Dc, int Width, int Height)
{
    // A memory DC still holding its default bitmap is monochrome, and so is
    // what is made compatible with it.
    const DeviceContext *D = FindDc(Dc);
    const BitmapData *Selected = D && D->Kind == DcKind::Memory ? BitmapOf(D->S.Bitmap) : nullptr;
    return CreateBitmap(Width, Height, 1, Selected && Selected->Bpp == 1 && !Selected->Dib ? 1 : 32,
                        nullptr);
}

HBITMAP CreateDIBSection(HDC Dc, const BITMAPINFO *Info, UINT Usage, void **Bits, HANDLE, DWORD)
{
    const DeviceContext *D = FindDc(Dc);
    std::unique_ptr<BitmapData> B;
    try {
        B = ReadDib(Info, Usage, D ? D->S.Palette : HPALETTE{});
    } catch (const std::bad_alloc &) {
        // A section the system cannot give fails as GDI's does, with no handle.
    }
    if (!B) return {};
    if (Bits) *Bits = B->Bits.data();
    auto O = std::make_unique<GdiObject>();
    O->Kind = GdiKind::Bitmap;
    O->Bitmap = std::move(B);
    return AddObject(std::move(O));
}

HBITMAP CreateDIBitmap(HDC Dc, const BITMAPINFOHEADER *Header, DWORD Init, const void *Bits,
                       const BITMAPINFO *Info, UINT Usage)
{
    if (!Header || Header->biHeight == std::numeric_limits<LONG>::min()) return {};
    const HBITMAP Bitmap = CreateCompatibleBitmap(Dc, Header->biWidth, std::abs(Header->biHeight));
    if (Bitmap && (Init & CBM_INIT) && Info)
        SetDIBits(Dc, Bitmap, 0, static_cast<UINT>(std::abs(Header->biHeight)), Bits, Info, Usage);
    return Bitmap;
}

int GetDIBits(HDC, HBITMAP Bitmap, UINT Start, UINT Lines, LPVOID Bits, BITMAPINFO *Info, UINT)
{
    BitmapData *B = BitmapOf(Bitmap);
    if (!B || !Info) return 0;
    BITMAPINFOHEADER &H = Info->bmiHeader;
    const bool TopDown = H.biHeight < 0 && Bits;
    SelectionInfo(H, *B);
    if (!Bits) return 1;
    B->Pull(QRect(0, 0, B->Width, B->Height));
    const int Bpp = H.biBitCount;
    const bool Raw = B->Dib && B->Bpp == Bpp;
    if (Bpp <= 8 && !Raw && !(Bpp == 1 && B->Bpp == 1)) return 0;
    auto Out = MakeBitmap(B->Width, B->Height, Bpp, true, TopDown);
    if (Bpp <= 8) {
        Out->Colors = Raw ? B->Colors : std::vector<RGBQUAD>{{0, 0, 0, 0}, {255, 255, 255, 0}};
        std::copy(Out->Colors.begin(), Out->Colors.end(), const_cast<RGBQUAD *>(ColorTable(Info)));
        H.biClrUsed = 0;
    }
    if (Raw) {
        for (int Y = 0; Y < B->Height; ++Y)
            std::memcpy(Out->Row(Y), B->Row(Y), static_cast<std::size_t>(Out->Stride));
    } else {
        Out->Image = B->Image.copy(0, 0, B->Width, B->Height);
        Out->Push(QRect(0, 0, B->Width, B->Height));
        if (Bpp == 32)
            for (std::size_t I = 3; I < Out->Bits.size(); I += 4)
                Out->Bits[I] = 0;
    }
    // Scan lines are counted in memory order: from the bottom for bottom-up DIBs.
    const UINT Count =
        std::min<UINT>(Lines, static_cast<UINT>(std::max(0, B->Height - static_cast<int>(Start))));
    const std::size_t Stride = static_cast<std::size_t>(Out->Stride);
    std::memcpy(Bits, Out->Bits.data() + Start * Stride, Count * Stride);
    return static_cast<int>(Count);
}

int SetDIBits(HDC Dc, HBITMAP Bitmap, UINT Start, UINT Lines, const void *Bits,
              const BITMAPINFO *Info, UINT Usage)
{
    BitmapData *B = BitmapOf(Bitmap);
    const DeviceContext *D = FindDc(Dc);
    if (!B || !Info || !Bits) return 0;
    auto Src = ReadDib(Info, Usage, D ? D->S.Palette : HPALETTE{});
    if (!Src) return 0;
    const UINT Count = std::min<UINT>(
        Lines, static_cast<UINT>(std::max(0, Src->Height - static_cast<int>(Start))));
    const std::size_t Stride = static_cast<std::size_t>(Src->Stride);
    std::memcpy(Src->Bits.data() + Start * Stride, Bits, Count * Stride);
    Src->Pull(QRect(0, 0, Src->Width, Src->Height));
    const bool SameFormat = B->Dib && B->Bpp == Src->Bpp && B->Width == Src->Width &&
                            B->Height == Src->Height && B->TopDown == Src->TopDown;
    for (UINT I = Start; I < Start + Count; ++I) {
        const int Y = Src->TopDown ? static_cast<int>(I) : Src->Height - 1 - static_cast<int>(I);
        if (Y >= B->Height) continue;
        const int Width = std::min(B->Width, Src->Width);
        std::memcpy(B->Image.scanLine(Y), Src->Image.constScanLine(Y),
                    static_cast<std::size_t>(Width) * 4);
        if (SameFormat)
            std::memcpy(B->Row(Y), Src->Row(Y), Stride);
        else
            B->Push(QRect(0, Y, Width, 1));
    }
    return static_cast<int>(Count);
}

UINT GetDIBColorTable(HDC Dc, UINT Start, UINT Entries, RGBQUAD *Colors)
{
    const DeviceContext *D = FindDc(Dc);
    const BitmapData *B = D ? BitmapOf(D->S.Bitmap) : nullptr;
    if (!B || !B->Dib || !Colors || Start >= B->Colors.size()) return 0;
    const UINT N = std::min<UINT>(Entries, static_cast<UINT>(B->Colors.size()) - Start);
    std::copy_n(B->Colors.begin() + Start, N, Colors);
    return N;
}

UINT SetDIBColorTable(HDC Dc, UINT Start, UINT Entries, const RGBQUAD *Colors)
{
    const DeviceContext *D = FindDc(Dc);
    BitmapData *B = D ? BitmapOf(D->S.Bitmap) : nullptr;
    if (!B || !B->Dib || !Colors || Start >= B->Colors.size()) return 0;
    const UINT N = std::min<UINT>(Entries, static_cast<UINT>(B->Colors.size()) - Start);
    std::copy_n(Colors, N, B->Colors.begin() + Start);
    return N;
}

LONG GetBitmapBits(HBITMAP Bitmap, LONG Count, LPVOID Bits)
{
    BitmapData *B = BitmapOf(Bitmap);
    if (!B || !Bits) return 0;
    B->Pull(QRect(0, 0, B->Width, B->Height));
    const LONG Size = std::min<LONG>(Count, B->Width * B->Height * 4);
    LONG Done = 0;
    auto *Out = static_cast<BYTE *>(Bits);
    for (int Y = 0; Y < B->Height && Done < Size; ++Y) {
        const LONG N = std::min<LONG>(Size - Done, B->Width * 4);
        std::memcpy(Out + Done, B->Image.constScanLine(Y), static_cast<std::size_t>(N));
        Done += N;
    }
    return Done;
}

BOOL GetBitmapDimensionEx(HBITMAP Bitmap, LPSIZE Size)
{
    if (!BitmapOf(Bitmap) || !Size) return FALSE;
    *Size = SIZE{0, 0};
    return TRUE;
}
