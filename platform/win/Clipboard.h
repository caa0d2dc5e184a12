#pragma once
// The clipboard: 8-bit text in cp1251, Unicode text and bitmaps, over the
// desktop's clipboard.

#include "platform/win/GlobalMemory.h"
#include "platform/win/WinTypes.h"

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_OEMTEXT = 7;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_UNICODETEXT = 13;

BOOL OpenClipboard(HWND Owner);
BOOL CloseClipboard();
BOOL EmptyClipboard();
HANDLE SetClipboardData(UINT Format, HANDLE Data);
HANDLE GetClipboardData(UINT Format);
BOOL IsClipboardFormatAvailable(UINT Format);
HWND GetOpenClipboardWindow();
