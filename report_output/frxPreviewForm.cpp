// The preview window: toolbar, zoom box, page number, status bar and menus
// around a preview control.

#include "report_output/frxPreview.h"
#include "report_output/frxPreviewPages.h"

#include "platform/rtl/SysUtils.h"
#include "platform/vcl/Dialogs.h"
#include "report/frxPrinter.h"
#include "report/frxRegistry.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr UINT WM_UPDATEZOOM = WM_USER + 1;
constexpr int ButtonHeight = 23;
constexpr int GroupGap = 6;

AnsiString Res(const char *Key)
{
    return frxResources()->Get(Key);
}

int CaptionWidth(const AnsiString &Caption)
{
    TBitmap Scratch;
    Scratch.Canvas()->Font()->SetName("Tahoma");
    Scratch.Canvas()->Font()->SetSize(8);
    return Scratch.Canvas()->TextWidth(Caption) + 12;
}

void SetPicture(TSpeedButton *Button, TfrxPreviewPicture Picture)
{
    TBitmap Glyph;
    frxResources()->GetPreviewButtonImages()->GetBitmap(static_cast<int>(Picture), &Glyph);
    Button->SetGlyph(&Glyph);
    // The context menu shows the same picture beside the button's caption.
    Button->SetTag(static_cast<std::intptr_t>(Picture));
}

// The filters the export menu offers: every registered one but the dot-matrix export.
std::vector<TfrxCustomExportFilter *> MenuFilters()
{
    std::vector<TfrxCustomExportFilter *> Filters;
    TfrxExportFilterCollection *All = frxExportFilters();
    for (int i = 0; i < All->Count(); ++i)
        if (TfrxCustomExportFilter *F = All->Items(i)->Filter; F && !frxIsDotMatrixExport(F))
            Filters.push_back(F);
    return Filters;
}

TfrxCustomExportFilter *FilterOfClass(const char *ClassName)
{
    for (TfrxCustomExportFilter *F : MenuFilters())
        if (F->ClassName() == ClassName) return F;
    return nullptr;
}

// Every button but the closing one shows a picture.
void ShowPictures(const TfrxPreviewForm &F)
{
    using P = TfrxPreviewPicture;
    const std::pair<TSpeedButton *, P> Pictures[] = {{F.PrintB, P::Print},
                                                     {F.OpenB, P::Open},
                                                     {F.SaveB, P::Save},
                                                     {F.ExportB, P::Export},
                                                     {F.PdfB, P::Pdf},
                                                     {F.EmailB, P::Email},
                                                     {F.FindB, P::Find},
                                                     {F.ZoomWholePageB, P::WholePage},
                                                     {F.ZoomPageWidthB, P::PageWidth},
                                                     {F.Zoom100B, P::Zoom100},
                                                     {F.Zoom50B, P::ManyPages},
                                                     {F.FullScreenBtn, P::FullScreen},
                                                     {F.PageSettingsB, P::PageSettings},
                                                     {F.OutlineB, P::Outline},
                                                     {F.HandToolB, P::HandTool},
                                                     {F.ZoomToolB, P::ZoomTool},
                                                     {F.NewPageB, P::NewPage},
                                                     {F.DelPageB, P::DeletePage},
                                                     {F.DesignerB, P::Designer},
                                                     {F.FirstB, P::First},
                                                     {F.PriorB, P::Prior},
                                                     {F.NextB, P::Next},
                                                     {F.LastB, P::Last}};
    for (const auto &[Button, Picture] : Pictures)
        SetPicture(Button, Picture);
}

void CopyMenuItems(TMenuItem *From, TMenuItem *To, TComponent *Owner)
{
    for (int i = 0; i < From->Count(); ++i) {
        TMenuItem *Source = From->Items(i);
        auto *Copy = new TMenuItem(Owner);
        Copy->SetCaption(Source->Caption());
        Copy->OnClick = [Source](TObject *) { Source->Click(); };
        To->Add(Copy);
    }
}

} // namespace

