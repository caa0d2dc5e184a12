#include "link/config.h"

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"

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

namespace
{

// The Windows attributes hidden and system; they mean nothing here but keep
// the file's write permission as it was.
void HideFile(const AnsiString &Path)
{
    FileSetAttr(Path, faHidden | faSysFile);
}

int ReadInt(TIniFile &Ini, const char *Section, const char *Key, int Current, int Fallback)
{
    return StrToIntDef(Ini.ReadString(Section, Key, IntToStr(Current)), Fallback);
}

double ReadPrice(TIniFile &Ini, const char *Key, double Current)
{
    double value;
    return TryStrToFloat(Ini.ReadString("PRICE", Key, FloatToStr(Current)), value) ? value : 100.0;
}

// Any number but 0 is true, and so is a text that is no number.
bool ReadFlag(TIniFile &Ini, const char *Key, bool Current)
{
    return ReadInt(Ini, "PRODUCT", Key, Current ? 1 : 0, 1) != 0;
}

} // namespace

bool ReadConfig(TConfig &Cfg)
{
    AnsiString path = Cfg.FilePath();
    if (!FileExists(path)) {
        WriteConfig(Cfg);
        return false;
    }
    try {
        TIniFile ini(path);
        Cfg.Bios_file = ini.ReadString("FILES", "Bios_file", Cfg.Bios_file);
        Cfg.Fonts_file = ini.ReadString("FILES", "Fonts_file", Cfg.Fonts_file);
        Cfg.COM_port = ReadInt(ini, "COM", "COM_port", Cfg.COM_port, 1);
        Cfg.COM_speed = ReadInt(ini, "COM", "COM_speed", Cfg.COM_speed, 9600);
        Cfg.SellerName = ini.ReadString("COMPANY", "SellerName", Cfg.SellerName);
        Cfg.SellerAddress = ini.ReadString("COMPANY", "SellerAddress", Cfg.SellerAddress);
        Cfg.SellerBank = ini.ReadString("COMPANY", "SellerBank", Cfg.SellerBank);
        Cfg.ProductName = ini.ReadString("PRODUCT", "ProductName", Cfg.ProductName);
        Cfg.TypeKey = ReadFlag(ini, "TypeKey", Cfg.TypeKey);
        Cfg.KeyHex = ReadFlag(ini, "KeyHex", Cfg.KeyHex);
        Cfg.PriceDallas = ReadPrice(ini, "PriceDallas", Cfg.PriceDallas);
        Cfg.PriceMetacom = ReadPrice(ini, "PriceMetacom", Cfg.PriceMetacom);
        Cfg.PriceCyfral = ReadPrice(ini, "PriceCyfral", Cfg.PriceCyfral);
        Cfg.PriceProxy = ReadPrice(ini, "PriceProxy", Cfg.PriceProxy);
        Cfg.CountTovcheck = ReadInt(ini, "COUNTERS", "CountTovcheck", Cfg.CountTovcheck, 1);
        Cfg.Left = ReadInt(ini, "COORD", "Left", Cfg.Left, 100);
        Cfg.Top = ReadInt(ini, "COORD", "Top", Cfg.Top, 100);
        HideFile(path);
    } catch (const std::exception &) {
        // An unreadable file leaves the fields read so far; the program goes on
        // with them as with a file that has fewer keys.
    }
    return true;
}

void WriteConfig(const TConfig &Cfg)
{
    AnsiString path = Cfg.FilePath();
    try {
        TIniFile ini(path);
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
        HideFile(path);
    } catch (const std::exception &) {
        // A configuration that cannot be written is not worth stopping the
        // program for: the next write tries again.
    }
}
