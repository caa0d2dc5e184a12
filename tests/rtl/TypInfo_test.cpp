#include "tests/rtl/Gadget.h"

#include <algorithm>
#include <gtest/gtest.h>

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

std::vector<AnsiString> Names(const TPropList &List)
{
    std::vector<AnsiString> Result;
    for (PPropInfo Info : List)
        Result.push_back(Info->Name);
    return Result;
}

class TypInfoTest : public testing::Test
{
protected:
    void SetUp() override { DecimalSeparator = '.'; }
    void TearDown() override { rtl::RestoreDefaultFormatSettings(); }

    std::unique_ptr<TGadget> Gadget = std::make_unique<TGadget>(nullptr);
};

// ---- property lists and lookup ----

using PropertyLists = TypInfoTest;

TEST_F(PropertyLists, ComeInDeclarationOrderBaseClassFirst)
{
    std::vector<AnsiString> Expected = {
        "Name",   "Tag",   "Width", "Enabled", "Shade", "Marks",   "Letter", "Glyph", "Big",
        "Level",  "Ratio", "Scale", "Price",   "Stamp", "Caption", "Hint",   "Value", "Color",
        "Secret", "Buddy", "Frame", "Items",   "Lines", "OnClick", "OnTick"};
    EXPECT_EQ(Names(GetPropList(TGadget::StaticClass())), Expected);
    EXPECT_EQ(Names(GetPropList(Gadget.get(), tkMethods)),
              (std::vector<AnsiString>{"OnClick", "OnTick"}));
}

TEST_F(PropertyLists, RepublishedPropertyMovesToTheSubclassLevel)
{
    TPropList List = GetPropList(TBigGadget::StaticClass());
    std::vector<AnsiString> All = Names(List);
    std::vector<AnsiString> Tail(All.end() - 3, All.end());
    EXPECT_EQ(Tail, (std::vector<AnsiString>{"OnTick", "Width", "Extra"}));
    EXPECT_EQ(List.size(), GetPropList(TGadget::StaticClass()).size() + 1);
    EXPECT_EQ(GetPropInfo(TBigGadget::StaticClass(), "Width")->Default, 20);
    EXPECT_EQ(GetPropInfo(TGadget::StaticClass(), "Width")->Default, 10);
    EXPECT_EQ(GetPropInfo(TBigGadget::StaticClass(), "Width")->Owner, TBigGadget::StaticClass());
}

TEST_F(PropertyLists, ClassWithoutOwnTableSharesItsParentsList)
{
    EXPECT_EQ(Names(GetPropList(TComponent::StaticClass())),
              (std::vector<AnsiString>{"Name", "Tag"}));
    EXPECT_TRUE(GetPropList(TObject::StaticClass()).empty());
    TPropList Sorted = GetPropList(TGadget::StaticClass());
    SortPropList(Sorted);
    EXPECT_EQ(Sorted.front()->Name, "Big");
    EXPECT_EQ(Sorted.back()->Name, "Width");
}

TEST_F(PropertyLists, LookupIgnoresCaseAndFiltersKinds)
{
    EXPECT_EQ(GetPropInfo(Gadget.get(), "wIDTH")->Name, "Width");
    EXPECT_EQ(GetPropInfo(Gadget.get(), "Nothing"), nullptr);
    EXPECT_EQ(GetPropInfo(Gadget.get(), "Width", TTypeKinds{tkFloat}), nullptr);
    EXPECT_NE(GetPropInfo(Gadget.get(), "Ratio", TTypeKinds{tkFloat}), nullptr);
    EXPECT_EQ(MessageOf<EPropertyError>([&] { FindPropInfo(Gadget.get(), "Nothing"); }),
              "Property Nothing does not exist");
    EXPECT_TRUE(IsPublishedProp(Gadget.get(), "caption"));
    EXPECT_TRUE(PropIsType(Gadget.get(), "Hint", tkWString));
}

