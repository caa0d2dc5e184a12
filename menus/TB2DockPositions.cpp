#include "menus/TB2Dock.h"
#include "platform/rtl/IniFiles.h"

#include <algorithm>

namespace
{

constexpr int PositionsRevision = 2000;

const char *const SaveNoName =
    "Cannot save dockable window's position because Name property is not set";
const char *const SaveNoDockName =
    "Cannot save dockable window's position because DockedTo's Name property not set";

std::vector<TTBCustomDockableWindow *> BarsOf(TComponent *Owner)
{
    std::vector<TTBCustomDockableWindow *> Result;
    for (int I = 0; I < Owner->ComponentCount(); ++I)
        if (auto *Bar = dynamic_cast<TTBCustomDockableWindow *>(Owner->Components(I)))
            Result.push_back(Bar);
    return Result;
}

TTBDock *FindDock(TComponent *Owner, const AnsiString &Name)
{
    // An empty name names no dock, not the first dock left without a name.
    if (Name.IsEmpty()) return nullptr;
    for (int I = 0; I < Owner->ComponentCount(); ++I)
        if (auto *Dock = dynamic_cast<TTBDock *>(Owner->Components(I));
            Dock && SameText(Dock->Name(), Name))
            return Dock;
    return nullptr;
}

void RestoreBar(TComponent *Owner, TTBCustomDockableWindow *Bar, const TTBReadPositionData &Data)
{
    const AnsiString &Name = Bar->Name();
    auto ReadInt = [&](const char *Value, int Default) {
        return Data.ReadIntProc(Name, Value, Default, Data.ExtraData);
    };
    auto ReadString = [&](const char *Value) {
        return Data.ReadStringProc(Name, Value, "", Data.ExtraData);
    };
    if (ReadInt("Rev", 0) != PositionsRevision) return;
    Bar->SetVisible(ReadInt("Visible", Bar->Visible() ? 1 : 0) != 0);
    const AnsiString DockedTo = ReadString("DockedTo");
    if (DockedTo.IsEmpty()) return;
    const bool Floating = DockedTo == "+";
    TTBDock *Dock = Floating ? nullptr : FindDock(Owner, DockedTo);
    if (!Floating && (!Dock || !Dock->AllowDrag())) return;
    Bar->SetDockRow(ReadInt("DockRow", Bar->DockRow()));
    Bar->SetDockPos(ReadInt("DockPos", Bar->DockPos()));
    const TPoint FloatPos(ReadInt("FloatLeft", 0), ReadInt("FloatTop", 0));
    Bar->ReadPositionData(Data);
    Bar->SetFloatingPosition(FloatPos);
    if (Dock) {
        Bar->SetCurrentDock(Dock);
    } else {
        Bar->SetFloating(true);
        Bar->MoveOnScreen(true);
        if (Bar->UseLastDock())
            if (TTBDock *Last = FindDock(Owner, ReadString("LastDock"))) Bar->SetLastDock(Last);
    }
    Bar->Arrange();
    Bar->DoneReadingPositionData(Data);
}

} // namespace

void TBCustomSavePositions(TComponent *OwnerComponent, const TTBPositionWriteIntProc &WriteIntProc,
                           const TTBPositionWriteStringProc &WriteStringProc, void *ExtraData)
{
    const TTBWritePositionData Data{WriteIntProc, WriteStringProc, ExtraData};
    for (TTBCustomDockableWindow *Bar : BarsOf(OwnerComponent)) {
        const AnsiString &Name = Bar->Name();
        if (Name.IsEmpty()) throw EInvalidOperation(SaveNoName);
        TTBDock *Dock = Bar->CurrentDock();
        if (!Dock && !Bar->Floating()) continue;
        AnsiString DockedTo;
        if (Bar->Floating()) {
            DockedTo = "+";
        } else if (Dock->AllowDrag()) {
            DockedTo = Dock->Name();
            if (DockedTo.IsEmpty()) throw EInvalidOperation(SaveNoDockName);
        }
        WriteIntProc(Name, "Rev", PositionsRevision, ExtraData);
        WriteIntProc(Name, "Visible", Bar->Visible() ? 1 : 0, ExtraData);
        WriteStringProc(Name, "DockedTo", DockedTo, ExtraData);
        WriteStringProc(Name, "LastDock", Bar->LastDock() ? Bar->LastDock()->Name() : AnsiString(),
                        ExtraData);
        WriteIntProc(Name, "DockRow", Bar->DockRow(), ExtraData);
        WriteIntProc(Name, "DockPos", Bar->DockPos(), ExtraData);
        WriteIntProc(Name, "FloatLeft", Bar->FloatingPosition().X, ExtraData);
        WriteIntProc(Name, "FloatTop", Bar->FloatingPosition().Y, ExtraData);
        Bar->WritePositionData(Data);
    }
}

