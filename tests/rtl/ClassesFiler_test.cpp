#include "tests/rtl/Gadget.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{

template <typename E, typename F> AnsiString MessageOf(F &&Call)
{
    try {
        Call();
    } catch (const E &Error) {
        return Error.Message();
    }
    return "(no exception)";
}

AnsiString Hex(TMemoryStream &Stream)
{
    static const char Digits[] = "0123456789ABCDEF";
    AnsiString Result;
    auto *Bytes = static_cast<const std::uint8_t *>(Stream.Memory());
    for (std::int64_t Index = 0; Index < Stream.Size(); ++Index) {
        Result += Digits[Bytes[Index] >> 4];
        Result += Digits[Bytes[Index] & 15];
    }
    return Result;
}

void PutHex(TMemoryStream &Stream, const char *Text)
{
    for (const char *P = Text; P[0] && P[1]; P += 2) {
        auto Nibble = [](char C) { return C <= '9' ? C - '0' : C - 'A' + 10; };
        std::uint8_t Byte = static_cast<std::uint8_t>(Nibble(P[0]) * 16 + Nibble(P[1]));
        Stream.WriteBuffer(&Byte, 1);
    }
    Stream.SetPosition(0);
}

template <typename F> AnsiString Written(F &&Fill)
{
    TMemoryStream Stream;
    {
        TWriter Writer(&Stream);
        Fill(Writer);
    }
    return Hex(Stream);
}

// ---- the value encoding ----

TEST(WriterEncoding, IntegersTakeTheNarrowestWidth)
{
    EXPECT_EQ(Written([](TWriter &W) { W.WriteInteger(5); }), "0205");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteInteger(-128); }), "0280");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteInteger(300); }), "032C01");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteInteger(70000); }), "0470110100");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteInteger(1LL << 40); }), "130000000000010000");
}

TEST(WriterEncoding, StringsOfEveryWidth)
{
    EXPECT_EQ(Written([](TWriter &W) { W.WriteString("ab"); }), "06026162");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteLongString("ab"); }), "0C020000006162");
    AnsiString Long = AnsiString::StringOfChar('x', 300);
    EXPECT_EQ(Written([&](TWriter &W) { W.WriteString(Long); }).SubString(1, 10), "0C2C010000");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteWideString(u"Ж"); }), "12010000001604");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteIdent("haCenter"); }), "0708686143656E746572");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteIdent("true"); }), "09");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteIdent("nil"); }), "0D");
}

TEST(WriterEncoding, FloatsAsExtendedSingleCurrencyAndDate)
{
    EXPECT_EQ(Written([](TWriter &W) { W.WriteFloat(1.5); }), "0500000000000000C0FF3F");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteFloat(-2); }), "05000000000000008000C0");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteFloat(0); }), "0500000000000000000000");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteSingle(1.0f); }), "0F0000803F");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteCurrency(Currency(1.5)); }), "10983A000000000000");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteDate(1.0); }), "11000000000000F03F");
}

// The report's data-set list: a name, two list levels, one long string.
TEST(WriterEncoding, CollectionOfLongStringsAsTheReportWritesIt)
{
    AnsiString Item = " DataSet=\"frxUserDataTovcheck\" DataSetName=\"frxUserDataTovcheck\"";
    AnsiString Bytes = Written([&](TWriter &W) {
        W.WritePropName("Datasets");
        W.WriteListBegin();
        W.WriteListBegin();
        W.WriteLongString(Item);
        W.WriteListEnd();
        W.WriteListEnd();
    });
    EXPECT_EQ(Bytes, "08446174617365747301010C40000000"
                     "20446174615365743D226672785573657244617461546F76636865636B2220446174615365"
                     "744E616D653D226672785573657244617461546F76636865636B220000");
}

TEST(WriterEncoding, VariantsByTheirType)
{
    EXPECT_EQ(Written([](TWriter &W) { W.WriteVariant(Variant()); }), "0D");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteVariant(Null()); }), "00");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteVariant(Variant(true)); }), "09");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteVariant(Variant(7)); }), "0207");
    EXPECT_EQ(Written([](TWriter &W) { W.WriteVariant(Variant("a")); }), "060161");
    EXPECT_THROW(Written([](TWriter &W) { W.WriteVariant(VarArrayOf({1})); }), EWriteError);
}

