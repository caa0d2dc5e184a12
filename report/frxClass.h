#pragma once

// The report object model: the component tree, data sets, options, styles,
// views, memos, bands, pages and the report itself.

#include "platform/rtl/Classes.h"
#include "platform/rtl/ClassesFiler.h"
#include "platform/rtl/TypInfo.h"
#include "platform/rtl/Variants.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Printers.h"
#include "report/frxUnicodeUtils.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

class TfrxReport;
class TfrxPage;
class TfrxXMLSerializer;
class TfrxDataSet;
class TfrxCustomEngine;
class TfrxCustomPreviewPages;
class TfrxDrawText;
class TfsScript;
class TCustomIniFile;
class TTimer;

QRV4_ENUM(TfrxProgressType, ptRunning, ptExporting, ptPrinting)
QRV4_ENUM(TfrxSilentMode, simMessageBoxes, simSilent, simReThrow)
QRV4_ENUM(TfrxRestriction, rfDontModify, rfDontSize, rfDontMove, rfDontDelete)
using TfrxRestrictions = Set<TfrxRestriction>;
QRV4_SET_INFO(TfrxRestrictions, TfrxRestriction)
QRV4_ENUM(TfrxAlign, baNone, baLeft, baRight, baCenter, baWidth, baBottom, baClient)
QRV4_ENUM(TfrxShiftMode, smDontShift, smAlways, smWhenOverlapped)
QRV4_ENUM(TfrxStretchMode, smDontStretch, smActualHeight, smMaxHeight)
QRV4_ENUM(TfrxFrameStyle, fsSolid, fsDash, fsDot, fsDashDot, fsDashDotDot, fsDouble)
QRV4_ENUM(TfrxFrameType, ftLeft, ftRight, ftTop, ftBottom)
using TfrxFrameTypes = Set<TfrxFrameType>;
QRV4_SET_INFO(TfrxFrameTypes, TfrxFrameType)
QRV4_ENUM(TfrxFormatKind, fkText, fkNumeric, fkDateTime, fkBoolean)
QRV4_ENUM(TfrxHAlign, haLeft, haRight, haCenter, haBlock)
QRV4_ENUM(TfrxVAlign, vaTop, vaBottom, vaCenter)
QRV4_ENUM(TfrxRangeBegin, rbFirst, rbCurrent)
QRV4_ENUM(TfrxRangeEnd, reLast, reCurrent, reCount)
QRV4_ENUM(TfrxFieldType, fftNumeric, fftString, fftBoolean)
QRV4_ENUM(TfrxZoomMode, zmDefault, zmWholePage, zmPageWidth, zmManyPages)
QRV4_ENUM(TfrxPrintPages, ppAll, ppOdd, ppEven)
QRV4_ENUM(TfrxDuplexMode, dmNone, dmVertical, dmHorizontal, dmSimplex)
QRV4_ENUM(TfrxPreviewButton, pbPrint, pbLoad, pbSave, pbExport, pbZoom, pbFind, pbTree, pbPageSetup,
          pbRefresh, pbTools, pbEdit, pbNavigator, pbExportQuick)
using TfrxPreviewButtons = Set<TfrxPreviewButton>;
QRV4_SET_INFO(TfrxPreviewButtons, TfrxPreviewButton)

using TfrxGetValueEvent = std::function<void(const AnsiString &VarName, Variant &Value)>;
QRV4_METHOD_INFO(TfrxGetValueEvent)
using TfrxCheckEOFEvent = std::function<void(TObject *Sender, bool &Eof)>;
QRV4_METHOD_INFO(TfrxCheckEOFEvent)

// Pixels of a report at 96 dots per inch per millimetre.
inline constexpr double fr01cm = 3.77953;
// A character printer's cell: one column at 10 characters per inch, one text line.
inline constexpr double fr1CharX = 9.6;
inline constexpr double fr1CharY = 17;
// Value on a grid of Size: whole cells, halves to even.
double frxRoundCells(double Value, double Size);

// The library's default character set byte, the platform's default.
extern int frxDefaultCharset;

// ---- the component tree ----

class TfrxComponent : public TComponent
{
    QRV4_CLASS(TfrxComponent, TComponent)
    friend class TfrxXMLSerializer;
    friend class TfrxReport;

public:
    explicit TfrxComponent(TComponent *AOwner);
    // The designer's constructor; subclasses read Flags.
    TfrxComponent(TComponent *AOwner, unsigned short Flags);
    ~TfrxComponent() override;

    void Assign(TPersistent *Source) override;
    void AssignAll(TfrxComponent *Source);
    void SetName(const AnsiString &NewName) override;
    void GetChildren(TGetChildProc Proc, TComponent *Root) override;
    // A form resource holds each child inside its parent's entry; read back, it goes there.
    bool HasParent() override { return true; }
    TComponent *GetParentComponent() override { return FParent; }
    void SetParentComponent(TComponent *Value) override;

    virtual void SetParent(TfrxComponent *Value);
    virtual void SetLeft(double Value);
    virtual void SetTop(double Value);
    virtual void SetWidth(double Value);
    virtual void SetHeight(double Value);
    void SetBounds(double ALeft, double ATop, double AWidth, double AHeight);
    virtual void SetFont(TFont *Value);
    virtual void SetParentFont(bool Value);
    virtual void SetVisible(bool Value);
    virtual void FontChanged();
    virtual void AlignChildren();
    virtual void BeforeStartReport() {}
    virtual void Clear();
    virtual void LoadFromStream(TStream *Stream);
    virtual void SaveToStream(TStream *Stream, bool SaveChildren = true,
                              bool SaveDefaultValues = false);
    virtual void OnNotify(TObject *) {}
    virtual AnsiString Diff(TfrxComponent *Other);
    virtual AnsiString GetDescription() const;

    AnsiString InternalDiff(TfrxComponent *Other);
    AnsiString AllDiff(TfrxComponent *Other);
    void CreateUniqueName();
    TfrxPage *GetPage();
    TfrxReport *GetReport();
    double GetAbsLeft() const;
    double GetAbsTop() const;
    TList *GetAllObjects();
    // Case is ignored for the Latin letters only, as names are compared in templates.
    TfrxComponent *FindObject(const AnsiString &AName);

    TFont *Font() const { return FFont.get(); }
    bool ParentFont() const { return FParentFont; }
    TList *Objects() const { return FObjects.get(); }
    TList *AllObjects() const { return FAllObjects.get(); }
    TfrxComponent *Parent() const { return FParent; }
    double Left() const { return FLeft; }
    double Top() const { return FTop; }
    double Width() const { return FWidth; }
    double Height() const { return FHeight; }
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value) { FGroupIndex = Value; }
    bool IsDesigning() const { return FIsDesigning; }
    // IsLoading, or the class library streaming the component in.
    bool GetIsLoading() const;
    bool PlainView() const { return FPlainView; }
    TfrxRestrictions Restrictions() const { return FRestrictions; }
    void SetRestrictions(TfrxRestrictions Value) { FRestrictions = Value; }
    bool Visible() const { return FVisible; }
    const AnsiString &Description() const { return FDescription; }
    void SetDescription(const AnsiString &Value) { FDescription = Value; }
    const AnsiString &AliasName() const { return FAliasName; }
    void SetAliasName(const AnsiString &Value) { FAliasName = Value; }
    TfrxComponent *LinkedComponent() const { return FLinkedComponent; }
    void SetLinkedComponent(TfrxComponent *Value) { FLinkedComponent = Value; }
    // The class name without "Tfrx" and "View": the stem of generated names.
    const AnsiString &BaseName() const;
    bool IsWriting() const { return FWriting; }

    // Font properties that differ, each as an attribute with Prefix before it.
    static AnsiString DiffFont(TFont *F1, TFont *F2, const AnsiString &Prefix);
    static AnsiString DiffFloat(const char *Name, double Value, double Other);
    // The font is stored only when the object has its own.
    bool IsFontStored() const { return !FParentFont; }

    // The owner an object made under AOwner gets: the report of a parent in one.
    static TComponent *ComponentOwnerFor(TComponent *AOwner);

    // Set by the template reader while it reads this component.
    bool IsLoading = false;

protected:
    void SetBaseName(const AnsiString &Value) { FBaseName = Value; }
    void SetPlainView(bool Value) { FPlainView = Value; }
    // The view's alignment, when the object is a view.
    virtual TfrxAlign ChildAlign() const { return baNone; }
    // The word the class name loses, besides "Tfrx", to give the base name.
    virtual const char *BaseNameSuffix() const { return "View"; }

private:
    void Construct(TComponent *AOwner);
    void CollectObjects(TList *List);

    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TList> FObjects;
    std::unique_ptr<TList> FAllObjects;
    TfrxComponent *FParent = nullptr;
    // The name its report's index holds it under; empty while none holds it.
    std::string FIndexedName;
    double FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    bool FParentFont = true;
    int FGroupIndex = 0;
    bool FIsDesigning = false;
    bool FPlainView = false;
    TfrxRestrictions FRestrictions;
    bool FVisible = true;
    AnsiString FDescription;
    AnsiString FAliasName;
    TfrxComponent *FLinkedComponent = nullptr;
    mutable AnsiString FBaseName;
    bool FWriting = false;
};

struct TfrxBounds {
    double Left = 0, Top = 0, Width = 0, Height = 0;
};

class TfrxReportComponent : public TfrxComponent
{
    QRV4_CLASS(TfrxReportComponent, TfrxComponent)

public:
    using TfrxComponent::TfrxComponent;

    // Objects that show nothing draw nothing.
    virtual void Draw(TCanvas *, double /*ScaleX*/, double /*ScaleY*/, double /*OffsetX*/,
                      double /*OffsetY*/)
    {
    }
    virtual void BeforePrint();
    virtual void GetData() {}
    virtual void AfterPrint();
    virtual AnsiString GetComponentText() { return AnsiString(); }
    TfrxBounds GetRealBounds() const;

    const AnsiString &OnAfterData() const { return FOnAfterData; }
    void SetOnAfterData(const AnsiString &Value) { FOnAfterData = Value; }
    const AnsiString &OnAfterPrint() const { return FOnAfterPrint; }
    void SetOnAfterPrint(const AnsiString &Value) { FOnAfterPrint = Value; }
    const AnsiString &OnBeforePrint() const { return FOnBeforePrint; }
    void SetOnBeforePrint(const AnsiString &Value) { FOnBeforePrint = Value; }
    const AnsiString &OnPreviewClick() const { return FOnPreviewClick; }
    void SetOnPreviewClick(const AnsiString &Value) { FOnPreviewClick = Value; }
    TList *ShiftChildren() const { return FShiftChildren.get(); }
    const TfrxBounds &SavedBounds() const { return FSavedBounds; }

    static void Publish(rtl::Publisher<TfrxReportComponent> &P);

private:
    AnsiString FOnAfterData, FOnAfterPrint, FOnBeforePrint, FOnPreviewClick;
    std::unique_ptr<TList> FShiftChildren = std::make_unique<TList>();
    TfrxBounds FSavedBounds;
};

class TfrxDialogComponent : public TfrxReportComponent
{
    QRV4_CLASS(TfrxDialogComponent, TfrxReportComponent)

public:
    explicit TfrxDialogComponent(TComponent *AOwner);

protected:
    void DefineProperties(TFiler *Filer) override;
};

// An element of a dialog page that wraps a control of the class library; its
// events call the script procedures named in its event properties.
class TfrxDialogControl : public TfrxReportComponent
{
    QRV4_CLASS(TfrxDialogControl, TfrxReportComponent)

public:
    explicit TfrxDialogControl(TComponent *AOwner);
    ~TfrxDialogControl() override;

    void SetParent(TfrxComponent *Value) override;
    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetHeight(double Value) override;
    void SetVisible(bool Value) override;
    void SetParentFont(bool Value) override;
    void FontChanged() override;
    void SetName(const AnsiString &NewName) override;
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
              double OffsetY) override;
    // Focuses the control when it is a windowed one.
    void SetFocus();

    TControl *Control() const { return FControl.get(); }
    AnsiString Caption() const;
    void SetCaption(const AnsiString &Value);
    TColor Color() const;
    void SetColor(TColor Value);
    bool Enabled() const;
    void SetEnabled(bool Value);

    // Names of the script procedures the control's events call.
    AnsiString OnClick, OnDblClick, OnMouseDown, OnMouseMove, OnMouseUp, OnEnter, OnExit, OnKeyDown,
        OnKeyPress, OnKeyUp;

    static void Publish(rtl::Publisher<TfrxDialogControl> &P);

