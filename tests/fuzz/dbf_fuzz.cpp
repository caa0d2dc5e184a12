// A dBase table as the address book opens it: every field of every record read by name,
// then a record added to it and the table opened again.

#include "operations/dbf.h"
#include "tests/fuzz/FuzzSupport.h"

#include <fcntl.h>

namespace
{

// Enough records to meet every layout without walking a table that claims millions.
constexpr int MaxRecordsRead = 256;

void ReadEveryField(WriterDbf &Table)
{
    for (int i = 0; i < Table.field_count(); ++i) {
        AnsiString Name;
        if (!Table.field_name(i, Name)) continue;
        AnsiString Text;
        int Number = 0;
        Table.get_char_field(Name, Text);
        Table.get_num_field(Name, Number);
        (void)Table.field_type(Name);
        (void)Table.field_length_of(Name);
    }
}

void ReadTable(const AnsiString &FileName)
{
    WriterDbf Table(FileName, O_RDONLY);
    if (!Table.open()) return;
    if (Table.record_count() > 0 && Table.go_top()) {
        int Read = 0;
        do
            ReadEveryField(Table);
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
