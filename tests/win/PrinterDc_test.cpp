#include "tests/support/FileSizeLimit.h"
#include "tests/support/PrintTestSupport.h"
#include "tests/win/WinTestSupport.h"

#include "platform/win/CupsLibrary.h"
#include "platform/win/WinSpool.h"

#include <gtest/gtest.h>

#include <QFileInfo>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using namespace printtest;

namespace
{

DEVMODEA Paper(short Number, short Orientation = DMORIENT_PORTRAIT)
{
    DEVMODEA Mode{};
    Mode.dmSize = sizeof Mode;
    Mode.dmFields = DM_PAPERSIZE | DM_ORIENTATION;
    Mode.dmPaperSize = Number;
    Mode.dmOrientation = Orientation;
    return Mode;
}

HFONT Font(int Height)
{
    return CreateFontW(Height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                       u"Liberation Sans");
}

void Text(HDC Dc, int X, int Y, const std::u16string &Line)
{
    TextOutW(Dc, X, Y, Line.c_str(), static_cast<int>(Line.size()));
}

bool Dark(QRgb Pixel)
{
    return qGray(Pixel) < 64;
}

// A file-only printer context with A4 paper.
class PrinterDc : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Mode = Paper(DMPAPER_A4);
        Dc = CreateDCA(nullptr, "", nullptr, &Mode);
        ASSERT_TRUE(Dc);
    }
    void TearDown() override
    {
        DeleteDC(Dc);
        std::remove(Path.c_str());
    }
    int Start()
    {
        const DOCINFOA Info{sizeof(DOCINFOA), "Чек", Path.c_str(), nullptr, 0};
        return StartDocA(Dc, &Info);
    }

    DEVMODEA Mode{};
    HDC Dc{};
    std::string Path = TempPath("printer_dc", ".pdf");
};

TEST_F(PrinterDc, ReportsThePageAtSixHundredDotsPerInch)
{
    EXPECT_EQ(GetDeviceCaps(Dc, LOGPIXELSX), 600);
    EXPECT_EQ(GetDeviceCaps(Dc, LOGPIXELSY), 600);
    EXPECT_EQ(GetDeviceCaps(Dc, TECHNOLOGY), DT_RASPRINTER);
    EXPECT_NEAR(GetDeviceCaps(Dc, PHYSICALWIDTH), 4961, 1);
    EXPECT_NEAR(GetDeviceCaps(Dc, PHYSICALHEIGHT), 7016, 1);
    EXPECT_EQ(GetDeviceCaps(Dc, HORZRES), GetDeviceCaps(Dc, PHYSICALWIDTH));
    EXPECT_EQ(GetDeviceCaps(Dc, PHYSICALOFFSETX), 0);
    EXPECT_EQ(GetDeviceCaps(Dc, PHYSICALOFFSETY), 0);
    const DEVMODEA Turned = Paper(DMPAPER_A4, DMORIENT_LANDSCAPE);
    ASSERT_EQ(ResetDCA(Dc, &Turned), Dc);
    EXPECT_NEAR(GetDeviceCaps(Dc, PHYSICALWIDTH), 7016, 1);
    // Fonts are measured in device pixels: a 10-point em is 83 dots.
    const HFONT F = Font(-MulDiv(10, 600, 72));
    SelectObject(Dc, F);
    TEXTMETRICW M;
    GetTextMetricsW(Dc, &M);
    EXPECT_EQ(M.tmHeight - M.tmInternalLeading, 83);
    DeleteObject(F);
}

