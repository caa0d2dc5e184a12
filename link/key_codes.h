#pragma once

// Key codes: the device stores a key's code in the form it writes onto a blank
// of a given type and write mode; the user sees every code in one displayed
// form of eight bytes whose first byte is the check byte.

#include "platform/rtl/System.h"

#include <array>
#include <cstdint>

enum TKeyType { ktDallas = 0, ktMetakom = 1, ktCyfral = 2, ktProxy = 3 };

// Entry k is the device byte of the Cyfral hex digit k.
extern const std::array<std::uint8_t, 16> CyfralOneOfFour;

// Sets bit 6, 8, 10 or 12 wherever bit 9, 11, 13 or 15 is set.
std::uint16_t CyfralC2Map(std::uint16_t Value);

// 1-Wire CRC-8 of bytes 8, 7, ... 2 of a key code, the last byte first.
std::uint8_t KeyCheckByte(const std::array<std::uint8_t, 7> &Bytes8To2);

// Device cell form (16 digits) to displayed form, in place.
void DecodeKeyCode(int KeyType, int WriteMode, AnsiString &Code);

// Displayed codes (spaced or not) to the device form the key is written in.
AnsiString EncodeMetakomKey(const AnsiString &Code);
AnsiString EncodeCyfralKey(const AnsiString &Code);

// Puts the check byte into a 16-digit code; with Spaced the blanks are taken
// out first and put back after. False, and the code left without its blanks,
// when it has not 16 digits.
bool KeyCrc(AnsiString &Code, bool Spaced);
// The code without blanks and with its check byte (for the key-code editor).
AnsiString KeyHexFixCrc(const AnsiString &Code);

// Every code bytes 4 to 7 with an even number of one bits.
bool MetakomCodeValid(const AnsiString &Code);
// What an invalid Metakom code is replaced by.
extern const AnsiString InvalidMetakomReplacement;

// Forces the fixed bytes of the key type into a spaced code and sets its check
// byte. False only for a Metakom code that fails the check; the code is then
// replaced by InvalidMetakomReplacement.
bool NormalizeKeyText(int KeyType, AnsiString &Code);
// Eight upper-case hex pairs with single blanks: the form in which the grid shows every code.
bool IsSpacedKeyText(const AnsiString &Code);
// Whether NormalizeKeyText would leave Code as it is: eight upper-case hex pairs with single
// blanks, the fixed bytes of the key type in place, and the check byte right. Asked of every
// row of a full book, so it builds no text.
bool IsNormalKeyText(int KeyType, const AnsiString &Code);

// Upper-cases and trims Text and keeps the first 16 hex digits of its first 23
// characters; true when 16 remain.
bool ExtractKeyHex(AnsiString &Text);

// The value of Hex (Default when it is none) in base 2, zero-padded to Width.
AnsiString HexToBinText(const AnsiString &Hex, int Default, int Width);
