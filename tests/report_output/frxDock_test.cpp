// The report library's docks on real offscreen windows: toolbar rows, moving
// and floating, the float window, the side dock site, and window positions
// kept in a settings store and read back.

#include "report_output/frxDock.h"

#include "platform/win/Paint.h"
#include "platform/win/WinGdi.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

namespace
{

class PreviewLikeForm : public TForm
{
    QRV4_CLASS(PreviewLikeForm, TForm)

public:
    using TForm::TForm;
};

using FormPositionTest = vcltest::VclTest;

TEST_F(FormPositionTest, BoundsAndVisibilityComeBack)
{
    TMemIniFile Ini("");
    PreviewLikeForm Saved(nullptr);
    Saved.SetBounds(40, 50, 320, 240);
    frxSaveFormPosition(&Ini, &Saved);
    EXPECT_EQ(Ini.ReadInteger("Form.PreviewLikeForm", "Width", 0), 320);
    EXPECT_FALSE(Ini.ReadBool("Form.PreviewLikeForm", "Maximized", true));
    EXPECT_EQ(Ini.ReadString("Form.PreviewLikeForm", "Dock", "x"), "");

    PreviewLikeForm Restored(nullptr);
    Restored.SetBounds(0, 0, 100, 100);
    Ini.WriteBool("Form.PreviewLikeForm", "Visible", false);
    frxRestoreFormPosition(&Ini, &Restored);
    EXPECT_EQ(Restored.Left(), 40);
    EXPECT_EQ(Restored.Top(), 50);
    EXPECT_EQ(Restored.Width(), 320);
    EXPECT_EQ(Restored.Height(), 240);
    EXPECT_FALSE(Restored.Visible());

    // Nothing stored: the form stays as it is and shows.
    TMemIniFile Empty("");
    frxRestoreFormPosition(&Empty, &Restored);
    EXPECT_EQ(Restored.Width(), 320);
    EXPECT_TRUE(Restored.Visible());
    Restored.Hide();
}

TEST_F(FormPositionTest, MaximisedFormKeepsItsNormalBounds)
{
    TMemIniFile Ini("");
    PreviewLikeForm Saved(nullptr);
    Saved.SetBounds(10, 10, 200, 150);
    Saved.SetWindowState(wsMaximized);
    frxSaveFormPosition(&Ini, &Saved);
    Ini.WriteBool("Form.PreviewLikeForm", "Visible", false);

    PreviewLikeForm Restored(nullptr);
    Restored.SetBounds(60, 70, 300, 250);
    frxRestoreFormPosition(&Ini, &Restored);
    EXPECT_EQ(Restored.WindowState(), wsMaximized);
    Restored.SetWindowState(wsNormal);
    EXPECT_EQ(Restored.Left(), 60);
    EXPECT_EQ(Restored.Width(), 300);
}

TEST_F(FormPositionTest, DockedFormReturnsToItsSiteWhenTheSiteStillExists)
{
    TMemIniFile Ini("");
    TComponent Owner(nullptr);
    auto *Host = new TForm(&Owner);
    auto *Site = new TPanel(&Owner);
    Site->SetName("DockSite1");
    Site->SetParent(Host);
    auto *Saved = new PreviewLikeForm(&Owner);
    Saved->SetParent(Site);
    frxSaveFormPosition(&Ini, Saved);
    EXPECT_EQ(Ini.ReadString("Form.PreviewLikeForm", "Dock", ""), "DockSite1");
    Saved->SetParent(nullptr);

    auto *Restored = new PreviewLikeForm(&Owner);
    Ini.WriteBool("Form.PreviewLikeForm", "Visible", false);
    frxRestoreFormPosition(&Ini, Restored);
    EXPECT_EQ(Restored->Parent(), Site);

    Ini.WriteString("Form.PreviewLikeForm", "Dock", "Gone");
    PreviewLikeForm Alone(nullptr);
    frxRestoreFormPosition(&Ini, &Alone);
    EXPECT_EQ(Alone.Parent(), nullptr);
}

TEST_F(FormPositionTest, ToolbarPanelIsABareSmallPanel)
{
    TfrxTBPanel Panel(nullptr);
    EXPECT_EQ(Panel.Width(), 8);
    EXPECT_EQ(Panel.Height(), 8);
    EXPECT_EQ(Panel.BevelOuter(), bvNone);
    EXPECT_EQ(Panel.BevelInner(), bvNone);
    EXPECT_EQ(Panel.Caption(), "");
    EXPECT_STREQ(frxRegRootKey, "Software\\Zedo Vevuvuz");
}

// A form of 600 x 400 with a dock at the top and one at the bottom, and two
// toolbars: "Bar1" of 82 pixels (grip, 40 and 30), "Bar2" of 62 (grip, 50).
class DockTest : public vcltest::VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        Host = ShownForm(600, 400);
        TopDock = MakeDock("TopDock", alTop);
        BottomDock = MakeDock("BottomDock", alBottom);
        Bar1 = MakeBar("Bar1", {40, 30});
        Bar2 = MakeBar("Bar2", {50});
    }

    TfrxDock *MakeDock(const char *Name, TAlign Align)
    {
        auto *Dock = new TfrxDock(Host);
        Dock->SetName(Name);
        // Its edge first: a dock parented at the top and then turned to the left
        // would keep the form's width as its depth.
        Dock->SetAlign(Align);
        Dock->SetParent(Host);
        return Dock;
    }

    TfrxToolBar *MakeBar(const char *Name, std::initializer_list<int> Widths)
    {
        auto *Bar = new TfrxToolBar(Host);
        Bar->SetName(Name);
        Bar->SetCaption(Name);
        int Left = 100;
        for (int Width : Widths) {
            auto *Panel = new TfrxTBPanel(Host);
            Panel->SetParent(Bar);
            Panel->SetBounds(Left, 0, Width, 22);
            Left += Width;
        }
        return Bar;
    }

    static TRect Place(TControl *C) { return C->BoundsRect(); }

    TForm *Host = nullptr;
    TfrxDock *TopDock = nullptr;
    TfrxDock *BottomDock = nullptr;
    TfrxToolBar *Bar1 = nullptr;
    TfrxToolBar *Bar2 = nullptr;
};

