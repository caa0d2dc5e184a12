#include "platform/win/DeviceContext.h"
#include "platform/win/PrinterDevice.h"

#include <QFile>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>

namespace win
{

PrinterDevice::PrinterDevice() = default;
PrinterDevice::~PrinterDevice()
{
    CloseDocument();
}

// From millimetres: the layout's own pixel sizes are rounded to whole points first.
QSize PrinterDevice::PagePixels() const
{
    const QSizeF Mm = PageLayoutOf(Mode).fullRect(QPageLayout::Millimeter).size();
    return QSize(qRound(Mm.width() / 25.4 * PrinterDpi), qRound(Mm.height() / 25.4 * PrinterDpi));
}

void PrinterDevice::CloseDocument()
{
    InPage = false;
    if (Painter && Painter->isActive()) Painter->end();
    Painter.reset();
    Printer.reset();
    Spool.reset();
}

namespace
{

PrinterDevice *DeviceOf(HDC Dc)
{
    DeviceContext *D = FindDc(Dc);
    return D && D->Kind == DcKind::Printer ? D->Print.get() : nullptr;
}

HDC NewPrinterDc(LPCSTR Device, const DEVMODEA *DevMode, bool Information)
{
    // Without a queue the context can only write its document to a file.
    const QString Queue = FromAnsi(Device);
    if (!Queue.isEmpty() && !QPrinterInfo::availablePrinterNames().contains(Queue)) return {};
    auto Print = std::make_shared<PrinterDevice>();
    Print->Queue = Queue;
    Print->Mode = DevMode ? *DevMode : DefaultDevMode(Queue);
    Print->Information = Information;
    const HDC Dc = NewDc(DcKind::Printer, {});
    DeviceContext *D = FindDc(Dc);
    D->Print = std::move(Print);
    D->Dpi = PrinterDpi;
    return Dc;
}

// Sends the finished PDF to the queue as one job.
bool Submit(const PrinterDevice &P)
{
    QFile File(P.Spool->fileName());
    if (!File.open(QIODevice::ReadOnly)) return false;
    const std::string Queue = P.Queue.toStdString(), Title = P.Title.toStdString();
    const JobOptions Options(P.Mode);
    const int Job = cupsCreateJob(CUPS_HTTP_DEFAULT, Queue.c_str(), Title.c_str(), Options.Count(),
                                  Options.Options());
    if (Job <= 0) return false;
    bool Sent = cupsStartDocument(CUPS_HTTP_DEFAULT, Queue.c_str(), Job, Title.c_str(),
                                  CUPS_FORMAT_PDF, 1) == HTTP_STATUS_CONTINUE;
    while (Sent && !File.atEnd()) {
        const QByteArray Chunk = File.read(1 << 16);
        Sent = cupsWriteRequestData(CUPS_HTTP_DEFAULT, Chunk.constData(),
                                    static_cast<size_t>(Chunk.size())) == HTTP_STATUS_CONTINUE;
    }
    if (cupsFinishDocument(CUPS_HTTP_DEFAULT, Queue.c_str()) != IPP_STATUS_OK) Sent = false;
    if (!Sent) cupsCancelJob2(CUPS_HTTP_DEFAULT, Queue.c_str(), Job, 1);
    return Sent;
}

} // namespace

int PrinterCaps(const DeviceContext &Dc, int Index)
{
    const QSize Page = Dc.Print->PagePixels();
    switch (Index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return PrinterDpi;
    case HORZRES:
    case PHYSICALWIDTH:
        return Page.width();
    case VERTRES:
    case PHYSICALHEIGHT:
        return Page.height();
    default:
        return 0;
    }
}

} // namespace win

using namespace win;

HDC CreateDCA(LPCSTR, LPCSTR Device, LPCSTR, const DEVMODEA *DevMode)
{
    return NewPrinterDc(Device, DevMode, false);
}

HDC CreateICA(LPCSTR, LPCSTR Device, LPCSTR, const DEVMODEA *DevMode)
{
    return NewPrinterDc(Device, DevMode, true);
}

HDC ResetDCA(HDC Dc, const DEVMODEA *DevMode)
{
    PrinterDevice *P = DeviceOf(Dc);
    if (!P || !DevMode || P->InPage) return {};
    P->Mode = *DevMode;
    return Dc;
}

int StartDocA(HDC Dc, const DOCINFOA *Info)
{
    PrinterDevice *P = DeviceOf(Dc);
    if (!P || P->Information || P->InDocument()) return SP_ERROR;
    P->Title = Info ? FromAnsi(Info->lpszDocName) : QString();
    P->Output = Info ? FromAnsi(Info->lpszOutput) : QString();
    if (P->Output.isEmpty() && P->Queue.isEmpty()) return SP_ERROR;
    if (P->Output.isEmpty()) {
        P->Spool = std::make_unique<QTemporaryFile>();
        if (!P->Spool->open()) {
            P->Spool.reset();
            return SP_ERROR;
        }
        P->Spool->close();
    }
    P->Printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    P->Printer->setOutputFormat(QPrinter::PdfFormat);
    P->Printer->setOutputFileName(P->Output.isEmpty() ? P->Spool->fileName() : P->Output);
    P->Printer->setResolution(PrinterDpi);
    P->Printer->setFullPage(true);
    P->Printer->setDocName(P->Title);
    P->Printer->setCreator(P->Title);
    P->Pages = 0;
    return 1;
}

int StartPage(HDC Dc)
{
    PrinterDevice *P = DeviceOf(Dc);
    if (!P || !P->Printer || P->InPage) return SP_ERROR;
    // Paper and orientation must be set before the page begins.
    P->Printer->setPageLayout(PageLayoutOf(P->Mode));
    if (!P->Painter) {
        P->Painter = std::make_unique<QPainter>();
        if (!P->Painter->begin(P->Printer.get())) {
            P->Painter.reset();
            return SP_ERROR;
        }
    } else if (!P->Printer->newPage()) {
        return SP_ERROR;
    }
    P->Painter->setRenderHint(QPainter::Antialiasing, false);
    // Pictures keep their pixels: stored without loss, not blurred when enlarged.
    P->Painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    P->Painter->setRenderHint(QPainter::LosslessImageRendering, true);
    P->InPage = true;
    ++P->Pages;
    return 1;
}

int EndPage(HDC Dc)
{
    PrinterDevice *P = DeviceOf(Dc);
    if (!P || !P->InPage) return SP_ERROR;
    P->InPage = false;
    return 1;
}

int EndDoc(HDC Dc)
{
    PrinterDevice *P = DeviceOf(Dc);
    if (!P || !P->Printer) return SP_ERROR;
    P->InPage = false;
    // A document without a page still makes a (blank) page, as a printer would eject one.
    if (!P->Painter) {
        P->Painter = std::make_unique<QPainter>();
        P->Printer->setPageLayout(PageLayoutOf(P->Mode));
        P->Painter->begin(P->Printer.get());
    }
    const bool Written = P->Painter->end();
    const bool Sent = Written && (!P->Spool || Submit(*P));
    P->CloseDocument();
    return Sent ? 1 : SP_ERROR;
}

int AbortDoc(HDC Dc)
{
    PrinterDevice *P = DeviceOf(Dc);
    if (!P || !P->Printer) return SP_ERROR;
    const QString Written = P->Printer->outputFileName();
    P->CloseDocument();
    QFile::remove(Written);
    return 1;
}
