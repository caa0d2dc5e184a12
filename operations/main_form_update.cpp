// The internet update: the device's version from a settings read, the update
// list from the first mirror that delivers it, the fonts and firmware files from
// the same mirror, and both uploads. Nothing reaches the device that was not
// fetched whole, named safely and of the right size.

#include "link/config.h"
#include "link/main_form.h"
#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/SysUtils.h"
#include "platform/web/NMHTTP.h"

#include <cstdint>
#include <iomanip>
#include <optional>
#include <sstream>
#include <string>
#include <utility>

namespace
{

const AnsiString FirmwareMask = "*firmware*.qrv";
const AnsiString FontsMask = "*fonts*.qrv";
// Three short words; anything much longer is no update list.
constexpr long long UpdateListMaxSize = 64 * 1024;
// The update's files are tens of kilobytes at most: a file of one of their names above this is
// none of them, and is not held in memory while the update runs.
constexpr std::uint64_t UpdateFileLimit = std::uint64_t(1) << 20;
constexpr int MaxNameLength = 255;
constexpr int UpdateListWordLength = 2047;

bool WildcardMatch(const char *Name, const char *Mask)
{
    if (*Mask == '*')
        return WildcardMatch(Name, Mask + 1) || (*Name && WildcardMatch(Name + 1, Mask));
    if (!*Name) return !*Mask;
    return (*Mask == '?' || *Mask == *Name) && WildcardMatch(Name + 1, Mask + 1);
}

// A name from the network becomes a local file name and part of a URL: only a
// bare name of printable ASCII that fits its pattern is taken.
bool IsSafeUpdateName(const AnsiString &Name, const AnsiString &Mask)
{
    if (Name.IsEmpty() || Name.Length() > MaxNameLength || Name.Pos("..")) return false;
    for (int i = 1; i <= Name.Length(); ++i) {
        const auto c = static_cast<unsigned char>(Name[i]);
        if (c <= ' ' || c >= 0x7F || c == '/' || c == '\\') return false;
    }
    return WildcardMatch(AnsiLowerCase(Name).c_str(), AnsiLowerCase(Mask).c_str());
}

AnsiString UrlEncode(const AnsiString &Name)
{
    AnsiString encoded;
    for (int i = 1; i <= Name.Length(); ++i) {
        const char c = Name[i];
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
        encoded += plain ? AnsiString(c) : "%" + IntToHex(static_cast<unsigned char>(c), 2);
    }
    return encoded;
}

// The first three words of the list; those it does not have are empty.
std::array<AnsiString, 3> ReadUpdateWords(const AnsiString &FileName)
{
    std::array<AnsiString, 3> words;
    std::string bytes;
    if (rtl::ReadFileContent(rtl::SystemPath(FileName), bytes, UpdateFileLimit) != 0) return words;
    std::istringstream list(bytes);
    std::string word;
    for (AnsiString &w : words) {
        if (!(list >> std::setw(UpdateListWordLength) >> word)) break;
        w = word;
    }
    return words;
}

// Why a file of Size bytes is not taken, for the status line.
AnsiString WrongSize(long long Size, long long MinSize, long long MaxSize)
{
    if (Size > MaxSize) return "файл больше "_a + IntToStr(MaxSize) + " байт"_a;
    if (Size <= 0) return "пустой файл"_a;
    return "файл меньше "_a + IntToStr(MinSize) + " байт"_a;
}

} // namespace

void TMainForm::BTN_InternetUpdateClick(TObject *Sender)
{
    UpdateRunning = true;
    BTN_OptionsReadClick(Sender);
}

