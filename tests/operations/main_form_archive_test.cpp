// The archive tab of the main window against the simulated device on a pseudo-terminal:
// reading the ring into the grid, the ends of a read, sorting, search, the clipboard and
// the sums of written keys.

#include "link/constants.h"
#include "link/grid_helpers.h"
#include "link/main_form.h"
#include "tests/operations/GridScrolling.h"
#include "tests/operations/ScreenInput.h"
#include "tests/operations/SimulatedDeviceTest.h"
#include "tests/vcl/VclTestSupport.h"
#include "tools/devsim/Archive.h"

#include <QImage>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <tuple>

#include <set>

using namespace maintest;
using optest::At;
using optest::ExpectWidenedColumnScrollsSideways;
using optest::ServeMergeAndWrap;
using optest::Xdotool;

namespace
{

constexpr int SimulatedCom = 252;
// Enough for a full ring on a loaded machine under the sanitizers.
constexpr int ReadTime = 120000;

std::string Hex(const devsim::Bytes &Data)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : Data) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

TDateTime ToDateTime(const std::tm &When)
{
    return EncodeDate(When.tm_year + 1900, When.tm_mon + 1, When.tm_mday) +
           EncodeTime(When.tm_hour, When.tm_min, When.tm_sec, 0);
}

class ArchiveTest : public optest::SimulatedDeviceTest
{
protected:
    ArchiveTest() : SimulatedDeviceTest(SimulatedCom, 57600) {}

    void SetUp() override
    {
        SimulatedDeviceTest::SetUp();
        Form->PC_Tabs->SetActivePage(Form->Sheet_Archive);
    }

    void Serve(const std::vector<devsim::ArchiveEntry> &Records, unsigned Pointer)
    {
        Sim->Edit([&](devsim::Memory &m) { devsim::WriteArchive(m, Records, Pointer); });
    }
    void SetPointer(unsigned Pointer)
    {
        Sim->Edit([&](devsim::Memory &m) { m.SetArchivePointer(Pointer); });
    }

    bool Reading() const { return Form->ArchivePointerStep != -1 || Form->ArchiveBlockStep != -1; }
    bool Read() { return ReadArchive(*Form, ReadTime); }

    std::vector<std::string> SentFrames() const
    {
        std::vector<std::string> frames;
        for (const devsim::TFrame &frame : Sim->Frames())
            frames.push_back(Hex(frame.Data));
        return frames;
    }
    AnsiString Cell(int Col, int Row) const { return Form->SG_Archive->Cells(Col, Row); }
    std::array<AnsiString, 4> Sums() const
    {
        return {Form->SL_Dallas->Caption(), Form->SL_Metacom->Caption(), Form->SL_Cyfral->Caption(),
                Form->SL_Proxy->Caption()};
    }
    // The device answers its LateFrame-th frame as Late says; the answer time-out goes off once
    // Begun holds, while that answer is still on its way, and the user reads again at once. The
    // read must show the device's own archive, whatever of the late answer comes meanwhile.
    void TimeOutOnALateAnswerAndReadAgain(int LateFrame, const devsim::TBehaviour &Late,
                                          const std::function<bool()> &Begun)
    {
        ServeMergeAndWrap(*Sim);
        auto heard = std::make_shared<int>(0);
        if (LateFrame == 1) Sim->SetBehaviour(Late);
        // What a frame gets is fixed when it is heard, so the change is made one frame early.
        Sim->SetMonitor([this, heard, LateFrame, Late](const devsim::TExchange &) {
            if (++*heard == LateFrame - 1) Sim->SetBehaviour(Late);
        });
        Form->BTN_ReadFromArchiveClick(nullptr);
        ASSERT_TRUE(PumpUntil(Begun, ReadTime));
        Form->CallbackTimerTimer(Form->CallbackTimer);
        ASSERT_EQ(Status(), NoAnswer());
        Sim->SetMonitor({});
        Sim->SetBehaviour({});
        Sim->ClearFrames();
        ASSERT_TRUE(Read());
        EXPECT_EQ(SentFrames(),
                  (std::vector<std::string>{"A59600700006", "A59600710007", "A531622010C3",
                                            "A531621010B3", "A531620010A3", "A531FE30106F"}));
        EXPECT_EQ(Status(), "  Чтение данных архива... успешно!  "_a);
        ASSERT_EQ(Form->SG_Archive->RowCount(), 3);
        EXPECT_EQ(Cell(5, 1), "5B 23 45 67 89 AB CD EF");
        EXPECT_EQ(Cell(5, 2), "E0 00 00 0F 06 05 03 01");
    }
    // A left click on the title of a column.
    void ClickTitle(int Col)
    {
        TRect cell = Form->SG_Archive->CellRect(Col, 0);
        Form->SG_ArchiveMouseDown(nullptr, mbLeft, TShiftState{}, cell.Left + 5, cell.Top + 5);
    }
};

