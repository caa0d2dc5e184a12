// Layouts made from fixed seeds, each prepared and read back page by page: whatever the
// engine moves between pages and columns (kept blocks, kept footers, rows of columns, split
// bands, details and subreports that go on), every record prints once and in order, every
// total is what its page, column or group printed, nothing lies off the sheet, over the page
// footer, outside its column or over another band, and a second run prints the same pages.

#include "tests/report_output/EngineTestSupport.h"
#include "tests/report_output/LinesView.h"

#include "report/frxPrinter.h"
#include "report/frxRes.h"
#include "report_output/frxPreviewPages.h"
#include "report_output/frxPreviewPagesPrint.h"
#include "tests/support/PrintTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <set>
#include <sstream>

using namespace enginetest;

namespace
{

constexpr double Tolerance = 0.01;
// The printable area of the builder's A4 page with 10 mm margins.
const double PageWidth = 210 * 3.77953 - 20 * 3.77953;
const double PageHeight = 297 * 3.77953 - 20 * 3.77953;
constexpr double LineHeight = 20;
// Records of more lines than this are taller than any page.
constexpr int TallLines = 55;

// A band that may be left out (height 0) or hidden by its Visible property.
struct TOptional {
    double Height = 0;
    bool Hidden = false;

    bool Prints() const { return Height > 0 && !Hidden; }
    void Describe(std::ostream &S, const char *Name) const
    {
        if (Height > 0) S << ", " << Name << " " << Height << (Hidden ? " hidden" : "");
    }
};

// A data band with its header and footer.
struct TDataShape {
    double Height = 20;
    int Lines = 0; // whole lines below its memo, which stretch the band
    bool AllowSplit = false;
    TOptional Header, Footer;
    bool KeepTogether = false, KeepFooter = false, KeepHeader = false, StartNewPage = false;
    bool FooterAfterEach = false, Hidden = false;
    int Columns = 1;

    void Describe(std::ostream &S, const char *Name) const
    {
        S << Name << " " << Height;
        if (Lines > 0) S << " with " << Lines << " lines" << (AllowSplit ? " split" : "");
        if (Columns > 1) S << " in " << Columns << " columns";
        Header.Describe(S, "header");
        Footer.Describe(S, "footer");
        S << (KeepTogether ? ", KeepTogether" : "") << (KeepFooter ? ", KeepFooter" : "")
          << (KeepHeader ? ", KeepHeader" : "") << (StartNewPage ? ", StartNewPage" : "")
          << (FooterAfterEach ? ", FooterAfterEach" : "") << (Hidden ? ", hidden" : "");
    }
};

struct TGroupShape {
    int Size = 0; // masters in a group; 0: no group
    TOptional Header{20}, Footer;
    bool KeepTogether = false, StartNewPage = false;
};

enum class TSubreport { None, Beside, OnParent };

// What a layout is made of.
struct TLayout {
    unsigned Seed = 0;
    int PageColumns = 0; // the page's Columns: 0 or 1 is a page of one column
    TOptional ColumnHeader, ColumnFooter;
    int Masters = 0;
    std::vector<int> Details; // detail rows of each master; empty: no detail band
    bool PrintIfDetailEmpty = true;
    TDataShape Master, Detail;
    int HideEvery = 0; // a script hides every n-th master
    TOptional Title, PageHeader, Child, Summary;
    bool HeaderOnFirstPage = true, FooterOnFirstPage = true, FooterOnLastPage = true;
    bool ReprintHeaders = false, KeepChild = false, PrintChildIfInvisible = false;
    TGroupShape Groups[2];
    TSubreport Subreport = TSubreport::None;
    std::vector<int> Items; // the subreport's rows for each master
    int Subreports = 0;     // side by side, each printing the same rows
    double PageFooter = 40;
    bool PageFooterHidden = false;
    bool DoublePass = false;

    bool HasDetails() const { return !Details.empty(); }
    int PageColumnCount() const { return std::max(PageColumns, 1); }
    double PageColumnWidth() const { return PageWidth / PageColumnCount(); }
    const TDataShape &Innermost() const { return HasDetails() ? Detail : Master; }
    double ColumnWidthOf(const TDataShape &D) const
    {
        return std::floor(PageColumnWidth() / D.Columns);
    }
    std::string Describe() const;
};

std::string TLayout::Describe() const
{
    std::ostringstream S;
    S << "seed " << Seed << ": " << Masters << " masters";
    if (HasDetails()) {
        S << " with details {";
        for (int Count : Details)
            S << Count << " ";
        S << "}" << (PrintIfDetailEmpty ? "" : " hiding empty masters");
    }
    S << ", page columns " << PageColumns;
    ColumnHeader.Describe(S, "column header");
    ColumnFooter.Describe(S, "column footer");
    S << "; ";
    Master.Describe(S, "master");
    if (HideEvery > 0) S << ", every " << HideEvery << "th hidden by script";
    if (HasDetails()) Detail.Describe(S << "; ", "detail");
    S << ";";
    Title.Describe(S, "title");
    PageHeader.Describe(S, "page header");
    if (!HeaderOnFirstPage) S << " not on the first page";
    Child.Describe(S, "child");
    S << (KeepChild ? " kept" : "") << (PrintChildIfInvisible ? " printed if invisible" : "");
    Summary.Describe(S, "summary");
    S << (ReprintHeaders ? ", headers reprinted" : "");
    for (int Level = 0; Level < 2; ++Level) {
        const TGroupShape &G = Groups[Level];
        if (G.Size == 0) continue;
        S << ", groups of " << G.Size;
        G.Header.Describe(S, "header");
        G.Footer.Describe(S, "footer");
        S << (G.KeepTogether ? ", kept together" : "") << (G.StartNewPage ? ", new page" : "");
    }
    if (Subreport != TSubreport::None) {
        S << ", " << Subreports << " subreports "
          << (Subreport == TSubreport::Beside ? "beside" : "on its band") << " {";
        for (int Count : Items)
            S << Count << " ";
        S << "}";
    }
    S << ", page footer " << PageFooter << (PageFooterHidden ? " hidden" : "")
      << (FooterOnFirstPage ? "" : " not on the first page")
      << (FooterOnLastPage ? "" : " not on the last page") << (DoublePass ? ", double pass" : "");
    return S.str();
}

class TGenerator
{
public:
    explicit TGenerator(unsigned Seed) : FRandom(Seed) {}

