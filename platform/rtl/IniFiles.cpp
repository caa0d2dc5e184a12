#include "platform/rtl/IniFiles.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/FileAccess.h"
#include "platform/rtl/RTLConsts.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <mutex>

#include <sys/stat.h>

// ---------------------------------------------------------------------------
// TCustomIniFile

int TCustomIniFile::ReadInteger(const AnsiString &Section, const AnsiString &Ident, int Default)
{
    AnsiString text = ReadString(Section, Ident, AnsiString());
    if (text.Length() > 2 && text[1] == '0' && (text[2] == 'x' || text[2] == 'X'))
        text = "$" + text.SubString(3, text.Length());
    return StrToIntDef(text, Default);
}

void TCustomIniFile::WriteInteger(const AnsiString &Section, const AnsiString &Ident, int Value)
{
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const AnsiString &Section, const AnsiString &Ident, bool Default)
{
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const AnsiString &Section, const AnsiString &Ident, bool Value)
{
    WriteString(Section, Ident, Value ? "1" : "0");
}

namespace
{

// The stored text converted by Parse, or Default when it is empty or does not
// convert. Only conversion errors are swallowed; a failing store still raises.
template <class T, class P>
T ReadConverted(TCustomIniFile &Ini, const AnsiString &Section, const AnsiString &Ident, T Default,
                P Parse)
{
    AnsiString text = Ini.ReadString(Section, Ident, AnsiString());
    if (text.IsEmpty()) return Default;
    try {
        return Parse(text);
    } catch (const EConvertError &) {
        return Default;
    }
}

} // namespace

double TCustomIniFile::ReadFloat(const AnsiString &Section, const AnsiString &Ident, double Default)
{
    return ReadConverted(*this, Section, Ident, Default, StrToFloat);
}

void TCustomIniFile::WriteFloat(const AnsiString &Section, const AnsiString &Ident, double Value)
{
    WriteString(Section, Ident, FloatToStr(Value));
}

TDateTime TCustomIniFile::ReadDate(const AnsiString &Section, const AnsiString &Ident,
                                   TDateTime Default)
{
    return ReadConverted(*this, Section, Ident, Default, StrToDate);
}

void TCustomIniFile::WriteDate(const AnsiString &Section, const AnsiString &Ident, TDateTime Value)
{
    WriteString(Section, Ident, DateToStr(Value));
}

TDateTime TCustomIniFile::ReadDateTime(const AnsiString &Section, const AnsiString &Ident,
                                       TDateTime Default)
{
    return ReadConverted(*this, Section, Ident, Default, StrToDateTime);
}

void TCustomIniFile::WriteDateTime(const AnsiString &Section, const AnsiString &Ident,
                                   TDateTime Value)
{
    WriteString(Section, Ident, DateTimeToStr(Value));
}

TDateTime TCustomIniFile::ReadTime(const AnsiString &Section, const AnsiString &Ident,
                                   TDateTime Default)
{
    return ReadConverted(*this, Section, Ident, Default, StrToTime);
}

void TCustomIniFile::WriteTime(const AnsiString &Section, const AnsiString &Ident, TDateTime Value)
{
    WriteString(Section, Ident, TimeToStr(Value));
}

void TCustomIniFile::ReadSectionValues(const AnsiString &Section, TStrings *Strings)
{
    TStringList keys;
    ReadSection(Section, &keys);
    std::vector<AnsiString> lines;
    for (int i = 0; i < keys.Count(); ++i)
        lines.push_back(keys[i] + "=" + ReadString(Section, keys[i], AnsiString()));
    rtl::SetLines(Strings, lines);
}

bool TCustomIniFile::SectionExists(const AnsiString &Section)
{
    TStringList keys;
    ReadSection(Section, &keys);
    return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const AnsiString &Section, const AnsiString &Ident)
{
    TStringList keys;
    ReadSection(Section, &keys);
    return keys.IndexOf(Ident) >= 0;
}

// ---------------------------------------------------------------------------
// Profile text

