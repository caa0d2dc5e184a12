// Host classes as scripts see them: methods, properties, indexed properties,
// constructors, and events bridged to script procedures.

#include "script/fs_ievents.h"
#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

using namespace scriptrun;

namespace
{

class THost : public TComponent
{
    QRV4_CLASS(THost, TComponent)

public:
    using TComponent::TComponent;
    std::function<void(TObject *, bool &)> OnCloseQuery;
    std::function<void(TObject *, char &)> OnKeyPress;
    TNotifyEvent OnClick;
    int Value = 0;
    bool Flag = true;
    std::vector<AnsiString> Items{"a", "b", "c"};
    std::vector<AnsiString> Names;
};

class TDerivedHost : public THost
{
    QRV4_CLASS(TDerivedHost, THost)

public:
    using THost::THost;
};

// Registers THost with every kind of member.
void RegisterHost(TfsScript &Script, std::vector<AnsiString> *Names = nullptr)
{
    TfsClassVariable *Class = Script.AddClass(THost::StaticClass(), "TComponent");
    Class->AddConstructor("constructor Create(AOwner: Variant)",
                          [](TObject *, TClass, const AnsiString &, TfsMethodHelper *) {
                              return VarFromObject(new THost(nullptr));
                          });
    Class->AddMethod("procedure Free",
                     [](TObject *Instance, TClass, const AnsiString &, TfsMethodHelper *) {
                         delete Instance;
                         return Null();
                     });
    Class->AddMethod("function Twice(n: Integer): Integer",
                     [Names](TObject *, TClass, const AnsiString &Name, TfsMethodHelper *C) {
                         if (Names) Names->push_back(Name);
                         return Variant(C->GetVParam(0).AsInteger() * 2);
                     });
    Class->AddProperty(
        "Value", "Integer",
        [](TObject *Instance, TClass, const AnsiString &) {
            return Variant(static_cast<THost *>(Instance)->Value);
        },
        [](TObject *Instance, TClass, const AnsiString &, const Variant &V) {
            static_cast<THost *>(Instance)->Value = V.AsInteger();
        });
    // A host that reports True as the number 1.
    Class->AddProperty("Flag", "Boolean", [](TObject *Instance, TClass, const AnsiString &) {
        return Variant(static_cast<THost *>(Instance)->Flag ? 1 : 0);
    });
    Class->AddDefaultProperty(
        "Items", "Integer", "String",
        [Names](TObject *Instance, TClass, const AnsiString &Name, TfsMethodHelper *C) {
            auto *Host = static_cast<THost *>(Instance);
            if (Names) Names->push_back(Name);
            int Index = C->GetVParam(0).AsInteger();
            if (Name == "ITEMS.SET") Host->Items.at(Index) = C->GetVParam(1).AsString();
            return Variant(Host->Items.at(Index));
        });
    Class->AddEvent("OnCloseQuery", fsEventOf<TfsCloseQueryEvent>(&THost::OnCloseQuery));
    Class->AddEvent("OnKeyPress", fsEventOf<TfsKeyPressEvent>(&THost::OnKeyPress));
    Class->AddEvent("OnClick", fsEventOf<TfsNotifyEvent>(&THost::OnClick));
}

int BridgeCount(TfsScript &Script)
{
    int Result = 0;
    for (int I = 0; I < Script.Count(); ++I)
        if (dynamic_cast<TfsCustomEvent *>(Script.Items(I))) ++Result;
    return Result;
}

} // namespace

TEST(HostClass, MethodsPropertiesAndIndexedProperties)
{
    std::vector<AnsiString> Names;
    THost Host(nullptr);
    auto Script = Make("PascalScript", {"var a, b: Integer; c, d: String; e: Boolean;", "begin",
                                        "  a := h.Twice(21); h.Value := 7; b := h.Value;",
                                        "  c := h[1]; h[2] := 'z'; d := h.Items[2];",
                                        "  e := h.Flag = True;", "end."});
    RegisterHost(*Script, &Names);
    Script->AddObject("h", &Host);
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "a"), "42");
    EXPECT_EQ(Text(*Script, "b"), "7");
    EXPECT_EQ(Text(*Script, "c"), "b");
    EXPECT_EQ(Text(*Script, "d"), "z");
    EXPECT_EQ(Text(*Script, "e"), "True");
    EXPECT_EQ(Host.Value, 7);
    ASSERT_EQ(Names.size(), 4u);
    EXPECT_EQ(Names[0].View(), "TWICE");
    EXPECT_EQ(Names[1].View(), "ITEMS.GET");
    EXPECT_EQ(Names[2].View(), "ITEMS.SET");
}

