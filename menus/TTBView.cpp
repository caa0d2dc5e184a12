#include "menus/TTBView.h"

#include "menus/TB2Common.h"
#include "menus/TB2Consts.h"
#include "menus/TTBItemViewer.h"
#include "menus/TTBPopupMenu.h"

#include <algorithm>
#include <utility>

namespace
{

// A viewer of the class the item asks for in this view.
std::unique_ptr<TTBItemViewer> NewViewer(TTBView *View, TTBCustomItem *Item)
{
    return Item->GetItemViewerClass(View)(View, Item);
}

} // namespace

TTBView::TTBView(TComponent *AOwner, TTBView *ParentView, TTBCustomItem *ParentItem,
                 TWinControl *Window, bool IsToolbar, bool Customizing, bool UsePriorityList)
    : TComponent(AOwner), FParentView(ParentView), FParentItem(ParentItem), FWindow(Window),
      FIsToolbar(IsToolbar), FCustomizing(Customizing), FUsePriorityList(UsePriorityList)
{
    FOrientation = tbvoHorizontal;
    if (FParentItem) {
        FParentItem->RegisterNotification(this,
                                          [this](auto... Args) { LinkNotification(Args...); });
        FParentItem->FreeNotification(this);
    }
    if (FParentView) SetSkin(FParentView->FSkin);
    UpdateCurParentItem();
}

TTBView::~TTBView()
{
    if (FParentView && FParentView->IsToolbar()) {
        // The bar's next menu shows at once while the pointer moves along it, and the
        // button this menu hung from no longer looks pushed.
        FParentView->AddState(vsNoAnimation);
        if (FParentView->FOpenViewer) FParentView->Invalidate(FParentView->FOpenViewer);
    }
    CloseChildPopups();
    if (FCurParentItem) FCurParentItem->UnregisterNotification(&FCurParentItem);
    if (FParentItem) FParentItem->UnregisterNotification(this);
    FreeViewers();
}

TFont *TTBView::GetFont()
{
    return ToolbarFont();
}

TFont *TTBPopupView::GetFont()
{
    return Window() ? Window()->Font() : ToolbarFont();
}

void TTBView::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FParentItem) {
        FParentItem = nullptr;
        UpdateCurParentItem();
        if (FParentView) FParentView->CloseChildPopups();
    }
    if (AComponent == FOpenViewerWindow) SetOpenPopup(nullptr, nullptr, nullptr);
    if (AComponent == FChevronParentView) FChevronParentView = nullptr;
    if (AComponent == FSkin) {
        // The skin is half gone already and has let go of the view: it is asked nothing.
        FSkin = nullptr;
        SetSkin(DefaultSkin());
        InvalidatePositions();
        if (FWindow) FWindow->Invalidate();
    }
}

void TTBView::SetSkin(TTBBaseSkin *Value)
{
    if (Value == FSkin) return;
    if (FSkin) FSkin->RemoveFreeNotification(this);
    FSkin = Value;
    // The default skin lasts as long as the program.
    if (Value && Value != DefaultSkin()) Value->FreeNotification(this);
}

void TTBView::SetOpenPopup(TTBItemViewer *Viewer, TTBView *View, TTBPopupWindow *Window)
{
    FOpenViewer = Viewer;
    FOpenViewerView = View;
    FOpenViewerWindow = Window;
    if (Window) Window->FreeNotification(this);
}

// ---- structure -----------------------------------------------------------------------------

void TTBView::UpdateCurParentItem()
{
    TTBCustomItem *Value = FParentItem;
    if (Value && Value->LinkSubitems()) Value = Value->LinkSubitems();
    if (Value == FCurParentItem) return;
    CloseChildPopups();
    if (FCurParentItem) FCurParentItem->UnregisterNotification(&FCurParentItem);
    FCurParentItem = Value;
    // The link handler is registered under the view itself, this one under the field.
    if (FCurParentItem)
        FCurParentItem->RegisterNotification(&FCurParentItem,
                                             [this](auto... Args) { ItemNotification(Args...); });
    RecreateAllViewers();
    if (!FCurParentItem || !FCurParentItem->ComponentState().Contains(csLoading)) InitiateActions();
}

// An update may change the tree and so the viewers: the count is read afresh each step.
void TTBView::InitiateActions()
{
    for (int I = 0; I < ViewerCount(); ++I)
        Viewers(I)->Item()->InitiateAction();
}

void TTBView::FreeViewers()
{
    FPriorityList.clear();
    while (!FViewers.empty()) {
        DeletingViewer(FViewers.back().get());
        FViewers.pop_back();
    }
}

void TTBView::DeletingViewer(TTBItemViewer *Viewer)
{
    if (FSelected == Viewer) FSelected = nullptr;
    if (FOpenViewer == Viewer) CloseChildPopups();
}

void TTBView::RecreateAllViewers()
{
    CloseChildPopups();
    SetSelected(nullptr);
    InvalidatePositions();
    FreeViewers();
    FInternalViewersAtEnd = 0;
    if (FCurParentItem)
        for (int I = 0; I < FCurParentItem->Count(); ++I)
            AddItemViewers(ViewerCount(), FCurParentItem->Items(I));
    if (TTBCustomItem *Chevron = GetChevronItem()) {
        FViewers.push_back(NewViewer(this, Chevron));
        ++FInternalViewersAtEnd;
    }
}

void TTBView::SetChevronParentView(TTBView *Value)
{
    if (FChevronParentView) FChevronParentView->RemoveFreeNotification(this);
    FChevronParentView = Value;
    if (!Value) return;
    Value->FreeNotification(this);
    // The hidden buttons keep looking like buttons in the chevron's popup.
    FIsToolbar = true;
    FStyle = Value->FStyle;
    InvalidatePositions();
}

namespace
{

// The item whose children a group shows: the one it links to, or itself.
TTBCustomItem *ShownParent(TTBCustomItem *Item)
{
    return Item->LinkSubitems() ? Item->LinkSubitems() : Item;
}

} // namespace

bool TTBView::ShowsInline(TTBCustomItem *Item) const
{
    return Item->ItemStyle().Contains(tbisEmbeddedGroup) && !FCustomizing;
}

void TTBView::AddItemViewers(int Index, TTBCustomItem *Item)
{
    std::vector<TTBCustomItem *> Shown;
    CollectShown(Item, Shown, 0);
    for (TTBCustomItem *Each : Shown) {
        auto Viewer = FViewers.insert(FViewers.begin() + Index++, NewViewer(this, Each));
        if (FUsePriorityList) FPriorityList.push_back(Viewer->get());
    }
}

