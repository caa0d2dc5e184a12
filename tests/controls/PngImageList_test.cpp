// The PNG image list: both lists in step, drawing and icons.

#include "controls/PngImageList.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/win/Icon.h"
#include "tests/controls/PngDrawing.h"
#include "tests/controls/PngFixtures.h"
#include "tests/vcl/VclTestSupport.h"

#include <algorithm>
#include <array>
#include <functional>
#include <gtest/gtest.h>

using namespace pngtest;

namespace
{

class PngImageList : public testing::Test
{
protected:
    void SetUp() override { vcltest::StartApplication(); }
};

// The alpha of a pixel of the list's icon Index.
int IconAlpha(TCustomImageList &List, int Index, int X, int Y)
{
    TIcon Icon;
    List.GetIcon(Index, &Icon);
    return qAlpha(win::IconOf(Icon.Handle())->Picture.pixel(X, Y));
}

std::vector<std::string> Names(TPngImageList &List)
{
    std::vector<std::string> Out;
    for (int I = 0; I < List.PngImages()->Count(); ++I)
        Out.push_back(List.PngImages()->Items(I)->Name().c_str());
    return Out;
}

} // namespace

TEST_F(PngImageList, SettingAnItemCopiesAnotherIntoItsPlaceAndIgnoresIndexesOutside)
{
    TPngImageList List(nullptr);
    auto Opaque = Surface(16, 16, clRed);
    auto Holed = Surface(16, 16, clRed);
    Holed->Canvas()->SetPixels(4, 4, clBlue);
    List.Add(Opaque.get(), nullptr);
    List.AddMasked(Holed.get(), clBlue);
    TPngImageCollectionItems *Items = List.PngImages();

    Items->SetItem(2, Items->Items(1));
    Items->SetItem(-1, Items->Items(1));
    EXPECT_EQ(Names(List), (std::vector<std::string>{"PngImage0", "PngImage1"}));
    EXPECT_EQ(IconAlpha(List, 0, 4, 4), 255);

    Items->SetItem(0, Items->Items(1));
    EXPECT_EQ(Names(List), (std::vector<std::string>{"PngImage1", "PngImage1"}));
    EXPECT_EQ(List.Count(), 2);
    EXPECT_EQ(IconAlpha(List, 0, 4, 4), 0);
}

TEST_F(PngImageList, OperationsThroughTheBaseClassKeepBothListsInStep)
{
    TPngImageList List(nullptr);
    TCustomImageList *Base = &List;
    auto Bitmap = Surface(16, 16, clRed);
    auto Mask = Surface(16, 16, clWhite);
    for (int I = 0; I < 3; ++I)
        EXPECT_EQ(Base->Add(Bitmap.get(), Mask.get()), I);
    EXPECT_EQ(Base->Add(nullptr, nullptr), -1);
    EXPECT_EQ(Base->Count(), 3);
    EXPECT_EQ(List.PngImages()->Count(), 3);
    EXPECT_EQ(Names(List), (std::vector<std::string>{"PngImage0", "PngImage1", "PngImage2"}));

    Base->Delete(-1);
    Base->Delete(3);
    Base->Replace(7, Bitmap.get(), nullptr);
    Base->Move(0, 9);
    EXPECT_EQ(Base->Count(), 3);

    auto Holed = Surface(16, 16, clRed);
    Holed->Canvas()->SetPixels(4, 4, clBlue);
    Base->AddMasked(Holed.get(), clBlue);
    EXPECT_EQ(IconAlpha(List, 3, 4, 4), 0);
    Base->Move(3, 0);
    EXPECT_EQ(IconAlpha(List, 0, 4, 4), 0);
    EXPECT_EQ(IconAlpha(List, 1, 4, 4), 255);
    EXPECT_EQ(List.PngImages()->Items(0)->Name(), "PngImage3");
    Base->Delete(0);
    EXPECT_EQ(Base->Count(), 3);
    EXPECT_EQ(List.PngImages()->Count(), 3);

    List.SetWidth(24);
    EXPECT_EQ(Base->Count(), 0);
    EXPECT_EQ(List.PngImages()->Count(), 0);

    TImageList Plain(nullptr);
    EXPECT_EQ(static_cast<TCustomImageList *>(&Plain)->Add(Bitmap.get(), nullptr), 0);
    EXPECT_EQ(Plain.Count(), 1);
}

