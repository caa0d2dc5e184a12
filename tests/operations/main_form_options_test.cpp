// The device settings tab against the simulated device: reading every setting
// into its control, writing the writable ones back, refusals, time-outs and the
// LCD colour previews.

#include "tests/operations/SimulatedDeviceTest.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

using namespace optest;
using devsim::Bytes;

namespace
{

// A device with a value of every kind worth telling apart, in read-list order.
void ShowcaseSettings(devsim::Memory &M)
{
    const std::pair<int, int> values[] = {
        {0x12, 0x01}, {0x13, 0x2C}, {0x14, 0x05}, {0x15, 0x00}, {0x16, 0x07}, {0x17, 0x00},
        {0x18, 0xFF}, {0x19, 0x10}, {0x1A, 0x00}, {0x1B, 0x00}, {0x28, 0x01}, {0x29, 0x02},
        {0x2A, 0x03}, {0x2B, 0x04}, {0x2C, 0x05}, {0x2D, 0x06}, {0x2E, 0x07}, {0x2F, 0x08},
        {0x60, 0x02}, {0x61, 0x01}, {0x62, 0x05}, {0x63, 0xF5}, {0x64, 0x07}, {0x65, 0x00},
        {0x66, 0x04}, {0x67, 0x01}, {0x68, 0x01}, {0x69, 0x03}, {0x6A, 0x02}, {0x6B, 0x00},
        {0x6C, 0x00}, {0x6D, 0x01}, {0x72, 0x0A}, {0x73, 0x19}, {0x74, 0x07}, {0x75, 0x07},
        {0xD7, 0x4B}, {0xD9, 0x22}};
    for (auto [address, value] : values)
        M.Settings[address] = static_cast<std::uint8_t>(value);
}

AnsiString Shown(TComboBox *Box)
{
    return Box->ItemIndex() < 0 ? AnsiString("<none>") : Box->Items()->Strings(Box->ItemIndex());
}

class OptionsTest : public SimulatedDeviceTest
{
protected:
    void SetUp() override
    {
        SimulatedDeviceTest::SetUp();
        Form->PC_Tabs->SetActivePage(Form->Sheet_Options);
    }

    void Read()
    {
        Sim->ClearFrames();
        Form->BTN_OptionsReadClick(nullptr);
        ASSERT_TRUE(WaitForIdle());
    }

    void Write()
    {
        Sim->ClearFrames();
        Form->BTN_OptionsSaveClick(nullptr);
        ASSERT_TRUE(WaitForIdle());
    }

    std::uint8_t DeviceSetting(int Address) const { return Sim->Snapshot().Settings[Address]; }
};

} // namespace

// ---- read ----

TEST_F(OptionsTest, ReadShowsEveryValueInItsControl)
{
    Sim->Edit(ShowcaseSettings);
    Read();
    const auto frames = FrameBytes();
    ASSERT_EQ(frames.size(), 38u);
    EXPECT_EQ(frames.front(), (Bytes{0xA5, 0x96, 0x00, 0x12, 0x00, 0xA8}));
    EXPECT_EQ(frames.back(), (Bytes{0xA5, 0x96, 0x00, 0xD9, 0x00, 0x6F}));
    EXPECT_EQ(Status(), "  Чтение настроек... успешно!  "_a);
    EXPECT_EQ(StatusColour(), clBtnFace);

    EXPECT_EQ(Form->LB_OptionsCounterRead->Caption(), "300");
    EXPECT_EQ(Form->SL_OptionsCounterSavedDallas->Caption(), "5");
    EXPECT_EQ(Form->SL_OptionsCounterSavedMetacom->Caption(), "0");
    EXPECT_EQ(Form->SL_OptionsCounterSavedCyfral->Caption(), "7");
    EXPECT_EQ(Form->SL_OptionsLimitDallas->Caption(), "255");
    EXPECT_EQ(Form->SL_OptionsLimitMetacom->Caption(), "16");
    EXPECT_EQ(Form->SL_OptionsLastCode->Caption(), "01 02 03 04 05 06 07 08");
    EXPECT_EQ(Shown(Form->CB_OptionsSoundKeys), "Тон"_a);
    EXPECT_EQ(Shown(Form->CB_OptionsSoundSaveRead), "Щелчок"_a);
    EXPECT_EQ(Shown(Form->CB_OptionsLightBattTime), "5");
    EXPECT_EQ(Shown(Form->CB_OptionsLightBattTimeOff), "Откл."_a);
    EXPECT_EQ(Form->TB_OptionsLightBattColors->Position(), 7);
    EXPECT_EQ(Shown(Form->CB_OptionsSettTypeTM), "TM-07");
    EXPECT_EQ(Shown(Form->CB_OptionsSettTypeRFID), "ПР-5С"_a);
    EXPECT_EQ(Shown(Form->CB_OptionsSettSaveModeDallas), "Даллас с финализ."_a);
    EXPECT_EQ(Shown(Form->CB_OptionsSettSaveModeCyfral), "Цифрал-4"_a);
    EXPECT_EQ(Shown(Form->CB_OptionsSettSaveModeMetacom), "Метаком-1 с финализ."_a);
    EXPECT_EQ(Shown(Form->CB_OptionsSettSaveModeProxy), "Прокси без финализ."_a);
    EXPECT_EQ(Shown(Form->CB_OptionsSettReadMode), "Автомат"_a);
    EXPECT_EQ(Shown(Form->CB_OptionsArchiveSave), "Записанные"_a);
    EXPECT_EQ(Shown(Form->CB_OptionsLightBPTime), "10");
    EXPECT_EQ(Shown(Form->CB_OptionsLightBPTimeOff), "25");
    EXPECT_EQ(Form->TB_OptionsLightBPColors->Position(), 0);
    EXPECT_EQ(Shown(Form->CB_OptionsContrast), "50");
    EXPECT_EQ(Form->SL_BiosVersion->Caption(), "34");

    EXPECT_TRUE(Form->OptionsRead);
    EXPECT_TRUE(Form->BTN_OptionsSave->Enabled());
    EXPECT_TRUE(Form->BTN_OptionsRead->Enabled());
    EXPECT_EQ(Form->PB_OptionsStatus->Position(), 38);
}

