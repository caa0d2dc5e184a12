#pragma once

// The preview: prepared pages laid out in a vertical strip on a scrolling
// surface, with zoom, text search, the outline and page editing, and the window
// around it with its toolbar and status bar.

#include "platform/vcl/Buttons.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/MouseWheel.h"
#include "platform/vcl/StdCtrls.h"
#include "report/frxClass.h"
#include "report_output/frxCtrls.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TfrxPreview;
class TfrxPreviewForm;

// ---- where the pages lie ----

struct TfrxPageItem {
    std::uint16_t Column = 0;
    std::uint16_t Height = 0;
    std::uint16_t Width = 0;
    std::int32_t Offset = 0; // from the strip's top at zoom 1
};

class TfrxPageList
{
public:
    static constexpr int Gap = 10;

    int ColumnCount() const { return FColumnCount; }
    // Changing it empties the list.
    void SetColumnCount(int Value);
    int Count() const { return static_cast<int>(FItems.size()); }
    const TfrxPageItem &Items(int Index) const
    {
        return FItems.at(static_cast<std::size_t>(Index));
    }
    // The widest row at zoom 1, gaps included.
    int MaxWidth() const { return FMaxWidth; }
    void Clear();

    void AddPage(int Width, int Height);
    // The last page whose top lies at or above Y (or, unless Exact, whose first
    // fifth does); -1 for an empty list.
    int FindPage(int Y, bool Exact, double Zoom) const;
    TRect GetPageBounds(int Index, int ClientWidth, double Zoom) const;
    TPoint GetMaxBounds(int ClientWidth, double Zoom) const;

private:
    // The pages of Index's row: the first one and the count.
    std::pair<int, int> RowOf(int Index) const;

    std::vector<TfrxPageItem> FItems;
    int FColumnCount = 1;
    int FMaxWidth = 0;
};

// ---- the scrolling surface ----

class TfrxPreviewWorkspace : public TfrxScrollWin
{
    QRV4_CLASS(TfrxPreviewWorkspace, TfrxScrollWin)

public:
    explicit TfrxPreviewWorkspace(TComponent *AOwner);

    TfrxPageList *PageList() { return &FPageList; }
    TfrxPreview *Preview() const { return FPreview; }
    void SetPreview(TfrxPreview *Value) { FPreview = Value; }
    // Page numbers set by scrolling do not scroll back.
    bool DisableUpdate() const { return FDisableUpdate; }

    void SetToPageNo(int PageNo);
    // Ranges from the page list, pages from the client size.
    void UpdateScrollBars();
    // Looks for the search text from the search page on; true when it was found.
    bool FindText();
    void ResetSearch(int FromPage);
    // The found text's rectangle on its page, at zoom 1, and that page.
    bool TextFound() const;
    TRect FoundRect() const;
    int FoundPage() const { return FSearchPage; }

    void WndProc(TMessage &Message) override;

protected:
    void OnHScrollChange() override;
    void OnVScrollChange() override;
    void Paint() override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;

private:
    void DrawPages(TCanvas *Canvas);
    void DrawPageFrame(TCanvas *Canvas, const TRect &R, int Index);
    // The page under a client point (the previous one left of a pair's second
    // page) and its bounds in client coordinates; -1 outside the list.
    int PageAt(int X, int Y, TRect &Bounds);
    void ObjectOver(int X, int Y, TMouseButton Button, TShiftState Shift, bool Click);
    bool FindTextOnPage(int Index);
    void ScrollToFound();

    TfrxPageList FPageList;
    TfrxPreview *FPreview = nullptr;
    bool FDown = false;
    TPoint FLastPoint;
    int FOffsetX = 0;
    int FOffsetY = 0;
    int FSearchPage = 0;
    bool FDisableUpdate = false;
};

// ---- the preview control ----

enum TfrxPreviewTool { ptHand, ptZoom };

using TfrxPageChangedEvent = std::function<void(TfrxPreview *Sender, int PageNo)>;

// The text being looked for, process-wide, and where it was found last.
struct TfrxSearchState {
    AnsiString Text;
    bool CaseSensitive = false;
    bool Found = false;
    TRect Bounds;        // on its page, at zoom 1
    int LastRecord = -1; // the record found last on the page searched
};
TfrxSearchState &frxSearchState();

