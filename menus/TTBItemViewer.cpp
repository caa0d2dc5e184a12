#include "menus/TTBItemViewer.h"

#include "menus/TB2Common.h"
#include "menus/TTBImageList.h"
#include "menus/TTBToolbar.h"
#include "menus/TTBView.h"

#include <algorithm>
#include <array>

namespace
{

HBRUSH SolidBrush(COLORREF Color)
{
    return CreateSolidBrush(Color);
}

void FillColor(HDC DC, const TRect &R, TColor Color)
{
    const RECT Area = R;
    const HBRUSH Brush = SolidBrush(ColorToRGB(Color));
    FillRect(DC, &Area, Brush);
    DeleteObject(Brush);
}

void FrameColor(HDC DC, const TRect &R, TColor Color)
{
    const RECT Area = R;
    const HBRUSH Brush = SolidBrush(ColorToRGB(Color));
    FrameRect(DC, &Area, Brush);
    DeleteObject(Brush);
}

// A picture's shape in one colour: every pixel it covers at all.
void DrawSilhouette(TCanvas *Canvas, int X, int Y, TCustomImageList *Images, int Index,
                    COLORREF Color)
{
    const int W = Images->Width(), H = Images->Height();
    // Drawn over white and over black, the picture shows where it covers the ground.
    auto Over = [&](TColor Ground) {
        auto Bitmap = std::make_unique<TBitmap>();
        Bitmap->SetSize(W, H);
        Bitmap->Canvas()->Brush()->SetColor(Ground);
        Bitmap->Canvas()->FillRect(TRect(0, 0, W, H));
        Images->Draw(Bitmap->Canvas(), 0, 0, Index);
        return Bitmap;
    };
    const auto White = Over(clWhite), Black = Over(clBlack);
    TBitmap Shape;
    Shape.SetSize(W, H);
    Shape.Canvas()->Brush()->SetColor(clWhite);
    Shape.Canvas()->FillRect(TRect(0, 0, W, H));
    for (int Row = 0; Row < H; ++Row)
        for (int Col = 0; Col < W; ++Col)
            if (White->Canvas()->Pixels(Col, Row) != clWhite ||
                Black->Canvas()->Pixels(Col, Row) != clBlack)
                Shape.Canvas()->SetPixels(Col, Row, clBlack);
    Shape.Dormant();
    const HBRUSH Brush = SolidBrush(Color);
    DrawStateW(Canvas->Handle(), Brush, nullptr, reinterpret_cast<LPARAM>(Shape.Handle()), 0, X, Y,
               W, H, DST_BITMAP | DSS_MONO);
    DeleteObject(Brush);
}

// The checked button's face: the two colours alternating pixel by pixel.
HBRUSH DitherBrush(COLORREF First, COLORREF Second)
{
    // A bitmap's pixels lie in memory blue first.
    const auto Pixel = [](COLORREF C) { return RGB(GetBValue(C), GetGValue(C), GetRValue(C)); };
    constexpr int Size = 8;
    std::array<DWORD, Size * Size> Bits{};
    for (int Y = 0; Y < Size; ++Y)
        for (int X = 0; X < Size; ++X)
            Bits[Y * Size + X] = Pixel((X + Y) % 2 ? Second : First);
    const HBITMAP Pattern = CreateBitmap(Size, Size, 1, 32, Bits.data());
    const HBRUSH Brush = CreatePatternBrush(Pattern);
    DeleteObject(Pattern);
    return Brush;
}

// The font of a DC turned for an upright bar while it lives.
class RotatedFontScope
{
public:
    explicit RotatedFontScope(HDC DC)
        : FDC(DC), FFont(CreateRotatedFont(DC)), FOld(SelectObject(DC, FFont))
    {
    }
    ~RotatedFontScope()
    {
        SelectObject(FDC, FOld);
        DeleteObject(FFont);
    }
    RotatedFontScope(const RotatedFontScope &) = delete;
    RotatedFontScope &operator=(const RotatedFontScope &) = delete;

private:
    HDC FDC;
    HFONT FFont;
    HGDIOBJ FOld;
};

// Room for a button's drop-down arrow, along the bar.
constexpr int DropDownArrowSize = 8;

TColor SkinColor(TTBBaseSkin *Skin, int Index)
{
    return Skin->Colors()->GetSkinColor(Index);
}

bool IsXPType(TTBBaseSkin *Skin)
{
    return Skin && (Skin->SkinType() == tbsWindowsXP || Skin->SkinType() == tbsNativeXP);
}

} // namespace

// ---- queries --------------------------------------------------------------------------------

