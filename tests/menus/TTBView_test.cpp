// Laying items out in a bar: rows that wrap, line separators, the chevron that
// takes over what does not fit, vertical and floating bars, right-aligned tails.

#include "tests/menus/MenuTestSupport.h"

#include "menus/TTBItemViewer.h"
#include "menus/TTBToolbar.h"
#include "menus/TTBView.h"

#include <string>

using namespace menutest;

namespace
{

// A bar's view without a window: items without captions measure 6 x 6 as buttons.
class BarView : public TTBView
{
public:
    BarView(TTBCustomItem *Items, TTBCustomItem *Chevron)
        : TTBView(nullptr, nullptr, Items, nullptr, true, false), FChevron(Chevron)
    {
        RecreateAllViewers();
    }
    TTBCustomItem *GetChevronItem() override { return FChevron; }

private:
    TTBCustomItem *FChevron;
};

struct Result {
    TPoint Base;
    TPoint Total;
    int Lines = 0;
};

class LayoutTest : public MenuTest
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        Chevron = new TTBSubmenuItem(Menu.get());
        View = std::make_unique<BarView>(Menu->Items(), Chevron);
    }
    void TearDown() override
    {
        View.reset();
        MenuTest::TearDown();
    }
    TTBItem *Button() { return AddItem(Menu->Items(), ""); }
    void Buttons(int Count)
    {
        for (int I = 0; I < Count; ++I)
            Button();
    }
    Result Arrange(TTBViewOrientation Orientation, int WrapOffset, int ChevronOffset = 0,
                   int ChevronSize = 12, TPoint LeastSize = TPoint(0, 0))
    {
        Result R;
        R.Total = LeastSize;
        View->CalculatePositions(true, Orientation, WrapOffset, ChevronOffset, ChevronSize, R.Base,
                                 R.Total, R.Lines);
        return R;
    }
    TTBItemViewer *V(int Index) { return View->Viewers(Index); }
    TTBItemViewer *ChevronViewer() { return View->Viewers(View->ViewerCount() - 1); }
    TTBSubmenuItem *Chevron = nullptr;
    std::unique_ptr<BarView> View;
};

TEST_F(LayoutTest, RowWithoutLimitsPlacesButtonsSideBySideAndCentresAcross)
{
    Buttons(3);
    TTBItem *Tall = AddItem(Menu->Items(), "Tall");
    const Result R = Arrange(tbvoHorizontal, 0);
    EXPECT_EQ(R.Lines, 1);
    const int TallHeight = View->Find(Tall)->BoundsRect().Height();
    ASSERT_GT(TallHeight, 6);
    // The short buttons sit in the middle of the row the tall one makes.
    EXPECT_EQ(V(0)->BoundsRect(), Bounds(0, (TallHeight - 6) / 2, 6, 6));
    EXPECT_EQ(V(2)->BoundsRect(), Bounds(12, (TallHeight - 6) / 2, 6, 6));
    EXPECT_EQ(View->Find(Tall)->BoundsRect().Left, 18);
    EXPECT_EQ(R.Base, TPoint(18 + View->Find(Tall)->BoundsRect().Width(), TallHeight));
    EXPECT_EQ(R.Total, R.Base);
    EXPECT_FALSE(ChevronViewer()->Show());
}

TEST_F(LayoutTest, WrapStartsNewLinesAndTheBarTakesTheWrapLength)
{
    Buttons(7);
    const Result R = Arrange(tbvoHorizontal, 20);
    // Three 6-pixel buttons fit into 20, the fourth starts the next line.
    EXPECT_EQ(R.Lines, 3);
    EXPECT_EQ(V(2)->BoundsRect(), Bounds(12, 0, 6, 6));
    EXPECT_EQ(V(3)->BoundsRect(), Bounds(0, 6, 6, 6));
    EXPECT_EQ(V(6)->BoundsRect(), Bounds(0, 12, 6, 6));
    EXPECT_EQ(R.Total, TPoint(20, 18));
}

