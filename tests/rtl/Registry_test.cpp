#include "platform/rtl/Registry.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/SparseFile.h"
#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>

namespace
{

namespace fs = std::filesystem;

// Every test gets its own configuration folder.
class RegistryTest : public testing::Test
{
protected:
    void SetUp() override
    {
        Folder = testsupport::TestPath("qrv4_reg_");
        fs::remove_all(Folder);
        const char *old = std::getenv("XDG_CONFIG_HOME");
        Saved = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_CONFIG_HOME", Folder.c_str(), 1);
    }
    void TearDown() override
    {
        if (Saved)
            setenv("XDG_CONFIG_HOME", Saved->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(Folder);
    }
    fs::path UserKey(const std::string &Path) const
    {
        fs::path p = Folder / "qrv4/registry/HKEY_CURRENT_USER";
        std::string rest = Path;
        while (!rest.empty()) {
            auto cut = rest.find('\\');
            p /= "keys";
            p /= rest.substr(0, cut);
            rest = cut == std::string::npos ? "" : rest.substr(cut + 1);
        }
        return p;
    }
    static std::string FileText(const fs::path &Path)
    {
        std::ifstream in(Path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path Folder;
    std::optional<std::string> Saved;
};

std::string Lines(const TStrings &List)
{
    std::string out;
    for (int i = 0; i < List.Count(); ++i)
        out += (i ? "|" : "") + List[i].ToStd();
    return out;
}

template <class E> std::string MessageOf(const std::function<void()> &Action)
{
    try {
        Action();
    } catch (const E &e) {
        return e.Message().ToStd();
    }
    return "no exception";
}

} // namespace

// ---------------------------------------------------------------------------

using TRegistryUser = RegistryTest;

TEST_F(TRegistryUser, ValuesPersistInTheConfigurationFolder)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("\\Software\\Zedo Vevuvuz\\MRUFont", true));
        EXPECT_EQ(reg.CurrentPath(), "Software\\Zedo Vevuvuz\\MRUFont");
        reg.WriteString("Font0", "Arial");
        reg.WriteInteger("FontType0", 4);
    }
    fs::path key = UserKey("Software\\Zedo Vevuvuz\\MRUFont");
    EXPECT_EQ(FileText(key / "values"), "\"Font0\"=\"Arial\"\n\"FontType0\"=dword:00000004\n");
    TRegistry again;
    ASSERT_TRUE(again.OpenKey("software\\ZEDO VEVUVUZ\\mrufont", false));
    EXPECT_EQ(again.ReadString("FONT0"), "Arial");
    EXPECT_EQ(again.ReadInteger("fonttype0"), 4);
    EXPECT_EQ(again.GetDataType("Font0"), rdString);
    EXPECT_EQ(again.GetDataSize("Font0"), 6);
}

TEST_F(TRegistryUser, EveryKindOfValueRoundTrips)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Kinds", true));
    reg.WriteString("text", "Кавычка \" и \\ слеш\r\nстрока"_a);
    reg.WriteExpandString("expand", "%HOME%");
    reg.WriteInteger("neg", -2);
    reg.WriteBool("flag", true);
    reg.WriteFloat("pi", 3.141592653589793);
    reg.WriteDateTime("when", 45000.25);
    const unsigned char blob[] = {0, 1, 0xFF, '"'};
    reg.WriteBinaryData("blob", blob, sizeof blob);
    reg.WriteString("", "default");

    TRegistry back;
    ASSERT_TRUE(back.OpenKey("kinds", false));
    EXPECT_EQ(back.ReadString("text"), "Кавычка \" и \\ слеш\r\nстрока"_a);
    EXPECT_EQ(back.ReadString("expand"), "%HOME%");
    EXPECT_EQ(back.GetDataType("expand"), rdExpandString);
    EXPECT_EQ(back.ReadInteger("neg"), -2);
    EXPECT_TRUE(back.ReadBool("flag"));
    EXPECT_EQ(back.ReadFloat("pi"), 3.141592653589793);
    EXPECT_EQ(back.ReadDateTime("when"), 45000.25);
    unsigned char read[8] = {};
    EXPECT_EQ(back.ReadBinaryData("blob", read, sizeof read), 4);
    EXPECT_EQ(std::memcmp(read, blob, 4), 0);
    EXPECT_THROW(back.ReadBinaryData("blob", read, 2), ERegistryException);
    EXPECT_EQ(back.ReadString(""), "default");
    TStringList names;
    back.GetValueNames(&names);
    EXPECT_EQ(Lines(names), "text|expand|neg|flag|pi|when|blob|");
}

