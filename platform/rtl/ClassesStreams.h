#pragma once

// Streams of the Classes unit; included by Classes.h, not on its own.

#include "platform/rtl/Classes.h"

#include <cstddef>
#include <cstdint>
#include <span>

// File modes of the class library: one access mode or-ed with one share mode.
inline constexpr unsigned short fmCreate = 0xFFFF;
inline constexpr unsigned short fmOpenRead = 0x0000;
inline constexpr unsigned short fmOpenWrite = 0x0001;
inline constexpr unsigned short fmOpenReadWrite = 0x0002;
inline constexpr unsigned short fmShareCompat = 0x0000;
inline constexpr unsigned short fmShareExclusive = 0x0010;
inline constexpr unsigned short fmShareDenyWrite = 0x0020;
inline constexpr unsigned short fmShareDenyRead = 0x0030;
inline constexpr unsigned short fmShareDenyNone = 0x0040;

// The module handle resources are looked up in; there is only the program.
inline constexpr std::uintptr_t HInstance = 0;

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject
{
    QRV4_CLASS(TStream, TObject)

public:
    // Both return the number of bytes moved, which may be fewer than Count.
    virtual int Read(void *Buffer, int Count) = 0;
    virtual int Write(const void *Buffer, int Count) = 0;
    virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

    // Raise EReadError / EWriteError when fewer than Count bytes move.
    void ReadBuffer(void *Buffer, int Count);
    void WriteBuffer(const void *Buffer, int Count);
    // Count 0 copies the whole source from its start.
    std::int64_t CopyFrom(TStream *Source, std::int64_t Count);

    std::int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(std::int64_t Pos) { Seek(Pos, soBeginning); }
    virtual std::int64_t Size();
    virtual void SetSize(std::int64_t NewSize);
};

// A stream over an open file descriptor it does not own.
class THandleStream : public TStream
{
    QRV4_CLASS(THandleStream, TStream)

public:
    explicit THandleStream(int AHandle) : FHandle(AHandle) {}
    int Handle() const { return FHandle; }

    int Read(void *Buffer, int Count) override;
    int Write(const void *Buffer, int Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(std::int64_t NewSize) override;

protected:
    int FHandle;
};

// Opens or creates a file. The share modes are kept among the program's own
// opens through advisory locks: exclusive or compatible opens, and writers that
// deny writing, take an exclusive lock; readers that deny writing a shared one;
// deny-none takes none. A conflicting open fails as on the original platform.
class TFileStream : public THandleStream
{
    QRV4_CLASS(TFileStream, THandleStream)

public:
    TFileStream(const AnsiString &AFileName, unsigned short Mode);
    TFileStream(const AnsiString &AFileName, unsigned short Mode, unsigned Rights);
    ~TFileStream() override;
    const AnsiString &FileName() const { return FFileName; }

private:
    AnsiString FFileName;
};

namespace rtl
{

// A file a loader reads whole, opened as the loaders open it (beside other readers, never
// while the program writes it). Limit is the most a file of its kind holds: a larger one is
// refused before a byte is read, and one that grows past it meanwhile when the read or its
// size gets there, each with EFOpenError naming the file and saying why.
class BoundedFileStream : public TFileStream
{
public:
    BoundedFileStream(const AnsiString &FileName, std::uint64_t Limit);

    int Read(void *Buffer, int Count) override;
    std::int64_t Size() override;

private:
    [[noreturn]] void Refuse() const;
    std::uint64_t FLimit;
};

} // namespace rtl

// A stream over a block of memory: reads and seeks; writing is for descendants.
class TCustomMemoryStream : public TStream
{
    QRV4_CLASS(TCustomMemoryStream, TStream)

public:
    int Read(void *Buffer, int Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    void SaveToStream(TStream *Stream);
    void SaveToFile(const AnsiString &FileName);
    void *Memory() const { return FMemory; }
    std::int64_t Size() override { return FSize; }

protected:
    void SetPointer(void *Ptr, std::int64_t Size);
    std::int64_t FPosition = 0;

private:
    void *FMemory = nullptr;
    std::int64_t FSize = 0;
};

class TMemoryStream : public TCustomMemoryStream
{
    QRV4_CLASS(TMemoryStream, TCustomMemoryStream)

public:
    TMemoryStream() = default;
    void Clear();
    void LoadFromStream(TStream *Stream);
    void LoadFromFile(const AnsiString &FileName);
    void SetSize(std::int64_t NewSize) override;
    int Write(const void *Buffer, int Count) override;
    std::int64_t Capacity() const { return static_cast<std::int64_t>(FData.size()); }

private:
    void Reserve(std::int64_t NewCapacity);
    std::vector<std::byte> FData; // its size is the capacity; Size() is the used part
};

// A stream over an AnsiString: writes overwrite and extend the text.
class TStringStream : public TStream
{
    QRV4_CLASS(TStringStream, TStream)

public:
    explicit TStringStream(const AnsiString &AString = AnsiString()) : FDataString(AString) {}
    const AnsiString &DataString() const { return FDataString; }

    int Read(void *Buffer, int Count) override;
    int Write(const void *Buffer, int Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(std::int64_t NewSize) override;
    AnsiString ReadString(int Count);
    void WriteString(const AnsiString &AString);

private:
    AnsiString FDataString;
    std::int64_t FPosition = 0;
};

namespace rtl
{

// A resource or resource type named by a number or by a name (compared without
// case). A pointer value below 0x10000 is a number, as resource pointers are.
class ResourceKey
{
public:
    ResourceKey(int Id) : FId(Id) {}
    ResourceKey(const char *Name);
    ResourceKey(const AnsiString &Name);
    bool IsNumber() const { return FId >= 0; }
    // "#10" for a number, the name otherwise, as resource texts show them.
    AnsiString Text() const;
    friend bool operator==(const ResourceKey &, const ResourceKey &) = default;

private:
    int FId = -1;
    AnsiString FName; // upper case
};

// Resource types the program carries.
inline constexpr int ResourceBitmap = 2;
inline constexpr int ResourceRawData = 10;
inline constexpr int ResourceHtml = 23;

// Makes bytes compiled into the program findable as a resource. The bytes are
// not copied: they must live as long as the program.
void RegisterResource(const ResourceKey &Type, const ResourceKey &Name,
                      std::span<const std::byte> Data);
// Empty when there is no such resource.
std::span<const std::byte> FindResource(const ResourceKey &Type, const ResourceKey &Name);

} // namespace rtl

// A read-only stream over a registered resource; a missing one raises EResNotFound.
class TResourceStream : public TCustomMemoryStream
{
    QRV4_CLASS(TResourceStream, TCustomMemoryStream)

public:
    TResourceStream(std::uintptr_t Instance, const rtl::ResourceKey &ResName,
                    const rtl::ResourceKey &ResType);
    int Write(const void *Buffer, int Count) override;
};
