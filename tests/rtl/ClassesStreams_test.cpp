#include "platform/rtl/Classes.h"
#include "platform/rtl/FileAccess.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/SparseFile.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace
{

// Names of this process alone: other checkouts may run these tests at once.
std::string TempPath(const char *Name)
{
    return testing::TempDir() + "qrv4_streams_" + std::to_string(getpid()) + "_" + Name;
}

std::string ReadBytes(const std::string &Path)
{
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string &Path, const std::string &Bytes)
{
    std::ofstream(Path, std::ios::binary) << Bytes;
}

std::string ReadAll(TStream &Stream)
{
    std::string out(static_cast<std::size_t>(Stream.Size() - Stream.Position()), '\0');
    Stream.ReadBuffer(out.data(), static_cast<int>(out.size()));
    return out;
}

template <class E> std::string MessageOf(const std::function<void()> &Action)
{
    try {
        Action();
    } catch (const E &e) {
        return e.Message().ToStd();
    }
    return "no exception";
}

} // namespace

// ---------------------------------------------------------------------------

TEST(TStreamBuffers, ShortReadRaisesReadError)
{
    TMemoryStream stream;
    stream.WriteBuffer("abc", 3);
    stream.SetPosition(1);
    char buffer[8];
    EXPECT_EQ(MessageOf<EReadError>([&] { stream.ReadBuffer(buffer, 3); }), "Stream read error");
    // Read itself just reports what it could.
    stream.SetPosition(1);
    EXPECT_EQ(stream.Read(buffer, 8), 2);
    EXPECT_EQ(stream.Read(buffer, 8), 0);
    stream.ReadBuffer(buffer, 0);
}

TEST(TStreamBuffers, ShortWriteRaisesWriteError)
{
    static const std::byte data[2] = {std::byte{1}, std::byte{2}};
    rtl::RegisterResource(rtl::ResourceRawData, "SHORTWRITE", data);
    TResourceStream readOnly(HInstance, "ShortWrite", rtl::ResourceRawData);
    EXPECT_THROW(readOnly.WriteBuffer("x", 1), EStreamError);
    // A descriptor opened read-only writes nothing.
    std::string path = TempPath("readonly");
    WriteBytes(path, "x");
    int fd = ::open(path.c_str(), O_RDONLY);
    THandleStream handle(fd);
    EXPECT_EQ(MessageOf<EWriteError>([&] { handle.WriteBuffer("abc", 3); }), "Stream write error");
    ::close(fd);
    std::remove(path.c_str());
}

TEST(TStreamCopy, CountZeroCopiesTheWholeSourceFromItsStart)
{
    TStringStream source("0123456789");
    source.SetPosition(7);
    TMemoryStream dest;
    EXPECT_EQ(dest.CopyFrom(&source, 0), 10);
    dest.SetPosition(0);
    EXPECT_EQ(ReadAll(dest), "0123456789");
}

TEST(TStreamCopy, CopiesFromThePositionAndFailsWhenShort)
{
    std::string big(200000, 'q');
    big[150000] = 'Z';
    TStringStream source(big);
    source.SetPosition(100000);
    TMemoryStream dest;
    EXPECT_EQ(dest.CopyFrom(&source, 60000), 60000);
    EXPECT_EQ(static_cast<const char *>(dest.Memory())[50000], 'Z');
    EXPECT_THROW(dest.CopyFrom(&source, 60000), EReadError);
}

// ---------------------------------------------------------------------------

TEST(TMemoryStreamData, WritePastTheEndFillsTheGapWithZeros)
{
    TMemoryStream stream;
    stream.SetPosition(4);
    stream.WriteBuffer("ab", 2);
    EXPECT_EQ(stream.Size(), 6);
    stream.SetPosition(0);
    EXPECT_EQ(ReadAll(stream), std::string("\0\0\0\0ab", 6));
    stream.SetSize(3);
    EXPECT_EQ(stream.Position(), 3);
    stream.SetSize(5);
    stream.SetPosition(0);
    EXPECT_EQ(ReadAll(stream), std::string(5, '\0'));
}

