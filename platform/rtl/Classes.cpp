#include "platform/rtl/Classes.h"

#include "platform/rtl/RTLConsts.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// Class references

bool TMetaClass::InheritsFrom(const TMetaClass *Ancestor) const
{
    for (const TMetaClass *c = this; c; c = c->FParent)
        if (c == Ancestor) return true;
    return false;
}

namespace
{
[[noreturn]] void RaiseDuplicateName(const AnsiString &Name)
{
    throw EComponentError(SDuplicateName, {Name});
}

[[noreturn]] void RaiseNoConstructor(const char *Class, const char *Form)
{
    throw EInvalidOperation(SNoConstructor, {Class, Form});
}
} // namespace

TObject *TMetaClass::Create() const
{
    if (!FNewObject) RaiseNoConstructor(FName, "without arguments");
    return FNewObject();
}

TComponent *TMetaClass::Create(TComponent *Owner) const
{
    if (!FNewComponent) RaiseNoConstructor(FName, "with an owner");
    return FNewComponent(Owner);
}

TCollectionItem *TMetaClass::Create(TCollection *Collection) const
{
    if (!FNewItem) RaiseNoConstructor(FName, "in a collection");
    return FNewItem(Collection);
}

TClass TObject::StaticClass()
{
    static const TMetaClass Meta = rtl::MakeMetaClass<TObject>("TObject", nullptr);
    return &Meta;
}

bool IsValidIdent(const AnsiString &Ident)
{
    auto alpha = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    };
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (Ident.IsEmpty() || !alpha(Ident[1])) return false;
    for (int i = 2; i <= Ident.Length(); ++i)
        if (!alpha(Ident[i]) && !digit(Ident[i])) return false;
    return true;
}

// ---------------------------------------------------------------------------
// TPersistent

void TPersistent::Assign(TPersistent *Source)
{
    if (Source) {
        Source->AssignTo(this);
        return;
    }
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent *Dest)
{
    Dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent *Source)
{
    AnsiString sourceName = Source ? Source->ClassName() : AnsiString("nil");
    throw EConvertError(SAssignError, {sourceName, ClassName()});
}

void TPersistent::DefineProperties(TFiler *) {}

AnsiString TPersistent::GetNamePath()
{
    return ClassName();
}

// ---------------------------------------------------------------------------
// TComponent

