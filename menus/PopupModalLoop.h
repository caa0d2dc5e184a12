#pragma once
// The modal loop of an open menu: it holds the mouse, reads every message itself,
// drives the chain of open views and ends with the chosen command recorded.

#include "menus/TTBItem.h"

class TTBItemViewer;
class TTBView;
struct THintInfo;

void PopupModalLoop(TTBView *RootView, bool MouseDown, bool DropDownMenus,
                    TTBDoneActionData &DoneActionData, bool TrackRightButton, bool SelectFirstItem);

// How a bar or a menu window answers CM_HINTSHOW: the viewer's rectangle keeps the
// hint and its item's hint text is shown. Without a viewer there is no hint, and
// the next move asks again.
void TBViewerHint(const TTBItemViewer *Viewer, THintInfo &Info);
