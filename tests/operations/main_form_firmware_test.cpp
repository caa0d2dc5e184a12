// Firmware and fonts uploads against the simulated device: the file checks, the
// loader exchange, the blocks the device receives, and the ways an upload fails.

#include "link/config.h"
#include "link/constants.h"
#include "platform/win/Paint.h"
#include "tests/operations/SimulatedDeviceTest.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace optest;
using devsim::Bytes;

namespace
{

const AnsiString FirmwareDone =
    "  Запись прошивки произведена успешно! Перезагрузите программу и прибор!  "_a;
const AnsiString FirmwareFailed = "  Ошибка при записи прошивки!  "_a;
const AnsiString FontsDone = "  Запись шрифтов произведена успешно! Перезагрузите прибор!  "_a;
const AnsiString FontsFailed = "  Ошибка при записи шрифтов!  "_a;

class UploadTest : public SimulatedDeviceTest
{
protected:
    void SetUp() override
    {
        SimulatedDeviceTest::SetUp();
        Form->PC_Tabs->SetActivePage(Form->Sheet_Configure);
    }

    void LoadFirmware(const std::string &Name)
    {
        ChooseInDialog(Name);
        Form->BTN_LoadBiosClick(nullptr);
        ASSERT_TRUE(WaitForIdle());
    }

    void LoadFonts(const std::string &Name)
    {
        ChooseInDialog(Name);
        Form->BTN_LoadFontsClick(nullptr);
        ASSERT_TRUE(WaitForIdle());
    }

    // Runs Action on the simulator's thread when it has seen Count frames.
    void AfterFrames(int Count, std::function<void()> Action)
    {
        Sim->SetMonitor([this, Count, Action](const devsim::TExchange &) {
            if (++FFramesSeen == Count) Action();
        });
    }

    void SilenceAfter(int Count)
    {
        AfterFrames(Count, [this] { Sim->SetBehaviour({.Silent = true}); });
    }

    // The next file dialog picks Name, and the message box that refuses it is answered.
    void ChooseRefused(const std::string &Name)
    {
        ChooseInDialog(Name);
        Dialogs.ReplyMessage(mrOk);
    }

    void ExpectRefusal(const char *Text)
    {
        ASSERT_EQ(Dialogs.Messages().size(), 1u);
        EXPECT_EQ(Dialogs.Messages()[0].Text, AnsiString::FromUtf8(Text));
        EXPECT_EQ(Dialogs.Messages()[0].Caption, "Ошибка!"_a);
        EXPECT_EQ(Dialogs.Messages()[0].Type, mtError);
        EXPECT_TRUE(Sim->Frames().empty());
        EXPECT_FALSE(Form->CommPort1->Open());
    }