std::array<int, 4> WrittenByType(const std::vector<devsim::ArchiveEntry> &Records, std::size_t From,
                                 std::size_t To)
{
    std::array<int, 4> sums{};
    for (std::size_t i = From; i <= To && i < Records.size(); ++i)
        if (Records[i].WriteMode != devsim::ReadOnlyMode) ++sums[Records[i].KeyType];
    return sums;
}

std::array<AnsiString, 4> Texts(const std::array<int, 4> &Sums)
{
    return {IntToStr(Sums[0]), IntToStr(Sums[1]), IntToStr(Sums[2]), IntToStr(Sums[3])};
}

} // namespace

// ---- reading ----

TEST_F(ArchiveTest, MixedRecordsReadIntoTheGridMergedAndCounted)
{
    ServeMergeAndWrap(*Sim);
    ASSERT_TRUE(Read());
    EXPECT_EQ(SentFrames(),
              (std::vector<std::string>{"A59600700006", "A59600710007", "A531622010C3",
                                        "A531621010B3", "A531620010A3", "A531FE30106F"}));
    ASSERT_EQ(Form->SG_Archive->RowCount(), 3);
    EXPECT_EQ(Form->SG_Archive->FixedCols(), 1);
    const char *first[] = {"1", "31.12.2008  23:59:59",   "Даллас", "с финализ",
                           "2", "5B 23 45 67 89 AB CD EF"};
    const char *second[] = {"2", "01.01.2009  10:00:00",   "Метаком", "M1",
                            "1", "E0 00 00 0F 06 05 03 01"};
    for (int col = 0; col < 6; ++col) {
        EXPECT_EQ(Cell(col, 1), AnsiString::FromUtf8(first[col])) << col;
        EXPECT_EQ(Cell(col, 2), AnsiString::FromUtf8(second[col])) << col;
    }
    EXPECT_EQ(Sums(), (std::array<AnsiString, 4>{"2", "1", "0", "0"}));
    EXPECT_EQ(Status(), "  Чтение данных архива... успешно!  "_a);
    EXPECT_EQ(Form->StatusBarMain->Color(), clBtnFace);
    EXPECT_EQ(Form->Label_ArchiveStatus->Caption(), "Чтение данных архива... 4"_a);
    EXPECT_TRUE(Form->BTN_ReadFromArchive->Enabled());
    EXPECT_FALSE(Form->BTN_StopArchive->Enabled());
}

TEST_F(ArchiveTest, GridCopiesSortsAndFinds)
{
    ServeMergeAndWrap(*Sim);
    ASSERT_TRUE(Read());
    Form->BTN_ClipboardArchiveClick(nullptr);
    EXPECT_EQ(ClipboardGetUnicodeText(),
              "№ п/п\tДата время\tТип ключа\tРежим записи\tКол-во\tКод ключа\t\n"
              "1\t31.12.2008  23:59:59\tДаллас\tс финализ\t2\t5B 23 45 67 89 AB CD EF\t\n"
              "2\t01.01.2009  10:00:00\tМетаком\tM1\t1\tE0 00 00 0F 06 05 03 01\t\n"_a);

    ClickTitle(4);
    EXPECT_EQ(Form->ArchiveSortColumn, 4);
    EXPECT_EQ(Cell(2, 1), "Метаком"_a);
    EXPECT_EQ(Form->SG_Archive->Row(), 1);
    ClickTitle(4);
    EXPECT_TRUE(Form->ArchiveSortDescending);
    EXPECT_EQ(Cell(2, 1), "Даллас"_a);
    ClickTitle(5);
    EXPECT_FALSE(Form->ArchiveSortDescending);
    EXPECT_EQ(Cell(5, 1), "5B 23 45 67 89 AB CD EF");

    Form->ED_Search->SetText("e0");
    Form->BTN_SearchClick(nullptr);
    EXPECT_EQ(Form->SG_Archive->Col(), 5);
    EXPECT_EQ(Form->SG_Archive->Row(), 2);
    // Numbers and counts are never matched: after the date, "2" is next found in the key.
    Form->ED_Search->SetText("2");
    GridSelectCell(Form->SG_Archive, 1, 1);
    Form->BTN_SearchClick(nullptr);
    EXPECT_EQ(Form->SG_Archive->Col(), 5);
    EXPECT_EQ(Form->SG_Archive->Row(), 1);

    GridSelectCell(Form->SG_Archive, 2, 2);
    Form->TBI_CopyClipboardClick(nullptr);
    EXPECT_EQ(ClipboardGetUnicodeText(), "Метаком\t\n"_a);
}