TfrxPreviewForm::TfrxPreviewForm(TComponent *AOwner) : TForm(AOwner)
{
    SetCaption(Res("100"));
    SetBounds(100, 100, 800, 600);
    SetKeyPreview(true);
    Font()->SetName("Tahoma");
    Font()->SetSize(8);
    ToolBar = new TPanel(this);
    ToolBar->SetParent(this);
    ToolBar->SetAlign(alTop);
    ToolBar->SetHeight(ButtonHeight + 6);
    ToolBar->SetBevelOuter(bvNone);
    ExportPopup = new TPopupMenu(this);
    HiddenMenu = new TPopupMenu(this);
    Showtemplate1 = new TMenuItem(this);
    Showtemplate1->SetCaption(Res("clShowTemplate"));
    Showtemplate1->OnClick = [this](TObject *) { Preview->EditTemplate(); };
    HiddenMenu->Items()->Add(Showtemplate1);
    RightMenu = new TPopupMenu(this);
    RightMenu->SetImages(frxResources()->GetPreviewButtonImages());
    CreateButtons();
    StatusBar = new TStatusBar(this);
    StatusBar->SetParent(this);
    StatusBar->AddPanel()->SetWidth(200);
    StatusBar->AddPanel();
    Preview = new TfrxPreview(this);
    Preview->SetParent(this);
    Preview->SetAlign(alClient);
    Preview->OnPageChanged = [this](TfrxPreview *Sender, int PageNo) {
        PageChanged(Sender, PageNo);
    };
    SetActiveControl(Preview->Workspace());
    UpdateControls();
}

TfrxPreviewForm::~TfrxPreviewForm()
{
    if (FReport && FReport->Preview() == Preview) FReport->SetPreview(nullptr);
}

void TfrxPreviewForm::SetReport(TfrxReport *Value)
{
    FReport = Value;
    // The window may outlive the report: it hears of its going.
    if (Value) Value->FreeNotification(this);
}

void TfrxPreviewForm::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FReport) FReport = nullptr;
}

TSpeedButton *TfrxPreviewForm::Button(const char *Caption, const char *Hint,
                                      std::function<void()> Click)
{
    auto *B = new TSpeedButton(this);
    B->SetParent(ToolBar);
    B->SetFlat(true);
    if (Caption) B->SetCaption(Res(Caption));
    if (Hint) B->SetHint(Res(Hint));
    B->SetShowHint(true);
    // The picture tells what a button does; the caption names it in the context menu.
    B->SetShowCaption(false);
    B->SetTag(-1); // no picture until one is set
    B->SetBounds(0, 3, ButtonHeight, ButtonHeight);
    B->OnClick = [Click](TObject *) { Click(); };
    return B;
}

