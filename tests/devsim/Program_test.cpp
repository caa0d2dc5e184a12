// The qrv4-devsim program as a person starts it: options, the COM link, answers, the saved
// memory image and the end on SIGTERM.

#include "tools/devsim/Memory.h"

#include "platform/rtl/PortFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

extern char **environ;

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace
{

class ProgramTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Folder = fs::temp_directory_path() / ("devsim_program_" + std::to_string(getpid()));
        fs::create_directories(Folder);
        setenv("QRV4_PORTS", (Folder / "ports").c_str(), 1);
    }
    void TearDown() override
    {
        if (Child > 0) {
            kill(Child, SIGKILL);
            waitpid(Child, nullptr, 0);
        }
        fs::remove_all(Folder);
    }

    void Start(std::vector<std::string> Args)
    {
        Args.insert(Args.begin(), QRV4_DEVSIM_PROGRAM);
        std::vector<char *> argv;
        for (std::string &a : Args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        ASSERT_EQ(posix_spawn(&Child, argv[0], &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    // The answer to Frame through the link of COM Number, once the program has made it.
    std::vector<std::uint8_t> Ask(int Number, const std::vector<std::uint8_t> &Frame,
                                  std::size_t Count)
    {
        const fs::path link = rtl::PortLink(Number);
        // A loaded machine can take seconds to start a sanitised program.
        for (int i = 0; i < 1000 && !fs::exists(link); ++i)
            std::this_thread::sleep_for(10ms);
        const int fd = open(link.c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0) {
            ADD_FAILURE() << link << ": " << std::strerror(errno);
            return {};
        }
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
        EXPECT_EQ(write(fd, Frame.data(), Frame.size()), ssize_t(Frame.size()));
        std::vector<std::uint8_t> got;
        pollfd p{fd, POLLIN, 0};
        while (got.size() < Count && poll(&p, 1, 2000) > 0) {
            std::uint8_t chunk[64];
            const ssize_t n = read(fd, chunk, sizeof chunk);
            if (n <= 0) break;
            got.insert(got.end(), chunk, chunk + n);
        }
        close(fd);
        return got;
    }
    int Stop()
    {
        kill(Child, SIGTERM);
        int status = 0;
        waitpid(Child, &status, 0);
        Child = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path Folder;
    pid_t Child = -1;
};

} // namespace

TEST_F(ProgramTest, AnswersThroughItsComLinkAndSavesItsMemory)
{
    const fs::path image = Folder / "image.bin";
    Start({"--com", "4", "--set", "d9=25", "--save", image.string()});
    EXPECT_EQ(Ask(4, {0xA5, 0x96, 0x00, 0xD9, 0x00, 0x6F}, 1), std::vector<std::uint8_t>{0x25});
    EXPECT_EQ(Ask(4, {0xA5, 0x96, 0x01, 0x60, 0x02, 0xF9}, 1), std::vector<std::uint8_t>{0x0F});
    EXPECT_EQ(Stop(), 0);
    EXPECT_FALSE(fs::is_symlink(rtl::PortLink(4)));
    const devsim::Memory saved = devsim::Memory::Load(image);
    EXPECT_EQ(saved.Settings[0xD9], 0x25);
    EXPECT_EQ(saved.Settings[0x60], 0x02);
}

TEST_F(ProgramTest, LoadsAMemoryImageAndActsSilent)
{
    const fs::path image = Folder / "image.bin";
    devsim::Memory m = devsim::Memory::Fresh();
    m.Settings[0x71] = 0x07;
    m.Save(image);
    Start({"--com", "5", "--memory", image.string()});
    EXPECT_EQ(Ask(5, {0xA5, 0x96, 0x00, 0x71, 0x00, 0x07}, 1), std::vector<std::uint8_t>{0x07});
    EXPECT_EQ(Stop(), 0);
    Start({"--com", "5", "--memory", image.string(), "--silent"});
    EXPECT_TRUE(Ask(5, {0xA5, 0x96, 0x00, 0x71, 0x00, 0x07}, 1).empty());
    EXPECT_EQ(Stop(), 0);
}

TEST_F(ProgramTest, StopAskedForAsSoonAsTheLinkShowsEndsCleanly)
{
    for (int round = 0; round < 20; ++round) {
        Start({"--com", "6"});
        const fs::path link = rtl::PortLink(6);
        for (int i = 0; i < 100000 && !fs::exists(link); ++i)
            std::this_thread::sleep_for(100us);
        ASSERT_EQ(Stop(), 0) << "round " << round;
        ASSERT_FALSE(fs::is_symlink(link)) << "round " << round;
    }
}

TEST_F(ProgramTest, RefusesUnknownOptionsAndBadImages)
{
    Start({"--frobnicate"});
    int status = 0;
    waitpid(Child, &status, 0);
    Child = -1;
    EXPECT_EQ(WEXITSTATUS(status), 2);
    std::ofstream(Folder / "short.bin") << "x";
    Start({"--memory", (Folder / "short.bin").string()});
    waitpid(Child, &status, 0);
    Child = -1;
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

TEST_F(ProgramTest, KeepsItsMemoryFromOneRunToTheNext)
{
    const fs::path kept = Folder / "devsim.mem";
    const std::vector<std::string> options = {"--com",         "7",         "--keep", kept.string(),
                                              "--sample-book", "--archive", "5"};
    const std::vector<std::uint8_t> readSetting60 = {0xA5, 0x96, 0x00, 0x60, 0x00, 0xF6};
    Start(options);
    EXPECT_EQ(Ask(7, {0xA5, 0x96, 0x01, 0x60, 0x02, 0xF9}, 1), std::vector<std::uint8_t>{0x0F});
    // Saved as soon as it changed: a kill, which leaves no chance to save at the end, loses
    // nothing.
    bool saved = false;
    for (int i = 0; i < 500 && !saved; ++i) {
        std::this_thread::sleep_for(10ms);
        std::error_code missing;
        saved = fs::file_size(kept, missing) == devsim::ImageFileSize &&
                devsim::Memory::Load(kept).Settings[0x60] == 0x02;
    }
    ASSERT_TRUE(saved);
    kill(Child, SIGKILL);
    waitpid(Child, nullptr, 0);
    Child = -1;
    fs::remove(rtl::PortLink(7));
    const devsim::Memory first = devsim::Memory::Load(kept);

    // The samples fill a new memory only: the next run starts from what the last one kept.
    Start(options);
    EXPECT_EQ(Ask(7, readSetting60, 1), std::vector<std::uint8_t>{0x02});
    EXPECT_EQ(Stop(), 0);
    EXPECT_TRUE(devsim::Memory::Load(kept) == first);

    // Without the file it starts afresh.
    fs::remove(kept);
    Start(options);
    EXPECT_EQ(Ask(7, readSetting60, 1), std::vector<std::uint8_t>{0x01});
    EXPECT_EQ(Stop(), 0);
    EXPECT_EQ(devsim::Memory::Load(kept).Settings[0x60], 0x01);
}
