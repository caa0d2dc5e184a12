// The window's controls, built in code with the values a form designer would store.

#include "controls/PngImageList.h"
#include "link/constants.h"
#include "link/main_form.h"
#include "platform/web/NMHTTP.h"

namespace
{

using vcl::Place;

template <class T>
T *Captioned(TComponent *Owner, TWinControl *Parent, const char *Name, const AnsiString &Caption,
             int Left, int Top, int Width, int Height)
{
    T *control = Place<T>(Owner, Parent, Name, Left, Top, Width, Height);
    control->SetCaption(Caption);
    return control;
}

template <class T> T *Component(TComponent *Owner, const char *Name)
{
    auto *component = new T(Owner);
    component->SetName(Name);
    return component;
}

// A caption for the control to its right; the label has no name of its own.
void AddCaption(TComponent *Owner, TWinControl *Parent, const AnsiString &Text, int Left, int Top,
                int Width = 150)
{
    auto *label = new TLabel(Owner);
    label->SetParent(Parent);
    label->SetBounds(Left, Top + 3, Width, 18);
    label->SetCaption(Text);
    // On a gradient panel the caption stands on the panel's own face, not on a box of its
    // own, enabled or not.
    label->SetTransparent(dynamic_cast<TGradientCheck *>(Parent) != nullptr);
}

TComboBox *List(TComponent *Owner, TWinControl *Parent, const char *Name, int Left, int Top,
                int Width, std::initializer_list<const char *> Items)
{
    auto *box = Place<TComboBox>(Owner, Parent, Name, Left, Top, Width, 24);
    box->SetStyle(csDropDownList);
    for (const char *item : Items)
        box->Items()->Add(AnsiString::FromUtf8(item));
    if (box->Items()->Count()) box->SetItemIndex(0);
    return box;
}

TTabSheet *Sheet(TComponent *Owner, TPageControl *Control, const char *Name,
                 const AnsiString &Caption)
{
    auto *sheet = Component<TTabSheet>(Owner, Name);
    sheet->SetPageControl(Control);
    sheet->SetCaption(Caption);
    return sheet;
}

TTBItem *Item(TComponent *Owner, TTBPopupMenu *Menu, const char *Name, const AnsiString &Caption,
              int ImageIndex = -1)
{
    auto *item = Component<TTBItem>(Owner, Name);
    item->SetCaption(Caption);
    item->SetImageIndex(ImageIndex);
    Menu->Items()->Add(item);
    return item;
}

void Separator(TComponent *Owner, TTBPopupMenu *Menu)
{
    Menu->Items()->Add(new TTBSeparatorItem(Owner));
}

} // namespace

void TMainForm::CreateControls()
{
    SetBorderStyle(bsSingle);
    SetBorderIcons(TBorderIcons{biSystemMenu, biMinimize});
    // The controls take it from the window: the hints their buttons carry show.
    SetShowHint(true);
    SetPosition(poScreenCenter);
    SetClientWidth(939);
    SetClientHeight(713);

    SystemMessTimer = Component<TTimer>(this, "SystemMessTimer");
    SystemMessTimer->SetEnabled(false);
    SystemMessTimer->SetInterval(5000);
    SystemMessTimer->OnTimer = [this](TObject *Sender) { SystemMessTimerTimer(Sender); };
    CallbackTimer = Component<TTimer>(this, "CallbackTimer");
    CallbackTimer->SetEnabled(false);
    CallbackTimer->SetInterval(3000);
    CallbackTimer->OnTimer = [this](TObject *Sender) { CallbackTimerTimer(Sender); };
    LineQuietTimer = Component<TTimer>(this, "LineQuietTimer");
    LineQuietTimer->SetEnabled(false);
    LineQuietTimer->OnTimer = [this](TObject *Sender) { LineQuietTimerTimer(Sender); };
    LoaderPauseTimer = Component<TTimer>(this, "LoaderPauseTimer");
    LoaderPauseTimer->SetEnabled(false);
    LoaderPauseTimer->OnTimer = [this](TObject *Sender) { LoaderPauseTimerTimer(Sender); };
    TMR_OnlineComPort = Component<TTimer>(this, "TMR_OnlineComPort");
    TMR_OnlineComPort->SetInterval(2000);
    TMR_OnlineComPort->OnTimer = [this](TObject *Sender) { TMR_OnlineComPortTimer(Sender); };

    CommPort1 = Component<TCommPort>(this, "CommPort1");
    CommPort1->SetComNumber(1);
    CommPort1->SetDTR(true);
    CommPort1->SetRTS(true);
    CommPort1->SetInSize(4096);
    CommPort1->SetOutSize(8192);
    CommPort1->SetXoffLim(8);
    CommPort1->SetMonitorEvents(TEventStates{evRxChar, evTxEmpty, evCTS, evDSR, evRlsd, evRing});
    CommPort1->OnDataReceived = [this](TObject *Sender, DWORD Count) {
        CommPort1DataReceived(Sender, Count);
    };

    CreateTopPanel();

    PC_Tabs = Place<TPageControl>(this, this, "PC_Tabs", 0, 44, 939, 641);
    PC_Tabs->OnChanging = [this](TObject *Sender, bool &AllowChange) {
        PC_TabsChanging(Sender, AllowChange);
    };
    PC_Tabs->OnChange = [this](TObject *Sender) { PC_TabsChange(Sender); };
    Sheet_Writer = Sheet(this, PC_Tabs, "Sheet_Writer", "Записная книжка"_a);
    Sheet_Archive = Sheet(this, PC_Tabs, "Sheet_Archive", "Архив"_a);
    Sheet_Configure = Sheet(this, PC_Tabs, "Sheet_Configure", "Настройки"_a);
    Sheet_Options = Sheet(this, PC_Tabs, "Sheet_Options", "Установки"_a);
    Sheet_Info = Sheet(this, PC_Tabs, "Sheet_Info", "Информация"_a);
    CreateWriterSheet();
    CreateArchiveSheet();
    CreateConfigureSheet();
    CreateOptionsSheet();
    CreateInfoSheet();
    CreateReports();

    StatusBarMain = Place<TStatusBar>(this, this, "StatusBarMain", 0, 685, 939, 28);
    StatusBarMain->SetAlign(alBottom);
    StatusBarMain->SetSimplePanel(true);
    SetFace(StatusBarMain->Font(), "Tahoma", -16, TFontStyles{fsBold});

    DressControls();

    OnActivate = [this](TObject *Sender) { FormActivate(Sender); };
    OnClose = [this](TObject *Sender, TCloseAction &Action) { FormClose(Sender, Action); };
    OnCloseQuery = [this](TObject *Sender, bool &CanClose) { FormCloseQuery(Sender, CanClose); };
}

