#include "tests/menus/MenuTestSupport.h"

#include "menus/TB2Consts.h"
#include "menus/TTBItemViewer.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/Forms.h"

using namespace menutest;

namespace
{

class ItemTest : public MenuTest
{
protected:
    TTBCustomItem *Root() { return Menu->Items(); }
};

TEST_F(ItemTest, IndexErrorsAndReinsertionLeaveTheTreeAsItWas)
{
    TTBItem *A = AddItem(Root(), "A");
    AddItem(Root(), "B");
    AddItem(Root(), "C");
    try {
        Root()->GetItem(-1);
        FAIL();
    } catch (const ETBItemError &E) {
        EXPECT_EQ(E.Message(), STBToolbarIndexOutOfBounds);
    }
    try {
        Root()->Insert(0, A);
        FAIL();
    } catch (const ETBItemError &E) {
        EXPECT_EQ(E.Message(), STBToolbarItemReinserted);
    }
    EXPECT_EQ(Root()->Count(), 3);
    Root()->Move(2, 2);
    EXPECT_EQ(Root()->Items(2)->Caption(), "C");
    Root()->Move(0, 2);
    EXPECT_EQ(Root()->Items(2), A);
    EXPECT_TRUE(Root()->ContainsItem(A));
    EXPECT_FALSE(A->ContainsItem(Root()));
}

TEST_F(ItemTest, FailedMoveLeavesViewsAbleToLayOut)
{
    AddItem(Root(), "A");
    AddItem(Root(), "B");
    int Batches = 0;
    Root()->RegisterNotification(
        this, [&](TTBCustomItem *, bool, TTBItemChangedAction Action, int, TTBCustomItem *) {
            if (Action == tbicSubitemsBeginUpdate) ++Batches;
            if (Action == tbicSubitemsEndUpdate) --Batches;
        });
    EXPECT_THROW(Root()->Move(0, 5), ETBItemError);
    EXPECT_THROW(Root()->Move(7, 0), ETBItemError);
    EXPECT_EQ(Batches, 0);
    // A handler that raises in the middle of an insertion still closes the batch.
    Root()->RegisterNotification(
        &Batches, [](TTBCustomItem *, bool, TTBItemChangedAction Action, int, TTBCustomItem *) {
            if (Action == tbicInserted) throw Exception("view failed");
        });
    EXPECT_THROW(AddItem(Root(), "C"), Exception);
    EXPECT_EQ(Batches, 0);
    Root()->UnregisterNotification(&Batches);
    Root()->UnregisterNotification(this);
}

TEST_F(ItemTest, HandlerThatUnregistersItselfDuringNotifyIsSafe)
{
    int Calls = 0, Others = 0;
    Root()->RegisterNotification(
        &Calls, [&](TTBCustomItem *, bool, TTBItemChangedAction, int, TTBCustomItem *) {
            ++Calls;
            Root()->UnregisterNotification(&Calls);
        });
    Root()->RegisterNotification(&Others, [&](TTBCustomItem *, bool, TTBItemChangedAction, int,
                                              TTBCustomItem *) { ++Others; });
    Root()->Notify(Root(), tbicInvalidate, 0, nullptr);
    Root()->Notify(Root(), tbicInvalidate, 0, nullptr);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Others, 2);
    Root()->UnregisterNotification(&Others);
    // The last handler leaving during its own call.
    Root()->RegisterNotification(
        &Calls, [&](TTBCustomItem *, bool, TTBItemChangedAction, int, TTBCustomItem *) {
            ++Calls;
            Root()->UnregisterNotification(&Calls);
        });
    Root()->Notify(Root(), tbicInvalidate, 0, nullptr);
    EXPECT_EQ(Calls, 2);
}

