#include "controls/ExtStringGrid.h"

#include "platform/rtl/ClassesFiler.h"

#include "controls/ShadowLabel.h"
#include "link/grid_helpers.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/StdCtrls.h"

#include <utility>

namespace
{

constexpr int DefinitionParts = 13;

// The parts of a definition line between its "|", each trimmed; missing ones are empty.
std::vector<AnsiString> SplitDefinition(const AnsiString &Line)
{
    std::vector<AnsiString> Parts;
    AnsiString Rest = Line;
    while (static_cast<int>(Parts.size()) < DefinitionParts - 1) {
        const int Bar = Rest.Pos("|");
        if (Bar == 0) break;
        Parts.push_back(Rest.SubString(1, Bar - 1).Trim());
        Rest = Rest.SubString(Bar + 1, Rest.Length());
    }
    Parts.push_back(Rest.Trim());
    Parts.resize(DefinitionParts);
    return Parts;
}

// An empty part keeps the default; a colour that is there but malformed reads as black.
void TakeText(const AnsiString &Part, AnsiString &Member)
{
    if (!Part.IsEmpty()) Member = Part;
}

void TakeColour(const AnsiString &Part, TColor &Member)
{
    if (!Part.IsEmpty()) Member = HTMLColor(Part).Color();
}

TFontStyles StyleOf(const AnsiString &Flags)
{
    const TFontStyle Order[] = {fsBold, fsItalic, fsUnderline, fsStrikeOut};
    TFontStyles Style;
    for (int I = 0; I < 4 && I < Flags.Length(); ++I)
        if (Flags[I + 1] == '1') Style << Order[I];
    return Style;
}

[[noreturn]] void Fail(const char *Message, const char *Caller)
{
    throw Exception(AnsiString(Message) + ", (" + Caller + ")");
}

} // namespace

TExtStringGrid::FieldRecord::FieldRecord() : Caption("Название"_a) {}

TExtStringGrid::TExtStringGrid(TComponent *AOwner)
    : TStringGrid(AOwner), FFields(std::make_unique<TStringList>())
{
    SetDoubleBuffered(true);
}

TExtStringGrid::~TExtStringGrid()
{
    if (!FFileWidths.IsEmpty()) GridSaveColWidths(this, FFileWidths);
    // The controls outlive the grid: they must not call back into it.
    for (const auto &Field : FTable)
        if (Field->EditControl) Unhook(Field->EditControl);
}

// ---- definitions and layout ----

void TExtStringGrid::SetgFields(TStrings *Value)
{
    FieldTable Table = SetProperties(Value);
    FFields->Assign(Value);
    TakeFields(std::move(Table));
}

void TExtStringGrid::TakeFields(FieldTable Table)
{
    for (const auto &Field : FTable)
        if (Field->EditControl) Unhook(Field->EditControl);
    FTable = std::move(Table);
    FEditField = -1;
    Init();
}

// A form stream fills the definitions in place, past the setter, and the width file comes after
// them: the grid is laid out once both are there.
void TExtStringGrid::Loaded()
{
    inherited::Loaded();
    if (FFields->Count() > 0) TakeFields(SetProperties(FFields.get()));
}

void TExtStringGrid::SetgFileWidths(const AnsiString &Value)
{
    // Setting the path already in use is no change: deleting it would lose the very
    // widths the grid is about to read from it.
    if (!FFileWidths.IsEmpty() && FFileWidths != Value) DeleteFile(FFileWidths);
    FFileWidths = Value;
}

void TExtStringGrid::Init()
{
    InitGrid();
    FillGrid();
    if (!FFileWidths.IsEmpty()) GridLoadColWidths(this, FFileWidths);
    Invalidate();
}

TExtStringGrid::FieldTable TExtStringGrid::SetProperties(TStrings *Lines)
{
    FieldTable Table;
    for (int I = 0; I < Lines->Count(); ++I) {
        const std::vector<AnsiString> Part = SplitDefinition(Lines->Strings(I));
        auto Field = std::make_unique<FieldRecord>();
        Field->Visible = StrToIntDef(Part[0], 1) != 0;
        TakeText(Part[1], Field->Name);
        TakeText(Part[2], Field->Caption);
        Field->Width = StrToIntDef(Part[3], 99);
        Field->HeaderLook = StrToIntDef(Part[4], 0) != 0;
        TakeText(Part[5], Field->Type);
        Field->Seventh = Part[6];
        if (Part[7] == "left") Field->Alignment = taLeftJustify;
        if (Part[7] == "right") Field->Alignment = taRightJustify;
        if (Part[7] == "center") Field->Alignment = taCenter;
        TakeColour(Part[8], Field->Background);
        TakeText(Part[9], Field->FontName);
        Field->FontSize = StrToIntDef(Part[10], 10);
        TakeColour(Part[11], Field->FontColor);
        TakeText(Part[12], Field->FontStyle);
        for (const auto &Earlier : Table)
            if (Earlier->Name == Field->Name) Fail("field already exist!", "ParseString");
        Table.push_back(std::move(Field));
    }
    return Table;
}

