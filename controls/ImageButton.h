#pragma once
// A windowless picture button that can close its form with a modal result.

#include "controls/XpButton.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"

// The modal results a picture button can give its form.
enum class MyModalResult {
    mrNone,
    mrOk,
    mrCancel,
    mrAbort,
    mrRetry,
    mrIgnore,
    mrYes,
    mrNo,
    mrAll,
    mrNoToAll,
    mrYesToAll
};
QRV4_ENUM_INFO(MyModalResult, mrNone, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrYes, mrNo,
               mrAll, mrNoToAll, mrYesToAll)

class TImageButton : public TGraphicControl
{
    QRV4_CLASS(TImageButton, TGraphicControl)

public:
    explicit TImageButton(TComponent *AOwner);

    MyModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(MyModalResult Value) { FModalResult = Value; }
    TPNGObject *PngPicture() const { return FPngPicture.get(); }
    // Copies the picture and takes its size.
    void SetPngPicture(TPNGObject *Value);
    bool Hovered() const { return FHover; }
    bool Pressed() const { return FPressed; }

    void WndProc(TMessage &Message) override;
    void Click() override;

    // The mouse left the enabled button.
    TNotifyEvent OnMouseExit;

    static void Publish(rtl::Publisher<TImageButton> &P);

protected:
    bool FiresMouseEnterLeave() const override { return Enabled(); }
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    MyModalResult FModalResult = MyModalResult::mrNone;
    std::unique_ptr<TPNGObject> FPngPicture = std::make_unique<TPNGObject>();
    bool FHover = false;
    bool FPressed = false;
};

namespace ImageButton
{
// Puts TImageButton on the component palette page "Win32".
void Register();
} // namespace ImageButton
