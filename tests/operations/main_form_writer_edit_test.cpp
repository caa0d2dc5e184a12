// Editing the address book in its grid: editors, paste with check-byte repair, moves,
// insert, delete, clear and undo, on a real window offscreen.

#include "link/grid_helpers.h"
#include "tests/operations/WriterTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

using namespace writertest;

namespace
{

class WriterEditTest : public WriterTest
{
protected:
    void SetUp() override
    {
        WriterTest::SetUp();
        SetEmptyRows(1000);
    }
    void Paste(const char *Utf8, int Cell, int Col)
    {
        ClipboardSetUnicodeText(AnsiString::FromUtf8(Utf8));
        SelectCell(Cell, Col);
        Form->TBI_WriterPasteClipboardClick(nullptr);
    }
};

} // namespace

// ---- texts ----

TEST_F(WriterEditTest, NamesAreCutToTheDeviceAlphabet)
{
    AnsiString name = "  кв 12 йод, ёлка!!  "_a;
    Form->CleanWriterName(name);
    // Upper-cased and cut to 14 first; Й, Ё, the comma and the marks become blanks.
    EXPECT_EQ(name, "КВ 12  ОД   ЛК"_a);
    AnsiString blanks = "   ";
    Form->CleanWriterName(blanks);
    EXPECT_EQ(blanks, "");
}

TEST_F(WriterEditTest, KeyTypeTextsByDigitOrName)
{
    EXPECT_EQ(Form->ParseWriterKeyType("2"), 2);
    EXPECT_EQ(Form->ParseWriterKeyType(" 3 "), 3);
    EXPECT_EQ(Form->ParseWriterKeyType("4"), 255);
    EXPECT_EQ(Form->ParseWriterKeyType(""), 255);
    EXPECT_EQ(Form->ParseWriterKeyType("прокси"_a), 3);
    EXPECT_EQ(Form->CB_WriterTypeKey->ItemIndex(), 3);
    EXPECT_EQ(Form->ParseWriterKeyType("МЕТАКОМ"_a), 1);
    EXPECT_EQ(Form->ParseWriterKeyType("ключ"_a), 255);
    EXPECT_EQ(Form->CB_WriterTypeKey->ItemIndex(), 0);
}

TEST_F(WriterEditTest, PastedKeysAreCleanedAndRepaired)
{
    auto repaired = [&](const char *Text) {
        AnsiString text = Text;
        Form->CleanPastedKey(text);
        Form->RepairPastedKey(text);
        return text;
    };
    EXPECT_EQ(repaired("0123456789ab"), "00 01 23 45 67 89 AB 01");
    EXPECT_EQ(repaired("12 34 56 01"), "00 00 00 00 12 34 56 01");
    EXPECT_EQ(repaired(""), "00 00 00 00 00 00 00 00");
    EXPECT_EQ(repaired("7"), "00 00 00 00 00 00 00 07");
    // Fourteen digits that already begin with their right check byte lacked only the family.
    EXPECT_EQ(repaired("9B23456789ABCD"), "9B 23 45 67 89 AB CD 01");
    EXPECT_EQ(repaired("1223456789ABCD"), "00 12 23 45 67 89 AB CD");
    EXPECT_EQ(repaired("123456789ABCDEF"), "12 34 56 78 9A BC DE F");
    EXPECT_EQ(repaired("zz 0023456789ABCDEF0011"), "5B 23 45 67 89 AB CD EF");
    EXPECT_EQ(Status(), "  Внимание! CRC был изменен на правильное значение!  "_a);
    EXPECT_EQ(Form->StatusBarMain->Color(), clLime);
}

// ---- paste ----