void TMainForm::CreateTopPanel()
{
    AddCaption(this, this, "COM-порт:"_a, 10, 10, 70);
    CB_ComPorts = Place<TComboBoxPng>(this, this, "CB_ComPorts", 82, 8, 90, 28);
    AddCaption(this, this, "Скорость:"_a, 176, 10, 70);
    CB_ComSpeeds = List(this, this, "CB_ComSpeeds", 248, 10, 90, {"9600", "19200", "57600"});
    BTN_OpenCOMPort = Captioned<TXpButton>(this, this, "BTN_OpenCOMPort", "COM", 350, 8, 60, 28);
    BTN_OpenCOMPort->SetVisible(false);
    IMG_OnLineCom = Place<TImage>(this, this, "IMG_OnLineCom", 350, 8, 28, 28);
    BTN_Quit = Captioned<TXpButton>(this, this, "BTN_Quit", "       Выход!"_a, 809, 6, 120, 32);
    BTN_Quit->OnClick = [this](TObject *Sender) { BTN_QuitClick(Sender); };
}

void TMainForm::CreateWriterSheet()
{
    TWinControl *sheet = Sheet_Writer;
    SG_Writer = Place<TStringGrid>(this, sheet, "SG_Writer", 6, 6, 776, 562);
    SG_Writer->SetOptions(SG_Writer->Options() + TGridOptions{goColSizing, goRowMoving});
    ED_WriterName = Place<TValidateEdit>(this, sheet, "ED_WriterName", 0, 0, 236, 22);
    ED_WriterName->SetMaxLength(14);
    // The editor stands over a name cell: it writes as the grid's name column does.
    ED_WriterName->Font()->SetName("Tahoma");
    ED_WriterName->Font()->SetSize(10);
    ED_WriterName->SetVisible(false);
    CB_WriterTypeKey = List(this, sheet, "CB_WriterTypeKey", 0, 0, 109, {});
    CB_WriterTypeKey->SetVisible(false);
    ME_KeyHex = Place<TExtMaskEdit>(this, sheet, "ME_KeyHex", 0, 0, 326, 22);
    ME_KeyHex->SetMaskType(TExtMaskEdit::msKeyHex8b);
    ME_KeyHex->SetEditMask("XX-HH-HH-HH-HH-HH-HH-HH");
    ME_KeyHex->SetText("0000000000000000");
    ME_KeyHex->SetFrame(0);
    SetFace(ME_KeyHex->Font(), "Courier New", -16, TFontStyles{fsBold});
    ME_KeyHex->SetVisible(false);

    constexpr int x = 790, w = 134;
    BTN_WriterRead =
        Captioned<TXpButton>(this, sheet, "BTN_WriterRead", "Прочитать"_a, x, 6, w, 34);
    BTN_WriterSave =
        Captioned<TXpButton>(this, sheet, "BTN_WriterSave", "Записать"_a, x, 46, w, 34);
    BTN_WriterReadFromFile = Captioned<TXpButton>(this, sheet, "BTN_WriterReadFromFile",
                                                  "Открыть файл..."_a, x, 100, w, 34);
    BTN_WriterSaveToFile =
        Captioned<TXpButton>(this, sheet, "BTN_WriterSaveToFile", "Сохранить..."_a, x, 140, w, 34);
    CHB_WriterMissNull = Captioned<TPngCheckBox>(this, sheet, "CHB_WriterMissNull",
                                                 "Спрятать пустые"_a, x, 194, w, 22);
    CHB_WriterMissNull->SetHint("Спрятать пустые ячейки"_a);
    BTN_StopWriter = Captioned<TXpButton>(this, sheet, "BTN_StopWriter", "Стоп"_a, x, 230, w, 34);
    BTN_StopWriter->SetHint("Остановить чтение и вывести данные"_a);
    BTN_StopWriter->SetEnabled(false);
    // Under the buttons, where it stays in sight however the grid scrolls.
    LB_WriterPartial = Place<TLabel>(this, sheet, "LB_WriterPartial", x, 274, w, 54);
    LB_WriterPartial->SetAutoSize(false);
    LB_WriterPartial->SetWordWrap(true);
    SetFace(LB_WriterPartial->Font(), "Tahoma", -13, TFontStyles{fsBold});
    LB_WriterPartial->Font()->SetColor(clRed);
    LB_WriterPartial->SetVisible(false);

    // Shown over the grid while an exchange runs: at the left while reading, further right
    // while writing.
    CHG_WriterStatus = Place<TGradientCheck>(this, sheet, "CHG_WriterStatus", 8, 51, 560, 32);
    CHG_WriterStatus->SetVisible(false);
    LB_WriterStatus = Place<TLabel>(this, CHG_WriterStatus, "LB_WriterStatus", 8, 8, 250, 18);
    PB_WriterStatus =
        Place<TProgressBar>(this, CHG_WriterStatus, "PB_WriterStatus", 266, 6, 286, 20);

    PM_WriterGridMenu = Component<TTBPopupMenu>(this, "PM_WriterGridMenu");
    TBI_PrintWriter =
        Item(this, PM_WriterGridMenu, "TBI_PrintWriter", "Печать записной книжки..."_a, 5);
    TBI_PrintWriterSelect =
        Item(this, PM_WriterGridMenu, "TBI_PrintWriterSelect", "Печать выделенной части..."_a, 6);
    Separator(this, PM_WriterGridMenu);
    TBI_WriterCopyGridClipboard =
        Item(this, PM_WriterGridMenu, "TBI_WriterCopyGridClipboard", "Копировать таблицу"_a, 2);
    Separator(this, PM_WriterGridMenu);
    TBI_WriterCopyClipboard = Item(this, PM_WriterGridMenu, "TBI_WriterCopyClipboard",
                                   "Копировать выделенную часть"_a, 0);
    TBI_WriterPasteClipboard =
        Item(this, PM_WriterGridMenu, "TBI_WriterPasteClipboard", "Вставить из буфера"_a, 1);
    Separator(this, PM_WriterGridMenu);
    TBI_AddCell = Item(this, PM_WriterGridMenu, "TBI_AddCell", "Вставить пустую строку"_a, 4);
    TBI_DeleteCell = Item(this, PM_WriterGridMenu, "TBI_DeleteCell", "Удалить строку"_a, 7);
    Separator(this, PM_WriterGridMenu);
    TBI_WriterClear =
        Item(this, PM_WriterGridMenu, "TBI_WriterClear", "Очистить выделенные ячейки"_a, 3);
    Separator(this, PM_WriterGridMenu);
    TBI_UndoWriterTable =
        Item(this, PM_WriterGridMenu, "TBI_UndoWriterTable", "Отменить последнее действие"_a, 8);

    DLG_WriterOpenGrid = Component<TOpenDialog>(this, "DLG_WriterOpenGrid");
    DLG_WriterSaveGrid = Component<TSaveDialog>(this, "DLG_WriterSaveGrid");
    ConnectWriterHandlers();
}

