// The report combo boxes: list sizes, a read-only edit part, and the font box's
// five recent fonts kept in the settings registry of a test folder of its own.

#include "report_output/frxCtrls.h"

#include "platform/rtl/ClassesFiler.h"
#include "platform/rtl/Registry.h"
#include "platform/vcl/Forms.h"
#include "platform/win/FontFaces.h"
#include "platform/win/Messages.h"
#include "platform/win/Paint.h"
#include "platform/win/WinGdi.h"
#include "platform/win/WindowRegistry.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

namespace
{

namespace fs = std::filesystem;

class ReportComboTest : public vcltest::VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        const char *Old = std::getenv("XDG_CONFIG_HOME");
        FSaved = Old ? std::optional<std::string>(Old) : std::nullopt;
        FFolder = fs::path(testing::TempDir()) / ("qrv4_mrufont_" + std::to_string(getpid()));
        fs::remove_all(FFolder);
        setenv("XDG_CONFIG_HOME", FFolder.c_str(), 1);
        ASSERT_GE(Screen->Fonts()->Count(), 7) << "the test needs seven installed faces";
    }
    void TearDown() override
    {
        if (FSaved)
            setenv("XDG_CONFIG_HOME", FSaved->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(FFolder);
        VclTest::TearDown();
    }

    static AnsiString Stored(int n)
    {
        TRegistry Registry;
        Registry.OpenKey("\\Software\\Zedo Vevuvuz\\MRUFont", true);
        return Registry.ReadString("Font" + IntToStr(n));
    }
    static AnsiString Face(int Index) { return Screen->Fonts()->Strings(Index); }
    // Picks a face as the list does: select it and close the list.
    static void Choose(TfrxFontComboBox &Box, const AnsiString &Name)
    {
        int Index = -1;
        for (int i = Box.LastRecent() + 1; i < Box.Items()->Count() && Index < 0; ++i)
            if (Box.Items()->Strings(i) == Name) Index = i;
        Box.SetItemIndex(Index);
        Box.OnCloseUp(&Box);
    }

private:
    fs::path FFolder;
    std::optional<std::string> FSaved;
};

TEST_F(ReportComboTest, ChosenFontsBecomeAnOrderedRecentBlockOfFive)
{
    TfrxFontComboBox Box(nullptr);
    Box.Reset();
    const int Installed = Screen->Fonts()->Count();
    EXPECT_EQ(Box.Items()->Count(), Installed);
    EXPECT_EQ(Box.LastRecent(), -1);
    EXPECT_EQ(TfrxFontComboBox::FontTypeOf(Box.Items(), 0), frxTrueTypeFontType);

    for (int i = 1; i <= 5; ++i)
        Choose(Box, Face(i));
    EXPECT_EQ(Box.LastRecent(), 4);
    EXPECT_EQ(Box.Items()->Count(), Installed + 5);
    for (int n = 0; n < 5; ++n) {
        EXPECT_EQ(Box.Items()->Strings(n), Face(5 - n));
        EXPECT_EQ(Stored(n), Face(5 - n));
    }
    EXPECT_EQ(Box.ItemIndex(), 0);

    // The same recent font again moves to the top without growing the block.
    Box.SetItemIndex(3);
    Box.OnCloseUp(&Box);
    EXPECT_EQ(Box.LastRecent(), 4);
    EXPECT_EQ(Box.Items()->Strings(0), Face(2));
    EXPECT_EQ(Box.Items()->Strings(1), Face(5));
    EXPECT_EQ(Box.Items()->Count(), Installed + 5);

    // A sixth distinct font pushes the oldest one out.
    Choose(Box, Face(6));
    EXPECT_EQ(Box.Items()->Count(), Installed + 5);
    EXPECT_EQ(Stored(0), Face(6));
    EXPECT_EQ(Stored(4), Face(3));
    for (int n = 0; n < 5; ++n)
        EXPECT_NE(Stored(n), Face(1));

    // The first item chosen again changes nothing.
    Box.SetItemIndex(0);
    Box.OnCloseUp(&Box);
    EXPECT_EQ(Stored(0), Face(6));

    // A new box reads the same block back, keeping the text it had.
    TfrxFontComboBox Next(nullptr);
    Next.Reset();
    EXPECT_EQ(Next.LastRecent(), 4);
    for (int n = 0; n < 5; ++n)
        EXPECT_EQ(Next.Items()->Strings(n), Stored(n));
}

