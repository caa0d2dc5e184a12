#include "menus/TTBItem.h"

#include "menus/PopupModalLoop.h"
#include "menus/TB2Common.h"
#include "menus/TB2Consts.h"
#include "menus/TTBItemViewer.h"
#include "menus/TTBPopupMenu.h"
#include "menus/TTBView.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/vcl/Forms.h"

#include <algorithm>
#include <utility>

namespace
{

struct ThreadState {
    int ItemCount = 0;
    HWND ClickWindow{};
    TTBCustomItem *PendingClickItem = nullptr;
    HWND CaptureWnd{};
    int CaptureCount = 0;
    POINT LastMousePos{TBNoPosition, 0};
};

thread_local ThreadState State;

// Pairs a batch of changes for the views, also when the batch raises.
class ViewUpdate
{
public:
    explicit ViewUpdate(TTBCustomItem *Item) : FItem(Item) { FItem->ViewBeginUpdate(); }
    ~ViewUpdate() { FItem->ViewEndUpdate(); }
    ViewUpdate(const ViewUpdate &) = delete;
    ViewUpdate &operator=(const ViewUpdate &) = delete;

private:
    TTBCustomItem *FItem;
};

void ClickWndProc(TMessage &Message)
{
    if (Message.Msg != WM_TB2K_CLICKITEM) {
        Message.Result =
            DefWindowProcW(State.ClickWindow, Message.Msg, Message.WParam, Message.LParam);
        return;
    }
    TTBCustomItem *Item = std::exchange(State.PendingClickItem, nullptr);
    if (Item) Item->Click();
}

// A guard against link cycles and against handlers that keep rebuilding the tree.
constexpr int MaxShortCutDepth = 25;

} // namespace

TTBCustomItem::TTBCustomItem(TComponent *AOwner) : TComponent(AOwner)
{
    ++State.ItemCount;
}

TTBCustomItem::~TTBCustomItem()
{
    if (State.PendingClickItem == this) State.PendingClickItem = nullptr;
    while (!FItems.empty())
        delete FItems.back();
    if (FParent) FParent->Remove(this);
    SetLinkSubitems(nullptr);
    for (TTBCustomItem *LinkParent : std::vector(FLinkParents))
        LinkParent->SetLinkSubitems(nullptr);
    FActionLink.reset();
    FImagesLink.reset();
    FSubMenuImagesLink.reset();
    if (--State.ItemCount == 0 && State.ClickWindow)
        DeallocateHWnd(std::exchange(State.ClickWindow, HWND{}));
}

void TTBCustomItem::CheckIndex(int Index) const
{
    if (Index < 0 || Index >= Count()) throw ETBItemError(STBToolbarIndexOutOfBounds);
}

TTBCustomItem *TTBCustomItem::GetItem(int Index) const
{
    CheckIndex(Index);
    return FItems[static_cast<std::size_t>(Index)];
}

void TTBCustomItem::Insert(int Index, TTBCustomItem *Item)
{
    if (Item->FParent) throw ETBItemError(STBToolbarItemReinserted);
    if (Index < 0 || Index > Count()) throw ETBItemError(STBToolbarIndexOutOfBounds);
    FItems.insert(FItems.begin() + Index, Item);
    Item->FParent = this;
    ViewUpdate Update(this);
    Notify(this, tbicInserted, Index, Item);
    Item->RefreshOptions();
}

void TTBCustomItem::Delete(int Index)
{
    CheckIndex(Index);
    TTBCustomItem *Item = FItems[static_cast<std::size_t>(Index)];
    Notify(this, tbicDeleting, Index, Item);
    Item->FParent = nullptr;
    FItems.erase(FItems.begin() + IndexOf(Item));
}

void TTBCustomItem::Remove(TTBCustomItem *Item)
{
    const int Index = IndexOf(Item);
    if (Index >= 0) Delete(Index);
}

