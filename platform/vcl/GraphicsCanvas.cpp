#include "platform/vcl/Graphics.h"

#include "platform/win/WinUser.h"

namespace
{

constexpr int PenModes[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                            R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                            R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                            R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};

std::vector<POINT> ToPoints(const std::vector<TPoint> &Points)
{
    return {Points.begin(), Points.end()};
}

} // namespace

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()),
      FBrush(std::make_unique<TBrush>())
{
    FFont->OnChange = [this](TObject *Sender) { FontChanged(Sender); };
    FPen->OnChange = [this](TObject *Sender) { PenChanged(Sender); };
    FBrush->OnChange = [this](TObject *Sender) { BrushChanged(Sender); };
}

TCanvas::~TCanvas()
{
    SetHandle(nullptr);
}

HDC TCanvas::Handle()
{
    // The handle is given ready to draw with, as callers pass it straight to GDI.
    RequiredState({csHandleValid, csFontValid, csPenValid, csBrushValid});
    return FHandle;
}

void TCanvas::SetHandle(HDC Value)
{
    if (Value == FHandle) return;
    if (FHandle) {
        DeselectHandles();
        FState = {};
    }
    FHandle = Value;
    if (FHandle) FState << csHandleValid;
}

void TCanvas::DeselectHandles()
{
    if (!FHandle) return;
    if (FState.Contains(csFontValid)) SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
    if (FState.Contains(csPenValid)) SelectObject(FHandle, GetStockObject(BLACK_PEN));
    if (FState.Contains(csBrushValid)) SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
    FState = FState - TCanvasState{csFontValid, csPenValid, csBrushValid};
}

void TCanvas::RequiredState(TCanvasState ReqState)
{
    const TCanvasState needed = ReqState - FState;
    if (needed.Empty()) return;
    if (needed.Contains(csHandleValid)) {
        CreateHandle();
        if (!FHandle) throw EInvalidOperation("Canvas does not allow drawing");
        FState << csHandleValid;
    }
    if (needed.Contains(csFontValid)) CreateFont();
    if (needed.Contains(csPenValid)) CreatePen();
    if (needed.Contains(csBrushValid)) CreateBrush();
}

void TCanvas::CreateFont()
{
    SelectObject(FHandle, FFont->Handle());
    SetTextColor(FHandle, ColorToRGB(FFont->Color()));
    FState << csFontValid;
}

void TCanvas::CreatePen()
{
    SelectObject(FHandle, FPen->Handle());
    SetROP2(FHandle, PenModes[FPen->Mode()]);
    FState << csPenValid;
}

void TCanvas::CreateBrush()
{
    UnrealizeObject(FBrush->Handle());
    SelectObject(FHandle, FBrush->Handle());
    if (FBrush->Style() == bsSolid) {
        SetBkColor(FHandle, ColorToRGB(FBrush->Color()));
        SetBkMode(FHandle, OPAQUE);
    } else {
        // Hatches are drawn over a background of the inverse colour, left clear.
        SetBkColor(FHandle, ~ColorToRGB(FBrush->Color()) & 0xFFFFFF);
        SetBkMode(FHandle, TRANSPARENT);
    }
    FState << csBrushValid;
}

void TCanvas::FontChanged(TObject *)
{
    if (FState.Contains(csFontValid)) {
        FState >> csFontValid;
        SelectObject(FHandle, GetStockObject(SYSTEM_FONT));
    }
}

void TCanvas::PenChanged(TObject *)
{
    if (FState.Contains(csPenValid)) {
        FState >> csPenValid;
        SelectObject(FHandle, GetStockObject(BLACK_PEN));
    }
}

void TCanvas::BrushChanged(TObject *)
{
    if (FState.Contains(csBrushValid)) {
        FState >> csBrushValid;
        SelectObject(FHandle, GetStockObject(HOLLOW_BRUSH));
    }
}

void TCanvas::Changed()
{
    if (OnChange) OnChange(this);
}

void TCanvas::Changing()
{
    if (OnChanging) OnChanging(this);
}

void TCanvas::Refresh()
{
    DeselectHandles();
}

void TCanvas::Lock()
{
    FLock.lock();
}

