#include "controls/XpButton.h"

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

void TXpButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) FPressed = true;
    TButton::MouseDown(Button, Shift, X, Y);
    Invalidate();
}

void TXpButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) FPressed = false;
    TButton::MouseUp(Button, Shift, X, Y);
    Invalidate();
}

void TXpButton::WndProc(TMessage &Message)
{
    TButton::WndProc(Message);
    switch (Message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
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
