// Editing the address book in its grid: the in-place editors, paste with the key's
// check byte repaired, row moves, insert, delete, clear, undo, copy and the menu.
// Every edit works on the row list; the grid is refilled from it afterwards.

#include "link/constants.h"
#include "link/grid_helpers.h"
#include "link/key_codes.h"
#include "link/main_form.h"

#include <algorithm>

namespace
{

constexpr char KeyEnter = 13;
constexpr char KeyEscape = 27;
constexpr int NameLength = 14;
constexpr int KeySpacedLength = 23; // eight byte pairs and the blanks between them
const AnsiString HexDigits = "0123456789ABCDEF";

AnsiString CellAddressText(int Cell)
{
    return IntToHex(0x0400 + 24 * Cell, 4);
}

WriterRecord EmptyRow(int Changed)
{
    WriterRecord record;
    record.Changed = Changed;
    return record;
}

// The menu's commands act on the current row or on the selected rows. A right click outside
// the selection makes the cell under the pointer current, so that a delete or a paste takes
// the row the user pointed at, not the one left current, perhaps out of sight.
void MakePointedCellCurrent(TStringGrid &Grid, int Col, int Row)
{
    const TGridRect selected = Grid.Selection();
    if (Row >= selected.Top && Row <= selected.Bottom) return;
    if (Col >= Grid.FixedCols()) Grid.SetCol(Col);
    Grid.SetRow(Row);
}

} // namespace

// ---- undo ----

void TMainForm::SaveWriterUndo()
{
    WriterUndo = WriterRows;
    WriterUndoPartialCells = WriterPartialCells;
}

void TMainForm::RestoreWriterUndo()
{
    WriterRows = WriterUndo;
    ShowWriterPartial(WriterUndoPartialCells);
    FillWriterGrid();
}

void TMainForm::TBI_UndoWriterTableClick(TObject *)
{
    if (WriterUndo.empty()) {
        ShowStatusMessage("Нет данных для отката!"_a, "", smNeutral);
        return;
    }
    RestoreWriterUndo();
}

// ---- texts typed or pasted ----

void TMainForm::CleanWriterName(AnsiString &Text)
{
    Text = Text.Trim().UpperCase().SubString(1, NameLength);
    for (int pos = 1; pos <= Text.Length(); ++pos)
        if (!CharInString(Text[pos], DeviceAlphabet.View())) Text[pos] = ' ';
    Text = Text.Trim();
}

int TMainForm::ParseWriterKeyType(const AnsiString &Text)
{
    AnsiString text = Text.Trim().LowerCase();
    if (text.IsEmpty()) return 255;
    if (text.Length() == 1) {
        const int digit = text[1] - '0';
        return digit >= 0 && digit < KeyTypeCount ? digit : 255;
    }
    text = text.SubString(1, 7);
    text = text.SubString(1, 1).UpperCase() + text.SubString(2, text.Length());
    TStrings *items = CB_WriterTypeKey->Items();
    for (int i = 0; i < items->Count(); ++i)
        if (items->Strings(i) == text) {
            CB_WriterTypeKey->SetItemIndex(i);
            return i;
        }
    CB_WriterTypeKey->SetItemIndex(0);
    return 255;
}

void TMainForm::CleanPastedKey(AnsiString &Text)
{
    Text = Text.Trim().UpperCase();
    if (Text.IsEmpty()) return;
    Text = Text.SubString(1, 23);
    KeepCharsOfSet(Text, HexDigits);
    Text = Text.SubString(1, 16);
}

void TMainForm::RepairPastedKey(AnsiString &Text)
{
    const int length = Text.Length();
    const bool family = Text.SubString(length - 1, 2) == "01";
    if (length <= 1) {
        Text = PadLeft(Text, 16, '0');
    } else if (length <= 12) {
        Text = PadLeft(family ? Text : Text + "01", 16, '0');
    } else if (length == 14) {
        AnsiString withFamily = Text + "01";
        AnsiString checked = withFamily;
        KeyCrc(checked, false);
        // A text that already began with its right check byte only lacked the family byte.
        if (!family && checked.SubString(1, 2) == withFamily.SubString(1, 2))
            Text = withFamily;
        else
            Text = PadLeft(Text, 16, '0');
    } else if (length == 16) {
        AnsiString checked = Text;
        KeyCrc(checked, false);
        if (checked.SubString(1, 2) != Text.SubString(1, 2))
            ShowStatusMessage("Внимание! CRC был изменен на правильное значение!"_a, "", smNotice);
        Text = checked;
    }
    Text = InsertSeparatorEvery(Text, 2, " ");
}