TEST_F(WriterEditTest, PasteIntoTheKeyColumnRepairsAndMarks)
{
    SetKey(4, 0, 0, "5B 23 45 67 89 AB CD EF", "КВ 12");
    Paste("0123456789ab", 4, 3);
    EXPECT_EQ(Row(4).KeyHex, "79 01 23 45 67 89 AB 01");
    EXPECT_EQ(Row(4).Changed, 1);
    EXPECT_EQ(Form->SG_Writer->Cells(3, 5), "79 01 23 45 67 89 AB 01");

    Paste("0023456789ABCDEF", 4, 3);
    EXPECT_EQ(Row(4).KeyHex, "5B 23 45 67 89 AB CD EF");
    EXPECT_EQ(Status(), "  Внимание! CRC был изменен на правильное значение!  "_a);

    // An empty cell takes the code as a Dallas key.
    Paste("0023456789ABCDEF", 9, 3);
    EXPECT_EQ(Row(9).KeyType, 0);
    EXPECT_EQ(Row(9).WriteMode, 0);
    EXPECT_EQ(Row(9).KeyHex, "5B 23 45 67 89 AB CD EF");
    EXPECT_EQ(Row(9).Changed, 1);
}

TEST_F(WriterEditTest, PasteOfAnInvalidMetakomCodeKeepsTheStoredOne)
{
    SetKey(2, 1, 1, "E0 00 00 03 05 06 0F 01", "ДОМ");
    Paste("00 00 00 01 05 06 0F 01", 2, 3);
    EXPECT_EQ(Row(2).KeyHex, "E0 00 00 03 05 06 0F 01");
    EXPECT_EQ(Row(2).Changed, 0);
    EXPECT_EQ(Status(), "  Недопустимый код ключа для Метаком!  "_a);
    EXPECT_EQ(Form->StatusBarMain->Color(), clRed);
}

// Thirteen or fifteen digits are no eight-byte code: refused like an invalid Metakom code.
TEST_F(WriterEditTest, PasteOfThirteenOrFifteenDigitsKeepsTheStoredCode)
{
    SetKey(4, 0, 0, "5B 23 45 67 89 AB CD EF", "КВ 12");
    for (const char *text : {"123456789ABCD", "123456789ABCDEF", "12 34 56 78 9A BC DE F"}) {
        Form->ShowStatusMessage("", "", smNeutral);
        Paste(text, 4, 3);
        EXPECT_EQ(Row(4).KeyHex, "5B 23 45 67 89 AB CD EF") << text;
        EXPECT_EQ(Row(4).Changed, 0) << text;
        EXPECT_EQ(Form->SG_Writer->Cells(3, 5), "5B 23 45 67 89 AB CD EF") << text;
        EXPECT_EQ(Status(), "  Недопустимый код ключа!  "_a) << text;
        EXPECT_EQ(Form->StatusBarMain->Color(), clRed);
    }
    // An empty cell stays empty, not a Dallas key.
    Paste("123456789ABCDEF", 9, 3);
    EXPECT_TRUE(Row(9).IsEmpty());
    EXPECT_EQ(Row(9).Changed, 0);
}

TEST_F(WriterEditTest, PasteIntoTheTypeAndNameColumns)
{
    SetKey(1, 0, 1, "5B 23 45 67 89 AB CD EF", "А");
    Paste("прокси", 1, 2);
    EXPECT_EQ(Row(1).KeyType, 3);
    EXPECT_EQ(Row(1).WriteMode, 0);
    // The fixed bytes of a Proxy key are forced and the check byte follows.
    EXPECT_EQ(Row(1).KeyHex.SubString(3, 21), " 00 45 67 89 AB CD 00");
    EXPECT_EQ(Row(1).Changed, 1);

    // A type alone on an empty row gives the type's code of zeros, not yet worth writing.
    Paste("2", 6, 2);
    EXPECT_EQ(Row(6).KeyType, 2);
    EXPECT_EQ(Row(6).KeyHex.SubString(3, 21), " 00 00 00 01 00 00 01");
    EXPECT_EQ(Row(6).Changed, 0);
    Paste("ключ", 7, 2);
    EXPECT_EQ(Row(7).KeyType, 255);

    Paste("  мира-5/1 кв.3  ", 1, 1);
    EXPECT_EQ(Row(1).Name, "МИРА-5/1 КВ.3"_a);
}

