// A setting change reaches a form's window only; the form passes it on to every control
// on it, windowed or not, however deep, as CM_WININICHANGE.

#include "tests/vcl/VclTestSupport.h"

#include "platform/vcl/ExtCtrls.h"
#include "platform/win/SysParams.h"

#include <vector>

using namespace vcltest;

namespace
{

// Keeps the wParam of every CM_WININICHANGE the control receives.
template <class Base> class Counting : public Base
{
public:
    explicit Counting(TComponent *AOwner) : Base(AOwner) {}
    void WndProc(TMessage &Message) override
    {
        if (Message.Msg == CM_WININICHANGE) Notices.push_back(Message.WParam);
        Base::WndProc(Message);
    }
    std::vector<WPARAM> Notices;
};

class SettingChangeTest : public VclTest
{
protected:
    void TearDown() override
    {
        win::ResetSettings();
        VclTest::TearDown();
    }
};

TEST_F(SettingChangeTest, NewMetricsReachEveryControlOfAFormOnce)
{
    TForm *Form = ShownForm();
    auto *Panel = vcl::Place<Counting<TPanel>>(Form, Form, "Panel", 10, 10, 200, 100);
    auto *Inner = vcl::Place<Counting<TPanel>>(Form, Panel, "Inner", 10, 10, 100, 50);
    auto *Leaf = vcl::Place<Counting<TGraphicControl>>(Form, Inner, "Leaf", 5, 5, 20, 20);
    Pump();

    NONCLIENTMETRICSW Metrics{};
    Metrics.cbSize = sizeof(Metrics);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0));
    Metrics.lfMenuFont.lfHeight = -16;
    ASSERT_TRUE(
        SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, SPIF_SENDCHANGE));
    Pump();

    const std::vector<WPARAM> Once{SPI_SETNONCLIENTMETRICS};
    EXPECT_EQ(Panel->Notices, Once);
    EXPECT_EQ(Inner->Notices, Once);
    EXPECT_EQ(Leaf->Notices, Once);

    // The old name of the message is the same message.
    SendMessageW(Form->Handle(), WM_WININICHANGE, 0, 0);
    EXPECT_EQ(Leaf->Notices, (std::vector<WPARAM>{SPI_SETNONCLIENTMETRICS, 0}));
}

} // namespace
