// The address book saved to and loaded from dBase files through the main window, read and
// written by Debian's python3-dbf as well, and files that must be refused.

#include "operations/dbf.h"
#include "tests/operations/WriterTestSupport.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/ResidentMemory.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestTerminal.h"
#include "tests/support/ThreadReadBytes.h"
#include "tests/support/WaitingPipe.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <deque>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace writertest;

namespace
{

// Debian's interpreter, where python3-dbf lives.
constexpr const char *Python = "/usr/bin/python3";

class WriterFileTest : public WriterTest
{
protected:
    AnsiString Path(const char *Name) const { return (Folder / Name).string(); }
    std::string Bytes(const char *Name) const { return FileText(Name); }

    // Runs a Python script in the test folder; its standard output, or a failure.
    std::string RunPython(const std::string &Script)
    {
        WriteFile("script.py", Script);
        const std::string command = std::string(Python) + " " + (Folder / "script.py").string() +
                                    " > " + (Folder / "out.txt").string() + " 2>&1";
        const int status = std::system(command.c_str());
        const std::string out = FileText("out.txt");
        EXPECT_EQ(status, 0) << out;
        return out;
    }
    void MakeTable(const char *Name, const char *Fields, const std::string &Records,
                   const char *CodePage = "cp1251")
    {
        RunPython("import dbf\n"
                  "t = dbf.Table(r'" +
                  (Folder / Name).string() + "', '" + Fields + "', dbf_type='db3', codepage='" +
                  CodePage +
                  "')\n"
                  "t.open(dbf.READ_WRITE)\n" +
                  Records + "t.close()\n");
    }
    void SetBook()
    {
        SetEmptyRows(4);
        SetKey(0, 0, 0, "5B 23 45 67 89 AB CD EF", "КВ 12");
        Row(0).OldKey = "0123456789ABCDEF";
        SetKey(2, 1, 0, "E0 00 00 0F 06 05 03 01", "ЭТАЖ 2");
        Row(2).OldKey = "0000000305060F01";
        SetKey(3, 2, 5, "13 00 00 00 01 49 CF 01", "ЦИФРАЛ");
        Row(3).OldKey = "000000B7D7E7EE01";
    }
    // The book of SetBook saved as Name, with Cell's record marked deleted as another dBase
    // program marks it.
    void SaveBookWithADeletedRecord(const char *Name, int Cell)
    {
        SetBook();
        Form->SaveWriterToDbf(Path("book.dbf"));
        std::string file = Bytes("book.dbf");
        constexpr std::size_t HeaderLength = 32 + 5 * 32 + 1, RecordLength = 60;
        file[HeaderLength + Cell * RecordLength] = '*';
        WriteFile(Name, file);
    }
};

constexpr const char *BookFields =
    "TYPE_KEY N(3,0); MODE N(3,0); NAME C(14); KEY_HEX C(23); OLD_KEY C(16)";

} // namespace

// ---- saving and loading ----

TEST_F(WriterFileTest, OneRowSavesToTheExpectedBytesAndLoadsBack)
{
    SetEmptyRows(1);
    SetKey(0, 0, 0, "5B 23 45 67 89 AB CD EF", "КВ 12");
    Row(0).OldKey = "0123456789ABCDEF";
    Form->SaveWriterToDbf(Path("one.dbf"));
    EXPECT_EQ(Status(), "  Запись прошла успешно!  "_a);
    const std::string file = Bytes("one.dbf");
    ASSERT_EQ(file.size(), 254u);
    EXPECT_EQ(file.substr(193), " "
                                "  0"
                                "  0" +
                                    ("КВ 12         "_a).ToStd() +
                                    "5B 23 45 67 89 AB CD EF"
                                    "0123456789ABCDEF"
                                    "\x1A");
    EXPECT_FALSE(std::filesystem::exists(Folder / "one.dbf.part"));

    Form->WriterRows.clear();
    Form->LoadWriterFromDbf(Path("one.dbf"));
    EXPECT_EQ(Status(), "  Чтение прошло успешно!  "_a);
    ASSERT_EQ(Form->WriterRows.size(), 1u);
    EXPECT_EQ(Row(0).Changed, 1);
    EXPECT_EQ(Row(0).Address, "0400");
    EXPECT_EQ(Row(0).Name, "КВ 12"_a);
    EXPECT_EQ(Row(0).OldKey, "0123456789ABCDEF");
    EXPECT_EQ(Form->SG_Writer->Cells(3, 1), "5B 23 45 67 89 AB CD EF");
}

TEST_F(WriterFileTest, AFullReadSavesLoadsAndSavesAgainToTheSameBytes)
{
    Sim->Edit([](devsim::Memory &M) { devsim::FillSampleAddressBook(M); });
    ASSERT_TRUE(ReadBook());
    const std::vector<WriterRecord> read = Form->WriterRows;
    Form->SaveWriterToDbf(Path("first.dbf"));
    Form->WriterRows.clear();
    Form->FillWriterGrid();
    Form->LoadWriterFromDbf(Path("first.dbf"));
    ASSERT_EQ(Form->WriterRows.size(), 1000u);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(Row(i).Changed, 1);
        ASSERT_EQ(Row(i).Name, read[i].Name) << i;
        ASSERT_EQ(Row(i).KeyHex.View(), read[i].KeyHex.View()) << i;
        ASSERT_EQ(Row(i).KeyType, read[i].KeyType) << i;
        ASSERT_EQ(Row(i).WriteMode, read[i].WriteMode) << i;
        ASSERT_EQ(Row(i).Address, read[i].Address) << i;
    }
    EXPECT_EQ(Form->SG_Writer->Cells(1, 1), read[0].Name);
    Form->SaveWriterToDbf(Path("second.dbf"));
    EXPECT_EQ(Bytes("first.dbf"), Bytes("second.dbf"));

    // Written back, the device holds what it held.
    const devsim::Memory before = Sim->Snapshot();
    ASSERT_TRUE(WriteBook());
    Form->WriterRows.clear();
    ASSERT_TRUE(ReadBook());
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(Row(i).KeyHex.View(), read[i].KeyHex.View()) << i;
}

TEST_F(WriterFileTest, LoadedNamesKeepToTheDeviceAlphabet)
{
    MakeTable("names.dbf", BookFields,
              "t.append((0, 0, 'ёжик щит', '5B 23 45 67 89 AB CD EF', ''))\n"
              "t.append((0, 0, 'подъезд №5,кв1', '5B 23 45 67 89 AB CD EF', ''))\n");
    Form->LoadWriterFromDbf(Path("names.dbf"));
    ASSERT_EQ(Form->WriterRows.size(), 2u);
    EXPECT_EQ(Row(0).Name, "ЕЖИК ШИТ"_a);
    // Characters outside the alphabet are dropped, not blanked, then cut to 14.
    EXPECT_EQ(Row(1).Name, "ПОДЬЕЗД 5КВ1"_a);
    EXPECT_EQ(Form->CleanLoadedName("  йод  "_a), "ИОД"_a);
}

// ---- files that are refused ----

