#include "platform/rtl/Classes.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/FileAccess.h"
#include "platform/rtl/RTLConsts.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

// ---------------------------------------------------------------------------
// TStream

void TStream::ReadBuffer(void *Buffer, int Count)
{
    if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void *Buffer, int Count)
{
    if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError(SWriteError);
}

std::int64_t TStream::CopyFrom(TStream *Source, std::int64_t Count)
{
    constexpr std::int64_t MaxBufSize = 0xF000;
    if (Count == 0) {
        Source->SetPosition(0);
        Count = Source->Size();
    }
    std::int64_t result = Count;
    std::vector<char> buffer(static_cast<std::size_t>(std::min(Count, MaxBufSize)));
    while (Count != 0) {
        int n = static_cast<int>(std::min<std::int64_t>(Count, buffer.size()));
        Source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        Count -= n;
    }
    return result;
}

std::int64_t TStream::Size()
{
    std::int64_t pos = Seek(0, soCurrent);
    std::int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::SetSize(std::int64_t) {}

// ---------------------------------------------------------------------------
// THandleStream, TFileStream

int THandleStream::Read(void *Buffer, int Count)
{
    if (Count <= 0) return 0;
    ssize_t n;
    do
        n = ::read(FHandle, Buffer, static_cast<std::size_t>(Count));
    while (n < 0 && errno == EINTR);
    return n < 0 ? 0 : static_cast<int>(n);
}

int THandleStream::Write(const void *Buffer, int Count)
{
    if (Count <= 0) return 0;
    ssize_t n;
    do
        n = ::write(FHandle, Buffer, static_cast<std::size_t>(Count));
    while (n < 0 && errno == EINTR);
    return n < 0 ? 0 : static_cast<int>(n);
}

std::int64_t THandleStream::Seek(std::int64_t Offset, TSeekOrigin Origin)
{
    int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
    return ::lseek(FHandle, Offset, whence);
}

void THandleStream::SetSize(std::int64_t NewSize)
{
    Seek(NewSize, soBeginning);
    if (::ftruncate(FHandle, NewSize) != 0)
        throw EStreamError(SSetSizeError, {SysErrorMessage(errno)});
}

namespace
{

int OpenFlags(unsigned short Mode)
{
    switch (Mode & 3) {
    case fmOpenWrite:
        return O_WRONLY;
    case fmOpenReadWrite:
        return O_RDWR;
    default:
        return O_RDONLY;
    }
}

// The advisory lock that stands for the share mode; 0 for none.
int ShareLock(unsigned short Mode, bool Creating)
{
    if (Creating) return LOCK_EX;
    unsigned short share = Mode & 0xF0;
    bool readOnly = (Mode & 3) == fmOpenRead;
    if (share == fmShareDenyNone) return 0;
    if (share == fmShareDenyWrite) return readOnly ? LOCK_SH : LOCK_EX;
    return LOCK_EX;
}

// Opens Name as Mode asks; -1 when the file cannot be opened or another open
// of the program holds a conflicting share mode.
int OpenShared(const AnsiString &Name, unsigned short Mode, unsigned Rights)
{
    bool creating = (Mode & fmCreate) == fmCreate;
    int flags = creating ? O_RDWR | O_CREAT : OpenFlags(Mode);
    int fd = -1;
    if (const int error = rtl::OpenFile(rtl::SystemPath(Name), flags, Rights, fd)) {
        errno = error;
        return -1;
    }
    int lock = ShareLock(Mode, creating);
    if ((lock != 0 && ::flock(fd, lock | LOCK_NB) != 0) || (creating && ::ftruncate(fd, 0) != 0)) {
        int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

} // namespace

TFileStream::TFileStream(const AnsiString &AFileName, unsigned short Mode)
    : TFileStream(AFileName, Mode, 0666)
{
}

TFileStream::TFileStream(const AnsiString &AFileName, unsigned short Mode, unsigned Rights)
    : THandleStream(OpenShared(AFileName, Mode, Rights)), FFileName(AFileName)
{
    if (FHandle >= 0) return;
    const AnsiString reason = SysErrorMessage(errno);
    if ((Mode & fmCreate) == fmCreate) throw EFCreateError(SFCreateError, {AFileName, reason});
    throw EFOpenError(SFOpenError, {AFileName, reason});
}

TFileStream::~TFileStream()
{
    ::close(FHandle);
}

rtl::BoundedFileStream::BoundedFileStream(const AnsiString &FileName, std::uint64_t Limit)
    : TFileStream(FileName, fmOpenRead | fmShareDenyWrite), FLimit(Limit)
{
    if (const int error = CheckFileSize(FHandle, FLimit))
        throw EFOpenError(SFOpenError, {FileName, SysErrorMessage(error)});
}

int rtl::BoundedFileStream::Read(void *Buffer, int Count)
{
    const int got = TFileStream::Read(Buffer, Count);
    if (std::cmp_greater(Position(), FLimit)) Refuse();
    return got;
}

std::int64_t rtl::BoundedFileStream::Size()
{
    const std::int64_t size = TFileStream::Size();
    if (std::cmp_greater(size, FLimit)) Refuse();
    return size;
}

void rtl::BoundedFileStream::Refuse() const
{
    throw EFOpenError(SFOpenError, {FileName(), SysErrorMessage(TooLargeFileError)});
}

// ---------------------------------------------------------------------------
// Memory streams

int TCustomMemoryStream::Read(void *Buffer, int Count)
{
    if (FPosition < 0 || Count <= 0) return 0;
    std::int64_t n = std::min<std::int64_t>(FSize - FPosition, Count);
    if (n <= 0) return 0;
    std::memcpy(Buffer, static_cast<char *>(FMemory) + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return static_cast<int>(n);
}

std::int64_t TCustomMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin)
{
    switch (Origin) {
    case soBeginning:
        FPosition = Offset;
        break;
    case soCurrent:
        FPosition += Offset;
        break;
    case soEnd:
        FPosition = FSize + Offset;
        break;
    }
    return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream *Stream)
{
    if (FSize != 0) Stream->WriteBuffer(FMemory, static_cast<int>(FSize));
}

void TCustomMemoryStream::SaveToFile(const AnsiString &FileName)
{
    rtl::SaveStreamToFile(FileName, [this](TStream *Stream) { SaveToStream(Stream); });
}

void TCustomMemoryStream::SetPointer(void *Ptr, std::int64_t Size)
{
    FMemory = Ptr;
    FSize = Size;
}

void TMemoryStream::Clear()
{
    FData.clear();
    FData.shrink_to_fit();
    SetPointer(nullptr, 0);
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream *Stream)
{
    Stream->SetPosition(0);
    std::int64_t count = Stream->Size();
    SetSize(count);
    if (count != 0) Stream->ReadBuffer(Memory(), static_cast<int>(count));
}

void TMemoryStream::LoadFromFile(const AnsiString &FileName)
{
    rtl::BoundedFileStream stream(FileName, rtl::DocumentFileLimit);
    LoadFromStream(&stream);
}

void TMemoryStream::Reserve(std::int64_t NewCapacity)
{
    if (NewCapacity <= Capacity()) return;
    // Grows in 8 KB steps as the class library does, so appends stay cheap.
    std::int64_t rounded = (NewCapacity + 0x1FFF) & ~std::int64_t(0x1FFF);
    FData.resize(static_cast<std::size_t>(std::max(rounded, Capacity() * 3 / 2)));
}

void TMemoryStream::SetSize(std::int64_t NewSize)
{
    std::int64_t oldSize = Size();
    Reserve(NewSize);
    if (NewSize > oldSize)
        std::fill(FData.begin() + oldSize, FData.begin() + NewSize, std::byte{0});
    SetPointer(FData.data(), NewSize);
    if (FPosition > NewSize) FPosition = NewSize;
}

int TMemoryStream::Write(const void *Buffer, int Count)
{
    if (FPosition < 0 || Count <= 0) return 0;
    std::int64_t end = FPosition + Count;
    std::int64_t oldSize = Size();
    if (end > oldSize) {
        // Only a gap left by seeking past the end needs zeros; the rest is
        // about to be overwritten.
        Reserve(end);
        if (FPosition > oldSize)
            std::fill(FData.begin() + oldSize, FData.begin() + FPosition, std::byte{0});
        SetPointer(FData.data(), end);
    }
    std::memcpy(FData.data() + FPosition, Buffer, static_cast<std::size_t>(Count));
    FPosition = end;
    return Count;
}

// ---------------------------------------------------------------------------
// TStringStream

int TStringStream::Read(void *Buffer, int Count)
{
    std::int64_t n = std::min<std::int64_t>(FDataString.Length() - FPosition, Count);
    if (n <= 0) return 0;
    std::memcpy(Buffer, FDataString.Data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return static_cast<int>(n);
}

int TStringStream::Write(const void *Buffer, int Count)
{
    if (Count <= 0) return 0;
    std::string data = FDataString.ToStd();
    data.replace(static_cast<std::size_t>(FPosition),
                 std::min<std::size_t>(Count, data.size() - FPosition),
                 static_cast<const char *>(Buffer), static_cast<std::size_t>(Count));
    FDataString = std::move(data);
    FPosition += Count;
    return Count;
}

std::int64_t TStringStream::Seek(std::int64_t Offset, TSeekOrigin Origin)
{
    switch (Origin) {
    case soBeginning:
        FPosition = Offset;
        break;
    case soCurrent:
        FPosition += Offset;
        break;
    case soEnd:
        FPosition = FDataString.Length() + Offset;
        break;
    }
    FPosition = std::clamp<std::int64_t>(FPosition, 0, FDataString.Length());
    return FPosition;
}

void TStringStream::SetSize(std::int64_t NewSize)
{
    FDataString.SetLength(static_cast<int>(NewSize));
    FPosition = std::min<std::int64_t>(FPosition, NewSize);
}

AnsiString TStringStream::ReadString(int Count)
{
    std::int64_t n = std::clamp<std::int64_t>(FDataString.Length() - FPosition, 0, Count);
    AnsiString result = FDataString.SubString(static_cast<int>(FPosition) + 1, static_cast<int>(n));
    FPosition += n;
    return result;
}

void TStringStream::WriteString(const AnsiString &AString)
{
    Write(AString.Data(), AString.Length());
}

// ---------------------------------------------------------------------------
// Resources

namespace rtl
{

ResourceKey::ResourceKey(const char *Name)
{
    auto value = reinterpret_cast<std::uintptr_t>(Name);
    if (value < 0x10000)
        FId = static_cast<int>(value);
    else
        FName = AnsiString(Name).UpperCase();
}

ResourceKey::ResourceKey(const AnsiString &Name) : FName(Name.UpperCase()) {}

AnsiString ResourceKey::Text() const
{
    return IsNumber() ? "#" + AnsiString(FId) : FName;
}

namespace
{

struct Resource {
    ResourceKey Type;
    ResourceKey Name;
    std::span<const std::byte> Data;
};

std::mutex &ResourceLock()
{
    static std::mutex lock;
    return lock;
}

std::vector<Resource> &Resources()
{
    static std::vector<Resource> resources;
    return resources;
}

} // namespace

void RegisterResource(const ResourceKey &Type, const ResourceKey &Name,
                      std::span<const std::byte> Data)
{
    std::lock_guard lock(ResourceLock());
    auto &all = Resources();
    auto it = std::find_if(all.begin(), all.end(),
                           [&](const Resource &r) { return r.Type == Type && r.Name == Name; });
    if (it != all.end())
        it->Data = Data;
    else
        all.push_back({Type, Name, Data});
}

std::span<const std::byte> FindResource(const ResourceKey &Type, const ResourceKey &Name)
{
    std::lock_guard lock(ResourceLock());
    for (const Resource &r : Resources())
        if (r.Type == Type && r.Name == Name) return r.Data;
    return {};
}

} // namespace rtl

TResourceStream::TResourceStream(std::uintptr_t, const rtl::ResourceKey &ResName,
                                 const rtl::ResourceKey &ResType)
{
    auto data = rtl::FindResource(ResType, ResName);
    if (data.data() == nullptr) throw EResNotFound(SResNotFound, {ResName.Text()});
    SetPointer(const_cast<std::byte *>(data.data()), static_cast<std::int64_t>(data.size()));
}

int TResourceStream::Write(const void *, int)
{
    throw EStreamError(SCantWriteResourceStreamError);
}
