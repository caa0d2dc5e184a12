// The gradient panel's child rule, colours and picture, read from its surface.

#include "controls/GradientCheck.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/win/Paint.h"
#include "tests/controls/FormStream.h"
#include "tests/controls/PngFixtures.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

class GradientCheckTest : public vcltest::VclTest
{
protected:
    TGradientCheck *Panel()
    {
        TForm *Form = ShownForm();
        auto *P = new TGradientCheck(Form);
        P->SetParent(Form);
        P->SetBounds(10, 10, 120, 60);
        return P;
    }
    static TButton *Child(TGradientCheck *P, bool Enabled)
    {
        auto *B = new TButton(P);
        B->SetParent(P);
        B->SetBounds(5, 5, 20, 20);
        B->SetEnabled(Enabled);
        return B;
    }
    static std::vector<bool> States(TGradientCheck *P)
    {
        std::vector<bool> Out;
        for (int I = 0; I < P->ControlCount(); ++I)
            Out.push_back(P->Controls(I)->Enabled());
        return Out;
    }
    static COLORREF Pixel(TGradientCheck *P, int X, int Y)
    {
        P->Repaint();
        return win::SurfacePixel(P->Handle(), X, Y);
    }
};

TEST_F(GradientCheckTest, ChildrenAreHeldAndGivenBackTheirStates)
{
    TGradientCheck *P = Panel();
    Child(P, true);
    Child(P, false);
    Child(P, true);
    P->SetChecked(false);
    EXPECT_EQ(States(P), (std::vector<bool>{false, false, false}));
    P->SetChecked(true);
    EXPECT_EQ(States(P), (std::vector<bool>{true, false, true}));

    // Disabling twice and enabling again keeps the states.
    P->SetEnabled(false);
    P->SetEnabled(false);
    P->SetEnabled(true);
    EXPECT_EQ(States(P), (std::vector<bool>{true, false, true}));
    // Disabling an unchecked panel, then enabling and checking it.
    P->SetChecked(false);
    P->SetEnabled(false);
    P->SetEnabled(true);
    EXPECT_EQ(States(P), (std::vector<bool>{false, false, false}));
    P->SetChecked(true);
    EXPECT_EQ(States(P), (std::vector<bool>{true, false, true}));

    P->SetChecked(false);
    Child(P, true);
    P->SetChecked(true);
    EXPECT_EQ(States(P), (std::vector<bool>{true, true, true, true}));

    P->SetgForceChildEnabled(true);
    P->Controls(1)->SetEnabled(false);
    P->SetChecked(false);
    P->SetChecked(true);
    EXPECT_EQ(States(P), (std::vector<bool>{true, true, true, true}));
}

TEST_F(GradientCheckTest, ClicksToggleOnlyCheckablePanels)
{
    TGradientCheck *P = Panel();
    int Clicks = 0;
    P->OnClick = [&Clicks](TObject *) { ++Clicks; };
    vcltest::Pump();
    vcltest::Click(P, 50, 30);
    vcltest::Pump();
    EXPECT_FALSE(P->Checked());
    P->SetgCheckable(false);
    vcltest::Pump();
    vcltest::Click(P, 50, 30);
    vcltest::Pump();
    EXPECT_FALSE(P->Checked());
    EXPECT_EQ(Clicks, 2);
    P->SetgCheckable(true);
    EXPECT_TRUE(P->Checked());
    EXPECT_EQ(P->Cursor(), crHandPoint);
}

TEST_F(GradientCheckTest, StatusBoxColoursFollowTheHtmlColour)
{
    TGradientCheck *P = Panel();
    P->SetgGradient(false);
    P->SetgColorBegin(clSilver);
    P->SetgColorHTMLEnd("#FF0000");
    EXPECT_EQ(P->gColorEnd(), static_cast<TColor>(RGB(255, 0, 0)));
    EXPECT_EQ(Pixel(P, 60, 30), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(P, 0, 30), RGB(192, 192, 192));
    P->SetgColorHTMLEnd("#ignore");
    EXPECT_EQ(Pixel(P, 60, 30), RGB(255, 0, 0));
    P->SetgColorEnd(clBlue);
    EXPECT_EQ(P->gColorHTMLEnd(), "#ignore");
    P->SetChecked(false);
    EXPECT_EQ(Pixel(P, 60, 30), RGB(255, 255, 255));
}

