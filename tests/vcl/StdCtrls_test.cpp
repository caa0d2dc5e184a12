#include "tests/vcl/VclTestSupport.h"

#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Tabs.h"
#include "platform/win/Paint.h"
#include "platform/win/SysParams.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using namespace vcltest;

namespace
{

class StdCtrlsTest : public VclTest
{
};

// ---- TComboBox ------------------------------------------------------------------------

TEST_F(StdCtrlsTest, ComboBox_IndexOfIgnoresCaseAndCyrillicCase)
{
    TComboBox combo(nullptr);
    combo.Items()->Add("COM1");
    combo.Items()->Add("Принтер"_a);
    EXPECT_EQ(combo.Items()->IndexOf("com1"), 0);
    EXPECT_EQ(combo.Items()->IndexOf("ПРИНТЕР"_a), 1);
    EXPECT_EQ(combo.Items()->IndexOf("COM"), -1);
}

TEST_F(StdCtrlsTest, ComboBox_OutOfRangeItemIndexSelectsNothing)
{
    TComboBox combo(nullptr);
    combo.SetStyle(csDropDownList);
    combo.Items()->Add("9600");
    combo.Items()->Add("19200");
    combo.SetItemIndex(1);
    EXPECT_EQ(combo.Text(), "19200");
    combo.SetItemIndex(2);
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(combo.Text(), "");
    combo.SetItemIndex(0);
    combo.SetItemIndex(-5);
    EXPECT_EQ(combo.ItemIndex(), -1);
}

TEST_F(StdCtrlsTest, ComboBox_DeletingTheSelectedItemLeavesNoSelection)
{
    TComboBox combo(nullptr);
    combo.SetStyle(csDropDownList);
    for (const char *s : {"a", "b", "c"})
        combo.Items()->Add(s);
    combo.SetItemIndex(2);
    combo.Items()->Delete(0);
    EXPECT_EQ(combo.ItemIndex(), 1);
    EXPECT_EQ(combo.Text(), "c");
    combo.Items()->Delete(1);
    EXPECT_EQ(combo.ItemIndex(), -1);
    combo.SetItemIndex(0);
    combo.Items()->Clear();
    EXPECT_EQ(combo.ItemIndex(), -1);
}

// A combo box that draws its items itself, as the picture combo boxes do.
class TDrawingCombo : public TComboBox
{
public:
    using TComboBox::TComboBox;
    std::vector<std::pair<int, bool>> Drawn;

protected:
    void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override
    {
        Drawn.push_back({Index, State.Contains(odComboBoxEdit)});
        // The canvas comes set up: highlight colours for the selected item.
        if (State.Contains(odSelected)) {
            EXPECT_EQ(Canvas()->Brush()->Color(), clHighlight);
        }
        Canvas()->FillRect(Rect);
    }
};

TEST_F(StdCtrlsTest, ComboBox_SelectionFollowsInsertsAndClear)
{
    TComboBox combo(nullptr);
    combo.SetStyle(csDropDownList);
    for (const char *s : {"a", "b", "c"})
        combo.Items()->Add(s);
    combo.SetItemIndex(1);
    combo.Items()->Insert(0, "z");
    EXPECT_EQ(combo.ItemIndex(), 2);
    EXPECT_EQ(combo.Text(), "b");
    combo.Items()->Add("d");
    EXPECT_EQ(combo.ItemIndex(), 2);
    combo.Items()->Clear();
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(combo.Text(), "");
    EXPECT_EQ(combo.Items()->Count(), 0);
    combo.SetItemIndex(0); // nothing to select
    EXPECT_EQ(combo.ItemIndex(), -1);
}

TEST_F(StdCtrlsTest, ComboBox_OwnerDrawCallsTheVirtualDrawItem)
{
    TForm *form = ShownForm();
    auto *combo = new TDrawingCombo(form);
    combo->SetParent(form);
    combo->SetStyle(csOwnerDrawFixed);
    combo->SetItemHeight(24);
    EXPECT_EQ(combo->Height(), 30);
    combo->Items()->Add("one");
    combo->Items()->Add("two");
    combo->SetItemIndex(1);
    combo->Drawn.clear();
    combo->Repaint();
    ASSERT_FALSE(combo->Drawn.empty());
    EXPECT_EQ(combo->Drawn.back(), std::make_pair(1, true));
}

TEST_F(StdCtrlsTest, ComboBox_KeysAndDropDownChooseWithEvents)
{
    TForm *form = ShownForm();
    auto *combo = new TComboBox(form);
    combo->SetParent(form);
    combo->SetStyle(csDropDownList);
    for (const char *s : {"a", "b", "c"})
        combo->Items()->Add(s);
    std::vector<std::string> events;
    combo->OnChange = [&](TObject *) { events.push_back("change " + combo->Text().ToStd()); };
    combo->OnClick = [&](TObject *) { events.push_back("click"); };
    Pump();
    combo->SetFocus();
    Key(VK_DOWN);
    Key(VK_DOWN);
    Pump();
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(events, (std::vector<std::string>{"click", "change a", "click", "change b"}));
    events.clear();
    Click(combo, 5, 5);
    Pump();
    ASSERT_TRUE(combo->DroppedDown());
    EXPECT_EQ(GetFocus(), combo->Handle());
    Key(VK_DOWN);
    Key(VK_RETURN, '\r');
    Pump();
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(combo->Text(), "c");
    EXPECT_EQ(events, (std::vector<std::string>{"click", "change c"}));
}

TEST_F(StdCtrlsTest, ComboBox_LongListScrollsByItsBarAndTheWheel)
{
    TForm *form = ShownForm();
    auto *combo = new TComboBox(form);
    combo->SetParent(form);
    combo->SetStyle(csDropDownList);
    combo->SetBounds(10, 10, 120, 21);
    for (int seconds = 25; seconds <= 245; seconds += 5) // the 45 back-light times
        combo->Items()->Add(IntToStr(seconds));
    combo->SetItemIndex(0);
    Pump();
    combo->SetFocus();
    const int row = combo->ItemHeight();
    // Opens the list and gives it as a control, with the x of its scroll bar.
    auto open = [&] {
        Click(combo, 5, 5);
        Pump();
        EXPECT_TRUE(combo->DroppedDown());
        const TPoint below = combo->ClientToScreen(TPoint(5, combo->Height() + 5));
        return FindControl(WindowFromPoint(POINT{below.X, below.Y}));
    };
    auto choose = [&](TWinControl *list, int Row) {
        Click(list, 5, 1 + Row * row + row / 2);
        Pump();
        EXPECT_FALSE(combo->DroppedDown());
        return combo->Text().ToStd();
    };

    TWinControl *list = open();
    ASSERT_TRUE(list);
    const int bar = list->ClientWidth() - 1 - 17 / 2;
    const TPoint middle = list->ClientToScreen(TPoint(40, list->ClientHeight() / 2));
    win::InjectMouseInput(
        {win::MouseAction::Wheel, win::MouseButton::None, POINT{middle.X, middle.Y}, -WHEEL_DELTA});
    Pump();
    EXPECT_EQ(choose(list, 0), "40") << "a notch of the wheel scrolls three items";

    list = open();
    // The down arrow of the bar, twice: the list starts two items further.
    const int downArrow = list->ClientHeight() - 1 - 17 / 2;
    Click(list, bar, downArrow);
    Click(list, bar, downArrow);
    Pump();
    ASSERT_TRUE(combo->DroppedDown()) << "a click on the bar chooses nothing";
    EXPECT_EQ(choose(list, 0), "35");

    list = open();
    // Two quick clicks: the window system makes the second press a double click, a step too.
    Click(list, bar, downArrow);
    const TPoint arrow = list->ClientToScreen(TPoint(bar, downArrow));
    win::InjectMouseInput(
        {win::MouseAction::DoubleClick, win::MouseButton::Left, POINT{arrow.X, arrow.Y}});
    MouseUp(list, bar, downArrow);
    Pump();
    ASSERT_TRUE(combo->DroppedDown());
    EXPECT_EQ(choose(list, 0), "35");

    list = open();
    // The thumb dragged to the end of the track shows the last items.
    const int thumbTop = 1 + 17 + 2;
    MouseDown(list, bar, thumbTop);
    MouseMove(list, bar, list->ClientHeight());
    MouseUp(list, bar, list->ClientHeight());
    Pump();
    ASSERT_TRUE(combo->DroppedDown());
    EXPECT_EQ(choose(list, combo->DropDownCount() - 1), "245");
}

// ---- TEdit ---------------------------------------------------------------------------------

// An edit that takes every paste itself, as the validating edits do.
class TPasteCountingEdit : public TEdit
{
public:
    using TEdit::TEdit;
    int Pastes = 0;
    void WndProc(TMessage &Message) override
    {
        if (Message.Msg == WM_PASTE) {
            ++Pastes;
            return;
        }
        TEdit::WndProc(Message);
    }
};

TEST_F(StdCtrlsTest, Edit_EveryPastePathReachesWmPaste)
{
    TForm *form = ShownForm();
    auto *edit = new TPasteCountingEdit(form);
    edit->SetParent(form);
    Pump();
    edit->SetFocus();
    KeyDown(VK_CONTROL);
    Key('V', 22);
    KeyUp(VK_CONTROL);
    KeyDown(VK_SHIFT);
    Key(VK_INSERT);
    KeyUp(VK_SHIFT);
    Pump();
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Pastes, 3);
    EXPECT_EQ(edit->Text(), "");
}