    bool Chance(int Percent) { return Between(0, 99) < Percent; }
    int Between(int Low, int High)
    {
        return std::uniform_int_distribution<int>(Low, High)(FRandom);
    }
    TOptional Optional(int Percent, int Low, int High)
    {
        TOptional Result;
        if (Chance(Percent)) Result.Height = Between(Low, High);
        Result.Hidden = Result.Height > 0 && Chance(8);
        return Result;
    }

    // Some records of a few lines, now and then one that a page cannot hold.
    TDataShape Data(int Low, int High, int Columns)
    {
        TDataShape D;
        D.Height = Between(Low, High);
        D.Columns = Columns;
        if (Columns == 1 && Chance(20)) {
            D.AllowSplit = Chance(60);
            D.Lines = Chance(20) ? Between(TallLines, TallLines + 15) : Between(1, 20);
        }
        D.Header = Optional(40, 10, 30);
        D.Footer = Optional(55, 10, 30);
        D.KeepTogether = Chance(30);
        D.KeepFooter = Chance(30);
        D.KeepHeader = D.Header.Height > 0 && Chance(50);
        D.StartNewPage = Chance(7);
        D.FooterAfterEach = Chance(8);
        D.Hidden = Chance(4);
        return D;
    }

    std::vector<int> Counts(int Size, int Percent0, int Low, int High)
    {
        std::vector<int> Result;
        for (int i = 0; i < Size; ++i)
            Result.push_back(Chance(Percent0) ? 0 : Between(Low, High));
        return Result;
    }

private:
    std::mt19937 FRandom;
};

TLayout Generate(unsigned Seed)
{
    TGenerator G(Seed);
    TLayout L;
    L.Seed = Seed;
    L.PageColumns = G.Between(0, 3);
    L.ColumnHeader = G.Optional(30, 10, 30);
    L.ColumnFooter = G.Optional(40, 10, 30);
    const int DataColumns = G.Chance(30) ? G.Between(2, 3) : 1;
    if (G.Chance(50)) {
        L.Masters = G.Between(1, 8);
        // Some masters have no detail, some a few, and now and then one fills a page or more.
        for (int i = 0; i < L.Masters; ++i)
            L.Details.push_back(G.Chance(15)   ? 0
                                : G.Chance(12) ? G.Between(25, 60)
                                               : G.Between(1, 10));
        L.PrintIfDetailEmpty = G.Chance(70);
        L.Detail = G.Data(12, 40, DataColumns);
    } else {
        L.Masters = G.Between(1, 16 * DataColumns);
    }
    L.Master = G.Data(12, 60, L.HasDetails() ? 1 : DataColumns);
    if (G.Chance(10)) L.HideEvery = G.Between(2, 4);
    L.ReprintHeaders = G.Chance(40);
    L.Title = G.Optional(40, 20, 300);
    L.PageHeader = G.Optional(40, 10, 40);
    L.HeaderOnFirstPage = !G.Chance(15);
    L.Child = G.Optional(25, 8, 40);
    L.KeepChild = L.Child.Height > 0 && G.Chance(50);
    L.PrintChildIfInvisible = G.Chance(30);
    L.Summary = G.Optional(60, 10, 60);
    for (int Level = 0; Level < 2 && G.Chance(Level == 0 ? 30 : 40); ++Level) {
        TGroupShape &Group = L.Groups[Level];
        Group.Size = Level == 0 ? G.Between(1, 8) : G.Between(1, 4);
        Group.Header = G.Optional(100, 10, 30);
        Group.Footer = G.Optional(60, 10, 30);
        Group.KeepTogether = G.Chance(50);
        Group.StartNewPage = G.Chance(5);
    }
    // Footers are wired to the innermost groups first: a lone one is the inner group's.
    if (L.Groups[1].Size > 0 && L.Groups[1].Footer.Height == 0) L.Groups[0].Footer = {};
    // Subreports stand beside a master in the right half of a column of its own.
    if (G.Chance(20)) {
        L.Subreport = G.Chance(50) ? TSubreport::Beside : TSubreport::OnParent;
        L.Items = G.Counts(L.Masters, 20, 1, L.Subreport == TSubreport::Beside ? 16 : 6);
        L.Subreports = L.Subreport == TSubreport::Beside && G.Chance(40) ? 2 : 1;
    }
    L.PageFooter = G.Between(20, 60);
    L.PageFooterHidden = G.Chance(5);
    L.FooterOnFirstPage = !G.Chance(10);
    L.FooterOnLastPage = !G.Chance(10);
    L.DoublePass = G.Chance(15);
    return L;
}

// Master m (from 1) has x = m % 7 + 1, the groups (m - 1) / size of each level, and v = 0 when
// the script hides it; details and subreport rows are numbered on across masters.
struct TBuiltLayout {
    const TLayout &L;
    TBuilder B;
    TRows Masters{"Masters"}, Details{"Details"}, Items{"Items"};
    double Top = 0;

