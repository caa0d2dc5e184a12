#include "report/frxRegistry.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Variants.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Menus.h"
#include "platform/win/WinGdi.h"
#include "report/frxClass.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"

#include <algorithm>

namespace
{

[[noreturn]] void InvalidValue()
{
    throw Exception(frxResources()->Get("prInvProp"));
}

// The properties are 32-bit: a larger number would be stored cut down to another value.
int IntegerValue(const AnsiString &Text)
{
    int Value = 0;
    if (!TryStrToInt(Trim(Text), Value)) InvalidValue();
    return Value;
}

// A value list with its names: a name shows for its value, a value for its name.
struct NamedValue {
    const char *Name;
    long long Value;
};

const NamedValue CursorNames[] = {
    {"crDefault", crDefault},   {"crNone", crNone},           {"crArrow", crArrow},
    {"crCross", crCross},       {"crIBeam", crIBeam},         {"crSizeNESW", crSizeNESW},
    {"crSizeNS", crSizeNS},     {"crSizeNWSE", crSizeNWSE},   {"crSizeWE", crSizeWE},
    {"crUpArrow", crUpArrow},   {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
    {"crNoDrop", crNoDrop},     {"crHSplit", crHSplit},       {"crVSplit", crVSplit},
    {"crMultiDrag", -16},       {"crSQLWait", -17},           {"crNo", crNo},
    {"crAppStart", crAppStart}, {"crHelp", crHelp},           {"crHandPoint", crHandPoint},
    {"crSizeAll", crSizeAll},
};

const NamedValue CharsetNames[] = {
    {"ANSI_CHARSET", 0},      {"DEFAULT_CHARSET", 1},    {"SYMBOL_CHARSET", 2},
    {"MAC_CHARSET", 77},      {"SHIFTJIS_CHARSET", 128}, {"HANGEUL_CHARSET", 129},
    {"JOHAB_CHARSET", 130},   {"GB2312_CHARSET", 134},   {"CHINESEBIG5_CHARSET", 136},
    {"GREEK_CHARSET", 161},   {"TURKISH_CHARSET", 162},  {"VIETNAMESE_CHARSET", 163},
    {"HEBREW_CHARSET", 177},  {"ARABIC_CHARSET", 178},   {"BALTIC_CHARSET", 186},
    {"RUSSIAN_CHARSET", 204}, {"THAI_CHARSET", 222},     {"EASTEUROPE_CHARSET", 238},
    {"OEM_CHARSET", 255},
};

const char *const ModalResultNames[] = {"mrNone",  "mrOk",      "mrCancel",  "mrAbort",
                                        "mrRetry", "mrIgnore",  "mrYes",     "mrNo",
                                        "mrAll",   "mrNoToAll", "mrYesToAll"};

template <std::size_t N> AnsiString NameOrNumber(const NamedValue (&Names)[N], long long Value)
{
    for (const NamedValue &Named : Names)
        if (Named.Value == Value) return Named.Name;
    return IntToStr(Value);
}

template <std::size_t N> long long ValueOfName(const NamedValue (&Names)[N], const AnsiString &Text)
{
    for (const NamedValue &Named : Names)
        if (SameText(Named.Name, Text)) return Named.Value;
    return IntegerValue(Text);
}

template <std::size_t N> void AddNames(TfrxPropertyEditor *Editor, const NamedValue (&Names)[N])
{
    for (const NamedValue &Named : Names)
        Editor->GetStrProc(Named.Name);
}

// The date, time or both of a value; 0 shows empty.
AnsiString DateText(double Value, AnsiString (*Convert)(TDateTime))
{
    return Value == 0 ? AnsiString() : Convert(Value);
}

double DateValue(const AnsiString &Text, TDateTime (*Convert)(const AnsiString &))
{
    if (Text.IsEmpty()) return 0;
    try {
        return Convert(Text);
    } catch (const EConvertError &) {
        InvalidValue();
    }
}

} // namespace

// ---- report objects ----

void TfrxObjectCollection::RegisterObject1(TClass ClassRef, TBitmap *ButtonBmp,
                                           const AnsiString &ButtonHint,
                                           const AnsiString &CategoryName, std::uint16_t Flags,
                                           int ImageIndex)
{
    if (ClassRef && Contains([&](const TfrxObjectItem &I) {
            return I.ClassRef == ClassRef && I.Flags == Flags;
        }))
        return;
    if (ClassRef) RegisterClass(ClassRef);
    if (ButtonBmp) ButtonBmp->Dormant();
    auto *Item = AddItem();
    Item->ClassRef = ClassRef;
    Item->ButtonBmp = ButtonBmp;
    Item->ButtonImageIndex = ImageIndex;
    Item->ButtonHint = ButtonHint;
    Item->CategoryName = CategoryName;
    Item->Flags = Flags;
}

void TfrxObjectCollection::RegisterObject(TClass ClassRef, TBitmap *ButtonBmp,
                                          const AnsiString &CategoryName)
{
    RegisterObject1(ClassRef, ButtonBmp, AnsiString(), CategoryName, 0, -1);
}

void TfrxObjectCollection::RegisterCategory(const AnsiString &CategoryName, TBitmap *ButtonBmp,
                                            const AnsiString &ButtonHint, int ImageIndex)
{
    RegisterObject1(nullptr, ButtonBmp, ButtonHint, CategoryName, 0, ImageIndex);
}

void TfrxObjectCollection::Unregister(TClass ClassRef)
{
    DeleteWhere([&](const TfrxObjectItem &I) { return I.ClassRef == ClassRef; });
}

// ---- component editors ----

TfrxComponentEditor::TfrxComponentEditor(TfrxComponent *Component, TfrxCustomDesigner *Designer,
                                         TMenu *Menu)
    : FComponent(Component), FDesigner(Designer), FMenu(Menu)
{
}

void TfrxComponentEditor::AddItem(const AnsiString &Caption, int Tag, bool Checked)
{
    auto *Item = new TMenuItem(FMenu);
    Item->SetCaption(Caption);
    Item->SetTag(Tag);
    Item->SetChecked(Checked);
    FMenu->Items()->Add(Item);
}

void TfrxComponentEditorCollection::Register(TClass ComponentClass,
                                             TfrxComponentEditorClass EditorClass)
{
    auto *Item = AddItem();
    Item->ComponentClass = ComponentClass;
    Item->ComponentEditor = EditorClass;
}

std::unique_ptr<TfrxComponentEditor>
TfrxComponentEditorCollection::GetComponentEditor(TfrxComponent *Component,
                                                  TfrxCustomDesigner *Designer, TMenu *Menu) const
{
    const TfrxComponentEditorItem *Found = nullptr;
    for (int i = 0; i < Count(); ++i) {
        const TfrxComponentEditorItem *Item = Items(i);
        if (Item->ComponentClass == Component->ClassType()) {
            Found = Item;
            break;
        }
        if (Component->InheritsFrom(Item->ComponentClass)) Found = Item;
    }
    return Found ? Found->ComponentEditor(Component, Designer, Menu) : nullptr;
}

// ---- property editors ----

TfrxPropertyEditor::TfrxPropertyEditor(TfrxCustomDesigner *Designer) : FDesigner(Designer) {}

void TfrxPropertyEditor::Add(TObject *Instance, PPropInfo PropInfo)
{
    FObjects.push_back({Instance, PropInfo});
}

TfrxReportComponent *TfrxPropertyEditor::GetfrComponent() const
{
    return dynamic_cast<TfrxReportComponent *>(GetComponent());
}

AnsiString TfrxPropertyEditor::GetValue()
{
    return "(Unknown)";
}

void TfrxPropertyEditor::GetValues()
{
    FValues->Clear();
    FValues->SetSorted(GetAttributes().Contains(paSortList));
}

bool TfrxPropertyEditor::Edit()
{
    GetValues();
    if (FValues->Count() == 0) return false;
    const int Current = FValues->IndexOf(GetValue());
    SetValue(FValues->Strings((Current + 1) % FValues->Count()));
    return true;
}

long long TfrxPropertyEditor::GetOrdValue() const
{
    return GetOrdProp(GetComponent(), GetPropInfo());
}

double TfrxPropertyEditor::GetFloatValue() const
{
    return GetFloatProp(GetComponent(), GetPropInfo());
}

AnsiString TfrxPropertyEditor::GetStrValue() const
{
    return GetStrProp(GetComponent(), GetPropInfo());
}

Variant TfrxPropertyEditor::GetVarValue() const
{
    return GetVariantProp(GetComponent(), GetPropInfo());
}

void TfrxPropertyEditor::SetOrdValue(long long Value)
{
    for (const Selected &S : FObjects)
        SetOrdProp(S.Instance, S.Prop, Value);
}

void TfrxPropertyEditor::SetFloatValue(double Value)
{
    for (const Selected &S : FObjects)
        SetFloatProp(S.Instance, S.Prop, Value);
}

void TfrxPropertyEditor::SetStrValue(const AnsiString &Value)
{
    for (const Selected &S : FObjects)
        SetStrProp(S.Instance, S.Prop, Value);
}

void TfrxPropertyEditor::SetVarValue(const Variant &Value)
{
    for (const Selected &S : FObjects)
        SetVariantProp(S.Instance, S.Prop, Value);
}

TfrxPropertyAttributes TfrxIntegerProperty::GetAttributes()
{
    return {paMultiSelect};
}
AnsiString TfrxIntegerProperty::GetValue()
{
    return IntToStr(GetOrdValue());
}
void TfrxIntegerProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
}
void TfrxIntegerProperty::SetValue(const AnsiString &Value)
{
    SetOrdValue(IntegerValue(Value));
}

