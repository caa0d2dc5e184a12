// The three reports of the main window: their templates, every value the templates ask for
// through the reports' own lookup, the receipt line, the address-book print list and the
// print handlers with their dialogs, against an archive read from the simulated device.

#include "link/config.h"
#include "link/constants.h"
#include "link/grid_helpers.h"
#include "report/frxClass.h"
#include "report/frxPrinter.h"
#include "tests/operations/ReportsTestSupport.h"
#include "tools/devsim/Archive.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

namespace
{

using reporttest::PrintedJob;
using reporttest::RecordingPrinter;

class ReportsTest : public reporttest::ReportsTest
{
protected:
    // The print path is taken over here, so a printer stands in for the ones a test machine
    // may not have.
    void SetUp() override
    {
        reporttest::ReportsTest::SetUp();
        frxPrinters()->StandIn(
            std::make_unique<TfrxVirtualPrinter>("Принтер теста"_a, AnsiString()));
    }
    void TearDown() override
    {
        frxPrinters()->StandIn(nullptr);
        reporttest::ReportsTest::TearDown();
    }

    // A Dallas key written twice (merged into one row) and a Metakom key, newest first.
    bool ReadArchive()
    {
        optest::ServeMergeAndWrap(*Sim);
        Form->PC_Tabs->SetActivePage(Form->Sheet_Archive);
        Form->BTN_ReadFromArchiveClick(nullptr);
        return WaitForIdle() && Form->ArchiveRecords.size() == 2;
    }

    // The value the report finds for Name, as the engine asks it; empty when none answers.
    static Variant Lookup(TfrxReport *Report, const AnsiString &Name)
    {
        Variant value;
        return Report->DoGetValue(Name, value) ? value : Variant();
    }
    static AnsiString Field(TfrxReport *Report, const char *DataSet, const char *Name)
    {
        return VarToStr(Lookup(Report, AnsiString(DataSet) + ".\"" + Name + "\""));
    }

    // Makes the next preparation of Report fail, whatever the engine does.
    static void BreakRows(TfrxReport *Report) { Report->DataSets()->Add(nullptr); }
};

// The bracketed texts of every memo of Report.
std::vector<AnsiString> Expressions(TfrxReport *Report)
{
    std::vector<AnsiString> found;
    TList *all = Report->GetAllObjects();
    for (int i = 0; i < all->Count(); ++i) {
        auto *memo = dynamic_cast<TfrxCustomMemoView *>(static_cast<TObject *>(all->Items(i)));
        if (!memo) continue;
        const std::string text = AnsiString(memo->Text()).ToStd();
        for (std::size_t open = text.find('['); open != std::string::npos;
             open = text.find('[', open + 1)) {
            const std::size_t close = text.find(']', open);
            found.push_back(AnsiString(text.substr(open + 1, close - open - 1)));
        }
    }
    return found;
}

} // namespace

TEST_F(ReportsTest, TemplatesLoadWithTheirRowsPrinterAndLanguage)
{
    const std::pair<TfrxReport *, TfrxUserDataSet *> reports[] = {
        {Form->frxReportList(), Form->frxUserDataSetList},
        {Form->frxReportTovcheck(), Form->frxUserDataTovcheck},
        {Form->frxReportWriter(), Form->frxUserDataSetWriter}};
    for (auto [report, rows] : reports) {
        SCOPED_TRACE(report->Name().ToUtf8());
        EXPECT_EQ(report->ScriptLanguage(), "C++Script");
        EXPECT_EQ(report->PrintOptions()->Printer(), "По умолчанию"_a);
        EXPECT_FALSE(report->PrintOptions()->ShowDialog());
        ASSERT_EQ(report->DataSets()->Count(), 1);
        EXPECT_EQ(report->DataSets()->Items(0)->DataSet(), rows);
        auto *band = dynamic_cast<TfrxMasterData *>(report->FindObject("MasterData1"));
        ASSERT_NE(band, nullptr);
        EXPECT_EQ(band->DataSet(), rows);
        EXPECT_EQ(rows->UserName(), rows->Name());
        EXPECT_EQ(rows->RangeEnd(), reCount);
        EXPECT_EQ(rows->RangeEndCount(), 10);
        EXPECT_TRUE(report->Errors()->Count() == 0) << report->Errors()->Text().ToUtf8();
    }
    EXPECT_EQ(Form->frxUserDataTovcheck->Fields()->CommaText(),
              "name,description,quantity,price,summa");
}

