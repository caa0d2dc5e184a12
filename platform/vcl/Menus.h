#pragma once

// Menus: items with captions, short-cuts and sub-items, and the popup menu
// shown at a screen point through a small popup window of our own.

#include "platform/vcl/Controls.h"

#include <vector>

// A key with the modifier bits of the class library.
using TShortCut = WORD;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

TShortCut ShortCut(WORD Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, WORD &Key, TShiftState &Shift);
// "Ctrl+C", "Shift+Del", "F5"; empty for no short-cut.
AnsiString ShortCutToText(TShortCut ShortCut);
// The reverse; 0 when the text names no short-cut.
TShortCut TextToShortCut(const AnsiString &Text);

QRV4_DECLARE_EXCEPTION(EMenuError, Exception)

class TMenu;
class TCustomImageList;

class TMenuItem : public TComponent
{
    QRV4_CLASS(TMenuItem, TComponent)

public:
    explicit TMenuItem(TComponent *AOwner);
    ~TMenuItem() override;

    const AnsiString &Caption() const { return FCaption; }
    void SetCaption(const AnsiString &Value) { FCaption = Value; }
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value) { FShortCut = Value; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value) { FChecked = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value) { FImageIndex = Value; }
    const AnsiString &Hint() const { return FHint; }
    void SetHint(const AnsiString &Value) { FHint = Value; }
    // A caption of "-" makes a separator line.
    bool IsLine() const { return FCaption == "-"; }

    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem *Items(int Index) const { return FItems.at(Index); }
    TMenuItem *Parent() const { return FParent; }
    void Add(TMenuItem *Item);
    void Insert(int Index, TMenuItem *Item);
    void Remove(TMenuItem *Item);
    void Delete(int Index);
    void Clear();
    int IndexOf(TMenuItem *Item) const;
    int MenuIndex() const { return FParent ? FParent->IndexOf(const_cast<TMenuItem *>(this)) : -1; }

    virtual void Click();

    TNotifyEvent OnClick;

private:
    AnsiString FCaption;
    TShortCut FShortCut = 0;
    bool FChecked = false;
    bool FEnabled = true;
    bool FVisible = true;
    int FImageIndex = -1;
    AnsiString FHint;
    std::vector<TMenuItem *> FItems;
    TMenuItem *FParent = nullptr;
};

class TMenu : public TComponent
{
    QRV4_CLASS(TMenu, TComponent)

public:
    explicit TMenu(TComponent *AOwner);
    ~TMenu() override;
    TMenuItem *Items() const { return FItems.get(); }
    // Finds an enabled item with this short-cut and clicks it. A control's key-down asks the
    // menus of the control and of the windows holding it.
    virtual bool IsShortCut(WORD Key, TShiftState Shift);
    // The pictures the items' image indexes name; none by default.
    TCustomImageList *Images() const { return FImages; }
    void SetImages(TCustomImageList *Value);

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    std::unique_ptr<TMenuItem> FItems;
    TCustomImageList *FImages = nullptr;
};

enum TPopupAlignment { paLeft, paRight, paCenter };
enum TTrackButton { tbRightButton, tbLeftButton };

class TPopupMenu : public TMenu
{
    QRV4_CLASS(TPopupMenu, TMenu)

public:
    explicit TPopupMenu(TComponent *AOwner);
    ~TPopupMenu() override;

    // Shows the menu at a screen point and runs it until an item is chosen or
    // the menu is dismissed; the chosen item is clicked afterwards.
    virtual void Popup(int X, int Y);
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool Value) { FAutoPopup = Value; }
    TPopupAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }
    TTrackButton TrackButton() const { return FTrackButton; }
    void SetTrackButton(TTrackButton Value) { FTrackButton = Value; }
    TComponent *PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent *Value) { FPopupComponent = Value; }

    TNotifyEvent OnPopup;

protected:
    virtual void DoPopup(TObject *Sender);

private:
    bool FAutoPopup = true;
    TPopupAlignment FAlignment = paLeft;
    TTrackButton FTrackButton = tbRightButton;
    TComponent *FPopupComponent = nullptr;
};