TEST_F(LayoutTest, SeparatorBeforeAGroupThatDoesNotFitBecomesALineSeparator)
{
    Buttons(2);
    AddSeparator(Menu->Items());
    Buttons(2);
    const Result R = Arrange(tbvoHorizontal, 29);
    // 6 + 6 + separator 6 + the group of 12 after it passes 29: the line breaks at the separator.
    EXPECT_EQ(R.Lines, 2);
    ASSERT_TRUE(V(2)->Show());
    EXPECT_TRUE(V(2)->ViewerState().Contains(tbisLineSep));
    EXPECT_EQ(V(2)->BoundsRect(), TRect(0, 6, 29, 12));
    EXPECT_EQ(V(3)->BoundsRect(), Bounds(0, 12, 6, 6));
    EXPECT_EQ(R.Total, TPoint(29, 18));
    // With room for everything the separator is an ordinary one again.
    Arrange(tbvoHorizontal, 0);
    EXPECT_FALSE(V(2)->ViewerState().Contains(tbisLineSep));
    EXPECT_EQ(V(2)->BoundsRect(), Bounds(12, 0, 6, 6));
}

TEST_F(LayoutTest, ChevronTakesOverWhatDoesNotFitAndStaysInsideTheBar)
{
    Buttons(3);
    AddSeparator(Menu->Items());
    Buttons(4);
    // 8 viewers of 6 pixels make 48; the bar has 46 of which the chevron needs 12.
    const Result R = Arrange(tbvoHorizontal, 0, 46, 12);
    for (int I = 0; I < 3; ++I) {
        EXPECT_TRUE(V(I)->Show()) << I;
        EXPECT_FALSE(V(I)->OffEdge()) << I;
    }
    EXPECT_TRUE(V(3)->Show());
    EXPECT_TRUE(V(4)->Show());
    for (int I = 5; I < 8; ++I) {
        EXPECT_FALSE(V(I)->Show()) << I;
        EXPECT_TRUE(V(I)->OffEdge()) << I;
    }
    EXPECT_TRUE(Chevron->Enabled());
    ASSERT_TRUE(ChevronViewer()->Show());
    EXPECT_EQ(ChevronViewer()->BoundsRect(), TRect(34, 0, 46, 6));
    EXPECT_EQ(R.Total.X, 46);
    // The base size stays what the items would need.
    EXPECT_EQ(R.Base.X, 48);
}

TEST_F(LayoutTest, ChevronDropsATrailingSeparatorBeforeAnyItem)
{
    Buttons(3);
    AddSeparator(Menu->Items());
    Buttons(1);
    // 30 in a bar of 29 with an 11-pixel chevron: the last button goes, and with it
    // the separator that would end the row; three buttons (18) fit.
    Arrange(tbvoHorizontal, 0, 29, 11);
    EXPECT_TRUE(V(2)->Show());
    EXPECT_FALSE(V(2)->OffEdge());
    EXPECT_FALSE(V(3)->Show());
    EXPECT_FALSE(V(3)->OffEdge());
    EXPECT_TRUE(V(4)->OffEdge());
    EXPECT_EQ(ChevronViewer()->BoundsRect(), TRect(18, 0, 29, 6));
}

TEST_F(LayoutTest, ChevronKeepsOneItemHowEverShortTheBar)
{
    Buttons(3);
    Arrange(tbvoHorizontal, 0, 5, 12);
    EXPECT_TRUE(V(0)->Show());
    EXPECT_TRUE(V(1)->OffEdge());
    EXPECT_TRUE(V(2)->OffEdge());
    // Nothing fits beside the chevron, so it follows the one button left.
    EXPECT_EQ(ChevronViewer()->BoundsRect(), TRect(6, 0, 18, 6));
}

TEST_F(LayoutTest, EverythingFitsNoChevronAndItemsComeBack)
{
    Buttons(4);
    Arrange(tbvoHorizontal, 0, 20, 12);
    EXPECT_TRUE(V(3)->OffEdge());
    Arrange(tbvoHorizontal, 0, 24, 12);
    for (int I = 0; I < 4; ++I) {
        EXPECT_TRUE(V(I)->Show());
        EXPECT_FALSE(V(I)->OffEdge());
    }
    EXPECT_FALSE(ChevronViewer()->Show());
}

