#include "link/main_form.h"

#include "link/config.h"
#include "link/constants.h"
#include "link/grid_helpers.h"
#include "operations/web_host_handler.h"
#include "platform/rtl/AtomicFile.h"
#include "platform/rtl/ClassesThreads.h"
#include "platform/rtl/FileAccess.h"
#include "platform/win/SysParams.h"

#include <algorithm>
#include <thread>

TMainForm *MainForm = nullptr;

namespace
{

const AnsiString NoWriteRight = "Нет права записи, изменения не будут сохранены:"_a;
const AnsiString SaveFailed = "Не удалось сохранить, прежний файл оставлен:"_a;
const AnsiString NotSaved = "Не удалось сохранить:"_a;
const AnsiString DamagedSettings = "Файл настроек повреждён, часть настроек взята по умолчанию:"_a;
const AnsiString FirmwareLeftIncomplete = "Прошивка в приборе останется неполной: загрузите её "
                                          "заново, иначе прибор не будет работать."_a;

// Why a file the program keeps its settings in was not written; Error, the system's error of
// the write when there was one (above 0), is told after it in the words a failed download uses.
AnsiString SettingsFailure(const AnsiString &FileName, int Error)
{
    if (!rtl::CanReplaceFile(FileName)) return NoWriteRight;
    const AnsiString &text = FileExists(FileName) ? SaveFailed : NotSaved;
    return Error > 0 ? text + " "_a + rtl::FileErrorText(Error) : text;
}

// Where a window of Width x Height wanted at Left, Top fits on the work area of the monitor
// nearest to it; a window larger than the area keeps its top left corner on it.
TPoint FittedPosition(int Left, int Top, int Width, int Height)
{
    const RECT wanted{Left, Top, Left + Width, Top + Height};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromRect(&wanted, MONITOR_DEFAULTTONEAREST), &info))
        return TPoint(Left, Top);
    const RECT &work = info.rcWork;
    return TPoint(std::max<int>(work.left, std::min<int>(Left, work.right - Width)),
                  std::max<int>(work.top, std::min<int>(Top, work.bottom - Height)));
}

} // namespace

TMainForm::TMainForm(TComponent *AOwner) : TForm(AOwner)
{
    CreateControls();

    DecimalSeparator = '.';
    ThousandSeparator = ' ';

    // From the first file on: the settings are read below.
    rtl::FileLeftAlone = [this](const std::string &Path, int Error) { FileLeftAlone(Path, Error); };
    WebHost = new TWebHostHandler;
    DeleteInfoPages();
    // A program killed while it saved left its new file beside the old one.
    for (const AnsiString &file : {Config.FilePath(), GridArchiveFile, GridWriterFile})
        rtl::RemoveStaleReplacements(file);
    // A missing file is written with the defaults first; then what is there is read.
    const int written = FileExists(Config.FilePath()) ? 0 : WriteConfig(Config);
    ReadConfig(Config);
    DeleteFile(Config.DebugFile);

    EnumComPorts(ComPortList);
    ShowOnlineIcon(0);
    FillComPortCombo(Config.COM_port);

    PC_Tabs->SetActivePage(Sheet_Writer);
    for (TWinControl *control : std::initializer_list<TWinControl *>{
             PC_Tabs, Sheet_Archive, Sheet_Writer, Sheet_Configure, Sheet_Info})
        control->SetDoubleBuffered(true);
    SetupArchiveGrid();
    SetupWriterGrid();
    ResetExchange();
    SetCaption(VersionText);
    FillControlsFromConfig();

    for (TDateTimePicker *picker : {DTP_ArchiveCountFrom, DTP_ArchiveCountTo}) {
        picker->SetEnabled(false);
        picker->SetDateTime(Now());
    }
    FillOptionLists();

    CHB_WriterMissNull->SetChecked(false);
    CB_WriterTypeKey->Items()->Clear();
    for (const auto &names : KeyTypeNames)
        CB_WriterTypeKey->Items()->Add(names[0]);
    ED_WriterName->SetText("");

    BiosFileName = Config.Bios_file;
    FontsFileName = Config.Fonts_file;
    BTN_OptionsSave->SetEnabled(false);
    UpdateRunning = false;
    CheckSettingsFile(written);
}

