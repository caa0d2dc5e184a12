#include "link/grid_helpers.h"

#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/Printers.h"

#include "platform/rtl/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <sstream>
#include <string>

int GridDataRowIndex(TStringGrid *Grid, int Row)
{
    if (Grid->RowCount() < 2) return -1;
    return (Row == -1 ? Grid->Row() : Row) - 1;
}

// Only the first data row stays, so only its cells are blanked: a long list's rows go as they
// are.
void GridClearData(TStringGrid *Grid, int Count)
{
    const bool hadData = Grid->RowCount() > 1;
    Grid->SetRowCount(2);
    for (int col = 0; hadData && col < Count; ++col)
        Grid->SetCells(col, 1, " ");
}

void GridSelectCell(TStringGrid *Grid, int Col, int Row)
{
    Grid->SetRow(Row);
    Grid->SetCol(Col);
}

void GridSetFixed(TStringGrid *Grid, int FixedCols, int FixedRows)
{
    Grid->SetFixedCols(FixedCols);
    Grid->SetFixedRows(FixedRows);
}

int GridSaveColWidths(TStringGrid *Grid, const AnsiString &FileName)
{
    std::string text;
    for (int col = 0; col < Grid->ColCount(); ++col)
        text += std::to_string(Grid->ColWidths(col)) + "\n";
    return rtl::ReplaceFileContent(FileName, text);
}

bool GridLoadColWidths(TStringGrid *Grid, const AnsiString &FileName)
{
    std::string bytes;
    if (const int error =
            rtl::ReadFileContent(rtl::SystemPath(FileName), bytes, rtl::SettingsFileLimit))
        return error == ENOENT;
    std::istringstream file(bytes);
    for (int col = 0; col < Grid->ColCount(); ++col) {
        long long width;
        // An empty or cut file must not squeeze the columns to nothing.
        if (!(file >> width)) break;
        if (width >= 0 && width <= MaxLayoutColWidth)
            Grid->SetColWidths(col, static_cast<int>(width));
    }
    return true;
}

namespace
{

AnsiString GridText(TStringGrid *Grid, int Left, int Top, int Right, int Bottom)
{
    AnsiString text;
    for (int row = Top; row <= Bottom; ++row) {
        for (int col = Left; col <= Right; ++col)
            if (Grid->ColWidths(col) != -1) text += Grid->Cells(col, row) + "\t";
        text += "\n";
    }
    return text;
}

} // namespace

void GridCopyAllToClipboard(TStringGrid *Grid, int Format)
{
    ClipboardPutText(GridText(Grid, 0, 0, Grid->ColCount() - 1, Grid->RowCount() - 1), Format);
}

void GridCopySelectionToClipboard(TStringGrid *Grid, int Format)
{
    TGridRect selection = Grid->Selection();
    ClipboardPutText(
        GridText(Grid, selection.Left, selection.Top, selection.Right, selection.Bottom), Format);
}

void ClipboardPutText(const AnsiString &Text, int Format)
{
    if (Format == ClipboardAnsiText)
        Clipboard()->SetAsText(Text);
    else if (Format == ClipboardUnicodeText)
        ClipboardSetUnicodeText(Text);
}

void ClipboardSetUnicodeText(const AnsiString &Text)
{
    if (!Text.IsEmpty()) Clipboard()->SetAsWideText(WideString(Text));
}

AnsiString ClipboardGetUnicodeText()
{
    return Clipboard()->AsWideText().ToAnsi();
}

// ---- search ----

namespace
{

struct FixedCounts {
    bool Known = false;
    int Cols = 0;
    int Rows = 0;
};

// The fixed counts of the first grid ever searched, put back after every search.
FixedCounts &RememberedFixed()
{
    static FixedCounts counts;
    return counts;
}

bool CellHolds(TStringGrid *Grid, int Col, int Row, const AnsiString &Needle)
{
    return AnsiLowerCase(Grid->Cells(Col, Row)).Pos(Needle) != 0;
}

} // namespace

