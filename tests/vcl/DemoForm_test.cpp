#include "tests/vcl/VclTestSupport.h"

#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Grids.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Tabs.h"
#include "platform/win/Paint.h"

#include <QImage>

#include <cstdlib>
#include <cstring>

using namespace vcltest;

namespace
{

// A form built in code with one of each control, as the program's windows are.
class TDemoForm : public TForm
{
public:
    explicit TDemoForm(TComponent *AOwner) : TForm(AOwner)
    {
        SetCaption("QRV-4");
        SetBorderStyle(bsSingle);
        SetBounds(40, 40, 640, 480);
        Font()->SetName("Tahoma");
        Status = Make<TStatusBar>(this);
        Status->SetSimplePanel(true);
        Status->SetSimpleText("Порт открыт"_a);
        Status->SetColor(clLime);
        Pages = Make<TPageControl>(this);
        Pages->SetBounds(8, 8, 380, 300);
        First = new TTabSheet(this);
        First->SetCaption("Ключи"_a);
        First->SetPageControl(Pages);
        Second = new TTabSheet(this);
        Second->SetCaption("Архив"_a);
        Second->SetPageControl(Pages);
        Label = Make<TLabel>(First);
        Label->SetBounds(8, 8, 80, 16);
        Label->SetCaption("Номер:"_a);
        Edit = Make<TEdit>(First);
        Edit->SetBounds(90, 6, 120, 21);
        Combo = Make<TComboBox>(First);
        Combo->SetStyle(csDropDownList);
        Combo->SetBounds(90, 34, 120, 21);
        for (const char *s : {"9600", "19200", "57600"})
            Combo->Items()->Add(s);
        Combo->SetItemIndex(0);
        Check = Make<TCheckBox>(First);
        Check->SetBounds(8, 62, 150, 17);
        Check->SetCaption("Подсветка"_a);
        Radio = Make<TRadioButton>(First);
        Radio->SetBounds(160, 62, 100, 17);
        Radio->SetCaption("Режим"_a);
        Button = Make<TButton>(First);
        Button->SetBounds(220, 6, 90, 25);
        Button->SetCaption("Записать"_a);
        Progress = Make<TProgressBar>(First);
        Progress->SetBounds(8, 90, 300, 16);
        Progress->SetPosition(40);
        Track = Make<TTrackBar>(First);
        Track->SetBounds(8, 112, 300, 40);
        Track->SetMax(28);
        Picker = Make<TDateTimePicker>(First);
        Picker->SetBounds(8, 158, 200, 21);
        Picker->SetDateFormat(dfLong);
        Picker->SetDate(EncodeDate(2024, 12, 7));
        Copies = Make<TEdit>(First);
        Copies->SetBounds(220, 158, 50, 21);
        UpDown = new TUpDown(this);
        UpDown->SetAssociate(Copies);
        UpDown->SetPosition(1);
        Memo = Make<TMemo>(First);
        Memo->SetBounds(8, 186, 200, 60);
        Memo->Lines()->Add("Строка 1"_a);
        Memo->Lines()->Add("Строка 2"_a);
        List = Make<TListBox>(First);
        List->SetBounds(220, 186, 140, 60);
        List->Items()->Add("COM1");
        List->Items()->Add("COM2");
        Grid = Make<TStringGrid>(Second);
        Grid->SetBounds(4, 4, 360, 200);
        Grid->SetColCount(4);
        Grid->SetRowCount(6);
        Grid->SetDefaultRowHeight(18);
        Grid->SetOptions(Grid->Options() << goRowSelect);
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 4; ++c)
                Grid->SetCells(c, r, AnsiString(c) + "," + AnsiString(r));
        Panel = Make<TPanel>(this);
        Panel->SetBounds(400, 8, 220, 140);
        Panel->SetCaption("Панель"_a);
        Shape = Make<TShape>(Panel);
        Shape->SetBounds(10, 10, 40, 40);
        Shape->SetShape(stEllipse);
        Shape->Brush()->SetColor(clRed);
        Bevel = Make<TBevel>(Panel);
        Bevel->SetBounds(60, 10, 60, 40);
        Image = Make<TImage>(Panel);
        Image->SetBounds(130, 10, 40, 40);
        Image->Canvas()->Brush()->SetColor(clBlue);
        Image->Canvas()->FillRect(Rect(0, 0, 40, 40));
        Tabs = Make<TTabSet>(this);
        Tabs->SetBounds(400, 160, 220, 21);
        for (const char *s : {"Ввод", "Вывод", "Журнал"})
            Tabs->Tabs()->Add(AnsiString::FromUtf8(s));
        Tabs->SetTabIndex(0);
        Scroll = Make<TScrollBox>(this);
        Scroll->SetBounds(400, 190, 220, 100);
        Timer = new TTimer(this);
        Timer->SetInterval(20);
        Timer->OnTimer = [this](TObject *) { ++Ticks; };
    }

