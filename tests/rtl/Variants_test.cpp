#include "platform/rtl/Variants.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace
{

// Runs Round 200 times in each of four threads, each with a mark of its own ('a'..'d');
// gives how many rounds went wrong.
template <class TRound> int WrongRoundsInFourThreads(TRound Round)
{
    std::vector<std::thread> Threads;
    std::atomic<int> Wrong{0};
    for (int T = 0; T < 4; ++T)
        Threads.emplace_back([&, T] {
            for (int R = 0; R < 200; ++R)
                if (!Round(static_cast<char>('a' + T), R)) ++Wrong;
        });
    for (auto &Thread : Threads)
        Thread.join();
    return Wrong.load();
}

// Each of 200 rounds makes a value, and two threads each write their own copy of it with a
// mark of their own ('a' or 'b'); gives how many copies went wrong.
template <class TMake, class TWriteOwn>
int WrongCopiesWrittenInTwoThreads(TMake Make, TWriteOwn WriteOwn)
{
    std::atomic<int> Wrong{0};
    auto Run = [&](auto Mine, char Mark) {
        if (!WriteOwn(Mine, Mark)) ++Wrong;
    };
    for (int Round = 0; Round < 200; ++Round) {
        auto Original = Make();
        auto Copy = Original;
        std::thread First(Run, std::move(Original), 'a');
        std::thread Second(Run, std::move(Copy), 'b');
        First.join();
        Second.join();
    }
    return Wrong.load();
}

// Every case starts from the program's settings: the decimal separator is the
// point the main window sets.
class VariantTest : public testing::Test
{
protected:
    void SetUp() override
    {
        rtl::RestoreDefaultFormatSettings();
        DecimalSeparator = '.';
    }
    void TearDown() override { rtl::RestoreDefaultFormatSettings(); }
};

template <typename E, typename F> AnsiString MessageOf(F &&Call)
{
    try {
        Call();
    } catch (const E &Error) {
        return Error.Message();
    }
    return "(no exception)";
}

// ---- type codes and predicates ----

using VariantTypes = VariantTest;

TEST_F(VariantTypes, ConstructorsPickTheClassLibraryCodes)
{
    EXPECT_EQ(VarType(Variant()), 0);
    EXPECT_EQ(VarType(Null()), 1);
    EXPECT_EQ(VarType(Variant(short(1))), 2);
    EXPECT_EQ(VarType(Variant(1)), 3);
    EXPECT_EQ(VarType(Variant(1.5f)), 4);
    EXPECT_EQ(VarType(Variant(1.5)), 5);
    EXPECT_EQ(VarType(Variant(Currency(1.5))), 6);
    EXPECT_EQ(VarType(Variant::FromDateTime(45000)), 7);
    EXPECT_EQ(VarType(Variant(u"w")), 8);
    EXPECT_EQ(VarType(Variant::FromError(5)), 10);
    EXPECT_EQ(VarType(Variant(true)), 11);
    EXPECT_EQ(VarType(Variant(static_cast<signed char>(1))), 16);
    EXPECT_EQ(VarType(Variant(static_cast<unsigned char>(1))), 17);
    EXPECT_EQ(VarType(Variant(static_cast<unsigned short>(1))), 18);
    EXPECT_EQ(VarType(Variant(1u)), 19);
    EXPECT_EQ(VarType(Variant(3000000000LL)), 20);
    EXPECT_EQ(VarType(Variant("x")), 0x100);
    EXPECT_EQ(VarType(Variant('x')), 0x100);
    EXPECT_EQ(VarType(VarArrayOf({1, 2})), 8204);
}

TEST_F(VariantTypes, EmptyAndNullStayDistinct)
{
    Variant E;
    Variant N = Null();
    EXPECT_TRUE(VarIsEmpty(E));
    EXPECT_FALSE(VarIsNull(E));
    EXPECT_TRUE(VarIsNull(N));
    EXPECT_FALSE(VarIsEmpty(N));
    EXPECT_FALSE(E == N);
    EXPECT_TRUE(N == Null());
    EXPECT_TRUE(E == Variant());
    Variant Copy = N;
    EXPECT_TRUE(VarIsNull(Copy));
    VarClear(Copy);
    EXPECT_TRUE(VarIsEmpty(Copy));
}

TEST_F(VariantTypes, PredicatesClassifyKinds)
{
    EXPECT_TRUE(VarIsStr(Variant("a")));
    EXPECT_TRUE(VarIsStr(Variant(u"a")));
    EXPECT_FALSE(VarIsStr(Variant(1)));
    EXPECT_TRUE(VarIsNumeric(Variant(1)));
    EXPECT_TRUE(VarIsNumeric(Variant(1.5)));
    EXPECT_TRUE(VarIsNumeric(Variant(Currency(1.0))));
    EXPECT_FALSE(VarIsNumeric(Variant("1")));
    EXPECT_FALSE(VarIsNumeric(Null()));
    EXPECT_TRUE(VarIsOrdinal(Variant(true)));
    EXPECT_FALSE(VarIsOrdinal(Variant(1.0)));
    EXPECT_TRUE(VarIsFloat(Variant(1.0f)));
    EXPECT_FALSE(VarIsFloat(Variant::FromDateTime(1)));
    EXPECT_TRUE(VarIsArray(VarArrayOf({})));
    EXPECT_FALSE(VarIsArray(Variant(1)));
}

TEST_F(VariantTypes, TypeNamesFollowTheClassLibrary)
{
    EXPECT_EQ(VarTypeAsText(varString), "String");
    EXPECT_EQ(VarTypeAsText(varOleStr), "OleStr");
    EXPECT_EQ(VarTypeAsText(varLongWord), "LongWord");
    EXPECT_EQ(VarTypeAsText(varArray | varVariant), "Array Variant");
    EXPECT_EQ(VarTypeAsText(0x77), "$0077");
}

// ---- conversions ----

using VariantConversions = VariantTest;

TEST_F(VariantConversions, ToIntegerRoundsTiesToEven)
{
    EXPECT_EQ(Variant(2.5).AsInteger(), 2);
    EXPECT_EQ(Variant(3.5).AsInteger(), 4);
    EXPECT_EQ(Variant(-2.5).AsInteger(), -2);
    EXPECT_EQ(Variant(Currency(2.5)).AsInteger(), 2);
    EXPECT_EQ(Variant(Currency(3.5)).AsInteger(), 4);
    EXPECT_EQ(Variant(true).AsInteger(), -1);
    EXPECT_EQ(Variant(false).AsInteger(), 0);
    EXPECT_EQ(Variant().AsInteger(), 0);
}

TEST_F(VariantConversions, StringsParseAsIntegersFloatsOrBooleanWords)
{
    EXPECT_EQ(Variant("42").AsInteger(), 42);
    EXPECT_EQ(Variant(" $1F").AsInteger(), 31);
    EXPECT_EQ(Variant("2.5").AsInteger(), 2);
    EXPECT_EQ(Variant("true").AsInteger(), -1);
    EXPECT_EQ(Variant("FALSE").AsInteger(), 0);
    EXPECT_EQ(Variant(u"17").AsInt64(), 17);
    EXPECT_EQ(Variant("12.5").AsDouble(), 12.5);
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { Variant("12a").AsInteger(); }),
              "Could not convert variant of type (String) into type (Integer)");
}

