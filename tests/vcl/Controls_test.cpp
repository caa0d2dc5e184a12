#include "tests/vcl/VclTestSupport.h"

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/Paint.h"

#include <string>
#include <vector>

using namespace vcltest;

namespace
{

// A windowless control that keeps its own mouse-up and never calls the inherited one.
class TOwnUpControl : public TGraphicControl
{
public:
    explicit TOwnUpControl(TComponent *AOwner) : TGraphicControl(AOwner) {}
    int Ups = 0;

protected:
    void MouseUp(TMouseButton, TShiftState, int, int) override { ++Ups; }
};

class ControlsTest : public VclTest
{
};

TEST_F(ControlsTest, Button_ClickReachesOnClick)
{
    TForm *form = ShownForm();
    auto *button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(10, 10, 80, 25);
    int clicks = 0;
    button->OnClick = [&](TObject *Sender) {
        EXPECT_EQ(Sender, button);
        ++clicks;
    };
    Pump();
    Click(button, 5, 5);
    Pump();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(button->Focused());
}

TEST_F(ControlsTest, GraphicControl_ClicksEvenWhenMouseUpIsOverridden)
{
    TForm *form = ShownForm();
    auto *control = new TOwnUpControl(form);
    control->SetParent(form);
    control->SetBounds(20, 20, 50, 50);
    int clicks = 0;
    control->OnClick = [&](TObject *) { ++clicks; };
    Pump();
    Click(control, 10, 10);
    Pump();
    EXPECT_EQ(control->Ups, 1);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ControlsTest, Mouse_CaptureKeepsReleaseOutsideFromClicking)
{
    TForm *form = ShownForm();
    auto *control = new TOwnUpControl(form);
    control->SetParent(form);
    control->SetBounds(20, 20, 50, 50);
    std::vector<TPoint> moves;
    control->OnMouseMove = [&](TObject *, TShiftState, int X, int Y) { moves.push_back({X, Y}); };
    int clicks = 0;
    control->OnClick = [&](TObject *) { ++clicks; };
    Pump();
    MouseDown(control, 10, 10);
    MouseMove(control, 200, 120);
    MouseUp(control, 200, 120);
    Pump();
    // The move and the release outside still reach the control that was pressed.
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back(), TPoint(200, 120));
    EXPECT_EQ(control->Ups, 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(GetCapture(), HWND{});
}

TEST_F(ControlsTest, Mouse_DoubleClickRaisesDblClick)
{
    TForm *form = ShownForm();
    auto *panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 100, 50);
    int clicks = 0, doubles = 0;
    panel->OnClick = [&](TObject *) { ++clicks; };
    panel->OnDblClick = [&](TObject *) { ++doubles; };
    Pump();
    const TPoint p = panel->ClientToScreen(TPoint(5, 5));
    win::InjectMouseInput({win::MouseAction::Down, win::MouseButton::Left, {p.X, p.Y}});
    win::InjectMouseInput({win::MouseAction::Up, win::MouseButton::Left, {p.X, p.Y}});
    win::InjectMouseInput({win::MouseAction::DoubleClick, win::MouseButton::Left, {p.X, p.Y}});
    win::InjectMouseInput({win::MouseAction::Up, win::MouseButton::Left, {p.X, p.Y}});
    Pump();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(doubles, 1);
}

TEST_F(ControlsTest, Mouse_EnterAndLeaveFollowThePointer)
{
    TForm *form = ShownForm();
    auto *first = new TPanel(form);
    first->SetParent(form);
    first->SetBounds(10, 10, 100, 50);
    auto *second = new TLabel(form);
    second->SetParent(form);
    second->SetAutoSize(false);
    second->SetBounds(150, 10, 100, 50);
    std::vector<std::string> log;
    first->OnMouseEnter = [&](TObject *) { log.push_back("enter panel"); };
    first->OnMouseLeave = [&](TObject *) { log.push_back("leave panel"); };
    second->OnMouseEnter = [&](TObject *) { log.push_back("enter label"); };
    second->OnMouseLeave = [&](TObject *) { log.push_back("leave label"); };
    Pump();
    MouseMove(first, 5, 5);
    Pump();
    MouseMove(second, 5, 5);
    Pump();
    EXPECT_EQ(log, (std::vector<std::string>{"enter panel", "leave panel", "enter label"}));
}