TEST_F(ArchiveTest, EveryKeyTypeAndModeReadsAndCountsOverAPeriod)
{
    auto records = devsim::SampleArchive(300, devsim::SampleNewest());
    // The newest at record 100, so the walk wraps round the ring's lower end.
    Serve(records, 100);
    ASSERT_TRUE(Read());
    ASSERT_EQ(SentFrames().size(), 2u + 301u);
    EXPECT_EQ(SentFrames()[2], "A531683010D9");
    EXPECT_EQ(SentFrames()[102], "A531FE30106F");

    int records_in_rows = 0;
    std::set<std::pair<int, int>> kinds;
    for (const ArchiveRecord &row : Form->ArchiveRecords) {
        records_in_rows += row.WriteMode == ArchiveReadOnlyMode ? 1 : row.Count;
        kinds.insert({row.KeyType, row.WriteMode});
    }
    EXPECT_EQ(records_in_rows, 300);
    EXPECT_EQ(kinds.size(), 20u);
    EXPECT_EQ(Form->SG_Archive->RowCount(), int(Form->ArchiveRecords.size()) + 1);
    EXPECT_EQ(Sums(), Texts(WrittenByType(records, 0, records.size())));

    // A period of whole days, from the day of one record to the day of a later one, picked
    // at some hour of each.
    const TDateTime first = std::floor(ToDateTime(records[220].When));
    const TDateTime last = std::floor(ToDateTime(records[40].When));
    ASSERT_LT(first, last);
    std::size_t newer = 0, older = records.size() - 1;
    while (std::floor(ToDateTime(records[newer].When)) > last)
        ++newer;
    while (std::floor(ToDateTime(records[older].When)) < first)
        --older;
    // The user's click: the check box's own state setter tells no one.
    Form->CHB_AllArchive->Click();
    EXPECT_FALSE(Form->CHB_AllArchive->Checked());
    EXPECT_TRUE(Form->DTP_ArchiveCountFrom->Enabled());
    Form->DTP_ArchiveCountFrom->SetDateTime(first + 0.75);
    Form->DTP_ArchiveCountTo->SetDateTime(last + 0.25);
    Form->DTP_ArchiveCountChange(nullptr);
    EXPECT_EQ(Sums(), Texts(WrittenByType(records, newer, older)));
    Form->CHB_AllArchive->Click();
    EXPECT_FALSE(Form->DTP_ArchiveCountTo->Enabled());
    EXPECT_EQ(Sums(), Texts(WrittenByType(records, 0, records.size())));
}

// Both pickers start at the hour the program started; the user means the day, and records
// at either edge of it count.
TEST_F(ArchiveTest, PeriodAsTheProgramStartsCountsTodaysRecords)
{
    const TDateTime today = std::floor(Form->DTP_ArchiveCountFrom->DateTime());
    ASSERT_EQ(std::floor(Form->DTP_ArchiveCountTo->DateTime()), today);
    const auto entry = [](std::uint8_t Type, std::uint8_t Serial, TDateTime When) {
        devsim::ArchiveEntry e;
        e.KeyType = Type;
        e.Key = {0x00, 0x00, 0x00, 0x11, 0x22, 0x33, Serial, 0x01};
        int year, month, day, hour, minute, second, ms;
        DecodeDate(When, year, month, day);
        DecodeTime(When, hour, minute, second, ms);
        e.When.tm_year = year - 1900;
        e.When.tm_mon = month - 1;
        e.When.tm_mday = day;
        e.When.tm_hour = hour;
        e.When.tm_min = minute;
        e.When.tm_sec = second;
        return e;
    };
    const TDateTime second = EncodeTime(0, 0, 1, 0);
    Serve({entry(3, 1, today + 1), entry(0, 2, today + 1 - second), entry(1, 3, today + 0.5),
           entry(0, 4, today), entry(2, 5, today - second)},
          5);
    ASSERT_TRUE(Read());
    ASSERT_EQ(Form->ArchiveRecords.size(), 5u);
    Form->CHB_AllArchive->Click();
    EXPECT_EQ(Sums(), (std::array<AnsiString, 4>{"2", "1", "0", "0"}));
    Form->DTP_ArchiveCountFrom->SetDateTime(today - 1 + 0.9);
    Form->DTP_ArchiveCountChange(nullptr);
    EXPECT_EQ(Sums(), (std::array<AnsiString, 4>{"2", "1", "1", "0"}));
    // From a later day than To: nothing.
    Form->DTP_ArchiveCountFrom->SetDateTime(today + 1);
    Form->DTP_ArchiveCountChange(nullptr);
    EXPECT_EQ(Sums(), (std::array<AnsiString, 4>{"0", "0", "0", "0"}));

    // The two print options of the settings tab share the whole-archive box's click: each
    // click sets the pickers by that box and counts again.
    Form->CHB_AllArchive->SetChecked(true);
    EXPECT_TRUE(Form->DTP_ArchiveCountFrom->Enabled());
    Form->CHB_TypeKey->Click();
    EXPECT_FALSE(Form->DTP_ArchiveCountFrom->Enabled());
    EXPECT_FALSE(Form->DTP_ArchiveCountTo->Enabled());
    EXPECT_EQ(Sums(), (std::array<AnsiString, 4>{"2", "1", "1", "1"}));
    Form->CHB_AllArchive->SetChecked(false);
    Form->CHB_KeyHex->Click();
    EXPECT_TRUE(Form->DTP_ArchiveCountTo->Enabled());
    EXPECT_EQ(Sums(), (std::array<AnsiString, 4>{"0", "0", "0", "0"}));
}