int TTBCustomItem::IndexOf(TTBCustomItem *Item) const
{
    const auto It = std::find(FItems.begin(), FItems.end(), Item);
    return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

void TTBCustomItem::Clear()
{
    while (!FItems.empty())
        delete FItems.back();
}

void TTBCustomItem::Move(int CurIndex, int NewIndex)
{
    if (CurIndex == NewIndex) return;
    // Both indexes are checked first, so a failure leaves the tree and the views as they were.
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    TTBCustomItem *Item = FItems[static_cast<std::size_t>(CurIndex)];
    ViewUpdate Update(this);
    Delete(CurIndex);
    Insert(NewIndex, Item);
}

bool TTBCustomItem::ContainsItem(TTBCustomItem *Item) const
{
    for (; Item; Item = Item->FParent)
        if (Item == this) return true;
    return false;
}

void TTBCustomItem::RegisterNotification(TTBNotifyKey Key, TTBItemChangedProc Proc)
{
    for (NotifyRecord &Record : FNotifyList)
        if (Record.Key == Key) {
            ++Record.RefCount;
            return;
        }
    FNotifyList.push_back({Key, std::move(Proc), 1});
}

void TTBCustomItem::UnregisterNotification(TTBNotifyKey Key)
{
    for (auto It = FNotifyList.begin(); It != FNotifyList.end(); ++It)
        if (It->Key == Key) {
            if (--It->RefCount == 0) FNotifyList.erase(It);
            return;
        }
}

void TTBCustomItem::Notify(TTBCustomItem *Ancestor, TTBItemChangedAction Action, int Index,
                           TTBCustomItem *Item)
{
    Notify(Ancestor, Action, Index, Item, 0);
}

void TTBCustomItem::Notify(TTBCustomItem *Ancestor, TTBItemChangedAction Action, int Index,
                           TTBCustomItem *Item, int Depth)
{
    // A group shows its own children, and those of the item it links to, inline in its
    // parent's view: that view hears of their changes through it. What a group hears of
    // a group inside it goes on up the same way, or the outer view would keep viewers of
    // freed items and miss new ones.
    auto Relay = [&](TTBCustomItem *Group, TTBCustomItem *Shown) {
        if (Group->FItemStyle.Contains(tbisEmbeddedGroup) && Group->FParent &&
            Depth < TBMaxGroupDepth)
            Group->FParent->Notify(Shown, Action, Index, Item, Depth + 1);
    };
    const bool Own = Ancestor == this;
    Relay(this, Ancestor);
    for (TTBCustomItem *LinkParent : std::vector(FLinkParents))
        if (LinkParent != FParent) Relay(LinkParent, Own ? LinkParent : Ancestor);
    const bool Relayed = !Own;
    // The list is read afresh at every step: a handler may unregister itself or others.
    for (std::size_t Position = 0; Position < FNotifyList.size();) {
        const TTBNotifyKey Key = FNotifyList[Position].Key;
        const TTBItemChangedProc Proc = FNotifyList[Position].Proc;
        Proc(Ancestor, Relayed, Action, Index, Item);
        if (Position < FNotifyList.size() && FNotifyList[Position].Key == Key) ++Position;
    }
}

void TTBCustomItem::Change(bool NeedResize)
{
    if (FParent)
        FParent->Notify(FParent, NeedResize ? tbicInvalidateAndResize : tbicInvalidate, 0, this);
}

void TTBCustomItem::RecreateItemViewers()
{
    if (FParent) FParent->Notify(FParent, tbicRecreateItemViewers, 0, this);
}

void TTBCustomItem::SetCaption(const AnsiString &Value)
{
    if (Value == FCaption) return;
    FCaption = Value;
    Change(true);
}

void TTBCustomItem::SetChecked(bool Value)
{
    if (Value == FChecked) return;
    FChecked = Value;
    Change(false);
    if (Value) TurnSiblingsOff();
}

void TTBCustomItem::TurnSiblingsOff()
{
    if (FGroupIndex == 0 || !FParent) return;
    for (TTBCustomItem *Sibling : FParent->FItems)
        if (Sibling != this && Sibling->FGroupIndex == FGroupIndex) Sibling->SetChecked(false);
}

void TTBCustomItem::SetDisplayMode(TTBItemDisplayMode Value)
{
    if (Value == FDisplayMode) return;
    FDisplayMode = Value;
    Change(true);
}

void TTBCustomItem::SetEnabled(bool Value)
{
    if (Value == FEnabled) return;
    FEnabled = Value;
    EnabledChanged();
}

void TTBCustomItem::SetGroupIndex(int Value)
{
    if (Value == FGroupIndex) return;
    FGroupIndex = Value;
    if (FChecked) TurnSiblingsOff();
}

void TTBCustomItem::SetImageIndex(TImageIndex Value)
{
    if (Value == FImageIndex) return;
    const bool NeedResize = (FImageIndex == -1) != (Value == -1);
    FImageIndex = Value;
    Change(NeedResize);
}

void TTBCustomItem::SetVisible(bool Value)
{
    if (Value == FVisible) return;
    FVisible = Value;
    Change(true);
}

void TTBCustomItem::SetName(const AnsiString &NewName)
{
    inherited::SetName(NewName);
    if (FParent) FParent->Notify(FParent, tbicNameChanged, 0, this);
}

bool TTBCustomItem::ExchangeImages(TCustomImageList *&Field, TCustomImageList *Value,
                                   std::unique_ptr<TTBImageChangeLink> &Link, bool SubMenu)
{
    const SIZE Old = Field ? SIZE{Field->Width(), Field->Height()} : SIZE{-1, -1};
    if (Field) Field->UnRegisterChanges(Link.get());
    Field = Value;
    if (!Value) {
        const bool Had = Link != nullptr;
        Link.reset();
        return Had;
    }
    if (!Link) {
        Link = std::make_unique<TTBImageChangeLink>();
        Link->OnChange = [this, SubMenu](TObject *) { ImageListChangeHandler(SubMenu); };
    }
    Link->SetLastSize(Value->Width(), Value->Height());
    Value->RegisterChanges(Link.get());
    Value->FreeNotification(this);
    return Value->Width() != Old.cx || Value->Height() != Old.cy;
}

void TTBCustomItem::ImageListChangeHandler(bool SubMenu)
{
    TCustomImageList *List = SubMenu ? FSubMenuImages : FImages;
    TTBImageChangeLink *Link = SubMenu ? FSubMenuImagesLink.get() : FImagesLink.get();
    const bool Resized = List->Width() != Link->LastWidth() || List->Height() != Link->LastHeight();
    Link->SetLastSize(List->Width(), List->Height());
    if (SubMenu)
        SubMenuImagesChanged();
    else
        Change(Resized);
}

void TTBCustomItem::SetImages(TCustomImageList *Value)
{
    if (Value == FImages) return;
    Change(ExchangeImages(FImages, Value, FImagesLink, false));
}

void TTBCustomItem::SetSubMenuImages(TCustomImageList *Value)
{
    if (Value == FSubMenuImages) return;
    ExchangeImages(FSubMenuImages, Value, FSubMenuImagesLink, true);
    SubMenuImagesChanged();
}

void TTBCustomItem::SetOptions(TTBItemOptions Value)
{
    if (!Value.Contains(tboToolbarStyle)) Value >> tboToolbarSize;
    FOptions = Value;
    RefreshOptions();
}

void TTBCustomItem::SetMaskOptions(TTBItemOptions Value)
{
    FMaskOptions = Value;
    RefreshOptions();
}

void TTBCustomItem::SetInheritOptions(bool Value)
{
    FInheritOptions = Value;
    RefreshOptions();
}

void TTBCustomItem::RefreshOptions()
{
    TTBItemOptions Inherited;
    if (FInheritOptions && FParent)
        Inherited = FParent->FEffectiveOptions - TTBItemOptions{tboDefault};
    TTBItemOptions New = (Inherited - FMaskOptions) + FOptions;
    if (!New.Contains(tboToolbarStyle)) New >> tboToolbarSize;
    if (New == FEffectiveOptions) return;
    const TTBItemOptions Quiet{tboLongHintInMenuOnly, tboShowHint};
    const bool Resize = !((New - Quiet) == (FEffectiveOptions - Quiet));
    FEffectiveOptions = New;
    if (Resize) Change(true);
    for (TTBCustomItem *Child : FItems)
        if (Child->FInheritOptions) Child->RefreshOptions();
}

void TTBCustomItem::SetLinkSubitems(TTBCustomItem *Value)
{
    if (Value == this) Value = nullptr;
    if (Value == FLinkSubitems) return;
    if (FLinkSubitems) RemoveFromList(FLinkSubitems->FLinkParents, this);
    FLinkSubitems = Value;
    if (Value) {
        AddToList(Value->FLinkParents, this);
        Value->FreeNotification(this);
    }
    Notify(this, tbicSubitemsChanged, 0, nullptr);
}

void TTBCustomItem::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    std::erase(FLinkParents, AComponent);
    // A list being freed is only forgotten: it is past answering calls.
    if (AComponent == FImages) {
        FImages = nullptr;
        FImagesLink.reset();
        Change(true);
    }
    if (AComponent == FSubMenuImages) {
        FSubMenuImages = nullptr;
        FSubMenuImagesLink.reset();
        SubMenuImagesChanged();
    }
    if (AComponent == FLinkSubitems) SetLinkSubitems(nullptr);
    // A freed action has already let go of the link.
    if (FActionLink && (AComponent == FActionLink->Action() || !FActionLink->Action()))
        SetAction(nullptr);
}

