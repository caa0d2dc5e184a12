// The dBase table: the file it writes byte for byte, field access, and tables damaged in every
// way a file can be, which must be refused without reading outside what was read.

#include "operations/dbf.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/ResidentMemory.h"
#include "tests/support/ThreadReadBytes.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <tuple>
#include <unistd.h>

namespace
{

using Bytes = std::vector<std::uint8_t>;

class DbfTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Folder = std::filesystem::temp_directory_path() /
                 ("qrv4_dbf_" + std::to_string(getpid()) + "_" +
                  testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(Folder);
    }
    void TearDown() override { std::filesystem::remove_all(Folder); }

    AnsiString Path(const char *Name) const { return (Folder / Name).string(); }
    Bytes FileBytes(const char *Name) const
    {
        std::ifstream in(Folder / Name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    void PutBytes(const char *Name, const Bytes &Data) const
    {
        std::ofstream(Folder / Name, std::ios::binary)
            .write(reinterpret_cast<const char *>(Data.data()), Data.size());
    }
    // The address-book table with Rows records, as the program makes it.
    void MakeBook(const char *Name, int Rows)
    {
        WriterDbf table(Path(Name), O_RDWR);
        AddBookFields(table);
        ASSERT_TRUE(table.create());
        ASSERT_TRUE(table.open());
        FillBook(table, Rows);
    }
    // Rows records of sample keys appended to an open table.
    static void FillBook(WriterDbf &Table, int Rows)
    {
        for (int i = 0; i < Rows; ++i) {
            ASSERT_TRUE(Table.append_blank());
            Table.type_key = i % 4;
            Table.mode = i % 2;
            Table.name = "КВ "_a + IntToStr(i);
            Table.key_hex = "5B 23 45 67 89 AB CD EF";
            Table.old_key = "0123456789ABCDEF";
            ASSERT_TRUE(Table.store());
        }
    }
    static void AddBookFields(_DBF &Table)
    {
        Table.add_field('N', "TYPE_KEY", 3, 0);
        Table.add_field('N', "MODE", 3, 0);
        Table.add_field('C', "NAME", 14, 0);
        Table.add_field('C', "KEY_HEX", 23, 0);
        Table.add_field('C', "OLD_KEY", 16, 0);
    }

    std::filesystem::path Folder;
};

// The bytes opening Table reads, and its record count once open (-1 when it did not open).
std::pair<std::uint64_t, int> OpenReading(_DBF &Table)
{
    const testsupport::TThreadReads reads;
    const bool opened = Table.open();
    const auto read = reads.Bytes();
    EXPECT_TRUE(read) << "the thread's read count is not kept";
    return {read.value_or(0), opened ? Table.record_count() : -1};
}

void Append(Bytes &To, const std::string &Text)
{
    To.insert(To.end(), Text.begin(), Text.end());
}

Bytes Descriptor(const char *Name, char Type, int Length)
{
    Bytes d(32, 0);
    std::copy(Name, Name + std::strlen(Name), d.begin());
    d[11] = static_cast<std::uint8_t>(Type);
    d[16] = static_cast<std::uint8_t>(Length);
    return d;
}

} // namespace

// ---- the file ----

TEST_F(DbfTest, NewTableIsItsHeaderAndTerminator)
{
    WriterDbf table(Path("book.dbf"), O_RDWR);
    AddBookFields(table);
    ASSERT_TRUE(table.create());
    const Bytes file = FileBytes("book.dbf");
    ASSERT_EQ(file.size(), 193u);
    EXPECT_EQ(file.back(), 0x0D);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 12),
              (Bytes{0x03, 0x00, 0x01, 0x01, 0, 0, 0, 0, 0xC1, 0x00, 0x3C, 0x00}));
    ASSERT_TRUE(table.open());
    EXPECT_EQ(table.record_count(), 0);
    EXPECT_FALSE(table.go_top());
    EXPECT_EQ(table.field_count(), 5);
    EXPECT_EQ(table.field_length_of("KEY_HEX"), 23);
    EXPECT_EQ(table.field_type("MODE"), 'N');
    EXPECT_EQ(table.record_offset(2), 193 + 60);
}

