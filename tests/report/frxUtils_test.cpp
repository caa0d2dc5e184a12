#include "report/frxUtils.h"
#include "tests/report/ReportTestSupport.h"

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/StdCtrls.h"

#include <gtest/gtest.h>

namespace
{

AnsiString Pages(const AnsiString &Text, int Total)
{
    TStringList List;
    frxParsePageNumbers(Text, &List, Total);
    AnsiString Result;
    for (int i = 0; i < List.Count(); ++i)
        Result += (i ? "," : "") + List[i];
    return Result;
}

// Restores the process-wide decimal separator after a test changes it.
class SeparatorGuard
{
public:
    SeparatorGuard() : FSaved(DecimalSeparator) {}
    ~SeparatorGuard() { DecimalSeparator = FSaved; }
    SeparatorGuard(const SeparatorGuard &) = delete;
    SeparatorGuard &operator=(const SeparatorGuard &) = delete;

private:
    char FSaved;
};

} // namespace

TEST(PageNumbers, ParsesListsRangesAndOpenEnds)
{
    EXPECT_EQ(Pages(" 1 , 3,5-7, 9-", 10), "1,3,5,6,7,9,10");
    EXPECT_EQ(Pages("5-", 7), "5,6,7");
    EXPECT_EQ(Pages("12-5", 20), "");
    EXPECT_EQ(Pages("", 10), "");
    EXPECT_THROW(Pages("x", 10), EConvertError);
    EXPECT_THROW(Pages("1-y", 10), EConvertError);
}

TEST(PageNumbers, RangesStayWithinTheReport)
{
    EXPECT_EQ(Pages("1-2000000000", 10), "1,2,3,4,5,6,7,8,9,10");
    EXPECT_EQ(Pages("20-30", 10), "");
    EXPECT_EQ(Pages("0-2", 10), "1,2");
}

TEST(Brackets, NestingAndQuotesAreHonoured)
{
    int i = 1, j = 0;
    EXPECT_EQ(frxGetBrackedVariable("[a[b]c] x", "[", "]", i, j), "a[b]c");
    EXPECT_EQ(j, 7);
    i = 1;
    EXPECT_EQ(frxGetBrackedVariable("['a]b'] z", "[", "]", i, j), "'a]b'");
    EXPECT_EQ(j, 7);
    i = 3;
    EXPECT_EQ(frxGetBrackedVariable("a [\"]\"] b", "[", "]", i, j), "\"]\"");
    i = 1;
    EXPECT_EQ(frxGetBrackedVariable("<%p%> x", "<%", "%>", i, j), "p");
    EXPECT_EQ(j, 5);
    i = 1;
    EXPECT_EQ(frxGetBrackedVariable("x[y]", "[", "]", i, j), "");
    EXPECT_EQ(j, 1);
}

TEST(Brackets, AnUnclosedBracketIsNoExpression)
{
    int i = 7, j = 0;
    EXPECT_EQ(frxGetBrackedVariable(Cp("Итого [total"), "[", "]", i, j), "");
    EXPECT_EQ(j, 7);
    i = 1;
    EXPECT_EQ(frxGetBrackedVariableW(WideString(u"[a[b] c"), u"[", u"]", i, j), WideString());
    i = 1;
    EXPECT_EQ(frxGetBrackedVariableW(WideString(u"[Итог]"), u"[", u"]", i, j), WideString(u"Итог"));
    EXPECT_EQ(j, 6);
}

TEST(FloatText, ConvertsUnderEitherSeparator)
{
    SeparatorGuard Guard;
    for (char Separator : {'.', ','}) {
        DecimalSeparator = Separator;
        EXPECT_DOUBLE_EQ(frxStrToFloat("1,5"), 1.5);
        EXPECT_DOUBLE_EQ(frxStrToFloat(" 1.5 "), 1.5);
        EXPECT_EQ(frFloat2Str(2.5, 2), "2.50");
        EXPECT_EQ(frFloat2Str(3, 2), "3");
    }
    DecimalSeparator = '.';
    EXPECT_EQ(frxFloatToStr(20), "20");
    EXPECT_EQ(frxFloatToStr(12.125), "12.13");
    EXPECT_THROW(frxStrToFloat("abc"), EConvertError);
    EXPECT_TRUE(frxIsValidFloat("2.5"));
    EXPECT_FALSE(frxIsValidFloat("2.5x"));
}

