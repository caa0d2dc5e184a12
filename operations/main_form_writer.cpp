// The address book on the device: reading its cells into the row list, showing the
// list in the grid, and writing the marked rows back, three frames per cell.

#include "link/constants.h"
#include "link/grid_helpers.h"
#include "link/hex_text.h"
#include "link/key_codes.h"
#include "link/main_form.h"

#include <algorithm>
#include <array>

namespace
{

constexpr int CellAnswerLength = 30;
constexpr int WriteAnswerLength = 1;
constexpr int CellStep = 0x18;
constexpr int FrameDataDigits = 16;
constexpr int CellDigits = 48;
constexpr int KeyDigits = 16;
constexpr int NameLength = 14;
const AnsiString FirstCellAddress = "0400";
const AnsiString LastCellAddress = "61A8";
const AnsiString EmptyCellData = AnsiString::StringOfChar('F', CellDigits);
constexpr int BlankIndex = 42;

AnsiString ReadCellCommand(const AnsiString &Address)
{
    const AnsiString body = "31" + Address + "18";
    return "A5" + body + HexChecksum(body, false);
}

// Exactly Digits upper-case hex digits, or the frames would go out misaligned.
bool IsDeviceHex(const AnsiString &Data, int Digits)
{
    if (Data.Length() != Digits) return false;
    for (int pos = 1; pos <= Data.Length(); ++pos)
        if (!CharInString(Data[pos], "0123456789ABCDEF")) return false;
    return true;
}

// A Cyfral key of the other modes is shown in its own form and written from its old key.
bool WrittenFromOldKey(const WriterRecord &Record)
{
    return Record.KeyType == ktCyfral && Record.WriteMode != 0 && Record.WriteMode != 4;
}

// The key the device's code in OldKey stands for, in the grid's form.
AnsiString OldKeyText(const WriterRecord &Record)
{
    AnsiString code = Record.OldKey;
    DecodeKeyCode(Record.KeyType, Record.WriteMode, code);
    return InsertSeparatorEvery(code, 2, " ");
}

bool KeyTypeKnown(const WriterRecord &Record)
{
    return Record.KeyType >= 0 && Record.KeyType < KeyTypeCount;
}

// Known only for a known key type: each type has its own modes.
bool WriteModeKnown(const WriterRecord &Record)
{
    const int mode = Record.WriteMode;
    return KeyTypeKnown(Record) && mode >= 0 && mode < WriteModeCount &&
           !KeyTypeNames[Record.KeyType][1 + mode].IsEmpty();
}

// Why a row the device cannot take is refused, each with what the user can do about it.
enum RefusalReason { rrKeyType, rrWriteMode, rrKeyCode, RefusalReasonCount };
const std::array<AnsiString, RefusalReasonCount> RefusalTexts = {
    "Тип ключа неверен, выберите тип заново."_a,
    "Режим записи неверен, выберите тип ключа заново."_a,
    "Код ключа неверен, введите код заново или очистите строку."_a};

RefusalReason RefusalReasonOf(const WriterRecord &Record)
{
    // A record deleted in the file: a code entered or the row cleared gets the cell written.
    if (Record.IsEmpty()) return rrKeyCode;
    if (!KeyTypeKnown(Record)) return rrKeyType;
    if (!WriteModeKnown(Record)) return rrWriteMode;
    return rrKeyCode;
}

AnsiString TypeNameOf(const WriterRecord &Record)
{
    const int type = Record.KeyType;
    return type >= 0 && type < KeyTypeCount ? KeyTypeNames[type][0] : AnsiString();
}

AnsiString CellsReadText(int Cells)
{
    return "прочитано "_a + IntToStr(Cells) + " из "_a + IntToStr(WriterDeviceCells) + " ячеек"_a;
}

} // namespace

// ---- names in the device alphabet ----

AnsiString DecodeDeviceName(const AnsiString &Hex)
{
    AnsiString name;
    for (int pos = 1; pos + 1 <= Hex.Length(); pos += 2) {
        const int index = HexToIntDef(Hex.SubString(pos, 2), BlankIndex);
        name += index >= 0 && index < BlankIndex ? DeviceAlphabet[index + 1] : ' ';
    }
    return name;
}

