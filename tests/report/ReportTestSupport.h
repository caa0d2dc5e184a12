#pragma once

// Helpers of the report library's tests: texts as bytes, streams as texts,
// and message boxes answered without a person.

#include "platform/rtl/Classes.h"
#include "platform/vcl/Dialogs.h"
#include "report/frxClass.h"

#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

inline void PrintTo(const AnsiString &Text, std::ostream *Out)
{
    *Out << '"' << Text.ToUtf8() << '"';
}

// A Russian literal of the test source in the program's code page.
AnsiString Cp(const char *Utf8);

// The whole content of a stream written by Write.
template <class F> AnsiString Written(F Write)
{
    TStringStream Stream;
    Write(&Stream);
    return Stream.DataString();
}

// The bytes of a file, and a file made of Text.
inline AnsiString FileText(const AnsiString &Name)
{
    TFileStream File(Name, fmOpenRead | fmShareDenyNone);
    TStringStream Text;
    Text.CopyFrom(&File, 0);
    return Text.DataString();
}
inline void WriteFileText(const AnsiString &Name, const AnsiString &Text)
{
    TStringStream Stream(Text);
    TFileStream File(Name, fmCreate);
    File.CopyFrom(&Stream, 0);
}

// Each key's text replaced by a mark of its own for the time of a test, so a message
// shows whether it was looked up in the resource table.
class MarkedTexts
{
public:
    explicit MarkedTexts(std::initializer_list<const char *> Keys);
    ~MarkedTexts();
    MarkedTexts(const MarkedTexts &) = delete;
    MarkedTexts &operator=(const MarkedTexts &) = delete;

    static AnsiString Mark(const char *Key) { return AnsiString("<") + Key + ">"; }

private:
    std::vector<std::pair<AnsiString, AnsiString>> FSaved;
};

// Whether Text carries the mark of Key.
inline bool Holds(const AnsiString &Text, const char *Key)
{
    return Text.Pos(MarkedTexts::Mark(Key)) > 0;
}

// The message of the exception Call raises, or "no exception".
template <class F> AnsiString MessageOf(F Call)
{
    try {
        Call();
    } catch (const Exception &E) {
        return E.Message();
    }
    return "no exception";
}

// An XML file whose element Root holds Levels elements, each inside the one before.
AnsiString NestedXML(const char *Root, int Levels);

// Puts scripted dialogs in place for the lifetime of the object.
class ScriptedBoxes
{
public:
    ScriptedBoxes();
    ~ScriptedBoxes();
    ScriptedBoxes(const ScriptedBoxes &) = delete;
    ScriptedBoxes &operator=(const ScriptedBoxes &) = delete;

    vcl::ScriptedDialogs Dialogs;

private:
    vcl::DialogProvider *FBefore;
};

// An engine that builds no pages: its run finishes, or gives up when the test says so.
class IdleEngine : public TfrxCustomEngine
{
public:
    using TfrxCustomEngine::TfrxCustomEngine;
    void EndPage() override {}
    void NewColumn() override {}
    void NewPage() override {}
    void ShowBand(TfrxBand *) override {}
    void ShowBand(TClass) override {}
    double FooterHeight() override { return 0; }
    double FreeSpace() override { return 0; }
    bool Run() override { return Finishes; }
    Variant GetAggregateValue(const AnsiString &, const AnsiString &, const Variant &, int) override
    {
        return Variant();
    }
    bool Finishes = true;
};

// A designer that shows no window and answers the report as one with nothing open would:
// a test overrides only what it watches.
class TQuietDesigner : public TfrxCustomDesigner
{
public:
    using TfrxCustomDesigner::TfrxCustomDesigner;
    TStrings *GetCode() override { return nullptr; }
    bool InsertExpression(const AnsiString &) override { return false; }
    void Lock() override {}
    void ReloadPages(int) override {}
    void ReloadReport() override {}
    void UpdateDataTree() override {}
    void UpdatePage() override {}
};

// Takes back, when it goes, the property editors a test registered in the library's
// collection (hidden properties among them), so a repeated test finds it as it was.
class KeptPropertyEditors
{
public:
    KeptPropertyEditors();
    ~KeptPropertyEditors();
    KeptPropertyEditors(const KeptPropertyEditors &) = delete;
    KeptPropertyEditors &operator=(const KeptPropertyEditors &) = delete;

private:
    int FCount;
};

// A page "Page1" added to the report with one band "MasterData1" on it: the band.
TfrxMasterData *AddPageAndBand(TfrxReport &Report);

// A page header and a band of five rows with two memos, one flowing into the other,
// variables and a C++Script: a template that prints without a host.
struct SampleReport {
    SampleReport();

    TfrxReport Report{nullptr};
    TfrxReportPage *Page;
    TfrxPageHeader *Header;
    TfrxMasterData *Data;
    TfrxMemoView *Memo;
    TfrxMemoView *Total;
};

// A band over the three rows of a data set "Inner" that the report owns, printing the
// variables beside the line number ("Итого 1: 12.5"), and a style: with the data set
// after the pages, as the report keeps it, all a form resource carries beside the tree.
struct OwnRowsReport {
    OwnRowsReport();

    TfrxReport Report{nullptr};
};

// The report's form resource as the program wrote it before it wrote the class library's
// collections there: the data sets, variables and styles each a list of the items'
// attribute texts. Written here as it was, whatever the program's writer does now.
void WriteWithCollectionsAsTexts(TfrxReport *Report, TStream *Stream);

// The report's form resource.
void WriteFormResource(TfrxReport *Report, TStream *Stream);

// Either form a form resource may hold the report's collections in.
using TResourceWriter = void (*)(TfrxReport *Report, TStream *Stream);
inline const TResourceWriter EveryResourceForm[] = {WriteFormResource, WriteWithCollectionsAsTexts};

// A file name in a fresh temporary folder that is removed afterwards.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    AnsiString Path(const char *Name) const;

private:
    std::string FDir;
};
