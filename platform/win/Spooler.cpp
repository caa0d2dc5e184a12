#include "platform/win/PrinterDevice.h"

#include "platform/rtl/System.h"
#include "platform/win/CupsLibrary.h"
#include "platform/win/HandleTable.h"
#include "platform/win/PrintService.h"

#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cstring>

namespace win
{

QString FromAnsi(LPCSTR Text)
{
    return Text ? QString::fromStdU16String(WideString(AnsiString(Text)).Std()) : QString();
}

void ToAnsi(const QString &Text, LPSTR Out, std::size_t Size)
{
    if (!Out || Size == 0) return;
    const AnsiString Ansi(WideString(Text.toStdU16String()));
    const std::size_t N = std::min(Size - 1, static_cast<std::size_t>(Ansi.Length()));
    std::memcpy(Out, Ansi.c_str(), N);
    Out[N] = 0;
}

namespace
{

// What a device mode takes from the queue's own settings.
struct QueueDefaults {
    int Paper = 0;
    QPrinter::DuplexMode Duplex = QPrinter::DuplexNone;
};

// The queues the print service lists; none when it does not answer in time.
QStringList QueueNames()
{
    return AskPrintService([] { return QPrinterInfo::availablePrinterNames(); })
        .value_or(QStringList());
}

} // namespace

bool KnownQueue(const QString &Queue)
{
    return !Queue.isEmpty() && QueueNames().contains(Queue);
}

DEVMODEA DefaultDevMode(const QString &Queue)
{
    DEVMODEA Mode{};
    ToAnsi(Queue, Mode.dmDeviceName, sizeof Mode.dmDeviceName);
    Mode.dmSize = sizeof(DEVMODEA);
    Mode.dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_DEFAULTSOURCE | DM_PRINTQUALITY |
                    DM_YRESOLUTION;
    Mode.dmOrientation = DMORIENT_PORTRAIT;
    // A queue the service does not describe in time prints on A4, one-sided.
    const QueueDefaults Defaults =
        AskPrintService([Queue] {
            const QPrinterInfo Info = QPrinterInfo::printerInfo(Queue);
            return Info.isNull() ? QueueDefaults{}
                                 : QueueDefaults{Info.defaultPageSize().windowsId(),
                                                 Info.defaultDuplexMode()};
        }).value_or(QueueDefaults{});
    Mode.dmPaperSize = static_cast<short>(Defaults.Paper > 0 ? Defaults.Paper : DMPAPER_A4);
    Mode.dmCopies = 1;
    Mode.dmDefaultSource = DMBIN_AUTO;
    Mode.dmPrintQuality = PrinterDpi;
    Mode.dmYResolution = PrinterDpi;
    Mode.dmDuplex = DMDUP_SIMPLEX;
    if (Defaults.Duplex == QPrinter::DuplexLongSide)
        Mode.dmDuplex = DMDUP_VERTICAL;
    else if (Defaults.Duplex == QPrinter::DuplexShortSide)
        Mode.dmDuplex = DMDUP_HORIZONTAL;
    return Mode;
}

QPageLayout PageLayoutOf(const DEVMODEA &Mode)
{
    QPageSize Size;
    if (Mode.dmPaperSize == DMPAPER_USER && Mode.dmPaperWidth > 0 && Mode.dmPaperLength > 0)
        Size = QPageSize(QSizeF(Mode.dmPaperWidth / 10.0, Mode.dmPaperLength / 10.0),
                         QPageSize::Millimeter);
    else
        Size = QPageSize(QPageSize::id(Mode.dmPaperSize));
    if (!Size.isValid() || (Size.id() == QPageSize::Custom && Mode.dmPaperSize != DMPAPER_USER))
        Size = QPageSize(QPageSize::A4);
    const auto Orientation =
        Mode.dmOrientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape : QPageLayout::Portrait;
    return QPageLayout(Size, Orientation, QMarginsF(), QPageLayout::Millimeter);
}

JobOptions::JobOptions(const CupsCalls &Cups, const DEVMODEA &Mode) : FCups(Cups)
{
    const int Copies = (Mode.dmFields & DM_COPIES) && Mode.dmCopies > 1 ? Mode.dmCopies : 1;
    // Always said, so that a queue default of several copies cannot multiply ours.
    FCount = FCups.AddOption("copies", std::to_string(Copies).c_str(), FCount, &FOptions);
    const char *Sides = "one-sided";
    if ((Mode.dmFields & DM_DUPLEX) && Mode.dmDuplex == DMDUP_VERTICAL)
        Sides = "two-sided-long-edge";
    else if ((Mode.dmFields & DM_DUPLEX) && Mode.dmDuplex == DMDUP_HORIZONTAL)
        Sides = "two-sided-short-edge";
    FCount = FCups.AddOption("sides", Sides, FCount, &FOptions);
}

JobOptions::~JobOptions()
{
    FCups.FreeOptions(FCount, FOptions);
}

bool FinishDocument(const CupsCalls &Cups, const std::string &Queue)
{
    const std::string Resource = "/printers/" + Queue;
    ipp_t *Answer = Cups.GetResponse(CUPS_HTTP_DEFAULT, Resource.c_str());
    const bool Confirmed = Answer && Cups.StatusCode(Answer) <= IPP_STATUS_OK_EVENTS_COMPLETE;
    Cups.DeleteAnswer(Answer);
    return Confirmed;
}

namespace
{

// An open printer: its queue and the raw job being written to it.
struct OpenPrinter {
    QString Queue;
    int Job = 0;
    // The library the job went through.
    const CupsCalls *Cups = nullptr;
};

THandleTable<HANDLE, OpenPrinter> &Printers()
{
    return ProcessWideTable<HANDLE, OpenPrinter, 0x50000>();
}

OpenPrinter *FindPrinter(HANDLE Handle)
{
    return Printers().Find(Handle);
}

// Paper numbers the queue offers, each once, with their names; none when the service does
// not say in time.
std::vector<QPageSize> QueuePapers(const QString &Queue)
{
    const QList<QPageSize> Offered =
        AskPrintService([Queue] {
            return QPrinterInfo::printerInfo(Queue).supportedPageSizes();
        }).value_or(QList<QPageSize>());
    std::vector<QPageSize> Papers;
    for (const QPageSize &Size : Offered) {
        const int Id = Size.windowsId();
        if (Id <= 0 || Id == DMPAPER_USER) continue;
        if (std::none_of(Papers.begin(), Papers.end(),
                         [&](const QPageSize &S) { return S.windowsId() == Id; }))
            Papers.push_back(Size);
    }
    return Papers;
}

} // namespace
} // namespace win

