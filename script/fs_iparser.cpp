#include "script/fs_iparser.h"

#include "platform/rtl/SysUtils.h"

#include <algorithm>

namespace
{

constexpr unsigned char NUL = 0;
constexpr unsigned char LF = 10;
constexpr unsigned char CR = 13;

bool IsDigit(unsigned char Ch)
{
    return Ch >= '0' && Ch <= '9';
}

bool IsHexDigit(unsigned char Ch)
{
    return IsDigit(Ch) || (Ch >= 'A' && Ch <= 'F') || (Ch >= 'a' && Ch <= 'f');
}

int HexValue(unsigned char Ch)
{
    if (IsDigit(Ch)) return Ch - '0';
    return (Ch | 0x20) - 'a' + 10;
}

bool IsPunctuation(unsigned char Ch)
{
    return (Ch >= 33 && Ch <= 47) || (Ch >= 58 && Ch <= 64) || (Ch >= 91 && Ch <= 96) ||
           (Ch >= 123 && Ch <= 126);
}

// A string piece may not hold control characters other than the tab.
bool EndsStringPiece(unsigned char Ch)
{
    return Ch <= 31 && Ch != 9;
}

// "open,close" with an optional double-quoted part on either side.
void SplitPair(const AnsiString &Value, AnsiString &Open, AnsiString &Close)
{
    AnsiString parts[2];
    int part = 0;
    bool quoted = false;
    for (int i = 1; i <= Value.Length(); ++i) {
        const char ch = Value[i];
        if (ch == '"') {
            quoted = !quoted;
        } else if (ch == ',' && !quoted) {
            if (++part > 1) break;
        } else {
            parts[part] += ch;
        }
    }
    Open = parts[0];
    Close = parts[1];
}

} // namespace

TfsParser::TfsParser()
    : FKeywords(std::make_unique<TStringList>()), FSource(std::string(1, '\0')), FYList{0}
{
    FKeywords->SetSorted(true);
    Clear();
}

TfsParser::~TfsParser() = default;

void TfsParser::Clear()
{
    FCaseSensitive = false;
    FCommentLine1 = "//";
    FCommentLine2 = "";
    SetCommentBlock1("{,}");
    SetCommentBlock2("(*,*)");
    FHexSequence = "$";
    ConstructCharset("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz");
    FKeywords->Clear();
    FSkipChar = "";
    FSkipEOL = true;
    FStringQuotes = "'";
    FSkipSpace = true;
}

void TfsParser::SetCommentBlock1(const AnsiString &Value)
{
    FCommentBlock1 = Value;
    SplitPair(Value, FCommentBlock11, FCommentBlock12);
}

void TfsParser::SetCommentBlock2(const AnsiString &Value)
{
    FCommentBlock2 = Value;
    SplitPair(Value, FCommentBlock21, FCommentBlock22);
}

void TfsParser::ConstructCharset(const AnsiString &Chars)
{
    FIdentifierCharset.reset();
    for (int i = 1; i <= Chars.Length(); ++i)
        FIdentifierCharset.set(static_cast<unsigned char>(Chars[i]));
}

void TfsParser::SetText(const AnsiString &Value)
{
    FSource = Value + '\0';
    FSize = Value.Length();
    FPosition = 1;
    FLastPosition = 1;
    FYList.assign(1, 0);
    for (int i = 1; i <= FSize; ++i)
        if (At(i) == LF) FYList.push_back(i);
}

void TfsParser::SetPosition(int Value)
{
    FPosition = Value;
    FLastPosition = Value;
}

unsigned char TfsParser::At(int Index) const
{
    // Positions never leave 1..Size + 1; anything else reads as the end.
    if (Index < 1 || Index > FSize) return NUL;
    return static_cast<unsigned char>(FSource.Data()[Index - 1]);
}

bool TfsParser::TextAt(int Index, const AnsiString &Sub) const
{
    if (Sub.IsEmpty() || Index < 1 || Index + Sub.Length() - 1 > FSize) return false;
    if (FSource.Data()[Index - 1] != Sub.Data()[0]) return false; // the usual answer, cheaply
    return FSource.View().substr(Index - 1, Sub.Length()) == Sub.View();
}

bool TfsParser::IsSpace(unsigned char Ch) const
{
    // Where line ends matter, neither CR nor LF is white space, so a line end
    // stops the skip whether it is CR LF, LF alone or CR alone.
    if (!FSkipEOL && (Ch == CR || Ch == LF)) return false;
    return Ch <= 32;
}

bool TfsParser::LineCommentAt() const
{
    // Openers are looked for only before the last character: a lone "'"
    // ending the text opens no comment.
    if (FPosition >= FSize) return false;
    for (const AnsiString *opener : {&FCommentLine1, &FCommentLine2}) {
        if (!TextAt(FPosition, *opener)) continue;
        // A word-like opener ("rem") opens a comment only as a whole word, so
        // that names such as "remainder" stay names.
        const int after = FPosition + opener->Length();
        if (IsIdentChar(At(after - 1)) && IsIdentChar(At(after))) continue;
        return true;
    }
    return false;
}