// The viewers of an item inserted under the current parent item, or under a group
// shown inline, go after those of its earlier siblings and of all these show inline,
// nested groups included.
void TTBView::ItemInserted(TTBCustomItem *Ancestor, int Index, TTBCustomItem *Item)
{
    auto Slot = [&](int Start, TTBCustomItem *Parent) {
        std::vector<TTBCustomItem *> Before;
        for (int I = 0; I < Index; ++I)
            CollectShown(Parent->Items(I), Before, 0);
        return std::min(Start + static_cast<int>(Before.size()),
                        std::max(0, ViewerCount() - FInternalViewersAtEnd));
    };
    if (Ancestor == FCurParentItem) {
        AddItemViewers(Slot(0, Ancestor), Item);
        return;
    }
    // While customizing, a group is an item of its own and its children are not shown.
    if (!ShowsInline(Ancestor)) return;
    // A group shown more than once, through links, sends one notice for each place:
    // each fills the first place still without the item.
    for (int I = 0; I < ViewerCount(); ++I) {
        if (Viewers(I)->Item() != Ancestor) continue;
        const int At = Slot(I + 1, ShownParent(Ancestor));
        if (At < ViewerCount() && Viewers(At)->Item() == Item) continue;
        AddItemViewers(At, Item);
        return;
    }
}

// A viewer of the item's present viewer class takes the old one's place.
void TTBView::RecreateItemViewer(int Index)
{
    auto &Viewer = FViewers.at(static_cast<std::size_t>(Index));
    DeletingViewer(Viewer.get());
    auto Old = std::exchange(Viewer, NewViewer(this, Viewer->Item()));
    std::replace(FPriorityList.begin(), FPriorityList.end(), Old.get(), Viewer.get());
}

// An item and the children a group shows inline, whose viewers go with it.
void TTBView::CollectShown(TTBCustomItem *Item, std::vector<TTBCustomItem *> &Into, int Depth) const
{
    Into.push_back(Item);
    if (!ShowsInline(Item) || Depth >= TBMaxGroupDepth) return;
    TTBCustomItem *Group = ShownParent(Item);
    for (int I = 0; I < Group->Count(); ++I)
        CollectShown(Group->Items(I), Into, Depth + 1);
}

void TTBView::ItemDeleting(TTBCustomItem *Item)
{
    std::vector<TTBCustomItem *> Going;
    CollectShown(Item, Going, 0);
    for (int I = ViewerCount() - 1; I >= 0; --I)
        if (std::find(Going.begin(), Going.end(), Viewers(I)->Item()) != Going.end()) {
            std::erase(FPriorityList, Viewers(I));
            DeletingViewer(Viewers(I));
            FViewers.erase(FViewers.begin() + I);
        }
}

TTBItemViewer *TTBView::Find(TTBCustomItem *Item) const
{
    for (const auto &Viewer : FViewers)
        if (Viewer->Item() == Item) return Viewer.get();
    throw ETBItemError(STBViewerNotFound);
}

int TTBView::IndexOf(const TTBItemViewer *Viewer) const
{
    for (int I = 0; I < ViewerCount(); ++I)
        if (FViewers[static_cast<std::size_t>(I)].get() == Viewer) return I;
    return -1;
}

bool TTBView::ContainsView(const TTBView *View) const
{
    for (; View; View = View->FParentView)
        if (View == this) return true;
    return false;
}

TTBView *TTBView::GetParentToolbarView()
{
    for (TTBView *View = this; View; View = View->FParentView)
        if (View->FIsToolbar) return View;
    return nullptr;
}

void TTBView::ItemNotification(TTBCustomItem *Ancestor, bool, TTBItemChangedAction Action,
                               int Index, TTBCustomItem *Item)
{
    switch (Action) {
    case tbicInserted:
        InvalidatePositions();
        ItemInserted(Ancestor, Index, Item);
        break;
    case tbicDeleting:
        InvalidatePositions();
        ItemDeleting(Item);
        break;
    case tbicSubitemsChanged:
        RecreateAllViewers();
        break;
    case tbicSubitemsBeginUpdate:
        BeginUpdate();
        return;
    case tbicSubitemsEndUpdate:
        EndUpdate();
        return;
    case tbicInvalidate:
        for (const auto &Viewer : FViewers)
            if (Viewer->Item() == Item) Invalidate(Viewer.get());
        break;
    case tbicInvalidateAndResize:
        InvalidatePositions();
        break;
    case tbicSubMenuImagesChanged:
        ImagesChanged();
        break;
    case tbicRecreateItemViewers:
        InvalidatePositions();
        for (int I = 0; I < ViewerCount(); ++I)
            if (Viewers(I)->Item() == Item) RecreateItemViewer(I);
        break;
    case tbicNameChanged:
        return;
    }
    TryValidatePositions();
}

void TTBView::LinkNotification(TTBCustomItem *, bool, TTBItemChangedAction Action, int,
                               TTBCustomItem *)
{
    if (Action == tbicSubitemsChanged) UpdateCurParentItem();
    if (Action == tbicSubMenuImagesChanged && FParentItem != FCurParentItem) ImagesChanged();
}

// The pictures of the view's items, and of the open submenu's that take them from here,
// may have changed size.
void TTBView::ImagesChanged()
{
    InvalidatePositions();
    TryValidatePositions();
    if (FOpenViewerView) FOpenViewerView->ImagesChanged();
}

void TTBView::SetCustomizing(bool Value)
{
    if (Value == FCustomizing) return;
    FCustomizing = Value;
    RecreateAllViewers();
}

// ---- layout ------------------------------------------------------------------------------

void TTBView::InvalidatePositions()
{
    if (!FValidated) return;
    FValidated = false;
    if (FWindow && FWindow->HandleAllocated())
        InvalidateRect(FWindow->WindowHandle(), nullptr, TRUE);
}

void TTBView::ValidatePositions()
{
    if (!FValidated) UpdatePositions();
}

void TTBView::TryValidatePositions()
{
    if (FUpdating == 0 && !(FParentItem && FParentItem->ComponentState().Contains(csLoading)))
        ValidatePositions();
}

void TTBView::EndUpdate()
{
    if (--FUpdating == 0) TryValidatePositions();
}

void TTBView::UpdatePositions()
{
    TPoint Size;
    DoUpdatePositions(Size);
}

void TTBView::DoUpdatePositions(TPoint &Size)
{
    int WrappedLines = 0;
    const bool Changed = CalculatePositions(true, FOrientation, FWrapOffset, FChevronOffset,
                                            FChevronSize, FBaseSize, Size, WrappedLines);
    FTotalSize = Size;
    FValidated = true;
    if (!Changed) {
        AutoSize(Size.X, Size.Y);
        return;
    }
    if (FWindow && FWindow->HandleAllocated()) ValidateRect(FWindow->WindowHandle(), nullptr);
    AutoSize(Size.X, Size.Y);
    RepaintAfterLayout();
}

