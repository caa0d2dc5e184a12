// The internet update end to end: a simulated device, and update mirrors served
// by a real HTTP server on the loopback address that misbehaves on purpose.

#include "platform/vcl/ExtCtrls.h"
#include "platform/web/NMHTTP.h"
#include "tests/operations/SimulatedDeviceTest.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/SparseFile.h"
#include "tests/support/TestFolder.h"
#include "tests/vcl/VclTestSupport.h"
#include "tests/web/LoopbackHttpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace optest;
using devsim::Bytes;
using webtest::LoopbackHttpServer;
using webtest::Reply;

namespace
{

const AnsiString FirmwareDone =
    "  Запись прошивки произведена успешно! Перезагрузите программу и прибор!  "_a;
const AnsiString TransferFailed = "  Ошибка при получении файла!  "_a;
const AnsiString StoppedByUser = "  Обновление через интернет прервано пользователем.  "_a;
const char *const Question =
    "Текущая версия и последняя найденная совпадают.\nВсё равно перепрошить?";

std::string Text(const Bytes &Data)
{
    return std::string(Data.begin(), Data.end());
}

class UpdateTest : public SimulatedDeviceTest
{
protected:
    void SetUp() override
    {
        SimulatedDeviceTest::SetUp();
        Form->PC_Tabs->SetActivePage(Form->Sheet_Configure);
        Form->UpdateMirrorUrls = {AnsiString(Server.Url("/m0/")), AnsiString(Server.Url("/m1/")),
                                  AnsiString(Server.Url("/m2/"))};
        Fonts = Random(1024, 3);
        Firmware = Random(24000, 4);
    }

    void SetDeviceVersion(std::uint8_t Version)
    {
        Sim->Edit([Version](devsim::Memory &M) { M.Settings[0xD9] = Version; });
    }

    // A mirror with the list and both files it names.
    void ServeMirror(const std::string &Mirror, const std::string &List,
                     const std::string &FontsPath = "qrv_fonts_1.qrv",
                     const std::string &FirmwarePath = "qrv_firmware_37.qrv")
    {
        Server.Serve(Mirror + "123.txt", {200, List});
        Server.Serve(Mirror + FontsPath, {200, Text(Fonts)});
        Server.Serve(Mirror + FirmwarePath, {200, Text(Firmware)});
    }

    void RunUpdate()
    {
        Sim->ClearFrames();
        Form->BTN_InternetUpdateClick(nullptr);
        ASSERT_TRUE(maintest::PumpUntil(
            [&] { return !Form->UpdateRunning && Form->RunningStep() == TExchangeStep::None; },
            ExchangeWait));
    }

    // Should a mirror hold the update for ever, Stop ends it, and the test fails on what the
    // update did instead of hanging.
    void RunUpdateStoppedIfHeld()
    {
        TTimer rescue(nullptr);
        rescue.SetInterval(20000);
        rescue.OnTimer = [&](TObject *) { Form->BTN_StopInternetClick(nullptr); };
        rescue.SetEnabled(true);
        RunUpdate();
    }

    // The frames after the settings read, which must all be there first.
    std::vector<Bytes> UploadFrames() const
    {
        std::vector<Bytes> frames = FrameBytes();
        EXPECT_GE(frames.size(), 38u);
        frames.erase(frames.begin(), frames.begin() + std::min<std::size_t>(38, frames.size()));
        return frames;
    }

