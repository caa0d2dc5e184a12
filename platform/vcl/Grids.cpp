#include "platform/vcl/Grids.h"

#include "platform/vcl/Forms.h"
#include "platform/win/Paint.h"
#include "platform/win/ScrollBars.h"

#include <algorithm>

namespace
{

constexpr int SizingSlack = 3;
constexpr int BarThickness = vcl::ScrollBar::Thickness;
constexpr UINT_PTR BarRepeatTimer = 0x4752;

void MoveAdjust(int &Position, int FromIndex, int ToIndex)
{
    if (Position == FromIndex)
        Position = ToIndex;
    else if (Position > FromIndex && Position <= ToIndex)
        --Position;
    else if (Position < FromIndex && Position >= ToIndex)
        ++Position;
}

template <class T> void MoveItem(std::vector<T> &Items, int FromIndex, int ToIndex)
{
    T item = Items[FromIndex];
    Items.erase(Items.begin() + FromIndex);
    Items.insert(Items.begin() + ToIndex, item);
}

} // namespace

// The in-place editor: an edit over the current cell that writes back on Enter
// or when it loses the focus, and drops the change on Esc.
class TInplaceEdit : public TCustomEdit
{
    QRV4_CLASS(TInplaceEdit, TCustomEdit)

public:
    explicit TInplaceEdit(TCustomGrid *Grid) : TCustomEdit(Grid), FGrid(Grid)
    {
        SetBorderStyle(bsNone);
        SetVisible(false);
        SetParent(Grid);
    }

protected:
    void KeyDown(WORD &Key, TShiftState Shift) override
    {
        if (Key == VK_RETURN || Key == VK_ESCAPE) {
            const bool commit = Key == VK_RETURN;
            Key = 0;
            FGrid->HideEditor(commit);
            FGrid->SetFocus();
            return;
        }
        if ((Key == VK_UP || Key == VK_DOWN) && Shift.Empty()) {
            FGrid->HideEditor(true);
            FGrid->SetFocus();
            FGrid->KeyDown(Key, Shift);
            Key = 0;
            return;
        }
        inherited::KeyDown(Key, Shift);
    }

    void DoExit() override
    {
        inherited::DoExit();
        if (Visible()) FGrid->HideEditor(true);
    }

    void WndProc(TMessage &Message) override
    {
        if (Message.Msg == WM_GETDLGCODE) {
            Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
            return;
        }
        inherited::WndProc(Message);
    }

private:
    TCustomGrid *FGrid;
};

// ---- TCustomGrid ------------------------------------------------------------------------------

