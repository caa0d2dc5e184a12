#include "report/frxClass.h"
#include "report/frxRes.h"
#include "report/frxVariables.h"
#include "report/frxXMLSerializer.h"
#include "tests/report/ReportTestSupport.h"

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

AnsiString Saved(TfrxReport &Report)
{
    return Written([&](TStream *S) { Report.SaveToStream(S); });
}

void LoadText(TfrxReport &Report, const AnsiString &Text)
{
    TStringStream Stream(Text);
    Report.LoadFromStream(&Stream);
}

// Positions of the pieces in Text, which must appear in this order.
void ExpectInOrder(const AnsiString &Text, std::initializer_list<AnsiString> Pieces)
{
    int From = 0;
    for (const AnsiString &Piece : Pieces) {
        const std::size_t At = Text.View().find(Piece.View(), From);
        ASSERT_NE(At, std::string::npos) << Piece.ToUtf8() << " in " << Text.ToUtf8();
        From = static_cast<int>(At) + Piece.Length();
    }
}

TfrxMemoView *AddMemo(TfrxComponent *Parent, const char *Name)
{
    auto *Memo = new TfrxMemoView(Parent);
    Memo->SetName(Name);
    return Memo;
}

} // namespace

TEST(ReportTemplate, AFreshReportWritesItsChangedPropertiesInOrder)
{
    TComponent Form(nullptr);
    TfrxReport Report(&Form);
    Report.SetName("frxReportTovcheck");
    const AnsiString Text = Saved(Report);
    const AnsiString Start = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TfrxReport "
                             "Name=\"\" Version=\"3.20\" ";
    EXPECT_EQ(Text.SubString(1, Start.Length()), Start);
    ExpectInOrder(Text, {" IniFile=\"\\Software\\Zedo Vevuvuz\"", " PreviewOptions.Zoom=\"1\"",
                         " PrintOptions.Printer=\"" + Cp("По умолчанию") + "\"",
                         " ReportOptions.CreateDate=\"", " ReportOptions.Description.Text=\"\"",
                         " ReportOptions.LastChange=\"", " ScriptLanguage=\"PascalScript\"",
                         " ScriptText.Text=\"begin&#13;&#10;&#13;&#10;end.\""});
    EXPECT_EQ(Text.SubString(Text.Length() - 4, 5), "\"/>\r\n");
    for (const char *Absent :
         {"ShowProgress", "StoreInDFM", "ConvertNulls", "Copies", "Password", "PropData"})
        EXPECT_EQ(Text.Pos(Absent), 0) << Absent;
    EXPECT_EQ(Report.Name(), "frxReportTovcheck");

    Report.PrintOptions()->SetShowDialog(false);
    Report.ScriptText()->SetText("x");
    ExpectInOrder(Saved(Report), {" PrintOptions.Printer=", " PrintOptions.ShowDialog=\"False\""});

    TfrxReport Other(&Form);
    Other.SetName("second");
    Other.SetScriptLanguage("C++Script");
    LoadText(Other, Saved(Report));
    EXPECT_EQ(Other.Name(), "second");
    EXPECT_FALSE(Other.PrintOptions()->ShowDialog());
    EXPECT_EQ(Other.ScriptLanguage(), "PascalScript");
    EXPECT_EQ(Other.ScriptText()->Text(), "x\r\n");
    EXPECT_EQ(Other.PrintOptions()->Printer(), Cp("По умолчанию"));
    // Fifteen significant digits, as the platform writes floats.
    EXPECT_NEAR(Other.ReportOptions()->CreateDate(), Report.ReportOptions()->CreateDate(), 1e-9);
}

