#include "report_output/frxPrintDialog.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxPrinter.h"
#include "report/frxRes.h"
#include "report_output/frxDialogs.h"

namespace
{

// Sheets of paper with page numbers, as the collation pictures show them.
void DrawSheets(TImage *Image, const std::vector<std::vector<int>> &Stacks)
{
    TBitmap *Picture = Image->Picture()->Bitmap();
    Picture->SetSize(Image->Width(), Image->Height());
    TCanvas *C = Picture->Canvas();
    C->Brush()->SetColor(clBtnFace);
    C->FillRect(Rect(0, 0, Image->Width(), Image->Height()));
    C->Font()->SetName("Tahoma");
    C->Font()->SetHeight(-9);
    int X = 2;
    for (const std::vector<int> &Stack : Stacks) {
        int Offset = 0;
        for (int Page : Stack) {
            C->Brush()->SetColor(clWhite);
            C->Rectangle(X + Offset, 2 + Offset, X + Offset + 16, 2 + Offset + 20);
            C->TextOut(X + Offset + 5, 6 + Offset, IntToStr(Page));
            Offset += 4;
        }
        X += 30;
    }
}

void DrawPrinter(TImage *Image)
{
    TBitmap *Picture = Image->Picture()->Bitmap();
    Picture->SetSize(16, 16);
    TCanvas *C = Picture->Canvas();
    C->Brush()->SetColor(clWhite);
    C->FillRect(Rect(0, 0, 16, 16));
    C->Brush()->SetColor(clGray);
    C->Rectangle(1, 6, 15, 13);
    C->Brush()->SetColor(clWhite);
    C->Rectangle(4, 1, 12, 7);
    C->Rectangle(4, 11, 12, 15);
}

bool ValidPageList(const AnsiString &Text)
{
    const AnsiString Pages = StringReplace(Text, " ", "", rfReplaceAll);
    bool Digit = false, Dash = false;
    for (char Ch : Pages.View()) {
        if (Ch >= '0' && Ch <= '9') {
            Digit = true;
        } else if (Ch == '-' && Digit && !Dash) {
            Dash = true;
            Digit = false;
        } else if (Ch == ',' && Digit) {
            Digit = Dash = false;
        } else {
            return false;
        }
    }
    // A range may stay open at the end: it runs to the last page.
    return Digit || (Dash && !Pages.IsEmpty() && Pages[Pages.Length()] == '-');
}

constexpr int MaxCopies = 9999;

} // namespace

TfrxPrintDialog::TfrxPrintDialog(TComponent *AOwner) : TForm(AOwner)
{
    CreateControls();
}