AnsiString EncodeDeviceName(const AnsiString &Name)
{
    const AnsiString padded = PadRight(Name, NameLength, ' ');
    AnsiString hex;
    for (int pos = 1; pos <= padded.Length(); ++pos) {
        const int found = DeviceAlphabet.Pos(AnsiString(padded[pos]));
        hex += IntToHex(found ? found - 1 : BlankIndex, 2);
    }
    return hex;
}

// ---- reading ----

void TMainForm::BTN_WriterReadClick(TObject *Sender)
{
    if (!BTN_OpenCOMPortClick(Sender)) return;
    SaveWriterUndo();
    StartWriterRead();
}

void TMainForm::StartWriterRead()
{
    WriterReadStep = 0;
    ExpectedLength = CellAnswerLength;
    WriterAddressHex = FirstCellAddress;
    SetBusy(false);
    WriterRows.clear();
    ShowWriterPartial(-1);
    FillWriterGrid();
    LB_WriterStatus->SetCaption("Чтение данных... "_a);
    ShowStatusMessage("Чтение данных... "_a, "", smNeutral);
    CHG_WriterStatus->SetTop(51);
    CHG_WriterStatus->SetLeft(8);
    CHG_WriterStatus->SetgColorHTMLEnd(ReadingPanelColour);
    PB_WriterStatus->SetMin(0);
    PB_WriterStatus->SetMax(WriterDeviceCells - 1);
    PB_WriterStatus->SetPosition(0);
    PB_WriterStatus->SetStep(1);
    SendHexCommand(ReadCellCommand(WriterAddressHex));
}

void TMainForm::WriterCellReceived(const AnsiString &Answer)
{
    ++WriterReadStep;
    const bool last = WriterAddressHex == LastCellAddress;
    const AnsiString next = IntToHex(HexToIntDef(WriterAddressHex, 0) + CellStep, 4);
    // The next cell is asked for before the window shows this one, so the line carries the
    // frame while the grid is filled and the label measured.
    if (!last) SendHexCommand(ReadCellCommand(next));
    PB_WriterStatus->StepIt();
    LB_WriterStatus->SetCaption("Чтение данных... "_a + IntToStr(WriterReadStep));
    DecodeWriterCell(Answer);
    if (last) {
        FinishWriterRead();
        return;
    }
    WriterAddressHex = next;
}

bool TMainForm::DecodeWriterCell(const AnsiString &Answer)
{
    WriterRecord record;
    record.CellNumber = WriterReadStep - 1;
    record.Address = WriterAddressHex;
    record.KeyType = HexToIntDef(Answer.SubString(11, 2), 255);
    if (record.KeyType == 255) {
        WriterRows.push_back(record);
        return true;
    }
    record.WriteMode = HexToIntDef(Answer.SubString(13, 2), -1);
    record.OldKey = Answer.SubString(15, 16);
    record.KeyHex = OldKeyText(record);
    record.Name = DecodeDeviceName(Answer.SubString(31, 28).Trim()).Trim();
    WriterRows.push_back(record);
    AppendWriterGridRows();
    // The grid follows the read.
    SG_Writer->SetRow(SG_Writer->RowCount() - 1);
    return true;
}

void TMainForm::FinishWriterRead()
{
    const int read = WriterReadStep;
    PB_WriterStatus->StepIt();
    FillWriterGrid();
    ResetExchange();
    SetBusy(true);
    if (SG_Writer->CanFocus()) SG_Writer->SetFocus();
    // Stop keeps the cells read so far, which are not the whole book.
    if (read < WriterDeviceCells)
        ShowStatusMessage("Чтение остановлено: "_a + CellsReadText(read), "", smNeutral);
    else
        ShowStatusMessage("Чтение данных... успешно!"_a, "", smNeutral);
}

// A read that ends before its first answer (a silent or wrong port, Stop at once) gives back
// the book it emptied: those rows may be the user's unsaved edits, and an empty grid offers
// no undo. One that ends later keeps what it got, shown as partial.
void TMainForm::EndWriterReadRows()
{
    if (WriterReadStep == 0)
        RestoreWriterUndo();
    else
        ShowWriterPartial(WriterReadStep < WriterDeviceCells ? WriterReadStep : -1);
}

void TMainForm::ShowWriterPartial(int Cells)
{
    WriterPartialCells = Cells;
    LB_WriterPartial->SetCaption(Cells < 0 ? AnsiString() : WriterPartialText());
    LB_WriterPartial->SetVisible(Cells >= 0);
}

AnsiString TMainForm::WriterPartialText() const
{
    return "Книжка неполная: "_a + CellsReadText(WriterPartialCells);
}

