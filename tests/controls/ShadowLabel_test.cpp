// HTML colour text and the shadowed label, read back from the form's surface.

#include "controls/ShadowLabel.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/win/Paint.h"
#include "tests/controls/FormStream.h"
#include "tests/controls/PngDrawing.h"
#include "tests/controls/PngFixtures.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pngtest;

TEST(HTMLColorTest, ColoursAndTextsConvertBothWays)
{
    EXPECT_EQ(HTMLColor(static_cast<TColor>(0x00FF8040)).HTML(), "#4080FF");
    EXPECT_EQ(HTMLColor(static_cast<TColor>(RGB(255, 0, 0))).HTML(), "#FF0000");
    EXPECT_EQ(HTMLColor("#ff8000").Color(), static_cast<TColor>(0x000080FF));
    EXPECT_EQ(HTMLColor("#FF8000").Value(), 0x80FF);
    EXPECT_EQ(HTMLColor("#1G0000").Color(), 0);
    EXPECT_EQ(HTMLColor("#G10000").Color(), 1);
    EXPECT_EQ(HTMLColor("red").HTML(), "#000000");
    EXPECT_EQ(HTMLColor("#FF00001").Color(), 0);
    EXPECT_EQ(HTMLColor().HTML(), "#000000");
    // System colours are the colour they stand for.
    EXPECT_EQ(HTMLColor(clBtnFace).Color(), static_cast<TColor>(ColorToRGB(clBtnFace)));
}

class ShadowLabelTest : public vcltest::VclTest
{
};

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

// A background of three pieces: 10 pixels of red at the left, a green middle piece tiled, and
// 10 pixels of blue at the right.
void SetThreePieces(TShadowLabel *Label)
{
    Label->SetPngLeft(Solid(10, 20, static_cast<TColor>(RGB(200, 0, 0))).get());
    Label->SetPngCenter(Solid(30, 20, static_cast<TColor>(RGB(0, 200, 0))).get());
    Label->SetPngRight(Solid(10, 20, static_cast<TColor>(RGB(0, 0, 200))).get());
}

// The colour of the three pieces at X on a label 100 pixels wide.
TColor PieceAt(int X)
{
    return static_cast<TColor>(X < 10 ? RGB(200, 0, 0) : X < 90 ? RGB(0, 200, 0) : RGB(0, 0, 200));
}

COLORREF At(TControl *Control, int X, int Y)
{
    TWinControl *Parent = Control->Parent();
    const TPoint Origin = Parent->ClientOrigin();
    RECT Window{};
    GetWindowRect(Parent->Handle(), &Window);
    return win::SurfacePixel(Parent->Handle(), Origin.X - Window.left + Control->Left() + X,
                             Origin.Y - Window.top + Control->Top() + Y);
}

} // namespace

TEST_F(ShadowLabelTest, ThreePieceBackgroundTilesTheMiddle)
{
    TForm *Form = ShownForm();
    auto *Label = new TShadowLabel(Form);
    Label->SetParent(Form);
    Label->SetBounds(10, 10, 100, 20);
    SetThreePieces(Label);
    Form->Repaint();
    for (int X = 0; X < 100; ++X)
        EXPECT_EQ(At(Label, X, 2), ColorToRGB(PieceAt(X))) << X;

    // Disabled: grey, half blended pictures over the form.
    Label->SetEnabled(false);
    Form->Repaint();
    // Grey 118 of the middle piece, half blended over the form.
    const TColor Gray = static_cast<TColor>(RGB(118, 118, 118));
    EXPECT_EQ(At(Label, 50, 2),
              ColorToRGB(BlendColor(Gray, static_cast<TColor>(ColorToRGB(Form->Color())), 128)));
}