void TfrxPrintDialog::CreateControls()
{
    frxMakeDialog(this, 200, 444, 330);
    frxHelpOnF1(this);
    Label12 = frxCaptioned<TGroupBox>(this, this, "Label12", 201, 8, 4, 428, 110);
    PrintersCB = vcl::Place<TComboBox>(this, Label12, "PrintersCB", 12, 20, 300, 22);
    PrintersCB->SetStyle(csOwnerDrawFixed);
    if (Screen && Screen->PixelsPerInch() > 96) PrintersCB->SetItemHeight(19);
    PropButton = frxCaptioned<TButton>(this, Label12, "PropButton", 209, 322, 19, 96, 25);
    TypeL = frxCaptioned<TLabel>(this, Label12, "TypeL", 207, 12, 50, 40, 16);
    TypeL1 = vcl::Place<TLabel>(this, Label12, "TypeL1", 56, 50, 360, 16);
    WhereL = frxCaptioned<TLabel>(this, Label12, "WhereL", 208, 12, 68, 40, 16);
    WhereL1 = vcl::Place<TLabel>(this, Label12, "WhereL1", 56, 68, 360, 16);
    FileCB = frxCaptioned<TCheckBox>(this, Label12, "FileCB", 210, 12, 88, 200, 17);
    Label1 = frxCaptioned<TGroupBox>(this, this, "Label1", 202, 8, 118, 250, 140);
    AllRB = frxCaptioned<TRadioButton>(this, Label1, "AllRB", 3, 12, 20, 100, 17);
    AllRB->SetChecked(true);
    CurPageRB = frxCaptioned<TRadioButton>(this, Label1, "CurPageRB", 4, 12, 42, 100, 17);
    PageNumbersRB = frxCaptioned<TRadioButton>(this, Label1, "PageNumbersRB", 5, 12, 64, 70, 17);
    PageNumbersE = vcl::Place<TEdit>(this, Label1, "PageNumbersE", 86, 62, 150, 21);
    DescrL = frxCaptioned<TLabel>(this, Label1, "DescrL", 9, 12, 90, 226, 44);
    DescrL->SetWordWrap(true);
    Label2 = frxCaptioned<TGroupBox>(this, this, "Label2", 205, 266, 118, 170, 140);
    CopiesL = frxCaptioned<TLabel>(this, Label2, "CopiesL", 203, 12, 24, 70, 16);
    CopiesE = vcl::Place<TEdit>(this, Label2, "CopiesE", 86, 20, 50, 21);
    CopiesE->SetText("1");
    CopiesE->SetNumbersOnly(true);
    UpDown1 = vcl::Place<TUpDown>(this, Label2, "UpDown1", 136, 20, 16, 21);
    UpDown1->SetMin(1);
    UpDown1->SetMax(MaxCopies);
    UpDown1->SetAssociate(CopiesE);
    UpDown1->SetPosition(1);
    CopiesPB = vcl::Place<TImage>(this, Label2, "CopiesPB", 12, 50, 120, 44);
    CollateImg = vcl::Place<TImage>(this, Label2, "CollateImg", 12, 50, 120, 44);
    NonCollateImg = vcl::Place<TImage>(this, Label2, "NonCollateImg", 12, 50, 120, 44);
    CollateImg->SetVisible(false);
    NonCollateImg->SetVisible(false);
    DrawSheets(CollateImg, {{1, 2, 3}, {1, 2, 3}});
    DrawSheets(NonCollateImg, {{1, 1}, {2, 2}, {3, 3}});
    CollateCB = vcl::Place<TCheckBox>(this, Label2, "CollateCB", 12, 104, 16, 17);
    CollateL = frxCaptioned<TLabel>(this, Label2, "CollateL", 204, 30, 104, 130, 17);
    PrintL = frxCaptioned<TLabel>(this, this, "PrintL", 206, 8, 268, 60, 16);
    PrintPagesCB = vcl::Place<TComboBox>(this, this, "PrintPagesCB", 8, 264, 160, 21);
    PrintPagesCB->SetStyle(csDropDownList);
    for (const char *Key : {"ppAll", "ppOdd", "ppEven"})
        PrintPagesCB->Items()->Add(frxResources()->Get(Key));
    PrintPagesCB->SetItemIndex(0);
    ReverseCB = frxCaptioned<TCheckBox>(this, this, "ReverseCB", 211, 250, 266, 186, 17);
    OkB = frxCaptioned<TButton>(this, this, "OkB", 1, 270, 298, 75, 25);
    OkB->SetDefault(true);
    CancelB = frxCaptioned<TButton>(this, this, "CancelB", 2, 355, 298, 75, 25);
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);
    PrinterImg = vcl::Place<TImage>(this, this, "PrinterImg", 0, 0, 16, 16);
    PrinterImg->SetVisible(false);
    DrawPrinter(PrinterImg);
    FileDlg = new TSaveDialog(this);
    FileDlg->SetTitle(frxResources()->Get("clPrintToFile"));
    // The written file ends in ".prn": the dialog adds it itself, so that its
    // overwrite question is about the file that will be written.
    FileDlg->SetDefaultExt("prn");
    FileDlg->SetFilter("*.prn|*.prn");
    FileDlg->SetOptions(FileDlg->Options() << ofOverwritePrompt);

    PrintersCB->OnChange = [this](TObject *Sender) { PrintersCBClick(Sender); };
    PrintersCB->OnDrawItem = [this](TWinControl *Control, int Index, TRect R, TOwnerDrawState S) {
        PrintersCBDrawItem(Control, Index, R, S);
    };
    PropButton->OnClick = [this](TObject *Sender) { PropButtonClick(Sender); };
    PageNumbersE->OnEnter = [this](TObject *) { PageNumbersRB->SetChecked(true); };
    PageNumbersRB->OnClick = [this](TObject *) {
        if (PageNumbersE->CanFocus()) PageNumbersE->SetFocus();
    };
    CollateL->OnClick = [this](TObject *Sender) { CollateLClick(Sender); };
    CollateL->OnDblClick = [this](TObject *Sender) { CollateLClick(Sender); };
    CollateCB->OnClick = [this](TObject *Sender) { CollateCBClick(Sender); };
    OkB->OnClick = [this](TObject *Sender) { OkBClick(Sender); };
}

