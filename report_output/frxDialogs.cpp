#include "report_output/frxDialogs.h"

#include "platform/rtl/IniFiles.h"
#include "report/frxClass.h"
#include "report/frxPrinter.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"

#include <cmath>
#include <cstdint>

namespace
{

constexpr int ButtonWidth = 75, ButtonHeight = 25;
constexpr int StatelessOwnerTag = 318;
constexpr int CustomPaper = 256;
constexpr int InchUnits = 1;

using vcl::Place;

TPanel *PlacePanel(TForm *Form, const char *Name, TAlign Align, int Height)
{
    auto *Panel = Place<TPanel>(Form, Form, Name, 0, 0, Form->ClientWidth(), Height);
    Panel->SetAlign(Align);
    Panel->SetBevelOuter(bvNone);
    Panel->SetCaption("");
    return Panel;
}

// The OK and Cancel pair with their resource captions, right-aligned at Top.
void PlaceButtons(TForm *Form, TWinControl *Parent, int Top, TButton *&Ok, TButton *&Cancel)
{
    const int Right = Parent->ClientWidth() - 8;
    Ok = Place<TButton>(Form, Parent, "OkB", Right - 2 * ButtonWidth - 6, Top, ButtonWidth,
                        ButtonHeight);
    Ok->SetCaption(frxGet(1));
    Ok->SetModalResult(mrOk);
    Ok->SetDefault(true);
    Cancel = Place<TButton>(Form, Parent, "CancelB", Right - ButtonWidth, Top, ButtonWidth,
                            ButtonHeight);
    Cancel->SetCaption(frxGet(2));
    Cancel->SetModalResult(mrCancel);
    Cancel->SetCancel(true);
}

// A sheet of paper the way the orientation buttons mean it.
TImage *PaperPicture(TComponent *Owner, TWinControl *Parent, const char *Name, int Width,
                     int Height)
{
    auto *Image = Place<TImage>(Owner, Parent, Name, 12, 24, 40, 40);
    TCanvas *Canvas = Image->Canvas();
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->FillRect(TRect(0, 0, 40, 40));
    Canvas->Brush()->SetColor(clWhite);
    Canvas->Pen()->SetColor(clBlack);
    const int Left = (40 - Width) / 2, Top = (40 - Height) / 2;
    Canvas->Rectangle(Left, Top, Left + Width, Top + Height);
    for (int Line = Top + 5; Line < Top + Height - 4; Line += 4) {
        Canvas->MoveTo(Left + 4, Line);
        Canvas->LineTo(Left + Width - 4, Line);
    }
    return Image;
}

} // namespace

void frxMakeDialog(TForm *Form, int ID, int Width, int Height)
{
    Form->SetBorderStyle(bsDialog);
    Form->SetPosition(poScreenCenter);
    Form->SetClientWidth(Width);
    Form->SetClientHeight(Height);
    Form->SetCaption(frxGet(ID));
}

void frxHelpOnF1(TForm *Form)
{
    Form->SetKeyPreview(true);
    Form->OnKeyDown = [Form](TObject *, WORD &Key, TShiftState) {
        if (Key != VK_F1) return;
        frxResources()->Help(Form);
        Key = 0;
    };
}

// ---- page settings ----

