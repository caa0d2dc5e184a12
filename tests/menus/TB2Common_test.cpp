#include "menus/TB2Common.h"

#include "platform/rtl/Registry.h"
#include "tests/vcl/VclTestSupport.h"

#include <cstdlib>
#include <filesystem>

namespace
{

TEST(DivRoundUp, RoundsAwayFromZeroWithTheSignOfBothOperands)
{
    EXPECT_EQ(DivRoundUp(7, 3), 3);
    EXPECT_EQ(DivRoundUp(6, 3), 2);
    EXPECT_EQ(DivRoundUp(-7, 3), -3);
    // A quotient of zero keeps the sign of the division, not plus one.
    EXPECT_EQ(DivRoundUp(-1, 3), -1);
    EXPECT_EQ(DivRoundUp(1, -3), -1);
    EXPECT_EQ(DivRoundUp(1, 3), 1);
    EXPECT_EQ(DivRoundUp(0, 3), 0);
}

TEST(ListRoutines, AddOnceRemoveWhatIsThereAndSortKeepingEqualItemsInTheirOrder)
{
    std::vector<int> List;
    EXPECT_TRUE(AddToList(List, 3));
    EXPECT_FALSE(AddToList(List, 3));
    EXPECT_TRUE(AddToList(List, 1));
    EXPECT_TRUE(RemoveFromList(List, 3));
    EXPECT_FALSE(RemoveFromList(List, 3));
    EXPECT_EQ(List, std::vector<int>{1});

    // Sorted by tens, as the data says; ones within a ten keep their order.
    std::vector<int> Bars{31, 12, 35, 11, 30, 13};
    ListSortEx(
        Bars, [](int A, int B, int Unit) { return A / Unit - B / Unit; }, 10);
    EXPECT_EQ(Bars, (std::vector<int>{12, 11, 13, 31, 35, 30}));
}

TEST(ChangeHandlers, AMethodRegisteredTwiceRunsOnceAndAnotherOfTheSameReceiverRunsToo)
{
    TObject Receiver;
    std::vector<int> Heard;
    const TNotifyEvent First = [&](TObject *) { Heard.push_back(1); };
    const TNotifyEvent Second = [&](TObject *) { Heard.push_back(2); };
    EXPECT_TRUE(MethodsEqual({&Receiver, First}, {&Receiver, First}));
    EXPECT_FALSE(MethodsEqual({&Receiver, First}, {nullptr, First}));
    EXPECT_FALSE(MethodsEqual({&Receiver, First}, {&Receiver, Second}));

    TTBChangeHandlers Handlers;
    Handlers.Register(&Receiver, First);
    Handlers.Register(&Receiver, First);
    Handlers.Register(&Receiver, Second);
    Handlers.Notify(nullptr);
    EXPECT_EQ(Heard, (std::vector<int>{1, 2}));
    Handlers.Unregister(&Receiver);
    Handlers.Notify(nullptr);
    EXPECT_EQ(Heard.size(), 2u);
}

TEST(FindAccelChar, LastSingleAmpersandNamesTheKey)
{
    EXPECT_EQ(FindAccelChar("Save &As"), 'A');
    EXPECT_EQ(FindAccelChar("&One &Two"), 'T');
    EXPECT_EQ(FindAccelChar("Fish && Chips"), 0);
    // An ampersand at the very end names nothing (and reads nothing past the end).
    EXPECT_EQ(FindAccelChar("Save&"), 0);
    EXPECT_EQ(FindAccelChar("&"), 0);
    EXPECT_EQ(FindAccelChar(""), 0);
    EXPECT_EQ(FindAccelChar("&Удалить"_a), "У"_a[1]);
}

TEST(StripAccelChars, DropsMarksAndKeepsDoubledOnes)
{
    EXPECT_EQ(StripAccelChars("&File"), "File");
    EXPECT_EQ(StripAccelChars("A&&B"), "A&B");
    EXPECT_EQ(StripAccelChars("End&"), "End");
}

class CommonTest : public vcltest::VclTest
{
};

TEST_F(CommonTest, TextWidthWithPrefixMeasuresTheShownText)
{
    HDC DC = GetDC({});
    EXPECT_EQ(GetTextWidth(DC, "&File", true), GetTextWidth(DC, "File", false));
    EXPECT_EQ(GetTextWidth(DC, "A&&B", true), GetTextWidth(DC, "A&B", false));
    EXPECT_GT(GetTextWidth(DC, "&File", false), GetTextWidth(DC, "File", false));
    EXPECT_GT(GetTextHeight(DC), 0);
    ReleaseDC({}, DC);
}

class RegistryTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Folder = std::filesystem::temp_directory_path() /
                 ("qrv4_menus_registry_" + std::to_string(::getpid()));
        std::filesystem::remove_all(Folder);
        const char *Old = std::getenv("XDG_CONFIG_HOME");
        Previous = Old ? Old : "";
        setenv("XDG_CONFIG_HOME", Folder.c_str(), 1);
    }
    void TearDown() override
    {
        if (Previous.empty())
            unsetenv("XDG_CONFIG_HOME");
        else
            setenv("XDG_CONFIG_HOME", Previous.c_str(), 1);
        std::filesystem::remove_all(Folder);
    }
    std::filesystem::path Folder;
    std::string Previous;
};

