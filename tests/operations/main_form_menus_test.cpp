// The grids' context menus on the main window: a right click on a data row opens
// the skinned menu at the pointer, and a chosen item runs its handler after the
// menu has closed. With QRV4_MENU_SHOTS naming a folder (an X server at hand),
// each open menu is photographed there.

#include "link/grid_helpers.h"
#include "menus/TB2Anim.h"
#include "menus/TTBItemViewer.h"
#include "tests/menus/MenuTestSupport.h"
#include "tests/operations/WriterTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdlib>
#include <filesystem>

using namespace writertest;
using namespace menutest;

namespace
{

class GridMenuTest : public WriterTest
{
protected:
    void SetUp() override
    {
        WriterTest::SetUp();
        ShowWindow();
    }
    // A right click on a grid cell through the queue, as a person would make it.
    static void RightClickCell(TStringGrid *Grid, int Col, int Row)
    {
        const TRect Cell = Grid->CellRect(Col, Row);
        const TPoint At = Grid->ClientToScreen(TPoint(Cell.Left + 10, Cell.Top + 5));
        win::InjectMouseInput({win::MouseAction::Down, win::MouseButton::Right, POINT{At.X, At.Y}});
        win::InjectMouseInput({win::MouseAction::Up, win::MouseButton::Right, POINT{At.X, At.Y}});
    }
    // Photographs the screen when asked to, for the record of how the menus look.
    static void Shot(const char *Name)
    {
        const char *Folder = std::getenv("QRV4_MENU_SHOTS");
        if (!Folder || QGuiApplication::platformName() != QLatin1String("xcb")) return;
        std::filesystem::create_directories(Folder);
        // What the menu just drew sits in the windows' surfaces; the screen gets it
        // when Qt has painted and flushed its pending updates.
        for (int Pass = 0; Pass < 3; ++Pass)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromUtf8(Folder) + "/" +
                                                             QString::fromUtf8(Name) + ".png");
    }
    static TTBPopupWindow *OnlyPopup()
    {
        const auto Popups = OpenPopups();
        return Popups.size() == 1 ? Popups.front() : nullptr;
    }
    // The one menu open, its slide over.
    static bool MenuOut() { return OnlyPopup() && !TBAnimationRunning(); }
    static std::vector<AnsiString> Captions(TTBPopupWindow *Popup)
    {
        std::vector<AnsiString> Result;
        TTBView *View = Popup->View();
        for (int I = 0; I < View->ViewerCount(); ++I)
            Result.push_back(View->Viewers(I)->Item()->Caption());
        return Result;
    }
    static void HoverItem(TTBPopupWindow *Popup, int Index)
    {
        const TRect R = Popup->View()->Viewers(Index)->BoundsRect();
        const TPoint At = Popup->ClientToScreen(TPoint(R.Left + 40, R.Top + 8));
        MoveTo(At.X, At.Y);
    }
};

