// The archive list of the main window shown in the report preview, as a script
// would show it: an archive read from the simulated device, the window driven
// through injected keys and clicks, a key code searched for, the outline
// followed and the paper changed. Under Xvfb the window is photographed where
// QRV4_SHOTS says.

#include "operations/archive_record.h"
#include "report/frxClass.h"
#include "report_output/frxDialogs.h"
#include "report_output/frxPreview.h"
#include "tests/operations/SimulatedDeviceTest.h"
#include "tests/vcl/VclTestSupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

namespace
{

class ArchivePreviewTest : public optest::SimulatedDeviceTest
{
protected:
    // The archive read into the window; the number of rows.
    int ReadArchive()
    {
        maintest::ServeSampleArchive(*Sim, 150);
        if (!maintest::ReadArchive(*Form, optest::ExchangeWait)) return 0;
        return static_cast<int>(Form->ArchiveRecords.size());
    }

    // Shows the list as a report's show operation does and waits for its pages.
    TfrxPreviewForm *ShowList(int Rows)
    {
        TfrxReport *Report = Form->frxReportList();
        Form->frxUserDataSetList->SetRangeEndCount(Rows);
        // Each sheet an outline entry, its rows below it.
        for (int i = 0; i < Report->PagesCount(); ++i)
            if (auto *Page = dynamic_cast<TfrxReportPage *>(Report->Pages(i)))
                Page->SetOutlineText("\"Лист \" + IntToStr(<Page#>)"_a);
        TList *All = Report->GetAllObjects();
        for (int i = 0; i < All->Count(); ++i)
            if (auto *Data = dynamic_cast<TfrxMasterData *>(static_cast<TObject *>(All->Items(i))))
                Data->SetOutlineText("\"N \" + IntToStr(<Line>)");
        Report->PreviewOptions()->SetModal(false);
        Report->PreviewOptions()->SetMaximized(false);
        Report->ShowReport();
        WaitUntilPrepared();
        return Report->Preview() ? dynamic_cast<TfrxPreviewForm *>(Report->Preview()->Owner())
                                 : nullptr;
    }
    void WaitUntilPrepared()
    {
        TfrxReport *Report = Form->frxReportList();
        vcltest::PumpFor(100);
        for (int i = 0; i < 100; ++i) {
            auto *Preview = dynamic_cast<TfrxPreview *>(Report->Preview());
            if (Preview && !Preview->Running() && Preview->PageCount() > 0) break;
            vcltest::PumpFor(50);
        }
    }
    static void Press(int VirtualKey, char Char = 0)
    {
        vcltest::Key(VirtualKey, Char);
        vcltest::Pump();
    }
    static void Shot(const char *Name)
    {
        const char *Folder = std::getenv("QRV4_SHOTS");
        if (!Folder || QGuiApplication::platformName() != QLatin1String("xcb")) return;
        vcltest::PumpFor(100);
        std::filesystem::create_directories(Folder);
        QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromUtf8(Folder) + "/" +
                                                             QString::fromUtf8(Name) + ".png");
    }
    // The prepared page (0-based) holding a memo with exactly this text, -1 if none.
    static int PageWith(TfrxPreview *Preview, const AnsiString &Text)
    {
        for (int p = 0; p < Preview->PageCount(); ++p) {
            TList *All = Preview->PreviewPages()->GetPage(p)->GetAllObjects();
            for (int i = 0; i < All->Count(); ++i)
                if (auto *Memo =
                        dynamic_cast<TfrxCustomMemoView *>(static_cast<TObject *>(All->Items(i))))
                    if (AnsiString(Memo->Text()).TrimRight() == Text) return p;
        }
        return -1;
    }
    // A key code that only one row of the archive has, from the middle of the list on.
    AnsiString UniqueKeyCode() const
    {
        std::map<AnsiString, int> Seen;
        for (const ArchiveRecord &R : Form->ArchiveRecords)
            ++Seen[R.KeyText];
        for (std::size_t i = Form->ArchiveRecords.size() / 2; i < Form->ArchiveRecords.size(); ++i)
            if (Seen[Form->ArchiveRecords[i].KeyText] == 1) return Form->ArchiveRecords[i].KeyText;
        return AnsiString();
    }
};

