// A dBase table as the address book opens it: every field of every record read by name,
// then a record added to it and the table opened again.

#include "operations/dbf.h"
#include "tests/fuzz/FuzzSupport.h"

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace
{

// Enough records to meet every layout without walking a table that claims millions.
constexpr int MaxRecordsRead = 256;
// What a numeric read that leaves its value alone leaves, which no field of these tests holds.
constexpr int Untouched = 0x5A5A5A5A;

std::string FileBytes(const AnsiString &FileName)
{
    std::ifstream in(FileName.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Blanks around an optional minus and digits: what a field read as a number must hold.
bool HoldsNumber(std::string_view Text)
{
    const auto first = Text.find_first_not_of(' ');
    if (first == std::string_view::npos) return false;
    Text = Text.substr(first, Text.find_last_not_of(' ') + 1 - first);
    if (Text.front() == '-') Text.remove_prefix(1);
    return !Text.empty() && Text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool NameIsUnique(const WriterDbf &Table, const AnsiString &Name)
{
    int count = 0;
    for (int i = 1; i <= Table.field_count(); ++i) {
        AnsiString other;
        if (Table.field_name(i, other) && other == Name) ++count;
    }
    return count == 1;
}

// Every field of the current record by name. A field read as a number must hold one in the
// file: letters or blanks read as 0 once turned a Metakom key into a Dallas one.
void ReadEveryField(WriterDbf &Table, const std::string &File)
{
    std::size_t offset = static_cast<std::size_t>(Table.record_offset(Table.current_record())) + 1;
    for (int i = 1; i <= Table.field_count(); ++i) {
        const auto length = static_cast<std::size_t>(Table.field_length(i - 1));
        AnsiString Name;
        if (!Table.field_name(i, Name)) continue;
        AnsiString Text;
        int Number = Untouched;
        Table.get_char_field(Name, Text);
        if (Table.get_num_field(Name, Number) && Number != Untouched && NameIsUnique(Table, Name) &&
            offset + length <= File.size() &&
            !HoldsNumber(std::string_view(File).substr(offset, length)))
            fuzz::Broken("a numeric field without a number was read as one");
        (void)Table.field_type(Name);
        (void)Table.field_length_of(Name);
        offset += length;
    }
}

void ReadTable(const AnsiString &FileName)
{
    const std::string File = FileBytes(FileName);
    WriterDbf Table(FileName, O_RDONLY);
    if (!Table.open()) return;
    if (Table.record_count() > 0 && Table.go_top()) {
        int Read = 0;
        do
            ReadEveryField(Table, File);
        while (++Read < MaxRecordsRead && Table.skip(1));
    }
    (void)Table.go_to(Table.record_count());
    (void)Table.go_to(Table.record_count() + 1);
    (void)Table.record_offset(Table.record_count());
    Table.close();
}

void AppendRecord(const AnsiString &FileName)
{
    WriterDbf Table(FileName, O_RDWR);
    if (!Table.open()) return;
    if (Table.append_blank()) {
        Table.type_key = 1;
        Table.mode = 2;
        Table.name = "Fuzz";
        Table.key_hex = "01 02 03 04 05 06 07 08";
        Table.old_key = "0102030405060708";
        Table.store();
    }
    Table.close();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    const AnsiString FileName = fuzz::WriteFile("table.dbf", Data, Size);
    ReadTable(FileName);
    AppendRecord(FileName);
    ReadTable(FileName);
    return 0;
}
