// The port combo box: an icon per item from a PNG image list.

#include "controls/ComboBoxPng.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/win/Paint.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace
{

std::unique_ptr<TPNGObject> Solid(TColor Color)
{
    auto Png = std::make_unique<TPNGObject>(COLOR_RGB, 8, 16, 16);
    for (int Y = 0; Y < 16; ++Y)
        for (int X = 0; X < 16; ++X)
            Png->SetPixels(X, Y, Color);
    return Png;
}

} // namespace

class ComboBoxPngTest : public vcltest::VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        TForm *Form = ShownForm();
        List = new TPngImageList(Form);
        List->PngImages()->Add()->SetPngImage(Solid(clRed).get());
        List->PngImages()->Add()->SetPngImage(Solid(clLime).get());
        Combo = new TComboBoxPng(Form);
        Combo->SetParent(Form);
        Combo->SetBounds(10, 10, 150, 30);
        Combo->SetItemHeight(24);
        Combo->Items()->Add("COM1");
        Combo->Items()->Add("COM2");
        Combo->Items()->Add("COM3");
        Combo->SetImages(List);
        Combo->SetAutoIndexes(false);
    }
    TPngImageList *List = nullptr;
    TComboBoxPng *Combo = nullptr;
};

TEST_F(ComboBoxPngTest, ItemsNameTheirIcons)
{
    TStringList Indexes;
    Indexes.Add("1");
    Indexes.Add("0");
    Indexes.Add("x");
    Combo->SetListIndexesPng(&Indexes);
    EXPECT_EQ(Combo->IconIndex(0), 1);
    EXPECT_EQ(Combo->IconIndex(1), 0);
    EXPECT_EQ(Combo->IconIndex(2), -1);
    EXPECT_EQ(Combo->IconIndex(3), -1);
    Combo->SetAutoIndexes(true);
    EXPECT_EQ(Combo->IconIndex(2), 2);
}

TEST_F(ComboBoxPngTest, TheClosedFaceShowsTheItemsIcon)
{
    TStringList Indexes;
    Indexes.Add("1");
    Indexes.Add("0");
    Combo->SetListIndexesPng(&Indexes);
    const auto IconAt = [this](COLORREF Color) {
        Combo->Repaint();
        for (int Y = 0; Y < Combo->Height(); ++Y)
            for (int X = 0; X < Combo->Width(); ++X)
                if (win::SurfacePixel(Combo->Handle(), X, Y) == Color) return true;
        return false;
    };
    Combo->SetItemIndex(0);
    EXPECT_TRUE(IconAt(RGB(0, 255, 0)));
    EXPECT_FALSE(IconAt(RGB(255, 0, 0)));
    Combo->SetItemIndex(1);
    EXPECT_TRUE(IconAt(RGB(255, 0, 0)));
    Combo->SetItemIndex(2);
    EXPECT_FALSE(IconAt(RGB(255, 0, 0)));
    EXPECT_FALSE(IconAt(RGB(0, 255, 0)));
    Combo->SetItemIndex(1);
    Combo->SetEnabled(false);
    EXPECT_FALSE(IconAt(RGB(255, 0, 0)));
}

TEST_F(ComboBoxPngTest, ADestroyedListIsForgotten)
{
    delete List;
    EXPECT_EQ(Combo->Images(), nullptr);
    Combo->SetItemIndex(0);
    Combo->Repaint();
}

TEST(ComboBoxPngUnit, RegisterPutsTheControlOnTheWin32Page)
{
    ComboBoxPng::Register();
    const std::vector<TComponentClass> Page = rtl::PaletteClasses("Win32");
    EXPECT_NE(std::find(Page.begin(), Page.end(), TComboBoxPng::StaticClass()), Page.end());
    EXPECT_EQ(GetClass("TComboBoxPng"), TComboBoxPng::StaticClass());
}