protected:
    // Takes the control the subclass made and routes its events.
    void InitControl(std::unique_ptr<TControl> AControl);
    const char *BaseNameSuffix() const override { return "Control"; }

private:
    // The window the control belongs in for the current parent.
    TWinControl *ParentWindow();

    std::unique_ptr<TControl> FControl;
};

// The hidden form that holds the controls of dialog elements outside any dialog page.
TForm *frxParentForm();

// ---- data sets ----

class TfrxDataSet : public TfrxDialogComponent
{
    QRV4_CLASS(TfrxDataSet, TfrxDialogComponent)

public:
    explicit TfrxDataSet(TComponent *AOwner);
    ~TfrxDataSet() override;
    void SetName(const AnsiString &NewName) override;

    virtual AnsiString GetDisplayText(const AnsiString &) { return AnsiString(); }
    virtual int GetDisplayWidth(const AnsiString &) { return 10; }
    virtual TfrxFieldType GetFieldType(const AnsiString &) { return fftNumeric; }
    virtual Variant GetValue(const AnsiString &) { return ::Null(); }
    virtual void SetUserName(const AnsiString &Value);
    virtual void Initialize() {}
    virtual void Finalize() {}
    virtual void Open();
    virtual void Close();
    virtual void First();
    virtual void Next();
    virtual void Prior();
    virtual bool Eof();
    virtual int FieldsCount() { return 0; }
    virtual bool IsBlobField(const AnsiString &) { return false; }
    virtual int RecordCount();
    virtual void AssignBlobTo(const AnsiString &, TObject *) {}
    virtual void GetFieldList(TStrings *List) { List->Clear(); }
    bool HasField(const AnsiString &FieldName);

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    TfrxRangeBegin RangeBegin() const { return FRangeBegin; }
    void SetRangeBegin(TfrxRangeBegin Value) { FRangeBegin = Value; }
    TfrxRangeEnd RangeEnd() const { return FRangeEnd; }
    void SetRangeEnd(TfrxRangeEnd Value) { FRangeEnd = Value; }
    int RangeEndCount() const { return FRangeEndCount; }
    void SetRangeEndCount(int Value) { FRangeEndCount = Value; }
    const AnsiString &UserName() const { return FUserName; }
    int RecNo() const { return FRecNo; }
    TfrxReport *ReportRef() const { return FReportRef; }
    void SetReportRef(TfrxReport *Value) { FReportRef = Value; }
    bool OpenDataSource() const { return FOpenDataSource; }
    void SetOpenDataSource(bool Value) { FOpenDataSource = Value; }

    TfrxCheckEOFEvent OnCheckEOF;
    TNotifyEvent OnFirst;
    TNotifyEvent OnNext;
    TNotifyEvent OnPrior;
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;

    static void Publish(rtl::Publisher<TfrxDataSet> &P);

private:
    bool FEnabled = true;
    bool FOpenDataSource = true;
    TfrxRangeBegin FRangeBegin = rbFirst;
    TfrxRangeEnd FRangeEnd = reLast;
    int FRangeEndCount = 0;
    AnsiString FUserName;
    int FRecNo = 0;
    TfrxReport *FReportRef = nullptr;
};

class TfrxUserDataSet : public TfrxDataSet
{
    QRV4_CLASS(TfrxUserDataSet, TfrxDataSet)

public:
    explicit TfrxUserDataSet(TComponent *AOwner);

    void GetFieldList(TStrings *List) override { List->Assign(FFields.get()); }
    int FieldsCount() override { return FFields->Count(); }
    Variant GetValue(const AnsiString &Index) override;
    AnsiString GetDisplayText(const AnsiString &Index) override;

    TStrings *Fields() const { return FFields.get(); }
    void SetFields(TStrings *Value) { FFields->Assign(Value); }

    TfrxGetValueEvent OnGetValue;

    static void Publish(rtl::Publisher<TfrxUserDataSet> &P);

private:
    std::unique_ptr<TStringList> FFields = std::make_unique<TStringList>();
};

// The base of data sets read from a database; their drivers are not part of this program.
class TfrxCustomDBDataSet : public TfrxDataSet
{
    QRV4_CLASS(TfrxCustomDBDataSet, TfrxDataSet)

public:
    explicit TfrxCustomDBDataSet(TComponent *AOwner);

    int FieldsCount() override;
    // The field an alias stands for; the alias itself when no line gives it.
    AnsiString ConvertAlias(const AnsiString &Alias) const;
    // The alias of a field; the field's own name when it has none.
    AnsiString GetAlias(const AnsiString &FieldName) const;

    bool CloseDataSource() const { return FCloseDataSource; }
    void SetCloseDataSource(bool Value) { FCloseDataSource = Value; }
    // Lines of field name, "=" and alias.
    TStrings *FieldAliases() const { return FFieldAliases.get(); }
    void SetFieldAliases(TStrings *Value) { FFieldAliases->Assign(Value); }
    TStringList *Fields() const { return FFields.get(); }

    static void Publish(rtl::Publisher<TfrxCustomDBDataSet> &P);

private:
    bool FCloseDataSource = false;
    std::unique_ptr<TStringList> FFieldAliases = std::make_unique<TStringList>();
    std::unique_ptr<TStringList> FFields = std::make_unique<TStringList>();
};

// The base of database connections; without a driver it is never connected.
class TfrxCustomDatabase : public TfrxDialogComponent
{
    QRV4_CLASS(TfrxCustomDatabase, TfrxDialogComponent)

public:
    using TfrxDialogComponent::TfrxDialogComponent;

    // Lets the report's host connect the database its own way first.
    void BeforeConnect(bool &Connected);

    virtual bool Connected() const { return false; }
    virtual void SetConnected(bool) {}
    virtual AnsiString DatabaseName() const { return AnsiString(); }
    virtual void SetDatabaseName(const AnsiString &) {}
    virtual bool LoginPrompt() const { return false; }
    virtual void SetLoginPrompt(bool) {}
    virtual TStrings *Params() const { return nullptr; }
    virtual void SetParams(TStrings *) {}
};

using TfrxBeforeConnectEvent = std::function<void(TfrxCustomDatabase *Sender, bool &Connected)>;
QRV4_METHOD_INFO(TfrxBeforeConnectEvent)

class TfrxDataSetItem : public TCollectionItem
{
    QRV4_CLASS(TfrxDataSetItem, TCollectionItem)

public:
    explicit TfrxDataSetItem(TCollection *Collection) : TCollectionItem(Collection) {}

    TfrxDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TfrxDataSet *Value);
    AnsiString GetDataSetName() const;
    void SetDataSetName(const AnsiString &Value);

    static void Publish(rtl::Publisher<TfrxDataSetItem> &P);

private:
    TfrxReport *Report() const;
    void WatchDataSet();

    TfrxDataSet *FDataSet = nullptr;
    AnsiString FDataSetName;
};

class TfrxReportDataSets : public TCollection
{
    QRV4_CLASS(TfrxReportDataSets, TCollection)

public:
    explicit TfrxReportDataSets(TfrxReport *Report);

    TfrxDataSetItem *Add(TfrxDataSet *DataSet);
    TfrxDataSetItem *Items(int Index) const;
    TfrxDataSetItem *Find(TfrxDataSet *DataSet) const;
    TfrxDataSetItem *Find(const AnsiString &Name) const;
    void Delete(const AnsiString &Name);
    void Initialize();
    void Finalize();
    TfrxReport *Report() const { return FReport; }

private:
    TfrxReport *FReport;
};

// Every data set of the process, in creation order. Each lookup takes the lock
// itself; a caller that walks the list takes it around the walk.
class TfrxGlobalDataSetList : public TList
{
    QRV4_CLASS(TfrxGlobalDataSetList, TList)

public:
    TfrxGlobalDataSetList() = default;
    void Lock() { FLock.lock(); }
    void Unlock() { FLock.unlock(); }

private:
    std::recursive_mutex FLock;
};

TfrxGlobalDataSetList *frxGlobalDataSets();

// Nil for an empty name; DataSet when nothing fits. A report as Owner sees
// only its own data sets and those of no report.
TfrxDataSet *frxFindDataSet(TfrxDataSet *DataSet, const AnsiString &Name, TComponent *Owner);
void frxGetDataSetList(TStrings *List);

// ---- variables ----

class TfrxVariables;

// ---- options and styles ----

class TfrxEngineOptions : public TPersistent
{
    QRV4_CLASS(TfrxEngineOptions, TPersistent)

public:
    TfrxEngineOptions() = default;
    void Assign(TPersistent *Source) override;
    void Clear();

    bool ConvertNulls() const { return FConvertNulls; }
    void SetConvertNulls(bool Value) { FConvertNulls = Value; }
    bool DoublePass() const { return FDoublePass; }
    void SetDoublePass(bool Value) { FDoublePass = Value; }
    int MaxMemSize() const { return FMaxMemSize; }
    void SetMaxMemSize(int Value) { FMaxMemSize = Value; }
    bool PrintIfEmpty() const { return FPrintIfEmpty; }
    void SetPrintIfEmpty(bool Value) { FPrintIfEmpty = Value; }
    bool SilentMode() const { return FNewSilentMode == simSilent; }
    void SetSilentMode(bool Value) { FNewSilentMode = Value ? simSilent : simMessageBoxes; }
    TfrxSilentMode NewSilentMode() const { return FNewSilentMode; }
    void SetNewSilentMode(TfrxSilentMode Value) { FNewSilentMode = Value; }
    const AnsiString &TempDir() const { return FTempDir; }
    void SetTempDir(const AnsiString &Value) { FTempDir = Value; }
    bool UseFileCache() const { return FUseFileCache; }
    void SetUseFileCache(bool Value) { FUseFileCache = Value; }
    bool DestroyForms() const { return FDestroyForms; }

    static void Publish(rtl::Publisher<TfrxEngineOptions> &P);

private:
    bool FConvertNulls = true;
    bool FDoublePass = false;
    int FMaxMemSize = 10;
    bool FPrintIfEmpty = true;
    TfrxSilentMode FNewSilentMode = simMessageBoxes;
    AnsiString FTempDir;
    bool FUseFileCache = false;
    bool FDestroyForms = true;
};

class TfrxPreviewOptions : public TPersistent
{
    QRV4_CLASS(TfrxPreviewOptions, TPersistent)

public:
    TfrxPreviewOptions() = default;
    void Assign(TPersistent *Source) override;
    void Clear();

    bool AllowEdit() const { return FAllowEdit; }
    void SetAllowEdit(bool Value) { FAllowEdit = Value; }
    TfrxPreviewButtons Buttons() const { return FButtons; }
    void SetButtons(TfrxPreviewButtons Value) { FButtons = Value; }
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool Value) { FDoubleBuffered = Value; }
    bool Maximized() const { return FMaximized; }
    void SetMaximized(bool Value) { FMaximized = Value; }
    bool MDIChild() const { return FMDIChild; }
    void SetMDIChild(bool Value) { FMDIChild = Value; }
    bool Modal() const { return FModal; }
    void SetModal(bool Value) { FModal = Value; }
    bool OutlineExpand() const { return FOutlineExpand; }
    void SetOutlineExpand(bool Value) { FOutlineExpand = Value; }
    bool OutlineVisible() const { return FOutlineVisible; }
    void SetOutlineVisible(bool Value) { FOutlineVisible = Value; }
    int OutlineWidth() const { return FOutlineWidth; }
    void SetOutlineWidth(int Value) { FOutlineWidth = Value; }
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool Value) { FShowCaptions = Value; }
    double Zoom() const { return FZoom; }
    void SetZoom(double Value) { FZoom = Value; }
    TfrxZoomMode ZoomMode() const { return FZoomMode; }
    void SetZoomMode(TfrxZoomMode Value) { FZoomMode = Value; }

    static const TfrxPreviewButtons DefaultButtons;
    static void Publish(rtl::Publisher<TfrxPreviewOptions> &P);

private:
    bool FAllowEdit = true;
    TfrxPreviewButtons FButtons = DefaultButtons;
    bool FDoubleBuffered = true;
    bool FMaximized = true;
    bool FMDIChild = false;
    bool FModal = true;
    bool FOutlineExpand = true;
    bool FOutlineVisible = false;
    int FOutlineWidth = 120;
    bool FShowCaptions = false;
    double FZoom = 1.0;
    TfrxZoomMode FZoomMode = zmDefault;
};

class TfrxPrintOptions : public TPersistent
{
    QRV4_CLASS(TfrxPrintOptions, TPersistent)

public:
    TfrxPrintOptions() { Clear(); }
    void Assign(TPersistent *Source) override;
    void Clear();

