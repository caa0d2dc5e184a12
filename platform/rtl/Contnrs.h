#pragma once

// Containers of objects.

#include "platform/rtl/Classes.h"

// A list of objects that frees what it deletes while OwnsObjects is set:
// Delete, Remove, Clear, replacing an item and the list's own end. Extract
// hands an object back without freeing it.
class TObjectList : public TList
{
    QRV4_CLASS(TObjectList, TList)

public:
    TObjectList() = default;
    explicit TObjectList(bool AOwnsObjects) : FOwnsObjects(AOwnsObjects) {}
    ~TObjectList() override;

    int Add(TObject *AObject) { return TList::Add(AObject); }
    void Insert(int Index, TObject *AObject) { TList::Insert(Index, AObject); }
    int Remove(TObject *AObject) { return TList::Remove(AObject); }
    TObject *Extract(TObject *Item) { return static_cast<TObject *>(TList::Extract(Item)); }
    int IndexOf(TObject *AObject) const { return TList::IndexOf(AObject); }
    // The index of the first object of AClass (or, unless AExact, a descendant)
    // from AStartAt on; -1 when there is none.
    int FindInstanceOf(TClass AClass, bool AExact = true, int AStartAt = 0) const;
    TObject *First() const { return Items(0); }
    TObject *Last() const { return Items(Count() - 1); }

    TObject *Items(int Index) const { return static_cast<TObject *>(TList::Items(Index)); }
    void SetItems(int Index, TObject *AObject) { TList::SetItems(Index, AObject); }
    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

protected:
    void Notify(void *Ptr, TListNotification Action) override;

private:
    bool FOwnsObjects = true;
};
