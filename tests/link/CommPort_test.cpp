#include "link/CommPort.h"

#include "platform/rtl/PortFolder.h"
#include "platform/vcl/Dialogs.h"
#include "tools/devsim/Simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <mutex>
#include <numeric>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using devsim::Bytes;

namespace
{

constexpr int SimulatedCom = 46; // far above the built-in ports, so only the link names it

// Serves synchronised calls on this (the main) thread until Done() or the time is up.
template <typename Pred> bool PumpUntil(Pred Done, std::chrono::milliseconds Limit = 3000ms)
{
    const auto end = std::chrono::steady_clock::now() + Limit;
    while (!Done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        CheckSynchronize(5);
    }
    return true;
}

void Pump(std::chrono::milliseconds For)
{
    PumpUntil([] { return false; }, For);
}

Bytes Frame(std::initializer_list<std::uint8_t> Body)
{
    Bytes f(Body.size() + 2);
    f.front() = 0xA5;
    std::copy(Body.begin(), Body.end(), f.begin() + 1);
    f.back() = devsim::FrameChecksum(f.data(), f.size());
    return f;
}

const Bytes ReadRecord = Frame({0x31, 0x62, 0x00, 0x10}); // answered with 22 bytes

class CommPortTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Folder = fs::temp_directory_path() / ("commport_ports_" + std::to_string(getpid()));
        setenv("QRV4_PORTS", Folder.c_str(), 1);
        Sim.Expose(SimulatedCom);
        Port.SetComNumber(SimulatedCom);
        Port.OnDataReceived = [this](TObject *Sender, DWORD Count) {
            EXPECT_EQ(Sender, &Port);
            EXPECT_EQ(std::this_thread::get_id(), rtl::MainThreadID());
            Counts.push_back(Count);
        };
    }
    void TearDown() override
    {
        // The handlers of a test capture its locals, which are gone by now.
        Port.OnOpen = nullptr;
        Port.OnClose = nullptr;
        Port.OnErrorSignal = nullptr;
        Port.SetOpen(false);
        fs::remove_all(Folder);
    }

    // Waits until the input ring holds Count bytes and takes them.
    Bytes Answer(DWORD Count)
    {
        EXPECT_TRUE(PumpUntil([&] { return Port.InBuffUsed() >= Count; }));
        Bytes got(Count);
        got.resize(Port.GetBlock(got.data(), Count));
        return got;
    }

    // Each call of the handler takes the bytes it is told of and appends them to Got.
    void TakeInto(Bytes &Got)
    {
        Port.OnDataReceived = [this, &Got](TObject *, DWORD Count) {
            Counts.push_back(Count);
            const std::size_t before = Got.size();
            Got.resize(before + Count);
            Got.resize(before + Port.GetBlock(Got.data() + before, Count));
        };
    }

    fs::path Folder;
    devsim::TSimulator Sim;
    TCommPort Port{nullptr};
    std::vector<DWORD> Counts;
};

} // namespace

TEST(CommPortSettings, DefaultsOfANewPort)
{
    TCommPort port(nullptr);
    EXPECT_EQ(port.ComNumber(), 2);
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.DTR());
    EXPECT_FALSE(port.RTS());
    EXPECT_EQ(port.InSize(), 2048u);
    EXPECT_EQ(port.OutSize(), 4096u);
    EXPECT_EQ(port.Baud(), 9600);
    EXPECT_EQ(port.BaudRate(), cbr9600);
    EXPECT_EQ(port.Control(), ccNone);
    EXPECT_EQ(port.Parity(), paNone);
    EXPECT_EQ(port.StopBits(), sb1_0);
    EXPECT_EQ(port.DataBits(), 8);
    EXPECT_EQ(port.MonitorEvents().ToInt(), 0x1FDu); // every event but the event character
    EXPECT_EQ(port.XonLim(), 0);
    EXPECT_EQ(port.XoffLim(), 1024);
    EXPECT_EQ(port.XonChar(), 17);
    EXPECT_EQ(port.XoffChar(), 19);
    EXPECT_EQ(port.EventChar(), 0);
    EXPECT_EQ(port.InBuffFree(), 2048u);
    EXPECT_EQ(port.OutBuffUsed(), 0u);
}

