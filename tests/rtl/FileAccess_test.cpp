#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/FileAccess.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/TestFolder.h"
#include "tests/support/TestTerminal.h"
#include "tests/support/WaitingPipe.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The test's current folder, entered again when it ends, whatever the test did.
struct KeptCurrentFolder {
    fs::path Kept = fs::current_path();
    ~KeptCurrentFolder() { fs::current_path(Kept); }
};

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
        rtl::HoldBaseFolder("");
        rtl::FileLeftAlone = nullptr;
        testsupport::RemoveTestFolder(Folder);
    }

    static std::vector<std::string> Names(const fs::path &Path)
    {
        std::vector<std::string> names;
        for (const fs::directory_entry &entry : fs::directory_iterator(Path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
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
    fs::path MakeFolder(const std::string &Name) const
    {
        fs::create_directory(Folder / Name);
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
        if (::geteuid() == 0) {
            ASSERT_EQ(::lchown(Path.c_str(), Planter, Planter), 0);
        }
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

    // The folder Work held as the base folder, then renamed to Moved while the run goes on,
    // and a link to the folder Other, which the run's own user made, put in its place.
    static void HoldThenSwap(const fs::path &Work, const fs::path &Moved, const fs::path &Other)
    {
        ASSERT_EQ(rtl::HoldBaseFolder(Work.string()), 0);
        fs::rename(Work, Moved);
        fs::create_directory(Other);
        fs::create_symlink(Other, Work);
    }
    // What FindFirst finds for Mask.
    static std::vector<std::string> Found(const fs::path &Mask)
    {
        std::vector<std::string> names;
        TSearchRec found;
        for (int result = FindFirst(rtl::FromSystemPath(Mask.string()), faAnyFile, found);
             result == 0; result = FindNext(found))
            names.push_back(found.Name.ToUtf8());
        FindClose(found);
        return names;
    }
    static AnsiString Name(const fs::path &Path) { return rtl::FromSystemPath(Path.string()); }

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

// A folder in a path may be a link too: another user's is followed into that user's folder.
TEST_F(PlantedLinks, AUsersLinkToTheirOwnFolderIsFollowedByAnothersRun)
{
    MakeFolder("theirs");
    Make("theirs/book.dbf", "theirs");
    Plant("books", "theirs");
    EXPECT_EQ(ReadAs(Folder / "books" / "book.dbf"), std::make_pair(0, std::string("theirs")));
    // A link to a file, whose target's folder is such a link.
    Plant("book.dbf", "books/book.dbf");
    EXPECT_EQ(ReadAs(Folder / "book.dbf"), std::make_pair(0, std::string("theirs")));
    EXPECT_TRUE(Told.empty());
}

// A user who could not open root's folder made a link to it in the folder root ran the
// program in, and root's book there was replaced by a save to "books/book.dbf".
TEST_F(PlantedLinks, AnotherUsersLinkToAFolderNotTheirsLeadsNowhere)
{
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a folder that is not the planter's";
    const std::string secret = "root's book";
    const fs::path book = OwnSecret("book.dbf", secret);
    const fs::path books = Plant("books", book.parent_path());
    EXPECT_EQ(ReadAs(books / "book.dbf").first, rtl::ForeignLinkError);
    int fd = -1;
    EXPECT_EQ(rtl::OpenFile(books / "book.dbf", O_WRONLY | O_TRUNC, 0, fd, Runner),
              rtl::ForeignLinkError);
    EXPECT_EQ(fd, -1);
    // Root's own run, to which the planter is another user too.
    EXPECT_EQ(rtl::ReplaceFileContent(books / "book.dbf", "replaced"), rtl::ForeignLinkError);
    EXPECT_EQ(rtl::ReplaceFileContent(books / "new.dbf", "made"), rtl::ForeignLinkError);
    EXPECT_FALSE(DeleteFile(rtl::FromSystemPath((books / "book.dbf").string())));
    // The same folder through the target of a link to a file, and through a link to the link.
    Plant("book.dbf", "books/book.dbf");
    EXPECT_EQ(ReadAs(Folder / "book.dbf").first, rtl::ForeignLinkError);
    Plant("shelf", "books");
    EXPECT_EQ(ReadAs(Folder / "shelf" / "book.dbf").first, rtl::ForeignLinkError);
    EXPECT_EQ(Text(book), secret);
    EXPECT_EQ(Names(book.parent_path()), std::vector<std::string>{"book.dbf"});
    ASSERT_FALSE(Told.empty());
    for (const auto &[path, error] : Told)
        EXPECT_EQ(error, rtl::ForeignLinkError) << path;
    EXPECT_EQ(Told.back().first, (Folder / "shelf" / "book.dbf").string());
}

// Links of two users lead to a folder that cannot be both's.
TEST_F(PlantedLinks, AUsersLinkToAThirdUsersFolderLinkLeadsNowhere)
{
    if (::geteuid() != 0) GTEST_SKIP() << "only root can plant links of two users";
    constexpr uid_t Third = 65532;
    fs::create_directory(Folder / "third");
    std::ofstream(Folder / "third" / "book.dbf") << "third's";
    fs::create_symlink("third", Folder / "thirds");
    for (const char *name : {"third", "third/book.dbf", "thirds"})
        ASSERT_EQ(::lchown((Folder / name).c_str(), Third, Third), 0);
    EXPECT_EQ(ReadAs(Folder / "thirds" / "book.dbf"), std::make_pair(0, std::string("third's")));
    Plant("hop", "thirds");
    EXPECT_EQ(ReadAs(Folder / "hop" / "book.dbf").first, rtl::ForeignLinkError);
}

TEST_F(PlantedLinks, FolderLinksInACircleEndTheLookUp)
{
    fs::create_symlink("b", Folder / "a");
    fs::create_symlink("a/x", Folder / "b");
    rtl::TResolvedFile file;
    EXPECT_EQ(rtl::ResolveFile((Folder / "a" / "qrv4.cfg").string(), true, file), ELOOP);
    EXPECT_EQ(rtl::ResolveFile((Folder / "b").string(), true, file), ELOOP);
}

// The folder the program started in, renamed while it runs and another put in its place by
// its name, keeps every file the program writes, reads or takes away there.
TEST_F(PlantedLinks, TheBaseFolderKeepsItsFilesWhenAnotherTakesItsName)
{
    const fs::path work = Folder / "work", moved = Folder / "moved", other = Folder / "other";
    fs::create_directory(work);
    std::ofstream(work / "qrv4.cfg") << "settings";
    std::ofstream(work / "qrv4_debug_session.txt") << "debug";
    // The run's own link: only the folder held keeps the files from it.
    ASSERT_NO_FATAL_FAILURE(HoldThenSwap(work, moved, other));
    const std::vector<std::string> others = {"grid_writer.txt", "qrv4.cfg",
                                             "qrv4_debug_session.txt"};
    for (const std::string &name : others)
        std::ofstream(other / name) << "other's";
    EXPECT_FALSE(FileExists(rtl::FromSystemPath((work / "grid_writer.txt").string())));

    std::string bytes;
    EXPECT_EQ(rtl::ReadFileContent(work / "qrv4.cfg", bytes, rtl::SettingsFileLimit), 0);
    EXPECT_EQ(bytes, "settings");
    EXPECT_EQ(rtl::ReplaceFileContent(work / "qrv4.cfg", "new"), 0);
    EXPECT_EQ(rtl::ReplaceFileContent(work / "grid_archive.txt", "made"), 0);
    EXPECT_TRUE(DeleteFile(rtl::FromSystemPath((work / "qrv4_debug_session.txt").string())));
    {
        const KeptCurrentFolder kept;
        ASSERT_TRUE(SetCurrentDir(rtl::FromSystemPath(work.string())));
        EXPECT_TRUE(fs::equivalent(fs::current_path(), moved));
    }

    // The folder's own name names the folder held too.
    rtl::TResolvedFile itself;
    ASSERT_EQ(rtl::ResolveFile(work.string(), false, itself), 0);
    struct stat held {
    }, started{};
    ASSERT_EQ(::fstatat(itself.Folder(), itself.Name().c_str(), &held, 0), 0);
    ASSERT_EQ(::stat(moved.c_str(), &started), 0);
    EXPECT_EQ(held.st_ino, started.st_ino);

    EXPECT_EQ(Names(moved), (std::vector<std::string>{"grid_archive.txt", "qrv4.cfg"}));
    EXPECT_EQ(Text(moved / "qrv4.cfg"), "new");
    EXPECT_EQ(Text(moved / "grid_archive.txt"), "made");
    EXPECT_EQ(Names(other), others);
    for (const std::string &name : others)
        EXPECT_EQ(Text(other / name), "other's") << name;
}

// Names given, folders made, taken away and listed in the folder the program started in, after
// another took its name: a spoilt settings file kept under a new name, a folder of books made.
TEST_F(PlantedLinks, TheBaseFolderKeepsItsNamesAndFoldersWhenAnotherTakesItsName)
{
    const fs::path work = Folder / "work", moved = Folder / "moved", other = Folder / "other";
    fs::create_directory(work);
    std::ofstream(work / "qrv4.cfg") << "spoilt";
    std::ofstream(work / "qrv4.cfg.bad") << "spoilt before";
    std::ofstream(work / "english.frc") << "resources";
    fs::create_directory(work / "old");
    ASSERT_NO_FATAL_FAILURE(HoldThenSwap(work, moved, other));
    std::ofstream(other / "qrv4.cfg") << "other's";
    std::ofstream(other / "german.frc") << "other's";
    fs::create_directory(other / "old");

    EXPECT_FALSE(RenameFile(Name(work / "qrv4.cfg"), Name(work / "qrv4.cfg.bad")))
        << "a move takes no name that is there";
    EXPECT_EQ(rtl::RenameName(work / "qrv4.cfg", work / "qrv4.cfg.bad", true), 0);
    EXPECT_TRUE(RenameFile(Name(work / "qrv4.cfg.bad"), Name(work / "qrv4.cfg.old")));
    EXPECT_TRUE(CreateDir(Name(work / "books")));
    EXPECT_TRUE(ForceDirectories(Name(work / "books" / "2026")));
    EXPECT_TRUE(RemoveDir(Name(work / "old")));
    EXPECT_EQ(Found(work / "*.frc"), std::vector<std::string>{"english.frc"});

    EXPECT_EQ(Names(moved), (std::vector<std::string>{"books", "english.frc", "qrv4.cfg.old"}));
    EXPECT_EQ(Names(moved / "books"), std::vector<std::string>{"2026"});
    EXPECT_EQ(Text(moved / "qrv4.cfg.old"), "spoilt");
    EXPECT_EQ(Names(other), (std::vector<std::string>{"german.frc", "old", "qrv4.cfg"}));
    EXPECT_EQ(Text(other / "qrv4.cfg"), "other's");
}

// A settings file changed by another program is read again when it changes where the reads go,
// not where the base folder's name leads now.
TEST_F(PlantedLinks, AProfileFileInTheBaseFolderIsReadAgainWhenItChangesThere)
{
    const fs::path work = Folder / "work", moved = Folder / "moved", other = Folder / "other";
    fs::create_directory(work);
    std::ofstream(work / "frx.ini") << "[Form]\nLeft=1\n";
    ASSERT_NO_FATAL_FAILURE(HoldThenSwap(work, moved, other));
    std::ofstream(other / "frx.ini") << "[Form]\nLeft=7\n";
    TIniFile ini(Name(work / "frx.ini"));
    EXPECT_EQ(ini.ReadInteger("Form", "Left", 0), 1);
    std::ofstream(moved / "frx.ini") << "[Form]\nLeft=100\n";
    EXPECT_EQ(ini.ReadInteger("Form", "Left", 0), 100);
    EXPECT_EQ(Text(other / "frx.ini"), "[Form]\nLeft=7\n");
}

// A handler that keeps the current folder goes back to the folder it was in, not to where that
// folder's name leads by its end.
TEST_F(PlantedLinks, TheCurrentFolderKeptIsEnteredAgainWhenAnotherTakesItsName)
{
    const fs::path work = Folder / "work", moved = Folder / "moved", other = Folder / "other";
    fs::create_directory(work);
    fs::create_directory(other);
    const KeptCurrentFolder kept;
    fs::current_path(work);
    {
        const rtl::TCurrentDirKeeper keeper;
        fs::current_path(Folder);
        fs::rename(work, moved);
        fs::create_symlink(other, work);
    }
    EXPECT_TRUE(fs::equivalent(fs::current_path(), moved));
}

// Root's folder, which a user's link leads to, keeps its names: nothing is renamed into it or
// out of it, no folder is made or taken away in it, and its names are not listed.
TEST_F(PlantedLinks, AnotherUsersLinkToAFolderNotTheirsTakesNoNameOrFolderAndListsNothing)
{
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a folder that is not the planter's";
    const fs::path book = OwnSecret("book.dbf", "root's book");
    const fs::path own = book.parent_path();
    fs::create_directory(own / "sub");
    const fs::path books = Plant("books", own);
    Make("mine.dbf", "planter's");

    EXPECT_FALSE(RenameFile(Name(books / "book.dbf"), Name(books / "book.bak")));
    EXPECT_FALSE(RenameFile(Name(books / "book.dbf"), Name(Folder / "taken.dbf")));
    EXPECT_FALSE(RenameFile(Name(Folder / "mine.dbf"), Name(books / "mine.dbf")));
    EXPECT_EQ(rtl::RenameName(Folder / "mine.dbf", books / "book.dbf", true),
              rtl::ForeignLinkError);
    EXPECT_FALSE(CreateDir(Name(books / "new")));
    EXPECT_FALSE(ForceDirectories(Name(books / "new" / "deeper")));
    EXPECT_FALSE(RemoveDir(Name(books / "sub")));
    EXPECT_TRUE(Found(books / "*").empty());

    EXPECT_EQ(Names(own), (std::vector<std::string>{"book.dbf", "sub"}));
    EXPECT_EQ(Text(book), "root's book");
    EXPECT_EQ(Names(Folder), (std::vector<std::string>{"books", "mine.dbf", "own"}));
    ASSERT_FALSE(Told.empty());
    for (const auto &[path, error] : Told)
        EXPECT_EQ(error, rtl::ForeignLinkError) << path;
    EXPECT_EQ(Told.back().first, (books / "").string()) << "the folder listed";
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
    EXPECT_EQ(rtl::ReadFileContent(terminal.Path(), bytes, rtl::SettingsFileLimit),
              rtl::NotRegularFileError);
    EXPECT_EQ(rtl::ReadFileContent(Folder, bytes, rtl::SettingsFileLimit), EISDIR);
}

// The copy of a file only its owner could read is the owner's alone too.
TEST_F(PlantedLinks, ACopyIsReadByNoMoreUsersThanItsSource)
{
    const fs::path source = Folder / "qrv4.cfg";
    std::ofstream(source) << "secret";
    ASSERT_EQ(::chmod(source.c_str(), 0600), 0);
    struct stat info;
    std::string bytes;
    ASSERT_EQ(rtl::ReadFileContent(source, bytes, rtl::SettingsFileLimit, &info), 0);
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