void TTBCustomItem::Click()
{
    ProcessPaintMessages();
    if (FAutoCheck && (!FActionLink || !FActionLink->IsAutoCheckLinked())) SetChecked(!FChecked);
    TBasicAction *Linked = Action();
    if (OnClick && Linked && !vcl::SameEvent(OnClick, Linked->OnExecute()))
        OnClick(this);
    else if (!ComponentState().Contains(csDesigning) && FActionLink)
        FActionLink->Execute(this);
    else if (OnClick)
        OnClick(this);
}

void TTBCustomItem::InitiateAction()
{
    if (FActionLink) FActionLink->Update();
}

void TTBCustomItem::DoPopup(TTBCustomItem *Sender, bool FromLink)
{
    if (OnPopup) OnPopup(Sender, FromLink);
    if (!FItemStyle.Contains(tbisCombo)) Click();
}

TTBItemViewerClass TTBCustomItem::GetItemViewerClass(TTBView *)
{
    return MakeViewer<TTBItemViewer>;
}

void TTBCustomItem::Popup(int X, int Y, bool TrackRightButton, TTBPopupAlignment Alignment)
{
    OpenPopup(false, TrackRightButton, TPoint(X, Y), Alignment);
}

void TTBCustomItem::OpenPopup(bool SelectFirstItem, bool TrackRightButton, TPoint PopupPoint,
                              TTBPopupAlignment Alignment)
{
    TTBDoneActionData DoneActionRecord;
    {
        std::unique_ptr<TTBPopupWindow> Window(
            CreatePopup(nullptr, nullptr, false, SelectFirstItem, false, PopupPoint, Alignment));
        Window->View()->AddState(vsIgnoreFirstMouseUp);
        PopupModalLoop(Window->View(), false, false, DoneActionRecord, TrackRightButton,
                       SelectFirstItem);
    }
    ExecuteDoneAction(DoneActionRecord);
}

