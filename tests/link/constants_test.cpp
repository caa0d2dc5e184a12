#include "link/config.h"
#include "link/constants.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

TEST(Constants, VersionAndKeyTypeNames)
{
    EXPECT_EQ(VersionText, " QRV-4  версия 1.51"_a);
    EXPECT_EQ(KeyTypeNames[0][0], "Даллас"_a);
    EXPECT_EQ(KeyTypeNames[1][0], "Метаком"_a);
    EXPECT_EQ(KeyTypeNames[2][0], "Цифрал"_a);
    EXPECT_EQ(KeyTypeNames[3][0], "Прокси"_a);
    EXPECT_EQ(KeyTypeNames[1][3], "M1+финализ"_a);
    EXPECT_EQ(KeyTypeNames[2][8], "C4+финализ"_a);
    // Latin M and C, as the device writes them.
    EXPECT_EQ(KeyTypeNames[1][1], "M1");
    EXPECT_EQ(KeyTypeNames[2][1], "C1");
}

TEST(Constants, ModesATypeDoesNotHaveAreEmpty)
{
    for (int mode = 2; mode < 8; ++mode) {
        EXPECT_TRUE(KeyTypeNames[0][1 + mode].IsEmpty());
        EXPECT_TRUE(KeyTypeNames[3][1 + mode].IsEmpty());
    }
    for (int mode = 4; mode < 8; ++mode)
        EXPECT_TRUE(KeyTypeNames[1][1 + mode].IsEmpty());
    for (int mode = 0; mode < 8; ++mode)
        EXPECT_FALSE(KeyTypeNames[2][1 + mode].IsEmpty());
}

TEST(Constants, LcdLevelsStartAndEndDark)
{
    EXPECT_EQ(LcdColorLevels.front(), "0/0");
    EXPECT_EQ(LcdColorLevels.back(), "0/0");
    EXPECT_EQ(LcdColorLevels[7], "0/7");
    EXPECT_EQ(LcdColorLevels[14], "7/7");
    EXPECT_EQ(LcdColorLevels[21], "7/0");
}

TEST(Constants, CharacterSetsOfNames)
{
    EXPECT_EQ(DeviceAlphabet.Length(), 43);
    EXPECT_EQ(DeviceAlphabet[43], ' ');
    EXPECT_EQ(DeviceAlphabet[30], '.');
    EXPECT_EQ(DeviceAlphabet.SubString(31, 2), "-/");
    EXPECT_EQ(DeviceAlphabet.SubString(33, 10), "0123456789");
    for (const char *missing : {"Ё", "Й", "Щ", "Ъ"})
        EXPECT_EQ(DeviceAlphabet.Pos(AnsiString::FromUtf8(missing)), 0);
    EXPECT_EQ(NameInputChars.Length(), 72);
    for (char ch : DeviceAlphabet.View())
        EXPECT_NE(NameInputChars.Pos(AnsiString(ch)), 0);
}

TEST(Constants, WriteAddressesAreTheWritableTailOfTheReadList)
{
    EXPECT_EQ(OptionsReadAddresses.front(), "12");
    EXPECT_EQ(OptionsReadAddresses.back(), "D9");
    for (int i = 0; i < OptionsWriteCount; ++i)
        EXPECT_EQ(OptionsWriteAddresses[i], OptionsReadAddresses[18 + i]);
}

TEST(Constants, FilesAndDates)
{
    EXPECT_EQ(ConfigFileName, "qrv4.cfg");
    EXPECT_EQ(Config.BaseDir, ExcludeTrailingPathDelimiter(GetCurrentDir()));
    EXPECT_EQ(GridArchiveFile, Config.GetBaseDir() + "grid_archive.txt");
    EXPECT_EQ(GridWriterFile, Config.GetBaseDir() + "grid_writer.txt");
    EXPECT_EQ(HelpPageFiles[0], "info_proga.mht");
    EXPECT_EQ(HelpPageFiles[3], "info_repair.mht");
    EXPECT_EQ(UpdateListName, "123.txt");
    EXPECT_STREQ(FormatDateTime(DateTimeFormatText, DefaultDateTime).c_str(),
                 "1980-01-01 00:00:00");
    EXPECT_EQ(DefaultDateTime, EncodeDate(1980, 1, 1));
    EXPECT_EQ(DefaultDate, EncodeDate(1980, 1, 1));
}

TEST(Constants, GridWidthsAndBacklightTimes)
{
    EXPECT_EQ(ArchiveColumnWidths, (std::array<int, 6>{77, 142, 122, 141, 81, 304}));
    EXPECT_EQ(WriterColumnWidths, (std::array<int, 4>{77, 236, 109, 326}));
    FillBacklightOffTimes();
    FillBacklightOffTimes();
    ASSERT_EQ(BacklightOffTimes.size(), 45u);
    EXPECT_EQ(BacklightOffTimes.front(), 25);
    EXPECT_EQ(BacklightOffTimes[43], 240);
    EXPECT_EQ(BacklightOffTimes.back(), 245);
}
