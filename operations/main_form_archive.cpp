// The archive tab: reading the device's archive ring one record at a time, the rows in the
// grid with sorting, search and the clipboard, and the sums of written keys.

#include "link/constants.h"
#include "link/grid_helpers.h"
#include "link/hex_text.h"
#include "link/main_form.h"

#include <algorithm>
#include <memory>

namespace
{

// The ring's lowest and highest record; the pointer counts records from 1 at the lowest.
constexpr int RingLowest = 0x6200;
constexpr int RingHighest = 0xFE30;
constexpr int RecordBeforeRing = RingLowest - 0x10;
constexpr int BlockAnswerLength = 22;

const AnsiString ReadingArchive = "Чтение данных архива..."_a;

void ResetProgress(TProgressBar *Bar, int Max)
{
    Bar->SetMin(0);
    Bar->SetMax(Max);
    Bar->SetPosition(0);
    Bar->SetStep(1);
}

} // namespace

// ---- reading ----

void TMainForm::BTN_ReadFromArchiveClick(TObject *Sender)
{
    ArchiveSortColumn = 0;
    ArchiveSortDescending = false;
    // A port that did not open keeps its message; no exchange is started on it.
    if (!BTN_OpenCOMPortClick(Sender)) return;
    StartArchiveRead();
}

void TMainForm::StartArchiveRead()
{
    SetBusy(false);
    ArchivePointerStep = 0;
    ExpectedLength = 1;
    ArchiveRecords.clear();
    ShowArchivePartial(-1);
    FillArchiveGrid();
    const AnsiString asking = "Получение адреса архива..."_a;
    Label_ArchiveStatus->SetCaption(asking);
    ShowStatusMessage(asking, "", smNeutral);
    ResetProgress(Bar_Archive, 2);
    CHG_ArchiveStatus->SetgColorHTMLEnd(ReadingPanelColour);
    SendHexCommand("A59600700006");
}

void TMainForm::ArchivePointerFirstReceived(const AnsiString &Answer)
{
    ArchivePointerStep = 1;
    Bar_Archive->StepIt();
    ArchiveAddressHex = Answer;
    SendHexCommand("A59600710007");
}

void TMainForm::ArchivePointerReceived(const AnsiString &Answer)
{
    ArchivePointerStep = -1;
    Bar_Archive->StepIt();
    ArchiveAddressHex += Answer;
    int pointer = HexToIntDef(ArchiveAddressHex, 0);
    if (pointer == 0) {
        // A device that never stored a key.
        FinishArchiveRead();
        return;
    }
    if (pointer > ArchiveRingRecords) {
        // Reading would walk out of the ring into the address book and beyond.
        ResetExchange();
        SetBusy(true);
        ShowStatusMessage("Неверный указатель архива в приборе:"_a, IntToStr(pointer), smError);
        ShowArchivePartial(0);
        return;
    }
    ArchiveAddressHex = IntToHex(RecordBeforeRing + (pointer << 4), 4);
    ReadArchiveBlock();
}

void TMainForm::ReadArchiveBlock()
{
    ArchiveBlockStep = 0;
    ExpectedLength = BlockAnswerLength;
    Label_ArchiveStatus->SetCaption(ReadingArchive);
    ShowStatusMessage(ReadingArchive, "", smNeutral);
    ResetProgress(Bar_Archive, ArchiveRingRecords);
    SendArchiveBlockRead();
}

void TMainForm::SendArchiveBlockRead()
{
    AnsiString frame = "31" + ArchiveAddressHex + "10";
    SendHexCommand("A5" + frame + HexChecksum(frame, false));
}

void TMainForm::ArchiveBlockReceived(const AnsiString &Answer)
{
    ++ArchiveBlockStep;
    // A full ring has no empty record; a second pass would only repeat every row.
    const bool more = DecodeArchiveRecord(Answer) && ArchiveBlockStep < ArchiveRingRecords;
    // The next record is asked for before the window shows this one: measuring the label
    // and drawing the bar then happen while the line carries the frame, not before it.
    if (more) {
        int address = HexToIntDef(ArchiveAddressHex, RingLowest);
        address = address <= RingLowest ? RingHighest : address - 0x10;
        ArchiveAddressHex = IntToHex(address, 4);
        SendArchiveBlockRead();
    }
    Bar_Archive->StepIt();
    Label_ArchiveStatus->SetCaption(ReadingArchive + " " + IntToStr(ArchiveBlockStep));
    if (!more) FinishArchiveRead();
}

bool TMainForm::DecodeArchiveRecord(const AnsiString &Answer)
{
    return AppendArchiveRecord(ArchiveRecords, Answer, CHB_MissRead->Checked()) !=
           TArchiveDecode::End;
}

void TMainForm::FinishArchiveRead()
{
    // Whole, or ended by the user: no mark of a read cut short.
    ArchivePointerStep = -1;
    ArchiveBlockStep = -1;
    Bar_Archive->StepIt();
    FillArchiveGrid();
    ResetExchange();
    SetBusy(true);
    ShowStatusMessage(ReadingArchive + " успешно!"_a, "", smNeutral);
    UpdateArchiveCounters();
    if (SG_Archive->CanFocus()) SG_Archive->SetFocus();
}

void TMainForm::BTN_StopArchiveClick(TObject *)
{
    FinishArchiveRead();
}

// A read the device cut short leaves rows and sums that look like the whole archive's, long
// after its red message has gone; Stop is the user's own end and says nothing.
void TMainForm::ShowArchivePartial(int Records)
{
    LB_ArchivePartial->SetCaption(
        Records < 0 ? AnsiString() : "Архив неполный: прочитано записей: "_a + IntToStr(Records));
    LB_ArchivePartial->SetVisible(Records >= 0);
}

