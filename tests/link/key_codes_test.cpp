#include "link/helpers.h"
#include "link/hex_text.h"
#include "link/key_codes.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <set>

namespace
{

AnsiString Decoded(int KeyType, int WriteMode, const char *DeviceForm)
{
    AnsiString code = DeviceForm;
    DecodeKeyCode(KeyType, WriteMode, code);
    return code;
}

} // namespace

// ---- hex text ----

TEST(HexText, HexToIntDefReadsEitherCaseAndFallsBack)
{
    EXPECT_EQ(HexToIntDef("", 7), 7);
    EXPECT_EQ(HexToIntDef("ff", 0), 255);
    EXPECT_EQ(HexToIntDef("A5", 0), 0xA5);
    EXPECT_EQ(HexToIntDef("G1", -1), -1);
    EXPECT_EQ(HexToIntDef("x", 3), 3);
}

TEST(HexText, ChecksumIsTheLowByteOfThePairSum)
{
    EXPECT_EQ(HexChecksum("96007000", false), "06");
    EXPECT_EQ(HexChecksum("31FE3010", false), "6F");
    EXPECT_EQ(HexChecksum("31040018", false), "4D");
    // A lone last digit takes no part.
    EXPECT_EQ(HexChecksum("960070007", false), "06");
    // A pair that is no number counts as 0.
    EXPECT_EQ(HexChecksum("96ZZ70", false), "06");
}

TEST(HexText, NegatedChecksumClosesFirmwareBlocks)
{
    AnsiString zeros = AnsiString::StringOfChar('0', 64);
    EXPECT_EQ(HexChecksum("020000" + zeros, true), "FE");
    EXPECT_EQ(HexChecksum("027D00" + AnsiString::StringOfChar('0', 20), true), "81");
    AnsiString block = "02123401020304";
    AnsiString sum = HexChecksum(block + HexChecksum(block, true), false);
    EXPECT_EQ(sum, "00");
}

TEST(HexText, BytesAndTextConvertBothWays)
{
    auto bytes = HexToBytes("A59600700006");
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0xA5, 0x96, 0x00, 0x70, 0x00, 0x06}));
    EXPECT_EQ(BytesToHex(bytes.data(), static_cast<int>(bytes.size())), "A59600700006");
    EXPECT_EQ(HexToBytes("a5zz"), (std::vector<std::uint8_t>{0xA5, 0x00}));
    EXPECT_THROW(HexToBytes("A59"), ERangeError);
    EXPECT_TRUE(HexToBytes("").empty());
}

// ---- check byte ----

TEST(KeyCheck, CheckByteOfTheSpecimenIs9B)
{
    AnsiString code = "000000FFFFFFFF01";
    EXPECT_TRUE(KeyCrc(code, false));
    EXPECT_EQ(code, "9B0000FFFFFFFF01");
    EXPECT_EQ(KeyCheckByte({0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}), 0x9B);
}

TEST(KeyCheck, SpacedCodesKeepTheirBlanks)
{
    AnsiString code = "00 23 45 67 89 AB CD EF";
    EXPECT_TRUE(KeyCrc(code, true));
    EXPECT_EQ(code, "5B 23 45 67 89 AB CD EF");
}

TEST(KeyCheck, CodesOfAnotherLengthAreLeftAlone)
{
    AnsiString code = "0000FFFFFFFF01F";
    EXPECT_FALSE(KeyCrc(code, false));
    EXPECT_EQ(code, "0000FFFFFFFF01F");
    AnsiString spaced = "00 00 FF FF FF FF 01";
    EXPECT_FALSE(KeyCrc(spaced, true));
    EXPECT_EQ(spaced, "0000FFFFFFFF01");
}

TEST(KeyCheck, FixCrcGivesTheDigitsWithTheCheckByte)
{
    EXPECT_EQ(KeyHexFixCrc("FF 23 45 67 89 AB CD EF"), "5B23456789ABCDEF");
    EXPECT_EQ(KeyHexFixCrc("000000FFFFFFFF01"), "9B0000FFFFFFFF01");
    EXPECT_EQ(KeyHexFixCrc("12 34"), "1234");
}

// ---- decoding per key type and write mode ----

TEST(DecodeKeyCode, DallasKeepsEveryByteButTheCheckByte)
{
    for (int mode : {0, 1, 255})
        EXPECT_EQ(Decoded(ktDallas, mode, "0123456789ABCDEF"), "5B23456789ABCDEF");
}

TEST(DecodeKeyCode, MetakomM1ReversesTheCodeBytes)
{
    for (int mode : {0, 2}) {
        EXPECT_EQ(Decoded(ktMetakom, mode, "0000000305060F01"), "E000000F06050301");
        // The fixed bytes of the device form are forced before the reversal.
        EXPECT_EQ(Decoded(ktMetakom, mode, "FFFFFF0305060FFF"), "E000000F06050301");
    }
}