TEST_F(DockTest, ToolbarsTakeRowsAndEmptyRowsGo)
{
    EXPECT_EQ(TopDock->Height(), 1);
    EXPECT_EQ(TopDock->RowSize(), 26);
    Bar1->AddToDock(TopDock);
    EXPECT_EQ(Place(Bar1), TRect(0, 0, 82, 26));
    EXPECT_EQ(Bar1->DragBox()->BoundsRect(), TRect(1, 1, 9, 25));
    EXPECT_EQ(TopDock->Height(), 27);
    Bar2->AddToDock(TopDock);
    EXPECT_EQ(Place(Bar2), TRect(0, 26, 62, 52));
    EXPECT_EQ(TopDock->Height(), 53);

    Bar1->SetShown(false);
    EXPECT_EQ(Bar2->Top(), 0);
    EXPECT_EQ(TopDock->Height(), 27);

    // A left dock turns its toolbars upright: the grip and the panels' heights
    // make the length, and the panels take the toolbar's thickness.
    TfrxDock *Side = MakeDock("SideDock", alLeft);
    EXPECT_EQ(Side->Width(), 1);
    Bar1->SetShown(true);
    Bar1->AddToDock(Side);
    EXPECT_EQ(Place(Bar1), TRect(0, 0, 26, 4 + 8 + 24 + 24));
    EXPECT_EQ(Side->Width(), 27);
    EXPECT_EQ(Bar1->DragBox()->BoundsRect(), TRect(1, 1, 25, 9));
    for (int i = 0; i < Bar1->ControlCount(); ++i)
        EXPECT_EQ(Bar1->Controls(i)->Width(), 24) << i;
    Bar2->AddToDock(Side);
    EXPECT_EQ(Place(Bar2), TRect(26, 0, 52, 4 + 8 + 24));
    EXPECT_EQ(Side->Width(), 53);
    // Back in the emptied top dock the toolbar lies along its first row; the
    // side dock loses the emptied row.
    Bar1->AddToDock(TopDock);
    EXPECT_EQ(Bar1->Top(), 0);
    EXPECT_EQ(TopDock->Height(), 27);
    EXPECT_EQ(Bar1->Height(), 26);
    EXPECT_GT(Bar1->Width(), Bar1->Height());
    EXPECT_EQ(Bar2->Left(), 0);
    EXPECT_EQ(Side->Width(), 27);
}