TEST(CommPortSettings, BaudMapsOnlyTheTableSpeeds)
{
    TCommPort port(nullptr);
    port.SetBaud(57600);
    EXPECT_EQ(port.BaudRate(), cbr57600);
    port.SetBaud(12345);
    EXPECT_EQ(port.BaudRate(), cbr57600);
    EXPECT_EQ(port.Baud(), 57600);
    port.SetBaud(256000);
    EXPECT_EQ(port.BaudRate(), cbr256000);
    port.SetBaud(-9600);
    EXPECT_EQ(port.BaudRate(), cbr256000);
    port.SetBaudRate(cbr110);
    EXPECT_EQ(port.Baud(), 110);
}

TEST(CommPortSettings, DataBitsOutsideFiveToEightStoreEight)
{
    TCommPort port(nullptr);
    port.SetDataBits(9);
    EXPECT_EQ(port.DataBits(), 8);
    port.SetDataBits(5);
    EXPECT_EQ(port.DataBits(), 5);
    port.SetDataBits(4);
    EXPECT_EQ(port.DataBits(), 8);
}

TEST(CommPortSettings, BadStopAndDataBitCombinationsWarnAndStay)
{
    vcl::ScriptedDialogs boxes;
    vcl::DialogProvider *before = vcl::SetDialogService(&boxes);
    boxes.ReplyMessage(mrOk);
    boxes.ReplyMessage(mrOk);
    TCommPort port(nullptr);
    port.SetDataBits(5);
    EXPECT_TRUE(boxes.Messages().empty());
    port.SetStopBits(sb2_0);
    ASSERT_EQ(boxes.Messages().size(), 1u);
    EXPECT_EQ(boxes.Messages()[0].Text, "Invalid combination (5 data bits with 2 stop bits)");
    EXPECT_EQ(boxes.Messages()[0].Caption, "COM port warning");
    EXPECT_EQ(boxes.Messages()[0].Type, mtWarning);
    EXPECT_EQ(port.StopBits(), sb2_0);
    port.SetStopBits(sb1_5);
    EXPECT_EQ(boxes.Messages().size(), 1u); // 5 data bits with 1.5 stop bits is sound
    port.SetDataBits(7);
    ASSERT_EQ(boxes.Messages().size(), 2u);
    EXPECT_EQ(boxes.Messages()[1].Text,
              "Invalid combination (6,7 or 8 data bits with 1.5 stop bits)");
    EXPECT_EQ(port.DataBits(), 7);
    EXPECT_TRUE(boxes.Exhausted());
    vcl::SetDialogService(before);
}

TEST(CommPortSettings, XoffLimitIsBoundByTheInputSize)
{
    TCommPort port(nullptr);
    port.SetInSize(512);
    port.SetXoffLim(1024);
    EXPECT_EQ(port.XoffLim(), 512);
    port.SetXoffLim(8);
    EXPECT_EQ(port.XoffLim(), 8);
}

TEST(CommPortSettings, ClosedPortMovesNothing)
{
    TCommPort port(nullptr);
    const char byte = 'x';
    char back = 0;
    EXPECT_EQ(port.PutBlock(&byte, 1), 0u);
    EXPECT_EQ(port.GetBlock(&back, 1), 0u);
    EXPECT_EQ(port.PutString("abc"), 0u);
    EXPECT_FALSE(port.CharReady());
    EXPECT_EQ(port.GetChar(), 0);
    EXPECT_EQ(port.OutQueCount(), 0);
    EXPECT_FALSE(port.SetBreak(true));
    EXPECT_FALSE(port.GetModemState(1));
    port.SetDTR(true); // closed: only stored
    EXPECT_TRUE(port.DTR());
}

TEST_F(CommPortTest, MissingPortStaysClosedWithoutEvent)
{
    bool opened = false;
    Port.OnOpen = [&](TObject *, DWORD) { opened = true; };
    Port.SetComNumber(77);
    Port.SetOpen(true);
    EXPECT_FALSE(Port.Open());
    EXPECT_FALSE(opened);
}

