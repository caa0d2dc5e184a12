#include "platform/vcl/Graphics.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/win/Icon.h"
#include "platform/win/SysParams.h"

#include <algorithm>
#include <array>
#include <cstring>

// ---- TGraphic ------------------------------------------------------------------

void TGraphic::SetTransparent(bool Value)
{
    if (Value == FTransparent) return;
    FTransparent = Value;
    Changed(this);
}

void TGraphic::SetModified(bool Value)
{
    if (Value)
        Changed(this);
    else
        FModified = false;
}

void TGraphic::Changed(TObject *)
{
    FModified = true;
    if (OnChange) OnChange(this);
}

void TGraphic::DefineProperties(TFiler *Filer)
{
    inherited::DefineProperties(Filer);
    Filer->DefineBinaryProperty(
        "Data", [this](TStream *Stream) { LoadFromStream(Stream); },
        [this](TStream *Stream) { SaveToStream(Stream); }, !Empty());
}

void TGraphic::LoadFromFile(const AnsiString &FileName)
{
    rtl::BoundedFileStream stream(FileName, rtl::DocumentFileLimit);
    LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const AnsiString &FileName)
{
    rtl::SaveStreamToFile(FileName, [this](TStream *Stream) { SaveToStream(Stream); });
}

void TGraphic::LoadFromClipboardFormat(WORD, HANDLE, HPALETTE)
{
    throw EInvalidGraphic(UnsupportedClipboardFormat);
}

void TGraphic::SaveToClipboardFormat(WORD &, HANDLE &, HPALETTE &)
{
    throw EInvalidGraphic(UnsupportedClipboardFormat);
}

// ---- TBitmap -------------------------------------------------------------------

namespace
{

#pragma pack(push, 1)
struct BitmapFileHeader {
    WORD Type;
    DWORD Size;
    WORD Reserved1;
    WORD Reserved2;
    DWORD OffBits;
};
#pragma pack(pop)
static_assert(sizeof(BitmapFileHeader) == 14);

constexpr WORD BitmapSignature = 0x4D42; // "BM"

int BitsPerPixel(TPixelFormat Format)
{
    switch (Format) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf15bit:
    case pf16bit:
        return 16;
    case pf24bit:
        return 24;
    default:
        return 32;
    }
}

TPixelFormat FormatOfBits(int Bits)
{
    switch (Bits) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 16:
        return pf16bit;
    case 24:
        return pf24bit;
    case 32:
        return pf32bit;
    default:
        return pfCustom;
    }
}

int Stride(int Width, int Bits)
{
    return ((Width * Bits + 31) & ~31) / 8;
}

// The default colour table of a new paletted bitmap: black and white, the 16 VGA
// colours, or a 6x6x6 colour cube followed by greys.
std::vector<RGBQUAD> DefaultColors(int Bits)
{
    std::vector<RGBQUAD> colors;
    if (Bits == 1) {
        colors = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    } else if (Bits == 4) {
        static constexpr COLORREF Vga[16] = {
            0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
            0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
        for (COLORREF c : Vga)
            colors.push_back({GetBValue(c), GetGValue(c), GetRValue(c), 0});
    } else if (Bits == 8) {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    colors.push_back({BYTE(b * 51), BYTE(g * 51), BYTE(r * 51), 0});
        for (int i = 0; colors.size() < 256; ++i) {
            const BYTE v = BYTE(i * 255 / 39);
            colors.push_back({v, v, v, 0});
        }
    }
    return colors;
}

struct DibInfo {
    BITMAPINFOHEADER Header{};
    RGBQUAD Colors[256]{};
};

HBITMAP NewDib(int Width, int Height, int Bits, const std::vector<RGBQUAD> &Colors, void **BitsOut)
{
    DibInfo info;
    info.Header.biSize = sizeof(BITMAPINFOHEADER);
    info.Header.biWidth = Width;
    info.Header.biHeight = Height;
    info.Header.biPlanes = 1;
    info.Header.biBitCount = static_cast<WORD>(Bits);
    info.Header.biCompression = BI_RGB;
    info.Header.biClrUsed = static_cast<DWORD>(Colors.size());
    std::copy(Colors.begin(), Colors.end(), info.Colors);
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO *>(&info),
                                      DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) throw EOutOfMemory("Out of system resources");
    if (BitsOut) *BitsOut = bits;
    return bitmap;
}