bool TfsParser::SkipBlockComment()
{
    const AnsiString *close = nullptr;
    if (!FCommentBlock1.IsEmpty() && TextAt(FPosition, FCommentBlock11))
        close = &FCommentBlock12;
    else if (!FCommentBlock2.IsEmpty() && TextAt(FPosition, FCommentBlock21))
        close = &FCommentBlock22;
    if (!close) return false;
    FPosition += std::max(close->Length(), 1);
    while (FPosition <= FSize && !TextAt(FPosition, *close))
        ++FPosition;
    // An unterminated comment ends at the end of the text, never beyond it.
    FPosition = std::min(FPosition + close->Length(), FSize + 1);
    return true;
}

void TfsParser::SkipLineEnds()
{
    while (At(FPosition) == CR || At(FPosition) == LF)
        ++FPosition;
}

void TfsParser::SkipSpaces()
{
    // A continuation character swallows the line end after it; the flag
    // carries that over the white space and comments in between.
    bool continuation = false;
    for (;;) {
        while (FPosition <= FSize && IsSpace(At(FPosition)))
            ++FPosition;
        if (FPosition <= FSize && !FSkipChar.IsEmpty() &&
            At(FPosition) == static_cast<unsigned char>(FSkipChar[1])) {
            ++FPosition;
            continuation = true;
            continue;
        }
        if (LineCommentAt()) {
            while (FPosition <= FSize && At(FPosition) != LF && At(FPosition) != CR)
                ++FPosition;
            continue;
        }
        if (SkipBlockComment()) continue;
        if (continuation && (At(FPosition) == CR || At(FPosition) == LF)) {
            SkipLineEnds();
            continuation = false;
            continue;
        }
        break;
    }
    FLastPosition = FPosition;
}

bool TfsParser::GetEOL()
{
    SkipSpaces();
    if (At(FPosition) != CR && At(FPosition) != LF) return false;
    SkipLineEnds();
    return true;
}

AnsiString TfsParser::Ident()
{
    if (FSkipSpace) SkipSpaces();
    const unsigned char first = At(FPosition);
    if (FPosition > FSize || !IsIdentChar(first) || IsDigit(first)) return AnsiString();
    const int start = FPosition;
    while (FPosition <= FSize && IsIdentChar(At(FPosition)))
        ++FPosition;
    return FSource.SubString(start, FPosition - start);
}

AnsiString TfsParser::GetIdent()
{
    AnsiString word = Ident();
    if (!word.IsEmpty() && IsKeyWord(word)) return AnsiString();
    return word;
}

AnsiString TfsParser::GetWord()
{
    return Ident();
}

bool TfsParser::IsKeyWord(const AnsiString &Word) const
{
    int index = 0;
    if (!FKeywords->Find(Word, index)) return false;
    if (!FCaseSensitive) return true;
    // An exact match is among the entries equal without regard to case.
    for (; index < FKeywords->Count(); ++index) {
        const AnsiString entry = FKeywords->Strings(index);
        if (!AnsiSameText(entry, Word)) return false;
        if (entry == Word) return true;
    }
    return false;
}

AnsiString TfsParser::GetChar()
{
    const unsigned char ch = At(FPosition);
    if (FPosition > FSize || !IsPunctuation(ch)) return AnsiString();
    FLastPosition = FPosition;
    ++FPosition;
    return AnsiString(static_cast<char>(ch));
}

bool TfsParser::ReadDigits()
{
    const int start = FPosition;
    while (IsDigit(At(FPosition)))
        ++FPosition;
    return FPosition > start;
}

bool TfsParser::ReadUnsignedInteger()
{
    const int start = FPosition;
    if (TextAt(FPosition, FHexSequence)) {
        FPosition += FHexSequence.Length();
        const int digits = FPosition;
        while (IsHexDigit(At(FPosition)))
            ++FPosition;
        if (FPosition > digits) return true;
        FPosition = start;
    }
    return ReadDigits();
}

bool TfsParser::ReadUnsignedReal()
{
    const int start = FPosition;
    if (!ReadUnsignedInteger()) return false;
    if (At(FPosition) == '.') {
        ++FPosition;
        if (!ReadDigits()) {
            FPosition = start;
            return false;
        }
    }
    if (At(FPosition) == 'E' || At(FPosition) == 'e') {
        const int scale = FPosition;
        ++FPosition;
        if (At(FPosition) == '+' || At(FPosition) == '-') ++FPosition;
        if (!ReadDigits()) FPosition = scale;
    }
    return true;
}