TEST_F(ReportComboTest, RecentFontsNoLongerInstalledAreCleared)
{
    {
        TRegistry Registry;
        Registry.OpenKey("\\Software\\Zedo Vevuvuz\\MRUFont", true);
        Registry.WriteString("Font0", Face(2));
        Registry.WriteInteger("FontType0", frxTrueTypeFontType);
        Registry.WriteString("Font1", "No Such Face Anywhere");
        Registry.WriteInteger("FontType1", frxTrueTypeFontType);
    }
    TfrxFontComboBox Box(nullptr);
    Box.Reset();
    EXPECT_EQ(Box.LastRecent(), 0);
    EXPECT_EQ(Box.Items()->Strings(0), Face(2));
    EXPECT_EQ(Stored(0), Face(2));
    EXPECT_EQ(Stored(1), "");
    TRegistry Registry;
    Registry.OpenKey("\\Software\\Zedo Vevuvuz\\MRUFont", false);
    EXPECT_EQ(Registry.ReadInteger("FontType1"), 0);

    Box.SetMRUEnabled(false);
    Box.Reset();
    EXPECT_EQ(Box.LastRecent(), -1);
    EXPECT_EQ(Box.Items()->Count(), Screen->Fonts()->Count());
}

TEST_F(ReportComboTest, ARecentListThatCannotBeStoredLeavesTheBoxTakingChoices)
{
    // A folder where the key keeps its values: the key opens, no value can be written.
    const fs::path Values = fs::path(rtl::RegistryFolder()) / "HKEY_CURRENT_USER" / "keys" /
                            "Software" / "keys" / "Zedo Vevuvuz" / "keys" / "MRUFont" / "values";
    fs::create_directories(Values / "in the way");
    TfrxFontComboBox Box(nullptr);
    EXPECT_THROW(Box.Reset(), ERegistryException);

    fs::remove_all(Values);
    Choose(Box, Face(3));
    EXPECT_EQ(Box.LastRecent(), 0);
    EXPECT_EQ(Box.Items()->Strings(0), Face(3));
    EXPECT_EQ(Stored(0), Face(3));
}

TEST_F(ReportComboTest, ListSizeFollowsItemsAndTheEditPartCanBeReadOnly)
{
    TfrxComboBox Box(nullptr);
    EXPECT_EQ(Box.Width(), 100);
    EXPECT_EQ(Box.ButtonWidth(), 11);
    Box.SetItemHeight(14);
    EXPECT_EQ(Box.ListHeight(), 18); // one row when empty
    Box.Items()->Add("a");
    Box.Items()->Add("b");
    Box.Items()->Add("c");
    EXPECT_EQ(Box.ListHeight(), 3 * 14 + 4);
    Box.SetDropDownCount(2);
    EXPECT_EQ(Box.ListHeight(), 2 * 14 + 4);
    Box.SetDropDownCount(0);
    EXPECT_EQ(Box.ListHeight(), 18);
    EXPECT_EQ(Box.ListWidth(), 99);
    Box.SetPreferredListWidth(240);
    EXPECT_EQ(Box.ListWidth(), 240);

    // Typing picks an item by its first letter unless the edit part is read-only.
    TMessage Typed{WM_CHAR, 'b', 0, 0};
    Box.WndProc(Typed);
    EXPECT_EQ(Box.ItemIndex(), 1);
    Box.SetReadOnly(true);
    TMessage Refused{WM_CHAR, 'c', 0, 0};
    Box.WndProc(Refused);
    EXPECT_EQ(Box.ItemIndex(), 1);

    TfrxFontComboBox Fonts(nullptr);
    EXPECT_EQ(Fonts.Width(), 150);
    EXPECT_TRUE(Fonts.ReadOnly());
    EXPECT_EQ(Fonts.ImageWidth(), 16);
}

TEST_F(ReportComboTest, EditButtonStaysSquareAtTheRightEdgeAndFollowsTheBox)
{
    TfrxComboEdit Edit(nullptr);
    EXPECT_EQ(Edit.Height(), 21);
    Edit.SetBounds(0, 0, 200, 21);
    TControl *Holder = Edit.Button()->Parent();
    EXPECT_EQ(Holder->Left(), 181);
    EXPECT_EQ(Holder->Top(), 2);
    EXPECT_EQ(Edit.Button()->Width(), 17);
    EXPECT_EQ(Edit.Button()->Height(), 17);
    EXPECT_EQ(Edit.EditWidth(), 175);
    Edit.SetWidth(120);
    EXPECT_EQ(Holder->Left(), 101);

    int Clicks = 0;
    Edit.OnButtonClick = [&](TObject *Sender) {
        EXPECT_EQ(Sender, &Edit);
        ++Clicks;
    };
    Edit.Button()->Click();
    EXPECT_EQ(Clicks, 1);
    Edit.SetEnabled(false);
    EXPECT_FALSE(Edit.ButtonEnabled());
    Edit.SetEnabled(true);
    EXPECT_TRUE(Edit.ButtonEnabled());
    Edit.SetButtonHint("Choose");
    EXPECT_EQ(Edit.ButtonHint(), "Choose");
}

