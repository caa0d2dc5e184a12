#pragma once
// HTML colour text ("#RRGGBB") and the windowless label that draws its caption
// with a drop shadow over a one- or three-piece PNG background.

#include "controls/PngFunctions.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/StdCtrls.h"

// A colour and its HTML text; the text always has seven characters.
class HTMLColor
{
public:
    HTMLColor() = default;
    // System colours are resolved to their RGB value first: read as they stand, the bits that
    // mark them would come out as a colour of their own (the button face as navy blue).
    explicit HTMLColor(TColor Color);
    explicit HTMLColor(const AnsiString &Text);

    const AnsiString &HTML() const { return FHTML; }
    TColor Color() const { return FColor; }
    int Value() const { return FValue; }

private:
    void Parse();

    AnsiString FHTML = "#000000";
    TColor FColor = 0;
    int FValue = 0;
};

// The text "#ignore" in an HTML-colour property leaves the plain colour in charge.
inline constexpr const char *IgnoreHTMLColor = "#ignore";

// Writes Text at X, Y with the canvas's brush clear, first its shadow when
// Shadow is set: white when disabled, ShadowColor otherwise. The text itself is
// silver when disabled.
void DrawShadowText(TCanvas *Canvas, TFont *Font, int X, int Y, const AnsiString &Text, bool Shadow,
                    TColor ShadowColor, int DisplaceX, int DisplaceY, bool Enabled);

class TShadowLabel : public TGraphicControl
{
    QRV4_CLASS(TShadowLabel, TGraphicControl)

public:
    explicit TShadowLabel(TComponent *AOwner);

    TPNGObject *PngPicture() const { return FPngPicture.get(); }
    void SetPngPicture(TPNGObject *Value);
    TPNGObject *PngLeft() const { return FPngLeft.get(); }
    void SetPngLeft(TPNGObject *Value);
    TPNGObject *PngRight() const { return FPngRight.get(); }
    void SetPngRight(TPNGObject *Value);
    TPNGObject *PngCenter() const { return FPngCenter.get(); }
    void SetPngCenter(TPNGObject *Value);
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor Value);
    int DisplaceX() const { return FDisplaceX; }
    void SetDisplaceX(int Value);
    int DisplaceY() const { return FDisplaceY; }
    void SetDisplaceY(int Value);
    int Frame() const { return FFrame; }
    void SetFrame(int Value);
    bool Shadow() const { return FShadow; }
    void SetShadow(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    AnsiString Caption() const { return TControl::Caption(); }
    void SetCaption(const AnsiString &Value);

    static void Publish(rtl::Publisher<TShadowLabel> &P);

protected:
    void Paint() override;

private:
    void DrawBackground(TPngOptions Options);
    int TextLeft(int TextWidth) const;

    std::unique_ptr<TPNGObject> FPngPicture = std::make_unique<TPNGObject>();
    std::unique_ptr<TPNGObject> FPngLeft = std::make_unique<TPNGObject>();
    std::unique_ptr<TPNGObject> FPngRight = std::make_unique<TPNGObject>();
    std::unique_ptr<TPNGObject> FPngCenter = std::make_unique<TPNGObject>();
    TColor FShadowColor = clGray;
    int FDisplaceX = 1;
    int FDisplaceY = 1;
    int FFrame = 3;
    bool FShadow = true;
    TAlignment FAlignment = taLeftJustify;
};

namespace ShadowLabel
{
// Puts TShadowLabel on the component palette page "Win32".
void Register();
} // namespace ShadowLabel