TEST_F(WriterFileTest, TablesOfOtherShapesAreRefusedAndChangeNothing)
{
    SetBook();
    const auto before = Form->WriterRows.size();
    const std::pair<const char *, const char *> shapes[] = {
        {"wide.dbf", "TYPE_KEY N(3,0); MODE N(3,0); NAME C(14); KEY_HEX C(24); OLD_KEY C(16)"},
        {"order.dbf", "MODE N(3,0); TYPE_KEY N(3,0); NAME C(14); KEY_HEX C(23); OLD_KEY C(16)"},
        {"more.dbf", "TYPE_KEY N(3,0); MODE N(3,0); NAME C(14); KEY_HEX C(23); OLD_KEY C(16); "
                     "NOTE C(5)"}};
    for (const auto &[name, fields] : shapes) {
        MakeTable(name, fields, "");
        Form->LoadWriterFromDbf(Path(name));
        EXPECT_EQ(Status(),
                  "  Ошибка при открытии файла. Файл не соответствует записной книжке QRV4!   "_a +
                      Path(name));
        EXPECT_EQ(Form->StatusBarMain->Color(), clRed);
        EXPECT_EQ(Form->WriterRows.size(), before);
    }
}

// A named pipe chosen in "Открыть файл" held the window in open() until something wrote to
// it: it is refused at once as no book, and so are a device and a folder.
TEST_F(WriterFileTest, APipeOrDeviceChosenToOpenIsRefusedAtOnceAsNoBook)
{
    SetBook();
    const auto before = Form->WriterRows.size();
    AnsiString shown;
    {
        const testsupport::WaitingPipe pipe(Folder / "pipe.dbf");
        ASSERT_TRUE(pipe.Made());
        Dialogs.ReplyDialog([&](TCommonDialog &Dialog) {
            dynamic_cast<TOpenDialog &>(Dialog).SetFileName(Path("pipe.dbf"));
            return true;
        });
        Form->BTN_WriterReadFromFileClick(nullptr);
        shown = Status();
    }
    const AnsiString NotABook =
        "  Ошибка при открытии файла. Файл не соответствует записной книжке QRV4!   "_a;
    EXPECT_EQ(shown, NotABook + Path("pipe.dbf"));
    const testsupport::TestTerminal terminal;
    ASSERT_FALSE(terminal.Path().empty());
    for (const AnsiString &chosen :
         {rtl::FromSystemPath(terminal.Path()), rtl::FromSystemPath(Folder.string())}) {
        Form->LoadWriterFromDbf(chosen);
        EXPECT_EQ(Status(), NotABook + chosen);
    }
    EXPECT_EQ(Form->WriterRows.size(), before);
}

// A table in cp866 lost its Cyrillic names without a word, and the rows were marked to be
// written so: the device's names would have gone blank.
TEST_F(WriterFileTest, ACp866TableLoadsWithItsNames)
{
    MakeTable("dos.dbf", BookFields,
              "t.append((0, 0, 'Метаком дом', '5B 23 45 67 89 AB CD EF', '0123456789ABCDEF'))\n"
              "t.append((1, 0, 'ЭТАЖ 2', 'E0 00 00 0F 06 05 03 01', '0000000305060F01'))\n",
              "cp866");
    std::string file = Bytes("dos.dbf");
    ASSERT_EQ(file[29], '\x26');
    file[29] = '\x65'; // the other mark of cp866
    WriteFile("dos65.dbf", file);
    for (const char *name : {"dos.dbf", "dos65.dbf"}) {
        SetEmptyRows(1);
        Form->LoadWriterFromDbf(Path(name));
        EXPECT_EQ(Status(), "  Чтение прошло успешно!  "_a) << name;
        ASSERT_EQ(Form->WriterRows.size(), 2u) << name;
        EXPECT_EQ(Form->SG_Writer->Cells(1, 1), "МЕТАКОМ ДОМ"_a) << name;
        EXPECT_EQ(Form->SG_Writer->Cells(1, 2), "ЭТАЖ 2"_a) << name;
        EXPECT_EQ(Marks(0, 1), (std::vector<int>{1, 1})) << name;
    }
    ASSERT_TRUE(WriteBook());
    using K = devsim::DeviceKey;
    EXPECT_EQ(DeviceCell(0),
              devsim::AddressBookCell(0, 0, K{0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF},
                                      "МЕТАКОМ ДОМ"));
}

// Read as cp1251, a table in any other code page loads names the user never wrote.
TEST_F(WriterFileTest, TablesInOtherCodePagesAreRefusedAndChangeNothing)
{
    SetBook();
    Form->SaveWriterToDbf(Path("book.dbf"));
    std::string file = Bytes("book.dbf");
    for (const char mark : {'\x01', '\x03', '\xC8', '\x64'}) {
        file[29] = mark;
        WriteFile("other.dbf", file);
        Form->LoadWriterFromDbf(Path("other.dbf"));
        EXPECT_EQ(Status(),
                  "  Ошибка при открытии файла. Файл не соответствует записной книжке QRV4!   "_a +
                      Path("other.dbf"))
            << int(static_cast<unsigned char>(mark));
        EXPECT_EQ(Form->StatusBarMain->Color(), clRed);
        EXPECT_EQ(Form->WriterRows.size(), 4u);
        EXPECT_EQ(Form->SG_Writer->Cells(1, 3), "ЭТАЖ 2"_a);
    }
}

// Besides our own unmarked tables, cp1251 is marked as itself or as the system's ANSI page,
// which tools write by default: the book loads the same under each mark.
TEST_F(WriterFileTest, TablesMarkedAsCp1251OrTheAnsiPageLoadAsCp1251)
{
    SetBook();
    Form->SaveWriterToDbf(Path("book.dbf"));
    std::string file = Bytes("book.dbf");
    for (const char mark : {'\x00', '\xC9', '\x57'}) {
        file[29] = mark;
        WriteFile("marked.dbf", file);
        Form->WriterRows.clear();
        Form->LoadWriterFromDbf(Path("marked.dbf"));
        const int shown = static_cast<unsigned char>(mark);
        EXPECT_EQ(Status(), "  Чтение прошло успешно!  "_a) << shown;
        ASSERT_EQ(Form->WriterRows.size(), 4u) << shown;
        EXPECT_EQ(Row(3).Name, "ЦИФРАЛ"_a) << shown;
        EXPECT_EQ(Form->SG_Writer->Cells(1, 3), "ЭТАЖ 2"_a) << shown;
        EXPECT_EQ(Marks(0, 3), (std::vector<int>{1, 1, 1, 1})) << shown;
    }
}

