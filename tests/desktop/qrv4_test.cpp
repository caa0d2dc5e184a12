// The program as a person starts it on an X display: what the window manager is
// told about its main window, and a clean end when it is closed.

#include "tests/desktop/DesktopSession.h"
#include "tests/support/PrintTestSupport.h"
#include "tests/support/ResidentMemory.h"
#include "tests/support/SparseFile.h"
#include "tools/devsim/Archive.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace
{

using desktop::DesktopSession;

// Where the quit button sits in the main window's client area.
constexpr int QuitButtonX = 869;
constexpr int QuitButtonY = 22;
// The first tab of the page control, and the read buttons of the settings and archive
// pages (the pages start 70 pixels down, below the tab row).
constexpr int FirstTabX = 40, TabY = 57;
constexpr int OptionsReadX = 140, OptionsReadY = 97;
constexpr int ArchiveReadX = 655, ArchiveReadY = 539;
// The fonts button of the configuration page, and a bare spot of that page.
constexpr int LoadFontsX = 329, LoadFontsY = 456;
constexpr int BareX = 600, BareY = 600;
// The price of the first key type on the configuration page; the speed list of the top panel.
constexpr int DallasPriceX = 340, DallasPriceY = 194;
constexpr int SpeedListX = 293, SpeedListY = 20;
// The archive's print button, and in the print dialog the copies box, the print button and its
// title bar, which the message box of the dialog leaves in sight.
constexpr int ArchivePrintX = 725, ArchivePrintY = 608;
constexpr int CopiesX = 158, CopiesY = 82;
constexpr int PrintOkX = 169, PrintOkY = 128;
constexpr int DialogTitleX = 60, DialogTitleY = -10;

std::string FileText(const std::filesystem::path &Path)
{
    std::ifstream in(Path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ProgramLog(const DesktopSession &Session)
{
    return FileText(Session.Folder() / "program.log");
}

// What the simulator the run script started was asked and answered, once it has been
// quiet for a while: "<- " lines are frames it got, "-> " lines its answers.
std::string QuietDeviceLog(const DesktopSession &Session)
{
    using namespace std::chrono_literals;
    std::string log = FileText(Session.Folder() / "devsim.log");
    for (int quiet = 0; quiet < 20;) {
        std::this_thread::sleep_for(200ms);
        std::string now = FileText(Session.Folder() / "devsim.log");
        quiet = now == log ? quiet + 1 : 0;
        log = std::move(now);
    }
    return log;
}

// How many frames beginning with Prefix (hex, as the log writes it) the device got, and
// whether each was answered.
struct TAsked {
    int Frames = 0;
    int Answered = 0;
};

TAsked Asked(const std::string &DeviceLog, const std::string &Prefix)
{
    TAsked asked;
    std::istringstream lines(DeviceLog);
    bool pending = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("-> ") && pending) ++asked.Answered;
        pending = line.starts_with("<- " + Prefix);
        if (pending) ++asked.Frames;
    }
    return asked;
}

// The number of an X window as xprop and xdotool print it (hex or decimal).
unsigned long WindowNumber(const std::string &Text)
{
    return std::stoul(Text, nullptr, 0);
}

// The top-level windows as the window manager stacks them, from the bottom up.
std::vector<unsigned long> Stacking(const DesktopSession &Session)
{
    const std::string said = Session.Run("xprop -root _NET_CLIENT_LIST_STACKING");
    std::vector<unsigned long> windows;
    for (auto at = said.find("0x"); at != std::string::npos; at = said.find("0x", at + 2))
        windows.push_back(WindowNumber(said.substr(at, said.find_first_of(",\n", at) - at)));
    return windows;
}

bool StackedAbove(const DesktopSession &Session, const std::string &Upper, const std::string &Lower)
{
    const std::vector<unsigned long> stack = Stacking(Session);
    const auto upper = std::find(stack.begin(), stack.end(), WindowNumber(Upper));
    const auto lower = std::find(stack.begin(), stack.end(), WindowNumber(Lower));
    return upper != stack.end() && lower != stack.end() && upper > lower;
}

// The visible window of this title once it shows; empty if it never does.
std::string WaitForTitled(const DesktopSession &Session, const std::string &Title)
{
    using namespace std::chrono_literals;
    for (int i = 0; i < 300; ++i) {
        const std::string found =
            Session.Run("xdotool search --onlyvisible --name '^" + Title + "$' 2>/dev/null");
        if (!found.empty()) return found.substr(0, found.find('\n'));
        std::this_thread::sleep_for(100ms);
    }
    return {};
}

// A click on Window; true once the window manager has given it the focus for that click.
bool ClickAndWaitForFocus(const DesktopSession &Session, const std::string &Window, int X, int Y)
{
    using namespace std::chrono_literals;
    Session.ClickAt(Window, X, Y);
    for (int i = 0; i < 300; ++i) {
        const std::string active = Session.Run("xprop -root _NET_ACTIVE_WINDOW");
        const auto at = active.find("0x");
        if (at != std::string::npos && WindowNumber(active.substr(at)) == WindowNumber(Window))
            return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

// Quits through the main window's button: the program must end with status 0.
void QuitAndExpectACleanEnd(DesktopSession &Session, const std::string &Window)
{
    Session.ClickAt(Window, QuitButtonX, QuitButtonY);
    const auto end = Session.WaitForExit();
    ASSERT_TRUE(end) << ProgramLog(Session);
    EXPECT_TRUE(WIFEXITED(*end) && WEXITSTATUS(*end) == 0) << ProgramLog(Session);
}

class DesktopTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Session.Ready()) << "no X server could be started";
        Session.StartProgram();
        const auto window = Session.WaitForWindow();
        ASSERT_TRUE(window) << Log();
        Window = *window;
    }

    std::string Log() const { return ProgramLog(Session); }

    // The functions field of the Motif hints: what the window manager may offer.
    unsigned long MotifFunctions() const
    {
        const std::string hints = Session.Property(Window, "_MOTIF_WM_HINTS");
        const auto equals = hints.find('=');
        if (equals == std::string::npos) return ~0UL;
        std::istringstream values(hints.substr(equals + 1));
        std::string flags, functions;
        std::getline(values, flags, ',');
        std::getline(values, functions, ',');
        return std::stoul(functions, nullptr, 16);
    }

    DesktopSession Session;
    std::string Window;
};

