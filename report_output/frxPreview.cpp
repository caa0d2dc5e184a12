#include "report_output/frxPreview.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "platform/vcl/Dialogs.h"
#include "platform/win/Metafile.h"
#include "platform/win/Paint.h"
#include "platform/win/Rect.h"
#include "platform/win/ScrollBars.h"
#include "report/frxRes.h"
#include "report_output/frxDialogs.h"
#include "report_output/frxPreviewPages.h"

#include <algorithm>
#include <cmath>

namespace
{

// Screen positions are the zoom-1 layout times the zoom, to nearest, ties to even.
int Scaled(double Value)
{
    return static_cast<int>(std::lrint(Value));
}

TRect Shifted(const TRect &R, int Dx, int Dy)
{
    return TRect(R.Left + Dx, R.Top + Dy, R.Right + Dx, R.Bottom + Dy);
}

AnsiString Res(const char *Key)
{
    return frxResources()->Get(Key);
}

TCursor ToolCursor(TfrxPreviewTool Tool)
{
    return Tool == ptZoom ? crZoom : crHand;
}

constexpr int OutlinePageBits = 20;
constexpr std::uintptr_t OutlinePageMask = (std::uintptr_t{1} << OutlinePageBits) - 1;

bool ShowPageSettings(TfrxReportPage *Page, TfrxReport *Report, bool &NeedRebuild)
{
    TfrxPageSettingsForm Dialog(nullptr);
    Dialog.SetPage(Page);
    Dialog.SetReport(Report);
    if (Dialog.ShowModal() != mrOk) return false;
    NeedRebuild = Dialog.GetNeedRebuild();
    return true;
}

TfrxPageSetupHandler &PageSetupHandler()
{
    static TfrxPageSetupHandler Handler = ShowPageSettings;
    return Handler;
}

constexpr int ScrollStep = 8;
constexpr int ScrollPage = 300;
constexpr int WheelStep = 20;
constexpr double MinZoom = 0.25;
constexpr double MinWheelZoom = 0.3;

} // namespace

void frxSetPageSetupHandler(TfrxPageSetupHandler Handler)
{
    PageSetupHandler() = Handler ? std::move(Handler) : ShowPageSettings;
}

TfrxSearchState &frxSearchState()
{
    static TfrxSearchState State;
    return State;
}

// ---- TfrxPageList ----

void TfrxPageList::SetColumnCount(int Value)
{
    FColumnCount = std::clamp(Value, 1, 2);
    Clear();
}

void TfrxPageList::Clear()
{
    FItems.clear();
    FMaxWidth = 0;
}

std::pair<int, int> TfrxPageList::RowOf(int Index) const
{
    int First = Index;
    while (First > 0 && FItems[static_cast<std::size_t>(First)].Column > 0)
        --First;
    int Last = Index;
    while (Last + 1 < Count() && FItems[static_cast<std::size_t>(Last + 1)].Column > 0)
        ++Last;
    return {First, Last - First + 1};
}

void TfrxPageList::AddPage(int Width, int Height)
{
    TfrxPageItem Item;
    Item.Width = static_cast<std::uint16_t>(std::clamp(Width, 0, 0xFFFF));
    Item.Height = static_cast<std::uint16_t>(std::clamp(Height, 0, 0xFFFF));
    if (FItems.empty()) {
        Item.Offset = Gap;
    } else {
        const TfrxPageItem &LastItem = FItems.back();
        if (LastItem.Column < FColumnCount - 1) {
            Item.Column = static_cast<std::uint16_t>(LastItem.Column + 1);
            Item.Offset = LastItem.Offset;
        } else {
            const auto [First, N] = RowOf(Count() - 1);
            int Tallest = 0;
            for (int i = First; i < First + N; ++i)
                Tallest = std::max<int>(Tallest, FItems[static_cast<std::size_t>(i)].Height);
            Item.Offset = LastItem.Offset + Tallest + Gap;
        }
    }
    FItems.push_back(Item);
    const auto [First, N] = RowOf(Count() - 1);
    int RowWidth = 0;
    for (int i = First; i < First + N; ++i)
        RowWidth += FItems[static_cast<std::size_t>(i)].Width + Gap;
    FMaxWidth = std::max(FMaxWidth, RowWidth);
}

int TfrxPageList::FindPage(int Y, bool Exact, double Zoom) const
{
    if (FItems.empty()) return -1;
    auto Reaches = [&](int i) {
        const TfrxPageItem &Item = FItems[static_cast<std::size_t>(i)];
        const int Slack = Exact ? 0 : Scaled(Item.Height * Zoom / 5);
        return Item.Offset * Zoom <= Y + Slack;
    };
    int Lo = 0, Hi = Count() - 1, Found = 0;
    while (Lo <= Hi) {
        const int Mid = (Lo + Hi) / 2;
        if (Reaches(Mid)) {
            Found = Mid;
            Lo = Mid + 1;
        } else {
            Hi = Mid - 1;
        }
    }
    return Found;
}

