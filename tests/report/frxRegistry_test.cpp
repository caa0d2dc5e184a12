#include "report/frxRegistry.h"

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Menus.h"
#include "report/frxClass.h"
#include "report/frxRes.h"
#include "tests/report/ReportTestSupport.h"

#include <gtest/gtest.h>

namespace
{

// An object with one published property of each kind the editors serve.
class EditedThing : public TPersistent
{
    QRV4_CLASS(EditedThing, TPersistent)

public:
    char Letter() const { return FLetter; }
    void SetLetter(char Value) { FLetter = Value; }
    TColor Colour() const { return FColour; }
    void SetColour(TColor Value) { FColour = Value; }
    int Result() const { return FResult; }
    void SetResult(int Value) { FResult = Value; }
    int Pointer() const { return FPointer; }
    void SetPointer(int Value) { FPointer = Value; }
    TDateTime When() const { return FWhen; }
    void SetWhen(TDateTime Value) { FWhen = Value; }
    double Amount() const { return FAmount; }
    void SetAmount(double Value) { FAmount = Value; }
    TfrxHAlign Align() const { return FAlign; }
    void SetAlign(TfrxHAlign Value) { FAlign = Value; }
    TShortCut Keys() const { return FKeys; }
    void SetKeys(TShortCut Value) { FKeys = Value; }