TEST_F(StdCtrlsTest, Edit_PasteKeepsMaxLengthAndFirstLine)
{
    TForm *form = ShownForm();
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetMaxLength(5);
    Clipboard()->SetAsText("1234567\r\nnext");
    edit->SetText("ab");
    edit->SetSelStart(2);
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), "ab123");
    edit->SelectAll();
    edit->CopyToClipboard();
    EXPECT_EQ(Clipboard()->AsText(), "ab123");
    Clipboard()->SetAsText("Привет"_a);
    edit->SetMaxLength(0);
    edit->SelectAll();
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), "Привет"_a);
}

TEST_F(StdCtrlsTest, Edit_ReadOnlyRefusesEveryChangeButCopies)
{
    TForm *form = ShownForm();
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetText("abc");
    edit->SetReadOnly(true);
    Clipboard()->SetAsText("zz");
    edit->SelectAll();
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), "abc");
    edit->CutToClipboard();
    EXPECT_EQ(edit->Text(), "abc");
    edit->SetFocus();
    Key('X', 'x');
    Key(VK_BACK);
    Pump();
    EXPECT_EQ(edit->Text(), "abc");
    edit->SelectAll();
    edit->CopyToClipboard();
    EXPECT_EQ(Clipboard()->AsText(), "abc");
}

TEST_F(StdCtrlsTest, Edit_PasteOverASelectionCountsTheFreedRoom)
{
    TForm *form = ShownForm();
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetMaxLength(5);
    edit->SetText("abcde");
    edit->SetSelStart(1);
    edit->SetSelLength(2);
    Clipboard()->SetAsText("12345");
    edit->PasteFromClipboard();
    EXPECT_EQ(edit->Text(), "a12de");
    EXPECT_EQ(edit->SelStart(), 3);
    EXPECT_EQ(edit->SelLength(), 0);
}

