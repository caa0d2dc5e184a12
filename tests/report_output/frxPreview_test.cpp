// The preview on real offscreen windows: where pages lie in the strip, scrolling
// and zoom by injected keys, wheel and scroll-bar clicks, text search, the
// outline, page setup, adding and deleting pages, and the window's zoom box.

#include "report_output/frxPreview.h"

#include "platform/win/Paint.h"
#include "platform/win/ScrollBars.h"
#include "platform/win/WindowRegistry.h"
#include "platform/win/WindowWidget.h"
#include "report/frxRes.h"
#include "report_output/frxDialogs.h"
#include "report_output/frxPreviewPages.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/report_output/EngineTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace enginetest;

namespace
{

constexpr int A4Width = 794, A4Height = 1123;

TEST(PageList, PagesStackInOneColumnWithGapsAndTheWidestRow)
{
    TfrxPageList List;
    EXPECT_EQ(List.FindPage(100, false, 1), -1);
    EXPECT_EQ(List.GetMaxBounds(1000, 1).X, 0);
    for (int i = 0; i < 3; ++i)
        List.AddPage(A4Width, A4Height);
    EXPECT_EQ(List.Items(0).Offset, 10);
    EXPECT_EQ(List.Items(1).Offset, 1143);
    EXPECT_EQ(List.Items(2).Offset, 2276);
    EXPECT_EQ(List.MaxWidth(), 804);

    // Within the first fifth of page 2 (not exact) the page is already reported.
    EXPECT_EQ(List.FindPage(1143 - 100, false, 1), 1);
    EXPECT_EQ(List.FindPage(1143 - 100, true, 1), 0);
    EXPECT_EQ(List.FindPage(1143 - 300, false, 1), 0);
    EXPECT_EQ(List.FindPage(100000, true, 1), 2);

    const TRect Second = List.GetPageBounds(1, 1000, 1);
    EXPECT_EQ(Second.Left, 103);
    EXPECT_EQ(Second.Top, 1143);
    EXPECT_EQ(Second.Width(), A4Width);
    EXPECT_EQ(List.GetPageBounds(1, 500, 1).Left, 10) << "a row wider than the view starts at 10";
    const TRect Half = List.GetPageBounds(2, 1000, 0.5);
    EXPECT_EQ(Half.Top, 1138);
    EXPECT_EQ(Half.Width(), 397);
    EXPECT_EQ(List.GetPageBounds(7, 1000, 2).Top, 20) << "outside the list: an A4 page at the top";
    EXPECT_EQ(List.GetMaxBounds(1000, 1).Y, 2276 + A4Height);
}

TEST(PageList, ManyPagesPairUpAndARowFollowsTheTallerPageAbove)
{
    TfrxPageList List;
    List.SetColumnCount(2);
    List.AddPage(A4Width, 500);
    List.AddPage(A4Width, 1200);
    List.AddPage(A4Width, 100);
    EXPECT_EQ(List.Items(1).Column, 1);
    EXPECT_EQ(List.Items(1).Offset, 10);
    EXPECT_EQ(List.Items(2).Column, 0);
    EXPECT_EQ(List.Items(2).Offset, 10 + 1200 + 10);
    EXPECT_EQ(List.MaxWidth(), 2 * (A4Width + 10));
    const TRect Right = List.GetPageBounds(1, 2000, 1);
    EXPECT_EQ(Right.Left, (2000 - 1608) / 2 + 804);
    List.SetColumnCount(1);
    EXPECT_EQ(List.Count(), 0) << "changing the columns empties the list";
}

class ScrollSurface : public vcltest::VclTest
{
};

TEST_F(ScrollSurface, APageLargerThanTheRangeKeepsThePositionAtZero)
{
    TfrxScrollWin Surface(nullptr);
    Surface.SetBounds(0, 0, 200, 200);
    Surface.SetParent(ShownForm());
    Surface.HandleNeeded();
    Surface.SetVertRange(100);
    Surface.SetVertPage(300);
    Surface.SetVertPosition(50);
    EXPECT_EQ(Surface.VertPosition(), 0);
    Surface.SetVertRange(1000);
    Surface.SetSmallChange(8);
    Surface.Perform(WM_VSCROLL, SB_LINEDOWN, 0);
    Surface.Perform(WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(Surface.VertPosition(), 700) << "the last page, not the range";
    SCROLLINFO Info;
    Info.fMask = SIF_ALL;
    FlatSB_GetScrollInfo(Surface.Handle(), SB_VERT, &Info);
    EXPECT_EQ(Info.nMax, 1000);
    EXPECT_EQ(Info.nPage, 300u);
    EXPECT_EQ(Info.nPos, 700);
}

// A report of Rows rows, each a memo "Row N" and a key code, in a preview window.
class PreviewTest : public vcltest::VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        auto *Data = Build.NumberedRows(Rows);
        Build.Memo(Data, "KeyMemo", "[Rows.\"key\"]", 300, 0, 200, 18);
        Data->SetOutlineText("'Row ' + IntToStr(<Line>)");
        std::vector<std::map<std::string, Variant>> Values;
        for (int i = 1; i <= 120; ++i)
            Values.push_back({{"n", i},
                              {"key", i == 70 ? AnsiString("70 90 81 CC 47 ED FC 01")
                                              : AnsiString("00 00 00 00 00 00 00 00")}});
        Rows.SetRows(Values);
        Window = ShowPreview(Build, 900, 700);
        ASSERT_TRUE(Build.Prepare()) << Build.Errors();
        vcltest::Pump();
        P = Window->Preview;
    }
    void TearDown() override
    {
        frxSetPageSetupHandler({});
        Window.reset();
        VclTest::TearDown();
    }
    static void Press(int VirtualKey, char Char = 0)
    {
        vcltest::Key(VirtualKey, Char);
        vcltest::Pump();
    }
    static void Wheel(TControl *Over, int Delta)
    {
        const TPoint At = Over->ClientToScreen(TPoint(50, 50));
        win::InjectMouseInput(win::MouseInput{win::MouseAction::Wheel, win::MouseButton::None,
                                              POINT{At.X, At.Y}, Delta});
        vcltest::Pump();
    }
    // The page (0-based) a row's memo is on.
    int PageOfRow(int Row)
    {
        for (int p = 0; p < P->PageCount(); ++p) {
            TList *All = P->PreviewPages()->GetPage(p)->GetAllObjects();
            for (int i = 0; i < All->Count(); ++i)
                if (auto *M =
                        dynamic_cast<TfrxCustomMemoView *>(static_cast<TObject *>(All->Items(i))))
                    if (TextOf(M) == "Row " + std::to_string(Row)) return p;
        }
        return -1;
    }