TEST_F(DesktopTest, MainWindow_CaptionIsTheXTitleAndTheTitleNamesTheProgram)
{
    EXPECT_EQ(Session.Run("xdotool getwindowname " + Window), " QRV-4  версия 1.51\n");
    EXPECT_NE(Session.Property(Window, "_NET_WM_NAME").find("\" QRV-4  версия 1.51\""),
              std::string::npos);
    EXPECT_NE(Session.Property(Window, "WM_CLASS").find(", \"QRV-4\""), std::string::npos)
        << Session.Property(Window, "WM_CLASS");
}

TEST_F(DesktopTest, MainWindow_SingleBorderIsFixedSizeWithoutMaximise)
{
    const std::string hints = Session.Property(Window, "WM_NORMAL_HINTS");
    EXPECT_NE(hints.find("minimum size: 939 by 713"), std::string::npos) << hints;
    EXPECT_NE(hints.find("maximum size: 939 by 713"), std::string::npos) << hints;
    // Window managers keep a window whose minimum is its maximum at that size;
    // the Motif hints only take the maximise box away.
    constexpr unsigned long Minimize = 0x8, Maximize = 0x10;
    const unsigned long functions = MotifFunctions();
    EXPECT_EQ(functions & Maximize, 0UL) << std::hex << functions;
    EXPECT_NE(functions & Minimize, 0UL) << std::hex << functions;
}

TEST_F(DesktopTest, Quit_WithThePointerOverTheButton_EndsWithStatusZero)
{
    Session.ClickAt(Window, QuitButtonX, QuitButtonY);
    const auto status = Session.WaitForExit();
    ASSERT_TRUE(status) << "the program did not end\n" << Log();
    EXPECT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status) << "\n" << Log();
    EXPECT_EQ(WEXITSTATUS(*status), 0) << Log();
    EXPECT_TRUE(std::filesystem::exists(Session.Folder() / "qrv4.cfg"));
}

// Under a limit to the size of its files the save at close ended the program by SIGXFSZ,
// without a word: the save fails as on a full disk, says so, and the program ends cleanly.
TEST(FileSizeLimit, TheSaveAtCloseSaysItFailedAndTheProgramEndsCleanly)
{
    DesktopSession Session;
    ASSERT_TRUE(Session.Ready()) << "no X server could be started";
    const std::string settings = "[COM]\r\nCOM_port=3\r\n";
    std::ofstream(Session.Folder() / "qrv4.cfg", std::ios::binary) << settings;
    Session.StartProgram(200);
    const auto window = Session.WaitForWindow();
    ASSERT_TRUE(window) << ProgramLog(Session);
    Session.ClickAt(*window, QuitButtonX, QuitButtonY);
    const std::string box = WaitForTitled(Session, "Внимание!");
    ASSERT_FALSE(box.empty()) << ProgramLog(Session);
    Session.Run("xdotool windowfocus --sync " + box + " key Return");
    const auto end = Session.WaitForExit();
    ASSERT_TRUE(end) << ProgramLog(Session);
    EXPECT_TRUE(WIFEXITED(*end) && WEXITSTATUS(*end) == 0)
        << "ended by signal " << (WIFSIGNALED(*end) ? WTERMSIG(*end) : 0) << "\n"
        << ProgramLog(Session);
    EXPECT_EQ(FileText(Session.Folder() / "qrv4.cfg"), settings);
}

TEST(RunScript, SimulatorTakesAFreeNumberAndASecondRunInTheSameFolderRefuses)
{
    namespace fs = std::filesystem;
    DesktopSession Session;
    ASSERT_TRUE(Session.Ready()) << "no X server could be started";
    Session.StartRunScript();
    const auto window = Session.WaitForWindow();
    ASSERT_TRUE(window) << ProgramLog(Session);
    EXPECT_NE(ProgramLog(Session).find("The simulated QRV-4 is on COM 99"), std::string::npos)
        << ProgramLog(Session);
    const fs::path link = Session.Folder() / "ports" / "com99";
    ASSERT_TRUE(fs::exists(link));
    const fs::path device = fs::canonical(link);

    int status = 0;
    const std::string second = Session.Run(Session.RunScriptCommand() + " 2>&1", &status);
    EXPECT_NE(status, 0) << second;
    EXPECT_NE(second.find("already runs"), std::string::npos) << second;
    EXPECT_EQ(fs::canonical(link), device) << "the first simulator keeps its port";

    QuitAndExpectACleanEnd(Session, *window);
}