// A memory DC holding a bitmap for the length of a copy.
class SelectedBitmap
{
public:
    explicit SelectedBitmap(HBITMAP Bitmap) : FDc(CreateCompatibleDC(nullptr))
    {
        FOld = SelectObject(FDc, Bitmap);
    }
    ~SelectedBitmap()
    {
        SelectObject(FDc, FOld);
        DeleteDC(FDc);
    }
    SelectedBitmap(const SelectedBitmap &) = delete;
    SelectedBitmap &operator=(const SelectedBitmap &) = delete;
    HDC Dc() const { return FDc; }

private:
    HDC FDc;
    HGDIOBJ FOld;
};

} // namespace

TBitmapCanvas::~TBitmapCanvas()
{
    FreeContext();
}

void TBitmapCanvas::CreateHandle()
{
    if (!FBitmap->FHandle) FBitmap->Recreate(std::max(FBitmap->FWidth, 0), 0, pfDevice, false);
    FContext = CreateCompatibleDC(nullptr);
    FOldBitmap = SelectObject(FContext, FBitmap->FHandle);
    SetHandle(FContext);
}

void TBitmapCanvas::FreeContext()
{
    if (!FContext) return;
    SetHandle(nullptr);
    SelectObject(FContext, FOldBitmap);
    DeleteDC(FContext);
    FContext = nullptr;
}

TBitmap::TBitmap() = default;

TBitmap::~TBitmap()
{
    FCanvas.reset();
    FreeHandle();
}

void TBitmap::FreeHandle()
{
    if (FCanvas) FCanvas->FreeContext();
    if (FHandle) DeleteObject(FHandle);
    FHandle = nullptr;
}

void TBitmap::ReplaceHandle(HBITMAP Value, int AWidth, int AHeight, TPixelFormat Format)
{
    FreeHandle();
    FHandle = Value;
    FWidth = AWidth;
    FHeight = AHeight;
    FPixelFormat = Format;
}

void TBitmap::Recreate(int AWidth, int AHeight, TPixelFormat Format, bool KeepPixels)
{
    const int bits = BitsPerPixel(Format);
    std::vector<RGBQUAD> colors = DefaultColors(bits);
    if (KeepPixels && FHandle && bits <= 8 && BitsPerPixel(FPixelFormat) == bits) {
        // Keep the colour table of a bitmap that only changes size.
        SelectedBitmap old(FHandle);
        GetDIBColorTable(old.Dc(), 0, static_cast<UINT>(colors.size()), colors.data());
    }
    HBITMAP bitmap = NewDib(std::max(AWidth, 1), std::max(AHeight, 1), bits, colors, nullptr);
    {
        SelectedBitmap target(bitmap);
        PatBlt(target.Dc(), 0, 0, AWidth, AHeight, WHITENESS);
        if (KeepPixels && FHandle) {
            if (FCanvas) FCanvas->FreeContext();
            SelectedBitmap source(FHandle);
            BitBlt(target.Dc(), 0, 0, std::min(AWidth, FWidth), std::min(AHeight, FHeight),
                   source.Dc(), 0, 0, SRCCOPY);
        }
    }
    ReplaceHandle(bitmap, AWidth, AHeight, Format);
}

void TBitmap::SetSize(int AWidth, int AHeight)
{
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (AWidth == FWidth && AHeight == FHeight && FHandle) return;
    if (AWidth == 0 || AHeight == 0) {
        FreeHandle();
        FWidth = AWidth;
        FHeight = AHeight;
    } else {
        Recreate(AWidth, AHeight, FPixelFormat, true);
    }
    Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat Value)
{
    if (Value == FPixelFormat) return;
    if (FHandle)
        Recreate(FWidth, FHeight, Value, true);
    else
        FPixelFormat = Value;
    Changed(this);
}

TCanvas *TBitmap::Canvas()
{
    if (!FCanvas) FCanvas = std::make_unique<TBitmapCanvas>(this);
    return FCanvas.get();
}

void TBitmap::SetHandle(HBITMAP Value)
{
    if (Value == FHandle) return;
    BITMAP info{};
    if (Value) GetObjectW(Value, sizeof(info), &info);
    ReplaceHandle(Value, info.bmWidth, info.bmHeight,
                  Value ? FormatOfBits(info.bmBitsPixel) : FPixelFormat);
    Changed(this);
}