TEST_F(RegistryTest, MenuShowDelayFromTheRegistry)
{
    EXPECT_EQ(ReadMenuShowDelayValue(), 400);
    ASSERT_TRUE(rtl::RegistryCreateKey(HKEY_CURRENT_USER, "Control Panel\\Desktop"));
    EXPECT_EQ(ReadMenuShowDelayValue(), 400);
    rtl::RegistrySetValue(HKEY_CURRENT_USER, "Control Panel\\Desktop",
                          rtl::RegistryValue::String("MenuShowDelay", "abc"));
    EXPECT_EQ(ReadMenuShowDelayValue(), 0);
    rtl::RegistrySetValue(HKEY_CURRENT_USER, "Control Panel\\Desktop",
                          rtl::RegistryValue::String("MenuShowDelay", "250"));
    EXPECT_EQ(ReadMenuShowDelayValue(), 250);
    rtl::RegistrySetValue(HKEY_CURRENT_USER, "Control Panel\\Desktop",
                          rtl::RegistryValue::Integer("MenuShowDelay", 100));
    EXPECT_EQ(ReadMenuShowDelayValue(), 0);
}

TEST_F(RegistryTest, SoundsPlayOnlyWhenTheSchemeNamesOne)
{
    EXPECT_FALSE(NeedToPlaySound("MenuPopup"));
    const AnsiString Key = "AppEvents\\Schemes\\Apps\\.Default\\MenuPopup\\.Current";
    ASSERT_TRUE(rtl::RegistryCreateKey(HKEY_CURRENT_USER, Key));
    EXPECT_FALSE(NeedToPlaySound("MenuPopup"));
    rtl::RegistrySetValue(HKEY_CURRENT_USER, Key, rtl::RegistryValue::String("", "ding.wav"));
    EXPECT_TRUE(NeedToPlaySound("MenuPopup"));
    EXPECT_FALSE(NeedToPlaySound("MenuCommand"));
}

TEST_F(CommonTest, SettingsAndMonitorsComeFromTheSystemTable)
{
    win::OverrideParameter(SPI_GETMENUSHOWDELAY, 120);
    EXPECT_EQ(GetMenuShowDelay(), 120);
    win::OverrideParameter(SPI_GETMENUSHOWDELAY, -5);
    EXPECT_EQ(GetMenuShowDelay(), 0);
    win::OverrideParameter(SPI_GETFLATMENU, 1);
    EXPECT_TRUE(AreFlatMenusEnabled());
    win::OverrideParameter(SPI_GETKEYBOARDCUES, 0);
    EXPECT_FALSE(AreKeyboardCuesEnabled());
    win::OverrideMonitors({win::Monitor{RECT{0, 0, 800, 600}, RECT{0, 0, 800, 570}},
                           win::Monitor{RECT{800, 0, 1800, 700}, RECT{800, 30, 1800, 700}}});
    EXPECT_EQ(GetRectOfMonitorContainingPoint(TPoint(900, 100), true), TRect(800, 30, 1800, 700));
    EXPECT_EQ(GetRectOfMonitorContainingPoint(TPoint(10, 10), false), TRect(0, 0, 800, 600));
    EXPECT_EQ(GetRectOfMonitorContainingRect(TRect(700, 10, 1000, 50), true),
              TRect(800, 30, 1800, 700));
    EXPECT_EQ(GetRectOfPrimaryMonitor(true), TRect(0, 0, 800, 570));
    win::ResetSettings();
}

} // namespace

// ---- rotated captions ----