    // The files the update left in the base folder.
    std::vector<std::string> UpdateFiles() const
    {
        std::vector<std::string> names;
        for (const auto &entry : std::filesystem::directory_iterator(Folder)) {
            const std::string name = entry.path().filename().string();
            if (name != "qrv4.cfg" && name != "ports") names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    void ExpectNothingUploaded()
    {
        EXPECT_TRUE(UploadFrames().empty());
        EXPECT_EQ(Sim->Snapshot().Read(0, 1024), Bytes(1024, 0xFF));
        EXPECT_TRUE(Sim->Snapshot().Firmware.empty());
        EXPECT_FALSE(Form->BTN_StopInternet->Visible());
        EXPECT_TRUE(Form->BTN_InternetUpdate->Enabled());
    }

    // The failure in red, followed by each path of the server tried and why it failed.
    void ExpectFailedTransfer(const std::vector<std::pair<std::string, std::string>> &Tried)
    {
        std::string detail;
        for (const auto &[path, why] : Tried)
            detail += (detail.empty() ? "" : "; ") + Server.Url(path) + " - " + why;
        EXPECT_EQ(Status().ToUtf8(), TransferFailed.ToUtf8() + detail);
        EXPECT_EQ(StatusColour(), clRed);
        ExpectNothingUploaded();
    }

    static Bytes Random(std::size_t Size, unsigned Seed)
    {
        Bytes bytes(Size);
        std::mt19937 random(Seed);
        for (auto &b : bytes)
            b = static_cast<std::uint8_t>(random());
        return bytes;
    }

    LoopbackHttpServer Server;
    Bytes Fonts;
    Bytes Firmware;
};

} // namespace

// ---- the update going through ----

TEST_F(UpdateTest, NewerListedVersionIsFetchedAndUploadedWithoutAsking)
{
    SetDeviceVersion(0x23);
    ServeMirror("/m0/", "qrv_fonts_#1.qrv qrv_firmware_37.qrv 37\n", "qrv_fonts_%231.qrv");
    RunUpdate();
    EXPECT_EQ(Status(), FirmwareDone);
    EXPECT_TRUE(Dialogs.Messages().empty());
    EXPECT_EQ(Server.Requests(), (std::vector<std::string>{"/m0/123.txt", "/m0/qrv_fonts_%231.qrv",
                                                           "/m0/qrv_firmware_37.qrv"}));
    EXPECT_EQ(Sim->Snapshot().Read(0, 1024), Fonts);
    EXPECT_EQ(Sim->Snapshot().Firmware, Firmware);

    const auto frames = UploadFrames();
    ASSERT_GT(frames.size(), 10u);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(frames[i].size(), 134u);
    EXPECT_EQ(frames[8], (Bytes{0xA5, 0x99, 0x51, 0x00, 0x00, 0xEA}));
    EXPECT_EQ(frames.size(), 8u + 2u + 750u);

    EXPECT_EQ(UpdateFiles(),
              (std::vector<std::string>{"123.txt", "qrv_firmware_37.qrv", "qrv_fonts_#1.qrv"}));
    EXPECT_EQ(FileText("qrv_fonts_#1.qrv"), Text(Fonts));
    EXPECT_EQ(Form->UpdateFontsName, "qrv_fonts_#1.qrv");
    EXPECT_FALSE(Form->BTN_StopInternet->Visible());
}

TEST_F(UpdateTest, SameVersionAsksAndYesGoesOn)
{
    SetDeviceVersion(0x25);
    ServeMirror("/m0/", "qrv_firmware_37.qrv qrv_fonts_1.qrv 37");
    Dialogs.ReplyMessage(mrYes);
    RunUpdate();
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Dialogs.Messages()[0].Text, AnsiString::FromUtf8(Question));
    EXPECT_EQ(Dialogs.Messages()[0].Caption, "Сообщение"_a);
    EXPECT_EQ(Dialogs.Messages()[0].Type, mtConfirmation);
    EXPECT_EQ(Status(), FirmwareDone);
    EXPECT_EQ(Sim->Snapshot().Read(0, 1024), Fonts);
    EXPECT_EQ(Sim->Snapshot().Firmware, Firmware);
}

TEST_F(UpdateTest, OldFirmwareCountsAsVersionZeroAndNoEndsTheUpdate)
{
    SetDeviceVersion(0xFF);
    ServeMirror("/m0/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 0");
    Dialogs.ReplyMessage(mrNo);
    RunUpdate();
    EXPECT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Status(), StoppedByUser);
    EXPECT_EQ(StatusColour(), clBtnFace);
    EXPECT_EQ(Server.Requests(), std::vector<std::string>{"/m0/123.txt"});
    ExpectNothingUploaded();
}

// ---- mirrors ----

