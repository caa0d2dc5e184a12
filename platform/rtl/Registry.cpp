#include "platform/rtl/Registry.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/RTLConsts.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>

namespace fs = std::filesystem;

namespace rtl
{

RegistryValue RegistryValue::String(const AnsiString &Name, const AnsiString &Text)
{
    return {Name, rdString, Text.ToStd()};
}

RegistryValue RegistryValue::Integer(const AnsiString &Name, std::int32_t Value)
{
    std::string data(4, '\0');
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<char>((static_cast<std::uint32_t>(Value) >> (8 * i)) & 0xFF);
    return {Name, rdInteger, data};
}

std::string RegistryFolder()
{
    const char *config = std::getenv("XDG_CONFIG_HOME");
    std::string base;
    if (config && *config)
        base = config;
    else
        base = std::string(std::getenv("HOME") ? std::getenv("HOME") : ".") + "/.config";
    return base + "/qrv4/registry";
}

namespace
{

std::mutex &StoreLock()
{
    static std::mutex lock;
    return lock;
}

enum class RootKind { User, Machine, Other };

RootKind Kind(HKEY Root)
{
    if (Root == HKEY_CURRENT_USER) return RootKind::User;
    if (Root == HKEY_LOCAL_MACHINE) return RootKind::Machine;
    return RootKind::Other;
}

std::vector<AnsiString> SplitPath(const AnsiString &Path)
{
    std::vector<AnsiString> parts;
    std::string_view text = Path.View();
    std::size_t p = 0;
    while (p <= text.size()) {
        std::size_t end = std::min(text.find('\\', p), text.size());
        if (end > p) parts.emplace_back(text.substr(p, end - p));
        p = end + 1;
    }
    return parts;
}

bool SameParts(const std::vector<AnsiString> &A, const std::vector<AnsiString> &B,
               std::size_t Count)
{
    if (A.size() < Count || B.size() < Count) return false;
    for (std::size_t i = 0; i < Count; ++i)
        if (!AnsiSameText(A[i], B[i])) return false;
    return true;
}

// ---- the current user's folders ----

fs::path UserRoot()
{
    return fs::path(RegistryFolder()) / "HKEY_CURRENT_USER";
}

// The subkey folder of Dir named Name without case; nothing when missing.
std::optional<fs::path> FindChild(const fs::path &Dir, const AnsiString &Name)
{
    std::error_code ec;
    for (const auto &entry : fs::directory_iterator(Dir / "keys", ec))
        if (AnsiSameText(FromSystemPath(entry.path().filename().string()), Name))
            return entry.path();
    return std::nullopt;
}

std::optional<fs::path> FindKeyDir(const AnsiString &Path)
{
    fs::path dir = UserRoot();
    for (const AnsiString &part : SplitPath(Path)) {
        auto child = FindChild(dir, part);
        if (!child) return std::nullopt;
        dir = *child;
    }
    return dir;
}

std::optional<fs::path> MakeKeyDir(const AnsiString &Path)
{
    fs::path dir = UserRoot();
    std::error_code ec;
    fs::create_directories(dir, ec);
    for (const AnsiString &part : SplitPath(Path)) {
        auto child = FindChild(dir, part);
        if (!child) {
            child = dir / "keys" / SystemPath(part);
            if (!fs::create_directories(*child, ec) && !fs::is_directory(*child))
                return std::nullopt;
        }
        dir = *child;
    }
    return dir;
}

// ---- the values file: one value a line, as a registry export writes them ----
//   "Name"="text"   "Name"=expand:"text"   "Name"=dword:0000000a   "Name"=hex:01,ff
// with @ for the unnamed value. Quoted text escapes \, " and control bytes.

std::string Quoted(std::string_view Text)
{
    static const char hex[] = "0123456789abcdef";
    std::string out = "\"";
    for (char c : Text) {
        auto b = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7F) {
            out += "\\x";
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The number that Digits, one to MaxDigits hex digits and nothing else, spell.
std::optional<std::uint32_t> HexNumber(std::string_view Digits, std::size_t MaxDigits)
{
    std::uint32_t value = 0;
    if (Digits.empty() || Digits.size() > MaxDigits) return std::nullopt;
    const auto [end, error] =
        std::from_chars(Digits.data(), Digits.data() + Digits.size(), value, 16);
    if (error != std::errc() || end != Digits.data() + Digits.size()) return std::nullopt;
    return value;
}

// The byte that Digits, exactly two hex digits, spell.
std::optional<std::uint32_t> HexByte(std::string_view Digits)
{
    return Digits.size() == 2 ? HexNumber(Digits, 2) : std::nullopt;
}

// Reads a quoted text at Text[P] (a quote); P ends after the closing quote.
std::optional<std::string> Unquote(std::string_view Text, std::size_t &P)
{
    if (P >= Text.size() || Text[P] != '"') return std::nullopt;
    std::string out;
    for (++P; P < Text.size(); ++P) {
        char c = Text[P];
        if (c == '"') {
            ++P;
            return out;
        }
        if (c != '\\' || P + 1 >= Text.size()) {
            out += c;
            continue;
        }
        char e = Text[++P];
        if (e != 'x') {
            out += e;
            continue;
        }
        const auto byte = HexByte(Text.substr(P + 1, 2));
        if (!byte) return std::nullopt;
        out += static_cast<char>(*byte);
        P += 2;
    }
    return std::nullopt;
}

std::string FormatValue(const RegistryValue &Value)
{
    std::string line = Value.Name.IsEmpty() ? "@" : Quoted(Value.Name.View());
    line += '=';
    switch (Value.Type) {
    case rdString:
        return line + Quoted(Value.Data);
    case rdExpandString:
        return line + "expand:" + Quoted(Value.Data);
    case rdInteger: {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i)
            n = (n << 8) |
                static_cast<unsigned char>(Value.Data.size() > std::size_t(i) ? Value.Data[i] : 0);
        char text[16];
        std::snprintf(text, sizeof text, "dword:%08x", n);
        return line + text;
    }
    default: {
        line += "hex:";
        char byte[4];
        for (std::size_t i = 0; i < Value.Data.size(); ++i) {
            std::snprintf(byte, sizeof byte, i ? ",%02x" : "%02x",
                          static_cast<unsigned char>(Value.Data[i]));
            line += byte;
        }
        return line;
    }
    }
}

std::optional<RegistryValue> ParseValue(std::string_view Line)
{
    RegistryValue value;
    std::size_t p = 0;
    if (Line.starts_with("@")) {
        p = 1;
    } else {
        auto name = Unquote(Line, p);
        if (!name) return std::nullopt;
        value.Name = *name;
    }
    if (p >= Line.size() || Line[p] != '=') return std::nullopt;
    std::string_view rest = Line.substr(p + 1);
    std::size_t q = 0;
    if (rest.starts_with("\"")) {
        value.Type = rdString;
    } else if (rest.starts_with("expand:")) {
        value.Type = rdExpandString;
        q = 7;
    } else if (rest.starts_with("dword:")) {
        const auto number = HexNumber(rest.substr(6), 8);
        if (!number) return std::nullopt;
        return RegistryValue::Integer(value.Name, static_cast<std::int32_t>(*number));
    } else if (rest.starts_with("hex:")) {
        value.Type = rdBinary;
        // Pairs of digits with commas between them; a line spoilt on the way holds no value
        // rather than the bytes read up to the damage.
        for (std::string_view bytes = rest.substr(4); !bytes.empty();) {
            const auto byte = HexByte(bytes.substr(0, 2));
            if (!byte || (bytes.size() > 2 && (bytes[2] != ',' || bytes.size() == 3)))
                return std::nullopt;
            value.Data += static_cast<char>(*byte);
            bytes.remove_prefix(std::min<std::size_t>(3, bytes.size()));
        }
        return value;
    } else {
        return std::nullopt;
    }
    auto text = Unquote(rest, q);
    if (!text || q != rest.size()) return std::nullopt;
    value.Data = *text;
    return value;
}

// A line of a values file with the value it holds. A line that does not parse (spoilt by
// hand, or from a newer program) holds none; it is written back as it was, never dropped.
struct ValueLine {
    std::string Text; // without its "\n"
    std::optional<RegistryValue> Value;
};

std::optional<RegistryValue> ParseLine(std::string_view Line)
{
    if (Line.ends_with('\r')) Line.remove_suffix(1);
    return ParseValue(Line);
}

// The lines of the key's values file, none when it has none; nothing when the file is there
// but cannot be read whole.
std::optional<std::vector<ValueLine>> ReadValueLines(const fs::path &Dir)
{
    std::string bytes;
    const int error = ReadFileContent(Dir / "values", bytes, SettingsFileLimit);
    if (error != 0 && error != ENOENT) return std::nullopt;
    std::vector<ValueLine> lines;
    std::string_view text = bytes;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        lines.push_back({std::string(line), ParseLine(line)});
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

// A file that cannot be read reads as a key without values.
std::vector<RegistryValue> ReadValues(const fs::path &Dir)
{
    std::vector<RegistryValue> values;
    for (ValueLine &line : ReadValueLines(Dir).value_or(std::vector<ValueLine>()))
        if (line.Value) values.push_back(std::move(*line.Value));
    return values;
}

// Change edits the lines and answers whether there was something to change. The file is
// replaced whole, so a crash or a full disk leaves the old key or the new one, never half of
// one; it keeps its modes, and a link stays a link. A file that cannot be read is not
// replaced: the values in it would be lost.
bool EditValues(const fs::path &Dir, const std::function<bool(std::vector<ValueLine> &)> &Change)
{
    auto lines = ReadValueLines(Dir);
    if (!lines || !Change(*lines)) return false;
    std::string text;
    for (const ValueLine &line : *lines)
        text += line.Text + "\n";
    return ReplaceFileContent(Dir / "values", text) == 0;
}

auto FindValue(std::vector<ValueLine> &Lines, const AnsiString &Name)
{
    return std::find_if(Lines.begin(), Lines.end(), [&](const ValueLine &line) {
        return line.Value && AnsiSameText(line.Value->Name, Name);
    });
}

// ---- the local machine's providers ----

struct MachineKey {
    std::vector<AnsiString> Parts;
    std::function<std::vector<RegistryValue>()> Provider;
};

std::vector<MachineKey> &MachineKeys()
{
    static std::vector<MachineKey> keys;
    return keys;
}

const MachineKey *FindMachineKey(const std::vector<AnsiString> &Parts)
{
    for (const MachineKey &key : MachineKeys())
        if (key.Parts.size() == Parts.size() && SameParts(key.Parts, Parts, Parts.size()))
            return &key;
    return nullptr;
}

bool MachineKeyExists(const std::vector<AnsiString> &Parts)
{
    return Parts.empty() ||
           std::any_of(MachineKeys().begin(), MachineKeys().end(), [&](const MachineKey &k) {
               return SameParts(k.Parts, Parts, Parts.size());
           });
}

} // namespace

bool RegistryKeyExists(HKEY Root, const AnsiString &Path)
{
    std::lock_guard lock(StoreLock());
    switch (Kind(Root)) {
    case RootKind::User:
        return SplitPath(Path).empty() || FindKeyDir(Path).has_value();
    case RootKind::Machine:
        return MachineKeyExists(SplitPath(Path));
    default:
        return false;
    }
}

bool RegistryCreateKey(HKEY Root, const AnsiString &Path)
{
    if (Kind(Root) != RootKind::User) return RegistryKeyExists(Root, Path);
    std::lock_guard lock(StoreLock());
    return MakeKeyDir(Path).has_value();
}

bool RegistryDeleteKey(HKEY Root, const AnsiString &Path)
{
    if (Kind(Root) != RootKind::User || SplitPath(Path).empty()) return false;
    std::lock_guard lock(StoreLock());
    auto dir = FindKeyDir(Path);
    std::error_code ec;
    return dir && fs::remove_all(*dir, ec) > 0 && !ec;
}

std::vector<AnsiString> RegistryKeyNames(HKEY Root, const AnsiString &Path)
{
    std::lock_guard lock(StoreLock());
    std::vector<AnsiString> names;
    auto parts = SplitPath(Path);
    if (Kind(Root) == RootKind::Machine) {
        for (const MachineKey &key : MachineKeys()) {
            if (key.Parts.size() <= parts.size() || !SameParts(key.Parts, parts, parts.size()))
                continue;
            const AnsiString &child = key.Parts[parts.size()];
            if (std::none_of(names.begin(), names.end(),
                             [&](const AnsiString &n) { return AnsiSameText(n, child); }))
                names.push_back(child);
        }
        return names;
    }
    auto dir = Kind(Root) == RootKind::User ? FindKeyDir(Path) : std::nullopt;
    std::error_code ec;
    if (dir)
        for (const auto &entry : fs::directory_iterator(*dir / "keys", ec))
            names.push_back(FromSystemPath(entry.path().filename().string()));
    std::sort(names.begin(), names.end(),
              [](const AnsiString &a, const AnsiString &b) { return AnsiCompareText(a, b) < 0; });
    return names;
}

std::vector<RegistryValue> RegistryValues(HKEY Root, const AnsiString &Path)
{
    std::function<std::vector<RegistryValue>()> provider;
    {
        std::lock_guard lock(StoreLock());
        switch (Kind(Root)) {
        case RootKind::User: {
            auto dir = FindKeyDir(Path);
            return dir ? ReadValues(*dir) : std::vector<RegistryValue>();
        }
        case RootKind::Machine:
            if (const MachineKey *key = FindMachineKey(SplitPath(Path))) provider = key->Provider;
            break;
        default:
            break;
        }
    }
    // The provider runs outside the lock: it may take its own time and locks.
    return provider ? provider() : std::vector<RegistryValue>();
}

bool RegistrySetValue(HKEY Root, const AnsiString &Path, const RegistryValue &Value)
{
    if (Kind(Root) != RootKind::User) return false;
    std::lock_guard lock(StoreLock());
    auto dir = FindKeyDir(Path);
    if (!dir) return false;
    return EditValues(*dir, [&](std::vector<ValueLine> &Lines) {
        const ValueLine line{FormatValue(Value), Value};
        auto it = FindValue(Lines, Value.Name);
        if (it != Lines.end())
            *it = line;
        else
            Lines.push_back(line);
        return true;
    });
}

bool RegistryDeleteValue(HKEY Root, const AnsiString &Path, const AnsiString &Name)
{
    if (Kind(Root) != RootKind::User) return false;
    std::lock_guard lock(StoreLock());
    auto dir = FindKeyDir(Path);
    if (!dir) return false;
    return EditValues(*dir, [&](std::vector<ValueLine> &Lines) {
        auto it = FindValue(Lines, Name);
        if (it == Lines.end()) return false;
        Lines.erase(it);
        return true;
    });
}

void RegisterMachineKey(const AnsiString &Path,
                        std::function<std::vector<RegistryValue>()> Provider)
{
    std::lock_guard lock(StoreLock());
    auto parts = SplitPath(Path);
    auto &keys = MachineKeys();
    auto it = std::find_if(keys.begin(), keys.end(), [&](const MachineKey &k) {
        return k.Parts.size() == parts.size() && SameParts(k.Parts, parts, parts.size());
    });
    if (it != keys.end())
        it->Provider = std::move(Provider);
    else
        keys.push_back({std::move(parts), std::move(Provider)});
}

} // namespace rtl

// ---------------------------------------------------------------------------
// TRegistry

void TRegistry::SetRootKey(HKEY Value)
{
    if (FRootKey == Value) return;
    CloseKey();
    FRootKey = Value;
}

HKEY TRegistry::CurrentKey() const
{
    return FOpen ? reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(1)) : nullptr;
}

AnsiString TRegistry::Resolve(const AnsiString &Key) const
{
    bool relative = Key.IsEmpty() || Key[1] != '\\';
    AnsiString path = relative ? Key : Key.SubString(2, Key.Length());
    if (relative && FOpen && !FCurrentPath.IsEmpty())
        return path.IsEmpty() ? FCurrentPath : FCurrentPath + "\\" + path;
    return path;
}

bool TRegistry::OpenKey(const AnsiString &Key, bool CanCreate)
{
    AnsiString path = Resolve(Key);
    bool ok = CanCreate && !Key.IsEmpty() ? rtl::RegistryCreateKey(FRootKey, path)
                                          : rtl::RegistryKeyExists(FRootKey, path);
    if (!ok) return false;
    FOpen = true;
    FReadOnly = false;
    FCurrentPath = path;
    return true;
}

bool TRegistry::OpenKeyReadOnly(const AnsiString &Key)
{
    if (!OpenKey(Key, false)) return false;
    FReadOnly = true;
    return true;
}

void TRegistry::CloseKey()
{
    FOpen = false;
    FReadOnly = false;
    FCurrentPath = AnsiString();
}

bool TRegistry::CreateKey(const AnsiString &Key)
{
    if (!rtl::RegistryCreateKey(FRootKey, Resolve(Key)))
        throw ERegistryException(SRegCreateFailed, {Key});
    return true;
}

bool TRegistry::DeleteKey(const AnsiString &Key)
{
    return rtl::RegistryDeleteKey(FRootKey, Resolve(Key));
}

bool TRegistry::KeyExists(const AnsiString &Key)
{
    return rtl::RegistryKeyExists(FRootKey, Resolve(Key));
}

bool TRegistry::HasSubKeys()
{
    return FOpen && !rtl::RegistryKeyNames(FRootKey, FCurrentPath).empty();
}

void TRegistry::GetKeyNames(TStrings *Strings)
{
    auto names = FOpen ? rtl::RegistryKeyNames(FRootKey, FCurrentPath) : std::vector<AnsiString>();
    rtl::SetLines(Strings, names);
}

void TRegistry::GetValueNames(TStrings *Strings)
{
    std::vector<AnsiString> names;
    if (FOpen)
        for (const auto &value : rtl::RegistryValues(FRootKey, FCurrentPath))
            names.push_back(value.Name);
    rtl::SetLines(Strings, names);
}

const rtl::RegistryValue *TRegistry::Find(const std::vector<rtl::RegistryValue> &Values,
                                          const AnsiString &Name) const
{
    for (const auto &value : Values)
        if (AnsiSameText(value.Name, Name)) return &value;
    return nullptr;
}

bool TRegistry::ValueExists(const AnsiString &Name)
{
    return GetDataSize(Name) >= 0;
}

TRegDataType TRegistry::GetDataType(const AnsiString &ValueName)
{
    if (!FOpen) return rdUnknown;
    auto values = rtl::RegistryValues(FRootKey, FCurrentPath);
    const auto *value = Find(values, ValueName);
    return value ? value->Type : rdUnknown;
}

int TRegistry::GetDataSize(const AnsiString &ValueName)
{
    if (!FOpen) return -1;
    auto values = rtl::RegistryValues(FRootKey, FCurrentPath);
    const auto *value = Find(values, ValueName);
    if (!value) return -1;
    // Text counts its terminating NUL, as the system reports it.
    bool text = value->Type == rdString || value->Type == rdExpandString;
    return static_cast<int>(value->Data.size()) + (text ? 1 : 0);
}

bool TRegistry::Writable() const
{
    return FOpen && !FReadOnly && (FAccess & 0x2);
}

bool TRegistry::DeleteValue(const AnsiString &Name)
{
    return Writable() && rtl::RegistryDeleteValue(FRootKey, FCurrentPath, Name);
}

rtl::RegistryValue TRegistry::GetData(const AnsiString &Name)
{
    auto values =
        FOpen ? rtl::RegistryValues(FRootKey, FCurrentPath) : std::vector<rtl::RegistryValue>();
    const auto *value = Find(values, Name);
    if (!value) throw ERegistryException(SRegGetDataFailed, {Name});
    return *value;
}

void TRegistry::PutData(const rtl::RegistryValue &Value)
{
    if (!Writable() || !rtl::RegistrySetValue(FRootKey, FCurrentPath, Value))
        throw ERegistryException(SRegSetDataFailed, {Value.Name});
}

AnsiString TRegistry::ReadString(const AnsiString &Name)
{
    if (!ValueExists(Name)) return AnsiString();
    rtl::RegistryValue value = GetData(Name);
    if (value.Type != rdString && value.Type != rdExpandString)
        throw ERegistryException(SInvalidRegType, {Name});
    // Text stops at a NUL, as the class library reads it.
    return AnsiString(value.Data.substr(0, value.Data.find('\0')));
}

void TRegistry::WriteString(const AnsiString &Name, const AnsiString &Value)
{
    PutData(rtl::RegistryValue::String(Name, Value));
}

void TRegistry::WriteExpandString(const AnsiString &Name, const AnsiString &Value)
{
    PutData({Name, rdExpandString, Value.ToStd()});
}

int TRegistry::ReadInteger(const AnsiString &Name)
{
    rtl::RegistryValue value = GetData(Name);
    if (value.Type != rdInteger || value.Data.size() != 4)
        throw ERegistryException(SInvalidRegType, {Name});
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i)
        n = (n << 8) | static_cast<unsigned char>(value.Data[i]);
    return static_cast<int>(n);
}