TCustomGrid::TCustomGrid(TComponent *AOwner) : TCustomControl(AOwner)
{
    FControlStyle = {csCaptureMouse, csOpaque, csDoubleClicks, csClickEvents};
    FColWidths.assign(5, FDefaultColWidth);
    FRowHeights.assign(5, FDefaultRowHeight);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBounds(0, 0, 320, 120);
    Initialize();
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::Initialize()
{
    BarsChanged();
    FTopLeft = {FFixedCols, FFixedRows};
    FCurrent = FTopLeft;
    FAnchor = FCurrent;
    if (FOptions.Contains(goRowSelect)) FAnchor.X = ColCount() - 1;
    Invalidate();
}

void TCustomGrid::CreateParams(TCreateParams &Params)
{
    inherited::CreateParams(Params);
    if (FBorderStyle == bsSingle) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

// ---- Sizes ---------------------------------------------------------------------------------

int TCustomGrid::ColExtent(int Index) const
{
    return std::max(0, FColWidths[Index] + FGridLineWidth);
}

int TCustomGrid::RowExtent(int Index) const
{
    return std::max(0, FRowHeights[Index] + FGridLineWidth);
}

int TCustomGrid::FixedWidth() const
{
    int width = 0;
    for (int i = 0; i < FFixedCols; ++i)
        width += ColExtent(i);
    return width;
}

int TCustomGrid::FixedHeight() const
{
    int height = 0;
    for (int i = 0; i < FFixedRows; ++i)
        height += RowExtent(i);
    return height;
}

// Client x of a column's left edge as things are scrolled; columns scrolled out
// of view to the left start before the fixed ones end.
int TCustomGrid::ColStart(int Index) const
{
    if (Index < FFixedCols) {
        int x = 0;
        for (int i = 0; i < Index; ++i)
            x += ColExtent(i);
        return x;
    }
    int x = FixedWidth();
    for (int i = FTopLeft.X; i < Index; ++i)
        x += ColExtent(i);
    for (int i = Index; i < FTopLeft.X; ++i)
        x -= ColExtent(i);
    return x;
}

int TCustomGrid::RowStart(int Index) const
{
    if (Index < FFixedRows) {
        int y = 0;
        for (int i = 0; i < Index; ++i)
            y += RowExtent(i);
        return y;
    }
    int y = FixedHeight();
    for (int i = FTopLeft.Y; i < Index; ++i)
        y += RowExtent(i);
    for (int i = Index; i < FTopLeft.Y; ++i)
        y -= RowExtent(i);
    return y;
}

void TCustomGrid::SetColCount(int Value)
{
    Value = std::max(Value, 1);
    if (Value == ColCount()) return;
    if (Value <= FFixedCols) FFixedCols = Value - 1;
    FColWidths.resize(Value, FDefaultColWidth);
    SizeChanged();
    FCurrent.X = std::clamp(FCurrent.X, FFixedCols, Value - 1);
    FAnchor.X = std::clamp(FAnchor.X, FFixedCols, Value - 1);
    if (FOptions.Contains(goRowSelect)) FAnchor.X = Value - 1;
    RoomChanged();
    Invalidate();
}

void TCustomGrid::SetRowCount(int Value)
{
    Value = std::max(Value, 1);
    if (Value == RowCount()) return;
    const int firstChanged = std::min(Value, RowCount());
    const int fixedRows = FFixedRows;
    const TGridCoord current = FCurrent, anchor = FAnchor, topLeft = FTopLeft;
    const ShownBars hadBars = Bars();
    if (Value <= FFixedRows) FFixedRows = Value - 1;
    FRowHeights.resize(Value, FDefaultRowHeight);
    SizeChanged();
    FCurrent.Y = std::clamp(FCurrent.Y, FFixedRows, Value - 1);
    FAnchor.Y = std::clamp(FAnchor.Y, FFixedRows, Value - 1);
    RoomChanged();
    // A grid filled a row at a time repaints only the rows it gains, not every row in view.
    if (FFixedRows == fixedRows && FCurrent == current && FAnchor == anchor &&
        FTopLeft == topLeft && Bars() == hadBars)
        InvalidateRowsFrom(firstChanged);
    else
        Invalidate();
}

void TCustomGrid::SetFixedCols(int Value)
{
    if (Value == FFixedCols) return;
    if (Value < 0) throw EInvalidGridOperation("Grid index out of range");
    if (Value >= ColCount())
        throw EInvalidGridOperation("Fixed column count must be less than column count");
    FFixedCols = Value;
    Initialize();
}

void TCustomGrid::SetFixedRows(int Value)
{
    if (Value == FFixedRows) return;
    if (Value < 0) throw EInvalidGridOperation("Grid index out of range");
    if (Value >= RowCount())
        throw EInvalidGridOperation("Fixed row count must be less than row count");
    FFixedRows = Value;
    Initialize();
}

void TCustomGrid::SetDefaultColWidth(int Value)
{
    FDefaultColWidth = Value;
    std::fill(FColWidths.begin(), FColWidths.end(), Value);
    RoomChanged();
    Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int Value)
{
    FDefaultRowHeight = Value;
    std::fill(FRowHeights.begin(), FRowHeights.end(), Value);
    RoomChanged();
    Invalidate();
}

int TCustomGrid::ColWidths(int Index) const
{
    if (Index < 0 || Index >= ColCount()) throw EInvalidGridOperation("Grid index out of range");
    return FColWidths[Index];
}

void TCustomGrid::SetColWidths(int Index, int Value)
{
    if (Index < 0 || Index >= ColCount()) throw EInvalidGridOperation("Grid index out of range");
    FColWidths[Index] = std::max(Value, -1);
    RoomChanged();
    Invalidate();
}

int TCustomGrid::RowHeights(int Index) const
{
    if (Index < 0 || Index >= RowCount()) throw EInvalidGridOperation("Grid index out of range");
    return FRowHeights[Index];
}

void TCustomGrid::SetRowHeights(int Index, int Value)
{
    if (Index < 0 || Index >= RowCount()) throw EInvalidGridOperation("Grid index out of range");
    FRowHeights[Index] = std::max(Value, -1);
    RoomChanged();
    Invalidate();
}

void TCustomGrid::SetGridLineWidth(int Value)
{
    FGridLineWidth = std::max(Value, 0);
    RoomChanged();
    Invalidate();
}

void TCustomGrid::SetOptions(TGridOptions Value)
{
    if (Value == FOptions) return;
    FOptions = Value;
    if (FOptions.Contains(goRowSelect)) {
        FAnchor = {ColCount() - 1, FCurrent.Y};
        FCurrent.X = std::max(FCurrent.X, FFixedCols);
    }
    if (!FOptions.Contains(goEditing)) HideEditor(false);
    Invalidate();
}

void TCustomGrid::SetFixedColor(TColor Value)
{
    FFixedColor = Value;
    Invalidate();
}

void TCustomGrid::SetBorderStyle(TBorderStyle Value)
{
    if (Value == FBorderStyle) return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value)
{
    FScrollBars = Value;
    RoomChanged();
    Invalidate();
}

// ---- Current cell, selection, scrolling ------------------------------------------------------

void TCustomGrid::CheckCell(int ACol, int ARow) const
{
    if (ACol < FFixedCols || ARow < FFixedRows || ACol >= ColCount() || ARow >= RowCount())
        throw EInvalidGridOperation("Grid index out of range");
}

void TCustomGrid::SetCol(int Value)
{
    if (Value == FCurrent.X) return;
    CheckCell(Value, FCurrent.Y);
    MoveCurrent(Value, FCurrent.Y, true);
}

void TCustomGrid::SetRow(int Value)
{
    if (Value == FCurrent.Y) return;
    CheckCell(FCurrent.X, Value);
    MoveCurrent(FCurrent.X, Value, true);
}

bool TCustomGrid::SelectCell(int ACol, int ARow)
{
    bool canSelect = true;
    if (OnSelectCell) OnSelectCell(this, ACol, ARow, canSelect);
    return canSelect;
}

void TCustomGrid::MoveCurrent(int ACol, int ARow, bool MoveAnchor)
{
    CheckCell(ACol, ARow);
    if (!SelectCell(ACol, ARow)) return;
    HideEditor(true);
    const TGridRect before = Selection();
    FCurrent = {ACol, ARow};
    if (MoveAnchor || !FOptions.Contains(goRangeSelect)) {
        FAnchor = FCurrent;
        if (FOptions.Contains(goRowSelect)) FAnchor.X = ColCount() - 1;
    }
    if (FOptions.Contains(goAlwaysShowEditor)) ShowEditor();
    ClampInView();
    InvalidateRows(before.Top, before.Bottom);
    const TGridRect after = Selection();
    InvalidateRows(after.Top, after.Bottom);
}

TGridRect TCustomGrid::Selection() const
{
    TGridRect r{std::min(FAnchor.X, FCurrent.X), std::min(FAnchor.Y, FCurrent.Y),
                std::max(FAnchor.X, FCurrent.X), std::max(FAnchor.Y, FCurrent.Y)};
    if (FOptions.Contains(goRowSelect)) {
        r.Left = FFixedCols;
        r.Right = ColCount() - 1;
    }
    return r;
}

void TCustomGrid::SetSelection(const TGridRect &Value)
{
    CheckCell(Value.Left, Value.Top);
    CheckCell(Value.Right, Value.Bottom);
    FAnchor = {Value.Left, Value.Top};
    FCurrent = {Value.Right, Value.Bottom};
    Invalidate();
}

int TCustomGrid::MaxTopRow()
{
    const int area = GridHeight() - FixedHeight();
    int top = RowCount() - 1;
    int used = RowExtent(top);
    while (top > FFixedRows && used + RowExtent(top - 1) <= area)
        used += RowExtent(--top);
    return std::max(top, FFixedRows);
}

int TCustomGrid::MaxLeftCol()
{
    const int area = GridWidth() - FixedWidth();
    int left = ColCount() - 1;
    int used = ColExtent(left);
    while (left > FFixedCols && used + ColExtent(left - 1) <= area)
        used += ColExtent(--left);
    return std::max(left, FFixedCols);
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop)
{
    ALeft = std::clamp(ALeft, FFixedCols, std::max(FFixedCols, MaxLeftCol()));
    ATop = std::clamp(ATop, FFixedRows, std::max(FFixedRows, MaxTopRow()));
    if (ALeft == FTopLeft.X && ATop == FTopLeft.Y) return;
    const TGridCoord old = FTopLeft;
    FTopLeft = {ALeft, ATop};
    if (FEditor && FEditor->Visible()) HideEditor(true);
    ScrollRowsInView(old);
    TopLeftChanged();
}

// A move down or up by less than the rows in view keeps the rows that stay: their pixels
// move with the window's contents, and only the rows that come into view are painted, as a
// grid that follows a growing list would otherwise repaint every row at every step.
void TCustomGrid::ScrollRowsInView(TGridCoord Old)
{
    const int room = GridHeight() - FixedHeight();
    int shift = 0;
    for (int r = Old.Y; r < FTopLeft.Y && shift < room; ++r)
        shift += RowExtent(r);
    for (int r = FTopLeft.Y; r < Old.Y && -shift < room; ++r)
        shift -= RowExtent(r);
    if (!HandleAllocated() || Old.X != FTopLeft.X || std::abs(shift) >= room ||
        FState == GridState::RowMoving) {
        Invalidate();
        return;
    }
    const RECT cells{0, FixedHeight(), GridWidth(), GridHeight()};
    ScrollWindowEx(Handle(), 0, -shift, &cells, &cells, {}, nullptr, SW_INVALIDATE);
}

// The client y where a row's top is drawn: a row scrolled out above stands at the top of the
// scrolling rows, and a row below the window at its bottom. The walk stops at the bottom, so
// asking for the last row of a long grid costs no more than the rows in view.
int TCustomGrid::RowTopInView(int ARow)
{
    if (ARow < FFixedRows) return RowStart(ARow);
    int y = FixedHeight();
    const int bottom = GridHeight();
    for (int r = FTopLeft.Y; r < ARow && y < bottom; ++r)
        y += RowExtent(r);
    return std::min(y, bottom);
}

void TCustomGrid::InvalidateRows(int First, int Last)
{
    if (HandleAllocated()) InvalidateBand(RowTopInView(First), RowTopInView(Last + 1));
}

void TCustomGrid::InvalidateRowsFrom(int First)
{
    if (HandleAllocated()) InvalidateBand(RowTopInView(First), GridHeight());
}

void TCustomGrid::InvalidateBand(int Top, int Bottom)
{
    const RECT rows{0, Top, GridWidth(), Bottom};
    if (Top < Bottom) InvalidateRect(Handle(), &rows, FALSE);
}

TRect TCustomGrid::BarArea(bool Horizontal)
{
    return Horizontal ? TRect(0, GridHeight(), GridWidth(), ClientHeight())
                      : TRect(GridWidth(), 0, TCustomControl::ClientWidth(), GridHeight());
}

TRect TCustomGrid::BarThumb(bool Horizontal)
{
    return Shown(Horizontal) ? Bar(Horizontal).Thumb() : TRect();
}

// A bar's pixels follow its thumb alone, so it is redrawn when a paint finds the thumb
// elsewhere than it was painted, not at every row a growing list adds.
void TCustomGrid::InvalidateMovedThumb()
{
    if (!HandleAllocated()) return;
    for (const bool horizontal : {false, true}) {
        if (BarThumb(horizontal) == FPaintedThumbs[horizontal]) continue;
        const RECT bar = BarArea(horizontal);
        InvalidateRect(Handle(), &bar, FALSE);
    }
}

// A grid scrolled to its end stays at its end when its lines or its room change: a shrunk
// grid, a bar that went away or a window that grew would otherwise show empty room past the
// last line, with the bar's thumb standing elsewhere than the lines.
void TCustomGrid::RoomChanged()
{
    BarsChanged();
    FTopLeft.X = std::clamp(FTopLeft.X, FFixedCols, std::max(FFixedCols, MaxLeftCol()));
    FTopLeft.Y = std::clamp(FTopLeft.Y, FFixedRows, std::max(FFixedRows, MaxTopRow()));
}

void TCustomGrid::SetTopRow(int Value)
{
    MoveTopLeft(FTopLeft.X, Value);
}
void TCustomGrid::SetLeftCol(int Value)
{
    MoveTopLeft(Value, FTopLeft.Y);
}

void TCustomGrid::TopLeftChanged()
{
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}

namespace
{

// The first line from First on that leaves Current wholly in Room beside the fixed lines.
// The span from the first line to Current shrinks as the first line moves on, so a long
// grid scrolled from its top to its end costs one pass, not one pass per line.
template <class ExtentOf>
int FirstToShow(int First, int Current, int Fixed, int Room, const ExtentOf &Extent)
{
    int span = 0;
    for (int i = First; i < Current; ++i)
        span += Extent(i);
    while (First < Current && span + Fixed + Extent(Current) > Room)
        span -= Extent(First++);
    return First;
}

} // namespace

void TCustomGrid::ClampInView()
{
    const int top = FirstToShow(std::min(FTopLeft.Y, FCurrent.Y), FCurrent.Y, FixedHeight(),
                                GridHeight(), [this](int i) { return RowExtent(i); });
    int left = FTopLeft.X;
    if (!FOptions.Contains(goRowSelect))
        left = FirstToShow(std::min(left, FCurrent.X), FCurrent.X, FixedWidth(), GridWidth(),
                           [this](int i) { return ColExtent(i); });
    MoveTopLeft(left, top);
}

int TCustomGrid::VisibleColCount()
{
    int count = 0;
    for (int x = FixedWidth(), i = FTopLeft.X; i < ColCount(); ++i) {
        x += ColExtent(i);
        if (x > GridWidth()) break;
        ++count;
    }
    return count;
}

int TCustomGrid::VisibleRowCount()
{
    int count = 0;
    for (int y = FixedHeight(), i = FTopLeft.Y; i < RowCount(); ++i) {
        y += RowExtent(i);
        if (y > GridHeight()) break;
        ++count;
    }
    return count;
}

// ---- Geometry -----------------------------------------------------------------------------

TRect TCustomGrid::CellRect(int ACol, int ARow)
{
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount()) return {};
    if (ColExtent(ACol) == 0 || RowExtent(ARow) == 0) return {};
    if ((ACol >= FFixedCols && ACol < FTopLeft.X) || (ARow >= FFixedRows && ARow < FTopLeft.Y))
        return {};
    const int height = GridHeight();
    // Filling a long grid asks this of every cell, and most of them lie below the window.
    if (ARow >= FFixedRows && ARow >= RowsEnd(height)) return {};
    const int x = ColStart(ACol);
    int y = ARow < FFixedRows ? RowStart(ARow) : FixedHeight();
    for (int i = FTopLeft.Y; ARow >= FFixedRows && i < ARow; ++i)
        y += RowExtent(i);
    if (y >= height || x >= GridWidth()) return {};
    return TRect(x, y, x + FColWidths[ACol], y + FRowHeights[ARow]);
}

int TCustomGrid::RowsEnd(int Height)
{
    if (FRowsEnd.Known && FRowsEnd.Top == FTopLeft.Y && FRowsEnd.Height == Height)
        return FRowsEnd.End;
    int end = FTopLeft.Y;
    for (int y = FixedHeight(); end < RowCount() && y < Height; ++end)
        y += RowExtent(end);
    FRowsEnd = {true, FTopLeft.Y, Height, end};
    return end;
}

void TCustomGrid::MouseToCell(int X, int Y, int &ACol, int &ARow)
{
    const TGridCoord c = MouseCoord(X, Y);
    ACol = c.X;
    ARow = c.Y;
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y)
{
    TGridCoord result{-1, -1};
    if (X < 0 || Y < 0 || X >= GridWidth() || Y >= GridHeight()) return result;
    auto find = [](int Pos, int Fixed, int First, int Count, auto Extent) {
        int start = 0;
        for (int i = 0; i < Fixed; ++i) {
            if (Pos < start + Extent(i)) return i;
            start += Extent(i);
        }
        for (int i = First; i < Count; ++i) {
            if (Pos < start + Extent(i)) return i;
            start += Extent(i);
        }
        return -1;
    };
    result.X = find(X, FFixedCols, FTopLeft.X, ColCount(), [this](int i) { return ColExtent(i); });
    result.Y = find(Y, FFixedRows, FTopLeft.Y, RowCount(), [this](int i) { return RowExtent(i); });
    if (result.X < 0 || result.Y < 0) return {-1, -1};
    return result;
}

// A cell out of view has nothing on screen to paint again: filling a long grid asks this of
// every cell, and most of them lie below the window.
void TCustomGrid::InvalidateCell(int ACol, int ARow)
{
    if (!HandleAllocated()) return;
    const RECT r = CellRect(ACol, ARow);
    if (r.right > r.left && r.bottom > r.top) InvalidateRect(Handle(), &r, FALSE);
}

void TCustomGrid::InvalidateRow(int ARow)
{
    if (!HandleAllocated()) return;
    const RECT r{0, RowStart(ARow), GridWidth(), RowStart(ARow) + RowExtent(ARow)};
    InvalidateRect(Handle(), &r, FALSE);
}

// ---- Moving rows and columns ------------------------------------------------------------------

void TCustomGrid::MoveRow(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex) return;
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= RowCount() || ToIndex >= RowCount())
        throw EInvalidGridOperation("Grid index out of range");
    HideEditor(true);
    MoveItem(FRowHeights, FromIndex, ToIndex);
    RoomChanged();
    MoveAdjust(FCurrent.Y, FromIndex, ToIndex);
    MoveAdjust(FAnchor.Y, FromIndex, ToIndex);
    RowMoved(FromIndex, ToIndex);
    Invalidate();
}

