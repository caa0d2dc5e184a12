#include "report/frxPrinter.h"

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Forms.h"
#include "platform/win/CupsLibrary.h"
#include "platform/win/KernelObjects.h"
#include "platform/win/WinGdi.h"
#include "report/frxClass.h"
#include "report/frxRes.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace
{

constexpr int CustomPaper = DMPAPER_USER;

// What a user reads when the spooler refuses a job, and why when the print service's library
// could not be loaded: nothing the user or the scheduler can change then.
[[noreturn]] void PrintFailed(const AnsiString &Text)
{
    const AnsiString missing = win::CupsMissing();
    throw Exception(missing.IsEmpty() ? Text : Text + ". "_a + missing);
}

[[noreturn]] void JobNotStarted()
{
    PrintFailed(frxResources()->Get("clJobNotStarted"));
}

[[noreturn]] void DocumentNotSent()
{
    PrintFailed(frxResources()->Get("clDocNotSent"));
}
constexpr int AutoBin = DMBIN_AUTO;
// The paper table numbers its papers from 1 to 68.
constexpr int LastTablePaper = 68;

void *ObjectOf(int Number)
{
    return reinterpret_cast<void *>(static_cast<std::intptr_t>(Number));
}

int NumberOf(TStrings *List, int Index)
{
    return static_cast<int>(reinterpret_cast<std::intptr_t>(List->Objects(Index)));
}

int IndexOfNumber(TStrings *List, int Number)
{
    for (int I = 0; I < List->Count(); ++I)
        if (NumberOf(List, I) == Number) return I;
    return -1;
}

int NumberOfName(TStrings *List, const AnsiString &Name)
{
    const int Index = List->IndexOf(Name);
    return NumberOf(List, Index < 0 ? 0 : Index);
}

double DotsToMM(int Dots, int Dpi)
{
    return Dots / double(Dpi) * 25.4;
}

std::string NameBuffer(const AnsiString &Name)
{
    return Name.ToStd();
}

// One capability list of the printer: numbers of Size bytes or names of Size
// characters, as many as the driver reports.
std::vector<char> Capability(const AnsiString &Name, const AnsiString &Port, WORD Which,
                             std::size_t Size, int &Count)
{
    Count = std::max(DeviceCapabilitiesA(Name.c_str(), Port.c_str(), Which, nullptr, nullptr), 0);
    std::vector<char> Buffer(static_cast<std::size_t>(Count) * Size + 1);
    if (Count > 0) DeviceCapabilitiesA(Name.c_str(), Port.c_str(), Which, Buffer.data(), nullptr);
    return Buffer;
}

AnsiString FixedName(const std::vector<char> &Buffer, int Index, std::size_t Size)
{
    const char *Start = Buffer.data() + Index * Size;
    return AnsiString(std::string(Start, strnlen(Start, Size)));
}

int NumberAt(const std::vector<char> &Buffer, int Index)
{
    WORD Number = 0;
    std::memcpy(&Number, Buffer.data() + Index * sizeof(WORD), sizeof Number);
    return Number;
}

} // namespace

// ---- canvas ----

void TfrxPrinterCanvas::UpdateFont()
{
    const int Dpi = FPrinter->DPI().Y;
    if (Dpi <= 0 || Font()->PixelsPerInch() == Dpi) return;
    const int Size = Font()->Size();
    Font()->SetPixelsPerInch(Dpi);
    Font()->SetSize(Size);
}

// The virtual printer never has a context to draw on, and nothing drawn there could reach
// paper: the user is told why rather than that the canvas refuses.
void TfrxPrinterCanvas::CreateHandle()
{
    if (FPrinter->InheritsFrom(TfrxVirtualPrinter::StaticClass()))
        throw Exception(frxResources()->Get("clNoPrinters"));
}

void TfrxPrinterCanvas::Changing()
{
    UpdateFont();
    TCanvas::Changing();
}

// ---- the printer's common part ----

