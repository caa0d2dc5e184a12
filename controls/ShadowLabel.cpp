#include "controls/ShadowLabel.h"

#include "platform/rtl/ClassesFiler.h"

#include <cmath>

// ---- HTML colours -----------------------------------------------------------------

HTMLColor::HTMLColor(TColor Color)
{
    AnsiString Digits;
    Digits.sprintf("%06X", static_cast<unsigned>(ColorToRGB(Color)));
    // The colour keeps red lowest: its hexadecimal text reads blue, green, red.
    FHTML = "#" + Digits.SubString(5, 2) + Digits.SubString(3, 2) + Digits.SubString(1, 2);
    Parse();
}

HTMLColor::HTMLColor(const AnsiString &Text) : FHTML(Text)
{
    Parse();
}

namespace
{

// Reads a pair from the right; the first character that is no hexadecimal
// digit ends the reading with the sum so far.
int PairToNumber(const AnsiString &Pair)
{
    const AnsiString Upper = Pair.UpperCase();
    int Sum = 0, Place = 1;
    for (int I = Upper.Length(); I >= 1; --I) {
        const char C = Upper[I];
        int Digit;
        if (C >= '0' && C <= '9')
            Digit = C - '0';
        else if (C >= 'A' && C <= 'F')
            Digit = C - 'A' + 10;
        else
            break;
        Sum += Digit * Place;
        Place *= 16;
    }
    return Sum;
}

} // namespace

void HTMLColor::Parse()
{
    if (FHTML.Length() != 7) {
        *this = HTMLColor();
        return;
    }
    const int Red = PairToNumber(FHTML.SubString(2, 2));
    const int Green = PairToNumber(FHTML.SubString(4, 2));
    const int Blue = PairToNumber(FHTML.SubString(6, 2));
    FValue = Red + Green * 256 + Blue * 65536;
    FColor = static_cast<TColor>(FValue);
}

void DrawShadowText(TCanvas *Canvas, TFont *Font, int X, int Y, const AnsiString &Text, bool Shadow,
                    TColor ShadowColor, int DisplaceX, int DisplaceY, bool Enabled)
{
    if (Shadow) {
        TFont ShadowFont;
        ShadowFont.Assign(Font);
        ShadowFont.SetColor(Enabled ? ShadowColor : clWhite);
        Canvas->SetFont(&ShadowFont);
        Canvas->Brush()->SetStyle(bsClear);
        Canvas->TextOut(X + DisplaceX, Y + DisplaceY, Text);
    }
    Canvas->SetFont(Font);
    if (!Enabled) Canvas->Font()->SetColor(clSilver);
    Canvas->Brush()->SetStyle(bsClear);
    Canvas->TextOut(X, Y, Text);
    Canvas->Brush()->SetStyle(bsSolid);
}

// ---- The label --------------------------------------------------------------------

TShadowLabel::TShadowLabel(TComponent *AOwner) : TGraphicControl(AOwner)
{
    SetBounds(0, 0, 65, 17);
}

void TShadowLabel::SetPngPicture(TPNGObject *Value)
{
    FPngPicture->Assign(Value);
    Invalidate();
}

void TShadowLabel::SetPngLeft(TPNGObject *Value)
{
    FPngLeft->Assign(Value);
    Invalidate();
}

void TShadowLabel::SetPngRight(TPNGObject *Value)
{
    FPngRight->Assign(Value);
    Invalidate();
}

void TShadowLabel::SetPngCenter(TPNGObject *Value)
{
    FPngCenter->Assign(Value);
    Invalidate();
}

void TShadowLabel::SetShadowColor(TColor Value)
{
    FShadowColor = Value;
    Invalidate();
}

void TShadowLabel::SetDisplaceX(int Value)
{
    FDisplaceX = Value;
    Invalidate();
}

void TShadowLabel::SetDisplaceY(int Value)
{
    FDisplaceY = Value;
    Invalidate();
}

void TShadowLabel::SetFrame(int Value)
{
    FFrame = Value;
    Invalidate();
}