AnsiString TTBCustomItem::GetShortCutText() const
{
    const int Tab = FCaption.Pos("\t");
    if (Tab > 0) return FCaption.SubString(Tab + 1, FCaption.Length() - Tab);
    if (FShortCut) return ShortCutToText(FShortCut);
    return "";
}

AnsiString TTBCustomItem::GetHintText() const
{
    AnsiString Result = ::GetShortHint(FHint);
    if (Result.IsEmpty()) return Result;
    auto *Linked = dynamic_cast<TCustomAction *>(Action());
    if (Linked && Linked->DoHint(Result) && Application->HintShortCuts() && Linked->ShortCut())
        Result = Format("%s (%s)", {Result, ShortCutToText(Linked->ShortCut())});
    return Result;
}

AnsiString TTBCustomItem::GetLongHint() const
{
    return ::GetLongHint(FHint);
}

namespace
{

TTBCustomItem *FindShortCut(TTBCustomItem *Item, TShortCut ShortCut, TTBCustomItem *&Topmost,
                            int Depth)
{
    TTBCustomItem *Source = Item->LinkSubitems() ? Item->LinkSubitems() : Item;
    if (Item->LinkSubitems() && ++Depth > MaxShortCutDepth) return nullptr;
    for (int I = 0; I < Source->Count(); ++I) {
        TTBCustomItem *Child = Source->Items(I);
        if (Child->ShortCut() == ShortCut) {
            Topmost = nullptr;
            return Child;
        }
        TTBCustomItem *Dummy = nullptr;
        if (TTBCustomItem *Found = FindShortCut(Child, ShortCut, Dummy, Depth)) {
            Topmost = Child;
            return Found;
        }
    }
    return nullptr;
}

} // namespace

TTBCustomItem *TTBCustomItem::FindItemWithShortCut(TShortCut AShortCut,
                                                   TTBCustomItem *&TopmostParent)
{
    TopmostParent = nullptr;
    if (AShortCut == 0) return nullptr;
    return FindShortCut(this, AShortCut, TopmostParent, 0);
}

bool TTBCustomItem::IsShortCut(WORD Key, TShiftState Shift)
{
    const TShortCut Wanted = ::ShortCut(Key, Shift);
    // Restarts are bounded: popup handlers that keep moving the item cannot loop for ever.
    for (int Restart = 0; Restart < MaxShortCutDepth; ++Restart) {
        TTBCustomItem *Topmost = nullptr;
        if (!FindItemWithShortCut(Wanted, Topmost)) return false;
        TTBCustomItem *Current = this;
        bool StartOver = false;
        while (!StartOver) {
            if (!Current->FEnabled) return false;
            TTBCustomItem *Linked = Current->FLinkSubitems ? Current->FLinkSubitems : Current;
            if (!ComponentState().Contains(csDesigning))
                for (int I = 0; I < Linked->Count(); ++I)
                    Linked->Items(I)->InitiateAction();
            // The receiver hears of it too: a menu's OnPopup sets its items up before a
            // shortcut runs one, as it does before the menu opens.
            if (!Current->FItemStyle.Contains(tbisEmbeddedGroup)) {
                if (Linked != Current) Linked->DoPopup(Current, true);
                Current->DoPopup(Current, false);
            }
            TTBCustomItem *Enclosing = nullptr;
            TTBCustomItem *Target = Current->FindItemWithShortCut(Wanted, Enclosing);
            if (!Target) {
                StartOver = true;
            } else if (!Enclosing) {
                if (!Target->FEnabled) return false;
                Target->Click();
                return true;
            } else {
                Current = Enclosing;
            }
        }
    }
    return false;
}

// ---- actions -------------------------------------------------------------------------------

TBasicAction *TTBCustomItem::Action() const
{
    return FActionLink ? FActionLink->Action() : nullptr;
}

