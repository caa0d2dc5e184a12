#include "tools/devsim/Simulator.h"

#include "platform/rtl/PortFolder.h"
#include "tools/devsim/client/BareLine.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace devsim;
using namespace std::chrono_literals;

namespace
{

// The program's side of the wire, every send checked.
class Line : public TBareLine
{
public:
    explicit Line(const std::string &Path, speed_t Speed = B9600) : TBareLine(Path, Speed)
    {
        EXPECT_TRUE(IsOpen());
    }

    void Send(const Bytes &Data) { ASSERT_TRUE(TBareLine::Send(Data)); }
    Bytes Receive(std::size_t Count, std::chrono::milliseconds Quiet = 1000ms)
    {
        return TBareLine::Receive(Count, Quiet);
    }
    Bytes Exchange(const Bytes &Frame, std::size_t AnswerLength)
    {
        Send(Frame);
        return Receive(AnswerLength + 1, 300ms); // one more than expected shows a long answer
    }
};

Bytes Frame(std::initializer_list<std::uint8_t> Body)
{
    // Room made first: GCC 12 at -O3 takes the growing inserts for overruns.
    Bytes f;
    f.reserve(Body.size() + 2);
    f.push_back(0xA5);
    f.insert(f.end(), Body);
    f.push_back(FrameChecksum(f.data(), f.size() + 1));
    return f;
}

Bytes LoaderBlock(unsigned Offset, const Bytes &Data)
{
    Bytes f(5 + Data.size() + 1);
    f[0] = 0x0F;
    f[1] = 0x0F;
    f[2] = 0x02;
    f[3] = std::uint8_t(Offset >> 8);
    f[4] = std::uint8_t(Offset);
    std::copy(Data.begin(), Data.end(), f.begin() + 5);
    unsigned sum = 0;
    for (std::size_t i = 2; i + 1 < f.size(); ++i)
        sum += f[i];
    f.back() = std::uint8_t(-sum);
    return f;
}

Bytes Repeat(std::uint8_t Byte, std::size_t Count)
{
    return Bytes(Count, Byte);
}

Bytes Cat(Bytes A, const Bytes &B)
{
    A.insert(A.end(), B.begin(), B.end());
    return A;
}

const Bytes ArchiveRecord = {0x00, 0x01, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB,
                             0xCD, 0xEF, 0x23, 0x59, 0x59, 0x31, 0x12, 0x08};

class SimulatorTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Folder =
            std::filesystem::temp_directory_path() / ("devsim_ports_" + std::to_string(getpid()));
        setenv("QRV4_PORTS", Folder.c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(Folder); }

    std::filesystem::path Folder;
    TSimulator Sim;
};

} // namespace

TEST_F(SimulatorTest, SettingReadAnswersTheStoredByte)
{
    Sim.Edit([](Memory &m) {
        m.Settings[0x70] = 0x00;
        m.Settings[0x71] = 0x03;
    });
    Line line(Sim.DevicePath());
    EXPECT_EQ(line.Exchange({0xA5, 0x96, 0x00, 0x70, 0x00, 0x06}, 1), Bytes{0x00});
    EXPECT_EQ(line.Exchange({0xA5, 0x96, 0x00, 0x71, 0x00, 0x07}, 1), Bytes{0x03});
    EXPECT_EQ(line.Exchange({0xA5, 0x96, 0x00, 0xD9, 0x00, 0x6F}, 1), Bytes{0x22});
}

TEST_F(SimulatorTest, SettingWriteStoresAndAccepts)
{
    Line line(Sim.DevicePath());
    EXPECT_EQ(line.Exchange({0xA5, 0x96, 0x01, 0x60, 0x02, 0xF9}, 1), Bytes{0x0F});
    EXPECT_EQ(line.Exchange({0xA5, 0x96, 0x01, 0x63, 0xF5, 0xEF}, 1), Bytes{0x0F});
    EXPECT_EQ(line.Exchange({0xA5, 0x96, 0x01, 0xD7, 0x4B, 0xB9}, 1), Bytes{0x0F});
    const Memory m = Sim.Snapshot();
    EXPECT_EQ(m.Settings[0x60], 0x02);
    EXPECT_EQ(m.Settings[0x63], 0xF5);
    EXPECT_EQ(m.Settings[0xD7], 0x4B);
}