void TTBView::AutoSize(int Width, int Height)
{
    if (!FWindow) return;
    FWindow->SetBounds(FWindow->Left(), FWindow->Top(),
                       FWindow->Width() - FWindow->ClientWidth() + Width,
                       FWindow->Height() - FWindow->ClientHeight() + Height);
}

// A changed layout is painted at once, through one bitmap, so nothing flickers.
void TTBView::RepaintAfterLayout()
{
    if (!FWindow || !FWindow->HandleAllocated() || !IsWindowVisible(FWindow->WindowHandle()))
        return;
    const HWND Wnd = FWindow->WindowHandle();
    const int W = FWindow->ClientWidth(), H = FWindow->ClientHeight();
    if (W < 1 || H < 1) return;
    const HDC WindowDC = GetDC(Wnd);
    const HDC Memory = CreateCompatibleDC(WindowDC);
    const HBITMAP Bitmap = CreateCompatibleBitmap(WindowDC, W, H);
    const HGDIOBJ Old = SelectObject(Memory, Bitmap);
    FWindow->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(Memory), 0);
    FWindow->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Memory), 0);
    BitBlt(WindowDC, 0, 0, W, H, Memory, 0, 0, SRCCOPY);
    SelectObject(Memory, Old);
    DeleteObject(Bitmap);
    DeleteDC(Memory);
    ReleaseDC(Wnd, WindowDC);
    ValidateRect(Wnd, nullptr);
}

namespace
{

bool IsSeparator(TTBItemViewer *Viewer)
{
    return Viewer->Item()->ItemStyle().Contains(tbisSeparator);
}

TTBControlItem *ControlItemOf(const TTBItemViewer *Viewer)
{
    return dynamic_cast<TTBControlItem *>(Viewer->Item());
}

} // namespace

struct TTBView::ViewerLayout {
    TRect Bounds;
    bool Show = false;
    bool OffEdge = false;
    bool LineSep = false;
    bool Clipped = false;
};

namespace
{

using Layout = TTBView::ViewerLayout;

void Shift(TRect &R, int DX, int DY)
{
    R.Left += DX;
    R.Right += DX;
    R.Top += DY;
    R.Bottom += DY;
}

// Separators after a shown separator or at the start do not show; with
// Trailing, nor do those at the end.
void HideExtraSeparators(const std::vector<TTBItemViewer *> &Viewers, std::vector<Layout> &Pos,
                         bool Trailing)
{
    bool PreviousWasSeparator = true;
    for (std::size_t I = 0; I < Viewers.size(); ++I) {
        if (!Pos[I].Show) continue;
        const bool Separator = IsSeparator(Viewers[I]);
        if (Separator && PreviousWasSeparator) Pos[I].Show = false;
        PreviousWasSeparator = Separator;
    }
    if (!Trailing) return;
    for (std::size_t I = Viewers.size(); I-- > 0;) {
        if (!Pos[I].Show) continue;
        if (!IsSeparator(Viewers[I])) break;
        Pos[I].Show = false;
    }
}

// The screen's device context with a canvas on it, for measuring; given back on every exit.
class MeasuringCanvas
{
public:
    explicit MeasuringCanvas(TFont *Font) : FScreen(GetDC({}))
    {
        FCanvas.SetHandle(FScreen);
        FCanvas.Font()->Assign(Font);
    }
    ~MeasuringCanvas()
    {
        FCanvas.SetHandle(nullptr);
        ReleaseDC({}, FScreen);
    }
    MeasuringCanvas(const MeasuringCanvas &) = delete;
    MeasuringCanvas &operator=(const MeasuringCanvas &) = delete;
    TCanvas *Canvas() { return &FCanvas; }

private:
    HDC FScreen;
    TCanvas FCanvas;
};

} // namespace

// The placing of shown viewers one after another, in rows (or columns) that
// wrap, with the line bookkeeping the finishing of each line needs.
class TTBView::LayoutPass
{
public:
    LayoutPass(TTBView &View, const std::vector<TTBItemViewer *> &Viewers, std::vector<Layout> &Pos,
               TTBViewOrientation Orientation, int WrapOffset, TPoint &TotalSize, int &WrappedLines)
        : FView(View), FViewers(Viewers), FPos(Pos), FVertical(Orientation == tbvoVertical),
          FFloating(Orientation == tbvoFloating), FWrapOffset(WrapOffset), FTotalSize(TotalSize),
          FWrappedLines(WrappedLines), FMargins(View.GetMargins(Orientation))
    {
    }

    // TotalSize comes in as the least size the bar wants (a full-size bar's length).
    void Run()
    {
        FCurX = FMargins.Left;
        FCurY = FMargins.Top;
        bool PreviousFlowed = false;
        bool Any = false;
        for (std::size_t I = 0; I < FViewers.size(); ++I) {
            if (!FPos[I].Show) continue;
            const bool Flows = FView.FIsToolbar ||
                               FViewers[I]->Item()->EffectiveOptions().Contains(tboToolbarSize);
            if (PreviousFlowed && !Flows) {
                FinishLine(I, false);
                FLineStart = I;
                FCurX = FMargins.Left;
                FCurY = FTotalSize.Y;
                FLineHeight = FLineWidth = 0;
            }
            Place(I);
            const TRect &R = FPos[I].Bounds;
            if (!Flows || FVertical)
                FCurY += R.Height();
            else
                FCurX += R.Width();
            FTotalSize.X = std::max<LONG>(FTotalSize.X, R.Right);
            FTotalSize.Y = std::max<LONG>(FTotalSize.Y, R.Bottom);
            PreviousFlowed = Flows;
            Any = true;
        }
        if (Any) FinishLine(FViewers.size(), true);
        FTotalSize.X += FMargins.Right;
        FTotalSize.Y += FMargins.Bottom;
    }

private:
    int Along(const TRect &R) const { return FVertical ? R.Height() : R.Width(); }
    int AlongPos() const { return FVertical ? FCurY : FCurX; }
    int LineOrigin() const { return FVertical ? FMargins.Top : FMargins.Left; }
    int LineThickness() const { return FVertical ? FLineWidth : FLineHeight; }

    // Back to the start of the line, one line further across.
    void NextLine(int Advance)
    {
        if (FVertical) {
            FCurY = FMargins.Top;
            FCurX += Advance;
        } else {
            FCurX = FMargins.Left;
            FCurY += Advance;
        }
    }

    // The length of the shown viewers after Index up to the next separator.
    int GroupLengthAfter(std::size_t Index) const
    {
        int Length = 0;
        for (std::size_t J = Index + 1; J < FViewers.size(); ++J) {
            if (!FPos[J].Show) continue;
            if (IsSeparator(FViewers[J])) break;
            Length += Along(FPos[J].Bounds);
        }
        return Length;
    }