TEST(ReportTemplate, AMemoElementIsWrittenExactly)
{
    TfrxReport Report(nullptr);
    TfrxMasterData *Band = AddPageAndBand(Report);
    TfrxMemoView *Memo = AddMemo(Band, "Memo1");
    Memo->SetBounds(0, 0, 94.48825, 18.89765);
    Memo->DisplayFormat()->SetKind(fkNumeric);
    Memo->DisplayFormat()->SetFormatStr("%2.2f");
    Memo->SetText(u"[total_summa]");
    const AnsiString Text = Saved(Report);
    EXPECT_GT(Text.Pos("\r\n      <TfrxMemoView Name=\"Memo1\" Left=\"0\" Top=\"0\" "
                       "Width=\"94.48825\" Height=\"18.89765\" DisplayFormat.FormatStr=\"%2.2f\" "
                       "DisplayFormat.Kind=\"fkNumeric\" Text=\"[total_summa]\"/>\r\n"),
              0)
        << Text.ToUtf8();

    Memo->SetText(u"Итого:\r\n[total_summa]\r\n");
    EXPECT_GT(Saved(Report).Pos(" Text=\"" + AnsiString(std::string("Итого:")) +
                                "&#13;&#10;[total_summa]\"/>"),
              0);
}

TEST(ReportTemplate, DataSetsTravelInPropDataAndResolveOnLoad)
{
    ScriptedBoxes Boxes;
    TComponent Form(nullptr);
    TfrxReport Report(&Form);
    auto *DataSet = new TfrxUserDataSet(&Form);
    DataSet->SetName("frxUserDataTovcheck");
    Report.DataSets()->Add(DataSet);
    const AnsiString Text = Saved(Report);
    const AnsiString Datasets =
        "08446174617365747301010C4000000020446174615365743D226672785573657244617461546F766368"
        "65636B2220446174615365744E616D653D226672785573657244617461546F76636865636B220000";
    EXPECT_GT(Text.Pos(" PropData=\"" + Datasets + "\""), 0) << Text.ToUtf8();

    TfrxReport Again(&Form);
    LoadText(Again, Text);
    ASSERT_EQ(Again.DataSets()->Count(), 1);
    EXPECT_EQ(Again.DataSets()->Items(0)->DataSet(), DataSet);

    delete DataSet; // the report forgets its entry
    EXPECT_EQ(Again.DataSets()->Count(), 0);

    TComponent Elsewhere(nullptr);
    TfrxReport Lost(&Elsewhere);
    LoadText(Lost, Text);
    ASSERT_EQ(Lost.DataSets()->Count(), 1);
    EXPECT_EQ(Lost.DataSets()->Items(0)->DataSet(), nullptr);
    Boxes.Dialogs.ReplyMessage(mrOk);
    EXPECT_FALSE(Lost.PrepareReport());
    ASSERT_EQ(Boxes.Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Boxes.Dialogs.Messages()[0].Text,
              Cp("Были обнаружены следующие ошибки:\r\nНабор данных \"frxUserDataTovcheck\" не "
                 "найден\r\n"));
    EXPECT_EQ(Boxes.Dialogs.Messages()[0].Caption, Cp("Ошибка"));
}

TEST(ReportTemplate, AReferenceOnAnotherFormCarriesThatFormsName)
{
    TComponent Form(nullptr);
    auto Other = std::make_unique<TForm>(nullptr);
    Other->SetName("OtherForm");
    auto *Here = new TfrxUserDataSet(&Form);
    Here->SetName("Here");
    auto *There = new TfrxUserDataSet(Other.get());
    There->SetName("There");
    TfrxReport Report(&Form);
    TfrxMasterData *Band = AddPageAndBand(Report);
    Band->SetDataSet(Here);
    auto *Second = new TfrxMasterData(Band->Parent());
    Second->SetName("MasterData2");
    Second->SetDataSet(There);
    const AnsiString Text = Saved(Report);
    EXPECT_GT(Text.Pos(" DataSet=\"Here\""), 0) << Text.ToUtf8();
    EXPECT_GT(Text.Pos(" DataSet=\"OtherForm.There\""), 0) << Text.ToUtf8();

    TfrxReport Again(&Form);
    LoadText(Again, Text);
    EXPECT_EQ(static_cast<TfrxDataBand *>(Again.FindObject("MasterData1"))->DataSet(), Here);
    EXPECT_EQ(static_cast<TfrxDataBand *>(Again.FindObject("MasterData2"))->DataSet(), There);
}