void TMainForm::CheckSettingsFile(int WriteError)
{
    const AnsiString path = Config.FilePath();
    // Still missing: the defaults could not be written (a full disk), nor will later changes.
    if (!rtl::CanReplaceFile(path) || !FileExists(path))
        SettingsNotKept(path, WriteError);
    else if (Config.Damaged)
        ShowStatusMessage(DamagedSettings, path, smError);
}

AnsiString TMainForm::SettingsNotKeptText(const AnsiString &FileName, int Error) const
{
    const auto left = FLeftAlone.find(rtl::SystemPath(FileName));
    return left != FLeftAlone.end() ? LeftAloneText(left->second)
                                    : SettingsFailure(FileName, Error);
}

// What a close tells when the settings the window shows are not in their file after its
// write gave Error; empty when they are.
AnsiString TMainForm::SettingsLostOnClose(int Error) const
{
    if (Error == 0 || FileHoldsConfig(Config)) return AnsiString();
    return SettingsNotKeptText(Config.FilePath(), Error) + "\n" + Config.FilePath();
}

void TMainForm::SettingsNotKept(const AnsiString &FileName, int Error)
{
    const AnsiString text = SettingsNotKeptText(FileName, Error);
    if (text + FileName == FSettingsWarning) return;
    FSettingsWarning = text + FileName;
    // A file left alone for a link was told when the link was met.
    if (!FLeftAlone.contains(rtl::SystemPath(FileName))) ShowStatusMessage(text, FileName, smError);
}

// The help pages stay until the next start deletes them: nothing in them is the user's, and
// the next start writes them anew.
TMainForm::~TMainForm()
{
    // A page's document may hold the host a little longer; the last reference frees it.
    WebHost->Release();
    rtl::FileLeftAlone = nullptr;
}

void TMainForm::FileLeftAlone(const std::string &Path, int Error)
{
    if (!FLeftAlone.emplace(Path, Error).second) return;
    const AnsiString text = LeftAloneText(Error);
    const AnsiString file = rtl::FromSystemPath(Path);
    SayOnTerminal(text + " " + file);
    // A file written by another thread is told on the terminal alone.
    if (std::this_thread::get_id() != rtl::MainThreadID()) return;
    // Files left alone one after another are named together while the line shows them.
    const bool more = SystemMessTimer->Enabled() && text == FLeftAloneText &&
                      StatusBarMain->SimpleText() == "  " + text + "  " + FLeftAloneFiles;
    FLeftAloneText = text;
    FLeftAloneFiles = more ? FLeftAloneFiles + ", " + file : file;
    ShowStatusMessage(text, FLeftAloneFiles, smError);
}

void TMainForm::FillControlsFromConfig()
{
    ED_Dallas->SetText(FloatToStr(Config.PriceDallas));
    ED_Metacom->SetText(FloatToStr(Config.PriceMetacom));
    ED_Cyfral->SetText(FloatToStr(Config.PriceCyfral));
    ED_Proxy->SetText(FloatToStr(Config.PriceProxy));
    ED_SellerName->SetText(Config.SellerName);
    ED_SellerAddress->SetText(Config.SellerAddress);
    ED_SellerBank->SetText(Config.SellerBank);
    ED_ProductName->SetText(Config.ProductName);
    CHB_TypeKey->SetChecked(Config.TypeKey);
    CHB_KeyHex->SetChecked(Config.KeyHex);
}

void TMainForm::FillOptionLists()
{
    FillBacklightOffTimes();
    for (TComboBox *box : {CB_OptionsLightBPTimeOff, CB_OptionsLightBattTimeOff}) {
        box->Items()->Clear();
        for (std::size_t i = 0; i + 1 < BacklightOffTimes.size(); ++i)
            box->Items()->Add(IntToStr(BacklightOffTimes[i]));
        box->Items()->Add("Откл."_a);
        box->SetItemIndex(0);
    }
    for (TTrackBar *bar : {TB_OptionsLightBPColors, TB_OptionsLightBattColors}) {
        bar->SetMin(0);
        bar->SetMax(LcdLevelCount - 1);
    }
    TB_OptionsLightBPColorsChange(TB_OptionsLightBPColors);
    TB_OptionsLightBattColorsChange(TB_OptionsLightBattColors);
    CB_OptionsContrast->Items()->Clear();
    for (int value = 0; value <= 100; value += 2)
        CB_OptionsContrast->Items()->Add(IntToStr(value));
    CB_OptionsContrast->SetItemIndex(0);
}