TEST_F(CommPortTest, OpenAppliesTheLineSettings)
{
    DWORD openError = 1;
    Port.OnOpen = [&](TObject *, DWORD Error) { openError = Error; };
    Port.SetBaud(57600);
    Port.SetOpen(true);
    ASSERT_TRUE(Port.Open());
    EXPECT_EQ(openError, ERROR_SUCCESS);
    EXPECT_EQ(Sim.LineSpeed(), 57600u);
    Port.SetBaud(19200); // an open port changes the line at once
    EXPECT_EQ(Sim.LineSpeed(), 19200u);
    Port.SetBaud(12345);
    EXPECT_EQ(Sim.LineSpeed(), 19200u);
    EXPECT_EQ(Port.Baud(), 19200);
    Port.SetOpen(true); // already open: nothing happens
    EXPECT_TRUE(Port.Open());
}

TEST_F(CommPortTest, PutBlockBytesArriveInOrder)
{
    Port.SetOpen(true);
    std::vector<Bytes> frames;
    for (std::uint8_t a = 0x60; a <= 0x6D; ++a)
        frames.push_back(Frame({0x96, 0x01, a, std::uint8_t(a - 0x60)}));
    for (const Bytes &f : frames)
        EXPECT_EQ(Port.PutBlock(f.data(), DWORD(f.size())), f.size());
    ASSERT_TRUE(Sim.WaitForFrames(frames.size(), 3000ms));
    const auto got = Sim.Frames();
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(got[i].Data, frames[i]);
        EXPECT_TRUE(got[i].ChecksumOk);
    }
}

TEST_F(CommPortTest, AnswersReachOnDataReceivedOnTheMainThread)
{
    Sim.Edit([](devsim::Memory &m) { m.Settings[0xD9] = 0x25; });
    Port.SetOpen(true);
    const Bytes frame = Frame({0x96, 0x00, 0xD9, 0x00});
    Port.PutBlock(frame.data(), DWORD(frame.size()));
    ASSERT_TRUE(PumpUntil([&] { return !Counts.empty() && Counts.back() == 1; }));
    EXPECT_TRUE(Port.CharReady());
    EXPECT_EQ(static_cast<std::uint8_t>(Port.GetChar()), 0x25);
    EXPECT_FALSE(Port.CharReady());
}

TEST_F(CommPortTest, AnswerInBurstsEndsWithTheWholeCount)
{
    Sim.SetBehaviour({.Paced = true}); // 22 bytes over about 23 ms at 9600 baud
    Port.SetOpen(true);
    Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
    ASSERT_TRUE(PumpUntil([&] { return !Counts.empty() && Counts.back() == 22; }));
    EXPECT_TRUE(std::is_sorted(Counts.begin(), Counts.end()));
}

// An application that waits for whole answers is told once per answer, however the bytes
// trickle in, and the call reports the whole answer.
TEST_F(CommPortTest, ThresholdTellsOfTheAnswerOnceItIsWhole)
{
    Sim.SetBehaviour({.Paced = true});
    Port.SetBaud(57600);
    Port.SetReceiveThreshold(22);
    Port.SetOpen(true);
    for (int answer = 1; answer <= 3; ++answer) {
        Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
        ASSERT_TRUE(PumpUntil([&] { return Counts.size() == std::size_t(answer); }));
        EXPECT_EQ(Answer(22).size(), 22u);
    }
    Pump(30ms);
    EXPECT_EQ(Counts, (std::vector<DWORD>{22, 22, 22}));
}

// Bytes short of the threshold are told when it is lowered to what has come, with no further
// byte from the device.
TEST_F(CommPortTest, LoweredThresholdTellsOfTheBytesAlreadyWaiting)
{
    Port.SetReceiveThreshold(30);
    Port.SetOpen(true);
    Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
    ASSERT_TRUE(PumpUntil([&] { return Port.InBuffUsed() == 22; }));
    Pump(30ms);
    EXPECT_TRUE(Counts.empty());
    Port.SetReceiveThreshold(22);
    ASSERT_TRUE(PumpUntil([&] { return !Counts.empty(); }));
    EXPECT_EQ(Counts, (std::vector<DWORD>{22}));
}