TEST_F(PrinterDc, PagesKeepTextAsTextAndShapesAsVectors)
{
    ASSERT_GT(Start(), 0);
    ASSERT_GT(StartPage(Dc), 0);
    const HBRUSH Black = CreateSolidBrush(RGB(0, 0, 0));
    const RECT Square{600, 600, 1200, 1200};
    FillRect(Dc, &Square, Black);
    const HFONT F = Font(-100);
    SelectObject(Dc, F);
    SetBkMode(Dc, TRANSPARENT);
    Text(Dc, 600, 1800, u"Ключ 0A1B2C3D");
    MoveToEx(Dc, 600, 3000, nullptr);
    LineTo(Dc, 3000, 3000);
    ASSERT_GT(EndPage(Dc), 0);
    const DEVMODEA Turned = Paper(DMPAPER_A4, DMORIENT_LANDSCAPE);
    ASSERT_EQ(ResetDCA(Dc, &Turned), Dc);
    ASSERT_GT(StartPage(Dc), 0);
    Text(Dc, 600, 600, u"Second page");
    ASSERT_GT(EndPage(Dc), 0);
    ASSERT_GT(EndDoc(Dc), 0);
    DeleteObject(F);
    DeleteObject(Black);

    const std::vector<std::string> Pages = PdfPages(Path);
    ASSERT_EQ(Pages.size(), 2u);
    EXPECT_NE(Pages[0].find("Ключ 0A1B2C3D"), std::string::npos) << Pages[0];
    EXPECT_NE(Pages[1].find("Second page"), std::string::npos) << Pages[1];
    const std::vector<QSizeF> Sizes = PdfPageSizes(Path);
    ASSERT_EQ(Sizes.size(), 2u);
    EXPECT_NEAR(Sizes[0].width(), 595.3, 1);
    EXPECT_NEAR(Sizes[1].width(), 841.9, 1);
    // Vectors, not page pictures: a whole page of them stays small.
    EXPECT_LT(QFileInfo(QString::fromStdString(Path)).size(), 60000);

    // At 100 dots per inch a device pixel is a sixth of a dot.
    const QImage Page = PdfPageImage(Path, 1, 100);
    ASSERT_FALSE(Page.isNull());
    EXPECT_TRUE(Dark(Page.pixel(150, 150)));
    EXPECT_TRUE(Dark(Page.pixel(101, 101)));
    EXPECT_FALSE(Dark(Page.pixel(98, 98)));
    EXPECT_FALSE(Dark(Page.pixel(202, 202)));
    EXPECT_TRUE(Dark(Page.pixel(300, 500)));
    EXPECT_FALSE(Dark(Page.pixel(300, 490)));
}