// The colour of a painted pixel of a control's window.
TColor PixelOf(TWinControl &Control, int X, int Y)
{
    Control.Repaint();
    HDC DC = GetDC(Control.Handle());
    const COLORREF Color = GetPixel(DC, X, Y);
    ReleaseDC(Control.Handle(), DC);
    return static_cast<TColor>(Color);
}

TEST_F(ReportComboTest, FlatBoxShowsItsEdgeOnlyWhenTheMouseIsIn)
{
    TForm *Shown = ShownForm();
    TfrxComboBox Box(Shown);
    Box.SetParent(Shown);
    Box.SetBounds(10, 10, 100, 21);
    Box.SetStyle(csDropDownList);
    Box.Items()->Add("100%");
    Box.SetItemIndex(0);
    const TRect Button = Box.ButtonRect();
    EXPECT_EQ(Button, TRect(87, 2, 98, 19));
    EXPECT_EQ(PixelOf(Box, 0, 0), ColorToRGB(clBtnFace));
    // The arrow: lines of 5, 3 and 1 pixels under each other, centred in the button.
    EXPECT_EQ(PixelOf(Box, 90, 9), ColorToRGB(clWindowText));
    EXPECT_EQ(PixelOf(Box, 94, 9), ColorToRGB(clWindowText));
    EXPECT_NE(PixelOf(Box, 90, 10), ColorToRGB(clWindowText));
    EXPECT_EQ(PixelOf(Box, 91, 10), ColorToRGB(clWindowText));
    EXPECT_EQ(PixelOf(Box, 92, 11), ColorToRGB(clWindowText));
    EXPECT_NE(PixelOf(Box, 91, 11), ColorToRGB(clWindowText));

    TMessage Enter{CM_MOUSEENTER, 0, 0, 0};
    Box.WndProc(Enter);
    EXPECT_TRUE(Box.MouseInControl());
    EXPECT_EQ(PixelOf(Box, 0, 0), ColorToRGB(clBtnShadow));                       // sunken
    EXPECT_EQ(PixelOf(Box, Button.Left, Button.Top), ColorToRGB(clBtnHighlight)); // raised
    TMessage Leave{CM_MOUSELEAVE, 0, 0, 0};
    Box.WndProc(Leave);
    EXPECT_FALSE(Box.MouseInControl());
    EXPECT_EQ(PixelOf(Box, 0, 0), ColorToRGB(clBtnFace));

    Box.SetDroppedDown(true);
    // Pressed, with the arrow one pixel down and right.
    EXPECT_EQ(PixelOf(Box, Button.Left, Button.Top), ColorToRGB(clBtnShadow));
    EXPECT_EQ(PixelOf(Box, 91, 10), ColorToRGB(clWindowText));
    EXPECT_NE(PixelOf(Box, 90, 9), ColorToRGB(clWindowText));
    Box.SetDroppedDown(false);

    Box.SetEnabled(false);
    EXPECT_EQ(PixelOf(Box, 0, 0), ColorToRGB(clWindow));
    EXPECT_EQ(PixelOf(Box, 1, 1), ColorToRGB(clBtnFace));
    EXPECT_NE(PixelOf(Box, 90, 9), ColorToRGB(clWindowText));
}

