// A full address book of 1000 keys loaded from its dBase file and saved to it through the main
// window, beside Debian's shapelib reading every field of the same file and writing the same
// table. Both saves end alike: the new file flushed, renamed over the book, the folder flushed.
// Each iteration runs shapelib, then the program; the time shown is the program's, and the
// counter x_shapelib is its median over shapelib's: a load should stay within 3, a save
// within 1.5. LoadBookShown also paints the grid the loaded rows fill. RefuseHugeTable opens a
// gibibyte table of another shape, none of it on the disk, which is refused from its header:
// its time and the bytes read (read_kib) should not grow with the file.

#include "bench/support/RunFolder.h"
#include "bench/support/Timings.h"
#include "link/config.h"
#include "link/main_form.h"
#include "tools/devsim/AddressBook.h"
#include "tools/devsim/Memory.h"

#include <benchmark/benchmark.h>
#include <shapefil.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

constexpr unsigned BookCells = 1000;

// The device's answers for a book whose every cell holds one of the sample keys, in turn.
std::vector<AnsiString> FullBookAnswers()
{
    devsim::Memory sample;
    devsim::FillSampleAddressBook(sample);
    std::vector<devsim::Bytes> keys;
    for (unsigned cell = 0; cell < BookCells; ++cell)
        if (devsim::ReadCell(sample, cell) != devsim::EmptyAddressBookCell())
            keys.push_back(devsim::ReadCell(sample, cell));
    std::vector<AnsiString> answers;
    for (unsigned cell = 0; cell < BookCells; ++cell) {
        AnsiString answer = "A530041818";
        for (std::uint8_t b : keys[cell % keys.size()])
            answer += IntToHex(b, 2);
        answers.push_back(answer + "00");
    }
    return answers;
}

// A main window in a folder of its own, its book read from a device that has every cell filled.
class TBench
{
public:
    TBench() : FFolder("writer_file_bench")
    {
        Application->Initialize();
        Config = TConfig(ConfigFileName);
        FForm = std::make_unique<TMainForm>(nullptr);
        FForm->PC_Tabs->SetActivePage(FForm->Sheet_Writer);
        const std::vector<AnsiString> answers = FullBookAnswers();
        for (std::size_t cell = 0; cell < answers.size(); ++cell) {
            FForm->WriterReadStep = static_cast<int>(cell) + 1;
            FForm->DecodeWriterCell(answers[cell]);
        }
        FForm->WriterReadStep = -1;
        FForm->SaveWriterToDbf(Book().c_str());
    }
    TMainForm &Form() { return *FForm; }
    std::filesystem::path Book() const { return FFolder.Path() / "book.dbf"; }
    std::filesystem::path Folder() const { return FFolder.Path(); }

private:
    bench::RunFolder FFolder;
    std::unique_ptr<TMainForm> FForm;
};

bench::Shared<TBench> Bench;

// ---- shapelib ----

struct TShapelibRow {
    int KeyType = 0;
    int Mode = 0;
    std::string Name, KeyHex, OldKey;
};

std::vector<TShapelibRow> ShapelibLoad(const std::filesystem::path &File)
{
    std::vector<TShapelibRow> rows;
    DBFHandle table = DBFOpen(File.c_str(), "rb");
    if (!table) return rows;
    const int count = DBFGetRecordCount(table);
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        rows.push_back({DBFReadIntegerAttribute(table, i, 0), DBFReadIntegerAttribute(table, i, 1),
                        DBFReadStringAttribute(table, i, 2), DBFReadStringAttribute(table, i, 3),
                        DBFReadStringAttribute(table, i, 4)});
    DBFClose(table);
    return rows;
}