    static void Publish(rtl::Publisher<EditedThing> &P)
    {
        using T = EditedThing;
        P.Property("Letter", &T::Letter, &T::SetLetter);
        P.Property("Colour", &T::Colour, &T::SetColour, rtl::TColorInfo());
        P.Property("Result", &T::Result, &T::SetResult, rtl::TModalResultInfo());
        P.Property("Pointer", &T::Pointer, &T::SetPointer, rtl::TCursorInfo());
        P.Property("When", &T::When, &T::SetWhen, rtl::TDateTimeInfo());
        P.Property("Amount", &T::Amount, &T::SetAmount);
        P.Property("Align", &T::Align, &T::SetAlign);
        P.Property("Keys", &T::Keys, &T::SetKeys, rtl::TShortCutInfo());
    }

private:
    char FLetter = 'a';
    TColor FColour = clBlack;
    int FResult = 0;
    int FPointer = 0;
    TDateTime FWhen = 0;
    double FAmount = 0;
    TfrxHAlign FAlign = haLeft;
    TShortCut FKeys = 0;
};
QRV4_PUBLISHED(EditedThing)

// The editor the registry names for a property, or the kind's own editor.
template <class Default = TfrxPropertyEditor>
std::unique_ptr<TfrxPropertyEditor> EditorFor(TObject *Thing, const char *Name)
{
    PPropInfo Prop = GetPropInfo(Thing, Name);
    const int Index = frxPropertyEditors()->GetPropertyEditor(Prop->PropType, Thing, Name);
    std::unique_ptr<TfrxPropertyEditor> Editor =
        Index >= 0 ? frxPropertyEditors()->Items(Index)->EditorClass(nullptr)
                   : std::make_unique<Default>(nullptr);
    Editor->Add(Thing, Prop);
    return Editor;
}

// ---- the registries ----

TEST(Registry, ObjectsAreRegisteredOncePerClassAndFlags)
{
    TfrxObjectCollection Objects;
    Objects.RegisterObject1(TfrxShapeView::StaticClass(), nullptr, "", "", 0, 3);
    Objects.RegisterObject1(TfrxShapeView::StaticClass(), nullptr, "", "", 0, 4);
    ASSERT_EQ(Objects.Count(), 1);
    EXPECT_EQ(Objects.Items(0)->ButtonImageIndex, 3);
    Objects.RegisterObject1(TfrxShapeView::StaticClass(), nullptr, "", "", 2);
    EXPECT_EQ(Objects.Count(), 2);
    Objects.RegisterCategory("Shapes", nullptr, "hint", 7);
    Objects.RegisterCategory("Shapes", nullptr, "hint", 7);
    EXPECT_EQ(Objects.Count(), 4) << "categories have no class to repeat";
    EXPECT_EQ(GetClass("TfrxShapeView"), TfrxShapeView::StaticClass());
    Objects.Unregister(TfrxShapeView::StaticClass());
    ASSERT_EQ(Objects.Count(), 2);
    EXPECT_EQ(Objects.Items(0)->ClassRef, nullptr);
    EXPECT_EQ(Objects.Items(0)->CategoryName, "Shapes");
}

class ViewEditor : public TfrxComponentEditor
{
public:
    using TfrxComponentEditor::TfrxComponentEditor;
    bool HasEditor() override { return true; }
};
class MemoEditor : public ViewEditor
{
public:
    using ViewEditor::ViewEditor;
    void GetMenuItems() override { AddItem("Edit text", 7, true); }
};

TEST(Registry, ComponentEditorOfTheOwnClassWinsElseTheLastAncestor)
{
    TfrxComponentEditorCollection Editors;
    Editors.Register(TfrxMemoView::StaticClass(), frxComponentEditorOf<MemoEditor>);
    Editors.Register(TfrxReportComponent::StaticClass(), frxComponentEditorOf<TfrxComponentEditor>);
    Editors.Register(TfrxView::StaticClass(), frxComponentEditorOf<ViewEditor>);
    TMenu Menu(nullptr);
    TfrxMemoView Memo(nullptr);
    auto Editor = Editors.GetComponentEditor(&Memo, nullptr, &Menu);
    ASSERT_NE(dynamic_cast<MemoEditor *>(Editor.get()), nullptr);
    Editor->GetMenuItems();
    ASSERT_EQ(Menu.Items()->Count(), 1);
    EXPECT_EQ(Menu.Items()->Items(0)->Caption(), "Edit text");
    EXPECT_TRUE(Menu.Items()->Items(0)->Checked());

    TfrxShapeView Shape(nullptr);
    auto ForShape = Editors.GetComponentEditor(&Shape, nullptr, &Menu);
    EXPECT_NE(dynamic_cast<ViewEditor *>(ForShape.get()), nullptr) << "the last ancestor";
    TfrxReportPage Page(nullptr);
    EXPECT_EQ(Editors.GetComponentEditor(&Page, nullptr, &Menu), nullptr);
}

TEST(Registry, LibraryEditorsAreInPlaceAndHiddenPropertiesStayHidden)
{
    KeptPropertyEditors Kept;
    TfrxPropertyEditorCollection *Editors = frxPropertyEditors();
    ASSERT_GE(Editors->Count(), 11);
    EXPECT_EQ(Editors->Items(0)->PropertyType, rtl::TComponentNameInfo());
    EXPECT_EQ(Editors->Items(0)->PropertyName, "Name");
    EXPECT_EQ(Editors->Items(10)->PropertyType, rtl::TTimeInfo());

    TfrxShapeView Shape(nullptr);
    const int Colour = Editors->GetPropertyEditor(rtl::TColorInfo(), &Shape, "Color");
    ASSERT_GE(Colour, 0);
    EXPECT_NE(Editors->Items(Colour)->EditorClass, nullptr);
    frxHideProperties(TfrxShapeView::StaticClass(), "Color;Curve");
    const int Hidden = Editors->GetPropertyEditor(rtl::TColorInfo(), &Shape, "color");
    ASSERT_GE(Hidden, 0);
    EXPECT_EQ(Editors->Items(Hidden)->EditorClass, nullptr);
    TfrxMemoView Memo(nullptr);
    EXPECT_EQ(Editors->GetPropertyEditor(rtl::TColorInfo(), &Memo, "Color"), Colour)
        << "other classes keep the colour editor";
}

TEST(Registry, EventPropertiesUseTheEventEditor)
{
    TfrxPropertyEditorCollection Editors;
    TTypeInfo Event;
    Event.Kind = tkMethod;
    Event.Name = "TfrxGetValueEvent";
    EXPECT_EQ(Editors.GetPropertyEditor(&Event, nullptr, "OnGetValue"), -1);
    Editors.Register(rtl::TColorInfo(), nullptr, "", frxPropertyEditorOf<TfrxColorProperty>);
    Editors.RegisterEventEditor(frxPropertyEditorOf<TfrxStringProperty>);
    EXPECT_EQ(Editors.EventEditorItem(), 1);
    EXPECT_EQ(Editors.GetPropertyEditor(&Event, nullptr, "OnGetValue"), 1);
}

TEST(Registry, WizardsOnceEach)
{
    TfrxWizardCollection Wizards;
    Wizards.Register(TfrxShapeView::StaticClass(), nullptr, true);
    Wizards.Register(TfrxShapeView::StaticClass(), nullptr);
    ASSERT_EQ(Wizards.Count(), 1);
    EXPECT_TRUE(Wizards.Items(0)->IsToolbarWizard);
    EXPECT_EQ(Wizards.Items(0)->ButtonImageIndex, -1);
    Wizards.Unregister(TfrxShapeView::StaticClass());
    EXPECT_EQ(Wizards.Count(), 0);
}

// ---- property editors ----

TEST(PropertyEditors, TextsInAndOut)
{
    EditedThing Thing;
    auto Letter = EditorFor<TfrxCharProperty>(&Thing, "Letter");
    Letter->SetValue("#9");
    EXPECT_EQ(Thing.Letter(), '\t');
    EXPECT_EQ(Letter->GetValue(), "#9");
    Letter->SetValue("z");
    EXPECT_EQ(Letter->GetValue(), "z");
    EXPECT_THROW(Letter->SetValue("ab"), Exception);
    EXPECT_EQ(Thing.Letter(), 'z') << "a refused text keeps the value";

    auto Colour = EditorFor(&Thing, "Colour");
    Colour->SetValue("clRed");
    EXPECT_EQ(Thing.Colour(), clRed);
    EXPECT_EQ(Colour->GetValue(), "clRed");
    Colour->SetValue("123");
    EXPECT_EQ(Thing.Colour(), 123);
    EXPECT_THROW(Colour->SetValue("reddish"), Exception);
    EXPECT_TRUE(Colour->GetAttributes().Contains(paOwnerDraw));

    auto Result = EditorFor(&Thing, "Result");
    Thing.SetResult(20);
    EXPECT_EQ(Result->GetValue(), "20");
    Result->SetValue("mrCancel");
    EXPECT_EQ(Thing.Result(), mrCancel);
    Result->SetValue("");
    EXPECT_EQ(Thing.Result(), 0);

    auto Pointer = EditorFor(&Thing, "Pointer");
    Pointer->SetValue("crHandPoint");
    EXPECT_EQ(Thing.Pointer(), crHandPoint);
    EXPECT_EQ(Pointer->GetValue(), "crHandPoint");

    auto When = EditorFor(&Thing, "When");
    EXPECT_EQ(When->GetValue(), "");
    When->SetValue("");
    EXPECT_EQ(Thing.When(), 0);

    auto Amount = EditorFor<TfrxFloatProperty>(&Thing, "Amount");
    Amount->SetValue(" 1,5 ");
    EXPECT_DOUBLE_EQ(Thing.Amount(), 1.5);
    EXPECT_THROW(Amount->SetValue("x"), Exception);
}

TEST(PropertyEditors, ValueListsAndDoubleClickCycle)
{
    EditedThing Thing;
    auto Align = EditorFor<TfrxEnumProperty>(&Thing, "Align");
    Align->GetValues();
    EXPECT_EQ(Align->Values()->Count(), 4);
    EXPECT_TRUE(Align->Values()->Sorted());
    EXPECT_TRUE(Align->Edit());
    EXPECT_EQ(Thing.Align(), haRight) << "the next of the sorted names after haLeft";
    EXPECT_THROW(Align->SetValue("haNowhere"), Exception);

    auto Result = EditorFor(&Thing, "Result");
    Result->GetValues();
    EXPECT_EQ(Result->Values()->Count(), 11);
    EXPECT_EQ(Result->Values()->Strings(10), "mrYesToAll");

    auto Amount = EditorFor<TfrxFloatProperty>(&Thing, "Amount");
    EXPECT_FALSE(Amount->Edit()) << "no list, nothing to cycle";

    // Two objects edited together.
    EditedThing Other;
    auto Both = EditorFor(&Thing, "Colour");
    Both->Add(&Other, GetPropInfo(&Other, "Colour"));
    Both->SetValue("clBlue");
    EXPECT_EQ(Thing.Colour(), clBlue);
    EXPECT_EQ(Other.Colour(), clBlue);
}

TEST(PropertyEditors, ShortCutsOfferedAsTheyShowAndStepOnFromTheOneShown)
{
    EditedThing Thing;
    auto Keys = EditorFor(&Thing, "Keys");
    Keys->GetValues();
    ASSERT_EQ(Keys->Values()->Count(), 109);
    EXPECT_EQ(Keys->Values()->Strings(0), ShortCutToText(0));
    for (int i = 0; i < Keys->Values()->Count(); ++i) {
        const AnsiString Offered = Keys->Values()->Strings(i);
        Keys->SetValue(Offered);
        EXPECT_EQ(Keys->GetValue(), Offered) << "an offered shortcut shows as offered";
    }
    Thing.SetKeys(ShortCut(VK_F1, TShiftState{ssCtrl, ssShift}));
    EXPECT_TRUE(Keys->Edit());
    EXPECT_EQ(Thing.Keys(), ShortCut(VK_F1 + 1, TShiftState{ssCtrl, ssShift}));
    Thing.SetKeys(ShortCut(VK_BACK, TShiftState{ssShift, ssAlt}));
    EXPECT_TRUE(Keys->Edit());
    EXPECT_EQ(Thing.Keys(), 0) << "after the last comes the first, no shortcut";
}

TEST(PropertyEditors, AShortCutTextThatNamesNoKeyIsRefusedAndTheShortCutKept)
{
    EditedThing Thing;
    auto Keys = EditorFor(&Thing, "Keys");
    Keys->SetValue("Ctrl+K");
    for (const char *Typo : {"Ctrl+Kk", "Ctlr+K", "Ctrl+"}) {
        try {
            Keys->SetValue(Typo);
            ADD_FAILURE() << Typo << " was taken";
        } catch (const Exception &E) {
            EXPECT_EQ(E.Message(), frxResources()->Get("prInvProp"));
        }
        EXPECT_EQ(Thing.Keys(), ShortCut('K', TShiftState{ssCtrl})) << Typo;
    }
    Keys->SetValue("");
    EXPECT_EQ(Thing.Keys(), 0) << "an empty text clears it";
}

TEST(PropertyEditors, ANumberBeyondAnIntegerPropertyIsRefusedAndTheValueKept)
{
    EditedThing Thing;
    auto Result = EditorFor(&Thing, "Result");
    auto Pointer = EditorFor(&Thing, "Pointer");
    Result->SetValue("7");
    Pointer->SetValue("-3");
    for (const char *Big : {"4294967297", "-2147483649", "2147483648"}) {
        EXPECT_THROW(Result->SetValue(Big), Exception) << Big;
        EXPECT_THROW(Pointer->SetValue(Big), Exception) << Big;
    }
    EXPECT_EQ(Thing.Result(), 7);
    EXPECT_EQ(Thing.Pointer(), -3);
    Result->SetValue("2147483647");
    EXPECT_EQ(Result->GetValue(), "2147483647");
}

} // namespace
