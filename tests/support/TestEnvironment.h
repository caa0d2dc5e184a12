#pragma once

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

// Qt keeps its runtime files in the session's runtime folder. A login without one (through su
// or ssh, or a CI job) would have Qt make one in the temporary folder and leave it there; the
// test program gives itself one there instead, and takes it away when it ends.
inline void GiveRuntimeFolder()
{
    if (std::getenv("XDG_RUNTIME_DIR")) return;
    static std::string Folder =
        (std::filesystem::temp_directory_path() / "qrv4_runtime_XXXXXX").string();
    static const pid_t Owner = getpid();
    if (!mkdtemp(Folder.data())) return;
    setenv("XDG_RUNTIME_DIR", Folder.c_str(), 1);
    // A child forked for a death test ends through the same handlers, and leaves it be.
    std::atexit([] {
        std::error_code Error;
        if (getpid() == Owner) std::filesystem::remove_all(Folder, Error);
    });
}

// Every test program runs under a Russian locale, which no routine of ours may read, and
// headless Qt at 96 dpi unless the caller chose a display.
inline void SetTestEnvironment()
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
    setenv("QT_SCALE_FACTOR", "1", 1);
    setenv("LANG", "ru_RU.UTF-8", 1);
    setenv("LC_ALL", "ru_RU.UTF-8", 1);
    std::setlocale(LC_ALL, "");
    GiveRuntimeFolder();
}
