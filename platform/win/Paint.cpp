#include "platform/win/Paint.h"

#include "platform/win/DeviceContext.h"
#include "platform/win/MessageQueue.h"
#include "platform/win/QueueInternal.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"

#include <cstring>

namespace win
{
namespace
{

QRegion ClientArea(const Window &W)
{
    return QRegion(0, 0, W.Client.right - W.Client.left, W.Client.bottom - W.Client.top);
}

QRegion RectArea(const Window &W, const RECT *Rect)
{
    if (!Rect) return ClientArea(W);
    return QRegion(QRect(QPoint(Rect->left, Rect->top), QPoint(Rect->right - 1, Rect->bottom - 1)));
}

Window *OwnWindow(HWND Wnd)
{
    Window *W = FindWindow(Wnd);
    return W && W->ThreadId == CurrentThreadId() && !W->MessageOnly ? W : nullptr;
}

void Invalidate(Window &W, const QRegion &Area, bool Erase)
{
    const QRegion Inside = Area & ClientArea(W);
    if (Inside.isEmpty()) return;
    W.Update += Inside;
    W.EraseBackground |= Erase;
    NotePaintPending(W.Handle);
}

void Validate(Window &W, const QRegion *Area)
{
    if (!Area) {
        W.Update = QRegion();
        W.EraseBackground = false;
        return;
    }
    W.Update -= *Area;
    if (W.Update.isEmpty()) W.EraseBackground = false;
}

HDC ClientDc(Window &W, const QRegion &Visible)
{
    const HDC Dc = NewDc(DcKind::Window, W.Handle);
    DeviceContext *D = FindDc(Dc);
    D->Origin = QPoint(W.Client.left, W.Client.top);
    D->Visible = Visible & ClientArea(W);
    return Dc;
}

HDC WholeWindowDc(Window &W)
{
    const HDC Dc = NewDc(DcKind::Window, W.Handle);
    FindDc(Dc)->Visible = QRegion(0, 0, W.Width(), W.Height());
    return Dc;
}

void RedrawTree(Window &W, const QRegion *Area, UINT Flags)
{
    if (Flags & RDW_INVALIDATE) {
        Invalidate(W, Area ? *Area : ClientArea(W), Flags & RDW_ERASE);
        if (Flags & RDW_FRAME) {
            W.FrameDirty = true;
            NotePaintPending(W.Handle);
        }
    }
    if (Flags & RDW_VALIDATE) {
        Validate(W, Area);
        if (Flags & RDW_NOFRAME) W.FrameDirty = false;
    }
    if (Flags & RDW_ALLCHILDREN)
        for (HWND Child : W.Children)
            if (Window *C = OwnWindow(Child)) RedrawTree(*C, nullptr, Flags);
}

} // namespace

COLORREF SurfacePixel(HWND Wnd, int X, int Y)
{
    Window *W = FindWindow(Wnd);
    if (!W || !SurfaceOf(*W).valid(X, Y)) return CLR_INVALID;
    return ToColorRef(W->Surface.pixel(X, Y));
}

} // namespace win

using namespace win;

HDC GetDC(HWND Wnd)
{
    if (!Wnd) return NewDc(DcKind::Screen, {});
    Window *W = OwnWindow(Wnd);
    return W ? ClientDc(*W, ClientArea(*W)) : HDC{};
}

HDC GetWindowDC(HWND Wnd)
{
    if (!Wnd || Wnd == GetDesktopWindow()) return NewDc(DcKind::Screen, {});
    Window *W = OwnWindow(Wnd);
    return W ? WholeWindowDc(*W) : HDC{};
}

