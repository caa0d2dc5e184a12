#pragma once

// The program's settings: one object for the whole process and its INI file
// "qrv4.cfg" in the base folder.

#include "platform/rtl/System.h"

class TConfig
{
public:
    // Takes the current folder as the base folder for good: every data file of
    // the program lives there, whatever folder the dialogs move to later.
    explicit TConfig(const AnsiString &AFileName);

    // The base folder with its trailing delimiter.
    AnsiString GetBaseDir() const;
    AnsiString FilePath() const { return GetBaseDir() + FileName; }

    AnsiString FileName;
    AnsiString BaseDir;
    int Left = 100;
    int Top = 100;
    int COM_port = 1;
    int COM_speed = 9600;
    AnsiString DebugFile;
    AnsiString Bios_file;
    AnsiString Fonts_file;
    AnsiString SellerName;
    AnsiString SellerAddress;
    AnsiString SellerBank;
    double PriceDallas = 100.0;
    double PriceMetacom = 200.0;
    double PriceCyfral = 300.0;
    double PriceProxy = 400.0;
    int CountTovcheck = 1;
    AnsiString ProductName;
    bool TypeKey = true;
    bool KeyHex = true;
    // The last ReadConfig found the file spoilt: unreadable, not a settings file, no key of
    // ours in it, or a value that had to take its fallback.
    bool Damaged = false;
};

// Reads every key into Cfg; a missing key leaves its field alone, a malformed
// number takes its fallback. A missing file is written with the current values
// and gives false; anything else gives true. A file in UTF-8 is read as such; a
// spoilt one is kept as a copy ("qrv4.cfg.bad"), for no more users than could read it, before
// any save replaces it; one too large for settings is not read but moved there, and the
// current values are written in its place.
bool ReadConfig(TConfig &Cfg);
// Writes every key in the file's fixed order, in cp1251, the file replaced whole in
// one go. Returns 0; the error of the write, with the file as it was (a link of another user
// refused too); or ConfigNotRead, when the file is there but could not be read and is left to
// the user (a read's error would tell a wrong reason in a save's words).
constexpr int ConfigNotRead = -1;
int WriteConfig(const TConfig &Cfg);

// Whether the file holds every setting of Cfg as Cfg has it, the window's place apart: false
// when a change the user made was not written.
bool FileHoldsConfig(const TConfig &Cfg);

// Marks a file the program keeps in the base folder (this one, the grid layouts, the update
// list) hidden and system, as on Windows; the attributes mean nothing here and leave the
// file's modes as they are.
void HideFile(const AnsiString &Path);

// The base folder taken by one program: a second program in the same folder would
// overwrite the first one's settings. The lock lasts as long as the object.
class TBaseDirLock
{
public:
    explicit TBaseDirLock(const TConfig &Cfg);
    ~TBaseDirLock();
    TBaseDirLock(const TBaseDirLock &) = delete;
    TBaseDirLock &operator=(const TBaseDirLock &) = delete;

    // Another program holds the folder.
    bool Busy() const { return FBusy; }

private:
    int FHandle = -1;
    bool FBusy = false;
};

// The file in the base folder whose lock TBaseDirLock holds.
extern const char BaseDirLockName[];
