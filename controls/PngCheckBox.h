#pragma once
// A windowless check box that shows one of two pictures for its state and a
// caption with an optional drop shadow.

#include "controls/ShadowLabel.h"

class TPngCheckBox : public TGraphicControl
{
    QRV4_CLASS(TPngCheckBox, TGraphicControl)

public:
    enum TPngAlignment { paLeft, paCenter, paRight };

    explicit TPngCheckBox(TComponent *AOwner);

    TPngAlignment PngAlign() const { return FPngAlign; }
    void SetPngAlign(TPngAlignment Value);
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor Value);
    int DisplaceX() const { return FDisplaceX; }
    void SetDisplaceX(int Value);
    int DisplaceY() const { return FDisplaceY; }
    void SetDisplaceY(int Value);
    bool Shadow() const { return FShadow; }
    void SetShadow(bool Value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    int Frame() const { return FFrame; }
    void SetFrame(int Value);
    // A click toggles the state, and the hover box shows.
    bool ManualMode() const { return FManualMode; }
    void SetManualMode(bool Value);
    TPNGObject *PngCheck() const { return FPngCheck.get(); }
    void SetPngCheck(TPNGObject *Value);
    TPNGObject *PngUncheck() const { return FPngUncheck.get(); }
    void SetPngUncheck(TPNGObject *Value);
    bool Hovered() const { return FHover; }

    void WndProc(TMessage &Message) override;
    void Click() override;

    static void Publish(rtl::Publisher<TPngCheckBox> &P);

protected:
    void Paint() override;

private:
    void PicturesChanged();

    TPngAlignment FPngAlign = paLeft;
    TColor FShadowColor = clGray;
    int FDisplaceX = 1;
    int FDisplaceY = 1;
    bool FShadow = false;
    bool FChecked = false;
    int FFrame = 3;
    bool FManualMode = true;
    bool FHover = false;
    std::unique_ptr<TPNGObject> FPngCheck = std::make_unique<TPNGObject>();
    std::unique_ptr<TPNGObject> FPngUncheck = std::make_unique<TPNGObject>();
};

QRV4_NAMED_ENUM_INFO(TPngCheckBox::TPngAlignment, "TPngAlignment", paLeft, paCenter, paRight)

namespace PngCheckBox
{
// Puts TPngCheckBox on the component palette page "Win32".
void Register();
} // namespace PngCheckBox
