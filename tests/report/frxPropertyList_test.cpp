#include "report/frxRegistry.h"

#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "report/frxClass.h"
#include "report/frxRes.h"
#include "tests/report/ReportTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

// A view of its own, so that hiding its colour touches no other test.
class TfrxInspectedView : public TfrxView
{
    QRV4_CLASS(TfrxInspectedView, TfrxView)

public:
    using TfrxView::TfrxView;
    static void Publish(rtl::Publisher<TfrxInspectedView> &P)
    {
        using T = TfrxInspectedView;
        P.Property("Color", &T::Color, &T::SetColor, rtl::TColorInfo()).Default(clNone);
        P.Property("Frame", &T::Frame, &T::SetFrame);
    }
};
QRV4_PUBLISHED(TfrxInspectedView)

std::vector<std::string> Names(const TfrxPropertyList &List)
{
    std::vector<std::string> Result;
    for (int i = 0; i < List.Count(); ++i)
        Result.push_back(List.Items(i)->Editor()->GetName().ToStd());
    return Result;
}

bool Lists(const TfrxPropertyList &List, const char *Name)
{
    return List.Find(Name) != nullptr;
}

// Two memos and a band on a page of a report, as a designer would select them.
struct Selection {
    TfrxReport Report{nullptr};
    TfrxMasterData *Band;
    TfrxMemoView *First;
    TfrxMemoView *Second;

    Selection()
    {
        Band = AddPageAndBand(Report);
        First = new TfrxMemoView(Band);
        First->SetName("Memo1");
        Second = new TfrxMemoView(Band);
        Second->SetName("Memo2");
    }
};

} // namespace

// ---- filling a list ----

TEST(PropertyList, PropertiesAreListedByNameWithTheirKindsEditors)
{
    Selection S;
    TfrxPropertyList List(nullptr);
    List.SetComponent(S.First);
    const std::vector<std::string> Listed = Names(List);
    EXPECT_TRUE(std::is_sorted(Listed.begin(), Listed.end(), [](const auto &A, const auto &B) {
        return CompareText(A.c_str(), B.c_str()) < 0;
    }));
    EXPECT_NE(dynamic_cast<TfrxFloatProperty *>(List.Find("Left")->Editor()), nullptr);
    EXPECT_NE(dynamic_cast<TfrxEnumProperty *>(List.Find("HAlign")->Editor()), nullptr);
    EXPECT_NE(dynamic_cast<TfrxComponentProperty *>(List.Find("FlowTo")->Editor()), nullptr);
    EXPECT_NE(dynamic_cast<TfrxColorProperty *>(List.Find("Color")->Editor()), nullptr)
        << "the registry's editor for the colour type";

    TfrxPropertyItem *Restrictions = List.Find("Restrictions");
    ASSERT_NE(dynamic_cast<TfrxSetProperty *>(Restrictions->Editor()), nullptr);
    ASSERT_NE(Restrictions->SubProperty(), nullptr);
    EXPECT_EQ(
        Names(*Restrictions->SubProperty()),
        (std::vector<std::string>{"rfDontModify", "rfDontSize", "rfDontMove", "rfDontDelete"}));

    TfrxPropertyItem *Frame = List.Find("Frame");
    ASSERT_NE(dynamic_cast<TfrxClassProperty *>(Frame->Editor()), nullptr);
    EXPECT_EQ(Frame->Editor()->GetValue(), "(TfrxFrame)");
    ASSERT_NE(Frame->SubProperty(), nullptr);
    EXPECT_TRUE(Lists(*Frame->SubProperty(), "Width"));
    EXPECT_EQ(Frame->SubProperty()->Component(), S.First->Frame());

    TfrxPropertyItem *Font = List.Find("Font");
    ASSERT_NE(Font->SubProperty(), nullptr);
    EXPECT_NE(dynamic_cast<TfrxFontNameProperty *>(Font->SubProperty()->Find("Name")->Editor()),
              nullptr);
}

TEST(PropertyList, AHiddenPropertyDoesNotAppearThoughItsTypeHasAnEditor)
{
    KeptPropertyEditors Kept;
    TfrxInspectedView View(nullptr);
    TfrxPropertyList Before(nullptr);
    Before.SetComponent(&View);
    ASSERT_TRUE(Lists(Before, "Color"));
    frxHideProperties(TfrxInspectedView::StaticClass(), "Color");
    TfrxPropertyList After(nullptr);
    After.SetComponent(&View);
    EXPECT_FALSE(Lists(After, "Color"));
    EXPECT_TRUE(Lists(After, "Frame"));
}