    TRows Rows{"Rows"};
    TBuilder Build;
    std::unique_ptr<TfrxPreviewForm> Window;
    TfrxPreview *P = nullptr;
};

TEST_F(PreviewTest, PreparedPagesShowFromPageOneWithTheirNumbersInTheStatusBar)
{
    ASSERT_GT(P->PageCount(), 2);
    EXPECT_EQ(P->PageNo(), 1);
    EXPECT_EQ(Window->PageText(), Format(frxResources()->Get("clPageOf"), {1, P->PageCount()}));
    EXPECT_EQ(Window->PageE->Text(), "1");
    EXPECT_EQ(Window->CancelB->Caption(), frxResources()->Get("clClose"));
    EXPECT_TRUE(Window->PrintB->Enabled());
    EXPECT_FALSE(Window->ExportB->Visible()) << "no export filter is registered";
    EXPECT_EQ(P->Workspace()->PageList()->Count(), P->PageCount());

    // The first page is drawn white inside its frame on the grey background.
    const TRect Page =
        P->Workspace()->PageList()->GetPageBounds(0, P->Workspace()->ClientWidth(), P->Zoom());
    const HWND Wnd = P->Workspace()->Handle();
    const win::Window *W = win::FindWindow(Wnd);
    const int Dx = W->Client.left, Dy = W->Client.top;
    EXPECT_EQ(win::SurfacePixel(Wnd, Dx + Page.Left - 3, Dy + 200), RGB(0x80, 0x80, 0x80));
    EXPECT_EQ(win::SurfacePixel(Wnd, Dx + Page.Left, Dy + 200), RGB(0, 0, 0)) << "the frame";
    EXPECT_EQ(win::SurfacePixel(Wnd, Dx + Page.Left + 5, Dy + Page.Top + 5), RGB(255, 255, 255));
}

TEST_F(PreviewTest, KeysWheelAndTheScrollBarMoveThroughThePages)
{
    TfrxPreviewWorkspace *Space = P->Workspace();
    Space->SetFocus();
    Press(VK_DOWN);
    EXPECT_EQ(Space->VertPosition(), 8);
    Press(VK_NEXT);
    EXPECT_EQ(Space->VertPosition(), 308);
    Wheel(Space, -120);
    EXPECT_EQ(Space->VertPosition(), 328);
    vcltest::KeyDown(VK_CONTROL);
    Press(VK_NEXT);
    vcltest::KeyUp(VK_CONTROL);
    vcltest::Pump();
    EXPECT_EQ(P->PageNo(), 2);
    EXPECT_EQ(Space->VertPosition(), 1143 - 10);
    Press(VK_END);
    EXPECT_EQ(P->PageNo(), P->PageCount());
    Press(VK_HOME);
    EXPECT_EQ(P->PageNo(), 1);
    EXPECT_EQ(Space->VertPosition(), 0);

    // A click low on the vertical bar's track pages down; scrolling past a page's
    // first fifth makes it the current page.
    const win::Window *W = win::FindWindow(Space->Handle());
    const RECT Bar = win::ScrollBarRect(*W, SB_VERT);
    ASSERT_GT(Bar.bottom, Bar.top);
    const TPoint Origin = Space->ClientToScreen(TPoint(-W->Client.left, -W->Client.top));
    const POINT Track{Origin.X + Bar.left + 8, Origin.Y + Bar.bottom - 30};
    for (auto Action : {win::MouseAction::Down, win::MouseAction::Up})
        win::InjectMouseInput(win::MouseInput{Action, win::MouseButton::Left, Track});
    vcltest::Pump();
    EXPECT_EQ(Space->VertPosition(), 300);
    Space->SetVertPosition(1143 - 150);
    EXPECT_EQ(P->PageNo(), 2);
    EXPECT_EQ(Window->PageE->Text(), "2");
}

TEST_F(PreviewTest, WheelTurnsSmallerThanANotchAddUp)
{
    TfrxPreviewWorkspace *Space = P->Workspace();
    Space->SetFocus();
    for (int i = 0; i < 4; ++i)
        Wheel(Space, -30);
    EXPECT_EQ(Space->VertPosition(), 20) << "four quarter notches make one notch";
    Wheel(Space, -12);
    EXPECT_EQ(Space->VertPosition(), 22);
    Wheel(Space, 18);
    EXPECT_EQ(Space->VertPosition(), 19);

    P->SetZoom(1);
    vcltest::KeyDown(VK_CONTROL);
    Wheel(Space, -60);
    EXPECT_DOUBLE_EQ(P->Zoom(), 1) << "half a notch is kept, not applied";
    Wheel(Space, -60);
    vcltest::KeyUp(VK_CONTROL);
    vcltest::Pump();
    EXPECT_DOUBLE_EQ(P->Zoom(), 0.9);
}

