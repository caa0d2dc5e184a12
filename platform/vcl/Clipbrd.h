#pragma once

// The clipboard of the class library over the windowing kernel's clipboard:
// text in cp1251 as AsText gives it, and Unicode text.

#include "platform/vcl/Graphics.h"
#include "platform/win/Clipboard.h"

class TClipboard : public TPersistent
{
    QRV4_CLASS(TClipboard, TPersistent)

public:
    TClipboard() = default;

    // The clipboard's text in cp1251; characters it cannot hold become '?'.
    // Empty when the clipboard holds no text or cannot be opened.
    AnsiString AsText() const;
    void SetAsText(const AnsiString &Value);
    WideString AsWideText() const;
    void SetAsWideText(const WideString &Value);
    // Text formats are there when the clipboard holds text; a bitmap when an image.
    bool HasFormat(WORD Format) const;
    void Clear();
    // Brackets several operations in one opening of the clipboard; nests.
    // False when the clipboard is held open elsewhere.
    bool Open() { return Acquire(); }
    void Close() { Release(); }

private:
    class Opened;
    // Reading does not change the clipboard, but it has to open it.
    bool Acquire() const;
    void Release() const;
    template <typename Char> std::basic_string<Char> ReadText(UINT Format) const;
    void PutText(UINT Format, const void *Text, std::size_t Bytes);
    mutable int FOpenCount = 0;
};

TClipboard *Clipboard();