TEST_F(ArchivePreviewTest, TheListScrollsZoomsFindsAKeyCodeFollowsTheOutlineAndTakesNewPaper)
{
    const int Rows = ReadArchive();
    ASSERT_GT(Rows, 60);
    TfrxPreviewForm *Window = ShowList(Rows);
    ASSERT_NE(Window, nullptr);
    Window->SetBounds(0, 0, 1000, 760);
    vcltest::Pump();
    TfrxPreview *Preview = Window->Preview;
    TfrxPreviewWorkspace *Space = Preview->Workspace();
    const int Pages = Preview->PageCount();
    ASSERT_GT(Pages, 1);
    EXPECT_TRUE(Window->Visible());
    EXPECT_EQ(Window->Caption(), Form->frxReportList()->ReportOptions()->Name());
    EXPECT_EQ(Window->Caption(), "Архив ключей QRV-4"_a);
    EXPECT_EQ(Window->PageText(), "Страница 1 из "_a + IntToStr(Pages));
    Preview->SetOutlineVisible(true);
    vcltest::Pump();
    Shot("archive_list_preview");

    // Scrolling by keys and by page.
    Space->SetFocus();
    Press(VK_NEXT);
    EXPECT_EQ(Space->VertPosition(), 300);
    vcltest::KeyDown(VK_CONTROL);
    Press(VK_NEXT);
    vcltest::KeyUp(VK_CONTROL);
    vcltest::Pump();
    EXPECT_EQ(Preview->PageNo(), 2);
    EXPECT_EQ(Window->PageE->Text(), "2");

    // Zoom by the toolbar and the zoom box.
    vcltest::Click(Window->ZoomWholePageB, 5, 5);
    vcltest::Pump();
    EXPECT_EQ(Preview->ZoomMode(), zmWholePage);
    EXPECT_LT(Preview->Zoom(), 1);
    Window->ZoomCB->SetText("75%");
    Window->ZoomCB->SetFocus();
    Press(VK_RETURN, '\r');
    EXPECT_DOUBLE_EQ(Preview->Zoom(), 0.75);
    EXPECT_EQ(Window->ZoomCB->Text(), "75%");

    // The search finds a key code on its own page and goes there.
    const AnsiString Code = UniqueKeyCode();
    ASSERT_FALSE(Code.IsEmpty());
    const int CodePage = PageWith(Preview, Code);
    ASSERT_GT(CodePage, 0);
    Preview->First();
    frxLastSearchText() = Code;
    vcltest::KeyDown(VK_RETURN, '\r');
    vcltest::KeyUp(VK_RETURN);
    Preview->Find();
    ASSERT_TRUE(Space->TextFound());
    EXPECT_EQ(Space->FoundPage(), CodePage);
    // The found text is in view: its page, moved by the scroll, holds it on screen.
    const TRect Page =
        Space->PageList()->GetPageBounds(CodePage, Space->ClientWidth(), Preview->Zoom());
    const int Top = Page.Top + static_cast<int>(Space->FoundRect().Top * Preview->Zoom());
    const int Bottom = Page.Top + static_cast<int>(Space->FoundRect().Bottom * Preview->Zoom());
    EXPECT_GE(Top, Space->VertPosition());
    EXPECT_LE(Bottom, Space->VertPosition() + Space->ClientHeight());
    Shot("archive_list_found");

    // The outline: a sheet's entry holds its rows. Closed all but the last sheet,
    // a click on the last row's entry leads to its page.
    TTreeView *Tree = Preview->OutlineTree();
    ASSERT_EQ(Tree->Items()->Count(), Rows + Pages);
    TTreeNode *Sheet = Tree->Items()->GetFirstNode();
    EXPECT_EQ(Sheet->Text(), "Лист 1"_a);
    EXPECT_TRUE(Sheet->Expanded());
    EXPECT_EQ(Sheet->Item(0)->Text(), "N 1");
    while (Sheet->GetNextSibling())
        Sheet = Sheet->GetNextSibling();
    EXPECT_EQ(Sheet->Text(), "Лист "_a + IntToStr(Pages));
    Tree->FullCollapse();
    Sheet->Expand(false);
    vcltest::Pump();
    TTreeNode *LastRow = Sheet->Item(Sheet->Count() - 1);
    EXPECT_EQ(LastRow->Text(), "N "_a + IntToStr(Rows));
    const TRect Label = LastRow->DisplayRect(true);
    ASSERT_GT(Label.Width(), 0) << "the entry has a row in view";
    vcltest::Click(Tree, Label.Left + 4, Label.Top + 3);
    vcltest::Pump();
    EXPECT_EQ(Tree->Selected(), LastRow);
    EXPECT_EQ(Preview->OutlineTarget(Tree->Items()->Count() - 1).Page, Pages - 1);
    EXPECT_EQ(Preview->PageNo(), Pages);
    Shot("archive_list_outline");

    // Landscape paper for every page: the list is prepared again on it.
    frxSetPageSetupHandler([](TfrxReportPage *Page, TfrxReport *, bool &NeedRebuild) {
        Page->SetOrientation(poLandscape);
        NeedRebuild = true;
        return true;
    });
    vcltest::Click(Window->PageSettingsB, 5, 5);
    WaitUntilPrepared();
    frxSetPageSetupHandler({});
    EXPECT_EQ(Preview->PreviewPages()->GetPageSize(0).X, 1123);
    EXPECT_GT(Preview->PageCount(), Pages);
    EXPECT_EQ(Window->PageText(), "Страница 1 из "_a + IntToStr(Preview->PageCount()));
    Shot("archive_list_landscape");

    Window->SetFocus();
    Press(VK_ESCAPE, 27);
    vcltest::Pump();
    EXPECT_EQ(Form->frxReportList()->Preview(), nullptr)
        << "the closed window let go of the report";
}

} // namespace
