// Damaged templates: every load either succeeds or fails with an error, never crashes.

#include "report/frxClass.h"
#include "report/frxXML.h"
#include "tests/report/ReportTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace
{

AnsiString SampleTemplate()
{
    TComponent Form(nullptr);
    TfrxReport Report(&Form);
    auto *DataSet = new TfrxUserDataSet(&Form);
    DataSet->SetName("Rows");
    Report.DataSets()->Add(DataSet);
    Report.ReportOptions()->SetPassword("pw");
    auto *Page = new TfrxReportPage(&Report);
    Page->SetName("Page1");
    auto *Band = new TfrxMasterData(Page);
    Band->SetName("Band1");
    Band->SetDataSet(DataSet);
    Band->SetHeight(20);
    auto *Memo = new TfrxMemoView(Band);
    Memo->SetName("Memo1");
    Memo->SetText(u"[Rows.\"price\"] Итого\r\nline");
    Memo->DisplayFormat()->SetFormatStr("%2.2f");
    auto *Child = new TfrxChild(Page);
    Child->SetName("Child1");
    Band->SetChild(Child);
    return Written([&](TStream *S) { Report.SaveToStream(S); });
}

AnsiString Damage(const AnsiString &Text, std::mt19937 &Random)
{
    std::string Bytes = Text.ToStd();
    const char Specials[] = "<>\"=/&#; \r\n!-?0x";
    const int Edits = 1 + static_cast<int>(Random() % 4);
    for (int e = 0; e < Edits && !Bytes.empty(); ++e) {
        const std::size_t At = Random() % Bytes.size();
        switch (Random() % 5) {
        case 0:
            Bytes.resize(At);
            break;
        case 1:
            Bytes[At] = Specials[Random() % (sizeof(Specials) - 1)];
            break;
        case 2:
            Bytes.erase(At, 1 + Random() % 8);
            break;
        case 3:
            Bytes.insert(At, 1, Specials[Random() % (sizeof(Specials) - 1)]);
            break;
        default:
            Bytes[At] = static_cast<char>(Random() % 256);
        }
    }
    return AnsiString(std::move(Bytes));
}

} // namespace

TEST(Fuzz, DamagedTemplatesLoadOrFailCleanly)
{
    ScriptedBoxes Boxes;
    const AnsiString Template = SampleTemplate();
    std::mt19937 Random(20261207);
    int Failed = 0, Loaded = 0;
    for (int Round = 0; Round < 400; ++Round) {
        const AnsiString Text = Damage(Template, Random);
        {
            TfrxXMLDocument Document;
            TStringStream Stream(Text);
            try {
                Document.LoadFromStream(&Stream);
            } catch (const Exception &) {
            }
        }
        TComponent Form(nullptr);
        TfrxReport Report(&Form);
        Report.EngineOptions()->SetNewSilentMode(simSilent);
        TStringStream Stream(Text);
        Boxes.Dialogs.ReplyInput(true, "pw");
        try {
            Report.LoadFromStream(&Stream);
            ++Loaded;
            // Whatever was read must stand as a tree that saves again.
            const AnsiString Again = Written([&](TStream *S) { Report.SaveToStream(S); });
            EXPECT_FALSE(Again.IsEmpty());
        } catch (const Exception &) {
            ++Failed;
        }
    }
    // Both outcomes occur, so the damage reaches the reader and the serializer.
    EXPECT_GT(Failed, 0);
    EXPECT_GT(Loaded, 0);
}
