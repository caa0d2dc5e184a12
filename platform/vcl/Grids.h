#pragma once

// The string grid of our own, with the class library's rules: fixed rows and
// columns that never hold the current cell, hidden columns of width -1, row
// and column moving in the fixed area, column sizing, default drawing before
// OnDrawCell, keyboard navigation, and in-place editing only when asked.

#include "platform/vcl/ScrollBar.h"
#include "platform/vcl/StdCtrls.h"

#include <array>
#include <map>
#include <vector>

QRV4_DECLARE_EXCEPTION(EInvalidGridOperation, Exception)

enum TGridOption {
    goFixedVertLine,
    goFixedHorzLine,
    goVertLine,
    goHorzLine,
    goRangeSelect,
    goDrawFocusSelected,
    goRowSizing,
    goColSizing,
    goRowMoving,
    goColMoving,
    goEditing,
    goTabs,
    goRowSelect,
    goAlwaysShowEditor,
    goThumbTracking
};
using TGridOptions = Set<TGridOption>;

enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed };
using TGridDrawState = Set<TGridDrawStateItem>;

struct TGridCoord {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TGridCoord &, const TGridCoord &) = default;
};

struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    friend bool operator==(const TGridRect &, const TGridRect &) = default;
};

using TDrawCellEvent =
    std::function<void(TObject *Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = std::function<void(TObject *Sender, int ACol, int ARow, bool &CanSelect)>;
using TMovedEvent = std::function<void(TObject *Sender, int FromIndex, int ToIndex)>;
using TGetEditEvent = std::function<void(TObject *Sender, int ACol, int ARow, AnsiString &Value)>;
using TSetEditEvent =
    std::function<void(TObject *Sender, int ACol, int ARow, const AnsiString &Value)>;

class TInplaceEdit;

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomGrid : public TCustomControl
{
    QRV4_CLASS(TCustomGrid, TCustomControl)
    friend class TInplaceEdit;

public:
    explicit TCustomGrid(TComponent *AOwner);
    ~TCustomGrid() override;

    int ColCount() const { return static_cast<int>(FColWidths.size()); }
    void SetColCount(int Value);
    int RowCount() const { return static_cast<int>(FRowHeights.size()); }
    // A count at or below the fixed ones lowers them: one row with none fixed is fine.
    void SetRowCount(int Value);
    int FixedCols() const { return FFixedCols; }
    // Raises EInvalidGridOperation unless below ColCount; moves the current cell
    // and the top-left corner to the first scrollable cell. The cells stay.
    void SetFixedCols(int Value);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int Value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    void SetDefaultColWidth(int Value);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int Value);
    // -1 hides a column (or a row): it takes no room at all.
    int ColWidths(int Index) const;
    void SetColWidths(int Index, int Value);
    int RowHeights(int Index) const;
    void SetRowHeights(int Index, int Value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int Value);
    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions Value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor Value);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value) { FDefaultDrawing = Value; }
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // Rows that do not fit get a vertical bar at the right of the client area.
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);

    // The current cell; a fixed or absent cell raises EInvalidGridOperation.
    int Col() const { return FCurrent.X; }
    void SetCol(int Value);
    int Row() const { return FCurrent.Y; }
    void SetRow(int Value);
    int TopRow() const { return FTopLeft.Y; }
    void SetTopRow(int Value);
    int LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(int Value);
    int VisibleColCount();
    int VisibleRowCount();
    // Scrolls so that the current cell is wholly in view.
    void ClampInView();
    TGridRect Selection() const;
    void SetSelection(const TGridRect &Value);
    bool EditorMode() const;
    void SetEditorMode(bool Value);

    // The cell's rectangle in client coordinates; empty when it is not in view.
    TRect CellRect(int ACol, int ARow);
    // The cell under a client point; -1 and -1 outside every cell.
    void MouseToCell(int X, int Y, int &ACol, int &ARow);
    TGridCoord MouseCoord(int X, int Y);
    // A press on the border of a column or row started sizing it, and the button is still down.
    bool Sizing() const { return FState == GridState::ColSizing || FState == GridState::RowSizing; }
    void InvalidateCell(int ACol, int ARow);
    void InvalidateRow(int ARow);
    void InvalidateGrid() { Invalidate(); }
    // Moves a row (or column) and what it holds; the current cell and the
    // selection follow the grid's rule, then RowMoved (ColumnMoved) is raised.
    void MoveRow(int FromIndex, int ToIndex);
    void MoveColumn(int FromIndex, int ToIndex);

    void WndProc(TMessage &Message) override;

    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;
    TMovedEvent OnRowMoved;
    TMovedEvent OnColumnMoved;
    TNotifyEvent OnTopLeftChanged;
    TGetEditEvent OnGetEditText;
    TSetEditEvent OnSetEditText;

