#include "platform/rtl/AtomicFile.h"

#include "platform/rtl/Classes.h"
#include "platform/rtl/FileAccess.h"
#include "platform/rtl/RTLConsts.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

std::function<void(const char *Step)> rtl::ReplaceFileStep;

namespace
{

void ReachedStep(const char *Step)
{
    if (rtl::ReplaceFileStep) rtl::ReplaceFileStep(Step);
}

// Whether this process may write Name in Folder, or Folder itself for ".".
bool WritableIn(int Folder, const std::string &Name)
{
    return ::faccessat(Folder, Name.c_str(), W_OK, AT_EACCESS) == 0;
}

bool InGroup(gid_t Group)
{
    const int count = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)));
    return Group == ::getegid() ||
           (::getgroups(count, groups.data()) >= 0 && std::ranges::count(groups, Group) > 0);
}

// Whether a new file made in Folder may be given the owner and group of Old: a file saved by
// root in a user's folder must stay the user's.
bool MayKeepOwner(const struct stat &Old, int Folder)
{
    if (::geteuid() == 0) return true;
    if (Old.st_uid != ::geteuid()) return false;
    struct stat folder;
    const bool folderGroup = ::fstat(Folder, &folder) == 0 && (folder.st_mode & S_ISGID);
    return (folderGroup && Old.st_gid == folder.st_gid) || InGroup(Old.st_gid);
}

