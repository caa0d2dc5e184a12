// Files and folders: names, existence, attributes, the temporary folder and searches.
//
// Names are cp1251 in the program and UTF-8 on the disk.

#include "platform/rtl/SysUtils.h"

#include "platform/rtl/FileAccess.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace rtl
{

std::string SystemPath(const AnsiString &FileName)
{
    return FileName.ToUtf8();
}
AnsiString FromSystemPath(std::string_view Path)
{
    return AnsiString::FromUtf8(Path);
}

} // namespace rtl

namespace
{

// Looked at in the folder its links lead to as they may be followed: in the base folder, the
// folder the program started in, whatever its name leads to now.
bool Stat(const AnsiString &FileName, struct stat &Info)
{
    rtl::TResolvedFile file;
    return !FileName.IsEmpty() && rtl::ResolveFolderOf(rtl::SystemPath(FileName), file) == 0 &&
           ::fstatat(file.Folder(), file.Name().c_str(), &Info, 0) == 0;
}

// Index of the last "/" (1-based), 0 when there is none.
int LastDelimiterPos(const AnsiString &FileName)
{
    return FileName.LastDelimiter("/");
}

int ExtensionPos(const AnsiString &FileName)
{
    int at = FileName.LastDelimiter("./");
    return at > 0 && FileName[at] == '.' ? at : 0;
}

TDateTime FromUnixTime(std::time_t Seconds)
{
    std::tm local{};
    localtime_r(&Seconds, &local);
    TDateTime date, time;
    if (!TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date) ||
        !TryEncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), 0, time))
        return 0;
    return date + time;
}

int AttributesOf(const struct stat &Info)
{
    int attr = S_ISDIR(Info.st_mode) ? faDirectory : faArchive;
    if (!(Info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) attr |= faReadOnly;
    return attr;
}

// Name as the system spells it, a folder's trailing delimiter dropped: what is done to a
// folder's name is done to the folder, not to its "." entry.
std::string NameOnDisk(const AnsiString &Name)
{
    return rtl::SystemPath(ExcludeTrailingPathDelimiter(Name));
}

// The folder of Name as its links may be followed and its last name there as it is, a link or
// not: what is done to the name itself is done where the look-up led, never by a second look
// by the path.
bool FolderOfName(const AnsiString &Name, rtl::TResolvedFile &Resolved)
{
    return !Name.IsEmpty() && rtl::ResolveFolderOf(NameOnDisk(Name), Resolved) == 0;
}

} // namespace

bool FileExists(const AnsiString &FileName)
{
    struct stat info;
    return Stat(FileName, info) && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const AnsiString &Directory)
{
    struct stat info;
    return Stat(Directory, info) && S_ISDIR(info.st_mode);
}

// Taken away in the folder its links lead to as they may be followed: a folder renamed and
// replaced by a link of another user loses none of that user's files.
bool DeleteFile(const AnsiString &FileName)
{
    rtl::TResolvedFile file;
    struct stat info;
    return !FileName.IsEmpty() && rtl::ResolveFolderOf(rtl::SystemPath(FileName), file) == 0 &&
           ::fstatat(file.Folder(), file.Name().c_str(), &info, 0) == 0 && !S_ISDIR(info.st_mode) &&
           ::unlinkat(file.Folder(), file.Name().c_str(), 0) == 0;
}

// Like the system's move, never replaces an existing target.
bool RenameFile(const AnsiString &OldName, const AnsiString &NewName)
{
    return !OldName.IsEmpty() && !NewName.IsEmpty() &&
           rtl::RenameName(NameOnDisk(OldName), NameOnDisk(NewName), false) == 0;
}

bool CreateDir(const AnsiString &Dir)
{
    rtl::TResolvedFile folder;
    return FolderOfName(Dir, folder) &&
           ::mkdirat(folder.Folder(), folder.Name().c_str(), 0777) == 0;
}

bool RemoveDir(const AnsiString &Dir)
{
    rtl::TResolvedFile folder;
    return FolderOfName(Dir, folder) &&
           ::unlinkat(folder.Folder(), folder.Name().c_str(), AT_REMOVEDIR) == 0;
}