AnsiString TTBItemViewer::GetCaptionText() const
{
    const AnsiString &Caption = FItem->Caption();
    const int Tab = Caption.Pos("\t");
    return Tab > 0 ? Caption.SubString(1, Tab - 1) : Caption;
}

bool TTBItemViewer::CaptionShown() const
{
    const TTBItemDisplayMode Mode = FItem->DisplayMode();
    return (!GetCaptionText().IsEmpty() && (!IsToolbarSize() || FItem->ImageIndex() < 0 ||
                                            Mode == nbdmTextOnly || Mode == nbdmImageAndText)) ||
           FItem->EffectiveOptions().Contains(tboImageAboveCaption);
}

bool TTBItemViewer::ImageShown() const
{
    const TTBItemDisplayMode Mode = FItem->DisplayMode();
    return FItem->ImageIndex() >= 0 && (Mode == nbdmDefault || Mode == nbdmImageAndText ||
                                        (IsToolbarStyle() && Mode == nbdmTextOnlyInMenus));
}

TCustomImageList *TTBItemViewer::GetImageList() const
{
    if (FItem->Images()) return FItem->Images();
    for (TTBView *View = FView; View; View = View->ParentView()) {
        if (View->CurParentItem() && View->CurParentItem()->SubMenuImages())
            return View->CurParentItem()->SubMenuImages();
        if (View->ParentItem() && View->ParentItem()->SubMenuImages())
            return View->ParentItem()->SubMenuImages();
    }
    return nullptr;
}

bool TTBItemViewer::IsToolbarSize() const
{
    return FView->IsToolbar() || FItem->EffectiveOptions().Contains(tboToolbarSize);
}

bool TTBItemViewer::IsToolbarStyle() const
{
    return FView->IsToolbar() || FItem->EffectiveOptions().Contains(tboToolbarStyle);
}

bool TTBItemViewer::IsRotated() const
{
    const TTBItemOptions Options = FItem->EffectiveOptions();
    return OnUprightBar() && !Options.Contains(tboNoRotation) &&
           !Options.Contains(tboImageAboveCaption);
}

bool TTBItemViewer::OnUprightBar() const
{
    return FView->IsToolbar() && FView->Orientation() == tbvoVertical;
}

bool TTBItemViewer::OnMenuBar() const
{
    const auto *Bar = dynamic_cast<TTBCustomToolbar *>(FView->Window());
    return Bar && Bar->MenuBar();
}

int TTBItemViewer::GetIndex() const
{
    return FView->IndexOf(this);
}

TPoint TTBItemViewer::ScreenToClient(const TPoint &P) const
{
    const TPoint Client = FView->Window()->ScreenToClient(P);
    return TPoint(Client.X - FBoundsRect.Left, Client.Y - FBoundsRect.Top);
}

bool TTBItemViewer::IsPtInButtonPart(int X, int) const
{
    const TTBItemStyle Style = FItem->ItemStyle();
    if (!Style.Contains(tbisSubmenu)) return true;
    if (!Style.Contains(tbisCombo)) return false;
    return X < FBoundsRect.Width() - (IsToolbarStyle() ? 11 : GetSystemMetrics(SM_CXMENUCHECK));
}

void TTBItemViewer::Entering()
{
    if (FItem->OnSelect) FItem->OnSelect(FItem, this, true);
}

void TTBItemViewer::Leaving()
{
    if (FItem->OnSelect) FItem->OnSelect(FItem, this, false);
}

void TTBItemViewer::LosingCapture()
{
    FView->Invalidate(this);
}

bool TTBItemViewer::OfficeXPMeasuring() const
{
    if (FView->Skin() && FView->Skin()->SkinType() == tbsOfficeXP) return true;
    return DefaultSkin()->SkinType() == tbsOfficeXP;
}

TTBBaseSkin *TTBItemViewer::PaintingSkin() const
{
    return ActiveSkin(FView->Skin());
}

// ---- measuring ------------------------------------------------------------------------------

void TTBItemViewer::CalcSize(TCanvas *Canvas, int &Width, int &Height)
{
    const HDC DC = Canvas->Handle();
    TEXTMETRICW Metrics{};
    GetTextMetricsW(DC, &Metrics);
    const bool OfficeXP = OfficeXPMeasuring();
    TCustomImageList *Images = GetImageList();
    if (IsToolbarStyle()) {
        CalcButtonSize(Canvas, Width, Height);
        return;
    }
    Width = 0;
    Height = Metrics.tmHeight;
    Width += GetTextWidth(DC, GetCaptionText(), true);
    if (OfficeXP) Height += 3;
    Height += Metrics.tmExternalLeading + 4;
    if (OfficeXP) Height += 2;
    int ImageColumn = Height;
    if (Images) {
        Height = std::max(Height, Images->Height() + 3);
        ImageColumn = MulDiv(Images->Width() + 3, Height, Images->Height() + 3);
    }
    Width += ImageColumn + 6;
    const AnsiString ShortCut = FItem->GetShortCutText();
    if (!ShortCut.IsEmpty()) Width += GetTextWidth(DC, ShortCut, false) + Height - 6;
    Width += Height;
}