int TfrxPrintDialog::Copies() const
{
    int Value = 1;
    return TryStrToInt(CopiesE->Text(), Value) ? Value : 1;
}

void TfrxPrintDialog::DoShow()
{
    TfrxPrinters *Printers = frxPrinters();
    PrintersCB->Items()->Assign(Printers->Printers());
    PrintersCB->SetItemIndex(Printers->PrinterIndex());
    FOldIndex = Printers->PrinterIndex();
    ShowPrinter();
    CollateCBClick(this);
    PrintPagesCB->SetLeft(PrintL->Left() + PrintL->Width() + 11);
    TForm::DoShow();
}

void TfrxPrintDialog::DoHide()
{
    if (ModalResult() != mrOk) frxPrinters()->SetPrinterIndex(FOldIndex);
    TForm::DoHide();
}

void TfrxPrintDialog::ShowPrinter()
{
    TfrxCustomPrinter *Printer = frxPrinters()->Printer();
    TypeL1->SetCaption(Printer->Name());
    WhereL1->SetCaption(Printer->Port());
}

void TfrxPrintDialog::PrintersCBClick(TObject *)
{
    if (PrintersCB->ItemIndex() < 0) return;
    frxPrinters()->SetPrinterIndex(PrintersCB->ItemIndex());
    ShowPrinter();
}

void TfrxPrintDialog::PrintersCBDrawItem(TWinControl *, int Index, TRect R, TOwnerDrawState)
{
    TCanvas *C = PrintersCB->Canvas();
    C->FillRect(R);
    C->Draw(R.Left + 2, R.Top, PrinterImg->Picture()->Graphic());
    C->TextOut(R.Left + 24, R.Top + 1, PrintersCB->Items()->Strings(Index));
}

void TfrxPrintDialog::PropButtonClick(TObject *)
{
    frxPrinters()->Printer()->PropertiesDlg();
}

void TfrxPrintDialog::CollateLClick(TObject *)
{
    CollateCB->SetChecked(!CollateCB->Checked());
    CollateCBClick(this);
}

void TfrxPrintDialog::CollateCBClick(TObject *)
{
    CopiesPB->SetPicture((CollateCB->Checked() ? CollateImg : NonCollateImg)->Picture());
}

bool TfrxPrintDialog::ValidInput()
{
    int Count = 0;
    if (!TryStrToInt(CopiesE->Text(), Count) || Count < 1 || Count > MaxCopies) {
        ShowMessage(frxGet(203) + ": 1.." + IntToStr(MaxCopies));
        if (CopiesE->CanFocus()) CopiesE->SetFocus();
        return false;
    }
    if (PageNumbersRB->Checked() && !ValidPageList(PageNumbersE->Text())) {
        ShowMessage(frxGet(9));
        if (PageNumbersE->CanFocus()) PageNumbersE->SetFocus();
        return false;
    }
    return true;
}

bool TfrxPrintDialog::ChooseFile()
{
    if (!FileDlg->Execute()) return false;
    AnsiString Name = FileDlg->FileName();
    const AnsiString Written = ChangeFileExt(Name, ".prn");
    if (Written != Name && FileExists(Written) &&
        MessageDlg(Written + "\r\n" + frxResources()->Get("clFileExists"), mtConfirmation,
                   {mbYes, mbNo}, 0) != mrYes)
        return false;
    frxPrinters()->Printer()->SetFileName(Written);
    return true;
}

void TfrxPrintDialog::OkBClick(TObject *)
{
    if (!ValidInput()) return;
    frxPrinters()->Printer()->SetFileName(AnsiString());
    SetModalResult(FileCB->Checked() && !ChooseFile() ? mrCancel : mrOk);
}