// ---- status line ----

void TMainForm::ShowStatusMessage(const AnsiString &Text, const AnsiString &Detail, int MessageKind)
{
    // Stopped and started again, so the line stays for the full time after the last message.
    SystemMessTimer->SetEnabled(false);
    StatusBarMain->SetSimpleText("  " + Text + "  " + Detail);
    StatusBarMain->SetColor(MessageKind == smNotice  ? clLime
                            : MessageKind == smError ? clRed
                                                     : clBtnFace);
    SystemMessTimer->SetEnabled(true);
}

void TMainForm::SystemMessTimerTimer(TObject *)
{
    StatusBarMain->SetSimpleText("");
    StatusBarMain->SetColor(clBtnFace);
    SystemMessTimer->SetEnabled(false);
}

// ---- busy state ----

void TMainForm::SetBusy(bool Enabled)
{
    for (TControl *control :
         std::initializer_list<TControl *>{BTN_OpenCOMPort, CB_ComPorts, CB_ComSpeeds})
        control->SetEnabled(Enabled);
    Screen->SetCursor(Enabled ? crDefault : crAppStart);

    TTabSheet *page = PC_Tabs->ActivePage();
    if (page == Sheet_Archive) {
        for (TControl *control : std::initializer_list<TControl *>{
                 BTN_ReadFromArchive, CHB_MissRead, BTN_ClipboardArchive, BTN_PrintArchive,
                 ED_Search, BTN_Search, BTN_Tovcheck, CHG_ArchiveCount, SG_Archive})
            control->SetEnabled(Enabled);
        BTN_StopArchive->SetEnabled(!Enabled);
        CHG_ArchiveStatus->SetVisible(!Enabled);
    } else if (page == Sheet_Options) {
        BTN_OptionsRead->SetEnabled(Enabled);
        // A write in the middle of a read would send a form that is half old, half new.
        BTN_OptionsSave->SetEnabled(Enabled && OptionsRead);
        CHG_OptionsStatus->SetVisible(!Enabled);
    } else if (page == Sheet_Writer) {
        for (TControl *control : std::initializer_list<TControl *>{
                 BTN_WriterRead, BTN_WriterSave, BTN_WriterReadFromFile, BTN_WriterSaveToFile,
                 CHB_WriterMissNull, SG_Writer})
            control->SetEnabled(Enabled);
        BTN_StopWriter->SetEnabled(!Enabled && WriterReadStep != -1);
        CHG_WriterStatus->SetVisible(!Enabled);
    } else if (page == Sheet_Configure) {
        for (TControl *control : std::initializer_list<TControl *>{
                 ED_ProductName, CHB_TypeKey, CHB_KeyHex, ED_Dallas, ED_Metacom, ED_Cyfral,
                 ED_Proxy, ED_SellerName, ED_SellerAddress, ED_SellerBank, BTN_LoadBios,
                 BTN_LoadFonts, BTN_InternetUpdate})
            control->SetEnabled(Enabled);
        CHG_LoadBios->SetVisible(!Enabled);
    }
}

// ---- grids ----