    void Place(std::size_t I)
    {
        Layout &P = FPos[I];
        if (FWrapOffset >= 1 && AlongPos() - LineOrigin() >= 1) {
            const int Endpoint = AlongPos() + Along(P.Bounds);
            if (IsSeparator(FViewers[I])) {
                const bool Break =
                    (FSplit && !FViewers[I]->Item()->ItemStyle().Contains(tbisNoLineBreak)) ||
                    Endpoint + GroupLengthAfter(I) > FWrapOffset;
                if (Break) {
                    PlaceLineSeparator(I);
                    return;
                }
            } else if (Endpoint > FWrapOffset) {
                ++FWrappedLines;
                FWrapped = true;
                FSplit = true;
                NextLine(LineThickness());
                FinishLine(I, false);
                FLineStart = I;
                FLineHeight = FLineWidth = 0;
            }
        }
        MoveInto(P);
    }

    void PlaceLineSeparator(std::size_t I)
    {
        Layout &P = FPos[I];
        ++FWrappedLines;
        FWrapped = true;
        NextLine(LineThickness());
        FinishLine(I, false);
        FLineHeight = FLineWidth = 0;
        P.Bounds = FVertical ? TRect(0, 0, 6, 0) : TRect(0, 0, 0, 6);
        P.LineSep = true;
        Shift(P.Bounds, std::max(FCurX, 0), std::max(FCurY, 0));
        NextLine(6);
        FLineStart = I + 1;
        FSplit = false;
    }

    void MoveInto(Layout &P)
    {
        Shift(P.Bounds, std::max(FCurX, 0), std::max(FCurY, 0));
        FLineHeight = std::max<int>(FLineHeight, P.Bounds.Height());
        FLineWidth = std::max<int>(FLineWidth, P.Bounds.Width());
    }

    // Lines up the viewers from the line start up to (not including) End.
    void FinishLine(std::size_t End, bool IsLastLine)
    {
        if (FWrapped && !FView.FChevronParentView) {
            LONG &Length = FVertical ? FTotalSize.Y : FTotalSize.X;
            Length = std::max<LONG>(Length, FWrapOffset);
        }
        int Thickness = LineThickness();
        if (FView.FIsToolbar && IsLastLine && !FWrapped && !FFloating)
            Thickness = FVertical ? FTotalSize.X - FMargins.Left : FTotalSize.Y - FMargins.Top;
        std::size_t FirstRightAligned = End;
        std::size_t Last = End;
        for (std::size_t I = FLineStart; I < End; ++I) {
            Layout &P = FPos[I];
            if (!P.Show || P.LineSep) continue;
            Last = I;
            if (FirstRightAligned == End &&
                FViewers[I]->Item()->ItemStyle().Contains(tbisRightAlign))
                FirstRightAligned = I;
            if (FView.FIsToolbar)
                AlignAcross(P, IsSeparator(FViewers[I]), Thickness);
            else if (!FViewers[I]->Item()->EffectiveOptions().Contains(tboToolbarSize))
                P.Bounds.Right = P.Bounds.Left + FLineWidth;
        }
        if (FirstRightAligned == End) return;
        const int Limit = std::min<int>(FWrapOffset, FVertical ? FTotalSize.Y : FTotalSize.X);
        const int By = Limit - (FVertical ? FPos[Last].Bounds.Bottom : FPos[Last].Bounds.Right);
        if (By < 1) return;
        for (std::size_t I = FirstRightAligned; I <= Last; ++I)
            if (FPos[I].Show) Shift(FPos[I].Bounds, FVertical ? 0 : By, FVertical ? By : 0);
    }

    void AlignAcross(Layout &P, bool Separator, int Thickness) const
    {
        TRect &R = P.Bounds;
        if (FVertical) {
            const int Own = R.Width();
            if (Separator)
                R.Right = R.Left + Thickness;
            else
                Shift(R, (Thickness - Own) / 2, 0);
        } else {
            const int Own = R.Height();
            if (Separator)
                R.Bottom = R.Top + Thickness;
            else
                Shift(R, 0, (Thickness - Own) / 2);
        }
    }

    TTBView &FView;
    const std::vector<TTBItemViewer *> &FViewers;
    std::vector<Layout> &FPos;
    bool FVertical;
    bool FFloating;
    int FWrapOffset;
    TPoint &FTotalSize;
    int &FWrappedLines;
    TRect FMargins;
    int FCurX = 0;
    int FCurY = 0;
    int FLineHeight = 0;
    int FLineWidth = 0;
    std::size_t FLineStart = 0;
    bool FWrapped = false;
    bool FSplit = false;
};

TRect TTBView::GetMargins(TTBViewOrientation AOrientation)
{
    return AOrientation == tbvoFloating ? TRect(4, 2, 4, 1) : TRect(0, 0, 0, 0);
}

std::vector<Layout> TTBView::ShownViewers(const std::vector<TTBItemViewer *> &Viewers,
                                          const TTBItemViewer *ChevronViewer)
{
    std::vector<Layout> Pos(Viewers.size());
    if (FChevronParentView) FChevronParentView->ValidatePositions();
    for (std::size_t I = 0; I < Viewers.size(); ++I) {
        if (Viewers[I] == ChevronViewer) continue;
        TTBCustomItem *Item = Viewers[I]->Item();
        if (TTBControlItem *ControlItem = ControlItemOf(Viewers[I])) {
            // A control lives on its bar; the chevron's popup cannot show it.
            TControl *Control = ControlItem->Control();
            Pos[I].Show = !FChevronParentView && Control && FWindow &&
                          Control->Parent() == FWindow &&
                          (Control->Visible() || Control->ComponentState().Contains(csDesigning));
            continue;
        }
        bool Show = Item->Visible();
        if (FChevronParentView && !IsSeparator(Viewers[I])) {
            // Only what went off the toolbar's edge shows in its chevron's popup.
            const int Index = static_cast<int>(I);
            Show = Show && Index < FChevronParentView->ViewerCount() &&
                   FChevronParentView->Viewers(Index)->OffEdge();
        }
        Pos[I].Show = Show && !(Item->ItemStyle().Contains(tbisEmbeddedGroup) && !FCustomizing);
    }
    HideExtraSeparators(Viewers, Pos, true);
    return Pos;
}