TEST_F(DbfTest, OneRecordIsWrittenExactlyAndEndsWithTheMark)
{
    {
        WriterDbf table(Path("one.dbf"), O_RDWR);
        AddBookFields(table);
        table.create();
        ASSERT_TRUE(table.open());
        ASSERT_TRUE(table.append_blank());
        EXPECT_EQ(table.current_record(), 1);
        table.type_key = 0;
        table.mode = 0;
        table.name = "КВ 12"_a;
        table.key_hex = "5B 23 45 67 89 AB CD EF";
        table.old_key = "0123456789ABCDEF";
        ASSERT_TRUE(table.store());
    }
    Bytes wanted = {0x03, 0x00, 0x01, 0x01, 0x01, 0, 0, 0, 0xC1, 0x00, 0x3C, 0x00};
    wanted.resize(32, 0);
    const std::pair<const char *, int> fields[] = {
        {"TYPE_KEY", 'N'}, {"MODE", 'N'}, {"NAME", 'C'}, {"KEY_HEX", 'C'}, {"OLD_KEY", 'C'}};
    const int lengths[] = {3, 3, 14, 23, 16};
    for (int i = 0; i < 5; ++i) {
        const Bytes d =
            Descriptor(fields[i].first, static_cast<char>(fields[i].second), lengths[i]);
        wanted.insert(wanted.end(), d.begin(), d.end());
    }
    wanted.push_back(0x0D);
    Append(wanted, " "
                   "  0"
                   "  0");
    Append(wanted, ("КВ 12         "_a).ToStd());
    Append(wanted, "5B 23 45 67 89 AB CD EF"
                   "0123456789ABCDEF");
    wanted.push_back(0x1A);
    EXPECT_EQ(FileBytes("one.dbf"), wanted);
    EXPECT_EQ(wanted.size(), 254u);
}

// A table made in memory is byte for byte the file the same table makes on disk.
TEST_F(DbfTest, ATableInMemoryIsTheFileItWouldBe)
{
    MakeBook("book.dbf", 3);
    WriterDbf table;
    AddBookFields(table);
    ASSERT_TRUE(table.create());
    ASSERT_TRUE(table.open());
    FillBook(table, 3);
    ASSERT_TRUE(table.go_to(2));
    ASSERT_TRUE(table.skip(1));
    EXPECT_EQ(table.name.Text(), "КВ 2          "_a);
    table.close();
    EXPECT_EQ(table.error(), _DBF::NoError);
    const std::string &image = table.image();
    EXPECT_EQ(Bytes(image.begin(), image.end()), FileBytes("book.dbf"));
}

// Records added to a table marked with its code page were written under a header made anew,
// which took the mark away: the names then read in another code page.
TEST_F(DbfTest, AddingRecordsKeepsTheHeadersOwnBytes)
{
    MakeBook("book.dbf", 2);
    Bytes file = FileBytes("book.dbf");
    file[1] = 124; // last updated 2024-05-06
    file[2] = 5;
    file[3] = 6;
    file[29] = 0x65;
    file.pop_back(); // a table other programs end without the mark
    PutBytes("marked.dbf", file);
    {
        WriterDbf table(Path("marked.dbf"), O_RDWR);
        ASSERT_TRUE(table.open());
        EXPECT_EQ(table.language_driver(), 0x65);
        ASSERT_TRUE(table.append_blank());
        table.name = "НОВЫЙ"_a;
        ASSERT_TRUE(table.store());
    }
    const Bytes saved = FileBytes("marked.dbf");
    ASSERT_EQ(saved.size(), 193u + 3 * 60 + 1);
    EXPECT_EQ(Bytes(saved.begin(), saved.begin() + 4), (Bytes{0x03, 124, 5, 6}));
    EXPECT_EQ(saved[4], 3);
    EXPECT_EQ(saved[29], 0x65);
    EXPECT_EQ(Bytes(saved.begin() + 32, saved.begin() + 193 + 2 * 60),
              Bytes(file.begin() + 32, file.begin() + 193 + 2 * 60));
    EXPECT_EQ(saved.back(), 0x1A);
}

