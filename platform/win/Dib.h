#pragma once
// Device-independent bitmaps read from and written to callers' memory. Internal.

#include "platform/win/GdiObjects.h"

namespace win
{

// A packed DIB (header, colour table, bits) as a bitmap of its own format.
std::unique_ptr<BitmapData> ReadDib(const BITMAPINFO *Info, const void *Bits, UINT Usage,
                                    HPALETTE Palette);
// The colour table that follows a header of any size.
const RGBQUAD *ColorTable(const BITMAPINFO *Info);
int TableSize(const BITMAPINFOHEADER &Header);

} // namespace win
