#include "tests/menus/MenuTestSupport.h"

#include "menus/TTBItemViewer.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/SysParams.h"

using namespace menutest;

namespace
{

// 16 x 16 pictures, each one colour.
std::unique_ptr<TImageList> Pictures(int Count)
{
    auto List = std::make_unique<TImageList>(nullptr);
    List->SetWidth(16);
    List->SetHeight(16);
    for (int I = 0; I < Count; ++I) {
        TBitmap Bitmap;
        Bitmap.SetWidth(16);
        Bitmap.SetHeight(16);
        Bitmap.Canvas()->Brush()->SetColor(static_cast<TColor>(RGB(200, 20 * I, 40)));
        Bitmap.Canvas()->FillRect(TRect(0, 0, 16, 16));
        List->Add(&Bitmap, nullptr);
    }
    return List;
}

class PopupMenuTest : public MenuTest
{
protected:
    // Opens the menu at a point; the script runs inside its loop.
    void Open(int X, int Y, MenuScript &Script)
    {
        Menu->Popup(X, Y);
        vcltest::Pump();
        EXPECT_TRUE(Script.Done());
    }
    // Opens the menu at a point and its first item's submenu by the keys, shows
    // Inspect the two popups then open, and closes both.
    void InspectSubmenu(int X, int Y,
                        const std::function<void(const std::vector<TTBPopupWindow *> &)> &Inspect)
    {
        MenuScript Script;
        Script.Do([] { Press(VK_DOWN); })
            .Do([] { Press(VK_RIGHT); })
            .Do([&] {
                const auto Popups = OpenPopups();
                if (Popups.size() != 2) return;
                Inspect(Popups);
                Press(VK_ESCAPE);
            })
            .Do([] { Press(VK_ESCAPE); });
        Open(X, Y, Script);
    }
    // Notes the open popup's window rectangle.
    std::function<void()> NoteRect(TRect &Into)
    {
        return [&Into] {
            const auto Popups = OpenPopups();
            if (!Popups.empty()) Into = Popups.front()->BoundsRect();
        };
    }
    // The writer grid's menu: nine items and five separators.
    void AddressBookItems()
    {
        const char *Captions[] = {"Печать записной книжки...",
                                  "Печать выделенной части...",
                                  "-",
                                  "Копировать таблицу",
                                  "-",
                                  "Копировать выделенную часть",
                                  "Вставить из буфера",
                                  "-",
                                  "Вставить пустую строку",
                                  "Удалить строку",
                                  "-",
                                  "Очистить выделенные ячейки",
                                  "-",
                                  "Отменить последнее действие"};
        const int Images[] = {5, 6, 2, 0, 1, 4, 7, 3, 8};
        int Next = 0;
        for (const char *Caption : Captions) {
            if (std::string_view(Caption) == "-") {
                AddSeparator(Menu->Items());
                continue;
            }
            AddItem(Menu->Items(), Caption)->SetImageIndex(Images[Next++]);
        }
    }
    TTBItemViewer *ViewerOf(TTBPopupWindow *Popup, const char *Caption)
    {
        for (int I = 0; I < Popup->View()->ViewerCount(); ++I)
            if (Popup->View()->Viewers(I)->Item()->Caption() == AnsiString::FromUtf8(Caption))
                return Popup->View()->Viewers(I);
        return nullptr;
    }
};

TEST_F(PopupMenuTest, OpensAtPointAndEscapeCancels)
{
    AddItem(Menu->Items(), "One");
    AddItem(Menu->Items(), "Two");
    TRect R;
    MenuScript Script;
    Script.Do(NoteRect(R)).Do([] { Press(VK_ESCAPE); });
    Open(100, 100, Script);
    EXPECT_EQ(R.Left, 100);
    EXPECT_EQ(R.Top, 100);
    EXPECT_TRUE(Clicks.empty());
    EXPECT_TRUE(OpenPopups().empty());
    EXPECT_EQ(GetCapture(), HWND{});
}

TEST_F(PopupMenuTest, ChosenItemRunsAfterMenuClosedAndCanOpenAnotherMenu)
{
    AddItem(Menu->Items(), "One");
    TTBItem *Two = AddItem(Menu->Items(), "Two");
    bool MenuGone = false;
    int Nested = 0;
    Two->OnClick = [&](TObject *) {
        MenuGone = OpenPopups().empty() && GetCapture() == HWND{};
        if (Nested++ == 0) {
            // A handler may open a menu of its own.
            MenuScript Inner;
            Inner.Do([] { Press(VK_ESCAPE); });
            Menu->Popup(300, 300);
        }
    };
    MenuScript Script;
    Script.Do([] {
        Press(VK_DOWN);
        Press(VK_DOWN);
        Press(VK_RETURN);
    });
    Open(100, 100, Script);
    EXPECT_EQ(Nested, 1);
    EXPECT_TRUE(MenuGone);
}

TEST_F(PopupMenuTest, PlacedInsideWorkAreaNearEachEdge)
{
    AddressBookItems();
    struct Case {
        int X, Y;
        TPopupAlignment Alignment;
        int WantX, WantY; // -1: the point minus the popup's width or height
    };
    TRect Probe;
    {
        MenuScript Script;
        Script.Do(NoteRect(Probe)).Do([] { Press(VK_ESCAPE); });
        Open(100, 100, Script);
    }
    const int W = Probe.Width(), H = Probe.Height();
    const Case Cases[] = {{1019, 100, paLeft, 1019 - W, 100},
                          {10, 700, paLeft, 10, 700 - H},
                          {1019, 700, paLeft, 1019 - W, 700 - H},
                          {5, 100, paRight, 5, 100},
                          {0, 0, paLeft, 0, 0},
                          {500, 767, paCenter, 500 - W / 2, 767 - H}};
    for (const Case &C : Cases) {
        Menu->SetAlignment(C.Alignment);
        TRect R;
        MenuScript Script;
        Script.Do(NoteRect(R)).Do([] { Press(VK_ESCAPE); });
        Open(C.X, C.Y, Script);
        EXPECT_EQ(R.Left, C.WantX) << C.X << "," << C.Y;
        EXPECT_EQ(R.Top, C.WantY) << C.X << "," << C.Y;
        EXPECT_GE(R.Left, 0);
        EXPECT_LE(R.Right, 1024);
        EXPECT_LE(R.Bottom, 768);
    }
}

TEST_F(PopupMenuTest, WriterMenuGeometryAndPixelsUnderProgramSkin)
{
    const auto Skin = ProgramSkin();
    const auto Images = Pictures(9);
    Menu->SetSkin(Skin.get());
    Menu->SetImages(Images.get());
    AddressBookItems();
    TRect R;
    std::vector<TRect> Rows;
    COLORREF Frame[3] = {}, Background = 0, HoverFill = 0, HoverBorder = 0, Unhovered = 0;
    int CaptionLeft = -1;
    MenuScript Script;
    Script.Do(NoteRect(R))
        .Do([&] {
            TTBPopupWindow *Popup = OpenPopups().front();
            for (int I = 0; I < Popup->View()->ViewerCount(); ++I)
                if (Popup->View()->Viewers(I)->Show())
                    Rows.push_back(Popup->View()->Viewers(I)->BoundsRect());
            for (int Ring = 0; Ring < 3; ++Ring)
                Frame[Ring] = PixelOf(Popup, Ring, Popup->Height() / 2);
            Background = PixelOf(Popup, Popup->Width() - 6, 3 + 10);
            const TRect Row = ViewerOf(Popup, "Удалить строку")->BoundsRect();
            const TPoint At = Popup->ClientToScreen(TPoint(Row.Left + 40, Row.Top + 8));
            MoveTo(At.X, At.Y);
        })
        .Do([&] {
            TTBPopupWindow *Popup = OpenPopups().front();
            const TRect Row = ViewerOf(Popup, "Удалить строку")->BoundsRect();
            HoverBorder = PixelOf(Popup, 3 + Row.Left, 3 + Row.Top);
            HoverFill = PixelOf(Popup, 3 + Row.Right - 3, 3 + Row.Top + 2);
            // The first column of the caption's pixels that differ from the fill.
            for (int X = Row.Left + 20; X < Row.Left + 40 && CaptionLeft < 0; ++X)
                for (int Y = Row.Top + 1; Y < Row.Bottom - 1; ++Y)
                    if (PixelOf(Popup, 3 + X, 3 + Y) != HoverFill) {
                        CaptionLeft = X - Row.Left;
                        break;
                    }
            MoveTo(900, 700);
        })
        .Do([&] {
            TTBPopupWindow *Popup = OpenPopups().front();
            const TRect Row = ViewerOf(Popup, "Удалить строку")->BoundsRect();
            Unhovered = PixelOf(Popup, 3 + Row.Right - 3, 3 + Row.Top + 2);
            Press(VK_ESCAPE);
        });
    Open(100, 100, Script);

    EXPECT_EQ(R.Height(), 192);
    const int Tops[] = {0, 19, 38, 41, 60, 63, 82, 101, 104, 123, 142, 145, 164, 167};
    ASSERT_EQ(Rows.size(), 14u);
    for (std::size_t I = 0; I < Rows.size(); ++I) {
        EXPECT_EQ(Rows[I].Top, Tops[I]) << I;
        EXPECT_EQ(Rows[I].Width(), R.Width() - 6) << I;
    }
    EXPECT_EQ(Frame[0], RGB(172, 168, 153));
    EXPECT_EQ(Frame[1], RGB(255, 255, 255));
    EXPECT_EQ(Frame[2], RGB(255, 255, 255));
    EXPECT_EQ(Background, RGB(255, 255, 255));
    EXPECT_EQ(HoverBorder, RGB(49, 106, 197));
    EXPECT_EQ(HoverFill, RGB(75, 125, 204));
    EXPECT_EQ(CaptionLeft, 24);
    EXPECT_EQ(Unhovered, RGB(255, 255, 255));
}

TEST_F(PopupMenuTest, FirstLettersChooseOrCycleAndUnknownLetterChangesNothing)
{
    AddressBookItems();
    std::vector<AnsiString> Selected;
    auto NoteSelection = [&] {
        TTBItemViewer *Viewer = OpenPopups().front()->View()->Selected();
        Selected.push_back(Viewer ? Viewer->Item()->Caption() : AnsiString("-"));
    };
    MenuScript Script;
    Script.Do([] { Press('G', "п"_a[1]); })
        .Do(NoteSelection)
        .Do([] { Press('G', "п"_a[1]); })
        .Do(NoteSelection)
        .Do([] { Press('G', "п"_a[1]); })
        .Do(NoteSelection)
        .Do([] { Press(VK_OEM_1, "ж"_a[1]); })
        .Do(NoteSelection)
        .Do([] { Press('E', "у"_a[1]); });
    Open(100, 100, Script);
    ASSERT_EQ(Selected.size(), 4u);
    EXPECT_EQ(Selected[0], "Печать записной книжки..."_a);
    EXPECT_EQ(Selected[1], "Печать выделенной части..."_a);
    EXPECT_EQ(Selected[2], "Печать записной книжки..."_a);
    EXPECT_EQ(Selected[3], "Печать записной книжки..."_a);
    ASSERT_EQ(Clicks.size(), 1u);
    EXPECT_EQ(Clicks[0], "Удалить строку"_a);
}

TEST_F(PopupMenuTest, NavigationKeysWrapAndTab)
{
    AddressBookItems();
    std::vector<AnsiString> Selected;
    auto Note = [&] {
        TTBItemViewer *Viewer = OpenPopups().front()->View()->Selected();
        Selected.push_back(Viewer ? Viewer->Item()->Caption() : AnsiString("-"));
    };
    MenuScript Script;
    Script.Do([] { Press(VK_DOWN); }).Do(Note);
    Script.Do([] { Press(VK_UP); }).Do(Note);
    Script.Do([] { Press(VK_HOME); }).Do(Note);
    Script.Do([] { Press(VK_END); }).Do(Note);
    Script.Do([] { Press(VK_TAB); }).Do(Note);
    Script.Do([] { Press(VK_ESCAPE); });
    Open(100, 100, Script);
    ASSERT_EQ(Selected.size(), 5u);
    EXPECT_EQ(Selected[0], "Печать записной книжки..."_a);
    EXPECT_EQ(Selected[1], "Отменить последнее действие"_a);
    EXPECT_EQ(Selected[2], "Печать записной книжки..."_a);
    EXPECT_EQ(Selected[3], "Отменить последнее действие"_a);
    EXPECT_EQ(Selected[4], "Печать записной книжки..."_a);
    EXPECT_TRUE(Clicks.empty());
}

// Ctrl+K, typed into the focused window.
void PressCtrlK()
{
    vcltest::KeyDown(VK_CONTROL);
    Press('K', 11);
    vcltest::KeyUp(VK_CONTROL);
}

TEST_F(PopupMenuTest, AShortCutTypedInAnEditRunsTheItemOfTheMenuTheEditOrItsFormHolds)
{
    TTBSubmenuItem *Lines = AddSubmenu(Menu->Items(), "Lines");
    TTBItem *Kill = AddItem(Lines, "Kill line");
    Kill->SetShortCut(ShortCut('K', TShiftState{ssCtrl}));
    Menu->OnPopup = [this](TObject *) { Clicks.push_back("popup"); };
    auto *Edit = new TEdit(Form.get());
    Edit->SetParent(Form.get());
    std::vector<WORD> EditKeys;
    Edit->OnKeyDown = [&](TObject *, WORD &Key, TShiftState) { EditKeys.push_back(Key); };
    vcltest::Pump();
    Edit->SetFocus();
    const std::vector<AnsiString> PopupThenClick{"popup", "Kill line"};
    auto EditGotK = [&] { return std::ranges::count(EditKeys, 'K') > 0; };

    // The menu sets its items up first, as when it opens; the edit never sees the key.
    Edit->SetPopupMenu(Menu.get());
    PressCtrlK();
    EXPECT_TRUE(vcltest::PumpUntil([&] { return Clicks.size() >= 2; }));
    EXPECT_EQ(Clicks, PopupThenClick);
    EXPECT_FALSE(EditGotK());

    // An edit without a menu of its own passes the key to its form's.
    Edit->SetPopupMenu(nullptr);
    Form->SetPopupMenu(Menu.get());
    Clicks.clear();
    PressCtrlK();
    EXPECT_TRUE(vcltest::PumpUntil([&] { return Clicks.size() >= 2; }));
    EXPECT_EQ(Clicks, PopupThenClick);
    EXPECT_FALSE(EditGotK());

    // A disabled item takes no key: the edit gets it.
    Kill->SetEnabled(false);
    Clicks.clear();
    PressCtrlK();
    EXPECT_TRUE(vcltest::PumpUntil(EditGotK));
    EXPECT_EQ(std::ranges::count(Clicks, "Kill line"), 0);
}

// F1 on the second item, whose help context is 42: the help requests that reach
// the application, and whether the menu had to be closed by Escape after all.
struct THelpRun {
    std::vector<std::pair<WORD, NativeInt>> Requests;
    bool StillOpen = false;
};

class PopupMenuHelpTest : public PopupMenuTest
{
protected:
    THelpRun PressF1OnSecondItem()
    {
        THelpRun Run;
        AddItem(Menu->Items(), "One");
        AddItem(Menu->Items(), "Two")->SetHelpContext(42);
        Application->OnHelp = [&Run](WORD Command, NativeInt Data, bool &) {
            Run.Requests.emplace_back(Command, Data);
            return true;
        };
        MenuScript Script;
        Script.Do([] {
            Press(VK_DOWN);
            Press(VK_DOWN);
        });
        Script.Do([] { Press(VK_F1); });
        Script.Do([&Run] {
            Run.StillOpen = true;
            Press(VK_ESCAPE);
        });
        Menu->Popup(100, 100);
        vcltest::Pump();
        Application->OnHelp = nullptr;
        return Run;
    }
};

TEST_F(PopupMenuHelpTest, F1ClosesTheMenuAndAsksForTheItemsHelpContext)
{
    ASSERT_EQ(Screen->ActiveForm(), Form.get());
    const THelpRun Run = PressF1OnSecondItem();
    EXPECT_FALSE(Run.StillOpen);
    EXPECT_TRUE(OpenPopups().empty());
    EXPECT_EQ(GetCapture(), HWND{});
    EXPECT_EQ(Run.Requests, (std::vector<std::pair<WORD, NativeInt>>{{HELP_CONTEXT, 42}}));
    EXPECT_TRUE(Clicks.empty());
}

TEST_F(PopupMenuHelpTest, F1OverAFormWithTheHelpButtonAsksForAContextPopup)
{
    Form = std::make_unique<TForm>(nullptr);
    Form->SetBorderIcons({biSystemMenu, biHelp});
    Form->SetBounds(50, 50, 600, 400);
    Form->Show();
    vcltest::PumpUntil([this] { return Screen->ActiveForm() == Form.get(); });
    ASSERT_EQ(Screen->ActiveForm(), Form.get());
    const THelpRun Run = PressF1OnSecondItem();
    EXPECT_FALSE(Run.StillOpen);
    EXPECT_EQ(Run.Requests, (std::vector<std::pair<WORD, NativeInt>>{{HELP_CONTEXTPOPUP, 42}}));
}

TEST_F(PopupMenuTest, RightClickReleaseKeepsMenuOpenAndClickOutsideReachesWindowBelow)
{
    AddItem(Menu->Items(), "One");
    bool OpenAfterRelease = false;
    MenuScript Script;
    Script
        .Do([] {
            win::InjectMouseInput({win::MouseAction::Up, win::MouseButton::Right, POINT{200, 200}});
        })
        .Do([&] { OpenAfterRelease = !OpenPopups().empty(); })
        .Do([&] {
            const TPoint At = Form->ClientToScreen(TPoint(400, 300));
            LeftClick(At.X, At.Y);
        });
    Menu->Popup(200, 200);
    // The press that closed the menu is still queued, for the window under it.
    MSG Msg{};
    ASSERT_TRUE(PeekMessageW(&Msg, {}, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
    EXPECT_TRUE(Script.Done());
    EXPECT_TRUE(OpenAfterRelease);
    EXPECT_TRUE(OpenPopups().empty());
    EXPECT_TRUE(Clicks.empty());
    EXPECT_EQ(Msg.hwnd, Form->Handle());
    EXPECT_EQ(GET_X_LPARAM(Msg.lParam), 400);
    EXPECT_EQ(GET_Y_LPARAM(Msg.lParam), 300);
}

TEST_F(PopupMenuTest, MouseSelectsAndClickChoosesDisabledDoesNothing)
{
    AddItem(Menu->Items(), "One");
    TTBItem *Off = AddItem(Menu->Items(), "Off");
    Off->SetEnabled(false);
    AddItem(Menu->Items(), "Three");
    AnsiString Hovered;
    bool StillOpen = false;
    TPopupMenu *Dummy = nullptr;
    (void)Dummy;
    MenuScript Script;
    Script
        .Do([&] {
            TTBPopupWindow *Popup = OpenPopups().front();
            const TRect Row = ViewerOf(Popup, "Off")->BoundsRect();
            const TPoint At = Popup->ClientToScreen(TPoint(Row.Left + 30, Row.Top + 5));
            LeftClick(At.X, At.Y);
        })
        .Do([&] {
            TTBPopupWindow *Popup = OpenPopups().front();
            StillOpen = true;
            Hovered = Popup->View()->Selected()->Item()->Caption();
            const TRect Row = ViewerOf(Popup, "Three")->BoundsRect();
            const TPoint At = Popup->ClientToScreen(TPoint(Row.Left + 30, Row.Top + 5));
            LeftClick(At.X, At.Y);
        });
    Open(100, 100, Script);
    EXPECT_TRUE(StillOpen);
    EXPECT_EQ(Hovered, "Off");
    ASSERT_EQ(Clicks.size(), 1u);
    EXPECT_EQ(Clicks[0], "Three");
}

// An item whose rows show the hand over their right half.
class THandItem : public TTBItem
{
public:
    using TTBItem::TTBItem;
    class HandViewer : public TTBItemViewer
    {
    public:
        using TTBItemViewer::TTBItemViewer;
        void GetCursor(const TPoint &P, HCURSOR &Cursor) override
        {
            if (P.X >= BoundsRect().Width() / 2) Cursor = LoadCursorW({}, IDC_HAND);
        }
    };
    TTBItemViewerClass GetItemViewerClass(TTBView *) override { return MakeViewer<HandViewer>; }
};

TEST_F(PopupMenuTest, TheRowUnderTheMouseChoosesTheCursorAndTheArrowIsTheDefault)
{
    auto *Link = new THandItem(Menu.get());
    Link->SetCaption("Link");
    Menu->Items()->Add(Link);
    AddItem(Menu->Items(), "Plain");
    std::vector<HCURSOR> Seen;
    auto MoveOver = [this](const char *Caption, bool RightHalf) {
        return [this, Caption, RightHalf] {
            TTBPopupWindow *Popup = OpenPopups().front();
            const TRect Row = ViewerOf(Popup, Caption)->BoundsRect();
            const int X = RightHalf ? Row.Right - 5 : Row.Left + 5;
            const TPoint At = Popup->ClientToScreen(TPoint(X, Row.Top + Row.Height() / 2));
            MoveTo(At.X, At.Y);
        };
    };
    auto Note = [&] { Seen.push_back(GetCursor()); };
    MenuScript Script;
    Script.Do(MoveOver("Link", true))
        .Do(Note)
        .Do(MoveOver("Link", false))
        .Do(Note)
        .Do(MoveOver("Plain", true))
        .Do(Note)
        .Do(MoveOver("Link", true))
        .Do(Note)
        .Do([] { Press(VK_ESCAPE); });
    Open(100, 100, Script);
    const HCURSOR Hand = LoadCursorW({}, IDC_HAND), Arrow = LoadCursorW({}, IDC_ARROW);
    EXPECT_EQ(Seen, (std::vector<HCURSOR>{Hand, Arrow, Arrow, Hand}));
}

TEST_F(PopupMenuTest, ACombosDropDownPartStandsOffByALineAndHoveredShowsADarkArrow)
{
    TTBSubmenuItem *Paste = AddSubmenu(Menu->Items(), "Paste");
    Paste->SetDropdownCombo(true);
    AddItem(Paste, "Paste special");
    AddItem(Menu->Items(), "Other");
    const int Check = GetSystemMetrics(SM_CXMENUCHECK);
    // The colours of one column of the row, or of the arrow's box past the divider.
    auto Colours = [](TTBPopupWindow *Popup, const TRect &Row, int FromX, int ToX) {
        std::vector<COLORREF> Result;
        const TPoint Origin = Popup->ClientToScreen(TPoint(0, 0));
        const int Dx = Origin.X - Popup->Left(), Dy = Origin.Y - Popup->Top();
        for (int Y = Row.Top; Y < Row.Bottom; ++Y)
            for (int X = FromX; X < ToX; ++X)
                Result.push_back(PixelOf(Popup, X + Dx, Y + Dy));
        return Result;
    };
    std::vector<COLORREF> Divider, Arrow;
    MenuScript Script;
    Script
        .Do([&] {
            TTBPopupWindow *Popup = OpenPopups().front();
            const TRect Row = ViewerOf(Popup, "Paste")->BoundsRect();
            Divider = Colours(Popup, Row, Row.Right - Check, Row.Right - Check + 1);
            const TPoint At = Popup->ClientToScreen(TPoint(Row.Left + 10, Row.Top + 5));
            MoveTo(At.X, At.Y);
        })
        .Do([&] {
            TTBPopupWindow *Popup = OpenPopups().front();
            const TRect Row = ViewerOf(Popup, "Paste")->BoundsRect();
            Arrow = Colours(Popup, Row, Row.Right - Check + 2, Row.Right);
            Press(VK_ESCAPE);
        });
    Open(100, 100, Script);
    const COLORREF Shadow = GetSysColor(COLOR_BTNSHADOW);
    ASSERT_FALSE(Divider.empty());
    // The line runs the row's height but for its corner pixel.
    EXPECT_GE(std::count(Divider.begin(), Divider.end(), Shadow),
              static_cast<long>(Divider.size()) - 1);
    EXPECT_GT(std::count(Arrow.begin(), Arrow.end(), GetSysColor(COLOR_BTNTEXT)), 4);
}

TEST_F(PopupMenuTest, SubmenuFollowsMouseAndKeys)
{
    win::OverrideParameter(SPI_GETMENUSHOWDELAY, 0);
    AddItem(Menu->Items(), "One");
    TTBSubmenuItem *Sub = AddSubmenu(Menu->Items(), "More");
    AddItem(Sub, "Inner A");
    AddItem(Sub, "Inner B");
    std::size_t OpenedByHover = 0, AfterLeft = 0, AfterRight = 0;
    AnsiString SelectedInChild;
    MenuScript Script;
    Script
        .Do([&] {
            TTBPopupWindow *Popup = OpenPopups().front();
            const TRect Row = ViewerOf(Popup, "More")->BoundsRect();
            const TPoint At = Popup->ClientToScreen(TPoint(Row.Left + 30, Row.Top + 5));
            MoveTo(At.X, At.Y);
        })
        // The submenu opens on the delay's timer, however late that comes.
        .Until([] { return OpenPopups().size() == 2; })
        .Do([&] {
            OpenedByHover = OpenPopups().size();
            Press(VK_LEFT);
        })
        .Do([&] {
            AfterLeft = OpenPopups().size();
            Press(VK_RIGHT);
        })
        .Do([&] {
            const auto Popups = OpenPopups();
            AfterRight = Popups.size();
            if (AfterRight == 2 && Popups.back()->View()->Selected())
                SelectedInChild = Popups.back()->View()->Selected()->Item()->Caption();
            Press(VK_DOWN);
            Press(VK_RETURN);
        });
    Open(100, 100, Script);
    EXPECT_EQ(OpenedByHover, 2u);
    EXPECT_EQ(AfterLeft, 1u);
    EXPECT_EQ(AfterRight, 2u);
    EXPECT_EQ(SelectedInChild, "Inner A");
    ASSERT_EQ(Clicks.size(), 1u);
    EXPECT_EQ(Clicks[0], "Inner B");
}

TEST_F(PopupMenuTest, SubmenuThatDoesNotFitOpensToTheLeft)
{
    TTBSubmenuItem *Sub = AddSubmenu(Menu->Items(), "More");
    AddItem(Sub, "Inner");
    TRect Parent, Child;
    bool Opposite = false;
    InspectSubmenu(1000, 100, [&](const std::vector<TTBPopupWindow *> &Popups) {
        Parent = Popups[0]->BoundsRect();
        Child = Popups[1]->BoundsRect();
        Opposite = Popups[1]->View()->State().Contains(vsOppositePopup);
    });
    EXPECT_TRUE(Opposite);
    // Opened leftwards, overlapping the parent's frame by a few pixels only.
    EXPECT_LT(Child.Left, Parent.Left);
    EXPECT_LE(Child.Right, Parent.Left + 9);
    EXPECT_GE(Child.Left, 0);
}

TEST_F(PopupMenuTest, ASubmenuOfALeftwardSubmenuOpensLeftwardsTooThoughTheRightHasRoom)
{
    TTBSubmenuItem *Sub = AddSubmenu(Menu->Items(), "A caption much wider than the rest");
    TTBSubmenuItem *Inner = AddSubmenu(Sub, "Inner");
    AddItem(Inner, "Deep");
    std::vector<TRect> Rects;
    bool Opposite = false;
    MenuScript Script;
    Script.Do([] { Press(VK_DOWN); })
        .Do([] { Press(VK_RIGHT); })
        .Do([] { Press(VK_RIGHT); })
        .Do([&] {
            const auto Popups = OpenPopups();
            for (TTBPopupWindow *Popup : Popups)
                Rects.push_back(Popup->BoundsRect());
            if (Popups.size() == 3) Opposite = Popups[2]->View()->State().Contains(vsOppositePopup);
            Press(VK_ESCAPE);
            Press(VK_ESCAPE);
            Press(VK_ESCAPE);
        });
    Open(1000, 100, Script);
    ASSERT_EQ(Rects.size(), 3u);
    // The deepest popup would fit where the root menu stands, right of its parent.
    ASSERT_LE(Rects[1].Right + Rects[2].Width(), 1024);
    EXPECT_TRUE(Opposite);
    EXPECT_LT(Rects[2].Left, Rects[1].Left);
    EXPECT_LE(Rects[2].Right, Rects[1].Left + 9);
}

TEST_F(PopupMenuTest, UnderOfficeXPASubmenuStandsOffByTwoPixelsUnlessPopupsOverlap)
{
    TTBSkin Skin(nullptr);
    Skin.SetSkinType(tbsOfficeXP);
    Menu->SetSkin(&Skin);
    AddItem(AddSubmenu(Menu->Items(), "More"), "Inner");
    for (const bool Overlap : {true, false}) {
        Skin.SetOptions(Overlap ? TTBOptions{tboPopupOverlap} : TTBOptions{});
        TRect Row, Child;
        InspectSubmenu(100, 100, [&](const std::vector<TTBPopupWindow *> &Popups) {
            const TRect R = ViewerOf(Popups[0], "More")->BoundsRect();
            const TPoint Origin = Popups[0]->ClientToScreen(TPoint(0, 0));
            Row =
                TRect(R.Left + Origin.X, R.Top + Origin.Y, R.Right + Origin.X, R.Bottom + Origin.Y);
            Child = Popups[1]->BoundsRect();
        });
        // The frame of an Office XP popup is two pixels wide.
        const int Offset = Overlap ? 0 : 2;
        EXPECT_EQ(Child.Left, Row.Right - 2 + Offset) << Overlap;
        EXPECT_EQ(Child.Top, Row.Top - 2 + Offset) << Overlap;
    }
    Menu->SetSkin(nullptr);
}

TEST_F(PopupMenuTest, KeysReachClippedItemsAndSelectADisabledSubmenuWithoutOpeningIt)
{
    win::OverrideMonitors({win::Monitor{RECT{0, 0, 1024, 200}, RECT{0, 0, 1024, 200}}});
    for (int I = 1; I <= 14; ++I)
        AddItem(Menu->Items(), ("Item " + std::to_string(I)).c_str());
    TTBSubmenuItem *Last = AddSubmenu(Menu->Items(), "Last");
    AddItem(Last, "Inner");
    Last->SetEnabled(false);
    struct Seen {
        AnsiString Selected;
        bool SelectedShown = false;
        bool DownArrow = false;
        std::size_t Popups = 0;
    };
    std::vector<Seen> States;
    auto Note = [&] {
        TTBView *View = OpenPopups().front()->View();
        TTBItemViewer *Viewer = View->Selected();
        States.push_back(Seen{Viewer ? Viewer->Item()->Caption() : AnsiString("-"),
                              Viewer && Viewer->Show() && !Viewer->Clipped(), View->ShowDownArrow(),
                              OpenPopups().size()});
    };
    MenuScript Script;
    Script.Do(Note)
        .Do([] { Press(VK_UP); })
        .Do(Note)
        .Do([] { Press(VK_RIGHT); })
        .Do(Note)
        .Do([] { Press(VK_HOME); })
        .Do(Note)
        .Do([] { Press(VK_ESCAPE); });
    Open(10, 50, Script);
    ASSERT_EQ(States.size(), 4u);
    // At first the last item lies below the visible band.
    EXPECT_TRUE(States[0].DownArrow);
    // Up from no selection wraps round to it and scrolls it into view.
    EXPECT_EQ(States[1].Selected, "Last");
    EXPECT_TRUE(States[1].SelectedShown);
    EXPECT_FALSE(States[1].DownArrow);
    // Right does not open a disabled submenu.
    EXPECT_EQ(States[2].Selected, "Last");
    EXPECT_EQ(States[2].Popups, 1u);
    EXPECT_EQ(States[3].Selected, "Item 1");
    EXPECT_TRUE(States[3].SelectedShown);
    EXPECT_TRUE(Clicks.empty());
}

TEST_F(PopupMenuTest, LeavingThePopupDropsTheHighlightUnlessItsSubmenuIsOpen)
{
    win::OverrideParameter(SPI_GETMENUSHOWDELAY, 0);
    AddItem(Menu->Items(), "One");
    AddItem(AddSubmenu(Menu->Items(), "More"), "Inner");
    auto Over = [this](const char *Caption) {
        return [this, Caption] {
            TTBPopupWindow *Popup = OpenPopups().front();
            const TRect Row = ViewerOf(Popup, Caption)->BoundsRect();
            const TPoint At = Popup->ClientToScreen(TPoint(Row.Left + 30, Row.Top + 5));
            MoveTo(At.X, At.Y);
        };
    };
    auto Away = [] { MoveTo(1000, 700); };
    std::vector<AnsiString> Selected;
    auto Note = [&] {
        TTBItemViewer *Viewer = OpenPopups().front()->View()->Selected();
        Selected.push_back(Viewer ? Viewer->Item()->Caption() : AnsiString("-"));
    };
    std::size_t OpenAfterLeaving = 0;
    MenuScript Script;
    Script.Do(Over("One"))
        .Do(Note)
        .Do(Away)
        .Do(Note)
        .Do(Over("More"))
        .Until([] { return OpenPopups().size() == 2; })
        .Do(Away)
        .Do([&] {
            Note();
            OpenAfterLeaving = OpenPopups().size();
            Press(VK_ESCAPE);
        })
        .Do([] { Press(VK_ESCAPE); });
    Open(100, 100, Script);
    EXPECT_EQ(Selected, (std::vector<AnsiString>{"One", "-", "More"}));
    EXPECT_EQ(OpenAfterLeaving, 2u);
}

// While a button is held the keys are the mouse's: typing neither moves the selection
// nor chooses nor closes, and only F1 asks for help.
TEST_F(PopupMenuTest, WhileAButtonIsHeldOnlyF1IsTaken)
{
    AddItem(Menu->Items(), "One")->SetHelpContext(42);
    AddItem(Menu->Items(), "Two");
    std::vector<std::pair<WORD, NativeInt>> Requests;
    Application->OnHelp = [&Requests](WORD Command, NativeInt Data, bool &) {
        Requests.emplace_back(Command, Data);
        return true;
    };
    POINT OnOne{};
    AnsiString Selected;
    bool StillOpen = false;
    MenuScript Script;
    Script
        .Do([&] {
            TTBPopupWindow *Popup = OpenPopups().front();
            const TRect Row = ViewerOf(Popup, "One")->BoundsRect();
            const TPoint At = Popup->ClientToScreen(TPoint(Row.Left + 30, Row.Top + 5));
            OnOne = POINT{At.X, At.Y};
            win::InjectMouseInput({win::MouseAction::Down, win::MouseButton::Left, OnOne});
        })
        .Do([] {
            Press(VK_DOWN);
            Press('T', 't');
            Press(VK_RETURN);
            Press(VK_ESCAPE);
        })
        .Do([&] {
            StillOpen = OnePopupOpen();
            TTBItemViewer *Viewer = OpenPopups().front()->View()->Selected();
            Selected = Viewer ? Viewer->Item()->Caption() : AnsiString("-");
            Press(VK_F1);
        });
    Menu->Popup(100, 100);
    vcltest::Pump();
    win::InjectMouseInput({win::MouseAction::Up, win::MouseButton::Left, OnOne});
    vcltest::Pump();
    Application->OnHelp = nullptr;
    EXPECT_TRUE(Script.Done());
    EXPECT_TRUE(StillOpen);
    EXPECT_EQ(Selected, "One");
    EXPECT_TRUE(Clicks.empty());
    EXPECT_TRUE(OpenPopups().empty());
    EXPECT_EQ(Requests, (std::vector<std::pair<WORD, NativeInt>>{{HELP_CONTEXT, 42}}));
}

TEST_F(PopupMenuTest, TallPopupScrollsOneItemPerStep)
{
    win::OverrideMonitors({win::Monitor{RECT{0, 0, 1024, 200}, RECT{0, 0, 1024, 200}}});
    // With 16-pixel pictures each row is 19 pixels high.
    const auto Images = Pictures(1);
    Menu->SetImages(Images.get());
    for (int I = 1; I <= 12; ++I)
        AddItem(Menu->Items(), ("Item " + std::to_string(I)).c_str());
    struct Seen {
        TRect Window;
        bool Up = false, Down = false;
        int Offset = 0;
        int FirstShown = 0, LastShown = 0;
    };
    std::vector<Seen> States;
    auto Note = [&] {
        TTBPopupWindow *Popup = OpenPopups().front();
        TTBView *View = Popup->View();
        Seen S{Popup->BoundsRect(), View->ShowUpArrow(), View->ShowDownArrow(),
               View->ScrollOffset()};
        for (int I = 0; I < View->ViewerCount(); ++I)
            if (View->Viewers(I)->Show()) {
                if (!S.FirstShown) S.FirstShown = I + 1;
                S.LastShown = I + 1;
            }
        States.push_back(S);
    };
    auto Scroll = [&](bool Down) {
        return [&, Down] { OpenPopups().front()->View()->Scroll(Down); };
    };
    MenuScript Script;
    Script.Do(Note).Do(Scroll(true)).Do(Note).Do(Scroll(true)).Do(Note);
    Script.Do(Scroll(false)).Do(Scroll(false)).Do(Note).Do([] { Press(VK_ESCAPE); });
    Open(10, 50, Script);
    ASSERT_EQ(States.size(), 4u);
    EXPECT_EQ(States[0].Window.Top, 0);
    EXPECT_EQ(States[0].Window.Height(), 200);
    EXPECT_FALSE(States[0].Up);
    EXPECT_TRUE(States[0].Down);
    EXPECT_EQ(States[0].FirstShown, 1);
    EXPECT_EQ(States[0].LastShown, 9);
    EXPECT_EQ(States[1].Offset, 15);
    EXPECT_TRUE(States[1].Up && States[1].Down);
    EXPECT_EQ(States[1].FirstShown, 3);
    EXPECT_EQ(States[1].LastShown, 10);
    EXPECT_EQ(States[2].Offset, 34);
    EXPECT_FALSE(States[2].Down);
    EXPECT_EQ(States[2].FirstShown, 4);
    EXPECT_EQ(States[2].LastShown, 12);
    EXPECT_EQ(States[3].Offset, 0);
    EXPECT_FALSE(States[3].Up);
}

TEST_F(PopupMenuTest, HoveringTheDownArrowScrollsByTimer)
{
    win::OverrideMonitors({win::Monitor{RECT{0, 0, 1024, 200}, RECT{0, 0, 1024, 200}}});
    for (int I = 1; I <= 12; ++I)
        AddItem(Menu->Items(), ("Item " + std::to_string(I)).c_str());
    int Offset = 0;
    MenuScript Script;
    Script
        .Do([] {
            TTBPopupWindow *Popup = OpenPopups().front();
            const TPoint At = Popup->ClientToScreen(TPoint(30, Popup->ClientHeight() - 5));
            MoveTo(At.X, At.Y);
        })
        .Until([] { return OpenPopups().front()->View()->ScrollOffset() > 0; })
        .Do([&] {
            Offset = OpenPopups().front()->View()->ScrollOffset();
            Press(VK_ESCAPE);
        });
    Open(10, 50, Script);
    EXPECT_GT(Offset, 0);
}

TEST_F(PopupMenuTest, SeparatorsCollapseAndEmptyMenuIsFrameOnly)
{
    const auto Images = Pictures(1);
    Menu->SetImages(Images.get());
    AddSeparator(Menu->Items());
    TTBItem *A = AddItem(Menu->Items(), "A");
    AddSeparator(Menu->Items());
    AddSeparator(Menu->Items());
    TTBItem *B = AddItem(Menu->Items(), "B");
    AddSeparator(Menu->Items());
    const auto Skin = ProgramSkin();
    Menu->SetSkin(Skin.get());
    TRect R;
    {
        MenuScript Script;
        Script.Do(NoteRect(R)).Do([] { Press(VK_ESCAPE); });
        Open(100, 100, Script);
    }
    EXPECT_EQ(R.Height(), 19 + 3 + 19 + 6);
    A->SetVisible(false);
    B->SetVisible(false);
    {
        MenuScript Script;
        Script.Do(NoteRect(R)).Do([] { Press(VK_ESCAPE); });
        Open(100, 100, Script);
    }
    EXPECT_EQ(R.Width(), 6);
    EXPECT_EQ(R.Height(), 6);
}

} // namespace

namespace
{

// A popup window of its own class with a view of its own class, and an item whose
// popups open in it.
class TOwnPopupView : public TTBPopupView
{
public:
    using TTBPopupView::TTBPopupView;
};

class TOwnPopupWindow : public TTBPopupWindow
{
public:
    TOwnPopupWindow(TComponent *AOwner, TTBView *ParentView, TTBCustomItem *Item, bool Customizing)
        : TTBPopupWindow(AOwner, ParentView, Item, Customizing, &MakeView<TOwnPopupView>)
    {
    }
};

class TOwnWindowItem : public TTBSubmenuItem
{
public:
    using TTBSubmenuItem::TTBSubmenuItem;
    TTBPopupWindowClass GetPopupWindowClass() override
    {
        return [](TComponent *AOwner, TTBView *ParentView, TTBCustomItem *Item,
                  bool Customizing) -> std::unique_ptr<TTBPopupWindow> {
            return std::make_unique<TOwnPopupWindow>(AOwner, ParentView, Item, Customizing);
        };
    }
};

// A link that counts the item's caption as the item's own, never the action's.
class TOwnCaptionLink : public TTBCustomItemActionLink
{
public:
    using TTBCustomItemActionLink::TTBCustomItemActionLink;
    bool IsCaptionLinked() const override { return false; }
};

class TOwnCaptionItem : public TTBItem
{
public:
    using TTBItem::TTBItem;
    TTBCustomItemActionLinkClass GetActionLinkClass() override
    {
        return [](TTBCustomItem *Client) -> std::unique_ptr<TTBCustomItemActionLink> {
            return std::make_unique<TOwnCaptionLink>(Client);
        };
    }
};

// The class of what a window's view class makes.
template <class V> bool MakesViewOf(TTBPopupWindow *Window, TTBCustomItem *Item)
{
    const std::unique_ptr<TTBView> View =
        Window->GetViewClass()(nullptr, nullptr, Item, nullptr, false, false, false);
    return dynamic_cast<V *>(View.get()) != nullptr;
}

TEST_F(PopupMenuTest, AnItemOpensItsPopupInTheWindowClassItNamesWithThatWindowsView)
{
    auto *Tools = new TOwnWindowItem(Menu.get());
    Menu->Items()->Add(Tools);
    AddItem(Tools, "Options");
    bool OwnClass = false, OwnView = false, MakesOwnViews = false;
    std::vector<AnsiString> Shown;
    MenuScript Script;
    Script.Do([&] {
        const auto Popups = OpenPopups();
        if (Popups.size() == 1) {
            TTBPopupWindow *Popup = Popups.front();
            OwnClass = dynamic_cast<TOwnPopupWindow *>(Popup);
            OwnView = dynamic_cast<TOwnPopupView *>(Popup->View());
            MakesOwnViews = MakesViewOf<TOwnPopupView>(Popup, Tools);
            for (int I = 0; I < Popup->View()->ViewerCount(); ++I)
                Shown.push_back(Popup->View()->Viewers(I)->Item()->Caption());
        }
        Press(VK_ESCAPE);
    });
    Tools->Popup(100, 100, false);
    vcltest::Pump();
    EXPECT_TRUE(Script.Done());
    EXPECT_TRUE(OwnClass);
    EXPECT_TRUE(OwnView);
    EXPECT_TRUE(MakesOwnViews);
    EXPECT_EQ(Shown, std::vector<AnsiString>{"Options"});
}

TEST_F(PopupMenuTest, APlainPopupWindowShowsItsItemsInAPopupView)
{
    AddItem(Menu->Items(), "Copy");
    bool PopupView = false, MakesPopupViews = false, MakesOwnViews = true;
    MenuScript Script;
    Script.Do([&] {
        const auto Popups = OpenPopups();
        if (Popups.size() == 1) {
            TTBPopupWindow *Popup = Popups.front();
            PopupView = Popup->View()->ClassType() == TTBPopupView::StaticClass();
            MakesPopupViews = MakesViewOf<TTBPopupView>(Popup, Menu->Items());
            MakesOwnViews = MakesViewOf<TOwnPopupView>(Popup, Menu->Items());
        }
        Press(VK_ESCAPE);
    });
    Menu->Popup(100, 100);
    vcltest::Pump();
    EXPECT_TRUE(Script.Done());
    EXPECT_TRUE(PopupView);
    EXPECT_TRUE(MakesPopupViews);
    EXPECT_FALSE(MakesOwnViews);
}

TEST_F(PopupMenuTest, AnItemTiesItselfToItsActionThroughTheLinkClassItNames)
{
    auto *Own = new TOwnCaptionItem(Menu.get());
    Own->SetCaption("Mine");
    Menu->Items()->Add(Own);
    TTBItem *Plain = AddItem(Menu->Items(), "Plain");
    TAction Action(nullptr);
    Action.SetCaption("From the action");
    Own->SetAction(&Action);
    Plain->SetAction(&Action);
    // A form stream keeps a caption the link does not take from the action.
    EXPECT_TRUE(IsStoredProp(Own, "Caption"));
    EXPECT_FALSE(IsStoredProp(Plain, "Caption"));
    Own->SetAction(nullptr);
    Plain->SetAction(nullptr);
}

TEST_F(PopupMenuTest, BiggerPicturesForTheMenuGrowItsOpenSubmenuToo)
{
    TTBSubmenuItem *Sub = AddSubmenu(Menu->Items(), "More");
    AddItem(Sub, "Inner")->SetImageIndex(0);
    const auto Small = Pictures(1);
    auto Big = std::make_unique<TImageList>(nullptr);
    Big->SetWidth(32);
    Big->SetHeight(32);
    Menu->SetImages(Small.get());
    int Before = 0, After = 0;
    InspectSubmenu(100, 100, [&](const std::vector<TTBPopupWindow *> &Popups) {
        Before = Popups[1]->Height();
        Menu->SetImages(Big.get());
        After = Popups[1]->Height();
    });
    ASSERT_GT(Before, 0);
    // A row is never lower than its picture plus 3.
    EXPECT_EQ(After - Before, 32 - 16);
    Menu->SetImages(nullptr);
}

TEST_F(PopupMenuTest, AMenuWhoseSkinIsFreedWhileOpenDrawsOnAndOpensItsSubmenuWithTheDefaultSkin)
{
    const auto Feeder = std::make_unique<TTBSkin>(nullptr);
    TTBSubmenuItem *Sub = AddSubmenu(Menu->Items(), "More");
    AddItem(Sub, "Inner A");
    AddItem(Sub, "Inner B");
    AddItem(Menu->Items(), "One");
    auto Own = StandOutSkin();
    Menu->SetSkin(Own.get());
    COLORREF Before = 0;
    std::vector<COLORREF> After;
    MenuScript Script;
    Script
        .Do([&] {
            Before = PictureColumnPixel(OpenPopups().front());
            Own.reset();
            Press(VK_DOWN);
        })
        .Do([] { Press(VK_RIGHT); })
        .Do([&] {
            for (TTBPopupWindow *Popup : OpenPopups()) {
                Popup->Repaint();
                After.push_back(PictureColumnPixel(Popup));
            }
            Press(VK_ESCAPE);
        })
        .Do([] { Press(VK_ESCAPE); });
    Open(100, 100, Script);
    EXPECT_EQ(Before, ColorToRGB(StandOutRed));
    EXPECT_EQ(After, std::vector<COLORREF>(2, DefaultSkin()->RGBColor(cImageList)));
    EXPECT_EQ(Menu->Skin(), DefaultSkin());
}

TEST_F(PopupMenuTest, AMenuWithoutASkinOfItsOwnReportsTheDefaultSkin)
{
    EXPECT_EQ(Menu->Skin(), DefaultSkin());
    auto Own = StandOutSkin();
    Menu->SetSkin(Own.get());
    EXPECT_EQ(Menu->Skin(), Own.get());
    Menu->SetSkin(nullptr);
    EXPECT_EQ(Menu->Skin(), DefaultSkin());
}

} // namespace
