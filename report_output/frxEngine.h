#pragma once

// The band layout engine: turns a report's pages of bands into prepared
// pages, record by record, page by page.

#include "report/frxClass.h"
#include "report_output/frxAggregate.h"

#include <chrono>
#include <unordered_map>
#include <vector>

class TfrxXMLItem;

// Bands to show again at the top of every new page or column.
class TfrxHeaderList
{
public:
    struct TfrxHeaderListItem {
        TfrxBand *Band = nullptr; // empty: a missing title or header, or a title already printed
        double Left = 0;
        bool IsInKeep = false;
    };

    void AddItem(TfrxBand *Band, double Left, bool IsInKeep);
    void RemoveItem(TfrxBand *Band);
    void Clear() { FItems.clear(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    TfrxHeaderListItem &Items(int Index) { return FItems.at(static_cast<std::size_t>(Index)); }

private:
    std::vector<TfrxHeaderListItem> FItems;
};

class TfrxEngine : public TfrxCustomEngine
{
    QRV4_CLASS(TfrxEngine, TfrxCustomEngine)
    // Its scan of a page follows the bands as this engine wired them.
    friend class TfrxAggregateList;

public:
    explicit TfrxEngine(TfrxReport *AReport);
    ~TfrxEngine() override;

    void EndPage() override;
    void NewColumn() override;
    void NewPage() override;
    void ShowBand(TfrxBand *Band) override;
    void ShowBand(TClass BandClass) override;
    double FooterHeight() override;
    double FreeSpace() override;
    Variant GetAggregateValue(const AnsiString &Name, const AnsiString &Expression,
                              const Variant &Band, int Flags) override;
    bool Run() override;

private:
    // Where the output stands: the page, its column, the objects on the page so far and the
    // place of the next band.
    struct TMark {
        int Page = -1;
        int Column = 1;
        int Position = 0;
        double X = 0, Y = 0;
    };

    // What the run keeps for a band: its wiring and its counters.
    struct TBandState {
        std::vector<TfrxDataBand *> SubBands;
        TfrxBand *Header = nullptr;            // a data band's header
        TfrxBand *Footer = nullptr;            // a data band's footer, a group header's footer
        TfrxGroupHeader *Group = nullptr;      // a data band's outermost group
        std::vector<TfrxGroupHeader *> Groups; // a group header: itself and those nested in it
        Variant LastValue;                     // a group header's condition last seen
        int LineNo = 0, LineNoAll = 0;         // "Line" and "Line#"
        bool IsReprinting = false;
        bool ShiftTreeBuilt = false;
        bool HasVCells = false; // some of its objects were moved into vertical bands
        int DesignCount = -1;   // objects before subreports printed on the band added theirs
        TMark Row;              // a data band side by side: where its current row began
        // The band's objects with their stretcheable side, typed once per run.
        std::vector<TfrxComponent *> Objects;
        std::vector<TfrxReportComponent *> Components;
        std::vector<TfrxStretcheable *> Stretcheables;
    };

    TMark Here();

    TBandState &State(TfrxBand *Band) { return FBandStates[Band]; }
    TfrxReportPage *Page() const { return CurReportPage; }
    TfrxCustomPreviewPages *Pages() const;

    // The run.
    bool Initialize();
    void Finalize();
    void PreparePage(TStrings *Errors, bool Vertical);
    void MoveCellsIntoVerticalBands(TfrxBand *Band);
    void WireGroups(std::vector<TfrxBand *> &Bands, TStrings *Errors);
    void WireHeaders(std::vector<TfrxBand *> &Bands, TStrings *Errors);
    void WireDetails(std::vector<TfrxBand *> &Bands, std::size_t From, TfrxDataBand *Master,
                     std::vector<TfrxBand *> &Wired);
    void CheckDataSets(TStrings *Errors);
    bool RunDialogs();
    void RunReportPages();
    void RunPages();
    void RunPage(TfrxReportPage *APage);
    void RunPageBody(TfrxReportPage *APage);
    void ShowLooseObjects(TfrxReportPage *APage);
    bool CanShow(TObject *Obj, bool PrintIfEmpty);
    // Parent is a page (its top-level bands of that orientation) or a data band.
    void RunBands(TObject *Parent, bool Vertical = false);
    void RunDataBand(TfrxDataBand *Band);
    // The next record of a band's, a page's or the report's data set; a walk without an end
    // that nothing stopped fails the run.
    void NextRecord(TfrxDataBand *Band);
    void NextRecord(TfrxDataSet *DataSet);
    void PollMessages();
    void NotifyObjects(TfrxBand *Band);
    void InitPage();
    void AddPage();
    void ShowFixedBand(TfrxBand *Band);
    void AddBandOutline(TfrxBand *Band);
    void OutlineUp(TfrxBand *Band);
    void AddPageOutline();
    // Objects from Position on leave the page, and the records they print leave its totals.
    void CutRows(int Position);
    void PasteRows(double X, double Y);

    // The cells of a band whose objects lie in vertical bands: built before the
    // band is stretched, freed once it is out, wherever the band is shown.
    class TCellRow
    {
    public:
        TCellRow(TfrxEngine &Engine, TfrxBand *Band);
        ~TCellRow() { End(); }
        TCellRow(const TCellRow &) = delete;
        TCellRow &operator=(const TCellRow &) = delete;
        // Where the row breaks into pages; empty for a band without cells.
        const std::vector<int> &Breaks() const { return FBreaks; }

    private:
        void End();
        TfrxEngine &FEngine;
        TfrxBand *FBand;
        bool FActive;
        double FSavedX;
        TfrxBand *FSavedCellBand;
        std::vector<int> FBreaks;
    };

    // A band stretched for output while this lives; unstretched when it goes, also
    // when stretching or output throws.
    class TStretchedBand
    {
    public:
        TStretchedBand(TfrxEngine &Engine, TfrxBand *Band);
        ~TStretchedBand() noexcept(false);
        TStretchedBand(const TStretchedBand &) = delete;
        TStretchedBand &operator=(const TStretchedBand &) = delete;

    private:
        void UnStretchKeepingFirstError() noexcept;

        TfrxEngine &FEngine;
        TfrxBand *FBand;
        int FUnwinding; // exceptions in flight when the band was stretched
    };

    // One band onto the pages.
    void DoShow(TfrxBand *Band);
    void ShowChildInColumn(TfrxBand *Child, double Left);
    // Where the band went among the objects of the page it ends on.
    int OutputBand(TfrxBand *Band, bool MultiColumn, const std::vector<int> &Breaks);
    void AddToPages(TfrxBand *Band, const std::vector<int> &Breaks);
    TBandState &TypedObjects(TfrxBand *Band);
    void Stretch(TfrxBand *Band);
    void UnStretch(TfrxBand *Band);
    void PrepareShiftTree(TfrxBand *Band);
    void ShiftObjects(TfrxReportComponent *Parent, double Amount);
    int DrawSplit(TfrxBand *Band);
    void ShowParentSubreports(TfrxBand *Band);
    void CheckSubReports(TfrxBand *Band, TMark BandPlace);
    // The left of a page column for bands placed from Origin.
    double ColumnLeft(int Column, double Origin) const;
    // A place as it is after the kept blocks moved since the first of Moves.
    void FollowMoves(TMark &Place, std::size_t Moves) const;
    void FreeAddedObjects(TfrxBand *Band);
    void StartKeep(TfrxBand *Band);
    void StartKeep(TfrxBand *Band, const TMark &From);
    void EndKeep(TfrxBand *Band);
    // The kept block goes on whole at the current place, on a new page or in a new column.
    void PasteKeptBlock(const TMark &From);
    void InitGroups(TfrxGroupHeader *Group, std::size_t From, bool Reset);
    // Where a row of records side by side began.
    using TColumnRow = TMark;
    void CheckGroups(TfrxDataBand *DataBand, TfrxGroupHeader *Group, const TColumnRow &Row);
    void ShowGroupFooters(TfrxGroupHeader *Group, std::size_t From);
    // Closes the row at its last column; the next record goes beside or below.
    void CheckBandColumns(TfrxDataBand *Band, const TColumnRow &Row);
    void CheckRecordColumns(TfrxDataBand *Band, const TColumnRow &Row, double SavedY);
    void MoveColumnRow(const TColumnRow &Row, double Height);
    // Moves the row of a record that runs over the footer on, before its subreports start.
    void MoveRowOfRecord(TfrxDataBand *Band, TMark &Place);
    // Whether the current page column is no longer the one Row began in.
    bool RowLeftBehind(const TColumnRow &Row) const;
    void SetCurColumn(TfrxDataBand *Band, int Value);
    void EndColumn();
    // Where a page column ending at End closes: below the bands beside it that stay.
    double ClosingY(const TMark &End);
    void AddColumn();
    double ColumnPosition(int Column) const;
    void ResetSuppressValues(TfrxBand *Band);
    // Vertical bands: the cells of a wide band laid out left to right and
    // spread over as many pages as they need.
    void ShowVBands(TfrxBand *Band);
    void ShowVBand(TfrxBand *Band);
    void AddCellsOf(TfrxBand *Band);
    void OutputVPages(TfrxBand *Band, const std::vector<int> &Breaks);
    double FirstVerticalLeft() const;

    void AddToHeaderList(TfrxBand *Band);
    void RemoveFromHeaderList(TfrxBand *Band);
    void AddToVHeaderList(TfrxBand *Band);
    void RemoveFromVHeaderList(TfrxBand *Band);
    bool IsFirstRecord(TfrxBand *Band);

    TfrxAggregateList Aggregates;
    TfrxHeaderList HeaderList;
    std::unordered_map<TfrxBand *, TBandState> FBandStates;
    std::unordered_map<TfrxReportPage *, std::vector<TfrxDataBand *>> FPageDataBands;
    std::unordered_map<TfrxReportPage *, std::vector<TfrxDataBand *>> FPageVDataBands;
    // An object moved into a vertical band, and the band it came from.
    std::unordered_map<TfrxComponent *, TfrxBand *> FCellOrigin;
    std::unordered_map<TfrxComponent *, double> FShiftAmount;
    bool ReprintingHeaders = false;
    bool ShowingChildInColumns = false;
    bool ShowingSummary = false;
    // The current page column has its footer.
    bool ColumnEnded = false;
    TfrxBand *CurrentBand = nullptr;
    bool FirstReportPage = false;
    bool NothingShownYet = false;
    bool FirstPageOfRun = false;
    bool LastPageOfRun = false;
    TfrxBand *KeepingBand = nullptr;
    bool Keeping = false;
    TfrxXMLItem *KeepOutlinePosition = nullptr;
    // Where the kept block began; its objects on the page follow from its position.
    TMark KeepStart;
    // What the current page column holds up to a position reaches down to its Y: the records
    // side by side of a row and the bands whose subreports run beside them.
    std::vector<TMark> Floors;
    TfrxDataBand *RowBand = nullptr;
    // Kept blocks moved while subreports run beside their band, which must follow it.
    struct TBlockMove {
        TMark From, To;
    };
    std::vector<TBlockMove> FBlockMoves;
    int FFollowingMoves = 0;
    TfrxReportPage *CurReportPage = nullptr;
    double OriginX = 0;
    TfrxBand *PageBreakBand = nullptr;
    // While set, shown bands are copied under it instead of going to the pages.
    TfrxComponent *RedirectTarget = nullptr;
    std::chrono::steady_clock::time_point FLastPoll;
    bool OutputtingVPages = false;
    std::vector<TfrxBand *> VHeaderList;
    TfrxBand *VCellBand = nullptr;
    // Where the cells of VCellBand break into pages, as counts of its objects.
    std::vector<int> VPageBreaks;
};

// Makes this engine and the prepared-page store the output of every report
// created afterwards; the program calls it once at start-up.
void frxRegisterOutput();
