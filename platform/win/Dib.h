#pragma once
// Device-independent bitmaps read from and written to callers' memory. Internal.

#include "platform/win/GdiObjects.h"

#include <vector>

namespace win
{

// An empty bitmap of a packed DIB's format: its size, depth and colour table.
std::unique_ptr<BitmapData> ReadDib(const BITMAPINFO *Info, UINT Usage, HPALETTE Palette);
// Some pixels of a packed DIB, read where they lie in the caller's memory: the colours at each
// of Columns in each of Rows (the top row is 0) as a 32-bit bitmap of that many columns and rows.
std::unique_ptr<BitmapData> ReadDibPixels(const BITMAPINFO *Info, const void *Bits, UINT Usage,
                                          HPALETTE Palette, const std::vector<int> &Columns,
                                          const std::vector<int> &Rows);
// The colour table that follows a header of any size.
const RGBQUAD *ColorTable(const BITMAPINFO *Info);
int TableSize(const BITMAPINFOHEADER &Header);

} // namespace win
