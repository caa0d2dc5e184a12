// Layouts made from fixed seeds, each prepared and read back page by page: whatever the
// engine moves between pages (kept blocks, kept footers, rows of columns, details that go
// on), every record prints once and in order, each page's totals are its own records', and
// nothing lies over the page footer, past the page or outside its column.

#include "tests/report_output/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace enginetest;

namespace
{

constexpr double Tolerance = 0.01;
constexpr double ColumnWidth = 200;
// The printable height of the builder's A4 page with 10 mm margins.
const double PageHeight = 297 * 3.77953 - 20 * 3.77953;

// A data band of the layout with its header and footer (heights; 0 leaves a band out).
struct TDataShape {
    double Height = 20, Header = 0, Footer = 0;
    bool KeepTogether = false, KeepFooter = false, KeepHeader = false, StartNewPage = false;

    void Describe(std::ostream &S, const char *Name) const
    {
        S << Name << " " << Height << " (header " << Header << ", footer " << Footer
          << (KeepTogether ? ", KeepTogether" : "") << (KeepFooter ? ", KeepFooter" : "")
          << (KeepHeader ? ", KeepHeader" : "") << (StartNewPage ? ", StartNewPage" : "") << ")";
    }
};

// What a layout is made of. The band whose records go side by side is the innermost one, so
// that no records of another band come between the columns of a row; no band is taller than
// a page, so that nothing has to be split.
struct TLayout {
    unsigned Seed = 0;
    // The masters, and the detail rows of each (none: no detail band).
    int Masters = 0;
    std::vector<int> Details;
    TDataShape Master, Detail;
    int Columns = 1;
    bool PrintIfDetailEmpty = true;
    // Heights of optional bands; 0 leaves the band out.
    double Title = 0, PageHeader = 0, Child = 0, Summary = 0;
    bool ReprintHeaders = false, KeepChild = false;
    int GroupSize = 0; // masters in a group; 0: no group
    double GroupHeader = 20, GroupFooter = 0;
    bool GroupKeepTogether = false;
    double PageFooter = 40;

    bool HasDetails() const { return !Details.empty(); }
    int ColumnsOfMasters() const { return HasDetails() ? 1 : Columns; }
    int ColumnsOfDetails() const { return HasDetails() ? Columns : 1; }
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
    S << ", columns " << Columns << "; ";
    Master.Describe(S, "master");
    if (HasDetails()) Detail.Describe(S << "; ", "detail");
    S << "; title " << Title << ", page header " << PageHeader
      << (ReprintHeaders ? ", headers reprinted" : "") << ", child " << Child
      << (KeepChild ? " kept" : "") << ", summary " << Summary << ", groups of " << GroupSize
      << " (header " << GroupHeader << ", footer " << GroupFooter
      << (GroupKeepTogether ? ", kept together" : "") << "), page footer " << PageFooter;
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
    double Height(int Percent, int Low, int High)
    {
        return Chance(Percent) ? static_cast<double>(Between(Low, High)) : 0.0;
    }

    TDataShape Data(int Low, int High, bool MayStartNewPages)
    {
        TDataShape D;
        D.Height = Between(Low, High);
        D.Header = Height(40, 10, 30);
        D.Footer = Height(55, 10, 40);
        D.KeepTogether = Chance(30);
        D.KeepFooter = Chance(30);
        D.KeepHeader = D.Header > 0 && Chance(50);
        D.StartNewPage = MayStartNewPages && Chance(7);
        return D;
    }

private:
    std::mt19937 FRandom;
};

TLayout Generate(unsigned Seed)
{
    TGenerator G(Seed);
    TLayout L;
    L.Seed = Seed;
    L.Columns = G.Between(1, 3);
    if (G.Chance(55)) {
        L.Masters = G.Between(1, 8);
        // Some masters have no detail, some a few, and now and then one fills a page or more.
        for (int i = 0; i < L.Masters; ++i)
            L.Details.push_back(G.Chance(15)   ? 0
                                : G.Chance(15) ? G.Between(30, 90)
                                               : G.Between(1, 12));
        L.PrintIfDetailEmpty = G.Chance(70);
        L.Detail = G.Data(12, 40, L.Columns == 1);
    } else {
        L.Masters = G.Between(1, 40 * L.Columns);
    }
    L.Master = G.Data(12, 60, L.ColumnsOfMasters() == 1);
    L.ReprintHeaders = G.Chance(40);
    L.Title = G.Height(40, 20, 300);
    L.PageHeader = G.Height(40, 10, 40);
    L.Child = G.Height(25, 8, 40);
    L.KeepChild = L.Child > 0 && G.Chance(50);
    L.Summary = G.Height(60, 10, 60);
    if (G.Chance(30)) {
        L.GroupSize = G.Between(1, 8);
        L.GroupHeader = G.Between(10, 30);
        L.GroupFooter = G.Height(60, 10, 30);
        L.GroupKeepTogether = G.Chance(50);
    }
    L.PageFooter = G.Between(20, 60);
    return L;
}

// Master m (from 1) has x = m % 7 + 1 and group (m - 1) / GroupSize; details are numbered on
// across masters.
struct TBuiltLayout {
    const TLayout &L;
    TBuilder B;
    TRows Masters{"Masters"}, Details{"Details"};