TEST_F(PropertyLists, TypeRecordsNameEveryKind)
{
    auto TypeOf = [&](const char *Name) { return FindPropInfo(Gadget.get(), Name)->PropType; };
    EXPECT_EQ(TypeOf("Width")->Kind, tkInteger);
    EXPECT_EQ(TypeOf("Width")->Name, "Integer");
    EXPECT_EQ(TypeOf("Enabled")->Kind, tkEnumeration);
    EXPECT_EQ(TypeOf("Enabled")->Name, "Boolean");
    EXPECT_EQ(TypeOf("Shade")->Name, "TShade");
    EXPECT_EQ(TypeOf("Shade")->EnumNames.size(), 3u);
    EXPECT_EQ(TypeOf("Marks")->Kind, tkSet);
    EXPECT_EQ(TypeOf("Marks")->Name, "TMarks");
    EXPECT_EQ(TypeOf("Marks")->CompType, TypeInfo<TMark>());
    EXPECT_EQ(TypeOf("Letter")->Kind, tkChar);
    EXPECT_EQ(TypeOf("Glyph")->Kind, tkWChar);
    EXPECT_EQ(TypeOf("Big")->Kind, tkInt64);
    EXPECT_EQ(TypeOf("Level")->OrdType, otUByte);
    EXPECT_EQ(TypeOf("Ratio")->FloatType, ftDouble);
    EXPECT_EQ(TypeOf("Scale")->FloatType, ftSingle);
    EXPECT_EQ(TypeOf("Price")->FloatType, ftCurr);
    EXPECT_EQ(TypeOf("Stamp")->Name, "TDateTime");
    EXPECT_EQ(TypeOf("Caption")->Kind, tkLString);
    EXPECT_EQ(TypeOf("Value")->Kind, tkVariant);
    EXPECT_EQ(TypeOf("Color")->Name, "TColor");
    EXPECT_EQ(TypeOf("Buddy")->Kind, tkClass);
    EXPECT_EQ(TypeOf("Buddy")->ClassType, TGadget::StaticClass());
    EXPECT_EQ(TypeOf("OnClick")->Name, "TNotifyEvent");
    EXPECT_EQ(TypeOf("OnTick")->Name, "TTickEvent");
    EXPECT_EQ(TypeOf("Name")->Name, "TComponentName");
    EXPECT_EQ(rtl::TCursorInfo()->MinValue, -32768);
    EXPECT_EQ(rtl::TShortCutInfo()->MaxValue, 65535);
    EXPECT_EQ(rtl::TFontNameInfo()->Kind, tkLString);
    EXPECT_EQ(rtl::TModalResultInfo()->Name, "TModalResult");
    EXPECT_EQ(rtl::TFontCharsetInfo()->OrdType, otUByte);
    EXPECT_EQ(rtl::TDateInfo()->Name, "TDate");
    EXPECT_EQ(rtl::TTimeInfo()->Kind, tkFloat);
}

TEST_F(PropertyLists, PublishingRejectsATypeThatDoesNotFitTheAccessors)
{
    rtl::PropertyTable Table;
    rtl::Publisher<TGadget> P(Table);
    EXPECT_THROW(P.Property("Bad", &TGadget::Width, &TGadget::SetWidth, rtl::TDateTimeInfo()),
                 EPropertyError);
    EXPECT_NO_THROW(P.Property("Good", &TGadget::Width, &TGadget::SetWidth, rtl::TColorInfo()));
}

// ---- get and set by kind ----

using PropertyAccess = TypInfoTest;

TEST_F(PropertyAccess, OrdinalsGoThroughTheAccessorsWithRangeChecks)
{
    SetOrdProp(Gadget.get(), "Width", 42);
    EXPECT_EQ(Gadget->Width(), 42);
    EXPECT_EQ(GetOrdProp(Gadget.get(), "width"), 42);
    SetOrdProp(Gadget.get(), "Big", 1LL << 40);
    EXPECT_EQ(Gadget->Big(), 1LL << 40);
    SetOrdProp(Gadget.get(), "Letter", 'Z');
    EXPECT_EQ(Gadget->Letter(), 'Z');
    EXPECT_EQ(GetOrdProp(Gadget.get(), "Enabled"), 1);
    EXPECT_THROW(SetOrdProp(Gadget.get(), "Level", 300), ERangeError);
    EXPECT_THROW(SetOrdProp(Gadget.get(), "Shade", 3), ERangeError);
    EXPECT_THROW(SetOrdProp(Gadget.get(), "Marks", 8), ERangeError);
    EXPECT_EQ(Gadget->Level(), 0);
}

