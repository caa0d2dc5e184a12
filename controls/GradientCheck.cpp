#include "controls/GradientCheck.h"

#include "platform/rtl/ClassesFiler.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace
{

// Keeps the HTML property and the colour in step: a parsed text sets the
// colour, "#ignore" leaves it.
void SetHTMLColor(AnsiString &Html, TColor &Color, const AnsiString &Value)
{
    if (Value == IgnoreHTMLColor) {
        Html = Value;
        return;
    }
    const HTMLColor Parsed(Value);
    Html = Parsed.HTML();
    Color = Parsed.Color();
}

void SetColorWithHTML(AnsiString &Html, TColor &Color, TColor Value)
{
    Color = Value;
    if (Html != IgnoreHTMLColor) Html = HTMLColor(Value).HTML();
}

COLORREF Lighter(COLORREF C)
{
    const auto Up = [](int V) { return static_cast<BYTE>(V >= 225 ? 255 : V + 30); };
    return RGB(Up(GetRValue(C)), Up(GetGValue(C)), Up(GetBValue(C)));
}

// The panel's picture tells the panel of each change before its own OnChange
// runs, so that event stays free for whoever holds the picture.
class TPanelPicture : public TPNGObject
{
public:
    explicit TPanelPicture(std::function<void()> PanelChanged)
        : FPanelChanged(std::move(PanelChanged))
    {
    }

protected:
    void Changed(TObject *Sender) override
    {
        FPanelChanged();
        TPNGObject::Changed(Sender);
    }

private:
    std::function<void()> FPanelChanged;
};

} // namespace

TGradientCheck::TGradientCheck(TComponent *AOwner)
    : TCustomPanel(AOwner),
      // Changes made through gPngPicture() reach the panel only as change reports;
      // pixels edited in place are announced by the editor with SetModified(true).
      FPngPicture(std::make_unique<TPanelPicture>([this] {
          ++FPictureVersion;
          Invalidate();
      }))
{
    SetCursor(crHandPoint);
    SetDoubleBuffered(true);
    FBuffer.SetPixelFormat(pf24bit);
}

void TGradientCheck::SetgCaption(const AnsiString &Value)
{
    FCaption = Value;
    Invalidate();
}

void TGradientCheck::SetgPngAlign(TPngAlignment Value)
{
    FPngAlign = Value;
    Invalidate();
}

void TGradientCheck::SetgPngPicture(TPNGObject *Value)
{
    FPngPicture->Assign(Value);
}

void TGradientCheck::SetgColorHTMLBegin(const AnsiString &Value)
{
    SetHTMLColor(FColorHTMLBegin, FColorBegin, Value);
    Invalidate();
}

void TGradientCheck::SetgColorHTMLEnd(const AnsiString &Value)
{
    SetHTMLColor(FColorHTMLEnd, FColorEnd, Value);
    Invalidate();
}

void TGradientCheck::SetgColorBegin(TColor Value)
{
    SetColorWithHTML(FColorHTMLBegin, FColorBegin, Value);
    Invalidate();
}

void TGradientCheck::SetgColorEnd(TColor Value)
{
    SetColorWithHTML(FColorHTMLEnd, FColorEnd, Value);
    Invalidate();
}

void TGradientCheck::SetgHorizontal(bool Value)
{
    FHorizontal = Value;
    Invalidate();
}

void TGradientCheck::SetgFrame(bool Value)
{
    FFrame = Value;
    Invalidate();
}

void TGradientCheck::SetgRotate(bool Value)
{
    FRotate = Value;
    Invalidate();
}

void TGradientCheck::SetgRound(bool Value)
{
    FRound = Value;
    Invalidate();
}

void TGradientCheck::SetgGradient(bool Value)
{
    FGradient = Value;
    Invalidate();
}

void TGradientCheck::SetgCheckable(bool Value)
{
    FCheckable = Value;
    SetCursor(Value ? crHandPoint : crDefault);
    if (Value) SetChecked(true);
}

// The states are remembered when the children are first held, not again while they stay held:
// a panel unchecked and then disabled, or disabled twice, would otherwise remember every child
// as disabled, and the children enabled before could never come back.
void TGradientCheck::ApplyChildRule(bool WasActive)
{
    const bool Active = ChildrenActive();
    if (WasActive && !Active) {
        FChildStates.clear();
        for (int I = 0; I < ControlCount(); ++I) {
            FChildStates.push_back(Controls(I)->Enabled());
            Controls(I)->SetEnabled(false);
        }
    } else if (!WasActive && Active) {
        const bool Known = static_cast<int>(FChildStates.size()) == ControlCount();
        for (int I = 0; I < ControlCount(); ++I)
            Controls(I)->SetEnabled(FForceChildEnabled || !Known ||
                                    FChildStates[static_cast<std::size_t>(I)]);
    }
}

