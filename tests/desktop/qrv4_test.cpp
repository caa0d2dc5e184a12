// The program as a person starts it on an X display: what the window manager is
// told about its main window, and a clean end when it is closed.

#include "tests/desktop/DesktopSession.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <fstream>
#include <sstream>

namespace
{

using desktop::DesktopSession;

// Where the quit button sits in the main window's client area.
constexpr int QuitButtonX = 869;
constexpr int QuitButtonY = 22;

std::string ProgramLog(const DesktopSession &Session)
{
    std::ifstream in(Session.Folder() / "program.log");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
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

    Session.ClickAt(*window, QuitButtonX, QuitButtonY);
    const auto end = Session.WaitForExit();
    ASSERT_TRUE(end) << ProgramLog(Session);
    EXPECT_TRUE(WIFEXITED(*end) && WEXITSTATUS(*end) == 0) << ProgramLog(Session);
}

} // namespace
