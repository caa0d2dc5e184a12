#pragma once

// A registry of our own in place of the Windows one. The current user's keys
// are folders under $XDG_CONFIG_HOME/qrv4/registry/HKEY_CURRENT_USER (or
// ~/.config/...), each holding a "values" file and a "keys" folder of subkeys;
// names compare without case. The local machine's keys are read-only and come
// from providers the platform registers (the serial ports, for one).

#include "platform/rtl/IniFiles.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The same handle type as the Win32 layer declares.
struct HKEY__;
using HKEY = HKEY__ *;

#ifndef HKEY_CLASSES_ROOT
#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u)))
#endif
#ifndef HKEY_CURRENT_USER
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
#endif
#ifndef HKEY_LOCAL_MACHINE
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002u)))
#endif
#ifndef HKEY_USERS
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000003u)))
#endif

QRV4_DECLARE_EXCEPTION(ERegistryException, Exception)

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

namespace rtl
{

// One value of a key: text without its terminating NUL, an integer as four
// little-endian bytes, binary data as it is.
struct RegistryValue {
    AnsiString Name;
    TRegDataType Type = rdUnknown;
    std::string Data;

    static RegistryValue String(const AnsiString &Name, const AnsiString &Text);
    static RegistryValue Integer(const AnsiString &Name, std::int32_t Value);
};

// The folder that holds the current user's keys.
std::string RegistryFolder();

// Key paths are relative to Root, parts separated by "\". Writes succeed only
// under the current user; every failure answers false.
bool RegistryKeyExists(HKEY Root, const AnsiString &Path);
bool RegistryCreateKey(HKEY Root, const AnsiString &Path);
bool RegistryDeleteKey(HKEY Root, const AnsiString &Path); // with its subkeys
std::vector<AnsiString> RegistryKeyNames(HKEY Root, const AnsiString &Path);
std::vector<RegistryValue> RegistryValues(HKEY Root, const AnsiString &Path);
bool RegistrySetValue(HKEY Root, const AnsiString &Path, const RegistryValue &Value);
bool RegistryDeleteValue(HKEY Root, const AnsiString &Path, const AnsiString &Name);

// Serves the local machine's key at Path (and makes its parents exist) with
// the values Provider gives each time the key is read.
void RegisterMachineKey(const AnsiString &Path,
                        std::function<std::vector<RegistryValue>()> Provider);

} // namespace rtl

// Access rights; only whether writing is asked for matters here.
inline constexpr std::uint32_t KEY_READ = 0x20019;
inline constexpr std::uint32_t KEY_WRITE = 0x20006;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

// The class library's registry object over the store above. Keys opened with
// CanCreate, read-only, or relative to the open key, as the class library does.
class TRegistry : public TObject
{
    QRV4_CLASS(TRegistry, TObject)

public:
    TRegistry() = default;
    explicit TRegistry(std::uint32_t AAccess) : FAccess(AAccess) {}

    HKEY RootKey() const { return FRootKey; }
    void SetRootKey(HKEY Value);
    // Non-null while a key is open; it names no Win32 handle.
    HKEY CurrentKey() const;
    const AnsiString &CurrentPath() const { return FCurrentPath; }
    std::uint32_t Access() const { return FAccess; }
    void SetAccess(std::uint32_t Value) { FAccess = Value; }

    bool OpenKey(const AnsiString &Key, bool CanCreate);
    bool OpenKeyReadOnly(const AnsiString &Key);
    void CloseKey();
    // Raises ERegistryException when the key cannot be made.
    bool CreateKey(const AnsiString &Key);
    bool DeleteKey(const AnsiString &Key);
    bool KeyExists(const AnsiString &Key);
    bool HasSubKeys();
    void GetKeyNames(TStrings *Strings);

    void GetValueNames(TStrings *Strings);
    bool ValueExists(const AnsiString &Name);
    TRegDataType GetDataType(const AnsiString &ValueName);
    // -1 when there is no such value.
    int GetDataSize(const AnsiString &ValueName);
    bool DeleteValue(const AnsiString &Name);

    // A missing value reads as the empty text; one of another type raises.
    AnsiString ReadString(const AnsiString &Name);
    void WriteString(const AnsiString &Name, const AnsiString &Value);
    void WriteExpandString(const AnsiString &Name, const AnsiString &Value);
    // A missing value or one of another type raises ERegistryException.
    int ReadInteger(const AnsiString &Name);
    void WriteInteger(const AnsiString &Name, int Value);
    bool ReadBool(const AnsiString &Name) { return ReadInteger(Name) != 0; }
    void WriteBool(const AnsiString &Name, bool Value) { WriteInteger(Name, Value ? 1 : 0); }
    // Floats and dates are eight bytes of binary data.
    double ReadFloat(const AnsiString &Name);
    void WriteFloat(const AnsiString &Name, double Value);
    TDateTime ReadDateTime(const AnsiString &Name) { return ReadFloat(Name); }
    void WriteDateTime(const AnsiString &Name, TDateTime Value) { WriteFloat(Name, Value); }
    int ReadBinaryData(const AnsiString &Name, void *Buffer, int BufSize);
    void WriteBinaryData(const AnsiString &Name, const void *Buffer, int BufSize);

protected:
    // Runs Action with Key open (made first when Create is set), then reopens
    // the key that was open before; false, without running it, when Key cannot
    // be opened. An empty Key is the open key itself.
    bool WithKey(const AnsiString &Key, bool Create, const std::function<void()> &Action);

private:
    // The full path of Key: from the root when it starts with "\" or no key is
    // open, else below the open key.
    AnsiString Resolve(const AnsiString &Key) const;
    bool Writable() const;
    const rtl::RegistryValue *Find(const std::vector<rtl::RegistryValue> &Values,
                                   const AnsiString &Name) const;
    rtl::RegistryValue GetData(const AnsiString &Name);
    void PutData(const rtl::RegistryValue &Value);

