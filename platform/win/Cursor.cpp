#include "platform/win/Cursor.h"

#include "platform/win/Icon.h"

namespace
{

bool Bit(const BYTE *Plane, int Stride, int X, int Y)
{
    return Plane[Y * Stride + X / 8] & (0x80 >> (X % 8));
}

} // namespace

HCURSOR CreateCursor(HINSTANCE, int XHotSpot, int YHotSpot, int Width, int Height,
                     const void *AndPlane, const void *XorPlane)
{
    if (Width <= 0 || Height <= 0 || !AndPlane || !XorPlane) return {};
    const int Stride = (Width + 15) / 16 * 2;
    const auto *And = static_cast<const BYTE *>(AndPlane);
    const auto *Xor = static_cast<const BYTE *>(XorPlane);
    win::IconData D;
    D.IsIcon = false;
    D.HotSpot = POINT{XHotSpot, YHotSpot};
    D.Picture = QImage(Width, Height, QImage::Format_ARGB32);
    D.Mask = QImage(Width, Height, QImage::Format_RGB32);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X) {
            const bool Clear = Bit(And, Stride, X, Y);
            const bool White = Bit(Xor, Stride, X, Y);
            D.Mask.setPixel(X, Y, Clear ? 0xFFFFFFFF : 0xFF000000);
            const QRgb Shown = Clear && !White ? 0 : (!Clear && White ? 0xFFFFFFFF : 0xFF000000);
            D.Picture.setPixel(X, Y, Shown);
        }
    D.Color = D.Picture;
    return win::NewIcon(std::move(D));
}

BOOL DestroyCursor(HCURSOR Cursor)
{
    return DestroyIcon(Cursor);
}

HCURSOR win::CursorFromArt(const CursorArt &Art, int HotX, int HotY)
{
    std::array<BYTE, 32> And{}, Xor{};
    for (int Y = 0; Y < 16; ++Y)
        for (int X = 0; X < 16; ++X) {
            const BYTE Bit = static_cast<BYTE>(0x80 >> (X % 8));
            const int At = Y * 2 + X / 8;
            const char Pixel = Art[static_cast<std::size_t>(Y)][X];
            if (Pixel == ' ') And[At] |= Bit;
            if (Pixel == '.') Xor[At] |= Bit;
        }
    return CreateCursor(nullptr, HotX, HotY, 16, 16, And.data(), Xor.data());
}
