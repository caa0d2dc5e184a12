#include "platform/vcl/Buttons.h"

#include "platform/vcl/Forms.h"
#include "platform/win/Paint.h"

namespace
{

// Draws the picture (its bottom-left colour transparent) and the caption beside it.
void DrawGlyphAndCaption(TCanvas *Canvas, TBitmap *Glyph, const AnsiString &Caption, TRect R,
                         TButtonLayout Layout, bool Enabled)
{
    const bool glyph = !Glyph->Empty();
    const int gw = glyph ? Glyph->Width() : 0, gh = glyph ? Glyph->Height() : 0;
    const int tw = Caption.IsEmpty() ? 0 : Canvas->TextWidth(Caption);
    const int th = Caption.IsEmpty() ? 0 : Canvas->TextHeight(Caption);
    const int gap = glyph && tw ? 4 : 0;
    const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
    const int w = horizontal ? gw + gap + tw : std::max(gw, tw);
    const int h = horizontal ? std::max(gh, th) : gh + gap + th;
    int x = R.Left + (R.Width() - w) / 2, y = R.Top + (R.Height() - h) / 2;
    TPoint g, t;
    switch (Layout) {
    case blGlyphLeft:
        g = {x, y + (h - gh) / 2};
        t = {x + gw + gap, y + (h - th) / 2};
        break;
    case blGlyphRight:
        t = {x, y + (h - th) / 2};
        g = {x + tw + gap, y + (h - gh) / 2};
        break;
    case blGlyphTop:
        g = {x + (w - gw) / 2, y};
        t = {x + (w - tw) / 2, y + gh + gap};
        break;
    case blGlyphBottom:
        t = {x + (w - tw) / 2, y};
        g = {x + (w - gw) / 2, y + th + gap};
        break;
    }
    if (glyph) {
        Glyph->SetTransparent(true);
        Canvas->Draw(g.X, g.Y, Glyph);
    }
    if (tw) {
        Canvas->Brush()->SetStyle(bsClear);
        if (!Enabled) Canvas->Font()->SetColor(clGrayText);
        Canvas->TextOut(t.X, t.Y, Caption);
    }
}

} // namespace

TSpeedButton::TSpeedButton(TComponent *AOwner)
    : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>())
{
    FGlyph->OnChange = [this](TObject *) { Invalidate(); };
    SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetFlat(bool Value)
{
    FFlat = Value;
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value)
{
    FLayout = Value;
    Invalidate();
}

void TSpeedButton::SetDown(bool Value)
{
    if (FGroupIndex == 0) Value = false;
    if (Value == FDown) return;
    if (!Value && !FAllowAllUp) return;
    FDown = Value;
    if (Value && Parent())
        for (int i = 0; i < Parent()->ControlCount(); ++i)
            if (auto *other = dynamic_cast<TSpeedButton *>(Parent()->Controls(i));
                other && other != this && other->FGroupIndex == FGroupIndex && other->FDown) {
                other->FDown = false;
                other->Invalidate();
            }
    Invalidate();
}

void TSpeedButton::Click()
{
    if (FGroupIndex != 0) SetDown(FAllowAllUp ? !FDown : true);
    inherited::Click();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft && IsEnabled()) {
        FPressed = true;
        Invalidate();
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (FPressed) {
        FPressed = false;
        Invalidate();
    }
    inherited::MouseUp(Button, Shift, X, Y);
}

void TSpeedButton::Paint()
{
    TCanvas *canvas = Canvas();
    TRect r = ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(r);
    const bool down = FDown || FPressed;
    if (!FFlat || FHot || down) {
        RECT edge = r;
        DrawEdge(canvas->Handle(), &edge, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    }
    if (down) r = TRect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
    canvas->Font()->Assign(Font());
    DrawGlyphAndCaption(canvas, FGlyph.get(), FShowCaption ? Caption() : AnsiString(), r, FLayout,
                        IsEnabled());
}

void TSpeedButton::SetShowCaption(bool Value)
{
    if (Value == FShowCaption) return;
    FShowCaption = Value;
    Invalidate();
}

void TSpeedButton::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        FHot = Message.Msg == CM_MOUSEENTER;
        if (FFlat) Invalidate();
        break;
    case CM_TEXTCHANGED:
        Invalidate();
        return;
    default:
        break;
    }
    inherited::WndProc(Message);
}

namespace
{

struct KindInfo {
    const char *Caption;
    TModalResult Result;
};

constexpr KindInfo Kinds[] = {{"", mrNone},          {"OK", mrOk},       {"Cancel", mrCancel},
                              {"&Help", mrNone},     {"&Yes", mrYes},    {"&No", mrNo},
                              {"&Close", mrNone},    {"Abort", mrAbort}, {"&Retry", mrRetry},
                              {"&Ignore", mrIgnore}, {"&All", mrAll}};

} // namespace

TBitBtn::TBitBtn(TComponent *AOwner) : TButton(AOwner), FGlyph(std::make_unique<TBitmap>())
{
    FGlyph->OnChange = [this](TObject *) { Invalidate(); };
}

TBitBtn::~TBitBtn() = default;

void TBitBtn::SetKind(TBitBtnKind Value)
{
    FKind = Value;
    if (Value == bkCustom) return;
    SetCaption(Kinds[Value].Caption);
    SetModalResult(Kinds[Value].Result);
    SetDefault(Value == bkOK || Value == bkYes);
    SetCancel(Value == bkCancel || Value == bkNo);
}

void TBitBtn::Click()
{
    if (FKind == bkClose)
        if (TCustomForm *form = GetParentForm(this)) {
            form->Close();
            return;
        }
    inherited::Click();
}

void TBitBtn::PaintWindow(HDC DC)
{
    RECT r = ClientRect();
    DrawFrameControl(DC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (Pushed() ? DFCS_PUSHED : 0));
    vcl::PaintCanvas canvas(DC, this);
    TRect face = ClientRect();
    if (Pushed()) face = TRect(face.Left + 1, face.Top + 1, face.Right + 1, face.Bottom + 1);
    DrawGlyphAndCaption(&*canvas, FGlyph.get(), Caption(), face, blGlyphLeft, IsEnabled());
    if (Focused()) {
        const RECT focus{4, 4, ClientWidth() - 4, ClientHeight() - 4};
        DrawFocusRect(DC, &focus);
    }
}