    int Copies() const { return FCopies; }
    void SetCopies(int Value) { FCopies = Value; }
    bool Collate() const { return FCollate; }
    void SetCollate(bool Value) { FCollate = Value; }
    const AnsiString &PageNumbers() const { return FPageNumbers; }
    void SetPageNumbers(const AnsiString &Value) { FPageNumbers = Value; }
    const AnsiString &Printer() const { return FPrinter; }
    void SetPrinter(const AnsiString &Value) { FPrinter = Value; }
    TfrxPrintPages PrintPages() const { return FPrintPages; }
    void SetPrintPages(TfrxPrintPages Value) { FPrintPages = Value; }
    bool Reverse() const { return FReverse; }
    void SetReverse(bool Value) { FReverse = Value; }
    bool ShowDialog() const { return FShowDialog; }
    void SetShowDialog(bool Value) { FShowDialog = Value; }

    static void Publish(rtl::Publisher<TfrxPrintOptions> &P);

private:
    int FCopies = 1;
    bool FCollate = true;
    AnsiString FPageNumbers;
    AnsiString FPrinter;
    TfrxPrintPages FPrintPages = ppAll;
    bool FReverse = false;
    bool FShowDialog = true;
};

class TfrxReportOptions : public TPersistent
{
    QRV4_CLASS(TfrxReportOptions, TPersistent)

public:
    explicit TfrxReportOptions(TfrxReport *Report = nullptr);
    ~TfrxReportOptions() override;
    void Assign(TPersistent *Source) override;
    void Clear();
    // Asks for the password when the template has one not yet accepted.
    bool CheckPassword();

    const AnsiString &Author() const { return FAuthor; }
    void SetAuthor(const AnsiString &Value) { FAuthor = Value; }
    bool Compressed() const { return FCompressed; }
    void SetCompressed(bool Value) { FCompressed = Value; }
    const AnsiString &ConnectionName() const { return FConnectionName; }
    void SetConnectionName(const AnsiString &Value) { FConnectionName = Value; }
    TDateTime CreateDate() const { return FCreateDate; }
    void SetCreateDate(TDateTime Value) { FCreateDate = Value; }
    TStrings *Description() const { return FDescription.get(); }
    void SetDescription(TStrings *Value) { FDescription->Assign(Value); }
    const AnsiString &InitString() const { return FInitString; }
    void SetInitString(const AnsiString &Value) { FInitString = Value; }
    const AnsiString &Name() const { return FName; }
    void SetName(const AnsiString &Value) { FName = Value; }
    TDateTime LastChange() const { return FLastChange; }
    void SetLastChange(TDateTime Value) { FLastChange = Value; }
    const AnsiString &Password() const { return FPassword; }
    void SetPassword(const AnsiString &Value) { FPassword = Value; }
    TPicture *Picture() const { return FPicture.get(); }
    void SetPicture(TPicture *Value) { FPicture->Assign(Value); }
    const AnsiString &VersionBuild() const { return FVersionBuild; }
    void SetVersionBuild(const AnsiString &Value) { FVersionBuild = Value; }
    const AnsiString &VersionMajor() const { return FVersionMajor; }
    void SetVersionMajor(const AnsiString &Value) { FVersionMajor = Value; }
    const AnsiString &VersionMinor() const { return FVersionMinor; }
    void SetVersionMinor(const AnsiString &Value) { FVersionMinor = Value; }
    const AnsiString &VersionRelease() const { return FVersionRelease; }
    void SetVersionRelease(const AnsiString &Value) { FVersionRelease = Value; }
    const AnsiString &PrevPassword() const { return FPrevPassword; }
    void SetPrevPassword(const AnsiString &Value) { FPrevPassword = Value; }

    static void Publish(rtl::Publisher<TfrxReportOptions> &P);

private:
    TfrxReport *FReport;
    AnsiString FAuthor;
    bool FCompressed = false;
    AnsiString FConnectionName;
    TDateTime FCreateDate = 0;
    std::unique_ptr<TStringList> FDescription = std::make_unique<TStringList>();
    AnsiString FInitString;
    AnsiString FName;
    TDateTime FLastChange = 0;
    AnsiString FPassword;
    std::unique_ptr<TPicture> FPicture = std::make_unique<TPicture>();
    AnsiString FVersionBuild, FVersionMajor, FVersionMinor, FVersionRelease;
    AnsiString FPrevPassword;
};

class TfrxFrame : public TPersistent
{
    QRV4_CLASS(TfrxFrame, TPersistent)

public:
    TfrxFrame() = default;
    void Assign(TPersistent *Source) override;

    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    bool DropShadow() const { return FDropShadow; }
    void SetDropShadow(bool Value) { FDropShadow = Value; }
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor Value) { FShadowColor = Value; }
    double ShadowWidth() const { return FShadowWidth; }
    void SetShadowWidth(double Value) { FShadowWidth = Value; }
    TfrxFrameStyle Style() const { return FStyle; }
    void SetStyle(TfrxFrameStyle Value) { FStyle = Value; }
    TfrxFrameTypes Typ() const { return FTyp; }
    void SetTyp(TfrxFrameTypes Value) { FTyp = Value; }
    double Width() const { return FWidth; }
    void SetWidth(double Value) { FWidth = Value; }

    // Attributes of the properties that differ from Other's, each after Prefix.
    AnsiString Diff(TfrxFrame *Other, const AnsiString &Prefix) const;

    static void Publish(rtl::Publisher<TfrxFrame> &P);

private:
    bool IsShadowWidthStored() const { return FShadowWidth != 4; }
    bool IsWidthStored() const { return FWidth != 1; }

    TColor FColor = clBlack;
    bool FDropShadow = false;
    TColor FShadowColor = clBlack;
    double FShadowWidth = 4;
    TfrxFrameStyle FStyle = fsSolid;
    TfrxFrameTypes FTyp;
    double FWidth = 1;
};

class TfrxStyleItem : public TCollectionItem
{
    QRV4_CLASS(TfrxStyleItem, TCollectionItem)

public:
    explicit TfrxStyleItem(TCollection *Collection);
    void Assign(TPersistent *Source) override;
    void CreateUniqueName();

    const AnsiString &Name() const { return FName; }
    void SetName(const AnsiString &Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    TFont *Font() const { return FFont.get(); }
    void SetFont(TFont *Value) { FFont->Assign(Value); }
    TfrxFrame *Frame() const { return FFrame.get(); }
    void SetFrame(TfrxFrame *Value) { FFrame->Assign(Value); }

    static void Publish(rtl::Publisher<TfrxStyleItem> &P);

private:
    AnsiString FName;
    TColor FColor = clNone;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TfrxFrame> FFrame = std::make_unique<TfrxFrame>();
};

class TfrxXMLItem;

class TfrxStyles : public TCollection
{
    QRV4_CLASS(TfrxStyles, TCollection)

public:
    explicit TfrxStyles(TfrxReport *Report = nullptr);

    TfrxStyleItem *Add();
    TfrxStyleItem *Items(int Index) const;
    TfrxStyleItem *Find(const AnsiString &Name) const;
    void GetList(TStrings *List) const;
    void Apply();
    void LoadFromFile(const AnsiString &FileName);
    void LoadFromStream(TStream *Stream);
    void LoadFromXMLItem(TfrxXMLItem *Item);
    void SaveToFile(const AnsiString &FileName);
    void SaveToStream(TStream *Stream);
    void SaveToXMLItem(TfrxXMLItem *Item);

    const AnsiString &Name() const { return FName; }
    void SetName(const AnsiString &Value) { FName = Value; }
    TfrxReport *Report() const { return FReport; }

private:
    TfrxReport *FReport;
    AnsiString FName;
};

class TfrxStyleSheet : public TObject
{
    QRV4_CLASS(TfrxStyleSheet, TObject)

public:
    TfrxStyleSheet() = default;
    TfrxStyles *Add();
    void Delete(int Index);
    void Clear() { FItems.clear(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    TfrxStyles *Items(int Index) const { return FItems.at(Index).get(); }
    TfrxStyles *Find(const AnsiString &Name) const;
    int IndexOf(const AnsiString &Name) const;
    void GetList(TStrings *List) const;
    void LoadFromFile(const AnsiString &FileName);
    void LoadFromStream(TStream *Stream);
    void SaveToFile(const AnsiString &FileName);
    void SaveToStream(TStream *Stream);

private:
    std::vector<std::unique_ptr<TfrxStyles>> FItems;
};

// ---- views ----

class TfrxHighlight : public TPersistent
{
    QRV4_CLASS(TfrxHighlight, TPersistent)

public:
    TfrxHighlight();
    void Assign(TPersistent *Source) override;

    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    TFont *Font() const { return FFont.get(); }
    void SetFont(TFont *Value) { FFont->Assign(Value); }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    const AnsiString &Condition() const { return FCondition; }
    void SetCondition(const AnsiString &Value) { FCondition = Value; }

    static void Publish(rtl::Publisher<TfrxHighlight> &P);

private:
    bool FActive = false;
    std::unique_ptr<TFont> FFont = std::make_unique<TFont>();
    TColor FColor = clNone;
    AnsiString FCondition;
};

class TfrxFormat : public TPersistent
{
    QRV4_CLASS(TfrxFormat, TPersistent)

public:
    TfrxFormat() = default;
    void Assign(TPersistent *Source) override;

    const AnsiString &DecimalSeparator() const { return FDecimalSeparator; }
    void SetDecimalSeparator(const AnsiString &Value) { FDecimalSeparator = Value; }
    const AnsiString &FormatStr() const { return FFormatStr; }
    void SetFormatStr(const AnsiString &Value) { FFormatStr = Value; }
    TfrxFormatKind Kind() const { return FKind; }
    void SetKind(TfrxFormatKind Value) { FKind = Value; }

    static void Publish(rtl::Publisher<TfrxFormat> &P);

private:
    AnsiString FDecimalSeparator;
    AnsiString FFormatStr;
    TfrxFormatKind FKind = fkText;
};

// The solid frame sides drawn so far on one page. Neighbouring cells share their sides: a
// side that an earlier line of the same pen covers, with nothing painted over that line
// since, is not drawn again. Whatever paints over a place forgets the lines there.
class TfrxDrawnSides
{
public:
    struct Line {
        bool Vertical;
        int At;       // the column of a vertical line, the row of a horizontal one
        int From, To; // along the line, the end left out as by LineTo
        TColor Color;
        int Width;
    };
    bool Covered(const Line &L) const;
    void Add(const Line &L);
    // Paint within Box (right and bottom edges excluded) may have hidden lines there.
    void Forget(const TRect &Box);
    void ForgetAll()
    {
        FLines.clear();
        FFarthest = 1;
    }
    int Count() const;

private:
    static int Reach(int Width);

    // By direction and position, so that a look-up and a forgetting see only the lines near.
    std::map<std::pair<bool, int>, std::vector<Line>> FLines;
    int FFarthest = 1; // the widest reach of a line added, kept until all are forgotten
};

class TfrxView : public TfrxReportComponent
{
    QRV4_CLASS(TfrxView, TfrxReportComponent)

public:
    explicit TfrxView(TComponent *AOwner);

    AnsiString Diff(TfrxComponent *Other) override;
    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;
    bool IsDataField() const { return FDataSet && !FDataField.IsEmpty(); }

    // Fill and frame at the given scale and offset, in device pixels.
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
              double OffsetY) override;
    virtual void BeginDraw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                           double OffsetY);
    virtual void DrawBackground();
    virtual void DrawFrame();
    // W parallel one-pixel lines with the canvas's pen (W = 0 counts as 1).
    void DrawLine(int X, int Y, int X1, int Y1, int W);
    // The page's drawn sides while this view is drawn on it; null draws every side.
    void SetDrawnSides(TfrxDrawnSides *Value) { FDrawnSides = Value; }

    TfrxAlign Align() const { return FAlign; }
    void SetAlign(TfrxAlign Value) { FAlign = Value; }
    TBrushStyle BrushStyle() const { return FBrushStyle; }
    void SetBrushStyle(TBrushStyle Value) { FBrushStyle = Value; }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    int Cursor() const { return FCursor; }
    void SetCursor(int Value) { FCursor = Value; }
    const AnsiString &DataField() const { return FDataField; }
    void SetDataField(const AnsiString &Value) { FDataField = Value; }
    TfrxDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TfrxDataSet *Value);
    AnsiString GetDataSetName() const;
    void SetDataSetName(const AnsiString &Value);
    TfrxFrame *Frame() const { return FFrame.get(); }
    void SetFrame(TfrxFrame *Value) { FFrame->Assign(Value); }
    const AnsiString &TagStr() const { return FTagStr; }
    void SetTagStr(const AnsiString &Value) { FTagStr = Value; }
    const AnsiString &URL() const { return FURL; }
    void SetURL(const AnsiString &Value) { FURL = Value; }
    bool Printable() const { return FPrintable; }
    void SetPrintable(bool Value) { FPrintable = Value; }
    TfrxShiftMode ShiftMode() const { return FShiftMode; }
    void SetShiftMode(TfrxShiftMode Value) { FShiftMode = Value; }