void TTBItemViewer::CalcButtonSize(TCanvas *Canvas, int &Width, int &Height)
{
    const HDC DC = Canvas->Handle();
    const bool OfficeXP = OfficeXPMeasuring();
    const bool Rotated = IsRotated();
    Width = 6;
    Height = OfficeXP && OnMenuBar() ? 4 : 6;
    if (CaptionShown()) {
        if (!Rotated) {
            Height += GetTextHeight(DC) + (OfficeXP ? 3 : 0);
            Width += GetTextWidth(DC, GetCaptionText(), true) + 6;
        } else {
            const RotatedFontScope Turned(DC);
            Width += GetTextHeight(DC);
            Height += GetTextWidth(DC, GetCaptionText(), true) + 6;
        }
    }
    TCustomImageList *Images = GetImageList();
    if (ImageShown() && Images) {
        if (!Rotated && !FItem->EffectiveOptions().Contains(tboImageAboveCaption)) {
            Width += Images->Width() + 1;
            Height = std::max(Height, Images->Height() + 6);
        } else {
            Height += Images->Height();
            Width = std::max(Width, Images->Width() + 7);
        }
    }
    const TTBItemStyle Style = FItem->ItemStyle();
    if (!Style.Contains(tbisSubmenu)) return;
    if (Style.Contains(tbisCombo))
        Width += 11;
    else if (HasDropDownArrow())
        (OnUprightBar() ? Height : Width) += DropDownArrowSize;
}

void TTBSeparatorItemViewer::CalcSize(TCanvas *Canvas, int &Width, int &Height)
{
    if (IsToolbarStyle()) {
        Width = 6;
        Height = 6;
        return;
    }
    Width = 0;
    if (PaintingSkin())
        Height = 3;
    else
        Height = DivRoundUp(2 * GetTextHeight(Canvas->Handle()), 3);
}

// ---- painting -------------------------------------------------------------------------------

void TTBItemViewer::DrawItemCaption(TCanvas *Canvas, TRect R, const AnsiString &Caption,
                                    bool DrawDisabledShadow, UINT Format)
{
    const HDC DC = Canvas->Handle();
    DrawShadowed(DC, R, DrawDisabledShadow, [&](const TRect &At) {
        RECT Area = At;
        DrawTextA(DC, Caption.c_str(), Caption.Length(), &Area, Format);
    });
}

// A disabled caption is drawn once in the shadow colour under a skin, embossed without one.
void TTBItemViewer::DrawShadowed(HDC DC, const TRect &R, bool DrawDisabledShadow,
                                 const std::function<void(const TRect &)> &Draw)
{
    if (!DrawDisabledShadow || PaintingSkin()) {
        if (DrawDisabledShadow) SetTextColor(DC, GetSysColor(COLOR_BTNSHADOW));
        Draw(R);
        return;
    }
    SetTextColor(DC, GetSysColor(COLOR_BTNHIGHLIGHT));
    Draw(TRect(R.Left + 1, R.Top + 1, R.Right + 1, R.Bottom + 1));
    SetTextColor(DC, GetSysColor(COLOR_BTNSHADOW));
    Draw(R);
}

UINT TTBItemViewer::HidePrefixFlag() const
{
    return FView->Style().Contains(vsUseHiddenAccels) && !AreKeyboardCuesEnabled() &&
                   !FView->State().Contains(vsShowAccels)
               ? DT_HIDEPREFIX
               : 0;
}