TEST(TMemoryStreamData, SeekOriginsAndNegativePositions)
{
    TMemoryStream stream;
    stream.WriteBuffer("hello", 5);
    EXPECT_EQ(stream.Seek(-2, soEnd), 3);
    EXPECT_EQ(stream.Seek(1, soCurrent), 4);
    EXPECT_EQ(stream.Seek(-10, soBeginning), -10);
    char c;
    EXPECT_EQ(stream.Read(&c, 1), 0);
    EXPECT_EQ(stream.Write("x", 1), 0);
}

TEST(TMemoryStreamData, SaveAndLoadFiles)
{
    std::string path = TempPath("memory.bin");
    TMemoryStream stream;
    stream.WriteBuffer("\x00\xFF\r\n", 4);
    stream.SaveToFile(path.c_str());
    EXPECT_EQ(ReadBytes(path), std::string("\x00\xFF\r\n", 4));
    TMemoryStream back;
    back.WriteBuffer("old content", 11);
    back.LoadFromFile(path.c_str());
    EXPECT_EQ(back.Size(), 4);
    EXPECT_EQ(back.Position(), 4);
    back.Clear();
    EXPECT_EQ(back.Size(), 0);
    std::remove(path.c_str());
}

// A full disk in the middle of a save left the file cut short; a save through a link made
// the link a file of its own.
TEST(TMemoryStreamData, ASaveReplacesTheFileWholeOrNotAtAll)
{
    const testsupport::TestFolder folder("qrv4_streams_");
    const std::string path = (folder / "kept.bin").string();
    WriteBytes(path, "old content");
    TMemoryStream big;
    big.SetSize(100000);
    TStringList lines;
    for (int i = 0; i < 10000; ++i)
        lines.Add("a line of the list");
    {
        testsupport::FileSizeLimit full(1000);
        EXPECT_THROW(big.SaveToFile(path.c_str()), EFCreateError);
        EXPECT_THROW(lines.SaveToFile(path.c_str()), EFCreateError);
    }
    EXPECT_EQ(ReadBytes(path), "old content");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);

    const std::string link = (folder / "link.bin").string();
    std::filesystem::create_symlink("kept.bin", link);
    TMemoryStream small;
    small.WriteBuffer("new", 3);
    small.SaveToFile(link.c_str());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(path), "new");
    lines.Clear();
    lines.Add("line");
    lines.SaveToFile(link.c_str());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(path), lines.Text().View());
}

// ---------------------------------------------------------------------------

TEST(TStringStreamData, WritesOverwriteWithoutCuttingTheRest)
{
    TStringStream stream("abcdef");
    stream.SetPosition(2);
    stream.WriteString("XY");
    EXPECT_EQ(stream.DataString(), "abXYef");
    stream.Seek(0, soEnd);
    stream.WriteString("!");
    EXPECT_EQ(stream.DataString(), "abXYef!");
    stream.SetPosition(1);
    EXPECT_EQ(stream.ReadString(3), "bXY");
    EXPECT_EQ(stream.ReadString(100), "ef!");
    EXPECT_EQ(stream.Seek(50, soBeginning), 7);
    EXPECT_EQ(stream.Seek(-50, soCurrent), 0);
    stream.SetSize(2);
    EXPECT_EQ(stream.DataString(), "ab");
}

// ---------------------------------------------------------------------------

TEST(TFileStreamModes, CreateTruncatesAndOpenReadsBack)
{
    std::string path = TempPath("file.bin");
    WriteBytes(path, "a long old content");
    {
        TFileStream out(path.c_str(), fmCreate);
        out.WriteBuffer("new", 3);
        EXPECT_EQ(out.FileName(), path.c_str());
    }
    EXPECT_EQ(ReadBytes(path), "new");
    {
        TFileStream rw(path.c_str(), fmOpenReadWrite);
        rw.Seek(0, soEnd);
        rw.WriteBuffer("er", 2);
        rw.SetPosition(0);
        EXPECT_EQ(ReadAll(rw), "newer");
        rw.SetSize(2);
    }
    EXPECT_EQ(ReadBytes(path), "ne");
    TFileStream in(path.c_str(), fmOpenRead);
    EXPECT_EQ(in.Write("x", 1), 0);
    std::remove(path.c_str());
}

