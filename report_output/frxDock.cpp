#include "report_output/frxDock.h"

#include "report/frxUtils.h"

const char *const frxRegRootKey = "Software\\Zedo Vevuvuz";

namespace
{

AnsiString FormSection(TForm *Form)
{
    return "Form." + Form->ClassName();
}

} // namespace

// ---- toolbar panel ----

TfrxTBPanel::TfrxTBPanel(TComponent *AOwner) : TPanel(AOwner)
{
    SetWidth(8);
    SetHeight(8);
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    SetCaption("");
}

void TfrxTBPanel::Paint()
{
    TCanvas *C = Canvas();
    C->Brush()->SetColor(clBtnFace);
    C->Brush()->SetStyle(bsSolid);
    C->FillRect(TRect(0, 0, Width(), Height()));
    if (ComponentState().Contains(csDesigning)) {
        C->Pen()->SetStyle(psDot);
        C->Pen()->SetColor(clBtnShadow);
        C->Brush()->SetStyle(bsClear);
        C->Rectangle(0, 0, Width(), Height());
    }
}

// ---- form positions ----

void frxSaveFormPosition(TCustomIniFile *Ini, TForm *Form)
{
    const AnsiString Section = FormSection(Form);
    Ini->WriteInteger(Section, "Left", Form->Left());
    Ini->WriteInteger(Section, "Top", Form->Top());
    Ini->WriteInteger(Section, "Width", Form->Width());
    Ini->WriteInteger(Section, "Height", Form->Height());
    Ini->WriteBool(Section, "Maximized", Form->WindowState() == wsMaximized);
    Ini->WriteBool(Section, "Visible", Form->Visible());
    TWinControl *Site = Form->Parent();
    Ini->WriteString(Section, "Dock", Site ? Site->Name() : AnsiString());
}

void frxRestoreFormPosition(TCustomIniFile *Ini, TForm *Form)
{
    const AnsiString Section = FormSection(Form);
    if (Ini->ReadBool(Section, "Maximized", false))
        Form->SetWindowState(wsMaximized);
    else
        Form->SetBounds(Ini->ReadInteger(Section, "Left", Form->Left()),
                        Ini->ReadInteger(Section, "Top", Form->Top()),
                        Ini->ReadInteger(Section, "Width", Form->Width()),
                        Ini->ReadInteger(Section, "Height", Form->Height()));
    const AnsiString Dock = Ini->ReadString(Section, "Dock", AnsiString());
    if (!Dock.IsEmpty())
        if (auto *Site = dynamic_cast<TWinControl *>(frxFindComponent(Form->Owner(), Dock)))
            Form->SetParent(Site);
    Form->SetVisible(Ini->ReadBool(Section, "Visible", true));
}
