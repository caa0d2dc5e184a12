// Menus, toolbars, docks and tool windows in a form stream: what a form writes
// is what the form that reads it gets back, properties, items and handlers.

#include "menus/TB2Dock.h"
#include "menus/TB2ToolWindow.h"
#include "menus/TTBToolbar.h"
#include "tests/menus/MenuTestSupport.h"

#include "platform/rtl/ClassesFiler.h"

using namespace menutest;

namespace
{

// A form that streams the components it owns, items under their menu or bar.
class TStreamForm : public TForm
{
    QRV4_CLASS(TStreamForm, TForm)

public:
    explicit TStreamForm(TComponent *AOwner) : TForm(AOwner) {}

    void TBI_OpenClick(TObject *Sender) { Clicked.push_back(Sender); }
    std::vector<TObject *> Clicked;

    void GetChildren(TGetChildProc Proc, TComponent *) override
    {
        for (int I = 0; I < ComponentCount(); ++I)
            if (!dynamic_cast<TTBCustomItem *>(Components(I))) Proc(Components(I));
    }

    static void Publish(rtl::Publisher<TStreamForm> &P)
    {
        P.Method("TBI_OpenClick", &TStreamForm::TBI_OpenClick);
    }
};
QRV4_PUBLISHED(TStreamForm)

class StreamingTest : public MenuTest
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        RegisterClasses(
            {TTBPopupMenu::StaticClass(), TTBToolbar::StaticClass(), TTBDock::StaticClass(),
             TTBToolWindow::StaticClass(), TTBBackground::StaticClass(), TImageList::StaticClass(),
             TTBItemContainer::StaticClass(), TTBImageList::StaticClass(), TTBSkin::StaticClass()});
        Source = std::make_unique<TStreamForm>(nullptr);
    }
    void TearDown() override
    {
        Copy.reset();
        Source.reset();
        MenuTest::TearDown();
    }

    // Writes the source form, frees it, and reads the stream into a new form.
    void RoundTrip()
    {
        TMemoryStream Stream;
        TWriter(&Stream).WriteRootComponent(Source.get());
        Source.reset();
        Stream.SetPosition(0);
        Copy = std::make_unique<TStreamForm>(nullptr);
        TReader(&Stream).ReadRootComponent(Copy.get());
    }
    template <class T> T *Named(const char *Name)
    {
        auto *Found = dynamic_cast<T *>(Copy->FindComponent(Name));
        EXPECT_TRUE(Found) << Name;
        return Found;
    }
    template <class T> T *Make(const char *Name)
    {
        auto *Made = new T(Source.get());
        Made->SetName(Name);
        return Made;
    }
    template <class T> T *MakeItem(TTBCustomItem *Parent, const char *Name, const char *Caption)
    {
        T *Item = Make<T>(Name);
        Item->SetCaption(Caption);
        Parent->Add(Item);
        return Item;
    }

    std::unique_ptr<TStreamForm> Source;
    std::unique_ptr<TStreamForm> Copy;
};

TEST_F(StreamingTest, APopupMenuKeepsItsItemsTheirHandlersAndItsOwnProperties)
{
    auto *Menu = Make<TTBPopupMenu>("PM_Grid");
    auto *Images = Make<TImageList>("IL_Menu");
    auto *Open = MakeItem<TTBItem>(Menu->Items(), "TBI_Open", "Open");
    MakeItem<TTBSeparatorItem>(Menu->Items(), "TBS_1", "");
    auto *More = MakeItem<TTBSubmenuItem>(Menu->Items(), "TBI_More", "More");
    MakeItem<TTBItem>(More, "TBI_Inner", "Inner")->SetChecked(true);
    Open->SetImageIndex(3);
    SetMethodProp(Open, "OnClick", BindPublishedMethod(Source.get(), "TBI_OpenClick"));
    Menu->SetImages(Images);
    Menu->SetOptions({tboShowHint});
    Menu->SetAlignment(paRight);
    Menu->SetTrackButton(tbLeftButton);

    RoundTrip();

    auto *CopyMenu = Named<TTBPopupMenu>("PM_Grid");
    ASSERT_TRUE(CopyMenu);
    ASSERT_EQ(CopyMenu->Items()->Count(), 3);
    TTBCustomItem *CopyOpen = CopyMenu->Items()->Items(0);
    EXPECT_EQ(CopyOpen->Name(), "TBI_Open");
    EXPECT_EQ(CopyOpen->ImageIndex(), 3);
    EXPECT_TRUE(dynamic_cast<TTBSeparatorItem *>(CopyMenu->Items()->Items(1)));
    TTBCustomItem *CopyMore = CopyMenu->Items()->Items(2);
    ASSERT_EQ(CopyMore->Count(), 1);
    EXPECT_EQ(CopyMore->Items(0)->Caption(), "Inner");
    EXPECT_TRUE(CopyMore->Items(0)->Checked());
    EXPECT_EQ(CopyMenu->Images(), Named<TImageList>("IL_Menu"));
    EXPECT_EQ(CopyMenu->Options(), TTBItemOptions{tboShowHint});
    EXPECT_EQ(CopyMenu->Alignment(), paRight);
    EXPECT_EQ(CopyMenu->TrackButton(), tbLeftButton);
    ASSERT_TRUE(CopyOpen->OnClick);
    CopyOpen->Click();
    EXPECT_EQ(Copy->Clicked, std::vector<TObject *>{CopyOpen});
}

} // namespace
