#pragma once

// Helpers shared by the string grids of the program: rows and cells, the search
// with wrap-around, the column-width layout files, grid text on the clipboard,
// cell painting and a colour shift.

#include "platform/vcl/Grids.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/StdCtrls.h"

#include <set>

constexpr int ClipboardAnsiText = 1;     // CF_TEXT
constexpr int ClipboardUnicodeText = 13; // CF_UNICODETEXT

// The 0-based data row of grid row Row (the current row for -1); -1 without data rows.
int GridDataRowIndex(TStringGrid *Grid, int Row = -1);
// Every data cell of the first Count columns becomes a blank; two rows remain.
void GridClearData(TStringGrid *Grid, int Count);
void GridSelectCell(TStringGrid *Grid, int Col, int Row);
void GridSetFixed(TStringGrid *Grid, int FixedCols, int FixedRows);

// One line "%d\n" per column, the file replaced whole. Returns 0, or the system's error
// number with the file as it was.
int GridSaveColWidths(TStringGrid *Grid, const AnsiString &FileName);
// Wider than any screen; a width beyond it, or below 0, no user dragged (a spoilt file), and
// the sums of such widths overflow when the grid lays its columns out.
constexpr int MaxLayoutColWidth = 10000;
// A line that cannot be read leaves its column's width and those after it as they are; a
// width outside 0..MaxLayoutColWidth leaves its column's. False when the file is there but
// cannot be read: the widths it holds are then still the user's, which the grid does not show.
bool GridLoadColWidths(TStringGrid *Grid, const AnsiString &FileName);

// Every visible cell followed by a tab, each row ended by a line feed.
void GridCopyAllToClipboard(TStringGrid *Grid, int Format);
void GridCopySelectionToClipboard(TStringGrid *Grid, int Format);
void ClipboardPutText(const AnsiString &Text, int Format);
void ClipboardSetUnicodeText(const AnsiString &Text);
// Empty when the clipboard holds no text.
AnsiString ClipboardGetUnicodeText();

// Selects the next cell holding Text, ignoring case and the columns of SkipCols;
// after the last cell it wraps around to the first.
void GridFindText(TStringGrid *Grid, const AnsiString &Text, const std::set<int> &SkipCols);

void GridDrawCellLeft(TStringGrid *Grid, TFont *Font, TColor Background, int Col, int Row,
                      TRect Rect, TGridDrawState State);
void GridDrawCellCentered(TStringGrid *Grid, TFont *Font, TColor Background, int Col, int Row,
                          TRect Rect, TGridDrawState State);
void GridDrawCellRight(TStringGrid *Grid, TFont *Font, TColor Background, int Col, int Row,
                       TRect Rect, TGridDrawState State);
// The cell's background as a data cell's; then, when its text is the number of one of the
// list's pictures, that picture in the middle of the cell.
void GridDrawCellPng(TCustomImageList *Images, TStringGrid *Grid, TColor Background, int Col,
                     int Row, TRect Rect, TGridDrawState State);
void GridDrawHeaderCell(TStringGrid *Grid, int Col, int Row, TRect Rect);
// The header cell with picture ImageIndex of Images before its title; -1 for none.
void GridDrawHeaderCellPng(TCustomImageList *Images, TStringGrid *Grid, int Col, int Row,
                           TRect Rect, int ImageIndex);

// "По умолчанию" (the system's default printer), then every installed printer; the first chosen.
void FillPrinterList(TCustomComboBox *Box);

// The colour (a system colour resolved) with each channel moved by its delta, within 0..255.
TColor ColorAddRGB(TColor Color, int Red, int Green, int Blue);