HBITMAP TBitmap::ReleaseHandle()
{
    if (FCanvas) FCanvas->FreeContext();
    HBITMAP handle = FHandle;
    FHandle = nullptr;
    FWidth = FHeight = 0;
    return handle;
}

void *TBitmap::ScanLine(int Row)
{
    if (!FHandle || Row < 0 || Row >= FHeight)
        throw EInvalidGraphicOperation("Scan line index out of range");
    GdiFlush();
    DIBSECTION dib{};
    GetObjectW(FHandle, sizeof(dib), &dib);
    auto *base = static_cast<std::uint8_t *>(dib.dsBm.bmBits);
    return base + static_cast<size_t>(FHeight - 1 - Row) * Stride(FWidth, dib.dsBm.bmBitsPixel);
}

TColor TBitmap::TransparentColor() const
{
    if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
    if (!FHandle) return clDefault;
    // The bottom-left pixel is the key of an automatic bitmap.
    if (FCanvas) FCanvas->FreeContext();
    SelectedBitmap source(FHandle);
    return static_cast<TColor>(GetPixel(source.Dc(), 0, FHeight - 1));
}

void TBitmap::SetTransparentColor(TColor Value)
{
    if (Value == FTransparentColor) return;
    FTransparentColor = Value;
    FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
    Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode Value)
{
    if (Value == FTransparentMode) return;
    FTransparentMode = Value;
    if (Value == tmAuto) FTransparentColor = clDefault;
    Changed(this);
}

void TBitmap::Dormant()
{
    if (FCanvas) FCanvas->FreeContext();
}

void TBitmap::Assign(TPersistent *Source)
{
    if (!Source) {
        FreeHandle();
        FWidth = FHeight = 0;
        Changed(this);
        return;
    }
    if (auto *bitmap = dynamic_cast<TBitmap *>(Source)) {
        if (bitmap == this) return;
        FreeHandle();
        FPixelFormat = bitmap->FPixelFormat;
        if (bitmap->FHandle) {
            if (bitmap->FCanvas) bitmap->FCanvas->FreeContext();
            std::vector<RGBQUAD> colors = DefaultColors(BitsPerPixel(FPixelFormat));
            SelectedBitmap source(bitmap->FHandle);
            if (!colors.empty())
                GetDIBColorTable(source.Dc(), 0, UINT(colors.size()), colors.data());
            HBITMAP copy = NewDib(bitmap->FWidth, bitmap->FHeight, BitsPerPixel(FPixelFormat),
                                  colors, nullptr);
            SelectedBitmap target(copy);
            BitBlt(target.Dc(), 0, 0, bitmap->FWidth, bitmap->FHeight, source.Dc(), 0, 0, SRCCOPY);
            FHandle = copy;
        }
        FWidth = bitmap->FWidth;
        FHeight = bitmap->FHeight;
        FTransparentColor = bitmap->FTransparentColor;
        FTransparentMode = bitmap->FTransparentMode;
        SetTransparent(bitmap->Transparent());
        Changed(this);
        return;
    }
    inherited::Assign(Source);
}

void TBitmap::Draw(TCanvas *ACanvas, const TRect &Rect)
{
    if (!FHandle) return;
    const COLORREF key = Transparent() ? ColorToRGB(TransparentColor()) : 0;
    if (FCanvas) FCanvas->FreeContext();
    SelectedBitmap source(FHandle);
    HDC target = ACanvas->Handle();
    if (Transparent())
        TransparentBlt(target, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), source.Dc(), 0, 0,
                       FWidth, FHeight, key);
    else
        StretchBlt(target, Rect.Left, Rect.Top, Rect.Width(), Rect.Height(), source.Dc(), 0, 0,
                   FWidth, FHeight, ACanvas->CopyMode());
}