void TRegistry::WriteInteger(const AnsiString &Name, int Value)
{
    PutData(rtl::RegistryValue::Integer(Name, Value));
}

double TRegistry::ReadFloat(const AnsiString &Name)
{
    rtl::RegistryValue value = GetData(Name);
    if (value.Type != rdBinary || value.Data.size() != sizeof(double))
        throw ERegistryException(SInvalidRegType, {Name});
    double result;
    std::memcpy(&result, value.Data.data(), sizeof result);
    return result;
}

void TRegistry::WriteFloat(const AnsiString &Name, double Value)
{
    WriteBinaryData(Name, &Value, sizeof Value);
}

int TRegistry::ReadBinaryData(const AnsiString &Name, void *Buffer, int BufSize)
{
    rtl::RegistryValue value = GetData(Name);
    if (value.Type != rdBinary && value.Type != rdUnknown)
        throw ERegistryException(SInvalidRegType, {Name});
    if (static_cast<int>(value.Data.size()) > BufSize)
        throw ERegistryException(SRegGetDataFailed, {Name});
    std::memcpy(Buffer, value.Data.data(), value.Data.size());
    return static_cast<int>(value.Data.size());
}

void TRegistry::WriteBinaryData(const AnsiString &Name, const void *Buffer, int BufSize)
{
    PutData({Name, rdBinary,
             std::string(static_cast<const char *>(Buffer), static_cast<std::size_t>(BufSize))});
}

