// Archive records: a block answer decoded into a row, neighbours merged, the grid's texts,
// sorting by each column and the sums by key type.

#include "link/constants.h"
#include "operations/archive_record.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

namespace
{

// A 22-byte block answer around a 16-byte record given as 32 hex digits.
AnsiString Answer(const char *Record)
{
    return AnsiString("A5316200") + "10" + Record + "00";
}

std::vector<ArchiveRecord> Decode(std::initializer_list<const char *> Records,
                                  bool SkipReadOnly = false)
{
    std::vector<ArchiveRecord> rows;
    for (const char *record : Records)
        AppendArchiveRecord(rows, Answer(record), SkipReadOnly);
    return rows;
}

ArchiveRecord Row(int Number, int Type, int Mode, int Count, const char *Key, TDateTime When = 0)
{
    ArchiveRecord row;
    row.Number = Number;
    row.KeyType = Type;
    row.WriteMode = Mode;
    row.Count = Count;
    row.KeyText = Key;
    row.DateTime = When;
    return row;
}

std::vector<int> Numbers(const std::vector<ArchiveRecord> &Rows)
{
    std::vector<int> numbers;
    for (const ArchiveRecord &row : Rows)
        numbers.push_back(row.Number);
    return numbers;
}

} // namespace

// ---- decoding and merging ----

TEST(ArchiveDecode, EqualNeighboursMergeIntoTheNewestRow)
{
    auto rows = Decode({"00010123456789ABCDEF235959311208", "00010123456789ABCDEF235958311208",
                        "01000000000305060F01100000010109"});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Number, 1);
    EXPECT_EQ(rows[0].KeyType, 0);
    EXPECT_EQ(rows[0].WriteMode, 1);
    EXPECT_EQ(rows[0].Count, 2);
    EXPECT_EQ(rows[0].KeyText, "5B 23 45 67 89 AB CD EF");
    EXPECT_EQ(rows[0].DeviceKey, "0123456789ABCDEF");
    EXPECT_EQ(rows[0].DateTime, EncodeDate(2008, 12, 31) + EncodeTime(23, 59, 59, 0));
    EXPECT_EQ(rows[1].Number, 2);
    EXPECT_EQ(rows[1].KeyText, "E0 00 00 0F 06 05 03 01");
    EXPECT_EQ(ArchiveRowTexts(rows[1])[1], "01.01.2009  10:00:00");
    EXPECT_EQ(ArchiveRowTexts(rows[1])[3], "M1");
}

TEST(ArchiveDecode, RowNumberCountsRowsNotRecords)
{
    auto rows = Decode({"00010123456789ABCDEF235959311208", "00010123456789ABCDEF235959311208",
                        "00010123456789ABCDEF235959311208", "00000123456789ABCDEF235959311208"});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Count, 3);
    EXPECT_EQ(rows[1].Number, 2);
}

TEST(ArchiveDecode, CyfralCodesShowInTheirDisplayedForm)
{
    auto rows = Decode({"0200000000B7D7E7EE01120000010109", "0201000000B7D7E7EE01120000010109",
                        "0202000000777B7D7E01120000010109", "0203000000B7D7E7EE01120000010109"});
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].KeyText, "DE 00 00 00 01 48 CF 01");
    EXPECT_EQ(rows[1].KeyText, "13 00 00 00 01 49 CF 01");
    EXPECT_EQ(rows[2].KeyText, "B5 00 00 81 82 84 88 01");
    EXPECT_EQ(rows[3].KeyText, "9B 00 00 FF FF FF FF 01");
}

TEST(ArchiveDecode, ReadOnlyRecordsNeverMergeAndCanBeSkipped)
{
    const char *read = "00FF0123456789ABCDEF235959311208";
    auto rows = Decode({read, read});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].WriteMode, ArchiveReadOnlyMode);
    EXPECT_EQ(rows[0].Count, 0);
    EXPECT_EQ(ArchiveRowTexts(rows[1])[3], "прочитано"_a);

    std::vector<ArchiveRecord> skipped;
    EXPECT_EQ(AppendArchiveRecord(skipped, Answer(read), true), TArchiveDecode::Skipped);
    EXPECT_TRUE(skipped.empty());
}

TEST(ArchiveDecode, UnknownModeRowsMergeWithoutCountingKeys)
{
    std::vector<ArchiveRecord> rows;
    const char *odd = "00090123456789ABCDEF235959311208";
    EXPECT_EQ(AppendArchiveRecord(rows, Answer(odd), false), TArchiveDecode::Added);
    EXPECT_EQ(AppendArchiveRecord(rows, Answer(odd), false), TArchiveDecode::Merged);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].WriteMode, -1);
    EXPECT_EQ(rows[0].Count, 0);
    EXPECT_EQ(ArchiveRowTexts(rows[0])[3], "неизвестно"_a);
}