TEST_F(PreviewTest, APrintThatFailsLeavesThePreviewUnlocked)
{
    // As the printer's job does when the spooler refuses it after the preview was locked.
    frxSetPrintPagesHandler([](TfrxPreviewPages *Pages) -> bool {
        Pages->Report()->Preview()->Lock();
        throw Exception("The printer is not ready");
    });
    EXPECT_THROW(P->Print(), Exception);
    frxSetPrintPagesHandler({});
    EXPECT_FALSE(P->Locked());
    const double Zoom = P->Zoom();
    P->SetZoomMode(zmPageWidth);
    EXPECT_NE(P->Zoom(), Zoom) << "zoom works again";
}

TEST_F(PreviewTest, TheWorkspaceKeepsTabAndNeitherWindowErasesWhatIsDrawn)
{
    TfrxPreviewWorkspace *Space = P->Workspace();
    Space->SetFocus();
    Press(VK_TAB);
    EXPECT_TRUE(Space->Focused()) << "the workspace takes every key";
    P->SetFocus();
    ASSERT_TRUE(P->Focused());
    Press(VK_TAB);
    EXPECT_FALSE(P->Focused()) << "the preview only keeps the arrows";

    // Both paint all of themselves, so an erase leaves what is on the surface.
    HDC Memory = CreateCompatibleDC(nullptr);
    HBITMAP Picture = CreateCompatibleBitmap(Memory, 4, 4);
    HGDIOBJ Old = SelectObject(Memory, Picture);
    const COLORREF Drawn = RGB(200, 10, 10);
    for (TWinControl *Control :
         {static_cast<TWinControl *>(Space), static_cast<TWinControl *>(P)}) {
        SetPixel(Memory, 1, 1, Drawn);
        EXPECT_EQ(Control->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(Memory), 0), 1);
        EXPECT_EQ(GetPixel(Memory, 1, 1), Drawn) << Control->ClassName().View();
    }
    SelectObject(Memory, Old);
    DeleteObject(Picture);
    DeleteDC(Memory);
}

TEST_F(PreviewTest, ZoomFollowsButtonsBoxWheelAndStaysWithinItsLimits)
{
    P->SetZoom(0.1);
    EXPECT_DOUBLE_EQ(P->Zoom(), 0.25);
    P->SetZoom(0.4);
    vcltest::KeyDown(VK_CONTROL);
    Wheel(P->Workspace(), -240);
    vcltest::KeyUp(VK_CONTROL);
    EXPECT_DOUBLE_EQ(P->Zoom(), 0.3) << "the wheel stops at 0.3";

    Window->ZoomWholePageB->Click();
    EXPECT_EQ(P->ZoomMode(), zmWholePage);
    EXPECT_DOUBLE_EQ(P->Zoom(), (P->Workspace()->ClientHeight() - 20.0) / A4Height);
    Window->Zoom50B->Click();
    EXPECT_EQ(P->Workspace()->PageList()->ColumnCount(), 2);
    Window->Zoom100B->Click();
    EXPECT_EQ(P->ZoomMode(), zmDefault);
    EXPECT_EQ(P->Workspace()->PageList()->ColumnCount(), 1);
    EXPECT_DOUBLE_EQ(P->Zoom(), 1);

    Window->ZoomCB->SetText("150%");
    Window->ZoomCB->SetFocus();
    Press(VK_RETURN, '\r');
    EXPECT_DOUBLE_EQ(P->Zoom(), 1.5);
    EXPECT_EQ(Window->ZoomCB->Text(), "150%");
    Window->ZoomCB->SetText("");
    Window->ZoomCBClick(nullptr);
    EXPECT_DOUBLE_EQ(P->Zoom(), 1.5) << "an empty box changes nothing";
    // Text that is no number is refused, and the box shows the zoom again.
    Window->ZoomCB->SetText("abc%");
    Window->ZoomCBClick(nullptr);
    vcltest::Pump();
    EXPECT_DOUBLE_EQ(P->Zoom(), 1.5);
    EXPECT_EQ(Window->ZoomCB->Text(), "150%");
}

TEST_F(PreviewTest, SearchFindsAKeyCodeOnItsPageAndAgainTheNextOccurrence)
{
    const int Page = PageOfRow(70);
    ASSERT_GT(Page, 0);
    frxLastSearchText() = "cc 47";
    vcltest::KeyDown(VK_RETURN, '\r'); // accepts the search dialog once it shows
    vcltest::KeyUp(VK_RETURN);
    P->Find();
    TfrxPreviewWorkspace *Space = P->Workspace();
    ASSERT_TRUE(Space->TextFound());
    EXPECT_EQ(Space->FoundPage(), Page);
    EXPECT_EQ(P->PageNo(), Page + 1) << "the view went to the page";
    EXPECT_NEAR(Space->FoundRect().Left, 300 + 10 * fr01cm, 3);
    EXPECT_GT(Space->FoundRect().Width(), 100);

    // Case matters when asked; "00 00" occurs on every row, and searching again
    // goes row by row down the same page before the next one.
    frxSearchState().Text = "cc 47";
    frxSearchState().CaseSensitive = true;
    Space->ResetSearch(0);
    EXPECT_FALSE(Space->FindText());
    frxSearchState().Text = "00 00";
    frxSearchState().CaseSensitive = false;
    Space->ResetSearch(0);
    ASSERT_TRUE(Space->FindText());
    const TRect First = Space->FoundRect();
    P->FindNext();
    EXPECT_EQ(Space->FoundPage(), 0);
    EXPECT_GT(Space->FoundRect().Top, First.Top);
}

