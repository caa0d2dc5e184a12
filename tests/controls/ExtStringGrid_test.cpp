// The field-described grid: definitions, values and their errors, fields without a column,
// picture cells read back from the grid, the editor placed over a cell, and the width file.

#include "controls/ExtStringGrid.h"
#include "controls/ValidateEdit.h"
#include "platform/rtl/ClassesFiler.h"
#include "tests/controls/FormStream.h"
#include "tests/support/TestFolder.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>
#include <fstream>

namespace
{

std::unique_ptr<TPNGObject> Solid(TColor Color)
{
    auto Png = std::make_unique<TPNGObject>(COLOR_RGB, 8, 16, 16);
    for (int Y = 0; Y < 16; ++Y)
        for (int X = 0; X < 16; ++X)
            Png->SetPixels(X, Y, Color);
    return Png;
}

// The message of what Call throws, "" when it throws nothing.
template <class F> std::string Raised(F Call)
{
    try {
        Call();
    } catch (const Exception &E) {
        return E.Message().ToStd();
    }
    return "";
}

} // namespace

class ExtStringGridTest : public vcltest::VclTest
{
protected:
    void SetUp() override
    {
        VclTest::SetUp();
        Grid = new TExtStringGrid(ShownForm(500, 300));
        Grid->SetParent(Form.get());
        Grid->SetBounds(10, 10, 400, 200);
    }
    void Define(std::initializer_list<const char *> Utf8Lines)
    {
        TStringList Lines;
        for (const char *Line : Utf8Lines)
            Lines.Add(AnsiString::FromUtf8(Line));
        Grid->SetgFields(&Lines);
    }
    void DefineTwo()
    {
        Define({"1|id|№|40|0|int||right",
                "1|name|Имя|120|0|AnsiString||left|#FFFFCC|Tahoma|10|#000080|1000"});
    }
    COLORREF Pixel(int Col, int Row, int X, int Y)
    {
        Grid->Repaint();
        const TRect Cell = Grid->CellRect(Col, Row);
        return ColorToRGB(Grid->Canvas()->Pixels(Cell.Left + X, Cell.Top + Y));
    }
    TExtStringGrid *Grid = nullptr;
};

TEST_F(ExtStringGridTest, DefinitionLinesMakeTheColumns)
{
    DefineTwo();
    EXPECT_EQ(Grid->ColCount(), 2);
    EXPECT_EQ(Grid->Cells(0, 0), "№"_a);
    EXPECT_EQ(Grid->Cells(1, 0), "Имя"_a);
    EXPECT_EQ(Grid->ColWidths(0), 40);
    EXPECT_EQ(Grid->ColWidths(1), 120);
    EXPECT_EQ(Grid->RowHeights(0), 20);
    const auto &Name = Grid->Field(1);
    EXPECT_EQ(Name.Alignment, taLeftJustify);
    EXPECT_EQ(Grid->Field(0).Alignment, taRightJustify);
    EXPECT_EQ(Name.Background, static_cast<TColor>(RGB(0xFF, 0xFF, 0xCC)));
    EXPECT_EQ(Name.Font->Color(), static_cast<TColor>(RGB(0, 0, 0x80)));
    EXPECT_EQ(Name.Font->Style(), TFontStyles{fsBold});
    EXPECT_EQ(Name.Font->Name(), "Tahoma");
    EXPECT_EQ(Name.Font->Size(), 10);

    // A blank line is a field of defaults; unreadable numbers take theirs; a colour
    // that is there but no colour is black.
    Define({"", "x|other|Другое|wide|y|double|seven|middle|red||big||0110"});
    EXPECT_EQ(Grid->FieldCount(), 2);
    const auto &Blank = Grid->Field(0);
    EXPECT_TRUE(Blank.Visible);
    EXPECT_EQ(Blank.Name, "name");
    EXPECT_EQ(Blank.Caption, "Название"_a);
    EXPECT_EQ(Blank.Width, 99);
    EXPECT_EQ(Blank.Type, "AnsiString");
    EXPECT_EQ(Blank.Background, clWhite);
    const auto &Other = Grid->Field(1);
    EXPECT_TRUE(Other.Visible);
    EXPECT_EQ(Other.Width, 99);
    EXPECT_FALSE(Other.HeaderLook);
    EXPECT_EQ(Other.Seventh, "seven");
    EXPECT_EQ(Other.Alignment, taLeftJustify);
    EXPECT_EQ(Other.Background, static_cast<TColor>(0));
    EXPECT_EQ(Other.FontSize, 10);
    EXPECT_EQ(Other.Font->Style(), (TFontStyles{fsItalic, fsUnderline}));
    EXPECT_EQ(Grid->Cells(1, 0), "Другое"_a);
}

