#include "script/fs_itools.h"

#include "platform/rtl/SysUtils.h"
#include "script/fs_ibasic.h"
#include "script/fs_iconst.h"
#include "script/fs_icpp.h"
#include "script/fs_ijs.h"
#include "script/fs_ipascal.h"

#include <climits>
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
