#include "platform/vcl/Printers.h"

#include "platform/win/WinGdi.h"

#include <vector>

namespace
{

std::unique_ptr<TPrinter> &GlobalPrinter()
{
    static std::unique_ptr<TPrinter> printer;
    return printer;
}

void Check(bool Ok, const char *Message)
{
    if (!Ok) throw EPrinter(Message);
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
        DWORD needed = 0, count = 0;
        EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4, nullptr, 0,
                      &needed, &count);
        std::vector<BYTE> buffer(needed);
        if (needed && EnumPrintersA(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 4,
                                    buffer.data(), needed, &needed, &count)) {
            const auto *info = reinterpret_cast<const PRINTER_INFO_4A *>(buffer.data());
            for (DWORD i = 0; i < count; ++i)
                FPrinters->Add(info[i].pPrinterName);
        }
    }
    return FPrinters.get();
}

void TPrinter::Refresh()
{
    if (Printing()) return;
    const AnsiString chosen = FPrinterIndex < 0 ? AnsiString() : PrinterName();
    FPrinters.reset();
    FPaperNames.reset();
    FPrinterIndex = chosen.IsEmpty() ? -1 : Printers()->IndexOf(chosen);
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
    DWORD size = 0;
    GetDefaultPrinterA(nullptr, &size);
    if (size == 0) return AnsiString();
    std::vector<char> name(size);
    return GetDefaultPrinterA(name.data(), &size) ? AnsiString(name.data()) : AnsiString();
}

AnsiString TPrinter::PrinterName()
{
    return FPrinterIndex < 0 ? DefaultPrinterName() : Printers()->Strings(FPrinterIndex);
}

TStrings *TPrinter::PaperNames()
{
    if (!FPaperNames) {
        FPaperNames = std::make_unique<TStringList>();
        const AnsiString name = PrinterName();
        const int count = DeviceCapabilitiesA(name.c_str(), "", DC_PAPERNAMES, nullptr, nullptr);
        std::vector<char> names(static_cast<std::size_t>(std::max(count, 0)) * 64);
        if (count > 0) DeviceCapabilitiesA(name.c_str(), "", DC_PAPERNAMES, names.data(), nullptr);
        for (int i = 0; i < count; ++i)
            FPaperNames->Add(AnsiString(names.data() + i * 64));
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

int TPrinter::PixelsPerInch() const
{
    return FDc ? GetDeviceCaps(FDc, LOGPIXELSY) : 600;
}

int TPrinter::PageWidth() const
{
    return FDc ? GetDeviceCaps(FDc, PHYSICALWIDTH) : 0;
}

int TPrinter::PageHeight() const
{
    return FDc ? GetDeviceCaps(FDc, PHYSICALHEIGHT) : 0;
}

// The queue's defaults with our orientation and copies; A4 for a file without a queue.
DEVMODEA TPrinter::DeviceMode()
{
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPaperSize = DMPAPER_A4;
    std::string name = PrinterName().ToStd();
    HANDLE printer = nullptr;
    if (!name.empty() && OpenPrinterA(name.data(), &printer, nullptr)) {
        DocumentPropertiesA(nullptr, printer, name.data(), &mode, nullptr, DM_OUT_BUFFER);
        ClosePrinter(printer);
    }
    mode.dmFields |= DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES;
    mode.dmOrientation = FOrientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    mode.dmCopies = static_cast<short>(FCopies);
    return mode;
}

void TPrinter::BeginDoc()
{
    if (Printing()) throw EPrinter("Printing in progress");
    FAborted = false;
    FPageNumber = 0;
    const DEVMODEA mode = DeviceMode();
    const AnsiString queue = FFileName.IsEmpty() ? PrinterName() : AnsiString();
    if (FFileName.IsEmpty()) Check(!queue.IsEmpty(), "Printer selected is not valid");
    FDc = CreateDCA(nullptr, queue.c_str(), nullptr, &mode);
    Check(FDc != nullptr, "Printer selected is not valid");
    DOCINFOA info{sizeof(DOCINFOA), FTitle.c_str(),
                  FFileName.IsEmpty() ? nullptr : FFileName.c_str(), nullptr, 0};
    if (StartDocA(FDc, &info) <= 0 || StartPage(FDc) <= 0) {
        DeleteDC(FDc);
        FDc = nullptr;
        throw EPrinter("The print job could not be started");
    }
    FCanvas = std::make_unique<TCanvas>();
    FCanvas->SetHandle(FDc);
    FPageNumber = 1;
}

TCanvas *TPrinter::Canvas()
{
    if (!FCanvas) throw EPrinter("Printer is not currently printing");
    return FCanvas.get();
}

void TPrinter::NewPage()
{
    if (!Printing()) throw EPrinter("Printer is not currently printing");
    EndPage(FDc);
    Check(StartPage(FDc) > 0, "The printer could not start a page");
    ++FPageNumber;
}

void TPrinter::Finish()
{
    FCanvas.reset();
    DeleteDC(FDc);
    FDc = nullptr;
}

void TPrinter::EndDoc()
{
    if (!Printing()) throw EPrinter("Printer is not currently printing");
    EndPage(FDc);
    const bool sent = ::EndDoc(FDc) > 0;
    Finish();
    Check(sent, "The print job could not be sent to the printer");
}

void TPrinter::Abort()
{
    if (!Printing()) return;
    AbortDoc(FDc);
    FAborted = true;
    Finish();
}