TEST_F(ArchiveTest, ReadOnlyRecordsAreLeftOutWhenAsked)
{
    ServeSampleArchive(*Sim, 60);
    Form->CHB_MissRead->SetChecked(true);
    ASSERT_TRUE(Read());
    ASSERT_FALSE(Form->ArchiveRecords.empty());
    for (const ArchiveRecord &row : Form->ArchiveRecords)
        EXPECT_NE(row.WriteMode, ArchiveReadOnlyMode);
}

TEST_F(ArchiveTest, FullRingStopsAfterOnePass)
{
    auto records = devsim::SampleArchive(devsim::ArchiveRecords, devsim::SampleNewest());
    Serve(records, 700);
    ASSERT_TRUE(Read());
    auto frames = SentFrames();
    ASSERT_EQ(frames.size(), 2u + 2500u);
    // The oldest record sits just above the newest; nothing after it is asked for.
    EXPECT_EQ(frames.back(), "A5318DC0108E");
    int records_in_rows = 0;
    for (const ArchiveRecord &row : Form->ArchiveRecords)
        records_in_rows += row.WriteMode == ArchiveReadOnlyMode ? 1 : row.Count;
    EXPECT_EQ(records_in_rows, 2500);
    EXPECT_EQ(Status(), "  Чтение данных архива... успешно!  "_a);
    EXPECT_EQ(Form->Label_ArchiveStatus->Caption(), "Чтение данных архива... 2500"_a);
    EXPECT_EQ(Form->Bar_Archive->Position(), 2500);
    EXPECT_EQ(Sums(), Texts(WrittenByType(records, 0, records.size())));
}

TEST_F(ArchiveTest, PointerOneWrapsToTheTopOfTheRing)
{
    auto records = devsim::SampleArchive(2, devsim::SampleNewest());
    Serve(records, 1);
    ASSERT_TRUE(Read());
    EXPECT_EQ(SentFrames(),
              (std::vector<std::string>{"A59600700006", "A59600710007", "A531620010A3",
                                        "A531FE30106F", "A531FE20105F"}));
}

TEST_F(ArchiveTest, PointerAtTheLastRecordStartsAtTheTopOfTheRing)
{
    auto records = devsim::SampleArchive(2, devsim::SampleNewest());
    Serve(records, 2500);
    ASSERT_TRUE(Read());
    EXPECT_EQ(SentFrames(),
              (std::vector<std::string>{"A59600700006", "A59600710007", "A531FE30106F",
                                        "A531FE20105F", "A531FE10104F"}));
}

TEST_F(ArchiveTest, PointerZeroIsAnEmptyArchive)
{
    SetPointer(0);
    ASSERT_TRUE(Read());
    EXPECT_EQ(SentFrames().size(), 2u);
    EXPECT_EQ(Status(), "  Чтение данных архива... успешно!  "_a);
    EXPECT_EQ(Form->SG_Archive->RowCount(), 1);
    EXPECT_EQ(Form->SG_Archive->FixedCols(), 0);
    EXPECT_EQ(Sums(), (std::array<AnsiString, 4>{"0", "0", "0", "0"}));
    EXPECT_TRUE(Form->BTN_ReadFromArchive->Enabled());
}

TEST_F(ArchiveTest, PointerBeyondTheRingIsAnErrorAndNothingIsRead)
{
    SetPointer(2501);
    ASSERT_TRUE(Read());
    PumpFor(100);
    EXPECT_EQ(SentFrames().size(), 2u);
    EXPECT_EQ(Status(), "  Неверный указатель архива в приборе:  2501"_a);
    EXPECT_EQ(Form->StatusBarMain->Color(), clRed);
    EXPECT_TRUE(Form->BTN_ReadFromArchive->Enabled());
    EXPECT_FALSE(Form->CallbackTimer->Enabled());
}