    explicit TBuiltLayout(const TLayout &Layout) : L(Layout)
    {
        B.Report->EngineOptions()->SetDoublePass(L.DoublePass);
        B.Page->SetColumns(L.PageColumns);
        std::vector<std::map<std::string, Variant>> Rows;
        for (int m = 1; m <= L.Masters; ++m)
            Rows.push_back({{"m", m},
                            {"x", X(m)},
                            {"g", Group(0, m)},
                            {"h", Group(1, m)},
                            {"v", HiddenByScript(m) ? 0 : 1}});
        Masters.SetRows(Rows);
        B.Use(Masters);
        const double Wide = L.PageColumnWidth() - 10;
        if (auto *Title = Add<TfrxReportTitle>("ReportTitle1", L.Title))
            Label(Title, PageWidth - 10);
        if (auto *Header = Add<TfrxPageHeader>("PageHeader1", L.PageHeader)) {
            Label(Header, PageWidth - 10);
            Header->SetPrintOnFirstPage(L.HeaderOnFirstPage);
        }
        if (auto *Header = Add<TfrxColumnHeader>("ColumnHeader1", L.ColumnHeader))
            Label(Header, Wide);
        if (auto *Footer = Add<TfrxColumnFooter>("ColumnFooter1", L.ColumnFooter)) Totals(Footer);
        if (auto *Header = Add<TfrxHeader>("Header1", L.Master.Header)) {
            Label(Header, Wide);
            Header->SetReprintOnNewPage(L.ReprintHeaders);
        }
        for (int Level = 0; Level < 2; ++Level)
            AddGroupHeader(Level);
        TfrxMasterData *Master =
            AddData<TfrxMasterData>(L.Master, "MasterData1", Masters, "M", "Masters", "m");
        Master->SetPrintIfDetailEmpty(L.PrintIfDetailEmpty);
        Master->SetPrintChildIfInvisible(L.PrintChildIfInvisible);
        if (L.HideEvery > 0) {
            Master->SetOnBeforePrint("MasterData1OnBeforePrint");
            B.Report->ScriptText()->SetText(
                "procedure MasterData1OnBeforePrint(Sender: TfrxComponent);\r\n"
                "begin\r\n  MasterData1.Visible := Get('v') = 1;\r\nend;\r\n"
                "begin\r\nend.");
        }
        if (L.Subreport != TSubreport::None) AddSubreports(Master);
        if (auto *Child = Add<TfrxChild>("Child1", L.Child)) {
            TBuilder::Memo(Child, "ChildMemo", "c[Masters.\"m\"]", 0, 0,
                           L.ColumnWidthOf(L.Master) - 20, std::min(L.Child.Height, 18.0));
            Master->SetChild(Child);
            Master->SetKeepChild(L.KeepChild);
        }
        if (auto *Footer = Add<TfrxFooter>("Footer1", L.Master.Footer))
            CountOf("MasterData1", Footer, L.ColumnWidthOf(L.Master));
        if (L.HasDetails()) AddDetails();
        for (int Level = 1; Level >= 0; --Level)
            if (auto *Footer = Add<TfrxGroupFooter>(Level ? "GroupFooter2" : "GroupFooter1",
                                                    L.Groups[Level].Size ? L.Groups[Level].Footer
                                                                         : TOptional{}))
                CountOf("MasterData1", Footer, L.PageColumnWidth());
        if (auto *Summary = Add<TfrxReportSummary>("ReportSummary1", L.Summary)) Totals(Summary);
        auto *Footer = Add<TfrxPageFooter>("PageFooter1", {L.PageFooter, L.PageFooterHidden});
        Totals(Footer);
        TBuilder::Memo(Footer, "PageFooter1Page", "P[Page#]/[TotalPages]", 220, 0, 100,
                       std::min(L.PageFooter, 18.0));
        Footer->SetPrintOnFirstPage(L.FooterOnFirstPage);
        Footer->SetPrintOnLastPage(L.FooterOnLastPage);
    }

    static int X(int Master) { return Master % 7 + 1; }
    int Group(int Level, int Master) const
    {
        const int Size = L.Groups[Level].Size;
        return Size ? (Master - 1) / Size : 0;
    }
    bool HiddenByScript(int Master) const { return L.HideEvery && Master % L.HideEvery == 0; }

    // The band, placed below the ones before it; none for a band left out.
    template <class Band> Band *Add(const char *Name, const TOptional &Shape)
    {
        if (Shape.Height <= 0) return nullptr;
        auto *Result = B.Band<Band>(Name, Top, Shape.Height);
        Top += Shape.Height + 20;
        Result->SetVisible(!Shape.Hidden);
        return Result;
    }

    static void Label(TfrxBand *Band, double Width)
    {
        TBuilder::Memo(Band, (Band->Name() + "Label").ToStd().c_str(), Band->Name().ToStd().c_str(),
                       0, 0, std::min(Width, 100.0), std::min(Band->Height(), 18.0));
    }

    void AddGroupHeader(int Level)
    {
        const TGroupShape &G = L.Groups[Level];
        if (G.Size == 0) return;
        auto *Header = Add<TfrxGroupHeader>(Level ? "GroupHeader2" : "GroupHeader1", G.Header);
        Label(Header, L.PageColumnWidth() - 10);
        Header->SetCondition(Level ? "h" : "g");
        Header->SetKeepTogether(G.KeepTogether);
        Header->SetStartNewPage(G.StartNewPage);
        Header->SetReprintOnNewPage(L.ReprintHeaders);
    }

