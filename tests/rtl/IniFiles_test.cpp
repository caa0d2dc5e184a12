#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/FileAccess.h"
#include "platform/rtl/IniFiles.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/SparseFile.h"
#include "tests/support/TestFolder.h"
#include "tests/support/WaitingPipe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

class IniFileTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Path = testsupport::TestPath("qrv4_ini_").string() + ".cfg";
        std::remove(Path.c_str());
    }
    void TearDown() override { std::remove(Path.c_str()); }

    std::string Bytes() const
    {
        std::ifstream in(Path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void SetBytes(const std::string &Bytes) const
    {
        std::ofstream(Path, std::ios::binary) << Bytes;
    }
    AnsiString Name() const { return Path.c_str(); }

    std::string Path;
};

std::string Lines(const TStrings &List)
{
    std::string out;
    for (int i = 0; i < List.Count(); ++i)
        out += (i ? "|" : "") + List[i].ToStd();
    return out;
}

} // namespace

// ---------------------------------------------------------------------------

using TIniFileWrite = IniFileTest;

TEST_F(TIniFileWrite, NewFileHasTheBytesTheProfileFunctionsWrite)
{
    TIniFile ini(Name());
    ini.WriteString("Main", "COM_port", "1");
    ini.WriteInteger("Main", "COM_speed", 9600);
    ini.WriteString("Print", "Copies", "2");
    ini.WriteString("main", "com_port", "3");
    ini.WriteBool("Main", "Sound", true);
    EXPECT_EQ(Bytes(), "[Main]\r\nCOM_port=3\r\nCOM_speed=9600\r\nSound=1\r\n"
                       "[Print]\r\nCopies=2\r\n");
}

TEST_F(TIniFileWrite, EveryWriteIsOnTheDiskAtOnce)
{
    TIniFile ini(Name());
    ini.WriteString("S", "a", "1");
    EXPECT_EQ(Bytes(), "[S]\r\na=1\r\n");
    TIniFile other(Name());
    EXPECT_EQ(other.ReadString("S", "a", "none"), "1");
    other.WriteString("S", "b", "2");
    EXPECT_EQ(ini.ReadString("S", "b", "none"), "2");
}

TEST_F(TIniFileWrite, OtherLinesStayByteForByte)
{
    SetBytes("; made by hand\n"
             "top=level\r\n"
             "[Main]\r\n"
             "  Left = 100  \r\n"
             "; a comment\r\n"
             "\r\n"
             "[Other]\n"
             "x=1");
    TIniFile ini(Name());
    ini.WriteString("Main", "Top", "5");
    ini.WriteString("MAIN", "LEFT", "7");
    ini.WriteString("New", "k", "v");
    EXPECT_EQ(Bytes(), "; made by hand\n"
                       "top=level\r\n"
                       "[Main]\r\n"
                       "Left=7\r\n"
                       "; a comment\r\n"
                       "Top=5\r\n"
                       "\r\n"
                       "[Other]\n"
                       "x=1\r\n"
                       "[New]\r\n"
                       "k=v\r\n");
}

TEST_F(TIniFileWrite, Cp1251ValuesAreStoredUntouched)
{
    TIniFile ini(Name());
    ini.WriteString("Настройки"_a, "Имя"_a, "Ёлка \"в\" лесу"_a);
    EXPECT_EQ(Bytes(), "[\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8]\r\n\xC8\xEC\xFF=\xA8\xEB\xEA\xE0 "
                       "\"\xE2\" \xEB\xE5\xF1\xF3\r\n");
    EXPECT_EQ(ini.ReadString("НАСТРОЙКИ"_a, "имя"_a, ""), "Ёлка \"в\" лесу"_a);
}