TEST_F(PngImageList, ASizeTheListRefusesKeepsItsPictures)
{
    TPngImageList List(nullptr);
    auto Bitmap = Surface(16, 16, clRed);
    List.Add(Bitmap.get(), nullptr);
    List.SetWidth(0);
    List.SetHeight(-3);
    EXPECT_EQ(List.Width(), 16);
    EXPECT_EQ(List.Height(), 16);
    EXPECT_EQ(List.Count(), 1);
    EXPECT_EQ(List.PngImages()->Count(), 1);
}

TEST_F(PngImageList, IconsCarryEachPicturesTransparency)
{
    TPngImageList List(nullptr);
    auto Item = [&List](TPNGObject *Png) {
        TPngImageCollectionItem *I = List.PngImages()->Add();
        I->SetPngImage(Png);
        return I->Index();
    };
    const int Opaque = Item(Load(Encode(RandomPicture(2, 8, 16, 16, false, 1))).get());
    Picture Palette = RandomPicture(3, 2, 16, 16, false, 2);
    Palette.Transparency = {0, 100, 255, 255};
    const int Partial = Item(Load(Encode(Palette)).get());
    auto Alpha = RgbaPicture(2, 1, {{clRed, 30}, {clRed, 255}});
    const int Rgba = Item(Alpha.get());
    ASSERT_EQ(List.Count(), 3);
    EXPECT_EQ(IconAlpha(List, Opaque, 5, 5), 255);
    for (int X = 0; X < 16; ++X)
        EXPECT_EQ(IconAlpha(List, Partial, X, 3), Palette.Transparency[Palette.Sample(X, 3, 0)]);
    EXPECT_EQ(IconAlpha(List, Rgba, 0, 0), 30);

    List.SetEnabledImages(false);
    EXPECT_EQ(IconAlpha(List, Opaque, 5, 5), 128);
    List.SetEnabledImages(true);
    EXPECT_EQ(IconAlpha(List, Opaque, 5, 5), 255);
}

TEST_F(PngImageList, APictureTooLargeForTheDisabledLookWholeTakesItInItsCell)
{
    TPngImageList List(nullptr);
    // Within the store limit at a bit a pixel, beyond it at the four bytes a pixel the
    // disabled look needs: what the cell shows of it can take the look.
    TPNGObject Large(COLOR_GRAYSCALE, 1, 65535, 1100);
    List.PngImages()->Add()->SetPngImage(&Large);
    auto Small = RgbaPicture(1, 1, {{clRed, 255}});
    List.PngImages()->Add()->SetPngImage(Small.get());
    EXPECT_EQ(IconAlpha(List, 0, 5, 5), 255);

    EXPECT_NO_THROW(List.SetEnabledImages(false));
    ASSERT_EQ(List.Count(), 2);
    EXPECT_EQ(IconAlpha(List, 1, 5, 5), 128);
    EXPECT_EQ(IconAlpha(List, 0, 5, 5), 127);
    auto Target = Surface(List.Width(), List.Height(), clLime);
    List.Draw(Target->Canvas(), 0, 0, 0, false);
    EXPECT_EQ(Target->Canvas()->Pixels(5, 5), BlendColor(clBlack, clLime, 127));
    List.Draw(Target->Canvas(), 0, 0, 0, true);
    EXPECT_EQ(Target->Canvas()->Pixels(5, 5), clBlack);
}

