// The port list, opening and closing, and the exchange core of the main window,
// against the simulated device on a pseudo-terminal.

#include "link/config.h"
#include "link/constants.h"
#include "link/hex_text.h"
#include "link/main_form.h"
#include "platform/rtl/PortFolder.h"
#include "platform/rtl/Registry.h"
#include "platform/win/CommPorts.h"
#include "tests/link/MainFormTestSupport.h"
#include "tests/support/TestTerminal.h"
#include "tools/devsim/Simulator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include <unistd.h>

using namespace maintest;

namespace
{

constexpr int SimulatedCom = 251;
constexpr int AnswerTimeout = 3000;

void ServePorts(std::vector<std::pair<std::string, std::string>> Values)
{
    rtl::RegisterMachineKey("HARDWARE\\DEVICEMAP\\SERIALCOMM", [Values] {
        std::vector<rtl::RegistryValue> values;
        for (const auto &[name, data] : Values)
            values.push_back(rtl::RegistryValue::String(name.c_str(), data.c_str()));
        return values;
    });
}

// The system's own list, as the program sees it outside the tests.
void ServeMachinePorts()
{
    rtl::RegisterMachineKey("HARDWARE\\DEVICEMAP\\SERIALCOMM", [] {
        std::vector<rtl::RegistryValue> values;
        for (const auto &value : win::SerialCommValues())
            values.push_back(rtl::RegistryValue::String(value.Name.c_str(), value.Data.c_str()));
        return values;
    });
}

class ExchangeTest : public MainFormTest
{
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        setenv("QRV4_PORTS", (Folder / "ports").c_str(), 1);
        ServeMachinePorts();
        Sim = std::make_unique<devsim::TSimulator>();
        Sim->Expose(SimulatedCom);
        WriteConfigText("[COM]\r\nCOM_port=251\r\nCOM_speed=9600\r\n");
        Build();
    }
    void TearDown() override
    {
        Form.reset();
        Sim.reset();
        MainFormTest::TearDown();
    }

    // Starts a one-byte read of a setting the way the exchanges do.
    void AskSetting(const char *Address)
    {
        Form->BTN_OpenCOMPortClick(nullptr);
        Form->SetBusy(false);
        Form->OptionsReadStep = 0;
        Form->ExpectedLength = 1;
        AnsiString frame = AnsiString("9600") + Address + "00";
        Form->SendHexCommand("A5" + frame + HexChecksum(frame, false));
    }

    // The settings tab's read, pressed as the user does, goes through.
    void ExpectSettingsRead()
    {
        Form->PC_Tabs->SetActivePage(Form->Sheet_Options);
        Form->BTN_OptionsReadClick(nullptr);
        ASSERT_TRUE(PumpUntil([&] { return Form->RunningStep() == TExchangeStep::None; },
                              AnswerTimeout + 5000));
        EXPECT_EQ(Form->StatusBarMain->SimpleText(), "  Чтение настроек... успешно!  "_a);
    }

    bool AnswerTaken(int Milliseconds)
    {
        return PumpUntil([&] { return !Form->CallbackTimer->Enabled(); }, Milliseconds);
    }

    std::unique_ptr<devsim::TSimulator> Sim;
};

} // namespace

// ---- the list of ports ----

TEST_F(MainFormTest, PortListShowsNumbersWithUsbAdaptersMarked)
{
    ServePorts({{"\\Device\\Serial0", "COM1"}, {"\\Device\\VCP0", "COM5"}});
    WriteConfigText("[COM]\r\nCOM_port=5\r\nCOM_speed=19200\r\n");
    TMainForm *form = Build();
    ASSERT_EQ(form->CB_ComPorts->Items()->Count(), 2);
    EXPECT_EQ(form->CB_ComPorts->Items()->Strings(0), "1");
    EXPECT_EQ(form->CB_ComPorts->Items()->Strings(1), "5");
    EXPECT_EQ(form->ComPortImages, (std::vector<int>{0, 1}));
    // The combo box shows the serial plug for COM1 and the USB adapter for COM5.
    EXPECT_EQ(form->CB_ComPorts->IconIndex(0), 0);
    EXPECT_EQ(form->CB_ComPorts->IconIndex(1), 1);
    EXPECT_EQ(form->CB_ComPorts->Images(), form->PIL_Device);
    EXPECT_EQ(form->PIL_Device->Count(), 3);
    EXPECT_EQ(form->CB_ComPorts->Text(), "5");
    EXPECT_EQ(form->CB_ComSpeeds->Text(), "19200");
    EXPECT_TRUE(form->IsOnline);
    EXPECT_FALSE(form->CommPort1->Open());
}