TEST_F(ArchiveTest, EmptyRecordAtTheStartLeavesTheArchiveEmpty)
{
    Serve({}, 5);
    ASSERT_TRUE(Read());
    EXPECT_EQ(SentFrames().size(), 3u);
    EXPECT_TRUE(Form->ArchiveRecords.empty());
    EXPECT_EQ(Status(), "  Чтение данных архива... успешно!  "_a);
}

TEST_F(ArchiveTest, StopKeepsTheRowsReadSoFar)
{
    ServeSampleArchive(*Sim, 400);
    Sim->SetBehaviour({.Delay = std::chrono::milliseconds(5)});
    Form->BTN_ReadFromArchiveClick(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Form->ArchiveBlockStep >= 20; }, ReadTime));
    EXPECT_TRUE(Form->BTN_StopArchive->Enabled());
    // The two pointer frames, the first block's, and one more after every answer taken.
    const std::size_t sent = 3 + std::size_t(Form->ArchiveBlockStep);
    Form->BTN_StopArchiveClick(nullptr);
    const std::size_t rows = Form->ArchiveRecords.size();
    // The last frame may still be on its way to the device when the read stops.
    ASSERT_TRUE(Sim->WaitForFrames(sent, std::chrono::milliseconds(ReadTime)));
    const std::size_t frames = Sim->Frames().size();
    EXPECT_EQ(frames, sent);
    EXPECT_GE(rows, 10u);
    PumpFor(200);
    EXPECT_EQ(Sim->Frames().size(), frames);
    EXPECT_EQ(Form->ArchiveRecords.size(), rows);
    EXPECT_EQ(Form->SG_Archive->RowCount(), int(rows) + 1);
    EXPECT_EQ(Status(), "  Чтение данных архива... успешно!  "_a);
    EXPECT_FALSE(Reading());
}

TEST_F(ArchiveTest, DeviceFallingSilentEndsInTheTimeOutWithTheRowsKept)
{
    auto records = devsim::SampleArchive(400, devsim::SampleNewest());
    Serve(records, 400);
    Sim->SetBehaviour({.Delay = std::chrono::milliseconds(5)});
    Form->BTN_ReadFromArchiveClick(nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Form->ArchiveBlockStep >= 20; }, ReadTime));
    Sim->SetBehaviour({.Silent = true});
    ASSERT_TRUE(PumpUntil([&] { return !Reading(); }, 10000));
    EXPECT_EQ(Status(), NoAnswer());
    EXPECT_EQ(Form->StatusBarMain->Color(), clRed);
    ASSERT_GE(Form->ArchiveRecords.size(), 10u);
    EXPECT_EQ(Form->SG_Archive->RowCount(), int(Form->ArchiveRecords.size()) + 1);
    // The sums are those of the rows read.
    EXPECT_EQ(Sums(), Texts(CountArchiveKeys(Form->ArchiveRecords, true, 0, 0)));
    EXPECT_NE(Sums()[0], "0");
    EXPECT_TRUE(Form->BTN_ReadFromArchive->Enabled());
}

// A read the device cut short looked whole once its red message had gone: the sums beside
// it were taken for the archive's. A mark beside them says so until the next read; a read the
// user ends with Stop is his own and stays "успешно", unmarked.
TEST_F(ArchiveTest, AReadTheDeviceCutShortIsMarkedUntilTheNextRead)
{
    Form->Show();
    PumpFor(50);
    auto partialMark = [&] {
        return Form->LB_ArchivePartial->Showing() ? Form->LB_ArchivePartial->Caption() : "";
    };
    Serve(devsim::SampleArchive(300, devsim::SampleNewest()), 300);
    Form->CallbackTimer->SetInterval(300);
    Sim->SetBehaviour({.VanishAfter = 100});
    vcltest::Click(Form->BTN_ReadFromArchive, 10, 10);
    ASSERT_TRUE(PumpUntil([&] { return Sim->Vanished() && !Reading(); }, ReadTime));
    EXPECT_EQ(Status(), NoAnswer());
    // The two pointer frames, then 97 records answered before the frame the device vanished on.
    EXPECT_EQ(partialMark(), "Архив неполный: прочитано записей: 97"_a);
    const auto partialSums = Sums();
    // It outlives the status line, a sort and a visit to another tab.
    Form->SystemMessTimerTimer(nullptr);
    ClickTitle(2);
    Form->PC_Tabs->SetActivePage(Form->Sheet_Writer);
    Form->PC_Tabs->SetActivePage(Form->Sheet_Archive);
    EXPECT_EQ(partialMark(), "Архив неполный: прочитано записей: 97"_a);
    EXPECT_EQ(Sums(), partialSums);

    PlugInAgain();
    Form->CallbackTimer->SetInterval(3000);
    ASSERT_TRUE(Read());
    EXPECT_EQ(Status(), "  Чтение данных архива... успешно!  "_a);
    EXPECT_EQ(partialMark(), "");
    EXPECT_NE(Sums(), partialSums);

    Sim->SetBehaviour({.Delay = std::chrono::milliseconds(5)});
    vcltest::Click(Form->BTN_ReadFromArchive, 10, 10);
    ASSERT_TRUE(PumpUntil([&] { return Form->ArchiveBlockStep >= 20; }, ReadTime));
    vcltest::Click(Form->BTN_StopArchive, 10, 10);
    ASSERT_TRUE(PumpUntil([&] { return !Reading(); }, ReadTime));
    EXPECT_EQ(Status(), "  Чтение данных архива... успешно!  "_a);
    EXPECT_EQ(partialMark(), "");
}

