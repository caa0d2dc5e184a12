#include "link/config.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
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
bool IsSettingsText(std::string Bytes)
{
    return Bytes.find('\0') == std::string::npos &&
           rtl::ProfileText(std::move(Bytes)).OnlyProfileLines();
}

// Whether the file holds settings alone; none when it cannot be read.
std::optional<bool> HoldsSettingsOnly(const AnsiString &Path)
{
    std::string bytes;
    if (rtl::ReadFileContent(rtl::SystemPath(Path), bytes) != 0) return std::nullopt;
    return IsSettingsText(std::move(bytes));
}

using SettingWriter =
    std::function<void(const char *Section, const char *Key, const AnsiString &Value)>;

void PutSettings(const TConfig &Cfg, const SettingWriter &Put)
{
    Put("FILES", "Bios_file", Cfg.Bios_file);
    Put("FILES", "Fonts_file", Cfg.Fonts_file);
    Put("COM", "COM_port", IntToStr(Cfg.COM_port));
    Put("COM", "COM_speed", IntToStr(Cfg.COM_speed));
    Put("COMPANY", "SellerName", Cfg.SellerName);
    Put("COMPANY", "SellerAddress", Cfg.SellerAddress);
    Put("COMPANY", "SellerBank", Cfg.SellerBank);
    Put("PRODUCT", "ProductName", Cfg.ProductName);
    Put("PRODUCT", "TypeKey", Cfg.TypeKey ? "1" : "0");
    Put("PRODUCT", "KeyHex", Cfg.KeyHex ? "1" : "0");
    Put("PRICE", "PriceDallas", FloatToStr(Cfg.PriceDallas));
    Put("PRICE", "PriceMetacom", FloatToStr(Cfg.PriceMetacom));
    Put("PRICE", "PriceCyfral", FloatToStr(Cfg.PriceCyfral));
    Put("PRICE", "PriceProxy", FloatToStr(Cfg.PriceProxy));
    Put("COUNTERS", "CountTovcheck", IntToStr(Cfg.CountTovcheck));
    Put("COORD", "Left", IntToStr(Cfg.Left));
    Put("COORD", "Top", IntToStr(Cfg.Top));
}

// The settings alone replace a spoilt file: kept beside them, its stray lines would call the
// file spoilt again at every start.
bool ReplaceSpoiltFile(const TConfig &Cfg, const AnsiString &Path)
{
    rtl::ProfileText text;
    PutSettings(Cfg, [&](const char *Section, const char *Key, const AnsiString &Value) {
        text.Write(Section, Key, Value);
    });
    return rtl::ReplaceFileContent(Path, text.Bytes()) == 0;
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
    if (HoldsSettingsOnly(path) != true) ini.SetDamaged();
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
        // A file read and found spoilt; one the program cannot read is left to the user.
        if (HoldsSettingsOnly(path) == false) {
            if (!ReplaceSpoiltFile(Cfg, path)) return false;
        } else {
            TIniFile ini(path);
            // One replacement of the whole file: a kill or a full disk during the save
            // leaves the old settings, never a file cut short.
            ini.BeginUpdate();
            PutSettings(Cfg, [&](const char *Section, const char *Key, const AnsiString &Value) {
                ini.WriteString(Section, Key, Value);
            });
            ini.EndUpdate();
        }
        HideFile(path);
        return true;
    } catch (const std::exception &) {
        // The window tells the user; the next save tries again.
        return false;
    }
}

bool FileHoldsConfig(const TConfig &Cfg)
{
    std::string bytes;
    if (rtl::ReadFileContent(rtl::SystemPath(Cfg.FilePath()), bytes) != 0) return false;
    const rtl::ProfileText text(std::move(bytes));
    bool held = true;
    PutSettings(Cfg, [&](const char *Section, const char *Key, const AnsiString &Value) {
        // Where the window stood is no setting a user would miss.
        if (std::string_view(Section) != "COORD") held = held && text.Value(Section, Key) == Value;
    });
    return held;
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
