#pragma once
// The item tree of menus: items with captions, checks, images, shortcuts and
// events; the notifications views hear; the click that runs after its menu closed.

#include "menus/TTBImageList.h"
#include "menus/TTBSkin.h"
#include "platform/rtl/TypInfo.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Menus.h"

#include <functional>
#include <memory>
#include <vector>

QRV4_DECLARE_EXCEPTION(ETBItemError, Exception)

class TTBCustomItem;
class TTBCustomItemActionLink;
class TTBView;

// A component holding a root item: items streamed under it go into that root.
class ITBItems
{
public:
    virtual TTBCustomItem *GetItems() = 0;

protected:
    ~ITBItems() = default;
};
class TTBItemViewer;
class TTBPopupWindow;

// The class library's help context number and image list index.
using THelpContext = int;
using TImageIndex = int;

enum TTBItemDisplayMode { nbdmDefault, nbdmTextOnly, nbdmTextOnlyInMenus, nbdmImageAndText };
enum TTBItemOption {
    tboDefault,
    tboDropdownArrow,
    tboImageAboveCaption,
    tboLongHintInMenuOnly,
    tboNoRotation,
    tboShowHint,
    tboToolbarStyle,
    tboToolbarSize
};
using TTBItemOptions = Set<TTBItemOption>;
QRV4_ENUM_INFO(TTBItemDisplayMode, nbdmDefault, nbdmTextOnly, nbdmTextOnlyInMenus, nbdmImageAndText)
QRV4_ENUM_INFO(TTBItemOption, tboDefault, tboDropdownArrow, tboImageAboveCaption,
               tboLongHintInMenuOnly, tboNoRotation, tboShowHint, tboToolbarStyle, tboToolbarSize)
QRV4_SET_INFO(TTBItemOptions, TTBItemOption)
enum TTBItemStyleItem {
    tbisSubmenu,
    tbisSelectable,
    tbisSeparator,
    tbisEmbeddedGroup,
    tbisClicksTransparent,
    tbisCombo,
    tbisNoAutoOpen,
    tbisSubitemsEditable,
    tbisNoLineBreak,
    tbisRightAlign,
    tbisDontSelectFirst,
    tbisRedrawOnSelChange,
    tbisRedrawOnMouseOverChange
};
using TTBItemStyle = Set<TTBItemStyleItem>;
enum TTBItemChangedAction {
    tbicInserted,
    tbicDeleting,
    tbicSubitemsChanged,
    tbicSubitemsBeginUpdate,
    tbicSubitemsEndUpdate,
    tbicInvalidate,
    tbicInvalidateAndResize,
    tbicRecreateItemViewers,
    tbicNameChanged,
    tbicSubMenuImagesChanged
};
enum TTBPopupAlignment { tbpaLeft, tbpaRight, tbpaCenter };
enum TTBDoneAction { tbdaNone, tbdaClickItem, tbdaOpenSystemMenu, tbdaHelpContext };

struct TTBDoneActionData {
    TTBDoneAction DoneAction = tbdaNone;
    TTBCustomItem *ClickItem = nullptr;
    bool Sound = false;
    HWND Wnd{};
    WPARAM Key = 0;
    int ContextID = 0;
};

// A view's handler of item changes: (Ancestor, Relayed, Action, Index, Item).
using TTBItemChangedProc =
    std::function<void(TTBCustomItem *Ancestor, bool Relayed, TTBItemChangedAction Action,
                       int Index, TTBCustomItem *Item)>;
// Registration key of a handler: the object that registered it.
using TTBNotifyKey = const void *;

// Class references of what an item makes: each is the constructor of a class.
using TTBCustomItemActionLinkClass =
    std::unique_ptr<TTBCustomItemActionLink> (*)(TTBCustomItem *AClient);
using TTBItemViewerClass = std::unique_ptr<TTBItemViewer> (*)(TTBView *View, TTBCustomItem *Item);
using TTBPopupWindowClass = std::unique_ptr<TTBPopupWindow> (*)(TComponent *AOwner,
                                                                TTBView *ParentView,
                                                                TTBCustomItem *Item,
                                                                bool Customizing);

using TTBPopupEvent = std::function<void(TTBCustomItem *Sender, bool FromLink)>;
using TTBSelectEvent =
    std::function<void(TTBCustomItem *Sender, TTBItemViewer *Viewer, bool Selecting)>;

class TTBCustomItem : public TComponent
{
    QRV4_CLASS(TTBCustomItem, TComponent)

public:
    explicit TTBCustomItem(TComponent *AOwner);
    ~TTBCustomItem() override;

