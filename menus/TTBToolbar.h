#pragma once
// Toolbars and menu bars: a dockable bar showing an item tree as a row of
// buttons, wrapping or hiding behind a chevron what does not fit.

#include "menus/TB2Dock.h"
#include "menus/TTBItem.h"
#include "menus/TTBItemViewer.h"
#include "menus/TTBRootItemProperties.h"
#include "menus/TTBView.h"

#include <memory>
#include <vector>

class TTBCustomToolbar;

// The ">>" button at the end of a bar too short for its items; its popup shows them.
class TTBChevronItem : public TTBCustomItem
{
    QRV4_CLASS(TTBChevronItem, TTBCustomItem)

public:
    // The toolbar is the owner.
    explicit TTBChevronItem(TComponent *AOwner);
    TTBView *GetChevronParentView() override;
    TTBItemViewerClass GetItemViewerClass(TTBView *View) override;

private:
    TTBCustomToolbar *FToolbar;
};

class TTBChevronItemViewer : public TTBItemViewer
{
public:
    using TTBItemViewer::TTBItemViewer;
    void Paint(TCanvas *Canvas, const TRect &ClientAreaRect, bool IsHoverItem, bool IsPushed,
               bool UseDisabledShadow) override;
};

class TTBToolbarView : public TTBView
{
    QRV4_CLASS(TTBToolbarView, TTBView)

public:
    // Shows the items of the toolbar that owns it.
    explicit TTBToolbarView(TComponent *AOwner);
    TFont *GetFont() override;
    TTBCustomItem *GetChevronItem() override;
    void InvalidatePositions() override;

protected:
    void AutoSize(int Width, int Height) override;
    void DoUpdatePositions(TPoint &Size) override;

private:
    explicit TTBToolbarView(TTBCustomToolbar *Toolbar);
    TTBCustomToolbar *FToolbar;
};

// (key-down message, var Handled)
using TTBShortCutEvent = std::function<void(TMessage &Message, bool &Handled)>;

// A size a floating toolbar can take, and the wrap width that gives it.
struct TTBPotentialSize {
    TPoint Size;
    int WrapWidth = 0;
    int Lines = 1;
};