TPoint TTBView::MeasureViewers(const std::vector<TTBItemViewer *> &Viewers,
                               std::vector<Layout> &Pos)
{
    MeasuringCanvas Measuring(GetFont());
    TCanvas *Canvas = Measuring.Canvas();
    const TFontStyles Plain = Canvas->Font()->Style();
    TPoint BaseSize;
    for (std::size_t I = 0; I < Viewers.size(); ++I) {
        if (!Pos[I].Show) continue;
        int Width = 0, Height = 0;
        if (TTBControlItem *ControlItem = ControlItemOf(Viewers[I])) {
            Width = ControlItem->Control()->Width();
            Height = ControlItem->Control()->Height();
        } else {
            const bool Bold = Viewers[I]->Item()->EffectiveOptions().Contains(tboDefault) &&
                              !Plain.Contains(fsBold);
            if (Bold) Canvas->Font()->SetStyle(Plain + TFontStyles{fsBold});
            Viewers[I]->CalcSize(Canvas, Width, Height);
            if (Bold) Canvas->Font()->SetStyle(Plain);
        }
        Pos[I].Bounds = TRect(0, 0, Width, Height);
        if (FOrientation == tbvoVertical)
            BaseSize.Y += Height;
        else
            BaseSize.X += Width;
    }
    return BaseSize;
}

std::vector<std::size_t> TTBView::PriorityOrder() const
{
    std::vector<std::size_t> Order;
    if (FUsePriorityList) {
        for (TTBItemViewer *Viewer : FPriorityList)
            Order.push_back(static_cast<std::size_t>(IndexOf(Viewer)));
        return Order;
    }
    for (std::size_t I = 0; I < FViewers.size(); ++I)
        Order.push_back(I);
    return Order;
}

bool TTBView::HideOffEdge(const std::vector<TTBItemViewer *> &Viewers, std::vector<Layout> &Pos,
                          int Length, int Limit)
{
    const bool Vertical = FOrientation == tbvoVertical;
    auto AlongOf = [&](std::size_t I) {
        return Vertical ? Pos[I].Bounds.Height() : Pos[I].Bounds.Width();
    };
    auto ShownLength = [&] {
        int Sum = 0;
        for (std::size_t I = 0; I < Viewers.size(); ++I)
            if (Pos[I].Show) Sum += AlongOf(I);
        return Sum;
    };
    const std::vector<std::size_t> Order = PriorityOrder();
    bool ItemWentOff = false;
    while (Length > Limit) {
        int NonSeparators = 0;
        std::size_t LastShown = Viewers.size();
        for (std::size_t I = 0; I < Viewers.size(); ++I) {
            if (!Pos[I].Show) continue;
            LastShown = I;
            if (!IsSeparator(Viewers[I])) ++NonSeparators;
        }
        if (NonSeparators < 2) break;
        if (IsSeparator(Viewers[LastShown])) {
            Pos[LastShown].Show = false;
        } else {
            const auto Lowest = std::find_if(Order.rbegin(), Order.rend(), [&](std::size_t I) {
                return Pos[I].Show && !IsSeparator(Viewers[I]);
            });
            Pos[*Lowest].Show = false;
            Pos[*Lowest].OffEdge = true;
            if (!ControlItemOf(Viewers[*Lowest])) ItemWentOff = true;
        }
        HideExtraSeparators(Viewers, Pos, false);
        Length = ShownLength();
    }
    HideExtraSeparators(Viewers, Pos, true);
    return ItemWentOff;
}

// Controls go where their items were placed; those that did not fit are put out of sight.
void TTBView::PlaceControls(const std::vector<TTBItemViewer *> &Viewers,
                            const std::vector<Layout> &Pos)
{
    for (std::size_t I = 0; I < Viewers.size(); ++I) {
        TTBControlItem *ControlItem = ControlItemOf(Viewers[I]);
        TControl *Control = ControlItem ? ControlItem->Control() : nullptr;
        if (!Control) continue;
        if (Pos[I].Show) {
            const TRect &R = Pos[I].Bounds;
            if (!(Control->BoundsRect() == R))
                Control->SetBounds(R.Left, R.Top, R.Width(), R.Height());
        } else if ((Pos[I].OffEdge || Pos[I].Clipped) && FWindow) {
            Control->SetBounds(FWindow->ClientWidth(), FWindow->ClientHeight(), Control->Width(),
                               Control->Height());
        }
    }
}

bool TTBView::CalculatePositions(bool CanMoveControls, TTBViewOrientation AOrientation,
                                 int WrapOffset, int ChevronOffset, int ChevronSize,
                                 TPoint &BaseSize, TPoint &TotalSize, int &WrappedLines)
{
    struct OrientationGuard {
        TTBViewOrientation &Field;
        TTBViewOrientation Saved;
        ~OrientationGuard() { Field = Saved; }
    } Guard{FOrientation, FOrientation};
    FOrientation = AOrientation;
    const bool Vertical = AOrientation == tbvoVertical;
    WrappedLines = 1;
    TTBCustomItem *ChevronItem = GetChevronItem();
    std::vector<TTBItemViewer *> Viewers;
    for (auto &Viewer : FViewers)
        Viewers.push_back(Viewer.get());
    TTBItemViewer *ChevronViewer =
        ChevronItem && FInternalViewersAtEnd > 0 && !Viewers.empty() ? Viewers.back() : nullptr;

    std::vector<Layout> Pos = ShownViewers(Viewers, ChevronViewer);
    BaseSize = MeasureViewers(Viewers, Pos);

    const int Length = Vertical ? BaseSize.Y : BaseSize.X;
    const bool ChevronNeeded = ChevronViewer && ChevronOffset >= 1 && Length > ChevronOffset;
    const bool ItemWentOff =
        ChevronNeeded && HideOffEdge(Viewers, Pos, Length, ChevronOffset - ChevronSize);

    for (std::size_t I = 0; I < Viewers.size(); ++I) {
        if (!Pos[I].Show) continue;
        if (Vertical)
            BaseSize.X = std::max<LONG>(BaseSize.X, Pos[I].Bounds.Width());
        else
            BaseSize.Y = std::max<LONG>(BaseSize.Y, Pos[I].Bounds.Height());
    }

    LayoutPass(*this, Viewers, Pos, AOrientation, WrapOffset, TotalSize, WrappedLines).Run();

    if (Vertical)
        for (Layout &P : Pos)
            if (P.Show) {
                const LONG Left = P.Bounds.Left;
                P.Bounds.Left = TotalSize.X - P.Bounds.Right;
                P.Bounds.Right = TotalSize.X - Left;
            }
    PlaceTallPopup(Pos, TotalSize);
    if (FIsToolbar)
        for (Layout &P : Pos)
            if (P.Show && P.LineSep)
                (Vertical ? P.Bounds.Bottom : P.Bounds.Right) =
                    Vertical ? TotalSize.Y : TotalSize.X;

    if (ChevronNeeded) {
        if (CanMoveControls) ChevronItem->SetEnabled(ItemWentOff);
        // The chevron closes the bar's length, inside it, after whatever is left shown.
        Layout &P = Pos.back();
        P.Show = true;
        if (Vertical) {
            const int Top = std::max<int>(ChevronOffset - ChevronSize, TotalSize.Y);
            P.Bounds = TRect(0, Top, TotalSize.X, Top + ChevronSize);
            TotalSize.Y = P.Bounds.Bottom;
        } else {
            const int Left = std::max<int>(ChevronOffset - ChevronSize, TotalSize.X);
            P.Bounds = TRect(Left, 0, Left + ChevronSize, TotalSize.Y);
            TotalSize.X = P.Bounds.Right;
        }
    }

    if (!CanMoveControls) return false;
    PlaceControls(Viewers, Pos);
    bool Changed = false;
    for (std::size_t I = 0; I < Viewers.size(); ++I) {
        TTBItemViewer *Viewer = Viewers[I];
        const Layout &P = Pos[I];
        TTBItemViewerState State = Viewer->ViewerState();
        if (!(Viewer->BoundsRect() == P.Bounds) || Viewer->Show() != P.Show ||
            State.Contains(tbisLineSep) != P.LineSep)
            Changed = true;
        Viewer->SetBoundsRect(P.Bounds);
        Viewer->SetShow(P.Show);
        Viewer->SetOffEdge(P.OffEdge);
        Viewer->SetClipped(P.Clipped);
        if (P.LineSep)
            State << tbisLineSep;
        else
            State >> tbisLineSep;
        Viewer->SetViewerState(State);
    }
    return Changed;
}