namespace rtl
{
namespace
{

std::string_view Trimmed(std::string_view Text)
{
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!Text.empty() && blank(Text.front()))
        Text.remove_prefix(1);
    while (!Text.empty() && blank(Text.back()))
        Text.remove_suffix(1);
    return Text;
}

bool SameName(std::string_view A, const AnsiString &B)
{
    return AnsiSameText(AnsiString(A), AnsiString(Trimmed(B.View())));
}

// The name of a section header line; nothing for any other line.
std::optional<std::string_view> HeaderName(std::string_view Line)
{
    std::string_view text = Trimmed(Line);
    if (text.empty() || text.front() != '[') return std::nullopt;
    text.remove_prefix(1);
    return Trimmed(text.substr(0, text.find(']')));
}

// The key of a key line: the text before "=". Blank lines, comments, headers
// and lines without "=" have none, as the profile functions pass them over.
std::optional<std::string_view> KeyName(std::string_view Line)
{
    std::string_view text = Trimmed(Line);
    const std::size_t eq = text.find('=');
    if (text.empty() || text.front() == ';' || text.front() == '[' || eq == text.npos)
        return std::nullopt;
    return Trimmed(text.substr(0, eq));
}

// The text of a key line that Value reads back as Text: in quotes when the trimming, or the
// dropping of a pair of enclosing quotes, would change it (a company written "Name" with its
// quotes).
std::string Stored(const std::string &Text)
{
    const bool enclosed = Text.size() >= 2 && (Text.front() == '"' || Text.front() == '\'') &&
                          Text.back() == Text.front();
    if (!enclosed && Trimmed(Text).size() == Text.size()) return Text;
    return '"' + Text + '"';
}

} // namespace

ProfileText::ProfileText(std::string Bytes)
{
    std::size_t p = 0;
    while (p < Bytes.size()) {
        std::size_t end = Bytes.find_first_of("\r\n", p);
        if (end == std::string::npos) {
            FLines.push_back({Bytes.substr(p), ""});
            break;
        }
        std::size_t next = end + 1;
        if (Bytes[end] == '\r' && next < Bytes.size() && Bytes[next] == '\n') ++next;
        FLines.push_back({Bytes.substr(p, end - p), Bytes.substr(end, next - end)});
        p = next;
    }
}

std::string ProfileText::Bytes() const
{
    std::size_t size = 0;
    for (const Line &line : FLines)
        size += line.Text.size() + line.Break.size();
    std::string out;
    out.reserve(size);
    for (const Line &line : FLines)
        out.append(line.Text).append(line.Break);
    return out;
}

