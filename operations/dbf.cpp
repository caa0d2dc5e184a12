#include "operations/dbf.h"

#include "platform/rtl/FileAccess.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// A table holds nothing private of its own: a new one is readable as the user's umask
// allows, as any other program's files are.
constexpr mode_t NewFileMode = 0666;

constexpr int HeaderSize = 32;
constexpr int DescriptorSize = 32;
constexpr std::uint8_t Version = 0x03;
constexpr std::uint8_t Terminator = 0x0D;
constexpr std::uint8_t EndOfFile = 0x1A;
constexpr int NameBytes = 11;
constexpr int TextMax = 256;
constexpr int LanguageDriverByte = 29;
// A table opened to be read takes its records from the file this many bytes at a time.
constexpr std::size_t RecordWindowBytes = 64 * 1024;

std::uint16_t Word(const std::uint8_t *Bytes)
{
    return static_cast<std::uint16_t>(Bytes[0] | (Bytes[1] << 8));
}

void PutWord(std::uint8_t *Bytes, unsigned Value)
{
    Bytes[0] = static_cast<std::uint8_t>(Value);
    Bytes[1] = static_cast<std::uint8_t>(Value >> 8);
}

// Count bytes at At, all of them or false.
bool ReadAt(int Handle, char *Bytes, std::size_t Count, off_t At)
{
    while (Count > 0) {
        const ssize_t got = ::pread(Handle, Bytes, Count, At);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        Bytes += got;
        Count -= static_cast<std::size_t>(got);
        At += got;
    }
    return true;
}

bool WriteAll(int Handle, std::string_view Bytes, off_t At)
{
    while (!Bytes.empty()) {
        const ssize_t done = ::pwrite(Handle, Bytes.data(), Bytes.size(), At);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        Bytes.remove_prefix(static_cast<std::size_t>(done));
        At += done;
    }
    return true;
}

// A number right-aligned in blanks, as dBase writes it: an optional minus and digits.
bool ParseNumber(std::string_view Text, int &Value)
{
    const auto first = Text.find_first_not_of(' ');
    if (first == std::string_view::npos) return false;
    Text = Text.substr(first, Text.find_last_not_of(' ') + 1 - first);
    int number = 0;
    const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), number);
    if (error != std::errc() || end != Text.data() + Text.size()) return false;
    Value = number;
    return true;
}

} // namespace

_DBF::_DBF(const AnsiString &FileName, int OpenFlags)
    : FFileName(FileName.SubString(1, 1024)), FOpenFlags(OpenFlags)
{
}

_DBF::_DBF() : FInMemory(true), FOpenFlags(O_RDWR) {}

_DBF::~_DBF()
{
    close();
}

bool _DBF::Fail(int Code)
{
    FError = Code;
    return false;
}

// ---- the header ----

void _DBF::PutDescriptor(const Field &F, std::uint8_t *Bytes)
{
    std::memset(Bytes, 0, DescriptorSize);
    std::memcpy(Bytes, F.Name.c_str(), std::min(F.Name.Length(), NameBytes - 1));
    Bytes[11] = static_cast<std::uint8_t>(F.Type);
    if (F.Type == 'C') {
        PutWord(Bytes + 16, static_cast<unsigned>(F.Length));
    } else {
        Bytes[16] = static_cast<std::uint8_t>(F.Length);
        Bytes[17] = static_cast<std::uint8_t>(F.Decimals);
    }
}

bool _DBF::TakeDescriptor(const std::uint8_t *Bytes, Field &F)
{
    char name[NameBytes] = {};
    std::memcpy(name, Bytes, NameBytes - 1); // byte 10 always ends the name
    F.Name = name;
    F.Type = static_cast<char>(Bytes[11]);
    F.Length = F.Type == 'C' ? Word(Bytes + 16) : Bytes[16];
    F.Decimals = F.Type == 'C' ? 0 : Bytes[17];
    return F.Length > 0;
}