    HKEY FRootKey = HKEY_CURRENT_USER;
    std::uint32_t FAccess = KEY_ALL_ACCESS;
    bool FOpen = false;
    bool FReadOnly = false;
    AnsiString FCurrentPath;
};

// A registry key used as a settings file: each section is a subkey of the key
// named at creation, each ident a value. Integers are stored as text.
class TRegIniFile : public TRegistry
{
    QRV4_CLASS(TRegIniFile, TRegistry)

public:
    explicit TRegIniFile(const AnsiString &FileName, std::uint32_t AAccess = KEY_ALL_ACCESS);
    const AnsiString &FileName() const { return FFileName; }

    AnsiString ReadString(const AnsiString &Section, const AnsiString &Ident,
                          const AnsiString &Default);
    void WriteString(const AnsiString &Section, const AnsiString &Ident, const AnsiString &Value);
    int ReadInteger(const AnsiString &Section, const AnsiString &Ident, int Default);
    void WriteInteger(const AnsiString &Section, const AnsiString &Ident, int Value);
    bool ReadBool(const AnsiString &Section, const AnsiString &Ident, bool Default);
    void WriteBool(const AnsiString &Section, const AnsiString &Ident, bool Value);
    void ReadSection(const AnsiString &Section, TStrings *Strings);
    void ReadSections(TStrings *Strings);
    void ReadSectionValues(const AnsiString &Section, TStrings *Strings);
    void EraseSection(const AnsiString &Section);
    void DeleteKey(const AnsiString &Section, const AnsiString &Ident);

    // Runs Action with the section's key open; see WithKey.
    bool InSection(const AnsiString &Section, bool Create, const std::function<void()> &Action)
    {
        return WithKey(Section, Create, Action);
    }

private:
    AnsiString FFileName;
};

// The settings-file interface over a TRegIniFile, for code that takes any
// TCustomIniFile. Integers are stored as numbers unless text is there already;
// floats and dates as binary data.
class TRegistryIniFile : public TCustomIniFile
{
    QRV4_CLASS(TRegistryIniFile, TCustomIniFile)

public:
    explicit TRegistryIniFile(const AnsiString &FileName, std::uint32_t AAccess = KEY_ALL_ACCESS);
    TRegIniFile *RegIniFile() { return &FRegIniFile; }

    AnsiString ReadString(const AnsiString &Section, const AnsiString &Ident,
                          const AnsiString &Default) override;
    void WriteString(const AnsiString &Section, const AnsiString &Ident,
                     const AnsiString &Value) override;
    int ReadInteger(const AnsiString &Section, const AnsiString &Ident, int Default) override;
    void WriteInteger(const AnsiString &Section, const AnsiString &Ident, int Value) override;
    double ReadFloat(const AnsiString &Section, const AnsiString &Ident, double Default) override;
    void WriteFloat(const AnsiString &Section, const AnsiString &Ident, double Value) override;
    TDateTime ReadDate(const AnsiString &Section, const AnsiString &Ident,
                       TDateTime Default) override;
    void WriteDate(const AnsiString &Section, const AnsiString &Ident, TDateTime Value) override;
    TDateTime ReadDateTime(const AnsiString &Section, const AnsiString &Ident,
                           TDateTime Default) override;
    void WriteDateTime(const AnsiString &Section, const AnsiString &Ident,
                       TDateTime Value) override;
    TDateTime ReadTime(const AnsiString &Section, const AnsiString &Ident,
                       TDateTime Default) override;
    void WriteTime(const AnsiString &Section, const AnsiString &Ident, TDateTime Value) override;
    void ReadSection(const AnsiString &Section, TStrings *Strings) override;
    void ReadSections(TStrings *Strings) override;
    void ReadSectionValues(const AnsiString &Section, TStrings *Strings) override;
    void EraseSection(const AnsiString &Section) override;
    void DeleteKey(const AnsiString &Section, const AnsiString &Ident) override;
    void UpdateFile() override {}

private:
    double ReadBinaryFloat(const AnsiString &Section, const AnsiString &Ident, double Default);
    void WriteBinaryFloat(const AnsiString &Section, const AnsiString &Ident, double Value);

    TRegIniFile FRegIniFile;
};
