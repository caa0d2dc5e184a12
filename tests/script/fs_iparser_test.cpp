#include "script/fs_iparser.h"

#include <gtest/gtest.h>

namespace
{

struct Scanner : testing::Test {
    TfsParser P;
    void Text(const AnsiString &Value) { P.SetText(Value); }
    // The C-style settings of C++Script, JScript and BasicScript.
    void CStyle()
    {
        P.SetStringQuotes("\"");
        P.SetHexSequence("0x");
    }
};

TEST_F(Scanner, EmptyText_EveryReaderReadsNothing)
{
    Text("");
    EXPECT_EQ(P.GetIdent(), "");
    EXPECT_EQ(P.GetWord(), "");
    EXPECT_EQ(P.GetChar(), "");
    EXPECT_EQ(P.GetNumber(), "");
    EXPECT_EQ(P.GetString(), "");
    EXPECT_EQ(P.GetFRString(), "");
    EXPECT_FALSE(P.GetEOL());
    EXPECT_EQ(P.Position(), 1);
    EXPECT_EQ(P.GetXYPosition(), "1:1");
}

TEST_F(Scanner, IdentifiersWordsAndKeywords)
{
    P.Keywords()->Add("begin");
    Text("  Begin x_1 2y");
    EXPECT_EQ(P.GetIdent(), "");
    EXPECT_EQ(P.Position(), 8); // stays after the reserved word
    P.SetPosition(1);
    EXPECT_EQ(P.GetWord(), "Begin");
    EXPECT_EQ(P.GetIdent(), "x_1");
    EXPECT_EQ(P.GetIdent(), "");
    EXPECT_EQ(P.GetNumber(), "2");
    EXPECT_TRUE(P.IsKeyWord("BEGIN"));
    P.SetCaseSensitive(true);
    EXPECT_FALSE(P.IsKeyWord("BEGIN"));
    EXPECT_TRUE(P.IsKeyWord("begin"));
}

TEST_F(Scanner, GetChar_OnlyPunctuationAndNoSkip)
{
    Text(":= a");
    EXPECT_EQ(P.GetChar(), ":");
    EXPECT_EQ(P.GetChar(), "=");
    EXPECT_EQ(P.GetChar(), ""); // the blank is not skipped
    P.SkipSpaces();
    EXPECT_EQ(P.GetChar(), "");
    EXPECT_EQ(P.Position(), 4);
}

TEST_F(Scanner, Numbers)
{
    struct Case {
        const char *Text, *Number;
        int After;
    };
    for (const Case &c : {Case{"3.14e-2;", "3.14e-2", 8}, Case{"3.e5", "3", 2},
                          Case{"1..5", "1", 2}, Case{"$FF+", "$FF", 4}, Case{"12E", "12", 3},
                          Case{"7e+", "7", 2}, Case{"$", "", 1}, Case{"x", "", 1}}) {
        Text(c.Text);
        EXPECT_EQ(P.GetNumber(), c.Number) << c.Text;
        EXPECT_EQ(P.Position(), c.After) << c.Text;
    }
    CStyle();
    Text("0x1f");
    EXPECT_EQ(P.GetNumber(), "$1f");
    Text("0X1F");
    EXPECT_EQ(P.GetNumber(), "0");
}

TEST_F(Scanner, PascalStrings_DoubledQuotesAndCharacterCodes)
{
    Text("'it''s'");
    EXPECT_EQ(P.GetString(), "'it's'");
    Text("'a'#13#10'b' x");
    EXPECT_EQ(P.GetString(), "'a\r\nb'");
    EXPECT_EQ(P.Position(), 13);
    Text("#$41#66");
    EXPECT_EQ(P.GetString(), "'AB'");
    Text("'never closed");
    EXPECT_EQ(P.GetString(), "");
    EXPECT_EQ(P.Position(), 1);
    Text("'spans\r\nlines'");
    EXPECT_EQ(P.GetString(), "");
    Text("'a'  'b'");
    EXPECT_EQ(P.GetString(), "'a'"); // pieces must touch
}

TEST_F(Scanner, CStrings_EscapesAndJoinedPieces)
{
    CStyle();
    Text(R"("a\"b\\c\n\R\x41\qz")");
    EXPECT_EQ(P.GetString(), "'a\"b\\c\n\rAqz'");
    Text(R"("a""b")");
    EXPECT_EQ(P.GetString(), "'ab'");
    Text(R"("\xg")");
    EXPECT_EQ(P.GetString(), "'g'");
    Text("\"tab\there\"");
    EXPECT_EQ(P.GetString(), "'tab\there'");
}

// Character codes keep their low eight bits however long the number is.
TEST_F(Scanner, LongCharacterCodes_WrapInsteadOfOverflowing)
{
    CStyle();
    Text(R"("\x1234567890ABCDEF41")");
    EXPECT_EQ(P.GetString(), "'A'");
    Text("#99999999999999999999");
    EXPECT_EQ(P.GetString(), AnsiString("'") + static_cast<char>(255) + "'");
}

TEST_F(Scanner, BackslashAtTheEnd_EndsNoString)
{
    CStyle();
    Text("\"abc\\");
    EXPECT_EQ(P.GetString(), "");
    EXPECT_EQ(P.Position(), 1);
}

TEST_F(Scanner, Comments_LineAndBothBlockForms)
{
    Text("{ a } (* b *) // c\r\n x");
    EXPECT_EQ(P.GetIdent(), "x");
    EXPECT_EQ(P.LastPosition(), 22);
    P.SetCommentBlock1("/*,*/");
    Text("/* a */x");
    EXPECT_EQ(P.GetIdent(), "x");
}

TEST_F(Scanner, UnterminatedBlockComment_StopsAtTheEnd)
{
    Text("x { never closed");
    EXPECT_EQ(P.GetIdent(), "x");
    P.SkipSpaces();
    EXPECT_EQ(P.Position(), P.Size() + 1);
    P.SetCommentBlock1("/*,*/");
    Text("/*");
    P.SkipSpaces();
    EXPECT_EQ(P.Position(), 3);
    EXPECT_EQ(P.GetChar(), "");
}

TEST_F(Scanner, OneCharacterOpener_AsLastCharacter_IsNoComment)
{
    P.SetCommentLine1("'");
    Text("x '");
    EXPECT_EQ(P.GetIdent(), "x");
    EXPECT_EQ(P.GetChar(), "");
    P.SkipSpaces();
    EXPECT_EQ(P.Position(), 3);
    EXPECT_EQ(P.GetChar(), "'");
    Text("x '\n");
    EXPECT_EQ(P.GetIdent(), "x");
    P.SkipSpaces();
    EXPECT_EQ(P.Position(), 5);
}

TEST_F(Scanner, WordOpener_OnlyAsAWholeWord)
{
    P.SetCommentLine2("rem");
    Text("rem note\r\nremainder");
    EXPECT_EQ(P.GetIdent(), "remainder");
    Text("REM");
    EXPECT_EQ(P.GetIdent(), "REM"); // matched with case
}

TEST_F(Scanner, SignificantLineEnds_BlankLinesAreOneEnd)
{
    P.SetSkipEOL(false);
    Text("a \r\n\r\n\n b");
    EXPECT_EQ(P.GetIdent(), "a");
    EXPECT_EQ(P.GetIdent(), "");
    EXPECT_TRUE(P.GetEOL());
    EXPECT_EQ(P.GetIdent(), "b");
    EXPECT_FALSE(P.GetEOL());
}

TEST_F(Scanner, ContinuationCharacter_JoinsLines)
{
    P.SetSkipEOL(false);
    P.SetSkipChar("_");
    Text("a _ ' note\r\n  b _\nc");
    EXPECT_EQ(P.GetIdent(), "a");
    P.SetCommentLine1("'");
    EXPECT_EQ(P.GetIdent(), "b");
    EXPECT_EQ(P.GetIdent(), "c");
}

TEST_F(Scanner, DataFieldText_StopsAtTheMatchingBracket)
{
    Text("ds.\"a>b\" + 'c]' [x] > tail");
    EXPECT_EQ(P.GetFRString(), "ds.\"a>b\" + 'c]' [x] ");
    EXPECT_EQ(P.GetChar(), ">");
    Text("open");
    EXPECT_EQ(P.GetFRString(), "ope");
}

TEST_F(Scanner, Positions_LineAndColumn)
{
    Text("ab\r\ncd\nef");
    EXPECT_EQ(P.PositionToXY(1), "1:1");
    EXPECT_EQ(P.PositionToXY(3), "1:3");
    EXPECT_EQ(P.PositionToXY(4), "1:4"); // the line feed belongs to its line
    EXPECT_EQ(P.PositionToXY(5), "2:1");
    EXPECT_EQ(P.PositionToXY(8), "3:1");
    P.SetPosition(10);
    EXPECT_EQ(P.GetXYPosition(), "3:3");
    EXPECT_EQ(P.GetPlainPosition(POINT{2, 2}), 6);
    EXPECT_EQ(P.GetPlainPosition(POINT{1, 4}), -1);
}

TEST_F(Scanner, Clear_ResetsEverySetting)
{
    P.SetCommentLine2("rem");
    P.SetCaseSensitive(true);
    P.SetSkipEOL(false);
    P.Keywords()->Add("x");
    P.Clear();
    EXPECT_EQ(P.CommentLine2(), "");
    EXPECT_FALSE(P.CaseSensitive());
    EXPECT_TRUE(P.SkipEOL());
    EXPECT_EQ(P.Keywords()->Count(), 0);
    EXPECT_EQ(P.CommentBlock2(), "(*,*)");
}

} // namespace