void TCustomGrid::MoveColumn(int FromIndex, int ToIndex)
{
    if (FromIndex == ToIndex) return;
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= ColCount() || ToIndex >= ColCount())
        throw EInvalidGridOperation("Grid index out of range");
    HideEditor(true);
    MoveItem(FColWidths, FromIndex, ToIndex);
    RoomChanged();
    MoveAdjust(FCurrent.X, FromIndex, ToIndex);
    MoveAdjust(FAnchor.X, FromIndex, ToIndex);
    ColumnMoved(FromIndex, ToIndex);
    Invalidate();
}

void TCustomGrid::RowMoved(int FromIndex, int ToIndex)
{
    if (OnRowMoved) OnRowMoved(this, FromIndex, ToIndex);
}

void TCustomGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    if (OnColumnMoved) OnColumnMoved(this, FromIndex, ToIndex);
}

// ---- Editing ------------------------------------------------------------------------------------

AnsiString TCustomGrid::GetEditText(int ACol, int ARow)
{
    AnsiString value;
    if (OnGetEditText) OnGetEditText(this, ACol, ARow, value);
    return value;
}

void TCustomGrid::SetEditText(int ACol, int ARow, const AnsiString &Value)
{
    if (OnSetEditText) OnSetEditText(this, ACol, ARow, Value);
}