TEST_F(VariantConversions, FloatTextUsesTheProcessDecimalSeparator)
{
    DecimalSeparator = ',';
    EXPECT_EQ(Variant("1,25").AsDouble(), 1.25);
    EXPECT_THROW(Variant("1.25").AsDouble(), EVariantTypeCastError);
    EXPECT_EQ(Variant(1.25).AsString(), "1,25");
    DecimalSeparator = '.';
    EXPECT_EQ(Variant("1.25").AsDouble(), 1.25);
    EXPECT_EQ(Variant(1.25).AsString(), "1.25");
}

TEST_F(VariantConversions, OutOfRangeRaisesInsteadOfWrapping)
{
    EXPECT_EQ(MessageOf<EVariantOverflowError>([] { Variant(1e10).AsInteger(); }),
              "Range check error while converting variant of type (Double) into type (Integer)");
    EXPECT_THROW(Variant(3000000000LL).AsInteger(), EVariantOverflowError);
    EXPECT_EQ(Variant(3000000000.0).AsInt64(), 3000000000LL);
    EXPECT_THROW(VarAsType(Variant(300), varByte), EVariantOverflowError);
    EXPECT_THROW(VarAsType(Variant(-1), varLongWord), EVariantOverflowError);
    EXPECT_THROW(VarAsType(Variant(1e300), varSingle), EVariantOverflowError);
    EXPECT_THROW(Variant(NAN).AsInt64(), EVariantOverflowError);
}

TEST_F(VariantConversions, CurrencyTextIsExactToTheLastDecimal)
{
    DecimalSeparator = '.';
    EXPECT_EQ(VarToStr(Variant(Currency::FromScaled(123456789012345678LL))), "12345678901234.5678");
    EXPECT_EQ(VarToStr(Variant(Currency::FromScaled(LLONG_MAX))), "922337203685477.5807");
    EXPECT_EQ(VarToStr(Variant(Currency::FromScaled(LLONG_MIN))), "-922337203685477.5808");
    EXPECT_EQ(VarToStr(Variant(Currency::FromScaled(-15000))), "-1.5");
    EXPECT_EQ(VarToStr(Variant(Currency::FromScaled(-5))), "-0.0005");
    EXPECT_EQ(VarToStr(Variant(Currency::FromScaled(1230000))), "123");
    EXPECT_EQ(VarToStr(Variant(Currency::FromScaled(0))), "0");
    DecimalSeparator = ',';
    EXPECT_EQ(VarToStr(Variant(Currency::FromScaled(10010))), "1,001");
    EXPECT_EQ(Variant(Currency::FromScaled(10010)).AsWideString(), WideString(u"1,001"));
}

TEST_F(VariantConversions, ToStringGivesTheClassLibraryTexts)
{
    DecimalSeparator = '.';
    EXPECT_EQ(Variant(-5).AsString(), "-5");
    EXPECT_EQ(Variant(3000000000LL).AsString(), "3000000000");
    EXPECT_EQ(Variant(0.1 + 0.2).AsString(), "0.3");
    EXPECT_EQ(Variant(1.0 / 3).AsString(), "0.333333333333333");
    EXPECT_EQ(Variant(1e20).AsString(), "1E20");
    EXPECT_EQ(Variant(Currency(12.3456)).AsString(), "12.3456");
    EXPECT_EQ(Variant(true).AsString(), "True");
    EXPECT_EQ(Variant(false).AsString(), "False");
    EXPECT_EQ(Variant().AsString(), "");
    EXPECT_EQ(Variant(u"Ж").AsString(), "Ж"_a);
    EXPECT_EQ(Variant("Ж"_a).AsWideString(), WideString(u"Ж"));
}