TEST_F(ExtStringGridTest, DuplicateNameIsRefusedAndTheGridStaysAsItWas)
{
    DefineTwo();
    EXPECT_EQ(Raised([&] {
                  Define({"1|a|A", "1|b|B", "0|a|C"});
              }),
              "field already exist!, (ParseString)");
    EXPECT_EQ(Grid->FieldCount(), 2);
    EXPECT_EQ(Grid->gFields()->Count(), 2);
    EXPECT_EQ(Grid->Cells(1, 0), "Имя"_a);
}

TEST_F(ExtStringGridTest, ValuesMakeTheCells)
{
    DefineTwo();
    EXPECT_EQ(Grid->RowCount(), 1);
    EXPECT_EQ(Grid->FixedCols(), 0);
    Grid->AddValue("id", 5);
    Grid->AddValue("name", "Ж"_a);
    Grid->Redraw();
    EXPECT_EQ(Grid->Cells(0, 1), "5");
    EXPECT_EQ(Grid->Cells(1, 1), "Ж"_a);
    EXPECT_EQ(Grid->RowCount(), 2);
    EXPECT_EQ(Grid->FixedCols(), 1);
    EXPECT_EQ(Grid->FixedRows(), 1);

    Grid->AddValue(0, 6);
    Grid->AddValue(0, 7);
    Grid->fSetStrValues("name", 1, "Я"_a);
    Grid->fSetValues(0, 2, 60);
    Grid->Redraw();
    EXPECT_EQ(Grid->RowCount(), 4);
    EXPECT_EQ(Grid->Cells(0, 2), "60");
    EXPECT_EQ(Grid->Cells(1, 1), "Я"_a);
    EXPECT_EQ(Grid->Cells(1, 3), "");
    EXPECT_EQ(Grid->fGetValues(0, 3).AsInteger(), 7);
    EXPECT_EQ(Grid->GetSizeField("id"), 3);
    EXPECT_EQ(Grid->GetSizeField(1), 1);
    EXPECT_EQ(Grid->Row(), 1);

    Grid->Clear();
    EXPECT_EQ(Grid->GetSizeField("id"), 0);
    EXPECT_EQ(Grid->RowCount(), 1);
}

TEST_F(ExtStringGridTest, NumbersAndDatesShowInTheirOwnForm)
{
    Define({"1|when|Когда|150|0|TDateTime", "1|price|Цена|80|0|double"});
    Grid->AddValue("when",
                   Variant::FromDateTime(EncodeDate(2026, 12, 7) + EncodeTime(18, 5, 0, 0)));
    Grid->AddValue("price", 12.5);
    Grid->Redraw();
    EXPECT_EQ(Grid->Cells(0, 1), DateTimeToStr(EncodeDate(2026, 12, 7) + EncodeTime(18, 5, 0, 0)));
    EXPECT_EQ(Grid->Cells(1, 1), "12.5");
}

