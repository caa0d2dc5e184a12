// Toolbars on forms: a form streams its bar with the buttons' OnClick handlers
// named after its own published methods, and a form that reads the stream gets
// buttons that call its methods; controls pushed past a bar's edge drop out of
// the tab key's walk. Driven by queued input on real windows.

#include "menus/TB2Dock.h"
#include "menus/TTBToolbar.h"
#include "tests/menus/MenuTestSupport.h"

#include "platform/rtl/ClassesFiler.h"
#include "platform/vcl/StdCtrls.h"

#include <utility>

using namespace menutest;

namespace
{

using vcltest::Pump;

// A form that streams its toolbars, whose buttons call its published methods.
class TToolForm : public TForm
{
    QRV4_CLASS(TToolForm, TForm)

public:
    explicit TToolForm(TComponent *AOwner) : TForm(AOwner) {}

    void TBI_NewClick(TObject *Sender) { Calls.emplace_back("New", Sender); }
    void TBI_OpenClick(TObject *Sender) { Calls.emplace_back("Open", Sender); }
    std::vector<std::pair<AnsiString, TObject *>> Calls;

    void GetChildren(TGetChildProc Proc, TComponent *) override
    {
        for (int I = 0; I < ComponentCount(); ++I)
            if (dynamic_cast<TTBCustomToolbar *>(Components(I))) Proc(Components(I));
    }

    static void Publish(rtl::Publisher<TToolForm> &P)
    {
        P.Method("TBI_NewClick", &TToolForm::TBI_NewClick);
        P.Method("TBI_OpenClick", &TToolForm::TBI_OpenClick);
    }
};
QRV4_PUBLISHED(TToolForm)

// A form that writes what the class library's forms write: its own controls, then the
// components it owns that stand on no other component.
class TPlainForm : public TToolForm
{
    QRV4_CLASS(TPlainForm, TToolForm)

public:
    explicit TPlainForm(TComponent *AOwner) : TToolForm(AOwner) {}

    void GetChildren(TGetChildProc Proc, TComponent *Root) override
    {
        for (int I = 0; I < ControlCount(); ++I)
            if (Controls(I)->Owner() == Root) Proc(Controls(I));
        for (int I = 0; I < ComponentCount(); ++I)
            if (!Components(I)->HasParent()) Proc(Components(I));
    }
};

class ToolbarFormTest : public MenuTest
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        RegisterClasses({TTBToolbar::StaticClass(), TTBDock::StaticClass(), TEdit::StaticClass()});
    }
    void TearDown() override
    {
        Copy.reset();
        Source.reset();
        MenuTest::TearDown();
    }

    template <class Form = TToolForm> static std::unique_ptr<Form> MakeForm()
    {
        auto Result = std::make_unique<Form>(nullptr);
        Result->SetBounds(50, 50, 400, 200);
        Result->Show();
        vcltest::Pump();
        return Result;
    }
    static TTBDock *AddDock(TToolForm *Owner)
    {
        auto *Dock = new TTBDock(Owner);
        Dock->SetName("TopDock");
        Dock->SetParent(Owner);
        return Dock;
    }
    static TTBToolbar *AddBar(TToolForm *Owner, TTBDock *Dock)
    {
        auto *Bar = new TTBToolbar(Owner);
        Bar->SetName("Tools");
        Bar->SetHideWhenInactive(false);
        Bar->SetParent(Dock);
        return Bar;
    }
    static TTBItem *AddButton(TTBToolbar *Bar, const char *Name, const char *Caption)
    {
        auto *Item = new TTBItem(Bar->Owner());
        Item->SetName(Name);
        Item->SetCaption(Caption);
        Bar->Items()->Add(Item);
        return Item;
    }
    static TEdit *AddEdit(TToolForm *Owner, TWinControl *Parent, const char *Name, int Left)
    {
        auto *Edit = new TEdit(Owner);
        Edit->SetName(Name);
        Edit->SetBounds(Left, 150, 80, 20);
        Edit->SetParent(Parent);
        return Edit;
    }
    // Writes Source into a stream and frees it, so that nothing read back can still point at
    // the form that wrote it, then reads the stream into Copy, a new form with a dock of its own.
    TTBDock *ReadSourceBackBesideADock()
    {
        TMemoryStream Stream;
        WriteSourceAndFree(Stream);
        Copy = MakeForm();
        TTBDock *Dock = AddDock(Copy.get());
        TReader(&Stream).ReadRootComponent(Copy.get());
        return Dock;
    }
    // The same into a form that writes and reads its controls as the class library's forms do.
    void ReadSourceBackIntoAPlainForm()
    {
        TMemoryStream Stream;
        WriteSourceAndFree(Stream);
        Copy = MakeForm<TPlainForm>();
        TReader(&Stream).ReadRootComponent(Copy.get());
    }
    void WriteSourceAndFree(TMemoryStream &Stream)
    {
        TWriter(&Stream).WriteRootComponent(Source.get());
        Stream.SetPosition(0);
        Source.reset();
    }
    static void ClickButton(TTBToolbar *Bar, int Index)
    {
        const TRect R = Bar->View()->Find(Bar->Items()->Items(Index))->BoundsRect();
        const TPoint At =
            Bar->ClientToScreen(TPoint((R.Left + R.Right) / 2, (R.Top + R.Bottom) / 2));
        MoveTo(At.X, At.Y);
        LeftClick(At.X, At.Y);
        vcltest::Pump();
    }

    std::unique_ptr<TToolForm> Source;
    std::unique_ptr<TToolForm> Copy;
};

