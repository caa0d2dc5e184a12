#pragma once
// A view shows one level of the item tree in one window: it owns the item
// viewers, measures and places them, keeps the selection and the open submenu,
// and runs the window's timers.

#include "menus/TTBItem.h"
#include "platform/vcl/Controls.h"

#include <memory>
#include <vector>

class TTBItemViewer;
class TTBPopupWindow;
struct TTBItemEventData;

enum TTBViewTimerID { tiOpen, tiClose, tiScrollUp, tiScrollDown };
enum TTBViewOrientation { tbvoHorizontal, tbvoVertical, tbvoFloating };
enum TTBViewStateItem {
    vsOpen,
    vsMouseInWindow,
    vsDrawInOrder,
    vsOppositePopup,
    vsIgnoreFirstMouseUp,
    vsShowAccels,
    vsDropDownMenus,
    vsNoAnimation
};
using TTBViewState = Set<TTBViewStateItem>;
enum TTBEnterToolbarLoopOption { tbetMouseDown, tbetDropDownMenus, tbetKeyboardControl };
using TTBEnterToolbarLoopOptions = Set<TTBEnterToolbarLoopOption>;
enum TTBViewStyleItem { vsUseHiddenAccels, vsAlwaysShowHints };
using TTBViewStyle = Set<TTBViewStyleItem>;

constexpr int ViewTimerBase = 9000;
constexpr int ScrollArrowHeight = 19;
constexpr UINT ScrollDelay = 100;

class TTBView : public TComponent
{
    QRV4_CLASS(TTBView, TComponent)

public:
    TTBView(TComponent *AOwner, TTBView *ParentView, TTBCustomItem *ParentItem, TWinControl *Window,
            bool IsToolbar, bool Customizing, bool UsePriorityList = false);
    ~TTBView() override;

    // ---- structure
    TTBView *ParentView() const { return FParentView; }
    TTBCustomItem *ParentItem() const { return FParentItem; }
    TTBCustomItem *CurParentItem() const { return FCurParentItem; }
    TWinControl *Window() const { return FWindow; }
    bool IsPopup() const { return !FIsToolbar; }
    bool IsToolbar() const { return FIsToolbar; }
    bool Customizing() const { return FCustomizing; }
    // Customizing shows groups as items of their own, their children not inline.
    void SetCustomizing(bool Value);
    virtual void ImagesChanged();
    int ViewerCount() const { return static_cast<int>(FViewers.size()); }
    TTBItemViewer *Viewers(int Index) const
    {
        return FViewers.at(static_cast<std::size_t>(Index)).get();
    }
    TTBItemViewer *Find(TTBCustomItem *Item) const;
    int IndexOf(const TTBItemViewer *Viewer) const;
    bool ContainsView(const TTBView *View) const;
    TTBView *GetParentToolbarView();
    void RecreateAllViewers();
    void RecreateItemViewer(int Index);
    // Asks every shown item to update itself from its action.
    void InitiateActions();
    virtual TFont *GetFont();
    virtual TTBCustomItem *GetChevronItem() { return nullptr; }
    virtual TRect GetMargins(TTBViewOrientation AOrientation);