TEST_F(ExtStringGridTest, WrongPlacesAndNamesRaiseTheirMessages)
{
    EXPECT_EQ(Raised([&] { Grid->fGetValues(0, 1); }),
              "FieldsTable.size() is null!, (CheckFields)");
    EXPECT_EQ(Raised([&] { Grid->AddValue(0, 1); }), "FieldsTable.size() is null!, (CheckColumn)");
    DefineTwo();
    Grid->AddValue("id", 5);
    EXPECT_EQ(Raised([&] { Grid->fGetStrValues("x", 1); }), "not find field, (fGetStrValues)");
    EXPECT_EQ(Raised([&] { Grid->fSetStrValues("x", 1, 1); }), "not find field, (fSetStrValues)");
    EXPECT_EQ(Raised([&] { Grid->AddValue("x", 1); }), "not find field, (AddValue)");
    EXPECT_EQ(Raised([&] { Grid->GetSizeField("x"); }), "not find field, (SizeField)");
    EXPECT_EQ(Raised([&] { Grid->AssignPIL("x", nullptr); }), "not find field, (AssignPIL)");
    TEdit Edit(nullptr);
    EXPECT_EQ(Raised([&] { Grid->AssignEditControl("x", &Edit); }),
              "not find field, (AssignEditControl)");
    EXPECT_EQ(Raised([&] { Grid->AssignEditControl("x", nullptr); }), "");
    EXPECT_EQ(Raised([&] { Grid->fGetValues(0, 2); }), "ARow is out of range!, (CheckFields)");
    EXPECT_EQ(Raised([&] { Grid->fGetValues(-1, 1); }),
              "ACol or ARow is out of range!, (CheckFields)");
    // Rows count from 1: row 0 holds no value.
    EXPECT_EQ(Raised([&] { Grid->fSetValues(0, 0, 1); }),
              "ACol or ARow is out of range!, (CheckFields)");
    EXPECT_EQ(Raised([&] { Grid->fGetValues(2, 1); }), "ACol is out of range!, (CheckFields)");
    EXPECT_EQ(Raised([&] { Grid->AddValue(2, 1); }), "ACol is out of range!, (CheckColumn)");
    EXPECT_EQ(Raised([&] { Grid->GetSizeField(-1); }), "ACol is out of range!, (CheckColumn)");
    EXPECT_EQ(Grid->fGetValues(0, 1).AsInteger(), 5);
}

// A field without a column shifts no value under another field's caption.
TEST_F(ExtStringGridTest, HiddenFieldsHaveNoColumnAndShiftNothing)
{
    Define({"1|id|№|40|0|int", "0|secret|Скрыто|50", "1|name|Имя|120"});
    EXPECT_EQ(Grid->ColCount(), 2);
    EXPECT_EQ(Grid->Cells(1, 0), "Имя"_a);
    EXPECT_EQ(Grid->ColWidths(1), 120);
    EXPECT_EQ(Grid->FieldOfColumn(1), 2);
    EXPECT_EQ(Grid->FieldOfColumn(2), -1);
    Grid->AddValue("id", 1);
    Grid->AddValue("secret", "тайна"_a);
    Grid->AddValue("name", "ИВАН"_a);
    Grid->Redraw();
    EXPECT_EQ(Grid->Cells(1, 1), "ИВАН"_a);
    Grid->SetCol(1);
    Grid->SetRow(1);
    int Col = -1, Row = -1;
    EXPECT_TRUE(Grid->GetCurPos(Col, Row));
    EXPECT_EQ(Col, 1);
    EXPECT_EQ(Row, 1);
}

