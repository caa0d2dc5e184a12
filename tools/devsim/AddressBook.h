#pragma once

// The address book in the simulated device's block memory: 1000 cells of 24 bytes, each a key
// type (FF for an empty cell), a write mode, the key in the device's form and a name of 14
// indices into the device's 43-character alphabet.

#include "tools/devsim/Memory.h"

#include <array>
#include <string_view>

namespace devsim
{

using DeviceKey = std::array<std::uint8_t, 8>;

constexpr unsigned NameBytes = 14;
constexpr std::uint8_t EmptyCellType = 0xFF;

// A cell's 24 bytes. The name is UTF-8 in the device's alphabet (upper-case Cyrillic without
// Й Ё Щ Ъ, ". - /", digits, blank); any other character and the rest of the 14 become blanks.
Bytes AddressBookCell(std::uint8_t Type, std::uint8_t Mode, const DeviceKey &Key,
                      std::string_view Name);
Bytes EmptyAddressBookCell();

Bytes ReadCell(const Memory &M, unsigned Cell);
void WriteCell(Memory &M, unsigned Cell, const Bytes &Data);

// A few dozen named keys of every type and mode, with gaps, and one in the last cell.
void FillSampleAddressBook(Memory &M);

} // namespace devsim