TfrxPageSettingsForm::TfrxPageSettingsForm(TComponent *AOwner) : TForm(AOwner)
{
    frxMakeDialog(this, 400, 440, 322);
    frxHelpOnF1(this);
    SizeL = frxCaptioned<TGroupBox>(this, this, "SizeL", 403, 8, 8, 240, 116);
    SizeCB = Place<TComboBox>(this, SizeL, "SizeCB", 10, 20, 220, 21);
    SizeCB->SetStyle(csDropDownList);
    SizeCB->SetDropDownCount(12);
    SizeCB->OnClick = [this](TObject *) { SizeCBClick(); };
    WidthL = frxCaptioned<TLabel>(this, SizeL, "WidthL", 401, 10, 56, 70, 13);
    WidthE = Place<TEdit>(this, SizeL, "WidthE", 90, 52, 80, 21);
    UnitL1 = Place<TLabel>(this, SizeL, "UnitL1", 176, 56, 50, 13);
    HeightL = frxCaptioned<TLabel>(this, SizeL, "HeightL", 402, 10, 86, 70, 13);
    HeightE = Place<TEdit>(this, SizeL, "HeightE", 90, 82, 80, 21);
    UnitL2 = Place<TLabel>(this, SizeL, "UnitL2", 176, 86, 50, 13);
    WidthE->OnChange = HeightE->OnChange = [this](TObject *) { SizeEChange(); };

    OrientationL = frxCaptioned<TGroupBox>(this, this, "OrientationL", 404, 256, 8, 176, 116);
    PortraitImg = PaperPicture(this, OrientationL, "PortraitImg", 24, 32);
    LandscapeImg = PaperPicture(this, OrientationL, "LandscapeImg", 32, 24);
    PortraitRB = frxCaptioned<TRadioButton>(this, OrientationL, "PortraitRB", 410, 60, 30, 110, 17);
    LandscapeRB =
        frxCaptioned<TRadioButton>(this, OrientationL, "LandscapeRB", 411, 60, 60, 110, 17);
    PortraitRB->OnClick = LandscapeRB->OnClick = [this](TObject *) {
        UpdateOrientationImage();
        SizeCBClick();
    };

    MarginsL = frxCaptioned<TGroupBox>(this, this, "MarginsL", 409, 8, 132, 424, 84);
    struct MarginPlace {
        TLabel *&Label;
        const char *LabelName;
        int ID;
        TEdit *&Edit;
        const char *EditName;
        TLabel *&Unit;
        const char *UnitName;
        int Left, Top;
    };
    const MarginPlace Margins[] = {
        {LeftL, "LeftL", 405, MarginLeftE, "MarginLeftE", UnitL3, "UnitL3", 10, 24},
        {TopL, "TopL", 406, MarginTopE, "MarginTopE", UnitL4, "UnitL4", 220, 24},
        {RightL, "RightL", 407, MarginRightE, "MarginRightE", UnitL5, "UnitL5", 10, 52},
        {BottomL, "BottomL", 408, MarginBottomE, "MarginBottomE", UnitL6, "UnitL6", 220, 52},
    };
    for (const MarginPlace &M : Margins) {
        M.Label =
            frxCaptioned<TLabel>(this, MarginsL, M.LabelName, M.ID, M.Left, M.Top + 4, 70, 13);
        M.Edit = Place<TEdit>(this, MarginsL, M.EditName, M.Left + 80, M.Top, 70, 21);
        M.Unit = Place<TLabel>(this, MarginsL, M.UnitName, M.Left + 156, M.Top + 4, 40, 13);
    }

    OtherL = frxCaptioned<TGroupBox>(this, this, "OtherL", 412, 8, 224, 424, 50);
    ApplyToCurRB = frxCaptioned<TRadioButton>(this, OtherL, "ApplyToCurRB", 413, 10, 22, 200, 17);
    ApplyToAllRB = frxCaptioned<TRadioButton>(this, OtherL, "ApplyToAllRB", 414, 220, 22, 200, 17);
    ApplyToCurRB->SetChecked(true);
    PlaceButtons(this, this, 286, OKB, CancelB);

    FWidth.Edit = WidthE;
    FHeight.Edit = HeightE;
    FLeft.Edit = MarginLeftE;
    FTop.Edit = MarginTopE;
    FRight.Edit = MarginRightE;
    FBottom.Edit = MarginBottomE;
}

bool TfrxPageSettingsForm::GetNeedRebuild() const
{
    return ApplyToAllRB->Checked();
}

void TfrxPageSettingsForm::ShowMM(TUnitValue &Value, double MM)
{
    Value.MM = MM;
    Value.Shown = frxFloatToStr(FUnits == InchUnits ? MM / 25.4 : MM / 10);
    Value.Edit->SetText(Value.Shown);
}

bool TfrxPageSettingsForm::ReadMM(const TUnitValue &Value, double &MM) const
{
    const AnsiString Text = Value.Edit->Text();
    if (Text == Value.Shown) {
        MM = Value.MM;
        return true;
    }
    try {
        const double Typed = frxStrToFloat(Text);
        MM = FUnits == InchUnits ? Typed * 25.4 : Typed * 10;
        return std::isfinite(MM);
    } catch (const EConvertError &) {
        return false;
    }
}