TEST(ReportTemplate, UnknownClassesAreReportedAndSkippedWithTheirChildren)
{
    ScriptedBoxes Boxes;
    Boxes.Dialogs.ReplyMessage(mrOk);
    TfrxReport Report(nullptr);
    LoadText(Report,
             "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
             "<TfrxReport Name=\"\" Version=\"9.99\" ScriptLanguage=\"C++Script\">\r\n"
             "  <TfrxReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\" "
             "PaperSize=\"9\">\r\n"
             "    <TfrxFancyView Name=\"X1\"><TfrxMemoView Name=\"Inner\"/></TfrxFancyView>\r\n"
             "    <TfrxMasterData Name=\"MasterData1\" Top=\"20\" Height=\"20\" "
             "RowCount=\"3\">\r\n"
             "      <TfrxMemoView Name=\"Memo1\" Width=\"100\" Height=\"18\" "
             "Text=\"[Line]\"/>\r\n"
             "    </TfrxMasterData>\r\n"
             "  </TfrxReportPage>\r\n"
             "</TfrxReport>\r\n");
    EXPECT_EQ(Report.Version(), "3.20");
    EXPECT_EQ(Report.ScriptLanguage(), "C++Script");
    ASSERT_EQ(Boxes.Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Boxes.Dialogs.Messages()[0].Text,
              Cp("Были обнаружены следующие ошибки:\r\nНе удалось найти класс TfrxFancyView\r\n"));
    EXPECT_EQ(Report.FindObject("Inner"), nullptr);
    auto *Memo = dynamic_cast<TfrxMemoView *>(Report.FindObject("MEMO1"));
    ASSERT_NE(Memo, nullptr);
    EXPECT_EQ(Memo->Text(), WideString(u"[Line]\r\n"));
    auto *Band = dynamic_cast<TfrxMasterData *>(Report.FindObject("MasterData1"));
    ASSERT_NE(Band, nullptr);
    EXPECT_EQ(Band->RowCount(), 3);
    EXPECT_EQ(Memo->Parent(), Band);

    try {
        Band->SetName("memo1");
        ADD_FAILURE() << "renamed over another object";
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message(), frxResources()->Get("prDupl"));
    }
    EXPECT_EQ(Band->Name(), "MasterData1");
    Band->SetName("MasterData1");

    AddMemo(Band, "Memo3");
    auto *Third = new TfrxMemoView(Band);
    Third->CreateUniqueName();
    EXPECT_EQ(Third->Name(), "Memo2");
}

namespace
{

// A memo of a class the loader does not know.
class TUnlistedMemo : public TfrxMemoView
{
    QRV4_CLASS(TUnlistedMemo, TfrxMemoView)

public:
    using TfrxMemoView::TfrxMemoView;
};

} // namespace

TEST(ReportTemplate, AReadTakesBackTheObjectsOfferedToItPastUnknownClasses)
{
    ScriptedBoxes Boxes;
    Boxes.Dialogs.ReplyMessage(mrOk);
    TfrxReport Report(nullptr);
    auto *Page = new TfrxReportPage(&Report);
    AddMemo(new TUnlistedMemo(Page), "Inner");
    auto *Band = new TfrxMasterData(Page);
    Band->SetName("MasterData1");
    TfrxMemoView *Memo = AddMemo(Band, "Memo1");
    Memo->SetText(u"[Line]");
    TfrxReusedObjects Reused(&Report);
    const AnsiString Text = Saved(Report);

    Memo->SetText(u"changed");
    Memo->SetVisible(false);
    Band->SetChild(new TfrxChild(Page));
    AddMemo(Band, "Added");
    Reused.Offer();
    LoadText(Report, Text);

    ASSERT_EQ(Report.PagesCount(), 1);
    EXPECT_EQ(Report.Pages(0), Page);
    ASSERT_EQ(Page->Objects()->Count(), 1) << "the unknown memo is left out, the child band freed";
    EXPECT_EQ(Page->Objects()->Items(0), Band);
    ASSERT_EQ(Band->Objects()->Count(), 1);
    EXPECT_EQ(Band->Objects()->Items(0), Memo);
    EXPECT_EQ(Memo->Text(), WideString(u"[Line]\r\n"));
    EXPECT_TRUE(Memo->Visible());
    EXPECT_EQ(Band->Child(), nullptr);
    EXPECT_EQ(Report.FindObject("Inner"), nullptr);
    EXPECT_EQ(Report.FindObject("Added"), nullptr);
}

