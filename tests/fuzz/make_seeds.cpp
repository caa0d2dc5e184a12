// Writes the seed corpus of the fuzz targets with the program's own writers: pictures of
// every colour type and bit depth from the PNG codec, the address book's table, the
// configuration, the grid layouts, the three reports (templates, prepared pages, component
// streams), the list files of variables and styles, and the answers of a simulated device to
// every exchange the main window runs.
//   qrv4_fuzz_seeds OUTPUT_FOLDER     (scripts/fuzz seeds writes into tests/fuzz/corpus)

#include "controls/pngimage.h"
#include "link/config.h"
#include "link/constants.h"
#include "link/grid_helpers.h"
#include "link/main_form.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Forms.h"
#include "report/frxClass.h"
#include "report/frxVariables.h"
#include "report_output/frxDMPClass.h"
#include "tools/devsim/AddressBook.h"
#include "tools/devsim/Archive.h"
#include "tools/devsim/Simulator.h"
#include "tools/devsim/program/ProgramPort.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

fs::path Output;

// What the program would show is printed instead, and taken as seen.
class TPrintedMessages : public vcl::DialogProvider
{
public:
    int Message(const vcl::MessageRequest &Request) override
    {
        std::fprintf(stderr, "message: %s\n", Request.Text.ToUtf8().c_str());
        return mrOk;
    }
    bool Execute(TCommonDialog &) override { return false; }
    bool Input(const AnsiString &, const AnsiString &, AnsiString &) override { return false; }
};

void Save(const std::string &Target, const std::string &Name, const std::string &Bytes)
{
    fs::create_directories(Output / Target);
    std::ofstream(Output / Target / Name, std::ios::binary) << Bytes;
}

void SaveStream(const std::string &Target, const std::string &Name,
                const std::function<void(TStream *)> &Write)
{
    TStringStream Stream;
    Write(&Stream);
    Save(Target, Name, Stream.DataString().Std());
}

std::string FileBytes(const fs::path &Path)
{
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
}

// ---- pictures ----

struct Kind {
    unsigned ColorType;
    std::vector<unsigned> Depths;
};