bool TCustomGrid::CanEditShow()
{
    return FOptions.Contains(goEditing) && !FOptions.Contains(goRowSelect) &&
           FState == GridState::Normal;
}

bool TCustomGrid::EditorMode() const
{
    return FEditor && FEditor->Visible();
}

void TCustomGrid::SetEditorMode(bool Value)
{
    if (Value)
        ShowEditor();
    else
        HideEditor(true);
}

void TCustomGrid::ShowEditor()
{
    if (!CanEditShow()) return;
    ClampInView();
    const TRect r = CellRect(FCurrent.X, FCurrent.Y);
    if (r.Width() <= 0) return;
    if (!FEditor) FEditor = new TInplaceEdit(this);
    FEditor->Font()->Assign(Font());
    FEditor->SetBounds(r.Left, r.Top, r.Width(), r.Height());
    FEditor->SetText(GetEditText(FCurrent.X, FCurrent.Y));
    FEditor->SetVisible(true);
    if (Focused() || FEditor->Focused()) FEditor->SetFocus();
}

void TCustomGrid::HideEditor(bool Commit)
{
    if (!FEditor || !FEditor->Visible()) return;
    FEditor->SetVisible(false);
    if (Commit) SetEditText(FCurrent.X, FCurrent.Y, FEditor->Text());
    Invalidate();
}