void TTBItemViewer::PaintHover(TCanvas *Canvas, const TRect &R, TRect &H, TTBBaseSkin *Skin,
                               bool Enabled, int ImageColumn)
{
    const HDC DC = Canvas->Handle();
    const bool Combo = FItem->ItemStyle().Contains(tbisCombo);
    const int Check = GetSystemMetrics(SM_CXMENUCHECK);
    if (!Skin && (ImageShown() || FItem->Checked())) H.Left = R.Left + ImageColumn + 3;
    if (Enabled && Combo) H.Right -= Check;
    if (IsXPType(Skin)) {
        if (Skin->Options().Contains(tboGradSelItem)) {
            FillGradient(DC, R, SkinColor(Skin, tcGradStart), SkinColor(Skin, tcGradEnd),
                         Skin->Gradient());
        } else {
            TRect Fill = H;
            if (Combo) Fill.Right += Check - 1;
            FillColor(DC, Fill, SkinColor(Skin, tcSelItem));
        }
        FrameColor(DC, R, SkinColor(Skin, tcSelItemBorder));
    } else if (Skin && Skin->SkinType() == tbsOfficeXP) {
        if (Enabled) {
            H.Left += 1;
            H.Right -= 1;
            if (Skin->Options().Contains(tboGradSelItem))
                FillGradient(DC, H, SkinColor(Skin, tcGradStart), SkinColor(Skin, tcGradEnd),
                             Skin->Gradient());
            else
                FillColor(DC, H, SkinColor(Skin, tcSelItem));
            FrameColor(DC, H, SkinColor(Skin, tcSelItemBorder));
            if (Combo)
                FrameColor(DC, TRect(H.Right - 1, H.Top, R.Right - 1, H.Bottom),
                           SkinColor(Skin, tcSelPushedBorder));
        } else if (!FView->MouseOverSelected()) {
            FillColor(DC, H, SkinColor(Skin, tcPopup));
            FrameColor(DC, H, SkinColor(Skin, tcSelBarBorder));
            H.Left -= 1;
            H.Right += 1;
        }
    } else {
        const RECT Area = H;
        FillRect(DC, &Area, Canvas->Brush()->Handle());
    }
}

void TTBItemViewer::PaintCheck(TCanvas *Canvas, const TRect &Box, TTBBaseSkin *Skin,
                               bool IsHoverItem)
{
    const HDC DC = Canvas->Handle();
    const bool HasImage = FItem->ImageIndex() >= 0;
    if (Skin) {
        if (Skin->Options().Contains(tboGradSelItem)) {
            const int Amount = IsHoverItem ? 20 : 0;
            FillGradient(DC, Box, ColorDarker(SkinColor(Skin, tcGradStart), Amount),
                         ColorDarker(SkinColor(Skin, tcGradEnd), Amount), Skin->Gradient());
        } else if (HasImage) {
            FillColor(DC, Box, SkinColor(Skin, IsHoverItem ? tcSelPushed : tcSelItem));
        }
        if (HasImage)
            FrameColor(DC, Box, SkinColor(Skin, IsHoverItem ? tcSelPushedBorder : tcSelItemBorder));
    } else {
        RECT Edge = Box;
        DrawEdge(DC, &Edge, BDR_SUNKENOUTER, BF_RECT);
    }
    if (ImageShown() && GetImageList()) return;
    const int CX = (Box.Left + Box.Right) / 2 - 2, CY = (Box.Top + Box.Bottom) / 2 + 1;
    auto Draw = [&](TColor Color, std::initializer_list<POINT> Offsets) {
        std::vector<POINT> Points;
        for (POINT P : Offsets)
            Points.push_back(POINT{CX + P.x, CY + P.y});
        const HPEN Pen = CreatePen(PS_SOLID, 1, ColorToRGB(Color));
        const HGDIOBJ Old = SelectObject(DC, Pen);
        PolylineEx(DC, Points, static_cast<int>(Points.size()) - 1);
        SelectObject(DC, Old);
        DeleteObject(Pen);
    };
    Draw(clBtnText, {{-2, -2}, {0, 0}, {4, -4}, {4, -3}, {0, 1}, {-2, -1}, {-2, -2}});
    if (!Skin || Skin->SkinType() != tbsOfficeXP)
        Draw(clBtnHighlight, {{-3, -2}, {-3, -1}, {0, 2}, {5, -3}, {5, -5}});
}