TEST_F(PngImageList, DisabledIconsAreThoseOfTheWholePictureWithTheLook)
{
    std::uint32_t Seed = 70;
    for (const auto &[Type, Depth, Width, Height] : std::initializer_list<std::array<int, 4>>{
             {0, 2, 13, 9}, {3, 8, 40, 30}, {2, 8, 5, 21}, {6, 8, 16, 16}, {4, 8, 33, 7}}) {
        SCOPED_TRACE(testing::Message() << Type << "/" << Depth << " " << Width << "x" << Height);
        auto Png = Load(Encode(RandomPicture(Type, Depth, Width, Height, false, Seed++)));
        TPngImageList Disabled(nullptr), Whole(nullptr);
        Disabled.SetPngOptions(DisabledPngOptions);
        Disabled.PngImages()->Add()->SetPngImage(Png.get());
        Disabled.SetEnabledImages(false);
        Whole.PngImages()->Add()->SetPngImage(WithEffects(Png.get(), DisabledPngOptions).get());
        TIcon Shown, Expected;
        Disabled.GetIcon(0, &Shown);
        Whole.GetIcon(0, &Expected);
        EXPECT_EQ(win::IconOf(Shown.Handle())->Picture, win::IconOf(Expected.Handle())->Picture);
    }
}

TEST_F(PngImageList, PicturesOfAnotherSizeAreStretchedToTheListsSize)
{
    TPngImageList List(nullptr);
    auto Small = RgbaPicture(2, 1, {{clRed, 255}, {clBlue, 0}});
    TPNGObject Large(COLOR_RGBALPHA, 8, 32, 32);
    for (int Y = 0; Y < 32; ++Y)
        std::fill_n(Large.GetAlphaScanline(Y), 32, Y < 16 ? 255 : 0);
    List.PngImages()->Add()->SetPngImage(Small.get());
    List.PngImages()->Add()->SetPngImage(&Large);
    ASSERT_EQ(List.Count(), 2);

    EXPECT_EQ(IconAlpha(List, 0, 3, 12), 255);
    EXPECT_EQ(IconAlpha(List, 0, 12, 3), 0);
    EXPECT_EQ(IconAlpha(List, 1, 12, 7), 255);
    EXPECT_EQ(IconAlpha(List, 1, 3, 8), 0);
}

TEST_F(PngImageList, DrawsThroughTheListAsDirectly)
{
    TPngImageList List(nullptr);
    std::vector<std::unique_ptr<TPNGObject>> Pictures;
    Pictures.push_back(Load(Encode(RandomPicture(6, 8, 16, 16, false, 11))));
    Picture Keyed = RandomPicture(3, 4, 16, 16, true, 12);
    Keyed.Transparency = {255, 0};
    Pictures.push_back(Load(Encode(Keyed)));
    Pictures.push_back(Load(Encode(RandomPicture(0, 8, 16, 16, false, 13))));
    for (auto &P : Pictures)
        List.PngImages()->Add()->SetPngImage(P.get());
    const TColor Back = static_cast<TColor>(RGB(12, 140, 99));
    for (std::size_t I = 0; I < Pictures.size(); ++I)
        for (bool Enabled : {true, false}) {
            auto ThroughList = Surface(20, 20, Back);
            auto Direct = Surface(20, 20, Back);
            List.Draw(ThroughList->Canvas(), 2, 3, static_cast<int>(I), Enabled);
            DrawPNG(Pictures[I].get(), Direct->Canvas(), Rect(2, 3, 18, 19),
                    Enabled ? TPngOptions{} : List.PngOptions());
            for (int Y = 0; Y < 20; ++Y)
                for (int X = 0; X < 20; ++X)
                    ASSERT_EQ(ThroughList->Canvas()->Pixels(X, Y), Direct->Canvas()->Pixels(X, Y))
                        << I << " " << X << "," << Y;
        }
    auto Nothing = Surface(20, 20, Back);
    List.Draw(Nothing->Canvas(), 0, 0, 5);
    EXPECT_EQ(Nothing->Canvas()->Pixels(5, 5), Back);
}