TEST_F(ArchiveTest, RetryRightAfterATimeOutIsNotSpoiltByTheRestOfTheLateAnswer)
{
    // The first block's answer trickles in, a byte every 20 ms: 22 bytes take nearly half a
    // second. The gaps stay well inside the pause a device may make within an answer, so a
    // loaded machine that stretches one does not end the answer early.
    TimeOutOnALateAnswerAndReadAgain(3, {.ByteGap = std::chrono::milliseconds(20)},
                                     [&] { return Form->CommPort1->InBuffUsed() >= 3; });
}

// Gaps longer than the pause a device may make within an answer: the line falls quiet between
// the bytes, yet the rest of the answer is still coming.
TEST_F(ArchiveTest, RetryRightAfterATimeOutIsNotSpoiltByAnAnswerTricklingSlowerThanThePause)
{
    TimeOutOnALateAnswerAndReadAgain(3, {.ByteGap = std::chrono::milliseconds(180)},
                                     [&] { return Form->CommPort1->InBuffUsed() >= 3; });
}

// The first pointer byte comes a second and a half after the time-out, when the retry's own
// first frame is out: it must not be taken for the pointer.
TEST_F(ArchiveTest, RetryRightAfterATimeOutIsNotSpoiltByAPointerByteThatComesLate)
{
    TimeOutOnALateAnswerAndReadAgain(1, {.Delay = std::chrono::milliseconds(1500)},
                                     [&] { return Sim->Frames().size() == 1; });
}

// A slow device still answers the block frame a Stop left unanswered; a read started at once
// takes none of it for the answer to its own frames.
TEST_F(ArchiveTest, ReadRightAfterAStopIsNotSpoiltByTheAnswerStillOnItsWay)
{
    ServeMergeAndWrap(*Sim);
    std::atomic<int> heard{0};
    Sim->SetMonitor([&](const devsim::TExchange &) {
        if (++heard == 2) Sim->SetBehaviour({.Delay = std::chrono::milliseconds(1000)});
    });
    Form->BTN_ReadFromArchiveClick(nullptr);
    // The first block's frame is with the device, its answer a second away.
    ASSERT_TRUE(PumpUntil([&] { return Sim->Frames().size() == 3; }, ReadTime));
    Form->BTN_StopArchiveClick(nullptr);
    Sim->SetMonitor({});
    Sim->SetBehaviour({});
    Sim->ClearFrames();
    ASSERT_TRUE(Read());
    EXPECT_EQ(Status(), "  Чтение данных архива... успешно!  "_a);
    ASSERT_EQ(Form->SG_Archive->RowCount(), 3);
    EXPECT_EQ(Cell(5, 1), "5B 23 45 67 89 AB CD EF");
    EXPECT_EQ(Cell(5, 2), "E0 00 00 0F 06 05 03 01");
}

TEST_F(ArchiveTest, CellsDrawWithTheSortArrowAndTheColumnColours)
{
    ServeMergeAndWrap(*Sim);
    ASSERT_TRUE(Read());
    TStringGrid *grid = Form->SG_Archive;
    auto pixel = [grid](int X, int Y) { return ColorToRGB(grid->Canvas()->Pixels(X, Y)); };
    auto drawTitle = [&](int Col) {
        TRect cell = grid->CellRect(Col, 0);
        Form->SG_ArchiveDrawCell(grid, Col, 0, cell, TGridDrawState{gdFixed});
        // Inside the arrow, which sits at the left of the title.
        return pixel(cell.Left + 8, cell.Top + (cell.Height() - 12) / 2 + 7);
    };
    // The arrow picture is dark on the light title.
    EXPECT_LT(GetRValue(drawTitle(0)), 128);
    EXPECT_GT(GetRValue(drawTitle(1)), 128);

    TRect mode = grid->CellRect(3, 2);
    Form->SG_ArchiveDrawCell(grid, 3, 2, mode, TGridDrawState{});
    EXPECT_EQ(pixel(mode.Left + 1, mode.Top + 1), RGB(255, 255, 220));
    Form->SG_ArchiveDrawCell(grid, 3, 2, mode, TGridDrawState{gdSelected});
    EXPECT_EQ(pixel(mode.Left + 1, mode.Top + 1), ColorToRGB(clHighlight));
    TRect number = grid->CellRect(0, 2);
    Form->SG_ArchiveDrawCell(grid, 0, 2, number, TGridDrawState{gdFixed});
    EXPECT_EQ(pixel(number.Left, number.Top + 1), RGB(255, 251, 240));
}

