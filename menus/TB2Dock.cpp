#include "menus/TB2Dock.h"

#include "menus/TB2Common.h"
#include "platform/vcl/Menus.h"

#include <algorithm>
#include <utility>

namespace
{

// What the arrangement works out for one bar of the dock list.
struct BarLayout {
    TTBCustomDockableWindow *Bar = nullptr;
    int Row = 0;
    int GapBefore = 0;
    int FullLength = 0;
    int MinLength = 0;
    int Length = 0;
    int Overlap = 0;
    int Position = 0;
    TTBShrinkMode Shrink = tbsmNone;
};

using Layouts = std::vector<BarLayout>;

std::vector<BarLayout *> RowOf(Layouts &All, int Row)
{
    std::vector<BarLayout *> Result;
    for (BarLayout &L : All)
        if (L.Row == Row) Result.push_back(&L);
    return Result;
}

void ShiftRowsFrom(Layouts &All, int Row, const BarLayout *Except)
{
    for (BarLayout &L : All)
        if (&L != Except && L.Row >= Row) ++L.Row;
}

// A bar that must be alone in its row pushes the others of the row, and the rows
// after it, one row down.
void SeparateLoneBars(Layouts &All, const std::function<bool(const BarLayout &)> &MustBeAlone)
{
    for (BarLayout &L : All) {
        if (!MustBeAlone(L)) continue;
        const bool Shared = std::any_of(
            All.begin(), All.end(), [&](const BarLayout &O) { return &O != &L && O.Row == L.Row; });
        if (!Shared) continue;
        for (BarLayout &O : All)
            if (&O != &L && O.Row >= L.Row) ++O.Row;
    }
}

void RemoveEmptyRows(Layouts &All)
{
    std::vector<int> Rows;
    for (const BarLayout &L : All)
        Rows.push_back(L.Row);
    std::sort(Rows.begin(), Rows.end());
    Rows.erase(std::unique(Rows.begin(), Rows.end()), Rows.end());
    // Any requested row, negative or far out, becomes one of 0, 1, 2...
    for (BarLayout &L : All)
        L.Row = static_cast<int>(std::lower_bound(Rows.begin(), Rows.end(), L.Row) - Rows.begin());
}

int Along(const TPoint &P, bool LeftRight)
{
    return LeftRight ? P.Y : P.X;
}

int Across(const TPoint &P, bool LeftRight)
{
    return LeftRight ? P.X : P.Y;
}

// Bars in the order of their rows, and within a row of their positions.
int CompareDockRowPos(const TTBCustomDockableWindow *A, const TTBCustomDockableWindow *B,
                      std::nullptr_t)
{
    if (A->DockRow() != B->DockRow()) return A->DockRow() < B->DockRow() ? -1 : 1;
    return A->DockPos() < B->DockPos() ? -1 : A->DockPos() > B->DockPos() ? 1 : 0;
}

} // namespace

TTBDock::TTBDock(TComponent *AOwner) : TCustomControl(AOwner)
{
    FControlStyle << csAcceptsControls << csMenuEvents;
    FControlStyle >> csCaptureMouse >> csClickEvents >> csOpaque;
    SetColor(clBtnFace);
    SetParentColor(false);
    SetAlign(alTop);
}

TTBDock::~TTBDock()
{
    if (FBackground) FBackground->UnregisterChanges(this);
    // Bars still inside go with the dock; they must not call back into it.
    auto Forget = [this](TTBCustomDockableWindow *Bar) {
        if (Bar->FLastDock == this) Bar->FLastDock = nullptr;
        if (Bar->FDefaultDock == this) Bar->FDefaultDock = nullptr;
        if (Bar->FCurrentDock == this) {
            Bar->FCurrentDock = nullptr;
            Bar->FDocked = false;
        }
    };
    for (TTBCustomDockableWindow *Bar : FDockList)
        Forget(Bar);
    for (int I = 0; I < ControlCount(); ++I)
        if (auto *Bar = dynamic_cast<TTBCustomDockableWindow *>(Controls(I))) Forget(Bar);
    FDockList.clear();
    FVisibleToolbars.clear();
}

