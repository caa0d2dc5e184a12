#pragma once

// The common controls: page control with tab sheets, status bar, progress bar,
// track bar, up-down and date-time picker, all drawn by us.

#include "platform/vcl/ImgList.h"
#include "platform/vcl/MouseWheel.h"
#include "platform/vcl/StdCtrls.h"

#include <memory>
#include <vector>

using TTabChangingEvent = std::function<void(TObject *Sender, bool &AllowChange)>;

class TPageControl;

class TTabSheet : public TWinControl
{
    QRV4_CLASS(TTabSheet, TWinControl)
    friend class TPageControl;

public:
    explicit TTabSheet(TComponent *AOwner);
    ~TTabSheet() override;

    TPageControl *PageControl() const { return FPageControl; }
    // Joins (or leaves, with null) a page control, as the last page.
    void SetPageControl(TPageControl *Value);
    int PageIndex() const;
    void SetPageIndex(int Value);
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    void WndProc(TMessage &Message) override;

private:
    TPageControl *FPageControl = nullptr;
    bool FTabVisible = true;
    int FImageIndex = -1;
};

class TPageControl : public TCustomControl
{
    QRV4_CLASS(TPageControl, TCustomControl)
    friend class TTabSheet;

public:
    explicit TPageControl(TComponent *AOwner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(FPages.size()); }
    TTabSheet *Pages(int Index) const { return FPages.at(Index); }
    TTabSheet *ActivePage() const { return FActivePage; }
    // Shows the page; a change made in code raises no events.
    void SetActivePage(TTabSheet *Page);
    int ActivePageIndex() const;
    void SetActivePageIndex(int Value);
    TCustomImageList *Images() const { return FImages; }
    void SetImages(TCustomImageList *Value);
    int TabHeight() const { return FTabHeight; }
    void SetTabHeight(int Value);
    TTabSheet *FindNextPage(TTabSheet *CurPage, bool GoForward, bool CheckTabVisible);
    void SelectNextPage(bool GoForward);
    // The page area, inside the frame below the tabs.
    TRect DisplayRect();
    // The tab's rectangle, empty for a hidden tab.
    TRect TabRect(int Index);
    int IndexOfTabAt(int X, int Y);

    void AlignControls(TControl *AControl, TRect &Rect) override;
    void WndProc(TMessage &Message) override;

    // Raised before a change by the user, while ActivePage is still the page left.
    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;

protected:
    virtual bool CanChange();
    virtual void Change();
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    void InsertPage(TTabSheet *Page);
    void RemovePage(TTabSheet *Page);
    // A change asked for by the user: OnChanging may refuse it.
    void ChangeActivePage(TTabSheet *Page);
    void FocusFirstOnPage();
    bool FocusWithin();
    void PlaceActivePage();

    std::vector<TTabSheet *> FPages;
    TTabSheet *FActivePage = nullptr;
    TCustomImageList *FImages = nullptr;
    std::unique_ptr<TChangeLink> FImageChangeLink;
    int FTabHeight = 0;
};

// A bar along the bottom; with SimplePanel it shows SimpleText over its colour.
class TStatusBar;

// One panel of a status bar: its text in a box of its width, the last one taking the rest.
class TStatusPanel
{
public:
    explicit TStatusPanel(TStatusBar *Bar) : FBar(Bar) {}
    const AnsiString &Text() const { return FText; }
    void SetText(const AnsiString &Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);

private:
    TStatusBar *FBar;
    AnsiString FText;
    int FWidth = 50;
};

class TStatusBar : public TCustomControl
{
    QRV4_CLASS(TStatusBar, TCustomControl)

public:
    explicit TStatusBar(TComponent *AOwner);
    ~TStatusBar() override;

    TStatusPanel *AddPanel();
    int PanelCount() const { return static_cast<int>(FPanels.size()); }
    TStatusPanel *Panels(int Index) const
    {
        return FPanels.at(static_cast<std::size_t>(Index)).get();
    }

    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool Value);
    const AnsiString &SimpleText() const { return FSimpleText; }
    void SetSimpleText(const AnsiString &Value);
    bool SizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool Value);

protected:
    void Paint() override;
    // With ShowHint on, a text cut at the edge of its box shows whole in the hint.
    void WndProc(TMessage &Message) override;

private:
    friend class TStatusPanel;
    // Every change of a shown text comes here, so a hint showing the old one follows.
    void TextChanged();
    void PaintText(TCanvas *Canvas, const AnsiString &Text, const TRect &Box);
    TRect PanelBox(std::size_t Index);
    static TRect TextBox(const TRect &Box);
    // The text shown at X of the client area and its box.
    AnsiString TextAt(int X, TRect &Box);
    bool TextCut(const AnsiString &Text, const TRect &Box);

    bool FSimplePanel = false;
    std::vector<std::unique_ptr<TStatusPanel>> FPanels;
    AnsiString FSimpleText;
    bool FSizeGrip = true;
};

enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TWinControl
{
    QRV4_CLASS(TProgressBar, TWinControl)

public:
    explicit TProgressBar(TComponent *AOwner);

    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    int Position() const { return FPosition; }
    // Held within Min and Max.
    void SetPosition(int Value);
    int Step() const { return FStep; }
    void SetStep(int Value) { FStep = Value; }
    bool Smooth() const { return FSmooth; }
    void SetSmooth(bool Value);
    TProgressBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TProgressBarOrientation Value);
    // Advances by Step and stays at Max once there (the native control would
    // wrap round to Min).
    void StepIt();
    void StepBy(int Delta);

protected:
    void PaintWindow(HDC DC) override;

private:
    // How much of a bar Length pixels long the position fills.
    int FilledLength(int Length) const;

    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FStep = 10;
    bool FSmooth = false;
    TProgressBarOrientation FOrientation = pbHorizontal;
    int FPaintedLength = 0; // the bar's length at the last paint, and what it filled
    int FPaintedFilled = 0;
};

enum TTrackBarOrientation { trHorizontal, trVertical };

class TTrackBar : public TWinControl
{
    QRV4_CLASS(TTrackBar, TWinControl)

public:
    explicit TTrackBar(TComponent *AOwner);

    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    int Position() const { return FPosition; }
    // Held within Min and Max; a change raises OnChange.
    void SetPosition(int Value);
    int PageSize() const { return FPageSize; }
    void SetPageSize(int Value) { FPageSize = Value; }
    int LineSize() const { return FLineSize; }
    void SetLineSize(int Value) { FLineSize = Value; }
    int Frequency() const { return FFrequency; }
    void SetFrequency(int Value);
    TTrackBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TTrackBarOrientation Value);
    void WndProc(TMessage &Message) override;

    TNotifyEvent OnChange;

protected:
    virtual void Changed();
    void PaintWindow(HDC DC) override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    TRect ChannelRect();
    TRect ThumbRect();
    int PositionAt(int X, int Y);

    int FMin = 0;
    int FMax = 10;
    int FPosition = 0;
    int FPageSize = 2;
    int FLineSize = 1;
    int FFrequency = 1;
    TTrackBarOrientation FOrientation = trHorizontal;
    bool FDragging = false;
};

enum TUDBtnType { btNext, btPrev };
using TUDClickEvent = std::function<void(TObject *Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject *Sender, bool &AllowChange)>;

class TUpDown : public TCustomControl
{
    QRV4_CLASS(TUpDown, TCustomControl)

public:
    explicit TUpDown(TComponent *AOwner);

    TWinControl *Associate() const { return FAssociate; }
    // The buddy edit: the up-down takes its place at the edit's right side and
    // writes the position into it.
    void SetAssociate(TWinControl *Value);
    int Min() const { return FMin; }
    void SetMin(int Value) { FMin = Value; }
    int Max() const { return FMax; }
    void SetMax(int Value) { FMax = Value; }
    int Position() const { return FPosition; }
    // Held within Min and Max; rewrites the buddy's text.
    void SetPosition(int Value);
    int Increment() const { return FIncrement; }
    void SetIncrement(int Value) { FIncrement = Value; }
    bool Wrap() const { return FWrap; }
    void SetWrap(bool Value) { FWrap = Value; }
    bool Thousands() const { return FThousands; }
    void SetThousands(bool Value);

    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent *AComponent, TOperation Operation) override;
    // A press of one of the arrows; the control's own click stays what it is.
    using TCustomControl::Click;
    void Click(TUDBtnType Button);

private:
    void UpdateBuddy();
    int BuddyPosition() const;

    TWinControl *FAssociate = nullptr;
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FIncrement = 1;
    bool FWrap = false;
    bool FThousands = true;
};

enum TDateTimeKind { dtkDate, dtkTime };
enum TDTDateFormat { dfShort, dfLong };
enum TDTDateMode { dmComboBox, dmUpDown };

class TDateTimeCalendar;

// Edits a date (or time) in fields, as the system's date picker does: left and right
// (or a separator typed) choose the field, up and down step it, digits type it. In date
// mode with the drop-down look, the arrow button, Alt+Down or F4 open a month calendar
// whose chosen day becomes the date. The date keeps the time of day it was given.
class TDateTimePicker : public TWinControl
{
    QRV4_CLASS(TDateTimePicker, TWinControl)

public:
    explicit TDateTimePicker(TComponent *AOwner);
    ~TDateTimePicker() override;