// ---- sets, objects and references ----

TEST(PropertyList, SetElementsReadAndWriteTheirOwnBit)
{
    TfrxMemoView Memo(nullptr);
    Memo.SetRestrictions({rfDontSize});
    TfrxPropertyList List(nullptr);
    List.SetComponent(&Memo);
    TfrxPropertyItem *Set = List.Find("Restrictions");
    EXPECT_EQ(Set->Editor()->GetValue(), "[rfDontSize]");
    EXPECT_TRUE(Set->Editor()->GetAttributes().Contains(paReadOnly));
    TfrxPropertyEditor *Move = Set->SubProperty()->Find("rfDontMove")->Editor();
    EXPECT_EQ(Move->GetValue(), "False");
    Move->SetValue("True");
    EXPECT_EQ(Memo.Restrictions(), (TfrxRestrictions{rfDontSize, rfDontMove}));
    EXPECT_EQ(Set->Editor()->GetValue(), "[rfDontSize,rfDontMove]");
    Set->SubProperty()->Find("rfDontSize")->Editor()->SetValue("False");
    EXPECT_EQ(Memo.Restrictions(), TfrxRestrictions{rfDontMove});
    EXPECT_THROW(Move->SetValue("Yes"), Exception);
    Move->GetValues();
    EXPECT_EQ(Move->Values()->Text(), "False\r\nTrue\r\n");
}

TEST(PropertyList, ReferencesOfferTheObjectsOfTheirClassOnThePage)
{
    Selection S;
    TfrxPropertyList List(nullptr);
    List.SetComponent(S.First);
    TfrxPropertyEditor *FlowTo = List.Find("FlowTo")->Editor();
    FlowTo->GetValues();
    EXPECT_EQ(FlowTo->Values()->Text(), "Memo2\r\n") << "no band, not itself";
    FlowTo->SetValue("memo2");
    EXPECT_EQ(S.First->FlowTo(), S.Second);
    EXPECT_EQ(FlowTo->GetValue(), "Memo2");
    EXPECT_THROW(FlowTo->SetValue("Nowhere"), Exception);
    EXPECT_THROW(FlowTo->SetValue("MasterData1"), Exception) << "a band holds no text";
    EXPECT_EQ(S.First->FlowTo(), S.Second);
    FlowTo->SetValue("");
    EXPECT_EQ(S.First->FlowTo(), nullptr);
}

// ---- several objects at once ----

TEST(PropertyList, ASelectionListsWhatAllShareAndEditsThemTogether)
{
    Selection S;
    TList None;
    EXPECT_EQ(frxCreatePropertyList(&None, nullptr), nullptr);

    TList Memos;
    Memos.Add(S.First);
    Memos.Add(S.Second);
    std::unique_ptr<TfrxPropertyList> List = frxCreatePropertyList(&Memos, nullptr);
    ASSERT_NE(List, nullptr);
    EXPECT_FALSE(Lists(*List, "Name")) << "a name is no multi-select property";
    List->Find("Left")->Editor()->SetValue("33");
    EXPECT_DOUBLE_EQ(S.First->Left(), 33);
    EXPECT_DOUBLE_EQ(S.Second->Left(), 33);
    List->Find("Frame")->SubProperty()->Find("Width")->Editor()->SetValue("2");
    EXPECT_DOUBLE_EQ(S.Second->Frame()->Width(), 2) << "nested editors edit all too";

    TList Mixed;
    Mixed.Add(S.First);
    Mixed.Add(S.Band);
    List = frxCreatePropertyList(&Mixed, nullptr);
    EXPECT_FALSE(Lists(*List, "HAlign"));
    EXPECT_TRUE(Lists(*List, "Height"));
}

// ---- drawing in a designer ----