    explicit TBuiltLayout(const TLayout &Layout) : L(Layout)
    {
        std::vector<std::map<std::string, Variant>> Rows;
        for (int m = 1; m <= L.Masters; ++m)
            Rows.push_back({{"m", m}, {"x", X(m)}, {"g", L.GroupSize ? (m - 1) / L.GroupSize : 0}});
        Masters.SetRows(Rows);
        B.Use(Masters);
        double Top = 0;
        auto Next = [&Top](double Height) {
            const double At = Top;
            Top += Height + 20;
            return At;
        };
        if (L.Title > 0) B.Band<TfrxReportTitle>("ReportTitle1", Next(L.Title), L.Title);
        if (L.PageHeader > 0)
            B.Band<TfrxPageHeader>("PageHeader1", Next(L.PageHeader), L.PageHeader);
        TfrxMasterData *Master =
            AddData<TfrxMasterData>(L.Master, "MasterData1", "Header1", Masters,
                                    L.ColumnsOfMasters(), "M[Masters.\"m\"]", Next, [&] {
                                        if (L.GroupSize == 0) return;
                                        auto *Group = B.Band<TfrxGroupHeader>(
                                            "GroupHeader1", Next(L.GroupHeader), L.GroupHeader);
                                        Group->SetCondition("g");
                                        Group->SetKeepTogether(L.GroupKeepTogether);
                                        Group->SetReprintOnNewPage(L.ReprintHeaders);
                                    });
        Master->SetPrintIfDetailEmpty(L.PrintIfDetailEmpty);
        if (L.Child > 0) {
            auto *Child = B.Band<TfrxChild>("Child1", Next(L.Child), L.Child);
            TBuilder::Memo(Child, "ChildMemo", "c[Masters.\"m\"]", 0, 0, ColumnWidth - 20,
                           std::min(L.Child, 18.0));
            Master->SetChild(Child);
            Master->SetKeepChild(L.KeepChild);
        }
        if (L.Master.Footer > 0)
            CountOf("MasterData1",
                    B.Band<TfrxFooter>("Footer1", Next(L.Master.Footer), L.Master.Footer));
        if (L.HasDetails()) AddDetails(Next);
        if (L.GroupSize > 0 && L.GroupFooter > 0)
            CountOf("MasterData1",
                    B.Band<TfrxGroupFooter>("GroupFooter1", Next(L.GroupFooter), L.GroupFooter));
        if (L.Summary > 0)
            Totals(B.Band<TfrxReportSummary>("ReportSummary1", Next(L.Summary), L.Summary));
        Totals(B.Band<TfrxPageFooter>("PageFooter1", Next(L.PageFooter), L.PageFooter));
    }

    static int X(int Master) { return Master % 7 + 1; }