TEST_F(VariantConversions, NullConvertsOnlyThroughVarToStr)
{
    EXPECT_EQ(VarToStr(Null()), "");
    EXPECT_EQ(VarToStrDef(Null(), "none"), "none");
    EXPECT_EQ(VarToStrDef(Variant(7), "none"), "7");
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { Null().AsString(); }),
              "Could not convert variant of type (Null) into type (String)");
    EXPECT_THROW(Null().AsInteger(), EVariantTypeCastError);
    EXPECT_THROW(Null().AsBoolean(), EVariantTypeCastError);
    EXPECT_THROW(VarAsType(Null(), varDouble), EVariantTypeCastError);
    EXPECT_TRUE(VarIsEmpty(VarAsType(Null(), varEmpty)));
}

TEST_F(VariantConversions, ToBooleanTakesNumbersAndWords)
{
    EXPECT_TRUE(Variant(2).AsBoolean());
    EXPECT_FALSE(Variant(0.0).AsBoolean());
    EXPECT_TRUE(Variant("TRUE").AsBoolean());
    EXPECT_FALSE(Variant("false").AsBoolean());
    EXPECT_TRUE(Variant("-1").AsBoolean());
    EXPECT_FALSE(Variant().AsBoolean());
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { Variant("yes").AsBoolean(); }),
              "Could not convert variant of type (String) into type (Boolean)");
}

TEST_F(VariantConversions, VarAsTypeChangesTheCode)
{
    EXPECT_EQ(VarType(VarAsType(Variant("12"), varInteger)), varInteger);
    EXPECT_EQ(VarAsType(Variant("12"), varInteger).AsInteger(), 12);
    EXPECT_EQ(VarType(VarAsType(Variant(12), varString)), varString);
    EXPECT_EQ(VarType(VarAsType(Variant(12), varOleStr)), varOleStr);
    EXPECT_EQ(VarType(VarAsType(Variant(1), varBoolean)), varBoolean);
    EXPECT_EQ(VarAsType(Variant(2.5), varSmallint).AsInteger(), 2);
    EXPECT_EQ(VarType(VarAsType(Variant(45000), varDate)), varDate);
    EXPECT_EQ(VarAsType(Variant(1.23456), varCurrency).AsCurrency().Scaled(), 12346);
    EXPECT_THROW(VarAsType(Variant(1), varDispatch), EVariantTypeCastError);
    EXPECT_THROW(VarAsType(Variant(1), 0x7FFF), EVariantBadVarTypeError);
    EXPECT_THROW(VarAsType(VarArrayOf({1}), varInteger), EVariantTypeCastError);
}

TEST_F(VariantConversions, DatesPrintAndParseWithTheProcessFormats)
{
    // 45356 is 05.03.2024; the time part is left out at midnight.
    EXPECT_EQ(Variant::FromDateTime(45356).AsString(), "05.03.2024");
    EXPECT_EQ(Variant::FromDateTime(45356.5).AsString(), "05.03.2024 12:00:00");
    EXPECT_EQ(Variant("05.03.2024").AsDateTime(), 45356);
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { VarAsType(Variant("soon"), varDate); }),
              "Could not convert variant of type (String) into type (Date)");
}

// ---- operators ----

using VariantOperators = VariantTest;

TEST_F(VariantOperators, AddConcatenatesTwoStringsAndAddsOtherwise)
{
    EXPECT_EQ((Variant("a") + Variant("b")).AsString(), "ab");
    EXPECT_EQ(VarType(Variant("a") + Variant("b")), varString);
    EXPECT_EQ(VarType(Variant("a") + Variant(u"b")), varOleStr);
    Variant Sum = Variant("12") + Variant(1);
    EXPECT_EQ(Sum.AsDouble(), 13);
    EXPECT_EQ(VarType(Sum), varDouble);
    EXPECT_EQ((Variant(1) + Variant(2)).AsInteger(), 3);
    EXPECT_EQ(VarType(Variant(1) + Variant(2)), varInteger);
    EXPECT_EQ((Variant() + Variant("x")).AsString(), "x");
    EXPECT_EQ((Variant() + Variant(5)).AsInteger(), 5);
}

TEST_F(VariantOperators, TextsJoinedFromOneTextKeepTheirOwn)
{
    const Variant Base = Variant("ab") + Variant("c");
    const Variant Copy = Base;
    const Variant Longer = Base + Variant("x");
    const Variant Other = Base + Variant("y");
    const Variant Front = Variant("p") + Base;
    const Variant OtherFront = Variant("q") + Base;
    const Variant Both = Longer + Variant("z");
    EXPECT_EQ(Base.AsString(), "abc");
    EXPECT_EQ(Copy.AsString(), "abc");
    EXPECT_EQ(Longer.AsString(), "abcx");
    EXPECT_EQ(Other.AsString(), "abcy");
    EXPECT_EQ(Front.AsString(), "pabc");
    EXPECT_EQ(OtherFront.AsString(), "qabc");
    EXPECT_EQ(Both.AsString(), "abcxz");
    EXPECT_EQ((Base + Base).AsString(), "abcabc");
    // A value that goes away lends its share to the join; the others keep their text.
    const Variant Taken = Variant(Copy) + Variant("t");
    const Variant TakenAgain = Variant(Copy) + Variant("u");
    EXPECT_EQ(Taken.AsString(), "abct");
    EXPECT_EQ(TakenAgain.AsString(), "abcu");
    EXPECT_EQ((Variant(Taken) + Variant()).AsString(), "abct");
    EXPECT_EQ(Base.AsString(), "abc");
    EXPECT_EQ(Copy.AsString(), "abc");
}

