#pragma once
// The real program on a real X server of its own, looked at and worked from the
// outside as a person would: window names and hints read with the X tools, the
// pointer moved and clicked with xdotool.

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace desktop
{

class DesktopSession
{
public:
    // Starts an X server on a free display.
    DesktopSession();
    ~DesktopSession();
    DesktopSession(const DesktopSession &) = delete;
    DesktopSession &operator=(const DesktopSession &) = delete;

    bool Ready() const { return FDisplay >= 0; }
    std::string Display() const
    {
        std::string name = ":";
        return name += std::to_string(FDisplay);
    }
    // The folder the program runs in (its base folder), made empty for the session.
    const std::filesystem::path &Folder() const { return FFolder; }

    // Starts the program in Folder on this display; with a limit, the files it writes may grow
    // no larger than that many bytes (as `prlimit --fsize` sets it).
    void StartProgram(std::optional<unsigned long> FileSizeLimit = std::nullopt);
    // Starts the program of Build as `make run` does, through the run script, with
    // Folder as the run folder.
    void StartRunScript(const std::string &Build = QRV4_BUILD_DIR);
    // The run script's command line for Folder, with the display set.
    std::string RunScriptCommand(const std::string &Build = QRV4_BUILD_DIR) const;
    // The program's command line in Folder, with the display set: a second program, started
    // by hand beside the first.
    std::string ProgramCommand() const;
    // Starts a window manager, which frames the windows that come after it.
    bool StartWindowManager();
    // The program's first visible top-level window, once it has one; empty if it
    // never shows one or dies first.
    std::optional<std::string> WaitForWindow();
    // The program's exit status (as waitpid reports it) once it has ended, or
    // nothing when it still runs after a generous while (it is then killed).
    std::optional<int> WaitForExit();
    // The process the session started: the program, or the run script that starts it.
    pid_t Started() const { return FProgram; }
    // Sends Signal to the processes the session started, as a terminal does to its job.
    void SignalStarted(int Signal) const;
    // Ends the X server, as the end of a desktop session does; false if it would not go.
    bool EndServer();

    // What a command prints, run with DISPLAY set to this session's display;
    // Status gets its exit status.
    std::string Run(const std::string &Command, int *Status = nullptr) const;
    // A window's property as xprop prints it.
    std::string Property(const std::string &Window, const std::string &Name) const;
    // Moves the pointer to a point of a window and clicks the left button there.
    void ClickAt(const std::string &Window, int X, int Y) const;
    // Clicks the close button of the frame the window manager put round a window.
    void ClickCloseButton(const std::string &Window) const;
    // Types keys (xdotool's names) into the window that has the focus.
    void PressKeys(const std::string &Keys) const;

private:
    std::vector<std::string> Environment() const;
    void Start(std::vector<std::string> Command);

    int FDisplay = -1;
    pid_t FServer = -1;
    pid_t FProgram = -1;
    pid_t FWindowManager = -1;
    std::string FWindowSearch;
    std::filesystem::path FFolder;
};

} // namespace desktop