TfrxCustomPrinter::TfrxCustomPrinter(const AnsiString &AName, const AnsiString &APort)
    : FBins(std::make_unique<TStringList>()), FCanvas(std::make_unique<TfrxPrinterCanvas>(this)),
      FName(AName), FPapers(std::make_unique<TStringList>()), FPort(APort)
{
    FBins->AddObject(frxResources()->Get("prDefault"), static_cast<TObject *>(ObjectOf(AutoBin)));
    FPapers->AddObject(frxResources()->Get("prCustom"),
                       static_cast<TObject *>(ObjectOf(CustomPaper)));
}

TfrxCustomPrinter::~TfrxCustomPrinter() = default;

int TfrxCustomPrinter::BinIndex(int ABin) const
{
    return IndexOfNumber(FBins.get(), ABin);
}

int TfrxCustomPrinter::PaperIndex(int APaper) const
{
    return IndexOfNumber(FPapers.get(), APaper);
}

int TfrxCustomPrinter::BinNameToNumber(const AnsiString &ABin) const
{
    return NumberOfName(FBins.get(), ABin);
}

int TfrxCustomPrinter::PaperNameToNumber(const AnsiString &APaper) const
{
    return NumberOfName(FPapers.get(), APaper);
}

void TfrxCustomPrinter::SetTableParams(int APaperSize, double APaperWidth, double APaperHeight,
                                       TPrinterOrientation AOrientation)
{
    double Width = 0, Height = 0;
    if (APaperSize != CustomPaper && frxGetPaperDimensions(APaperSize, Width, Height)) {
        if (AOrientation == poLandscape) std::swap(Width, Height);
        FPaperWidth = Width;
        FPaperHeight = Height;
        FPaper = APaperSize;
    } else {
        FPaperWidth = APaperWidth;
        FPaperHeight = APaperHeight;
        FPaper = CustomPaper;
    }
    FLeftMargin = FTopMargin = FRightMargin = FBottomMargin = 5;
    FOrientation = AOrientation;
}

// ---- a system printer ----

TfrxPrinter::~TfrxPrinter()
{
    if (FPrinting) Abort();
    FCanvas->SetHandle(nullptr);
    if (FDC) DeleteDC(FDC);
    if (FHandle) ClosePrinter(FHandle);
}

bool TfrxPrinter::ReadDeviceMode()
{
    std::string Name = NameBuffer(FName);
    if (!FHandle && !OpenPrinterA(Name.data(), &FHandle, nullptr)) return false;
    if (DocumentPropertiesA(nullptr, FHandle, Name.data(), nullptr, nullptr, 0) <= 0) return false;
    DEVMODEA Mode{};
    if (DocumentPropertiesA(nullptr, FHandle, Name.data(), &Mode, nullptr, DM_OUT_BUFFER) < 0)
        return false;
    FMode = Mode;
    return true;
}

void TfrxPrinter::ReadPapersAndBins()
{
    int Count = 0;
    const std::vector<char> Papers = Capability(FName, FPort, DC_PAPERS, sizeof(WORD), Count);
    int Named = 0;
    const std::vector<char> PaperNames = Capability(FName, FPort, DC_PAPERNAMES, 64, Named);
    for (int I = 0; I < std::min(Count, Named); ++I)
        if (NumberAt(Papers, I) != CustomPaper)
            FPapers->AddObject(FixedName(PaperNames, I, 64),
                               static_cast<TObject *>(ObjectOf(NumberAt(Papers, I))));
    const std::vector<char> Bins = Capability(FName, FPort, DC_BINS, sizeof(WORD), Count);
    const std::vector<char> BinNames = Capability(FName, FPort, DC_BINNAMES, 24, Named);
    for (int I = 0; I < std::min(Count, Named); ++I)
        if (NumberAt(Bins, I) != AutoBin)
            FBins->AddObject(FixedName(BinNames, I, 24),
                             static_cast<TObject *>(ObjectOf(NumberAt(Bins, I))));
}

void TfrxPrinter::Init()
{
    if (FInitialized || !ReadDeviceMode()) return;
    RecreateDC();
    UpdateDeviceCaps();
    FDefPaper = FMode->dmPaperSize;
    FDefPaperWidth = FPaperWidth;
    FDefPaperHeight = FPaperHeight;
    FDefOrientation = FMode->dmOrientation == DMORIENT_PORTRAIT ? poPortrait : poLandscape;
    FPaper = FDefPaper;
    FOrientation = FDefOrientation;
    ReadPapersAndBins();
    FBin = -1;
    FInitialized = true;
}