// The first port of the list in its place would get the frames meant for the device.
TEST_F(MainFormTest, UnknownConfiguredPortStaysChosenAndShowsAsMissing)
{
    ServePorts({{"\\Device\\Serial0", "COM1"}, {"\\Device\\Serial1", "COM2"}});
    WriteConfigText("[COM]\r\nCOM_port=9\r\nCOM_speed=1234\r\n");
    TMainForm *form = Build();
    ASSERT_EQ(form->CB_ComPorts->Items()->Count(), 3);
    EXPECT_EQ(form->CB_ComPorts->Text(), "9");
    EXPECT_EQ(form->CB_ComPorts->IconIndex(2), 2);
    EXPECT_EQ(form->CB_ComSpeeds->Text(), "9600");
    EXPECT_FALSE(form->IsOnline);
    // Listed at last, it is the port shown, and the only one.
    ServePorts({{"\\Device\\Serial0", "COM1"}, {"\\Device\\Serial8", "COM9"}});
    form->TMR_OnlineComPortTimer(nullptr);
    ASSERT_EQ(form->CB_ComPorts->Items()->Count(), 2);
    EXPECT_EQ(form->CB_ComPorts->Text(), "9");
    EXPECT_EQ(form->CB_ComPorts->IconIndex(1), 0);
}

TEST_F(MainFormTest, PollRefillsOnlyWhenTheCountChanges)
{
    ServePorts({{"\\Device\\Serial0", "COM1"}, {"\\Device\\VCP0", "COM5"}});
    TMainForm *form = Build();
    ServePorts({{"\\Device\\Serial0", "COM1"}, {"\\Device\\VCP0", "COM6"}});
    form->TMR_OnlineComPortTimer(nullptr);
    EXPECT_EQ(form->CB_ComPorts->Items()->Strings(1), "5");
    ServePorts({{"\\Device\\Serial0", "COM1"}, {"\\Device\\VCP0", "COM6"}, {"X", "COM8"}});
    form->TMR_OnlineComPortTimer(nullptr);
    ASSERT_EQ(form->CB_ComPorts->Items()->Count(), 3);
    EXPECT_EQ(form->CB_ComPorts->Items()->Strings(1), "6");
}

// ---- the exchange core ----

TEST_F(MainFormTest, DispatchTakesTheFirstRunningStepInOrder)
{
    TMainForm *form = Build();
    EXPECT_EQ(form->RunningStep(), TExchangeStep::None);
    form->FontsBlockStep = 0;
    EXPECT_EQ(form->RunningStep(), TExchangeStep::FontsBlock);
    form->WriterWriteStep = 0;
    EXPECT_EQ(form->RunningStep(), TExchangeStep::WriterWrite);
    form->OptionsReadStep = 4;
    EXPECT_EQ(form->RunningStep(), TExchangeStep::OptionsRead);
    form->ArchivePointerStep = 1;
    EXPECT_EQ(form->RunningStep(), TExchangeStep::ArchivePointer);
    form->ArchivePointerStep = 0;
    EXPECT_EQ(form->RunningStep(), TExchangeStep::ArchivePointerFirst);
    form->ResetExchange();
    EXPECT_EQ(form->RunningStep(), TExchangeStep::None);
    EXPECT_EQ(form->WriterWriteCell, -1);
}

TEST_F(MainFormTest, OddHexTextIsRefusedBeforeAnythingIsSent)
{
    TMainForm *form = Build();
    EXPECT_THROW(form->SendHexCommand("A59"), ERangeError);
    EXPECT_FALSE(form->CallbackTimer->Enabled());
}

TEST_F(ExchangeTest, FrameLeavesAsBytesAndItsAnswerIsTaken)
{
    Sim->Edit([](devsim::Memory &m) { m.Settings[0x70] = 0x12; });
    AskSetting("70");
    ASSERT_TRUE(Sim->WaitForFrames(1, std::chrono::milliseconds(2000)));
    EXPECT_EQ(Sim->Frames()[0].Data,
              (std::vector<std::uint8_t>{0xA5, 0x96, 0x00, 0x70, 0x00, 0x06}));
    ASSERT_TRUE(AnswerTaken(2000));
    EXPECT_EQ(Form->CommPort1->InBuffUsed(), 0u);
    EXPECT_TRUE(Form->IsOnline);
}

