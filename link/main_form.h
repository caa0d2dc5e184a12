#pragma once

// The main window: a page control of five tabs, the port choice above them,
// the status line below and the three timers. Its members are defined by
// topic in link/ (shell, ports, exchange core, key codes) and operations/
// (the exchanges and tabs).

#include "controls/ComboBoxPng.h"
#include "controls/ExtMaskEdit.h"
#include "controls/GradientCheck.h"
#include "controls/PngCheckBox.h"
#include "controls/PngImageList.h"
#include "controls/ShadowLabel.h"
#include "controls/ValidateEdit.h"
#include "controls/XpButton.h"
#include "link/CommPort.h"
#include "link/constants.h"
#include "link/helpers.h"
#include "menus/TTBPopupMenu.h"
#include "operations/archive_record.h"
#include "operations/print_tovcheck_dialog.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Grids.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Tabs.h"
#include "platform/web/WebBrowser.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class TNMHTTP;
class TPngImageList;
class TfrxReport;
class TfrxUserDataSet;

// How ShowStatusMessage colours the line.
constexpr int smNotice = -1; // green
constexpr int smNeutral = 0;
constexpr int smError = 1; // red

// One row of the address book. Its index in the row list is its cell number.
struct WriterRecord {
    int CellNumber = 0;
    AnsiString Name;
    int KeyType = 255; // 255 (or -1) for an empty cell
    int WriteMode = -1;
    AnsiString KeyHex; // displayed code, eight spaced pairs
    AnsiString OldKey; // device form as read, 16 digits
    AnsiString Address;
    int Changed = 0; // 1 to be written, -1 to be written as an empty cell
    // Loaded from a file unfit for the device: the device's cell keeps its key while the row
    // shows the file's, until the row is mended and written.
    bool LeftOut = false;

    bool IsEmpty() const
    {
        return (KeyType == 255 || KeyType == -1) && Name.IsEmpty() && KeyHex.IsEmpty();
    }
};

// Device cells have room for this many rows; rows past it live only in files.
constexpr int WriterDeviceCells = 1000;

// The 28 hex digits of a cell's name and back, through the device alphabet.
AnsiString DecodeDeviceName(const AnsiString &Hex);
AnsiString EncodeDeviceName(const AnsiString &Name);

// What the update list offers: a firmware and a fonts file, by names safe to fetch and to
// store, and the firmware's version.
struct TUpdateList {
    AnsiString FirmwareName;
    AnsiString FontsName;
    int Version = 0;
};
// False when the list file does not name exactly one firmware and one fonts file safely.
bool ReadUpdateList(const AnsiString &FileName, TUpdateList &List);

// The exchange that the dispatcher hands an answer to, in the order it tests them.
enum class TExchangeStep {
    None,
    ArchivePointerFirst,
    ArchivePointer,
    ArchiveBlock,
    OptionsRead,
    OptionsWrite,
    WriterRead,
    WriterWrite,
    FirmwareLoader,
    FirmwareBlock,
    FontsBlock,
};

class TMainForm : public TForm
{
    QRV4_CLASS(TMainForm, TForm)

public:
    explicit TMainForm(TComponent *AOwner);
    ~TMainForm() override;

    // ---- the port choice above the tabs ----
    TComboBoxPng *CB_ComPorts;
    TComboBox *CB_ComSpeeds;
    TXpButton *BTN_OpenCOMPort;
    TImage *IMG_OnLineCom;
    TXpButton *BTN_Quit;

    TPageControl *PC_Tabs;
    // The tab pictures, the port kinds of the port list and the port status.
    TPngImageList *PIL_Tabs;
    TPngImageList *PIL_Device;
    TPngImageList *PIL_OnLineCom;
    TTabSheet *Sheet_Writer;
    TTabSheet *Sheet_Archive;
    TTabSheet *Sheet_Configure;
    TTabSheet *Sheet_Options;
    TTabSheet *Sheet_Info;
    TStatusBar *StatusBarMain;