void _DBF::PutRecordCount(std::uint8_t *Header) const
{
    for (int i = 0; i < 4; ++i)
        Header[4 + i] = static_cast<std::uint8_t>(FRecordCount >> (8 * i));
}

void _DBF::PutHeader(std::uint8_t *Bytes) const
{
    std::memset(Bytes, 0, HeaderSize);
    Bytes[0] = Version;
    Bytes[1] = 0; // last update 1900-01-01
    Bytes[2] = 1;
    Bytes[3] = 1;
    PutRecordCount(Bytes);
    PutWord(Bytes + 8, static_cast<unsigned>(FHeaderLength));
    PutWord(Bytes + 10, static_cast<unsigned>(FRecordLength));
}

bool _DBF::ReadHeader()
{
    if (FImage.size() < HeaderSize) return false;
    const auto *header = reinterpret_cast<const std::uint8_t *>(FImage.data());
    FRecordCount = header[4] | (header[5] << 8) | (header[6] << 16) |
                   (static_cast<std::uint32_t>(header[7]) << 24);
    FHeaderLength = Word(header + 8);
    FRecordLength = Word(header + 10);
    if (FHeaderLength < HeaderSize + 1) return false;
    const int fieldCount = (FHeaderLength - HeaderSize - 1) / DescriptorSize;
    FFields.clear();
    // Descriptors up to the terminator, but never past the header's length or the limit.
    for (std::size_t at = HeaderSize;; at += DescriptorSize) {
        const std::size_t left = FImage.size() - at;
        if (left >= 1 && header[at] == Terminator) break;
        if (left < DescriptorSize) return false;
        if (static_cast<int>(FFields.size()) >= std::min(fieldCount, MaxFields)) return false;
        Field field;
        if (!TakeDescriptor(header + at, field)) return false;
        FFields.push_back(field);
    }
    return static_cast<int>(FFields.size()) == fieldCount && fieldCount > 0;
}

bool _DBF::CheckLayout()
{
    int offset = 1;
    for (Field &field : FFields) {
        field.Offset = offset;
        offset += field.Length;
    }
    if (offset != FRecordLength) return false;
    const long long held = FInMemory ? static_cast<long long>(FImage.size()) : FFileSize;
    return TableBytes() <= held;
}

long long _DBF::TableBytes() const
{
    return FHeaderLength + static_cast<long long>(FRecordCount) * FRecordLength;
}

// ---- open, create, close ----

// The header and the descriptors its length covers; the records wait until the header has
// been checked, so a file of another kind is refused without being read.
int _DBF::ReadHead()
{
    // A pipe, a device or a folder is no table, and a pipe is never waited on.
    const int error = rtl::OpenFile(rtl::SystemPath(FFileName), FOpenFlags, NewFileMode, FHandle);
    if (error == rtl::NotRegularFileError || error == EISDIR) return WrongKind;
    if (FHandle < 0) return IoError;
    struct stat info;
    if (::fstat(FHandle, &info) != 0 || info.st_size < HeaderSize) return IoError;
    FFileSize = info.st_size;
    FImage.resize(HeaderSize);
    if (!ReadAt(FHandle, FImage.data(), HeaderSize, 0)) return IoError;
    const auto *header = reinterpret_cast<const std::uint8_t *>(FImage.data());
    const auto length = std::min<long long>(Word(header + 8), FFileSize);
    if (length <= HeaderSize) return NoError;
    FImage.resize(static_cast<std::size_t>(length));
    return ReadAt(FHandle, FImage.data() + HeaderSize, FImage.size() - HeaderSize, HeaderSize)
               ? NoError
               : IoError;
}

// A table that may change keeps its records in the image, to be written back whole; one opened
// to be read takes them from the file as they are visited.
bool _DBF::ReadRecords()
{
    if (FInMemory || !Writable()) return true;
    FImage.resize(static_cast<std::size_t>(TableBytes()));
    return ReadAt(FHandle, FImage.data() + FHeaderLength, FImage.size() - FHeaderLength,
                  FHeaderLength);
}