void TBitmap::LoadFromStream(TStream *Stream)
{
    const long long Start = Stream->Position();
    const long long Available = Stream->Size() - Start;
    BitmapFileHeader file{};
    Stream->ReadBuffer(&file, sizeof(file));
    if (file.Type != BitmapSignature) throw EInvalidGraphic("Bitmap image is not valid");
    DibInfo info;
    Stream->ReadBuffer(&info.Header, sizeof(info.Header));
    const BITMAPINFOHEADER &h = info.Header;
    const int bits = h.biBitCount;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biCompression != BI_RGB ||
        FormatOfBits(bits) == pfCustom || h.biWidth <= 0 || h.biHeight == 0)
        throw EInvalidGraphic("Bitmap image is not valid");
    const long long height = std::abs(static_cast<long long>(h.biHeight));
    const long long stride = (static_cast<long long>(h.biWidth) * bits + 31) / 32 * 4;
    std::vector<RGBQUAD> colors;
    if (bits <= 8)
        colors.resize(h.biClrUsed ? std::min<DWORD>(h.biClrUsed, 1u << bits) : 1u << bits);
    const long long tableEnd =
        sizeof(file) + static_cast<long long>(h.biSize) + colors.size() * sizeof(RGBQUAD);
    // A damaged header must not make us read or allocate past the data there is.
    if (file.OffBits < tableEnd || file.OffBits > Available ||
        stride * height > Available - file.OffBits)
        throw EInvalidGraphic("Bitmap image is not valid");
    Stream->SetPosition(Start + sizeof(file) + h.biSize);
    if (!colors.empty())
        Stream->ReadBuffer(colors.data(), static_cast<int>(colors.size() * sizeof(RGBQUAD)));
    std::vector<std::uint8_t> pixels(static_cast<size_t>(stride * height));
    Stream->SetPosition(Start + file.OffBits);
    Stream->ReadBuffer(pixels.data(), static_cast<int>(pixels.size()));
    void *target = nullptr;
    HBITMAP bitmap = NewDib(h.biWidth, static_cast<int>(height), bits, colors, &target);
    // Our sections are bottom-up; a top-down file is turned over.
    for (long long row = 0; row < height; ++row) {
        const long long from = h.biHeight > 0 ? row : height - 1 - row;
        std::memcpy(static_cast<std::uint8_t *>(target) + size_t(row * stride),
                    pixels.data() + size_t(from * stride), size_t(stride));
    }
    ReplaceHandle(bitmap, h.biWidth, static_cast<int>(height), FormatOfBits(bits));
    Changed(this);
}

void TBitmap::SaveToStream(TStream *Stream)
{
    if (!FHandle) return;
    if (FCanvas) FCanvas->FreeContext();
    GdiFlush();
    DIBSECTION dib{};
    GetObjectW(FHandle, sizeof(dib), &dib);
    const int bits = dib.dsBm.bmBitsPixel;
    std::vector<RGBQUAD> colors(bits <= 8 ? 1u << bits : 0);
    if (!colors.empty()) {
        SelectedBitmap source(FHandle);
        GetDIBColorTable(source.Dc(), 0, UINT(colors.size()), colors.data());
    }
    const DWORD tableSize = DWORD(colors.size() * sizeof(RGBQUAD));
    const DWORD imageSize = DWORD(Stride(FWidth, bits)) * FHeight;
    BitmapFileHeader file{};
    file.Type = BitmapSignature;
    file.OffBits = sizeof(file) + sizeof(BITMAPINFOHEADER) + tableSize;
    file.Size = file.OffBits + imageSize;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = FWidth;
    header.biHeight = FHeight;
    header.biPlanes = 1;
    header.biBitCount = WORD(bits);
    header.biCompression = BI_RGB;
    header.biSizeImage = imageSize;
    header.biClrUsed = DWORD(colors.size());
    Stream->WriteBuffer(&file, sizeof(file));
    Stream->WriteBuffer(&header, sizeof(header));
    if (tableSize) Stream->WriteBuffer(colors.data(), int(tableSize));
    Stream->WriteBuffer(dib.dsBm.bmBits, int(imageSize));
}

// ---- TIcon ---------------------------------------------------------------------

TIcon::~TIcon()
{
    SetHandle(nullptr);
}

void TIcon::SetHandle(HICON Value)
{
    if (Value == FHandle) return;
    if (FHandle) DestroyIcon(FHandle);
    FHandle = Value;
    FWidth = FHeight = 0;
    ICONINFO info{};
    if (FHandle && GetIconInfo(FHandle, &info)) {
        BITMAP bitmap{};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
        FWidth = bitmap.bmWidth;
        FHeight = bitmap.bmHeight;
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
    }
    Changed(this);
}

HICON TIcon::ReleaseHandle()
{
    HICON handle = FHandle;
    FHandle = nullptr;
    FWidth = FHeight = 0;
    return handle;
}

