#pragma once

// The printer: names and the default from the system's print service, and a
// print job as pages drawn on a printer device context, sent to a printer or
// to a PDF file. Pages are painted as vectors, so text stays text.

#include "platform/vcl/Graphics.h"
#include "platform/win/WinSpool.h"

#include <memory>

enum TPrinterOrientation { poPortrait, poLandscape };
QRV4_ENUM_INFO(TPrinterOrientation, poPortrait, poLandscape)

QRV4_DECLARE_EXCEPTION(EPrinter, Exception)

class TPrinter : public TObject
{
    QRV4_CLASS(TPrinter, TObject)

public:
    TPrinter();
    ~TPrinter() override;

    // The installed printers, cp1251 names; the default one is PrinterIndex -1.
    TStrings *Printers();
    // Reads the installed printers again; the chosen one stays chosen while it is still there,
    // else the default one is. Nothing changes during a job.
    void Refresh();
    int PrinterIndex() const { return FPrinterIndex; }
    // -1 chooses the default printer; raises EPrinter outside the list.
    void SetPrinterIndex(int Value);
    // The chosen printer's name (the default one's for -1); empty without printers.
    AnsiString PrinterName();
    AnsiString DefaultPrinterName() const;
    // The chosen printer's paper names, as its queue gives them.
    TStrings *PaperNames();

    TPrinterOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TPrinterOrientation Value);
    int Copies() const { return FCopies; }
    void SetCopies(int Value);
    const AnsiString &Title() const { return FTitle; }
    void SetTitle(const AnsiString &Value) { FTitle = Value; }
    // Set: the job goes to this PDF file instead of the printer.
    const AnsiString &FileName() const { return FFileName; }
    void SetFileName(const AnsiString &Value) { FFileName = Value; }
    int PixelsPerInch() const;

    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();
    bool Printing() const { return FDc != nullptr; }
    bool Aborted() const { return FAborted; }
    int PageNumber() const { return FPageNumber; }
    // The page in device pixels at PixelsPerInch.
    int PageWidth() const;
    int PageHeight() const;
    // The printer DC of the job, null outside one.
    HDC Handle() const { return FDc; }
    // The canvas of the page being drawn; raises EPrinter outside a job.
    TCanvas *Canvas();

private:
    DEVMODEA DeviceMode();
    void Finish();

    std::unique_ptr<TStringList> FPrinters;
    std::unique_ptr<TStringList> FPaperNames;
    int FPrinterIndex = -1;
    TPrinterOrientation FOrientation = poPortrait;
    int FCopies = 1;
    AnsiString FTitle;
    AnsiString FFileName;
    bool FAborted = false;
    int FPageNumber = 0;
    HDC FDc{};
    std::unique_ptr<TCanvas> FCanvas;
};

TPrinter *Printer();
// Replaces the global printer; gives the previous one back to the caller.
TPrinter *SetPrinter(TPrinter *NewPrinter);
