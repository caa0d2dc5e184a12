// The address book in dBase files: saving the row list as a table of five fields and loading
// such a table back, every row marked for the next device write.

#include "link/constants.h"
#include "link/key_codes.h"
#include "link/main_form.h"
#include "operations/dbf.h"
#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/FileAccess.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/CodePages.h"

#include <fcntl.h>

namespace
{

constexpr int NameLength = 14;
const AnsiString DbfFilter = "DBF файл (*.dbf)|*.dbf"_a;
const AnsiString OpenError = "Ошибка при открытии файла ... "_a;
const AnsiString WriteError = "Ошибка при записи файла ... "_a;
const AnsiString NotABook =
    "Ошибка при открытии файла. Файл не соответствует записной книжке QRV4! "_a;
// The four letters the device alphabet lacks, and the letter each becomes.
const AnsiString MissingLetters = "ЩЁЪЙ"_a;
const AnsiString StandInLetters = "ШЕЬИ"_a;
const AnsiString GoTopError =
    "Ошибка при 'go_top()'. Возможно закрыт доступ к базе либо файл не найден. "_a;

// The table replaces its file by a rename, which the file's own modes do not stop: a file made
// read-only, or one the save may not replace, is refused as it would be on opening. A book
// in a folder the user may not write is written over, as it always could be.
constexpr rtl::ReadOnlyFolder BookFolder = rtl::ReadOnlyFolder::WriteInPlace;

bool IsProtected(const AnsiString &FileName)
{
    const int attributes = FileGetAttr(FileName);
    return (attributes != -1 && (attributes & faReadOnly)) ||
           !rtl::CanReplaceFile(FileName, BookFolder);
}

struct FieldShape {
    const char *Name;
    char Type;
    int Length;
};
constexpr FieldShape WriterFields[] = {{"TYPE_KEY", 'N', 3},
                                       {"MODE", 'N', 3},
                                       {"NAME", 'C', 14},
                                       {"KEY_HEX", 'C', 23},
                                       {"OLD_KEY", 'C', 16}};

bool IsHexText(const AnsiString &Text, int Length)
{
    if (Text.Length() != Length) return false;
    for (int pos = 1; pos <= Text.Length(); ++pos)
        if (!IsHexDigitChar(Text[pos])) return false;
    return true;
}

// The code page the header's language driver byte names for the texts. Unmarked tables are
// ours; DOS-era and many Russian tools write cp866 and mark it. 0x57 is the system's ANSI
// page, which for this program is cp1251.
enum class TTableCodePage { Windows1251, Dos866, Other };

TTableCodePage TableCodePage(const _DBF &Table)
{
    switch (Table.language_driver()) {
    case 0x00:
    case 0x57:
    case 0xC9:
        return TTableCodePage::Windows1251;
    case 0x26:
    case 0x65:
        return TTableCodePage::Dos866;
    default:
        return TTableCodePage::Other;
    }
}

AnsiString FromDos866(const AnsiString &Text)
{
    constexpr UINT Dos866 = 866;
    std::u16string wide(static_cast<std::size_t>(Text.Length()), u'\0');
    const int length =
        MultiByteToWideChar(Dos866, 0, Text.c_str(), Text.Length(), wide.data(), Text.Length());
    wide.resize(static_cast<std::size_t>(length));
    return AnsiString(WideString(wide));
}

bool HasWriterFields(const WriterDbf &Table)
{
    if (Table.field_count() != static_cast<int>(std::size(WriterFields))) return false;
    for (int i = 1; i <= Table.field_count(); ++i) {
        AnsiString name, shape, wanted;
        Table.field_name(i, name);
        shape.sprintf("%s %d %c", name.c_str(), Table.field_length(i - 1), Table.field_type(name));
        const FieldShape &f = WriterFields[i - 1];
        wanted.sprintf("%s %d %c", f.Name, f.Length, f.Type);
        if (shape != wanted) return false;
    }
    return true;
}

// A file may hold anything; the key text comes back in the grid's form, eight pairs with
// blanks between them. Whether the row may go to the device is WriterRowSendable's to say.
bool CheckLoadedRow(WriterRecord &Row)
{
    if (!Row.OldKey.IsEmpty() && !IsHexText(Row.OldKey, 16)) return false;
    Row.OldKey = Row.OldKey.UpperCase();
    if (Row.KeyType == 255 || Row.KeyType == -1) {
        Row.KeyType = 255;
        Row.WriteMode = -1;
        return Row.KeyHex.IsEmpty() && Row.Name.IsEmpty();
    }
    if (Row.KeyType < 0 || Row.KeyType >= KeyTypeCount || Row.WriteMode < 0 ||
        Row.WriteMode >= WriteModeCount || KeyTypeNames[Row.KeyType][1 + Row.WriteMode].IsEmpty())
        return false;
    if (IsSpacedKeyText(Row.KeyHex)) return true; // as the program writes it
    // Eight pairs with single blanks between them, or the sixteen digits alone.
    const AnsiString text = Row.KeyHex.UpperCase();
    const AnsiString digits = text.Length() == 23 ? RemoveSeparatorEvery(text, 3) : text;
    if (!IsHexText(digits, 16)) return false;
    const AnsiString code = InsertSeparatorEvery(digits, 2, " ");
    if (text.Length() == 23 && code != text) return false;
    Row.KeyHex = code;
    return true;
}

// The rows as the bytes of a new table, made in memory so that the file is written once, whole.
bool MakeWriterTable(const std::vector<WriterRecord> &Rows, std::string &Bytes)
{
    WriterDbf table;
    for (const FieldShape &f : WriterFields)
        table.add_field(f.Type, f.Name, f.Length, 0);
    if (!table.create() || !table.open()) return false;
    for (const WriterRecord &row : Rows) {
        if (!table.append_blank()) return false;
        table.name = row.Name;
        table.type_key = row.KeyType;
        table.mode = row.WriteMode;
        table.key_hex = row.KeyHex;
        table.old_key = row.OldKey;
        if (!table.store()) return false;
    }
    table.close();
    Bytes = table.image();
    return true;
}

} // namespace

