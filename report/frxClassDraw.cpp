// Views on a canvas: the pixel box at a scale and offset, the fill, the frame
// with its styles and drop shadow, and the shapes.

#include "report/frxClass.h"

#include "report/frxRes.h"
#include "report/frxUtils.h"

#include <algorithm>
#include <cmath>

namespace
{

enum FrameSide { SideLeft, SideRight, SideTop, SideBottom };

} // namespace

void TfrxView::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY)
{
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    DrawBackground();
    DrawFrame();
}

void TfrxView::BeginDraw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                         double OffsetY)
{
    FCanvas = Canvas;
    FScaleX = ScaleX;
    FScaleY = ScaleY;
    FOffsetX = OffsetX;
    FOffsetY = OffsetY;
    FX = frxNearest(GetAbsLeft() * ScaleX + OffsetX);
    FY = frxNearest(GetAbsTop() * ScaleY + OffsetY);
    FX1 = frxNearest((GetAbsLeft() + Width()) * ScaleX + OffsetX);
    FY1 = frxNearest((GetAbsTop() + Height()) * ScaleY + OffsetY);
    // The shadow lies inside the object's rectangle.
    if (FFrame->DropShadow()) {
        FX1 -= frxNearest(FFrame->ShadowWidth() * ScaleX);
        FY1 -= frxNearest(FFrame->ShadowWidth() * ScaleY);
    }
    FDX = FX1 - FX;
    FDY = FY1 - FY;
    FFrameWidth = frxNearest(FFrame->Width() * ScaleX);
}

void TfrxView::DrawBackground()
{
    if (FColor != clNone) {
        if (FDrawnSides) FDrawnSides->Forget(Rect(FX, FY, FX1, FY1));
        FCanvas->Brush()->SetColor(FColor);
        FCanvas->Brush()->SetStyle(bsSolid);
        FCanvas->FillRect(Rect(FX, FY, FX1, FY1));
    }
    // A clear brush has no hatch to draw.
    if (FBrushStyle == bsSolid || FBrushStyle == bsClear) return;
    if (FDrawnSides) FDrawnSides->ForgetAll();
    FCanvas->Brush()->SetColor(FFrame->Color());
    FCanvas->Brush()->SetStyle(FBrushStyle);
    FCanvas->Rectangle(FX, FY, FX1 + 1, FY1 + 1);
    FCanvas->Brush()->SetStyle(bsSolid);
}

void TfrxView::DrawLine(int X, int Y, int X1, int Y1, int W)
{
    if (W == 0) W = 1;
    const int First = -(W / 2);
    const int Last = W % 2 == 0 ? W / 2 - 1 : W / 2;
    const bool Horizontal = std::abs(X1 - X) > std::abs(Y1 - Y);
    for (int i = First; i <= Last; ++i) {
        const int ShiftX = Horizontal ? 0 : i;
        const int ShiftY = Horizontal ? i : 0;
        FCanvas->MoveTo(X + ShiftX, Y + ShiftY);
        FCanvas->LineTo(X1 + ShiftX, Y1 + ShiftY);
    }
}

void TfrxView::DrawShadow()
{
    if (FDrawnSides) FDrawnSides->ForgetAll();
    FCanvas->Pen()->SetStyle(psSolid);
    FCanvas->Pen()->SetColor(FFrame->ShadowColor());
    int d = frxNearest(FFrame->ShadowWidth() * FScaleX);
    DrawLine(FX1 + d / 2, FY + d, FX1 + d / 2, FY1, d);
    d = frxNearest(FFrame->ShadowWidth() * FScaleY);
    DrawLine(FX + d, FY1 + d / 2, FX1 + d, FY1 + d / 2, d);
}