    // ---- state
    TTBViewState State() const { return FState; }
    void AddState(TTBViewStateItem Item) { FState << Item; }
    void RemoveState(TTBViewStateItem Item) { FState >> Item; }
    void SetState(TTBViewState Value) { FState = Value; }
    TTBViewStyle Style() const { return FStyle; }
    void SetStyle(TTBViewStyle Value) { FStyle = Value; }
    // The colour of the window behind the items; clDefault for none given.
    TColor BackgroundColor() const { return FBackgroundColor; }
    void SetBackgroundColor(TColor Value) { FBackgroundColor = Value; }
    TTBViewOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TTBViewOrientation Value) { FOrientation = Value; }
    // Line length after which a toolbar wraps; 0 for none.
    int WrapOffset() const { return FWrapOffset; }
    void SetWrapOffset(int Value) { FWrapOffset = Value; }
    // Where a toolbar's chevron takes over, and its length; 0 for no chevron.
    int ChevronOffset() const { return FChevronOffset; }
    void SetChevronOffset(int Value) { FChevronOffset = Value; }
    int ChevronSize() const { return FChevronSize; }
    void SetChevronSize(int Value) { FChevronSize = Value; }
    // For a chevron's popup: the toolbar's view whose off-edge items it shows.
    TTBView *ChevronParentView() const { return FChevronParentView; }
    void SetChevronParentView(TTBView *Value);
    // Sum of the item lengths along the bar and the largest item across it.
    TPoint BaseSize() const { return FBaseSize; }
    TTBBaseSkin *Skin() const { return FSkin; }
    // A view outliving its skin falls back to the default skin.
    void SetSkin(TTBBaseSkin *Value);
    int MaxHeight() const { return FMaxHeight; }
    void SetMaxHeight(int Value) { FMaxHeight = Value; }
    const TRect &MonitorRect() const { return FMonitorRect; }
    void SetMonitorRect(const TRect &Value) { FMonitorRect = Value; }
    bool ShowUpArrow() const { return FShowUpArrow; }
    bool ShowDownArrow() const { return FShowDownArrow; }
    int ScrollOffset() const { return FScrollOffset; }
    bool MouseOverSelected() const { return FMouseOverSelected; }
    bool Capture() const { return FCapture; }
    TTBItemViewer *OpenViewer() const { return FOpenViewer; }
    TTBView *OpenViewerView() const { return FOpenViewerView; }
    TTBPopupWindow *OpenViewerWindow() const { return FOpenViewerWindow; }
    void SetOpenPopup(TTBItemViewer *Viewer, TTBView *View, TTBPopupWindow *Window);
    bool TimerActive(TTBViewTimerID ID) const { return FActiveTimers & (1u << ID); }

    // ---- layout
    virtual void InvalidatePositions();
    void ValidatePositions();
    void TryValidatePositions();
    void UpdatePositions();
    // Lays the viewers out for the given bar; with CanMoveControls the viewers
    // take the result and the answer is whether any of them changed.
    bool CalculatePositions(bool CanMoveControls, TTBViewOrientation AOrientation, int WrapOffset,
                            int ChevronOffset, int ChevronSize, TPoint &BaseSize, TPoint &TotalSize,
                            int &WrappedLines);
    struct ViewerLayout;
    void BeginUpdate() { ++FUpdating; }
    void EndUpdate();
    TTBItemViewer *ViewerFromPoint(const TPoint &P);
    TPoint TotalSize() const { return FTotalSize; }

    // ---- painting
    void DrawItem(TTBItemViewer *Viewer, TCanvas *Canvas, bool Offscreen);
    void DrawSubitems(TCanvas *Canvas);
    void Invalidate(TTBItemViewer *Viewer);
    void SetAccelsVisibility(bool ShowAccels);

    // ---- selection
    TTBItemViewer *Selected() const { return FSelected; }
    void SetSelected(TTBItemViewer *Viewer);
    void UpdateSelection(const TPoint *P, bool AllowNewSelection);
    TTBItemViewer *FirstSelectable();
    TTBItemViewer *NextSelectable(TTBItemViewer *Viewer, bool GoForward);
    TTBItemViewer *NextSelectableWithAccel(TTBItemViewer *Viewer, char Key,
                                           bool RequirePrimaryAccel, bool &IsOnlyItemWithAccel);
    // A used item moves to the front of the order in which a shrinking bar keeps them.
    void GivePriority(TTBItemViewer *Viewer);
    TTBItemViewer *HighestPriorityViewer();
    // The windowed controls of control items that went off the edge.
    std::vector<TWinControl *> GetOffEdgeControlList();
    void SetCapture() { FCapture = true; }
    void CancelCapture();

    // ---- submenus, timers, scrolling
    bool OpenChildPopup(bool SelectFirstItem);
    void CloseChildPopups();
    void StartTimer(TTBViewTimerID ID, UINT Interval);
    void StopTimer(TTBViewTimerID ID);
    void StopAllTimers();
    void TimerFired(TTBViewTimerID ID);
    void Scroll(bool Down);
    void ScrollSelectedIntoView();

    // ---- keys and clicks (the tracking loop)
    virtual void KeyDown(WORD &Key, TShiftState Shift, TTBItemEventData &EventData);
    bool ClickSelectedItem(TTBItemEventData &EventData);
    // Runs the tracking loop on a toolbar (a menu bar, or a press on a button).
    void EnterToolbarLoop(TTBEnterToolbarLoopOptions Options);

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;
    virtual void DoUpdatePositions(TPoint &Size);
    virtual void AutoSize(int Width, int Height);