TEST_F(StdCtrlsTest, Edit_PasswordTextIsNeverCopied)
{
    TForm *form = ShownForm();
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetPasswordChar('*');
    edit->SetText("secret");
    Clipboard()->SetAsText("before");
    edit->SelectAll();
    edit->CopyToClipboard();
    edit->CutToClipboard();
    EXPECT_EQ(Clipboard()->AsText(), "before");
    EXPECT_EQ(edit->Text(), "secret");
}

TEST_F(StdCtrlsTest, Edit_SelectionAndCaretFromKeys)
{
    TForm *form = ShownForm();
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetText("hello");
    Pump();
    edit->SetFocus();
    Pump();
    EXPECT_EQ(edit->SelLength(), 5); // focus by program selects all
    Key(VK_END);
    KeyDown(VK_SHIFT);
    Key(VK_LEFT);
    Key(VK_LEFT);
    KeyUp(VK_SHIFT);
    Pump();
    EXPECT_EQ(edit->SelStart(), 3);
    EXPECT_EQ(edit->SelText(), "lo");
    Key(VK_BACK, 8);
    Pump();
    EXPECT_EQ(edit->Text(), "hel");
}

// ---- Buttons and check boxes ---------------------------------------------------------------

TEST_F(StdCtrlsTest, CheckBox_ChangeInCodeRaisesOnClickOnce)
{
    TForm *form = ShownForm();
    auto *box = new TCheckBox(form);
    box->SetParent(form);
    int clicks = 0;
    box->OnClick = [&](TObject *) { ++clicks; };
    box->SetChecked(true);
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    Pump();
    Click(box, 5, 5);
    Pump();
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(clicks, 2);
}

TEST_F(StdCtrlsTest, RadioButton_CheckingOneUnchecksTheOthers)
{
    TForm *form = ShownForm();
    auto *a = new TRadioButton(form);
    a->SetParent(form);
    auto *b = new TRadioButton(form);
    b->SetParent(form);
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
}

// ---- Common controls -----------------------------------------------------------------------

TEST_F(StdCtrlsTest, ProgressBar_StepItStaysAtMax)
{
    TProgressBar bar(nullptr);
    bar.SetMax(25);
    bar.SetStep(10);
    bar.StepIt();
    bar.StepIt();
    EXPECT_EQ(bar.Position(), 20);
    bar.StepIt();
    EXPECT_EQ(bar.Position(), 25);
    bar.StepIt();
    EXPECT_EQ(bar.Position(), 25);
    bar.SetPosition(-3);
    EXPECT_EQ(bar.Position(), 0);
}

// Steps too small to move the bar by a pixel are not painted; after each the bar still shows
// what painting it afresh shows.
TEST_F(StdCtrlsTest, ProgressBar_AfterEachStepShowsWhatAFullRepaintShows)
{
    TForm *form = ShownForm(300, 200);
    auto *bar = new TProgressBar(form);
    bar->SetParent(form);
    bar->SetBounds(10, 10, 104, 20);
    bar->SetMax(299);
    bar->SetStep(1);
    const auto row = [bar] {
        std::string pixels;
        for (int x = 0; x < bar->Width(); ++x)
            pixels +=
                win::SurfacePixel(bar->Handle(), x, bar->Height() / 2) == ColorToRGB(clHighlight)
                    ? '#'
                    : '.';
        return pixels;
    };
    for (const bool smooth : {false, true}) {
        bar->SetSmooth(smooth);
        bar->SetPosition(0);
        for (int step = 0; step < 299; ++step) {
            bar->StepIt();
            Pump();
            const std::string shown = row();
            bar->Repaint();
            ASSERT_EQ(shown, row()) << "smooth " << smooth << ", position " << bar->Position();
        }
        EXPECT_GT(std::ranges::count(row(), '#'), bar->Width() / 2) << "full at the end";
    }
}

TEST_F(StdCtrlsTest, TrackBar_PositionIsClampedAndReported)
{
    TTrackBar bar(nullptr);
    bar.SetMax(28);
    std::vector<int> seen;
    bar.OnChange = [&](TObject *) { seen.push_back(bar.Position()); };
    bar.SetPosition(5);
    bar.SetPosition(40);
    bar.SetPosition(28);
    EXPECT_EQ(seen, (std::vector<int>{5, 28}));
}

TEST_F(StdCtrlsTest, UpDown_PositionRewritesTheBuddy)
{
    TForm *form = ShownForm();
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    auto *updown = new TUpDown(form);
    updown->SetMax(32767);
    updown->SetThousands(false);
    updown->SetAssociate(edit);
    updown->SetPosition(1234);
    EXPECT_EQ(edit->Text(), "1234");
    EXPECT_EQ(updown->Left(), edit->Left() + edit->Width());
    edit->SetText("99");
    Pump();
    Click(updown, 5, 2);
    Pump();
    EXPECT_EQ(updown->Position(), 100);
    EXPECT_EQ(edit->Text(), "100");
}

TEST_F(StdCtrlsTest, DateTimePicker_DateModeKeepsTheTimeOfDay)
{
    TDateTimePicker picker(nullptr);
    picker.SetDateTime(EncodeDate(2024, 12, 7) + EncodeTime(15, 30, 0, 0));
    picker.SetDate(EncodeDate(2025, 1, 2));
    EXPECT_DOUBLE_EQ(picker.DateTime(), EncodeDate(2025, 1, 2) + EncodeTime(15, 30, 0, 0));
    picker.SetDateFormat(dfLong);
    picker.SetDate(EncodeDate(2024, 12, 7));
    EXPECT_EQ(picker.DisplayText(), "7 декабря 2024 г."_a);
    EXPECT_EQ(picker.Text(), "7 декабря 2024 г."_a);
}