TEST_F(ShadowLabelTest, CaptionAndShadowSitWhereTheAlignmentSays)
{
    TForm *Form = ShownForm();
    Form->SetColor(clWhite);
    auto *Label = new TShadowLabel(Form);
    Label->SetParent(Form);
    Label->SetBounds(10, 10, 120, 24);
    Label->Font()->SetColor(clBlack);
    Label->Font()->SetHeight(-16);
    Label->SetShadowColor(clRed);
    Label->SetDisplaceX(3);
    Label->SetCaption("I");
    const auto Columns = [&](COLORREF Color) {
        std::vector<int> Out;
        for (int X = 0; X < 120; ++X)
            for (int Y = 0; Y < 24; ++Y)
                if (At(Label, X, Y) == Color) {
                    Out.push_back(X);
                    break;
                }
        return Out;
    };
    Form->Repaint();
    auto Text = Columns(RGB(0, 0, 0));
    auto Shadow = Columns(RGB(255, 0, 0));
    ASSERT_FALSE(Text.empty());
    ASSERT_FALSE(Shadow.empty());
    EXPECT_LT(Text.front(), 10);
    EXPECT_EQ(Shadow.back(), Text.back() + 3);

    Label->SetAlignment(taRightJustify);
    Form->Repaint();
    Text = Columns(RGB(0, 0, 0));
    ASSERT_FALSE(Text.empty());
    EXPECT_GT(Text.front(), 100);

    Label->SetEnabled(false);
    Form->Repaint();
    EXPECT_FALSE(Columns(RGB(192, 192, 192)).empty());
    EXPECT_TRUE(Columns(RGB(0, 0, 0)).empty());
    EXPECT_TRUE(Columns(RGB(255, 0, 0)).empty());
}

TEST_F(ShadowLabelTest, AFormStreamBringsTheLabelBackAsItWas)
{
    ShadowLabel::Register();
    ctltest::TStreamedForm Form(nullptr);
    auto *Label = ctltest::Place<TShadowLabel>(Form, "SL_Dallas");
    Label->SetBounds(10, 10, 100, 20);
    SetThreePieces(Label);
    Label->SetPngPicture(Solid(4, 3, clWhite).get());
    Label->SetShadowColor(clRed);
    Label->SetDisplaceX(2);
    Label->SetDisplaceY(0);
    Label->SetFrame(5);
    Label->SetShadow(false);
    Label->SetAlignment(taCenter);
    Label->SetCaption("Даллас"_a);
    Form.BindClick(Label);

    auto Copy = ctltest::ReadBack(Form);
    auto *Back = ctltest::Found<TShadowLabel>(*Copy, "SL_Dallas");
    ASSERT_TRUE(Back);
    EXPECT_EQ(Back->ShadowColor(), clRed);
    EXPECT_EQ(Back->DisplaceX(), 2);
    EXPECT_EQ(Back->DisplaceY(), 0);
    EXPECT_EQ(Back->Frame(), 5);
    EXPECT_FALSE(Back->Shadow());
    EXPECT_EQ(Back->Alignment(), taCenter);
    EXPECT_EQ(Back->Caption(), "Даллас"_a);
    EXPECT_EQ(Save(*Back->PngPicture()), Save(*Label->PngPicture()));
    ASSERT_TRUE(Back->OnClick);
    Back->OnClick(Back);
    EXPECT_EQ(Copy->Clicked, std::vector<TObject *>{Back});

    Copy->SetBounds(50, 50, 200, 100);
    Copy->Show();
    Copy->Repaint();
    for (int X = 0; X < 100; X += 9)
        EXPECT_EQ(At(Back, X, 2), ColorToRGB(PieceAt(X))) << X;
}

TEST(ShadowLabelUnit, RegisterPutsTheControlOnTheWin32Page)
{
    ShadowLabel::Register();
    const std::vector<TComponentClass> Page = rtl::PaletteClasses("Win32");
    EXPECT_NE(std::find(Page.begin(), Page.end(), TShadowLabel::StaticClass()), Page.end());
    EXPECT_EQ(GetClass("TShadowLabel"), TShadowLabel::StaticClass());
}
