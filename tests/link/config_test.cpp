#include "link/config.h"
#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/SparseFile.h"
#include "tests/support/TestFolder.h"
#include "tests/support/WaitingPipe.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{

// Each test works in a folder of its own, made the current one while the
// configuration object is built.
class ConfigTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Folder = testsupport::FreshTestFolder("qrv4_cfg_");
        Previous = std::filesystem::current_path();
        std::filesystem::current_path(Folder);
    }
    void TearDown() override
    {
        std::filesystem::current_path(Previous);
        testsupport::RemoveTestFolder(Folder);
    }

    std::string Bytes() const
    {
        std::ifstream in(Folder / "qrv4.cfg", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void SetBytes(const std::string &Bytes) const
    {
        std::ofstream(Folder / "qrv4.cfg", std::ios::binary) << Bytes;
    }

    std::filesystem::path Folder;
    std::filesystem::path Previous;
};

const std::string DefaultFile = "[FILES]\r\nBios_file=\r\nFonts_file=\r\n"
                                "[COM]\r\nCOM_port=1\r\nCOM_speed=9600\r\n"
                                "[COMPANY]\r\nSellerName=\xCE\xCE\xCE \xD4\xE8\xF0\xEC\xE0\r\n"
                                "SellerAddress=\xE0\xE4\xF0\xE5\xF1 \xC2\xE0\xF8\xE5\xE9 "
                                "\xF4\xE8\xF0\xEC\xFB\r\n"
                                "SellerBank=\xC8\xCD\xCD, \xCA\xCF\xCF, \xF0\xE5\xEA\xE2\xE8"
                                "\xE7\xE8\xF2\xFB \xF4\xE8\xF0\xEC\xFB\r\n"
                                "[PRODUCT]\r\nProductName=\xC4\xEE\xEC\xEE\xF4\xEE\xED\xED"
                                "\xFB\xE9 \xEA\xEB\xFE\xF7\r\nTypeKey=1\r\nKeyHex=1\r\n"
                                "[PRICE]\r\nPriceDallas=100\r\nPriceMetacom=200\r\n"
                                "PriceCyfral=300\r\nPriceProxy=400\r\n"
                                "[COUNTERS]\r\nCountTovcheck=1\r\n"
                                "[COORD]\r\nLeft=100\r\nTop=100\r\n";

} // namespace

TEST_F(ConfigTest, BaseFolderIsTheCurrentFolderAtConstruction)
{
    TConfig cfg("qrv4.cfg");
    AnsiString folder = rtl::FromSystemPath(Folder.string());
    EXPECT_EQ(cfg.BaseDir, folder);
    EXPECT_EQ(cfg.GetBaseDir(), folder + "/");
    EXPECT_EQ(cfg.DebugFile, folder + "/qrv4_debug_session.txt");
    std::filesystem::current_path(Previous);
    EXPECT_EQ(cfg.GetBaseDir(), folder + "/");
    ReadConfig(cfg);
    EXPECT_TRUE(std::filesystem::exists(Folder / "qrv4.cfg"));
}

TEST_F(ConfigTest, MissingFileIsWrittenWithEveryDefaultInCp1251)
{
    TConfig cfg("qrv4.cfg");
    EXPECT_FALSE(ReadConfig(cfg));
    EXPECT_EQ(Bytes(), DefaultFile);
    EXPECT_TRUE(ReadConfig(cfg));
    EXPECT_EQ(cfg.SellerName, "ООО Фирма"_a);
    EXPECT_EQ(cfg.PriceProxy, 400.0);
    EXPECT_EQ(Bytes(), DefaultFile);
}