TEST_F(PngImageList, CopyingOutOfListsKeepsTheStoredPicture)
{
    TPngImageList List(nullptr);
    auto Alpha = RgbaPicture(2, 1, {{clRed, 30}, {clBlue, 200}});
    List.PngImages()->Add()->SetPngImage(Alpha.get());
    TPNGObject Dest;
    CopyImageFromImageList(&Dest, &List, 0);
    EXPECT_EQ(Dest.Width(), 2);
    EXPECT_EQ(Dest.GetAlphaScanline(0)[0], 30);
    EXPECT_EQ(Dest.GetPixels(1, 0), clBlue);
    CopyImageFromImageList(&Dest, &List, 1);
    EXPECT_EQ(Dest.GetAlphaScanline(0)[1], 200);

    TImageList Plain(nullptr);
    auto Bitmap = Surface(16, 16, clLime);
    Bitmap->Canvas()->SetPixels(3, 3, clFuchsia);
    Plain.AddMasked(Bitmap.get(), clFuchsia);
    TPNGObject FromPlain;
    CopyImageFromImageList(&FromPlain, &Plain, 0);
    EXPECT_EQ(FromPlain.GetPixels(0, 0), clLime);
    EXPECT_EQ(FromPlain.GetAlphaScanline(3)[3], 0);
    EXPECT_EQ(FromPlain.GetAlphaScanline(0)[0], 255);

    TPngImageList Copy(nullptr);
    Copy.AddImages(&Plain);
    ASSERT_EQ(Copy.Count(), 1);
    EXPECT_EQ(Copy.PngImages()->Items(0)->PngImage()->GetAlphaScanline(3)[3], 0);

    TPngImageList Assigned(nullptr);
    List.SetEnabledImages(false);
    List.SetPngOptions({pngGrayscaleOnDisabled});
    Assigned.Assign(&List);
    EXPECT_EQ(Assigned.Count(), 1);
    EXPECT_EQ(Assigned.PngImages()->Items(0)->PngImage()->GetAlphaScanline(0)[0], 30);
    EXPECT_FALSE(Assigned.EnabledImages());
    EXPECT_EQ(Assigned.PngOptions(), TPngOptions{pngBlendOnDisabled});
    // Shown disabled by its own options: blended, not gray.
    EXPECT_EQ(IconAlpha(Assigned, 0, 0, 0), 15);
}

TEST_F(PngImageList, IconsGoInWithTheirAlphaAndChangesAreAnnounced)
{
    TPngImageList List(nullptr);
    int Changes = 0;
    TChangeLink Link;
    Link.OnChange = [&Changes](TObject *) { ++Changes; };
    List.RegisterChanges(&Link);
    TPngImageList Source(nullptr);
    auto Alpha = RgbaPicture(16, 16, {{clRed, 90}});
    Source.PngImages()->Add()->SetPngImage(Alpha.get());
    TIcon Icon;
    Source.GetIcon(0, &Icon);
    EXPECT_EQ(List.AddIcon(&Icon), 0);
    EXPECT_GT(Changes, 0);
    EXPECT_EQ(List.PngImages()->Items(0)->PngImage()->GetAlphaScanline(0)[0], 90);
    List.InsertIcon(0, &Icon);
    List.ReplaceIcon(1, &Icon);
    List.InsertIcon(5, &Icon);
    EXPECT_EQ(List.Count(), 2);

    TImageList Plain(nullptr);
    EXPECT_EQ(Plain.AddIcon(&Icon), 0);
    EXPECT_EQ(IconAlpha(Plain, 0, 0, 0), 90);
}