void TMainForm::BTN_StopWriterClick(TObject *)
{
    FinishWriterRead();
}

// ---- the grid ----

void TMainForm::FillWriterGrid()
{
    const int rememberedRow = SG_Writer->Row();
    const int rememberedTop = SG_Writer->TopRow();
    WriterGridRecords = WriterRows.size();
    WriterGridRows = 0;
    if (WriterRows.empty()) {
        GridSetFixed(SG_Writer, 0, 0);
        SG_Writer->SetRowCount(1);
        SG_Writer->SetTopRow(1);
        SG_Writer->Repaint();
        return;
    }
    GridClearData(SG_Writer, WriterColumnCount);
    std::vector<int> shown;
    for (int i = 0; i < static_cast<int>(WriterRows.size()); ++i)
        if (WriterRowShown(i)) shown.push_back(i);
    WriterGridRows = static_cast<int>(shown.size());
    SG_Writer->SetRowCount(std::max(WriterGridRows + 1, 2));
    for (int r = 1; r <= WriterGridRows; ++r)
        SetWriterGridRow(r, shown[r - 1]);
    if (SG_Writer->FixedCols() == 0) SG_Writer->SetFixedCols(1);
    if (SG_Writer->FixedRows() == 0) SG_Writer->SetFixedRows(1);
    SG_Writer->SetRow(std::clamp(rememberedRow, 1, SG_Writer->RowCount() - 1));
    SG_Writer->SetTopRow(rememberedTop);
    SG_Writer->Repaint();
}

// A read adds records at the end of the list: the grid gains their rows and paints only
// them, where a full fill would rewrite and repaint every row for each cell read. What it
// shows is what a full fill would.
void TMainForm::AppendWriterGridRows()
{
    if (SG_Writer->FixedRows() == 0 || WriterGridRecords > WriterRows.size()) {
        FillWriterGrid();
        return;
    }
    for (; WriterGridRecords < WriterRows.size(); ++WriterGridRecords) {
        const int index = static_cast<int>(WriterGridRecords);
        if (!WriterRowShown(index)) continue;
        ++WriterGridRows;
        SG_Writer->SetRowCount(std::max(WriterGridRows + 1, 2));
        SetWriterGridRow(WriterGridRows, index);
    }
}

bool TMainForm::WriterRowShown(int Index) const
{
    const WriterRecord &record = WriterRows[Index];
    return !CHB_WriterMissNull->Checked() ||
           !(record.Name.IsEmpty() && record.KeyHex.IsEmpty() && WriterTypeText(Index).IsEmpty());
}

void TMainForm::SetWriterGridRow(int Row, int Index)
{
    const WriterRecord &record = WriterRows[Index];
    SG_Writer->SetCells(0, Row, IntToStr(record.CellNumber));
    SG_Writer->SetCells(1, Row, record.Name);
    SG_Writer->SetCells(2, Row, WriterTypeText(Index));
    SG_Writer->SetCells(3, Row, record.KeyHex);
}

void TMainForm::CHB_WriterMissNullClick(TObject *)
{
    if (!WriterRows.empty()) FillWriterGrid();
}

AnsiString TMainForm::WriterTypeText(int Index) const
{
    return TypeNameOf(WriterRows.at(Index));
}

AnsiString TMainForm::PrintWriterTypeText(int Index) const
{
    return TypeNameOf(WriterPrintRows.at(Index));
}

int TMainForm::WriterCellNumberOfRow(int Row) const
{
    if (SG_Writer->RowCount() < 2) return -1;
    return StrToIntDef(SG_Writer->Cells(0, Row == -1 ? SG_Writer->Row() : Row), -1);
}

WriterRecord *TMainForm::WriterRecordOfRow(int Row)
{
    const int cell = WriterCellNumberOfRow(Row);
    if (cell < 0 || cell >= static_cast<int>(WriterRows.size())) return nullptr;
    return &WriterRows[cell];
}

bool TMainForm::SetWriterRowColours(int Row)
{
    const WriterRecord *record = WriterRecordOfRow(Row);
    if (!record) return false;
    constexpr TColor paleRed = RGB(255, 228, 228), paleGreen = RGB(228, 255, 228),
                     paleYellow = RGB(255, 255, 220);
    if (record->Changed == -1)
        WriterRowColours.fill(paleRed);
    else if (record->Changed == 1)
        WriterRowColours.fill(paleGreen);
    else
        WriterRowColours = {clWhite, clWhite, clWhite, paleYellow};
    return true;
}

