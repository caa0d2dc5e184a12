// Aggregate collectors: finding the calls in footer memos, feeding them per
// record, keep blocks that move to the next page, and reading them back.

#include "report_output/frxAggregate.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxClass.h"
#include "report/frxUtils.h"
#include "report/frxVariables.h"
#include "report_output/frxEngine.h"

#include <algorithm>
#include <cstring>

namespace
{

// Variables that name each other would send the scan round for ever.
constexpr int MaxVariableDepth = 32;

bool IsControl(char Ch)
{
    return static_cast<unsigned char>(Ch) < 32;
}

bool IsSkipped(char Ch)
{
    if (static_cast<unsigned char>(Ch) >= 128) return false;
    return IsControl(Ch) || Ch == ' ' || std::strchr("!#$%&*+,-./0123456789=[]^|", Ch);
}

bool EndsIdentifier(char Ch)
{
    if (static_cast<unsigned char>(Ch) >= 128) return false;
    // The closing brackets end a name too, or "(<x>)" would never be left.
    return IsControl(Ch) || Ch == ' ' || std::strchr("!#$%&(*+,-./=[]^|)<>\"'", Ch);
}

// Position of the character closing the bracket opened at From, or past the end.
int MatchingClose(const AnsiString &Text, int From, char Open, char Close)
{
    int Depth = 0;
    char Quote = 0;
    for (int i = From; i <= Text.Length(); ++i) {
        const char Ch = Text[i];
        if (Quote) {
            if (Ch == Quote) Quote = 0;
        } else if (Ch == '\'' || (Ch == '"' && Open != '"')) {
            Quote = Ch;
        } else if (Ch == Open) {
            ++Depth;
        } else if (Ch == Close && --Depth == 0) {
            return i;
        }
    }
    return Text.Length() + 1;
}

bool IsAggregateName(const AnsiString &Name)
{
    return Name == "SUM" || Name == "MIN" || Name == "MAX" || Name == "AVG" || Name == "COUNT";
}

// The arguments between the call's parentheses, split at the commas that
// are outside quotes and inner parentheses.
std::vector<AnsiString> SplitArguments(const AnsiString &Text)
{
    std::vector<AnsiString> Result;
    const int Open = Text.Pos("(");
    if (Open == 0) return Result;
    int Depth = 0;
    bool Quoted = false;
    AnsiString Current;
    for (int i = Open + 1; i <= Text.Length(); ++i) {
        const char Ch = Text[i];
        if (Ch == '\'') Quoted = !Quoted;
        if (!Quoted) {
            if (Ch == '(') ++Depth;
            if (Ch == ')' && Depth-- == 0) break;
            if (Ch == ',' && Depth == 0) {
                Result.push_back(Trim(Current));
                Current = AnsiString();
                continue;
            }
        }
        Current += Ch;
    }
    Result.push_back(Trim(Current));
    return Result;
}

AnsiString ArgumentAt(const std::vector<AnsiString> &Arguments, std::size_t Index)
{
    return Index < Arguments.size() ? Arguments[Index] : AnsiString();
}

// Adds V to the collected Value by the function's rule.
void Collect(TfrxAggregateFunction Function, Variant &Value, const Variant &V)
{
    if (VarIsNull(Value)) {
        Value = V;
        return;
    }
    if (VarIsNull(V)) return;
    switch (Function) {
    case agSum:
    case agAvg:
        Value = Value + V;
        break;
    case agMin:
        if (V < Value) Value = V;
        break;
    case agMax:
        if (V > Value) Value = V;
        break;
    case agCount:
        break;
    }
}

void Feed(TfrxAggregateFunction Function, int &Count, Variant &Value, const Variant &V)
{
    if (Function != agAvg || !VarIsNull(V)) ++Count;
    Collect(Function, Value, V);
}

Variant Result(TfrxAggregateFunction Function, int Count, const Variant &Value)
{
    if (Function == agCount) return Count;
    if (VarIsNull(Value) || VarIsEmpty(Value)) return 0;
    if (Function == agAvg) return Count == 0 ? Variant(0) : Value / Variant(Count);
    return Value;
}

} // namespace

// ---- one collector ----