TEST_F(OptionsTest, ValuesOutsideTheListsSelectWhatThePartsSay)
{
    Form->TB_OptionsLightBattColors->SetPosition(5);
    Sim->Edit([](devsim::Memory &M) {
        M.Settings[0x63] = 0x1A; // 26 s is no item
        M.Settings[0x73] = 0x19;
        M.Settings[0x64] = 0x08; // "-1/7" is no colour level
        M.Settings[0x65] = 0x00;
        M.Settings[0x74] = 0x07; // "0/0" is level 0 and level 28: the first is taken
        M.Settings[0x75] = 0x07;
        M.Settings[0xD7] = 0x20; // -36 is no contrast item
        M.Settings[0x60] = 0x07;
    });
    Form->TB_OptionsLightBPColors->SetPosition(28);
    Read();
    EXPECT_EQ(Shown(Form->CB_OptionsLightBattTimeOff), "<none>");
    EXPECT_EQ(Shown(Form->CB_OptionsLightBPTimeOff), "25");
    EXPECT_EQ(Form->TB_OptionsLightBattColors->Position(), 5);
    EXPECT_EQ(Form->TB_OptionsLightBPColors->Position(), 0);
    EXPECT_EQ(Shown(Form->CB_OptionsContrast), "0");
    EXPECT_EQ(Shown(Form->CB_OptionsSoundKeys), "<none>");
}

TEST_F(OptionsTest, OldFirmwareLosesOneBlankTypeOnceAndANewerDeviceGetsItBack)
{
    Sim->Edit([](devsim::Memory &M) {
        M.Settings[0xD9] = 0xFF;
        M.Settings[0x66] = 0x03;
    });
    const auto items = [&] {
        AnsiString all;
        for (int i = 0; i < Form->CB_OptionsSettTypeTM->Items()->Count(); ++i)
            all += Form->CB_OptionsSettTypeTM->Items()->Strings(i) + ",";
        return all;
    };
    for (int read = 0; read < 2; ++read) {
        Read();
        EXPECT_EQ(Form->SL_BiosVersion->Caption(), "< 34");
        EXPECT_EQ(items(), "TM2004,TM-08,KEY-99,TM-07,UK-2007,");
        EXPECT_EQ(Shown(Form->CB_OptionsSettTypeTM), "TM-07");
    }
    Sim->Edit([](devsim::Memory &M) { M.Settings[0xD9] = 0x23; });
    Read();
    EXPECT_EQ(Form->SL_BiosVersion->Caption(), "35");
    EXPECT_EQ(items(), "TM2004,TM-08,KEY-99,TM-01,TM-07,UK-2007,");
    EXPECT_EQ(Shown(Form->CB_OptionsSettTypeTM), "TM-01");
}

