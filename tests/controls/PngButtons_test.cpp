// The PNG check box, the PNG push button and the image button.

#include "controls/ImageButton.h"
#include "controls/PngCheckBox.h"
#include "controls/XpButton.h"
#include "platform/win/Paint.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

namespace
{

std::unique_ptr<TPNGObject> Solid(int Width, int Height, TColor Color)
{
    auto Png = std::make_unique<TPNGObject>(COLOR_RGB, 8, Width, Height);
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X)
            Png->SetPixels(X, Y, Color);
    return Png;
}

// Where a colour first shows on a window's surface, scanning rows from the top.
std::pair<int, int> FirstOf(HWND Window, int Width, int Height, COLORREF Color)
{
    for (int Y = 0; Y < Height; ++Y)
        for (int X = 0; X < Width; ++X)
            if (win::SurfacePixel(Window, X, Y) == Color) return {X, Y};
    return {-1, -1};
}

} // namespace

class PngButtonsTest : public vcltest::VclTest
{
};

TEST_F(PngButtonsTest, CheckBoxStateClicksAndHeight)
{
    TForm *Form = ShownForm();
    auto *Box = new TPngCheckBox(Form);
    Box->SetParent(Form);
    Box->SetBounds(10, 10, 150, 20);
    Box->SetPngCheck(Solid(16, 24, clLime).get());
    Box->SetPngUncheck(Solid(16, 20, clRed).get());
    EXPECT_EQ(Box->Height(), 24);
    int Clicks = 0;
    Box->OnClick = [&Clicks](TObject *) { ++Clicks; };
    vcltest::Pump();
    vcltest::Click(Box, 5, 5);
    vcltest::Pump();
    EXPECT_TRUE(Box->Checked());
    Box->SetManualMode(false);
    vcltest::Pump();
    vcltest::Click(Box, 5, 5);
    vcltest::Pump();
    EXPECT_TRUE(Box->Checked());
    EXPECT_EQ(Clicks, 2);

    const HWND W = Form->Handle();
    Form->Repaint();
    EXPECT_GE(FirstOf(W, Form->Width(), Form->Height(), RGB(0, 255, 0)).first, 0);
    EXPECT_EQ(FirstOf(W, Form->Width(), Form->Height(), RGB(255, 0, 0)).first, -1);
    Box->SetChecked(false);
    Form->Repaint();
    EXPECT_EQ(FirstOf(W, Form->Width(), Form->Height(), RGB(0, 255, 0)).first, -1);
    EXPECT_GE(FirstOf(W, Form->Width(), Form->Height(), RGB(255, 0, 0)).first, 0);
    Box->SetEnabled(false);
    Form->Repaint();
    EXPECT_EQ(FirstOf(W, Form->Width(), Form->Height(), RGB(255, 0, 0)).first, -1);
}

TEST_F(PngButtonsTest, ButtonPictureBrightensOnHoverAndSinksWhenPressed)
{
    TForm *Form = ShownForm();
    auto *Button = new TXpButton(Form);
    Button->SetParent(Form);
    Button->SetBounds(10, 10, 100, 30);
    const TColor Face = static_cast<TColor>(RGB(100, 20, 150));
    Button->SetPngPicture(Solid(16, 16, Face).get());
    const HWND W = Button->Handle();
    Button->Repaint();
    auto Plain = FirstOf(W, 100, 30, RGB(100, 20, 150));
    EXPECT_EQ(Plain.first, 4);
    EXPECT_EQ(Plain.second, 7);

    Button->Perform(CM_MOUSEENTER, 0, 0);
    Button->Repaint();
    auto Bright = FirstOf(W, 100, 30, RGB(155, 75, 205));
    EXPECT_EQ(Bright, (std::pair{4, 7}));
    EXPECT_EQ(win::SurfacePixel(W, 19, 7), RGB(155, 75, 205));

    vcltest::Pump();

    vcltest::MouseDown(Button, 50, 15);

    vcltest::Pump();
    Button->Repaint();
    EXPECT_EQ(FirstOf(W, 100, 30, RGB(45, 0, 95)), (std::pair{5, 8}));
    EXPECT_EQ(win::SurfacePixel(W, 20, 8), RGB(45, 0, 95));
    vcltest::Pump();
    vcltest::MouseUp(Button, 50, 15);
    vcltest::Pump();
    Button->Repaint();
    EXPECT_EQ(FirstOf(W, 100, 30, RGB(155, 75, 205)), (std::pair{4, 7}));

    Button->Perform(CM_MOUSELEAVE, 0, 0);
    Button->SetPngAlign(TXpButton::paRight);
    Button->Repaint();
    EXPECT_EQ(FirstOf(W, 100, 30, RGB(100, 20, 150)).first, 100 - 16 - 4);
}

TEST_F(PngButtonsTest, ImageButtonClosesItsModalForm)
{
    TForm Dialog(nullptr);
    Dialog.SetBounds(100, 100, 200, 150);
    auto *Button = new TImageButton(&Dialog);
    Button->SetParent(&Dialog);
    Button->SetPngPicture(Solid(24, 20, clRed).get());
    EXPECT_EQ(Button->Width(), 24);
    Button->SetModalResult(mrOk);
    int Clicks = 0;
    Button->OnClick = [&](TObject *) { ++Clicks; };
    Dialog.OnShow = [&](TObject *) { vcltest::Click(Button, 5, 5); };
    EXPECT_EQ(Dialog.ShowModal(), mrOk);
    EXPECT_EQ(Clicks, 1);
}

TEST_F(PngButtonsTest, OnlyEnabledButtonsReportTheMouseComingAndGoing)
{
    TForm *Form = ShownForm();
    auto *Xp = new TXpButton(Form);
    Xp->SetParent(Form);
    auto *Image = new TImageButton(Form);
    Image->SetParent(Form);
    for (TControl *Button : {static_cast<TControl *>(Xp), static_cast<TControl *>(Image)}) {
        SCOPED_TRACE(Button->ClassName().Std());
        std::vector<std::string> Events;
        Button->OnMouseEnter = [&](TObject *) { Events.push_back("enter"); };
        Button->OnMouseLeave = [&](TObject *) { Events.push_back("leave"); };
        Button->SetEnabled(false);
        Button->Perform(CM_MOUSEENTER, 0, 0);
        Button->Perform(CM_MOUSELEAVE, 0, 0);
        EXPECT_TRUE(Events.empty());
        Button->SetEnabled(true);
        Button->Perform(CM_MOUSEENTER, 0, 0);
        Button->Perform(CM_MOUSELEAVE, 0, 0);
        EXPECT_EQ(Events, (std::vector<std::string>{"enter", "leave"}));
    }
}
