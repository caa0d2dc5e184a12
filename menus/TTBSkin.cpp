#include "menus/TTBSkin.h"

#include "menus/TB2Common.h"
#include "menus/TB2Dock.h"
#include "platform/win/Paint.h"

#include <algorithm>
#include <utility>

int tbChevronSize = 12;

QRV4_ENUM_INFO(TTBSkins, tbsDisabled, tbsOfficeXP, tbsWindowsXP, tbsNativeXP)
QRV4_ENUM_INFO(TTBColorSets, tbcOfficeXP, tbcWindowsXP, tbcCustom)
QRV4_ENUM_INFO(TTBOption, tboPopupOverlap, tboShadow, tboDockedCaptions, tboMenuTBColor,
               tboGradSelItem, tboBlendedImages, tboNoHoverIconShadow)
QRV4_SET_INFO(TTBOptions, TTBOption)
QRV4_ENUM_INFO(TTBPopupStyle, tbpsDefault, tbpsGradVert, tbpsGradHorz)
QRV4_ENUM_INFO(TTBImgBackStyle, tbimsDefault, tbimsGradVert, tbimsGradHorz)
QRV4_ENUM_INFO(TShadowStyle, sOfficeXP, sWindowsXP)
QRV4_ENUM_INFO(TTBGradDir, tbgLeftRight, tbgTopBottom)

namespace
{

constexpr std::array<TTBColorIndex, 28> IndexOfName = {
    tcFace,          tcPopup,           tcBorder,          tcToolbar,       tcDragHandle,
    tcImageList,     tcImgListShadow,   tcSelBar,          tcSelBarBorder,  tcSelItem,
    tcSelItemBorder, tcSelPushed,       tcSelPushedBorder, tcSeparator,     tcChecked,
    tcCheckedOver,   tcDockBorderTitle, tcDockBorderIn,    tcDockBorderOut, tcGradStart,
    tcGradEnd,       tcPopupGradStart,  tcPopupGradEnd,    tcImgGradStart,  tcImgGradEnd,
    tcText,          tcHighlightText,   tcCaptionText};

// No visual styles are offered here, so the native skin always falls back.
bool IsThemeActive()
{
    return false;
}

} // namespace

TColor TTBColors::GetSkinColor(int Index) const
{
    if (Index < 1 || Index > 28) return clNone;
    return FColors[static_cast<std::size_t>(Index - 1)];
}

void TTBColors::Store(int Index, TColor Color)
{
    FColors[static_cast<std::size_t>(Index - 1)] = Color;
}

void TTBColors::SetSkinColor(int Index, TColor Color)
{
    if (FSkin->ColorSet() != tbcCustom || Index < 1 || Index > 28) return;
    Store(Index, Color);
    HDC Screen = GetDC({});
    FRGB[static_cast<std::size_t>(Index - 1)] = GetNearestColor(Screen, ColorToRGB(Color));
    ReleaseDC({}, Screen);
    if (FSkin->IsDefaultSkin() && FSkin != DefaultSkin())
        DefaultSkin()->Colors()->SetSkinColor(Index, Color);
    FSkin->RepaintRegisteredClasses();
}

TTBBaseSkin::TTBBaseSkin(TComponent *AOwner) : TComponent(AOwner)
{
    CalculateColorSet();
}

TTBBaseSkin::~TTBBaseSkin() = default;

std::unique_ptr<TFont> TTBBaseSkin::BoldFont()
{
    auto Font = std::make_unique<TFont>();
    Font->SetStyle(TFontStyles{fsBold});
    return Font;
}

void TTBBaseSkin::Mirror()
{
    if (!FIsDefaultSkin || this == DefaultSkin()) return;
    TTBBaseSkin *Default = DefaultSkin();
    Default->FColorSet = FColorSet;
    Default->FColors->FColors = FColors->FColors;
    Default->FColors->FRGB = FColors->FRGB;
    Default->FSkinType = FSkinType;
    Default->FOptions = FOptions;
    Default->FGradient = FGradient;
    Default->FPopupStyle = FPopupStyle;
    Default->FImgBackStyle = FImgBackStyle;
    Default->FShadowStyle = FShadowStyle;
    Default->FCaptionFont->Assign(FCaptionFont.get());
    Default->FParentFont = FParentFont;
}

