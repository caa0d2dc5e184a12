// The tree view on real offscreen windows: building nodes, the rows that
// expanding and collapsing give, keys, injected clicks on buttons and labels,
// its scroll bar and its picture.

#include "tests/vcl/VclTestSupport.h"

#include "platform/vcl/ComCtrls.h"
#include "platform/win/Paint.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/SysParams.h"
#include "platform/win/WindowRegistry.h"

#include <string>
#include <vector>

using namespace vcltest;

namespace
{

class TreeViewTest : public VclTest
{
protected:
    // A shown tree: "A" with "A1" (with "A1x") and "A2", then "B" and "C" with "C1".
    TTreeView *MakeTree(int Width = 200, int Height = 200)
    {
        TForm *Host = ShownForm(400, 300);
        Tree = new TTreeView(Host);
        Tree->SetParent(Host);
        Tree->SetBounds(10, 10, Width, Height);
        Tree->OnChange = [this](TObject *, TTreeNode *Node) { Changes.push_back(Node); };
        Tree->OnClick = [this](TObject *) { ++Clicks; };
        TTreeNodes *Nodes = Tree->Items();
        A = Nodes->Add(nullptr, "A");
        A1 = Nodes->AddChild(A, "A1");
        A1x = Nodes->AddChild(A1, "A1x");
        A2 = Nodes->AddChildObject(A, "A2", &Marker);
        B = Nodes->Add(A, "B");
        C = Nodes->Add(nullptr, "C");
        C1 = Nodes->AddChild(C, "C1");
        Pump();
        return Tree;
    }
    // The texts of the rows, top to bottom.
    std::vector<std::string> RowTexts()
    {
        std::vector<std::string> Out;
        for (TTreeNode *N = Tree->Items()->GetFirstNode(); N; N = N->GetNextVisible())
            Out.emplace_back(N->Text().c_str());
        return Out;
    }
    // The middle of the column left of a label, where its button stands.
    int ButtonCentre(const TRect &Label)
    {
        return Label.Left - 2 - (Tree->Indent() - Tree->Indent() / 2);
    }
    // A point of the tree's client area on its window's surface.
    COLORREF Pixel(TPoint P)
    {
        RECT Window, Client{P.X, P.Y, 0, 0};
        GetWindowRect(Tree->Handle(), &Window);
        ClientToScreen(Tree->Handle(), reinterpret_cast<POINT *>(&Client));
        return win::SurfacePixel(Tree->Handle(), Client.left - Window.left,
                                 Client.top - Window.top);
    }