    template <class Next> void AddDetails(Next &NextTop)
    {
        Details.DataSet.OnFirst = [this](TObject *) {
            const int Master = Masters.Get("m").AsInteger();
            int From = 1;
            for (int m = 1; m < Master; ++m)
                From += L.Details[static_cast<std::size_t>(m - 1)];
            std::vector<std::map<std::string, Variant>> Rows;
            for (int i = 0; i < L.Details[static_cast<std::size_t>(Master - 1)]; ++i)
                Rows.push_back({{"d", From + i}});
            Details.SetRows(Rows);
        };
        B.Use(Details);
        AddData<TfrxDetailData>(L.Detail, "DetailData1", "Header2", Details, L.ColumnsOfDetails(),
                                "D[Details.\"d\"]", NextTop, [] {});
        if (L.Detail.Footer > 0)
            CountOf("DetailData1",
                    B.Band<TfrxFooter>("Footer2", NextTop(L.Detail.Footer), L.Detail.Footer));
    }

    // The band with a memo of Text in each column, and its header (with what goes between
    // them), placed from the next top down; its footer is wired to the band placed right above
    // it, so it comes after.
    template <class Band, class Next, class Between>
    Band *AddData(const TDataShape &D, const char *Name, const char *HeaderName, TRows &Rows,
                  int Columns, const char *Text, Next &NextTop, Between &&InBetween)
    {
        if (D.Header > 0)
            B.Band<TfrxHeader>(HeaderName, NextTop(D.Header), D.Header)
                ->SetReprintOnNewPage(L.ReprintHeaders);
        InBetween();
        auto *Result = B.Data<Band>(Name, NextTop(D.Height), D.Height, Rows);
        Result->SetKeepTogether(D.KeepTogether);
        Result->SetKeepFooter(D.KeepFooter);
        Result->SetKeepHeader(D.KeepHeader);
        Result->SetStartNewPage(D.StartNewPage);
        Result->SetColumns(Columns);
        Result->SetColumnWidth(ColumnWidth);
        TBuilder::Memo(Result, (std::string(Name) + "Memo").c_str(), Text, 0, 0, ColumnWidth - 20,
                       std::min(D.Height, 18.0));
        return Result;
    }

    // A footer that counts the records of its data band.
    static void CountOf(const char *DataBand, TfrxBand *Footer)
    {
        const std::string Text = "[COUNT(" + std::string(DataBand) + ")]";
        TBuilder::Memo(Footer, (Footer->Name() + "Count").ToStd().c_str(), Text.c_str(), 0, 0, 100,
                       std::min(Footer->Height(), 18.0));
    }

    // The masters' sum and the count of the innermost records, as the checker reads them.
    void Totals(TfrxBand *Band)
    {
        const char *Count = L.HasDetails() ? "[COUNT(DetailData1)]" : "[COUNT(MasterData1)]";
        const double Height = std::min(Band->Height(), 18.0);
        TBuilder::Memo(Band, (Band->Name() + "Sum").ToStd().c_str(), "[SUM(<Masters.\"x\">)]", 0, 0,
                       100, Height);
        TBuilder::Memo(Band, (Band->Name() + "Count").ToStd().c_str(), Count, 200, 0, 100, Height);
    }
};

// A prepared object, in page coordinates.
struct TBox {
    std::string Band, Text;
    double Left, Top, Width, Height;
    double Bottom() const { return Top + Height; }
};

struct TReadPage {
    std::vector<TBox> Bands;
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
        const std::string Name = Band->Name().ToStd();
        std::string Text;
        TList *Objects = Band->Objects();
        for (int j = 0; j < Objects->Count(); ++j) {
            auto *C = static_cast<TfrxComponent *>(Objects->Items(j));
            std::string Own;
            if (auto *Memo = dynamic_cast<TfrxCustomMemoView *>(C)) Own = TextOf(Memo);
            if (Text.empty()) Text = Own;
            Result.Objects.push_back({Name, Own, Band->Left() + C->Left(), Band->Top() + C->Top(),
                                      C->Width(), C->Height()});
        }
        Result.Bands.push_back(
            {Name, Text, Band->Left(), Band->Top(), Band->Width(), Band->Height()});
    }
    return Result;
}

// What the prepared pages must show for a layout; every fault found is one line.
class TChecker
{
public:
    TChecker(const TLayout &L, TfrxCustomPreviewPages *Pages) : FLayout(L), FPages(Pages) {}