void TTBView::PlaceTallPopup(std::vector<Layout> &Pos, TPoint &Size)
{
    if (FMaxHeight < 1 || Size.Y <= FMaxHeight) {
        FScrollOffset = 0;
        FShowUpArrow = FShowDownArrow = false;
        return;
    }
    const int Overflow = Size.Y - FMaxHeight;
    FScrollOffset = std::max(std::min(FScrollOffset, Overflow), 0);
    FShowUpArrow = FScrollOffset > 0;
    FShowDownArrow = Overflow > FScrollOffset;
    const int BandTop = FShowUpArrow ? ScrollArrowHeight : 0;
    const int BandBottom = FMaxHeight - (FShowDownArrow ? ScrollArrowHeight : 0);
    for (Layout &P : Pos) {
        if (P.Bounds.Width() <= 0 && P.Bounds.Height() <= 0) continue;
        P.Bounds.Top -= FScrollOffset;
        P.Bounds.Bottom -= FScrollOffset;
        if (P.Show && (P.Bounds.Top < BandTop || P.Bounds.Bottom > BandBottom)) {
            P.Show = false;
            P.Clipped = true;
        }
    }
    Size.Y = FMaxHeight;
}

void TTBView::Scroll(bool Down)
{
    ValidatePositions();
    bool Found = false;
    int Edge = 0;
    for (const auto &Viewer : FViewers) {
        if (!Viewer->Clipped() || IsSeparator(Viewer.get())) continue;
        const TRect &R = Viewer->BoundsRect();
        if (Down && R.Bottom > FMaxHeight - ScrollArrowHeight) {
            Edge = Found ? std::min<int>(Edge, R.Bottom) : R.Bottom;
            Found = true;
        } else if (!Down && R.Top < ScrollArrowHeight) {
            Edge = Found ? std::max<int>(Edge, R.Top) : R.Top;
            Found = true;
        }
    }
    if (!Found) return;
    FScrollOffset += Down ? Edge - (FMaxHeight - ScrollArrowHeight) : Edge - ScrollArrowHeight;
    UpdatePositions();
}

void TTBView::ScrollSelectedIntoView()
{
    if (!FSelected || !FSelected->Clipped()) return;
    const TRect &R = FSelected->BoundsRect();
    if (R.Top < ScrollArrowHeight)
        FScrollOffset += R.Top - ScrollArrowHeight;
    else if (R.Bottom > FMaxHeight - ScrollArrowHeight)
        FScrollOffset += R.Bottom - (FMaxHeight - ScrollArrowHeight);
    UpdatePositions();
}

TTBItemViewer *TTBView::ViewerFromPoint(const TPoint &P)
{
    ValidatePositions();
    for (const auto &Viewer : FViewers)
        if (Viewer->Show() && Viewer->BoundsRect().Contains(P.X, P.Y)) return Viewer.get();
    return nullptr;
}

// ---- painting -------------------------------------------------------------------------------

void TTBView::DrawSubitems(TCanvas *Canvas)
{
    const bool InOrder = FState.Contains(vsDrawInOrder);
    for (const auto &Viewer : FViewers)
        if (InOrder || Viewer.get() != FSelected) DrawItem(Viewer.get(), Canvas, false);
    if (!InOrder && FSelected) DrawItem(FSelected, Canvas, false);
    FState >> vsDrawInOrder;
}

void TTBView::DrawItem(TTBItemViewer *Viewer, TCanvas *Canvas, bool Offscreen)
{
    ValidatePositions();
    TTBItemViewerState ViewerState = Viewer->ViewerState();
    if (ViewerState.Contains(tbisInvalidated)) {
        Viewer->SetViewerState(ViewerState >> tbisInvalidated);
        Offscreen = true;
    }
    const TRect R = Viewer->BoundsRect();
    // A control paints itself.
    if (!Viewer->Show() || R.Width() <= 0 || R.Height() <= 0 || ControlItemOf(Viewer)) return;
    const bool IsSelected = Viewer == FSelected;
    const bool IsPushed = IsSelected && (Viewer == FOpenViewer || (FMouseOverSelected && FCapture));
    const bool ToolbarStyle = Viewer->IsToolbarStyle();

    Canvas->Lock();
    const HDC Target = Canvas->Handle();
    const int Saved = SaveDC(Target);
    IntersectClipRect(Target, R.Left, R.Top, R.Right, R.Bottom);
    RECT Clip{};
    if (GetClipBox(Target, &Clip) == NULLREGION || IsRectEmpty(&Clip)) {
        RestoreDC(Target, Saved);
        Canvas->Unlock();
        return;
    }
    TCanvas Drawing;
    HDC Memory{};
    HBITMAP Bitmap{};
    HGDIOBJ OldBitmap{};
    if (Offscreen) {
        Memory = CreateCompatibleDC(Target);
        Bitmap = CreateCompatibleBitmap(Target, R.Width(), R.Height());
        OldBitmap = SelectObject(Memory, Bitmap);
        SetWindowOrgEx(Memory, R.Left, R.Top, nullptr);
        if (FWindow) FWindow->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(Memory), 0);
        SetWindowOrgEx(Memory, 0, 0, nullptr);
        Drawing.SetHandle(Memory);
    } else {
        OffsetWindowOrgEx(Target, -R.Left, -R.Top, nullptr);
        SetBrushOrgEx(Target, R.Left % 2, R.Top % 2, nullptr);
        Drawing.SetHandle(Target);
    }
    const bool Enabled = Viewer->Item()->Enabled();
    if (IsSelected && !ToolbarStyle) {
        Drawing.Brush()->SetColor(AreFlatMenusEnabled() ? clMenuHighlight : clHighlight);
        Drawing.Brush()->SetStyle(bsSolid);
    } else {
        Drawing.Brush()->SetStyle(bsClear);
    }
    Drawing.Font()->Assign(GetFont());
    bool UseDisabledShadow = false;
    if (Enabled) {
        Drawing.Font()->SetColor(IsSelected && !ToolbarStyle ? clHighlightText
                                 : ToolbarStyle              ? clBtnText
                                                             : clMenuText);
    } else {
        Drawing.Font()->SetColor(clGrayText);
        const COLORREF WindowColor = FWindow ? ColorToRGB(FWindow->Color()) : 0;
        UseDisabledShadow = ToolbarStyle || (!IsSelected && WindowColor == ColorToRGB(clBtnFace)) ||
                            WindowColor == ColorToRGB(clGrayText);
    }
    try {
        Viewer->Paint(&Drawing, TRect(0, 0, R.Width(), R.Height()), IsSelected, IsPushed,
                      UseDisabledShadow);
    } catch (...) {
        Drawing.SetHandle(nullptr);
        if (Memory) {
            SelectObject(Memory, OldBitmap);
            DeleteObject(Bitmap);
            DeleteDC(Memory);
        }
        RestoreDC(Target, Saved);
        Canvas->Unlock();
        throw;
    }
    Drawing.SetHandle(nullptr);
    if (Memory) {
        BitBlt(Target, R.Left, R.Top, R.Width(), R.Height(), Memory, 0, 0, SRCCOPY);
        SelectObject(Memory, OldBitmap);
        DeleteObject(Bitmap);
        DeleteDC(Memory);
    }
    RestoreDC(Target, Saved);
    Canvas->Unlock();
}