TEST_F(ConfigTest, ValuesSurviveAWriteAndRead)
{
    TConfig cfg("qrv4.cfg");
    cfg.Bios_file = "/home/user/прошивка_firmware.qrv"_a;
    cfg.COM_port = 5;
    cfg.COM_speed = 57600;
    cfg.SellerName = "ИП Иванов"_a;
    cfg.PriceCyfral = 150.5;
    cfg.CountTovcheck = 42;
    cfg.TypeKey = false;
    cfg.Left = -20;
    cfg.Top = 300;
    WriteConfig(cfg);
    EXPECT_NE(Bytes().find("PriceCyfral=150.5\r\n"), std::string::npos);
    EXPECT_NE(Bytes().find("TypeKey=0\r\n"), std::string::npos);

    TConfig back("qrv4.cfg");
    EXPECT_TRUE(ReadConfig(back));
    EXPECT_EQ(back.Bios_file, cfg.Bios_file);
    EXPECT_EQ(back.COM_port, 5);
    EXPECT_EQ(back.COM_speed, 57600);
    EXPECT_EQ(back.SellerName, cfg.SellerName);
    EXPECT_EQ(back.PriceCyfral, 150.5);
    EXPECT_EQ(back.CountTovcheck, 42);
    EXPECT_FALSE(back.TypeKey);
    EXPECT_TRUE(back.KeyHex);
    EXPECT_EQ(back.Left, -20);
    EXPECT_EQ(back.Top, 300);
}

// Company names are written in quotes; a profile file drops a pair of them, and blanks
// around a value, when it is read.
TEST_F(ConfigTest, TextsInQuotesOrBlanksReadBackAsTheyWere)
{
    TConfig cfg("qrv4.cfg");
    cfg.SellerName = "\"Ромашка\""_a;
    cfg.SellerAddress = "  дом 5 "_a;
    cfg.SellerBank = "'банк'"_a;
    cfg.ProductName = "Ключ \"Даллас\""_a;
    ASSERT_EQ(WriteConfig(cfg), 0);
    EXPECT_NE(Bytes().find("ProductName="_a.ToStd() + cfg.ProductName.ToStd() + "\r\n"),
              std::string::npos)
        << "a text that needs no quotes is written as it stands";

    TConfig back("qrv4.cfg");
    EXPECT_TRUE(ReadConfig(back));
    EXPECT_FALSE(back.Damaged);
    EXPECT_EQ(back.SellerName, cfg.SellerName);
    EXPECT_EQ(back.SellerAddress, cfg.SellerAddress);
    EXPECT_EQ(back.SellerBank, cfg.SellerBank);
    EXPECT_EQ(back.ProductName, cfg.ProductName);
}

TEST_F(ConfigTest, MalformedNumbersTakeTheirFallbacks)
{
    SetBytes("[COM]\r\nCOM_port=abc\r\nCOM_speed=fast\r\n"
             "[PRODUCT]\r\nTypeKey=0\r\nKeyHex=yes\r\n"
             "[PRICE]\r\nPriceDallas=1,5\r\nPriceMetacom=abc\r\nPriceCyfral=\r\n"
             "[COUNTERS]\r\nCountTovcheck=x\r\n[COORD]\r\nLeft=?\r\nTop=7\r\n");
    TConfig cfg("qrv4.cfg");
    cfg.COM_port = 4;
    cfg.CountTovcheck = 9;
    cfg.Left = 50;
    EXPECT_TRUE(ReadConfig(cfg));
    EXPECT_EQ(cfg.COM_port, 1);
    EXPECT_EQ(cfg.COM_speed, 9600);
    EXPECT_FALSE(cfg.TypeKey);
    EXPECT_TRUE(cfg.KeyHex);
    // Every price falls back to 100, whatever its own default.
    EXPECT_EQ(cfg.PriceDallas, 100.0);
    EXPECT_EQ(cfg.PriceMetacom, 100.0);
    EXPECT_EQ(cfg.PriceCyfral, 100.0);
    EXPECT_EQ(cfg.PriceProxy, 400.0);
    EXPECT_EQ(cfg.CountTovcheck, 1);
    EXPECT_EQ(cfg.Left, 100);
    EXPECT_EQ(cfg.Top, 7);
}

TEST_F(ConfigTest, MissingKeysKeepWhatTheObjectHeld)
{
    SetBytes("[COM]\r\nCOM_port=3\r\n");
    TConfig cfg("qrv4.cfg");
    cfg.Left = 640;
    cfg.TypeKey = false;
    cfg.PriceMetacom = 250;
    EXPECT_TRUE(ReadConfig(cfg));
    EXPECT_EQ(cfg.COM_port, 3);
    EXPECT_EQ(cfg.Left, 640);
    EXPECT_EQ(cfg.Top, 100);
    EXPECT_FALSE(cfg.TypeKey);
    EXPECT_EQ(cfg.PriceMetacom, 250.0);
    EXPECT_EQ(cfg.ProductName, "Домофонный ключ"_a);
}