    template <class Band>
    Band *AddData(const TDataShape &D, const char *Name, TRows &Rows, const char *Prefix,
                  const char *Set, const char *Field)
    {
        auto *Result = B.Data<Band>(Name, Top, D.Height, Rows);
        Top += D.Height + 20;
        Result->SetVisible(!D.Hidden);
        Result->SetKeepTogether(D.KeepTogether);
        Result->SetKeepFooter(D.KeepFooter);
        Result->SetKeepHeader(D.KeepHeader);
        Result->SetStartNewPage(D.StartNewPage);
        Result->SetFooterAfterEach(D.FooterAfterEach);
        Result->SetAllowSplit(D.AllowSplit);
        Result->SetColumns(D.Columns);
        const double Width = L.ColumnWidthOf(D);
        Result->SetColumnWidth(Width);
        // With a subreport beside it, the record keeps to the left half of its column.
        const double MemoWidth =
            (L.Subreport != TSubreport::None && Prefix[0] == 'M' ? Width / 2 : Width) - 10;
        const std::string Text = std::string(Prefix) + "[" + Set + ".\"" + Field + "\"]";
        TBuilder::Memo(Result, (std::string(Name) + "Memo").c_str(), Text.c_str(), 0, 0, MemoWidth,
                       std::min(D.Height, 18.0));
        if (D.Lines > 0) {
            Lines(Result, (std::string(Name) + "Lines").c_str(), 20, D.Lines, LineHeight, 0,
                  MemoWidth);
            Result->SetStretched(true);
        }
        return Result;
    }

    void AddDetails()
    {
        Details.DataSet.OnFirst = [this](TObject *) {
            Details.SetRows(NumberedRows(L.Details, "d"));
        };
        B.Use(Details);
        if (auto *Header = Add<TfrxHeader>("Header2", L.Detail.Header)) {
            Label(Header, L.PageColumnWidth() - 10);
            Header->SetReprintOnNewPage(L.ReprintHeaders);
        }
        AddData<TfrxDetailData>(L.Detail, "DetailData1", Details, "D", "Details", "d");
        if (auto *Footer = Add<TfrxFooter>("Footer2", L.Detail.Footer))
            CountOf("DetailData1", Footer, L.ColumnWidthOf(L.Detail));
    }

    // The current master's rows of Counts, numbered on from those of the masters before it.
    std::vector<std::map<std::string, Variant>> NumberedRows(const std::vector<int> &Counts,
                                                             const char *Field)
    {
        const int Master = Masters.Get("m").AsInteger();
        int From = 1;
        for (int m = 1; m < Master; ++m)
            From += Counts[static_cast<std::size_t>(m - 1)];
        std::vector<std::map<std::string, Variant>> Rows;
        for (int i = 0; i < Counts[static_cast<std::size_t>(Master - 1)]; ++i)
            Rows.push_back({{Field, From + i}});
        return Rows;
    }

    void AddSubreports(TfrxMasterData *Master)
    {
        Items.DataSet.OnFirst = [this](TObject *) { Items.SetRows(NumberedRows(L.Items, "s")); };
        B.Use(Items);
        const double Half = L.ColumnWidthOf(L.Master) / 2;
        const double Width = Half / L.Subreports;
        for (int i = 1; i <= L.Subreports; ++i)
            AddSubreport(Master, i, Half + (i - 1) * Width, Width - 10);
        if (L.Subreport == TSubreport::OnParent) Master->SetStretched(true);
    }

    void AddSubreport(TfrxMasterData *Master, int Number, double Left, double Width)
    {
        const std::string Suffix = std::to_string(Number);
        auto *Inner = new TfrxReportPage(B.Report.get());
        Inner->SetName(("SubPage" + Suffix).c_str());
        auto *Data = new TfrxMasterData(Inner);
        Data->SetName(("SubData" + Suffix).c_str());
        Data->SetHeight(20);
        Data->SetDataSet(&Items.DataSet);
        TBuilder::Memo(Data, ("SubMemo" + Suffix).c_str(), "S[Items.\"s\"]", 0, 0, Width);
        auto *Sub = new TfrxSubreport(Master);
        Sub->SetName(("Subreport" + Suffix).c_str());
        Sub->SetBounds(Left, 0, Width, 20);
        Sub->SetPage(Inner);
        Sub->SetPrintOnParent(L.Subreport == TSubreport::OnParent);
    }

    // A footer that counts the records of its data band, as narrow as a column it may print in
    // (a footer after each record goes in the record's column).
    static void CountOf(const char *DataBand, TfrxBand *Footer, double ColumnWidth)
    {
        const std::string Text = "[COUNT(" + std::string(DataBand) + ")]";
        TBuilder::Memo(Footer, (Footer->Name() + "Count").ToStd().c_str(), Text.c_str(), 0, 0,
                       std::min(100.0, ColumnWidth - 10), std::min(Footer->Height(), 18.0));
    }