TfrxPropertyAttributes TfrxFloatProperty::GetAttributes()
{
    return {paMultiSelect};
}
AnsiString TfrxFloatProperty::GetValue()
{
    return FloatToStr(GetFloatValue());
}
void TfrxFloatProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
}
void TfrxFloatProperty::SetValue(const AnsiString &Value)
{
    try {
        SetFloatValue(frxStrToFloat(Value));
    } catch (const EConvertError &) {
        InvalidValue();
    }
}

TfrxPropertyAttributes TfrxCharProperty::GetAttributes()
{
    return {paMultiSelect};
}
AnsiString TfrxCharProperty::GetValue()
{
    const long long Code = GetOrdValue();
    if (Code < 33) return "#" + IntToStr(Code);
    return AnsiString(std::string(1, static_cast<char>(Code)));
}
void TfrxCharProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
}
void TfrxCharProperty::SetValue(const AnsiString &Value)
{
    if (Value.IsEmpty()) return SetOrdValue(0);
    if (Value.Length() == 1) return SetOrdValue(static_cast<unsigned char>(Value[1]));
    int Code = 0;
    if (Value[1] != '#' || !TryStrToInt(Value.SubString(2, Value.Length() - 1), Code) || Code < 0 ||
        Code > 255)
        InvalidValue();
    SetOrdValue(Code);
}