void TTBBaseSkin::Changed(bool Repaint)
{
    Mirror();
    if (!Repaint) return;
    RepaintRegisteredClasses();
    if (FIsDefaultSkin && this != DefaultSkin()) DefaultSkin()->RepaintRegisteredClasses();
}

void TTBBaseSkin::RegisterDockable(TTBCustomDockableWindow *Window)
{
    AddToList(FDockables, Window);
}

bool TTBBaseSkin::UnregisterDockable(TTBCustomDockableWindow *Window)
{
    return RemoveFromList(FDockables, Window);
}

void TTBBaseSkin::RegisterChanges(TObject *Receiver, const TNotifyEvent &Proc)
{
    FChangeHandlers.Register(Receiver, Proc);
}

void TTBBaseSkin::UnregisterChanges(TObject *Receiver)
{
    FChangeHandlers.Unregister(Receiver);
}

void TTBBaseSkin::RepaintRegisteredClasses()
{
    // A repaint may make a bar change places: walk a copy.
    for (TTBCustomDockableWindow *Window : std::vector(FDockables)) {
        if (!Window->HandleAllocated() || !IsWindowVisible(Window->Handle())) continue;
        RecalcFrame(Window->Handle());
        // The dock or the floating frame fits the bar again in the frame the skin now gives it.
        if (Window->Docked()) Window->Arrange();
        if (Window->Floating()) Window->FloatingFrameChanged();
    }
    FChangeHandlers.Notify(this);
}

void TTBBaseSkin::Assign(TPersistent *Source)
{
    auto *Skin = dynamic_cast<TTBBaseSkin *>(Source);
    if (!Skin) {
        inherited::Assign(Source);
        return;
    }
    for (int Index = 1; Index <= 28; ++Index)
        FColors->SetSkinColor(Index, Skin->FColors->GetSkinColor(Index));
    SetColorSet(Skin->FColorSet);
    SetGradient(Skin->FGradient);
    SetOptions(Skin->FOptions);
    SetShadowStyle(Skin->FShadowStyle);
    SetSkinType(Skin->FSkinType);
    SetTag(Skin->Tag());
}

void TTBBaseSkin::SetSkinType(TTBSkins Value)
{
    if (Value == FSkinType) return;
    if (Value == tbsNativeXP && !(IsWindowsXP() && IsThemeActive())) Value = tbsWindowsXP;
    FSkinType = Value;
    tbChevronSize = 12;
    if (Value == tbsOfficeXP) {
        FOptions = TTBOptions{tboPopupOverlap};
        FShadowStyle = sOfficeXP;
        tbChevronSize = 11;
        if (FColorSet != tbcCustom) {
            FColorSet = tbcOfficeXP;
            CalculateColorSet();
        }
    } else if (Value == tbsWindowsXP || Value == tbsNativeXP) {
        FOptions = TTBOptions{tboBlendedImages};
        FShadowStyle = sWindowsXP;
        if (FColorSet != tbcCustom) {
            FColorSet = tbcWindowsXP;
            CalculateColorSet();
        }
    }
    Changed(true);
}

void TTBBaseSkin::SetColorSet(TTBColorSets Value)
{
    if (FSkinType == tbsDisabled || Value == FColorSet) return;
    FColorSet = Value;
    CalculateColorSet();
    Changed(true);
}

void TTBBaseSkin::SetOptions(TTBOptions Value)
{
    FOptions = Value;
    Changed(true);
}

void TTBBaseSkin::SetCaptionFont(TFont *Value)
{
    FCaptionFont->Assign(Value);
    FParentFont = false;
    Changed(true);
}

void TTBBaseSkin::SetParentFont(bool Value)
{
    FParentFont = Value;
    if (Value) FCaptionFont->Assign(FParentCaptionFont.get());
    Changed(true);
}

void TTBBaseSkin::SetGradient(TTBGradDir Value)
{
    FGradient = Value;
    Changed(false);
}

void TTBBaseSkin::SetPopupStyle(TTBPopupStyle Value)
{
    FPopupStyle = Value;
    Changed(false);
}

void TTBBaseSkin::SetImgBackStyle(TTBImgBackStyle Value)
{
    FImgBackStyle = Value;
    Changed(false);
}