TEST_F(PreviewTest, ASearchFromTheFirstPageBringsTextAboveTheViewBackIntoIt)
{
    P->Last();
    TfrxPreviewWorkspace *Space = P->Workspace();
    ASSERT_GT(Space->VertPosition(), 1000);
    frxSearchState().Text = "Row 2";
    frxSearchState().CaseSensitive = false;
    Space->ResetSearch(0);
    ASSERT_TRUE(Space->FindText());
    EXPECT_EQ(Space->FoundPage(), 0);
    const int Top = static_cast<int>(Space->FoundRect().Top * P->Zoom()) + 10;
    EXPECT_GE(Top, Space->VertPosition());
    EXPECT_LE(Top, Space->VertPosition() + Space->ClientHeight());
}

TEST_F(PreviewTest, OutlineEntriesJumpToTheirRows)
{
    TTreeView *Tree = P->OutlineTree();
    ASSERT_EQ(Tree->Items()->Count(), 120);
    TTreeNode *Node = Tree->Items()->Item(59);
    EXPECT_EQ(Node->Text(), "Row 60");
    EXPECT_EQ(Tree->Selected(), Tree->Items()->GetFirstNode()) << "the first entry is selected";
    const TfrxOutlineTarget Target = P->OutlineTarget(59);
    EXPECT_EQ(Target.Page, PageOfRow(60));
    P->SetOutlineVisible(true);
    vcltest::Pump();
    ASSERT_TRUE(GetWindowLongW(Tree->Handle(), GWL_STYLE) & WS_VSCROLL) << "120 rows scroll";
    Tree->SetTopItem(Tree->Items()->Item(55));
    vcltest::Pump();

    // A click beside the entry's text goes nowhere; a click on it jumps there.
    const TRect Label = Node->DisplayRect(true);
    vcltest::Click(Tree, Label.Right + 30, Label.Top + 3);
    vcltest::Pump();
    EXPECT_EQ(P->PageNo(), 1);
    vcltest::Click(Tree, Label.Left + 5, Label.Top + 3);
    vcltest::Pump();
    EXPECT_EQ(Tree->Selected(), Node);
    EXPECT_EQ(P->PageNo(), Target.Page + 1);
    const TRect Bounds = P->Workspace()->PageList()->GetPageBounds(
        Target.Page, P->Workspace()->ClientWidth(), P->Zoom());
    EXPECT_EQ(P->Workspace()->VertPosition(),
              Bounds.Top - 10 + static_cast<int>(std::lrint(Target.Top + 10 * fr01cm)));
    EXPECT_TRUE(P->Workspace()->Focused()) << "the focus goes back to the pages";
}

TEST_F(PreviewTest, TheOutlineTreeFollowsTheReportsLevelsAndItsExpandOption)
{
    // A second level under the first entry, and one more entry at the root.
    TfrxCustomOutline *Outline = P->PreviewPages()->Outline();
    Outline->LevelRoot();
    Outline->LevelDown(0);
    P->PreviewPages()->CurPage = 1;
    Outline->AddItem("Inner", 51);
    Outline->LevelRoot();
    P->UpdateOutline();
    TTreeView *Tree = P->OutlineTree();
    ASSERT_EQ(Tree->Items()->Count(), 121);
    TTreeNode *First = Tree->Items()->GetFirstNode();
    ASSERT_EQ(First->Count(), 1);
    TTreeNode *Inner = First->Item(0);
    EXPECT_EQ(Inner->Text(), "Inner");
    EXPECT_EQ(Inner->Level(), 1);
    EXPECT_TRUE(First->Expanded()) << "expanded by the report's preview options";
    EXPECT_TRUE(First->Selected());
    // Page + 1 in the low 20 bits, half the top above them.
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(Inner->Data()), 2u | (25u << 20));
    EXPECT_EQ(P->OutlineTarget(1).Page, 1);
    EXPECT_EQ(P->OutlineTarget(1).Top, 50);

    Build.Report->PreviewOptions()->SetOutlineExpand(false);
    P->UpdateOutline();
    EXPECT_FALSE(Tree->Items()->GetFirstNode()->Expanded());
    EXPECT_EQ(Tree->Items()->GetFirstNode()->GetNextVisible()->Text(), "Row 2");
}

