// New non-client metrics set while toolbars are shown: the library's font follows the
// menu font, docked bars grow with it and their dock lays them out again, and floating
// frames caption their bars with the new small caption font or with the skin's own.

#include "menus/TB2Dock.h"
#include "menus/TTBToolbar.h"
#include "tests/menus/MenuTestSupport.h"

#include <algorithm>
#include <optional>

using namespace menutest;

namespace
{

using vcltest::Pump;

NONCLIENTMETRICSW CurrentMetrics()
{
    NONCLIENTMETRICSW M{};
    M.cbSize = sizeof(M);
    EXPECT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(M), &M, 0));
    return M;
}

void ApplyMetrics(NONCLIENTMETRICSW M)
{
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(M), &M, SPIF_SENDCHANGE));
    Pump();
}

// Counts the setting-change notices that reach it.
class NoticeCounter : public TGraphicControl
{
public:
    using TGraphicControl::TGraphicControl;
    void WndProc(TMessage &Message) override
    {
        if (Message.Msg == CM_WININICHANGE && Message.WParam == SPI_SETNONCLIENTMETRICS) ++Notices;
        TGraphicControl::WndProc(Message);
    }
    int Notices = 0;
};

// The columns of a window's surface, within R, that hold a pixel of the colour.
std::optional<std::pair<int, int>> ColumnsOf(TWinControl *Window, const TRect &R, COLORREF Color)
{
    std::optional<std::pair<int, int>> Span;
    for (int X = R.Left; X < R.Right; ++X)
        for (int Y = R.Top; Y < R.Bottom; ++Y)
            if (PixelOf(Window, X, Y) == Color) {
                Span = Span ? std::pair(std::min(Span->first, X), std::max(Span->second, X))
                            : std::pair(X, X);
                break;
            }
    return Span;
}

int WidthOf(const std::optional<std::pair<int, int>> &Span)
{
    return Span ? Span->second - Span->first + 1 : 0;
}

std::unique_ptr<TFont> LargerCaptionFont()
{
    auto Font = std::make_unique<TFont>();
    Font->SetName("Tahoma");
    Font->SetHeight(-14);
    Font->SetStyle(TFontStyles{fsBold});
    return Font;
}

class SettingChangeTest : public MenuTest
{
protected:
    void SetUp() override
    {
        MenuTest::SetUp();
        Saved = CurrentMetrics();
        Top = new TTBDock(Form.get());
        Top->SetName("TopDock");
        Top->SetParent(Form.get());
        Pump();
    }
    void TearDown() override
    {
        // The metrics belong to the whole process: the next test starts from the usual ones.
        ApplyMetrics(Saved);
        TBInitToolbarSystemFont();
        Form.reset();
        MenuTest::TearDown();
    }
    TTBToolbar *MakeToolbar(const char *Name, TTBDock *Dock, int Buttons)
    {
        auto *Bar = new TTBToolbar(Form.get());
        Bar->SetName(Name);
        Bar->SetCaption(Name);
        Bar->SetHideWhenInactive(false);
        Bar->SetParent(Dock);
        for (int I = 0; I < Buttons; ++I)
            AddItem(Bar->Items(), "Button");
        Pump();
        return Bar;
    }
    static TRect FirstButton(TTBToolbar *Bar) { return Bar->View()->Viewers(0)->BoundsRect(); }
    // The caption text's columns in the floating frame, close button left out.
    static int CaptionTextWidth(TTBToolbar *Bar, TTBBaseSkin *Skin)
    {
        TTBFloatingWindowParent *Frame = Bar->FloatingWindowParent();
        return WidthOf(ColumnsOf(Frame, Frame->GetCaptionRect(true, true),
                                 ColorToRGB(Skin->Colors()->GetSkinColor(27))));
    }
    void Float(TTBToolbar *Bar)
    {
        Bar->SetFloatingPosition(TPoint(300, 250));
        Bar->SetFloating(true);
        vcltest::Pump();
        ASSERT_TRUE(Bar->Floating());
    }

    NONCLIENTMETRICSW Saved{};
    TTBDock *Top = nullptr;
};