TEST_F(PropertyAccess, EnumerationsByName)
{
    EXPECT_EQ(GetEnumProp(Gadget.get(), "Shade"), "shMedium");
    SetEnumProp(Gadget.get(), "Shade", "SHDARK");
    EXPECT_EQ(Gadget->Shade(), shDark);
    EXPECT_EQ(MessageOf<EPropertyConvertError>([&] { SetEnumProp(Gadget.get(), "Shade", "x"); }),
              "Invalid property element: x");
    EXPECT_EQ(GetEnumName(TypeInfo<bool>(), 1), "True");
    EXPECT_EQ(GetEnumName(TypeInfo<TShade>(), 7), "7");
    EXPECT_EQ(GetEnumValue(TypeInfo<TShade>(), "shlight"), 0);
    EXPECT_EQ(GetEnumValue(TypeInfo<TShade>(), "shNone"), -1);
    EXPECT_EQ(GetEnumValue(TypeInfo<int>(), "12"), 12);
}

TEST_F(PropertyAccess, SetsToAndFromText)
{
    Gadget->SetMarks(TMarks{mkStar, mkRing});
    EXPECT_EQ(GetSetProp(Gadget.get(), "Marks"), "mkStar,mkRing");
    EXPECT_EQ(GetSetProp(Gadget.get(), "Marks", true), "[mkStar,mkRing]");
    SetSetProp(Gadget.get(), "Marks", "[ mkDot , mkring ]");
    EXPECT_EQ(Gadget->Marks(), (TMarks{mkDot, mkRing}));
    SetSetProp(Gadget.get(), "Marks", "[]");
    EXPECT_TRUE(Gadget->Marks().Empty());
    EXPECT_EQ(StringToSet(TypeInfo<TMarks>(), "mkStar,mkDot"), 3);
    EXPECT_EQ(SetToString(TypeInfo<TMarks>(), 4, true), "[mkRing]");
    EXPECT_THROW(SetSetProp(Gadget.get(), "Marks", "mkStar,mkCross"), EPropertyConvertError);
}

TEST_F(PropertyAccess, FloatsStringsAndVariants)
{
    SetFloatProp(Gadget.get(), "Ratio", 2.75);
    EXPECT_EQ(Gadget->Ratio(), 2.75);
    SetFloatProp(Gadget.get(), "Price", 12.34567);
    EXPECT_EQ(Gadget->Price().Scaled(), 123457);
    EXPECT_DOUBLE_EQ(GetFloatProp(Gadget.get(), "Price"), 12.3457);
    SetStrProp(Gadget.get(), "Caption", "Привет"_a);
    EXPECT_EQ(Gadget->Caption(), "Привет"_a);
    SetStrProp(Gadget.get(), "Hint", "Ёж"_a);
    EXPECT_EQ(Gadget->Hint(), WideString(u"Ёж"));
    EXPECT_EQ(GetStrProp(Gadget.get(), "Hint"), "Ёж"_a);
    SetWideStrProp(Gadget.get(), "Caption", WideString(u"Щи"));
    EXPECT_EQ(Gadget->Caption(), "Щи"_a);
    SetVariantProp(Gadget.get(), "Value", Null());
    EXPECT_TRUE(VarIsNull(Gadget->Value()));
    SetVariantProp(Gadget.get(), "Value", Variant(5));
    EXPECT_EQ(GetVariantProp(Gadget.get(), "Value").AsInteger(), 5);
}

TEST_F(PropertyAccess, WrongKindRaisesWithTheTypeName)
{
    EXPECT_EQ(MessageOf<EPropertyConvertError>([&] { GetFloatProp(Gadget.get(), "Width"); }),
              "Invalid property type: Integer");
    EXPECT_THROW(GetStrProp(Gadget.get(), "Ratio"), EPropertyConvertError);
    EXPECT_THROW(GetOrdProp(Gadget.get(), "Caption"), EPropertyConvertError);
    EXPECT_THROW(GetEnumProp(Gadget.get(), "Width"), EPropertyConvertError);
    EXPECT_THROW(GetMethodProp(Gadget.get(), "Width"), EPropertyConvertError);
}