TEST_F(TRegistryUser, MissingAndMistypedValues)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Types", true));
    reg.WriteString("s", "12");
    reg.WriteInteger("n", 1);
    EXPECT_EQ(reg.ReadString("missing"), "");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadInteger("missing"); }),
              "Failed to get data for 'missing'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadInteger("s"); }),
              "Invalid data type for 's'");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.ReadString("n"); }),
              "Invalid data type for 'n'");
    EXPECT_THROW(reg.ReadFloat("n"), ERegistryException);
    EXPECT_EQ(reg.GetDataSize("missing"), -1);
    EXPECT_EQ(reg.GetDataType("missing"), rdUnknown);
}

TEST_F(TRegistryUser, RelativeAndAbsoluteKeys)
{
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey("A\\B", false));
    ASSERT_TRUE(reg.OpenKey("A", true));
    ASSERT_TRUE(reg.OpenKey("B", true)); // below A
    EXPECT_EQ(reg.CurrentPath(), "A\\B");
    EXPECT_NE(reg.CurrentKey(), nullptr);
    ASSERT_TRUE(reg.OpenKey("\\C", true)); // from the root again
    EXPECT_EQ(reg.CurrentPath(), "C");
    EXPECT_TRUE(reg.KeyExists("\\a\\b"));
    EXPECT_FALSE(reg.KeyExists("B"));
    reg.CloseKey();
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_TRUE(reg.KeyExists("a\\B"));
}

TEST_F(TRegistryUser, KeyNamesDeletionAndReadOnlyOpen)
{
    TRegistry reg;
    reg.CreateKey("Root\\beta\\deep");
    reg.CreateKey("Root\\Alpha");
    ASSERT_TRUE(reg.OpenKey("Root", false));
    EXPECT_TRUE(reg.HasSubKeys());
    TStringList names;
    reg.GetKeyNames(&names);
    EXPECT_EQ(Lines(names), "Alpha|beta");
    EXPECT_TRUE(reg.DeleteKey("BETA"));
    EXPECT_FALSE(reg.KeyExists("beta\\deep"));
    EXPECT_FALSE(reg.DeleteKey("beta"));
    reg.WriteString("v", "1");
    EXPECT_TRUE(reg.DeleteValue("V"));
    EXPECT_FALSE(reg.ValueExists("v"));

    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Root"));
    EXPECT_EQ(MessageOf<ERegistryException>([&] { reg.WriteString("x", "1"); }),
              "Failed to set data for 'x'");
    TRegistry reader(KEY_READ);
    ASSERT_TRUE(reader.OpenKey("Root", false));
    EXPECT_THROW(reader.WriteInteger("x", 1), ERegistryException);
    TRegistry closed;
    EXPECT_THROW(closed.WriteString("x", "1"), ERegistryException);
}

TEST_F(TRegistryUser, SpoiltLinesAreSkipped)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Hand", true));
    reg.WriteString("good", "1");
    fs::path values = UserKey("Hand") / "values";
    std::ofstream(values, std::ios::app) << "garbage line\n\"bad\"=dword:zz\n\"also\"=\"2\"\n";
    EXPECT_EQ(reg.ReadString("good"), "1");
    EXPECT_EQ(reg.ReadString("also"), "2");
    EXPECT_FALSE(reg.ValueExists("bad"));
}

