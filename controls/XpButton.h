#pragma once
// A push button with a PNG picture over its face: brighter while the mouse is
// over it, darker and one pixel down and right while it is pressed.

#include "controls/PngFunctions.h"
#include "platform/vcl/StdCtrls.h"

// Draws a button's picture with its top-left at X, Y by the button's state.
void DrawButtonPicture(TPNGObject *Picture, TCanvas *Canvas, int X, int Y, bool Enabled,
                       bool Hovered, bool Pressed);

class TXpButton : public TButton
{
    QRV4_CLASS(TXpButton, TButton)

public:
    enum TPngAlignment { paLeft, paCenter, paRight };

    explicit TXpButton(TComponent *AOwner);

    int PngIndent() const { return FPngIndent; }
    void SetPngIndent(int Value);
    TPngAlignment PngAlign() const { return FPngAlign; }
    void SetPngAlign(TPngAlignment Value);
    TPNGObject *PngPicture() const { return FPngPicture.get(); }
    void SetPngPicture(TPNGObject *Value);
    bool Hovered() const { return FHover; }
    bool Pressed() const { return FPressed; }

    void WndProc(TMessage &Message) override;

    // The mouse left the enabled button.
    TNotifyEvent OnMouseExit;

    static void Publish(rtl::Publisher<TXpButton> &P);

protected:
    bool FiresMouseEnterLeave() const override { return Enabled(); }
    void PaintWindow(HDC DC) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    int FPngIndent = 4;
    TPngAlignment FPngAlign = paLeft;
    std::unique_ptr<TPNGObject> FPngPicture = std::make_unique<TPNGObject>();
    bool FHover = false;
    bool FPressed = false;
};

QRV4_NAMED_ENUM_INFO(TXpButton::TPngAlignment, "TPngAlignment", paLeft, paCenter, paRight)

namespace XpButton
{
// Puts TXpButton on the component palette page "Win32".
void Register();
} // namespace XpButton