    std::vector<std::string> Faults()
    {
        std::vector<int> MastersSeen, DetailsSeen;
        std::map<std::string, std::vector<std::string>> FooterTexts;
        int AllSum = 0, AllDetails = 0;
        for (int p = 0; p < FPages->Count(); ++p) {
            const TReadPage Page = ReadPage(FPages, p);
            int Sum = 0, Count = 0;
            for (const TBox &Band : Page.Bands) {
                if (Band.Band == "MasterData1") {
                    MastersSeen.push_back(Number(Band.Text, 'M'));
                    Sum += TBuiltLayout::X(MastersSeen.back());
                    Count += FLayout.HasDetails() ? 0 : 1;
                } else if (Band.Band == "DetailData1") {
                    DetailsSeen.push_back(Number(Band.Text, 'D'));
                    ++Count;
                }
            }
            for (const TBox &Band : Page.Bands)
                if (Band.Band.find("Footer") != std::string::npos && Band.Band != "PageFooter1")
                    FooterTexts[Band.Band].push_back(Band.Text);
            AllSum += Sum;
            AllDetails += Count;
            CheckPlaces(p, Page);
            CheckTotals(p, Page, "PageFooter1", Sum, Count);
            if (p + 1 == FPages->Count() && FLayout.Summary > 0)
                CheckTotals(p, Page, "ReportSummary1", AllSum, AllDetails);
        }
        CheckRecords("masters", MastersSeen, ExpectedMasters());
        CheckRecords("details", DetailsSeen, ExpectedDetails());
        CheckFooters(FooterTexts);
        return FFaults;
    }

private:
    static int Number(const std::string &Text, char Prefix)
    {
        return Text.size() > 1 && Text[0] == Prefix ? std::atoi(Text.c_str() + 1) : -1;
    }

    bool Shows(int Master) const
    {
        return !FLayout.HasDetails() || FLayout.PrintIfDetailEmpty ||
               FLayout.Details[static_cast<std::size_t>(Master - 1)] > 0;
    }

    std::vector<int> ExpectedMasters() const
    {
        std::vector<int> Result;
        for (int m = 1; m <= FLayout.Masters; ++m)
            if (Shows(m)) Result.push_back(m);
        return Result;
    }

    std::vector<int> ExpectedDetails() const
    {
        std::vector<int> Result;
        int Number = 0;
        for (int Count : FLayout.Details)
            for (int i = 0; i < Count; ++i)
                Result.push_back(++Number);
        return Result;
    }