void TfrxPrinter::RecreateDC()
{
    FCanvas->SetHandle(nullptr);
    if (FDC) DeleteDC(FDC);
    FDC = FPrinting ? CreateDCA(nullptr, FName.c_str(), nullptr, DeviceMode())
                    : CreateICA(nullptr, FName.c_str(), nullptr, DeviceMode());
    FCanvas->SetHandle(FDC);
    FCanvas->Refresh();
    FCanvas->UpdateFont();
}

void TfrxPrinter::UpdateDeviceCaps()
{
    FDPI = TPoint{GetDeviceCaps(FDC, LOGPIXELSX), GetDeviceCaps(FDC, LOGPIXELSY)};
    if (FDPI.X == 0 || FDPI.Y == 0) throw Exception(frxResources()->Get("clInvalidPrinter"));
    FCanvas->UpdateFont();
    FPaperHeight = DotsToMM(GetDeviceCaps(FDC, PHYSICALHEIGHT), FDPI.Y);
    FPaperWidth = DotsToMM(GetDeviceCaps(FDC, PHYSICALWIDTH), FDPI.X);
    FLeftMargin = DotsToMM(GetDeviceCaps(FDC, PHYSICALOFFSETX), FDPI.X);
    FTopMargin = DotsToMM(GetDeviceCaps(FDC, PHYSICALOFFSETY), FDPI.Y);
    FRightMargin = FPaperWidth - DotsToMM(GetDeviceCaps(FDC, HORZRES), FDPI.X) - FLeftMargin;
    FBottomMargin = FPaperHeight - DotsToMM(GetDeviceCaps(FDC, VERTRES), FDPI.Y) - FTopMargin;
}

// A printer whose device mode could not be read lays out like the virtual one.
void TfrxPrinter::SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                                TPrinterOrientation AOrientation)
{
    if (!FMode) {
        SetTableParams(APaperSize, APaperWidth, APaperHeight, AOrientation);
        return;
    }
    if (APaperSize == CustomPaper) {
        SetViewParams(9, 0, 0, AOrientation);
        FPaperWidth = APaperWidth;
        FPaperHeight = APaperHeight;
    } else {
        FMode->dmFields |= DM_ORIENTATION | DM_PAPERSIZE;
        FMode->dmOrientation = AOrientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
        FMode->dmPaperSize = static_cast<short>(APaperSize);
        RecreateDC();
        UpdateDeviceCaps();
    }
    FPaper = APaperSize;
    FOrientation = AOrientation;
}

void TfrxPrinter::SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                                 TPrinterOrientation AOrientation, int ABin, int ADuplex)
{
    if (!FMode) {
        SetTableParams(APaperSize, APaperWidth, APaperHeight, AOrientation);
        return;
    }
    DEVMODEA &Mode = *FMode;
    Mode.dmFields |= DM_ORIENTATION | DM_PAPERSIZE | DM_COPIES | DM_DEFAULTSOURCE;
    if (ADuplex != 1) Mode.dmFields |= DM_DUPLEX;
    if (APaperSize == CustomPaper) {
        Mode.dmFields |= DM_PAPERLENGTH | DM_PAPERWIDTH;
        Mode.dmPaperLength = static_cast<short>(std::lround(APaperHeight * 10));
        Mode.dmPaperWidth = static_cast<short>(std::lround(APaperWidth * 10));
    } else {
        Mode.dmPaperLength = 0;
        Mode.dmPaperWidth = 0;
    }
    Mode.dmPaperSize = static_cast<short>(APaperSize);
    Mode.dmOrientation = AOrientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    Mode.dmCopies = 1;
    const int Source = FBin != -1 ? FBin : ABin;
    if (Source != AutoBin) Mode.dmDefaultSource = static_cast<short>(Source);
    if (ADuplex == 4)
        Mode.dmDuplex = DMDUP_SIMPLEX;
    else if (ADuplex != 1)
        Mode.dmDuplex = static_cast<short>(ADuplex);
    if (!ResetDCA(FDC, &Mode)) RecreateDC();
    FCanvas->Refresh();
    UpdateDeviceCaps();
    FPaper = APaperSize;
    FOrientation = AOrientation;
}