TfrxPropertyAttributes TfrxStringProperty::GetAttributes()
{
    return {paMultiSelect};
}
AnsiString TfrxStringProperty::GetValue()
{
    return GetStrValue();
}
void TfrxStringProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
}
void TfrxStringProperty::SetValue(const AnsiString &Value)
{
    SetStrValue(Value);
}

TfrxPropertyAttributes TfrxEnumProperty::GetAttributes()
{
    return {paValueList, paSortList, paMultiSelect};
}
AnsiString TfrxEnumProperty::GetValue()
{
    return GetEnumName(GetPropInfo()->PropType, static_cast<int>(GetOrdValue()));
}
void TfrxEnumProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
    for (const AnsiString &Name : GetPropInfo()->PropType->EnumNames)
        GetStrProc(Name);
}
void TfrxEnumProperty::SetValue(const AnsiString &Value)
{
    const int Ordinal = GetEnumValue(GetPropInfo()->PropType, Value);
    if (Ordinal < 0) InvalidValue();
    SetOrdValue(Ordinal);
}

TfrxPropertyAttributes TfrxNameProperty::GetAttributes()
{
    return {};
}
AnsiString TfrxNameProperty::GetValue()
{
    return TfrxStringProperty::GetValue();
}
void TfrxNameProperty::GetValues()
{
    TfrxStringProperty::GetValues();
}
void TfrxNameProperty::SetValue(const AnsiString &Value)
{
    TfrxStringProperty::SetValue(Value);
}

bool TfrxColorProperty::Edit()
{
    TColorDialog Dialog(nullptr);
    Dialog.SetColor(static_cast<TColor>(GetOrdValue()));
    if (!Dialog.Execute()) return false;
    SetOrdValue(Dialog.Color());
    return true;
}

TfrxPropertyAttributes TfrxColorProperty::GetAttributes()
{
    return {paValueList, paMultiSelect, paOwnerDraw};
}
AnsiString TfrxColorProperty::GetValue()
{
    return ColorToString(static_cast<TColor>(GetOrdValue()));
}
void TfrxColorProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
    GetColorValues([this](const AnsiString &Name) { GetStrProc(Name); });
}
void TfrxColorProperty::SetValue(const AnsiString &Value)
{
    TColor Color = 0;
    if (IdentToColor(Value, Color)) return SetOrdValue(Color);
    TfrxIntegerProperty::SetValue(Value);
}

bool TfrxFontProperty::Edit()
{
    TFontDialog Dialog(nullptr);
    Dialog.SetFont(static_cast<TFont *>(GetObjectProp(GetComponent(), GetPropInfo())));
    Dialog.SetDevice(fdBoth);
    if (!Dialog.Execute()) return false;
    // Every selected object's setter copies the chosen font.
    SetOrdValue(rtl::ObjectToHandle(Dialog.Font()));
    return true;
}

TfrxPropertyAttributes TfrxFontProperty::GetAttributes()
{
    return {paDialog, paMultiSelect, paSubProperties, paReadOnly};
}
AnsiString TfrxFontProperty::GetValue()
{
    return TfrxPropertyEditor::GetValue();
}
void TfrxFontProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
}
void TfrxFontProperty::SetValue(const AnsiString &) {}

TfrxPropertyAttributes TfrxFontNameProperty::GetAttributes()
{
    return {paValueList, paSortList, paMultiSelect};
}
AnsiString TfrxFontNameProperty::GetValue()
{
    return TfrxStringProperty::GetValue();
}
void TfrxFontNameProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
    if (!Screen) return;
    TStrings *Fonts = Screen->Fonts();
    for (int i = 0; i < Fonts->Count(); ++i)
        GetStrProc(Fonts->Strings(i));
}
void TfrxFontNameProperty::SetValue(const AnsiString &Value)
{
    TfrxStringProperty::SetValue(Value);
}