void GridFindText(TStringGrid *Grid, const AnsiString &Text, const std::set<int> &SkipCols)
{
    FixedCounts &fixed = RememberedFixed();
    if (!fixed.Known) fixed = {true, Grid->FixedCols(), Grid->FixedRows()};
    AnsiString needle = AnsiLowerCase(Text);
    bool rowSelect = Grid->Options().Contains(goRowSelect);
    int currentCol = Grid->Col();
    int currentRow = Grid->Row();
    bool secondPass = currentCol == 0 && currentRow == 0;
    int startRow = currentRow == 0 ? 1 : currentRow;

    for (int row = startRow; row < Grid->RowCount(); ++row)
        for (int col = row == startRow ? currentCol : 0; col < Grid->ColCount(); ++col) {
            if (SkipCols.count(col) || !CellHolds(Grid, col, row, needle)) continue;
            bool elsewhere =
                rowSelect ? row != currentRow : (row != currentRow || col != currentCol);
            if (!elsewhere) continue;
            GridSetFixed(Grid, fixed.Cols, fixed.Rows);
            GridSelectCell(Grid, rowSelect ? fixed.Cols + 1 : col, row);
            return;
        }

    if (secondPass) {
        GridSetFixed(Grid, fixed.Cols, fixed.Rows);
        GridSelectCell(Grid, 1, 1);
        return;
    }
    // The current cell may not be a fixed one: the counts go to 0 so the search
    // can start again from the very first cell.
    GridSetFixed(Grid, 0, 0);
    GridSelectCell(Grid, 0, 0);
    GridFindText(Grid, Text, SkipCols);
}

// ---- painting ----

namespace
{

void FillCellBackground(TStringGrid *Grid, TColor Background, TRect Rect, TGridDrawState State)
{
    TCanvas *canvas = Grid->Canvas();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(State.Contains(gdSelected) ? clHighlight : Background);
    canvas->FillRect(Rect);
}

void DrawCell(TStringGrid *Grid, TFont *Font, TColor Background, int Col, int Row, TRect Rect,
              TGridDrawState State, UINT Alignment)
{
    TCanvas *canvas = Grid->Canvas();
    canvas->Font()->Assign(Font);
    if (State.Contains(gdSelected)) canvas->Font()->SetColor(clHighlightText);
    FillCellBackground(Grid, Background, Rect, State);
    RECT text{Rect.Left + 2, Rect.Top + 2, Rect.Right - 2, Rect.Bottom - 2};
    AnsiString cell = Grid->Cells(Col, Row);
    DrawTextA(canvas->Handle(), cell.c_str(), cell.Length(), &text,
              DT_SINGLELINE | DT_VCENTER | Alignment);
}

} // namespace

void GridDrawCellLeft(TStringGrid *Grid, TFont *Font, TColor Background, int Col, int Row,
                      TRect Rect, TGridDrawState State)
{
    DrawCell(Grid, Font, Background, Col, Row, Rect, State, DT_LEFT);
}

void GridDrawCellCentered(TStringGrid *Grid, TFont *Font, TColor Background, int Col, int Row,
                          TRect Rect, TGridDrawState State)
{
    DrawCell(Grid, Font, Background, Col, Row, Rect, State, DT_CENTER);
}

void GridDrawCellRight(TStringGrid *Grid, TFont *Font, TColor Background, int Col, int Row,
                       TRect Rect, TGridDrawState State)
{
    DrawCell(Grid, Font, Background, Col, Row, Rect, State, DT_RIGHT);
}

void GridDrawCellPng(TCustomImageList *Images, TStringGrid *Grid, TColor Background, int Col,
                     int Row, TRect Rect, TGridDrawState State)
{
    FillCellBackground(Grid, Background, Rect, State);
    int index = -1;
    if (!Images || !TryStrToInt(Grid->Cells(Col, Row), index) || index < 0 ||
        index >= Images->Count())
        return;
    const int width = Images->Width();
    const int left = width > Rect.Width() ? Rect.Left + 2 : Rect.Left + (Rect.Width() - width) / 2;
    const int top = Rect.Top + (Rect.Height() - Images->Height()) / 2;
    Images->Draw(Grid->Canvas(), left, top, index);
}