// Where an outline entry leads.
struct TfrxOutlineTarget {
    int Page = 0;
    int Top = 0;
};

// An outline node's data: the page + 1 in the low 20 bits, half the top above
// them. The data is a whole pointer wide, so the top has room well beyond any
// page's length and never runs into the page.
void *frxOutlineNodeData(int Page, int Top);
TfrxOutlineTarget frxOutlineNodeTarget(const void *Data);

// Opens the page-settings dialog on Page for Report; answers whether the user
// accepted and whether every page of the report is to take the settings. The
// page-settings window by default; an empty handler puts it back.
using TfrxPageSetupHandler =
    std::function<bool(TfrxReportPage *Page, TfrxReport *Report, bool &NeedRebuild)>;
void frxSetPageSetupHandler(TfrxPageSetupHandler Handler);

class TfrxPreview : public TfrxCustomPreview
{
    QRV4_CLASS(TfrxPreview, TfrxCustomPreview)

public:
    explicit TfrxPreview(TComponent *AOwner);
    ~TfrxPreview() override;

    void Init() override;
    void Lock() override;
    void Unlock() override;
    void InternalOnProgressStart(TfrxReport *Sender, TfrxProgressType ProgressType,
                                 int Progress) override;
    void InternalOnProgress(TfrxReport *Sender, TfrxProgressType ProgressType,
                            int Progress) override;
    void InternalOnProgressStop(TfrxReport *Sender, TfrxProgressType ProgressType,
                                int Progress) override;

    void AddPage();
    void DeletePage();
    void Print();
    void Export(TfrxCustomExportFilter *Filter);
    void SaveToFile();
    void SaveToFile(const AnsiString &FileName);
    void LoadFromFile();
    void LoadFromFile(const AnsiString &FileName);
    void Clear();
    void PageSetupDlg();
    // The current page, its objects laid flat, in the registered designer; a
    // changed page replaces the prepared one.
    void Edit();
    // The report's template in the registered designer.
    void EditTemplate();
    void Find();
    void FindNext();
    void Cancel();
    void First() { SetPageNo(1); }
    void Prior() { SetPageNo(FPageNo - 1); }
    void Next() { SetPageNo(FPageNo + 1); }
    void Last() { SetPageNo(PageCount()); }
    void SetPosition(int PageN, int Top);
    void ShowMessage(const AnsiString &Text);
    void HideMessage();
    void UpdatePageNumbers();
    void UpdateZoom();
    void UpdateOutline();
    void PageListChanged();

    int PageCount();
    int PageNo() const { return FPageNo; }
    void SetPageNo(int Value);
    double Zoom() const { return FZoom; }
    void SetZoom(double Value);
    TfrxZoomMode ZoomMode() const { return FZoomMode; }
    void SetZoomMode(TfrxZoomMode Value);
    TfrxPreviewTool Tool() const { return FTool; }
    // The workspace shows the tool's cursor.
    void SetTool(TfrxPreviewTool Value);
    bool Locked() const { return FLocked; }
    bool Running() const { return FRunning; }
    bool OutlineVisible() const { return FOutline->Visible(); }
    void SetOutlineVisible(bool Value);
    int OutlineWidth() const { return FOutline->Width(); }
    void SetOutlineWidth(int Value) { FOutline->SetWidth(Value); }
    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor Value);
    TColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor Value) { FFrameColor = Value; }

    TfrxPreviewWorkspace *Workspace() const { return FWorkspace; }
    TTreeView *OutlineTree() const { return FOutline; }
    TPanel *MessagePanel() const { return FMessagePanel; }
    TLabel *MessageLabel() const { return FMessageLabel; }
    TButton *CancelButton() const { return FCancelB; }
    TfrxPreviewForm *PreviewForm() const;
    // Where the outline's node of that absolute index leads.
    TfrxOutlineTarget OutlineTarget(int Index) const;

    TfrxPageChangedEvent OnPageChanged;

protected:
    void Resize() override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void WndProc(TMessage &Message) override;