// Opened to be read, a table takes no record and its file stays as it was.
TEST_F(DbfTest, ATableOpenedToReadChangesNothing)
{
    MakeBook("book.dbf", 2);
    const Bytes before = FileBytes("book.dbf");
    {
        WriterDbf table(Path("book.dbf"), O_RDONLY);
        ASSERT_TRUE(table.open());
        EXPECT_EQ(table.language_driver(), 0);
        ASSERT_TRUE(table.go_top());
        EXPECT_FALSE(table.store());
        EXPECT_EQ(table.error(), _DBF::IoError);
        EXPECT_FALSE(table.append_blank());
        EXPECT_EQ(table.record_count(), 2);
    }
    EXPECT_EQ(FileBytes("book.dbf"), before);
}

TEST_F(DbfTest, FieldsAreCutPaddedAndReadBackWithTheirBlanks)
{
    MakeBook("book.dbf", 2);
    WriterDbf table(Path("book.dbf"), O_RDWR);
    ASSERT_TRUE(table.open());
    ASSERT_TRUE(table.go_to(2));
    ASSERT_TRUE(table.put_num_field("MODE", 7));
    ASSERT_TRUE(table.put_char_field("NAME", "ДВАДЦАТЬ БУКВ ПОДРЯД"_a));
    ASSERT_TRUE(table.put_num_field("TYPE_KEY", 12345)); // only the first three digits fit
    ASSERT_TRUE(table.write_record());
    ASSERT_TRUE(table.go_to(1));
    ASSERT_TRUE(table.go_to(2));
    AnsiString name, key;
    ASSERT_TRUE(table.get_char_field("NAME", name));
    EXPECT_EQ(name, "ДВАДЦАТЬ БУКВ "_a);
    int mode = 0, type = 0;
    ASSERT_TRUE(table.get_num_field("MODE", mode));
    EXPECT_EQ(mode, 7);
    ASSERT_TRUE(table.get_num_field("TYPE_KEY", type));
    EXPECT_EQ(type, 123);
    ASSERT_TRUE(table.get_char_field("OLD_KEY", key));
    EXPECT_EQ(key, "0123456789ABCDEF");
    // A name no field of that type carries leaves the value alone.
    AnsiString untouched = "x";
    EXPECT_TRUE(table.get_char_field("MODE", untouched));
    EXPECT_EQ(untouched, "x");
    EXPECT_FALSE(table.go_to(3));
    EXPECT_FALSE(table.go_to(0));
    AnsiString field;
    EXPECT_TRUE(table.field_name(5, field));
    EXPECT_EQ(field, "OLD_KEY");
    EXPECT_FALSE(table.field_name(6, field));
}

TEST_F(DbfTest, GoTopAndSkipLoadTheRecordImage)
{
    MakeBook("book.dbf", 3);
    WriterDbf table(Path("book.dbf"), O_RDONLY);
    ASSERT_TRUE(table.open());
    ASSERT_TRUE(table.go_top());
    EXPECT_EQ(table.name.Text(), "КВ 0          "_a);
    EXPECT_TRUE(table.complete);
    ASSERT_TRUE(table.skip(2));
    EXPECT_EQ(table.type_key, 2);
    EXPECT_EQ(table.mode, 0);
    EXPECT_FALSE(table.skip(1));
    EXPECT_EQ(table.error(), _DBF::NoError);
}