TEST_F(GradientCheckTest, AFormStreamBringsBackStatusBoxesAndTitleBars)
{
    GradientCheck::Register();
    ctltest::TStreamedForm Form(nullptr);
    auto *Status = ctltest::Place<TGradientCheck>(Form, "CHG_WriterStatus");
    Status->SetBounds(10, 10, 120, 60);
    Status->SetgGradient(false);
    Status->SetgColorBegin(clSilver);
    Status->SetgColorHTMLEnd("#FF0000");
    Status->SetgCheckable(false);
    Form.BindClick(Status);
    auto *Title = ctltest::Place<TGradientCheck>(Form, "CHG_Title");
    Title->SetBounds(10, 80, 120, 40);
    Title->SetgCaption("Архив"_a);
    Title->SetgPngAlign(TGradientCheck::paBottom);
    auto Picture = pngtest::Load(pngtest::Encode(pngtest::RandomPicture(2, 8, 9, 7, false, 5)));
    Title->SetgPngPicture(Picture.get());
    Title->SetgColorHTMLBegin("#102030");
    Title->SetgColorEnd(clNavy);
    Title->SetgHorizontal(false);
    Title->SetgFrame(false);
    Title->SetgRotate(true);
    Title->SetgRound(true);
    Title->SetgForceChildEnabled(true);
    Title->SetChecked(false);
    Title->SetEnabled(false);

    auto Copy = ctltest::ReadBack(Form);
    auto *StatusBack = ctltest::Found<TGradientCheck>(*Copy, "CHG_WriterStatus");
    auto *TitleBack = ctltest::Found<TGradientCheck>(*Copy, "CHG_Title");
    ASSERT_TRUE(StatusBack && TitleBack);
    EXPECT_FALSE(StatusBack->gGradient());
    EXPECT_FALSE(StatusBack->gCheckable());
    EXPECT_TRUE(StatusBack->Checked());
    EXPECT_EQ(StatusBack->gColorBegin(), clSilver);
    EXPECT_EQ(StatusBack->gColorHTMLBegin(), "#ignore");
    EXPECT_EQ(StatusBack->gColorHTMLEnd(), "#FF0000");
    EXPECT_EQ(TitleBack->gCaption(), "Архив"_a);
    EXPECT_EQ(TitleBack->gPngAlign(), TGradientCheck::paBottom);
    EXPECT_EQ(pngtest::Save(*TitleBack->gPngPicture()), pngtest::Save(*Picture));
    EXPECT_EQ(TitleBack->gColorHTMLBegin(), "#102030");
    EXPECT_EQ(TitleBack->gColorBegin(), static_cast<TColor>(RGB(0x10, 0x20, 0x30)));
    EXPECT_EQ(TitleBack->gColorEnd(), clNavy);
    EXPECT_FALSE(TitleBack->gHorizontal());
    EXPECT_FALSE(TitleBack->gFrame());
    EXPECT_TRUE(TitleBack->gRotate());
    EXPECT_TRUE(TitleBack->gRound());
    EXPECT_TRUE(TitleBack->gForceChildEnabled());
    EXPECT_FALSE(TitleBack->Checked());
    EXPECT_FALSE(TitleBack->Enabled());

    Copy->SetBounds(50, 50, 200, 160);
    Copy->Show();
    vcltest::Pump();
    EXPECT_EQ(Pixel(StatusBack, 60, 30), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(StatusBack, 0, 30), RGB(192, 192, 192));
    vcltest::Click(StatusBack, 60, 30);
    ASSERT_TRUE(vcltest::PumpUntil([&] { return !Copy->Clicked.empty(); }));
    EXPECT_EQ(Copy->Clicked, std::vector<TObject *>{StatusBack});
    EXPECT_TRUE(StatusBack->Checked()) << "not checkable";
}

TEST_F(GradientCheckTest, GradientRunsFromTheFirstColourToTheSecond)
{
    TGradientCheck *P = Panel();
    P->SetgFrame(false);
    P->SetgColorBegin(clBlack);
    P->SetgColorEnd(clWhite);
    EXPECT_EQ(Pixel(P, 0, 30), RGB(0, 0, 0));
    const COLORREF Middle = Pixel(P, 60, 30);
    EXPECT_NEAR(GetRValue(Middle), 128, 3);
    P->SetgRotate(true);
    EXPECT_EQ(Pixel(P, 0, 30), RGB(255, 255, 255));
    P->SetgRotate(false);
    P->SetgHorizontal(false);
    EXPECT_EQ(Pixel(P, 100, 0), RGB(0, 0, 0));
    EXPECT_GT(GetRValue(Pixel(P, 100, 58)), 240);
}