TEST_F(TIniFileWrite, DeleteKeyAndEraseSectionKeepTheRest)
{
    SetBytes("[A]\r\na=1\r\nb=2\r\n; note\r\n[B]\r\nc=3\r\n[C]\r\nd=4\r\n");
    TIniFile ini(Name());
    ini.DeleteKey("a", "A");
    ini.DeleteKey("A", "missing");
    ini.DeleteKey("missing", "a");
    EXPECT_EQ(Bytes(), "[A]\r\nb=2\r\n; note\r\n[B]\r\nc=3\r\n[C]\r\nd=4\r\n");
    ini.EraseSection("b");
    EXPECT_EQ(Bytes(), "[A]\r\nb=2\r\n; note\r\n[C]\r\nd=4\r\n");
}

TEST_F(TIniFileWrite, UnwritableFileRaises)
{
    std::string missing = Path + ".d/inner.ini";
    TIniFile ini(missing.c_str());
    try {
        ini.WriteString("S", "k", "v");
        FAIL() << "no exception";
    } catch (const EIniFileException &e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + missing);
    }
}

TEST_F(TIniFileWrite, FileThatCannotBeReadIsNotReplaced)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads whatever the modes; the unprivileged pass runs this";
    const std::string before = "[S]\r\na=1\r\n[T]\r\nb=2\r\n";
    SetBytes(before);
    chmod(Path.c_str(), 0200);
    TIniFile ini(Name());
    EXPECT_EQ(ini.ReadString("S", "a", "none"), "none");
    EXPECT_THROW(ini.WriteString("S", "c", "3"), EIniFileException);
    EXPECT_THROW(ini.DeleteKey("T", "b"), EIniFileException);
    ini.BeginUpdate();
    EXPECT_THROW(ini.EraseSection("S"), EIniFileException);
    ini.EndUpdate();
    chmod(Path.c_str(), 0600);
    EXPECT_EQ(Bytes(), before);
    ini.WriteString("S", "c", "3");
    EXPECT_EQ(Bytes(), "[S]\r\na=1\r\nc=3\r\n[T]\r\nb=2\r\n") << "readable again, at once";
}

// An ini file larger than any real one is not read into memory: it reads as a file that cannot
// be read, and is left as it is.
TEST_F(TIniFileWrite, FileAboveTheLimitIsNeitherReadNorReplaced)
{
    ASSERT_NO_FATAL_FAILURE(testsupport::MakeSparseFile(Path, 8 * testsupport::GiB));
    TIniFile ini(Name());
    EXPECT_EQ(ini.ReadString("S", "a", "none"), "none");
    EXPECT_THROW(ini.WriteString("S", "c", "3"), EIniFileException);
    EXPECT_EQ(std::filesystem::file_size(Path), 8 * testsupport::GiB);
}

TEST_F(TIniFileWrite, WritesBetweenBeginAndEndUpdateReachTheDiskInOneReplacement)
{
    SetBytes("; kept\r\n[S]\r\na=0\r\n");
    int replaced = 0;
    rtl::ReplaceFileStep = [&](std::string_view Step) { replaced += Step == "renamed"; };
    TIniFile ini(Name());
    ini.BeginUpdate();
    ini.WriteString("S", "a", "1");
    ini.WriteInteger("S", "b", 2);
    ini.WriteString("T", "c", "3");
    EXPECT_EQ(Bytes(), "; kept\r\n[S]\r\na=0\r\n") << "nothing on the disk before EndUpdate";
    EXPECT_EQ(ini.ReadString("S", "b", "none"), "2");
    ini.EndUpdate();
    rtl::ReplaceFileStep = nullptr;
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(Bytes(), "; kept\r\n[S]\r\na=1\r\nb=2\r\n[T]\r\nc=3\r\n");
}

