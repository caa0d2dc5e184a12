#pragma once

// What a QRV-4 remembers: 256 setting bytes, 64 KiB of block memory (fonts, address book,
// archive ring) and the firmware image the loader received.

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace devsim
{

using Bytes = std::vector<std::uint8_t>;

// Setting addresses with a meaning of their own.
enum SettingAddress : std::uint8_t {
    EraseCounterHigh = 0x12,
    ArchivePointerHigh = 0x70,
    ArchivePointerLow = 0x71,
    Contrast = 0xD7,
    FirmwareVersion = 0xD9,
};

// Block memory layout.
constexpr unsigned FontsAddress = 0x0000;
constexpr unsigned FontsSize = 0x0400;
constexpr unsigned AddressBookAddress = 0x0400;
constexpr unsigned AddressBookCells = 1000;
constexpr unsigned CellSize = 24;
constexpr unsigned ArchiveAddress = 0x6200;
constexpr unsigned ArchiveRecords = 2500;
constexpr unsigned RecordSize = 16;
constexpr unsigned BlockMemorySize = 0x10000;

// The size of a memory image file: the setting bytes, then the block memory.
constexpr std::size_t ImageFileSize = 256 + BlockMemorySize;

struct Memory {
    std::array<std::uint8_t, 256> Settings{};
    // Settings the device will not change: a write answers 00 and leaves the byte.
    std::array<bool, 256> RefusedSettings{};
    Bytes Block = Bytes(BlockMemorySize, 0xFF);
    Bytes Firmware;

    // A device as it leaves the factory: empty address book and archive, plain settings.
    static Memory Fresh();

    // Reads or writes an image file of ImageFileSize bytes; throws std::runtime_error. The
    // file is replaced whole: a kill during a save leaves the old image or the new one. An
    // image keeps its modes and its link, and one made read-only is not saved over.
    static Memory Load(const std::filesystem::path &File);
    void Save(const std::filesystem::path &File) const;

    bool operator==(const Memory &) const = default;

    // Block memory wraps at 64 KiB, as a 16-bit address does.
    Bytes Read(unsigned Address, unsigned Count) const;
    void Write(unsigned Address, const std::uint8_t *Data, std::size_t Count);

    void SetArchivePointer(unsigned Pointer);
    static unsigned CellAddress(unsigned Cell) { return AddressBookAddress + CellSize * Cell; }
    // Record 1 is the first of the ring; the pointer names the newest.
    static unsigned RecordAddress(unsigned Pointer)
    {
        return ArchiveAddress + RecordSize * (Pointer - 1);
    }
};

} // namespace devsim
