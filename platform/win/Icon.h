#pragma once
// Icons and cursors made from bitmaps: a picture with straight alpha plus the
// mask and colour bitmaps it came from. Internal.

#include "platform/win/WinGdi.h"

#include <QImage>

namespace win
{

struct IconData {
    QImage Picture; // ARGB32, straight alpha: what DrawIconEx shows
    QImage Mask;    // RGB32 black (opaque) and white (transparent)
    QImage Color;   // ARGB32 with the colour bitmap's own alpha bytes
    bool IsIcon = true;
    POINT HotSpot{};
};

IconData *IconOf(HICON Icon);
HICON NewIcon(IconData Data);
// Draws a picture with straight alpha into a device rectangle.
void DrawPicture(HDC Dc, const QImage &Picture, int X, int Y, int Width, int Height);

} // namespace win
