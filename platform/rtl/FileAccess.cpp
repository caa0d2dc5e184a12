#include "platform/rtl/FileAccess.h"

#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

std::function<void(const std::string &Path, int Error)> rtl::FileLeftAlone;

namespace
{

std::string FolderOf(const std::string &Path)
{
    const std::size_t slash = Path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : Path.substr(0, slash);
}

// A path that ends in a slash names its folder.
std::string NameOf(const std::string &Path)
{
    const std::size_t slash = Path.rfind('/');
    const std::string name = slash == std::string::npos ? Path : Path.substr(slash + 1);
    return name.empty() ? "." : name;
}

int Refuse(const std::string &Path, int Error)
{
    if (rtl::FileLeftAlone) rtl::FileLeftAlone(Path, Error);
    return Error;
}

// A link of the running user is the user's own choice, and root's could point anywhere anyway.
bool TrustedOwner(uid_t Owner, uid_t Runner)
{
    return Owner == Runner || Owner == 0;
}

bool ReadLinkAt(int Folder, const std::string &Name, std::string &Target)
{
    Target.assign(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(Folder, Name.c_str(), Target.data(), Target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= Target.size()) return false;
    Target.resize(static_cast<std::size_t>(length));
    return true;
}

void CloseQuietly(int &Fd)
{
    if (Fd >= 0) ::close(Fd);
    Fd = -1;
}

} // namespace

bool rtl::IsLinkRefusal(int Error)
{
    return Error == ForeignLinkError || Error == DanglingLinkError;
}

rtl::TResolvedFile::~TResolvedFile()
{
    CloseQuietly(FFolder);
}

rtl::TResolvedFile::TResolvedFile(TResolvedFile &&Other) noexcept
    : FFolder(std::exchange(Other.FFolder, -1)), FName(std::move(Other.FName)),
      FPath(std::move(Other.FPath)), FOwner(Other.FOwner)
{
}

rtl::TResolvedFile &rtl::TResolvedFile::operator=(TResolvedFile &&Other) noexcept
{
    if (this == &Other) return *this;
    CloseQuietly(FFolder);
    FFolder = std::exchange(Other.FFolder, -1);
    FName = std::move(Other.FName);
    FPath = std::move(Other.FPath);
    FOwner = Other.FOwner;
    return *this;
}

int rtl::ResolveFile(const std::string &Path, bool Creating, TResolvedFile &Resolved)
{
    return ResolveFile(Path, Creating, Resolved, ::geteuid());
}

int rtl::ResolveFile(const std::string &Path, bool Creating, TResolvedFile &Resolved, uid_t Runner)
{
    TResolvedFile at;
    at.FPath = Path;
    at.FName = NameOf(Path);
    at.FFolder = ::open(FolderOf(Path).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (at.FFolder < 0) return errno;
    constexpr int MaxLinks = 40;
    for (int link = 0; link < MaxLinks; ++link) {
        struct stat info;
        if (::fstatat(at.FFolder, at.FName.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) return errno;
            // A link of another user to nothing: reading finds no file, and none is made.
            if (at.FOwner && Creating) return Refuse(Path, DanglingLinkError);
            if (at.FOwner) return ENOENT;
            Resolved = std::move(at);
            return 0;
        }
        if (!S_ISLNK(info.st_mode)) {
            if (at.FOwner && info.st_uid != *at.FOwner) return Refuse(Path, ForeignLinkError);
            Resolved = std::move(at);
            return 0;
        }
        if (!TrustedOwner(info.st_uid, Runner)) {
            // Links of two users lead to a file that cannot be both's.
            if (at.FOwner && *at.FOwner != info.st_uid) return Refuse(Path, ForeignLinkError);
            at.FOwner = info.st_uid;
        }
        std::string target;
        if (!ReadLinkAt(at.FFolder, at.FName, target)) return errno ? errno : ENAMETOOLONG;
        const bool absolute = target.starts_with('/');
        const int folder = ::openat(absolute ? AT_FDCWD : at.FFolder, FolderOf(target).c_str(),
                                    O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folder < 0) return errno;
        CloseQuietly(at.FFolder);
        at.FFolder = folder;
        at.FPath = absolute ? target : FolderOf(at.FPath) + "/" + target;
        at.FName = NameOf(target);
    }
    return ELOOP;
}

int rtl::OpenResolved(const TResolvedFile &Resolved, int Flags, mode_t Mode, int &Fd)
{
    const bool pathOnly = (Flags & O_PATH) != 0;
    int flags = (Flags & ~O_TRUNC) | O_NOFOLLOW | O_CLOEXEC | (pathOnly ? 0 : O_NONBLOCK);
    // What a link of another user led to is the user's, there already.
    if (Resolved.Owner()) flags &= ~(O_CREAT | O_EXCL);
    int fd = ::openat(Resolved.Folder(), Resolved.Name().c_str(), flags, Mode);
    if (fd < 0) return errno;
    struct stat info;
    int error = ::fstat(fd, &info) == 0 ? 0 : errno;
    if (!error && S_ISLNK(info.st_mode)) error = ELOOP; // put there since it was looked at
    if (!error && Resolved.Owner() && info.st_uid != *Resolved.Owner())
        error = Refuse(Resolved.Path(), ForeignLinkError);
    if (!error && !pathOnly && !S_ISREG(info.st_mode))
        error = S_ISDIR(info.st_mode) ? EISDIR : NotRegularFileError;
    if (!error && (Flags & O_TRUNC) && ::ftruncate(fd, 0) != 0) error = errno;
    if (!error && !pathOnly && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0)
        error = errno;
    if (error) {
        CloseQuietly(fd);
        return error;
    }
    Fd = fd;
    return 0;
}

int rtl::OpenFile(const std::string &Path, int Flags, mode_t Mode, int &Fd)
{
    return OpenFile(Path, Flags, Mode, Fd, ::geteuid());
}

int rtl::OpenFile(const std::string &Path, int Flags, mode_t Mode, int &Fd, uid_t Runner)
{
    TResolvedFile resolved;
    if (const int error = ResolveFile(Path, (Flags & O_CREAT) != 0, resolved, Runner)) return error;
    return OpenResolved(resolved, Flags, Mode, Fd);
}
