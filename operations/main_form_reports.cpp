// The three reports of the main window: their templates kept in the program, the rows and
// values they ask for, the receipt line and the print handlers with their dialogs.

#include "link/config.h"
#include "link/constants.h"
#include "link/grid_helpers.h"
#include "link/main_form.h"
#include "operations/print_list_dialog.h"
#include "operations/print_tovcheck_dialog.h"
#include "platform/rtl/ClassesStreams.h"
#include "platform/vcl/Forms.h"
#include "platform/win/WinSpool.h"
#include "report/frxClass.h"
#include "report/frxPrinter.h"
#include "report/frxRes.h"
#include "report_output/frxEngine.h"
#include "report_output/frxPreviewPagesPrint.h"

#include <algorithm>
#include <span>

// Made by the build from the template files; registers them as resources.
void RegisterReportTemplates();

namespace
{

constexpr int TemplateResourceType = 10;
// Long enough for any date the picker shows; the receipt's field takes no more.
constexpr int PrintedDateLength = 511;

// No printer because of the print service: State says how it stands, Remedy what mends it.
void TellPrintServiceDown(const AnsiString &State, const AnsiString &Remedy)
{
    Application->MessageBox("Служба печати CUPS "_a + State +
                                ", и принтеры системы недоступны.\n\n"_a + Remedy +
                                " (или попросите об этом администратора) и повторите печать."_a,
                            "Печать"_a, MB_OK | MB_ICONWARNING);
}

void LoadTemplate(TfrxReport *Report, const char *Resource)
{
    static const bool registered = (RegisterReportTemplates(), true);
    (void)registered;
    const std::span<const std::byte> bytes = rtl::FindResource(TemplateResourceType, Resource);
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
    stream.SetPosition(0);
    Report->LoadFromStream(&stream);
}

TfrxUserDataSet *CreateRows(TComponent *Owner, const char *Name,
                            std::initializer_list<const char *> Fields)
{
    auto *rows = new TfrxUserDataSet(Owner);
    rows->SetName(Name);
    for (const char *field : Fields)
        rows->Fields()->Add(field);
    rows->SetRangeEnd(reCount);
    rows->SetRangeEndCount(10);
    return rows;
}

AnsiString PrintDateTime()
{
    return FormatDateTime("dd.mm.yyyy  hh:nn", Now());
}

} // namespace

void TMainForm::CreateReports()
{
    // Each report prints through the printer list with the progress window.
    static const bool printingInstalled = (frxInstallPrinting(), true);
    (void)printingInstalled;
    // The templates find their rows by name, so the rows come first.
    frxUserDataSetList = CreateRows(this, "frxUserDataSetList",
                                    {"date_time", "type_key", "mode", "quantity", "key_hex"});
    frxUserDataTovcheck = CreateRows(this, "frxUserDataTovcheck",
                                     {"name", "description", "quantity", "price", "summa"});
    frxUserDataSetWriter =
        CreateRows(this, "frxUserDataSetWriter", {"numrec", "name", "type_key", "key_hex"});
    frxUserDataSetList->OnGetValue = ValueCallback(&TMainForm::frxUserDataSetListGetValue);
    frxUserDataTovcheck->OnGetValue = ValueCallback(&TMainForm::frxUserDataTovcheckGetValue);
    frxUserDataSetWriter->OnGetValue = ValueCallback(&TMainForm::frxUserDataSetWriterGetValue);

    BTN_PrintArchive->OnClick = [this](TObject *Sender) { BTN_PrintArchiveClick(Sender); };
    BTN_Tovcheck->OnClick = [this](TObject *Sender) { BTN_TovcheckClick(Sender); };
    TBI_PrintWriter->OnClick = [this](TObject *Sender) { TBI_PrintWriterClick(Sender); };
    TBI_PrintWriterSelect->OnClick = [this](TObject *Sender) {
        TBI_PrintWriterSelectClick(Sender);
    };
}

std::function<void(const AnsiString &, Variant &)> TMainForm::ValueCallback(TReportValue Handler)
{
    return [this, Handler](const AnsiString &VarName, Variant &Value) {
        (this->*Handler)(VarName, Value);
    };
}

