// Data sets: the range and navigation of a cursor, the host's user data set,
// the report's list of data sets and the process-wide list names resolve in.

#include "report/frxClass.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxGraphicUtils.h"
#include "report/frxRes.h"

namespace
{

bool AcceptableTo(TfrxDataSet *DataSet, TComponent *Owner)
{
    if (!dynamic_cast<TfrxReport *>(Owner)) return true;
    TComponent *DataSetOwner = DataSet->Owner();
    return !dynamic_cast<TfrxReport *>(DataSetOwner) || DataSetOwner == Owner;
}

using TfrxDataSetListLock = TfrxScopedLock<TfrxGlobalDataSetList>;

TfrxDataSet *DataSetAt(TfrxGlobalDataSetList *List, int Index)
{
    return static_cast<TfrxDataSet *>(List->Items(Index));
}

} // namespace

TfrxGlobalDataSetList *frxGlobalDataSets()
{
    static TfrxGlobalDataSetList Instance;
    return &Instance;
}

TfrxDataSet *frxFindDataSet(TfrxDataSet *DataSet, const AnsiString &Name, TComponent *Owner)
{
    if (Name.IsEmpty()) return nullptr;
    if (!Owner) return DataSet;
    TfrxGlobalDataSetList *List = frxGlobalDataSets();
    TfrxDataSetListLock Locked(List);
    for (int i = 0; i < List->Count(); ++i) {
        TfrxDataSet *Candidate = DataSetAt(List, i);
        if (AnsiSameText(Candidate->UserName(), Name) && AcceptableTo(Candidate, Owner))
            return Candidate;
    }
    return DataSet;
}

void frxGetDataSetList(TStrings *List)
{
    TfrxGlobalDataSetList *All = frxGlobalDataSets();
    TfrxDataSetListLock Locked(All);
    List->Clear();
    for (int i = 0; i < All->Count(); ++i) {
        TfrxDataSet *DataSet = DataSetAt(All, i);
        if (!DataSet->UserName().IsEmpty() && DataSet->Enabled())
            List->AddObject(DataSet->UserName(), DataSet);
    }
}

// ---- TfrxDataSet ----

TfrxDataSet::TfrxDataSet(TComponent *AOwner) : TfrxDialogComponent(AOwner)
{
    TfrxDataSetListLock Locked(frxGlobalDataSets());
    frxGlobalDataSets()->Add(this);
}

TfrxDataSet::~TfrxDataSet()
{
    TfrxDataSetListLock Locked(frxGlobalDataSets());
    frxGlobalDataSets()->Remove(this);
}

void TfrxDataSet::SetName(const AnsiString &NewName)
{
    const AnsiString OldName = Name();
    TfrxDialogComponent::SetName(NewName);
    if (!NewName.IsEmpty() && (FUserName.IsEmpty() || FUserName == OldName)) FUserName = NewName;
}

void TfrxDataSet::SetUserName(const AnsiString &Value)
{
    if (Trim(Value).IsEmpty()) throw Exception(frxResources()->Get("prInvProp"));
    FUserName = Value;
}

void TfrxDataSet::Open()
{
    if (OnOpen) OnOpen(this);
}

void TfrxDataSet::Close()
{
    if (OnClose) OnClose(this);
}

void TfrxDataSet::First()
{
    FRecNo = 0;
    if (OnFirst) OnFirst(this);
}

void TfrxDataSet::Next()
{
    ++FRecNo;
    if (FRangeEnd == reCount && FRecNo >= FRangeEndCount) return;
    if (OnNext) OnNext(this);
}

void TfrxDataSet::Prior()
{
    --FRecNo;
    if (OnPrior) OnPrior(this);
}

bool TfrxDataSet::Eof()
{
    bool Result = FRangeEnd == reCount && FRecNo >= FRangeEndCount;
    if (OnCheckEOF) OnCheckEOF(this, Result);
    return Result;
}

int TfrxDataSet::RecordCount()
{
    return FRangeBegin == rbFirst && FRangeEnd == reCount ? FRangeEndCount : 0;
}

bool TfrxDataSet::HasField(const AnsiString &FieldName)
{
    TStringList Fields;
    GetFieldList(&Fields);
    return Fields.IndexOf(FieldName) >= 0;
}

// ---- TfrxUserDataSet ----

TfrxUserDataSet::TfrxUserDataSet(TComponent *AOwner) : TfrxDataSet(AOwner) {}

