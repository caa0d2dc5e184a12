#pragma once

// The printer: names and the default from the system's print service, and a
// print job as pages drawn on a canvas, sent to a printer or to a PDF file.
// Each page is drawn on a page DC at PixelsPerInch, which reports the printer's
// resolution to whoever measures on it, and handed to the printer as it ends.

#include "platform/vcl/Graphics.h"

#include <memory>

class QPainter;
class QPrinter;

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
    int PrinterIndex() const { return FPrinterIndex; }
    // -1 chooses the default printer; raises EPrinter outside the list.
    void SetPrinterIndex(int Value);
    // The chosen printer's name (the default one's for -1); empty without printers.
    AnsiString PrinterName();
    AnsiString DefaultPrinterName() const;
    // The chosen printer's paper names, as its driver gives them.
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
    int PixelsPerInch() const { return FPixelsPerInch; }

    void BeginDoc();
    void NewPage();
    void EndDoc();
    void Abort();
    bool Printing() const { return FPainter != nullptr; }
    bool Aborted() const { return FAborted; }
    int PageNumber() const { return FPageNumber; }
    // The page in device pixels at PixelsPerInch.
    int PageWidth() const { return FPageDc ? FPageWidth : 0; }
    int PageHeight() const { return FPageDc ? FPageHeight : 0; }
    // The page DC of the job, null outside one.
    HDC Handle() const { return FPageDc; }
    // The canvas of the page being drawn; raises EPrinter outside a job.
    TCanvas *Canvas();

private:
    void StartPage();
    void FlushPage();
    void FreePage();
    void Finish();

    std::unique_ptr<TStringList> FPrinters;
    std::unique_ptr<TStringList> FPaperNames;
    int FPrinterIndex = -1;
    TPrinterOrientation FOrientation = poPortrait;
    int FCopies = 1;
    AnsiString FTitle;
    AnsiString FFileName;
    int FPixelsPerInch = 300;
    bool FAborted = false;
    int FPageNumber = 0;
    std::unique_ptr<QPrinter> FQPrinter;
    std::unique_ptr<QPainter> FPainter;
    HDC FPageDc{};
    int FPageWidth = 0;
    int FPageHeight = 0;
    std::unique_ptr<TCanvas> FPageCanvas;
};

TPrinter *Printer();
// Replaces the global printer; gives the previous one back to the caller.
TPrinter *SetPrinter(TPrinter *NewPrinter);