void TfrxAggregateItem::Calc(int Position)
{
    if (!FBand->Visible() && !FCountInvisible) return;
    FReport->SetCurObject(FMemoName);
    Variant V = FFunction == agCount ? ::Null() : FReport->Calc(FExpression);
    if (V.Type() == varBoolean && V.AsBoolean()) V = 1;
    if (FVColumn > 0) {
        const auto Index = static_cast<std::size_t>(FVColumn);
        if (FVColumnValues.size() <= Index) {
            FVColumnValues.resize(Index + 1, ::Null());
            FVColumnCounts.resize(Index + 1, 0);
        }
        Feed(FFunction, FVColumnCounts[Index], FVColumnValues[Index], V);
        return;
    }
    if (FFollowsRecords) FOnPage.push_back({Position, V});
    Feed(FFunction, FCount, FValue, V);
}

void TfrxAggregateItem::Recount()
{
    FCount = FBaseCount;
    FValue = FBaseValue;
    for (const TRecord &Record : FOnPage)
        Feed(FFunction, FCount, FValue, Record.Value);
}

void TfrxAggregateItem::Cut(int Position)
{
    if (!FFollowsRecords) return;
    const auto Stays =
        std::stable_partition(FOnPage.begin(), FOnPage.end(),
                              [Position](const TRecord &R) { return R.Position < Position; });
    std::vector<TRecord> &Moving = FMoves.emplace_back();
    for (auto At = Stays; At != FOnPage.end(); ++At)
        Moving.push_back({At->Position - Position, At->Value});
    if (Moving.empty()) return;
    FOnPage.erase(Stays, FOnPage.end());
    Recount();
}

void TfrxAggregateItem::Paste(int Position)
{
    if (FMoves.empty()) return;
    for (const TRecord &Record : FMoves.back()) {
        FOnPage.push_back({Position + Record.Position, Record.Value});
        Feed(FFunction, FCount, FValue, Record.Value);
    }
    FMoves.pop_back();
}

void TfrxAggregateItem::Reset()
{
    // The page is done: none of its records moves any more.
    FOnPage.clear();
    if (FRunning && FCount != 0) {
        FBaseCount = FCount;
        FBaseValue = FValue;
        return;
    }
    FCount = FBaseCount = 0;
    FValue = FBaseValue = ::Null();
    FVColumnValues.clear();
    FVColumnCounts.clear();
}

Variant TfrxAggregateItem::Value() const
{
    if (FVColumnValues.empty()) return Result(FFunction, FCount, FValue);
    const auto Index = static_cast<std::size_t>(FVColumn);
    if (Index >= FVColumnValues.size()) return 0;
    return Result(FFunction, FVColumnCounts[Index], FVColumnValues[Index]);
}

// ---- the list ----

void TfrxAggregateList::AddItems(TfrxReportPage *Page)
{
    TfrxEngine &Engine = dynamic_cast<TfrxEngine &>(*FReport->Engine());
    const std::vector<TfrxDataBand *> &TopLevel = Engine.FPageDataBands[Page];
    std::vector<TfrxDataBand *> Walk(TopLevel.begin(), TopLevel.end());
    const std::vector<TfrxDataBand *> &VTopLevel = Engine.FPageVDataBands[Page];
    Walk.insert(Walk.end(), VTopLevel.begin(), VTopLevel.end());
    while (!Walk.empty()) {
        TfrxDataBand *Band = Walk.back();
        Walk.pop_back();
        TfrxEngine::TBandState &S = Engine.State(Band);
        ScanBand(S.Footer, Band);
        if (S.Group)
            for (TfrxGroupHeader *Group : Engine.State(S.Group).Groups)
                ScanBand(Engine.State(Group).Footer, Band);
        if (Band->Vertical()) ScanBand(Band, Band);
        Walk.insert(Walk.end(), S.SubBands.begin(), S.SubBands.end());
    }
    if (TopLevel.empty()) return;
    for (TClass Class : {TfrxPageFooter::StaticClass(), TfrxColumnFooter::StaticClass(),
                         TfrxReportSummary::StaticClass()})
        ScanBand(Page->FindBand(Class), TopLevel.front());
}

void TfrxAggregateList::ScanBand(TfrxBand *Band, TfrxDataBand *DataBand)
{
    if (!Band) return;
    TList *Objects = Band->Objects();
    for (int i = 0; i < Objects->Count(); ++i)
        if (auto *Memo =
                dynamic_cast<TfrxCustomMemoView *>(static_cast<TfrxComponent *>(Objects->Items(i))))
            FindAggregates(Memo, DataBand);
}