TEST_F(SimulatorTest, ArchiveBlockReadAnswersHeaderRecordAndSum)
{
    Sim.Edit([](Memory &m) { m.Write(0x6220, ArchiveRecord.data(), ArchiveRecord.size()); });
    Line line(Sim.DevicePath());
    const Bytes answer = line.Exchange({0xA5, 0x31, 0x62, 0x20, 0x10, 0xC3}, 22);
    ASSERT_EQ(answer.size(), 22u);
    EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 5), (Bytes{0xA5, 0x31, 0x62, 0x20, 0x10}));
    EXPECT_EQ(Bytes(answer.begin() + 5, answer.begin() + 21), ArchiveRecord);
    unsigned sum = 0;
    for (std::size_t i = 1; i < 21; ++i)
        sum += answer[i];
    EXPECT_EQ(answer[21], std::uint8_t(sum));
    // The empty record after the ring's first one ends the PC's walk.
    const Bytes empty = line.Exchange({0xA5, 0x31, 0xFE, 0x30, 0x10, 0x6F}, 22);
    ASSERT_EQ(empty.size(), 22u);
    EXPECT_EQ(empty[5], 0xFF);
}

TEST_F(SimulatorTest, AddressBookCellReadAnswersThirtyBytes)
{
    const Bytes cell = {0x00, 0x00, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x09, 0x02,
                        0x2A, 0x21, 0x22, 0x2A, 0x2A, 0x2A, 0x2A, 0x2A, 0x2A, 0x2A, 0x2A, 0x2A};
    Sim.Edit([&](Memory &m) { m.Write(0x0400, cell.data(), cell.size()); });
    Line line(Sim.DevicePath());
    const Bytes first = line.Exchange({0xA5, 0x31, 0x04, 0x00, 0x18, 0x4D}, 30);
    ASSERT_EQ(first.size(), 30u);
    EXPECT_EQ(Bytes(first.begin() + 5, first.begin() + 29), cell);
    const Bytes last = line.Exchange({0xA5, 0x31, 0x61, 0xA8, 0x18, 0x52}, 30);
    ASSERT_EQ(last.size(), 30u);
    EXPECT_EQ(Bytes(last.begin() + 5, last.begin() + 29), Repeat(0xFF, 24));
}

TEST_F(SimulatorTest, AddressBookWriteEchoesChecksumAndStores)
{
    Line line(Sim.DevicePath());
    const Bytes frames[] = {
        {0xA5, 0x75, 0x04, 0x00, 0x08, 0x00, 0x00, 0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xDF},
        {0xA5, 0x75, 0x04, 0x08, 0x08, 0xCD, 0xEF, 0x09, 0x02, 0x2A, 0x21, 0x22, 0x2A, 0xE7},
        {0xA5, 0x75, 0x04, 0x10, 0x08, 0x2A, 0x2A, 0x2A, 0x2A, 0x2A, 0x2A, 0x2A, 0x2A, 0xE1}};
    for (const Bytes &f : frames)
        EXPECT_EQ(line.Exchange(f, 1), Bytes{f.back()});
    EXPECT_EQ(Sim.Snapshot().Read(0x0400, 10),
              (Bytes{0x00, 0x00, 0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}));
    // Clearing the cell again, as the PC writes an empty one.
    EXPECT_EQ(line.Exchange(Cat({0xA5, 0x75, 0x04, 0x00, 0x08}, Cat(Repeat(0xFF, 8), {0x79})), 1),
              Bytes{0x79});
    EXPECT_EQ(Sim.Snapshot().Read(0x0400, 8), Repeat(0xFF, 8));
}

TEST_F(SimulatorTest, FontsFramesEchoTheirChecksums)
{
    Line line(Sim.DevicePath());
    const std::uint8_t sums[] = {0xF5, 0x75, 0xF6, 0x76, 0xF7, 0x77, 0xF8, 0x78};
    for (unsigned block = 0; block < 8; ++block) {
        const unsigned address = block * 0x80;
        Bytes f = Cat({0xA5, 0x75, std::uint8_t(address >> 8), std::uint8_t(address), 0x80},
                      Repeat(0x00, 128));
        f.push_back(FrameChecksum(f.data(), f.size() + 1));
        ASSERT_EQ(f.size(), 134u);
        EXPECT_EQ(f.back(), sums[block]);
        EXPECT_EQ(line.Exchange(f, 1), Bytes{sums[block]});
    }
    EXPECT_EQ(Sim.Snapshot().Read(FontsAddress, FontsSize), Repeat(0x00, FontsSize));
}