using namespace win;

BOOL EnumPrintersA(DWORD, LPSTR, DWORD Level, LPBYTE Buffer, DWORD BufferSize, LPDWORD Needed,
                   LPDWORD Returned)
{
    if (Level != 4 || !Needed || !Returned) return FALSE;
    std::vector<std::string> Names;
    for (const QString &Name : QueueNames())
        Names.push_back(AnsiString(WideString(Name.toStdU16String())).ToStd());
    std::size_t Size = Names.size() * sizeof(PRINTER_INFO_4A);
    for (const std::string &Name : Names)
        Size += Name.size() + 1;
    *Needed = static_cast<DWORD>(Size);
    *Returned = 0;
    if (!Buffer || BufferSize < Size) return Names.empty();
    auto *Info = reinterpret_cast<PRINTER_INFO_4A *>(Buffer);
    auto *Text = reinterpret_cast<char *>(Buffer + Names.size() * sizeof(PRINTER_INFO_4A));
    static char Empty[] = "";
    for (const std::string &Name : Names) {
        std::memcpy(Text, Name.c_str(), Name.size() + 1);
        *Info++ = PRINTER_INFO_4A{Text, Empty, 0};
        Text += Name.size() + 1;
    }
    *Returned = static_cast<DWORD>(Names.size());
    return TRUE;
}

BOOL GetDefaultPrinterA(LPSTR Buffer, LPDWORD Size)
{
    if (!Size) return FALSE;
    const QString Name =
        AskPrintService([] { return QPrinterInfo::defaultPrinterName(); }).value_or(QString());
    if (Name.isEmpty()) return FALSE;
    const AnsiString Ansi(WideString(Name.toStdU16String()));
    const DWORD Need = static_cast<DWORD>(Ansi.Length()) + 1;
    if (!Buffer || *Size < Need) {
        *Size = Need;
        return FALSE;
    }
    std::memcpy(Buffer, Ansi.c_str(), Need);
    *Size = Need;
    return TRUE;
}

BOOL OpenPrinterA(LPSTR PrinterName, HANDLE *Printer, void *)
{
    if (!Printer) return FALSE;
    *Printer = nullptr;
    const QString Queue = FromAnsi(PrinterName);
    if (!KnownQueue(Queue)) return FALSE;
    auto P = std::make_unique<OpenPrinter>();
    P->Queue = Queue;
    *Printer = Printers().Add(std::move(P));
    return TRUE;
}

BOOL ClosePrinter(HANDLE Printer)
{
    if (OpenPrinter *P = FindPrinter(Printer); P && P->Job) AbortPrinter(Printer);
    return Printers().Remove(Printer) ? TRUE : FALSE;
}