TEST_F(TIniFileWrite, ReplacementKeepsTheModesAndTheLink)
{
    SetBytes("[S]\r\na=0\r\n");
    chmod(Path.c_str(), 0640);
    const std::string link = Path + ".link";
    std::remove(link.c_str());
    ASSERT_EQ(symlink(Path.c_str(), link.c_str()), 0);
    TIniFile(link.c_str()).WriteString("S", "a", "1");
    struct stat info;
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(Path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(Bytes(), "[S]\r\na=1\r\n");
    std::remove(link.c_str());
}

TEST_F(TIniFileWrite, FullDiskRaisesAndKeepsTheOldFile)
{
    SetBytes("[S]\r\na=0\r\n");
    TIniFile ini(Name());
    ini.BeginUpdate();
    ini.WriteString("S", "a", std::string(4096, 'x').c_str());
    {
        testsupport::FileSizeLimit full(512);
        EXPECT_THROW(ini.EndUpdate(), EIniFileException);
    }
    EXPECT_EQ(Bytes(), "[S]\r\na=0\r\n");
    EXPECT_EQ(ini.ReadString("S", "a", "none"), "0") << "the writes that failed are dropped";
}

// ---------------------------------------------------------------------------

using TIniFileRead = IniFileTest;

TEST_F(TIniFileRead, ValuesAreTrimmedAndUnquoted)
{
    SetBytes("[ Main ]\r\n"
             "  plain =  some text  \r\n"
             "quoted=\"  kept blanks \"\r\n"
             "single='x'\r\n"
             "half=\"x\r\n"
             "empty=\r\n"
             "bare\r\n");
    TIniFile ini(Name());
    EXPECT_EQ(ini.ReadString("main", "PLAIN", "d"), "some text");
    EXPECT_EQ(ini.ReadString("Main", "quoted", "d"), "  kept blanks ");
    EXPECT_EQ(ini.ReadString("Main", "single", "d"), "x");
    EXPECT_EQ(ini.ReadString("Main", "half", "d"), "\"x");
    EXPECT_EQ(ini.ReadString("Main", "empty", "d"), "");
    EXPECT_EQ(ini.ReadString("Main", "bare", "d"), "d"); // no "=": not a key
    EXPECT_EQ(ini.ReadString("Main", "missing", "d  "), "d");
    EXPECT_EQ(ini.ReadString("Nowhere", "plain", "d"), "d");
}

TEST_F(TIniFileRead, LongValuesAndManyKeysAreNotCut)
{
    TIniFile ini(Name());
    AnsiString longValue = AnsiString::StringOfChar('x', 5000) + "end";
    ini.WriteString("S", "long", longValue);
    // Two hundred names of a hundred bytes: more than a 16 KB buffer holds.
    AnsiString padding = AnsiString::StringOfChar('k', 95);
    for (int i = 0; i < 200; ++i)
        ini.WriteInteger("Many", "Key" + IntToStr(i) + padding, i);
    EXPECT_EQ(ini.ReadString("S", "long", ""), longValue);
    TStringList keys;
    ini.ReadSection("Many", &keys);
    ASSERT_EQ(keys.Count(), 200);
    EXPECT_EQ(keys[199], "Key199" + padding);
}

TEST_F(TIniFileRead, MissingFileGivesDefaults)
{
    TIniFile ini(Name());
    EXPECT_EQ(ini.ReadString("S", "k", "default"), "default");
    EXPECT_EQ(ini.ReadInteger("S", "k", 100), 100);
    EXPECT_FALSE(ini.SectionExists("S"));
    EXPECT_FALSE(FileExists(Name()));
}

// A pipe is no settings file: it is not waited on, and its keys take their defaults. A file of
// the system's that reports no size is read to its end (see the file content's tests).
TEST_F(TIniFileRead, APipeIsNotWaitedOnAndGivesTheDefaults)
{
    const testsupport::WaitingPipe pipe(Path);
    ASSERT_TRUE(pipe.Made());
    TIniFile ini(Name());
    EXPECT_EQ(ini.ReadString("S", "k", "default"), "default");
}

TEST_F(TIniFileRead, NumbersBooleansFloatsAndDates)
{
    SetBytes("[N]\r\nhex=0x1F\r\ndollar=$10\r\nbad=12a\r\nneg=-5\r\nb2=2\r\nb0=0\r\n"
             "f=3.25\r\nfbad=3,25\r\nd=07.12.2026\r\ndbad=31.02.2026\r\n");
    TIniFile ini(Name());
    EXPECT_EQ(ini.ReadInteger("N", "hex", 0), 31);
    EXPECT_EQ(ini.ReadInteger("N", "dollar", 0), 16);
    EXPECT_EQ(ini.ReadInteger("N", "bad", 7), 7);
    EXPECT_EQ(ini.ReadInteger("N", "neg", 0), -5);
    EXPECT_TRUE(ini.ReadBool("N", "b2", false));
    EXPECT_FALSE(ini.ReadBool("N", "b0", true));
    EXPECT_TRUE(ini.ReadBool("N", "missing", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "f", 0), 3.25);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "fbad", 1.5), 1.5);
    EXPECT_DOUBLE_EQ(ini.ReadDate("N", "d", 0), EncodeDate(2026, 12, 7));
    EXPECT_DOUBLE_EQ(ini.ReadDate("N", "dbad", 1), 1);
}

