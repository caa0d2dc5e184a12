// The classes module as scripts use it: string lists, lists, streams, components,
// XML items, and the constants, in each of the four languages.

#include "platform/rtl/ClassesStreams.h"
#include "platform/rtl/SysUtils.h"
#include "tests/script/ScriptRun.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace scriptrun;

TEST(ClassesModule, StringListValuesAndConstantsInEveryLanguage)
{
    auto Pascal =
        Make("PascalScript",
             {"var sl: TStringList; s: String; d: Integer;", "begin",
              "  sl := TStringList.Create; sl.Values['a'] := '1'; sl.Values['b'] := '2';",
              "  sl.Values['a'] := ''; s := sl.Text; d := sl.Duplicates; sl.Free;", "end."});
    Exec(*Pascal);
    EXPECT_EQ(Text(*Pascal, "s"), "b=2\r\n");
    EXPECT_EQ(Text(*Pascal, "d"), "0");

    auto Cpp = Make("C++Script",
                    {"TStringList sl; string s;", "{",
                     "  sl = TStringList.Create(); sl.Add(\"x\"); sl.Add(\"y\");",
                     "  sl[1] = \"z\"; s = sl.CommaText + IntToStr(fmCreate); sl.Free();", "}"});
    Exec(*Cpp);
    EXPECT_EQ(Text(*Cpp, "s"), "x,z65535");

    auto Basic = Make("BasicScript",
                      {"Dim sl", "sl = TStringList.Create", "sl.Add(\"q\")",
                       "s = IntToStr(sl.IndexOf(\"q\")) & IntToStr(sl.Count) & IntToStr(soFromEnd)",
                       "sl.Free"});
    Exec(*Basic);
    EXPECT_EQ(Text(*Basic, "s"), "012");

    auto JS = Make("JScript", {"var sl = TStringList.Create();", "sl.CommaText = \"b,a\";",
                               "sl.Sort(); var s = sl.Text + sl.ClassName; sl.Free();"});
    Exec(*JS);
    EXPECT_EQ(Text(*JS, "s"), "a\r\nb\r\nTStringList");
}

TEST(ClassesModule, FreeingNilDoesNothing)
{
    auto Script =
        Make("PascalScript", {"var sl: TStringList; s: String;", "begin", "  sl := nil;",
                              "  try s := 'a'; finally sl.Free; end; s := s + 'b';", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "ab");

    auto Other = Make("PascalScript", {"var sl: TStringList; begin sl := nil; sl.Clear; end."});
    ASSERT_TRUE(Other->Compile());
    try {
        Other->Execute();
        FAIL() << "a method other than Free ran on nil";
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message().View(), "Invalid object reference");
    }
}

