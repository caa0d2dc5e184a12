// Image lists with hot, disabled and checked companions, filled from a strip.

#include "menus/TTBImageList.h"
#include "tests/menus/MenuTestSupport.h"

using namespace menutest;

namespace
{

constexpr TColor Red = PictureRed, Green = PictureGreen, Blue = PictureBlue, Yellow = PictureYellow;

class ImageListTest : public MenuTest
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        AddPicture(&Plain, Red);
        AddPicture(&Hot, Green);
        AddPicture(&Disabled, Blue);
        AddPicture(&Checked, Yellow);
        Target.SetSize(16, 16);
    }
    // The colour of the middle of what DrawState drew.
    TColor Drawn(bool Enabled, bool Selected, bool IsChecked)
    {
        Target.Canvas()->Brush()->SetColor(clWhite);
        Target.Canvas()->FillRect(TRect(0, 0, 16, 16));
        Plain.DrawState(Target.Canvas(), 0, 0, 0, Enabled, Selected, IsChecked);
        return Target.Canvas()->Pixels(8, 8);
    }
    TTBImageList Plain{nullptr};
    TImageList Hot{nullptr};
    TImageList Disabled{nullptr};
    TImageList Checked{nullptr};
    TBitmap Target;
};

TEST_F(ImageListTest, EachStateDrawsFromItsCompanionListWhenThereIsOne)
{
    EXPECT_EQ(Drawn(true, true, false), Red);
    Plain.SetHotImages(&Hot);
    Plain.SetDisabledImages(&Disabled);
    Plain.SetCheckedImages(&Checked);
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
    Plain.RegisterChanges(&Link);
    auto HotList = std::make_unique<TImageList>(nullptr);
    Plain.SetHotImages(HotList.get());
    EXPECT_EQ(Changes, 1);
    AddPicture(HotList.get(), Green);
    EXPECT_EQ(Changes, 2);
    HotList.reset();
    EXPECT_EQ(Plain.HotImages(), nullptr);
    EXPECT_EQ(Changes, 3);
    EXPECT_EQ(Drawn(true, true, false), Red);
    // A list is never its own companion.
    Plain.SetHotImages(&Plain);
    EXPECT_EQ(Plain.HotImages(), nullptr);
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
    Plain.SetImagesBitmap(&Strip);
    ASSERT_EQ(Plain.Count(), 3);
    EXPECT_EQ(Drawn(true, false, false), clWhite); // the mask colour shows the ground
    Target.Canvas()->FillRect(TRect(0, 0, 16, 16));
    Plain.Draw(Target.Canvas(), 0, 0, 0);
    EXPECT_EQ(Target.Canvas()->Pixels(2, 8), Green);
    EXPECT_EQ(Target.Canvas()->Pixels(12, 8), clWhite);
    Plain.Draw(Target.Canvas(), 0, 0, 2);
    EXPECT_EQ(Target.Canvas()->Pixels(12, 8), Blue);
    // The list keeps its own copy of the strip.
    Strip.SetSize(16, 16);
    EXPECT_EQ(Plain.ImagesBitmap()->Width(), 48);
}

} // namespace