// ---- without rows ----

TEST_F(ArchiveTest, ArchiveNotReadYetShowsTitlesOnly)
{
    EXPECT_EQ(Form->SG_Archive->RowCount(), 1);
    EXPECT_EQ(Form->SG_Archive->FixedRows(), 0);
    EXPECT_EQ(Form->SG_Archive->FixedCols(), 0);
    EXPECT_EQ(Cell(1, 0), "Дата время"_a);
    ClickTitle(4);
    EXPECT_EQ(Form->ArchiveSortColumn, 0);
}

TEST_F(ArchiveTest, EmptyArchiveShowsTitlesOnlyAndIgnoresClicks)
{
    Form->FillArchiveGrid();
    EXPECT_EQ(Form->SG_Archive->RowCount(), 1);
    EXPECT_EQ(Form->SG_Archive->FixedRows(), 0);
    EXPECT_EQ(Cell(4, 0), "Кол-во"_a);
    ClickTitle(4);
    EXPECT_EQ(Form->ArchiveSortColumn, 0);
    Form->BTN_SearchClick(nullptr);
    EXPECT_EQ(Status(), "  Нет данных для поиска!  "_a);
    ClipboardSetUnicodeText("before");
    Form->BTN_ClipboardArchiveClick(nullptr);
    EXPECT_EQ(Status(), "  Нет данных для копирования!  "_a);
    Form->TBI_CopyClipboardClick(nullptr);
    EXPECT_EQ(ClipboardGetUnicodeText(), "before");
    Form->BTN_StopArchiveClick(nullptr);
    EXPECT_EQ(Status(), "  Чтение данных архива... успешно!  "_a);
    EXPECT_EQ(Sums(), (std::array<AnsiString, 4>{"0", "0", "0", "0"}));
}

// ---- the period group during an exchange ----

namespace
{

// What a control shows, as a picture of its client area.
QImage Shown(TWinControl *Control)
{
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(Control->ClientWidth(), Control->ClientHeight());
    Control->PaintTo(picture.Canvas()->Handle(), 0, 0);
    QImage image(picture.Width(), picture.Height(), QImage::Format_RGB32);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const COLORREF c = ColorToRGB(picture.Canvas()->Pixels(x, y));
            image.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
        }
    if (const char *shots = std::getenv("QRV4_SHOTS"))
        image.save(QString::fromUtf8(shots) + "/" + Control->Name().ToUtf8().c_str() + ".png");
    return image;
}

} // namespace

// Disabled while the device is read, the dates and their "с" and "по" stay readable: grey
// text on the face colour, as the system draws disabled controls.
TEST_F(ArchiveTest, PeriodGroupDisabledDuringAReadStaysReadable)
{
    Form->CHB_AllArchive->SetChecked(false);
    Form->CHB_AllArchiveClick(Form->CHB_AllArchive);
    Form->SetBusy(false);
    ASSERT_FALSE(Form->CHG_ArchiveCount->Enabled());
    const QImage group = Shown(Form->CHG_ArchiveCount);
    const COLORREF face = ColorToRGB(clBtnFace);
    const COLORREF greyText = ColorToRGB(clGrayText);
    auto faceAndGreyText = [&](TControl *Control) {
        int faceCount = 0, greyCount = 0, darkCount = 0;
        const TRect r = Control->BoundsRect();
        for (int y = r.Top + 3; y < r.Bottom - 3; ++y)
            for (int x = r.Left + 3; x < r.Left + 40; ++x) {
                const QRgb c = group.pixel(x, y);
                faceCount += qRgb(GetRValue(face), GetGValue(face), GetBValue(face)) == c;
                greyCount += qRed(c) == GetRValue(greyText) && qGreen(c) == GetGValue(greyText);
                darkCount += qGray(c) < 64;
            }
        return std::tuple{faceCount, greyCount, darkCount};
    };
    for (TControl *picker : {static_cast<TControl *>(Form->DTP_ArchiveCountFrom),
                             static_cast<TControl *>(Form->DTP_ArchiveCountTo)}) {
        const auto [faceCount, greyCount, darkCount] = faceAndGreyText(picker);
        EXPECT_GT(faceCount, 100) << picker->Name().View();
        EXPECT_GT(greyCount, 5) << picker->Name().View();
        EXPECT_EQ(darkCount, 0) << picker->Name().View();
    }
    Form->SetBusy(true);
}

