// Memos: measuring, drawing and splitting their text through the renderer.

#include "report/frxClass.h"

#include "report/frxGraphicUtils.h"
#include "report/frxUtils.h"

#include <cmath>

namespace
{

// The box a memo measures an automatic width in.
const TRect Unbounded(0, 0, 10000, 10000);

} // namespace

TfrxDrawText *TfrxCustomMemoView::Renderer()
{
    TfrxReport *Report = GetReport();
    return Report ? Report->DrawText() : frxDrawText();
}

double TfrxCustomMemoView::AdjustCalcHeight() const
{
    const TfrxFrame *F = Frame();
    double Result = 2 * FGapY;
    if (F->Typ().Contains(ftTop)) Result += (F->Width() - 1) / 2;
    if (F->Typ().Contains(ftBottom)) Result += F->Width() / 2;
    if (F->DropShadow()) Result += F->ShadowWidth();
    return Result;
}

double TfrxCustomMemoView::AdjustCalcWidth() const
{
    const TfrxFrame *F = Frame();
    double Result = 2 * FGapX;
    if (F->Typ().Contains(ftLeft)) Result += (F->Width() - 1) / 2;
    if (F->Typ().Contains(ftRight)) Result += F->Width() / 2;
    if (F->DropShadow()) Result += F->ShadowWidth();
    return Result;
}

void TfrxCustomMemoView::BeginDraw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                                   double OffsetY)
{
    TfrxStretcheable::BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    const TfrxFrameTypes Typ = Frame()->Typ();
    const double W = Frame()->Width();
    int Left = FX, Top = FY, Right = FX1, Bottom = FY1;
    if (Typ.Contains(ftLeft)) Left += frxNearest((W * ScaleX - 1) / 2);
    if (Typ.Contains(ftRight)) Right -= frxNearest(W * ScaleX / 2);
    if (Typ.Contains(ftTop)) Top += frxNearest((W * ScaleY - 1) / 2);
    if (Typ.Contains(ftBottom)) Bottom -= frxNearest(W * ScaleY / 2);
    const int GapX = frxNearest(FGapX * ScaleX), GapY = frxNearest(FGapY * ScaleY);
    FTextRect = Rect(Left + GapX, Top + GapY, Right - GapX + 1, Bottom - GapY + 1);
}

void TfrxCustomMemoView::PrepareRenderer(TfrxDrawText *Renderer)
{
    Renderer->SetFont(FHighlight->Active() ? FHighlight->Font() : Font());
    Renderer->SetOptions(FWordWrap, FAllowHTMLTags, FRTLReading, FWordBreak, FClipped, FRotation);
    Renderer->SetGaps(FParagraphGap, FCharSpacing, FLineSpacing);
}

void TfrxCustomMemoView::SetDrawParams(TCanvas *Canvas, double ScaleX, double ScaleY,
                                       double OffsetX, double OffsetY)
{
    TfrxDrawText *D = Renderer();
    PrepareRenderer(D);
    if (FHighlight->Active()) SetColor(FHighlight->Color());
    if (FAutoWidth && !IsDesigning()) {
        D->SetDimensions(1, 1, Unbounded, Unbounded);
        D->SetText(FMemo.get());
        const double OldWidth = Width();
        const double NewWidth = D->CalcWidth() + AdjustCalcWidth();
        SetWidth(NewWidth);
        if (FHAlign == haRight)
            SetLeft(Left() + OldWidth - NewWidth);
        else if (FHAlign == haCenter)
            SetLeft(Left() + (OldWidth - NewWidth) / 2);
        if (Parent()) Parent()->AlignChildren();
    }
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    const TRect CanvasRect = FTextRect;
    BeginDraw(Canvas, 1, 1, 0, 0);
    D->SetDimensions(ScaleX, ScaleY, FTextRect, CanvasRect);
    D->SetText(FMemo.get());
}

namespace
{

// A highlight colours one drawing only: the memo's colour comes back after it.
class TColorKeeper
{
public:
    explicit TColorKeeper(TfrxView *View) : FView(View), FColor(View->Color()) {}
    ~TColorKeeper() { FView->SetColor(FColor); }
    TColorKeeper(const TColorKeeper &) = delete;
    TColorKeeper &operator=(const TColorKeeper &) = delete;

private:
    TfrxView *FView;
    TColor FColor;
};

} // namespace