// ---- Keyboard
// ------------------------------------------------------------------------------------

int TCustomGrid::NextVisibleCol(int From, int Step) const
{
    // Hidden columns are stepped over; the current cell never lands in one.
    for (int c = From + Step; c >= FFixedCols && c < ColCount(); c += Step)
        if (ColExtent(c) > 0) return c;
    return From;
}

void TCustomGrid::KeyDown(WORD &Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    if (!Key || RowCount() <= FFixedRows || ColCount() <= FFixedCols) return;
    const bool extend = Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect) &&
                        !FOptions.Contains(goEditing);
    int col = FCurrent.X, row = FCurrent.Y;
    const int page = std::max(1, VisibleRowCount() - 1);
    switch (Key) {
    case VK_UP:
        row = std::max(row - 1, FFixedRows);
        break;
    case VK_DOWN:
        row = std::min(row + 1, RowCount() - 1);
        break;
    case VK_PRIOR:
        row = std::max(row - page, FFixedRows);
        break;
    case VK_NEXT:
        row = std::min(row + page, RowCount() - 1);
        break;
    case VK_LEFT:
        if (FOptions.Contains(goRowSelect))
            SetLeftCol(FTopLeft.X - 1);
        else
            col = NextVisibleCol(col, -1);
        break;
    case VK_RIGHT:
        if (FOptions.Contains(goRowSelect))
            SetLeftCol(FTopLeft.X + 1);
        else
            col = NextVisibleCol(col, 1);
        break;
    case VK_HOME:
        if (Shift.Contains(ssCtrl)) row = FFixedRows;
        col = NextVisibleCol(FFixedCols - 1, 1);
        break;
    case VK_END:
        if (Shift.Contains(ssCtrl)) row = RowCount() - 1;
        col = NextVisibleCol(ColCount(), -1);
        break;
    case VK_TAB:
        if (!FOptions.Contains(goTabs)) return;
        col = NextVisibleCol(col, Shift.Contains(ssShift) ? -1 : 1);
        break;
    case VK_F1 + 1:
        ShowEditor();
        return;
    default:
        return;
    }
    if (col != FCurrent.X || row != FCurrent.Y) MoveCurrent(col, row, !extend);
}

void TCustomGrid::KeyPress(char &Key)
{
    inherited::KeyPress(Key);
    if (!Key || !CanEditShow()) return;
    if (Key == '\r') {
        ShowEditor();
        if (FEditor && FEditor->Visible()) FEditor->SelectAll();
        Key = 0;
    } else if (static_cast<unsigned char>(Key) >= 32) {
        ShowEditor();
        if (FEditor && FEditor->Visible()) {
            FEditor->SetText("");
            FEditor->Perform(WM_CHAR, static_cast<unsigned char>(Key), 0);
        }
        Key = 0;
    }
}

// ---- Mouse
// ---------------------------------------------------------------------------------------

// A grid may not have every row fixed, so one that shows its titles and no row under them
// holds the titles as its one row: their borders size the columns as a fixed row's do.
int TCustomGrid::TitlesHeight() const
{
    return FFixedRows == 0 && RowCount() == 1 ? RowExtent(0) : FixedHeight();
}

int TCustomGrid::SizingBorder(int X, int Y, bool &IsColumn)
{
    if (FOptions.Contains(goColSizing) && Y < TitlesHeight()) {
        for (int c = 0; c < ColCount(); ++c) {
            if (c >= FFixedCols && c < FTopLeft.X) continue;
            if (ColExtent(c) == 0) continue;
            const int edge = ColStart(c) + FColWidths[c];
            if (std::abs(X - edge) <= SizingSlack) {
                IsColumn = true;
                return c;
            }
        }
    }
    if (FOptions.Contains(goRowSizing) && X < FixedWidth()) {
        for (int r = 0; r < RowCount(); ++r) {
            if (r >= FFixedRows && r < FTopLeft.Y) continue;
            if (RowExtent(r) == 0) continue;
            const int edge = RowStart(r) + FRowHeights[r];
            if (std::abs(Y - edge) <= SizingSlack) {
                IsColumn = false;
                return r;
            }
        }
    }
    return -1;
}

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
        if (!Focused() && CanFocus()) SetFocus();
        bool isColumn = false;
        const int border = SizingBorder(X, Y, isColumn);
        const TGridCoord cell = MouseCoord(X, Y);
        if (border >= 0) {
            FState = isColumn ? GridState::ColSizing : GridState::RowSizing;
            FSizingIndex = border;
            FSizingStart = isColumn ? FColWidths[border] : FRowHeights[border];
            FSizingOrigin = isColumn ? X : Y;
        } else if (cell.X >= 0 && cell.X < FFixedCols && cell.Y >= FFixedRows &&
                   FOptions.Contains(goRowMoving)) {
            FState = GridState::RowMoving;
            FMoveFrom = FMoveTo = cell.Y;
        } else if (cell.Y >= 0 && cell.Y < FFixedRows && cell.X >= FFixedCols &&
                   FOptions.Contains(goColMoving)) {
            FState = GridState::ColMoving;
            FMoveFrom = FMoveTo = cell.X;
        } else if (cell.X >= FFixedCols && cell.Y >= FFixedRows) {
            const bool extend = Shift.Contains(ssShift) && FOptions.Contains(goRangeSelect);
            if (cell.X != FCurrent.X || cell.Y != FCurrent.Y || !extend)
                MoveCurrent(cell.X, cell.Y, !extend);
            // The editor asks for a grid at rest, which a range selection begun here is not.
            if (Shift.Contains(ssDouble) && CanEditShow())
                ShowEditor();
            else if (FOptions.Contains(goRangeSelect))
                FState = GridState::Selecting;
        }
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y)
{
    switch (FState) {
    case GridState::Selecting: {
        const TGridCoord cell = MouseCoord(X, Y);
        if (cell.X >= FFixedCols && cell.Y >= FFixedRows &&
            (cell.X != FCurrent.X || cell.Y != FCurrent.Y))
            MoveCurrent(cell.X, cell.Y, false);
        break;
    }
    case GridState::RowMoving:
    case GridState::ColMoving: {
        const TGridCoord cell = MouseCoord(X, Y);
        const bool rows = FState == GridState::RowMoving;
        const int index = rows ? cell.Y : cell.X;
        const int fixed = rows ? FFixedRows : FFixedCols;
        if (index >= fixed) FMoveTo = index;
        break;
    }
    case GridState::ColSizing:
        SetColWidths(FSizingIndex, std::max(0, FSizingStart + X - FSizingOrigin));
        break;
    case GridState::RowSizing:
        SetRowHeights(FSizingIndex, std::max(0, FSizingStart + Y - FSizingOrigin));
        break;
    case GridState::ThumbDragging:
    case GridState::BarRepeating: // the bar takes the moves: BarMouseMessage
        break;
    case GridState::Normal: {
        bool isColumn = false;
        const int border = SizingBorder(X, Y, isColumn);
        ::SetCursor(Screen->Cursors(border < 0 ? crDefault : isColumn ? crHSplit : crVSplit));
        break;
    }
    }
    inherited::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    const GridState state = FState;
    FState = GridState::Normal;
    if (state == GridState::RowMoving && FMoveTo != FMoveFrom) MoveRow(FMoveFrom, FMoveTo);
    if (state == GridState::ColMoving && FMoveTo != FMoveFrom) MoveColumn(FMoveFrom, FMoveTo);
    FMoveFrom = FMoveTo = -1;
    inherited::MouseUp(Button, Shift, X, Y);
}