void TExtStringGrid::InitGrid()
{
    Font()->SetColor(clMenuText);
    Font()->SetSize(10);
    SetFixedColor(clGradientActiveCaption);
    int Column = 0;
    for (const auto &Field : FTable) {
        if (Field->EditControl) Field->EditControl->SetVisible(false);
        if (!Field->Visible) continue;
        if (Column >= ColCount()) SetColCount(Column + 1);
        SetColWidths(Column, Field->Width);
        SetCells(Column, 0, Field->Caption);
        Field->Font = std::make_unique<TFont>();
        Field->Font->SetName(Field->FontName);
        Field->Font->SetSize(Field->FontSize);
        Field->Font->SetColor(Field->FontColor);
        Field->Font->SetStyle(StyleOf(Field->FontStyle));
        ++Column;
    }
    SetColCount(Column);
    SetRowHeights(0, FCaptionHeight);
}

int TExtStringGrid::FieldOfColumn(int ACol) const
{
    int Column = 0;
    for (int I = 0; I < FieldCount(); ++I) {
        if (!FTable[I]->Visible) continue;
        if (Column++ == ACol) return I;
    }
    return -1;
}

AnsiString TExtStringGrid::CellText(const FieldRecord &Field, const Variant &Value) const
{
    if (Field.Type == "double") return FloatToStr(Value.AsDouble());
    if (Field.Type == "TDateTime") return DateTimeToStr(Value.AsDateTime());
    return VarToStr(Value);
}

void TExtStringGrid::FillGrid()
{
    if (FTable.empty() || FTable.front()->Values.empty()) {
        SetFixedCols(0);
        SetFixedRows(0);
        SetRowCount(1);
        Invalidate();
        return;
    }
    const int Current = Row();
    std::size_t Rows = 0;
    for (const auto &Field : FTable)
        Rows = std::max(Rows, Field->Values.size());
    GridClearData(this, ColCount());
    SetRowCount(std::max(static_cast<int>(Rows) + 1, 2));
    for (int Column = 0; Column < ColCount(); ++Column) {
        const int Index = FieldOfColumn(Column);
        if (Index < 0) continue;
        const FieldRecord &Field = *FTable[Index];
        for (std::size_t R = 0; R < Field.Values.size(); ++R)
            SetCells(Column, static_cast<int>(R) + 1, CellText(Field, Field.Values[R]));
    }
    SetFixedCols(1);
    SetFixedRows(1);
    SetRow(Current > 0 && Current < RowCount() ? Current : RowCount() - 1);
    Invalidate();
}

void TExtStringGrid::SetgCaptionHeight(int Value)
{
    FCaptionHeight = Value;
    SetRowHeights(0, Value);
    Invalidate();
}

// ---- values ----

int TExtStringGrid::IndexOf(const AnsiString &Name) const
{
    for (int I = 0; I < FieldCount(); ++I)
        if (FTable[I]->Name == Name) return I;
    return -1;
}

int TExtStringGrid::FieldIndexOf(const AnsiString &Name, const char *Caller) const
{
    const int Index = IndexOf(Name);
    if (Index < 0) Fail("not find field", Caller);
    return Index;
}

// Rows count from 1, so row 0 is refused with the negative ones: it has no value.
void TExtStringGrid::CheckFields(int ACol, int ARow) const
{
    if (ACol < 0 || ARow < 1) Fail("ACol or ARow is out of range!", "CheckFields");
    if (FTable.empty()) Fail("FieldsTable.size() is null!", "CheckFields");
    if (ACol >= FieldCount()) Fail("ACol is out of range!", "CheckFields");
    if (ARow > static_cast<int>(FTable[ACol]->Values.size()))
        Fail("ARow is out of range!", "CheckFields");
}