// Blanks or letters in a numeric field are no number; taken as 0 they made a Metakom key
// a Dallas one.
TEST_F(DbfTest, ANumericFieldWithoutANumberIsNotZero)
{
    MakeBook("book.dbf", 3);
    Bytes file = FileBytes("book.dbf");
    const std::size_t typeKey = 193 + 60 + 1; // in record 2
    const std::pair<std::string, std::optional<int>> fields[] = {{"  7", 7},
                                                                 {"-1 ", -1},
                                                                 {"007", 7},
                                                                 {" 12", 12},
                                                                 {"   ", {}},
                                                                 {"abc", {}},
                                                                 {" 1x", {}},
                                                                 {"1 2", {}},
                                                                 {"+ 3", {}},
                                                                 {"- 1", {}},
                                                                 {std::string(3, '\0'), {}}};
    for (const auto &[text, number] : fields) {
        std::copy(text.begin(), text.end(), file.begin() + typeKey);
        PutBytes("typed.dbf", file);
        WriterDbf table(Path("typed.dbf"), O_RDONLY);
        ASSERT_TRUE(table.open());
        ASSERT_TRUE(table.go_to(2));
        int value = 99;
        EXPECT_EQ(table.get_num_field("TYPE_KEY", value), number.has_value()) << text;
        EXPECT_EQ(value, number.value_or(99)) << text;
        // Read through the record image, the type is its own, not the record before's.
        ASSERT_TRUE(table.go_top());
        ASSERT_TRUE(table.skip(1));
        EXPECT_EQ(table.complete, number.has_value()) << text;
        EXPECT_EQ(table.type_key, number.value_or(-1)) << text;
        EXPECT_EQ(table.mode, 1);
        EXPECT_EQ(table.name.Text(), "КВ 1          "_a);
    }
}

TEST_F(DbfTest, ANumberAnIntCannotHoldIsNoNumber)
{
    {
        _DBF table(Path("wide.dbf"), O_RDWR);
        table.add_field('N', "COUNT", 11, 0);
        ASSERT_TRUE(table.create());
        ASSERT_TRUE(table.open());
        ASSERT_TRUE(table.append_blank());
    }
    Bytes file = FileBytes("wide.dbf");
    const std::pair<std::string, std::optional<int>> fields[] = {{"-2147483648", INT_MIN},
                                                                 {" 2147483647", INT_MAX},
                                                                 {" 2147483648", {}},
                                                                 {"99999999999", {}}};
    for (const auto &[text, number] : fields) {
        std::copy(text.begin(), text.end(), file.begin() + 32 + 32 + 1 + 1);
        PutBytes("wide.dbf", file);
        _DBF table(Path("wide.dbf"), O_RDONLY);
        ASSERT_TRUE(table.open());
        int value = 5;
        EXPECT_EQ(table.get_num_field("COUNT", value), number.has_value()) << text;
        EXPECT_EQ(value, number.value_or(5)) << text;
    }
}

// Only the five types the table knows are kept; any other, the float type too, is text.
TEST_F(DbfTest, FieldsOfOtherTypesAreMadeCharacterFields)
{
    _DBF table(Path("types.dbf"), O_RDWR);
    const std::tuple<char, const char *, int, char, int> fields[] = {
        {'F', "PRICE", 7, 'C', 7}, {'X', "OTHER", 300, 'C', 300}, {'D', "WHEN", 3, 'D', 8},
        {'L', "FLAG", 4, 'L', 1},  {'M', "NOTE", 2, 'M', 10},     {'N', "SUM", 5, 'N', 5},
        {'C', "TEXT", 20, 'C', 20}};
    for (const auto &[type, name, length, kept, size] : fields)
        ASSERT_TRUE(table.add_field(type, name, length, 2));
    ASSERT_TRUE(table.create());
    const Bytes file = FileBytes("types.dbf");
    ASSERT_TRUE(table.open());
    int index = 0;
    for (const auto &[type, name, length, kept, size] : fields) {
        EXPECT_EQ(table.field_type(name), kept) << name;
        EXPECT_EQ(table.field_length_of(name), size) << name;
        EXPECT_EQ(file[32 + 32 * index + 11], kept) << name;
        ++index;
    }
    // A float field made text takes text and gives no number.
    ASSERT_TRUE(table.append_blank());
    EXPECT_TRUE(table.put_char_field("PRICE", "12.50"));
    int number = 3;
    EXPECT_TRUE(table.get_num_field("PRICE", number));
    EXPECT_EQ(number, 3);
    AnsiString price;
    EXPECT_TRUE(table.get_char_field("PRICE", price));
    EXPECT_EQ(price, "12.50  ");
}