TEST(HostClass, OldStyleHandlers_GetTheArgumentsAndTheValueAndReturnVarParameters)
{
    THost Host(nullptr);
    auto Script = Make("PascalScript", {"var n: Integer; s: String;",
                                        "begin n := 4; h.Grow(n); h.Cells[2, 'x'] := 'set';",
                                        "  s := h.Cells[3, 'y']; end."});
    RegisterHost(*Script);
    TfsClassVariable *Class = Script->FindClass("THost");
    Class->AddMethod("procedure Grow(var n: Integer)",
                     [](TObject *, TClass, const AnsiString &, Variant &Params) {
                         Params.PutElement({0}, Variant(Params.GetElement({0}).AsInteger() * 10));
                         return Null();
                     });
    std::vector<std::string> Calls;
    TfsMethodHelper *Cells = Class->AddIndexProperty(
        "Cells", "Integer, String", "String",
        [&Calls](TObject *, TClass, const AnsiString &Name, Variant &Params) {
            std::string Call = Name.ToStd();
            for (int I = 0; I <= VarArrayHighBound(Params, 1); ++I)
                Call += " " + VarToStr(Params.GetElement({I})).ToStd();
            Calls.push_back(Call);
            return Variant(AnsiString("got"));
        });
    EXPECT_EQ(Cells->Syntax(), "function Cells(p0: Integer; p1: String): String");
    Script->AddObject("h", &Host);
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "n"), "40");
    EXPECT_EQ(Text(*Script, "s"), "got");
    ASSERT_EQ(Calls.size(), 2u);
    EXPECT_EQ(Calls[0], "CELLS.SET 2 x set");
    EXPECT_EQ(Calls[1], "CELLS.GET 3 y ");
}

TEST(HostClass, MemberOfTheAncestorClass_IsFound)
{
    THost Host(nullptr);
    auto Script = Make("PascalScript", {"var n: Integer;", "begin n := d.Twice(5); end."});
    RegisterHost(*Script);
    TfsClassVariable *Derived = Script->AddClass(TDerivedHost::StaticClass(), "THost");
    ASSERT_NE(Derived, nullptr);
    EXPECT_NE(Derived->Find("twice"), nullptr);
    TDerivedHost Object(nullptr);
    Script->AddObject("d", &Object);
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "n"), "10");
}

TEST(HostClass, ConstructorAndFree)
{
    auto Script = Make("PascalScript",
                       {"var h: THost; v: Integer;", "begin h := THost.Create(nil); h.Value := 3; "
                                                     "v := h.Value; h.Free; end."});
    RegisterHost(*Script);
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "v"), "3");
}

TEST(HostClass, UnknownMember_IsUndeclared)
{
    THost Host(nullptr);
    auto Script = Make("PascalScript", {"begin h.Nothing; end."});
    RegisterHost(*Script);
    Script->AddObject("h", &Host);
    EXPECT_EQ(CompileError(*Script), "Undeclared identifier: 'Nothing' @ 1:7");
}

TEST(HostClass, EventBridge_CallsTheProcedureAndCopiesBack)
{
    THost Host(nullptr);
    auto Script = Make("PascalScript", {"var calls: Integer;",
                                        "procedure Q(Sender: Variant; var CanClose: Boolean);",
                                        "begin calls := calls + 1; CanClose := False; end;",
                                        "begin calls := 0; h.OnCloseQuery := @Q; end."});
    RegisterHost(*Script);
    Script->AddObject("h", &Host);
    Exec(*Script);
    ASSERT_TRUE(Host.OnCloseQuery);
    bool CanClose = true;
    Host.OnCloseQuery(&Host, CanClose);
    EXPECT_FALSE(CanClose);
    EXPECT_EQ(Text(*Script, "calls"), "1");
}

TEST(HostClass, EventBridge_FiringWhileItsHandlerRuns_IsNotDeliveredAgain)
{
    THost Host(nullptr);
    auto Script = Make("PascalScript", {"var calls: Integer;", "procedure C(Sender: Variant);",
                                        "begin calls := calls + 1; h.Click; end;",
                                        "begin calls := 0; h.OnClick := 'C'; end."});
    RegisterHost(*Script);
    Script->FindClass("THost")->AddMethod(
        "procedure Click", [](TObject *Instance, TClass, const AnsiString &, TfsMethodHelper *) {
            auto *Clicked = static_cast<THost *>(Instance);
            if (Clicked->OnClick) Clicked->OnClick(Clicked);
            return Null();
        });
    Script->AddObject("h", &Host);
    Exec(*Script);
    ASSERT_TRUE(Host.OnClick);
    Host.OnClick(&Host);
    EXPECT_EQ(Text(*Script, "calls"), "1");
    Host.OnClick(&Host);
    EXPECT_EQ(Text(*Script, "calls"), "2");
}