namespace
{

// A white picture whose canvas has selected a font of the face and height asked for.
std::unique_ptr<TBitmap> WhitePicture(int Width, int Height, const char *Face)
{
    auto Picture = std::make_unique<TBitmap>();
    Picture->SetPixelFormat(pf24bit);
    Picture->SetSize(Width, Height);
    TCanvas *Canvas = Picture->Canvas();
    Canvas->Brush()->SetColor(clWhite);
    Canvas->FillRect(Rect(0, 0, Width, Height));
    Canvas->Font()->SetName(Face);
    Canvas->Font()->SetHeight(-11);
    Canvas->Font()->SetColor(clBlack);
    Canvas->TextWidth("x"); // selects the font into the DC
    return Picture;
}

LOGFONTW LogFontOf(HFONT Font)
{
    LOGFONTW Log{};
    EXPECT_EQ(GetObjectW(Font, sizeof Log, &Log), static_cast<int>(sizeof Log));
    return Log;
}

} // namespace

TEST_F(CommonTest, RotatedFontsTurnTheFontOfTheDCAndNeedATrueTypeFace)
{
    for (const auto &[Face, Expected] : {std::pair{"MS Sans Serif", u"Arial"},
                                         {"Microsoft Sans Serif", u"Arial"},
                                         {"Tahoma", u"Tahoma"}}) {
        auto Picture = WhitePicture(10, 10, Face);
        const HFONT Font = CreateRotatedFont(Picture->Canvas()->Handle());
        const LOGFONTW Log = LogFontOf(Font);
        EXPECT_EQ(Log.lfEscapement, 2700) << Face;
        EXPECT_EQ(Log.lfOrientation, 2700) << Face;
        EXPECT_EQ(Log.lfOutPrecision, OUT_TT_ONLY_PRECIS) << Face;
        EXPECT_EQ(Log.lfHeight, -11) << Face;
        EXPECT_EQ(std::u16string(Log.lfFaceName), Expected) << Face;
        DeleteObject(Font);
    }
}

class RotatedTextTest : public CommonTest
{
protected:
    static constexpr int Width = 40, Height = 120;

    // Draws the caption top to bottom in a fresh picture; where the underline would go.
    int Draw(const char *Caption, UINT Format)
    {
        Picture = WhitePicture(Width, Height, "Tahoma");
        DC = Picture->Canvas()->Handle();
        const HFONT Font = CreateRotatedFont(DC);
        const HGDIOBJ Old = SelectObject(DC, Font);
        SetBkMode(DC, TRANSPARENT);
        SetTextColor(DC, RGB(0, 0, 0));
        DrawRotatedText(DC, Caption, Rect(0, 0, Width, Height), Format);
        TEXTMETRICW Metrics{};
        GetTextMetricsW(DC, &Metrics);
        FShownLength = GetTextWidth(DC, StripAccelChars(Caption), false);
        FFirstWidth = GetTextWidth(DC, StripAccelChars(Caption).SubString(1, 1), false);
        SelectObject(DC, Old);
        DeleteObject(Font);
        return (Width + Metrics.tmHeight) / 2 - Metrics.tmAscent - 1;
    }
    bool Ink(int X, int Y) const { return GetPixel(DC, X, Y) != RGB(255, 255, 255); }
    int InkInColumn(int X) const
    {
        int Count = 0;
        for (int Y = 0; Y < Height; ++Y)
            Count += Ink(X, Y);
        return Count;
    }
    TRect InkBounds() const
    {
        TRect R(Width, Height, -1, -1);
        for (int Y = 0; Y < Height; ++Y)
            for (int X = 0; X < Width; ++X)
                if (Ink(X, Y)) {
                    R.Left = std::min(R.Left, X);
                    R.Top = std::min(R.Top, Y);
                    R.Right = std::max(R.Right, X + 1);
                    R.Bottom = std::max(R.Bottom, Y + 1);
                }
        return R;
    }

    std::unique_ptr<TBitmap> Picture;
    HDC DC{};
    int FShownLength = 0;
    int FFirstWidth = 0;
};

TEST_F(RotatedTextTest, CaptionsRunDownTheMiddleOfTheirRectangle)
{
    Draw("Files", DT_HIDEPREFIX);
    const TRect Box = InkBounds();
    ASSERT_GT(Box.Right, Box.Left);
    // Longer down than across, about as long as the text is wide.
    EXPECT_GT(Box.Height(), 2 * Box.Width());
    EXPECT_NEAR(Box.Height(), FShownLength, 3);
    EXPECT_NEAR((Box.Top + Box.Bottom) / 2, Height / 2, 2);
    EXPECT_NEAR((Box.Left + Box.Right) / 2, Width / 2, 3);
    // The first letter is at the top: the stem of the "F" lies across the top rows.
    int Stem = 0;
    for (int X = Box.Left; X < Box.Right; ++X)
        Stem += Ink(X, Box.Top) || Ink(X, Box.Top + 1);
    EXPECT_GE(3 * Stem, 2 * Box.Width());
}