TEST_F(ItemTest, RadioGroupsAndOptionFixes)
{
    TTBItem *A = AddItem(Root(), "A"), *B = AddItem(Root(), "B"), *C = AddItem(Root(), "C");
    TTBItem *Free = AddItem(Root(), "Free");
    A->SetGroupIndex(3);
    B->SetGroupIndex(3);
    C->SetGroupIndex(4);
    B->SetChecked(true);
    C->SetChecked(true);
    Free->SetChecked(true);
    A->SetChecked(true);
    EXPECT_FALSE(B->Checked());
    EXPECT_TRUE(C->Checked());
    EXPECT_TRUE(Free->Checked());
    TTBItem *Zero = AddItem(Root(), "Zero");
    Zero->SetChecked(true);
    EXPECT_TRUE(Free->Checked());
    A->SetOptions({tboToolbarSize});
    EXPECT_TRUE(A->Options().Empty());
    Root()->SetOptions({tboShowHint, tboDefault});
    EXPECT_TRUE(A->EffectiveOptions() == TTBItemOptions{tboShowHint});
}

TEST_F(ItemTest, ChangingOnlyHintOptionsDoesNotResizeViews)
{
    TTBItem *A = AddItem(Root(), "A");
    int Resizes = 0;
    Root()->RegisterNotification(
        this, [&](TTBCustomItem *, bool, TTBItemChangedAction Action, int, TTBCustomItem *) {
            if (Action == tbicInvalidateAndResize) ++Resizes;
        });
    Root()->SetOptions({tboShowHint});
    EXPECT_EQ(Resizes, 0);
    A->SetCaption("Longer");
    EXPECT_EQ(Resizes, 1);
    Root()->UnregisterNotification(this);
}

TEST_F(ItemTest, ShortCutTextAndHints)
{
    TTBItem *A = AddItem(Root(), "Копировать\tCtrl+C");
    EXPECT_EQ(A->GetShortCutText(), "Ctrl+C");
    TTBItem *B = AddItem(Root(), "Paste");
    B->SetShortCut(ShortCut('V', TShiftState{ssCtrl}));
    EXPECT_EQ(B->GetShortCutText(), ShortCutToText(B->ShortCut()));
    B->SetHint("Short|Long one");
    EXPECT_EQ(B->GetHintText(), "Short");
    EXPECT_EQ(B->GetLongHint(), "Long one");
}

TEST_F(ItemTest, ShortCutInSubmenuRunsPopupsFirstAndDisabledParentBlocks)
{
    TTBSubmenuItem *Sub = AddSubmenu(Root(), "Sub");
    TTBItem *Deep = AddItem(Sub, "Deep");
    Deep->SetShortCut(ShortCut('D', TShiftState{ssCtrl}));
    std::vector<AnsiString> Order;
    Sub->OnPopup = [&](TTBCustomItem *, bool) { Order.push_back("popup"); };
    Deep->OnClick = [&](TObject *) { Order.push_back("click"); };
    EXPECT_TRUE(Root()->IsShortCut('D', TShiftState{ssCtrl}));
    EXPECT_EQ(Order, (std::vector<AnsiString>{"popup", "click"}));
    Sub->SetEnabled(false);
    Order.clear();
    EXPECT_FALSE(Root()->IsShortCut('D', TShiftState{ssCtrl}));
    EXPECT_TRUE(Order.empty());
    EXPECT_FALSE(Root()->IsShortCut('X', TShiftState{ssCtrl}));
}

TEST_F(ItemTest, ShortCutThatKeepsMovingGivesUp)
{
    TTBItem *Deep = AddItem(Root(), "Deep");
    Deep->SetShortCut(ShortCut('M', TShiftState{ssCtrl}));
    // Every submenu's popup moves the item on into a fresh submenu, so the search
    // never finds it where it looked: it must give up rather than loop for ever.
    TTBPopupEvent MoveOn = [&](TTBCustomItem *, bool) {
        auto *Next = new TTBSubmenuItem(Menu.get());
        Next->OnPopup = MoveOn;
        Root()->Add(Next);
        Deep->Parent()->Remove(Deep);
        Next->Add(Deep);
    };
    MoveOn(nullptr, false);
    int DeepClicks = 0;
    Deep->OnClick = [&](TObject *) { ++DeepClicks; };
    EXPECT_FALSE(Root()->IsShortCut('M', TShiftState{ssCtrl}));
    EXPECT_EQ(DeepClicks, 0);
}