void TfrxPreviewForm::CreateButtons()
{
    PrintB = Button("101", "102", [this] { PrintBClick(); });
    OpenB = Button("103", "104", [this] { Preview->LoadFromFile(); });
    SaveB = Button("105", "106", [this] { Preview->SaveToFile(); });
    ExportB = Button("107", "108", [this] {
        const TPoint P = ExportB->ClientToScreen(TPoint(0, ExportB->Height()));
        ExportPopup->Popup(P.X, P.Y);
    });
    PdfB = Button(nullptr, "151", [this] { ExportClick(FilterOfClass("TfrxPDFExport")); });
    EmailB = Button(nullptr, "152", [this] { ExportClick(FilterOfClass("TfrxMailExport")); });
    FindB = Button("109", "110", [this] { Preview->Find(); });
    ZoomWholePageB = Button("111", "112", [this] { Preview->SetZoomMode(zmWholePage); });
    ZoomPageWidthB = Button("113", "114", [this] { Preview->SetZoomMode(zmPageWidth); });
    Zoom100B = Button("115", "116", [this] { Preview->SetZoom(1); });
    Zoom50B = Button("117", "118", [this] { Preview->SetZoomMode(zmManyPages); });
    ZoomCB = new TfrxComboBox(this);
    ZoomCB->SetParent(ToolBar);
    ZoomCB->SetBounds(0, 4, 90, 21);
    ZoomCB->SetHint(Res("119"));
    for (const char *Z : {"25%", "50%", "75%", "100%", "150%", "200%"})
        ZoomCB->Items()->Add(Z);
    ZoomCB->Items()->Add(Res("zmPageWidth"));
    ZoomCB->Items()->Add(Res("zmWholePage"));
    ZoomCB->OnClick = [this](TObject *Sender) { ZoomCBClick(Sender); };
    ZoomCB->OnKeyDown = [this](TObject *Sender, WORD &Key, TShiftState) {
        if (Key == VK_RETURN) ZoomCBClick(Sender);
    };
    FullScreenBtn = Button(nullptr, "150", [this] { SwitchToFullScreen(); });
    PageSettingsB = Button("120", "121", [this] { Preview->PageSetupDlg(); });
    OutlineB = Button("122", "123", [this] {
        Preview->SetOutlineVisible(!Preview->OutlineVisible());
        OutlineB->SetDown(Preview->OutlineVisible());
    });
    OutlineB->SetAllowAllUp(true);
    OutlineB->SetGroupIndex(2);
    HandToolB = Button("124", "125", [this] { Preview->SetTool(ptHand); });
    ZoomToolB = Button("126", "127", [this] { Preview->SetTool(ptZoom); });
    HandToolB->SetGroupIndex(1);
    ZoomToolB->SetGroupIndex(1);
    HandToolB->SetDown(true);
    NewPageB = Button("128", "129", [this] { Preview->AddPage(); });
    DelPageB = Button("130", "131", [this] { Preview->DeletePage(); });
    DesignerB = Button("132", "133", [this] { Preview->Edit(); });
    DesignerB->OnMouseUp = [this](TObject *, TMouseButton Button, TShiftState, int X, int Y) {
        if (Button != mbRight) return;
        const TPoint P = DesignerB->ClientToScreen(TPoint(X, Y));
        HiddenMenu->Popup(P.X, P.Y);
    };
    FirstB = Button("134", "135", [this] { Preview->First(); });
    PriorB = Button("136", "137", [this] { Preview->Prior(); });
    PageE = new TEdit(this);
    PageE->SetParent(ToolBar);
    PageE->SetBounds(0, 4, 40, 21);
    PageE->SetHint(Res("142"));
    PageE->SetNumbersOnly(true);
    PageE->OnKeyDown = [this](TObject *, WORD &Key, TShiftState) { PageEKeyDown(Key); };
    NextB = Button("138", "139", [this] { Preview->Next(); });
    LastB = Button("140", "141", [this] { Preview->Last(); });
    // The one button in words: it closes the window or stops a running report.
    CancelB = Button("2", nullptr, [this] { CancelBClick(); });
    CancelB->SetShowCaption(true);
    CancelB->SetWidth(CaptionWidth(CancelB->Caption()));
    ShowPictures(*this);
    FGroups = {{PrintB, OpenB, SaveB, ExportB, PdfB, EmailB, FindB},
               {ZoomWholePageB, ZoomPageWidthB, Zoom100B, Zoom50B},
               {FullScreenBtn, PageSettingsB, OutlineB},
               {HandToolB, ZoomToolB},
               {NewPageB, DelPageB, DesignerB},
               {FirstB, PriorB},
               {NextB, LastB},
               {CancelB}};
    DesignerB->SetVisible(static_cast<bool>(frxDesignerClass()));
    LayoutToolBar();
}