void _DBF::CloseFile()
{
    if (FHandle >= 0) ::close(FHandle);
    FHandle = -1;
    FWindow.clear();
    FWindowFirst = FWindowCount = 0;
}

bool _DBF::open()
{
    if (FOpen) return true;
    const int head = FInMemory ? (FImage.empty() ? IoError : NoError) : ReadHead();
    if (head != NoError) {
        CloseFile();
        return Fail(head);
    }
    try {
        if (!ReadHeader() || !CheckLayout() || !ReadRecords()) {
            CloseFile();
            FFields.clear();
            return Fail(IoError);
        }
        FRecord.assign(static_cast<std::size_t>(FRecordLength) + 1, 0);
    } catch (const std::bad_alloc &) {
        CloseFile();
        return Fail(NoMemory);
    }
    FOpen = true;
    go_to(1); // nothing to read in an empty table
    return true;
}

// The image only grows, so written over the file from its start it is the whole file.
bool _DBF::WriteImage()
{
    return !FChanged || WriteAll(FHandle, FImage, 0);
}

void _DBF::close()
{
    if (!FOpen) return;
    if (FModified) {
        FImage.push_back(static_cast<char>(EndOfFile));
        FChanged = true;
        FModified = false;
    }
    if (FHandle >= 0) {
        if (!WriteImage()) FError = IoError;
        if (::close(FHandle) != 0) FError = IoError;
        FHandle = -1;
    }
    CloseFile();
    FChanged = false;
    FOpen = false;
    FCurrent = 0;
}

bool _DBF::add_field(char Type, const AnsiString &Name, int Length, int Decimals)
{
    if (FOpen || static_cast<int>(FFields.size()) >= MaxFields) return false;
    Field field;
    field.Name = Name.SubString(1, NameBytes - 1);
    switch (Type) {
    case 'D':
        field.Type = 'D';
        field.Length = 8;
        break;
    case 'L':
        field.Type = 'L';
        field.Length = 1;
        break;
    case 'M':
        field.Type = 'M';
        field.Length = 10;
        break;
    case 'N':
        field.Type = 'N';
        field.Length = std::clamp(Length, 1, 255);
        field.Decimals = std::clamp(Decimals, 0, 255);
        break;
    default:
        field.Type = 'C';
        field.Length = std::clamp(Length, 1, 0xFFFF);
        break;
    }
    FFields.push_back(field);
    return true;
}

bool _DBF::create()
{
    if (FOpen || FFields.empty()) return false;
    FRecordCount = 0;
    FHeaderLength = HeaderSize + DescriptorSize * static_cast<int>(FFields.size()) + 1;
    FRecordLength = 1;
    for (const Field &field : FFields)
        FRecordLength += field.Length;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(FHeaderLength));
    PutHeader(bytes.data());
    for (std::size_t i = 0; i < FFields.size(); ++i)
        PutDescriptor(FFields[i], bytes.data() + HeaderSize + DescriptorSize * i);
    bytes.back() = Terminator;
    FImage.assign(bytes.begin(), bytes.end());
    if (FInMemory) return true;
    int handle = -1;
    if (rtl::OpenFile(rtl::SystemPath(FFileName), O_CREAT | O_TRUNC | O_RDWR, NewFileMode,
                      handle) != 0)
        return Fail(IoError);
    const bool written = WriteAll(handle, FImage, 0);
    if (::close(handle) != 0 || !written) return Fail(IoError);
    return true;
}

// ---- records ----

long _DBF::record_offset(int Record) const
{
    if (!FOpen) return 0;
    return FHeaderLength + static_cast<long>(FRecordLength) * (Record - 1);
}

bool _DBF::go_to(int Record)
{
    if (!FOpen) return Fail(NoFile);
    if (Record < 1 || static_cast<std::uint32_t>(Record) > FRecordCount) return false;
    FCurrent = Record;
    return read_record();
}

