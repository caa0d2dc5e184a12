#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// Each test works in a fresh folder of its own under the temporary folder.
class FileRoutines : public testing::Test
{
protected:
    void SetUp() override
    {
        std::string tmpl = rtl::TempDirectory().ToUtf8() + "qrv4-files-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        FDir = AnsiString::FromUtf8(tmpl) + "/";
    }
    void TearDown() override { std::filesystem::remove_all(FDir.ToUtf8()); }

    AnsiString Make(const AnsiString &Name, const std::string &Content = "data")
    {
        std::ofstream(rtl::SystemPath(FDir + Name), std::ios::binary) << Content;
        return FDir + Name;
    }

    AnsiString FDir;
};

std::vector<AnsiString> FindAll(const AnsiString &Path, int Attr)
{
    std::vector<AnsiString> names;
    TSearchRec rec;
    for (int rc = FindFirst(Path, Attr, rec); rc == 0; rc = FindNext(rec))
        names.push_back(rec.Name);
    FindClose(rec);
    return names;
}

} // namespace

TEST(FileNames, ExtractParts)
{
    EXPECT_EQ(ExtractFilePath("/home/u/a.txt"), "/home/u/");
    EXPECT_EQ(ExtractFilePath("a.txt"), "");
    EXPECT_EQ(ExtractFileDir("/home/u/a.txt"), "/home/u");
    EXPECT_EQ(ExtractFileDir("/a.txt"), "/");
    EXPECT_EQ(ExtractFileName("/home/u/a.txt"), "a.txt");
    EXPECT_EQ(ExtractFileName("/home/u/"), "");
    EXPECT_EQ(ExtractFileExt("/home/u/a.tar.gz"), ".gz");
    EXPECT_EQ(ExtractFileExt("/home/u.d/readme"), "");
    EXPECT_EQ(ExtractFileExt("name."), ".");
}

TEST(FileNames, ChangeFileExtReplacesOrAppends)
{
    EXPECT_EQ(ChangeFileExt("report.fr3", ".prn"), "report.prn");
    EXPECT_EQ(ChangeFileExt("/x.d/report", ".rpd"), "/x.d/report.rpd");
    EXPECT_EQ(ChangeFileExt("a.b.c", ""), "a.b");
}

TEST(FileNames, TrailingDelimiters)
{
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp/"), "/tmp");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

TEST(FileNames, ExpandFileNameResolvesDots)
{
    EXPECT_EQ(ExpandFileName("/a/b/../c/./d"), "/a/c/d");
    EXPECT_EQ(ExpandFileName("/a/b/"), "/a/b/");
    EXPECT_EQ(ExpandFileName("/.."), "/");
    EXPECT_EQ(ExpandFileName("x.txt"), IncludeTrailingPathDelimiter(GetCurrentDir()) + "x.txt");
}

TEST_F(FileRoutines, ExistenceSizeAndDeletion)
{
    AnsiString file = Make("файл.cfg"_a, "12345");
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(FDir.ToUtf8()) / "файл.cfg"));
    EXPECT_FALSE(FileExists(FDir));
    EXPECT_TRUE(DirectoryExists(FDir));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_EQ(FileSizeByName(file), 5);
    EXPECT_EQ(FileSizeByName(FDir + "missing"), -1);
    EXPECT_EQ(FileSizeByName(FDir), -1);
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(FileExists(file));
    EXPECT_FALSE(DeleteFile(file));
}

TEST_F(FileRoutines, RenameNeverReplacesAnExistingFile)
{
    AnsiString a = Make("a.tmp", "new"), b = Make("b.dat", "old");
    EXPECT_FALSE(RenameFile(a, b));
    EXPECT_EQ(FileSizeByName(b), 3);
    EXPECT_TRUE(DeleteFile(b));
    EXPECT_TRUE(RenameFile(a, b));
    EXPECT_FALSE(FileExists(a));
    EXPECT_TRUE(FileExists(b));
}

TEST_F(FileRoutines, FoldersAndTheCurrentFolder)
{
    AnsiString deep = FDir + "x/y/z";
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_TRUE(ForceDirectories(deep + "/"));
    EXPECT_FALSE(CreateDir(deep));
    EXPECT_TRUE(RemoveDir(deep));
    AnsiString saved = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(FDir + "x"));
    EXPECT_EQ(GetCurrentDir(), ExpandFileName(FDir + "x"));
    EXPECT_TRUE(SetCurrentDir(saved));
    EXPECT_FALSE(SetCurrentDir(FDir + "none"));
}

