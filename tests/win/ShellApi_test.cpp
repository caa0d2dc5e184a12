// The shell's open verb: which addresses leave the program. Only refusals are
// tried, as an address that is opened starts the desktop's browser.

#include "platform/win/ShellApi.h"
#include "platform/win/WinUser.h"

#include "tests/support/TestFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace
{

TEST(ShellOpen, OnlyWebAddressesWithAHostAndMailAddressesWithARecipientQualify)
{
    EXPECT_TRUE(win::IsWebOrMailAddress("http://host/path"));
    EXPECT_TRUE(win::IsWebOrMailAddress("HTTPS://host"));
    EXPECT_TRUE(win::IsWebOrMailAddress("mailto:shop@example.org"));
    EXPECT_FALSE(win::IsWebOrMailAddress("file:///etc/passwd"));
    EXPECT_FALSE(win::IsWebOrMailAddress("C:\\Windows\\notepad.exe"));
    EXPECT_FALSE(win::IsWebOrMailAddress("/usr/bin/xterm"));
    EXPECT_FALSE(win::IsWebOrMailAddress("javascript:alert(1)"));
    EXPECT_FALSE(win::IsWebOrMailAddress("http://"));
    EXPECT_FALSE(win::IsWebOrMailAddress("mailto:"));
    EXPECT_FALSE(win::IsWebOrMailAddress(""));
}

// A refusal that failed would open what it was given: a program and a file of the test's own.
TEST(ShellOpen, FilesProgramsAndOtherVerbsAreRefused)
{
    const testsupport::TestFolder folder("qrv4_shell_");
    std::ofstream(folder / "program") << "#!/bin/sh\ntouch \"$0.ran\"\n";
    std::filesystem::permissions(folder / "program", std::filesystem::perms::owner_all);
    std::ofstream(folder / "page.txt") << "the test's own\n";
    const std::string program = (folder / "program").string();
    const std::string page = "file://" + (folder / "page.txt").string();
    const HINSTANCE Refused = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_NOASSOC));
    for (LPCSTR File : {program.c_str(), page.c_str(), "javascript:alert(1)", ""})
        EXPECT_EQ(ShellExecuteA(nullptr, "open", File, nullptr, nullptr, SW_SHOWNORMAL), Refused)
            << File;
    EXPECT_EQ(ShellExecuteA(nullptr, nullptr, nullptr, nullptr, nullptr, SW_SHOWNORMAL), Refused);
    EXPECT_EQ(
        ShellExecuteA(nullptr, "print", "https://example.org", nullptr, nullptr, SW_SHOWNORMAL),
        Refused);
}

} // namespace