protected:
    void CreateParams(TCreateParams &Params) override;
    void Paint() override;
    virtual void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState);
    virtual bool SelectCell(int ACol, int ARow);
    virtual void RowMoved(int FromIndex, int ToIndex);
    virtual void ColumnMoved(int FromIndex, int ToIndex);
    virtual void TopLeftChanged();
    virtual AnsiString GetEditText(int ACol, int ARow);
    virtual void SetEditText(int ACol, int ARow, const AnsiString &Value);
    virtual bool CanEditShow();
    // The counts changed; a derived grid drops what no longer fits.
    virtual void SizeChanged() {}
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void KeyPress(char &Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void DoExit() override;
    // Moves the current cell (after SelectCell agrees), keeps it in view and,
    // unless extending, collapses the selection onto it.
    void MoveCurrent(int ACol, int ARow, bool MoveAnchor);

private:
    enum class GridState {
        Normal,
        Selecting,
        RowMoving,
        ColMoving,
        ColSizing,
        RowSizing,
        ThumbDragging,
        BarRepeating
    };
    int ColExtent(int Index) const;
    int RowExtent(int Index) const;
    int FixedWidth() const;
    int FixedHeight() const;
    int ColStart(int Index) const;
    int RowStart(int Index) const;
    int MaxTopRow();
    int MaxLeftCol();
    void Initialize();
    void CheckCell(int ACol, int ARow) const;
    void MoveTopLeft(int ALeft, int ATop);
    void ScrollRowsInView(TGridCoord Old);
    int RowTopInView(int ARow);
    void InvalidateRows(int First, int Last);
    void InvalidateRowsFrom(int First);
    // The cells' full width between two client y's.
    void InvalidateBand(int Top, int Bottom);
    // Where a bar stands, and its thumb (empty while the bar does not show).
    TRect BarArea(bool Horizontal);
    TRect BarThumb(bool Horizontal);
    void InvalidateMovedThumb();
    int TitlesHeight() const;
    int SizingBorder(int X, int Y, bool &IsColumn);
    void ShowEditor();
    void HideEditor(bool Commit);
    int NextVisibleCol(int From, int Step) const;
    struct ShownBars {
        bool Vert = false;
        bool Horz = false;
        bool operator==(const ShownBars &) const = default;
    };
    // Each bar shows where its lines overflow the room the other bar leaves them. Kept for
    // the client size it was worked out for until a size, count or the bars' style changes:
    // filling a long grid asks the room the cells have of every cell it sets.
    ShownBars Bars();
    void BarsChanged()
    {
        FBarsKnown = false;
        FRowsEnd.Known = false;
    }
    void RoomChanged();
    bool Shown(bool Horizontal);
    bool RowsOverflow(int Height) const;
    bool ColsOverflow(int Width) const;
    // The room the cells may take: the client area less the scroll bars.
    int GridWidth();
    int GridHeight();
    // The first row below the window, the cells Height high: the rows from it on show nothing.
    // Kept for the top row and the height it was found for, until the rows change.
    int RowsEnd(int Height);
    // A bar laid out for the grid as it is now.
    vcl::ScrollBar &Bar(bool Horizontal);
    void ScrollBarTo(bool Horizontal, int Position);
    bool BarMouseMessage(const TMessage &Message);
    bool BarHeld() const
    {
        return FState == GridState::ThumbDragging || FState == GridState::BarRepeating;
    }
    void PressBar(int X, int Y);
    void TrackBar(int X, int Y);
    void ReleaseBar();
    void RepeatBarStep();

    std::vector<int> FColWidths;
    std::vector<int> FRowHeights;
    int FFixedCols = 1;
    int FFixedRows = 1;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    int FGridLineWidth = 1;
    TGridOptions FOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
    TColor FFixedColor = clBtnFace;
    bool FDefaultDrawing = true;
    TBorderStyle FBorderStyle = bsSingle;
    TScrollStyle FScrollBars = ssBoth;
    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    TGridCoord FTopLeft{1, 1};
    GridState FState = GridState::Normal;
    int FMoveFrom = -1;
    int FMoveTo = -1;
    int FSizingIndex = -1;
    int FSizingStart = 0;
    int FSizingOrigin = 0;
    TInplaceEdit *FEditor = nullptr;
    vcl::ScrollBar FVertBar{false};
    vcl::ScrollBar FHorzBar{true};
    // The bar held down and the part of it, stepped again while the pointer stays over it.
    bool FBarHorizontal = false;
    vcl::ScrollBar::Part FBarPart = vcl::ScrollBar::Part::Thumb;
    TPoint FBarPointer;
    // By bar: the vertical one first.
    std::array<TRect, 2> FPaintedThumbs;
    bool FBarsKnown = false;
    ShownBars FBars;
    TPoint FBarsClient; // the client size FBars holds for
    struct {
        bool Known = false;
        int Top = 0;
        int Height = 0;
        int End = 0;
    } FRowsEnd;
};

class TStringGrid : public TCustomGrid
{
    QRV4_CLASS(TStringGrid, TCustomGrid)

public:
    explicit TStringGrid(TComponent *AOwner);
    ~TStringGrid() override;

    AnsiString Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const AnsiString &Value);
    TObject *Objects(int ACol, int ARow) const;
    void SetObjects(int ACol, int ARow, TObject *Value);

protected:
    void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
    void RowMoved(int FromIndex, int ToIndex) override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    AnsiString GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const AnsiString &Value) override;

private:
    struct Cell {
        AnsiString Text;
        TObject *Object = nullptr;
    };
    // By (row, column); cells beyond shrunk counts are dropped.
    void SizeChanged() override;
    std::map<std::pair<int, int>, Cell> FCells;
    // No cell lies at or past this column.
    int FCellColumns = 0;
};