void TMainForm::ConnectWriterHandlers()
{
    BTN_WriterRead->OnClick = [this](TObject *Sender) { BTN_WriterReadClick(Sender); };
    BTN_WriterSave->OnClick = [this](TObject *Sender) { BTN_WriterSaveClick(Sender); };
    BTN_StopWriter->OnClick = [this](TObject *Sender) { BTN_StopWriterClick(Sender); };
    BTN_WriterReadFromFile->OnClick = [this](TObject *Sender) {
        BTN_WriterReadFromFileClick(Sender);
    };
    BTN_WriterSaveToFile->OnClick = [this](TObject *Sender) { BTN_WriterSaveToFileClick(Sender); };
    CHB_WriterMissNull->OnClick = [this](TObject *Sender) { CHB_WriterMissNullClick(Sender); };

    SG_Writer->OnDrawCell = [this](TObject *Sender, int ACol, int ARow, TRect Rect,
                                   TGridDrawState State) {
        SG_WriterDrawCell(Sender, ACol, ARow, Rect, State);
    };
    SG_Writer->OnKeyPress = [this](TObject *Sender, char &Key) { SG_WriterKeyPress(Sender, Key); };
    SG_Writer->OnDblClick = [this](TObject *Sender) { SG_WriterDblClick(Sender); };
    SG_Writer->OnMouseDown = [this](TObject *Sender, TMouseButton Button, TShiftState Shift, int X,
                                    int Y) { SG_WriterMouseDown(Sender, Button, Shift, X, Y); };
    SG_Writer->OnMouseUp = [this](TObject *Sender, TMouseButton Button, TShiftState Shift, int X,
                                  int Y) { SG_WriterMouseUp(Sender, Button, Shift, X, Y); };
    SG_Writer->OnMouseMove = [this](TObject *Sender, TShiftState Shift, int X, int Y) {
        SG_WriterMouseMove(Sender, Shift, X, Y);
    };
    SG_Writer->OnMouseWheel = [this](TObject *Sender, TShiftState Shift, int WheelDelta,
                                     TPoint MousePos, bool &Handled) {
        SG_WriterMouseWheel(Sender, Shift, WheelDelta, MousePos, Handled);
    };
    SG_Writer->OnRowMoved = [this](TObject *Sender, int FromIndex, int ToIndex) {
        SG_WriterRowMoved(Sender, FromIndex, ToIndex);
    };

    ED_WriterName->OnEnter = [this](TObject *Sender) { ED_WriterNameEnter(Sender); };
    ED_WriterName->OnExit = [this](TObject *Sender) { ED_WriterNameExit(Sender); };
    ED_WriterName->OnKeyPress = [this](TObject *Sender, char &Key) {
        ED_WriterNameKeyPress(Sender, Key);
    };
    CB_WriterTypeKey->OnEnter = [this](TObject *Sender) { CB_WriterTypeKeyEnter(Sender); };
    CB_WriterTypeKey->OnExit = [this](TObject *Sender) { CB_WriterTypeKeyExit(Sender); };
    CB_WriterTypeKey->OnKeyPress = [this](TObject *Sender, char &Key) {
        CB_WriterTypeKeyKeyPress(Sender, Key);
    };
    ME_KeyHex->OnExit = [this](TObject *Sender) { ME_KeyHexExit(Sender); };
    ME_KeyHex->OnKeyPress = [this](TObject *Sender, char &Key) { ME_KeyHexKeyPress(Sender, Key); };

    const std::pair<TTBItem *, void (TMainForm::*)(TObject *)> items[] = {
        {TBI_WriterCopyGridClipboard, &TMainForm::TBI_WriterCopyGridClipboardClick},
        {TBI_WriterCopyClipboard, &TMainForm::TBI_WriterCopyClipboardClick},
        {TBI_WriterPasteClipboard, &TMainForm::TBI_WriterPasteClipboardClick},
        {TBI_AddCell, &TMainForm::TBI_AddCellClick},
        {TBI_DeleteCell, &TMainForm::TBI_DeleteCellClick},
        {TBI_WriterClear, &TMainForm::TBI_WriterClearClick},
        {TBI_UndoWriterTable, &TMainForm::TBI_UndoWriterTableClick}};
    for (const auto &[item, handler] : items)
        item->OnClick = [this, handler = handler](TObject *Sender) { (this->*handler)(Sender); };
}