TEST_F(ItemTest, PendingClickIsReplacedAndForgottenWithItsItem)
{
    TTBItem *A = AddItem(Root(), "A");
    TTBItem *B = AddItem(Root(), "B");
    ExecuteDoneAction({tbdaClickItem, A, false});
    ExecuteDoneAction({tbdaClickItem, B, false});
    EXPECT_EQ(PendingClickItem(), B);
    vcltest::Pump();
    EXPECT_EQ(Clicks, (std::vector<AnsiString>{"B"}));
    ExecuteDoneAction({tbdaClickItem, A, false});
    delete A;
    EXPECT_EQ(PendingClickItem(), nullptr);
    vcltest::Pump();
    EXPECT_EQ(Clicks.size(), 1u);
}

TEST_F(ItemTest, ExceptionInClickReachesTheApplicationAndMenusStillOpen)
{
    TTBItem *Bad = AddItem(Root(), "Bad");
    Bad->OnClick = [](TObject *) { throw Exception("broken handler"); };
    AnsiString Caught;
    Application->OnException = [&](TObject *, Exception &E) { Caught = E.Message(); };
    ExecuteDoneAction({tbdaClickItem, Bad, false});
    vcltest::Pump();
    Application->OnException = nullptr;
    EXPECT_EQ(Caught, "broken handler");
    EXPECT_EQ(PendingClickItem(), nullptr);
    bool Opened = false;
    MenuScript Script;
    Script.Do([&] {
        Opened = true;
        Press(VK_ESCAPE);
    });
    Menu->Popup(100, 100);
    EXPECT_TRUE(Opened);
}

TEST_F(ItemTest, ViewsFollowInsertionsAndDeletions)
{
    AddItem(Root(), "A");
    TTBItem *C = AddItem(Root(), "C");
    std::vector<AnsiString> Shown;
    MenuScript Script;
    Script.Do([&] {
        auto *B = new TTBItem(Menu.get());
        B->SetCaption("B");
        Root()->Insert(1, B);
        delete C;
        TTBView *View = OpenPopups().front()->View();
        for (int I = 0; I < View->ViewerCount(); ++I)
            Shown.push_back(View->Viewers(I)->Item()->Caption());
        Press(VK_ESCAPE);
    });
    Menu->Popup(100, 100);
    EXPECT_EQ(Shown, (std::vector<AnsiString>{"A", "B"}));
}

// ---- actions -------------------------------------------------------------------------------

// An action still being read with the form that holds it.
class ReadingAction : public TAction
{
public:
    using TAction::TAction;
    void SetReading(bool On) { SetComponentStateFlag(csLoading, On); }
};

class ItemActionTest : public ItemTest
{
protected:
    void SetUp() override
    {
        ItemTest::SetUp();
        List = std::make_unique<TActionList>(nullptr);
        Open = new ReadingAction(List.get());
        Open->SetActionList(List.get());
        Open->SetCaption("&Open");
        Open->SetHint("Open|Opens a key file");
        Open->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
        Open->SetOnExecute([this](TObject *Sender) {
            Runs.push_back(Sender == Open ? "action" : "other");
            if (Sender == Open) RunFor = Open->ActionComponent();
        });
    }
    void TearDown() override
    {
        List.reset();
        ItemTest::TearDown();
    }
    // Clicks the item with that caption in the open popup.
    static void ChooseInPopup(const AnsiString &Caption)
    {
        TTBPopupWindow *Popup = OpenPopups().front();
        TTBView *View = Popup->View();
        for (int I = 0; I < View->ViewerCount(); ++I)
            if (View->Viewers(I)->Item()->Caption() == Caption) {
                const TRect Row = View->Viewers(I)->BoundsRect();
                const TPoint At = Popup->ClientToScreen(TPoint(Row.Left + 30, Row.Top + 5));
                LeftClick(At.X, At.Y);
            }
    }
    std::unique_ptr<TActionList> List;
    ReadingAction *Open = nullptr;
    std::vector<AnsiString> Runs;
    TComponent *RunFor = nullptr;
};