TEST_F(StdCtrlsTest, DateTimePicker_ArrowsChangeTheFieldAndReport)
{
    TForm *form = ShownForm();
    auto *picker = new TDateTimePicker(form);
    picker->SetParent(form);
    picker->SetDateTime(EncodeDate(2024, 12, 31) + EncodeTime(8, 0, 0, 0));
    int changes = 0;
    picker->OnChange = [&](TObject *) { ++changes; };
    Pump();
    picker->SetFocus();
    Key(VK_UP);
    Pump();
    EXPECT_DOUBLE_EQ(picker->DateTime(), EncodeDate(2025, 1, 1) + EncodeTime(8, 0, 0, 0));
    EXPECT_EQ(changes, 1);
}

// A focused picker on a shown form, its changes counted.
class DateTimePickerTest : public StdCtrlsTest
{
protected:
    void SetUp() override
    {
        StdCtrlsTest::SetUp();
        TForm *form = ShownForm(400, 320);
        Picker = new TDateTimePicker(form);
        Picker->SetParent(form);
        Picker->SetBounds(20, 20, 160, 24);
        Picker->SetDateTime(EncodeDate(2024, 12, 7) + EncodeTime(15, 30, 0, 0));
        Picker->OnChange = [this](TObject *) { ++Changes; };
        Pump();
        Picker->SetFocus();
        Pump();
    }
    void Type(const char *Text)
    {
        for (const char *c = Text; *c; ++c)
            Key(*c >= '0' && *c <= '9' ? *c : VK_DECIMAL, *c);
        Pump();
    }
    TDateTime Day(int Year, int Month, int Day) const
    {
        return EncodeDate(Year, Month, Day) + EncodeTime(15, 30, 0, 0);
    }
    // The screen rectangle of the window just below the picker when it is not the form's:
    // the open calendar's.
    TRect CalendarRect() const
    {
        const TPoint below = Picker->ClientToScreen(TPoint(5, Picker->Height() + 5));
        TWinControl *shown = FindControl(WindowFromPoint(POINT{below.X, below.Y}));
        if (!shown || shown == Form.get()) return TRect();
        return shown->BoundsRect();
    }

    TDateTimePicker *Picker = nullptr;
    int Changes = 0;
};

TEST_F(DateTimePickerTest, DigitsTypeTheFieldsAndMoveOnWhenAFieldIsFull)
{
    Type("03");
    EXPECT_DOUBLE_EQ(Picker->DateTime(), Day(2024, 12, 3));
    // The month field is next: "1" may still become 10 to 12, "1" more makes it 11.
    Type("1");
    EXPECT_DOUBLE_EQ(Picker->DateTime(), Day(2024, 1, 3));
    Type("1");
    EXPECT_DOUBLE_EQ(Picker->DateTime(), Day(2024, 11, 3));
    Type("2025");
    EXPECT_DOUBLE_EQ(Picker->DateTime(), Day(2025, 11, 3));
    EXPECT_EQ(Picker->DisplayText(), "03.11.2025");
    EXPECT_EQ(Changes, 4);

    // A digit no second digit could follow ends the field; a separator ends it too.
    Key(VK_LEFT);
    Key(VK_LEFT);
    Type("4");
    Type("1.");
    Type("2026");
    EXPECT_DOUBLE_EQ(Picker->DateTime(), Day(2026, 1, 4));
    // In February "29" cannot be a day: the field starts again from the 9.
    Key(VK_LEFT);
    Type("2");
    Key(VK_LEFT);
    Key(VK_LEFT);
    Type("29");
    EXPECT_DOUBLE_EQ(Picker->DateTime(), Day(2026, 2, 9));
    // A short year is placed as the date parser places it, once the field is left.
    Key(VK_RIGHT);
    Type("7");
    Key(VK_LEFT);
    Pump();
    EXPECT_DOUBLE_EQ(Picker->DateTime(), Day(2007, 2, 9));
}

TEST_F(DateTimePickerTest, TimeFieldsTakeDigitsToo)
{
    Picker->SetKind(dtkTime);
    Type("0945");
    EXPECT_DOUBLE_EQ(Picker->DateTime(), EncodeDate(2024, 12, 7) + EncodeTime(9, 45, 0, 0));
}

TEST_F(DateTimePickerTest, CalendarOpensByKeysAndChoosesWithTheKeyboard)
{
    for (const auto &[key, alt] : {std::pair{VK_F4, false}, std::pair{VK_DOWN, true}}) {
        if (alt) KeyDown(VK_MENU);
        Key(key);
        if (alt) KeyUp(VK_MENU);
        Pump();
        EXPECT_TRUE(Picker->DroppedDown()) << key;
        EXPECT_GT(CalendarRect().Width(), 0);
        Key(VK_ESCAPE);
        Pump();
        EXPECT_FALSE(Picker->DroppedDown()) << key;
        EXPECT_EQ(Changes, 0);
    }
    Key(VK_F4);
    Key(VK_RIGHT); // 8 December
    Key(VK_DOWN);  // 15 December
    Key(VK_NEXT);  // 15 January
    Key(VK_RETURN);
    Pump();
    EXPECT_FALSE(Picker->DroppedDown());
    EXPECT_DOUBLE_EQ(Picker->DateTime(), Day(2025, 1, 15));
    EXPECT_EQ(Changes, 1);
}

