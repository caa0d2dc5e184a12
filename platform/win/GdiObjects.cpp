#include "platform/win/GdiObjects.h"

#include "platform/win/HandleTable.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <type_traits>

#include <sys/mman.h>
#include <unistd.h>

namespace win
{
namespace
{

THandleTable<HGDIOBJ, GdiObject> &Objects()
{
    return ProcessWideTable<HGDIOBJ, GdiObject, 0x2000>();
}

// Each stock object is made once, when first asked for, and never deleted.
struct StockTable {
    std::mutex Mutex;
    std::map<int, HGDIOBJ> Objects;
};

StockTable &Stock()
{
    static StockTable T;
    return T;
}

std::unique_ptr<GdiObject> MakeObject(GdiKind Kind)
{
    auto O = std::make_unique<GdiObject>();
    O->Kind = Kind;
    return O;
}

HGDIOBJ MakePen(UINT Style, int Width, COLORREF Color)
{
    auto O = MakeObject(GdiKind::Pen);
    O->Pen = PenData{Style, std::max(Width, 1), Color & 0xFFFFFF};
    return AddObject(std::move(O));
}

HGDIOBJ MakeBrush(UINT Style, COLORREF Color, int Hatch)
{
    auto O = MakeObject(GdiKind::Brush);
    O->Brush.Style = Style;
    O->Brush.Color = Color & 0xFFFFFF;
    O->Brush.Hatch = Hatch;
    return AddObject(std::move(O));
}

LOGFONTW GuiFont()
{
    LOGFONTW F{};
    F.lfHeight = -11;
    F.lfWeight = FW_NORMAL;
    F.lfCharSet = DEFAULT_CHARSET;
    const char16_t Face[] = u"Tahoma";
    std::copy(std::begin(Face), std::end(Face), F.lfFaceName);
    return F;
}

HGDIOBJ MakeStock(int Index)
{
    switch (Index) {
    case WHITE_BRUSH:
        return MakeBrush(BS_SOLID, RGB(255, 255, 255), 0);
    case LTGRAY_BRUSH:
        return MakeBrush(BS_SOLID, RGB(192, 192, 192), 0);
    case GRAY_BRUSH:
        return MakeBrush(BS_SOLID, RGB(128, 128, 128), 0);
    case DKGRAY_BRUSH:
        return MakeBrush(BS_SOLID, RGB(64, 64, 64), 0);
    case BLACK_BRUSH:
        return MakeBrush(BS_SOLID, 0, 0);
    case NULL_BRUSH:
        return MakeBrush(BS_NULL, 0, 0);
    case WHITE_PEN:
        return MakePen(PS_SOLID, 1, RGB(255, 255, 255));
    case BLACK_PEN:
        return MakePen(PS_SOLID, 1, 0);
    case NULL_PEN:
        return MakePen(PS_NULL, 1, 0);
    case DC_BRUSH:
        return MakeBrush(BS_SOLID, RGB(255, 255, 255), 0);
    case DC_PEN:
        return MakePen(PS_SOLID, 1, 0);
    case DEFAULT_PALETTE: {
        // The twenty static colours of the system palette.
        static const PALETTEENTRY Static[20] = {
            {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
            {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
            {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
            {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
            {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0}};
        auto O = MakeObject(GdiKind::Palette);
        O->Palette.Entries.assign(std::begin(Static), std::end(Static));
        return AddObject(std::move(O));
    }
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT: {
        auto O = MakeObject(GdiKind::Font);
        O->Font.Log = GuiFont();
        const char16_t Face[] = u"Courier New";
        std::fill(std::begin(O->Font.Log.lfFaceName), std::end(O->Font.Log.lfFaceName), 0);
        std::copy(std::begin(Face), std::end(Face), O->Font.Log.lfFaceName);
        O->Font.Log.lfHeight = -13;
        O->Font.Log.lfPitchAndFamily = FIXED_PITCH;
        return AddObject(std::move(O));
    }
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
    case DEFAULT_GUI_FONT: {
        auto O = MakeObject(GdiKind::Font);
        O->Font.Log = GuiFont();
        return AddObject(std::move(O));
    }
    default:
        return {};
    }
}

} // namespace

GdiObject *FindObject(HGDIOBJ Handle)
{
    return Objects().Find(Handle);
}

GdiObject *FindObject(HGDIOBJ Handle, GdiKind Kind)
{
    GdiObject *O = FindObject(Handle);
    return O && O->Kind == Kind ? O : nullptr;
}

HGDIOBJ AddObject(std::unique_ptr<GdiObject> Object)
{
    return Objects().Add(std::move(Object));
}

PenData *PenOf(HGDIOBJ H)
{
    GdiObject *O = FindObject(H, GdiKind::Pen);
    return O ? &O->Pen : nullptr;
}
BrushData *BrushOf(HGDIOBJ H)
{
    GdiObject *O = FindObject(H, GdiKind::Brush);
    return O ? &O->Brush : nullptr;
}
FontData *FontOf(HGDIOBJ H)
{
    GdiObject *O = FindObject(H, GdiKind::Font);
    return O ? &O->Font : nullptr;
}
BitmapData *BitmapOf(HGDIOBJ H)
{
    GdiObject *O = FindObject(H, GdiKind::Bitmap);
    return O ? O->Bitmap.get() : nullptr;
}
QRegion *RegionOf(HGDIOBJ H)
{
    GdiObject *O = FindObject(H, GdiKind::Region);
    return O ? &O->Region.Region : nullptr;
}
PaletteData *PaletteOf(HGDIOBJ H)
{
    GdiObject *O = FindObject(H, GdiKind::Palette);
    return O ? &O->Palette : nullptr;
}

QRegion TakeRegion(HRGN Region)
{
    const QRegion *R = RegionOf(Region);
    const QRegion Copy = R ? *R : QRegion();
    DeleteObject(Region);
    return Copy;
}

bool SetRegion(HRGN Region, const QRegion &Value)
{
    QRegion *R = RegionOf(Region);
    if (!R) return false;
    *R = Value;
    return true;
}

HRGN NewRegion(const QRegion &Value)
{
    auto O = MakeObject(GdiKind::Region);
    O->Region.Region = Value;
    return AddObject(std::move(O));
}

int RegionComplexity(const QRegion &Region)
{
    if (Region.isEmpty()) return NULLREGION;
    return Region.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

namespace
{

// Images up to this size, those of icons and buttons, come from the heap.
constexpr std::size_t LargeImageBytes = 128 * 1024;

// A small image comes zeroed from the heap: a mapping of its own, its page faults and its
// unmapping would cost the load of a small picture more than its decoding.
QImage HeapImage(int Width, int Height)
{
    void *Block =
        std::calloc(static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height), 4);
    if (!Block) return {};
    const auto Free = [](void *Allocated) { std::free(Allocated); };
    return QImage(static_cast<uchar *>(Block), Width, Height, static_cast<qsizetype>(Width) * 4,
                  QImage::Format_RGB32, Free, Block);
}

// An RGB32 image over pages that are committed only when written. The pages are
// reserved without being counted against the memory the system promises, since most
// of a huge picture's image may never be drawn on. The mapping's length is kept in
// its first page, ahead of the pixels, for the image's clean-up to unmap it.
QImage UnwrittenImage(int Width, int Height)
{
    const std::size_t Head = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t Size =
        Head + static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) * 4;
    void *Pages = mmap(nullptr, Size, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (Pages == MAP_FAILED) return {};
    *static_cast<std::size_t *>(Pages) = Size;
    const auto Unmap = [](void *Mapping) { munmap(Mapping, *static_cast<std::size_t *>(Mapping)); };
    return QImage(static_cast<uchar *>(Pages) + Head, Width, Height,
                  static_cast<qsizetype>(Width) * 4, QImage::Format_RGB32, Unmap, Pages);
}

// The image a DIB section draws through: zero, like its bits, until written.
QImage SectionImage(int Width, int Height)
{
    const std::size_t Bytes =
        static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height) * 4;
    return Bytes <= LargeImageBytes ? HeapImage(Width, Height) : UnwrittenImage(Width, Height);
}

} // namespace

std::unique_ptr<BitmapData> MakeBitmap(int Width, int Height, int Bpp, bool Dib, bool TopDown)
{
    auto B = std::make_unique<BitmapData>();
    B->Width = std::max(Width, 0);
    B->Height = std::max(Height, 0);
    B->Bpp = Bpp;
    B->Dib = Dib;
    B->TopDown = TopDown;
    B->Stride = ((B->Width * Bpp + 31) & ~31) / 8;
    if (Dib) {
        B->Image = SectionImage(std::max(B->Width, 1), std::max(B->Height, 1));
        B->Bits = decltype(B->Bits)(static_cast<std::size_t>(B->Stride) * B->Height);
    } else {
        B->Image = QImage(std::max(B->Width, 1), std::max(B->Height, 1), QImage::Format_RGB32);
        B->Image.fill(Qt::black);
    }
    if (Bpp <= 8) {
        B->Colors.assign(std::size_t(1) << Bpp, RGBQUAD{0, 0, 0, 0});
        if (Bpp == 1) B->Colors[1] = RGBQUAD{255, 255, 255, 0};
    }
    return B;
}

HBITMAP DefaultBitmap()
{
    static HBITMAP Stock = [] {
        auto O = MakeObject(GdiKind::Bitmap);
        O->Stock = true;
        O->Bitmap = MakeBitmap(1, 1, 1, false, false);
        return AddObject(std::move(O));
    }();
    return Stock;
}

namespace
{

QRgb FromTable(const BitmapData &B, unsigned Index)
{
    if (Index >= B.Colors.size()) return qRgb(0, 0, 0);
    const RGBQUAD &Q = B.Colors[Index];
    return qRgb(Q.rgbRed, Q.rgbGreen, Q.rgbBlue);
}

unsigned NearestIndex(const BitmapData &B, QRgb P)
{
    unsigned Best = 0;
    int BestDistance = INT32_MAX;
    for (unsigned I = 0; I < B.Colors.size(); ++I) {
        const RGBQUAD &Q = B.Colors[I];
        const int Dr = qRed(P) - Q.rgbRed, Dg = qGreen(P) - Q.rgbGreen, Db = qBlue(P) - Q.rgbBlue;
        const int D = Dr * Dr + Dg * Dg + Db * Db;
        if (D < BestDistance) {
            BestDistance = D;
            Best = I;
            if (D == 0) break;
        }
    }
    return Best;
}

unsigned ReadIndex(const std::uint8_t *Row, int X, int Bpp)
{
    switch (Bpp) {
    case 1:
        return (Row[X >> 3] >> (7 - (X & 7))) & 1;
    case 4:
        return (Row[X >> 1] >> ((X & 1) ? 0 : 4)) & 0xF;
    default:
        return Row[X];
    }
}

void WriteIndex(std::uint8_t *Row, int X, int Bpp, unsigned Index)
{
    switch (Bpp) {
    case 1: {
        const std::uint8_t Bit = static_cast<std::uint8_t>(0x80 >> (X & 7));
        Row[X >> 3] = Index ? (Row[X >> 3] | Bit) : (Row[X >> 3] & ~Bit);
        break;
    }
    case 4: {
        const int Shift = (X & 1) ? 0 : 4;
        Row[X >> 1] =
            static_cast<std::uint8_t>((Row[X >> 1] & ~(0xF << Shift)) | ((Index & 0xF) << Shift));
        break;
    }
    default:
        Row[X] = static_cast<std::uint8_t>(Index);
    }
}

QRect Clamp(const BitmapData &B, const QRect &Area)
{
    return Area.intersected(QRect(0, 0, B.Width, B.Height));
}

} // namespace

// The pixel format is looked at once a row, not once a pixel: whole bitmaps pass through here
// for every drawing operation on them.
void BitmapData::Pull(const QRect &Area)
{
    if (!Dib) return;
    const QRect A = Clamp(*this, Area);
    const int Bits = Bpp;
    const auto Direct = [&A](const std::uint8_t *Src, QRgb *Dst, auto Step) {
        for (int X = A.left(); X <= A.right(); ++X) {
            const std::uint8_t *S = Src + X * Step;
            Dst[X] = qRgb(S[2], S[1], S[0]);
        }
    };
    for (int Y = A.top(); Y <= A.bottom(); ++Y) {
        const std::uint8_t *Src = Row(Y);
        auto *Dst = reinterpret_cast<QRgb *>(Image.scanLine(Y));
        if (Bits == 24)
            Direct(Src, Dst, std::integral_constant<int, 3>{});
        else if (Bits == 32)
            Direct(Src, Dst, std::integral_constant<int, 4>{});
        else
            for (int X = A.left(); X <= A.right(); ++X)
                Dst[X] = ColorAt(Src, X);
    }
}

QRgb BitmapData::ColorAt(const std::uint8_t *RowBits, int X) const
{
    if (Bpp == 24 || Bpp == 32) {
        const std::uint8_t *S = RowBits + X * (Bpp / 8);
        return qRgb(S[2], S[1], S[0]);
    }
    return FromTable(*this, ReadIndex(RowBits, X, Bpp));
}

// GDI leaves the alpha byte of a 32-bit DIB pixel it draws at 0; pixels the
// operation did not change keep theirs.
void BitmapData::Push(const QRect &Area)
{
    if (!Dib) return;
    const QRect A = Clamp(*this, Area);
    const int Bits = Bpp;
    for (int Y = A.top(); Y <= A.bottom(); ++Y) {
        std::uint8_t *Dst = Row(Y);
        const auto *Src = reinterpret_cast<const QRgb *>(Image.constScanLine(Y));
        for (int X = A.left(); X <= A.right(); ++X) {
            const QRgb P = Src[X];
            if (Bits == 24) {
                Dst[X * 3] = static_cast<std::uint8_t>(qBlue(P));
                Dst[X * 3 + 1] = static_cast<std::uint8_t>(qGreen(P));
                Dst[X * 3 + 2] = static_cast<std::uint8_t>(qRed(P));
            } else if (Bits == 32) {
                std::uint8_t *D = Dst + X * 4;
                if (D[0] == qBlue(P) && D[1] == qGreen(P) && D[2] == qRed(P)) continue;
                D[0] = static_cast<std::uint8_t>(qBlue(P));
                D[1] = static_cast<std::uint8_t>(qGreen(P));
                D[2] = static_cast<std::uint8_t>(qRed(P));
                D[3] = 0;
            } else if (FromTable(*this, ReadIndex(Dst, X, Bits)) != P) {
                WriteIndex(Dst, X, Bits, NearestIndex(*this, P));
            }
        }
    }
}

} // namespace win

using namespace win;

HPEN CreatePen(int Style, int Width, COLORREF Color)
{
    return MakePen(static_cast<UINT>(Style), Width, Color);
}

HPEN CreatePenIndirect(const LOGPEN *Pen)
{
    return Pen ? MakePen(Pen->lopnStyle, Pen->lopnWidth.x, Pen->lopnColor) : HPEN{};
}

HBRUSH CreateSolidBrush(COLORREF Color)
{
    return MakeBrush(BS_SOLID, Color, 0);
}

HBRUSH CreateHatchBrush(int Hatch, COLORREF Color)
{
    if (Hatch < HS_HORIZONTAL || Hatch > HS_DIAGCROSS) return {};
    return MakeBrush(BS_HATCHED, Color, Hatch);
}

HBRUSH CreatePatternBrush(HBITMAP Bitmap)
{
    BitmapData *B = BitmapOf(Bitmap);
    if (!B) return {};
    B->Pull(QRect(0, 0, B->Width, B->Height));
    auto O = MakeObject(GdiKind::Brush);
    O->Brush.Style = BS_PATTERN;
    O->Brush.Pattern = B->Image.copy(0, 0, B->Width, B->Height);
    O->Brush.MonoPattern = B->Bpp == 1;
    return AddObject(std::move(O));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH *Brush)
{
    if (!Brush) return {};
    switch (Brush->lbStyle) {
    case BS_SOLID:
        return CreateSolidBrush(Brush->lbColor);
    case BS_NULL:
        return MakeBrush(BS_NULL, 0, 0);
    case BS_HATCHED:
        return CreateHatchBrush(static_cast<int>(Brush->lbHatch), Brush->lbColor);
    case BS_PATTERN:
        return CreatePatternBrush(reinterpret_cast<HBITMAP>(Brush->lbHatch));
    default:
        return {};
    }
}

HFONT CreateFontIndirectW(const LOGFONTW *Font)
{
    if (!Font) return {};
    auto O = MakeObject(GdiKind::Font);
    O->Font.Log = *Font;
    O->Font.Log.lfFaceName[LF_FACESIZE - 1] = 0;
    return AddObject(std::move(O));
}

HFONT CreateFontW(int Height, int Width, int Escapement, int Orientation, int Weight, DWORD Italic,
                  DWORD Underline, DWORD StrikeOut, DWORD CharSet, DWORD OutPrecision,
                  DWORD ClipPrecision, DWORD Quality, DWORD PitchAndFamily, LPCWSTR FaceName)
{
    LOGFONTW F{Height,
               Width,
               Escapement,
               Orientation,
               Weight,
               static_cast<BYTE>(Italic),
               static_cast<BYTE>(Underline),
               static_cast<BYTE>(StrikeOut),
               static_cast<BYTE>(CharSet),
               static_cast<BYTE>(OutPrecision),
               static_cast<BYTE>(ClipPrecision),
               static_cast<BYTE>(Quality),
               static_cast<BYTE>(PitchAndFamily),
               {}};
    for (int I = 0; FaceName && FaceName[I] && I < LF_FACESIZE - 1; ++I)
        F.lfFaceName[I] = FaceName[I];
    return CreateFontIndirectW(&F);
}

HGDIOBJ GetStockObject(int Index)
{
    StockTable &T = Stock();
    {
        std::lock_guard Lock(T.Mutex);
        auto It = T.Objects.find(Index);
        if (It != T.Objects.end()) return It->second;
    }
    const HGDIOBJ H = MakeStock(Index);
    if (!H) return {};
    FindObject(H)->Stock = true;
    std::lock_guard Lock(T.Mutex);
    return T.Objects.emplace(Index, H).first->second;
}

BOOL DeleteObject(HGDIOBJ Object)
{
    GdiObject *O = FindObject(Object);
    if (!O) return FALSE;
    if (O->Stock) return TRUE;
    if (O->Kind == GdiKind::Bitmap && O->Bitmap->SelectedIn > 0) return FALSE;
    Objects().Remove(Object);
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ Object)
{
    const GdiObject *O = FindObject(Object);
    if (!O) return 0;
    switch (O->Kind) {
    case GdiKind::Pen:
        return OBJ_PEN;
    case GdiKind::Brush:
        return OBJ_BRUSH;
    case GdiKind::Font:
        return OBJ_FONT;
    case GdiKind::Bitmap:
        return OBJ_BITMAP;
    case GdiKind::Region:
        return OBJ_REGION;
    case GdiKind::Palette:
        return OBJ_PAL;
    }
    return 0;
}

namespace
{

template <typename T> int CopyOut(const T &Value, int Size, LPVOID Buffer)
{
    if (!Buffer) return sizeof(T);
    const int N = std::min<int>(Size, sizeof(T));
    std::memcpy(Buffer, &Value, static_cast<std::size_t>(std::max(N, 0)));
    return N;
}

BITMAP BitmapInfo(BitmapData &B)
{
    const int Bpp = B.Dib ? B.Bpp : (B.Bpp == 1 ? 1 : 32);
    const int WidthBytes = B.Dib ? B.Stride : ((B.Width * Bpp + 15) & ~15) / 8;
    return BITMAP{0,
                  B.Width,
                  B.Height,
                  WidthBytes,
                  1,
                  static_cast<WORD>(Bpp),
                  B.Dib ? static_cast<LPVOID>(B.Bits.data()) : nullptr};
}

} // namespace

int GetObjectW(HGDIOBJ Object, int Size, LPVOID Buffer)
{
    GdiObject *O = FindObject(Object);
    if (!O) return 0;
    switch (O->Kind) {
    case GdiKind::Pen:
        return CopyOut(LOGPEN{O->Pen.Style, POINT{O->Pen.Width, 0}, O->Pen.Color}, Size, Buffer);
    case GdiKind::Brush:
        return CopyOut(
            LOGBRUSH{O->Brush.Style, O->Brush.Color, static_cast<ULONG_PTR>(O->Brush.Hatch)}, Size,
            Buffer);
    case GdiKind::Font:
        return CopyOut(O->Font.Log, Size, Buffer);
    case GdiKind::Palette:
        return CopyOut(static_cast<WORD>(O->Palette.Entries.size()), Size, Buffer);
    case GdiKind::Region:
        return 0;
    case GdiKind::Bitmap: {
        BitmapData &B = *O->Bitmap;
        if (B.Dib && Size >= static_cast<int>(sizeof(DIBSECTION))) {
            DIBSECTION D{};
            D.dsBm = BitmapInfo(B);
            D.dsBmih = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER),
                                        B.Width,
                                        B.TopDown ? -B.Height : B.Height,
                                        1,
                                        static_cast<WORD>(B.Bpp),
                                        BI_RGB,
                                        static_cast<DWORD>(B.Bits.size()),
                                        0,
                                        0,
                                        static_cast<DWORD>(B.Colors.size()),
                                        0};
            return CopyOut(D, Size, Buffer);
        }
        return CopyOut(BitmapInfo(B), Size, Buffer);
    }
    }
    return 0;
}

BOOL UnrealizeObject(HGDIOBJ Object)
{
    return FindObject(Object) ? TRUE : FALSE;
}