bool ForceDirectories(const AnsiString &Dir)
{
    AnsiString dir = ExcludeTrailingPathDelimiter(Dir);
    if (dir.IsEmpty()) return false;
    if (DirectoryExists(dir)) return true;
    AnsiString parent = ExtractFileDir(dir);
    if (parent != dir && !parent.IsEmpty() && !ForceDirectories(parent)) return false;
    return CreateDir(dir) || DirectoryExists(dir);
}

AnsiString ExtractFilePath(const AnsiString &FileName)
{
    return FileName.SubString(1, LastDelimiterPos(FileName));
}

AnsiString ExtractFileDir(const AnsiString &FileName)
{
    int at = LastDelimiterPos(FileName);
    if (at > 1) --at; // the root keeps its "/"
    return FileName.SubString(1, at);
}

AnsiString ExtractFileName(const AnsiString &FileName)
{
    return FileName.SubString(LastDelimiterPos(FileName) + 1, FileName.Length());
}

AnsiString ExtractFileExt(const AnsiString &FileName)
{
    int at = ExtensionPos(FileName);
    return at ? FileName.SubString(at, FileName.Length()) : AnsiString();
}

AnsiString ChangeFileExt(const AnsiString &FileName, const AnsiString &Extension)
{
    int at = ExtensionPos(FileName);
    return (at ? FileName.SubString(1, at - 1) : FileName) + Extension;
}

AnsiString IncludeTrailingPathDelimiter(const AnsiString &S)
{
    return !S.IsEmpty() && S[S.Length()] == PathDelim ? S : S + PathDelim;
}

AnsiString ExcludeTrailingPathDelimiter(const AnsiString &S)
{
    return S.Length() > 1 && S[S.Length()] == PathDelim ? S.SubString(1, S.Length() - 1) : S;
}

// Makes the name absolute and resolves "." and ".." without touching the disk.
AnsiString ExpandFileName(const AnsiString &FileName)
{
    std::string path = FileName.ToStd();
    if (path.empty() || path[0] != PathDelim)
        path = IncludeTrailingPathDelimiter(GetCurrentDir()).ToStd() + path;
    std::vector<std::string> parts;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t end = std::min(path.find(PathDelim, start), path.size());
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string out;
    for (const std::string &part : parts)
        out += PathDelim + part;
    bool trailing = path.back() == PathDelim && !parts.empty();
    return out.empty() ? "/" : trailing ? out + PathDelim : out;
}

AnsiString GetCurrentDir()
{
    std::string buffer(256, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return AnsiString();
        buffer.resize(buffer.size() * 2);
    }
    return rtl::FromSystemPath(buffer.c_str());
}

// Entered as far as its links may be followed, the base folder as it is held.
bool SetCurrentDir(const AnsiString &Dir)
{
    rtl::TResolvedFile folder;
    return !Dir.IsEmpty() && rtl::ResolveFolder(rtl::SystemPath(Dir), folder) == 0 &&
           ::fchdir(folder.Folder()) == 0;
}

long long FileSizeByName(const AnsiString &FileName)
{
    struct stat info;
    return Stat(FileName, info) && !S_ISDIR(info.st_mode) ? static_cast<long long>(info.st_size)
                                                          : -1;
}

int FileGetAttr(const AnsiString &FileName)
{
    struct stat info;
    return Stat(FileName, info) ? AttributesOf(info) : -1;
}

int FileSetAttr(const AnsiString &FileName, int Attr)
{
    struct stat info;
    if (!Stat(FileName, info)) return ENOENT;
    mode_t mode = info.st_mode & 07777;
    if (Attr & faReadOnly)
        mode &= ~(S_IWUSR | S_IWGRP | S_IWOTH);
    else if (!(Attr & (faHidden | faSysFile)))
        mode |= S_IWUSR;
    if (mode == (info.st_mode & 07777)) return 0;
    // Through the handle of the file itself: a link of another user is not followed to a file
    // that is not theirs.
    int fd = -1;
    if (const int error = rtl::OpenFile(rtl::SystemPath(FileName), O_PATH, 0, fd)) return error;
    const std::string handle = "/proc/self/fd/" + std::to_string(fd);
    const int error = ::chmod(handle.c_str(), mode) == 0 ? 0 : errno;
    ::close(fd);
    return error;
}

