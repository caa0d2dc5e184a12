// An item's picture as its viewer paints it: hot, disabled and checked pictures
// from a toolbar image list, the Office XP shadow under a hovered picture, and
// pictures blended into buttons and menus.

#include "menus/TTBImageList.h"
#include "menus/TTBItemViewer.h"
#include "menus/TTBView.h"
#include "tests/menus/MenuTestSupport.h"

using namespace menutest;

namespace
{

constexpr TColor Red = PictureRed, Green = PictureGreen, Blue = PictureBlue, Yellow = PictureYellow;

class ViewerImageTest : public MenuTest, protected CompanionPictures
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        FillPictures();
        Item = AddItem(Menu->Items(), "");
        Item->SetImages(&Pictures);
        Item->SetImageIndex(0);
        Surface.SetSize(60, 30);
        DefaultType = DefaultSkin()->SkinType();
    }
    void TearDown() override
    {
        Views.clear();
        DefaultSkin()->SetSkinType(DefaultType);
        MenuTest::TearDown();
    }
    // The skin's type sets its options; the test's options come after.
    void UseSkin(TTBSkins Type, TTBOptions Options = {})
    {
        Skin.SetSkinType(Type);
        Skin.SetOptions(Options);
    }
    // Paints the item on white, as a menu row 19 pixels high (its picture at 2, 2) or
    // as a button 22 pixels high (its picture at 3, 3).
    void Paint(bool Toolbar, TTBBaseSkin *With, bool Hover, bool Pushed = false)
    {
        Views.push_back(
            std::make_unique<TTBView>(nullptr, nullptr, Menu->Items(), nullptr, Toolbar, false));
        Views.back()->SetSkin(With);
        Surface.Canvas()->Brush()->SetColor(clWhite);
        Surface.Canvas()->FillRect(TRect(0, 0, 60, 30));
        Surface.Canvas()->Font()->SetColor(clBlack);
        const TRect R = Toolbar ? TRect(0, 0, 22, 22) : TRect(0, 0, 60, 19);
        Views.back()->Find(Item)->Paint(Surface.Canvas(), R, Hover, Pushed, false);
    }
    TColor At(int X, int Y) { return Surface.Canvas()->Pixels(X, Y); }

    TTBSkin Skin{nullptr};
    TTBSkins DefaultType = tbsDisabled;
    TTBItem *Item = nullptr;
    TBitmap Surface;
    std::vector<std::unique_ptr<TTBView>> Views;
};

TEST_F(ViewerImageTest, WithoutASkinEachStateShowsItsCompanionPicture)
{
    DefaultSkin()->SetSkinType(tbsDisabled);
    WithCompanions();
    Paint(false, nullptr, false);
    EXPECT_EQ(At(10, 10), Red);
    Paint(false, nullptr, true);
    EXPECT_EQ(At(10, 10), Green);
    Item->SetChecked(true);
    Paint(false, nullptr, true);
    EXPECT_EQ(At(10, 10), Yellow);
    Item->SetEnabled(false);
    Paint(false, nullptr, true);
    EXPECT_EQ(At(10, 10), Blue);
}

TEST_F(ViewerImageTest, UnderASkinAHoveredItemShowsTheHotPictureAndADisabledOneItsOwn)
{
    UseSkin(tbsWindowsXP);
    Paint(false, &Skin, true);
    EXPECT_EQ(At(10, 10), Red);
    WithCompanions();
    Paint(false, &Skin, true);
    EXPECT_EQ(At(10, 10), Green);
    Paint(false, &Skin, false);
    EXPECT_EQ(At(10, 10), Red);
    Item->SetEnabled(false);
    Paint(false, &Skin, false);
    EXPECT_EQ(At(10, 10), Blue);
    // Without a disabled list the skin draws a flat shadow of the picture instead.
    Pictures.SetDisabledImages(nullptr);
    Paint(false, &Skin, false);
    EXPECT_NE(At(10, 10), Red);
    EXPECT_NE(At(10, 10), Blue);
}

TEST_F(ViewerImageTest, UnderOfficeXPAHoveredPictureLiftsOffAFlatShadowOfItsShape)
{
    UseSkin(tbsOfficeXP);
    WithCompanions();
    const TColor Shadow =
        static_cast<TColor>(ColorToRGB(Skin.Colors()->GetSkinColor(tcImgListShadow)));
    Paint(false, &Skin, true);
    // The hot picture one pixel up and left of its place, the shadow one down and right.
    EXPECT_EQ(At(1, 1), Green);
    EXPECT_EQ(At(16, 16), Green);
    for (const int Y : {3, 10, 18})
        EXPECT_EQ(At(18, Y), Shadow) << Y;
    EXPECT_EQ(At(10, 18), Shadow);
    EXPECT_NE(At(19, 10), Shadow);
    EXPECT_NE(At(2, 17), Shadow);

    // The skin may leave the shadow out; a pushed item has none either.
    Skin.SetOptions({tboNoHoverIconShadow});
    Paint(false, &Skin, true);
    EXPECT_EQ(At(10, 10), Green);
    EXPECT_NE(At(18, 10), Shadow);
    Skin.SetOptions({});
    Paint(false, &Skin, true, true);
    EXPECT_NE(At(18, 10), Shadow);
}

TEST_F(ViewerImageTest, BlendedPicturesAreMoreTransparentInMenusThanOnButtons)
{
    UseSkin(tbsWindowsXP, {tboBlendedImages});
    // Red 220 over white: each channel takes Opacity / 256 of the picture.
    auto Blend = [](int Opacity) {
        const int Keep = 255 - Opacity;
        return static_cast<TColor>(
            RGB((220 * Opacity + 255 * Keep) >> 8, (255 * Keep) >> 8, (255 * Keep) >> 8));
    };
    Paint(true, &Skin, false);
    EXPECT_EQ(At(10, 10), Blend(200));
    Paint(false, &Skin, false);
    EXPECT_EQ(At(10, 10), Blend(210));
    // Hovered, the picture is drawn as it is.
    Paint(true, &Skin, true);
    EXPECT_EQ(At(10, 10), Red);
}

} // namespace