TEST_F(PreviewTest, TheWorkspaceShowsTheCursorOfTheChosenTool)
{
    TfrxPreviewWorkspace *Space = P->Workspace();
    const HCURSOR Hand = Screen->Cursors(crHand), Zoom = Screen->Cursors(crZoom);
    EXPECT_NE(Hand, Screen->Cursors(crArrow));
    EXPECT_NE(Zoom, Hand);
    EXPECT_EQ(win::QtCursor(Hand).shape(), Qt::BitmapCursor) << "our own picture";
    EXPECT_EQ(win::QtCursor(Zoom).hotSpot(), QPoint(5, 5));
    EXPECT_EQ(Space->Cursor(), crHand);

    // Over the grey beside the page and over the page's right margin alike.
    auto CursorAt = [&](int X, int Y) {
        vcltest::MouseMove(Space, X, Y);
        vcltest::Pump();
        return GetCursor();
    };
    const TRect Page =
        P->Workspace()->PageList()->GetPageBounds(0, Space->ClientWidth(), P->Zoom());
    const int Low = Space->ClientHeight() - 10;
    ASSERT_LT(Low, Page.Bottom);
    EXPECT_EQ(CursorAt(3, 40), Hand);
    Window->ZoomToolB->Click();
    EXPECT_EQ(Space->Cursor(), crZoom);
    EXPECT_EQ(CursorAt(4, 40), Zoom);
    EXPECT_EQ(CursorAt(Page.Right - 20, Low), Zoom);
    Window->HandToolB->Click();
    EXPECT_EQ(Space->Cursor(), crHand);
    EXPECT_EQ(CursorAt(Page.Right - 21, Low), Hand);
}

// Links of the first row's key code: where it is drawn on page 1, in the workspace.
class PreviewLinkTest : public PreviewTest
{
protected:
    void LinkKeys(const AnsiString &URL)
    {
        Build.Report->SetPreviewForm(Window.get());
        dynamic_cast<TfrxView *>(Build.Report->FindObject("KeyMemo"))->SetURL(URL);
        ASSERT_TRUE(Build.Prepare()) << Build.Errors();
        vcltest::Pump();
        ASSERT_EQ(P->PageNo(), 1);
        auto *Page = dynamic_cast<TfrxReportPage *>(P->PreviewPages()->GetPage(0));
        auto *Key = dynamic_cast<TfrxView *>(Page->FindObject("KeyMemo"));
        TfrxPreviewWorkspace *Space = P->Workspace();
        const TRect Bounds = Space->PageList()->GetPageBounds(0, Space->ClientWidth(), P->Zoom());
        KeyAt = TPoint(
            Bounds.Left - Space->HorzPosition() +
                static_cast<int>((Page->LeftMargin() * fr01cm + Key->GetAbsLeft() + 20) *
                                 P->Zoom()),
            Bounds.Top - Space->VertPosition() +
                static_cast<int>((Page->TopMargin() * fr01cm + Key->GetAbsTop() + 5) * P->Zoom()));
    }
    TPoint KeyAt;
};

TEST_F(PreviewLinkTest, ALinkToAPageShowsInTheStatusBarAndAClickGoesThere)
{
    LinkKeys("@3");
    vcltest::MouseMove(P->Workspace(), KeyAt.X, KeyAt.Y);
    vcltest::Pump();
    EXPECT_EQ(Window->StatusBar->Panels(1)->Text(), "@3");
    vcltest::Click(P->Workspace(), KeyAt.X, KeyAt.Y);
    vcltest::Pump();
    EXPECT_EQ(P->PageNo(), 3);
    vcltest::MouseMove(P->Workspace(), 3, 40);
    vcltest::Pump();
    EXPECT_EQ(Window->StatusBar->Panels(1)->Text(), "") << "off the link the text goes";
}

TEST_F(PreviewLinkTest, ALinkToAnAnchorGoesToTheAnchorsPage)
{
    LinkKeys("#last");
    P->PreviewPages()->AddAnchor("Last"); // made after the run: on the last page
    vcltest::Click(P->Workspace(), KeyAt.X, KeyAt.Y);
    vcltest::Pump();
    EXPECT_EQ(P->PageNo(), P->PageCount());
}

TEST_F(PreviewTest, OutlineTargetsBeyondTwentyBitsAreKeptWhole)
{
    // One tall page: rows far below 4094 pixels.
    static_cast<TfrxReportPage *>(Build.Report->Pages(0))->SetPaperHeight(3000);
    static_cast<TfrxBand *>(Build.Report->FindObject("MasterData1"))->SetHeight(40);
    ASSERT_TRUE(Build.Prepare());
    vcltest::Pump();
    ASSERT_EQ(P->PageCount(), 1);
    EXPECT_EQ(P->OutlineTarget(119).Top, 119 * 40);
    EXPECT_GT(P->OutlineTarget(119).Top, 4094);
}

TEST_F(PreviewTest, PageSetupRebuildsTheReportOnTheChosenPaper)
{
    const int Portrait = P->PageCount();
    frxSetPageSetupHandler([](TfrxReportPage *Page, TfrxReport *, bool &NeedRebuild) {
        Page->SetOrientation(poLandscape);
        NeedRebuild = true;
        return true;
    });
    Window->PageSettingsB->Click();
    vcltest::Pump();
    EXPECT_EQ(static_cast<TfrxReportPage *>(Build.Report->Pages(0))->Orientation(), poLandscape);
    EXPECT_EQ(P->PreviewPages()->GetPageSize(0).X, A4Height);
    EXPECT_GT(P->PageCount(), Portrait) << "fewer rows fit a landscape page";
    EXPECT_EQ(P->Workspace()->PageList()->Items(0).Width, A4Height);

    // Only this page: the prepared page is replaced, the report is not run again.
    const int Count = P->PageCount();
    frxSetPageSetupHandler([](TfrxReportPage *Page, TfrxReport *, bool &NeedRebuild) {
        Page->SetOrientation(poPortrait);
        NeedRebuild = false;
        return true;
    });
    P->SetPageNo(2);
    P->PageSetupDlg();
    EXPECT_EQ(P->PageCount(), Count);
    EXPECT_EQ(P->PreviewPages()->GetPageSize(1).X, A4Width);
    EXPECT_EQ(P->PreviewPages()->GetPageSize(0).X, A4Height);
    frxSetPageSetupHandler([](TfrxReportPage *Page, TfrxReport *, bool &) {
        Page->SetOrientation(poPortrait);
        return false;
    });
    P->SetPageNo(1);
    P->PageSetupDlg();
    EXPECT_EQ(P->PreviewPages()->GetPageSize(0).X, A4Height) << "cancelled: nothing changes";
}