// A value read up to where its line was spoilt is another value than the one written.
TEST_F(TRegistryUser, LinesSpoiltHalfWayHoldNoValue)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Hand", true));
    reg.WriteInteger("left", 0x1234);
    reg.WriteBinaryData("bytes", "\x01\xff", 2);
    fs::path values = UserKey("Hand") / "values";
    std::ofstream(values, std::ios::app)
        << "\"cut\"=dword:12zz\n\"long\"=dword:123456789\n\"bin\"=hex:01,0g\n"
           "\"odd\"=hex:01,2\n\"comma\"=hex:01,\n\"escape\"=\"a\\x4\"\n\"tail\"=\"x\"y\n";
    EXPECT_EQ(reg.ReadInteger("left"), 0x1234);
    char bytes[2] = {};
    EXPECT_EQ(reg.ReadBinaryData("bytes", bytes, 2), 2);
    EXPECT_EQ(std::string(bytes, 2), "\x01\xff");
    for (const char *name : {"cut", "long", "bin", "odd", "comma", "escape", "tail"})
        EXPECT_FALSE(reg.ValueExists(name)) << name;
}

TEST_F(TRegistryUser, WriteKeepsTheLinesItCannotRead)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Hand", true));
    reg.WriteString("good", "1");
    const fs::path values = UserKey("Hand") / "values";
    std::ofstream(values, std::ios::app)
        << "garbage line\n\n\"bad\"=dword:zz\n\"from windows\"=\"3\"\r\n\"also\"=\"2\"";
    reg.WriteString("good", "4");
    reg.WriteInteger("new", 5);
    EXPECT_TRUE(reg.DeleteValue("also"));
    EXPECT_EQ(FileText(values), "\"good\"=\"4\"\ngarbage line\n\n\"bad\"=dword:zz\n"
                                "\"from windows\"=\"3\"\r\n\"new\"=dword:00000005\n");
    EXPECT_EQ(reg.ReadString("from windows"), "3");
}

// ---------------------------------------------------------------------------

using TRegistryStore = RegistryTest;

TEST_F(TRegistryStore, WriteKeepsTheFileModesAndTheLink)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Private", true));
    reg.WriteString("a", "1");
    const fs::path values = UserKey("Private") / "values";
    fs::permissions(values, fs::perms::owner_read | fs::perms::owner_write);
    reg.WriteString("b", "2");
    EXPECT_EQ(fs::status(values).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    // A values file kept elsewhere through a link gets the new text, and the link stays.
    const fs::path kept = Folder / "kept_values";
    fs::rename(values, kept);
    fs::create_symlink(kept, values);
    reg.WriteString("c", "3");
    EXPECT_TRUE(fs::is_symlink(values));
    EXPECT_EQ(FileText(kept), "\"a\"=\"1\"\n\"b\"=\"2\"\n\"c\"=\"3\"\n");
}

TEST_F(TRegistryStore, ConfigurationFolderNamedOutsideTheCodePageIsWritten)
{
    // "é" and "日本" have no place in the program's code page; the folder is the user's.
    const fs::path home = Folder / "jos\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC";
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey("Key", true));
        reg.WriteInteger("n", 7);
    }
    EXPECT_EQ(FileText(home / "qrv4/registry/HKEY_CURRENT_USER/keys/Key/values"),
              "\"n\"=dword:00000007\n");
}

TEST_F(TRegistryStore, FullDiskRaisesAndKeepsTheOldKeyWhole)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Full", true));
    reg.WriteString("a", "1");
    const fs::path key = UserKey("Full");
    const std::string before = FileText(key / "values");
    {
        testsupport::FileSizeLimit full(256);
        EXPECT_EQ(MessageOf<ERegistryException>(
                      [&] { reg.WriteString("big", std::string(4096, 'x').c_str()); }),
                  "Failed to set data for 'big'");
    }
    EXPECT_EQ(FileText(key / "values"), before);
    EXPECT_FALSE(reg.ValueExists("big"));
    std::size_t files = 0;
    for (const auto &entry : fs::directory_iterator(key))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1u) << "the part written is not left behind";
}

TEST_F(TRegistryStore, ReadOnlyValuesOrKeyFolderIsLeftAlone)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes whatever the modes; the unprivileged pass runs this";
    TRegistryIniFile ini("\\Software\\Kept");
    ini.WriteString("Form", "Left", "1");
    const fs::path key = UserKey("Software\\Kept\\Form");
    const std::string before = FileText(key / "values");

    fs::permissions(key / "values", fs::perms::owner_read);
    EXPECT_EQ(MessageOf<ERegistryException>([&] { ini.WriteString("Form", "Left", "2"); }),
              "Failed to set data for 'Left'");
    EXPECT_EQ(fs::status(key / "values").permissions(), fs::perms::owner_read);
    EXPECT_EQ(FileText(key / "values"), before);

    fs::permissions(key / "values", fs::perms::owner_read | fs::perms::owner_write);
    fs::permissions(key, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(ini.WriteInteger("Form", "Top", 3), ERegistryException);
    fs::permissions(key, fs::perms::owner_all);
    EXPECT_EQ(FileText(key / "values"), before);
    EXPECT_EQ(ini.ReadString("Form", "Left", ""), "1");
}