void TTBItemViewer::PaintImage(TCanvas *Canvas, const TRect &Column, TTBBaseSkin *Skin,
                               bool Enabled, bool IsHoverItem, bool IsPushed)
{
    TCustomImageList *Images = GetImageList();
    if (!ImageShown() || !Images) return;
    const int X = Column.Left + (Column.Width() - Images->Width() + 1) / 2;
    const int Y = Column.Top + (Column.Height() - Images->Height() + 1) / 2;
    const TRect Target = Bounds(X, Y, Images->Width(), Images->Height());
    const int Index = FItem->ImageIndex();
    const bool Checked = FItem->Checked();
    auto *Companions = dynamic_cast<TTBCustomImageList *>(Images);
    if (!Skin) {
        if (Companions)
            Companions->DrawState(Canvas, X, Y, Index, Enabled, IsHoverItem, Checked);
        else
            Images->Draw(Canvas, X, Y, Index, Enabled);
        return;
    }
    if (!Enabled) {
        if (Companions && Companions->DisabledImages())
            Companions->DisabledImages()->Draw(Canvas, X, Y, Index, true);
        else
            DrawSkinIconShadow(Canvas, Target, Images, Index, true);
        return;
    }
    TCustomImageList *Hot = Companions ? Companions->HotImages() : nullptr;
    TCustomImageList *Shown = IsHoverItem && Hot ? Hot : Images;
    if (Skin->SkinType() == tbsOfficeXP && IsHoverItem && !IsPushed && !Checked &&
        !Skin->Options().Contains(tboNoHoverIconShadow)) {
        // The picture lifts off its own shadow.
        DrawSilhouette(Canvas, X + 1, Y + 1, Images, Index,
                       ColorToRGB(Skin->Colors()->GetSkinColor(tcImgListShadow)));
        Shown->Draw(Canvas, X - 1, Y - 1, Index);
    } else if (!IsHoverItem && Skin->Options().Contains(tboBlendedImages) && !Checked) {
        BlendSkinIcon(Canvas, Target, Images, Index, IsToolbarStyle() ? 200 : 210);
    } else {
        Shown->Draw(Canvas, X, Y, Index);
    }
}

// Without a skin a combo's drop-down part stands off the rest of the row by an etched line.
void TTBItemViewer::PaintComboDivider(HDC DC, const TRect &R, bool IsPushed)
{
    RECT Divider{R.Right - GetSystemMetrics(SM_CXMENUCHECK), R.Top, R.Right, R.Bottom};
    DrawEdge(DC, &Divider, IsPushed ? BDR_SUNKENOUTER : EDGE_ETCHED, BF_LEFT);
}

void TTBItemViewer::PaintArrow(TCanvas *Canvas, const TRect &R, bool Enabled, bool HoveredCombo)
{
    const HDC DC = Canvas->Handle();
    const int W = GetSystemMetrics(SM_CXMENUCHECK), H = GetSystemMetrics(SM_CYMENUCHECK);
    const int Left = R.Right - W, Top = R.Top + (R.Height() - H) / 2;
    // The system glyph is a black-on-white mask; only its black pixels are drawn, in one colour.
    const HDC Mask = CreateCompatibleDC(DC);
    const HBITMAP Bitmap = CreateCompatibleBitmap(DC, W, H);
    const HGDIOBJ OldBitmap = SelectObject(Mask, Bitmap);
    RECT Glyph{0, 0, W, H};
    DrawFrameControl(Mask, &Glyph, DFC_MENU, DFCS_MENUARROW);
    auto Draw = [&](int Dx, int Dy, COLORREF Color) {
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X)
                if ((GetPixel(Mask, X, Y) & 0xFFFFFF) == 0)
                    SetPixelV(DC, Left + X + Dx, Top + Y + Dy, Color);
    };
    if (!Enabled) {
        Draw(1, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
        Draw(0, 0, GetSysColor(COLOR_BTNSHADOW));
    } else if (HoveredCombo) {
        // The drop-down part keeps the menu's colour under a hovered row: a dark arrow, pressed in.
        Draw(1, 1, GetSysColor(COLOR_BTNTEXT));
    } else {
        Draw(0, 0, ColorToRGB(Canvas->Font()->Color()));
    }
    SelectObject(Mask, OldBitmap);
    DeleteObject(Bitmap);
    DeleteDC(Mask);
}

