#include "platform/rtl/AtomicFile.h"
#include "platform/win/CupsLibrary.h"
#include "platform/win/DeviceContext.h"
#include "platform/win/KernelObjects.h"
#include "platform/win/PrintService.h"
#include "platform/win/PrinterDevice.h"

#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryFile>

#include <atomic>
#include <fstream>
#include <memory>
#include <vector>

namespace win
{

PrinterDevice::PrinterDevice() = default;
PrinterDevice::~PrinterDevice()
{
    CloseDocument();
}

// Every drawing asks for the page size: it is worked out once per paper.
void PrinterDevice::SetMode(const DEVMODEA &Mode)
{
    FMode = Mode;
    FLayout = PageLayoutOf(Mode);
    // From millimetres: the layout's own pixel sizes are rounded to whole points first.
    const QSizeF Mm = FLayout.fullRect(QPageLayout::Millimeter).size();
    FPixels =
        QSize(qRound(Mm.width() / 25.4 * PrinterDpi), qRound(Mm.height() / 25.4 * PrinterDpi));
}

bool PrinterDevice::BeginPage()
{
    // Paper and orientation must be set before the page begins.
    Writer->setPageLayout(FLayout);
    if (!Painter) {
        Painter = std::make_unique<QPainter>();
        if (!Painter->begin(Writer.get())) {
            Painter.reset();
            return false;
        }
        Painter->setRenderHint(QPainter::Antialiasing, false);
        // Pictures keep their pixels: stored without loss, not blurred when enlarged.
        Painter->setRenderHint(QPainter::SmoothPixmapTransform, false);
        Painter->setRenderHint(QPainter::LosslessImageRendering, true);
    } else if (!Writer->newPage()) {
        return false;
    }
    InPage = true;
    ++Pages;
    return true;
}

QPainter &PrinterDevice::Drawing(const QRegion *Clip)
{
    if (!Clip && FClip) {
        Painter->setClipping(false);
        FClip.reset();
    } else if (Clip && FClip != *Clip) {
        Painter->setClipRegion(*Clip);
        FClip = *Clip;
    }
    if (!Painter->transform().isIdentity()) Painter->resetTransform();
    if (Painter->compositionMode() != QPainter::CompositionMode_SourceOver)
        Painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    return *Painter;
}

void PrinterDevice::CloseDocument()
{
    InPage = false;
    FClip.reset();
    if (Painter && Painter->isActive()) Painter->end();
    Painter.reset();
    Writer.reset();
    Spool.reset();
}

namespace
{

// One PDF job's conversation with the print service, held by the caller and by the thread
// that talks, which may go on after the caller stopped waiting.
class PdfJob
{
public:
    PdfJob(const CupsCalls &Cups, const QString &Queue, const QString &Title, std::ifstream Pdf)
        : FCups(Cups), FQueue(Queue.toStdString()), FTitle(Title.toStdString()),
          FPdf(std::move(Pdf))
    {
    }

    void Run(PrintErrand &Errand, const DEVMODEA &Mode)
    {
        const JobOptions Options(FCups, Mode);
        const int Job = FCups.CreateJob(CUPS_HTTP_DEFAULT, FQueue.c_str(), FTitle.c_str(),
                                        Options.Count(), Options.Options());
        if (Job <= 0) return;
        FCreated = true;
        if (Send(Errand, Job)) {
            FOutcome = JobOutcome::Sent;
            return;
        }
        // A job the service takes back will not print; one it cannot take back might.
        if (FCups.CancelJob2(CUPS_HTTP_DEFAULT, FQueue.c_str(), Job, 1) == IPP_STATUS_OK)
            FOutcome = JobOutcome::NotSent;
        else
            FOutcome = JobOutcome::Unknown;
    }

    // Where the conversation ended; for a caller that gave up, whether the service holds a
    // job that might print.
    JobOutcome Outcome(bool Answered) const
    {
        if (Answered) return FOutcome;
        return FCreated ? JobOutcome::Unknown : JobOutcome::NotSent;
    }

private:
    // The document, stopped where the caller gave up: what went out is taken back.
    bool Send(PrintErrand &Errand, int Job)
    {
        bool Sent = FCups.StartDocument(CUPS_HTTP_DEFAULT, FQueue.c_str(), Job, FTitle.c_str(),
                                        CUPS_FORMAT_PDF, 1) == HTTP_STATUS_CONTINUE;
        std::vector<char> Chunk(1 << 16);
        while (Sent && !Errand.GivenUp() && FPdf.read(Chunk.data(), std::ssize(Chunk)).gcount()) {
            Sent =
                FCups.WriteRequestData(CUPS_HTTP_DEFAULT, Chunk.data(),
                                       static_cast<size_t>(FPdf.gcount())) == HTTP_STATUS_CONTINUE;
            Errand.StillAnswering();
        }
        Sent = Sent && !Errand.GivenUp() && !FPdf.bad();
        if (Sent) return FinishDocument(FCups, FQueue);
        FCups.FinishDocument(CUPS_HTTP_DEFAULT, FQueue.c_str());
        return false;
    }