// CanReplaceFile for a file whose links are followed already. Only a plain file can be
// written in place.
bool CanReplaceResolved(const rtl::TResolvedFile &File, rtl::ReadOnlyFolder InFolder)
{
    struct stat info;
    if (::fstatat(File.Folder(), File.Name().c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT && WritableIn(File.Folder(), ".");
    if (S_ISLNK(info.st_mode) || !WritableIn(File.Folder(), File.Name())) return false;
    if (WritableIn(File.Folder(), ".")) return MayKeepOwner(info, File.Folder());
    return InFolder == rtl::ReadOnlyFolder::WriteInPlace && S_ISREG(info.st_mode);
}

// A new file for Base is named Prefix(Base) + process + "." + count + Suffix: the start of a
// program can tell which are left from a process that is gone.
constexpr std::string_view ReplacementSuffix = ".tmp";

// A long name is cut so that the new file's name keeps within the system's limit, between
// two characters, with room for the longest process number and count.
std::string ReplacementPrefix(std::string_view Base)
{
    constexpr std::size_t numbers = 2 * std::numeric_limits<unsigned>::digits10 + 3;
    constexpr std::size_t room = NAME_MAX - 2 - numbers - ReplacementSuffix.size();
    std::size_t kept = std::min(Base.size(), room);
    while (kept > 0 && kept < Base.size() &&
           (static_cast<unsigned char>(Base[kept]) & 0xC0) == 0x80)
        --kept;
    std::string prefix(1, '.');
    prefix.append(Base.substr(0, kept));
    prefix.push_back('.');
    return prefix;
}

// A new file beside the file File names, created with the modes the umask leaves, as the file
// itself would be; Name is its name in the same folder.
int CreateBeside(const rtl::TResolvedFile &File, std::string &Name)
{
    static std::atomic<unsigned> made{0};
    for (int attempt = 0;; ++attempt) {
        Name = ReplacementPrefix(File.Name()) + std::to_string(::getpid()) + "." +
               std::to_string(made++) + std::string(ReplacementSuffix);
        const int fd = ::openat(File.Folder(), Name.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST || attempt == 100) return fd;
    }
}

int WriteAll(int Fd, std::string_view Bytes)
{
    while (!Bytes.empty()) {
        const ssize_t done = ::write(Fd, Bytes.data(), Bytes.size());
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) return errno;
        Bytes.remove_prefix(static_cast<std::size_t>(done));
    }
    return 0;
}

// The owner first: a change of owner takes away the set-id bits that the modes give back.
int TakeOwnerAndModes(int Fd, const struct stat &Old)
{
    struct stat made;
    if (::fstat(Fd, &made) != 0) return errno;
    if ((made.st_uid != Old.st_uid || made.st_gid != Old.st_gid) &&
        ::fchown(Fd, Old.st_uid, Old.st_gid) != 0)
        return errno;
    return ::fchmod(Fd, Old.st_mode & 07777) == 0 ? 0 : errno;
}

// A copy of Source takes its owner and group where this process may give them, and never
// more modes than Source has: a copy must not be read by more users than the file was.
int TakeSourceOwnerAndModes(int Fd, const struct stat &Source)
{
    if (::fchown(Fd, Source.st_uid, Source.st_gid) != 0 && ::geteuid() == 0) return errno;
    return ::fchmod(Fd, Source.st_mode & 0666) == 0 ? 0 : errno;
}

int GiveToOwnerOf(int Fd, int Folder)
{
    struct stat folder, made;
    if (::geteuid() != 0 || ::fstat(Folder, &folder) != 0 || folder.st_uid == 0) return 0;
    if (::fstat(Fd, &made) != 0) return errno;
    made.st_uid = folder.st_uid;
    made.st_gid = folder.st_gid;
    return TakeOwnerAndModes(Fd, made);
}

// What the new file takes: the owner and modes of the file it replaces, of the file it is a
// copy of, or else the owner its folder gives it.
struct NewFileShape {
    const struct stat *Old = nullptr;
    const struct stat *Source = nullptr;
    int Folder = -1;
};

int TakeShape(int Fd, const NewFileShape &Shape)
{
    if (Shape.Source) return TakeSourceOwnerAndModes(Fd, *Shape.Source);
    if (Shape.Old) return TakeOwnerAndModes(Fd, *Shape.Old);
    return GiveToOwnerOf(Fd, Shape.Folder);
}

// A file in a folder this process may not write cannot be replaced, only written over: the
// content is whole in memory by now, and room for it is taken before the first byte, so a
// full disk leaves the old content as it was. The file keeps its owner and modes.
int WriteInPlace(const rtl::TResolvedFile &File, std::string_view Bytes)
{
    int fd = -1;
    if (const int error = rtl::OpenResolved(File, O_WRONLY, 0, fd)) return error;
    const auto size = static_cast<off_t>(Bytes.size());
    int error = size > 0 ? ::posix_fallocate(fd, 0, size) : 0;
    if (!error) error = WriteAll(fd, Bytes);
    if (!error && ::ftruncate(fd, size) != 0) error = errno;
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    return error;
}

// The rename itself is on the disk only once the folder is. The new content is in place
// whatever this gives: a folder that cannot be flushed is left to the system's own flush.
void FlushFolder(int Folder)
{
    const int fd = ::openat(Folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The process that made Name, a new file of CreateBeside's for the file Base; 0 for any
// other name.
pid_t MakerOf(std::string_view Name, std::string_view Base)
{
    const std::string prefix = ReplacementPrefix(Base);
    if (!Name.starts_with(prefix) || !Name.ends_with(ReplacementSuffix) ||
        Name.size() < prefix.size() + ReplacementSuffix.size())
        return 0;
    Name = Name.substr(prefix.size(), Name.size() - prefix.size() - ReplacementSuffix.size());
    const std::size_t dot = Name.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == Name.size() ||
        Name.find_first_not_of("0123456789.") != std::string_view::npos ||
        Name.find('.', dot + 1) != std::string_view::npos)
        return 0;
    pid_t pid = 0;
    const auto [end, error] = std::from_chars(Name.data(), Name.data() + dot, pid);
    return error == std::errc() && end == Name.data() + dot ? pid : 0;
}

// RemoveStaleReplacements for a file whose links are followed already. A folder that cannot
// be read to the end leaves the rest for the next start, and a file that stays is taken away
// at another: a tidy-up must not keep the program from starting.
void RemoveStale(const rtl::TResolvedFile &File)
{
    const rtl::TFolderListing folder = rtl::ListFolder(File.Folder());
    if (!folder) return;
    std::vector<std::string> stale;
    while (const dirent *entry = ::readdir(folder.get())) {
        const pid_t maker = MakerOf(entry->d_name, File.Name());
        if (maker > 0 && ::kill(maker, 0) != 0 && errno == ESRCH) stale.emplace_back(entry->d_name);
    }
    for (const std::string &name : stale)
        ::unlinkat(File.Folder(), name.c_str(), 0);
}

// The file Path names after its links, in a folder this process may write: the old file, or
// the new one put in its place by a rename; 0 or the error, with the file as it was.
int Replace(const std::filesystem::path &Path, std::string_view Bytes, rtl::ReadOnlyFolder InFolder,
            const struct stat *Source)
{
    rtl::TResolvedFile file;
    if (const int error = rtl::ResolveFile(Path.string(), true, file)) return error;
    if (!CanReplaceResolved(file, InFolder)) return EACCES;
    if (!WritableIn(file.Folder(), ".")) return WriteInPlace(file, Bytes);
    rtl::TFileReplacement replacement;
    int error = replacement.Begin(std::move(file), Source);
    if (!error) error = replacement.Write(Bytes);
    return error ? error : replacement.Commit();
}

} // namespace

int rtl::TFileReplacement::Begin(const std::filesystem::path &File)
{
    TResolvedFile file;
    if (const int error = ResolveFile(File.string(), true, file)) return error;
    if (!CanReplaceResolved(file, ReadOnlyFolder::Refuse)) return EACCES;
    return Begin(std::move(file));
}

int rtl::TFileReplacement::Begin(TResolvedFile File, const struct stat *Source)
{
    Cancel();
    FFile = std::move(File);
    // What an earlier save of this file left when it was killed: no start tidies a file the
    // user chose.
    RemoveStale(FFile);
    struct stat old;
    const bool replacing =
        ::fstatat(FFile.Folder(), FFile.Name().c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    // Changed since the links were followed: what is there now is not what was let through.
    if ((replacing && S_ISLNK(old.st_mode)) ||
        (FFile.Owner() && (!replacing || old.st_uid != *FFile.Owner())))
        return ForeignLinkError;
    FOld = replacing ? std::optional(old) : std::nullopt;
    FSource = Source ? std::optional(*Source) : std::nullopt;
    FFd = CreateBeside(FFile, FTemp);
    if (FFd < 0) {
        FTemp.clear();
        return errno;
    }
    ReachedStep("created");
    return 0;
}

int rtl::TFileReplacement::Write(std::string_view Bytes)
{
    return FFd < 0 ? EBADF : WriteAll(FFd, Bytes);
}

int rtl::TFileReplacement::Commit()
{
    if (FFd < 0) return EBADF;
    ReachedStep("written");
    const NewFileShape shape{FOld ? &*FOld : nullptr, FSource ? &*FSource : nullptr,
                             FFile.Folder()};
    int error = TakeShape(FFd, shape);
    if (!error && ::fsync(FFd) != 0) error = errno;
    if (!error) ReachedStep("flushed");
    if (::close(std::exchange(FFd, -1)) != 0 && !error) error = errno;
    if (!error &&
        ::renameat(FFile.Folder(), FTemp.c_str(), FFile.Folder(), FFile.Name().c_str()) != 0)
        error = errno;
    if (error) {
        Cancel();
        return error;
    }
    FTemp.clear();
    ReachedStep("renamed");
    FlushFolder(FFile.Folder());
    ReachedStep("done");
    return 0;
}

void rtl::TFileReplacement::Cancel()
{
    if (FFd >= 0) ::close(std::exchange(FFd, -1));
    if (!FTemp.empty()) ::unlinkat(FFile.Folder(), FTemp.c_str(), 0);
    FTemp.clear();
}

int rtl::GiveToFolderOwner(int Fd, const std::string &Folder)
{
    TResolvedFile folder;
    if (ResolveFolder(Folder, folder) != 0) return 0;
    return GiveToOwnerOf(Fd, folder.Folder());
}

void rtl::RemoveStaleReplacements(const AnsiString &FileName)
{
    TResolvedFile file;
    if (ResolveFile(SystemPath(FileName), false, file) == 0) RemoveStale(file);
}

bool rtl::CanReplaceFile(const AnsiString &FileName, ReadOnlyFolder InFolder)
{
    TResolvedFile file;
    return ResolveFile(SystemPath(FileName), true, file) == 0 && CanReplaceResolved(file, InFolder);
}

int rtl::ReplaceFileContent(const AnsiString &FileName, std::string_view Bytes)
{
    return ReplaceFileContent(std::filesystem::path(SystemPath(FileName)), Bytes);
}

int rtl::ReplaceFileContent(const std::filesystem::path &File, std::string_view Bytes,
                            ReadOnlyFolder InFolder)
{
    return Replace(File, Bytes, InFolder, nullptr);
}

int rtl::ReplaceFileContentLike(const AnsiString &FileName, std::string_view Bytes,
                                const struct stat &Source)
{
    return Replace(SystemPath(FileName), Bytes, ReadOnlyFolder::Refuse, &Source);
}

int rtl::CheckFileSize(int Fd, std::uint64_t Limit)
{
    struct stat info;
    if (::fstat(Fd, &info) != 0) return errno;
    return static_cast<std::uint64_t>(info.st_size) > Limit ? TooLargeFileError : 0;
}

int rtl::ReadFileContent(const std::filesystem::path &File, std::string &Bytes, std::uint64_t Limit,
                         struct stat *Info)
{
    Bytes.clear();
    int fd = -1;
    if (const int error = OpenFile(File.string(), O_RDONLY, 0, fd)) return error;
    int error = CheckFileSize(fd, Limit);
    if (!error && Info && ::fstat(fd, Info) != 0) error = errno;
    char buffer[65536];
    while (!error) {
        // One byte past the limit tells a file that grew, or said less than it holds.
        const std::size_t room = std::min<std::uint64_t>(sizeof buffer, Limit + 1 - Bytes.size());
        const ssize_t got = ::read(fd, buffer, room);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) error = errno;
        if (got <= 0) break;
        Bytes.append(buffer, static_cast<std::size_t>(got));
        if (Bytes.size() > Limit) error = TooLargeFileError;
    }
    ::close(fd);
    if (error) Bytes.clear();
    return error;
}

int rtl::ReplaceFileContentFrom(const std::filesystem::path &File,
                                const std::filesystem::path &Source)
{
    std::string bytes;
    if (ReadFileContent(Source, bytes, DocumentFileLimit) != 0) return EIO;
    return ReplaceFileContent(File, bytes);
}

void rtl::SaveStreamToFile(const AnsiString &FileName,
                           const std::function<void(TStream *Stream)> &Save)
{
    TMemoryStream content;
    Save(&content);
    const std::string_view bytes(static_cast<const char *>(content.Memory()),
                                 static_cast<std::size_t>(content.Size()));
    if (const int error = ReplaceFileContent(FileName, bytes))
        throw EFCreateError(SFCreateError, {FileName, SysErrorMessage(error)});
}
