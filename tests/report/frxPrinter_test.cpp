#include "report/frxPrinter.h"

#include "platform/win/CupsLibrary.h"
#include "report/frxClass.h"
#include "report/frxRes.h"
#include "tests/report/ReportTestSupport.h"
#include "tests/support/PrintTestSupport.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace printtest;

namespace
{

class PrinterTest : public ::testing::Test
{
protected:
    void SetUp() override { vcltest::StartApplication(); }
};

TEST(PaperTable, GivesMillimetresOfItsPapersOnly)
{
    double Width = -1, Height = -1;
    EXPECT_TRUE(frxGetPaperDimensions(9, Width, Height));
    EXPECT_DOUBLE_EQ(Width, 210);
    EXPECT_DOUBLE_EQ(Height, 297);
    EXPECT_TRUE(frxGetPaperDimensions(68, Width, Height));
    EXPECT_DOUBLE_EQ(Width, 322);
    EXPECT_DOUBLE_EQ(Height, 445);
    for (int Missing : {0, 48, 49, 69, 256}) {
        Width = Height = -1;
        EXPECT_FALSE(frxGetPaperDimensions(Missing, Width, Height)) << Missing;
        EXPECT_EQ(Width, -1);
        EXPECT_EQ(Height, -1);
    }
}

// ---- no printer installed ----

TEST_F(PrinterTest, VirtualPrinterStandsInWhenNoneIsInstalled)
{
    NoPrinters None;
    TfrxPrinters List;
    ASSERT_EQ(List.Count(), 1);
    EXPECT_FALSE(List.HasPhysicalPrinters());
    EXPECT_EQ(List.PrinterIndex(), 0);
    EXPECT_EQ(List.Printers()->Strings(0), Cp("Виртуальный"));
    TfrxCustomPrinter *P = List.Printer();
    ASSERT_TRUE(P->InheritsFrom(TfrxVirtualPrinter::StaticClass()));
    EXPECT_TRUE(P->Initialized());
    EXPECT_EQ(P->DPI(), TPoint(600, 600));
    EXPECT_EQ(P->DefPaper(), 9);
    EXPECT_EQ(P->DefOrientation(), poPortrait);
    EXPECT_EQ(P->DefPaperWidth(), 210);
    EXPECT_EQ(P->DefPaperHeight(), 297);
    EXPECT_EQ(P->Bin(), -1);
    // "Custom" first, then the 66 papers of the table.
    ASSERT_EQ(P->Papers()->Count(), 67);
    EXPECT_EQ(P->Papers()->Strings(0), Cp("Пользовательский"));
    EXPECT_EQ(P->PaperIndex(9), 9);
    EXPECT_EQ(P->PaperIndex(50), 48);
    EXPECT_EQ(P->PaperIndex(48), -1);
    EXPECT_EQ(P->PaperNameToNumber("xyz"), 256);
    EXPECT_EQ(P->BinNameToNumber("xyz"), 7);
    EXPECT_EQ(P->BinNameToNumber(Cp("По умолчанию")), 7);
    EXPECT_EQ(P->BinIndex(7), 0);
    EXPECT_EQ(P->BinIndex(3), -1);
    // Out-of-range choices and the default fall back to the one printer there is.
    List.SetPrinterIndex(-1);
    EXPECT_EQ(List.PrinterIndex(), 0);
    List.SetPrinterIndex(5);
    EXPECT_EQ(List.PrinterIndex(), 0);
    EXPECT_THROW(List.Items(1), EListError);
}

TEST_F(PrinterTest, VirtualPrinterLaysOutTablePapersAndCustomSizes)
{
    NoPrinters None;
    TfrxPrinters List;
    TfrxCustomPrinter *P = List.Printer();
    P->SetViewParams(9, 0, 0, poLandscape);
    EXPECT_EQ(P->Paper(), 9);
    EXPECT_EQ(P->PaperWidth(), 297);
    EXPECT_EQ(P->PaperHeight(), 210);
    EXPECT_EQ(P->Orientation(), poLandscape);
    for (double Margin : {P->LeftMargin(), P->TopMargin(), P->RightMargin(), P->BottomMargin()})
        EXPECT_EQ(Margin, 5);
    P->SetViewParams(48, 100, 150, poPortrait);
    EXPECT_EQ(P->Paper(), 256);
    EXPECT_EQ(P->PaperWidth(), 100);
    EXPECT_EQ(P->PaperHeight(), 150);
    P->SetPrintParams(11, 0, 0, poPortrait, 3, 1);
    EXPECT_EQ(P->Paper(), 11);
    EXPECT_EQ(P->PaperWidth(), 148);
    EXPECT_EQ(P->Bin(), 3);
    // Pages and documents go nowhere.
    P->BeginDoc();
    P->BeginPage();
    P->EndPage();
    P->EndDoc();
    EXPECT_FALSE(P->Printing());
}

// ---- printers of a print service ----

class SpoolerTest : public PrinterTest
{
protected:
    void SetUp() override
    {
        PrinterTest::SetUp();
        QRV4_REQUIRE_CUPS(Cups);
        ASSERT_TRUE(Cups.AddPdfQueue("Alpha")) << Cups.Log();
        ASSERT_TRUE(Cups.AddPdfQueue("Beta")) << Cups.Log();
    }
    void TearDown() override { std::remove(Path.c_str()); }

