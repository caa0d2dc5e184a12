#include "controls/ImageButton.h"

#include "platform/rtl/ClassesFiler.h"

TImageButton::TImageButton(TComponent *AOwner) : TGraphicControl(AOwner)
{
    SetBounds(0, 0, 48, 48);
}

void TImageButton::SetPngPicture(TPNGObject *Value)
{
    FPngPicture->Assign(Value);
    SetBounds(Left(), Top(), FPngPicture->Width(), FPngPicture->Height());
    Invalidate();
}

// As on the push button, the inherited handling is left out, so OnMouseDown and OnMouseUp stay
// silent; the click still reaches OnClick from the button's release.
void TImageButton::MouseDown(TMouseButton Button, TShiftState, int, int)
{
    if (Button == mbLeft) FPressed = true;
    Invalidate();
}

void TImageButton::MouseUp(TMouseButton Button, TShiftState, int, int)
{
    if (Button == mbLeft) FPressed = false;
    Invalidate();
}

void TImageButton::Click()
{
    FPressed = false;
    if (TCustomForm *Form = GetParentForm(this))
        Form->SetModalResult(static_cast<TModalResult>(FModalResult));
    Invalidate();
    TGraphicControl::Click();
}

void TImageButton::WndProc(TMessage &Message)
{
    TGraphicControl::WndProc(Message);
    if (Message.Msg == CM_ENABLEDCHANGED) {
        FHover = FPressed = false;
        Invalidate();
    } else if ((Message.Msg == CM_MOUSEENTER || Message.Msg == CM_MOUSELEAVE) && Enabled()) {
        if (Message.Msg == CM_MOUSELEAVE && OnMouseExit) OnMouseExit(this);
        FHover = Message.Msg == CM_MOUSEENTER;
        Invalidate();
    }
}

void TImageButton::Paint()
{
    const int W = FPngPicture->Width(), H = FPngPicture->Height();
    Canvas()->Brush()->SetStyle(bsClear);
    DrawButtonPicture(FPngPicture.get(), Canvas(), (Width() - W) / 2, (Height() - H) / 2, Enabled(),
                      FHover, FPressed);
}

void TImageButton::Publish(rtl::Publisher<TImageButton> &P)
{
    P.Property("ModalResult", &TImageButton::ModalResult, &TImageButton::SetModalResult)
        .Default(MyModalResult::mrNone);
    P.Property("PngPicture", &TImageButton::PngPicture, &TImageButton::SetPngPicture);
    P.Event("OnMouseEnter", &TControl::OnMouseEnter);
    P.Event("OnMouseExit", &TImageButton::OnMouseExit);
    P.Event("OnClick", &TControl::OnClick);
}
QRV4_PUBLISHED(TImageButton)

void ImageButton::Register()
{
    RegisterComponents("Win32", {TImageButton::StaticClass()});
}