TEST(TFileStreamModes, FailuresNameTheFile)
{
    std::string missing = TempPath("missing/none.bin");
    const std::string reason = SysErrorMessage(ENOENT).ToStd();
    EXPECT_EQ(MessageOf<EFOpenError>([&] { TFileStream(missing.c_str(), fmOpenRead); }),
              "Cannot open file \"" + missing + "\". " + reason);
    EXPECT_EQ(MessageOf<EFCreateError>([&] { TFileStream(missing.c_str(), fmCreate); }),
              "Cannot create file \"" + missing + "\". " + reason);
    // Both are stream errors.
    EXPECT_THROW(TFileStream(missing.c_str(), fmOpenRead), EStreamError);
}

// A save into a folder the user may not write to named the file but not why it failed.
TEST(TFileStreamModes, AFolderThatMayNotBeWrittenIsGivenAsTheReason)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes whatever the modes; the unprivileged pass runs this";
    using std::filesystem::perms;
    const testsupport::TestFolder folder("qrv4_streams_");
    const std::string path = (folder / "list.rpd").string();
    std::filesystem::permissions(folder.Path(), perms::owner_read | perms::owner_exec);
    TMemoryStream content;
    content.WriteBuffer("data", 4);
    const std::string saved = MessageOf<EFCreateError>([&] { content.SaveToFile(path.c_str()); });
    const std::string created =
        MessageOf<EFCreateError>([&] { TFileStream(path.c_str(), fmCreate); });
    std::filesystem::permissions(folder.Path(), perms::owner_all);
    const std::string expected =
        "Cannot create file \"" + path + "\". " + SysErrorMessage(EACCES).ToStd();
    EXPECT_EQ(saved, expected);
    EXPECT_EQ(created, expected);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(TFileStreamModes, ShareModesHoldAmongTheProgramsOwnOpens)
{
    std::string path = TempPath("shared.bin");
    WriteBytes(path, "data");
    {
        TFileStream reader1(path.c_str(), fmOpenRead | fmShareDenyWrite);
        TFileStream reader2(path.c_str(), fmOpenRead | fmShareDenyWrite);
        EXPECT_THROW(TFileStream(path.c_str(), fmOpenWrite), EFOpenError);
        EXPECT_THROW(TFileStream(path.c_str(), fmCreate), EFCreateError);
        TFileStream anyone(path.c_str(), fmOpenReadWrite | fmShareDenyNone);
    }
    {
        TFileStream exclusive(path.c_str(), fmOpenReadWrite | fmShareExclusive);
        EXPECT_THROW(TFileStream(path.c_str(), fmOpenRead | fmShareDenyWrite), EFOpenError);
    }
    // Once closed, the locks are gone.
    TFileStream again(path.c_str(), fmOpenWrite | fmShareExclusive);
    std::remove(path.c_str());
}

// A file a loader reads whole is refused above the limit of its kind before a byte is read,
// and when it grows past the limit while it is read: the message names it and says why.
TEST(BoundedFileStreamLimit, AFileAboveTheLimitIsRefusedNamedAndUnread)
{
    const testsupport::TestFolder folder("qrv4_streams_");
    const std::string huge = (folder / "report.fr3").string();
    ASSERT_NO_FATAL_FAILURE(testsupport::MakeSparseFile(huge, 8 * testsupport::GiB));
    const std::string refusal =
        "Cannot open file \"" + huge + "\". " + SysErrorMessage(rtl::TooLargeFileError).ToStd();
    EXPECT_EQ(MessageOf<EFOpenError>([&] { rtl::BoundedFileStream(huge.c_str(), 1 << 20); }),
              refusal);
    TStringList lines;
    lines.Add("kept");
    EXPECT_EQ(MessageOf<EFOpenError>([&] { lines.LoadFromFile(huge.c_str()); }), refusal);
    ASSERT_EQ(lines.Count(), 1);
    EXPECT_EQ(lines[0], "kept");
    TMemoryStream memory;
    EXPECT_EQ(MessageOf<EFOpenError>([&] { memory.LoadFromFile(huge.c_str()); }), refusal);
    EXPECT_EQ(memory.Size(), 0);
}

