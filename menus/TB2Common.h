#pragma once
// System queries and small drawing and message routines shared by the menus.

#include "platform/vcl/Controls.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/Paint.h"
#include "platform/win/Rect.h"
#include "platform/win/SysParams.h"
#include "platform/win/WinGdi.h"

#include <functional>
#include <utility>
#include <vector>

// Change handlers of a component, registered by their receivers, each receiver once.
class TTBChangeHandlers
{
public:
    void Register(TObject *Receiver, const TNotifyEvent &Proc);
    void Unregister(TObject *Receiver);
    // A handler may register or unregister handlers meanwhile; those listed now are called.
    void Notify(TObject *Sender) const;

private:
    std::vector<std::pair<TObject *, TNotifyEvent>> FHandlers;
};

// Custom messages of the menu library.
constexpr UINT WM_TB2K_CLICKITEM = WM_USER + 0x100;
constexpr UINT WM_TB2K_ANIMATIONSTEP = WM_USER + 0x555;
constexpr UINT WM_TB2K_ANIMATIONENDED = WM_USER + 0x556;

// The "no position" marker of the tracking loop's last mouse position.
constexpr LONG TBNoPosition = static_cast<LONG>(0x80000000);

// Groups shown inline that nest deeper than this are taken to link round in a circle.
constexpr int TBMaxGroupDepth = 25;

bool ApplicationIsActive();
// X / Y rounded away from zero; the sign comes from both operands.
int DivRoundUp(int X, int Y);
int GetTextHeight(HDC DC);
// Width of S; with Prefix, "&" marks are removed first and "&&" counts as one "&".
int GetTextWidth(HDC DC, AnsiString S, bool Prefix);
// S without its "&" marks ("&&" becomes "&").
AnsiString StripAccelChars(const AnsiString &S);
// The character after the last single "&", or 0 when there is none.
char FindAccelChar(const AnsiString &S);

void ProcessPaintMessages();
void RemoveMessages(UINT Min, UINT Max);
// Answers WM_PRINT: the frame through NCPaintProc, then background and client.
using TNCPaintProc = std::function<void(HWND Wnd, HDC DC)>;
void HandleWMPrint(HWND Wnd, TMessage &Message, const TNCPaintProc &NCPaintProc);
void HandleWMPrintClient(TWinControl *Control, TMessage &Message);
// Clips a window DC to an update region given in screen coordinates.
void SelectNCUpdateRgn(HWND Wnd, HDC DC, HRGN Rgn);

int GetMenuShowDelay();
// The registry's "MenuShowDelay" as the fall-back reads it, uncached.
int ReadMenuShowDelayValue();
bool AreFlatMenusEnabled();
// Asks for the mouse notifications Flags (TME_LEAVE ...) of Wnd; false when refused.
bool CallTrackMouseEvent(HWND Wnd, DWORD Flags);
bool AreKeyboardCuesEnabled();
bool IsWindowsXP();
bool NeedToPlaySound(const AnsiString &Alias);
void PlaySystemSound(const AnsiString &Alias);

TRect GetRectOfPrimaryMonitor(bool WorkArea);
bool UsingMultipleMonitors();
TRect GetRectOfMonitorContainingRect(const TRect &R, bool WorkArea);
TRect GetRectOfMonitorContainingPoint(const TPoint &P, bool WorkArea);
TRect GetRectOfMonitorContainingWindow(HWND Wnd, bool WorkArea);

HRGN CreateNullRegion();

// The DC's font turned to run top to bottom, for captions on vertical bars; the caller
// deletes it.
HFONT CreateRotatedFont(HDC DC);
// S centred in ARect in the DC's (rotated) font, its "&" marks removed and its accelerator
// underlined unless Format holds DT_HIDEPREFIX.
void DrawRotatedText(HDC DC, const AnsiString &S, const TRect &ARect, UINT Format);

// An 8 by 8 checkerboard pattern brush; the caller deletes it.
HBRUSH CreateHalftoneBrush();
// The drag outline: frames NewSize and OldSize thick inside NewRect and OldRect, inverted with
// Brush and LastBrush (PATINVERT). A null rectangle is no frame, a null brush the halftone one;
// with one brush for both only the frames' difference is touched, so nothing flickers.
void DrawInvertRect(HDC DC, const RECT *NewRect, const RECT *OldRect, SIZE NewSize, SIZE OldSize,
                    HBRUSH Brush, HBRUSH LastBrush);
void DrawHalftoneInvertRect(HDC DC, const RECT *NewRect, const RECT *OldRect, SIZE NewSize,
                            SIZE OldSize);

// The library's font: the menu font of the system, read at first use and again by
// TBInitToolbarSystemFont when the system's non-client metrics change.
TFont *ToolbarFont();
void TBInitToolbarSystemFont();