// The record image holds 256 characters, as many as a field read gives.
TEST_F(DbfTest, RecordImageTextsHoldAtMost256Characters)
{
    WriterDbf table(Path("book.dbf"), O_RDWR);
    table.name = AnsiString(std::string(300, 'A'));
    EXPECT_EQ(table.name.Text(), AnsiString(std::string(256, 'A')));
    table.key_hex = "5B 23";
    EXPECT_EQ(table.key_hex.Text(), "5B 23");
    EXPECT_EQ(WriterDbf(Path("other.dbf"), O_RDONLY).old_key.Text(), "");
}

TEST_F(DbfTest, MissingFileIsAnInputOutputError)
{
    WriterDbf table(Path("none.dbf"), O_RDONLY);
    EXPECT_FALSE(table.open());
    EXPECT_EQ(table.error(), _DBF::IoError);
    EXPECT_EQ(table.record_offset(1), 0);
    EXPECT_FALSE(table.go_to(1));
    EXPECT_EQ(table.error(), _DBF::NoFile);
}

// ---- large files and what lies past the records ----

// A table of another shape, a gibibyte long, with no byte of it on the disk: a text field of
// 1023 characters and as many records as fill the file.
class LargeDbfTest : public DbfTest
{
protected:
    static constexpr off_t FileSize = off_t(1) << 30;
    static constexpr int HeaderLength = 32 + 32 + 1;
    static constexpr int RecordLength = 1024;
    static constexpr std::uint32_t Records = (FileSize - HeaderLength) / RecordLength;

    void MakeLarge(const char *Name, bool Sound)
    {
        Bytes head(32, 0);
        head[0] = 0x03;
        for (int i = 0; i < 4; ++i)
            head[4 + i] = static_cast<std::uint8_t>(Records >> (8 * i));
        head[8] = HeaderLength;
        head[10] = RecordLength & 0xFF;
        head[11] = RecordLength >> 8;
        Bytes d = Descriptor("DATA", 'C', 0);
        d[16] = (RecordLength - 1) & 0xFF;
        d[17] = (RecordLength - 1) >> 8;
        head.insert(head.end(), d.begin(), d.end());
        head.push_back(0x0D);
        if (!Sound) head[8] += 32; // a field more than the descriptors give
        PutBytes(Name, head);
        ASSERT_EQ(::truncate((Folder / Name).c_str(), FileSize), 0);
    }
};

// Opening read the whole file before its header was looked at: a gibibyte of memory, and
// seconds, for a file that was then refused.
TEST_F(LargeDbfTest, AHugeTableIsOpenedOrRefusedFromItsHeaderAlone)
{
    MakeLarge("other.dbf", true);
    MakeLarge("damaged.dbf", false);
    testsupport::ResetPeakResident();
    const std::size_t resident = testsupport::ResidentBytes();
    {
        _DBF table(Path("other.dbf"), O_RDONLY);
        const auto [read, records] = OpenReading(table);
        EXPECT_EQ(records, static_cast<int>(Records));
        EXPECT_EQ(table.field_length_of("DATA"), RecordLength - 1);
        EXPECT_LE(read, 4096u);
        // Its last record is read where it lies, not through the records before it.
        ASSERT_TRUE(table.go_to(static_cast<int>(Records)));
        AnsiString data;
        ASSERT_TRUE(table.get_char_field("DATA", data));
        EXPECT_EQ(data.Length(), 256);
    }
    {
        _DBF table(Path("damaged.dbf"), O_RDONLY);
        const auto [read, records] = OpenReading(table);
        EXPECT_EQ(records, -1);
        EXPECT_EQ(table.error(), _DBF::IoError);
        EXPECT_LE(read, 4096u);
    }
    EXPECT_LT(testsupport::PeakResidentBytes(), resident + (64u << 20));
}

