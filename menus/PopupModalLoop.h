#pragma once
// The modal loop of an open menu: it holds the mouse, reads every message itself,
// drives the chain of open views and ends with the chosen command recorded.

#include "menus/TTBItem.h"

class TTBView;

void PopupModalLoop(TTBView *RootView, bool MouseDown, bool DropDownMenus,
                    TTBDoneActionData &DoneActionData, bool TrackRightButton, bool SelectFirstItem);
