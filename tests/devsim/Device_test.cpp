#include "tests/support/FileSizeLimit.h"
#include "tests/support/SparseFile.h"
#include "tests/support/TestFolder.h"
#include "tools/devsim/Device.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace devsim;
using namespace std::chrono_literals;

namespace
{

Bytes Cat(Bytes A, const Bytes &B)
{
    A.insert(A.end(), B.begin(), B.end());
    return A;
}

struct Wire {
    TDevice Device;
    Clock::time_point Now = Clock::now();

    std::vector<TExchange> Send(const Bytes &Data)
    {
        return Device.Feed(Data.data(), Data.size(), Now);
    }
    std::vector<TExchange> Quiet(std::chrono::milliseconds For)
    {
        Now += For;
        return Device.Idle(Now);
    }
};

} // namespace

TEST(DeviceFrames, ChecksumIsLowByteOfSumAfterStart)
{
    const Bytes frame = {0xA5, 0x96, 0x00, 0x70, 0x00, 0x06};
    EXPECT_EQ(FrameChecksum(frame.data(), frame.size()), 0x06);
    const Bytes write = {0xA5, 0x96, 0x01, 0xD7, 0x4B, 0xB9};
    EXPECT_EQ(FrameChecksum(write.data(), write.size()), 0xB9);
}

TEST(DeviceFrames, FrameSplitAcrossFeedsIsServedOnce)
{
    Wire w;
    EXPECT_TRUE(w.Send({0xA5, 0x96, 0x00}).empty());
    auto served = w.Send({0x71, 0x00, 0x07});
    ASSERT_EQ(served.size(), 1u);
    EXPECT_EQ(*served[0].Answer, Bytes{0x01}); // fresh pointer low byte
}

TEST(DeviceFrames, TwoFramesInOneFeedAreServedInOrder)
{
    Wire w;
    w.Device.Mem().Settings[0x12] = 0x01;
    w.Device.Mem().Settings[0x13] = 0x2C;
    auto served = w.Send({0xA5, 0x96, 0x00, 0x12, 0x00, 0xA8, 0xA5, 0x96, 0x00, 0x13, 0x00, 0xA9});
    ASSERT_EQ(served.size(), 2u);
    EXPECT_EQ(*served[0].Answer, Bytes{0x01});
    EXPECT_EQ(*served[1].Answer, Bytes{0x2C});
}

TEST(DeviceFrames, JunkBeforeFrameStartIsSkipped)
{
    Wire w;
    auto served = w.Send({0x00, 0x13, 0xA5, 0x42, 0xA5, 0x96, 0x00, 0xD9, 0x00, 0x6F});
    ASSERT_EQ(served.size(), 1u);
    EXPECT_EQ(*served[0].Answer, Bytes{0x22});
}

TEST(DeviceFrames, BadChecksumIsRecordedButNotAnswered)
{
    Wire w;
    auto served = w.Send({0xA5, 0x96, 0x01, 0x60, 0x02, 0x00});
    ASSERT_EQ(served.size(), 1u);
    EXPECT_FALSE(served[0].Frame.ChecksumOk);
    EXPECT_FALSE(served[0].Answer);
    EXPECT_EQ(w.Device.Mem().Settings[0x60], 0x01); // not written
}

TEST(DeviceFrames, RefusedSettingAnswersZeroAndKeepsItsByte)
{
    Wire w;
    w.Device.Mem().Settings[0x62] = 0x05;
    w.Device.Mem().RefusedSettings[0x62] = true;
    auto refused = w.Send({0xA5, 0x96, 0x01, 0x62, 0x09, 0x02});
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(*refused[0].Answer, Bytes{0x00});
    EXPECT_EQ(w.Device.Mem().Settings[0x62], 0x05);
    auto accepted = w.Send({0xA5, 0x96, 0x01, 0x61, 0x02, 0xFA});
    ASSERT_EQ(accepted.size(), 1u);
    EXPECT_EQ(*accepted[0].Answer, Bytes{0x0F});
    EXPECT_EQ(w.Device.Mem().Settings[0x61], 0x02);
}

TEST(DeviceFrames, HalfFrameIsDroppedAfterSilence)
{
    Wire w;
    w.Send({0xA5, 0x75, 0x04, 0x00, 0x08, 0xFF});
    w.Quiet(150ms);
    auto served = w.Send({0xA5, 0x96, 0x00, 0x70, 0x00, 0x06});
    ASSERT_EQ(served.size(), 1u);
    EXPECT_EQ(*served[0].Answer, Bytes{0x00});
}

TEST(DeviceFrames, HalfFrameIsDroppedWhenNextBytesComeLate)
{
    Wire w;
    w.Send({0xA5, 0x96, 0x00});
    w.Now += 200ms;
    auto served = w.Send({0xA5, 0x96, 0x00, 0x70, 0x00, 0x06});
    ASSERT_EQ(served.size(), 1u);
    EXPECT_EQ(served[0].Frame.Data[3], 0x70);
}

TEST(DeviceLoader, ShortLastBlockEndsWithQuietLine)
{
    Wire w;
    w.Send({0xA5, 0x99, 0x51, 0x00, 0x00, 0xEA});
    Bytes block = Cat({0x0F, 0x0F, 0x02, 0x7D, 0x00}, Bytes(10, 0x00));
    block.push_back(0x81);
    EXPECT_TRUE(w.Send(block).empty());
    EXPECT_TRUE(w.Quiet(5ms).empty());
    auto served = w.Quiet(30ms);
    ASSERT_EQ(served.size(), 1u);
    EXPECT_TRUE(served[0].Frame.ChecksumOk);
    EXPECT_EQ(*served[0].Answer, (Bytes{0x0F, 0x0F, 0x02, 0xFE}));
    EXPECT_EQ(w.Device.Mem().Firmware.size(), 0x7D00u + 10);
}