    static void Publish(rtl::Publisher<TfrxView> &P);

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;
    TfrxAlign ChildAlign() const override { return FAlign; }

    // The state BeginDraw sets: the canvas, scale and offset, and the pixel box.
    TCanvas *FCanvas = nullptr;
    double FScaleX = 1, FScaleY = 1, FOffsetX = 0, FOffsetY = 0;
    int FX = 0, FY = 0, FX1 = 0, FY1 = 0, FDX = 0, FDY = 0, FFrameWidth = 0;
    TfrxDrawnSides *FDrawnSides = nullptr;

private:
    void DrawShadow();
    void DrawFrameSide(int Side);

    TfrxAlign FAlign = baNone;
    TBrushStyle FBrushStyle = bsSolid;
    TColor FColor = clNone;
    int FCursor = 0;
    AnsiString FDataField;
    TfrxDataSet *FDataSet = nullptr;
    AnsiString FDataSetName;
    std::unique_ptr<TfrxFrame> FFrame = std::make_unique<TfrxFrame>();
    AnsiString FTagStr;
    AnsiString FURL;
    AnsiString FSavedTagStr;
    AnsiString FSavedURL;
    bool FPrintable = true;
    TfrxShiftMode FShiftMode = smAlways;
};

class TfrxStretcheable : public TfrxView
{
    QRV4_CLASS(TfrxStretcheable, TfrxView)

public:
    using TfrxView::TfrxView;

    virtual double CalcHeight() { return Height(); }
    virtual double DrawPart() { return 0; }
    virtual void InitPart() {}

    TfrxStretchMode StretchMode() const { return FStretchMode; }
    void SetStretchMode(TfrxStretchMode Value) { FStretchMode = Value; }

private:
    TfrxStretchMode FStretchMode = smDontStretch;
};

class TfrxCustomMemoView : public TfrxStretcheable
{
    QRV4_CLASS(TfrxCustomMemoView, TfrxStretcheable)

public:
    explicit TfrxCustomMemoView(TComponent *AOwner);

    AnsiString Diff(TfrxComponent *Other) override;
    AnsiString GetDescription() const override;
    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;
    AnsiString GetComponentText() override;

    // The value of one bracketed expression, formatted.
    WideString CalcAndFormat(const WideString &Expression);
    WideString FormatData(const Variant &Value, TfrxFormat *Format = nullptr);
    // Fills in the page count where the text asks for it.
    void ExtractTotalPages();
    // SuppressRepeated starts afresh: the next value shows whatever the last was.
    void ResetSuppressValue() { FLastValue = ::Null(); }

    // Layout and drawing, through the report's text renderer.
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
              double OffsetY) override;
    void BeginDraw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                   double OffsetY) override;
    double CalcHeight() override;
    virtual double CalcWidth();
    void InitPart() override;
    double DrawPart() override;
    void SetDrawParams(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                       double OffsetY);
    WideString WrapText(bool WrapWords);
    double AdjustCalcHeight() const;
    double AdjustCalcWidth() const;
    const WideString &PartMemo() const { return FPartMemo; }
    const TRect &TextRect() const { return FTextRect; }

    const Variant &Value() const { return FValue; }
    int TotalPages() const { return FTotalPages; }
    void SetTotalPages(int Value) { FTotalPages = Value; }

    bool AllowExpressions() const { return FAllowExpressions; }
    void SetAllowExpressions(bool Value) { FAllowExpressions = Value; }
    bool AllowHTMLTags() const { return FAllowHTMLTags; }
    void SetAllowHTMLTags(bool Value) { FAllowHTMLTags = Value; }
    bool AutoWidth() const { return FAutoWidth; }
    void SetAutoWidth(bool Value) { FAutoWidth = Value; }
    double CharSpacing() const { return FCharSpacing; }
    void SetCharSpacing(double Value) { FCharSpacing = Value; }
    bool Clipped() const { return FClipped; }
    void SetClipped(bool Value) { FClipped = Value; }
    TfrxFormat *DisplayFormat() const { return FDisplayFormat.get(); }
    void SetDisplayFormat(TfrxFormat *Value) { FDisplayFormat->Assign(Value); }
    const AnsiString &ExpressionDelimiters() const { return FExpressionDelimiters; }
    void SetExpressionDelimiters(const AnsiString &Value) { FExpressionDelimiters = Value; }
    TfrxCustomMemoView *FlowTo() const { return FFlowTo; }
    void SetFlowTo(TfrxCustomMemoView *Value);
    double GapX() const { return FGapX; }
    void SetGapX(double Value) { FGapX = Value; }
    double GapY() const { return FGapY; }
    void SetGapY(double Value) { FGapY = Value; }
    TfrxHAlign HAlign() const { return FHAlign; }
    void SetHAlign(TfrxHAlign Value) { FHAlign = Value; }
    bool HideZeros() const { return FHideZeros; }
    void SetHideZeros(bool Value) { FHideZeros = Value; }
    TfrxHighlight *Highlight() const { return FHighlight.get(); }
    void SetHighlight(TfrxHighlight *Value) { FHighlight->Assign(Value); }
    double LineSpacing() const { return FLineSpacing; }
    void SetLineSpacing(double Value) { FLineSpacing = Value; }
    TWideStrings *Memo() const { return FMemo.get(); }
    void SetMemo(TWideStrings *Value) { FMemo->Assign(Value); }
    WideString Text() const { return FMemo->Text(); }
    void SetText(const WideString &Value) { FMemo->SetText(Value); }
    double ParagraphGap() const { return FParagraphGap; }
    void SetParagraphGap(double Value) { FParagraphGap = Value; }
    int Rotation() const { return FRotation; }
    void SetRotation(int Value) { FRotation = Value % 360; }
    bool RTLReading() const { return FRTLReading; }
    void SetRTLReading(bool Value) { FRTLReading = Value; }
    const AnsiString &Style() const { return FStyle; }
    // Keeps the name even when the report has no such style (yet): loading a template
    // may set it before the styles arrive.
    void SetStyle(const AnsiString &Value);
    // Takes the style's colour, font and frame; null changes nothing.
    void ApplyStyle(TfrxStyleItem *Style);
    bool SuppressRepeated() const { return FSuppressRepeated; }
    void SetSuppressRepeated(bool Value) { FSuppressRepeated = Value; }
    bool Underlines() const { return FUnderlines; }
    void SetUnderlines(bool Value) { FUnderlines = Value; }
    TfrxVAlign VAlign() const { return FVAlign; }
    void SetVAlign(TfrxVAlign Value) { FVAlign = Value; }
    bool WordBreak() const { return FWordBreak; }
    void SetWordBreak(bool Value) { FWordBreak = Value; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { FWordWrap = Value; }

    bool IsCharSpacingStored() const { return FCharSpacing != 0; }
    bool IsExpressionDelimitersStored() const { return FExpressionDelimiters != "[,]"; }
    bool IsGapXStored() const { return FGapX != 2; }
    bool IsGapYStored() const { return FGapY != 1; }
    bool IsHighlightStored() const { return !Trim(FHighlight->Condition()).IsEmpty(); }
    bool IsLineSpacingStored() const { return FLineSpacing != 2; }
    bool IsParagraphGapStored() const { return FParagraphGap != 0; }

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    void GetFieldData();
    TfrxDrawText *Renderer();
    void PrepareRenderer(TfrxDrawText *Renderer);
    void DrawUnderlines(double Step);
    void ForgetSidesUnderText();
    // Hands the text that does not fit on to the FlowTo memo.
    void FlowText();

    WideString FPartMemo;
    TRect FTextRect;
    bool FAllowExpressions = true;
    bool FAllowHTMLTags = false;
    bool FAutoWidth = false;
    double FCharSpacing = 0;
    bool FClipped = true;
    std::unique_ptr<TfrxFormat> FDisplayFormat = std::make_unique<TfrxFormat>();
    AnsiString FExpressionDelimiters = "[,]";
    TfrxCustomMemoView *FFlowTo = nullptr;
    double FGapX = 2;
    double FGapY = 1;
    TfrxHAlign FHAlign = haLeft;
    bool FHideZeros = false;
    std::unique_ptr<TfrxHighlight> FHighlight = std::make_unique<TfrxHighlight>();
    double FLineSpacing = 2;
    std::unique_ptr<TWideStrings> FMemo = std::make_unique<TWideStrings>();
    double FParagraphGap = 0;
    int FRotation = 0;
    bool FRTLReading = false;
    AnsiString FStyle;
    bool FSuppressRepeated = false;
    bool FUnderlines = false;
    TfrxVAlign FVAlign = vaTop;
    bool FWordBreak = false;
    bool FWordWrap = true;
    Variant FValue;
    Variant FLastValue = ::Null();
    WideString TempMemo;
    int FTotalPages = 0;
};

class TfrxMemoView : public TfrxCustomMemoView
{
    QRV4_CLASS(TfrxMemoView, TfrxCustomMemoView)

public:
    using TfrxCustomMemoView::TfrxCustomMemoView;
    static void Publish(rtl::Publisher<TfrxMemoView> &P);
};

class TfrxSysMemoView : public TfrxCustomMemoView
{
    QRV4_CLASS(TfrxSysMemoView, TfrxCustomMemoView)

public:
    using TfrxCustomMemoView::TfrxCustomMemoView;
    AnsiString GetDescription() const override;
    static void Publish(rtl::Publisher<TfrxSysMemoView> &P);
};

// ---- shapes, lines, pictures and subreports ----

// The platform's invalid-argument result, for data that is not a picture.
inline constexpr std::int32_t frxPictureInvalid = static_cast<std::int32_t>(0x80070057u);

QRV4_ENUM(TfrxShapeKind, skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond,
          skDiagonal1, skDiagonal2)

class TfrxShapeView : public TfrxView
{
    QRV4_CLASS(TfrxShapeView, TfrxView)

public:
    explicit TfrxShapeView(TComponent *AOwner);
    // The designer's constructor: Flags is the shape kind.
    TfrxShapeView(TComponent *AOwner, unsigned short Flags);
    AnsiString GetDescription() const override;
    AnsiString Diff(TfrxComponent *Other) override;
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
              double OffsetY) override;

    int Curve() const { return FCurve; }
    void SetCurve(int Value) { FCurve = Value; }
    TfrxShapeKind Shape() const { return FShape; }
    void SetShape(TfrxShapeKind Value) { FShape = Value; }

    static void Publish(rtl::Publisher<TfrxShapeView> &P);

private:
    void DrawShape();

    int FCurve = 0;
    TfrxShapeKind FShape = skRectangle;
};

class TfrxCustomLineView : public TfrxStretcheable
{
    QRV4_CLASS(TfrxCustomLineView, TfrxStretcheable)

public:
    explicit TfrxCustomLineView(TComponent *AOwner);
    // The designer's constructor: any flag makes a diagonal line.
    TfrxCustomLineView(TComponent *AOwner, unsigned short Flags);
    AnsiString GetDescription() const override;
    // A straight line becomes a frame side first: vertical unless wider than high.
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
              double OffsetY) override;

    bool Diagonal() const { return FDiagonal; }
    void SetDiagonal(bool Value) { FDiagonal = Value; }

private:
    void DrawDiagonalLine();

    bool FDiagonal = false;
};

class TfrxLineView : public TfrxCustomLineView
{
    QRV4_CLASS(TfrxLineView, TfrxCustomLineView)

public:
    using TfrxCustomLineView::TfrxCustomLineView;
    static void Publish(rtl::Publisher<TfrxLineView> &P);
};

class TfrxPictureView : public TfrxView
{
    QRV4_CLASS(TfrxPictureView, TfrxView)

public:
    explicit TfrxPictureView(TComponent *AOwner);
    ~TfrxPictureView() override;
    AnsiString GetDescription() const override;
    AnsiString Diff(TfrxComponent *Other) override;
    void GetData() override;
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
              double OffsetY) override;
    // 0, or frxPictureInvalid when the data is no picture we read; the picture is then empty.
    std::int32_t LoadPictureFromStream(TStream *Stream);

    TPicture *Picture() const { return FPicture.get(); }
    void SetPicture(TPicture *Value) { FPicture->Assign(Value); }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value) { FCenter = Value; }
    bool KeepAspectRatio() const { return FKeepAspectRatio; }
    void SetKeepAspectRatio(bool Value) { FKeepAspectRatio = Value; }
    bool Stretched() const { return FStretched; }
    void SetStretched(bool Value) { FStretched = Value; }
    bool PictureModified() const { return FPictureModified; }
    void SetPictureModified(bool Value) { FPictureModified = Value; }

    static void Publish(rtl::Publisher<TfrxPictureView> &P);