void TMainForm::CreateArchiveSheet()
{
    // The grid takes the whole width so its six columns fit; the controls sit below it.
    TWinControl *sheet = Sheet_Archive;
    SG_Archive = Place<TStringGrid>(this, sheet, "SG_Archive", 6, 6, 917, 440);
    SG_Archive->SetOptions(SG_Archive->Options() + TGridOptions{goColSizing});
    SG_Archive->OnDrawCell = [this](TObject *Sender, int ACol, int ARow, TRect Rect,
                                    TGridDrawState State) {
        SG_ArchiveDrawCell(Sender, ACol, ARow, Rect, State);
    };
    SG_Archive->OnMouseDown = [this](TObject *Sender, TMouseButton Button, TShiftState Shift, int X,
                                     int Y) { SG_ArchiveMouseDown(Sender, Button, Shift, X, Y); };

    BTN_ReadFromArchive = Captioned<TXpButton>(
        this, sheet, "BTN_ReadFromArchive", "Прочитать данные из устройства"_a, 536, 452, 230, 34);
    BTN_StopArchive =
        Captioned<TXpButton>(this, sheet, "BTN_StopArchive", "Стоп"_a, 772, 452, 150, 34);
    BTN_StopArchive->SetEnabled(false);
    BTN_StopArchive->SetHint("Остановить чтение и вывести данные"_a);
    BTN_ReadFromArchive->OnClick = [this](TObject *Sender) { BTN_ReadFromArchiveClick(Sender); };
    BTN_StopArchive->OnClick = [this](TObject *Sender) { BTN_StopArchiveClick(Sender); };
    CHB_MissRead = Captioned<TPngCheckBox>(this, sheet, "CHB_MissRead", "Пропуск прочитанных"_a,
                                           536, 494, 230, 22);
    BTN_ClipboardArchive = Captioned<TXpButton>(this, sheet, "BTN_ClipboardArchive", "Копировать"_a,
                                                536, 524, 120, 30);
    BTN_ClipboardArchive->SetHint("Копировать таблицу в буфер обмена"_a);
    BTN_ClipboardArchive->OnClick = [this](TObject *Sender) { BTN_ClipboardArchiveClick(Sender); };
    BTN_PrintArchive =
        Captioned<TXpButton>(this, sheet, "BTN_PrintArchive", "Печать"_a, 662, 524, 120, 30);
    BTN_PrintArchive->SetHint("Печать архива"_a);
    BTN_Tovcheck =
        Captioned<TXpButton>(this, sheet, "BTN_Tovcheck", "Товарный чек"_a, 788, 524, 134, 30);
    BTN_Tovcheck->SetHint("Печать товарного чека"_a);
    ED_Search = Place<TValidateEdit>(this, sheet, "ED_Search", 536, 566, 230, 26);
    ED_Search->SetHint("Быстрый поиск по таблице"_a);
    BTN_Search = Captioned<TXpButton>(this, sheet, "BTN_Search", "Найти"_a, 772, 564, 150, 30);
    BTN_Search->SetHint("Найти следующую запись"_a);
    BTN_Search->OnClick = [this](TObject *Sender) { BTN_SearchClick(Sender); };

    CHG_ArchiveCount = Place<TGradientCheck>(this, sheet, "CHG_ArchiveCount", 6, 452, 520, 110);
    CHB_AllArchive = Captioned<TPngCheckBox>(this, CHG_ArchiveCount, "CHB_AllArchive",
                                             "Весь архив"_a, 10, 8, 120, 22);
    CHB_AllArchive->SetChecked(true);
    CHB_AllArchive->OnClick = [this](TObject *Sender) { CHB_AllArchiveClick(Sender); };
    AddCaption(this, CHG_ArchiveCount, "с"_a, 10, 40, 16);
    DTP_ArchiveCountFrom =
        Place<TDateTimePicker>(this, CHG_ArchiveCount, "DTP_ArchiveCountFrom", 28, 40, 160, 24);
    DTP_ArchiveCountFrom->SetHint("Начальное значение"_a);
    AddCaption(this, CHG_ArchiveCount, "по"_a, 196, 40, 22);
    DTP_ArchiveCountTo =
        Place<TDateTimePicker>(this, CHG_ArchiveCount, "DTP_ArchiveCountTo", 220, 40, 160, 24);
    DTP_ArchiveCountTo->SetHint("Конечное значение"_a);
    for (TDateTimePicker *picker : {DTP_ArchiveCountFrom, DTP_ArchiveCountTo})
        picker->OnChange = [this](TObject *Sender) { DTP_ArchiveCountChange(Sender); };
    const std::pair<TShadowLabel **, const char *> sums[] = {{&SL_Dallas, "SL_Dallas"},
                                                             {&SL_Metacom, "SL_Metacom"},
                                                             {&SL_Cyfral, "SL_Cyfral"},
                                                             {&SL_Proxy, "SL_Proxy"}};
    for (int type = 0; type < 4; ++type) {
        AddCaption(this, CHG_ArchiveCount, KeyTypeNames[type][0] + ":", 10 + 126 * type, 76, 72);
        *sums[type].first = Captioned<TShadowLabel>(this, CHG_ArchiveCount, sums[type].second, "0",
                                                    84 + 126 * type, 79, 48, 18);
    }

    // Beside the sums, which it is about.
    LB_ArchivePartial =
        Place<TLabel>(this, CHG_ArchiveCount, "LB_ArchivePartial", 140, 10, 370, 20);
    LB_ArchivePartial->SetAutoSize(false);
    LB_ArchivePartial->SetTransparent(true);
    SetFace(LB_ArchivePartial->Font(), "Tahoma", -13, TFontStyles{fsBold});
    LB_ArchivePartial->Font()->SetColor(clRed);
    LB_ArchivePartial->SetVisible(false);

    CHG_ArchiveStatus = Place<TGradientCheck>(this, sheet, "CHG_ArchiveStatus", 6, 570, 520, 32);
    CHG_ArchiveStatus->SetVisible(false);
    Label_ArchiveStatus =
        Place<TLabel>(this, CHG_ArchiveStatus, "Label_ArchiveStatus", 8, 8, 250, 18);
    Bar_Archive = Place<TProgressBar>(this, CHG_ArchiveStatus, "Bar_Archive", 266, 6, 246, 20);

    PM_CopyClipboard = Component<TTBPopupMenu>(this, "PM_CopyClipboard");
    TBI_CopyClipboard =
        Item(this, PM_CopyClipboard, "TBI_CopyClipboard", "Копировать в буфер обмена"_a);
    TBI_CopyClipboard->OnClick = [this](TObject *Sender) { TBI_CopyClipboardClick(Sender); };
    PIL_ArchiveSort = Component<TPngImageList>(this, "PIL_ArchiveSort");
    CreateArchiveSortImages();
}

