#include "platform/win/Metafile.h"

#include "platform/win/DeviceContext.h"
#include "platform/win/GdiText.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace win
{
namespace
{

struct MetafileTable {
    std::mutex Mutex;
    std::map<std::uintptr_t, std::shared_ptr<MetafileRecords>> Live;
    std::uintptr_t NextId = 1;
};

MetafileTable &Metafiles()
{
    static MetafileTable Table;
    return Table;
}

std::vector<DWORD> Plain(DWORD Type)
{
    return std::vector<DWORD>{Type, 2 * sizeof(DWORD)};
}

std::shared_ptr<MetafileRecords> Find(HENHMETAFILE Handle)
{
    MetafileTable &T = Metafiles();
    std::lock_guard Lock(T.Mutex);
    const auto It = T.Live.find(reinterpret_cast<std::uintptr_t>(Handle));
    return It == T.Live.end() ? nullptr : It->second;
}

int Pixels(LONG HundredthsOfMm)
{
    return std::max(1, static_cast<int>(std::lround(HundredthsOfMm * 96.0 / 2540.0)));
}

} // namespace

void RecordText(DeviceContext &Dc, const TextRun &Run, UINT Options)
{
    if (!Dc.Recording) return;
    int Width = 0;
    for (int A : Run.Advances)
        Width += A;
    const RealFont &F = FontFor(Dc);
    int Left = Run.Reference.x(), Top = Run.Reference.y();
    if ((Run.Align & TA_CENTER) == TA_CENTER)
        Left -= Width / 2;
    else if (Run.Align & TA_RIGHT)
        Left -= Width;
    if ((Run.Align & TA_BASELINE) == TA_BASELINE)
        Top -= F.Ascent;
    else if (Run.Align & TA_BOTTOM)
        Top -= F.Height();

    const std::size_t Chars = Run.Text.size();
    const std::size_t Head = sizeof(EMREXTTEXTOUTW);
    const std::size_t Bytes = (Head + Chars * sizeof(char16_t) + 3) / 4 * 4;
    std::vector<DWORD> Record(Bytes / 4, 0);
    EMREXTTEXTOUTW R{};
    R.emr = EMR{EMR_EXTTEXTOUTW, static_cast<DWORD>(Bytes)};
    R.rclBounds = RECTL{Left, Top, Left + Width, Top + F.Height()};
    R.iGraphicsMode = 1;
    R.exScale = R.eyScale = 1;
    R.emrtext.ptlReference = POINTL{Run.Reference.x(), Run.Reference.y()};
    R.emrtext.nChars = static_cast<DWORD>(Chars);
    R.emrtext.offString = static_cast<DWORD>(Head);
    R.emrtext.fOptions = Options;
    R.emrtext.rcl = RECTL{R.rclBounds.left, R.rclBounds.top, R.rclBounds.right, R.rclBounds.bottom};
    auto *Out = reinterpret_cast<unsigned char *>(Record.data());
    std::memcpy(Out, &R, Head);
    std::memcpy(Out + Head, Run.Text.data(), Chars * sizeof(char16_t));
    Dc.Recording->push_back(std::move(Record));
}

} // namespace win

using namespace win;

HDC CreateEnhMetaFileW(HDC Reference, LPCWSTR FileName, const RECT *Frame, LPCWSTR)
{
    if (FileName) return {};
    int Width = 1, Height = 1;
    if (Frame) {
        Width = Pixels(Frame->right - Frame->left);
        Height = Pixels(Frame->bottom - Frame->top);
    } else if (Reference) {
        Width = GetDeviceCaps(Reference, HORZRES);
        Height = GetDeviceCaps(Reference, VERTRES);
    }
    const HDC Dc = CreateCompatibleDC({});
    const HBITMAP Surface = CreateBitmap(Width, Height, 1, 32, nullptr);
    SelectObject(Dc, Surface);
    DeviceContext *D = FindDc(Dc);
    D->Recording = std::make_shared<MetafileRecords>();
    D->Recording->push_back(Plain(EMR_HEADER));
    D->RecordingSurface = Surface;
    return Dc;
}

HENHMETAFILE CloseEnhMetaFile(HDC Dc)
{
    DeviceContext *D = FindDc(Dc);
    if (!D || !D->Recording) return {};
    std::shared_ptr<MetafileRecords> Records = std::move(D->Recording);
    const HBITMAP Surface = D->RecordingSurface;
    DeleteDC(Dc);
    DeleteObject(Surface);
    Records->push_back(Plain(EMR_EOF));
    MetafileTable &T = Metafiles();
    std::lock_guard Lock(T.Mutex);
    const std::uintptr_t Id = T.NextId++;
    T.Live.emplace(Id, std::move(Records));
    return reinterpret_cast<HENHMETAFILE>(Id);
}

BOOL DeleteEnhMetaFile(HENHMETAFILE Metafile)
{
    MetafileTable &T = Metafiles();
    std::lock_guard Lock(T.Mutex);
    return T.Live.erase(reinterpret_cast<std::uintptr_t>(Metafile)) ? TRUE : FALSE;
}

BOOL EnumEnhMetaFile(HDC Dc, HENHMETAFILE Metafile, ENHMFENUMPROC Proc, LPVOID Data, const RECT *)
{
    const std::shared_ptr<MetafileRecords> Records = Find(Metafile);
    if (!Records || !Proc) return FALSE;
    HANDLETABLE Handles{};
    for (const std::vector<DWORD> &Record : *Records)
        if (!Proc(Dc, &Handles, reinterpret_cast<const ENHMETARECORD *>(Record.data()), 1,
                  reinterpret_cast<LPARAM>(Data)))
            return FALSE;
    return TRUE;
}