TfrxReport *TMainForm::MadeReport(TfrxReport *&Report, const char *Name, const char *Resource,
                                  TReportValue OnGetValue)
{
    if (Report) return Report;
    // Each report takes its engine and page store when it is made.
    static const bool outputRegistered = (frxRegisterOutput(), true);
    (void)outputRegistered;
    auto made = std::make_unique<TfrxReport>(this);
    made->SetName(Name);
    LoadTemplate(made.get(), Resource);
    made->OnGetValue = ValueCallback(OnGetValue);
    // Kept only once whole: a template that failed to load is read again at the next use.
    Report = made.release();
    return Report;
}

TfrxReport *TMainForm::frxReportList()
{
    return MadeReport(FReportList, "frxReportList", "REPORT_LIST",
                      &TMainForm::frxReportListGetValue);
}

TfrxReport *TMainForm::frxReportTovcheck()
{
    return MadeReport(FReportTovcheck, "frxReportTovcheck", "REPORT_TOVCHECK",
                      &TMainForm::frxReportTovcheckGetValue);
}

TfrxReport *TMainForm::frxReportWriter()
{
    return MadeReport(FReportWriter, "frxReportWriter", "REPORT_WRITER",
                      &TMainForm::frxReportWriterGetValue);
}

// ---- values ----

void TMainForm::frxReportListGetValue(const AnsiString &VarName, Variant &Value)
{
    if (VarName == "print_date_time") Value = PrintDateTime();
}

void TMainForm::frxUserDataSetListGetValue(const AnsiString &VarName, Variant &Value)
{
    const int index = frxUserDataSetList->RecNo();
    if (index < 0 || index >= static_cast<int>(ArchiveRecords.size())) return;
    const ArchiveRecord &row = ArchiveRecords[index];
    if (VarName == "date_time")
        Value = FormatDateTime("dd.mm.yyyy  hh:nn:ss", row.DateTime);
    else if (VarName == "type_key")
        Value = ArchiveTypeText(row.KeyType);
    else if (VarName == "mode")
        Value = ArchiveModeText(row.KeyType, row.WriteMode);
    else if (VarName == "quantity")
        Value = IntToStr(row.Count);
    else if (VarName == "key_hex")
        Value = row.KeyText;
}

void TMainForm::frxReportTovcheckGetValue(const AnsiString &VarName, Variant &Value)
{
    if (VarName == "seller_name")
        Value = ED_SellerName->Text();
    else if (VarName == "seller_address")
        Value = ED_SellerAddress->Text();
    else if (VarName == "seller_bank")
        Value = ED_SellerBank->Text();
    else if (VarName == "summa_propis")
        Value = SumInWords(TovcheckTotal);
    else if (VarName == "total_summa")
        Value = TovcheckTotal;
    else if (!PrintTovcheckDlg)
        return;
    else if (VarName == "tov_check")
        Value = printdlg::NumberOf(PrintTovcheckDlg->ED_CountTovcheck, 1);
    else if (VarName == "date_tov_check")
        Value = PrintTovcheckDlg->DTP_Print->DisplayText().SubString(1, PrintedDateLength);
}

void TMainForm::frxUserDataTovcheckGetValue(const AnsiString &VarName, Variant &Value)
{
    const int index = frxUserDataTovcheck->RecNo();
    if (index < 0 || index >= static_cast<int>(TovcheckRecords.size())) return;
    const TovcheckRecord &line = TovcheckRecords[index];
    if (VarName == "name")
        Value = line.Name + "\n" + line.KeyLine;
    else if (VarName == "quantity")
        Value = line.Quantity;
    else if (VarName == "price")
        Value = line.Price;
    else if (VarName == "summa")
        Value = line.Sum;
}

void TMainForm::frxReportWriterGetValue(const AnsiString &VarName, Variant &Value)
{
    if (VarName == "print_date_time")
        Value = PrintDateTime();
    else if (VarName == "begin_cell" && !WriterPrintRows.empty())
        Value = WriterPrintRows.front().CellNumber;
    else if (VarName == "end_cell" && !WriterPrintRows.empty())
        Value = WriterPrintRows.back().CellNumber;
}

