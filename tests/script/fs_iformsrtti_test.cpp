// The forms module: forms and controls built and shown by scripts, their events
// reaching script procedures, and the constants, with real windows offscreen.

#include "platform/vcl/StdCtrls.h"
#include "script/fs_ihelpers.h"
#include "script/fs_xml.h"
#include "tests/script/ScriptRun.h"
#include "tests/vcl/VclTestSupport.h"

#include <gtest/gtest.h>

using namespace scriptrun;
using namespace vcltest;

namespace
{

// A form the host designs; the script reaches it and what it owns by their names.
class TEntryForm : public TForm
{
    QRV4_CLASS(TEntryForm, TForm)

public:
    explicit TEntryForm(TComponent *AOwner) : TForm(AOwner)
    {
        SetName("EntryForm");
        OkButton = new TButton(this);
        OkButton->SetName("OkButton");
        OkButton->SetParent(this);
        OkButton->SetCaption("OK");
    }
    TButton *OkButton;
};

class TEntryModule : public TDataModule
{
    QRV4_CLASS(TEntryModule, TDataModule)

public:
    using TDataModule::TDataModule;
};

class TPlainThing : public TComponent
{
    QRV4_CLASS(TPlainThing, TComponent)

public:
    using TComponent::TComponent;
};

class FormsModule : public VclTest
{
protected:
    template <class T> T *Object(TfsScript &Script, const char *Name)
    {
        auto *Result = dynamic_cast<T *>(VarToObject(Script.Variables(Name)));
        EXPECT_NE(Result, nullptr) << Name;
        return Result;
    }
};

} // namespace

TEST_F(FormsModule, AButtonClickReachesTheScriptHandler)
{
    auto Script =
        Make("PascalScript",
             {"var f: TForm; b: TButton; clicks: Integer; who: String;",
              "procedure Pressed(Sender: TObject);",
              "begin clicks := clicks + 1; who := TButton(Sender).Caption; end;", "begin",
              "  clicks := 0; f := TForm.Create(nil); f.Caption := 'Script form';",
              "  f.SetBounds(100, 100, 300, 200); b := TButton.Create(f); b.Parent := f;",
              "  b.SetBounds(20, 20, 90, 30); b.Caption := 'Go'; b.OnClick := @Pressed; f.Show;",
              "end."});
    Exec(*Script);
    auto *Form = Object<TForm>(*Script, "f");
    auto *Button = Object<TButton>(*Script, "b");
    ASSERT_TRUE(Form && Button);
    EXPECT_TRUE(Form->Visible());
    EXPECT_EQ(Button->Parent(), Form);
    EXPECT_EQ(Form->Caption().View(), "Script form");
    Click(Button, 10, 10);
    Pump();
    EXPECT_EQ(Text(*Script, "clicks"), "1");
    EXPECT_EQ(Text(*Script, "who"), "Go");
    delete Form;
}

TEST_F(FormsModule, CloseQueryKeepsTheFormOpen)
{
    auto Script =
        Make("PascalScript",
             {"var f: TForm; closed: Boolean; calls: Integer;",
              "procedure FormCloseQuery(Sender: TObject; var CanClose: Boolean);",
              "begin CanClose := False; calls := calls + 1; end;", "begin", "  calls := 0;",
              "  f := TForm.Create(nil); f.OnCloseQuery := @FormCloseQuery;",
              "  f.Show; f.Close; closed := not f.Visible; f.Free;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "closed"), "False");
    EXPECT_EQ(Text(*Script, "calls"), "1");
}

TEST_F(FormsModule, AnEventNeedsAProcedure)
{
    auto Script =
        Make("PascalScript", {"var f: TForm;", "begin f := TForm.Create(nil);",
                              "try f.OnCloseQuery := 'Nothing'; finally f.Free; end;", "end."});
    ASSERT_TRUE(Script->Compile());
    try {
        Script->Execute();
        FAIL() << "a missing procedure was bound";
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message().View(), "Event handler must be a procedure");
    }
}

TEST_F(FormsModule, ShowModalEndsWithTheResultTheScriptSets)
{
    auto Script = Make("C++Script",
                       {"TForm f; int r;", "void Shown(TObject Sender) { f.ModalResult = mrYes; }",
                        "{", "  f = TForm.Create(nil); f.OnShow = &Shown; r = f.ShowModal();",
                        "  f.Free();", "}"});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "r"), "6");
}

