#include "tests/report/ReportTestSupport.h"

#include "report/frxClass.h"
#include "report/frxRegistry.h"
#include "report/frxRes.h"
#include "report/frxVariables.h"
#include "report/frxXMLSerializer.h"

#include "platform/rtl/ClassesFiler.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace
{

// Text on a canvas needs the fonts of a Qt application, one for the whole program.
class QtEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        static int Argc = 1;
        static char Name[] = "qrv4_report_tests";
        static char *Argv[] = {Name, nullptr};
        FApp = std::make_unique<QApplication>(Argc, Argv);
    }
    void TearDown() override { FApp.reset(); }

private:
    std::unique_ptr<QApplication> FApp;
};

[[maybe_unused]] testing::Environment *const Environment =
    testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace

MarkedTexts::MarkedTexts(std::initializer_list<const char *> Keys)
{
    for (const char *Key : Keys) {
        FSaved.emplace_back(Key, frxResources()->Get(Key));
        frxResources()->Add(Key, Mark(Key));
    }
}

MarkedTexts::~MarkedTexts()
{
    for (const auto &[Key, Text] : FSaved)
        frxResources()->Add(Key, Text);
}

AnsiString NestedXML(const char *Root, int Levels)
{
    std::string Text = std::string("<?xml version=\"1.0\"?><") + Root + ">";
    for (int i = 0; i < Levels; ++i)
        Text += "<a>";
    for (int i = 0; i < Levels; ++i)
        Text += "</a>";
    return AnsiString(Text + "</" + Root + ">");
}

AnsiString Cp(const char *Utf8)
{
    return AnsiString::FromUtf8(Utf8);
}

ScriptedBoxes::ScriptedBoxes() : FBefore(vcl::SetDialogService(&Dialogs)) {}

ScriptedBoxes::~ScriptedBoxes()
{
    vcl::SetDialogService(FBefore);
}

TempFolder::TempFolder()
{
    std::string Pattern = (std::filesystem::temp_directory_path() / "frxtestXXXXXX").string();
    FDir = mkdtemp(Pattern.data()) ? Pattern : std::string();
}

TempFolder::~TempFolder()
{
    std::error_code Ignored;
    if (!FDir.empty()) std::filesystem::remove_all(FDir, Ignored);
}

AnsiString TempFolder::Path(const char *Name) const
{
    return AnsiString(FDir + "/" + Name);
}

TfrxMasterData *AddPageAndBand(TfrxReport &Report)
{
    auto *Page = new TfrxReportPage(&Report);
    Page->SetName("Page1");
    auto *Band = new TfrxMasterData(Page);
    Band->SetName("MasterData1");
    return Band;
}

SampleReport::SampleReport()
{
    Page = new TfrxReportPage(&Report);
    Page->SetName("Page1");
    Page->SetLeftMargin(10);
    Page->SetRightMargin(10);
    Header = new TfrxPageHeader(Page);
    Header->SetName("PageHeader1");
    Header->SetHeight(30);
    Data = new TfrxMasterData(Page);
    Data->SetName("MasterData1");
    Data->SetBounds(0, 60, 718.1, 20);
    Data->SetRowCount(5);
    Memo = new TfrxMemoView(Data);
    Memo->SetName("Memo1");
    Memo->SetBounds(10, 0, 200, 18);
    Memo->SetText(u"[Line#] Итого");
    Memo->SetHAlign(haRight);
    Memo->Frame()->SetTyp(TfrxFrameTypes{ftLeft, ftBottom});
    Memo->Frame()->SetWidth(2.5);
    Total = new TfrxMemoView(Data);
    Total->SetName("Memo2");
    Total->SetFlowTo(Memo);
    Total->DisplayFormat()->SetKind(fkNumeric);
    Total->Highlight()->SetCondition("Value > 0");
    Report.Variables()->Set("k", AnsiString("2*3"));
    Report.Variables()->Set("when", AnsiString("x\r\ny"));
    Report.ScriptText()->SetText("{\r\n}");
    Report.SetScriptLanguage("C++Script");
}

KeptPropertyEditors::KeptPropertyEditors() : FCount(frxPropertyEditors()->Count()) {}

KeptPropertyEditors::~KeptPropertyEditors()
{
    TfrxPropertyEditorCollection *Editors = frxPropertyEditors();
    while (Editors->Count() > FCount)
        Editors->Delete(Editors->Count() - 1);
}

OwnRowsReport::OwnRowsReport()
{
    Report.EngineOptions()->SetNewSilentMode(simSilent);
    TfrxMasterData *Band = AddPageAndBand(Report);
    Band->SetHeight(20);
    auto *Memo = new TfrxMemoView(Band);
    Memo->SetName("Memo1");
    Memo->SetBounds(0, 0, 300, 18);
    Memo->SetText(u"[Caption] [Line]: [Price]");
    auto *Rows = new TfrxUserDataSet(&Report);
    Rows->SetName("Inner");
    Rows->SetRangeEnd(reCount);
    Rows->SetRangeEndCount(3);
    Report.DataSets()->Add(Rows);
    Band->SetDataSet(Rows);
    Report.Variables()->Set("Caption", Cp("'Итого'"));
    Report.Variables()->Set("Price", 12.5);
    TfrxStyleItem *Style = Report.Styles()->Add();
    Style->SetName(Cp("Крупно"));
    Style->Font()->SetSize(14);
}

namespace
{

class CollectionsAsTextsWriter : public TWriter
{
public:
    CollectionsAsTextsWriter(TStream *Stream, TfrxReport *Report) : TWriter(Stream), FReport(Report)
    {
    }

    void DefineProperty(const AnsiString &Name, TReaderProc ReadData, TWriterProc WriteData,
                        bool HasData) override
    {
        TCollection *Items = Named(Name);
        if (!Items) return TWriter::DefineProperty(Name, ReadData, WriteData, HasData);
        if (!HasData) return;
        WritePropName(Name);
        TfrxXMLSerializer Serializer(nullptr);
        Serializer.SetOwner(FReport);
        WriteListBegin();
        for (int i = 0; i < Items->Count(); ++i) {
            WriteListBegin();
            WriteLongString(Serializer.ObjToXML(Items->Items(i)));
            WriteListEnd();
        }
        WriteListEnd();
    }

private:
    TCollection *Named(const AnsiString &Name) const
    {
        if (Name == "Datasets") return FReport->DataSets();
        if (Name == "Variables") return FReport->Variables();
        if (Name == "Style") return FReport->Styles();
        return nullptr;
    }

    TfrxReport *FReport;
};

} // namespace

void WriteWithCollectionsAsTexts(TfrxReport *Report, TStream *Stream)
{
    CollectionsAsTextsWriter(Stream, Report).WriteRootComponent(Report);
}

void WriteFormResource(TfrxReport *Report, TStream *Stream)
{
    TWriter(Stream).WriteRootComponent(Report);
}
