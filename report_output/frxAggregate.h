#pragma once

// The aggregate functions SUM, AVG, MIN, MAX and COUNT of footer memos:
// collectors made before the run and fed by every shown data band.

#include "platform/rtl/Classes.h"
#include "platform/rtl/Variants.h"

#include <functional>
#include <memory>
#include <vector>

class TfrxBand;
class TfrxComponent;
class TfrxCustomMemoView;
class TfrxDataBand;
class TfrxReport;
class TfrxReportPage;

enum TfrxAggregateFunction { agSum, agAvg, agMin, agMax, agCount };

class TfrxAggregateItem
{
public:
    explicit TfrxAggregateItem(TfrxReport *Report) : FReport(Report) {}

    // One record, printed at Position among the objects of the current page.
    void Calc(int Position = 0);
    void Reset();
    // A page or column total gives up the records printed from Position on, which go to
    // another page or column with their objects, and takes them in again where those land;
    // every cut is pasted, the latest first.
    void Cut(int Position);
    void Paste(int Position);
    Variant Value() const;

    TfrxAggregateFunction FFunction = agCount;
    TfrxDataBand *FBand = nullptr;
    bool FCountInvisible = false;
    bool FRunning = false;
    AnsiString FExpression;
    // In a page or column footer: it totals the records printed where it stands.
    bool FFollowsRecords = false;
    int FCount = 0;
    Variant FValue = ::Null();
    AnsiString FMemoName;
    AnsiString FText;
    TfrxBand *FParentBand = nullptr;
    int FVColumn = 0;

private:
    // Per vertical column, grown as columns come; empty while no column fed.
    std::vector<Variant> FVColumnValues;
    std::vector<int> FVColumnCounts;
    TfrxReport *FReport;
    // The records of a page or column total that may still leave their place: where each was
    // printed, and what it brought; those moving are placed from the start of their cut. A
    // move may happen while another waits to land: each paste lands the latest cut.
    struct TRecord {
        int Position;
        Variant Value;
    };
    std::vector<TRecord> FOnPage;
    std::vector<std::vector<TRecord>> FMoves;
    // The total without the records on the page.
    int FBaseCount = 0;
    Variant FBaseValue = ::Null();

    void Recount();
};

class TfrxAggregateList
{
public:
    explicit TfrxAggregateList(TfrxReport *Report) : FReport(Report) {}

    void Clear()
    {
        FItems.clear();
        FCountedAhead = nullptr;
    }
    // The aggregate calls in the footers and summaries of the page's wired data bands.
    void AddItems(TfrxReportPage *Page);
    void FindAggregates(TfrxCustomMemoView *Memo, TfrxDataBand *DataBand);
    void AddValue(TfrxBand *Band, int VColumn = 0, int Position = 0);
    // The band's record counted before the band is done (a band split over pages, where its
    // first part prints); the band's AddValue afterwards is the same record and adds nothing.
    void AddValueAhead(TfrxBand *Band, int Position);
    void Reset(TfrxBand *Band);
    void Cut(int Position);
    void Paste(int Position);
    void ClearValues();
    Variant GetValue(TfrxBand *ParentBand, int VColumn, const AnsiString &Name,
                     const AnsiString &Expression, TfrxBand *Band, int Flags);
    Variant GetValue(TfrxBand *ParentBand, const AnsiString &Text, int VColumn);

    int Count() const { return static_cast<int>(FItems.size()); }
    TfrxAggregateItem *Items(int Index) const { return FItems.at(Index).get(); }

    // Function, expression, band and flags of one call such as "SUM(<x>, MasterData1, 2)".
    // The horizontal band a memo moved into a vertical band came from, when it did.
    std::function<TfrxBand *(TfrxComponent *)> CellOrigin;

    static void ParseName(TfrxReport *Report, const AnsiString &Text,
                          TfrxAggregateFunction &Function, AnsiString &Expression,
                          TfrxDataBand *&Band, bool &CountInvisible, bool &Running);

private:
    // Every memo directly in Band.
    void ScanBand(TfrxBand *Band, TfrxDataBand *DataBand);
    void ScanExpression(const AnsiString &Expression, TfrxCustomMemoView *Memo,
                        TfrxDataBand *DataBand, int Depth);
    void ScanNamed(const AnsiString &Name, TfrxCustomMemoView *Memo, TfrxDataBand *DataBand,
                   int Depth);
    void AddItem(const AnsiString &Text, TfrxCustomMemoView *Memo, TfrxDataBand *DataBand);

    std::vector<std::unique_ptr<TfrxAggregateItem>> FItems;
    TfrxReport *FReport;
    TfrxBand *FCountedAhead = nullptr;
};
