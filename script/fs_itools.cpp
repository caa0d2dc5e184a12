#include "script/fs_itools.h"

#include "platform/rtl/SysUtils.h"
#include "script/fs_ibasic.h"
#include "script/fs_iconst.h"
#include "script/fs_icpp.h"
#include "script/fs_ihelpers.h"
#include "script/fs_iinterpreter.h"
#include "script/fs_ijs.h"
#include "script/fs_iparser.h"
#include "script/fs_ipascal.h"
#include "script/fs_xml.h"

#include <climits>
#include <map>
#include <memory>

namespace
{

// One entry per language: the name, "=", the whole grammar text. The four
// languages of the engine are there from the list's creation on, whatever
// order the program's start-up code runs in.
TStringList &Languages()
{
    static const std::unique_ptr<TStringList> list = [] {
        auto l = std::make_unique<TStringList>();
        l->Add("PascalScript=" + fsPascalGrammar());
        l->Add("C++Script=" + fsCPPGrammar());
        l->Add("BasicScript=" + fsBasicGrammar());
        l->Add("JScript=" + fsJScriptGrammar());
        return l;
    }();
    return *list;
}

} // namespace

void fsRegisterLanguage(const AnsiString &Name, const AnsiString &Grammar)
{
    TStringList &list = Languages();
    const int index = list.IndexOfName(Name);
    const AnsiString entry = Name + "=" + Grammar;
    if (index >= 0)
        list.SetStrings(index, entry);
    else
        list.Add(entry);
}

AnsiString fsGetLanguage(const AnsiString &Name)
{
    const TStringList &list = Languages();
    const int index = list.IndexOfName(Name);
    if (index < 0) throw Exception(Format(SLangNotFound, {Name}));
    const AnsiString &entry = list.Strings(index);
    return entry.SubString(entry.Pos("=") + 1, entry.Length());
}

void fsGetLanguageList(TStrings *List)
{
    List->Clear();
    const TStringList &list = Languages();
    for (int i = 0; i < list.Count(); ++i) {
        const AnsiString name = list.Names(i);
        if (!name.IsEmpty() && name[1] != '@') List->Add(name);
    }
}

POINT fsPosToPoint(const AnsiString &Pos)
{
    POINT point{0, 0};
    const int colon = Pos.Pos(":");
    if (Pos.IsEmpty() || colon == 0) return point;
    point.y = StrToIntDef(Pos.SubString(1, colon - 1), 0);
    point.x = StrToIntDef(Pos.SubString(colon + 1, Pos.Length()), 0);
    return point;
}

Variant ParserStringToVariant(const AnsiString &S)
{
    if (S.IsEmpty()) return Null();
    if (S[1] == '\'') return S.SubString(2, S.Length() - 2);
    const bool hex = S.Pos("$") > 0;
    const bool real = !hex && (S.Pos(".") > 0 || S.Pos("e") > 0 || S.Pos("E") > 0);
    long long value = 0;
    if (!real && TryStrToInt64(S, value)) {
        if (value >= INT_MIN && value <= INT_MAX) return Variant(static_cast<int>(value));
        return Variant(value);
    }
    AnsiString text = S;
    const int dot = text.Pos(".");
    if (dot > 0) text[dot] = DecimalSeparator;
    return Variant(StrToFloat(text));
}

Variant VarRecToVariant(const TVarRec &V)
{
    switch (V.VType) {
    case TVarRec::vtInteger:
        return Variant(V.VInteger);
    case TVarRec::vtInt64:
        return Variant(V.VInt64);
    case TVarRec::vtBoolean:
        return Variant(V.VBoolean);
    case TVarRec::vtChar:
        return Variant(V.VChar);
    case TVarRec::vtExtended:
        return Variant(V.VExtended);
    case TVarRec::vtString:
        return Variant(*V.VString);
    case TVarRec::vtWideString:
        return Variant(*V.VWideString);
    case TVarRec::vtWideChar:
        return Variant(WideString(V.VWideChar));
    default:
        return Null();
    }
}

namespace
{

TVarRec OwnedString(const AnsiString &Value)
{
    TVarRec rec("");
    rec.VOwnedString = Value; // VString already points at the owned copy
    return rec;
}

TVarRec ElementToVarRec(const Variant &E)
{
    switch (VarType(E) & varTypeMask) {
    case varSmallint:
    case varInteger:
    case varByte:
        return TVarRec(E.AsInteger());
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
        return TVarRec(E.AsDouble());
    case varString:
    case varOleStr:
        // Whole, not cut to the 255 characters of a short string: the text is the caller's.
        return OwnedString(E.AsString());
    case varBoolean:
        return TVarRec(E.AsBoolean());
    case varInt64:
        return TVarRec(E.AsInt64());
    default:
        return TVarRec(0);
    }
}

} // namespace

