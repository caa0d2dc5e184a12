// Data sets: the range and navigation of a cursor, the host's user data set,
// the report's list of data sets and the process-wide list names resolve in.

#include "report/frxClass.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxRes.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace
{

struct GlobalDataSets {
    std::mutex Lock;
    std::vector<TfrxDataSet *> List;
};

GlobalDataSets &Global()
{
    static GlobalDataSets Instance;
    return Instance;
}

bool AcceptableTo(TfrxDataSet *DataSet, TComponent *Owner)
{
    if (!dynamic_cast<TfrxReport *>(Owner)) return true;
    TComponent *DataSetOwner = DataSet->Owner();
    return !dynamic_cast<TfrxReport *>(DataSetOwner) || DataSetOwner == Owner;
}

} // namespace

TfrxDataSet *frxFindDataSet(TfrxDataSet *DataSet, const AnsiString &Name, TComponent *Owner)
{
    if (Name.IsEmpty()) return nullptr;
    if (!Owner) return DataSet;
    GlobalDataSets &G = Global();
    std::lock_guard<std::mutex> Guard(G.Lock);
    for (TfrxDataSet *Candidate : G.List)
        if (AnsiSameText(Candidate->UserName(), Name) && AcceptableTo(Candidate, Owner))
            return Candidate;
    return DataSet;
}

void frxGetDataSetList(TStrings *List)
{
    GlobalDataSets &G = Global();
    std::lock_guard<std::mutex> Guard(G.Lock);
    List->Clear();
    for (TfrxDataSet *DataSet : G.List)
        if (!DataSet->UserName().IsEmpty() && DataSet->Enabled())
            List->AddObject(DataSet->UserName(), DataSet);
}

// ---- TfrxDataSet ----

TfrxDataSet::TfrxDataSet(TComponent *AOwner) : TfrxDialogComponent(AOwner)
{
    GlobalDataSets &G = Global();
    std::lock_guard<std::mutex> Guard(G.Lock);
    G.List.push_back(this);
}

TfrxDataSet::~TfrxDataSet()
{
    GlobalDataSets &G = Global();
    std::lock_guard<std::mutex> Guard(G.Lock);
    G.List.erase(std::remove(G.List.begin(), G.List.end(), this), G.List.end());
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

AnsiString TfrxDataSetItem::DataSetName() const
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