    TTimer *SystemMessTimer;
    TTimer *CallbackTimer;
    TTimer *TMR_OnlineComPort;
    TCommPort *CommPort1;

    // ---- address book ----
    TStringGrid *SG_Writer;
    TXpButton *BTN_WriterRead;
    TXpButton *BTN_WriterSave;
    TXpButton *BTN_WriterReadFromFile;
    TXpButton *BTN_WriterSaveToFile;
    TXpButton *BTN_StopWriter;
    TPngCheckBox *CHB_WriterMissNull;
    TGradientCheck *CHG_WriterStatus;
    TLabel *LB_WriterStatus;
    TProgressBar *PB_WriterStatus;
    // Says that the rows shown are what a read got before it ended early.
    TLabel *LB_WriterPartial;
    TValidateEdit *ED_WriterName;
    TComboBox *CB_WriterTypeKey;
    TExtMaskEdit *ME_KeyHex;
    TTBPopupMenu *PM_WriterGridMenu;
    TTBItem *TBI_PrintWriter;
    TTBItem *TBI_PrintWriterSelect;
    TTBItem *TBI_WriterCopyGridClipboard;
    TTBItem *TBI_WriterCopyClipboard;
    TTBItem *TBI_WriterPasteClipboard;
    TTBItem *TBI_AddCell;
    TTBItem *TBI_DeleteCell;
    TTBItem *TBI_WriterClear;
    TTBItem *TBI_UndoWriterTable;
    TOpenDialog *DLG_WriterOpenGrid;
    TSaveDialog *DLG_WriterSaveGrid;

    // ---- archive ----
    TStringGrid *SG_Archive;
    TXpButton *BTN_ReadFromArchive;
    TXpButton *BTN_StopArchive;
    TPngCheckBox *CHB_MissRead;
    TXpButton *BTN_ClipboardArchive;
    TXpButton *BTN_PrintArchive;
    TValidateEdit *ED_Search;
    TXpButton *BTN_Search;
    TXpButton *BTN_Tovcheck;
    TGradientCheck *CHG_ArchiveStatus;
    TLabel *Label_ArchiveStatus;
    TProgressBar *Bar_Archive;
    TGradientCheck *CHG_ArchiveCount;
    TPngCheckBox *CHB_AllArchive;
    TDateTimePicker *DTP_ArchiveCountFrom;
    TDateTimePicker *DTP_ArchiveCountTo;
    TShadowLabel *SL_Dallas;
    TShadowLabel *SL_Metacom;
    TShadowLabel *SL_Cyfral;
    TShadowLabel *SL_Proxy;
    // Says that the rows and sums shown are what a read got before the device fell silent.
    TLabel *LB_ArchivePartial;
    TTBPopupMenu *PM_CopyClipboard;
    TTBItem *TBI_CopyClipboard;
    // Ascending and descending arrows for the title of the sort column.
    TPngImageList *PIL_ArchiveSort;

    // ---- the grids' context menus (operations/main_form_menus.cpp) ----
    TTBSkin *TBSkinGridMenus;
    TPngImageList *PIL_ArchiveGridMenu;

    // ---- configuration ----
    TValidateEdit *ED_ProductName;
    TPngCheckBox *CHB_TypeKey;
    TPngCheckBox *CHB_KeyHex;
    TValidateEdit *ED_Dallas;
    TValidateEdit *ED_Metacom;
    TValidateEdit *ED_Cyfral;
    TValidateEdit *ED_Proxy;
    TValidateEdit *ED_SellerName;
    TValidateEdit *ED_SellerAddress;
    TValidateEdit *ED_SellerBank;
    TXpButton *BTN_LoadBios;
    TXpButton *BTN_LoadFonts;
    TXpButton *BTN_InternetUpdate;
    TXpButton *BTN_StopInternet;
    TGradientCheck *CHG_LoadBios;
    TLabel *LB_LoadBios;
    TProgressBar *PB_LoadBios;
    TOpenDialog *DLG_LoadBios;

