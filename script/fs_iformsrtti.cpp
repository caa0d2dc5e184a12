#include "script/fs_iformsrtti.h"

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "script/fs_ievents.h"
#include "script/fs_isysrtti.h"

using namespace fs;

namespace
{

struct TIntConst {
    const char *Name;
    int Value;
};

const TIntConst Constants[] = {
    // modal results
    {"mrNone", 0},
    {"mrOk", 1},
    {"mrCancel", 2},
    {"mrAbort", 3},
    {"mrRetry", 4},
    {"mrIgnore", 5},
    {"mrYes", 6},
    {"mrNo", 7},
    {"mrAll", 8},
    {"mrNoToAll", 9},
    {"mrYesToAll", 10},
    // cursors
    {"crDefault", 0},
    {"crNone", -1},
    {"crArrow", -2},
    {"crCross", -3},
    {"crIBeam", -4},
    {"crSize", -22},
    {"crSizeNESW", -6},
    {"crSizeNS", -7},
    {"crSizeNWSE", -8},
    {"crSizeWE", -9},
    {"crUpArrow", -10},
    {"crHourGlass", -11},
    {"crDrag", -12},
    {"crNoDrop", -13},
    {"crHSplit", -14},
    {"crVSplit", -15},
    {"crMultiDrag", -16},
    {"crSQLWait", -17},
    {"crNo", -18},
    {"crAppStart", -19},
    {"crHelp", -20},
    {"crHandPoint", -21},
    {"crSizeAll", -22},
    // form border styles
    {"bsNone", 0},
    {"bsSingle", 1},
    {"bsSizeable", 2},
    {"bsDialog", 3},
    {"bsToolWindow", 4},
    {"bsSizeToolWin", 5},
    // keys
    {"VK_RBUTTON", 2},
    {"VK_CANCEL", 3},
    {"VK_MBUTTON", 4},
    {"VK_BACK", 8},
    {"VK_TAB", 9},
    {"VK_RETURN", 13},
    {"VK_SHIFT", 16},
    {"VK_CONTROL", 17},
    {"VK_MENU", 18},
    {"VK_PAUSE", 19},
    {"VK_CAPITAL", 20},
    {"VK_ESCAPE", 27},
    {"VK_SPACE", 32},
    {"VK_PRIOR", 33},
    {"VK_NEXT", 34},
    {"VK_END", 35},
    {"VK_HOME", 36},
    {"VK_LEFT", 37},
    {"VK_UP", 38},
    {"VK_RIGHT", 39},
    {"VK_DOWN", 40},
    {"VK_INSERT", 45},
    {"VK_DELETE", 46},
    {"VK_HELP", 47},
    {"VK_LWIN", 91},
    {"VK_RWIN", 92},
    {"VK_APPS", 93},
    {"VK_NUMPAD0", 96},
    {"VK_NUMPAD1", 97},
    {"VK_NUMPAD2", 98},
    {"VK_NUMPAD3", 99},
    {"VK_NUMPAD4", 100},
    {"VK_NUMPAD5", 101},
    {"VK_NUMPAD6", 102},
    {"VK_NUMPAD7", 103},
    {"VK_NUMPAD8", 104},
    {"VK_NUMPAD9", 105},
    {"VK_MULTIPLY", 106},
    {"VK_ADD", 107},
    {"VK_SEPARATOR", 108},
    {"VK_SUBTRACT", 109},
    {"VK_DECIMAL", 110},
    {"VK_DIVIDE", 111},
    {"VK_F1", 112},
    {"VK_F2", 113},
    {"VK_F3", 114},
    {"VK_F4", 115},
    {"VK_F5", 116},
    {"VK_F6", 117},
    {"VK_F7", 118},
    {"VK_F8", 119},
    {"VK_F9", 120},
    {"VK_F10", 121},
    {"VK_F11", 122},
    {"VK_F12", 123},
    {"VK_NUMLOCK", 144},
    {"VK_SCROLL", 145},
};

const TIntConst Alignments[] = {{"taLeftJustify", 0}, {"taRightJustify", 1}, {"taCenter", 2}};

const TEnumDef Enums[] = {
    {"TShiftState", "ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble", true},
    {"TAlign", "alNone, alTop, alBottom, alLeft, alRight, alClient", false},
    {"TMouseButton", "mbLeft, mbRight, mbMiddle", false},
    {"TAnchors", "akLeft, akTop, akRight, akBottom", true},
    {"TBevelCut", "bvNone, bvLowered, bvRaised, bvSpace", false},
    {"TTextLayout", "tlTop, tlCenter, tlBottom", false},
    {"TEditCharCase", "ecNormal, ecUpperCase, ecLowerCase", false},
    {"TScrollStyle", "ssNone, ssHorizontal, ssVertical, ssBoth", false},
    {"TComboBoxStyle",
     "csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable", false},
    {"TCheckBoxState", "cbUnchecked, cbChecked, cbGrayed", false},
    {"TListBoxStyle", "lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable", false},
    {"TWindowState", "wsNormal, wsMinimized, wsMaximized", false},
    {"TFormStyle", "fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop", false},
    {"TBorderIcons", "biSystemMenu, biMinimize, biMaximize, biHelp", true},
    {"TPosition",
     "poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter",
     false},
    {"TCloseAction", "caNone, caHide, caFree, caMinimize", false},
};

void RegisterConstants(TfsScript *Script)
{
    for (const TIntConst &Constant : Constants)
        Script->AddConst(Constant.Name, "Integer", Variant(Constant.Value));
    for (const char *Type : {"TFormBorderStyle", "TBorderStyle", "TAlignment", "TLeftRight"})
        Script->AddType(Type, fvtInt);
    for (const TIntConst &Constant : Alignments)
        Script->AddConst(Constant.Name, "Integer", Variant(Constant.Value));
    AddEnums(Script, Enums);
}

void RegisterControl(TfsScript *Script)
{
    TfsClassVariable *Control = Script->AddClass(TControl::StaticClass(), "TComponent");
    AddProperty(
        Control, "Parent", "TWinControl",
        [](TObject *Instance) { return ToVar(Self<TControl>(Instance)->Parent()); },
        [](TObject *Instance, const Variant &Value) {
            Self<TControl>(Instance)->SetParent(ObjOf<TWinControl>(Value));
        });
    AddMembers(Control, {{"procedure Hide",
                          [](TObject *Instance, TfsMethodHelper &) {
                              Self<TControl>(Instance)->Hide();
                              return Done();
                          }},
                         {"procedure Show",
                          [](TObject *Instance, TfsMethodHelper &) {
                              Self<TControl>(Instance)->Show();
                              return Done();
                          }},
                         {"procedure SetBounds(ALeft, ATop, AWidth, AHeight: Integer)",
                          [](TObject *Instance, TfsMethodHelper &C) {
                              Self<TControl>(Instance)->SetBounds(Int(C, 0), Int(C, 1), Int(C, 2),
                                                                  Int(C, 3));
                              return Done();
                          }}});
    Control->AddEvent("OnCanResize", fsEventOf<TfsCanResizeEvent>(&TControl::OnCanResize));
    Control->AddEvent("OnClick", fsEventOf<TfsNotifyEvent>(&TControl::OnClick));
    Control->AddEvent("OnDblClick", fsEventOf<TfsNotifyEvent>(&TControl::OnDblClick));
    Control->AddEvent("OnMouseDown", fsEventOf<TfsMouseEvent>(&TControl::OnMouseDown));
    Control->AddEvent("OnMouseMove", fsEventOf<TfsMouseMoveEvent>(&TControl::OnMouseMove));
    Control->AddEvent("OnMouseUp", fsEventOf<TfsMouseEvent>(&TControl::OnMouseUp));
    Control->AddEvent("OnResize", fsEventOf<TfsNotifyEvent>(&TControl::OnResize));

    TfsClassVariable *WinControl = Script->AddClass(TWinControl::StaticClass(), "TControl");
    AddMembers(WinControl, {{"procedure SetFocus", [](TObject *Instance, TfsMethodHelper &) {
                                 Self<TWinControl>(Instance)->SetFocus();
                                 return Done();
                             }}});
    WinControl->AddEvent("OnEnter", fsEventOf<TfsNotifyEvent>(&TWinControl::OnEnter));
    WinControl->AddEvent("OnExit", fsEventOf<TfsNotifyEvent>(&TWinControl::OnExit));
    WinControl->AddEvent("OnKeyDown", fsEventOf<TfsKeyEvent>(&TWinControl::OnKeyDown));
    WinControl->AddEvent("OnKeyPress", fsEventOf<TfsKeyPressEvent>(&TWinControl::OnKeyPress));
    WinControl->AddEvent("OnKeyUp", fsEventOf<TfsKeyEvent>(&TWinControl::OnKeyUp));
}

template <class T> void AddItemIndex(TfsClassVariable *Class)
{
    AddProperty(
        Class, "ItemIndex", "Integer",
        [](TObject *Instance) { return Variant(Self<T>(Instance)->ItemIndex()); },
        [](TObject *Instance, const Variant &Value) {
            Self<T>(Instance)->SetItemIndex(fsVarToInt(Value));
        });
}

void RegisterLists(TfsScript *Script)
{
    TfsClassVariable *Combo = Script->AddClass(TCustomComboBox::StaticClass(), "TWinControl");
    AddProperty(
        Combo, "DroppedDown", "Boolean",
        [](TObject *Instance) { return Variant(Self<TCustomComboBox>(Instance)->DroppedDown()); },
        [](TObject *Instance, const Variant &Value) {
            Self<TCustomComboBox>(Instance)->SetDroppedDown(fsVarToBool(Value));
        });
    AddItemIndex<TCustomComboBox>(Combo);
    Combo->AddEvent("OnChange", fsEventOf<TfsNotifyEvent>(&TCustomComboBox::OnChange));
    Combo->AddEvent("OnDropDown", fsEventOf<TfsNotifyEvent>(&TCustomComboBox::OnDropDown));
    Combo->AddEvent("OnCloseUp", fsEventOf<TfsNotifyEvent>(&TCustomComboBox::OnCloseUp));
    Script->AddClass(TComboBox::StaticClass(), "TCustomComboBox");

    Script->AddClass(TButton::StaticClass(), "TWinControl");
    Script->AddClass(TCheckBox::StaticClass(), "TWinControl");
    Script->AddClass(TRadioButton::StaticClass(), "TWinControl");

    TfsClassVariable *List = Script->AddClass(TCustomListBox::StaticClass(), "TWinControl");
    AddItemIndex<TCustomListBox>(List);
    AddProperty(List, "SelCount", "Integer", [](TObject *Instance) {
        return Variant(Self<TCustomListBox>(Instance)->SelCount());
    });
    AddIndexProperty(
        List, TIndexKind::Plain, "Selected", "Integer", "Boolean",
        [](TObject *Instance, TfsMethodHelper &C, bool Setting) {
            TCustomListBox *Self = static_cast<TCustomListBox *>(Instance);
            if (Setting) Self->SetSelected(Int(C, 0), Bool(C, 1));
            return Variant(Self->Selected(Int(C, 0)));
        },
        false);
    Script->AddClass(TListBox::StaticClass(), "TCustomListBox");
}

void RegisterFormMethods(TfsClassVariable *Form)
{
    AddMembers(Form, {{"procedure Close",
                       [](TObject *Instance, TfsMethodHelper &) {
                           Self<TCustomForm>(Instance)->Close();
                           return Done();
                       }},
                      {"procedure Hide",
                       [](TObject *Instance, TfsMethodHelper &) {
                           Self<TCustomForm>(Instance)->Hide();
                           return Done();
                       }},
                      {"procedure Show",
                       [](TObject *Instance, TfsMethodHelper &) {
                           Self<TCustomForm>(Instance)->Show();
                           return Done();
                       }},
                      {"function ShowModal: Integer", [](TObject *Instance, TfsMethodHelper &) {
                           return Variant(Self<TCustomForm>(Instance)->ShowModal());
                       }}});
    AddProperty(Form, "Canvas", "TCanvas",
                [](TObject *Instance) { return ToVar(Self<TCustomForm>(Instance)->Canvas()); });
    AddProperty(
        Form, "ModalResult", "Integer",
        [](TObject *Instance) { return Variant(Self<TCustomForm>(Instance)->ModalResult()); },
        [](TObject *Instance, const Variant &Value) {
            Self<TCustomForm>(Instance)->SetModalResult(fsVarToInt(Value));
        });
}

void RegisterFormEvents(TfsClassVariable *Form)
{
    Form->AddEvent("OnActivate", fsEventOf<TfsNotifyEvent>(&TCustomForm::OnActivate));
    Form->AddEvent("OnClose", fsEventOf<TfsCloseEvent>(&TCustomForm::OnClose));
    Form->AddEvent("OnCloseQuery", fsEventOf<TfsCloseQueryEvent>(&TCustomForm::OnCloseQuery));
    Form->AddEvent("OnCreate", fsEventOf<TfsNotifyEvent>(&TCustomForm::OnCreate));
    Form->AddEvent("OnDestroy", fsEventOf<TfsNotifyEvent>(&TCustomForm::OnDestroy));
    Form->AddEvent("OnDeactivate", fsEventOf<TfsNotifyEvent>(&TCustomForm::OnDeactivate));
    Form->AddEvent("OnHide", fsEventOf<TfsNotifyEvent>(&TCustomForm::OnHide));
    Form->AddEvent("OnPaint", fsEventOf<TfsNotifyEvent>(&TCustomForm::OnPaint));
    Form->AddEvent("OnShow", fsEventOf<TfsNotifyEvent>(&TCustomForm::OnShow));
}

void RegisterApplication(TfsScript *Script)
{
    TfsClassVariable *App = Script->AddClass(TApplication::StaticClass(), "TComponent");
    AddMembers(App, {{"procedure Minimize",
                      [](TObject *Instance, TfsMethodHelper &) {
                          Self<TApplication>(Instance)->Minimize();
                          return Done();
                      }},
                     {"procedure ProcessMessages",
                      [](TObject *Instance, TfsMethodHelper &) {
                          Self<TApplication>(Instance)->ProcessMessages();
                          return Done();
                      }},
                     {"procedure Restore", [](TObject *Instance, TfsMethodHelper &) {
                          Self<TApplication>(Instance)->Restore();
                          return Done();
                      }}});
    AddProperty(App, "ExeName", "String",
                [](TObject *Instance) { return Variant(Self<TApplication>(Instance)->ExeName()); });
    Script->AddObject("Application", Application);
}

} // namespace