TEST_F(OptionsTest, SilenceInTheMiddleOfAReadChangesNoControl)
{
    Sim->Edit(ShowcaseSettings);
    int frames = 0;
    Sim->SetMonitor([&](const devsim::TExchange &) {
        if (++frames == 20) Sim->SetBehaviour({.Silent = true});
    });
    Read();
    EXPECT_EQ(Status(), NoAnswer());
    EXPECT_EQ(StatusColour(), clRed);
    EXPECT_EQ(Sim->Frames().size(), 21u);
    EXPECT_EQ(Shown(Form->CB_OptionsSoundKeys), "Без звука"_a);
    EXPECT_EQ(Form->LB_OptionsCounterRead->Caption(), "0");
    EXPECT_FALSE(Form->OptionsRead);
    EXPECT_FALSE(Form->BTN_OptionsSave->Enabled());
    EXPECT_TRUE(Form->BTN_OptionsRead->Enabled());
}

// ---- write ----

TEST_F(OptionsTest, WritingWhatWasReadSendsTheSameBytesBack)
{
    Sim->Edit(ShowcaseSettings);
    Read();
    Write();
    const auto frames = FrameBytes();
    ASSERT_EQ(frames.size(), 19u);
    const int addresses[] = {0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69,
                             0x6A, 0x6B, 0x6C, 0x6D, 0x72, 0x73, 0x74, 0x75, 0xD7};
    const int values[] = {0x02, 0x01, 0x05, 0xF5, 0x07, 0x00, 0x04, 0x01, 0x01, 0x03,
                          0x02, 0x00, 0x00, 0x01, 0x0A, 0x19, 0x07, 0x07, 0x4B};
    for (int i = 0; i < 19; ++i) {
        ASSERT_EQ(frames[i].size(), 6u);
        EXPECT_EQ(frames[i][3], addresses[i]) << i;
        EXPECT_EQ(frames[i][4], values[i]) << i;
    }
    EXPECT_EQ(frames[0], (Bytes{0xA5, 0x96, 0x01, 0x60, 0x02, 0xF9}));
    EXPECT_EQ(frames[3], (Bytes{0xA5, 0x96, 0x01, 0x63, 0xF5, 0xEF}));
    EXPECT_EQ(frames[18], (Bytes{0xA5, 0x96, 0x01, 0xD7, 0x4B, 0xB9}));
    EXPECT_EQ(Status(), "  Запись настроек... успешно!  "_a);
    EXPECT_EQ(StatusColour(), clBtnFace);
}

TEST_F(OptionsTest, EveryChangedControlReachesTheDevice)
{
    Read();
    Form->CB_OptionsSoundKeys->SetItemIndex(0);
    Form->CB_OptionsSoundSaveRead->SetItemIndex(2);
    Form->CB_OptionsLightBattTime->SetItemIndex(20);
    Form->CB_OptionsLightBattTimeOff->SetItemIndex(43); // "240"
    Form->TB_OptionsLightBattColors->SetPosition(12);   // "5/7"
    Form->CB_OptionsSettTypeTM->SetItemIndex(5);
    Form->CB_OptionsSettTypeRFID->SetItemIndex(4);
    Form->CB_OptionsSettSaveModeDallas->SetItemIndex(1);
    Form->CB_OptionsSettSaveModeCyfral->SetItemIndex(7);
    Form->CB_OptionsSettSaveModeMetacom->SetItemIndex(3);
    Form->CB_OptionsSettSaveModeProxy->SetItemIndex(1);
    Form->CB_OptionsSettReadMode->SetItemIndex(4);
    Form->CB_OptionsArchiveSave->SetItemIndex(2);
    Form->CB_OptionsLightBPTime->SetItemIndex(0);
    Form->CB_OptionsLightBPTimeOff->SetItemIndex(44); // "Откл."
    Form->TB_OptionsLightBPColors->SetPosition(21);   // "7/0"
    Form->CB_OptionsContrast->SetItemIndex(50);       // "100"
    Write();
    EXPECT_EQ(Status(), "  Запись настроек... успешно!  "_a);
    const std::pair<int, int> expected[] = {
        {0x60, 0}, {0x61, 2},   {0x62, 20}, {0x63, 240}, {0x64, 2},  {0x65, 0}, {0x66, 5},
        {0x67, 4}, {0x68, 1},   {0x69, 7},  {0x6A, 3},   {0x6B, 1},  {0x6C, 4}, {0x6D, 2},
        {0x72, 0}, {0x73, 245}, {0x74, 0},  {0x75, 7},   {0xD7, 100}};
    const devsim::Memory device = Sim->Snapshot();
    for (auto [address, value] : expected)
        EXPECT_EQ(device.Settings[address], value) << std::hex << address;

    // Read back, the controls show what was set.
    Form->CB_OptionsSettReadMode->SetItemIndex(0);
    Read();
    EXPECT_EQ(Shown(Form->CB_OptionsSettReadMode), "Прокси"_a);
    EXPECT_EQ(Shown(Form->CB_OptionsLightBattTimeOff), "240");
    EXPECT_EQ(Form->TB_OptionsLightBPColors->Position(), 21);
    EXPECT_EQ(Shown(Form->CB_OptionsContrast), "100");
}

