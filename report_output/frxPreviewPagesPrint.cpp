#include "report_output/frxPreviewPagesPrint.h"

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "platform/win/WinSpool.h"
#include "report/frxPrinter.h"
#include "report/frxUtils.h"
#include "report_output/frxPrintDialog.h"
#include "report_output/frxProgress.h"

#include <cmath>

namespace
{

// What the print options ask for, as the dialog may change it.
struct PrintChoice {
    int Copies;
    bool Collate;
    AnsiString PageNumbers;
    TfrxPrintPages PrintPages;
    bool Reverse;
};

// The settings a page sends to the printer; a page that repeats them sends none.
struct PageSettings {
    int PaperSize = 0;
    long PaperWidth = 0, PaperHeight = 0;
    int Bin = 0;
    TPrinterOrientation Orientation = poPortrait;
    TfrxDuplexMode Duplex = dmNone;
    friend bool operator==(const PageSettings &, const PageSettings &) = default;
};

class PrintRun
{
public:
    // SelectPrinter: the report's printer is yet to be chosen, as no dialog showed it.
    PrintRun(TfrxPreviewPages *Pages, const PrintChoice &Choice, bool SelectPrinter)
        : FPages(Pages), FReport(Pages->Report()), FChoice(Choice), FSelectPrinter(SelectPrinter)
    {
        frxParsePageNumbers(Choice.PageNumbers, FRange.get(), Pages->Count());
    }
    // False when the report was stopped.
    bool Run();

private:
    bool PrintAllPages();
    bool PrintPage(int Index);
    bool Wanted(int PageNumber) const;
    void DrawCopies(int Index);

    TfrxPreviewPages *FPages;
    TfrxReport *FReport;
    TfrxCustomPrinter *FPrinter = nullptr;
    PrintChoice FChoice;
    bool FSelectPrinter;
    std::unique_ptr<TStringList> FRange = std::make_unique<TStringList>();
    PageSettings FLast;
    bool FDocumentStarted = false;
    // Stopped before every page of every copy was out.
    bool FStopped = false;
    int FPrintedInPass = 0;
};

bool PrintRun::Wanted(int PageNumber) const
{
    if (FRange->Count() > 0 && FRange->IndexOf(IntToStr(PageNumber)) < 0) return false;
    if (FChoice.PrintPages == ppOdd && PageNumber % 2 == 0) return false;
    if (FChoice.PrintPages == ppEven && PageNumber % 2 == 1) return false;
    return true;
}

void PrintRun::DrawCopies(int Index)
{
    const TPoint Dpi = FPrinter->DPI();
    const int Times = FChoice.Collate ? 1 : FChoice.Copies;
    for (int Copy = 0; Copy < Times; ++Copy) {
        FPrinter->BeginPage();
        // Page coordinates count from the paper's edge, not from the printable area.
        FPages->DrawPage(Index, FPrinter->Canvas(), Dpi.X / 96.0, Dpi.Y / 96.0,
                         -FPrinter->LeftMargin() * Dpi.X / 25.4,
                         -FPrinter->TopMargin() * Dpi.Y / 25.4);
        FReport->InternalOnProgress(ptPrinting, Index + 1);
        FPrinter->EndPage();
        Application->ProcessMessages();
    }
}

bool PrintRun::PrintPage(int Index)
{
    if (Index >= FPages->Count() || !Wanted(Index + 1)) return true;
    if (FReport->Terminated()) {
        FPrinter->Abort();
        FStopped = true;
        return false;
    }
    auto *Page = dynamic_cast<TfrxReportPage *>(FPages->GetPage(Index));
    if (!Page) return true;
    PageSettings Settings;
    Settings.PaperSize = Page->PaperSize();
    Settings.PaperWidth = std::lround(Page->PaperWidth());
    Settings.PaperHeight = std::lround(Page->PaperHeight());
    Settings.Bin = Index == 0 ? Page->Bin() : Page->BinOtherPages();
    Settings.Orientation = Page->Orientation();
    Settings.Duplex = Page->Duplex();
    if (!FDocumentStarted || !(Settings == FLast))
        FPrinter->SetPrintParams(Page->PaperSize(), Page->PaperWidth(), Page->PaperHeight(),
                                 Page->Orientation(), Settings.Bin,
                                 static_cast<int>(Page->Duplex()) + 1);
    if (!FDocumentStarted) FPrinter->BeginDoc();
    DrawCopies(Index);
    FDocumentStarted = true;
    ++FPrintedInPass;
    FLast = Settings;
    FPages->ClearCache();
    return true;
}

bool PrintRun::PrintAllPages()
{
    FPrintedInPass = 0;
    const int Count = FPages->Count();
    for (int Step = 0; Step < Count; ++Step)
        if (!PrintPage(FChoice.Reverse ? Count - 1 - Step : Step)) return false;
    return true;
}

bool PrintRun::Run()
{
    const vcl::TModalWait Wait;
    FReport->SetTerminated(false);
    FReport->InternalOnProgressStart(ptPrinting);
    FDocumentStarted = false;
    FLast.Duplex = dmNone;
    try {
        // The print service is asked for the default printer under the window, whose Cancel
        // ends that wait too: one that says nothing would hold the print without a sign.
        if (FSelectPrinter && !FReport->Terminated()) FReport->SelectPrinter();
        FPrinter = frxPrinters()->Printer();
        const AnsiString &Name = FReport->ReportOptions()->Name();
        FPrinter->SetTitle(Name.IsEmpty() ? FReport->FileName() : Name);
        FChoice.Copies = std::max(FChoice.Copies, 1);
        if (FChoice.Collate) {
            for (int Copy = 0; Copy < FChoice.Copies; ++Copy) {
                if (!PrintAllPages()) break;
                // Each copy starts on a sheet of its own when printing on both sides.
                if ((FLast.Duplex == dmVertical || FLast.Duplex == dmHorizontal) &&
                    FPrintedInPass % 2 == 1) {
                    FPrinter->BeginPage();
                    FPrinter->EndPage();
                }
                if (FReport->Terminated()) {
                    FStopped = Copy + 1 < FChoice.Copies;
                    break;
                }
            }
        } else {
            PrintAllPages();
        }
        // The last page may be out when the session's close runs: its job is not handed over
        // after the close either.
        Wait.Ended();
        if (FDocumentStarted) {
            Application->Committing();
            FPrinter->EndDoc();
        }
    } catch (...) {
        if (FPrinter) FPrinter->Abort();
        FReport->InternalOnProgressStop(ptPrinting);
        throw;
    }
    FReport->InternalOnProgressStop(ptPrinting);
    return !FStopped;
}

PrintChoice ChoiceOf(TfrxPrintOptions *Options)
{
    return PrintChoice{Options->Copies(), Options->Collate(), Options->PageNumbers(),
                       Options->PrintPages(), Options->Reverse()};
}

// The dialog's answers replace the choice; false when the user cancelled.
bool AskUser(TfrxPreviewPages *Pages, PrintChoice &Choice)
{
    TfrxPrintDialog Dialog(nullptr);
    Dialog.UpDown1->SetPosition(Choice.Copies);
    Dialog.CollateCB->SetChecked(Choice.Collate);
    Dialog.PageNumbersE->SetText(Choice.PageNumbers);
    if (!Choice.PageNumbers.IsEmpty()) Dialog.PageNumbersRB->SetChecked(true);
    Dialog.PrintPagesCB->SetItemIndex(static_cast<int>(Choice.PrintPages));
    Dialog.ReverseCB->SetChecked(Choice.Reverse);
    if (Dialog.ShowModal() != mrOk) return false;
    Choice.Copies = Dialog.Copies();
    Choice.Collate = Dialog.CollateCB->Checked();
    if (Dialog.AllRB->Checked())
        Choice.PageNumbers = AnsiString();
    else if (Dialog.CurPageRB->Checked())
        Choice.PageNumbers = IntToStr(Pages->CurPreviewPage);
    else
        Choice.PageNumbers = Dialog.PageNumbersE->Text();
    Choice.PrintPages = static_cast<TfrxPrintPages>(std::max(Dialog.PrintPagesCB->ItemIndex(), 0));
    Choice.Reverse = Dialog.ReverseCB->Checked();
    return true;
}

} // namespace