TEST_F(LayoutTest, VerticalBarStacksAndMirrorsItsColumns)
{
    Buttons(5);
    const Result R = Arrange(tbvoVertical, 12);
    EXPECT_EQ(R.Lines, 3);
    // Columns wrap leftwards: the first column is the rightmost.
    EXPECT_EQ(V(0)->BoundsRect(), Bounds(12, 0, 6, 6));
    EXPECT_EQ(V(1)->BoundsRect(), Bounds(12, 6, 6, 6));
    EXPECT_EQ(V(2)->BoundsRect(), Bounds(6, 0, 6, 6));
    EXPECT_EQ(V(4)->BoundsRect(), Bounds(0, 0, 6, 6));
    EXPECT_EQ(R.Total, TPoint(18, 12));
    EXPECT_EQ(R.Base, TPoint(6, 30));
}

TEST_F(LayoutTest, FloatingBarKeepsItsMargins)
{
    Buttons(2);
    const Result R = Arrange(tbvoFloating, 0);
    EXPECT_EQ(V(0)->BoundsRect(), Bounds(4, 2, 6, 6));
    EXPECT_EQ(V(1)->BoundsRect(), Bounds(10, 2, 6, 6));
    EXPECT_EQ(R.Total, TPoint(4 + 12 + 4, 2 + 6 + 1));
}

TEST_F(LayoutTest, RightAlignedTailMovesToTheEndOfTheLine)
{
    Buttons(3);
    // Right alignment is a style of the item class; an item made for it here.
    class RightItem : public TTBCustomItem
    {
    public:
        explicit RightItem(TComponent *Owner) : TTBCustomItem(Owner)
        {
            FItemStyle << tbisRightAlign;
        }
    };
    auto *Tail = new RightItem(Menu.get());
    Menu->Items()->Add(Tail);
    // A full-size bar of 40: the tail goes to its end.
    Arrange(tbvoHorizontal, 40, 0, 0, TPoint(40, 0));
    EXPECT_EQ(V(2)->BoundsRect(), Bounds(12, 0, 6, 6));
    EXPECT_EQ(View->Find(Tail)->BoundsRect(), Bounds(34, 0, 6, 6));
}

TEST_F(LayoutTest, WithoutMovingNothingChanges)
{
    Buttons(4);
    Arrange(tbvoHorizontal, 0);
    Result R;
    EXPECT_FALSE(
        View->CalculatePositions(false, tbvoHorizontal, 10, 0, 0, R.Base, R.Total, R.Lines));
    // Each 6-pixel button passes a 10-pixel line once another is on it.
    EXPECT_EQ(R.Lines, 4);
    EXPECT_EQ(V(3)->BoundsRect(), Bounds(18, 0, 6, 6));
    EXPECT_EQ(View->Orientation(), tbvoHorizontal);
}

// ---- groups shown inline ----

class GroupTest : public LayoutTest
{
protected:
    // The items the view's viewers show, in order, the chevron left out.
    std::vector<TTBCustomItem *> Shown()
    {
        std::vector<TTBCustomItem *> Items;
        for (int I = 0; I < View->ViewerCount() - 1; ++I)
            Items.push_back(V(I)->Item());
        return Items;
    }
    TTBGroupItem *Group(TTBCustomItem *Parent)
    {
        auto *Made = new TTBGroupItem(Menu.get());
        Parent->Add(Made);
        return Made;
    }
};

TEST_F(GroupTest, AGroupsChildrenStandInTheRowBetweenItsNeighbours)
{
    TTBItem *First = Button();
    TTBGroupItem *G = Group(Menu->Items());
    TTBItem *Inner = AddItem(G, "");
    TTBItem *Last = Button();
    EXPECT_EQ(Shown(), (std::vector<TTBCustomItem *>{First, G, Inner, Last}));
    Arrange(tbvoHorizontal, 0);
    // The group itself takes no room; its child is a button of the row.
    EXPECT_EQ(View->Find(Inner)->BoundsRect(), Bounds(6, 0, 6, 6));
    EXPECT_EQ(View->Find(Last)->BoundsRect(), Bounds(12, 0, 6, 6));
}

TEST_F(GroupTest, ItemsAddedToAGroupLaterAppearInItsPlace)
{
    TTBItem *First = Button();
    TTBGroupItem *G = Group(Menu->Items());
    TTBItem *Inner = AddItem(G, "");
    TTBItem *Last = Button();

    auto *Appended = new TTBItem(Menu.get());
    G->Add(Appended);
    auto *Leading = new TTBItem(Menu.get());
    G->Insert(0, Leading);
    EXPECT_EQ(Shown(), (std::vector<TTBCustomItem *>{First, G, Leading, Inner, Appended, Last}));
    Arrange(tbvoHorizontal, 0);
    EXPECT_EQ(View->Find(Last)->BoundsRect(), Bounds(24, 0, 6, 6));

    delete Inner;
    EXPECT_EQ(Shown(), (std::vector<TTBCustomItem *>{First, G, Leading, Appended, Last}));
}