HDC GetDCEx(HWND Wnd, HRGN Clip, DWORD Flags)
{
    const HDC Dc = (Flags & DCX_WINDOW) ? GetWindowDC(Wnd) : GetDC(Wnd);
    DeviceContext *D = FindDc(Dc);
    Window *W = FindWindow(Wnd);
    if (!D || !W || !(Flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) return Dc;
    // The region comes in screen coordinates and becomes the system's.
    const POINT Screen = (Flags & DCX_WINDOW) ? WindowScreenOrigin(*W) : ClientScreenOrigin(*W);
    const QRegion Area = TakeRegion(Clip).translated(-Screen.x, -Screen.y);
    if (Flags & DCX_INTERSECTRGN)
        D->Visible = *D->Visible & Area;
    else
        D->Visible = *D->Visible - Area;
    return Dc;
}

int ReleaseDC(HWND, HDC Dc)
{
    if (!FindDc(Dc)) return 0;
    FreeDc(Dc);
    return 1;
}

HWND WindowFromDC(HDC Dc)
{
    const DeviceContext *D = FindDc(Dc);
    return D ? D->Wnd : HWND{};
}

HDC BeginPaint(HWND Wnd, LPPAINTSTRUCT Paint)
{
    Window *W = OwnWindow(Wnd);
    if (!W || !Paint) return {};
    if (W->FrameDirty) {
        W->FrameDirty = false;
        SendMessageW(Wnd, WM_NCPAINT, 1, 0);
        if (!(W = OwnWindow(Wnd))) return {};
    }
    const QRegion Area = W->Update;
    const bool Erase = W->EraseBackground;
    Validate(*W, nullptr);
    const HDC Dc = ClientDc(*W, Area);
    *Paint = PAINTSTRUCT{};
    Paint->hdc = Dc;
    const QRect Box = Area.boundingRect();
    Paint->rcPaint =
        RECT{Box.left(), Box.top(), Box.left() + Box.width(), Box.top() + Box.height()};
    Paint->fErase = Erase && !SendMessageW(Wnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(Dc), 0);
    return Dc;
}

BOOL EndPaint(HWND Wnd, const PAINTSTRUCT *Paint)
{
    if (!Paint) return FALSE;
    const BOOL Released = ReleaseDC(Wnd, Paint->hdc);
    ShowAfterPaint(Wnd);
    return Released;
}

BOOL InvalidateRect(HWND Wnd, const RECT *Rect, BOOL Erase)
{
    if (!Wnd) {
        for (HWND Each : ThreadWindows(CurrentThreadId()))
            if (Window *W = OwnWindow(Each)) Invalidate(*W, ClientArea(*W), Erase);
        return TRUE;
    }
    Window *W = OwnWindow(Wnd);
    if (!W) return FALSE;
    Invalidate(*W, RectArea(*W, Rect), Erase);
    return TRUE;
}

BOOL InvalidateRgn(HWND Wnd, HRGN Region, BOOL Erase)
{
    Window *W = OwnWindow(Wnd);
    if (!W) return FALSE;
    const QRegion *R = RegionOf(Region);
    Invalidate(*W, R ? *R : ClientArea(*W), Erase);
    return TRUE;
}

BOOL ValidateRect(HWND Wnd, const RECT *Rect)
{
    Window *W = OwnWindow(Wnd);
    if (!W) return FALSE;
    if (!Rect) {
        Validate(*W, nullptr);
        return TRUE;
    }
    const QRegion Area = RectArea(*W, Rect);
    Validate(*W, &Area);
    return TRUE;
}

BOOL ValidateRgn(HWND Wnd, HRGN Region)
{
    Window *W = OwnWindow(Wnd);
    if (!W) return FALSE;
    Validate(*W, RegionOf(Region));
    return TRUE;
}

BOOL GetUpdateRect(HWND Wnd, LPRECT Rect, BOOL)
{
    const Window *W = OwnWindow(Wnd);
    if (!W) return FALSE;
    const QRect Box = W->Update.boundingRect();
    if (Rect)
        *Rect = RECT{Box.left(), Box.top(), Box.left() + Box.width(), Box.top() + Box.height()};
    return !W->Update.isEmpty();
}

int GetUpdateRgn(HWND Wnd, HRGN Region, BOOL)
{
    const Window *W = OwnWindow(Wnd);
    if (!W || !SetRegion(Region, W->Update)) return ERROR;
    return RegionComplexity(W->Update);
}

BOOL RedrawWindow(HWND Wnd, const RECT *Update, HRGN Region, UINT Flags)
{
    Window *W = OwnWindow(Wnd);
    if (!W) return FALSE;
    std::optional<QRegion> Area;
    if (const QRegion *R = RegionOf(Region))
        Area = *R;
    else if (Update)
        Area = RectArea(*W, Update);
    RedrawTree(*W, Area ? &*Area : nullptr, Flags);
    if (Flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow(Wnd);
    return TRUE;
}

BOOL UpdateWindow(HWND Wnd)
{
    const Window *W = OwnWindow(Wnd);
    if (!W) return FALSE;
    if ((!W->Update.isEmpty() || W->FrameDirty) && IsWindowVisible(Wnd))
        SendMessageW(Wnd, WM_PAINT, 0, 0);
    return TRUE;
}

// Drawing on the desktop is not available here, so there is nothing to lock.
BOOL LockWindowUpdate(HWND)
{
    return TRUE;
}

namespace
{

// Moves a rectangle of the image by Dx, Dy within the image, rows in the order that never
// overwrites a row before it is moved: a scroll costs one pass over the pixels it keeps.
void MovePixels(QImage &Image, const QRect &Source, int Dx, int Dy)
{
    const QRect Target = Source.translated(Dx, Dy) & Image.rect();
    if (Target.isEmpty()) return;
    const QRect From = Target.translated(-Dx, -Dy);
    const int Bytes = Image.depth() / 8;
    uchar *Bits = Image.bits();
    const qsizetype Stride = Image.bytesPerLine();
    const auto MoveRow = [&](int Row) {
        std::memmove(Bits + (Target.top() + Row) * Stride + Target.left() * Bytes,
                     Bits + (From.top() + Row) * Stride + From.left() * Bytes,
                     static_cast<std::size_t>(Target.width() * Bytes));
    };
    if (Dy > 0)
        for (int Row = Target.height() - 1; Row >= 0; --Row)
            MoveRow(Row);
    else
        for (int Row = 0; Row < Target.height(); ++Row)
            MoveRow(Row);
}

// Whether a scroll of Area by Delta joins the window's held one, or is held in its place: only a
// scroll whose uncovered part is repainted, as the pixels a held scroll leaves there differ.
bool HoldScroll(Window &W, const QRect &Area, QPoint Delta, UINT Flags)
{
    const bool Holdable = !W.Surface.isNull() && (Flags & SW_INVALIDATE) &&
                          !(Flags & SW_SCROLLCHILDREN) && (Delta.x() == 0) != (Delta.y() == 0) &&
                          FrameHoldsScrollOf(W);
    if (W.ScrollHeld && (!Holdable || W.ScrollHeld->Area != Area ||
                         (W.ScrollHeld->Delta.x() == 0) != (Delta.x() == 0)))
        ApplyHeldScroll(W);
    if (!Holdable) return false;
    if (!W.ScrollHeld) {
        W.ScrollHeld = Window::HeldScroll{Area, {}};
        NoteScrollHeld(W.Handle);
    }
    W.ScrollHeld->Delta += Delta;
    return true;
}

} // namespace

void win::ApplyHeldScroll(Window &W)
{
    if (!W.ScrollHeld) return;
    const auto [Area, Delta] = *std::exchange(W.ScrollHeld, std::nullopt);
    MovePixels(W.Surface, Area.translated(-Delta) & Area, Delta.x(), Delta.y());
}

int ScrollWindowEx(HWND Wnd, int Dx, int Dy, const RECT *Scroll, const RECT *Clip, HRGN Update,
                   LPRECT UpdateRect, UINT Flags)
{
    Window *W = OwnWindow(Wnd);
    if (!W) return ERROR;
    // The widget's copy moves as it stands: what was drawn must reach it first.
    ShowDrawn(Wnd);
    const QRect Client = ClientArea(*W).boundingRect();
    QRect Area = Scroll ? RectArea(*W, Scroll).boundingRect() : Client;
    if (Clip) Area &= RectArea(*W, Clip).boundingRect();
    const QPoint Origin(W->Client.left, W->Client.top);
    const QRect Source = Area.translated(-Dx, -Dy) & Area;
    if (!HoldScroll(*W, Area.translated(Origin), QPoint(Dx, Dy), Flags))
        MovePixels(SurfaceOf(*W), Source.translated(Origin), Dx, Dy);
    const QRegion Exposed = QRegion(Area) - QRegion(Source.translated(Dx, Dy));
    // What waits to be painted moves with the pixels it stands for.
    W->Update = MovedWithin(W->Update, Area, QPoint(Dx, Dy));
    if (Flags & SW_INVALIDATE) Invalidate(*W, Exposed, Flags & SW_ERASE);
    if (Flags & SW_SCROLLCHILDREN)
        for (HWND Child : W->Children)
            if (Window *C = OwnWindow(Child))
                SetWindowPos(Child, {}, C->Rect.left + Dx, C->Rect.top + Dy, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetRegion(Update, Exposed);
    if (UpdateRect) {
        const QRect Box = Exposed.boundingRect();
        *UpdateRect =
            RECT{Box.left(), Box.top(), Box.left() + Box.width(), Box.top() + Box.height()};
    }
    // The widget moves its own copy too, and repaints only what was uncovered.
    ScrollWidget(*W, Dx, Dy, Area.translated(Origin), Flags & SW_INVALIDATE);
    return RegionComplexity(Exposed);
}