TfrxPropertyAttributes TfrxFontCharsetProperty::GetAttributes()
{
    return {paValueList, paSortList, paMultiSelect};
}
AnsiString TfrxFontCharsetProperty::GetValue()
{
    return NameOrNumber(CharsetNames, GetOrdValue());
}
void TfrxFontCharsetProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
    AddNames(this, CharsetNames);
}
void TfrxFontCharsetProperty::SetValue(const AnsiString &Value)
{
    SetOrdValue(ValueOfName(CharsetNames, Value));
}

TfrxPropertyAttributes TfrxModalResultProperty::GetAttributes()
{
    return {paValueList, paMultiSelect};
}
AnsiString TfrxModalResultProperty::GetValue()
{
    const long long Value = GetOrdValue();
    if (Value >= 0 && Value <= mrYesToAll) return ModalResultNames[Value];
    return IntToStr(Value);
}
void TfrxModalResultProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
    for (const char *Name : ModalResultNames)
        GetStrProc(Name);
}
void TfrxModalResultProperty::SetValue(const AnsiString &Value)
{
    const auto *Named = std::find_if(std::begin(ModalResultNames), std::end(ModalResultNames),
                                     [&](const char *Name) { return Value == Name; });
    if (Named != std::end(ModalResultNames))
        return SetOrdValue(Named - std::begin(ModalResultNames));
    TfrxIntegerProperty::SetValue(Value.IsEmpty() ? AnsiString("0") : Value);
}

namespace
{

// The shortcuts a designer offers: letters with Ctrl and Ctrl+Alt, the function
// keys alone and with Ctrl, Shift and Ctrl+Shift, and the editing keys. Kept as
// keys, so each is offered in the text it shows with once chosen.
std::vector<TShortCut> ShortCutList()
{
    std::vector<TShortCut> List;
    for (TShiftState Shift : {TShiftState{ssCtrl}, TShiftState{ssCtrl, ssAlt}})
        for (WORD Letter = 'A'; Letter <= 'Z'; ++Letter)
            List.push_back(ShortCut(Letter, Shift));
    for (TShiftState Shift :
         {TShiftState{}, TShiftState{ssCtrl}, TShiftState{ssShift}, TShiftState{ssCtrl, ssShift}})
        for (WORD Key = VK_F1; Key <= VK_F12; ++Key)
            List.push_back(ShortCut(Key, Shift));
    for (WORD Key : {VK_INSERT, VK_DELETE})
        for (TShiftState Shift : {TShiftState{}, TShiftState{ssShift}, TShiftState{ssCtrl}})
            List.push_back(ShortCut(Key, Shift));
    for (TShiftState Shift : {TShiftState{ssAlt}, TShiftState{ssShift, ssAlt}})
        List.push_back(ShortCut(VK_BACK, Shift));
    return List;
}

} // namespace

TfrxPropertyAttributes TfrxShortCutProperty::GetAttributes()
{
    return {paValueList, paMultiSelect};
}
AnsiString TfrxShortCutProperty::GetValue()
{
    return ShortCutToText(static_cast<TShortCut>(GetOrdValue()));
}
void TfrxShortCutProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
    GetStrProc(ShortCutToText(0));
    for (TShortCut Key : ShortCutList())
        GetStrProc(ShortCutToText(Key));
}
void TfrxShortCutProperty::SetValue(const AnsiString &Value)
{
    if (Value.IsEmpty() || Value == ShortCutToText(0)) return SetOrdValue(0);
    // A text that names no key would clear the shortcut as if that were asked for.
    const TShortCut Key = TextToShortCut(Value);
    if (Key == 0) InvalidValue();
    SetOrdValue(Key);
}

TfrxPropertyAttributes TfrxCursorProperty::GetAttributes()
{
    return {paValueList, paSortList, paMultiSelect};
}
AnsiString TfrxCursorProperty::GetValue()
{
    return NameOrNumber(CursorNames, GetOrdValue());
}
void TfrxCursorProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
    AddNames(this, CursorNames);
}
void TfrxCursorProperty::SetValue(const AnsiString &Value)
{
    SetOrdValue(ValueOfName(CursorNames, Value));
}

#define QRV4_FRX_DATE_EDITOR(Name, ToText, FromText)                                               \
    TfrxPropertyAttributes Name::GetAttributes()                                                   \
    {                                                                                              \
        return {paMultiSelect};                                                                    \
    }                                                                                              \
    AnsiString Name::GetValue()                                                                    \
    {                                                                                              \
        return DateText(GetFloatValue(), ToText);                                                  \
    }                                                                                              \
    void Name::GetValues()                                                                         \
    {                                                                                              \
        TfrxPropertyEditor::GetValues();                                                           \
    }                                                                                              \
    void Name::SetValue(const AnsiString &Value)                                                   \
    {                                                                                              \
        SetFloatValue(DateValue(Value, FromText));                                                 \
    }
