#include "tests/desktop/DesktopSession.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <sstream>
#include <thread>
#include <vector>

extern char **environ;

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace desktop
{
namespace
{

// A sanitised program on a loaded machine can take a long time to start or end.
constexpr auto Patience = 180s;

pid_t Spawn(std::vector<std::string> Args, const std::vector<std::string> &Environment,
            const posix_spawn_file_actions_t *Actions)
{
    std::vector<char *> argv;
    for (std::string &a : Args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // Ours replace the inherited ones of the same names.
    std::vector<std::string> env(Environment);
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(e.data());
    for (char **e = environ; *e; ++e) {
        const std::string_view name(*e, std::strcspn(*e, "="));
        if (std::none_of(env.begin(), env.end(), [&](const std::string &o) {
                return o.starts_with(std::string(name) + "=");
            }))
            envp.push_back(*e);
    }
    envp.push_back(nullptr);
    // A group of its own, so that stopping it stops whatever it started; the signals that end
    // a terminal's job do so, even when the tests run as a background job, which ignores them.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t defaults, none;
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGHUP, SIGTERM, SIGQUIT})
        sigaddset(&defaults, signal);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, argv[0], Actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    return failed ? -1 : pid;
}

void Stop(pid_t &Pid)
{
    if (Pid <= 0) return;
    kill(-Pid, SIGKILL);
    waitpid(Pid, nullptr, 0);
    Pid = -1;
}

} // namespace