void TTBView::Invalidate(TTBItemViewer *Viewer)
{
    if (!FValidated || !FWindow || !FWindow->HandleAllocated() || !Viewer->Show()) return;
    const RECT R = Viewer->BoundsRect();
    if (IsRectEmpty(&R)) return;
    Viewer->SetViewerState(Viewer->ViewerState() << tbisInvalidated);
    InvalidateRect(FWindow->WindowHandle(), &R, FALSE);
}

void TTBView::SetAccelsVisibility(bool ShowAccels)
{
    const bool Value =
        ShowAccels || !FStyle.Contains(vsUseHiddenAccels) || AreKeyboardCuesEnabled();
    if (Value == FState.Contains(vsShowAccels)) return;
    if (Value)
        FState << vsShowAccels;
    else
        FState >> vsShowAccels;
    for (const auto &Viewer : FViewers)
        if (Viewer->CaptionShown() && FindAccelChar(Viewer->GetCaptionText()))
            Invalidate(Viewer.get());
}

// ---- selection ------------------------------------------------------------------------------

void TTBView::SetSelected(TTBItemViewer *Viewer)
{
    TTBItemViewer *Old = FSelected;
    if (Viewer != Old) {
        CancelCapture();
        if (Old) Old->Leaving();
        FSelected = Viewer;
    }
    bool NewMouseOver = false;
    if (Viewer && FWindow && FWindow->HandleAllocated()) {
        const DWORD Pos = GetMessagePos();
        POINT P{static_cast<short>(LOWORD(Pos)), static_cast<short>(HIWORD(Pos))};
        if (WindowFromPoint(P) == FWindow->WindowHandle()) {
            ::ScreenToClient(FWindow->WindowHandle(), &P);
            NewMouseOver = ViewerFromPoint(P) == Viewer;
            if (NewMouseOver && FCapture)
                NewMouseOver = Viewer->IsPtInButtonPart(P.x - Viewer->BoundsRect().Left,
                                                        P.y - Viewer->BoundsRect().Top);
        }
    }
    if (Viewer != Old) {
        FMouseOverSelected = NewMouseOver;
        if (Old && Old->Item()->ItemStyle().Contains(tbisRedrawOnSelChange)) Invalidate(Old);
        if (Viewer) {
            if (Viewer->Item()->ItemStyle().Contains(tbisRedrawOnSelChange)) Invalidate(Viewer);
            Viewer->Entering();
        }
    } else if (NewMouseOver != FMouseOverSelected) {
        FMouseOverSelected = NewMouseOver;
        if (Viewer && FCapture && Viewer->Item()->ItemStyle().Contains(tbisRedrawOnMouseOverChange))
            Invalidate(Viewer);
    }
}

void TTBView::UpdateSelection(const TPoint *P, bool AllowNewSelection)
{
    ValidatePositions();
    TTBItemViewer *New = (IsPopup() || FState.Contains(vsOpen)) ? FSelected : nullptr;
    const bool WasInWindow = FState.Contains(vsMouseInWindow);
    if (P && FWindow && FWindow->HandleAllocated() &&
        WindowFromPoint(POINT{P->X, P->Y}) == FWindow->WindowHandle()) {
        if (!(!IsPopup() && FState.Contains(vsOpen))) New = nullptr;
        FState << vsMouseInWindow;
        if (AllowNewSelection || FSelected) {
            POINT Client{P->X, P->Y};
            ::ScreenToClient(FWindow->WindowHandle(), &Client);
            if (TTBItemViewer *Under = ViewerFromPoint(Client)) New = Under;
        }
    } else {
        FState >> vsMouseInWindow;
    }
    if (FCapture) New = FSelected;
    if (IsPopup() && New) {
        const bool InWindow = FState.Contains(vsMouseInWindow);
        if (!FCapture && WasInWindow && !InWindow &&
            !(FOpenViewer && New->Item()->ItemStyle().Contains(tbisSubmenu)))
            New = nullptr;
        if (InWindow && FParentView) {
            if (FParentView->FSelected != FParentView->FOpenViewer)
                FParentView->SetSelected(FParentView->FOpenViewer);
            FParentView->StopTimer(tiClose);
            FParentView->StopTimer(tiOpen);
        }
    }
    SetSelected(New);
}

TTBItemViewer *TTBView::NextSelectable(TTBItemViewer *Viewer, bool GoForward)
{
    ValidatePositions();
    const int Count = ViewerCount();
    if (Count == 0) return nullptr;
    const int Start = IndexOf(Viewer);
    const int First = GoForward ? (Start + 1) % Count : (Start <= 0 ? Count - 1 : Start - 1);
    for (int Step = 0; Step < Count; ++Step) {
        const int Index = GoForward ? (First + Step) % Count : (First - Step + Count) % Count;
        TTBItemViewer *Candidate = Viewers(Index);
        const TTBCustomItem *Item = Candidate->Item();
        if ((Candidate->Show() || Candidate->Clipped()) && Item->Visible() &&
            Item->ItemStyle().Contains(tbisSelectable))
            return Candidate;
    }
    return nullptr;
}