bool frxPrintPreviewPages(TfrxPreviewPages *Pages)
{
    TfrxReport *Report = Pages->Report();
    if (TfrxCustomExportFilter *DotMatrix = frxDotMatrixExport();
        DotMatrix && Report->DotMatrixReport()) {
        Report->SelectPrinter();
        DotMatrix->SetShowDialog(Report->PrintOptions()->ShowDialog());
        return Pages->Export(DotMatrix);
    }
    PrintChoice Choice = ChoiceOf(Report->PrintOptions());
    // The dialog shows the printer chosen; without one, it is chosen as the print starts.
    const bool Ask = Report->PrintOptions()->ShowDialog();
    if (Ask) {
        // A wait for the print service that the user cancels as the printer is chosen ends the
        // print: the dialog would offer what the service could not tell.
        const win::PrintWaitWatch Waits;
        Report->SelectPrinter();
        if (Waits.Cancelled() || !AskUser(Pages, Choice)) return false;
    }
    if (Report->OnPrintReport) Report->OnPrintReport(Report);
    bool Printed = false;
    try {
        const ScopedPreviewLock Lock(Report->Preview());
        Printed = PrintRun(Pages, Choice, !Ask).Run();
    } catch (...) {
        if (Report->OnAfterPrintReport) Report->OnAfterPrintReport(Report);
        throw;
    }
    if (Report->OnAfterPrintReport) Report->OnAfterPrintReport(Report);
    return Printed;
}

void frxInstallPrinting()
{
    frxSetPrintPagesHandler(frxPrintPreviewPages);
    frxSetProgressFactory([] { return std::make_unique<TfrxProgress>(nullptr); });
    win::SetPrintWaitBoxFactory(frxPrintServiceWaitBox);
}