TEST_F(ItemActionTest, ActionPropertiesReachTheItemAndFollowLaterChanges)
{
    TTBItem *Item = AddItem(Root(), "Item");
    Open->SetChecked(true);
    Open->SetEnabled(false);
    Open->SetImageIndex(2);
    Open->SetHelpContext(7);
    Item->SetAction(Open);
    EXPECT_EQ(Item->Action(), Open);
    EXPECT_EQ(Item->Caption(), "&Open");
    EXPECT_TRUE(Item->Checked());
    EXPECT_FALSE(Item->Enabled());
    EXPECT_EQ(Item->Hint(), "Open|Opens a key file");
    EXPECT_EQ(Item->ShortCut(), ShortCut('O', TShiftState{ssCtrl}));
    EXPECT_EQ(Item->ImageIndex(), 2);
    EXPECT_EQ(Item->HelpContext(), 7);

    int Resizes = 0;
    Root()->RegisterNotification(
        this, [&](TTBCustomItem *, bool, TTBItemChangedAction Action, int, TTBCustomItem *) {
            if (Action == tbicInvalidateAndResize) ++Resizes;
        });
    Open->SetCaption("&Open...");
    Open->SetEnabled(true);
    Open->SetChecked(false);
    Open->SetHint("Open a file");
    Open->SetShortCut(ShortCut(VK_F3, TShiftState{}));
    Open->SetVisible(false);
    Root()->UnregisterNotification(this);
    EXPECT_EQ(Item->Caption(), "&Open...");
    EXPECT_TRUE(Item->Enabled());
    EXPECT_FALSE(Item->Checked());
    EXPECT_EQ(Item->Hint(), "Open a file");
    EXPECT_EQ(Item->ShortCut(), ShortCut(VK_F3, TShiftState{}));
    EXPECT_FALSE(Item->Visible());
    // The views heard that the item's size changed.
    EXPECT_GT(Resizes, 0);
}

TEST_F(ItemActionTest, OwnValuesAreKeptWhenTheActionIsAssignedWhileBeingRead)
{
    TTBItem *Item = AddItem(Root(), "Mine");
    Item->SetEnabled(false);
    Open->SetReading(true);
    Item->SetAction(Open);
    Open->SetReading(false);
    EXPECT_EQ(Item->Caption(), "Mine");
    EXPECT_FALSE(Item->Enabled());
    // Values still at their defaults come from the action.
    EXPECT_EQ(Item->Hint(), "Open|Opens a key file");
    EXPECT_EQ(Item->ShortCut(), ShortCut('O', TShiftState{ssCtrl}));
    // The item's own handler was kept too, and runs in place of the action.
    Item->SetEnabled(true);
    Item->Click();
    EXPECT_EQ(Clicks, std::vector<AnsiString>{"Mine"});
    EXPECT_TRUE(Runs.empty());
    // Its own values and handler go into a stream; the ones the action supplies do not.
    EXPECT_TRUE(IsStoredProp(Item, "Caption"));
    EXPECT_TRUE(IsStoredProp(Item, "OnClick"));
    EXPECT_FALSE(IsStoredProp(Item, "Hint"));
    EXPECT_FALSE(IsStoredProp(Item, "ShortCut"));
}

TEST_F(ItemActionTest, ChoosingTheItemInAPopupMenuRunsTheActionForIt)
{
    TTBItem *Item = AddItem(Root(), "Item");
    Item->SetAction(Open);
    Open->SetAutoCheck(true);
    MenuScript Script;
    Script.Do([] { ChooseInPopup("&Open"); });
    Menu->Popup(100, 100);
    vcltest::Pump();
    EXPECT_TRUE(Script.Done());
    EXPECT_EQ(Runs, std::vector<AnsiString>{"action"});
    EXPECT_EQ(RunFor, Item);
    EXPECT_EQ(Open->ActionComponent(), nullptr);
    EXPECT_TRUE(Clicks.empty());
    // The action checked itself once and the item followed; the item did not toggle again.
    EXPECT_TRUE(Open->Checked());
    EXPECT_TRUE(Item->Checked());
}

