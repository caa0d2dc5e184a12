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