// ---- the grid ----

bool TMainForm::IsArchiveDataRow(int Row)
{
    return GridDataRowIndex(SG_Archive, Row) != -1 && !ArchiveRecords.empty();
}

void TMainForm::FillArchiveGrid()
{
    if (ArchiveRecords.empty()) {
        GridSetFixed(SG_Archive, 0, 0);
        SG_Archive->SetRowCount(1);
        SG_Archive->Repaint();
        return;
    }
    int current = SG_Archive->Row();
    GridClearData(SG_Archive, ArchiveColumnCount);
    int rows = static_cast<int>(ArchiveRecords.size());
    SG_Archive->SetRowCount(rows + 1);
    for (int i = 0; i < rows; ++i) {
        auto texts = ArchiveRowTexts(ArchiveRecords[i]);
        for (int col = 0; col < ArchiveColumnCount; ++col)
            SG_Archive->SetCells(col, i + 1, texts[col]);
    }
    GridSetFixed(SG_Archive, 1, 1);
    SG_Archive->SetRow(std::clamp(current, 1, rows));
    SG_Archive->Repaint();
}

void TMainForm::SG_ArchiveDrawCell(TObject *, int ACol, int ARow, TRect Rect, TGridDrawState State)
{
    if (ARow == 0) {
        int picture = ACol == ArchiveSortColumn ? int(ArchiveSortDescending) : -1;
        GridDrawHeaderCellPng(PIL_ArchiveSort, SG_Archive, ACol, ARow, Rect, picture);
        return;
    }
    bool selected = State.Contains(gdSelected);
    // The number column keeps the grid's own drawing when selected.
    if (selected && ACol == 0) return;
    if (!selected && !IsArchiveDataRow(ARow)) return;
    if (ACol == 0)
        GridDrawHeaderCell(SG_Archive, ACol, ARow, Rect);
    else if (ACol == 4)
        GridDrawCellRight(SG_Archive, ArchiveColumnFonts[ACol].get(), ArchiveRowColours[ACol], ACol,
                          ARow, Rect, State);
    else
        GridDrawCellCentered(SG_Archive, ArchiveColumnFonts[ACol].get(), ArchiveRowColours[ACol],
                             ACol, ARow, Rect, State);
}

void TMainForm::SG_ArchiveMouseDown(TObject *, TMouseButton Button, TShiftState, int X, int Y)
{
    if (ArchiveRecords.empty()) return;
    int col = -1, row = -1;
    SG_Archive->MouseToCell(X, Y, col, row);
    TPoint screen = SG_Archive->ClientToScreen(TPoint(X, Y));
    if (Button == mbRight && row > 0) {
        PM_CopyClipboard->Popup(screen.X, screen.Y);
        return;
    }
    if (Button != mbLeft || row != 0 || col < 0) return;
    // A press on a title's border sizes the column; only a click on the title sorts.
    if (SG_Archive->Sizing()) return;
    if (col == ArchiveSortColumn) {
        ArchiveSortDescending = !ArchiveSortDescending;
    } else {
        ArchiveSortDescending = false;
        ArchiveSortColumn = col;
    }
    SortArchive();
    GridSelectCell(SG_Archive, SG_Archive->Col(), 1);
    FillArchiveGrid();
}

void TMainForm::SortArchive()
{
    SortArchiveRecords(ArchiveRecords, ArchiveSortColumn, ArchiveSortDescending);
}

void TMainForm::BTN_SearchClick(TObject *)
{
    if (ArchiveRecords.empty()) {
        ShowStatusMessage("Нет данных для поиска!"_a, "", smNeutral);
        return;
    }
    // Numbers and counts would match almost any digits typed.
    GridFindText(SG_Archive, ED_Search->Text(), {0, 4});
}

void TMainForm::BTN_ClipboardArchiveClick(TObject *)
{
    if (ArchiveRecords.empty()) {
        ShowStatusMessage("Нет данных для копирования!"_a, "", smNeutral);
        return;
    }
    GridCopyAllToClipboard(SG_Archive, ClipboardUnicodeText);
}

void TMainForm::TBI_CopyClipboardClick(TObject *)
{
    if (ArchiveRecords.empty()) {
        ShowStatusMessage("Нет данных для копирования!"_a, "", smNeutral);
        return;
    }
    GridCopySelectionToClipboard(SG_Archive, ClipboardUnicodeText);
}

// ---- counters ----

void TMainForm::UpdateArchiveCounters()
{
    auto sums = CountArchiveKeys(ArchiveRecords, CHB_AllArchive->Checked(),
                                 DTP_ArchiveCountFrom->DateTime(), DTP_ArchiveCountTo->DateTime());
    TShadowLabel *labels[KeyTypeCount] = {SL_Dallas, SL_Metacom, SL_Cyfral, SL_Proxy};
    for (int type = 0; type < KeyTypeCount; ++type)
        labels[type]->SetCaption(IntToStr(sums[type]));
}

void TMainForm::CHB_AllArchiveClick(TObject *)
{
    bool period = !CHB_AllArchive->Checked();
    DTP_ArchiveCountFrom->SetEnabled(period);
    DTP_ArchiveCountTo->SetEnabled(period);
    UpdateArchiveCounters();
}

void TMainForm::DTP_ArchiveCountChange(TObject *)
{
    UpdateArchiveCounters();
}
