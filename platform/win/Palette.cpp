#include "platform/win/DeviceContext.h"

namespace win
{
namespace
{

HPALETTE MakePalette(std::vector<PALETTEENTRY> Entries)
{
    auto O = std::make_unique<GdiObject>();
    O->Kind = GdiKind::Palette;
    O->Palette.Entries = std::move(Entries);
    return AddObject(std::move(O));
}

// Our halftone palette: the twenty static colours at both ends, a 6x6x6
// colour cube between them and grey steps filling the rest.
std::vector<PALETTEENTRY> Halftone()
{
    std::vector<PALETTEENTRY> Static(20);
    GetPaletteEntries(GetStockObject(DEFAULT_PALETTE), 0, 20, Static.data());
    std::vector<PALETTEENTRY> Out(Static.begin(), Static.begin() + 10);
    for (int R = 0; R < 6; ++R)
        for (int G = 0; G < 6; ++G)
            for (int B = 0; B < 6; ++B)
                Out.push_back(PALETTEENTRY{BYTE(R * 51), BYTE(G * 51), BYTE(B * 51), 0});
    for (int I = 1; Out.size() < 246; ++I) {
        const BYTE Grey = static_cast<BYTE>(I * 255 / 21);
        Out.push_back(PALETTEENTRY{Grey, Grey, Grey, 0});
    }
    Out.insert(Out.end(), Static.begin() + 10, Static.end());
    return Out;
}

} // namespace
} // namespace win

using namespace win;

HPALETTE CreatePalette(const LOGPALETTE *Palette)
{
    if (!Palette || Palette->palVersion != 0x300) return {};
    return MakePalette(std::vector<PALETTEENTRY>(Palette->palPalEntry,
                                                 Palette->palPalEntry + Palette->palNumEntries));
}

HPALETTE CreateHalftonePalette(HDC)
{
    return MakePalette(Halftone());
}

UINT GetPaletteEntries(HPALETTE Palette, UINT Start, UINT Entries, PALETTEENTRY *Out)
{
    const PaletteData *P = PaletteOf(Palette);
    if (!P) return 0;
    if (!Out) return static_cast<UINT>(P->Entries.size());
    if (Start >= P->Entries.size()) return 0;
    const UINT N = std::min<UINT>(Entries, static_cast<UINT>(P->Entries.size()) - Start);
    std::copy_n(P->Entries.begin() + Start, N, Out);
    return N;
}

UINT SetPaletteEntries(HPALETTE Palette, UINT Start, UINT Entries, const PALETTEENTRY *In)
{
    PaletteData *P = PaletteOf(Palette);
    if (!P || !In || Start >= P->Entries.size()) return 0;
    const UINT N = std::min<UINT>(Entries, static_cast<UINT>(P->Entries.size()) - Start);
    std::copy_n(In, N, P->Entries.begin() + Start);
    return N;
}

BOOL ResizePalette(HPALETTE Palette, UINT Entries)
{
    PaletteData *P = PaletteOf(Palette);
    if (!P || FindObject(Palette)->Stock) return FALSE;
    P->Entries.resize(Entries, PALETTEENTRY{0, 0, 0, 0});
    return TRUE;
}

// Least squared distance in RGB; the lowest index wins a tie.
UINT GetNearestPaletteIndex(HPALETTE Palette, COLORREF Color)
{
    const PaletteData *P = PaletteOf(Palette);
    if (!P || P->Entries.empty()) return CLR_INVALID;
    UINT Best = 0;
    long BestDistance = -1;
    for (UINT I = 0; I < P->Entries.size(); ++I) {
        const PALETTEENTRY &E = P->Entries[I];
        const long Dr = E.peRed - GetRValue(Color), Dg = E.peGreen - GetGValue(Color),
                   Db = E.peBlue - GetBValue(Color);
        const long D = Dr * Dr + Dg * Dg + Db * Db;
        if (BestDistance < 0 || D < BestDistance) {
            BestDistance = D;
            Best = I;
        }
    }
    return Best;
}

HPALETTE SelectPalette(HDC Dc, HPALETTE Palette, BOOL)
{
    return SelectObject(Dc, Palette);
}

// Displays are true colour: realising a palette maps nothing.
UINT RealizePalette(HDC Dc)
{
    return FindDc(Dc) ? 0 : GDI_ERROR;
}

UINT GetSystemPaletteEntries(HDC, UINT, UINT, PALETTEENTRY *)
{
    return 0;
}