AnsiString rtl::TempDirectory()
{
    const char *dir = std::getenv("TMPDIR");
    return IncludeTrailingPathDelimiter(FromSystemPath(dir && *dir ? dir : "/tmp"));
}

AnsiString rtl::CreateTempFile(const AnsiString &Dir, const AnsiString &Prefix)
{
    AnsiString folder = IncludeTrailingPathDelimiter(Dir.IsEmpty() ? TempDirectory() : Dir);
    std::string name = SystemPath(folder + Prefix) + "XXXXXX.tmp";
    int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) return AnsiString();
    ::close(fd);
    return FromSystemPath(name);
}

// ---- FindFirst ----

struct rtl::FindHandle {
    std::vector<TSearchRec> Found;
    std::size_t Next = 0;
};

namespace
{

// Windows rules: "*" any run, "?" any one character, case ignored, and a
// mask ending in ".*" also takes names without a dot.
bool MaskMatches(std::string_view Mask, std::string_view Name)
{
    if (Mask.size() >= 2 && Mask.substr(Mask.size() - 2) == ".*" &&
        Name.find('.') == std::string_view::npos)
        return MaskMatches(Mask.substr(0, Mask.size() - 2), Name);
    std::size_t m = 0, n = 0, star = std::string_view::npos, resume = 0;
    auto same = [](char a, char b) { return rtl::UpperByte(a) == rtl::UpperByte(b); };
    while (n < Name.size()) {
        if (m < Mask.size() && (Mask[m] == '?' || (Mask[m] != '*' && same(Mask[m], Name[n])))) {
            ++m;
            ++n;
        } else if (m < Mask.size() && Mask[m] == '*') {
            star = m++;
            resume = n;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < Mask.size() && Mask[m] == '*')
        ++m;
    return m == Mask.size();
}

int Deliver(TSearchRec &F)
{
    rtl::FindHandle &handle = *F.FindHandle;
    if (handle.Next >= handle.Found.size()) return rtl::NoMoreFilesCode;
    TSearchRec &next = handle.Found[handle.Next++];
    F.Name = next.Name;
    F.Size = next.Size;
    F.Attr = next.Attr;
    F.TimeStamp = next.TimeStamp;
    return 0;
}

} // namespace

int FindFirst(const AnsiString &Path, int Attr, TSearchRec &F)
{
    FindClose(F);
    AnsiString dir = ExtractFilePath(Path);
    AnsiString mask = ExtractFileName(Path);
    // Listed where its links lead as they may be followed, the base folder as it is held.
    rtl::TResolvedFile folder;
    if (rtl::ResolveFolder(rtl::SystemPath(dir), folder) != 0) return rtl::PathNotFoundCode;
    const rtl::TFolderListing stream = rtl::ListFolder(folder.Folder());
    if (!stream) return rtl::PathNotFoundCode;
    F.ExcludeAttr = ~Attr & (faHidden | faSysFile | faVolumeID | faDirectory);
    auto handle = std::make_shared<rtl::FindHandle>();
    while (dirent *entry = ::readdir(stream.get())) {
        std::string_view raw = entry->d_name;
        if (raw == "." || raw == "..") continue;
        AnsiString name = rtl::FromSystemPath(raw);
        struct stat info;
        if (!MaskMatches(mask.View(), name.View()) ||
            ::fstatat(::dirfd(stream.get()), entry->d_name, &info, 0) != 0)
            continue;
        TSearchRec rec;
        rec.Name = name;
        rec.Attr = AttributesOf(info);
        if (rec.Attr & F.ExcludeAttr) continue;
        rec.Size = S_ISDIR(info.st_mode) ? 0 : static_cast<long long>(info.st_size);
        rec.TimeStamp = FromUnixTime(info.st_mtime);
        handle->Found.push_back(std::move(rec));
    }
    std::sort(handle->Found.begin(), handle->Found.end(),
              [](const TSearchRec &a, const TSearchRec &b) { return a.Name < b.Name; });
    if (handle->Found.empty()) return rtl::FileNotFoundCode;
    F.FindHandle = std::move(handle);
    return Deliver(F);
}

int FindNext(TSearchRec &F)
{
    return F.FindHandle ? Deliver(F) : rtl::NoMoreFilesCode;
}

void FindClose(TSearchRec &F)
{
    F.FindHandle.reset();
}
