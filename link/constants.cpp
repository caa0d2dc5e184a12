#include "link/constants.h"

#include "link/config.h"
#include "platform/rtl/SysUtils.h"

#include <cstdlib>
#include <sstream>
#include <string>

const AnsiString VersionText = " QRV-4  версия 1.51"_a;

const std::array<std::array<AnsiString, 1 + WriteModeCount>, KeyTypeCount> KeyTypeNames = {{
    {"Даллас"_a, "без финализ"_a, "с финализ"_a, "", "", "", "", "", ""},
    {"Метаком"_a, "M1", "M2", "M1+финализ"_a, "M2+финализ"_a, "", "", "", ""},
    {"Цифрал"_a, "C1", "C2", "C3", "C4", "C1+финализ"_a, "C2+финализ"_a, "C3+финализ"_a,
     "C4+финализ"_a},
    {"Прокси"_a, "без финализ"_a, "с финализ"_a, "", "", "", "", "", ""},
}};

const std::array<AnsiString, LcdLevelCount> LcdColorLevels = {
    "0/0", "0/1", "0/2", "0/3", "0/4", "0/5", "0/6", "0/7", "1/7", "2/7",
    "3/7", "4/7", "5/7", "6/7", "7/7", "7/6", "7/5", "7/4", "7/3", "7/2",
    "7/1", "7/0", "6/0", "5/0", "4/0", "3/0", "2/0", "1/0", "0/0"};

const AnsiString DeviceAlphabet = "АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЫЬЭЮЯ.-/0123456789 "_a;

const AnsiString NameInputChars =
    "-АБВГДЕЖЗИКЛМНОПРСТУФХЦЧШЫЬЭЮЯабвгдежзиклмнопрстуфхцчшыьэюя./0123456789 "_a;

namespace
{

std::array<AnsiString, MirrorCount> MakeUpdateMirrors()
{
    std::array<AnsiString, MirrorCount> mirrors = {"http://update1.qrv4.example.net/qrv4/",
                                                   "http://update2.qrv4.example.net/qrv4/",
                                                   "http://update3.qrv4.example.net/qrv4/"};
    if (const char *env = std::getenv("QRV4_UPDATE_MIRRORS")) {
        std::istringstream words(env);
        std::string url;
        for (auto &mirror : mirrors)
            mirror = (words >> url) ? AnsiString(url) : AnsiString();
    }
    return mirrors;
}

} // namespace

const std::array<AnsiString, MirrorCount> UpdateMirrors = MakeUpdateMirrors();
const AnsiString UpdateListName = "123.txt";

const std::array<AnsiString, HelpPageCount> HelpPageFiles = {"info_proga.mht", "info_device.mht",
                                                             "info_cyfral.mht", "info_repair.mht"};

const std::array<AnsiString, OptionsReadCount> OptionsReadAddresses = {
    "12", "13", "14", "15", "16", "17", "18", "19", "1A", "1B", "28", "29", "2A",
    "2B", "2C", "2D", "2E", "2F", "60", "61", "62", "63", "64", "65", "66", "67",
    "68", "69", "6A", "6B", "6C", "6D", "72", "73", "74", "75", "D7", "D9"};

const std::array<AnsiString, OptionsWriteCount> OptionsWriteAddresses = {
    "60", "61", "62", "63", "64", "65", "66", "67", "68", "69",
    "6A", "6B", "6C", "6D", "72", "73", "74", "75", "D7"};

const AnsiString ReadingPanelColour = "#f0ffec";
const AnsiString WritingPanelColour = "#ffefef";

const AnsiString ConfigFileName = "qrv4.cfg";
const AnsiString GridArchiveFileName = "grid_archive.txt";
const AnsiString GridWriterFileName = "grid_writer.txt";

const AnsiString DateTimeFormatText = "yyyy-mm-dd hh:nn:ss";
// Day numbers rather than parsed texts: the texts would read differently under
// another short-date order, and these values are needed before any routine may
// be called during start-up.
const TDateTime DefaultDateTime = 29221.0; // 01.01.1980 00:00:00
const TDateTime DefaultDate = 29221.0;     // 01.01.1980

const std::array<int, ArchiveColumnCount> ArchiveColumnWidths = {77, 142, 122, 141, 81, 304};
const std::array<int, WriterColumnCount> WriterColumnWidths = {77, 236, 109, 326};

// The configuration object comes first: the layout paths below need its base folder.
TConfig Config(ConfigFileName);
AnsiString GridArchiveFile = Config.GetBaseDir() + GridArchiveFileName;
AnsiString GridWriterFile = Config.GetBaseDir() + GridWriterFileName;

std::vector<int> BacklightOffTimes;

void FillBacklightOffTimes()
{
    BacklightOffTimes.clear();
    for (int seconds = 25; seconds <= 245; seconds += 5)
        BacklightOffTimes.push_back(seconds);
}