// A gibibyte file, none of it on the disk, behind the header of a table of another shape and
// behind a damaged one: both were read whole, twice over in memory, before being refused.
TEST_F(WriterFileTest, AHugeFileIsRefusedWithoutBeingRead)
{
    SetBook();
    constexpr off_t Size = off_t(1) << 30;
    MakeTable("other.dbf", "NOTE C(200)", "");
    std::string other = Bytes("other.dbf");
    const auto word = [&](int At) {
        const auto byte = [&](int I) { return static_cast<unsigned char>(other[I]); };
        return byte(At) + 256u * byte(At + 1);
    };
    const std::uint32_t records = static_cast<std::uint32_t>((Size - word(8)) / word(10));
    for (int i = 0; i < 4; ++i)
        other[4 + i] = static_cast<char>(records >> (8 * i));
    WriteFile("other.dbf", other);
    std::string damaged = other;
    damaged[8] = static_cast<char>(word(8) + 32); // a field more than the descriptors give
    WriteFile("damaged.dbf", damaged);
    for (const char *name : {"other.dbf", "damaged.dbf"})
        ASSERT_EQ(::truncate((Folder / name).c_str(), Size), 0);
    const std::pair<const char *, AnsiString> files[] = {
        {"other.dbf",
         "  Ошибка при открытии файла. Файл не соответствует записной книжке QRV4!   "_a},
        {"damaged.dbf", "  Ошибка при открытии файла ...   "_a}};
    for (const auto &[name, message] : files) {
        testsupport::ResetPeakResident();
        const std::size_t resident = testsupport::ResidentBytes();
        const testsupport::TThreadReads reads;
        Form->LoadWriterFromDbf(Path(name));
        const auto read = reads.Bytes();
        EXPECT_LT(testsupport::PeakResidentBytes(), resident + (64u << 20)) << name;
        ASSERT_TRUE(read);
        EXPECT_LE(*read, 16u << 10) << name;
        EXPECT_EQ(Status(), message + Path(name));
        EXPECT_EQ(Form->WriterRows.size(), 4u);
        EXPECT_EQ(Row(2).Name, "ЭТАЖ 2"_a);
    }
}

// Bytes past the records the header counts are no part of the book.
TEST_F(WriterFileTest, ABookLoadsTheRecordsItsHeaderCountsAndNothingPastThem)
{
    SetBook();
    Form->SaveWriterToDbf(Path("book.dbf"));
    std::string file = Bytes("book.dbf");
    file[4] = 3; // the last cell and the end mark now trail the table
    file.append(1 << 20, 'x');
    WriteFile("trailing.dbf", file);
    Form->WriterRows.clear();
    const testsupport::TThreadReads reads;
    Form->LoadWriterFromDbf(Path("trailing.dbf"));
    const auto read = reads.Bytes();
    EXPECT_EQ(Status(), "  Чтение прошло успешно!  "_a);
    ASSERT_EQ(Form->WriterRows.size(), 3u);
    EXPECT_EQ(Row(2).Name, "ЭТАЖ 2"_a);
    ASSERT_TRUE(read);
    EXPECT_LE(*read, 64u << 10);
}

TEST_F(WriterFileTest, AnEmptyTableChangesNothingAndSaysNothing)
{
    SetBook();
    MakeTable("empty.dbf", BookFields, "");
    Form->ShowStatusMessage("", "", smNeutral);
    Form->LoadWriterFromDbf(Path("empty.dbf"));
    EXPECT_EQ(Form->WriterRows.size(), 4u);
    EXPECT_EQ(Status(), "    ");
}

TEST_F(WriterFileTest, ADamagedTableLoadsNothing)
{
    SetBook();
    Form->SaveWriterToDbf(Path("book.dbf"));
    std::string file = Bytes("book.dbf");
    WriteFile("cut.dbf", file.substr(0, file.size() - 40));
    file[32 + 2 * 32 + 16] = 40; // NAME longer than the record
    WriteFile("wide.dbf", file);
    for (const char *name : {"cut.dbf", "wide.dbf", "missing.dbf"}) {
        Form->LoadWriterFromDbf(Path(name));
        EXPECT_EQ(Status(), "  Ошибка при открытии файла ...   "_a + Path(name));
        EXPECT_EQ(Form->WriterRows.size(), 4u);
        EXPECT_EQ(Row(2).Name, "ЭТАЖ 2"_a);
    }
}

// A record deleted in another dBase program is a key the user took out of the book: written to
// the device, it would open a door again.
TEST_F(WriterFileTest, ADeletedRecordLoadsAsAnEmptyCellAndIsNeverSent)
{
    SaveBookWithADeletedRecord("deleted.dbf", 2); // ЭТАЖ 2
    Form->LoadWriterFromDbf(Path("deleted.dbf"));
    ASSERT_EQ(Form->WriterRows.size(), 4u);
    EXPECT_EQ(Status(), "  Неверные данные в строках 2, они не будут записаны в прибор.   "_a +
                            Path("deleted.dbf"));
    EXPECT_TRUE(Row(2).IsEmpty());
    EXPECT_EQ(Row(3).Name, "ЦИФРАЛ"_a);
    EXPECT_EQ(Marks(0, 3), (std::vector<int>{1, 1, 0, 1}));
    // The grid shows the cell empty, and the device keeps what it holds: the write says so.
    PutCell(2, devsim::AddressBookCell(0, 0, devsim::DeviceKey{1, 2, 3, 4, 5, 6, 7, 8}, "Б"));
    Dialogs.ReplyMessage(mrOk);
    ASSERT_TRUE(WriteBook());
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Dialogs.Messages()[0].Text, "Эти строки не будут записаны.\nКод ключа неверен, "
                                          "введите код заново или очистите строку. Ячейки: 2"_a);
    EXPECT_EQ(DeviceCell(2),
              devsim::AddressBookCell(0, 0, devsim::DeviceKey{1, 2, 3, 4, 5, 6, 7, 8}, "Б"));
}

// The box before the write tells the user to clear such a row: cleared, it empties the
// device's cell, and the box no longer names it.
TEST_F(WriterFileTest, ADeletedRecordClearedAsTheBoxSaysEmptiesTheDevicesCell)
{
    SaveBookWithADeletedRecord("deleted.dbf", 2);
    PutCell(2, devsim::AddressBookCell(0, 0, devsim::DeviceKey{1, 2, 3, 4, 5, 6, 7, 8}, "Б"));
    Form->LoadWriterFromDbf(Path("deleted.dbf"));
    ASSERT_TRUE(Row(2).IsEmpty());

    const int row = GridRowOf(2);
    ASSERT_GE(row, 1);
    Form->SG_Writer->SetSelection({1, row, 3, row});
    Form->TBI_WriterClearClick(nullptr);
    EXPECT_EQ(Row(2).Changed, -1);
    Dialogs.ReplyMessage(mrOk);
    ASSERT_TRUE(WriteBook());
    EXPECT_TRUE(Dialogs.Messages().empty());
    EXPECT_EQ(Status(), "  Запись записной книжки... успешно!  "_a);
    EXPECT_EQ(DeviceCell(2), devsim::EmptyAddressBookCell());

    // Written, the row is one like any other: the next write has nothing to send or to tell.
    Dialogs.ReplyMessage(mrOk);
    ASSERT_TRUE(WriteBook());
    EXPECT_TRUE(Dialogs.Messages().empty());
    EXPECT_EQ(Status(), "  Нет данных для записи!  "_a);
}