TEST(ArchiveDecode, UnknownTypeAndEmptyRecord)
{
    std::vector<ArchiveRecord> rows;
    AppendArchiveRecord(rows, Answer("05000123456789ABCDEF235959311208"), false);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].KeyType, -1);
    EXPECT_EQ(ArchiveRowTexts(rows[0])[2], "неизвестно"_a);
    // The mode is a known one, yet without a type it has no name.
    EXPECT_EQ(ArchiveRowTexts(rows[0])[3], "неизвестно"_a);
    EXPECT_EQ(AppendArchiveRecord(rows, Answer("FF000123456789ABCDEF235959311208"), false),
              TArchiveDecode::End);
    EXPECT_EQ(rows.size(), 1u);
}

TEST(ArchiveDecode, DatesComeFromTheFieldsWhateverTheSystemDateOrder)
{
    const AnsiString format = ShortDateFormat;
    const char separator = DateSeparator;
    ShortDateFormat = "m/d/yy";
    DateSeparator = '/';
    TDateTime decoded = ArchiveDateTime("235959", "311208");
    TDateTime impossible = ArchiveDateTime("000000", "310208");
    ShortDateFormat = format;
    DateSeparator = separator;
    EXPECT_EQ(decoded, EncodeDate(2008, 12, 31) + EncodeTime(23, 59, 59, 0));
    EXPECT_EQ(impossible, DefaultDateTime);
}

TEST(ArchiveDecode, FieldsThatAreNoDateGiveTheDefault)
{
    EXPECT_EQ(ArchiveDateTime("000000", "000000"), DefaultDateTime);
    EXPECT_EQ(ArchiveDateTime("240000", "010109"), DefaultDateTime);
    EXPECT_EQ(ArchiveDateTime("1A0000", "010109"), DefaultDateTime);
    EXPECT_EQ(ArchiveDateTime("000000", "29022A"), DefaultDateTime);
    EXPECT_EQ(ArchiveDateTime("000000", "290200"), EncodeDate(2000, 2, 29));
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy  hh:nn:ss", DefaultDateTime), "01.01.1980  00:00:00");
}

// ---- texts ----

TEST(ArchiveTexts, ModeNamesFollowTheKeyTypeTable)
{
    EXPECT_EQ(ArchiveTypeText(2), "Цифрал"_a);
    EXPECT_EQ(ArchiveModeText(0, 0), "без финализ"_a);
    EXPECT_EQ(ArchiveModeText(1, 3), "M2+финализ"_a);
    EXPECT_EQ(ArchiveModeText(2, 7), "C4+финализ"_a);
    // Dallas has no mode 5: the table gives no name.
    EXPECT_EQ(ArchiveModeText(0, 5), "");
    EXPECT_EQ(ArchiveModeText(3, -1), "неизвестно"_a);
}

TEST(ArchiveTexts, RowCellsInColumnOrder)
{
    ArchiveRecord row = Row(12, 3, 1, 4, "00 00 12 34 56 78 9A 00",
                            EncodeDate(2026, 3, 5) + EncodeTime(7, 8, 9, 0));
    auto texts = ArchiveRowTexts(row);
    EXPECT_EQ(texts[0], "12");
    EXPECT_EQ(texts[1], "05.03.2026  07:08:09");
    EXPECT_EQ(texts[2], "Прокси"_a);
    EXPECT_EQ(texts[3], "с финализ"_a);
    EXPECT_EQ(texts[4], "4");
    EXPECT_EQ(texts[5], "00 00 12 34 56 78 9A 00");
}

// ---- sorting ----

TEST(ArchiveSort, EachDirectionOfCountAndKeyText)
{
    std::vector<ArchiveRecord> rows = {Row(1, 0, 0, 2, "AB"), Row(2, 1, 1, 5, "A"),
                                       Row(3, 2, 2, 1, "\xC0")};
    SortArchiveRecords(rows, 4, false);
    EXPECT_EQ(Numbers(rows), (std::vector<int>{3, 1, 2}));
    SortArchiveRecords(rows, 4, true);
    EXPECT_EQ(Numbers(rows), (std::vector<int>{2, 1, 3}));
    // A proper prefix is smaller; a byte above 0x7F is above every ASCII letter.
    SortArchiveRecords(rows, 5, false);
    EXPECT_EQ(Numbers(rows), (std::vector<int>{2, 1, 3}));
    SortArchiveRecords(rows, 0, true);
    EXPECT_EQ(Numbers(rows), (std::vector<int>{3, 2, 1}));
}