bool TRegistry::WithKey(const AnsiString &Key, bool Create, const std::function<void()> &Action)
{
    if (Key.IsEmpty()) {
        if (!FOpen) return false;
        Action();
        return true;
    }
    bool wasOpen = FOpen, wasReadOnly = FReadOnly;
    AnsiString oldPath = FCurrentPath;
    if (!OpenKey(Key, Create)) return false;
    struct Restore {
        TRegistry &R;
        bool Open, ReadOnly;
        AnsiString Path;
        ~Restore()
        {
            R.FOpen = Open;
            R.FReadOnly = ReadOnly;
            R.FCurrentPath = Path;
        }
    } restore{*this, wasOpen, wasReadOnly, oldPath};
    Action();
    return true;
}

// ---------------------------------------------------------------------------
// TRegIniFile

TRegIniFile::TRegIniFile(const AnsiString &FileName, std::uint32_t AAccess)
    : TRegistry(AAccess), FFileName(FileName)
{
    OpenKey(FileName, true);
}

AnsiString TRegIniFile::ReadString(const AnsiString &Section, const AnsiString &Ident,
                                   const AnsiString &Default)
{
    AnsiString result = Default;
    InSection(Section, false, [&] {
        if (ValueExists(Ident)) result = TRegistry::ReadString(Ident);
    });
    return result;
}