    TDateTime DateTime() const { return FDateTime; }
    void SetDateTime(TDateTime Value);
    TDateTime Date() const;
    // Changes the day only; the time of day stays.
    void SetDate(TDateTime Value);
    TDateTime Time() const;
    void SetTime(TDateTime Value);
    TDateTimeKind Kind() const { return FKind; }
    void SetKind(TDateTimeKind Value);
    TDTDateFormat DateFormat() const { return FDateFormat; }
    void SetDateFormat(TDTDateFormat Value);
    TDTDateMode DateMode() const { return FDateMode; }
    void SetDateMode(TDTDateMode Value);
    // What the control shows: the long date in Russian ("7 декабря 2024 г."),
    // the short date or the time.
    AnsiString DisplayText() const;
    bool DroppedDown() const;
    void SetDroppedDown(bool Value);
    void WndProc(TMessage &Message) override;

    TNotifyEvent OnChange;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

protected:
    virtual void Change();
    void PaintWindow(HDC DC) override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void KeyPress(char &Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    AnsiString GetText() const override { return DisplayText(); }

private:
    friend class TDateTimeCalendar;
    static constexpr int TextLeft = 4;
    // One piece of the shown text: a field (0 day or hour, 1 month or minute, 2 year or
    // second) or, with Field -1, the text between fields.
    struct TSegment {
        AnsiString Text;
        int Field;
    };
    std::vector<TSegment> Segments() const;
    bool HasDropDown() const { return FKind == dtkDate && FDateMode == dmComboBox; }
    TRect ButtonRect();
    void SetValue(TDateTime Value);
    void StepField(int Delta);
    void MoveToField(int Field);
    void TypeDigit(int Digit);
    void SetFieldNumber(int Number);
    void FinishTyping();
    void ChooseFromCalendar(TDateTime Day);
    void ChooseFieldAt(int X);

    TDateTime FDateTime;
    TDateTimeKind FKind = dtkDate;
    TDTDateFormat FDateFormat = dfShort;
    TDTDateMode FDateMode = dmComboBox;
    int FField = 0;
    // The digits typed into the field so far, and how many.
    int FTyped = 0;
    int FTypedCount = 0;
    std::unique_ptr<TDateTimeCalendar> FCalendar;
};

// ---- Tree view -------------------------------------------------------------------------------

class TTreeNodes;
class TCustomTreeView;

// Where a point of a tree view lies.
enum THitTest {
    htAbove,
    htBelow,
    htNowhere,
    htOnItem,
    htOnButton,
    htOnIndent,
    htOnLabel,
    htOnRight,
};
using THitTests = Set<THitTest>;

class TTreeNode;
using TTVChangedEvent = std::function<void(TObject *Sender, TTreeNode *Node)>;

// One entry of a tree: its text, a value of the caller's, and its children.
class TTreeNode
{
    friend class TTreeNodes;

public:
    TTreeNode(TTreeNodes *Owner, TTreeNode *Parent) : FOwner(Owner), FParent(Parent) {}

    const AnsiString &Text() const { return FText; }
    void SetText(const AnsiString &Value);
    void *Data() const { return FData; }
    void SetData(void *Value) { FData = Value; }
    TTreeNode *Parent() const { return FParent; }
    TTreeNodes *Owner() const { return FOwner; }
    TCustomTreeView *TreeView() const;
    int Count() const { return static_cast<int>(FChildren.size()); }
    TTreeNode *Item(int Index) const { return FChildren.at(static_cast<std::size_t>(Index)).get(); }
    bool HasChildren() const { return !FChildren.empty(); }
    // 0 for a node at the root.
    int Level() const;
    // Among its siblings.
    int Index() const;
    // In the whole tree, every node after its parent and its earlier siblings' subtrees.
    int AbsoluteIndex() const;
    bool Expanded() const { return FExpanded; }
    void SetExpanded(bool Value);
    void Expand(bool Recurse);
    // A selection inside the closed branch moves up to this node.
    void Collapse(bool Recurse);
    bool Selected() const;
    void SetSelected(bool Value);
    // Whether every parent is expanded, so the node has a row.
    bool IsVisible() const;
    TTreeNode *GetFirstChild() const { return HasChildren() ? Item(0) : nullptr; }
    TTreeNode *GetNextSibling() const;
    TTreeNode *GetPrevSibling() const;
    // Parents before children, as AbsoluteIndex counts.
    TTreeNode *GetNext() const;
    TTreeNode *GetNextVisible() const;
    TTreeNode *GetPrevVisible() const;
    // Expands the parents and scrolls the tree so the node's row is in view.
    void MakeVisible();
    // The row (or only the text's box) in the tree's client area.
    TRect DisplayRect(bool TextOnly) const;

private:
    const std::vector<std::unique_ptr<TTreeNode>> &Siblings() const;
    void SetExpandedAll(bool Value, bool Recurse);

