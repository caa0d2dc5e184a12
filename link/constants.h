#pragma once

// The device's vocabulary shared by the whole program: names of key types and
// write modes, LCD colour levels, the character sets of key-cell names, the
// setting addresses, file names and date constants. All texts are cp1251.

#include "platform/rtl/System.h"

#include <array>
#include <vector>

class TConfig;

constexpr int KeyTypeCount = 4;
constexpr int WriteModeCount = 8;
constexpr int LcdLevelCount = 29;
constexpr int OptionsReadCount = 38;
constexpr int OptionsWriteCount = 19;
constexpr int HelpPageCount = 4;
constexpr int MirrorCount = 3;
constexpr int ArchiveColumnCount = 6;
constexpr int WriterColumnCount = 4;

// Caption of the main window.
extern const AnsiString VersionText;

// [key type][0] is the type's name, [key type][1 + mode] the name of write
// mode 0..7; an empty text marks a mode the type does not have.
extern const std::array<std::array<AnsiString, 1 + WriteModeCount>, KeyTypeCount> KeyTypeNames;

// "bright/dark" pairs of the LCD backlight colour, index 0..28.
extern const std::array<AnsiString, LcdLevelCount> LcdColorLevels;

// The device's own 43 characters; a character's 0-based position is its code in a cell.
extern const AnsiString DeviceAlphabet;
// What the name editor of the address-book grid accepts.
extern const AnsiString NameInputChars;

// Base URLs of the update mirrors, in the order they are tried. QRV4_UPDATE_MIRRORS
// (the URLs separated by blanks) replaces them, so tests can serve updates locally.
extern const std::array<AnsiString, MirrorCount> UpdateMirrors;
extern const AnsiString UpdateListName;

extern const std::array<AnsiString, HelpPageCount> HelpPageFiles;

// Setting addresses as two hex digits, in the order the exchanges walk them.
extern const std::array<AnsiString, OptionsReadCount> OptionsReadAddresses;
extern const std::array<AnsiString, OptionsWriteCount> OptionsWriteAddresses;

// The end colour of a tab's status panel: reading from the device, writing to it.
extern const AnsiString ReadingPanelColour;
extern const AnsiString WritingPanelColour;

extern const AnsiString ConfigFileName;
extern const AnsiString GridArchiveFileName;
extern const AnsiString GridWriterFileName;

extern const AnsiString DateTimeFormatText;
// 01.01.1980 00:00:00 and 01.01.1980: what an unreadable archive date becomes.
extern const TDateTime DefaultDateTime;
extern const TDateTime DefaultDate;

extern const std::array<int, ArchiveColumnCount> ArchiveColumnWidths;
extern const std::array<int, WriterColumnCount> WriterColumnWidths;

// The one configuration object, built with its defaults before the main window.
extern TConfig Config;
// Full paths of the grid layout files, made at start-up in the base folder.
extern AnsiString GridArchiveFile;
extern AnsiString GridWriterFile;

// The backlight switch-off times 25, 30, ... 245 seconds; 245 switches it off.
extern std::vector<int> BacklightOffTimes;
void FillBacklightOffTimes();