void TCanvas::Unlock()
{
    FLock.unlock();
}

TPoint TCanvas::PenPos()
{
    RequiredState({csHandleValid});
    POINT p{};
    GetCurrentPositionEx(FHandle, &p);
    return p;
}

TColor TCanvas::Pixels(int X, int Y)
{
    RequiredState({csHandleValid});
    return static_cast<TColor>(GetPixel(FHandle, X, Y));
}

void TCanvas::SetPixels(int X, int Y, TColor Value)
{
    Changing();
    RequiredState({csHandleValid, csPenValid});
    SetPixel(FHandle, X, Y, ColorToRGB(Value));
    Changed();
}

TRect TCanvas::ClipRect()
{
    RequiredState({csHandleValid});
    RECT r{};
    GetClipBox(FHandle, &r);
    return r;
}

void TCanvas::MoveTo(int X, int Y)
{
    RequiredState({csHandleValid});
    MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(int X, int Y)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::LineTo(FHandle, X, Y);
    Changed();
}

void TCanvas::Polyline(const std::vector<TPoint> &Points)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    const std::vector<POINT> points = ToPoints(Points);
    ::Polyline(FHandle, points.data(), static_cast<int>(points.size()));
    Changed();
}

void TCanvas::Polygon(const std::vector<TPoint> &Points)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    const std::vector<POINT> points = ToPoints(Points);
    ::Polygon(FHandle, points.data(), static_cast<int>(points.size()));
    Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Rectangle(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3);
    Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2)
{
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Ellipse(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::FillRect(const TRect &R)
{
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    const RECT r = R;
    ::FillRect(FHandle, &r, FBrush->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect &R)
{
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    const RECT r = R;
    ::FrameRect(FHandle, &r, FBrush->Handle());
    Changed();
}

void TCanvas::DrawFocusRect(const TRect &R)
{
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    const RECT r = R;
    ::DrawFocusRect(FHandle, &r);
    Changed();
}

void TCanvas::TextOut(int X, int Y, const AnsiString &Text)
{
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    ExtTextOutA(FHandle, X, Y, 0, nullptr, Text.c_str(), Text.Length(), nullptr);
    MoveToEx(FHandle, X + TextWidth(Text), Y, nullptr);
    Changed();
}

void TCanvas::TextRect(const TRect &R, int X, int Y, const AnsiString &Text)
{
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    UINT options = ETO_CLIPPED;
    if (FBrush->Style() != bsClear) options |= ETO_OPAQUE;
    const RECT r = R;
    ExtTextOutA(FHandle, X, Y, options, &r, Text.c_str(), Text.Length(), nullptr);
    Changed();
}

SIZE TCanvas::TextExtent(const AnsiString &Text)
{
    RequiredState({csHandleValid, csFontValid});
    SIZE size{};
    GetTextExtentPoint32A(FHandle, Text.c_str(), Text.Length(), &size);
    return size;
}

void TCanvas::Draw(int X, int Y, TGraphic *Graphic)
{
    if (!Graphic || Graphic->Empty()) return;
    StretchDraw(Bounds(X, Y, Graphic->Width(), Graphic->Height()), Graphic);
}

void TCanvas::StretchDraw(const TRect &R, TGraphic *Graphic)
{
    if (!Graphic) return;
    Changing();
    RequiredState({csHandleValid});
    Graphic->Draw(this, R);
    Changed();
}

void TCanvas::CopyRect(const TRect &Dest, TCanvas *Canvas, const TRect &Source)
{
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    ::StretchBlt(FHandle, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), Canvas->Handle(),
                 Source.Left, Source.Top, Source.Width(), Source.Height(), FCopyMode);
    Changed();
}

// ---- published properties ---------------------------------------------------------

namespace
{

void PublishCanvas(rtl::Publisher<TCanvas> &P)
{
    P.Property("Brush", &TCanvas::Brush, &TCanvas::SetBrush);
    P.Property("Font", &TCanvas::Font, &TCanvas::SetFont);
    P.Property("Pen", &TCanvas::Pen, &TCanvas::SetPen);
}

[[maybe_unused]] const bool CanvasPublished = rtl::PublishClass<TCanvas>(&PublishCanvas);

} // namespace
