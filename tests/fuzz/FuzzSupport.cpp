#include "tests/fuzz/FuzzSupport.h"

#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Forms.h"
#include "tests/support/TestEnvironment.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace
{

// Every message box takes its harmless answer and every other dialog is cancelled, so
// no input can wait for a person.
class TDefaultAnswers : public vcl::DialogProvider
{
public:
    int Message(const vcl::MessageRequest &Request) override
    {
        if (Request.Buttons.Contains(mbOK)) return mrOk;
        if (Request.Buttons.Contains(mbNo)) return mrNo;
        return mrCancel;
    }
    bool Execute(TCommonDialog &) override { return false; }
    bool Input(const AnsiString &, const AnsiString &, AnsiString &) override { return false; }
};

// Each run keeps its files in a fresh folder of its own, removed at exit. The current
// folder stays, since libFuzzer reads the corpus folders it was given after start-up.
class TWorkingFolder
{
public:
    TWorkingFolder()
        : FPath(std::filesystem::temp_directory_path() / ("qrv4_fuzz_" + std::to_string(getpid())))
    {
        std::filesystem::remove_all(FPath);
        std::filesystem::create_directories(FPath);
    }
    ~TWorkingFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }

    const std::filesystem::path &Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

TWorkingFolder &WorkingFolder()
{
    static TWorkingFolder Folder;
    return Folder;
}

// fontconfig keeps its caches until the process ends; they are not ours to free. A plain
// array, since the leak check at exit runs after the destructors of statics.
char LeakRules[512] = "leak:libfontconfig.so\n";

std::vector<std::function<void()>> &Preparations()
{
    static std::vector<std::function<void()>> List;
    return List;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    SetTestEnvironment();
    WorkingFolder();
    static TDefaultAnswers Answers;
    vcl::SetDialogService(&Answers);
    for (const auto &Prepare : Preparations())
        Prepare();
    return 0;
}

namespace fuzz
{

void StartApplication()
{
    static const bool Started = [] {
        Application->Initialize();
        Application->SetTitle("QRV-4");
        return true;
    }();
    (void)Started;
}

bool BeforeInputs(std::function<void()> Prepare)
{
    Preparations().push_back(std::move(Prepare));
    return true;
}

bool AllowLeaksFrom(const char *Function)
{
    const std::size_t Used = std::strlen(LeakRules);
    const std::size_t Room = sizeof LeakRules - Used;
    const int Written = std::snprintf(LeakRules + Used, Room, "leak:%s\n", Function);
    if (Written < 0 || static_cast<std::size_t>(Written) >= Room) Broken("leak rules too long");
    return true;
}

AnsiString Text(const std::uint8_t *Data, std::size_t Size)
{
    return AnsiString(std::string_view(reinterpret_cast<const char *>(Data), Size));
}

AnsiString Folder()
{
    return AnsiString(WorkingFolder().Path().string());
}

AnsiString WriteFile(const char *Name, const std::uint8_t *Data, std::size_t Size)
{
    const std::filesystem::path Path = WorkingFolder().Path() / Name;
    std::ofstream(Path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(Data), static_cast<std::streamsize>(Size));
    return AnsiString(Path.string());
}

void Broken(const char *What)
{
    std::fprintf(stderr, "fuzz target property broken: %s\n", What);
    std::abort();
}

} // namespace fuzz

// Read at the first leak check, after every target's initialisers have run.
extern "C" const char *__lsan_default_suppressions()
{
    return LeakRules;
}