// Sorted by type, each type's rows stay in the order they had, whichever way and however
// many rows share a type.
TEST(ArchiveSort, RowsOfEqualKeysKeepTheirOrder)
{
    std::vector<ArchiveRecord> rows;
    for (int i = 0; i < 300; ++i)
        rows.push_back(Row(i, (i * 7) % 4, i % 3, 1, "k", 46000 + i));
    std::vector<int> wanted[2];
    for (int type = 0; type < 4; ++type)
        for (const ArchiveRecord &row : rows)
            if (row.KeyType == type) wanted[0].push_back(row.Number);
    for (int type = 3; type >= 0; --type)
        for (const ArchiveRecord &row : rows)
            if (row.KeyType == type) wanted[1].push_back(row.Number);
    std::vector<ArchiveRecord> sorted = rows;
    SortArchiveRecords(sorted, 2, false);
    EXPECT_EQ(Numbers(sorted), wanted[0]);
    sorted = rows;
    SortArchiveRecords(sorted, 2, true);
    EXPECT_EQ(Numbers(sorted), wanted[1]);
    // A sort by mode after the sort by type keeps the types in order within each mode.
    SortArchiveRecords(sorted, 3, false);
    for (std::size_t i = 1; i < sorted.size(); ++i)
        if (sorted[i].WriteMode == sorted[i - 1].WriteMode) {
            ASSERT_GE(sorted[i - 1].KeyType, sorted[i].KeyType) << i;
        }
}

TEST(ArchiveSort, ReadOnlyModeAboveTheModesAndUnknownBelow)
{
    std::vector<ArchiveRecord> rows = {Row(1, 0, ArchiveReadOnlyMode, 0, "1"),
                                       Row(2, 0, -1, 0, "2"), Row(3, 0, 7, 1, "3"),
                                       Row(4, 0, 0, 1, "4")};
    SortArchiveRecords(rows, 3, false);
    EXPECT_EQ(Numbers(rows), (std::vector<int>{2, 4, 3, 1}));
    SortArchiveRecords(rows, 1, false);
    SortArchiveRecords(rows, 6, true);
    EXPECT_EQ(rows.size(), 4u);
}

// ---- counters ----

TEST(ArchiveCount, SumsCountsOfWrittenKeysByType)
{
    EXPECT_EQ(CountArchiveKeys({}, true, 0, 0), (std::array<int, 4>{0, 0, 0, 0}));
    std::vector<ArchiveRecord> rows = {Row(1, 0, 1, 3, "a"), Row(2, 0, -1, 0, "b"),
                                       Row(3, 1, ArchiveReadOnlyMode, 0, "c"),
                                       Row(4, -1, 0, 1, "d"), Row(5, 3, 0, 2, "e")};
    // A read-only row is not counted even if it carried a count.
    rows[2].Count = 7;
    EXPECT_EQ(CountArchiveKeys(rows, true, 0, 0), (std::array<int, 4>{3, 0, 0, 2}));
}

// The pickers hold the hour the program started at; the user means days.
TEST(ArchiveCount, PeriodRunsFromTheStartOfTheFirstDayToTheEndOfTheLast)
{
    const TDateTime day = EncodeDate(2026, 12, 7);
    const TDateTime second = EncodeTime(0, 0, 1, 0);
    std::vector<ArchiveRecord> rows = {
        Row(1, 0, 0, 1, "a", day), Row(2, 0, 0, 2, "b", day + 1 - second),
        Row(3, 1, 0, 1, "c", day + 0.5), Row(4, 2, 0, 1, "d", day - second),
        Row(5, 3, 0, 1, "e", day + 1)};
    const TDateTime started = day + EncodeTime(15, 37, 12, 0);
    EXPECT_EQ(CountArchiveKeys(rows, false, started, started), (std::array<int, 4>{3, 1, 0, 0}));
    // The From picker later in the day than the To picker is still that one day.
    EXPECT_EQ(CountArchiveKeys(rows, false, day + 0.9, day + 0.1),
              (std::array<int, 4>{3, 1, 0, 0}));
    EXPECT_EQ(CountArchiveKeys(rows, false, started - 1, started),
              (std::array<int, 4>{3, 1, 1, 0}));
    EXPECT_EQ(CountArchiveKeys(rows, false, started, started + 1),
              (std::array<int, 4>{3, 1, 0, 1}));
    EXPECT_EQ(CountArchiveKeys(rows, false, day + 1, day + 1), (std::array<int, 4>{0, 0, 0, 1}));
    // A From day after the To day counts nothing.
    EXPECT_EQ(CountArchiveKeys(rows, false, day + 1, day + 1 - second),
              (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_EQ(CountArchiveKeys(rows, true, day + 1, day), (std::array<int, 4>{3, 1, 1, 1}));
}