TEST_F(WriterEditTest, LockedCyfralRowsTakeOnlyANewName)
{
    SetKey(3, 2, 1, "13 00 00 00 01 49 CF 01", "Ц");
    Dialogs.ReplyMessage(mrOk);
    Paste("0023456789ABCDEF", 3, 3);
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Dialogs.Messages()[0].Text, "Редактировать у этого ключа можно только Имя!"_a);
    EXPECT_EQ(Dialogs.Messages()[0].Caption, "Внимание!"_a);
    EXPECT_EQ(Row(3).KeyHex, "13 00 00 00 01 49 CF 01");

    Dialogs.ReplyMessage(mrOk);
    SelectCell(3, 2);
    Form->SG_WriterDblClick(nullptr);
    EXPECT_EQ(Dialogs.Messages().size(), 2u);
    EXPECT_FALSE(Form->CB_WriterTypeKey->Visible());

    Paste("цифрал 7", 3, 1);
    EXPECT_EQ(Row(3).Name, "ЦИФРАЛ 7"_a);
    EXPECT_EQ(Row(3).Changed, 1);
}

// Enter on a locked row's key type opens no editor, only the message, and the check box that
// hides the empty rows stays usable.
TEST_F(WriterEditTest, EnterThatOpensNoEditorLeavesTheEmptyRowsHideable)
{
    ShowWindow();
    SetKey(3, 2, 1, "13 00 00 00 01 49 CF 01", "Ц");
    Dialogs.ReplyMessage(mrOk);
    SelectCell(3, 2);
    vcltest::Key(VK_RETURN, '\r');
    maintest::PumpFor(20);
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    vcltest::Click(Form->CHB_WriterMissNull, 10, Form->CHB_WriterMissNull->Height() / 2);
    maintest::PumpFor(20);
    EXPECT_EQ(Form->SG_Writer->RowCount(), 2);
    EXPECT_EQ(Form->SG_Writer->Cells(0, 1), "3");
}

// ---- rows ----

TEST_F(WriterEditTest, RowMoveTakesTheRecordAndMarksTheCellsBetween)
{
    for (int cell = 0; cell < 8; ++cell)
        SetKey(cell, 0, 0, "00 00 00 00 00 00 00 00", "");
    Row(5).Name = "ПЯТЬ"_a;
    Form->FillWriterGrid();
    Form->SG_Writer->MoveRow(6, 3); // grid rows show cells 5 and 2
    EXPECT_EQ(Row(2).Name, "ПЯТЬ"_a);
    EXPECT_EQ(Row(2).Address, "0430");
    EXPECT_EQ(Marks(0, 7), (std::vector<int>{0, 0, 1, 1, 1, 1, 0, 0}));
    EXPECT_EQ(Form->SG_Writer->Cells(1, 3), "ПЯТЬ"_a);

    Form->TBI_UndoWriterTableClick(nullptr);
    EXPECT_EQ(Row(5).Name, "ПЯТЬ"_a);
    EXPECT_EQ(Marks(0, 7), (std::vector<int>(8, 0)));
    Form->TBI_UndoWriterTableClick(nullptr); // the undo list stays: the same state again
    EXPECT_EQ(Row(5).Name, "ПЯТЬ"_a);
}

TEST_F(WriterEditTest, UndoWithNothingSavedSaysSo)
{
    Form->TBI_UndoWriterTableClick(nullptr);
    EXPECT_EQ(Status(), "  Нет данных для отката!  "_a);
    EXPECT_EQ(Form->WriterRows.size(), 1000u);
}

TEST_F(WriterEditTest, InsertGrowsTheListAndMarksToTheEnd)
{
    SetKey(10, 0, 0, "5B 23 45 67 89 AB CD EF", "ДЕСЯТЬ");
    SelectCell(10, 1);
    Form->TBI_AddCellClick(nullptr);
    ASSERT_EQ(Form->WriterRows.size(), 1001u);
    EXPECT_TRUE(Row(10).IsEmpty());
    EXPECT_EQ(Row(11).Name, "ДЕСЯТЬ"_a);
    EXPECT_EQ(Row(1000).Address, "61C0");
    EXPECT_EQ(Marks(9, 12), (std::vector<int>{0, 1, 1, 1}));
    EXPECT_TRUE(Dialogs.Messages().empty()); // the last cell was empty: nothing pushed off
}