TEST_F(DateTimePickerTest, ArrowButtonOpensTheCalendarAndAClickOnADayChoosesIt)
{
    Click(Picker, Picker->Width() - 8, 10);
    Pump();
    ASSERT_TRUE(Picker->DroppedDown());
    const TRect calendar = CalendarRect();
    ASSERT_GT(calendar.Width(), 0);
    // December 2024 begins on a Sunday: the first row runs from 25 November to 1 December,
    // the second from 2 to 8 December; the 4th is its Wednesday.
    const int cellWidth = 26, cellHeight = 18, daysTop = 4 + 1 + 24 + 20;
    const TPoint day4 =
        Picker->ScreenToClient(TPoint(calendar.Left + 5 + 2 * cellWidth + cellWidth / 2,
                                      calendar.Top + daysTop + cellHeight + cellHeight / 2));
    Click(Picker, day4.X, day4.Y);
    Pump();
    EXPECT_FALSE(Picker->DroppedDown());
    EXPECT_DOUBLE_EQ(Picker->DateTime(), Day(2024, 12, 4));
    EXPECT_EQ(Changes, 1);

    // A click outside closes it and changes nothing.
    Click(Picker, Picker->Width() - 8, 10);
    Pump();
    ASSERT_TRUE(Picker->DroppedDown());
    Click(Picker, 300, 100);
    Pump();
    EXPECT_FALSE(Picker->DroppedDown());
    EXPECT_EQ(Changes, 1);
}

TEST_F(StdCtrlsTest, PageControl_ChangingSeesThePageBeingLeftAndCanRefuse)
{
    TForm *form = ShownForm();
    auto *pages = new TPageControl(form);
    pages->SetParent(form);
    pages->SetBounds(0, 0, 300, 200);
    std::vector<TTabSheet *> sheets;
    for (const char *caption : {"One", "Two", "Three"}) {
        auto *sheet = new TTabSheet(form);
        sheet->SetCaption(caption);
        sheet->SetPageControl(pages);
        sheets.push_back(sheet);
    }
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    std::vector<std::string> log;
    bool allow = false;
    pages->OnChanging = [&](TObject *, bool &AllowChange) {
        log.push_back("changing from " + pages->ActivePage()->Caption().ToStd());
        AllowChange = allow;
    };
    pages->OnChange = [&](TObject *) {
        log.push_back("change to " + pages->ActivePage()->Caption().ToStd());
    };
    Pump();
    const TRect tab = pages->TabRect(2);
    Click(pages, tab.Left + 3, tab.Top + 3);
    Pump();
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    allow = true;
    Click(pages, tab.Left + 3, tab.Top + 3);
    Pump();
    EXPECT_EQ(pages->ActivePage(), sheets[2]);
    EXPECT_TRUE(sheets[2]->Visible());
    EXPECT_FALSE(sheets[0]->Visible());
    EXPECT_EQ(log, (std::vector<std::string>{"changing from One", "changing from One",
                                             "change to Three"}));
    pages->SetActivePage(sheets[1]); // in code: no events
    EXPECT_EQ(log.size(), 3u);
}

// A user on a control of a page turns the pages with Ctrl+Tab and lands on the new page's
// first control; a refused change leaves page and focus where they were.
TEST_F(StdCtrlsTest, PageControl_CtrlTabFromAControlOnAPageTurnsThePage)
{
    TForm *form = ShownForm();
    auto *pages = new TPageControl(form);
    pages->SetParent(form);
    pages->SetBounds(0, 0, 300, 200);
    std::vector<TTabSheet *> sheets;
    std::vector<TEdit *> edits;
    for (const char *caption : {"One", "Two"}) {
        auto *sheet = new TTabSheet(form);
        sheet->SetCaption(caption);
        sheet->SetPageControl(pages);
        auto *edit = new TEdit(form);
        edit->SetParent(sheet);
        sheets.push_back(sheet);
        edits.push_back(edit);
    }
    bool allow = true;
    pages->OnChanging = [&](TObject *, bool &AllowChange) { AllowChange = allow; };
    Pump();
    edits[0]->SetFocus();
    Pump();
    auto ctrlTab = [](bool Shift) {
        KeyDown(VK_CONTROL);
        if (Shift) KeyDown(VK_SHIFT);
        Key(VK_TAB);
        if (Shift) KeyUp(VK_SHIFT);
        KeyUp(VK_CONTROL);
        Pump();
    };
    ctrlTab(false);
    EXPECT_EQ(pages->ActivePage(), sheets[1]);
    EXPECT_TRUE(edits[1]->Focused());
    ctrlTab(true);
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    EXPECT_TRUE(edits[0]->Focused());
    allow = false;
    ctrlTab(false);
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    EXPECT_TRUE(edits[0]->Focused());
}

// Tab images taller than the text make the tab row taller, and the page shown stands below
// that row as the pages shown later do, however late the images came.
TEST_F(StdCtrlsTest, PageControl_PageStandsBelowTheTabRowOfItsImagesAndFont)
{
    TForm *form = ShownForm();
    auto *pages = new TPageControl(form);
    pages->SetParent(form);
    pages->SetBounds(0, 0, 300, 200);
    auto *first = new TTabSheet(form);
    first->SetPageControl(pages);
    auto *second = new TTabSheet(form);
    second->SetPageControl(pages);
    const int textOnly = first->Top();
    auto *images = new TImageList(form);
    images->SetHeight(24);
    pages->SetImages(images);
    Pump();
    EXPECT_GT(first->Top(), textOnly);
    EXPECT_GE(first->Top(), pages->TabRect(0).Bottom);
    pages->SetActivePage(second);
    EXPECT_EQ(second->Top(), first->Top());
    EXPECT_EQ(second->Height(), first->Height());

    const int fontHeight = pages->Font()->Height();
    pages->Font()->SetHeight(-30);
    EXPECT_GE(second->Top(), pages->TabRect(1).Bottom);
    pages->SetImages(nullptr);
    pages->Font()->SetHeight(fontHeight);
    EXPECT_EQ(second->Top(), textOnly);
}