TEST_F(GridMenuTest, WriterGrid_RightClickOpensSkinnedMenuAndDeleteRunsAfterItClosed)
{
    SetEmptyRows(20);
    SetKey(3, 0, 0, "0102030405060708", "ДОМ");
    SetKey(4, 1, 0, "1112131415161718", "РАБОТА");
    SelectCell(3, 1);
    TRect Opened;
    TPoint Pointer;
    std::vector<AnsiString> Items;
    COLORREF Outer = 0, Hovered = 0;
    bool ClosedBeforeHandler = false;
    const auto Delete = Form->TBI_DeleteCell->OnClick;
    Form->TBI_DeleteCell->OnClick = [&](TObject *Sender) {
        ClosedBeforeHandler = OpenPopups().empty() && GetCapture() == HWND{};
        Delete(Sender);
    };
    MenuScript Script;
    // The menu slides out first: the program leaves the system's menu animation on.
    Script.Until(MenuOut)
        .Do([&] {
            TTBPopupWindow *Popup = OnlyPopup();
            if (!Popup) return;
            Opened = Popup->BoundsRect();
            Items = Captions(Popup);
            Outer = PixelOf(Popup, 0, 20);
            HoverItem(Popup, 9);
        })
        .Do([&] {
            TTBPopupWindow *Popup = OnlyPopup();
            if (!Popup) return;
            const TRect R = Popup->View()->Viewers(9)->BoundsRect();
            Hovered = PixelOf(Popup, 3 + R.Right - 4, 3 + R.Top + 3);
            Shot("writer_grid_menu");
            Press('E', "у"_a[1]);
        });
    const TRect Cell = Form->SG_Writer->CellRect(1, GridRowOf(3));
    Pointer = Form->SG_Writer->ClientToScreen(TPoint(Cell.Left + 10, Cell.Top + 5));
    RightClickCell(Form->SG_Writer, 1, GridRowOf(3));
    EXPECT_TRUE(RunOut(Script));
    EXPECT_EQ(Opened.Left, Pointer.X);
    EXPECT_EQ(Opened.Top, Pointer.Y);
    EXPECT_EQ(Opened.Height(), 192);
    ASSERT_EQ(Items.size(), 14u);
    EXPECT_EQ(Items[0], "Печать записной книжки..."_a);
    EXPECT_EQ(Items[9], "Удалить строку"_a);
    EXPECT_EQ(Items[13], "Отменить последнее действие"_a);
    EXPECT_EQ(Outer, ColorToRGB(clBtnShadow));
    EXPECT_EQ(Hovered, ColorToRGB(ColorLighter(clHighlight, 13)));
    EXPECT_TRUE(ClosedBeforeHandler);
    EXPECT_EQ(Row(3).Name, "РАБОТА"_a);
}

// A right click on the grid while the name editor is open: the editor ends on its own row before
// the menu's command runs, so the row that moves up after a delete is not renamed by it.
TEST_F(GridMenuTest, WriterGrid_DeleteWhileEditingRenamesNoOtherRow)
{
    SetEmptyRows(20);
    SetKey(3, 0, 0, "0102030405060708", "ДОМ");
    SetKey(4, 1, 0, "1112131415161718", "РАБОТА");
    ASSERT_NO_FATAL_FAILURE(OpenEditor(3, 1));
    Form->ED_WriterName->SetText("ДВОР"_a);
    MenuScript Script;
    Script.Until(MenuOut).Do([] { Press('E', "у"_a[1]); });
    RightClickCell(Form->SG_Writer, 1, 3);
    EXPECT_TRUE(RunOut(Script));
    vcltest::Key(VK_RETURN, '\r');
    maintest::PumpFor(20);
    EXPECT_EQ(Row(3).Name, "РАБОТА"_a);
    EXPECT_EQ(Row(3).KeyHex, "1112131415161718");
}

// The menu's delete takes the row the user right-clicked, not the one left current, which the
// grid may have scrolled out of sight.
TEST_F(GridMenuTest, WriterGrid_DeleteTakesTheRowRightClicked)
{
    SetEmptyRows(20);
    SetKey(1, 0, 0, "0102030405060708", "ДОМ");
    SetKey(3, 1, 0, "1112131415161718", "РАБОТА");
    SetKey(4, 0, 0, "2122232425262728", "ДАЧА");
    SelectCell(1, 1);
    MenuScript Script;
    Script.Until(MenuOut).Do([] { Press('E', "у"_a[1]); });
    RightClickCell(Form->SG_Writer, 2, GridRowOf(3));
    EXPECT_TRUE(RunOut(Script));
    EXPECT_EQ(Row(1).Name, "ДОМ"_a);
    EXPECT_EQ(Row(3).Name, "ДАЧА"_a);
    EXPECT_EQ(Form->SG_Writer->Cells(1, GridRowOf(1)), "ДОМ"_a);
    EXPECT_EQ(Form->SG_Writer->Cells(1, GridRowOf(3)), "ДАЧА"_a);
}