    // The masters' sum and the count of the innermost records, as the checker reads them.
    void Totals(TfrxBand *Band)
    {
        const char *Count = L.HasDetails() ? "[COUNT(DetailData1)]" : "[COUNT(MasterData1)]";
        const double Height = std::min(Band->Height(), 18.0);
        TBuilder::Memo(Band, (Band->Name() + "Sum").ToStd().c_str(), "[SUM(<Masters.\"x\">)]", 0, 0,
                       100, Height);
        TBuilder::Memo(Band, (Band->Name() + "Count").ToStd().c_str(), Count, 110, 0, 100, Height);
    }
};

// A prepared object, in page coordinates.
struct TBox {
    std::string Band, Text;
    double Left, Top, Width, Height;
    double Right() const { return Left + Width; }
    double Bottom() const { return Top + Height; }
};

// A prepared band: its place, and the right edge of its objects.
struct TReadBand {
    TBox Box;
    double ObjectsRight = 0;
    std::vector<std::string> Texts;
};

struct TReadPage {
    std::vector<TReadBand> Bands;
    std::vector<TBox> Objects;
};

TReadPage ReadPage(TfrxCustomPreviewPages *Pages, int Index)
{
    TReadPage Result;
    TfrxPage *Page = Pages->GetPage(Index);
    TList *Bands = Page->Objects();
    for (int i = 0; i < Bands->Count(); ++i) {
        auto *Band = dynamic_cast<TfrxBand *>(static_cast<TfrxComponent *>(Bands->Items(i)));
        if (!Band) continue;
        TReadBand Read;
        const std::string Name = Band->Name().ToStd();
        TList *Objects = Band->Objects();
        for (int j = 0; j < Objects->Count(); ++j) {
            auto *C = static_cast<TfrxComponent *>(Objects->Items(j));
            std::string Own;
            if (auto *Memo = dynamic_cast<TfrxCustomMemoView *>(C)) Own = TextOf(Memo);
            Read.Texts.push_back(Own);
            Read.ObjectsRight = std::max(Read.ObjectsRight, C->Left() + C->Width());
            Result.Objects.push_back({Name, Own, Band->Left() + C->Left(), Band->Top() + C->Top(),
                                      C->Width(), C->Height()});
        }
        Read.Box = {Name,          Read.Texts.empty() ? "" : Read.Texts[0],
                    Band->Left(),  Band->Top(),
                    Band->Width(), Band->Height()};
        Result.Bands.push_back(std::move(Read));
    }
    return Result;
}

// Every page as text: bands, places and memo texts.
std::string Dump(TfrxCustomPreviewPages *Pages)
{
    std::ostringstream S;
    for (int p = 0; p < Pages->Count(); ++p) {
        S << "page " << p + 1 << "\n";
        for (const TReadBand &Band : ReadPage(Pages, p).Bands) {
            S << " " << Band.Box.Band << "@" << Hundredths(Band.Box.Left) << ","
              << Hundredths(Band.Box.Top) << "+" << Hundredths(Band.Box.Height);
            for (const std::string &Text : Band.Texts)
                S << " " << Text;
            S << "\n";
        }
    }
    return S.str();
}

// The number after a record's prefix; -1 for another text.
int Number(const std::string &Text, char Prefix)
{
    if (Text.size() < 2 || Text[0] != Prefix) return -1;
    for (std::size_t i = 1; i < Text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(Text[i]))) return -1;
    return std::atoi(Text.c_str() + 1);
}

std::string Join(const std::vector<std::string> &Texts)
{
    std::string Result = "\"";
    for (std::size_t i = 0; i < Texts.size(); ++i)
        Result += (i ? "/" : "") + Texts[i];
    return Result + "\"";
}

// What the prepared pages must show for a layout; every fault found is one line.
class TChecker
{
public:
    TChecker(const TLayout &L, TfrxCustomPreviewPages *Pages) : FLayout(L), FPages(Pages) {}

    std::vector<std::string> Faults()
    {
        for (int p = 0; p < FPages->Count(); ++p)
            FRead.push_back(ReadPage(FPages, p));
        ReadRecords();
        CheckRecords("masters", FMasters, Expected('M'));
        CheckRecords("details", FDetails, Expected('D'));
        CheckRecords("subreport rows", FItems, Expected('S'));
        CheckRecords("children", FChildren, Expected('c'));
        for (int p = 0; p < FPages->Count(); ++p) {
            CheckPlaces(p);
            CheckPageTotals(p);
            CheckColumnTotals(p);
        }
        CheckFooters();
        return FFaults;
    }

private:
    // A record's place: page and page column.
    struct TPlace {
        int Page, Column;
        bool operator<(const TPlace &O) const
        {
            return Page != O.Page ? Page < O.Page : Column < O.Column;
        }
    };
    struct TTotal {
        int Sum = 0, Count = 0;
    };

    int ColumnAt(double Left) const
    {
        return static_cast<int>(std::floor((Left + Tolerance) / FLayout.PageColumnWidth()));
    }

    // A master that shows: one with details, or with none when empty masters show.
    bool Shows(int Master) const
    {
        return !FLayout.HasDetails() || FLayout.PrintIfDetailEmpty ||
               FLayout.Details[static_cast<std::size_t>(Master - 1)] > 0;
    }
    // The script, when there is one, sets the band's Visible for every record.
    bool Visible(int Master) const
    {
        if (FLayout.HideEvery > 0) return Master % FLayout.HideEvery != 0;
        return !FLayout.Master.Hidden;
    }
    // A master that prints and counts.
    bool Counts(int Master) const { return Shows(Master) && Visible(Master); }

    std::vector<int> Expected(char Kind) const
    {
        std::vector<int> Result;
        int Detail = 0, Item = 0;
        for (int m = 1; m <= FLayout.Masters; ++m) {
            const auto Index = static_cast<std::size_t>(m - 1);
            switch (Kind) {
            case 'M':
                if (Counts(m)) Result.push_back(m);
                break;
            case 'c':
                if (Shows(m) && FLayout.Child.Prints() &&
                    (Visible(m) || FLayout.PrintChildIfInvisible))
                    Result.push_back(m);
                break;
            case 'D':
                for (int i = 0; FLayout.HasDetails() && i < FLayout.Details[Index]; ++i)
                    if (++Detail, !FLayout.Detail.Hidden) Result.push_back(Detail);
                break;
            case 'S':
                for (int Sub = 0; Sub < FLayout.Subreports; ++Sub)
                    for (int i = 0; i < FLayout.Items[Index]; ++i)
                        if (Counts(m)) Result.push_back(Item + i + 1);
                if (FLayout.Subreport != TSubreport::None) Item += FLayout.Items[Index];
                break;
            }
        }
        return Result;
    }

    // The records in the order they were printed, each counted where its number prints.
    void ReadRecords()
    {
        for (int p = 0; p < static_cast<int>(FRead.size()); ++p)
            for (const TBox &O : FRead[static_cast<std::size_t>(p)].Objects) {
                const TPlace Place{p, ColumnAt(O.Left)};
                if (O.Band == "MasterData1" && Number(O.Text, 'M') > 0) {
                    const int m = Number(O.Text, 'M');
                    FMasters.push_back(m);
                    FTotals[Place].Sum += TBuiltLayout::X(m);
                    if (!FLayout.HasDetails()) ++FTotals[Place].Count;
                } else if (O.Band == "DetailData1" && Number(O.Text, 'D') > 0) {
                    FDetails.push_back(Number(O.Text, 'D'));
                    ++FTotals[Place].Count;
                } else if ((IsSubreportRow(O.Band) || O.Band == "MasterData1") &&
                           Number(O.Text, 'S') > 0) {
                    FItems.push_back(Number(O.Text, 'S'));
                } else if (O.Band == "Child1" && Number(O.Text, 'c') > 0) {
                    FChildren.push_back(Number(O.Text, 'c'));
                }
            }
    }

