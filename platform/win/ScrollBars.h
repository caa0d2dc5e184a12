#pragma once
// The scroll bars of a window's frame (WS_HSCROLL, WS_VSCROLL): their range,
// page and position, their painting beside the client area, and the mouse on
// them, which the window hears as WM_HSCROLL and WM_VSCROLL.

#include "platform/win/WinUser.h"

constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;

// WM_HSCROLL and WM_VSCROLL requests.
constexpr int SB_LINEUP = 0;
constexpr int SB_LINELEFT = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_LINERIGHT = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGELEFT = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_PAGERIGHT = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_LEFT = 6;
constexpr int SB_BOTTOM = 7;
constexpr int SB_RIGHT = 7;
constexpr int SB_ENDSCROLL = 8;

constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

struct SCROLLINFO {
    UINT cbSize = sizeof(SCROLLINFO);
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};
using LPSCROLLINFO = SCROLLINFO *;
using LPCSCROLLINFO = const SCROLLINFO *;

// Returns the position kept (clamped to the range less the page).
int SetScrollInfo(HWND Wnd, int Bar, LPCSCROLLINFO Info, BOOL Redraw);
BOOL GetScrollInfo(HWND Wnd, int Bar, LPSCROLLINFO Info);
BOOL ShowScrollBar(HWND Wnd, int Bar, BOOL Show);

// Flat bars: drawn without the raised edges of the arrows and the thumb.
BOOL InitializeFlatSB(HWND Wnd);
int FlatSB_SetScrollInfo(HWND Wnd, int Bar, LPCSCROLLINFO Info, BOOL Redraw);
BOOL FlatSB_GetScrollInfo(HWND Wnd, int Bar, LPSCROLLINFO Info);

namespace win
{

// A held arrow or track steps again after a pause, then at a steady pace; bars drawn by
// controls themselves keep the same pace.
constexpr UINT FirstRepeatDelay = 400;
constexpr UINT RepeatInterval = 50;

// The state of one bar of a window.
struct ScrollBarState {
    int Min = 0;
    int Max = 0;
    UINT Page = 0;
    int Pos = 0;
    int TrackPos = 0;
    bool Flat = false;
};

struct Window;

// The frame's share of the bars, for WM_NCCALCSIZE: the client rectangle loses
// their width and height.
void ExcludeScrollBars(const Window &W, RECT &Client);
// Where in the window (window coordinates) a bar stands; empty when it is hidden.
RECT ScrollBarRect(const Window &W, int Bar);
void PaintScrollBars(const Window &W, HDC WindowDc);
// The hit code of a window point over a bar, or HTNOWHERE.
LRESULT ScrollBarHit(const Window &W, POINT WindowPoint);
// A press on a bar (WM_NCLBUTTONDOWN with HTHSCROLL or HTVSCROLL): arrows and the
// track send one step, the thumb is dragged until the button is released.
void TrackScrollBar(HWND Wnd, int Bar, POINT Screen);

} // namespace win