    PrivateCups Cups;
    std::string Path = TempPath("frx_printer", ".pdf");
};

TEST_F(SpoolerTest, ListStartsOnTheSystemDefaultPrinter)
{
    ASSERT_TRUE(Cups.SetDefault("Beta"));
    TfrxPrinters List;
    EXPECT_TRUE(List.HasPhysicalPrinters());
    ASSERT_EQ(List.Count(), 2);
    EXPECT_EQ(List.Printers()->Strings(0), "Alpha");
    EXPECT_EQ(List.Printers()->Strings(1), "Beta");
    EXPECT_EQ(TfrxPrinters::GetDefaultPrinter(), "Beta");
    EXPECT_EQ(List.IndexOf("beta"), 1);
    EXPECT_EQ(List.IndexOf("Gamma"), -1);
    EXPECT_EQ(List.PrinterIndex(), 1);
    EXPECT_TRUE(List.Printer()->Initialized());
    EXPECT_FALSE(List.Items(0)->Initialized()) << "printers are read when they become current";
    List.SetPrinterIndex(0);
    EXPECT_TRUE(List.Items(0)->Initialized());
    List.SetPrinterIndex(-1);
    EXPECT_EQ(List.PrinterIndex(), 1);
}

TEST_F(SpoolerTest, WithoutADefaultTheFirstPrinterIsCurrentAndReady)
{
    TfrxPrinters List;
    EXPECT_EQ(TfrxPrinters::GetDefaultPrinter(), "");
    ASSERT_EQ(List.PrinterIndex(), 0);
    EXPECT_TRUE(List.Printer()->Initialized());
    List.SetPrinterIndex(-1);
    EXPECT_EQ(List.PrinterIndex(), 0);
    EXPECT_EQ(List.Printer()->Name(), "Alpha");
}

TEST_F(SpoolerTest, PrinterReadsItsDeviceModePapersAndCapabilities)
{
    TfrxPrinters List;
    auto *P = dynamic_cast<TfrxPrinter *>(List.Printer());
    ASSERT_TRUE(P);
    ASSERT_TRUE(P->Initialized());
    ASSERT_TRUE(P->DeviceMode());
    EXPECT_EQ(P->DPI(), TPoint(600, 600));
    EXPECT_EQ(P->DefPaper(), 9);
    EXPECT_EQ(P->DefOrientation(), poPortrait);
    EXPECT_NEAR(P->DefPaperWidth(), 210, 0.1);
    EXPECT_NEAR(P->DefPaperHeight(), 297, 0.1);
    EXPECT_NEAR(P->LeftMargin(), 0, 1e-9);
    EXPECT_NEAR(P->RightMargin(), 0, 1e-9);
    EXPECT_GT(P->PaperIndex(9), 0);
    EXPECT_EQ(P->PaperIndex(256), 0);
    EXPECT_EQ(P->Bins()->Count(), 1);
    // The canvas measures at the printer's resolution.
    P->Canvas()->Font()->SetSize(10);
    EXPECT_EQ(P->Canvas()->Font()->Height(), -83);
    EXPECT_GT(P->Canvas()->TextHeight("A"), 70) << "measured at 600 dots per inch, not 96";

    P->SetViewParams(9, 0, 0, poLandscape);
    EXPECT_NEAR(P->PaperWidth(), 297, 0.1);
    EXPECT_NEAR(P->PaperHeight(), 210, 0.1);
    EXPECT_EQ(P->Orientation(), poLandscape);
    P->SetViewParams(256, 100, 150, poPortrait);
    EXPECT_EQ(P->Paper(), 256);
    EXPECT_EQ(P->PaperWidth(), 100);
    EXPECT_EQ(P->PaperHeight(), 150);
    EXPECT_EQ(P->DeviceMode()->dmPaperSize, 9);

    P->SetPrintParams(256, 100.04, 150.06, poPortrait, 7, 3);
    EXPECT_EQ(P->DeviceMode()->dmPaperWidth, 1000);
    EXPECT_EQ(P->DeviceMode()->dmPaperLength, 1501);
    EXPECT_EQ(P->DeviceMode()->dmCopies, 1);
    EXPECT_EQ(P->DeviceMode()->dmDuplex, 3);
    EXPECT_TRUE(P->DeviceMode()->dmFields & DM_DUPLEX);
    EXPECT_NEAR(P->PaperWidth(), 100, 0.1);
    P->SetPrintParams(9, 210, 297, poPortrait, 7, 4);
    EXPECT_EQ(P->DeviceMode()->dmDuplex, DMDUP_SIMPLEX);
    EXPECT_EQ(P->DeviceMode()->dmPaperWidth, 0);
}

TEST_F(SpoolerTest, DocumentWithPaperChangesGoesToAFile)
{
    TfrxPrinters List;
    TfrxCustomPrinter *P = List.Printer();
    P->SetFileName(Path.c_str());
    P->SetTitle(Cp("Архив"));
    P->SetPrintParams(9, 210, 297, poPortrait, 7, 1);
    P->BeginDoc();
    EXPECT_TRUE(P->Printing());
    P->BeginPage();
    P->Canvas()->Font()->SetName("Liberation Sans");
    P->Canvas()->Font()->SetSize(12);
    P->Canvas()->TextOut(600, 600, Cp("Первая страница"));
    P->EndPage();
    P->SetPrintParams(9, 210, 297, poLandscape, 7, 1);
    P->BeginPage();
    P->Canvas()->TextOut(600, 600, "Landscape");
    P->EndPage();
    P->EndDoc();
    EXPECT_FALSE(P->Printing());
    EXPECT_EQ(P->Bin(), -1);
    const std::vector<std::string> Pages = PdfPages(Path);
    ASSERT_EQ(Pages.size(), 2u);
    EXPECT_NE(Pages[0].find("Первая страница"), std::string::npos);
    EXPECT_NE(Pages[1].find("Landscape"), std::string::npos);
    const std::vector<QSizeF> Sizes = PdfPageSizes(Path);
    ASSERT_EQ(Sizes.size(), 2u);
    EXPECT_GT(Sizes[1].width(), Sizes[1].height());
}

TEST_F(SpoolerTest, AbortedDocumentEndsOnceAndPrintsNothing)
{
    TfrxPrinters List;
    TfrxCustomPrinter *P = List.Printer();
    P->SetFileName(Path.c_str());
    P->BeginDoc();
    P->BeginPage();
    P->Canvas()->TextOut(10, 10, "never");
    P->Abort();
    EXPECT_FALSE(P->Printing());
    // The caller's own end of the document after an abort does nothing.
    EXPECT_NO_THROW(P->EndDoc());
    EXPECT_FALSE(FileExists(Path));
    // And the printer takes the next document.
    P->BeginDoc();
    P->BeginPage();
    P->EndPage();
    P->EndDoc();
    EXPECT_EQ(PdfPages(Path).size(), 1u);
}

TEST_F(SpoolerTest, DocumentWithoutAFileGoesToTheQueue)
{
    TfrxPrinters List;
    List.SetPrinterIndex(List.IndexOf("Beta"));
    TfrxCustomPrinter *P = List.Printer();
    P->SetTitle("queued");
    P->BeginDoc();
    P->BeginPage();
    P->Canvas()->TextOut(600, 600, Cp("В очередь"));
    P->EndPage();
    P->EndDoc();
    const std::vector<std::string> Pdfs = Cups.WaitForPdfs("Beta", 1);
    ASSERT_EQ(Pdfs.size(), 1u) << Cups.Log();
    EXPECT_NE(PdfPages(Pdfs[0]).at(0).find("В очередь"), std::string::npos);
}

// Printing opens the print service's library only now; without it the user reads why.
TEST_F(SpoolerTest, WithoutThePrintServiceLibraryTheFailureSaysWhy)
{
    TfrxPrinters List;
    List.SetPrinterIndex(List.IndexOf("Beta"));
    TfrxCustomPrinter *P = List.Printer();
    auto PrintOnePage = [&] {
        P->BeginDoc();
        P->BeginPage();
        P->Canvas()->TextOut(600, 600, Cp("Вторая попытка"));
        P->EndPage();
        P->EndDoc();
    };
    win::SetCupsLibrary("/nowhere/libcups.so.2");
    std::string Said;
    try {
        PrintOnePage();
    } catch (const Exception &E) {
        Said = E.Message().ToUtf8();
    }
    win::SetCupsLibrary("");
    EXPECT_EQ(Said.rfind("Не удалось передать документ принтеру. Не удалось загрузить "
                         "библиотеку службы печати CUPS: ",
                         0),
              0u)
        << Said;
    EXPECT_NE(Said.find("/nowhere/libcups.so.2"), std::string::npos) << Said;
    EXPECT_FALSE(P->Printing());

    // The next document finds the library and goes.
    PrintOnePage();
    EXPECT_TRUE(win::CupsMissing().IsEmpty());
    const std::vector<std::string> Pdfs = Cups.WaitForPdfs("Beta", 1);
    ASSERT_EQ(Pdfs.size(), 1u) << Cups.Log();
    EXPECT_NE(PdfPages(Pdfs[0]).at(0).find("Вторая попытка"), std::string::npos);
}

// ---- pages take their paper from the current printer ----

TEST_F(SpoolerTest, NewPageDefaultsToTheCurrentPrintersPaper)
{
    frxPrinters()->Refresh();
    TfrxCustomPrinter *P = frxPrinters()->Printer();
    ASSERT_TRUE(P->InheritsFrom(TfrxPrinter::StaticClass()));
    P->SetViewParams(11, 0, 0, poLandscape);
    TfrxReport Report(nullptr);
    auto *Page = new TfrxReportPage(&Report);
    Page->SetDefaults();
    EXPECT_EQ(Page->PaperSize(), 11);
    EXPECT_NEAR(Page->PaperWidth(), 210, 0.1);
    EXPECT_NEAR(Page->PaperHeight(), 148, 0.1);
    EXPECT_EQ(Page->Orientation(), poLandscape);
    for (double Margin :
         {Page->LeftMargin(), Page->RightMargin(), Page->TopMargin(), Page->BottomMargin()})
        EXPECT_EQ(Margin, 10);
    EXPECT_NEAR(Page->Width(), 210 * 3.77953, 0.5) << "the page's pixels follow the paper";
    P->SetViewParams(9, 0, 0, poPortrait);
    Page->SetDefaults();
    EXPECT_EQ(Page->PaperSize(), 9);
    EXPECT_NEAR(Page->PaperHeight(), 297, 0.1);
    EXPECT_EQ(Page->Orientation(), poPortrait);
}

TEST_F(PrinterTest, WithoutPrintersANewPageIsA4)
{
    NoPrinters None;
    frxPrinters()->Refresh();
    TfrxReport Report(nullptr);
    auto *Page = new TfrxReportPage(&Report);
    Page->SetPaperSize(11);
    Page->SetDefaults();
    EXPECT_EQ(Page->PaperSize(), 9);
    EXPECT_EQ(Page->PaperWidth(), 210);
    EXPECT_EQ(Page->PaperHeight(), 297);
    EXPECT_EQ(Page->LeftMargin(), 10);
}

} // namespace
