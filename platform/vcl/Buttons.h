#pragma once

// Buttons with pictures: the windowless speed button and the bit button.

#include "platform/vcl/StdCtrls.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// A button without a window: a picture and a caption, flat or raised, and
// when it belongs to a group it stays down until another of the group goes down.
class TSpeedButton : public TGraphicControl
{
    QRV4_CLASS(TSpeedButton, TGraphicControl)

public:
    explicit TSpeedButton(TComponent *AOwner);
    ~TSpeedButton() override;

    TBitmap *Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap *Value) { FGlyph->Assign(Value); }
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool Down() const { return FDown; }
    // In a group, going down raises the other buttons of the group.
    void SetDown(bool Value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value) { FGroupIndex = Value; }
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    // A toolbar's picture button keeps its caption for menus and hints only.
    bool ShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool Value);
    void Click() override;
    void WndProc(TMessage &Message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    std::unique_ptr<TBitmap> FGlyph;
    bool FFlat = false;
    bool FDown = false;
    bool FPressed = false;
    bool FHot = false;
    int FGroupIndex = 0;
    bool FAllowAllUp = false;
    TButtonLayout FLayout = blGlyphLeft;
    bool FShowCaption = true;
};

enum TBitBtnKind {
    bkCustom,
    bkOK,
    bkCancel,
    bkHelp,
    bkYes,
    bkNo,
    bkClose,
    bkAbort,
    bkRetry,
    bkIgnore,
    bkAll
};

class TBitBtn : public TButton
{
    QRV4_CLASS(TBitBtn, TButton)

public:
    explicit TBitBtn(TComponent *AOwner);
    ~TBitBtn() override;

    TBitmap *Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap *Value) { FGlyph->Assign(Value); }
    TBitBtnKind Kind() const { return FKind; }
    // Sets the caption and modal result of the kind; bkClose closes the form.
    void SetKind(TBitBtnKind Value);
    void Click() override;

protected:
    void PaintWindow(HDC DC) override;

private:
    std::unique_ptr<TBitmap> FGlyph;
    TBitBtnKind FKind = bkCustom;
};