TEST_F(VariantOperators, TextGrownPieceByPieceHoldsEveryPiece)
{
    Variant Back = "", Front = "";
    std::vector<Variant> Steps;
    for (int I = 0; I < 1000; ++I) {
        const Variant Piece(static_cast<char>('a' + I % 26));
        Back = Back + Piece;
        Front = Piece + Front;
        Steps.push_back(Back);
    }
    std::string Want;
    for (int I = 0; I < 1000; ++I)
        Want += static_cast<char>('a' + I % 26);
    EXPECT_EQ(Back.AsString().View(), Want);
    EXPECT_EQ(Front.AsString().View(), std::string(Want.rbegin(), Want.rend()));
    for (int I = 0; I < 1000; ++I)
        ASSERT_EQ(Steps[I].AsString().View(), Want.substr(0, I + 1)) << I;
}

TEST_F(VariantOperators, ChangingACopysCharacterLeavesTheOthers)
{
    const Variant Original = Variant("ab") + Variant("c");
    Variant Copy = Original;
    Copy.MutableSharedText().MutableData()[0] = 'X';
    EXPECT_EQ(Original.AsString(), "abc");
    EXPECT_EQ(Copy.AsString(), "Xbc");
    const Variant Grown = Copy + Variant("d");
    Copy.MutableSharedText().MutableData()[1] = 'Y';
    EXPECT_EQ(Grown.AsString(), "Xbcd");
    EXPECT_EQ(Copy.AsString(), "XYc");
}

TEST_F(VariantOperators, TextsGrownFromOneTextInManyThreadsKeepTheirOwn)
{
    // The joins leave room after the first text and before the second.
    const Variant GrowsBack = Variant("base") + Variant(":");
    const Variant GrowsFront = Variant("b") + Variant("ase:");
    EXPECT_EQ(WrongRoundsInFourThreads([&](char Mark, int Round) {
                  Variant Text = Round % 2 ? GrowsBack : GrowsFront;
                  for (int I = 0; I < 50; ++I)
                      Text = Round % 2 ? Text + Variant(Mark) : Variant(Mark) + Text;
                  const std::string Tail(50, Mark);
                  return Text.AsString().View() == (Round % 2 ? "base:" + Tail : Tail + "base:");
              }),
              0);
    EXPECT_EQ(GrowsBack.AsString(), "base:");
    EXPECT_EQ(GrowsFront.AsString(), "base:");
}

// A script's text leaves room past its end for the next join; a class-library text
// made of it must still end where it ends, whoever takes that room first.
TEST_F(VariantOperators, AClassLibraryTextOfAScriptsTextEndsWhereItEnds)
{
    const Variant Grown = Variant("a script's text, ") + Variant("grown once");
    const AnsiString Before = Grown.AsString();
    const Variant Longer = Grown + Variant("!");
    EXPECT_STREQ(Before.c_str(), "a script's text, grown once");

    const AnsiString After = Grown.AsString();
    EXPECT_STREQ(After.c_str(), "a script's text, grown once");
    const Variant Other = Grown + Variant("?");
    EXPECT_EQ(Longer.AsString(), "a script's text, grown once!");
    EXPECT_EQ(Other.AsString(), "a script's text, grown once?");
    EXPECT_STREQ(After.c_str(), "a script's text, grown once");
    EXPECT_STREQ(AnsiString(After).c_str(), "a script's text, grown once");
}

// A host's property grown by a script: each value goes out to a variant, grows and
// comes back; the values kept on the way keep their own text.
TEST_F(VariantOperators, AHostTextGrownThroughVariantsKeepsEveryValueTaken)
{
    AnsiString Property = "a host's property text";
    std::vector<AnsiString> Taken;
    std::string Want(Property.View());
    for (int I = 0; I < 500; ++I) {
        Property = (Variant(Property) + Variant(static_cast<char>('a' + I % 26))).AsString();
        Want += static_cast<char>('a' + I % 26);
        if (I % 50 == 0) {
            Taken.push_back(Property);
            EXPECT_EQ(std::string_view(Taken.back().c_str()), Want);
        }
    }
    EXPECT_EQ(std::string_view(Property.c_str()), Want);
    for (std::size_t T = 0; T < Taken.size(); ++T)
        EXPECT_EQ(std::string_view(Taken[T].c_str()), Want.substr(0, 22 + T * 50 + 1));
}

TEST_F(VariantOperators, ThreadsEndingAndGrowingOneSharedTextAgree)
{
    const Variant Script = Variant("one text that every thread ") + Variant("shares");
    const std::string Want = "one text that every thread shares";
    const AnsiString Shared = Script.AsString();
    EXPECT_EQ(WrongRoundsInFourThreads([&](char Mark, int) {
                  // The same object ended by every thread at once, and copies of it.
                  bool Right = std::string_view(Shared.c_str()) == Want;
                  AnsiString Own = Shared;
                  const Variant Grown = Variant(Own) + Variant(Mark);
                  Right = Right && std::string_view(Own.c_str()) == Want;
                  Right = Right && Grown.AsString().View() == Want + Mark;
                  Own += Mark;
                  return Right && std::string_view(Own.c_str()) == Want + Mark;
              }),
              0);
    EXPECT_EQ(std::string_view(Shared.c_str()), Want);
}

