#pragma once

// The device's archive ring: what a QRV-4 writes there after each key it reads or writes, and
// sample archives of every key type and write mode for the tests and for trying the program.

#include "tools/devsim/Memory.h"

#include <ctime>

namespace devsim
{

constexpr std::uint8_t EmptyRecord = 0xFF;
constexpr std::uint8_t ReadOnlyMode = 0xFF;

// One record as the device stores it.
struct ArchiveEntry {
    std::uint8_t KeyType = 0;
    std::uint8_t WriteMode = 0;
    std::array<std::uint8_t, 8> Key{};
    std::tm When{}; // tm_year counts from 1900, tm_mon from 0; seconds, minutes and hours as usual

    Bytes Record() const;
};

// The write modes each key type has: Dallas 2, Metakom 4, Cyfral 8, Proxy 2.
unsigned WriteModesOf(std::uint8_t KeyType);

// Count records newest first, each key type with each of its modes and read-only in turn,
// with codes in the device's form of that type and mode; about every fourth key is repeated
// two or three times within a minute, as a service writing copies of one key does. The newest
// is at Newest; every run is between 17 and 97 minutes older than the one after it.
std::vector<ArchiveEntry> SampleArchive(unsigned Count, const std::tm &Newest, unsigned Seed = 1);
// The newest record's time in the sample archives the program's tests and benchmarks read.
std::tm SampleNewest();

// Stores the records newest first from ring position Pointer (1..2500) downwards, wrapping at
// the ring's lower end, and sets the pointer. Fewer than a full ring leave an empty record
// after the oldest, where the program stops reading.
void WriteArchive(Memory &Mem, const std::vector<ArchiveEntry> &NewestFirst, unsigned Pointer);

} // namespace devsim