void TfrxPreviewForm::LayoutToolBar()
{
    int X = 2;
    auto Place = [&X](TControl *C) {
        if (!C->Visible()) return false;
        C->SetLeft(X);
        X += C->Width();
        return true;
    };
    for (std::size_t g = 0; g < FGroups.size(); ++g) {
        bool Any = false;
        for (TSpeedButton *B : FGroups[g])
            Any |= Place(B);
        // The zoom box joins the zoom buttons, the page number the navigator.
        if (g == 1) Any |= Place(ZoomCB);
        if (g == 5) Any |= Place(PageE);
        if (Any) X += GroupGap;
    }
}

void TfrxPreviewForm::Init()
{
    if (!FReport) return;
    TfrxPreviewOptions *Options = FReport->PreviewOptions();
    if (Options->Maximized()) SetWindowState(wsMaximized);
    if (Options->MDIChild()) SetFormStyle(fsMDIChild);
    Preview->SetOutlineVisible(Options->OutlineVisible());
    Preview->SetOutlineWidth(Options->OutlineWidth());
    Preview->SetZoom(Options->Zoom());
    if (Options->ZoomMode() != zmDefault) Preview->SetZoomMode(Options->ZoomMode());
    ShowButtons(Options->Buttons());
    FillExportMenu();
    FillRightMenu();
    // The name a user knows the report by, not the component's.
    if (const AnsiString &Name = FReport->ReportOptions()->Name(); !Name.IsEmpty())
        SetCaption(Name);
    UpdateControls();
    UpdateZoom();
}

void TfrxPreviewForm::ShowButtons(TfrxPreviewButtons Buttons)
{
    const bool Zoom = Buttons.Contains(pbZoom), Edit = Buttons.Contains(pbEdit);
    const bool Nav = Buttons.Contains(pbNavigator), Tools = Buttons.Contains(pbTools);
    PrintB->SetVisible(Buttons.Contains(pbPrint));
    OpenB->SetVisible(Buttons.Contains(pbLoad));
    SaveB->SetVisible(Buttons.Contains(pbSave));
    ExportB->SetVisible(Buttons.Contains(pbExport) && !MenuFilters().empty());
    FindB->SetVisible(Buttons.Contains(pbFind));
    for (TControl *C : std::initializer_list<TControl *>{ZoomWholePageB, ZoomPageWidthB, Zoom100B,
                                                         Zoom50B, ZoomCB, FullScreenBtn})
        C->SetVisible(Zoom);
    OutlineB->SetVisible(Buttons.Contains(pbTree));
    OutlineB->SetDown(Preview->OutlineVisible());
    PageSettingsB->SetVisible(Buttons.Contains(pbPageSetup));
    HandToolB->SetVisible(Tools);
    ZoomToolB->SetVisible(Tools);
    NewPageB->SetVisible(Edit);
    DelPageB->SetVisible(Edit);
    DesignerB->SetVisible(Edit && static_cast<bool>(frxDesignerClass()));
    for (TControl *C : std::initializer_list<TControl *>{FirstB, PriorB, PageE, NextB, LastB})
        C->SetVisible(Nav);
    const bool Quick = Buttons.Contains(pbExportQuick);
    PdfB->SetVisible(Quick && FilterOfClass("TfrxPDFExport"));
    EmailB->SetVisible(Quick && FilterOfClass("TfrxMailExport"));
    LayoutToolBar();
}

void TfrxPreviewForm::FillExportMenu()
{
    ExportPopup->Items()->Clear();
    for (TfrxCustomExportFilter *Filter : MenuFilters()) {
        auto *Item = new TMenuItem(ExportPopup);
        Item->SetCaption(Filter->GetDescription() + "...");
        Item->OnClick = [this, Filter](TObject *) { ExportClick(Filter); };
        ExportPopup->Items()->Add(Item);
    }
}

