// The configuration file "qrv4.cfg" as the program reads it at start-up, written back as
// it is at exit, and read again: the second read gives what the first one did.

#include "link/config.h"
#include "tests/fuzz/FuzzSupport.h"

namespace
{

const char ConfigName[] = "qrv4.cfg";

bool SameSettings(const TConfig &A, const TConfig &B)
{
    return A.Bios_file == B.Bios_file && A.Fonts_file == B.Fonts_file && A.COM_port == B.COM_port &&
           A.COM_speed == B.COM_speed && A.SellerName == B.SellerName &&
           A.SellerAddress == B.SellerAddress && A.SellerBank == B.SellerBank &&
           A.ProductName == B.ProductName && A.TypeKey == B.TypeKey && A.KeyHex == B.KeyHex &&
           A.CountTovcheck == B.CountTovcheck && A.Left == B.Left && A.Top == B.Top;
}

// The program's settings with the target's folder for their base folder.
TConfig InFolder()
{
    TConfig Settings(ConfigName);
    Settings.BaseDir = fuzz::Folder();
    return Settings;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    fuzz::WriteFile(ConfigName, Data, Size);
    TConfig Read = InFolder();
    ReadConfig(Read);
    WriteConfig(Read);
    TConfig Again = InFolder();
    ReadConfig(Again);
    if (!SameSettings(Read, Again)) fuzz::Broken("the settings written do not read back");
    return 0;
}