TEST_F(WriterEditTest, InsertIntoAFullBookAsksBeforePushingAKeyOffTheEnd)
{
    SetKey(999, 3, 0, "AA 00 11 22 33 44 55 00", "ПОСЛЕДНИЙ");
    SelectCell(5, 1);
    Dialogs.ReplyMessage(mrNo);
    Form->TBI_AddCellClick(nullptr);
    ASSERT_EQ(Dialogs.Messages().size(), 1u);
    EXPECT_EQ(Form->WriterRows.size(), 1000u);
    EXPECT_EQ(Row(999).Name, "ПОСЛЕДНИЙ"_a);

    Dialogs.ReplyMessage(mrYes);
    Form->TBI_AddCellClick(nullptr);
    ASSERT_EQ(Form->WriterRows.size(), 1001u);
    EXPECT_EQ(Row(1000).Name, "ПОСЛЕДНИЙ"_a);
}

TEST_F(WriterEditTest, InsertWithEmptyRowsHiddenSaysWhereTheRowWent)
{
    SetKey(3, 0, 0, "5B 23 45 67 89 AB CD EF", "ТРИ");
    Form->CHB_WriterMissNull->SetChecked(true);
    Form->FillWriterGrid();
    EXPECT_EQ(Form->SG_Writer->RowCount(), 2);
    SelectCell(3, 1);
    Form->TBI_AddCellClick(nullptr);
    EXPECT_EQ(Status(),
              "  Чтобы увидеть вставленную строку выключите лампочку - Спрятать пустые!  "_a);
    EXPECT_EQ(Form->SG_Writer->Cells(0, 1), "4");
}

TEST_F(WriterEditTest, DeleteKeepsTheDevicesLastCellInTheList)
{
    SetKey(998, 0, 0, "5B 23 45 67 89 AB CD EF", "А");
    SetKey(999, 0, 0, "5B 23 45 67 89 AB CD EF", "Б");
    SelectCell(997, 1);
    Form->TBI_DeleteCellClick(nullptr);
    ASSERT_EQ(Form->WriterRows.size(), 1000u);
    EXPECT_EQ(Row(997).Name, "А"_a);
    EXPECT_EQ(Row(998).Name, "Б"_a);
    // The device still holds "Б" in its last cell; the appended row empties it on the next write.
    EXPECT_TRUE(Row(999).IsEmpty());
    EXPECT_EQ(Marks(996, 999), (std::vector<int>{0, 1, 1, -1}));
    EXPECT_EQ(Row(999).Address, "61A8");
}

TEST_F(WriterEditTest, ClearMarksTheSelectedRowsForEmptying)
{
    SetKey(1, 0, 0, "5B 23 45 67 89 AB CD EF", "А");
    SetKey(3, 1, 1, "E0 00 00 03 05 06 0F 01", "Б");
    Row(3).OldKey = "0000000305060F01";
    SelectCell(1, 1);
    Form->SG_Writer->SetSelection({1, 2, 3, 4}); // cells 1 to 3
    Form->TBI_WriterClearClick(nullptr);
    EXPECT_EQ(Marks(0, 4), (std::vector<int>{0, -1, 0, -1, 0}));
    EXPECT_TRUE(Row(3).IsEmpty());
    EXPECT_EQ(Row(3).OldKey, "0000000305060F01");
    ASSERT_TRUE(Form->SetWriterRowColours(2));
    EXPECT_EQ(Form->WriterRowColours[0], RGB(255, 228, 228));
    ASSERT_TRUE(Form->SetWriterRowColours(3));
    EXPECT_EQ(Form->WriterRowColours[3], RGB(255, 255, 220));
    Row(2).Changed = 1;
    ASSERT_TRUE(Form->SetWriterRowColours(3));
    EXPECT_EQ(Form->WriterRowColours[1], RGB(228, 255, 228));
}

