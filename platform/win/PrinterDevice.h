#pragma once
// What a printer device context holds: its queue, device mode and, between
// StartDoc and EndDoc, the PDF document its pages are painted on. Internal.

#include "platform/win/WinSpool.h"

#include <QPageLayout>
#include <QRegion>
#include <QString>

#include <memory>
#include <optional>
#include <string>

class QPainter;
class QPdfWriter;
class QTemporaryFile;
struct cups_option_s;

namespace win
{

struct CupsCalls;

// Printer pages are laid out at this resolution in both directions.
inline constexpr int PrinterDpi = 600;

QString FromAnsi(LPCSTR Text);
void ToAnsi(const QString &Text, LPSTR Out, std::size_t Size);

// Whether the print service lists the queue; false when it does not answer in time.
bool KnownQueue(const QString &Queue);
// The queue's own defaults: its default paper, portrait, one copy, automatic bin.
DEVMODEA DefaultDevMode(const QString &Queue);
QPageLayout PageLayoutOf(const DEVMODEA &Mode);

// How a job handed to the print service ended.
enum class JobOutcome {
    Sent,
    NotSent,
    // The service stopped answering once it held the job: it may print it or not.
    Unknown,
    // The user gave up waiting for the service: the job may print or not.
    Cancelled,
};

// Sends a finished PDF file to the queue as one job, with the mode's copies and sides.
JobOutcome SubmitPdf(const QString &Queue, const QString &Title, const DEVMODEA &Mode,
                     const QString &File);
// Ends the document of the job being sent on this thread's connection to Queue; whether the
// service confirmed it. The library's own ending reports the status of the request before
// when the service never answers this one.
bool FinishDocument(const CupsCalls &Cups, const std::string &Queue);

// The CUPS options a job takes from a device mode (copies, sides).
class JobOptions
{
public:
    JobOptions(const CupsCalls &Cups, const DEVMODEA &Mode);
    ~JobOptions();
    JobOptions(const JobOptions &) = delete;
    JobOptions &operator=(const JobOptions &) = delete;
    int Count() const { return FCount; }
    cups_option_s *Options() const { return FOptions; }

private:
    const CupsCalls &FCups;
    int FCount = 0;
    cups_option_s *FOptions = nullptr;
};

struct PrinterDevice {
    PrinterDevice();
    ~PrinterDevice();

    QString Queue;
    bool Information = false;
    // The document: pages painted on a PDF, kept in a temporary file until it
    // goes to the queue, or replaces Output.
    std::unique_ptr<QPdfWriter> Writer;
    std::unique_ptr<QPainter> Painter;
    std::unique_ptr<QTemporaryFile> Spool;
    QString Output;
    QString Title;
    bool InPage = false;
    int Pages = 0;

    bool InDocument() const { return Painter != nullptr || Writer != nullptr; }
    // The painter of the page being drawn, null outside a page.
    QPainter *Page() const { return InPage ? Painter.get() : nullptr; }

    const DEVMODEA &Mode() const { return FMode; }
    void SetMode(const DEVMODEA &Mode);
    // The paper of the next or current page, and its size in device pixels.
    const QPageLayout &Layout() const { return FLayout; }
    QSize PagePixels() const { return FPixels; }

    // Begins a page on the document, the painter set as every page starts.
    bool BeginPage();
    // The page's painter as each drawing starts from it: no transform, plain composition,
    // cut to Clip (nothing cut without one). The painter keeps what a drawing left; only
    // what differs is changed, as each change makes the PDF restate its graphics state.
    QPainter &Drawing(const QRegion *Clip);
    void CloseDocument();

private:
    DEVMODEA FMode{};
    QPageLayout FLayout;
    QSize FPixels;
    // The clip the page's painter has now; none when it draws uncut.
    std::optional<QRegion> FClip;
};

} // namespace win
