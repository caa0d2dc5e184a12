#include "menus/TShadow.h"

#include "menus/TB2Common.h"
#include "platform/vcl/Forms.h"

namespace
{

// Weights of the Windows XP right shadow's four fading rows.
constexpr double RightCorner[4][4] = {{0.1, 0.031, 0.0, 0.0},
                                      {0.175, 0.1, 0.031, 0.0},
                                      {0.245, 0.175, 0.1, 0.01},
                                      {0.315, 0.245, 0.175, 0.031}};
// Weights of the Windows XP bottom shadow's end corner, by distance from the right edge.
constexpr double BottomEnd[4][4] = {{0.05, 0.05, 0.05, 0.05},
                                    {0.20, 0.20, 0.20, 0.05},
                                    {0.35, 0.35, 0.20, 0.05},
                                    {0.50, 0.35, 0.20, 0.05}};

COLORREF Blend(COLORREF Pixel, double W)
{
    return static_cast<COLORREF>(
        ColorToRGB(BlendColors(static_cast<TColor>(Pixel), static_cast<TColor>(RGB(30, 30, 30)),
                               static_cast<long double>(W))));
}

} // namespace

TShadow::TShadow(TComponent *AOwner, bool Vertical, bool Main, TShadowStyle Style)
    : TCustomControl(AOwner), FVertical(Vertical), FMain(Main), FStyle(Style)
{
    SetVisible(false);
    SetParentWindow(Application->Handle());
}

TShadow::~TShadow()
{
    UnPrepare();
}

void TShadow::SetCorners(bool Start, bool End)
{
    FStart = Start;
    FEnd = End;
}

void TShadow::SetExcludedSpan(int First, int Last)
{
    FExcludeFirst = First;
    FExcludeLast = Last;
}

void TShadow::CreateParams(TCreateParams &Params)
{
    inherited::CreateParams(Params);
    Params.Style = (Params.Style | WS_POPUP) & ~(WS_CHILD | WS_GROUP | WS_TABSTOP | WS_VISIBLE);
    Params.ExStyle |= WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    Params.WndParent = ParentWindow();
    Params.WindowClass.style |= CS_SAVEBITS | CS_VREDRAW;
    Params.WinClassName = "TShadow";
}

COLORREF &TShadow::Pixel(int X, int Y)
{
    return FImage[static_cast<std::size_t>(Y * Width() + X)];
}

void TShadow::Prepare()
{
    if (FPrepared) return;
    ProcessPaintMessages();
    FImage.assign(static_cast<std::size_t>(std::max(Width() * Height(), 0)), 0);
    // The screen under the shadow is what our windows show there.
    for (int Y = 0; Y < Height(); ++Y)
        for (int X = 0; X < Width(); ++X) {
            const POINT Screen{Left() + X, Top() + Y};
            const HWND Under = WindowFromPoint(Screen);
            COLORREF Color = GetSysColor(COLOR_BACKGROUND);
            if (Under && Under != WindowHandle()) {
                RECT R{};
                GetWindowRect(Under, &R);
                Color = win::SurfacePixel(Under, Screen.x - R.left, Screen.y - R.top);
            }
            Pixel(X, Y) = Color;
        }
    const std::vector<COLORREF> Under = FImage;
    if (FStyle == sWindowsXP)
        WindowsXPShadow();
    else
        OfficeXPShadow();
    const int Length = FVertical ? Height() : Width(), Across = FVertical ? Width() : Height();
    for (int Along = FExcludeFirst; Along >= 0 && Along <= std::min(FExcludeLast, Length - 1);
         ++Along)
        for (int Side = 0; Side < Across; ++Side) {
            const int X = FVertical ? Side : Along, Y = FVertical ? Along : Side;
            Pixel(X, Y) = Under[static_cast<std::size_t>(Y * Width() + X)];
        }
    FPrepared = true;
}

void TShadow::UnPrepare()
{
    FImage.clear();
    FPrepared = false;
}

void TShadow::WindowsXPShadow()
{
    const int W = Width(), H = Height();
    if (FVertical) {
        for (int Y = 4; Y < H; ++Y)
            for (int C = 0; C < std::min(W, 4); ++C) {
                if (Y < 8)
                    Pixel(C, Y) = Blend(Pixel(C, Y), RightCorner[Y - 4][C]);
                else if (FStart)
                    Pixel(C, Y) = Blend(Pixel(C, Y), (50 - 15 * C) / 100.0);
            }
        return;
    }
    for (int R = 0; R < std::min(H, 4); ++R)
        for (int X = 0; X < W; ++X) {
            const int K = W - 1 - X;
            if (FStart && X < 4)
                Pixel(X, R) = Blend(Pixel(X, R), (60 - (7 - X + R) * 7.1) / 100);
            else if (FEnd && K < 4)
                Pixel(X, R) = Blend(Pixel(X, R), BottomEnd[K][R]);
            else if (X >= 4 && X <= W - 5)
                Pixel(X, R) = Blend(Pixel(X, R), (50 - 15 * R) / 100.0);
        }
}

void TShadow::OfficeXPShadow()
{
    const int W = Width(), H = Height();
    auto Darken = [&](int X, int Y, int Amount) {
        Pixel(X, Y) = ColorDarkerRGB(Pixel(X, Y), Amount);
    };
    if (FVertical) {
        for (int Y = 4; Y < H; ++Y)
            for (int C = 0; C < std::min(W, 4); ++C) {
                if (Y < 8 && FStart)
                    Darken(C, Y, 40 - 5 * (7 - Y + C));
                else if (Y >= 8)
                    Darken(C, Y, 60 - 15 * C);
            }
        return;
    }
    for (int R = 0; R < std::min(H, 4); ++R)
        for (int X = 0; X < W; ++X) {
            const int K = W - 1 - X;
            if (FStart && X < 4)
                Darken(X, R, 60 - 5 * (7 - X + R));
            else if (FEnd && K < 4)
                Darken(X, R, 5 * (7 - R + K) - 15);
            else if (X >= 4 && X <= W - 5)
                Darken(X, R, 60 - 15 * R);
        }
}

void TShadow::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_NCHITTEST:
        Message.Result = HTTRANSPARENT;
        return;
    case WM_NCPAINT:
        return;
    case WM_MOUSEACTIVATE:
        Message.Result = MA_NOACTIVATE;
        return;
    case WM_ERASEBKGND: {
        const auto DC = reinterpret_cast<HDC>(Message.WParam);
        if (FPrepared)
            for (int Y = 0; Y < Height(); ++Y)
                for (int X = 0; X < Width(); ++X)
                    SetPixelV(DC, X, Y, Pixel(X, Y));
        Message.Result = 1;
        return;
    }
    case WM_PAINT: {
        PAINTSTRUCT Paint{};
        const HDC DC = BeginPaint(WindowHandle(), &Paint);
        if (!Paint.fErase) Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
        EndPaint(WindowHandle(), &Paint);
        return;
    }
    default:
        inherited::WndProc(Message);
    }
}