    template <class T> T *Make(TWinControl *AParent)
    {
        T *control = new T(this);
        control->SetParent(AParent);
        return control;
    }

    TStatusBar *Status;
    TPageControl *Pages;
    TTabSheet *First;
    TTabSheet *Second;
    TLabel *Label;
    TEdit *Edit;
    TComboBox *Combo;
    TCheckBox *Check;
    TRadioButton *Radio;
    TButton *Button;
    TProgressBar *Progress;
    TTrackBar *Track;
    TDateTimePicker *Picker;
    TEdit *Copies;
    TUpDown *UpDown;
    TMemo *Memo;
    TListBox *List;
    TStringGrid *Grid;
    TPanel *Panel;
    TShape *Shape;
    TBevel *Bevel;
    TImage *Image;
    TTabSet *Tabs;
    TScrollBox *Scroll;
    TTimer *Timer;
    int Ticks = 0;
};

// Writes what the form shows as a PNG picture, for looking at under Xvfb.
void Snapshot(TForm *Form, const char *Path)
{
    TBitmap picture;
    picture.SetPixelFormat(pf24bit);
    picture.SetSize(Form->ClientWidth(), Form->ClientHeight());
    Form->PaintTo(picture.Canvas()->Handle(), 0, 0);
    QImage image(picture.Width(), picture.Height(), QImage::Format_BGR888);
    for (int y = 0; y < picture.Height(); ++y)
        std::memcpy(image.scanLine(y), picture.ScanLine(y), size_t(picture.Width()) * 3);
    image.save(Path);
}

class DemoFormTest : public VclTest
{
};

TEST_F(DemoFormTest, EveryControlShowsAndAnswersMouseAndKeys)
{
    TDemoForm form(nullptr);
    form.Show();
    Pump();
    // Keys typed into the edit, a click on the check box, an item from the combo box.
    form.Edit->SetFocus();
    Key('1', '1');
    Key('2', '2');
    Click(form.Check, 5, 8);
    Pump();
    form.Combo->SetFocus();
    Key(VK_DOWN);
    Pump();
    EXPECT_EQ(form.Edit->Text(), "12");
    EXPECT_TRUE(form.Check->Checked());
    EXPECT_EQ(form.Combo->Text(), "19200");
    // The track bar moves by keys, the up-down by a click.
    form.Track->SetFocus();
    Key(VK_RIGHT);
    Pump();
    Click(form.UpDown, 5, 3);
    Pump();
    EXPECT_EQ(form.Track->Position(), 1);
    EXPECT_EQ(form.Copies->Text(), "2");
    // The archive page with its grid: a click picks a row.
    const TRect tab = form.Pages->TabRect(1);
    Click(form.Pages, tab.Left + 4, tab.Top + 4);
    Pump();
    ASSERT_EQ(form.Pages->ActivePage(), form.Second);
    const TRect cell = form.Grid->CellRect(2, 3);
    Click(form.Grid, cell.Left + 3, cell.Top + 3);
    Pump();
    EXPECT_EQ(form.Grid->Row(), 3);
    EXPECT_TRUE(PumpUntil([&] { return form.Ticks > 0; }));
    // What is painted: the status bar's green band, the panel's shape and image.
    EXPECT_EQ(win::SurfacePixel(form.Status->Handle(), form.Status->Width() - 10, 10),
              RGB(0, 255, 0));
    TBitmap picture;
    picture.SetSize(form.ClientWidth(), form.ClientHeight());
    form.PaintTo(picture.Canvas()->Handle(), 0, 0);
    EXPECT_EQ(picture.Canvas()->Pixels(400 + 30, 8 + 30), clRed);
    EXPECT_EQ(picture.Canvas()->Pixels(400 + 150, 8 + 30), clBlue);
    if (const char *path = std::getenv("QRV4_VCL_SNAPSHOT")) Snapshot(&form, path);
}

} // namespace