TEST_F(PropertyAccess, ObjectsMustFitThePropertyClass)
{
    TGadget Other(nullptr);
    SetObjectProp(Gadget.get(), "Buddy", &Other);
    EXPECT_EQ(Gadget->Buddy(), &Other);
    EXPECT_EQ(GetObjectProp(Gadget.get(), "Buddy"), &Other);
    EXPECT_EQ(GetObjectProp(Gadget.get(), "Buddy", TBigGadget::StaticClass()), nullptr);
    TComponent Plain(nullptr);
    EXPECT_EQ(
        MessageOf<EPropertyConvertError>([&] { SetObjectProp(Gadget.get(), "Buddy", &Plain); }),
        "Invalid property value");
    EXPECT_EQ(Gadget->Buddy(), &Other);
    SetObjectProp(Gadget.get(), "Buddy", nullptr);
    EXPECT_EQ(Gadget->Buddy(), nullptr);
    EXPECT_EQ(GetObjectPropClass(FindPropInfo(Gadget.get(), "Frame")), TFrameStyle::StaticClass());
    EXPECT_EQ(MessageOf<EPropertyError>([&] { SetObjectProp(Gadget.get(), "Frame", nullptr); }),
              "Property is read-only");
}

TEST_F(PropertyAccess, EventsAreAssignedAndClearedThroughTypeInformation)
{
    int Clicks = 0;
    SetMethodProp(Gadget.get(), "OnClick", TMethod(TNotifyEvent([&](TObject *) { ++Clicks; })));
    ASSERT_TRUE(Gadget->OnClick);
    Gadget->OnClick(Gadget.get());
    EXPECT_EQ(Clicks, 1);
    TMethod Held = GetMethodProp(Gadget.get(), "OnClick");
    ASSERT_TRUE(Held.has_value());
    std::any_cast<TNotifyEvent>(Held)(nullptr);
    EXPECT_EQ(Clicks, 2);
    SetMethodProp(Gadget.get(), "OnTick",
                  TMethod(TTickEvent([](TObject *, int &Count) { Count = 9; })));
    int Count = 0;
    Gadget->OnTick(nullptr, Count);
    EXPECT_EQ(Count, 9);
    EXPECT_THROW(SetMethodProp(Gadget.get(), "OnTick", TMethod(TNotifyEvent())),
                 EPropertyConvertError);
    SetMethodProp(Gadget.get(), "OnClick", TMethod());
    EXPECT_FALSE(Gadget->OnClick);
    EXPECT_FALSE(GetMethodProp(Gadget.get(), "OnClick").has_value());
}

TEST_F(PropertyAccess, PublishedMethodsBindToTheirObjectAndKeepTheirName)
{
    TBigGadget Big(nullptr);
    const PPropInfo OnClick = FindPropInfo(Gadget.get(), "OnClick");
    // Found without case, among the parent's methods too, bound to the object asked.
    SetMethodProp(Gadget.get(), OnClick, BindPublishedMethod(&Big, "gadgetclick"));
    ASSERT_TRUE(Gadget->OnClick);
    Gadget->OnClick(Gadget.get());
    EXPECT_EQ(Big.ClickedBy, std::vector<TObject *>{Gadget.get()});
    EXPECT_TRUE(Gadget->ClickedBy.empty());
    rtl::MethodBinding Binding = GetMethodBinding(Gadget.get(), OnClick);
    EXPECT_EQ(Binding.Data, &Big);
    EXPECT_EQ(Binding.Name, "GadgetClick");
    // Copies of the handler still know where they came from.
    TGadget Other(nullptr);
    Other.OnClick = Gadget->OnClick;
    EXPECT_EQ(GetMethodBinding(&Other, OnClick).Name, "GadgetClick");

    SetMethodProp(Gadget.get(), "OnTick", BindPublishedMethod(&Big, "GadgetTick"));
    int Count = 0;
    Gadget->OnTick(nullptr, Count);
    EXPECT_EQ(Count, 20);
    EXPECT_THROW(SetMethodProp(Gadget.get(), OnClick, BindPublishedMethod(&Big, "GadgetTick")),
                 EPropertyConvertError);

    EXPECT_TRUE(BindPublishedMethod(&Big, "BigClick").has_value());
    EXPECT_FALSE(BindPublishedMethod(Gadget.get(), "BigClick").has_value());
    EXPECT_FALSE(BindPublishedMethod(&Big, "Nope").has_value());

    // Handlers made any other way, and none, have no name.
    Gadget->OnClick = [](TObject *) {};
    EXPECT_TRUE(GetMethodBinding(Gadget.get(), OnClick).Name.IsEmpty());
    Gadget->OnClick = nullptr;
    EXPECT_EQ(GetMethodBinding(Gadget.get(), OnClick).Data, nullptr);
    EXPECT_THROW(GetMethodBinding(Gadget.get(), FindPropInfo(Gadget.get(), "Width")),
                 EPropertyConvertError);
}

// ---- stored flags and defaults ----