// The main thread comes by only now and then, as a busy window does, so several reads pile up
// behind one call: the handler still gets every byte once, in order, in blocks whose counts add
// up to what the device sent, and no call reports bytes an earlier one handed over.
TEST_F(CommPortTest, BurstReachesTheHandlerInBlocksWholeInOrderAndOnce)
{
    std::mutex sentLock;
    Bytes sent;
    Sim.SetMonitor([&](const devsim::TExchange &E) {
        std::lock_guard lock(sentLock);
        if (E.Answer) sent.insert(sent.end(), E.Answer->begin(), E.Answer->end());
    });
    Sim.SetBehaviour({.Paced = true});
    Port.SetBaud(57600);
    Bytes got;
    TakeInto(got);
    Port.SetOpen(true);
    constexpr std::size_t Answers = 8, Total = Answers * 22;
    for (std::size_t i = 0; i < Answers; ++i) {
        const Bytes frame = Frame({0x31, 0x62, std::uint8_t(i * 0x10), 0x10});
        Port.PutBlock(frame.data(), DWORD(frame.size()));
    }
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (got.size() < Total && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(3ms);
        CheckSynchronize();
    }
    Pump(50ms); // a late call for bytes already taken would come now
    Sim.SetMonitor(nullptr);
    std::lock_guard lock(sentLock);
    ASSERT_EQ(sent.size(), Total);
    EXPECT_EQ(got, sent);
    EXPECT_EQ(std::accumulate(Counts.begin(), Counts.end(), std::size_t(0)), Total);
    EXPECT_EQ(std::count(Counts.begin(), Counts.end(), 0u), 0);
    EXPECT_LT(Counts.size(), Total);
}

// An answer longer than the input ring: the read thread stops at the full ring, and the bytes
// the driver still holds come once the handler has taken the first ones.
TEST_F(CommPortTest, AnswerLongerThanTheInputRingComesWholeOnceRoomIsFreed)
{
    Port.SetInSize(16);
    Bytes got;
    TakeInto(got);
    Port.SetOpen(true);
    Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
    ASSERT_TRUE(PumpUntil([&] { return got.size() == 22; }));
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 5),
              Bytes(ReadRecord.begin(), ReadRecord.begin() + 5));
    EXPECT_GE(Counts.size(), 2u);
    EXPECT_LE(*std::max_element(Counts.begin(), Counts.end()), 16u);
}

// A handler that waits in a message loop, as one showing a message box does, is not entered
// again from there; what arrived meanwhile is told once it returns.
TEST_F(CommPortTest, HandlerWaitingInAMessageLoopIsNotEnteredAgain)
{
    Sim.SetBehaviour({.Paced = true});
    Port.SetBaud(57600);
    int depth = 0, deepest = 0;
    DWORD taken = 0;
    Port.OnDataReceived = [&](TObject *, DWORD Count) {
        deepest = std::max(deepest, ++depth);
        Bytes buffer(Count);
        taken += Port.GetBlock(buffer.data(), Count);
        if (taken < 22) Pump(20ms); // the rest of the answer comes in meanwhile
        --depth;
    };
    Port.SetOpen(true);
    Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
    ASSERT_TRUE(PumpUntil([&] { return taken == 22; }));
    EXPECT_EQ(deepest, 1);
}

// Line events that come while the main thread is busy are raised together once it comes by,
// each once: a later event does not push out an earlier one.
TEST_F(CommPortTest, LineEventsWhileTheMainThreadIsBusyAreEachRaisedOnce)
{
    int sentOut = 0, received = 0;
    Port.OnTxDSignal = [&](TObject *) { ++sentOut; };
    Port.OnRxDSignal = [&](TObject *) { ++received; };
    // The output queue is seen empty well before the answer starts to arrive.
    Sim.SetBehaviour({.Delay = 100ms});
    Port.SetOpen(true);
    Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
    std::this_thread::sleep_for(400ms);
    ASSERT_TRUE(PumpUntil([&] { return Port.InBuffUsed() == 22; }));
    Pump(50ms);
    Port.OnTxDSignal = nullptr;
    Port.OnRxDSignal = nullptr;
    EXPECT_EQ(sentOut, 1);
    EXPECT_EQ(received, 1);
}

