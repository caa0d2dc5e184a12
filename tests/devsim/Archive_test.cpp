// The simulated device's archive ring and its sample archives.

#include "tools/devsim/Archive.h"

#include <gtest/gtest.h>

#include <ctime>
#include <set>

using namespace devsim;

namespace
{

std::tm JustAfterMidnight()
{
    std::tm when{};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 0;
    when.tm_mday = 1;
    when.tm_hour = 0;
    when.tm_min = 5;
    return when;
}

std::time_t Seconds(std::tm When)
{
    return timegm(&When);
}

} // namespace

TEST(DeviceArchive, RecordHoldsTypeModeKeyAndBcdTime)
{
    ArchiveEntry entry{1, 2, {0, 0, 0, 0x11, 0x22, 0x33, 0x44, 0x01}, JustAfterMidnight()};
    entry.When.tm_sec = 59;
    EXPECT_EQ(entry.Record(), (Bytes{0x01, 0x02, 0, 0, 0, 0x11, 0x22, 0x33, 0x44, 0x01, 0x00, 0x05,
                                     0x59, 0x01, 0x01, 0x26}));
}

TEST(DeviceArchive, NewestAtThePointerOlderBelowWrappingAtTheLowerEnd)
{
    Memory m = Memory::Fresh();
    auto records = SampleArchive(3, JustAfterMidnight());
    WriteArchive(m, records, 2);
    EXPECT_EQ(m.Settings[ArchivePointerHigh], 0);
    EXPECT_EQ(m.Settings[ArchivePointerLow], 2);
    EXPECT_EQ(m.Read(0x6210, 16), records[0].Record());
    EXPECT_EQ(m.Read(0x6200, 16), records[1].Record());
    EXPECT_EQ(m.Read(0xFE30, 16), records[2].Record());
    EXPECT_EQ(m.Read(0xFE20, 1), Bytes{EmptyRecord});
}

TEST(DeviceArchive, FullRingLeavesNoEmptyRecord)
{
    Memory m = Memory::Fresh();
    WriteArchive(m, SampleArchive(ArchiveRecords, JustAfterMidnight()), 2500);
    for (unsigned address = ArchiveAddress; address < ArchiveAddress + 2500 * 16; address += 16)
        ASSERT_NE(m.Read(address, 1)[0], EmptyRecord) << std::hex << address;
    EXPECT_EQ(m.Read(ArchiveAddress - 16, 1)[0], 0xFF); // the address book's last cell, untouched
}

TEST(DeviceArchive, SampleHasEveryKindInDeviceFormNewestFirst)
{
    auto records = SampleArchive(400, JustAfterMidnight(), 7);
    ASSERT_EQ(records.size(), 400u);
    std::set<std::pair<int, int>> kinds;
    int repeated = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const ArchiveEntry &r = records[i];
        kinds.insert({r.KeyType, r.WriteMode});
        if (i > 0) {
            EXPECT_LT(Seconds(r.When), Seconds(records[i - 1].When));
            if (r.Key == records[i - 1].Key) ++repeated;
        }
        for (int b = 3; b < 7; ++b) {
            if (r.KeyType == 1) {
                EXPECT_EQ(__builtin_popcount(r.Key[b]) % 2, 0);
            } else if (r.KeyType == 2) {
                EXPECT_EQ(__builtin_popcount(r.Key[b] & 0x0F), 3);
                EXPECT_EQ(__builtin_popcount(r.Key[b] & 0xF0), 3);
            }
        }
    }
    EXPECT_EQ(kinds.size(), 20u);
    EXPECT_GT(repeated, 10);
    // Crossing midnight into the old year is a plain step back in time.
    EXPECT_EQ(records.back().When.tm_year, 2025 - 1900);
}