void TMainForm::StartInternetUpdate()
{
    SetBusy(false);
    BTN_StopInternet->SetVisible(true);
    PB_LoadBios->SetMin(0);
    PB_LoadBios->SetPosition(0);
    PB_LoadBios->SetStep(1);
    FUpdateStopped = false;
    FUpdateFailures = "";
    SetCurrentDir(Config.GetBaseDir());
    DeleteFile(UpdateListName);
    LB_LoadBios->SetCaption("Скачивание списка обновлений..."_a);

    const int mirror = FetchUpdateList();
    if (mirror < 0) {
        FinishInternetUpdate(FUpdateStopped);
        return;
    }
    HideFile(UpdateListName);
    TUpdateList list;
    if (!ReadUpdateList(UpdateListName, list)) {
        NoteUpdateFailure(UpdateMirrorUrls[mirror] + UpdateListName,
                          "в списке нет подходящих имён файлов"_a);
        FinishInternetUpdate(false);
        return;
    }
    UpdateFirmwareName = list.FirmwareName;
    UpdateFontsName = list.FontsName;
    const int deviceVersion = StrToIntDef(SL_BiosVersion->Caption(), 0);
    if (list.Version <= deviceVersion &&
        Application->MessageBox(
            "Текущая версия и последняя найденная совпадают.\nВсё равно перепрошить?"_a,
            "Сообщение"_a, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        FinishInternetUpdate(true);
        return;
    }

    LB_LoadBios->SetCaption("Скачивание обновлений..."_a);
    FUpdateWritten.clear();
    const AnsiString &base = UpdateMirrorUrls[mirror];
    if (!DownloadUpdateFile(base + UrlEncode(UpdateFontsName), UpdateFontsName, FontsSize,
                            FontsSize) ||
        !DownloadUpdateFile(base + UrlEncode(UpdateFirmwareName), UpdateFirmwareName,
                            FirmwareMinSize, FirmwareMaxSize)) {
        TakeBackUpdateFiles();
        FinishInternetUpdate(FUpdateStopped);
        return;
    }
    BTN_StopInternet->SetVisible(false);
    StartFontsUpload(Config.GetBaseDir() + UpdateFontsName);
}

int TMainForm::FetchUpdateList()
{
    // A mirror that is down, answers with an error or has an empty list gives way
    // to the next one.
    for (int mirror = 0; mirror < MirrorCount; ++mirror) {
        // Fewer mirrors than places, as QRV4_UPDATE_MIRRORS may give: the rest are not asked.
        if (UpdateMirrorUrls[mirror].IsEmpty()) continue;
        if (DownloadUpdateFile(UpdateMirrorUrls[mirror] + UpdateListName, UpdateListName, 1,
                               UpdateListMaxSize))
            return mirror;
        DeleteFile(UpdateListName);
        if (FUpdateStopped) break;
    }
    return -1;
}

bool ReadUpdateList(const AnsiString &FileName, TUpdateList &List)
{
    const std::array<AnsiString, 3> words = ReadUpdateWords(FileName);
    const std::array<AnsiString, 2> names = {Trim(words[0]), Trim(words[1])};
    int firmware = -1;
    int fonts = -1;
    int firmwareWords = 0;
    int fontsWords = 0;
    for (int i = 0; i < 2; ++i) {
        if (names[i].Pos("firmware")) {
            firmware = i;
            ++firmwareWords;
        }
        if (names[i].Pos("fonts")) {
            fonts = i;
            ++fontsWords;
        }
    }
    if (firmwareWords != 1 || fontsWords != 1 || firmware == fonts) return false;
    if (!IsSafeUpdateName(names[firmware], FirmwareMask) ||
        !IsSafeUpdateName(names[fonts], FontsMask))
        return false;
    List.FirmwareName = names[firmware];
    List.FontsName = names[fonts];
    List.Version = StrToIntDef(words[2], 0);
    return true;
}

// Half an update is no update: no file it fetched stays to be taken for a good one. A file of
// the same name that it did not replace is the user's, and stays; one that it did replace is
// put back as it was.
void TMainForm::TakeBackUpdateFiles()
{
    for (const TUpdateWritten &Written : FUpdateWritten) {
        if (!Written.Before)
            DeleteFile(Written.FileName);
        else if (const int error = rtl::ReplaceFileContent(Written.FileName, *Written.Before))
            NoteUpdateFailure(Written.FileName,
                              "прежний файл не восстановлен: "_a + rtl::FileErrorText(error));
    }
}

bool TMainForm::DownloadUpdateFile(const AnsiString &URL, const AnsiString &FileName,
                                   long long MinSize, long long MaxSize)
{
    // What the file held is kept until the update has all it needs.
    std::optional<std::string> before;
    if (FileExists(FileName)) {
        std::string bytes;
        if (const int error =
                rtl::ReadFileContent(rtl::SystemPath(FileName), bytes, UpdateFileLimit)) {
            NoteUpdateFailure(URL, "прежний файл не читается: "_a + SysErrorMessage(error));
            return false;
        }
        before = std::move(bytes);
    }
    FDownloadLimit = MaxSize;
    NMHTTP_Update->SetInputFileMode(true);
    NMHTTP_Update->SetBody(FileName);
    try {
        NMHTTP_Update->Get(URL);
    } catch (const EHTTPError &E) {
        if (FUpdateStopped) return false;
        // A file cut short for its size was cancelled here, which says nothing to the user.
        NoteUpdateFailure(URL, NMHTTP_Update->BytesRecvd() > MaxSize
                                   ? WrongSize(MaxSize + 1, MinSize, MaxSize)
                                   : E.Message());
        return false;
    }
    FUpdateWritten.push_back({FileName, std::move(before)});
    if (FUpdateStopped) return false;
    const long long size = FileSizeByName(FileName);
    if (size >= MinSize && size <= MaxSize) return true;
    NoteUpdateFailure(URL, WrongSize(size, MinSize, MaxSize));
    return false;
}

void TMainForm::NoteUpdateFailure(const AnsiString &URL, const AnsiString &Reason)
{
    if (!FUpdateFailures.IsEmpty()) FUpdateFailures += "; ";
    FUpdateFailures += URL + " - " + Reason;
}

void TMainForm::FinishInternetUpdate(bool UserAbort)
{
    if (UserAbort)
        ShowStatusMessage("Обновление через интернет прервано пользователем."_a, "", smNeutral);
    else // which address failed and why, so that a mirror can be checked or another chosen
        ShowStatusMessage("Ошибка при получении файла!"_a, FUpdateFailures, smError);
    BTN_StopInternet->SetVisible(false);
    SetBusy(true);
    UpdateRunning = false;
}

void TMainForm::NMHTTP_UpdateConnect(TObject *)
{
    ShowStatusMessage("Успешно подсоединились ... "_a, "", smNeutral);
}

void TMainForm::NMHTTP_UpdateFailure(TObject *, int Cmd)
{
    ShowStatusMessage(Cmd == FailureNotFound ? "Ошибка при получении файла! Файл не найден!"_a
                                             : "Ошибка при получении файла!"_a,
                      "", smError);
}

void TMainForm::NMHTTP_UpdatePacketRecvd(TObject *)
{
    const long long received = NMHTTP_Update->BytesRecvd();
    const long long total = NMHTTP_Update->BytesTotal();
    ShowStatusMessage(NMHTTP_Update->Body() + "  -  " + IntToStr(received) + " байт  из  "_a +
                          IntToStr(total) + " байт  скачано..."_a,
                      "", smNeutral);
    PB_LoadBios->SetMax(static_cast<int>(total / 1024));
    PB_LoadBios->SetPosition(static_cast<int>(received / 1024));
    // A file larger than any good one is cut short rather than fetched to the end.
    if (received > FDownloadLimit) NMHTTP_Update->Cancel();
}

void TMainForm::BTN_StopInternetClick(TObject *)
{
    FUpdateStopped = true;
    NMHTTP_Update->Cancel();
    UpdateRunning = false;
}