TTBItemViewer *TTBView::FirstSelectable()
{
    TTBItemViewer *First = NextSelectable(nullptr, true);
    TTBItemViewer *Candidate = First;
    while (Candidate && Candidate->Item()->ItemStyle().Contains(tbisDontSelectFirst)) {
        Candidate = NextSelectable(Candidate, true);
        if (Candidate == First) break;
    }
    return Candidate;
}

namespace
{

char UpperChar(char C)
{
    return static_cast<char>(rtl::UpperByte(static_cast<unsigned char>(C)));
}

} // namespace

TTBItemViewer *TTBView::NextSelectableWithAccel(TTBItemViewer *Viewer, char Key,
                                                bool RequirePrimaryAccel, bool &IsOnlyItemWithAccel)
{
    ValidatePositions();
    IsOnlyItemWithAccel = false;
    const int Count = ViewerCount();
    if (Count == 0) return nullptr;
    auto Matches = [&](TTBItemViewer *Candidate, bool Primary, bool Enabled) {
        const TTBCustomItem *Item = Candidate->Item();
        if (!(Candidate->Show() || Candidate->Clipped()) ||
            !Item->ItemStyle().Contains(tbisSelectable) || Item->Enabled() != Enabled ||
            !Item->Visible() || !Candidate->CaptionShown())
            return false;
        const AnsiString Caption = Candidate->GetCaptionText();
        if (Caption.IsEmpty()) return false;
        const char Accel = FindAccelChar(Caption);
        if (Primary) return Accel != 0 && UpperChar(Accel) == UpperChar(Key);
        return Accel == 0 && Key != ' ' && UpperChar(Caption[1]) == UpperChar(Key);
    };
    auto Search = [&](int From, bool Primary, bool Enabled) -> int {
        for (int Step = 1; Step <= Count; ++Step) {
            const int Index = ((From + Step) % Count + Count) % Count;
            if (Matches(Viewers(Index), Primary, Enabled)) return Index;
        }
        return -1;
    };
    const int Start = IndexOf(Viewer);
    for (int Pass = 0; Pass < (RequirePrimaryAccel ? 2 : 4); ++Pass) {
        const bool Primary = Pass < 2, Enabled = Pass % 2 == 0;
        const int Found = Search(Start, Primary, Enabled);
        if (Found < 0) continue;
        IsOnlyItemWithAccel = !Enabled || Search(Found, Primary, Enabled) == Found;
        return Viewers(Found);
    }
    return nullptr;
}

void TTBView::GivePriority(TTBItemViewer *Viewer)
{
    if (FChevronParentView) {
        // The chevron's popup shows the bar's own items: the bar's viewer gets it.
        const int Index = IndexOf(Viewer);
        if (Index >= 0 && Index < FChevronParentView->ViewerCount())
            FChevronParentView->GivePriority(FChevronParentView->Viewers(Index));
    } else if (const auto At = std::find(FPriorityList.begin(), FPriorityList.end(), Viewer);
               At != FPriorityList.end()) {
        std::rotate(FPriorityList.begin(), At, At + 1);
        if (!FValidated || Viewer->OffEdge()) UpdatePositions();
    }
    // The chain of open menus up to the bar stays in sight.
    if (FParentView && FParentView->FOpenViewer)
        FParentView->GivePriority(FParentView->FOpenViewer);
}

TTBItemViewer *TTBView::HighestPriorityViewer()
{
    ValidatePositions();
    for (std::size_t I : PriorityOrder()) {
        TTBItemViewer *Viewer = FViewers[I].get();
        if (Viewer->Show() && !IsSeparator(Viewer)) return Viewer;
    }
    return nullptr;
}

std::vector<TWinControl *> TTBView::GetOffEdgeControlList()
{
    std::vector<TWinControl *> List;
    for (const auto &Viewer : FViewers)
        if (TTBControlItem *ControlItem = ControlItemOf(Viewer.get());
            ControlItem && Viewer->OffEdge())
            if (auto *Windowed = dynamic_cast<TWinControl *>(ControlItem->Control()))
                List.push_back(Windowed);
    return List;
}

void TTBView::CancelCapture()
{
    if (!FCapture) return;
    FCapture = false;
    TBLastMousePos().x = TBNoPosition;
    if (FSelected) FSelected->LosingCapture();
}

// ---- submenus and timers ---------------------------------------------------------------------

bool TTBView::OpenChildPopup(bool SelectFirstItem)
{
    StopTimer(tiClose);
    StopTimer(tiOpen);
    if (FSelected != FOpenViewer) {
        CloseChildPopups();
        if (FSelected && FSelected->Item()->Enabled() &&
            FSelected->Item()->ItemStyle().Contains(tbisSubmenu))
            FSelected->Item()->CreatePopup(this, FSelected, !FIsToolbar, SelectFirstItem, false,
                                           TPoint(0, 0), tbpaLeft);
    }
    return FOpenViewer != nullptr;
}

void TTBView::CloseChildPopups()
{
    if (FOpenViewerView) FOpenViewerView->CloseChildPopups();
    TTBPopupWindow *Window = std::exchange(FOpenViewerWindow, nullptr);
    FOpenViewerView = nullptr;
    // The viewer it hung from is still known while the window goes: its view repaints it.
    delete Window;
    FOpenViewer = nullptr;
}

void TTBView::StartTimer(TTBViewTimerID ID, UINT Interval)
{
    StopTimer(ID);
    auto *Popup = dynamic_cast<TTBPopupWindow *>(FWindow);
    if (!Popup || !Popup->HandleAllocated()) return;
    SetTimer(Popup->WindowHandle(), ViewTimerBase + ID, Interval, nullptr);
    FActiveTimers |= 1u << ID;
}

void TTBView::StopTimer(TTBViewTimerID ID)
{
    if (!TimerActive(ID)) return;
    if (auto *Popup = dynamic_cast<TTBPopupWindow *>(FWindow); Popup && Popup->HandleAllocated())
        KillTimer(Popup->WindowHandle(), ViewTimerBase + ID);
    FActiveTimers &= ~(1u << ID);
}

void TTBView::StopAllTimers()
{
    for (TTBViewTimerID ID : {tiOpen, tiClose, tiScrollUp, tiScrollDown})
        StopTimer(ID);
}

void TTBView::TimerFired(TTBViewTimerID ID)
{
    switch (ID) {
    case tiOpen:
        CloseChildPopups();
        OpenChildPopup(false);
        break;
    case tiClose:
        StopTimer(tiClose);
        CloseChildPopups();
        break;
    case tiScrollUp:
    case tiScrollDown: {
        const bool Down = ID == tiScrollDown;
        if (Down ? FShowDownArrow : FShowUpArrow)
            Scroll(Down);
        else
            StopTimer(ID);
        break;
    }
    }
}