void TfrxAggregateList::FindAggregates(TfrxCustomMemoView *Memo, TfrxDataBand *DataBand)
{
    if (!Memo->AllowExpressions()) return;
    const AnsiString &Delimiters = Memo->ExpressionDelimiters();
    const int Comma = Delimiters.Pos(",");
    const AnsiString Open = Comma ? Delimiters.SubString(1, Comma - 1) : Delimiters;
    const AnsiString Close = Comma ? Delimiters.SubString(Comma + 1, Delimiters.Length()) : "";
    if (Open.IsEmpty()) return;
    const AnsiString Text(Memo->Text());
    int i = Text.Pos(Open);
    while (i > 0) {
        int j = 0;
        const AnsiString Expression = frxGetBrackedVariable(Text, Open, Close, i, j);
        if (i == j) break;
        ScanNamed(Expression, Memo, DataBand, 0);
        const int Next = Text.SubString(j + 1, Text.Length()).Pos(Open);
        i = Next > 0 ? j + Next : 0;
    }
}

void TfrxAggregateList::ScanNamed(const AnsiString &Name, TfrxCustomMemoView *Memo,
                                  TfrxDataBand *DataBand, int Depth)
{
    if (Depth > MaxVariableDepth) return;
    const int Variable = FReport->Variables()->IndexOf(Name);
    if (Variable >= 0) {
        ScanExpression(VarToStr(FReport->Variables()->Items(Variable)->Value()), Memo, DataBand,
                       Depth + 1);
        return;
    }
    TfrxDataSet *DataSet;
    AnsiString Field;
    FReport->GetDatasetAndField(Name, DataSet, Field);
    if (DataSet && !Field.IsEmpty()) return;
    ScanExpression(Name, Memo, DataBand, Depth);
}

void TfrxAggregateList::ScanExpression(const AnsiString &Expression, TfrxCustomMemoView *Memo,
                                       TfrxDataBand *DataBand, int Depth)
{
    const int Length = Expression.Length();
    int i = 1;
    while (i <= Length) {
        while (i <= Length && IsSkipped(Expression[i]))
            ++i;
        if (i > Length) break;
        const char Ch = Expression[i];
        if (Ch == '"' || Ch == '\'') {
            int j = i + 1;
            while (j <= Length && Expression[j] != Ch)
                ++j;
            i = j + 1;
        } else if (Ch == '(' || Ch == '<') {
            const char Close = Ch == '(' ? ')' : '>';
            const int j = MatchingClose(Expression, i, Ch, Close);
            ScanExpression(Expression.SubString(i + 1, j - i - 1), Memo, DataBand, Depth);
            i = j + 1;
        } else {
            int j = i;
            while (j <= Length && !EndsIdentifier(Expression[j]))
                ++j;
            if (j == i) {
                ++i;
                continue;
            }
            const AnsiString Identifier = Expression.SubString(i, j - i);
            if (IsAggregateName(UpperCase(Identifier)) && j <= Length && Expression[j] == '(') {
                const int Close = MatchingClose(Expression, j, '(', ')');
                AddItem(Trim(Expression.SubString(i, Close - i + 1)), Memo, DataBand);
                i = Close + 1;
            } else {
                if (Depth < MaxVariableDepth && FReport->Variables()->IndexOf(Identifier) >= 0)
                    ScanNamed(Identifier, Memo, DataBand, Depth + 1);
                i = j;
            }
        }
    }
}

void TfrxAggregateList::ParseName(TfrxReport *Report, const AnsiString &Text,
                                  TfrxAggregateFunction &Function, AnsiString &Expression,
                                  TfrxDataBand *&Band, bool &CountInvisible, bool &Running)
{
    const int Open = Text.Pos("(");
    const AnsiString Name = UpperCase(Trim(Open ? Text.SubString(1, Open - 1) : Text));
    if (Name == "SUM")
        Function = agSum;
    else if (Name == "MIN")
        Function = agMin;
    else if (Name == "MAX")
        Function = agMax;
    else if (Name == "AVG")
        Function = agAvg;
    else
        Function = agCount;
    const std::vector<AnsiString> Arguments = SplitArguments(Text);
    const std::size_t First = Function == agCount ? 0 : 1;
    Expression = Function == agCount ? AnsiString() : ArgumentAt(Arguments, 0);
    const AnsiString BandName = ArgumentAt(Arguments, First);
    const AnsiString FlagsText = ArgumentAt(Arguments, First + 1);
    Band =
        BandName.IsEmpty() ? nullptr : dynamic_cast<TfrxDataBand *>(Report->FindObject(BandName));
    const int Flags = FlagsText.IsEmpty() ? 0 : StrToInt(FlagsText);
    CountInvisible = (Flags & 1) != 0;
    Running = (Flags & 2) != 0;
}