TEST_F(DockTest, MovingAlongARowStopsAtTheOtherToolbarsAndFarOutFloats)
{
    Bar1->AddToDock(TopDock);
    Bar2->DockTo(TopDock, 200, 0);
    Bar2->MoveTo(10, 0);
    EXPECT_EQ(Place(Bar2), TRect(82, 0, 144, 26)) << "pushed to the end of Bar1";
    Bar2->MoveTo(10000, 0);
    EXPECT_EQ(Bar2->Left(), TopDock->Width() - 62);
    Bar1->MoveTo(TopDock->Width() - 70, 0);
    EXPECT_EQ(Bar1->Left(), TopDock->Width() - 62 - 82) << "moved to just before Bar2";

    Bar2->SetCanFloat(false);
    Bar2->MoveTo(-30, 0);
    EXPECT_FALSE(Bar2->Floating());
    Bar2->SetCanFloat(true);
    Bar2->MoveTo(-30, 0);
    ASSERT_TRUE(Bar2->Floating());
    EXPECT_EQ(frxFloatingToolBars(), std::vector<TfrxToolBar *>{Bar2});
    EXPECT_EQ(Bar2->Parent(), Bar2->FloatWindow());
    EXPECT_EQ(Place(Bar2), TRect(3, 18, 65, 44));
    EXPECT_EQ(Bar2->FloatWindow()->Width(), 68);
    EXPECT_EQ(Bar2->FloatWindow()->Height(), 47);
    EXPECT_TRUE(Bar2->Shown());

    Bar2->AddToDock(BottomDock);
    EXPECT_FALSE(Bar2->Floating());
    EXPECT_TRUE(frxFloatingToolBars().empty());
    EXPECT_EQ(Bar2->Dock(), BottomDock);
    EXPECT_EQ(BottomDock->Height(), 27);
}

TEST_F(DockTest, ABarTornOffItsDockFloatsAtTheCursorAndTheSameDragMovesItsWindow)
{
    Bar1->AddToDock(TopDock);
    Bar2->DockTo(TopDock, 200, 0);
    vcltest::Pump();
    // The grip, then out past the dock's start: the bar comes off under the cursor.
    vcltest::MouseDown(Host, 204, 5);
    vcltest::MouseMove(Host, 150, 5);
    vcltest::MouseMove(Host, -60, 5);
    vcltest::Pump();
    ASSERT_TRUE(Bar2->Floating());
    const TPoint TornAt = Host->ClientToScreen(TPoint(-60, 5));
    EXPECT_EQ(Bar2->FloatWindow()->Left(), TornAt.X);
    EXPECT_EQ(Bar2->FloatWindow()->Top(), TornAt.Y);

    vcltest::MouseMove(Host, 120, 200);
    vcltest::Pump();
    const TPoint MovedTo = Host->ClientToScreen(TPoint(120, 200));
    EXPECT_EQ(Bar2->FloatWindow()->Left(), MovedTo.X) << "the window follows the drag";
    EXPECT_EQ(Bar2->FloatWindow()->Top(), MovedTo.Y);
    vcltest::MouseUp(Host, 120, 200);
    vcltest::MouseMove(Host, 300, 250);
    vcltest::Pump();
    EXPECT_EQ(Bar2->FloatWindow()->Left(), MovedTo.X) << "and stays once the button is up";
    EXPECT_TRUE(Bar2->Shown());
}

TEST_F(DockTest, DraggingAcrossCountsWholeRowsOnly)
{
    Bar1->AddToDock(TopDock);
    Bar2->AddToDock(TopDock);
    const TPoint Start = Bar1->ClientToScreen(TPoint(2, 2));
    Bar1->DragStart(Start);
    Bar1->DragMove(TPoint(Start.X + 5, Start.Y + 20)); // less than a row: along only
    EXPECT_EQ(Place(Bar1), TRect(5, 0, 87, 26));
    Bar1->DragMove(TPoint(Start.X + 5, Start.Y + 30)); // a row down, onto Bar2's row
    Bar1->DragEnd();
    // Row 0 is empty then and goes: both toolbars share the one row left.
    EXPECT_EQ(TopDock->Height(), 27);
    EXPECT_EQ(Place(Bar2), TRect(0, 0, 62, 26));
    EXPECT_EQ(Place(Bar1), TRect(62, 0, 144, 26));
}

TEST_F(DockTest, FloatWindowPaintsItsCaptionAndClosesToHidden)
{
    Bar1->FloatTo(120, 140);
    TfrxFloatWindow *Window = Bar1->FloatWindow();
    ASSERT_NE(Window, nullptr);
    EXPECT_EQ(Window->Left(), 120);
    EXPECT_EQ(Window->Top(), 140);
    EXPECT_EQ(Window->CloseButtonRect(), TRect(Window->Width() - 14, 4, Window->Width() - 3, 15));
    Window->Repaint();
    HDC DC = GetDC(Window->Handle());
    EXPECT_EQ(GetPixel(DC, 0, 0), 0x808080u);
    EXPECT_EQ(GetPixel(DC, 2, 10), 0x808080u);
    EXPECT_EQ(GetPixel(DC, Window->Width() - 20, 17), 0x808080u) << "the title strip";
    ReleaseDC(Window->Handle(), DC);

    vcltest::Click(Window, Window->Width() - 8, 9);
    vcltest::Pump();
    EXPECT_FALSE(Bar1->Shown());
    EXPECT_TRUE(Bar1->Floating());
}

