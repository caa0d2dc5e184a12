#include "platform/vcl/Printers.h"

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace
{

QString ToQt(const AnsiString &Text)
{
    return QString::fromStdU16String(WideString(Text).Std());
}
AnsiString FromQt(const QString &Text)
{
    return AnsiString(WideString(Text.toStdU16String()));
}

std::unique_ptr<TPrinter> &GlobalPrinter()
{
    static std::unique_ptr<TPrinter> printer;
    return printer;
}

} // namespace

TPrinter *Printer()
{
    if (!GlobalPrinter()) GlobalPrinter() = std::make_unique<TPrinter>();
    return GlobalPrinter().get();
}

TPrinter *SetPrinter(TPrinter *NewPrinter)
{
    TPrinter *previous = GlobalPrinter().release();
    GlobalPrinter().reset(NewPrinter);
    return previous;
}

TPrinter::TPrinter() = default;

TPrinter::~TPrinter()
{
    if (Printing()) Abort();
}

TStrings *TPrinter::Printers()
{
    if (!FPrinters) {
        FPrinters = std::make_unique<TStringList>();
        for (const QString &name : QPrinterInfo::availablePrinterNames())
            FPrinters->Add(FromQt(name));
    }
    return FPrinters.get();
}

void TPrinter::SetPrinterIndex(int Value)
{
    if (Value < -1 || Value >= Printers()->Count()) throw EPrinter("Printer selected is not valid");
    if (Printing()) throw EPrinter("Cannot change the printer while printing");
    FPrinterIndex = Value;
    FPaperNames.reset();
}

AnsiString TPrinter::DefaultPrinterName() const
{
    return FromQt(QPrinterInfo::defaultPrinterName());
}

AnsiString TPrinter::PrinterName()
{
    return FPrinterIndex < 0 ? DefaultPrinterName() : Printers()->Strings(FPrinterIndex);
}

TStrings *TPrinter::PaperNames()
{
    if (!FPaperNames) {
        FPaperNames = std::make_unique<TStringList>();
        const QPrinterInfo info = QPrinterInfo::printerInfo(ToQt(PrinterName()));
        for (const QPageSize &size : info.supportedPageSizes())
            FPaperNames->Add(FromQt(size.name()));
    }
    return FPaperNames.get();
}

void TPrinter::SetOrientation(TPrinterOrientation Value)
{
    if (Printing()) throw EPrinter("Cannot change the orientation while printing");
    FOrientation = Value;
}

void TPrinter::SetCopies(int Value)
{
    FCopies = std::max(Value, 1);
}

void TPrinter::BeginDoc()
{
    if (Printing()) throw EPrinter("Printing in progress");
    FAborted = false;
    FPageNumber = 0;
    if (FFileName.IsEmpty()) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(ToQt(PrinterName()));
        if (info.isNull()) throw EPrinter("Printer selected is not valid");
        FQPrinter = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    } else {
        FQPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        FQPrinter->setOutputFormat(QPrinter::PdfFormat);
        FQPrinter->setOutputFileName(QString::fromStdString(FFileName.ToUtf8()));
        FQPrinter->setPageSize(QPageSize(QPageSize::A4));
    }
    FQPrinter->setResolution(FPixelsPerInch);
    FQPrinter->setFullPage(true);
    FQPrinter->setCopyCount(FCopies);
    FQPrinter->setDocName(ToQt(FTitle));
    FQPrinter->setPageOrientation(FOrientation == poLandscape ? QPageLayout::Landscape
                                                              : QPageLayout::Portrait);
    FPainter = std::make_unique<QPainter>();
    if (!FPainter->begin(FQPrinter.get())) {
        FPainter.reset();
        FQPrinter.reset();
        throw EPrinter("The print job could not be started");
    }
    StartPage();
}

void TPrinter::StartPage()
{
    const QRect paper = FQPrinter->paperRect(QPrinter::DevicePixel).toRect();
    FPageWidth = paper.width();
    FPageHeight = paper.height();
    FPageDc = win::CreatePageDC(FPageWidth, FPageHeight, FPixelsPerInch);
    if (!FPageDc) throw EPrinter("Printer selected is not valid");
    FPageCanvas = std::make_unique<TCanvas>();
    FPageCanvas->SetHandle(FPageDc);
    ++FPageNumber;
}

void TPrinter::FreePage()
{
    if (!FPageDc) return;
    FPageCanvas.reset();
    win::DeletePageDC(FPageDc);
    FPageDc = nullptr;
}

void TPrinter::FlushPage()
{
    // The page's pixels go to the printer as one image, top row first.
    QImage image(FPageWidth, FPageHeight, QImage::Format_RGB32);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = FPageWidth;
    info.bmiHeader.biHeight = -FPageHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    const HBITMAP page = static_cast<HBITMAP>(GetCurrentObject(FPageDc, OBJ_BITMAP));
    GetDIBits(FPageDc, page, 0, FPageHeight, image.bits(), &info, DIB_RGB_COLORS);
    FPainter->drawImage(0, 0, image);
    FreePage();
}

TCanvas *TPrinter::Canvas()
{
    if (!FPageCanvas) throw EPrinter("Printer is not currently printing");
    return FPageCanvas.get();
}

void TPrinter::NewPage()
{
    if (!Printing()) throw EPrinter("Printer is not currently printing");
    FlushPage();
    FQPrinter->newPage();
    StartPage();
}

void TPrinter::Finish()
{
    FreePage();
    FPainter->end();
    FPainter.reset();
    FQPrinter.reset();
}

void TPrinter::EndDoc()
{
    if (!Printing()) throw EPrinter("Printer is not currently printing");
    FlushPage();
    Finish();
}

void TPrinter::Abort()
{
    if (!Printing()) return;
    FQPrinter->abort();
    FAborted = true;
    Finish();
}
