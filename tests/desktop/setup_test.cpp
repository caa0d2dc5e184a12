// The set-up a new user's `make run` starts with, as a normal user on a machine without sudo:
// what is missing, and the one command that installs it, instead of a bare "sudo: command not
// found".

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace
{

// A folder of programs that is the whole PATH: the shell's tools, and a package list and a
// locale list of a machine that lacks one package and the Russian locale. No sudo.
class BareMachine
{
public:
    BareMachine()
    {
        FBin = fs::temp_directory_path() / ("qrv4_setup_" + std::to_string(getpid()));
        fs::remove_all(FBin);
        fs::create_directories(FBin);
        for (const char *tool : {"bash", "id", "grep", "env", "sed", "cat"})
            fs::create_symlink(Which(tool), FBin / tool);
        Script("dpkg-query", "case \"$*\" in *fonts-wine*) exit 1;; esac\n"
                             "printf 'install ok installed'\n");
        Script("locale", "echo C\necho POSIX\n");
        // Reached only if the set-up tried to install by itself.
        Script("apt-get", "echo apt-get ran >&2\nexit 100\n");
        fs::permissions(FBin, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
    }
    ~BareMachine() { fs::remove_all(FBin); }

    std::string Path() const { return FBin.string(); }

private:
    static fs::path Which(const std::string &Tool)
    {
        for (const char *folder : {"/usr/bin", "/bin", "/usr/sbin", "/sbin"})
            if (fs::exists(fs::path(folder) / Tool)) return fs::path(folder) / Tool;
        return Tool;
    }
    void Script(const std::string &Name, const std::string &Body) const
    {
        std::ofstream(FBin / Name) << "#!/bin/sh\n" << Body;
        fs::permissions(FBin / Name, fs::perms::owner_all | fs::perms::group_read |
                                         fs::perms::group_exec | fs::perms::others_read |
                                         fs::perms::others_exec);
    }

    fs::path FBin;
};

// What the command prints on both streams; Status gets its exit status.
std::string Output(const std::string &Command, int &Status)
{
    std::string text;
    FILE *pipe = popen((Command + " 2>&1").c_str(), "r");
    std::array<char, 512> chunk;
    for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0;)
        text.append(chunk.data(), n);
    const int status = pclose(pipe);
    Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return text;
}

} // namespace

TEST(Setup, NormalUserWithoutSudoIsToldWhatIsMissingAndTheRootCommand)
{
    BareMachine machine;
    // A normal user: root runs the set-up as uid 65534.
    const std::string user =
        geteuid() == 0 ? "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    int status = 0;
    const std::string said = Output(user + "/usr/bin/env PATH=" + machine.Path() + " " +
                                        QRV4_SOURCE_DIR "/scripts/setup",
                                    status);
    EXPECT_NE(status, 0) << said;
    EXPECT_EQ(said.find("command not found"), std::string::npos) << said;
    EXPECT_EQ(said.find("apt-get ran"), std::string::npos) << said;
    EXPECT_NE(said.find("the Debian packages fonts-wine\n"), std::string::npos) << said;
    EXPECT_NE(said.find("the Russian locale ru_RU.UTF-8"), std::string::npos) << said;
    EXPECT_NE(said.find("  su -c 'apt-get update && apt-get install -y --no-install-recommends "
                        "fonts-wine && echo \"ru_RU.UTF-8 UTF-8\" >>/etc/locale.gen && "
                        "locale-gen'\n"),
              std::string::npos)
        << said;
}
