#pragma once

// Files that are replaced whole, so that a kill or a full disk never leaves
// half of one: the settings and layout files the program keeps between runs,
// and the files the user saves or prints to.

#include "platform/rtl/FileAccess.h"
#include "platform/rtl/System.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>

class TStream;

namespace rtl
{

// What becomes of a file this process may write in a folder it may not write, where no new
// file can be made beside it: left alone, as a file the program keeps for itself is, or
// written over once the new content is whole, as a file the user chose could always be.
enum class ReadOnlyFolder { Refuse, WriteInPlace };

// Makes Bytes the whole content of FileName so that the old content or the new one is
// always whole on the disk: they go to a new file in the same folder, are flushed, take the
// old file's owner, group and modes and replace it by a rename. Links are followed as
// ResolveFile lets them be, also to a file not there yet. A file that may not be written (see
// CanReplaceFile) is left alone. Returns 0, or the error (the system's number or a refusal of
// FileAccess.h) with the old file as it was.
int ReplaceFileContent(const AnsiString &FileName, std::string_view Bytes);
// The same for a path as the system spells it, which a file name in the program's code
// page cannot always hold (a home folder named in another script).
int ReplaceFileContent(const std::filesystem::path &File, std::string_view Bytes,
                       ReadOnlyFolder InFolder = ReadOnlyFolder::Refuse);
// The same for a copy of a file whose status is Source: the copy takes Source's owner and
// group where this process may give them, and never more modes than Source has, so that no
// more users may read it than could read Source.
int ReplaceFileContentLike(const AnsiString &FileName, std::string_view Bytes,
                           const struct stat &Source);
// The same for the content of the file Source, which a writer that wants a file of its own
// has made whole; EIO when Source cannot be read.
int ReplaceFileContentFrom(const std::filesystem::path &File, const std::filesystem::path &Source);
// The same for what Save writes into a stream: a file the user keeps (a report, a picture, a
// list) is never left cut short by a failed save. Raises EFCreateError, with the old file
// as it was, when it cannot be replaced.
void SaveStreamToFile(const AnsiString &FileName, const std::function<void(TStream *Stream)> &Save);
// A file replaced whole by content that arrives in pieces (a download), as ReplaceFileContent
// replaces it: the pieces go to a new file beside it, in the folder the links led to when Begin
// looked, and the new file takes the file's name in that folder at Commit. A replacement
// dropped, failed or given up before Commit leaves the file as it was and nothing beside it.
class TFileReplacement
{
public:
    TFileReplacement() = default;
    ~TFileReplacement() { Cancel(); }
    TFileReplacement(const TFileReplacement &) = delete;
    TFileReplacement &operator=(const TFileReplacement &) = delete;

    // Makes the new file for File, its links followed as ReplaceFileContent follows them; a
    // file that may not be replaced (see CanReplaceFile) is left alone. 0 or the error.
    int Begin(const std::filesystem::path &File);
    // The same for File resolved already, in a folder this process may write; the new file
    // takes the shape of a copy of the file whose status is Source when one is given.
    int Begin(TResolvedFile File, const struct stat *Source = nullptr);
    // 0 or the error; the replacement is to be dropped after one.
    int Write(std::string_view Bytes);
    // The new file, flushed and in its shape, put in the file's place; 0 or the error, with
    // the file as it was.
    int Commit();
    void Cancel();

private:
    TResolvedFile FFile;
    std::string FTemp;
    int FFd = -1;
    std::optional<struct stat> FOld;
    std::optional<struct stat> FSource;
};

// The most a file read whole may hold, by kind, each far above any real file of that kind:
// a larger one is spoilt or no file of that kind, and holding it would cost the memory of
// the machine. The settings, the grids' layouts, ini files and the registry's values are a
// few kilobytes.
constexpr std::uint64_t SettingsFileLimit = std::uint64_t(16) << 20;
// Texts loaded whole (string lists, script units, language resources) are under a megabyte.
constexpr std::uint64_t TextFileLimit = std::uint64_t(64) << 20;
// Templates and pictures run to megabytes, prepared reports of thousands of pages with
// pictures to a few hundred, and so do print jobs.
constexpr std::uint64_t DocumentFileLimit = std::uint64_t(512) << 20;

// Whether the open file Fd holds more than Limit bytes by its size: 0, TooLargeFileError, or
// the error of the question.
int CheckFileSize(int Fd, std::uint64_t Limit);
// Reads the whole of File into Bytes, to its end rather than by its size (a file of the
// system's may report none); Info, when given, gets the status of the file read. File is
// opened as OpenFile opens it: a pipe or a device is refused. A file above Limit bytes is
// refused with TooLargeFileError, by its size before a byte is read, or when it turns out
// longer than it said. Returns 0, ENOENT when there is no such file, or the error when it
// cannot be opened or a read fails: a writer that replaces a file it could not read whole
// would throw away what it did not get.
int ReadFileContent(const std::filesystem::path &File, std::string &Bytes, std::uint64_t Limit,
                    struct stat *Info = nullptr);
// Removes what replacements of FileName left beside it when their process was killed before
// the rename: new files no running process writes any more. Each replacement does it too.
void RemoveStaleReplacements(const AnsiString &FileName);
// Whether ReplaceFileContent may replace FileName: the file is writable for this process, or
// its folder when there is no file yet; the folder is writable too, and the new file may be
// given the old one's owner and group, unless InFolder lets the file be written in place. A
// link that leads to no folder, or round in a circle, or that ResolveFile does not follow, may
// not be replaced.
bool CanReplaceFile(const AnsiString &FileName, ReadOnlyFolder InFolder = ReadOnlyFolder::Refuse);
// Gives Fd, a file this process has just made in Folder, the owner and group of Folder when
// root made it in another user's folder: a file that stayed root's could not be replaced by
// the user's own runs, as a file replaced keeps its owner. Returns 0 or the system's error.
int GiveToFolderOwner(int Fd, const std::string &Folder);
// Called by ReplaceFileContent after each of its steps, with the step's name; a test stops
// the writer there to see what a kill at that moment leaves.
extern std::function<void(const char *Step)> ReplaceFileStep;

} // namespace rtl
