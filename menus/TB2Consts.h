#pragma once
// The menu library's message texts.

constexpr const char *STBToolbarIndexOutOfBounds = "Toolbar item index out of range";
constexpr const char *STBToolbarItemReinserted = "Toolbar item already inserted";
constexpr const char *STBViewerNotFound =
    "An item viewer associated the specified item could not be found";
constexpr const char *STBChevronItemMoreButtonsHint = "More Buttons|";
constexpr const char *STBMRUListItemDefCaption = "(MRU List)";
constexpr const char *STBMDIWindowItemDefCaption = "(Window List)";
constexpr const char *STBDockParentNotAllowed =
    "A TTBDock control cannot be placed inside a tool window or another TTBDock";
constexpr const char *STBDockCannotChangePosition =
    "Cannot change Position of a TTBDock if it already contains controls";
constexpr const char *STBToolwinNameNotSet =
    "Cannot save dockable window's position because Name property is not set";
constexpr const char *STBToolwinDockedToNameNotSet =
    "Cannot save dockable window's position because DockedTo's Name property not set";
