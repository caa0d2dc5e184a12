#pragma once
// What a printer device context holds: its queue, device mode and, between
// StartDoc and EndDoc, the PDF document its pages are painted on. Internal.

#include "platform/win/WinSpool.h"

#include <QPageLayout>
#include <QString>

#include <memory>

class QPainter;
class QPrinter;
class QTemporaryFile;
struct cups_option_s;

namespace win
{

// Printer pages are laid out at this resolution in both directions.
inline constexpr int PrinterDpi = 600;

QString FromAnsi(LPCSTR Text);
void ToAnsi(const QString &Text, LPSTR Out, std::size_t Size);

// The queue's own defaults: its default paper, portrait, one copy, automatic bin.
DEVMODEA DefaultDevMode(const QString &Queue);
QPageLayout PageLayoutOf(const DEVMODEA &Mode);

// The CUPS options a job takes from a device mode (copies, sides).
class JobOptions
{
public:
    explicit JobOptions(const DEVMODEA &Mode);
    ~JobOptions();
    JobOptions(const JobOptions &) = delete;
    JobOptions &operator=(const JobOptions &) = delete;
    int Count() const { return FCount; }
    cups_option_s *Options() const { return FOptions; }

private:
    int FCount = 0;
    cups_option_s *FOptions = nullptr;
};

struct PrinterDevice {
    PrinterDevice();
    ~PrinterDevice();

    QString Queue;
    DEVMODEA Mode{};
    bool Information = false;
    // The document: pages painted on a PDF, kept in a temporary file until it
    // goes to the queue, or written to Output.
    std::unique_ptr<QPrinter> Printer;
    std::unique_ptr<QPainter> Painter;
    std::unique_ptr<QTemporaryFile> Spool;
    QString Output;
    QString Title;
    bool InPage = false;
    int Pages = 0;

    bool InDocument() const { return Painter != nullptr || Printer != nullptr; }
    // The painter of the page being drawn, null outside a page.
    QPainter *Page() const { return InPage ? Painter.get() : nullptr; }
    // The whole paper of the next or current page in device pixels.
    QSize PagePixels() const;
    void CloseDocument();
};

} // namespace win