void TTBBaseSkin::SetShadowStyle(TShadowStyle Value)
{
    FShadowStyle = Value;
    Changed(false);
}

void TTBBaseSkin::SetDefault(bool Value)
{
    FIsDefaultSkin = Value;
    TBSkinManager()->SetSkinAsDefault(Value ? this : nullptr);
    Changed(true);
}

COLORREF TTBBaseSkin::RGBColor(TTBSkinColor Color) const
{
    const auto Name = static_cast<std::size_t>(Color);
    if (Name >= IndexOfName.size()) return ColorToRGB(clWhite);
    return FColors->RGBOf(IndexOfName[Name]);
}

void TTBBaseSkin::AssignColorsToRGB()
{
    HDC Screen = GetDC({});
    for (std::size_t I = 0; I < 28; ++I)
        FColors->FRGB[I] = GetNearestColor(Screen, ColorToRGB(FColors->FColors[I]));
    ReleaseDC({}, Screen);
}

void TTBBaseSkin::CalculateColorSet()
{
    if (FColorSet == tbcOfficeXP) OfficeXPColorSet();
    if (FColorSet == tbcWindowsXP) WindowsXPColorSet();
}

void TTBBaseSkin::OfficeXPColorSet()
{
    auto C = [this](int Index) { return FColors->GetSkinColor(Index); };
    auto S = [this](int Index, TColor Color) { FColors->Store(Index, Color); };
    S(tcFace, clBtnFace);
    S(tcPopup, BlendColors(clWindow, clBtnFace, 0.15L));
    S(tcBorder, BlendColors(clBtnShadow, clBlack, 0.2L));
    S(tcToolbar, BlendColors(clBtnFace, clWindow, 0.16L));
    S(tcImageList, BlendColors(clBtnFace, clWindow, 0.16L));
    S(tcDragHandle, BlendColors(clBtnShadow, clWindow, 0.231L));
    S(tcSelBar, BlendColors(clHighlight, clWindow, 0.7L));
    S(tcSelBarBorder, clHighlight);
    S(tcSelItem, C(tcSelBar));
    S(tcSelItemBorder, clHighlight);
    S(tcSelPushed, BlendColors(clHighlight, clWindow, 0.601L));
    S(tcSelPushedBorder, clHighlight);
    S(tcImgListShadow, BlendColors(clHighlight, clBtnShadow, 0.701L));
    S(tcChecked, BlendColors(C(tcSelPushed), BlendColors(clBtnFace, clWindow, 0.44L), 0.794L));
    S(tcCheckedOver, C(tcSelPushed));
    S(tcDockBorderIn, BlendColors(clBtnShadow, clBlack, 0.15L));
    S(tcDockBorderOut, BlendColors(clBtnShadow, clBlack, 0.15L));
    S(tcDockBorderTitle, clBtnShadow);
    S(tcSeparator, ColorLighter(clBtnShadow, 15));
    S(tcGradStart, ColorLighter(C(tcSelItem), 70));
    S(tcGradEnd, C(tcSelItem));
    S(tcPopupGradStart, C(tcImageList));
    S(tcPopupGradEnd, ColorLighter(C(tcImageList), 70));
    S(tcImgGradStart, C(tcImageList));
    S(tcImgGradEnd, ColorDarker(C(tcImageList), 50));
    S(tcText, clWindowText);
    S(tcHighlightText, clWindowText);
    S(tcCaptionText, clHighlightText);
    AssignColorsToRGB();
}