void TExtStringGrid::CheckColumn(int ACol) const
{
    if (FTable.empty()) Fail("FieldsTable.size() is null!", "CheckColumn");
    if (ACol < 0 || ACol >= FieldCount()) Fail("ACol is out of range!", "CheckColumn");
}

Variant TExtStringGrid::fGetValues(int ACol, int ARow) const
{
    CheckFields(ACol, ARow);
    return FTable[ACol]->Values[ARow - 1];
}

void TExtStringGrid::fSetValues(int ACol, int ARow, const Variant &Value)
{
    CheckFields(ACol, ARow);
    FTable[ACol]->Values[ARow - 1] = Value;
}

Variant TExtStringGrid::fGetStrValues(const AnsiString &Name, int ARow) const
{
    return fGetValues(FieldIndexOf(Name, "fGetStrValues"), ARow);
}

void TExtStringGrid::fSetStrValues(const AnsiString &Name, int ARow, const Variant &Value)
{
    fSetValues(FieldIndexOf(Name, "fSetStrValues"), ARow, Value);
}

void TExtStringGrid::AddValue(int ACol, const Variant &Value)
{
    CheckColumn(ACol);
    FTable[ACol]->Values.push_back(Value);
}

void TExtStringGrid::AddValue(const AnsiString &Name, const Variant &Value)
{
    FTable[FieldIndexOf(Name, "AddValue")]->Values.push_back(Value);
}

int TExtStringGrid::GetSizeField(int ACol) const
{
    CheckColumn(ACol);
    return static_cast<int>(FTable[ACol]->Values.size());
}

int TExtStringGrid::GetSizeField(const AnsiString &Name) const
{
    return GetSizeField(FieldIndexOf(Name, "SizeField"));
}

void TExtStringGrid::AssignPIL(const AnsiString &Name, TPngImageList *Images)
{
    FieldRecord &Field = *FTable[FieldIndexOf(Name, "AssignPIL")];
    Field.Images = Images;
    if (Images) Images->FreeNotification(this);
    Invalidate();
}

void TExtStringGrid::AssignEditControl(const AnsiString &Name, TWinControl *Control)
{
    if (!Control) return;
    const int Index = FieldIndexOf(Name, "AssignEditControl");
    CheckColumn(Index);
    FTable[Index]->EditControl = Control;
    Control->FreeNotification(this);
    if (!dynamic_cast<TComboBox *>(Control) && !dynamic_cast<TMemo *>(Control) &&
        !dynamic_cast<TEdit *>(Control) && !dynamic_cast<TDateTimePicker *>(Control))
        return;
    Control->OnEnter = [this](TObject *Sender) { EditorEnter(Sender); };
    Control->OnExit = [this](TObject *Sender) { EditorExit(Sender); };
    Control->OnKeyPress = [this](TObject *Sender, char &Key) { EditorKeyPress(Sender, Key); };
}

void TExtStringGrid::Unhook(TWinControl *Control)
{
    Control->OnEnter = nullptr;
    Control->OnExit = nullptr;
    Control->OnKeyPress = nullptr;
}

void TExtStringGrid::Clear()
{
    for (const auto &Field : FTable)
        Field->Values.clear();
    FillGrid();
}

int TExtStringGrid::GetCurIndex() const
{
    const int Index = FieldOfColumn(Col());
    if (Index < 0 || Row() < 1) return -1;
    return static_cast<int>(FTable[Index]->Values.size()) >= Row() ? Row() : -1;
}

bool TExtStringGrid::GetCurPos(int &ACol, int &ARow) const
{
    ACol = Col();
    ARow = GetCurIndex();
    return ARow != -1;
}

void TExtStringGrid::Notification(TComponent *AComponent, TOperation Operation)
{
    TStringGrid::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    for (int I = 0; I < FieldCount(); ++I) {
        FieldRecord &Field = *FTable[I];
        if (Field.Images == AComponent) Field.Images = nullptr;
        if (Field.EditControl == AComponent) {
            Field.EditControl = nullptr;
            if (FEditField == I) FEditField = -1;
        }
    }
}

// ---- drawing ----