TEST(WriterEncoding, NamesLongerThanAShortStringRaise)
{
    AnsiString Long = AnsiString::StringOfChar('n', 256);
    EXPECT_THROW(Written([&](TWriter &W) { W.WritePropName(Long); }), EFilerError);
}

// ---- reading values back ----

class ReaderTest : public testing::Test
{
protected:
    TReader &From(const char *HexText)
    {
        Reader.reset();
        Stream.Clear();
        PutHex(Stream, HexText);
        Reader = std::make_unique<TReader>(&Stream);
        return *Reader;
    }
    TMemoryStream Stream;
    std::unique_ptr<TReader> Reader;
};

using ReaderValues = ReaderTest;

TEST_F(ReaderValues, IntegersOfEachWidth)
{
    TReader &R = From("0205"
                      "0280"
                      "032C01"
                      "0470110100"
                      "130000000000010000");
    EXPECT_EQ(R.ReadInteger(), 5);
    EXPECT_EQ(R.ReadInteger(), -128);
    EXPECT_EQ(R.ReadInteger(), 300);
    EXPECT_EQ(R.ReadInteger(), 70000);
    EXPECT_EQ(R.ReadInt64(), 1LL << 40);
    EXPECT_EQ(Stream.Position(), Stream.Size());
}

TEST_F(ReaderValues, StringsOfEveryWidthReadAsText)
{
    TReader &R = From("060161"
                      "0C020000006162"
                      "12010000001604"
                      "1402000000D096"
                      "0703616263");
    EXPECT_EQ(R.ReadString(), "a");
    EXPECT_EQ(R.ReadString(), "ab");
    EXPECT_EQ(R.ReadString(), "Ж"_a);
    EXPECT_EQ(R.ReadWideString(), WideString(u"Ж"));
    EXPECT_EQ(R.ReadIdent(), "abc");
}

TEST_F(ReaderValues, FloatsRoundTripThroughTheExtendedForm)
{
    const double Values[] = {1.5, -2, 0, 0.1, 1e300, -1e-310, 94.48825, 1.0 / 3};
    TMemoryStream Data;
    {
        TWriter Writer(&Data);
        for (double Value : Values)
            Writer.WriteFloat(Value);
        Writer.WriteFloat(INFINITY);
    }
    Data.SetPosition(0);
    TReader Back(&Data);
    for (double Value : Values)
        EXPECT_EQ(Back.ReadFloat(), Value);
    EXPECT_TRUE(std::isinf(Back.ReadFloat()));
}

TEST_F(ReaderValues, WrongValueKindRaises)
{
    TReader &R = From("060161");
    EXPECT_EQ(MessageOf<EReadError>([&] { R.ReadInteger(); }), "Invalid property value");
}

TEST_F(ReaderValues, DamagedLengthsRaiseInsteadOfAllocating)
{
    TReader &R = From("0CFFFFFF7F41");
    EXPECT_EQ(MessageOf<EReadError>([&] { R.ReadString(); }), "Stream read error");
    TReader &Negative = From("0AFFFFFFFF");
    EXPECT_THROW(Negative.SkipValue(), EReadError);
    TReader &Short = From("0470");
    EXPECT_THROW(Short.ReadInteger(), EReadError);
    TReader &Unknown = From("7F");
    EXPECT_THROW(Unknown.ReadValue(), EReadError);
}

TEST_F(ReaderValues, SkipPassesOverNestedValues)
{
    // list(int8, set{a}, collection[list(prop "W" = 1)], binary(2)), then 5
    TReader &R = From("01"
                      "0201"
                      "0B016100"
                      "0E"
                      "01"
                      "015702"
                      "01"
                      "00"
                      "00"
                      "0A020000000102"
                      "00"
                      "0205");
    R.SkipValue();
    EXPECT_EQ(R.ReadInteger(), 5);
}

TEST_F(ReaderValues, DeepNestingRaises)
{
    std::string Deep(1000, '0');
    for (std::size_t Index = 1; Index < Deep.size(); Index += 2)
        Deep[Index] = '1';
    TReader &R = From(Deep.c_str());
    EXPECT_THROW(R.SkipValue(), EReadError);
}

