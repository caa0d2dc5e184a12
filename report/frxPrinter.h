#pragma once

// The report library's own list of the system's printers: one object per
// printer with its device mode, paper and bin lists and page calls, and a
// virtual printer that lays reports out on A4 when none is installed.

#include "platform/rtl/Classes.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Printers.h"
#include "platform/win/WinSpool.h"

#include <memory>
#include <optional>

class TfrxCustomPrinter;

// Measures and draws fonts at the printer's resolution: a point size stays a
// point size on the printer.
class TfrxPrinterCanvas : public TCanvas
{
    QRV4_CLASS(TfrxPrinterCanvas, TCanvas)

public:
    explicit TfrxPrinterCanvas(TfrxCustomPrinter *Printer) : FPrinter(Printer) {}
    void UpdateFont();

protected:
    void CreateHandle() override;
    void Changing() override;

private:
    TfrxCustomPrinter *FPrinter;
};

class TfrxCustomPrinter : public TObject
{
    QRV4_CLASS(TfrxCustomPrinter, TObject)

public:
    TfrxCustomPrinter(const AnsiString &AName, const AnsiString &APort);
    ~TfrxCustomPrinter() override;

    virtual void Init() = 0;
    virtual void Abort() = 0;
    virtual void BeginDoc() = 0;
    virtual void BeginPage() = 0;
    virtual void BeginRAWDoc() = 0;
    virtual void EndDoc() = 0;
    virtual void EndPage() = 0;
    virtual void EndRAWDoc() = 0;
    virtual void WriteRAWDoc(const AnsiString &Text) = 0;
    virtual void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                               TPrinterOrientation AOrientation) = 0;
    // Duplex: 1 none, 2 vertical, 3 horizontal, 4 simplex.
    virtual void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                                TPrinterOrientation AOrientation, int ABin, int ADuplex) = 0;
    virtual void PropertiesDlg() = 0;

    int BinIndex(int ABin) const;
    int PaperIndex(int APaper) const;
    int BinNameToNumber(const AnsiString &ABin) const;
    int PaperNameToNumber(const AnsiString &APaper) const;

    int Bin() const { return FBin; }
    TStrings *Bins() const { return FBins.get(); }
    TfrxPrinterCanvas *Canvas() const { return FCanvas.get(); }
    TPrinterOrientation DefOrientation() const { return FDefOrientation; }
    int DefPaper() const { return FDefPaper; }
    double DefPaperHeight() const { return FDefPaperHeight; }
    double DefPaperWidth() const { return FDefPaperWidth; }
    TPoint DPI() const { return FDPI; }
    const AnsiString &FileName() const { return FFileName; }
    void SetFileName(const AnsiString &Value) { FFileName = Value; }
    HANDLE Handle() const { return FHandle; }
    bool Initialized() const { return FInitialized; }
    const AnsiString &Name() const { return FName; }
    int Paper() const { return FPaper; }
    TStrings *Papers() const { return FPapers.get(); }
    double PaperHeight() const { return FPaperHeight; }
    double PaperWidth() const { return FPaperWidth; }
    double LeftMargin() const { return FLeftMargin; }
    double TopMargin() const { return FTopMargin; }
    double RightMargin() const { return FRightMargin; }
    double BottomMargin() const { return FBottomMargin; }
    TPrinterOrientation Orientation() const { return FOrientation; }
    const AnsiString &Port() const { return FPort; }
    bool Printing() const { return FPrinting; }
    const AnsiString &Title() const { return FTitle; }
    void SetTitle(const AnsiString &Value) { FTitle = Value; }

protected:
    // Paper from the table: its size for a table number (turned for landscape),
    // else the given size as custom paper; 5 mm margins all round.
    void SetTableParams(int APaperSize, double APaperWidth, double APaperHeight,
                        TPrinterOrientation AOrientation);

    int FBin = -1;
    std::unique_ptr<TStringList> FBins;
    std::unique_ptr<TfrxPrinterCanvas> FCanvas;
    TPrinterOrientation FDefOrientation = poPortrait;
    int FDefPaper = 0;
    double FDefPaperHeight = 0;
    double FDefPaperWidth = 0;
    TPoint FDPI{};
    AnsiString FFileName;
    HANDLE FHandle = nullptr;
    bool FInitialized = false;
    AnsiString FName;
    int FPaper = 0;
    std::unique_ptr<TStringList> FPapers;
    double FPaperHeight = 0;
    double FPaperWidth = 0;
    double FLeftMargin = 0;
    double FTopMargin = 0;
    double FRightMargin = 0;
    double FBottomMargin = 0;
    TPrinterOrientation FOrientation = poPortrait;
    AnsiString FPort;
    bool FPrinting = false;
    AnsiString FTitle;
};