TRect TfrxPageList::GetPageBounds(int Index, int ClientWidth, double Zoom) const
{
    if (Index < 0 || Index >= Count()) {
        constexpr int A4Width = 794, A4Height = 1123;
        const int Left =
            A4Width * Zoom <= ClientWidth ? Scaled((ClientWidth - A4Width * Zoom) / 2) : Gap;
        const int Top = Scaled(Gap * Zoom);
        return TRect(Left, Top, Left + Scaled(A4Width * Zoom), Top + Scaled(A4Height * Zoom));
    }
    const auto [First, N] = RowOf(Index);
    int RowWidth = FItems[static_cast<std::size_t>(Index)].Width;
    if (FColumnCount > 1) {
        RowWidth = 0;
        for (int i = First; i < First + N; ++i)
            RowWidth += FItems[static_cast<std::size_t>(i)].Width + Gap;
    }
    const int Start =
        RowWidth * Zoom <= ClientWidth ? Scaled((ClientWidth - RowWidth * Zoom) / 2) : Gap;
    int Before = 0;
    for (int i = First; i < Index; ++i)
        Before += FItems[static_cast<std::size_t>(i)].Width + Gap;
    const TfrxPageItem &Item = FItems[static_cast<std::size_t>(Index)];
    const int Left = Start + Scaled(Before * Zoom);
    const int Top = Scaled(Item.Offset * Zoom);
    return TRect(Left, Top, Left + Scaled(Item.Width * Zoom), Top + Scaled(Item.Height * Zoom));
}

TPoint TfrxPageList::GetMaxBounds(int ClientWidth, double Zoom) const
{
    if (FItems.empty()) return TPoint(0, 0);
    return TPoint(Scaled(FMaxWidth * Zoom), GetPageBounds(Count() - 1, ClientWidth, Zoom).Bottom);
}

// ---- TfrxPreviewWorkspace ----

namespace
{

// A page drawn into a metafile at zoom 1, for reading back its texts.
class PageText
{
public:
    PageText(TfrxCustomPreviewPages *Pages, int Index)
    {
        const TPoint Size = Pages->GetPageSize(Index);
        // Hundredths of a millimetre, as metafile frames are given.
        const RECT Frame{0, 0, std::max(1, Size.X) * 2540 / 96, std::max(1, Size.Y) * 2540 / 96};
        const HDC Dc = CreateEnhMetaFileW({}, nullptr, &Frame, nullptr);
        TCanvas Canvas;
        Canvas.SetHandle(Dc);
        try {
            Pages->DrawPage(Index, &Canvas, 1, 1, 0, 0);
        } catch (...) {
            Canvas.SetHandle(nullptr);
            DeleteEnhMetaFile(CloseEnhMetaFile(Dc));
            throw;
        }
        Canvas.SetHandle(nullptr);
        FMetafile = CloseEnhMetaFile(Dc);
    }
    ~PageText() { DeleteEnhMetaFile(FMetafile); }
    PageText(const PageText &) = delete;
    PageText &operator=(const PageText &) = delete;

    // The first text record after record number After that holds Text; its
    // number, or -1.
    int Find(const AnsiString &Text, bool CaseSensitive, int After, TRect &Bounds) const
    {
        Search S{CaseSensitive ? Text : AnsiUpperCase(Text), CaseSensitive, After};
        EnumEnhMetaFile({}, FMetafile, &Visit, &S, nullptr);
        Bounds = S.Bounds;
        return S.Found;
    }

private:
    struct Search {
        AnsiString Text;
        bool CaseSensitive;
        int After;
        int Record = -1;
        int Found = -1;
        TRect Bounds;
    };

    static int Visit(HDC, HANDLETABLE *, const ENHMETARECORD *Record, int, LPARAM Data)
    {
        auto *S = reinterpret_cast<Search *>(Data);
        ++S->Record;
        if (Record->iType != EMR_EXTTEXTOUTW || S->Record <= S->After) return 1;
        const auto *T = reinterpret_cast<const EMREXTTEXTOUTW *>(Record);
        const auto *Chars = reinterpret_cast<const char16_t *>(
            reinterpret_cast<const unsigned char *>(Record) + T->emrtext.offString);
        AnsiString Text = WideString(std::u16string(Chars, T->emrtext.nChars).c_str());
        if (!S->CaseSensitive) Text = AnsiUpperCase(Text);
        if (Text.Pos(S->Text) == 0) return 1;
        S->Found = S->Record;
        S->Bounds =
            TRect(T->rclBounds.left, T->rclBounds.top, T->rclBounds.right, T->rclBounds.bottom);
        return 0;
    }

    HENHMETAFILE FMetafile{};
};

} // namespace

TfrxPreviewWorkspace::TfrxPreviewWorkspace(TComponent *AOwner) : TfrxScrollWin(AOwner)
{
    SetColor(static_cast<TColor>(0x808080));
    SetSmallChange(ScrollStep);
    SetLargeChange(ScrollPage);
}

void TfrxPreviewWorkspace::UpdateScrollBars()
{
    if (!FPreview) return;
    const TPoint Max = FPageList.GetMaxBounds(ClientWidth(), FPreview->Zoom());
    SetHorzRange(Max.X + TfrxPageList::Gap);
    SetVertRange(Max.Y + TfrxPageList::Gap);
    SetHorzPage(ClientWidth());
    SetVertPage(ClientHeight());
    SetHorzPosition(HorzPosition());
    SetVertPosition(VertPosition());
}

void TfrxPreviewWorkspace::OnHScrollChange()
{
    const int Delta = FOffsetX - HorzPosition();
    FOffsetX = HorzPosition();
    if (HandleAllocated())
        ScrollWindowEx(Handle(), Delta, 0, nullptr, nullptr, {}, nullptr, SW_INVALIDATE);
}

void TfrxPreviewWorkspace::OnVScrollChange()
{
    const int Delta = FOffsetY - VertPosition();
    FOffsetY = VertPosition();
    if (HandleAllocated())
        ScrollWindowEx(Handle(), 0, Delta, nullptr, nullptr, {}, nullptr, SW_INVALIDATE);
    if (!FPreview) return;
    const int Page = FPageList.FindPage(FOffsetY, false, FPreview->Zoom());
    FDisableUpdate = true;
    FPreview->SetPageNo(Page + 1);
    FDisableUpdate = false;
}