LONG DocumentPropertiesA(HWND, HANDLE Printer, LPSTR, PDEVMODEA Out, PDEVMODEA In, DWORD Mode)
{
    const OpenPrinter *P = FindPrinter(Printer);
    if (!P) return -1;
    if (!Out && !(Mode & DM_IN_PROMPT)) return sizeof(DEVMODEA);
    DEVMODEA Result = (Mode & DM_IN_BUFFER) && In ? *In : DefaultDevMode(P->Queue);
    LONG Answer = 1; // IDOK
    if (Mode & DM_IN_PROMPT) {
        // Qt asks the service about the queue again, on this thread: only while it answers.
        if (!KnownQueue(P->Queue)) return -1;
        QPrinter Device(QPrinterInfo::printerInfo(P->Queue));
        Device.setPageLayout(PageLayoutOf(Result));
        QPageSetupDialog Dialog(&Device);
        if (Dialog.exec() == QDialog::Accepted) {
            const QPageLayout Layout = Device.pageLayout();
            const int Id = Layout.pageSize().windowsId();
            Result.dmPaperSize = static_cast<short>(Id > 0 ? Id : DMPAPER_USER);
            const QSizeF Mm = Layout.pageSize().size(QPageSize::Millimeter);
            Result.dmPaperWidth = static_cast<short>(qRound(Mm.width() * 10));
            Result.dmPaperLength = static_cast<short>(qRound(Mm.height() * 10));
            Result.dmOrientation = Layout.orientation() == QPageLayout::Landscape
                                       ? DMORIENT_LANDSCAPE
                                       : DMORIENT_PORTRAIT;
            Result.dmFields |= DM_ORIENTATION | DM_PAPERSIZE;
        } else {
            Answer = 2; // IDCANCEL
        }
    }
    if (Out && (Mode & DM_OUT_BUFFER) && Answer == 1) *Out = Result;
    return Answer;
}

int DeviceCapabilitiesA(LPCSTR Device, LPCSTR, WORD Capability, LPSTR Output, const DEVMODEA *)
{
    const QString Queue = FromAnsi(Device);
    if (!KnownQueue(Queue)) return -1;
    switch (Capability) {
    case DC_PAPERS:
    case DC_PAPERNAMES: {
        const std::vector<QPageSize> Papers = QueuePapers(Queue);
        if (Output)
            for (std::size_t I = 0; I < Papers.size(); ++I) {
                if (Capability == DC_PAPERS) {
                    const WORD Id = static_cast<WORD>(Papers[I].windowsId());
                    std::memcpy(Output + I * sizeof(WORD), &Id, sizeof Id);
                } else {
                    ToAnsi(Papers[I].name(), Output + I * 64, 64);
                }
            }
        return static_cast<int>(Papers.size());
    }
    case DC_BINS:
    case DC_BINNAMES:
        return 0;
    default:
        return -1;
    }
}

DWORD StartDocPrinterA(HANDLE Printer, DWORD Level, LPBYTE DocInfo)
{
    OpenPrinter *P = FindPrinter(Printer);
    if (!P || Level != 1 || !DocInfo || P->Job) return 0;
    const auto *Info = reinterpret_cast<const DOC_INFO_1A *>(DocInfo);
    // The job itself talks to the service on this thread: only while it answers.
    if (!KnownQueue(P->Queue)) return 0;
    const CupsCalls *Cups = win::Cups();
    if (!Cups) return 0;
    const std::string Queue = P->Queue.toStdString();
    const std::string Title = FromAnsi(Info->pDocName).toStdString();
    const JobOptions Options(*Cups, DEVMODEA{});
    const int Job = Cups->CreateJob(CUPS_HTTP_DEFAULT, Queue.c_str(), Title.c_str(),
                                    Options.Count(), Options.Options());
    if (Job <= 0) return 0;
    if (Cups->StartDocument(CUPS_HTTP_DEFAULT, Queue.c_str(), Job, Title.c_str(), CUPS_FORMAT_RAW,
                            1) != HTTP_STATUS_CONTINUE) {
        Cups->CancelJob2(CUPS_HTTP_DEFAULT, Queue.c_str(), Job, 1);
        return 0;
    }
    P->Job = Job;
    P->Cups = Cups;
    return static_cast<DWORD>(Job);
}

// Pages mean nothing to a raw stream.
BOOL StartPagePrinter(HANDLE Printer)
{
    const OpenPrinter *P = FindPrinter(Printer);
    return P && P->Job;
}

BOOL EndPagePrinter(HANDLE Printer)
{
    return StartPagePrinter(Printer);
}

BOOL WritePrinter(HANDLE Printer, LPVOID Buf, DWORD Count, LPDWORD Written)
{
    if (Written) *Written = 0;
    const OpenPrinter *P = FindPrinter(Printer);
    if (!P || !P->Job || (!Buf && Count)) return FALSE;
    if (P->Cups->WriteRequestData(CUPS_HTTP_DEFAULT, static_cast<const char *>(Buf), Count) !=
        HTTP_STATUS_CONTINUE)
        return FALSE;
    if (Written) *Written = Count;
    return TRUE;
}

BOOL EndDocPrinter(HANDLE Printer)
{
    OpenPrinter *P = FindPrinter(Printer);
    if (!P || !P->Job) return FALSE;
    P->Job = 0;
    return FinishDocument(*P->Cups, P->Queue.toStdString());
}

BOOL AbortPrinter(HANDLE Printer)
{
    OpenPrinter *P = FindPrinter(Printer);
    if (!P || !P->Job) return FALSE;
    const std::string Queue = P->Queue.toStdString();
    P->Cups->FinishDocument(CUPS_HTTP_DEFAULT, Queue.c_str());
    P->Cups->CancelJob2(CUPS_HTTP_DEFAULT, Queue.c_str(), P->Job, 1);
    P->Job = 0;
    return TRUE;
}