void TTBBaseSkin::WindowsXPColorSet()
{
    auto C = [this](int Index) { return FColors->GetSkinColor(Index); };
    auto S = [this](int Index, TColor Color) { FColors->Store(Index, Color); };
    S(tcFace, clMenu);
    S(tcPopup, clWindow);
    S(tcBorder, clBtnShadow);
    S(tcToolbar, clBtnFace);
    S(tcImageList, clMenu);
    S(tcDragHandle, clBtnShadow);
    S(tcSelBar, clWindow);
    S(tcSelBarBorder, clBtnShadow);
    S(tcSelItem, ColorLighter(clHighlight, 13));
    S(tcSelItemBorder, clHighlight);
    S(tcSelPushed, ColorDarker(C(tcSelItem), 20));
    S(tcSelPushedBorder, C(tcSelItem));
    S(tcImgListShadow, clBtnShadow);
    S(tcChecked, C(tcSelBar));
    S(tcCheckedOver, C(tcSelPushed));
    S(tcDockBorderIn, C(tcPopup));
    S(tcDockBorderOut, clBlack);
    S(tcDockBorderTitle, clWindow);
    S(tcSeparator, C(tcBorder));
    S(tcGradStart, ColorLighter(C(tcSelItem), 70));
    S(tcGradEnd, C(tcSelItem));
    S(tcPopupGradStart, ColorLighter(C(tcSelItem), 40));
    S(tcPopupGradEnd, ColorLighter(C(tcSelItem), 100));
    S(tcImgGradStart, ColorLighter(C(tcSelItem), 50));
    S(tcImgGradEnd, ColorLighter(C(tcSelItem), 100));
    S(tcText, clWindowText);
    S(tcHighlightText, clHighlightText);
    S(tcCaptionText, clWindowText);
    AssignColorsToRGB();
}

int TTBBaseSkin::GetPopupNCSize() const
{
    switch (FSkinType) {
    case tbsOfficeXP:
        return 2;
    case tbsWindowsXP:
        return FPopupStyle == tbpsDefault && FImgBackStyle == tbimsDefault ? 3 : 1;
    default:
        return 3;
    }
}

TTBSkin::TTBSkin(TComponent *AOwner) : TTBBaseSkin(AOwner)
{
    TBSkinManager()->AddSkin(this);
}

TTBSkin::~TTBSkin()
{
    SetSkinType(tbsDisabled);
    TBSkinManager()->RemoveSkin(this);
}

// ---- published properties ------------------------------------------------------------------

namespace
{

// The colours' published names by index - 1.
constexpr std::array<const char *, 28> ColorNames = {"tcFace",
                                                     "tcPopup",
                                                     "tcBorder",
                                                     "tcToolbar",
                                                     "tcImageList",
                                                     "tcDockBorderIn",
                                                     "tcDockBorderOut",
                                                     "tcDockBorderTitle",
                                                     "tcDragHandle",
                                                     "tcChecked",
                                                     "tcCheckedOver",
                                                     "tcSelBar",
                                                     "tcSelBarBorder",
                                                     "tcSelItem",
                                                     "tcSelItemBorder",
                                                     "tcSelPushed",
                                                     "tcSelPushedBorder",
                                                     "tcSeparator",
                                                     "tcImgListShadow",
                                                     "tcGradStart",
                                                     "tcGradEnd",
                                                     "tcPopupGradStart",
                                                     "tcPopupGradEnd",
                                                     "tcImgGradStart",
                                                     "tcImgGradEnd",
                                                     "tcText",
                                                     "tcHighlightText",
                                                     "tcCaptionText"};

template <std::size_t... I>
void PublishColors(rtl::Publisher<TTBColors> &P, std::index_sequence<I...>)
{
    (P.Property(ColorNames[I], &TTBColors::Color<int(I) + 1>, &TTBColors::SetColor<int(I) + 1>,
                rtl::TColorInfo()),
     ...);
}

} // namespace

void TTBColors::Publish(rtl::Publisher<TTBColors> &P)
{
    PublishColors(P, std::make_index_sequence<ColorNames.size()>());
}
QRV4_PUBLISHED(TTBColors)

