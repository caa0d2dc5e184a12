#pragma once

// The report library's small windows: the page settings and the text search
// of the preview, the template password prompt and the host form of a report's
// dialog page.

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "report/frxRes.h"

class TfrxReport;
class TfrxReportPage;

// A fixed-size dialog centred on the screen, titled by resource text ID.
void frxMakeDialog(TForm *Form, int ID, int Width, int Height);
// F1 anywhere on Form opens the library's help at Form's page.
void frxHelpOnF1(TForm *Form);

// A control of a report window captioned by resource text ID.
template <class T>
T *frxCaptioned(TComponent *Owner, TWinControl *Parent, const char *Name, int ID, int Left, int Top,
                int Width, int Height)
{
    T *Control = vcl::Place<T>(Owner, Parent, Name, Left, Top, Width, Height);
    Control->SetCaption(frxGet(ID));
    return Control;
}

// Paper, orientation and margins of a report page, shown in the units the
// report's settings name (centimetres or inches).
class TfrxPageSettingsForm : public TForm
{
    QRV4_CLASS(TfrxPageSettingsForm, TForm)

public:
    explicit TfrxPageSettingsForm(TComponent *AOwner);

    TButton *OKB;
    TButton *CancelB;
    TGroupBox *SizeL;
    TLabel *WidthL;
    TLabel *HeightL;
    TLabel *UnitL1;
    TLabel *UnitL2;
    TEdit *WidthE;
    TEdit *HeightE;
    TComboBox *SizeCB;
    TGroupBox *OrientationL;
    TImage *PortraitImg;
    TImage *LandscapeImg;
    TRadioButton *PortraitRB;
    TRadioButton *LandscapeRB;
    TGroupBox *MarginsL;
    TLabel *LeftL;
    TLabel *TopL;
    TLabel *RightL;
    TLabel *BottomL;
    TLabel *UnitL3;
    TLabel *UnitL4;
    TLabel *UnitL5;
    TLabel *UnitL6;
    TEdit *MarginLeftE;
    TEdit *MarginTopE;
    TEdit *MarginRightE;
    TEdit *MarginBottomE;
    TGroupBox *OtherL;
    TRadioButton *ApplyToCurRB;
    TRadioButton *ApplyToAllRB;

    TfrxReportPage *Page() const { return FPage; }
    void SetPage(TfrxReportPage *Value) { FPage = Value; }
    TfrxReport *Report() const { return FReport; }
    void SetReport(TfrxReport *Value) { FReport = Value; }
    // Whether the settings go to every page of the report, which is then prepared again.
    bool GetNeedRebuild() const;

    // A text that is no number, or a page without width or height, is named and
    // keeps the dialog open.
    bool CloseQuery() override;

protected:
    void DoShow() override;
    void DoClose(TCloseAction &Action) override;

private:
    // A value in millimetres as one edit shows it. An edit left as shown gives
    // back the exact value, so a rounded display never shifts a margin.
    struct TUnitValue {
        TEdit *Edit = nullptr;
        double MM = 0;
        AnsiString Shown;
    };

    void SizeCBClick();
    void SizeEChange();
    void UpdateOrientationImage();
    void ShowMM(TUnitValue &Value, double MM);
    // False when the edit holds no number.
    bool ReadMM(const TUnitValue &Value, double &MM) const;
    // The first edit holding no number, a negative one, or a size of nothing; else null.
    TEdit *FirstBadEdit() const;
    // The paper number of the chosen entry; custom paper when none is chosen.
    int ChosenPaper() const;

    TfrxReportPage *FPage = nullptr;
    TfrxReport *FReport = nullptr;
    int FUnits = 0;
    bool FUpdating = false;
    TUnitValue FWidth, FHeight, FLeft, FTop, FRight, FBottom;
};

class TfrxSearchDialog : public TForm
{
    QRV4_CLASS(TfrxSearchDialog, TForm)

public:
    explicit TfrxSearchDialog(TComponent *AOwner);

    TPanel *ReplacePanel;
    TLabel *ReplaceL;
    TEdit *ReplaceE;
    TPanel *Panel2;
    TLabel *TextL;
    TEdit *TextE;
    TPanel *Panel3;
    TButton *OkB;
    TButton *CancelB;
    TGroupBox *SearchL;
    TCheckBox *CaseCB;
    TCheckBox *TopCB;

protected:
    void DoShow() override;
    void DoClose(TCloseAction &Action) override;
};

// The text searched for last, kept for the next search dialog.
AnsiString &frxLastSearchText();

class TfrxPasswordForm : public TForm
{
    QRV4_CLASS(TfrxPasswordForm, TForm)

public:
    explicit TfrxPasswordForm(TComponent *AOwner);

    TLabel *PasswordL;
    TButton *OkB;
    TButton *CancelB;
    TEdit *PasswordE;
};

// Asks for a template's password in the password form; false when it is cancelled.
bool frxShowPasswordForm(AnsiString &Typed);

// The window of a report's dialog page, filled by the page at run time.
class TfrxDialogForm : public TForm
{
    QRV4_CLASS(TfrxDialogForm, TForm)

public:
    // An owner tagged 318 asks for a form that reads no stored state.
    explicit TfrxDialogForm(TComponent *AOwner);

    void WndProc(TMessage &Message) override;
    bool ThreadSafe() const { return FThreadSafe; }

    // Called when the user has finished moving or sizing the form.
    TNotifyEvent OnModify;

private:
    bool FThreadSafe;
};