void TRegIniFile::WriteString(const AnsiString &Section, const AnsiString &Ident,
                              const AnsiString &Value)
{
    if (!InSection(Section, true, [&] { TRegistry::WriteString(Ident, Value); }))
        throw ERegistryException(SRegCreateFailed, {Section});
}

int TRegIniFile::ReadInteger(const AnsiString &Section, const AnsiString &Ident, int Default)
{
    int result = Default;
    InSection(Section, false, [&] {
        if (!ValueExists(Ident)) return;
        result = GetDataType(Ident) == rdString ? StrToIntDef(TRegistry::ReadString(Ident), Default)
                                                : TRegistry::ReadInteger(Ident);
    });
    return result;
}

void TRegIniFile::WriteInteger(const AnsiString &Section, const AnsiString &Ident, int Value)
{
    WriteString(Section, Ident, IntToStr(Value));
}

bool TRegIniFile::ReadBool(const AnsiString &Section, const AnsiString &Ident, bool Default)
{
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const AnsiString &Section, const AnsiString &Ident, bool Value)
{
    WriteString(Section, Ident, Value ? "1" : "0");
}

void TRegIniFile::ReadSection(const AnsiString &Section, TStrings *Strings)
{
    if (!InSection(Section, false, [&] { GetValueNames(Strings); })) Strings->Clear();
}

