#include "link/config.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/FileAccess.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
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
    explicit ConfigReader(std::string Text) : FText(std::move(Text)) {}

    bool Damaged() const { return FDamaged || FKeys == 0; }
    void SetDamaged() { FDamaged = true; }

    AnsiString Text(const char *Section, const char *Key, const AnsiString &Current)
    {
        const std::optional<AnsiString> value = FText.Value(Section, Key);
        if (!value) return Current;
        ++FKeys;
        return *value;
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
    rtl::ProfileText FText;
    int FKeys = 0;
    bool FDamaged = false;
};

// Judged by the rules the file is read by: a line the profile reader passes over, or a NUL
// byte (what a crash leaves in a file cut short), shows the file was spoilt or replaced.
bool IsSettingsText(const std::string &Text)
{
    return Text.find('\0') == std::string::npos && rtl::ProfileText(Text).OnlyProfileLines();
}

// A file edited on Linux comes back in UTF-8, which cp1251 text is almost never, so such a
// file that is not plain ASCII is taken as UTF-8. The text goes on in the program's code
// page; Lost tells whether the code page had no place for some character of it.
std::string InCodePage(std::string_view Bytes, bool *Lost = nullptr)
{
    constexpr std::string_view mark = "\xEF\xBB\xBF";
    const bool ascii =
        std::ranges::none_of(Bytes, [](char c) { return static_cast<unsigned char>(c) > 0x7F; });
    // A byte that is no part of a well-formed character comes back as another one.
    if (ascii || rtl::Utf16ToUtf8(rtl::Utf8ToUtf16(Bytes)) != Bytes) return std::string(Bytes);
    if (Bytes.starts_with(mark)) Bytes.remove_prefix(mark.size());
    const AnsiString text = AnsiString::FromUtf8(Bytes);
    if (Lost) *Lost = text.ToUtf8() != Bytes;
    return text.ToStd();
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

// The next save puts sound settings in place of a spoilt file; what the user had in it is
// kept beside it first, for no more users than could read the file. A folder that takes no
// copy mostly takes no settings either.
void KeepSpoiltCopy(const AnsiString &Path, const std::string &Bytes, const struct stat &Read)
{
    if (!Bytes.empty()) rtl::ReplaceFileContentLike(Path + ".bad", Bytes, Read);
}

// A file too large for settings is no settings file, and is kept beside them under the name
// a spoilt file is kept by, without a byte of it read: the defaults take its place at once, as
// for a missing file. Where it cannot be moved, it stays, and no save replaces it.
void SetAsideTooLarge(TConfig &Cfg)
{
    const AnsiString path = Cfg.FilePath();
    Cfg.Damaged = true;
    // The name itself moves, a link or not, in the folder its links lead to, and an older
    // spoilt file there gives way to it.
    if (rtl::RenameName(rtl::SystemPath(path), rtl::SystemPath(path + ".bad"), true) != 0) return;
    WriteConfig(Cfg);
}

} // namespace

bool ReadConfig(TConfig &Cfg)
{
    const AnsiString path = Cfg.FilePath();
    if (!FileExists(path)) {
        WriteConfig(Cfg);
        return false;
    }
    // An unreadable file leaves the fields as they are; the program goes on with them, and
    // the window says the file is spoilt.
    std::string bytes;
    struct stat info;
    const int error =
        rtl::ReadFileContent(rtl::SystemPath(path), bytes, rtl::SettingsFileLimit, &info);
    if (error == rtl::TooLargeFileError) {
        SetAsideTooLarge(Cfg);
        return true;
    }
    const bool read = error == 0;
    bool lost = false;
    const std::string text = InCodePage(bytes, &lost);
    ConfigReader ini(text);
    if (!read || lost || !IsSettingsText(text)) ini.SetDamaged();
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
    Cfg.Damaged = ini.Damaged();
    if (Cfg.Damaged && read) KeepSpoiltCopy(path, bytes, info);
    return true;
}

int WriteConfig(const TConfig &Cfg)
{
    const AnsiString path = Cfg.FilePath();
    std::string bytes;
    // A file the program cannot read is left to the user; so is one a link of another user
    // leads to, which says why.
    if (const int error =
            rtl::ReadFileContent(rtl::SystemPath(path), bytes, rtl::SettingsFileLimit);
        error != 0 && error != ENOENT)
        return rtl::IsLinkRefusal(error) ? error : ConfigNotRead;
    std::string text = InCodePage(bytes);
    // The settings alone replace a spoilt file: kept beside them, its stray lines would call
    // the file spoilt again at every start.
    if (!IsSettingsText(text)) text.clear();
    rtl::ProfileText settings(std::move(text));
    PutSettings(Cfg, [&](const char *Section, const char *Key, const AnsiString &Value) {
        settings.Write(Section, Key, Value);
    });
    // One replacement of the whole file: a kill or a full disk during the save leaves the old
    // settings, never a file cut short.
    if (const int error = rtl::ReplaceFileContent(path, settings.Bytes())) return error;
    HideFile(path);
    return 0;
}

bool FileHoldsConfig(const TConfig &Cfg)
{
    std::string bytes;
    if (rtl::ReadFileContent(rtl::SystemPath(Cfg.FilePath()), bytes, rtl::SettingsFileLimit) != 0)
        return false;
    const rtl::ProfileText text(InCodePage(bytes));
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
    const std::string folder = rtl::SystemPath(Cfg.GetBaseDir());
    const std::string path = rtl::SystemPath(Cfg.GetBaseDir() + BaseDirLockName);
    // Made by root in a user's folder, the lock is the user's, as the program's other files are;
    // one that could not be given away still locks.
    if (rtl::OpenFile(path, O_RDWR | O_CREAT | O_EXCL, 0666, FHandle) == 0)
        rtl::GiveToFolderOwner(FHandle, folder.empty() ? "." : folder);
    // A folder the program may not write keeps no settings a second program could spoil:
    // the lock is taken where the file can be opened and not needed where it cannot.
    for (const int flags : {O_RDWR, O_RDONLY})
        if (FHandle < 0) rtl::OpenFile(path, flags, 0, FHandle);
    if (FHandle < 0 || ::flock(FHandle, LOCK_EX | LOCK_NB) == 0) return;
    FBusy = errno == EWOULDBLOCK;
    ::close(FHandle);
    FHandle = -1;
}

TBaseDirLock::~TBaseDirLock()
{
    if (FHandle >= 0) ::close(FHandle);
}