TEST_F(WriterFileTest, InvalidRowsAreLoadedUnmarkedAndNeverSent)
{
    MakeTable("mixed.dbf", BookFields,
              "t.append((0, 0, 'ХОРОШИЙ', '5B 23 45 67 89 AB CD EF', ''))\n"
              "t.append((7, 0, 'ТИП', '5B 23 45 67 89 AB CD EF', ''))\n"
              "t.append((0, 5, 'РЕЖИМ', '5B 23 45 67 89 AB CD EF', ''))\n"
              "t.append((1, 1, 'ЧЕТНОСТЬ', '00 00 00 01 05 06 0F 01', ''))\n"
              "t.append((0, -1, 'КОРОТКИЙ', '5B 23 45', ''))\n"
              "t.append((2, 1, 'СТАРЫЙ', '13 00 00 00 01 49 CF 01', 'XYZ'))\n"
              "t.append((3, 0, 'СЛИТНО', '0000112233445500', ''))\n"
              "t.append((255, -1, '', '', ''))\n");
    Form->LoadWriterFromDbf(Path("mixed.dbf"));
    ASSERT_EQ(Form->WriterRows.size(), 8u);
    EXPECT_EQ(Status(), "  Неверные данные в строках 1, 2, 3, 4, 5, они не будут записаны в "
                        "прибор.   "_a +
                            Path("mixed.dbf"));
    EXPECT_EQ(Form->StatusBarMain->Color(), clRed);
    EXPECT_EQ(Marks(0, 7), (std::vector<int>{1, 0, 0, 0, 0, 0, 1, 1}));
    EXPECT_EQ(Row(6).KeyHex, "00 00 11 22 33 44 55 00");

    // Moved, an invalid row is marked, and still the device never gets it.
    Form->SG_Writer->MoveRow(2, 3);
    ASSERT_EQ(Row(2).Changed, 1);
    Dialogs.ReplyMessage(mrOk);
    ASSERT_TRUE(WriteBook());
    EXPECT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Sim->Frames().size(), 3u * 3);
    EXPECT_EQ(DeviceCell(1), devsim::EmptyAddressBookCell());
    EXPECT_EQ(DeviceCell(7), devsim::EmptyAddressBookCell());
}

// A digit changed in a stored code no longer fits its check byte, or a byte every code of its
// type holds; put right on loading, the damaged code went to the device as another key.
TEST_F(WriterFileTest, ACodeThatNeedsItsCheckByteOrFixedBytesPutRightIsRefused)
{
    MakeTable("damaged.dbf", BookFields,
              "t.append((0, 0, 'КВ 12', '5B 23 45 67 89 AB CD EF', ''))\n"
              "t.append((0, 0, 'ЦИФРА', '5B 23 45 67 89 AB CD EE', ''))\n"
              "t.append((1, 0, 'БАЙТ', 'E0 10 00 0F 06 05 03 01', ''))\n"
              "t.append((3, 0, 'ПРОВЕРКА', '01 00 11 22 33 44 55 00', ''))\n");
    Form->LoadWriterFromDbf(Path("damaged.dbf"));
    ASSERT_EQ(Form->WriterRows.size(), 4u);
    EXPECT_EQ(Status(),
              "  Неверные данные в строках 1, 2, 3, они не будут записаны в прибор.   "_a +
                  Path("damaged.dbf"));
    EXPECT_EQ(Marks(0, 3), (std::vector<int>{1, 0, 0, 0}));
    Form->SG_Writer->MoveRow(2, 4);
    ASSERT_EQ(Marks(1, 3), (std::vector<int>{1, 1, 1}));
    Dialogs.ReplyMessage(mrOk);
    ASSERT_TRUE(WriteBook());
    EXPECT_EQ(Sim->Frames().size(), 3u);
    for (unsigned cell : {1u, 2u, 3u})
        EXPECT_EQ(DeviceCell(cell), devsim::EmptyAddressBookCell()) << cell;
}

// A Cyfral key of modes 1-3 and 5-7 goes to the device as its old key: with another code
// beside it, or none, the grid showed one key and the device got another.
TEST_F(WriterFileTest, ACyfralKeyWrittenFromItsOldKeyMustShowThatKey)
{
    MakeTable("cyfral.dbf", BookFields,
              "t.append((2, 1, 'КВ 12', '13 00 00 00 01 49 CF 01', '000000b7d7e7ee01'))\n"
              "t.append((2, 1, 'ЧУЖОЙ', '13 00 00 00 01 49 CF 01', '000000EEE7D7B701'))\n"
              "t.append((2, 6, 'БЕЗ СТАРОГО', '13 00 00 00 01 49 CF 01', ''))\n");
    Form->LoadWriterFromDbf(Path("cyfral.dbf"));
    ASSERT_EQ(Form->WriterRows.size(), 3u);
    EXPECT_EQ(Status(), "  Неверные данные в строках 1, 2, они не будут записаны в прибор.   "_a +
                            Path("cyfral.dbf"));
    EXPECT_EQ(Marks(0, 2), (std::vector<int>{1, 0, 0}));
    Form->SG_Writer->MoveRow(2, 3);
    Dialogs.ReplyMessage(mrOk);
    ASSERT_TRUE(WriteBook());
    using K = devsim::DeviceKey;
    EXPECT_EQ(DeviceCell(0),
              devsim::AddressBookCell(2, 1, K{0, 0, 0, 0xB7, 0xD7, 0xE7, 0xEE, 0x01}, "КВ 12"));
    EXPECT_EQ(DeviceCell(1), devsim::EmptyAddressBookCell());
    EXPECT_EQ(DeviceCell(2), devsim::EmptyAddressBookCell());
}

// Taken as 0, such a Metakom row became Dallas and a Cyfral C2 row C1, and both were written.
TEST_F(WriterFileTest, RowsWhoseTypeOrModeIsNoNumberAreRefused)
{
    SetBook();
    Form->SaveWriterToDbf(Path("book.dbf"));
    std::string file = Bytes("book.dbf");
    const auto field = [&](int Cell, int Offset) { return 193 + 60 * Cell + 1 + Offset; };
    file.replace(field(2, 0), 3, "MK ");
    file.replace(field(3, 3), 3, "C2 ");
    file.replace(field(0, 3), 3, "   ");
    WriteFile("garbled.dbf", file);
    Form->WriterRows.clear();
    Form->LoadWriterFromDbf(Path("garbled.dbf"));
    ASSERT_EQ(Form->WriterRows.size(), 4u);
    EXPECT_EQ(Status(),
              "  Неверные данные в строках 0, 2, 3, они не будут записаны в прибор.   "_a +
                  Path("garbled.dbf"));
    EXPECT_EQ(Form->StatusBarMain->Color(), clRed);
    EXPECT_EQ(Marks(0, 3), (std::vector<int>{0, 1, 0, 0}));
    // Neither row shows the type it would have been written as.
    EXPECT_EQ(Form->SG_Writer->Cells(2, 3), "");
    EXPECT_EQ(Row(3).WriteMode, -1);
}