void TGradientCheck::SetChecked(bool Value)
{
    const bool WasActive = ChildrenActive();
    FChecked = Value;
    ApplyChildRule(WasActive);
    Invalidate();
}

void TGradientCheck::SetEnabled(bool Value)
{
    const bool WasActive = ChildrenActive();
    TCustomPanel::SetEnabled(Value);
    ApplyChildRule(WasActive);
    Invalidate();
}

void TGradientCheck::SetVisible(bool Value)
{
    for (int I = 0; I < ControlCount(); ++I)
        Controls(I)->SetVisible(Value);
    TCustomPanel::SetVisible(Value);
    Invalidate();
}

void TGradientCheck::Click()
{
    if (FCheckable) SetChecked(!FChecked);
    TCustomPanel::Click();
}

void TGradientCheck::WndProc(TMessage &Message)
{
    const bool Enter = Message.Msg == CM_MOUSEENTER, Leave = Message.Msg == CM_MOUSELEAVE;
    TCustomPanel::WndProc(Message);
    if (!(Enter || Leave) || !FCheckable || !Enabled()) return;
    if (Leave && OnMouseExit) OnMouseExit(this);
    FHover = Enter;
    Invalidate();
}

void TGradientCheck::DrawOutline(TCanvas *Canvas, TRect R, TColor Color, int Width)
{
    Canvas->Pen()->SetWidth(Width);
    Canvas->Pen()->SetColor(Color);
    Canvas->Brush()->SetStyle(bsClear);
    if (FRound)
        Canvas->RoundRect(R.Left, R.Top, R.Right, R.Bottom, 9, 9);
    else
        Canvas->Rectangle(R);
}

void TGradientCheck::DrawGradientBox(TCanvas *Canvas, const TRect &R, TColor First, TColor Second)
{
    COLORREF Start = ColorToRGB(First), End = ColorToRGB(Second);
    if (FRotate) std::swap(Start, End);
    if (HoverLook()) {
        Start = Lighter(Start);
        End = Lighter(End);
    }
    TRIVERTEX Vertices[2] = {{R.Left, R.Top, COLOR16(GetRValue(Start) << 8),
                              COLOR16(GetGValue(Start) << 8), COLOR16(GetBValue(Start) << 8), 0},
                             {R.Right, R.Bottom, COLOR16(GetRValue(End) << 8),
                              COLOR16(GetGValue(End) << 8), COLOR16(GetBValue(End) << 8), 0xFF00}};
    GRADIENT_RECT Mesh{0, 1};
    GradientFill(Canvas->Handle(), Vertices, 2, &Mesh, 1,
                 FHorizontal ? GRADIENT_FILL_RECT_H : GRADIENT_FILL_RECT_V);
    if (FFrame) DrawOutline(Canvas, R, First, 1);
    if (HoverLook()) DrawOutline(Canvas, Rect(R.Left + 1, R.Top + 1, R.Right, R.Bottom), First, 2);
}

TGradientCheck::TLook TGradientCheck::Look() const
{
    const TFont *F = Font();
    return {.Width = Width(),
            .Height = Height(),
            .Caption = FCaption,
            .PngAlign = FPngAlign,
            .PictureVersion = FPictureVersion,
            .ColorBegin = ColorToRGB(FColorBegin),
            .ColorEnd = ColorToRGB(FColorEnd),
            .Horizontal = FHorizontal,
            .Frame = FFrame,
            .Rotate = FRotate,
            .Round = FRound,
            .Gradient = FGradient,
            .Checked = FChecked,
            .Enabled = Enabled(),
            .Hover = HoverLook(),
            .FontName = F->Name(),
            .FontHeight = F->Height(),
            .FontPixelsPerInch = F->PixelsPerInch(),
            .FontColor = ColorToRGB(F->Color()),
            .FontStyle = F->Style(),
            .FontCharset = F->Charset(),
            .FontPitch = F->Pitch()};
}

