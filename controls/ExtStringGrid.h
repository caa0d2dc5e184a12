#pragma once
// A string grid whose columns are described by field definitions, one text line a field:
//   visible|name|caption|width|header look|type|(kept)|alignment|background|font name|
//   font size|font colour|font style
// The data lives per field as a list of typed values, row 1 first; the cells are made from
// them. A field may show its cells as pictures of a PNG image list, or be edited through a
// control that is placed over the cell.

#include "controls/PngImageList.h"
#include "platform/rtl/Variants.h"
#include "platform/vcl/Grids.h"

#include <memory>
#include <vector>

class TExtStringGrid : public TStringGrid
{
    QRV4_CLASS(TExtStringGrid, TStringGrid)

public:
    struct FieldRecord {
        bool Visible = true;
        AnsiString Name = "name";
        AnsiString Caption;
        int Width = 99;
        bool HeaderLook = false;
        AnsiString Type = "AnsiString"; // "AnsiString", "int", "double" or "TDateTime"
        AnsiString Seventh;             // kept for the definition's sake, not used
        TAlignment Alignment = taLeftJustify;
        std::unique_ptr<TFont> Font; // made when the columns are laid out
        TColor Background = clWhite;
        AnsiString FontName = "Tahoma";
        int FontSize = 10;
        TColor FontColor = clBlack;
        AnsiString FontStyle = "0000";      // bold, italic, underline, strike-out: "1" sets
        TPngImageList *Images = nullptr;    // not owned
        TWinControl *EditControl = nullptr; // not owned
        std::vector<Variant> Values;

        FieldRecord();
    };

    explicit TExtStringGrid(TComponent *AOwner);
    ~TExtStringGrid() override;

    TStringList *gFields() const { return FFields.get(); }
    // Lays the grid out anew from the definitions; a definition that cannot be taken
    // leaves the grid as it was.
    void SetgFields(TStrings *Value);
    AnsiString gFileWidths() const { return FFileWidths; }
    // The file of the previous path goes: the grid keeps one width file at a time.
    void SetgFileWidths(const AnsiString &Value);
    int gCaptionHeight() const { return FCaptionHeight; }
    void SetgCaptionHeight(int Value);
    bool gCanEditGrid() const { return FCanEditGrid; }
    void SetgCanEditGrid(bool Value) { FCanEditGrid = Value; }

    // Field by its index from 0, row from 1.
    Variant fGetValues(int ACol, int ARow) const;
    void fSetValues(int ACol, int ARow, const Variant &Value);
    Variant fGetStrValues(const AnsiString &Name, int ARow) const;
    void fSetStrValues(const AnsiString &Name, int ARow, const Variant &Value);
    void AddValue(int ACol, const Variant &Value);
    void AddValue(const AnsiString &Name, const Variant &Value);
    int GetSizeField(int ACol) const;
    int GetSizeField(const AnsiString &Name) const;
    void AssignPIL(const AnsiString &Name, TPngImageList *Images);
    void AssignEditControl(const AnsiString &Name, TWinControl *Control);
    void Clear();
    void Redraw() { FillGrid(); }
    // The current data row when the current column's field has a value there, else -1.
    int GetCurIndex() const;
    bool GetCurPos(int &ACol, int &ARow) const;

    static void Publish(rtl::Publisher<TExtStringGrid> &P);

    int FieldCount() const { return static_cast<int>(FTable.size()); }
    const FieldRecord &Field(int Index) const { return *FTable.at(Index); }
    // The field a grid column shows, -1 for none: only visible fields have columns.
    int FieldOfColumn(int ACol) const;

protected:
    void DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) override;
    bool SelectCell(int ACol, int ARow) override;
    void DblClick() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyPress(char &Key) override;
    void Notification(TComponent *AComponent, TOperation Operation) override;
    void Loaded() override;

private:
    using FieldTable = std::vector<std::unique_ptr<FieldRecord>>;

    // Puts Table in place of the fields the grid has, then lays the grid out anew.
    void TakeFields(FieldTable Table);
    void Init();
    static FieldTable SetProperties(TStrings *Lines);
    void InitGrid();
    void FillGrid();
    AnsiString CellText(const FieldRecord &Field, const Variant &Value) const;

    int IndexOf(const AnsiString &Name) const;
    int FieldIndexOf(const AnsiString &Name, const char *Caller) const;
    void CheckFields(int ACol, int ARow) const;
    void CheckColumn(int ACol) const;

    void OpenEditor();
    void EditorEnter(TObject *Sender);
    void EditorExit(TObject *Sender);
    void EditorKeyPress(TObject *Sender, char &Key);
    void StoreEditorText(FieldRecord &Field, int Row, const AnsiString &Text);
    void Unhook(TWinControl *Control);

    std::unique_ptr<TStringList> FFields;
    FieldTable FTable;
    AnsiString FFileWidths;
    int FCaptionHeight = 20;
    bool FCanEditGrid = false;
    // The edit in progress: whether leaving the control keeps its text, and where it goes.
    bool FAccept = false;
    int FEditField = -1;
    int FEditRow = -1;
    bool FOpenAfterMouseDown = false;
};

namespace ExtStringGrid
{
// Puts TExtStringGrid on the component palette page "Win32".
void Register();
} // namespace ExtStringGrid