void TfrxPreviewForm::FillRightMenu()
{
    RightMenu->Items()->Clear();
    int Dividers = 0;
    for (std::size_t g = 0; g < FGroups.size() && Dividers < 2; ++g) {
        bool Any = false;
        for (TSpeedButton *B : FGroups[g]) {
            if (!B->Visible() || B->Caption().IsEmpty()) continue;
            auto *Item = new TMenuItem(RightMenu);
            Item->SetCaption(B->Caption());
            Item->SetImageIndex(static_cast<int>(B->Tag()));
            // A button with a drop-down list brings the list along as its submenu.
            if (B == ExportB)
                CopyMenuItems(ExportPopup->Items(), Item, RightMenu);
            else
                Item->OnClick = [B](TObject *) { B->Click(); };
            RightMenu->Items()->Add(Item);
            Any = true;
        }
        if (!Any) continue;
        auto *Line = new TMenuItem(RightMenu);
        Line->SetCaption("-");
        RightMenu->Items()->Add(Line);
        ++Dividers;
    }
    Preview->Workspace()->SetPopupMenu(RightMenu);
}

void TfrxPreviewForm::UpdateControls()
{
    const bool Running = Preview->Running();
    const bool HasPages = Preview->PageCount() > 0;
    const bool Ready = !Running && HasPages;
    for (TSpeedButton *B : {PrintB, OpenB, SaveB, ExportB, PdfB, EmailB, FindB, PageSettingsB})
        B->SetEnabled(Ready);
    const bool AllowEdit = FReport && FReport->PreviewOptions()->AllowEdit();
    for (TSpeedButton *B : {NewPageB, DelPageB, DesignerB})
        B->SetEnabled(!Running && AllowEdit);
}

void TfrxPreviewForm::UpdateZoom()
{
    ZoomCB->SetText(IntToStr(static_cast<int>(std::lround(Preview->Zoom() * 100))) + "%");
}

void TfrxPreviewForm::ZoomCBClick(TObject *)
{
    const int Index = ZoomCB->ItemIndex();
    const AnsiString Chosen = Index >= 0 ? ZoomCB->Items()->Strings(Index) : AnsiString();
    if (Index == 6 && ZoomCB->Text() == Chosen) {
        Preview->SetZoomMode(zmPageWidth);
    } else if (Index == 7 && ZoomCB->Text() == Chosen) {
        Preview->SetZoomMode(zmWholePage);
    } else {
        AnsiString Text = ZoomCB->Text();
        AnsiString Digits;
        for (int i = 1; i <= Text.Length(); ++i)
            if (Text[i] != '%' && Text[i] != ' ') Digits += Text[i];
        if (!Digits.IsEmpty()) {
            const double Percent = StrToFloatDef(Digits, -1);
            if (Percent > 0) Preview->SetZoom(Percent / 100);
        }
    }
    PostMessageW(Handle(), WM_UPDATEZOOM, 0, 0);
}

void TfrxPreviewForm::PageChanged(TfrxPreview *Sender, int PageNo)
{
    TfrxCustomEngine *Engine = FReport ? FReport->Engine() : nullptr;
    const bool FirstPass =
        Sender->Running() && Engine && !Engine->FinalPass && FReport->EngineOptions()->DoublePass();
    if (FirstPass)
        FPageText = Res("clFirstPass") + " " + IntToStr(Sender->PageCount());
    else
        FPageText = Format(Res("clPageOf"), {PageNo, Sender->PageCount()});
    StatusBar->Panels(0)->SetText(FPageText);
    PageE->SetText(IntToStr(PageNo));
    UpdateControls();
}

void TfrxPreviewForm::SetMessageText(const AnsiString &Value)
{
    FMessageText = Value;
    StatusBar->Panels(1)->SetText(Value);
    Application->ProcessMessages();
}

void TfrxPreviewForm::PageEKeyDown(WORD &Key)
{
    if (Key != VK_RETURN) return;
    Preview->SetPageNo(StrToIntDef(PageE->Text(), Preview->PageNo()));
    Key = 0;
}

