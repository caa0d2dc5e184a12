#pragma once
// Global memory blocks, as the clipboard passes its data.

#include "platform/win/WinTypes.h"

using HGLOBAL = HANDLE;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

HGLOBAL GlobalAlloc(UINT Flags, SIZE_T Bytes);
HGLOBAL GlobalFree(HGLOBAL Memory);
LPVOID GlobalLock(HGLOBAL Memory);
BOOL GlobalUnlock(HGLOBAL Memory);
SIZE_T GlobalSize(HGLOBAL Memory);