// ---- grid ----

TEST_F(WriterEditTest, GridShowsTitlesOnlyForAnEmptyListAndHidesEmptyRows)
{
    Form->WriterRows.clear();
    Form->FillWriterGrid();
    EXPECT_EQ(Form->SG_Writer->RowCount(), 1);
    EXPECT_EQ(Form->SG_Writer->FixedRows(), 0);
    EXPECT_EQ(Form->WriterCellNumberOfRow(), -1);
    Form->TBI_WriterCopyGridClipboardClick(nullptr);
    EXPECT_EQ(Status(), "  Нет данных для копирования!  "_a);

    SetEmptyRows(1000);
    Form->CHB_WriterMissNull->SetChecked(true);
    Form->CHB_WriterMissNullClick(nullptr);
    EXPECT_EQ(Form->SG_Writer->RowCount(), 2);
    EXPECT_EQ(Form->SG_Writer->Cells(0, 1), " ");
    EXPECT_EQ(Form->WriterCellNumberOfRow(1), -1);
    Form->CHB_WriterMissNull->SetChecked(false);
    Form->CHB_WriterMissNullClick(nullptr);
    EXPECT_EQ(Form->SG_Writer->RowCount(), 1001);
    EXPECT_EQ(Form->SG_Writer->Cells(0, 1000), "999");
}

TEST_F(WriterEditTest, CopyGivesTheGridAsTabbedLines)
{
    SetEmptyRows(2);
    SetKey(0, 0, 0, "5B 23 45 67 89 AB CD EF", "КВ 12");
    Form->TBI_WriterCopyGridClipboardClick(nullptr);
    EXPECT_EQ(ClipboardGetUnicodeText(),
              "№ ячейки\tИмя\tТип ключа\tКод ключа\t\n0\tКВ 12\tДаллас\t5B 23 45 67 89 AB CD "
              "EF\t\n1\t\t\t\t\n"_a);
}

TEST_F(WriterEditTest, HintOverTheCellNumbersOnly)
{
    const TRect number = Form->SG_Writer->CellRect(0, 2);
    const TRect name = Form->SG_Writer->CellRect(1, 2);
    Form->SG_WriterMouseMove(nullptr, {}, number.Left + 3, number.Top + 3);
    EXPECT_TRUE(Form->SG_Writer->ShowHint());
    EXPECT_EQ(Form->SG_Writer->Hint(), "Зацепите ячейку мышкой и передвиньте на другое место"_a);
    Form->SG_WriterMouseMove(nullptr, {}, name.Left + 3, name.Top + 3);
    EXPECT_FALSE(Form->SG_Writer->ShowHint());
}

// ---- the in-place editors, with real focus ----

class WriterEditorTest : public WriterEditTest
{
protected:
    void SetUp() override
    {
        WriterEditTest::SetUp();
        ShowWindow();
    }
};

TEST_F(WriterEditorTest, NameThenKeyOfAnEmptyCell)
{
    Edit(0, 1, "кв 12", 13);
    EXPECT_EQ(Row(0).Name, "КВ 12"_a);
    EXPECT_EQ(Row(0).Changed, 0); // no code yet
    EXPECT_EQ(Form->SG_Writer->Cells(1, 1), "КВ 12"_a);

    // The first byte is the check byte: typing over it changes nothing.
    Edit(0, 3, "FF23456789ABCDEF", 13);
    EXPECT_EQ(Form->ME_KeyHex->EditMask(), "XX HH HH HH HH HH HH HH");
    EXPECT_EQ(Row(0).KeyHex, "5B 23 45 67 89 AB CD EF");
    EXPECT_EQ(Row(0).KeyType, 0);
    EXPECT_EQ(Row(0).WriteMode, 0);
    EXPECT_EQ(Row(0).Changed, 1);
}