TEST_F(StdCtrlsTest, TabSet_ChangeAsksAndClicks)
{
    TTabSet tabs(nullptr);
    for (const char *s : {"a", "b", "c", "d"})
        tabs.Tabs()->Add(s);
    std::vector<int> asked;
    tabs.OnChange = [&](TObject *, int NewTab, bool &AllowChange) {
        asked.push_back(NewTab);
        AllowChange = NewTab != 3;
    };
    int clicks = 0;
    tabs.OnClick = [&](TObject *) { ++clicks; };
    tabs.SetTabIndex(2);
    tabs.SetTabIndex(3);
    EXPECT_EQ(tabs.TabIndex(), 2);
    EXPECT_EQ(asked, (std::vector<int>{2, 3}));
    EXPECT_EQ(clicks, 1);
    EXPECT_THROW(tabs.SetTabIndex(4), EListError);
}

// Reached with Tab, the tab set shows the focus on its tab, and the arrow keys change the tab,
// asking as a click does, without leaving it.
TEST_F(StdCtrlsTest, TabSet_ArrowKeysChangeTheTabOnceReachedWithTab)
{
    TForm *form = ShownForm(300, 200);
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 100, 22);
    auto *tabs = new TTabSet(form);
    tabs->SetParent(form);
    tabs->SetBounds(10, 100, 250, 21);
    for (const char *s : {"a", "b", "c"})
        tabs->Tabs()->Add(s);
    tabs->SetTabIndex(0);
    std::vector<int> asked;
    tabs->OnChange = [&](TObject *, int NewTab, bool &) { asked.push_back(NewTab); };
    auto surface = [tabs] {
        tabs->Repaint();
        std::vector<COLORREF> pixels;
        for (int y = 0; y < tabs->Height(); ++y)
            for (int x = 0; x < tabs->Width(); ++x)
                pixels.push_back(win::SurfacePixel(tabs->Handle(), x, y));
        return pixels;
    };
    Pump();
    edit->SetFocus();
    Pump();
    const std::vector<COLORREF> unfocused = surface();
    Key(VK_TAB);
    Pump();
    ASSERT_TRUE(tabs->Focused());
    EXPECT_NE(surface(), unfocused);
    for (int key : {VK_RIGHT, VK_RIGHT, VK_RIGHT, VK_LEFT}) {
        Key(key);
        Pump();
    }
    EXPECT_EQ(tabs->TabIndex(), 1);
    EXPECT_EQ(asked, (std::vector<int>{1, 2, 1}));
    EXPECT_TRUE(tabs->Focused());
}

TEST_F(StdCtrlsTest, StatusBar_ColourPaintsTheWholeBar)
{
    TForm *form = ShownForm(300, 200);
    auto *bar = new TStatusBar(form);
    bar->SetParent(form);
    bar->SetSimplePanel(true);
    bar->SetSimpleText("Порт открыт"_a);
    bar->SetColor(clLime);
    bar->Repaint();
    EXPECT_EQ(win::SurfacePixel(bar->Handle(), bar->Width() - 8, bar->Height() / 2),
              RGB(0, 255, 0));
    EXPECT_EQ(bar->Top() + bar->Height(), form->ClientHeight());
}

// Pixels of a control's surface in an area that differ from a colour.
int PixelsOtherThan(TWinControl *Control, const TRect &Area, COLORREF Colour)
{
    int count = 0;
    for (int y = Area.Top; y < Area.Bottom; ++y)
        for (int x = Area.Left; x < Area.Right; ++x)
            count += win::SurfacePixel(Control->Handle(), x, y) != Colour;
    return count;
}

TEST_F(StdCtrlsTest, StatusBar_SimpleTextAndColourShowAfterTheQueueRuns)
{
    TForm *form = ShownForm(300, 200);
    auto *bar = new TStatusBar(form);
    bar->SetParent(form);
    bar->SetSimplePanel(true);
    bar->Font()->SetHeight(-16);
    bar->Font()->SetStyle(TFontStyles() << fsBold);
    bar->SetColor(clLime);
    bar->SetSimpleText("  Порт открыт  "_a);
    Pump();
    const TRect text(4, 4, bar->Width() / 2, bar->Height() - 4);
    EXPECT_GT(PixelsOtherThan(bar, text, RGB(0, 255, 0)), 0);
    bar->SetSimpleText("");
    Pump();
    EXPECT_EQ(PixelsOtherThan(bar, text, RGB(0, 255, 0)), 0);
    bar->SetColor(clRed);
    Pump();
    EXPECT_EQ(PixelsOtherThan(bar, text, RGB(255, 0, 0)), 0);
    bar->SetColor(clBtnFace);
    Pump();
    EXPECT_EQ(PixelsOtherThan(bar, text, static_cast<COLORREF>(ColorToRGB(clBtnFace))), 0);
}

// A status text cut at the bar's edge is read whole in the hint, for as long as the mouse
// rests on it, in a box as wide as the bar and on the screen; a text that fits gives none.
TEST_F(StdCtrlsTest, StatusBar_CutTextShowsWholeInTheHint)
{
    QuickHints quick;
    Application->SetHintHidePause(100);
    TForm *form = ShownForm(300, 200);
    auto *bar = new TStatusBar(form);
    bar->SetParent(form);
    bar->SetSimplePanel(true);
    bar->SetShowHint(true);
    const AnsiString whole = "Ошибка при получении файла!  http://mirror.example/qrv4/123.txt - "
                             "Узел mirror.example не найден"_a;
    bar->SetSimpleText("  " + whole);
    MouseMove(form, 150, 50);
    MouseMove(bar, bar->Width() - 10, 8);
    ASSERT_TRUE(PumpUntil([&] { return ShownHint() == whole; })) << ShownHint().ToUtf8();
    PumpFor(300); // past the usual hint time
    EXPECT_EQ(ShownHint(), whole);
    THintWindow *window = Application->HintWindow();
    EXPECT_LE(window->Width(), bar->Width());
    EXPECT_GT(window->Height(), 2 * window->Canvas()->TextHeight("Wg")) << "not wrapped";
    EXPECT_EQ(window->Left(), bar->ClientToScreen(TPoint(0, 0)).X);
    EXPECT_LE(window->Left() + window->Width(), GetSystemMetrics(SM_CXVIRTUALSCREEN));

    MouseMove(form, 150, 50);
    Pump();
    EXPECT_EQ(ShownHint(), "");
    bar->SetSimpleText("  Готово"_a);
    MouseMove(bar, 20, 8);
    PumpFor(200);
    EXPECT_EQ(ShownHint(), "");
}