// Rows loaded unfit stay out of the write unmarked: the write said a plain success while the
// device's cells kept their old keys and the grid showed the file's rows. The box before the
// write tells them, in the words it has for edited rows.
TEST_F(WriterFileTest, RowsLoadedUnfitAreToldBeforeTheWriteThatLeavesThemOut)
{
    using K = devsim::DeviceKey;
    const devsim::Bytes oldFirst =
        devsim::AddressBookCell(0, 0, K{1, 2, 3, 4, 5, 6, 7, 8}, "СТАРЫЙ");
    const devsim::Bytes oldSecond =
        devsim::AddressBookCell(3, 0, K{0, 0, 9, 9, 9, 9, 9, 0}, "ПРОКСИ");
    PutCell(1, oldFirst);
    PutCell(2, oldSecond);
    MakeTable("bad.dbf", BookFields,
              "t.append((0, 0, 'КВ 12', '5B 23 45 67 89 AB CD EF', ''))\n"
              "t.append((0, 0, 'КОРОТКИЙ', '05 1D 3A', ''))\n"
              "t.append((7, 0, 'ТИП', '5B 23 45 67 89 AB CD EF', ''))\n");
    ShowWindow();
    ChooseInDialog("bad.dbf");
    vcltest::Click(Form->BTN_WriterReadFromFile, 10, 10);
    ASSERT_TRUE(maintest::PumpUntil([&] { return Form->WriterRows.size() == 3; }, 5000));
    EXPECT_EQ(Status(), "  Неверные данные в строках 1, 2, они не будут записаны в прибор.   "_a +
                            Path("bad.dbf"));

    Dialogs.ReplyMessage(mrOk);
    vcltest::Click(Form->BTN_WriterSave, 10, 10);
    ASSERT_TRUE(maintest::PumpUntil([&] { return !Dialogs.Messages().empty(); }, 5000));
    ASSERT_TRUE(maintest::PumpUntil(
        [&] { return Form->WriterWriteStep == -1 && Form->BTN_WriterSave->Enabled(); },
        optest::ExchangeWait));
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Dialogs.Messages()[0].Text,
              "Эти строки не будут записаны.\n"
              "Тип ключа неверен, выберите тип заново. Ячейки: 2\n"
              "Код ключа неверен, введите код заново или очистите строку. Ячейки: 1"_a);
    EXPECT_EQ(Dialogs.Messages()[0].Caption, "Внимание!"_a);
    EXPECT_EQ(DeviceCell(0), devsim::AddressBookCell(
                                 0, 0, K{0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, "КВ 12"));
    EXPECT_EQ(DeviceCell(1), oldFirst);
    EXPECT_EQ(DeviceCell(2), oldSecond);

    // Told once more at the next write, until each row is mended.
    Dialogs.ReplyMessage(mrOk);
    ASSERT_TRUE(WriteBook());
    ASSERT_EQ(Dialogs.Messages().size(), 2u);
    EXPECT_EQ(Dialogs.Messages()[1].Text, Dialogs.Messages()[0].Text);
}

// Once its cell is written, a row loaded unfit and mended is no longer told as left out.
TEST_F(WriterFileTest, ARowLoadedUnfitAndMendedIsToldNoMoreOnceItsCellIsWritten)
{
    MakeTable("short.dbf", BookFields,
              "t.append((0, 0, 'КВ 12', '5B 23 45 67 89 AB CD EF', ''))\n"
              "t.append((0, 0, 'ОБРЕЗАН', '05 1D 3A', ''))\n");
    Form->LoadWriterFromDbf(Path("short.dbf"));
    ASSERT_EQ(Form->WriterRows.size(), 2u);
    ASSERT_EQ(Marks(0, 1), (std::vector<int>{1, 0}));
    ShowWindow();
    Edit(1, 3, "FF23456789ABCDEF", 13);
    ASSERT_EQ(Row(1).Changed, 1);

    Dialogs.ReplyMessage(mrOk);
    ASSERT_TRUE(WriteBook());
    EXPECT_TRUE(Dialogs.Messages().empty());
    EXPECT_EQ(
        DeviceCell(1),
        devsim::AddressBookCell(
            0, 0, devsim::DeviceKey{0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, "ОБРЕЗАН"));
    ASSERT_TRUE(WriteBook());
    EXPECT_TRUE(Dialogs.Messages().empty());
    EXPECT_EQ(Status(), "  Нет данных для записи!  "_a);
}

// ---- saving never loses the file it replaces ----

// A full disk in the middle of the table.
TEST_F(WriterFileTest, AFailedSaveLeavesTheOldFileWhole)
{
    SetBook();
    Form->SaveWriterToDbf(Path("book.dbf"));
    const std::string good = Bytes("book.dbf");
    SetEmptyRows(1000);
    {
        testsupport::FileSizeLimit full(good.size() + 1000);
        Form->SaveWriterToDbf(Path("book.dbf"));
    }
    EXPECT_EQ(Status(), "  Ошибка при записи файла ...   "_a + Path("book.dbf"));
    EXPECT_EQ(Form->StatusBarMain->Color(), clRed);
    EXPECT_EQ(Bytes("book.dbf"), good);
}

// The table was made in the temporary folder first: with that folder gone or full, no book
// could be saved anywhere, though the book's own folder had room.
TEST_F(WriterFileTest, SavingNeedsNoTemporaryFolder)
{
    struct TemporaryFolderGone {
        explicit TemporaryFolderGone(const std::filesystem::path &Gone)
        {
            if (const char *kept = std::getenv("TMPDIR")) Kept = kept;
            setenv("TMPDIR", Gone.c_str(), 1);
        }
        ~TemporaryFolderGone()
        {
            if (Kept)
                setenv("TMPDIR", Kept->c_str(), 1);
            else
                unsetenv("TMPDIR");
        }
        std::optional<std::string> Kept;
    };
    SetBook();
    Dialogs.ReplyDialog([&](TCommonDialog &Dialog) {
        dynamic_cast<TSaveDialog &>(Dialog).SetFileName(Path("book.dbf"));
        return true;
    });
    {
        TemporaryFolderGone gone(Folder / "gone");
        Form->BTN_WriterSaveToFileClick(nullptr);
    }
    EXPECT_EQ(Status(), "  Запись прошла успешно!  "_a);
    Form->WriterRows.clear();
    Form->LoadWriterFromDbf(Path("book.dbf"));
    ASSERT_EQ(Form->WriterRows.size(), 4u);
    EXPECT_EQ(Row(3).Name, "ЦИФРАЛ"_a);
}

// The table was written beside the book under a fixed name first, over whatever file had it,
// and renamed over a link to the book, which made the link a file of its own.
TEST_F(WriterFileTest, SavingTouchesNoOtherFileAndKeepsALinkToTheBook)
{
    WriteFile("book.dbf.part", "the user's own notes");
    std::filesystem::create_directory(Folder / "books");
    WriteFile("books/real.dbf", "");
    std::filesystem::create_symlink("books/real.dbf", Folder / "book.dbf");
    SetBook();
    Form->SaveWriterToDbf(Path("book.dbf"));
    EXPECT_EQ(Status(), "  Запись прошла успешно!  "_a);
    EXPECT_EQ(Bytes("book.dbf.part"), "the user's own notes");
    ASSERT_TRUE(std::filesystem::is_symlink(Folder / "book.dbf"));
    const std::string saved = Bytes("books/real.dbf");
    EXPECT_EQ(saved.size(), 193u + 4 * 60 + 1);

    Form->WriterRows.resize(2);
    Form->SaveWriterToDbf(Path("book.dbf"));
    EXPECT_TRUE(std::filesystem::is_symlink(Folder / "book.dbf"));
    EXPECT_EQ(Bytes("books/real.dbf").size(), saved.size() - 2 * 60);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder / "books"), {}), 1);
    Form->LoadWriterFromDbf(Path("book.dbf"));
    EXPECT_EQ(Status(), "  Чтение прошло успешно!  "_a);
    ASSERT_EQ(Form->WriterRows.size(), 2u);
    EXPECT_EQ(Row(0).Name, "КВ 12"_a);
}