// Without received-character and transmit-empty handlers those events wake nobody; handlers
// assigned while the port is open hear of the next transfer all the same.
TEST_F(CommPortTest, TransferHandlersAssignedWhileOpenAreRaised)
{
    Port.SetOpen(true);
    int received = 0, sentOut = 0;
    Port.OnRxDSignal = [&](TObject *) { ++received; };
    Port.OnTxDSignal = [&](TObject *) { ++sentOut; };
    Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
    EXPECT_TRUE(PumpUntil([&] { return received > 0 && sentOut > 0 && Port.InBuffUsed() == 22; }));
    Port.OnRxDSignal = nullptr;
    Port.OnTxDSignal = nullptr;
}

TEST_F(CommPortTest, BlockWrappingTheInputRingComesOutInOrder)
{
    const Bytes record = {0x00, 0x01, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB,
                          0xCD, 0xEF, 0x23, 0x59, 0x59, 0x31, 0x12, 0x08};
    Sim.Edit([&](devsim::Memory &m) { m.Write(0x6200, record.data(), record.size()); });
    Port.SetInSize(32);
    Port.SetOpen(true);
    for (int round = 0; round < 3; ++round) { // starts at 0, 22 and 12: the second wraps
        Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
        const Bytes answer = Answer(22);
        ASSERT_EQ(answer.size(), 22u);
        EXPECT_EQ(Bytes(answer.begin(), answer.begin() + 5),
                  Bytes(ReadRecord.begin(), ReadRecord.begin() + 5));
        EXPECT_EQ(Bytes(answer.begin() + 5, answer.begin() + 21), record);
    }
}

TEST_F(CommPortTest, GetBlockTakesAtMostWhatIsThere)
{
    Port.SetOpen(true);
    Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
    ASSERT_TRUE(PumpUntil([&] { return Port.InBuffUsed() == 22; }));
    Bytes buffer(100);
    EXPECT_EQ(Port.GetBlock(buffer.data(), 100), 22u);
    EXPECT_EQ(Port.GetBlock(buffer.data(), 100), 0u);
    EXPECT_EQ(Port.InBuffFree(), Port.InSize());
}

TEST_F(CommPortTest, FullOutputRingAcceptsOnlyWhatFits)
{
    Port.SetOutSize(16);
    // Hardware flow control with CTS off (a pseudo-terminal has no CTS): nothing is sent.
    Port.SetControl(ccHard);
    Port.SetOpen(true);
    const Bytes a = Frame({0x96, 0x00, 0x12, 0x00});
    const Bytes b = Frame({0x96, 0x00, 0x13, 0x00});
    const Bytes c = Frame({0x96, 0x00, 0x14, 0x00});
    EXPECT_EQ(Port.PutBlock(a.data(), 6), 6u);
    EXPECT_EQ(Port.PutBlock(b.data(), 6), 6u);
    EXPECT_EQ(Port.PutBlock(c.data(), 6), 4u); // the first four bytes of c
    EXPECT_EQ(Port.OutBuffFree(), 0u);
    EXPECT_EQ(Port.PutBlock(c.data() + 4, 2), 0u);
    Pump(100ms);
    EXPECT_TRUE(Sim.Frames().empty());
    Port.FlushOutBuffer();
    EXPECT_EQ(Port.OutBuffFree(), 16u);
    Port.SetControl(ccNone);
    EXPECT_EQ(Port.PutBlock(a.data(), 6), 6u);
    ASSERT_TRUE(Sim.WaitForFrames(1, 2000ms));
    EXPECT_EQ(Sim.Frames()[0].Data, a);
}