TEST(DecodeKeyCode, MetakomM2KeepsTheCodeBytes)
{
    for (int mode : {1, 3}) {
        AnsiString code = Decoded(ktMetakom, mode, "ABCDEF0305060F77");
        EXPECT_EQ(code.SubString(3, 14), "00000305060F01");
        EXPECT_EQ(code, KeyHexFixCrc(code));
    }
}

TEST(DecodeKeyCode, CyfralModesOfTheArchiveSpecimens)
{
    EXPECT_EQ(Decoded(ktCyfral, 0, "000000B7D7E7EE01"), "DE0000000148CF01");
    EXPECT_EQ(Decoded(ktCyfral, 4, "000000B7D7E7EE01"), "DE0000000148CF01");
    EXPECT_EQ(Decoded(ktCyfral, 255, "000000B7D7E7EE01"), "DE0000000148CF01");
    EXPECT_EQ(Decoded(ktCyfral, 1, "000000B7D7E7EE01"), "130000000149CF01");
    EXPECT_EQ(Decoded(ktCyfral, 5, "000000B7D7E7EE01"), "130000000149CF01");
    EXPECT_EQ(Decoded(ktCyfral, 2, "000000777B7D7E01"), "B500008182848801");
    EXPECT_EQ(Decoded(ktCyfral, 6, "000000777B7D7E01"), "B500008182848801");
}

TEST(DecodeKeyCode, CyfralC4IsAlwaysTheSameCode)
{
    for (int mode : {3, 7})
        for (const char *code : {"0000000000000000", "0123456789ABCDEF", "000000B7D7E7EE01"})
            EXPECT_EQ(Decoded(ktCyfral, mode, code), "9B0000FFFFFFFF01");
}

TEST(DecodeKeyCode, CyfralByteOutsideTheTableStaysAsTwoDigits)
{
    AnsiString code = Decoded(ktCyfral, 0, "000000B712D7EE01");
    // 12 is no one-of-four byte: the code grows past 16 digits and keeps its first byte.
    EXPECT_EQ(code, "0000000001412"
                    "8F01");
    EXPECT_EQ(code.Length(), 17);
}

TEST(DecodeKeyCode, ProxyForcesItsFixedBytesOnly)
{
    for (int mode : {0, 1})
        EXPECT_EQ(Decoded(ktProxy, mode, "FFFF123456789AFF"), KeyHexFixCrc("0000123456789A00"));
}

// ---- encoding ----

TEST(EncodeKeys, MetakomEncodingUndoesM1)
{
    for (const char *device : {"0000000305060F01", "0000001234567801", "000000FFFFFFFF01"}) {
        AnsiString code = device;
        DecodeKeyCode(ktMetakom, 0, code);
        AnsiString spaced = code.SubString(1, 2);
        for (int i = 3; i <= 16; i += 2)
            spaced += " " + code.SubString(i, 2);
        EXPECT_EQ(EncodeMetakomKey(spaced), device);
    }
}

TEST(EncodeKeys, CyfralEncodingWritesOneOfFourBytes)
{
    EXPECT_EQ(EncodeCyfralKey("DE 00 00 00 01 48 CF 01"), "000000B7D7E7EE00");
    EXPECT_EQ(EncodeCyfralKey("00 00 00 00 01 01 23 01"), "000000777B7D7E00");
}

// ---- the C2 mapping ----

TEST(CyfralC2Map, LowValuesMapToThemselves)
{
    for (unsigned v = 0; v <= 0x1FF; ++v)
        EXPECT_EQ(CyfralC2Map(static_cast<std::uint16_t>(v)), v);
}

TEST(CyfralC2Map, HighBitsBringTheirPartners)
{
    EXPECT_EQ(CyfralC2Map(0x0200), 0x0240);
    EXPECT_EQ(CyfralC2Map(0x0201), 0x0241);
    EXPECT_EQ(CyfralC2Map(0x8000), 0x9000);
    EXPECT_EQ(CyfralC2Map(0xFFFF), 0xFFFF);
}

TEST(CyfralC2Map, ImagesAreTheFixedPoints)
{
    std::set<std::uint16_t> images;
    for (unsigned v = 0; v <= 0xFFFF; ++v) {
        std::uint16_t image = CyfralC2Map(static_cast<std::uint16_t>(v));
        EXPECT_EQ(CyfralC2Map(image), image);
        images.insert(image);
    }
    EXPECT_EQ(images.size(), 20736u);
}

// ---- normalisation ----

TEST(NormalizeKeyText, EmptyCodeBecomesZerosWithTheTypesFixedBytes)
{
    AnsiString dallas;
    EXPECT_TRUE(NormalizeKeyText(ktDallas, dallas));
    EXPECT_EQ(dallas, "00 00 00 00 00 00 00 00");
    AnsiString cyfral;
    EXPECT_TRUE(NormalizeKeyText(ktCyfral, cyfral));
    EXPECT_EQ(cyfral, KeyHexFixCrc("0000000001000001").SubString(1, 2) + " 00 00 00 01 00 00 01");
}