void TfrxView::DrawFrame()
{
    if (FFrame->DropShadow()) DrawShadow();
    if (FFrame->Typ().Empty() || FFrame->Color() == clNone || FFrame->Width() == 0) return;
    const TfrxFrameStyle Style = FFrame->Style();
    TPen *Pen = FCanvas->Pen();
    Pen->SetColor(FFrame->Color());
    if (Style == fsSolid || Style == fsDouble) {
        Pen->SetStyle(psSolid);
        Pen->SetWidth(FFrameWidth);
    } else {
        Pen->SetStyle(static_cast<TPenStyle>(Style));
        Pen->SetWidth(1);
    }
    // Only solid sides are shared; the others paint over whatever lies under them.
    if (Style != fsSolid && FDrawnSides) FDrawnSides->ForgetAll();
    // The gaps of dashed lines show the fill, or nothing without one.
    TBrush *Brush = FCanvas->Brush();
    Brush->SetStyle(bsSolid);
    if (Style != fsSolid) {
        if (FColor == clNone)
            Brush->SetStyle(bsClear);
        else
            Brush->SetColor(FColor);
    }
    const TfrxFrameTypes Typ = FFrame->Typ();
    if (Typ.Contains(ftLeft)) DrawFrameSide(SideLeft);
    if (Typ.Contains(ftRight)) DrawFrameSide(SideRight);
    if (Typ.Contains(ftTop)) DrawFrameSide(SideTop);
    if (Typ.Contains(ftBottom)) DrawFrameSide(SideBottom);
}

void TfrxView::DrawFrameSide(int Side)
{
    const bool Vertical = Side == SideLeft || Side == SideRight;
    int X = FX, Y = FY, X1 = FX1, Y1 = FY1;
    switch (Side) {
    case SideLeft:
        X1 = FX;
        break;
    case SideRight:
        X = FX1;
        break;
    case SideTop:
        Y1 = FY;
        break;
    default:
        Y = FY1;
        // A one-pixel bottom line reaches the right edge inclusive.
        X1 = FFrameWidth == 1 ? FX1 + 1 : FX1;
        break;
    }
    switch (FFrame->Style()) {
    case fsSolid: {
        TPen *Pen = FCanvas->Pen();
        const TfrxDrawnSides::Line Line{Vertical,           Vertical ? X : Y, Vertical ? Y : X,
                                        Vertical ? Y1 : X1, Pen->Color(),     Pen->Width()};
        const bool Shared = FDrawnSides && Pen->Mode() == pmCopy && Line.From <= Line.To;
        if (Shared && FDrawnSides->Covered(Line)) return;
        FCanvas->MoveTo(X, Y);
        FCanvas->LineTo(X1, Y1);
        if (Shared) FDrawnSides->Add(Line);
        return;
    }
    case fsDouble:
        break;
    default:
        DrawLine(X, Y, X1, Y1, FFrameWidth);
        return;
    }
    // Two lines a frame width outside and inside the side; at an end where the
    // neighbouring side is framed too, the outer one reaches out and the inner one in.
    const TfrxFrameTypes Typ = FFrame->Typ();
    const int W = FFrameWidth;
    const int Outward = (Side == SideLeft || Side == SideTop) ? -W : W;
    const int AtStart = Typ.Contains(Vertical ? ftTop : ftLeft) ? W : 0;
    const int AtEnd = Typ.Contains(Vertical ? ftBottom : ftRight) ? W : 0;
    auto Line = [&](int Offset, int Grow) {
        if (Vertical) {
            FCanvas->MoveTo(X + Offset, Y - Grow * AtStart);
            FCanvas->LineTo(X1 + Offset, Y1 + Grow * AtEnd);
        } else {
            FCanvas->MoveTo(X - Grow * AtStart, Y + Offset);
            FCanvas->LineTo(X1 + Grow * AtEnd, Y1 + Offset);
        }
    };
    Line(Outward, 1);
    Line(-Outward, -1);
    if (FColor == clNone) return;
    FCanvas->Pen()->SetColor(FColor);
    Line(0, 0);
    FCanvas->Pen()->SetColor(FFrame->Color());
}

// ---- sides shared on a page ----

bool TfrxDrawnSides::Covered(const Line &L) const
{
    const auto Found = FLines.find({L.Vertical, L.At});
    if (Found == FLines.end()) return false;
    return std::any_of(Found->second.begin(), Found->second.end(), [&](const Line &Drawn) {
        return Drawn.Color == L.Color && Drawn.Width == L.Width && Drawn.From <= L.From &&
               L.To <= Drawn.To;
    });
}

// A pen's width spreads a line to both sides and past its ends, however it is capped; one
// pixel more allows for rounding.
int TfrxDrawnSides::Reach(int Width)
{
    return Width / 2 + 1;
}