TEST_F(ToolbarFormTest, ButtonsReadFromAStreamCallTheMethodsOfTheFormThatReadIt)
{
    Source = MakeForm();
    TTBToolbar *Bar = AddBar(Source.get(), AddDock(Source.get()));
    TTBItem *New = AddButton(Bar, "TBI_New", "New");
    TTBItem *Open = AddButton(Bar, "TBI_Open", "Open");
    TTBItem *Plain = AddButton(Bar, "TBI_Plain", "Plain");
    SetMethodProp(New, "OnClick", BindPublishedMethod(Source.get(), "TBI_NewClick"));
    SetMethodProp(Open, "OnClick", BindPublishedMethod(Source.get(), "TBI_OpenClick"));
    Plain->OnClick = [](TObject *) {};

    TTBDock *Dock = ReadSourceBackBesideADock();
    auto *CopyBar = dynamic_cast<TTBToolbar *>(Copy->FindComponent("Tools"));
    ASSERT_TRUE(CopyBar);
    // The form writes the bar as its own child, not its dock's: it is docked here.
    CopyBar->SetParent(Dock);
    Pump();
    ASSERT_EQ(CopyBar->Items()->Count(), 3);
    TTBCustomItem *CopyNew = CopyBar->Items()->Items(0);
    TTBCustomItem *CopyOpen = CopyBar->Items()->Items(1);
    EXPECT_EQ(CopyOpen->Name(), "TBI_Open");
    EXPECT_FALSE(CopyBar->Items()->Items(2)->OnClick);

    ClickButton(CopyBar, 1);
    ClickButton(CopyBar, 0);
    using Call = std::pair<AnsiString, TObject *>;
    EXPECT_EQ(Copy->Calls, (std::vector<Call>{{"Open", CopyOpen}, {"New", CopyNew}}));
}

// Where a control sits in its bar's client area, as the screen shows it.
TPoint PlaceOnBar(TControl *Control, TTBToolbar *Bar)
{
    const TPoint Inner = Control->ClientToScreen(TPoint(0, 0));
    const TPoint Outer = Bar->ClientToScreen(TPoint(0, 0));
    return TPoint(Inner.X - Outer.X, Inner.Y - Outer.Y);
}