// The new table replaces the file by a rename, which the file's modes do not stop.
TEST_F(WriterFileTest, AReadOnlyFileIsRefusedAndKeptAsItWas)
{
    SetBook();
    Form->SaveWriterToDbf(Path("kept.dbf"));
    const std::string kept = Bytes("kept.dbf");
    ASSERT_EQ(::chmod((Folder / "kept.dbf").c_str(), 0444), 0);
    Form->WriterRows.resize(2);
    Form->SaveWriterToDbf(Path("kept.dbf"));
    EXPECT_EQ(Status(), "  Ошибка при открытии файла ...   "_a + Path("kept.dbf"));
    EXPECT_EQ(Form->StatusBarMain->Color(), clRed);
    EXPECT_EQ(Bytes("kept.dbf"), kept);
    EXPECT_FALSE(std::filesystem::exists(Folder / "kept.dbf.part"));

    // Writable to others but not to its owner: refused to the owner, though root may write it.
    ASSERT_EQ(::chmod((Folder / "kept.dbf").c_str(), 0466), 0);
    Form->SaveWriterToDbf(Path("kept.dbf"));
    if (geteuid() == 0) {
        EXPECT_EQ(Status(), "  Запись прошла успешно!  "_a);
        EXPECT_NE(Bytes("kept.dbf"), kept);
    } else {
        EXPECT_EQ(Status(), "  Ошибка при открытии файла ...   "_a + Path("kept.dbf"));
        EXPECT_EQ(Bytes("kept.dbf"), kept);
    }
    ::chmod((Folder / "kept.dbf").c_str(), 0644);
}

// A saved book is the user's file like any other: readable by the group under the usual umask.
TEST_F(WriterFileTest, SavedBooksFollowTheUmaskAndKeepTheModesOfTheFileTheyReplace)
{
    const auto ModeOf = [this](const char *Name) {
        struct stat info {
        };
        EXPECT_EQ(::stat((Folder / Name).c_str(), &info), 0);
        return info.st_mode & 07777;
    };
    SetBook();
    const mode_t previous = ::umask(022);
    Form->SaveWriterToDbf(Path("usual.dbf"));
    ::umask(027);
    Form->SaveWriterToDbf(Path("strict.dbf"));
    ::umask(022);
    ::chmod((Folder / "usual.dbf").c_str(), 0664);
    Form->SaveWriterToDbf(Path("usual.dbf"));
    ::umask(previous);
    EXPECT_EQ(ModeOf("usual.dbf"), 0664u);
    EXPECT_EQ(ModeOf("strict.dbf"), 0640u);
    Form->SaveWriterToDbf(Path("new.dbf"));
    EXPECT_EQ(ModeOf("new.dbf"), 0666u & ~previous);
}

namespace
{

// The number of a process that has ended.
pid_t GoneProcess()
{
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    return gone;
}

} // namespace

// A link to a book not there yet was replaced by a file of its own, and the save said it
// went well.
TEST_F(WriterFileTest, ALinkToABookNotThereYetIsWrittenThroughAndOneToNoFolderRefused)
{
    SetBook();
    Form->SaveWriterToDbf(Path("direct.dbf"));
    std::filesystem::create_directory(Folder / "books");
    std::filesystem::create_symlink("books/real.dbf", Folder / "book.dbf");
    Form->SaveWriterToDbf(Path("book.dbf"));
    EXPECT_EQ(Status(), "  Запись прошла успешно!  "_a);
    EXPECT_TRUE(std::filesystem::is_symlink(Folder / "book.dbf"));
    EXPECT_EQ(Bytes("books/real.dbf"), Bytes("direct.dbf"));

    std::filesystem::create_symlink("gone/real.dbf", Folder / "lost.dbf");
    Form->SaveWriterToDbf(Path("lost.dbf"));
    EXPECT_EQ(Status(), "  Ошибка при открытии файла ...   "_a + Path("lost.dbf"));
    EXPECT_EQ(std::filesystem::read_symlink(Folder / "lost.dbf"), "gone/real.dbf");
}

// 120 Cyrillic letters are 240 bytes: the new file's name beside the book passed the
// system's 255.
TEST_F(WriterFileTest, ABookWithTheLongestNameIsSaved)
{
    SetBook();
    Form->SaveWriterToDbf(Path("direct.dbf"));
    std::string name;
    for (int i = 0; i < 120; ++i)
        name += "Я";
    name += ".dbf";
    const auto before = std::distance(std::filesystem::directory_iterator(Folder), {});
    Form->SaveWriterToDbf(rtl::FromSystemPath((Folder / name).string()));
    EXPECT_EQ(Status(), "  Запись прошла успешно!  "_a);
    EXPECT_EQ(FileText(name), Bytes("direct.dbf"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder), {}), before + 1);
}

// What a save killed before its rename left beside the book stayed there for good.
TEST_F(WriterFileTest, ASaveRemovesWhatAKilledSaveOfTheBookLeft)
{
    const std::string gone = std::to_string(GoneProcess()), alive = std::to_string(getpid());
    const std::string left = ".book.dbf." + gone + ".0.tmp";
    const std::string kept[] = {".book.dbf." + alive + ".7.tmp", ".other.dbf." + gone + ".0.tmp"};
    WriteFile(left, "half a book");
    for (const std::string &name : kept)
        WriteFile(name, "mine");
    SetBook();
    Form->SaveWriterToDbf(Path("book.dbf"));
    EXPECT_EQ(Status(), "  Запись прошла успешно!  "_a);
    EXPECT_FALSE(std::filesystem::exists(Folder / left));
    for (const std::string &name : kept)
        EXPECT_EQ(FileText(name), "mine") << name;
}

// A book the user may write in a folder the user may not could be saved before the save
// went through a new file beside it; it is written in place once the table is whole.
TEST_F(WriterFileTest, ABookInAFolderTheUserMayNotWriteIsWrittenInPlace)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes whatever the modes; the unprivileged pass runs this";
    SetBook();
    Form->SaveWriterToDbf(Path("book.dbf"));
    const std::string four = Bytes("book.dbf");
    Form->WriterRows.resize(2);
    Form->SaveWriterToDbf(Path("two.dbf"));
    const std::string two = Bytes("two.dbf");
    ASSERT_EQ(::chmod(Folder.c_str(), 0555), 0);
    Form->SaveWriterToDbf(Path("book.dbf"));
    const AnsiString saved = Status();
    const std::string written = Bytes("book.dbf");
    // More than the disk takes leaves the book as it was.
    SetEmptyRows(1000);
    {
        testsupport::FileSizeLimit full(four.size() + 1000);
        Form->SaveWriterToDbf(Path("book.dbf"));
    }
    const AnsiString failed = Status();
    ::chmod(Folder.c_str(), 0755);
    EXPECT_EQ(saved, "  Запись прошла успешно!  "_a);
    EXPECT_EQ(written, two);
    EXPECT_EQ(failed, "  Ошибка при записи файла ...   "_a + Path("book.dbf"));
    EXPECT_EQ(Bytes("book.dbf"), two);
}

