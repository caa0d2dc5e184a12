#pragma once
// The code pages of the font character sets, and 8-bit text read in any of them.
// The program's own code page is 1251; text of fonts made for other scripts
// comes in theirs.

#include "platform/win/WinTypes.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_SYMBOL = 42;

constexpr DWORD TCI_SRCCHARSET = 1;
constexpr DWORD TCI_SRCCODEPAGE = 2;

struct CHARSETINFO {
    UINT ciCharset;
    UINT ciACP;
};
using LPCHARSETINFO = CHARSETINFO *;

// TCI_SRCCHARSET: Src holds a character set (as the pointer's value); TCI_SRCCODEPAGE: a code
// page. FALSE for one the system does not know.
BOOL TranslateCharsetInfo(DWORD *Src, LPCHARSETINFO Cs, DWORD Flags);
UINT GetACP();
UINT GetOEMCP();
// Count -1: up to and with the terminating zero. WideCount 0: only the length needed.
// Bytes the code page does not define become U+FFFD.
int MultiByteToWideChar(UINT CodePage, DWORD Flags, LPCSTR MultiByte, int Count, LPWSTR WideChar,
                        int WideCount);