TEST(PropertyList, ValuesDrawAfterTheItemHeightAndColoursShowASwatch)
{
    TfrxMemoView Memo(nullptr);
    Memo.SetColor(clRed);
    TfrxPropertyList List(nullptr);
    List.SetComponent(&Memo);
    TfrxPropertyEditor *Color = List.Find("Color")->Editor();
    Color->SetItemHeight(18);
    TBitmap Target;
    Target.SetSize(120, 18);
    TCanvas *Canvas = Target.Canvas();
    Canvas->Brush()->SetColor(clWhite);
    Color->OnDrawItem(Canvas, Rect(0, 0, 120, 18));
    EXPECT_EQ(Canvas->Pixels(8, 8), clRed) << "the swatch";
    EXPECT_EQ(Canvas->Pixels(15, 8), clWhite) << "between the swatch and the text";
    bool Inked = false;
    for (int X = 16; X < 60 && !Inked; ++X)
        for (int Y = 1; Y < 17 && !Inked; ++Y)
            Inked = Canvas->Pixels(X, Y) != clWhite;
    EXPECT_TRUE(Inked) << "the value's text";
    EXPECT_EQ(Canvas->Pen()->Color(), clGray);

    // A drop-down list hands its entries to the editor while it paints.
    TForm Form(nullptr);
    Form.SetBounds(0, 0, 200, 100);
    TListBox Drop(nullptr);
    Drop.SetParent(&Form);
    Drop.SetBounds(0, 0, 120, 40);
    Drop.SetItemHeight(18);
    Drop.Items()->Add("clLime");
    Drop.OnDrawItem = [Color](TWinControl *Control, int Index, TRect R, TOwnerDrawState State) {
        Color->OnDrawLBItem(Control, Index, R, State);
    };
    TBitmap Painted;
    Painted.SetSize(120, 40);
    Drop.PaintTo(Painted.Canvas()->Handle(), 0, 0);
    EXPECT_EQ(Painted.Canvas()->Pixels(10, 10), clLime) << "the entry's own colour";
    EXPECT_NE(Painted.Canvas()->Pixels(3, 10), clLime) << "the swatch starts two pixels in";
}

// ---- the editors' dialogs ----

TEST(PropertyList, TheColourEditorAsksTheColourDialogForEverySelectedMemo)
{
    ScriptedBoxes Boxes;
    Selection S;
    S.First->SetColor(clRed);
    TList Memos;
    Memos.Add(S.First);
    Memos.Add(S.Second);
    std::unique_ptr<TfrxPropertyList> List = frxCreatePropertyList(&Memos, nullptr);
    TfrxPropertyEditor *Color = List->Find("Color")->Editor();
    TColor Offered = clNone;
    Boxes.Dialogs.ReplyDialog([&](TCommonDialog &Dialog) {
        auto &Asked = dynamic_cast<TColorDialog &>(Dialog);
        Offered = Asked.Color();
        Asked.SetColor(static_cast<TColor>(0x336699));
        return true;
    });
    EXPECT_TRUE(Color->Edit());
    EXPECT_EQ(Offered, clRed);
    EXPECT_EQ(S.First->Color(), static_cast<TColor>(0x336699));
    EXPECT_EQ(S.Second->Color(), static_cast<TColor>(0x336699));

    Boxes.Dialogs.ReplyDialog([](TCommonDialog &) { return false; });
    EXPECT_FALSE(Color->Edit());
    EXPECT_EQ(S.First->Color(), static_cast<TColor>(0x336699))
        << "a cancelled dialog changes nothing";
}

TEST(PropertyList, TheFontEditorAsksTheFontDialogForScreenAndPrinterFonts)
{
    ScriptedBoxes Boxes;
    Selection S;
    S.First->Font()->SetName("Arial");
    S.First->Font()->SetSize(9);
    TList Memos;
    Memos.Add(S.First);
    Memos.Add(S.Second);
    std::unique_ptr<TfrxPropertyList> List = frxCreatePropertyList(&Memos, nullptr);
    TfrxPropertyEditor *Font = List->Find("Font")->Editor();
    ASSERT_NE(dynamic_cast<TfrxFontProperty *>(Font), nullptr);
    AnsiString OfferedName;
    TFontDialogDevice Device = fdScreen;
    Boxes.Dialogs.ReplyDialog([&](TCommonDialog &Dialog) {
        auto &Asked = dynamic_cast<TFontDialog &>(Dialog);
        OfferedName = Asked.Font()->Name();
        Device = Asked.Device();
        Asked.Font()->SetName("Courier New");
        Asked.Font()->SetSize(12);
        Asked.Font()->SetStyle(TFontStyles{fsBold});
        return true;
    });
    EXPECT_TRUE(Font->Edit());
    EXPECT_EQ(OfferedName, "Arial");
    EXPECT_EQ(Device, fdBoth);
    for (TfrxMemoView *Memo : {S.First, S.Second}) {
        EXPECT_EQ(Memo->Font()->Name(), "Courier New");
        EXPECT_EQ(Memo->Font()->Size(), 12);
        EXPECT_EQ(Memo->Font()->Style(), TFontStyles{fsBold});
    }
    Boxes.Dialogs.ReplyDialog([](TCommonDialog &) { return false; });
    EXPECT_FALSE(Font->Edit());
    EXPECT_EQ(S.First->Font()->Size(), 12);
}