void TfrxAggregateList::AddItem(const AnsiString &Text, TfrxCustomMemoView *Memo,
                                TfrxDataBand *DataBand)
{
    auto Item = std::make_unique<TfrxAggregateItem>(FReport);
    ParseName(FReport, Text, Item->FFunction, Item->FExpression, Item->FBand, Item->FCountInvisible,
              Item->FRunning);
    if (!Item->FBand) Item->FBand = DataBand;
    if (!Item->FBand) return;
    Item->FParentBand = dynamic_cast<TfrxBand *>(Memo->Parent());
    // A total in a footer's cell belongs to the footer, not to the column it was laid out in.
    if (TfrxBand *Origin = CellOrigin ? CellOrigin(Memo) : nullptr;
        Origin &&
        (dynamic_cast<TfrxReportSummary *>(Origin) || dynamic_cast<TfrxPageFooter *>(Origin) ||
         dynamic_cast<TfrxFooter *>(Origin) || dynamic_cast<TfrxGroupFooter *>(Origin)))
        Item->FParentBand = Origin;
    Item->FFollowsRecords = dynamic_cast<TfrxPageFooter *>(Item->FParentBand) ||
                            dynamic_cast<TfrxColumnFooter *>(Item->FParentBand);
    Item->FText = Text;
    Item->FMemoName = Memo->Name();
    Item->Reset();
    FItems.push_back(std::move(Item));
}

void TfrxAggregateList::AddValue(TfrxBand *Band, int VColumn, int Position)
{
    if (Band == FCountedAhead) {
        FCountedAhead = nullptr;
        return;
    }
    for (auto &Item : FItems)
        if (Item->FBand == Band) {
            Item->FVColumn = VColumn;
            Item->Calc(Position);
        }
}

void TfrxAggregateList::AddValueAhead(TfrxBand *Band, int Position)
{
    if (Band == FCountedAhead) return;
    AddValue(Band, 0, Position);
    FCountedAhead = Band;
}

void TfrxAggregateList::Reset(TfrxBand *Band)
{
    for (auto &Item : FItems)
        if (Item->FParentBand == Band) Item->Reset();
}

void TfrxAggregateList::Cut(int Position)
{
    for (auto &Item : FItems)
        Item->Cut(Position);
}

void TfrxAggregateList::Paste(int Position)
{
    for (auto &Item : FItems)
        Item->Paste(Position);
}

void TfrxAggregateList::ClearValues()
{
    FCountedAhead = nullptr;
    for (auto &Item : FItems) {
        const bool Running = Item->FRunning;
        Item->FRunning = false;
        Item->Reset();
        Item->FRunning = Running;
    }
}

Variant TfrxAggregateList::GetValue(TfrxBand *ParentBand, int VColumn, const AnsiString &Name,
                                    const AnsiString &Expression, TfrxBand *Band, int Flags)
{
    TfrxAggregateFunction Function = agCount;
    const AnsiString Upper = UpperCase(Name);
    if (Upper == "SUM")
        Function = agSum;
    else if (Upper == "AVG")
        Function = agAvg;
    else if (Upper == "MIN")
        Function = agMin;
    else if (Upper == "MAX")
        Function = agMax;
    const AnsiString Wanted = Trim(Expression);
    for (auto &Item : FItems) {
        if (Item->FParentBand != ParentBand || Item->FFunction != Function) continue;
        if (!AnsiSameText(Item->FExpression, Wanted)) continue;
        if (Band && static_cast<TfrxBand *>(Item->FBand) != Band) continue;
        if (Item->FCountInvisible != ((Flags & 1) != 0) || Item->FRunning != ((Flags & 2) != 0))
            continue;
        Item->FVColumn = VColumn;
        return Item->Value();
    }
    return ::Null();
}

Variant TfrxAggregateList::GetValue(TfrxBand *ParentBand, const AnsiString &Text, int VColumn)
{
    for (auto &Item : FItems)
        if (Item->FParentBand == ParentBand && AnsiSameText(Item->FText, Text)) {
            Item->FVColumn = VColumn;
            return Item->Value();
        }
    return ::Null();
}