AnsiString TfsParser::GetNumber()
{
    if (FSkipSpace) SkipSpaces();
    const int start = FPosition;
    FLastPosition = start;
    if (!ReadUnsignedReal() && !ReadUnsignedInteger()) {
        FPosition = start;
        return AnsiString();
    }
    AnsiString number = FSource.SubString(start, FPosition - start);
    if (FHexSequence != "$" && !FHexSequence.IsEmpty()) {
        const int at = number.Pos(FHexSequence);
        if (at > 0) {
            number.Delete(at, FHexSequence.Length());
            number.Insert("$", at);
        }
    }
    return number;
}

// The character of a code: the low eight bits of the number, whatever its size.
unsigned char TfsParser::ReadNumberLowByte(int Start, int End) const
{
    unsigned value = 0;
    int i = Start;
    const bool hex = TextAt(Start, FHexSequence);
    if (hex) i += FHexSequence.Length();
    for (; i < End; ++i)
        value = hex ? value * 16 + HexValue(At(i)) : value * 10 + (At(i) - '0');
    return static_cast<unsigned char>(value & 0xFF);
}

bool TfsParser::ReadCharCode(AnsiString &Value)
{
    if (At(FPosition) != '#') return false;
    const int start = FPosition;
    ++FPosition;
    const int digits = FPosition;
    if (!ReadUnsignedInteger()) {
        FPosition = start;
        return false;
    }
    Value += static_cast<char>(ReadNumberLowByte(digits, FPosition));
    return true;
}

// One escape of a C-style string, the backslash already read. False when the
// string breaks off after the backslash.
bool TfsParser::ReadEscape(AnsiString &Value)
{
    const unsigned char ch = At(FPosition);
    if (FPosition > FSize || EndsStringPiece(ch)) return false;
    ++FPosition;
    if (ch == 'n' || ch == 'N') {
        Value += '\n';
    } else if (ch == 'r' || ch == 'R') {
        Value += '\r';
    } else if (ch == 'x' || ch == 'X') {
        unsigned code = 0;
        bool any = false;
        while (IsHexDigit(At(FPosition))) {
            code = (code * 16 + HexValue(At(FPosition))) & 0xFF;
            any = true;
            ++FPosition;
        }
        if (any) Value += static_cast<char>(code);
    } else {
        Value += static_cast<char>(ch);
    }
    return true;
}

bool TfsParser::ReadQuotedPiece(AnsiString &Value)
{
    const unsigned char quote =
        static_cast<unsigned char>(FStringQuotes.IsEmpty() ? '\'' : FStringQuotes[1]);
    if (At(FPosition) != quote || FPosition > FSize) return false;
    const bool cStyle = quote == '"';
    const int start = FPosition;
    AnsiString piece;
    ++FPosition;
    for (;;) {
        const unsigned char ch = At(FPosition);
        if (FPosition > FSize || EndsStringPiece(ch)) {
            FPosition = start;
            return false;
        }
        ++FPosition;
        if (ch == quote) {
            if (cStyle || At(FPosition) != quote) break;
            ++FPosition;
            piece += static_cast<char>(quote);
        } else if (cStyle && ch == '\\') {
            if (!ReadEscape(piece)) {
                FPosition = start;
                return false;
            }
        } else {
            piece += static_cast<char>(ch);
        }
    }
    Value += piece;
    return true;
}

AnsiString TfsParser::GetString()
{
    if (FSkipSpace) SkipSpaces();
    FLastPosition = FPosition;
    AnsiString value;
    bool any = false;
    while (ReadQuotedPiece(value) || ReadCharCode(value))
        any = true;
    if (!any) return AnsiString();
    return "'" + value + "'";
}

AnsiString TfsParser::GetFRString()
{
    const int start = FPosition;
    int depth = 1;
    bool inDouble = false;
    bool inSingle = false;
    while (FPosition < FSize) {
        const unsigned char ch = At(FPosition);
        if (ch == '"' && !inSingle) {
            inDouble = !inDouble;
        } else if (ch == '\'' && !inDouble) {
            inSingle = !inSingle;
        } else if (!inDouble && !inSingle) {
            if (ch == '<' || ch == '[') ++depth;
            if (ch == '>' || ch == ']') --depth;
            if (depth == 0) break;
        }
        ++FPosition;
    }
    return FSource.SubString(start, FPosition - start);
}

AnsiString TfsParser::PositionToXY(int Value) const
{
    auto line = std::lower_bound(FYList.begin(), FYList.end(), Value) - FYList.begin();
    if (line == 0) line = 1; // only for positions before the text
    const int column = Value - FYList[line - 1];
    return AnsiString(static_cast<int>(line)) + ":" + AnsiString(column);
}

AnsiString TfsParser::GetXYPosition() const
{
    return PositionToXY(FPosition);
}

int TfsParser::GetPlainPosition(const POINT &Point) const
{
    const long index = Point.y - 1;
    if (index < 0 || index >= static_cast<long>(FYList.size())) return -1;
    return FYList[index] + Point.x;
}