class TTBCustomToolbar : public TTBCustomDockableWindow,
                         public ITBItems,
                         public TTBRootItemProperties<TTBCustomToolbar>
{
    QRV4_CLASS(TTBCustomToolbar, TTBCustomDockableWindow)
    friend class TTBToolbarView;

public:
    explicit TTBCustomToolbar(TComponent *AOwner);
    ~TTBCustomToolbar() override;

    // The classes of the root item, the chevron item and the view a toolbar makes.
    static TClass GetItemClass() { return TTBRootItem::StaticClass(); }
    static TClass GetChevronItemClass() { return TTBChevronItem::StaticClass(); }
    static TClass GetViewClass() { return TTBToolbarView::StaticClass(); }

    TTBRootItem *Items() const { return FItems.get(); }
    TTBCustomItem *GetItems() override { return FItems.get(); }
    // Streaming: the items first, then the child controls.
    void GetChildren(TGetChildProc Proc, TComponent *Root) override;
    void SetChildOrder(TComponent *Child, int Order) override;
    TTBChevronItem *ChevronItem() const { return FChevronItem.get(); }
    TTBToolbarView *View() const { return FView.get(); }

    AnsiString ChevronHint() const;
    void SetChevronHint(const AnsiString &Value);
    // Written to a stream only when it is not the chevron's own hint.
    bool IsChevronHintStored() const;
    int FloatingWidth() const { return FFloatingWidth; }
    void SetFloatingWidth(int Value);
    bool MenuBar() const { return FMenuBar; }
    void SetMenuBar(bool Value);
    bool ProcessShortCuts() const { return FProcessShortCuts; }
    void SetProcessShortCuts(bool Value);
    TTBShrinkMode ShrinkMode() const { return FShrinkMode; }
    void SetShrinkMode(TTBShrinkMode Value);
    bool SystemFont() const { return FSystemFont; }
    void SetSystemFont(bool Value);
    bool UpdateActions() const { return FUpdateActions; }
    void SetUpdateActions(bool Value) { FUpdateActions = Value; }
    void SetSkin(TTBBaseSkin *Value) override;
    // The least size the view takes laid out so: a full-size bar reaches the end of its
    // wrap width.
    TPoint GetMinBarSize(TTBViewOrientation Orientation, int WrapOffset) const;

    void BeginUpdate() { FView->BeginUpdate(); }
    void EndUpdate() { FView->EndUpdate(); }
    // Opens the bar from the keyboard: the item with Key as accelerator, or the
    // first item for none; false when nothing was found.
    bool KeyboardOpen(char Key, bool RequirePrimaryAccel);
    // The item that shows Control among the bar's items, or null.
    TTBControlItem *FindWrapper(TControl *Control) const;
    // Every child control without an item gets one, at the end of the items.
    void CreateWrappersForAllControls();
    void Loaded() override;
    void InitiateAction() override;
    // A key-down message: the OnShortCut handler, then the items' shortcuts.
    bool IsShortCut(TMessage &Message);
    // Every size a floating toolbar can take, one per number of wrapped lines.
    std::vector<TTBPotentialSize> BuildPotentialSizesList();

    TPoint DoArrange(bool CanMoveControls, TTBDockType PreviousDockType, bool NewFloating,
                     TTBDock *NewDock) override;
    TPoint GetBaseSize() override;
    int GetMinShrinkSize() override;
    TTBShrinkMode GetShrinkMode() override;
    bool ControlExistsAtPos(const TPoint &P) override;
    void GetTabOrderList(std::vector<TWinControl *> &List) override;
    void ReadPositionData(const TTBReadPositionData &Data) override;
    void WritePositionData(const TTBWritePositionData &Data) override;
    void WndProc(TMessage &Message) override;

    TTBShortCutEvent OnShortCut;

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void Paint() override;
    void Resize() override;
    void WMEraseBkgnd(TMessage &Message) override;
    void ResizeBegin(TTBSizeHandle SizeHandle) override;
    void ResizeTrack(TRect &Rect, const TRect &OrigRect) override;
    void ResizeTrackAccept() override;
    void ResizeEnd() override;

private:
    struct Resizing;
    struct Placement {
        TTBViewOrientation Orientation;
        int WrapOffset;
        int ChevronOffset;
    };
    Placement PlacementFor(TTBDock *Dock, bool Floating, bool WithChevron);
    int CalcWrapOffset(TTBDock *Dock, bool Floating);
    int CalcChevronOffset(TTBDock *Dock, TTBViewOrientation Orientation);
    TPoint MeasureFor(const Placement &P, int &WrappedLines);
    void ViewResized(int Width, int Height);
    // Hands the orientation, the wrap and chevron offsets and the chevron's size to the view.
    void UpdateViewProperties(const Placement &P);
    void ApplyPlacement(const Placement &P);
    void CreateWrapper(TControl *Control);
    void SetMainWindowHook();
    void InstallMenuBarHook(bool Install);
    // The toolbar's messages; each gives whether it consumed the message.
    bool WMSysCommand(TMessage &Message);
    bool CMDialogChar(TMessage &Message);
    bool CMDialogKey(TMessage &Message);
    bool CMControlChange(TMessage &Message);
    bool CMControlListChange(TMessage &Message);
    bool WMMouseLeave(TMessage &Message);
    bool CMMouseLeave(TMessage &Message);
    bool WMSetCursor(TMessage &Message);
    bool CMHintShow(TMessage &Message);
    bool CMShowHintChanged(TMessage &Message);
    bool CMFontChanged(TMessage &Message);
    bool CMWinIniChange(TMessage &Message);
    bool CMColorChanged(TMessage &Message);
    void CancelHover();

    std::unique_ptr<TTBRootItem> FItems;
    std::unique_ptr<TTBChevronItem> FChevronItem;
    std::unique_ptr<TTBToolbarView> FView;
    int FFloatingWidth = 0;
    bool FMenuBar = false;
    bool FProcessShortCuts = false;
    TTBShrinkMode FShrinkMode = tbsmChevron;
    bool FSystemFont = true;
    bool FUpdateActions = true;
    bool FMenuBarHookInstalled = false;
    bool FMainWindowHookInstalled = false;
    int FInsideDoArrange = 0;
    std::unique_ptr<Resizing> FResizing;
};

class TTBToolbar : public TTBCustomToolbar
{
    QRV4_CLASS(TTBToolbar, TTBCustomToolbar)

public:
    using TTBCustomToolbar::TTBCustomToolbar;
    static void Publish(rtl::Publisher<TTBToolbar> &P);
};