void TfrxDrawnSides::Add(const Line &L)
{
    FLines[{L.Vertical, L.At}].push_back(L);
    FFarthest = std::max(FFarthest, Reach(L.Width));
}

void TfrxDrawnSides::Forget(const TRect &Box)
{
    const auto ForgetIn = [&](bool Vertical, int Low, int High, int AlongLow, int AlongHigh) {
        auto At = FLines.lower_bound({Vertical, Low - FFarthest});
        const auto End = FLines.upper_bound({Vertical, High + FFarthest});
        while (At != End) {
            std::erase_if(At->second, [&](const Line &L) {
                const int R = Reach(L.Width);
                return L.At + R >= Low && L.At - R < High && L.From - R < AlongHigh &&
                       L.To + R >= AlongLow;
            });
            At = At->second.empty() ? FLines.erase(At) : std::next(At);
        }
    };
    ForgetIn(true, Box.Left, Box.Right, Box.Top, Box.Bottom);
    ForgetIn(false, Box.Top, Box.Bottom, Box.Left, Box.Right);
}

int TfrxDrawnSides::Count() const
{
    int Result = 0;
    for (const auto &[Key, Lines] : FLines)
        Result += static_cast<int>(Lines.size());
    return Result;
}

// ---- shapes ----

TfrxShapeView::TfrxShapeView(TComponent *AOwner) : TfrxView(AOwner)
{
    SetPlainView(false);
}

TfrxShapeView::TfrxShapeView(TComponent *AOwner, unsigned short Flags) : TfrxShapeView(AOwner)
{
    if (Flags <= skDiagonal2) FShape = static_cast<TfrxShapeKind>(Flags);
}

AnsiString TfrxShapeView::GetDescription() const
{
    return frxResources()->Get("obShape");
}

AnsiString TfrxShapeView::Diff(TfrxComponent *Other)
{
    AnsiString Result = TfrxView::Diff(Other);
    auto *Shape = dynamic_cast<TfrxShapeView *>(Other);
    if (Shape && FShape != Shape->FShape)
        Result += " Shape=\"" + IntToStr(static_cast<int>(FShape)) + "\"";
    return Result;
}

void TfrxShapeView::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                         double OffsetY)
{
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    TPen *Pen = Canvas->Pen();
    TBrush *Brush = Canvas->Brush();
    Pen->SetColor(Frame()->Color());
    Pen->SetWidth(FFrameWidth);
    Brush->SetStyle(bsSolid);
    SetBkMode(Canvas->Handle(), OPAQUE);
    // The frame style by its place among the pen styles: a double frame draws no outline.
    Pen->SetStyle(static_cast<TPenStyle>(Frame()->Style()));
    if (BrushStyle() == bsSolid) {
        if (Color() == clNone)
            Brush->SetStyle(bsClear);
        else
            Brush->SetColor(Color());
        DrawShape();
        return;
    }
    if (Color() != clNone) {
        Brush->SetColor(Color());
        DrawShape();
    }
    Brush->SetColor(Frame()->Color());
    Brush->SetStyle(BrushStyle());
    DrawShape();
}

void TfrxShapeView::DrawShape()
{
    switch (FShape) {
    case skRectangle:
        FCanvas->Rectangle(FX, FY, FX1 + 1, FY1 + 1);
        break;
    case skRoundRectangle: {
        const int Corner = FCurve != 0 ? frxNearest(FCurve * FScaleX * 10) : std::min(FDX, FDY) / 4;
        FCanvas->RoundRect(FX, FY, FX1 + 1, FY1 + 1, Corner, Corner);
        break;
    }
    case skEllipse:
        FCanvas->Ellipse(FX, FY, FX1 + 1, FY1 + 1);
        break;
    case skTriangle:
        FCanvas->Polygon({Point(FX1, FY1), Point(FX, FY1), Point(FX + FDX / 2, FY)});
        break;
    case skDiamond:
        FCanvas->Polygon({Point(FX + FDX / 2, FY), Point(FX1, FY + FDY / 2),
                          Point(FX + FDX / 2, FY1), Point(FX, FY + FDY / 2)});
        break;
    case skDiagonal1:
        DrawLine(FX, FY1, FX1, FY, FFrameWidth);
        break;
    case skDiagonal2:
        DrawLine(FX, FY, FX1, FY1, FFrameWidth);
        break;
    }
}