void TTBCustomItem::SetAction(TBasicAction *Value)
{
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink) FActionLink = GetActionLinkClass()(this);
    FActionLink->SetAction(Value);
    FActionLink->OnChange = [this](TObject *Sender) { DoActionChange(Sender); };
    ActionChange(Value, Value->ComponentState().Contains(csLoading));
    Value->FreeNotification(this);
}

TTBCustomItemActionLinkClass TTBCustomItem::GetActionLinkClass()
{
    return [](TTBCustomItem *Client) -> std::unique_ptr<TTBCustomItemActionLink> {
        return std::make_unique<TTBCustomItemActionLink>(Client);
    };
}

void TTBCustomItem::DoActionChange(TObject *Sender)
{
    if (Sender == Action()) ActionChange(Sender, false);
}

void TTBCustomItem::ActionChange(TObject *Sender, bool CheckDefaults)
{
    auto *From = dynamic_cast<TCustomAction *>(Sender);
    if (!From) return;
    if (!CheckDefaults || !FAutoCheck) SetAutoCheck(From->AutoCheck());
    if (!CheckDefaults || FCaption.IsEmpty()) SetCaption(From->Caption());
    if (!CheckDefaults || !FChecked) SetChecked(From->Checked());
    if (!CheckDefaults || FEnabled) SetEnabled(From->Enabled());
    if (!CheckDefaults || FHelpContext == 0) SetHelpContext(From->HelpContext());
    if (!CheckDefaults || FHint.IsEmpty()) SetHint(From->Hint());
    if (!CheckDefaults || FImageIndex == -1) SetImageIndex(From->ImageIndex());
    if (!CheckDefaults || FShortCut == 0) SetShortCut(From->ShortCut());
    if (!CheckDefaults || FVisible) SetVisible(From->Visible());
    if (!CheckDefaults || !OnClick) OnClick = From->OnExecute();
}

void TTBCustomItem::Loaded()
{
    inherited::Loaded();
    if (TBasicAction *Linked = Action()) ActionChange(Linked, true);
}

bool TTBCustomItem::IsAutoCheckStored() const
{
    return !FActionLink || !FActionLink->IsAutoCheckLinked();
}

bool TTBCustomItem::IsCaptionStored() const
{
    return !FActionLink || !FActionLink->IsCaptionLinked();
}

bool TTBCustomItem::IsCheckedStored() const
{
    return !FActionLink || !FActionLink->IsCheckedLinked();
}

bool TTBCustomItem::IsEnabledStored() const
{
    return !FActionLink || !FActionLink->IsEnabledLinked();
}

bool TTBCustomItem::IsHelpContextStored() const
{
    return !FActionLink || !FActionLink->IsHelpContextLinked();
}

bool TTBCustomItem::IsHintStored() const
{
    return !FActionLink || !FActionLink->IsHintLinked();
}

bool TTBCustomItem::IsImageIndexStored() const
{
    return !FActionLink || !FActionLink->IsImageIndexLinked();
}

bool TTBCustomItem::IsShortCutStored() const
{
    return !FActionLink || !FActionLink->IsShortCutLinked();
}

bool TTBCustomItem::IsVisibleStored() const
{
    return !FActionLink || !FActionLink->IsVisibleLinked();
}

bool TTBCustomItem::IsOnClickStored() const
{
    return !FActionLink || !FActionLink->IsOnExecuteLinked();
}

template <class ItemGet, class ActionGet>
bool TTBCustomItemActionLink::Same(ItemGet OfItem, ActionGet OfAction) const
{
    const TCustomAction *Linked = CustomAction();
    return Linked && (FClient->*OfItem)() == (Linked->*OfAction)();
}

bool TTBCustomItemActionLink::IsAutoCheckLinked() const
{
    return Same(&TTBCustomItem::AutoCheck, &TCustomAction::AutoCheck);
}

bool TTBCustomItemActionLink::IsCaptionLinked() const
{
    return Same(&TTBCustomItem::Caption, &TCustomAction::Caption);
}

bool TTBCustomItemActionLink::IsCheckedLinked() const
{
    return Same(&TTBCustomItem::Checked, &TCustomAction::Checked);
}

bool TTBCustomItemActionLink::IsEnabledLinked() const
{
    return Same(&TTBCustomItem::Enabled, &TCustomAction::Enabled);
}

bool TTBCustomItemActionLink::IsHelpContextLinked() const
{
    return Same(&TTBCustomItem::HelpContext, &TCustomAction::HelpContext);
}

bool TTBCustomItemActionLink::IsHintLinked() const
{
    return Same(&TTBCustomItem::Hint, &TCustomAction::Hint);
}

bool TTBCustomItemActionLink::IsImageIndexLinked() const
{
    return Same(&TTBCustomItem::ImageIndex, &TCustomAction::ImageIndex);
}