void TMainForm::SG_WriterDrawCell(TObject *, int ACol, int ARow, TRect Rect, TGridDrawState State)
{
    if (ARow == 0) {
        GridDrawHeaderCell(SG_Writer, ACol, ARow, Rect);
        return;
    }
    const bool selected = State.Contains(gdSelected);
    if ((selected && ACol == 0) || !SetWriterRowColours(ARow)) return;
    TFont *font = WriterColumnFonts.at(ACol).get();
    const TColor colour = WriterRowColours.at(ACol);
    if (ACol == 0)
        GridDrawHeaderCell(SG_Writer, ACol, ARow, Rect);
    else if (ACol == 1)
        GridDrawCellLeft(SG_Writer, font, colour, ACol, ARow, Rect, State);
    else
        GridDrawCellCentered(SG_Writer, font, colour, ACol, ARow, Rect, State);
}

// ---- writing ----

bool TMainForm::WriterRowWritable(int Index) const
{
    return Index < WriterDeviceCells && WriterRows[Index].Changed != 0 &&
           WriterRowSendable(WriterRows[Index]);
}

// Asked of every row of a book that is loaded or written, so it reads the row as it is
// rather than making the cell's text (WriterCellData) to look at it.
bool TMainForm::WriterRowSendable(const WriterRecord &Record) const
{
    if (Record.Changed == -1 || Record.KeyHex.IsEmpty()) return true; // sent as an empty cell
    // A key the device could not use: a type or mode it does not have.
    if (!WriteModeKnown(Record)) return false;
    // The key the device gets must be the one the row shows: the old key a Cyfral key of the
    // other modes is written from holds it, and any other code is one the program stores, with
    // its fixed bytes and check byte. A code that needs them put right (a damaged file) would
    // go out as another key.
    if (WrittenFromOldKey(Record))
        return IsDeviceHex(Record.OldKey, KeyDigits) && OldKeyText(Record) == Record.KeyHex;
    return IsNormalKeyText(Record.KeyType, Record.KeyHex);
}

AnsiString TMainForm::WriterCellData(const WriterRecord &Record) const
{
    if (Record.Changed == -1 || Record.KeyHex.IsEmpty()) return EmptyCellData;
    AnsiString deviceKey;
    if (WrittenFromOldKey(Record))
        deviceKey = Record.OldKey; // only the name of such a key can change
    else if (Record.KeyType == ktCyfral)
        deviceKey = EncodeCyfralKey(Record.KeyHex);
    else if (Record.KeyType == ktMetakom && Record.WriteMode % 2 == 0)
        deviceKey = EncodeMetakomKey(Record.KeyHex);
    else if (Record.KeyType == ktMetakom) // M2 keeps its code bytes in order, as a read shows
        deviceKey = "000000" + RemoveSeparatorEvery(Record.KeyHex, 3).SubString(7, 8) + "01";
    else
        deviceKey = RemoveSeparatorEvery(Record.KeyHex, 3);
    return IntToHex(Record.KeyType, 2) + IntToHex(Record.WriteMode, 2) + deviceKey +
           EncodeDeviceName(Record.Name);
}

void TMainForm::BTN_WriterSaveClick(TObject *Sender)
{
    if (WriterRows.empty()) {
        ShowStatusMessage("Нет данных для записи!"_a, "", smNeutral);
        return;
    }
    if (!ConfirmWriterRowsLeftOut()) return;
    if (!BTN_OpenCOMPortClick(Sender)) return;
    StartWriterWrite();
}

