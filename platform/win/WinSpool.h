#pragma once
// Printers and the spooler: the system's print queues (CUPS), their device
// modes and capabilities, printer device contexts and raw jobs. Names are in
// the program's code page; a queue's name is its CUPS name.
//
// A printer device context draws through QPainter on a PDF page, so text stays
// text and lines stay vectors; EndDoc hands the PDF to the queue, or leaves it
// in the document's output file. Pages always span the whole paper: the
// physical offsets are 0.

#include "platform/win/WinTypes.h"

#include <chrono>
#include <functional>
#include <memory>

struct MSG;

constexpr int CCHDEVICENAME = 32;
constexpr int CCHFORMNAME = 32;

// The device mode fields the program reads and writes; dmFields marks the set ones.
struct DEVMODEA {
    CHAR dmDeviceName[CCHDEVICENAME];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    short dmOrientation;
    short dmPaperSize;
    short dmPaperLength; // tenths of a millimetre
    short dmPaperWidth;
    short dmScale;
    short dmCopies;
    short dmDefaultSource;
    short dmPrintQuality;
    short dmColor;
    short dmDuplex;
    short dmYResolution;
    short dmTTOption;
    short dmCollate;
    CHAR dmFormName[CCHFORMNAME];
};
using PDEVMODEA = DEVMODEA *;
using LPDEVMODEA = DEVMODEA *;
using DEVMODE = DEVMODEA;

constexpr DWORD DM_ORIENTATION = 0x00000001;
constexpr DWORD DM_PAPERSIZE = 0x00000002;
constexpr DWORD DM_PAPERLENGTH = 0x00000004;
constexpr DWORD DM_PAPERWIDTH = 0x00000008;
constexpr DWORD DM_COPIES = 0x00000100;
constexpr DWORD DM_DEFAULTSOURCE = 0x00000200;
constexpr DWORD DM_PRINTQUALITY = 0x00000400;
constexpr DWORD DM_DUPLEX = 0x00001000;
constexpr DWORD DM_YRESOLUTION = 0x00002000;

constexpr short DMORIENT_PORTRAIT = 1;
constexpr short DMORIENT_LANDSCAPE = 2;
constexpr short DMPAPER_A4 = 9;
constexpr short DMPAPER_USER = 256;
constexpr short DMBIN_AUTO = 7;
constexpr short DMDUP_SIMPLEX = 1;
constexpr short DMDUP_VERTICAL = 2;
constexpr short DMDUP_HORIZONTAL = 3;

// DocumentProperties modes.
constexpr DWORD DM_OUT_BUFFER = 2;
constexpr DWORD DM_IN_PROMPT = 4;
constexpr DWORD DM_IN_BUFFER = 8;

// DeviceCapabilities.
constexpr WORD DC_PAPERS = 2;
constexpr WORD DC_BINS = 6;
constexpr WORD DC_PAPERNAMES = 16;
constexpr WORD DC_BINNAMES = 12;

// EnumPrinters.
constexpr DWORD PRINTER_ENUM_LOCAL = 0x00000002;
constexpr DWORD PRINTER_ENUM_CONNECTIONS = 0x00000004;

struct PRINTER_INFO_4A {
    LPSTR pPrinterName;
    LPSTR pServerName;
    DWORD Attributes;
};

struct DOCINFOA {
    int cbSize;
    LPCSTR lpszDocName;
    LPCSTR lpszOutput; // a file to write the document to instead of the queue
    LPCSTR lpszDatatype;
    DWORD fwType;
};

struct DOC_INFO_1A {
    LPSTR pDocName;
    LPSTR pOutputFile;
    LPSTR pDatatype;
};

constexpr int SP_ERROR = -1;

// Level 4 only: the queues in the order CUPS lists them, server names empty.
BOOL EnumPrintersA(DWORD Flags, LPSTR Name, DWORD Level, LPBYTE Buffer, DWORD BufferSize,
                   LPDWORD Needed, LPDWORD Returned);
// The system's default queue (CUPS, with lpoptions and $PRINTER); FALSE without one.
BOOL GetDefaultPrinterA(LPSTR Buffer, LPDWORD Size);

BOOL OpenPrinterA(LPSTR PrinterName, HANDLE *Printer, void *Defaults);
BOOL ClosePrinter(HANDLE Printer);
// Size query (Out null), the queue's defaults, or a page set-up dialog (DM_IN_PROMPT,
// IDOK or IDCANCEL).
LONG DocumentPropertiesA(HWND Owner, HANDLE Printer, LPSTR DeviceName, PDEVMODEA Out, PDEVMODEA In,
                         DWORD Mode);