bool TTBCustomItemActionLink::IsShortCutLinked() const
{
    return Same(&TTBCustomItem::ShortCut, &TCustomAction::ShortCut);
}

bool TTBCustomItemActionLink::IsVisibleLinked() const
{
    return Same(&TTBCustomItem::Visible, &TCustomAction::Visible);
}

bool TTBCustomItemActionLink::IsOnExecuteLinked() const
{
    return Action() && vcl::SameEvent(FClient->OnClick, Action()->OnExecute());
}

void TTBCustomItemActionLink::SetAutoCheck(bool Value)
{
    if (IsAutoCheckLinked()) FClient->SetAutoCheck(Value);
}

void TTBCustomItemActionLink::SetCaption(const AnsiString &Value)
{
    if (IsCaptionLinked()) FClient->SetCaption(Value);
}

void TTBCustomItemActionLink::SetChecked(bool Value)
{
    if (IsCheckedLinked()) FClient->SetChecked(Value);
}

void TTBCustomItemActionLink::SetEnabled(bool Value)
{
    if (IsEnabledLinked()) FClient->SetEnabled(Value);
}

void TTBCustomItemActionLink::SetHelpContext(int Value)
{
    if (IsHelpContextLinked()) FClient->SetHelpContext(Value);
}

void TTBCustomItemActionLink::SetHint(const AnsiString &Value)
{
    if (IsHintLinked()) FClient->SetHint(Value);
}

void TTBCustomItemActionLink::SetImageIndex(int Value)
{
    if (IsImageIndexLinked()) FClient->SetImageIndex(Value);
}

void TTBCustomItemActionLink::SetShortCut(TShortCut Value)
{
    if (IsShortCutLinked()) FClient->SetShortCut(Value);
}

void TTBCustomItemActionLink::SetVisible(bool Value)
{
    if (IsVisibleLinked()) FClient->SetVisible(Value);
}

void TTBCustomItemActionLink::SetOnExecute(const TNotifyEvent &Value)
{
    if (IsOnExecuteLinked()) FClient->OnClick = Value;
}

TTBSubmenuItem::TTBSubmenuItem(TComponent *AOwner) : TTBCustomItem(AOwner)
{
    FItemStyle << tbisSubmenu << tbisSubitemsEditable;
}

void TTBSubmenuItem::SetDropdownCombo(bool Value)
{
    if (Value == DropdownCombo()) return;
    if (Value)
        FItemStyle << tbisCombo;
    else
        FItemStyle >> tbisCombo;
    Change(true);
}

TTBSeparatorItem::TTBSeparatorItem(TComponent *AOwner) : TTBCustomItem(AOwner)
{
    FItemStyle = FItemStyle -
                 TTBItemStyle{tbisSelectable, tbisRedrawOnSelChange, tbisRedrawOnMouseOverChange};
    FItemStyle << tbisSeparator << tbisClicksTransparent;
}

void TTBSeparatorItem::SetBlank(bool Value)
{
    if (Value == FBlank) return;
    FBlank = Value;
    Change(false);
}

TTBItemViewerClass TTBSeparatorItem::GetItemViewerClass(TTBView *)
{
    return MakeViewer<TTBSeparatorItemViewer>;
}

// ---- streaming -------------------------------------------------------------------------------

void TTBCustomItem::GetChildren(TGetChildProc Proc, TComponent *)
{
    for (TTBCustomItem *Child : std::vector(FItems))
        Proc(Child);
}

void TTBCustomItem::SetChildOrder(TComponent *Child, int Order)
{
    if (const int Index = IndexOf(dynamic_cast<TTBCustomItem *>(Child)); Index >= 0)
        Move(Index, Order);
}

TComponent *TTBCustomItem::GetParentComponent()
{
    if (!FParent) return nullptr;
    return FParent->FParentComponent ? FParent->FParentComponent : FParent;
}

void TTBCustomItem::SetParentComponent(TComponent *Value)
{
    if (FParent) FParent->Remove(this);
    if (auto *Item = dynamic_cast<TTBCustomItem *>(Value))
        Item->Add(this);
    else if (auto *Holder = dynamic_cast<ITBItems *>(Value))
        Holder->GetItems()->Add(this);
}

// ---- published properties ------------------------------------------------------------------