bool _DBF::skip(int Count)
{
    return go_to(FCurrent + Count);
}

// Record Record in the image; null when there is none.
char *_DBF::RecordAt(int Record)
{
    if (Record < 1) return nullptr;
    return FImage.data() + record_offset(Record);
}

// Record Record as read from the file, with the records after it that fit the window; null
// when the file no longer holds it.
const char *_DBF::FileRecordAt(int Record)
{
    const auto index = static_cast<std::uint32_t>(Record - 1);
    if (index < FWindowFirst || index - FWindowFirst >= FWindowCount) {
        // The first record alone at first: a table is often opened only to be looked at.
        const std::uint32_t fit =
            FWindow.empty() ? 1
                            : static_cast<std::uint32_t>(std::max<std::size_t>(
                                  1, RecordWindowBytes / static_cast<std::size_t>(FRecordLength)));
        const std::uint32_t count = std::min(fit, FRecordCount - index);
        FWindowCount = 0;
        FWindow.resize(static_cast<std::size_t>(count) * FRecordLength);
        if (!ReadAt(FHandle, FWindow.data(), FWindow.size(), record_offset(Record))) return nullptr;
        FWindowFirst = index;
        FWindowCount = count;
    }
    return FWindow.data() + static_cast<std::size_t>(index - FWindowFirst) * FRecordLength;
}

bool _DBF::read_record()
{
    if (!FOpen || FRecord.empty()) return Fail(NoFile);
    if (FCurrent < 1) return Fail(IoError);
    const char *at = Writable() ? RecordAt(FCurrent) : FileRecordAt(FCurrent);
    if (!at) return Fail(IoError);
    std::memcpy(FRecord.data(), at, static_cast<std::size_t>(FRecordLength));
    FRecord[static_cast<std::size_t>(FRecordLength)] = 0;
    return true;
}

bool _DBF::Writable() const
{
    return FInMemory || (FOpenFlags & O_ACCMODE) != O_RDONLY;
}

bool _DBF::write_record()
{
    if (!FOpen || FRecord.empty()) return Fail(NoFile);
    char *at = RecordAt(FCurrent);
    if (!at || !Writable()) return Fail(IoError);
    std::memcpy(at, FRecord.data(), static_cast<std::size_t>(FRecordLength));
    FRecord[static_cast<std::size_t>(FRecordLength)] = 0;
    FChanged = true;
    return true;
}

// The record goes where the next one belongs, over whatever the file held there (its end
// mark); of the header only the count changes, so a table keeps its own marks.
bool _DBF::append_blank()
{
    if (!FOpen) return false;
    if (!Writable()) return Fail(IoError);
    const std::size_t end =
        static_cast<std::size_t>(record_offset(static_cast<int>(FRecordCount) + 2));
    if (FImage.size() < end) FImage.resize(end);
    ++FRecordCount;
    FCurrent = static_cast<int>(FRecordCount);
    std::fill(FRecord.begin(), FRecord.end() - 1, ' ');
    write_record();
    PutRecordCount(reinterpret_cast<std::uint8_t *>(FImage.data()));
    FModified = true;
    return true;
}

// ---- fields ----

const _DBF::Field *_DBF::Find(const AnsiString &Name, bool Numeric) const
{
    for (const Field &field : FFields)
        if (field.Name == Name) {
            const bool numeric = (field.Type == 'N' || field.Type == 'F') && field.Decimals == 0;
            if (Numeric ? numeric : field.Type == 'C') return &field;
        }
    return nullptr;
}

bool _DBF::get_char_field(const AnsiString &Name, AnsiString &Value) const
{
    if (FFields.empty() || Name.IsEmpty() || FRecord.empty()) return false;
    // In place: a table read record by record keeps the room the last value took.
    if (const Field *field = Find(Name, false)) {
        const int length = std::min(field->Length, TextMax);
        Value.SetLength(length);
        std::memcpy(&Value[1], FRecord.data() + field->Offset, static_cast<std::size_t>(length));
    }
    return true;
}

