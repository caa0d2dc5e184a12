#include "tools/devsim/Memory.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/FileAccess.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace devsim
{

namespace
{

struct Preset {
    std::uint8_t Address;
    std::uint8_t Value;
};

// Every setting inside its documented range, so a fresh device decodes cleanly.
constexpr Preset FactorySettings[] = {
    {0x12, 0x00}, {0x13, 0x00}, {0x18, 0xFF}, {0x19, 0xFF}, {0x1A, 0xFF}, {0x1B, 0xFF},
    {0x60, 0x01}, {0x61, 0x01}, {0x62, 0x05}, {0x63, 0x3C}, {0x64, 0x04}, {0x65, 0x03},
    {0x66, 0x00}, {0x67, 0x00}, {0x68, 0x00}, {0x69, 0x00}, {0x6A, 0x00}, {0x6B, 0x00},
    {0x6C, 0x00}, {0x6D, 0x00}, {0x70, 0x00}, {0x71, 0x01}, {0x72, 0x0A}, {0x73, 0x3C},
    {0x74, 0x04}, {0x75, 0x03}, {0xD7, 0x4B}, {0xD9, 0x22},
};

} // namespace

Memory Memory::Fresh()
{
    Memory m;
    for (const Preset &p : FactorySettings)
        m.Settings[p.Address] = p.Value;
    return m;
}

Memory Memory::Load(const std::filesystem::path &File)
{
    std::string image;
    const int error = rtl::ReadFileContent(File, image, ImageFileSize);
    if (error != 0 && error != rtl::TooLargeFileError)
        throw std::runtime_error("cannot open memory image " + File.string());
    if (error != 0 || image.size() != ImageFileSize)
        throw std::runtime_error("memory image " + File.string() + " is not " +
                                 std::to_string(ImageFileSize) + " bytes");
    Memory m;
    std::copy(image.begin(), image.begin() + 256, m.Settings.begin());
    std::copy(image.begin() + 256, image.end(), m.Block.begin());
    return m;
}

void Memory::Save(const std::filesystem::path &File) const
{
    std::string image(Settings.begin(), Settings.end());
    image.append(Block.begin(), Block.end());
    if (const int error = rtl::ReplaceFileContent(File, image))
        throw std::runtime_error("cannot write memory image " + File.string() + ": " +
                                 std::strerror(error));
}

Bytes Memory::Read(unsigned Address, unsigned Count) const
{
    Bytes data(Count);
    for (unsigned i = 0; i < Count; ++i)
        data[i] = Block[(Address + i) % BlockMemorySize];
    return data;
}

void Memory::Write(unsigned Address, const std::uint8_t *Data, std::size_t Count)
{
    for (std::size_t i = 0; i < Count; ++i)
        Block[(Address + i) % BlockMemorySize] = Data[i];
}

void Memory::SetArchivePointer(unsigned Pointer)
{
    Settings[ArchivePointerHigh] = static_cast<std::uint8_t>(Pointer >> 8);
    Settings[ArchivePointerLow] = static_cast<std::uint8_t>(Pointer);
}

} // namespace devsim
