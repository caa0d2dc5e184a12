#include "report/frxClass.h"
#include "tests/report/ReportTestSupport.h"

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "script/fs_iinterpreter.h"

#include <gtest/gtest.h>

namespace
{

// Dialog elements as a dialog library would make them: one wraps a button, one a panel.
class TfrxTestButtonControl : public TfrxDialogControl
{
    QRV4_CLASS(TfrxTestButtonControl, TfrxDialogControl)

public:
    explicit TfrxTestButtonControl(TComponent *AOwner) : TfrxDialogControl(AOwner)
    {
        InitControl(std::make_unique<TButton>(nullptr));
    }
};

class TfrxTestPanelControl : public TfrxDialogControl
{
    QRV4_CLASS(TfrxTestPanelControl, TfrxDialogControl)

public:
    explicit TfrxTestPanelControl(TComponent *AOwner) : TfrxDialogControl(AOwner)
    {
        InitControl(std::make_unique<TPanel>(nullptr));
    }
};

// An engine that says it runs, as it does while dialog pages are shown.
class RunningEngine : public IdleEngine
{
public:
    explicit RunningEngine(TfrxReport *Report) : IdleEngine(Report) { Running = true; }
};

struct DialogReport {
    DialogReport()
    {
        frxSetOutputFactories([](TfrxReport *R) { return std::make_unique<RunningEngine>(R); }, {});
        Report = std::make_unique<TfrxReport>(nullptr);
        Page = new TfrxDialogPage(Report.get());
        Page->SetName("DialogPage1");
    }
    ~DialogReport()
    {
        Report.reset();
        frxSetOutputFactories({}, {});
    }
    void Compile(const char *Source)
    {
        Report->ScriptText()->SetText(Source);
        ASSERT_TRUE(Report->PrepareScript()) << Report->Script()->ErrorMsg.ToUtf8();
    }
    Variant Var(const char *Name) const { return Report->Script()->Variables(Name); }

    std::unique_ptr<TfrxReport> Report;
    TfrxDialogPage *Page;
};

} // namespace

// ---- where the control lives ----

TEST(DialogControl, TheControlSitsOnThePagesFormOrInsideItsParentsControl)
{
    DialogReport R;
    auto *Panel = new TfrxTestPanelControl(R.Page);
    auto *Button = new TfrxTestButtonControl(Panel);
    EXPECT_EQ(Panel->Control()->Parent(), R.Page->Form());
    EXPECT_EQ(Button->Control()->Parent(), Panel->Control());
    EXPECT_EQ(R.Page->Form()->ControlCount(), 1) << "the page now has something to ask";

    Button->SetParent(nullptr);
    EXPECT_EQ(Button->Control()->Parent(), frxParentForm());
    Button->SetParent(R.Page);
    EXPECT_EQ(Button->Control()->Parent(), R.Page->Form());
}

TEST(DialogControl, PositionsCountFromThePageAndReachTheControlRounded)
{
    DialogReport R;
    R.Page->SetLeft(100);
    R.Page->SetTop(200);
    auto *Panel = new TfrxTestPanelControl(R.Page);
    Panel->SetBounds(5, 6, 120.4, 80.6);
    auto *Button = new TfrxTestButtonControl(Panel);
    Button->SetBounds(3.5, 4.4, 50, 20);

    EXPECT_DOUBLE_EQ(Panel->GetAbsLeft(), 5);
    EXPECT_DOUBLE_EQ(Panel->GetAbsTop(), 6);
    EXPECT_DOUBLE_EQ(Button->GetAbsLeft(), 8.5);
    EXPECT_DOUBLE_EQ(Button->GetAbsTop(), 10.4);
    const TControl *C = Panel->Control();
    EXPECT_EQ((std::vector<int>{C->Left(), C->Top(), C->Width(), C->Height()}),
              (std::vector<int>{5, 6, 120, 81}));
    EXPECT_EQ(Button->Control()->Left(), 4);
    EXPECT_EQ(Button->Control()->Top(), 4);
}

TEST(DialogControl, CaptionColourEnabledAndVisibilityAreTheControls)
{
    DialogReport R;
    auto *Button = new TfrxTestButtonControl(R.Page);
    Button->SetCaption("OK");
    Button->SetColor(clRed);
    Button->SetEnabled(false);
    Button->SetVisible(false);
    TControl *C = Button->Control();
    EXPECT_EQ(C->Caption(), "OK");
    EXPECT_EQ(C->Color(), clRed);
    EXPECT_FALSE(C->Enabled());
    EXPECT_FALSE(C->Visible());
    C->SetEnabled(true);
    C->SetCaption("Cancel");
    EXPECT_TRUE(Button->Enabled());
    EXPECT_EQ(Button->Caption(), "Cancel");
}

TEST(DialogControl, TheFontReachesTheControl)
{
    DialogReport R;
    auto *Button = new TfrxTestButtonControl(R.Page);
    EXPECT_EQ(Button->Control()->Font()->Name(), "Tahoma") << "the page's font";
    Button->Font()->SetSize(14);
    EXPECT_EQ(Button->Control()->Font()->Size(), 14);
    Button->SetParentFont(true);
    EXPECT_EQ(Button->Control()->Font()->Size(), 8);
}