    TTreeView *Tree = nullptr;
    TTreeNode *A{}, *A1{}, *A1x{}, *A2{}, *B{}, *C{}, *C1{};
    int Marker = 0;
    std::vector<TTreeNode *> Changes;
    int Clicks = 0;
};

TEST_F(TreeViewTest, NodesKeepTheirPlaceTextDataAndLevel)
{
    MakeTree();
    TTreeNodes *Nodes = Tree->Items();
    ASSERT_EQ(Nodes->Count(), 7);
    std::vector<std::string> Order;
    for (int i = 0; i < Nodes->Count(); ++i)
        Order.emplace_back(Nodes->Item(i)->Text().c_str());
    EXPECT_EQ(Order, (std::vector<std::string>{"A", "A1", "A1x", "A2", "B", "C", "C1"}));
    EXPECT_EQ(A2->Data(), &Marker);
    EXPECT_EQ(A1x->Level(), 2);
    EXPECT_EQ(B->Level(), 0) << "added as a sibling of A: at the root";
    EXPECT_EQ(B->Parent(), nullptr);
    EXPECT_EQ(A2->Parent(), A);
    EXPECT_EQ(A2->Index(), 1);
    EXPECT_EQ(C1->AbsoluteIndex(), 6);
    EXPECT_EQ(A1->GetNextSibling(), A2);
    EXPECT_EQ(A2->GetPrevSibling(), A1);
    EXPECT_EQ(A1x->GetNext(), A2) << "after a subtree comes the next sibling up";
    EXPECT_THROW(Nodes->Item(7), EListError);

    C1->SetSelected(true);
    EXPECT_EQ(Tree->Selected(), C1);
    Nodes->Clear();
    EXPECT_EQ(Nodes->Count(), 0);
    EXPECT_EQ(Nodes->GetFirstNode(), nullptr);
    EXPECT_EQ(Tree->Selected(), nullptr);
    EXPECT_EQ(Tree->GetNodeAt(20, 5), nullptr);
}

TEST_F(TreeViewTest, ExpandingAndCollapsingDecideTheRows)
{
    MakeTree();
    EXPECT_EQ(RowTexts(), (std::vector<std::string>{"A", "B", "C"})) << "nodes start closed";
    EXPECT_FALSE(A1->IsVisible());
    A->Expand(false);
    EXPECT_EQ(RowTexts(), (std::vector<std::string>{"A", "A1", "A2", "B", "C"}));
    const int Row = Tree->ItemHeight();
    EXPECT_EQ(Tree->GetNodeAt(60, Row * 2 + 2), A2);
    EXPECT_EQ(A2->DisplayRect(false).Top, 2 * Row);

    Tree->FullExpand();
    EXPECT_EQ(RowTexts().size(), 7u);
    A1x->SetSelected(true);
    Changes.clear();
    A->Collapse(false);
    EXPECT_EQ(Tree->Selected(), A) << "a selection in a closed branch moves up to it";
    EXPECT_EQ(Changes, std::vector<TTreeNode *>{A});
    EXPECT_TRUE(A1->Expanded()) << "a branch closed alone keeps what is open below";
    A->Expand(false);
    EXPECT_TRUE(A1x->IsVisible());

    // Selecting a hidden node opens its way to it.
    Tree->FullCollapse();
    EXPECT_FALSE(A1->Expanded());
    A1x->SetSelected(true);
    EXPECT_TRUE(A->Expanded());
    EXPECT_TRUE(A1->Expanded());

    // Nodes added between BeginUpdate and EndUpdate show once it ends.
    Tree->Items()->BeginUpdate();
    Tree->Items()->Add(nullptr, "D");
    EXPECT_TRUE(Tree->Items()->Updating());
    Tree->Items()->EndUpdate();
    EXPECT_EQ(RowTexts().back(), "D");
}

TEST_F(TreeViewTest, KeysMoveTheSelectionAndOpenAndCloseBranches)
{
    MakeTree();
    Tree->SetFocus();
    A->SetSelected(true);
    Changes.clear();
    auto Press = [](int VirtualKey) {
        Key(VirtualKey);
        Pump();
    };
    Press(VK_DOWN);
    EXPECT_EQ(Tree->Selected(), B) << "A's children are hidden";
    Press(VK_UP);
    Press(VK_RIGHT);
    EXPECT_TRUE(A->Expanded());
    EXPECT_EQ(Tree->Selected(), A);
    Press(VK_RIGHT);
    EXPECT_EQ(Tree->Selected(), A1);
    Press(VK_ADD);
    EXPECT_TRUE(A1->Expanded());
    Press(VK_DOWN);
    EXPECT_EQ(Tree->Selected(), A1x);
    Press(VK_LEFT);
    EXPECT_EQ(Tree->Selected(), A1) << "left from a leaf goes to the parent";
    Press(VK_LEFT);
    EXPECT_FALSE(A1->Expanded()) << "left on an open branch closes it";
    Press(VK_SUBTRACT);
    EXPECT_FALSE(A1->Expanded());
    Press(VK_END);
    EXPECT_EQ(Tree->Selected(), C);
    Press(VK_HOME);
    EXPECT_EQ(Tree->Selected(), A);
    EXPECT_EQ(Changes, (std::vector<TTreeNode *>{B, A, A1, A1x, A1, C, A}));
}

TEST_F(TreeViewTest, ClicksOnTheButtonOpenAndOnTheLabelSelect)
{
    MakeTree();
    const TRect Label = A->DisplayRect(true);
    const int Middle = (Label.Top + Label.Bottom) / 2;
    // The button stands in the column left of the label.
    const TPoint Button(ButtonCentre(Label), Middle);
    EXPECT_TRUE(Tree->GetHitTestInfoAt(Button.X, Button.Y).Contains(htOnButton));
    EXPECT_TRUE(Tree->GetHitTestInfoAt(Label.Left + 3, Middle).Contains(htOnItem));
    EXPECT_TRUE(Tree->GetHitTestInfoAt(Label.Left - 1, Middle).Contains(htOnIndent));
    EXPECT_TRUE(Tree->GetHitTestInfoAt(Label.Right + 20, Middle).Contains(htOnRight));
    EXPECT_TRUE(Tree->GetHitTestInfoAt(5, Tree->ClientHeight() - 2).Contains(htNowhere));
    EXPECT_TRUE(Tree->GetHitTestInfoAt(5, -3).Contains(htAbove));
    const TRect BLabel = B->DisplayRect(true);
    EXPECT_FALSE(
        Tree->GetHitTestInfoAt(Button.X, (BLabel.Top + BLabel.Bottom) / 2).Contains(htOnButton))
        << "a node without children has no button";

    Click(Tree, Button.X, Button.Y);
    Pump();
    EXPECT_TRUE(A->Expanded());
    EXPECT_EQ(Tree->Selected(), nullptr) << "the button opens without selecting";
    Click(Tree, Button.X, Button.Y);
    Pump();
    EXPECT_FALSE(A->Expanded());

    const TRect BText = B->DisplayRect(true);
    Click(Tree, BText.Left + 3, (BText.Top + BText.Bottom) / 2);
    Pump();
    EXPECT_EQ(Tree->Selected(), B);
    EXPECT_EQ(Changes, std::vector<TTreeNode *>{B});
    EXPECT_EQ(Clicks, 3);
    EXPECT_TRUE(Tree->Focused());
}

TEST_F(TreeViewTest, ATallTreeScrollsByItsBarKeysAndWheel)
{
    MakeTree(150, 100);
    for (int i = 0; i < 40; ++i)
        Tree->Items()->AddChild(C, "Entry " + AnsiString(i));
    C->Expand(false);
    Pump();
    ASSERT_TRUE(GetWindowLongW(Tree->Handle(), GWL_STYLE) & WS_VSCROLL);
    const int Shown = Tree->VisibleCount();
    EXPECT_EQ(Shown, Tree->ClientHeight() / Tree->ItemHeight());

    Tree->SetFocus();
    C->SetSelected(true);
    Key(VK_END);
    Pump();
    TTreeNode *Last = Tree->Selected();
    EXPECT_EQ(Last->Text(), "Entry 39");
    EXPECT_EQ(Tree->TopItem()->AbsoluteIndex(), Tree->Items()->Count() - Shown)
        << "the selection is scrolled into view at the bottom";
    EXPECT_GE(Last->DisplayRect(false).Bottom, Tree->ClientHeight() - Tree->ItemHeight());

    // A click on the bar's upper arrow scrolls one row up.
    const int Top = Tree->TopItem()->AbsoluteIndex();
    const RECT Bar = win::ScrollBarRect(*win::FindWindow(Tree->Handle()), SB_VERT);
    RECT Window;
    GetWindowRect(Tree->Handle(), &Window);
    const POINT Arrow{Window.left + (Bar.left + Bar.right) / 2, Window.top + Bar.top + 4};
    win::InjectMouseInput(win::MouseInput{win::MouseAction::Down, win::MouseButton::Left, Arrow});
    win::InjectMouseInput(win::MouseInput{win::MouseAction::Up, win::MouseButton::Left, Arrow});
    Pump();
    EXPECT_EQ(Tree->TopItem()->AbsoluteIndex(), Top - 1);

    // A wheel notch away from the user shows three rows further up.
    const TPoint Inside = Tree->ClientToScreen(TPoint(20, 20));
    win::InjectMouseInput(win::MouseInput{win::MouseAction::Move, win::MouseButton::None, Inside});
    win::InjectMouseInput(
        win::MouseInput{win::MouseAction::Wheel, win::MouseButton::None, Inside, WHEEL_DELTA});
    Pump();
    EXPECT_EQ(Tree->TopItem()->AbsoluteIndex(), Top - 4);
    Tree->SetTopItem(A);
    EXPECT_EQ(Tree->TopItem(), A);
    C->Collapse(false);
    Pump();
    EXPECT_FALSE(GetWindowLongW(Tree->Handle(), GWL_STYLE) & WS_VSCROLL)
        << "three rows fit: the bar goes";
}

TEST_F(TreeViewTest, ButtonsLinesAndTheSelectionArePainted)
{
    MakeTree();
    A->Expand(false);
    Tree->SetFocus();
    B->SetSelected(true);
    Tree->Repaint();
    const TRect Label = A->DisplayRect(true);
    const int Middle = (Label.Top + Label.Bottom) / 2;
    const int ButtonX = ButtonCentre(Label);
    // A's button: a grey box with a black minus and no bar across it, A being open.
    EXPECT_EQ(Pixel(TPoint(ButtonX - 4, Middle)), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(Pixel(TPoint(ButtonX, Middle)), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(Pixel(TPoint(ButtonX, Middle - 2)), GetSysColor(COLOR_WINDOW));
    // B's row is marked in the highlight colour; A's label is not.
    const TRect BText = B->DisplayRect(true);
    EXPECT_EQ(Pixel(TPoint(BText.Right - 2, BText.Top + 2)), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(Pixel(TPoint(Label.Right - 2, Label.Top + 2)), GetSysColor(COLOR_WINDOW));
    // A line runs down from A's button past its children towards B.
    const TRect A2Row = A2->DisplayRect(false);
    int Grey = 0;
    for (int Y = A2Row.Top; Y < A2Row.Bottom; ++Y)
        Grey += Pixel(TPoint(ButtonX, Y)) == GetSysColor(COLOR_BTNSHADOW);
    EXPECT_GT(Grey, 0);

    const TRect CLabel = C->DisplayRect(true);
    EXPECT_EQ(Pixel(TPoint(ButtonX, (CLabel.Top + CLabel.Bottom) / 2 - 2)),
              GetSysColor(COLOR_WINDOWTEXT))
        << "a closed branch's button shows a plus";
}

} // namespace

TEST_F(TreeViewTest, WheelTurnsSmallerThanANotchAddUp)
{
    MakeTree(150, 100);
    for (int i = 0; i < 40; ++i)
        Tree->Items()->AddChild(C, "Entry " + AnsiString(i));
    C->Expand(false);
    Pump();
    // The rows are A, B, C, C1, Entry 0 ...; a notch is three of them.
    auto Turn = [&](int Delta) {
        Tree->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(Delta)), 0);
        return Tree->TopItem()->Text();
    };
    EXPECT_EQ(Turn(-15), "A");
    EXPECT_EQ(Turn(-15), "A");
    EXPECT_EQ(Turn(-15), "B") << "three eighths of a notch are a line";
    EXPECT_EQ(Turn(-15), "B");
    EXPECT_EQ(Turn(-60), "C1");
    EXPECT_EQ(Turn(70), "C");
}
