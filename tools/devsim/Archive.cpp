#include "tools/devsim/Archive.h"

#include <random>

namespace devsim
{

namespace
{

std::uint8_t Bcd(int Value)
{
    return static_cast<std::uint8_t>((Value / 10) << 4 | (Value % 10));
}

// Cyfral digits 0..F as the device writes them: one bit of four low in each half.
constexpr std::uint8_t CyfralDigits[16] = {0x77, 0x7B, 0x7D, 0x7E, 0xB7, 0xBB, 0xBD, 0xBE,
                                           0xD7, 0xDB, 0xDD, 0xDE, 0xE7, 0xEB, 0xED, 0xEE};

bool EvenBits(std::uint8_t Value)
{
    return __builtin_popcount(Value) % 2 == 0;
}

std::array<std::uint8_t, 8> DeviceKey(std::uint8_t KeyType, std::mt19937 &Random)
{
    auto byte = [&Random] { return static_cast<std::uint8_t>(Random() & 0xFF); };
    std::array<std::uint8_t, 8> key{};
    switch (KeyType) {
    case 0: // Dallas: check byte, six bytes of serial number, family 01
        for (int i = 0; i < 7; ++i)
            key[i] = byte();
        key[7] = 0x01;
        break;
    case 1: // Metakom: four bytes of even parity between the fixed ones
        for (int i = 3; i < 7; ++i)
            do
                key[i] = byte();
            while (!EvenBits(key[i]));
        key[7] = 0x01;
        break;
    case 2:
        for (int i = 3; i < 7; ++i)
            key[i] = CyfralDigits[Random() % 16];
        key[7] = 0x01;
        break;
    default: // Proxy: five bytes of card number
        for (int i = 2; i < 7; ++i)
            key[i] = byte();
        break;
    }
    return key;
}

void StepBack(std::tm &When, int Seconds)
{
    When.tm_sec -= Seconds;
    When.tm_isdst = 0;
    timegm(&When);
}

} // namespace

Bytes ArchiveEntry::Record() const
{
    Bytes record;
    record.reserve(RecordSize);
    record.push_back(KeyType);
    record.push_back(WriteMode);
    for (std::uint8_t b : Key)
        record.push_back(b);
    for (int part : {When.tm_hour, When.tm_min, When.tm_sec, When.tm_mday, When.tm_mon + 1,
                     When.tm_year % 100})
        record.push_back(Bcd(part));
    return record;
}

unsigned WriteModesOf(std::uint8_t KeyType)
{
    static constexpr unsigned Modes[] = {2, 4, 8, 2};
    return KeyType < 4 ? Modes[KeyType] : 0;
}

std::tm SampleNewest()
{
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 7;
    when.tm_hour = 18;
    return when;
}

std::vector<ArchiveEntry> SampleArchive(unsigned Count, const std::tm &Newest, unsigned Seed)
{
    // Every (type, mode) pair and each type's read-only record, in a fixed cycle.
    std::vector<std::pair<std::uint8_t, std::uint8_t>> kinds;
    for (std::uint8_t type = 0; type < 4; ++type) {
        for (std::uint8_t mode = 0; mode < WriteModesOf(type); ++mode)
            kinds.emplace_back(type, mode);
        kinds.emplace_back(type, ReadOnlyMode);
    }
    std::mt19937 random(Seed);
    std::vector<ArchiveEntry> records;
    std::tm when = Newest;
    for (unsigned i = 0; records.size() < Count; ++i) {
        auto [type, mode] = kinds[i % kinds.size()];
        ArchiveEntry entry{type, mode, DeviceKey(type, random), when};
        unsigned copies = mode != ReadOnlyMode && random() % 4 == 0 ? 2 + random() % 2 : 1;
        for (unsigned c = 0; c < copies && records.size() < Count; ++c) {
            records.push_back(entry);
            StepBack(entry.When, 10);
        }
        StepBack(when, 60 * static_cast<int>(17 + random() % 81));
    }
    return records;
}

void WriteArchive(Memory &Mem, const std::vector<ArchiveEntry> &NewestFirst, unsigned Pointer)
{
    auto address = [Pointer](std::size_t Back) {
        std::size_t slot = (Pointer - 1 + ArchiveRecords - Back % ArchiveRecords) % ArchiveRecords;
        return ArchiveAddress + static_cast<unsigned>(slot) * RecordSize;
    };
    std::size_t stored = std::min<std::size_t>(NewestFirst.size(), ArchiveRecords);
    for (std::size_t i = 0; i < stored; ++i) {
        Bytes record = NewestFirst[i].Record();
        Mem.Write(address(i), record.data(), record.size());
    }
    if (stored < ArchiveRecords) {
        Bytes empty(RecordSize, EmptyRecord);
        Mem.Write(address(stored), empty.data(), empty.size());
    }
    Mem.SetArchivePointer(Pointer);
}

} // namespace devsim
