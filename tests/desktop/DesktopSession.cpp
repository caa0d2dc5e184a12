#include "tests/desktop/DesktopSession.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
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
    // Ours come first: a name given twice is read from its first place.
    std::vector<std::string> env(Environment);
    std::vector<char *> envp;
    for (std::string &e : env)
        envp.push_back(e.data());
    for (char **e = environ; *e; ++e)
        envp.push_back(*e);
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], Actions, nullptr, argv.data(), envp.data()) != 0) return -1;
    return pid;
}

void Stop(pid_t &Pid)
{
    if (Pid <= 0) return;
    kill(Pid, SIGKILL);
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
    FServer = Spawn({"Xvfb", "-displayfd", "3", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
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
}

DesktopSession::~DesktopSession()
{
    Stop(FProgram);
    Stop(FServer);
    fs::remove_all(FFolder);
}

void DesktopSession::StartProgram()
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, FFolder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, (FFolder / "program.log").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    // The X client libraries keep allocations until exit, so leak reports are off.
    FProgram =
        Spawn({QRV4_PROGRAM},
              {"DISPLAY=" + Display(), "QT_QPA_PLATFORM=xcb",
               "QRV4_PORTS=" + (FFolder / "ports").string(),
               "XDG_CONFIG_HOME=" + (FFolder / "config").string(), "ASAN_OPTIONS=detect_leaks=0"},
              &actions);
    posix_spawn_file_actions_destroy(&actions);
}

std::optional<std::string> DesktopSession::WaitForWindow()
{
    const auto end = std::chrono::steady_clock::now() + Patience;
    const std::string search =
        "xdotool search --onlyvisible --pid " + std::to_string(FProgram) + " 2>/dev/null";
    while (std::chrono::steady_clock::now() < end && waitpid(FProgram, nullptr, WNOHANG) == 0) {
        const std::string found = Run(search);
        if (!found.empty()) return found.substr(0, found.find('\n'));
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

std::string DesktopSession::Run(const std::string &Command) const
{
    const std::string line = "DISPLAY=" + Display() + " " + Command;
    FILE *pipe = popen(line.c_str(), "r");
    if (!pipe) return {};
    std::string out;
    char chunk[256];
    while (std::size_t n = fread(chunk, 1, sizeof chunk, pipe))
        out.append(chunk, n);
    pclose(pipe);
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

} // namespace desktop