namespace
{

template <class T> void PublishCommon(rtl::Publisher<T> &P)
{
    P.Property("Hint", &T::Hint, &T::SetHint).Stored(&T::IsHintStored);
    P.Property("Visible", &T::Visible, &T::SetVisible).Default(true).Stored(&T::IsVisibleStored);
}

template <class T> void PublishItem(rtl::Publisher<T> &P)
{
    P.Property("Action", &T::Action, &T::SetAction);
    P.Property("AutoCheck", &T::AutoCheck, &T::SetAutoCheck)
        .Default(false)
        .Stored(&T::IsAutoCheckStored);
    P.Property("Caption", &T::Caption, &T::SetCaption).Stored(&T::IsCaptionStored);
    P.Property("Checked", &T::Checked, &T::SetChecked).Default(false).Stored(&T::IsCheckedStored);
    P.Property("DisplayMode", &T::DisplayMode, &T::SetDisplayMode).Default(nbdmDefault);
    P.Property("Enabled", &T::Enabled, &T::SetEnabled).Default(true).Stored(&T::IsEnabledStored);
    P.Property("GroupIndex", &T::GroupIndex, &T::SetGroupIndex).Default(0);
    P.Property("HelpContext", &T::HelpContext, &T::SetHelpContext)
        .Default(0)
        .Stored(&T::IsHelpContextStored);
    P.Property("ImageIndex", &T::ImageIndex, &T::SetImageIndex)
        .Default(-1)
        .Stored(&T::IsImageIndexStored);
    P.Property("Images", &T::Images, &T::SetImages);
    P.Property("InheritOptions", &T::InheritOptions, &T::SetInheritOptions).Default(true);
    P.Property("MaskOptions", &T::MaskOptions, &T::SetMaskOptions);
    P.Property("Options", &T::Options, &T::SetOptions);
    P.Property("ShortCut", &T::ShortCut, &T::SetShortCut)
        .Default(TShortCut{0})
        .Stored(&T::IsShortCutStored);
    PublishCommon(P);
    P.Event("OnClick", &T::OnClick).Stored(&T::IsOnClickStored);
    P.Event("OnSelect", &T::OnSelect);
}

} // namespace

void TTBItem::Publish(rtl::Publisher<TTBItem> &P)
{
    PublishItem(P);
}
QRV4_PUBLISHED(TTBItem)

void TTBGroupItem::Publish(rtl::Publisher<TTBGroupItem> &P)
{
    P.Property("InheritOptions", &TTBGroupItem::InheritOptions, &TTBGroupItem::SetInheritOptions)
        .Default(true);
    P.Property("LinkSubitems", &TTBGroupItem::LinkSubitems, &TTBGroupItem::SetLinkSubitems);
    P.Property("MaskOptions", &TTBGroupItem::MaskOptions, &TTBGroupItem::SetMaskOptions);
    P.Property("Options", &TTBGroupItem::Options, &TTBGroupItem::SetOptions);
}
QRV4_PUBLISHED(TTBGroupItem)

void TTBSubmenuItem::Publish(rtl::Publisher<TTBSubmenuItem> &P)
{
    PublishItem(P);
    P.Property("DropdownCombo", &TTBSubmenuItem::DropdownCombo, &TTBSubmenuItem::SetDropdownCombo)
        .Default(false);
    P.Property("LinkSubitems", &TTBSubmenuItem::LinkSubitems, &TTBSubmenuItem::SetLinkSubitems);
    P.Property("SubMenuImages", &TTBSubmenuItem::SubMenuImages, &TTBSubmenuItem::SetSubMenuImages);
    P.Event("OnPopup", &TTBSubmenuItem::OnPopup);
}
QRV4_PUBLISHED(TTBSubmenuItem)

void TTBSeparatorItem::Publish(rtl::Publisher<TTBSeparatorItem> &P)
{
    P.Property("Blank", &TTBSeparatorItem::Blank, &TTBSeparatorItem::SetBlank).Default(false);
    PublishCommon(P);
}
QRV4_PUBLISHED(TTBSeparatorItem)

void TTBControlItem::Publish(rtl::Publisher<TTBControlItem> &P)
{
    P.Property("Control", &TTBControlItem::Control, &TTBControlItem::SetControl);
}
QRV4_PUBLISHED(TTBControlItem)

void TTBItemContainer::Publish(rtl::Publisher<TTBItemContainer> &P)
{
    P.Property("Images", &TTBItemContainer::Images, &TTBItemContainer::SetImages);
    P.Property("Items", &TTBItemContainer::Items);
}
QRV4_PUBLISHED(TTBItemContainer)

void TBRegisterItemClasses()
{
    RegisterClasses({TTBItem::StaticClass(), TTBGroupItem::StaticClass(),
                     TTBSubmenuItem::StaticClass(), TTBSeparatorItem::StaticClass()});
    TBRegisterControlItem();
}

void TBRegisterControlItem()
{
    RegisterClass(TTBControlItem::StaticClass());
}

// ---- groups and containers -------------------------------------------------------------------

TTBGroupItem::TTBGroupItem(TComponent *AOwner) : TTBCustomItem(AOwner)
{
    FItemStyle << tbisEmbeddedGroup << tbisSubitemsEditable;
}