void TShadowLabel::SetShadow(bool Value)
{
    FShadow = Value;
    Invalidate();
}

void TShadowLabel::SetAlignment(TAlignment Value)
{
    FAlignment = Value;
    Invalidate();
}

void TShadowLabel::SetCaption(const AnsiString &Value)
{
    TControl::SetCaption(Value);
    Invalidate();
}

void TShadowLabel::DrawBackground(TPngOptions Options)
{
    TCanvas *C = Canvas();
    const int WL = FPngLeft->Width(), WR = FPngRight->Width(), WC = FPngCenter->Width();
    if (WL > 0 && WR > 0 && WC > 0) {
        const int HL = FPngLeft->Height();
        DrawPNG(FPngLeft.get(), C, Rect(0, 0, WL, HL), Options);
        const int Tiles = static_cast<int>(std::ceil(static_cast<double>(Width() - WR - WL) / WC));
        for (int I = 0; I < Tiles; ++I)
            DrawPNG(FPngCenter.get(), C, Rect(WL + WC * I, 0, WL + WC * (I + 1), HL), Options);
        DrawPNG(FPngRight.get(), C, Rect(Width() - WR, 0, Width(), FPngRight->Height()), Options);
    } else if (FPngPicture->Width() > 0 && FPngPicture->Height() > 0) {
        DrawPNG(FPngPicture.get(), C, Rect(0, 0, FPngPicture->Width(), FPngPicture->Height()),
                Options);
    }
}

int TShadowLabel::TextLeft(int TextWidth) const
{
    switch (FAlignment) {
    case taRightJustify: {
        const int X = Width() - TextWidth - FFrame;
        return X <= FFrame ? FFrame : X;
    }
    case taCenter:
        return (Width() - TextWidth) / 2;
    default:
        return FFrame;
    }
}

void TShadowLabel::Paint()
{
    const bool On = Enabled();
    DrawBackground(On ? TPngOptions{} : DisabledPngOptions);
    TCanvas *C = Canvas();
    C->SetFont(Font());
    const AnsiString Text = Caption();
    const SIZE Size = C->TextExtent(Text);
    DrawShadowText(C, Font(), TextLeft(Size.cx), (Height() - Size.cy) / 2, Text, FShadow,
                   FShadowColor, FDisplaceX, FDisplaceY, On);
}

void TShadowLabel::Publish(rtl::Publisher<TShadowLabel> &P)
{
    P.Property("PngPicture", &TShadowLabel::PngPicture, &TShadowLabel::SetPngPicture);
    P.Property("PngLeft", &TShadowLabel::PngLeft, &TShadowLabel::SetPngLeft);
    P.Property("PngRight", &TShadowLabel::PngRight, &TShadowLabel::SetPngRight);
    P.Property("PngCenter", &TShadowLabel::PngCenter, &TShadowLabel::SetPngCenter);
    P.Property("ShadowColor", &TShadowLabel::ShadowColor, &TShadowLabel::SetShadowColor,
               rtl::TColorInfo())
        .Default(clGray);
    P.Property("DisplaceX", &TShadowLabel::DisplaceX, &TShadowLabel::SetDisplaceX).Default(1);
    P.Property("DisplaceY", &TShadowLabel::DisplaceY, &TShadowLabel::SetDisplaceY).Default(1);
    P.Property("Frame", &TShadowLabel::Frame, &TShadowLabel::SetFrame).Default(3);
    P.Property("Shadow", &TShadowLabel::Shadow, &TShadowLabel::SetShadow).Default(true);
    P.Property("Alignment", &TShadowLabel::Alignment, &TShadowLabel::SetAlignment)
        .Default(taLeftJustify);
    P.Property("Caption", &TShadowLabel::Caption, &TShadowLabel::SetCaption);
    PublishControlEvents(P);
}
QRV4_PUBLISHED(TShadowLabel)

void ShadowLabel::Register()
{
    RegisterComponents("Win32", {TShadowLabel::StaticClass()});
}