private:
    void PictureChanged(TObject *Sender);
    TRect PictureRect() const;

    std::unique_ptr<TPicture> FPicture;
    bool FAutoSize = false;
    bool FCenter = false;
    bool FKeepAspectRatio = true;
    bool FStretched = true;
    bool FPictureModified = false;
};

class TfrxReportPage;

class TfrxSubreport : public TfrxView
{
    QRV4_CLASS(TfrxSubreport, TfrxView)

public:
    explicit TfrxSubreport(TComponent *AOwner);
    ~TfrxSubreport() override;
    AnsiString GetDescription() const override;
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
              double OffsetY) override;

    TfrxReportPage *Page() const { return FPage; }
    void SetPage(TfrxReportPage *Value);
    bool PrintOnParent() const { return FPrintOnParent; }
    void SetPrintOnParent(bool Value) { FPrintOnParent = Value; }

    static void Publish(rtl::Publisher<TfrxSubreport> &P);

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    TfrxReportPage *FPage = nullptr;
    bool FPrintOnParent = false;
};

// ---- bands and pages ----

class TfrxChild;

class TfrxBand : public TfrxReportComponent
{
    QRV4_CLASS(TfrxBand, TfrxReportComponent)

public:
    explicit TfrxBand(TComponent *AOwner);
    AnsiString GetDescription() const override;
    // The band's kind, 0 to 17, as the engine orders them.
    virtual int BandNumber() const { return -1; }
    // The class name without "Tfrx" and "Band".
    AnsiString GetBandName() const;
    // On a dot-matrix page a band stands on the character grid.
    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetHeight(double Value) override;

    bool AllowSplit() const { return FAllowSplit; }
    void SetAllowSplit(bool Value) { FAllowSplit = Value; }
    TfrxChild *Child() const { return FChild; }
    void SetChild(TfrxChild *Value);
    bool KeepChild() const { return FKeepChild; }
    void SetKeepChild(bool Value) { FKeepChild = Value; }
    const AnsiString &OnAfterCalcHeight() const { return FOnAfterCalcHeight; }
    void SetOnAfterCalcHeight(const AnsiString &Value) { FOnAfterCalcHeight = Value; }
    const AnsiString &OutlineText() const { return FOutlineText; }
    void SetOutlineText(const AnsiString &Value) { FOutlineText = Value; }
    bool StartNewPage() const { return FStartNewPage; }
    void SetStartNewPage(bool Value) { FStartNewPage = Value; }
    bool Stretched() const { return FStretched; }
    void SetStretched(bool Value) { FStretched = Value; }
    bool PrintChildIfInvisible() const { return FPrintChildIfInvisible; }
    void SetPrintChildIfInvisible(bool Value) { FPrintChildIfInvisible = Value; }
    bool Vertical() const { return FVertical; }
    void SetVertical(bool Value) { FVertical = Value; }
    bool PrintOnFirstPage() const { return FPrintOnFirstPage; }
    void SetPrintOnFirstPage(bool Value) { FPrintOnFirstPage = Value; }
    bool PrintOnLastPage() const { return FPrintOnLastPage; }
    void SetPrintOnLastPage(bool Value) { FPrintOnLastPage = Value; }
    bool ReprintOnNewPage() const { return FReprintOnNewPage; }
    void SetReprintOnNewPage(bool Value) { FReprintOnNewPage = Value; }
    bool KeepTogether() const { return FKeepTogether; }
    void SetKeepTogether(bool Value) { FKeepTogether = Value; }
    const AnsiString &Condition() const { return FCondition; }
    void SetCondition(const AnsiString &Value) { FCondition = Value; }
    bool PrintOnTop() const { return FPrintOnTop; }
    void SetPrintOnTop(bool Value) { FPrintOnTop = Value; }
    // True while the page or column break this band caused runs, so that the
    // scripts of the bands printed by the break can tell why they print.
    bool Overflow() const { return FOverflow; }
    void SetOverflow(bool Value) { FOverflow = Value; }

    static void Publish(rtl::Publisher<TfrxBand> &P);

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    bool OnDotMatrixPage();

    bool FAllowSplit = false;
    TfrxChild *FChild = nullptr;
    bool FKeepChild = false;
    AnsiString FOnAfterCalcHeight;
    AnsiString FOutlineText;
    bool FStartNewPage = false;
    bool FStretched = false;
    bool FPrintChildIfInvisible = false;
    bool FVertical = false;
    bool FPrintOnFirstPage = true;
    bool FPrintOnLastPage = true;
    bool FReprintOnNewPage = false;
    bool FKeepTogether = false;
    AnsiString FCondition;
    bool FPrintOnTop = false;
    bool FOverflow = false;
};

class TfrxDataBand : public TfrxBand
{
    QRV4_CLASS(TfrxDataBand, TfrxBand)

public:
    explicit TfrxDataBand(TComponent *AOwner);
    AnsiString GetDescription() const override;

    int Columns() const { return FColumns; }
    void SetColumns(int Value) { FColumns = Value; }
    double ColumnWidth() const { return FColumnWidth; }
    void SetColumnWidth(double Value) { FColumnWidth = Value; }
    double ColumnGap() const { return FColumnGap; }
    void SetColumnGap(double Value) { FColumnGap = Value; }
    TfrxDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TfrxDataSet *Value);
    AnsiString GetDataSetName() const;
    void SetDataSetName(const AnsiString &Value);
    bool FooterAfterEach() const { return FFooterAfterEach; }
    void SetFooterAfterEach(bool Value) { FFooterAfterEach = Value; }
    bool KeepFooter() const { return FKeepFooter; }
    void SetKeepFooter(bool Value) { FKeepFooter = Value; }
    bool KeepHeader() const { return FKeepHeader; }
    void SetKeepHeader(bool Value) { FKeepHeader = Value; }
    bool PrintIfDetailEmpty() const { return FPrintIfDetailEmpty; }
    void SetPrintIfDetailEmpty(bool Value) { FPrintIfDetailEmpty = Value; }
    int RowCount() const { return FVirtualDataSet->RangeEndCount(); }
    void SetRowCount(int Value) { FVirtualDataSet->SetRangeEndCount(Value); }
    const AnsiString &OnMasterDetail() const { return FOnMasterDetail; }
    void SetOnMasterDetail(const AnsiString &Value) { FOnMasterDetail = Value; }
    TfrxUserDataSet *VirtualDataSet() const { return FVirtualDataSet.get(); }
    // The column the next record goes to; past the last one it is the first again.
    int CurColumn() const { return FCurColumn; }
    void SetCurColumn(int Value);
    // The bottom of the tallest column of the current row so far.
    double MaxY() const { return FMaxY; }
    void SetMaxY(double Value) { FMaxY = Value; }

    static void Publish(rtl::Publisher<TfrxDataBand> &P);

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    int FColumns = 0;
    double FColumnWidth = 0;
    double FColumnGap = 0;
    TfrxDataSet *FDataSet = nullptr;
    AnsiString FDataSetName;
    bool FFooterAfterEach = false;
    bool FKeepFooter = false;
    bool FKeepHeader = false;
    bool FPrintIfDetailEmpty = false;
    AnsiString FOnMasterDetail;
    std::unique_ptr<TfrxUserDataSet> FVirtualDataSet;
    int FCurColumn = 1;
    double FMaxY = 0;
};

#define QRV4_FRX_BAND(Name, Base, Number)                                                          \
    class Name : public Base                                                                       \
    {                                                                                              \
        QRV4_CLASS(Name, Base)                                                                     \
                                                                                                   \
    public:                                                                                        \
        using Base::Base;                                                                          \
        int BandNumber() const override { return Number; }                                         \
        static void Publish(rtl::Publisher<Name> &P);                                              \
    };

QRV4_FRX_BAND(TfrxReportTitle, TfrxBand, 0)
QRV4_FRX_BAND(TfrxReportSummary, TfrxBand, 1)
QRV4_FRX_BAND(TfrxPageHeader, TfrxBand, 2)
QRV4_FRX_BAND(TfrxPageFooter, TfrxBand, 3)
QRV4_FRX_BAND(TfrxHeader, TfrxBand, 4)
QRV4_FRX_BAND(TfrxFooter, TfrxBand, 5)
QRV4_FRX_BAND(TfrxMasterData, TfrxDataBand, 6)
QRV4_FRX_BAND(TfrxDetailData, TfrxDataBand, 7)
QRV4_FRX_BAND(TfrxSubdetailData, TfrxDataBand, 8)
QRV4_FRX_BAND(TfrxDataBand4, TfrxDataBand, 9)
QRV4_FRX_BAND(TfrxDataBand5, TfrxDataBand, 10)
QRV4_FRX_BAND(TfrxDataBand6, TfrxDataBand, 11)
QRV4_FRX_BAND(TfrxGroupHeader, TfrxBand, 12)
QRV4_FRX_BAND(TfrxGroupFooter, TfrxBand, 13)
QRV4_FRX_BAND(TfrxChild, TfrxBand, 14)
QRV4_FRX_BAND(TfrxColumnHeader, TfrxBand, 15)
QRV4_FRX_BAND(TfrxColumnFooter, TfrxBand, 16)
QRV4_FRX_BAND(TfrxOverlay, TfrxBand, 17)
QRV4_FRX_BAND(TfrxNullBand, TfrxBand, -1)
#undef QRV4_FRX_BAND

class TfrxPage : public TfrxComponent
{
    QRV4_CLASS(TfrxPage, TfrxComponent)

public:
    using TfrxComponent::TfrxComponent;
    static void Publish(rtl::Publisher<TfrxPage> &P);
};

