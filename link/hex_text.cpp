#include "link/hex_text.h"

#include "platform/rtl/SysUtils.h"

int HexToIntDef(const AnsiString &Text, int Default)
{
    if (Text.IsEmpty()) return Default;
    return StrToIntDef("0x" + Text, Default);
}

AnsiString HexChecksum(const AnsiString &Text, bool Negate)
{
    int sum = 0;
    for (int i = 1; i < Text.Length(); i += 2)
        sum += HexToIntDef(Text.SubString(i, 2), 0);
    if (Negate) sum = -sum;
    return IntToHex(sum & 0xFF, 2);
}

std::vector<std::uint8_t> HexToBytes(const AnsiString &Hex)
{
    if (Hex.Length() % 2)
        throw ERangeError("Нечётная длина шестнадцатеричного текста: %d"_a, {Hex.Length()});
    std::vector<std::uint8_t> bytes;
    bytes.reserve(Hex.Length() / 2);
    for (int i = 1; i < Hex.Length(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(HexToIntDef(Hex.SubString(i, 2), 0)));
    return bytes;
}

AnsiString BytesToHex(const std::uint8_t *Bytes, int Count)
{
    AnsiString hex;
    for (int i = 0; i < Count; ++i)
        hex += IntToHex(Bytes[i], 2);
    return hex;
}
