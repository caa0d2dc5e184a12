#include "menus/TTBSkin.h"

#include "platform/rtl/ClassesFiler.h"
#include "tests/menus/MenuTestSupport.h"

#include <vector>

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

// ---- Caption font, streaming and change handlers -------------------------------------------

std::unique_ptr<TFont> FontOfHeight(int Height)
{
    auto Font = std::make_unique<TFont>();
    Font->SetName("Liberation Sans");
    Font->SetHeight(Height);
    Font->SetStyle(TFontStyles{fsBold});
    return Font;
}

// The top-level property names of a written component, dotted ones by their first part.
std::vector<AnsiString> WrittenProperties(TMemoryStream &Stream)
{
    Stream.SetPosition(0);
    TReader Reader(&Stream);
    Reader.ReadSignature();
    Reader.ReadStr(); // class
    Reader.ReadStr(); // name
    std::vector<AnsiString> Names;
    while (!Reader.EndOfList()) {
        AnsiString Name = Reader.ReadStr();
        if (const int Dot = Name.Pos("."); Dot > 0) Name = Name.SubString(1, Dot - 1);
        if (Names.empty() || Names.back() != Name) Names.push_back(Name);
        Reader.SkipValue();
    }
    return Names;
}

TEST_F(SkinTest, AnOwnCaptionFontClearsParentFontAndParentFontBringsTheBoldFontBack)
{
    auto Skin = std::make_unique<TTBSkin>(nullptr);
    ASSERT_TRUE(Skin->IsDefaultSkin());
    EXPECT_TRUE(Skin->ParentFont());
    EXPECT_TRUE(Skin->CaptionFont()->Style() == TFontStyles{fsBold});
    const int ParentHeight = Skin->CaptionFont()->Height();
    const AnsiString ParentName = Skin->CaptionFont()->Name();

    const auto Own = FontOfHeight(-17);
    Skin->SetCaptionFont(Own.get());
    EXPECT_FALSE(Skin->ParentFont());
    EXPECT_NE(Skin->CaptionFont(), Own.get()) << "the font is copied, not taken";
    EXPECT_EQ(Skin->CaptionFont()->Height(), -17);
    EXPECT_EQ(Skin->CaptionFont()->Name(), "Liberation Sans");
    EXPECT_EQ(DefaultSkin()->CaptionFont()->Height(), -17) << "mirrored into the default";
    EXPECT_FALSE(DefaultSkin()->ParentFont());

    Skin->SetParentFont(true);
    EXPECT_EQ(Skin->CaptionFont()->Height(), ParentHeight);
    EXPECT_EQ(Skin->CaptionFont()->Name(), ParentName);
    EXPECT_TRUE(Skin->CaptionFont()->Style() == TFontStyles{fsBold});
    EXPECT_TRUE(DefaultSkin()->ParentFont());
    EXPECT_EQ(DefaultSkin()->CaptionFont()->Height(), ParentHeight);
}

TEST_F(SkinTest, PropertiesAreWrittenInTheirOrderWithTheCaptionFontOnlyWhenItIsItsOwn)
{
    auto Skin = std::make_unique<TTBSkin>(nullptr);
    Skin->SetName("Skin");
    Skin->SetSkinType(tbsWindowsXP);
    Skin->SetGradient(tbgLeftRight);
    Skin->SetImgBackStyle(tbimsGradVert);
    Skin->SetPopupStyle(tbpsGradHorz);

    const int ParentHeight = Skin->CaptionFont()->Height();
    TMemoryStream Inherited;
    TWriter(&Inherited).WriteRootComponent(Skin.get());
    const auto WithParentFont = WrittenProperties(Inherited);
    EXPECT_TRUE(std::find(WithParentFont.begin(), WithParentFont.end(), "CaptionFont") ==
                WithParentFont.end());

    const auto Own = FontOfHeight(-15);
    Skin->SetCaptionFont(Own.get());
    TMemoryStream Stream;
    TWriter(&Stream).WriteRootComponent(Skin.get());
    EXPECT_EQ(WrittenProperties(Stream),
              (std::vector<AnsiString>{"ColorSet", "CaptionFont", "Colors", "Gradient",
                                       "ImgBackStyle", "IsDefaultSkin", "Options", "ParentFont",
                                       "PopupStyle", "ShadowStyle", "SkinType", "Version"}));

    auto Copy = std::make_unique<TTBSkin>(nullptr);
    Stream.SetPosition(0);
    TReader(&Stream).ReadRootComponent(Copy.get());
    EXPECT_FALSE(Copy->ParentFont());
    EXPECT_EQ(Copy->CaptionFont()->Height(), -15);
    EXPECT_EQ(Copy->CaptionFont()->Name(), "Liberation Sans");
    EXPECT_EQ(Copy->SkinType(), tbsWindowsXP);
    EXPECT_EQ(Copy->ColorSet(), tbcWindowsXP);
    EXPECT_EQ(Copy->Gradient(), tbgLeftRight);
    EXPECT_EQ(Copy->ImgBackStyle(), tbimsGradVert);
    EXPECT_EQ(Copy->PopupStyle(), tbpsGradHorz);
    EXPECT_EQ(Copy->Version(), "Version 1.00.15");

    // A skin that follows the parent font reads its caption font back as the parent's.
    auto Plain = std::make_unique<TTBSkin>(nullptr);
    Plain->SetCaptionFont(Own.get());
    Inherited.SetPosition(0);
    TReader(&Inherited).ReadRootComponent(Plain.get());
    EXPECT_TRUE(Plain->ParentFont());
    EXPECT_EQ(Plain->CaptionFont()->Height(), ParentHeight);
}

TEST_F(SkinTest, ChangeHandlersAreCalledOncePerChangeUntilUnregistered)
{
    TObject First, Second;
    std::vector<TObject *> Calls;
    int Replaced = 0;
    auto Skin = std::make_unique<TTBSkin>(nullptr);
    Skin->RegisterChanges(&First, [&](TObject *Sender) {
        EXPECT_EQ(Sender, Skin.get());
        Calls.push_back(&First);
    });
    Skin->RegisterChanges(&First, [&](TObject *) { ++Replaced; });
    Skin->RegisterChanges(&Second, [&](TObject *) { Calls.push_back(&Second); });

    Skin->SetOptions({tboShadow});
    EXPECT_EQ(Calls, (std::vector<TObject *>{&First, &Second}));
    EXPECT_EQ(Replaced, 1) << "each routine of a receiver is listed, once";

    Calls.clear();
    Skin->SetGradient(tbgLeftRight);
    EXPECT_TRUE(Calls.empty()) << "a change that redraws nothing tells nobody";

    Skin->UnregisterChanges(&First);
    Skin->SetParentFont(true);
    EXPECT_EQ(Calls, (std::vector<TObject *>{&Second}));

    // A handler may take itself off while the others are being told.
    Calls.clear();
    Skin->RegisterChanges(&First, [&](TObject *) {
        Calls.push_back(&First);
        Skin->UnregisterChanges(&First);
    });
    Skin->SetSkinType(tbsWindowsXP);
    Skin->SetSkinType(tbsOfficeXP);
    EXPECT_EQ(Calls, (std::vector<TObject *>{&Second, &First, &Second}));
}

} // namespace