void TMainForm::CreateConfigureSheet()
{
    TWinControl *sheet = Sheet_Configure;
    AddCaption(this, sheet, "Наименование товара:"_a, 16, 16, 170);
    ED_ProductName = Place<TValidateEdit>(this, sheet, "ED_ProductName", 190, 16, 300, 24);
    CHB_TypeKey = Captioned<TPngCheckBox>(this, sheet, "CHB_TypeKey", "Печать типа ключа"_a, 190,
                                          48, 200, 22);
    CHB_KeyHex =
        Captioned<TPngCheckBox>(this, sheet, "CHB_KeyHex", "Печать кода ключа"_a, 190, 74, 200, 22);
    for (TPngCheckBox *box : {CHB_TypeKey, CHB_KeyHex})
        box->OnClick = [this](TObject *Sender) { CHB_AllArchiveClick(Sender); };

    const std::pair<TValidateEdit **, const char *> prices[] = {{&ED_Dallas, "ED_Dallas"},
                                                                {&ED_Metacom, "ED_Metacom"},
                                                                {&ED_Cyfral, "ED_Cyfral"},
                                                                {&ED_Proxy, "ED_Proxy"}};
    AddCaption(this, sheet, "Цены ключей:"_a, 16, 112, 170);
    for (int type = 0; type < 4; ++type) {
        AddCaption(this, sheet, KeyTypeNames[type][0] + ":", 190, 112 + 30 * type, 90);
        *prices[type].first =
            Place<TValidateEdit>(this, sheet, prices[type].second, 290, 112 + 30 * type, 100, 24);
    }

    const std::tuple<TValidateEdit **, const char *, AnsiString> seller[] = {
        {&ED_SellerName, "ED_SellerName", "Продавец:"_a},
        {&ED_SellerAddress, "ED_SellerAddress", "Адрес:"_a},
        {&ED_SellerBank, "ED_SellerBank", "Реквизиты:"_a}};
    for (int i = 0; i < 3; ++i) {
        auto &[edit, name, caption] = seller[i];
        AddCaption(this, sheet, caption, 16, 250 + 30 * i, 170);
        *edit = Place<TValidateEdit>(this, sheet, name, 190, 250 + 30 * i, 500, 24);
    }

    BTN_LoadBios =
        Captioned<TXpButton>(this, sheet, "BTN_LoadBios", "Загрузить прошивку"_a, 16, 370, 200, 34);
    BTN_LoadBios->OnClick = [this](TObject *Sender) { BTN_LoadBiosClick(Sender); };
    BTN_LoadFonts =
        Captioned<TXpButton>(this, sheet, "BTN_LoadFonts", "Загрузить шрифты"_a, 226, 370, 200, 34);
    BTN_LoadFonts->OnClick = [this](TObject *Sender) { BTN_LoadFontsClick(Sender); };
    BTN_InternetUpdate = Captioned<TXpButton>(this, sheet, "BTN_InternetUpdate",
                                              "Обновить ПО прибора"_a, 436, 370, 220, 34);
    BTN_InternetUpdate->OnClick = [this](TObject *Sender) { BTN_InternetUpdateClick(Sender); };
    BTN_StopInternet =
        Captioned<TXpButton>(this, sheet, "BTN_StopInternet", "Стоп"_a, 666, 370, 90, 34);
    BTN_StopInternet->SetHint("Остановить загрузку"_a);
    BTN_StopInternet->SetVisible(false);
    BTN_StopInternet->OnClick = [this](TObject *Sender) { BTN_StopInternetClick(Sender); };
    NMHTTP_Update = Component<TNMHTTP>(this, "NMHTTP_Update");
    NMHTTP_Update->OnConnect = [this](TObject *Sender) { NMHTTP_UpdateConnect(Sender); };
    NMHTTP_Update->OnFailure = [this](TObject *Sender, int Cmd) {
        NMHTTP_UpdateFailure(Sender, Cmd);
    };
    NMHTTP_Update->OnPacketRecvd = [this](TObject *Sender) { NMHTTP_UpdatePacketRecvd(Sender); };
    CHG_LoadBios = Place<TGradientCheck>(this, sheet, "CHG_LoadBios", 16, 414, 740, 32);
    CHG_LoadBios->SetVisible(false);
    LB_LoadBios = Place<TLabel>(this, CHG_LoadBios, "LB_LoadBios", 8, 8, 320, 18);
    PB_LoadBios = Place<TProgressBar>(this, CHG_LoadBios, "PB_LoadBios", 336, 6, 396, 20);
    DLG_LoadBios = Component<TOpenDialog>(this, "DLG_LoadBios");
}

