#include "platform/rtl/AtomicFile.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>

namespace
{

namespace fs = std::filesystem;

class FileContent : public testing::Test
{
protected:
    void SetUp() override { Folder = testsupport::FreshTestFolder("qrv4_whole_"); }
    void TearDown() override { fs::remove_all(Folder); }

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
