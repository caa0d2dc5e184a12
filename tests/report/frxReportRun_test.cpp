// A report's run as the host sees it when something goes wrong, the hooks an
// add-on for older templates can set, the database bases, and the process-wide
// list of data sets.

#include "report/frxClass.h"
#include "tests/report/ReportTestSupport.h"

#include "platform/vcl/Forms.h"
#include "script/fs_iinterpreter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace
{

// A silent report with an engine of its own, a page, a band and a memo "Memo1".
struct RunReport {
    RunReport()
    {
        frxSetOutputFactories([](TfrxReport *R) { return std::make_unique<IdleEngine>(R); }, {});
        Report = std::make_unique<TfrxReport>(nullptr);
        frxSetOutputFactories({}, {});
        Report->EngineOptions()->SetNewSilentMode(simSilent);
        auto *Memo = new TfrxMemoView(AddPageAndBand(*Report));
        Memo->SetName("Memo1");
        Memo->SetText(u"stored");
    }

    IdleEngine *Engine() const { return static_cast<IdleEngine *>(Report->Engine()); }
    TfrxMemoView *Memo() const { return static_cast<TfrxMemoView *>(Report->FindObject("Memo1")); }

    std::unique_ptr<TfrxReport> Report;
};

// Clears the add-on hooks whatever a test left in them.
struct LegacyHooks {
    ~LegacyHooks() { frxLegacyEvents() = TfrxLegacyEvents(); }
    TfrxLegacyEvents &Events = frxLegacyEvents();
};

// ---- the run's guard ----

TEST(ReportRun, AnyExceptionFailsTheRunAndTheTemplateComesBack)
{
    RunReport R;
    R.Report->OnBeginDoc = [&](TObject *) {
        R.Memo()->SetText(u"changed");
        throw std::runtime_error("disk full");
    };
    bool Result = true;
    EXPECT_NO_THROW(Result = R.Report->PrepareReport());
    EXPECT_FALSE(Result);
    EXPECT_EQ(R.Report->Errors()->Text(), "disk full\r\n");
    EXPECT_EQ(R.Memo()->Text(), WideString(u"stored\r\n"));

    R.Report->OnBeginDoc = [](TObject *) { throw 42; };
    EXPECT_NO_THROW(Result = R.Report->PrepareReport());
    EXPECT_FALSE(Result);
    EXPECT_EQ(R.Report->Errors()->Count(), 1) << "a throw without a message is still an error";
}

TEST(ReportRun, AFailedRunClosesThePreviewWindowTheReportOpened)
{
    RunReport R;
    auto *Window = new TForm(nullptr);
    Window->Show();
    R.Report->SetPreviewForm(Window);
    EXPECT_TRUE(R.Report->PrepareReport());
    EXPECT_TRUE(Window->Visible()) << "a run that finishes leaves it open";

    R.Engine()->Finishes = false;
    EXPECT_FALSE(R.Report->PrepareReport());
    EXPECT_FALSE(Window->Visible());

    delete Window;
    EXPECT_EQ(R.Report->PreviewForm(), nullptr) << "the report forgets a window that is gone";
    EXPECT_FALSE(R.Report->PrepareReport());
}

// ---- script preparation ----

TEST(ReportScript, PreparingForgetsTheLastRunsNotificationsAndPictureChanges)
{
    RunReport R;
    auto *Picture = new TfrxPictureView(R.Memo()->Parent());
    Picture->SetName("Picture1");
    TBitmap Bitmap;
    Bitmap.SetSize(4, 4);
    Picture->Picture()->Assign(&Bitmap);
    ASSERT_TRUE(Picture->PictureModified());
    R.Engine()->NotifyTargets()->Add(Picture);

    ASSERT_TRUE(R.Report->PrepareScript());
    EXPECT_FALSE(Picture->PictureModified()) << "the template's picture is not a change";
    EXPECT_EQ(R.Engine()->NotifyTargets()->Count(), 0);
}

// ---- the add-on hooks ----

TEST(ReportLegacyEvents, TheFirstChanceValueAnswersBeforeEveryOtherSource)
{
    LegacyHooks Hooks;
    RunReport R;
    R.Report->OnGetValue = [](const AnsiString &, Variant &Value) { Value = "host"; };
    Hooks.Events.OnGetValue = [](const AnsiString &Name, Variant &Value) {
        if (Name == "Old") Value = "legacy";
    };
    Variant Value;
    ASSERT_TRUE(R.Report->DoGetValue("Old", Value));
    EXPECT_EQ(VarToStr(Value), "legacy");
    ASSERT_TRUE(R.Report->DoGetValue("New", Value));
    EXPECT_EQ(VarToStr(Value), "host") << "an empty answer passes the name on";
}

TEST(ReportLegacyEvents, TheScriptValueHandlerAnswersGetAndHidesScriptVariables)
{
    LegacyHooks Hooks;
    RunReport R;
    R.Report->ScriptText()->SetText("var Local: Integer;\r\nbegin\r\n  Local := 5;\r\nend.");
    ASSERT_TRUE(R.Report->PrepareScript());
    R.Report->Script()->Execute();
    Variant Value;
    ASSERT_TRUE(R.Report->DoGetValue("Local", Value));
    EXPECT_EQ(Value.AsInteger(), 5);

    Variant Asked;
    Hooks.Events.OnGetScriptValue = [&](const Variant &Params, Variant &Answer) {
        Asked = Params.GetElement({0});
        Answer = 7;
    };
    EXPECT_FALSE(R.Report->DoGetValue("Local", Value));
    EXPECT_EQ(R.Report->Calc("Get('Nowhere')").AsInteger(), 7);
    EXPECT_EQ(VarToStr(Asked), "Nowhere");
    EXPECT_EQ(R.Report->Errors()->Count(), 0) << "an answered name is no error";
}

TEST(ReportLegacyEvents, PreparationAndLoadingOfferThemselvesToTheAddOn)
{
    LegacyHooks Hooks;
    RunReport R;
    bool HadGet = false;
    Hooks.Events.OnPrepareScript = [&](TfrxReport *Report) {
        HadGet = Report == R.Report.get() && Report->Script()->FindLocal("Get") != nullptr;
    };
    ASSERT_TRUE(R.Report->PrepareScript());
    EXPECT_TRUE(HadGet) << "called after the built-in functions are there";

    const AnsiString Template = Written([&](TStream *S) { R.Report->SaveToStream(S); });
    TStream *Offered = nullptr;
    Hooks.Events.OnLoad = [&](TfrxReport *, TStream *Stream) {
        Offered = Stream;
        return true;
    };
    TfrxReport Loaded(nullptr);
    TStringStream Stream(Template);
    Loaded.LoadFromStream(&Stream);
    EXPECT_EQ(Offered, &Stream);
    EXPECT_EQ(Loaded.PagesCount(), 0) << "the add-on read it, the report did not";

    Hooks.Events.OnLoad = [](TfrxReport *, TStream *) { return false; };
    Stream.SetPosition(0);
    Loaded.LoadFromStream(&Stream);
    EXPECT_EQ(Loaded.PagesCount(), 1);
}

// ---- databases ----

TEST(ReportDatabases, BeforeConnectAsksTheReportsHost)
{
    RunReport R;
    auto *Database = new TfrxCustomDatabase(R.Report->Pages(0));
    bool Connected = false;
    Database->BeforeConnect(Connected);
    EXPECT_FALSE(Connected) << "no handler, nothing changes";

    TfrxCustomDatabase *Asked = nullptr;
    R.Report->OnBeforeConnect = [&](TfrxCustomDatabase *Sender, bool &Connect) {
        Asked = Sender;
        Connect = true;
    };
    Database->BeforeConnect(Connected);
    EXPECT_EQ(Asked, Database);
    EXPECT_TRUE(Connected);
    EXPECT_FALSE(Database->Connected());
    EXPECT_EQ(Database->Params(), nullptr);
}

// A database data set whose driver knows three fields.
class ThreeFields : public TfrxCustomDBDataSet
{
public:
    using TfrxCustomDBDataSet::TfrxCustomDBDataSet;
    void GetFieldList(TStrings *List) override
    {
        List->Clear();
        for (const char *Name : {"NAME", "PRICE", "NAME", "CODE"})
            Fields()->Add(Name);
        List->Assign(Fields());
    }
};

TEST(ReportDatabases, FieldAliasesTranslateBothWays)
{
    ThreeFields Data(nullptr);
    EXPECT_TRUE(Data.OpenDataSource());
    EXPECT_FALSE(Data.CloseDataSource());
    rtl::SetLines(Data.FieldAliases(), {"NAME=Name of key", "PRICE=Price", "CODE="});
    EXPECT_EQ(Data.ConvertAlias("price"), "PRICE");
    EXPECT_EQ(Data.ConvertAlias("Name of key"), "NAME");
    EXPECT_EQ(Data.ConvertAlias("Unknown"), "Unknown");
    EXPECT_EQ(Data.GetAlias("PRICE"), "Price");
    EXPECT_EQ(Data.GetAlias("CODE"), "");
    EXPECT_EQ(Data.GetAlias("COLOR"), "COLOR");
    EXPECT_EQ(Data.FieldsCount(), 3) << "the field list keeps each name once";
    EXPECT_TRUE(Data.HasField("code"));
}

// ---- the process-wide list ----

TEST(GlobalDataSets, ALockedListHoldsBackDataSetsMadeElsewhere)
{
    TfrxGlobalDataSetList *List = frxGlobalDataSets();
    TfrxUserDataSet Mine(nullptr);
    Mine.SetName("LockedListData");
    std::atomic<bool> Made{false};
    List->Lock();
    const int Before = List->Count();
    EXPECT_EQ(frxFindDataSet(nullptr, "LockedListData", &Mine), &Mine)
        << "the thread that holds the lock still looks names up";
    std::thread Other([&] {
        TfrxUserDataSet Theirs(nullptr);
        Made = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(Made) << "made while the list was locked";
    EXPECT_EQ(List->Count(), Before);
    List->Unlock();
    Other.join();
    EXPECT_TRUE(Made);
    EXPECT_EQ(List->Count(), Before);
}

} // namespace
