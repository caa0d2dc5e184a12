// What a form's frame offers, as the window manager is told on a real X server: a form that
// keeps its size offers no maximise button.

#include "tests/desktop/XServerEnvironment.h"
#include "tests/vcl/VclTestSupport.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace
{

using namespace vcltest;
using desktop::XServer;

// The Motif hints' functions and decorations, as xprop reads them from the form's X window.
struct MotifHints {
    unsigned long Functions = 0;
    unsigned long Decorations = 0;
};
constexpr unsigned long FunctionMaximize = 0x10, DecorationMaximize = 0x40;

MotifHints HintsOf(TForm &Form)
{
    const TPoint inside = Form.ClientToScreen(TPoint(4, 4));
    QWidget *widget = QApplication::widgetAt(inside.X, inside.Y);
    if (!widget) return {};
    const std::string said =
        XServer()->Property(std::to_string(widget->window()->winId()), "_MOTIF_WM_HINTS");
    MotifHints hints;
    unsigned long flags = 0;
    const auto at = said.find('=');
    if (at != std::string::npos)
        std::sscanf(said.c_str() + at, "= %lx, %lx, %lx", &flags, &hints.Functions,
                    &hints.Decorations);
    return hints;
}

class FormFrameOnX : public VclTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(XServer()) << "no X server could be started";
        VclTest::SetUp();
    }
};

} // namespace

TEST_F(FormFrameOnX, OnlyAFormThatCanGrowOffersToMaximise)
{
    // The usual icons, maximise among them, on a sizeable form and on a fixed one.
    TForm *form = ShownForm(300, 200);
    ASSERT_TRUE(form->BorderIcons().Contains(biMaximize));
    MotifHints sizeable;
    ASSERT_TRUE(PumpUntil([&] { return (sizeable = HintsOf(*form)).Decorations != 0; }));
    EXPECT_TRUE(sizeable.Functions & FunctionMaximize);
    EXPECT_TRUE(sizeable.Decorations & DecorationMaximize);

    TForm single(nullptr);
    single.SetBorderStyle(bsSingle);
    single.SetBounds(400, 50, 300, 200);
    single.Show();
    MotifHints fixed;
    ASSERT_TRUE(PumpUntil([&] { return (fixed = HintsOf(single)).Decorations != 0; }));
    EXPECT_FALSE(fixed.Functions & FunctionMaximize);
    EXPECT_FALSE(fixed.Decorations & DecorationMaximize) << "a button that does nothing";
}
