#include "link/key_codes.h"

#include "link/helpers.h"
#include "link/hex_text.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <bit>
#include <string_view>

const std::array<std::uint8_t, 16> CyfralOneOfFour = {
    0x77, 0x7B, 0x7D, 0x7E, 0xB7, 0xBB, 0xBD, 0xBE, 0xD7, 0xDB, 0xDD, 0xDE, 0xE7, 0xEB, 0xED, 0xEE};

const AnsiString InvalidMetakomReplacement = "3D 00 00 00 00 00 00 01";

std::uint16_t CyfralC2Map(std::uint16_t Value)
{
    return static_cast<std::uint16_t>(Value | ((Value >> 3) & 0x1540));
}

std::uint8_t KeyCheckByte(const std::array<std::uint8_t, 7> &Bytes8To2)
{
    std::uint8_t crc = 0;
    for (std::uint8_t byte : Bytes8To2)
        for (int bit = 0; bit < 8; ++bit, byte >>= 1) {
            bool mix = (crc ^ byte) & 1;
            crc >>= 1;
            if (mix) crc ^= 0x8C;
        }
    return crc;
}

namespace
{

AnsiString WithoutBlanks(const AnsiString &Code)
{
    return StringReplace(Code, " ", "", rfReplaceAll);
}

AnsiString Spaced(const AnsiString &Digits)
{
    return InsertSeparatorEvery(Digits, 2, " ");
}

// Overwrites the digits from Pos on, as far as the code reaches.
void PutDigits(AnsiString &Code, int Pos, const AnsiString &Digits)
{
    for (int i = 1; i <= Digits.Length() && Pos + i - 1 <= Code.Length(); ++i)
        Code[Pos + i - 1] = Digits[i];
}

// Byte 1..8 of a code without blanks.
void PutByte(AnsiString &Code, int Byte, const char *Digits)
{
    PutDigits(Code, 2 * Byte - 1, Digits);
}
int ByteOf(const AnsiString &Code, int Byte)
{
    return HexToIntDef(Code.SubString(2 * Byte - 1, 2), 0);
}

AnsiString ReversedBytes(const AnsiString &Hex)
{
    AnsiString reversed;
    for (int i = Hex.Length() - 1; i >= 1; i -= 2)
        reversed += Hex.SubString(i, 2);
    return reversed;
}

// "000000" + the four code bytes (digits 7-14) in reverse order + "01": the
// Metakom M1 reversal, which is its own inverse.
AnsiString MetakomReversed(const AnsiString &Digits)
{
    return "000000" + ReversedBytes(Digits.SubString(7, 8)) + "01";
}

AnsiString CyfralC1(const AnsiString &Code)
{
    AnsiString result = Code.SubString(1, 6) + "0001";
    for (int pos = 7; pos <= 15; pos += 2) {
        AnsiString pair = Code.SubString(pos, 2);
        int digit = -1;
        for (int k = 0; k < 16 && pair.Length() == 2; ++k)
            if (HexToIntDef(pair, -1) == CyfralOneOfFour[k]) digit = k;
        result += digit < 0 ? pair : IntToHex(digit, 1);
    }
    return result;
}

AnsiString CyfralC2(const AnsiString &Code)
{
    AnsiString result = CyfralC1(Code);
    auto value = static_cast<std::uint16_t>(HexToIntDef(result.SubString(11, 4), 0));
    PutDigits(result, 11, IntToHex(CyfralC2Map(value), 4));
    return result;
}

AnsiString CyfralC3(const AnsiString &Code)
{
    AnsiString digits = Code.SubString(7, 8);
    for (int i = 1; i <= digits.Length(); ++i) {
        switch (digits[i]) {
        case '7':
            digits[i] = '8';
            break;
        case 'B':
            digits[i] = '4';
            break;
        case 'D':
            digits[i] = '2';
            break;
        case 'E':
            digits[i] = '1';
            break;
        default:
            break;
        }
    }
    return "000000" + ReversedBytes(digits) + "01";
}

AnsiString DecodeCyfral(int WriteMode, const AnsiString &Code)
{
    switch (WriteMode) {
    case 0:
    case 4:
    case 255:
        return CyfralC1(Code);
    case 1:
    case 5:
        return CyfralC2(Code);
    case 2:
    case 6:
        return CyfralC3(Code);
    case 3:
    case 7:
        return "9B0000FFFFFFFF01";
    default:
        return Code;
    }
}

} // namespace

void DecodeKeyCode(int KeyType, int WriteMode, AnsiString &Code)
{
    switch (KeyType) {
    case ktMetakom:
        PutDigits(Code, 1, "000000");
        PutDigits(Code, 15, "01");
        if (WriteMode == 0 || WriteMode == 2) Code = MetakomReversed(Code);
        break;
    case ktCyfral:
        PutDigits(Code, 1, "000000");
        PutDigits(Code, 15, "01");
        Code = DecodeCyfral(WriteMode, Code);
        break;
    case ktProxy:
        PutDigits(Code, 1, "0000");
        PutDigits(Code, 15, "00");
        break;
    default:
        break;
    }
    KeyCrc(Code, false);
}

AnsiString EncodeMetakomKey(const AnsiString &Code)
{
    return MetakomReversed(WithoutBlanks(Code));
}