void TfrxPreviewForm::PrintBClick()
{
    if (!frxPrinters()->HasPhysicalPrinters()) {
        frxErrorMsg(Res("clNoPrinters"));
        return;
    }
    Preview->Print();
}

void TfrxPreviewForm::ExportClick(TfrxCustomExportFilter *Filter)
{
    if (Filter) Preview->Export(Filter);
}

void TfrxPreviewForm::CancelBClick()
{
    if (Preview->Running())
        Preview->Cancel();
    else
        Close();
}

void TfrxPreviewForm::SwitchToFullScreen()
{
    FFullScreen = !FFullScreen;
    ToolBar->SetVisible(!FFullScreen);
    StatusBar->SetVisible(!FFullScreen);
    if (FFullScreen) {
        FOldBorderStyle = BorderStyle();
        FOldState = WindowState();
        FOldBounds = BoundsRect();
        SetBorderStyle(bsNone);
        SetWindowState(wsMaximized);
        // A window without a border is maximised by no window manager: it takes the screen.
        SetBounds(0, 0, Screen->Width(), Screen->Height());
    } else {
        SetBorderStyle(FOldBorderStyle);
        SetWindowState(FOldState);
        SetBoundsRect(FOldBounds);
    }
}

bool TfrxPreviewForm::CloseQuery()
{
    return !Preview->Running() && inherited::CloseQuery();
}

void TfrxPreviewForm::DoClose(TCloseAction &Action)
{
    inherited::DoClose(Action);
    if (FreeOnClose) Action = caFree;
}

void TfrxPreviewForm::KeyDown(WORD &Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    if (Key == VK_ESCAPE) {
        CancelBClick();
        Key = 0;
    } else if (Key == VK_F11) {
        SwitchToFullScreen();
        Key = 0;
    } else if (Key == VK_F1) {
        frxResources()->Help(this);
        Key = 0;
    }
}

bool TfrxPreviewForm::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    return Preview->DoMouseWheel(Shift, WheelDelta, MousePos);
}

void TfrxPreviewForm::WndProc(TMessage &Message)
{
    if (Message.Msg == WM_UPDATEZOOM) {
        UpdateZoom();
        return;
    }
    // The preview stands for the program: it goes down with the whole application.
    if (Message.Msg == WM_SYSCOMMAND && (Message.WParam & 0xFFF0) == SC_MINIMIZE &&
        FormStyle() != fsMDIChild) {
        Application->Minimize();
        return;
    }
    // Activating the program, or bringing the preview back from its icon, brings it all back.
    const bool Restoring =
        (Message.Msg == WM_ACTIVATEAPP && Message.WParam) ||
        (Message.Msg == WM_SYSCOMMAND && (Message.WParam & 0xFFF0) == SC_RESTORE);
    if (Restoring && Application->Minimized()) {
        Application->Restore();
        SetActiveWindow(WindowHandle());
        if (Message.Msg == WM_SYSCOMMAND) return;
    }
    inherited::WndProc(Message);
}

// ---- showing a report ----

void frxRegisterPreview()
{
    frxSetPreviewMessageHandler([](TForm *Form, const AnsiString &Text) {
        if (auto *Preview = dynamic_cast<TfrxPreviewForm *>(Form)) Preview->SetMessageText(Text);
    });
    frxSetPreviewFormHandler([](TfrxReport *Report) {
        auto *Form = new TfrxPreviewForm(Application);
        Form->SetReport(Report);
        Report->SetPreview(Form->Preview);
        Report->SetPreviewForm(Form);
        Form->Init();
        if (Report->PreviewOptions()->Modal()) {
            Form->ShowModal();
            Report->SetPreview(nullptr);
            Report->SetPreviewForm(nullptr);
            Form->Release();
        } else {
            Form->FreeOnClose = true;
            Form->Show();
        }
    });
}
