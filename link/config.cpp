#include "link/config.h"

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

TConfig::TConfig(const AnsiString &AFileName)
    : FileName(AFileName), SellerName("ООО Фирма"_a), SellerAddress("адрес Вашей фирмы"_a),
      SellerBank("ИНН, КПП, реквизиты фирмы"_a), ProductName("Домофонный ключ"_a)
{
    BaseDir = ExcludeTrailingPathDelimiter(GetCurrentDir());
    DebugFile = GetBaseDir() + "qrv4_debug_session.txt";
}

AnsiString TConfig::GetBaseDir() const
{
    return BaseDir + PathDelim;
}

void HideFile(const AnsiString &Path)
{
    FileSetAttr(Path, faHidden | faSysFile);
}

namespace
{

// The keys of one file as ReadConfig takes them, noting whether the file is spoilt.
class ConfigReader
{
public:
    explicit ConfigReader(const AnsiString &Path) : FIni(Path) {}

    bool Damaged() const { return FDamaged || FKeys == 0; }
    void SetDamaged() { FDamaged = true; }

    AnsiString Text(const char *Section, const char *Key, const AnsiString &Current)
    {
        if (!FIni.ValueExists(Section, Key)) return Current;
        ++FKeys;
        return FIni.ReadString(Section, Key, Current);
    }
    int Int(const char *Section, const char *Key, int Current, int Fallback)
    {
        int value;
        if (TryStrToInt(Text(Section, Key, IntToStr(Current)), value)) return value;
        FDamaged = true;
        return Fallback;
    }
    double Price(const char *Key, double Current)
    {
        double value;
        if (TryStrToFloat(Text("PRICE", Key, FloatToStr(Current)), value)) return value;
        FDamaged = true;
        return 100.0;
    }
    // Any number but 0 is true, and so is a text that is no number.
    bool Flag(const char *Key, bool Current)
    {
        return Int("PRODUCT", Key, Current ? 1 : 0, 1) != 0;
    }

private:
    TIniFile FIni;
    int FKeys = 0;
    bool FDamaged = false;
};

// Judged by the rules the file is read by: a line the profile reader passes over, or a NUL
// byte (what a crash leaves in a file cut short), shows the file was spoilt or replaced.
bool LooksLikeSettings(const AnsiString &Path)
{
    std::ifstream in(rtl::SystemPath(Path), std::ios::binary);
    if (!in) return false;
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    return bytes.find('\0') == std::string::npos &&
           rtl::ProfileText(std::move(bytes)).OnlyProfileLines();
}

} // namespace

bool ReadConfig(TConfig &Cfg)
{
    AnsiString path = Cfg.FilePath();
    if (!FileExists(path)) {
        WriteConfig(Cfg);
        return false;
    }
    ConfigReader ini(path);
    if (!LooksLikeSettings(path)) ini.SetDamaged();
    try {
        Cfg.Bios_file = ini.Text("FILES", "Bios_file", Cfg.Bios_file);
        Cfg.Fonts_file = ini.Text("FILES", "Fonts_file", Cfg.Fonts_file);
        Cfg.COM_port = ini.Int("COM", "COM_port", Cfg.COM_port, 1);
        Cfg.COM_speed = ini.Int("COM", "COM_speed", Cfg.COM_speed, 9600);
        Cfg.SellerName = ini.Text("COMPANY", "SellerName", Cfg.SellerName);
        Cfg.SellerAddress = ini.Text("COMPANY", "SellerAddress", Cfg.SellerAddress);
        Cfg.SellerBank = ini.Text("COMPANY", "SellerBank", Cfg.SellerBank);
        Cfg.ProductName = ini.Text("PRODUCT", "ProductName", Cfg.ProductName);
        Cfg.TypeKey = ini.Flag("TypeKey", Cfg.TypeKey);
        Cfg.KeyHex = ini.Flag("KeyHex", Cfg.KeyHex);
        Cfg.PriceDallas = ini.Price("PriceDallas", Cfg.PriceDallas);
        Cfg.PriceMetacom = ini.Price("PriceMetacom", Cfg.PriceMetacom);
        Cfg.PriceCyfral = ini.Price("PriceCyfral", Cfg.PriceCyfral);
        Cfg.PriceProxy = ini.Price("PriceProxy", Cfg.PriceProxy);
        Cfg.CountTovcheck = ini.Int("COUNTERS", "CountTovcheck", Cfg.CountTovcheck, 1);
        Cfg.Left = ini.Int("COORD", "Left", Cfg.Left, 100);
        Cfg.Top = ini.Int("COORD", "Top", Cfg.Top, 100);
        HideFile(path);
    } catch (const std::exception &) {
        // An unreadable file leaves the fields read so far; the program goes on
        // with them, and the window says the file is spoilt.
        ini.SetDamaged();
    }
    Cfg.Damaged = ini.Damaged();
    return true;
}

bool WriteConfig(const TConfig &Cfg)
{
    AnsiString path = Cfg.FilePath();
    try {
        TIniFile ini(path);
        // One replacement of the whole file: a kill or a full disk during the save
        // leaves the old settings, never a file cut short.
        ini.BeginUpdate();
        ini.WriteString("FILES", "Bios_file", Cfg.Bios_file);
        ini.WriteString("FILES", "Fonts_file", Cfg.Fonts_file);
        ini.WriteInteger("COM", "COM_port", Cfg.COM_port);
        ini.WriteInteger("COM", "COM_speed", Cfg.COM_speed);
        ini.WriteString("COMPANY", "SellerName", Cfg.SellerName);
        ini.WriteString("COMPANY", "SellerAddress", Cfg.SellerAddress);
        ini.WriteString("COMPANY", "SellerBank", Cfg.SellerBank);
        ini.WriteString("PRODUCT", "ProductName", Cfg.ProductName);
        ini.WriteBool("PRODUCT", "TypeKey", Cfg.TypeKey);
        ini.WriteBool("PRODUCT", "KeyHex", Cfg.KeyHex);
        ini.WriteString("PRICE", "PriceDallas", FloatToStr(Cfg.PriceDallas));
        ini.WriteString("PRICE", "PriceMetacom", FloatToStr(Cfg.PriceMetacom));
        ini.WriteString("PRICE", "PriceCyfral", FloatToStr(Cfg.PriceCyfral));
        ini.WriteString("PRICE", "PriceProxy", FloatToStr(Cfg.PriceProxy));
        ini.WriteInteger("COUNTERS", "CountTovcheck", Cfg.CountTovcheck);
        ini.WriteInteger("COORD", "Left", Cfg.Left);
        ini.WriteInteger("COORD", "Top", Cfg.Top);
        ini.EndUpdate();
        HideFile(path);
        return true;
    } catch (const std::exception &) {
        // The window tells the user; the next save tries again.
        return false;
    }
}

const char BaseDirLockName[] = ".qrv4.lock";

TBaseDirLock::TBaseDirLock(const TConfig &Cfg)
{
    const std::string path = rtl::SystemPath(Cfg.GetBaseDir() + BaseDirLockName);
    FHandle = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // A folder the program may not write keeps no settings a second program could spoil:
    // the lock is taken where the file can be opened and not needed where it cannot.
    if (FHandle < 0) FHandle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (FHandle < 0 || ::flock(FHandle, LOCK_EX | LOCK_NB) == 0) return;
    FBusy = errno == EWOULDBLOCK;
    ::close(FHandle);
    FHandle = -1;
}

TBaseDirLock::~TBaseDirLock()
{
    if (FHandle >= 0) ::close(FHandle);
}