void VariantToVarRec(const Variant &V, std::vector<TVarRec> &Arr)
{
    Arr.clear();
    if (!VarIsArray(V)) return;
    const int high = VarArrayHighBound(V, 1);
    Arr.reserve(high + 1 > 0 ? high + 1 : 0);
    for (int i = VarArrayLowBound(V, 1); i <= high; ++i)
        Arr.push_back(ElementToVarRec(V.GetElement({i})));
}

void ClearVarRec(std::vector<TVarRec> &Arr)
{
    Arr.clear();
}

// ---------------------------------------------------------------- type tools

TfsVarType StrToVarType(const AnsiString &TypeName, TfsScript *Script)
{
    TfsCustomVariable *Item = Script ? Script->Find(TypeName) : nullptr;
    return Item ? Item->Typ() : fvtClass;
}

namespace
{

bool ClassCompatible(const TfsTypeRec &Typ1, const TfsTypeRec &Typ2, TfsScript *Script)
{
    TfsClassVariable *Class1 = Script ? Script->FindClass(Typ1.TypeName) : nullptr;
    TfsClassVariable *Class2 = Script ? Script->FindClass(Typ2.TypeName) : nullptr;
    return Class1 && Class2 && Class2->ClassRef()->InheritsFrom(Class1->ClassRef());
}

} // namespace

bool TypesCompatible(const TfsTypeRec &Typ1, const TfsTypeRec &Typ2, TfsScript *Script)
{
    TfsVarType T = Typ2.Typ;
    switch (Typ1.Typ) {
    case fvtInt:
        return T == fvtInt || T == fvtFloat || T == fvtVariant || T == fvtEnum;
    case fvtBool:
        return T == fvtBool || T == fvtVariant;
    case fvtFloat:
        return T == fvtInt || T == fvtFloat || T == fvtVariant;
    case fvtChar:
    case fvtString:
        return T == fvtChar || T == fvtString || T == fvtVariant;
    case fvtClass:
        return T == fvtVariant || (T == fvtClass && ClassCompatible(Typ1, Typ2, Script));
    case fvtArray:
        return T == fvtArray || T == fvtVariant;
    case fvtVariant:
        return true;
    case fvtEnum:
        return T == fvtInt || T == fvtVariant ||
               (T == fvtEnum && AnsiSameText(Typ1.TypeName, Typ2.TypeName));
    default:
        return false;
    }
}

bool AssignCompatible(TfsCustomVariable *Target, TfsCustomVariable *Source, TfsScript *Script)
{
    if (Target->Typ() == fvtInt && Source->Typ() == fvtFloat) return false;
    return TypesCompatible({Target->Typ(), Target->TypeName()}, {Source->Typ(), Source->TypeName()},
                           Script);
}

namespace
{

Variant ReadDefault(TfsParser &Parser, TfsScript *Script)
{
    AnsiString Token = Parser.GetNumber();
    if (!Token.IsEmpty()) return ParserStringToVariant(Token);
    Token = Parser.GetString();
    if (!Token.IsEmpty()) return ParserStringToVariant(Token);
    int Saved = Parser.Position();
    Parser.SkipSpaces();
    if (Parser.GetChar() == "-") {
        Token = Parser.GetNumber();
        if (!Token.IsEmpty()) return -ParserStringToVariant(Token);
    }
    Parser.SetPosition(Saved);
    Token = Parser.GetIdent();
    TfsCustomVariable *Item = Script && !Token.IsEmpty() ? Script->Find(Token) : nullptr;
    return Item ? Item->GetValue() : Null();
}

void ReadParameterGroup(TfsParser &Parser, TfsScript *Script, TfsCustomVariable &Result,
                        AnsiString &Next)
{
    std::vector<AnsiString> Names;
    bool ByRef = false;
    for (;;) {
        AnsiString Word = Parser.GetIdent();
        if (Word.IsEmpty()) throw Exception("Invalid method declaration");
        if (AnsiSameText(Word, "var")) {
            ByRef = true;
            continue;
        }
        if (AnsiSameText(Word, "const")) continue;
        Names.push_back(Word);
        Parser.SkipSpaces();
        AnsiString Separator = Parser.GetChar();
        if (Separator == ":") break;
        if (Separator != ",") throw Exception("Invalid method declaration");
    }
    AnsiString TypeName = Parser.GetIdent();
    Variant Default = Null();
    Parser.SkipSpaces();
    Next = Parser.GetChar();
    if (Next == "=") {
        Default = ReadDefault(Parser, Script);
        Parser.SkipSpaces();
        Next = Parser.GetChar();
    }
    TfsVarType Typ = StrToVarType(TypeName, Script);
    for (std::size_t I = 0; I < Names.size(); ++I) {
        // Only the last name of a group carries the default.
        bool Last = I + 1 == Names.size();
        bool Optional = Last && !VarIsNull(Default);
        auto Param = std::make_unique<TfsParamItem>(Names[I], Typ, TypeName, Optional, ByRef);
        if (Optional) {
            Param->SetValue(Default);
            Param->DefValue = Default;
        }
        Result.AddParam(std::move(Param));
    }
}

} // namespace