void TfrxPrinter::BeginDoc()
{
    if (FPrinting) return;
    FPrinting = true;
    RecreateDC();
    const DOCINFOA Info{sizeof(DOCINFOA), FTitle.c_str(),
                        FFileName.IsEmpty() ? nullptr : FFileName.c_str(), nullptr, 0};
    if (!FDC || StartDocA(FDC, &Info) <= 0) {
        CloseDocument();
        JobNotStarted();
    }
}

void TfrxPrinter::BeginPage()
{
    if (FPrinting) ::StartPage(FDC);
}

void TfrxPrinter::EndPage()
{
    if (FPrinting) ::EndPage(FDC);
}

void TfrxPrinter::CloseDocument()
{
    FPrinting = false;
    RecreateDC();
    FBin = -1;
}

// A second end (after Abort) finds no document and does nothing.
void TfrxPrinter::EndDoc()
{
    if (!FPrinting) return;
    const bool Sent = ::EndDoc(FDC) > 0;
    const DWORD Why = Sent ? ERROR_SUCCESS : GetLastError();
    CloseDocument();
    if (Why == ERROR_TIMEOUT) throw Exception(win::JobFateUnknown(FName));
    if (Why == ERROR_CANCELLED) throw Exception(win::JobCancelled(FName));
    if (!Sent) DocumentNotSent();
}

void TfrxPrinter::Abort()
{
    if (!FPrinting) return;
    AbortDoc(FDC);
    CloseDocument();
}

void TfrxPrinter::BeginRAWDoc()
{
    RecreateDC();
    std::string Title = FTitle.ToStd();
    char Raw[] = "RAW";
    DOC_INFO_1A Info{Title.data(), nullptr, Raw};
    if (!FHandle || !StartDocPrinterA(FHandle, 1, reinterpret_cast<LPBYTE>(&Info))) JobNotStarted();
    StartPagePrinter(FHandle);
}

void TfrxPrinter::WriteRAWDoc(const AnsiString &Text)
{
    std::string Bytes = Text.ToStd();
    DWORD Written = 0;
    if (!WritePrinter(FHandle, Bytes.data(), static_cast<DWORD>(Bytes.size()), &Written))
        throw Exception(frxResources()->Get("clPrinterRefused"));
}

void TfrxPrinter::EndRAWDoc()
{
    EndPagePrinter(FHandle);
    if (!EndDocPrinter(FHandle)) DocumentNotSent();
}

void TfrxPrinter::PropertiesDlg()
{
    if (!FMode) return;
    std::string Name = NameBuffer(FName);
    TCustomForm *Owner = Screen ? Screen->ActiveForm() : nullptr;
    const HWND Wnd = Owner ? Owner->Handle() : HWND{};
    if (DocumentPropertiesA(Wnd, FHandle, Name.data(), &*FMode, &*FMode,
                            DM_IN_BUFFER | DM_OUT_BUFFER | DM_IN_PROMPT) == IDOK) {
        FBin = FMode->dmDefaultSource;
        RecreateDC();
    }
}

// ---- the virtual printer ----

void TfrxVirtualPrinter::Init()
{
    if (FInitialized) return;
    FDPI = TPoint{600, 600};
    FDefPaper = 9;
    FDefOrientation = poPortrait;
    FDefPaperWidth = 210;
    FDefPaperHeight = 297;
    for (int Number = 1; Number <= LastTablePaper; ++Number)
        if (frxPaperSize(Number))
            FPapers->AddObject(AnsiString(), static_cast<TObject *>(ObjectOf(Number)));
    FBin = -1;
    // Its paper is the default one from the start: a page laid out on it is never 0 x 0.
    SetTableParams(FDefPaper, FDefPaperWidth, FDefPaperHeight, FDefOrientation);
    FInitialized = true;
}