TEST_F(PrinterDc, PicturesKeepTheirPixels)
{
    ASSERT_GT(Start(), 0);
    ASSERT_GT(StartPage(Dc), 0);
    // A 2x2 picture, red and blue above, green and white below, stretched over an inch.
    const std::uint32_t Bits[4] = {0x0000FF00, 0x00FFFFFF, 0x00FF0000, 0x000000FF};
    BITMAPINFO Info{};
    Info.bmiHeader = {sizeof(BITMAPINFOHEADER), 2, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    EXPECT_EQ(
        StretchDIBits(Dc, 600, 600, 600, 600, 0, 0, 2, 2, Bits, &Info, DIB_RGB_COLORS, SRCCOPY), 2);
    ASSERT_GT(EndPage(Dc), 0);
    ASSERT_GT(EndDoc(Dc), 0);
    const QImage Page = PdfPageImage(Path, 1, 100);
    ASSERT_FALSE(Page.isNull());
    EXPECT_EQ(Page.pixel(125, 125), qRgb(255, 0, 0));
    EXPECT_EQ(Page.pixel(175, 125), qRgb(0, 0, 255));
    EXPECT_EQ(Page.pixel(125, 175), qRgb(0, 255, 0));
    EXPECT_EQ(Page.pixel(175, 175), qRgb(255, 255, 255));
}

TEST_F(PrinterDc, ClipCutsTheDrawingAndGoesWithItsRegion)
{
    ASSERT_GT(Start(), 0);
    ASSERT_GT(StartPage(Dc), 0);
    const HBRUSH Black = CreateSolidBrush(RGB(0, 0, 0));
    const HRGN Left = CreateRectRgn(0, 0, 900, 7016);
    SelectClipRgn(Dc, Left);
    const RECT Band{600, 600, 1200, 1200};
    FillRect(Dc, &Band, Black);
    SelectClipRgn(Dc, nullptr);
    const RECT Below{600, 1800, 1200, 2400};
    FillRect(Dc, &Below, Black);
    ASSERT_GT(EndPage(Dc), 0);
    ASSERT_GT(EndDoc(Dc), 0);
    DeleteObject(Left);
    DeleteObject(Black);
    const QImage Page = PdfPageImage(Path, 1, 100);
    ASSERT_FALSE(Page.isNull());
    EXPECT_TRUE(Dark(Page.pixel(125, 150)));
    EXPECT_FALSE(Dark(Page.pixel(175, 150))) << "cut by the clip";
    EXPECT_TRUE(Dark(Page.pixel(175, 350))) << "drawn whole once the clip is gone";
}

// The page's painter keeps what one drawing set: the next must still get its own pen,
// colours, clip and placing.
TEST_F(PrinterDc, EachDrawingGetsItsOwnPenClipAndPlace)
{
    ASSERT_GT(Start(), 0);
    ASSERT_GT(StartPage(Dc), 0);
    const HPEN Red = CreatePen(PS_SOLID, 30, RGB(255, 0, 0));
    const HPEN Blue = CreatePen(PS_SOLID, 30, RGB(0, 0, 255));
    const HPEN Thin = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    const HPEN Black = CreatePen(PS_SOLID, 30, RGB(0, 0, 0));
    auto Line = [&](HPEN Pen, int X1, int Y1, int X2, int Y2) {
        SelectObject(Dc, Pen);
        MoveToEx(Dc, X1, Y1, nullptr);
        LineTo(Dc, X2, Y2);
    };
    Line(Red, 600, 600, 3000, 600);
    Line(Blue, 600, 1200, 3000, 1200);
    // Text of its own colour after a thin line of another.
    Line(Thin, 600, 1500, 3000, 1500);
    const HFONT Big = Font(-600);
    SelectObject(Dc, Big);
    SetBkMode(Dc, TRANSPARENT);
    SetTextColor(Dc, RGB(0, 160, 0));
    Text(Dc, 600, 1800, u"ШШ");
    // Text cut to a rectangle leaves the next drawing uncut.
    SetTextColor(Dc, RGB(0, 0, 0));
    const RECT Narrow{600, 3000, 700, 3600};
    ExtTextOutW(Dc, 600, 3000, ETO_CLIPPED, &Narrow, u"ШШШ", 3, nullptr);
    Line(Black, 600, 3300, 3000, 3300);
    // Turned text leaves the next drawing upright.
    LOGFONTW Turned{};
    Turned.lfHeight = -300;
    Turned.lfEscapement = 900;
    std::memcpy(Turned.lfFaceName, u"Liberation Sans", sizeof(u"Liberation Sans"));
    const HFONT Up = CreateFontIndirectW(&Turned);
    SelectObject(Dc, Up);
    Text(Dc, 600, 5400, u"Ключ");
    Line(Red, 1200, 4200, 3000, 4200);
    ASSERT_GT(EndPage(Dc), 0);
    ASSERT_GT(EndDoc(Dc), 0);
    SelectObject(Dc, GetStockObject(BLACK_PEN));
    SelectObject(Dc, GetStockObject(SYSTEM_FONT));
    for (HGDIOBJ Object :
         {HGDIOBJ(Red), HGDIOBJ(Blue), HGDIOBJ(Thin), HGDIOBJ(Black), HGDIOBJ(Big), HGDIOBJ(Up)})
        DeleteObject(Object);

    const QImage Page = PdfPageImage(Path, 1, 100);
    ASSERT_FALSE(Page.isNull());
    EXPECT_EQ(Page.pixel(300, 100), qRgb(255, 0, 0));
    EXPECT_EQ(Page.pixel(300, 200), qRgb(0, 0, 255));
    // The letters in green, nothing of them in the thin line's blue.
    int Green = 0, Blueish = 0;
    for (int Y = 310; Y < 390; ++Y)
        for (int X = 100; X < 300; ++X) {
            const QRgb Pixel = Page.pixel(X, Y);
            Green += qGreen(Pixel) > 100 && qRed(Pixel) < 80 && qBlue(Pixel) < 80;
            Blueish += qBlue(Pixel) > 100 && qRed(Pixel) < 80 && qGreen(Pixel) < 80;
        }
    EXPECT_GT(Green, 1000);
    EXPECT_EQ(Blueish, 0);
    EXPECT_TRUE(Dark(Page.pixel(400, 550))) << "the line beyond the text's clip";
    EXPECT_FALSE(Dark(Page.pixel(150, 530))) << "the text cut at its rectangle";
    EXPECT_EQ(Page.pixel(400, 700), qRgb(255, 0, 0)) << "the line after turned text";
    EXPECT_NE(Page.pixel(190, 700), qRgb(255, 0, 0));
}

TEST_F(PrinterDc, AbortedDocumentLeavesNothingAndCannotBeEnded)
{
    ASSERT_GT(Start(), 0);
    ASSERT_GT(StartPage(Dc), 0);
    Text(Dc, 100, 100, u"never");
    EXPECT_GT(AbortDoc(Dc), 0);
    EXPECT_FALSE(FileExists(Path));
    EXPECT_EQ(EndDoc(Dc), SP_ERROR);
    EXPECT_EQ(EndPage(Dc), SP_ERROR);
    // The context takes a new document afterwards.
    ASSERT_GT(Start(), 0);
    ASSERT_GT(StartPage(Dc), 0);
    ASSERT_GT(EndDoc(Dc), 0);
    EXPECT_EQ(PdfPages(Path).size(), 1u);
}

// The file the user chose was written from the first page on: an aborted print deleted the
// file it replaced, and a full disk left it cut short.
TEST_F(PrinterDc, AFailedOrAbortedPrintKeepsTheFileItWouldReplace)
{
    const std::string Old = "the old document";
    std::ofstream(Path, std::ios::binary) << Old;
    ASSERT_GT(Start(), 0);
    ASSERT_GT(StartPage(Dc), 0);
    Text(Dc, 100, 100, u"never");
    EXPECT_GT(AbortDoc(Dc), 0);
    EXPECT_EQ(FileBytes(Path), Old);

    ASSERT_GT(Start(), 0);
    ASSERT_GT(StartPage(Dc), 0);
    Text(Dc, 100, 100, u"too long for the disk");
    {
        testsupport::FileSizeLimit Full(Old.size() + 10);
        EXPECT_EQ(EndDoc(Dc), SP_ERROR);
    }
    EXPECT_EQ(FileBytes(Path), Old);

    ASSERT_GT(Start(), 0);
    ASSERT_GT(StartPage(Dc), 0);
    ASSERT_GT(EndDoc(Dc), 0);
    EXPECT_EQ(PdfPages(Path).size(), 1u);
}

TEST_F(PrinterDc, InformationContextDrawsNothingAndStartsNoDocument)
{
    const HDC Ic = CreateICA(nullptr, "", nullptr, &Mode);
    ASSERT_TRUE(Ic);
    EXPECT_EQ(GetDeviceCaps(Ic, LOGPIXELSY), 600);
    const RECT R{0, 0, 10, 10};
    EXPECT_TRUE(FillRect(Ic, &R, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
    EXPECT_EQ(GetPixel(Ic, 1, 1), CLR_INVALID);
    const DOCINFOA Info{sizeof(DOCINFOA), "x", Path.c_str(), nullptr, 0};
    EXPECT_EQ(StartDocA(Ic, &Info), SP_ERROR);
    DeleteDC(Ic);
    // Without a queue only a file can take the document.
    const DOCINFOA NoFile{sizeof(DOCINFOA), "x", nullptr, nullptr, 0};
    EXPECT_EQ(StartDocA(Dc, &NoFile), SP_ERROR);
    EXPECT_FALSE(CreateDCA(nullptr, "no such queue", nullptr, nullptr));
}

// ---- through a real spooler ----

// The description of a raw job.
struct RawJob {
    RawJob() = default;
    RawJob(const RawJob &) = delete;
    RawJob &operator=(const RawJob &) = delete;
    LPBYTE Doc() { return reinterpret_cast<LPBYTE>(&Info); }

    char Title[4] = "raw";
    char Datatype[4] = "RAW";
    DOC_INFO_1A Info{Title, nullptr, Datatype};
};

// Adds the raw queue "Hall" to the private scheduler and opens it.
void OpenRawQueue(PrivateCups &Cups, HANDLE &Printer)
{
    ASSERT_TRUE(Cups.AddRawQueue("Hall")) << Cups.Log();
    char Hall[] = "Hall";
    ASSERT_TRUE(OpenPrinterA(Hall, &Printer, nullptr));
}

TEST(Spooler, QueuesDefaultsAndJobsOfAPrivateScheduler)
{
    PrivateCups Cups;
    QRV4_REQUIRE_CUPS(Cups);
    ASSERT_TRUE(Cups.AddPdfQueue("Desk")) << Cups.Log();
    ASSERT_TRUE(Cups.AddRawQueue("Hall")) << Cups.Log();
    ASSERT_TRUE(Cups.SetDefault("Hall"));

    DWORD Needed = 0, Count = 0;
    EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &Needed, &Count);
    std::vector<BYTE> Buffer(Needed);
    ASSERT_TRUE(
        EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 4, Buffer.data(), Needed, &Needed, &Count));
    ASSERT_EQ(Count, 2u);
    const auto *Info = reinterpret_cast<const PRINTER_INFO_4A *>(Buffer.data());
    EXPECT_STREQ(Info[0].pPrinterName, "Desk");
    EXPECT_STREQ(Info[1].pPrinterName, "Hall");

    char Default[64] = {};
    DWORD Size = sizeof Default;
    ASSERT_TRUE(GetDefaultPrinterA(Default, &Size));
    EXPECT_STREQ(Default, "Hall");
    DWORD Small = 2;
    EXPECT_FALSE(GetDefaultPrinterA(Default, &Small));
    EXPECT_EQ(Small, 5u);

    char Name[] = "Desk";
    HANDLE Printer = nullptr;
    ASSERT_TRUE(OpenPrinterA(Name, &Printer, nullptr));
    DEVMODEA Mode{};
    ASSERT_EQ(DocumentPropertiesA(nullptr, Printer, Name, nullptr, nullptr, 0),
              static_cast<LONG>(sizeof(DEVMODEA)));
    ASSERT_EQ(DocumentPropertiesA(nullptr, Printer, Name, &Mode, nullptr, DM_OUT_BUFFER), 1);
    EXPECT_EQ(Mode.dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_GT(Mode.dmPaperSize, 0);
    const int Papers = DeviceCapabilitiesA(Name, "", DC_PAPERS, nullptr, nullptr);
    ASSERT_GT(Papers, 0);
    std::vector<WORD> Numbers(static_cast<std::size_t>(Papers));
    DeviceCapabilitiesA(Name, "", DC_PAPERS, reinterpret_cast<LPSTR>(Numbers.data()), nullptr);
    EXPECT_NE(std::find(Numbers.begin(), Numbers.end(), WORD(9)), Numbers.end());

    ClosePrinter(Printer);

    // A raw job reaches the queue byte for byte.
    char Hall[] = "Hall";
    ASSERT_TRUE(OpenPrinterA(Hall, &Printer, nullptr));
    RawJob Job;
    ASSERT_NE(StartDocPrinterA(Printer, 1, Job.Doc()), 0u);
    EXPECT_TRUE(StartPagePrinter(Printer));
    const std::string Program = "%!PS\n/Helvetica findfont 24 scalefont setfont 72 700 moveto "
                                "(RAWLINE) show showpage\n";
    DWORD Written = 0;
    EXPECT_TRUE(WritePrinter(Printer, const_cast<char *>(Program.data()),
                             static_cast<DWORD>(Program.size()), &Written));
    EXPECT_EQ(Written, Program.size());
    EXPECT_TRUE(EndPagePrinter(Printer));
    EXPECT_TRUE(EndDocPrinter(Printer));
    ClosePrinter(Printer);

    // A document drawn on the queue's context goes to it as one PDF job.
    const HDC Dc = CreateDCA(nullptr, "Desk", nullptr, &Mode);
    ASSERT_TRUE(Dc);
    const DOCINFOA Doc{sizeof(DOCINFOA), "Архив", nullptr, nullptr, 0};
    ASSERT_GT(StartDocA(Dc, &Doc), 0);
    ASSERT_GT(StartPage(Dc), 0);
    const HFONT F = Font(-120);
    SelectObject(Dc, F);
    Text(Dc, 600, 600, u"Очередь Desk");
    ASSERT_GT(EndPage(Dc), 0);
    ASSERT_GT(EndDoc(Dc), 0) << Cups.Log();
    DeleteDC(Dc);
    DeleteObject(F);

    const std::vector<std::string> Raws = Cups.WaitForRawJobs("Hall", 1);
    ASSERT_EQ(Raws.size(), 1u) << Cups.Log();
    EXPECT_EQ(FileBytes(Raws[0]), Program);
    const std::vector<std::string> Pdfs = Cups.WaitForPdfs("Desk", 1);
    ASSERT_EQ(Pdfs.size(), 1u) << Cups.Log();
    EXPECT_NE(PdfPages(Pdfs[0]).at(0).find("Очередь Desk"), std::string::npos);
}

// The print service's library opens at the first job; a raw job without it starts nothing
// and leaves the reason to show, and the next job opens it again.
TEST(Spooler, RawJobWithoutThePrintServiceLibraryStartsNothing)
{
    PrivateCups Cups;
    QRV4_REQUIRE_CUPS(Cups);
    HANDLE Printer = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenRawQueue(Cups, Printer));
    RawJob Job;

    win::SetCupsLibrary("/nowhere/libcups.so.2");
    EXPECT_EQ(StartDocPrinterA(Printer, 1, Job.Doc()), 0u);
    EXPECT_FALSE(StartPagePrinter(Printer));
    EXPECT_NE(win::CupsMissing().ToUtf8().find("/nowhere/libcups.so.2"), std::string::npos);
    win::SetCupsLibrary("");

    ASSERT_NE(StartDocPrinterA(Printer, 1, Job.Doc()), 0u);
    EXPECT_TRUE(win::CupsMissing().IsEmpty());
    const std::string Line = "RAWLINE\n";
    DWORD Written = 0;
    EXPECT_TRUE(WritePrinter(Printer, const_cast<char *>(Line.data()),
                             static_cast<DWORD>(Line.size()), &Written));
    EXPECT_TRUE(EndDocPrinter(Printer));
    ClosePrinter(Printer);
    const std::vector<std::string> Raws = Cups.WaitForRawJobs("Hall", 1);
    ASSERT_EQ(Raws.size(), 1u) << Cups.Log();
    EXPECT_EQ(FileBytes(Raws[0]), Line);
}

// A raw job whose scheduler went away while its bytes went out is not reported as ended: no
// answer came to say that the job was whole.
TEST(Spooler, RawJobWhoseSchedulerWentAwayDoesNotEnd)
{
    PrivateCups Cups;
    QRV4_REQUIRE_CUPS(Cups);
    HANDLE Printer = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenRawQueue(Cups, Printer));
    RawJob Job;
    win::SetCupsLibrary(InterruptingCupsLibrary());
    Cups.InterruptAtNextJob(PrivateCups::JobStep::Writing, SIGKILL);

    ASSERT_NE(StartDocPrinterA(Printer, 1, Job.Doc()), 0u);
    const std::string Line = "RAWLINE\n";
    DWORD Written = 0;
    WritePrinter(Printer, const_cast<char *>(Line.data()), static_cast<DWORD>(Line.size()),
                 &Written);
    EXPECT_FALSE(EndDocPrinter(Printer));
    ClosePrinter(Printer);
    win::SetCupsLibrary("");
}

} // namespace