TEdit *TfrxPageSettingsForm::FirstBadEdit() const
{
    for (const TUnitValue *Value : {&FWidth, &FHeight, &FLeft, &FTop, &FRight, &FBottom}) {
        double MM = 0;
        if (!ReadMM(*Value, MM) || MM < 0) return Value->Edit;
    }
    double Width = 0, Height = 0;
    ReadMM(FWidth, Width);
    ReadMM(FHeight, Height);
    if (Width <= 0) return WidthE;
    if (Height <= 0) return HeightE;
    return nullptr;
}

int TfrxPageSettingsForm::ChosenPaper() const
{
    const int Index = SizeCB->ItemIndex();
    if (Index < 0) return CustomPaper;
    return static_cast<int>(reinterpret_cast<intptr_t>(SizeCB->Items()->Objects(Index)));
}

void TfrxPageSettingsForm::DoShow()
{
    if (FReport) FUnits = FReport->GetIniFile()->ReadInteger("Form.TfrxDesignerForm", "Units", 0);
    // Inches, or centimetres for every other setting: a unit this dialog does
    // not know must not turn the page into nothing.
    const AnsiString Unit = frxResources()->Get(FUnits == InchUnits ? "uInch" : "uCm");
    for (TLabel *Label : {UnitL1, UnitL2, UnitL3, UnitL4, UnitL5, UnitL6})
        Label->SetCaption(Unit);

    {
        const TfrxFlagScope Updating(FUpdating);
        TfrxCustomPrinter *Printer = frxPrinters()->Printer();
        SizeCB->Items()->Assign(Printer->Papers());
        int Index = Printer->PaperIndex(FPage->PaperSize());
        if (Index < 0) Index = Printer->PaperIndex(CustomPaper);
        SizeCB->SetItemIndex(Index);
        ShowMM(FWidth, FPage->PaperWidth());
        ShowMM(FHeight, FPage->PaperHeight());
        ShowMM(FLeft, FPage->LeftMargin());
        ShowMM(FTop, FPage->TopMargin());
        ShowMM(FRight, FPage->RightMargin());
        ShowMM(FBottom, FPage->BottomMargin());
        (FPage->Orientation() == poLandscape ? LandscapeRB : PortraitRB)->SetChecked(true);
        UpdateOrientationImage();
    }
    TForm::DoShow();
}

void TfrxPageSettingsForm::UpdateOrientationImage()
{
    PortraitImg->SetVisible(PortraitRB->Checked());
    LandscapeImg->SetVisible(LandscapeRB->Checked());
}

void TfrxPageSettingsForm::SizeCBClick()
{
    if (FUpdating || !FPage) return;
    const int Paper = ChosenPaper();
    double Width = 0, Height = 0;
    // Typed sizes matter only for custom paper; bad text there waits for OK to be named.
    const bool Typed = ReadMM(FWidth, Width) && ReadMM(FHeight, Height);
    if (!Typed && Paper == CustomPaper) return;
    const TfrxFlagScope Updating(FUpdating);
    TfrxCustomPrinter *Printer = frxPrinters()->Printer();
    // A custom size goes in as typed: the other way round, each choice would swap the two edits.
    Printer->SetViewParams(Paper, Width, Height, LandscapeRB->Checked() ? poLandscape : poPortrait);
    ShowMM(FWidth, Printer->PaperWidth());
    ShowMM(FHeight, Printer->PaperHeight());
}

void TfrxPageSettingsForm::SizeEChange()
{
    if (FUpdating) return;
    const TfrxFlagScope Updating(FUpdating);
    SizeCB->SetItemIndex(0);
}

bool TfrxPageSettingsForm::CloseQuery()
{
    if (!TForm::CloseQuery()) return false;
    if (ModalResult() != mrOk) return true;
    TEdit *Bad = FirstBadEdit();
    if (!Bad) return true;
    frxErrorMsg(frxResources()->Get("prInvProp") + ": " + Bad->Text());
    SetActiveControl(Bad);
    return false;
}

