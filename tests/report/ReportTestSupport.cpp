#include "tests/report/ReportTestSupport.h"

#include <cstdlib>
#include <filesystem>

AnsiString Cp(const char *Utf8)
{
    return AnsiString::FromUtf8(Utf8);
}

ScriptedBoxes::ScriptedBoxes() : FBefore(vcl::SetDialogService(&Dialogs)) {}

ScriptedBoxes::~ScriptedBoxes()
{
    vcl::SetDialogService(FBefore);
}

TempFolder::TempFolder()
{
    std::string Pattern = (std::filesystem::temp_directory_path() / "frxtestXXXXXX").string();
    FDir = mkdtemp(Pattern.data()) ? Pattern : std::string();
}

TempFolder::~TempFolder()
{
    std::error_code Ignored;
    if (!FDir.empty()) std::filesystem::remove_all(FDir, Ignored);
}

AnsiString TempFolder::Path(const char *Name) const
{
    return AnsiString(FDir + "/" + Name);
}