// ---- the in-place editors ----

bool TMainForm::IsWriterRowLocked(int Index)
{
    const WriterRecord &record = WriterRows.at(Index);
    return record.KeyType == ktCyfral && record.WriteMode != 0 && record.WriteMode != 4;
}

bool TMainForm::WriterRowLockedMessage()
{
    const WriterRecord *record = WriterRecordOfRow();
    if (!record || !IsWriterRowLocked(record->CellNumber)) return false;
    Application->MessageBox("Редактировать у этого ключа можно только Имя!"_a, "Внимание!"_a,
                            MB_OK | MB_ICONSTOP);
    return true;
}

void TMainForm::SetKeyHexMask(int KeyType)
{
    switch (KeyType) {
    case ktDallas:
    case 255:
    case -1:
        ME_KeyHex->SetEditMask("XX HH HH HH HH HH HH HH");
        break;
    case ktMetakom:
        ME_KeyHex->SetEditMask("XX XX XX HH HH HH HH XX");
        break;
    case ktCyfral:
        ME_KeyHex->SetEditMask("XX XX XX XX XX HH HH XX");
        break;
    case ktProxy:
        ME_KeyHex->SetEditMask("XX XX HH HH HH HH HH XX");
        break;
    default:
        break;
    }
}

void TMainForm::OpenWriterEditor()
{
    WriterRecord *record = WriterRecordOfRow();
    if (!record) return;
    // Enter opens the editor of the current cell, which the bar or the wheel may have
    // scrolled out of sight: the grid comes back to it first, or the editor would stand over
    // another row, or over nothing.
    SG_Writer->ClampInView();
    const TRect cell = SG_Writer->CellRect(SG_Writer->Col(), SG_Writer->Row());
    // Hidden rows must not change under an open editor; with none opened (a locked row) no
    // editor's exit would enable the check box again.
    auto place = [&](TWinControl *Editor) {
        CHB_WriterMissNull->SetEnabled(false);
        Editor->SetTop(SG_Writer->Top() + cell.Top + 1);
        Editor->SetLeft(SG_Writer->Left() + cell.Left + 1);
        Editor->SetWidth(cell.Right - cell.Left + 2);
        Editor->SetVisible(true);
        if (Editor->CanFocus()) Editor->SetFocus();
    };
    switch (SG_Writer->Col()) {
    case 1:
        WriterEditing = true;
        place(ED_WriterName);
        break;
    case 2:
        if (WriterRowLockedMessage()) return;
        WriterEditing = true;
        place(CB_WriterTypeKey);
        break;
    case 3: {
        if (WriterRowLockedMessage()) return;
        SaveWriterUndo();
        ME_KeyHex->SetHeight(22);
        ME_KeyHex->SetFrame((cell.Right - cell.Left + 2 - 230) / 2);
        ME_KeyHex->Repaint();
        AnsiString code = record->KeyHex;
        NormalizeKeyCode(record->KeyType, code);
        ME_KeyHex->SetText(RemoveSeparatorEvery(code, 3));
        SetKeyHexMask(record->KeyType);
        WriterEditing = true;
        place(ME_KeyHex);
        break;
    }
    default:
        break;
    }
}

void TMainForm::SG_WriterKeyPress(TObject *, char &Key)
{
    if (Key == KeyEnter) OpenWriterEditor();
}

void TMainForm::SG_WriterDblClick(TObject *)
{
    // The grid takes the focus back while it handles the button of the double click,
    // which would close the editor at once; so it opens when the button is up.
    if (GetKeyState(VK_LBUTTON) < 0)
        FWriterEditorOnMouseUp = true;
    else
        OpenWriterEditor();
}

