#include "platform/win/ScrollBars.h"

#include "platform/win/MessageQueue.h"
#include "platform/win/Paint.h"
#include "platform/win/Rect.h"
#include "platform/win/SysParams.h"
#include "platform/win/WinGdi.h"
#include "platform/win/WindowRegistry.h"

#include <algorithm>

namespace win
{
namespace
{

constexpr int MinThumb = 8;

bool Shown(const Window &W, int Bar)
{
    return W.Style & (Bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL);
}

ScrollBarState &StateOf(Window &W, int Bar)
{
    return Bar == SB_VERT ? W.VScroll : W.HScroll;
}

// The furthest position: the range less all but one line of the page.
int MaxPos(const ScrollBarState &S)
{
    return std::max(S.Min, S.Max - std::max(static_cast<int>(S.Page) - 1, 0));
}

bool CanScroll(const ScrollBarState &S)
{
    return S.Page == 0 ? S.Max > S.Min : static_cast<int>(S.Page) <= S.Max - S.Min;
}

// A bar along its axis: where the track starts and ends, and the thumb on it.
struct BarLayout {
    RECT Bar{};
    bool Vertical = true;
    int Arrow = 0;
    int TrackStart = 0, TrackEnd = 0;
    int ThumbStart = 0, ThumbEnd = 0;
};

BarLayout LayoutOf(const Window &W, int Bar)
{
    BarLayout L;
    L.Bar = ScrollBarRect(W, Bar);
    L.Vertical = Bar == SB_VERT;
    const int Start = L.Vertical ? L.Bar.top : L.Bar.left;
    const int End = L.Vertical ? L.Bar.bottom : L.Bar.right;
    L.Arrow =
        std::min(GetSystemMetrics(L.Vertical ? SM_CYVSCROLL : SM_CXHSCROLL), (End - Start) / 2);
    L.TrackStart = Start + L.Arrow;
    L.TrackEnd = End - L.Arrow;
    const ScrollBarState &S = Bar == SB_VERT ? W.VScroll : W.HScroll;
    const int Track = L.TrackEnd - L.TrackStart;
    const int Lines = S.Max - S.Min + 1;
    if (!CanScroll(S) || Track < MinThumb) {
        L.ThumbStart = L.ThumbEnd = L.TrackStart;
        return L;
    }
    const int Page = std::max(static_cast<int>(S.Page), 1);
    const int Size =
        std::clamp(static_cast<int>(static_cast<long long>(Track) * Page / Lines), MinThumb, Track);
    const int Span = std::max(MaxPos(S) - S.Min, 1);
    L.ThumbStart = L.TrackStart +
                   static_cast<int>(static_cast<long long>(Track - Size) * (S.Pos - S.Min) / Span);
    L.ThumbEnd = L.ThumbStart + Size;
    return L;
}

RECT AlongBar(const BarLayout &L, int From, int To)
{
    return L.Vertical ? RECT{L.Bar.left, From, L.Bar.right, To}
                      : RECT{From, L.Bar.top, To, L.Bar.bottom};
}

void PaintBar(const Window &W, int Bar, HDC Dc)
{
    const BarLayout L = LayoutOf(W, Bar);
    if (IsRectEmpty(&L.Bar)) return;
    const ScrollBarState &S = Bar == SB_VERT ? W.VScroll : W.HScroll;
    FillRect(Dc, &L.Bar, GetSysColorBrush(COLOR_SCROLLBAR));
    const UINT Flat = S.Flat ? DFCS_FLAT : 0;
    const UINT Inactive = CanScroll(S) ? 0 : DFCS_INACTIVE;
    RECT Before = AlongBar(L, L.TrackStart - L.Arrow, L.TrackStart);
    RECT After = AlongBar(L, L.TrackEnd, L.TrackEnd + L.Arrow);
    DrawFrameControl(Dc, &Before, DFC_SCROLL,
                     (L.Vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | Flat | Inactive);
    DrawFrameControl(Dc, &After, DFC_SCROLL,
                     (L.Vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | Flat | Inactive);
    if (L.ThumbEnd > L.ThumbStart) {
        RECT Thumb = AlongBar(L, L.ThumbStart, L.ThumbEnd);
        DrawFrameControl(Dc, &Thumb, DFC_BUTTON, DFCS_BUTTONPUSH | Flat);
    }
}

void Redraw(HWND Wnd)
{
    SetWindowPos(Wnd, {}, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void SetShown(HWND Wnd, Window &W, int Bar, bool Show)
{
    const DWORD Bit = Bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
    if (Shown(W, Bar) == Show) return;
    W.Style = Show ? (W.Style | Bit) : (W.Style & ~Bit);
    Redraw(Wnd);
}

int SendScroll(HWND Wnd, int Bar, int Request, int Pos = 0)
{
    SendMessageW(Wnd, Bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL,
                 MAKEWPARAM(static_cast<WORD>(Request), static_cast<WORD>(Pos)), 0);
    return Request;
}

int Along(const BarLayout &L, POINT P)
{
    return L.Vertical ? P.y : P.x;
}

POINT ToWindow(const Window &W, POINT Screen)
{
    const POINT Origin = WindowScreenOrigin(W);
    return POINT{Screen.x - Origin.x, Screen.y - Origin.y};
}

// Where along a bar a window point lies.
enum class BarPart { Outside, ArrowBefore, TrackBefore, Thumb, TrackAfter, ArrowAfter };

BarPart PartAt(const BarLayout &L, POINT P)
{
    if (!PtInRect(&L.Bar, P)) return BarPart::Outside;
    const int At = Along(L, P);
    if (At < L.TrackStart) return BarPart::ArrowBefore;
    if (At >= L.TrackEnd) return BarPart::ArrowAfter;
    if (At < L.ThumbStart) return BarPart::TrackBefore;
    if (At >= L.ThumbEnd) return BarPart::TrackAfter;
    return BarPart::Thumb;
}

int RequestFor(BarPart Part)
{
    switch (Part) {
    case BarPart::ArrowBefore:
        return SB_LINEUP;
    case BarPart::TrackBefore:
        return SB_PAGEUP;
    case BarPart::TrackAfter:
        return SB_PAGEDOWN;
    default:
        return SB_LINEDOWN;
    }
}

// The position that puts the thumb, taken at Grip, under the pointer.
int TrackPosition(const ScrollBarState &S, const BarLayout &L, int Pointer, int Grip)
{
    const int Room = std::max((L.TrackEnd - L.TrackStart) - (L.ThumbEnd - L.ThumbStart), 1);
    const int Offset = std::clamp(Pointer - Grip - L.TrackStart, 0, Room);
    return S.Min + static_cast<int>(static_cast<long long>(MaxPos(S) - S.Min) * Offset / Room);
}

// Holds the mouse while the left button stays down: pointer moves (window
// coordinates) go to OnMove and the thread timer Timer to OnTick, both only while
// the window lives; everything else is handled as usual.
template <class MoveHandler, class TickHandler>
void WhileHeld(HWND Wnd, UINT_PTR Timer, MoveHandler OnMove, TickHandler OnTick)
{
    SetCapture(Wnd);
    MSG Msg;
    while (GetCapture() == Wnd) {
        if (!GetMessageW(&Msg, {}, 0, 0)) {
            PostQuitMessage(static_cast<int>(Msg.wParam));
            break;
        }
        if (Msg.message == WM_LBUTTONUP) break;
        const bool Move = Msg.message == WM_MOUSEMOVE;
        const bool Tick = Msg.message == WM_TIMER && !Msg.hwnd && Timer && Msg.wParam == Timer;
        if (!Move && !Tick) {
            TranslateMessage(&Msg);
            DispatchMessageW(&Msg);
            continue;
        }
        Window *W = FindWindow(Wnd);
        if (!W) return;
        if (Move)
            OnMove(*W, ToWindow(*W, Msg.pt));
        else
            OnTick(*W);
    }
    if (GetCapture() == Wnd) ReleaseCapture();
}

void DragThumb(HWND Wnd, int Bar, int Grip)
{
    WhileHeld(
        Wnd, 0,
        [&](Window &W, POINT P) {
            ScrollBarState &S = StateOf(W, Bar);
            const BarLayout L = LayoutOf(W, Bar);
            S.TrackPos = TrackPosition(S, L, Along(L, P), Grip);
            SendScroll(Wnd, Bar, SB_THUMBTRACK, S.TrackPos);
        },
        [](Window &) {});
    if (Window *W = FindWindow(Wnd))
        SendScroll(Wnd, Bar, SB_THUMBPOSITION, StateOf(*W, Bar).TrackPos);
}

// An arrow or the track steps once, then again and again while the button is
// held over the same part; the track stops once the thumb has come under the
// pointer.
void RepeatWhileHeld(HWND Wnd, int Bar, BarPart Part, POINT Pointer)
{
    SendScroll(Wnd, Bar, RequestFor(Part));
    const UINT_PTR Timer = SetTimer({}, 0, FirstRepeatDelay, nullptr);
    bool Repeating = false;
    WhileHeld(
        Wnd, Timer, [&](Window &, POINT P) { Pointer = P; },
        [&](Window &W) {
            if (!Repeating) SetTimer({}, Timer, RepeatInterval, nullptr);
            Repeating = true;
            if (PartAt(LayoutOf(W, Bar), Pointer) == Part) SendScroll(Wnd, Bar, RequestFor(Part));
        });
    KillTimer({}, Timer);
}

Window *BarOwner(HWND Wnd, int Bar)
{
    if (Bar != SB_HORZ && Bar != SB_VERT && Bar != SB_BOTH) return nullptr;
    Window *W = FindWindow(Wnd);
    return W && W->ThreadId == CurrentThreadId() ? W : nullptr;
}

int SetInfo(HWND Wnd, int Bar, LPCSCROLLINFO Info, BOOL Redraw, bool Flat)
{
    Window *W = BarOwner(Wnd, Bar);
    if (!W || !Info || Bar == SB_BOTH) return 0;
    ScrollBarState &S = StateOf(*W, Bar);
    if (Flat) S.Flat = true;
    if (Info->fMask & SIF_RANGE) {
        S.Min = Info->nMin;
        S.Max = std::max(Info->nMax, Info->nMin);
    }
    if (Info->fMask & SIF_PAGE) S.Page = Info->nPage;
    S.Page = std::min<UINT>(S.Page, static_cast<UINT>(S.Max - S.Min + 1));
    if (Info->fMask & SIF_POS) S.Pos = Info->nPos;
    S.Pos = std::clamp(S.Pos, S.Min, MaxPos(S));
    const int Pos = S.Pos;
    const bool Show = CanScroll(S) || (Info->fMask & SIF_DISABLENOSCROLL);
    if (Info->fMask & (SIF_RANGE | SIF_PAGE)) SetShown(Wnd, *W, Bar, Show);
    if (Redraw) RedrawWindow(Wnd, nullptr, {}, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
    return Pos;
}

BOOL GetInfo(HWND Wnd, int Bar, LPSCROLLINFO Info)
{
    Window *W = BarOwner(Wnd, Bar);
    if (!W || !Info || Bar == SB_BOTH) return FALSE;
    const ScrollBarState &S = StateOf(*W, Bar);
    if (Info->fMask & SIF_RANGE) {
        Info->nMin = S.Min;
        Info->nMax = S.Max;
    }
    if (Info->fMask & SIF_PAGE) Info->nPage = S.Page;
    if (Info->fMask & SIF_POS) Info->nPos = S.Pos;
    if (Info->fMask & SIF_TRACKPOS) Info->nTrackPos = S.TrackPos;
    return TRUE;
}

} // namespace

void ExcludeScrollBars(const Window &W, RECT &Client)
{
    if (Shown(W, SB_VERT)) Client.right -= GetSystemMetrics(SM_CXVSCROLL);
    if (Shown(W, SB_HORZ)) Client.bottom -= GetSystemMetrics(SM_CYHSCROLL);
    Client.right = std::max(Client.right, Client.left);
    Client.bottom = std::max(Client.bottom, Client.top);
}

RECT ScrollBarRect(const Window &W, int Bar)
{
    if (!Shown(W, Bar)) return RECT{};
    const RECT &C = W.Client;
    if (Bar == SB_VERT)
        return RECT{C.right, C.top, C.right + GetSystemMetrics(SM_CXVSCROLL), C.bottom};
    return RECT{C.left, C.bottom, C.right, C.bottom + GetSystemMetrics(SM_CYHSCROLL)};
}

void PaintScrollBars(const Window &W, HDC WindowDc)
{
    PaintBar(W, SB_VERT, WindowDc);
    PaintBar(W, SB_HORZ, WindowDc);
    if (Shown(W, SB_VERT) && Shown(W, SB_HORZ)) {
        const RECT Corner{W.Client.right, W.Client.bottom,
                          W.Client.right + GetSystemMetrics(SM_CXVSCROLL),
                          W.Client.bottom + GetSystemMetrics(SM_CYHSCROLL)};
        FillRect(WindowDc, &Corner, GetSysColorBrush(COLOR_BTNFACE));
    }
}

LRESULT ScrollBarHit(const Window &W, POINT WindowPoint)
{
    const RECT V = ScrollBarRect(W, SB_VERT), H = ScrollBarRect(W, SB_HORZ);
    if (PtInRect(&V, WindowPoint)) return HTVSCROLL;
    if (PtInRect(&H, WindowPoint)) return HTHSCROLL;
    return HTNOWHERE;
}

void TrackScrollBar(HWND Wnd, int Bar, POINT Screen)
{
    Window *W = FindWindow(Wnd);
    if (!W || !CanScroll(StateOf(*W, Bar))) return;
    const BarLayout L = LayoutOf(*W, Bar);
    const POINT P = ToWindow(*W, Screen);
    const BarPart Part = PartAt(L, P);
    if (Part == BarPart::Outside) return;
    if (Part == BarPart::Thumb) {
        ScrollBarState &S = StateOf(*W, Bar);
        S.TrackPos = S.Pos;
        DragThumb(Wnd, Bar, Along(L, P) - L.ThumbStart);
    } else {
        RepeatWhileHeld(Wnd, Bar, Part, P);
    }
    if (FindWindow(Wnd)) SendScroll(Wnd, Bar, SB_ENDSCROLL);
}

} // namespace win

using namespace win;

int SetScrollInfo(HWND Wnd, int Bar, LPCSCROLLINFO Info, BOOL Redraw)
{
    return SetInfo(Wnd, Bar, Info, Redraw, false);
}

BOOL GetScrollInfo(HWND Wnd, int Bar, LPSCROLLINFO Info)
{
    return GetInfo(Wnd, Bar, Info);
}

BOOL ShowScrollBar(HWND Wnd, int Bar, BOOL Show)
{
    Window *W = BarOwner(Wnd, Bar);
    if (!W) return FALSE;
    if (Bar == SB_BOTH) {
        SetShown(Wnd, *W, SB_HORZ, Show);
        if ((W = FindWindow(Wnd))) SetShown(Wnd, *W, SB_VERT, Show);
        return TRUE;
    }
    SetShown(Wnd, *W, Bar, Show);
    return TRUE;
}

BOOL InitializeFlatSB(HWND Wnd)
{
    Window *W = BarOwner(Wnd, SB_BOTH);
    if (!W) return FALSE;
    W->HScroll.Flat = W->VScroll.Flat = true;
    return TRUE;
}

int FlatSB_SetScrollInfo(HWND Wnd, int Bar, LPCSCROLLINFO Info, BOOL Redraw)
{
    return SetInfo(Wnd, Bar, Info, Redraw, true);
}

BOOL FlatSB_GetScrollInfo(HWND Wnd, int Bar, LPSCROLLINFO Info)
{
    return GetInfo(Wnd, Bar, Info);
}