TEST(DialogControl, TheCaptionFollowsTheNameOnlyWhileItShowsTheName)
{
    DialogReport R;
    auto *Button = new TfrxTestButtonControl(R.Page);
    EXPECT_EQ(Button->BaseName(), "TestButton");
    Button->CreateUniqueName();
    EXPECT_EQ(Button->Name(), "TestButton1");
    Button->SetCaption(Button->Name());
    Button->SetName("OkButton");
    EXPECT_EQ(Button->Caption(), "OkButton");
    Button->SetCaption("OK");
    Button->SetName("Accept");
    EXPECT_EQ(Button->Caption(), "OK");
}

// ---- events ----

TEST(DialogControl, ControlEventsCallTheNamedScriptProcedures)
{
    DialogReport R;
    auto *Button = new TfrxTestButtonControl(R.Page);
    Button->SetName("Button1");
    Button->OnClick = "Clicked";
    Button->OnMouseDown = "Pressed";
    Button->OnKeyDown = "KeyDown";
    Button->OnKeyPress = "KeyPress";
    Button->OnEnter = "Entered";
    R.Compile("var Clicks, Where, Focused: Integer; Who: String;\r\n"
              "procedure Clicked(Sender: TfrxComponent);\r\n"
              "begin\r\n  Clicks := Clicks + 1;\r\n  Who := Sender.Name;\r\nend;\r\n"
              "procedure Pressed(Sender: TfrxComponent; Button, Shift, X, Y: Integer);\r\n"
              "begin\r\n  Where := Button * 10000 + X * 100 + Y;\r\nend;\r\n"
              "procedure KeyDown(Sender: TfrxComponent; var Key: Integer; Shift: Integer);\r\n"
              "begin\r\n  Key := Key + 1;\r\nend;\r\n"
              "procedure KeyPress(Sender: TfrxComponent; var Key: String);\r\n"
              "begin\r\n  Key := 'z';\r\nend;\r\n"
              "procedure Entered(Sender: TfrxComponent);\r\n"
              "begin\r\n  Focused := 1;\r\nend;\r\n"
              "begin\r\nend.");
    auto *C = static_cast<TWinControl *>(Button->Control());
    C->OnClick(C);
    C->OnMouseDown(C, mbRight, TShiftState(), 12, 34);
    WORD Key = 65;
    C->OnKeyDown(C, Key, TShiftState());
    char Typed = 'a';
    C->OnKeyPress(C, Typed);
    C->OnEnter(C);
    EXPECT_EQ(R.Var("Clicks").AsInteger(), 1);
    EXPECT_EQ(R.Var("Who").AsString(), "Button1");
    EXPECT_EQ(R.Var("Where").AsInteger(), 1 * 10000 + 1234);
    EXPECT_EQ(Key, 66);
    EXPECT_EQ(Typed, 'z');
    EXPECT_EQ(R.Var("Focused").AsInteger(), 1);
}

// ---- drawing and lifetime ----

TEST(DialogControl, DrawCopiesTheControlsPictureToItsPlace)
{
    DialogReport R;
    auto *Panel = new TfrxTestPanelControl(R.Page);
    Panel->SetBounds(10, 20, 30, 16);
    Panel->SetColor(clLime);
    TBitmap Target;
    Target.SetSize(60, 60);
    Target.Canvas()->Brush()->SetColor(clWhite);
    Target.Canvas()->FillRect(Rect(0, 0, 60, 60));
    Panel->Draw(Target.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(Target.Canvas()->Pixels(25, 28), clLime);
    EXPECT_EQ(Target.Canvas()->Pixels(9, 28), clWhite);
    EXPECT_EQ(Target.Canvas()->Pixels(40, 28), clWhite);
    EXPECT_EQ(Target.Canvas()->Pixels(25, 36), clWhite);
}

TEST(DialogControl, FreeingAPageOrAParentFreesEachControlOnce)
{
    DialogReport R;
    auto *Panel = new TfrxTestPanelControl(R.Page);
    new TfrxTestButtonControl(Panel);
    new TfrxTestButtonControl(R.Page);
    delete Panel;
    EXPECT_EQ(R.Page->Form()->ControlCount(), 1);
    delete R.Page;
    auto *Loose = new TfrxTestButtonControl(nullptr);
    EXPECT_EQ(Loose->Control()->Parent(), frxParentForm());
    delete Loose;
    EXPECT_EQ(frxParentForm()->ControlCount(), 0);
}

TEST(DialogControl, SetFocusFocusesAWindowedControlAlsoFromAScript)
{
    DialogReport R;
    auto *First = new TfrxTestButtonControl(R.Page);
    First->SetBounds(10, 10, 80, 24);
    auto *Second = new TfrxTestButtonControl(R.Page);
    Second->SetName("Button2");
    Second->SetBounds(10, 40, 80, 24);
    R.Page->Form()->Show();
    First->SetFocus();
    EXPECT_TRUE(static_cast<TWinControl *>(First->Control())->Focused());

    // A dialog library registers its controls with the scripts; here the test's own one.
    R.Report->Script()->AddClass(TfrxTestButtonControl::StaticClass(), "TfrxDialogControl");
    R.Compile("begin\r\n  Button2.SetFocus;\r\nend.");
    R.Report->Script()->Execute();
    EXPECT_TRUE(static_cast<TWinControl *>(Second->Control())->Focused());
    R.Page->Form()->Hide();
}