class TfrxReportPage : public TfrxPage
{
    QRV4_CLASS(TfrxReportPage, TfrxPage)

public:
    explicit TfrxReportPage(TComponent *AOwner);
    ~TfrxReportPage() override;
    AnsiString GetDescription() const override;
    // The page's colour, picture and frame over its printable area; the offsets are the paper's
    // corner.
    void Draw(TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
    // Bands on a character printer's page stand on its text grid.
    virtual bool IsDotMatrix() const { return false; }

    virtual void SetPaperHeight(double Value);
    virtual void SetPaperWidth(double Value);
    virtual void SetPaperSize(int Value);
    virtual void SetDefaults();
    // All three as given, without looking the size up.
    void SetSizeAndDimensions(int Size, double Width, double Height);

    TPrinterOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TPrinterOrientation Value);
    double PaperWidth() const { return FPaperWidth; }
    double PaperHeight() const { return FPaperHeight; }
    int PaperSize() const { return FPaperSize; }
    double LeftMargin() const { return FLeftMargin; }
    void SetLeftMargin(double Value) { FLeftMargin = Value; }
    double RightMargin() const { return FRightMargin; }
    void SetRightMargin(double Value) { FRightMargin = Value; }
    double TopMargin() const { return FTopMargin; }
    void SetTopMargin(double Value) { FTopMargin = Value; }
    double BottomMargin() const { return FBottomMargin; }
    void SetBottomMargin(double Value) { FBottomMargin = Value; }
    bool MirrorMargins() const { return FMirrorMargins; }
    void SetMirrorMargins(bool Value) { FMirrorMargins = Value; }
    int Columns() const { return FColumns; }
    void SetColumns(int Value);
    double ColumnWidth() const { return FColumnWidth; }
    void SetColumnWidth(double Value) { FColumnWidth = Value; }
    TStrings *ColumnPositions() const { return FColumnPositions.get(); }
    void SetColumnPositions(TStrings *Value) { FColumnPositions->Assign(Value); }
    int Bin() const { return FBin; }
    void SetBin(int Value) { FBin = Value; }
    int BinOtherPages() const { return FBinOtherPages; }
    void SetBinOtherPages(int Value) { FBinOtherPages = Value; }
    TPicture *BackPicture() const { return FBackPicture->Picture(); }
    void SetBackPicture(TPicture *Value) { FBackPicture->SetPicture(Value); }
    TColor Color() const { return FBackPicture->Color(); }
    void SetColor(TColor Value) { FBackPicture->SetColor(Value); }
    TfrxFrame *Frame() const { return FBackPicture->Frame(); }
    void SetFrame(TfrxFrame *Value) { FBackPicture->SetFrame(Value); }
    // The view that holds the page's colour, frame and picture.
    TfrxPictureView *BackPictureView() const { return FBackPicture.get(); }
    TfrxDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TfrxDataSet *Value);
    AnsiString GetDataSetName() const;
    void SetDataSetName(const AnsiString &Value);
    TfrxDuplexMode Duplex() const { return FDuplex; }
    void SetDuplex(TfrxDuplexMode Value) { FDuplex = Value; }
    bool LargeDesignHeight() const { return FLargeDesignHeight; }
    void SetLargeDesignHeight(bool Value) { FLargeDesignHeight = Value; }
    bool PrintIfEmpty() const { return FPrintIfEmpty; }
    void SetPrintIfEmpty(bool Value) { FPrintIfEmpty = Value; }
    bool PrintOnPreviousPage() const { return FPrintOnPreviousPage; }
    void SetPrintOnPreviousPage(bool Value) { FPrintOnPreviousPage = Value; }
    const AnsiString &OutlineText() const { return FOutlineText; }
    void SetOutlineText(const AnsiString &Value) { FOutlineText = Value; }
    TStrings *HGuides() const { return FHGuides.get(); }
    void SetHGuides(TStrings *Value) { FHGuides->Assign(Value); }
    TStrings *VGuides() const { return FVGuides.get(); }
    void SetVGuides(TStrings *Value) { FVGuides->Assign(Value); }
    void ClearGuides();
    const AnsiString &OnAfterPrint() const { return FOnAfterPrint; }
    void SetOnAfterPrint(const AnsiString &Value) { FOnAfterPrint = Value; }
    // The first direct child of Class or a subclass of it.
    TfrxBand *FindBand(TClass Class) const;
    void AlignChildren() override;
    bool TitleBeforeHeader() const { return FTitleBeforeHeader; }
    void SetTitleBeforeHeader(bool Value) { FTitleBeforeHeader = Value; }
    const AnsiString &OnBeforePrint() const { return FOnBeforePrint; }
    void SetOnBeforePrint(const AnsiString &Value) { FOnBeforePrint = Value; }
    const AnsiString &OnManualBuild() const { return FOnManualBuild; }
    void SetOnManualBuild(const AnsiString &Value) { FOnManualBuild = Value; }
    // The subreport that last took this page to print; none for an ordinary page. A page
    // stays a subreport's as long as any subreport prints it.
    TfrxSubreport *SubReport() const { return FSubReports.empty() ? nullptr : FSubReports.back(); }
    bool IsSubReport() const { return !FSubReports.empty(); }
    void AddSubReport(TfrxSubreport *Value);
    void RemoveSubReport(TfrxSubreport *Value);

    static void Publish(rtl::Publisher<TfrxReportPage> &P);

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override;
    void UpdateDimensions();
    // Paper in millimetres, keeping the paper number.
    void StorePaperDimensions(double Width, double Height)
    {
        FPaperWidth = Width;
        FPaperHeight = Height;
        UpdateDimensions();
    }

private:
    TPrinterOrientation FOrientation = poPortrait;
    double FPaperWidth = 210;
    double FPaperHeight = 297;
    int FPaperSize = 9;
    double FLeftMargin = 0, FRightMargin = 0, FTopMargin = 0, FBottomMargin = 0;
    bool FMirrorMargins = false;
    int FColumns = 0;
    double FColumnWidth = 0;
    std::unique_ptr<TStringList> FColumnPositions = std::make_unique<TStringList>();
    int FBin = 7;
    int FBinOtherPages = 7;
    std::unique_ptr<TfrxPictureView> FBackPicture;
    TfrxDataSet *FDataSet = nullptr;
    AnsiString FDataSetName;
    TfrxDuplexMode FDuplex = dmNone;
    bool FLargeDesignHeight = false;
    bool FPrintIfEmpty = true;
    bool FPrintOnPreviousPage = false;
    AnsiString FOutlineText;
    std::unique_ptr<TStringList> FHGuides = std::make_unique<TStringList>();
    std::unique_ptr<TStringList> FVGuides = std::make_unique<TStringList>();
    bool FTitleBeforeHeader = true;
    AnsiString FOnAfterPrint;
    AnsiString FOnBeforePrint;
    AnsiString FOnManualBuild;
    std::vector<TfrxSubreport *> FSubReports;
};

// Paper sizes in tenths of a millimetre, by the platform's paper number.
struct TfrxPaperSize {
    int Number;
    int Width;
    int Height;
};
// 0 when the size matches none (custom paper, 256 for the page).
int frxFindPaperSize(double WidthMM, double HeightMM);
const TfrxPaperSize *frxPaperSize(int Number);

// ---- dialog pages ----

QRV4_ENUM_INFO(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly,
               poScreenCenter, poDesktopCenter, poMainFormCenter, poOwnerFormCenter)
QRV4_ENUM_INFO(TWindowState, wsNormal, wsMinimized, wsMaximized)

// A form the user fills in before the report is built; its controls live on
// the form the output library makes for it.
class TfrxDialogPage : public TfrxPage
{
    QRV4_CLASS(TfrxDialogPage, TfrxPage)

public:
    explicit TfrxDialogPage(TComponent *AOwner);
    ~TfrxDialogPage() override;
    AnsiString GetDescription() const override;
    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetHeight(double Value) override;
    void FontChanged() override;

    TForm *Form() const { return FForm.get(); }
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value) { FBorderStyle = Value; }
    AnsiString Caption() const { return FForm->Caption(); }
    void SetCaption(const AnsiString &Value) { FForm->SetCaption(Value); }
    TColor Color() const { return FForm->Color(); }
    void SetColor(TColor Value) { FForm->SetColor(Value); }
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value) { FWindowState = Value; }
    int GetModalResult() const { return FForm->ModalResult(); }
    void SetModalResult(int Value) { FForm->SetModalResult(Value); }

    // Hands the form its place and routes its events to the page's script procedures.
    void Initialize();
    int ShowModal();

    // Names of the script procedures the form's events call.
    AnsiString OnActivate, OnClick, OnCloseQuery, OnDeactivate, OnHide, OnKeyDown, OnKeyPress,
        OnKeyUp, OnShow, OnResize;
    template <AnsiString TfrxDialogPage::*Event> const AnsiString &EventName() const
    {
        return this->*Event;
    }
    template <AnsiString TfrxDialogPage::*Event> void SetEventName(const AnsiString &Value)
    {
        this->*Event = Value;
    }

    static void Publish(rtl::Publisher<TfrxDialogPage> &P);

private:
    std::unique_ptr<TForm> FForm;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TPosition FPosition = poScreenCenter;
    TWindowState FWindowState = wsNormal;
};

// The output library makes the dialog pages' forms; without it they are plain forms.
using TfrxDialogFormFactory = std::function<std::unique_ptr<TForm>()>;
void frxSetDialogFormFactory(TfrxDialogFormFactory Factory);

// ---- end of dialog pages ----

// ---- the report ----

// What the engine and the prepared-page store offer the report; the
// output library provides them.
class TfrxCustomEngine : public TPersistent
{
    QRV4_CLASS(TfrxCustomEngine, TPersistent)

public:
    explicit TfrxCustomEngine(TfrxReport *Report) : FReport(Report) {}
    virtual void EndPage() = 0;
    virtual void NewColumn() = 0;
    virtual void NewPage() = 0;
    virtual void ShowBand(TfrxBand *Band) = 0;
    // The first band of that class on the page being run, when there is one.
    virtual void ShowBand(TClass BandClass) = 0;
    virtual double FooterHeight() = 0;
    virtual double FreeSpace() = 0;
    // Band is the band object's handle, 0 for the band being shown.
    virtual Variant GetAggregateValue(const AnsiString &Name, const AnsiString &Expression,
                                      const Variant &Band, int Flags) = 0;
    virtual bool Run() = 0;

    void ShowBandByName(const AnsiString &Name);
    void StopReport();
    TfrxReport *Report() const { return FReport; }
    TList *NotifyTargets() const { return FNotifyTargets.get(); }
    bool DoublePass() const;

    int CurColumn = 1;
    int CurVColumn = 0;
    // The line in the data band being shown, and the running line over the report.
    int LineNo = 0;
    int LineNoAll = 0;
    double CurX = 0;
    double CurY = 0;
    bool FinalPass = true;
    double ColumnTopY = 0;
    double PageHeight = 0;
    double PageWidth = 0;
    bool Running = false;
    TDateTime StartDate = 0;
    TDateTime StartTime = 0;
    int TotalPages = 0;
    // The prepared page this report's numbering starts from.
    int FirstPage = 0;
    // When set, shows a dialog page instead of the page's own modal show.
    std::function<void(TfrxDialogPage *Page)> OnShowDialogPage;

private:
    TfrxReport *FReport;
    std::unique_ptr<TList> FNotifyTargets = std::make_unique<TList>();
};

// ---- prepared pages: the store the engine fills and the preview and printer read ----

class TfrxCustomExportFilter;
class TfrxXMLItem;
class TfrxCustomOutline;

QRV4_ENUM(TfrxAddPageAction, apWriteOver, apAdd)

class TfrxCustomPreviewPages : public TObject
{
    QRV4_CLASS(TfrxCustomPreviewPages, TObject)

public:
    explicit TfrxCustomPreviewPages(TfrxReport *Report) : FReport(Report) {}
    ~TfrxCustomPreviewPages() override;

    virtual int Count() = 0;
    // The rebuilt page, owned by the store; nil when there is none.
    virtual TfrxPage *GetPage(int Index) = 0;
    // Width and height in pixels; (0, 0) for a page that is not there.
    virtual TPoint GetPageSize(int Index) = 0;
    virtual void Clear() = 0;
    virtual void Initialize() = 0;
    virtual void AddObject(TfrxComponent *Obj) = 0;
    virtual void AddPage(TfrxReportPage *Page) = 0;
    virtual void AddSourcePage(TfrxReportPage *Page) = 0;
    virtual void AddToSourcePage(TfrxComponent *Obj) = 0;
    virtual void BeginPass() = 0;
    virtual void ClearFirstPassPages() = 0;
    virtual void CutObjects(int AFrom) = 0;
    virtual void Finish() = 0;
    virtual void PasteObjects(double X, double Y) = 0;
    virtual bool BandExists(TfrxBand *Band) = 0;
    virtual int GetCurPosition() = 0;
    virtual double GetLastY() = 0;
    virtual void AddEmptyPage(int Index) = 0;
    virtual void DeletePage(int Index) = 0;
    virtual void ModifyPage(int Index, TfrxReportPage *Page) = 0;
    virtual void DrawPage(int Index, TCanvas *Canvas, double ScaleX, double ScaleY, double OffsetX,
                          double OffsetY) = 0;
    virtual void ObjectOver(int Index, int X, int Y, TMouseButton Button, TShiftState Shift,
                            double Scale, double OffsetX, double OffsetY, bool Click,
                            TCursor &Cursor) = 0;
    virtual void AddFrom(TfrxReport *Report) = 0;
    virtual void LoadFromStream(TStream *Stream, bool AllowPartialLoading = false) = 0;
    virtual void SaveToStream(TStream *Stream) = 0;
    virtual bool LoadFromFile(const AnsiString &FileName, bool ExceptionIfAbsent = false) = 0;
    virtual void SaveToFile(const AnsiString &FileName) = 0;
    virtual bool Print() = 0;
    virtual bool Export(TfrxCustomExportFilter *Filter) = 0;
    // A named place on the current page, at the engine's position.
    virtual void AddAnchor(const AnsiString &Text) = 0;
    // The 1-based page of the last anchor of that name; 1 when there is none.
    virtual int GetAnchorPage(const AnsiString &Text) = 0;

    TfrxReport *Report() const { return FReport; }
    TfrxCustomEngine *Engine() const { return FEngine; }
    void SetEngine(TfrxCustomEngine *Value) { FEngine = Value; }
    TfrxCustomOutline *Outline() const { return FOutline.get(); }
    TfrxAddPageAction AddPageAction = apWriteOver;
    int CurPage = -1;
    // 1-based, as the preview shows it.
    int CurPreviewPage = 1;

protected:
    void SetOutline(std::unique_ptr<TfrxCustomOutline> Value);

private:
    TfrxReport *FReport;
    TfrxCustomEngine *FEngine = nullptr;
    std::unique_ptr<TfrxCustomOutline> FOutline;
};