void TTBItemViewer::Paint(TCanvas *Canvas, const TRect &R, bool IsHoverItem, bool IsPushed,
                          bool UseDisabledShadow)
{
    if (IsToolbarStyle()) {
        PaintButton(Canvas, R, IsHoverItem, IsPushed, UseDisabledShadow);
        return;
    }
    const HDC DC = Canvas->Handle();
    TTBBaseSkin *Skin = PaintingSkin();
    const bool Enabled = FItem->Enabled() || FView->Customizing();
    TCustomImageList *Images = GetImageList();
    const int ImageColumn =
        Images ? MulDiv(Images->Width() + 3, R.Height(), Images->Height() + 3) : R.Height();
    TRect H = R;
    if (IsHoverItem) PaintHover(Canvas, R, H, Skin, Enabled, ImageColumn);

    SetBkMode(DC, TRANSPARENT);
    Canvas->Brush()->SetStyle(bsClear);
    if (FItem->EffectiveOptions().Contains(tboDefault))
        Canvas->Font()->SetStyle(Canvas->Font()->Style() + TFontStyles{fsBold});
    if (Skin && Skin->SkinType() == tbsOfficeXP)
        Canvas->Font()->SetColor(SkinColor(
            Skin,
            IsHoverItem && !(IsPushed && FView->OpenViewer() == this) ? tcHighlightText : tcText));
    TEXTMETRICW Metrics{};
    GetTextMetricsW(Canvas->Handle(), &Metrics);
    const int LineHeight = Metrics.tmHeight + Metrics.tmExternalLeading;
    auto TextRect = [&](TRect Text) {
        if (Text.Height() - LineHeight == 4) --Text.Bottom;
        Text.Top += Metrics.tmExternalLeading;
        return Text;
    };

    TRect Caption = H;
    Caption.Left = H.Left + ImageColumn + 3 + (Skin ? 2 : 0);
    const UINT Format = DT_VCENTER | DT_SINGLELINE | HidePrefixFlag();
    DrawItemCaption(Canvas, TextRect(Caption), GetCaptionText(),
                    Skin ? !Enabled : UseDisabledShadow, Format);

    const AnsiString ShortCut = FItem->GetShortCutText();
    if (!ShortCut.IsEmpty()) {
        const int TextWidth = GetTextWidth(Canvas->Handle(), ShortCut, false);
        TRect Area = H;
        Area.Right = H.Right - R.Height();
        Area.Left = Area.Right - TextWidth;
        DrawItemCaption(Canvas, TextRect(Area), ShortCut, Skin ? !Enabled : UseDisabledShadow,
                        DT_NOPREFIX | DT_VCENTER | DT_SINGLELINE);
    }
    if (FItem->ItemStyle().Contains(tbisSubmenu)) {
        const bool Combo = FItem->ItemStyle().Contains(tbisCombo);
        if (Combo && !Skin) PaintComboDivider(DC, R, IsPushed);
        PaintArrow(Canvas, R, Enabled, Combo && Enabled && IsHoverItem);
    }

    const TRect Column(R.Left, R.Top, R.Left + ImageColumn, R.Bottom);
    if (FItem->Checked())
        PaintCheck(Canvas,
                   TRect(Column.Left + 1, Column.Top + 1, Column.Right - 1, Column.Bottom - 1),
                   Skin, IsHoverItem);
    PaintImage(Canvas, Column, Skin, Enabled, IsHoverItem, IsPushed);
}

void TTBItemViewer::PaintButtonFrame(HDC DC, const TRect &R, bool IsHoverItem, bool IsPushed,
                                     bool Enabled)
{
    TTBBaseSkin *Skin = PaintingSkin();
    const bool Checked = FItem->Checked();
    if (IsXPType(Skin)) {
        if (!Enabled || !(IsHoverItem || IsPushed || Checked)) return;
        if (OnMenuBar()) {
            FillColor(DC, R, SkinColor(Skin, tcSelItem));
            return;
        }
        const HBRUSH Brush = SolidBrush(ColorToRGB(
            SkinColor(Skin, Checked && !IsPushed && !IsHoverItem ? tcChecked : tcSelBar)));
        const HPEN Pen = CreatePen(PS_SOLID, 1, ColorToRGB(SkinColor(Skin, tcSelBarBorder)));
        const HGDIOBJ OldBrush = SelectObject(DC, Brush);
        const HGDIOBJ OldPen = SelectObject(DC, Pen);
        RoundRect(DC, R.Left, R.Top, R.Right, R.Bottom, 6, 6);
        SelectObject(DC, OldPen);
        SelectObject(DC, OldBrush);
        DeleteObject(Pen);
        DeleteObject(Brush);
        return;
    }
    if (Skin && Skin->SkinType() == tbsOfficeXP) {
        if (!IsHoverItem) return;
        const bool Open = FView->OpenViewer() == this;
        FillColor(DC, R,
                  SkinColor(Skin, IsPushed && !Open ? tcSelPushed
                                  : Checked         ? tcCheckedOver
                                                    : tcSelBar));
        FrameColor(DC, R, SkinColor(Skin, tcSelBarBorder));
        return;
    }
    if (!(IsHoverItem || IsPushed || Checked)) return;
    RECT Edge = R;
    if (Checked && !IsHoverItem) {
        const HBRUSH Dither =
            DitherBrush(GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNHIGHLIGHT));
        FillRect(DC, &Edge, Dither);
        DeleteObject(Dither);
    }
    DrawEdge(DC, &Edge, IsPushed || Checked ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
}