TEST_F(SimulatorTest, FirmwareLoaderAnswersReadinessOnceAndAcksBlocks)
{
    Line line(Sim.DevicePath());
    line.Send({0xA5, 0x99, 0x51, 0x00, 0x00, 0xEA});
    line.Send({0x0F, 0x0F, 0x03, 0xFD}); // the PC echoes the readiness answer
    EXPECT_EQ(line.Receive(5, 300ms), (Bytes{0x0F, 0x0F, 0x03, 0xFD}));
    EXPECT_TRUE(Sim.InLoader());
    Bytes image;
    for (unsigned block = 0; block < 3; ++block) {
        const Bytes data = Repeat(std::uint8_t(block + 1), 32);
        const Bytes f = LoaderBlock(block * 32, data);
        ASSERT_EQ(f.size(), 38u);
        EXPECT_EQ(line.Exchange(f, 4), (Bytes{0x0F, 0x0F, 0x02, 0xFE}));
        image = Cat(image, data);
    }
    const Bytes tail = {0x10, 0x20, 0x30};
    EXPECT_EQ(line.Exchange(LoaderBlock(96, tail), 4), (Bytes{0x0F, 0x0F, 0x02, 0xFE}));
    EXPECT_EQ(Sim.Snapshot().Firmware, Cat(image, tail));
}

TEST_F(SimulatorTest, FirmwareBlockOfZerosHasChecksumFE)
{
    EXPECT_EQ(LoaderBlock(0, Repeat(0, 32)).back(), 0xFE);
    EXPECT_EQ(LoaderBlock(0x7D00, Repeat(0, 10)).back(), 0x81);
    Line line(Sim.DevicePath());
    line.Exchange({0xA5, 0x99, 0x51, 0x00, 0x00, 0xEA}, 4);
    EXPECT_EQ(line.Exchange(LoaderBlock(0x7D00, Repeat(0, 10)), 4),
              (Bytes{0x0F, 0x0F, 0x02, 0xFE}));
}

TEST_F(SimulatorTest, LoaderCanAnswerThePingInstead)
{
    Sim.SetLoaderAnswer(TLoaderAnswer::ToPing);
    Line line(Sim.DevicePath());
    EXPECT_TRUE(line.Exchange({0xA5, 0x99, 0x51, 0x00, 0x00, 0xEA}, 4).empty());
    EXPECT_EQ(line.Exchange({0x0F, 0x0F, 0x03, 0xFD}, 4), (Bytes{0x0F, 0x0F, 0x03, 0xFD}));
}

TEST_F(SimulatorTest, RecordsEveryFrameInOrder)
{
    Line line(Sim.DevicePath());
    const Bytes a = Frame({0x96, 0x00, 0x12, 0x00});
    const Bytes b = Frame({0x96, 0x00, 0x13, 0x00});
    const Bytes bad = {0xA5, 0x96, 0x00, 0x14, 0x00, 0x00};
    line.Send(Cat(Cat(a, b), bad));
    ASSERT_TRUE(Sim.WaitForFrames(3, 2000ms));
    const auto frames = Sim.Frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].Data, a);
    EXPECT_EQ(frames[1].Data, b);
    EXPECT_EQ(frames[2].Data, bad);
    EXPECT_TRUE(frames[1].ChecksumOk);
    EXPECT_FALSE(frames[2].ChecksumOk);
    EXPECT_EQ(line.Receive(3, 300ms).size(), 2u); // the bad frame got no answer
    Sim.ClearFrames();
    EXPECT_TRUE(Sim.Frames().empty());
}

TEST_F(SimulatorTest, SilentDeviceRecordsButDoesNotAnswer)
{
    Sim.SetBehaviour({.Silent = true});
    Line line(Sim.DevicePath());
    EXPECT_TRUE(line.Exchange(Frame({0x96, 0x00, 0x70, 0x00}), 1).empty());
    EXPECT_EQ(Sim.Frames().size(), 1u);
}