// Two threads each hold a copy of one text, a script's or a class-library one, and write
// their own character by character: neither sees the other's characters, and the one that
// writes last in place never meets the other still copying.
TEST_F(VariantOperators, CopiesOfOneTextWrittenInTwoThreadsKeepTheirOwn)
{
    const std::string Start = "a text that two threads write";
    const auto Marks = [&](char Mark) { return std::string(Start.size(), Mark); };
    const auto WriteScriptText = [&](Variant &Mine, char Mark) {
        std::fill_n(Mine.MutableSharedText().MutableData(), Start.size(), Mark);
        return Mine.AsString().View() == Marks(Mark);
    };
    const auto WriteLibraryText = [&](AnsiString &Mine, char Mark) {
        for (int I = 1; I <= Mine.Length(); ++I)
            Mine[I] = Mark;
        return Mine.View() == Marks(Mark);
    };
    const auto FreshScriptText = [&] { return Variant(Start.c_str()); };
    const auto FreshLibraryText = [&] { return AnsiString(Start.c_str()); };
    EXPECT_EQ(WrongCopiesWrittenInTwoThreads(FreshScriptText, WriteScriptText), 0);
    EXPECT_EQ(WrongCopiesWrittenInTwoThreads(FreshLibraryText, WriteLibraryText), 0);
}

TEST_F(VariantOperators, TextThatIsNoNumberRaisesTheCastError)
{
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { Variant("abc") + Variant(1); }),
              "Could not convert variant of type (String) into type (Double)");
    EXPECT_THROW(Variant(1) * Variant("x"), EVariantTypeCastError);
}

TEST_F(VariantOperators, NullPropagatesThroughArithmeticAndLogic)
{
    EXPECT_TRUE(VarIsNull(Null() + Variant(1)));
    EXPECT_TRUE(VarIsNull(Variant("a") + Null()));
    EXPECT_TRUE(VarIsNull(Null() * Variant(2)));
    EXPECT_TRUE(VarIsNull(Variant(4) / Null()));
    EXPECT_TRUE(VarIsNull(VarIntDiv(Null(), Variant(2))));
    EXPECT_TRUE(VarIsNull(Null() & Variant(true)));
    EXPECT_TRUE(VarIsNull(-Null()));
    EXPECT_TRUE(VarIsNull(~Null()));
}

TEST_F(VariantOperators, IntegerOverflowWidensToInt64)
{
    Variant Sum = Variant(INT_MAX) + Variant(1);
    EXPECT_EQ(VarType(Sum), varInt64);
    EXPECT_EQ(Sum.AsInt64(), 2147483648LL);
    EXPECT_EQ((Variant(65536) * Variant(65536)).AsInt64(), 4294967296LL);
    EXPECT_EQ((Variant(INT_MIN) - Variant(1)).AsInt64(), -2147483649LL);
    EXPECT_EQ(VarType(-Variant(INT_MIN)), varInt64);
    EXPECT_EQ((-Variant(INT_MIN)).AsInt64(), 2147483648LL);
    Variant Huge = Variant(LLONG_MAX) + Variant(1);
    EXPECT_EQ(VarType(Huge), varDouble);
    EXPECT_DOUBLE_EQ(Huge.AsDouble(), 9223372036854775808.0);
    EXPECT_EQ(VarType(Variant(3000000000LL) - Variant(2999999999LL)), varInt64);
}

TEST_F(VariantOperators, DivisionIsRealAndChecksZero)
{
    Variant Half = Variant(7) / Variant(2);
    EXPECT_EQ(VarType(Half), varDouble);
    EXPECT_EQ(Half.AsDouble(), 3.5);
    EXPECT_EQ(MessageOf<EZeroDivide>([] { Variant(1) / Variant(0); }),
              "Floating point division by zero");
    EXPECT_EQ(MessageOf<EInvalidOp>([] { Variant(0) / Variant(0); }),
              "Invalid floating point operation");
    EXPECT_EQ(MessageOf<EOverflow>([] { Variant(1e308) * Variant(10); }),
              "Floating point overflow");
}

TEST_F(VariantOperators, DivAndModWorkOnRoundedIntegers)
{
    EXPECT_EQ(VarIntDiv(Variant(7), Variant(2)).AsInteger(), 3);
    EXPECT_EQ(VarIntDiv(Variant(-7), Variant(2)).AsInteger(), -3);
    EXPECT_EQ((Variant(-7) % Variant(2)).AsInteger(), -1);
    EXPECT_EQ(VarIntDiv(Variant(7.5), Variant(2)).AsInteger(), 4);
    EXPECT_EQ(MessageOf<EDivByZero>([] { VarIntDiv(Variant(1), Variant(0)); }), "Division by zero");
    EXPECT_THROW(Variant(1) % Variant(0), EDivByZero);
    Variant Wide = VarIntDiv(Variant(INT_MIN), Variant(-1));
    EXPECT_EQ(Wide.AsInt64(), 2147483648LL);
    EXPECT_THROW(VarIntDiv(Variant(LLONG_MIN), Variant(-1)), EIntOverflow);
    EXPECT_EQ((Variant(LLONG_MIN) % Variant(-1)).AsInt64(), 0);
}

TEST_F(VariantOperators, ShiftsAreDefinedForEveryCount)
{
    EXPECT_EQ((Variant(1) << Variant(4)).AsInteger(), 16);
    EXPECT_EQ((Variant(1) << Variant(31)).AsInt64(), 2147483648LL);
    EXPECT_EQ((Variant(1) << Variant(40)).AsInt64(), 1LL << 40);
    EXPECT_EQ((Variant(1) << Variant(64)).AsInt64(), 0);
    EXPECT_EQ((Variant(1) << Variant(-1)).AsInt64(), 0);
    EXPECT_EQ((Variant(-1) >> Variant(28)).AsInteger(), 15);
    EXPECT_EQ((Variant(256) >> Variant(40)).AsInteger(), 0);
    EXPECT_EQ((Variant(-1LL) >> Variant(60)).AsInt64(), 15);
}