// A right click inside a selection of several rows keeps it: clearing takes every selected row.
TEST_F(GridMenuTest, WriterGrid_RightClickInsideTheSelectionKeepsIt)
{
    SetEmptyRows(20);
    SetKey(2, 0, 0, "0102030405060708", "ДОМ");
    SetKey(3, 1, 0, "1112131415161718", "РАБОТА");
    SetKey(4, 0, 0, "2122232425262728", "ДАЧА");
    SetKey(5, 0, 0, "3132333435363738", "ГАРАЖ");
    Form->SG_Writer->SetSelection(TGridRect{1, GridRowOf(2), 1, GridRowOf(4)});
    MenuScript Script;
    Script.Until(MenuOut)
        .Do([] {
            if (TTBPopupWindow *Popup = OnlyPopup()) HoverItem(Popup, 11);
        })
        .Do([] { Press(VK_RETURN); });
    RightClickCell(Form->SG_Writer, 3, GridRowOf(3));
    EXPECT_TRUE(RunOut(Script));
    EXPECT_EQ(Row(2).Name, ""_a);
    EXPECT_EQ(Row(3).Name, ""_a);
    EXPECT_EQ(Row(4).Name, ""_a);
    EXPECT_EQ(Row(5).Name, "ГАРАЖ"_a);
}

// A key pasted from the menu into the code cell of an empty row goes into the device as the
// grid shows it: a Dallas key, without a word against it.
TEST_F(GridMenuTest, WriterGrid_KeyPastedIntoAnEmptyRowIsWritten)
{
    SetEmptyRows(1000);
    ClipboardSetUnicodeText("5B23456789ABCDEF");
    SelectCell(17, 3);
    MenuScript Script;
    Script.Until(MenuOut)
        .Do([] {
            if (TTBPopupWindow *Popup = OnlyPopup()) HoverItem(Popup, 6);
        })
        .Do([] { Press(VK_RETURN); });
    RightClickCell(Form->SG_Writer, 3, GridRowOf(17));
    ASSERT_TRUE(RunOut(Script));
    EXPECT_EQ(Form->SG_Writer->Cells(2, GridRowOf(17)), "Даллас"_a);
    EXPECT_EQ(Form->SG_Writer->Cells(3, GridRowOf(17)), "5B 23 45 67 89 AB CD EF");

    ASSERT_TRUE(WriteBook());
    EXPECT_TRUE(Dialogs.Messages().empty());
    EXPECT_EQ(Status(), "  Запись записной книжки... успешно!  "_a);
    EXPECT_EQ(DeviceCell(17),
              devsim::AddressBookCell(0, 0, {0x5B, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}, ""));
}

TEST_F(GridMenuTest, WriterGrid_TitleRowOpensNoMenu)
{
    SetEmptyRows(5);
    bool Opened = false;
    MenuScript Script;
    Script.Do([&] {
        Opened = true;
        Press(VK_ESCAPE);
    });
    RightClickCell(Form->SG_Writer, 1, 0);
    maintest::PumpFor(30);
    EXPECT_FALSE(Opened);
}

TEST_F(GridMenuTest, ArchiveGrid_RightClickOpensMenuAndCopiesSelection)
{
    Form->PC_Tabs->SetActivePage(Form->Sheet_Archive);
    maintest::PumpFor(20);
    ArchiveRecord Record;
    Record.Number = 1;
    Record.DateTime = EncodeDate(2026, 12, 7);
    Record.KeyType = 0;
    Record.WriteMode = 0;
    Record.Count = 1;
    Record.KeyText = "01 02 03 04 05 06 07 08";
    Record.DeviceKey = "0102030405060708";
    Form->ArchiveRecords.assign(3, Record);
    Form->FillArchiveGrid();
    ClipboardSetUnicodeText("before");
    std::vector<AnsiString> Items;
    MenuScript Script;
    Script.Until(MenuOut)
        .Do([&] {
            TTBPopupWindow *Popup = OnlyPopup();
            if (!Popup) return;
            Items = Captions(Popup);
            HoverItem(Popup, 0);
        })
        .Do([&] {
            Shot("archive_grid_menu");
            Press(VK_RETURN);
        });
    RightClickCell(Form->SG_Archive, 1, 2);
    EXPECT_TRUE(RunOut(Script));
    ASSERT_EQ(Items.size(), 1u);
    EXPECT_EQ(Items[0], "Копировать в буфер обмена"_a);
    EXPECT_NE(ClipboardGetUnicodeText(), "before");
}

} // namespace