// The tree of outline entries of a prepared report.
class TfrxCustomOutline : public TPersistent
{
    QRV4_CLASS(TfrxCustomOutline, TPersistent)

public:
    explicit TfrxCustomOutline(TfrxCustomPreviewPages *PreviewPages) : FPreviewPages(PreviewPages)
    {
    }

    virtual int GetCount() = 0;
    virtual void AddItem(const AnsiString &Text, int Top) = 0;
    virtual void LevelDown(int Index) = 0;
    virtual void LevelRoot() = 0;
    virtual void LevelUp() = 0;
    virtual void GetItem(int Index, AnsiString &Text, int &Page, int &Top) = 0;
    virtual void ShiftItems(TfrxXMLItem *From, int NewTop) = 0;
    virtual TfrxXMLItem *GetCurPosition() = 0;

    TfrxCustomEngine *Engine() const { return FPreviewPages->Engine(); }
    TfrxCustomPreviewPages *PreviewPages() const { return FPreviewPages; }
    TfrxXMLItem *CurItem() const { return FCurItem; }
    void SetCurItem(TfrxXMLItem *Value) { FCurItem = Value; }

private:
    TfrxCustomPreviewPages *FPreviewPages;
    TfrxXMLItem *FCurItem = nullptr;
};

inline TfrxCustomPreviewPages::~TfrxCustomPreviewPages() = default;

inline void TfrxCustomPreviewPages::SetOutline(std::unique_ptr<TfrxCustomOutline> Value)
{
    FOutline = std::move(Value);
}

// ---- end of prepared pages ----

using TfrxEngineFactory = std::function<std::unique_ptr<TfrxCustomEngine>(TfrxReport *)>;
using TfrxPreviewPagesFactory =
    std::function<std::unique_ptr<TfrxCustomPreviewPages>(TfrxReport *)>;
// The output library installs its engine and page store here at start-up.
void frxSetOutputFactories(TfrxEngineFactory Engine, TfrxPreviewPagesFactory Pages);

using TfrxProgressEvent =
    std::function<void(TfrxReport *Sender, TfrxProgressType ProgressType, int Progress)>;
QRV4_METHOD_INFO(TfrxProgressEvent)
using TfrxReportComponentEvent = std::function<void(TfrxReportComponent *Sender)>;
QRV4_METHOD_INFO(TfrxReportComponentEvent)
using TfrxUserFunctionEvent = std::function<Variant(const AnsiString &MethodName, Variant &Params)>;
QRV4_METHOD_INFO(TfrxUserFunctionEvent)

// Expressions compiled once per run into functions of their own script.
class TfrxExpressionCache
{
public:
    explicit TfrxExpressionCache(TfsScript *MainScript);
    ~TfrxExpressionCache();
    TfrxExpressionCache(const TfrxExpressionCache &) = delete;
    TfrxExpressionCache &operator=(const TfrxExpressionCache &) = delete;

    void Clear();
    Variant Calc(const AnsiString &Expression, AnsiString &ErrorMsg, TfsScript *Script);
    void SetScriptLanguage(const AnsiString &Value) { FScriptLanguage = Value; }
    int Count() const { return FExpressions->Count(); }

private:
    std::unique_ptr<TStringList> FExpressions; // exact texts; a case differs, a function differs
    std::unique_ptr<TfsScript> FScript;
    TfsScript *FMainScript;
    AnsiString FScriptLanguage;
};

// ---- preview, progress and the add-ons a report can be given ----

// A preview control the host places itself; the preview window of the output
// library is one too.
class TfrxCustomPreview : public TCustomControl
{
    QRV4_CLASS(TfrxCustomPreview, TCustomControl)

public:
    using TCustomControl::TCustomControl;
    virtual void Init() = 0;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
    virtual void InternalOnProgressStart(TfrxReport *Sender, TfrxProgressType ProgressType,
                                         int Progress) = 0;
    virtual void InternalOnProgress(TfrxReport *Sender, TfrxProgressType ProgressType,
                                    int Progress) = 0;
    virtual void InternalOnProgressStop(TfrxReport *Sender, TfrxProgressType ProgressType,
                                        int Progress) = 0;

    TfrxReport *Report() const { return FReport; }
    void SetReport(TfrxReport *Value) { FReport = Value; }
    TfrxCustomPreviewPages *PreviewPages() const { return FPreviewPages; }
    void SetPreviewPages(TfrxCustomPreviewPages *Value) { FPreviewPages = Value; }

private:
    TfrxReport *FReport = nullptr;
    TfrxCustomPreviewPages *FPreviewPages = nullptr;
};

// The small window a report shows while it prepares, prints or exports.
class TfrxCustomProgress
{
public:
    virtual ~TfrxCustomProgress() = default;
    virtual void Execute(int MaxValue, const AnsiString &Msg, bool Canceled, bool Progress) = 0;
    // The window's title, which its look leaves to the window lists; set before Execute.
    virtual void SetTitle(const AnsiString &Text) = 0;
    virtual void SetMessage(const AnsiString &Text) = 0;
    virtual bool Terminated() const = 0;
};

using TfrxProgressFactory = std::function<std::unique_ptr<TfrxCustomProgress>()>;
// Shows the prepared pages of a report in the preview window.
using TfrxPreviewFormHandler = std::function<void(TfrxReport *Report)>;
// The output library installs its progress and preview windows here; until it
// does, a report shows no progress and a preview raises a clear error.
void frxSetProgressFactory(TfrxProgressFactory Factory);
void frxSetPreviewFormHandler(TfrxPreviewFormHandler Handler);
// Shows a progress text in a preview window a report made.
using TfrxPreviewMessageHandler = std::function<void(TForm *PreviewForm, const AnsiString &Text)>;
void frxSetPreviewMessageHandler(TfrxPreviewMessageHandler Handler);

// Shows the password form modally: true when it was closed with OK, Typed then
// holding what was typed. The output library installs it; without it no
// password can be given, so a template that has one does not open.
using TfrxPasswordFormHandler = std::function<bool(AnsiString &Typed)>;
TfrxPasswordFormHandler &frxPasswordFormHandler();

class TfrxCustomDesigner : public TForm
{
    QRV4_CLASS(TfrxCustomDesigner, TForm)

public:
    TfrxCustomDesigner(TComponent *AOwner, TfrxReport *Report);
    virtual TStrings *GetCode() = 0;
    virtual bool InsertExpression(const AnsiString &Expr) = 0;
    virtual void Lock() = 0;
    virtual void ReloadPages(int Index) = 0;
    virtual void ReloadReport() = 0;
    virtual void UpdateDataTree() = 0;
    virtual void UpdatePage() = 0;

    TfrxReport *Report() const { return FReport; }
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    TfrxPage *Page() const { return FPage; }
    void SetPage(TfrxPage *Value) { FPage = Value; }

private:
    TfrxReport *FReport;
    bool FModified = false;
    TfrxPage *FPage = nullptr;
};

// No designer is part of this program; a host that has one installs it here.
using TfrxDesignerFactory = std::function<std::unique_ptr<TfrxCustomDesigner>(TfrxReport *Report)>;
TfrxDesignerFactory &frxDesignerClass();

class TfrxCustomExportFilter : public TComponent
{
    QRV4_CLASS(TfrxCustomExportFilter, TComponent)

public:
    // Registers the filter for the preview's export menu.
    explicit TfrxCustomExportFilter(TComponent *AOwner);
    // A filter made for one export only, left out of the menu.
    TfrxCustomExportFilter();
    ~TfrxCustomExportFilter() override;

    virtual AnsiString GetDescription() const { return AnsiString(); }
    virtual TModalResult ShowModal() { return mrOk; }
    virtual bool Start() { return true; }
    virtual void ExportObject(TfrxComponent *Obj) = 0;
    virtual void Finish() {}
    virtual void FinishPage(TfrxReportPage *, int /*Index*/) {}
    virtual void StartPage(TfrxReportPage *, int /*Index*/) {}

    TfrxReport *Report() const { return FReport; }
    void SetReport(TfrxReport *Value) { FReport = Value; }
    bool ShowDialog() const { return FShowDialog; }
    void SetShowDialog(bool Value) { FShowDialog = Value; }
    const AnsiString &FileName() const { return FFileName; }
    void SetFileName(const AnsiString &Value) { FFileName = Value; }
    bool ExportNotPrintable() const { return FExportNotPrintable; }
    void SetExportNotPrintable(bool Value) { FExportNotPrintable = Value; }
    bool UseFileCache() const { return FUseFileCache; }
    void SetUseFileCache(bool Value) { FUseFileCache = Value; }
    const AnsiString &DefaultPath() const { return FDefaultPath; }
    void SetDefaultPath(const AnsiString &Value) { FDefaultPath = Value; }
    bool ShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool Value) { FShowProgress = Value; }
    // Only the page the preview shows; the export sets the page list from it.
    bool CurPage() const { return FCurPage; }
    void SetCurPage(bool Value) { FCurPage = Value; }
    // The pages to export, as "1,3,5-12"; empty for all.
    const AnsiString &PageNumbers() const { return FPageNumbers; }
    void SetPageNumbers(const AnsiString &Value) { FPageNumbers = Value; }

private:
    bool FNoRegister = false;
    TfrxReport *FReport = nullptr;
    bool FShowDialog = true;
    AnsiString FFileName;
    bool FExportNotPrintable = false;
    bool FUseFileCache = false;
    AnsiString FDefaultPath;
    bool FShowProgress = true;
    bool FCurPage = false;
    AnsiString FPageNumbers;
};

class TfrxCustomWizard : public TComponent
{
    QRV4_CLASS(TfrxCustomWizard, TComponent)

public:
    using TComponent::TComponent;
    virtual AnsiString GetDescription() const { return AnsiString(); }
    virtual bool Execute() = 0;
};

// Packs templates on save and unpacks them on load; none is part of this program.
class TfrxCustomCompressor : public TComponent
{
    QRV4_CLASS(TfrxCustomCompressor, TComponent)

public:
    // Makes its class the one reports use while any compressor of it lives.
    explicit TfrxCustomCompressor(TComponent *AOwner);
    ~TfrxCustomCompressor() override;
    // False when Source holds no packed data (it is then read as it is).
    virtual bool Decompress(TStream *Source) = 0;
    // Packs the working stream into Dest.
    virtual void Compress(TStream *Dest) = 0;
    // A temporary file when the report caches to files, else memory.
    void CreateStream();

    TfrxReport *Report() const { return FReport; }
    void SetReport(TfrxReport *Value) { FReport = Value; }
    bool IsTemplate() const { return FIsTemplate; }
    void SetIsTemplate(bool Value) { FIsTemplate = Value; }
    TStream *Stream() const { return FStream.get(); }

private:
    TfrxReport *FReport = nullptr;
    bool FIsTemplate = false;
    std::unique_ptr<TStream> FStream;
    AnsiString FTempFile;
};

// The compressor class reports use; none until a compressor is made.
TClass frxCompressorClass();

using TfrxClickObjectEvent =
    std::function<void(TfrxView *View, TMouseButton Button, TShiftState Shift, bool &Modified)>;
QRV4_METHOD_INFO(TfrxClickObjectEvent)
using TfrxManualBuildEvent = std::function<void(TfrxPage *Page)>;
QRV4_METHOD_INFO(TfrxManualBuildEvent)
using TfrxMouseOverObjectEvent = std::function<void(TfrxView *View)>;
QRV4_METHOD_INFO(TfrxMouseOverObjectEvent)

// Handlers an add-on for an older template format can set; this program sets none.
struct TfrxLegacyEvents {
    // Asked before any other source of a value; an empty answer is none.
    std::function<void(const AnsiString &VarName, Variant &Value)> OnGetValue;
    // Called once the report's script has its built-in functions.
    std::function<void(TfrxReport *Report)> OnPrepareScript;
    // True when it has read the template from the stream itself.
    std::function<bool(TfrxReport *Report, TStream *Stream)> OnLoad;
    // Answers a script's Get(Name) that nothing else answers; Params are Get's arguments.
    // While it is set, the script's own variables are not looked up as values.
    std::function<void(const Variant &Params, Variant &Value)> OnGetScriptValue;
};
TfrxLegacyEvents &frxLegacyEvents();

class TfrxReport : public TfrxComponent
{
    QRV4_CLASS(TfrxReport, TfrxComponent)
    friend class TfrxComponent;