void TGradientCheck::Paint()
{
    TLook Now = Look();
    if (Now != FBufferLook) {
        DrawBuffer();
        FBufferLook = std::move(Now);
    }
    Canvas()->Draw(0, 0, &FBuffer);
}

void TGradientCheck::DrawBuffer()
{
    FBuffer.SetSize(Width(), Height());
    TCanvas *C = FBuffer.Canvas();
    C->Brush()->SetStyle(bsClear);
    TColor First = FChecked ? FColorBegin : clSilver;
    TColor Second = FChecked ? FColorEnd : clWhite;
    if (!Enabled()) {
        First = static_cast<TColor>(RGB(96, 96, 96));
        Second = clWhite;
    }
    const TRect R = Rect(0, 0, Width(), Height());
    if (FGradient) {
        DrawGradientBox(C, R, First, Second);
    } else if (FFrame) {
        C->Pen()->SetWidth(1);
        C->Pen()->SetColor(First);
        C->Brush()->SetStyle(bsSolid);
        C->Brush()->SetColor(Second);
        if (FRound)
            C->RoundRect(R.Left, R.Top, R.Right, R.Bottom, 9, 9);
        else
            C->Rectangle(R);
    }
    const int W = FPngPicture->Width(), H = FPngPicture->Height();
    if (W > 0 && H > 0) {
        const int Y = FPngAlign == paTop      ? 1
                      : FPngAlign == paCenter ? (Height() - H) / 2
                                              : Height() - H - 1;
        TPngOptions Options;
        if (!FChecked || !Enabled())
            Options = DisabledPngOptions;
        else if (HoverLook())
            Options = {pngBrighter};
        DrawPNG(FPngPicture.get(), C, Rect(2, Y, W + 2, Y + H), Options);
    }
    C->SetFont(Font());
    if (!Enabled()) C->Font()->SetColor(clSilver);
    const SIZE Size = C->TextExtent(FCaption);
    C->Brush()->SetStyle(bsClear);
    C->TextOut((Width() - Size.cx) / 2, (Height() - Size.cy) / 2, FCaption);
    C->Brush()->SetStyle(bsSolid);
}

void TGradientCheck::Publish(rtl::Publisher<TGradientCheck> &P)
{
    using T = TGradientCheck;
    P.Property("gCaption", &T::gCaption, &T::SetgCaption);
    P.Property("gPngAlign", &T::gPngAlign, &T::SetgPngAlign).Default(paTop);
    P.Property("gPngPicture", &T::gPngPicture, &T::SetgPngPicture);
    // Each HTML colour before its colour: a parsed text sets the colour too.
    P.Property("gColorHTMLBegin", &T::gColorHTMLBegin, &T::SetgColorHTMLBegin);
    P.Property("gColorHTMLEnd", &T::gColorHTMLEnd, &T::SetgColorHTMLEnd);
    P.Property("gColorBegin", &T::gColorBegin, &T::SetgColorBegin, rtl::TColorInfo())
        .Default(clBlack);
    P.Property("gColorEnd", &T::gColorEnd, &T::SetgColorEnd, rtl::TColorInfo()).Default(clWhite);
    P.Property("gHorizontal", &T::gHorizontal, &T::SetgHorizontal).Default(true);
    P.Property("gFrame", &T::gFrame, &T::SetgFrame).Default(true);
    P.Property("gRotate", &T::gRotate, &T::SetgRotate).Default(false);
    P.Property("gRound", &T::gRound, &T::SetgRound).Default(false);
    // Before Checked: making the panel checkable checks it.
    P.Property("gCheckable", &T::gCheckable, &T::SetgCheckable).Default(true);
    P.Property("gGradient", &T::gGradient, &T::SetgGradient).Default(true);
    P.Property("gForceChildEnabled", &T::gForceChildEnabled, &T::SetgForceChildEnabled)
        .Default(false);
    P.Property("Checked", &T::Checked, &T::SetChecked).Default(true);
    P.Property("Enabled", &TControl::Enabled, &T::SetEnabled).Default(true);
    P.Property("Visible", &TControl::Visible, &T::SetVisible).Default(true);
    P.Event("OnMouseEnter", &TControl::OnMouseEnter);
    P.Event("OnMouseExit", &T::OnMouseExit);
    P.Event("OnClick", &TControl::OnClick);
}
QRV4_PUBLISHED(TGradientCheck)

void GradientCheck::Register()
{
    RegisterComponents("Win32", {TGradientCheck::StaticClass()});
}