TEST_F(RotatedTextTest, TheAcceleratorIsUnderlinedUnlessHidden)
{
    const int LineX = Draw("&File", 0);
    // A one-pixel line as long as the "F", at the start of the text, below its baseline.
    EXPECT_EQ(InkInColumn(LineX), FFirstWidth);
    EXPECT_TRUE(Ink(LineX, (Height - FShownLength) / 2));
    EXPECT_EQ(InkBounds().Left, LineX);

    Draw("&File", DT_HIDEPREFIX);
    EXPECT_EQ(InkInColumn(LineX), 0);
    // The marks themselves are never drawn: the text is as long as without them.
    EXPECT_NEAR(InkBounds().Height(), FShownLength, 3);
}

class InvertRectTest : public CommonTest
{
protected:
    static constexpr int Side = 40;

    void SetUp() override
    {
        CommonTest::SetUp();
        Picture = WhitePicture(Side, Side, "Tahoma");
        DC = Picture->Canvas()->Handle();
    }
    // Black where the halftone inverted the white picture: every other pixel of a frame.
    bool Inverted(int X, int Y) const { return GetPixel(DC, X, Y) == RGB(0, 0, 0); }
    bool Untouched(int X, int Y) const { return GetPixel(DC, X, Y) == RGB(255, 255, 255); }
    int InvertedCount() const
    {
        int Count = 0;
        for (int Y = 0; Y < Side; ++Y)
            for (int X = 0; X < Side; ++X)
                Count += Inverted(X, Y);
        return Count;
    }

    std::unique_ptr<TBitmap> Picture;
    HDC DC{};
};

TEST_F(InvertRectTest, TheHalftoneFrameLiesInsideItsRectangleAsACheckerboard)
{
    const RECT R{5, 5, 25, 20};
    DrawHalftoneInvertRect(DC, &R, nullptr, SIZE{3, 2}, SIZE{});
    // Neighbours along the top edge differ; the inside and the outside stay white.
    EXPECT_NE(Inverted(10, 5), Inverted(11, 5));
    EXPECT_NE(Inverted(10, 5), Inverted(10, 6));
    EXPECT_TRUE(Untouched(12, 10)) << "inside the frame";
    EXPECT_TRUE(Untouched(4, 10) && Untouched(25, 10) && Untouched(10, 20)) << "outside";
    // Frame: 20 x 15 less the 14 x 11 hole, half of it inverted.
    EXPECT_EQ(InvertedCount(), (20 * 15 - 14 * 11) / 2);
}

TEST_F(InvertRectTest, MovingTheFrameErasesTheOldOneAndLeavesOnlyTheNew)
{
    const RECT First{2, 2, 22, 22}, Second{10, 12, 36, 30};
    DrawHalftoneInvertRect(DC, &First, nullptr, SIZE{2, 2}, SIZE{});
    DrawHalftoneInvertRect(DC, &Second, &First, SIZE{4, 4}, SIZE{2, 2});
    // What stands is exactly the second frame drawn on a white picture.
    auto Fresh = WhitePicture(Side, Side, "Tahoma");
    const HDC FreshDC = Fresh->Canvas()->Handle();
    DrawHalftoneInvertRect(FreshDC, &Second, nullptr, SIZE{4, 4}, SIZE{});
    for (int Y = 0; Y < Side; ++Y)
        for (int X = 0; X < Side; ++X)
            ASSERT_EQ(GetPixel(DC, X, Y), GetPixel(FreshDC, X, Y)) << X << "," << Y;
    // Erasing the last frame gives the white picture back.
    DrawHalftoneInvertRect(DC, nullptr, &Second, SIZE{}, SIZE{4, 4});
    EXPECT_EQ(InvertedCount(), 0);
}

TEST_F(InvertRectTest, TwoBrushesEraseWithTheOldAndDrawWithTheNew)
{
    const HBRUSH Solid = CreateSolidBrush(RGB(255, 255, 255));
    const HBRUSH Halftone = CreateHalftoneBrush();
    const RECT R{5, 5, 15, 15};
    DrawInvertRect(DC, &R, nullptr, SIZE{1, 1}, SIZE{}, Solid, {});
    EXPECT_TRUE(Inverted(5, 5) && Inverted(6, 5) && Inverted(14, 14));
    DrawInvertRect(DC, &R, &R, SIZE{1, 1}, SIZE{1, 1}, Halftone, Solid);
    EXPECT_NE(Inverted(5, 5), Inverted(6, 5)) << "the solid frame gave way to the halftone one";
    DeleteObject(Halftone);
    DeleteObject(Solid);
}
