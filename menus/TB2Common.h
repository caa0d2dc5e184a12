#pragma once
// System queries and small drawing and message routines shared by the menus.

#include "platform/vcl/Controls.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/Paint.h"
#include "platform/win/Rect.h"
#include "platform/win/SysParams.h"
#include "platform/win/WinGdi.h"

#include <algorithm>
#include <functional>
#include <vector>

// Adds Item unless the list holds it already; true when added.
template <class T> bool AddToList(std::vector<T> &List, const T &Item)
{
    if (std::find(List.begin(), List.end(), Item) != List.end()) return false;
    List.push_back(Item);
    return true;
}

// Removes Item; true when the list held it.
template <class T> bool RemoveFromList(std::vector<T> &List, const T &Item)
{
    return std::erase(List, Item) > 0;
}

// Sorts List by Compare(A, B, Data), negative when A goes first. Items that compare equal
// keep their order, so that sorting again moves nothing.
template <class T, class TCompare, class TData>
void ListSortEx(std::vector<T> &List, TCompare Compare, const TData &Data)
{
    if (List.size() < 2) return;
    std::stable_sort(List.begin(), List.end(),
                     [&](const T &A, const T &B) { return Compare(A, B, Data) < 0; });
}

// A handler as a receiver registers it: the object it runs for and the routine it runs.
// A bound std::function cannot compare its targets, so the routine is told by its type.
struct TTBMethod {
    TObject *Object = nullptr;
    TNotifyEvent Proc;
};
// Code and object both equal.
bool MethodsEqual(const TTBMethod &M1, const TTBMethod &M2);
inline bool operator==(const TTBMethod &M1, const TTBMethod &M2)
{
    return MethodsEqual(M1, M2);
}

// Change handlers of a component, each method once.
class TTBChangeHandlers
{
public:
    void Register(TObject *Receiver, const TNotifyEvent &Proc);
    // Forgets every handler that runs for Receiver.
    void Unregister(TObject *Receiver);
    // A handler may register or unregister handlers meanwhile; those listed now are called.
    void Notify(TObject *Sender) const;

private:
    std::vector<TTBMethod> FHandlers;
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