void TfrxPreviewWorkspace::SetToPageNo(int PageNo)
{
    if (FDisableUpdate || !FPreview) return;
    SetVertPosition(FPageList.GetPageBounds(PageNo - 1, ClientWidth(), FPreview->Zoom()).Top -
                    TfrxPageList::Gap);
}

void TfrxPreviewWorkspace::Paint()
{
    TCanvas *C = Canvas();
    const TRect Client = ClientRect();
    const TColor Back = FPreview ? FPreview->BackColor() : Color();
    if (!FPreview || FPreview->Locked() || FPreview->PageCount() == 0 || FPageList.Count() == 0) {
        C->Brush()->SetColor(Back);
        C->Brush()->SetStyle(bsSolid);
        C->FillRect(Client);
        return;
    }
    DrawPages(C);
}

void TfrxPreviewWorkspace::DrawPages(TCanvas *C)
{
    const double Zoom = FPreview->Zoom();
    const int Width = ClientWidth();
    const int Top = std::max(FPageList.FindPage(FOffsetY, false, Zoom), 0);
    const int From = std::max(Top - 20, 0);
    const int To = std::min(Top + 20, FPageList.Count() - 1);
    const TRect Client = ClientRect();
    std::vector<std::pair<int, TRect>> Visible;
    const HRGN Background = CreateRectRgn(0, 0, Client.Right, Client.Bottom);
    for (int i = From; i <= To; ++i) {
        TRect R = FPageList.GetPageBounds(i, Width, Zoom);
        R = Shifted(R, -FOffsetX, -FOffsetY);
        R.Bottom += 1;
        const RECT Cut{R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1};
        RECT Seen;
        const RECT ClientRc = Client;
        if (!IntersectRect(&Seen, &Cut, &ClientRc)) continue;
        const HRGN Page = CreateRectRgn(Cut.left, Cut.top, Cut.right, Cut.bottom);
        CombineRgn(Background, Background, Page, RGN_DIFF);
        DeleteObject(Page);
        Visible.emplace_back(i, R);
    }
    C->Brush()->SetColor(FPreview->BackColor());
    C->Brush()->SetStyle(bsSolid);
    FillRgn(C->Handle(), Background, C->Brush()->Handle());
    DeleteObject(Background);
    for (const auto &[Index, R] : Visible)
        DrawPageFrame(C, R, Index);
}

void TfrxPreviewWorkspace::DrawPageFrame(TCanvas *C, const TRect &R, int Index)
{
    const double Zoom = FPreview->Zoom();
    C->Pen()->SetColor(FPreview->FrameColor());
    C->Pen()->SetMode(pmCopy);
    C->Pen()->SetWidth(1);
    C->Brush()->SetColor(clWhite);
    C->Brush()->SetStyle(bsSolid);
    C->Rectangle(R.Left, R.Top, R.Right, R.Bottom - 1);
    C->MoveTo(R.Left + 1, R.Bottom - 1);
    C->LineTo(R.Right, R.Bottom - 1);
    C->LineTo(R.Right, R.Top);
    FPreview->PreviewPages()->DrawPage(Index, C, Zoom, Zoom, R.Left, R.Top);
    const TfrxSearchState &S = frxSearchState();
    if (!S.Found || Index != FSearchPage) return;
    C->Pen()->SetMode(pmXor);
    C->Pen()->SetColor(clWhite);
    const int Left = R.Left + Scaled(S.Bounds.Left * Zoom);
    const int Right = R.Left + Scaled(S.Bounds.Right * Zoom);
    const int FoundTop = R.Top + Scaled(S.Bounds.Top * Zoom) - 1;
    const int FoundBottom = R.Top + Scaled(S.Bounds.Bottom * Zoom) + 1;
    for (int X = Left; X < Right; ++X) {
        C->MoveTo(X, FoundTop);
        C->LineTo(X, FoundBottom);
    }
    C->Pen()->SetMode(pmCopy);
}

void TfrxPreviewWorkspace::ResetSearch(int FromPage)
{
    FSearchPage = std::max(FromPage, 0);
    TfrxSearchState &S = frxSearchState();
    S.Found = false;
    S.LastRecord = -1;
}

bool TfrxPreviewWorkspace::TextFound() const
{
    return frxSearchState().Found;
}

TRect TfrxPreviewWorkspace::FoundRect() const
{
    return frxSearchState().Bounds;
}

bool TfrxPreviewWorkspace::FindTextOnPage(int Index)
{
    TfrxSearchState &S = frxSearchState();
    const PageText Text(FPreview->PreviewPages(), Index);
    TRect Bounds;
    const int Record = Text.Find(S.Text, S.CaseSensitive, S.LastRecord, Bounds);
    if (Record < 0) return false;
    S.Found = true;
    S.Bounds = Bounds;
    S.LastRecord = Record;
    return true;
}

bool TfrxPreviewWorkspace::FindText()
{
    TfrxSearchState &S = frxSearchState();
    S.Found = false;
    if (!FPreview || S.Text.IsEmpty()) return false;
    const int Count = FPreview->PageCount();
    while (FSearchPage < Count) {
        if (FindTextOnPage(FSearchPage)) {
            ScrollToFound();
            Invalidate();
            return true;
        }
        S.LastRecord = -1;
        ++FSearchPage;
    }
    Invalidate();
    return false;
}