TEST_F(WriterEditorTest, EscapeDropsWhatWasTyped)
{
    SetKey(2, 0, 1, "5B 23 45 67 89 AB CD EF", "ДОМ");
    Edit(2, 1, "ДРУГОЙ", 27);
    EXPECT_EQ(Row(2).Name, "ДОМ"_a);
    Edit(2, 3, "0000000000000000", 27);
    EXPECT_EQ(Row(2).KeyHex, "5B 23 45 67 89 AB CD EF");
    EXPECT_EQ(Row(2).Changed, 0);
}

TEST_F(WriterEditorTest, TypeEditorForcesTheTypesFixedBytes)
{
    SetKey(4, 0, 1, "5B 23 45 67 89 AB CD EF", "ДОМ");
    Edit(4, 2, "2", 13);
    EXPECT_EQ(Row(4).KeyType, 2);
    EXPECT_EQ(Row(4).WriteMode, 0);
    EXPECT_EQ(Row(4).KeyHex.SubString(3, 21), " 00 00 00 01 AB CD 01");
    EXPECT_EQ(Row(4).Changed, 1);
    EXPECT_EQ(Form->SG_Writer->Cells(2, 5), "Цифрал"_a);
    // A Cyfral key takes only its two code bytes from the editor.
    Edit(4, 3, "FFFFFFFFFF1234FF", 13);
    EXPECT_EQ(Form->ME_KeyHex->EditMask(), "XX XX XX XX XX HH HH XX");
    EXPECT_EQ(Row(4).KeyHex.SubString(3, 21), " 00 00 00 01 12 34 01");
}

TEST_F(WriterEditorTest, DoubleClickOpensTheEditorThatStaysOpen)
{
    SetKey(2, 0, 1, "5B 23 45 67 89 AB CD EF", "ДОМ");
    const TRect cell = Form->SG_Writer->CellRect(1, 3);
    const TPoint at = Form->SG_Writer->ClientToScreen(TPoint(cell.Left + 5, cell.Top + 5));
    using win::MouseAction;
    for (MouseAction action :
         {MouseAction::Down, MouseAction::Up, MouseAction::DoubleClick, MouseAction::Up})
        win::InjectMouseInput({action, win::MouseButton::Left, POINT{at.X, at.Y}});
    vcltest::PumpFor(20);
    ASSERT_TRUE(Form->ED_WriterName->Visible());
    EXPECT_TRUE(Form->ED_WriterName->Focused());
    EXPECT_EQ(Form->ED_WriterName->Text(), "ДОМ"_a);
    EXPECT_EQ(Form->WriterCellNumberOfRow(), 2);
}

// The wheel scrolls the grid under the pointer while the name editor beside it holds the
// focus: what was typed stays with the row the editor was opened on, and Enter afterwards
// renames no other row.
TEST_F(WriterEditorTest, WheelOverTheGridKeepsTheTypedNameInItsOwnRow)
{
    SetKey(2, 0, 1, "5B 23 45 67 89 AB CD EF", "ДОМ");
    SetKey(3, 0, 1, "5B 23 45 67 89 AB CD EF", "САД");
    ASSERT_NO_FATAL_FAILURE(OpenEditor(2, 1));
    Form->ED_WriterName->SetText("ДВОР"_a);
    const TRect cell = Form->SG_Writer->CellRect(1, 6);
    const TPoint at = Form->SG_Writer->ClientToScreen(TPoint(cell.Left + 5, cell.Top + 5));
    win::InjectMouseInput(
        {win::MouseAction::Wheel, win::MouseButton::None, POINT{at.X, at.Y}, -WHEEL_DELTA});
    maintest::PumpFor(20);
    vcltest::Key(VK_RETURN, '\r');
    maintest::PumpFor(20);
    EXPECT_EQ(Row(2).Name, "ДВОР"_a);
    EXPECT_EQ(Row(3).Name, "САД"_a);
    EXPECT_EQ(Form->SG_Writer->Cells(1, 4), "САД"_a);
}