TEST_F(GroupTest, DeletingAGroupTakesItsChildrensButtonsAway)
{
    TTBItem *First = Button();
    TTBGroupItem *G = Group(Menu->Items());
    AddItem(G, "");
    AddItem(G, "");
    TTBItem *Last = Button();
    Menu->Items()->Remove(G);
    EXPECT_EQ(Shown(), (std::vector<TTBCustomItem *>{First, Last}));
    Arrange(tbvoHorizontal, 0);
    EXPECT_EQ(View->Find(Last)->BoundsRect(), Bounds(6, 0, 6, 6));
    // Back in, with its children.
    Menu->Items()->Insert(1, G);
    EXPECT_EQ(Shown().size(), 5u);
    EXPECT_EQ(Shown()[2], G->Items(0));
    delete G;
}

TEST_F(GroupTest, WhileCustomizingAGroupIsAnItemOfItsOwn)
{
    TTBItem *First = Button();
    TTBGroupItem *G = Group(Menu->Items());
    TTBItem *Inner = AddItem(G, "");
    View->SetCustomizing(true);
    EXPECT_EQ(Shown(), (std::vector<TTBCustomItem *>{First, G}));
    // What is added to the group meanwhile stays inside it too.
    TTBItem *Added = AddItem(G, "");
    EXPECT_EQ(Shown(), (std::vector<TTBCustomItem *>{First, G}));
    View->SetCustomizing(false);
    EXPECT_EQ(Shown(), (std::vector<TTBCustomItem *>{First, G, Inner, Added}));
}

TEST_F(GroupTest, AGroupInsertedIntoAGroupShowsWhatAFreshViewOfTheTreeShows)
{
    TTBItem *First = Button();
    TTBGroupItem *Outer = Group(Menu->Items());
    TTBItem *Two = AddItem(Outer, "");
    TTBItem *Three = AddItem(Outer, "");
    TTBItem *Last = Button();
    auto *Inner = new TTBGroupItem(Menu.get());
    TTBItem *Five = AddItem(Inner, "");
    TTBItem *Six = AddItem(Inner, "");
    Outer->Insert(1, Inner);
    EXPECT_EQ(Shown(),
              (std::vector<TTBCustomItem *>{First, Outer, Two, Inner, Five, Six, Three, Last}));
    // Items added to the outer group around the inner one land beside all it shows.
    TTBItem *Seven = AddItem(Outer, "");
    auto *Zero = new TTBItem(Menu.get());
    Outer->Insert(0, Zero);
    auto *Four = new TTBItem(Menu.get());
    Outer->Insert(3, Four);
    EXPECT_EQ(Shown(), (std::vector<TTBCustomItem *>{First, Outer, Zero, Two, Inner, Five, Six,
                                                     Four, Three, Seven, Last}));
    BarView Fresh(Menu->Items(), Chevron);
    ASSERT_EQ(Fresh.ViewerCount(), View->ViewerCount());
    for (int I = 0; I < View->ViewerCount(); ++I)
        EXPECT_EQ(Fresh.Viewers(I)->Item(), V(I)->Item()) << I;
}

TEST_F(GroupTest, AGroupLinkedToAContainerShowsTheContainersItemsAsTheyChange)
{
    TTBItemContainer Container(nullptr);
    TTBItem *First = Button();
    TTBGroupItem *G = Group(Menu->Items());
    G->SetLinkSubitems(Container.Items());
    auto *Shared = new TTBItem(Menu.get());
    Container.Items()->Add(Shared);
    EXPECT_EQ(Shown(), (std::vector<TTBCustomItem *>{First, G, Shared}));
    Container.Items()->Remove(Shared);
    EXPECT_EQ(Shown(), (std::vector<TTBCustomItem *>{First, G}));
    delete Shared;
}