std::unique_ptr<TfsCustomVariable> ParseMethodSyntax(const AnsiString &Syntax, TfsScript *Script)
{
    TfsParser Parser;
    Parser.SetText(Syntax);
    AnsiString Word = Parser.GetIdent();
    bool Macro = Word.LowerCase().SubString(1, 5) == "macro";
    if (Macro) Word = Word.SubString(6, Word.Length());
    bool IsFunc = AnsiSameText(Word, "function");
    AnsiString Name = Parser.GetIdent();
    AnsiString TypeName;
    if (IsFunc) {
        int Colon = Syntax.LastDelimiter(":");
        TfsParser Tail;
        Tail.SetText(Syntax.SubString(Colon + 1, Syntax.Length()));
        TypeName = Tail.GetIdent();
    }
    auto Result =
        std::make_unique<TfsCustomVariable>(Name, StrToVarType(TypeName, Script), TypeName);
    Result->IsMacro = Macro;
    Parser.SkipSpaces();
    if (Parser.GetChar() == "(") {
        AnsiString Next;
        do
            ReadParameterGroup(Parser, Script, *Result, Next);
        while (Next == ";");
    }
    return Result;
}

// ---------------------------------------------------------------- contents

namespace
{

TfsXMLItem *AddEntry(TfsXMLItem *Parent, const AnsiString &Text)
{
    TfsXMLItem *Entry = Parent->Add();
    Entry->SetName("item");
    Entry->SetProp("text", Text);
    return Entry;
}

AnsiString IndexPropertyText(TfsMethodHelper *Member)
{
    AnsiString Types;
    for (int I = 0; I < Member->Count(); ++I)
        Types += (I > 0 ? ", " : "") + Member->Params(I)->TypeName();
    return "index property " + Member->Name() + "[" + Types + "]: " + Member->GetFullTypeName();
}

AnsiString MemberText(TfsCustomHelper *Member)
{
    if (auto *Method = dynamic_cast<TfsMethodHelper *>(Member))
        return Method->IndexMethod ? IndexPropertyText(Method) : Method->Syntax();
    if (dynamic_cast<TfsEventHelper *>(Member)) return "event " + Member->Name();
    return "property " + Member->Name() + ": " + Member->GetFullTypeName();
}

void AddClassEntry(TfsXMLItem *Classes, TfsClassVariable *Class)
{
    TfsXMLItem *Entry = AddEntry(Classes, Class->Name() + " = class(" + Class->Ancestor() + ")");
    for (int I = 0; I < Class->MembersCount(); ++I)
        AddEntry(Entry, MemberText(Class->Members(I)));
}

bool IsEnumType(TfsCustomVariable *Item)
{
    return Item->Typ() == fvtEnum && AnsiSameText(Item->Name(), Item->TypeName());
}

void AddVariableEntry(TfsXMLItem *Variables, TfsXMLItem *Constants, TfsCustomVariable *Item)
{
    AnsiString Text = Item->Name() + ": " + Item->GetFullTypeName();
    if (Item->IsReadOnly)
        AddEntry(Constants, Text + " = " + VarToStr(Item->GetValue()));
    else
        AddEntry(Variables, Text);
}

} // namespace

void GenerateXMLContents(TfsScript *Script, TfsXMLItem *Root, bool FunctionsOnly)
{
    TfsXMLItem *Functions = Root->FindItem("Functions");
    TfsXMLItem *Classes = Root->FindItem("Classes");
    TfsXMLItem *Types = Root->FindItem("Types");
    TfsXMLItem *Variables = Root->FindItem("Variables");
    TfsXMLItem *Constants = Root->FindItem("Constants");
    // Per enumeration type, its values in registration order.
    std::vector<std::pair<AnsiString, AnsiString>> Enums;
    std::map<std::string, std::size_t> EnumIndex;
    for (int I = 0; I < Script->Count(); ++I) {
        auto *Item = dynamic_cast<TfsCustomVariable *>(Script->Items(I));
        if (!Item) continue;
        if (auto *Method = dynamic_cast<TfsMethodHelper *>(Item)) {
            TfsXMLItem *Entry = AddEntry(Functions->FindItem(Method->Category), Method->Syntax());
            Entry->SetProp("description", Method->Description);
            continue;
        }
        if (FunctionsOnly) continue;
        if (auto *Class = dynamic_cast<TfsClassVariable *>(Item)) {
            AddClassEntry(Classes, Class);
        } else if (Item->Typ() == fvtEnum && dynamic_cast<TfsVariable *>(Item)) {
            if (IsEnumType(Item)) continue;
            auto [Where, Added] =
                EnumIndex.try_emplace(Item->TypeName().UpperCase().ToStd(), Enums.size());
            if (Added)
                Enums.emplace_back(Item->TypeName(), Item->Name());
            else
                Enums[Where->second].second += "," + Item->Name();
        } else if (dynamic_cast<TfsVariable *>(Item)) {
            AddVariableEntry(Variables, Constants, Item);
        }
    }
    for (const auto &[TypeName, Values] : Enums)
        AddEntry(Types, TypeName + ": (" + Values + ")");
}