TEST(BoundedFileStreamLimit, AFileThatGrowsPastTheLimitIsRefusedWhenTheReadGetsThere)
{
    const testsupport::TestFolder folder("qrv4_streams_");
    const std::string path = (folder / "list.txt").string();
    WriteBytes(path, std::string(10, 'a'));
    rtl::BoundedFileStream stream(path.c_str(), 20);
    EXPECT_EQ(ReadAll(stream), std::string(10, 'a'));
    std::ofstream(path, std::ios::binary | std::ios::app) << std::string(30, 'b');
    stream.SetPosition(0);
    char buffer[64];
    EXPECT_THROW(stream.Read(buffer, sizeof buffer), EFOpenError);
    EXPECT_THROW(stream.Size(), EFOpenError);
}

TEST(THandleStreamPositions, PositionsBeyondFourGigabytes)
{
    std::string path = TempPath("sparse.bin");
    WriteBytes(path, "");
    int fd = ::open(path.c_str(), O_RDWR);
    THandleStream stream(fd);
    const std::int64_t far = 5'000'000'000LL;
    EXPECT_EQ(stream.Seek(far, soBeginning), far);
    EXPECT_EQ(stream.Position(), far);
    stream.WriteBuffer("z", 1);
    EXPECT_EQ(stream.Size(), far + 1);
    EXPECT_EQ(stream.Position(), far + 1);
    ::close(fd);
    std::remove(path.c_str());
}

// ---------------------------------------------------------------------------

TEST(TResourceStreamLookup, ByNameWithoutCaseAndByNumber)
{
    static const char page[] = "<html>help</html>";
    static const char blob[] = "\x89PNG";
    rtl::RegisterResource(rtl::ResourceHtml, "HelpIndex",
                          std::as_bytes(std::span(page, sizeof page - 1)));
    rtl::RegisterResource(rtl::ResourceRawData, 101, std::as_bytes(std::span(blob, 4)));
    TResourceStream byName(HInstance, "HELPINDEX", rtl::ResourceHtml);
    EXPECT_EQ(ReadAll(byName), "<html>help</html>");
    TResourceStream byNumber(HInstance, 101, rtl::ResourceRawData);
    EXPECT_EQ(byNumber.Size(), 4);
    byNumber.SetPosition(1);
    EXPECT_EQ(ReadAll(byNumber), "PNG");
}

TEST(TResourceStreamLookup, MissingResourceRaises)
{
    EXPECT_EQ(MessageOf<EResNotFound>([] { TResourceStream(HInstance, "NoSuch", 10); }),
              "Resource NOSUCH not found");
    EXPECT_EQ(MessageOf<EResNotFound>([] { TResourceStream(HInstance, 77, 10); }),
              "Resource #77 not found");
    // The right name under another type is not it.
    static const char data[] = "x";
    rtl::RegisterResource(rtl::ResourceRawData, "TYPED", std::as_bytes(std::span(data, 1)));
    EXPECT_THROW(TResourceStream(HInstance, "TYPED", rtl::ResourceBitmap), EResNotFound);
}

// Compiled in from tests/rtl/resources by qrv4_resources.
void RegisterTestResources();

TEST(TResourceStreamLookup, FilesCompiledIntoTheProgram)
{
    RegisterTestResources();
    TResourceStream sample(HInstance, "sample", rtl::ResourceRawData);
    EXPECT_EQ(ReadAll(sample), "Line one\r\n\xC2\xF2\xEE\xF0\xE0\xFF\r\n");
    TResourceStream bytes(HInstance, 7, rtl::ResourceRawData);
    ASSERT_EQ(bytes.Size(), 512);
    std::string all = ReadAll(bytes);
    for (int i = 0; i < 512; ++i)
        ASSERT_EQ(static_cast<unsigned char>(all[i]), i % 256);
    TResourceStream empty(HInstance, "EMPTY", rtl::ResourceHtml);
    EXPECT_EQ(empty.Size(), 0);
}