    static bool IsSubreportRow(const std::string &Band) { return Band.rfind("SubData", 0) == 0; }

    void Fault(int Page, const std::string &What)
    {
        FFaults.push_back((Page >= 0 ? "page " + std::to_string(Page + 1) + ": " : "") + What);
    }

    void CheckRecords(const char *Kind, const std::vector<int> &Seen, const std::vector<int> &Due)
    {
        if (Seen == Due) return;
        std::ostringstream S;
        S << Kind << " printed:";
        for (int n : Seen)
            S << " " << n;
        S << "; due:";
        for (int n : Due)
            S << " " << n;
        Fault(-1, S.str());
    }

    std::vector<std::string> TextsOf(const std::vector<std::string> &Texts, std::size_t From,
                                     std::size_t Count) const
    {
        std::vector<std::string> Result;
        for (std::size_t i = From; i < Texts.size() && i < From + Count; ++i)
            Result.push_back(Texts[i]);
        return Result;
    }

    void CheckTotals(int Page, const TReadBand &Band, const TTotal &Due)
    {
        const std::vector<std::string> Texts = TextsOf(Band.Texts, 0, 2);
        const std::vector<std::string> Expected{std::to_string(Due.Sum), std::to_string(Due.Count)};
        if (Texts != Expected)
            Fault(Page, Band.Box.Band + " at " + Hundredths(Band.Box.Left) + "," +
                            Hundredths(Band.Box.Top) + " reads " + Join(Texts) + " where " +
                            Join(Expected) + " is due");
    }

    void CheckPageTotals(int Page)
    {
        const bool First = Page == 0, Last = Page + 1 == FPages->Count();
        const bool Due = !FLayout.PageFooterHidden && !(First && !FLayout.FooterOnFirstPage) &&
                         !(Last && !FLayout.FooterOnLastPage);
        TTotal OnPage, Before;
        for (const auto &[Place, Total] : FTotals) {
            if (Place.Page == Page) {
                OnPage.Sum += Total.Sum;
                OnPage.Count += Total.Count;
            }
            if (Place.Page <= Page) {
                Before.Sum += Total.Sum;
                Before.Count += Total.Count;
            }
        }
        int Footers = 0;
        for (const TReadBand &Band : FRead[static_cast<std::size_t>(Page)].Bands) {
            if (Band.Box.Band == "PageFooter1") {
                ++Footers;
                CheckTotals(Page, Band, OnPage);
                const std::string Number = "P" + std::to_string(Page + 1) + "/" +
                                           std::to_string(FLayout.DoublePass ? FPages->Count() : 0);
                if (Band.Texts.size() < 3 || Band.Texts[2] != Number)
                    Fault(Page, "the page footer's number reads " +
                                    (Band.Texts.size() < 3 ? "nothing" : Band.Texts[2]) +
                                    " where " + Number + " is due");
            } else if (Band.Box.Band == "ReportSummary1") {
                if (!Last) Fault(Page, "the summary prints before the last page");
                CheckTotals(Page, Band, Before);
            }
        }
        if (Footers != (Due ? 1 : 0))
            Fault(Page,
                  std::to_string(Footers) + " page footers where " + (Due ? "1" : "0") + " is due");
    }

    // Each page column's footer totals what that column printed; each column printed in has
    // one.
    void CheckColumnTotals(int Page)
    {
        if (!FLayout.ColumnFooter.Prints()) return;
        std::set<int> Footed;
        for (const TReadBand &Band : FRead[static_cast<std::size_t>(Page)].Bands) {
            if (Band.Box.Band != "ColumnFooter1") continue;
            const int Column = ColumnAt(Band.Box.Left);
            if (!Footed.insert(Column).second)
                Fault(Page, "a second column footer in column " + std::to_string(Column + 1));
            const auto Found = FTotals.find({Page, Column});
            CheckTotals(Page, Band, Found == FTotals.end() ? TTotal{} : Found->second);
        }
        for (const auto &[Place, Total] : FTotals)
            if (Place.Page == Page && Footed.count(Place.Column) == 0)
                Fault(Page, "column " + std::to_string(Place.Column + 1) +
                                " prints records but no column footer");
    }

