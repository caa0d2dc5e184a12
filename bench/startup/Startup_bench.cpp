// The program's start against a bare Qt window's, on a display of the benchmark's own (Xvfb).
//
// BM_StartToWindowMapped starts the program and the bare window (the same size, one label)
// alternately, each from its process's start to its main window mapped; program_ms and bare_ms
// are the medians, ratio is program_ms / bare_ms (goal: at most 1.3).
//
// BM_InfoTab starts the program and, once its window shows, reads what it holds: rss_mb, the
// web engine's processes (engine_processes) and whether an OpenGL driver was loaded
// (gl_loaded); goal for both: 0 until the Info tab shows. Then it clicks the Info tab and
// times it to the page's heading painted (info_ms, median), and reads the same again (_after).

#include "bench/support/Timings.h"

#include <benchmark/benchmark.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <memory>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

using Clock = std::chrono::steady_clock;
using bench::Median;

double Milliseconds(Clock::duration Span)
{
    return std::chrono::duration<double, std::milli>(Span).count();
}

// An Xvfb of our own, and a connection that hears each top-level window mapped.
class Display
{
public:
    explicit Display(int Number)
    {
        std::ostringstream name;
        name << ':' << Number;
        FName = name.str();
        FServer = fork();
        if (FServer == 0) {
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDERR_FILENO);
            execlp("Xvfb", "Xvfb", FName.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
                   "tcp", static_cast<char *>(nullptr));
            _exit(127);
        }
        // Up once it takes connections; gone when the number was taken.
        for (int wait = 0; wait < 100 && waitpid(FServer, nullptr, WNOHANG) == 0; ++wait) {
            FConnection = xcb_connect(FName.c_str(), nullptr);
            if (!xcb_connection_has_error(FConnection)) break;
            xcb_disconnect(FConnection);
            FConnection = nullptr;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (!FConnection) return;
        FRoot = xcb_setup_roots_iterator(xcb_get_setup(FConnection)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(FConnection, FRoot, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(FConnection);
    }
    ~Display()
    {
        if (FConnection) xcb_disconnect(FConnection);
        if (FServer > 0) {
            kill(FServer, SIGTERM);
            waitpid(FServer, nullptr, 0);
        }
    }

    bool Ready() const { return FConnection && !xcb_connection_has_error(FConnection); }
    const std::string &Name() const { return FName; }

    // Waits for a window at least as large as a main window to be mapped; 0 on time-out.
    xcb_window_t WaitMapped(int TimeoutMs)
    {
        const Clock::time_point end = Clock::now() + std::chrono::milliseconds(TimeoutMs);
        while (Clock::now() < end) {
            xcb_generic_event_t *event = xcb_poll_for_event(FConnection);
            if (!event) {
                pollfd wait{xcb_get_file_descriptor(FConnection), POLLIN, 0};
                poll(&wait, 1, 5);
                continue;
            }
            xcb_window_t mapped = 0;
            if ((event->response_type & 0x7F) == XCB_MAP_NOTIFY)
                mapped = reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
            std::free(event);
            if (mapped && Width(mapped) >= 400) return mapped;
        }
        return 0;
    }

    // The window's top-left corner on the screen.
    std::pair<int, int> Origin(xcb_window_t Window)
    {
        auto *reply = xcb_translate_coordinates_reply(
            FConnection, xcb_translate_coordinates(FConnection, Window, FRoot, 0, 0), nullptr);
        std::pair<int, int> at{0, 0};
        if (reply) at = {reply->dst_x, reply->dst_y};
        std::free(reply);
        return at;
    }

    // Pixels of the given colour in a rectangle of the screen.
    int CountPixels(int X, int Y, int W, int H, uint32_t Rgb)
    {
        auto *reply = xcb_get_image_reply(
            FConnection,
            xcb_get_image(FConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, FRoot, static_cast<int16_t>(X),
                          static_cast<int16_t>(Y), static_cast<uint16_t>(W),
                          static_cast<uint16_t>(H), ~0u),
            nullptr);
        if (!reply) return 0;
        const auto *pixels = reinterpret_cast<const uint32_t *>(xcb_get_image_data(reply));
        const int count = xcb_get_image_data_length(reply) / 4;
        const int found = static_cast<int>(std::count_if(
            pixels, pixels + count, [&](uint32_t P) { return (P & 0xFFFFFF) == Rgb; }));
        std::free(reply);
        return found;
    }

    // Leaves out the windows mapped so far.
    void Drain()
    {
        xcb_flush(FConnection);
        while (xcb_generic_event_t *event = xcb_poll_for_event(FConnection))
            std::free(event);
    }

private:
    int Width(xcb_window_t Window)
    {
        auto *reply =
            xcb_get_geometry_reply(FConnection, xcb_get_geometry(FConnection, Window), nullptr);
        const int width = reply ? reply->width : 0;
        std::free(reply);
        return width;
    }

    pid_t FServer = -1;
    std::string FName;
    xcb_connection_t *FConnection = nullptr;
    xcb_window_t FRoot = 0;
};

// Display numbers are shared with every other X server the machine runs, so a few are tried.
Display &Screen()
{
    static const std::unique_ptr<Display> display = [] {
        const int first = 200 + getpid() % 500;
        auto started = std::make_unique<Display>(first);
        for (int number = first + 1; number < first + 5 && !started->Ready(); ++number)
            started = std::make_unique<Display>(number);
        return started;
    }();
    return *display;
}

// The program in a base folder of its own, with an empty port folder, as a new user starts it.
class Started
{
public:
    Started(const char *Program, const std::filesystem::path &Folder)
    {
        std::filesystem::create_directories(Folder / "ports");
        const std::string display = Screen().Name();
        FPid = fork();
        if (FPid == 0) {
            if (chdir(Folder.c_str()) != 0) _exit(127);
            setenv("DISPLAY", display.c_str(), 1);
            setenv("QT_QPA_PLATFORM", "xcb", 1);
            setenv("QRV4_PORTS", (Folder / "ports").c_str(), 1);
            const int quiet = open("/dev/null", O_WRONLY);
            dup2(quiet, STDERR_FILENO);
            execl(Program, Program, static_cast<char *>(nullptr));
            _exit(127);
        }
    }
    ~Started()
    {
        if (FPid <= 0) return;
        // The engine's processes too, so that they take no time from the next start.
        for (pid_t child : Children())
            kill(child, SIGKILL);
        kill(FPid, SIGKILL);
        waitpid(FPid, nullptr, 0);
    }

    pid_t Pid() const { return FPid; }
    std::vector<pid_t> Children() const
    {
        std::vector<pid_t> children;
        DIR *proc = opendir("/proc");
        while (dirent *entry = proc ? readdir(proc) : nullptr) {
            const pid_t pid = std::atoi(entry->d_name);
            if (pid <= 0) continue;
            std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
            std::string line;
            std::getline(stat, line);
            // pid (comm) state ppid ...: the parent follows the last ')'.
            std::istringstream rest(line.substr(line.rfind(')') + 1));
            std::string state;
            pid_t parent = 0;
            rest >> state >> parent;
            if (parent == FPid) children.push_back(pid);
        }
        if (proc) closedir(proc);
        return children;
    }
    double ResidentMb() const
    {
        std::ifstream status("/proc/" + std::to_string(FPid) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024;
        return 0;
    }
    // A DRI driver in the process: an OpenGL context was made.
    bool GlLoaded() const
    {
        std::ifstream maps("/proc/" + std::to_string(FPid) + "/maps");
        for (std::string line; std::getline(maps, line);)
            if (line.find("_dri.so") != std::string::npos) return true;
        return false;
    }

private:
    pid_t FPid = -1;
};

std::filesystem::path RunFolder(const char *Name)
{
    std::ostringstream name;
    name << "qrv4-start-" << getpid() << "-" << Name;
    return std::filesystem::temp_directory_path() / name.str();
}

// From the process's start to its window mapped, in milliseconds; 0 when it never showed.
double StartToMapped(const char *Program, const char *Folder)
{
    Screen().Drain();
    const Clock::time_point start = Clock::now();
    Started process(Program, RunFolder(Folder));
    const bool mapped = Screen().WaitMapped(20000) != 0;
    return mapped ? Milliseconds(Clock::now() - start) : 0;
}

void BM_StartToWindowMapped(benchmark::State &State)
{
    if (!Screen().Ready()) {
        State.SkipWithError("Xvfb did not start");
        return;
    }
    std::vector<double> program, bare;
    for (auto _ : State) {
        const double ours = StartToMapped(QRV4_PROGRAM, "program");
        const double theirs = StartToMapped(QRV4_BARE_WINDOW, "bare");
        if (ours == 0 || theirs == 0) {
            State.SkipWithError("a window did not show");
            return;
        }
        program.push_back(ours);
        bare.push_back(theirs);
        State.SetIterationTime(ours / 1000);
    }
    State.counters["program_ms"] = bench::Median(program);
    State.counters["bare_ms"] = bench::Median(bare);
    State.counters["ratio"] = bench::Median(program) / bench::Median(bare);
}

BENCHMARK(BM_StartToWindowMapped)->Iterations(21)->UseManualTime()->Unit(benchmark::kMillisecond);

// Where the Info tab's header and the page's heading are in the main window, and the heading's
// blue.
constexpr int InfoTabX = 397, InfoTabY = 56;
constexpr int PageX = 8, PageY = 72, PageW = 917, PageH = 140;
constexpr uint32_t HeadingBlue = 0x1F4E8C;

void BM_InfoTab(benchmark::State &State)
{
    if (!Screen().Ready()) {
        State.SkipWithError("Xvfb did not start");
        return;
    }
    std::vector<double> info;
    double rss = 0, rssAfter = 0;
    std::size_t engines = 0, enginesAfter = 0;
    bool gl = false, glAfter = false;
    for (auto _ : State) {
        Screen().Drain();
        Started process(QRV4_PROGRAM, RunFolder("info"));
        const xcb_window_t window = Screen().WaitMapped(20000);
        if (!window) {
            State.SkipWithError("the window did not show");
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        rss = process.ResidentMb();
        engines = process.Children().size();
        gl = process.GlLoaded();

        const auto [x, y] = Screen().Origin(window);
        std::ostringstream click;
        click << "DISPLAY=" << Screen().Name() << " xdotool mousemove " << x + InfoTabX << " "
              << y + InfoTabY << " click 1";
        const Clock::time_point start = Clock::now();
        if (std::system(click.str().c_str()) != 0) {
            State.SkipWithError("xdotool failed");
            return;
        }
        while (Screen().CountPixels(x + PageX, y + PageY, PageW, PageH, HeadingBlue) < 200) {
            if (Clock::now() - start > std::chrono::seconds(30)) {
                State.SkipWithError("the page was not painted");
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const double ms = Milliseconds(Clock::now() - start);
        info.push_back(ms);
        State.SetIterationTime(ms / 1000);
        rssAfter = process.ResidentMb();
        enginesAfter = process.Children().size();
        glAfter = process.GlLoaded();
    }
    State.counters["rss_mb"] = rss;
    State.counters["engine_processes"] = static_cast<double>(engines);
    State.counters["gl_loaded"] = gl;
    State.counters["info_ms"] = bench::Median(info);
    State.counters["rss_mb_after"] = rssAfter;
    State.counters["engine_processes_after"] = static_cast<double>(enginesAfter);
    State.counters["gl_loaded_after"] = glAfter;
}

BENCHMARK(BM_InfoTab)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
