// Firmware and fonts upload: the file checks, the device's firmware loader with
// its own frames, and the fonts written as eight ordinary blocks.

#include "link/config.h"
#include "link/constants.h"
#include "link/hex_text.h"
#include "link/main_form.h"
#include "platform/rtl/ClassesStreams.h"
#include "platform/rtl/FileAccess.h"
#include "platform/rtl/SysUtils.h"

#include <chrono>
#include <thread>
#include <utility>

namespace
{

constexpr int FirmwareBlockSize = 32;
constexpr int FontsBlockSize = 128;

const AnsiString EnterLoaderFrame = "A599510000EA";
const AnsiString LoaderReady = "0F0F03FD";
const AnsiString BlockAccepted = "0F0F02FE";

// The loader's own pauses between its steps.
constexpr int LoaderPauseTime = 1000;

// A failure's red line stays in sight this long before the upload's own end text.
void Pause(int Milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

bool ChooseFile(TOpenDialog *Dialog, const AnsiString &Filter, const AnsiString &Current,
                const AnsiString &Title)
{
    Dialog->SetFilter(Filter);
    Dialog->SetInitialDir(ExtractFilePath(Current));
    Dialog->SetTitle(Title);
    Dialog->SetFileName("");
    return Dialog->Execute();
}

AnsiString HexOf(const std::vector<std::uint8_t> &Image, std::size_t Offset, std::size_t Count)
{
    return BytesToHex(Image.data() + Offset, static_cast<int>(Count));
}

// Size bytes of Stream into Image; false when fewer are there, or more.
bool ReadExactly(TStream &Stream, long long Size, std::vector<std::uint8_t> &Image)
{
    // One byte more than the size is enough to tell a file that grew.
    Image.resize(static_cast<std::size_t>(Size + 1));
    long long got = 0;
    for (int n; got < Size + 1; got += n) {
        n = Stream.Read(Image.data() + got, static_cast<int>(Size + 1 - got));
        if (n <= 0) break;
    }
    Image.resize(static_cast<std::size_t>(Size));
    return got == Size;
}

} // namespace

// Read whole once, so what is sent is what was checked, however the file changes meanwhile.
// A failed read looks like the end of the file, so the image counts only when exactly the
// size the open file has was read: an image cut short must never reach the device.
bool TMainForm::LoadUploadImage(const AnsiString &FileName, std::vector<std::uint8_t> &Image,
                                long long MinSize, long long MaxSize)
{
    Image.clear();
    std::unique_ptr<TFileStream> file;
    try {
        file = std::make_unique<TFileStream>(FileName, fmOpenRead | fmShareDenyNone);
    } catch (const Exception &) {
        FailUpload("Не могу открыть файл - "_a + FileName);
        return false;
    }
    // A pipe or a device has no size and is refused here.
    const long long size = file->Size();
    if (size >= MinSize && size <= MaxSize && ReadExactly(*file, size, Image)) return true;
    Image.clear();
    FailUpload("Ошибка чтения файла - "_a + FileName);
    return false;
}

void TMainForm::FailUpload(const AnsiString &Message)
{
    ShowStatusMessage(Message, "", smError);
    Pause(2000);
}

void TMainForm::StartProgress(TProgressBar *Bar, int Max)
{
    Bar->SetMin(0);
    Bar->SetMax(Max);
    Bar->SetPosition(0);
    Bar->SetStep(1);
}

void TMainForm::ShowBlockProgress(int Block)
{
    PB_LoadBios->StepIt();
    LB_LoadBios->SetCaption("Запись блока ... "_a + IntToStr(Block));
    ShowStatusMessage("Запись блока ... "_a, IntToStr(Block), smNeutral);
}

// ---- firmware ----

void TMainForm::BTN_LoadBiosClick(TObject *Sender)
{
    const rtl::TCurrentDirKeeper keeper;
    if (!ChooseFile(DLG_LoadBios, "Файл прошивки (*firmware*.qrv)|*firmware*.qrv"_a, BiosFileName,
                    "Открыть прошивку"_a))
        return;
    const AnsiString name = DLG_LoadBios->FileName();
    const long long size = FileSizeByName(name);
    if (size < FirmwareMinSize || size > FirmwareMaxSize) {
        Application->MessageBox("Не подходящий размер файла!\nВозможно это не файл с прошивкой!"_a,
                                "Ошибка!"_a, MB_OK | MB_ICONERROR);
        return;
    }
    if (!BTN_OpenCOMPortClick(Sender)) return;
    EnterFirmwareLoader(name);
}

void TMainForm::EnterFirmwareLoader(const AnsiString &FileName)
{
    LB_LoadBios->SetCaption("Подготовка к записи..."_a);
    ShowStatusMessage("Подготовка к записи..."_a, "", smNeutral);
    SetBusy(false);
    BiosFileName = FileName;
    // Checked before the device leaves its normal work: a bad file must not strand it
    // in the loader.
    if (!LoadUploadImage(FileName, FFirmwareImage, FirmwareMinSize, FirmwareMaxSize)) {
        FinishFirmwareUpload(false);
        return;
    }
    FirmwareLoaderStep = 0;
    ExpectedLength = 4;
    SendHexCommand(EnterLoaderFrame);
    LoaderPause([this] {
        SendHexCommand(LoaderReady);
        LoaderPause({});
    });
}

// The pauses are timer steps, so the window keeps painting and handling input through them;
// an answer that comes meanwhile waits in the input ring until the last pause is over.
void TMainForm::LoaderPause(std::function<void()> Then)
{
    FAfterLoaderPause = std::move(Then);
    LoaderPauseTimer->SetInterval(LoaderPauseTime);
    // The pause is the device's time after the frame just asked for; a frame held for a quiet
    // line takes its pause along.
    FLoaderPauseHeld = !FHeldFrames.empty();
    LoaderPauseTimer->SetEnabled(!FLoaderPauseHeld);
}

void TMainForm::LoaderPauseTimerTimer(TObject *)
{
    LoaderPauseTimer->SetEnabled(false);
    const std::function<void()> then = std::exchange(FAfterLoaderPause, nullptr);
    if (then) then();
    if (!LoaderPauseTimer->Enabled()) CommPort1DataReceived(CommPort1, 0);
}

void TMainForm::FirmwareLoaderReceived(const AnsiString &Answer)
{
    if (Answer != LoaderReady) {
        FinishFirmwareUpload(false);
        return;
    }
    FirmwareLoaderStep = 1;
    ExpectedLength = 4;
    LB_LoadBios->SetCaption("Подготовка к записи успешно!"_a);
    ShowStatusMessage("Подготовка к записи успешно!"_a, "", smNeutral);
    LoaderPause([this] {
        FirmwareLoaderStep = -1;
        StartFirmwareBlocks();
    });
}

void TMainForm::StartFirmwareBlocks()
{
    StartProgress(PB_LoadBios, static_cast<int>(FFirmwareImage.size()) / FirmwareBlockSize);
    FirmwareBlockStep = 0;
    ExpectedLength = 4;
    FirmwareBlockReceived(BlockAccepted);
}

void TMainForm::FirmwareBlockReceived(const AnsiString &Answer)
{
    if (Answer != BlockAccepted) {
        FailUpload("Неизвестный ответ от прибора при прошивке... "_a + Answer);
        FinishFirmwareUpload(false);
        return;
    }
    const std::size_t offset = static_cast<std::size_t>(FirmwareBlockStep) * FirmwareBlockSize;
    if (offset >= FFirmwareImage.size()) {
        FinishFirmwareUpload(true);
        return;
    }
    const std::size_t count =
        std::min<std::size_t>(FirmwareBlockSize, FFirmwareImage.size() - offset);
    const AnsiString body =
        "02" + IntToHex(static_cast<int>(offset), 4) + HexOf(FFirmwareImage, offset, count);
    ++FirmwareBlockStep;
    ShowBlockProgress(FirmwareBlockStep);
    SendHexCommand("0F0F" + body + HexChecksum(body, true));
}

void TMainForm::FinishFirmwareUpload(bool Success)
{
    FirmwareBlockStep = -1;
    FFirmwareImage.clear();
    ResetExchange();
    SetBusy(true);
    if (Success)
        ShowStatusMessage(
            "Запись прошивки произведена успешно! Перезагрузите программу и прибор!"_a, "",
            smNotice);
    else
        ShowStatusMessage("Ошибка при записи прошивки!"_a, "", smError);
    UpdateRunning = false;
}

// ---- fonts ----

void TMainForm::BTN_LoadFontsClick(TObject *Sender)
{
    const rtl::TCurrentDirKeeper keeper;
    if (!ChooseFile(DLG_LoadBios, "Файл шрифтов (*fonts*.qrv)|*fonts*.qrv"_a, FontsFileName,
                    "Открыть шрифты"_a))
        return;
    const AnsiString name = DLG_LoadBios->FileName();
    if (FileSizeByName(name) != FontsSize) {
        Application->MessageBox("Размер файла не 1024 байта!\nВозможно это не файл со шрифтами!"_a,
                                "Ошибка!"_a, MB_OK | MB_ICONERROR);
        return;
    }
    if (!BTN_OpenCOMPortClick(Sender)) return;
    StartFontsUpload(name);
}

void TMainForm::StartFontsUpload(const AnsiString &FileName)
{
    FontsFileName = FileName;
    SetBusy(false);
    if (!LoadUploadImage(FileName, FFontsImage, FontsSize, FontsSize)) {
        FinishFontsUpload(false);
        return;
    }
    StartProgress(PB_LoadBios, static_cast<int>(FFontsImage.size()) / FontsBlockSize);
    FontsBlockStep = 0;
    ExpectedLength = 1;
    LB_LoadBios->SetCaption("Запись шрифтов..."_a);
    ShowStatusMessage("Запись шрифтов..."_a, "", smNeutral);
    FontsAnswerHex = "";
    FontsBlockReceived("");
}

void TMainForm::FontsBlockReceived(const AnsiString &Answer)
{
    if (Answer != FontsAnswerHex) {
        FailUpload("Неизвестный ответ от прибора при записи шрифтов... "_a + Answer);
        FinishFontsUpload(false);
        return;
    }
    const std::size_t offset = static_cast<std::size_t>(FontsBlockStep) * FontsBlockSize;
    if (offset >= FFontsImage.size()) {
        FinishFontsUpload(true);
        return;
    }
    // Every block is whole: the image was checked to be exactly eight of them.
    const AnsiString body = "75" + IntToHex(static_cast<int>(offset), 4) + "80" +
                            HexOf(FFontsImage, offset, FontsBlockSize);
    FontsAnswerHex = HexChecksum(body, false);
    ++FontsBlockStep;
    ShowBlockProgress(FontsBlockStep);
    SendHexCommand("A5" + body + FontsAnswerHex);
}

void TMainForm::FinishFontsUpload(bool Success)
{
    FontsBlockStep = -1;
    FFontsImage.clear();
    ResetExchange();
    SetBusy(true);
    if (!Success) {
        ShowStatusMessage("Ошибка при записи шрифтов!"_a, "", smError);
        UpdateRunning = false;
        return;
    }
    ShowStatusMessage("Запись шрифтов произведена успешно! Перезагрузите прибор!"_a, "", smNotice);
    if (UpdateRunning) EnterFirmwareLoader(Config.GetBaseDir() + UpdateFirmwareName);
}