TEST_F(ConfigTest, WritingKeepsForeignLinesAndRewritesKeysInPlace)
{
    SetBytes("; comment\r\n[COM]\r\nCOM_port=3\r\nExtra=1\r\n");
    TConfig cfg("qrv4.cfg");
    ReadConfig(cfg);
    cfg.COM_port = 8;
    WriteConfig(cfg);
    std::string bytes = Bytes();
    EXPECT_EQ(bytes.rfind("; comment\r\n[COM]\r\nCOM_port=8\r\nExtra=1\r\nCOM_speed=9600\r\n", 0),
              0u);
}

TEST_F(ConfigTest, ReadingAndWritingKeepTheFilePermissions)
{
    SetBytes(DefaultFile);
    const std::filesystem::path file = Folder / "qrv4.cfg";
    using std::filesystem::perms;
    for (perms mode : {perms::owner_read | perms::group_read | perms::others_read,
                       perms::owner_read | perms::owner_write}) {
        std::filesystem::permissions(file, mode);
        TConfig cfg("qrv4.cfg");
        EXPECT_TRUE(ReadConfig(cfg));
        EXPECT_EQ(std::filesystem::status(file).permissions(), mode);
        if ((mode & perms::owner_write) == perms::none) continue;
        WriteConfig(cfg);
        EXPECT_EQ(std::filesystem::status(file).permissions(), mode);
    }
}

// ---- saves that are cut short ----

namespace
{

// How a child process that ran Action ended, as waitpid reports it.
template <class F> int StatusOfChild(F Action)
{
    const pid_t child = fork();
    if (child == 0) {
        Action();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TConfig Changed()
{
    TConfig cfg("qrv4.cfg");
    cfg.SellerName = "ИП Петров"_a;
    cfg.PriceDallas = 123.5;
    cfg.CountTovcheck = 4711;
    return cfg;
}

} // namespace

TEST_F(ConfigTest, SaveKilledAfterAnyStepLeavesTheOldOrTheNewFileWhole)
{
    SetBytes(DefaultFile);
    std::string saved;
    {
        // What a save that runs to its end writes.
        const int status = StatusOfChild([] { WriteConfig(Changed()); });
        ASSERT_TRUE(WIFEXITED(status));
        saved = Bytes();
        ASSERT_NE(saved, DefaultFile);
    }
    int kills = 0;
    for (int stop = 1;; ++stop) {
        SetBytes(DefaultFile);
        const int status = StatusOfChild([stop] {
            int step = 0;
            rtl::ReplaceFileStep = [&](const char *) {
                if (++step == stop) raise(SIGKILL);
            };
            WriteConfig(Changed());
        });
        const std::string left = Bytes();
        EXPECT_TRUE(left == DefaultFile || left == saved) << "killed after step " << stop;
        if (!WIFSIGNALED(status)) break;
        ++kills;
    }
    EXPECT_GE(kills, 3) << "the writer stopped at too few steps to tell";
}

TEST_F(ConfigTest, SaveReplacesTheFileOnce)
{
    SetBytes(DefaultFile);
    int replaced = 0;
    rtl::ReplaceFileStep = [&](const std::string_view Step) { replaced += Step == "renamed"; };
    EXPECT_EQ(WriteConfig(Changed()), 0);
    rtl::ReplaceFileStep = nullptr;
    EXPECT_EQ(replaced, 1);
}

TEST_F(ConfigTest, SaveKilledAtRandomMomentsLeavesAWholeFile)
{
    TConfig first("qrv4.cfg");
    WriteConfig(first);
    const std::string one = Bytes();
    WriteConfig(Changed());
    const std::string two = Bytes();
    std::mt19937 random(20261208);
    for (int round = 0; round < 40; ++round) {
        const pid_t child = fork();
        if (child == 0)
            for (bool flip = false;; flip = !flip)
                WriteConfig(flip ? first : Changed());
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string left = Bytes();
        ASSERT_TRUE(left == one || left == two)
            << "round " << round << ": " << left.size() << " bytes";
    }
}

TEST_F(ConfigTest, FullDiskKeepsTheOldFileAndSaysSo)
{
    SetBytes(DefaultFile);
    int error = 0;
    {
        testsupport::FileSizeLimit full(64);
        error = WriteConfig(Changed());
    }
    EXPECT_EQ(error, EFBIG) << "the system's error comes back to be told";
    EXPECT_EQ(Bytes(), DefaultFile);
    std::size_t files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(Folder))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1u) << "the part written is not left behind";
}