void TTBDock::CreateParams(TCreateParams &Params)
{
    inherited::CreateParams(Params);
    if (!ComponentState().Contains(csDesigning))
        Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TTBDock::SetParent(TWinControl *AParent)
{
    if (dynamic_cast<TTBCustomDockableWindow *>(AParent) || dynamic_cast<TTBDock *>(AParent))
        throw EInvalidOperation(
            "A TTBDock control cannot be placed inside a tool window or another TTBDock");
    inherited::SetParent(AParent);
}

void TTBDock::SetPosition(TTBDockPosition Value)
{
    if (Value == FPosition) return;
    if (ControlCount() > 0)
        throw EInvalidOperation(
            "Cannot change Position of a TTBDock if it already contains controls");
    FPosition = Value;
    static constexpr TAlign Aligns[] = {alTop, alBottom, alLeft, alRight};
    SetAlign(Aligns[Value]);
}

void TTBDock::SetAllowDrag(bool Value)
{
    if (Value == FAllowDrag) return;
    FAllowDrag = Value;
    for (int I = 0; I < ControlCount(); ++I)
        if (auto *Bar = dynamic_cast<TTBCustomDockableWindow *>(Controls(I)))
            Bar->DockedFrameChanged();
    ArrangeToolbars();
}

void TTBDock::SetBackground(TTBBasicBackground *Value)
{
    if (Value == FBackground) return;
    if (FBackground) {
        FBackground->UnregisterChanges(this);
        FBackground->RemoveFreeNotification(this);
    }
    FBackground = Value;
    if (FBackground) {
        FBackground->FreeNotification(this);
        FBackground->RegisterChanges(this, [this](TObject *Sender) { BackgroundChanged(Sender); });
    }
    InvalidateBackgrounds();
}

void TTBDock::SetBackgroundOnToolbars(bool Value)
{
    if (Value == FBackgroundOnToolbars) return;
    FBackgroundOnToolbars = Value;
    InvalidateBackgrounds();
}

void TTBDock::SetBoundLines(TTBDockBoundLines Value)
{
    if (Value == FBoundLines) return;
    FBoundLines = Value;
    FNonClientWidth = int(Value.Contains(blLeft)) + int(Value.Contains(blRight));
    FNonClientHeight = int(Value.Contains(blTop)) + int(Value.Contains(blBottom));
    if (HandleAllocated()) RecalcFrame(Handle());
    ArrangeToolbars();
}

void TTBDock::SetFixAlign(bool Value)
{
    if (Value == FFixAlign) return;
    FFixAlign = Value;
    ArrangeToolbars();
}

void TTBDock::BackgroundChanged(TObject *)
{
    InvalidateBackgrounds();
}

void TTBDock::InvalidateBackgrounds()
{
    Invalidate();
    for (TTBCustomDockableWindow *Bar : FVisibleToolbars)
        if (Bar->HandleAllocated())
            RedrawWindow(Bar->Handle(), nullptr, {}, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void TTBDock::BeginUpdate()
{
    ++FUpdateDepth;
}

void TTBDock::EndUpdate()
{
    if (FUpdateDepth > 0 && --FUpdateDepth == 0 && FArrangeNeeded) ArrangeToolbars();
}

bool TTBDock::ToolbarVisibleOnDock(const TTBCustomDockableWindow *AToolbar) const
{
    return AToolbar->Parent() == this &&
           (AToolbar->Visible() || ComponentState().Contains(csDesigning));
}

bool TTBDock::HasVisibleToolbars() const
{
    return std::any_of(FDockList.begin(), FDockList.end(),
                       [this](TTBCustomDockableWindow *Bar) { return ToolbarVisibleOnDock(Bar); });
}

int TTBDock::GetCurrentRowSize(int Row, bool &AFullSize) const
{
    AFullSize = false;
    if (Row < 0) return 0;
    int Result = 0;
    for (TTBCustomDockableWindow *Bar : FVisibleToolbars) {
        if (Bar->FEffectiveDockRow != Row) continue;
        AFullSize = Bar->FFullSize;
        Result = std::max(Result, IsLeftRight() ? Bar->Width() : Bar->Height());
    }
    return Result;
}

int TTBDock::GetMinRowSize(int Row, const TTBCustomDockableWindow *ExcludeControl) const
{
    int Result = 0;
    for (TTBCustomDockableWindow *Bar : FVisibleToolbars)
        if (Bar != ExcludeControl && Bar->FEffectiveDockRow == Row)
            Result = std::max(Result, Bar->FCrossSize);
    return Result;
}

int TTBDock::GetDesignModeRowOf(int XY) const
{
    const int Highest = GetHighestRow(true);
    int End = 0;
    for (int Row = 0; Row <= Highest; ++Row) {
        bool Full;
        const int Size = GetCurrentRowSize(Row, Full);
        if (Size == 0) continue;
        End += Size;
        if (End > XY) return Row;
    }
    return Highest + 1;
}

int TTBDock::GetHighestRow(bool HighestEffective) const
{
    int Result = -1;
    for (TTBCustomDockableWindow *Bar : FDockList)
        Result = std::max(Result, HighestEffective ? Bar->FEffectiveDockRow : Bar->FDockRow);
    return Result;
}

void TTBDock::ChangeWidthHeight(int NewWidth, int NewHeight)
{
    int L = Left(), T = Top();
    if (Align() == alBottom) T += Height() - NewHeight;
    if (Align() == alRight) L += Width() - NewWidth;
    SetBounds(L, T, NewWidth, NewHeight);
}

void TTBDock::AlignControls(TControl *, TRect &)
{
    ArrangeToolbars();
}

void TTBDock::GetChildren(TGetChildProc Proc, TComponent *Root)
{
    for (int I = 0; I < ControlCount(); ++I)
        if (Controls(I)->Owner() == Root) Proc(Controls(I));
}

void TTBDock::Loaded()
{
    inherited::Loaded();
    ArrangeToolbars();
}

void TTBDock::CommitPositions()
{
    for (TTBCustomDockableWindow *Bar : FVisibleToolbars) {
        Bar->FDockRow = Bar->FEffectiveDockRow;
        Bar->FDockPos = Bar->FEffectiveDockPos;
    }
}

void TTBDock::ChangeDockList(bool Insert, TTBCustomDockableWindow *Bar)
{
    if (!Insert)
        RemoveFromList(FDockList, Bar);
    else if (AddToList(FDockList, Bar))
        Bar->FreeNotification(this);
    ToolbarVisibilityChanged(Bar, false);
}

void TTBDock::ToolbarVisibilityChanged(TTBCustomDockableWindow *Bar, bool ForceRemove)
{
    const bool Belongs = std::find(FDockList.begin(), FDockList.end(), Bar) != FDockList.end();
    const bool Wanted = !ForceRemove && Belongs && ToolbarVisibleOnDock(Bar);
    const bool Changed =
        Wanted ? AddToList(FVisibleToolbars, Bar) : RemoveFromList(FVisibleToolbars, Bar);
    if (!Changed) return;
    ArrangeToolbars();
    if (OnInsertRemoveBar) OnInsertRemoveBar(this, Wanted, Bar);
}

void TTBDock::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FBackground) FBackground = nullptr;
    std::erase_if(FDockList, [&](TTBCustomDockableWindow *Bar) { return Bar == AComponent; });
    std::erase_if(FVisibleToolbars,
                  [&](TTBCustomDockableWindow *Bar) { return Bar == AComponent; });
    if (FDragBar == AComponent) FDragBar = nullptr;
}

void TTBDock::RemoveDestroyingBars()
{
    auto Destroying = [](TTBCustomDockableWindow *Bar) {
        return Bar->ComponentState().Contains(csDestroying);
    };
    std::erase_if(FDockList, Destroying);
    std::erase_if(FVisibleToolbars, Destroying);
}

void TTBDock::RelayMsgToFloatingBars(TMessage &Message)
{
    for (TTBCustomDockableWindow *Bar : std::vector(FDockList)) {
        if (!Bar->ControlStyle().Contains(csMenuEvents) || !Bar->Floating() || !Bar->Showing() ||
            !Bar->Enabled())
            continue;
        Message.Result = Bar->Perform(Message.Msg, Message.WParam, Message.LParam);
        if (Message.Result != 0) return;
    }
    if (Message.Msg != WM_SYSCOMMAND) inherited::WndProc(Message);
}

namespace
{

// Lays one row out; true when the row is overfull with the dragged bar among others.
bool LayOutRow(Layouts &All, int Row, int Available, bool LeftRight, bool LimitToOneRow,
               const TTBCustomDockableWindow *DragBar)
{
    bool DragBarInOverfullRow = false;
    std::vector<BarLayout *> Bars = RowOf(All, Row);
    // Lengths, and wrapping of what no longer fits even at its smallest.
    int RunningMin = 0;
    for (std::size_t I = 0; I < Bars.size(); ++I) {
        BarLayout &L = *Bars[I];
        TTBCustomDockableWindow *Bar = L.Bar;
        const int NC = Along(Bar->CalcNCSizes(LeftRight), LeftRight);
        L.FullLength = Along(Bar->GetBaseSize(), LeftRight) + NC;
        L.Length = L.FullLength;
        L.Shrink = Bar->GetShrinkMode();
        L.MinLength = std::min(Bar->GetMinShrinkSize() + NC, L.FullLength);
        RunningMin += L.Shrink == tbsmChevron ? L.MinLength : L.FullLength;
        if (I > 0 && RunningMin > Available && !LimitToOneRow) {
            ShiftRowsFrom(All, Row + 1, nullptr);
            for (std::size_t J = I; J < Bars.size(); ++J)
                Bars[J]->Row = Row + 1;
            Bars.resize(I);
            break;
        }
    }
    int Total = 0;
    for (BarLayout *L : Bars)
        Total += L->FullLength;
    int Excess = Total - Available;
    const bool Overfull = Excess > 0;

    // Wanted places: gaps where there is room, overlaps where bars push into others.
    int End = 0, MinEnd = 0, Shift = 0;
    int DragIndex = -1, DragWanted = 0;
    for (std::size_t I = 0; I < Bars.size(); ++I) {
        BarLayout &L = *Bars[I];
        TTBCustomDockableWindow *Bar = L.Bar;
        int Wanted = Bar->DockPos() + Shift;
        if ((Bar->FullSize() || Bar->Stretch()) && End == 0) Wanted = 0;
        Wanted = std::max(Wanted, MinEnd);
        if (Wanted > End) {
            if (Overfull)
                Shift += Wanted - End;
            else
                L.GapBefore = Wanted - End;
            End = Wanted;
        } else if (Wanted < End) {
            L.Overlap = End - Wanted;
        }
        if (Bar == DragBar) {
            DragIndex = static_cast<int>(I);
            DragWanted = Wanted;
        }
        End += L.Length;
        MinEnd += L.MinLength;
    }

    if (!Overfull && DragIndex > 0) {
        // Bars before the dragged one give back their gaps so it gets its place.
        int Before = 0;
        for (int I = 0; I < DragIndex; ++I)
            Before += Bars[I]->GapBefore + Bars[I]->Length;
        for (int I = DragIndex - 1; I >= 0 && Before > DragWanted; --I) {
            const int Take = std::min(Bars[I]->GapBefore, Before - DragWanted);
            Bars[I]->GapBefore -= Take;
            Before -= Take;
        }
    }
    int Used = 0;
    for (BarLayout *L : Bars)
        Used += L->GapBefore + L->Length;
    for (int I = static_cast<int>(Bars.size()) - 1; I >= 0 && Used > Available; --I) {
        const int Take = std::min(Bars[I]->GapBefore, Used - Available);
        Bars[I]->GapBefore -= Take;
        Used -= Take;
    }

    if (Excess > 0) {
        // A bar pushed into chevron bars before it shrinks them first.
        for (int I = 0; I < static_cast<int>(Bars.size()) && Excess > 0; ++I) {
            int Overlap = std::min(Bars[I]->Overlap, Excess);
            for (int J = I - 1; J >= 0 && Overlap > 0; --J) {
                BarLayout &Prev = *Bars[J];
                if (Prev.Shrink != tbsmChevron) continue;
                const int Take = std::min(Overlap, Prev.Length - Prev.MinLength);
                Prev.Length -= Take;
                Overlap -= Take;
                Excess -= Take;
            }
            if (I == DragIndex) break;
        }
        for (int I = static_cast<int>(Bars.size()) - 1; I >= 0 && Excess > 0; --I) {
            BarLayout &L = *Bars[I];
            if (L.Shrink == tbsmNone || (L.Shrink == tbsmWrap && Bars.size() > 1)) continue;
            const int Take = std::min(Excess, L.Length - L.MinLength);
            L.Length -= Take;
            Excess -= Take;
        }
        if (DragIndex >= 0 && Bars.size() > 1) DragBarInOverfullRow = true;
    }

    for (std::size_t I = 0; I < Bars.size(); ++I) {
        BarLayout &L = *Bars[I];
        if (L.Bar->FullSize() || L.Bar->Stretch()) {
            L.Length += L.GapBefore;
            L.GapBefore = 0;
        }
    }
    int Run = 0;
    for (std::size_t I = 0; I < Bars.size(); ++I) {
        BarLayout &L = *Bars[I];
        L.Position = Run + L.GapBefore;
        if (L.Bar->FullSize()) L.Length = std::max(L.Length, Available);
        if (L.Bar->Stretch() && !L.Bar->FullSize()) {
            if (I + 1 < Bars.size()) {
                L.Length += Bars[I + 1]->GapBefore;
                Bars[I + 1]->GapBefore = 0;
            } else {
                L.Length = std::max(L.Length, Available - L.Position);
            }
        }
        Run = L.Position + L.Length;
    }
    return DragBarInOverfullRow;
}

} // namespace

// ---- Arrangement -------------------------------------------------------------------------

void TTBDock::ArrangeToolbars()
{
    if (FUpdateDepth > 0 || ComponentState().Contains(csLoading) || FArranging) {
        FArrangeNeeded = true;
        return;
    }
    FArranging = true;
    try {
        // A size change of our own may realign the form and call back in: run again then.
        for (int Pass = 0; Pass < 4; ++Pass) {
            FArrangeNeeded = false;
            ArrangeOnce();
            if (!FArrangeNeeded) break;
        }
    } catch (...) {
        FArranging = false;
        throw;
    }
    FArranging = false;
    FArrangeNeeded = false;
    FCommitPositions = false;
}

void TTBDock::ArrangeOnce()
{
    const bool LeftRight = IsLeftRight();
    const bool Designing = ComponentState().Contains(csDesigning);
    RemoveDestroyingBars();
    if (!HasVisibleToolbars()) {
        const int Thickness = Designing ? 9 : FFixAlign ? 1 : 0;
        if (LeftRight)
            ChangeWidthHeight(Thickness, Height());
        else
            ChangeWidthHeight(Width(), Thickness);
        return;
    }
    const int Available =
        std::max(0, LeftRight ? Height() - FNonClientHeight : Width() - FNonClientWidth);
    if (FLimitToOneRow)
        for (TTBCustomDockableWindow *Bar : FDockList)
            Bar->FDockRow = 0;

    std::vector<TTBCustomDockableWindow *> Sorted = SortedBars(FDockList);
    FVisibleToolbars = SortedBars(FVisibleToolbars);

    Layouts All;
    for (TTBCustomDockableWindow *Bar : Sorted)
        if (ToolbarVisibleOnDock(Bar))
            All.push_back(BarLayout{Bar, Bar->FDockRow});
        else
            Bar->FEffectiveDockRow = -1;
    if (!FLimitToOneRow)
        SeparateLoneBars(All, [](const BarLayout &L) { return L.Bar->FDragSplitting; });
    SeparateLoneBars(All, [](const BarLayout &L) { return L.Bar->FFullSize; });
    RemoveEmptyRows(All);

    FDragBarInOverfullRow = false;
    for (int Row = 0; !RowOf(All, Row).empty(); ++Row)
        if (LayOutRow(All, Row, Available, LeftRight, FLimitToOneRow, FDragBar))
            FDragBarInOverfullRow = true;

    for (const BarLayout &L : All) {
        L.Bar->FEffectiveDockRow = L.Row;
        L.Bar->FEffectiveDockPos = L.Position;
        if (FCommitPositions) {
            L.Bar->FDockRow = L.Row;
            L.Bar->FDockPos = L.Position;
        }
    }
    if (FCommitPositions) FDockList = Sorted;

    int Offset = 0;
    const TTBDockType DockType = LeftRight ? dtLeftRight : dtTopBottom;
    for (int Row = 0;; ++Row) {
        std::vector<BarLayout *> Bars = RowOf(All, Row);
        if (Bars.empty()) break;
        int Thickness = 0;
        std::vector<bool> Rearrange(Bars.size(), false);
        for (std::size_t I = 0; I < Bars.size(); ++I) {
            BarLayout &L = *Bars[I];
            TTBCustomDockableWindow *Bar = L.Bar;
            const bool WasShrunk = Bar->FShrunk;
            const int WasLength = std::exchange(Bar->FCurrentSize, L.Length);
            int Cross;
            if (L.Length == L.FullLength) {
                Bar->FShrunk = false;
                Cross = Across(Bar->GetBaseSize(), LeftRight);
            } else if (L.Shrink == tbsmWrap && WasShrunk && L.Length == WasLength) {
                // A wrapped bar keeps its lines while its length stays; a new length may
                // need more lines or fewer.
                Cross = LeftRight ? Bar->ClientWidth() : Bar->ClientHeight();
            } else if (L.Shrink != tbsmNone) {
                Bar->FShrunk = true;
                Cross = Across(Bar->DoArrange(false, DockType, false, this), LeftRight);
                Rearrange[I] = true;
            } else {
                Cross = Across(Bar->GetBaseSize(), LeftRight);
            }
            Cross += Across(Bar->CalcNCSizes(LeftRight), LeftRight);
            Bar->FCrossSize = Cross;
            Thickness = std::max(Thickness, Cross);
        }
        for (std::size_t I = 0; I < Bars.size(); ++I) {
            const BarLayout &L = *Bars[I];
            ++L.Bar->FInternalSizeChange;
            try {
                if (LeftRight)
                    L.Bar->SetBounds(Offset, L.Position, Thickness, L.Length);
                else
                    L.Bar->SetBounds(L.Position, Offset, L.Length, Thickness);
            } catch (...) {
                --L.Bar->FInternalSizeChange;
                throw;
            }
            --L.Bar->FInternalSizeChange;
            if (Rearrange[I]) L.Bar->Arrange();
        }
        Offset += Thickness;
    }
    if (LeftRight)
        ChangeWidthHeight(FNonClientWidth + Offset, Height());
    else
        ChangeWidthHeight(Width(), FNonClientHeight + Offset);
}

std::vector<TTBCustomDockableWindow *>
TTBDock::SortedBars(const std::vector<TTBCustomDockableWindow *> &Bars) const
{
    std::vector<TTBCustomDockableWindow *> Result(Bars);
    ListSortEx(Result, CompareDockRowPos, nullptr);
    // A bar held in its row keeps its order among its neighbours.
    if (FDragBar && FDragBarLockedInRow) {
        const auto Was = std::find(Bars.begin(), Bars.end(), FDragBar);
        if (Was != Bars.end()) {
            std::erase(Result, FDragBar);
            Result.insert(Result.begin() + (Was - Bars.begin()), FDragBar);
        }
    }
    return Result;
}

// ---- Painting ----------------------------------------------------------------------------

bool TTBDock::UsingBackground() const
{
    return FBackground && FBackground->UsingBackground();
}

void TTBDock::DrawBackground(HDC DC, const TRect &DrawRect)
{
    if (FBackground) FBackground->Draw(DC, DrawRect);
}

void TTBDock::DrawNCArea(bool DrawToDC, HDC ADC, HRGN Clip)
{
    if (FBoundLines.Empty() || (!HasVisibleToolbars() && !ComponentState().Contains(csDesigning)))
        return;
    const HDC DC = DrawToDC ? ADC : GetWindowDC(Handle());
    if (!DrawToDC && Clip) SelectNCUpdateRgn(Handle(), DC, Clip);
    RECT R{0, 0, Width(), Height()};
    RECT Client;
    ::GetClientRect(Handle(), &Client);
    OffsetRect(&Client, FBoundLines.Contains(blLeft) ? 1 : 0, FBoundLines.Contains(blTop) ? 1 : 0);
    const int Saved = SaveDC(DC);
    ExcludeClipRect(DC, Client.left, Client.top, Client.right, Client.bottom);
    const HBRUSH Face = CreateSolidBrush(ColorToRGB(Color()));
    FillRect(DC, &R, Face);
    DeleteObject(Face);
    const HPEN Shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    const HPEN Highlight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    const HGDIOBJ OldPen = SelectObject(DC, Shadow);
    if (FBoundLines.Contains(blTop)) {
        MoveToEx(DC, 0, 0, nullptr);
        LineTo(DC, R.right, 0);
    }
    if (FBoundLines.Contains(blLeft)) {
        MoveToEx(DC, 0, 0, nullptr);
        LineTo(DC, 0, R.bottom);
    }
    SelectObject(DC, Highlight);
    if (FBoundLines.Contains(blBottom)) {
        MoveToEx(DC, 0, R.bottom - 1, nullptr);
        LineTo(DC, R.right, R.bottom - 1);
    }
    if (FBoundLines.Contains(blRight)) {
        MoveToEx(DC, R.right - 1, 0, nullptr);
        LineTo(DC, R.right - 1, R.bottom);
    }
    SelectObject(DC, OldPen);
    DeleteObject(Shadow);
    DeleteObject(Highlight);
    RestoreDC(DC, Saved);
    if (!DrawToDC) ReleaseDC(Handle(), DC);
}

void TTBDock::Paint()
{
    if (!ComponentState().Contains(csDesigning)) return;
    TRect R = ClientRect();
    Canvas()->Pen()->SetColor(clBtnShadow);
    Canvas()->Pen()->SetStyle(psDot);
    Canvas()->Brush()->SetStyle(bsClear);
    Canvas()->Rectangle(R);
}

bool TTBDock::EraseBackground(HDC DC)
{
    if (!UsingBackground()) return false;
    // The tiles line up with the parent's client area, wherever the dock is.
    RECT Client;
    ::GetClientRect(Handle(), &Client);
    const int Saved = SaveDC(DC);
    IntersectClipRect(DC, Client.left, Client.top, Client.right, Client.bottom);
    POINT Origin{0, 0};
    if (Parent()) MapWindowPoints(Handle(), Parent()->Handle(), &Origin, 1);
    DrawBackground(DC, TRect(-Origin.x, -Origin.y, Client.right, Client.bottom));
    RestoreDC(DC, Saved);
    return true;
}

void TTBDock::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_NCCALCSIZE: {
        auto *Params = reinterpret_cast<NCCALCSIZE_PARAMS *>(Message.LParam);
        RECT &R = Params->rgrc[0];
        if (FBoundLines.Contains(blLeft)) ++R.left;
        if (FBoundLines.Contains(blTop)) ++R.top;
        if (FBoundLines.Contains(blRight)) --R.right;
        if (FBoundLines.Contains(blBottom)) --R.bottom;
        Message.Result = 0;
        return;
    }
    case WM_NCPAINT:
    case WM_PRINT:
    case WM_PRINTCLIENT:
        HandleNCPaintMessages(this, Message, [this](bool DrawToDC, HDC DC, HRGN Clip) {
            DrawNCArea(DrawToDC, DC, Clip);
        });
        return;
    case WM_ERASEBKGND:
        if (EraseBackground(reinterpret_cast<HDC>(Message.WParam))) {
            Message.Result = 1;
            return;
        }
        break;
    case WM_MOVE:
        inherited::WndProc(Message);
        if (UsingBackground()) InvalidateBackgrounds();
        return;
    case CM_SYSCOLORCHANGE:
        inherited::WndProc(Message);
        if (FBackground) FBackground->SysColorChanged();
        for (TTBCustomDockableWindow *Bar : FVisibleToolbars)
            if (TTBBaseSkin *Skin = Bar->Skin()) Skin->CalculateColorSet();
        return;
    case WM_SYSCOMMAND:
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
        RelayMsgToFloatingBars(Message);
        return;
    default:
        break;
    }
    inherited::WndProc(Message);
}