void TMainForm::BTN_WriterSaveToFileClick(TObject *)
{
    if (WriterRows.empty()) {
        ShowStatusMessage("Нет данных для записи!"_a, "", smNeutral);
        return;
    }
    const rtl::TCurrentDirKeeper keep;
    DLG_WriterSaveGrid->SetTitle("Записать таблицу"_a);
    DLG_WriterSaveGrid->SetDefaultExt("dbf");
    DLG_WriterSaveGrid->SetOptions(DLG_WriterSaveGrid->Options() + TOpenOptions{ofOverwritePrompt});
    DLG_WriterSaveGrid->SetFilter(DbfFilter);
    if (DLG_WriterSaveGrid->Execute() && ConfirmPartialBookSave(DLG_WriterSaveGrid->FileName()))
        SaveWriterToDbf(DLG_WriterSaveGrid->FileName());
}

// The records of the file past the rows saved would be lost without a word.
bool TMainForm::ConfirmPartialBookSave(const AnsiString &FileName)
{
    if (WriterPartialCells < 0) return true;
    WriterDbf table(FileName, O_RDONLY);
    // A file that is no table holds no book to lose.
    if (!table.open()) return true;
    const int records = table.record_count();
    table.close();
    const int rows = static_cast<int>(WriterRows.size());
    if (records <= rows) return true;
    return Application->MessageBox(
               WriterPartialText() + ".\nЗаписей в файле: "_a + IntToStr(records) +
                   ", после замены останется: "_a + IntToStr(rows) + ".\n\nЗаменить файл?"_a,
               "Внимание!"_a, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void TMainForm::BTN_WriterReadFromFileClick(TObject *)
{
    const rtl::TCurrentDirKeeper keep;
    DLG_WriterOpenGrid->SetTitle("Открыть файл таблицы"_a);
    DLG_WriterOpenGrid->SetDefaultExt("dbf");
    DLG_WriterOpenGrid->SetFilter(DbfFilter);
    if (!DLG_WriterOpenGrid->Execute()) return;
    SaveWriterUndo();
    LoadWriterFromDbf(DLG_WriterOpenGrid->FileName());
}

void TMainForm::SaveWriterToDbf(const AnsiString &FileName)
{
    if (IsProtected(FileName)) {
        ShowStatusMessage(OpenError, FileName, smError);
        return;
    }
    // The table replaces the book only when it is whole and on the disk: a kill or a full disk
    // leaves the old book, a link to the book stays a link, and no file beside the book is
    // overwritten on the way.
    std::string bytes;
    if (!MakeWriterTable(WriterRows, bytes)) {
        ShowStatusMessage(OpenError, FileName, smError);
        return;
    }
    if (rtl::ReplaceFileContent(rtl::SystemPath(FileName), bytes, BookFolder) != 0) {
        ShowStatusMessage(WriteError, FileName, smError);
        return;
    }
    ShowStatusMessage("Запись прошла успешно!"_a, "", smNeutral);
}

void TMainForm::LoadWriterFromDbf(const AnsiString &FileName)
{
    WriterDbf table(FileName, O_RDONLY);
    if (!table.open()) {
        ShowStatusMessage(table.error() == _DBF::WrongKind ? NotABook : OpenError, FileName,
                          smError);
        return;
    }
    const TTableCodePage codePage = TableCodePage(table);
    if (!HasWriterFields(table) || codePage == TTableCodePage::Other) {
        ShowStatusMessage(NotABook, FileName, smError);
        return;
    }
    if (table.record_count() == 0) return;
    if (!table.go_top()) {
        ShowStatusMessage(GoTopError, FileName, smError);
        return;
    }
    std::vector<WriterRecord> rows;
    rows.reserve(static_cast<std::size_t>(table.record_count()));
    AnsiString invalid;
    do {
        WriterRecord row;
        row.CellNumber = static_cast<int>(rows.size());
        // A record deleted in another dBase program holds a key the user threw away: its
        // cell comes in empty, and the device's cell is left as it is.
        const bool live = !table.deleted();
        if (live) {
            row.KeyType = table.type_key;
            row.WriteMode = table.mode;
            const AnsiString &name = table.name.Text();
            row.Name =
                CleanLoadedName(codePage == TTableCodePage::Dos866 ? FromDos866(name) : name);
            row.KeyHex = table.key_hex.Text().Trim();
            row.OldKey = table.old_key.Text().Trim();
            row.Changed = 1;
        }
        // A type or mode that is no number is refused, never taken as 0 (Dallas, C1).
        if (!live || !table.complete || !CheckLoadedRow(row) || !WriterRowSendable(row)) {
            row.Changed = 0;
            row.LeftOut = true;
            invalid += (invalid.IsEmpty() ? " " : ", ") + IntToStr(row.CellNumber);
        }
        rows.push_back(std::move(row));
    } while (table.skip(1));
    // A record that could not be read ends the load with nothing taken.
    if (table.error() != _DBF::NoError) {
        ShowStatusMessage(OpenError, FileName, smError);
        return;
    }
    WriterRows = std::move(rows);
    ShowWriterPartial(-1);
    RenumberWriterRows();
    FillWriterGrid();
    if (invalid.IsEmpty())
        ShowStatusMessage("Чтение прошло успешно!"_a, "", smNeutral);
    else
        ShowStatusMessage("Неверные данные в строках"_a + invalid +
                              ", они не будут записаны в прибор. "_a,
                          FileName, smError);
}

AnsiString TMainForm::CleanLoadedName(const AnsiString &Text)
{
    const AnsiString name = Text.Trim().UpperCase();
    AnsiString kept;
    for (char ch : name.View()) {
        const std::size_t missing = MissingLetters.View().find(ch);
        if (missing != std::string_view::npos) ch = StandInLetters.View()[missing];
        if (CharInString(ch, DeviceAlphabet.View())) kept += ch;
    }
    return kept.Trim().SubString(1, NameLength);
}
