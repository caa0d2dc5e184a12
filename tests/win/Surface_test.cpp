#include "tests/win/WinTestSupport.h"

#include "tests/win/ForeignObject.h"

#include "platform/win/Clipboard.h"
#include "platform/win/NativeWidget.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

using namespace wintest;

namespace
{

class Surface : public WindowTest
{
protected:
    HWND Popup(int X, int Y, int W, int H, DWORD Style = 0)
    {
        return Keep(MakeWindow(WS_POPUP | WS_VISIBLE | Style, 0, X, Y, W, H));
    }
    static QWidget *WidgetOf(HWND Wnd) { return win::FindWindow(Wnd)->Widget.get(); }
    static void FillSolid(HDC Dc, const RECT &R, COLORREF Color)
    {
        const HBRUSH Brush = CreateSolidBrush(Color);
        FillRect(Dc, &R, Brush);
        DeleteObject(Brush);
    }
    // A pixel the screen should show, relative to the area looked at.
    struct Shown {
        QPoint At;
        QRgb Colour;
        const char *Why = "";
    };
    // Looks at Area of the screen itself until it shows every point as expected, for two
    // seconds at most, and checks each point.
    static void ExpectOnScreen(const QRect &Area, const std::vector<Shown> &Expected)
    {
        QScreen *Screen = QGuiApplication::primaryScreen();
        ASSERT_NE(Screen, nullptr);
        const auto Matches = [&](const QImage &Shot) {
            return std::ranges::all_of(Expected, [&](const Shown &E) {
                return (Shot.pixel(E.At) & 0xFFFFFF) == E.Colour;
            });
        };
        QImage Shot;
        for (int Try = 0; Try < 100; ++Try) {
            Pump();
            win::WaitForQueue(20);
            Shot = Screen->grabWindow(0, Area.x(), Area.y(), Area.width(), Area.height()).toImage();
            if (!Shot.isNull() && Matches(Shot)) break;
        }
        ASSERT_FALSE(Shot.isNull());
        for (const Shown &E : Expected)
            EXPECT_EQ(Shot.pixel(E.At) & 0xFFFFFF, E.Colour)
                << E.Why << " (at " << E.At.x() << "," << E.At.y() << ")";
    }
};

TEST_F(Surface, DrawingOutsidePaint_ReadsBackAndReachesTheScreen)
{
    const HWND W = Popup(10, 10, 60, 40);
    Pump();
    const HDC Dc = GetDC(W);
    const RECT R{5, 6, 15, 16};
    const HBRUSH Red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(Dc, &R, Red);
    ReleaseDC(W, Dc);
    DeleteObject(Red);
    EXPECT_EQ(win::SurfacePixel(W, 5, 6), RGB(255, 0, 0));
    EXPECT_EQ(win::SurfacePixel(W, 14, 15), RGB(255, 0, 0));
    EXPECT_EQ(win::SurfacePixel(W, 15, 15), GetSysColor(COLOR_WINDOW));
    // What Qt shows is the surface itself.
    const QImage Shown = WidgetOf(W)->grab().toImage();
    EXPECT_EQ(Shown.pixel(5, 6) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(Shown.pixel(15, 15) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(Surface, HiddenChild_StaysHiddenOnScreenWhenItsParentIsShown)
{
    const HWND Parent = MakeWindow(WS_POPUP, 0, 0, 0, 80, 40);
    Made.push_back(Parent);
    const HWND Hidden = MakeWindow(WS_CHILD, 0, 0, 0, 30, 20, Parent);
    const HWND Shown = MakeWindow(WS_CHILD | WS_VISIBLE, 0, 40, 0, 30, 20, Parent);
    ShowWindow(Parent, SW_SHOWNOACTIVATE);
    Pump();
    EXPECT_TRUE(WidgetOf(Parent)->isVisible());
    EXPECT_TRUE(WidgetOf(Shown)->isVisible());
    EXPECT_FALSE(IsWindowVisible(Hidden));
    EXPECT_FALSE(WidgetOf(Hidden)->isVisible()) << "the widget follows the window, not its parent";
}

TEST_F(Surface, ClientDc_StartsAtTheClientOriginOfABorderedWindow)
{
    const HWND W = Popup(0, 0, 40, 40, WS_BORDER);
    Pump();
    RECT Client;
    GetClientRect(W, &Client);
    EXPECT_EQ(Client.right, 38);
    EXPECT_EQ(win::SurfacePixel(W, 0, 0), GetSysColor(COLOR_WINDOWFRAME))
        << "the default frame is painted";
    const HDC Dc = GetDC(W);
    SetPixel(Dc, 0, 0, RGB(1, 2, 3));
    SetPixel(Dc, -1, -1, RGB(9, 9, 9));
    ReleaseDC(W, Dc);
    EXPECT_EQ(win::SurfacePixel(W, 1, 1), RGB(1, 2, 3));
    EXPECT_EQ(win::SurfacePixel(W, 0, 0), GetSysColor(COLOR_WINDOWFRAME))
        << "a client DC cannot reach the frame";
}

// A copy into a client DC, cut by the clip: each pixel lands where it belongs, past the
// frame, and nothing outside the clip changes.
TEST_F(Surface, ClientDc_ACopyCutByTheClipTakesEachPixelFromItsPlace)
{
    const HWND W = Popup(0, 0, 40, 40, WS_BORDER);
    Pump();
    const HDC Src = CreateCompatibleDC({});
    const HBITMAP Bitmap = CreateBitmap(16, 8, 1, 32, nullptr);
    const HGDIOBJ Old = SelectObject(Src, Bitmap);
    const auto Source = [](int X, int Y) { return RGB(X * 10, Y * 20, 99); };
    for (int Y = 0; Y < 8; ++Y)
        for (int X = 0; X < 16; ++X)
            SetPixel(Src, X, Y, Source(X, Y));
    const HDC Dc = GetDC(W);
    IntersectClipRect(Dc, 4, 3, 9, 6);
    BitBlt(Dc, 2, 1, 12, 7, Src, 3, 1, SRCCOPY);
    ReleaseDC(W, Dc);
    for (int Y = 0; Y < 12; ++Y)
        for (int X = 0; X < 20; ++X) {
            const bool Copied = X >= 4 && X < 9 && Y >= 3 && Y < 6;
            EXPECT_EQ(win::SurfacePixel(W, X + 1, Y + 1),
                      Copied ? Source(X - 2 + 3, Y - 1 + 1) : GetSysColor(COLOR_WINDOW))
                << "at " << X << "," << Y;
        }
    SelectObject(Src, Old);
    DeleteObject(Bitmap);
    DeleteDC(Src);
}

TEST_F(Surface, BeginPaint_ClipsToTheUpdateRegionAndErasesIt)
{
    const HWND W = Popup(0, 0, 40, 40);
    Pump();
    const HDC Dc = GetDC(W);
    const RECT All{0, 0, 40, 40};
    FillRect(Dc, &All, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(W, Dc);
    const RECT Part{10, 10, 20, 20};
    InvalidateRect(W, &Part, TRUE);
    PAINTSTRUCT Ps;
    const HDC Paint = BeginPaint(W, &Ps);
    EXPECT_EQ(Ps.rcPaint.left, 10);
    EXPECT_EQ(Ps.rcPaint.bottom, 20);
    EXPECT_FALSE(Ps.fErase) << "the class brush erased it";
    FillRect(Paint, &All, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    EndPaint(W, &Ps);
    EXPECT_EQ(win::SurfacePixel(W, 10, 10), RGB(128, 128, 128));
    EXPECT_EQ(win::SurfacePixel(W, 9, 9), RGB(0, 0, 0));
    MSG M;
    EXPECT_FALSE(PeekMessageW(&M, W, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

TEST_F(Surface, WindowRegion_IsKeptAndLimitsTheHitTest)
{
    const HWND W = Popup(0, 0, 40, 40);
    Pump();
    SetWindowRgn(W, CreateRectRgn(0, 0, 10, 10), FALSE);
    EXPECT_EQ(WindowFromPoint(POINT{5, 5}), W);
    EXPECT_EQ(WindowFromPoint(POINT{20, 20}), HWND{});
    SetWindowRgn(W, CreateRectRgn(0, 0, 0, 0), FALSE);
    EXPECT_EQ(WindowFromPoint(POINT{5, 5}), HWND{}) << "an empty region shows nothing";
    SetWindowRgn(W, {}, FALSE);
    EXPECT_EQ(WindowFromPoint(POINT{20, 20}), W);
}

// The platform activates the next window and the user types into it at once: the key comes
// with the activation, in the same turn of the platform's events, and reaches that window.
TEST_F(Surface, KeyComingWithTheActivation_ReachesTheActivatedWindow)
{
    const HWND W = Popup(100, 100, 40, 40);
    Pump();
    SetFocus({});
    SetActiveWindow({});
    ClearLog();
    QWidget *Widget = WidgetOf(W);
    QCoreApplication::postEvent(Widget, new QEvent(QEvent::WindowActivate));
    QCoreApplication::postEvent(
        Widget, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, 0, 0, "a"));
    Pump();
    EXPECT_EQ(GetActiveWindow(), W);
    ASSERT_EQ(Find(WM_KEYDOWN).size(), 1u);
    EXPECT_EQ(Find(WM_KEYDOWN)[0].Wnd, W);
}

// As a program's window does, the window under the dialog gives the focus back to its control
// when it is activated.
WNDPROC RecordingProcedure = nullptr;

LRESULT CALLBACK FocusesItsControlWhenActivated(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Msg == WM_ACTIVATE && LOWORD(WParam) != WA_INACTIVE) SetFocus(GetWindow(Wnd, GW_CHILD));
    return CallWindowProcW(RecordingProcedure, Wnd, Msg, WParam, LParam);
}

// The window manager activates the window the user clicks, also the one a modal dialog
// disabled: the keys typed next still go to the dialog, which stays the active window.
TEST_F(Surface, ClickedWindowUnderAModalDialog_LeavesTheKeysToTheDialog)
{
    const HWND Main = Popup(100, 100, 80, 80);
    const HWND Control = Keep(MakeWindow(WS_CHILD | WS_VISIBLE, 0, 10, 10, 30, 20, Main));
    const HWND Dialog = Keep(MakeWindow(WS_POPUP | WS_VISIBLE, 0, 130, 130, 40, 40, Main));
    RecordingProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        Main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FocusesItsControlWhenActivated)));
    Pump();
    SetFocus(Control);
    EnableWindow(Main, FALSE);
    SetFocus(Dialog);
    Pump();
    ASSERT_EQ(GetActiveWindow(), Dialog);
    ClearLog();
    QWidget *Widget = WidgetOf(Main);
    QCoreApplication::postEvent(Widget, new QEvent(QEvent::WindowActivate));
    QCoreApplication::postEvent(
        Widget, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, 116, 0, 0));
    Pump();
    EXPECT_EQ(GetActiveWindow(), Dialog);
    ASSERT_EQ(Find(WM_KEYDOWN).size(), 1u);
    EXPECT_EQ(Find(WM_KEYDOWN)[0].Wnd, Dialog) << "no key reaches the disabled window's control";
}

TEST_F(Surface, QtInput_IsQueuedAndSwallowed)
{
    const HWND W = Popup(100, 100, 40, 40);
    Pump();
    QWidget *Widget = WidgetOf(W);
    QMouseEvent Press(QEvent::MouseButtonPress, QPointF(5, 6), QPointF(105, 106), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    EXPECT_TRUE(QApplication::sendEvent(Widget, &Press));
    SetFocus(W);
    QKeyEvent Key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, 0x6C1, 0,
                  QString::fromUtf8("ф"));
    QApplication::sendEvent(Widget, &Key);
    MSG M;
    ASSERT_TRUE(PeekMessageW(&M, {}, 0, 0, PM_REMOVE));
    EXPECT_EQ(M.message, WM_LBUTTONDOWN);
    EXPECT_EQ(M.hwnd, W);
    EXPECT_EQ(GET_X_LPARAM(M.lParam), 5);
    ASSERT_TRUE(PeekMessageW(&M, {}, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(M.message, WM_KEYDOWN);
    EXPECT_EQ(M.wParam, static_cast<WPARAM>('A'))
        << "the physical key decides, whatever the layout";
    TranslateMessage(&M);
    ASSERT_TRUE(PeekMessageW(&M, {}, WM_CHAR, WM_CHAR, PM_REMOVE));
    EXPECT_EQ(M.wParam, 0xF4u);
}

TEST_F(Surface, Print_DrawsFrameAndClientIntoAnotherDc)
{
    const HWND W = Popup(0, 0, 30, 20, WS_BORDER);
    Pump();
    const HDC Screen = GetDC({});
    const HDC Mem = CreateCompatibleDC(Screen);
    const HBITMAP Bmp = CreateCompatibleBitmap(Screen, 30, 20);
    const HGDIOBJ Old = SelectObject(Mem, Bmp);
    SendMessageW(W, WM_PRINT, reinterpret_cast<WPARAM>(Mem),
                 PRF_NONCLIENT | PRF_ERASEBKGND | PRF_CLIENT);
    EXPECT_EQ(GetPixel(Mem, 0, 0), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(GetPixel(Mem, 5, 5), GetSysColor(COLOR_WINDOW));
    SelectObject(Mem, Old);
    DeleteObject(Bmp);
    DeleteDC(Mem);
    ReleaseDC({}, Screen);
}

// The drawing reaches the real screen: the window is grabbed from the screen
// itself, not from our surface (offscreen, and a real X server under Xvfb).
TEST_F(Surface, DrawingShowsOnTheScreen)
{
    const HWND W = Popup(40, 30, 50, 30);
    Pump();
    const HDC Dc = GetDC(W);
    const RECT R{10, 10, 20, 20};
    const HBRUSH Green = CreateSolidBrush(RGB(0, 200, 0));
    FillRect(Dc, &R, Green);
    ReleaseDC(W, Dc);
    DeleteObject(Green);
    ExpectOnScreen(QRect(40, 30, 50, 30), {{{12, 12}, 0x00C800u}, {{25, 12}, 0xFFFFFFu}});
}

// Drawing through a DC that is kept shows as soon as the loop runs, not when it is released.
TEST_F(Surface, HeldDc_DrawingShowsOnTheScreenWhileItIsHeld)
{
    const HWND W = Popup(40, 30, 50, 30);
    Pump();
    const HDC Dc = GetDC(W);
    FillSolid(Dc, RECT{10, 10, 20, 20}, RGB(0, 0, 200));
    ExpectOnScreen(QRect(40, 30, 50, 30), {{{12, 12}, 0x0000C8u}, {{25, 12}, 0xFFFFFFu}});
    ReleaseDC(W, Dc);
}

TEST_F(Surface, PaintDc_DrawingShowsOnTheScreen)
{
    const HWND W = Popup(40, 30, 50, 30);
    Pump();
    InvalidateRect(W, nullptr, FALSE);
    PAINTSTRUCT Ps;
    const HDC Dc = BeginPaint(W, &Ps);
    FillSolid(Dc, RECT{30, 5, 40, 15}, RGB(200, 0, 0));
    EndPaint(W, &Ps);
    ExpectOnScreen(QRect(40, 30, 50, 30), {{{32, 7}, 0xC80000u}, {{28, 7}, 0xFFFFFFu}});
}

// Two DCs of one window drawing in turns over each other: the screen shows the last of each pixel.
TEST_F(Surface, TwoDcsOfOneWindow_InterleavedDrawingShowsInItsOrder)
{
    const HWND W = Popup(40, 30, 50, 30);
    Pump();
    const HDC First = GetDC(W);
    const HDC Second = GetDC(W);
    FillSolid(First, RECT{0, 0, 20, 20}, RGB(200, 0, 0));
    FillSolid(Second, RECT{10, 10, 30, 30}, RGB(0, 200, 0));
    FillSolid(First, RECT{20, 0, 40, 20}, RGB(0, 0, 200));
    FillSolid(Second, RECT{35, 5, 45, 15}, RGB(200, 200, 0));
    ReleaseDC(W, Second);
    ReleaseDC(W, First);
    ExpectOnScreen(QRect(40, 30, 50, 30),
                   {{{5, 5}, 0xC80000u},
                    {{15, 15}, 0x00C800u, "the second DC drew over the first"},
                    {{25, 15}, 0x0000C8u, "the first DC drew over the second"},
                    {{37, 7}, 0xC8C800u},
                    {{15, 25}, 0x00C800u}});
}

// Small drawings far apart, each in another corner, all reach the screen.
TEST_F(Surface, OneDc_DrawingsFarApartAllShowOnTheScreen)
{
    const HWND W = Popup(40, 30, 50, 30);
    Pump();
    const HDC Dc = GetDC(W);
    FillSolid(Dc, RECT{0, 0, 4, 4}, RGB(200, 0, 0));
    FillSolid(Dc, RECT{46, 26, 50, 30}, RGB(0, 200, 0));
    FillSolid(Dc, RECT{0, 26, 4, 30}, RGB(0, 0, 200));
    FillSolid(Dc, RECT{46, 0, 50, 4}, RGB(200, 200, 0));
    ReleaseDC(W, Dc);
    ExpectOnScreen(QRect(40, 30, 50, 30), {{{1, 1}, 0xC80000u},
                                           {{48, 28}, 0x00C800u},
                                           {{1, 28}, 0x0000C8u},
                                           {{48, 1}, 0xC8C800u},
                                           {{25, 15}, 0xFFFFFFu}});
}

// The screen follows drawings at most once a display frame: what several windows draw in
// quick succession, each through a DC of its own, all reaches it.
TEST_F(Surface, DrawingsOfSeveralWindowsInQuickSuccession_AllShowOnTheScreen)
{
    const HWND Left = Popup(40, 30, 50, 30);
    const HWND Right = Popup(100, 30, 50, 30);
    Pump();
    const auto Draw = [](HWND Wnd, const RECT &R, COLORREF Colour) {
        const HDC Dc = GetDC(Wnd);
        FillSolid(Dc, R, Colour);
        ReleaseDC(Wnd, Dc);
    };
    Draw(Left, RECT{0, 0, 10, 10}, RGB(200, 0, 0));
    Draw(Right, RECT{0, 0, 10, 10}, RGB(0, 200, 0));
    Draw(Left, RECT{40, 20, 50, 30}, RGB(0, 0, 200));
    Draw(Right, RECT{40, 20, 50, 30}, RGB(200, 200, 0));
    Draw(Left, RECT{0, 0, 5, 5}, RGB(0, 200, 200));
    ExpectOnScreen(QRect(40, 30, 110, 30), {{{2, 2}, 0x00C8C8u, "the last drawing over the first"},
                                            {{7, 7}, 0xC80000u},
                                            {{62, 2}, 0x00C800u},
                                            {{45, 25}, 0x0000C8u},
                                            {{105, 25}, 0xC8C800u},
                                            {{25, 15}, 0xFFFFFFu}});
}

// What was drawn just before a scroll moves with the scroll on the screen too.
TEST_F(Surface, ScrollWindowEx_MovesWhatWasJustDrawnOnTheScreen)
{
    const HWND W = Popup(40, 30, 50, 30);
    Pump();
    const HDC Released = GetDC(W);
    FillSolid(Released, RECT{10, 2, 20, 8}, RGB(0, 200, 0));
    ReleaseDC(W, Released);
    const HDC Held = GetDC(W);
    FillSolid(Held, RECT{30, 2, 40, 8}, RGB(0, 0, 200));
    ScrollWindowEx(W, 0, 10, nullptr, nullptr, nullptr, nullptr, 0);
    ReleaseDC(W, Held);
    EXPECT_EQ(win::SurfacePixel(W, 12, 14), RGB(0, 200, 0));
    ExpectOnScreen(QRect(40, 30, 50, 30),
                   {{{12, 14}, 0x00C800u, "drawn through a DC released before"},
                    {{32, 14}, 0x0000C8u, "drawn through a DC still held"},
                    {{12, 4}, 0x00C800u, "the scroll leaves the old rows as they were"},
                    {{12, 19}, 0xFFFFFFu}});
}

// A frame that grows moves the client inside the window: what the client showed stays at
// the client's upper-left corner, in the window and on the screen, with nothing to repaint.
TEST_F(Surface, FrameChanged_TheClientKeepsWhatItShowedAtItsOrigin)
{
    const HWND W = Popup(40, 30, 50, 30);
    Pump();
    const HDC Dc = GetDC(W);
    FillSolid(Dc, RECT{0, 0, 10, 8}, RGB(0, 200, 0));
    ReleaseDC(W, Dc);
    SetWindowLongW(W, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
    SetWindowPos(W, {}, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pump();
    POINT Origin{0, 0};
    ClientToScreen(W, &Origin);
    const int Edge = Origin.x - 40;
    ASSERT_GT(Edge, 0);
    EXPECT_EQ(win::SurfacePixel(W, Edge + 9, Edge + 7), RGB(0, 200, 0));
    EXPECT_EQ(win::SurfacePixel(W, Edge + 10, Edge + 8), GetSysColor(COLOR_WINDOW));
    ExpectOnScreen(QRect(40, 30, 50, 30), {{{Edge + 9, Edge + 7}, 0x00C800u, "the client's corner"},
                                           {{Edge + 10, Edge + 8}, 0xFFFFFFu, "past it"}});
}

namespace
{

// A window of coloured rows under a sibling that covers part of it, and what the screen
// should show of the two.
class StripedRows : public Surface
{
protected:
    static constexpr int Side = 60, Row = 5;
    const QRect CoverRect{5, 22, 20, 11};

    void SetUp() override
    {
        Surface::SetUp();
        Parent = Popup(100, 100, Side, Side);
        Rows = Keep(MakeWindow(WS_CHILD | WS_VISIBLE, 0, 0, 0, Side, Side, Parent));
        Cover = Keep(MakeWindow(WS_CHILD | WS_VISIBLE, 0, CoverRect.left(), CoverRect.top(),
                                CoverRect.width(), CoverRect.height(), Parent));
        SetWindowPos(Cover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        Pump();
        Fill(Cover, 0, CoverRect.height(), RGB(0, 0, 255));
        for (int Y = 0; Y < Side; Y += Row)
            Fill(Rows, Y, Y + Row, Stripe(Y));
    }
    static COLORREF Stripe(int Y) { return RGB(Y * 2, 255 - Y * 2, Y % 2 ? 90 : 180); }
    static void Fill(HWND Wnd, int Top, int Bottom, COLORREF Colour)
    {
        const HDC Dc = GetDC(Wnd);
        FillSolid(Dc, RECT{0, Top, Side, Bottom}, Colour);
        ReleaseDC(Wnd, Dc);
    }
    // The screen shows each window's surface where that window lies.
    bool ShowsWhatTheWindowsHold()
    {
        QScreen *Screen = QGuiApplication::primaryScreen();
        if (!Screen) return false;
        for (int Try = 0; Try < 100; ++Try) {
            Pump();
            win::WaitForQueue(20);
            const QImage Shot = Screen->grabWindow(0, 100, 100, Side, Side)
                                    .toImage()
                                    .convertToFormat(QImage::Format_RGB32);
            if (Shot == Expected()) return true;
        }
        return false;
    }
    QImage Expected() const
    {
        RECT R;
        GetWindowRect(Rows, &R);
        const QRect RowsRect(R.left - 100, R.top - 100, Side, Side);
        QImage Out(Side, Side, QImage::Format_RGB32);
        for (int Y = 0; Y < Side; ++Y)
            for (int X = 0; X < Side; ++X) {
                const COLORREF C =
                    CoverRect.contains(X, Y)
                        ? win::SurfacePixel(Cover, X - CoverRect.left(), Y - CoverRect.top())
                    : RowsRect.contains(X, Y)
                        ? win::SurfacePixel(Rows, X - RowsRect.left(), Y - RowsRect.top())
                        : win::SurfacePixel(Parent, X, Y);
                Out.setPixel(X, Y, qRgb(GetRValue(C), GetGValue(C), GetBValue(C)));
            }
        return Out;
    }

    HWND Parent{}, Rows{}, Cover{};
};

} // namespace

// A window scrolled by a row while a sibling covers part of it shows on the screen what it
// holds: the rows beside the cover move, the band of the cover and the uncovered row are
// painted again.
TEST_F(StripedRows, ScrollBesideACoveringSibling_ShowsWhatTheWindowHolds)
{
    ASSERT_TRUE(ShowsWhatTheWindowsHold());
    for (int Step = 0; Step < 3; ++Step) {
        ScrollWindowEx(Rows, 0, -Row, nullptr, nullptr, {}, nullptr, 0);
        Fill(Rows, Side - Row, Side, Stripe(Side + Step * Row));
        EXPECT_TRUE(ShowsWhatTheWindowsHold()) << "after scroll " << Step + 1;
    }
}

// Scrolls one after another, both ways, with drawings between them and rows left unpainted,
// all before the screen is next updated: the screen ends as the window's pixels are.
TEST_F(StripedRows, ScrollsWithinOneFrame_ShowWhatTheWindowHolds)
{
    ASSERT_TRUE(ShowsWhatTheWindowsHold());
    ScrollWindowEx(Rows, 0, -2 * Row, nullptr, nullptr, {}, nullptr, 0);
    Fill(Rows, Side - 2 * Row, Side - Row, RGB(250, 250, 0));
    Fill(Rows, 6 * Row, 7 * Row, RGB(250, 120, 0));
    ScrollWindowEx(Rows, 0, 3 * Row, nullptr, nullptr, {}, nullptr, 0);
    Fill(Rows, 0, Row, RGB(0, 250, 250));
    ScrollWindowEx(Rows, 0, -Row, nullptr, nullptr, {}, nullptr, 0);
    const RECT Part{0, 0, Side, Side / 2};
    ScrollWindowEx(Rows, 0, -Row, &Part, nullptr, {}, nullptr, 0);
    EXPECT_TRUE(ShowsWhatTheWindowsHold());
}

// Qt paints the window, or it moves, while a scroll waits for the next screen update: the
// screen still ends as the window's pixels are.
TEST_F(StripedRows, PaintOrMoveWhileAScrollWaits_ShowsWhatTheWindowHolds)
{
    ASSERT_TRUE(ShowsWhatTheWindowsHold());
    ScrollWindowEx(Rows, 0, -Row, nullptr, nullptr, {}, nullptr, 0);
    Fill(Rows, Side - Row, Side, RGB(250, 0, 250));
    WidgetOf(Rows)->repaint(QRect(0, 40, Side, 10));
    EXPECT_TRUE(ShowsWhatTheWindowsHold()) << "painted";
    ScrollWindowEx(Rows, 0, -Row, nullptr, nullptr, {}, nullptr, 0);
    Fill(Rows, Side - Row, Side, RGB(120, 0, 250));
    SetWindowPos(Rows, {}, 0, 1, Side, Side, SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(ShowsWhatTheWindowsHold()) << "moved";
}

namespace
{

// A list that moves its rows up one for each item added, as a read fills a grid, and paints the
// rows it is asked to from its items.
class GrowingList : public Surface
{
protected:
    static constexpr int Side = 60, Row = 5, Rows = Side / Row;
    static constexpr int Left = 100, Top = 100;
    static inline int First = 0; // the item in the top row

    void SetUp() override
    {
        Surface::SetUp();
        First = 0;
        WNDCLASSW C{};
        C.lpfnWndProc = Proc;
        C.lpszClassName = u"QrvGrowingList";
        RegisterClassW(&C);
        List = Keep(CreateWindowExW(0, u"QrvGrowingList", u"", WS_POPUP | WS_VISIBLE, Left, Top,
                                    Side, Side, {}, {}, {}, nullptr));
    }
    static COLORREF Item(int I) { return RGB(I * 7 % 256, 255 - I * 5 % 256, I % 2 ? 90 : 180); }
    static LRESULT CALLBACK Proc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
    {
        if (Msg != WM_PAINT) return DefWindowProcW(Wnd, Msg, WParam, LParam);
        PAINTSTRUCT Ps;
        const HDC Dc = BeginPaint(Wnd, &Ps);
        for (int Y = Ps.rcPaint.top / Row * Row; Y < Ps.rcPaint.bottom; Y += Row)
            FillSolid(Dc, RECT{0, Y, Side, Y + Row}, Item(First + Y / Row));
        EndPaint(Wnd, &Ps);
        return 0;
    }
    void Add()
    {
        ++First;
        ScrollWindowEx(List, 0, -Row, nullptr, nullptr, {}, nullptr, SW_INVALIDATE);
    }
    // The item the screen shows in the list's top row when every row below shows the item after
    // the one above; -1 for a picture that is no state of the list.
    static int FirstOnScreen()
    {
        const QImage Shot =
            QGuiApplication::primaryScreen()->grabWindow(0, Left, Top, Side, Side).toImage();
        const auto ItemAt = [&](int R, int I) {
            const QRgb P = Shot.pixel(Side / 2, R * Row + Row / 2);
            return RGB(qRed(P), qGreen(P), qBlue(P)) == Item(I);
        };
        for (int I = 0; I <= First; ++I) {
            bool Whole = true;
            for (int R = 0; R < Rows && Whole; ++R)
                Whole = ItemAt(R, I + R);
            if (Whole) return I;
        }
        return -1;
    }
    int FirstOnScreenOnceSettled()
    {
        int Shown = -1;
        for (int Try = 0; Try < 100 && Shown != First; ++Try) {
            Pump();
            win::WaitForQueue(20);
            Shown = FirstOnScreen();
        }
        return Shown;
    }

    HWND List{};
};

} // namespace

// Items come faster than the screen is updated, each one scrolling the list and painting the
// row it uncovered, some frames ending between them: whenever the screen is looked at it shows the
// list as it stood after some item, never a row left unpainted, and it ends with the last.
TEST_F(GrowingList, ItemsAddedWithinAFrame_TheScreenShowsOnlyWholeStatesAndEndsWithTheLast)
{
    ASSERT_EQ(FirstOnScreenOnceSettled(), 0);
    for (int Added = 1; Added <= 40; ++Added) {
        Add();
        Pump();
        // As between a read's answers: the thread waits, and a frame may end meanwhile.
        win::WaitForQueue(6);
        // An X server takes a window's scroll and the paint that follows as requests of their
        // own, and a look between them sees the one without the other; only the offscreen
        // screen is looked at whole.
        if (QGuiApplication::platformName() == "offscreen") {
            EXPECT_GE(FirstOnScreen(), 0) << "after item " << Added;
        }
        if (Added % 10 == 0) {
            EXPECT_EQ(FirstOnScreenOnceSettled(), First) << "after item " << Added;
            EXPECT_EQ(win::SurfacePixel(List, Side / 2, Side - 1), Item(First + Rows - 1));
        }
    }
}

// Text kept to a box waits until something covers, reads or draws on it. Each case draws its
// steps on one window as they come and on another with the surface read after every step,
// which has each drawing done at once: both must end with the same pixels.
class HeldText : public Surface
{
protected:
    using Step = std::function<void(HWND, HDC)>;
    static constexpr RECT Box{4, 4, 56, 26};
    static constexpr COLORREF Ink = RGB(0, 0, 160);

    void TearDown() override
    {
        if (Font) DeleteObject(Font);
        Surface::TearDown();
    }
    // Step: blue text clipped to Box in a font of the step's own.
    Step Text(const char16_t *Words = u"Wg Wg Wg Wg")
    {
        return [this, Words](HWND, HDC Dc) {
            if (!Font)
                Font = CreateFontW(-18, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                                   u"Arial");
            SelectObject(Dc, Font);
            SetTextColor(Dc, Ink);
            SetBkMode(Dc, TRANSPARENT);
            RECT R = Box;
            DrawTextW(Dc, Words, -1, &R, DT_SINGLELINE | DT_VCENTER);
        };
    }
    static Step Fill(RECT R, COLORREF Colour)
    {
        return [R, Colour](HWND, HDC Dc) { FillSolid(Dc, R, Colour); };
    }
    QImage Drawn(const std::vector<Step> &Steps, bool AtOnce)
    {
        const HWND W = Popup(0, 0, 60, 30);
        Pump();
        const HDC Dc = GetDC(W);
        for (const Step &Each : Steps) {
            Each(W, Dc);
            if (AtOnce) win::SurfacePixel(W, 0, 0);
        }
        ReleaseDC(W, Dc);
        return win::SurfaceOf(*win::FindWindow(W)).copy();
    }
    // The pixels the steps leave, checked against those drawn at once.
    QImage ExpectSameAsAtOnce(const std::vector<Step> &Steps)
    {
        const QImage Waited = Drawn(Steps, false);
        EXPECT_TRUE(Waited == Drawn(Steps, true));
        return Waited;
    }
    static int InkPixels(const QImage &Image, const QRect &Area)
    {
        int Count = 0;
        for (int Y = Area.top(); Y <= Area.bottom(); ++Y)
            for (int X = Area.left(); X <= Area.right(); ++X)
                Count += (Image.pixel(X, Y) & 0xFFFFFF) == 0x0000A0u;
        return Count;
    }
    HFONT Font{};
};

TEST_F(HeldText, ACoveringFill_LeavesOnlyTheFill)
{
    const QImage Shown = ExpectSameAsAtOnce({Text(), Fill(Box, RGB(0, 200, 0))});
    EXPECT_EQ(InkPixels(Shown, QRect(0, 0, 60, 30)), 0);
    EXPECT_EQ(Shown.pixel(30, 15) & 0xFFFFFF, 0x00C800u);
}

TEST_F(HeldText, AFillOverPartOfIt_LeavesTheRestOfTheText)
{
    const QImage Shown = ExpectSameAsAtOnce({Text(), Fill(RECT{4, 4, 30, 26}, RGB(0, 200, 0))});
    EXPECT_EQ(InkPixels(Shown, QRect(4, 4, 26, 22)), 0);
    EXPECT_GT(InkPixels(Shown, QRect(30, 4, 26, 22)), 0);
}

// The DC's font, colour and clip change and the font is deleted before the text is drawn.
TEST_F(HeldText, IsDrawnAsTheDcStoodWhenItWasAskedFor)
{
    const Step Change = [this](HWND, HDC Dc) {
        SelectObject(Dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(std::exchange(Font, HFONT{}));
        SetTextColor(Dc, RGB(200, 0, 0));
        const HRGN Corner = CreateRectRgn(0, 0, 10, 10);
        SelectClipRgn(Dc, Corner);
        DeleteObject(Corner);
    };
    const QImage Shown = ExpectSameAsAtOnce({Text(), Change});
    EXPECT_GT(InkPixels(Shown, QRect(10, 10, 46, 16)), 0);
}

TEST_F(HeldText, AnotherDcDrawingOverIt_KeepsTheOrder)
{
    const Step Other = [](HWND W, HDC) {
        const HDC Second = GetDC(W);
        FillSolid(Second, RECT{20, 0, 40, 30}, RGB(0, 200, 0));
        ReleaseDC(W, Second);
    };
    const QImage Shown = ExpectSameAsAtOnce({Text(), Other, Text(u"xx")});
    EXPECT_GT(InkPixels(Shown, QRect(4, 4, 16, 22)), 0);
    EXPECT_EQ(Shown.pixel(30, 5) & 0xFFFFFF, 0x00C800u);
}

TEST_F(HeldText, MovesWithAScroll)
{
    const Step Scroll = [](HWND W, HDC) {
        ScrollWindowEx(W, 0, 10, nullptr, nullptr, {}, nullptr, 0);
    };
    const QImage Shown = ExpectSameAsAtOnce({Text(), Scroll});
    EXPECT_GT(InkPixels(Shown, QRect(4, 26, 52, 4)), 0);
}

TEST_F(HeldText, ACoveringGradient_LeavesOnlyTheGradient)
{
    const Step Gradient = [](HWND, HDC Dc) {
        TRIVERTEX Ends[2] = {{Box.left, Box.top, 0xFF00, 0, 0, 0},
                             {Box.right, Box.bottom, 0, 0xFF00, 0, 0}};
        GRADIENT_RECT Mesh{0, 1};
        GradientFill(Dc, Ends, 2, &Mesh, 1, GRADIENT_FILL_RECT_H);
    };
    const QImage Shown = ExpectSameAsAtOnce({Text(), Gradient});
    EXPECT_EQ(InkPixels(Shown, QRect(0, 0, 60, 30)), 0);
}

// Through a DC kept over the event loop, as drawing outside a paint does.
TEST_F(HeldText, OnAKeptDc_ShowsOnTheScreenWhileTheDcIsKept)
{
    const QImage Reference = Drawn({Text()}, true);
    QPoint Inked(-1, -1);
    for (int Y = 0; Y < Reference.height() && Inked.x() < 0; ++Y)
        for (int X = 0; X < Reference.width() && Inked.x() < 0; ++X)
            if ((Reference.pixel(X, Y) & 0xFFFFFF) == 0x0000A0u) Inked = QPoint(X, Y);
    ASSERT_GE(Inked.x(), 0);
    const HWND W = Popup(40, 30, 60, 30);
    Pump();
    const HDC Dc = GetDC(W);
    Text()(W, Dc);
    ExpectOnScreen(QRect(40, 30, 60, 30), {{Inked, 0x0000A0u, "a pixel of the text"}});
    ReleaseDC(W, Dc);
}

TEST_F(HeldText, ACopyFromTheWindow_TakesTheText)
{
    HDC Memory = CreateCompatibleDC({});
    HBITMAP Bitmap = CreateBitmap(60, 30, 1, 32, nullptr);
    const HGDIOBJ Old = SelectObject(Memory, Bitmap);
    const Step Copy = [Memory](HWND, HDC Dc) { BitBlt(Memory, 0, 0, 60, 30, Dc, 0, 0, SRCCOPY); };
    Drawn({Text(), Copy, Fill(Box, RGB(0, 200, 0))}, false);
    int Ink = 0;
    for (int X = Box.left; X < Box.right; ++X)
        for (int Y = Box.top; Y < Box.bottom; ++Y)
            Ink += GetPixel(Memory, X, Y) == HeldText::Ink;
    EXPECT_GT(Ink, 0);
    SelectObject(Memory, Old);
    DeleteObject(Bitmap);
    DeleteDC(Memory);
}

// A Qt control shown as a window gets its key back when the message is
// handled, carrying the character the message holds by then.
TEST_F(Surface, NativeControl_TypesTheCharacterItsMessageCarries)
{
    const HWND Form = Popup(0, 0, 200, 100);
    const HWND Edit = MakeWindow(WS_CHILD | WS_VISIBLE, 0, 10, 10, 120, 24, Form);
    auto *Line = new QLineEdit; // the window's widget owns it once attached
    ASSERT_TRUE(win::AttachNativeWidget(Edit, Line));
    EXPECT_EQ(Line->size(), QSize(120, 24));
    EXPECT_EQ(Line->mapTo(Line->window(), QPoint(0, 0)), QPoint(10, 10));
    Pump();
    SetFocus(Edit);
    MSG M;
    auto Type = [&](const char *Utf8, int Key, quint32 Scan) {
        QKeyEvent E(QEvent::KeyPress, Key, Qt::NoModifier, Scan, 0, 0, QString::fromUtf8(Utf8));
        QApplication::sendEvent(Line, &E);
        EXPECT_TRUE(GetMessageW(&M, {}, 0, 0));
        EXPECT_EQ(M.message, WM_KEYDOWN);
        EXPECT_EQ(M.hwnd, Edit);
        TranslateMessage(&M);
        DispatchMessageW(&M);
        EXPECT_TRUE(GetMessageW(&M, {}, 0, 0));
        EXPECT_EQ(M.message, WM_CHAR);
    };
    Type("ф", Qt::Key_A, 38);
    EXPECT_TRUE(Line->text().isEmpty()) << "nothing is typed before WM_CHAR is handled";
    DispatchMessageW(&M);
    EXPECT_EQ(Line->text(), QString::fromUtf8("ф"));
    Type("ы", Qt::Key_S, 39);
    M.wParam = 'Z';
    DispatchMessageW(&M);
    EXPECT_EQ(Line->text(), QString::fromUtf8("фZ"));
    Type("в", Qt::Key_D, 40); // a handler eats this one
    Pump();
    EXPECT_EQ(Line->text(), QString::fromUtf8("фZ"));
}

// A character that no key of the keyboard types (a tool that types text maps one in for the
// moment) still reaches the control.
TEST_F(Surface, NativeControl_TypesTheCharacterOfAKeyTheKeyboardLacks)
{
    const HWND Form = Popup(0, 0, 200, 100);
    const HWND Edit = MakeWindow(WS_CHILD | WS_VISIBLE, 0, 10, 10, 120, 24, Form);
    auto *Line = new QLineEdit; // the window's widget owns it once attached
    ASSERT_TRUE(win::AttachNativeWidget(Edit, Line));
    Pump();
    SetFocus(Edit);
    // Key code 8 is below every key of a keyboard; Qt names the key by its capital letter.
    QKeyEvent Key(QEvent::KeyPress, 0x414, Qt::NoModifier, 8, 0x6C4, 0, QString::fromUtf8("д"));
    QApplication::sendEvent(Line, &Key);
    MSG M;
    ASSERT_TRUE(PeekMessageW(&M, {}, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(M.message, WM_KEYDOWN);
    TranslateMessage(&M);
    DispatchMessageW(&M);
    ASSERT_TRUE(PeekMessageW(&M, {}, WM_CHAR, WM_CHAR, PM_REMOVE));
    EXPECT_EQ(M.wParam, 0xE4u);
    DispatchMessageW(&M);
    EXPECT_EQ(Line->text(), QString::fromUtf8("д"));
}

// The input filter sees every Qt object's events but looks only at its own: objects
// without type information pass untouched (the sanitizer stops at any look into them),
// and a part a native control gains after it is attached gives its input to the window.
TEST_F(Surface, InputFilter_LooksOnlyAtItsOwnObjects)
{
    const auto Foreign = MakeForeignObject();
    QEvent Polish(QEvent::Polish);
    QApplication::sendEvent(Foreign.get(), &Polish);
    QKeyEvent Stray(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, "b");
    QApplication::sendEvent(Foreign.get(), &Stray);

    const HWND Form = Popup(0, 0, 200, 100);
    const HWND Box = MakeWindow(WS_CHILD | WS_VISIBLE, 0, 10, 10, 150, 40, Form);
    auto *Frame = new QWidget; // the window's widget owns it once attached
    ASSERT_TRUE(win::AttachNativeWidget(Box, Frame));
    QWidget *Part = MakeForeignWidget(Frame);
    auto *Line = new QLineEdit(Frame);
    Line->show();
    Pump();
    QApplication::sendEvent(Part, &Polish);
    SetFocus(Box);
    Pump();
    QKeyEvent Key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, 38, 0, 0, "a");
    QApplication::sendEvent(Line, &Key);
    MSG M;
    ASSERT_TRUE(PeekMessageW(&M, {}, 0, 0, PM_REMOVE));
    EXPECT_EQ(M.message, WM_KEYDOWN);
    EXPECT_EQ(M.hwnd, Box);
    EXPECT_TRUE(Line->text().isEmpty()) << "the key waits for its message";

    // A line edit of nobody's gets its key at once.
    QLineEdit Alone;
    QApplication::sendEvent(&Alone, &Key);
    EXPECT_EQ(Alone.text(), "a");
}

TEST_F(Surface, CaptionedWindow_GetsAGradientCaptionInItsFrame)
{
    const HWND W = MakeWindow(WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 0, 120, 60);
    Made.push_back(W);
    Pump();
    const int Frame = GetSystemMetrics(SM_CXDLGFRAME);
    RECT Client;
    GetClientRect(W, &Client);
    EXPECT_EQ(Client.bottom, 60 - 2 * Frame - GetSystemMetrics(SM_CYCAPTION));
    const bool Active = GetActiveWindow() == W;
    EXPECT_EQ(win::SurfacePixel(W, Frame, Frame + 2),
              GetSysColor(Active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    EXPECT_EQ(win::SurfacePixel(W, 120 - Frame - 1, Frame + 2),
              GetSysColor(Active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION));
}

TEST_F(Surface, FramedWindow_TextIsItsTitleOnScreenAndFollowsChanges)
{
    const HWND W = MakeWindow(WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0, 10, 10, 200, 100);
    Made.push_back(W);
    SetWindowTextW(W, u" QRV-4  версия 1.51");
    EXPECT_EQ(WidgetOf(W)->windowTitle(), QString::fromUtf8(" QRV-4  версия 1.51"));
    SetWindowTextW(W, u"Печать");
    EXPECT_EQ(WidgetOf(W)->windowTitle(), QString::fromUtf8("Печать"));
    // A new widget, made when the style changes, keeps the title.
    SetWindowLongW(W, GWL_STYLE, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE);
    EXPECT_EQ(WidgetOf(W)->windowTitle(), QString::fromUtf8("Печать"));
}

TEST_F(Surface, FramedWindow_OnlyASizingBorderLetsTheWindowManagerResizeOrMaximise)
{
    const HWND Single =
        MakeWindow(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE, 0, 10, 10, 200, 100);
    Made.push_back(Single);
    RECT Client;
    GetClientRect(Single, &Client);
    const QWidget *Fixed = WidgetOf(Single);
    EXPECT_EQ(Fixed->minimumSize(), QSize(Client.right, Client.bottom));
    EXPECT_EQ(Fixed->maximumSize(), QSize(Client.right, Client.bottom));
    EXPECT_TRUE(Fixed->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(Fixed->windowFlags() & Qt::WindowMaximizeButtonHint);
    // The program itself still resizes it; the fixed size follows.
    SetWindowPos(Single, {}, 0, 0, 260, 140, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(Single, &Client);
    EXPECT_EQ(WidgetOf(Single)->maximumSize(), QSize(Client.right, Client.bottom));

    const HWND Sizeable = MakeWindow(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 10, 10, 200, 100);
    Made.push_back(Sizeable);
    const QWidget *Free = WidgetOf(Sizeable);
    EXPECT_NE(Free->minimumSize(), Free->maximumSize());
    EXPECT_TRUE(Free->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST(Clipboard, UnicodeTextComesBackAsCp1251)
{
    ASSERT_TRUE(OpenClipboard({}));
    EmptyClipboard();
    const char16_t Text[] = u"Ключ №1";
    const HGLOBAL Block = GlobalAlloc(GHND, sizeof(Text));
    std::memcpy(GlobalLock(Block), Text, sizeof(Text));
    GlobalUnlock(Block);
    EXPECT_TRUE(SetClipboardData(CF_UNICODETEXT, Block));
    CloseClipboard();
    ASSERT_TRUE(OpenClipboard({}));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    const HANDLE Ansi = GetClipboardData(CF_TEXT);
    ASSERT_TRUE(Ansi);
    EXPECT_STREQ(static_cast<const char *>(GlobalLock(Ansi)), "\xCA\xEB\xFE\xF7 \xB9"
                                                              "1");
    GlobalUnlock(Ansi);
    EmptyClipboard();
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    CloseClipboard();
}

} // namespace

// ---- maximised windows ----

namespace
{

class Maximise : public Surface
{
protected:
    static QRect Available() { return QGuiApplication::primaryScreen()->availableGeometry(); }
    static QRect OnScreen(HWND Wnd) { return WidgetOf(Wnd)->frameGeometry(); }
    // Pumps until the window shows where it is expected, for two seconds at most.
    static QRect SettlesAt(HWND Wnd, const QRect &Expected)
    {
        for (int Try = 0; Try < 100 && OnScreen(Wnd) != Expected; ++Try) {
            Pump();
            win::WaitForQueue(20);
        }
        return OnScreen(Wnd);
    }
    static QRect RectOf(HWND Wnd)
    {
        RECT R{};
        GetWindowRect(Wnd, &R);
        return QRect(R.left, R.top, R.right - R.left, R.bottom - R.top);
    }
    // The size kind of the last WM_SIZE the window heard.
    static WPARAM LastSizeKind(HWND Wnd)
    {
        WPARAM Kind = ~WPARAM{};
        for (const Received &R : Find(WM_SIZE))
            if (R.Wnd == Wnd) Kind = R.WParam;
        return Kind;
    }
};

TEST_F(Maximise, ABorderlessWindowFillsTheWorkAreaAndRestoreGivesItsPlaceBack)
{
    const HWND W = Popup(30, 40, 200, 100);
    const QRect Normal(30, 40, 200, 100);
    ASSERT_EQ(SettlesAt(W, Normal), Normal);
    ShowWindow(W, SW_MAXIMIZE);
    EXPECT_TRUE(IsZoomed(W));
    EXPECT_TRUE(GetWindowLongW(W, GWL_STYLE) & WS_MAXIMIZE);
    EXPECT_EQ(RectOf(W), Available());
    EXPECT_EQ(LastSizeKind(W), SIZE_MAXIMIZED);
    EXPECT_EQ(SettlesAt(W, Available()), Available()) << "the window does not fill the screen";

    ShowWindow(W, SW_RESTORE);
    EXPECT_FALSE(IsZoomed(W));
    EXPECT_FALSE(GetWindowLongW(W, GWL_STYLE) & WS_MAXIMIZE);
    EXPECT_EQ(LastSizeKind(W), SIZE_RESTORED);
    EXPECT_EQ(RectOf(W), Normal);
    EXPECT_EQ(SettlesAt(W, Normal), Normal) << "the window does not come back to its place";
}

TEST_F(Maximise, FromItsIconAWindowComesBackMaximisedAndThenToItsPlace)
{
    const HWND W = Popup(30, 40, 200, 100);
    ShowWindow(W, SW_SHOWMAXIMIZED);
    ShowWindow(W, SW_MINIMIZE);
    EXPECT_FALSE(IsZoomed(W)) << "an icon is not maximised";
    EXPECT_TRUE(IsIconic(W));
    ShowWindow(W, SW_RESTORE);
    EXPECT_TRUE(IsZoomed(W));
    EXPECT_FALSE(IsIconic(W));
    EXPECT_EQ(SettlesAt(W, Available()), Available());
    ShowWindow(W, SW_SHOWNORMAL);
    EXPECT_FALSE(IsZoomed(W));
    EXPECT_EQ(SettlesAt(W, QRect(30, 40, 200, 100)), QRect(30, 40, 200, 100));
}

TEST_F(Maximise, AWindowMadeMaximisedFillsTheWorkAreaAndKeepsItsOwnPlaceToComeBackTo)
{
    const HWND W = Popup(50, 60, 120, 80, WS_MAXIMIZE);
    EXPECT_TRUE(IsZoomed(W));
    EXPECT_EQ(SettlesAt(W, Available()), Available());
    ShowWindow(W, SW_RESTORE);
    EXPECT_EQ(SettlesAt(W, QRect(50, 60, 120, 80)), QRect(50, 60, 120, 80));
}

TEST_F(Maximise, ShowingAMaximisedWindowAgainKeepsItMaximised)
{
    const HWND W = Popup(30, 40, 200, 100);
    ShowWindow(W, SW_MAXIMIZE);
    ShowWindow(W, SW_HIDE);
    ShowWindow(W, SW_SHOW);
    EXPECT_TRUE(IsZoomed(W));
    EXPECT_EQ(SettlesAt(W, Available()), Available());
    SendMessageW(W, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsZoomed(W));
    EXPECT_EQ(SettlesAt(W, QRect(30, 40, 200, 100)), QRect(30, 40, 200, 100));
    SendMessageW(W, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(IsZoomed(W));
    EXPECT_EQ(SettlesAt(W, Available()), Available());
}

} // namespace