void TfrxCustomMemoView::Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                              double OffsetY)
{
    if (!IsDesigning()) ExtractTotalPages();
    TColorKeeper Keep(this);
    TfrxDrawText *D = Renderer();
    TfrxDrawTextLock Lock(D);
    SetDrawParams(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    TfrxStretcheable::Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    if (FDrawnSides) ForgetSidesUnderText();
    if (FUnderlines && FRotation == 0) DrawUnderlines(D->LineHeight() * ScaleY);
    D->DrawText(Canvas, FHAlign, FVAlign);
}

// Clipped text stays inside its rectangle; any other may reach anywhere.
void TfrxCustomMemoView::ForgetSidesUnderText()
{
    if (FClipped && FRotation == 0 && !FUnderlines)
        FDrawnSides->Forget(FTextRect);
    else
        FDrawnSides->ForgetAll();
}

void TfrxCustomMemoView::DrawUnderlines(double Step)
{
    if (Step <= 0) return;
    TPen *Pen = FCanvas->Pen();
    Pen->SetColor(Frame()->Color());
    Pen->SetWidth(FFrameWidth);
    Pen->SetStyle(psSolid);
    Pen->SetMode(pmCopy);
    for (double Y = FY + Step; Y < FY1; Y += Step) {
        FCanvas->MoveTo(FX, frxNearest(Y));
        FCanvas->LineTo(FX1, frxNearest(Y));
    }
}

double TfrxCustomMemoView::CalcHeight()
{
    TfrxDrawText *D = Renderer();
    TfrxDrawTextLock Lock(D);
    PrepareRenderer(D);
    if (FAutoWidth) {
        D->SetDimensions(1, 1, Unbounded, Unbounded);
    } else {
        BeginDraw(nullptr, 1, 1, 0, 0);
        D->SetDimensions(1, 1, FTextRect, FTextRect);
    }
    D->SetText(FMemo.get());
    return frxNearest(D->CalcHeight() + AdjustCalcHeight());
}

double TfrxCustomMemoView::CalcWidth()
{
    TfrxDrawText *D = Renderer();
    TfrxDrawTextLock Lock(D);
    PrepareRenderer(D);
    D->SetDimensions(1, 1, Unbounded, Unbounded);
    D->SetText(FMemo.get());
    return frxNearest(D->CalcWidth() + AdjustCalcWidth());
}

void TfrxCustomMemoView::InitPart()
{
    FPartMemo = FMemo->Text();
}

double TfrxCustomMemoView::DrawPart()
{
    TColorKeeper Keep(this);
    TfrxDrawText *D = Renderer();
    TfrxDrawTextLock Lock(D);
    FMemo->SetText(FPartMemo);
    SetDrawParams(nullptr, 1, 1, 0, 0);
    const double Unused = D->UnusedSpace();
    // Nothing placed: the whole height tells the engine to go on elsewhere. A box lower than a
    // line places none, yet shown whole it shows all that is left, as in a band that does not
    // split.
    if (Unused == 0) return Height();
    FPartMemo = D->GetOutBoundsText();
    FMemo->SetText(D->GetInBoundsText());
    return Unused;
}

WideString TfrxCustomMemoView::WrapText(bool WrapWords)
{
    TColorKeeper Keep(this);
    TfrxDrawText *D = Renderer();
    TfrxDrawTextLock Lock(D);
    TBitmap Scratch;
    Scratch.SetSize(1, 1);
    SetDrawParams(Scratch.Canvas(), 1, 1, 0, 0);
    return WrapWords ? D->GetWrappedText() : D->DeleteTags(FMemo->Text());
}

void TfrxCustomMemoView::FlowText()
{
    if (!FFlowTo) return;
    InitPart();
    DrawPart();
    FFlowTo->SetText(FPartMemo);
    // The text moved on was evaluated here already.
    FFlowTo->SetAllowExpressions(false);
}