void TRegIniFile::ReadSections(TStrings *Strings)
{
    GetKeyNames(Strings);
}

void TRegIniFile::ReadSectionValues(const AnsiString &Section, TStrings *Strings)
{
    TStringList names;
    ReadSection(Section, &names);
    std::vector<AnsiString> lines;
    for (int i = 0; i < names.Count(); ++i)
        lines.push_back(names[i] + "=" + ReadString(Section, names[i], AnsiString()));
    rtl::SetLines(Strings, lines);
}

void TRegIniFile::EraseSection(const AnsiString &Section)
{
    TRegistry::DeleteKey(Section);
}

void TRegIniFile::DeleteKey(const AnsiString &Section, const AnsiString &Ident)
{
    InSection(Section, false, [&] { DeleteValue(Ident); });
}

// ---------------------------------------------------------------------------
// TRegistryIniFile

TRegistryIniFile::TRegistryIniFile(const AnsiString &FileName, std::uint32_t AAccess)
    : TCustomIniFile(FileName), FRegIniFile(FileName, AAccess)
{
}

AnsiString TRegistryIniFile::ReadString(const AnsiString &Section, const AnsiString &Ident,
                                        const AnsiString &Default)
{
    return FRegIniFile.ReadString(Section, Ident, Default);
}

void TRegistryIniFile::WriteString(const AnsiString &Section, const AnsiString &Ident,
                                   const AnsiString &Value)
{
    FRegIniFile.WriteString(Section, Ident, Value);
}