TEST_F(ExchangeTest, AnswerInPiecesIsTakenWhenComplete)
{
    Sim->SetBehaviour({.Paced = true});
    Form->BTN_OpenCOMPortClick(nullptr);
    Form->ArchiveBlockStep = 0;
    Form->ExpectedLength = 22;
    Form->SendHexCommand("A53162001"
                         "0A3");
    ASSERT_TRUE(AnswerTaken(2000));
    EXPECT_EQ(Form->CommPort1->InBuffUsed(), 0u);
}

TEST_F(ExchangeTest, AnswerWhileOfflineStoresPortAndSpeed)
{
    Form->CB_ComSpeeds->SetItemIndex(1);
    AskSetting("D9");
    Form->ShowOnlineIcon(0);
    const std::string before = ConfigBytes();
    ASSERT_TRUE(AnswerTaken(2000));
    EXPECT_TRUE(Form->IsOnline);
    EXPECT_EQ(Config.COM_port, SimulatedCom);
    EXPECT_EQ(Config.COM_speed, 19200);
    EXPECT_EQ(Sim->LineSpeed(), 19200u);
    // The file keeps what it had until the window saves its settings.
    EXPECT_EQ(ConfigBytes(), before);
    Form->Close();
    EXPECT_NE(ConfigBytes().find("COM_port=251\r\nCOM_speed=19200\r\n"), std::string::npos);
}

TEST_F(ExchangeTest, PortAndSpeedChosenAfterTheStartAreThereAtTheNextStart)
{
    // The stored port is listed, so the picture shows it online from the start.
    const testsupport::TestTerminal line;
    ASSERT_FALSE(line.Path().empty());
    std::filesystem::create_symlink(line.Path(), rtl::PortLink(252));
    WriteConfigText("[COM]\r\nCOM_port=252\r\nCOM_speed=9600\r\n");
    Form.reset();
    Build();
    ASSERT_TRUE(Form->IsOnline);
    Form->CB_ComPorts->SetItemIndex(Form->CB_ComPorts->Items()->IndexOf("251"));
    Form->CB_ComSpeeds->SetItemIndex(1);
    AskSetting("D9");
    EXPECT_FALSE(Form->IsOnline);
    ASSERT_TRUE(AnswerTaken(2000));
    EXPECT_TRUE(Form->IsOnline);
    Form->Close();
    Form.reset();
    Build();
    EXPECT_EQ(Form->CB_ComPorts->Text(), "251");
    EXPECT_EQ(Form->CB_ComSpeeds->Text(), "19200");
}

TEST_F(ExchangeTest, AnswerWhileOnlineStoresNothing)
{
    AskSetting("D9");
    Form->CB_ComSpeeds->SetItemIndex(2);
    ASSERT_TRUE(Form->IsOnline);
    ASSERT_TRUE(AnswerTaken(2000));
    EXPECT_EQ(Config.COM_speed, 9600);
    EXPECT_NE(ConfigBytes().find("COM_speed=9600\r\n"), std::string::npos);
}

TEST_F(ExchangeTest, AnswerWithoutARunningStepIsDropped)
{
    Form->BTN_OpenCOMPortClick(nullptr);
    Form->ExpectedLength = 1;
    Form->SendHexCommand("A59600D9006F");
    ASSERT_TRUE(AnswerTaken(2000));
    EXPECT_EQ(Form->CommPort1->InBuffUsed(), 0u);
    EXPECT_EQ(Form->RunningStep(), TExchangeStep::None);
}

TEST_F(ExchangeTest, OpeningAnOpenPortKeepsItsSettingsAndPurgesBothWays)
{
    Sim->SetBehaviour({.LengthDelta = 1});
    AskSetting("60");
    ASSERT_TRUE(PumpUntil([&] { return Form->CommPort1->InBuffUsed() == 2; }, 2000));
    ASSERT_TRUE(Form->OpenComPort(SimulatedCom, 57600));
    EXPECT_EQ(Form->CommPort1->Baud(), 9600);
    EXPECT_EQ(Form->CommPort1->InBuffUsed(), 0u);
    EXPECT_EQ(Form->CommPort1->OutBuffUsed(), 0u);
}