TEST_F(ConfigTest, ReadOnlyFileOrFolderIsNotReplaced)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes whatever the modes; the unprivileged pass runs this";
    using std::filesystem::perms;
    const std::filesystem::path file = Folder / "qrv4.cfg";
    SetBytes(DefaultFile);
    std::filesystem::permissions(file, perms::owner_read);
    EXPECT_EQ(WriteConfig(Changed()), EACCES);
    EXPECT_EQ(Bytes(), DefaultFile);
    EXPECT_EQ(std::filesystem::status(file).permissions(), perms::owner_read);

    std::filesystem::permissions(file, perms::owner_read | perms::owner_write);
    std::filesystem::permissions(Folder, perms::owner_read | perms::owner_exec);
    EXPECT_EQ(WriteConfig(Changed()), EACCES);
    std::filesystem::permissions(Folder, perms::owner_all);
    EXPECT_EQ(Bytes(), DefaultFile);
}

// ---- spoilt files ----

TEST_F(ConfigTest, SpoiltFilesAreToldFromSoundOnes)
{
    const std::pair<std::string, bool> cases[] = {
        {DefaultFile, false},
        {"[COM]\r\nCOM_port=3\r\n", false},
        {"; only a comment\r\n[COORD]\r\nLeft=5\r\n\r\n", false},
        {"", true},
        {std::string("[COM]\r\nCOM_port=3\r\n\0\0\0\0", 24), true},
        {"[COM]\r\nCOM_port=3\r\nthis is no settings line\r\n", true},
        {"[COM\r\nCOM_port=3\r\n", false},
        {"[PRICE]\r\nPriceDallas=abc\r\n", true},
        {"[COUNTERS]\r\nCountTovcheck=\r\n", true},
        {"\x89PNG\r\n\x1a\n", true},
    };
    for (const auto &[bytes, damaged] : cases) {
        SetBytes(bytes);
        TConfig cfg("qrv4.cfg");
        EXPECT_TRUE(ReadConfig(cfg));
        EXPECT_EQ(cfg.Damaged, damaged) << bytes;
    }
}

TEST_F(ConfigTest, HeaderWithoutItsBracketIsReadAndNotCalledSpoilt)
{
    SetBytes("[COM\r\nCOM_port=3\r\n[COORD] where the window was\r\nLeft=7\r\n");
    TConfig cfg("qrv4.cfg");
    EXPECT_TRUE(ReadConfig(cfg));
    EXPECT_EQ(cfg.COM_port, 3);
    EXPECT_EQ(cfg.Left, 7);
    EXPECT_FALSE(cfg.Damaged);
}

TEST_F(ConfigTest, UnreadableFileIsSpoilt)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads whatever the modes; the unprivileged pass runs this";
    SetBytes(DefaultFile);
    std::filesystem::permissions(Folder / "qrv4.cfg", std::filesystem::perms::none);
    TConfig cfg("qrv4.cfg");
    EXPECT_TRUE(ReadConfig(cfg));
    EXPECT_TRUE(cfg.Damaged);
}

TEST_F(ConfigTest, SaveAfterASpoiltFileLeavesASoundOne)
{
    // Junk before any section, and a line cut short inside one.
    const std::string spoilt[] = {
        std::string("\x89PNG\r\n\x1a\n\0\0junk\r\n", 16) + DefaultFile,
        "[COM]\r\nCOM_port=1\r\nCOM_speed=9600\r\n[PRODUCT]\r\nP",
    };
    for (const std::string &bytes : spoilt) {
        SetBytes(bytes);
        TConfig cfg("qrv4.cfg");
        EXPECT_TRUE(ReadConfig(cfg));
        EXPECT_TRUE(cfg.Damaged);
        EXPECT_EQ(WriteConfig(cfg), 0);
        EXPECT_EQ(Bytes(), DefaultFile);

        TConfig next("qrv4.cfg");
        EXPECT_TRUE(ReadConfig(next));
        EXPECT_FALSE(next.Damaged) << "the next start finds the saved settings sound";
    }
}