bool TMainForm::ConfirmWriterRowsLeftOut()
{
    AnsiString beyond;
    std::array<AnsiString, RefusalReasonCount> refused; // the cells refused for each reason
    for (int i = 0; i < static_cast<int>(WriterRows.size()); ++i) {
        const WriterRecord &record = WriterRows[i];
        // A row loaded unfit is left out unmarked, and the grid shows it all the same.
        const bool leftOut = record.Changed == 0 && record.LeftOut;
        if (record.Changed == 0 && !leftOut) continue;
        if (i >= WriterDeviceCells) {
            if (!record.IsEmpty()) beyond += " " + IntToStr(i);
        } else if (leftOut || !WriterRowSendable(record)) {
            refused[RefusalReasonOf(record)] += " " + IntToStr(i);
        }
    }
    AnsiString reasons;
    for (int reason = 0; reason < RefusalReasonCount; ++reason)
        if (!refused[reason].IsEmpty())
            reasons += "\n" + RefusalTexts[reason] + " Ячейки:"_a + refused[reason];
    if (!reasons.IsEmpty())
        ShowMessageBox("Эти строки не будут записаны."_a + reasons, "Внимание!"_a);
    if (beyond.IsEmpty()) return true;
    // The device has no cell for them; the rows stay marked for a file.
    return Application->MessageBox("В приборе только 1000 ячеек (0 - 999). Строки после них "
                                   "записаны не будут.\nСтроки:"_a +
                                       beyond + "\n\nЗаписать остальные?"_a,
                                   "Сообщение"_a, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void TMainForm::StartWriterWrite()
{
    WriterWriteStep = 0;
    WriterWriteCell = 0;
    ExpectedLength = WriteAnswerLength;
    SetBusy(false);
    LB_WriterStatus->SetCaption("Запись данных... "_a);
    ShowStatusMessage("Запись данных... "_a, "", smNeutral);
    int count = 0;
    for (int i = 0; i < static_cast<int>(WriterRows.size()); ++i)
        if (WriterRowWritable(i)) ++count;
    if (count == 0) {
        FinishWriterWrite(-1);
        return;
    }
    CHG_WriterStatus->SetTop(51);
    CHG_WriterStatus->SetLeft(217);
    CHG_WriterStatus->SetgColorHTMLEnd(WritingPanelColour);
    PB_WriterStatus->SetMin(0);
    PB_WriterStatus->SetMax(count - 1);
    PB_WriterStatus->SetPosition(0);
    PB_WriterStatus->SetStep(1);
    if (EncodeWriterCell())
        WriterCellWriteReceived("");
    else
        FinishWriterWrite(-1);
}

bool TMainForm::EncodeWriterCell()
{
    WriterWriteStep = 0;
    int index = WriterWriteCell;
    while (index < static_cast<int>(WriterRows.size()) && !WriterRowWritable(index))
        ++index;
    if (index >= static_cast<int>(WriterRows.size())) return false;
    WriterWriteCell = index + 1;
    const WriterRecord &record = WriterRows[index];
    const AnsiString data = WriterCellData(record);
    const int base = HexToIntDef(record.Address, 0);
    for (int k = 0; k < 3; ++k) {
        const AnsiString body = "75" + IntToHex(base + 8 * k, 4) + "08" +
                                data.SubString(FrameDataDigits * k + 1, FrameDataDigits);
        WriterWriteAnswers[k] = HexChecksum(body, false);
        WriterWriteFrames[k] = "A5" + body + WriterWriteAnswers[k];
    }
    return true;
}

void TMainForm::WriterCellWriteReceived(const AnsiString &Answer)
{
    const int confirmed = WriterWriteStep;
    const AnsiString caption = "Запись ячейки... "_a + IntToStr(WriterWriteCell - 1);
    const bool refused = confirmed != 0 && Answer != WriterWriteAnswers[confirmed - 1];
    const bool cellWritten = !refused && confirmed == 3;
    // Only a whole cell counts as written: a break between its frames keeps the mark.
    if (cellWritten) {
        WriterRows[WriterWriteCell - 1].Changed = 0;
        WriterRows[WriterWriteCell - 1].LeftOut = false;
    }
    const bool more = !refused && (!cellWritten || EncodeWriterCell());
    // The next frame goes out before the window shows the step, so the line carries it
    // while the label is measured.
    if (more) SendHexCommand(WriterWriteFrames[WriterWriteStep]);
    LB_WriterStatus->SetCaption(caption);
    if (cellWritten) PB_WriterStatus->StepIt();
    if (!more) FinishWriterWrite(refused ? 0 : 1);
}

void TMainForm::FinishWriterWrite(int Result)
{
    PB_WriterStatus->StepIt();
    FillWriterGrid();
    ResetExchange();
    SetBusy(true);
    if (SG_Writer->CanFocus()) SG_Writer->SetFocus();
    if (Result == -1)
        ShowStatusMessage("Нет данных для записи!"_a, "", smNeutral);
    else if (Result == 1)
        ShowStatusMessage("Запись записной книжки... успешно!"_a, "", smNotice);
    else if (Result == 0)
        ShowStatusMessage("Ошибка при записи записной книжки!"_a, "", smError);
}
