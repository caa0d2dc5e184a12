#include "platform/vcl/Clipbrd.h"

#include <cstring>

// Opens the clipboard for one operation unless a caller holds it open already.
class TClipboard::Opened
{
public:
    explicit Opened(const TClipboard &Board) : FBoard(Board), FOpen(Board.Acquire()) {}
    ~Opened()
    {
        if (FOpen) FBoard.Release();
    }
    Opened(const Opened &) = delete;
    Opened &operator=(const Opened &) = delete;
    explicit operator bool() const { return FOpen; }

private:
    const TClipboard &FBoard;
    bool FOpen;
};

TClipboard *Clipboard()
{
    static TClipboard clipboard;
    return &clipboard;
}

bool TClipboard::Acquire() const
{
    if (FOpenCount == 0 && !OpenClipboard({})) return false;
    ++FOpenCount;
    return true;
}

void TClipboard::Release() const
{
    if (FOpenCount == 0) return;
    if (--FOpenCount == 0) CloseClipboard();
}

// The block stays the clipboard's; it is read only while the clipboard is open.
template <typename Char> std::basic_string<Char> TClipboard::ReadText(UINT Format) const
{
    Opened opened(*this);
    if (!opened) return {};
    const HANDLE block = GetClipboardData(Format);
    if (!block) return {};
    const auto *text = static_cast<const Char *>(GlobalLock(block));
    std::basic_string<Char> result;
    if (text) result = std::basic_string<Char>(text, std::char_traits<Char>::length(text));
    GlobalUnlock(block);
    return result;
}

void TClipboard::PutText(UINT Format, const void *Text, std::size_t Bytes)
{
    Opened opened(*this);
    if (!opened) return;
    EmptyClipboard();
    // GHND zeroes the block, so the terminating zero is already there.
    const std::size_t terminator = Format == CF_UNICODETEXT ? sizeof(char16_t) : 1;
    const HGLOBAL block = GlobalAlloc(GHND, static_cast<SIZE_T>(Bytes + terminator));
    std::memcpy(GlobalLock(block), Text, Bytes);
    GlobalUnlock(block);
    if (!SetClipboardData(Format, block)) GlobalFree(block);
}

WideString TClipboard::AsWideText() const
{
    return WideString(ReadText<char16_t>(CF_UNICODETEXT));
}

void TClipboard::SetAsWideText(const WideString &Value)
{
    PutText(CF_UNICODETEXT, Value.Std().data(), Value.Std().size() * sizeof(char16_t));
}

AnsiString TClipboard::AsText() const
{
    return AnsiString(ReadText<char>(CF_TEXT));
}

void TClipboard::SetAsText(const AnsiString &Value)
{
    PutText(CF_TEXT, Value.c_str(), static_cast<std::size_t>(Value.Length()));
}

bool TClipboard::HasFormat(WORD Format) const
{
    // A device-independent bitmap is offered wherever a bitmap is.
    return IsClipboardFormatAvailable(Format == CF_DIB ? CF_BITMAP : Format) != FALSE;
}

void TClipboard::Clear()
{
    Opened opened(*this);
    if (opened) EmptyClipboard();
}