void TMainForm::frxUserDataSetWriterGetValue(const AnsiString &VarName, Variant &Value)
{
    const int index = frxUserDataSetWriter->RecNo();
    if (index < 0 || index >= static_cast<int>(WriterPrintRows.size())) return;
    const WriterRecord &row = WriterPrintRows[index];
    if (VarName == "numrec")
        Value = row.CellNumber;
    else if (VarName == "name")
        Value = row.Name;
    else if (VarName == "type_key")
        Value = PrintWriterTypeText(index);
    else if (VarName == "key_hex")
        Value = row.KeyHex;
}

// ---- the receipt line and the address-book print list ----

double TMainForm::KeyPriceOf(int KeyType) const
{
    const TValidateEdit *const prices[KeyTypeCount] = {ED_Dallas, ED_Metacom, ED_Cyfral, ED_Proxy};
    if (KeyType < 0 || KeyType >= KeyTypeCount) return 0;
    double rounded = 0;
    return RoundToDecimals(StrToFloatDef(prices[KeyType]->Text(), 0), 2, rounded);
}

bool TMainForm::BuildReceiptLine()
{
    const int index = GridDataRowIndex(SG_Archive);
    if (index < 0 || index >= static_cast<int>(ArchiveRecords.size())) return false;
    const ArchiveRecord &row = ArchiveRecords[index];
    TovcheckRecords.clear();
    TovcheckRecord line;
    line.Name = Config.ProductName;
    if (Config.TypeKey) line.Name += ": " + ArchiveTypeText(row.KeyType);
    if (Config.KeyHex) line.KeyLine = "Код ключа: "_a + row.KeyText;
    line.Quantity = row.Count;
    line.Price = KeyPriceOf(row.KeyType);
    line.Sum = line.Quantity * line.Price;
    TovcheckRecords.push_back(line);
    TovcheckTotal = line.Sum;
    return true;
}

void TMainForm::BuildWriterPrintList(bool SelectedOnly)
{
    WriterPrintRows.clear();
    if (!SelectedOnly) {
        WriterPrintRows = WriterRows;
        return;
    }
    const TGridRect selection = SG_Writer->Selection();
    const int first = WriterCellNumberOfRow(selection.Top);
    const int last = WriterCellNumberOfRow(selection.Bottom);
    if (first < 0 || last < 0) return;
    const int end = std::min(last, static_cast<int>(WriterRows.size()) - 1);
    for (int cell = first; cell <= end; ++cell)
        WriterPrintRows.push_back(WriterRows[cell]);
}

// ---- printing ----

bool TMainForm::PrinterInstalled()
{
    // A wait for the print service that the user cancels ends the print: the service did not
    // fail to answer, the user chose to stop, and there is nothing to tell.
    const win::PrintWaitWatch waits;
    // Read again at every print: a printer added since counts, and one gone since (or the
    // print service with it) is not offered.
    frxPrinters()->Refresh();
    if (waits.Cancelled()) return false;
    if (frxPrinters()->HasPhysicalPrinters()) return true;
    // Without one the report library would lay the pages out on its virtual printer and
    // fail at the first page; asked before the dialog, nothing is filled in for nothing.
    const win::PrintServiceState service = win::PrintServiceNow();
    if (waits.Cancelled()) return false;
    // With the service itself down, adding a printer is no way out: its page does not open.
    if (service == win::PrintServiceState::NotRunning) {
        TellPrintServiceDown("не запущена"_a,
                             "Запустите её командой \"sudo systemctl start cups\""_a);
        return false;
    }
    // One that takes the connection and says nothing is running already: starting it changes
    // nothing, a restart may.
    if (service == win::PrintServiceState::NotAnswering) {
        TellPrintServiceDown("не отвечает"_a,
                             "Перезапустите её командой \"sudo systemctl restart cups\""_a);
        return false;
    }
    Application->MessageBox(frxResources()->Get("clNoPrinters") +
                                ".\n\nДобавьте принтер в настройках системы (\"Принтеры\") "
                                "или на странице http://localhost:631 службы печати CUPS "
                                "и повторите печать."_a,
                            "Печать"_a, MB_OK | MB_ICONWARNING);
    return false;
}

