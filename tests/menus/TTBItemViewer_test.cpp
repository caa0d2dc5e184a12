// An item as its viewer measures and paints it: hot, disabled and checked pictures
// from a toolbar image list, the Office XP shadow under a hovered picture, pictures
// blended into buttons and menus, and a menu row's size, shortcut, highlight and check.

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

// A menu row as its viewer measures and paints it, 200 x 19 on white in black.
class ViewerRowTest : public MenuTest
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        Surface.SetSize(Width, Height);
        Surface.SetPixelFormat(pf24bit);
    }
    void TearDown() override
    {
        Views.clear();
        MenuTest::TearDown();
    }
    TTBItemViewer *ViewerOf(TTBCustomItem *Item, TTBBaseSkin *Skin)
    {
        Views.push_back(
            std::make_unique<TTBView>(nullptr, nullptr, Menu->Items(), nullptr, false, false));
        Views.back()->SetSkin(Skin);
        return Views.back()->Find(Item);
    }
    void Paint(TTBCustomItem *Item, TTBBaseSkin *Skin, bool Hover)
    {
        TCanvas *Canvas = Surface.Canvas();
        Canvas->Brush()->SetColor(clWhite);
        Canvas->FillRect(TRect(0, 0, Width, Height));
        Canvas->Font()->SetColor(clBlack);
        ViewerOf(Item, Skin)->Paint(Canvas, TRect(0, 0, Width, Height), Hover, false, false);
    }
    std::vector<COLORREF> Pixels()
    {
        std::vector<COLORREF> Result;
        for (int Y = 0; Y < Height; ++Y)
            for (int X = 0; X < Width; ++X)
                Result.push_back(At(X, Y));
        return Result;
    }
    // How many pixels of the columns From to To are of the colour.
    int Count(COLORREF Colour, int From = 0, int To = Width)
    {
        int Result = 0;
        for (int Y = 0; Y < Height; ++Y)
            for (int X = From; X < To; ++X)
                Result += At(X, Y) == Colour;
        return Result;
    }
    COLORREF At(int X, int Y) { return ColorToRGB(Surface.Canvas()->Pixels(X, Y)); }

    static constexpr int Width = 200, Height = 19;
    TBitmap Surface;
    std::vector<std::unique_ptr<TTBView>> Views;
};

TEST_F(ViewerRowTest, AnEmptyItemIsATextLineAndFourPixelsHighAndTwiceThatAndSixWide)
{
    TTBItem *Item = AddItem(Menu->Items(), "");
    TCanvas *Canvas = Surface.Canvas();
    Canvas->Font()->Assign(ToolbarFont());
    TEXTMETRICW Metrics{};
    GetTextMetricsW(Canvas->Handle(), &Metrics);
    int W = 0, H = 0;
    ViewerOf(Item, nullptr)->CalcSize(Canvas, W, H);
    const int Line = Metrics.tmHeight + Metrics.tmExternalLeading + 4;
    EXPECT_EQ(H, Line);
    EXPECT_EQ(W, 2 * Line + 6);
}

TEST_F(ViewerRowTest, TheTextAfterATabIsTheShortcutWrittenOneRowHeightFromTheRight)
{
    TTBItem *Tabbed = AddItem(Menu->Items(), "Copy\tCtrl+C");
    Paint(Tabbed, nullptr, false);
    const std::vector<COLORREF> WithTab = Pixels();
    // The same row from a caption and a shortcut of its own.
    TTBItem *Plain = AddItem(Menu->Items(), "Copy");
    Plain->SetShortCut(ShortCut('C', TShiftState{ssCtrl}));
    Paint(Plain, nullptr, false);
    EXPECT_EQ(WithTab, Pixels());
    // The shortcut ends right before the arrow column, one row height wide.
    const COLORREF Ink = RGB(0, 0, 0);
    EXPECT_EQ(Count(Ink, Width - Height, Width), 0);
    EXPECT_GT(Count(Ink, Width - Height - 3, Width - Height), 0);
}

TEST_F(ViewerRowTest, ADisabledHoveredItemUnderWindowsXPIsLitButWrittenGrey)
{
    TTBSkin Skin(nullptr);
    Skin.SetSkinType(tbsWindowsXP);
    Skin.SetOptions({tboGradSelItem});
    TTBItem *Item = AddItem(Menu->Items(), "Delete");
    Paint(Item, &Skin, true);
    const COLORREF LitEnabled = At(Width - 5, Height / 2);
    EXPECT_GT(Count(RGB(0, 0, 0)), 0);
    Item->SetEnabled(false);
    Paint(Item, &Skin, true);
    EXPECT_EQ(At(Width - 5, Height / 2), LitEnabled);
    EXPECT_NE(LitEnabled, RGB(255, 255, 255));
    EXPECT_EQ(Count(RGB(0, 0, 0)), 0);
    EXPECT_GT(Count(GetSysColor(COLOR_BTNSHADOW)), 0);
}

TEST_F(ViewerRowTest, ACheckedItemShowsACheckMarkWithoutAPictureAndAFramedBoxWithOne)
{
    TTBSkin Skin(nullptr);
    Skin.SetSkinType(tbsWindowsXP);
    TTBItem *Item = AddItem(Menu->Items(), "Bold");
    Item->SetChecked(true);
    const COLORREF Mark = GetSysColor(COLOR_BTNTEXT);
    const COLORREF Frame = ColorToRGB(Skin.Colors()->GetSkinColor(tcSelItemBorder));
    Paint(Item, &Skin, false);
    EXPECT_GT(Count(Mark, 0, Height), 0);
    EXPECT_NE(At(1, Height / 2), Frame);
    TImageList Pictures(nullptr);
    Pictures.SetWidth(16);
    Pictures.SetHeight(16);
    AddPicture(&Pictures, PictureRed);
    Item->SetImages(&Pictures);
    Item->SetImageIndex(0);
    Paint(Item, &Skin, false);
    EXPECT_EQ(Count(Mark, 0, Height), 0);
    EXPECT_EQ(At(1, Height / 2), Frame);
    EXPECT_EQ(At(Height / 2, 1), Frame);
    EXPECT_EQ(At(Height / 2, Height / 2), ColorToRGB(PictureRed));
    Item->SetImages(nullptr);
}

} // namespace
