// The update list a mirror serves: the names it gives are the only ones the program will
// fetch and store, so whatever the list holds, a name taken is a bare file name of its kind.

#include "link/main_form.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>
#include <string>

namespace
{

// A name that stays in the program's folder when stored and in its path when fetched.
bool IsBareName(const AnsiString &Name, const char *Kind)
{
    const std::string Text = Name.ToStd();
    const bool Printable = std::all_of(Text.begin(), Text.end(), [](char c) {
        return c > ' ' && c < 0x7F && c != '/' && c != '\\';
    });
    return Printable && Text.find("..") == std::string::npos &&
           Text.find(Kind) != std::string::npos && LowerCase(Name).View().ends_with(".qrv");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    TUpdateList List;
    if (!ReadUpdateList(fuzz::WriteFile("update.lst", Data, Size), List)) return 0;
    if (!IsBareName(List.FirmwareName, "firmware") || !IsBareName(List.FontsName, "fonts"))
        fuzz::Broken("an unsafe name was taken from the update list");
    return 0;
}
