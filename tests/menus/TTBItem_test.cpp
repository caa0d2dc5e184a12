#include "tests/menus/MenuTestSupport.h"

#include "menus/TB2Consts.h"
#include "menus/TTBItemViewer.h"
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
    auto *Sub = new TTBSubmenuItem(Menu.get());
    Sub->SetCaption("Sub");
    Root()->Add(Sub);
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

} // namespace