TEST_F(ConfigTest, SaveKeepsCommentsOfASoundFile)
{
    SetBytes("; kept by hand\r\n" + DefaultFile);
    EXPECT_EQ(WriteConfig(Changed()), 0);
    EXPECT_EQ(Bytes().rfind("; kept by hand\r\n[FILES]\r\n", 0), 0u) << Bytes();
    EXPECT_NE(Bytes().find("CountTovcheck=4711\r\n"), std::string::npos);
}

TEST_F(ConfigTest, UnreadableFileIsNotReplacedBySave)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads whatever the modes; the unprivileged pass runs this";
    using std::filesystem::perms;
    const std::filesystem::path file = Folder / "qrv4.cfg";
    SetBytes(DefaultFile);
    std::filesystem::permissions(file, perms::owner_write);
    EXPECT_EQ(WriteConfig(Changed()), ConfigNotRead);
    std::filesystem::permissions(file, perms::owner_read | perms::owner_write);
    EXPECT_EQ(Bytes(), DefaultFile);
}

// A settings file of 8 GiB took the machine's memory at the start. It is no settings file: it
// is kept for the user as the spoilt one, unread and not copied, and the defaults take its
// place at once.
TEST_F(ConfigTest, FileTooLargeForSettingsIsKeptUnreadAndTheDefaultsTakeItsPlace)
{
    const std::filesystem::path file = Folder / "qrv4.cfg";
    ASSERT_NO_FATAL_FAILURE(testsupport::MakeSparseFile(file, 8 * testsupport::GiB));
    struct stat huge = {};
    ASSERT_EQ(stat(file.c_str(), &huge), 0);
    TConfig cfg("qrv4.cfg");
    EXPECT_TRUE(ReadConfig(cfg));
    EXPECT_TRUE(cfg.Damaged);
    ASSERT_LT(std::filesystem::file_size(file), 1u << 16) << "the file is still there";
    EXPECT_EQ(Bytes(), DefaultFile);
    struct stat kept = {};
    ASSERT_EQ(stat((Folder / "qrv4.cfg.bad").c_str(), &kept), 0);
    EXPECT_EQ(kept.st_ino, huge.st_ino) << "the user's file itself is kept";
    EXPECT_EQ(static_cast<std::uint64_t>(kept.st_size), 8 * testsupport::GiB);

    TConfig next("qrv4.cfg");
    EXPECT_TRUE(ReadConfig(next));
    EXPECT_FALSE(next.Damaged) << "the next start finds sound settings";
}

TEST_F(ConfigTest, FileTooLargeForSettingsThatCannotBeMovedIsNotReplacedBySave)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes whatever the modes; the unprivileged pass runs this";
    using std::filesystem::perms;
    const std::filesystem::path file = Folder / "qrv4.cfg";
    ASSERT_NO_FATAL_FAILURE(testsupport::MakeSparseFile(file, 8 * testsupport::GiB));
    std::filesystem::permissions(Folder, perms::owner_read | perms::owner_exec);
    TConfig cfg("qrv4.cfg");
    EXPECT_TRUE(ReadConfig(cfg));
    EXPECT_TRUE(cfg.Damaged);
    EXPECT_EQ(WriteConfig(Changed()), ConfigNotRead);
    std::filesystem::permissions(Folder, perms::owner_all);
    EXPECT_EQ(std::filesystem::file_size(file), 8 * testsupport::GiB);
    EXPECT_FALSE(std::filesystem::exists(Folder / "qrv4.cfg.bad"));
}