TEST_F(PreviewTest, ThePageSettingsWindowTurnsEveryPageToLandscape)
{
    const int Portrait = P->PageCount();
    TTimer Answer(nullptr);
    Answer.SetInterval(50);
    bool Shown = false;
    Answer.OnTimer = [&](TObject *) {
        auto *Dialog = dynamic_cast<TfrxPageSettingsForm *>(Screen->ActiveForm());
        if (!Dialog) return;
        Answer.SetEnabled(false);
        Shown = true;
        vcltest::Click(Dialog->LandscapeRB, 3, 3);
        vcltest::Click(Dialog->ApplyToAllRB, 3, 3);
        vcltest::Click(Dialog->OKB, 10, 10);
    };
    Answer.SetEnabled(true);
    Window->PageSettingsB->Click();
    vcltest::Pump();
    ASSERT_TRUE(Shown);
    EXPECT_EQ(static_cast<TfrxReportPage *>(Build.Report->Pages(0))->Orientation(), poLandscape);
    EXPECT_EQ(P->PreviewPages()->GetPageSize(0).X, A4Height);
    EXPECT_GT(P->PageCount(), Portrait);
}

TEST_F(PreviewTest, PagesAreAddedAfterAndDeletedAtTheCurrentOne)
{
    const int Count = P->PageCount();
    P->SetPageNo(2);
    Window->NewPageB->Click();
    EXPECT_EQ(P->PageCount(), Count + 1);
    EXPECT_EQ(P->PageNo(), 3);
    EXPECT_EQ(P->Workspace()->PageList()->Count(), Count + 1);
    P->Last();
    Window->DelPageB->Click();
    EXPECT_EQ(P->PageCount(), Count);
    EXPECT_EQ(P->PageNo(), Count);
}

TEST_F(PreviewTest, APreviewWhoseReportIsGoneShowsNothingOfIt)
{
    ASSERT_GT(P->OutlineTree()->Items()->Count(), 0);
    Build.Report->SetPreviewForm(Window.get()); // as a report that opens its window does
    Build.Report.reset();
    vcltest::Pump();
    EXPECT_EQ(Window->Report(), nullptr);
    EXPECT_EQ(P->Report(), nullptr);
    EXPECT_EQ(P->PageCount(), 0);
    EXPECT_EQ(P->Workspace()->PageList()->Count(), 0);
    EXPECT_EQ(P->OutlineTree()->Items()->Count(), 0);
    EXPECT_EQ(P->PageNo(), 0);
    Window->NextB->Click();
    EXPECT_FALSE(Window->PrintB->Enabled()) << "nothing is left to print";
    Window.reset(); // and the window goes without touching the report
}

TEST_F(PreviewTest, APageAddedOnTheLastPageComesAfterItAndIsShown)
{
    const int Count = P->PageCount();
    P->Last();
    Window->NewPageB->Click();
    EXPECT_EQ(P->PageCount(), Count + 1);
    EXPECT_EQ(P->PageNo(), Count + 1);
    EXPECT_EQ(P->PreviewPages()->GetPage(Count)->Objects()->Count(), 0) << "an empty page";
    EXPECT_GT(P->PreviewPages()->GetPage(Count - 1)->Objects()->Count(), 0) << "the last one kept";
}

TEST_F(PreviewTest, AZeroSizedPageLeavesTheZoomAlone)
{
    P->SetZoom(1.25);
    auto *Empty = new TfrxReportPage(nullptr);
    Empty->SetPaperWidth(0.1);
    Empty->SetPaperHeight(0.1);
    std::unique_ptr<TfrxReportPage> Owned(Empty);
    for (int i = 0; i < P->PageCount(); ++i)
        P->PreviewPages()->ModifyPage(i, Empty);
    P->PageListChanged();
    P->SetPageNo(1);
    ASSERT_EQ(P->PreviewPages()->GetPageSize(0).X, 0);
    P->SetZoomMode(zmWholePage);
    EXPECT_DOUBLE_EQ(P->Zoom(), 1.25);
    P->SetZoomMode(zmPageWidth);
    EXPECT_DOUBLE_EQ(P->Zoom(), 1.25);
}

TEST_F(PreviewTest, EscClosesTheWindowButCancelsARunningReport)
{
    // While the report runs, Esc asks it to stop instead of closing the window.
    bool Stopped = false;
    Build.Report->OnProgress = [&](TfrxReport *Sender, TfrxProgressType, int Progress) {
        if (Progress != 1) return;
        EXPECT_TRUE(P->Running());
        EXPECT_FALSE(Window->PrintB->Enabled());
        Window->SetFocus();
        Press(VK_ESCAPE, 27);
        Stopped = Sender->Terminated();
    };
    Build.Prepare();
    Build.Report->OnProgress = nullptr;
    EXPECT_TRUE(Stopped);
    EXPECT_TRUE(Window->Visible());
    EXPECT_FALSE(P->Running());
    Window->SetFocus();
    Press(VK_ESCAPE, 27);
    EXPECT_FALSE(Window->Visible());
}