TEST_F(ToolbarFormTest, AControlOnABarIsReadBackOntoTheBarInItsPlace)
{
    Source = MakeForm();
    TTBToolbar *Bar = AddBar(Source.get(), AddDock(Source.get()));
    AddButton(Bar, "TBI_New", "New");
    TEdit *Search = AddEdit(Source.get(), Bar, "Search", 0);
    Search->SetText("K-101");
    AddButton(Bar, "TBI_Open", "Open");
    Pump();
    ASSERT_EQ(Bar->Items()->Items(1), Bar->FindWrapper(Search));
    const TPoint Place = PlaceOnBar(Search, Bar);
    const int BarWidth = Bar->Width(), BarHeight = Bar->Height();
    const std::vector<COLORREF> SearchPixels = PixelsOf(Search);

    TTBDock *Dock = ReadSourceBackBesideADock();
    auto *CopyBar = dynamic_cast<TTBToolbar *>(Copy->FindComponent("Tools"));
    auto *CopySearch = dynamic_cast<TEdit *>(Copy->FindComponent("Search"));
    ASSERT_TRUE(CopyBar && CopySearch);
    CopyBar->SetParent(Dock);
    Pump();

    EXPECT_EQ(CopySearch->Parent(), CopyBar);
    ASSERT_EQ(CopyBar->Items()->Count(), 3);
    EXPECT_EQ(CopyBar->Items()->Items(1), CopyBar->FindWrapper(CopySearch));
    EXPECT_TRUE(CopySearch->Showing());
    EXPECT_EQ(PlaceOnBar(CopySearch, CopyBar), Place);
    EXPECT_EQ(CopyBar->Width(), BarWidth);
    EXPECT_EQ(CopyBar->Height(), BarHeight);
    EXPECT_TRUE(PixelsOf(CopySearch) == SearchPixels);
}

// A bar read back lies on its form, drawn without a frame, until it is docked: its window then
// moves into the dock and gets the docked frame, and must look as the bar it was written from.
TEST_F(ToolbarFormTest, ABarReadBackAndDockedLooksAsTheBarBuiltInCode)
{
    Source = MakeForm();
    TTBToolbar *Bar = AddBar(Source.get(), AddDock(Source.get()));
    AddButton(Bar, "TBI_New", "New");
    AddButton(Bar, "TBI_Open", "Open");
    Pump();
    const int BarWidth = Bar->Width(), BarHeight = Bar->Height();
    const std::vector<COLORREF> BarPixels = PixelsOf(Bar);

    TTBDock *Dock = ReadSourceBackBesideADock();
    auto *CopyBar = dynamic_cast<TTBToolbar *>(Copy->FindComponent("Tools"));
    ASSERT_TRUE(CopyBar);
    Pump();
    ASSERT_EQ(CopyBar->Parent(), Copy.get());
    CopyBar->SetParent(Dock);
    Pump();

    ASSERT_EQ(CopyBar->Width(), BarWidth);
    ASSERT_EQ(CopyBar->Height(), BarHeight);
    EXPECT_TRUE(PixelsOf(CopyBar) == BarPixels);
}

// A floating bar lies in a frame of its own making that no stream holds: its form writes it,
// and the form that reads it gets it back, docks it, and sees the bar it was.
TEST_F(ToolbarFormTest, AFloatingBarIsWrittenWithItsFormAndDocksAgainAsItWas)
{
    Source = MakeForm<TPlainForm>();
    TTBToolbar *Bar = AddBar(Source.get(), AddDock(Source.get()));
    AddButton(Bar, "TBI_New", "New");
    AddButton(Bar, "TBI_Open", "Open");
    Pump();
    const int BarWidth = Bar->Width(), BarHeight = Bar->Height();
    const std::vector<COLORREF> DockedPixels = PixelsOf(Bar);
    Bar->SetFloatingPosition(TPoint(200, 300));
    Bar->SetFloating(true);
    Pump();
    ASSERT_TRUE(Bar->Floating());

    ReadSourceBackIntoAPlainForm();
    auto *CopyBar = dynamic_cast<TTBToolbar *>(Copy->FindComponent("Tools"));
    auto *CopyDock = dynamic_cast<TTBDock *>(Copy->FindComponent("TopDock"));
    ASSERT_TRUE(CopyBar && CopyDock);
    EXPECT_EQ(CopyBar->Parent(), Copy.get());
    ASSERT_EQ(CopyBar->Items()->Count(), 2);
    EXPECT_EQ(CopyBar->Items()->Items(1)->Name(), "TBI_Open");
    EXPECT_EQ(CopyBar->LastDock(), CopyDock);
    CopyBar->SetCurrentDock(CopyBar->LastDock());
    Pump();

    ASSERT_EQ(CopyBar->Width(), BarWidth);
    ASSERT_EQ(CopyBar->Height(), BarHeight);
    EXPECT_TRUE(PixelsOf(CopyBar) == DockedPixels);
}