TEST_F(TRegistryStore, ValuesFileThatCannotBeReadIsNotReplaced)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads whatever the modes; the unprivileged pass runs this";
    TRegistryIniFile ini("\\Software\\Hidden");
    ini.WriteString("Form", "Left", "1");
    ini.WriteString("Form", "Top", "2");
    const fs::path values = UserKey("Software\\Hidden\\Form") / "values";
    const std::string before = FileText(values);

    fs::permissions(values, fs::perms::owner_write);
    EXPECT_EQ(ini.ReadString("Form", "Left", "none"), "none");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { ini.WriteString("Form", "Width", "3"); }),
              "Failed to set data for 'Width'");
    ini.DeleteKey("Form", "Top");
    fs::permissions(values, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(FileText(values), before);
}

// A values file larger than any key's is not read into memory: its key reads as one without
// values, and the file is not replaced.
TEST_F(TRegistryStore, ValuesFileAboveTheLimitIsNeitherReadNorReplaced)
{
    TRegistryIniFile ini("\\Software\\Huge");
    ini.WriteString("Form", "Left", "1");
    const fs::path values = UserKey("Software\\Huge\\Form") / "values";
    ASSERT_NO_FATAL_FAILURE(testsupport::MakeSparseFile(values, 8 * testsupport::GiB));
    EXPECT_EQ(ini.ReadString("Form", "Left", "none"), "none");
    EXPECT_EQ(MessageOf<ERegistryException>([&] { ini.WriteString("Form", "Width", "3"); }),
              "Failed to set data for 'Width'");
    EXPECT_EQ(fs::file_size(values), 8 * testsupport::GiB);
}

// ---------------------------------------------------------------------------

using TRegistryMachine = RegistryTest;

TEST_F(TRegistryMachine, ProviderServesTheKeyReadOnly)
{
    int calls = 0;
    rtl::RegisterMachineKey("HARDWARE\\DEVICEMAP\\SERIALCOMM", [&] {
        ++calls;
        return std::vector<rtl::RegistryValue>{
            rtl::RegistryValue::String("\\Device\\Serial0", "COM1"),
            rtl::RegistryValue::String("\\Device\\VCP0", "COM101")};
    });
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly("HARDWARE\\DEVICEMAP\\SERIALCOMM"));
    TStringList names;
    reg.GetValueNames(&names);
    EXPECT_EQ(Lines(names), "\\Device\\Serial0|\\Device\\VCP0");
    EXPECT_EQ(reg.ReadString(names[1]), "COM101");
    EXPECT_GE(calls, 2); // read afresh each time: ports come and go
    EXPECT_THROW(reg.WriteString("x", "y"), ERegistryException);
    EXPECT_THROW(reg.CreateKey("HARDWARE\\NEW"), ERegistryException);
    EXPECT_FALSE(reg.DeleteKey("\\HARDWARE"));

    EXPECT_TRUE(reg.KeyExists("\\hardware"));
    ASSERT_TRUE(reg.OpenKey("\\HARDWARE\\DEVICEMAP", false));
    reg.GetKeyNames(&names);
    EXPECT_EQ(Lines(names), "SERIALCOMM");
    EXPECT_FALSE(reg.OpenKey("\\HARDWARE\\NOSUCH", false));
    // Nothing of the machine shows under the current user.
    TRegistry user;
    EXPECT_FALSE(user.KeyExists("HARDWARE"));
}

// ---------------------------------------------------------------------------

using TRegIniFileSections = RegistryTest;

