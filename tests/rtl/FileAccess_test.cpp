#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/FileAccess.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestTerminal.h"
#include "tests/support/WaitingPipe.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace
{

namespace fs = std::filesystem;

// Links planted in a folder by one user and followed by a run of another: the test's user
// plants them and a run of someone else follows them (as root, the links and the files are
// given to a user first, since root's own links are followed anywhere).
class PlantedLinks : public testing::Test
{
protected:
    void SetUp() override
    {
        Folder = testsupport::FreshTestFolder("qrv4_links_");
        rtl::FileLeftAlone = [this](const std::string &Path, int Error) {
            Told.emplace_back(Path, Error);
        };
    }
    void TearDown() override
    {
        rtl::FileLeftAlone = nullptr;
        testsupport::RemoveTestFolder(Folder);
    }

    static std::string Text(const fs::path &Path)
    {
        std::ifstream in(Path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path Make(const std::string &Name, const std::string &Content) const
    {
        std::ofstream(Folder / Name, std::ios::binary) << Content;
        GiveToPlanter(Folder / Name);
        return Folder / Name;
    }
    fs::path Plant(const std::string &Name, const fs::path &Target) const
    {
        fs::create_symlink(Target, Folder / Name);
        GiveToPlanter(Folder / Name);
        return Folder / Name;
    }
    // A file of the test's user in a folder only that user may enter: root's own, as root, and
    // never the planter's.
    fs::path OwnSecret(const std::string &Name, const std::string &Content) const
    {
        const fs::path folder = Folder / "own";
        fs::create_directories(folder);
        fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace);
        std::ofstream(folder / Name, std::ios::binary) << Content;
        fs::permissions(folder / Name, fs::perms::owner_read | fs::perms::owner_write,
                        fs::perm_options::replace);
        return folder / Name;
    }
    static void GiveToPlanter(const fs::path &Path)
    {
        if (::geteuid() == 0) ASSERT_EQ(::lchown(Path.c_str(), Planter, Planter), 0);
    }
    // What a run of Runner reads of Path, or the error.
    static std::pair<int, std::string> ReadAs(const fs::path &Path)
    {
        int fd = -1;
        if (const int error = rtl::OpenFile(Path, O_RDONLY, 0, fd, Runner)) return {error, ""};
        std::string bytes(64, '\0');
        const ssize_t got = ::read(fd, bytes.data(), bytes.size());
        ::close(fd);
        bytes.resize(static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        return {0, bytes};
    }

    static inline const uid_t Planter = ::geteuid() == 0 ? 65534 : ::geteuid();
    static inline const uid_t Runner = Planter == 65534 ? 65533 : 65534;
    fs::path Folder;
    std::vector<std::pair<std::string, int>> Told;
};

} // namespace

TEST_F(PlantedLinks, AUsersLinkToTheirOwnFileIsFollowedByTheirRunAndAnothers)
{
    Make("mine.cfg", "mine");
    const fs::path link = Plant("qrv4.cfg", "mine.cfg");
    EXPECT_EQ(ReadAs(link), std::make_pair(0, std::string("mine")));
    int fd = -1;
    ASSERT_EQ(rtl::OpenFile(link, O_RDONLY, 0, fd), 0);
    ::close(fd);
    // A link on to a link of the same user, to the same user's file.
    Plant("again.cfg", "qrv4.cfg");
    EXPECT_EQ(ReadAs(Folder / "again.cfg"), std::make_pair(0, std::string("mine")));
    EXPECT_TRUE(Told.empty());
}

TEST_F(PlantedLinks, AnotherUsersLinkToAFileNotTheirsIsNeitherReadNorWritten)
{
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a file that is not the planter's";
    const std::string secret = "root:x:0:0:root:/root:/bin/sh\n";
    const fs::path roots = OwnSecret("passwd", secret);
    const fs::path link = Plant("qrv4.cfg", roots);
    EXPECT_EQ(ReadAs(link).first, rtl::ForeignLinkError);
    int fd = -1;
    EXPECT_EQ(rtl::OpenFile(link, O_WRONLY | O_TRUNC, 0, fd, Runner), rtl::ForeignLinkError);
    EXPECT_EQ(fd, -1);
    EXPECT_EQ(Text(roots), secret);
    // Through a second link, of the same user, it is still a file not theirs.
    Plant("again.cfg", "qrv4.cfg");
    EXPECT_EQ(ReadAs(Folder / "again.cfg").first, rtl::ForeignLinkError);
    EXPECT_EQ(Told, (std::vector<std::pair<std::string, int>>{
                        {link.string(), rtl::ForeignLinkError},
                        {link.string(), rtl::ForeignLinkError},
                        {(Folder / "again.cfg").string(), rtl::ForeignLinkError}}));
}

TEST_F(PlantedLinks, NoFileIsMadeThroughAnotherUsersLinkToNothing)
{
    fs::create_directory(Folder / "elsewhere");
    const fs::path link = Plant("grid_archive.txt", Folder / "elsewhere" / "made.txt");
    EXPECT_EQ(ReadAs(link).first, ENOENT) << "reading finds no file, and says so only then";
    EXPECT_TRUE(Told.empty());
    int fd = -1;
    EXPECT_EQ(rtl::OpenFile(link, O_WRONLY | O_CREAT, 0644, fd, Runner), rtl::DanglingLinkError);
    EXPECT_FALSE(fs::exists(Folder / "elsewhere" / "made.txt"));
    EXPECT_EQ(Told,
              (std::vector<std::pair<std::string, int>>{{link.string(), rtl::DanglingLinkError}}));
}

// The user's own link to a file not there yet is their choice: a save makes the file there,
// and the link stays.
TEST_F(PlantedLinks, TheRunnersOwnLinkToNothingIsWrittenThrough)
{
    fs::create_directory(Folder / "kept");
    fs::create_symlink("kept/qrv4.cfg", Folder / "qrv4.cfg");
    EXPECT_EQ(rtl::ReplaceFileContent(Folder / "qrv4.cfg", "settings"), 0);
    EXPECT_TRUE(fs::is_symlink(Folder / "qrv4.cfg"));
    EXPECT_EQ(Text(Folder / "kept" / "qrv4.cfg"), "settings");
}

// A pipe chosen as a file waited in open() until something wrote to it.
TEST_F(PlantedLinks, APipeIsRefusedAtOnceAsNoFile)
{
    int fd = -1, error = 0;
    {
        const testsupport::WaitingPipe pipe(Folder / "book.dbf");
        ASSERT_TRUE(pipe.Made());
        error = rtl::OpenFile(Folder / "book.dbf", O_RDONLY, 0, fd);
    }
    if (fd >= 0) ::close(fd);
    EXPECT_EQ(error, rtl::NotRegularFileError);
    const testsupport::TestTerminal terminal;
    ASSERT_FALSE(terminal.Path().empty());
    std::string bytes;
    EXPECT_EQ(rtl::ReadFileContent(terminal.Path(), bytes), rtl::NotRegularFileError);
    EXPECT_EQ(rtl::ReadFileContent(Folder, bytes), EISDIR);
}

// The copy of a file only its owner could read is the owner's alone too.
TEST_F(PlantedLinks, ACopyIsReadByNoMoreUsersThanItsSource)
{
    const fs::path source = Folder / "qrv4.cfg";
    std::ofstream(source) << "secret";
    ASSERT_EQ(::chmod(source.c_str(), 0600), 0);
    struct stat info;
    std::string bytes;
    ASSERT_EQ(rtl::ReadFileContent(source, bytes, &info), 0);
    std::ofstream(Folder / "qrv4.cfg.bad") << "older";
    ASSERT_EQ(::chmod((Folder / "qrv4.cfg.bad").c_str(), 0644), 0);
    ASSERT_EQ(rtl::ReplaceFileContentLike(rtl::FromSystemPath((Folder / "qrv4.cfg.bad").string()),
                                          bytes, info),
              0);
    struct stat copy;
    ASSERT_EQ(::stat((Folder / "qrv4.cfg.bad").c_str(), &copy), 0);
    EXPECT_EQ(copy.st_mode & 07777, 0600u);
    EXPECT_EQ(copy.st_uid, info.st_uid);
    EXPECT_EQ(Text(Folder / "qrv4.cfg.bad"), "secret");
}