TEST_F(TIniFileRead, WrittenFormsReadBack)
{
    TIniFile ini(Name());
    TDateTime when = EncodeDate(2024, 3, 5) + EncodeTime(14, 30, 15, 0);
    ini.WriteFloat("V", "f", 150.5);
    ini.WriteDateTime("V", "dt", when);
    ini.WriteDate("V", "d", when);
    ini.WriteTime("V", "t", when);
    EXPECT_EQ(ini.ReadString("V", "f", ""), "150.5");
    EXPECT_NEAR(ini.ReadDateTime("V", "dt", 0), when, 1e-6);
    EXPECT_DOUBLE_EQ(ini.ReadDate("V", "d", 0), EncodeDate(2024, 3, 5));
    EXPECT_NEAR(ini.ReadTime("V", "t", 0), EncodeTime(14, 30, 15, 0), 1e-6);
}

TEST_F(TIniFileRead, SectionsKeysAndValuesInFileOrder)
{
    SetBytes("[B]\r\nz=1\r\n;c=no\r\nloose words\r\n a = 2\r\n[A]\r\n[C]\r\nk\r\n");
    TIniFile ini(Name());
    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(Lines(list), "B|A|C");
    ini.ReadSection("b", &list);
    EXPECT_EQ(Lines(list), "z|a");
    ini.ReadSectionValues("B", &list);
    EXPECT_EQ(Lines(list), "z=1|a=2");
    EXPECT_TRUE(ini.SectionExists("b"));
    EXPECT_FALSE(ini.SectionExists("A")); // a section without keys
    EXPECT_TRUE(ini.ValueExists("B", "A"));
    EXPECT_FALSE(ini.ValueExists("B", "c"));
}

TEST_F(TIniFileRead, LinesWithoutAnEqualsSignAreNoKeys)
{
    SetBytes("[C]\r\nk\r\nx=1\r\n[D]\r\nonly words\r\n");
    TIniFile ini(Name());
    TStringList list;
    ini.ReadSection("C", &list);
    EXPECT_EQ(Lines(list), "x");
    EXPECT_FALSE(ini.ValueExists("C", "k"));
    EXPECT_EQ(ini.ReadString("C", "k", "none"), "none");
    EXPECT_FALSE(ini.SectionExists("D"));
    // Writing such a name adds a key and leaves the loose line alone.
    ini.WriteString("C", "k", "2");
    EXPECT_EQ(Bytes(), "[C]\r\nk\r\nx=1\r\nk=2\r\n[D]\r\nonly words\r\n");
    EXPECT_EQ(ini.ReadString("C", "k", "none"), "2");
}

TEST(ProfileTextLines, EveryLineTheReaderTakesCountsAsAProfileLine)
{
    const rtl::ProfileText text("; note\r\n\r\n[A\r\nk=1\r\n  [B] after\r\n=empty\r\nj = 2");
    EXPECT_TRUE(text.OnlyProfileLines());
    EXPECT_EQ(text.Value("A", "k"), AnsiString("1"));
    EXPECT_EQ(text.Value("b", "J"), AnsiString("2"));

    const rtl::ProfileText loose("[A]\r\nk=1\r\nloose words\r\n");
    EXPECT_FALSE(loose.OnlyProfileLines());
    EXPECT_TRUE(rtl::ProfileText().OnlyProfileLines());
}