    // Every named object of the report's tree by its name in upper case, so that a new
    // name is checked without walking thousands of objects. First of the members: the
    // objects that others free leave it last.
    std::unordered_map<std::string, std::vector<TfrxComponent *>> FObjectNames;
    void IndexTree(TfrxComponent *Top);
    void UnindexTree(TfrxComponent *Top);
    void IndexObject(TfrxComponent *Obj);
    void UnindexObject(TfrxComponent *Obj);
    bool HasObjectNamed(const AnsiString &Name, const TfrxComponent *Except) const;

public:
    explicit TfrxReport(TComponent *AOwner);
    ~TfrxReport() override;

    void Clear() override;
    void LoadFromStream(TStream *Stream) override;
    void SaveToStream(TStream *Stream, bool SaveChildren = true,
                      bool SaveDefaultValues = false) override;
    AnsiString GetDescription() const override;
    bool LoadFromFile(const AnsiString &FileName, bool ExceptionIfNotFound = false);
    void SaveToFile(const AnsiString &FileName);
    // Both let the program handle its messages while they run: when the session's end closes
    // the program meanwhile, they stop as Cancel stops them and raise EAbort (vcl::TModalWait),
    // so that the caller goes no further than the close.
    bool PrepareReport(bool ClearLastReport = true);
    void Print();
    // Prepares while the preview is already showing, unless OldStyleProgress asks
    // for the run first.
    void ShowReport(bool ClearLastReport = true);
    void ShowPreparedReport();
    bool Export(TfrxCustomExportFilter *Filter);
    // Opens the installed designer on the template, modal; without one, or while the
    // report has one open, nothing happens. A report without pages gets its first.
    void DesignReport();
    // The same, the designer left open beside the program when Modal is false.
    void DesignReport(bool Modal);
    // Opens the designer, modal, over the prepared pages the preview shows; true
    // when the designer says it changed them.
    bool DesignPreviewPage();
    // The designer the report opened and that is still showing, or null.
    TfrxCustomDesigner *Designer() const;

    // Script procedures named by report objects; they run while the engine runs
    // or when RunAlways asks. The object travels as its handle.
    void DoNotifyEvent(TObject *Obj, const AnsiString &EventName, bool RunAlways = false);
    void DoParamEvent(const AnsiString &EventName, Variant &Params, bool RunAlways = false);
    void DoBeforePrint(TfrxReportComponent *C);
    void DoAfterPrint(TfrxReportComponent *C);
    void DoPreviewClick(TfrxView *View, TMouseButton Button, TShiftState Shift, bool &Modified);
    virtual void InternalOnProgressStart(TfrxProgressType ProgressType);
    virtual void InternalOnProgress(TfrxProgressType ProgressType, int Progress);
    virtual void InternalOnProgressStop(TfrxProgressType ProgressType);
    void SetProgressMessage(const AnsiString &Text);
    // ---- printer selection (printing track) ----
    // The printer named by PrintOptions becomes current; the default-printer
    // text means the system's default printer as it is at this moment.
    void SelectPrinter();
    TfrxCustomPreview *Preview() const { return FPreview; }
    // Detaches the preview shown before and binds and starts the new one.
    void SetPreview(TfrxCustomPreview *Value);
    // The preview window the report opened itself; a run that fails closes it.
    TForm *PreviewForm() const { return FPreviewForm; }
    void SetPreviewForm(TForm *Value);
    std::unique_ptr<TCustomIniFile> GetIniFile() const;

    TfrxPage *Pages(int Index) const;
    int PagesCount() const;

    const AnsiString &Version() const { return FVersion; }
    void SetVersion(const AnsiString &) { FVersion = "3.20"; }
    TfrxDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TfrxDataSet *Value);
    AnsiString GetDataSetName() const;
    void SetDataSetName(const AnsiString &Value);
    bool DotMatrixReport() const { return FDotMatrixReport; }
    void SetDotMatrixReport(bool Value) { FDotMatrixReport = Value; }
    TfrxEngineOptions *EngineOptions() const { return FEngineOptions.get(); }
    void SetEngineOptions(TfrxEngineOptions *Value) { FEngineOptions->Assign(Value); }
    const AnsiString &IniFile() const { return FIniFile; }
    void SetIniFile(const AnsiString &Value) { FIniFile = Value; }
    bool OldStyleProgress() const { return FOldStyleProgress; }
    void SetOldStyleProgress(bool Value) { FOldStyleProgress = Value; }
    TfrxPreviewOptions *PreviewOptions() const { return FPreviewOptions.get(); }
    void SetPreviewOptions(TfrxPreviewOptions *Value) { FPreviewOptions->Assign(Value); }
    TfrxPrintOptions *PrintOptions() const { return FPrintOptions.get(); }
    void SetPrintOptions(TfrxPrintOptions *Value) { FPrintOptions->Assign(Value); }
    TfrxReportOptions *ReportOptions() const { return FReportOptions.get(); }
    void SetReportOptions(TfrxReportOptions *Value) { FReportOptions->Assign(Value); }
    const AnsiString &ScriptLanguage() const { return FScriptLanguage; }
    void SetScriptLanguage(const AnsiString &Value) { FScriptLanguage = Value; }
    TStrings *ScriptText() const { return FScriptText.get(); }
    void SetScriptText(TStrings *Value) { FScriptText->Assign(Value); }
    bool ShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool Value) { FShowProgress = Value; }
    bool StoreInDFM() const { return FStoreInDFM; }
    void SetStoreInDFM(bool Value) { FStoreInDFM = Value; }
    const AnsiString &OnRunDialogs() const { return FOnRunDialogs; }
    void SetOnRunDialogs(const AnsiString &Value) { FOnRunDialogs = Value; }
    const AnsiString &OnStartReport() const { return FOnStartReport; }
    void SetOnStartReport(const AnsiString &Value) { FOnStartReport = Value; }
    const AnsiString &OnStopReport() const { return FOnStopReport; }
    void SetOnStopReport(const AnsiString &Value) { FOnStopReport = Value; }

    TfrxReportDataSets *DataSets() const { return FDataSets.get(); }
    TfrxVariables *Variables() const { return FVariables.get(); }
    TfrxStyles *Styles() const { return FStyles.get(); }
    TStringList *Errors() const { return FErrors.get(); }
    TStrings *SysVariables() const { return FSysVariables.get(); }
    // Its functions and classes are registered on first use: most reports the program makes
    // at start are never run, and registering costs more than the rest of the report.
    TfsScript *Script() const;
    TfrxCustomEngine *Engine() const { return FEngine.get(); }
    TfrxCustomPreviewPages *PreviewPages() const { return FPreviewPages.get(); }
    const AnsiString &FileName() const { return FFileName; }
    // Also once Cancel on the progress window is pressed, before the next step would see it,
    // and once the session's end has closed the program: its save is the last thing it writes.
    bool Terminated() const
    {
        return FTerminated || (FProgress && FProgress->Terminated()) ||
               (Application && Application->ClosedBySession());
    }
    void SetTerminated(bool Value);
    TfrxExpressionCache *ExpressionCache() const { return FExpressionCache.get(); }
    // The report's own text renderer, made on first use.
    TfrxDrawText *DrawText();
    const AnsiString &CurObject() const { return FCurObject; }
    void SetCurObject(const AnsiString &Value) { FCurObject = Value; }

    // A name's value from the first source that answers; no evaluation of its own.
    bool DoGetValue(const AnsiString &Name, Variant &Value);
    // A name or an expression of the report's script language.
    Variant Calc(const AnsiString &Expression, TfsScript *Script = nullptr);
    void GetDatasetAndField(const AnsiString &ComplexName, TfrxDataSet *&DataSet,
                            AnsiString &Field);
    TfrxDataSet *GetDataset(const AnsiString &Alias) const;
    AnsiString GetAlias(TfrxDataSet *DataSet) const;
    void GetDataSetList(TStrings *List, bool OnlyDB = false) const;
    bool PrepareScript();
    void AddFunction(const AnsiString &FuncName, const AnsiString &Category = AnsiString(),
                     const AnsiString &Description = AnsiString());
    Variant GetLocalValue() const;
    void SetLocalValue(const Variant &Value);
    TfrxXMLSerializer *CurrentSerializer() const { return FSerializer; }
    void SetCurrentSerializer(TfrxXMLSerializer *Value) { FSerializer = Value; }
    bool Reloading() const { return FReloading; }

    // Host events.
    TfrxReportComponentEvent OnAfterPrint;
    TfrxBeforeConnectEvent OnBeforeConnect;
    TfrxReportComponentEvent OnBeforePrint;
    TNotifyEvent OnBeginDoc;
    TNotifyEvent OnEndDoc;
    TfrxGetValueEvent OnGetValue;
    TNotifyEvent OnPrintReport;
    TNotifyEvent OnAfterPrintReport;
    TfrxProgressEvent OnProgressStart;
    TfrxProgressEvent OnProgress;
    TfrxProgressEvent OnProgressStop;
    TfrxUserFunctionEvent OnUserFunction;
    TfrxClickObjectEvent OnClickObject;
    TfrxManualBuildEvent OnManualBuild;
    TfrxMouseOverObjectEvent OnMouseOverObject;

    static void Publish(rtl::Publisher<TfrxReport> &P);

protected:
    void DefineProperties(TFiler *Filer) override;
    void ReadState(TReader *Reader) override;
    void Notification(TComponent *AComponent, TOperation Operation) override;

private:
    // Everything Clear resets besides the component tree: a new report starts from this.
    void DoClear();
    void ReportErrors();
    bool RunEngine();
    // The run inside PrepareReport's guard; true when the engine finished.
    bool RunPrepared();
    Variant GetScriptValue(Variant &Params);
    Variant CallMethod(const AnsiString &MethodName, Variant &Params);
    Variant VariableValue(const AnsiString &Name, const Variant &Stored);
    bool SystemValue(int Index, Variant &Value) const;

    AnsiString FVersion = "3.20";
    TfrxDataSet *FDataSet = nullptr;
    AnsiString FDataSetName;
    bool FDotMatrixReport = false;
    AnsiString FIniFile = "\\Software\\Zedo Vevuvuz";
    bool FOldStyleProgress = false;
    AnsiString FScriptLanguage;
    bool FShowProgress = true;
    bool FStoreInDFM = true;
    AnsiString FOnRunDialogs, FOnStartReport, FOnStopReport;
    std::unique_ptr<TfrxReportDataSets> FDataSets;
    std::unique_ptr<TfrxVariables> FVariables;
    std::unique_ptr<TfsScript> FScript;
    std::unique_ptr<TfrxEngineOptions> FEngineOptions;
    std::unique_ptr<TfrxPreviewOptions> FPreviewOptions;
    std::unique_ptr<TfrxPrintOptions> FPrintOptions;
    std::unique_ptr<TfrxReportOptions> FReportOptions;
    std::unique_ptr<TStringList> FScriptText;
    std::unique_ptr<TStringList> FErrors;
    std::unique_ptr<TfrxStyles> FStyles;
    std::unique_ptr<TStringList> FSysVariables;
    std::unique_ptr<TfrxCustomEngine> FEngine;
    std::unique_ptr<TfrxCustomPreviewPages> FPreviewPages;
    AnsiString FFileName;
    bool FTerminated = false;
    bool FReloading = false;
    TfrxXMLSerializer *FSerializer = nullptr;
    std::unique_ptr<TfrxExpressionCache> FExpressionCache;
    std::unique_ptr<TfrxDrawText> FDrawText;
    AnsiString FCurObject;
    std::vector<AnsiString> FEvaluating; // variables being evaluated, against self-reference
    bool EngineRunning() const;
    bool ShowsProgressWindow(TfrxProgressType ProgressType) const;
    void StartTimerTick();
    // Gives a report without pages its first, as the designer expects one.
    void AddFirstPage();
    // A new designer, or null when none is installed or one is showing.
    TfrxCustomDesigner *OpenDesigner();
    // Runs the designer modally; true when it says it changed the report.
    bool RunDesigner(TfrxCustomDesigner *Opened);
    TfrxCustomPreview *FPreview = nullptr;
    TForm *FPreviewForm = nullptr;
    std::unique_ptr<TfrxCustomProgress> FProgress;
    std::unique_ptr<TTimer> FTimer;
    std::unique_ptr<TfrxCustomDesigner> FDesigner;
    bool FDesignerModal = false;
};

// The library's cursors: the preview's hand and zoom tools and the format painter.
constexpr TCursor crHand = 150;   // "frxHAND"
constexpr TCursor crZoom = 151;   // "frxZOOM"
constexpr TCursor crFormat = 152; // "frxFORMAT"
// Puts them on the screen once it exists; the report and the preview call it.
void frxRegisterCursors();

// The load lock around reading templates in thread-safe mode.
std::recursive_mutex &frxCS();
// Registers the report classes for streaming; safe to call more than once.
void frxRegisterReportClasses();