AnsiString EncodeCyfralKey(const AnsiString &Code)
{
    AnsiString digits = WithoutBlanks(Code);
    AnsiString device = "000000";
    for (int pos = 11; pos <= 14; ++pos)
        device += IntToHex(CyfralOneOfFour[HexToIntDef(digits.SubString(pos, 1), 0) & 0xF], 2);
    return device + "00";
}

bool KeyCrc(AnsiString &Code, bool Spaced)
{
    if (Spaced) Code = WithoutBlanks(Code);
    if (Code.Length() != 16) return false;
    std::array<std::uint8_t, 7> bytes{};
    for (int i = 0; i < 7; ++i)
        bytes[i] = static_cast<std::uint8_t>(ByteOf(Code, 8 - i));
    PutDigits(Code, 1, IntToHex(KeyCheckByte(bytes), 2));
    if (Spaced) Code = ::Spaced(Code);
    return true;
}

AnsiString KeyHexFixCrc(const AnsiString &Code)
{
    AnsiString digits = WithoutBlanks(Code);
    KeyCrc(digits, false);
    return digits;
}

bool MetakomCodeValid(const AnsiString &Code)
{
    AnsiString digits = WithoutBlanks(Code);
    for (int byte = 4; byte <= 7; ++byte)
        if (std::popcount(static_cast<unsigned>(ByteOf(digits, byte))) % 2) return false;
    return true;
}

bool NormalizeKeyText(int KeyType, AnsiString &Code)
{
    if (Code.IsEmpty()) Code = "00 00 00 00 00 00 00 00";
    AnsiString digits = WithoutBlanks(Code);
    switch (KeyType) {
    case ktMetakom:
        PutByte(digits, 2, "00");
        PutByte(digits, 3, "00");
        PutByte(digits, 8, "01");
        if (!MetakomCodeValid(digits)) {
            Code = InvalidMetakomReplacement;
            return false;
        }
        break;
    case ktCyfral:
        for (int byte : {2, 3, 4})
            PutByte(digits, byte, "00");
        PutByte(digits, 5, "01");
        PutByte(digits, 8, "01");
        break;
    case ktProxy:
        PutByte(digits, 2, "00");
        PutByte(digits, 8, "00");
        break;
    default:
        break;
    }
    Code = Spaced(digits);
    KeyCrc(Code, true);
    return true;
}

namespace
{

int UpperHexValue(char Ch)
{
    if (Ch >= '0' && Ch <= '9') return Ch - '0';
    if (Ch >= 'A' && Ch <= 'F') return Ch - 'A' + 10;
    return -1;
}

// "5B 23 ..." as its eight bytes, first byte first.
bool SpacedBytes(std::string_view Code, std::array<std::uint8_t, 8> &Bytes)
{
    if (Code.size() != 3 * Bytes.size() - 1) return false;
    for (std::size_t i = 0; i < Bytes.size(); ++i) {
        const int high = UpperHexValue(Code[3 * i]), low = UpperHexValue(Code[3 * i + 1]);
        if (high < 0 || low < 0 || (i > 0 && Code[3 * i - 1] != ' ')) return false;
        Bytes[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return true;
}

// The bytes NormalizeKeyText puts into a code of the type, 1-based as PutByte counts them.
bool HasFixedBytes(int KeyType, const std::array<std::uint8_t, 8> &B)
{
    switch (KeyType) {
    case ktMetakom:
        return B[1] == 0 && B[2] == 0 && B[7] == 1 &&
               std::all_of(B.begin() + 3, B.begin() + 7,
                           [](std::uint8_t Byte) { return std::popcount(Byte) % 2 == 0; });
    case ktCyfral:
        return B[1] == 0 && B[2] == 0 && B[3] == 0 && B[4] == 1 && B[7] == 1;
    case ktProxy:
        return B[1] == 0 && B[7] == 0;
    default:
        return true;
    }
}

} // namespace

bool IsSpacedKeyText(const AnsiString &Code)
{
    std::array<std::uint8_t, 8> bytes{};
    return SpacedBytes(Code.View(), bytes);
}

bool IsNormalKeyText(int KeyType, const AnsiString &Code)
{
    std::array<std::uint8_t, 8> bytes{};
    if (!SpacedBytes(Code.View(), bytes) || !HasFixedBytes(KeyType, bytes)) return false;
    const std::array<std::uint8_t, 7> checked = {bytes[7], bytes[6], bytes[5], bytes[4],
                                                 bytes[3], bytes[2], bytes[1]};
    return bytes[0] == KeyCheckByte(checked);
}

bool ExtractKeyHex(AnsiString &Text)
{
    AnsiString text = AnsiUpperCase(Text).Trim().SubString(1, 23);
    AnsiString hex = "0123456789ABCDEF";
    KeepCharsOfSet(text, hex);
    Text = text.SubString(1, 16);
    return Text.Length() == 16;
}

AnsiString HexToBinText(const AnsiString &Hex, int Default, int Width)
{
    auto value = static_cast<unsigned>(HexToIntDef(Hex, Default));
    AnsiString bits;
    do {
        bits.Insert(value & 1 ? "1" : "0", 1);
        value >>= 1;
    } while (value);
    return PadLeft(bits, Width, '0');
}