    // Each footer counts the records of its own run: all masters (or each), those of a group,
    // the details of a master (or each).
    void CheckFooters()
    {
        std::map<std::string, std::vector<std::string>> Seen, Due;
        for (const TReadPage &Page : FRead)
            for (const TReadBand &Band : Page.Bands)
                if (Band.Box.Band == "Footer1" || Band.Box.Band == "Footer2" ||
                    Band.Box.Band.rfind("GroupFooter", 0) == 0)
                    Seen[Band.Box.Band].push_back(Band.Box.Text);
        const TLayout &L = FLayout;
        std::vector<int> Shown;
        for (int m = 1; m <= L.Masters; ++m)
            if (Shows(m)) Shown.push_back(m);
        auto Counted = [this](int m) { return Counts(m) ? 1 : 0; };
        if (L.Master.Footer.Prints()) {
            if (L.Master.FooterAfterEach) {
                for (int m = 1; m <= L.Masters; ++m)
                    Due["Footer1"].push_back(std::to_string(Shows(m) ? Counted(m) : 0));
            } else if (!Shown.empty()) {
                int Count = 0;
                for (int m : Shown)
                    Count += Counted(m);
                Due["Footer1"].push_back(std::to_string(Count));
            }
        }
        for (int Level = 0; Level < 2; ++Level) {
            if (L.Groups[Level].Size == 0 || !L.Groups[Level].Footer.Prints()) continue;
            const std::string Name = Level ? "GroupFooter2" : "GroupFooter1";
            // An inner group ends where the outer one does too.
            auto Key = [&](int m) {
                return std::make_pair((m - 1) / L.Groups[0].Size,
                                      Level == 0 ? 0 : (m - 1) / L.Groups[1].Size);
            };
            for (std::size_t i = 0; i < Shown.size();) {
                std::size_t End = i;
                int Count = 0;
                for (; End < Shown.size() && Key(Shown[End]) == Key(Shown[i]); ++End)
                    Count += Counted(Shown[End]);
                Due[Name].push_back(std::to_string(Count));
                i = End;
            }
        }
        if (L.HasDetails() && L.Detail.Footer.Prints()) {
            const std::string One = L.Detail.Hidden ? "0" : "1";
            for (int m : Shown) {
                const int Count = L.Details[static_cast<std::size_t>(m - 1)];
                if (Count == 0) continue;
                if (L.Detail.FooterAfterEach)
                    for (int i = 0; i < Count; ++i)
                        Due["Footer2"].push_back(One);
                else
                    Due["Footer2"].push_back(L.Detail.Hidden ? "0" : std::to_string(Count));
            }
        }
        for (const auto &[Band, Texts] : Due)
            if (Seen[Band] != Texts)
                Fault(-1,
                      Band + " reads " + Join(Seen[Band]) + " where " + Join(Texts) + " is due");
        for (const auto &[Band, Texts] : Seen)
            if (!Texts.empty() && Due.count(Band) == 0)
                Fault(-1, Band + " printed where none is due");
    }

    bool InColumns(const std::string &Band) const
    {
        return Band != "ReportTitle1" && Band != "PageHeader1" && Band != "PageFooter1";
    }

    // A band of a record taller than a page prints whole, past the page; what follows it in
    // its column goes on below it.
    bool BeyondAPage(const TReadBand &Band) const { return Band.Box.Height > PageHeight; }

    // Nothing above the page, past its right or bottom edge, over the page footer or outside
    // its column; no band over another.
    void CheckPlaces(int Page)
    {
        const TReadPage &Read = FRead[static_cast<std::size_t>(Page)];
        const double FooterTop = PageHeight - FLayout.PageFooter;
        std::map<int, double> TallFrom; // the top of a band beyond a page, by column
        for (const TReadBand &Band : Read.Bands)
            if (BeyondAPage(Band)) {
                const int Column = ColumnAt(Band.Box.Left);
                TallFrom[Column] = std::min(
                    TallFrom.count(Column) ? TallFrom[Column] : Band.Box.Top, Band.Box.Top);
            }
        auto Exempt = [&](const TBox &Box) {
            const auto Found = TallFrom.find(ColumnAt(Box.Left));
            return Found != TallFrom.end() && Box.Top >= Found->second - Tolerance;
        };
        for (const TReadBand &Band : Read.Bands) {
            const TBox &B = Band.Box;
            if (B.Band == "PageFooter1" || Exempt(B)) continue;
            if (B.Bottom() > FooterTop + Tolerance)
                Fault(Page, B.Band + " " + B.Text + " at " + Hundredths(B.Top) + "-" +
                                Hundredths(B.Bottom()) + " runs over the page footer at " +
                                Hundredths(FooterTop));
        }
        const double ColumnWidth = FLayout.PageColumnWidth();
        for (const TBox &O : Read.Objects) {
            const std::string What =
                O.Band + " " + O.Text + " at " + Hundredths(O.Left) + "," + Hundredths(O.Top);
            if (O.Top < -Tolerance) Fault(Page, What + " lies above the page");
            if (O.Right() > PageWidth + Tolerance) Fault(Page, What + " runs past the page");
            if (O.Bottom() > PageHeight + Tolerance && !Exempt(O))
                Fault(Page, What + " ends below the page");
            if (!InColumns(O.Band)) continue;
            const int Column = ColumnAt(O.Left);
            if (Column >= FLayout.PageColumnCount() ||
                O.Right() > (Column + 1) * ColumnWidth + Tolerance)
                Fault(Page, What + " lies outside its page column");
            else if (O.Band == (FLayout.HasDetails() ? "DetailData1" : "MasterData1") &&
                     FLayout.Innermost().Columns > 1) {
                const double Width = FLayout.ColumnWidthOf(FLayout.Innermost());
                const double Within = O.Left - Column * ColumnWidth;
                const int DataColumn = static_cast<int>(std::floor((Within + Tolerance) / Width));
                if (Within + O.Width > (DataColumn + 1) * Width + Tolerance)
                    Fault(Page, What + " lies outside its data column");
            }
        }
        for (std::size_t i = 0; i < Read.Bands.size(); ++i)
            for (std::size_t j = i + 1; j < Read.Bands.size(); ++j)
                if (Overlap(Read.Bands[i], Read.Bands[j]) && !Exempt(Read.Bands[i].Box) &&
                    !Exempt(Read.Bands[j].Box))
                    Fault(Page, Read.Bands[i].Box.Band + " " + Read.Bands[i].Box.Text + " and " +
                                    Read.Bands[j].Box.Band + " " + Read.Bands[j].Box.Text +
                                    " overlap at " + Hundredths(Read.Bands[j].Box.Top));
    }

    // Bands as wide as their objects reach.
    static bool Overlap(const TReadBand &A, const TReadBand &B)
    {
        if (A.Texts.empty() || B.Texts.empty()) return false;
        const TBox &P = A.Box, &Q = B.Box;
        return P.Top < Q.Bottom() - Tolerance && Q.Top < P.Bottom() - Tolerance &&
               P.Left < Q.Left + B.ObjectsRight - Tolerance &&
               Q.Left < P.Left + A.ObjectsRight - Tolerance;
    }