TComponent::TComponent(TComponent *AOwner)
{
    if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    NotifyFreeNotifies();
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

TComponent *TComponent::Components(int Index) const
{
    if (Index < 0 || Index >= ComponentCount()) TList::Error(SListIndexError, Index);
    return FComponents[Index];
}

int TComponent::ComponentIndex() const
{
    if (!FOwner) return -1;
    auto &list = FOwner->FComponents;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetName(const AnsiString &NewName)
{
    if (FName == NewName) return;
    if (!NewName.IsEmpty() && !IsValidIdent(NewName))
        throw EComponentError(SInvalidName, {NewName});
    if (FOwner)
        FOwner->ValidateRename(this, FName, NewName);
    else
        ValidateRename(nullptr, FName, NewName);
    if (FOwner) FOwner->UnindexName(this);
    FName = NewName;
    if (FOwner) FOwner->IndexName(this);
}

void TComponent::ValidateRename(TComponent *AComponent, const AnsiString &CurName,
                                const AnsiString &NewName)
{
    if (AComponent && !SameText(CurName, NewName) && AComponent->FOwner == this &&
        FindComponent(NewName))
        RaiseDuplicateName(NewName);
}

TComponent *TComponent::FindComponent(const AnsiString &AName) const
{
    if (AName.IsEmpty()) return nullptr;
    const auto Found = FNameIndex.find(UpperCase(AName).ToStd());
    return Found == FNameIndex.end() ? nullptr : Found->second;
}

void TComponent::InsertComponent(TComponent *AComponent)
{
    // Checked before the move, so a refused component stays where it was, and
    // an owner never holds two components of one name.
    if (!AComponent->FName.IsEmpty() && FindComponent(AComponent->FName))
        RaiseDuplicateName(AComponent->FName);
    if (AComponent->FOwner) AComponent->FOwner->RemoveComponent(AComponent);
    Insert(AComponent);
    if (FComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent *AComponent)
{
    Notification(AComponent, opRemove);
    Remove(AComponent);
}

void TComponent::Insert(TComponent *AComponent)
{
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
    IndexName(AComponent);
}

void TComponent::Remove(TComponent *AComponent)
{
    // Searched from the end: an owner frees its components last first.
    auto it = std::find(FComponents.rbegin(), FComponents.rend(), AComponent);
    if (it != FComponents.rend()) {
        FComponents.erase(std::next(it).base());
        UnindexName(AComponent);
    }
    AComponent->FOwner = nullptr;
}

void TComponent::IndexName(TComponent *AComponent)
{
    if (!AComponent->FName.IsEmpty())
        FNameIndex.emplace(UpperCase(AComponent->FName).View(), AComponent);
}

void TComponent::UnindexName(TComponent *AComponent)
{
    const auto Found = FNameIndex.find(UpperCase(AComponent->FName).ToStd());
    if (Found != FNameIndex.end() && Found->second == AComponent) FNameIndex.erase(Found);
}

void TComponent::DestroyComponents()
{
    while (!FComponents.empty()) {
        TComponent *instance = FComponents.back();
        // Components that others watch go through RemoveComponent so that their
        // siblings hear of it; the rest are simply unlinked first.
        if (instance->FComponentState.Contains(csFreeNotification))
            RemoveComponent(instance);
        else
            Remove(instance);
        delete instance;
    }
}

void TComponent::Destroying()
{
    if (FComponentState.Contains(csDestroying)) return;
    FComponentState << csDestroying;
    for (TComponent *c : FComponents)
        c->Destroying();
}

void TComponent::FreeNotification(TComponent *AComponent)
{
    // Siblings are linked too: an owner that frees its components tells none of them of
    // the others going, so one that asked must hear it directly.
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end()) {
        FFreeNotifies.push_back(AComponent);
        AComponent->FreeNotification(this);
    }
    FComponentState << csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent *AComponent)
{
    RemoveNotification(AComponent);
    AComponent->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent *AComponent)
{
    auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent);
    if (it != FFreeNotifies.end()) FFreeNotifies.erase(it);
}

void TComponent::NotifyFreeNotifies()
{
    // Each referrer is unlinked before it hears, so a handler that frees or
    // unregisters others cannot make this walk skip or repeat one.
    while (!FFreeNotifies.empty()) {
        TComponent *referrer = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        referrer->RemoveNotification(this);
        // A sibling under a living owner hears it from the owner, once.
        if (FOwner && referrer->FOwner == FOwner && !FOwner->FComponentState.Contains(csDestroying))
            continue;
        referrer->Notification(this, opRemove);
    }
}

void TComponent::Notification(TComponent *AComponent, TOperation Operation)
{
    // Only a removal is passed down: no component acts on another's insertion, and
    // telling every component of every one inserted after it costs the square of a
    // template's size. Components freed with their owner need not hear of each other
    // going either: they go too.
    if (Operation != opRemove) return;
    if (AComponent) RemoveFreeNotification(AComponent);
    if (AComponent && AComponent->FOwner == this && FComponentState.Contains(csDestroying)) return;
    // A handler may remove components from the list while it is walked.
    for (int i = ComponentCount() - 1; i >= 0; --i) {
        if (i >= ComponentCount()) {
            i = ComponentCount();
            continue;
        }
        FComponents[i]->Notification(AComponent, Operation);
    }
}

void TComponent::Loaded()
{
    FComponentState >> csLoading;
}

void TComponent::GetChildren(TGetChildProc, TComponent *) {}

void TComponent::SetDesigning(bool Value, bool SetChildren)
{
    SetComponentStateFlag(csDesigning, Value);
    if (SetChildren)
        for (TComponent *c : FComponents)
            c->SetDesigning(Value);
}

void TComponent::SetComponentStateFlag(TComponentStateItem Flag, bool On)
{
    if (On)
        FComponentState << Flag;
    else
        FComponentState >> Flag;
}

// ---------------------------------------------------------------------------
// TCollection

TCollectionItem::TCollectionItem(TCollection *Collection)
{
    SetCollection(Collection);
}

TCollectionItem::~TCollectionItem()
{
    SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection *Value)
{
    if (FCollection == Value) return;
    if (FCollection) FCollection->RemoveItem(this);
    if (Value) Value->InsertItem(this);
}

int TCollectionItem::Index() const
{
    return FCollection ? FCollection->FItems.IndexOf(const_cast<TCollectionItem *>(this)) : -1;
}

void TCollectionItem::SetIndex(int Value)
{
    int current = Index();
    if (current >= 0 && current != Value) {
        FCollection->FItems.Move(current, Value);
        Changed(true);
    }
}

void TCollectionItem::Changed(bool AllItems)
{
    if (FCollection && FCollection->FUpdateCount == 0)
        FCollection->Update(AllItems ? nullptr : this);
}

TPersistent *TCollectionItem::GetOwner()
{
    return FCollection;
}

AnsiString TCollectionItem::GetNamePath()
{
    if (!FCollection) return ClassName();
    return FCollection->GetNamePath() + "[" + AnsiString(Index()) + "]";
}

TCollection::TCollection(TCollectionItemClass ItemClass) : FItemClass(ItemClass) {}

TCollection::~TCollection()
{
    FUpdateCount = 1;
    Clear();
}

TCollectionItem *TCollection::Add()
{
    TCollectionItem *item = FItemClass->Create(this);
    Added(item);
    return item;
}

TCollectionItem *TCollection::Insert(int Index)
{
    TCollectionItem *item = Add();
    item->SetIndex(Index);
    return item;
}

void TCollection::Delete(int Index)
{
    TCollectionItem *item = Items(Index);
    Notify(item, cnDeleting);
    delete item;
}

void TCollection::Clear()
{
    if (FItems.Count() == 0) return;
    rtl::Updating(*this, [&] {
        while (FItems.Count() > 0)
            delete static_cast<TCollectionItem *>(FItems.Last());
    });
}

void TCollection::Assign(TPersistent *Source)
{
    auto *source = dynamic_cast<TCollection *>(Source);
    if (!source) {
        TPersistent::Assign(Source);
        return;
    }
    rtl::Updating(*this, [&] {
        Clear();
        for (int i = 0; i < source->Count(); ++i)
            Add()->Assign(source->Items(i));
    });
}

void TCollection::EndUpdate()
{
    --FUpdateCount;
    Changed();
}

void TCollection::Changed()
{
    if (FUpdateCount == 0) Update(nullptr);
}

TCollectionItem *TCollection::FindItemID(int ID) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->FID == ID) return Items(i);
    return nullptr;
}

AnsiString TCollection::GetNamePath()
{
    TPersistent *owner = GetOwner();
    if (!owner) return ClassName();
    AnsiString path = owner->GetNamePath();
    AnsiString attr = GetAttrName();
    return path.IsEmpty() || attr.IsEmpty() ? ClassName() : path + "." + attr;
}

TCollectionItem *TCollection::Items(int Index) const
{
    return static_cast<TCollectionItem *>(FItems.Items(Index));
}

void TCollection::SetItems(int Index, TCollectionItem *Value)
{
    Items(Index)->Assign(Value);
}

void TCollection::Notify(TCollectionItem *, TCollectionNotification) {}

void TCollection::InsertItem(TCollectionItem *Item)
{
    FItems.Add(Item);
    Item->FCollection = this;
    Item->FID = FNextID++;
    SetItemName(Item);
    Notify(Item, cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem *Item)
{
    Notify(Item, cnExtracting);
    if (FItems.Count() > 0 && FItems.Last() == Item)
        FItems.Delete(FItems.Count() - 1);
    else
        FItems.Remove(Item);
    Item->FCollection = nullptr;
    Changed();
}