TEST(NormalizeKeyText, FixedBytesPerKeyType)
{
    AnsiString metakom = "FF 11 22 03 05 06 0F 77";
    EXPECT_TRUE(NormalizeKeyText(ktMetakom, metakom));
    EXPECT_EQ(metakom.SubString(3, 21), " 00 00 03 05 06 0F 01");
    AnsiString cyfral = "FF 11 22 33 44 48 CF 77";
    EXPECT_TRUE(NormalizeKeyText(ktCyfral, cyfral));
    EXPECT_EQ(cyfral, "DE 00 00 00 01 48 CF 01");
    AnsiString proxy = "FF 11 22 33 44 55 66 77";
    EXPECT_TRUE(NormalizeKeyText(ktProxy, proxy));
    EXPECT_EQ(proxy.SubString(3, 21), " 00 22 33 44 55 66 00");
    AnsiString dallas = "FF 11 22 33 44 55 66 77";
    EXPECT_TRUE(NormalizeKeyText(ktDallas, dallas));
    EXPECT_EQ(dallas.SubString(3, 21), " 11 22 33 44 55 66 77");
    EXPECT_EQ(KeyHexFixCrc(dallas), StringReplace(dallas, " ", "", rfReplaceAll));
}

TEST(NormalizeKeyText, MetakomCodeBytesNeedEvenParity)
{
    AnsiString good = "00 00 00 0F 06 05 03 01";
    EXPECT_TRUE(NormalizeKeyText(ktMetakom, good));
    EXPECT_EQ(good, "E0 00 00 0F 06 05 03 01");
    for (const char *bad : {"00 00 00 01 05 06 0F 01", "00 00 00 03 05 06 07 01"}) {
        AnsiString code = bad;
        EXPECT_FALSE(NormalizeKeyText(ktMetakom, code));
        EXPECT_EQ(code, InvalidMetakomReplacement);
    }
    EXPECT_TRUE(MetakomCodeValid("0000000305060F01"));
    EXPECT_FALSE(MetakomCodeValid("0000000105060F01"));
}

// The check the address book asks of every row: a code is in its stored form exactly when
// normalising it changes nothing.
TEST(NormalizeKeyText, IsNormalKeyTextIsWhatNormalisingLeavesAlone)
{
    std::mt19937 random(20261209);
    int normal = 0;
    for (int i = 0; i < 20000; ++i) {
        const int type = static_cast<int>(random() % 5);
        std::array<std::uint8_t, 8> bytes{};
        for (std::uint8_t &b : bytes)
            b = random() % 3 ? static_cast<std::uint8_t>(random())
                             : static_cast<std::uint8_t>(random() % 2);
        AnsiString code = BytesToHex(bytes.data(), 8);
        if (random() % 2) KeyCrc(code, false);
        code = InsertSeparatorEvery(code, 2, " ");
        AnsiString normalised = code;
        const bool expected = NormalizeKeyText(type, normalised) && normalised == code;
        ASSERT_EQ(IsNormalKeyText(type, code), expected) << type << " " << code.c_str();
        normal += expected;
    }
    EXPECT_GT(normal, 100);
    const AnsiString good = "E0 00 00 0F 06 05 03 01";
    ASSERT_TRUE(IsNormalKeyText(ktMetakom, good));
    // Any other shape of the same digits is no stored code.
    for (const char *odd :
         {"E0 00 00 0F 06 05 03 01 ", " E0 00 00 0F 06 05 03 01", "E0000000F06050301",
          "e0 00 00 0f 06 05 03 01", "E0-00-00-0F-06-05-03-01", "E0 00 00 0F 06 05 03",
          "E0  00 00 0F 06 05 03 0", "", "G0 00 00 0F 06 05 03 01"})
        EXPECT_FALSE(IsNormalKeyText(ktMetakom, odd)) << odd;
}

// ---- pasted codes and bit texts ----

TEST(ExtractKeyHex, KeepsSixteenDigitsOfTheFirst23Characters)
{
    AnsiString spaced = " 5b 23 45 67 89 ab cd ef ";
    EXPECT_TRUE(ExtractKeyHex(spaced));
    EXPECT_EQ(spaced, "5B23456789ABCDEF");
    AnsiString longer = "0123456789ABCDEF0123";
    EXPECT_TRUE(ExtractKeyHex(longer));
    EXPECT_EQ(longer, "0123456789ABCDEF");
    // Only the first 23 characters count: the last digits lie beyond them.
    AnsiString sparse = "01 xx 45 67 89 AB CD EF 12";
    EXPECT_FALSE(ExtractKeyHex(sparse));
    EXPECT_EQ(sparse, "01456789ABCDEF");
}

TEST(HexToBinText, PadsToTheWidthAndFallsBack)
{
    EXPECT_EQ(HexToBinText("A", 0, 8), "00001010");
    EXPECT_EQ(HexToBinText("FF", 0, 4), "11111111");
    EXPECT_EQ(HexToBinText("zz", 3, 4), "0011");
    EXPECT_EQ(HexToBinText("0", 0, 0), "0");
}