TEST_F(ExchangeTest, AnswerOneByteTooLongEndsInTheTimeOut)
{
    Sim->SetBehaviour({.LengthDelta = 1});
    AskSetting("60");
    EXPECT_FALSE(AnswerTaken(AnswerTimeout - 500));
    ASSERT_TRUE(PumpUntil([&] { return Form->OptionsReadStep == -1; }, 2000));
    EXPECT_EQ(Form->StatusBarMain->SimpleText(),
              "  Нет ответа от прибора! Установите в приборе Связь с ПК!  COM-порт 251"_a);
    EXPECT_EQ(Form->StatusBarMain->Color(), clRed);
    EXPECT_TRUE(Form->CB_ComPorts->Enabled());
    EXPECT_TRUE(Form->BTN_WriterRead->Enabled());
    EXPECT_EQ(Form->CommPort1->InBuffUsed(), 2u);
    EXPECT_TRUE(Form->CommPort1->Open());
}

TEST_F(ExchangeTest, SilentDeviceEndsInTheTimeOut)
{
    Sim->SetBehaviour({.Silent = true});
    Form->UpdateRunning = true;
    AskSetting("60");
    ASSERT_TRUE(PumpUntil([&] { return Form->OptionsReadStep == -1; }, AnswerTimeout + 1500));
    EXPECT_FALSE(Form->UpdateRunning);
    EXPECT_EQ(Form->StatusBarMain->Color(), clRed);
    bool allow = false;
    Form->PC_TabsChanging(Form->PC_Tabs, allow);
    EXPECT_TRUE(allow);
}

// Frames asked for while a stopped exchange's answer may still come wait for it, and then all
// go out in the order they were asked for.
TEST_F(ExchangeTest, FramesAskedWhileTheLineSettlesAllGoOutInOrder)
{
    Sim->SetBehaviour({.Silent = true});
    AskSetting("60");
    ASSERT_TRUE(Sim->WaitForFrames(1, std::chrono::milliseconds(2000)));
    Form->ResetExchange();
    Sim->SetBehaviour({});
    Sim->ClearFrames();
    Form->ExpectedLength = 1;
    Form->SendHexCommand("A59600D9006F");
    Form->SendHexCommand("A596006000F6");
    ASSERT_TRUE(PumpUntil([&] { return Sim->Frames().size() == 2; }, AnswerTimeout + 2000));
    EXPECT_EQ(Sim->Frames()[0].Data,
              (std::vector<std::uint8_t>{0xA5, 0x96, 0x00, 0xD9, 0x00, 0x6F}));
    EXPECT_EQ(Sim->Frames()[1].Data,
              (std::vector<std::uint8_t>{0xA5, 0x96, 0x00, 0x60, 0x00, 0xF6}));
}

TEST_F(ExchangeTest, VanishedPortIsClosedByThePoll)
{
    Form->BTN_OpenCOMPortClick(nullptr);
    ASSERT_TRUE(Form->CommPort1->Open());
    std::filesystem::remove(rtl::PortLink(SimulatedCom));
    // The poll runs every 2000 ms; the rest is room for a loaded machine.
    ASSERT_TRUE(PumpUntil([&] { return !Form->CommPort1->Open(); }, 4500));
    EXPECT_FALSE(Form->IsOnline);
    EXPECT_EQ(Form->StatusBarMain->SimpleText(), "  COM-порт закрыт ...   251"_a);
}