// In the order forms are written and read: a stored skin type comes last and settles the
// options and shadow style read before it.
void TTBSkin::Publish(rtl::Publisher<TTBSkin> &P)
{
    P.Property("ColorSet", &TTBSkin::ColorSet, &TTBSkin::SetColorSet).Default(tbcOfficeXP);
    P.Property("CaptionFont", &TTBSkin::CaptionFont, &TTBSkin::SetCaptionFont)
        .Stored(&TTBSkin::IsCaptionFontStored);
    P.Property("Colors", &TTBSkin::Colors);
    P.Property("Gradient", &TTBSkin::Gradient, &TTBSkin::SetGradient).Default(tbgTopBottom);
    P.Property("ImgBackStyle", &TTBSkin::ImgBackStyle, &TTBSkin::SetImgBackStyle)
        .Default(tbimsDefault);
    P.Property("IsDefaultSkin", &TTBSkin::IsDefaultSkin, &TTBSkin::SetDefault);
    P.Property("Options", &TTBSkin::Options, &TTBSkin::SetOptions).Default(TTBOptions{tboShadow});
    P.Property("ParentFont", &TTBSkin::ParentFont, &TTBSkin::SetParentFont);
    P.Property("PopupStyle", &TTBSkin::PopupStyle, &TTBSkin::SetPopupStyle).Default(tbpsDefault);
    P.Property("ShadowStyle", &TTBSkin::ShadowStyle, &TTBSkin::SetShadowStyle).Default(sOfficeXP);
    P.Property("SkinType", &TTBSkin::SkinType, &TTBSkin::SetSkinType).Default(tbsOfficeXP);
    P.Property("Version", &TTBSkin::Version, &TTBSkin::SetVersion);
}
QRV4_PUBLISHED(TTBSkin)

// ---- the manager -----------------------------------------------------------------------

namespace
{

std::unique_ptr<TTBBaseSkin> MakeDefaultSkin()
{
    auto Skin = std::make_unique<TTBBaseSkin>(nullptr);
    Skin->SetSkinType(tbsDisabled);
    Skin->SetOptions({});
    return Skin;
}

void CopySettings(TTBBaseSkin *From, TTBBaseSkin *To)
{
    To->SetSkinType(From->SkinType());
    To->SetOptions(From->Options());
    To->SetShadowStyle(From->ShadowStyle());
    To->SetGradient(From->Gradient());
    if (From->ParentFont())
        To->SetParentFont(true);
    else
        To->SetCaptionFont(From->CaptionFont());
}

} // namespace

TTBBaseSkin *DefaultSkin()
{
    static const std::unique_ptr<TTBBaseSkin> Skin = MakeDefaultSkin();
    return Skin.get();
}

TTBSkinManager *TBSkinManager()
{
    static TTBSkinManager Manager;
    return &Manager;
}

TTBSkinManager::TTBSkinManager() : FBackup(std::make_unique<TTBBaseSkin>(nullptr))
{
    CopySettings(DefaultSkin(), FBackup.get());
}

TTBSkinManager::~TTBSkinManager() = default;

void TTBSkinManager::RestoreDefault()
{
    CopySettings(FBackup.get(), DefaultSkin());
}

int TTBSkinManager::AddSkin(TTBBaseSkin *Skin)
{
    const auto It = std::find(FSkins.begin(), FSkins.end(), Skin);
    if (It != FSkins.end()) return static_cast<int>(It - FSkins.begin());
    FSkins.push_back(Skin);
    if (FSkins.size() == 1) {
        DefaultSkin()->Assign(Skin);
        Skin->FIsDefaultSkin = true;
    }
    return Count() - 1;
}

void TTBSkinManager::RemoveSkin(TTBBaseSkin *Skin)
{
    const auto It = std::find(FSkins.begin(), FSkins.end(), Skin);
    if (It == FSkins.end())
        throw ESkinError("The skin cannot be removed because it's not part of the SkinManager");
    FSkins.erase(It);
    if (!Skin->FIsDefaultSkin) return;
    Skin->FIsDefaultSkin = false;
    // The next skin is copied into the default skin too, so unskinned popups follow it.
    if (!FSkins.empty())
        SetSkinAsDefault(FSkins.front());
    else
        RestoreDefault();
}

void TTBSkinManager::SetSkinAsDefault(TTBBaseSkin *Skin)
{
    if (!Skin) {
        RestoreDefault();
        return;
    }
    if (std::find(FSkins.begin(), FSkins.end(), Skin) == FSkins.end())
        throw ESkinError("This skin has not been added to the SkinManager.");
    for (TTBBaseSkin *Other : FSkins)
        if (Other != Skin) Other->FIsDefaultSkin = false;
    Skin->FIsDefaultSkin = true;
    DefaultSkin()->Assign(Skin);
    Skin->Mirror();
}

TTBBaseSkin *ActiveSkin(TTBBaseSkin *Skin)
{
    if (Skin && Skin->SkinType() != tbsDisabled) return Skin;
    if (DefaultSkin()->SkinType() != tbsDisabled) return DefaultSkin();
    return nullptr;
}
