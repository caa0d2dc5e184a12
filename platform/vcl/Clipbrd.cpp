#include "platform/vcl/Clipbrd.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace
{

QClipboard *SystemClipboard()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance())
               ? QGuiApplication::clipboard()
               : nullptr;
}

} // namespace

TClipboard *Clipboard()
{
    static TClipboard clipboard;
    return &clipboard;
}

WideString TClipboard::AsWideText() const
{
    QClipboard *clipboard = SystemClipboard();
    if (!clipboard) return {};
    return WideString(clipboard->text().toStdU16String());
}

void TClipboard::SetAsWideText(const WideString &Value)
{
    if (QClipboard *clipboard = SystemClipboard())
        clipboard->setText(QString::fromStdU16String(Value.Std()));
}

AnsiString TClipboard::AsText() const
{
    return AnsiString(AsWideText());
}

void TClipboard::SetAsText(const AnsiString &Value)
{
    SetAsWideText(WideString(Value));
}

bool TClipboard::HasFormat(WORD Format) const
{
    QClipboard *clipboard = SystemClipboard();
    if (!clipboard) return false;
    const QMimeData *data = clipboard->mimeData();
    if (!data) return false;
    switch (Format) {
    case CF_TEXT:
    case CF_UNICODETEXT:
        return data->hasText();
    case CF_BITMAP:
    case CF_DIB:
        return data->hasImage();
    default:
        return false;
    }
}

void TClipboard::Clear()
{
    if (QClipboard *clipboard = SystemClipboard()) clipboard->clear();
}