TEST_F(TRegIniFileSections, SectionsAreSubkeysAndIntegersText)
{
    TRegIniFile ini("\\Software\\Test");
    ini.WriteString("Form.TMain", "Caption", "Окно"_a);
    ini.WriteInteger("Form.TMain", "Left", 120);
    ini.WriteBool("ToolBar.Main", "Visible", true);
    EXPECT_EQ(ini.ReadString("form.tmain", "caption", ""), "Окно"_a);
    EXPECT_EQ(ini.ReadInteger("Form.TMain", "Left", 0), 120);
    EXPECT_EQ(ini.ReadString("Form.TMain", "Left", ""), "120");
    EXPECT_TRUE(ini.ReadBool("ToolBar.Main", "Visible", false));
    EXPECT_EQ(ini.ReadString("Form.TMain", "Missing", "d"), "d");
    EXPECT_EQ(ini.ReadInteger("NoSection", "x", 9), 9);
    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(Lines(list), "Form.TMain|ToolBar.Main");
    ini.ReadSectionValues("Form.TMain", &list);
    EXPECT_EQ(Lines(list), "Caption=" + "Окно"_a.ToStd() + "|Left=120");
    ini.DeleteKey("Form.TMain", "Left");
    ini.ReadSection("Form.TMain", &list);
    EXPECT_EQ(Lines(list), "Caption");
    ini.EraseSection("ToolBar.Main");
    ini.ReadSections(&list);
    EXPECT_EQ(Lines(list), "Form.TMain");
    // The base key is still the open one after all that.
    EXPECT_EQ(ini.CurrentPath(), "Software\\Test");
}

TEST_F(TRegIniFileSections, WriteThatCannotMakeTheSectionRaises)
{
    TRegIniFile ini("\\Software\\Test");
    ini.SetRootKey(HKEY_LOCAL_MACHINE); // read-only: no section can be made
    EXPECT_EQ(MessageOf<ERegistryException>([&] { ini.WriteString("Form", "Left", "1"); }),
              "Failed to create key Form");
    EXPECT_EQ(ini.ReadString("Form", "Left", "none"), "none");
}

using TRegistryIniFileStore = RegistryTest;

TEST_F(TRegistryIniFileStore, WorksThroughTheSettingsInterface)
{
    std::unique_ptr<TCustomIniFile> ini = std::make_unique<TRegistryIniFile>("\\Software\\Zedo");
    ini->WriteInteger("Form.TfrxDesignerForm", "Units", 2);
    ini->WriteBool("ToolBar.Std", "Visible", false);
    ini->WriteString("Dock.Top", "Data", "0A0B");
    ini->WriteFloat("Form.TfrxDesignerForm", "Zoom", 1.25);
    TDateTime when = 45123.5;
    ini->WriteDateTime("Form.TfrxDesignerForm", "Saved", when);

    TRegistryIniFile again("\\Software\\Zedo");
    EXPECT_EQ(again.ReadInteger("Form.TfrxDesignerForm", "Units", 0), 2);
    EXPECT_FALSE(again.ReadBool("ToolBar.Std", "Visible", true));
    EXPECT_EQ(again.ReadString("Dock.Top", "Data", ""), "0A0B");
    EXPECT_EQ(again.ReadFloat("Form.TfrxDesignerForm", "Zoom", 0), 1.25);
    EXPECT_EQ(again.ReadDateTime("Form.TfrxDesignerForm", "Saved", 0), when);
    EXPECT_EQ(again.ReadInteger("Form.Other", "Units", 7), 7);
    EXPECT_TRUE(again.SectionExists("toolbar.std"));
    EXPECT_TRUE(again.ValueExists("Dock.Top", "data"));
    EXPECT_FALSE(again.SectionExists("Dock.Bottom"));

    // Units is a number in the key; text already there stays text.
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("\\Software\\Zedo\\Form.TfrxDesignerForm", false));
    EXPECT_EQ(reg.GetDataType("Units"), rdInteger);
    EXPECT_EQ(reg.GetDataType("Zoom"), rdBinary);
    reg.WriteString("Units", "5");
    again.WriteInteger("Form.TfrxDesignerForm", "Units", 6);
    EXPECT_EQ(reg.GetDataType("Units"), rdString);
    EXPECT_EQ(again.ReadInteger("Form.TfrxDesignerForm", "Units", 0), 6);
}
