#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/FileAccess.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/SparseFile.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

class FileContent : public testing::Test
{
protected:
    void SetUp() override { Folder = testsupport::FreshTestFolder("qrv4_whole_"); }
    void TearDown() override { testsupport::RemoveTestFolder(Folder); }

    static std::string Text(const fs::path &Path)
    {
        std::ifstream in(Path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path Make(const std::string &Name, const std::string &Content) const
    {
        std::ofstream(Folder / Name, std::ios::binary) << Content;
        return Folder / Name;
    }

    fs::path Folder;
};

} // namespace

TEST_F(FileContent, ReadTellsAMissingFileFromOneThatCannotBeRead)
{
    std::string bytes = "old";
    EXPECT_EQ(rtl::ReadFileContent(Make("book.dbf", std::string("a\0b", 3)), bytes,
                                   rtl::SettingsFileLimit),
              0);
    EXPECT_EQ(bytes, std::string("a\0b", 3));
    EXPECT_EQ(rtl::ReadFileContent(Folder / "missing", bytes, rtl::SettingsFileLimit), ENOENT);
    EXPECT_EQ(bytes, "");
    bytes = "old";
    EXPECT_EQ(rtl::ReadFileContent(Folder, bytes, rtl::SettingsFileLimit), EISDIR);
    EXPECT_EQ(bytes, "") << "nothing half read is handed on";
    // A file the system reports no size for is read to its end.
    EXPECT_EQ(rtl::ReadFileContent("/proc/self/status", bytes, rtl::SettingsFileLimit), 0);
    EXPECT_NE(bytes.find("Name:"), std::string::npos);
}

// A file of 8 GiB where settings of a few kilobytes were expected took all the memory it
// said it had: it is refused by its size, with not a byte of it read.
TEST_F(FileContent, AFileAboveTheLimitIsRefusedUnread)
{
    const fs::path huge = Folder / "qrv4.cfg";
    ASSERT_NO_FATAL_FAILURE(testsupport::MakeSparseFile(huge, 8 * testsupport::GiB));
    std::string bytes = "old";
    EXPECT_EQ(rtl::ReadFileContent(huge, bytes, rtl::SettingsFileLimit), rtl::TooLargeFileError);
    EXPECT_EQ(bytes, "");
    EXPECT_LT(bytes.capacity(), std::size_t(1) << 16) << "the file was read";
    EXPECT_EQ(fs::file_size(huge), 8 * testsupport::GiB);
}

TEST_F(FileContent, AFileOfTheLimitIsReadAndOneByteMoreIsNot)
{
    std::string bytes;
    EXPECT_EQ(rtl::ReadFileContent(Make("full", std::string(100, 'x')), bytes, 100), 0);
    EXPECT_EQ(bytes, std::string(100, 'x'));
    EXPECT_EQ(rtl::ReadFileContent(Make("over", std::string(101, 'x')), bytes, 100),
              rtl::TooLargeFileError);
    EXPECT_EQ(bytes, "");
}

// A file may hold more than its size says (the system's files say 0), or grow while it is
// read: the read stops one byte past the limit all the same.
TEST_F(FileContent, AFileLongerThanItSaysStopsAtTheLimit)
{
    std::string bytes;
    EXPECT_EQ(rtl::ReadFileContent("/proc/self/status", bytes, 16), rtl::TooLargeFileError);
    EXPECT_EQ(bytes, "");
}

TEST_F(FileContent, SourceThatCannotBeReadLeavesTheFileAsItWas)
{
    const fs::path book = Make("book.dbf", "the user's book");
    const fs::path source = Folder / "part";
    fs::create_directory(source);
    EXPECT_EQ(rtl::ReplaceFileContentFrom(book, source), EIO);
    EXPECT_EQ(Text(book), "the user's book");

    std::ofstream(Folder / "whole", std::ios::binary) << "new book";
    EXPECT_EQ(rtl::ReplaceFileContentFrom(book, Folder / "whole"), 0);
    EXPECT_EQ(Text(book), "new book");
}

// The new file beside a name of 240 bytes and more has a shorter name of its own, and what a
// killed save of it left is still known as such.
TEST_F(FileContent, LongestNamesAreReplacedAndTheirLeftoversKnown)
{
    std::string name;
    for (int i = 0; i < 125; ++i)
        name += "Ж";
    name += ".dbf";
    ASSERT_EQ(name.size(), 254u);
    const fs::path book = Make(name, "old");
    std::string made;
    rtl::ReplaceFileStep = [&](std::string_view Step) {
        if (Step != "flushed") return;
        for (const auto &entry : fs::directory_iterator(Folder))
            if (entry.path() != book) made = entry.path().filename().string();
    };
    EXPECT_EQ(rtl::ReplaceFileContent(book, "new"), 0);
    rtl::ReplaceFileStep = nullptr;
    EXPECT_EQ(Text(book), "new");
    ASSERT_FALSE(made.empty());
    EXPECT_LE(made.size(), 255u);

    // The same name as a process that is gone would have left it.
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string pid = std::to_string(getpid());
    const std::string left =
        made.replace(made.find("." + pid + "."), pid.size() + 2, "." + std::to_string(gone) + ".");
    Make(left, "half");
    rtl::RemoveStaleReplacements(rtl::FromSystemPath(book.string()));
    EXPECT_FALSE(fs::exists(Folder / left)) << left;
    EXPECT_EQ(Text(book), "new");
}