void TTBItemViewer::PaintButton(TCanvas *Canvas, const TRect &R, bool IsHoverItem, bool IsPushed,
                                bool UseDisabledShadow)
{
    const HDC DC = Canvas->Handle();
    const bool Enabled = FItem->Enabled() || FView->Customizing();
    PaintButtonFrame(DC, R, IsHoverItem, IsPushed, Enabled);
    // The XP skins fill a hovered menu-bar item with the selection colour: its caption reads
    // on it in the highlight's text colour.
    if (TTBBaseSkin *Skin = PaintingSkin(); IsXPType(Skin) && Enabled && OnMenuBar() && IsHoverItem)
        Canvas->Font()->SetColor(SkinColor(Skin, tcHighlightText));
    SetBkMode(DC, TRANSPARENT);
    Canvas->Brush()->SetStyle(bsClear);
    TRect Content = R;
    if (HasDropDownArrow()) {
        // The arrow takes the room its measuring gave it: at the end of the button along the bar.
        TRect Arrow = Content;
        if (OnUprightBar())
            Content.Bottom = Arrow.Top = Arrow.Bottom - DropDownArrowSize;
        else
            Content.Right = Arrow.Left = Arrow.Right - DropDownArrowSize;
        PaintDropDownArrow(Canvas, Arrow, Enabled);
    }
    TCustomImageList *Images = GetImageList();
    if (ImageShown() && Images) {
        TRect Column = Content;
        if (IsRotated() || FItem->EffectiveOptions().Contains(tboImageAboveCaption)) {
            Column.Top += 3;
            Column.Bottom = Content.Top = Column.Top + Images->Height();
        } else {
            Column.Left += 3;
            Column.Right = Content.Left = Column.Left + Images->Width();
        }
        PaintImage(Canvas, Column, PaintingSkin(), Enabled, IsHoverItem, IsPushed);
    }
    if (CaptionShown())
        PaintButtonCaption(Canvas, Content, PaintingSkin() ? !Enabled : UseDisabledShadow);
}

bool TTBItemViewer::HasDropDownArrow() const
{
    const TTBItemStyle Style = FItem->ItemStyle();
    return Style.Contains(tbisSubmenu) && !Style.Contains(tbisCombo) &&
           FItem->EffectiveOptions().Contains(tboDropdownArrow);
}

// A small triangle in the text colour, pointing down, or left on an upright bar; embossed
// when disabled.
void TTBItemViewer::PaintDropDownArrow(TCanvas *Canvas, const TRect &R, bool Enabled)
{
    const int X = (R.Left + R.Right) / 2, Y = (R.Top + R.Bottom) / 2;
    const std::array<POINT, 3> Down = {{{X - 2, Y - 1}, {X + 2, Y - 1}, {X, Y + 1}}};
    const std::array<POINT, 3> Left = {{{X + 1, Y - 2}, {X + 1, Y + 2}, {X - 1, Y}}};
    const std::array<POINT, 3> &Points = OnUprightBar() ? Left : Down;
    auto Triangle = [&](int Offset, TColor Color) {
        std::array<POINT, 3> At = Points;
        for (POINT &P : At)
            P.x += Offset, P.y += Offset;
        Canvas->Pen()->SetColor(Color);
        Canvas->Brush()->SetColor(Color);
        Canvas->Brush()->SetStyle(bsSolid);
        Polygon(Canvas->Handle(), At.data(), static_cast<int>(At.size()));
        Canvas->Brush()->SetStyle(bsClear);
    };
    if (Enabled) {
        Triangle(0, Canvas->Font()->Color());
        return;
    }
    Triangle(1, clBtnHighlight);
    Triangle(0, clBtnShadow);
}

void TTBItemViewer::PaintButtonCaption(TCanvas *Canvas, const TRect &R, bool DrawDisabledShadow)
{
    const UINT Format = DT_CENTER | DT_VCENTER | DT_SINGLELINE | HidePrefixFlag();
    if (!IsRotated()) {
        DrawItemCaption(Canvas, R, GetCaptionText(), DrawDisabledShadow, Format);
        return;
    }
    const HDC DC = Canvas->Handle();
    const RotatedFontScope Turned(DC);
    DrawShadowed(DC, R, DrawDisabledShadow,
                 [&](const TRect &At) { DrawRotatedText(DC, GetCaptionText(), At, Format); });
}

