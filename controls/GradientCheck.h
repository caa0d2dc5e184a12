#pragma once
// A panel painted as a two-colour gradient or a framed box, with a picture and
// a centred caption. When checkable a click toggles it; an unchecked or
// disabled panel holds its children disabled and gives them back their own
// states when it becomes active again.

#include "controls/ShadowLabel.h"
#include "platform/vcl/ExtCtrls.h"

#include <optional>
#include <vector>

class TGradientCheck : public TCustomPanel
{
    QRV4_CLASS(TGradientCheck, TCustomPanel)

public:
    enum TPngAlignment { paTop, paCenter, paBottom };

    explicit TGradientCheck(TComponent *AOwner);

    AnsiString gCaption() const { return FCaption; }
    void SetgCaption(const AnsiString &Value);
    TPngAlignment gPngAlign() const { return FPngAlign; }
    void SetgPngAlign(TPngAlignment Value);
    TPNGObject *gPngPicture() const { return FPngPicture.get(); }
    void SetgPngPicture(TPNGObject *Value);
    AnsiString gColorHTMLBegin() const { return FColorHTMLBegin; }
    void SetgColorHTMLBegin(const AnsiString &Value);
    AnsiString gColorHTMLEnd() const { return FColorHTMLEnd; }
    void SetgColorHTMLEnd(const AnsiString &Value);
    TColor gColorBegin() const { return FColorBegin; }
    void SetgColorBegin(TColor Value);
    TColor gColorEnd() const { return FColorEnd; }
    void SetgColorEnd(TColor Value);
    bool gHorizontal() const { return FHorizontal; }
    void SetgHorizontal(bool Value);
    bool gFrame() const { return FFrame; }
    void SetgFrame(bool Value);
    bool gRotate() const { return FRotate; }
    void SetgRotate(bool Value);
    bool gRound() const { return FRound; }
    void SetgRound(bool Value);
    bool gCheckable() const { return FCheckable; }
    void SetgCheckable(bool Value);
    bool gGradient() const { return FGradient; }
    void SetgGradient(bool Value);
    bool gForceChildEnabled() const { return FForceChildEnabled; }
    void SetgForceChildEnabled(bool Value) { FForceChildEnabled = Value; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    void SetEnabled(bool Value) override;
    // Also shows or hides every child.
    void SetVisible(bool Value);
    bool Hovered() const { return FHover; }

    // The hover look; OnMouseEnter and OnMouseLeave come from the control itself.
    void WndProc(TMessage &Message) override;

    // The mouse left the enabled, checkable panel.
    TNotifyEvent OnMouseExit;

    static void Publish(rtl::Publisher<TGradientCheck> &P);

protected:
    bool FiresMouseEnterLeave() const override { return FCheckable && Enabled(); }
    void Paint() override;
    void Click() override;

private:
    // Everything the buffer shows. A paint that finds it unchanged only blits the
    // buffer, so a child redrawn over the panel (a label counting cells) costs no fill.
    struct TLook {
        int Width = 0;
        int Height = 0;
        AnsiString Caption;
        TPngAlignment PngAlign = paTop;
        unsigned PictureVersion = 0;
        COLORREF ColorBegin = 0;
        COLORREF ColorEnd = 0;
        bool Horizontal = false;
        bool Frame = false;
        bool Rotate = false;
        bool Round = false;
        bool Gradient = false;
        bool Checked = false;
        bool Enabled = false;
        bool Hover = false;
        AnsiString FontName;
        int FontHeight = 0;
        int FontPixelsPerInch = 0;
        COLORREF FontColor = 0;
        TFontStyles FontStyle;
        TFontCharset FontCharset = 0;
        TFontPitch FontPitch = fpDefault;
        bool operator==(const TLook &) const = default;
    };
    TLook Look() const;
    void DrawBuffer();

    // Children are held while the panel is unchecked or disabled.
    bool ChildrenActive() const { return FChecked && Enabled(); }
    void ApplyChildRule(bool WasActive);
    void DrawGradientBox(TCanvas *Canvas, const TRect &R, TColor First, TColor Second);
    void DrawOutline(TCanvas *Canvas, TRect R, TColor Color, int Width);
    bool HoverLook() const { return FHover && Enabled() && FCheckable; }

    AnsiString FCaption;
    TPngAlignment FPngAlign = paTop;
    std::unique_ptr<TPNGObject> FPngPicture;
    AnsiString FColorHTMLBegin = IgnoreHTMLColor;
    AnsiString FColorHTMLEnd = IgnoreHTMLColor;
    TColor FColorBegin = clBlack;
    TColor FColorEnd = clWhite;
    bool FHorizontal = true;
    bool FFrame = true;
    bool FRotate = false;
    bool FRound = false;
    bool FCheckable = true;
    bool FGradient = true;
    bool FForceChildEnabled = false;
    bool FChecked = true;
    bool FHover = false;
    std::vector<bool> FChildStates;
    TBitmap FBuffer;
    // What FBuffer was last drawn with; none before the first paint.
    std::optional<TLook> FBufferLook;
    // Counts the picture's own change reports, as its pixels are not compared.
    unsigned FPictureVersion = 0;
};

QRV4_NAMED_ENUM_INFO(TGradientCheck::TPngAlignment, "TPngAlignment", paTop, paCenter, paBottom)

namespace GradientCheck
{
// Puts TGradientCheck on the component palette page "Win32".
void Register();
} // namespace GradientCheck