TEST_F(ExtStringGridTest, CellsDrawTheirFieldsLook)
{
    auto *List = new TPngImageList(Form.get());
    List->PngImages()->Add()->SetPngImage(Solid(clRed).get());
    List->PngImages()->Add()->SetPngImage(Solid(clLime).get());
    Define({"1|n|№|40|1", "1|kind|Тип|60", "1|text|Текст|100|0|AnsiString||left|#102030"});
    Grid->AssignPIL("kind", List);
    for (const char *Kind : {"1", "0", "x"}) {
        Grid->AddValue("n", 1);
        Grid->AddValue("kind", Kind);
        Grid->AddValue("text", "a");
    }
    Grid->Redraw();
    Grid->SetCol(2);
    Grid->SetRow(3);
    const TRect Cell = Grid->CellRect(1, 1);
    const int IconLeft = (Cell.Width() - 16) / 2, IconTop = (Cell.Height() - 16) / 2;
    EXPECT_EQ(Pixel(1, 1, IconLeft, IconTop), RGB(0, 255, 0));
    EXPECT_EQ(Pixel(1, 1, IconLeft + 15, IconTop + 15), RGB(0, 255, 0));
    EXPECT_EQ(Pixel(1, 1, IconLeft - 1, IconTop), RGB(255, 255, 255));
    EXPECT_EQ(Pixel(1, 2, IconLeft, IconTop), RGB(255, 0, 0));
    // Not a picture's number: only the background.
    EXPECT_EQ(Pixel(1, 3, IconLeft, IconTop), RGB(255, 255, 255));
    EXPECT_EQ(Pixel(2, 1, 1, 1), RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(Pixel(2, 3, 1, 1), ColorToRGB(clHighlight));
    // Header look: the caption gradient from its light end to the caption colour.
    const COLORREF Light = Pixel(0, 1, 1, 4), Dark = Pixel(0, 1, 37, 4);
    const COLORREF Caption = ColorToRGB(clGradientActiveCaption);
    EXPECT_NEAR(GetRValue(Light), 255, 12);
    EXPECT_NEAR(GetBValue(Light), 240, 12);
    EXPECT_NEAR(GetRValue(Dark), GetRValue(Caption), 12);
    EXPECT_NEAR(GetBValue(Dark), GetBValue(Caption), 12);

    // A list that goes away is forgotten: the cells draw their background only.
    delete List;
    EXPECT_EQ(Grid->Field(1).Images, nullptr);
    EXPECT_EQ(Pixel(1, 1, IconLeft, IconTop), RGB(255, 255, 255));
}

class ExtStringGridEditTest : public ExtStringGridTest
{
protected:
    void SetUp() override
    {
        ExtStringGridTest::SetUp();
        Define({"1|id|№|40|0|int", "1|name|Имя|120", "1|price|Цена|80|0|double", "1|kind|Тип|80"});
        Grid->AddValue("id", 1);
        Grid->AddValue("name", "ИВАН"_a);
        Grid->AddValue("price", 2.5);
        Grid->AddValue("kind", "Метаком"_a);
        Grid->Redraw();
        Edit = new TValidateEdit(Form.get());
        Edit->SetParent(Form.get());
        Edit->SetVisible(false);
        Combo = new TComboBox(Form.get());
        Combo->SetParent(Form.get());
        Combo->SetVisible(false);
        for (const char *Kind : {"Даллас", "Метаком", "Цифрал"})
            Combo->Items()->Add(AnsiString::FromUtf8(Kind));
        Grid->AssignEditControl("name", Edit);
        Grid->AssignEditControl("price", Edit);
        Grid->AssignEditControl("kind", Combo);
        Grid->SetgCanEditGrid(true);
        Grid->SetFocus();
        vcltest::Pump();
    }
    // Opens the editor of the cell at column Col of row 1 with Enter.
    void Open(int Col)
    {
        Grid->SetCol(Col);
        Grid->SetRow(1);
        Grid->Perform(WM_CHAR, '\r', 0);
        vcltest::Pump();
    }
    void Press(TWinControl *Control, char Key)
    {
        Control->Perform(WM_CHAR, static_cast<unsigned char>(Key), 0);
        vcltest::Pump();
    }
    TValidateEdit *Edit = nullptr;
    TComboBox *Combo = nullptr;
};

TEST_F(ExtStringGridEditTest, EnterPlacesTheEditorOverTheCellWithTheValue)
{
    Open(1);
    ASSERT_TRUE(Edit->Visible());
    EXPECT_TRUE(Edit->Focused());
    const TRect Cell = Grid->CellRect(1, 1);
    EXPECT_EQ(Edit->Left(), Grid->Left() + Cell.Left + 1);
    EXPECT_EQ(Edit->Top(), Grid->Top() + Cell.Top + 1);
    EXPECT_EQ(Edit->Width(), Cell.Width() + 2);
    EXPECT_EQ(Edit->Height(), Cell.Height() + 2);
    EXPECT_EQ(Edit->Text(), "ИВАН"_a);
    EXPECT_EQ(Edit->SelLength(), 4);

    Edit->SetText("ПЁТР"_a);
    Press(Edit, '\r');
    EXPECT_FALSE(Edit->Visible());
    EXPECT_TRUE(Grid->Focused());
    EXPECT_EQ(Grid->fGetStrValues("name", 1).AsString(), "ПЁТР"_a);
    EXPECT_EQ(Grid->Cells(1, 1), "ПЁТР"_a);

    // Escape drops what was typed.
    Open(1);
    Edit->SetText("ДРУГОЙ"_a);
    Press(Edit, '\x1b');
    EXPECT_FALSE(Edit->Visible());
    EXPECT_EQ(Grid->fGetStrValues("name", 1).AsString(), "ПЁТР"_a);
}

TEST_F(ExtStringGridEditTest, ANumberFieldTakesOnlyANumber)
{
    Open(2);
    EXPECT_EQ(Edit->Text(), "2.5");
    Edit->SetText("3.75");
    Press(Edit, '\r');
    EXPECT_DOUBLE_EQ(Grid->fGetStrValues("price", 1).AsDouble(), 3.75);

    // Text that is no number keeps the value, closes the editor, and raises nothing.
    Open(2);
    Edit->SetText("abc");
    Press(Edit, '\r');
    EXPECT_FALSE(Edit->Visible());
    EXPECT_DOUBLE_EQ(Grid->fGetStrValues("price", 1).AsDouble(), 3.75);
    EXPECT_EQ(Grid->Cells(2, 1), "3.75");
}

TEST_F(ExtStringGridEditTest, ComboBoxPicksTheItemOfTheValueAndDoubleClickOpensToo)
{
    Grid->SetCol(3);
    Grid->SetRow(1);
    const TRect Cell = Grid->CellRect(3, 1);
    Grid->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON,
                  MAKELPARAM(Cell.Left + Cell.Width() / 2, Cell.Top + Cell.Height() / 2));
    vcltest::Pump();
    ASSERT_TRUE(Combo->Visible());
    EXPECT_EQ(Combo->ItemIndex(), 1);
    Combo->SetItemIndex(2);
    Press(Combo, '\r');
    EXPECT_EQ(Grid->fGetStrValues("kind", 1).AsString(), "Цифрал"_a);

    // A value that is no item selects the first.
    Grid->fSetStrValues("kind", 1, "Прокси"_a);
    Open(3);
    EXPECT_EQ(Combo->ItemIndex(), 0);
    Press(Combo, '\x1b');
}

