#include "tools/devsim/AddressBook.h"

#include <algorithm>
#include <bit>
#include <stdexcept>
#include <string>
#include <vector>

namespace devsim
{

namespace
{

// One UTF-8 character per entry; the index is the byte stored in a cell.
const std::vector<std::string_view> Alphabet = {
    "А", "Б", "В", "Г", "Д", "Е", "Ж", "З", "И", "К", "Л", "М", "Н", "О", "П",
    "Р", "С", "Т", "У", "Ф", "Х", "Ц", "Ч", "Ш", "Ы", "Ь", "Э", "Ю", "Я", ".",
    "-", "/", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", " "};
constexpr std::uint8_t Blank = 42;

std::size_t Utf8Length(unsigned char Lead)
{
    return Lead < 0x80 ? 1 : Lead < 0xE0 ? 2 : Lead < 0xF0 ? 3 : 4;
}

std::uint8_t AlphabetIndex(std::string_view Character)
{
    for (std::size_t i = 0; i < Alphabet.size(); ++i)
        if (Alphabet[i] == Character) return static_cast<std::uint8_t>(i);
    return Blank;
}

// The 1-Wire CRC-8 that the device expects in a key's first byte, over bytes 8 down to 2.
std::uint8_t KeyCheckByte(const DeviceKey &Key)
{
    std::uint8_t crc = 0;
    for (int i = 7; i >= 1; --i) {
        std::uint8_t byte = Key[i];
        for (int bit = 0; bit < 8; ++bit) {
            const bool mix = (crc ^ byte) & 1;
            crc >>= 1;
            if (mix) crc ^= 0x8C;
            byte >>= 1;
        }
    }
    return crc;
}

constexpr std::uint8_t OneOfFour[16] = {0x77, 0x7B, 0x7D, 0x7E, 0xB7, 0xBB, 0xBD, 0xBE,
                                        0xD7, 0xDB, 0xDD, 0xDE, 0xE7, 0xEB, 0xED, 0xEE};

std::uint8_t EvenParity(unsigned Seed)
{
    auto byte = static_cast<std::uint8_t>(Seed * 37 + 11);
    return std::popcount(byte) % 2 ? static_cast<std::uint8_t>(byte ^ 0x80) : byte;
}

DeviceKey SampleKey(std::uint8_t Type, unsigned Seed)
{
    DeviceKey key{};
    switch (Type) {
    case 0: // Dallas: the raw key, family 01, with its check byte
        for (int i = 1; i < 7; ++i)
            key[i] = static_cast<std::uint8_t>(Seed * 13 + i * 29);
        key[7] = 0x01;
        key[0] = KeyCheckByte(key);
        break;
    case 1: // Metakom: four code bytes of even parity
        for (int i = 3; i < 7; ++i)
            key[i] = EvenParity(Seed + i);
        key[7] = 0x01;
        break;
    case 2: // Cyfral: four one-of-four bytes
        for (int i = 3; i < 7; ++i)
            key[i] = OneOfFour[(Seed + i * 5) % 16];
        key[7] = 0x01;
        break;
    default: // Proxy: five free bytes
        for (int i = 2; i < 7; ++i)
            key[i] = static_cast<std::uint8_t>(Seed * 7 + i * 41);
        break;
    }
    return key;
}

struct SampleEntry {
    unsigned Cell;
    std::uint8_t Type;
    std::uint8_t Mode;
    std::string_view Name;
};

const SampleEntry Sample[] = {
    {0, 0, 0, "ЛЕНИНА 12 П1"}, {1, 1, 0, "ЛЕНИНА 12 П2"}, {2, 2, 0, "ЛЕНИНА 14"},
    {3, 3, 0, "ОФИС ВХОД"},    {4, 0, 1, "МИРА 3/1"},     {5, 1, 1, "МИРА 5"},
    {6, 2, 4, "МИРА 7 П3"},    {7, 3, 1, "ГАРАЖ"},        {9, 1, 2, "САДОВАЯ 21"},
    {10, 1, 3, "САДОВАЯ 23"},  {11, 2, 1, "ПАРКОВАЯ 8"},  {12, 2, 2, "ПАРКОВАЯ 10"},
    {13, 2, 3, "ПАРКОВАЯ 12"}, {14, 2, 5, "ШКОЛЬНАЯ 1"},  {15, 2, 6, "ШКОЛЬНАЯ 3"},
    {16, 2, 7, "ШКОЛЬНАЯ 5"},  {18, 0, 0, "КВ 12"},       {19, 0, 1, "КВ 45"},
    {20, 3, 0, "СКЛАД"},       {21, 3, 1, "ПРОХОДНАЯ"},   {22, 1, 0, "ЗЕЛЕНАЯ 4"},
    {23, 0, 0, "ЗЕЛЕНАЯ 6-А"}, {25, 2, 0, "РЕЧНАЯ 2"},    {26, 2, 4, "РЕЧНАЯ 4"},
    {27, 1, 1, "ЦЕНТР. 1"},    {28, 3, 0, "ДАЧА"},        {30, 0, 0, "ПОЧТА"},
    {31, 1, 2, "ЛЕСНАЯ 9"},    {32, 2, 0, "ЛЕСНАЯ 11"},   {33, 3, 1, "ТЦ СЛУЖЕБН."},
    {35, 0, 1, "ЮЖНАЯ 15"},    {36, 1, 3, "ЮЖНАЯ 17"},    {40, 2, 0, "ВОКЗАЛЬНАЯ 2"},
    {41, 3, 0, "ПАРКИНГ -1"},  {500, 0, 0, "СЕРЕДИНА"},   {999, 1, 0, "ПОСЛЕДНЯЯ"},
};

} // namespace

Bytes AddressBookCell(std::uint8_t Type, std::uint8_t Mode, const DeviceKey &Key,
                      std::string_view Name)
{
    Bytes cell(CellSize, Blank);
    cell[0] = Type;
    cell[1] = Mode;
    std::copy(Key.begin(), Key.end(), cell.begin() + 2);
    std::size_t at = 2 + Key.size();
    for (std::size_t pos = 0; pos < Name.size() && at < CellSize; ++at) {
        const std::size_t length = Utf8Length(static_cast<unsigned char>(Name[pos]));
        cell[at] = AlphabetIndex(Name.substr(pos, length));
        pos += length;
    }
    return cell;
}

Bytes EmptyAddressBookCell()
{
    return Bytes(CellSize, 0xFF);
}

Bytes ReadCell(const Memory &M, unsigned Cell)
{
    return M.Read(Memory::CellAddress(Cell), CellSize);
}

void WriteCell(Memory &M, unsigned Cell, const Bytes &Data)
{
    if (Cell >= AddressBookCells || Data.size() != CellSize)
        throw std::invalid_argument("no such address-book cell");
    M.Write(Memory::CellAddress(Cell), Data.data(), Data.size());
}

void FillSampleAddressBook(Memory &M)
{
    for (const SampleEntry &e : Sample)
        WriteCell(M, e.Cell, AddressBookCell(e.Type, e.Mode, SampleKey(e.Type, e.Cell), e.Name));
}

} // namespace devsim