namespace
{

// Whether the picture beside the port list shows picture Index of its list: their middles
// are compared, where the grey and the green ball differ.
bool ShowsPortPicture(TMainForm &Form, int Index)
{
    TCustomImageList &pictures = *Form.PIL_OnLineCom;
    TBitmap drawn;
    drawn.SetWidth(pictures.Width());
    drawn.SetHeight(pictures.Height());
    pictures.Draw(drawn.Canvas(), 0, 0, Index);
    TImage &shown = *Form.IMG_OnLineCom;
    return shown.Canvas()->Pixels(shown.Width() / 2, shown.Height() / 2) ==
           drawn.Canvas()->Pixels(pictures.Width() / 2, pictures.Height() / 2);
}

// Each exchange's button, pressed on its tab while the port cannot be opened: the port's
// message stays, its picture turns to offline, no exchange starts, and no time-out replaces
// the message later.
void ExpectNoExchangeOnAPortThatDoesNotOpen(TMainForm &Form, devsim::TSimulator &Sim,
                                            const char *Cause)
{
    ASSERT_FALSE(ShowsPortPicture(Form, 0));
    ASSERT_TRUE(ShowsPortPicture(Form, 1));
    const AnsiString notOpened =
        "  Не удалось открыть COM-порт ...   251 ("_a + AnsiString::FromUtf8(Cause) + ")";
    const std::vector<std::pair<TTabSheet *, std::function<void()>>> presses = {
        {Form.Sheet_Archive, [&] { Form.BTN_ReadFromArchiveClick(nullptr); }},
        {Form.Sheet_Options, [&] { Form.BTN_OptionsReadClick(nullptr); }},
        {Form.Sheet_Options, [&] { Form.BTN_OptionsSaveClick(nullptr); }},
        {Form.Sheet_Writer, [&] { Form.BTN_WriterReadClick(nullptr); }},
        {Form.Sheet_Configure, [&] { Form.BTN_InternetUpdateClick(nullptr); }},
    };
    for (const auto &[sheet, press] : presses) {
        Form.PC_Tabs->SetActivePage(sheet);
        press();
        EXPECT_EQ(Form.StatusBarMain->SimpleText(), notOpened);
        EXPECT_TRUE(ShowsPortPicture(Form, 0));
        EXPECT_EQ(Form.RunningStep(), TExchangeStep::None);
        EXPECT_FALSE(Form.CallbackTimer->Enabled());
        EXPECT_FALSE(Form.UpdateRunning);
        EXPECT_TRUE(Form.BTN_OpenCOMPort->Enabled());
    }
    // The answer time-out would have come by now; the port's message is still there.
    PumpFor(AnswerTimeout + 500);
    EXPECT_EQ(Form.StatusBarMain->SimpleText(), notOpened);
    EXPECT_EQ(Form.StatusBarMain->Color(), clRed);
    EXPECT_TRUE(Sim.Frames().empty());
}

} // namespace

TEST_F(ExchangeTest, PortThatIsGoneKeepsItsMessageAndStartsNoExchange)
{
    std::filesystem::remove(rtl::PortLink(SimulatedCom));
    ExpectNoExchangeOnAPortThatDoesNotOpen(*Form, *Sim, "нет такого порта");
}

TEST_F(ExchangeTest, PortThatIsBusyKeepsItsMessageAndStartsNoExchange)
{
    TCommPort other(nullptr);
    other.SetComNumber(SimulatedCom);
    other.SetOpen(true);
    ASSERT_TRUE(other.Open());
    ExpectNoExchangeOnAPortThatDoesNotOpen(*Form, *Sim, "порт занят другой программой");
    // Once the other program lets go, the next press talks to the device.
    other.SetOpen(false);
    ExpectSettingsRead();
}

TEST_F(ExchangeTest, PortThatIsNoTerminalKeepsItsMessageAndStartsNoExchange)
{
    const std::filesystem::path file = Folder / "not_a_port";
    std::ofstream(file) << "text";
    std::filesystem::remove(rtl::PortLink(SimulatedCom));
    std::filesystem::create_symlink(file, rtl::PortLink(SimulatedCom));
    ExpectNoExchangeOnAPortThatDoesNotOpen(*Form, *Sim, "это не последовательный порт");
}

TEST_F(ExchangeTest, PortWithoutPermissionKeepsItsMessageAndStartsNoExchange)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root opens whatever the modes; the unprivileged pass runs this";
    using std::filesystem::perms;
    std::filesystem::permissions(Sim->DevicePath(), perms::none);
    ExpectNoExchangeOnAPortThatDoesNotOpen(*Form, *Sim, "нет прав на доступ к порту");
    std::filesystem::permissions(Sim->DevicePath(), perms::owner_read | perms::owner_write);
    ExpectSettingsRead();
}

TEST_F(ExchangeTest, ReopeningPurgesLateBytes)
{
    Sim->SetBehaviour({.LengthDelta = 1});
    AskSetting("60");
    ASSERT_TRUE(PumpUntil([&] { return Form->CommPort1->InBuffUsed() == 2; }, 2000));
    Form->BTN_OpenCOMPortClick(nullptr);
    EXPECT_EQ(Form->CommPort1->InBuffUsed(), 0u);
    EXPECT_FALSE(Form->CallbackTimer->Enabled());
    EXPECT_EQ(Form->StatusBarMain->SimpleText(), "  COM-порт успешно открыт ...   251"_a);
}