void TIcon::SetWidth(int)
{
    throw EInvalidGraphicOperation("Cannot change the size of an icon");
}
void TIcon::SetHeight(int)
{
    throw EInvalidGraphicOperation("Cannot change the size of an icon");
}

void TIcon::Assign(TPersistent *Source)
{
    if (!Source) {
        SetHandle(nullptr);
        return;
    }
    if (auto *icon = dynamic_cast<TIcon *>(Source)) {
        if (icon != this) SetHandle(icon->FHandle ? CopyIcon(icon->FHandle) : nullptr);
        return;
    }
    inherited::Assign(Source);
}

void TIcon::Draw(TCanvas *ACanvas, const TRect &Rect)
{
    if (FHandle)
        DrawIconEx(ACanvas->Handle(), Rect.Left, Rect.Top, FHandle, Rect.Width(), Rect.Height(), 0,
                   nullptr, DI_NORMAL);
}

namespace
{

template <class T> T Little(const std::vector<std::uint8_t> &Data, size_t At)
{
    T Value{};
    std::memcpy(&Value, Data.data() + At, sizeof(T));
    return Value;
}

[[noreturn]] void InvalidIcon()
{
    throw EInvalidGraphic("Icon image is not valid");
}

// The first image of an icon file: a bitmap of twice the icon's height, the
// colours over the transparency mask, both bottom-up.
win::IconData DecodeIcon(const std::vector<std::uint8_t> &Data)
{
    if (Data.size() < 6 + 16 || Little<WORD>(Data, 0) != 0 || Little<WORD>(Data, 2) != 1 ||
        Little<WORD>(Data, 4) == 0 || Data.size() < 6 + 16u * Little<WORD>(Data, 4))
        InvalidIcon();
    const DWORD size = Little<DWORD>(Data, 6 + 8), offset = Little<DWORD>(Data, 6 + 12);
    if (offset > Data.size() || size > Data.size() - offset || size < sizeof(BITMAPINFOHEADER))
        InvalidIcon();
    const auto h = Little<BITMAPINFOHEADER>(Data, offset);
    const int bits = h.biBitCount;
    const long long width = h.biWidth, height = h.biHeight / 2;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biCompression != BI_RGB || width <= 0 ||
        height <= 0 || width > 1024 || height > 1024 ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
        InvalidIcon();
    const size_t colors =
        bits <= 8 ? (h.biClrUsed ? std::min<DWORD>(h.biClrUsed, 1u << bits) : 1u << bits) : 0;
    const size_t table = offset + h.biSize, pixels = table + colors * sizeof(RGBQUAD);
    const size_t colorStride = size_t(Stride(int(width), bits));
    const size_t maskStride = size_t(Stride(int(width), 1));
    const size_t mask = pixels + colorStride * size_t(height);
    if (mask + maskStride * size_t(height) > size_t(offset) + size) InvalidIcon();

    win::IconData icon;
    icon.Color = QImage(int(width), int(height), QImage::Format_ARGB32);
    icon.Mask = QImage(int(width), int(height), QImage::Format_RGB32);
    bool hasAlpha = false;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *row = Data.data() + pixels + colorStride * size_t(height - 1 - y);
        const std::uint8_t *maskRow = Data.data() + mask + maskStride * size_t(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            QRgb pixel;
            if (bits <= 8) {
                const int shift = 8 - bits - (x * bits) % 8;
                const size_t index = (row[x * bits / 8] >> shift) & ((1u << bits) - 1);
                if (index >= colors) InvalidIcon();
                const auto c = Little<RGBQUAD>(Data, table + index * sizeof(RGBQUAD));
                pixel = qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue);
            } else {
                const std::uint8_t *p = row + x * (bits / 8);
                pixel = qRgba(p[2], p[1], p[0], bits == 32 ? p[3] : 0);
                hasAlpha |= bits == 32 && p[3] != 0;
            }
            icon.Color.setPixel(x, y, pixel);
            const bool transparent = (maskRow[x / 8] >> (7 - x % 8)) & 1;
            icon.Mask.setPixel(x, y, transparent ? 0xFFFFFFFF : 0xFF000000);
        }
    }
    icon.Picture = icon.Color;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const QRgb c = icon.Color.pixel(x, y);
            const int alpha = hasAlpha ? qAlpha(c) : (icon.Mask.pixel(x, y) & 0xFFFFFF ? 0 : 255);
            icon.Picture.setPixel(x, y, qRgba(qRed(c), qGreen(c), qBlue(c), alpha));
        }
    return icon;
}

} // namespace