TEST_F(OptionsTest, RefusedSettingEndsTheWriteInRedNamingItsAddress)
{
    Read();
    Sim->Edit([](devsim::Memory &M) { M.RefusedSettings[0x62] = true; });
    Form->CB_OptionsSoundKeys->SetItemIndex(2);
    Form->CB_OptionsLightBattTime->SetItemIndex(9);
    Form->CB_OptionsLightBattTimeOff->SetItemIndex(0);
    Write();
    EXPECT_EQ(Sim->Frames().size(), 3u);
    EXPECT_EQ(Status(), "  Ошибка при записи настроек!  Адрес 62"_a);
    EXPECT_EQ(StatusColour(), clRed);
    EXPECT_EQ(DeviceSetting(0x60), 2);
    EXPECT_EQ(DeviceSetting(0x62), 5);
    EXPECT_EQ(DeviceSetting(0x63), 0x3C);
    EXPECT_TRUE(Form->BTN_OptionsSave->Enabled());
}

// The adapter pulled out half way through a write: the controls keep what the user chose, and
// a write once the device is back gives it every setting.
TEST_F(OptionsTest, AdapterPulledMidWriteKeepsTheChoicesForTheNextWrite)
{
    Read();
    Form->CB_OptionsSoundKeys->SetItemIndex(2);
    Form->CB_OptionsArchiveSave->SetItemIndex(2);
    Form->CallbackTimer->SetInterval(300);
    Sim->SetBehaviour({.VanishAfter = 5});
    Write();
    EXPECT_EQ(Status(), NoAnswer());
    EXPECT_EQ(StatusColour(), clRed);
    EXPECT_EQ(Shown(Form->CB_OptionsArchiveSave), Form->CB_OptionsArchiveSave->Items()->Strings(2));
    EXPECT_TRUE(Form->BTN_OptionsSave->Enabled());

    PlugInAgain();
    EXPECT_EQ(DeviceSetting(0x60), 2);
    EXPECT_NE(DeviceSetting(0x6D), 2);
    Form->CallbackTimer->SetInterval(3000);
    Write();
    EXPECT_EQ(Status(), "  Запись настроек... успешно!  "_a);
    EXPECT_EQ(DeviceSetting(0x60), 2);
    EXPECT_EQ(DeviceSetting(0x6D), 2);
}

TEST_F(OptionsTest, ControlShowingNoItemWritesBackTheByteItWasGiven)
{
    Sim->Edit([](devsim::Memory &M) {
        M.Settings[0x60] = 0x07;
        M.Settings[0x63] = 0x1A;
        M.Settings[0x6C] = 0x09;
    });
    Read();
    ASSERT_EQ(Form->CB_OptionsSettReadMode->ItemIndex(), -1);
    Form->CB_OptionsSoundSaveRead->SetItemIndex(2);
    Write();
    const auto frames = FrameBytes();
    ASSERT_EQ(frames.size(), 19u);
    for (const Bytes &frame : frames)
        EXPECT_EQ(frame.size(), 6u);
    EXPECT_EQ(DeviceSetting(0x60), 0x07);
    EXPECT_EQ(DeviceSetting(0x61), 0x02);
    EXPECT_EQ(DeviceSetting(0x63), 0x1A);
    EXPECT_EQ(DeviceSetting(0x6C), 0x09);
    EXPECT_EQ(DeviceSetting(0xD7), 0x4B);
}