TEST_F(FormsModule, ShowModalOfAVisibleFormIsARunTimeError)
{
    auto Script = Make("JScript", {"var f = TForm.Create(nil); f.Show();",
                                   "try { f.ShowModal(); } finally { f.Free(); }"});
    ASSERT_TRUE(Script->Compile()) << Script->ErrorMsg.View();
    try {
        Script->Execute();
        FAIL() << "a visible form went modal";
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message().View(), "Cannot make a visible window modal");
    }
}

TEST_F(FormsModule, SetFocusOfAHiddenControlIsARunTimeError)
{
    auto Script = Make("PascalScript", {"var f: TForm; e: TEdit;", "begin",
                                        "  f := TForm.Create(nil); e := TEdit.Create(f);",
                                        "  e.Parent := f; f.Show; e.Hide;",
                                        "  try e.SetFocus; finally f.Free; end;", "end."});
    ASSERT_TRUE(Script->Compile()) << Script->ErrorMsg.View();
    try {
        Script->Execute();
        FAIL() << "a hidden control took the focus";
    } catch (const Exception &E) {
        EXPECT_EQ(E.Message().View(), "Cannot focus a disabled or invisible window");
    }
}

TEST_F(FormsModule, CanResizeAndCloseCopyBack)
{
    auto Script =
        Make("BasicScript",
             {"Dim f, action", "Sub Sizing(Sender, NewWidth, NewHeight, Resize)",
              "  NewWidth = 150", "End Sub", "Sub Closing(Sender, Action)", "  Action = caFree",
              "End Sub", "f = TForm.Create(nil)", "f.OnCanResize = \"Sizing\"",
              "f.OnClose = \"Closing\"", "f.SetBounds(0, 0, 400, 100)"});
    Exec(*Script);
    auto *Form = Object<TForm>(*Script, "f");
    ASSERT_TRUE(Form);
    EXPECT_EQ(Form->Width(), 150);
    EXPECT_EQ(Form->Height(), 100);
    TCloseAction Action = caHide;
    Form->OnClose(Form, Action);
    EXPECT_EQ(Action, caFree);
    delete Form;
}

TEST_F(FormsModule, KeyAndMouseEventsPassTheirArguments)
{
    auto Script =
        Make("PascalScript",
             {"var e: TEdit; log: String;",
              "procedure Down(Sender: TObject; var Key: Integer; Shift: Integer);",
              "begin log := log + 'd' + IntToStr(Key) + ':' + IntToStr(Shift); Key := 0; end;",
              "procedure Press(Sender: TObject; var Key: Char);",
              "begin log := log + 'p' + Key; Key := 'Z'; end;",
              "procedure Mouse(Sender: TObject; Button, Shift, X, Y: Integer);",
              "begin log := log + 'm' + IntToStr(Button) + IntToStr(X) + IntToStr(Y); end;",
              "begin log := ''; e := TEdit.Create(nil); e.OnKeyDown := @Down;",
              "  e.OnKeyPress := @Press; e.OnMouseUp := @Mouse; end."});
    Exec(*Script);
    auto *Edit = Object<TEdit>(*Script, "e");
    ASSERT_TRUE(Edit);
    WORD Key = VK_F12;
    Edit->OnKeyDown(Edit, Key, TShiftState{ssShift, ssCtrl});
    char Char = 'a';
    Edit->OnKeyPress(Edit, Char);
    Edit->OnMouseUp(Edit, mbRight, TShiftState{}, 7, 9);
    EXPECT_EQ(Key, 0);
    EXPECT_EQ(Char, 'Z');
    EXPECT_EQ(Text(*Script, "log"), "d123:5pam179");
    delete Edit;
}