TEST(HostClass, EventBridge_ReassigningReplacesTheBridge)
{
    THost Host(nullptr);
    auto Script = Make("PascalScript", {"procedure C(Sender: Variant); begin end;",
                                        "begin h.OnClick := 'C'; h.OnClick := 'C'; end."});
    RegisterHost(*Script);
    Script->AddObject("h", &Host);
    Exec(*Script);
    EXPECT_EQ(BridgeCount(*Script), 1);
}

TEST(HostClass, EventBridge_UnhooksWhenTheScriptGoes)
{
    THost Host(nullptr);
    {
        auto Script = Make("PascalScript", {"procedure C(Sender: Variant); begin end;",
                                            "begin h.OnClick := 'C'; end."});
        RegisterHost(*Script);
        Script->AddObject("h", &Host);
        Exec(*Script);
        ASSERT_TRUE(Host.OnClick);
    }
    EXPECT_FALSE(Host.OnClick);
}

TEST(HostClass, EventBridge_SurvivesTheHostGoingFirst)
{
    auto Host = std::make_unique<THost>(nullptr);
    auto Script = Make("PascalScript", {"procedure C(Sender: Variant); begin end;",
                                        "begin h.OnClick := 'C'; end."});
    RegisterHost(*Script);
    Script->AddObject("h", Host.get());
    Exec(*Script);
    Host.reset();
    Script.reset(); // the bridge must not touch the freed host
}

TEST(HostClass, EventBridge_HandlerWithWrongParameters_IsRefused)
{
    THost Host(nullptr);
    auto Script = Make("PascalScript", {"procedure Q(Sender: Variant); begin end;",
                                        "begin h.OnCloseQuery := 'Q'; end."});
    RegisterHost(*Script);
    Script->AddObject("h", &Host);
    ASSERT_TRUE(Script->Compile());
    EXPECT_THROW(Script->Execute(), Exception);
    EXPECT_FALSE(Host.OnCloseQuery);
}

TEST(HostClass, EventBridge_NameThatIsNoProcedure_IsRefused)
{
    THost Host(nullptr);
    auto Script = Make("PascalScript", {"begin h.OnClick := 'Nothing'; end."});
    RegisterHost(*Script);
    Script->AddObject("h", &Host);
    ASSERT_TRUE(Script->Compile());
    try {
        Script->Execute();
        FAIL() << "no exception";
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message().View(), "Event handler must be a procedure");
    }
}

TEST(HostClass, KeyPressThatEmptiesTheKey_LeavesItUnchanged)
{
    THost Host(nullptr);
    auto Script = Make("PascalScript",
                       {"procedure K(Sender: Variant; var Key: String); begin Key := ''; end;",
                        "begin h.OnKeyPress := 'K'; end."});
    RegisterHost(*Script);
    Script->AddObject("h", &Host);
    Exec(*Script);
    char Key = 'q';
    Host.OnKeyPress(&Host, Key);
    EXPECT_EQ(Key, 'q');
}

TEST(HostClass, WithReachesTheObjectsMembers)
{
    THost Host(nullptr);
    auto Script = Make("PascalScript",
                       {"var a: Integer;", "begin with h do begin Value := 9; a := Twice(Value); "
                                           "end; end."});
    RegisterHost(*Script);
    Script->AddObject("h", &Host);
    Exec(*Script);
    EXPECT_EQ(Host.Value, 9);
    EXPECT_EQ(Text(*Script, "a"), "18");
}

TEST(HostClass, NewAndDeleteInCppScript)
{
    auto Script =
        Make("C++Script",
             {"THost h; int v;", "{ h = new THost(nil); h.Value = 4; v = h.Value; delete h; }"});
    // delete goes through TObject's Free, which the classes module registers.
    RegisterHost(*Script);
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "v"), "4");
}

TEST(HostClass, ClearItemsTakesTheBridgesOfTheHandlersItFrees)
{
    THost Host(nullptr);
    auto Script = Make("PascalScript", {"procedure C(Sender: Variant); begin end;",
                                        "begin h.OnClick := 'C'; end."});
    RegisterHost(*Script);
    Script->AddObject("h", &Host);
    int Owner = 0;
    Script->AddedBy = &Owner;
    Exec(*Script);
    Script->AddedBy = nullptr;
    ASSERT_TRUE(Host.OnClick);
    Script->ClearItems(&Owner);
    EXPECT_EQ(BridgeCount(*Script), 0);
    EXPECT_FALSE(Host.OnClick);
}
