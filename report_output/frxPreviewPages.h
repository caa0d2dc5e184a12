#pragma once

// The prepared report: pages kept in one XML document as differences from
// copies of the report's own pages, rebuilt on demand through a small cache,
// with the outline, the anchors and the prepared-report file.

#include "report/frxClass.h"
#include "report/frxXML.h"

#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

// Aliases of source objects: the short element names of prepared objects.
class TfrxDictionary
{
public:
    void Add(const AnsiString &Name, const AnsiString &SourceName, TfrxComponent *Obj);
    // Adds the object under Base + the first free number and returns that alias.
    AnsiString AddUnique(const AnsiString &Base, const AnsiString &SourceName, TfrxComponent *Obj);
    AnsiString CreateUniqueName(const AnsiString &Base) const;
    TfrxComponent *GetObject(const AnsiString &Name) const;
    AnsiString GetSourceName(const AnsiString &Name) const;
    void Clear();
    int Count() const { return static_cast<int>(FAliases.size()); }
    // In the order of the aliases.
    template <class F> void ForEach(F Visit) const
    {
        for (const auto &[Alias, Index] : FAliases)
            Visit(Alias, FSources[Index].Name);
    }

private:
    struct Source {
        AnsiString Name;
        TfrxComponent *Obj;
    };
    const Source *Find(const AnsiString &Name) const;

    std::map<AnsiString, std::size_t> FAliases;
    std::vector<Source> FSources;
};

// The outline tree over the "outline" section of the prepared pages' document.
class TfrxOutline : public TfrxCustomOutline
{
    QRV4_CLASS(TfrxOutline, TfrxCustomOutline)

public:
    TfrxOutline(TfrxCustomPreviewPages *PreviewPages, TfrxXMLItem *Root);

    int GetCount() override;
    void AddItem(const AnsiString &Text, int Top) override;
    void LevelDown(int Index) override;
    void LevelRoot() override;
    void LevelUp() override;
    // An index outside the current item's children leaves the outputs alone.
    void GetItem(int Index, AnsiString &Text, int &Page, int &Top) override;
    void ShiftItems(TfrxXMLItem *From, int NewTop) override;
    TfrxXMLItem *GetCurPosition() override;

    TfrxXMLItem *Root() const { return FRoot; }
    // The entry a keep block's outline position was followed by: the one to move with it.
    TfrxXMLItem *FirstEntryAfter(TfrxXMLItem *Position) const;
    // After the document was cleared or loaded: the new section, at its top.
    void SetRoot(TfrxXMLItem *Value)
    {
        FRoot = Value;
        SetCurItem(Value);
    }

private:
    TfrxXMLItem *FRoot;
};

class TfrxPreviewPages : public TfrxCustomPreviewPages
{
    QRV4_CLASS(TfrxPreviewPages, TfrxCustomPreviewPages)

public:
    explicit TfrxPreviewPages(TfrxReport *Report);
    ~TfrxPreviewPages() override;

    int Count() override;
    TfrxPage *GetPage(int Index) override;
    TPoint GetPageSize(int Index) override;
    void Clear() override;
    void Initialize() override;
    void AddObject(TfrxComponent *Obj) override;
    void AddPage(TfrxReportPage *Page) override;
    void AddSourcePage(TfrxReportPage *Page) override;
    void AddToSourcePage(TfrxComponent *Obj) override;
    void BeginPass() override;
    void ClearFirstPassPages() override;
    void CutObjects(int AFrom) override;
    void Finish() override;
    void PasteObjects(double X, double Y) override;
    bool BandExists(TfrxBand *Band) override;
    int GetCurPosition() override;
    double GetLastY() override;
    void AddEmptyPage(int Index) override;
    void DeletePage(int Index) override;
    void ModifyPage(int Index, TfrxReportPage *Page) override;
    void DrawPage(int Index, TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                  double OffsetY) override;
    void ObjectOver(int Index, int X, int Y, TMouseButton Button, TShiftState Shift, double Scale,
                    double OffsetX, double OffsetY, bool Click, TCursor &Cursor) override;
    void AddFrom(TfrxReport *Report) override;
    // A damaged or inconsistent file is refused with EfrxXMLError and leaves the store empty.
    void LoadFromStream(TStream *Stream, bool AllowPartialLoading = false) override;
    void SaveToStream(TStream *Stream) override;
    bool LoadFromFile(const AnsiString &FileName, bool ExceptionIfAbsent = false) override;
    void SaveToFile(const AnsiString &FileName) override;
    bool Print() override;
    bool Export(TfrxCustomExportFilter *Filter) override;

