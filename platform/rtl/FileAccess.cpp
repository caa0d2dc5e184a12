#include "platform/rtl/FileAccess.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

std::function<void(const std::string &Path, int Error)> rtl::FileLeftAlone;

namespace
{

// A link's target may lead through links of its own, and theirs on: as far as the system
// itself follows them.
constexpr int MaxLinks = 40;
constexpr int MaxDepth = 8;

void CloseQuietly(int &Fd)
{
    if (Fd >= 0) ::close(Fd);
    Fd = -1;
}

// A folder held open, and the path that led to it with its slash ("" for the current folder).
class TFolder
{
public:
    TFolder() = default;
    TFolder(int Fd, std::string Path) : FFd(Fd), FPath(std::move(Path)) {}
    ~TFolder() { CloseQuietly(FFd); }
    TFolder(TFolder &&Other) noexcept
        : FFd(std::exchange(Other.FFd, -1)), FPath(std::move(Other.FPath))
    {
    }
    TFolder &operator=(TFolder &&Other) noexcept
    {
        if (this == &Other) return *this;
        CloseQuietly(FFd);
        FFd = std::exchange(Other.FFd, -1);
        FPath = std::move(Other.FPath);
        return *this;
    }
    TFolder(const TFolder &) = delete;
    TFolder &operator=(const TFolder &) = delete;