TEST_F(ReportComboTest, FontListShowsKindsAndASampleOfTheHighlightedFace)
{
    TForm *Shown = ShownForm();
    TfrxFontComboBox Box(Shown);
    Box.SetParent(Shown);
    Box.SetBounds(10, 10, 150, 21);
    Box.Reset();
    Choose(Box, Face(3));
    Choose(Box, Face(4));
    ASSERT_EQ(Box.LastRecent(), 1);
    EXPECT_GE(Box.ItemHeight(), 12);

    // The TrueType picture left of the name, on the face's own ground.
    const int PictureTop = 3 + (Box.Height() - 6 - 11) / 2;
    EXPECT_EQ(PixelOf(Box, 4, PictureTop), ColorToRGB(clGray));
    EXPECT_NE(PixelOf(Box, 4 + 14, PictureTop), ColorToRGB(clFuchsia));
    EXPECT_EQ(Box.KindPicture(frxDeviceFontType)->Width(), 15);
    EXPECT_EQ(Box.KindPicture(0), nullptr);

    TfrxFontPreview *Sample = Box.FontPreview();
    EXPECT_FALSE(Sample->Visible());
    Box.SetItemIndex(3);
    Box.SetDroppedDown(true);
    EXPECT_EQ(Box.ItemIndex(), 0) << "a recent face opens the list at its top";
    EXPECT_TRUE(Sample->Visible());
    EXPECT_EQ(Sample->Width(), 200);
    EXPECT_EQ(Sample->Height(), 50);
    const TPoint Corner = Box.ClientToScreen(TPoint(Box.Width(), Box.Height()));
    EXPECT_EQ(Sample->Left(), Corner.X);
    EXPECT_EQ(Sample->Top(), Corner.Y);
    EXPECT_EQ(Sample->Panel()->Caption(), Face(4));

    EXPECT_EQ(Sample->Panel()->Font()->Name(), Face(4));
    EXPECT_EQ(Sample->Panel()->Font()->Size(), 18);
    // Moving through the open list shows each highlighted face in turn.
    Box.SetFocus();
    for (int Row = 1; Row <= 3; ++Row) {
        vcltest::Key(VK_DOWN);
        vcltest::Pump();
        EXPECT_EQ(Sample->Panel()->Caption(), Box.Items()->Strings(Row));
        EXPECT_EQ(Sample->Panel()->Font()->Name(), Box.Items()->Strings(Row));
    }
    Box.SetDroppedDown(false);
    EXPECT_FALSE(Sample->Visible());
}

// The open list of a box: the shown pop-up its form owns, other than Except.
const win::Window *OpenList(TWinControl &Box, HWND Except = nullptr)
{
    for (HWND Wnd : win::ThreadWindows(GetCurrentThreadId()))
        if (const win::Window *W = win::FindWindow(Wnd);
            W && W->Visible && Wnd != Except && W->Owner == GetParentForm(&Box)->Handle())
            return W;
    return nullptr;
}