TEST_F(GradientCheckTest, OnlyEnabledCheckablePanelsReportTheMouseComingAndGoing)
{
    TGradientCheck *P = Panel();
    std::vector<std::string> Events;
    P->OnMouseEnter = [&](TObject *) { Events.push_back("enter"); };
    P->OnMouseExit = [&](TObject *) { Events.push_back("exit"); };
    auto Pass = [&] {
        Events.clear();
        P->Perform(CM_MOUSEENTER, 0, 0);
        P->Perform(CM_MOUSELEAVE, 0, 0);
        return Events;
    };
    P->SetgCheckable(false);
    EXPECT_TRUE(Pass().empty()) << "not checkable";
    P->SetgCheckable(true);
    P->SetEnabled(false);
    EXPECT_TRUE(Pass().empty()) << "disabled";
    P->SetEnabled(true);
    EXPECT_EQ(Pass(), (std::vector<std::string>{"enter", "exit"}));
}

// A panel changed after it was painted must show what a panel made with its final
// properties shows on its first paint: the buffer behind the panel is redrawn only
// when what it shows has changed.
class GradientCheckRedrawTest : public vcltest::VclTest
{
protected:
    using TChange = std::function<void(TGradientCheck *)>;

    void SetUp() override
    {
        VclTest::SetUp();
        Form = ShownForm(400, 300);
    }

    static std::unique_ptr<TPNGObject> Picture(std::uint32_t Seed)
    {
        return pngtest::Load(pngtest::Encode(pngtest::RandomPicture(2, 8, 16, 16, false, Seed)));
    }

    // A checkable gradient panel with a caption and a picture, with Change applied
    // before it is shown, at the top left of the form or below it.
    TGradientCheck *Made(const TChange &Change, bool Below)
    {
        auto *P = new TGradientCheck(Form);
        P->SetBounds(10, Below ? 120 : 10, 120, 60);
        P->SetgColorBegin(clNavy);
        P->SetgColorEnd(clAqua);
        P->SetgCaption("Status");
        P->SetgPngAlign(TGradientCheck::paCenter);
        P->SetgPngPicture(Picture(1).get());
        if (Change) Change(P);
        P->SetParent(Form);
        return P;
    }

    // The panel's surface as its paints so far left it.
    static std::vector<COLORREF> Surface(TGradientCheck *P)
    {
        std::vector<COLORREF> Out;
        for (int Y = 0; Y < P->Height(); ++Y)
            for (int X = 0; X < P->Width(); ++X)
                Out.push_back(win::SurfacePixel(P->Handle(), X, Y));
        return Out;
    }

    static std::vector<COLORREF> Pixels(TGradientCheck *P)
    {
        P->Repaint();
        return Surface(P);
    }

    // Paints a panel, changes it, and compares it with a fresh panel holding the change.
    void ExpectRedrawn(const char *What, const TChange &Change)
    {
        TGradientCheck *Old = Made({}, false);
        const std::vector<COLORREF> Before = Pixels(Old);
        Change(Old);
        const std::vector<COLORREF> After = Pixels(Old);
        EXPECT_NE(After, Before) << What << " does not show, so it proves nothing";
        TGradientCheck *Fresh = Made(Change, true);
        EXPECT_EQ(After, Pixels(Fresh)) << What;
        delete Old;
        delete Fresh;
    }

    TForm *Form = nullptr;
};

TEST_F(GradientCheckRedrawTest, EachPropertyChangeRedrawsThePanel)
{
    ExpectRedrawn("caption", [](TGradientCheck *P) { P->SetgCaption("Reading 12"); });
    ExpectRedrawn("first colour", [](TGradientCheck *P) { P->SetgColorBegin(clMaroon); });
    ExpectRedrawn("second colour", [](TGradientCheck *P) { P->SetgColorEnd(clYellow); });
    ExpectRedrawn("HTML colour", [](TGradientCheck *P) { P->SetgColorHTMLEnd("#FF0000"); });
    ExpectRedrawn("horizontal", [](TGradientCheck *P) { P->SetgHorizontal(false); });
    ExpectRedrawn("frame", [](TGradientCheck *P) { P->SetgFrame(false); });
    ExpectRedrawn("rotate", [](TGradientCheck *P) { P->SetgRotate(true); });
    ExpectRedrawn("round", [](TGradientCheck *P) { P->SetgRound(true); });
    ExpectRedrawn("plain box", [](TGradientCheck *P) { P->SetgGradient(false); });
    ExpectRedrawn("picture alignment",
                  [](TGradientCheck *P) { P->SetgPngAlign(TGradientCheck::paBottom); });
    ExpectRedrawn("width", [](TGradientCheck *P) { P->SetWidth(150); });
    ExpectRedrawn("height", [](TGradientCheck *P) { P->SetHeight(40); });
}