// A form written while it runs, with a bar in its dock and another floating: the form that
// reads it has the first in its dock, in its place and drawn as it was, and the second on
// the form itself, ready to go back to the dock it came from.
TEST_F(ToolbarFormTest, AFormReadBackHasItsDockedBarInItsDockAsItWas)
{
    Source = MakeForm<TPlainForm>();
    TTBDock *Dock = AddDock(Source.get());
    TTBToolbar *Bar = AddBar(Source.get(), Dock);
    AddButton(Bar, "TBI_New", "New");
    AddButton(Bar, "TBI_Open", "Open");
    auto *Floater = new TTBToolbar(Source.get());
    Floater->SetName("Finder");
    Floater->SetHideWhenInactive(false);
    Floater->SetDockRow(1);
    Floater->SetParent(Dock);
    AddButton(Floater, "TBI_Find", "Find");
    Floater->SetFloatingPosition(TPoint(200, 300));
    Floater->SetFloating(true);
    Pump();
    ASSERT_TRUE(Bar->Docked() && Floater->Floating());
    const TRect Place = Bar->BoundsRect();
    const int DockHeight = Dock->Height();
    const std::vector<COLORREF> BarPixels = PixelsOf(Bar);

    ReadSourceBackIntoAPlainForm();
    Pump();
    auto *CopyDock = dynamic_cast<TTBDock *>(Copy->FindComponent("TopDock"));
    auto *CopyBar = dynamic_cast<TTBToolbar *>(Copy->FindComponent("Tools"));
    auto *CopyFloater = dynamic_cast<TTBToolbar *>(Copy->FindComponent("Finder"));
    ASSERT_TRUE(CopyDock && CopyBar && CopyFloater);

    EXPECT_EQ(CopyBar->CurrentDock(), CopyDock);
    ASSERT_EQ(CopyDock->ToolbarCount(), 1);
    EXPECT_EQ(CopyBar->BoundsRect(), Place);
    EXPECT_EQ(CopyDock->Height(), DockHeight);
    EXPECT_TRUE(PixelsOf(CopyBar) == BarPixels);
    EXPECT_EQ(CopyFloater->Parent(), Copy.get());
    EXPECT_FALSE(CopyFloater->Floating());
    EXPECT_EQ(CopyFloater->LastDock(), CopyDock);
}

TEST_F(ToolbarFormTest, TheTabKeySkipsAControlPushedPastTheBarsEdge)
{
    Source = MakeForm();
    TEdit *Before = AddEdit(Source.get(), Source.get(), "Before", 8);
    TTBToolbar *Bar = AddBar(Source.get(), AddDock(Source.get()));
    TEdit *After = AddEdit(Source.get(), Source.get(), "After", 100);
    AddButton(Bar, "TBI_One", "One");
    TEdit *Near = AddEdit(Source.get(), Bar, "Near", 0);
    TEdit *Far = AddEdit(Source.get(), Bar, "Far", 0);
    Pump();
    const int Full = Bar->Width();
    Source->SetWidth(Full - 40);
    Pump();
    ASSERT_TRUE(Bar->View()->Find(Bar->FindWrapper(Far))->OffEdge());
    ASSERT_FALSE(Bar->View()->Find(Bar->FindWrapper(Near))->OffEdge());

    Before->SetFocus();
    Pump();
    ASSERT_TRUE(Before->Focused());
    vcltest::Key(VK_TAB);
    Pump();
    EXPECT_TRUE(Near->Focused());
    vcltest::Key(VK_TAB);
    Pump();
    EXPECT_TRUE(After->Focused());
    EXPECT_FALSE(Far->Focused());

    // Back on the bar once there is room for it again.
    Source->SetWidth(Full + 200);
    Pump();
    ASSERT_FALSE(Bar->View()->Find(Bar->FindWrapper(Far))->OffEdge());
    Near->SetFocus();
    Pump();
    vcltest::Key(VK_TAB);
    Pump();
    EXPECT_TRUE(Far->Focused());
}

} // namespace
