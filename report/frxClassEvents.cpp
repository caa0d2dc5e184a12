// The report's events: script procedures named by objects, progress, the
// preview and designer, and the add-ons a report can be given.

#include "report/frxClass.h"

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/win/CupsLibrary.h"
#include "report/frxRegistry.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"
#include "script/fs_iinterpreter.h"

namespace
{

struct WindowHooks {
    TfrxProgressFactory Progress;
    TfrxPreviewFormHandler PreviewForm;
    TfrxPreviewMessageHandler PreviewMessage;
};

WindowHooks &Hooks()
{
    static WindowHooks Instance;
    return Instance;
}

// The compressors alive, latest last: the class in use is that of the latest.
std::vector<TfrxCustomCompressor *> &Compressors()
{
    static std::vector<TfrxCustomCompressor *> Live;
    return Live;
}

void ProcessMessages()
{
    if (Application) Application->ProcessMessages();
}

} // namespace

void frxSetProgressFactory(TfrxProgressFactory Factory)
{
    Hooks().Progress = std::move(Factory);
}

void frxSetPreviewFormHandler(TfrxPreviewFormHandler Handler)
{
    Hooks().PreviewForm = std::move(Handler);
}

void frxSetPreviewMessageHandler(TfrxPreviewMessageHandler Handler)
{
    Hooks().PreviewMessage = std::move(Handler);
}

TfrxPasswordFormHandler &frxPasswordFormHandler()
{
    static TfrxPasswordFormHandler Handler;
    return Handler;
}

TfrxDesignerFactory &frxDesignerClass()
{
    static TfrxDesignerFactory Factory;
    return Factory;
}

// ---- events ----

bool TfrxReport::EngineRunning() const
{
    return FEngine && FEngine->Running;
}

void TfrxReport::DoNotifyEvent(TObject *Obj, const AnsiString &EventName, bool RunAlways)
{
    if ((EngineRunning() || RunAlways) && !EventName.IsEmpty())
        Script()->CallFunction(EventName, VarArrayOf({VarFromObject(Obj)}));
}

void TfrxReport::DoParamEvent(const AnsiString &EventName, Variant &Params, bool RunAlways)
{
    if ((EngineRunning() || RunAlways) && !EventName.IsEmpty())
        Script()->CallFunction1(EventName, Params);
}

void TfrxReport::DoBeforePrint(TfrxReportComponent *C)
{
    if (OnBeforePrint) OnBeforePrint(C);
    DoNotifyEvent(C, C->OnBeforePrint());
}

void TfrxReport::DoAfterPrint(TfrxReportComponent *C)
{
    if (OnAfterPrint) OnAfterPrint(C);
    DoNotifyEvent(C, C->OnAfterPrint());
}

void TfrxReport::DoPreviewClick(TfrxView *View, TMouseButton Button, TShiftState Shift,
                                bool &Modified)
{
    Variant Params = VarArrayOf({VarFromObject(View), Variant(static_cast<int>(Button)),
                                 Variant(static_cast<int>(Shift.ToInt())), Variant(Modified)});
    DoParamEvent(View->OnPreviewClick(), Params, true);
    Modified = Params.GetElement({3}).AsBoolean();
    if (OnClickObject) OnClickObject(View, Button, Shift, Modified);
}

// ---- progress ----

bool TfrxReport::ShowsProgressWindow(TfrxProgressType ProgressType) const
{
    return (FOldStyleProgress || ProgressType != ptRunning) && FShowProgress;
}

void TfrxReport::InternalOnProgressStart(TfrxProgressType ProgressType)
{
    if (OnProgressStart) OnProgressStart(this, ProgressType, 0);
    if (ShowsProgressWindow(ProgressType)) {
        FProgress.reset();
        if (Hooks().Progress) FProgress = Hooks().Progress();
        // Until the first page goes out, a print waits for the print service (its printer,
        // the job's hand-over): the window says so rather than nothing.
        const bool Printing = ProgressType == ptPrinting;
        if (FProgress && Printing) FProgress->SetTitle(frxGet(101));
        if (FProgress)
            FProgress->Execute(0, Printing ? win::PrintServiceWait() : AnsiString(), true, false);
    }
    if (FPreview && ProgressType == ptRunning)
        FPreview->InternalOnProgressStart(this, ProgressType, 0);
    ProcessMessages();
}

void TfrxReport::InternalOnProgress(TfrxProgressType ProgressType, int Progress)
{
    const bool Window = ShowsProgressWindow(ProgressType) && FProgress;
    // The window says the page before the event tells of it, so that both name the same page.
    if (Window) {
        const char *Key = ProgressType == ptExporting      ? "prExporting"
                          : ProgressType == ptPrinting     ? "prPrinting"
                          : FEngine && !FEngine->FinalPass ? "prRunningFirst"
                                                           : "prRunning";
        FProgress->SetMessage(Format(frxResources()->Get(Key), {Progress}));
    }
    if (OnProgress) OnProgress(this, ProgressType, Progress);
    if (Window && FProgress && FProgress->Terminated()) SetTerminated(true);
    if (FPreview && ProgressType == ptRunning)
        FPreview->InternalOnProgress(this, ProgressType, Progress - 1);
    ProcessMessages();
}

void TfrxReport::InternalOnProgressStop(TfrxProgressType ProgressType)
{
    if (OnProgressStop) OnProgressStop(this, ProgressType, 0);
    if (ShowsProgressWindow(ProgressType)) FProgress.reset();
    if (FPreview && ProgressType == ptRunning)
        FPreview->InternalOnProgressStop(this, ProgressType, 0);
    ProcessMessages();
}