TEST(SecondProgram, InTheSameFolderIsRefusedInRussianAndTouchesNoSettings)
{
    namespace fs = std::filesystem;
    using namespace std::chrono_literals;
    DesktopSession Session;
    ASSERT_TRUE(Session.Ready()) << "no X server could be started";
    Session.StartProgram();
    const auto window = Session.WaitForWindow();
    ASSERT_TRUE(window) << ProgramLog(Session);
    const fs::path settings = Session.Folder() / "qrv4.cfg";
    const std::string before = FileText(settings);
    const auto written = fs::last_write_time(settings);
    ASSERT_FALSE(before.empty());

    const fs::path log = Session.Folder() / "second.log";
    const fs::path status = Session.Folder() / "second.status";
    // In the background, its box waiting for an answer; the display is in its command.
    Session.Run("true; (" + Session.ProgramCommand() + " >'" + log.string() + "' 2>&1; echo $? >'" +
                status.string() + "') >/dev/null 2>&1 &");
    std::string box;
    for (int i = 0; i < 1200 && box.empty(); ++i) {
        std::this_thread::sleep_for(100ms);
        box = Session.Run("xdotool search --onlyvisible --name '^QRV-4$' 2>/dev/null");
    }
    ASSERT_FALSE(box.empty()) << FileText(log);
    EXPECT_NE(FileText(log).find("Программа QRV4 уже запущена в папке " +
                                 Session.Folder().string() + "."),
              std::string::npos)
        << FileText(log);
    Session.Run("xdotool windowfocus --sync " + box.substr(0, box.find('\n')) + " key Return");
    for (int i = 0; i < 1200 && FileText(status).empty(); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_EQ(FileText(status), "1\n") << FileText(log);
    EXPECT_EQ(FileText(settings), before);
    EXPECT_EQ(fs::last_write_time(settings), written);

    // The run script, too, sees the program that was started by hand, and starts no simulator.
    int refused = 0;
    const std::string said = Session.Run(Session.RunScriptCommand() + " 2>&1", &refused);
    EXPECT_NE(refused, 0) << said;
    EXPECT_NE(said.find("already runs"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(Session.Folder() / "ports" / "com99"));

    QuitAndExpectACleanEnd(Session, *window);
}

// A click on the main window while one of the program's dialogs waits for an answer leaves
// the dialog in sight above it: the main window takes no input then, and a dialog buried
// behind it would leave the user with a program that does nothing.
TEST(Dialogs, StayAboveTheMainWindowWhenItIsClicked)
{
    DesktopSession Session;
    ASSERT_TRUE(Session.Ready()) << "no X server could be started";
    ASSERT_TRUE(Session.StartWindowManager());
    std::ofstream(Session.Folder() / "short_fonts.qrv") << std::string(1000, 'F');
    Session.StartProgram();
    const auto window = Session.WaitForWindow();
    ASSERT_TRUE(window) << ProgramLog(Session);
    Session.ClickAt(*window, FirstTabX, TabY);
    Session.PressKeys("Right Right");

    // The file chooser.
    Session.ClickAt(*window, LoadFontsX, LoadFontsY);
    const std::string chooser = WaitForTitled(Session, "Открыть шрифты");
    ASSERT_FALSE(chooser.empty()) << ProgramLog(Session);
    ASSERT_TRUE(ClickAndWaitForFocus(Session, *window, BareX, BareY));
    EXPECT_TRUE(StackedAbove(Session, chooser, *window))
        << Session.Run("xprop -root _NET_CLIENT_LIST_STACKING");

    // The program's own message box, about the file chosen there.
    Session.Run("xdotool windowactivate --sync " + chooser + " type --delay 50 short_fonts.qrv");
    Session.PressKeys("Return");
    const std::string box = WaitForTitled(Session, "Ошибка!");
    ASSERT_FALSE(box.empty()) << ProgramLog(Session);
    ASSERT_TRUE(ClickAndWaitForFocus(Session, *window, BareX, BareY));
    EXPECT_TRUE(StackedAbove(Session, box, *window))
        << Session.Run("xprop -root _NET_CLIENT_LIST_STACKING");

    Session.Run("xdotool windowactivate --sync " + box + " key Return");
    QuitAndExpectACleanEnd(Session, *window);
}

// A message box of a dialog stays above that dialog, which takes no input while it waits.
TEST(Dialogs, AMessageOfAPrintDialogStaysAboveTheDialogWhenItIsClicked)
{
    printtest::PrivateCups cups;
    ASSERT_TRUE(cups.Running()) << cups.Why();
    ASSERT_TRUE(cups.AddPdfQueue("Office"));
    DesktopSession Session;
    ASSERT_TRUE(Session.Ready()) << "no X server could be started";
    ASSERT_TRUE(Session.StartWindowManager());
    std::ofstream(Session.Folder() / "qrv4.cfg") << "[COM]\r\nCOM_port=99\r\n";
    Session.StartRunScript();
    const auto window = Session.WaitForWindow();
    ASSERT_TRUE(window) << ProgramLog(Session);
    Session.ClickAt(*window, FirstTabX, TabY);
    Session.PressKeys("Right");
    Session.ClickAt(*window, ArchiveReadX, ArchiveReadY);
    QuietDeviceLog(Session);

    Session.ClickAt(*window, ArchivePrintX, ArchivePrintY);
    const std::string dialog = WaitForTitled(Session, "Печать Архива");
    ASSERT_FALSE(dialog.empty()) << ProgramLog(Session);
    // More copies than the box takes: the dialog says so in a box of its own.
    Session.ClickAt(dialog, CopiesX, CopiesY);
    Session.PressKeys("End BackSpace 1 0 0 0");
    Session.ClickAt(dialog, PrintOkX, PrintOkY);
    const std::string box = WaitForTitled(Session, "Внимание!");
    ASSERT_FALSE(box.empty()) << ProgramLog(Session);
    ASSERT_TRUE(ClickAndWaitForFocus(Session, dialog, DialogTitleX, DialogTitleY));
    EXPECT_TRUE(StackedAbove(Session, box, dialog))
        << Session.Run("xprop -root _NET_CLIENT_LIST_STACKING");

    Session.Run("xdotool windowactivate --sync " + box + " key Return");
    Session.Run("xdotool windowactivate --sync " + dialog + " key Escape");
    QuitAndExpectACleanEnd(Session, *window);
}

// The program the run script started, once it runs; 0 if it does not.
pid_t ProgramOf(const DesktopSession &Session)
{
    using namespace std::chrono_literals;
    for (int i = 0; i < 1200; ++i) {
        for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
            std::ifstream stat(entry.path() / "stat");
            std::string pid, name, state;
            pid_t parent = 0;
            if (stat >> pid >> name >> state >> parent && parent == Session.Started() &&
                name == "(qrv4)")
                return std::stoi(pid);
        }
        std::this_thread::sleep_for(100ms);
    }
    return 0;
}

// Whether the process has ended before long: gone, or dead and not yet reaped.
bool Ends(pid_t Pid)
{
    using namespace std::chrono_literals;
    for (int i = 0; i < 3600; ++i) {
        std::ifstream stat("/proc/" + std::to_string(Pid) + "/stat");
        std::string pid, name, state;
        if (!(stat >> pid >> name >> state) || state == "Z") return true;
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

int VisibleWindows(const DesktopSession &Session)
{
    const std::string found =
        Session.Run("xdotool search --onlyvisible --class '^QRV-4$' 2>/dev/null");
    return static_cast<int>(std::count(found.begin(), found.end(), '\n'));
}

// True once the program has handled the input sent to it so far: it handles its input in
// order, and shows the speed list it was asked for after it, then hides it again.
bool InputHandled(const DesktopSession &Session, const std::string &Window)
{
    using namespace std::chrono_literals;
    const int before = VisibleWindows(Session);
    Session.ClickAt(Window, SpeedListX, SpeedListY);
    int i = 0;
    for (; i < 300 && VisibleWindows(Session) <= before; ++i)
        std::this_thread::sleep_for(100ms);
    Session.PressKeys("Escape");
    for (; i < 600 && VisibleWindows(Session) > before; ++i)
        std::this_thread::sleep_for(100ms);
    return i < 600;
}

// Starts the program of `make run` in Session's folder on the simulated device's port; Window
// and Program get its main window and its process.
void StartMakeRun(DesktopSession &Session, const char *Build, std::string &Window, pid_t &Program)
{
    ASSERT_TRUE(Session.Ready()) << "no X server could be started";
    ASSERT_TRUE(Session.StartWindowManager());
    std::ofstream(Session.Folder() / "qrv4.cfg") << "[COM]\r\nCOM_port=99\r\n";
    Session.StartRunScript(Build);
    const auto window = Session.WaitForWindow();
    ASSERT_TRUE(window) << ProgramLog(Session);
    Window = *window;
    Program = ProgramOf(Session);
    ASSERT_GT(Program, 0) << ProgramLog(Session);
}

// How the program is ended from outside: a logout's signal, a terminal closed, Ctrl+C in the
// terminal, and the display going away with the session.
enum class TEndWay { Logout, Hangup, CtrlC, DisplayGone };

std::string EndWayName(const testing::TestParamInfo<TEndWay> &Info)
{
    constexpr const char *Names[] = {"Logout", "Hangup", "CtrlC", "DisplayGone"};
    return Names[static_cast<int>(Info.param)];
}

class MakeRunEnd : public testing::TestWithParam<TEndWay>
{
};

// The program of `make run`, with a price typed and not saved yet, is ended from outside as a
// desktop ends it: it keeps the price and the grids' layouts, whole, as Выход does, and ends.
TEST_P(MakeRunEnd, KeepsATypedPriceAndTheLayoutsAndEnds)
{
    const char *build = std::getenv("QRV4_RUN_BUILD");
    if (!build) GTEST_SKIP() << "QRV4_RUN_BUILD names no build folder of make run";
    DesktopSession Session;
    std::string window;
    pid_t program = 0;
    ASSERT_NO_FATAL_FAILURE(StartMakeRun(Session, build, window, program));
    const std::filesystem::path settings = Session.Folder() / "qrv4.cfg";

    Session.ClickAt(window, FirstTabX, TabY);
    Session.PressKeys("Right Right");
    Session.ClickAt(window, DallasPriceX, DallasPriceY);
    Session.PressKeys("End BackSpace BackSpace BackSpace BackSpace 7 7 7");
    ASSERT_TRUE(InputHandled(Session, window)) << ProgramLog(Session);
    ASSERT_EQ(FileText(settings).find("PriceDallas=777"), std::string::npos)
        << "the price was saved before the end";

    switch (GetParam()) {
    case TEndWay::Logout:
        Session.SignalStarted(SIGTERM);
        break;
    case TEndWay::Hangup:
        Session.SignalStarted(SIGHUP);
        break;
    case TEndWay::CtrlC:
        Session.SignalStarted(SIGINT);
        break;
    case TEndWay::DisplayGone:
        ASSERT_TRUE(Session.EndServer());
        break;
    }
    ASSERT_TRUE(Ends(program)) << ProgramLog(Session);
    // The run script goes too, and with it the simulator.
    const auto script = Session.WaitForExit();
    ASSERT_TRUE(script) << ProgramLog(Session);
    if (GetParam() == TEndWay::CtrlC) {
        EXPECT_TRUE(WIFEXITED(*script) && WEXITSTATUS(*script) == 0) << ProgramLog(Session);
    }

    const std::string kept = FileText(settings);
    EXPECT_NE(kept.find("[PRICE]\r\nPriceDallas=777\r\n"), std::string::npos) << kept;
    EXPECT_NE(kept.find("[COM]\r\nCOM_port=99\r\n"), std::string::npos) << kept;
    EXPECT_TRUE(kept.ends_with("\r\n")) << kept;
    EXPECT_EQ(FileText(Session.Folder() / "grid_writer.txt"), "77\n236\n109\n326\n");
    EXPECT_EQ(FileText(Session.Folder() / "grid_archive.txt"), "77\n142\n122\n141\n81\n304\n");
}

INSTANTIATE_TEST_SUITE_P(FromOutside, MakeRunEnd,
                         testing::Values(TEndWay::Logout, TEndWay::Hangup, TEndWay::CtrlC,
                                         TEndWay::DisplayGone),
                         EndWayName);

// A logout's signal to the program in the middle of an archive read: the read stops as Стоп
// stops it, and the program keeps what a close keeps and ends, with the device still there.
TEST(MakeRun, ALogoutDuringAnArchiveReadStopsItKeepsTheSettingsAndEnds)
{
    const char *build = std::getenv("QRV4_RUN_BUILD");
    if (!build) GTEST_SKIP() << "QRV4_RUN_BUILD names no build folder of make run";
    using namespace std::chrono_literals;
    DesktopSession Session;
    // The run script's simulator keeps its memory in this file: an archive long enough for the
    // read to be under way when the signal comes.
    constexpr unsigned Records = 2400;
    devsim::Memory memory = devsim::Memory::Fresh();
    devsim::WriteArchive(memory, devsim::SampleArchive(Records, devsim::SampleNewest()), Records);
    memory.Save(Session.Folder() / "devsim.mem");
    std::string window;
    pid_t program = 0;
    ASSERT_NO_FATAL_FAILURE(StartMakeRun(Session, build, window, program));

    Session.ClickAt(window, FirstTabX, TabY);
    Session.PressKeys("Right");
    Session.ClickAt(window, ArchiveReadX, ArchiveReadY);
    const std::filesystem::path deviceLog = Session.Folder() / "devsim.log";
    for (int i = 0; i < 6000 && Asked(FileText(deviceLog), "A5 31 ").Frames < 10; ++i)
        std::this_thread::sleep_for(20ms);
    kill(program, SIGTERM);
    ASSERT_TRUE(Ends(program)) << ProgramLog(Session);
    const auto script = Session.WaitForExit();
    ASSERT_TRUE(script) << ProgramLog(Session);
    EXPECT_TRUE(WIFEXITED(*script) && WEXITSTATUS(*script) == 0) << ProgramLog(Session);

    const TAsked archive = Asked(FileText(deviceLog), "A5 31 ");
    EXPECT_GE(archive.Frames, 10);
    EXPECT_LT(archive.Frames, static_cast<int>(Records)) << "the read went on to its end";
    EXPECT_NE(FileText(Session.Folder() / "qrv4.cfg").find("[COORD]"), std::string::npos);
    EXPECT_EQ(FileText(Session.Folder() / "grid_archive.txt"), "77\n142\n122\n141\n81\n304\n");
}

// A settings file of 8 GiB in the folder: the program of `make run` grew to the file's size and
// never showed its window. The window comes, the program stays small, and the file is kept
// for the user as the spoilt settings file.
TEST(MakeRun, ASettingsFileOfEightGiBIsKeptUnreadAndTheWindowComes)
{
    const char *build = std::getenv("QRV4_RUN_BUILD");
    if (!build) GTEST_SKIP() << "QRV4_RUN_BUILD names no build folder of make run";
    DesktopSession Session;
    ASSERT_TRUE(Session.Ready()) << "no X server could be started";
    const std::filesystem::path settings = Session.Folder() / "qrv4.cfg";
    ASSERT_NO_FATAL_FAILURE(testsupport::MakeSparseFile(settings, 8 * testsupport::GiB));
    Session.StartRunScript(build);
    const auto window = Session.WaitForWindow();
    ASSERT_TRUE(window) << ProgramLog(Session);
    const pid_t program = ProgramOf(Session);
    ASSERT_GT(program, 0) << ProgramLog(Session);
    // Some tens of megabytes are the program's own; a file read would be thousands.
    EXPECT_LT(testsupport::PeakResidentBytesOf(std::to_string(program)), std::size_t(400) << 20);
    EXPECT_EQ(std::filesystem::file_size(Session.Folder() / "qrv4.cfg.bad"), 8 * testsupport::GiB);
    ASSERT_LT(std::filesystem::file_size(settings), 1u << 16);
    EXPECT_NE(FileText(settings).find("[COM]"), std::string::npos);
    QuitAndExpectACleanEnd(Session, *window);
}

// The program as `make run` builds and starts it (beside the simulator, through the run
// script), worked as a person works it: the settings and the archive read through their
// buttons, then the window closed through its frame's close button.
TEST(MakeRun, ReadsSettingsAndArchiveThroughTheButtonsAndEndsCleanlyByTheCloseButton)
{
    const char *build = std::getenv("QRV4_RUN_BUILD");
    if (!build) GTEST_SKIP() << "QRV4_RUN_BUILD names no build folder of make run";
    DesktopSession Session;
    ASSERT_TRUE(Session.Ready()) << "no X server could be started";
    ASSERT_TRUE(Session.StartWindowManager());
    std::ofstream(Session.Folder() / "qrv4.cfg") << "[COM]\r\nCOM_port=99\r\n";
    Session.StartRunScript(build);
    const auto window = Session.WaitForWindow();
    ASSERT_TRUE(window) << ProgramLog(Session);

    // A click on the first tab gives the tabs the focus; the arrow keys go on from there.
    Session.ClickAt(*window, FirstTabX, TabY);
    Session.PressKeys("Right Right Right");
    Session.ClickAt(*window, OptionsReadX, OptionsReadY);
    const std::string settingsLog = QuietDeviceLog(Session);
    Session.ClickAt(*window, FirstTabX, TabY);
    Session.PressKeys("Right");
    Session.ClickAt(*window, ArchiveReadX, ArchiveReadY);
    const std::string log = QuietDeviceLog(Session);

    const TAsked settings = Asked(settingsLog, "A5 96 00 ");
    EXPECT_EQ(settings.Frames, 38) << settingsLog;
    EXPECT_EQ(settings.Answered, settings.Frames) << settingsLog;
    // The run script's simulator holds 300 records, one block read each.
    const TAsked archive = Asked(log, "A5 31 ");
    EXPECT_GE(archive.Frames, 300) << log;
    EXPECT_EQ(archive.Answered, archive.Frames) << log;

    Session.ClickCloseButton(*window);
    const auto status = Session.WaitForExit();
    ASSERT_TRUE(status) << "the program did not end\n" << ProgramLog(Session);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << ProgramLog(Session);
    EXPECT_NE(FileText(Session.Folder() / "qrv4.cfg").find("[COORD]"), std::string::npos)
        << "the configuration was not written at the end";
}

// Root runs the program in a folder of this user's, who plants links there.
constexpr uid_t User = 65534;

// A folder of root's own that the test makes, and removes whether it passes or fails.
struct RootsFolder {
    std::filesystem::path Path =
        std::filesystem::temp_directory_path() / ("qrv4_roots_" + std::to_string(getpid()));
    RootsFolder() { std::filesystem::create_directory(Path); }
    ~RootsFolder() { std::filesystem::remove_all(Path); }
    RootsFolder(const RootsFolder &) = delete;
    RootsFolder &operator=(const RootsFolder &) = delete;

    // A file only root may read or write, with Text in it.
    void Secret(const std::string &Name, const std::string &Text) const
    {
        std::ofstream(Path / Name, std::ios::binary) << Text;
        ASSERT_EQ(chmod((Path / Name).c_str(), 0600), 0);
    }
    // Whether Name still holds Text, root's alone.
    void ExpectSecret(const std::string &Name, const std::string &Text) const
    {
        EXPECT_EQ(FileText(Path / Name), Text) << Name;
        struct stat info = {};
        ASSERT_EQ(stat((Path / Name).c_str(), &info), 0) << Name;
        EXPECT_EQ(info.st_mode & 07777, 0600u) << Name;
        EXPECT_EQ(info.st_uid, 0u) << Name;
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(Path))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// Root running `make run`'s program in a user's folder followed the links the user had put
// there: root's secret settings went into a copy the user could read, root's files were
// written over, and a file was made outside the folder. The links are left alone, and the
// program says which files and why, on the status line and on the terminal.
TEST(MakeRun, AsRootInAUsersFolderFollowsNoLinkOfTheUserToRootsFiles)
{
    namespace fs = std::filesystem;
    const char *build = std::getenv("QRV4_RUN_BUILD");
    if (!build) GTEST_SKIP() << "QRV4_RUN_BUILD names no build folder of make run";
    if (geteuid() != 0) GTEST_SKIP() << "only root runs the program in another user's folder";
    const RootsFolder roots;
    ASSERT_EQ(chmod(roots.Path.c_str(), 0700), 0);
    // Spoilt by a NUL: settings read would be kept as a copy.
    const std::string secret = std::string("[COM]\r\nCOM_port=99\r\n") + '\0' + "secret\r\n";
    roots.Secret("secret", secret);
    std::ofstream(roots.Path / "widths") << "root's\n";
    std::ofstream(roots.Path / "lock") << "root's\n";

    DesktopSession Session;
    ASSERT_TRUE(Session.Ready()) << "no X server could be started";
    ASSERT_TRUE(Session.StartWindowManager());
    const fs::path folder = Session.Folder();
    ASSERT_EQ(chown(folder.c_str(), User, User), 0);
    const std::pair<const char *, fs::path> planted[] = {
        {"qrv4.cfg", roots.Path / "secret"},
        {"grid_writer.txt", roots.Path / "widths"},
        {"grid_archive.txt", roots.Path / "made.txt"},
        {".qrv4.lock", roots.Path / "lock"}};
    for (const auto &[name, target] : planted) {
        fs::create_symlink(target, folder / name);
        ASSERT_EQ(lchown((folder / name).c_str(), User, User), 0);
    }
    Session.StartRunScript(build);
    const auto window = Session.WaitForWindow();
    ASSERT_TRUE(window) << ProgramLog(Session);

    const std::string foreign = "Файл оставлен без изменений: ссылка ведёт к чужому файлу: ";
    for (const char *name : {".qrv4.lock", "qrv4.cfg", "grid_writer.txt"})
        EXPECT_NE(ProgramLog(Session).find(foreign + (folder / name).string()), std::string::npos)
            << ProgramLog(Session);
    // The settings kept from root at the end are told in a box.
    Session.ClickCloseButton(*window);
    const std::string box = WaitForTitled(Session, "Внимание!");
    ASSERT_FALSE(box.empty()) << ProgramLog(Session);
    Session.Run("xdotool windowfocus --sync " + box + " key Return");
    const auto status = Session.WaitForExit();
    ASSERT_TRUE(status) << "the program did not end\n" << ProgramLog(Session);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << ProgramLog(Session);
    EXPECT_NE(ProgramLog(Session).find("Файл не создан: ссылка ведёт туда, где файла нет: " +
                                       (folder / "grid_archive.txt").string()),
              std::string::npos)
        << ProgramLog(Session);

    roots.ExpectSecret("secret", secret);
    EXPECT_EQ(FileText(roots.Path / "widths"), "root's\n");
    EXPECT_EQ(FileText(roots.Path / "lock"), "root's\n");
    EXPECT_EQ(roots.Names(), (std::vector<std::string>{"lock", "secret", "widths"}))
        << "nothing is made outside the user's folder";
    EXPECT_FALSE(fs::exists(folder / "qrv4.cfg.bad")) << "no copy of root's secret";
    for (const auto &[name, target] : planted)
        EXPECT_EQ(fs::read_symlink(folder / name), target) << name;
}

// The user's folder, renamed while the program runs and a link to another folder put in its
// place by its name; put back when the test ends, whether it passes or fails, before the
// session removes it.
class SwappedFolder
{
public:
    SwappedFolder(std::filesystem::path Folder, const std::filesystem::path &Other)
        : FFolder(std::move(Folder)), FMoved(FFolder.string() + ".moved")
    {
        std::filesystem::rename(FFolder, FMoved);
        std::filesystem::create_symlink(Other, FFolder);
        EXPECT_EQ(lchown(FFolder.c_str(), User, User), 0);
    }
    ~SwappedFolder()
    {
        std::error_code ignored;
        if (std::filesystem::is_symlink(FFolder, ignored))
            std::filesystem::remove(FFolder, ignored);
        std::filesystem::rename(FMoved, FFolder, ignored);
    }
    SwappedFolder(const SwappedFolder &) = delete;
    SwappedFolder &operator=(const SwappedFolder &) = delete;

    // Where the folder the program started in is now.
    const std::filesystem::path &Moved() const { return FMoved; }

private:
    std::filesystem::path FFolder, FMoved;
};

// The settings of `make run`'s program in a folder of the user's, on the simulated device.
void StartAsRootInUsersFolder(DesktopSession &Session, const char *Build, std::string &Window)
{
    ASSERT_TRUE(Session.Ready()) << "no X server could be started";
    ASSERT_TRUE(Session.StartWindowManager());
    const std::filesystem::path settings = Session.Folder() / "qrv4.cfg";
    std::ofstream(settings) << "[COM]\r\nCOM_port=99\r\n";
    for (const std::filesystem::path &path : {Session.Folder(), settings})
        ASSERT_EQ(chown(path.c_str(), User, User), 0);
    Session.StartRunScript(Build);
    const auto window = Session.WaitForWindow();
    ASSERT_TRUE(window) << ProgramLog(Session);
    Window = *window;
}

// Root ran the program in a user's folder; the user renamed the folder and put a link to a
// folder of root's in its place: the close wrote root's settings and layouts there over and
// made a layout there. Every file stays in the folder the program started in.
TEST(MakeRun, AsRootWritesNothingWhereTheUserSwappedTheFolderForALink)
{
    const char *build = std::getenv("QRV4_RUN_BUILD");
    if (!build) GTEST_SKIP() << "QRV4_RUN_BUILD names no build folder of make run";
    if (geteuid() != 0) GTEST_SKIP() << "only root runs the program in another user's folder";
    const RootsFolder roots;
    ASSERT_EQ(chmod(roots.Path.c_str(), 0700), 0);
    const std::string settings = "[COM]\r\nCOM_port=7\r\n";
    const char *layout = "1\n2\n3\n4\n";
    const char *debug = "root's\n";
    roots.Secret("qrv4.cfg", settings);
    roots.Secret("grid_writer.txt", layout);
    roots.Secret("qrv4_debug_session.txt", debug);

    DesktopSession Session;
    std::string window;
    StartAsRootInUsersFolder(Session, build, window);
    if (HasFatalFailure()) return;
    const SwappedFolder swapped(Session.Folder(), roots.Path);
    Session.ClickCloseButton(window);
    const auto status = Session.WaitForExit();
    const std::string log = FileText(swapped.Moved() / "program.log");
    ASSERT_TRUE(status) << "the program did not end\n" << log;
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << log;

    roots.ExpectSecret("qrv4.cfg", settings);
    roots.ExpectSecret("grid_writer.txt", layout);
    roots.ExpectSecret("qrv4_debug_session.txt", debug);
    EXPECT_EQ(roots.Names(),
              (std::vector<std::string>{"grid_writer.txt", "qrv4.cfg", "qrv4_debug_session.txt"}))
        << "nothing is made in root's folder";
    EXPECT_NE(FileText(swapped.Moved() / "qrv4.cfg").find("[COORD]"), std::string::npos) << log;
    for (const char *name : {"grid_archive.txt", "grid_writer.txt"})
        EXPECT_TRUE(std::filesystem::is_regular_file(swapped.Moved() / name)) << name;
}

// The writer page's buttons: read the book from the device, save it to a file.
constexpr int WriterReadX = 861, WriterReadY = 93;
constexpr int WriterSaveToFileX = 861, WriterSaveToFileY = 227;

// The message box a dialog titled Title shows over Dialog, once it shows; empty if none does.
std::string WaitForBoxOver(const DesktopSession &Session, const std::string &Title,
                           const std::string &Dialog)
{
    using namespace std::chrono_literals;
    for (int i = 0; i < 300; ++i) {
        std::istringstream found(
            Session.Run("xdotool search --onlyvisible --name '^" + Title + "$' 2>/dev/null"));
        for (std::string window; std::getline(found, window);)
            if (WindowNumber(window) != WindowNumber(Dialog)) return window;
        std::this_thread::sleep_for(100ms);
    }
    return {};
}

// Root ran the program in a user's folder, where the user had made "books" a link to a folder
// of root's holding root's book: the book saved as "books/book.dbf" replaced root's, and the
// program said the save went well.
TEST(MakeRun, AsRootSavesNoBookThroughTheUsersFolderLinkToRootsFolder)
{
    const char *build = std::getenv("QRV4_RUN_BUILD");
    if (!build) GTEST_SKIP() << "QRV4_RUN_BUILD names no build folder of make run";
    if (geteuid() != 0) GTEST_SKIP() << "only root runs the program in another user's folder";
    const RootsFolder roots;
    ASSERT_EQ(chmod(roots.Path.c_str(), 0700), 0);
    const std::string book = "root's book";
    roots.Secret("book.dbf", book);

    DesktopSession Session;
    const std::filesystem::path books = Session.Folder() / "books";
    std::filesystem::create_symlink(roots.Path, books);
    ASSERT_EQ(lchown(books.c_str(), User, User), 0);
    std::string window;
    StartAsRootInUsersFolder(Session, build, window);
    if (HasFatalFailure()) return;
    Session.ClickAt(window, WriterReadX, WriterReadY);
    QuietDeviceLog(Session);

    Session.ClickAt(window, WriterSaveToFileX, WriterSaveToFileY);
    const std::string chooser = WaitForTitled(Session, "Записать таблицу");
    ASSERT_FALSE(chooser.empty()) << ProgramLog(Session);
    Session.Run("xdotool windowactivate --sync " + chooser + " type --delay 50 books/book.dbf");
    Session.PressKeys("Return");
    // "book.dbf уже существует. Заменить его?": Да, which is not the default answer.
    const std::string replace = WaitForBoxOver(Session, "Записать таблицу", chooser);
    ASSERT_FALSE(replace.empty()) << ProgramLog(Session);
    Session.Run("xdotool windowactivate --sync " + replace + " key shift+Tab space");
    const std::string foreign = "Файл оставлен без изменений: ссылка ведёт к чужому файлу: " +
                                (books / "book.dbf").string();
    using namespace std::chrono_literals;
    for (int i = 0; i < 300 && ProgramLog(Session).find(foreign) == std::string::npos; ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_NE(ProgramLog(Session).find(foreign), std::string::npos) << ProgramLog(Session);

    QuitAndExpectACleanEnd(Session, window);
    roots.ExpectSecret("book.dbf", book);
    EXPECT_EQ(roots.Names(), std::vector<std::string>{"book.dbf"});
}

} // namespace