void TBCustomLoadPositions(TComponent *OwnerComponent, const TTBPositionReadIntProc &ReadIntProc,
                           const TTBPositionReadStringProc &ReadStringProc, void *ExtraData)
{
    const TTBReadPositionData Data{ReadIntProc, ReadStringProc, ExtraData};
    std::vector<TTBDock *> Docks;
    for (int I = 0; I < OwnerComponent->ComponentCount(); ++I)
        if (auto *Dock = dynamic_cast<TTBDock *>(OwnerComponent->Components(I))) {
            Dock->BeginUpdate();
            Docks.push_back(Dock);
        }
    auto EndUpdates = [&] {
        for (auto It = Docks.rbegin(); It != Docks.rend(); ++It)
            (*It)->EndUpdate();
    };
    try {
        for (TTBCustomDockableWindow *Bar : BarsOf(OwnerComponent)) {
            if (Bar->Name().IsEmpty()) throw EInvalidOperation(SaveNoName);
            RestoreBar(OwnerComponent, Bar, Data);
        }
    } catch (...) {
        EndUpdates();
        throw;
    }
    EndUpdates();
}

void TBIniSavePositions(TComponent *OwnerComponent, const AnsiString &Filename,
                        const AnsiString &SectionNamePrefix)
{
    TIniFile Ini(Filename);
    // One replacement of the file for all the bars, not one per key; the bars saved before a
    // failure still reach it.
    Ini.BeginUpdate();
    try {
        TBCustomSavePositions(
            OwnerComponent,
            [&](const AnsiString &Bar, const AnsiString &Value, int Data, void *) {
                Ini.WriteInteger(SectionNamePrefix + Bar, Value, Data);
            },
            [&](const AnsiString &Bar, const AnsiString &Value, const AnsiString &Data, void *) {
                Ini.WriteString(SectionNamePrefix + Bar, Value, Data);
            });
    } catch (...) {
        Ini.EndUpdate();
        throw;
    }
    Ini.EndUpdate();
}

void TBIniLoadPositions(TComponent *OwnerComponent, const AnsiString &Filename,
                        const AnsiString &SectionNamePrefix)
{
    TIniFile Ini(Filename);
    TBCustomLoadPositions(
        OwnerComponent,
        [&](const AnsiString &Bar, const AnsiString &Value, int Default, void *) {
            return Ini.ReadInteger(SectionNamePrefix + Bar, Value, Default);
        },
        [&](const AnsiString &Bar, const AnsiString &Value, const AnsiString &Default, void *) {
            return Ini.ReadString(SectionNamePrefix + Bar, Value, Default);
        });
}

namespace
{

std::unique_ptr<TRegIniFile> OpenPositionsKey(HKEY RootKey, const AnsiString &BaseRegistryKey)
{
    auto Reg = std::make_unique<TRegIniFile>("");
    Reg->SetRootKey(RootKey);
    Reg->OpenKey(BaseRegistryKey, true);
    return Reg;
}

} // namespace

void TBRegSavePositions(TComponent *OwnerComponent, HKEY RootKey, const AnsiString &BaseRegistryKey)
{
    const std::unique_ptr<TRegIniFile> Reg = OpenPositionsKey(RootKey, BaseRegistryKey);
    TBCustomSavePositions(
        OwnerComponent,
        [&](const AnsiString &Bar, const AnsiString &Value, int Data, void *) {
            Reg->WriteInteger(Bar, Value, Data);
        },
        [&](const AnsiString &Bar, const AnsiString &Value, const AnsiString &Data, void *) {
            Reg->WriteString(Bar, Value, Data);
        });
}

void TBRegLoadPositions(TComponent *OwnerComponent, HKEY RootKey, const AnsiString &BaseRegistryKey)
{
    const std::unique_ptr<TRegIniFile> Reg = OpenPositionsKey(RootKey, BaseRegistryKey);
    TBCustomLoadPositions(
        OwnerComponent,
        [&](const AnsiString &Bar, const AnsiString &Value, int Default, void *) {
            return Reg->ReadInteger(Bar, Value, Default);
        },
        [&](const AnsiString &Bar, const AnsiString &Value, const AnsiString &Default, void *) {
            return Reg->ReadString(Bar, Value, Default);
        });
}

