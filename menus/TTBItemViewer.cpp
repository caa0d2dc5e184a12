#include "menus/TTBItemViewer.h"

#include "menus/TB2Common.h"
#include "menus/TTBView.h"

#include <algorithm>

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
        Width = 6;
        Height = 6;
        if (CaptionShown()) {
            Height += Metrics.tmHeight + (OfficeXP ? 3 : 0);
            Width += GetTextWidth(DC, GetCaptionText(), true) + 6;
        }
        if (ImageShown() && Images) {
            Width += Images->Width() + 1;
            Height = std::max(Height, Images->Height() + 6);
        }
        if (FItem->ItemStyle().Contains(tbisSubmenu))
            Width += FItem->ItemStyle().Contains(tbisCombo) ? 11 : 0;
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
    RECT Area = R;
    if (!DrawDisabledShadow || PaintingSkin()) {
        if (DrawDisabledShadow) SetTextColor(DC, GetSysColor(COLOR_BTNSHADOW));
        DrawTextA(DC, Caption.c_str(), Caption.Length(), &Area, Format);
        return;
    }
    OffsetRect(&Area, 1, 1);
    SetTextColor(DC, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawTextA(DC, Caption.c_str(), Caption.Length(), &Area, Format);
    OffsetRect(&Area, -1, -1);
    SetTextColor(DC, GetSysColor(COLOR_BTNSHADOW));
    DrawTextA(DC, Caption.c_str(), Caption.Length(), &Area, Format);
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
    if (!Skin) {
        Images->Draw(Canvas, X, Y, Index, Enabled);
        return;
    }
    if (!Enabled) {
        DrawSkinIconShadow(Canvas, Target, Images, Index, true);
        return;
    }
    const bool Checked = FItem->Checked();
    if (Skin->SkinType() == tbsOfficeXP && IsHoverItem && !IsPushed && !Checked &&
        !Skin->Options().Contains(tboNoHoverIconShadow)) {
        DrawSkinIconShadow(Canvas, Bounds(X + 1, Y + 1, Images->Width(), Images->Height()), Images,
                           Index, false);
        Images->Draw(Canvas, X - 1, Y - 1, Index);
    } else if (!IsHoverItem && Skin->Options().Contains(tboBlendedImages) && !Checked) {
        BlendSkinIcon(Canvas, Target, Images, Index, 210);
    } else {
        Images->Draw(Canvas, X, Y, Index);
    }
}

void TTBItemViewer::PaintArrow(TCanvas *Canvas, const TRect &R, bool Enabled)
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
    UINT Format = DT_VCENTER | DT_SINGLELINE;
    if (FView->Style().Contains(vsUseHiddenAccels) && !AreKeyboardCuesEnabled() &&
        !FView->State().Contains(vsShowAccels))
        Format |= DT_HIDEPREFIX;
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
    if (FItem->ItemStyle().Contains(tbisSubmenu)) PaintArrow(Canvas, R, Enabled);

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
    DrawEdge(DC, &Edge, IsPushed || Checked ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
}

void TTBItemViewer::PaintButton(TCanvas *Canvas, const TRect &R, bool IsHoverItem, bool IsPushed,
                                bool UseDisabledShadow)
{
    const HDC DC = Canvas->Handle();
    const bool Enabled = FItem->Enabled() || FView->Customizing();
    PaintButtonFrame(DC, R, IsHoverItem, IsPushed, Enabled);
    SetBkMode(DC, TRANSPARENT);
    Canvas->Brush()->SetStyle(bsClear);
    TRect Content = R;
    TCustomImageList *Images = GetImageList();
    if (ImageShown() && Images) {
        const TRect Column(R.Left + 3, R.Top, R.Left + 3 + Images->Width(), R.Bottom);
        PaintImage(Canvas, Column, PaintingSkin(), Enabled, IsHoverItem, IsPushed);
        Content.Left = Column.Right;
    }
    const bool Arrow = FItem->ItemStyle().Contains(tbisSubmenu) &&
                       FItem->EffectiveOptions().Contains(tboDropdownArrow);
    if (Arrow) {
        // A small triangle pointing down at the right, in the text colour.
        const int X = R.Right - 8, Y = R.Top + R.Height() / 2 - 1;
        const POINT Points[3] = {{X, Y}, {X + 4, Y}, {X + 2, Y + 2}};
        Canvas->Pen()->SetColor(Canvas->Font()->Color());
        Canvas->Brush()->SetColor(Canvas->Font()->Color());
        Canvas->Brush()->SetStyle(bsSolid);
        Polygon(Canvas->Handle(), Points, 3);
        Canvas->Brush()->SetStyle(bsClear);
        Content.Right -= 8;
    }
    if (!CaptionShown()) return;
    UINT Format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    if (FView->Style().Contains(vsUseHiddenAccels) && !AreKeyboardCuesEnabled() &&
        !FView->State().Contains(vsShowAccels))
        Format |= DT_HIDEPREFIX;
    DrawItemCaption(Canvas, Content, GetCaptionText(),
                    PaintingSkin() ? !Enabled : UseDisabledShadow, Format);
}

void TTBSeparatorItemViewer::Paint(TCanvas *Canvas, const TRect &R, bool, bool, bool)
{
    auto *Separator = dynamic_cast<TTBSeparatorItem *>(Item());
    if (Separator && Separator->Blank()) return;
    const HDC DC = Canvas->Handle();
    if (IsToolbarStyle()) {
        const bool Across =
            ViewerState().Contains(tbisLineSep) == (View()->Orientation() != tbvoVertical);
        RECT Line = R;
        if (Across) {
            Line.top = R.Top + R.Height() / 2 - 1;
            Line.bottom = Line.top + 2;
        } else {
            Line.left = R.Left + R.Width() / 2 - 1;
            Line.right = Line.left + 2;
        }
        DrawEdge(DC, &Line, EDGE_ETCHED, Across ? BF_TOP : BF_LEFT);
        return;
    }
    TTBBaseSkin *Skin = PaintingSkin();
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
