#include "menus/TTBSkin.h"

#include "tests/menus/MenuTestSupport.h"

namespace
{

COLORREF RGBOf(TColor Color)
{
    return ColorToRGB(Color);
}

TEST(SkinColours, BlendingRoundsToEvenAndClampsAboveToTheFirstColour)
{
    EXPECT_EQ(RGBOf(BlendColors(clWhite, clBlack, 0.5L)), RGB(128, 128, 128));
    EXPECT_EQ(RGBOf(BlendColors(static_cast<TColor>(RGB(250, 240, 100)),
                                static_cast<TColor>(RGB(30, 30, 30)), -0.11L)),
              RGB(250, 240, 108));
    EXPECT_EQ(RGBOf(BlendColors(static_cast<TColor>(RGB(10, 10, 10)),
                                static_cast<TColor>(RGB(200, 200, 200)), -0.5L)),
              RGB(0, 0, 0));
    EXPECT_EQ(RGBOf(ColorLighter(clBlack, 100)), RGB(255, 255, 255));
    EXPECT_EQ(RGBOf(ColorDarker(static_cast<TColor>(RGB(10, 200, 30)), 20)), RGB(0, 180, 10));
    const TColor SelItem = static_cast<TColor>(RGB(76, 136, 226));
    EXPECT_EQ(RGBOf(ColorDarker(SelItem, 20)), RGB(56, 116, 206));
    EXPECT_EQ(RGBOf(ColorLighter(SelItem, 70)), RGB(201, 219, 246));
    EXPECT_EQ(RGBOf(ColorLighter(SelItem, 40)), RGB(147, 183, 237));
    EXPECT_EQ(RGBOf(ColorLighter(SelItem, 50)), RGB(165, 195, 240));
    EXPECT_EQ(RGBOf(ColorLighter(SelItem, 100)), RGB(255, 255, 255));
}

class SkinTest : public vcltest::VclTest
{
};

TEST_F(SkinTest, ProgramSkinAfterLoadingIsFlatWindowsXPWithoutShadows)
{
    const auto Skin = menutest::ProgramSkin();
    EXPECT_EQ(Skin->SkinType(), tbsWindowsXP);
    EXPECT_EQ(Skin->ColorSet(), tbcWindowsXP);
    EXPECT_TRUE(Skin->Options() == TTBOptions{tboBlendedImages});
    EXPECT_EQ(Skin->ShadowStyle(), sWindowsXP);
    EXPECT_FALSE(Skin->IsDefaultSkin());
    EXPECT_EQ(DefaultSkin()->SkinType(), tbsDisabled);
    EXPECT_TRUE(DefaultSkin()->Options().Empty());
    EXPECT_EQ(Skin->GetPopupNCSize(), 3);
    EXPECT_EQ(tbChevronSize, 12);
    TTBColors *Colors = Skin->Colors();
    EXPECT_EQ(Colors->GetSkinColor(0), clNone);
    EXPECT_EQ(Colors->GetSkinColor(29), clNone);
    EXPECT_EQ(Colors->GetSkinColor(tcFace), clMenu);
    EXPECT_EQ(Colors->GetSkinColor(tcPopup), clWindow);
    EXPECT_EQ(Colors->GetSkinColor(tcBorder), clBtnShadow);
    EXPECT_EQ(RGBOf(Colors->GetSkinColor(tcSelItem)), RGB(75, 125, 204));
    EXPECT_EQ(RGBOf(Colors->GetSkinColor(tcSelPushed)), RGB(55, 105, 184));
    EXPECT_EQ(RGBOf(Colors->GetSkinColor(tcGradStart)), RGB(201, 216, 239));
    EXPECT_EQ(Skin->RGBColor(cSelItem), RGB(75, 125, 204));
    EXPECT_EQ(Skin->RGBColor(cBorder), RGB(172, 168, 153));
}

TEST_F(SkinTest, OnlyACustomSetTakesColours)
{
    const auto Skin = menutest::ProgramSkin();
    Skin->Colors()->SetSkinColor(tcBorder, clRed);
    EXPECT_EQ(Skin->Colors()->GetSkinColor(tcBorder), clBtnShadow);
    Skin->SetColorSet(tbcCustom);
    Skin->Colors()->SetSkinColor(tcBorder, clRed);
    EXPECT_EQ(Skin->Colors()->GetSkinColor(tcBorder), clRed);
    EXPECT_EQ(Skin->RGBColor(cBorder), RGB(255, 0, 0));
}

TEST_F(SkinTest, SkinTypesSetTheirOwnOptionsAndFrames)
{
    auto Skin = std::make_unique<TTBSkin>(nullptr);
    Skin->SetSkinType(tbsNativeXP);
    EXPECT_EQ(Skin->SkinType(), tbsWindowsXP); // no visual styles here
    Skin->SetSkinType(tbsOfficeXP);
    EXPECT_TRUE(Skin->Options() == TTBOptions{tboPopupOverlap});
    EXPECT_EQ(Skin->ShadowStyle(), sOfficeXP);
    EXPECT_EQ(tbChevronSize, 11);
    EXPECT_EQ(Skin->GetPopupNCSize(), 2);
    Skin->SetSkinType(tbsWindowsXP);
    Skin->SetPopupStyle(tbpsGradVert);
    EXPECT_EQ(Skin->GetPopupNCSize(), 1);
    Skin->SetSkinType(tbsDisabled);
    EXPECT_EQ(Skin->GetPopupNCSize(), 3);
}

TEST_F(SkinTest, FirstSkinIsMirroredIntoTheDefaultUntilItGoes)
{
    {
        auto First = std::make_unique<TTBSkin>(nullptr);
        EXPECT_TRUE(First->IsDefaultSkin());
        First->SetSkinType(tbsWindowsXP);
        EXPECT_EQ(DefaultSkin()->SkinType(), tbsWindowsXP);
        First->SetOptions({tboShadow});
        EXPECT_TRUE(DefaultSkin()->Options() == TTBOptions{tboShadow});
    }
    EXPECT_EQ(DefaultSkin()->SkinType(), tbsDisabled);
    EXPECT_TRUE(DefaultSkin()->Options().Empty());
}

TEST_F(SkinTest, RemovingTheDefaultSkinCopiesTheNextOneIntoTheDefault)
{
    auto First = std::make_unique<TTBSkin>(nullptr);
    auto Second = std::make_unique<TTBSkin>(nullptr);
    Second->SetSkinType(tbsWindowsXP);
    EXPECT_FALSE(Second->IsDefaultSkin());
    First.reset();
    EXPECT_TRUE(Second->IsDefaultSkin());
    // Popups without a skin of their own now follow the promoted skin.
    EXPECT_EQ(DefaultSkin()->SkinType(), tbsWindowsXP);
}

TEST_F(SkinTest, ManagerRefusesSkinsItDoesNotHold)
{
    TTBBaseSkin Loose(nullptr);
    try {
        TBSkinManager()->RemoveSkin(&Loose);
        FAIL();
    } catch (const ESkinError &E) {
        EXPECT_EQ(AnsiString(E.Message()),
                  "The skin cannot be removed because it's not part of the SkinManager");
    }
    try {
        TBSkinManager()->SetSkinAsDefault(&Loose);
        FAIL();
    } catch (const ESkinError &E) {
        EXPECT_EQ(AnsiString(E.Message()), "This skin has not been added to the SkinManager.");
    }
}

TEST_F(SkinTest, GradientRunsFromStartToEnd)
{
    TBitmap Bitmap;
    Bitmap.SetWidth(10);
    Bitmap.SetHeight(20);
    FillGradient(Bitmap.Canvas()->Handle(), TRect(0, 0, 10, 20), clBlack, clWhite, tbgTopBottom);
    EXPECT_EQ(ColorToRGB(Bitmap.Canvas()->Pixels(5, 0)), RGB(0, 0, 0));
    const COLORREF Last = ColorToRGB(Bitmap.Canvas()->Pixels(5, 19));
    EXPECT_GT(GetRValue(Last), 230);
    EXPECT_EQ(Bitmap.Canvas()->Pixels(0, 7), Bitmap.Canvas()->Pixels(9, 7));
    FillGradient2(Bitmap.Canvas()->Handle(), TRect(0, 0, 10, 20), clBlack, clWhite, tbgLeftRight);
    EXPECT_EQ(ColorToRGB(Bitmap.Canvas()->Pixels(0, 5)), RGB(0, 0, 0));
    EXPECT_EQ(ColorToRGB(Bitmap.Canvas()->Pixels(9, 5)), RGB(255, 255, 255));
}

} // namespace