    // ---- the tree (streamed as the children of their parent)
    void GetChildren(TGetChildProc Proc, TComponent *Root) override;
    void SetChildOrder(TComponent *Child, int Order) override;
    bool HasParent() override { return true; }
    TComponent *GetParentComponent() override;
    void SetParentComponent(TComponent *Value) override;
    int Count() const { return static_cast<int>(FItems.size()); }
    TTBCustomItem *GetItem(int Index) const;
    TTBCustomItem *Items(int Index) const { return GetItem(Index); }
    TTBCustomItem *Parent() const { return FParent; }
    void Add(TTBCustomItem *Item) { Insert(Count(), Item); }
    void Insert(int Index, TTBCustomItem *Item);
    void Delete(int Index);
    void Remove(TTBCustomItem *Item);
    int IndexOf(TTBCustomItem *Item) const;
    void Clear();
    void Move(int CurIndex, int NewIndex);
    bool ContainsItem(TTBCustomItem *Item) const;

    // ---- notifications
    void RegisterNotification(TTBNotifyKey Key, TTBItemChangedProc Proc);
    void UnregisterNotification(TTBNotifyKey Key);
    void Notify(TTBCustomItem *Ancestor, TTBItemChangedAction Action, int Index,
                TTBCustomItem *Item);
    void ViewBeginUpdate() { Notify(this, tbicSubitemsBeginUpdate, 0, nullptr); }
    void ViewEndUpdate() { Notify(this, tbicSubitemsEndUpdate, 0, nullptr); }
    virtual void Change(bool NeedResize);
    void RecreateItemViewers();
    void SubMenuImagesChanged() { Notify(this, tbicSubMenuImagesChanged, 0, nullptr); }