TfsFormsFunctions::TfsFormsFunctions(TfsScript *AScript) : TfsRTTIModule(AScript)
{
    RegisterConstants(AScript);
    RegisterControl(AScript);
    AScript->AddClass(TCustomControl::StaticClass(), "TWinControl");
    AScript->AddClass(TGraphicControl::StaticClass(), "TControl");
    AScript->AddClass(TGroupBox::StaticClass(), "TWinControl");
    AScript->AddClass(TLabel::StaticClass(), "TControl");
    AScript->AddClass(TEdit::StaticClass(), "TWinControl");
    AScript->AddClass(TMemo::StaticClass(), "TWinControl");
    RegisterLists(AScript);
    AScript->AddClass(TControlScrollBar::StaticClass(), "TPersistent");
    AScript->AddClass(TScrollingWinControl::StaticClass(), "TWinControl");
    AScript->AddClass(TScrollBox::StaticClass(), "TScrollingWinControl");
    TfsClassVariable *Form = AScript->AddClass(TCustomForm::StaticClass(), "TScrollingWinControl");
    RegisterFormMethods(Form);
    RegisterFormEvents(Form);
    AScript->AddClass(TForm::StaticClass(), "TCustomForm");
    AScript->AddClass(TDataModule::StaticClass(), "TComponent");
    RegisterApplication(AScript);
}