TEST_F(FormsModule, ListControlsAndTheirSelections)
{
    auto Script =
        Make("PascalScript",
             {"var f: TForm; c: TComboBox; l: TListBox; s: String;", "begin",
              "  f := TForm.Create(nil); c := TComboBox.Create(f); c.Parent := f;",
              "  c.Items.Add('one'); c.Items.Add('two'); c.ItemIndex := 1;",
              "  l := TListBox.Create(f); l.Parent := f; l.Items.CommaText := 'a,b,c';",
              "  l.ItemIndex := 2; s := IntToStr(c.ItemIndex) + c.Text + IntToStr(l.ItemIndex) +",
              "    VarToStr(l.Selected[2]) + IntToStr(l.SelCount) + VarToStr(c.DroppedDown);",
              "  f.Free;", "end."});
    Exec(*Script);
    // A single-selection list box has no selection count.
    EXPECT_EQ(Text(*Script, "s"), "1two2True-1False");
}

TEST_F(FormsModule, ConstantsAndTheApplication)
{
    auto Script =
        Make("PascalScript",
             {"var s: String;", "begin",
              "  s := IntToStr(VK_F1) + ' ' + IntToStr(VK_F12) + ' ' + IntToStr(crSize) + ' ' +",
              "    IntToStr(crSizeAll) + ' ' + IntToStr(ssShift or ssCtrl) + ' ' +",
              "    IntToStr(biSystemMenu or biMinimize) + ' ' + IntToStr(mrYesToAll) + ' ' +",
              "    IntToStr(bsDialog) + ' ' + IntToStr(taCenter) + ' ' + IntToStr(caFree);",
              "  s := s + ' ' + IntToStr(VK_F2) + ' ' + IntToStr(VK_F3) + ' ' + IntToStr(VK_F4) +",
              "    ' ' + IntToStr(VK_F5) + ' ' + IntToStr(VK_F6) + ' ' + IntToStr(VK_F7) + ' ' +",
              "    IntToStr(VK_F8) + ' ' + IntToStr(VK_F9) + ' ' + IntToStr(VK_F10) + ' ' +",
              "    IntToStr(VK_F11);", "  Application.ProcessMessages;",
              "  if Application.ExeName <> '' then s := s + ' app';", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"),
              "112 123 -22 -22 5 3 10 3 2 2 113 114 115 116 117 118 119 120 121 122 app");
}

TEST_F(FormsModule, GroupBoxesAndScrollBoxesHoldControls)
{
    auto Script =
        Make("PascalScript",
             {"var f: TForm; g: TGroupBox; sb: TScrollBox; l: TLabel; s: String;", "begin",
              "  f := TForm.Create(nil); g := TGroupBox.Create(f);",
              "  g.Parent := f; g.Caption := 'Group'; l := TLabel.Create(f);",
              "  l.Parent := g; l.Caption := 'inside'; sb := TScrollBox.Create(f);",
              "  sb.Parent := f; s := g.Caption + l.Caption + TWinControl(l.Parent).ClassName;",
              "  l.Hide; if not l.Visible then s := s + ' hidden';", "  f.Free;", "end."});
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "GroupinsideTGroupBox hidden");
}

TEST_F(FormsModule, AHostFormAndItsComponentsAreReachedByName)
{
    TEntryForm Form(nullptr);
    auto Script = Make("PascalScript", {"var s: String;", "begin s := EntryForm.OkButton.Caption;",
                                        "  EntryForm.OkButton.Caption := 'Yes'; end."});
    Script->AddForm(&Form);
    Exec(*Script);
    EXPECT_EQ(Text(*Script, "s"), "OK");
    EXPECT_EQ(Form.OkButton->Caption().View(), "Yes");
    TfsClassVariable *Class = Script->FindClass("TEntryForm");
    ASSERT_NE(Class, nullptr);
    EXPECT_EQ(Class->Ancestor(), "TForm");

    TEntryModule Module(nullptr);
    Module.SetName("Entries");
    Script->AddComponent(&Module);
    ASSERT_NE(Script->FindClass("TEntryModule"), nullptr);
    EXPECT_EQ(Script->FindClass("TEntryModule")->Ancestor(), "TDataModule");
    EXPECT_NE(Script->Find("Entries"), nullptr);

    // An unregistered class that is neither a form nor a data module: nothing is added.
    TPlainThing Plain(nullptr);
    Plain.SetName("Plain");
    Script->AddComponent(&Plain);
    EXPECT_EQ(Script->Find("Plain"), nullptr);
    EXPECT_EQ(Script->FindClass("TPlainThing"), nullptr);
}