void Flush(const std::filesystem::path &Path, int Flags)
{
    const int fd = ::open(Path.c_str(), Flags | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The rows as a new table beside File, flushed and renamed over it, as the program saves.
bool ShapelibSave(const std::vector<WriterRecord> &Rows, const std::filesystem::path &File)
{
    // shapelib names its file after the base name, always with .dbf.
    const std::filesystem::path part = File.parent_path() / "new-part.dbf";
    DBFHandle table = DBFCreate(part.c_str());
    if (!table) return false;
    DBFAddField(table, "TYPE_KEY", FTInteger, 3, 0);
    DBFAddField(table, "MODE", FTInteger, 3, 0);
    DBFAddField(table, "NAME", FTString, 14, 0);
    DBFAddField(table, "KEY_HEX", FTString, 23, 0);
    DBFAddField(table, "OLD_KEY", FTString, 16, 0);
    int record = 0;
    for (const WriterRecord &row : Rows) {
        DBFWriteIntegerAttribute(table, record, 0, row.KeyType);
        DBFWriteIntegerAttribute(table, record, 1, row.WriteMode);
        DBFWriteStringAttribute(table, record, 2, row.Name.c_str());
        DBFWriteStringAttribute(table, record, 3, row.KeyHex.c_str());
        DBFWriteStringAttribute(table, record, 4, row.OldKey.c_str());
        ++record;
    }
    DBFClose(table);
    Flush(part, O_RDONLY);
    if (::rename(part.c_str(), File.c_str()) != 0) return false;
    Flush(File.parent_path(), O_RDONLY | O_DIRECTORY);
    return true;
}

// ---- the comparison ----

double SecondsOf(const std::function<void()> &Work)
{
    const auto start = std::chrono::steady_clock::now();
    Work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Compare(benchmark::State &State, const std::function<void()> &Shapelib,
             const std::function<void()> &Ours)
{
    std::vector<double> theirs, ours;
    for (auto _ : State) {
        theirs.push_back(SecondsOf(Shapelib));
        ours.push_back(SecondsOf(Ours));
        State.SetIterationTime(ours.back());
    }
    State.counters["shapelib_ms"] = bench::Median(theirs) * 1e3;
    State.counters["x_shapelib"] = bench::Median(ours) / bench::Median(theirs);
}

void Load(benchmark::State &State, bool Shown)
{
    TBench &bench = Bench();
    TMainForm &form = bench.Form();
    form.SetVisible(Shown);
    Application->ProcessMessages();
    const AnsiString book = bench.Book().c_str();
    Compare(
        State, [&] { benchmark::DoNotOptimize(ShapelibLoad(bench.Book())); },
        [&] {
            form.LoadWriterFromDbf(book);
            if (Shown) UpdateWindow(form.SG_Writer->Handle());
        });
    if (form.WriterRows.size() != BookCells ||
        form.StatusBarMain->SimpleText() != "  Чтение прошло успешно!  "_a)
        State.SkipWithError("the book did not load whole");
    form.SetVisible(false);
}

void LoadBook(benchmark::State &State)
{
    Load(State, false);
}
BENCHMARK(LoadBook)->UseManualTime()->Unit(benchmark::kMillisecond);

// On screen at the address book, the grid painted with the loaded rows.
void LoadBookShown(benchmark::State &State)
{
    Load(State, true);
}
BENCHMARK(LoadBookShown)->UseManualTime()->Unit(benchmark::kMillisecond);

void SaveBook(benchmark::State &State)
{
    TBench &bench = Bench();
    TMainForm &form = bench.Form();
    const std::filesystem::path theirs = bench.Folder() / "shapelib.dbf";
    const AnsiString ours = (bench.Folder() / "saved.dbf").c_str();
    bool saved = true;
    Compare(
        State, [&] { saved = ShapelibSave(form.WriterRows, theirs) && saved; },
        [&] { form.SaveWriterToDbf(ours); });
    if (!saved || form.StatusBarMain->SimpleText() != "  Запись прошла успешно!  "_a)
        State.SkipWithError("a save failed");
}
BENCHMARK(SaveBook)->UseManualTime()->Unit(benchmark::kMillisecond);

// A table of one 1023-character field whose records fill a gibibyte, with no byte on the disk.
std::filesystem::path HugeTable(const std::filesystem::path &Folder)
{
    constexpr off_t Size = off_t(1) << 30;
    constexpr unsigned HeaderLength = 32 + 32 + 1, RecordLength = 1024;
    constexpr auto Records = static_cast<std::uint32_t>((Size - HeaderLength) / RecordLength);
    std::string head(HeaderLength, '\0');
    head[0] = 0x03;
    for (int i = 0; i < 4; ++i)
        head[4 + i] = static_cast<char>(Records >> (8 * i));
    head[8] = static_cast<char>(HeaderLength);
    head[10] = static_cast<char>(RecordLength & 0xFF);
    head[11] = static_cast<char>(RecordLength >> 8);
    head.replace(32, 4, "DATA");
    head[32 + 11] = 'C';
    head[32 + 16] = static_cast<char>((RecordLength - 1) & 0xFF);
    head[32 + 17] = static_cast<char>((RecordLength - 1) >> 8);
    head[HeaderLength - 1] = 0x0D;
    const std::filesystem::path file = Folder / "huge.dbf";
    std::ofstream(file, std::ios::binary) << head;
    std::filesystem::resize_file(file, Size);
    return file;
}

std::uint64_t ThreadReadBytes()
{
    std::ifstream io("/proc/thread-self/io");
    std::string field;
    std::uint64_t value = 0;
    while (io >> field >> value)
        if (field == "rchar:") return value;
    return 0;
}

void RefuseHugeTable(benchmark::State &State)
{
    TBench &bench = Bench();
    TMainForm &form = bench.Form();
    const AnsiString huge = HugeTable(bench.Folder()).c_str();
    std::uint64_t read = 0;
    for (auto _ : State) {
        const std::uint64_t before = ThreadReadBytes();
        form.LoadWriterFromDbf(huge);
        read = ThreadReadBytes() - before;
    }
    State.counters["read_kib"] = static_cast<double>(read) / 1024;
    if (form.StatusBarMain->SimpleText().Pos("записной книжке QRV4"_a) == 0)
        State.SkipWithError("the table was not refused for its shape");
}
BENCHMARK(RefuseHugeTable)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return bench::RunThenRelease(argc, argv, [] { Bench.Release(); });
}