int TRegistryIniFile::ReadInteger(const AnsiString &Section, const AnsiString &Ident, int Default)
{
    return FRegIniFile.ReadInteger(Section, Ident, Default);
}

void TRegistryIniFile::WriteInteger(const AnsiString &Section, const AnsiString &Ident, int Value)
{
    TRegIniFile &reg = FRegIniFile;
    bool ok = reg.InSection(Section, true, [&] {
        if (reg.ValueExists(Ident) && reg.GetDataType(Ident) == rdString)
            reg.TRegistry::WriteString(Ident, IntToStr(Value));
        else
            reg.TRegistry::WriteInteger(Ident, Value);
    });
    if (!ok) throw ERegistryException(SRegCreateFailed, {Section});
}

double TRegistryIniFile::ReadBinaryFloat(const AnsiString &Section, const AnsiString &Ident,
                                         double Default)
{
    double result = Default;
    TRegIniFile &reg = FRegIniFile;
    reg.InSection(Section, false, [&] {
        if (reg.ValueExists(Ident)) result = reg.TRegistry::ReadFloat(Ident);
    });
    return result;
}

void TRegistryIniFile::WriteBinaryFloat(const AnsiString &Section, const AnsiString &Ident,
                                        double Value)
{
    TRegIniFile &reg = FRegIniFile;
    if (!reg.InSection(Section, true, [&] { reg.TRegistry::WriteFloat(Ident, Value); }))
        throw ERegistryException(SRegCreateFailed, {Section});
}