// Bytes past the records the header counts are no part of the table: not read, not taken,
// and a record added goes where the next one belongs.
TEST_F(DbfTest, WhatLiesPastTheCountedRecordsIsNeitherReadNorTaken)
{
    MakeBook("book.dbf", 3);
    Bytes file = FileBytes("book.dbf");
    file[4] = 2; // the third record and the end mark now trail the table
    file.insert(file.end(), 100000, 'x');
    PutBytes("trailing.dbf", file);
    constexpr std::uint64_t Table = 193 + 2 * 60;
    {
        WriterDbf table(Path("trailing.dbf"), O_RDONLY);
        const auto [read, records] = OpenReading(table);
        EXPECT_EQ(records, 2);
        EXPECT_LE(read, Table);
        std::vector<AnsiString> names;
        for (bool more = table.go_top(); more; more = table.skip(1))
            names.push_back(table.name.Text().Trim());
        EXPECT_EQ(names, (std::vector<AnsiString>{"КВ 0"_a, "КВ 1"_a}));
    }
    {
        WriterDbf table(Path("trailing.dbf"), O_RDWR);
        const auto [read, records] = OpenReading(table);
        EXPECT_EQ(records, 2);
        EXPECT_LE(read, Table);
        EXPECT_EQ(table.image().size(), Table);
        ASSERT_TRUE(table.append_blank());
        table.name = "НОВЫЙ"_a;
        ASSERT_TRUE(table.store());
    }
    const Bytes saved = FileBytes("trailing.dbf");
    ASSERT_GE(saved.size(), Table + 60 + 1);
    EXPECT_EQ(saved[4], 3);
    EXPECT_EQ(Bytes(saved.begin() + 5, saved.begin() + Table),
              Bytes(file.begin() + 5, file.begin() + Table));
    EXPECT_EQ(saved[Table + 60], 0x1A);
    WriterDbf table(Path("trailing.dbf"), O_RDONLY);
    ASSERT_TRUE(table.open());
    ASSERT_TRUE(table.go_to(3));
    table.load();
    EXPECT_EQ(table.name.Text().Trim(), "НОВЫЙ"_a);
}

// ---- damaged tables ----

class DamagedDbfTest : public DbfTest
{
protected:
    void SetUp() override
    {
        DbfTest::SetUp();
        MakeBook("good.dbf", 3);
        Good = FileBytes("good.dbf");
    }
    bool Opens(const Bytes &Data)
    {
        PutBytes("bad.dbf", Data);
        WriterDbf table(Path("bad.dbf"), O_RDONLY);
        const bool opened = table.open();
        if (!opened) {
            EXPECT_EQ(table.error(), _DBF::IoError);
        }
        return opened;
    }
    Bytes Good;
};

TEST_F(DamagedDbfTest, HeaderThatDisagreesWithItsDescriptorsIsRefused)
{
    EXPECT_TRUE(Opens(Good));
    Bytes longer = Good; // one field more than the descriptors hold
    longer[8] = 0xC1 + 32;
    EXPECT_FALSE(Opens(longer));
    Bytes shorter = Good;
    shorter[8] = 0xC1 - 32;
    EXPECT_FALSE(Opens(shorter));
    Bytes tiny = Good;
    tiny[8] = 10;
    tiny[9] = 0;
    EXPECT_FALSE(Opens(tiny));
}

