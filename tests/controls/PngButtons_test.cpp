// The PNG check box, the PNG push button and the image button.

#include "controls/ImageButton.h"
#include "controls/PngCheckBox.h"
#include "controls/XpButton.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/win/Paint.h"
#include "tests/controls/FormStream.h"
#include "tests/controls/PngFixtures.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

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
    Button->SetModalResult(MyModalResult::mrOk);
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
    std::vector<std::string> Events;
    auto Pass = [&](TControl *Button) {
        Events.clear();
        Button->Perform(CM_MOUSEENTER, 0, 0);
        Button->Perform(CM_MOUSELEAVE, 0, 0);
        return Events;
    };
    auto Check = [&](auto *Button) {
        SCOPED_TRACE(Button->ClassName().View());
        Button->OnMouseEnter = [&](TObject *) { Events.push_back("enter"); };
        Button->OnMouseExit = [&](TObject *) { Events.push_back("exit"); };
        Button->SetEnabled(false);
        EXPECT_TRUE(Pass(Button).empty());
        Button->SetEnabled(true);
        EXPECT_EQ(Pass(Button), (std::vector<std::string>{"enter", "exit"}));
    };
    Check(Xp);
    Check(Image);
}

TEST_F(PngButtonsTest, XpButtonPressesAndClicksWithoutMouseDownOrUpEvents)
{
    TForm *Form = ShownForm();
    auto *Other = new TButton(Form);
    Other->SetParent(Form);
    Other->SetBounds(200, 10, 80, 25);
    auto *Xp = new TXpButton(Form);
    Xp->SetParent(Form);
    Xp->SetBounds(10, 10, 100, 30);
    int Downs = 0, Ups = 0, Clicks = 0;
    Xp->OnMouseDown = [&](TObject *, TMouseButton, TShiftState, int, int) { ++Downs; };
    Xp->OnMouseUp = [&](TObject *, TMouseButton, TShiftState, int, int) { ++Ups; };
    Xp->OnClick = [&](TObject *) { ++Clicks; };
    vcltest::Pump();
    Other->SetFocus();
    vcltest::MouseDown(Xp, 20, 10);
    vcltest::Pump();
    EXPECT_TRUE(Xp->Pressed());
    EXPECT_TRUE(Xp->Focused()) << "the platform button took the press";
    vcltest::MouseUp(Xp, 20, 10);
    vcltest::Pump();
    EXPECT_FALSE(Xp->Pressed());
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(Downs, 0);
    EXPECT_EQ(Ups, 0);
}

TEST_F(PngButtonsTest, ImageButtonSinksWhilePressedWithoutMouseDownOrUpEvents)
{
    TForm *Form = ShownForm();
    auto *Image = new TImageButton(Form);
    Image->SetParent(Form);
    Image->SetBounds(10, 10, 48, 48);
    Image->SetPngPicture(Solid(20, 20, static_cast<TColor>(RGB(100, 20, 150))).get());
    int Downs = 0, Ups = 0, Clicks = 0;
    Image->OnMouseDown = [&](TObject *, TMouseButton, TShiftState, int, int) { ++Downs; };
    Image->OnMouseUp = [&](TObject *, TMouseButton, TShiftState, int, int) { ++Ups; };
    Image->OnClick = [&](TObject *) { ++Clicks; };
    // The button lies on the form's surface: its pixels are the form's, at the button's place.
    const HWND W = Form->Handle();
    RECT Window{};
    GetWindowRect(W, &Window);
    const TPoint Origin = Form->ClientOrigin();
    const auto At = [&](int X, int Y) {
        return win::SurfacePixel(W, Origin.X - Window.left + 10 + X,
                                 Origin.Y - Window.top + 10 + Y);
    };
    vcltest::Pump();
    Image->Perform(CM_MOUSEENTER, 0, 0);
    vcltest::MouseDown(Image, 5, 5);
    vcltest::Pump();
    EXPECT_TRUE(Image->Pressed());
    Form->Repaint();
    EXPECT_EQ(At(1, 1), RGB(45, 0, 95)) << "darker, one pixel down and right";
    EXPECT_NE(At(0, 0), RGB(45, 0, 95));
    vcltest::MouseUp(Image, 5, 5);
    vcltest::Pump();
    EXPECT_FALSE(Image->Pressed());
    Form->Repaint();
    EXPECT_EQ(At(0, 0), RGB(155, 75, 205)) << "brighter again under the pointer";
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(Downs, 0);
    EXPECT_EQ(Ups, 0);
}

