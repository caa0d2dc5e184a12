#pragma once
// The skin: a skin type, 28 colours derived from the system colours, drawing
// options and styles; the process's default skin and the skin manager.

#include "menus/TB2Common.h"
#include "menus/TBSkinShared.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "platform/vcl/Graphics.h"

#include <array>
#include <memory>
#include <vector>

QRV4_DECLARE_EXCEPTION(ESkinError, Exception)

enum TTBSkins { tbsDisabled, tbsOfficeXP, tbsWindowsXP, tbsNativeXP };
enum TTBColorSets { tbcOfficeXP, tbcWindowsXP, tbcCustom };
enum TTBOption {
    tboPopupOverlap,
    tboShadow,
    tboDockedCaptions,
    tboMenuTBColor,
    tboGradSelItem,
    tboBlendedImages,
    tboNoHoverIconShadow
};
using TTBOptions = Set<TTBOption>;
enum TTBPopupStyle { tbpsDefault, tbpsGradVert, tbpsGradHorz };
enum TTBImgBackStyle { tbimsDefault, tbimsGradVert, tbimsGradHorz };
enum TShadowStyle { sOfficeXP, sWindowsXP };

// The 28 colours by name, in the order of the enumeration (not of the indexes).
enum TTBSkinColor {
    cFace,
    cPopup,
    cBorder,
    cToolbar,
    cDragHandle,
    cImageList,
    cImgListShadow,
    cSelBar,
    cSelBarBorder,
    cSelItem,
    cSelItemBorder,
    cSelPushed,
    cSelPushedBorder,
    cSeparator,
    cChecked,
    cCheckedOver,
    cDockBorderTitle,
    cDockBorderIn,
    cDockBorderOut,
    cGradStart,
    cGradEnd,
    cPopupGradStart,
    cPopupGradEnd,
    cImgGradStart,
    cImgGradEnd,
    cText,
    cHighlightText,
    cCaptionText
};

// Indexes of GetSkinColor, 1 to 28.
enum TTBColorIndex {
    tcFace = 1,
    tcPopup,
    tcBorder,
    tcToolbar,
    tcImageList,
    tcDockBorderIn,
    tcDockBorderOut,
    tcDockBorderTitle,
    tcDragHandle,
    tcChecked,
    tcCheckedOver,
    tcSelBar,
    tcSelBarBorder,
    tcSelItem,
    tcSelItemBorder,
    tcSelPushed,
    tcSelPushedBorder,
    tcSeparator,
    tcImgListShadow,
    tcGradStart,
    tcGradEnd,
    tcPopupGradStart,
    tcPopupGradEnd,
    tcImgGradStart,
    tcImgGradEnd,
    tcText,
    tcHighlightText,
    tcCaptionText
};

class TTBBaseSkin;
class TTBCustomDockableWindow;

class TTBColors : public TPersistent
{
    QRV4_CLASS(TTBColors, TPersistent)

public:
    explicit TTBColors(TTBBaseSkin *Skin) : FSkin(Skin) {}
    TColor GetSkinColor(int Index) const;
    // Only a skin with a custom colour set takes colours.
    void SetSkinColor(int Index, TColor Color);
    COLORREF RGBOf(int Index) const { return FRGB.at(static_cast<std::size_t>(Index - 1)); }

    // The published accessors of the colours, one pair per index.
    template <int Index> TColor Color() const { return GetSkinColor(Index); }
    template <int Index> void SetColor(TColor Value) { SetSkinColor(Index, Value); }
    static void Publish(rtl::Publisher<TTBColors> &P);

private:
    friend class TTBBaseSkin;
    void Store(int Index, TColor Color);
    TTBBaseSkin *FSkin;
    std::array<TColor, 28> FColors{};
    std::array<COLORREF, 28> FRGB{};
};

class TTBBaseSkin : public TComponent
{
    QRV4_CLASS(TTBBaseSkin, TComponent)

public:
    explicit TTBBaseSkin(TComponent *AOwner);
    ~TTBBaseSkin() override;
    void Assign(TPersistent *Source) override;

