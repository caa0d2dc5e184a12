#pragma once

// Opening the files the program keeps in its folder and the files a user chose. Root may run
// the program in a user's folder, where the user could have put links first: a link of
// another user is followed only to a file or a folder of that user, and nothing is made
// through one. The folder the program started in is held open, so that a user who renames it
// and puts a link in its place leads none of its files elsewhere. A pipe or a device is never
// waited on: what is not a plain file is refused at once.

#include <dirent.h>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>

namespace rtl
{

// Errors of their own beside the system's numbers, for files the program leaves alone.
// A link of another user leads to a file that is not that user's.
constexpr int ForeignLinkError = 0x10001;
// A link of another user leads to no file, and none is made there.
constexpr int DanglingLinkError = 0x10002;
// A pipe, a device or a folder where a plain file was wanted.
constexpr int NotRegularFileError = 0x10003;
// A file larger than any of its kind could be, which is not read.
constexpr int TooLargeFileError = 0x10004;

// Whether Error is one of the refusals of a link above.
bool IsLinkRefusal(int Error);

// Told of each file left alone because of a link, with the path as it was asked for and the
// error; the main window shows it to the user.
extern std::function<void(const std::string &Path, int Error)> FileLeftAlone;

// A file's folder held open and its name in it, after the links that lead there: the folder
// cannot be swapped under a write, and the name is no link when it was looked at.
class TResolvedFile
{
public:
    TResolvedFile() = default;
    ~TResolvedFile();
    TResolvedFile(TResolvedFile &&Other) noexcept;
    TResolvedFile &operator=(TResolvedFile &&Other) noexcept;
    TResolvedFile(const TResolvedFile &) = delete;
    TResolvedFile &operator=(const TResolvedFile &) = delete;

    int Folder() const { return FFolder; }
    const std::string &Name() const { return FName; }
    // The path the links led to, for what wants a path (the folder's listing, a message).
    const std::string &Path() const { return FPath; }
    // The owner the file must have: set when a link of another user led to it.
    const std::optional<uid_t> &Owner() const { return FOwner; }

private:
    friend int ResolveFile(const std::string &, bool, TResolvedFile &, uid_t);
    friend int ResolveFolderOf(const std::string &, TResolvedFile &);
    friend int ResolveFolder(const std::string &, TResolvedFile &);
    friend int HoldBaseFolder(const std::string &);
    void Take(int Folder, std::string Name, std::string Path, std::optional<uid_t> Owner);
    int Release();
    int FFolder = -1;
    std::string FName;
    std::string FPath;
    std::optional<uid_t> FOwner;
};

// Holds the folder Path open, its links followed as ResolveFile follows a folder's, as the
// base folder: a path in it is looked up from the folder held, wherever its name leads later.
// An empty Path lets the held folder go. Returns 0 or the error, with no folder held then.
int HoldBaseFolder(const std::string &Path);

// Follows the links of Path as far as they may be followed: a link of this process's user or
// root's always, another user's only to a file or folder of that user; the folders on the way
// are taken one name at a time by the same rule. Creating says the file may be made where it
// is missing, which no link of another user leads to. Returns 0, or the system's error or a
// refusal above; a refusal is told to FileLeftAlone.
int ResolveFile(const std::string &Path, bool Creating, TResolvedFile &Resolved);
// The same as a run of the user Runner would follow them.
int ResolveFile(const std::string &Path, bool Creating, TResolvedFile &Resolved, uid_t Runner);

// The folder of Path as ResolveFile reaches it, and the last name of Path in it as it is,
// a link or not: for what is done to the name itself (a file taken away).
int ResolveFolderOf(const std::string &Path, TResolvedFile &Resolved);
// The folder Path itself (the current folder for an empty one) as ResolveFile reaches a
// folder, named "." in Resolved: for what is done in it (entered, listed, a file given its
// owner).
int ResolveFolder(const std::string &Path, TResolvedFile &Resolved);

// Gives the name From, a link or not, the name To, each in the folder its links lead to as
// ResolveFolderOf reaches it; a name To that is there already is replaced only when Replace
// says so. Returns 0 or the error (EEXIST for a name kept).
int RenameName(const std::string &From, const std::string &To, bool Replace);

// The names in the folder whose handle is Folder, for readdir; null when it cannot be read.
struct TCloseListing {
    void operator()(DIR *Stream) const { ::closedir(Stream); }
};
using TFolderListing = std::unique_ptr<DIR, TCloseListing>;
TFolderListing ListFolder(int Folder);

// The current folder held while the object lives, and entered again when it goes: the folder
// itself, wherever its name leads by then, after a dialog or a file call moved the current
// folder meanwhile.
class TCurrentDirKeeper
{
public:
    TCurrentDirKeeper();
    ~TCurrentDirKeeper();
    TCurrentDirKeeper(const TCurrentDirKeeper &) = delete;
    TCurrentDirKeeper &operator=(const TCurrentDirKeeper &) = delete;

private:
    int FFolder;
};

// Opens the file Resolved names as Flags ask (the open(2) flags; O_PATH for a handle that
// only names it), never through a link put in its place meanwhile and never waiting on a
// pipe. Sets Fd and returns 0, or returns the error; what is not a plain file is refused
// (a folder with EISDIR) unless O_PATH was asked.
int OpenResolved(const TResolvedFile &Resolved, int Flags, mode_t Mode, int &Fd);

// ResolveFile and OpenResolved in one; Runner as for ResolveFile.
int OpenFile(const std::string &Path, int Flags, mode_t Mode, int &Fd);
int OpenFile(const std::string &Path, int Flags, mode_t Mode, int &Fd, uid_t Runner);

} // namespace rtl