TTBItemContainer::TTBItemContainer(TComponent *AOwner)
    : TComponent(AOwner), FItems(std::make_unique<TTBRootItem>(nullptr))
{
    TBRegisterItemClasses();
    FItems->SetParentComponentLink(this);
}

TTBItemContainer::~TTBItemContainer() = default;

void TTBItemContainer::GetChildren(TGetChildProc Proc, TComponent *Root)
{
    FItems->GetChildren(Proc, Root);
}

void TTBItemContainer::SetChildOrder(TComponent *Child, int Order)
{
    FItems->SetChildOrder(Child, Order);
}

// ---- control items ------------------------------------------------------------------------

TTBControlItem::TTBControlItem(TComponent *AOwner) : TTBCustomItem(AOwner)
{
    FItemStyle >> tbisSelectable;
    FItemStyle << tbisClicksTransparent;
}

TTBControlItem::TTBControlItem(TComponent *AOwner, TControl *AControl) : TTBControlItem(AOwner)
{
    SetControl(AControl);
}

TTBControlItem::~TTBControlItem()
{
    TControl *Control = FControl;
    Watch(nullptr);
    if (Control) Control->RemoveFreeNotification(this);
    if (!FDontFreeControl) delete Control;
}

void TTBControlItem::SetControl(TControl *Value)
{
    if (Value == FControl) return;
    if (FControl) FControl->RemoveFreeNotification(this);
    Watch(Value);
    if (Value) Value->FreeNotification(this);
    Change(true);
}

// The control tells nobody when it is shown, hidden or resized: its messages are
// looked at on their way through, and any change lays the bar out again.
void TTBControlItem::Watch(TControl *Value)
{
    if (FControl) FControl->WindowProc = std::move(FControlWindowProc);
    FControl = Value;
    FControlWindowProc = nullptr;
    if (!Value) return;
    FControlWindowProc = Value->WindowProc;
    Value->WindowProc = [this](TMessage &Message) { ControlMessage(Message); };
    FShownSeen = Value->Visible();
    FSizeSeen = TPoint(Value->Width(), Value->Height());
}

void TTBControlItem::ControlMessage(TMessage &Message)
{
    TControl *Control = FControl;
    FControlWindowProc(Message);
    // The control may have been freed or let go while handling its message.
    if (Control != FControl) return;
    const TPoint Size(Control->Width(), Control->Height());
    if (Control->Visible() == FShownSeen && Size == FSizeSeen) return;
    FShownSeen = Control->Visible();
    FSizeSeen = Size;
    Change(true);
}

void TTBControlItem::Notification(TComponent *AComponent, TOperation Operation)
{
    TTBCustomItem::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FControl) {
        // The control is past its own destruction: it is only forgotten.
        FControl = nullptr;
        FControlWindowProc = nullptr;
        Change(true);
    }
}

// ---- done actions, capture, font ------------------------------------------------------

namespace
{

// A form with the help button in its title wants the help beside the menu.
void ShowHelpContext(int Context)
{
    const TCustomForm *Form = Screen->ActiveForm();
    if (Form && Form->BorderIcons().Contains(biHelp))
        Application->HelpCommand(HELP_CONTEXTPOPUP, Context);
    else
        Application->HelpContext(Context);
}

} // namespace

void ExecuteDoneAction(const TTBDoneActionData &Data)
{
    switch (Data.DoneAction) {
    case tbdaClickItem:
        if (Data.Sound) PlaySystemSound("MenuCommand");
        State.PendingClickItem = Data.ClickItem;
        if (!State.ClickWindow) State.ClickWindow = AllocateHWnd(ClickWndProc);
        PostMessageW(State.ClickWindow, WM_TB2K_CLICKITEM, 0, 0);
        break;
    case tbdaOpenSystemMenu:
        SendMessageW(Data.Wnd, WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(Data.Key));
        break;
    case tbdaHelpContext:
        ShowHelpContext(Data.ContextID);
        break;
    case tbdaNone:
        break;
    }
}

TTBCustomItem *PendingClickItem()
{
    return State.PendingClickItem;
}

void TBBeginCapture(HWND Wnd)
{
    if (State.CaptureCount++ == 0) {
        State.CaptureWnd = Wnd;
        const DWORD Pos = GetMessagePos();
        State.LastMousePos =
            POINT{static_cast<short>(LOWORD(Pos)), static_cast<short>(HIWORD(Pos))};
        SetCapture(Wnd);
        SetCursor(LoadCursorW({}, IDC_ARROW));
    }
}

void TBEndCapture()
{
    if (State.CaptureCount == 0 || --State.CaptureCount > 0) return;
    if (GetCapture() == State.CaptureWnd) ReleaseCapture();
    State.CaptureWnd = HWND{};
}

HWND TBCaptureWnd()
{
    return State.CaptureWnd;
}

POINT &TBLastMousePos()
{
    return State.LastMousePos;
}
