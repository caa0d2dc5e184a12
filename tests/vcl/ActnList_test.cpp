// Actions and their lists: who gets to run and update an action, how a linked
// client hears of changes, how lists stream their actions, and the idle
// application asking the visible controls of its usable forms to update theirs.

#include "tests/vcl/VclTestSupport.h"

#include "platform/rtl/ClassesFiler.h"
#include "platform/rtl/ClassesStreams.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/ExtCtrls.h"

#include <functional>
#include <memory>
#include <vector>

using namespace vcltest;

namespace
{

// A client that follows the caption and the handler of its action.
class CaptionLink : public TActionLink
{
public:
    AnsiString Caption;
    TNotifyEvent OnClick;
    int Changes = 0;

    CaptionLink()
    {
        OnChange = [this](TObject *) { ++Changes; };
    }
    bool IsCaptionLinked() const override
    {
        return TActionLink::IsCaptionLinked() && Caption == CustomAction()->Caption();
    }
    void SetCaption(const AnsiString &Value) override
    {
        if (IsCaptionLinked()) Caption = Value;
    }
    bool IsOnExecuteLinked() const override
    {
        return Action() && vcl::SameEvent(OnClick, Action()->OnExecute());
    }
    void SetOnExecute(const TNotifyEvent &Value) override
    {
        if (IsOnExecuteLinked()) OnClick = Value;
    }
};

TEST(ActionTest, ListSeesExecuteAndUpdateFirstAndMayHandleThem)
{
    TActionList List(nullptr);
    auto *Open = new TAction(&List);
    Open->SetActionList(&List);
    std::vector<AnsiString> Calls;
    Open->SetOnExecute([&](TObject *) { Calls.push_back("action runs"); });
    Open->OnUpdate = [&](TObject *) { Calls.push_back("action updates"); };
    bool ListHandles = true;
    List.OnExecute = [&](TBasicAction *Action, bool &Handled) {
        Calls.push_back(Action == Open ? "list runs" : "list runs another");
        Handled = ListHandles;
    };
    List.OnUpdate = [&](TBasicAction *, bool &Handled) {
        Calls.push_back("list updates");
        Handled = ListHandles;
    };

    EXPECT_TRUE(Open->Update());
    EXPECT_TRUE(Open->Execute());
    EXPECT_EQ(Calls, (std::vector<AnsiString>{"list updates", "list updates", "list runs"}));
    Calls.clear();
    ListHandles = false;
    EXPECT_TRUE(Open->Execute());
    EXPECT_EQ(Calls, (std::vector<AnsiString>{"list updates", "action updates", "list runs",
                                              "action runs"}));
}

TEST(ActionTest, DisabledActionDoesNotRunAndAutoCheckTogglesBeforeTheHandler)
{
    TAction Mute(nullptr);
    bool CheckedWhenRun = false;
    int Runs = 0;
    Mute.SetOnExecute([&](TObject *) {
        ++Runs;
        CheckedWhenRun = Mute.Checked();
    });
    Mute.SetAutoCheck(true);
    Mute.OnUpdate = [&](TObject *) { Mute.SetEnabled(Runs == 0); };

    EXPECT_TRUE(Mute.Execute());
    EXPECT_TRUE(CheckedWhenRun);
    // The update before the second run disables the action: it neither runs nor toggles.
    EXPECT_FALSE(Mute.Execute());
    EXPECT_EQ(Runs, 1);
    EXPECT_TRUE(Mute.Checked());
}

TEST(ActionTest, LinkedClientFollowsOnlyWhileItsValueIsTheActions)
{
    TAction Open(nullptr);
    Open.SetCaption("Open");
    CaptionLink Link;
    Link.Caption = "Open";
    Link.SetAction(&Open);

    Open.SetCaption("Open...");
    EXPECT_EQ(Link.Caption, "Open...");
    EXPECT_EQ(Link.Changes, 1);
    Link.Caption = "Mine";
    Open.SetCaption("Open file");
    EXPECT_EQ(Link.Caption, "Mine");
    // Setting a value the action already has tells nobody.
    Open.SetCaption("Open file");
    EXPECT_EQ(Link.Changes, 2);

    // A client without a handler takes the action's, and later the one replacing it.
    int Ran = 0;
    Open.SetOnExecute([&](TObject *) { ++Ran; });
    ASSERT_TRUE(Link.OnClick);
    EXPECT_TRUE(Link.IsOnExecuteLinked());
    Open.SetOnExecute([&](TObject *) { Ran += 10; });
    Link.OnClick(nullptr);
    EXPECT_EQ(Ran, 10);
    // A client with a handler of its own keeps it.
    Link.OnClick = [&](TObject *) { Ran += 100; };
    EXPECT_FALSE(Link.IsOnExecuteLinked());
    Open.SetOnExecute(nullptr);
    Link.OnClick(nullptr);
    EXPECT_EQ(Ran, 110);
}

TEST(ActionTest, FreedActionLeavesItsLinksEmptyAndFreedLinkLeavesItsAction)
{
    auto Open = std::make_unique<TAction>(nullptr);
    CaptionLink Kept;
    Kept.SetAction(Open.get());
    {
        CaptionLink Gone;
        Gone.SetAction(Open.get());
    }
    // The link freed above no longer hears of changes.
    Open->SetCaption("Open");
    EXPECT_EQ(Kept.Changes, 1);
    Open.reset();
    EXPECT_EQ(Kept.Action(), nullptr);
    EXPECT_FALSE(Kept.Update());
    EXPECT_FALSE(Kept.Execute());
}

TEST(ActionTest, ListFreesItsActionsAndFreedActionLeavesTheList)
{
    auto List = std::make_unique<TActionList>(nullptr);
    TComponent Owner(nullptr);
    auto *Open = new TAction(&Owner);
    auto *Save = new TAction(&Owner);
    Open->SetActionList(List.get());
    Save->SetActionList(List.get());
    ASSERT_EQ(List->ActionCount(), 2);
    EXPECT_EQ(Save->Index(), 1);
    delete Open;
    ASSERT_EQ(List->ActionCount(), 1);
    EXPECT_EQ(List->Actions(0), Save);
    List.reset();
    EXPECT_EQ(Owner.ComponentCount(), 0);
}

TEST(ActionTest, ListStreamsTheActionsItsOwnerHoldsAndReadsThemBack)
{
    RegisterActionClasses();
    TActionList List(nullptr);
    List.SetName("Actions");
    auto *Open = new TAction(&List);
    Open->SetName("OpenAction");
    Open->SetCaption("&Open");
    Open->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
    Open->SetActionList(&List);
    auto *Save = new TAction(&List);
    Save->SetName("SaveAction");
    Save->SetEnabled(false);
    Save->SetActionList(&List);
    List.SetChildOrder(Save, 0);

    TMemoryStream Stream;
    TWriter(&Stream).WriteRootComponent(&List);
    Stream.SetPosition(0);
    TActionList Copy(nullptr);
    TReader(&Stream).ReadRootComponent(&Copy);

    ASSERT_EQ(Copy.ActionCount(), 2);
    auto *CopySave = dynamic_cast<TAction *>(Copy.Actions(0));
    auto *CopyOpen = dynamic_cast<TAction *>(Copy.Actions(1));
    ASSERT_TRUE(CopySave && CopyOpen);
    EXPECT_EQ(CopyOpen->Name(), "OpenAction");
    EXPECT_EQ(CopyOpen->Owner(), &Copy);
    EXPECT_EQ(CopyOpen->Caption(), "&Open");
    EXPECT_EQ(CopyOpen->ShortCut(), ShortCut('O', TShiftState{ssCtrl}));
    EXPECT_TRUE(CopyOpen->Enabled());
    EXPECT_FALSE(CopySave->Enabled());
    EXPECT_EQ(CopySave->GetParentComponent(), &Copy);
}

TEST(ActionTest, HintHandlerMayRewriteOrRefuseTheHint)
{
    TAction Open(nullptr);
    AnsiString Hint = "Open";
    EXPECT_TRUE(Open.DoHint(Hint));
    Open.OnHint = [](AnsiString &HintStr, bool &CanShow) {
        HintStr += "!";
        CanShow = HintStr.Length() < 6;
    };
    EXPECT_TRUE(Open.DoHint(Hint));
    EXPECT_EQ(Hint, "Open!");
    EXPECT_FALSE(Open.DoHint(Hint));
}

// A control that notes each time it is asked to update its action.
class TNoting : public TGraphicControl
{
public:
    TNoting(TWinControl *Parent, const char *Name, std::vector<AnsiString> &Log)
        : TGraphicControl(Parent), FLog(Log)
    {
        SetName(Name);
        SetParent(Parent);
        SetBounds(0, 0, 10, 10);
    }
    void InitiateAction() override
    {
        FLog.push_back(Name());
        if (OnInitiate) OnInitiate();
    }
    std::function<void()> OnInitiate;

private:
    std::vector<AnsiString> &FLog;
};

class IdleActionsTest : public VclTest
{
protected:
    // Runs the application's loop until Done holds; a thread timer keeps it from sleeping.
    static void IdleUntil(const std::function<bool()> &Done)
    {
        const UINT_PTR Timer = SetTimer({}, 0, 10, nullptr);
        for (int I = 0; I < 200 && !Done(); ++I)
            Application->HandleMessage();
        KillTimer({}, Timer);
    }
};

TEST_F(IdleActionsTest, IdleReachesVisibleControlsOfUsableFormsOnly)
{
    TForm *Main = ShownForm();
    std::vector<AnsiString> Log;
    new TNoting(Main, "OnForm", Log);
    auto *Panel = new TPanel(Main);
    Panel->SetParent(Main);
    Panel->SetBounds(20, 20, 100, 100);
    new TNoting(Panel, "InPanel", Log);
    auto *Hidden = new TPanel(Main);
    Hidden->SetParent(Main);
    Hidden->SetVisible(false);
    new TNoting(Hidden, "InHiddenPanel", Log);
    (new TNoting(Main, "HiddenOnForm", Log))->SetVisible(false);
    TForm Unshown(nullptr);
    new TNoting(&Unshown, "OnUnshownForm", Log);
    Pump();

    IdleUntil([&] { return !Log.empty(); });
    ASSERT_GE(Log.size(), 2u);
    EXPECT_EQ(std::vector<AnsiString>(Log.begin(), Log.begin() + 2),
              (std::vector<AnsiString>{"OnForm", "InPanel"}));
    for (const AnsiString &Name : Log)
        EXPECT_TRUE(Name == "OnForm" || Name == "InPanel") << Name.c_str();

    // While a modal form runs, the form under it offers nothing.
    TForm Dialog(nullptr);
    Dialog.SetBounds(100, 100, 200, 120);
    auto *InDialog = new TNoting(&Dialog, "InDialog", Log);
    InDialog->OnInitiate = [&] { Dialog.SetModalResult(mrOk); };
    Log.clear();
    const UINT_PTR Timer = SetTimer({}, 0, 10, nullptr);
    Dialog.ShowModal();
    KillTimer({}, Timer);
    EXPECT_EQ(Log, std::vector<AnsiString>{"InDialog"});
}

} // namespace