// A book saved by root over a user's book became root's, which its user could not save again.
TEST_F(WriterFileTest, ABookSavedByRootStaysItsOwners)
{
    if (geteuid() != 0) GTEST_SKIP() << "only root may save a file of another user";
    SetBook();
    Form->SaveWriterToDbf(Path("book.dbf"));
    ASSERT_EQ(::chown((Folder / "book.dbf").c_str(), 65534, 65534), 0);
    Form->WriterRows.resize(2);
    Form->SaveWriterToDbf(Path("book.dbf"));
    EXPECT_EQ(Status(), "  Запись прошла успешно!  "_a);
    struct stat info {
    };
    ASSERT_EQ(::stat((Folder / "book.dbf").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(Bytes("book.dbf").size(), 193u + 2 * 60 + 1);
}

// A user made "books" in the folder root ran the program in a link to a folder of root's that
// the user could not enter: a save to "books/book.dbf" replaced root's book there.
TEST_F(WriterFileTest, NoBookIsSavedThroughAnotherUsersLinkToAFolderNotTheirs)
{
    if (geteuid() != 0) GTEST_SKIP() << "only root runs the program in another user's folder";
    const testsupport::TestFolder roots("qrv4_roots_");
    ASSERT_EQ(::chmod(roots.Path().c_str(), 0700), 0);
    const std::string secret = "root's book";
    std::ofstream(roots / "book.dbf", std::ios::binary) << secret;
    ASSERT_EQ(::chmod((roots / "book.dbf").c_str(), 0600), 0);
    ASSERT_EQ(::chown(Folder.c_str(), 65534, 65534), 0);
    std::filesystem::create_symlink(roots.Path(), Folder / "books");
    ASSERT_EQ(::lchown((Folder / "books").c_str(), 65534, 65534), 0);
    SetBook();
    for (const char *name : {"books/book.dbf", "books/new.dbf"}) {
        Form->SaveWriterToDbf(Path(name));
        EXPECT_EQ(Status(), "  Ошибка при открытии файла ...   "_a + Path(name)) << name;
    }
    std::ifstream book(roots / "book.dbf", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(book), {}), secret);
    struct stat info {
    };
    ASSERT_EQ(::stat((roots / "book.dbf").c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 0u);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(roots.Path()), {}), 1);
}

// ---- other dBase readers ----

TEST_F(WriterFileTest, Python3DbfReadsEveryFieldTheProgramWrote)
{
    SetBook();
    Form->SaveWriterToDbf(Path("book.dbf"));
    const std::string out = RunPython("import dbf\n"
                                      "t = dbf.Table(r'" +
                                      (Folder / "book.dbf").string() +
                                      "', codepage='cp1251')\n"
                                      "t.open(dbf.READ_ONLY)\n"
                                      "print(t.field_names)\n"
                                      "for r in t:\n"
                                      "    print('|'.join(str(v).rstrip() for v in r))\n"
                                      "t.close()\n");
    EXPECT_EQ(out, "['type_key', 'mode', 'name', 'key_hex', 'old_key']\n"
                   "0|0|КВ 12|5B 23 45 67 89 AB CD EF|0123456789ABCDEF\n"
                   "255|-1|||\n"
                   "1|0|ЭТАЖ 2|E0 00 00 0F 06 05 03 01|0000000305060F01\n"
                   "2|5|ЦИФРАЛ|13 00 00 00 01 49 CF 01|000000B7D7E7EE01\n");
}

TEST_F(WriterFileTest, ATableWrittenByPython3DbfLoads)
{
    MakeTable("python.dbf", BookFields,
              "t.append((0, 1, 'дом 5', '5B 23 45 67 89 AB CD EF', '0123456789ABCDEF'))\n"
              "t.append((255, -1, '', '', ''))\n"
              "t.append((1, 0, 'ЭТАЖ 2', 'E0 00 00 0F 06 05 03 01', '0000000305060F01'))\n");
    Form->LoadWriterFromDbf(Path("python.dbf"));
    EXPECT_EQ(Status(), "  Чтение прошло успешно!  "_a);
    ASSERT_EQ(Form->WriterRows.size(), 3u);
    EXPECT_EQ(Row(0).Name, "ДОМ 5"_a);
    EXPECT_EQ(Row(0).WriteMode, 1);
    EXPECT_EQ(Row(0).OldKey, "0123456789ABCDEF");
    EXPECT_TRUE(Row(1).IsEmpty());
    EXPECT_EQ(Row(2).KeyType, 1);
    EXPECT_EQ(Row(2).KeyHex, "E0 00 00 0F 06 05 03 01");
    EXPECT_EQ(Row(2).Address, "0430");
}

// ---- the buttons and their dialogs ----

TEST_F(WriterFileTest, ButtonsAskThroughTheirDialogsAndKeepTheCurrentFolder)
{
    const std::filesystem::path current = std::filesystem::current_path();
    Form->BTN_WriterSaveToFileClick(nullptr);
    EXPECT_EQ(Status(), "  Нет данных для записи!  "_a);

    SetBook();
    Dialogs.ReplyDialog([&](TCommonDialog &Dialog) {
        auto &save = dynamic_cast<TSaveDialog &>(Dialog);
        EXPECT_EQ(save.Title(), "Записать таблицу"_a);
        EXPECT_EQ(save.Filter(), "DBF файл (*.dbf)|*.dbf"_a);
        EXPECT_EQ(save.DefaultExt(), "dbf");
        EXPECT_TRUE(save.Options().Contains(ofOverwritePrompt));
        save.SetFileName(Path("chosen.dbf"));
        std::filesystem::current_path("/");
        return true;
    });
    Form->BTN_WriterSaveToFileClick(nullptr);
    EXPECT_EQ(std::filesystem::current_path(), current);
    EXPECT_TRUE(std::filesystem::exists(Folder / "chosen.dbf"));

    Form->WriterRows.resize(1);
    Dialogs.ReplyDialog([&](TCommonDialog &Dialog) {
        auto &open = dynamic_cast<TOpenDialog &>(Dialog);
        EXPECT_EQ(open.Title(), "Открыть файл таблицы"_a);
        EXPECT_EQ(open.Filter(), "DBF файл (*.dbf)|*.dbf"_a);
        open.SetFileName(Path("chosen.dbf"));
        return true;
    });
    Form->BTN_WriterReadFromFileClick(nullptr);
    EXPECT_EQ(Form->WriterRows.size(), 4u);
    // The load took the undo snapshot first.
    Form->TBI_UndoWriterTableClick(nullptr);
    EXPECT_EQ(Form->WriterRows.size(), 1u);

    Dialogs.ReplyDialog([](TCommonDialog &) { return false; });
    Form->BTN_WriterReadFromFileClick(nullptr);
    EXPECT_EQ(Form->WriterRows.size(), 1u);
}

// ---- a partial book ----

namespace
{

int RecordsIn(const AnsiString &FileName)
{
    WriterDbf table(FileName, O_RDONLY);
    return table.open() ? table.record_count() : -1;
}

} // namespace