QRV4_FRX_DATE_EDITOR(TfrxDateTimeProperty, DateTimeToStr, StrToDateTime)
QRV4_FRX_DATE_EDITOR(TfrxDateProperty, DateToStr, StrToDate)
QRV4_FRX_DATE_EDITOR(TfrxTimeProperty, TimeToStr, StrToTime)
#undef QRV4_FRX_DATE_EDITOR

// ---- drawing in a designer ----

void TfrxPropertyEditor::OnDrawLBItem(TWinControl *Control, int Index, TRect ARect, TOwnerDrawState)
{
    auto *List = dynamic_cast<TCustomListBox *>(Control);
    if (!List) return;
    TCanvas *Canvas = List->Canvas();
    Canvas->FillRect(ARect);
    Canvas->TextOut(ARect.Left + FItemHeight + 4, ARect.Top + 1, List->Items()->Strings(Index));
    Canvas->Pen()->SetColor(clGray);
}

void TfrxPropertyEditor::OnDrawItem(TCanvas *Canvas, TRect ARect)
{
    Canvas->FillRect(ARect);
    Canvas->TextOut(ARect.Left + FItemHeight - 2, ARect.Top + 1, GetValue());
    Canvas->Pen()->SetColor(clGray);
}

namespace
{

void DrawSwatch(TCanvas *Canvas, const TRect &R, TColor Color)
{
    const TColor Before = Canvas->Brush()->Color();
    Canvas->Brush()->SetColor(Color);
    Canvas->Rectangle(R.Left, R.Top, R.Right, R.Bottom);
    Canvas->Brush()->SetColor(Before);
}

TColor ColorOfText(const AnsiString &Text)
{
    TColor Color = clNone;
    return IdentToColor(Text, Color) ? Color : static_cast<TColor>(StrToIntDef(Text, clNone));
}

} // namespace

void TfrxColorProperty::OnDrawLBItem(TWinControl *Control, int Index, TRect ARect,
                                     TOwnerDrawState State)
{
    TfrxPropertyEditor::OnDrawLBItem(Control, Index, ARect, State);
    auto *List = dynamic_cast<TCustomListBox *>(Control);
    if (!List) return;
    DrawSwatch(
        List->Canvas(),
        TRect(ARect.Left + 2, ARect.Top + 2, ARect.Left + ItemHeight() + 4, ARect.Bottom - 2),
        ColorOfText(List->Items()->Strings(Index)));
}

void TfrxColorProperty::OnDrawItem(TCanvas *Canvas, TRect ARect)
{
    TfrxPropertyEditor::OnDrawItem(Canvas, ARect);
    const int Side = ARect.Height() - 8;
    DrawSwatch(Canvas,
               TRect(ARect.Left + 4, ARect.Top + 4, ARect.Left + 4 + Side, ARect.Top + 4 + Side),
               static_cast<TColor>(GetOrdValue()));
}

// ---- sets, objects and references ----

namespace
{

PTypeInfo ElementType(PPropInfo Prop)
{
    return Prop->PropType->CompType;
}

} // namespace

TfrxPropertyAttributes TfrxSetProperty::GetAttributes()
{
    return {paMultiSelect, paSubProperties, paReadOnly};
}
AnsiString TfrxSetProperty::GetValue()
{
    const auto Bits = static_cast<std::uint64_t>(GetOrdValue());
    AnsiString Names;
    for (int Bit = 0; Bit < 32; ++Bit) {
        if (!(Bits & (std::uint64_t{1} << Bit))) continue;
        if (!Names.IsEmpty()) Names += ",";
        Names += GetEnumName(ElementType(GetPropInfo()), Bit);
    }
    return "[" + Names + "]";
}
void TfrxSetProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
}
void TfrxSetProperty::SetValue(const AnsiString &) {}

TfrxSetElementProperty::TfrxSetElementProperty(TfrxCustomDesigner *Designer, int Element)
    : TfrxPropertyEditor(Designer), FElement(Element)
{
}
TfrxPropertyAttributes TfrxSetElementProperty::GetAttributes()
{
    return {paValueList, paSortList, paMultiSelect};
}
AnsiString TfrxSetElementProperty::GetName()
{
    return GetEnumName(ElementType(GetPropInfo()), FElement);
}
AnsiString TfrxSetElementProperty::GetValue()
{
    const auto Bits = static_cast<std::uint64_t>(GetOrdValue());
    return FElement < 64 && (Bits & (std::uint64_t{1} << FElement)) ? "True" : "False";
}
void TfrxSetElementProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
    GetStrProc("False");
    GetStrProc("True");
}
void TfrxSetElementProperty::SetValue(const AnsiString &Value)
{
    if (Value != "True" && Value != "False") InvalidValue();
    if (FElement >= 32) return;
    const std::uint64_t Bit = std::uint64_t{1} << FElement;
    const auto Bits = static_cast<std::uint64_t>(GetOrdValue());
    SetOrdValue(static_cast<long long>(Value == "True" ? Bits | Bit : Bits & ~Bit));
}