    TTreeNodes *FOwner;
    TTreeNode *FParent;
    AnsiString FText;
    void *FData = nullptr;
    bool FExpanded = false;
    std::vector<std::unique_ptr<TTreeNode>> FChildren;
};

// All nodes of a tree view.
class TTreeNodes
{
    friend class TTreeNode;

public:
    explicit TTreeNodes(TCustomTreeView *Owner) : FOwner(Owner) {}
    ~TTreeNodes();

    TCustomTreeView *Owner() const { return FOwner; }
    // Every node, at any depth.
    int Count() const { return FCount; }
    // By AbsoluteIndex.
    TTreeNode *Item(int Index) const;
    TTreeNode *GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front().get(); }
    // A node after the last sibling of Sibling (at the root for none).
    TTreeNode *Add(TTreeNode *Sibling, const AnsiString &S)
    {
        return AddObject(Sibling, S, nullptr);
    }
    TTreeNode *AddObject(TTreeNode *Sibling, const AnsiString &S, void *Ptr);
    // A node after the last child of Parent (at the root for none).
    TTreeNode *AddChild(TTreeNode *Parent, const AnsiString &S)
    {
        return AddChildObject(Parent, S, nullptr);
    }
    TTreeNode *AddChildObject(TTreeNode *Parent, const AnsiString &S, void *Ptr);
    void Clear();
    // Between the two the tree neither lays itself out nor repaints.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }

private:
    void Changed();

    TCustomTreeView *FOwner;
    std::vector<std::unique_ptr<TTreeNode>> FRoots;
    int FCount = 0;
    int FUpdateCount = 0;
};

// A tree of text entries with expand buttons and connecting lines, scrolled by
// the window's own bars.
class TCustomTreeView : public TCustomControl
{
    QRV4_CLASS(TCustomTreeView, TCustomControl)
    friend class TTreeNode;
    friend class TTreeNodes;

public:
    explicit TCustomTreeView(TComponent *AOwner);
    ~TCustomTreeView() override;

    TTreeNodes *Items() const { return FItems.get(); }
    TTreeNode *Selected() const { return FSelected; }
    // Raises OnChange when the selection moves, whoever moved it.
    void SetSelected(TTreeNode *Value);
    // The node of the first row in view.
    TTreeNode *TopItem();
    void SetTopItem(TTreeNode *Value);
    TTreeNode *GetNodeAt(int X, int Y);
    THitTests GetHitTestInfoAt(int X, int Y);
    void FullExpand();
    void FullCollapse();
    int Indent() const { return FIndent; }
    void SetIndent(int Value);
    bool ShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool Value);
    bool ShowLines() const { return FShowLines; }
    void SetShowLines(bool Value);
    bool ShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    // A row's height, from the font.
    int ItemHeight();
    // Rows that fit wholly in the client area (at least one).
    int VisibleCount();

    void WndProc(TMessage &Message) override;

    TTVChangedEvent OnChange;

protected:
    virtual void Change(TTreeNode *Node);
    void CreateParams(TCreateParams &Params) override;
    void CreateWnd() override;
    void Paint() override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;

private:
    // The expanded nodes in order: one a row.
    const std::vector<TTreeNode *> &Rows();
    int RowOf(const TTreeNode *Node);
    TRect RowRect(int Row);
    TRect LabelRect(TTreeNode *Node, int Row);
    TRect ButtonRect(TTreeNode *Node, int Row);
    // Where the node's label begins, before horizontal scrolling.
    int LabelLeft(const TTreeNode *Node) const;
    bool HasButton(const TTreeNode *Node) const;
    void PaintRow(TTreeNode *Node, int Row);
    void PaintLines(TTreeNode *Node, int Row);
    void PaintButton(TTreeNode *Node, int Row);
    void NodesChanged();
    void SelectRow(int Row);
    void ScrollTo(int Row, int Left);
    int WidestRow();
    void UpdateScrollBars();
    void Scrolled(int Bar, int Request);

    std::unique_ptr<TTreeNodes> FItems;
    std::vector<TTreeNode *> FRows;
    bool FRowsValid = false;
    int FItemHeight = 0; // 0 until measured with the font
    bool FUpdatingBars = false;
    TTreeNode *FSelected = nullptr;
    int FTopRow = 0;
    int FScrollLeft = 0;
    vcl::WheelAccumulator FWheel;
    int FIndent = 19;
    bool FShowButtons = true;
    bool FShowLines = true;
    bool FShowRoot = true;
    bool FHideSelection = true;
};

class TTreeView : public TCustomTreeView
{
    QRV4_CLASS(TTreeView, TCustomTreeView)

public:
    explicit TTreeView(TComponent *AOwner) : TCustomTreeView(AOwner) {}
};
