#pragma once

// Reports built in code for the engine's tests and benchmark: an A4 page with
// 10 mm margins, bands and memos placed by hand, a user data set of rows held
// in the test, a reading of the prepared pages band by band, and a preview
// window to show them in.

#include "report/frxClass.h"
#include "report_output/frxEngine.h"
#include "report_output/frxPreview.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace enginetest
{

// Rows of named values; the data set walks them and the report's value
// callback answers each name from the current row.
class TRows
{
public:
    explicit TRows(const char *Name) : DataSet(nullptr)
    {
        DataSet.SetName(Name);
        DataSet.SetRangeEnd(reCount);
        DataSet.OnGetValue = [this](const AnsiString &Field, Variant &Value) {
            Value = Get(Field.ToStd());
        };
    }

    void SetRows(std::vector<std::map<std::string, Variant>> Rows)
    {
        FRows = std::move(Rows);
        DataSet.SetRangeEndCount(static_cast<int>(FRows.size()));
    }
    void SetCount(int Count)
    {
        FRows.assign(static_cast<std::size_t>(Count), {});
        DataSet.SetRangeEndCount(Count);
    }
    Variant Get(const std::string &Field) const
    {
        const int Row = DataSet.RecNo();
        if (Row < 0 || Row >= static_cast<int>(FRows.size())) return ::Null();
        const auto &Values = FRows[static_cast<std::size_t>(Row)];
        auto Found = Values.find(Field);
        return Found == Values.end() ? ::Null() : Found->second;
    }
    bool Has(const std::string &Field) const
    {
        const int Row = DataSet.RecNo();
        return Row >= 0 && Row < static_cast<int>(FRows.size()) &&
               FRows[static_cast<std::size_t>(Row)].count(Field) > 0;
    }

    TfrxUserDataSet DataSet;

private:
    std::vector<std::map<std::string, Variant>> FRows;
};

class TBuilder
{
public:
    TBuilder()
    {
        frxRegisterOutput();
        Report = std::make_unique<TfrxReport>(nullptr);
        Report->EngineOptions()->SetNewSilentMode(simSilent);
        Report->OnGetValue = [this](const AnsiString &Name, Variant &Value) {
            for (TRows *Rows : FSources)
                if (Rows->Has(Name.ToStd())) {
                    Value = Rows->Get(Name.ToStd());
                    return;
                }
        };
        Page = new TfrxReportPage(Report.get());
        Page->SetName("Page1");
        Page->SetLeftMargin(10);
        Page->SetRightMargin(10);
        Page->SetTopMargin(10);
        Page->SetBottomMargin(10);
    }

    void Use(TRows &Rows)
    {
        FSources.push_back(&Rows);
        Report->DataSets()->Add(&Rows.DataSet);
    }

    template <class B> B *Band(const char *Name, double Top, double Height)
    {
        auto *Result = new B(Page);
        Result->SetName(Name);
        Result->SetTop(Top);
        Result->SetHeight(Height);
        return Result;
    }

    template <class B> B *Data(const char *Name, double Top, double Height, TRows &Rows)
    {
        B *Result = Band<B>(Name, Top, Height);
        Result->SetDataSet(&Rows.DataSet);
        return Result;
    }

    // A master data band over Rows (a set named "Rows") with a memo "Row <n>" each row.
    TfrxMasterData *NumberedRows(TRows &Rows)
    {
        Use(Rows);
        auto *Result = Data<TfrxMasterData>("MasterData1", 0, 20, Rows);
        Memo(Result, "RowMemo", "Row [Rows.\"n\"]", 0, 0, 200, 18);
        return Result;
    }

    static TfrxMemoView *Memo(TfrxBand *Band, const char *Name, const char *Text, double Left = 0,
                              double Top = 0, double Width = 200, double Height = 18)
    {
        auto *Result = new TfrxMemoView(Band);
        Result->SetName(Name);
        Result->SetBounds(Left, Top, Width, Height);
        Result->SetText(WideString(AnsiString::FromUtf8(Text)));
        return Result;
    }

    bool Prepare() { return Report->PrepareReport(true); }
    TfrxCustomPreviewPages *Pages() const { return Report->PreviewPages(); }
    int PageCount() const { return Pages()->Count(); }
    std::string Errors() const { return Report->Errors()->Text().ToUtf8(); }

    std::unique_ptr<TfrxReport> Report;
    TfrxReportPage *Page;

private:
    std::vector<TRows *> FSources;
};

// A preview window of Width x Height at the screen's corner, shown and ready for the
// built report, which is prepared into it afterwards.
inline std::unique_ptr<TfrxPreviewForm> ShowPreview(TBuilder &Build, int Width, int Height)
{
    Build.Report->PreviewOptions()->SetMaximized(false);
    auto Window = std::make_unique<TfrxPreviewForm>(nullptr);
    Window->SetBounds(0, 0, Width, Height);
    Window->SetReport(Build.Report.get());
    Build.Report->SetPreview(Window->Preview);
    Window->Init();
    Window->Show();
    return Window;
}

inline std::string TextOf(TfrxCustomMemoView *Memo)
{
    std::string Text = AnsiString(Memo->Text()).ToUtf8();
    while (!Text.empty() && (Text.back() == '\n' || Text.back() == '\r'))
        Text.pop_back();
    return Text;
}

// An object of a prepared band, placed in it.
struct TPlaced {
    std::string Name;
    double Top, Height;
    double Left = 0;
};

// One prepared band: its name, top and height, and the texts of its memos.
struct TShown {
    std::string Name;
    double Top = 0;
    double Height = 0;
    std::vector<std::string> Texts;
    std::vector<TPlaced> Objects;
    double Left = 0;
};

inline std::vector<TShown> Shown(TfrxCustomPreviewPages *Pages, int Index)
{
    std::vector<TShown> Result;
    TfrxPage *Page = Pages->GetPage(Index);
    if (!Page) return Result;
    TList *Bands = Page->Objects();
    for (int i = 0; i < Bands->Count(); ++i) {
        auto *Band = dynamic_cast<TfrxBand *>(static_cast<TfrxComponent *>(Bands->Items(i)));
        if (!Band) continue;
        TShown Item{Band->Name().ToStd(), Band->Top(), Band->Height(), {}, {}, Band->Left()};
        TList *Objects = Band->Objects();
        for (int j = 0; j < Objects->Count(); ++j) {
            auto *C = static_cast<TfrxComponent *>(Objects->Items(j));
            Item.Objects.push_back({C->Name().ToStd(), C->Top(), C->Height(), C->Left()});
        }
        for (int j = 0; j < Objects->Count(); ++j)
            if (auto *Memo = dynamic_cast<TfrxCustomMemoView *>(
                    static_cast<TfrxComponent *>(Objects->Items(j))))
                Item.Texts.push_back(TextOf(Memo));
        Result.push_back(std::move(Item));
    }
    return Result;
}

// A length to the hundredth, with a point whatever the locale.
inline std::string Hundredths(double Value)
{
    const long long Whole = std::llround(Value * 100);
    const long long Abs = Whole < 0 ? -Whole : Whole;
    char Text[48];
    std::snprintf(Text, sizeof Text, "%s%lld.%02lld", Whole < 0 ? "-" : "", Abs / 100, Abs % 100);
    return Text;
}

// The bands of a page as "Name@Top", tops to the hundredth.
inline std::vector<std::string> Layout(TfrxCustomPreviewPages *Pages, int Index)
{
    std::vector<std::string> Result;
    for (const TShown &Band : Shown(Pages, Index)) {
        Result.push_back(Band.Name + "@" + Hundredths(Band.Top));
    }
    return Result;
}

// The first memo texts of every band of that name on a page, in order.
inline std::vector<std::string> TextsOf(TfrxCustomPreviewPages *Pages, int Index,
                                        const std::string &BandName)
{
    std::vector<std::string> Result;
    for (const TShown &Band : Shown(Pages, Index))
        if (Band.Name == BandName)
            for (const std::string &Text : Band.Texts)
                Result.push_back(Text);
    return Result;
}

} // namespace enginetest
