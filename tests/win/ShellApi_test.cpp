// The shell's open verb: which addresses leave the program. Only refusals are
// tried, as an address that is opened starts the desktop's browser.

#include "platform/win/ShellApi.h"
#include "platform/win/WinUser.h"

#include <gtest/gtest.h>

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

TEST(ShellOpen, FilesProgramsAndOtherVerbsAreRefused)
{
    const HINSTANCE Refused = reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(SE_ERR_NOASSOC));
    for (LPCSTR File : {"/usr/bin/xterm", "file:///etc/passwd", "javascript:alert(1)", ""})
        EXPECT_EQ(ShellExecuteA(nullptr, "open", File, nullptr, nullptr, SW_SHOWNORMAL), Refused)
            << File;
    EXPECT_EQ(ShellExecuteA(nullptr, nullptr, nullptr, nullptr, nullptr, SW_SHOWNORMAL), Refused);
    EXPECT_EQ(
        ShellExecuteA(nullptr, "print", "https://example.org", nullptr, nullptr, SW_SHOWNORMAL),
        Refused);
}

} // namespace