void TfrxPreviewWorkspace::ScrollToFound()
{
    const double Zoom = FPreview->Zoom();
    const TfrxSearchState &S = frxSearchState();
    const TRect Page = FPageList.GetPageBounds(FSearchPage, ClientWidth(), Zoom);
    const int Top = Page.Top + Scaled(S.Bounds.Top * Zoom);
    const int Bottom = Page.Top + Scaled(S.Bounds.Bottom * Zoom);
    const int Left = Page.Left + Scaled(S.Bounds.Left * Zoom) + FOffsetX;
    const int Right = Page.Left + Scaled(S.Bounds.Right * Zoom) + FOffsetX;
    constexpr int Spare = 20;
    // A search from the first page can find text above the view too.
    if (Bottom > FOffsetY + ClientHeight())
        SetVertPosition(Bottom - ClientHeight() + Spare);
    else if (Top < FOffsetY)
        SetVertPosition(Top - Spare);
    if (Left < FOffsetX || Right > FOffsetX + ClientWidth()) SetHorzPosition(Left - Spare);
}

int TfrxPreviewWorkspace::PageAt(int X, int Y, TRect &Bounds)
{
    const double Zoom = FPreview->Zoom();
    int Page = FPageList.FindPage(Y + FOffsetY, true, Zoom);
    if (Page < 0) return -1;
    Bounds = FPageList.GetPageBounds(Page, ClientWidth(), Zoom);
    Bounds = Shifted(Bounds, -FOffsetX, -FOffsetY);
    if (FPageList.ColumnCount() > 1 && X < Bounds.Left && Page > 0) {
        --Page;
        Bounds = FPageList.GetPageBounds(Page, ClientWidth(), Zoom);
        Bounds = Shifted(Bounds, -FOffsetX, -FOffsetY);
    }
    return Page;
}

void TfrxPreviewWorkspace::ObjectOver(int X, int Y, TMouseButton Button, TShiftState Shift,
                                      bool Click)
{
    if (!FPreview || FPreview->Locked() || FPreview->PageCount() == 0) return;
    TRect Bounds;
    const int Page = PageAt(X, Y, Bounds);
    if (Page < 0) return;
    TCursor Cursor = crDefault;
    FPreview->PreviewPages()->ObjectOver(Page, X, Y, Button, Shift, FPreview->Zoom(), Bounds.Left,
                                         Bounds.Top, Click, Cursor);
    // Over nothing of its own the page shows the tool at work.
    SetCursor(Cursor == crDefault ? ToolCursor(FPreview->Tool()) : Cursor);
}

void TfrxPreviewWorkspace::KeyDown(WORD &Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    if (!FPreview) return;
    switch (Key) {
    case VK_UP:
        SetVertPosition(VertPosition() - ScrollStep);
        break;
    case VK_DOWN:
        SetVertPosition(VertPosition() + ScrollStep);
        break;
    case VK_LEFT:
        SetHorzPosition(HorzPosition() - ScrollStep);
        break;
    case VK_RIGHT:
        SetHorzPosition(HorzPosition() + ScrollStep);
        break;
    case VK_PRIOR:
        if (Shift.Contains(ssCtrl))
            FPreview->Prior();
        else
            SetVertPosition(VertPosition() - ScrollPage);
        break;
    case VK_NEXT:
        if (Shift.Contains(ssCtrl))
            FPreview->Next();
        else
            SetVertPosition(VertPosition() + ScrollPage);
        break;
    case VK_HOME:
        FPreview->First();
        break;
    case VK_END:
        FPreview->Last();
        break;
    default:
        break;
    }
    FPreview->KeyDown(Key, Shift);
}

void TfrxPreviewWorkspace::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    inherited::MouseDown(Button, Shift, X, Y);
    if (CanFocus()) SetFocus();
    if (Button != mbLeft || !FPreview || FPreview->Locked()) return;
    FDown = true;
    FLastPoint = TPoint(X, Y);
}

void TfrxPreviewWorkspace::MouseMove(TShiftState Shift, int X, int Y)
{
    inherited::MouseMove(Shift, X, Y);
    if (!FPreview) return;
    if (!FDown) {
        ObjectOver(X, Y, mbLeft, Shift, false);
        return;
    }
    if (FPreview->Tool() != ptHand) return;
    SetHorzPosition(HorzPosition() - (X - FLastPoint.X));
    SetVertPosition(VertPosition() - (Y - FLastPoint.Y));
    FLastPoint = TPoint(X, Y);
}

void TfrxPreviewWorkspace::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    inherited::MouseUp(Button, Shift, X, Y);
    FDown = false;
    if (!FPreview) return;
    if (FPreview->OnClick) FPreview->OnClick(FPreview);
    if (FPreview->Tool() == ptZoom) {
        if (Button == mbLeft) FPreview->SetZoom(FPreview->Zoom() + 0.25);
        if (Button == mbRight) FPreview->SetZoom(FPreview->Zoom() - 0.25);
        return;
    }
    ObjectOver(X, Y, Button, Shift, true);
}

void TfrxPreviewWorkspace::DblClick()
{
    inherited::DblClick();
    if (!FPreview) return;
    if (TfrxPreviewForm *Form = FPreview->PreviewForm(); Form && Form->FullScreen())
        Form->SwitchToFullScreen();
}

void TfrxPreviewWorkspace::WndProc(TMessage &Message)
{
    if (Message.Msg == WM_SIZE) {
        inherited::WndProc(Message);
        UpdateScrollBars();
        return;
    }
    inherited::WndProc(Message);
}

// ---- TfrxPreview ----