TEST(TextHelpers, QuotesCommasReversalAndColours)
{
    EXPECT_EQ(frxRemoveQuotes("\"abc\""), "abc");
    EXPECT_EQ(frxRemoveQuotes("\"\""), "\"\"");
    EXPECT_EQ(frxReverseString("abc"), "cba");
    TStringList List;
    frxSetCommaText(";a;;b;", &List);
    ASSERT_EQ(List.Count(), 4);
    EXPECT_EQ(List[0], "");
    EXPECT_EQ(List[2], "");
    EXPECT_EQ(List[3], "b");
    frxSetCommaText("", &List);
    EXPECT_EQ(List.Count(), 0);
    EXPECT_EQ(HTMLRGBColor(0x0000FF), "#FF0000");
    EXPECT_EQ(HTMLRGBColor(0x123456), "#563412");
}

TEST(HexStreams, RoundTripAndRefuseDamage)
{
    TMemoryStream Stream;
    const char Bytes[] = {0x0A, static_cast<char>(0xFF)};
    Stream.WriteBuffer(Bytes, 2);
    EXPECT_EQ(frxStreamToString(&Stream), "0AFF");
    TMemoryStream Back;
    frxStringToStream("0aFF10", &Back);
    EXPECT_EQ(Back.Size(), 3);
    EXPECT_EQ(frxStreamToString(&Back), "0AFF10");
    TMemoryStream Bad;
    EXPECT_THROW(frxStringToStream("0AF", &Bad), EConvertError);
    EXPECT_THROW(frxStringToStream("0G", &Bad), EConvertError);
    EXPECT_EQ(Bad.Size(), 0);
}

TEST(TempFiles, AreCreatedUniqueInTheChosenFolder)
{
    TempFolder Folder;
    const AnsiString Dir = Folder.Path("");
    const AnsiString A = frxCreateTempFile(Dir), B = frxCreateTempFile(Dir);
    EXPECT_NE(A, B);
    EXPECT_TRUE(FileExists(A));
    EXPECT_EQ(ExtractFileName(A).SubString(1, 2), "fr");
    EXPECT_EQ(ExtractFilePath(A), IncludeTrailingPathDelimiter(Dir));
    EXPECT_FALSE(GetAppPath().IsEmpty());
}

TEST(ReportUtilities, FormToResWritesALineForEveryCaptionAndHint)
{
    TForm Form(nullptr);
    Form.SetName("PrintForm");
    auto *Button = new TButton(&Form);
    Button->SetName("OkB");
    Button->SetCaption(AnsiString::FromUtf8("Печать"));
    Button->SetHint("Prints \"all\" pages\\copies");
    auto *Box = new TCheckBox(&Form);
    Box->SetName("CollateCB");
    Box->SetCaption("Collate");
    const AnsiString FileName = frxFormToRes(&Form);
    TStringList Lines;
    Lines.LoadFromFile(FileName);
    DeleteFile(FileName);
    ASSERT_EQ(Lines.Count(), 3);
    // The file is UTF-8, as the sources are.
    EXPECT_EQ(std::string(Lines[0].View()),
              "frxResources()->Add(\"PrintForm.OkB.Caption\", AnsiString::FromUtf8(\"Печать\"));");
    EXPECT_EQ(Lines[1], "frxResources()->Add(\"PrintForm.OkB.Hint\", "
                        "AnsiString::FromUtf8(\"Prints \\\"all\\\" pages\\\\copies\"));");
    EXPECT_EQ(
        Lines[2],
        "frxResources()->Add(\"PrintForm.CollateCB.Caption\", AnsiString::FromUtf8(\"Collate\"));");
}
