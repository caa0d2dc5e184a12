#include "controls/XpButton.h"

#include "platform/rtl/ClassesFiler.h"

void DrawButtonPicture(TPNGObject *Picture, TCanvas *Canvas, int X, int Y, bool Enabled,
                       bool Hovered, bool Pressed)
{
    const int W = Picture->Width(), H = Picture->Height();
    if (W <= 0 || H <= 0) return;
    if (!Enabled)
        DrawPNG(Picture, Canvas, Rect(X, Y, X + W, Y + H), DisabledPngOptions);
    else if (!Hovered)
        DrawPNG(Picture, Canvas, Rect(X, Y, X + W, Y + H), {});
    else if (Pressed)
        DrawPNG(Picture, Canvas, Rect(X + 1, Y + 1, X + W + 1, Y + H + 1), {pngDarker});
    else
        DrawPNG(Picture, Canvas, Rect(X, Y, X + W, Y + H), {pngBrighter});
}

TXpButton::TXpButton(TComponent *AOwner) : TButton(AOwner) {}

void TXpButton::SetPngIndent(int Value)
{
    FPngIndent = Value;
    Invalidate();
}

void TXpButton::SetPngAlign(TPngAlignment Value)
{
    FPngAlign = Value;
    Invalidate();
}

void TXpButton::SetPngPicture(TPNGObject *Value)
{
    FPngPicture->Assign(Value);
    Invalidate();
}

void TXpButton::PaintWindow(HDC DC)
{
    TButton::PaintWindow(DC);
    const int W = FPngPicture->Width(), H = FPngPicture->Height();
    if (W <= 0 || H <= 0) return;
    TCanvas Canvas;
    Canvas.SetHandle(DC);
    const int X = FPngAlign == paLeft     ? FPngIndent
                  : FPngAlign == paCenter ? (Width() - W) / 2
                                          : Width() - W - FPngIndent;
    DrawButtonPicture(FPngPicture.get(), &Canvas, X, (Height() - H) / 2, Enabled(), FHover,
                      FPressed);
    Canvas.SetHandle(nullptr);
}

// The inherited handling is left out on purpose, so OnMouseDown and OnMouseUp stay
// silent; the button's own procedure still presses it and clicks reach OnClick.
void TXpButton::MouseDown(TMouseButton Button, TShiftState, int, int)
{
    if (Button == mbLeft) FPressed = true;
    Invalidate();
}

void TXpButton::MouseUp(TMouseButton Button, TShiftState, int, int)
{
    if (Button == mbLeft) FPressed = false;
    Invalidate();
}

void TXpButton::WndProc(TMessage &Message)
{
    TButton::WndProc(Message);
    switch (Message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        if (Enabled() && Message.Msg == CM_MOUSELEAVE && OnMouseExit) OnMouseExit(this);
        if (Enabled()) FHover = Message.Msg == CM_MOUSEENTER;
        Invalidate();
        break;
    case CM_ENABLEDCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
        Invalidate();
        break;
    default:
        break;
    }
}

void TXpButton::Publish(rtl::Publisher<TXpButton> &P)
{
    // Left out only at the indent a new button has: with any other default an indent of
    // that default would not be written and would come back as the new button's.
    P.Property("PngIndent", &TXpButton::PngIndent, &TXpButton::SetPngIndent).Default(4);
    P.Property("PngAlign", &TXpButton::PngAlign, &TXpButton::SetPngAlign).Default(paLeft);
    P.Property("PngPicture", &TXpButton::PngPicture, &TXpButton::SetPngPicture);
    P.Event("OnMouseEnter", &TControl::OnMouseEnter);
    P.Event("OnMouseExit", &TXpButton::OnMouseExit);
}
QRV4_PUBLISHED(TXpButton)

void XpButton::Register()
{
    RegisterComponents("Win32", {TXpButton::StaticClass()});
}