// ---------------------------------------------------------------------------

using TIniFileCache = IniFileTest;

TEST_F(TIniFileCache, UnchangedFileIsNotReadAgain)
{
    SetBytes("[S]\r\na=1\r\n");
    TIniFile ini(Name());
    EXPECT_EQ(ini.ReadString("S", "a", ""), "1");
    // Other bytes of the same length behind the old time stamp: only a read of
    // the file could see them.
    struct stat before;
    ASSERT_EQ(::stat(Path.c_str(), &before), 0);
    {
        std::fstream file(Path, std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(7);
        file.put('9');
    }
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, Path.c_str(), times, 0), 0);
    ASSERT_EQ(Bytes(), "[S]\r\na=9\r\n");
    EXPECT_EQ(ini.ReadString("S", "a", ""), "1");
    // A write starts from what this object holds, and the file gets all of it.
    ini.WriteString("S", "b", "2");
    EXPECT_EQ(Bytes(), "[S]\r\na=1\r\nb=2\r\n");
}

TEST_F(TIniFileCache, ChangedOrReplacedFileIsReadAgain)
{
    SetBytes("[S]\r\na=1\r\n");
    TIniFile ini(Name());
    EXPECT_EQ(ini.ReadString("S", "a", ""), "1");
    SetBytes("[S]\r\na=22\r\n");
    EXPECT_EQ(ini.ReadString("S", "a", ""), "22");

    // The same length and, within the clock's step, the same time: a new file
    // in its place still shows.
    std::string other = Path + ".new";
    std::ofstream(other, std::ios::binary) << "[S]\r\na=33\r\n";
    ASSERT_EQ(std::rename(other.c_str(), Path.c_str()), 0);
    EXPECT_EQ(ini.ReadString("S", "a", ""), "33");

    std::remove(Path.c_str());
    EXPECT_EQ(ini.ReadString("S", "a", "gone"), "gone");
}

TEST_F(TIniFileCache, WritesThroughAnotherObjectShowAtOnce)
{
    TIniFile first(Name());
    TIniFile second(Name());
    first.WriteString("S", "a", "1");
    EXPECT_EQ(second.ReadString("S", "a", ""), "1");
    // Same length, well within one step of the file system's clock.
    for (char c = '2'; c <= '9'; ++c) {
        first.WriteString("S", "a", AnsiString(std::string(1, c)));
        ASSERT_EQ(second.ReadString("S", "a", ""), AnsiString(std::string(1, c)));
    }
}

TEST_F(TIniFileCache, ReadersNeverSeeAWriteHalfDone)
{
    // Enough lines that writing them takes a while.
    std::string bytes = "[A]\r\nk=0\r\n[B]\r\n";
    for (int i = 0; i < 4000; ++i)
        bytes += "key" + std::to_string(i) + "=some value to make the line longer\r\n";
    SetBytes(bytes);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        TIniFile ini(Name());
        for (int i = 0; i < 200; ++i)
            ini.WriteInteger("A", "k", i % 2 ? 1 : 22);
        done = true;
    });
    TIniFile reader(Name());
    TStringList list;
    int reads = 0, torn = 0;
    while (!done || reads == 0) {
        reader.ReadSections(&list);
        if (Lines(list) != "A|B") ++torn;
        ++reads;
    }
    writer.join();
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
}

// ---------------------------------------------------------------------------

using TMemIniFileData = IniFileTest;