TfrxPreview::TfrxPreview(TComponent *AOwner) : TfrxCustomPreview(AOwner)
{
    frxRegisterCursors();
    SetBounds(0, 0, 100, 100);
    FOutline = new TTreeView(this);
    FOutline->SetParent(this);
    FOutline->SetAlign(alLeft);
    FOutline->SetWidth(120);
    FOutline->SetVisible(false);
    FOutline->OnClick = [this](TObject *Sender) { OutlineClick(Sender); };
    FSplitter = new TSplitter(this);
    FSplitter->SetParent(this);
    FSplitter->SetAlign(alLeft);
    FSplitter->SetWidth(2);
    FSplitter->SetLeft(FOutline->Width() + 1);
    FSplitter->SetVisible(false);
    FWorkspace = new TfrxPreviewWorkspace(this);
    FWorkspace->SetParent(this);
    FWorkspace->SetAlign(alClient);
    FWorkspace->SetPreview(this);
    FWorkspace->SetCursor(ToolCursor(FTool));
    FMessagePanel = new TPanel(this);
    FMessagePanel->SetParent(this);
    FMessagePanel->SetVisible(false);
    FMessagePanel->SetBounds(0, 0, 260, 75);
    FMessageLabel = new TLabel(this);
    FMessageLabel->SetParent(FMessagePanel);
    FMessageLabel->SetAutoSize(false);
    FMessageLabel->SetAlignment(taCenter);
    FMessageLabel->SetBounds(4, 20, 255, 20);
    FCancelB = new TButton(this);
    FCancelB->SetParent(FMessagePanel);
    FCancelB->SetBounds(92, 44, 75, 25);
    FCancelB->SetCaption(Res("clCancel"));
    FCancelB->SetVisible(false);
    FCancelB->OnClick = [this](TObject *) { Cancel(); };
}

TfrxPreview::~TfrxPreview()
{
    if (Report() && Report()->Preview() == this) Report()->SetPreview(nullptr);
}

TfrxPreviewForm *TfrxPreview::PreviewForm() const
{
    return dynamic_cast<TfrxPreviewForm *>(Owner());
}

int TfrxPreview::PageCount()
{
    return PreviewPages() ? PreviewPages()->Count() : 0;
}

void TfrxPreview::Init()
{
    FWorkspace->ResetSearch(0);
    if (TfrxReport *R = Report()) {
        TfrxPreviewOptions *Options = R->PreviewOptions();
        SetDoubleBuffered(Options->DoubleBuffered());
        SetOutlineVisible(Options->OutlineVisible());
        SetOutlineWidth(Options->OutlineWidth());
    }
    PageListChanged();
    UpdateOutline();
    FPageNo = 0;
    SetPageNo(1);
}

void TfrxPreview::PageListChanged()
{
    TfrxPageList *List = FWorkspace->PageList();
    List->Clear();
    for (int i = 0; i < PageCount(); ++i) {
        const TPoint Size = PreviewPages()->GetPageSize(i);
        List->AddPage(Size.X, Size.Y);
    }
    UpdateZoom();
    FWorkspace->UpdateScrollBars();
    FWorkspace->Invalidate();
}

void TfrxPreview::SetZoom(double Value)
{
    if (FZoomMode == zmManyPages) SetZoomMode(zmDefault);
    FZoomMode = zmDefault;
    FZoom = std::max(Value, MinZoom);
    UpdateZoom();
}

void TfrxPreview::SetZoomMode(TfrxZoomMode Value)
{
    FZoomMode = Value;
    FWorkspace->PageList()->SetColumnCount(Value == zmManyPages ? 2 : 1);
    PageListChanged();
}

void TfrxPreview::UpdateZoom()
{
    if (FLocked || PageCount() == 0) return;
    const TPoint Size = PreviewPages()->GetPageSize(std::max(FPageNo, 1) - 1);
    // A page without size (a damaged file, zero paper) leaves the zoom alone.
    auto Apply = [this](double Value) {
        if (Value > 0 && std::isfinite(Value)) FZoom = Value;
    };
    if (Size.X > 0 && Size.Y > 0) switch (FZoomMode) {
        case zmWholePage:
            Apply((FWorkspace->ClientHeight() - 20.0) / Size.Y);
            break;
        case zmPageWidth:
            Apply((FWorkspace->Width() - 52.0) / Size.X);
            break;
        case zmManyPages:
            Apply((FWorkspace->ClientWidth() - 32.0) / (2.0 * Size.X));
            break;
        default:
            break;
        }
    if (FZoomMode == zmWholePage || FZoomMode == zmManyPages) {
        FWorkspace->UpdateScrollBars();
        FWorkspace->SetToPageNo(FPageNo);
    }
    FWorkspace->UpdateScrollBars();
    FWorkspace->Invalidate();
    if (TfrxPreviewForm *Form = PreviewForm()) Form->UpdateZoom();
}

void TfrxPreview::SetPageNo(int Value)
{
    const int Count = PageCount();
    FPageNo = Count == 0 ? 0 : std::clamp(Value, 1, Count);
    if (Count > 0) FWorkspace->SetToPageNo(FPageNo);
    UpdatePageNumbers();
}

void TfrxPreview::UpdatePageNumbers()
{
    if (OnPageChanged) OnPageChanged(this, FPageNo);
}

void TfrxPreview::SetPosition(int PageN, int Top)
{
    if (PageCount() == 0) return;
    const int Index = std::clamp(PageN, 1, PageCount()) - 1;
    int Position =
        FWorkspace->PageList()->GetPageBounds(Index, FWorkspace->ClientWidth(), FZoom).Top -
        TfrxPageList::Gap;
    if (Top != 0) {
        const auto *Page = dynamic_cast<TfrxReportPage *>(PreviewPages()->GetPage(Index));
        const double Margin = Page ? Page->TopMargin() : 0;
        Position += Scaled((Top + Margin * fr01cm) * FZoom);
    }
    FWorkspace->SetVertPosition(Position);
}