TEST_F(ReportsTest, EveryNameTheTemplatesAskForIsAnswered)
{
    ASSERT_TRUE(ReadArchive());
    Form->WriterRows.assign(3, WriterRecord());
    Form->RenumberWriterRows();
    Form->BuildWriterPrintList(false);
    ASSERT_TRUE(Form->BuildReceiptLine());
    // Names the engine itself answers, and expressions of the report language.
    const std::set<std::string> engineNames = {"Line", "Page#"};
    for (TfrxReport *report :
         {Form->frxReportList(), Form->frxReportTovcheck(), Form->frxReportWriter()}) {
        TfrxDataSet *rows = report->DataSets()->Items(0)->DataSet();
        rows->SetRangeEndCount(1);
        rows->First();
        for (const AnsiString &name : Expressions(report)) {
            SCOPED_TRACE(report->Name().ToUtf8() + ": " + name.ToUtf8());
            if (engineNames.count(name.ToStd()) || name.Pos("(")) continue;
            EXPECT_FALSE(VarIsEmpty(Lookup(report, name)));
            EXPECT_FALSE(VarIsNull(Lookup(report, name)));
        }
    }
}

TEST_F(ReportsTest, ArchiveRowsAreAnsweredInTheGridsOrder)
{
    ASSERT_TRUE(ReadArchive());
    TfrxReport *report = Form->frxReportList();
    TfrxUserDataSet *rows = Form->frxUserDataSetList;
    rows->SetRangeEndCount(2);
    rows->First();
    const char *const names[] = {"date_time", "type_key", "mode", "quantity", "key_hex"};
    const char *const first[] = {"31.12.2008  23:59:59", "Даллас", "с финализ", "2",
                                 "5B 23 45 67 89 AB CD EF"};
    const char *const second[] = {"01.01.2009  10:00:00", "Метаком", "M1", "1",
                                  "E0 00 00 0F 06 05 03 01"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Field(report, "frxUserDataSetList", names[i]), AnsiString::FromUtf8(first[i]));
    EXPECT_TRUE(VarIsStr(Lookup(report, "frxUserDataSetList.\"quantity\"")));
    rows->Next();
    EXPECT_EQ(rows->RecNo(), 1);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Field(report, "frxUserDataSetList", names[i]), AnsiString::FromUtf8(second[i]));

    // Sorted by the quantity column, the rows print in that order.
    Form->ArchiveSortColumn = 4;
    Form->ArchiveSortDescending = false;
    Form->SortArchive();
    rows->First();
    EXPECT_EQ(Field(report, "frxUserDataSetList", "type_key"), "Метаком"_a);

    const AnsiString before = FormatDateTime("dd.mm.yyyy  hh:nn", Now());
    const AnsiString printed = VarToStr(Lookup(report, "print_date_time"));
    const AnsiString after = FormatDateTime("dd.mm.yyyy  hh:nn", Now());
    EXPECT_TRUE(printed == before || printed == after) << printed.ToUtf8();

    // Names are compared exactly; others are left as they were.
    for (const char *other : {"Print_date_time", "date_time", "summa"}) {
        Variant value = 42;
        Form->frxReportListGetValue(other, value);
        EXPECT_EQ(value.AsInteger(), 42) << other;
    }
    Variant value = 42;
    Form->frxUserDataSetListGetValue("Key_hex", value);
    EXPECT_EQ(value.AsInteger(), 42);
}