DesktopSession::DesktopSession()
{
    FFolder = fs::temp_directory_path() / ("qrv4_desktop_" + std::to_string(getpid()));
    fs::remove_all(FFolder);
    fs::create_directories(FFolder / "config");

    // The server writes the number of the display it found free to our pipe.
    int pipe_fds[2];
    if (pipe(pipe_fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    // Without -noreset the server resets each time its last client leaves (the
    // pointer move below, each X tool run) and drops whoever is connecting just then.
    FServer = Spawn(
        {"Xvfb", "-displayfd", "3", "-noreset", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
        {}, &actions);
    posix_spawn_file_actions_destroy(&actions);
    close(pipe_fds[1]);
    std::string number;
    pollfd p{pipe_fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, int(std::chrono::milliseconds(Patience).count())) > 0 &&
           read(pipe_fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(pipe_fds[0]);
    if (FServer > 0 && !number.empty()) FDisplay = std::stoi(number);
    // The pointer starts in the middle of the screen, over the program's controls,
    // where it would bring up their hints.
    if (Ready()) Run("xdotool mousemove 0 0");
}

DesktopSession::~DesktopSession()
{
    Stop(FProgram);
    Stop(FWindowManager);
    Stop(FServer);
    fs::remove_all(FFolder);
}

std::vector<std::string> DesktopSession::Environment() const
{
    // The X client libraries keep allocations until exit, so leak reports are off.
    std::vector<std::string> environment = {
        "DISPLAY=" + Display(), "QT_QPA_PLATFORM=xcb", "QRV4_PORTS=" + (FFolder / "ports").string(),
        "XDG_CONFIG_HOME=" + (FFolder / "config").string(), "ASAN_OPTIONS=detect_leaks=0"};
    // The print service of the test, when it started one of its own.
    if (const char *cups = std::getenv("CUPS_SERVER"))
        environment.push_back(std::string("CUPS_SERVER=") + cups);
    return environment;
}

void DesktopSession::Start(std::vector<std::string> Command)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, FFolder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, (FFolder / "program.log").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    FProgram = Spawn(std::move(Command), Environment(), &actions);
    posix_spawn_file_actions_destroy(&actions);
}

void DesktopSession::StartProgram(std::optional<unsigned long> FileSizeLimit)
{
    std::vector<std::string> command = {QRV4_PROGRAM};
    if (FileSizeLimit)
        command.insert(command.begin(), {"prlimit", "--fsize=" + std::to_string(*FileSizeLimit)});
    Start(std::move(command));
    FWindowSearch = "--pid " + std::to_string(FProgram);
}

void DesktopSession::StartRunScript(const std::string &Build)
{
    Start({QRV4_RUN_SCRIPT, Build, FFolder.string()});
    FWindowSearch = "--class '^QRV-4$'";
}

std::string DesktopSession::RunScriptCommand(const std::string &Build) const
{
    std::string command;
    for (const std::string &e : Environment())
        command += e + " ";
    return command + QRV4_RUN_SCRIPT + " " + Build + " " + FFolder.string();
}

std::string DesktopSession::ProgramCommand() const
{
    std::string command = "cd '" + FFolder.string() + "' && env";
    for (const std::string &e : Environment())
        command += " " + e;
    return command + " " QRV4_PROGRAM;
}

bool DesktopSession::StartWindowManager()
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    FWindowManager = Spawn({"openbox"}, Environment(), &actions);
    posix_spawn_file_actions_destroy(&actions);
    // It is up once it has claimed the screen.
    const auto end = std::chrono::steady_clock::now() + Patience;
    while (std::chrono::steady_clock::now() < end && FWindowManager > 0 &&
           waitpid(FWindowManager, nullptr, WNOHANG) == 0) {
        if (Run("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos)
            return true;
        std::this_thread::sleep_for(100ms);
    }
    return false;
}

std::optional<std::string> DesktopSession::WaitForWindow()
{
    const auto end = std::chrono::steady_clock::now() + Patience;
    const std::string search = "xdotool search --onlyvisible " + FWindowSearch + " 2>/dev/null";
    while (std::chrono::steady_clock::now() < end && waitpid(FProgram, nullptr, WNOHANG) == 0) {
        // A hint or a drop-down list may show as well; the main window is the largest.
        std::istringstream found(Run(search));
        std::optional<std::string> largest;
        long largestArea = 0;
        for (std::string window; std::getline(found, window);) {
            std::istringstream shell(Run("xdotool getwindowgeometry --shell " + window));
            long width = 0, height = 0;
            for (std::string line; std::getline(shell, line);) {
                if (line.starts_with("WIDTH=")) width = std::stol(line.substr(6));
                if (line.starts_with("HEIGHT=")) height = std::stol(line.substr(7));
            }
            if (width * height > largestArea) {
                largestArea = width * height;
                largest = window;
            }
        }
        if (largest) return largest;
        std::this_thread::sleep_for(100ms);
    }
    return std::nullopt;
}

std::optional<int> DesktopSession::WaitForExit()
{
    const auto end = std::chrono::steady_clock::now() + Patience;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (waitpid(FProgram, &status, WNOHANG) == FProgram) {
            FProgram = -1;
            return status;
        }
        std::this_thread::sleep_for(50ms);
    }
    Stop(FProgram);
    return std::nullopt;
}

void DesktopSession::SignalStarted(int Signal) const
{
    if (FProgram > 0) kill(-FProgram, Signal);
}

bool DesktopSession::EndServer()
{
    if (FServer <= 0) return false;
    kill(FServer, SIGTERM);
    const auto end = std::chrono::steady_clock::now() + Patience;
    while (std::chrono::steady_clock::now() < end) {
        if (waitpid(FServer, nullptr, WNOHANG) == FServer) {
            FServer = -1;
            return true;
        }
        std::this_thread::sleep_for(50ms);
    }
    return false;
}

std::string DesktopSession::Run(const std::string &Command, int *Status) const
{
    const std::string line = "DISPLAY=" + Display() + " " + Command;
    FILE *pipe = popen(line.c_str(), "r");
    if (!pipe) return {};
    std::string out;
    char chunk[256];
    while (std::size_t n = fread(chunk, 1, sizeof chunk, pipe))
        out.append(chunk, n);
    const int status = pclose(pipe);
    if (Status) *Status = status;
    return out;
}

std::string DesktopSession::Property(const std::string &Window, const std::string &Name) const
{
    return Run("xprop -id " + Window + " " + Name);
}

void DesktopSession::ClickAt(const std::string &Window, int X, int Y) const
{
    Run("xdotool mousemove --window " + Window + " " + std::to_string(X) + " " + std::to_string(Y) +
        " sleep 0.3 click 1");
}

void DesktopSession::ClickCloseButton(const std::string &Window) const
{
    // The frame's extents say how far its title bar reaches above and beside the window; the
    // close button is the title bar's last one, at its right end. xwininfo tells where the
    // window is on the screen (xdotool counts the frame in twice).
    std::istringstream info(Run("xwininfo -id " + Window));
    long x = 0, y = 0, width = 0;
    for (std::string line; std::getline(info, line);) {
        std::sscanf(line.c_str(), " Absolute upper-left X: %ld", &x);
        std::sscanf(line.c_str(), " Absolute upper-left Y: %ld", &y);
        std::sscanf(line.c_str(), " Width: %ld", &width);
    }
    const std::string extents = Property(Window, "_NET_FRAME_EXTENTS");
    long left = 0, right = 0, top = 0;
    std::sscanf(extents.c_str() + std::min(extents.find('='), extents.size()), "= %ld, %ld, %ld",
                &left, &right, &top);
    const long buttonX = x + width + right - top / 2 - 2;
    const long buttonY = y - top / 2;
    Run("xdotool mousemove " + std::to_string(buttonX) + " " + std::to_string(buttonY) +
        " sleep 0.3 click 1");
}

void DesktopSession::PressKeys(const std::string &Keys) const
{
    Run("xdotool key --delay 200 " + Keys);
}

} // namespace desktop