TEST_F(CommPortTest, OutputRingWrapsAndBytesStayInOrder)
{
    Port.SetOutSize(16);
    Port.SetControl(ccHard);
    Port.SetOpen(true);
    const Bytes a = Frame({0x96, 0x00, 0x12, 0x00});
    const Bytes b = Frame({0x96, 0x00, 0x13, 0x00});
    Port.PutBlock(a.data(), 6);
    Port.PutBlock(b.data(), 6);
    Port.FlushOutBuffer(); // start stays at 0, so the next pieces fill from there
    Port.SetControl(ccNone);
    std::vector<Bytes> sent;
    for (std::uint8_t n = 0; n < 12; ++n) { // 12 frames of 6 bytes through a 16-byte ring
        const Bytes f = Frame({0x96, 0x00, std::uint8_t(0x60 + n), 0x00});
        ASSERT_TRUE(PumpUntil([&] { return Port.OutBuffFree() >= 6; }));
        EXPECT_EQ(Port.PutBlock(f.data(), 6), 6u);
        sent.push_back(f);
    }
    ASSERT_TRUE(Sim.WaitForFrames(sent.size(), 3000ms));
    const auto got = Sim.Frames();
    for (std::size_t i = 0; i < sent.size(); ++i)
        EXPECT_EQ(got[i].Data, sent[i]);
}

TEST_F(CommPortTest, SettingComNumberClosesAnOpenPort)
{
    int closes = 0;
    Port.OnClose = [&](TObject *) { ++closes; };
    Port.SetOpen(true);
    ASSERT_TRUE(Port.Open());
    Port.SetComNumber(3);
    EXPECT_FALSE(Port.Open());
    EXPECT_EQ(Port.ComNumber(), 3);
    EXPECT_EQ(closes, 1);
    Port.SetComNumber(4); // closed already: no second close
    EXPECT_EQ(closes, 1);
}

TEST_F(CommPortTest, RingSizeSettersReopenAnOpenPort)
{
    int opens = 0, closes = 0;
    Port.OnOpen = [&](TObject *, DWORD) { ++opens; };
    Port.OnClose = [&](TObject *) { ++closes; };
    Port.SetOpen(true);
    Port.SetInSize(4096);
    Port.SetOutSize(8192);
    EXPECT_TRUE(Port.Open());
    EXPECT_EQ(opens, 3);
    EXPECT_EQ(closes, 2);
    EXPECT_EQ(Port.InBuffFree(), 4096u);
    EXPECT_EQ(Port.OutBuffFree(), 8192u);
}

TEST_F(CommPortTest, ClosedPortDropsAnswersThatArrivedMeanwhile)
{
    Port.SetOpen(true);
    Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
    ASSERT_TRUE(Sim.WaitForFrames(1, 2000ms));
    std::this_thread::sleep_for(50ms); // the answer is in, its event waits for this thread
    Port.SetOpen(false);
    Pump(100ms);
    EXPECT_TRUE(Counts.empty());
    EXPECT_EQ(Port.InBuffUsed(), 0u);
}

TEST_F(CommPortTest, ClosingUnderTrafficNeitherHangsNorCrashes)
{
    Sim.SetBehaviour({.Paced = true});
    Port.SetBaud(57600);
    for (int round = 0; round < 15; ++round) {
        Port.SetOpen(true);
        ASSERT_TRUE(Port.Open());
        for (int i = 0; i < 20; ++i)
            Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
        Pump(std::chrono::milliseconds(round * 3));
        Port.SetOpen(false);
        EXPECT_FALSE(Port.Open());
    }
}

TEST_F(CommPortTest, ClosingAndReopeningFromTheDataHandlerDoesNotDeadlock)
{
    int reopened = 0;
    Port.OnDataReceived = [&](TObject *, DWORD) {
        // As an exchange does when it starts the next one from an answer.
        Port.SetOpen(false);
        Port.SetOpen(true);
        ++reopened;
        const Bytes next = Frame({0x96, 0x00, 0xD9, 0x00});
        if (reopened < 5) Port.PutBlock(next.data(), DWORD(next.size()));
    };
    Port.SetOpen(true);
    Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
    ASSERT_TRUE(PumpUntil([&] { return reopened >= 5; }));
    EXPECT_TRUE(Port.Open());
    Port.SetOpen(false);
}

