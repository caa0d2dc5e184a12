#include "report/frxRes.h"
#include "tests/report/ReportTestSupport.h"

#include "platform/vcl/Graphics.h"
#include "platform/vcl/ImgList.h"
#include "report/frxClass.h"
#include "report/frxGraphicUtils.h"
#include "report/frxUnicodeUtils.h"
#include "report/frxVariables.h"
#include "script/fs_iconst.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

TEST(Resources, BuiltInTableAnswersByKeyWithoutCase)
{
    TfrxResources *Res = frxResources();
    EXPECT_EQ(Res->Count(), 211);
    EXPECT_EQ(Res->Get("CLERRORS"), Cp("Были обнаружены следующие ошибки:"));
    EXPECT_EQ(Res->Get("clDSNotExist"), Cp("Набор данных \"%s\" не найден"));
    EXPECT_EQ(Res->Get("noSuchKey"), "noSuchKey");
    // Every text the library asks for is there: no window or message shows a bare key.
    EXPECT_EQ(frxGet(5000), Cp("Пароль"));
    EXPECT_EQ(Res->Get("prInvProp"), Cp("Неверное значение свойства"));
    EXPECT_EQ(Res->Get("obDMPCmd"), Cp("Команда матричного принтера"));
    EXPECT_EQ(frxGet(2), Cp("Отмена"));
    EXPECT_EQ(frxGet(9), Cp("Введите номера и/или диапазоны страниц, разделенные запятыми. "
                            "Например, 1,3,5-12"));
    EXPECT_EQ(SIdUndeclared, Cp("Неопределенный идентификатор:"));
}

TEST(Resources, AddReplacesAndLanguageFilesReplaceTheTable)
{
    frxResources(); // the library's start-up puts the table's texts into the script engine
    TfrxResources Res;
    Res.AddStrings(frxBuiltinResources());
    EXPECT_EQ(Res.Count(), 211);
    Res.Add("mbError", Cp("Беда"));
    EXPECT_EQ(Res.Get("MBERROR"), Cp("Беда"));
    EXPECT_EQ(Res.Count(), 211);

    const AnsiString Saved = SIdUndeclared;
    TStringStream Language("mbError=Fehler\r\n=ruler\r\nempty=\r\n");
    Res.LoadFromStream(&Language);
    EXPECT_EQ(Res.Count(), 1);
    EXPECT_EQ(Res.Get("mbError"), "Fehler");
    EXPECT_EQ(Res.Get("clErrors"), "clErrors");
    EXPECT_EQ(SIdUndeclared, "SIdUndeclared");
    frxResources()->UpdateFSResources();
    EXPECT_EQ(SIdUndeclared, Saved);
}

TEST(Resources, ImageListsComeFromThePicturesAndCanBeReplaced)
{
    // A table of its own: the library's lists stay as they are for the other tests.
    TfrxResources Own;
    TfrxResources *Res = &Own;
    TCustomImageList *Main = Res->GetMainButtonImages();
    TCustomImageList *Disabled = Res->GetDisabledButtonImages();
    TCustomImageList *Objects = Res->GetObjectImages();
    EXPECT_EQ(Main->Count(), 10);
    EXPECT_EQ(Disabled->Count(), Main->Count());
    EXPECT_EQ(Objects->Count(), 10);
    EXPECT_EQ(Objects->Width(), 22);
    EXPECT_EQ(Objects->Height(), 22);
    EXPECT_EQ(Main->Height(), 16);
    EXPECT_EQ(Res->GetMainButtonImages(), Main) << "made once";

    TBitmap Strip;
    Strip.SetPixelFormat(pf24bit);
    Strip.SetSize(3 * 22, 22);
    Res->SetObjectImages(&Strip, true);
    EXPECT_EQ(Objects->Count(), 3);
    Strip.SetSize(2 * 16, 16);
    Res->SetButtonImages(&Strip);
    EXPECT_EQ(Main->Count(), 12) << "added to what was there";
    EXPECT_EQ(Disabled->Count(), 12);
    Res->SetButtonImages(&Strip, true);
    EXPECT_EQ(Main->Count(), 2);
    const int Preview = Res->GetPreviewButtonImages()->Count();
    Res->SetPreviewButtonImages(&Strip);
    EXPECT_EQ(Res->GetPreviewButtonImages()->Count(), Preview + 2);
}