TEST_F(ExtStringGridEditTest, NoEditorWithoutAValueOrWhenEditingIsOff)
{
    Grid->AddValue("id", 2);
    Grid->Redraw();
    Grid->SetCol(1);
    Grid->SetRow(2);
    Grid->Perform(WM_CHAR, '\r', 0);
    vcltest::Pump();
    EXPECT_FALSE(Edit->Visible());
    EXPECT_EQ(Grid->GetCurIndex(), -1);
    Grid->SetgCanEditGrid(false);
    Open(1);
    EXPECT_FALSE(Edit->Visible());
    EXPECT_TRUE(Grid->Focused());
}

// The grid may go first: the controls it hooked no longer call into it.
TEST_F(ExtStringGridEditTest, ControlsOutliveTheGridSafely)
{
    delete Grid;
    Grid = nullptr;
    EXPECT_FALSE(Edit->OnEnter);
    EXPECT_FALSE(Edit->OnExit);
    EXPECT_FALSE(Combo->OnKeyPress);
    Edit->SetVisible(true);
    Edit->SetFocus();
    Press(Edit, '\r');
}

TEST_F(ExtStringGridTest, ColumnWidthsLiveInTheirFile)
{
    const std::filesystem::path File =
        std::filesystem::temp_directory_path() / ("ext_grid_" + std::to_string(getpid()) + ".txt");
    std::ofstream(File) << "55\n66\n";
    Grid->SetgFileWidths(File.string());
    // Setting the same path again is no change and keeps its widths.
    Grid->SetgFileWidths(File.string());
    ASSERT_TRUE(std::filesystem::exists(File));
    DefineTwo();
    EXPECT_EQ(Grid->ColWidths(0), 55);
    EXPECT_EQ(Grid->ColWidths(1), 66);
    Grid->SetColWidths(1, 77);
    delete Grid;
    Grid = nullptr;
    std::ifstream In(File);
    std::string Text((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    EXPECT_EQ(Text, "55\n77\n");
    std::filesystem::remove(File);
}

TEST_F(ExtStringGridTest, AnotherWidthFileDeletesThePreviousOne)
{
    const std::filesystem::path Dir = std::filesystem::temp_directory_path();
    const std::string Tag = std::to_string(getpid());
    const std::filesystem::path Old = Dir / ("ext_grid_old_" + Tag + ".txt");
    const std::filesystem::path New = Dir / ("ext_grid_new_" + Tag + ".txt");
    std::ofstream(Old) << "55\n66\n";
    std::ofstream(New) << "44\n33\n";
    Grid->SetgFileWidths(Old.string());
    Grid->SetgFileWidths(New.string());
    EXPECT_FALSE(std::filesystem::exists(Old));
    ASSERT_TRUE(std::filesystem::exists(New));
    DefineTwo();
    EXPECT_EQ(Grid->ColWidths(0), 44);
    // Clearing the path deletes the file it named too.
    Grid->SetgFileWidths("");
    EXPECT_FALSE(std::filesystem::exists(New));
    std::filesystem::remove(Old);
    std::filesystem::remove(New);
}

TEST_F(ExtStringGridTest, AFormStreamLaysTheGridOutFromItsDefinitionsAndWidthFile)
{
    ExtStringGrid::Register();
    const std::filesystem::path File = testsupport::TestPath("ext_grid_") += ".txt";
    std::ofstream(File) << "55\n66\n";
    {
        ctltest::TStreamedForm Form(nullptr);
        auto *Source = ctltest::Place<TExtStringGrid>(Form, "SG_Writer");
        Source->SetBounds(10, 10, 400, 200);
        TStringList Lines;
        Lines.Add(AnsiString::FromUtf8("1|id|№|40|0|int||right"));
        Lines.Add(AnsiString::FromUtf8("1|name|Имя|120|0|AnsiString||left|#FFFFCC"));
        Source->SetgFields(&Lines);
        Source->SetgFileWidths(File.string());
        Source->SetgCaptionHeight(30);
        Source->SetgCanEditGrid(true);

        auto Copy = ctltest::ReadBack(Form);
        auto *Back = ctltest::Found<TExtStringGrid>(*Copy, "SG_Writer");
        ASSERT_TRUE(Back);
        EXPECT_EQ(Back->gFields()->Text(), Lines.Text());
        EXPECT_EQ(Back->gFileWidths(), File.string());
        EXPECT_EQ(Back->gCaptionHeight(), 30);
        EXPECT_TRUE(Back->gCanEditGrid());
        ASSERT_EQ(Back->FieldCount(), 2);
        EXPECT_EQ(Back->Field(1).Background, static_cast<TColor>(RGB(0xFF, 0xFF, 0xCC)));
        EXPECT_EQ(Back->ColCount(), 2);
        EXPECT_EQ(Back->Cells(1, 0), "Имя"_a);
        EXPECT_EQ(Back->RowHeights(0), 30);
        EXPECT_EQ(Back->ColWidths(0), 55);
        EXPECT_EQ(Back->ColWidths(1), 66);
        Back->AddValue("name", Variant(AnsiString("Дом"_a)));
        Back->AddValue("id", Variant(7));
        Back->Redraw();
        EXPECT_EQ(Back->Cells(1, 1), "Дом"_a);
    }
    std::filesystem::remove(File);
}

TEST(ExtStringGridUnit, RegisterPutsTheControlOnTheWin32Page)
{
    ExtStringGrid::Register();
    const std::vector<TComponentClass> Page = rtl::PaletteClasses("Win32");
    EXPECT_NE(std::find(Page.begin(), Page.end(), TExtStringGrid::StaticClass()), Page.end());
    EXPECT_EQ(GetClass("TExtStringGrid"), TExtStringGrid::StaticClass());
}