    // Each footer counts the records of its own run: all masters, those of a group, the
    // details of a master.
    void CheckFooters(const std::map<std::string, std::vector<std::string>> &Seen)
    {
        std::map<std::string, std::vector<std::string>> Due;
        const std::vector<int> Masters = ExpectedMasters();
        if (FLayout.Master.Footer > 0 && !Masters.empty())
            Due["Footer1"].push_back(std::to_string(Masters.size()));
        if (FLayout.GroupSize > 0 && FLayout.GroupFooter > 0)
            for (std::size_t i = 0; i < Masters.size();) {
                const int Group = (Masters[i] - 1) / FLayout.GroupSize;
                std::size_t End = i;
                while (End < Masters.size() && (Masters[End] - 1) / FLayout.GroupSize == Group)
                    ++End;
                Due["GroupFooter1"].push_back(std::to_string(End - i));
                i = End;
            }
        if (FLayout.Detail.Footer > 0)
            for (int Count : FLayout.Details)
                if (Count > 0) Due["Footer2"].push_back(std::to_string(Count));
        for (const auto &[Band, Texts] : Due)
            if (Seen.count(Band) == 0 || Seen.at(Band) != Texts)
                Fault(-1, Band + " reads " +
                              Join(Seen.count(Band) ? Seen.at(Band) : std::vector<std::string>{}) +
                              " where " + Join(Texts) + " is due");
        for (const auto &[Band, Texts] : Seen)
            if (Due.count(Band) == 0) Fault(-1, Band + " printed where none is due");
    }

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
        S << "; due: 1.." << Due.size();
        Fault(-1, S.str());
    }

    void CheckTotals(int Page, const TReadPage &Read, const std::string &Band, int Sum, int Count)
    {
        std::vector<std::string> Texts;
        for (const TBox &O : Read.Objects)
            if (O.Band == Band) Texts.push_back(O.Text);
        const std::vector<std::string> Due{std::to_string(Sum), std::to_string(Count)};
        if (Texts != Due)
            Fault(Page, Band + " reads " + Join(Texts) + " where " + Join(Due) + " is due");
    }

    // Nothing over the page footer or past the page; the bands of records in their columns.
    void CheckPlaces(int Page, const TReadPage &Read)
    {
        const double FooterTop = PageHeight - FLayout.PageFooter;
        int Footers = 0;
        for (const TBox &Band : Read.Bands) {
            if (Band.Band == "PageFooter1") {
                ++Footers;
                continue;
            }
            if (Band.Bottom() > FooterTop + Tolerance)
                Fault(Page, Band.Band + " " + Band.Text + " at " + Hundredths(Band.Top) + "-" +
                                Hundredths(Band.Bottom()) + " runs over the page footer at " +
                                Hundredths(FooterTop));
        }
        if (Footers != 1) Fault(Page, std::to_string(Footers) + " page footers");
        for (const TBox &O : Read.Objects) {
            if (O.Bottom() > PageHeight + Tolerance)
                Fault(Page, O.Band + " " + O.Text + " ends past the page");
            const bool OfMaster = O.Band == "MasterData1" || O.Band == "Child1";
            const int Columns = OfMaster                  ? FLayout.ColumnsOfMasters()
                                : O.Band == "DetailData1" ? FLayout.ColumnsOfDetails()
                                                          : 1;
            if (Columns < 2) continue;
            const int Column = static_cast<int>(std::floor(O.Left / ColumnWidth + Tolerance));
            if (Column >= Columns || O.Left + O.Width > (Column + 1) * ColumnWidth + Tolerance)
                Fault(Page, O.Band + " " + O.Text + " at left " + Hundredths(O.Left) +
                                " lies outside its column");
        }
        for (std::size_t i = 0; i < Read.Bands.size(); ++i)
            for (std::size_t j = i + 1; j < Read.Bands.size(); ++j)
                if (Overlap(Read.Bands[i], Read.Bands[j]))
                    Fault(Page, Read.Bands[i].Band + " " + Read.Bands[i].Text + " and " +
                                    Read.Bands[j].Band + " " + Read.Bands[j].Text + " overlap at " +
                                    Hundredths(Read.Bands[j].Top));
    }

    // Records and their children are as wide as a column.
    static double WidthOf(const TBox &Band)
    {
        const bool InColumn = Band.Band.find("Data") != std::string::npos || Band.Band == "Child1";
        return InColumn ? ColumnWidth : Band.Width;
    }

    static bool Overlap(const TBox &A, const TBox &B)
    {
        const double AWidth = WidthOf(A), BWidth = WidthOf(B);
        return A.Top < B.Bottom() - Tolerance && B.Top < A.Bottom() - Tolerance &&
               A.Left < B.Left + BWidth - Tolerance && B.Left < A.Left + AWidth - Tolerance;
    }

    static std::string Join(const std::vector<std::string> &Texts)
    {
        std::string Result = "\"";
        for (std::size_t i = 0; i < Texts.size(); ++i)
            Result += (i ? "/" : "") + Texts[i];
        return Result + "\"";
    }

    const TLayout &FLayout;
    TfrxCustomPreviewPages *FPages;
    std::vector<std::string> FFaults;
};

constexpr unsigned Layouts = 500;

} // namespace

TEST(EngineLayouts, RecordsTotalsAndPlacesHoldForEveryGeneratedLayout)
{
    int Failed = 0;
    for (unsigned Seed = 1; Seed <= Layouts; ++Seed) {
        const TLayout L = Generate(Seed);
        TBuiltLayout Built(L);
        ASSERT_TRUE(Built.B.Prepare()) << L.Describe() << "\n" << Built.B.Errors();
        const std::vector<std::string> Faults = TChecker(L, Built.B.Pages()).Faults();
        if (Faults.empty()) continue;
        std::string Text;
        for (std::size_t i = 0; i < Faults.size() && i < 5; ++i)
            Text += "\n  " + Faults[i];
        ADD_FAILURE() << L.Describe() << " (" << Built.B.PageCount() << " pages)" << Text;
        if (++Failed == 10) break;
    }
}