TEST_F(ReportsTest, ReceiptLineTakesProductTypeKeyAndRoundedPrice)
{
    ASSERT_TRUE(ReadArchive());
    Config.ProductName = "Домофонный ключ"_a;
    Config.TypeKey = true;
    Config.KeyHex = true;
    Form->ED_Dallas->SetText("99.999");
    Form->ED_Metacom->SetText("150");
    Form->ED_SellerName->SetText("ИП Иванов"_a);
    Form->ED_SellerAddress->SetText("г. Москва, ул. Ленина, 1"_a);
    Form->ED_SellerBank->SetText("р/с 40802810000000000001"_a);

    Form->SG_Archive->SetRow(2);
    ASSERT_TRUE(Form->BuildReceiptLine());
    ASSERT_EQ(Form->TovcheckRecords.size(), 1u);
    TfrxReport *report = Form->frxReportTovcheck();
    Form->frxUserDataTovcheck->SetRangeEndCount(1);
    Form->frxUserDataTovcheck->First();
    EXPECT_EQ(Field(report, "frxUserDataTovcheck", "name"),
              "Домофонный ключ: Метаком\nКод ключа: E0 00 00 0F 06 05 03 01"_a);
    EXPECT_EQ(Lookup(report, "frxUserDataTovcheck.\"quantity\"").AsInteger(), 1);
    EXPECT_DOUBLE_EQ(Lookup(report, "frxUserDataTovcheck.\"price\"").AsDouble(), 150);
    EXPECT_DOUBLE_EQ(Lookup(report, "frxUserDataTovcheck.\"summa\"").AsDouble(), 150);
    EXPECT_TRUE(VarIsNull(Form->frxUserDataTovcheck->GetValue("description")));

    Form->SG_Archive->SetRow(1);
    Config.TypeKey = false;
    Config.KeyHex = false;
    ASSERT_TRUE(Form->BuildReceiptLine());
    const TovcheckRecord &line = Form->TovcheckRecords.front();
    EXPECT_EQ(line.Name, "Домофонный ключ"_a);
    EXPECT_EQ(line.KeyLine, "");
    EXPECT_EQ(line.Quantity, 2);
    EXPECT_DOUBLE_EQ(line.Price, 100.00);
    EXPECT_DOUBLE_EQ(line.Sum, 200.00);
    EXPECT_DOUBLE_EQ(Lookup(report, "total_summa").AsDouble(), 200.00);
    EXPECT_EQ(VarToStr(Lookup(report, "summa_propis")), "Двести рублей 00 коп."_a);
    EXPECT_EQ(VarToStr(Lookup(report, "seller_name")), "ИП Иванов"_a);
    EXPECT_EQ(VarToStr(Lookup(report, "seller_address")), "г. Москва, ул. Ленина, 1"_a);
    EXPECT_EQ(VarToStr(Lookup(report, "seller_bank")), "р/с 40802810000000000001"_a);
    PrintTovcheckDlg->ED_CountTovcheck->SetText("7");
    EXPECT_EQ(Lookup(report, "tov_check").AsInteger(), 7);
    PrintTovcheckDlg->ED_CountTovcheck->SetText("");
    EXPECT_EQ(Lookup(report, "tov_check").AsInteger(), 1);
    EXPECT_EQ(VarToStr(Lookup(report, "date_tov_check")),
              PrintTovcheckDlg->DTP_Print->DisplayText());

    Form->ED_Dallas->SetText("сто"_a);
    EXPECT_DOUBLE_EQ(Form->KeyPriceOf(0), 0);
    EXPECT_DOUBLE_EQ(Form->KeyPriceOf(7), 0);
    ASSERT_TRUE(Form->BuildReceiptLine());
    EXPECT_DOUBLE_EQ(Form->TovcheckRecords.front().Sum, 0);
}