bool TCustomGrid::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    if (inherited::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    // Shift turns the wheel sideways, as it does in the system's own lists.
    if (Shift.Contains(ssShift)) {
        SetLeftCol(FTopLeft.X + (WheelDelta > 0 ? -1 : 1));
        return true;
    }
    if (RowCount() <= FFixedRows) return true;
    const int row = std::clamp(FCurrent.Y + (WheelDelta > 0 ? -1 : 1), FFixedRows, RowCount() - 1);
    if (row != FCurrent.Y) MoveCurrent(FCurrent.X, row, true);
    return true;
}

void TCustomGrid::DoExit()
{
    inherited::DoExit();
    Invalidate();
}

// ---- The scroll bars
// ------------------------------------------------------------------------------------

bool TCustomGrid::RowsOverflow(int Height) const
{
    int height = FixedHeight();
    // The rows that overflow the window answer it; a long grid is not summed whole.
    for (int r = FFixedRows; r < RowCount() && height <= Height; ++r)
        height += RowExtent(r);
    return height > Height;
}

bool TCustomGrid::ColsOverflow(int Width) const
{
    int width = FixedWidth();
    for (int c = FFixedCols; c < ColCount() && width <= Width; ++c)
        width += ColExtent(c);
    return width > Width;
}

TCustomGrid::ShownBars TCustomGrid::Bars()
{
    const TRect client = TCustomControl::ClientRect();
    const TPoint size(client.Width(), client.Height());
    if (FBarsKnown && size == FBarsClient) return FBars;
    const bool vertical = FScrollBars == ssVertical || FScrollBars == ssBoth;
    const bool horizontal = FScrollBars == ssHorizontal || FScrollBars == ssBoth;
    ShownBars bars;
    bars.Vert = vertical && RowsOverflow(size.Y);
    bars.Horz = horizontal && ColsOverflow(size.X - (bars.Vert ? BarThickness : 0));
    // The horizontal bar takes its height from the rows, which may overflow only then.
    if (bars.Horz && !bars.Vert) bars.Vert = vertical && RowsOverflow(size.Y - BarThickness);
    FBars = bars;
    FBarsClient = size;
    FBarsKnown = true;
    return bars;
}

bool TCustomGrid::Shown(bool Horizontal)
{
    const ShownBars bars = Bars();
    return Horizontal ? bars.Horz : bars.Vert;
}

// Bars() has just read the client size.
int TCustomGrid::GridWidth()
{
    const bool vertical = Bars().Vert;
    return std::max(0, FBarsClient.X - (vertical ? BarThickness : 0));
}

int TCustomGrid::GridHeight()
{
    const bool horizontal = Bars().Horz;
    return std::max(0, FBarsClient.Y - (horizontal ? BarThickness : 0));
}

// The vertical bar scrolls the rows below the fixed ones, the horizontal bar the columns
// beside them.
vcl::ScrollBar &TCustomGrid::Bar(bool Horizontal)
{
    if (Horizontal) {
        FHorzBar.Layout(BarArea(true), FFixedCols, MaxLeftCol(), VisibleColCount(),
                        ColCount() - FFixedCols, FTopLeft.X);
        return FHorzBar;
    }
    FVertBar.Layout(BarArea(false), FFixedRows, MaxTopRow(), VisibleRowCount(),
                    RowCount() - FFixedRows, FTopLeft.Y);
    return FVertBar;
}

void TCustomGrid::ScrollBarTo(bool Horizontal, int Position)
{
    if (Horizontal)
        SetLeftCol(Position);
    else
        SetTopRow(Position);
}

// The bars stand where a window's own scroll bars would, outside the cells: the left button on
// one only scrolls, and is no press, click or double click of the grid's. A double click on an
// arrow would otherwise open the editor of the current cell, wherever it had scrolled to.
bool TCustomGrid::BarMouseMessage(const TMessage &Message)
{
    const int x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (x < GridWidth() && y < GridHeight()) return false;
        SendCancelMode(this);
        SetMouseCapture(true);
        PressBar(x, y);
        return true;
    case WM_MOUSEMOVE:
        if (!BarHeld()) return false;
        TrackBar(x, y);
        return true;
    case WM_LBUTTONUP:
        if (!BarHeld()) return false;
        ReleaseBar();
        return true;
    default:
        return false;
    }
}