TEST_F(SimulatorTest, WrongLengthAddsOrDropsAByte)
{
    Line line(Sim.DevicePath());
    Sim.SetBehaviour({.LengthDelta = 1});
    EXPECT_EQ(line.Exchange(Frame({0x96, 0x00, 0xD9, 0x00}), 1).size(), 2u);
    Sim.SetBehaviour({.LengthDelta = -1});
    EXPECT_EQ(line.Exchange(Frame({0x31, 0x62, 0x00, 0x10}), 22).size(), 21u);
}

TEST_F(SimulatorTest, WrongBytesInvertsTheAnswer)
{
    Sim.SetBehaviour({.WrongBytes = true});
    Line line(Sim.DevicePath());
    EXPECT_EQ(line.Exchange(Frame({0x96, 0x01, 0x60, 0x02}), 1), Bytes{0xF0});
}

TEST_F(SimulatorTest, SlowDeviceAnswersAfterItsDelay)
{
    Sim.SetBehaviour({.Delay = 600ms});
    Line line(Sim.DevicePath());
    line.Send(Frame({0x96, 0x00, 0xD9, 0x00}));
    EXPECT_TRUE(line.Receive(1, 200ms).empty());
    EXPECT_EQ(line.Receive(1, 2000ms), Bytes{0x22});
}

TEST_F(SimulatorTest, PacingFollowsTheSpeedTheProgramSet)
{
    Line line(Sim.DevicePath(), B1200);
    EXPECT_EQ(Sim.LineSpeed(), 1200u);
    Sim.SetBehaviour({.Paced = true});
    // 6 bytes in and 22 out at 1200 baud are 28 x 10 bits: at least 233 ms on the wire.
    const auto start = Clock::now();
    EXPECT_EQ(line.Exchange(Frame({0x31, 0x62, 0x00, 0x10}), 22).size(), 22u);
    EXPECT_GE(Clock::now() - start, 230ms);
}

TEST_F(SimulatorTest, AnswersToFramesSentTogetherFollowOneAnotherOnTheLine)
{
    Line line(Sim.DevicePath(), B1200);
    Sim.SetBehaviour({.Paced = true});
    // Both frames are heard at the same moment; the second answer may only start when the
    // first has left: 12 bytes in and 44 out at 1200 baud are at least 466 ms.
    Bytes frames = Frame({0x31, 0x62, 0x00, 0x10});
    const Bytes second = Frame({0x31, 0x62, 0x10, 0x10});
    frames.insert(frames.end(), second.begin(), second.end());
    const auto start = Clock::now();
    line.Send(frames);
    EXPECT_EQ(line.Receive(44, 2000ms).size(), 44u);
    EXPECT_GE(Clock::now() - start, 460ms);
    EXPECT_EQ(Sim.Frames().size(), 2u);
}

TEST_F(SimulatorTest, VanishingMidExchangeHangsUpTheLine)
{
    Sim.Expose(3);
    EXPECT_TRUE(std::filesystem::is_symlink(rtl::PortLink(3)));
    Sim.SetBehaviour({.VanishAfter = 2});
    Line line(rtl::PortLink(3).string());
    EXPECT_EQ(line.Exchange(Frame({0x96, 0x00, 0xD9, 0x00}), 1).size(), 1u);
    line.Send(Frame({0x96, 0x00, 0xD9, 0x00}));
    EXPECT_TRUE(line.HungUp());
    EXPECT_TRUE(Sim.Vanished());
    EXPECT_FALSE(std::filesystem::is_symlink(rtl::PortLink(3)));
}

TEST_F(SimulatorTest, ExposedLinkNamesTheDeviceAndGoesAtTheEnd)
{
    {
        TSimulator other;
        other.Expose(7);
        EXPECT_EQ(std::filesystem::read_symlink(rtl::PortLink(7)).string(), other.DevicePath());
    }
    EXPECT_FALSE(std::filesystem::is_symlink(rtl::PortLink(7)));
}

TEST_F(SimulatorTest, VanishOnRequestEndsTheDevice)
{
    Line line(Sim.DevicePath());
    Sim.Vanish();
    EXPECT_TRUE(Sim.Vanished());
    EXPECT_TRUE(line.HungUp());
}