TEST_F(ItemActionTest, OpeningTheMenuOrPressingTheShortCutUpdatesTheActionFirst)
{
    TTBItem *Item = AddItem(Root(), "Item");
    Item->SetAction(Open);
    bool Allowed = false;
    int Updates = 0;
    Open->OnUpdate = [&](TObject *) {
        ++Updates;
        Open->SetEnabled(Allowed);
    };
    bool ShownDisabled = false;
    MenuScript Script;
    Script.Do([&] {
        ShownDisabled = !OpenPopups().front()->View()->Viewers(0)->Item()->Enabled();
        ChooseInPopup("&Open");
    });
    Script.Do([] { Press(VK_ESCAPE); });
    Menu->Popup(100, 100);
    vcltest::Pump();
    EXPECT_TRUE(ShownDisabled);
    EXPECT_GT(Updates, 0);
    EXPECT_TRUE(Runs.empty());

    EXPECT_FALSE(Root()->IsShortCut('O', TShiftState{ssCtrl}));
    EXPECT_TRUE(Runs.empty());
    Allowed = true;
    EXPECT_TRUE(Root()->IsShortCut('O', TShiftState{ssCtrl}));
    EXPECT_EQ(Runs, std::vector<AnsiString>{"action"});
}

TEST_F(ItemActionTest, FreedActionClearsTheItemsActionWhoeverOwnsIt)
{
    TTBItem *Item = AddItem(Root(), "Item");
    Item->SetAction(Open);
    List.reset();
    Open = nullptr;
    EXPECT_EQ(Item->Action(), nullptr);
    EXPECT_TRUE(IsStoredProp(Item, "Caption"));
    // The handler it took from the action stays the item's own.
    Item->Click();
    EXPECT_EQ(Runs, std::vector<AnsiString>{"other"});

    // An action owned with the item: the owner tells its other components.
    auto *Sibling = new TAction(Menu.get());
    Sibling->SetCaption("Sibling");
    Item->SetAction(Sibling);
    delete Sibling;
    EXPECT_EQ(Item->Action(), nullptr);
    EXPECT_EQ(Item->Caption(), "Sibling");
    Item->SetCaption("After");
    EXPECT_EQ(Item->Caption(), "After");
}

TEST_F(ItemActionTest, ItemMayDropItsActionWhileHearingOfItsChange)
{
    TTBItem *Item = AddItem(Root(), "Item");
    Item->SetAction(Open);
    Root()->RegisterNotification(this, [&](TTBCustomItem *, bool, TTBItemChangedAction, int,
                                           TTBCustomItem *) { Item->SetAction(nullptr); });
    Open->SetImageIndex(4);
    Root()->UnregisterNotification(this);
    EXPECT_EQ(Item->Action(), nullptr);
    EXPECT_EQ(Item->ImageIndex(), 4);
    Open->SetCaption("Gone");
    EXPECT_EQ(Item->Caption(), "&Open");
}

TEST_F(ItemActionTest, HintAddsTheActionsShortCutWhenHintShortCutsAreOn)
{
    TTBItem *Item = AddItem(Root(), "Item");
    Item->SetAction(Open);
    ASSERT_TRUE(Application->HintShortCuts());
    EXPECT_EQ(Item->GetHintText(), "Open (Ctrl+O)");
    EXPECT_EQ(Item->GetLongHint(), "Opens a key file");
    Application->SetHintShortCuts(false);
    EXPECT_EQ(Item->GetHintText(), "Open");
    Application->SetHintShortCuts(true);
    // The action's hint handler may rewrite the hint or refuse the shortcut.
    Open->OnHint = [](AnsiString &HintStr, bool &CanShow) {
        HintStr = "Open a key";
        CanShow = true;
    };
    EXPECT_EQ(Item->GetHintText(), "Open a key (Ctrl+O)");
    Open->OnHint = [](AnsiString &, bool &CanShow) { CanShow = false; };
    EXPECT_EQ(Item->GetHintText(), "Open");
    Open->OnHint = nullptr;
    Open->SetShortCut(0);
    EXPECT_EQ(Item->GetHintText(), "Open");
    // Without a short hint there is nothing to add a shortcut to.
    Open->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
    Open->SetHint("|Only a long hint");
    EXPECT_EQ(Item->GetHintText(), "");
}

} // namespace