TEST_F(VariantOperators, LogicOnBooleansBitsOnIntegers)
{
    EXPECT_EQ(VarType(Variant(true) & Variant(false)), varBoolean);
    EXPECT_FALSE((Variant(true) & Variant(false)).AsBoolean());
    EXPECT_TRUE((Variant(true) | Variant(false)).AsBoolean());
    EXPECT_TRUE((Variant(true) ^ Variant(false)).AsBoolean());
    EXPECT_TRUE((Variant(true) & Variant("True")).AsBoolean());
    EXPECT_EQ((Variant(12) & Variant(10)).AsInteger(), 8);
    EXPECT_EQ((Variant(12) | Variant(3)).AsInteger(), 15);
    EXPECT_EQ((Variant(12) ^ Variant(10)).AsInteger(), 6);
    EXPECT_EQ((Variant(1) | Variant(4)).AsInteger(), 5);
    EXPECT_EQ(VarType(~Variant(true)), varBoolean);
    EXPECT_FALSE((~Variant(true)).AsBoolean());
    EXPECT_EQ((~Variant(0)).AsInteger(), -1);
    EXPECT_EQ((~Variant("False")).AsBoolean(), true);
}

TEST_F(VariantOperators, UnaryMinusNegatesNumbers)
{
    EXPECT_EQ((-Variant(5)).AsInteger(), -5);
    EXPECT_EQ((-Variant(2.5)).AsDouble(), -2.5);
    EXPECT_EQ((-Variant("3")).AsDouble(), -3);
    EXPECT_EQ((-Variant(true)).AsInteger(), 1);
    EXPECT_EQ((-Variant(Currency(1.5))).AsCurrency().Scaled(), -15000);
}

TEST_F(VariantOperators, PromotionFollowsTheWidestOperand)
{
    EXPECT_EQ(VarType(Variant(short(1)) + Variant(short(2))), varInteger);
    EXPECT_EQ(VarType(Variant(1.5f) + Variant(1)), varSingle);
    EXPECT_EQ(VarType(Variant(1.5f) + Variant(1.5)), varDouble);
    EXPECT_EQ(VarType(Variant(Currency(1.5)) + Variant(1)), varCurrency);
    EXPECT_EQ((Variant(Currency(1.5)) * Variant(Currency(2.5))).AsCurrency().Scaled(), 37500);
    EXPECT_EQ(VarType(Variant(Currency(1.5)) + Variant(1.5)), varDouble);
    EXPECT_EQ(VarType(Variant::FromDateTime(10) + Variant(1)), varDate);
    EXPECT_EQ(VarType(Variant::FromDateTime(10) - Variant::FromDateTime(4)), varDouble);
    EXPECT_EQ((Variant::FromDateTime(10) - Variant::FromDateTime(4)).AsDouble(), 6);
    EXPECT_EQ((Variant(true) + Variant(true)).AsInteger(), -2);
}

TEST_F(VariantOperators, ArraysTakePartInNoOperator)
{
    Variant A = VarArrayOf({1});
    EXPECT_EQ(MessageOf<EVariantInvalidOpError>([&] { A + Variant(1); }),
              "Invalid variant operation");
    EXPECT_THROW(-A, EVariantInvalidOpError);
    EXPECT_THROW((void)(A == A), EVariantInvalidOpError);
}

// ---- comparisons ----

using VariantComparisons = VariantTest;

TEST_F(VariantComparisons, NumbersCompareByValueAcrossKinds)
{
    EXPECT_TRUE(Variant(1) == Variant(1.0));
    EXPECT_TRUE(Variant(2) < Variant(2.5));
    EXPECT_TRUE(Variant(3000000000LL) > Variant(INT_MAX));
    EXPECT_TRUE(Variant(Currency(1.5)) == Variant(1.5));
    EXPECT_TRUE(Variant(LLONG_MAX) > Variant(LLONG_MAX - 1));
    EXPECT_TRUE(Variant(0) == Variant());
}

TEST_F(VariantComparisons, StringsCompareAsTextAndMeetNumbersAsNumbers)
{
    EXPECT_TRUE(Variant("abc") < Variant("abd"));
    EXPECT_TRUE(Variant("a") == Variant(u"a"));
    EXPECT_FALSE(Variant("a") == Variant("A"));
    EXPECT_TRUE(Variant("10") > Variant(9));
    EXPECT_TRUE(Variant("") == Variant());
    EXPECT_THROW((void)(Variant("abc") == Variant(1)), EVariantTypeCastError);
}

TEST_F(VariantComparisons, NullEqualsOnlyNullAndSortsFirst)
{
    EXPECT_TRUE(Null() == Null());
    EXPECT_FALSE(Null() == Variant(0));
    EXPECT_FALSE(Null() == Variant(""));
    EXPECT_TRUE(Null() < Variant(-1000));
    EXPECT_TRUE(Null() < Variant());
    EXPECT_TRUE(Variant("a") > Null());
    EXPECT_EQ(VarCompareValue(Null(), Variant(1)), vrLessThan);
}

TEST_F(VariantComparisons, BooleansCompareAsTruthValues)
{
    EXPECT_TRUE(Variant(true) == Variant(true));
    EXPECT_TRUE(Variant(false) < Variant(true));
    EXPECT_TRUE(Variant(true) == Variant(-1));
    EXPECT_FALSE(Variant(true) == Variant(1));
    EXPECT_TRUE(Variant(true) == Variant("true"));
}

// ---- arrays ----