TEST_F(ReportComboTest, TheListTakesItsOwnSizeAndOpensUpwardWithoutRoomBelow)
{
    TForm *Shown = ShownForm(400, 120);
    TfrxComboBox Box(Shown);
    Box.SetParent(Shown);
    Box.SetBounds(10, 10, 100, 21);
    Box.SetStyle(csDropDownList);
    Box.SetItemHeight(14);
    for (const char *Zoom : {"25%", "50%", "75%"})
        Box.Items()->Add(Zoom);
    const int Work = Screen->WorkAreaRect().Bottom;

    Box.SetDroppedDown(true);
    const win::Window *List = OpenList(Box);
    ASSERT_NE(List, nullptr);
    TPoint Corner = Box.ClientToScreen(TPoint(0, 0));
    ASSERT_LT(Corner.Y + 21 + 46, Work) << "room below the box";
    EXPECT_FALSE(Box.ListOpensUpward());
    EXPECT_EQ(TRect(List->Rect), TRect(Corner.X, Corner.Y + 21, Corner.X + 99, Corner.Y + 21 + 46));
    // Its border is a raised edge.
    UpdateWindow(List->Handle);
    EXPECT_EQ(win::SurfacePixel(List->Handle, 1, 1), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(win::SurfacePixel(List->Handle, 97, 44), ColorToRGB(clBtnShadow));
    Box.SetDroppedDown(false);

    // A preferred width, and the box moved down until the list no longer fits below it.
    Box.SetPreferredListWidth(160);
    Shown->SetTop(Shown->Top() + (Work - (Corner.Y + 21)) - 30);
    Corner = Box.ClientToScreen(TPoint(0, 0));
    ASSERT_GT(Corner.Y + 21 + 46, Work);
    EXPECT_TRUE(Box.ListOpensUpward());
    Box.SetDroppedDown(true);
    List = OpenList(Box);
    ASSERT_NE(List, nullptr);
    EXPECT_EQ(TRect(List->Rect), TRect(Corner.X, Corner.Y - 2 - 46, Corner.X + 160, Corner.Y - 2));
    // The list still picks: its second row, clicked, is the box's choice.
    const TPoint Row2 = Box.ScreenToClient(TPoint(Corner.X + 20, Corner.Y - 2 - 46 + 1 + 14 + 7));
    vcltest::Click(&Box, Row2.X, Row2.Y);
    vcltest::Pump();
    EXPECT_FALSE(Box.DroppedDown());
    EXPECT_EQ(Box.ItemIndex(), 1);

    // The font sample goes above the box with the list.
    TfrxFontComboBox Fonts(Shown);
    Fonts.SetParent(Shown);
    Fonts.SetBounds(150, 10, 150, 21);
    Fonts.Reset();
    Fonts.SetDroppedDown(true);
    const TPoint FontsCorner = Fonts.ClientToScreen(TPoint(0, 0));
    EXPECT_EQ(Fonts.FontPreview()->Top(), FontsCorner.Y - 50);
    EXPECT_EQ(Fonts.FontPreview()->Left(), FontsCorner.X + 150);
    const HWND Sample = Fonts.FontPreview()->Handle();
    ASSERT_NE(OpenList(Fonts, Sample), nullptr);
    EXPECT_EQ(OpenList(Fonts, Sample)->Rect.bottom, FontsCorner.Y - 2);
    Fonts.SetDroppedDown(false);
}

// Last in the program: the added face stays for the rest of the process.
TEST_F(ReportComboTest, AFaceAddedToTheProgramJoinsTheListAndTheChosenFontStays)
{
    TForm *Shown = ShownForm();
    TfrxFontComboBox Box(Shown);
    Box.SetParent(Shown);
    Box.SetBounds(10, 10, 150, 21);
    Box.Reset();
    Choose(Box, Face(2));
    const AnsiString Chosen = Box.Text();
    ASSERT_EQ(Chosen, Face(2));
    ASSERT_EQ(Box.Items()->IndexOf("Marlett"), -1) << "the test adds a face nobody lists";
    const int Count = Box.Items()->Count();

    ASSERT_EQ(AddFontResourceA("/usr/share/wine/fonts/marlett.ttf"), 1);
    vcltest::Pump();
    EXPECT_EQ(Box.Items()->Count(), Count + 1);
    EXPECT_GT(Box.Items()->IndexOf("Marlett"), Box.LastRecent()) << "among the installed faces";
    EXPECT_GE(Screen->Fonts()->IndexOf("Marlett"), 0);
    EXPECT_EQ(Box.Text(), Chosen);
    EXPECT_EQ(Box.LastRecent(), 0);
    EXPECT_EQ(Box.Items()->Strings(0), Chosen);
}

// Writes From as a form stream's root and reads the stream into To.
void RoundTrip(TComponent &From, TComponent &To)
{
    TMemoryStream Stream;
    TWriter(&Stream).WriteRootComponent(&From);
    Stream.SetPosition(0);
    TReader(&Stream).ReadRootComponent(&To);
}

TEST_F(ReportComboTest, TheBoxesReadFromAFormStreamKeepTheirPublishedProperties)
{
    TfrxComboBox Zoom(nullptr);
    Zoom.Items()->Add("50%");
    Zoom.Items()->Add("100%");
    Zoom.SetDropDownCount(3);
    Zoom.SetReadOnly(true);
    Zoom.SetPreferredListWidth(140);
    TfrxComboBox ZoomCopy(nullptr);
    RoundTrip(Zoom, ZoomCopy);
    EXPECT_EQ(ZoomCopy.Items()->Text(), "50%\r\n100%\r\n");
    EXPECT_EQ(ZoomCopy.DropDownCount(), 3);
    EXPECT_TRUE(ZoomCopy.ReadOnly());
    EXPECT_EQ(ZoomCopy.PreferredListWidth(), 140);

    TfrxFontComboBox Fonts(nullptr);
    Fonts.SetRegKey("\\Software\\Test\\Fonts");
    Fonts.SetMRUEnabled(false);
    TfrxFontComboBox FontsCopy(nullptr);
    RoundTrip(Fonts, FontsCopy);
    EXPECT_EQ(FontsCopy.RegKey(), "\\Software\\Test\\Fonts");
    EXPECT_FALSE(FontsCopy.MRUEnabled());

    TfrxComboEdit Edit(nullptr);
    Edit.SetButtonHint("Choose a folder");
    Edit.SetButtonEnabled(false);
    TBitmap Glyph;
    Glyph.SetSize(12, 10);
    Glyph.Canvas()->Brush()->SetColor(clRed);
    Glyph.Canvas()->FillRect(TRect(0, 0, 12, 10));
    Edit.SetGlyph(&Glyph);
    TfrxComboEdit EditCopy(nullptr);
    RoundTrip(Edit, EditCopy);
    EXPECT_EQ(EditCopy.ButtonHint(), "Choose a folder");
    EXPECT_FALSE(EditCopy.ButtonEnabled());
    EXPECT_EQ(EditCopy.Glyph()->Width(), 12);
    EXPECT_EQ(EditCopy.Glyph()->Height(), 10);
    EXPECT_EQ(EditCopy.Glyph()->Canvas()->Pixels(5, 5), clRed);
}

} // namespace