class TfrxPrinter : public TfrxCustomPrinter
{
    QRV4_CLASS(TfrxPrinter, TfrxCustomPrinter)

public:
    using TfrxCustomPrinter::TfrxCustomPrinter;
    ~TfrxPrinter() override;

    void Init() override;
    void Abort() override;
    void BeginDoc() override;
    void BeginPage() override;
    void BeginRAWDoc() override;
    void EndDoc() override;
    void EndPage() override;
    void EndRAWDoc() override;
    void WriteRAWDoc(const AnsiString &Text) override;
    void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                       TPrinterOrientation AOrientation) override;
    void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                        TPrinterOrientation AOrientation, int ABin, int ADuplex) override;
    void PropertiesDlg() override;

    // The device mode, null until it has been read.
    DEVMODE *DeviceMode() { return FMode ? &*FMode : nullptr; }
    HDC DC() const { return FDC; }

private:
    bool ReadDeviceMode();
    void ReadPapersAndBins();
    void RecreateDC();
    void UpdateDeviceCaps();
    void CloseDocument();

    std::optional<DEVMODE> FMode;
    HDC FDC = nullptr;
};

// Stands in when no printer is installed: A4 at 600 dots per inch, and every
// document, page and raw call does nothing.
class TfrxVirtualPrinter : public TfrxCustomPrinter
{
    QRV4_CLASS(TfrxVirtualPrinter, TfrxCustomPrinter)

public:
    using TfrxCustomPrinter::TfrxCustomPrinter;

    void Init() override;
    void Abort() override {}
    void BeginDoc() override {}
    void BeginPage() override {}
    void BeginRAWDoc() override {}
    void EndDoc() override {}
    void EndPage() override {}
    void EndRAWDoc() override {}
    void WriteRAWDoc(const AnsiString &) override {}
    void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                       TPrinterOrientation AOrientation) override;
    void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                        TPrinterOrientation AOrientation, int ABin, int ADuplex) override;
    void PropertiesDlg() override {}
};

class TfrxPrinters : public TObject
{
    QRV4_CLASS(TfrxPrinters, TObject)

public:
    TfrxPrinters();
    ~TfrxPrinters() override;

    TfrxCustomPrinter *Items(int Index) const;
    int Count() const { return static_cast<int>(FPrinterList.size()); }
    // Ignoring case; -1 when no printer has that name.
    int IndexOf(const AnsiString &AName) const;
    int PrinterIndex() const { return FPrinterIndex; }
    // -1 (or an index outside the list) chooses the system default printer,
    // the first printer when the default is unknown; the chosen one is initialised.
    void SetPrinterIndex(int Value);
    TfrxCustomPrinter *Printer() const { return Items(FPrinterIndex); }
    bool HasPhysicalPrinters() const { return FHasPhysicalPrinters; }
    TStrings *Printers() const { return FPrinters.get(); }

    void Clear();
    void FillPrinters();
    // Reads the system's printers again; the virtual printer when there are none.
    void Refresh();
    // Printer alone, counted as installed, which Refresh keeps until StandIn(nullptr) reads the
    // system's printers again: tests that take over the print path stand one in on machines
    // without a print service.
    void StandIn(std::unique_ptr<TfrxCustomPrinter> Printer);
    // The system default printer's name, empty when there is none.
    static AnsiString GetDefaultPrinter();

private:
    void Add(std::unique_ptr<TfrxCustomPrinter> Printer);

    bool FHasPhysicalPrinters = false;
    bool FStandingIn = false;
    std::unique_ptr<TStringList> FPrinters;
    int FPrinterIndex = -1;
    std::vector<std::unique_ptr<TfrxCustomPrinter>> FPrinterList;
};

// The process-wide printer list, made on first use.
TfrxPrinters *frxPrinters();
// Width and height in millimetres of a paper of the table; false (outputs
// untouched) for any other number.
bool frxGetPaperDimensions(int PaperSize, double &Width, double &Height);