TEST_F(PreviewTest, F11GoesFullScreenAndBackWithTheKeysStillInTheWindow)
{
    const TFormBorderStyle Border = Window->BorderStyle();
    Window->SetBounds(40, 30, 500, 400);
    auto onScreen = [&] {
        RECT r{};
        GetWindowRect(Window->Handle(), &r);
        return TRect(r.left, r.top, r.right, r.bottom);
    };
    const TRect Normal = onScreen();
    P->Workspace()->SetFocus();
    Press(VK_F11);
    ASSERT_TRUE(Window->FullScreen());
    EXPECT_EQ(Window->BorderStyle(), bsNone);
    EXPECT_FALSE(Window->ToolBar->Visible());
    EXPECT_TRUE(IsWindowVisible(Window->Handle())) << "the window made anew is shown";
    EXPECT_EQ(GetActiveWindow(), Window->Handle());
    EXPECT_EQ(onScreen(), TRect(0, 0, Screen->Width(), Screen->Height()))
        << "the pages do not fill the screen";

    Press(VK_F11);
    EXPECT_FALSE(Window->FullScreen());
    EXPECT_EQ(Window->BorderStyle(), Border);
    EXPECT_EQ(onScreen(), Normal) << "the window does not come back to its place";
    EXPECT_TRUE(Window->ToolBar->Visible());
    EXPECT_TRUE(IsWindowVisible(Window->Handle()));
    Press(VK_ESCAPE, 27);
    EXPECT_FALSE(Window->Visible());
}

} // namespace

// ---- exporting and editing from the preview ----