using VariantArrays = VariantTest;

TEST_F(VariantArrays, CreateHonoursBoundsAndElementType)
{
    Variant A = VarArrayCreate({1, 3, -2, 2}, varInteger);
    EXPECT_EQ(VarType(A), varArray | varInteger);
    EXPECT_EQ(VarArrayDimCount(A), 2);
    EXPECT_EQ(VarArrayLowBound(A, 1), 1);
    EXPECT_EQ(VarArrayHighBound(A, 1), 3);
    EXPECT_EQ(VarArrayLowBound(A, 2), -2);
    EXPECT_EQ(VarArrayHighBound(A, 2), 2);
    EXPECT_EQ(VarType(A.GetElement({2, 0})), varInteger);
    EXPECT_EQ(A.GetElement({2, 0}).AsInteger(), 0);
    Variant V = VarArrayCreate({0, 1}, varVariant);
    EXPECT_TRUE(VarIsEmpty(V.GetElement({0})));
}

TEST_F(VariantArrays, BadCreationRaisesTheArrayError)
{
    const char *Text = "Error creating variant or safe array";
    EXPECT_EQ(MessageOf<EVariantArrayCreateError>([] {
                  VarArrayCreate({0, 1, 2}, varVariant);
              }),
              Text);
    EXPECT_THROW(VarArrayCreate({0, 1}, varString), EVariantArrayCreateError);
    EXPECT_THROW(VarArrayCreate({0, 1}, varNull), EVariantArrayCreateError);
    EXPECT_THROW(VarArrayCreate({5, 3}, varVariant), EVariantArrayCreateError);
    EXPECT_THROW(VarArrayCreate({0, INT_MAX, 0, INT_MAX}, varByte), EVariantArrayCreateError);
    EXPECT_NO_THROW(VarArrayCreate({5, 4}, varVariant));
}

TEST_F(VariantArrays, SixtyFourDimensionsAtMost)
{
    std::vector<int> Bounds;
    for (int Dim = 0; Dim < 64; ++Dim)
        Bounds.insert(Bounds.end(), {0, 0});
    Variant A = VarArrayCreate(Bounds, varVariant);
    EXPECT_EQ(VarArrayDimCount(A), 64);
    std::vector<int> Index(64, 0);
    A.PutElement(Index, Variant("deep"));
    EXPECT_EQ(A.GetElement(Index).AsString(), "deep");
    Bounds.insert(Bounds.end(), {0, 0});
    EXPECT_THROW(VarArrayCreate(Bounds, varVariant), EVariantArrayCreateError);
}

TEST_F(VariantArrays, ElementsAreReadAndWrittenInPlaceWithCoercion)
{
    Variant A = VarArrayCreate({0, 2, 1, 2}, varInteger);
    A.PutElement({2, 1}, Variant("41"));
    A.PutElement({0, 2}, Variant(7.5));
    EXPECT_EQ(A.GetElement({2, 1}).AsInteger(), 41);
    EXPECT_EQ(VarType(A.GetElement({2, 1})), varInteger);
    EXPECT_EQ(A.GetElement({0, 2}).AsInteger(), 8);
    EXPECT_EQ(A.GetElement({1, 1}).AsInteger(), 0);
    EXPECT_THROW(A.PutElement({0, 1}, Variant("x")), EVariantTypeCastError);
}

TEST_F(VariantArrays, IndexErrorsNameTheirCause)
{
    Variant A = VarArrayCreate({1, 2}, varVariant);
    EXPECT_EQ(MessageOf<EVariantBadIndexError>([&] { A.GetElement({3}); }),
              "Variant or safe array index out of bounds");
    EXPECT_THROW(A.GetElement({0}), EVariantBadIndexError);
    EXPECT_THROW(A.GetElement({1, 1}), EVariantBadIndexError);
    EXPECT_THROW(VarArrayLowBound(A, 2), EVariantBadIndexError);
    EXPECT_EQ(MessageOf<EVariantNotAnArrayError>([] { Variant(1).GetElement({0}); }),
              "Variant is not an array");
    EXPECT_THROW(VarArrayHighBound(Variant(1), 1), EVariantNotAnArrayError);
    EXPECT_EQ(VarArrayDimCount(Variant(1)), 0);
}

TEST_F(VariantArrays, AssignmentCopiesTheElements)
{
    Variant A = VarArrayOf({1, "two", 3.0});
    Variant B = A;
    B.PutElement({1}, Variant("changed"));
    EXPECT_EQ(A.GetElement({1}).AsString(), "two");
    EXPECT_EQ(B.GetElement({1}).AsString(), "changed");
    Variant C;
    C = B;
    C.PutElement({0}, Variant(9));
    EXPECT_EQ(B.GetElement({0}).AsInteger(), 1);
    Variant Nested = VarArrayOf({A});
    A.PutElement({2}, Variant(0));
    EXPECT_EQ(Nested.GetElement({0}).GetElement({2}).AsDouble(), 3.0);
}

TEST_F(VariantArrays, AnArrayGivenOneOfItsOwnElementsHoldsThatElement)
{
    Variant Copied = VarArrayOf({1, "two"});
    Copied = Copied.ArrayData().Items[1];
    EXPECT_EQ(Copied.AsString(), "two");
    Variant Moved = VarArrayOf({1, "two"});
    Moved = std::move(Moved.MutableArrayData().Items[1]);
    EXPECT_EQ(Moved.AsString(), "two");
    Variant Number = VarArrayOf({1, "two"});
    Number = std::move(Number.MutableArrayData().Items[0]);
    EXPECT_EQ(Number.AsInteger(), 1);
    Variant Nested = VarArrayOf({VarArrayOf({"inner"})});
    Nested = std::move(Nested.MutableArrayData().Items[0]);
    EXPECT_EQ(Nested.GetElement({0}).AsString(), "inner");
}