TEST_F(FileRoutines, ReadOnlyMapsToTheWriteBits)
{
    AnsiString file = Make("ro.txt");
    EXPECT_EQ(FileGetAttr(file), faArchive);
    EXPECT_EQ(FileSetAttr(file, faReadOnly | faHidden), 0);
    struct stat info;
    ASSERT_EQ(::stat(file.ToUtf8().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH), 0u);
    EXPECT_EQ(FileGetAttr(file), faArchive | faReadOnly);
    EXPECT_EQ(FileSetAttr(file, faArchive), 0);
    EXPECT_EQ(FileGetAttr(file), faArchive);
    EXPECT_EQ(FileGetAttr(FDir), faDirectory);
    EXPECT_EQ(FileGetAttr(FDir + "none"), -1);
    EXPECT_NE(FileSetAttr(FDir + "none", 0), 0);
}

TEST_F(FileRoutines, HiddenAndSystemLeaveThePermissionsAlone)
{
    AnsiString file = Make("hidden.txt");
    const std::string path = file.ToUtf8();
    struct stat info;
    for (mode_t mode : {0444, 0640, 0600}) {
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        EXPECT_EQ(FileSetAttr(file, faHidden | faSysFile), 0);
        EXPECT_EQ(FileSetAttr(file, faHidden), 0);
        EXPECT_EQ(FileSetAttr(file, faSysFile | faArchive), 0);
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, mode);
    }
    // Read-only still counts alongside them.
    EXPECT_EQ(FileSetAttr(file, faReadOnly | faHidden | faSysFile), 0);
    EXPECT_EQ(FileGetAttr(file), faArchive | faReadOnly);
}

TEST_F(FileRoutines, TempFilesAreUniqueAndCreated)
{
    AnsiString a = rtl::CreateTempFile(FDir, "fr"), b = rtl::CreateTempFile(FDir, "fr");
    EXPECT_NE(a, b);
    EXPECT_TRUE(FileExists(a));
    EXPECT_EQ(FileSizeByName(a), 0);
    EXPECT_EQ(ExtractFilePath(a), FDir);
    EXPECT_EQ(ExtractFileName(a).SubString(1, 2), "fr");
    EXPECT_EQ(rtl::CreateTempFile(FDir + "none/", "fr"), "");
    AnsiString inTemp = rtl::CreateTempFile("", "fr");
    EXPECT_EQ(ExtractFilePath(inTemp), rtl::TempDirectory());
    DeleteFile(inTemp);
}

TEST_F(FileRoutines, FindFirstMatchesMasksIgnoringCase)
{
    Make("a.frc");
    Make("B.FRC");
    Make("c.frcx");
    Make("readme");
    ForceDirectories(FDir + "sub.frc");
    EXPECT_EQ(FindAll(FDir + "*.frc", faAnyFile & ~faDirectory),
              (std::vector<AnsiString>{"B.FRC", "a.frc"}));
    EXPECT_EQ(FindAll(FDir + "*.frc", faAnyFile),
              (std::vector<AnsiString>{"B.FRC", "a.frc", "sub.frc"}));
    EXPECT_EQ(FindAll(FDir + "*.*", 0).size(), 4u);
    EXPECT_EQ(FindAll(FDir + "?.frc", 0).size(), 2u);
    EXPECT_EQ(FindAll(FDir + "read*", 0), (std::vector<AnsiString>{"readme"}));
}

TEST_F(FileRoutines, FindReportsSizesAndErrors)
{
    Make("one.bin", "123");
    TSearchRec rec;
    ASSERT_EQ(FindFirst(FDir + "*.bin", faAnyFile, rec), 0);
    EXPECT_EQ(rec.Size, 3);
    EXPECT_EQ(rec.Attr, faArchive);
    EXPECT_NEAR(rec.TimeStamp, Now(), 1.0 / 24);
    EXPECT_EQ(FindNext(rec), rtl::NoMoreFilesCode);
    FindClose(rec);
    EXPECT_EQ(FindFirst(FDir + "*.none", faAnyFile, rec), rtl::FileNotFoundCode);
    EXPECT_EQ(FindFirst(FDir + "nofolder/*", faAnyFile, rec), rtl::PathNotFoundCode);
}