bool TMainForm::RunReport(TfrxReport *Report, TfrxUserDataSet *Rows, int Count,
                          const AnsiString &Printer, int Copies, const AnsiString &FailureText)
{
    // As before the dialog, a wait for the print service that the user cancels ends the print.
    const win::PrintWaitWatch waits;
    Rows->SetRangeEndCount(Count);
    Report->PrintOptions()->SetPrinter(Printer);
    // The dialog lists the printers as they are now; one added since the report library read
    // its list is found there once the list is read again.
    if (!AnsiSameText(Printer, frxResources()->Get("prDefault")) &&
        frxPrinters()->IndexOf(Printer) < 0)
        frxPrinters()->Refresh();
    if (Copies < 1 || Count < 1 || waits.Cancelled()) return false;
    const bool prepared = Report->PrepareReport(true);
    if (waits.Cancelled()) return false;
    if (!prepared) {
        ShowStatusMessage(FailureText, "", smError);
        return false;
    }
    Report->PrintOptions()->SetCopies(Copies);
    Report->Print();
    return true;
}

void TMainForm::BTN_PrintArchiveClick(TObject *)
{
    if (ArchiveRecords.empty()) {
        ShowStatusMessage("Нет данных для печати архива!"_a, "", smNeutral);
        return;
    }
    if (!PrinterInstalled()) return;
    PrintListDlg->PrepareListDialog();
    PrintListDlg->SetCaption("Печать Архива"_a);
    if (PrintListDlg->ShowModal() != mrOk) return;
    RunReport(frxReportList(), frxUserDataSetList, static_cast<int>(ArchiveRecords.size()),
              PrintListDlg->CB_Printer->Text(), printdlg::NumberOf(PrintListDlg->ED_NumCopy, 1),
              "Ошибка при печати отчета 'Печать архива'!"_a);
}

void TMainForm::BTN_TovcheckClick(TObject *)
{
    if (!BuildReceiptLine() || !PrinterInstalled()) return;
    PrintTovcheckDlg->PrepareTovcheckDialog(TovcheckRecords.front(), TovcheckTotal);
    PrintTovcheckDlg->SetCaption("Печать товарного чека"_a);
    if (PrintTovcheckDlg->ShowModal() != mrOk) return;
    // A receipt handed over has spent its number: a close that comes meanwhile saves once the
    // number is kept, so it is neither issued again nor written after the close's save.
    const vcl::TCommitHold Spending;
    if (!RunReport(frxReportTovcheck(), frxUserDataTovcheck,
                   static_cast<int>(TovcheckRecords.size()), PrintTovcheckDlg->CB_Printer->Text(),
                   printdlg::NumberOf(PrintTovcheckDlg->ED_NumCopy, 1),
                   "Ошибка при печати отчета 'Товарный чек'!"_a))
        return;
    Config.CountTovcheck = printdlg::NumberOf(PrintTovcheckDlg->ED_CountTovcheck, 1) + 1;
    SaveConfigFromForm();
}

void TMainForm::TBI_PrintWriterClick(TObject *)
{
    PrintWriter(false);
}

void TMainForm::TBI_PrintWriterSelectClick(TObject *)
{
    PrintWriter(true);
}

void TMainForm::PrintWriter(bool SelectedOnly)
{
    if (WriterRows.empty()) {
        ShowStatusMessage("Нет данных для печати записной книжки!"_a, "", smNeutral);
        return;
    }
    if (!PrinterInstalled()) return;
    PrintListDlg->PrepareListDialog();
    PrintListDlg->SetCaption("Печать Записной книжки"_a);
    const int result = PrintListDlg->ShowModal();
    BuildWriterPrintList(SelectedOnly);
    if (result != mrOk) return;
    RunReport(frxReportWriter(), frxUserDataSetWriter, static_cast<int>(WriterPrintRows.size()),
              PrintListDlg->CB_Printer->Text(), printdlg::NumberOf(PrintListDlg->ED_NumCopy, 1),
              "Ошибка при печати отчета 'Печать Записной книжки'!"_a);
}