TEST_F(ReportsTest, AddressBookPrintListTakesAllOrTheSelectedCellsHiddenOnesIncluded)
{
    Form->WriterRows.assign(6, WriterRecord());
    Form->RenumberWriterRows();
    auto key = [&](int Cell, int Type, const char *Name, const char *Hex) {
        WriterRecord &r = Form->WriterRows[Cell];
        r.KeyType = Type;
        r.WriteMode = 0;
        r.Name = AnsiString::FromUtf8(Name);
        r.KeyHex = Hex;
    };
    key(1, 1, "Подъезд 1", "E0 00 00 0F 06 05 03 01");
    key(4, 3, "Офис", "00 00 00 00 12 34 56 78");
    Form->PC_Tabs->SetActivePage(Form->Sheet_Writer);
    Form->CHB_WriterMissNull->SetChecked(true);
    Form->FillWriterGrid();
    ASSERT_EQ(Form->SG_Writer->RowCount(), 3); // the title and the two keys

    Form->SG_Writer->SetSelection(TGridRect{1, 1, 3, 2});
    Form->BuildWriterPrintList(true);
    ASSERT_EQ(Form->WriterPrintRows.size(), 4u);
    TfrxReport *report = Form->frxReportWriter();
    EXPECT_EQ(Lookup(report, "begin_cell").AsInteger(), 1);
    EXPECT_EQ(Lookup(report, "end_cell").AsInteger(), 4);
    TfrxUserDataSet *rows = Form->frxUserDataSetWriter;
    rows->SetRangeEndCount(4);
    rows->First();
    EXPECT_EQ(Lookup(report, "frxUserDataSetWriter.\"numrec\"").AsInteger(), 1);
    EXPECT_EQ(Field(report, "frxUserDataSetWriter", "name"), "Подъезд 1"_a);
    EXPECT_EQ(Field(report, "frxUserDataSetWriter", "type_key"), "Метаком"_a);
    EXPECT_EQ(Field(report, "frxUserDataSetWriter", "key_hex"), "E0 00 00 0F 06 05 03 01");
    rows->Next();
    EXPECT_EQ(Lookup(report, "frxUserDataSetWriter.\"numrec\"").AsInteger(), 2);
    EXPECT_EQ(Field(report, "frxUserDataSetWriter", "type_key"), "");
    rows->Next();
    rows->Next();
    EXPECT_EQ(Field(report, "frxUserDataSetWriter", "type_key"), "Прокси"_a);

    Form->BuildWriterPrintList(false);
    EXPECT_EQ(Form->WriterPrintRows.size(), 6u);
    EXPECT_EQ(Lookup(report, "begin_cell").AsInteger(), 0);
    EXPECT_EQ(Lookup(report, "end_cell").AsInteger(), 5);

    // The print list's own type texts, whatever the address book holds by now.
    Form->WriterRows.assign(1, WriterRecord());
    EXPECT_EQ(Form->PrintWriterTypeText(1), "Метаком"_a);
    EXPECT_EQ(Form->PrintWriterTypeText(2), "");
    EXPECT_EQ(Form->PrintWriterTypeText(4), "Прокси"_a);
    EXPECT_THROW(Form->PrintWriterTypeText(6), std::out_of_range);
}

TEST_F(ReportsTest, PrintHandlersWithoutRowsOnlySaySo)
{
    int shown = 0;
    PrintListDlg->OnShow = [&](TObject *) { ++shown; };
    Form->BTN_PrintArchiveClick(nullptr);
    EXPECT_EQ(Status(), "  Нет данных для печати архива!  "_a);
    for (auto handler :
         {&TMainForm::TBI_PrintWriterClick, &TMainForm::TBI_PrintWriterSelectClick}) {
        Form->ShowStatusMessage("", "", smNeutral);
        (Form.get()->*handler)(nullptr);
        EXPECT_EQ(Status(), "  Нет данных для печати записной книжки!  "_a);
        EXPECT_EQ(StatusColour(), clBtnFace);
    }
    PrintTovcheckDlg->OnShow = [&](TObject *) { ++shown; };
    Form->BTN_TovcheckClick(nullptr);
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(Form->TovcheckRecords.empty());
}

TEST_F(ReportsTest, CancelOrNoCopiesPrintNothing)
{
    ASSERT_TRUE(ReadArchive());
    Config.CountTovcheck = 7;
    RecordingPrinter printer;
    const AnsiString statusBefore = Status();

    AnswerWithEsc(PrintListDlg);
    Form->BTN_PrintArchiveClick(nullptr);
    EXPECT_EQ(PrintListDlg->Caption(), "Печать Архива"_a);
    AnswerWithOk(PrintListDlg, [] { PrintListDlg->ED_NumCopy->SetText("0"); });
    Form->BTN_PrintArchiveClick(nullptr);
    EXPECT_EQ(Form->frxUserDataSetList->RangeEndCount(), 2);

    AnswerWithEsc(PrintTovcheckDlg);
    Form->BTN_TovcheckClick(nullptr);
    EXPECT_EQ(PrintTovcheckDlg->Caption(), "Печать товарного чека"_a);
    AnswerWithOk(PrintTovcheckDlg, [] { PrintTovcheckDlg->ED_NumCopy->SetText("0"); });
    Form->BTN_TovcheckClick(nullptr);

    EXPECT_EQ(Status(), statusBefore);
    EXPECT_TRUE(Dialogs.Messages().empty());
    EXPECT_EQ(Config.CountTovcheck, 7);
    EXPECT_TRUE(printer.Jobs.empty());
}

