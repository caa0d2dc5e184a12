#include "platform/rtl/AtomicFile.h"

#include "platform/rtl/Classes.h"
#include "platform/rtl/RTLConsts.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
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

std::string FolderOf(const std::string &Path)
{
    const std::size_t slash = Path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : Path.substr(0, slash);
}

// Links are followed, so that the file they name gets the new content and the links stay;
// the last one may name a file that is not there yet. A circle of links ends on a link.
std::string FinalPath(std::string Path)
{
    constexpr int MaxLinks = 40;
    for (int link = 0; link < MaxLinks; ++link) {
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(Path, error);
        if (error) break;
        Path = target.is_absolute() ? target.string() : FolderOf(Path) + "/" + target.string();
    }
    return Path;
}

bool Writable(const std::string &Path)
{
    return ::faccessat(AT_FDCWD, Path.c_str(), W_OK, AT_EACCESS) == 0;
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
bool MayKeepOwner(const struct stat &Old, const std::string &Folder)
{
    if (::geteuid() == 0) return true;
    if (Old.st_uid != ::geteuid()) return false;
    struct stat folder;
    const bool folderGroup = ::stat(Folder.c_str(), &folder) == 0 && (folder.st_mode & S_ISGID);
    return (folderGroup && Old.st_gid == folder.st_gid) || InGroup(Old.st_gid);
}

// CanReplaceFile for a path whose links are followed already. Only a plain file can be
// written in place.
bool CanReplacePath(const std::string &Path, rtl::ReadOnlyFolder InFolder)
{
    const std::string folder = FolderOf(Path);
    struct stat info;
    if (::lstat(Path.c_str(), &info) != 0) return errno == ENOENT && Writable(folder);
    if (S_ISLNK(info.st_mode) || !Writable(Path)) return false;
    if (Writable(folder)) return MayKeepOwner(info, folder);
    return InFolder == rtl::ReadOnlyFolder::WriteInPlace && S_ISREG(info.st_mode);
}

// The name of Path's folder with its slash, and the name of the file in it.
std::pair<std::string, std::string> SplitPath(const std::string &Path)
{
    const std::size_t slash = Path.rfind('/');
    if (slash == std::string::npos) return {"", Path};
    return {Path.substr(0, slash + 1), Path.substr(slash + 1)};
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

// A new file beside Path, created with the modes the umask leaves, as the file itself would be.
int CreateBeside(const std::string &Path, std::string &Name)
{
    const auto [folder, base] = SplitPath(Path);
    static std::atomic<unsigned> made{0};
    for (int attempt = 0;; ++attempt) {
        Name = folder + ReplacementPrefix(base) + std::to_string(::getpid()) + "." +
               std::to_string(made++) + std::string(ReplacementSuffix);
        const int fd = ::open(Name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

// The new file's content on the disk with the owner and modes of Old, the file it replaces
// when there is one, else with the owner its folder gives it; 0 or the error.
int FillNewFile(int Fd, const struct stat *Old, const std::string &Folder, std::string_view Bytes)
{
    if (const int error = WriteAll(Fd, Bytes)) return error;
    ReachedStep("written");
    if (const int error = Old ? TakeOwnerAndModes(Fd, *Old) : rtl::GiveToFolderOwner(Fd, Folder))
        return error;
    if (::fsync(Fd) != 0) return errno;
    ReachedStep("flushed");
    return 0;
}

// A file in a folder this process may not write cannot be replaced, only written over: the
// content is whole in memory by now, and room for it is taken before the first byte, so a
// full disk leaves the old content as it was. The file keeps its owner and modes.
int WriteInPlace(const std::string &Path, std::string_view Bytes)
{
    const int fd = ::open(Path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return errno;
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
void FlushFolder(const std::string &Folder)
{
    const int fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
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

// RemoveStaleReplacements for a path whose links are followed already.
void RemoveStale(const std::string &Path)
{
    const auto [folder, base] = SplitPath(Path);
    // A folder that cannot be read to the end leaves the rest for the next start: a tidy-up
    // must not keep the program from starting.
    std::error_code error;
    std::filesystem::directory_iterator entry(folder.empty() ? "." : folder, error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const pid_t maker = MakerOf(entry->path().filename().string(), base);
        std::error_code ignored; // a file that stays is taken away at another start
        if (maker > 0 && ::kill(maker, 0) != 0 && errno == ESRCH)
            std::filesystem::remove(entry->path(), ignored);
    }
}

} // namespace

int rtl::GiveToFolderOwner(int Fd, const std::string &Folder)
{
    struct stat folder, made;
    if (::geteuid() != 0 || ::stat(Folder.c_str(), &folder) != 0 || folder.st_uid == 0) return 0;
    if (::fstat(Fd, &made) != 0) return errno;
    made.st_uid = folder.st_uid;
    made.st_gid = folder.st_gid;
    return TakeOwnerAndModes(Fd, made);
}

void rtl::RemoveStaleReplacements(const AnsiString &FileName)
{
    RemoveStale(FinalPath(SystemPath(FileName)));
}

bool rtl::CanReplaceFile(const AnsiString &FileName, ReadOnlyFolder InFolder)
{
    return CanReplacePath(FinalPath(SystemPath(FileName)), InFolder);
}

int rtl::ReplaceFileContent(const AnsiString &FileName, std::string_view Bytes)
{
    return ReplaceFileContent(std::filesystem::path(SystemPath(FileName)), Bytes);
}

int rtl::ReplaceFileContent(const std::filesystem::path &File, std::string_view Bytes,
                            ReadOnlyFolder InFolder)
{
    const std::string path = FinalPath(File.string());
    if (!CanReplacePath(path, InFolder)) return EACCES;
    const std::string folder = FolderOf(path);
    if (!Writable(folder)) return WriteInPlace(path, Bytes);
    // What an earlier save of this file left when it was killed: no start tidies a file the
    // user chose.
    RemoveStale(path);
    struct stat old;
    const bool replacing = ::stat(path.c_str(), &old) == 0;
    std::string temp;
    const int fd = CreateBeside(path, temp);
    if (fd < 0) return errno;
    ReachedStep("created");
    int error = FillNewFile(fd, replacing ? &old : nullptr, folder, Bytes);
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(temp.c_str());
        return error;
    }
    ReachedStep("renamed");
    FlushFolder(folder);
    ReachedStep("done");
    return 0;
}

int rtl::ReadFileContent(const std::filesystem::path &File, std::string &Bytes)
{
    Bytes.clear();
    const int fd = ::open(File.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    int error = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) error = errno;
        if (got <= 0) break;
        Bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (error) Bytes.clear();
    return error;
}

int rtl::ReplaceFileContentFrom(const std::filesystem::path &File,
                                const std::filesystem::path &Source)
{
    std::string bytes;
    if (ReadFileContent(Source, bytes) != 0) return EIO;
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
