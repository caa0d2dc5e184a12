// Non-client metrics set by the program: kept for the whole process, and announced to
// the top-level windows of the calling thread, whose frames are measured again first.

#include "tests/win/WinTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

using namespace wintest;

namespace
{

NONCLIENTMETRICSW CurrentMetrics()
{
    NONCLIENTMETRICSW M{};
    M.cbSize = sizeof(M);
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(M), &M, 0));
    return M;
}

void SetFace(LOGFONTW &Font, std::u16string_view Face)
{
    std::fill(std::begin(Font.lfFaceName), std::end(Font.lfFaceName), u'\0');
    std::copy(Face.begin(), Face.end(), Font.lfFaceName);
}

std::u16string_view FaceOf(const LOGFONTW &Font)
{
    return std::u16string_view(Font.lfFaceName);
}

bool SameFont(const LOGFONTW &A, const LOGFONTW &B)
{
    return A.lfHeight == B.lfHeight && A.lfWeight == B.lfWeight && FaceOf(A) == FaceOf(B);
}

// Where in the log a message first reached a window, or -1.
long FirstIndex(HWND Wnd, UINT Msg)
{
    const auto &L = Log();
    const auto It = std::find_if(L.begin(), L.end(),
                                 [&](const Received &R) { return R.Wnd == Wnd && R.Msg == Msg; });
    return It == L.end() ? -1 : static_cast<long>(It - L.begin());
}

class NonClientMetrics : public WindowTest
{
protected:
    void TearDown() override
    {
        win::ResetSettings();
        WindowTest::TearDown();
    }
};

TEST_F(NonClientMetrics, SetFontsAreReadBackUntilTheSettingsAreReset)
{
    const NONCLIENTMETRICSW Before = CurrentMetrics();
    NONCLIENTMETRICSW Changed = Before;
    Changed.lfMenuFont.lfHeight = -16;
    SetFace(Changed.lfMenuFont, u"Liberation Sans");
    Changed.lfSmCaptionFont.lfHeight = -15;
    Changed.iMenuHeight = 40;
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(Changed), &Changed, 0));

    const NONCLIENTMETRICSW After = CurrentMetrics();
    EXPECT_TRUE(SameFont(After.lfMenuFont, Changed.lfMenuFont));
    EXPECT_TRUE(SameFont(After.lfSmCaptionFont, Changed.lfSmCaptionFont));
    EXPECT_TRUE(SameFont(After.lfCaptionFont, Before.lfCaptionFont));
    EXPECT_TRUE(SameFont(After.lfStatusFont, Before.lfStatusFont));
    EXPECT_EQ(After.iMenuHeight, Before.iMenuHeight) << "sizes come from the metrics table";

    NONCLIENTMETRICSW Short = Changed;
    Short.cbSize = 340;
    Short.lfMenuFont.lfHeight = -30;
    EXPECT_FALSE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, 340, &Short, 0));
    EXPECT_EQ(CurrentMetrics().lfMenuFont.lfHeight, -16) << "a refused structure changes nothing";

    win::ResetSettings();
    EXPECT_TRUE(SameFont(CurrentMetrics().lfMenuFont, Before.lfMenuFont));
}

TEST_F(NonClientMetrics, SendChangeTellsEachTopLevelWindowOfTheThreadAfterItsFrame)
{
    const HWND A = Keep(MakeWindow(WS_POPUP | WS_VISIBLE, 0, 10, 10, 100, 80));
    const HWND B = Keep(MakeWindow(WS_POPUP, 0, 200, 10, 100, 80));
    const HWND Child = MakeWindow(WS_CHILD | WS_VISIBLE, 0, 5, 5, 20, 20, A);
    const HWND MessageOnly = Keep(CreateWindowExW(0, RecordingClass(), u"", 0, 0, 0, 0, 0,
                                                  HWND_MESSAGE, nullptr, nullptr, nullptr));
    ASSERT_TRUE(MessageOnly);
    Pump();
    ClearLog();

    NONCLIENTMETRICSW M = CurrentMetrics();
    M.lfMenuFont.lfHeight = -14;
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(M), &M, 0));
    EXPECT_TRUE(Find(WM_SETTINGCHANGE).empty()) << "without SPIF_SENDCHANGE nobody is told";

    ASSERT_TRUE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(M), &M, SPIF_SENDCHANGE));
    const auto Notices = Find(WM_SETTINGCHANGE);
    ASSERT_EQ(Notices.size(), 2u);
    for (const Received &R : Notices) {
        EXPECT_TRUE(R.Wnd == A || R.Wnd == B) << "hidden ones too; children and message-only not";
        EXPECT_EQ(R.WParam, static_cast<WPARAM>(SPI_SETNONCLIENTMETRICS));
    }
    for (HWND Wnd : {A, B}) {
        const long Frame = FirstIndex(Wnd, WM_NCCALCSIZE);
        ASSERT_GE(Frame, 0);
        EXPECT_LT(Frame, FirstIndex(Wnd, WM_SETTINGCHANGE));
    }
    EXPECT_EQ(FirstIndex(Child, WM_SETTINGCHANGE), -1);
    EXPECT_EQ(FirstIndex(MessageOnly, WM_SETTINGCHANGE), -1);
}

} // namespace
