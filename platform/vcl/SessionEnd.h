#pragma once

// The end of the session as the program sees it from inside: the signal of a desktop's logout
// (SIGTERM), of a terminal closed (SIGHUP) or of Ctrl+C in it (SIGINT), and Qt's exit when the
// display goes away. The application turns them into the close its main form does.

#include <csignal>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QSocketNotifier;

namespace vcl
{

// While it lives, SIGTERM, SIGHUP and SIGINT no longer end the process at once: each calls
// OnSignal on the thread that made the watch, from its event handling. A signal the process
// was started with ignored (nohup's SIGHUP, a background job's SIGINT) stays ignored, and
// SIGPIPE is ignored: a write to a reader gone fails instead of ending the process. Going
// away, it gives the signals back what they did before. One watch at a time.
class TEndSignalWatch
{
public:
    explicit TEndSignalWatch(std::function<void()> OnSignal);
    ~TEndSignalWatch();
    TEndSignalWatch(const TEndSignalWatch &) = delete;
    TEndSignalWatch &operator=(const TEndSignalWatch &) = delete;

private:
    void Handle(int Signal, void (*Handler)(int));

    std::unique_ptr<QSocketNotifier> FNotifier;
    // Each signal taken over, with what it did before.
    std::vector<std::pair<int, struct sigaction>> FPrevious;
};

// Runs Action when the process is ended by exit() on the thread that calls this: Qt ends it
// so, from inside its event handling, when the display's connection breaks. Action may touch
// no window then; it decides itself whether the moment is one to act in. Called again, it
// replaces the action; an empty one does nothing.
void AtExitOfThisThread(std::function<void()> Action);

} // namespace vcl