// Answers the password form as a user would, counting how often it was shown.
struct PasswordAnswers {
    PasswordAnswers()
    {
        frxPasswordFormHandler() = [this](AnsiString &Typed) {
            ++Shown;
            Typed = Password;
            return Ok;
        };
    }
    ~PasswordAnswers() { frxPasswordFormHandler() = nullptr; }
    bool Ok = true;
    AnsiString Password;
    int Shown = 0;
};

TEST(ReportTemplate, PasswordIsShiftedInTheFileAndAskedOnLoad)
{
    PasswordAnswers Answers;
    TfrxReport Report(nullptr);
    new TfrxReportPage(&Report);
    Report.ReportOptions()->SetPassword("abc");
    const AnsiString Text = Saved(Report);
    EXPECT_GT(Text.Pos(" ReportOptions.Password=\"WXY\""), 0);
    EXPECT_EQ(Report.ReportOptions()->Password(), "abc");

    LoadText(Report, Text); // the report that saved it knows the password
    EXPECT_EQ(Answers.Shown, 0);

    TfrxReport Right(nullptr);
    Answers.Password = "abc";
    LoadText(Right, Text);
    EXPECT_EQ(Answers.Shown, 1);
    EXPECT_EQ(Right.ReportOptions()->Password(), "abc");
    EXPECT_EQ(Right.PagesCount(), 1);

    TfrxReport Wrong(nullptr);
    Answers.Password = "ABC";
    LoadText(Wrong, Text);
    EXPECT_EQ(Wrong.PagesCount(), 0);
    EXPECT_EQ(Wrong.ScriptText()->Text(), "begin\r\n\r\nend.\r\n");

    TfrxReport Cancelled(nullptr);
    Answers.Password = "abc";
    Answers.Ok = false;
    LoadText(Cancelled, Text);
    EXPECT_EQ(Cancelled.PagesCount(), 0);

    frxPasswordFormHandler() = nullptr;
    TfrxReport Unasked(nullptr);
    LoadText(Unasked, Text);
    EXPECT_EQ(Unasked.PagesCount(), 0) << "without a password form nothing can open it";
}

TEST(ReportTemplate, BadValuesAreCollectedAndTheRestIsRead)
{
    TfrxReport Report(nullptr);
    Report.EngineOptions()->SetNewSilentMode(simSilent);
    LoadText(Report, "<?xml?><TfrxReport Name=\"\" ShowProgress=\"Maybe\" "
                     "PrintOptions.Copies=\"two\" PrintOptions.Collate=\"False\" "
                     "Nonsense=\"1\" PropData=\"0G\"/>");
    EXPECT_FALSE(Report.PrintOptions()->Collate());
    EXPECT_EQ(Report.PrintOptions()->Copies(), 1);
    EXPECT_TRUE(Report.ShowProgress());
    EXPECT_EQ(Report.Errors()->Count(), 3) << Report.Errors()->Text().ToUtf8();
}