double TRegistryIniFile::ReadFloat(const AnsiString &Section, const AnsiString &Ident,
                                   double Default)
{
    return ReadBinaryFloat(Section, Ident, Default);
}

void TRegistryIniFile::WriteFloat(const AnsiString &Section, const AnsiString &Ident, double Value)
{
    WriteBinaryFloat(Section, Ident, Value);
}

TDateTime TRegistryIniFile::ReadDate(const AnsiString &Section, const AnsiString &Ident,
                                     TDateTime Default)
{
    return ReadBinaryFloat(Section, Ident, Default);
}

void TRegistryIniFile::WriteDate(const AnsiString &Section, const AnsiString &Ident,
                                 TDateTime Value)
{
    WriteBinaryFloat(Section, Ident, Value);
}

TDateTime TRegistryIniFile::ReadDateTime(const AnsiString &Section, const AnsiString &Ident,
                                         TDateTime Default)
{
    return ReadBinaryFloat(Section, Ident, Default);
}

void TRegistryIniFile::WriteDateTime(const AnsiString &Section, const AnsiString &Ident,
                                     TDateTime Value)
{
    WriteBinaryFloat(Section, Ident, Value);
}

TDateTime TRegistryIniFile::ReadTime(const AnsiString &Section, const AnsiString &Ident,
                                     TDateTime Default)
{
    return ReadBinaryFloat(Section, Ident, Default);
}

void TRegistryIniFile::WriteTime(const AnsiString &Section, const AnsiString &Ident,
                                 TDateTime Value)
{
    WriteBinaryFloat(Section, Ident, Value);
}

void TRegistryIniFile::ReadSection(const AnsiString &Section, TStrings *Strings)
{
    FRegIniFile.ReadSection(Section, Strings);
}

void TRegistryIniFile::ReadSections(TStrings *Strings)
{
    FRegIniFile.ReadSections(Strings);
}

void TRegistryIniFile::ReadSectionValues(const AnsiString &Section, TStrings *Strings)
{
    FRegIniFile.ReadSectionValues(Section, Strings);
}

void TRegistryIniFile::EraseSection(const AnsiString &Section)
{
    FRegIniFile.EraseSection(Section);
}

void TRegistryIniFile::DeleteKey(const AnsiString &Section, const AnsiString &Ident)
{
    FRegIniFile.DeleteKey(Section, Ident);
}