void TMainForm::CreateOptionsSheet()
{
    TWinControl *sheet = Sheet_Options;
    BTN_OptionsRead = Captioned<TXpButton>(this, sheet, "BTN_OptionsRead",
                                           "Прочитать настройки прибора"_a, 16, 10, 240, 34);
    BTN_OptionsSave = Captioned<TXpButton>(this, sheet, "BTN_OptionsSave",
                                           "Записать настройки прибора"_a, 266, 10, 240, 34);
    BTN_OptionsRead->OnClick = [this](TObject *Sender) { BTN_OptionsReadClick(Sender); };
    BTN_OptionsSave->OnClick = [this](TObject *Sender) { BTN_OptionsSaveClick(Sender); };
    CHG_OptionsStatus = Place<TGradientCheck>(this, sheet, "CHG_OptionsStatus", 516, 10, 400, 34);
    CHG_OptionsStatus->SetVisible(false);
    LB_OptionsStatus = Place<TLabel>(this, CHG_OptionsStatus, "LB_OptionsStatus", 8, 8, 180, 18);
    PB_OptionsStatus =
        Place<TProgressBar>(this, CHG_OptionsStatus, "PB_OptionsStatus", 196, 7, 196, 20);

    // Counters, limits and the last code: read only. The written counts and the limits
    // stand in a row per key type under their two titles.
    AddCaption(this, sheet, "Счетчик стертых:"_a, 16, 60, 130);
    LB_OptionsCounterRead =
        Captioned<TLabel>(this, sheet, "LB_OptionsCounterRead", "0", 150, 63, 80, 18);
    constexpr int typeLeft = 250, savedLeft = 340, limitLeft = 490, firstRow = 80, rowStep = 22;
    AddCaption(this, sheet, "Счетчик записанных"_a, savedLeft, 56, 140);
    AddCaption(this, sheet, "Лимит"_a, limitLeft, 56, 96);
    const std::tuple<TShadowLabel **, TShadowLabel **, const char *, const char *> counters[] = {
        {&SL_OptionsCounterSavedDallas, &SL_OptionsLimitDallas, "SL_OptionsCounterSavedDallas",
         "SL_OptionsLimitDallas"},
        {&SL_OptionsCounterSavedMetacom, &SL_OptionsLimitMetacom, "SL_OptionsCounterSavedMetacom",
         "SL_OptionsLimitMetacom"},
        {&SL_OptionsCounterSavedCyfral, &SL_OptionsLimitCyfral, "SL_OptionsCounterSavedCyfral",
         "SL_OptionsLimitCyfral"},
        {&SL_OptionsCounterSavedProxy, &SL_OptionsLimitProxy, "SL_OptionsCounterSavedProxy",
         "SL_OptionsLimitProxy"}};
    for (int type = 0; type < 4; ++type) {
        auto &[saved, limit, savedName, limitName] = counters[type];
        const int y = firstRow + rowStep * type;
        AddCaption(this, sheet, KeyTypeNames[type][0] + ":", typeLeft, y, 86);
        *saved = Captioned<TShadowLabel>(this, sheet, savedName, "0", savedLeft, y + 3, 96, 18);
        *limit = Captioned<TShadowLabel>(this, sheet, limitName, "0", limitLeft, y + 3, 96, 18);
    }
    AddCaption(this, sheet, "Последний код"_a, 640, 56, 260);
    AddCaption(this, sheet, "созданного ключа"_a, 640, 74, 260);
    SL_OptionsLastCode = Captioned<TShadowLabel>(this, sheet, "SL_OptionsLastCode",
                                                 "00 00 00 00 00 00 00 00", 640, 100, 260, 18);
    AddCaption(this, sheet, "Версия ПО:"_a, 640, 124, 90);
    SL_BiosVersion = Captioned<TShadowLabel>(this, sheet, "SL_BiosVersion", "", 740, 127, 90, 18);

    // The user settings, in two columns.
    constexpr int left = 16, right = 480, labelWidth = 230, boxWidth = 200;
    auto rowTop = [](int Index) { return 176 + 34 * Index; };
    auto row = [&](int Column, int Index, const AnsiString &Text, const char *Name,
                   std::initializer_list<const char *> Items) {
        const int y = rowTop(Index);
        AddCaption(this, sheet, Text, Column, y, labelWidth);
        return List(this, sheet, Name, Column + labelWidth, y, boxWidth, Items);
    };
    CB_OptionsSoundKeys =
        row(left, 0, "Звук клавиш:"_a, "CB_OptionsSoundKeys", {"Без звука", "Щелчок", "Тон"});
    CB_OptionsSoundSaveRead = row(left, 1, "Звук записи/чтения:"_a, "CB_OptionsSoundSaveRead",
                                  {"Без звука", "Щелчок", "Тон"});
    std::initializer_list<const char *> seconds = {"0",  "1",  "2",  "3",  "4",  "5",  "6",
                                                   "7",  "8",  "9",  "10", "11", "12", "13",
                                                   "14", "15", "16", "17", "18", "19", "20"};
    CB_OptionsLightBattTime =
        row(left, 2, "Подсветка от батарей, сек:"_a, "CB_OptionsLightBattTime", seconds);
    CB_OptionsLightBattTimeOff =
        row(left, 3, "Отключение от батарей, сек:"_a, "CB_OptionsLightBattTimeOff", {});
    // A screen colour: its caption, the track bar choosing it and the picture showing it.
    auto colourRow = [&](int Row, const AnsiString &Text, const char *BarName,
                         const char *ImageName, void (TMainForm::*OnChange)(TObject *),
                         TTrackBar *&Bar, TImage *&Image) {
        const int y = rowTop(Row);
        AddCaption(this, sheet, Text, left, y, labelWidth);
        Bar = Place<TTrackBar>(this, sheet, BarName, left + labelWidth, y, 160, 30);
        Bar->SetPageSize(1);
        Bar->OnChange = [this, OnChange](TObject *Sender) { (this->*OnChange)(Sender); };
        Image = Place<TImage>(this, sheet, ImageName, left + labelWidth + 166, y, 34, 26);
    };
    colourRow(4, "Цвет экрана от батарей:"_a, "TB_OptionsLightBattColors",
              "IMG_OptionsLightBattColors", &TMainForm::TB_OptionsLightBattColorsChange,
              TB_OptionsLightBattColors, IMG_OptionsLightBattColors);
    CB_OptionsLightBPTime =
        row(left, 5, "Подсветка от сети, сек:"_a, "CB_OptionsLightBPTime", seconds);
    CB_OptionsLightBPTimeOff =
        row(left, 6, "Отключение от сети, сек:"_a, "CB_OptionsLightBPTimeOff", {});
    colourRow(7, "Цвет экрана от сети:"_a, "TB_OptionsLightBPColors", "IMG_OptionsLightBPColors",
              &TMainForm::TB_OptionsLightBPColorsChange, TB_OptionsLightBPColors,
              IMG_OptionsLightBPColors);
    PIL_OptionsLightBPColors = Component<TPngImageList>(this, "PIL_OptionsLightBPColors");
    CreateLcdColourPictures();
    CB_OptionsContrast = row(left, 8, "Контрастность:"_a, "CB_OptionsContrast", {});

    CB_OptionsSettTypeTM = row(right, 0, "Контактные заготовки:"_a, "CB_OptionsSettTypeTM", {});
    FillContactBlankTypes(false);
    CB_OptionsSettTypeRFID = row(right, 1, "Бесконтактные заготовки:"_a, "CB_OptionsSettTypeRFID",
                                 {"Автомат.", "ПР-5С", "ПР-51", "ПР-54", "ПР-57"});
    CB_OptionsSettSaveModeDallas =
        row(right, 2, "Режим записи Даллас:"_a, "CB_OptionsSettSaveModeDallas",
            {"Даллас без финализ.", "Даллас с финализ."});
    CB_OptionsSettSaveModeCyfral =
        row(right, 3, "Режим записи Цифрал:"_a, "CB_OptionsSettSaveModeCyfral",
            {"Цифрал-1", "Цифрал-2", "Цифрал-3", "Цифрал-4", "Цифрал-1 с финализ.",
             "Цифрал-2 с финализ.", "Цифрал-3 с финализ.", "Цифрал-4 с финализ."});
    CB_OptionsSettSaveModeMetacom =
        row(right, 4, "Режим записи Метаком:"_a, "CB_OptionsSettSaveModeMetacom",
            {"Метаком-1", "Метаком-2", "Метаком-1 с финализ.", "Метаком-2 с финализ."});
    CB_OptionsSettSaveModeProxy =
        row(right, 5, "Режим записи Прокси:"_a, "CB_OptionsSettSaveModeProxy",
            {"Прокси без финализ.", "Прокси с финализ."});
    CB_OptionsSettReadMode = row(right, 6, "Режим чтения:"_a, "CB_OptionsSettReadMode",
                                 {"Автомат", "Цифрал", "Метаком", "Даллас", "Прокси"});
    CB_OptionsArchiveSave = row(right, 7, "Архив:"_a, "CB_OptionsArchiveSave",
                                {"Все ключи", "Записанные", "Отключено"});
}