    // ---- device settings ----
    TXpButton *BTN_OptionsRead;
    TXpButton *BTN_OptionsSave;
    TGradientCheck *CHG_OptionsStatus;
    TLabel *LB_OptionsStatus;
    TProgressBar *PB_OptionsStatus;
    TLabel *LB_OptionsCounterRead;
    TShadowLabel *SL_OptionsCounterSavedDallas;
    TShadowLabel *SL_OptionsCounterSavedMetacom;
    TShadowLabel *SL_OptionsCounterSavedCyfral;
    TShadowLabel *SL_OptionsCounterSavedProxy;
    TShadowLabel *SL_OptionsLimitDallas;
    TShadowLabel *SL_OptionsLimitMetacom;
    TShadowLabel *SL_OptionsLimitCyfral;
    TShadowLabel *SL_OptionsLimitProxy;
    TShadowLabel *SL_OptionsLastCode;
    TShadowLabel *SL_BiosVersion;
    TComboBox *CB_OptionsSoundKeys;
    TComboBox *CB_OptionsSoundSaveRead;
    TComboBox *CB_OptionsLightBattTime;
    TComboBox *CB_OptionsLightBattTimeOff;
    TTrackBar *TB_OptionsLightBattColors;
    TImage *IMG_OptionsLightBattColors;
    TComboBox *CB_OptionsLightBPTime;
    TComboBox *CB_OptionsLightBPTimeOff;
    TTrackBar *TB_OptionsLightBPColors;
    TImage *IMG_OptionsLightBPColors;
    TComboBox *CB_OptionsSettTypeTM;
    TComboBox *CB_OptionsSettTypeRFID;
    TComboBox *CB_OptionsSettSaveModeDallas;
    TComboBox *CB_OptionsSettSaveModeCyfral;
    TComboBox *CB_OptionsSettSaveModeMetacom;
    TComboBox *CB_OptionsSettSaveModeProxy;
    TComboBox *CB_OptionsSettReadMode;
    TComboBox *CB_OptionsArchiveSave;
    TComboBox *CB_OptionsContrast;

    // ---- help pages ----
    TTabSet *TS_InfoList;
    TXpButton *BTN_InfoPrint;
    TCppWebBrowser *WEB_InfoMht;
    void DeleteInfoPages();
    void WriteInfoPages();
    void TS_InfoListChange(TObject *Sender, int NewTab, bool &AllowChange);
    void WEB_InfoMhtNavigateComplete2(TObject *Sender, IUnknown *pDisp, const AnsiString &URL);
    void BTN_InfoPrintClick(TObject *Sender);
    // Set when the pages could not be written: the tab set then leaves the page alone.
    bool InfoPagesLocked = false;
    // The warning about an unwritable folder, shown once a run.
    static bool InfoWarningShown;
    // The pages' host object; the window holds one reference from creation to destruction.
    IDocHostUIHandler *WebHost = nullptr;

    // ---- shell ----
    void ShowStatusMessage(const AnsiString &Text, const AnsiString &Detail, int MessageKind);
    void SystemMessTimerTimer(TObject *Sender);
    void SetBusy(bool Enabled);
    void SetupArchiveGrid();
    void SetupWriterGrid();
    void FormActivate(TObject *Sender);
    void FormClose(TObject *Sender, TCloseAction &Action);
    void FormCloseQuery(TObject *Sender, bool &CanClose);
    void BTN_QuitClick(TObject *Sender);
    // The display has gone, and the process ends: what a close keeps is kept without a window,
    // and what could not be is said on the terminal.
    void DisplayLost();
    void PC_TabsChanging(TObject *Sender, bool &AllowChange);
    void PC_TabsChange(TObject *Sender);
    // Returns 0, or what WriteConfig gave for the save that failed.
    int SaveConfigFromForm();
    // Tells the user that FileName keeps no changes, or that a save of it failed and why (Error,
    // the system's error number of the write; 0 or below when no write was tried); the same
    // news is told once.
    void SettingsNotKept(const AnsiString &FileName, int Error);
    // What SettingsNotKept tells of FileName.
    AnsiString SettingsNotKeptText(const AnsiString &FileName, int Error) const;
    AnsiString SettingsLostOnClose(int Error) const;
    // Tells the user, once a run, of a file left alone because of a link (Path as the system
    // spells it, Error the refusal); said on the terminal too.
    void FileLeftAlone(const std::string &Path, int Error);
    std::map<std::string, int> FLeftAlone;
    // What FileLeftAlone showed last on the status line, and the files it named.
    AnsiString FLeftAloneText, FLeftAloneFiles;