// A read the device broke off at cell 500 was saved over the book of the full read without a
// word, and 501 of the user's records were gone. The save asks first now, No by default.
TEST_F(WriterFileTest, APartialReadAsksBeforeItReplacesALargerBook)
{
    Sim->Edit([](devsim::Memory &M) { devsim::FillSampleAddressBook(M); });
    ASSERT_TRUE(ReadBook());
    ChooseInDialog("book.dbf");
    Form->BTN_WriterSaveToFileClick(nullptr);
    ASSERT_EQ(RecordsIn(Path("book.dbf")), 1000);
    EXPECT_TRUE(Dialogs.Messages().empty());

    Form->CallbackTimer->SetInterval(300);
    BreakAfter(*Sim, 499, {.Silent = true});
    ASSERT_TRUE(ReadBook());
    EXPECT_EQ(Status(), NoAnswer());
    ASSERT_EQ(Form->WriterRows.size(), 499u);
    ASSERT_TRUE(StatusLineCleared());
    EXPECT_EQ(PartialNote(), "Книжка неполная: прочитано 499 из 1000 ячеек"_a);

    const std::string whole = Bytes("book.dbf");
    ChooseInDialog("book.dbf");
    Dialogs.ReplyMessage(mrNo);
    Form->BTN_WriterSaveToFileClick(nullptr);
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    const vcl::MessageRequest &asked = Dialogs.Messages()[0];
    EXPECT_EQ(asked.Text, "Книжка неполная: прочитано 499 из 1000 ячеек.\n"
                          "Записей в файле: 1000, после замены останется: 499.\n\n"
                          "Заменить файл?"_a);
    EXPECT_TRUE(asked.Buttons.Contains(mbYes) && asked.Buttons.Contains(mbNo));
    EXPECT_EQ(asked.DefaultButton, mbNo);
    EXPECT_EQ(Bytes("book.dbf"), whole);

    // A new file, or one of no more records, holds nothing to lose.
    ChooseInDialog("part.dbf");
    Form->BTN_WriterSaveToFileClick(nullptr);
    EXPECT_EQ(RecordsIn(Path("part.dbf")), 499);
    ChooseInDialog("part.dbf");
    Form->BTN_WriterSaveToFileClick(nullptr);
    EXPECT_EQ(Dialogs.Messages().size(), 1u);

    ChooseInDialog("book.dbf");
    Dialogs.ReplyMessage(mrYes);
    Form->BTN_WriterSaveToFileClick(nullptr);
    EXPECT_EQ(Status(), "  Запись прошла успешно!  "_a);
    EXPECT_EQ(RecordsIn(Path("book.dbf")), 499);

    // The book loaded from a file is what that file holds, no partial read.
    ChooseInDialog("part.dbf");
    Form->BTN_WriterReadFromFileClick(nullptr);
    EXPECT_EQ(PartialNote(), "");
}

// ---- names the program cannot keep ----

namespace
{

// Answers Qt's file dialogs as a user would: each showing takes the next path, typed into the
// name field and confirmed; an empty path cancels.
class TypedFileNames
{
public:
    explicit TypedFileNames(std::deque<std::filesystem::path> Paths) : FPaths(std::move(Paths))
    {
        FLook.setInterval(20);
        QObject::connect(&FLook, &QTimer::timeout, [this] { Answer(); });
        FLook.start();
    }
    bool AllTyped() const { return FPaths.empty(); }

private:
    void Answer()
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *shown = qobject_cast<QFileDialog *>(widget);
            auto *name = shown ? shown->findChild<QLineEdit *>("fileNameEdit") : nullptr;
            if (!name || !shown->isVisible() || FPaths.empty()) continue;
            const std::filesystem::path path = FPaths.front();
            FPaths.pop_front();
            if (path.empty()) {
                shown->reject();
                return;
            }
            name->setText(QString::fromStdString(path.string()));
            // The dialog's own check of the name, as its Save button runs it.
            static_cast<QDialog *>(shown)->accept();
            return;
        }
    }

    std::deque<std::filesystem::path> FPaths;
    QTimer FLook;
};

// The next file dialog is Qt's own, as the user sees it; the messages stay scripted.
void AskThroughQtDialog(vcl::ScriptedDialogs &Dialogs)
{
    Dialogs.ReplyDialog(
        [](TCommonDialog &Dialog) { return vcl::StandardDialogs().Execute(Dialog); });
}

const AnsiString NameNotKept =
    "Имя файла содержит символы, которые программа не поддерживает. Выберите другое имя."_a;

std::set<std::filesystem::path> Entries(const std::filesystem::path &Folder)
{
    std::set<std::filesystem::path> entries;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(Folder))
        entries.insert(entry.path());
    return entries;
}

} // namespace

// Held in the program's code page, "Zoë.dbf" became "Zo?.dbf": the book went to a file the
// user never named, and the save was reported done. The dialog now says so and asks again.
TEST_F(WriterFileTest, ASaveNameOutsideTheCodePageIsRefusedAndAskedAgain)
{
    SetBook();
    const auto before = Entries(Folder);
    AskThroughQtDialog(Dialogs);
    Dialogs.ReplyMessage(mrOk);
    TypedFileNames user({Folder / "Zoë.dbf", {}});
    Form->BTN_WriterSaveToFileClick(nullptr);
    EXPECT_TRUE(user.AllTyped());
    EXPECT_EQ(Entries(Folder), before);
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Dialogs.Messages()[0].Text, NameNotKept);
    EXPECT_EQ(Dialogs.Messages()[0].Caption, "Внимание!"_a);
    EXPECT_NE(Status(), "  Запись прошла успешно!  "_a);
}

// Asked again, the user's next name is the one the book is written to.
TEST_F(WriterFileTest, AfterARefusedNameTheNextNameChosenIsSaved)
{
    SetBook();
    AskThroughQtDialog(Dialogs);
    Dialogs.ReplyMessage(mrOk);
    TypedFileNames user({Folder / "Zoë.dbf", Folder / "Зоя.dbf"});
    Form->BTN_WriterSaveToFileClick(nullptr);
    EXPECT_TRUE(user.AllTyped());
    EXPECT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(Folder / "Зоя.dbf"));
    EXPECT_FALSE(std::filesystem::exists(Folder / "Zo?.dbf"));
}

// A Cyrillic name is in the code page: it is saved under exactly that name, with no question.
TEST_F(WriterFileTest, ACyrillicSaveNameIsKeptAsChosen)
{
    SetBook();
    AskThroughQtDialog(Dialogs);
    TypedFileNames user({Folder / "Книга ключей.dbf"});
    Form->BTN_WriterSaveToFileClick(nullptr);
    EXPECT_TRUE(user.AllTyped());
    EXPECT_TRUE(Dialogs.Messages().empty());
    EXPECT_EQ(Status(), "  Запись прошла успешно!  "_a);
    Form->SaveWriterToDbf(Path("direct.dbf"));
    EXPECT_EQ(Bytes("Книга ключей.dbf"), Bytes("direct.dbf"));
}

// A file whose name the program cannot hold is not opened as another one either.
TEST_F(WriterFileTest, AnOpenNameOutsideTheCodePageIsRefusedAndAskedAgain)
{
    SetBook();
    Form->SaveWriterToDbf(Path("book.dbf"));
    std::filesystem::rename(Folder / "book.dbf", Folder / "Zoë.dbf");
    Form->WriterRows.resize(1);
    const AnsiString status = Status();
    AskThroughQtDialog(Dialogs);
    Dialogs.ReplyMessage(mrOk);
    TypedFileNames user({Folder / "Zoë.dbf", {}});
    Form->BTN_WriterReadFromFileClick(nullptr);
    EXPECT_TRUE(user.AllTyped());
    EXPECT_EQ(Form->WriterRows.size(), 1u);
    EXPECT_EQ(Status(), status);
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Dialogs.Messages()[0].Text, NameNotKept);
}