namespace
{

void FillHeaderGradient(TStringGrid *Grid, TRect Rect)
{
    COLORREF from = RGB(255, 251, 240);
    COLORREF to = ColorToRGB(clGradientActiveCaption);
    TRIVERTEX vertices[2] = {
        {Rect.Left, Rect.Top, static_cast<COLOR16>(GetRValue(from) << 8),
         static_cast<COLOR16>(GetGValue(from) << 8), static_cast<COLOR16>(GetBValue(from) << 8), 0},
        {Rect.Right, Rect.Bottom, static_cast<COLOR16>(GetRValue(to) << 8),
         static_cast<COLOR16>(GetGValue(to) << 8), static_cast<COLOR16>(GetBValue(to) << 8), 0}};
    GRADIENT_RECT mesh{0, 1};
    GradientFill(Grid->Canvas()->Handle(), vertices, 2, &mesh, 1, GRADIENT_FILL_RECT_H);
}

void SetHeaderFont(TCanvas *Canvas)
{
    Canvas->Font()->SetName("Arial");
    Canvas->Font()->SetSize(10);
    Canvas->Font()->SetColor(clBlack);
    Canvas->Font()->SetStyle(TFontStyles{});
}

// The title in Rect, centred unless Align says otherwise.
void DrawHeaderText(TStringGrid *Grid, int Col, int Row, TRect Rect, UINT Align = DT_CENTER)
{
    TCanvas *canvas = Grid->Canvas();
    SetHeaderFont(canvas);
    canvas->Brush()->SetStyle(bsClear);
    RECT text{Rect.Left, Rect.Top, Rect.Right, Rect.Bottom};
    AnsiString cell = Grid->Cells(Col, Row);
    DrawTextA(canvas->Handle(), cell.c_str(), cell.Length(), &text,
              DT_SINGLELINE | DT_VCENTER | Align);
    canvas->Brush()->SetStyle(bsSolid);
}

} // namespace

void GridDrawHeaderCell(TStringGrid *Grid, int Col, int Row, TRect Rect)
{
    FillHeaderGradient(Grid, Rect);
    DrawHeaderText(Grid, Col, Row, Rect);
}

void GridDrawHeaderCellPng(TCustomImageList *Images, TStringGrid *Grid, int Col, int Row,
                           TRect Rect, int ImageIndex)
{
    FillHeaderGradient(Grid, Rect);
    if (ImageIndex < 0 || ImageIndex >= Images->Count()) {
        DrawHeaderText(Grid, Col, Row, Rect);
        return;
    }
    // At the left edge, where a centred title of a wide column leaves it free.
    const int left = Rect.Left + 3;
    Images->Draw(Grid->Canvas(), left, Rect.Top + (Rect.Height() - Images->Height()) / 2,
                 ImageIndex);
    // In a narrow column the title moves right of the picture, centred in what is left while
    // it fits there.
    SetHeaderFont(Grid->Canvas());
    const int width = Grid->Canvas()->TextWidth(Grid->Cells(Col, Row));
    const int clear = left + Images->Width() + 2;
    if (Rect.Left + (Rect.Width() - width) / 2 >= clear) {
        DrawHeaderText(Grid, Col, Row, Rect);
        return;
    }
    TRect rest = Rect;
    rest.Left = clear;
    DrawHeaderText(Grid, Col, Row, rest, width <= rest.Width() ? DT_CENTER : DT_LEFT);
}

void FillPrinterList(TCustomComboBox *Box)
{
    Box->Items()->Clear();
    Box->Items()->Add("По умолчанию"_a);
    Printer()->Refresh();
    TStrings *printers = Printer()->Printers();
    for (int i = 0; i < printers->Count(); ++i)
        Box->Items()->Add(printers->Strings(i));
    Box->SetItemIndex(0);
}

TColor ColorAddRGB(TColor Color, int Red, int Green, int Blue)
{
    COLORREF rgb = ColorToRGB(Color);
    auto shift = [](int Channel, int Delta) {
        return static_cast<BYTE>(std::clamp(Channel + Delta, 0, 255));
    };
    return static_cast<TColor>(
        RGB(shift(GetRValue(rgb), Red), shift(GetGValue(rgb), Green), shift(GetBValue(rgb), Blue)));
}