TfrxPropertyAttributes TfrxClassProperty::GetAttributes()
{
    return {paMultiSelect, paSubProperties, paReadOnly};
}
AnsiString TfrxClassProperty::GetValue()
{
    return "(" + GetPropInfo()->PropType->Name + ")";
}
void TfrxClassProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
}
void TfrxClassProperty::SetValue(const AnsiString &) {}

namespace
{

// Where the candidates of a reference are: the page of a report object, else inside the object.
TfrxComponent *ReferenceScope(TObject *Edited)
{
    if (auto *C = dynamic_cast<TfrxReportComponent *>(Edited)) return C->GetPage();
    return dynamic_cast<TfrxComponent *>(Edited);
}

TfrxReport *ReportOf(TObject *Edited)
{
    auto *C = dynamic_cast<TfrxComponent *>(Edited);
    return C ? C->GetReport() : nullptr;
}

} // namespace

TfrxPropertyAttributes TfrxComponentProperty::GetAttributes()
{
    return {paValueList, paSortList, paMultiSelect};
}
AnsiString TfrxComponentProperty::GetValue()
{
    auto *Referenced = dynamic_cast<TComponent *>(GetObjectProp(GetComponent(), GetPropInfo()));
    return Referenced ? Referenced->Name() : AnsiString();
}
void TfrxComponentProperty::GetValues()
{
    TfrxPropertyEditor::GetValues();
    TfrxComponent *Scope = ReferenceScope(GetComponent());
    if (!Scope) return;
    const TClass Wanted = GetObjectPropClass(GetPropInfo());
    TList *All = Scope->GetAllObjects();
    for (int i = 0; i < All->Count(); ++i) {
        auto *C = static_cast<TfrxComponent *>(All->Items(i));
        if (C != GetComponent() && C->InheritsFrom(Wanted)) GetStrProc(C->Name());
    }
}
void TfrxComponentProperty::SetValue(const AnsiString &Value)
{
    if (Value.IsEmpty()) return SetOrdValue(0);
    TfrxReport *Report = ReportOf(GetComponent());
    TfrxComponent *Found = Report ? Report->FindObject(Value) : nullptr;
    // An object of another class would not be what the property holds.
    if (!Found || !Found->InheritsFrom(GetObjectPropClass(GetPropInfo()))) InvalidValue();
    SetOrdValue(rtl::ObjectToHandle(Found));
}

// ---- property lists ----

TfrxPropertyItem::~TfrxPropertyItem() = default;

TfrxPropertyList::TfrxPropertyList(TfrxCustomDesigner *Designer, TfrxPropertyList *Parent)
    : FDesigner(Designer), FParent(Parent)
{
}

void TfrxPropertyList::SetComponent(TObject *Value)
{
    FComponent = Value;
    Clear();
    FillProperties(Value);
}

TfrxPropertyItem *TfrxPropertyList::Find(const AnsiString &Name) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Editor()->GetName() == Name) return Items(i);
    return nullptr;
}

namespace
{

TfrxPropertyEditorClass DefaultEditor(PPropInfo Prop)
{
    switch (Prop->PropType->Kind) {
    case tkInteger:
        return frxPropertyEditorOf<TfrxIntegerProperty>;
    case tkChar:
    case tkWChar:
        return frxPropertyEditorOf<TfrxCharProperty>;
    case tkEnumeration:
        return frxPropertyEditorOf<TfrxEnumProperty>;
    case tkFloat:
        return frxPropertyEditorOf<TfrxFloatProperty>;
    case tkString:
    case tkLString:
    case tkWString:
        return frxPropertyEditorOf<TfrxStringProperty>;
    case tkSet:
        return frxPropertyEditorOf<TfrxSetProperty>;
    case tkClass: {
        const TClass Class = Prop->PropType->ClassType;
        if (Class && Class->InheritsFrom(TComponent::StaticClass()))
            return frxPropertyEditorOf<TfrxComponentProperty>;
        if (Class && Class->InheritsFrom(TPersistent::StaticClass()))
            return frxPropertyEditorOf<TfrxClassProperty>;
        return nullptr;
    }
    default:
        return nullptr;
    }
}

} // namespace

void TfrxPropertyList::FillProperties(TObject *AObject)
{
    if (!AObject) return;
    TPropList Props = GetPropList(AObject, tkProperties);
    SortPropList(Props);
    const TfrxPropertyEditorCollection *Registry = frxPropertyEditors();
    for (PPropInfo Prop : Props) {
        TfrxPropertyEditorClass EditorClass = DefaultEditor(Prop);
        // A registered item without an editor hides the property.
        if (const int Index = Registry->GetPropertyEditor(Prop->PropType, AObject, Prop->Name);
            Index >= 0)
            EditorClass = Registry->Items(Index)->EditorClass;
        if (EditorClass) AddProperty(AObject, Prop, EditorClass);
    }
}