    // ---- ports ----
    // Chosen is the port to show: when the system lists no such port it is shown all the same,
    // as missing, and stays the one the exchanges open.
    void FillComPortCombo(int Chosen);
    void ShowOnlineIcon(int Online);
    bool OpenComPort(int Number, int Speed);
    void CloseComPort();
    bool BTN_OpenCOMPortClick(TObject *Sender);
    void TMR_OnlineComPortTimer(TObject *Sender);

    // ---- exchange core ----
    void SendHexCommand(const AnsiString &Hex);
    void CommPort1DataReceived(TObject *Sender, DWORD Count);
    // An answer of the expected length, as hex text, handed to the exchange that runs.
    void AnswerReceived(const AnsiString &Answer);
    void ResetExchange();
    void CallbackTimerTimer(TObject *Sender);
    TExchangeStep RunningStep() const;
    bool NormalizeKeyCode(int KeyType, AnsiString &Code);

    // ---- exchanges of the tabs, handed their answers by the dispatcher ----
    void ArchivePointerFirstReceived(const AnsiString &Answer);
    void ArchivePointerReceived(const AnsiString &Answer);
    void ArchiveBlockReceived(const AnsiString &Answer);
    void OptionByteReceived(const AnsiString &Answer);
    void OptionWriteReceived(const AnsiString &Answer);
    void WriterCellReceived(const AnsiString &Answer);
    void WriterCellWriteReceived(const AnsiString &Answer);
    void FirmwareLoaderReceived(const AnsiString &Answer);
    void FirmwareBlockReceived(const AnsiString &Answer);
    void FontsBlockReceived(const AnsiString &Answer);

    // ---- address book: read, grid, edit, write (operations/main_form_writer*.cpp) ----
    void BTN_WriterReadClick(TObject *Sender);
    void StartWriterRead();
    bool DecodeWriterCell(const AnsiString &Answer);
    void FinishWriterRead();
    // What the rows are when a read ends, however it ends.
    void EndWriterReadRows();
    // Cells is the count a read took before it ended early; -1 when the rows are not such.
    void ShowWriterPartial(int Cells);
    AnsiString WriterPartialText() const;
    void BTN_StopWriterClick(TObject *Sender);
    void FillWriterGrid();
    void AppendWriterGridRows();
    bool WriterRowShown(int Index) const;
    void SetWriterGridRow(int Row, int Index);
    AnsiString WriterTypeText(int Index) const;
    // The same for a record of the address-book print list.
    AnsiString PrintWriterTypeText(int Index) const;
    int WriterCellNumberOfRow(int Row = -1) const;
    bool SetWriterRowColours(int Row);
    void SG_WriterDrawCell(TObject *Sender, int ACol, int ARow, TRect Rect, TGridDrawState State);
    void CHB_WriterMissNullClick(TObject *Sender);