TEST_F(ControlsTest, Keyboard_KeyPressGetsCp1251Characters)
{
    TForm *form = ShownForm();
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    std::string pressed;
    edit->OnKeyPress = [&](TObject *, char &Key) { pressed += Key; };
    Pump();
    edit->SetFocus();
    Pump();
    Key('A', 'a');
    Key(VK_OEM_1, "ж"_a[1]);
    Pump();
    EXPECT_EQ(pressed, std::string("a") + "ж"_a.ToStd());
    EXPECT_EQ(edit->Text(), "a" + "ж"_a);
}

TEST_F(ControlsTest, Keyboard_ALetterTypedIntoAnEditStaysThereAndAltWithItPressesTheButton)
{
    TForm *form = ShownForm();
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    auto *button = new TButton(form);
    button->SetParent(form);
    button->SetBounds(10, 40, 80, 25);
    button->SetCaption("&Go");
    int clicks = 0;
    button->OnClick = [&](TObject *) { ++clicks; };
    Pump();
    edit->SetFocus();
    Pump();
    Key('G', 'g');
    Pump();
    EXPECT_EQ(edit->Text(), "g");
    EXPECT_EQ(clicks, 0);
    KeyDown(VK_MENU);
    Key('G', 'g');
    KeyUp(VK_MENU);
    Pump();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(edit->Text(), "g");
}

TEST_F(ControlsTest, Keyboard_ZeroedKeyIsNotTyped)
{
    TForm *form = ShownForm();
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    edit->OnKeyPress = [&](TObject *, char &Key) {
        if (Key == 'x') Key = 0;
        if (Key == 'y') Key = 'z';
    };
    Pump();
    edit->SetFocus();
    Key('X', 'x');
    Key('Y', 'y');
    Pump();
    EXPECT_EQ(edit->Text(), "z");
}

TEST_F(ControlsTest, Focus_TabFollowsTabOrderWithExitBeforeEnter)
{
    TForm *form = ShownForm();
    std::vector<std::string> log;
    auto make = [&](const char *name, int top) {
        auto *edit = new TEdit(form);
        edit->SetParent(form);
        edit->SetTop(top);
        edit->OnEnter = [&log, name](TObject *) { log.push_back(std::string("enter ") + name); };
        edit->OnExit = [&log, name](TObject *) { log.push_back(std::string("exit ") + name); };
        return edit;
    };
    TEdit *a = make("a", 10);
    TEdit *b = make("b", 40);
    TEdit *c = make("c", 70);
    c->SetTabOrder(0); // c, a, b
    Pump();
    a->SetFocus();
    Pump();
    log.clear();
    Key(VK_TAB);
    Pump();
    EXPECT_TRUE(b->Focused());
    Key(VK_TAB);
    Pump();
    EXPECT_TRUE(c->Focused());
    EXPECT_EQ(log, (std::vector<std::string>{"exit a", "enter b", "exit b", "enter c"}));
}

TEST_F(ControlsTest, Focus_DisabledControlCannotTakeIt)
{
    TForm *form = ShownForm();
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetEnabled(false);
    EXPECT_FALSE(edit->CanFocus());
    EXPECT_THROW(edit->SetFocus(), EInvalidOperation);
}

TEST_F(ControlsTest, Form_KeyPreviewSeesKeysFirst)
{
    TForm *form = ShownForm();
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    form->SetKeyPreview(true);
    std::string order;
    form->OnKeyPress = [&](TObject *, char &Key) {
        order += "form ";
        if (Key == 27) Key = 0;
    };
    edit->OnKeyPress = [&](TObject *, char &) { order += "edit "; };
    Pump();
    edit->SetFocus();
    Key('Q', 'q');
    Key(VK_ESCAPE, 27);
    Pump();
    EXPECT_EQ(order, "form edit form ");
}