TEST_F(PngImageList, AFormStreamKeepsThePicturesAndTheDesignPosition)
{
    TPngImageList List(nullptr);
    List.SetName("PIL_Pictures");
    List.SetWidth(20);
    List.SetHeight(12);
    const Picture First = RandomPicture(6, 8, 20, 12, false, 11);
    const Picture Second = RandomPicture(3, 4, 20, 12, false, 12);
    for (const Picture *P : {&First, &Second})
        List.PngImages()->Add()->SetPngImage(Load(Encode(*P)).get());
    List.PngImages()->Items(1)->SetName("Colours");
    List.PngImages()->Items(1)->SetBackground(clRed);
    List.SetEnabledImages(false);
    List.SetPngOptions({pngGrayscaleOnDisabled});
    List.SetDesignInfo(48 << 16 | 120);

    TMemoryStream Form;
    TWriter(&Form).WriteRootComponent(&List);
    Form.SetPosition(0);
    TPngImageList Back(nullptr);
    TReader(&Form).ReadRootComponent(&Back);

    EXPECT_EQ(Back.Name(), "PIL_Pictures");
    EXPECT_EQ(Back.Width(), 20);
    EXPECT_EQ(Back.Height(), 12);
    EXPECT_FALSE(Back.EnabledImages());
    EXPECT_EQ(Back.PngOptions(), TPngOptions{pngGrayscaleOnDisabled});
    EXPECT_EQ(Back.DesignInfo(), 48 << 16 | 120);
    ASSERT_EQ(Back.PngImages()->Count(), 2);
    EXPECT_EQ(Names(Back), (std::vector<std::string>{"PngImage0", "Colours"}));
    EXPECT_EQ(Back.PngImages()->Items(0)->Background(), clBtnFace);
    EXPECT_EQ(Back.PngImages()->Items(1)->Background(), clRed);
    EXPECT_EQ(Save(*Back.PngImages()->Items(0)->PngImage()),
              Save(*List.PngImages()->Items(0)->PngImage()));
    EXPECT_EQ(Save(*Back.PngImages()->Items(1)->PngImage()),
              Save(*List.PngImages()->Items(1)->PngImage()));
    // The list beneath is rebuilt from the pictures read.
    EXPECT_EQ(Back.Count(), 2);
}

TEST_F(PngImageList, ADesignPositionOffTheFormTopLeftKeepsItsSign)
{
    TPngImageList List(nullptr);
    List.SetDesignInfo(static_cast<std::int32_t>(0xFFF0FFFBu));
    TMemoryStream Form;
    TWriter(&Form).WriteRootComponent(&List);
    Form.SetPosition(0);
    TPngImageList Back(nullptr);
    TReader(&Form).ReadRootComponent(&Back);
    EXPECT_EQ(static_cast<std::uint32_t>(Back.DesignInfo()), 0xFFF0FFFBu);
    EXPECT_EQ(Back.PngImages()->Count(), 0);
}

TEST_F(PngImageList, EachOperationAnnouncesOneChange)
{
    TPngImageList List(nullptr);
    int Changes = 0;
    List.OnChange = [&Changes](TObject *) { ++Changes; };
    auto Bitmap = Surface(16, 16, clRed);
    TImageList Plain(nullptr);
    Plain.Add(Bitmap.get(), nullptr);
    const std::vector<std::function<void()>> Operations = {
        [&] { List.Add(Bitmap.get(), nullptr); },
        [&] { List.AddMasked(Bitmap.get(), clRed); },
        [&] { List.AddImages(&Plain); },
        [&] { List.Insert(0, Bitmap.get(), nullptr); },
        [&] { List.Replace(0, Bitmap.get(), nullptr); },
        [&] { List.Move(0, 2); },
        [&] { List.Delete(0); },
        [&] { List.Clear(); }};
    for (std::size_t I = 0; I < Operations.size(); ++I) {
        Changes = 0;
        Operations[I]();
        EXPECT_EQ(Changes, 1) << "operation " << I;
    }
    EXPECT_EQ(List.Count(), 0);
}