void TIcon::LoadFromStream(TStream *Stream)
{
    const long long Remaining = Stream->Size() - Stream->Position();
    std::vector<std::uint8_t> data(static_cast<size_t>(std::max(Remaining, 0LL)));
    if (!data.empty()) Stream->ReadBuffer(data.data(), static_cast<int>(data.size()));
    HICON handle = win::NewIcon(DecodeIcon(data));
    FData = std::move(data);
    SetHandle(handle);
}

void TIcon::SaveToStream(TStream *Stream)
{
    if (FData.empty()) throw EInvalidGraphicOperation("Only icons read from a file can be saved");
    Stream->WriteBuffer(FData.data(), static_cast<int>(FData.size()));
}

// ---- TPicture ------------------------------------------------------------------

namespace
{

struct FileFormat {
    AnsiString Extension;
    AnsiString Description;
    TGraphicClass Class;
};

std::vector<FileFormat> &FileFormats()
{
    static std::vector<FileFormat> formats{{"bmp", "Bitmaps", TBitmap::StaticClass()},
                                           {"ico", "Icons", TIcon::StaticClass()}};
    return formats;
}

AnsiString ExtensionOf(const AnsiString &FileName)
{
    const int dot = FileName.LastDelimiter("./");
    if (dot == 0 || FileName[dot] != '.') return {};
    return AnsiLowerCase(FileName.SubString(dot + 1, FileName.Length() - dot));
}

std::unique_ptr<TGraphic> NewGraphic(TGraphicClass Class)
{
    std::unique_ptr<TObject> object(Class->Create());
    auto *graphic = dynamic_cast<TGraphic *>(object.get());
    if (!graphic) throw EInvalidGraphic("Invalid graphic class " + Class->ClassName());
    object.release();
    return std::unique_ptr<TGraphic>(graphic);
}

} // namespace

TPicture::~TPicture() = default;

void TPicture::Changed(TObject *)
{
    if (OnChange) OnChange(this);
}

void TPicture::Adopt(std::unique_ptr<TGraphic> Graphic)
{
    FGraphic = std::move(Graphic);
    if (FGraphic) FGraphic->OnChange = [this](TObject *Sender) { Changed(Sender); };
    Changed(this);
}

void TPicture::SetGraphic(TGraphic *Value)
{
    if (Value == FGraphic.get()) return;
    std::unique_ptr<TGraphic> copy;
    if (Value) {
        copy = NewGraphic(Value->ClassType());
        copy->Assign(Value);
    }
    Adopt(std::move(copy));
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> Value)
{
    Adopt(std::move(Value));
}

void TPicture::DefineProperties(TFiler *Filer)
{
    inherited::DefineProperties(Filer);
    Filer->DefineBinaryProperty(
        "Data",
        [this](TStream *Stream) {
            std::uint8_t length = 0;
            Stream->ReadBuffer(&length, 1);
            std::string name(length, '\0');
            if (length) Stream->ReadBuffer(name.data(), length);
            if (name.empty()) return SetGraphic(nullptr);
            const auto format =
                std::find_if(FileFormats().begin(), FileFormats().end(), [&](const FileFormat &f) {
                    return SameText(f.Class->ClassName(), name);
                });
            if (format == FileFormats().end())
                throw EInvalidGraphic("Unknown picture format " + AnsiString(name));
            std::unique_ptr<TGraphic> graphic = NewGraphic(format->Class);
            graphic->LoadFromStream(Stream);
            Adopt(std::move(graphic));
        },
        [this](TStream *Stream) {
            const AnsiString name = FGraphic->ClassName();
            const auto length = static_cast<std::uint8_t>(name.Length());
            Stream->WriteBuffer(&length, 1);
            Stream->WriteBuffer(name.c_str(), length);
            FGraphic->SaveToStream(Stream);
        },
        FGraphic && !FGraphic->Empty());
}

template <class T> T *TPicture::ForceGraphic()
{
    if (!dynamic_cast<T *>(FGraphic.get())) Adopt(std::make_unique<T>());
    return static_cast<T *>(FGraphic.get());
}