TEST_F(ControlsTest, Font_ParentFontFlowsDownUntilChildSetsItsOwn)
{
    TForm *form = ShownForm();
    auto *panel = new TPanel(form);
    panel->SetParent(form);
    auto *label = new TLabel(form);
    label->SetParent(panel);
    form->Font()->SetName("Arial");
    form->Font()->SetSize(12);
    EXPECT_EQ(label->Font()->Name(), "Arial");
    EXPECT_EQ(label->Font()->Size(), 12);
    EXPECT_TRUE(label->ParentFont());
    label->Font()->SetStyle({fsBold});
    EXPECT_FALSE(label->ParentFont());
    form->Font()->SetSize(14);
    EXPECT_EQ(label->Font()->Size(), 12);
    EXPECT_EQ(panel->Font()->Size(), 14);
}

// A bar two levels down a form that shows hints must learn it too: it maps the
// setting onto its own, which only the change notice tells it.
TEST_F(ControlsTest, ShowHint_FlowsDownEveryLevelWithItsNotice)
{
    TForm *form = ShownForm();
    auto *panel = new TPanel(form);
    panel->SetParent(form);
    struct TWatcher : TCustomControl {
        using TCustomControl::TCustomControl;
        int Notices = 0;
        void WndProc(TMessage &Message) override
        {
            if (Message.Msg == CM_SHOWHINTCHANGED) ++Notices;
            TCustomControl::WndProc(Message);
        }
    };
    auto *inner = new TWatcher(form);
    inner->SetParent(panel);
    form->SetShowHint(true);
    EXPECT_TRUE(panel->ShowHint());
    EXPECT_TRUE(inner->ShowHint());
    EXPECT_EQ(inner->Notices, 1);
    form->SetShowHint(true);
    EXPECT_EQ(inner->Notices, 1);
    inner->SetShowHint(false);
    form->SetShowHint(false);
    form->SetShowHint(true);
    EXPECT_FALSE(inner->ShowHint());
    inner->SetParentShowHint(true);
    EXPECT_TRUE(inner->ShowHint());
    EXPECT_EQ(inner->Notices, 3);
}

TEST_F(ControlsTest, Notifications_EnabledAndTextChangesReachTheControl)
{
    TForm *form = ShownForm();
    struct TWatcher : TCustomControl {
        using TCustomControl::TCustomControl;
        std::vector<UINT> Seen;
        void WndProc(TMessage &Message) override
        {
            if (Message.Msg >= CM_BASE && Message.Msg < CM_BASE + 100) Seen.push_back(Message.Msg);
            TCustomControl::WndProc(Message);
        }
    };
    auto *w = new TWatcher(form);
    w->SetParent(form);
    w->Seen.clear();
    w->SetEnabled(false);
    w->SetCaption("x");
    w->Font()->SetSize(20);
    EXPECT_EQ(w->Seen, (std::vector<UINT>{CM_ENABLEDCHANGED, CM_TEXTCHANGED, CM_FONTCHANGED}));
}

TEST_F(ControlsTest, Paint_PanelColourReachesItsWindowSurface)
{
    TForm *form = ShownForm();
    auto *panel = new TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(10, 10, 100, 50);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clRed);
    panel->Repaint();
    Pump();
    EXPECT_EQ(win::SurfacePixel(panel->Handle(), 50, 25), RGB(255, 0, 0));
    panel->SetColor(clLime);
    panel->Repaint();
    EXPECT_EQ(win::SurfacePixel(panel->Handle(), 50, 25), RGB(0, 255, 0));
}

TEST_F(ControlsTest, Align_BottomAndClientShareTheParent)
{
    TForm *form = ShownForm(400, 300);
    auto *bottom = new TPanel(form);
    bottom->SetParent(form);
    bottom->SetHeight(30);
    bottom->SetAlign(alBottom);
    auto *client = new TPanel(form);
    client->SetParent(form);
    client->SetAlign(alClient);
    const TRect area = form->ClientRect();
    EXPECT_EQ(bottom->BoundsRect(), TRect(0, area.Height() - 30, area.Width(), area.Height()));
    EXPECT_EQ(client->BoundsRect(), TRect(0, 0, area.Width(), area.Height() - 30));
}

} // namespace