TEST_F(ReaderValues, VariantsComeBackWithTheirType)
{
    TReader &R = From("0D"
                      "00"
                      "09"
                      "0207"
                      "060161"
                      "12010000001604"
                      "10983A000000000000");
    EXPECT_TRUE(VarIsEmpty(R.ReadVariant()));
    EXPECT_TRUE(VarIsNull(R.ReadVariant()));
    EXPECT_EQ(VarType(R.ReadVariant()), varBoolean);
    EXPECT_EQ(R.ReadVariant().AsInteger(), 7);
    EXPECT_EQ(VarType(R.ReadVariant()), varString);
    EXPECT_EQ(VarType(R.ReadVariant()), varOleStr);
    EXPECT_EQ(R.ReadVariant().AsCurrency().Scaled(), 15000);
}

// ---- defined properties ----

TEST(DefinedProperties, WrittenOnlyWithDataAndReadByName)
{
    TGadget Source(nullptr);
    TMemoryStream Empty;
    TWriter(&Empty).WriteProperties(&Source);
    EXPECT_EQ(Hex(Empty).Pos("5061747465726E"), 0); // no Pattern
    EXPECT_EQ(Hex(Empty).Pos("4E6F746573"), 0);     // no Notes

    Source.Notes = "remember";
    Source.Frame()->Pattern = {1, 2, 3};
    Source.Lines()->Add("a");
    TMemoryStream Data;
    {
        TWriter Writer(&Data);
        Writer.WriteProperties(&Source);
        Writer.WriteListEnd();
    }
    AnsiString Bytes = Hex(Data);
    EXPECT_NE(Bytes.Pos("0D4672616D652E5061747465726E0A03000000010203"), 0); // Frame.Pattern
    EXPECT_NE(Bytes.Pos("054E6F746573"), 0);                                 // Notes
    EXPECT_NE(Bytes.Pos("0D4C696E65732E537472696E677301060161"), 0); // Lines.Strings = ("a")

    Data.SetPosition(0);
    TGadget Target(nullptr);
    TReader Reader(&Data);
    Reader.ReadProperties(&Target);
    EXPECT_EQ(Target.Notes, "remember");
    EXPECT_EQ(Target.Frame()->Pattern, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(Target.Lines()->Text(), "a\r\n");
}

TEST(DefinedProperties, ReadOnlyDefinedPropertyIsAcceptedButNeverWritten)
{
    TMemoryStream Data;
    PutHex(Data, "064F6C6453756D022A00"); // OldSum = 42
    TGadget Target(nullptr);
    TReader(&Data).ReadProperties(&Target);
    EXPECT_EQ(Target.Sum(), 42);
    TMemoryStream Out;
    TWriter(&Out).WriteProperties(&Target);
    EXPECT_EQ(Hex(Out).Pos("4F6C6453756D"), 0);
}

TEST(DefinedProperties, UnknownPropertyRaisesUnlessTheErrorIsHandled)
{
    TMemoryStream Data;
    PutHex(Data, "044E6F7065020105576964746802210000"); // Nope = 1, Width = 33
    TGadget Target(nullptr);
    {
        TReader Reader(&Data);
        EXPECT_EQ(MessageOf<EReadError>([&] { Reader.ReadProperties(&Target); }),
                  "Property Nope does not exist");
    }
    Data.SetPosition(0);
    TReader Forgiving(&Data);
    AnsiString Seen;
    Forgiving.OnError = [&](TReader *, const AnsiString &Message, bool &Handled) {
        Seen = Message;
        Handled = true;
    };
    Forgiving.ReadProperties(&Target);
    EXPECT_EQ(Seen, "Property Nope does not exist");
    EXPECT_EQ(Target.Width(), 33);
}

// ---- whole components ----

void CopyByTypeInfo(TObject *Source, TObject *Target)
{
    for (PPropInfo Info : GetPropList(Source, tkProperties))
        if (Info->Writable()) SetPropValue(Target, Info, GetPropValue(Source, Info));
}

class ComponentStreams : public testing::Test
{
protected:
    void SetUp() override { RegisterClasses({TGadget::StaticClass(), TBigGadget::StaticClass()}); }

    static void FillEveryProperty(TGadget &G)
    {
        G.SetTag(-5);
        G.SetWidth(640);
        G.SetEnabled(false);
        G.SetShade(shDark);
        G.SetMarks(TMarks{mkStar, mkRing});
        G.SetLetter('\xC6'); // cp1251 'Ж'
        G.SetGlyph(u'€');
        G.SetBig(-(1LL << 40));
        G.SetLevel(200);
        G.SetRatio(94.48825);
        G.SetScale(0.25f);
        G.SetPrice(Currency(-12.3456));
        G.SetStamp(45356.75);
        G.SetCaption("Заголовок"_a);
        G.SetHint(u"Подсказка");
        G.SetValue(Variant("v"));
        G.SetColor(0);
        G.Frame()->SetThickness(3);
        G.Frame()->SetColor(0x00FF00);
        G.Frame()->Pattern = {0xDE, 0xAD};
        G.Notes = std::string(300, 'n');
        auto *Item = static_cast<TGadgetItem *>(G.Items()->Add());
        Item->SetLabel("first");
        Item->SetWeight(4);
        static_cast<TGadgetItem *>(G.Items()->Add())->SetLabel("second");
        G.Lines()->Add("one");
        G.Lines()->Add(AnsiString::StringOfChar('2', 300));
    }

    static std::unique_ptr<TMemoryStream> Save(TGadget &Root)
    {
        auto Stream = std::make_unique<TMemoryStream>();
        TWriter(Stream.get()).WriteRootComponent(&Root);
        Stream->SetPosition(0);
        return Stream;
    }
};

TEST_F(ComponentStreams, EveryKindRoundTripsIntoAnEqualObject)
{
    TGadget Source(nullptr);
    Source.SetName("Panel");
    FillEveryProperty(Source);
    auto *Child = new TBigGadget(&Source);
    Child->SetName("Knob");
    Child->SetExtra(3);
    Child->SetBuddy(&Source);
    Source.SetBuddy(Child);
    auto Stream = Save(Source);

    std::unique_ptr<TComponent> Made(TReader(Stream.get()).ReadRootComponent(nullptr));
    auto *Copy = dynamic_cast<TGadget *>(Made.get());
    ASSERT_NE(Copy, nullptr);
    EXPECT_TRUE(SameGadget(Source, *Copy));
    ASSERT_EQ(Copy->ComponentCount(), 1);
    auto *CopyChild = dynamic_cast<TBigGadget *>(Copy->Components(0));
    ASSERT_NE(CopyChild, nullptr);
    EXPECT_TRUE(SameGadget(*Child, *CopyChild));
    EXPECT_EQ(CopyChild->Extra(), 3);
    // References point into the new tree, not at the objects that were saved.
    EXPECT_EQ(Copy->Buddy(), CopyChild);
    EXPECT_EQ(CopyChild->Buddy(), Copy);
    EXPECT_EQ(Copy->LoadedCalls, 1);
    EXPECT_EQ(CopyChild->LoadedCalls, 1);
    EXPECT_FALSE(Copy->ComponentState().Contains(csLoading));
    EXPECT_FALSE(CopyChild->ComponentState().Contains(csReading));
}

TEST_F(ComponentStreams, RoundTripThroughTypeInformationGivesAnEqualObject)
{
    TGadget Source(nullptr);
    FillEveryProperty(Source);
    TGadget Copy(nullptr);
    CopyByTypeInfo(&Source, &Copy);
    CopyByTypeInfo(Source.Frame(), Copy.Frame());
    for (int Index = 0; Index < Source.Items()->Count(); ++Index)
        CopyByTypeInfo(Source.Items()->Items(Index), Copy.Items()->Add());
    // Bytes, lines and notes live in defined properties, outside type information.
    Copy.Frame()->Pattern = Source.Frame()->Pattern;
    Copy.Lines()->Assign(Source.Lines());
    Copy.Notes = Source.Notes;
    EXPECT_TRUE(SameGadget(Source, Copy));
}

TEST_F(ComponentStreams, DefaultsAndUnstoredPropertiesStayOut)
{
    TGadget Plain(nullptr);
    Plain.SetName("G");
    auto Stream = Save(Plain);
    // Signature, class name, name, empty property list, no children.
    EXPECT_EQ(Hex(*Stream), "54504630075447616467657401470000");

    TBigGadget Big(nullptr);
    Big.SetName("B");
    Big.SetSecret(99);
    Big.SetCaption("(auto)");
    EXPECT_EQ(Hex(*Save(Big)), "545046300A54426967476164676574014"
                               "20000");
    TBigGadget Narrow(nullptr);
    Narrow.SetName("N");
    Narrow.SetWidth(10);
    AnsiString Bytes = Hex(*Save(Narrow));
    EXPECT_NE(Bytes.Pos("0557696474680"), 0); // Width = 10 differs from the subclass default
}

TEST_F(ComponentStreams, ReadingIntoAnExistingRootKeepsItsName)
{
    TGadget Source(nullptr);
    Source.SetName("Saved");
    Source.SetWidth(77);
    auto Stream = Save(Source);
    TGadget Target(nullptr);
    Target.SetName("Mine");
    TReader(Stream.get()).ReadRootComponent(&Target);
    EXPECT_EQ(Target.Name(), "Mine");
    EXPECT_EQ(Target.Width(), 77);
    EXPECT_EQ(Target.Secret(), 7);
}

TEST_F(ComponentStreams, UnresolvedReferenceStaysNil)
{
    TGadget Source(nullptr);
    Source.SetName("Root");
    TGadget Outsider(nullptr);
    Outsider.SetName("Outsider");
    Source.SetBuddy(&Outsider);
    auto Stream = Save(Source);
    TGadget Target(nullptr);
    TReader(Stream.get()).ReadRootComponent(&Target);
    EXPECT_EQ(Target.Buddy(), nullptr);
}

TEST_F(ComponentStreams, BadStreamsRaiseAndLeaveNothingBehind)
{
    TMemoryStream Junk;
    PutHex(Junk, "5450463100");
    EXPECT_EQ(MessageOf<EInvalidImage>([&] { TReader(&Junk).ReadRootComponent(nullptr); }),
              "Invalid stream format");
    TMemoryStream Unknown;
    PutHex(Unknown, "54504630055446616B6501460000");
    EXPECT_EQ(MessageOf<EClassNotFound>([&] { TReader(&Unknown).ReadRootComponent(nullptr); }),
              "Class TFake not found");
    TGadget Source(nullptr);
    Source.SetName("Cut");
    Source.SetCaption("truncated here");
    auto Stream = Save(Source);
    Stream->SetSize(Stream->Size() - 6);
    Stream->SetPosition(4);
    TGadget Owner(nullptr);
    TReader Reader(Stream.get());
    Reader.SetOwner(&Owner);
    EXPECT_THROW(Reader.ReadComponent(nullptr), EReadError);
    EXPECT_EQ(Owner.ComponentCount(), 0);
}

// ---- events bound to the root's methods ----

TEST_F(ComponentStreams, EventsTravelAsTheRootsMethodNamesAndBindToTheReadingRoot)
{
    TGadget Source(nullptr);
    Source.SetName("Panel");
    auto *Child = new TBigGadget(&Source);
    Child->SetName("Knob");
    SetMethodProp(Child, "OnClick", BindPublishedMethod(&Source, "GadgetClick"));
    SetMethodProp(Child, "OnTick", BindPublishedMethod(&Source, "GadgetTick"));
    SetMethodProp(&Source, "OnClick", BindPublishedMethod(&Source, "GadgetClick"));
    auto Stream = Save(Source);
    // "OnClick", then the identifier "GadgetClick".
    EXPECT_NE(Hex(*Stream).Pos("074F6E436C69636B070B476164676574436C69636B"), 0);

    TGadget Copy(nullptr);
    TReader(Stream.get()).ReadRootComponent(&Copy);
    ASSERT_EQ(Copy.ComponentCount(), 1);
    auto *CopyChild = dynamic_cast<TBigGadget *>(Copy.Components(0));
    ASSERT_TRUE(CopyChild && CopyChild->OnClick && CopyChild->OnTick && Copy.OnClick);
    // The copy writes the same stream: its handlers know their names too.
    EXPECT_EQ(Hex(*Save(Copy)), Hex(*Stream));

    CopyChild->OnClick(CopyChild);
    Copy.OnClick(&Copy);
    EXPECT_EQ(Copy.ClickedBy, (std::vector<TObject *>{CopyChild, &Copy}));
    EXPECT_TRUE(Source.ClickedBy.empty());
    Copy.SetWidth(55);
    int Count = 0;
    CopyChild->OnTick(CopyChild, Count);
    EXPECT_EQ(Count, 55);
}

TEST_F(ComponentStreams, HandlersNoReaderCouldBindAgainAreLeftOut)
{
    auto Tree = [](TGadget &Root) {
        Root.SetName("Panel");
        auto *Child = new TGadget(&Root);
        Child->SetName("Knob");
        return Child;
    };
    TGadget Plain(nullptr);
    Tree(Plain);
    TGadget Source(nullptr);
    TGadget *Child = Tree(Source);
    TGadget Elsewhere(nullptr);
    Child->OnClick = [](TObject *) {};
    Child->OnTick = std::any_cast<TTickEvent>(BindPublishedMethod(&Elsewhere, "GadgetTick"));
    SetMethodProp(&Source, "OnClick", BindPublishedMethod(&Source, "GadgetClick"));
    Source.ClickLinked = true;
    EXPECT_EQ(Hex(*Save(Source)), Hex(*Save(Plain)));
}

TEST_F(ComponentStreams, AMethodTheRootDoesNotPublishIsAReadError)
{
    TBigGadget Source(nullptr);
    Source.SetName("Panel");
    auto *Child = new TGadget(&Source);
    Child->SetName("Knob");
    Child->SetWidth(31);
    SetMethodProp(Child, "OnClick", BindPublishedMethod(&Source, "BigClick"));
    auto Stream = Save(Source);

    TGadget Target(nullptr);
    EXPECT_EQ(MessageOf<EReadError>([&] { TReader(Stream.get()).ReadRootComponent(&Target); }),
              "Method BigClick not found");
    EXPECT_EQ(Target.ComponentCount(), 0);

    // A reader told to go on skips the handler and reads the rest.
    Stream->SetPosition(0);
    TReader Forgiving(Stream.get());
    AnsiString Seen;
    Forgiving.OnError = [&](TReader *, const AnsiString &Message, bool &Handled) {
        Seen = Message;
        Handled = true;
    };
    Forgiving.ReadRootComponent(&Target);
    EXPECT_EQ(Seen, "Method BigClick not found");
    ASSERT_EQ(Target.ComponentCount(), 1);
    auto *CopyChild = static_cast<TGadget *>(Target.Components(0));
    EXPECT_FALSE(CopyChild->OnClick);
    EXPECT_EQ(CopyChild->Width(), 31);
}

TEST_F(ComponentStreams, AMethodOfTheWrongShapeIsInvalidAndNilClearsTheHandler)
{
    auto Crafted = [](void (*Value)(TWriter &)) {
        auto Stream = std::make_unique<TMemoryStream>();
        {
            TWriter W(Stream.get());
            W.WriteSignature();
            W.WriteStr("TGadget");
            W.WriteStr("Panel");
            W.WritePropName("OnClick");
            Value(W);
            W.WriteListEnd();
            W.WriteListEnd();
        }
        Stream->SetPosition(0);
        return Stream;
    };
    TGadget Target(nullptr);
    auto Mismatch = Crafted([](TWriter &W) { W.WriteIdent("GadgetTick"); });
    EXPECT_EQ(MessageOf<EReadError>([&] { TReader(Mismatch.get()).ReadRootComponent(&Target); }),
              "Invalid property value");
    EXPECT_FALSE(Target.OnClick);

    Target.OnClick = [](TObject *) {};
    auto Cleared = Crafted([](TWriter &W) { W.WriteValue(vaNil); });
    TReader(Cleared.get()).ReadRootComponent(&Target);
    EXPECT_FALSE(Target.OnClick);
}

} // namespace
