// The grids' context menus: one skin in the Windows XP look and the pictures of
// the address book's menu.

#include "link/main_form.h"

void TMainForm::DressGridMenus()
{
    // Set in the order the form stream sets them: the skin type comes last and
    // settles the options and the shadow style of its own.
    TBSkinGridMenus = new TTBSkin(this);
    TBSkinGridMenus->SetName("TBSkinGridMenus");
    TBSkinGridMenus->SetColorSet(tbcWindowsXP);
    TBSkinGridMenus->SetDefault(false);
    TBSkinGridMenus->SetOptions({tboPopupOverlap, tboShadow, tboGradSelItem, tboNoHoverIconShadow});
    TBSkinGridMenus->SetShadowStyle(sWindowsXP);
    TBSkinGridMenus->SetSkinType(tbsWindowsXP);
    for (TTBPopupMenu *Menu : {PM_WriterGridMenu, PM_CopyClipboard}) {
        Menu->SetSkin(TBSkinGridMenus);
        Menu->SetImages(PIL_ArchiveGridMenu);
    }
}