void TTBSeparatorItemViewer::Paint(TCanvas *Canvas, const TRect &R, bool, bool, bool)
{
    auto *Separator = dynamic_cast<TTBSeparatorItem *>(Item());
    if (Separator && Separator->Blank()) return;
    const HDC DC = Canvas->Handle();
    TTBBaseSkin *Skin = PaintingSkin();
    if (IsToolbarStyle()) {
        const bool LineSep = ViewerState().Contains(tbisLineSep);
        const bool Across = LineSep == (View()->Orientation() != tbvoVertical);
        // A line between the rows of a wrapped bar keeps off the bar's ends.
        const int Inset = Across && LineSep ? (View()->Orientation() == tbvoFloating ? 1 : 4) : 0;
        const int Thickness = Skin ? 1 : 2;
        TRect Line = R;
        if (Across) {
            Line.Left += Inset;
            Line.Right -= Inset;
            Line.Top = R.Top + R.Height() / 2 - 1;
            Line.Bottom = Line.Top + Thickness;
        } else {
            Line.Left = R.Left + R.Width() / 2 - 1;
            Line.Right = Line.Left + Thickness;
        }
        if (Skin) {
            FillColor(DC, Line, SkinColor(Skin, tcSeparator));
            return;
        }
        RECT Edge = Line;
        DrawEdge(DC, &Edge, EDGE_ETCHED, Across ? BF_TOP : BF_LEFT);
        return;
    }
    const int Middle = R.Top + R.Height() / 2 - 1;
    if (!Skin) {
        RECT Line{R.Left + 12, Middle, R.Right - 12, Middle + 2};
        DrawEdge(DC, &Line, EDGE_ETCHED, BF_TOP);
        return;
    }
    int Left = R.Left;
    if (Skin->SkinType() == tbsOfficeXP && View()->IsPopup()) {
        for (int I = 0; I < View()->ViewerCount(); ++I)
            if (View()->Viewers(I)->Item()->Visible()) {
                Left = R.Left + GetImgListMargin(View()->Viewers(I));
                break;
            }
        if (Skin->ImgBackStyle() == tbimsDefault)
            FillColor(DC, TRect(R.Left, R.Top, Left, R.Bottom), SkinColor(Skin, tcImageList));
    }
    FillColor(DC, TRect(Left, Middle, R.Right, Middle + 1), SkinColor(Skin, tcSeparator));
}

// ---- mouse ----------------------------------------------------------------------------------

void TTBItemViewer::MouseDown(TShiftState Shift, int X, int Y, TTBItemEventData &EventData)
{
    if (!FItem->Enabled()) return;
    if (!IsPtInButtonPart(X, Y)) {
        if (!FView->OpenChildPopup(false)) return;
        TTBView *Toolbar = FView->GetParentToolbarView();
        if (Toolbar == FView && FView->State().Contains(vsDropDownMenus))
            EventData.MouseDownOnMenu = true;
        if (Toolbar) Toolbar->AddState(vsDropDownMenus);
        if (Shift.Contains(ssDouble) && !FItem->ItemStyle().Contains(tbisCombo)) {
            TTBView *Child = FView->OpenViewerView();
            for (int I = 0; Child && I < Child->ViewerCount(); ++I) {
                TTBItemViewer *Viewer = Child->Viewers(I);
                TTBCustomItem *Item = Viewer->Item();
                if (Viewer->Show() && Item->ItemStyle().Contains(tbisSelectable) &&
                    Item->Enabled() && Item->Visible() &&
                    Item->EffectiveOptions().Contains(tboDefault)) {
                    *EventData.DoneActionData = {tbdaClickItem, Item, true};
                    EventData.Exit = true;
                    return;
                }
            }
        }
        return;
    }
    if (IsToolbarStyle()) {
        if (TTBView *Toolbar = FView->GetParentToolbarView(); Toolbar == FView)
            Toolbar->RemoveState(vsDropDownMenus);
        FView->CloseChildPopups();
        FView->SetCapture();
        FView->Invalidate(this);
    }
}

void TTBItemViewer::MouseUp(int X, int Y, TTBItemEventData &EventData)
{
    const bool HadCapture = FView->Capture();
    FView->CancelCapture();
    const bool RootBar = FView == EventData.RootView && !FView->IsPopup();
    if (!FView->MouseOverSelected() || !FItem->Enabled() ||
        FItem->ItemStyle().Contains(tbisClicksTransparent)) {
        if (RootBar) EventData.Exit = true;
        return;
    }
    if (FItem->ItemStyle().Contains(tbisSubmenu) && !IsPtInButtonPart(X, Y)) {
        if (RootBar && EventData.MouseDownOnMenu) EventData.Exit = true;
        return;
    }
    if (IsToolbarStyle() && !HadCapture) return;
    FView->GivePriority(this);
    *EventData.DoneActionData = {tbdaClickItem, FItem, !RootBar};
    EventData.Exit = true;
}