void TfrxPageSettingsForm::DoClose(TCloseAction &Action)
{
    if (ModalResult() == mrOk && FPage) {
        double Width = 0, Height = 0, Left = 0, Top = 0, Right = 0, Bottom = 0;
        ReadMM(FWidth, Width);
        ReadMM(FHeight, Height);
        ReadMM(FLeft, Left);
        ReadMM(FTop, Top);
        ReadMM(FRight, Right);
        ReadMM(FBottom, Bottom);
        FPage->SetOrientation(LandscapeRB->Checked() ? poLandscape : poPortrait);
        FPage->SetPaperWidth(Width);
        FPage->SetPaperHeight(Height);
        FPage->SetPaperSize(ChosenPaper());
        FPage->SetLeftMargin(Left);
        FPage->SetRightMargin(Right);
        FPage->SetTopMargin(Top);
        FPage->SetBottomMargin(Bottom);
    }
    TForm::DoClose(Action);
}

AnsiString &frxLastSearchText()
{
    static AnsiString Text;
    return Text;
}

// ---- search ----

TfrxSearchDialog::TfrxSearchDialog(TComponent *AOwner) : TForm(AOwner)
{
    frxMakeDialog(this, 300, 300, 170);
    frxHelpOnF1(this);
    // Replacing is not offered: its panel stays hidden.
    ReplacePanel = PlacePanel(this, "ReplacePanel", alTop, 40);
    ReplacePanel->SetVisible(false);
    ReplaceL = frxCaptioned<TLabel>(this, ReplacePanel, "ReplaceL", 303, 8, 4, 280, 13);
    ReplaceE = Place<TEdit>(this, ReplacePanel, "ReplaceE", 8, 18, 284, 21);
    Panel2 = PlacePanel(this, "Panel2", alTop, 48);
    TextL = frxCaptioned<TLabel>(this, Panel2, "TextL", 301, 8, 6, 280, 13);
    TextE = Place<TEdit>(this, Panel2, "TextE", 8, 22, 284, 21);
    Panel3 = PlacePanel(this, "Panel3", alClient, 122);
    SearchL = frxCaptioned<TGroupBox>(this, Panel3, "SearchL", 302, 8, 0, 284, 76);
    TopCB = frxCaptioned<TCheckBox>(this, SearchL, "TopCB", 304, 10, 20, 260, 17);
    CaseCB = frxCaptioned<TCheckBox>(this, SearchL, "CaseCB", 305, 10, 44, 260, 17);
    PlaceButtons(this, Panel3, 86, OkB, CancelB);
}

void TfrxSearchDialog::DoShow()
{
    TextE->SetText(frxLastSearchText());
    SetActiveControl(TextE);
    TextE->SelectAll();
    TForm::DoShow();
}

void TfrxSearchDialog::DoClose(TCloseAction &Action)
{
    if (ModalResult() == mrOk) frxLastSearchText() = TextE->Text();
    TForm::DoClose(Action);
}

// ---- password ----

TfrxPasswordForm::TfrxPasswordForm(TComponent *AOwner) : TForm(AOwner)
{
    frxMakeDialog(this, 5000, 260, 96);
    PasswordL = frxCaptioned<TLabel>(this, this, "PasswordL", 5001, 8, 8, 244, 13);
    PasswordE = Place<TEdit>(this, this, "PasswordE", 8, 26, 244, 21);
    PasswordE->SetPasswordChar('*');
    PlaceButtons(this, this, 60, OkB, CancelB);
    SetActiveControl(PasswordE);
}

bool frxShowPasswordForm(AnsiString &Typed)
{
    TfrxPasswordForm Form(nullptr);
    if (Form.ShowModal() != mrOk) return false;
    Typed = Form.PasswordE->Text();
    return true;
}

// ---- dialog page host ----

TfrxDialogForm::TfrxDialogForm(TComponent *AOwner)
    : TForm(AOwner), FThreadSafe(AOwner && AOwner->Tag() == StatelessOwnerTag)
{
    // Closing is the dialog page's decision; it puts its own handler here.
    OnCloseQuery = [](TObject *, bool &CanClose) { CanClose = false; };
}

void TfrxDialogForm::WndProc(TMessage &Message)
{
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = DLGC_WANTARROWS | DLGC_WANTTAB;
        return;
    }
    TForm::WndProc(Message);
    if (Message.Msg == WM_EXITSIZEMOVE && OnModify) OnModify(this);
}