void TfrxReport::SetProgressMessage(const AnsiString &Text)
{
    if (FOldStyleProgress && EngineRunning() && FShowProgress && FProgress)
        FProgress->SetMessage(Text);
    if (FPreviewForm && Hooks().PreviewMessage) Hooks().PreviewMessage(FPreviewForm, Text);
    ProcessMessages();
}

// ---- preview, export, designer ----

void TfrxReport::SetPreview(TfrxCustomPreview *Value)
{
    if (FPreview) {
        FPreview->SetReport(nullptr);
        FPreview->SetPreviewPages(nullptr);
    }
    FPreview = Value;
    if (!Value) return;
    Value->FreeNotification(this);
    Value->SetReport(this);
    Value->SetPreviewPages(FPreviewPages.get());
    Value->Init();
}

void TfrxReport::ShowPreparedReport()
{
    if (FPreview) {
        FPreview->SetReport(this);
        FPreview->SetPreviewPages(FPreviewPages.get());
        FPreview->Init();
        return;
    }
    if (!Hooks().PreviewForm) throw Exception(frxResources()->Get("clNoPreview"));
    Hooks().PreviewForm(this);
}

void TfrxReport::ShowReport(bool ClearLastReport)
{
    if (ClearLastReport && FPreviewPages) FPreviewPages->Clear();
    if (FOldStyleProgress) {
        if (PrepareReport(false)) ShowPreparedReport();
        return;
    }
    if (!FTimer) {
        FTimer = std::make_unique<TTimer>(nullptr);
        FTimer->SetEnabled(false);
        FTimer->SetInterval(50);
        FTimer->OnTimer = [this](TObject *) { StartTimerTick(); };
    }
    FTimer->SetEnabled(true);
    try {
        ShowPreparedReport();
    } catch (...) {
        FTimer->SetEnabled(false);
        throw;
    }
}

void TfrxReport::StartTimerTick()
{
    FTimer->SetEnabled(false);
    PrepareReport(false);
}

bool TfrxReport::Export(TfrxCustomExportFilter *Filter)
{
    if (!FPreviewPages) throw Exception(frxResources()->Get("clNoPreparedPages"));
    return FPreviewPages->Export(Filter);
}

void TfrxReport::DesignReport()
{
    DesignReport(true);
}

void TfrxReport::DesignReport(bool Modal)
{
    TfrxCustomDesigner *Opened = OpenDesigner();
    if (!Opened) return;
    AddFirstPage();
    if (Modal)
        RunDesigner(Opened);
    else
        Opened->Show();
}

bool TfrxReport::DesignPreviewPage()
{
    TfrxCustomDesigner *Opened = OpenDesigner();
    if (!Opened) return false;
    AddFirstPage();
    return RunDesigner(Opened);
}

bool TfrxReport::RunDesigner(TfrxCustomDesigner *Opened)
{
    FDesignerModal = true;
    try {
        Opened->ShowModal();
    } catch (...) {
        FDesignerModal = false;
        FDesigner.reset();
        throw;
    }
    FDesignerModal = false;
    const bool Modified = Opened->Modified();
    FDesigner.reset();
    return Modified;
}

TfrxCustomDesigner *TfrxReport::Designer() const
{
    return FDesigner && (FDesignerModal || FDesigner->Visible()) ? FDesigner.get() : nullptr;
}

TfrxCustomDesigner *TfrxReport::OpenDesigner()
{
    if (!frxDesignerClass() || Designer()) return nullptr;
    FDesigner.reset();
    FDesigner = frxDesignerClass()(this);
    return FDesigner.get();
}

void TfrxReport::AddFirstPage()
{
    if (PagesCount() > 0) return;
    // The dot-matrix page belongs to the output library; it is found by its name.
    TClass DotMatrix = FDotMatrixReport ? GetClass("TfrxDMPPage") : nullptr;
    TfrxReportPage *Page =
        DotMatrix ? dynamic_cast<TfrxReportPage *>(DotMatrix->Create(this)) : nullptr;
    if (!Page) Page = new TfrxReportPage(this);
    Page->SetName("Page1");
    Page->SetDefaults();
}

// ---- the add-ons ----

TfrxCustomDesigner::TfrxCustomDesigner(TComponent *AOwner, TfrxReport *Report)
    : TForm(AOwner), FReport(Report)
{
}

TfrxCustomExportFilter::TfrxCustomExportFilter(TComponent *AOwner) : TComponent(AOwner)
{
    frxExportFilters()->Register(this);
}

TfrxCustomExportFilter::TfrxCustomExportFilter() : TComponent(nullptr), FNoRegister(true) {}

TfrxCustomExportFilter::~TfrxCustomExportFilter()
{
    if (!FNoRegister) frxExportFilters()->Unregister(this);
}

TClass frxCompressorClass()
{
    return Compressors().empty() ? nullptr : Compressors().back()->ClassType();
}

// The class stays in use while a compressor of it lives, so a report's own
// short-lived one does not take away the one the host placed.
TfrxCustomCompressor::TfrxCustomCompressor(TComponent *AOwner) : TComponent(AOwner)
{
    Compressors().push_back(this);
}

TfrxCustomCompressor::~TfrxCustomCompressor()
{
    FStream.reset();
    if (!FTempFile.IsEmpty()) DeleteFile(FTempFile);
    std::erase(Compressors(), this);
}

void TfrxCustomCompressor::CreateStream()
{
    if (FReport && FReport->EngineOptions()->UseFileCache()) {
        FTempFile = frxCreateTempFile(FReport->EngineOptions()->TempDir());
        FStream = std::make_unique<TFileStream>(FTempFile, fmOpenReadWrite);
    } else {
        FStream = std::make_unique<TMemoryStream>();
    }
}