TEST_F(DamagedDbfTest, FieldLengthsMustMakeTheRecordLength)
{
    Bytes wide = Good;
    wide[32 + 2 * 32 + 16] = 15; // NAME one byte longer than the record allows
    EXPECT_FALSE(Opens(wide));
    Bytes record = Good;
    record[10] = 0xFF; // a record length that the fields do not fill
    EXPECT_FALSE(Opens(record));
    Bytes zero = Good;
    zero[32 + 16] = 0;
    EXPECT_FALSE(Opens(zero));
}

TEST_F(DamagedDbfTest, RecordsMustBeInTheFile)
{
    Bytes cut(Good.begin(), Good.end() - 30);
    EXPECT_FALSE(Opens(cut));
    Bytes huge = Good;
    huge[7] = 0x7F; // two thousand million records
    EXPECT_FALSE(Opens(huge));
    EXPECT_FALSE(Opens(Bytes(Good.begin(), Good.begin() + 20)));
    EXPECT_FALSE(Opens({}));
}

TEST_F(DamagedDbfTest, NoMoreThan256DescriptorsAreRead)
{
    Bytes many = Good;
    many.resize(32);
    std::fill(many.begin() + 4, many.begin() + 8, 0); // no records
    const int fields = 300;
    const unsigned header = 32 + 32 * fields + 1;
    many[8] = static_cast<std::uint8_t>(header);
    many[9] = static_cast<std::uint8_t>(header >> 8);
    many[10] = static_cast<std::uint8_t>(fields + 1);
    many[11] = static_cast<std::uint8_t>((fields + 1) >> 8);
    for (int i = 0; i < fields; ++i) {
        const Bytes d = Descriptor("F", 'C', 1);
        many.insert(many.end(), d.begin(), d.end());
    }
    many.push_back(0x0D);
    EXPECT_FALSE(Opens(many));
    // No terminator before the header's end: the descriptors stop there.
    Bytes endless = Good;
    endless[192] = 0x00;
    EXPECT_FALSE(Opens(endless));
}

TEST_F(DamagedDbfTest, RandomDamageNeverReadsOutsideTheRecord)
{
    const char *env = std::getenv("QRV4_DBF_FUZZ_ITERATIONS");
    const int iterations = env ? std::atoi(env) : 3000;
    std::mt19937 random(20261207);
    int opened = 0;
    for (int i = 0; i < iterations; ++i) {
        Bytes data = Good;
        switch (random() % 4) {
        case 0: // a few bytes changed anywhere
            for (int n = 1 + random() % 4; n > 0; --n)
                data[random() % data.size()] = static_cast<std::uint8_t>(random());
            break;
        case 1: // the header's counts and lengths
            data[4 + random() % 8] = static_cast<std::uint8_t>(random());
            break;
        case 2: // cut short
            data.resize(random() % data.size());
            break;
        default: // noise
            for (std::uint8_t &b : data)
                b = static_cast<std::uint8_t>(random());
            break;
        }
        PutBytes("fuzz.dbf", data);
        WriterDbf table(Path("fuzz.dbf"), O_RDONLY);
        if (!table.open()) continue;
        ++opened;
        ASSERT_LE(table.field_count(), _DBF::MaxFields);
        int fieldsLength = 1;
        for (int f = 0; f < table.field_count(); ++f)
            fieldsLength += table.field_length(f);
        ASSERT_LE(table.record_offset(table.record_count() + 1), static_cast<long>(data.size()));
        for (bool more = table.go_top(); more; more = table.skip(1)) {
            ASSERT_LE(table.name.Text().Length(), 256);
            ASSERT_LE(table.key_hex.Text().Length(), fieldsLength);
        }
    }
    // Single changed bytes in the records leave most tables readable.
    EXPECT_GT(opened, iterations / 20);
}