Variant TfrxUserDataSet::GetValue(const AnsiString &Index)
{
    Variant Result = ::Null();
    if (OnGetValue) OnGetValue(Index, Result);
    return Result;
}

AnsiString TfrxUserDataSet::GetDisplayText(const AnsiString &Index)
{
    if (!OnGetValue) return AnsiString();
    return VarToStr(GetValue(Index));
}

// ---- database data sets ----

TfrxCustomDBDataSet::TfrxCustomDBDataSet(TComponent *AOwner) : TfrxDataSet(AOwner)
{
    FFields->SetSorted(true);
    FFields->SetDuplicates(dupIgnore);
}

int TfrxCustomDBDataSet::FieldsCount()
{
    TStringList Fields;
    GetFieldList(&Fields);
    return Fields.Count();
}

AnsiString TfrxCustomDBDataSet::ConvertAlias(const AnsiString &Alias) const
{
    for (int i = 0; i < FFieldAliases->Count(); ++i) {
        const AnsiString Line = FFieldAliases->Strings(i);
        const int Equals = Line.Pos("=");
        if (Equals > 0 && AnsiSameText(Line.SubString(Equals + 1, Line.Length()), Alias))
            return Line.SubString(1, Equals - 1);
    }
    return Alias;
}

AnsiString TfrxCustomDBDataSet::GetAlias(const AnsiString &FieldName) const
{
    const int Index = FFieldAliases->IndexOfName(FieldName);
    return Index >= 0 ? FFieldAliases->ValueFromIndex(Index) : FieldName;
}

void TfrxCustomDatabase::BeforeConnect(bool &Connected)
{
    TfrxReport *Report = GetReport();
    if (Report && Report->OnBeforeConnect) Report->OnBeforeConnect(this, Connected);
}

// ---- the report's list ----

void TfrxDataSetItem::SetDataSet(TfrxDataSet *Value)
{
    FDataSet = Value;
    FDataSetName = Value ? Value->UserName() : AnsiString();
    WatchDataSet();
}

void TfrxDataSetItem::WatchDataSet()
{
    // The report drops the item when the data set goes, wherever it lives.
    if (FDataSet && Report()) FDataSet->FreeNotification(Report());
}

TfrxReport *TfrxDataSetItem::Report() const
{
    auto *List = static_cast<TfrxReportDataSets *>(Collection());
    return List ? List->Report() : nullptr;
}

AnsiString TfrxDataSetItem::GetDataSetName() const
{
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TfrxDataSetItem::SetDataSetName(const AnsiString &Value)
{
    FDataSetName = Value;
    FDataSet = frxFindDataSet(FDataSet, Value, Report());
    WatchDataSet();
}

TfrxReportDataSets::TfrxReportDataSets(TfrxReport *Report)
    : TCollection(TfrxDataSetItem::StaticClass()), FReport(Report)
{
}

TfrxDataSetItem *TfrxReportDataSets::Add(TfrxDataSet *DataSet)
{
    auto *Item = static_cast<TfrxDataSetItem *>(TCollection::Add());
    Item->SetDataSet(DataSet);
    return Item;
}

TfrxDataSetItem *TfrxReportDataSets::Items(int Index) const
{
    return static_cast<TfrxDataSetItem *>(TCollection::Items(Index));
}

TfrxDataSetItem *TfrxReportDataSets::Find(TfrxDataSet *DataSet) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->DataSet() == DataSet) return Items(i);
    return nullptr;
}

TfrxDataSetItem *TfrxReportDataSets::Find(const AnsiString &Name) const
{
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->DataSet() && AnsiSameText(Items(i)->DataSet()->UserName(), Name))
            return Items(i);
    return nullptr;
}

void TfrxReportDataSets::Delete(const AnsiString &Name)
{
    if (TfrxDataSetItem *Item = Find(Name)) TCollection::Delete(Item->Index());
}

void TfrxReportDataSets::Initialize()
{
    for (int i = 0; i < Count(); ++i)
        if (TfrxDataSet *DataSet = Items(i)->DataSet()) {
            DataSet->SetReportRef(FReport);
            DataSet->Initialize();
        }
}

void TfrxReportDataSets::Finalize()
{
    for (int i = 0; i < Count(); ++i)
        if (TfrxDataSet *DataSet = Items(i)->DataSet()) DataSet->Finalize();
}
