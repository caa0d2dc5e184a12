#pragma once
// The address-book tests: a main window on a simulated device with scripted dialogs, and
// rows and cells made in the test from the device's own cell layout.

#include "tests/operations/SimulatedDeviceTest.h"
#include "tools/devsim/AddressBook.h"

#include <cstdlib>
#include <memory>
#include <vector>

namespace writertest
{

// The device answers Frames frames as it should, then the later ones as Broken says.
inline void BreakAfter(devsim::TSimulator &Sim, std::size_t Frames, devsim::TBehaviour Broken)
{
    auto seen = std::make_shared<std::size_t>(0);
    Sim.SetMonitor([&Sim, seen, Frames, Broken](const devsim::TExchange &) {
        if (++*seen == Frames) Sim.SetBehaviour(Broken);
    });
}

class WriterTest : public optest::SimulatedDeviceTest
{
protected:
    WriterTest() : SimulatedDeviceTest(optest::SimulatedCom, 57600) {}

    // Cells of the device before the test reads them.
    void PutCell(unsigned Cell, const devsim::Bytes &Data)
    {
        Sim->Edit([&](devsim::Memory &M) { devsim::WriteCell(M, Cell, Data); });
    }
    devsim::Bytes DeviceCell(unsigned Cell) const
    {
        return devsim::ReadCell(Sim->Snapshot(), Cell);
    }

    bool ReadBook()
    {
        Form->BTN_WriterReadClick(nullptr);
        return maintest::PumpUntil([&] { return Form->WriterReadStep == -1; }, 120000);
    }
    bool WriteBook()
    {
        Form->BTN_WriterSaveClick(nullptr);
        return maintest::PumpUntil([&] { return Form->WriterWriteStep == -1; }, 120000);
    }

    // A list as a read of an empty device leaves it, with Count rows.
    void SetEmptyRows(int Count)
    {
        Form->WriterRows.assign(Count, WriterRecord());
        Form->RenumberWriterRows();
        Form->FillWriterGrid();
    }
    WriterRecord &Row(int Cell) { return Form->WriterRows.at(Cell); }
    // The note beside the grid that the rows are a read cut short; empty while none shows.
    AnsiString PartialNote() const
    {
        return Form->LB_WriterPartial->Visible() ? Form->LB_WriterPartial->Caption() : "";
    }
    // Waits until the status line has emptied, as it does a while after its last message.
    bool StatusLineCleared()
    {
        Form->SystemMessTimer->SetInterval(100);
        return maintest::PumpUntil([&] { return Form->StatusBarMain->SimpleText().IsEmpty(); },
                                   5000);
    }
    // The Changed marks of cells From..To.
    std::vector<int> Marks(int From, int To)
    {
        std::vector<int> marks;
        for (int i = From; i <= To; ++i)
            marks.push_back(Row(i).Changed);
        return marks;
    }
    void SetKey(int Cell, int Type, int Mode, const char *KeyHex, const char *NameUtf8,
                int Changed = 0)
    {
        WriterRecord &r = Row(Cell);
        r.KeyType = Type;
        r.WriteMode = Mode;
        r.KeyHex = KeyHex;
        r.Name = AnsiString::FromUtf8(NameUtf8);
        r.Changed = Changed;
        Form->FillWriterGrid();
    }
    // The grid row that shows Cell; -1 when none does.
    int GridRowOf(int Cell) const
    {
        for (int r = 1; r < Form->SG_Writer->RowCount(); ++r)
            if (Form->WriterCellNumberOfRow(r) == Cell) return r;
        return -1;
    }
    // Makes the grid row that shows Cell the current one, at column Col.
    void SelectCell(int Cell, int Col)
    {
        const int row = GridRowOf(Cell);
        ASSERT_GE(row, 1) << "no grid row shows cell " << Cell;
        Form->SG_Writer->SetRow(row);
        Form->SG_Writer->SetCol(Col);
    }
    // The editors need the window on screen with the grid focused.
    void ShowWindow()
    {
        Form->Show();
        maintest::PumpFor(50);
        Form->SG_Writer->SetFocus();
    }
    TWinControl *EditorOf(int Col) const
    {
        return Col == 1   ? static_cast<TWinControl *>(Form->ED_WriterName)
               : Col == 2 ? static_cast<TWinControl *>(Form->CB_WriterTypeKey)
                          : Form->ME_KeyHex;
    }
    // Opens the editor of the cell with Enter.
    void OpenEditor(int Cell, int Col)
    {
        SelectCell(Cell, Col);
        char enter = 13;
        Form->SG_WriterKeyPress(nullptr, enter);
        maintest::PumpFor(5);
        ASSERT_TRUE(EditorOf(Col)->Focused());
    }
    // Opens the editor of the cell with Enter, puts Text in (an item number for the type
    // editor) and ends with Key: Enter keeps it, Esc drops it.
    void Edit(int Cell, int Col, const char *Utf8, char Key)
    {
        ASSERT_NO_FATAL_FAILURE(OpenEditor(Cell, Col));
        TWinControl *editor = EditorOf(Col);
        ASSERT_TRUE(editor->Visible());
        EXPECT_FALSE(Form->CHB_WriterMissNull->Enabled());
        if (Col == 1) Form->ED_WriterName->SetText(AnsiString::FromUtf8(Utf8));
        if (Col == 2) Form->CB_WriterTypeKey->SetItemIndex(std::atoi(Utf8));
        if (Col == 3) Form->ME_KeyHex->SetText(AnsiString::FromUtf8(Utf8));
        char key = Key;
        if (Col == 1) Form->ED_WriterNameKeyPress(nullptr, key);
        if (Col == 2) Form->CB_WriterTypeKeyKeyPress(nullptr, key);
        if (Col == 3) Form->ME_KeyHexKeyPress(nullptr, key);
        maintest::PumpFor(5);
        EXPECT_FALSE(editor->Visible());
        EXPECT_TRUE(Form->SG_Writer->Focused());
        EXPECT_TRUE(Form->CHB_WriterMissNull->Enabled());
    }
};

} // namespace writertest