private:
    class LayoutPass;
    void CloseThroughParent();
    bool OpenAsBarMenu();
    void StepAlongBar(bool GoForward);
    void UpdateCurParentItem();
    void FreeViewers();
    void DeletingViewer(TTBItemViewer *Viewer);
    void ItemNotification(TTBCustomItem *Ancestor, bool Relayed, TTBItemChangedAction Action,
                          int Index, TTBCustomItem *Item);
    void LinkNotification(TTBCustomItem *Ancestor, bool Relayed, TTBItemChangedAction Action,
                          int Index, TTBCustomItem *Item);
    // Adds the viewer of Item at Index and after it those of the children a group
    // shows inline.
    void AddItemViewers(int Index, TTBCustomItem *Item);
    bool ShowsInline(TTBCustomItem *Item) const;
    void ItemInserted(TTBCustomItem *Ancestor, int Index, TTBCustomItem *Item);
    void ItemDeleting(TTBCustomItem *Item);
    void CollectShown(TTBCustomItem *Item, std::vector<TTBCustomItem *> &Into, int Depth) const;
    // Indices of the viewers, highest priority first (display order without priority).
    std::vector<std::size_t> PriorityOrder() const;
    void PlaceControls(const std::vector<TTBItemViewer *> &Viewers,
                       const std::vector<ViewerLayout> &Pos);
    std::vector<ViewerLayout> ShownViewers(const std::vector<TTBItemViewer *> &Viewers,
                                           const TTBItemViewer *ChevronViewer);
    TPoint MeasureViewers(const std::vector<TTBItemViewer *> &Viewers,
                          std::vector<ViewerLayout> &Pos);
    // Hides items from the end until the length fits; true when an item went off.
    bool HideOffEdge(const std::vector<TTBItemViewer *> &Viewers, std::vector<ViewerLayout> &Pos,
                     int Length, int Limit);
    void PlaceTallPopup(std::vector<ViewerLayout> &Pos, TPoint &Size);
    void RepaintAfterLayout();

    TTBView *FParentView;
    TTBCustomItem *FParentItem;
    TTBCustomItem *FCurParentItem = nullptr;
    TWinControl *FWindow;
    bool FIsToolbar;
    bool FCustomizing;
    std::vector<std::unique_ptr<TTBItemViewer>> FViewers;
    bool FUsePriorityList;
    // Highest priority first; empty unless the view uses priority.
    std::vector<TTBItemViewer *> FPriorityList;
    unsigned FActiveTimers = 0;
    TTBViewState FState;
    TTBViewStyle FStyle;
    TTBViewOrientation FOrientation = tbvoVertical;
    int FWrapOffset = 0;
    int FChevronOffset = 0;
    int FChevronSize = 0;
    TPoint FBaseSize;
    TTBView *FChevronParentView = nullptr;
    int FInternalViewersAtEnd = 0;
    TTBBaseSkin *FSkin = nullptr;
    TColor FBackgroundColor = clDefault;
    int FMaxHeight = 0;
    TRect FMonitorRect;
    int FScrollOffset = 0;
    bool FShowUpArrow = false;
    bool FShowDownArrow = false;
    bool FMouseOverSelected = false;
    bool FCapture = false;
    bool FValidated = false;
    int FUpdating = 0;
    TPoint FTotalSize;
    TTBItemViewer *FSelected = nullptr;
    TTBItemViewer *FOpenViewer = nullptr;
    TTBView *FOpenViewerView = nullptr;
    TTBPopupWindow *FOpenViewerWindow = nullptr;
};

// The view of a popup window: its font is the window's.
class TTBPopupView : public TTBView
{
    QRV4_CLASS(TTBPopupView, TTBView)

public:
    using TTBView::TTBView;
    TFont *GetFont() override;
};

// Class reference of a view: the constructor of a class.
using TTBViewClass = std::unique_ptr<TTBView> (*)(TComponent *AOwner, TTBView *ParentView,
                                                  TTBCustomItem *ParentItem, TWinControl *Window,
                                                  bool IsToolbar, bool Customizing,
                                                  bool UsePriorityList);

// The class reference of view class V.
template <class V>
std::unique_ptr<TTBView> MakeView(TComponent *AOwner, TTBView *ParentView,
                                  TTBCustomItem *ParentItem, TWinControl *Window, bool IsToolbar,
                                  bool Customizing, bool UsePriorityList)
{
    return std::make_unique<V>(AOwner, ParentView, ParentItem, Window, IsToolbar, Customizing,
                               UsePriorityList);
}
