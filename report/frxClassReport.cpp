// The report: construction, templates in and out, the preparation run and
// the collected errors.

#include "report/frxClass.h"

#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/SysUtils.h"
#include "platform/vcl/ExtCtrls.h"
#include "report/frxGraphicUtils.h"
#include "report/frxPrinter.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"
#include "report/frxVariables.h"
#include "report/frxXMLSerializer.h"
#include "script/fs_iinterpreter.h"
#include "script/fs_istatements.h"

#include <optional>

namespace
{

struct OutputFactories {
    TfrxEngineFactory Engine;
    TfrxPreviewPagesFactory Pages;
};

OutputFactories &Factories()
{
    static OutputFactories Instance;
    return Instance;
}

// Templates keep the password only shifted by ten per character.
AnsiString ShiftText(const AnsiString &Text, int By)
{
    std::string Result(Text.View());
    for (char &Ch : Result)
        Ch = static_cast<char>(static_cast<unsigned char>(Ch) + By);
    return AnsiString(std::move(Result));
}

// A compressor of the installed class, ready to read or write a template.
std::unique_ptr<TfrxCustomCompressor> NewCompressor(TfrxReport *Report)
{
    const TClass Class = frxCompressorClass();
    if (!Class) return nullptr;
    std::unique_ptr<TComponent> Made(Class->Create(static_cast<TComponent *>(nullptr)));
    auto *Compressor = dynamic_cast<TfrxCustomCompressor *>(Made.get());
    if (!Compressor) return nullptr;
    Made.release();
    std::unique_ptr<TfrxCustomCompressor> Result(Compressor);
    Result->SetReport(Report);
    Result->SetIsTemplate(true);
    Result->CreateStream();
    return Result;
}

// The message of the exception being handled, whatever threw it.
AnsiString CurrentExceptionMessage()
{
    try {
        throw;
    } catch (const Exception &E) {
        return E.Message();
    } catch (const std::exception &E) {
        return AnsiString(E.what());
    } catch (...) {
        return frxResources()->Get("clUnknownError");
    }
}

const char *const SystemVariableNames[] = {"Date",       "Time",        "Page", "Page#",
                                           "TotalPages", "TotalPages#", "Line", "Line#"};

} // namespace

TfrxLegacyEvents &frxLegacyEvents()
{
    static TfrxLegacyEvents Instance;
    return Instance;
}

void frxSetOutputFactories(TfrxEngineFactory Engine, TfrxPreviewPagesFactory Pages)
{
    Factories() = {std::move(Engine), std::move(Pages)};
}

TfrxReport::TfrxReport(TComponent *AOwner)
    : TfrxComponent(AOwner), FDataSets(std::make_unique<TfrxReportDataSets>(this)),
      FVariables(std::make_unique<TfrxVariables>()), FScript(std::make_unique<TfsScript>(nullptr)),
      FEngineOptions(std::make_unique<TfrxEngineOptions>()),
      FPreviewOptions(std::make_unique<TfrxPreviewOptions>()),
      FPrintOptions(std::make_unique<TfrxPrintOptions>()),
      FReportOptions(std::make_unique<TfrxReportOptions>(this)),
      FScriptText(std::make_unique<TStringList>()), FErrors(std::make_unique<TStringList>()),
      FStyles(std::make_unique<TfrxStyles>(this)), FSysVariables(std::make_unique<TStringList>()),
      FExpressionCache(std::make_unique<TfrxExpressionCache>(FScript.get()))
{
    frxRegisterReportClasses();
    frxRegisterCursors();
    FScript->ExtendedCharset = true;
    FErrors->SetSorted(true);
    FErrors->SetDuplicates(dupIgnore);
    if (Factories().Engine) FEngine = Factories().Engine(this);
    if (Factories().Pages) FPreviewPages = Factories().Pages(this);
    if (FPreviewPages) FPreviewPages->SetEngine(FEngine.get());
    DoClear();
}

TfsScript *TfrxReport::Script() const
{
    FScript->AddRTTI();
    return FScript.get();
}

