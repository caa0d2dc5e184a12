// Image lists with hot, disabled and checked companions, filled from a strip.

#include "menus/TTBImageList.h"
#include "tests/menus/MenuTestSupport.h"

using namespace menutest;

namespace
{

constexpr TColor Red = PictureRed, Green = PictureGreen, Blue = PictureBlue, Yellow = PictureYellow;

class ImageListTest : public MenuTest, protected CompanionPictures
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        FillPictures();
        Target.SetSize(16, 16);
    }
    // The colour of the middle of what DrawState drew.
    TColor Drawn(bool Enabled, bool Selected, bool IsChecked)
    {
        Target.Canvas()->Brush()->SetColor(clWhite);
        Target.Canvas()->FillRect(TRect(0, 0, 16, 16));
        Pictures.DrawState(Target.Canvas(), 0, 0, 0, Enabled, Selected, IsChecked);
        return Target.Canvas()->Pixels(8, 8);
    }
    TBitmap Target;
};

TEST_F(ImageListTest, EachStateDrawsFromItsCompanionListWhenThereIsOne)
{
    EXPECT_EQ(Drawn(true, true, false), Red);
    WithCompanions();
    EXPECT_EQ(Drawn(true, false, false), Red);
    EXPECT_EQ(Drawn(true, true, false), Green);
    EXPECT_EQ(Drawn(true, true, true), Yellow);
    // The disabled list's picture is drawn as it is, not greyed.
    EXPECT_EQ(Drawn(false, true, true), Blue);
}

TEST_F(ImageListTest, WithoutADisabledListADisabledPictureIsGreyed)
{
    const TColor Grey = Drawn(false, false, false);
    EXPECT_NE(Grey, Red);
    EXPECT_EQ(GetRValue(Grey), GetGValue(Grey));
    EXPECT_EQ(GetGValue(Grey), GetBValue(Grey));
}

TEST_F(ImageListTest, ACompanionsChangeOrFreeingReachesTheListsUsers)
{
    int Changes = 0;
    TChangeLink Link;
    Link.OnChange = [&Changes](TObject *) { ++Changes; };
    Pictures.RegisterChanges(&Link);
    auto HotList = std::make_unique<TImageList>(nullptr);
    Pictures.SetHotImages(HotList.get());
    EXPECT_EQ(Changes, 1);
    AddPicture(HotList.get(), Green);
    EXPECT_EQ(Changes, 2);
    HotList.reset();
    EXPECT_EQ(Pictures.HotImages(), nullptr);
    EXPECT_EQ(Changes, 3);
    EXPECT_EQ(Drawn(true, true, false), Red);
    // A list is never its own companion.
    Pictures.SetHotImages(&Pictures);
    EXPECT_EQ(Pictures.HotImages(), nullptr);
}

TEST_F(ImageListTest, AStripBitmapRefillsTheListWithItsMaskColourTransparent)
{
    TBitmap Strip;
    Strip.SetSize(48, 16);
    Strip.Canvas()->Brush()->SetColor(clFuchsia);
    Strip.Canvas()->FillRect(TRect(0, 0, 48, 16));
    Strip.Canvas()->Brush()->SetColor(Green);
    Strip.Canvas()->FillRect(TRect(0, 0, 8, 16));
    Strip.Canvas()->Brush()->SetColor(Blue);
    Strip.Canvas()->FillRect(TRect(32, 0, 48, 16));
    Pictures.SetImagesBitmap(&Strip);
    ASSERT_EQ(Pictures.Count(), 3);
    EXPECT_EQ(Drawn(true, false, false), clWhite); // the mask colour shows the ground
    Target.Canvas()->FillRect(TRect(0, 0, 16, 16));
    Pictures.Draw(Target.Canvas(), 0, 0, 0);
    EXPECT_EQ(Target.Canvas()->Pixels(2, 8), Green);
    EXPECT_EQ(Target.Canvas()->Pixels(12, 8), clWhite);
    Pictures.Draw(Target.Canvas(), 0, 0, 2);
    EXPECT_EQ(Target.Canvas()->Pixels(12, 8), Blue);
    // The list keeps its own copy of the strip.
    Strip.SetSize(16, 16);
    EXPECT_EQ(Pictures.ImagesBitmap()->Width(), 48);
}

} // namespace