TEST_F(DockTest, ToolbarPositionsComeBackFloatingOrDocked)
{
    TMemIniFile Ini("");
    Bar1->FloatTo(150, 160);
    Bar2->AddToDock(BottomDock);
    frxSaveToolbarPosition(&Ini, Bar1);
    frxSaveToolbarPosition(&Ini, Bar2);
    EXPECT_TRUE(Ini.ReadBool("ToolBar.Bar1", "Float", false));
    EXPECT_EQ(Ini.ReadInteger("ToolBar.Bar1", "Left", 0), 150);
    EXPECT_EQ(Ini.ReadInteger("ToolBar.Bar1", "Top", 0), 160);
    EXPECT_EQ(Ini.ReadInteger("ToolBar.Bar1", "Width", 0), 82);
    EXPECT_FALSE(Ini.ValueExists("ToolBar.Bar1", "Dock"));
    EXPECT_EQ(Ini.ReadString("ToolBar.Bar2", "Dock", ""), "BottomDock");
    EXPECT_TRUE(Ini.ReadBool("ToolBar.Bar2", "Visible", false));

    Bar1->AddToDock(TopDock);
    Bar2->AddToDock(TopDock);
    frxRestoreToolbarPosition(&Ini, Bar1);
    frxRestoreToolbarPosition(&Ini, Bar2);
    ASSERT_TRUE(Bar1->Floating());
    EXPECT_EQ(Bar1->FloatWindow()->Left(), 150);
    EXPECT_EQ(Bar1->FloatWindow()->Top(), 160);
    EXPECT_TRUE(Bar1->Shown());
    EXPECT_EQ(Bar2->Dock(), BottomDock);
    EXPECT_EQ(TopDock->Height(), 1);

    // A dock that is no longer there: the saved place on the current parent.
    Ini.WriteString("ToolBar.Bar2", "Dock", "Gone");
    Ini.WriteInteger("ToolBar.Bar2", "Left", 30);
    Ini.WriteBool("ToolBar.Bar2", "Visible", false);
    frxRestoreToolbarPosition(&Ini, Bar2);
    EXPECT_EQ(Bar2->Dock(), BottomDock);
    EXPECT_EQ(Bar2->Left(), 30);
    EXPECT_FALSE(Bar2->Shown());
}

TEST_F(DockTest, DockSiteTakesFormsAndKeepsItsLayout)
{
    auto *Site = new TfrxDockSite(Host);
    Site->SetName("LeftSite");
    Site->SetParent(Host);
    EXPECT_EQ(Site->Width(), 10);
    EXPECT_EQ(Site->Caption(), " ");
    EXPECT_FALSE(Site->SizingBar()->Visible());
    EXPECT_EQ(Site->SizingBar()->Cursor(), crHSplit);

    std::unique_ptr<TPanel> Docked(new TPanel(Application));
    Docked->SetName("DockedTree");
    Docked->SetWidth(150);
    Site->DockControl(Docked.get());
    EXPECT_EQ(Site->Width(), 150);
    EXPECT_TRUE(Site->SizingBar()->Visible());
    EXPECT_EQ(Site->SizingBar()->Left(), Site->Left() + 150);
    EXPECT_EQ(Site->SizingBar()->Width(), 3);
    Site->SizeBy(20);
    EXPECT_EQ(Site->Width(), 170);

    TMemIniFile Ini("");
    frxSaveDock(&Ini, Site);
    EXPECT_FALSE(Ini.ReadString("Dock.LeftSite", "Data", "").IsEmpty());
    Site->UndockControl(Docked.get());
    EXPECT_FALSE(Site->SizingBar()->Visible());
    Site->SetWidth(10);

    frxRestoreDock(&Ini, Site);
    EXPECT_EQ(Docked->Parent(), Site);
    EXPECT_EQ(Site->Width(), 170);
    Site->UndockControl(Docked.get());

    TMemIniFile Empty("");
    frxRestoreDock(&Empty, Site);
    EXPECT_EQ(Docked->Parent(), nullptr);
}

} // namespace
