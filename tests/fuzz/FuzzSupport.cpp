#include "tests/fuzz/FuzzSupport.h"

#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Forms.h"
#include "tests/support/TestEnvironment.h"

#include <cstdio>
#include <cstdlib>
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

// Each run works in a fresh folder of its own, removed at exit.
class TWorkingFolder
{
public:
    TWorkingFolder()
        : FPath(std::filesystem::temp_directory_path() / ("qrv4_fuzz_" + std::to_string(getpid())))
    {
        std::filesystem::remove_all(FPath);
        std::filesystem::create_directories(FPath);
        std::filesystem::current_path(FPath);
    }
    ~TWorkingFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }

private:
    std::filesystem::path FPath;
};

std::vector<std::function<void()>> &Preparations()
{
    static std::vector<std::function<void()>> List;
    return List;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    SetTestEnvironment();
    static TWorkingFolder Folder;
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

AnsiString Text(const std::uint8_t *Data, std::size_t Size)
{
    return AnsiString(std::string_view(reinterpret_cast<const char *>(Data), Size));
}

AnsiString WriteFile(const char *Name, const std::uint8_t *Data, std::size_t Size)
{
    std::ofstream(Name, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(Data), static_cast<std::streamsize>(Size));
    return Name;
}

void Broken(const char *What)
{
    std::fprintf(stderr, "fuzz target property broken: %s\n", What);
    std::abort();
}

} // namespace fuzz

// fontconfig keeps its caches until the process ends; they are not ours to free.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}