void TMainForm::CreateInfoSheet()
{
    TS_InfoList = Place<TTabSet>(this, Sheet_Info, "TS_InfoList", 6, 574, 800, 28);
    for (const char *caption : {"Инструкция по программе", "Инструкция по прибору",
                                "Фотографии цифралов", "Восстановление!"})
        TS_InfoList->Tabs()->Add(AnsiString::FromUtf8(caption));
    BTN_InfoPrint =
        Captioned<TXpButton>(this, Sheet_Info, "BTN_InfoPrint", "Печать"_a, 814, 572, 110, 30);
    BTN_InfoPrint->OnClick = [this](TObject *Sender) { BTN_InfoPrintClick(Sender); };
    TS_InfoList->SetTabIndex(0);
    TS_InfoList->OnChange = [this](TObject *Sender, int NewTab, bool &AllowChange) {
        TS_InfoListChange(Sender, NewTab, AllowChange);
    };
    WEB_InfoMht = Place<TCppWebBrowser>(this, Sheet_Info, "WEB_InfoMht", 6, 6, 917, 560);
    WEB_InfoMht->OnNavigateComplete2 = [this](TObject *Sender, IUnknown *pDisp,
                                              const AnsiString &URL) {
        WEB_InfoMhtNavigateComplete2(Sender, pDisp, URL);
    };
}
