// Published properties of host classes, read and written through type information.

#include "platform/rtl/TypInfo.h"
#include "script/fs_ihelpers.h"
#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

using namespace scriptrun;

QRV4_ENUM(TLook, lkFlat, lkRaised, lkSunken)

namespace
{

class TPanelish : public TComponent
{
    QRV4_CLASS(TPanelish, TComponent)

public:
    using TComponent::TComponent;
    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    AnsiString Caption() const { return FCaption; }
    void SetCaption(const AnsiString &Value) { FCaption = Value; }
    TLook Look() const { return FLook; }
    void SetLook(TLook Value) { FLook = Value; }
    double Ratio() const { return FRatio; }
    void SetRatio(double Value) { FRatio = Value; }
    int Area() const { return FWidth * 2; }

    static void Publish(rtl::Publisher<TPanelish> &P)
    {
        P.Property("Width", &TPanelish::Width, &TPanelish::SetWidth);
        P.Property("Visible", &TPanelish::Visible, &TPanelish::SetVisible);
        P.Property("Caption", &TPanelish::Caption, &TPanelish::SetCaption);
        P.Property("Look", &TPanelish::Look, &TPanelish::SetLook);
        P.Property("Ratio", &TPanelish::Ratio, &TPanelish::SetRatio);
        P.Property("Area", &TPanelish::Area);
    }

private:
    int FWidth = 10;
    bool FVisible = true;
    AnsiString FCaption = "cap";
    TLook FLook = lkRaised;
    double FRatio = 0.5;
};

} // namespace

QRV4_PUBLISHED(TPanelish)

TEST(PublishedProperties, ReadAndWrittenByKind)
{
    TPanelish Panel(nullptr);
    auto Script =
        Make("PascalScript",
             {"var w, l: Integer; v: Boolean; c: String; r: Extended;", "begin",
              "  w := p.Width; v := p.Visible; c := p.Caption; l := p.Look; r := p.Ratio;",
              "  p.Width := 33; p.Visible := False; p.Caption := 'new'; p.Look := 2;",
              "  p.Ratio := 1.25;", "end."});
    Script->AddClass(TPanelish::StaticClass(), "TComponent");
    Script->AddObject("p", &Panel);
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "w"), "10");
    EXPECT_EQ(Text(*Script, "v"), "True");
    EXPECT_EQ(Text(*Script, "c"), "cap");
    EXPECT_EQ(Text(*Script, "l"), "1");
    EXPECT_EQ(Text(*Script, "r"), "0.5");
    EXPECT_EQ(Panel.Width(), 33);
    EXPECT_FALSE(Panel.Visible());
    EXPECT_EQ(Panel.Caption().View(), "new");
    EXPECT_EQ(Panel.Look(), lkSunken);
    EXPECT_DOUBLE_EQ(Panel.Ratio(), 1.25);
}

TEST(PublishedProperties, TypesFollowThePropertyKinds)
{
    TfsScript Script(nullptr);
    Script.AddRTTI();
    TfsClassVariable *Class = Script.AddClass(TPanelish::StaticClass(), "TComponent");
    EXPECT_EQ(Class->Find("Width")->Typ(), fvtInt);
    EXPECT_EQ(Class->Find("Visible")->Typ(), fvtBool);
    EXPECT_EQ(Class->Find("Caption")->Typ(), fvtString);
    EXPECT_EQ(Class->Find("Look")->Typ(), fvtEnum);
    EXPECT_EQ(Class->Find("Look")->TypeName().View(), "TLook");
    EXPECT_EQ(Class->Find("Ratio")->Typ(), fvtFloat);
    EXPECT_TRUE(Class->Find("Area")->IsReadOnly);
}

TEST(PublishedProperties, ReadOnlyPropertyCannotBeAssigned)
{
    TPanelish Panel(nullptr);
    auto Script = Make("PascalScript", {"begin p.Area := 1; end."});
    Script->AddClass(TPanelish::StaticClass(), "TComponent");
    Script->AddObject("p", &Panel);
    EXPECT_EQ(CompileError(*Script).substr(0, 28), "Left side cannot be assigned");
}

TEST(PublishedProperties, ScriptComponent_PublishesItsSourceAndEvents)
{
    TfsScript Script(nullptr);
    const std::pair<const char *, TTypeKind> Published[] = {{"Lines", tkClass},
                                                            {"SyntaxType", tkLString},
                                                            {"OnGetILUnit", tkMethod},
                                                            {"OnGetUnit", tkMethod},
                                                            {"OnRunLine", tkMethod}};
    for (const auto &[Name, Kind] : Published) {
        PPropInfo Info = GetPropInfo(&Script, Name);
        ASSERT_NE(Info, nullptr) << Name;
        EXPECT_EQ(Info->PropType->Kind, Kind) << Name;
    }
    SetStrProp(&Script, "SyntaxType", "JScript");
    EXPECT_EQ(Script.SyntaxType().View(), "JScript");
    EXPECT_EQ(GetObjectProp(&Script, "Lines"), Script.Lines());
}