    // ---- properties
    TBasicAction *Action() const;
    void SetAction(TBasicAction *Value);
    bool AutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool Value) { FAutoCheck = Value; }
    const AnsiString &Caption() const { return FCaption; }
    void SetCaption(const AnsiString &Value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    TTBItemDisplayMode DisplayMode() const { return FDisplayMode; }
    void SetDisplayMode(TTBItemDisplayMode Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    TTBItemOptions EffectiveOptions() const { return FEffectiveOptions; }
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    THelpContext HelpContext() const { return FHelpContext; }
    void SetHelpContext(THelpContext Value) { FHelpContext = Value; }
    const AnsiString &Hint() const { return FHint; }
    void SetHint(const AnsiString &Value) { FHint = Value; }
    TImageIndex ImageIndex() const { return FImageIndex; }
    void SetImageIndex(TImageIndex Value);
    TCustomImageList *Images() const { return FImages; }
    void SetImages(TCustomImageList *Value);
    TCustomImageList *SubMenuImages() const { return FSubMenuImages; }
    void SetSubMenuImages(TCustomImageList *Value);
    TTBItemStyle ItemStyle() const { return FItemStyle; }
    TTBItemOptions MaskOptions() const { return FMaskOptions; }
    void SetMaskOptions(TTBItemOptions Value);
    TTBItemOptions Options() const { return FOptions; }
    void SetOptions(TTBItemOptions Value);
    bool InheritOptions() const { return FInheritOptions; }
    void SetInheritOptions(bool Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value) { FShortCut = Value; }
    TTBCustomItem *LinkSubitems() const { return FLinkSubitems; }
    void SetLinkSubitems(TTBCustomItem *Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    TComponent *ParentComponent() const { return FParentComponent; }
    void SetParentComponentLink(TComponent *Value) { FParentComponent = Value; }
    // The skin the item's popups draw with; null for the default.
    TTBBaseSkin *Skin() const { return FSkin; }
    void SetSkin(TTBBaseSkin *Value) { FSkin = Value; }
    void SetName(const AnsiString &NewName) override;

    // ---- behaviour
    virtual void Click();
    // Lets the action update this item.
    virtual void InitiateAction();
    virtual void DoPopup(TTBCustomItem *Sender, bool FromLink);
    virtual void EnabledChanged() { Change(false); }
    virtual TTBView *GetChevronParentView() { return nullptr; }
    virtual bool NeedToRecreateViewer(TTBItemViewer *) { return false; }
    // The class of the item's viewers in View.
    virtual TTBItemViewerClass GetItemViewerClass(TTBView *View);
    // The class of the window the item's popup opens in.
    virtual TTBPopupWindowClass GetPopupWindowClass();
    // Creates, places and shows the popup of the item's children.
    virtual TTBPopupWindow *CreatePopup(TTBView *ParentView, TTBItemViewer *ParentViewer,
                                        bool PositionAsSubmenu, bool SelectFirstItem,
                                        bool Customizing, TPoint PopupPoint,
                                        TTBPopupAlignment Alignment);
    void Popup(int X, int Y, bool TrackRightButton, TTBPopupAlignment Alignment = tbpaLeft);
    void OpenPopup(bool SelectFirstItem, bool TrackRightButton, TPoint PopupPoint,
                   TTBPopupAlignment Alignment);

    bool IsShortCut(WORD Key, TShiftState Shift);
    TTBCustomItem *FindItemWithShortCut(TShortCut AShortCut, TTBCustomItem *&TopmostParent);
    AnsiString GetShortCutText() const;
    AnsiString GetHintText() const;
    // The part of Hint after the first "|".
    AnsiString GetLongHint() const;

    TNotifyEvent OnClick;
    TTBPopupEvent OnPopup;
    TTBSelectEvent OnSelect;

    // Written to a stream only when the action does not supply them.
    bool IsAutoCheckStored() const;
    bool IsCaptionStored() const;
    bool IsCheckedStored() const;
    bool IsEnabledStored() const;
    bool IsHelpContextStored() const;
    bool IsHintStored() const;
    bool IsImageIndexStored() const;
    bool IsShortCutStored() const;
    bool IsVisibleStored() const;
    bool IsOnClickStored() const;

protected:
    void Loaded() override;
    void Notification(TComponent *AComponent, TOperation Operation) override;
    // Takes the action's properties; with CheckDefaults only over values still at their default.
    virtual void ActionChange(TObject *Sender, bool CheckDefaults);
    // The class of the link SetAction ties the item to its action with.
    virtual TTBCustomItemActionLinkClass GetActionLinkClass();
    TTBItemStyle FItemStyle{tbisSelectable, tbisRedrawOnSelChange, tbisRedrawOnMouseOverChange};

private:
    struct NotifyRecord {
        TTBNotifyKey Key;
        TTBItemChangedProc Proc;
        int RefCount;
    };
    // Depth counts the groups the notice has come up through.
    void Notify(TTBCustomItem *Ancestor, TTBItemChangedAction Action, int Index,
                TTBCustomItem *Item, int Depth);
    void CheckIndex(int Index) const;
    void RefreshOptions();
    void TurnSiblingsOff();
    // Swaps an image list; true when the item sizes must be recomputed.
    void DoActionChange(TObject *Sender);
    bool ExchangeImages(TCustomImageList *&Field, TCustomImageList *Value,
                        std::unique_ptr<TTBImageChangeLink> &Link, bool SubMenu);
    void ImageListChangeHandler(bool SubMenu);

    std::unique_ptr<TTBCustomItemActionLink> FActionLink;
    bool FAutoCheck = false;
    AnsiString FCaption;
    bool FChecked = false;
    TTBItemDisplayMode FDisplayMode = nbdmDefault;
    bool FEnabled = true;
    TTBItemOptions FEffectiveOptions;
    int FGroupIndex = 0;
    THelpContext FHelpContext = 0;
    AnsiString FHint;
    TImageIndex FImageIndex = -1;
    TCustomImageList *FImages = nullptr;
    std::unique_ptr<TTBImageChangeLink> FImagesLink;
    std::vector<TTBCustomItem *> FItems;
    std::vector<TTBCustomItem *> FLinkParents;
    TTBItemOptions FMaskOptions;
    TTBItemOptions FOptions;
    bool FInheritOptions = true;
    std::vector<NotifyRecord> FNotifyList;
    TTBCustomItem *FParent = nullptr;
    TComponent *FParentComponent = nullptr;
    TShortCut FShortCut = 0;
    TCustomImageList *FSubMenuImages = nullptr;
    std::unique_ptr<TTBImageChangeLink> FSubMenuImagesLink;
    TTBCustomItem *FLinkSubitems = nullptr;
    bool FVisible = true;
    TTBBaseSkin *FSkin = nullptr;
};

// An item's tie to its action: a property follows the action while the item's
// value is still the action's.
class TTBCustomItemActionLink : public TActionLink
{
    QRV4_CLASS(TTBCustomItemActionLink, TActionLink)

public:
    explicit TTBCustomItemActionLink(TTBCustomItem *AClient) : FClient(AClient) {}

    bool IsAutoCheckLinked() const override;
    bool IsCaptionLinked() const override;
    bool IsCheckedLinked() const override;
    bool IsEnabledLinked() const override;
    bool IsHelpContextLinked() const override;
    bool IsHintLinked() const override;
    bool IsImageIndexLinked() const override;
    bool IsShortCutLinked() const override;
    bool IsVisibleLinked() const override;
    bool IsOnExecuteLinked() const override;
    void SetAutoCheck(bool Value) override;
    void SetCaption(const AnsiString &Value) override;
    void SetChecked(bool Value) override;
    void SetEnabled(bool Value) override;
    void SetHelpContext(int Value) override;
    void SetHint(const AnsiString &Value) override;
    void SetImageIndex(int Value) override;
    void SetShortCut(TShortCut Value) override;
    void SetVisible(bool Value) override;
    void SetOnExecute(const TNotifyEvent &Value) override;

protected:
    // The item's value equals the action's, read through the two getters.
    template <class ItemGet, class ActionGet> bool Same(ItemGet OfItem, ActionGet OfAction) const;

    TTBCustomItem *FClient;
};

class TTBRootItem : public TTBCustomItem
{
    QRV4_CLASS(TTBRootItem, TTBCustomItem)

public:
    using TTBCustomItem::TTBCustomItem;
};

class TTBItem : public TTBCustomItem
{
    QRV4_CLASS(TTBItem, TTBCustomItem)

public:
    using TTBCustomItem::TTBCustomItem;
    static void Publish(rtl::Publisher<TTBItem> &P);
};

// A group whose children show inline, in the view of the group's parent.
class TTBGroupItem : public TTBCustomItem
{
    QRV4_CLASS(TTBGroupItem, TTBCustomItem)

public:
    explicit TTBGroupItem(TComponent *AOwner);
    static void Publish(rtl::Publisher<TTBGroupItem> &P);
};

class TTBSubmenuItem : public TTBCustomItem
{
    QRV4_CLASS(TTBSubmenuItem, TTBCustomItem)

public:
    explicit TTBSubmenuItem(TComponent *AOwner);
    bool DropdownCombo() const { return FItemStyle.Contains(tbisCombo); }
    void SetDropdownCombo(bool Value);
    static void Publish(rtl::Publisher<TTBSubmenuItem> &P);
};

class TTBSeparatorItem : public TTBCustomItem
{
    QRV4_CLASS(TTBSeparatorItem, TTBCustomItem)

public:
    explicit TTBSeparatorItem(TComponent *AOwner);
    bool Blank() const { return FBlank; }
    void SetBlank(bool Value);
    TTBItemViewerClass GetItemViewerClass(TTBView *View) override;
    static void Publish(rtl::Publisher<TTBSeparatorItem> &P);

private:
    bool FBlank = false;
};

// A control shown among the items of a toolbar: the view places it, moves it out
// of sight when it goes off the edge, and lays the bar out again when the control
// is shown, hidden or resized.
class TTBControlItem : public TTBCustomItem
{
    QRV4_CLASS(TTBControlItem, TTBCustomItem)

public:
    explicit TTBControlItem(TComponent *AOwner);
    TTBControlItem(TComponent *AOwner, TControl *AControl);
    // Frees the control too, unless DontFreeControl is set.
    ~TTBControlItem() override;
    TControl *Control() const { return FControl; }
    void SetControl(TControl *Value);
    bool DontFreeControl() const { return FDontFreeControl; }
    void SetDontFreeControl(bool Value) { FDontFreeControl = Value; }
    static void Publish(rtl::Publisher<TTBControlItem> &P);

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    void Watch(TControl *Value);
    void ControlMessage(TMessage &Message);

    TControl *FControl = nullptr;
    TWndMethod FControlWindowProc;
    bool FDontFreeControl = false;
    bool FShownSeen = false;
    TPoint FSizeSeen;
};

// A component that only holds an item tree, for menus and bars to link to.
class TTBItemContainer : public TComponent, public ITBItems
{
    QRV4_CLASS(TTBItemContainer, TComponent)

public:
    explicit TTBItemContainer(TComponent *AOwner);
    ~TTBItemContainer() override;

    TTBRootItem *Items() const { return FItems.get(); }
    TTBCustomItem *GetItems() override { return FItems.get(); }
    TCustomImageList *Images() const { return FItems->SubMenuImages(); }
    void SetImages(TCustomImageList *Value) { FItems->SetSubMenuImages(Value); }
    void GetChildren(TGetChildProc Proc, TComponent *Root) override;
    void SetChildOrder(TComponent *Child, int Order) override;
    static void Publish(rtl::Publisher<TTBItemContainer> &P);

private:
    std::unique_ptr<TTBRootItem> FItems;
};

// Lets the item classes be read from a stream; once is enough, more does no harm.
void TBRegisterItemClasses();
// Lets control items be read from a stream.
void TBRegisterControlItem();

// A component of Class, made through its virtual constructor; Class must be a T.
template <class T> std::unique_ptr<T> MakeComponent(TClass Class, TComponent *AOwner)
{
    if (!Class->InheritsFrom(T::StaticClass())) throw EInvalidCast("Invalid class typecast");
    return std::unique_ptr<T>(static_cast<T *>(Class->Create(AOwner)));
}

// Runs a finished loop's choice: a click is posted to the thread's click window.
void ExecuteDoneAction(const TTBDoneActionData &Data);
// The item waiting for its posted click on this thread, for tests.
TTBCustomItem *PendingClickItem();

// Nested mouse capture of the tracking loops.
void TBBeginCapture(HWND Wnd);
void TBEndCapture();
HWND TBCaptureWnd();
// The loop's last mouse position in screen coordinates; X = TBNoPosition for none.
POINT &TBLastMousePos();