// Papers as 16-bit numbers (DC_PAPERS) and 64-character names; the count when
// Output is null, -1 for an unknown queue. No bin names come from CUPS queues.
int DeviceCapabilitiesA(LPCSTR Device, LPCSTR Port, WORD Capability, LPSTR Output,
                        const DEVMODEA *DevMode);

// Driver is ignored; Device names the queue. Without a queue (empty Device) the
// context prints only to an output file. An information context answers
// GetDeviceCaps and measures text but draws nothing.
HDC CreateDCA(LPCSTR Driver, LPCSTR Device, LPCSTR Output, const DEVMODEA *DevMode);
HDC CreateICA(LPCSTR Driver, LPCSTR Device, LPCSTR Output, const DEVMODEA *DevMode);
// The next page uses the new paper and orientation.
HDC ResetDCA(HDC Dc, const DEVMODEA *DevMode);
int StartDocA(HDC Dc, const DOCINFOA *Info);
int StartPage(HDC Dc);
int EndPage(HDC Dc);
// On failure the last error is ERROR_TIMEOUT when the print service stopped answering once it
// held the job, so that it may yet print.
int EndDoc(HDC Dc);
// Drops the document: nothing reaches the queue or the output file.
int AbortDoc(HDC Dc);

// Raw jobs: the bytes go to the queue unfiltered.
DWORD StartDocPrinterA(HANDLE Printer, DWORD Level, LPBYTE DocInfo);
BOOL StartPagePrinter(HANDLE Printer);
BOOL WritePrinter(HANDLE Printer, LPVOID Buf, DWORD Count, LPDWORD Written);
BOOL EndPagePrinter(HANDLE Printer);
BOOL EndDocPrinter(HANDLE Printer);
BOOL AbortPrinter(HANDLE Printer);

namespace win
{
// Where the print service's scheduler stands when no printer is listed: the user is to be told to
// add a printer, to start the service, or to restart one that takes connections and says nothing.
enum class PrintServiceState { Answering, NotRunning, NotAnswering };
// Asks the scheduler, as long as a printer question waits for it; an answer of any kind is
// Answering, no connection at all NotRunning.
PrintServiceState PrintServiceNow();
// Takes a message of the cancel box before it is dispatched, as the program's own loop would (the
// keys its form takes as dialog keys: Escape for Cancel); true when it was taken.
using PrintCancelRouter = std::function<bool(MSG &Msg)>;
// Makes the cancel box say that the program waits for the print service.
using PrintWaitTeller = std::function<void()>;
// A box whose Cancel may end this thread's waits for the print service while it prints: while
// it is set, such a wait handles the input of Window and of the windows in it, each message
// offered to Route first, and one that has gone on for PrintWaitBoxDelay calls TellWait.
void SetPrintCancelWindow(HWND Window, PrintCancelRouter Route, PrintWaitTeller TellWait);
// Forgets Window as that box, if it is.
void ClearPrintCancelWindow(HWND Window);
// From a handler of that box: the wait ends at once, and so does every later one while the box
// is set. A question given up so finds nothing (no printer, no queue); a job is taken back where
// the service still answers, and EndDoc fails with ERROR_CANCELLED, the document maybe not
// printed.
void CancelPrintWait();

// Whether the user cancelled a wait of this thread for the print service since the watch began:
// a wait the user ended is no service that did not answer.
class PrintWaitWatch
{
public:
    PrintWaitWatch();
    bool Cancelled() const;

private:
    unsigned FCancelledBefore;
};

// A box that shows a wait for the print service while it lives: made when a wait with no cancel
// box set has gone on for PrintWaitBoxDelay, it sets itself as the cancel box and must handle
// no other message of the queue meanwhile.
class PrintWaitBox
{
public:
    virtual ~PrintWaitBox() = default;
};
using PrintWaitBoxFactory = std::function<std::unique_ptr<PrintWaitBox>()>;
// Short enough that the user sees at once what is waited for, long enough that an answer in
// the usual time shows no box.
inline constexpr std::chrono::milliseconds PrintWaitBoxDelay{500};
// Installed by the library that has such a box; without one a wait shows the pointer alone.
void SetPrintWaitBoxFactory(PrintWaitBoxFactory Factory);
} // namespace win