    const TLayout &FLayout;
    TfrxCustomPreviewPages *FPages;
    std::vector<TReadPage> FRead;
    std::vector<int> FMasters, FDetails, FItems, FChildren;
    std::map<TPlace, TTotal> FTotals;
    std::vector<std::string> FFaults;
};

// The faults of one layout, prepared twice; empty when it holds.
std::string Check(const TLayout &L)
{
    TBuiltLayout Built(L);
    if (!Built.B.Prepare()) return "the preparation failed: " + Built.B.Errors();
    std::vector<std::string> Faults = TChecker(L, Built.B.Pages()).Faults();
    const std::string First = Dump(Built.B.Pages());
    if (!Built.B.Prepare()) return "the second preparation failed: " + Built.B.Errors();
    if (Dump(Built.B.Pages()) != First) Faults.push_back("a second run prints other pages");
    std::string Text;
    for (std::size_t i = 0; i < Faults.size() && i < 6; ++i)
        Text += "\n  " + Faults[i];
    return Text;
}

// Seeds run by each of the test's shards, so that CTest runs them side by side.
constexpr unsigned Shards = 8;
constexpr unsigned LayoutsPerShard = 256;

class EngineLayouts : public ::testing::TestWithParam<unsigned>
{
};

} // namespace

TEST_P(EngineLayouts, RecordsTotalsAndPlacesHoldForEveryGeneratedLayout)
{
    int Failed = 0;
    const unsigned From = GetParam() * LayoutsPerShard + 1;
    for (unsigned Seed = From; Seed < From + LayoutsPerShard; ++Seed) {
        const TLayout L = Generate(Seed);
        const std::string Faults = Check(L);
        if (Faults.empty()) continue;
        ADD_FAILURE() << L.Describe() << Faults;
        if (++Failed == 10) break;
    }
}

INSTANTIATE_TEST_SUITE_P(Shard, EngineLayouts, ::testing::Range(0u, Shards));

namespace
{

// A sample of layouts whose records all lie on the sheet: none has a record taller than a page
// that prints whole past the sheet's bottom.
std::vector<TLayout> PrintedSample()
{
    std::vector<TLayout> Result;
    for (unsigned Seed = 1; Result.size() < 8; ++Seed) {
        const TLayout L = Generate(Seed);
        auto Whole = [](const TDataShape &D) { return D.Lines >= TallLines && !D.AllowSplit; };
        if (!Whole(L.Master) && !(L.HasDetails() && Whole(L.Detail))) Result.push_back(L);
    }
    return Result;
}

bool HasWord(const std::string &Text, const std::string &Word)
{
    auto Letter = [](char C) { return std::isalnum(static_cast<unsigned char>(C)) != 0; };
    for (std::size_t At = Text.find(Word); At != std::string::npos; At = Text.find(Word, At + 1)) {
        const std::size_t End = At + Word.size();
        if ((At == 0 || !Letter(Text[At - 1])) && (End == Text.size() || !Letter(Text[End])))
            return true;
    }
    return false;
}

class EngineLayoutsPrinted : public ::testing::Test
{
protected:
    void SetUp() override
    {
        vcltest::StartApplication();
        QRV4_REQUIRE_CUPS(Cups);
        ASSERT_TRUE(Cups.AddPdfQueue("Layouts")) << Cups.Log();
        ASSERT_TRUE(Cups.SetDefault("Layouts"));
        frxPrinters()->Refresh();
        frxInstallPrinting();
    }
    void TearDown() override
    {
        if (TfrxCustomPrinter *P = Printer()) P->SetFileName(AnsiString());
        std::remove(Path.c_str());
    }
    static TfrxCustomPrinter *Printer()
    {
        const int Index = frxPrinters()->IndexOf("Layouts");
        return Index < 0 ? nullptr : frxPrinters()->Items(Index);
    }

    printtest::PrivateCups Cups;
    std::string Path = printtest::TempPath("layouts", ".pdf");
};

} // namespace

// Each prepared page printed to a PDF sheet of its own, with every record it holds on it.
TEST_F(EngineLayoutsPrinted, EveryRecordOfAPreparedPageIsOnItsSheet)
{
    for (const TLayout &L : PrintedSample()) {
        TBuiltLayout Built(L);
        ASSERT_TRUE(Built.B.Prepare()) << L.Describe() << "\n" << Built.B.Errors();
        Built.B.Report->PrintOptions()->SetShowDialog(false);
        Built.B.Report->PrintOptions()->SetPrinter(frxResources()->Get("prDefault"));
        ASSERT_NE(Printer(), nullptr);
        Printer()->SetFileName(Path.c_str());
        ASSERT_TRUE(frxPrintPreviewPages(static_cast<TfrxPreviewPages *>(Built.B.Pages())))
            << L.Describe();
        const std::vector<std::string> Sheets = printtest::PdfPages(Path);
        ASSERT_EQ(static_cast<int>(Sheets.size()), Built.B.PageCount()) << L.Describe();
        for (int p = 0; p < Built.B.PageCount(); ++p)
            for (const TBox &O : ReadPage(Built.B.Pages(), p).Objects) {
                const bool Record = Number(O.Text, 'M') > 0 || Number(O.Text, 'D') > 0 ||
                                    Number(O.Text, 'S') > 0 || Number(O.Text, 'c') > 0;
                if (Record) {
                    EXPECT_TRUE(HasWord(Sheets[static_cast<std::size_t>(p)], O.Text))
                        << L.Describe() << ": " << O.Text << " is not on sheet " << p + 1;
                }
            }
        std::remove(Path.c_str());
    }
}
