#include "controls/PngCheckBox.h"

#include "platform/rtl/ClassesFiler.h"

#include <algorithm>

TPngCheckBox::TPngCheckBox(TComponent *AOwner) : TGraphicControl(AOwner)
{
    SetBounds(0, 0, 120, 24);
}

void TPngCheckBox::SetPngAlign(TPngAlignment Value)
{
    FPngAlign = Value;
    Invalidate();
}

void TPngCheckBox::SetShadowColor(TColor Value)
{
    FShadowColor = Value;
    Invalidate();
}

void TPngCheckBox::SetDisplaceX(int Value)
{
    FDisplaceX = Value;
    Invalidate();
}

void TPngCheckBox::SetDisplaceY(int Value)
{
    FDisplaceY = Value;
    Invalidate();
}

void TPngCheckBox::SetShadow(bool Value)
{
    FShadow = Value;
    Invalidate();
}

void TPngCheckBox::SetChecked(bool Value)
{
    FChecked = Value;
    Invalidate();
}

void TPngCheckBox::SetFrame(int Value)
{
    FFrame = Value;
    Invalidate();
}

void TPngCheckBox::SetManualMode(bool Value)
{
    FManualMode = Value;
    Invalidate();
}

void TPngCheckBox::SetPngCheck(TPNGObject *Value)
{
    FPngCheck->Assign(Value);
    PicturesChanged();
}

void TPngCheckBox::SetPngUncheck(TPNGObject *Value)
{
    FPngUncheck->Assign(Value);
    PicturesChanged();
}

void TPngCheckBox::PicturesChanged()
{
    SetHeight(std::max(FPngCheck->Height(), FPngUncheck->Height()));
    Invalidate();
}

void TPngCheckBox::Click()
{
    if (FManualMode) SetChecked(!FChecked);
    TGraphicControl::Click();
}

void TPngCheckBox::WndProc(TMessage &Message)
{
    TGraphicControl::WndProc(Message);
    if (Message.Msg != CM_MOUSEENTER && Message.Msg != CM_MOUSELEAVE) return;
    if (!ComponentState().Contains(csDesigning)) FHover = Message.Msg == CM_MOUSEENTER;
    Invalidate();
}

void TPngCheckBox::Paint()
{
    TCanvas *C = Canvas();
    const bool On = Enabled();
    if (FHover && On && FManualMode) {
        C->Pen()->SetColor(clSilver);
        C->Brush()->SetColor(static_cast<TColor>(RGB(255, 251, 240)));
        C->Brush()->SetStyle(bsSolid);
        C->RoundRect(0, 0, Width(), Height(), 6, 6);
    }
    TPNGObject *Picture = FChecked ? FPngCheck.get() : FPngUncheck.get();
    const int W = Picture->Width(), H = Picture->Height();
    if (W > 0 && H > 0) {
        const int Y = (Height() - H) / 2;
        const int X = FPngAlign == paLeft     ? 1
                      : FPngAlign == paCenter ? (Width() - W) / 2
                                              : Width() - W - 1;
        DrawPNG(Picture, C, Rect(X, Y, X + W, Y + H), On ? TPngOptions{} : DisabledPngOptions);
    }
    C->SetFont(Font());
    const AnsiString Text = Caption();
    const SIZE Size = C->TextExtent(Text);
    int X = FFrame;
    if (FPngAlign == paLeft)
        X = std::max(FFrame, Width() - Size.cx - FFrame);
    else if (FPngAlign == paCenter)
        X = (Width() - Size.cx) / 2;
    DrawShadowText(C, Font(), X, (Height() - Size.cy) / 2, Text, FShadow, FShadowColor, FDisplaceX,
                   FDisplaceY, On);
}

void TPngCheckBox::Publish(rtl::Publisher<TPngCheckBox> &P)
{
    using T = TPngCheckBox;
    P.Property("PngAlign", &T::PngAlign, &T::SetPngAlign).Default(paLeft);
    P.Property("ShadowColor", &T::ShadowColor, &T::SetShadowColor, rtl::TColorInfo())
        .Default(clGray);
    P.Property("DisplaceX", &T::DisplaceX, &T::SetDisplaceX).Default(1);
    P.Property("DisplaceY", &T::DisplaceY, &T::SetDisplaceY).Default(1);
    P.Property("Shadow", &T::Shadow, &T::SetShadow).Default(false);
    P.Property("Checked", &T::Checked, &T::SetChecked).Default(false);
    P.Property("Frame", &T::Frame, &T::SetFrame).Default(3);
    P.Property("ManualMode", &T::ManualMode, &T::SetManualMode).Default(true);
    P.Property("PngCheck", &T::PngCheck, &T::SetPngCheck);
    P.Property("PngUncheck", &T::PngUncheck, &T::SetPngUncheck);
    P.Property("Caption", &TControl::Caption, &TControl::SetCaption);
    PublishControlEvents(P);
}
QRV4_PUBLISHED(TPngCheckBox)

void PngCheckBox::Register()
{
    RegisterComponents("Win32", {TPngCheckBox::StaticClass()});
}