TEST_F(StdCtrlsTest, StatusBar_HintFollowsAChangedText)
{
    QuickHints quick;
    TForm *form = ShownForm(300, 200);
    auto *bar = new TStatusBar(form);
    bar->SetParent(form);
    bar->SetShowHint(true);
    TStatusPanel *panel = bar->AddPanel();
    const AnsiString first = "Ошибка при получении файла!  http://mirror.example/qrv4/123.txt - "
                             "Узел mirror.example не найден"_a;
    panel->SetText(first);
    MouseMove(form, 150, 50);
    MouseMove(bar, bar->Width() - 10, 8);
    ASSERT_TRUE(PumpUntil([&] { return ShownHint() == first; })) << ShownHint().ToUtf8();

    const AnsiString second = "Ошибка при получении файла!  http://mirror.example/qrv4/124.txt - "
                              "Нет соединения с узлом mirror.example"_a;
    panel->SetText(second);
    Pump();
    EXPECT_EQ(ShownHint(), second) << ShownHint().ToUtf8();
    panel->SetText("Готово"_a);
    Pump();
    EXPECT_EQ(ShownHint(), "");
}

// The top-left corner of the ink (pixels other than Background) in an area; (-1, -1) without.
TPoint InkCorner(const std::function<COLORREF(int, int)> &Pixel, const TRect &Area,
                 COLORREF Background)
{
    TPoint corner(-1, -1);
    for (int y = Area.Top; y < Area.Bottom; ++y)
        for (int x = Area.Left; x < Area.Right; ++x) {
            if (Pixel(x, y) == Background) continue;
            if (corner.Y < 0) corner.Y = y;
            if (corner.X < 0 || x < corner.X) corner.X = x;
        }
    return corner;
}

// As the system's edit boxes do, the text keeps a pixel above it and two before it inside the
// sunken border, whatever the glyphs' own bearings.
TEST_F(StdCtrlsTest, Edit_TextKeepsTheSystemsMarginsInsideTheBorder)
{
    TForm *form = ShownForm(300, 200);
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 120, 21);
    const AnsiString text = "ЙЁ|"_a;
    edit->SetText(text);
    edit->Repaint();
    const COLORREF window = ColorToRGB(clWindow);
    const TPoint inEdit =
        InkCorner([&](int X, int Y) { return win::SurfacePixel(edit->Handle(), X, Y); },
                  TRect(2, 2, edit->Width() - 2, edit->Height() - 2), window);

    TBitmap alone;
    alone.SetWidth(60);
    alone.SetHeight(30);
    TCanvas *canvas = alone.Canvas();
    canvas->Brush()->SetColor(clWindow);
    canvas->FillRect(TRect(0, 0, 60, 30));
    canvas->Font()->Assign(edit->Font());
    canvas->TextOut(0, 0, text);
    const TPoint drawn = InkCorner(
        [&](int X, int Y) { return static_cast<COLORREF>(ColorToRGB(canvas->Pixels(X, Y))); },
        TRect(0, 0, 60, 30), window);
    ASSERT_GE(drawn.X, 0);
    EXPECT_EQ(inEdit.X - drawn.X, 2 + 2) << "the text touches the left border";
    EXPECT_EQ(inEdit.Y - drawn.Y, 2 + 1) << "the text touches the top border";
}

// Text typed over a selection, or left after deleting, shows from the edit's left margin, as in a
// box that never held more: a box scrolled along a long text does not keep the shorter text
// out of view on its left.
TEST_F(StdCtrlsTest, Edit_ShorterTextScrollsBackIntoView)
{
    TForm *form = ShownForm(300, 200);
    auto *other = new TEdit(form);
    other->SetParent(form);
    other->SetBounds(10, 100, 60, 24);
    auto look = [&](TEdit *Edit) {
        Edit->Repaint();
        std::vector<COLORREF> pixels;
        for (int y = 2; y < Edit->Height() - 2; ++y)
            for (int x = 2; x < Edit->Width() - 2; ++x)
                pixels.push_back(win::SurfacePixel(Edit->Handle(), x, y));
        return pixels;
    };
    auto shown = [&](const AnsiString &Text) {
        auto *fresh = new TEdit(form);
        fresh->SetParent(form);
        fresh->SetBounds(10, 70, 60, 24);
        fresh->SetText(Text);
        Pump();
        const std::vector<COLORREF> pixels = look(fresh);
        delete fresh;
        return pixels;
    };
    auto *edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 60, 24);
    Pump();
    edit->SetFocus();
    Pump();
    auto typeDigits = [](const char *Digits) {
        for (const char *d = Digits; *d; ++d)
            Key(*d, *d);
        Pump();
    };
    typeDigits("99999999999999999999");
    Key('A', 1); // Ctrl+A
    Pump();
    typeDigits("3");
    other->SetFocus();
    Pump();
    ASSERT_EQ(edit->Text().ToUtf8(), "3");
    EXPECT_TRUE(look(edit) == shown("3")) << "the 3 typed over the long number is out of view";

    edit->SetFocus();
    Pump();
    Key(VK_END);
    typeDigits("45678901234567890");
    for (int i = 0; i < 15; ++i)
        Key(VK_BACK, 8);
    Pump();
    other->SetFocus();
    Pump();
    ASSERT_EQ(edit->Text().ToUtf8(), "345");
    EXPECT_TRUE(look(edit) == shown("345")) << "what is left after deleting is out of view";
}