// ---- Background ----------------------------------------------------------------------------

TTBBackground::TTBBackground(TComponent *AOwner)
    : TTBBasicBackground(AOwner), FBitmap(std::make_unique<TBitmap>())
{
    FBitmap->OnChange = [this](TObject *) { Changed(); };
}

TTBBackground::~TTBBackground() = default;

void TTBBackground::Changed()
{
    FBitmapCache.reset();
    FNotifyList.Notify(this);
}

void TTBBackground::SetBitmap(TBitmap *Value)
{
    FBitmap->Assign(Value);
    Changed();
}

void TTBBackground::SetBkColor(TColor Value)
{
    if (Value == FBkColor) return;
    FBkColor = Value;
    if (FTransparent) Changed();
}

void TTBBackground::SetTransparent(bool Value)
{
    if (Value == FTransparent) return;
    FTransparent = Value;
    Changed();
}

void TTBBackground::SysColorChanged()
{
    if (FTransparent && FBkColor < 0) Changed();
}

bool TTBBackground::UsingBackground() const
{
    return FBitmap->Width() != 0 && FBitmap->Height() != 0;
}

HPALETTE TTBBackground::GetPalette()
{
    // Our bitmaps are true-colour: there is no palette to realise.
    return nullptr;
}

void TTBBackground::RegisterChanges(TObject *Receiver, const TNotifyEvent &Proc)
{
    FNotifyList.Register(Receiver, Proc);
}

void TTBBackground::UnregisterChanges(TObject *Receiver)
{
    FNotifyList.Unregister(Receiver);
}

void TTBBackground::BuildCache()
{
    auto Cache = std::make_unique<TBitmap>();
    Cache->SetSize(FBitmap->Width(), FBitmap->Height());
    TCanvas *Canvas = Cache->Canvas();
    if (FTransparent) {
        Canvas->Brush()->SetColor(FBkColor);
        Canvas->FillRect(TRect(0, 0, Cache->Width(), Cache->Height()));
        // The bottom-left pixel names the colour that lets the background through.
        const TColor Key = FBitmap->Canvas()->Pixels(0, FBitmap->Height() - 1);
        TransparentBlt(Canvas->Handle(), 0, 0, Cache->Width(), Cache->Height(),
                       FBitmap->Canvas()->Handle(), 0, 0, FBitmap->Width(), FBitmap->Height(),
                       static_cast<UINT>(ColorToRGB(Key)));
    } else {
        BitBlt(Canvas->Handle(), 0, 0, Cache->Width(), Cache->Height(), FBitmap->Canvas()->Handle(),
               0, 0, SRCCOPY);
    }
    FBitmap->Dormant();
    FBitmapCache = std::move(Cache);
}

void TTBBackground::Draw(HDC DC, const TRect &DrawRect)
{
    if (!UsingBackground()) return;
    if (!FBitmapCache) BuildCache();
    const int Saved = SaveDC(DC);
    const int W = FBitmapCache->Width(), H = FBitmapCache->Height();
    const HDC Source = FBitmapCache->Canvas()->Handle();
    if (W == 8 && H == 8) {
        const HBRUSH Brush = CreatePatternBrush(FBitmapCache->Handle());
        POINT Origin{0, 0};
        GetWindowOrgEx(DC, &Origin);
        SetBrushOrgEx(DC, DrawRect.Left - Origin.x, DrawRect.Top - Origin.y, nullptr);
        const RECT R = DrawRect;
        FillRect(DC, &R, Brush);
        DeleteObject(Brush);
    } else {
        for (int X = DrawRect.Left; X < DrawRect.Right; X += W)
            for (int Y = DrawRect.Top; Y < DrawRect.Bottom; Y += H)
                BitBlt(DC, X, Y, W, H, Source, 0, 0, SRCCOPY);
    }
    RestoreDC(DC, Saved);
}

void TTBBackground::Publish(rtl::Publisher<TTBBackground> &P)
{
    P.Property("Bitmap", &TTBBackground::Bitmap, &TTBBackground::SetBitmap);
    P.Property("BkColor", &TTBBackground::BkColor, &TTBBackground::SetBkColor, rtl::TColorInfo())
        .Default(clBtnFace);
    P.Property("Transparent", &TTBBackground::Transparent, &TTBBackground::SetTransparent)
        .Default(false);
}
QRV4_PUBLISHED(TTBBackground)