    TTBSkins SkinType() const { return FSkinType; }
    void SetSkinType(TTBSkins Value);
    TTBColorSets ColorSet() const { return FColorSet; }
    void SetColorSet(TTBColorSets Value);
    TTBOptions Options() const { return FOptions; }
    void SetOptions(TTBOptions Value);
    TTBGradDir Gradient() const { return FGradient; }
    void SetGradient(TTBGradDir Value);
    TTBPopupStyle PopupStyle() const { return FPopupStyle; }
    void SetPopupStyle(TTBPopupStyle Value);
    TTBImgBackStyle ImgBackStyle() const { return FImgBackStyle; }
    void SetImgBackStyle(TTBImgBackStyle Value);
    TShadowStyle ShadowStyle() const { return FShadowStyle; }
    void SetShadowStyle(TShadowStyle Value);
    bool IsDefaultSkin() const { return FIsDefaultSkin; }
    void SetDefault(bool Value);
    TTBColors *Colors() const { return FColors.get(); }
    AnsiString Version() const { return "Version 1.00.15"; }
    // A stored version is accepted and dropped: the skin reports its own.
    void SetVersion(const AnsiString &) {}
    // The font of dockable windows' captions (bold).
    TFont *CaptionFont() const { return FCaptionFont.get(); }
    // Copies the font; the caption font is the skin's own from then on.
    void SetCaptionFont(TFont *Value);
    // While set, the caption font is a copy of the skin's parent font.
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    bool IsCaptionFontStored() const { return !FParentFont; }

    // Handlers told whenever the skin's look changes; a receiver is listed once.
    void RegisterChanges(TObject *Receiver, const TNotifyEvent &Proc);
    void UnregisterChanges(TObject *Receiver);

    COLORREF RGBColor(TTBSkinColor Color) const;
    void AssignColorsToRGB();
    void CalculateColorSet();
    void OfficeXPColorSet();
    void WindowsXPColorSet();
    int GetPopupNCSize() const;

    // The dockable windows drawn with this skin, redrawn whenever it changes.
    void RegisterDockable(TTBCustomDockableWindow *Window);
    bool UnregisterDockable(TTBCustomDockableWindow *Window);
    void RepaintRegisteredClasses();

private:
    friend class TTBSkinManager;
    friend class TTBColors;
    // Copies this skin's settings into the default skin when it is its source.
    void Mirror();
    // After a change: mirrored, and with Repaint the windows drawn with it (or with the
    // default skin it feeds) redrawn.
    void Changed(bool Repaint);
    TTBSkins FSkinType = tbsOfficeXP;
    TTBColorSets FColorSet = tbcOfficeXP;
    TTBOptions FOptions;
    TTBGradDir FGradient = tbgTopBottom;
    TTBPopupStyle FPopupStyle = tbpsDefault;
    TTBImgBackStyle FImgBackStyle = tbimsDefault;
    TShadowStyle FShadowStyle = sOfficeXP;
    bool FIsDefaultSkin = false;
    std::unique_ptr<TTBColors> FColors = std::make_unique<TTBColors>(this);
    std::unique_ptr<TFont> FParentCaptionFont = BoldFont();
    std::unique_ptr<TFont> FCaptionFont = BoldFont();
    bool FParentFont = true;
    std::vector<TTBCustomDockableWindow *> FDockables;
    TTBChangeHandlers FChangeHandlers;

    static std::unique_ptr<TFont> BoldFont();
};

// The skin a form places: it joins the skin manager, and the first one becomes the default.
class TTBSkin : public TTBBaseSkin
{
    QRV4_CLASS(TTBSkin, TTBBaseSkin)

public:
    explicit TTBSkin(TComponent *AOwner);
    ~TTBSkin() override;
    static void Publish(rtl::Publisher<TTBSkin> &P);
};

class TTBSkinManager
{
public:
    TTBSkinManager();
    ~TTBSkinManager();
    int AddSkin(TTBBaseSkin *Skin);
    void RemoveSkin(TTBBaseSkin *Skin);
    void SetSkinAsDefault(TTBBaseSkin *Skin);
    int Count() const { return static_cast<int>(FSkins.size()); }

private:
    void RestoreDefault();
    std::vector<TTBBaseSkin *> FSkins;
    std::unique_ptr<TTBBaseSkin> FBackup;
};

// Plain drawing until a skin becomes the default.
TTBBaseSkin *DefaultSkin();
TTBSkinManager *TBSkinManager();
extern int tbChevronSize;
// The skin in effect: Skin when it draws, else the default skin when that draws, else null.
TTBBaseSkin *ActiveSkin(TTBBaseSkin *Skin);