// In a column too narrow for the title beside the arrow, the title moves right of the arrow:
// none of its pixels falls on the picture.
TEST_F(ArchiveTest, NarrowSortColumnKeepsItsTitleClearOfTheArrow)
{
    ServeMergeAndWrap(*Sim);
    ASSERT_TRUE(Read());
    ClickTitle(4);
    ASSERT_EQ(Form->ArchiveSortColumn, 4);
    TStringGrid *grid = Form->SG_Archive;
    const AnsiString title = grid->Cells(4, 0);
    // Black pixels where the arrow is drawn: the arrow's own, plus whatever of the title is on it.
    auto blackOnTheArrow = [&](const AnsiString &Title) {
        grid->SetCells(4, 0, Title);
        const TRect cell = grid->CellRect(4, 0);
        Form->SG_ArchiveDrawCell(grid, 4, 0, cell, TGridDrawState{gdFixed});
        int black = 0;
        for (int y = cell.Top; y < cell.Bottom; ++y)
            for (int x = cell.Left + 3; x < cell.Left + 3 + 16; ++x)
                black += ColorToRGB(grid->Canvas()->Pixels(x, y)) == RGB(0, 0, 0);
        return black;
    };
    for (int width : {81, 60, 45}) {
        grid->SetColWidths(4, width);
        const int arrowAlone = blackOnTheArrow("");
        EXPECT_EQ(blackOnTheArrow(title), arrowAlone) << "the title covers the arrow at " << width;
    }
    grid->SetCells(4, 0, title);
}

// "Дата время" widened past the grid's width pushes "Код ключа" out of sight; the bar along
// the grid's bottom brings it back.
TEST_F(ArchiveTest, AColumnWidenedPastTheGridIsScrolledSidewaysByItsBar)
{
    ServeMergeAndWrap(*Sim);
    ASSERT_TRUE(Read());
    Form->Show();
    PumpFor(100);
    ExpectWidenedColumnScrollsSideways(Form->SG_Archive, 1, 5);
}

// Before the archive is read, the titles' borders size the columns all the same.
TEST_F(ArchiveTest, ATitleBorderOfTheEmptyGridSizesItsColumn)
{
    Form->Show();
    PumpFor(100);
    optest::ExpectEmptyGridTitleBorderSizesItsColumn(Form->SG_Archive, 1, 2);
}

// ---- on a real display, with real input ----

namespace
{

class ArchiveOnX : public ArchiveTest
{
protected:
    void SetUp() override
    {
        ArchiveTest::SetUp();
        const char *platform = std::getenv("QT_QPA_PLATFORM");
        if (!platform || std::string(platform) != "xcb") GTEST_SKIP() << "needs a display";
        Form->Show();
        ASSERT_TRUE(PumpUntil([&] { return vcltest::OnScreen(Form.get()); }, 10000));
    }
};

} // namespace

TEST_F(ArchiveOnX, DraggingATitlesBorderSizesTheColumnAndSortsNothing)
{
    ServeMergeAndWrap(*Sim);
    ASSERT_TRUE(Read());
    TStringGrid *grid = Form->SG_Archive;
    const TRect type = grid->CellRect(2, 0);
    const int width = grid->ColWidths(2);
    const AnsiString firstType = Cell(2, 1);

    // The border between "Тип ключа" and "Режим записи", pulled 40 pixels right.
    const int y = (type.Top + type.Bottom) / 2;
    Xdotool("mousemove --sync " + At(grid, type.Right, y) +
            " mousedown 1 sleep 0.2 mousemove --sync " + At(grid, type.Right + 20, y) +
            " sleep 0.2 mousemove --sync " + At(grid, type.Right + 40, y) + " sleep 0.2 mouseup 1");
    EXPECT_TRUE(PumpUntil([&] { return grid->ColWidths(2) > width + 30; }, 5000))
        << grid->ColWidths(2);
    PumpFor(300);
    EXPECT_EQ(Form->ArchiveSortColumn, 0) << "the drag sorted by the column";
    EXPECT_FALSE(Form->ArchiveSortDescending);
    EXPECT_EQ(Cell(2, 1), firstType);

    // A click in the middle of the same title still sorts by it.
    const TRect wider = grid->CellRect(2, 0);
    Xdotool("mousemove --sync " + At(grid, (wider.Left + wider.Right) / 2, y) + " click 1");
    EXPECT_TRUE(PumpUntil([&] { return Form->ArchiveSortColumn == 2; }, 5000));
}