    void SG_WriterKeyPress(TObject *Sender, char &Key);
    void SG_WriterDblClick(TObject *Sender);
    void SG_WriterMouseDown(TObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void SG_WriterMouseMove(TObject *Sender, TShiftState Shift, int X, int Y);
    void SG_WriterMouseUp(TObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void EndWriterEditor();
    void SG_WriterMouseWheel(TObject *Sender, TShiftState Shift, int WheelDelta, TPoint MousePos,
                             bool &Handled);
    void SG_WriterRowMoved(TObject *Sender, int FromIndex, int ToIndex);
    void ED_WriterNameEnter(TObject *Sender);
    void ED_WriterNameExit(TObject *Sender);
    void ED_WriterNameKeyPress(TObject *Sender, char &Key);
    void CB_WriterTypeKeyEnter(TObject *Sender);
    void CB_WriterTypeKeyExit(TObject *Sender);
    void CB_WriterTypeKeyKeyPress(TObject *Sender, char &Key);
    void ME_KeyHexExit(TObject *Sender);
    void ME_KeyHexKeyPress(TObject *Sender, char &Key);
    void TBI_WriterCopyGridClipboardClick(TObject *Sender);
    void TBI_WriterCopyClipboardClick(TObject *Sender);
    void TBI_WriterPasteClipboardClick(TObject *Sender);
    void TBI_AddCellClick(TObject *Sender);
    void TBI_DeleteCellClick(TObject *Sender);
    void TBI_WriterClearClick(TObject *Sender);
    void TBI_UndoWriterTableClick(TObject *Sender);
    void SaveWriterUndo();
    void RestoreWriterUndo();
    bool IsWriterRowLocked(int Index);
    void SetKeyHexMask(int KeyType);
    void CleanWriterName(AnsiString &Text);
    int ParseWriterKeyType(const AnsiString &Text);
    void CleanPastedKey(AnsiString &Text);
    void RepairPastedKey(AnsiString &Text);
    void RenumberWriterRows();

    void BTN_WriterSaveClick(TObject *Sender);
    void StartWriterWrite();
    bool EncodeWriterCell();
    void FinishWriterWrite(int Result);

    void BTN_WriterSaveToFileClick(TObject *Sender);
    void BTN_WriterReadFromFileClick(TObject *Sender);
    void SaveWriterToDbf(const AnsiString &FileName);
    void LoadWriterFromDbf(const AnsiString &FileName);
    AnsiString CleanLoadedName(const AnsiString &Text);

    std::vector<WriterRecord> WriterRows;
    // How far the grid shows the list: the records it has looked at and the rows they gave.
    std::size_t WriterGridRecords = 0;
    int WriterGridRows = 0;
    std::vector<WriterRecord> WriterUndo;
    // The cells of an early-ended read that the rows hold, -1 when they hold no such read;
    // the undo snapshot's count beside it.
    int WriterPartialCells = -1;
    int WriterUndoPartialCells = -1;
    bool WriterEditing = false;
    int WriterHintColumn = -1;
    // Background of the four columns of the row being drawn.
    std::array<TColor, 4> WriterRowColours{};
    std::array<AnsiString, 3> WriterWriteFrames;
    std::array<AnsiString, 3> WriterWriteAnswers;

    // ---- exchange state ----
    int ExpectedLength = 0;
    int ArchivePointerStep = -1;
    int ArchiveBlockStep = -1;
    int OptionsReadStep = -1;
    int OptionsWriteStep = -1;
    int WriterReadStep = -1;
    int WriterWriteStep = -1;
    int FirmwareLoaderStep = -1;
    int FirmwareBlockStep = -1;
    int FontsBlockStep = -1;
    int WriterWriteCell = -1;
    AnsiString ArchiveAddressHex;
    AnsiString WriterAddressHex;

    bool IsOnline = false;
    bool OptionsRead = false;
    bool UpdateRunning = false;
    AnsiString BiosFileName;
    AnsiString FontsFileName;

    // The ports shown in CB_ComPorts, and the picture index of each item.
    std::vector<TComPortEntry> ComPortList;
    std::vector<int> ComPortImages;

    // ---- archive: reading, rows, grid and counters ----
    void BTN_ReadFromArchiveClick(TObject *Sender);
    void StartArchiveRead();
    void ReadArchiveBlock();
    void FinishArchiveRead();
    // Records is the count a read took before it was cut short; -1 when the rows are not such.
    void ShowArchivePartial(int Records);
    void BTN_StopArchiveClick(TObject *Sender);
    // False when the record was empty: the archive ends there.
    bool DecodeArchiveRecord(const AnsiString &Answer);
    void FillArchiveGrid();
    void SG_ArchiveDrawCell(TObject *Sender, int ACol, int ARow, TRect Rect, TGridDrawState State);
    void SG_ArchiveMouseDown(TObject *Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void SortArchive();
    void BTN_SearchClick(TObject *Sender);
    void BTN_ClipboardArchiveClick(TObject *Sender);
    void TBI_CopyClipboardClick(TObject *Sender);
    bool IsArchiveDataRow(int Row);
    void UpdateArchiveCounters();
    void CHB_AllArchiveClick(TObject *Sender);
    void DTP_ArchiveCountChange(TObject *Sender);

    std::vector<ArchiveRecord> ArchiveRecords;
    std::array<TColor, 6> ArchiveRowColours{};
    int ArchiveSortColumn = 0;
    bool ArchiveSortDescending = false;

    // ---- device settings, firmware and fonts upload ----
    TPngImageList *PIL_OptionsLightBPColors;
    void BTN_OptionsReadClick(TObject *Sender);
    void BTN_OptionsSaveClick(TObject *Sender);
    void ReadNextOption();
    void WriteNextOption();
    void DecodeOptions();
    void TB_OptionsLightBattColorsChange(TObject *Sender);
    void TB_OptionsLightBPColorsChange(TObject *Sender);
    void BTN_LoadBiosClick(TObject *Sender);
    void BTN_LoadFontsClick(TObject *Sender);
    void EnterFirmwareLoader(const AnsiString &FileName);
    void StartFirmwareBlocks();
    void FinishFirmwareUpload(bool Success);
    void StartFontsUpload(const AnsiString &FileName);
    void FinishFontsUpload(bool Success);

    AnsiString OptionsHex;
    AnsiString FontsAnswerHex;
    AnsiString UpdateFirmwareName;
    AnsiString UpdateFontsName;

    // ---- internet update ----
    TNMHTTP *NMHTTP_Update;
    void BTN_InternetUpdateClick(TObject *Sender);
    void StartInternetUpdate();
    void FinishInternetUpdate(bool UserAbort);
    void NMHTTP_UpdateConnect(TObject *Sender);
    void NMHTTP_UpdateFailure(TObject *Sender, int Cmd);
    void NMHTTP_UpdatePacketRecvd(TObject *Sender);
    void BTN_StopInternetClick(TObject *Sender);
    // The mirrors' base URLs, each ending in "/", in the order they are tried.
    std::array<AnsiString, MirrorCount> UpdateMirrorUrls = UpdateMirrors;

    // ---- reports: their rows and values, the receipt line and the print handlers ----
    // Each report is made, its template read, when it is first asked for: the window shows
    // sooner.
    TfrxReport *frxReportList();
    TfrxUserDataSet *frxUserDataSetList;
    TfrxReport *frxReportTovcheck();
    TfrxUserDataSet *frxUserDataTovcheck;
    TfrxReport *frxReportWriter();
    TfrxUserDataSet *frxUserDataSetWriter;
    void frxReportListGetValue(const AnsiString &VarName, Variant &Value);
    void frxUserDataSetListGetValue(const AnsiString &VarName, Variant &Value);
    void frxReportTovcheckGetValue(const AnsiString &VarName, Variant &Value);
    void frxUserDataTovcheckGetValue(const AnsiString &VarName, Variant &Value);
    void frxReportWriterGetValue(const AnsiString &VarName, Variant &Value);
    void frxUserDataSetWriterGetValue(const AnsiString &VarName, Variant &Value);
    void BTN_PrintArchiveClick(TObject *Sender);
    void BTN_TovcheckClick(TObject *Sender);
    void PrintWriter(bool SelectedOnly);
    void TBI_PrintWriterClick(TObject *Sender);
    void TBI_PrintWriterSelectClick(TObject *Sender);
    bool BuildReceiptLine();
    double KeyPriceOf(int KeyType) const;
    void BuildWriterPrintList(bool SelectedOnly);

    std::vector<TovcheckRecord> TovcheckRecords;
    double TovcheckTotal = 0;
    std::vector<WriterRecord> WriterPrintRows;

private:
    void CreateReports();
    using TReportValue = void (TMainForm::*)(const AnsiString &, Variant &);
    std::function<void(const AnsiString &, Variant &)> ValueCallback(TReportValue Handler);
    TfrxReport *MadeReport(TfrxReport *&Report, const char *Name, const char *Resource,
                           TReportValue OnGetValue);
    TfrxReport *FReportList = nullptr;
    TfrxReport *FReportTovcheck = nullptr;
    TfrxReport *FReportWriter = nullptr;
    // Walks Count rows of Rows on Printer and prints Copies; false when nothing was printed,
    // with FailureText in red when the report could not be prepared.
    bool RunReport(TfrxReport *Report, TfrxUserDataSet *Rows, int Count, const AnsiString &Printer,
                   int Copies, const AnsiString &FailureText);
    // False, after telling the user how to add one, when the system has no printer.
    bool PrinterInstalled();

    void CreateControls();
    void CreateTopPanel();
    // The program's pictures and the looks of its own controls.
    void DressControls();
    // A control's face, height and style as one change: the control measures its text at each
    // change, loading every face it measures with.
    static void SetFace(TFont *Font, const AnsiString &Name, int Height, TFontStyles Style);
    void ShowPortKinds();
    void CreateWriterSheet();
    void ConnectWriterHandlers();
    void CreateArchiveSheet();
    void CreateConfigureSheet();
    void CreateOptionsSheet();
    void CreateInfoSheet();
    void CreateArchiveSortImages();
    // The skin and pictures of the grids' context menus.
    void DressGridMenus();
    void SendArchiveBlockRead();
    void FillControlsFromConfig();
    void FillOptionLists();
    void SetupGrid(TStringGrid *Grid, const std::vector<AnsiString> &Titles, const int *Widths,
                   std::vector<std::unique_ptr<TFont>> &Fonts);
    bool AnyExchangeRunning() const;
    // An exchange that changes what the device holds: cut short, it leaves the device half
    // changed.
    bool DeviceBeingChanged() const;
    bool FirmwareBeingLoaded() const;
    // Address book: the record a grid row shows (null when none), what a row's
    // device cell holds, and whether a write may send it.
    WriterRecord *WriterRecordOfRow(int Row = -1);
    AnsiString WriterCellData(const WriterRecord &Record) const;
    bool WriterRowWritable(int Index) const;
    bool WriterRowSendable(const WriterRecord &Record) const;
    // Warns of rows the write leaves out: marked ones the device cannot take and ones loaded
    // unfit; false when the user cancels.
    bool ConfirmWriterRowsLeftOut();
    // Asks before a partial book replaces a file of more records; false when the user declines.
    bool ConfirmPartialBookSave(const AnsiString &FileName);
    void OpenWriterEditor();
    void CloseWriterEditor(TWinControl *Editor);
    // Shows the locked-row box when the current row may only have its name edited.
    bool WriterRowLockedMessage();
    bool FWriterEditorOnMouseUp = false;
    int ShownComPort(int Default) const;
    // Frames asked for after a time-out or a Stop wait until the answer the ended exchange
    // owed is over and the line is quiet (link/main_form_exchange.cpp).
    TTimer *LineQuietTimer = nullptr;
    void LineQuietTimerTimer(TObject *Sender);
    void PutFrame(const std::vector<std::uint8_t> &Frame);
    void HoldFrame(std::vector<std::uint8_t> Frame);
    void SendHeldFrames();
    // The frame out is left unanswered: its answer may still come, within an answer time from
    // From, and must not be taken for the answer to a later frame.
    void AbandonAnswer(DWORD From);
    bool AbandonedAnswerDue() const;
    // Throws away what has come in; how many bytes that was.
    DWORD DropLateInput();
    bool FLineUnsettled = false;
    // Bytes of the abandoned answer not seen yet, and until when the rest may come.
    long long FOwedBytes = 0;
    DWORD FOwedUntil = 0;
    DWORD FLastFrameSent = 0;
    std::vector<std::vector<std::uint8_t>> FHeldFrames;
    int ShownComSpeed() const;

    std::vector<std::unique_ptr<TFont>> ArchiveColumnFonts;
    std::vector<std::unique_ptr<TFont>> WriterColumnFonts;
    // The port list as the poll saw it last.
    std::vector<TComPortEntry> FPolledPorts;
    bool FActivated = false;
    // The last of SettingsNotKept's messages shown, with its file.
    AnsiString FSettingsWarning;
    // Each grid with its layout file.
    std::array<std::pair<TStringGrid *, AnsiString>, 2> Layouts() const;
    // A file a close keeps that it could not write, with the system's error (0: none tried).
    struct TUnsavedFile {
        AnsiString FileName;
        int Error = 0;
    };
    // The grids' layouts and the settings as a close keeps them, from what the window shows,
    // touching no window; the settings' error is given, the layouts' are added to Unsaved.
    int KeepClosingFiles(std::vector<TUnsavedFile> &Unsaved);
    int WriteConfigFromForm();
    // The status line after a write of the settings that gave Error.
    void ShowConfigSaved(int Error);
    // Stops the exchange under way as its Stop button does; one without such a button as a
    // close the user agreed to does.
    void StopExchange();
    // Layout files that were there but could not be read at the first activation.
    std::vector<AnsiString> FUnreadLayouts;
    // Says at start that the settings file is spoilt or cannot be written; WriteError is the
    // system's error of the start's write of a missing file, else 0.
    void CheckSettingsFile(int WriteError);

    // ---- device settings, firmware and fonts upload ----
    void CreateLcdColourPictures();
    // Runs Then after the firmware loader's pause, without holding the window.
    void LoaderPause(std::function<void()> Then);
    void LoaderPauseTimerTimer(TObject *Sender);
    TTimer *LoaderPauseTimer = nullptr;
    std::function<void()> FAfterLoaderPause;
    // The pause waits for its frame, held for a quiet line, to go out.
    bool FLoaderPauseHeld = false;
    void FillContactBlankTypes(bool OldFirmware);
    void FinishOptionsRead();
    void FinishOptionsWrite(bool Accepted);
    void DrawLcdColour(TImage *Image, int Level);
    // The file's bytes when it opens, has a size within the bounds and reads to exactly that
    // size; otherwise the failure is shown and false given.
    bool LoadUploadImage(const AnsiString &FileName, std::vector<std::uint8_t> &Image,
                         long long MinSize, long long MaxSize);
    // A red message left in sight for a while before the upload's own end text.
    void FailUpload(const AnsiString &Message);
    void ShowBlockProgress(int Block);
    static void StartProgress(TProgressBar *Bar, int Max);
    // The setting bytes of the last complete read, by address: a control that shows
    // none of its items writes back what the device had.
    std::array<std::uint8_t, 256> FOptionBytes{};
    // ---- internet update ----
    int FetchUpdateList();
    // Gets URL into FileName in the current folder; true when it arrived whole with a
    // size within the bounds and the user did not stop the update meanwhile.
    bool DownloadUpdateFile(const AnsiString &URL, const AnsiString &FileName, long long MinSize,
                            long long MaxSize);
    // Each failed get of this update as "address - reason", for the status line.
    void NoteUpdateFailure(const AnsiString &URL, const AnsiString &Reason);
    bool FUpdateStopped = false;
    AnsiString FUpdateFailures;
    // A file this update has written, with what a file of that name held before it.
    struct TUpdateWritten {
        AnsiString FileName;
        std::optional<std::string> Before;
    };
    // The files this update has written: a failed update takes back these and no other.
    std::vector<TUpdateWritten> FUpdateWritten;
    void TakeBackUpdateFiles();
    long long FDownloadLimit = 0;

    static constexpr long long FirmwareMinSize = 22001;
    static constexpr long long FirmwareMaxSize = 35999;
    static constexpr long long FontsSize = 1024;
    // Each upload sends from its file as it was read once at the start.
    std::vector<std::uint8_t> FFirmwareImage;
    std::vector<std::uint8_t> FFontsImage;
};

extern TMainForm *MainForm;
