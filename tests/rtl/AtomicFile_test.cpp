#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"
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
    EXPECT_EQ(rtl::ReadFileContent(Make("book.dbf", std::string("a\0b", 3)), bytes), 0);
    EXPECT_EQ(bytes, std::string("a\0b", 3));
    EXPECT_EQ(rtl::ReadFileContent(Folder / "missing", bytes), ENOENT);
    EXPECT_EQ(bytes, "");
    bytes = "old";
    EXPECT_EQ(rtl::ReadFileContent(Folder, bytes), EISDIR);
    EXPECT_EQ(bytes, "") << "nothing half read is handed on";
    // A file the system reports no size for is read to its end.
    EXPECT_EQ(rtl::ReadFileContent("/proc/self/status", bytes), 0);
    EXPECT_NE(bytes.find("Name:"), std::string::npos);
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
