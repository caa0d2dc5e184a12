// The port combo box: an icon per item from a PNG image list.

#include "controls/ComboBoxPng.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/win/Paint.h"
#include "tests/controls/FormStream.h"
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

TEST_F(ComboBoxPngTest, AFormStreamBringsBackThePortListWithItsIcons)
{
    ComboBoxPng::Register();
    RegisterClass(TPngImageList::StaticClass());
    ctltest::TStreamedForm Form(nullptr);
    auto *Icons = ctltest::Place<TPngImageList>(Form, "PIL_Device");
    Icons->PngImages()->Add()->SetPngImage(Solid(clRed).get());
    Icons->PngImages()->Add()->SetPngImage(Solid(clLime).get());
    auto *Ports = ctltest::Place<TComboBoxPng>(Form, "CB_ComPorts");
    Ports->SetBounds(10, 10, 150, 30);
    Ports->SetItemHeight(24);
    for (const char *Port : {"COM1", "COM2", "COM3"})
        Ports->Items()->Add(Port);
    Ports->SetImages(Icons);
    Ports->SetAutoIndexes(false);
    for (const char *Index : {"0", "1", "0"})
        Ports->ListIndexesPng()->Add(Index);
    Ports->SetItemIndex(1);
    Ports->SetDropDownCount(5);
    Form.BindClick(Ports, "OnChange");
    auto *Sorted = ctltest::Place<TComboBoxPng>(Form, "CB_Sorted");
    Sorted->SetStyle(csDropDown);
    Sorted->SetSorted(true);
    for (const char *Item : {"b", "c", "a"})
        Sorted->Items()->Add(Item);
    Sorted->SetItemIndex(2);

    auto Copy = ctltest::ReadBack(Form);
    auto *PortsBack = ctltest::Found<TComboBoxPng>(*Copy, "CB_ComPorts");
    auto *SortedBack = ctltest::Found<TComboBoxPng>(*Copy, "CB_Sorted");
    ASSERT_TRUE(PortsBack && SortedBack);
    EXPECT_EQ(PortsBack->Images(), Copy->FindComponent("PIL_Device"));
    EXPECT_FALSE(PortsBack->AutoIndexes());
    EXPECT_EQ(PortsBack->ListIndexesPng()->Text(), "0\r\n1\r\n0\r\n");
    EXPECT_EQ(PortsBack->Style(), csOwnerDrawFixed);
    EXPECT_EQ(PortsBack->ItemHeight(), 24);
    EXPECT_EQ(PortsBack->DropDownCount(), 5);
    EXPECT_EQ(PortsBack->ItemIndex(), 1);
    EXPECT_EQ(PortsBack->Text(), "COM2");
    ASSERT_TRUE(PortsBack->OnChange);
    PortsBack->OnChange(PortsBack);
    EXPECT_EQ(Copy->Clicked, std::vector<TObject *>{PortsBack});
    EXPECT_EQ(SortedBack->Style(), csDropDown);
    EXPECT_TRUE(SortedBack->Sorted());
    EXPECT_EQ(SortedBack->ItemIndex(), 2);
    EXPECT_EQ(SortedBack->Text(), "c");

    Copy->SetBounds(50, 50, 200, 100);
    Copy->Show();
    vcltest::Pump();
    PortsBack->Repaint();
    bool Lime = false;
    for (int Y = 0; Y < PortsBack->Height(); ++Y)
        for (int X = 0; X < PortsBack->Width(); ++X)
            Lime = Lime || win::SurfacePixel(PortsBack->Handle(), X, Y) == RGB(0, 255, 0);
    EXPECT_TRUE(Lime) << "the icon of the chosen port";
}

TEST(ComboBoxPngUnit, RegisterPutsTheControlOnTheWin32Page)
{
    ComboBoxPng::Register();
    const std::vector<TComponentClass> Page = rtl::PaletteClasses("Win32");
    EXPECT_NE(std::find(Page.begin(), Page.end(), TComboBoxPng::StaticClass()), Page.end());
    EXPECT_EQ(GetClass("TComboBoxPng"), TComboBoxPng::StaticClass());
}
