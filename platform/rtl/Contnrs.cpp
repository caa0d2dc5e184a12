#include "platform/rtl/Contnrs.h"

TObjectList::~TObjectList()
{
    // The base destructor can no longer reach Notify, so the objects go here.
    Clear();
}

int TObjectList::FindInstanceOf(TClass AClass, bool AExact, int AStartAt) const
{
    for (int i = AStartAt; i < Count(); ++i) {
        TObject *item = Items(i);
        if (item && (AExact ? item->ClassType() == AClass : item->InheritsFrom(AClass))) return i;
    }
    return -1;
}

void TObjectList::Notify(void *Ptr, TListNotification Action)
{
    if (FOwnsObjects && Action == lnDeleted) delete static_cast<TObject *>(Ptr);
    TList::Notify(Ptr, Action);
}