TEST(ClassesModule, TheRootConstructorMakesTheNamedClass)
{
    auto Script =
        Make("PascalScript", {"var m: TMemoryStream; sl: TStringList; s: String;", "begin",
                              "  m := TMemoryStream.Create; sl := TStringList.Create;",
                              "  s := m.ClassName + IntToStr(sl.Count) + VarToStr(sl.Sorted) +",
                              "    IntToStr(sl.Duplicates); m.Free; sl.Free;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "TMemoryStream0False0");
}

TEST(ClassesModule, SortedFindGivesTheInsertionIndex)
{
    auto Script = Make("PascalScript",
                       {"var sl: TStringList; i, j: Integer; f, g: Boolean;", "begin",
                        "  sl := TStringList.Create; sl.Add('c'); sl.Add('a'); sl.Sorted := True;",
                        "  f := sl.Find('b', i); g := sl.Find('c', j); sl.Free;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "f"), "False");
    EXPECT_EQ(Text(*Script, "i"), "1");
    EXPECT_EQ(Text(*Script, "g"), "True");
    EXPECT_EQ(Text(*Script, "j"), "1");
}

TEST(ClassesModule, StringsNamesObjectsAndMoves)
{
    auto Script =
        Make("PascalScript",
             {"var sl: TStringList; o: TObject; s: String; n: Integer;", "begin",
              "  sl := TStringList.Create; o := TStringList.Create;",
              "  sl.Add('k=v'); sl.AddObject('x', o); sl.Insert(0, 'first'); sl.Move(0, 2);",
              "  s := sl.Names[0] + '|' + sl[2] + '|' + IntToStr(sl.IndexOfObject(o)) + '|' +",
              "    IntToStr(sl.IndexOfName('k')) + '|' + IntToStr(sl.IndexOf('x'));",
              "  n := sl.Count; sl.Objects[1] := nil; sl.Delete(0); o.Free; sl.Clear;",
              "  s := s + '|' + IntToStr(n) + IntToStr(sl.Count); sl.Free;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "k|first|1|0|1|30");
}

TEST(ClassesModule, ListsHoldObjects)
{
    auto Script =
        Make("PascalScript",
             {"var l: TList; a, b: TObject; s: String;", "begin",
              "  l := TList.Create; a := TStringList.Create; b := TMemoryStream.Create;",
              "  l.Add(a); l.Insert(0, b); l[1] := b; l.Items[0] := a;",
              "  s := TObject(l[0]).ClassName + IntToStr(l.IndexOf(b)) + IntToStr(l.Count);",
              "  l.Remove(a); l.Delete(0); s := s + IntToStr(l.Count);",
              "  l.Free; a.Free; b.Free;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "TStringList120");
}

TEST(ClassesModule, StreamReadStopsAtTheEnd)
{
    auto Script =
        Make("PascalScript",
             {"var m: TMemoryStream; b: String; n, w, p, z: Integer;", "begin",
              "  m := TMemoryStream.Create; w := m.Write('0123456789', 10);",
              "  m.Seek(-4, soFromEnd); n := m.Read(b, 10); p := m.Position; z := m.Size;",
              "  m.Free;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "w"), "10");
    EXPECT_EQ(Text(*Script, "n"), "4");
    EXPECT_EQ(Text(*Script, "b"), "6789");
    EXPECT_EQ(Text(*Script, "p"), "10");
    EXPECT_EQ(Text(*Script, "z"), "10");
}

TEST(ClassesModule, StreamCountsOutsideTheTextAreClamped)
{
    auto Script = Make("PascalScript",
                       {"var m: TMemoryStream; b: String; w, n: Integer; v: Variant;", "begin",
                        "  m := TMemoryStream.Create; w := m.Write('abc', 100);",
                        "  m.Position := 0; n := m.Read(b, -5); v := m.Size; m.Free;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "w"), "3");
    EXPECT_EQ(Text(*Script, "n"), "0");
    EXPECT_EQ(Text(*Script, "b"), "");
    EXPECT_EQ(Type(*Script, "v"), varInt64);
}

TEST(ClassesModule, FileAndMemoryStreamsMoveTextThroughFiles)
{
    auto Dir = std::filesystem::temp_directory_path() / "qrv4_classes_module";
    std::filesystem::create_directories(Dir);
    AnsiString Name = (Dir / "a.txt").string().c_str();
    AnsiString Copy = (Dir / "b.txt").string().c_str();
    auto Script = Make(
        "PascalScript",
        {"var f: TFileStream; m: TMemoryStream; sl: TStringList; s: String; c: Variant;",
         "  name, dest: String;", "begin", "  f := TFileStream.Create(name, fmCreate);",
         "  f.Write('one'#13#10'two'#13#10, 10); f.Free;",
         "  f := TFileStream.Create(name, fmOpenRead or fmShareDenyNone);",
         "  m := TMemoryStream.Create; c := m.CopyFrom(f, 0); f.Free;",
         "  m.SaveToFile(dest); m.Clear; m.LoadFromFile(dest); m.Position := 0;",
         "  sl := TStringList.Create; sl.LoadFromStream(m); s := sl[1]; m.Free; sl.Free;", "end."});
    ASSERT_TRUE(Script->Compile()) << Script->ErrorMsg.View();
    Script->SetVariables("name", Variant(Name));
    Script->SetVariables("dest", Variant(Copy));
    Script->Execute();
    EXPECT_EQ(Text(*Script, "s"), "two");
    EXPECT_EQ(Text(*Script, "c"), "10");
    EXPECT_EQ(Type(*Script, "c"), varInt64);
    std::filesystem::remove_all(Dir);
}

TEST(ClassesModule, AMissingFileIsARunTimeError)
{
    auto Script = Make("PascalScript",
                       {"var f: TFileStream;",
                        "begin f := TFileStream.Create('/nonexistent/dir/x', fmOpenRead); end."});
    ASSERT_TRUE(Script->Compile());
    EXPECT_THROW(Script->Execute(), EFOpenError);
}

TEST(ClassesModule, ComponentsAreMadeByTheirOwnClass)
{
    auto Script = Make("PascalScript",
                       {"var o, c: TComponent; s: String;", "begin",
                        "  o := TComponent.Create(nil); c := TComponent.Create(o);",
                        "  s := c.ClassName; if c.Owner = o then s := s + '1'; o.Free;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "TComponent1");
}

TEST(ClassesModule, ClassesThatNeedArgumentsAreNotMadeHalfBuilt)
{
    // A collection needs its item class: a bare Create cannot make a usable one.
    auto Script = Make("PascalScript", {"var c: TCollection; begin c := TCollection.Create; end."});
    ASSERT_TRUE(Script->Compile());
    EXPECT_THROW(Script->Execute(), Exception);
}

TEST(ClassesModule, ObjectsOfTheWrongClassAreRefused)
{
    auto Script =
        Make("PascalScript",
             {"var sl: TStringList; l: TList;", "begin",
              "  sl := TStringList.Create; l := TList.Create;",
              "  try sl.LoadFromStream(TStream(l)); finally sl.Free; l.Free; end;", "end."});
    ASSERT_TRUE(Script->Compile()) << Script->ErrorMsg.View();
    try {
        Script->Execute();
        FAIL() << "a list was taken for a stream";
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message().View(), "Invalid class typecast: TList is not TStream");
    }
}

TEST(ClassesModule, XMLItemsAndDocuments)
{
    auto Script =
        Make("PascalScript",
             {"var d: TfsXMLDocument; i, j: TfsXMLItem; m: TMemoryStream; s: String;", "begin",
              "  d := TfsXMLDocument.Create; d.Root.Name := 'report';",
              "  i := d.Root.Add; i.Name := 'page'; i.Text := 'n=\"1\"'; i.Data := 7;",
              "  j := d.Root.FindItem('band'); m := TMemoryStream.Create; d.SaveToStream(m);",
              "  s := IntToStr(i.Data); if j.Parent = d.Root then s := s + '1';",
              "  d.Root.Clear; m.Position := 0; d.LoadFromStream(m);",
              "  s := s + d.Root.Name + IntToStr(d.Root.Count) + d.Root[0].Prop('n') +",
              "    d.Root.Items[1].Name + IntToStr(d.Root.Find('band')) + d.Root[1].Root.Name;",
              "  m.Free; d.Free;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "71report21band1report");
}