void TfrxVirtualPrinter::SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                                       TPrinterOrientation AOrientation)
{
    SetTableParams(APaperSize, APaperWidth, APaperHeight, AOrientation);
}

void TfrxVirtualPrinter::SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                                        TPrinterOrientation AOrientation, int ABin, int)
{
    SetViewParams(APaperSize, APaperWidth, APaperHeight, AOrientation);
    FBin = ABin;
}

// ---- the list ----

TfrxPrinters::TfrxPrinters() : FPrinters(std::make_unique<TStringList>())
{
    Refresh();
}

TfrxPrinters::~TfrxPrinters() = default;

void TfrxPrinters::Refresh()
{
    if (FStandingIn) return;
    FillPrinters();
    int Index = 0;
    if (Count() > 0) {
        FHasPhysicalPrinters = true;
        Index = IndexOf(GetDefaultPrinter());
    } else {
        Add(std::make_unique<TfrxVirtualPrinter>(frxResources()->Get("prVirtual"), AnsiString()));
        FHasPhysicalPrinters = false;
    }
    SetPrinterIndex(Index);
}

void TfrxPrinters::StandIn(std::unique_ptr<TfrxCustomPrinter> Printer)
{
    FStandingIn = Printer != nullptr;
    if (!FStandingIn) {
        Refresh();
        return;
    }
    Clear();
    Add(std::move(Printer));
    FHasPhysicalPrinters = true;
    SetPrinterIndex(0);
}

void TfrxPrinters::Add(std::unique_ptr<TfrxCustomPrinter> Printer)
{
    FPrinters->Add(Printer->Name());
    FPrinterList.push_back(std::move(Printer));
}

TfrxCustomPrinter *TfrxPrinters::Items(int Index) const
{
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
    return FPrinterList[static_cast<std::size_t>(Index)].get();
}

int TfrxPrinters::IndexOf(const AnsiString &AName) const
{
    for (int I = 0; I < Count(); ++I)
        if (AnsiSameText(FPrinterList[static_cast<std::size_t>(I)]->Name(), AName)) return I;
    return -1;
}

void TfrxPrinters::SetPrinterIndex(int Value)
{
    if (Value < 0 || Value >= Count()) Value = std::max(IndexOf(GetDefaultPrinter()), 0);
    FPrinterIndex = Value;
    if (Value < Count()) Items(Value)->Init();
}

void TfrxPrinters::Clear()
{
    FPrinterList.clear();
    FPrinters->Clear();
    FPrinterIndex = -1;
}

void TfrxPrinters::FillPrinters()
{
    Clear();
    DWORD Needed = 0, Returned = 0;
    const DWORD Flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
    EnumPrintersA(Flags, nullptr, 4, nullptr, 0, &Needed, &Returned);
    if (Needed == 0) return;
    std::vector<BYTE> Buffer(Needed);
    if (!EnumPrintersA(Flags, nullptr, 4, Buffer.data(), Needed, &Needed, &Returned)) return;
    const auto *Info = reinterpret_cast<const PRINTER_INFO_4A *>(Buffer.data());
    for (DWORD I = 0; I < Returned; ++I)
        Add(std::make_unique<TfrxPrinter>(Info[I].pPrinterName, AnsiString()));
}

AnsiString TfrxPrinters::GetDefaultPrinter()
{
    DWORD Size = 0;
    GetDefaultPrinterA(nullptr, &Size);
    if (Size == 0) return AnsiString();
    std::vector<char> Name(Size);
    return GetDefaultPrinterA(Name.data(), &Size) ? AnsiString(Name.data()) : AnsiString();
}

TfrxPrinters *frxPrinters()
{
    // Made in one step, so that it goes at exit before the spooler's handles it holds.
    static const std::unique_ptr<TfrxPrinters> Printers = std::make_unique<TfrxPrinters>();
    return Printers.get();
}

bool frxGetPaperDimensions(int PaperSize, double &Width, double &Height)
{
    const TfrxPaperSize *Size = frxPaperSize(PaperSize);
    if (!Size) return false;
    Width = Size->Width / 10.0;
    Height = Size->Height / 10.0;
    return true;
}
