#include "platform/vcl/SessionEnd.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace vcl
{
namespace
{

constexpr std::array EndSignals{SIGTERM, SIGHUP, SIGINT};

// A handler may do next to nothing safely: it writes a byte into a pipe, which the watch's
// thread reads from its event handling. The pipe is made once and lives with the process;
// both ends close on exec, so a program started from here gets neither.
struct TSignalPipe {
    int Read = -1;
    int Write = -1;
};

const TSignalPipe &SignalPipe()
{
    static const TSignalPipe pipe = [] {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return TSignalPipe{};
        return TSignalPipe{fds[0], fds[1]};
    }();
    return pipe;
}

volatile sig_atomic_t SignalPipeWrite = -1;
bool Watching = false;

void NoteSignal(int)
{
    const int saved = errno;
    const char byte = 0;
    // A full pipe holds notices enough: one that does not fit is not missed.
    [[maybe_unused]] const ssize_t written = write(SignalPipeWrite, &byte, 1);
    errno = saved;
}

void DrainSignalPipe()
{
    char bytes[64];
    while (read(SignalPipe().Read, bytes, sizeof bytes) > 0) {
    }
}

bool Ignored(const struct sigaction &Action)
{
    return !(Action.sa_flags & SA_SIGINFO) && Action.sa_handler == SIG_IGN;
}

struct TExitAction {
    std::function<void()> Action;
    std::thread::id Thread;
    bool Registered = false;
};

TExitAction &ExitAction()
{
    static TExitAction action;
    return action;
}

void RunExitAction()
{
    TExitAction &exit = ExitAction();
    if (std::this_thread::get_id() != exit.Thread || !exit.Action) return;
    const std::function<void()> action = std::move(exit.Action);
    exit.Action = nullptr;
    // Nothing may leave a handler of the process's exit.
    try {
        action();
    } catch (...) {
    }
}

} // namespace

TEndSignalWatch::TEndSignalWatch(std::function<void()> OnSignal)
{
    if (Watching) throw std::logic_error("the end signals are watched already");
    const TSignalPipe &pipe = SignalPipe();
    // Without a pipe the signals end the process as before.
    if (pipe.Read < 0) return;
    Watching = true;
    // Notices of signals that came while no watch was there are not for this one.
    DrainSignalPipe();
    SignalPipeWrite = pipe.Write;
    FNotifier = std::make_unique<QSocketNotifier>(pipe.Read, QSocketNotifier::Read);
    QObject::connect(FNotifier.get(), &QSocketNotifier::activated, [OnSignal] {
        DrainSignalPipe();
        OnSignal();
    });
    for (const int signal : EndSignals) {
        struct sigaction before = {};
        sigaction(signal, nullptr, &before);
        if (Ignored(before)) continue;
        Handle(signal, NoteSignal);
    }
    // The terminal's Ctrl+C also ends a reader of the program's output (`make run | tee`): a
    // warning written on the way out must fail there, not end the program before it saved.
    Handle(SIGPIPE, SIG_IGN);
}

void TEndSignalWatch::Handle(int Signal, void (*Handler)(int))
{
    struct sigaction before = {};
    struct sigaction handle = {};
    handle.sa_handler = Handler;
    sigemptyset(&handle.sa_mask);
    handle.sa_flags = SA_RESTART;
    sigaction(Signal, &handle, &before);
    FPrevious.emplace_back(Signal, before);
}

TEndSignalWatch::~TEndSignalWatch()
{
    for (const auto &[signal, before] : FPrevious)
        sigaction(signal, &before, nullptr);
    if (FNotifier) Watching = false;
}

void AtExitOfThisThread(std::function<void()> Action)
{
    TExitAction &exit = ExitAction();
    exit.Thread = std::this_thread::get_id();
    exit.Action = std::move(Action);
    // Registered after the action's own store was made: it runs before that goes.
    if (!exit.Registered) exit.Registered = std::atexit(RunExitAction) == 0;
}

} // namespace vcl