void TfrxPropertyList::AddProperty(TObject *AObject, PPropInfo Prop,
                                   TfrxPropertyEditorClass EditorClass)
{
    auto *Item = AddItem();
    Item->FEditor = EditorClass(FDesigner);
    Item->FEditor->Add(AObject, Prop);
    if (Prop->PropType->Kind == tkSet)
        Item->FSubProperty = SetElements(AObject, Prop);
    else if (Prop->PropType->Kind == tkClass)
        Item->FSubProperty = HeldObjectProperties(AObject, Prop);
}

std::unique_ptr<TfrxPropertyList> TfrxPropertyList::SetElements(TObject *AObject, PPropInfo Prop)
{
    auto List = std::make_unique<TfrxPropertyList>(FDesigner, this);
    List->FComponent = AObject;
    const PTypeInfo Element = ElementType(Prop);
    for (long long i = Element->MinValue; i <= Element->MaxValue; ++i) {
        auto *Item = List->AddItem();
        Item->FEditor = std::make_unique<TfrxSetElementProperty>(FDesigner, static_cast<int>(i));
        Item->FEditor->Add(AObject, Prop);
    }
    return List;
}

std::unique_ptr<TfrxPropertyList> TfrxPropertyList::HeldObjectProperties(TObject *AObject,
                                                                         PPropInfo Prop)
{
    const TClass Class = Prop->PropType->ClassType;
    if (!Class || Class->InheritsFrom(TComponent::StaticClass()) ||
        !Class->InheritsFrom(TPersistent::StaticClass()))
        return nullptr;
    auto List = std::make_unique<TfrxPropertyList>(FDesigner, this);
    List->SetComponent(GetObjectProp(AObject, Prop));
    if (List->Count() == 0) return nullptr;
    return List;
}

void TfrxPropertyList::FillCommonProperties(TfrxPropertyList *List)
{
    DeleteWhere([List](const TfrxPropertyItem &Item) {
        TfrxPropertyEditor *Editor = Item.Editor();
        if (!Editor->GetAttributes().Contains(paMultiSelect)) return true;
        const TfrxPropertyItem *Other = List->Find(Editor->GetName());
        return !Other || Other->Editor()->GetPropInfo()->PropType->Kind !=
                             Editor->GetPropInfo()->PropType->Kind;
    });
}

void TfrxPropertyList::AddProperties(TfrxPropertyList *List)
{
    for (int i = 0; i < Count(); ++i) {
        TfrxPropertyItem *Item = Items(i);
        const TfrxPropertyItem *Other = List->Find(Item->Editor()->GetName());
        if (!Other) continue;
        for (const TfrxPropertyEditor::Selected &S : Other->Editor()->FObjects)
            Item->Editor()->Add(S.Instance, S.Prop);
        if (Item->SubProperty() && Other->SubProperty())
            Item->SubProperty()->AddProperties(Other->SubProperty());
    }
}

std::unique_ptr<TfrxPropertyList> frxCreatePropertyList(TList *List, TfrxCustomDesigner *Designer)
{
    if (List->Count() == 0) return nullptr;
    std::vector<std::unique_ptr<TfrxPropertyList>> Lists;
    for (int i = 0; i < List->Count(); ++i) {
        Lists.push_back(std::make_unique<TfrxPropertyList>(Designer));
        Lists.back()->SetComponent(static_cast<TObject *>(List->Items(i)));
    }
    TfrxPropertyList *First = Lists.front().get();
    for (std::size_t i = 1; i < Lists.size(); ++i)
        First->FillCommonProperties(Lists[i].get());
    for (std::size_t i = 1; i < Lists.size(); ++i) {
        Lists[i]->FillCommonProperties(First);
        First->AddProperties(Lists[i].get());
    }
    return std::move(Lists.front());
}

void TfrxPropertyEditorCollection::Register(PTypeInfo PropertyType, TClass ComponentClass,
                                            const AnsiString &PropertyName,
                                            TfrxPropertyEditorClass EditorClass)
{
    auto *Item = AddItem();
    Item->PropertyType = PropertyType;
    Item->ComponentClass = ComponentClass;
    Item->PropertyName = PropertyName;
    Item->EditorClass = EditorClass;
}

void TfrxPropertyEditorCollection::RegisterEventEditor(TfrxPropertyEditorClass EditorClass)
{
    Register(nullptr, nullptr, AnsiString(), EditorClass);
    FEventEditorItem = Count() - 1;
}