TfrxReport::~TfrxReport()
{
    // Marked first, the objects going with the report need not hear of each other going.
    Destroying();
    TfrxCustomPreview *Shown = FPreview;
    SetPreview(nullptr);
    // A preview that outlives the report shows nothing of it.
    if (Shown) Shown->Init();
    TfrxComponent::Clear();
}

TfrxDrawText *TfrxReport::DrawText()
{
    if (!FDrawText) FDrawText = std::make_unique<TfrxDrawText>();
    return FDrawText.get();
}

AnsiString TfrxReport::GetDescription() const
{
    return frxResources()->Get("obReport");
}

void TfrxReport::Clear()
{
    TfrxComponent::Clear();
    DoClear();
}

void TfrxReport::DoClear()
{
    FDataSets->Clear();
    FVariables->Clear();
    FEngineOptions->Clear();
    FPreviewOptions->Clear();
    FPrintOptions->Clear();
    FReportOptions->Clear();
    FStyles->Clear();
    FDataSet = nullptr;
    FDataSetName = AnsiString();
    FDotMatrixReport = false;
    FScriptLanguage = "PascalScript";
    rtl::SetLines(FScriptText.get(), {"begin", "", "end."});
    FSysVariables->Clear();
    for (const char *Name : SystemVariableNames)
        FSysVariables->Add(Name);
    FOnRunDialogs = FOnStartReport = FOnStopReport = AnsiString();
}

TfrxPage *TfrxReport::Pages(int Index) const
{
    return dynamic_cast<TfrxPage *>(static_cast<TfrxComponent *>(Objects()->Items(Index)));
}

int TfrxReport::PagesCount() const
{
    return Objects()->Count();
}

void TfrxReport::SetDataSet(TfrxDataSet *Value)
{
    FDataSet = Value;
    FDataSetName = Value ? Value->UserName() : AnsiString();
    if (Value) Value->FreeNotification(this);
}