void TMainForm::SetupGrid(TStringGrid *Grid, const std::vector<AnsiString> &Titles,
                          const int *Widths, std::vector<std::unique_ptr<TFont>> &Fonts)
{
    Grid->SetDoubleBuffered(true);
    Grid->Font()->SetColor(clWindowText);
    Grid->Font()->SetSize(10);
    Grid->SetFixedColor(clGradientActiveCaption);
    Grid->SetColCount(static_cast<int>(Titles.size()));
    Grid->SetRowHeights(0, 20);
    Fonts.clear();
    for (int col = 0; col < static_cast<int>(Titles.size()); ++col) {
        Grid->SetCells(col, 0, Titles[col]);
        Grid->SetColWidths(col, Widths[col]);
        auto font = std::make_unique<TFont>();
        font->SetColor(clBlack);
        if (col + 1 < static_cast<int>(Titles.size())) {
            font->SetName("Tahoma");
            font->SetSize(10);
        } else {
            // The key code reads best in a fixed-pitch face.
            font->SetName("Courier New");
            font->SetSize(12);
            font->SetStyle(TFontStyles{fsBold});
        }
        Fonts.push_back(std::move(font));
    }
}

void TMainForm::SetupArchiveGrid()
{
    SetupGrid(
        SG_Archive,
        {"№ п/п"_a, "Дата время"_a, "Тип ключа"_a, "Режим записи"_a, "Кол-во"_a, "Код ключа"_a},
        ArchiveColumnWidths.data(), ArchiveColumnFonts);
    ArchiveSortColumn = 0;
    ArchiveSortDescending = false;
    constexpr TColor paleYellow = RGB(255, 255, 220);
    ArchiveRowColours = {clWhite, clWhite, clWhite, paleYellow, clWhite, paleYellow};
    // Until it is read the archive is empty, and shows as such: its title row alone, rather than
    // the blank rows and selected cell of a new grid.
    FillArchiveGrid();
}

void TMainForm::SetupWriterGrid()
{
    SetupGrid(SG_Writer, {"№ ячейки"_a, "Имя"_a, "Тип ключа"_a, "Код ключа"_a},
              WriterColumnWidths.data(), WriterColumnFonts);
}

// ---- activation, closing, tabs ----

std::array<std::pair<TStringGrid *, AnsiString>, 2> TMainForm::Layouts() const
{
    return {{{SG_Archive, GridArchiveFile}, {SG_Writer, GridWriterFile}}};
}

void TMainForm::FormActivate(TObject *)
{
    // Only the first activation: later ones follow every dialog and message box,
    // and must leave where the user moved the window and how wide he made the columns.
    if (FActivated) return;
    FActivated = true;
    // A place kept from a taller screen, or from one no longer attached, would hide the status
    // line and the lower buttons: the window comes in as far as it must to be seen whole.
    const TPoint place = FittedPosition(Config.Left, Config.Top, Width(), Height());
    SetLeft(place.X);
    SetTop(place.Y);
    for (const auto &[grid, file] : Layouts()) {
        if (!GridLoadColWidths(grid, file)) FUnreadLayouts.push_back(file);
        HideFile(file);
    }
}

int TMainForm::KeepClosingFiles(std::vector<TUnsavedFile> &Unsaved)
{
    // A layout that could not be read is not replaced by the widths the grid shows instead.
    for (const auto &[grid, file] : Layouts()) {
        if (std::ranges::count(FUnreadLayouts, file) > 0)
            Unsaved.push_back({file, 0});
        else if (const int error = GridSaveColWidths(grid, file))
            Unsaved.push_back({file, error});
        HideFile(file);
    }
    DeleteFile(Config.DebugFile);
    return WriteConfigFromForm();
}

void TMainForm::FormClose(TObject *, TCloseAction &)
{
    CloseComPort();
    std::vector<TUnsavedFile> unsaved;
    const int error = KeepClosingFiles(unsaved);
    for (const TUnsavedFile &layout : unsaved)
        SettingsNotKept(layout.FileName, layout.Error);
    ShowConfigSaved(error);
    // The status line goes with the window: settings the user changed that could not be kept
    // are not lost without a word.
    const AnsiString text = SettingsLostOnClose(error);
    if (text.IsEmpty()) return;
    // When the session ends no one is there to answer a box.
    if (Application->SessionEnding())
        SayOnTerminal(text);
    else
        Application->MessageBox(text, "Внимание!"_a, MB_OK | MB_ICONWARNING);
}

void TMainForm::DisplayLost()
{
    std::vector<TUnsavedFile> unsaved;
    const AnsiString text = SettingsLostOnClose(KeepClosingFiles(unsaved));
    if (!text.IsEmpty()) SayOnTerminal(text);
}