TEST(DeviceLoader, BytesWhileTheLoaderStartsAreLost)
{
    Wire w;
    w.Device.LoaderAnswer = TLoaderAnswer::ToPing;
    w.Device.LoaderStartTime = 300ms;
    const Bytes ping = {0x0F, 0x0F, 0x03, 0xFD};
    auto served = w.Send(Cat({0xA5, 0x99, 0x51, 0x00, 0x00, 0xEA}, ping));
    ASSERT_EQ(served.size(), 1u);
    EXPECT_FALSE(served[0].Answer);
    w.Now += 200ms;
    EXPECT_TRUE(w.Send(ping).empty());
    w.Now += 150ms;
    served = w.Send(ping);
    ASSERT_EQ(served.size(), 1u);
    EXPECT_EQ(*served[0].Answer, ping);
}

TEST(DeviceLoader, LoaderFramesAreIgnoredOutsideTheLoader)
{
    Wire w;
    auto served = w.Send({0x0F, 0x0F, 0x03, 0xFD});
    EXPECT_TRUE(served.empty());
    EXPECT_FALSE(w.Device.InLoader());
}

TEST(DeviceMemoryImage, SaveAndLoadRoundTrip)
{
    const auto file = std::filesystem::temp_directory_path() /
                      ("devsim_image_" + std::to_string(getpid()) + ".bin");
    Memory m = Memory::Fresh();
    m.Settings[0xD9] = 0x25;
    const Bytes cell = {0x00, 0x00, 0x01, 0x23};
    m.Write(Memory::CellAddress(999), cell.data(), cell.size());
    m.Save(file);
    const Memory back = Memory::Load(file);
    EXPECT_EQ(back.Settings, m.Settings);
    EXPECT_EQ(back.Read(0x61A8, 4), cell);
    std::filesystem::resize_file(file, ImageFileSize - 1);
    EXPECT_THROW(Memory::Load(file), std::runtime_error);
    // Refused by its size, not read into memory first.
    std::filesystem::resize_file(file, 8 * testsupport::GiB);
    EXPECT_THROW(Memory::Load(file), std::runtime_error);
    std::filesystem::remove(file);
}

// An image saved as a fresh device, then saved again with a setting changed.
class DeviceImageFile : public testing::Test
{
protected:
    void SetUp() override
    {
        Folder = testsupport::FreshTestFolder("devsim_image_");
        Image = Folder / "image.bin";
        Fresh.Save(Image);
        Changed.Settings[0xD9] = 0x25;
    }
    void TearDown() override { testsupport::RemoveTestFolder(Folder); }
    std::size_t RegularFiles() const
    {
        std::size_t files = 0;
        for (const auto &entry : std::filesystem::directory_iterator(Folder))
            files += entry.is_regular_file();
        return files;
    }

    std::filesystem::path Folder;
    std::filesystem::path Image;
    const Memory Fresh = Memory::Fresh();
    Memory Changed = Memory::Fresh();
};

TEST_F(DeviceImageFile, SaveKeepsTheModesAndTheLink)
{
    using std::filesystem::perms;
    std::filesystem::permissions(Image, perms::owner_read | perms::owner_write);
    Changed.Save(Image);
    EXPECT_EQ(std::filesystem::status(Image).permissions(), perms::owner_read | perms::owner_write);
    EXPECT_TRUE(Memory::Load(Image) == Changed);

    const std::filesystem::path link = Folder / "link.bin";
    std::filesystem::create_symlink(Image, link);
    Fresh.Save(link);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_TRUE(Memory::Load(Image) == Fresh);
}

TEST_F(DeviceImageFile, FailedSaveLeavesTheOldImageWhole)
{
    {
        testsupport::FileSizeLimit full(4096);
        EXPECT_THROW(Changed.Save(Image), std::runtime_error);
    }
    EXPECT_TRUE(Memory::Load(Image) == Fresh);
    EXPECT_EQ(RegularFiles(), 1u) << "the part written is not left behind";
}

TEST_F(DeviceImageFile, ReadOnlyImageIsNotSavedOver)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes whatever the modes; the unprivileged pass runs this";
    using std::filesystem::perms;
    std::filesystem::permissions(Image, perms::owner_read);
    EXPECT_THROW(Changed.Save(Image), std::runtime_error);
    EXPECT_EQ(std::filesystem::status(Image).permissions(), perms::owner_read);
    EXPECT_TRUE(Memory::Load(Image) == Fresh);

    std::filesystem::permissions(Image, perms::owner_read | perms::owner_write);
    std::filesystem::permissions(Folder, perms::owner_read | perms::owner_exec);
    EXPECT_THROW(Changed.Save(Image), std::runtime_error);
    EXPECT_TRUE(Memory::Load(Image) == Fresh);
}

TEST(DeviceMemoryImage, BlockAccessWrapsAt64K)
{
    Memory m = Memory::Fresh();
    const Bytes data = {1, 2, 3};
    m.Write(0xFFFF, data.data(), data.size());
    EXPECT_EQ(m.Read(0xFFFF, 3), data);
    EXPECT_EQ(m.Block[0x0001], 3);
}

TEST(DeviceMemoryImage, RecordAddressesOfArchivePointer)
{
    EXPECT_EQ(Memory::RecordAddress(1), 0x6200u);
    EXPECT_EQ(Memory::RecordAddress(2500), 0xFE30u);
    EXPECT_EQ(Memory::CellAddress(999), 0x61A8u);
}