TEST_F(PngButtonsTest, AFormStreamBringsTheCheckBoxBack)
{
    PngCheckBox::Register();
    ctltest::TStreamedForm Form(nullptr);
    auto *Box = ctltest::Place<TPngCheckBox>(Form, "CHB_KeyHex");
    Box->SetBounds(10, 10, 150, 20);
    Box->SetPngCheck(Solid(16, 24, clLime).get());
    Box->SetPngUncheck(Solid(16, 20, clRed).get());
    Box->SetCaption("Печать кода ключа"_a);
    Box->SetPngAlign(TPngCheckBox::paRight);
    Box->SetShadowColor(clSilver);
    Box->SetDisplaceX(2);
    Box->SetDisplaceY(3);
    Box->SetShadow(true);
    Box->SetChecked(true);
    Box->SetFrame(7);
    Box->SetManualMode(false);
    Form.BindClick(Box);

    auto Copy = ctltest::ReadBack(Form);
    auto *Back = ctltest::Found<TPngCheckBox>(*Copy, "CHB_KeyHex");
    ASSERT_TRUE(Back);
    EXPECT_EQ(Back->Caption(), "Печать кода ключа"_a);
    EXPECT_EQ(Back->PngAlign(), TPngCheckBox::paRight);
    EXPECT_EQ(Back->ShadowColor(), clSilver);
    EXPECT_EQ(Back->DisplaceX(), 2);
    EXPECT_EQ(Back->DisplaceY(), 3);
    EXPECT_TRUE(Back->Shadow());
    EXPECT_TRUE(Back->Checked());
    EXPECT_EQ(Back->Frame(), 7);
    EXPECT_FALSE(Back->ManualMode());
    EXPECT_EQ(Back->Height(), 24);
    EXPECT_EQ(pngtest::Save(*Back->PngCheck()), pngtest::Save(*Box->PngCheck()));
    EXPECT_EQ(pngtest::Save(*Back->PngUncheck()), pngtest::Save(*Box->PngUncheck()));

    Copy->SetBounds(50, 50, 200, 100);
    Copy->Show();
    vcltest::Pump();
    vcltest::Click(Back, 5, 5);
    ASSERT_TRUE(vcltest::PumpUntil([&] { return !Copy->Clicked.empty(); }));
    EXPECT_EQ(Copy->Clicked, std::vector<TObject *>{Back});
    EXPECT_TRUE(Back->Checked()) << "the owner sets the state";
    Copy->Repaint();
    EXPECT_GE(FirstOf(Copy->Handle(), Copy->Width(), Copy->Height(), RGB(0, 255, 0)).first, 0);
}

TEST_F(PngButtonsTest, AFormStreamBringsBackEachButtonsIndentPictureAndResult)
{
    XpButton::Register();
    ImageButton::Register();
    ctltest::TStreamedForm Form(nullptr);
    const TColor Face = static_cast<TColor>(RGB(100, 20, 150));
    // A new button's indent is 4; every other one, 3 too, must come back.
    auto *Read = ctltest::Place<TXpButton>(Form, "BTN_Read");
    Read->SetBounds(10, 10, 100, 30);
    Read->SetPngPicture(Solid(16, 16, Face).get());
    Read->SetPngIndent(3);
    Form.BindClick(Read, "OnMouseExit");
    auto *Quit = ctltest::Place<TXpButton>(Form, "BTN_Quit");
    Quit->SetBounds(10, 50, 100, 30);
    Quit->SetPngPicture(Solid(16, 16, Face).get());
    Quit->SetPngAlign(TXpButton::paRight);
    auto *Close = ctltest::Place<TImageButton>(Form, "IB_Close");
    Close->SetPngPicture(Solid(24, 20, clRed).get());
    Close->SetModalResult(MyModalResult::mrCancel);
    Form.BindClick(Close, "OnMouseEnter");

    auto Copy = ctltest::ReadBack(Form);
    auto *ReadCopy = ctltest::Found<TXpButton>(*Copy, "BTN_Read");
    auto *QuitBack = ctltest::Found<TXpButton>(*Copy, "BTN_Quit");
    auto *CloseBack = ctltest::Found<TImageButton>(*Copy, "IB_Close");
    ASSERT_TRUE(ReadCopy && QuitBack && CloseBack);
    EXPECT_EQ(ReadCopy->PngIndent(), 3);
    EXPECT_EQ(QuitBack->PngIndent(), 4);
    EXPECT_EQ(QuitBack->PngAlign(), TXpButton::paRight);
    EXPECT_EQ(CloseBack->ModalResult(), MyModalResult::mrCancel);
    EXPECT_EQ(CloseBack->Width(), 24);
    EXPECT_EQ(pngtest::Save(*CloseBack->PngPicture()), pngtest::Save(*Close->PngPicture()));
    ASSERT_TRUE(ReadCopy->OnMouseExit);
    ReadCopy->OnMouseExit(ReadCopy);
    ASSERT_TRUE(CloseBack->OnMouseEnter);
    CloseBack->OnMouseEnter(CloseBack);
    EXPECT_EQ(Copy->Clicked, (std::vector<TObject *>{ReadCopy, CloseBack}));

    Copy->SetBounds(50, 50, 200, 120);
    Copy->Show();
    vcltest::Pump();
    ReadCopy->Repaint();
    EXPECT_EQ(FirstOf(ReadCopy->Handle(), 100, 30, RGB(100, 20, 150)), (std::pair{3, 7}));
    QuitBack->Repaint();
    EXPECT_EQ(FirstOf(QuitBack->Handle(), 100, 30, RGB(100, 20, 150)),
              (std::pair{100 - 16 - 4, 7}));
}

TEST(PngButtonUnits, EachUnitPutsItsControlOnTheWin32Page)
{
    PngCheckBox::Register();
    XpButton::Register();
    ImageButton::Register();
    const std::vector<TComponentClass> Page = rtl::PaletteClasses("Win32");
    for (TComponentClass Class :
         {TPngCheckBox::StaticClass(), TXpButton::StaticClass(), TImageButton::StaticClass()}) {
        EXPECT_NE(std::find(Page.begin(), Page.end(), Class), Page.end())
            << Class->ClassName().View();
        EXPECT_EQ(GetClass(Class->ClassName()), Class);
    }
}

TEST(PngButtonUnits, TheImageButtonsModalResultsAreNamedAsStored)
{
    PTypeInfo Info = TypeInfo<MyModalResult>();
    EXPECT_EQ(GetEnumName(Info, static_cast<int>(MyModalResult::mrNone)), "mrNone");
    EXPECT_EQ(GetEnumName(Info, static_cast<int>(MyModalResult::mrYesToAll)), "mrYesToAll");
    EXPECT_EQ(GetEnumValue(Info, "mrCancel"), mrCancel) << "the same numbers as the forms' results";
}