    const char *const WrongFirmware =
        "Не подходящий размер файла!\nВозможно это не файл с прошивкой!";
    const char *const WrongFonts = "Размер файла не 1024 байта!\nВозможно это не файл со шрифтами!";

private:
    std::atomic<int> FFramesSeen{0};
};

// A named pipe that a thread of its own fills with Count bytes once a reader opens it, and
// closes: read to its end it looks whole, yet no size says how much it should hold.
std::thread FillPipe(const std::filesystem::path &Pipe, std::size_t Count)
{
    EXPECT_EQ(::mkfifo(Pipe.c_str(), 0600), 0);
    return std::thread([Pipe, Count] {
        // A reader that stops early leaves the writer an error, not a signal that ends the test.
        sigset_t signals;
        sigemptyset(&signals);
        sigaddset(&signals, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &signals, nullptr);
        const int fd = ::open(Pipe.c_str(), O_WRONLY | O_CLOEXEC);
        const std::string bytes(Count, '\x5A');
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        static_cast<void>(written);
        ::close(fd);
    });
}

// The program refuses a pipe without opening it for reading, so the writer may still wait for a
// reader: one of the test's own lets it go, whenever it comes to open the pipe.
void JoinWriter(std::thread &Writer, const std::filesystem::path &Pipe)
{
    const int reader = ::open(Pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    Writer.join();
    if (reader >= 0) ::close(reader);
}

Bytes Loader(std::initializer_list<std::uint8_t> Head, const Bytes &Data)
{
    Bytes frame(Head);
    frame.insert(frame.end(), Data.begin(), Data.end());
    unsigned sum = 0;
    for (std::size_t i = 2; i < frame.size(); ++i)
        sum += frame[i];
    frame.push_back(static_cast<std::uint8_t>(-sum));
    return frame;
}

} // namespace

// ---- firmware ----

TEST_F(UploadTest, FirmwareReachesTheDeviceByteForByte)
{
    const Bytes image = WriteBytesFile("a_firmware_b.qrv", 32010);
    LoadFirmware("a_firmware_b.qrv");
    EXPECT_EQ(Status(), FirmwareDone);
    EXPECT_EQ(StatusColour(), clLime);
    EXPECT_EQ(Sim->Snapshot().Firmware, image);

    const auto frames = FrameBytes();
    ASSERT_EQ(frames.size(), 2u + 1001u);
    EXPECT_EQ(frames[0], (Bytes{0xA5, 0x99, 0x51, 0x00, 0x00, 0xEA}));
    EXPECT_EQ(frames[1], (Bytes{0x0F, 0x0F, 0x03, 0xFD}));
    EXPECT_EQ(frames[2], Loader({0x0F, 0x0F, 0x02, 0x00, 0x00}, Bytes(&image[0], &image[32])));
    EXPECT_EQ(frames.back(),
              Loader({0x0F, 0x0F, 0x02, 0x7D, 0x00}, Bytes(&image[32000], &image[32010])));
    EXPECT_EQ(Form->BiosFileName, AnsiString((Folder / "a_firmware_b.qrv").string()));
    EXPECT_FALSE(Form->UpdateRunning);
    EXPECT_TRUE(Form->BTN_LoadBios->Enabled());
    EXPECT_FALSE(Form->CHG_LoadBios->Visible());
}

TEST_F(UploadTest, WindowKeepsWorkingThroughTheLoadersPauses)
{
    const Bytes image = WriteBytesFile("firmware.qrv", 24000);
    Form->Show();
    vcltest::Pump();
    ChooseInDialog("firmware.qrv");
    Form->BTN_LoadBiosClick(nullptr);
    // Back from the button with the loader entered and its first pause begun.
    ASSERT_TRUE(Sim->WaitForFrames(1, std::chrono::milliseconds(ExchangeWait)));
    EXPECT_EQ(Sim->Frames().size(), 1u);
    EXPECT_EQ(Form->FirmwareLoaderStep, 0);
    // Messages keep coming through during the pause: the panel with the upload's first
    // text gets painted while the device has only the entry frame.
    TTimer look(nullptr);
    look.SetInterval(1);
    bool painted = false;
    std::size_t framesWhenPainted = 0;
    int stepWhenPainted = -2;
    AnsiString captionWhenPainted;
    look.OnTimer = [&](TObject *) {
        if (!Form->CHG_LoadBios->Visible() ||
            GetUpdateRect(Form->CHG_LoadBios->Handle(), nullptr, FALSE))
            return;
        look.SetEnabled(false);
        painted = true;
        framesWhenPainted = Sim->Frames().size();
        stepWhenPainted = Form->FirmwareLoaderStep;
        captionWhenPainted = Form->LB_LoadBios->Caption();
    };
    look.SetEnabled(true);
    ASSERT_TRUE(maintest::PumpUntil([&] { return painted; }, ExchangeWait));
    EXPECT_EQ(framesWhenPainted, 1u);
    EXPECT_EQ(stepWhenPainted, 0);
    EXPECT_EQ(captionWhenPainted, "Подготовка к записи..."_a);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(Status(), FirmwareDone);
    EXPECT_EQ(Sim->Snapshot().Firmware, image);
}

// An address-book read stopped while the device kept silent, and firmware chosen at once: the
// loader's frames wait out the answer the read still owed, and then every one of them goes out,
// the second when the loader has had its time to start.
TEST_F(UploadTest, FirmwareChosenRightAfterAStoppedReadReachesTheDevice)
{
    const Bytes image = WriteBytesFile("firmware.qrv", 24000);
    Sim->SetLoaderAnswer(devsim::TLoaderAnswer::ToPing);
    Sim->SetLoaderStartTime(std::chrono::milliseconds(300));
    Sim->SetBehaviour({.Silent = true});
    Form->BTN_WriterReadClick(nullptr);
    ASSERT_TRUE(Sim->WaitForFrames(1, std::chrono::milliseconds(ExchangeWait)));
    Form->BTN_StopWriterClick(nullptr);
    Sim->SetBehaviour({});
    Sim->ClearFrames();
    LoadFirmware("firmware.qrv");
    EXPECT_EQ(Status(), FirmwareDone);
    EXPECT_EQ(Sim->Snapshot().Firmware, image);
    const auto frames = FrameBytes();
    ASSERT_EQ(frames.size(), 2u + 750u);
    EXPECT_EQ(frames[0], (Bytes{0xA5, 0x99, 0x51, 0x00, 0x00, 0xEA}));
    EXPECT_EQ(frames[1], (Bytes{0x0F, 0x0F, 0x03, 0xFD}));
}

TEST_F(UploadTest, FirmwareOfTheSmallestSizeEndsWithAShortBlock)
{
    const Bytes image = WriteBytesFile("firmware.qrv", 22001, 7);
    LoadFirmware("firmware.qrv");
    EXPECT_EQ(Status(), FirmwareDone);
    EXPECT_EQ(Sim->Snapshot().Firmware, image);
    // 687 whole blocks, then the last 17 bytes at 21984.
    EXPECT_EQ(FrameBytes().back(),
              Loader({0x0F, 0x0F, 0x02, 0x55, 0xE0}, Bytes(&image[21984], &image[22001])));
}

TEST_F(UploadTest, FirmwareFilesOfWrongSizeAreRefused)
{
    WriteBytesFile("x_firmware.qrv", 22000);
    ChooseRefused("x_firmware.qrv");
    Form->BTN_LoadBiosClick(nullptr);
    ExpectRefusal(WrongFirmware);

    WriteBytesFile("y_firmware.qrv", 36000);
    ChooseRefused("y_firmware.qrv");
    Form->BTN_LoadBiosClick(nullptr);
    EXPECT_EQ(Dialogs.Messages().size(), 2u);
    EXPECT_TRUE(Sim->Frames().empty());
    EXPECT_EQ(Form->RunningStep(), TExchangeStep::None);
}

TEST_F(UploadTest, FirmwareTypedUnderAnotherNameIsJudgedBySizeOnly)
{
    const Bytes image = WriteBytesFile("update.bin", 22001, 3);
    LoadFirmware("update.bin");
    EXPECT_TRUE(Dialogs.Messages().empty());
    EXPECT_EQ(Status(), FirmwareDone);
    EXPECT_EQ(Sim->Snapshot().Firmware, image);
}

TEST_F(UploadTest, DialogOpensInTheLastFileFolderAndTheFolderIsPutBack)
{
    std::filesystem::create_directories(Folder / "images");
    Form->BiosFileName = AnsiString((Folder / "images" / "old_firmware.qrv").string());
    AnsiString initial;
    AnsiString title;
    AnsiString filter;
    Dialogs.ReplyDialog([&](TCommonDialog &Dialog) {
        auto &open = static_cast<TOpenDialog &>(Dialog);
        initial = open.InitialDir();
        title = open.Title();
        filter = open.Filter();
        SetCurrentDir(AnsiString((Folder / "images").string()));
        return false;
    });
    const AnsiString before = GetCurrentDir();
    Form->BTN_LoadBiosClick(nullptr);
    EXPECT_EQ(initial, AnsiString((Folder / "images").string() + "/"));
    EXPECT_EQ(title, "Открыть прошивку"_a);
    EXPECT_EQ(filter, "Файл прошивки (*firmware*.qrv)|*firmware*.qrv"_a);
    EXPECT_EQ(GetCurrentDir(), before);
    EXPECT_TRUE(Dialogs.Messages().empty());
    EXPECT_TRUE(Sim->Frames().empty());
}

TEST_F(UploadTest, LoaderThatDoesNotGetReadySendsNoBlock)
{
    WriteBytesFile("firmware.qrv", 24000);
    Sim->SetBehaviour({.WrongBytes = true});
    LoadFirmware("firmware.qrv");
    EXPECT_EQ(Status(), FirmwareFailed);
    EXPECT_EQ(StatusColour(), clRed);
    EXPECT_EQ(Sim->Frames().size(), 2u);
    EXPECT_TRUE(Sim->Snapshot().Firmware.empty());
}

TEST_F(UploadTest, WrongBlockAnswerEndsTheFirmwareInRed)
{
    WriteBytesFile("firmware.qrv", 24000);
    AfterFrames(12, [this] { Sim->SetBehaviour({.WrongBytes = true}); });
    LoadFirmware("firmware.qrv");
    EXPECT_EQ(Status(), FirmwareFailed);
    EXPECT_EQ(Sim->Frames().size(), 13u); // the twelfth is still answered rightly
}

TEST_F(UploadTest, DeviceFallingSilentEndsTheFirmwareWithTheTimeOut)
{
    WriteBytesFile("firmware.qrv", 24000);
    SilenceAfter(50);
    LoadFirmware("firmware.qrv");
    EXPECT_EQ(Status(), NoAnswer());
    EXPECT_EQ(StatusColour(), clRed);
    EXPECT_EQ(Sim->Frames().size(), 51u);
    EXPECT_TRUE(Form->BTN_LoadBios->Enabled());
}

TEST_F(UploadTest, FirmwareIsSentAsItWasReadWhateverBecomesOfTheFile)
{
    const Bytes image = WriteBytesFile("firmware.qrv", 24000);
    AfterFrames(10, [this] { WriteBytesFile("firmware.qrv", 100, 99); });
    LoadFirmware("firmware.qrv");
    EXPECT_EQ(Status(), FirmwareDone);
    EXPECT_EQ(Sim->Snapshot().Firmware, image);
}

TEST_F(UploadTest, FirmwareThatShrankAfterItsCheckIsNotStarted)
{
    WriteBytesFile("firmware.qrv", 1000);
    Form->BTN_OpenCOMPortClick(nullptr);
    Form->EnterFirmwareLoader(AnsiString((Folder / "firmware.qrv").string()));
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(Status(), FirmwareFailed);
    EXPECT_TRUE(Sim->Frames().empty());
    EXPECT_FALSE(Sim->InLoader());

    Form->EnterFirmwareLoader(AnsiString((Folder / "missing_firmware.qrv").string()));
    EXPECT_EQ(Status(), FirmwareFailed);
    EXPECT_TRUE(Sim->Frames().empty());
}

TEST_F(UploadTest, FirmwareWithoutASizeToCheckTheReadAgainstIsNotSent)
{
    const std::filesystem::path pipe = Folder / "pipe_firmware.qrv";
    std::thread writer = FillPipe(pipe, 24000);
    Form->BTN_OpenCOMPortClick(nullptr);
    Form->EnterFirmwareLoader(AnsiString(pipe.string()));
    JoinWriter(writer, pipe);
    ASSERT_TRUE(WaitForIdle());
    EXPECT_EQ(Status(), FirmwareFailed);
    EXPECT_EQ(StatusColour(), clRed);
    EXPECT_TRUE(Sim->Frames().empty());
    EXPECT_FALSE(Sim->InLoader());
}

// ---- fonts ----

TEST_F(UploadTest, FontsReachTheDeviceAsEightBlocks)
{
    const Bytes image = WriteBytesFile("my_fonts.qrv", 1024);
    LoadFonts("my_fonts.qrv");
    EXPECT_EQ(Status(), FontsDone);
    EXPECT_EQ(StatusColour(), clLime);
    EXPECT_EQ(Sim->Snapshot().Read(0, 1024), image);
    const auto frames = FrameBytes();
    ASSERT_EQ(frames.size(), 8u);
    for (unsigned i = 0; i < 8; ++i) {
        ASSERT_EQ(frames[i].size(), 134u);
        EXPECT_EQ(frames[i][1], 0x75);
        EXPECT_EQ((frames[i][2] << 8) | frames[i][3], 0x80 * i);
        EXPECT_EQ(frames[i][4], 0x80);
    }
    EXPECT_EQ(Form->FontsFileName, AnsiString((Folder / "my_fonts.qrv").string()));
}

TEST_F(UploadTest, ZeroFontsCarryTheirKnownChecksums)
{
    std::ofstream(Folder / "x_fonts.qrv", std::ios::binary) << std::string(1024, '\0');
    LoadFonts("x_fonts.qrv");
    EXPECT_EQ(Status(), FontsDone);
    Bytes sums;
    for (const Bytes &frame : FrameBytes())
        sums.push_back(frame.back());
    EXPECT_EQ(sums, (Bytes{0xF5, 0x75, 0xF6, 0x76, 0xF7, 0x77, 0xF8, 0x78}));
}

TEST_F(UploadTest, FontsFilesOfWrongSizeAreRefused)
{
    WriteBytesFile("x_fonts.qrv", 1023);
    ChooseRefused("x_fonts.qrv");
    Form->BTN_LoadFontsClick(nullptr);
    ExpectRefusal(WrongFonts);

    WriteBytesFile("y_fonts.qrv", 1025);
    ChooseRefused("y_fonts.qrv");
    Form->BTN_LoadFontsClick(nullptr);
    EXPECT_EQ(Dialogs.Messages().size(), 2u);
    EXPECT_TRUE(Sim->Frames().empty());
}

TEST_F(UploadTest, FontsTypedUnderAnotherNameAreJudgedBySizeOnly)
{
    const Bytes image = WriteBytesFile("glyphs.bin", 1024, 9);
    LoadFonts("glyphs.bin");
    EXPECT_TRUE(Dialogs.Messages().empty());
    EXPECT_EQ(Status(), FontsDone);
    EXPECT_EQ(Sim->Snapshot().Read(0, 1024), image);
}

TEST_F(UploadTest, WrongFontsEchoEndsAfterTheFirstBlock)
{
    WriteBytesFile("x_fonts.qrv", 1024);
    Sim->SetBehaviour({.WrongBytes = true});
    LoadFonts("x_fonts.qrv");
    EXPECT_EQ(Status(), FontsFailed);
    EXPECT_EQ(StatusColour(), clRed);
    EXPECT_EQ(Sim->Frames().size(), 1u);
}

TEST_F(UploadTest, DeviceFallingSilentEndsTheFontsWithTheTimeOut)
{
    WriteBytesFile("x_fonts.qrv", 1024);
    SilenceAfter(3);
    LoadFonts("x_fonts.qrv");
    EXPECT_EQ(Status(), NoAnswer());
    EXPECT_EQ(Sim->Frames().size(), 4u);
}

TEST_F(UploadTest, FontsAreSentAsTheyWereReadWhateverBecomesOfTheFile)
{
    const Bytes image = WriteBytesFile("x_fonts.qrv", 1024);
    AfterFrames(2, [this] { WriteBytesFile("x_fonts.qrv", 300, 5); });
    LoadFonts("x_fonts.qrv");
    EXPECT_EQ(Status(), FontsDone);
    EXPECT_EQ(Sim->Snapshot().Read(0, 1024), image);
    for (const Bytes &frame : FrameBytes())
        EXPECT_EQ(frame.size(), 134u);
}

TEST_F(UploadTest, FontsThatCannotBeReadAreNotSent)
{
    Form->BTN_OpenCOMPortClick(nullptr);
    Form->StartFontsUpload(AnsiString((Folder / "missing_fonts.qrv").string()));
    EXPECT_EQ(Status(), FontsFailed);
    WriteBytesFile("short_fonts.qrv", 1000);
    Form->StartFontsUpload(AnsiString((Folder / "short_fonts.qrv").string()));
    EXPECT_EQ(Status(), FontsFailed);
    EXPECT_EQ(Form->RunningStep(), TExchangeStep::None);
    maintest::PumpFor(100);
    EXPECT_TRUE(Sim->Frames().empty());
}

TEST_F(UploadTest, FontsWithoutASizeToCheckTheReadAgainstAreNotSent)
{
    const std::filesystem::path pipe = Folder / "pipe_fonts.qrv";
    std::thread writer = FillPipe(pipe, 1024);
    Form->BTN_OpenCOMPortClick(nullptr);
    Form->StartFontsUpload(AnsiString(pipe.string()));
    JoinWriter(writer, pipe);
    EXPECT_EQ(Status(), FontsFailed);
    EXPECT_EQ(Form->RunningStep(), TExchangeStep::None);
    maintest::PumpFor(100);
    EXPECT_TRUE(Sim->Frames().empty());
}

// ---- leaving the program ----

// Closing the window in the middle of a firmware left the device with part of it. Now the
// close button asks, No by default, says what a cut firmware means, and No lets it finish.
TEST_F(UploadTest, ClosingDuringTheFirmwareAsksAndNoLetsItFinish)
{
    const Bytes image = WriteBytesFile("firmware.qrv", 32010);
    Form->Show();
    ChooseInDialog("firmware.qrv");
    Form->BTN_LoadBiosClick(nullptr);
    ASSERT_TRUE(maintest::PumpUntil([&] { return Form->FirmwareBlockStep >= 498; }, ExchangeWait));
    Dialogs.ReplyMessage(mrNo);
    PostMessageW(Form->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(maintest::PumpUntil([&] { return !Dialogs.Messages().empty(); }, ExchangeWait));
    ASSERT_TRUE(WaitForIdle());
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    const vcl::MessageRequest &asked = Dialogs.Messages()[0];
    EXPECT_EQ(asked.Text, AnsiString::FromUtf8("Идёт обмен с прибором. Прервать и выйти?\n\n"
                                               "Прошивка в приборе останется неполной: загрузите "
                                               "её заново, иначе прибор не будет работать."));
    EXPECT_EQ(asked.DefaultButton, mbNo);
    EXPECT_TRUE(Form->Visible());
    EXPECT_EQ(Status(), FirmwareDone);
    EXPECT_EQ(Sim->Snapshot().Firmware, image);
}

// Yes ends the upload where it is and closes the window and the port.
TEST_F(UploadTest, ExitDuringTheFontsAnsweredYesStopsTheUploadAndCloses)
{
    WriteBytesFile("fonts.qrv", 1024);
    Form->Show();
    Sim->SetBehaviour({.Delay = std::chrono::milliseconds(200)});
    ChooseInDialog("fonts.qrv");
    Form->BTN_LoadFontsClick(nullptr);
    ASSERT_TRUE(maintest::PumpUntil([&] { return Form->FontsBlockStep >= 3; }, ExchangeWait));
    Dialogs.ReplyMessage(mrYes);
    vcltest::Click(Form->BTN_Quit, 10, 10);
    ASSERT_TRUE(maintest::PumpUntil([&] { return !Form->Visible(); }, ExchangeWait));
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Dialogs.Messages()[0].Text, "Идёт обмен с прибором. Прервать и выйти?"_a);
    EXPECT_EQ(Form->RunningStep(), TExchangeStep::None);
    EXPECT_FALSE(Form->CallbackTimer->Enabled());
    EXPECT_FALSE(Form->CommPort1->Open());
    EXPECT_LT(Sim->Frames().size(), 8u);
}