void TTBDock::Publish(rtl::Publisher<TTBDock> &P)
{
    P.Property("AllowDrag", &TTBDock::AllowDrag, &TTBDock::SetAllowDrag).Default(true);
    P.Property("Background", &TTBDock::Background, &TTBDock::SetBackground);
    P.Property("BackgroundOnToolbars", &TTBDock::BackgroundOnToolbars,
               &TTBDock::SetBackgroundOnToolbars)
        .Default(true);
    P.Property("BoundLines", &TTBDock::BoundLines, &TTBDock::SetBoundLines);
    P.Property("Color", &TTBDock::Color, &TTBDock::SetColor, rtl::TColorInfo()).Default(clBtnFace);
    P.Property("FixAlign", &TTBDock::FixAlign, &TTBDock::SetFixAlign).Default(false);
    P.Property("LimitToOneRow", &TTBDock::LimitToOneRow, &TTBDock::SetLimitToOneRow).Default(false);
    P.Property("PopupMenu", &TTBDock::PopupMenu, &TTBDock::SetPopupMenu);
    P.Property("Position", &TTBDock::Position, &TTBDock::SetPosition).Default(dpTop);
    P.Event("OnInsertRemoveBar", &TTBDock::OnInsertRemoveBar);
    P.Event("OnRequestDock", &TTBDock::OnRequestDock);
    P.Event("OnMouseDown", &TTBDock::OnMouseDown);
    P.Event("OnMouseMove", &TTBDock::OnMouseMove);
    P.Event("OnMouseUp", &TTBDock::OnMouseUp);
    P.Event("OnResize", &TTBDock::OnResize);
}
QRV4_PUBLISHED(TTBDock)