TEST_F(GradientCheckRedrawTest, StateChangesRedrawThePanel)
{
    ExpectRedrawn("unchecked", [](TGradientCheck *P) { P->SetChecked(false); });
    ExpectRedrawn("disabled", [](TGradientCheck *P) { P->SetEnabled(false); });
    ExpectRedrawn("hovered", [](TGradientCheck *P) { P->Perform(CM_MOUSEENTER, 0, 0); });
}

TEST_F(GradientCheckRedrawTest, FontChangesRedrawThePanel)
{
    ExpectRedrawn("font colour", [](TGradientCheck *P) { P->Font()->SetColor(clRed); });
    ExpectRedrawn("font size", [](TGradientCheck *P) { P->Font()->SetSize(14); });
    ExpectRedrawn("font style",
                  [](TGradientCheck *P) { P->Font()->SetStyle(TFontStyles{fsBold}); });
    ExpectRedrawn("font name", [](TGradientCheck *P) { P->Font()->SetName("Courier New"); });
    ExpectRedrawn("font pitch", [](TGradientCheck *P) { P->Font()->SetPitch(fpFixed); });
    // A resolution of its own is not reported by the font, and the parent's would replace it.
    ExpectRedrawn("font resolution", [](TGradientCheck *P) {
        P->SetParentFont(false);
        P->Font()->SetPixelsPerInch(192);
    });
}

TEST_F(GradientCheckRedrawTest, TheParentsFontRedrawsThePanel)
{
    TGradientCheck *Old = Made({}, false);
    const std::vector<COLORREF> Before = Pixels(Old);
    Form->Font()->SetColor(clRed);
    const std::vector<COLORREF> After = Pixels(Old);
    EXPECT_NE(After, Before);
    EXPECT_EQ(After, Pixels(Made({}, true)));
}

TEST_F(GradientCheckRedrawTest, PictureChangedInPlaceRedrawsThePanel)
{
    ExpectRedrawn("picture assigned",
                  [](TGradientCheck *P) { P->gPngPicture()->Assign(Picture(2).get()); });
    const std::filesystem::path File = std::filesystem::temp_directory_path() /
                                       ("gradient_check_" + std::to_string(getpid()) + ".png");
    const pngtest::Bytes Bytes = pngtest::Encode(pngtest::RandomPicture(2, 8, 16, 16, false, 3));
    std::ofstream(File, std::ios::binary)
        .write(reinterpret_cast<const char *>(Bytes.data()),
               static_cast<std::streamsize>(Bytes.size()));
    ExpectRedrawn("picture loaded", [&File](TGradientCheck *P) {
        P->gPngPicture()->LoadFromFile(File.string().c_str());
    });
    std::filesystem::remove(File);
}

TEST_F(GradientCheckRedrawTest, APictureHandlerOfTheCallersOwnLeavesThePanelRedrawing)
{
    int Reports = 0;
    ExpectRedrawn("picture with a handler of its own", [&Reports](TGradientCheck *P) {
        P->gPngPicture()->OnChange = [&Reports](TObject *) { ++Reports; };
        P->gPngPicture()->Assign(Picture(2).get());
    });
    EXPECT_EQ(Reports, 2); // one assignment to each of the two panels
}

// The status box under its counting label: each caption repaints part of the box.
TEST_F(GradientCheckRedrawTest, ALabelCountingOverThePanelLeavesItAsAFreshPaint)
{
    const auto Labelled = [](TGradientCheck *P, const AnsiString &Caption) {
        auto *Label = new TLabel(P);
        Label->SetParent(P);
        Label->SetBounds(8, 8, 100, 18);
        Label->SetCaption(Caption);
        return Label;
    };
    TGradientCheck *Counting = Made({}, false);
    TLabel *Label = Labelled(Counting, "Reading... ");
    Pixels(Counting);
    // Counting down, so the label also shrinks and gives back part of the panel.
    for (int Cell = 1000; Cell >= 1; Cell -= 37) {
        Label->SetCaption("Reading... " + IntToStr(Cell));
        vcltest::Pump();
    }
    const std::vector<COLORREF> Counted = Surface(Counting);
    TGradientCheck *Fresh = Made({}, true);
    Labelled(Fresh, Label->Caption());
    EXPECT_EQ(Counted, Pixels(Fresh));
}

TEST(GradientCheckUnit, RegisterPutsThePanelOnTheWin32Page)
{
    GradientCheck::Register();
    const std::vector<TComponentClass> Page = rtl::PaletteClasses("Win32");
    EXPECT_NE(std::find(Page.begin(), Page.end(), TGradientCheck::StaticClass()), Page.end());
    EXPECT_EQ(GetClass("TGradientCheck"), TGradientCheck::StaticClass());
}