    const CupsCalls &FCups;
    const std::string FQueue;
    const std::string FTitle;
    std::ifstream FPdf;
    std::atomic<bool> FCreated{false};
    JobOutcome FOutcome = JobOutcome::NotSent;
};

} // namespace

JobOutcome SubmitPdf(const QString &Queue, const QString &Title, const DEVMODEA &Mode,
                     const QString &File)
{
    const CupsCalls *Cups = win::Cups();
    std::ifstream Pdf(File.toStdString(), std::ios::binary);
    if (!Cups || !Pdf) return JobOutcome::NotSent;
    // The service is talked to off this thread, which paints meanwhile: one that stops
    // answering half-way through a job would hold it a minute and then report success.
    auto Job = std::make_shared<PdfJob>(*Cups, Queue, Title, std::move(Pdf));
    const WaitEnd End =
        AskCancellably([Job, Mode](PrintErrand &Errand) { Job->Run(Errand, Mode); });
    if (End == WaitEnd::Cancelled) return JobOutcome::Cancelled;
    return Job->Outcome(End == WaitEnd::Answered);
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
    if (!Queue.isEmpty() && !KnownQueue(Queue)) return {};
    auto Print = std::make_shared<PrinterDevice>();
    Print->Queue = Queue;
    Print->SetMode(DevMode ? *DevMode : DefaultDevMode(Queue));
    Print->Information = Information;
    const HDC Dc = NewDc(DcKind::Printer, {});
    DeviceContext *D = FindDc(Dc);
    D->Print = std::move(Print);
    D->Dpi = PrinterDpi;
    return Dc;
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
    P->SetMode(*DevMode);
    return Dc;
}

int StartDocA(HDC Dc, const DOCINFOA *Info)
{
    PrinterDevice *P = DeviceOf(Dc);
    if (!P || P->Information || P->InDocument()) return SP_ERROR;
    P->Title = Info ? FromAnsi(Info->lpszDocName) : QString();
    P->Output = Info ? FromAnsi(Info->lpszOutput) : QString();
    if (P->Output.isEmpty() && P->Queue.isEmpty()) return SP_ERROR;
    // The document is spooled whole before it goes to the queue or replaces the file the
    // user chose, so a print that fails or is aborted leaves that file as it was.
    P->Spool = std::make_unique<QTemporaryFile>();
    if (!P->Spool->open()) {
        P->Spool.reset();
        return SP_ERROR;
    }
    // A plain PDF writer: a system printer object would ask the scheduler about the default
    // queue and fetch its driver file for every document.
    P->Writer = std::make_unique<QPdfWriter>(P->Spool.get());
    P->Writer->setResolution(PrinterDpi);
    P->Writer->setTitle(P->Title);
    P->Writer->setCreator(P->Title);
    P->Pages = 0;
    return 1;
}

int StartPage(HDC Dc)
{
    PrinterDevice *P = DeviceOf(Dc);
    if (!P || !P->Writer || P->InPage) return SP_ERROR;
    return P->BeginPage() ? 1 : SP_ERROR;
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
    if (!P || !P->Writer) return SP_ERROR;
    P->InPage = false;
    // A document without a page still makes a (blank) page, as a printer would eject one.
    if (!P->Painter) {
        P->Painter = std::make_unique<QPainter>();
        P->Writer->setPageLayout(P->Layout());
        P->Painter->begin(P->Writer.get());
    }
    // The writer leaves its device open, with the end of the document still in its buffer.
    const bool Written =
        P->Painter->end() && P->Spool->flush() && P->Spool->error() == QFileDevice::NoError;
    const QString Spooled = P->Spool->fileName();
    JobOutcome Outcome = JobOutcome::NotSent;
    if (Written && P->Output.isEmpty())
        Outcome = SubmitPdf(P->Queue, P->Title, P->Mode(), Spooled);
    else if (Written &&
             rtl::ReplaceFileContentFrom(P->Output.toStdString(), Spooled.toStdString()) == 0)
        Outcome = JobOutcome::Sent;
    P->CloseDocument();
    if (Outcome == JobOutcome::Sent) return 1;
    SetLastError(Outcome == JobOutcome::Unknown     ? ERROR_TIMEOUT
                 : Outcome == JobOutcome::Cancelled ? ERROR_CANCELLED
                                                    : ERROR_GEN_FAILURE);
    return SP_ERROR;
}

int AbortDoc(HDC Dc)
{
    PrinterDevice *P = DeviceOf(Dc);
    if (!P || !P->Writer) return SP_ERROR;
    P->CloseDocument();
    return 1;
}