// ---- Shared by the docks, their bars and the floating frames --------------------------------

void InsetByFrame(RECT &Window, const TPoint &TopLeft, const TPoint &BottomRight)
{
    Window.left += TopLeft.X;
    Window.top += TopLeft.Y;
    Window.right = std::max(Window.left, Window.right - BottomRight.X);
    Window.bottom = std::max(Window.top, Window.bottom - BottomRight.Y);
}

bool HandleNCPaintMessages(TWinControl *Control, TMessage &Message, const TNCDrawProc &DrawFrame)
{
    switch (Message.Msg) {
    case WM_NCPAINT:
        // 1 stands for the whole frame.
        DrawFrame(false, nullptr,
                  Message.WParam == 1 ? HRGN{} : reinterpret_cast<HRGN>(Message.WParam));
        return true;
    case WM_PRINT:
        HandleWMPrint(Control->Handle(), Message,
                      [&](HWND, HDC DC) { DrawFrame(true, DC, nullptr); });
        return true;
    case WM_PRINTCLIENT:
        HandleWMPrintClient(Control, Message);
        return true;
    default:
        return false;
    }
}

bool IsTopmost(HWND Wnd)
{
    return GetWindowLongW(Wnd, GWL_EXSTYLE) & WS_EX_TOPMOST;
}

void PassActivationOn(HWND From)
{
    const DWORD Thread = GetCurrentThreadId();
    HWND FirstTopmost{};
    for (HWND Wnd = GetTopWindow({}); Wnd; Wnd = GetWindow(Wnd, GW_HWNDNEXT)) {
        if (Wnd == From || !IsWindowVisible(Wnd) || !IsWindowEnabled(Wnd) ||
            GetWindowThreadProcessId(Wnd, nullptr) != Thread)
            continue;
        if (!IsTopmost(Wnd)) {
            SetActiveWindow(Wnd);
            return;
        }
        if (!FirstTopmost) FirstTopmost = Wnd;
    }
    if (FirstTopmost) SetActiveWindow(FirstTopmost);
}