void MakePictures()
{
    const Kind Kinds[] = {
        {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    for (const Kind &K : Kinds)
        for (unsigned Depth : K.Depths)
            for (TInterlaceMethod Interlace : {imNone, imAdam7}) {
                // Odd sizes leave some of the interlaced passes short or empty.
                TPNGObject Png(K.ColorType, Depth, 7, 5);
                for (int y = 0; y < Png.Height(); ++y)
                    for (int x = 0; x < Png.Width(); ++x)
                        Png.SetPixels(x, y, RGB(x * 36, y * 60, (x + y) * 20));
                if (std::uint8_t *Alpha = Png.GetAlphaScanline(0)) Alpha[0] = 0x80;
                Png.SetInterlacing(Interlace);
                if (Depth == 8) Png.AddtEXt("Title", "QRV-4");
                if (K.ColorType == 3) Png.SetTransparentColor(Png.GetPixels(0, 0));
                if (K.ColorType == 2 && Depth == 16) Png.AddzTXt("Comment", "ключи"_a);
                const std::string Name = "type" + std::to_string(K.ColorType) + "_depth" +
                                         std::to_string(Depth) +
                                         (Interlace == imAdam7 ? "_adam7" : "") + ".png";
                SaveStream("png", Name, [&](TStream *S) { Png.SaveToStream(S); });
            }
}

// ---- the configuration ----

void MakeConfigurations()
{
    TConfig Defaults("defaults.cfg");
    WriteConfig(Defaults);
    Save("config", "defaults.cfg", FileBytes("defaults.cfg"));
    TConfig Changed("changed.cfg");
    Changed.COM_port = 7;
    Changed.COM_speed = 115200;
    Changed.SellerName = "ИП Ключник"_a;
    Changed.PriceDallas = 150.5;
    Changed.TypeKey = false;
    Changed.CountTovcheck = 42;
    Changed.Left = -20;
    WriteConfig(Changed);
    Save("config", "changed.cfg", FileBytes("changed.cfg"));
}

// ---- reports ----

// A component made with its owner and its name.
template <class T> T *Named(TComponent *Owner, const char *Name)
{
    auto *Made = new T(Owner);
    Made->SetName(Name);
    return Made;
}

// A template with a data set, a script, variables, a style, a password and a child band.
void FillSampleReport(TfrxReport &Report, TComponent &Owner)
{
    auto *DataSet = Named<TfrxUserDataSet>(&Owner, "Rows");
    Report.DataSets()->Add(DataSet);
    Report.ReportOptions()->SetPassword("pw");
    Report.Variables()->Set("Price", 12.5);
    Report.Styles()->Add()->SetName("Title");
    Report.ScriptText()->SetText("procedure Band1OnBeforePrint(Sender: TfrxComponent);\r\n"
                                 "begin\r\n  Memo1.Text := IntToStr(Line);\r\nend;\r\n"
                                 "begin\r\nend.");
    auto *Page = Named<TfrxReportPage>(&Report, "Page1");
    auto *Title = Named<TfrxReportTitle>(Page, "Title1");
    Title->SetHeight(30);
    auto *Band = Named<TfrxMasterData>(Page, "Band1");
    Band->SetDataSet(DataSet);
    Band->SetHeight(20);
    Band->SetTop(40);
    auto *Memo = Named<TfrxMemoView>(Band, "Memo1");
    Memo->SetText(u"[Rows.\"price\"] Итого\r\nline");
    Memo->DisplayFormat()->SetFormatStr("%2.2f");
    Memo->SetBounds(0, 0, 200, 20);
    auto *Child = Named<TfrxChild>(Page, "Child1");
    Band->SetChild(Child);
    auto *Footer = Named<TfrxPageFooter>(Page, "Footer1");
    Footer->SetHeight(20);
}

void MakeListFiles(TfrxReport &Report)
{
    SaveStream("xml", "variables.fd3", [&](TStream *S) { Report.Variables()->SaveToStream(S); });
    SaveStream("xml", "styles.fs3", [&](TStream *S) { Report.Styles()->SaveToStream(S); });
    TfrxStyleSheet Sheet;
    Sheet.Add()->SetName("Plain");
    Sheet.Add()->Add()->SetName("Bold");
    SaveStream("xml", "stylesheet.fss", [&](TStream *S) { Sheet.SaveToStream(S); });
}

void MakeComponentStreams(TfrxReport &Report)
{
    SaveStream("component", "report.bin",
               [&](TStream *S) { TWriter(S).WriteRootComponent(&Report); });
    TfrxReport DotMatrix(nullptr);
    DotMatrix.SetName("DotMatrix");
    auto *Page = Named<TfrxDMPPage>(&DotMatrix, "Page1");
    auto *Band = Named<TfrxMasterData>(Page, "Band1");
    Band->SetHeight(20);
    auto *Memo = Named<TfrxDMPMemoView>(Band, "Memo1");
    Memo->SetText(u"Чек");
    SaveStream("component", "dotmatrix.bin",
               [&](TStream *S) { TWriter(S).WriteRootComponent(&DotMatrix); });
    TActionList Actions(nullptr);
    Actions.SetName("Actions");
    auto *Action = Named<TAction>(&Actions, "Print");
    Action->SetActionList(&Actions);
    Action->SetCaption("Печать"_a);
    SaveStream("component", "actions.bin",
               [&](TStream *S) { TWriter(S).WriteRootComponent(&Actions); });
}

void MakeReports()
{
    TComponent Owner(nullptr);
    TfrxReport Report(&Owner);
    FillSampleReport(Report, Owner);
    SaveStream("report", "sample.fr3", [&](TStream *S) { Report.SaveToStream(S); });
    SaveStream("xml", "sample.fr3", [&](TStream *S) { Report.SaveToStream(S); });
    MakeListFiles(Report);
    MakeComponentStreams(Report);
}

// ---- the main window on a simulated device ----

constexpr int SimulatedCom = 251;
constexpr int ExchangeWait = 30000;

bool PumpUntil(const std::function<bool()> &Done)
{
    const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(ExchangeWait);
    while (!Done()) {
        if (std::chrono::steady_clock::now() >= End) return false;
        Application->ProcessMessages();
    }
    return true;
}

// The answers the device gives while Run drives one exchange, after the byte that makes
// the fuzz target start the same exchange.
class TRecorder
{
public:
    explicit TRecorder(devsim::TSimulator &Sim)
    {
        Sim.SetMonitor([this](const devsim::TExchange &Exchange) {
            const std::lock_guard<std::mutex> Lock(FLock);
            if (Exchange.Answer) FAnswers.append(Exchange.Answer->begin(), Exchange.Answer->end());
        });
    }
    void Record(TMainForm &Form, char Exchange, const std::string &Name,
                const std::function<void()> &Run)
    {
        {
            const std::lock_guard<std::mutex> Lock(FLock);
            FAnswers = std::string(1, Exchange);
        }
        Run();
        if (!PumpUntil([&] { return Form.RunningStep() == TExchangeStep::None; }))
            std::fprintf(stderr, "the exchange for %s did not end\n", Name.c_str());
        const std::lock_guard<std::mutex> Lock(FLock);
        Save("device", Name, FAnswers);
    }

private:
    std::mutex FLock;
    std::string FAnswers;
};

void MakeFromMainForm()
{
    devsim::TSimulator Sim;
    devsim::ExposeToProgram(Sim, SimulatedCom, fs::current_path() / "ports");
    Sim.Edit([](devsim::Memory &M) {
        devsim::WriteArchive(M, devsim::SampleArchive(40, devsim::SampleNewest()), 40);
        devsim::FillSampleAddressBook(M);
    });
    Config = TConfig(ConfigFileName);
    Config.COM_port = SimulatedCom;
    GridArchiveFile = Config.GetBaseDir() + GridArchiveFileName;
    GridWriterFile = Config.GetBaseDir() + GridWriterFileName;
    TMainForm Form(nullptr);
    if (!Form.OpenComPort(SimulatedCom, 9600)) {
        std::fprintf(stderr, "the simulated device did not open\n");
        std::exit(1);
    }
    TRecorder Recorder(Sim);
    // The exchanges in the fuzz target's order of its first byte.
    Recorder.Record(Form, 0, "archive", [&] { Form.StartArchiveRead(); });
    Recorder.Record(Form, 1, "options_read", [&] { Form.ReadNextOption(); });
    Recorder.Record(Form, 2, "options_write", [&] { Form.WriteNextOption(); });
    Recorder.Record(Form, 3, "writer_read", [&] { Form.StartWriterRead(); });
    const std::vector<WriterRecord> Book = Form.WriterRows;
    for (WriterRecord &Row : Form.WriterRows)
        Row.Changed = 1;
    Recorder.Record(Form, 4, "writer_write", [&] { Form.StartWriterWrite(); });
    std::ofstream("fonts.qrv", std::ios::binary) << std::string(1024, '\x5A');
    Recorder.Record(Form, 5, "fonts", [&] { Form.StartFontsUpload("fonts.qrv"); });

    // The layout files as the window writes them when it closes.
    for (const auto &[Grid, Name] : {std::pair{Form.SG_Archive, "grid_archive.txt"},
                                     std::pair{Form.SG_Writer, "grid_writer.txt"}}) {
        GridSaveColWidths(Grid, Name);
        Save("layout", Name, FileBytes(Name));
    }

    Form.WriterRows = Book;
    Form.SaveWriterToDbf("book.dbf");
    Save("dbf", "book.dbf", FileBytes("book.dbf"));
    Form.WriterRows.clear();
    Form.SaveWriterToDbf("empty.dbf");
    Save("dbf", "empty.dbf", FileBytes("empty.dbf"));

    // The three reports as the program holds and prepares them.
    Form.WriterPrintRows = Book;
    Form.BuildReceiptLine();
    const struct {
        const char *Name;
        TfrxReport *Report;
        TfrxUserDataSet *Rows;
        std::size_t Count;
    } Reports[] = {
        {"archive_list", Form.frxReportList(), Form.frxUserDataSetList, Form.ArchiveRecords.size()},
        {"receipt", Form.frxReportTovcheck(), Form.frxUserDataTovcheck, 1},
        {"address_book", Form.frxReportWriter(), Form.frxUserDataSetWriter,
         Form.WriterPrintRows.size()}};
    for (const auto &R : Reports) {
        for (const char *Target : {"report", "xml"})
            SaveStream(Target, std::string(R.Name) + ".fr3",
                       [&](TStream *S) { R.Report->SaveToStream(S); });
        SaveStream("component", std::string(R.Name) + ".bin",
                   [&](TStream *S) { TWriter(S).WriteRootComponent(R.Report); });
        R.Rows->SetRangeEndCount(static_cast<int>(R.Count));
        if (!R.Report->PrepareReport(true)) {
            std::fprintf(stderr, "the report %s did not prepare\n", R.Name);
            continue;
        }
        for (const char *Target : {"prepared", "xml"})
            SaveStream(Target, std::string(R.Name) + ".fp3",
                       [&](TStream *S) { R.Report->PreviewPages()->SaveToStream(S); });
    }
    Form.CloseComPort();
}

// Works in a fresh folder, which the program takes for its base folder.
fs::path EnterWorkingFolder()
{
    const fs::path Folder = fs::temp_directory_path() / "qrv4_fuzz_seeds";
    fs::remove_all(Folder);
    fs::create_directories(Folder);
    fs::current_path(Folder);
    return Folder;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    Output = fs::absolute(argv[1]);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const fs::path Folder = EnterWorkingFolder();
    Application->Initialize();
    TPrintedMessages Messages;
    vcl::SetDialogService(&Messages);
    frxRegisterDMPClasses();
    MakePictures();
    MakeConfigurations();
    MakeReports();
    MakeFromMainForm();
    fs::current_path(Output);
    fs::remove_all(Folder);
    return 0;
}