using PropertyDefaults = TypInfoTest;

TEST_F(PropertyDefaults, StoredConstantsAndPredicates)
{
    EXPECT_FALSE(IsStoredProp(Gadget.get(), "Secret"));
    EXPECT_FALSE(IsStoredProp(Gadget.get(), "Name"));
    EXPECT_TRUE(IsStoredProp(Gadget.get(), "Caption"));
    Gadget->SetCaption("(auto)");
    EXPECT_FALSE(IsStoredProp(Gadget.get(), "Caption"));
    EXPECT_TRUE(IsStoredProp(Gadget.get(), "Width"));
}

TEST_F(PropertyDefaults, DefaultValuesByKind)
{
    auto IsDefault = [&](const char *Name) {
        return IsDefaultPropertyValue(Gadget.get(), FindPropInfo(Gadget.get(), Name));
    };
    EXPECT_TRUE(IsDefault("Width"));
    EXPECT_TRUE(IsDefault("Marks"));
    EXPECT_TRUE(IsDefault("Glyph"));
    EXPECT_TRUE(IsDefault("Caption"));
    EXPECT_TRUE(IsDefault("Ratio"));
    EXPECT_TRUE(IsDefault("Value"));
    EXPECT_TRUE(IsDefault("Buddy"));
    EXPECT_TRUE(IsDefault("OnClick"));
    EXPECT_FALSE(IsDefault("Secret")); // no default declared
    Gadget->SetWidth(11);
    Gadget->SetMarks({});
    Gadget->SetRatio(0.5);
    Gadget->SetValue(Null());
    Gadget->OnClick = [](TObject *) {};
    EXPECT_FALSE(IsDefault("Width"));
    EXPECT_FALSE(IsDefault("Marks"));
    EXPECT_FALSE(IsDefault("Ratio"));
    EXPECT_FALSE(IsDefault("Value"));
    EXPECT_FALSE(IsDefault("OnClick"));
}

// ---- any property as a variant ----

using PropertyValues = TypInfoTest;

TEST_F(PropertyValues, GetGivesEachKindItsVariantForm)
{
    EXPECT_EQ(VarType(GetPropValue(Gadget.get(), "Width")), varInteger);
    EXPECT_EQ(VarType(GetPropValue(Gadget.get(), "Enabled")), varBoolean);
    EXPECT_EQ(GetPropValue(Gadget.get(), "Shade").AsString(), "shMedium");
    EXPECT_EQ(GetPropValue(Gadget.get(), "Shade", false).AsInteger(), 1);
    EXPECT_EQ(GetPropValue(Gadget.get(), "Marks").AsString(), "mkDot");
    EXPECT_EQ(GetPropValue(Gadget.get(), "Marks", false).AsInteger(), 2);
    EXPECT_EQ(VarType(GetPropValue(Gadget.get(), "Big")), varInt64);
    EXPECT_EQ(VarType(GetPropValue(Gadget.get(), "Stamp")), varDate);
    EXPECT_EQ(VarType(GetPropValue(Gadget.get(), "Price")), varCurrency);
    EXPECT_EQ(VarType(GetPropValue(Gadget.get(), "Hint")), varOleStr);
    EXPECT_THROW(GetPropValue(Gadget.get(), "OnClick"), EPropertyConvertError);
}

TEST_F(PropertyValues, SetConvertsFromTheVariant)
{
    SetPropValue(Gadget.get(), "Width", Variant("33"));
    EXPECT_EQ(Gadget->Width(), 33);
    SetPropValue(Gadget.get(), "Enabled", Variant(false));
    EXPECT_FALSE(Gadget->Enabled());
    SetPropValue(Gadget.get(), "Enabled", Variant(true)); // -1 as an integer, still True
    EXPECT_TRUE(Gadget->Enabled());
    SetPropValue(Gadget.get(), "Shade", Variant("shLight"));
    EXPECT_EQ(Gadget->Shade(), shLight);
    SetPropValue(Gadget.get(), "Shade", Variant("2"));
    EXPECT_EQ(Gadget->Shade(), shDark);
    SetPropValue(Gadget.get(), "Marks", Variant("[mkStar]"));
    EXPECT_EQ(Gadget->Marks(), TMarks{mkStar});
    SetPropValue(Gadget.get(), "Letter", Variant("Q"));
    EXPECT_EQ(Gadget->Letter(), 'Q');
    SetPropValue(Gadget.get(), "Caption", Null());
    EXPECT_EQ(Gadget->Caption(), "");
    SetPropValue(Gadget.get(), "Stamp", Variant("05.03.2024"));
    EXPECT_EQ(Gadget->Stamp(), 45356);
    EXPECT_THROW(SetPropValue(Gadget.get(), "Ratio", Variant("abc")), EVariantTypeCastError);
}