TEST_F(SettingChangeTest, ALargerMenuFontGrowsTheBarsOfTheSystemFontAndTheirDock)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top, 3);
    TTBToolbar *Own = MakeToolbar("Own", Top, 3);
    Own->SetDockRow(1);
    Own->SetSystemFont(false);
    auto *Counter = vcl::Place<NoticeCounter>(Form.get(), Form.get(), "Counter", 0, 300, 10, 10);
    Pump();
    const TRect Button = FirstButton(Bar), OwnButton = FirstButton(Own);
    const int BarWidth = Bar->Width(), BarHeight = Bar->Height(), DockHeight = Top->Height();
    const TPoint OwnAt(Own->Left(), Own->Top());

    NONCLIENTMETRICSW Larger = Saved;
    Larger.lfMenuFont.lfHeight = -18;
    ApplyMetrics(Larger);

    EXPECT_EQ(Counter->Notices, 1);
    EXPECT_EQ(ToolbarFont()->Height(), -18);
    EXPECT_GT(FirstButton(Bar).Width(), Button.Width());
    EXPECT_GT(FirstButton(Bar).Height(), Button.Height());
    EXPECT_GT(Bar->Width(), BarWidth);
    EXPECT_GT(Bar->Height(), BarHeight);
    // The dock grew by what the first row grew, and moved the second row down by as much.
    EXPECT_EQ(Top->Height() - DockHeight, Bar->Height() - BarHeight);
    EXPECT_EQ(Own->Top() - OwnAt.Y, Bar->Height() - BarHeight);
    EXPECT_EQ(FirstButton(Own), OwnButton) << "a bar with its own font keeps its size";

    ApplyMetrics(Saved);
    EXPECT_EQ(ToolbarFont()->Height(), Saved.lfMenuFont.lfHeight);
    EXPECT_EQ(FirstButton(Bar), Button);
    EXPECT_EQ(Bar->Width(), BarWidth);
    EXPECT_EQ(Top->Height(), DockHeight);
    EXPECT_EQ(Counter->Notices, 2);
}

TEST_F(SettingChangeTest, AFloatingBarFollowsTheMenuFontInItsOwnFrame)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top, 3);
    Float(Bar);
    const auto FrameWidth = [Bar] {
        RECT R;
        GetWindowRect(Bar->FloatingWindowParent()->Handle(), &R);
        return int(R.right - R.left);
    };
    const int Before = FrameWidth(), BarWidth = Bar->Width();

    NONCLIENTMETRICSW Larger = Saved;
    Larger.lfMenuFont.lfHeight = -18;
    ApplyMetrics(Larger);
    EXPECT_GT(Bar->Width(), BarWidth);
    EXPECT_EQ(FrameWidth() - Bar->Width(), Before - BarWidth) << "the frame fits the grown bar";
}

TEST_F(SettingChangeTest, FloatingCaptionsUseTheSkinsFontOrTheSystemsSmallCaptionFont)
{
    TTBToolbar *Bar = MakeToolbar("Tools", Top, 3);
    Bar->SetCaption("Caption of the tools");
    TTBSkin Skin(nullptr);
    Skin.SetSkinType(tbsOfficeXP);
    Bar->SetSkin(&Skin);
    Float(Bar);
    const int Shared = CaptionTextWidth(Bar, &Skin);
    ASSERT_GT(Shared, 0);

    Skin.SetCaptionFont(LargerCaptionFont().get());
    Pump();
    EXPECT_FALSE(Skin.ParentFont());
    EXPECT_GT(CaptionTextWidth(Bar, &Skin), Shared);

    Skin.SetParentFont(true);
    Pump();
    EXPECT_EQ(CaptionTextWidth(Bar, &Skin), Shared);

    // Following the parent font, the caption takes the system's new small caption font.
    NONCLIENTMETRICSW Metrics = Saved;
    Metrics.lfSmCaptionFont.lfHeight = -14;
    ApplyMetrics(Metrics);
    EXPECT_GT(CaptionTextWidth(Bar, &Skin), Shared);
    Bar->SetSkin(nullptr);
}

TEST_F(SettingChangeTest, ADockedCaptionIsDrawnWithTheSkinsCaptionFont)
{
    auto *Left = new TTBDock(Form.get());
    Left->SetName("LeftDock");
    Left->SetPosition(dpLeft);
    Left->SetParent(Form.get());
    TTBToolbar *Bar = MakeToolbar("Tools", Left, 2);
    // Level button captions keep the upright bar wide enough for the larger caption.
    for (int I = 0; I < Bar->Items()->Count(); ++I)
        Bar->Items()->Items(I)->SetOptions({tboNoRotation});
    Bar->SetCaption("Ab");
    TTBSkin Skin(nullptr);
    Skin.SetSkinType(tbsOfficeXP);
    Skin.SetOptions({tboDockedCaptions});
    Bar->SetSkin(&Skin);
    Pump();
    const TRect Strip(2, 2, Bar->Width() - 2, GetSystemMetrics(SM_CYSMCAPTION));
    const COLORREF Text = ColorToRGB(Skin.Colors()->GetSkinColor(27));
    const int Plain = WidthOf(ColumnsOf(Bar, Strip, Text));
    ASSERT_GT(Plain, 0);

    Skin.SetCaptionFont(LargerCaptionFont().get());
    Pump();
    EXPECT_GT(WidthOf(ColumnsOf(Bar, Strip, Text)), Plain);
    Bar->SetSkin(nullptr);
}

} // namespace