TEST_F(UpdateTest, UnreachableOrFailingMirrorsGiveWayToTheNext)
{
    Form->UpdateMirrorUrls[0] = AnsiString(LoopbackHttpServer::RefusingUrl());
    Server.Serve("/m1/123.txt", {500, "Internal error"});
    SetDeviceVersion(0x25);
    ServeMirror("/m2/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
    Dialogs.ReplyMessage(mrNo);
    RunUpdate();
    EXPECT_EQ(Status(), StoppedByUser);
    EXPECT_EQ(Server.Requests(), (std::vector<std::string>{"/m1/123.txt", "/m2/123.txt"}));
    EXPECT_EQ(UpdateFiles(), std::vector<std::string>{"123.txt"});
}

TEST_F(UpdateTest, SilentMirrorGivesWayToTheNextAfterTheIdleLimit)
{
    webtest::SilentServer silent;
    Form->UpdateMirrorUrls[0] = AnsiString(silent.Url("/m0/"));
    Form->NMHTTP_Update->SetIdleTimeout(300);
    Server.Serve("/m1/123.txt", {200, "qrv_fonts_1.qrv qrv_firmware_37.qrv 37"});
    SetDeviceVersion(0x23);
    RunUpdateStoppedIfHeld();
    EXPECT_EQ(Server.Requests(), (std::vector<std::string>{"/m1/123.txt", "/m1/qrv_fonts_1.qrv"}));
    const std::string status = Status().ToUtf8();
    EXPECT_NE(status.find(silent.Url("/m0/123.txt") + " - Сервер не отвечает дольше"),
              std::string::npos)
        << status;
    EXPECT_NE(status.find(Server.Url("/m1/qrv_fonts_1.qrv") + " - HTTP 404 Scripted"),
              std::string::npos)
        << status;
}

TEST_F(UpdateTest, TricklingMirrorGivesWayToTheNextAfterTheIdleLimit)
{
    Reply trickle{200, "qrv_fonts_1.qrv qrv_firmware_37.qrv 37" + std::string(2000, ' ')};
    trickle.Chunk = 1;
    trickle.Pause = std::chrono::milliseconds(50);
    Server.Serve("/m0/123.txt", trickle);
    Form->NMHTTP_Update->SetIdleTimeout(300);
    ServeMirror("/m1/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
    SetDeviceVersion(0x23);
    RunUpdateStoppedIfHeld();
    EXPECT_EQ(Server.Requests(),
              (std::vector<std::string>{"/m0/123.txt", "/m1/123.txt", "/m1/qrv_fonts_1.qrv",
                                        "/m1/qrv_firmware_37.qrv"}));
    EXPECT_EQ(Status(), FirmwareDone);
    EXPECT_EQ(Sim->Snapshot().Firmware, Firmware);
}

TEST_F(UpdateTest, MirrorsLeftEmptyAreNotAsked)
{
    Form->UpdateMirrorUrls = {"", AnsiString(Server.Url("/m1/")), ""};
    Server.Serve("/m1/123.txt", {500, "Internal error"});
    RunUpdate();
    EXPECT_EQ(Server.Requests(), std::vector<std::string>{"/m1/123.txt"});
    ExpectFailedTransfer({{"/m1/123.txt", "HTTP 500 Scripted"}});
}

TEST_F(UpdateTest, FilesComeFromTheMirrorThatDeliveredTheList)
{
    Server.Serve("/m0/123.txt", {200, ""});
    Server.Serve("/m1/123.txt", {200, "qrv_fonts_1.qrv qrv_firmware_37.qrv 37"});
    SetDeviceVersion(0x23);
    RunUpdate();
    EXPECT_EQ(Server.Requests(),
              (std::vector<std::string>{"/m0/123.txt", "/m1/123.txt", "/m1/qrv_fonts_1.qrv"}));
    ExpectFailedTransfer(
        {{"/m0/123.txt", "пустой файл"}, {"/m1/qrv_fonts_1.qrv", "HTTP 404 Scripted"}});
    EXPECT_EQ(UpdateFiles(), std::vector<std::string>{"123.txt"});
}

TEST_F(UpdateTest, RedirectedListIsFollowed)
{
    Server.Serve("/m0/123.txt", {301, "moved", Server.Url("/moved/123.txt")});
    Server.Serve("/moved/123.txt", {200, "qrv_fonts_1.qrv qrv_firmware_37.qrv 37"});
    SetDeviceVersion(0x25);
    Dialogs.ReplyMessage(mrNo);
    RunUpdate();
    EXPECT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Status(), StoppedByUser);
    EXPECT_EQ(FileText("123.txt"), "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
}

TEST_F(UpdateTest, NoMirrorDeliveringTheListFailsTheUpdate)
{
    Server.Serve("/m2/123.txt", {500, "Internal error"});
    RunUpdate();
    EXPECT_EQ(Server.Requests(),
              (std::vector<std::string>{"/m0/123.txt", "/m1/123.txt", "/m2/123.txt"}));
    ExpectFailedTransfer({{"/m0/123.txt", "HTTP 404 Scripted"},
                          {"/m1/123.txt", "HTTP 404 Scripted"},
                          {"/m2/123.txt", "HTTP 500 Scripted"}});
    EXPECT_TRUE(UpdateFiles().empty());
}

TEST_F(UpdateTest, NetworkModuleThatCannotBeOpenedIsSaidInTheStatusLine)
{
    SetDeviceVersion(30);
    ServeMirror("/m0/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
    TNMHTTP::SetNetworkModule("/nowhere/libqrv4_http.so");
    RunUpdate();
    TNMHTTP::SetNetworkModule("");
    const std::string status = Status().ToUtf8();
    EXPECT_NE(status.find("Ошибка при получении файла!"), std::string::npos) << status;
    EXPECT_NE(status.find("модуль сети"), std::string::npos) << status;
    EXPECT_NE(status.find("/nowhere/libqrv4_http.so"), std::string::npos) << status;
    EXPECT_EQ(StatusColour(), clRed);
    EXPECT_TRUE(Server.Requests().empty());
    ExpectNothingUploaded();
    EXPECT_TRUE(UpdateFiles().empty());
}

// ---- lists and files that are not taken ----

TEST_F(UpdateTest, ListsWithoutOneSafeNameOfEachKindAreRefused)
{
    const char *const lists[] = {
        "a_fonts.qrv b_fonts.qrv 40",
        "../x_fonts.qrv y_firmware.qrv 40",
        "x_fonts.qrv /tmp/y_firmware.qrv 40",
        "x_fonts.txt y_firmware.qrv 40",
        "fonts_firmware.qrv y_firmware.qrv 40",
        "x_fonts.qrv ..\\y_firmware.qrv 40",
        "x_fonts.qrv",
    };
    for (const char *list : lists) {
        SCOPED_TRACE(list);
        Server.Serve("/m0/123.txt", {200, list});
        const std::size_t before = Server.Requests().size();
        RunUpdate();
        EXPECT_EQ(Server.Requests().size(), before + 1);
        ExpectFailedTransfer({{"/m0/123.txt", "в списке нет подходящих имён файлов"}});
    }
    EXPECT_EQ(UpdateFiles(), std::vector<std::string>{"123.txt"});
}

TEST_F(UpdateTest, MissingFontsFileEndsTheUpdateBeforeTheFirmwareIsFetched)
{
    Server.Serve("/m0/123.txt", {200, "qrv_fonts_1.qrv qrv_firmware_37.qrv 37"});
    Server.Serve("/m0/qrv_firmware_37.qrv", {200, Text(Firmware)});
    RunUpdate();
    EXPECT_EQ(Server.Requests().back(), "/m0/qrv_fonts_1.qrv");
    ExpectFailedTransfer({{"/m0/qrv_fonts_1.qrv", "HTTP 404 Scripted"}});
    EXPECT_EQ(UpdateFiles(), std::vector<std::string>{"123.txt"});
}

TEST_F(UpdateTest, FirmwareServerErrorLeavesNoDownloadedFileBehind)
{
    ServeMirror("/m0/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
    Server.Serve("/m0/qrv_firmware_37.qrv", {500, "Internal error"});
    RunUpdate();
    ExpectFailedTransfer({{"/m0/qrv_firmware_37.qrv", "HTTP 500 Scripted"}});
    EXPECT_EQ(UpdateFiles(), std::vector<std::string>{"123.txt"});
}

// A firmware file the user keeps under the listed name is not the update's to take back: the
// fonts it fetched go, the user's file stays as it was.
TEST_F(UpdateTest, AFailedUpdateTakesBackOnlyTheFilesItFetched)
{
    ServeMirror("/m0/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
    Server.Serve("/m0/qrv_firmware_37.qrv", {500, "Internal error"});
    const std::string kept(30000, 'k');
    std::ofstream(Folder / "qrv_firmware_37.qrv", std::ios::binary) << kept;
    RunUpdate();
    ExpectFailedTransfer({{"/m0/qrv_firmware_37.qrv", "HTTP 500 Scripted"}});
    EXPECT_EQ(UpdateFiles(), (std::vector<std::string>{"123.txt", "qrv_firmware_37.qrv"}));
    std::ifstream file(Folder / "qrv_firmware_37.qrv", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), kept);
}

// Files the user keeps under both listed names: the fonts the update fetched over the first
// and the firmware of the wrong size over the second give way to what the user had.
TEST_F(UpdateTest, AFailedUpdatePutsBackTheFilesItReplaced)
{
    ServeMirror("/m0/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
    Server.Serve("/m0/qrv_firmware_37.qrv", {200, std::string(36000, 'x')});
    const std::string fonts(1024, 'u');
    const std::string firmware(30000, 'k');
    std::ofstream(Folder / "qrv_fonts_1.qrv", std::ios::binary) << fonts;
    std::ofstream(Folder / "qrv_firmware_37.qrv", std::ios::binary) << firmware;
    RunUpdate();
    ExpectFailedTransfer({{"/m0/qrv_firmware_37.qrv", "файл больше 35999 байт"}});
    EXPECT_EQ(UpdateFiles(),
              (std::vector<std::string>{"123.txt", "qrv_firmware_37.qrv", "qrv_fonts_1.qrv"}));
    EXPECT_EQ(FileText("qrv_fonts_1.qrv"), fonts);
    EXPECT_EQ(FileText("qrv_firmware_37.qrv"), firmware);
}

// A file under a listed name far larger than any of an update's is not held in memory while
// the update runs: the update ends before fetching over it, says why, and the file stays.
TEST_F(UpdateTest, AFileOfAListedNameTooLargeForAnUpdateEndsItAndStays)
{
    ServeMirror("/m0/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
    const std::filesystem::path firmware = Folder / "qrv_firmware_37.qrv";
    ASSERT_NO_FATAL_FAILURE(testsupport::MakeSparseFile(firmware, 8 * testsupport::GiB));
    RunUpdate();
    ExpectFailedTransfer(
        {{"/m0/qrv_firmware_37.qrv", "прежний файл не читается: файл слишком велик"}});
    EXPECT_EQ(UpdateFiles(), (std::vector<std::string>{"123.txt", "qrv_firmware_37.qrv"}));
    EXPECT_EQ(std::filesystem::file_size(firmware), 8 * testsupport::GiB);
}

TEST_F(UpdateTest, FirmwareCutInTheMiddleLeavesNoFile)
{
    ServeMirror("/m0/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
    Reply cut{200, Text(Firmware)};
    cut.CutAfter = 10000;
    Server.Serve("/m0/qrv_firmware_37.qrv", cut);
    RunUpdate();
    // The reason is the network library's own text.
    const std::string status = Status().ToUtf8();
    const std::string failed =
        (TransferFailed.ToUtf8() + Server.Url("/m0/qrv_firmware_37.qrv") + " - ");
    EXPECT_EQ(status.substr(0, failed.size()), failed);
    EXPECT_GT(status.size(), failed.size());
    EXPECT_EQ(StatusColour(), clRed);
    ExpectNothingUploaded();
    EXPECT_EQ(UpdateFiles(), std::vector<std::string>{"123.txt"});
}

// A disk that fills while the firmware comes: the user reads why in Russian, beside the file's
// name; nothing is uploaded and no file of the update is left.
TEST_F(UpdateTest, ADiskFilledDuringTheDownloadIsToldInRussian)
{
    ServeMirror("/m0/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
    {
        const testsupport::FileSizeLimit full(Firmware.size() / 2);
        RunUpdate();
    }
    ExpectFailedTransfer({{"/m0/qrv_firmware_37.qrv",
                           "Не удалось записать файл qrv_firmware_37.qrv: файл больше, чем "
                           "позволено записать"}});
    EXPECT_EQ(UpdateFiles(), std::vector<std::string>{"123.txt"});
}

// Root updating in a user's folder fetched the firmware to wherever the user's link of that
// name led: a file of root's was written over, or made outside the folder.
TEST_F(UpdateTest, ADownloadGoesThroughNoLinkAUserPutForRoot)
{
    if (geteuid() != 0) GTEST_SKIP() << "only root updates in another user's folder";
    constexpr uid_t User = 65534;
    const struct RootsFolder {
        std::filesystem::path Path = testsupport::FreshTestFolder("qrv4_roots_");
        ~RootsFolder() { testsupport::RemoveTestFolder(Path); }
    } roots;
    ASSERT_EQ(chown(Folder.c_str(), User, User), 0);
    std::filesystem::create_symlink(roots.Path / "made.qrv", Folder / "qrv_firmware_37.qrv");
    ASSERT_EQ(lchown((Folder / "qrv_firmware_37.qrv").c_str(), User, User), 0);
    ServeMirror("/m0/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
    RunUpdate();
    ExpectFailedTransfer({{"/m0/qrv_firmware_37.qrv",
                           "Не удалось записать файл qrv_firmware_37.qrv: ссылка ведёт туда, где "
                           "файла нет"}});
    EXPECT_TRUE(std::filesystem::is_empty(roots.Path)) << "nothing is made outside the folder";
    EXPECT_EQ(UpdateFiles(), (std::vector<std::string>{"123.txt", "qrv_firmware_37.qrv"}));
}

TEST_F(UpdateTest, FilesOfTheWrongSizeAreNotUploaded)
{
    ServeMirror("/m0/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
    Server.Serve("/m0/qrv_firmware_37.qrv", {200, std::string(36000, 'x')});
    RunUpdate();
    ExpectFailedTransfer({{"/m0/qrv_firmware_37.qrv", "файл больше 35999 байт"}});

    Server.Serve("/m0/qrv_firmware_37.qrv", {200, std::string(2'000'000, 'x')});
    RunUpdate();
    ExpectFailedTransfer({{"/m0/qrv_firmware_37.qrv", "файл больше 35999 байт"}});

    Server.Serve("/m0/qrv_firmware_37.qrv", {200, Text(Firmware)});
    Server.Serve("/m0/qrv_fonts_1.qrv", {200, std::string(1025, 'x')});
    RunUpdate();
    ExpectFailedTransfer({{"/m0/qrv_fonts_1.qrv", "файл больше 1024 байт"}});
    EXPECT_EQ(UpdateFiles(), std::vector<std::string>{"123.txt"});
}

// ---- stopping ----

TEST_F(UpdateTest, StopDuringASlowDownloadEndsTheUpdateWithNothingUploaded)
{
    ServeMirror("/m0/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
    Reply slow{200, Text(Firmware)};
    slow.Chunk = 1000;
    slow.Pause = std::chrono::milliseconds(200);
    Server.Serve("/m0/qrv_firmware_37.qrv", slow);
    Form->Show();
    // The user presses Stop once the firmware is coming in.
    TTimer user(nullptr);
    user.SetInterval(50);
    bool pressed = false;
    AnsiString progress;
    int progressMax = -1;
    int progressPosition = -1;
    long long received = 0;
    user.OnTimer = [&](TObject *) {
        if (pressed || Form->NMHTTP_Update->Body() != "qrv_firmware_37.qrv" ||
            Form->NMHTTP_Update->BytesRecvd() < 2000)
            return;
        pressed = true;
        progress = Status();
        progressMax = Form->PB_LoadBios->Max();
        progressPosition = Form->PB_LoadBios->Position();
        received = Form->NMHTTP_Update->BytesRecvd();
        vcltest::Click(Form->BTN_StopInternet, 10, 10);
    };
    user.SetEnabled(true);
    RunUpdate();
    user.SetEnabled(false);
    ASSERT_TRUE(pressed);
    EXPECT_EQ(progress, "  qrv_firmware_37.qrv  -  "_a + IntToStr(received) +
                            " байт  из  24000 байт  скачано...  "_a);
    EXPECT_EQ(progressMax, 23);
    EXPECT_EQ(progressPosition, static_cast<int>(received / 1024));
    EXPECT_EQ(Status(), StoppedByUser);
    EXPECT_EQ(StatusColour(), clBtnFace);
    ExpectNothingUploaded();
    EXPECT_EQ(UpdateFiles(), std::vector<std::string>{"123.txt"});
}

TEST_F(UpdateTest, ClientEventsShowTheirTexts)
{
    Form->NMHTTP_UpdateConnect(Form->NMHTTP_Update);
    EXPECT_EQ(Status(), "  Успешно подсоединились ...   "_a);
    EXPECT_EQ(StatusColour(), clBtnFace);
    Form->NMHTTP_UpdateFailure(Form->NMHTTP_Update, FailureNotFound);
    EXPECT_EQ(Status(), "  Ошибка при получении файла! Файл не найден!  "_a);
    EXPECT_EQ(StatusColour(), clRed);
    Form->NMHTTP_UpdateFailure(Form->NMHTTP_Update, FailureOther);
    EXPECT_EQ(Status(), TransferFailed);
}

TEST_F(UpdateTest, SilentDeviceEndsTheUpdateBeforeAnyDownload)
{
    Sim->SetBehaviour({.Silent = true});
    ServeMirror("/m0/", "qrv_fonts_1.qrv qrv_firmware_37.qrv 37");
    RunUpdate();
    EXPECT_EQ(Status(), NoAnswer());
    EXPECT_TRUE(Server.Requests().empty());
    EXPECT_TRUE(UpdateFiles().empty());
}