TEST_F(GroupTest, ChangesInsideAGroupInsideAGroupReachTheView)
{
    TTBItem *First = Button();
    TTBGroupItem *Outer = Group(Menu->Items());
    TTBGroupItem *Inner = Group(Outer);
    TTBItem *X = AddItem(Inner, "");
    TTBItem *Y = AddItem(Inner, "");
    TTBItem *Last = Button();
    EXPECT_EQ(Shown(), (std::vector<TTBCustomItem *>{First, Outer, Inner, X, Y, Last}));
    // A freed item leaves no viewer behind to be measured.
    delete X;
    EXPECT_EQ(Shown(), (std::vector<TTBCustomItem *>{First, Outer, Inner, Y, Last}));
    Arrange(tbvoHorizontal, 0);
    EXPECT_EQ(View->Find(Last)->BoundsRect(), Bounds(12, 0, 6, 6));
    // A group linked to the inner one shows what it shows, also when it grows.
    TTBGroupItem *Linked = Group(Menu->Items());
    Linked->SetLinkSubitems(Outer);
    auto *Z = new TTBItem(Menu.get());
    Inner->Insert(0, Z);
    EXPECT_EQ(Shown(),
              (std::vector<TTBCustomItem *>{First, Outer, Inner, Z, Y, Last, Linked, Inner, Z, Y}));
    BarView Fresh(Menu->Items(), Chevron);
    ASSERT_EQ(Fresh.ViewerCount(), View->ViewerCount());
    for (int I = 0; I < View->ViewerCount(); ++I)
        EXPECT_EQ(Fresh.Viewers(I)->Item(), V(I)->Item()) << I;
}

// An item that can change the class of viewer it asks for.
class TSwitchingItem : public TTBItem
{
public:
    using TTBItem::TTBItem;
    class WideViewer : public TTBItemViewer
    {
    public:
        using TTBItemViewer::TTBItemViewer;
        void CalcSize(TCanvas *, int &Width, int &Height) override
        {
            Width = 30;
            Height = 6;
        }
    };
    TTBItemViewerClass GetItemViewerClass(TTBView *View) override
    {
        return Wide ? MakeViewer<WideViewer> : TTBItem::GetItemViewerClass(View);
    }
    bool Wide = false;
};

TEST_F(LayoutTest, AnItemsNewViewerClassTakesTheOldViewersPlace)
{
    Button();
    auto *Switching = new TSwitchingItem(Menu.get());
    Menu->Items()->Add(Switching);
    TTBItem *Last = Button();
    Switching->Wide = true;
    Switching->RecreateItemViewers();
    EXPECT_TRUE(dynamic_cast<TSwitchingItem::WideViewer *>(V(1)));
    EXPECT_EQ(V(1)->Item(), Switching);
    Arrange(tbvoHorizontal, 0);
    EXPECT_EQ(View->Find(Last)->BoundsRect(), Bounds(36, 0, 6, 6));
}

// The class of a viewer, as a name a failure can show.
std::string ClassOf(const TTBItemViewer *Viewer)
{
    return typeid(*Viewer).name();
}

template <class V> std::string ClassOf()
{
    return typeid(V).name();
}

TEST_F(LayoutTest, EachKindOfItemNamesTheViewerClassItsViewsAreMadeOf)
{
    TTBItem *Plain = Button();
    TTBSeparatorItem *Line = AddSeparator(Menu->Items());
    TTBChevronItem More(nullptr);
    auto Made = [this](TTBCustomItem *Item) {
        return Item->GetItemViewerClass(View.get())(View.get(), Item);
    };
    const std::unique_ptr<TTBItemViewer> ForPlain = Made(Plain), ForLine = Made(Line),
                                         ForMore = Made(&More);
    EXPECT_EQ(ClassOf(ForPlain.get()), ClassOf<TTBItemViewer>());
    EXPECT_EQ(ForPlain->Item(), Plain);
    EXPECT_EQ(ForPlain->View(), View.get());
    EXPECT_EQ(ClassOf(ForLine.get()), ClassOf<TTBSeparatorItemViewer>());
    EXPECT_EQ(ForLine->Item(), Line);
    EXPECT_EQ(ClassOf(ForMore.get()), ClassOf<TTBChevronItemViewer>());
    // The view is made of the same classes.
    EXPECT_EQ(ClassOf(View->Find(Plain)), ClassOf<TTBItemViewer>());
    EXPECT_EQ(ClassOf(View->Find(Line)), ClassOf<TTBSeparatorItemViewer>());
}

} // namespace