TEST_F(TMemIniFileData, LoadsTrimmedAndWritesOnlyOnUpdate)
{
    SetBytes("; comment\r\n[Main]\r\n  Left = 100 \r\nplain\r\n\r\n[Second]\r\nk=v\r\n");
    TMemIniFile ini(Name());
    EXPECT_EQ(ini.ReadString("MAIN", "left", ""), "100");
    ini.WriteString("Main", "Top", "5");
    ini.WriteString("Third", "x", "1");
    EXPECT_EQ(Bytes(), "; comment\r\n[Main]\r\n  Left = 100 \r\nplain\r\n\r\n[Second]\r\nk=v\r\n");
    ini.UpdateFile();
    EXPECT_EQ(Bytes(), "[Main]\r\nLeft=100\r\nplain\r\nTop=5\r\n\r\n[Second]\r\nk=v\r\n\r\n"
                       "[Third]\r\nx=1\r\n\r\n");
}

TEST_F(TMemIniFileData, LinesOutsideTheSectionsAndAfterANulAreWrittenBack)
{
    SetBytes(std::string("stray text\r\n[broken\r\n[Main]\r\nLeft=1\r\nbad\0line\r\n"
                         "[Later]\r\nk=v\r\n",
                         61));
    TMemIniFile ini(Name());
    EXPECT_EQ(ini.ReadString("Later", "k", "none"), "v");
    ini.WriteString("Main", "Top", "2");
    ini.UpdateFile();
    EXPECT_EQ(Bytes(), std::string("stray text\r\n[broken\r\n[Main]\r\nLeft=1\r\nbad\0line\r\n"
                                   "Top=2\r\n\r\n[Later]\r\nk=v\r\n\r\n",
                                   72));
}

TEST_F(TMemIniFileData, FileThatCannotBeReadRaisesAndIsNotReplaced)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads whatever the modes; the unprivileged pass runs this";
    const std::string before = "[S]\r\na=1\r\n";
    SetBytes(before);
    chmod(Path.c_str(), 0200);
    EXPECT_THROW(TMemIniFile{Name()}, EFOpenError);
    TMemIniFile ini("");
    ini.WriteString("Other", "b", "2");
    EXPECT_THROW(ini.Rename(Name(), true), EFOpenError);
    EXPECT_EQ(ini.FileName(), "");
    EXPECT_EQ(ini.ReadString("Other", "b", "none"), "2");
    chmod(Path.c_str(), 0600);
    EXPECT_EQ(Bytes(), before);
}

TEST_F(TMemIniFileData, FileAboveTheLimitRaisesNamingItAndIsNotReplaced)
{
    ASSERT_NO_FATAL_FAILURE(testsupport::MakeSparseFile(Path, 8 * testsupport::GiB));
    try {
        TMemIniFile ini(Name());
        FAIL() << "no exception";
    } catch (const EFOpenError &e) {
        EXPECT_EQ(e.Message(), "Cannot open file \"" + Name() + "\". " +
                                   SysErrorMessage(rtl::TooLargeFileError));
    }
    EXPECT_EQ(std::filesystem::file_size(Path), 8 * testsupport::GiB);
}

TEST_F(TMemIniFileData, SectionOperations)
{
    TMemIniFile ini(Name());
    ini.WriteString("A", "one", "1");
    ini.WriteString("A", "two", "2");
    ini.WriteString("B", "three", "3");
    ini.WriteString("a", "ONE", "11");
    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(Lines(list), "A|B");
    ini.ReadSectionValues("A", &list);
    EXPECT_EQ(Lines(list), "ONE=11|two=2");
    ini.DeleteKey("A", "two");
    ini.ReadSection("A", &list);
    EXPECT_EQ(Lines(list), "ONE");
    ini.EraseSection("b");
    EXPECT_FALSE(ini.SectionExists("B"));
    EXPECT_EQ(ini.ReadInteger("A", "one", 0), 11);
}

TEST_F(TMemIniFileData, RenameWithReloadReadsTheOtherFile)
{
    SetBytes("[S]\r\nk=from file\r\n");
    TMemIniFile ini("");
    EXPECT_EQ(ini.ReadString("S", "k", "none"), "none");
    ini.Rename(Name(), true);
    EXPECT_EQ(ini.ReadString("S", "k", "none"), "from file");
}