TEST_F(CommPortTest, VanishedDeviceIsNoticed)
{
    bool error = false;
    Port.OnErrorSignal = [&](TObject *Sender, DWORD) {
        EXPECT_EQ(Sender, &Port);
        error = true;
    };
    Port.SetOpen(true);
    Sim.SetBehaviour({.VanishAfter = 1});
    Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
    ASSERT_TRUE(PumpUntil([&] { return error; }));
    EXPECT_TRUE(Sim.Vanished());
    // Writes into a vanished device keep their bytes; closing still ends every thread.
    Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
    Pump(200ms);
    EXPECT_EQ(Port.OutQueCount(), 0);
    Port.SetOpen(false);
    EXPECT_FALSE(Port.Open());
    Port.SetOpen(true); // the device is gone from the port folder
    EXPECT_FALSE(Port.Open());
}

TEST_F(CommPortTest, ModemLinesOfAPseudoTerminalStayOff)
{
    Port.SetDTR(true);
    Port.SetRTS(true);
    Port.SetOpen(true);
    EXPECT_TRUE(Port.DTR()); // the stored value stays; the line itself cannot be set
    Port.SetDTR(false);      // fails on the terminal: the property keeps its value
    EXPECT_TRUE(Port.DTR());
    EXPECT_FALSE(Port.CTS());
    EXPECT_FALSE(Port.GetModemState(1));
    EXPECT_FALSE(Port.GetModemState(5));
    Port.PowerOff();
    EXPECT_FALSE(Port.DTR());
    EXPECT_FALSE(Port.RTS());
}

TEST_F(CommPortTest, FlushInBufferDropsReceivedBytes)
{
    Port.SetOpen(true);
    Port.PutBlock(ReadRecord.data(), DWORD(ReadRecord.size()));
    ASSERT_TRUE(PumpUntil([&] { return Port.InBuffUsed() == 22; }));
    Port.FlushInBuffer();
    EXPECT_EQ(Port.InBuffUsed(), 0u);
    const Bytes frame = Frame({0x96, 0x00, 0xD9, 0x00});
    Port.PutBlock(frame.data(), DWORD(frame.size()));
    EXPECT_EQ(Answer(1), Bytes{0x22});
}

// A flush while the write thread is in the middle of a piece: what that piece sent must not be
// taken off the emptied ring again (the count would wrap and old bytes go out as new ones).
TEST_F(CommPortTest, FlushOutBufferDuringAWriteLeavesTheRingEmpty)
{
    Port.SetOpen(true);
    const Bytes filler(Port.OutSize(), 0x00);
    for (int round = 0; round < 200; ++round) {
        Port.PutBlock(filler.data(), DWORD(filler.size()));
        std::this_thread::sleep_for(std::chrono::microseconds(round % 7 * 100));
        Port.FlushOutBuffer();
        std::this_thread::sleep_for(2ms); // for the write thread to finish its piece
        ASSERT_EQ(Port.OutBuffUsed(), 0u) << "round " << round;
    }
}

TEST_F(CommPortTest, ClosingWhileTheDeviceStopsReadingDoesNotHang)
{
    // A pseudo-terminal nobody reads, as a device that stopped taking bytes.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    grantpt(master);
    unlockpt(master);
    char name[128];
    ptsname_r(master, name, sizeof name);
    fs::create_symlink(name, rtl::PortLink(12));
    Port.SetComNumber(12);
    Port.SetOutSize(65536);
    Port.SetOpen(true);
    ASSERT_TRUE(Port.Open());
    const Bytes block(65536, 0x55);
    for (int i = 0; i < 4; ++i) {
        Port.PutBlock(block.data(), DWORD(block.size()));
        Pump(20ms);
    }
    EXPECT_GT(Port.OutBuffUsed(), 0u); // the line is full, the ring holds the rest
    Port.SetOpen(false);
    EXPECT_FALSE(Port.Open());
    close(master);
}