TEST(ReportTemplate, ValuesBeyondRangeAreRefusedAndTheRestIsRead)
{
    TfrxReport Report(nullptr);
    Report.EngineOptions()->SetNewSilentMode(simSilent);
    LoadText(Report,
             "<?xml?><TfrxReport>"
             "<TfrxDialogPage Name=\"Dialog1\" Left=\"1e12\" Top=\"-1E+300\" Width=\"300\"/>"
             "<TfrxReportPage Name=\"Page1\" LeftMargin=\"10\" Columns=\"3000000\">"
             "<TfrxMasterData Name=\"Band1\" Top=\"12\" Height=\"20\">"
             "<TfrxMemoView Name=\"Memo1\" Left=\"1e12\" Top=\"5\" Width=\"-1000001\"/>"
             "</TfrxMasterData></TfrxReportPage></TfrxReport>");
    const AnsiString Errors = Report.Errors()->Text();
    EXPECT_GT(Errors.Pos("Invalid property value: 1e12"), 0) << Errors.ToUtf8();
    EXPECT_GT(Errors.Pos("Invalid property value: 3000000"), 0) << Errors.ToUtf8();
    EXPECT_EQ(Report.Errors()->Count(), 4) << Errors.ToUtf8();

    auto *Dialog = dynamic_cast<TfrxDialogPage *>(Report.FindObject("Dialog1"));
    ASSERT_NE(Dialog, nullptr);
    EXPECT_EQ(Dialog->Left(), 0);
    EXPECT_EQ(Dialog->Top(), 0);
    EXPECT_EQ(Dialog->Width(), 300);
    auto *Page = dynamic_cast<TfrxReportPage *>(Report.FindObject("Page1"));
    ASSERT_NE(Page, nullptr);
    EXPECT_EQ(Page->Columns(), 0);
    EXPECT_EQ(Page->ColumnPositions()->Count(), 0);
    EXPECT_EQ(Page->LeftMargin(), 10);
    auto *Memo = dynamic_cast<TfrxMemoView *>(Report.FindObject("Memo1"));
    ASSERT_NE(Memo, nullptr);
    EXPECT_EQ(Memo->Left(), 0);
    EXPECT_EQ(Memo->Top(), 5);
    EXPECT_EQ(Memo->Width(), 0);
}

TEST(Serializer, FloatsReadBackUnderADecimalComma)
{
    const char Saved = DecimalSeparator;
    TfrxReport Report(nullptr);
    auto *Page = new TfrxReportPage(&Report);
    Page->SetLeftMargin(12.5);
    DecimalSeparator = ',';
    const AnsiString Text = Written([&](TStream *S) { Report.SaveToStream(S); });
    // Files carry a point whatever the locale; a comma written by an older writer still reads.
    EXPECT_GT(Text.Pos("LeftMargin=\"12.5\""), 0);
    TfrxReport Other(nullptr);
    DecimalSeparator = '.';
    TStringStream In(StringReplace(Text, "12.5", "12,5", {}));
    Other.LoadFromStream(&In);
    DecimalSeparator = Saved;
    ASSERT_EQ(Other.PagesCount(), 1);
    EXPECT_DOUBLE_EQ(static_cast<TfrxReportPage *>(Other.Pages(0))->LeftMargin(), 12.5);
}

TEST(Serializer, FontsTravelAsDottedAttributesAndShortNamesApply)
{
    TfrxReport Report(nullptr);
    auto *Page = new TfrxReportPage(&Report);
    auto *Band = new TfrxReportTitle(Page);
    TfrxMemoView *Memo = AddMemo(Band, "Title");
    TFont Font;
    Font.SetColor(clBlack);
    Font.SetName("Tahoma");
    Font.SetSize(8);
    Font.SetStyle(TFontStyles{fsBold});
    Memo->SetFont(&Font);
    TfrxXMLSerializer Serializer(nullptr);
    const AnsiString Text = Serializer.ObjToXML(Memo);
    ExpectInOrder(Text, {" Font.Charset=\"1\"", " Font.Color=\"0\"", " Font.Height=\"-11\"",
                         " Font.Name=\"Tahoma\"", " Font.Style=\"1\"", " ParentFont=\"False\""});
    EXPECT_EQ(Text.Pos("Font.Size"), 0);

    TfrxMemoView Copy(nullptr);
    Serializer.XMLToObj(Text + " Font.Size=\"12\" l=\"5\" t=\"6\" w=\"7\" h=\"8\" u=\"" +
                            AnsiString(std::string("Ω")) + "\"",
                        &Copy);
    EXPECT_EQ(Copy.Font()->Name(), "Tahoma");
    EXPECT_EQ(Copy.Font()->Size(), 12);
    EXPECT_TRUE(Copy.Font()->Style().Contains(fsBold));
    EXPECT_FALSE(Copy.ParentFont());
    EXPECT_DOUBLE_EQ(Copy.Left() + Copy.Top() + Copy.Width() + Copy.Height(), 26);
    EXPECT_EQ(Copy.Text(), WideString(u"Ω\r\n"));
    Serializer.XMLToObj(" x=\"" + Cp("Ит") + "\"", &Copy);
    EXPECT_EQ(Copy.Text(), WideString(u"Ит\r\n"));
}
