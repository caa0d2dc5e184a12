#pragma once
// A windowless picture button that can close its form with a modal result.

#include "controls/XpButton.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"

class TImageButton : public TGraphicControl
{
    QRV4_CLASS(TImageButton, TGraphicControl)

public:
    explicit TImageButton(TComponent *AOwner);

    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    TPNGObject *PngPicture() const { return FPngPicture.get(); }
    // Copies the picture and takes its size.
    void SetPngPicture(TPNGObject *Value);
    bool Hovered() const { return FHover; }
    bool Pressed() const { return FPressed; }

    void WndProc(TMessage &Message) override;
    void Click() override;

protected:
    bool FiresMouseEnterLeave() const override { return Enabled(); }
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    TModalResult FModalResult = 0;
    std::unique_ptr<TPNGObject> FPngPicture = std::make_unique<TPNGObject>();
    bool FHover = false;
    bool FPressed = false;
};