bool _DBF::put_char_field(const AnsiString &Name, const AnsiString &Value)
{
    if (FFields.empty() || Name.IsEmpty() || FRecord.empty()) return false;
    if (const Field *field = Find(Name, false)) {
        char *at = FRecord.data() + field->Offset;
        std::fill(at, at + field->Length, ' ');
        std::memcpy(at, Value.c_str(), std::min(Value.Length(), field->Length));
    }
    return true;
}

bool _DBF::get_num_field(const AnsiString &Name, int &Value) const
{
    if (FFields.empty() || Name.IsEmpty() || FRecord.empty()) return false;
    if (const Field *field = Find(Name, true))
        return ParseNumber(
            {FRecord.data() + field->Offset, static_cast<std::size_t>(field->Length)}, Value);
    return true;
}

bool _DBF::put_num_field(const AnsiString &Name, int Value)
{
    if (FFields.empty() || Name.IsEmpty() || FRecord.empty()) return false;
    if (const Field *field = Find(Name, true)) {
        const AnsiString text = IntToStr(Value).SubString(1, field->Length);
        char *at = FRecord.data() + field->Offset;
        std::fill(at, at + field->Length, ' ');
        std::memcpy(at + field->Length - text.Length(), text.c_str(), text.Length());
    }
    return true;
}

// ---- the table's shape ----

int _DBF::field_count() const
{
    return FOpen ? static_cast<int>(FFields.size()) : 0;
}

int _DBF::record_count() const
{
    return FOpen ? static_cast<int>(FRecordCount) : 0;
}

int _DBF::language_driver() const
{
    return FOpen ? static_cast<std::uint8_t>(FImage[LanguageDriverByte]) : 0;
}

int _DBF::field_length(int Index) const
{
    if (FFields.empty()) return 0;
    if (Index < 0 || Index >= static_cast<int>(FFields.size())) Index = 0;
    return FFields[Index].Length;
}

int _DBF::field_length_of(const AnsiString &Name) const
{
    if (!FOpen) return 0;
    for (const Field &field : FFields)
        if (field.Name == Name) return field.Length;
    return 0;
}

bool _DBF::field_name(int Index, AnsiString &Name) const
{
    if (!FOpen || Index < 1 || Index > static_cast<int>(FFields.size())) return false;
    Name = FFields[Index - 1].Name;
    return true;
}

char _DBF::field_type(const AnsiString &Name) const
{
    if (!FOpen) return 0;
    for (const Field &field : FFields)
        if (field.Name == Name) return field.Type;
    return 0;
}

// ---- the address-book table ----

bool WriterDbf::store()
{
    put_num_field("TYPE_KEY", type_key);
    put_char_field("NAME", name.Text());
    put_char_field("KEY_HEX", key_hex.Text());
    put_char_field("OLD_KEY", old_key.Text());
    put_num_field("MODE", mode);
    return write_record();
}

bool WriterDbf::load()
{
    // A field that holds no number leaves -1, no key type or mode, rather than what the
    // record before held.
    const auto number = [this](const char *Field, int &Image) {
        if (get_num_field(Field, Image)) return true;
        Image = -1;
        return false;
    };
    const auto text = [this](const char *Field, _CHARACTER &Image) {
        AnsiString value = std::move(Image).Text();
        get_char_field(Field, value);
        Image = std::move(value);
    };
    const bool typed = number("TYPE_KEY", type_key);
    text("NAME", name);
    text("KEY_HEX", key_hex);
    text("OLD_KEY", old_key);
    complete = number("MODE", mode) && typed;
    return complete;
}

bool WriterDbf::go_top()
{
    if (!go_to(1)) return false;
    load();
    return true;
}

bool WriterDbf::skip(int Count)
{
    if (!_DBF::skip(Count)) return false;
    load();
    return true;
}