// The arrows step a line, the track steps a page, the thumb drags. An arrow or the track held
// down steps again and again, as a window's own scroll bar does; the second press of a double
// click steps as the first did. The corner between two bars takes the press and does nothing.
void TCustomGrid::PressBar(int X, int Y)
{
    const TPoint at(X, Y);
    const ShownBars bars = Bars();
    const bool vertical = bars.Vert && BarArea(false).Contains(X, Y);
    if (!vertical && !(bars.Horz && BarArea(true).Contains(X, Y))) return;
    FBarHorizontal = !vertical;
    vcl::ScrollBar &bar = Bar(FBarHorizontal);
    FBarPart = bar.PartAt(bar.Along(at));
    ScrollBarTo(FBarHorizontal, bar.Press(bar.Along(at)));
    if (bar.Dragging()) {
        FState = GridState::ThumbDragging;
        return;
    }
    FState = GridState::BarRepeating;
    FBarPointer = at;
    SetTimer(Handle(), BarRepeatTimer, win::FirstRepeatDelay, nullptr);
}

void TCustomGrid::TrackBar(int X, int Y)
{
    FBarPointer = TPoint(X, Y);
    if (FState != GridState::ThumbDragging) return;
    vcl::ScrollBar &bar = Bar(FBarHorizontal);
    ScrollBarTo(FBarHorizontal, bar.Drag(bar.Along(FBarPointer)));
}

void TCustomGrid::ReleaseBar()
{
    if (FState == GridState::BarRepeating) KillTimer(Handle(), BarRepeatTimer);
    FState = GridState::Normal;
    FVertBar.Release();
    FHorzBar.Release();
    SetMouseCapture(false);
}

// Steps only while the pointer is over the part pressed; the track stops once the thumb has
// come under the pointer.
void TCustomGrid::RepeatBarStep()
{
    if (FState != GridState::BarRepeating || !Shown(FBarHorizontal)) {
        KillTimer(Handle(), BarRepeatTimer);
        return;
    }
    SetTimer(Handle(), BarRepeatTimer, win::RepeatInterval, nullptr);
    vcl::ScrollBar &bar = Bar(FBarHorizontal);
    const int at = bar.Along(FBarPointer);
    if (bar.Contains(FBarPointer.X, FBarPointer.Y) && bar.PartAt(at) == FBarPart)
        ScrollBarTo(FBarHorizontal, bar.Press(at));
}

// ---- Painting -----------------------------------------------------------------------------------

void TCustomGrid::Paint()
{
    TCanvas *canvas = Canvas();
    const TRect client(0, 0, GridWidth(), GridHeight());
    const TGridRect sel = Selection();
    const bool focused = Focused() || (FEditor && FEditor->Focused());
    const HDC dc = canvas->Handle();
    int y = 0;
    for (int pass = 0; pass < 2; ++pass) {
        const int firstRow = pass == 0 ? 0 : FTopLeft.Y;
        const int lastRow = pass == 0 ? FFixedRows : RowCount();
        for (int r = firstRow; r < lastRow && y < client.Bottom; ++r) {
            if (RowExtent(r) == 0) continue;
            int x = 0;
            for (int cpass = 0; cpass < 2; ++cpass) {
                const int firstCol = cpass == 0 ? 0 : FTopLeft.X;
                const int lastCol = cpass == 0 ? FFixedCols : ColCount();
                for (int c = firstCol; c < lastCol && x < client.Right; ++c) {
                    if (ColExtent(c) == 0) continue;
                    const TRect cell(x, y, x + FColWidths[c], y + FRowHeights[r]);
                    // Lines included: a cell's right and bottom lines are drawn with it.
                    const RECT drawn{cell.Left, cell.Top, cell.Right + FGridLineWidth,
                                     cell.Bottom + FGridLineWidth};
                    if (!RectVisible(dc, &drawn)) {
                        x += ColExtent(c);
                        continue;
                    }
                    const bool fixed = c < FFixedCols || r < FFixedRows;
                    TGridDrawState state;
                    if (fixed) state << gdFixed;
                    const bool current = c == FCurrent.X && r == FCurrent.Y;
                    const bool inSel = !fixed && c >= sel.Left && c <= sel.Right && r >= sel.Top &&
                                       r <= sel.Bottom;
                    if (focused && current) state << gdFocused;
                    if (inSel && (!current || FOptions.Contains(goRowSelect) ||
                                  FOptions.Contains(goDrawFocusSelected) || !focused))
                        state << gdSelected;
                    canvas->Font()->Assign(Font());
                    if (FDefaultDrawing) {
                        canvas->Brush()->SetStyle(bsSolid);
                        if (fixed)
                            canvas->Brush()->SetColor(FFixedColor);
                        else if (state.Contains(gdSelected)) {
                            canvas->Brush()->SetColor(clHighlight);
                            canvas->Font()->SetColor(clHighlightText);
                        } else
                            canvas->Brush()->SetColor(Color());
                        canvas->FillRect(cell);
                    }
                    DrawCell(c, r, cell, state);
                    if (FDefaultDrawing && fixed && Ctl3D()) {
                        RECT edge = cell;
                        DrawEdge(canvas->Handle(), &edge, BDR_RAISEDINNER, BF_BOTTOMRIGHT);
                        DrawEdge(canvas->Handle(), &edge, BDR_RAISEDINNER, BF_TOPLEFT);
                    }
                    if (FDefaultDrawing && state.Contains(gdFocused) &&
                        !FOptions.Contains(goRowSelect))
                        canvas->DrawFocusRect(cell);
                    // The grid lines on the right and below the cell.
                    if (FGridLineWidth > 0) {
                        const bool vert = FOptions.Contains(fixed ? goFixedVertLine : goVertLine);
                        const bool horz = FOptions.Contains(fixed ? goFixedHorzLine : goHorzLine);
                        canvas->Brush()->SetStyle(bsSolid);
                        canvas->Brush()->SetColor(fixed ? clBlack : clSilver);
                        if (vert)
                            canvas->FillRect(TRect(cell.Right, cell.Top,
                                                   cell.Right + FGridLineWidth,
                                                   cell.Bottom + FGridLineWidth));
                        if (horz)
                            canvas->FillRect(TRect(cell.Left, cell.Bottom,
                                                   cell.Right + FGridLineWidth,
                                                   cell.Bottom + FGridLineWidth));
                    }
                    x += ColExtent(c);
                }
            }
            y += RowExtent(r);
        }
    }
    // What lies beyond the last row and column is the control's colour.
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    int right = 0;
    for (int c = 0; c < FFixedCols; ++c)
        right += ColExtent(c);
    for (int c = FTopLeft.X; c < ColCount(); ++c)
        right += ColExtent(c);
    if (right < client.Right) canvas->FillRect(TRect(right, 0, client.Right, client.Bottom));
    if (y < client.Bottom)
        canvas->FillRect(TRect(0, y, std::min(right, client.Right), client.Bottom));
    for (const bool horizontal : {false, true}) {
        const RECT bar = BarArea(horizontal);
        if (!Shown(horizontal))
            FPaintedThumbs[horizontal] = TRect();
        else if (RectVisible(dc, &bar)) {
            Bar(horizontal).Paint(dc);
            FPaintedThumbs[horizontal] = Bar(horizontal).Thumb();
        }
    }
    // The corner the two bars leave between them.
    if (Bars() == ShownBars{true, true}) {
        canvas->Brush()->SetColor(clBtnFace);
        canvas->FillRect(
            TRect(GridWidth(), GridHeight(), TCustomControl::ClientWidth(), ClientHeight()));
    }
    if (FState == GridState::RowMoving && FMoveTo != FMoveFrom) {
        // Where the dragged row would land.
        const int top = RowStart(FMoveTo) + (FMoveTo > FMoveFrom ? RowExtent(FMoveTo) : 0);
        canvas->Brush()->SetColor(clBlack);
        canvas->FillRect(TRect(0, top - 1, client.Right, top + 1));
    }
}

