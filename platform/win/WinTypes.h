#pragma once
// The basic Win32 types, shared by every Win32 facility of the platform layer.
// Sizes follow the 64-bit Windows model (LLP64): DWORD and LONG stay 32 bits,
// the *_PTR types and handles are pointer-sized.

#include <cstddef>
#include <cstdint>

#define WINAPI
#define CALLBACK
#define APIENTRY

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using DWORD64 = std::uint64_t;
using BOOL = int;
using BOOLEAN = BYTE;
using CHAR = char;
using UCHAR = unsigned char;
using WCHAR = char16_t;
using FLOAT = float;

using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using SIZE_T = std::size_t;

using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using ATOM = WORD;
using COLORREF = DWORD;

using LPVOID = void *;
using LPCVOID = const void *;
using PVOID = void *;
using LPSTR = CHAR *;
using LPCSTR = const CHAR *;
using LPWSTR = WCHAR *;
using LPCWSTR = const WCHAR *;
using LPBYTE = BYTE *;
using LPDWORD = DWORD *;
using LPWORD = WORD *;
using LPLONG = LONG *;
using LPBOOL = BOOL *;
using LPINT = INT *;
using PDWORD = DWORD *;
using LPCOLORREF = COLORREF *;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Every handle is an opaque pointer-sized value of its own type, so a device context
// cannot be passed where a window is expected. Window and GDI handles are small
// integers from our registries carried in the pointer; they are never dereferenced.
using HANDLE = void *;
#define QRV4_DECLARE_HANDLE(Name)                                                                  \
    struct Name##__;                                                                               \
    using Name = Name##__ *

QRV4_DECLARE_HANDLE(HWND);
QRV4_DECLARE_HANDLE(HDC);
QRV4_DECLARE_HANDLE(HINSTANCE);
QRV4_DECLARE_HANDLE(HMENU);
QRV4_DECLARE_HANDLE(HHOOK);
QRV4_DECLARE_HANDLE(HMONITOR);
QRV4_DECLARE_HANDLE(HICON);
QRV4_DECLARE_HANDLE(HIMAGELIST);
QRV4_DECLARE_HANDLE(HKEY);
#undef QRV4_DECLARE_HANDLE

// GDI objects share one handle type, as SelectObject and DeleteObject take any of them.
using HGDIOBJ = void *;
using HFONT = HGDIOBJ;
using HPEN = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HBITMAP = HGDIOBJ;
using HRGN = HGDIOBJ;
using HPALETTE = HGDIOBJ;
using HCURSOR = HICON;
using HMODULE = HINSTANCE;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)))

struct POINT {
    LONG x;
    LONG y;
};
using LPPOINT = POINT *;
using PPOINT = POINT *;

struct POINTS {
    SHORT x;
    SHORT y;
};

struct SIZE {
    LONG cx;
    LONG cy;
};
using LPSIZE = SIZE *;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT *;
using LPCRECT = const RECT *;
using PRECT = RECT *;

constexpr WORD LOWORD(DWORD_PTR Value)
{
    return static_cast<WORD>(Value & 0xFFFF);
}
constexpr WORD HIWORD(DWORD_PTR Value)
{
    return static_cast<WORD>((Value >> 16) & 0xFFFF);
}
constexpr BYTE LOBYTE(DWORD_PTR Value)
{
    return static_cast<BYTE>(Value & 0xFF);
}
constexpr BYTE HIBYTE(DWORD_PTR Value)
{
    return static_cast<BYTE>((Value >> 8) & 0xFF);
}
constexpr DWORD MAKELONG(WORD Low, WORD High)
{
    return DWORD(Low) | (DWORD(High) << 16);
}
constexpr WORD MAKEWORD(BYTE Low, BYTE High)
{
    return WORD(Low | (WORD(High) << 8));
}
constexpr WPARAM MAKEWPARAM(WORD Low, WORD High)
{
    return MAKELONG(Low, High);
}
constexpr LPARAM MAKELPARAM(WORD Low, WORD High)
{
    return static_cast<LPARAM>(MAKELONG(Low, High));
}
constexpr LRESULT MAKELRESULT(WORD Low, WORD High)
{
    return static_cast<LRESULT>(MAKELONG(Low, High));
}
// Signed coordinates packed in an LPARAM, as mouse messages carry them.
constexpr int GET_X_LPARAM(LPARAM Value)
{
    return static_cast<SHORT>(LOWORD(Value));
}
constexpr int GET_Y_LPARAM(LPARAM Value)
{
    return static_cast<SHORT>(HIWORD(Value));
}

constexpr COLORREF RGB(BYTE R, BYTE G, BYTE B)
{
    return COLORREF(R) | (COLORREF(G) << 8) | (COLORREF(B) << 16);
}
constexpr BYTE GetRValue(COLORREF Color)
{
    return LOBYTE(Color);
}
constexpr BYTE GetGValue(COLORREF Color)
{
    return LOBYTE(Color >> 8);
}
constexpr BYTE GetBValue(COLORREF Color)
{
    return LOBYTE(Color >> 16);
}

// A registry handle from its integer and back; 0 is the null handle.
template <typename Handle> inline Handle HandleFromId(std::uintptr_t Id)
{
    return reinterpret_cast<Handle>(Id);
}
template <typename Handle> inline std::uintptr_t IdFromHandle(Handle Value)
{
    return reinterpret_cast<std::uintptr_t>(Value);
}