AnsiString TfrxReport::GetDataSetName() const
{
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TfrxReport::SetDataSetName(const AnsiString &Value)
{
    FDataSetName = Value;
    FDataSet = frxFindDataSet(FDataSet, Value, this);
    if (FDataSet) FDataSet->FreeNotification(this);
}

void TfrxReport::SetTerminated(bool Value)
{
    FTerminated = Value;
    if (Value) FScript->Terminate();
}

void TfrxReport::Notification(TComponent *AComponent, TOperation Operation)
{
    TfrxComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    // Compared by address: a data set being destroyed is no longer a data set.
    bool DataSetGone = false;
    for (int i = FDataSets->Count() - 1; i >= 0; --i)
        if (static_cast<TComponent *>(FDataSets->Items(i)->DataSet()) == AComponent) {
            FDataSets->TCollection::Delete(i);
            DataSetGone = true;
        }
    if (static_cast<TComponent *>(FDataSet) == AComponent) {
        FDataSet = nullptr;
        DataSetGone = true;
    }
    if (TfrxCustomDesigner *Open = DataSetGone ? Designer() : nullptr) Open->UpdateDataTree();
    if (static_cast<TComponent *>(FPreview) == AComponent) FPreview = nullptr;
    if (static_cast<TComponent *>(FPreviewForm) == AComponent) FPreviewForm = nullptr;
}

void TfrxReport::SetPreviewForm(TForm *Value)
{
    FPreviewForm = Value;
    if (Value) Value->FreeNotification(this);
}

void TfrxReport::DefineProperties(TFiler *Filer)
{
    TfrxComponent::DefineProperties(Filer);
    auto Define = [&](const char *Name, TCollection *Collection) {
        Filer->DefineProperty(
            Name, [=, this](TReader *Reader) { frxReadCollection(Collection, Reader, this); },
            [=, this](TWriter *Writer) { frxWriteCollection(Collection, Writer, this); },
            Collection->Count() > 0);
    };
    Define("Datasets", FDataSets.get());
    Define("Variables", FVariables.get());
    Define("Style", FStyles.get());
}

// A form resource that fails part-way leaves the report empty, as a template that fails to
// load does: never a data-set list or variables whose objects were not read.
void TfrxReport::ReadState(TReader *Reader)
{
    try {
        TfrxComponent::ReadState(Reader);
    } catch (...) {
        Clear();
        throw;
    }
}

// ---- the engine's base ----

void TfrxCustomEngine::ShowBandByName(const AnsiString &Name)
{
    ShowBand(dynamic_cast<TfrxBand *>(FReport->FindObject(Name)));
}

void TfrxCustomEngine::StopReport()
{
    FReport->SetTerminated(true);
}

bool TfrxCustomEngine::DoublePass() const
{
    return FReport->EngineOptions()->DoublePass();
}

// ---- templates ----

void TfrxReport::ReportErrors()
{
    if (FErrors->Count() == 0) return;
    frxCommonErrorHandler(this, frxResources()->Get("clErrors") + "\r\n" + FErrors->Text());
}

void TfrxReport::LoadFromStream(TStream *Stream)
{
    FErrors->Clear();
    std::unique_ptr<TfrxCustomCompressor> Compressor = NewCompressor(this);
    if (Compressor) {
        try {
            if (Compressor->Decompress(Stream)) {
                Stream = Compressor->Stream();
                Stream->SetPosition(0);
            }
        } catch (...) {
            // A compressor is an add-on: whatever it throws, the template is just unreadable.
            FErrors->Add(frxResources()->Get("clDecompressError"));
            ReportErrors();
            return;
        }
    }
    TfrxEngineOptions Engine;
    Engine.Assign(FEngineOptions.get());
    TfrxPreviewOptions Preview;
    Preview.Assign(FPreviewOptions.get());
    const AnsiString IniFile = FIniFile;
    const bool OldStyle = FOldStyleProgress, Progress = FShowProgress, InDFM = FStoreInDFM;
    // Clearing forgets the accepted password; the report that saved a template reopens it.
    const AnsiString Accepted = FReportOptions->PrevPassword();

    if (!frxLegacyEvents().OnLoad || !frxLegacyEvents().OnLoad(this, Stream))
        TfrxComponent::LoadFromStream(Stream);

    const bool ConvertNulls = FEngineOptions->ConvertNulls();
    const bool DoublePass = FEngineOptions->DoublePass();
    FEngineOptions->Assign(&Engine);
    FEngineOptions->SetConvertNulls(ConvertNulls);
    FEngineOptions->SetDoublePass(DoublePass);
    const bool Expand = FPreviewOptions->OutlineExpand();
    const bool Visible = FPreviewOptions->OutlineVisible();
    const int Width = FPreviewOptions->OutlineWidth();
    FPreviewOptions->Assign(&Preview);
    FPreviewOptions->SetOutlineExpand(Expand);
    FPreviewOptions->SetOutlineVisible(Visible);
    FPreviewOptions->SetOutlineWidth(Width);
    FIniFile = IniFile;
    FOldStyleProgress = OldStyle;
    FShowProgress = Progress;
    FStoreInDFM = InDFM;

    FReportOptions->SetPrevPassword(Accepted);
    FReportOptions->SetPassword(ShiftText(FReportOptions->Password(), 10));
    if (!FReloading && !FReportOptions->CheckPassword()) {
        Clear();
        return;
    }
    ReportErrors();
}

void TfrxReport::SaveToStream(TStream *Stream, bool SaveChildren, bool SaveDefaultValues)
{
    std::unique_ptr<TfrxCustomCompressor> Compressor;
    if (FReportOptions->Compressed()) Compressor = NewCompressor(this);
    const AnsiString Password = FReportOptions->Password();
    FReportOptions->SetPrevPassword(Password);
    FReportOptions->SetPassword(ShiftText(Password, -10));
    TfrxCustomPreview *Preview = FPreview;
    FPreview = nullptr;
    try {
        TfrxComponent::SaveToStream(Compressor ? Compressor->Stream() : Stream, SaveChildren,
                                    SaveDefaultValues);
    } catch (...) {
        FPreview = Preview;
        FReportOptions->SetPassword(Password);
        throw;
    }
    FPreview = Preview;
    FReportOptions->SetPassword(Password);
    if (Compressor) Compressor->Compress(Stream);
}

bool TfrxReport::LoadFromFile(const AnsiString &FileName, bool ExceptionIfNotFound)
{
    const bool Exists = FileExists(FileName);
    // A file that cannot be opened, or is too large for a template, leaves the report as it was.
    std::optional<rtl::BoundedFileStream> Stream;
    if (Exists || ExceptionIfNotFound) Stream.emplace(FileName, rtl::DocumentFileLimit);
    Clear();
    FFileName = AnsiString();
    if (Stream) {
        LoadFromStream(&*Stream);
        FFileName = FileName;
    }
    return Exists;
}

void TfrxReport::SaveToFile(const AnsiString &FileName)
{
    rtl::SaveStreamToFile(FileName, [this](TStream *Stream) { SaveToStream(Stream, true, false); });
}

std::unique_ptr<TCustomIniFile> TfrxReport::GetIniFile() const
{
    if (FIniFile.SubString(1, 10) == "\\Software\\")
        return std::make_unique<TRegistryIniFile>(FIniFile);
    return std::make_unique<TIniFile>(FIniFile);
}

// ---- preparing and printing ----

bool TfrxReport::RunEngine()
{
    struct Stopped {
        TfsScript &S;
        ~Stopped() { S.IsRunning = false; }
    } Done{*FScript};
    if (FScript->Program() && FScript->Program()->Count() > 0) FScript->Execute();
    if (!FEngine) throw Exception(frxResources()->Get("clNoEngine"));
    return FEngine->Run();
}

bool TfrxReport::RunPrepared()
{
    if (OnBeginDoc) OnBeginDoc(this);
    if (!PrepareScript()) return false;
    if (!RunEngine()) {
        if (FPreviewForm) FPreviewForm->Close();
        return false;
    }
    if (OnEndDoc) OnEndDoc(this);
    return true;
}

bool TfrxReport::PrepareReport(bool ClearLastReport)
{
    // A run lets the window handle its messages; a second run started from one
    // of them would reload the template under the first.
    if (FEngine && FEngine->Running) return false;
    const vcl::TModalWait Wait;
    if (ClearLastReport && FPreviewPages) FPreviewPages->Clear();
    FErrors->Clear();
    FTerminated = false;
    bool Result = false;
    for (int i = 0; i < FDataSets->Count(); ++i)
        if (!FDataSets->Items(i)->DataSet())
            FErrors->Add(Format(frxResources()->Get("clDSNotExist"),
                                {FDataSets->Items(i)->GetDataSetName()}));
    if (FErrors->Count() == 0) {
        TMemoryStream Saved;
        // The template comes back into the objects it had, which a host may hold.
        TfrxReusedObjects Reused(this);
        SaveToStream(&Saved, true, false);
        try {
            Result = RunPrepared();
        } catch (...) {
            FErrors->Add(CurrentExceptionMessage());
        }
        // Whatever the script or the engine changed, the template comes back as stored.
        const AnsiString Kept = FErrors->Text();
        Saved.SetPosition(0);
        FReloading = true;
        Reused.Offer();
        try {
            LoadFromStream(&Saved);
        } catch (...) {
            FReloading = false;
            throw;
        }
        FReloading = false;
        FErrors->SetText(Kept);
    }
    Wait.Ended();
    if (FErrors->Count() > 0) {
        Result = false;
        ReportErrors();
    }
    return Result;
}

void TfrxReport::SelectPrinter()
{
    TfrxPrinters *Printers = frxPrinters();
    const AnsiString &Name = FPrintOptions->Printer();
    // Stored by the program as its choice of "the default": the system's default
    // may have changed since, and another printer may have been current.
    if (AnsiSameText(Name, frxResources()->Get("prDefault"))) {
        Printers->SetPrinterIndex(-1);
        return;
    }
    const int Index = Printers->IndexOf(Name);
    if (Index >= 0) Printers->SetPrinterIndex(Index);
}

void TfrxReport::Print()
{
    if (!FPreviewPages) throw Exception(frxResources()->Get("clNoPreparedPages"));
    FPreviewPages->Print();
}
