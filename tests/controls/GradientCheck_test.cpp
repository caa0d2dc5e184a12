// The gradient panel's child rule, colours and picture, read from its surface.

#include "controls/GradientCheck.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/win/Paint.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

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

TEST(GradientCheckUnit, RegisterPutsThePanelOnTheWin32Page)
{
    GradientCheck::Register();
    const std::vector<TComponentClass> Page = rtl::PaletteClasses("Win32");
    EXPECT_NE(std::find(Page.begin(), Page.end(), TGradientCheck::StaticClass()), Page.end());
    EXPECT_EQ(GetClass("TGradientCheck"), TGradientCheck::StaticClass());
}