TEST(CommPortTypeInfo, PublishedPropertiesInOrderWithDefaults)
{
    TCommPort port(nullptr);
    const TPropList props = GetPropList(&port);
    std::vector<std::string> names;
    for (PPropInfo p : props)
        names.push_back(p->Name.c_str());
    const std::vector<std::string> expected = {"ComNumber",
                                               "Open",
                                               "DTR",
                                               "RTS",
                                               "CTS",
                                               "DSR",
                                               "DCD",
                                               "Ring",
                                               "InSize",
                                               "OutSize",
                                               "InBuffFree",
                                               "InBuffUsed",
                                               "OutBuffFree",
                                               "OutBuffUsed",
                                               "OutQueCount",
                                               "Baud",
                                               "BaudRate",
                                               "Control",
                                               "Parity",
                                               "StopBits",
                                               "DataBits",
                                               "MonitorEvents",
                                               "XonLim",
                                               "XoffLim",
                                               "XonChar",
                                               "XoffChar",
                                               "EventChar",
                                               "OnCTSSignal",
                                               "OnDCDSignal",
                                               "OnDSRSignal",
                                               "OnRxDSignal",
                                               "OnTxDSignal",
                                               "OnRingSignal",
                                               "OnBreakSignal",
                                               "OnRxEventSignal",
                                               "OnErrorSignal",
                                               "OnDataReceived",
                                               "OnOpen",
                                               "OnClose"};
    ASSERT_GE(names.size(), expected.size()); // the inherited ones come first
    EXPECT_EQ(std::vector<std::string>(names.end() - expected.size(), names.end()), expected);
    for (PPropInfo p : props) {
        const bool own = p->Owner == TCommPort::StaticClass();
        if (own && p->Writable() && !p->Name.View().starts_with("On")) {
            EXPECT_TRUE(IsDefaultPropertyValue(&port, p)) << p->Name.c_str();
        }
    }
    EXPECT_EQ(GetEnumProp(&port, "BaudRate"), "cbr9600");
    EXPECT_EQ(GetSetProp(&port, "MonitorEvents"),
              "evRxChar,evTxEmpty,evCTS,evDSR,evRlsd,evBreak,evError,evRing");
}

TEST(CommPortTypeInfo, PropertiesSetByNameGoThroughTheSetters)
{
    TCommPort port(nullptr);
    SetOrdProp(&port, "Baud", 12345);
    EXPECT_EQ(port.BaudRate(), cbr9600);
    SetOrdProp(&port, "DataBits", 9);
    EXPECT_EQ(port.DataBits(), 8);
    SetEnumProp(&port, "Parity", "paEven");
    EXPECT_EQ(port.Parity(), paEven);
    EXPECT_THROW(SetOrdProp(&port, "CTS", 1), EPropertyError);
}

TEST_F(CommPortTest, DestroyingAnOpenPortClosesItWithoutItsCloseHandler)
{
    bool closed = false;
    {
        TCommPort port(nullptr);
        port.SetComNumber(SimulatedCom);
        port.OnClose = [&](TObject *) { closed = true; };
        port.SetOpen(true);
        ASSERT_TRUE(port.Open());
        const Bytes frame = Frame({0x96, 0x00, 0xD9, 0x00});
        port.PutBlock(frame.data(), DWORD(frame.size()));
    }
    EXPECT_FALSE(closed); // its owner may be half torn down by now
    Port.SetOpen(true);   // the device is free again
    EXPECT_TRUE(Port.Open());
}

TEST_F(CommPortTest, HandlerExceptionReachesTheExceptionBoxAndDeliveryGoesOn)
{
    vcl::ScriptedDialogs boxes;
    vcl::DialogProvider *before = vcl::SetDialogService(&boxes);
    boxes.ReplyMessage(mrOk);
    int calls = 0;
    Port.OnDataReceived = [&](TObject *, DWORD Count) {
        Bytes taken(Count);
        Port.GetBlock(taken.data(), Count);
        if (++calls == 1) throw Exception("Ответ не разобран"_a);
    };
    Port.SetOpen(true);
    const Bytes frame = Frame({0x96, 0x00, 0xD9, 0x00});
    Port.PutBlock(frame.data(), DWORD(frame.size()));
    EXPECT_TRUE(PumpUntil([&] { return calls == 1 && !boxes.Messages().empty(); }));
    // The read-event thread is still there: the next answer is delivered as well.
    Port.PutBlock(frame.data(), DWORD(frame.size()));
    EXPECT_TRUE(PumpUntil([&] { return calls == 2; }));
    vcl::SetDialogService(before);
    ASSERT_EQ(boxes.Messages().size(), 1u);
    EXPECT_EQ(boxes.Messages()[0].Text, "Ответ не разобран."_a);
    EXPECT_EQ(boxes.Messages()[0].Type, mtError);
}