void TMainForm::SG_WriterMouseUp(TObject *, TMouseButton, TShiftState, int, int)
{
    if (!FWriterEditorOnMouseUp) return;
    FWriterEditorOnMouseUp = false;
    OpenWriterEditor();
}

// The wheel and the grid's menu reach the grid while an editor over one of its cells has the
// focus: the wheel moved the current row away from the editor, a deleted row moved another
// row under it, and the editor then stored what it held in that other row. The grid takes the
// focus first, as a left click on it does, so the editor ends on the row it was opened on.
void TMainForm::EndWriterEditor()
{
    const bool editing =
        ED_WriterName->Visible() || CB_WriterTypeKey->Visible() || ME_KeyHex->Visible();
    if (editing && SG_Writer->CanFocus()) SG_Writer->SetFocus();
}

void TMainForm::SG_WriterMouseWheel(TObject *, TShiftState, int, TPoint, bool &)
{
    EndWriterEditor();
}

void TMainForm::CloseWriterEditor(TWinControl *Editor)
{
    Editor->SetVisible(false);
    CHB_WriterMissNull->SetEnabled(true);
    FillWriterGrid();
}

void TMainForm::ED_WriterNameEnter(TObject *)
{
    if (const WriterRecord *record = WriterRecordOfRow()) ED_WriterName->SetText(record->Name);
    ED_WriterName->SelectAll();
}

void TMainForm::ED_WriterNameExit(TObject *)
{
    WriterRecord *record = WriterRecordOfRow();
    if (WriterEditing && record && SG_Writer->Col() == 1) {
        SaveWriterUndo();
        AnsiString name = ED_WriterName->Text();
        CleanWriterName(name);
        if (name != record->Name && !record->KeyHex.IsEmpty()) record->Changed = 1;
        record->Name = name;
    }
    CloseWriterEditor(ED_WriterName);
}

void TMainForm::CB_WriterTypeKeyEnter(TObject *)
{
    if (const WriterRecord *record = WriterRecordOfRow()) {
        const int type = record->KeyType;
        CB_WriterTypeKey->SetItemIndex(type == -1 || type == 255 ? 0 : type);
    }
}

void TMainForm::CB_WriterTypeKeyExit(TObject *)
{
    WriterRecord *record = WriterRecordOfRow();
    if (WriterEditing && record && SG_Writer->Col() == 2) {
        SaveWriterUndo();
        const int type = CB_WriterTypeKey->ItemIndex();
        if (type != record->KeyType && !record->KeyHex.IsEmpty()) record->Changed = 1;
        record->KeyType = type;
        record->WriteMode = 0;
        NormalizeKeyCode(type, record->KeyHex);
    }
    CloseWriterEditor(CB_WriterTypeKey);
}

void TMainForm::ME_KeyHexExit(TObject *)
{
    const AnsiString text = InsertSeparatorEvery(ME_KeyHex->Text(), 2, " ");
    if (!WriterEditing) {
        CloseWriterEditor(ME_KeyHex);
        if (SG_Writer->CanFocus() && !SG_Writer->Focused()) SG_Writer->SetFocus();
        return;
    }
    WriterRecord *record = WriterRecordOfRow();
    if (!record) return;
    // Marked even when the code turns out invalid: the user did change it.
    if (text != record->KeyHex) record->Changed = 1;
    if (record->KeyType == 255 || record->KeyType == -1) record->KeyType = ktDallas;
    AnsiString code = text;
    if (NormalizeKeyCode(record->KeyType, code)) {
        record->KeyHex = code;
        record->WriteMode = 0;
    }
    WriterEditing = false;
    CloseWriterEditor(ME_KeyHex);
    if (SG_Writer->CanFocus() && !SG_Writer->Focused()) SG_Writer->SetFocus();
}