TEST_F(ReportsTest, FailedPreparationIsShownInRedAndKeepsTheReceiptNumber)
{
    ASSERT_TRUE(ReadArchive());
    Form->WriterRows.assign(2, WriterRecord());
    Form->RenumberWriterRows();
    Config.CountTovcheck = 7;
    for (TfrxReport *report :
         {Form->frxReportList(), Form->frxReportTovcheck(), Form->frxReportWriter()})
        BreakRows(report);
    // The report library shows its own box first.
    for (int i = 0; i < 3; ++i)
        Dialogs.ReplyMessage(mrOk);

    AnswerWithOk(PrintListDlg);
    Form->BTN_PrintArchiveClick(nullptr);
    EXPECT_EQ(Status(), "  Ошибка при печати отчета 'Печать архива'!  "_a);
    EXPECT_EQ(StatusColour(), static_cast<TColor>(RGB(255, 0, 0)));
    EXPECT_EQ(Form->frxReportList()->PrintOptions()->Printer(), "По умолчанию"_a);

    AnswerWithOk(PrintTovcheckDlg, [] { PrintTovcheckDlg->ED_CountTovcheck->SetText("15"); });
    Form->BTN_TovcheckClick(nullptr);
    EXPECT_EQ(Status(), "  Ошибка при печати отчета 'Товарный чек'!  "_a);
    EXPECT_EQ(Config.CountTovcheck, 7);

    AnswerWithOk(PrintListDlg);
    Form->PrintWriter(false);
    EXPECT_EQ(PrintListDlg->Caption(), "Печать Записной книжки"_a);
    EXPECT_EQ(Status(), "  Ошибка при печати отчета 'Печать Записной книжки'!  "_a);
    EXPECT_EQ(Form->frxUserDataSetWriter->RangeEndCount(), 2);
    EXPECT_EQ(Dialogs.Messages().size(), 3u);
}

TEST_F(ReportsTest, ArchiveListPrintsEveryRowOverItsPagesWithTotals)
{
    maintest::ServeSampleArchive(*Sim, 150);
    ASSERT_TRUE(maintest::ReadArchive(*Form, optest::ExchangeWait));
    const int rows = static_cast<int>(Form->ArchiveRecords.size());
    ASSERT_GT(rows, 60);

    RecordingPrinter printer;
    AnswerWithOk(PrintListDlg, [] { PrintListDlg->ED_NumCopy->SetText("2"); });
    Form->BTN_PrintArchiveClick(nullptr);
    ASSERT_EQ(printer.Jobs.size(), 1u);
    const PrintedJob &job = printer.Jobs[0];
    EXPECT_EQ(job.Copies, 2);
    EXPECT_EQ(job.Printer, "По умолчанию"_a);
    ASSERT_GT(job.Pages.size(), 1u);
    EXPECT_TRUE(job.OnPage(0, "Архив ключей QRV-4"_a));

    // Every row in the grid's order, each on one page, the rows of a page in order.
    int page = 0, keys = 0;
    std::size_t at = 0;
    for (int i = 0; i < rows; ++i) {
        const auto texts = ArchiveRowTexts(Form->ArchiveRecords[i]);
        keys += Form->ArchiveRecords[i].Count;
        auto find = [&] {
            const auto &onPage = job.Pages[page];
            auto from =
                std::find(onPage.begin() + static_cast<long>(at), onPage.end(), IntToStr(i + 1));
            for (; from != onPage.end(); from = std::find(from + 1, onPage.end(), IntToStr(i + 1)))
                if (std::equal(texts.begin() + 1, texts.end(), from + 1)) return from;
            return onPage.end();
        };
        auto found = find();
        if (found == job.Pages[page].end() && page + 1 < static_cast<int>(job.Pages.size())) {
            ++page;
            at = 0;
            found = find();
        }
        ASSERT_NE(found, job.Pages[page].end()) << "row " << i + 1;
        at = static_cast<std::size_t>(found - job.Pages[page].begin()) + texts.size();
    }
    EXPECT_EQ(page + 1, static_cast<int>(job.Pages.size()));
    for (std::size_t p = 0; p < job.Pages.size(); ++p) {
        EXPECT_TRUE(job.OnPage(static_cast<int>(p), "Код ключа"_a)) << p;
        EXPECT_TRUE(job.OnPage(static_cast<int>(p), "Страница "_a + IntToStr(int(p) + 1))) << p;
    }
    const int last = static_cast<int>(job.Pages.size()) - 1;
    EXPECT_TRUE(job.OnPage(last, "Всего записей: "_a + IntToStr(rows)));
    EXPECT_TRUE(job.OnPage(last, "Всего ключей: "_a + IntToStr(keys)));
}

