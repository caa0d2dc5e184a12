#pragma once

// The scanner under every script language. It knows no grammar: the IL
// compiler calls one reader per token kind in the order its grammar asks for
// and backtracks by setting the position back. Each reader skips white space
// and comments first (punctuation excepted), reads the longest token of its
// kind, and returns its text, or returns empty text and leaves the position
// where it was. No reader raises.

#include "platform/rtl/Classes.h"
#include "platform/rtl/System.h"
#include "platform/win/WinTypes.h"

#include <bitset>
#include <memory>
#include <vector>

class TfsParser
{
public:
    TfsParser();
    ~TfsParser();
    TfsParser(const TfsParser &) = delete;
    TfsParser &operator=(const TfsParser &) = delete;

    // Back to the settings every language starts from (those of PascalScript).
    void Clear();

    void ConstructCharset(const AnsiString &Chars);
    void SkipSpaces();

    bool GetEOL();
    AnsiString GetIdent();
    AnsiString GetWord();
    AnsiString GetChar();
    AnsiString GetNumber();
    AnsiString GetString();
    AnsiString GetFRString();
    bool IsKeyWord(const AnsiString &Word) const;

    // "line:col" of the current position, both counted from 1.
    AnsiString GetXYPosition() const;
    // The same for any position of the text.
    AnsiString PositionToXY(int Value) const;
    // Position of column Point.x on line Point.y; -1 when there is no such line.
    int GetPlainPosition(const POINT &Point) const;

    const AnsiString &CommentBlock1() const { return FCommentBlock1; }
    void SetCommentBlock1(const AnsiString &Value);
    const AnsiString &CommentBlock2() const { return FCommentBlock2; }
    void SetCommentBlock2(const AnsiString &Value);
    const AnsiString &CommentLine1() const { return FCommentLine1; }
    void SetCommentLine1(const AnsiString &Value) { FCommentLine1 = Value; }
    const AnsiString &CommentLine2() const { return FCommentLine2; }
    void SetCommentLine2(const AnsiString &Value) { FCommentLine2 = Value; }
    const AnsiString &HexSequence() const { return FHexSequence; }
    void SetHexSequence(const AnsiString &Value) { FHexSequence = Value; }
    const AnsiString &SkipChar() const { return FSkipChar; }
    void SetSkipChar(const AnsiString &Value) { FSkipChar = Value; }
    bool SkipEOL() const { return FSkipEOL; }
    void SetSkipEOL(bool Value) { FSkipEOL = Value; }
    bool SkipSpace() const { return FSkipSpace; }
    void SetSkipSpace(bool Value) { FSkipSpace = Value; }
    const AnsiString &StringQuotes() const { return FStringQuotes; }
    void SetStringQuotes(const AnsiString &Value) { FStringQuotes = Value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value) { FCaseSensitive = Value; }

    std::bitset<256> &IdentifierCharset() { return FIdentifierCharset; }
    TStringList *Keywords() const { return FKeywords.get(); }

    const AnsiString &Text() const { return FSource; }
    void SetText(const AnsiString &Value);
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    int LastPosition() const { return FLastPosition; }
    int Size() const { return FSize; }

private:
    unsigned char At(int Index) const;
    bool IsIdentChar(unsigned char Ch) const { return FIdentifierCharset[Ch]; }
    bool IsSpace(unsigned char Ch) const;
    bool TextAt(int Index, const AnsiString &Sub) const;
    bool LineCommentAt() const;
    bool SkipBlockComment();
    void SkipLineEnds();
    AnsiString Ident();
    bool ReadUnsignedInteger();
    bool ReadUnsignedReal();
    bool ReadDigits();
    bool ReadCharCode(AnsiString &Value);
    bool ReadQuotedPiece(AnsiString &Value);
    bool ReadEscape(AnsiString &Value);
    unsigned char ReadNumberLowByte(int Start, int End) const;

    AnsiString FCommentBlock1, FCommentBlock11, FCommentBlock12;
    AnsiString FCommentBlock2, FCommentBlock21, FCommentBlock22;
    AnsiString FCommentLine1, FCommentLine2;
    AnsiString FHexSequence;
    std::bitset<256> FIdentifierCharset;
    std::unique_ptr<TStringList> FKeywords;
    int FLastPosition = 1;
    int FPosition = 1;
    int FSize = 0;
    AnsiString FSkipChar;
    bool FSkipEOL = true;
    bool FSkipSpace = true;
    AnsiString FStringQuotes;
    AnsiString FSource; // the text with one NUL appended, so every scan ends at Size + 1
    std::vector<int> FYList;
    bool FCaseSensitive = false;
};
