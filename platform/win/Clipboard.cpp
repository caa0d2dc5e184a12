#include "platform/win/Clipboard.h"

#include "platform/rtl/System.h"
#include "platform/win/GdiObjects.h"
#include "platform/win/WindowWidget.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstring>
#include <map>

namespace win
{
namespace
{

struct ClipboardState {
    bool Open = false;
    HWND Owner{};
    // Data handed out by GetClipboardData belongs to the clipboard until it is
    // emptied or asked again.
    std::map<UINT, HANDLE> Handed;
};

ClipboardState &State()
{
    static ClipboardState S;
    return S;
}

QClipboard *Board()
{
    return GuiThread() ? QGuiApplication::clipboard() : nullptr;
}

void ForgetHanded(UINT Format)
{
    auto &H = State().Handed;
    auto It = H.find(Format);
    if (It == H.end()) return;
    if (Format == CF_BITMAP)
        DeleteObject(It->second);
    else
        GlobalFree(It->second);
    H.erase(It);
}

QString TextOf(UINT Format, HANDLE Data)
{
    const auto *Bytes = static_cast<const char *>(GlobalLock(Data));
    const SIZE_T Size = GlobalSize(Data);
    QString Text;
    if (!Bytes) return Text;
    if (Format == CF_UNICODETEXT) {
        const auto *Wide = reinterpret_cast<const char16_t *>(Bytes);
        std::size_t N = 0;
        while (N < Size / 2 && Wide[N])
            ++N;
        Text = QString(reinterpret_cast<const QChar *>(Wide), static_cast<qsizetype>(N));
    } else {
        for (SIZE_T I = 0; I < Size && Bytes[I]; ++I)
            Text.append(QChar(rtl::Cp1251ToUnicode(static_cast<unsigned char>(Bytes[I]))));
    }
    GlobalUnlock(Data);
    return Text;
}

HANDLE TextHandle(UINT Format, const QString &Text)
{
    if (Format == CF_UNICODETEXT) {
        const HGLOBAL H = GlobalAlloc(GHND, static_cast<SIZE_T>(Text.size() + 1) * 2);
        std::memcpy(GlobalLock(H), Text.utf16(), static_cast<std::size_t>(Text.size()) * 2);
        GlobalUnlock(H);
        return H;
    }
    const HGLOBAL H = GlobalAlloc(GHND, static_cast<SIZE_T>(Text.size() + 1));
    auto *Out = static_cast<char *>(GlobalLock(H));
    for (qsizetype I = 0; I < Text.size(); ++I)
        Out[I] = rtl::UnicodeToCp1251(Text.at(I).unicode());
    GlobalUnlock(H);
    return H;
}

} // namespace
} // namespace win

using namespace win;

BOOL OpenClipboard(HWND Owner)
{
    ClipboardState &S = State();
    if (S.Open) return FALSE;
    S.Open = true;
    S.Owner = Owner;
    return TRUE;
}

BOOL CloseClipboard()
{
    ClipboardState &S = State();
    if (!S.Open) return FALSE;
    S.Open = false;
    S.Owner = {};
    return TRUE;
}

BOOL EmptyClipboard()
{
    ClipboardState &S = State();
    if (!S.Open) return FALSE;
    for (UINT F : {CF_TEXT, CF_OEMTEXT, CF_UNICODETEXT, CF_BITMAP})
        ForgetHanded(F);
    if (QClipboard *B = Board()) B->clear();
    return TRUE;
}

// The clipboard takes the data: text blocks are freed once copied out.
HANDLE SetClipboardData(UINT Format, HANDLE Data)
{
    QClipboard *B = Board();
    if (!State().Open || !B || !Data) return {};
    switch (Format) {
    case CF_TEXT:
    case CF_OEMTEXT:
    case CF_UNICODETEXT:
        B->setText(TextOf(Format, Data));
        GlobalFree(Data);
        return Data;
    case CF_BITMAP: {
        BitmapData *Bmp = BitmapOf(Data);
        if (!Bmp) return {};
        Bmp->Pull(QRect(0, 0, Bmp->Width, Bmp->Height));
        B->setImage(Bmp->Image.copy(0, 0, Bmp->Width, Bmp->Height));
        DeleteObject(Data);
        return Data;
    }
    default:
        return {};
    }
}

HANDLE GetClipboardData(UINT Format)
{
    QClipboard *B = Board();
    if (!State().Open || !B || !IsClipboardFormatAvailable(Format)) return {};
    ForgetHanded(Format);
    HANDLE H{};
    if (Format == CF_BITMAP) {
        const QImage Image = B->image().convertToFormat(QImage::Format_RGB32);
        H = CreateBitmap(Image.width(), Image.height(), 1, 32, nullptr);
        BitmapOf(H)->Image = Image;
    } else {
        H = TextHandle(Format, B->text());
    }
    State().Handed[Format] = H;
    return H;
}

BOOL IsClipboardFormatAvailable(UINT Format)
{
    QClipboard *B = Board();
    if (!B) return FALSE;
    const QMimeData *M = B->mimeData();
    if (!M) return FALSE;
    switch (Format) {
    case CF_TEXT:
    case CF_OEMTEXT:
    case CF_UNICODETEXT:
        return M->hasText();
    case CF_BITMAP:
        return M->hasImage();
    default:
        return FALSE;
    }
}

HWND GetOpenClipboardWindow()
{
    return State().Open ? State().Owner : HWND{};
}