// The same for an array written element by element.
TEST_F(VariantArrays, CopiesOfOneArrayWrittenInTwoThreadsKeepTheirOwn)
{
    const auto WriteOwn = [](Variant &Mine, char Mark) {
        for (int I = 0; I < 16; ++I)
            Mine.PutElement({I}, Variant(int(Mark)));
        bool Right = true;
        for (int I = 0; I < 16; ++I)
            Right = Right && Mine.GetElement({I}).AsInteger() == Mark;
        return Right;
    };
    const auto Fresh = [] { return VarArrayCreate({0, 15}, varInteger); };
    EXPECT_EQ(WrongCopiesWrittenInTwoThreads(Fresh, WriteOwn), 0);
}

TEST_F(VariantArrays, RedimResizesTheLastDimensionKeepingElements)
{
    Variant A = VarArrayCreate({0, 1, 0, 1}, varInteger);
    A.PutElement({0, 0}, Variant(1));
    A.PutElement({1, 0}, Variant(2));
    A.PutElement({0, 1}, Variant(3));
    A.PutElement({1, 1}, Variant(4));
    Variant Before = A;
    VarArrayRedim(A, 3);
    EXPECT_EQ(VarArrayHighBound(A, 2), 3);
    EXPECT_EQ(A.GetElement({1, 1}).AsInteger(), 4);
    EXPECT_EQ(A.GetElement({0, 1}).AsInteger(), 3);
    EXPECT_EQ(A.GetElement({1, 3}).AsInteger(), 0);
    EXPECT_EQ(VarArrayHighBound(Before, 2), 1);
    VarArrayRedim(A, -1);
    EXPECT_EQ(VarArrayHighBound(A, 2), -1);
    EXPECT_THROW(A.GetElement({0, 0}), EVariantBadIndexError);
    EXPECT_THROW(VarArrayRedim(A, -3), EVariantArrayCreateError);
    Variant One = VarArrayOf({"a"});
    VarArrayRedim(One, 2);
    EXPECT_EQ(One.GetElement({0}).AsString(), "a");
    EXPECT_TRUE(VarIsEmpty(One.GetElement({2})));
}

TEST_F(VariantArrays, ArraysRefuseScalarConversions)
{
    EXPECT_EQ(MessageOf<EVariantTypeCastError>([] { VarToStr(VarArrayOf({1})); }),
              "Could not convert variant of type (Array Variant) into type (String)");
}

} // namespace

// ---- objects as handles ----

// The registry only keys on addresses, so plain storage stands in for objects.
struct FakeObjects {
    alignas(16) char Storage[64][16];
    TObject *At(int Index) { return reinterpret_cast<TObject *>(&Storage[Index]); }
    ~FakeObjects()
    {
        for (int Index = 0; Index < 64; ++Index)
            rtl::ForgetObjectHandle(At(Index));
    }
};

TEST(VariantObjects, AnObjectKeepsOneHandleWhileItLives)
{
    FakeObjects Objects;
    Variant First = VarFromObject(Objects.At(0));
    EXPECT_EQ(VarType(First), varInteger);
    EXPECT_NE(First.AsInteger(), 0);
    EXPECT_EQ(VarFromObject(Objects.At(0)).AsInteger(), First.AsInteger());
    EXPECT_NE(VarFromObject(Objects.At(1)).AsInteger(), First.AsInteger());
    EXPECT_EQ(VarToObject(First), Objects.At(0));
    EXPECT_EQ(VarFromObject(nullptr).AsInteger(), 0);
    EXPECT_EQ(VarToObject(Variant(0)), nullptr);
    EXPECT_EQ(VarToObject(Null()), nullptr);
}

TEST(VariantObjects, StaleAndForgedHandlesRaise)
{
    FakeObjects Objects;
    Variant Handle = VarFromObject(Objects.At(2));
    rtl::ForgetObjectHandle(Objects.At(2));
    EXPECT_EQ(MessageOf<EVariantInvalidObjectError>([&] { VarToObject(Handle); }),
              "Invalid object reference");
    // The same address coming back is a new object and never inherits the old number.
    EXPECT_NE(VarFromObject(Objects.At(2)).AsInteger(), Handle.AsInteger());
    EXPECT_THROW(VarToObject(Handle), EVariantInvalidObjectError);
    EXPECT_THROW(VarToObject(Variant(-5)), EVariantInvalidObjectError);
    EXPECT_THROW(VarToObject(Variant("x")), EVariantTypeCastError);
    EXPECT_THROW(VarToObject(Variant(true)), EVariantTypeCastError);
}

TEST(VariantObjects, HandlesSurviveConcurrentUse)
{
    FakeObjects Objects;
    std::vector<std::thread> Threads;
    std::atomic<int> Wrong{0};
    for (int T = 0; T < 4; ++T)
        Threads.emplace_back([&, T] {
            for (int Round = 0; Round < 500; ++Round) {
                TObject *Obj = Objects.At(T * 16 + Round % 16);
                int Handle = rtl::ObjectToHandle(Obj);
                if (rtl::HandleToObject(Handle) != Obj) ++Wrong;
                if (Round % 3 == 0) rtl::ForgetObjectHandle(Obj);
            }
        });
    for (auto &Thread : Threads)
        Thread.join();
    EXPECT_EQ(Wrong.load(), 0);
}