    void AddAnchor(const AnsiString &Text) override;
    TfrxXMLItem *FindAnchor(const AnsiString &Text);
    int GetAnchorPage(const AnsiString &Text) override;
    TfrxComponent *GetObject(const AnsiString &Name) const { return FDictionary.GetObject(Name); }

    TfrxXMLDocument *XMLDoc() const { return FXMLDoc.get(); }
    const TfrxDictionary &Dictionary() const { return FDictionary; }
    int SourcePageCount() const { return static_cast<int>(FSourcePages.size()); }
    TfrxPage *SourcePages(int Index) const { return FSourcePages[Index].get(); }
    int CacheCount() const { return static_cast<int>(PageCache.size()); }
    // The cached page indexes, most recently used first.
    std::vector<int> CachedPages() const;
    void ClearCache();

private:
    class MirroredMargins;
    // The filter's start, the pages in Range (all when empty) and its finish.
    bool ExportPages(TfrxCustomExportFilter *Filter, TStrings *Range);
    // ExportPages; a failure goes to the report's errors and its error handler.
    bool ExportOrReport(TfrxCustomExportFilter *Filter, TStrings *Range);
    void ExportPage(TfrxCustomExportFilter *Filter, int Index);
    struct CachedPage {
        int Index;
        std::unique_ptr<TfrxPage> Page;
    };

    TfrxXMLItem *Section(const AnsiString &Name);
    TfrxXMLItem *PagesItem() { return Section("previewpages"); }
    TfrxXMLItem *CurPageItem();
    void AddObjectTo(TfrxXMLItem *Parent, TfrxComponent *Obj);
    void RegisterSourceObject(TfrxComponent *Original, TfrxComponent *Copy,
                              const AnsiString &Prefix);
    // The text a prepared object's difference is read over: the copy's own attributes.
    void RememberBaseText(TfrxComponent *Copy);
    static AnsiString AliasPrefix(TfrxComponent *Copy);
    void ResetOutline();
    void UnloadPages();
    std::unique_ptr<TfrxPage> BuildPage(int Index);
    void BuildObjects(TfrxXMLItem *Item, TfrxComponent *Parent);
    void AddCached(int Index, std::unique_ptr<TfrxPage> Page);
    TfrxPage *SourcePageOf(const TfrxXMLItem *PageItem) const;
    void WriteWholePage(TfrxXMLItem *Item, TfrxComponent *Page);
    void SaveSections();
    void LoadSections();
    void LoadSourcePages();
    void LoadDictionary();
    void CheckPages();
    bool EngineRunning() const;
    TfrxView *ViewAt(TfrxReportPage *Page, int Index, int X, int Y, double Scale, double OffsetX,
                     double OffsetY);
    void FollowURL(const AnsiString &URL);

    std::unique_ptr<TfrxXMLDocument> FXMLDoc;
    TfrxDictionary FDictionary;
    std::vector<std::unique_ptr<TfrxPage>> FSourcePages;
    std::vector<CachedPage> PageCache;
    std::unique_ptr<TfrxPage> FUncachedPage; // built while the engine runs
    // Counts the pages dropped from the cache, so that a holder of one knows it is gone.
    unsigned long long FDroppedPages = 0;
    std::unordered_map<const TfrxComponent *, AnsiString> FBaseTexts;
    int FFirstPassPage = -1;
    int FFirstObjectIndex = 0;
    long long XMLSize = 0;
};

std::unique_ptr<TfrxCustomPreviewPages> frxCreatePreviewPages(TfrxReport *Report);

// The dot-matrix export runs the report's print events around its export.
bool frxIsDotMatrixExport(const TfrxCustomExportFilter *Filter);
// The report's preview shows no page while its pages are printed or exported,
// and shows them again afterwards, however the job ended.
class ScopedPreviewLock
{
public:
    explicit ScopedPreviewLock(TfrxCustomPreview *Preview);
    ~ScopedPreviewLock();
    ScopedPreviewLock(const ScopedPreviewLock &) = delete;
    ScopedPreviewLock &operator=(const ScopedPreviewLock &) = delete;

private:
    TfrxCustomPreview *FPreview;
};
// The dot-matrix export a host registers: dot-matrix reports print and export
// their text pages through it. Empty in this program.
TfrxCustomExportFilter *&frxDotMatrixExport();
// How a clicked address is opened; the desktop's browser or mail program by default.
using TfrxURLOpener = std::function<void(const AnsiString &URL)>;
void frxSetURLOpener(TfrxURLOpener Opener);

// How prepared pages reach the printer; the printing unit installs it.
using TfrxPrintPagesHandler = std::function<bool(TfrxPreviewPages *Pages)>;
void frxSetPrintPagesHandler(TfrxPrintPagesHandler Handler);