int TfrxPropertyEditorCollection::GetPropertyEditor(PTypeInfo PropertyType, TObject *Component,
                                                    const AnsiString &PropertyName) const
{
    const AnsiString TypeName = PropertyType ? LowerCase(PropertyType->Name) : AnsiString();
    if (TypeName.SubString(1, 4) == "tfrx" &&
        TypeName.SubString(TypeName.Length() - 4, 5) == "event")
        return FEventEditorItem;
    int Result = -1;
    for (int i = Count() - 1; i >= 0; --i) {
        const TfrxPropertyEditorItem *Item = Items(i);
        if (!Item->ComponentClass && Item->PropertyName.IsEmpty() &&
            Item->PropertyType == PropertyType && PropertyType)
            Result = i;
        else if ((!Item->ComponentClass && Item->PropertyType == PropertyType &&
                  SameText(Item->PropertyName, PropertyName)) ||
                 (Item->ComponentClass && Component &&
                  Component->InheritsFrom(Item->ComponentClass) &&
                  SameText(Item->PropertyName, PropertyName)))
            return i;
    }
    return Result;
}

void frxHideProperties(TClass ClassRef, const AnsiString &Names)
{
    TStringList List;
    frxSetCommaText(Names, &List, ';');
    for (int i = 0; i < List.Count(); ++i)
        frxPropertyEditors()->Register(nullptr, ClassRef, List.Strings(i), nullptr);
}

// ---- export filters and wizards ----

void TfrxExportFilterCollection::Register(TfrxCustomExportFilter *Filter)
{
    if (!Filter) return;
    if (Contains([&](const TfrxExportFilterItem &I) { return I.Filter == Filter; })) return;
    AddItem()->Filter = Filter;
}

void TfrxExportFilterCollection::Unregister(TfrxCustomExportFilter *Filter)
{
    DeleteWhere([&](const TfrxExportFilterItem &I) { return I.Filter == Filter; });
}

void TfrxWizardCollection::Register(TClass ClassRef, TBitmap *ButtonBmp, bool IsToolbarWizard)
{
    if (Contains([&](const TfrxWizardItem &I) { return I.ClassRef == ClassRef; })) return;
    if (ButtonBmp) ButtonBmp->Dormant();
    auto *Item = AddItem();
    Item->ClassRef = ClassRef;
    Item->ButtonBmp = ButtonBmp;
    Item->IsToolbarWizard = IsToolbarWizard;
}

void TfrxWizardCollection::Unregister(TClass ClassRef)
{
    DeleteWhere([&](const TfrxWizardItem &I) { return I.ClassRef == ClassRef; });
}

// ---- the registries ----

namespace
{

// Made on first use in the order objects, component editors, property
// editors, export filters, wizards; the library's property editors go in first.
struct Registries {
    TfrxObjectCollection Objects;
    TfrxComponentEditorCollection ComponentEditors;
    TfrxPropertyEditorCollection PropertyEditors;
    TfrxExportFilterCollection ExportFilters;
    TfrxWizardCollection Wizards;

    Registries()
    {
        TfrxPropertyEditorCollection &P = PropertyEditors;
        P.Register(rtl::TComponentNameInfo(), nullptr, "Name",
                   frxPropertyEditorOf<TfrxNameProperty>);
        P.Register(rtl::TColorInfo(), nullptr, "", frxPropertyEditorOf<TfrxColorProperty>);
        P.Register(rtl::TypeInfoFor<TFont *>::Get(), nullptr, "",
                   frxPropertyEditorOf<TfrxFontProperty>);
        P.Register(rtl::TypeInfoFor<AnsiString>::Get(), TFont::StaticClass(), "Name",
                   frxPropertyEditorOf<TfrxFontNameProperty>);
        P.Register(rtl::TypeInfoFor<int>::Get(), TFont::StaticClass(), "Charset",
                   frxPropertyEditorOf<TfrxFontCharsetProperty>);
        P.Register(rtl::TModalResultInfo(), nullptr, "",
                   frxPropertyEditorOf<TfrxModalResultProperty>);
        P.Register(rtl::TShortCutInfo(), nullptr, "", frxPropertyEditorOf<TfrxShortCutProperty>);
        P.Register(rtl::TCursorInfo(), nullptr, "", frxPropertyEditorOf<TfrxCursorProperty>);
        P.Register(rtl::TDateTimeInfo(), nullptr, "", frxPropertyEditorOf<TfrxDateTimeProperty>);
        P.Register(rtl::TDateInfo(), nullptr, "", frxPropertyEditorOf<TfrxDateProperty>);
        P.Register(rtl::TTimeInfo(), nullptr, "", frxPropertyEditorOf<TfrxTimeProperty>);
    }
};

Registries &TheRegistries()
{
    static Registries Instance;
    return Instance;
}

} // namespace

TfrxObjectCollection *frxObjects()
{
    return &TheRegistries().Objects;
}

TfrxComponentEditorCollection *frxComponentEditors()
{
    return &TheRegistries().ComponentEditors;
}

TfrxPropertyEditorCollection *frxPropertyEditors()
{
    return &TheRegistries().PropertyEditors;
}

TfrxExportFilterCollection *frxExportFilters()
{
    return &TheRegistries().ExportFilters;
}

TfrxWizardCollection *frxWizards()
{
    return &TheRegistries().Wizards;
}