namespace
{

// Enter keeps what was typed, Esc drops it; either way the grid takes the focus
// back, and the editor's exit handler does the rest.
void EditorKey(TMainForm *Form, char &Key)
{
    if (Key != KeyEnter && Key != KeyEscape) return;
    Form->WriterEditing = Key == KeyEnter;
    Key = 0;
    if (Form->SG_Writer->CanFocus()) Form->SG_Writer->SetFocus();
}

} // namespace

void TMainForm::ED_WriterNameKeyPress(TObject *, char &Key)
{
    EditorKey(this, Key);
}

void TMainForm::CB_WriterTypeKeyKeyPress(TObject *, char &Key)
{
    EditorKey(this, Key);
}

void TMainForm::ME_KeyHexKeyPress(TObject *, char &Key)
{
    EditorKey(this, Key);
}

// ---- clipboard ----

void TMainForm::TBI_WriterCopyGridClipboardClick(TObject *)
{
    if (WriterRows.empty())
        ShowStatusMessage("Нет данных для копирования!"_a, "", smNeutral);
    else
        GridCopyAllToClipboard(SG_Writer, ClipboardUnicodeText);
}

void TMainForm::TBI_WriterCopyClipboardClick(TObject *)
{
    if (WriterRows.empty())
        ShowStatusMessage("Нет данных для копирования!"_a, "", smNeutral);
    else
        GridCopySelectionToClipboard(SG_Writer, ClipboardUnicodeText);
}

void TMainForm::TBI_WriterPasteClipboardClick(TObject *)
{
    if (WriterRows.empty()) return;
    SaveWriterUndo();
    WriterRecord *record = WriterRecordOfRow();
    if (!record) return;
    AnsiString text = ClipboardGetUnicodeText();
    switch (SG_Writer->Col()) {
    case 1:
        CleanWriterName(text);
        if (text != record->Name && !record->KeyHex.IsEmpty()) record->Changed = 1;
        record->Name = text;
        break;
    case 2: {
        if (WriterRowLockedMessage()) return;
        int type = ParseWriterKeyType(text);
        if (record->KeyHex.IsEmpty() && type == 255) break;
        if (type != record->KeyType && !record->KeyHex.IsEmpty()) record->Changed = 1;
        if (!record->KeyHex.IsEmpty() && type == 255) type = ktDallas;
        record->KeyType = type;
        record->WriteMode = 0;
        NormalizeKeyCode(type, record->KeyHex);
        break;
    }
    case 3:
        if (WriterRowLockedMessage()) return;
        CleanPastedKey(text);
        RepairPastedKey(text);
        // Thirteen or fifteen digits cannot be laid out as the key's eight bytes.
        if (text.Length() != KeySpacedLength) {
            ShowStatusMessage("Недопустимый код ключа!"_a, "", smError);
            break;
        }
        if (record->KeyType == 255 || record->KeyType == -1) {
            // The first mode comes with the type, as with a typed key; without it the key
            // would show marked and never be written.
            record->KeyType = ktDallas;
            record->WriteMode = 0;
        }
        if (NormalizeKeyCode(record->KeyType, text)) {
            if (text != record->KeyHex) record->Changed = 1;
            record->KeyHex = text;
        }
        break;
    default:
        break;
    }
    FillWriterGrid();
}

// ---- rows ----

void TMainForm::RenumberWriterRows()
{
    for (int i = 0; i < static_cast<int>(WriterRows.size()); ++i) {
        WriterRows[i].CellNumber = i;
        WriterRows[i].Address = CellAddressText(i);
    }
}

void TMainForm::SG_WriterRowMoved(TObject *, int FromIndex, int ToIndex)
{
    FillWriterGrid(); // the grid moved its own row; the list decides
    const int from = WriterCellNumberOfRow(FromIndex);
    const int to = WriterCellNumberOfRow(ToIndex);
    const int count = static_cast<int>(WriterRows.size());
    if (from < 0 || to < 0 || from >= count || to >= count || from == to) return;
    SaveWriterUndo();
    WriterRecord moved = WriterRows[from];
    WriterRows.erase(WriterRows.begin() + from);
    WriterRows.insert(WriterRows.begin() + to, moved);
    RenumberWriterRows();
    for (int i = std::min(from, to); i <= std::max(from, to); ++i)
        WriterRows[i].Changed = 1;
    FillWriterGrid();
}