void TCustomGrid::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState)
{
    if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

void TCustomGrid::WndProc(TMessage &Message)
{
    if (BarMouseMessage(Message)) return;
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS;
        if (FOptions.Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
        if (FOptions.Contains(goEditing)) Message.Result |= DLGC_WANTCHARS;
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Invalidate();
        break;
    case WM_PAINT:
        InvalidateMovedThumb();
        break;
    case WM_SIZE:
        RoomChanged();
        break;
    case WM_CANCELMODE:
        if (BarHeld()) ReleaseBar();
        FState = GridState::Normal;
        break;
    case WM_TIMER:
        if (Message.WParam == BarRepeatTimer) {
            RepeatBarStep();
            return;
        }
        break;
    default:
        break;
    }
    inherited::WndProc(Message);
}

// ---- TStringGrid --------------------------------------------------------------------------------

TStringGrid::TStringGrid(TComponent *AOwner) : TCustomGrid(AOwner) {}

TStringGrid::~TStringGrid() = default;

AnsiString TStringGrid::Cells(int ACol, int ARow) const
{
    const auto it = FCells.find({ARow, ACol});
    return it == FCells.end() ? AnsiString() : it->second.Text;
}

void TStringGrid::SetCells(int ACol, int ARow, const AnsiString &Value)
{
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
        throw EInvalidGridOperation("Grid index out of range");
    FCells[{ARow, ACol}].Text = Value;
    FCellColumns = std::max(FCellColumns, ACol + 1);
    InvalidateCell(ACol, ARow);
}

TObject *TStringGrid::Objects(int ACol, int ARow) const
{
    const auto it = FCells.find({ARow, ACol});
    return it == FCells.end() ? nullptr : it->second.Object;
}

void TStringGrid::SetObjects(int ACol, int ARow, TObject *Value)
{
    if (ACol < 0 || ARow < 0 || ACol >= ColCount() || ARow >= RowCount())
        throw EInvalidGridOperation("Grid index out of range");
    FCells[{ARow, ACol}].Object = Value;
    FCellColumns = std::max(FCellColumns, ACol + 1);
}

void TStringGrid::SizeChanged()
{
    // Cells are ordered by row, so the rows past the end go in one cut; the walk over every
    // cell is left to a grid that lost columns, as a grid growing a row at a time would
    // otherwise pay for all its rows at each step.
    FCells.erase(FCells.lower_bound({RowCount(), 0}), FCells.end());
    if (ColCount() < FCellColumns)
        std::erase_if(FCells,
                      [this](const auto &entry) { return entry.first.second >= ColCount(); });
    FCellColumns = std::min(FCellColumns, ColCount());
}

void TStringGrid::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState)
{
    if (DefaultDrawing()) {
        Canvas()->Brush()->SetStyle(bsClear);
        Canvas()->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, Cells(ACol, ARow));
        Canvas()->Brush()->SetStyle(bsSolid);
    }
    inherited::DrawCell(ACol, ARow, ARect, AState);
}

namespace
{

// Renumbers one index of every cell as a move of From to To does.
template <class Key>
void MoveCells(std::map<std::pair<int, int>, Key> &Cells, bool Rows, int FromIndex, int ToIndex)
{
    std::map<std::pair<int, int>, Key> moved;
    for (auto &[position, cell] : Cells) {
        std::pair<int, int> p = position;
        MoveAdjust(Rows ? p.first : p.second, FromIndex, ToIndex);
        moved.emplace(p, std::move(cell));
    }
    Cells = std::move(moved);
}

} // namespace

void TStringGrid::RowMoved(int FromIndex, int ToIndex)
{
    MoveCells(FCells, true, FromIndex, ToIndex);
    inherited::RowMoved(FromIndex, ToIndex);
}

void TStringGrid::ColumnMoved(int FromIndex, int ToIndex)
{
    MoveCells(FCells, false, FromIndex, ToIndex);
    FCellColumns = std::max(FCellColumns, std::max(FromIndex, ToIndex) + 1);
    inherited::ColumnMoved(FromIndex, ToIndex);
}

AnsiString TStringGrid::GetEditText(int ACol, int ARow)
{
    AnsiString value = Cells(ACol, ARow);
    if (OnGetEditText) OnGetEditText(this, ACol, ARow, value);
    return value;
}

void TStringGrid::SetEditText(int ACol, int ARow, const AnsiString &Value)
{
    SetCells(ACol, ARow, Value);
    inherited::SetEditText(ACol, ARow, Value);
}
