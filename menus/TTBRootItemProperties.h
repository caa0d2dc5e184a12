#pragma once
// What a toolbar and a popup menu publish as their own and hand on to the root
// item that holds their items.

#include "menus/TTBItem.h"

// Owner has Items(), its root item.
template <class Owner> class TTBRootItemProperties
{
public:
    TCustomImageList *Images() const { return Root()->SubMenuImages(); }
    void SetImages(TCustomImageList *Value) { Root()->SetSubMenuImages(Value); }
    TTBCustomItem *LinkSubitems() const { return Root()->LinkSubitems(); }
    void SetLinkSubitems(TTBCustomItem *Value) { Root()->SetLinkSubitems(Value); }
    TTBItemOptions Options() const { return Root()->Options(); }
    void SetOptions(TTBItemOptions Value) { Root()->SetOptions(Value); }

private:
    TTBRootItem *Root() const { return static_cast<const Owner *>(this)->Items(); }
};