    int Fd() const { return FFd; }
    const std::string &Path() const { return FPath; }
    int Release() { return std::exchange(FFd, -1); }

private:
    int FFd = -1;
    std::string FPath;
};

struct TBaseFolder {
    std::mutex Lock;
    TFolder Held;
};

TBaseFolder &BaseFolder()
{
    static TBaseFolder base;
    return base;
}

int Duplicate(const TFolder &Folder, TFolder &Copy)
{
    const int fd = ::fcntl(Folder.Fd(), F_DUPFD_CLOEXEC, 0);
    if (fd < 0) return errno;
    Copy = TFolder(fd, Folder.Path());
    return 0;
}

int OpenStart(const char *Folder, std::string Path, TFolder &Start)
{
    const int fd = ::open(Folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    Start = TFolder(fd, std::move(Path));
    return 0;
}

// The folder a walk down Path starts from, and in Rest what is left of Path to walk: the base
// folder for a path in it, the root for another whole path, else the current folder.
int StartOf(std::string_view Path, TFolder &Start, std::string_view &Rest)
{
    {
        TBaseFolder &base = BaseFolder();
        const std::lock_guard lock(base.Lock);
        // The prefix ends in a slash: the folder's own name is the prefix without it.
        const std::string_view prefix = base.Held.Path();
        const bool folderItself =
            Path.size() > 1 && Path.size() + 1 == prefix.size() && prefix.starts_with(Path);
        if (base.Held.Fd() >= 0 && (Path.starts_with(prefix) || folderItself)) {
            Rest = folderItself ? std::string_view() : Path.substr(prefix.size());
            return Duplicate(base.Held, Start);
        }
    }
    Rest = Path;
    return Path.starts_with('/') ? OpenStart("/", "/", Start) : OpenStart(".", "", Start);
}

// Where a link's Target is walked from: the root for a whole path, else the link's folder At.
int StartOfTarget(const TFolder &At, std::string_view Target, TFolder &Start)
{
    return Target.starts_with('/') ? OpenStart("/", "/", Start) : Duplicate(At, Start);
}

// The folders of Path, and its last name: "." for a path that ends in a slash or is empty.
std::pair<std::string_view, std::string> SplitLast(std::string_view Path)
{
    const std::size_t slash = Path.rfind('/');
    if (slash == std::string_view::npos) return {{}, Path.empty() ? "." : std::string(Path)};
    const std::string_view name = Path.substr(slash + 1);
    return {Path.substr(0, slash), name.empty() ? "." : std::string(name)};
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

// Name empty reads the link Folder is a handle of.
bool ReadLinkAt(int Folder, const std::string &Name, std::string &Target)
{
    Target.assign(PATH_MAX, '\0');
    const ssize_t length = ::readlinkat(Folder, Name.c_str(), Target.data(), Target.size());
    if (length < 0 || static_cast<std::size_t>(length) >= Target.size()) return false;
    Target.resize(static_cast<std::size_t>(length));
    return true;
}

// One look-up of a path: the path as it was asked for, which the user is told of, the user
// whose run it is, and the links followed so far.
struct TWalk {
    const std::string &Asked;
    uid_t Runner;
    int Links = 0;
};

int ReadLinkOf(TWalk &Walk, int Folder, const std::string &Name, int Depth, std::string &Target)
{
    if (++Walk.Links > MaxLinks || Depth >= MaxDepth) return ELOOP;
    errno = 0;
    if (!ReadLinkAt(Folder, Name, Target)) return errno ? errno : ENAMETOOLONG;
    return 0;
}

int EnterFolders(TWalk &Walk, TFolder &At, std::string_view Folders, int Depth);

// Moves At on to where the link of Owner whose handle is Link leads: a link of another user
// leads only into a folder of that user, whose files the user could have changed anyway.
int FollowFolderLink(TWalk &Walk, TFolder &At, int Link, uid_t Owner, int Depth)
{
    std::string target;
    if (const int error = ReadLinkOf(Walk, Link, "", Depth, target)) return error;
    TFolder to;
    if (const int error = StartOfTarget(At, target, to)) return error;
    if (const int error = EnterFolders(Walk, to, target, Depth + 1)) return error;
    struct stat reached;
    if (::fstat(to.Fd(), &reached) != 0) return errno;
    if (!TrustedOwner(Owner, Walk.Runner) && reached.st_uid != Owner)
        return Refuse(Walk.Asked, rtl::ForeignLinkError);
    At = std::move(to);
    return 0;
}

// Moves At into its folder Name; never through a link without looking at it first.
int EnterFolder(TWalk &Walk, TFolder &At, const std::string &Name, int Depth)
{
    if (Name == ".") return 0;
    const int fd = ::openat(At.Fd(), Name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return errno;
    TFolder next(fd, At.Path() + Name + "/");
    struct stat info;
    if (::fstat(next.Fd(), &info) != 0) return errno;
    if (S_ISDIR(info.st_mode)) {
        At = std::move(next);
        return 0;
    }
    if (!S_ISLNK(info.st_mode)) return ENOTDIR;
    return FollowFolderLink(Walk, At, next.Fd(), info.st_uid, Depth);
}

int EnterFolders(TWalk &Walk, TFolder &At, std::string_view Folders, int Depth)
{
    while (!Folders.empty()) {
        const std::size_t slash = Folders.find('/');
        const std::string name(Folders.substr(0, slash));
        Folders = slash == std::string_view::npos ? std::string_view() : Folders.substr(slash + 1);
        if (name.empty()) continue;
        if (const int error = EnterFolder(Walk, At, name, Depth)) return error;
    }
    return 0;
}

// Walks to the folder of Path, leaving Name with its last name.
int WalkToLastName(TWalk &Walk, const std::string &Path, TFolder &Folder, std::string &Name)
{
    std::string_view rest;
    if (const int error = StartOf(Path, Folder, rest)) return error;
    auto [folders, name] = SplitLast(rest);
    Name = std::move(name);
    return EnterFolders(Walk, Folder, folders, 0);
}

// WalkToLastName in a run of this process's user, a refusal told of the path Asked.
int WalkToFolderOf(const std::string &Path, const std::string &Asked, TFolder &Folder,
                   std::string &Name)
{
    TWalk walk{Asked, ::geteuid()};
    return WalkToLastName(walk, Path, Folder, Name);
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

void rtl::TResolvedFile::Take(int Folder, std::string Name, std::string Path,
                              std::optional<uid_t> Owner)
{
    CloseQuietly(FFolder);
    FFolder = Folder;
    FName = std::move(Name);
    FPath = std::move(Path);
    FOwner = Owner;
}

int rtl::TResolvedFile::Release()
{
    return std::exchange(FFolder, -1);
}

int rtl::ResolveFile(const std::string &Path, bool Creating, TResolvedFile &Resolved)
{
    return ResolveFile(Path, Creating, Resolved, ::geteuid());
}

int rtl::ResolveFile(const std::string &Path, bool Creating, TResolvedFile &Resolved, uid_t Runner)
{
    TWalk walk{Path, Runner};
    TFolder folder;
    std::string name;
    if (const int error = WalkToLastName(walk, Path, folder, name)) return error;
    std::optional<uid_t> owner;
    for (;;) {
        struct stat info;
        if (::fstatat(folder.Fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT) return errno;
            // A link of another user to nothing: reading finds no file, and none is made.
            if (owner && Creating) return Refuse(Path, DanglingLinkError);
            if (owner) return ENOENT;
            break;
        }
        if (!S_ISLNK(info.st_mode)) {
            if (owner && info.st_uid != *owner) return Refuse(Path, ForeignLinkError);
            break;
        }
        if (!TrustedOwner(info.st_uid, Runner)) {
            // Links of two users lead to a file that cannot be both's.
            if (owner && *owner != info.st_uid) return Refuse(Path, ForeignLinkError);
            owner = info.st_uid;
        }
        std::string target;
        if (const int error = ReadLinkOf(walk, folder.Fd(), name, 0, target)) return error;
        const auto [targetFolders, targetName] = SplitLast(target);
        TFolder to;
        if (const int error = StartOfTarget(folder, target, to)) return error;
        if (const int error = EnterFolders(walk, to, targetFolders, 1)) return error;
        folder = std::move(to);
        name = targetName;
    }
    Resolved.Take(folder.Release(), name, folder.Path() + name, owner);
    return 0;
}

int rtl::ResolveFolderOf(const std::string &Path, TResolvedFile &Resolved)
{
    TFolder folder;
    std::string name;
    if (const int error = WalkToFolderOf(Path, Path, folder, name)) return error;
    Resolved.Take(folder.Release(), name, folder.Path() + name, std::nullopt);
    return 0;
}

int rtl::ResolveFolder(const std::string &Path, TResolvedFile &Resolved)
{
    if (Path.empty()) return ResolveFolderOf(".", Resolved);
    TFolder folder;
    std::string name;
    if (const int error = WalkToFolderOf(Path + "/.", Path, folder, name)) return error;
    Resolved.Take(folder.Release(), name, folder.Path() + name, std::nullopt);
    return 0;
}

int rtl::RenameName(const std::string &From, const std::string &To, bool Replace)
{
    TResolvedFile from, to;
    if (const int error = ResolveFolderOf(From, from)) return error;
    if (const int error = ResolveFolderOf(To, to)) return error;
    const char *fromName = from.Name().c_str(), *toName = to.Name().c_str();
    const unsigned flags = Replace ? 0 : RENAME_NOREPLACE;
    if (::renameat2(from.Folder(), fromName, to.Folder(), toName, flags) == 0) return 0;
    if (Replace || (errno != EINVAL && errno != ENOSYS)) return errno;
    // A file system without no-replace renames: look first.
    struct stat info;
    if (::fstatat(to.Folder(), toName, &info, AT_SYMLINK_NOFOLLOW) == 0) return EEXIST;
    return ::renameat(from.Folder(), fromName, to.Folder(), toName) == 0 ? 0 : errno;
}

int rtl::HoldBaseFolder(const std::string &Path)
{
    TBaseFolder &base = BaseFolder();
    // Let go first: a folder made anew under the old one's name is looked up afresh.
    {
        const std::lock_guard lock(base.Lock);
        base.Held = TFolder();
    }
    if (Path.empty()) return 0;
    TResolvedFile folder;
    if (const int error = ResolveFolder(Path, folder)) return error;
    std::string prefix = Path;
    while (prefix.size() > 1 && prefix.back() == '/')
        prefix.pop_back();
    if (prefix != "/") prefix += '/';
    const std::lock_guard lock(base.Lock);
    base.Held = TFolder(folder.Release(), std::move(prefix));
    return 0;
}

rtl::TFolderListing rtl::ListFolder(int Folder)
{
    int fd = ::openat(Folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    TFolderListing listing(::fdopendir(fd));
    if (!listing) CloseQuietly(fd);
    return listing;
}

rtl::TCurrentDirKeeper::TCurrentDirKeeper() : FFolder(::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC))
{
}

rtl::TCurrentDirKeeper::~TCurrentDirKeeper()
{
    if (FFolder < 0) return;
    // A folder that may no longer be entered leaves the current folder where it is: there is
    // no better one to go to.
    [[maybe_unused]] const int entered = ::fchdir(FFolder);
    CloseQuietly(FFolder);
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
