#include "platform/win/MessageQueue.h"
#include "platform/win/NativeWidget.h"
#include "platform/win/Paint.h"
#include "platform/win/Rect.h"
#include "platform/win/SysParams.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"

#include <algorithm>

namespace win
{
namespace
{

// Frame thickness of a window's styles, outside any client edge.
int FrameWidth(const Window &W)
{
    if (W.Style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
    if ((W.Style & WS_DLGFRAME) || (W.ExStyle & WS_EX_DLGMODALFRAME))
        return GetSystemMetrics(SM_CXDLGFRAME);
    if (W.Style & WS_BORDER) return GetSystemMetrics(SM_CXBORDER);
    return 0;
}

int EdgeWidth(const Window &W)
{
    if (W.ExStyle & WS_EX_CLIENTEDGE) return GetSystemMetrics(SM_CXEDGE);
    if (W.ExStyle & WS_EX_STATICEDGE) return GetSystemMetrics(SM_CXBORDER);
    return 0;
}

int CaptionHeight(const Window &W)
{
    if ((W.Style & WS_CAPTION) != WS_CAPTION) return 0;
    return GetSystemMetrics((W.ExStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
}

LRESULT CalcSize(const Window &W, LPARAM LParam)
{
    auto *Params = reinterpret_cast<NCCALCSIZE_PARAMS *>(LParam);
    RECT &R = Params->rgrc[0];
    const int Inset = FrameWidth(W) + EdgeWidth(W);
    InflateRect(&R, -Inset, -Inset);
    R.top += CaptionHeight(W);
    ExcludeScrollBars(W, R);
    R.right = std::max(R.right, R.left);
    R.bottom = std::max(R.bottom, R.top);
    return 0;
}

LRESULT HitTest(const Window &W, LPARAM LParam)
{
    const POINT P{GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)};
    const RECT Screen = ScreenRect(W);
    if (!PtInRect(&Screen, P)) return HTNOWHERE;
    const POINT Origin = WindowScreenOrigin(W);
    RECT Client = W.Client;
    OffsetRect(&Client, Origin.x, Origin.y);
    if (PtInRect(&Client, P)) return HTCLIENT;
    if (const LRESULT Bar = ScrollBarHit(W, POINT{P.x - Origin.x, P.y - Origin.y})) return Bar;
    if (W.Style & WS_THICKFRAME) {
        const int F = FrameWidth(W);
        const bool Left = P.x < Screen.left + F, Right = P.x >= Screen.right - F;
        const bool Top = P.y < Screen.top + F, Bottom = P.y >= Screen.bottom - F;
        if (Top && Left) return HTTOPLEFT;
        if (Top && Right) return HTTOPRIGHT;
        if (Bottom && Left) return HTBOTTOMLEFT;
        if (Bottom && Right) return HTBOTTOMRIGHT;
        if (Left) return HTLEFT;
        if (Right) return HTRIGHT;
        if (Top) return HTTOP;
        if (Bottom) return HTBOTTOM;
    }
    if (CaptionHeight(W) && P.y < Client.top && P.y >= Client.top - CaptionHeight(W))
        return HTCAPTION;
    return HTBORDER;
}

// The frame Windows draws for the standard styles: a black line for WS_BORDER,
// raised edges for dialog and sizing frames, sunken client edges, a caption bar.
void PaintFrame(HWND Wnd, const Window &W, HDC Dc)
{
    RECT R{0, 0, W.Width(), W.Height()};
    const int Frame = FrameWidth(W);
    if ((W.Style & (WS_THICKFRAME | WS_DLGFRAME)) || (W.ExStyle & WS_EX_DLGMODALFRAME)) {
        DrawEdge(Dc, &R, EDGE_RAISED, BF_RECT | BF_ADJUST);
        for (int I = 2; I < Frame; ++I) {
            FrameRect(Dc, &R, GetSysColorBrush(COLOR_BTNFACE));
            InflateRect(&R, -1, -1);
        }
    } else if (Frame) {
        FrameRect(Dc, &R, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&R, -1, -1);
    }
    if (const int Height = CaptionHeight(W)) {
        const RECT Caption{R.left, R.top, R.right, R.top + Height};
        UINT Flags = DC_TEXT | DC_GRADIENT | ((W.ExStyle & WS_EX_TOOLWINDOW) ? DC_SMALLCAP : 0);
        if (GetActiveWindow() == Wnd) Flags |= DC_ACTIVE;
        DrawCaption(Wnd, Dc, &Caption, Flags);
        R.top += Height;
    }
    if (W.ExStyle & WS_EX_CLIENTEDGE)
        DrawEdge(Dc, &R, EDGE_SUNKEN, BF_RECT);
    else if (W.ExStyle & WS_EX_STATICEDGE)
        DrawEdge(Dc, &R, BDR_SUNKENOUTER, BF_RECT);
    PaintScrollBars(W, Dc);
}

void Print(HWND Wnd, const Window &W, HDC Dc, LPARAM Flags)
{
    if ((Flags & PRF_CHECKVISIBLE) && !IsWindowVisible(Wnd)) return;
    if (Flags & PRF_NONCLIENT) PaintFrame(Wnd, W, Dc);
    POINT Old;
    OffsetViewportOrgEx(Dc, W.Client.left, W.Client.top, &Old);
    const int Saved = SaveDC(Dc);
    IntersectClipRect(Dc, 0, 0, W.Client.right - W.Client.left, W.Client.bottom - W.Client.top);
    if (Flags & PRF_ERASEBKGND) SendMessageW(Wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(Dc), 0);
    if (Flags & PRF_CLIENT) SendMessageW(Wnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(Dc), Flags);
    if (Flags & PRF_CHILDREN)
        for (auto It = W.Children.rbegin(); It != W.Children.rend(); ++It) {
            const Window *C = FindWindow(*It);
            if (!C || !C->Visible) continue;
            POINT ChildOld;
            OffsetViewportOrgEx(Dc, C->Rect.left, C->Rect.top, &ChildOld);
            SendMessageW(*It, WM_PRINT, reinterpret_cast<WPARAM>(Dc), Flags & ~PRF_CHECKVISIBLE);
            SetViewportOrgEx(Dc, ChildOld.x, ChildOld.y, nullptr);
        }
    RestoreDC(Dc, Saved);
    SetViewportOrgEx(Dc, Old.x, Old.y, nullptr);
}

HCURSOR CursorForHit(LRESULT Hit)
{
    switch (Hit) {
    case HTLEFT:
    case HTRIGHT:
        return LoadCursorW({}, IDC_SIZEWE);
    case HTTOP:
    case HTBOTTOM:
        return LoadCursorW({}, IDC_SIZENS);
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
        return LoadCursorW({}, IDC_SIZENWSE);
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
        return LoadCursorW({}, IDC_SIZENESW);
    default:
        return LoadCursorW({}, IDC_ARROW);
    }
}

LRESULT SetCursorFor(HWND Wnd, const Window &W, WPARAM WParam, LPARAM LParam)
{
    if (!W.TopLevel() && W.Parent && SendMessageW(W.Parent, WM_SETCURSOR, WParam, LParam))
        return TRUE;
    const auto Hit = static_cast<SHORT>(LOWORD(LParam));
    if (Hit == HTERROR) {
        const UINT Msg = HIWORD(LParam);
        if (Msg == WM_LBUTTONDOWN || Msg == WM_RBUTTONDOWN || Msg == WM_MBUTTONDOWN) MessageBeep(0);
        return FALSE;
    }
    if (Hit == HTCLIENT) {
        if (W.Class && W.Class->Cursor) SetCursor(W.Class->Cursor);
        return W.Class && W.Class->Cursor ? TRUE : FALSE;
    }
    (void)Wnd;
    SetCursor(CursorForHit(Hit));
    return TRUE;
}

HBRUSH BackgroundBrush(const Window &W)
{
    if (!W.Class || !W.Class->Background) return {};
    // A class background may name a system colour as its index + 1.
    const auto Value = reinterpret_cast<std::uintptr_t>(W.Class->Background);
    if (Value <= static_cast<std::uintptr_t>(COLOR_COUNT))
        return GetSysColorBrush(static_cast<int>(Value) - 1);
    return W.Class->Background;
}

LRESULT CopyText(const Window &W, WPARAM Max, LPARAM Buffer)
{
    auto *Out = reinterpret_cast<char16_t *>(Buffer);
    if (!Out || Max == 0) return 0;
    const std::size_t N = std::min<std::size_t>(W.Text.size(), Max - 1);
    std::copy_n(W.Text.data(), N, Out);
    Out[N] = 0;
    return static_cast<LRESULT>(N);
}

} // namespace
} // namespace win

using namespace win;

LRESULT DefWindowProcW(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    Window *W = FindWindow(Wnd);
    if (!W) return 0;
    const bool Native = ((Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST) ||
                         (Msg >= WM_KEYFIRST && Msg <= WM_KEYLAST)) &&
                        ReplayNative(Wnd, Msg, WParam);
    switch (Msg) {
    case WM_NCCREATE: {
        const auto *Create = reinterpret_cast<const CREATESTRUCTW *>(LParam);
        if (Create && Create->lpszName) W->Text = Create->lpszName;
        return TRUE;
    }
    case WM_NCCALCSIZE:
        return CalcSize(*W, LParam);
    case WM_NCHITTEST:
        return HitTest(*W, LParam);
    case WM_NCPAINT: {
        const HDC Dc = GetWindowDC(Wnd);
        PaintFrame(Wnd, *W, Dc);
        ReleaseDC(Wnd, Dc);
        return 0;
    }
    case WM_NCACTIVATE:
        if (CaptionHeight(*W))
            RedrawWindow(Wnd, nullptr, {}, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
        return TRUE;
    case WM_ERASEBKGND: {
        const HBRUSH Brush = BackgroundBrush(*W);
        if (!Brush) return 0;
        RECT R;
        GetClientRect(Wnd, &R);
        FillRect(reinterpret_cast<HDC>(WParam), &R, Brush);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT Ps;
        BeginPaint(Wnd, &Ps);
        EndPaint(Wnd, &Ps);
        return 0;
    }
    case WM_PRINT:
        Print(Wnd, *W, reinterpret_cast<HDC>(WParam), LParam);
        return 0;
    case WM_NCLBUTTONDOWN:
        if (WParam == static_cast<WPARAM>(HTHSCROLL) || WParam == static_cast<WPARAM>(HTVSCROLL))
            TrackScrollBar(Wnd, WParam == static_cast<WPARAM>(HTVSCROLL) ? SB_VERT : SB_HORZ,
                           POINT{GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)});
        return 0;
    case WM_SETCURSOR:
        return SetCursorFor(Wnd, *W, WParam, LParam);
    case WM_MOUSEACTIVATE:
        if (!W->TopLevel() && W->Parent)
            if (const LRESULT R = SendMessageW(W->Parent, WM_MOUSEACTIVATE, WParam, LParam))
                return R;
        return MA_ACTIVATE;
    case WM_MOUSEWHEEL:
        // A Qt control scrolls itself.
        if (Native) return 1;
        [[fallthrough]];
    case WM_CONTEXTMENU:
        if (!W->TopLevel() && W->Parent) return SendMessageW(W->Parent, Msg, WParam, LParam);
        return 0;
    case WM_CLOSE:
        DestroyWindow(Wnd);
        return 0;
    case WM_SYSCOMMAND:
        switch (WParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessageW(Wnd, WM_CLOSE, 0, 0);
            break;
        case SC_MINIMIZE:
            ShowWindow(Wnd, SW_MINIMIZE);
            break;
        case SC_MAXIMIZE:
            ShowWindow(Wnd, SW_MAXIMIZE);
            break;
        case SC_RESTORE:
            ShowWindow(Wnd, SW_RESTORE);
            break;
        default:
            break;
        }
        return 0;
    case WM_SYSKEYDOWN:
        if (WParam == static_cast<WPARAM>(VK_F4) && (LParam & (1 << 29)))
            SendMessageW(Wnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(WParam) != WA_INACTIVE && !W->Minimized && GetFocus() != Wnd &&
            !IsChild(Wnd, GetFocus()))
            SetFocus(Wnd);
        return 0;
    case WM_CANCELMODE:
        if (GetCapture() == Wnd) ReleaseCapture();
        return 0;
    case WM_WINDOWPOSCHANGED: {
        const auto *Pos = reinterpret_cast<const WINDOWPOS *>(LParam);
        if (!(Pos->flags & SWP_NOMOVE))
            SendMessageW(
                Wnd, WM_MOVE, 0,
                MAKELPARAM(static_cast<WORD>(W->Rect.left), static_cast<WORD>(W->Rect.top)));
        if (!(Pos->flags & SWP_NOSIZE) && (W = FindWindow(Wnd)))
            SendMessageW(Wnd, WM_SIZE,
                         W->Minimized               ? SIZE_MINIMIZED
                         : (W->Style & WS_MAXIMIZE) ? SIZE_MAXIMIZED
                                                    : SIZE_RESTORED,
                         MAKELPARAM(static_cast<WORD>(W->Client.right - W->Client.left),
                                    static_cast<WORD>(W->Client.bottom - W->Client.top)));
        return 0;
    }
    case WM_SETTEXT: {
        const auto *Text = reinterpret_cast<const char16_t *>(LParam);
        W->Text = Text ? Text : u"";
        SetWidgetTitle(Wnd);
        if (CaptionHeight(*W))
            RedrawWindow(Wnd, nullptr, {}, RDW_INVALIDATE | RDW_FRAME | RDW_NOCHILDREN);
        return TRUE;
    }
    case WM_GETTEXT:
        return CopyText(*W, WParam, LParam);
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(W->Text.size());
    default:
        return 0;
    }
}