TEST(Resources, HelpOpensTheFormsPageOnlyThroughAHelpEngine)
{
    TfrxResources *Res = frxResources();
    TComponent Page(nullptr);
    ASSERT_FALSE(frxHtmlHelpEngine());
    EXPECT_NO_THROW(Res->Help(&Page)) << "no help engine: nothing happens";

    std::vector<AnsiString> Topics;
    frxHtmlHelpEngine() = [&](HWND, const AnsiString &Topic) { Topics.push_back(Topic); };
    TfrxDialogPage Dialog(nullptr);
    Res->Help(&Dialog);
    Res->Help(&Page);
    Res->Help(nullptr);
    frxHtmlHelpEngine() = nullptr;
    EXPECT_EQ(Topics, (std::vector<AnsiString>{"ZADado.rav::/Dialogue forms/Dialogue forms.htm",
                                               "ZADado.rav", "ZADado.rav"}));
}

// A language file changes every message the library shows, those of its failures too.
TEST(Resources, TheLibrarysMessagesComeFromTheTable)
{
    MarkedTexts Marked{"clNoEngine",  "clNoPreparedPages", "clNoPreview",  "clUnknownError",
                       "clCyclicRef", "clDuplName",        "clWideBounds", "clRendererBusy"};
    // Built without the output library: no engine, no prepared pages, no preview.
    TfrxReport Report(nullptr);
    Report.EngineOptions()->SetNewSilentMode(simSilent);
    EXPECT_FALSE(Report.PrepareReport());
    EXPECT_TRUE(Holds(Report.Errors()->Text(), "clNoEngine")) << Report.Errors()->Text().ToUtf8();
    EXPECT_TRUE(Holds(MessageOf([&] { Report.Print(); }), "clNoPreparedPages"));
    EXPECT_TRUE(Holds(MessageOf([&] { Report.Export(nullptr); }), "clNoPreparedPages"));
    EXPECT_TRUE(Holds(MessageOf([&] { Report.ShowPreparedReport(); }), "clNoPreview"));

    Report.OnBeginDoc = [](TObject *) { throw 42; };
    EXPECT_FALSE(Report.PrepareReport());
    EXPECT_EQ(Report.Errors()->Text(), MarkedTexts::Mark("clUnknownError") + "\r\n");
    Report.OnBeginDoc = nullptr;

    auto *Memo = new TfrxMemoView(new TfrxMasterData(new TfrxReportPage(&Report)));
    Report.Variables()->Set("a", AnsiString("b"));
    Report.Variables()->Set("b", AnsiString("a"));
    Memo->SetText(u"[a]");
    ASSERT_TRUE(Report.PrepareScript()) << Report.Errors()->Text().ToUtf8();
    Memo->BeforePrint();
    const AnsiString Cyclic = MessageOf([&] { Memo->GetData(); });
    EXPECT_TRUE(Holds(Cyclic, "clCyclicRef")) << Cyclic.ToUtf8();
    Memo->AfterPrint();

    Report.Styles()->Add()->SetName("Red");
    TfrxStyleItem *Other = Report.Styles()->Add();
    EXPECT_EQ(MessageOf([&] { Other->SetName("RED"); }), MarkedTexts::Mark("clDuplName"));

    TWideStrings Lines;
    EXPECT_EQ(MessageOf([&] { Lines.Insert(1, u"far"); }), MarkedTexts::Mark("clWideBounds"));

    TfrxDrawText Renderer;
    TfrxDrawTextLock Held(&Renderer);
    EXPECT_EQ(MessageOf([&] { Renderer.Lock(); }), MarkedTexts::Mark("clRendererBusy"));
}