std::optional<ProfileText::Range> ProfileText::FindSection(const AnsiString &Section) const
{
    for (std::size_t i = 0; i < FLines.size(); ++i) {
        auto name = HeaderName(FLines[i].Text);
        if (!name || !SameName(*name, Section)) continue;
        std::size_t end = i + 1;
        while (end < FLines.size() && !HeaderName(FLines[end].Text))
            ++end;
        return Range{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> ProfileText::FindKey(const Range &R, const AnsiString &Key) const
{
    for (std::size_t i = R.Begin + 1; i < R.End; ++i) {
        auto name = KeyName(FLines[i].Text);
        if (name && SameName(*name, Key)) return i;
    }
    return std::nullopt;
}

std::optional<AnsiString> ProfileText::Value(const AnsiString &Section, const AnsiString &Key) const
{
    auto range = FindSection(Section);
    if (!range) return std::nullopt;
    auto at = FindKey(*range, Key);
    if (!at) return std::nullopt;
    std::string_view text = FLines[*at].Text;
    std::string_view value = Trimmed(text.substr(text.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return AnsiString(value);
}

std::vector<AnsiString> ProfileText::Keys(const AnsiString &Section) const
{
    std::vector<AnsiString> keys;
    auto range = FindSection(Section);
    if (!range) return keys;
    for (std::size_t i = range->Begin + 1; i < range->End; ++i)
        if (auto name = KeyName(FLines[i].Text)) keys.emplace_back(*name);
    return keys;
}

std::vector<AnsiString> ProfileText::Sections() const
{
    std::vector<AnsiString> sections;
    for (const Line &line : FLines)
        if (auto name = HeaderName(line.Text)) sections.emplace_back(*name);
    return sections;
}

bool ProfileText::OnlyProfileLines() const
{
    return std::all_of(FLines.begin(), FLines.end(), [](const Line &line) {
        const std::string_view text = Trimmed(line.Text);
        return text.empty() || text.front() == ';' || HeaderName(text) || KeyName(text);
    });
}

// Inserts a line ending in CR LF at At; a line before it that ended the file
// without a break gets one, so the new line stands on its own.
void ProfileText::Append(std::size_t At, std::string Text)
{
    if (At > 0 && FLines[At - 1].Break.empty()) FLines[At - 1].Break = "\r\n";
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(At), {std::move(Text), "\r\n"});
}

void ProfileText::Write(const AnsiString &Section, const AnsiString &Key, const AnsiString &Value)
{
    auto range = FindSection(Section);
    const std::string value = Stored(Value.ToStd());
    if (!range) {
        Append(FLines.size(), std::string("[").append(Section.View()).append("]"));
        Append(FLines.size(), Key.ToStd() + "=" + value);
        return;
    }
    if (auto at = FindKey(*range, Key)) {
        // The name keeps its spelling in the file; only the value changes.
        FLines[*at].Text = std::string(*KeyName(FLines[*at].Text)) + "=" + value;
        return;
    }
    std::size_t last = range->End;
    while (last > range->Begin + 1 && Trimmed(FLines[last - 1].Text).empty())
        --last;
    Append(last, Key.ToStd() + "=" + value);
}

void ProfileText::DeleteKey(const AnsiString &Section, const AnsiString &Key)
{
    auto range = FindSection(Section);
    if (!range) return;
    if (auto at = FindKey(*range, Key))
        FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(*at));
}

void ProfileText::EraseSection(const AnsiString &Section)
{
    auto range = FindSection(Section);
    if (!range) return;
    FLines.erase(FLines.begin() + static_cast<std::ptrdiff_t>(range->Begin),
                 FLines.begin() + static_cast<std::ptrdiff_t>(range->End));
}

} // namespace rtl

// ---------------------------------------------------------------------------
// TIniFile

namespace
{
// One profile operation at a time in the program, as the system serialises
// them; files are opened without share locks so readers never make a writer
// fail.
std::mutex &ProfileLock()
{
    static std::mutex lock;
    return lock;
}

template <class F> auto Locked(F Action)
{
    std::lock_guard lock(ProfileLock());
    return Action();
}

// Counts the profile writes of the whole program (under the profile lock): a
// write through another object can land within the file system's time stamp
// granularity and keep the size, so the stamp alone would not show it.
std::uint64_t ProfileWrites = 0;

// What changes when a file is written or replaced. The change time is left
// out: a change of permissions alone leaves the text as it was.
struct FileStamp {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = -1;
    std::int64_t Modified = 0;
    bool operator==(const FileStamp &) const = default;
};

// Of the file a read reaches, in the folder its links lead to as they may be followed: the base
// folder held, whatever its name leads to now.
FileStamp StampOf(const std::string &Path)
{
    rtl::TResolvedFile file;
    struct stat info;
    if (rtl::ResolveFile(Path, false, file) != 0 ||
        ::fstatat(file.Folder(), file.Name().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return {};
    return {info.st_dev, info.st_ino, info.st_size,
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

} // namespace

struct TIniFile::TCache {
    rtl::ProfileText Text;
    FileStamp Stamp;
    std::uint64_t Writes = 0;
    // The file is there but could not be read whole: its reads give the defaults, and a write
    // fails rather than replace settings nobody has seen with the one written.
    bool Unreadable = false;
};

TIniFile::TIniFile(const AnsiString &FileName) : TCustomIniFile(FileName) {}

TIniFile::~TIniFile() = default;

rtl::ProfileText &TIniFile::Current()
{
    // Writes waiting for EndUpdate are not given up for a text written meanwhile.
    if (FPending) return FCache->Text;
    const std::string path = rtl::SystemPath(FileName());
    // Taken before the read: a writer meanwhile makes the next call read again
    // instead of trusting a text older than the file.
    const FileStamp stamp = StampOf(path);
    if (!FCache || FCache->Unreadable || FCache->Stamp != stamp ||
        FCache->Writes != ProfileWrites) {
        FCache.reset(); // a large file is not held twice
        std::string bytes;
        const int error = rtl::ReadFileContent(path, bytes, rtl::SettingsFileLimit);
        const bool unreadable = error != 0 && error != ENOENT;
        FCache = std::make_unique<TCache>(
            TCache{rtl::ProfileText(std::move(bytes)), stamp, ProfileWrites, unreadable});
    }
    return FCache->Text;
}

void TIniFile::Store()
{
    FPending = false;
    try {
        const int error = rtl::ReplaceFileContent(FileName(), FCache->Text.Bytes());
        ++ProfileWrites;
        if (error != 0) throw EIniFileException(SIniFileWriteError, {FileName()});
        FCache->Stamp = StampOf(rtl::SystemPath(FileName()));
        FCache->Writes = ProfileWrites;
    } catch (...) {
        // The text in memory is no longer the file's.
        FCache.reset();
        throw;
    }
}

void TIniFile::Edit(const std::function<void(rtl::ProfileText &)> &Change)
{
    Locked([&] {
        try {
            rtl::ProfileText &text = Current();
            if (FCache->Unreadable) throw EIniFileException(SIniFileWriteError, {FileName()});
            Change(text);
        } catch (...) {
            FCache.reset();
            FPending = false;
            throw;
        }
        FPending = true;
        if (FUpdateCount == 0) Store();
    });
}

void TIniFile::BeginUpdate()
{
    ++FUpdateCount;
}

void TIniFile::EndUpdate()
{
    if (FUpdateCount == 0 || --FUpdateCount > 0) return;
    Locked([&] {
        if (FPending) Store();
    });
}

AnsiString TIniFile::ReadString(const AnsiString &Section, const AnsiString &Ident,
                                const AnsiString &Default)
{
    // As the profile functions do, a default loses its trailing blanks.
    return Locked([&] { return Current().Value(Section, Ident).value_or(Default.TrimRight()); });
}

void TIniFile::WriteString(const AnsiString &Section, const AnsiString &Ident,
                           const AnsiString &Value)
{
    Edit([&](rtl::ProfileText &Text) { Text.Write(Section, Ident, Value); });
}

void TIniFile::ReadSection(const AnsiString &Section, TStrings *Strings)
{
    rtl::SetLines(Strings, Locked([&] { return Current().Keys(Section); }));
}

void TIniFile::ReadSections(TStrings *Strings)
{
    rtl::SetLines(Strings, Locked([&] { return Current().Sections(); }));
}

void TIniFile::EraseSection(const AnsiString &Section)
{
    Edit([&](rtl::ProfileText &Text) { Text.EraseSection(Section); });
}

void TIniFile::DeleteKey(const AnsiString &Section, const AnsiString &Ident)
{
    Edit([&](rtl::ProfileText &Text) { Text.DeleteKey(Section, Ident); });
}

// ---------------------------------------------------------------------------
// TMemIniFile

TMemIniFile::TMemIniFile(const AnsiString &FileName) : TCustomIniFile(FileName)
{
    LoadValues(FileName);
}

TMemIniFile::~TMemIniFile()
{
    Clear();
}

void TMemIniFile::LoadValues(const AnsiString &FileName)
{
    std::string bytes;
    const int error = FileName.IsEmpty() ? ENOENT
                                         : rtl::ReadFileContent(rtl::SystemPath(FileName), bytes,
                                                                rtl::SettingsFileLimit);
    if (error != 0 && error != ENOENT)
        throw EFOpenError(SFOpenError, {FileName, SysErrorMessage(error)});
    // Not as a string list's text, which a NUL ends: what a crash left in the middle of a file
    // costs no setting after it.
    TStringList list;
    rtl::AddLines(list, bytes);
    SetStrings(&list);
}

void TMemIniFile::Clear()
{
    for (int i = 0; i < FSections.Count(); ++i)
        delete FSections.Objects(i);
    FSections.Clear();
    FLeadingLines.Clear();
}

TStringList *TMemIniFile::Section(const AnsiString &Name) const
{
    int i = FSections.IndexOf(Name);
    return i >= 0 ? static_cast<TStringList *>(FSections.Objects(i)) : nullptr;
}

TStringList *TMemIniFile::AddSection(const AnsiString &Name)
{
    auto lines = std::make_unique<TStringList>();
    FSections.AddObject(Name, lines.get());
    return lines.release();
}

void TMemIniFile::SetStrings(TStrings *List)
{
    Clear();
    TStringList *section = nullptr;
    for (int i = 0; i < List->Count(); ++i) {
        AnsiString s = List->Strings(i).Trim();
        if (s.IsEmpty() || s[1] == ';') continue;
        if (s[1] == '[' && s[s.Length()] == ']') {
            section = AddSection(s.SubString(2, s.Length() - 2).Trim());
        } else if (!section) {
            FLeadingLines.Add(List->Strings(i));
        } else {
            int eq = s.Pos("=");
            if (eq > 0)
                section->Add(s.SubString(1, eq - 1).Trim() + "=" +
                             s.SubString(eq + 1, s.Length()).Trim());
            else
                section->Add(s);
        }
    }
}

void TMemIniFile::GetStrings(TStrings *List)
{
    rtl::Updating(*List, [&] {
        List->AddStrings(&FLeadingLines);
        for (int i = 0; i < FSections.Count(); ++i) {
            List->Add("[" + FSections[i] + "]");
            List->AddStrings(static_cast<TStringList *>(FSections.Objects(i)));
            List->Add(AnsiString());
        }
    });
}

void TMemIniFile::Rename(const AnsiString &FileName, bool Reload)
{
    // Loaded before the name changes: a file that cannot be read must not be replaced by
    // the next UpdateFile with what is held now.
    if (Reload) LoadValues(FileName);
    SetFileName(FileName);
}

AnsiString TMemIniFile::ReadString(const AnsiString &Section, const AnsiString &Ident,
                                   const AnsiString &Default)
{
    TStringList *lines = this->Section(Section);
    if (!lines) return Default;
    int i = lines->IndexOfName(Ident);
    return i >= 0 ? lines->ValueFromIndex(i) : Default;
}

void TMemIniFile::WriteString(const AnsiString &Section, const AnsiString &Ident,
                              const AnsiString &Value)
{
    TStringList *lines = this->Section(Section);
    if (!lines) lines = AddSection(Section);
    AnsiString line = Ident + "=" + Value;
    int i = lines->IndexOfName(Ident);
    if (i >= 0)
        lines->SetStrings(i, line);
    else
        lines->Add(line);
}

void TMemIniFile::ReadSection(const AnsiString &Section, TStrings *Strings)
{
    std::vector<AnsiString> names;
    if (TStringList *lines = this->Section(Section))
        for (int i = 0; i < lines->Count(); ++i)
            names.push_back(lines->Names(i));
    rtl::SetLines(Strings, names);
}

void TMemIniFile::ReadSections(TStrings *Strings)
{
    std::vector<AnsiString> names;
    for (int i = 0; i < FSections.Count(); ++i)
        names.push_back(FSections[i]);
    rtl::SetLines(Strings, names);
}

void TMemIniFile::ReadSectionValues(const AnsiString &Section, TStrings *Strings)
{
    rtl::Updating(*Strings, [&] {
        Strings->Clear();
        if (TStringList *lines = this->Section(Section)) Strings->AddStrings(lines);
    });
}

void TMemIniFile::EraseSection(const AnsiString &Section)
{
    int i = FSections.IndexOf(Section);
    if (i < 0) return;
    delete FSections.Objects(i);
    FSections.Delete(i);
}

void TMemIniFile::DeleteKey(const AnsiString &Section, const AnsiString &Ident)
{
    TStringList *lines = this->Section(Section);
    if (!lines) return;
    int i = lines->IndexOfName(Ident);
    if (i >= 0) lines->Delete(i);
}

void TMemIniFile::UpdateFile()
{
    TStringList list;
    GetStrings(&list);
    list.SaveToFile(FileName());
}