void TMainForm::TBI_AddCellClick(TObject *)
{
    const WriterRecord *record = WriterRecordOfRow();
    if (!record) return;
    const int index = record->CellNumber;
    const int last = WriterDeviceCells - 1;
    // The key in the device's last cell would slide out of the device.
    if (index <= last && static_cast<int>(WriterRows.size()) > last &&
        !WriterRows[last].IsEmpty() &&
        Application->MessageBox("Последняя ячейка прибора (999) занята. После вставки её ключ "
                                "уйдёт за пределы прибора и в прибор записан не будет.\n"
                                "Вставить пустую строку?"_a,
                                "Сообщение"_a, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    SaveWriterUndo();
    WriterRows.insert(WriterRows.begin() + index, EmptyRow(1));
    RenumberWriterRows();
    for (int i = index; i < static_cast<int>(WriterRows.size()); ++i)
        WriterRows[i].Changed = 1;
    FillWriterGrid();
    if (CHB_WriterMissNull->Checked())
        ShowStatusMessage(
            "Чтобы увидеть вставленную строку выключите лампочку - Спрятать пустые!"_a, "",
            smNeutral);
}

void TMainForm::TBI_DeleteCellClick(TObject *)
{
    const WriterRecord *record = WriterRecordOfRow();
    if (!record) return;
    const int index = record->CellNumber;
    SaveWriterUndo();
    WriterRows.erase(WriterRows.begin() + index);
    for (int i = index; i < static_cast<int>(WriterRows.size()); ++i)
        WriterRows[i].Changed = 1;
    // The rows slid up by one, so the device's cell after the last row must be emptied.
    if (static_cast<int>(WriterRows.size()) < WriterDeviceCells) WriterRows.push_back(EmptyRow(-1));
    RenumberWriterRows();
    FillWriterGrid();
}

void TMainForm::TBI_WriterClearClick(TObject *)
{
    const TGridRect selection = SG_Writer->Selection();
    const int first = WriterCellNumberOfRow(selection.Top);
    const int last = WriterCellNumberOfRow(selection.Bottom);
    if (first < 0 || last < 0) return;
    SaveWriterUndo();
    for (int i = first; i <= last && i < static_cast<int>(WriterRows.size()); ++i) {
        WriterRecord &record = WriterRows[i];
        // A row left out empty (a record deleted in the file) still stands for the device's
        // old key: clearing it is how that cell gets emptied.
        if (record.IsEmpty() && !record.LeftOut) continue;
        record.KeyHex = "";
        record.Name = "";
        record.KeyType = 255;
        record.WriteMode = -1;
        record.Changed = -1;
    }
    FillWriterGrid();
}

// ---- mouse ----

void TMainForm::SG_WriterMouseDown(TObject *, TMouseButton Button, TShiftState, int X, int Y)
{
    if (WriterRows.empty()) return;
    int col = -1, row = -1;
    SG_Writer->MouseToCell(X, Y, col, row);
    if (Button != mbRight || row < 1) return;
    EndWriterEditor();
    MakePointedCellCurrent(*SG_Writer, col, row);
    const TPoint screen = SG_Writer->ClientToScreen(TPoint(X, Y));
    PM_WriterGridMenu->Popup(screen.X, screen.Y);
}

void TMainForm::SG_WriterMouseMove(TObject *, TShiftState, int X, int Y)
{
    int col = -1, row = -1;
    SG_Writer->MouseToCell(X, Y, col, row);
    if (row < 1) {
        WriterHintColumn = col;
        SG_Writer->SetShowHint(false);
        return;
    }
    if (col != WriterHintColumn) SG_Writer->SetShowHint(false);
    if (col == 0) {
        SG_Writer->SetHint("Зацепите ячейку мышкой и передвиньте на другое место"_a);
        SG_Writer->SetShowHint(true);
    } else {
        SG_Writer->SetShowHint(false);
    }
    WriterHintColumn = col;
}
