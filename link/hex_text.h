#pragma once

// Hex text: the form in which every device frame is composed and every answer
// parsed, two upper-case hexadecimal digits per byte, first byte first.

#include "platform/rtl/System.h"

#include <cstdint>
#include <vector>

// Text read as hexadecimal; Default when it is empty or not a hexadecimal number.
int HexToIntDef(const AnsiString &Text, int Default);

// Low byte of the sum (negated with Negate) of the digit pairs; a lone last digit is ignored.
AnsiString HexChecksum(const AnsiString &Text, bool Negate);

// A pair that is no hexadecimal number becomes 00. A text of odd length raises
// ERangeError before anything is converted.
std::vector<std::uint8_t> HexToBytes(const AnsiString &Hex);
AnsiString BytesToHex(const std::uint8_t *Bytes, int Count);