TEST_F(OptionsTest, WriteCannotBePressedWhileASecondReadRuns)
{
    Sim->Edit(ShowcaseSettings);
    Read();
    ASSERT_TRUE(Form->BTN_OptionsSave->Enabled());
    Form->Show();
    Sim->ClearFrames();
    // Answers slow enough that the read is still running when the test looks.
    Sim->SetBehaviour({.Delay = std::chrono::milliseconds(20)});
    Form->BTN_OptionsReadClick(nullptr);
    ASSERT_TRUE(maintest::PumpUntil([&] { return Form->OptionsReadStep >= 5; }, ExchangeWait));
    EXPECT_FALSE(Form->BTN_OptionsSave->Enabled());
    // Nor does a refused change of tab give it back.
    bool allow = true;
    Form->PC_TabsChanging(Form->PC_Tabs, allow);
    EXPECT_FALSE(allow);
    EXPECT_FALSE(Form->BTN_OptionsSave->Enabled());
    vcltest::Click(Form->BTN_OptionsSave, 10, 10);
    ASSERT_TRUE(WaitForIdle());
    // The read went on to its end, and nothing was written.
    const auto frames = FrameBytes();
    ASSERT_EQ(frames.size(), 38u);
    for (const Bytes &frame : frames)
        EXPECT_EQ(frame[2], 0x00);
    EXPECT_EQ(Status(), "  Чтение настроек... успешно!  "_a);
    EXPECT_EQ(Form->PB_OptionsStatus->Position(), 38);
    EXPECT_TRUE(Form->BTN_OptionsSave->Enabled());
}

// Exit in the middle of a settings write asks, and No lets the write finish.
TEST_F(OptionsTest, ExitDuringASettingsWriteAsksAndNoLetsItFinish)
{
    Sim->Edit(ShowcaseSettings);
    Read();
    Form->CB_OptionsContrast->SetItemIndex(50); // "100", the last setting written
    Form->Show();
    Sim->ClearFrames();
    // Answers slow enough that the write is still running when Exit is pressed.
    Sim->SetBehaviour({.Delay = std::chrono::milliseconds(50)});
    vcltest::Click(Form->BTN_OptionsSave, 10, 10);
    ASSERT_TRUE(maintest::PumpUntil([&] { return Form->OptionsWriteStep >= 5; }, ExchangeWait));
    Dialogs.ReplyMessage(mrNo);
    vcltest::Click(Form->BTN_Quit, 10, 10);
    ASSERT_TRUE(maintest::PumpUntil([&] { return !Dialogs.Messages().empty(); }, ExchangeWait));
    ASSERT_TRUE(WaitForIdle());
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Dialogs.Messages()[0].Text, "Идёт обмен с прибором. Прервать и выйти?"_a);
    EXPECT_EQ(Dialogs.Messages()[0].DefaultButton, mbNo);
    EXPECT_TRUE(Form->Visible());
    EXPECT_EQ(Status(), "  Запись настроек... успешно!  "_a);
    EXPECT_EQ(FrameBytes().size(), 19u);
    EXPECT_EQ(DeviceSetting(0xD7), 100);
}

// ---- colour previews ----

TEST_F(OptionsTest, ColourPreviewsShowTheTrackBarsLevels)
{
    const auto centre = [](TImage *Image) {
        return Image->Canvas()->Pixels(Image->Width() / 2, Image->Height() / 2);
    };
    // At start both show level 0, the backlight switched off.
    EXPECT_EQ(centre(Form->IMG_OptionsLightBattColors), RGB(0, 0, 0));
    EXPECT_EQ(centre(Form->IMG_OptionsLightBPColors), RGB(0, 0, 0));
    Sim->Edit(ShowcaseSettings);
    Read();
    EXPECT_EQ(centre(Form->IMG_OptionsLightBattColors), RGB(0, 255, 0)); // "0/7"
    Form->TB_OptionsLightBPColors->SetPosition(21);
    EXPECT_EQ(centre(Form->IMG_OptionsLightBPColors), RGB(255, 0, 0)); // "7/0"
    Form->TB_OptionsLightBPColors->SetPosition(14);
    EXPECT_EQ(centre(Form->IMG_OptionsLightBPColors), RGB(255, 255, 0)); // "7/7"
    // Each level's colour stands in a grey frame.
    for (TImage *image : {Form->IMG_OptionsLightBattColors, Form->IMG_OptionsLightBPColors})
        for (const auto &[x, y] :
             {std::pair{0, 0}, std::pair{image->Width() - 1, image->Height() - 1}})
            EXPECT_EQ(image->Canvas()->Pixels(x, y), RGB(128, 128, 128)) << x << "," << y;
}
