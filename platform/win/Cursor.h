#pragma once
// Cursors of the program's own pictures, made from two one-bit planes as the
// system does and shown over our windows like the stock ones.

#include "platform/win/WinTypes.h"

#include <array>

// Each plane holds Height rows of Width bits, a row padded to whole 16-bit words,
// the leftmost pixel in the high bit. AND 1, XOR 0: transparent; AND 0: black
// for XOR 0, white for XOR 1; AND 1, XOR 1 (inverted screen) shows black.
HCURSOR CreateCursor(HINSTANCE Instance, int XHotSpot, int YHotSpot, int Width, int Height,
                     const void *AndPlane, const void *XorPlane);
BOOL DestroyCursor(HCURSOR Cursor);

namespace win
{

// A 16 by 16 cursor drawn as text, one string a row: '#' black, '.' white, blank clear.
using CursorArt = std::array<const char *, 16>;
HCURSOR CursorFromArt(const CursorArt &Art, int HotX, int HotY);

} // namespace win