TEST_F(PropertyValues, ObjectsTravelAsLiveHandles)
{
    auto Other = std::make_unique<TGadget>(nullptr);
    SetObjectProp(Gadget.get(), "Buddy", Other.get());
    Variant Handle = GetPropValue(Gadget.get(), "Buddy");
    EXPECT_EQ(VarType(Handle), varInteger);
    EXPECT_EQ(VarToObject(Handle), Other.get());
    SetPropValue(Gadget.get(), "Buddy", Variant(0));
    EXPECT_EQ(Gadget->Buddy(), nullptr);
    SetPropValue(Gadget.get(), "Buddy", Handle);
    EXPECT_EQ(Gadget->Buddy(), Other.get());
    Other.reset();
    EXPECT_EQ(Gadget->Buddy(), nullptr);
    EXPECT_THROW(SetPropValue(Gadget.get(), "Buddy", Handle), EVariantInvalidObjectError);
}

// ---- class registry ----

TEST(ClassRegistry, FindsClassesByNameWithoutCase)
{
    RegisterClasses({TGadget::StaticClass(), TBigGadget::StaticClass()});
    RegisterClass(TGadget::StaticClass());
    EXPECT_EQ(GetClass("tgadget"), TGadget::StaticClass());
    EXPECT_EQ(FindClass("TBigGadget"), TBigGadget::StaticClass());
    EXPECT_EQ(GetClass("TNope"), nullptr);
    EXPECT_EQ(MessageOf<EClassNotFound>([] { FindClass("TNope"); }), "Class TNope not found");
    UnRegisterClass(TBigGadget::StaticClass());
    EXPECT_EQ(GetClass("TBigGadget"), nullptr);
}

TEST(ClassRegistry, AnotherClassUnderATakenNameRaises)
{
    static const TMetaClass Impostor("TGadget", TComponent::StaticClass(), nullptr, nullptr,
                                     nullptr);
    RegisterClass(TGadget::StaticClass());
    EXPECT_EQ(MessageOf<EFilerError>([] { RegisterClass(&Impostor); }),
              "A class named TGadget already exists");
    UnRegisterClass(&Impostor);
    EXPECT_EQ(GetClass("TGadget"), TGadget::StaticClass());
}

TEST(ClassRegistry, PalettePagesListTheirComponentsOnceAndInOrder)
{
    // The palette lives as long as the process and has no way back: a page of its own for each run.
    static int Run = 0;
    const std::string Page = "Gadgets" + std::to_string(++Run);
    std::string Upper = Page, Lower = Page;
    std::transform(Page.begin(), Page.end(), Upper.begin(), ::toupper);
    std::transform(Page.begin(), Page.end(), Lower.begin(), ::tolower);
    EXPECT_TRUE(rtl::PaletteClasses(Page.c_str()).empty());
    UnRegisterClass(TBigGadget::StaticClass());
    RegisterComponents(Page.c_str(), {TBigGadget::StaticClass(), TGadget::StaticClass()});
    RegisterComponents(Lower.c_str(), {TGadget::StaticClass()});
    EXPECT_EQ(rtl::PaletteClasses(Upper.c_str()),
              (std::vector<TComponentClass>{TBigGadget::StaticClass(), TGadget::StaticClass()}));
    EXPECT_EQ(GetClass("TBigGadget"), TBigGadget::StaticClass()) << "streaming knows it too";
    EXPECT_TRUE(rtl::PaletteClasses("Other").empty());
}

TEST(ClassRegistry, MakesAComponentByNameWithItsOwner)
{
    RegisterClass(TBigGadget::StaticClass());
    TComponent Owner(nullptr);
    TComponent *Made = FindClass("TBigGadget")->Create(&Owner);
    EXPECT_EQ(Made->ClassType(), TBigGadget::StaticClass());
    EXPECT_EQ(Made->Owner(), &Owner);
    EXPECT_EQ(Owner.ComponentCount(), 1);
    EXPECT_EQ(static_cast<TBigGadget *>(Made)->Width(), 20);
}

} // namespace