void TfrxPreview::SetOutlineVisible(bool Value)
{
    FOutline->SetVisible(Value);
    FSplitter->SetVisible(Value);
    if (Value) FSplitter->SetLeft(FOutline->Left() + FOutline->Width() + 1);
}

void TfrxPreview::SetBackColor(TColor Value)
{
    FBackColor = Value;
    FWorkspace->Invalidate();
}

void TfrxPreview::Lock()
{
    FLocked = true;
}

void TfrxPreview::Unlock()
{
    HideMessage();
    FLocked = false;
    FWorkspace->ResetSearch(0);
    FPageNo = std::min(1, PageCount());
    UpdatePageNumbers();
    UpdateZoom();
    FWorkspace->Invalidate();
}

void TfrxPreview::UnlockAfter(const std::function<void()> &Work)
{
    try {
        Work();
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
}

void TfrxPreview::ShowMessage(const AnsiString &Text)
{
    FMessagePanel->SetLeft((Width() - 260) / 2);
    FMessagePanel->SetTop((Height() - 75) / 3);
    FMessageLabel->SetCaption(Text);
    FMessagePanel->BringToFront();
    FMessagePanel->Show();
    FMessagePanel->Repaint();
}

void TfrxPreview::HideMessage()
{
    FMessagePanel->Hide();
    FCancelB->Hide();
}

void *frxOutlineNodeData(int Page, int Top)
{
    static_assert(sizeof(std::uintptr_t) >= 8, "the top needs the bits above the page");
    const auto PageBits = static_cast<std::uintptr_t>(Page + 1) & OutlinePageMask;
    const auto HalfTop = static_cast<std::uintptr_t>(std::max(Top, 0) / 2);
    return reinterpret_cast<void *>(PageBits | HalfTop << OutlinePageBits);
}

TfrxOutlineTarget frxOutlineNodeTarget(const void *Data)
{
    const auto Bits = reinterpret_cast<std::uintptr_t>(Data);
    return TfrxOutlineTarget{static_cast<int>(Bits & OutlinePageMask) - 1,
                             static_cast<int>(Bits >> OutlinePageBits) * 2};
}

TfrxOutlineTarget TfrxPreview::OutlineTarget(int Index) const
{
    return frxOutlineNodeTarget(FOutline->Items()->Item(Index)->Data());
}

void TfrxPreview::SetTool(TfrxPreviewTool Value)
{
    FTool = Value;
    FWorkspace->SetCursor(ToolCursor(Value));
}

void TfrxPreview::UpdateOutline()
{
    TTreeNodes *Nodes = FOutline->Items();
    Nodes->BeginUpdate();
    Nodes->Clear();
    if (TfrxCustomOutline *Outline = PreviewPages() ? PreviewPages()->Outline() : nullptr) {
        Outline->LevelRoot();
        AddOutlineLevel(Outline, nullptr);
        Outline->LevelRoot();
        if (Report() && Report()->PreviewOptions()->OutlineExpand()) FOutline->FullExpand();
    }
    Nodes->EndUpdate();
    if (TTreeNode *First = Nodes->GetFirstNode()) First->SetSelected(true);
}

void TfrxPreview::AddOutlineLevel(TfrxCustomOutline *Outline, TTreeNode *Parent)
{
    const int Count = Outline->GetCount();
    for (int i = 0; i < Count; ++i) {
        AnsiString Text;
        int Page = 0, Top = 0;
        Outline->GetItem(i, Text, Page, Top);
        TTreeNode *Node =
            FOutline->Items()->AddChildObject(Parent, Text, frxOutlineNodeData(Page, Top));
        Outline->LevelDown(i);
        AddOutlineLevel(Outline, Node);
        Outline->LevelUp();
    }
}

void TfrxPreview::OutlineClick(TObject *)
{
    POINT Cursor{};
    GetCursorPos(&Cursor);
    const TPoint At = FOutline->ScreenToClient(Cursor);
    if (!FOutline->GetHitTestInfoAt(At.X, At.Y).Contains(htOnItem)) return;
    const TfrxOutlineTarget Target = frxOutlineNodeTarget(FOutline->GetNodeAt(At.X, At.Y)->Data());
    SetPosition(Target.Page + 1, Target.Top);
    if (FWorkspace->CanFocus()) FWorkspace->SetFocus();
}

// ---- running a report into the preview ----

void TfrxPreview::InternalOnProgressStart(TfrxReport *, TfrxProgressType, int)
{
    Clear();
    FRunning = true;
    if (TfrxPreviewForm *Form = PreviewForm()) Form->UpdateControls();
}

void TfrxPreview::InternalOnProgress(TfrxReport *Sender, TfrxProgressType, int Progress)
{
    TfrxCustomEngine *Engine = Sender ? Sender->Engine() : nullptr;
    if (Engine && !Engine->FinalPass) return;
    TfrxPageList *List = FWorkspace->PageList();
    for (int i = List->Count(); i < PageCount(); ++i) {
        const TPoint Size = PreviewPages()->GetPageSize(i);
        List->AddPage(Size.X, Size.Y);
    }
    if (Progress == 0) {
        FPageNo = 1;
        UpdateZoom();
        if (TfrxPreviewForm *Form = PreviewForm()) Form->CancelB->SetCaption(Res("clCancel"));
        FTick = GetTickCount();
    } else if (Progress == 1) {
        const DWORD Elapsed = GetTickCount() - FTick;
        FRefreshInterval = Elapsed < 5 ? 50 : Elapsed < 10 ? 20 : 5;
        FPageNo = 1;
    } else if (Progress % FRefreshInterval == 0) {
        UpdatePageNumbers();
        FWorkspace->UpdateScrollBars();
    }
}

void TfrxPreview::InternalOnProgressStop(TfrxReport *, TfrxProgressType, int)
{
    FRunning = false;
    if (FPageNo == 0 && PageCount() > 0) FPageNo = 1;
    UpdatePageNumbers();
    FWorkspace->UpdateScrollBars();
    UpdateZoom();
    UpdateOutline();
    if (TfrxPreviewForm *Form = PreviewForm()) {
        Form->CancelB->SetCaption(Res("clClose"));
        Form->UpdateControls();
    }
}

void TfrxPreview::Cancel()
{
    if (FRunning && Report()) Report()->SetTerminated(true);
}

// ---- operations on the pages ----

void TfrxPreview::SetCurPage()
{
    PreviewPages()->CurPreviewPage = FPageNo;
}

void TfrxPreview::Print()
{
    if (Busy() || PageCount() == 0) return;
    SetCurPage();
    // The print handler locks the preview; a job that fails to start or end must
    // not leave it locked and blank.
    UnlockAfter([this] { PreviewPages()->Print(); });
}

void TfrxPreview::Export(TfrxCustomExportFilter *Filter)
{
    if (Busy() || PageCount() == 0) return;
    SetCurPage();
    // A dot-matrix report's text goes to the dot-matrix export, which knows its grid.
    if (Filter && Filter->ClassName() == "TfrxTextExport" && Report()->DotMatrixReport() &&
        frxDotMatrixExport())
        Filter = frxDotMatrixExport();
    UnlockAfter([&] { PreviewPages()->Export(Filter); });
}

void TfrxPreview::SaveToFile()
{
    if (Busy() || PageCount() == 0) return;
    TSaveDialog Dialog(nullptr);
    Dialog.SetFilter(Res("clRPDfiles") + " (*.rpd)|*.rpd");
    Dialog.SetDefaultExt("rpd");
    if (Dialog.Execute()) SaveToFile(ChangeFileExt(Dialog.FileName(), ".rpd"));
}

void TfrxPreview::SaveToFile(const AnsiString &FileName)
{
    if (Busy() || !PreviewPages()) return;
    Lock();
    ShowMessage(Res("clSaving"));
    UnlockAfter([&] { PreviewPages()->SaveToFile(FileName); });
}

void TfrxPreview::LoadFromFile()
{
    if (Busy()) return;
    TOpenDialog Dialog(nullptr);
    Dialog.SetFilter(Res("clRPDfiles") + " (*.rpd)|*.rpd");
    if (Dialog.Execute()) LoadFromFile(Dialog.FileName());
}

void TfrxPreview::LoadFromFile(const AnsiString &FileName)
{
    if (Busy() || !PreviewPages()) return;
    Lock();
    ShowMessage(Res("clLoading"));
    UnlockAfter([&] {
        PreviewPages()->LoadFromFile(FileName, true);
        if (Report()) SetOutlineVisible(Report()->PreviewOptions()->OutlineVisible());
    });
    UpdateOutline();
    PageListChanged();
    SetPageNo(1);
}

void TfrxPreview::Clear()
{
    if (Busy()) return;
    if (PreviewPages()) PreviewPages()->Clear();
    FWorkspace->PageList()->Clear();
    FOutline->Items()->Clear();
    FWorkspace->UpdateScrollBars();
    FPageNo = 0;
    UpdatePageNumbers();
    FWorkspace->Invalidate();
}

void TfrxPreview::AddPage()
{
    if (Busy() || PageCount() == 0) return;
    PreviewPages()->AddEmptyPage(FPageNo);
    PageListChanged();
    SetPageNo(FPageNo + 1);
}

void TfrxPreview::DeletePage()
{
    if (Busy() || PageCount() == 0) return;
    PreviewPages()->DeletePage(FPageNo - 1);
    if (FPageNo >= PageCount()) FPageNo = std::max(FPageNo - 1, 1);
    PageListChanged();
    SetPageNo(FPageNo);
}

namespace
{

// The views of a prepared page laid straight onto Page at their places on the
// paper: the designer edits objects, not the bands that held them.
void CopyViewsFlat(TfrxPage *Prepared, TfrxPage *Page)
{
    TList *All = Prepared->GetAllObjects();
    for (int i = 0; i < All->Count(); ++i) {
        auto *View = dynamic_cast<TfrxView *>(static_cast<TfrxComponent *>(All->Items(i)));
        if (!View) continue;
        auto *Copy = static_cast<TfrxView *>(View->ClassType()->Create(Page));
        Copy->Assign(View);
        Copy->SetLeft(View->GetAbsLeft());
        Copy->SetTop(View->GetAbsTop());
        // The page holds what was printed; a data set would fill the text anew.
        if (auto *Memo = dynamic_cast<TfrxCustomMemoView *>(Copy)) Memo->SetDataSet(nullptr);
    }
}

} // namespace

void TfrxPreview::Edit()
{
    if (Busy() || PageCount() == 0 || !frxDesignerClass()) return;
    TfrxPage *Prepared = PreviewPages()->GetPage(FPageNo - 1);
    if (!Prepared) return;
    TfrxReport Temporary(nullptr);
    auto *Page = static_cast<TfrxReportPage *>(Prepared->ClassType()->Create(&Temporary));
    Page->Assign(Prepared);
    CopyViewsFlat(Prepared, Page);
    if (!Temporary.DesignPreviewPage()) return;
    Lock();
    UnlockAfter([&] { PreviewPages()->ModifyPage(FPageNo - 1, Page); });
    PageListChanged();
}

void TfrxPreview::EditTemplate()
{
    if (Busy() || !Report() || !frxDesignerClass()) return;
    TMemoryStream Template;
    Report()->SaveToStream(&Template);
    Template.SetPosition(0);
    TfrxReport Temporary(nullptr);
    Temporary.LoadFromStream(&Template);
    frxDesignerClass()(&Temporary)->ShowModal();
}

void TfrxPreview::PageSetupDlg()
{
    if (Busy() || PageCount() == 0 || !PageSetupHandler()) return;
    auto *Current = dynamic_cast<TfrxReportPage *>(PreviewPages()->GetPage(FPageNo - 1));
    if (!Current) return;
    TfrxReportPage Copy(nullptr);
    Copy.Assign(Current);
    bool NeedRebuild = false;
    if (!PageSetupHandler()(&Copy, Report(), NeedRebuild)) return;
    if (!NeedRebuild) {
        Lock();
        PreviewPages()->ModifyPage(FPageNo - 1, &Copy);
        Unlock();
        PageListChanged();
        return;
    }
    ApplyPageSettings(&Copy);
    Report()->PrepareReport();
}

void TfrxPreview::ApplyPageSettings(TfrxReportPage *Settings)
{
    for (int i = 0; i < Report()->PagesCount(); ++i) {
        auto *Page = dynamic_cast<TfrxReportPage *>(Report()->Pages(i));
        if (!Page) continue;
        Page->SetOrientation(Settings->Orientation());
        Page->SetSizeAndDimensions(Settings->PaperSize(), Settings->PaperWidth(),
                                   Settings->PaperHeight());
        Page->SetLeftMargin(Settings->LeftMargin());
        Page->SetRightMargin(Settings->RightMargin());
        Page->SetTopMargin(Settings->TopMargin());
        Page->SetBottomMargin(Settings->BottomMargin());
    }
}

void TfrxPreview::Find()
{
    TfrxSearchDialog Dialog(nullptr);
    if (Dialog.ShowModal() != mrOk) return;
    TfrxSearchState &S = frxSearchState();
    S.Text = Dialog.TextE->Text();
    S.CaseSensitive = Dialog.CaseCB->Checked();
    FWorkspace->ResetSearch(Dialog.TopCB->Checked() ? 0 : FPageNo - 1);
    FWorkspace->FindText();
    FAllowF3 = true;
}

void TfrxPreview::FindNext()
{
    if (FAllowF3) FWorkspace->FindText();
}

// ---- input ----

void TfrxPreview::Resize()
{
    inherited::Resize();
    if (PageCount() > 0) UpdateZoom();
}

void TfrxPreview::KeyDown(WORD &Key, TShiftState Shift)
{
    if (!Report()) return;
    const TfrxPreviewButtons Buttons = Report()->PreviewOptions()->Buttons();
    const bool Ctrl = Shift.Contains(ssCtrl);
    if (Key == VK_F3 && Buttons.Contains(pbFind))
        FindNext();
    else if (Ctrl && Key == 'P' && Buttons.Contains(pbPrint))
        Print();
    else if (Ctrl && Key == 'S' && Buttons.Contains(pbSave))
        SaveToFile();
    else if (Ctrl && Key == 'F' && Buttons.Contains(pbFind))
        Find();
}

bool TfrxPreview::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint)
{
    if (Shift.Contains(ssCtrl)) {
        if (const int Notches = FZoomWheel.Steps(WheelDelta, 1))
            SetZoom(std::max(FZoom + 0.1 * Notches, MinWheelZoom));
    } else if (Shift.Contains(ssShift)) {
        FWorkspace->SetHorzPosition(FWorkspace->HorzPosition() -
                                    FScrollWheel.Steps(WheelDelta, WheelStep));
    } else {
        FWorkspace->SetVertPosition(FWorkspace->VertPosition() -
                                    FScrollWheel.Steps(WheelDelta, WheelStep));
    }
    return true;
}

void TfrxPreview::WndProc(TMessage &Message)
{
    if (!frxHandleSelfPaintedMessage(Message, DLGC_WANTARROWS)) inherited::WndProc(Message);
}

// ---- published properties ----

QRV4_METHOD_INFO(TfrxPageChangedEvent)

namespace
{

void PublishPreview(rtl::Publisher<TfrxPreview> &P)
{
    P.Property("BackColor", &TfrxPreview::BackColor, &TfrxPreview::SetBackColor, rtl::TColorInfo())
        .Default(0x808080);
    P.Property("FrameColor", &TfrxPreview::FrameColor, &TfrxPreview::SetFrameColor,
               rtl::TColorInfo())
        .Default(clBlack);
    P.Property("OutlineVisible", &TfrxPreview::OutlineVisible, &TfrxPreview::SetOutlineVisible);
    P.Property("OutlineWidth", &TfrxPreview::OutlineWidth, &TfrxPreview::SetOutlineWidth);
    P.Property("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
    P.Event("OnClick", &TControl::OnClick);
    P.Event("OnPageChanged", &TfrxPreview::OnPageChanged);
}

[[maybe_unused]] const bool PreviewPublished = rtl::PublishClass<TfrxPreview>(&PublishPreview);

} // namespace