// A combo box's text sits in the middle of its field, as the system's does, not at its top.
TEST_F(StdCtrlsTest, ComboBox_TextSitsInTheMiddleOfItsField)
{
    TForm *form = ShownForm(300, 200);
    auto *combo = new TComboBox(form);
    combo->SetParent(form);
    combo->SetStyle(csDropDownList);
    combo->SetBounds(10, 10, 120, 24);
    combo->Items()->Add("9600");
    combo->SetItemIndex(0);
    combo->Repaint();
    const COLORREF field = win::SurfacePixel(combo->Handle(), 4, 4);
    int top = -1, bottom = -1;
    for (int y = 3; y < combo->Height() - 3; ++y)
        for (int x = 4; x < 40; ++x)
            if (win::SurfacePixel(combo->Handle(), x, y) != field) {
                if (top < 0) top = y;
                bottom = y;
            }
    ASSERT_GE(top, 0) << "no text drawn";
    const int above = top - 3, below = combo->Height() - 3 - 1 - bottom;
    EXPECT_LE(std::abs(above - below), 3)
        << above << " rows above the digits, " << below << " below";
}

// ---- TTimer ------------------------------------------------------------------------------

using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point Since)
{
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - Since).count());
}

TEST_F(StdCtrlsTest, Timer_EnablingARunningTimerDoesNotRestartIt)
{
    TTimer timer(nullptr);
    timer.SetInterval(1000);
    std::vector<std::string> ticks;
    timer.OnTimer = [&](TObject *) { ticks.push_back("running"); };
    // Half the interval goes by (or more, on a loaded machine).
    PumpUntil([&] { return !ticks.empty(); }, 500);
    // A timer started now that ticks after the running one's time and before a whole interval
    // from now, where a restart would put the running one's tick.
    TTimer between(nullptr);
    between.SetInterval(800);
    between.OnTimer = [&](TObject *) { ticks.push_back("between"); };
    timer.SetEnabled(true);
    ASSERT_TRUE(PumpUntil([&] { return ticks.size() >= 2; }, 10000));
    EXPECT_EQ(ticks.front(), "running");
}

TEST_F(StdCtrlsTest, Timer_DisableAndEnableStartsAFullInterval)
{
    TTimer timer(nullptr);
    timer.SetInterval(400);
    std::vector<int> ticks;
    const Clock::time_point start = Clock::now();
    timer.OnTimer = [&](TObject *) { ticks.push_back(ElapsedMs(start)); };
    PumpFor(250);
    ticks.clear();
    timer.SetEnabled(false);
    timer.SetEnabled(true);
    const int enabledAt = ElapsedMs(start);
    while (ticks.empty() && ElapsedMs(start) < 5000)
        PumpFor(50);
    ASSERT_FALSE(ticks.empty());
    EXPECT_GE(ticks.front(), enabledAt + 390);
}

TEST_F(StdCtrlsTest, Timer_IntervalChangeWhileRunningTakesTheNewInterval)
{
    TTimer timer(nullptr);
    timer.SetInterval(2000);
    std::vector<int> ticks;
    const Clock::time_point start = Clock::now();
    timer.OnTimer = [&](TObject *) { ticks.push_back(ElapsedMs(start)); };
    PumpFor(100);
    timer.SetInterval(200);
    const int changedAt = ElapsedMs(start);
    // A timer of half the old interval started with the change: the new interval ticks first.
    bool referenceTicked = false;
    TTimer reference(nullptr);
    reference.SetInterval(1000);
    reference.OnTimer = [&](TObject *) { referenceTicked = true; };
    ASSERT_TRUE(PumpUntil([&] { return !ticks.empty() || referenceTicked; }, 10000));
    ASSERT_FALSE(ticks.empty()) << "the timer kept its old interval";
    EXPECT_GE(ticks.front(), changedAt + 190);
    reference.SetEnabled(false);
    timer.SetInterval(0); // no interval: no ticks
    ticks.clear();
    PumpFor(400);
    EXPECT_TRUE(ticks.empty());
    EXPECT_TRUE(timer.Enabled());
}

TEST_F(StdCtrlsTest, Timer_TicksOnlyInTheMessageLoop)
{
    TTimer timer(nullptr);
    timer.SetInterval(50);
    int ticks = 0;
    timer.OnTimer = [&](TObject *) { ++ticks; };
    const Clock::time_point start = Clock::now();
    while (ElapsedMs(start) < 200) {
    }
    EXPECT_EQ(ticks, 0);
    PumpFor(100);
    EXPECT_GE(ticks, 1);
}

} // namespace

TEST_F(StdCtrlsTest, ListBox_WheelTurnsSmallerThanANotchAddUp)
{
    TForm *form = ShownForm();
    auto *list = new TListBox(form);
    list->SetParent(form);
    list->SetBounds(10, 10, 120, 60);
    for (int i = 0; i < 50; ++i)
        list->Items()->Add(IntToStr(i));
    Pump();
    auto turn = [&](int delta) {
        list->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
    };
    turn(-20);
    EXPECT_EQ(list->TopIndex(), 0) << "half a line is kept";
    turn(-20);
    EXPECT_EQ(list->TopIndex(), 1);
    for (int i = 0; i < 6; ++i)
        turn(-20);
    EXPECT_EQ(list->TopIndex(), 4) << "a notch and a third are four lines";
    turn(60);
    EXPECT_EQ(list->TopIndex(), 3);
}