void TExtStringGrid::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState)
{
    if (FTable.empty()) return;
    if (ARow == 0) {
        GridDrawHeaderCell(this, ACol, ARow, ARect);
        return;
    }
    const int Index = FieldOfColumn(ACol);
    if (Index < 0) return;
    const FieldRecord &Field = *FTable[Index];
    if (Field.HeaderLook) {
        GridDrawHeaderCell(this, ACol, ARow, ARect);
    } else if (Field.Images) {
        GridDrawCellPng(Field.Images, this, Field.Background, ACol, ARow, ARect, AState);
    } else {
        auto Draw = Field.Alignment == taRightJustify ? GridDrawCellRight
                    : Field.Alignment == taCenter     ? GridDrawCellCentered
                                                      : GridDrawCellLeft;
        Draw(this, Field.Font.get(), Field.Background, ACol, ARow, ARect, AState);
    }
}

bool TExtStringGrid::SelectCell(int, int)
{
    return true;
}

// ---- editing ----

void TExtStringGrid::KeyPress(char &Key)
{
    if (Key == '\r' && FCanEditGrid) OpenEditor();
    TStringGrid::KeyPress(Key);
}

// The grid takes the focus on the mouse-down that follows a double click, which would close
// an editor opened at once: it opens after that.
void TExtStringGrid::DblClick()
{
    FOpenAfterMouseDown = true;
    TStringGrid::DblClick();
}

void TExtStringGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TStringGrid::MouseDown(Button, Shift, X, Y);
    if (!std::exchange(FOpenAfterMouseDown, false)) return;
    char Enter = '\r';
    KeyPress(Enter);
}

void TExtStringGrid::OpenEditor()
{
    const int Index = FieldOfColumn(Col());
    const int Current = GetCurIndex();
    if (Index < 0 || Current < 0 || !FTable[Index]->EditControl) return;
    TWinControl *Control = FTable[Index]->EditControl;
    const TRect Cell = CellRect(Col(), Row());
    FEditField = Index;
    FEditRow = Current;
    Control->SetBounds(Left() + Cell.Left + 1, Top() + Cell.Top + 1, Cell.Width() + 2,
                       Cell.Height() + 2);
    Control->SetVisible(true);
    Control->SetFocus();
    FAccept = true;
}

void TExtStringGrid::EditorEnter(TObject *Sender)
{
    if (FEditField < 0) return;
    const FieldRecord &Field = *FTable[FEditField];
    const AnsiString Text = CellText(Field, Field.Values.at(FEditRow - 1));
    if (auto *Edit = dynamic_cast<TEdit *>(Sender)) {
        Edit->SetText(Text);
        Edit->SelectAll();
    } else if (auto *Box = dynamic_cast<TComboBox *>(Sender)) {
        Box->SetItemIndex(std::max(Box->Items()->IndexOf(Text), 0));
    }
}

void TExtStringGrid::EditorKeyPress(TObject *, char &Key)
{
    if (Key != '\r' && Key != '\x1b') return;
    FAccept = Key == '\r';
    Key = 0;
    SetFocus();
}

void TExtStringGrid::EditorExit(TObject *Sender)
{
    if (FEditField < 0) return;
    FieldRecord &Field = *FTable[FEditField];
    if (FAccept && FEditRow <= static_cast<int>(Field.Values.size()))
        StoreEditorText(Field, FEditRow, static_cast<TControl *>(Sender)->Text());
    FEditField = -1;
    if (Field.EditControl) Field.EditControl->SetVisible(false);
    FillGrid();
}

// Text that is no number leaves a "double" field's value as it was.
void TExtStringGrid::StoreEditorText(FieldRecord &Field, int Row, const AnsiString &Text)
{
    Variant &Value = Field.Values[Row - 1];
    double Number = 0;
    if (Field.Type == "int")
        Value = StrToIntDef(Text, 0);
    else if (Field.Type == "double" && TryStrToFloat(Text, Number))
        Value = Number;
    else if (Field.Type == "AnsiString")
        Value = Text;
}

void TExtStringGrid::Publish(rtl::Publisher<TExtStringGrid> &P)
{
    using T = TExtStringGrid;
    P.Property("gFields", &T::gFields, &T::SetgFields);
    P.Property("gFileWidths", &T::gFileWidths, &T::SetgFileWidths);
    P.Property("gCaptionHeight", &T::gCaptionHeight, &T::SetgCaptionHeight).Default(20);
    P.Property("gCanEditGrid", &T::gCanEditGrid, &T::SetgCanEditGrid).Default(false);
}
QRV4_PUBLISHED(TExtStringGrid)

void ExtStringGrid::Register()
{
    RegisterComponents("Win32", {TExtStringGrid::StaticClass()});
}
