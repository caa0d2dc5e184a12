// A device's answers as the exchange core takes them: the first byte picks the exchange
// the main window starts, the rest is what the device says, cut into answers of the length
// each step expects, as the port hands them over, until the exchange ends or the bytes run
// out.

#include "link/config.h"
#include "link/constants.h"
#include "link/hex_text.h"
#include "link/main_form.h"
#include "tests/fuzz/FuzzSupport.h"

#include <memory>
#include <string>

namespace
{

// The fonts upload reads a file of exactly this size.
constexpr std::size_t FontsFileSize = 1024;

AnsiString FontsFile()
{
    static const AnsiString Name = [] {
        const std::string Bytes(FontsFileSize, '\x5A');
        return fuzz::WriteFile("fonts.qrv", reinterpret_cast<const std::uint8_t *>(Bytes.data()),
                               Bytes.size());
    }();
    return Name;
}

// Held by the thread, made after the thread's message queue, so that at exit the window
// goes before the queue it still posts to.
TMainForm &Form()
{
    thread_local const std::unique_ptr<TMainForm> Made = [] {
        fuzz::StartApplication();
        Config = TConfig(ConfigFileName);
        Config.BaseDir = fuzz::Folder();
        GridArchiveFile = Config.GetBaseDir() + GridArchiveFileName;
        GridWriterFile = Config.GetBaseDir() + GridWriterFileName;
        return std::make_unique<TMainForm>(nullptr);
    }();
    return *Made;
}

const bool Ready = fuzz::BeforeInputs([] { Form(); });

// An address book of one key of each type, one cell to empty and one row left alone.
std::vector<WriterRecord> RowsToWrite()
{
    std::vector<WriterRecord> Rows;
    const char *Codes[] = {"01 23 45 67 89 AB CD EF", "00 00 00 12 34 56 78 9A",
                           "00 00 00 00 00 00 12 34", "00 00 00 AB CD EF 01 23"};
    for (int Type = 0; Type < KeyTypeCount; ++Type) {
        WriterRecord Row;
        Row.CellNumber = Type;
        Row.Name = "Key " + IntToStr(Type);
        Row.KeyType = Type;
        Row.WriteMode = 0;
        Row.KeyHex = Codes[Type];
        Row.Changed = 1;
        Rows.push_back(Row);
    }
    WriterRecord Emptied;
    Emptied.CellNumber = KeyTypeCount;
    Emptied.Changed = -1;
    Rows.push_back(Emptied);
    WriterRecord Kept = Rows.front();
    Kept.CellNumber = KeyTypeCount + 1;
    Kept.Changed = 0;
    Rows.push_back(Kept);
    return Rows;
}

void Start(TMainForm &F, std::uint8_t Exchange)
{
    switch (Exchange % 6) {
    case 0:
        F.StartArchiveRead();
        break;
    case 1:
        F.ReadNextOption();
        break;
    case 2:
        F.WriteNextOption();
        break;
    case 3:
        F.StartWriterRead();
        break;
    case 4:
        F.WriterRows = RowsToWrite();
        F.StartWriterWrite();
        break;
    default:
        F.StartFontsUpload(FontsFile());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *Data, std::size_t Size)
{
    if (Size == 0) return 0;
    TMainForm &F = Form();
    F.ResetExchange();
    F.ArchiveRecords.clear();
    F.WriterRows.clear();
    Start(F, Data[0]);
    std::size_t At = 1;
    while (F.RunningStep() != TExchangeStep::None && F.ExpectedLength > 0 &&
           Size - At >= static_cast<std::size_t>(F.ExpectedLength)) {
        const int Length = F.ExpectedLength;
        F.AnswerReceived(BytesToHex(Data + At, Length));
        At += static_cast<std::size_t>(Length);
    }
    F.ResetExchange();
    return 0;
}