private:
    friend class TfrxPreviewWorkspace;
    friend class TfrxPreviewForm;
    void OutlineClick(TObject *Sender);
    void AddOutlineLevel(TfrxCustomOutline *Outline, TTreeNode *Parent);
    void SetCurPage();
    // Runs Work and unlocks the preview afterwards, also when Work throws.
    void UnlockAfter(const std::function<void()> &Work);
    void ApplyPageSettings(TfrxReportPage *Settings);
    bool Busy() const { return FRunning; }

    TfrxPreviewWorkspace *FWorkspace;
    TTreeView *FOutline;
    TSplitter *FSplitter;
    TPanel *FMessagePanel;
    TLabel *FMessageLabel;
    TButton *FCancelB;
    TfrxPreviewTool FTool = ptHand;
    double FZoom = 1;
    TfrxZoomMode FZoomMode = zmDefault;
    int FPageNo = 0;
    bool FLocked = false;
    vcl::WheelAccumulator FScrollWheel; // in pixels
    vcl::WheelAccumulator FZoomWheel;   // in notches
    bool FRunning = false;
    bool FAllowF3 = false;
    int FRefreshInterval = 5;
    DWORD FTick = 0;
    TColor FBackColor = static_cast<TColor>(0x808080);
    TColor FFrameColor = clBlack;
};

// ---- the preview window ----

class TfrxPreviewForm : public TForm
{
    QRV4_CLASS(TfrxPreviewForm, TForm)

public:
    explicit TfrxPreviewForm(TComponent *AOwner);
    ~TfrxPreviewForm() override;

    // Buttons, zoom and window state from the report's preview options.
    void Init();
    // Enabled states from whether a report runs and whether there are pages.
    void UpdateControls();
    // The zoom box shows the preview's zoom.
    void UpdateZoom();
    void SetMessageText(const AnsiString &Value);
    const AnsiString &PageText() const { return FPageText; }
    const AnsiString &MessageText() const { return FMessageText; }
    void SwitchToFullScreen();
    bool FullScreen() const { return FFullScreen; }
    // The zoom box's text applied: a percentage or one of the two fitting modes.
    // Text that is no number is refused and the box shows the zoom again.
    void ZoomCBClick(TObject *Sender);

    TfrxReport *Report() const { return FReport; }
    void SetReport(TfrxReport *Value);
    bool FreeOnClose = false;

    TPanel *ToolBar;
    TSpeedButton *PrintB, *OpenB, *SaveB, *ExportB, *PdfB, *EmailB, *FindB;
    TSpeedButton *ZoomWholePageB, *ZoomPageWidthB, *Zoom100B, *Zoom50B;
    TfrxComboBox *ZoomCB;
    TSpeedButton *FullScreenBtn, *PageSettingsB, *OutlineB, *HandToolB, *ZoomToolB;
    TSpeedButton *NewPageB, *DelPageB, *DesignerB;
    TSpeedButton *FirstB, *PriorB;
    TEdit *PageE;
    TSpeedButton *NextB, *LastB, *CancelB;
    TStatusBar *StatusBar;
    TPopupMenu *ExportPopup;
    TPopupMenu *HiddenMenu;
    TMenuItem *Showtemplate1;
    TPopupMenu *RightMenu;
    TfrxPreview *Preview;

    void WndProc(TMessage &Message) override;

protected:
    void DoClose(TCloseAction &Action) override;
    bool CloseQuery() override;
    void Notification(TComponent *AComponent, TOperation Operation) override;
    void KeyDown(WORD &Key, TShiftState Shift) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;

private:
    TSpeedButton *Button(const char *Caption, const char *Hint, std::function<void()> Click);
    void CreateButtons();
    void ShowButtons(TfrxPreviewButtons Buttons);
    void FillExportMenu();
    void FillRightMenu();
    // The visible buttons side by side, a gap between groups.
    void LayoutToolBar();
    void PageChanged(TfrxPreview *Sender, int PageNo);
    void ExportClick(TfrxCustomExportFilter *Filter);
    void PrintBClick();
    void CancelBClick();
    void PageEKeyDown(WORD &Key);

    TfrxReport *FReport = nullptr;
    std::vector<std::vector<TSpeedButton *>> FGroups;
    AnsiString FPageText;
    AnsiString FMessageText;
    bool FFullScreen = false;
    TFormBorderStyle FOldBorderStyle = bsSizeable;
    TWindowState FOldState = wsNormal;
    TRect FOldBounds;
};

// Reports show their prepared pages in a preview window from now on.
void frxRegisterPreview();