TEST_F(ReportsTest, ReceiptPrintsSellerNumberLineAndSumInWordsThenCountsOn)
{
    ASSERT_TRUE(ReadArchive());
    Config.ProductName = "Домофонный ключ"_a;
    Config.CountTovcheck = 7;
    Form->ED_Metacom->SetText("150");
    Form->ED_SellerName->SetText("ИП Иванов И.И."_a);
    Form->ED_SellerAddress->SetText("г. Москва, ул. Ленина, 1"_a);
    Form->ED_SellerBank->SetText("р/с 40802810000000000001 в ПАО Банк"_a);
    Form->SG_Archive->SetRow(2);

    RecordingPrinter printer;
    AnswerWithOk(PrintTovcheckDlg, [] {
        PrintTovcheckDlg->ED_CountTovcheck->SetText("15");
        PrintTovcheckDlg->ED_Price->SetText("250");
        PrintTovcheckDlg->ED_NumCopy->SetText("3");
    });
    Form->BTN_TovcheckClick(nullptr);
    ASSERT_EQ(printer.Jobs.size(), 1u);
    const PrintedJob &job = printer.Jobs[0];
    EXPECT_EQ(job.Copies, 3);
    ASSERT_EQ(job.Pages.size(), 1u);
    for (const AnsiString &text :
         {"Продавец: ИП Иванов И.И."_a, "Адрес: г. Москва, ул. Ленина, 1"_a,
          "Реквизиты: р/с 40802810000000000001 в ПАО Банк"_a, "ТОВАРНЫЙ ЧЕК № 15"_a,
          "от "_a + PrintTovcheckDlg->DTP_Print->DisplayText(),
          "Домофонный ключ: Метаком\r\nКод ключа: E0 00 00 0F 06 05 03 01"_a, AnsiString("1"),
          AnsiString("250.00"), "Итого:"_a, "Сумма прописью: Двести пятьдесят рублей 00 коп."_a})
        EXPECT_TRUE(job.OnPage(0, text)) << text.ToUtf8();
    EXPECT_EQ(std::count(job.Pages[0].begin(), job.Pages[0].end(), AnsiString("250.00")), 3);
    EXPECT_EQ(Config.CountTovcheck, 16);
    EXPECT_NE(ConfigBytes().find("CountTovcheck=16"), std::string::npos);
}

TEST_F(ReportsTest, AddressBookPrintsTheSelectedCellsWithTheirRange)
{
    Form->WriterRows.assign(6, WriterRecord());
    Form->RenumberWriterRows();
    WriterRecord &key = Form->WriterRows[2];
    key.KeyType = 0;
    key.WriteMode = 0;
    key.Name = "Подъезд 2"_a;
    key.KeyHex = "01 23 45 67 89 AB CD EF";
    Form->PC_Tabs->SetActivePage(Form->Sheet_Writer);
    Form->FillWriterGrid();
    Form->SG_Writer->SetSelection(TGridRect{1, 2, 3, 4});

    RecordingPrinter printer;
    AnswerWithOk(PrintListDlg);
    Form->TBI_PrintWriterSelectClick(nullptr);
    ASSERT_EQ(printer.Jobs.size(), 1u);
    const PrintedJob &job = printer.Jobs[0];
    EXPECT_EQ(job.Copies, 1);
    ASSERT_EQ(job.Pages.size(), 1u);
    for (const AnsiString &text :
         {"Записная книжка QRV-4"_a, "Ячейки с 1 по 3"_a, "Подъезд 2"_a, "Даллас"_a,
          AnsiString("01 23 45 67 89 AB CD EF"), AnsiString("1"), AnsiString("3")})
        EXPECT_TRUE(job.OnPage(0, text)) << text.ToUtf8();
    EXPECT_FALSE(job.OnPage(0, "4"));
}