TEST_F(ConfigTest, HiddenFileKeepsItsModes)
{
    using std::filesystem::perms;
    const std::filesystem::path file = Folder / "qrv4.cfg";
    for (const perms modes : {perms::owner_read, perms::owner_read | perms::owner_write |
                                                     perms::group_read | perms::others_read}) {
        SetBytes(DefaultFile);
        std::filesystem::permissions(file, modes);
        HideFile(rtl::FromSystemPath(file.string()));
        EXPECT_EQ(std::filesystem::status(file).permissions(), modes);
        std::filesystem::permissions(file, perms::owner_read | perms::owner_write);
    }
}

// ---- files from other editors ----

// A file saved on Linux is UTF-8, with or without the mark some editors put first; one of the
// program's own is cp1251, which is almost never well-formed UTF-8.
TEST_F(ConfigTest, FilesInUtf8AreReadAsUtf8AndTheirsInCp1251AsCp1251)
{
    const std::string seller = "ООО «Ёлка»";
    const std::string files[] = {"[COMPANY]\r\nSellerName=" + seller + "\r\n",
                                 "\xEF\xBB\xBF[COMPANY]\r\nSellerName=" + seller + "\r\n",
                                 "[COMPANY]\r\nSellerName=" + AnsiString::FromUtf8(seller).ToStd() +
                                     "\r\n"};
    for (const std::string &bytes : files) {
        SetBytes(bytes);
        TConfig cfg("qrv4.cfg");
        EXPECT_TRUE(ReadConfig(cfg));
        EXPECT_EQ(cfg.SellerName, AnsiString::FromUtf8(seller)) << bytes;
        EXPECT_FALSE(cfg.Damaged) << bytes;
        EXPECT_EQ(WriteConfig(cfg), 0);
        EXPECT_EQ(Bytes().rfind(files[2], 0), 0u) << "written back in cp1251, without the mark";
        EXPECT_FALSE(std::filesystem::exists(Folder / "qrv4.cfg.bad"));
    }
}

// ---- one program per folder ----

TEST_F(ConfigTest, BaseFolderIsHeldByOneProgramAtATime)
{
    TConfig cfg("qrv4.cfg");
    {
        const TBaseDirLock first(cfg);
        EXPECT_FALSE(first.Busy());
        // Another process, as a second program would be.
        const int status = StatusOfChild([&] { _exit(TBaseDirLock(cfg).Busy() ? 7 : 0); });
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7);
        EXPECT_TRUE(TBaseDirLock(cfg).Busy());
    }
    EXPECT_FALSE(TBaseDirLock(cfg).Busy());
    EXPECT_FALSE(std::filesystem::exists(Folder / "qrv4.cfg"))
        << "the lock leaves the settings alone";
}

// Run by root in a user's folder, the program made its lock root's; the user's own runs could
// then only read it.
TEST_F(ConfigTest, ALockMadeByRootInAUsersFolderIsTheUsers)
{
    if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
    constexpr uid_t User = 65534;
    constexpr gid_t Group = 65534;
    ASSERT_EQ(chown(Folder.c_str(), User, Group), 0);
    TConfig cfg("qrv4.cfg");
    EXPECT_FALSE(TBaseDirLock(cfg).Busy());
    struct stat made = {};
    ASSERT_EQ(stat((Folder / ".qrv4.lock").c_str(), &made), 0);
    EXPECT_EQ(made.st_uid, User);
    EXPECT_EQ(made.st_gid, Group);
}

// Settings that are a named pipe held the program in open() until something wrote to it, and
// the save then put a file in the pipe's place.
TEST_F(ConfigTest, SettingsThatAreAPipeAreNeitherWaitedOnNorReplaced)
{
    int error = 0;
    {
        const testsupport::WaitingPipe pipe(Folder / "qrv4.cfg");
        ASSERT_TRUE(pipe.Made());
        error = WriteConfig(TConfig("qrv4.cfg"));
    }
    EXPECT_EQ(error, ConfigNotRead);
    EXPECT_TRUE(std::filesystem::is_fifo(Folder / "qrv4.cfg"));
}

TEST_F(ConfigTest, ReadOnlyBaseFolderIsNotRefused)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes whatever the modes; the unprivileged pass runs this";
    TConfig cfg("qrv4.cfg");
    std::filesystem::permissions(Folder, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_exec);
    EXPECT_FALSE(TBaseDirLock(cfg).Busy());
    std::filesystem::permissions(Folder, std::filesystem::perms::owner_all);
}