TBitmap *TPicture::Bitmap()
{
    return ForceGraphic<TBitmap>();
}

TIcon *TPicture::Icon()
{
    return ForceGraphic<TIcon>();
}

void TPicture::Assign(TPersistent *Source)
{
    if (!Source)
        SetGraphic(nullptr);
    else if (auto *picture = dynamic_cast<TPicture *>(Source))
        SetGraphic(picture->Graphic());
    else if (auto *graphic = dynamic_cast<TGraphic *>(Source))
        SetGraphic(graphic);
    else
        inherited::Assign(Source);
}

void TPicture::LoadFromFile(const AnsiString &FileName)
{
    const AnsiString ext = ExtensionOf(FileName);
    for (auto it = FileFormats().rbegin(); it != FileFormats().rend(); ++it)
        if (it->Extension == ext) {
            std::unique_ptr<TGraphic> graphic = NewGraphic(it->Class);
            graphic->LoadFromFile(FileName);
            Adopt(std::move(graphic));
            return;
        }
    throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
}

void TPicture::SaveToFile(const AnsiString &FileName)
{
    if (FGraphic) FGraphic->SaveToFile(FileName);
}

void TPicture::RegisterFileFormat(const AnsiString &Extension, const AnsiString &Description,
                                  TGraphicClass GraphicClass)
{
    FileFormats().push_back({AnsiLowerCase(Extension), Description, GraphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass GraphicClass)
{
    std::erase_if(FileFormats(), [&](const FileFormat &f) { return f.Class == GraphicClass; });
}

AnsiString TPicture::GraphicFilter(TGraphicClass GraphicClass)
{
    AnsiString filter;
    for (const FileFormat &f : FileFormats()) {
        if (!f.Class->InheritsFrom(GraphicClass)) continue;
        if (!filter.IsEmpty()) filter += "|";
        filter += f.Description + " (*." + f.Extension + ")|*." + f.Extension;
    }
    return filter;
}

// ---- TMetafile ------------------------------------------------------------------------

TMetafile::TMetafile() : FImage(std::make_unique<TBitmap>())
{
    FImage->SetPixelFormat(pf32bit);
}

TMetafile::~TMetafile() = default;

void TMetafile::Assign(TPersistent *Source)
{
    if (auto *Other = dynamic_cast<TMetafile *>(Source)) {
        FImage->Assign(Other->FImage.get());
        Changed(this);
        return;
    }
    inherited::Assign(Source);
}

void TMetafile::SetWidth(int Value)
{
    FImage->SetWidth(Value);
    Changed(this);
}

void TMetafile::SetHeight(int Value)
{
    FImage->SetHeight(Value);
    Changed(this);
}

namespace
{

[[noreturn]] void NoMetafileFiles()
{
    throw EInvalidGraphicOperation("Metafile files are not supported");
}

} // namespace

void TMetafile::LoadFromStream(TStream *)
{
    NoMetafileFiles();
}

void TMetafile::SaveToStream(TStream *)
{
    NoMetafileFiles();
}

void TMetafile::LoadFromFile(const AnsiString &)
{
    NoMetafileFiles();
}

void TMetafile::SaveToFile(const AnsiString &)
{
    NoMetafileFiles();
}

void TMetafile::Draw(TCanvas *ACanvas, const TRect &Rect)
{
    if (!Empty()) ACanvas->StretchDraw(Rect, FImage.get());
}

// ---- TMetafileCanvas ------------------------------------------------------------------

TMetafileCanvas::TMetafileCanvas(TMetafile *AMetafile, HDC ReferenceDevice) : FMetafile(AMetafile)
{
    if (!FMetafile) throw EInvalidGraphicOperation("A metafile canvas needs a metafile");
    if (FMetafile->Empty()) {
        int W = GetDeviceCaps(ReferenceDevice, HORZRES);
        int H = GetDeviceCaps(ReferenceDevice, VERTRES);
        if (W <= 0 || H <= 0) {
            W = GetSystemMetrics(SM_CXSCREEN);
            H = GetSystemMetrics(SM_CYSCREEN);
        }
        FMetafile->FImage->SetSize(W, H);
    }
    SetHandle(FMetafile->FImage->Canvas()->Handle());
}

TMetafileCanvas::~TMetafileCanvas()
{
    SetHandle(nullptr);
    FMetafile->Changed(FMetafile);
}