namespace
{

// A filter named as the library names its kinds: it writes down the memos it is
// handed and can fail at one of them.
class NamedFilter : public TfrxCustomExportFilter
{
public:
    NamedFilter() { SetShowDialog(false); }
    void ExportObject(TfrxComponent *Obj) override
    {
        if (!dynamic_cast<TfrxCustomMemoView *>(Obj)) return;
        if (Fail) throw std::runtime_error("the port went away");
        ++Memos;
    }
    int Memos = 0;
    bool Fail = false;
};

class TfrxTextExport : public NamedFilter
{
    QRV4_CLASS(TfrxTextExport, NamedFilter)
};

class TfrxDotMatrixExport : public NamedFilter
{
    QRV4_CLASS(TfrxDotMatrixExport, NamedFilter)
};

// A designer that changes what it is shown, as a user at it would.
class ScriptedDesigner : public TQuietDesigner
{
public:
    ScriptedDesigner(TfrxReport *Report, std::function<bool(TfrxReport *)> Work)
        : TQuietDesigner(nullptr, Report)
    {
        OnShow = [this, Work](TObject *) {
            SetModified(Work(this->Report()));
            SetModalResult(mrOk);
        };
    }
};

class PreviewEditTest : public PreviewTest
{
protected:
    void TearDown() override
    {
        frxDesignerClass() = nullptr;
        frxDotMatrixExport() = nullptr;
        PreviewTest::TearDown();
    }
    // The colour drawn inside the first page's top-left corner, page 1 shown.
    COLORREF InsideFirstPage()
    {
        P->SetPageNo(1);
        TfrxPreviewWorkspace *Space = P->Workspace();
        const TRect Page = Space->PageList()->GetPageBounds(0, Space->ClientWidth(), P->Zoom());
        Space->Repaint();
        vcltest::Pump();
        const win::Window *Frame = win::FindWindow(Space->Handle());
        return win::SurfacePixel(Space->Handle(),
                                 Frame->Client.left + Page.Left + 5 - Space->HorzPosition(),
                                 Frame->Client.top + Page.Top + 5 - Space->VertPosition());
    }
    void DesignWith(std::function<bool(TfrxReport *)> Work)
    {
        frxDesignerClass() = [Work](TfrxReport *Report) {
            return std::make_unique<ScriptedDesigner>(Report, Work);
        };
    }
};

TEST_F(PreviewEditTest, AReportExportedWhileThePreviewShowsLeavesItsPagesShowing)
{
    ASSERT_EQ(InsideFirstPage(), RGB(255, 255, 255));
    // As a script exports the report the preview shows.
    NamedFilter Filter;
    ASSERT_TRUE(Build.Report->Export(&Filter));
    EXPECT_GT(Filter.Memos, 0);
    EXPECT_FALSE(P->Locked());
    EXPECT_EQ(InsideFirstPage(), RGB(255, 255, 255)) << "the pages, not a blank grey view";
}

TEST_F(PreviewEditTest, AFailedDotMatrixExportEndsItsPrintingAndUnlocksThePreview)
{
    Build.Report->EngineOptions()->SetNewSilentMode(simReThrow);
    std::vector<std::string> Events;
    Build.Report->OnPrintReport = [&](TObject *) { Events.push_back("print"); };
    Build.Report->OnAfterPrintReport = [&](TObject *) { Events.push_back("after"); };
    TfrxDotMatrixExport Filter;
    Filter.Fail = true;
    EXPECT_THROW(P->Export(&Filter), Exception);
    EXPECT_EQ(Events, (std::vector<std::string>{"print", "after"}));
    EXPECT_FALSE(P->Locked());
    EXPECT_EQ(InsideFirstPage(), RGB(255, 255, 255));
    EXPECT_NE(Build.Report->Errors()->Text().Pos("the port went away"), 0);
}

TEST_F(PreviewEditTest, TextExportOfADotMatrixReportGoesToTheDotMatrixExport)
{
    TfrxTextExport Text;
    TfrxDotMatrixExport DotMatrix;
    P->Export(&Text);
    EXPECT_GT(Text.Memos, 0) << "no dot-matrix export registered: the text export runs";
    Text.Memos = 0;
    frxDotMatrixExport() = &DotMatrix;
    P->Export(&Text);
    EXPECT_GT(Text.Memos, 0) << "not a dot-matrix report";
    Text.Memos = 0;
    Build.Report->SetDotMatrixReport(true);
    P->Export(&Text);
    EXPECT_EQ(Text.Memos, 0);
    EXPECT_GT(DotMatrix.Memos, 0);
    NamedFilter Other;
    P->Export(&Other);
    EXPECT_GT(Other.Memos, 0) << "only the text export is switched";
}

TEST_F(PreviewEditTest, EditOpensTheDesignerOnTheFlatPageAndAChangeReplacesIt)
{
    P->SetPageNo(2);
    const std::vector<std::string> Before = TextsOf(P->PreviewPages(), 1, "MasterData1");
    std::vector<std::string> RowTexts;
    for (const std::string &Text : Before)
        if (Text.starts_with("Row ")) RowTexts.push_back(Text);
    ASSERT_GE(RowTexts.size(), 2u);
    P->Edit();
    EXPECT_EQ(TextsOf(P->PreviewPages(), 1, "MasterData1"), Before) << "no designer: nothing";

    int Bands = -1;
    double KeyTop = -1;
    DesignWith([&](TfrxReport *Report) {
        EXPECT_NE(Report, Build.Report.get());
        TfrxPage *Page = Report->Pages(0);
        TList *All = Page->GetAllObjects();
        Bands = 0;
        for (int i = 0; i < All->Count(); ++i) {
            auto *C = static_cast<TfrxComponent *>(All->Items(i));
            Bands += dynamic_cast<TfrxBand *>(C) != nullptr;
            auto *Memo = dynamic_cast<TfrxCustomMemoView *>(C);
            // The second row's memo: its band lies below the page's top.
            if (!Memo || TextOf(Memo) != RowTexts[1]) continue;
            EXPECT_EQ(Memo->Parent(), Page) << "on the page itself";
            EXPECT_EQ(Memo->DataSet(), nullptr);
            KeyTop = Memo->Top();
            Memo->SetText(WideString(AnsiString("Edited")));
        }
        return true;
    });
    P->Edit();
    EXPECT_EQ(Bands, 0);
    EXPECT_GT(KeyTop, 0) << "at its place on the paper, not in its band";
    EXPECT_FALSE(P->Locked());
    TList *All = P->PreviewPages()->GetPage(1)->GetAllObjects();
    int Edited = 0;
    for (int i = 0; i < All->Count(); ++i)
        if (auto *Memo = dynamic_cast<TfrxCustomMemoView *>(static_cast<TObject *>(All->Items(i))))
            Edited += TextOf(Memo) == "Edited";
    EXPECT_EQ(Edited, 1);

    DesignWith([](TfrxReport *) { return false; });
    const int Count = P->PageCount();
    P->Edit();
    EXPECT_EQ(P->PageCount(), Count) << "an unchanged page stays";
}

TEST_F(PreviewEditTest, TheDesignerButtonEditsThePageTheUserWentTo)
{
    const int Row = [&] {
        for (int r = 1; r <= 120; ++r)
            if (PageOfRow(r) == 1) return r;
        return -1;
    }();
    ASSERT_GT(Row, 0);
    Build.Report->PreviewOptions()->SetAllowEdit(true);
    Window->Init();
    std::vector<std::string> Texts;
    DesignWith([&](TfrxReport *Report) {
        Texts.clear();
        TList *All = Report->Pages(0)->GetAllObjects();
        for (int i = 0; i < All->Count(); ++i)
            if (auto *M = dynamic_cast<TfrxCustomMemoView *>(static_cast<TObject *>(All->Items(i))))
                Texts.push_back(TextOf(M));
        return false;
    });
    auto EditsPageTwo = [&] {
        Window->DesignerB->Click();
        return std::find(Texts.begin(), Texts.end(), "Row " + std::to_string(Row)) != Texts.end();
    };

    P->Workspace()->SetFocus();
    vcltest::KeyDown(VK_CONTROL);
    Press(VK_NEXT);
    vcltest::KeyUp(VK_CONTROL);
    ASSERT_EQ(P->PageNo(), 2);
    EXPECT_TRUE(EditsPageTwo()) << "paged down";

    P->SetPageNo(1);
    Window->PageE->SetFocus();
    Window->PageE->SetText("2");
    Press(VK_RETURN, 13);
    ASSERT_EQ(P->PageNo(), 2);
    EXPECT_TRUE(EditsPageTwo()) << "typed into the page box";

    P->SetPageNo(1);
    P->Workspace()->SetVertPosition(1143 - 150);
    ASSERT_EQ(P->PageNo(), 2);
    EXPECT_TRUE(EditsPageTwo()) << "scrolled there";
}

TEST_F(PreviewEditTest, EditTemplateShowsTheReportsTemplateNotItsPreparedPages)
{
    std::vector<std::string> Seen;
    DesignWith([&](TfrxReport *Report) {
        for (int i = 0; i < Report->PagesCount(); ++i) {
            Seen.push_back(Report->Pages(i)->Name().ToStd());
            if (Report->FindObject("KeyMemo")) Seen.push_back("KeyMemo");
        }
        return true;
    });
    P->EditTemplate();
    EXPECT_EQ(Seen, (std::vector<std::string>{Build.Page->Name().ToStd(), "KeyMemo"}));
}

} // namespace