// A read may end with the window; a write cut short leaves the device half old, half new, and
// a firmware cut short leaves it unable to work. Those ask first, and No lets them finish.
// The end of the session asks no one: the exchange stops, as it would on Yes.
void TMainForm::FormCloseQuery(TObject *, bool &CanClose)
{
    if (Application->SessionEnding()) {
        if (FirmwareBeingLoaded()) SayOnTerminal(FirmwareLeftIncomplete);
        StopExchange();
        return;
    }
    if (!DeviceBeingChanged()) return;
    AnsiString text = "Идёт обмен с прибором. Прервать и выйти?"_a;
    if (FirmwareBeingLoaded()) text += "\n\n"_a + FirmwareLeftIncomplete;
    CanClose = Application->MessageBox(text, "Внимание!"_a,
                                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
    // The exchange went on while the box was open, and may have ended meanwhile.
    if (CanClose) StopExchange();
}

void TMainForm::StopExchange()
{
    if (ArchivePointerStep != -1 || ArchiveBlockStep != -1)
        BTN_StopArchiveClick(BTN_StopArchive);
    else if (WriterReadStep != -1)
        BTN_StopWriterClick(BTN_StopWriter);
    else if (AnyExchangeRunning()) {
        ResetExchange();
        SetBusy(true);
    }
    if (UpdateRunning) BTN_StopInternetClick(BTN_StopInternet);
}

void TMainForm::BTN_QuitClick(TObject *)
{
    Close();
}

bool TMainForm::AnyExchangeRunning() const
{
    for (int step :
         {ArchiveBlockStep, ArchivePointerStep, OptionsReadStep, OptionsWriteStep, WriterReadStep,
          FirmwareLoaderStep, FirmwareBlockStep, FontsBlockStep, WriterWriteStep})
        if (step != -1) return true;
    return false;
}

bool TMainForm::DeviceBeingChanged() const
{
    return WriterWriteStep != -1 || OptionsWriteStep != -1 || FontsBlockStep != -1 ||
           FirmwareBeingLoaded();
}

bool TMainForm::FirmwareBeingLoaded() const
{
    return FirmwareLoaderStep != -1 || FirmwareBlockStep != -1;
}

void TMainForm::PC_TabsChanging(TObject *, bool &AllowChange)
{
    AllowChange = !AnyExchangeRunning() && !UpdateRunning;
    // Kept off while an exchange runs, as the busy state has it.
    BTN_OptionsSave->SetEnabled(OptionsRead && AllowChange);
    // Saved even when the change is refused: what was typed must not wait for the exchange.
    if (PC_Tabs->ActivePage() == Sheet_Configure) SaveConfigFromForm();
}

int TMainForm::SaveConfigFromForm()
{
    const int error = WriteConfigFromForm();
    ShowConfigSaved(error);
    return error;
}

int TMainForm::WriteConfigFromForm()
{
    Config.PriceDallas = StrToFloatDef(ED_Dallas->Text(), 100.0);
    Config.PriceMetacom = StrToFloatDef(ED_Metacom->Text(), 100.0);
    Config.PriceCyfral = StrToFloatDef(ED_Cyfral->Text(), 100.0);
    Config.PriceProxy = StrToFloatDef(ED_Proxy->Text(), 100.0);
    Config.SellerName = ED_SellerName->Text();
    Config.SellerAddress = ED_SellerAddress->Text();
    Config.SellerBank = ED_SellerBank->Text();
    Config.ProductName = ED_ProductName->Text();
    Config.TypeKey = CHB_TypeKey->Checked();
    Config.KeyHex = CHB_KeyHex->Checked();
    Config.Bios_file = BiosFileName;
    Config.Fonts_file = FontsFileName;
    Config.Left = Left();
    Config.Top = Top();
    return WriteConfig(Config);
}

void TMainForm::ShowConfigSaved(int Error)
{
    if (Error == 0)
        FSettingsWarning = "";
    else
        SettingsNotKept(Config.FilePath(), Error);
}
