#pragma once
// Window painting: update regions, WM_PAINT, and the device contexts of windows.
// A window's DC draws on the window's own surface image, so drawing outside
// WM_PAINT shows at once and can be read back.

#include "platform/win/WinGdi.h"
#include "platform/win/WinUser.h"

constexpr DWORD DCX_WINDOW = 0x00000001;
constexpr DWORD DCX_CACHE = 0x00000002;
constexpr DWORD DCX_NORESETATTRS = 0x00000004;
constexpr DWORD DCX_CLIPCHILDREN = 0x00000008;
constexpr DWORD DCX_CLIPSIBLINGS = 0x00000010;
constexpr DWORD DCX_PARENTCLIP = 0x00000020;
constexpr DWORD DCX_EXCLUDERGN = 0x00000040;
constexpr DWORD DCX_INTERSECTRGN = 0x00000080;
constexpr DWORD DCX_LOCKWINDOWUPDATE = 0x00000400;
constexpr DWORD DCX_VALIDATE = 0x00200000;

constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;

constexpr UINT SW_SCROLLCHILDREN = 0x0001;
constexpr UINT SW_INVALIDATE = 0x0002;
constexpr UINT SW_ERASE = 0x0004;

HDC GetDC(HWND Wnd);
HDC GetWindowDC(HWND Wnd);
HDC GetDCEx(HWND Wnd, HRGN Clip, DWORD Flags);
int ReleaseDC(HWND Wnd, HDC Dc);
HWND WindowFromDC(HDC Dc);
HDC BeginPaint(HWND Wnd, LPPAINTSTRUCT Paint);
BOOL EndPaint(HWND Wnd, const PAINTSTRUCT *Paint);
BOOL InvalidateRect(HWND Wnd, const RECT *Rect, BOOL Erase);
BOOL InvalidateRgn(HWND Wnd, HRGN Region, BOOL Erase);
BOOL ValidateRect(HWND Wnd, const RECT *Rect);
BOOL ValidateRgn(HWND Wnd, HRGN Region);
BOOL GetUpdateRect(HWND Wnd, LPRECT Rect, BOOL Erase);
int GetUpdateRgn(HWND Wnd, HRGN Region, BOOL Erase);
BOOL RedrawWindow(HWND Wnd, const RECT *Update, HRGN Region, UINT Flags);
BOOL UpdateWindow(HWND Wnd);
BOOL LockWindowUpdate(HWND Wnd);
int ScrollWindowEx(HWND Wnd, int Dx, int Dy, const RECT *Scroll, const RECT *Clip, HRGN Update,
                   LPRECT UpdateRect, UINT Flags);

namespace win
{

// The pixel of a window's surface at a point of the whole window rectangle, as
// COLORREF; CLR_INVALID outside. For tests and screen snapshots.
COLORREF SurfacePixel(HWND Wnd, int X, int Y);

} // namespace win
