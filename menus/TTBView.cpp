#include "menus/TTBView.h"

#include "menus/TB2Common.h"
#include "menus/TB2Consts.h"
#include "menus/TTBItemViewer.h"
#include "menus/TTBPopupMenu.h"

#include <algorithm>
#include <utility>

TTBView::TTBView(TComponent *AOwner, TTBView *ParentView, TTBCustomItem *ParentItem,
                 TWinControl *Window, bool IsToolbar, bool Customizing)
    : TComponent(AOwner), FParentView(ParentView), FParentItem(ParentItem), FWindow(Window),
      FIsToolbar(IsToolbar), FCustomizing(Customizing)
{
    FOrientation = tbvoHorizontal;
    if (FParentItem) {
        FParentItem->RegisterNotification(this,
                                          [this](auto... Args) { LinkNotification(Args...); });
        FParentItem->FreeNotification(this);
    }
    if (FParentView) FSkin = FParentView->FSkin;
    UpdateCurParentItem();
}

TTBView::~TTBView()
{
    CloseChildPopups();
    if (FCurParentItem) FCurParentItem->UnregisterNotification(&FCurParentItem);
    if (FParentItem) FParentItem->UnregisterNotification(this);
    FreeViewers();
}

TFont *TTBView::GetFont()
{
    return ToolbarFont();
}

TFont *TTBPopupView::GetFont()
{
    return Window() ? Window()->Font() : ToolbarFont();
}

void TTBView::Notification(TComponent *AComponent, TOperation Operation)
{
    inherited::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FParentItem) {
        FParentItem = nullptr;
        UpdateCurParentItem();
        if (FParentView) FParentView->CloseChildPopups();
    }
    if (AComponent == FOpenViewerWindow) SetOpenPopup(nullptr, nullptr, nullptr);
}

void TTBView::SetOpenPopup(TTBItemViewer *Viewer, TTBView *View, TTBPopupWindow *Window)
{
    FOpenViewer = Viewer;
    FOpenViewerView = View;
    FOpenViewerWindow = Window;
    if (Window) Window->FreeNotification(this);
}

// ---- structure -----------------------------------------------------------------------------

void TTBView::UpdateCurParentItem()
{
    TTBCustomItem *Value = FParentItem;
    if (Value && Value->LinkSubitems()) Value = Value->LinkSubitems();
    if (Value == FCurParentItem) return;
    CloseChildPopups();
    if (FCurParentItem) FCurParentItem->UnregisterNotification(&FCurParentItem);
    FCurParentItem = Value;
    // The link handler is registered under the view itself, this one under the field.
    if (FCurParentItem)
        FCurParentItem->RegisterNotification(&FCurParentItem,
                                             [this](auto... Args) { ItemNotification(Args...); });
    RecreateAllViewers();
}

void TTBView::FreeViewers()
{
    while (!FViewers.empty()) {
        DeletingViewer(FViewers.back().get());
        FViewers.pop_back();
    }
}

void TTBView::DeletingViewer(TTBItemViewer *Viewer)
{
    if (FSelected == Viewer) FSelected = nullptr;
    if (FOpenViewer == Viewer) CloseChildPopups();
}

void TTBView::RecreateAllViewers()
{
    CloseChildPopups();
    SetSelected(nullptr);
    InvalidatePositions();
    FreeViewers();
    if (!FCurParentItem) return;
    for (int I = 0; I < FCurParentItem->Count(); ++I)
        FViewers.push_back(FCurParentItem->Items(I)->CreateViewer(this));
}

void TTBView::InsertViewer(int Index, TTBCustomItem *Item)
{
    Index = std::clamp(Index, 0, ViewerCount());
    FViewers.insert(FViewers.begin() + Index, Item->CreateViewer(this));
}

TTBItemViewer *TTBView::Find(TTBCustomItem *Item) const
{
    for (const auto &Viewer : FViewers)
        if (Viewer->Item() == Item) return Viewer.get();
    throw ETBItemError(STBViewerNotFound);
}

int TTBView::IndexOf(const TTBItemViewer *Viewer) const
{
    for (int I = 0; I < ViewerCount(); ++I)
        if (FViewers[static_cast<std::size_t>(I)].get() == Viewer) return I;
    return -1;
}

bool TTBView::ContainsView(const TTBView *View) const
{
    for (; View; View = View->FParentView)
        if (View == this) return true;
    return false;
}

TTBView *TTBView::GetParentToolbarView()
{
    for (TTBView *View = this; View; View = View->FParentView)
        if (View->FIsToolbar) return View;
    return nullptr;
}

void TTBView::ItemNotification(TTBCustomItem *, bool, TTBItemChangedAction Action, int Index,
                               TTBCustomItem *Item)
{
    switch (Action) {
    case tbicInserted:
        InvalidatePositions();
        InsertViewer(Index, Item);
        break;
    case tbicDeleting:
        InvalidatePositions();
        for (int I = ViewerCount() - 1; I >= 0; --I)
            if (Viewers(I)->Item() == Item) {
                DeletingViewer(Viewers(I));
                FViewers.erase(FViewers.begin() + I);
            }
        break;
    case tbicSubitemsChanged:
        RecreateAllViewers();
        break;
    case tbicSubitemsBeginUpdate:
        BeginUpdate();
        return;
    case tbicSubitemsEndUpdate:
        EndUpdate();
        return;
    case tbicInvalidate:
        for (const auto &Viewer : FViewers)
            if (Viewer->Item() == Item) Invalidate(Viewer.get());
        break;
    case tbicInvalidateAndResize:
    case tbicSubMenuImagesChanged:
        InvalidatePositions();
        break;
    case tbicRecreateItemViewers:
        InvalidatePositions();
        for (auto &Viewer : FViewers)
            if (Viewer->Item() == Item) {
                DeletingViewer(Viewer.get());
                Viewer = Item->CreateViewer(this);
            }
        break;
    case tbicNameChanged:
        return;
    }
    TryValidatePositions();
}

void TTBView::LinkNotification(TTBCustomItem *, bool, TTBItemChangedAction Action, int,
                               TTBCustomItem *)
{
    if (Action == tbicSubitemsChanged) UpdateCurParentItem();
    if (Action == tbicSubMenuImagesChanged && FParentItem != FCurParentItem) {
        InvalidatePositions();
        TryValidatePositions();
    }
}

// ---- layout ------------------------------------------------------------------------------

void TTBView::InvalidatePositions()
{
    if (!FValidated) return;
    FValidated = false;
    if (FWindow && FWindow->HandleAllocated())
        InvalidateRect(FWindow->WindowHandle(), nullptr, TRUE);
}

void TTBView::ValidatePositions()
{
    if (!FValidated) UpdatePositions();
}

void TTBView::TryValidatePositions()
{
    if (FUpdating == 0 && !(FParentItem && FParentItem->ComponentState().Contains(csLoading)))
        ValidatePositions();
}

void TTBView::EndUpdate()
{
    if (--FUpdating == 0) TryValidatePositions();
}

void TTBView::UpdatePositions()
{
    const bool Changed = CalculatePositions();
    FValidated = true;
    if (!Changed) {
        AutoSize(FTotalSize.X, FTotalSize.Y);
        return;
    }
    if (FWindow && FWindow->HandleAllocated()) ValidateRect(FWindow->WindowHandle(), nullptr);
    AutoSize(FTotalSize.X, FTotalSize.Y);
    RepaintAfterLayout();
}

void TTBView::AutoSize(int Width, int Height)
{
    if (!FWindow) return;
    FWindow->SetBounds(FWindow->Left(), FWindow->Top(),
                       FWindow->Width() - FWindow->ClientWidth() + Width,
                       FWindow->Height() - FWindow->ClientHeight() + Height);
}

// A changed layout is painted at once, through one bitmap, so nothing flickers.
void TTBView::RepaintAfterLayout()
{
    if (!FWindow || !FWindow->HandleAllocated() || !IsWindowVisible(FWindow->WindowHandle()))
        return;
    const HWND Wnd = FWindow->WindowHandle();
    const int W = FWindow->ClientWidth(), H = FWindow->ClientHeight();
    if (W < 1 || H < 1) return;
    const HDC WindowDC = GetDC(Wnd);
    const HDC Memory = CreateCompatibleDC(WindowDC);
    const HBITMAP Bitmap = CreateCompatibleBitmap(WindowDC, W, H);
    const HGDIOBJ Old = SelectObject(Memory, Bitmap);
    FWindow->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(Memory), 0);
    FWindow->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Memory), 0);
    BitBlt(WindowDC, 0, 0, W, H, Memory, 0, 0, SRCCOPY);
    SelectObject(Memory, Old);
    DeleteObject(Bitmap);
    DeleteDC(Memory);
    ReleaseDC(Wnd, WindowDC);
    ValidateRect(Wnd, nullptr);
}

namespace
{

bool IsSeparator(TTBItemViewer *Viewer)
{
    return Viewer->Item()->ItemStyle().Contains(tbisSeparator);
}

struct Layout {
    TRect Bounds;
    bool Show = false;
    bool Clipped = false;
};

// Separators after a shown separator, at the start or at the end do not show.
void HideExtraSeparators(std::vector<TTBItemViewer *> &Viewers, std::vector<Layout> &Pos)
{
    bool PreviousWasSeparator = true;
    for (std::size_t I = 0; I < Viewers.size(); ++I) {
        if (!Pos[I].Show) continue;
        const bool Separator = IsSeparator(Viewers[I]);
        if (Separator && PreviousWasSeparator) Pos[I].Show = false;
        PreviousWasSeparator = Separator;
    }
    for (std::size_t I = Viewers.size(); I-- > 0;) {
        if (!Pos[I].Show) continue;
        if (!IsSeparator(Viewers[I])) break;
        Pos[I].Show = false;
    }
}

} // namespace

bool TTBView::CalculatePositions()
{
    std::vector<TTBItemViewer *> Viewers;
    for (auto &Viewer : FViewers)
        Viewers.push_back(Viewer.get());
    std::vector<Layout> Pos(Viewers.size());
    for (std::size_t I = 0; I < Viewers.size(); ++I)
        Pos[I].Show = Viewers[I]->Item()->Visible();
    HideExtraSeparators(Viewers, Pos);

    {
        const HDC Screen = GetDC({});
        TCanvas Canvas;
        Canvas.SetHandle(Screen);
        Canvas.Font()->Assign(GetFont());
        const TFontStyles Plain = Canvas.Font()->Style();
        try {
            for (std::size_t I = 0; I < Viewers.size(); ++I) {
                if (!Pos[I].Show) continue;
                const bool Bold = Viewers[I]->Item()->EffectiveOptions().Contains(tboDefault) &&
                                  !Plain.Contains(fsBold);
                if (Bold) Canvas.Font()->SetStyle(Plain + TFontStyles{fsBold});
                int Width = 0, Height = 0;
                Viewers[I]->CalcSize(&Canvas, Width, Height);
                if (Bold) Canvas.Font()->SetStyle(Plain);
                Pos[I].Bounds = TRect(0, 0, Width, Height);
            }
        } catch (...) {
            Canvas.SetHandle(nullptr);
            ReleaseDC({}, Screen);
            throw;
        }
        Canvas.SetHandle(nullptr);
        ReleaseDC({}, Screen);
    }

    // A popup is one column: every row as wide as the widest.
    TPoint Size;
    for (std::size_t I = 0; I < Viewers.size(); ++I) {
        if (!Pos[I].Show) continue;
        Pos[I].Bounds = Bounds(0, Size.Y, Pos[I].Bounds.Width(), Pos[I].Bounds.Height());
        Size.Y = Pos[I].Bounds.Bottom;
        Size.X = std::max<LONG>(Size.X, Pos[I].Bounds.Right);
    }
    for (std::size_t I = 0; I < Viewers.size(); ++I)
        if (Pos[I].Show && !Viewers[I]->Item()->EffectiveOptions().Contains(tboToolbarSize))
            Pos[I].Bounds.Right = Pos[I].Bounds.Left + Size.X;

    if (FMaxHeight >= 1 && Size.Y > FMaxHeight) {
        const int Overflow = Size.Y - FMaxHeight;
        FScrollOffset = std::max(std::min(FScrollOffset, Overflow), 0);
        FShowUpArrow = FScrollOffset > 0;
        FShowDownArrow = Overflow > FScrollOffset;
        const int BandTop = FShowUpArrow ? ScrollArrowHeight : 0;
        const int BandBottom = FMaxHeight - (FShowDownArrow ? ScrollArrowHeight : 0);
        for (Layout &P : Pos) {
            if (P.Bounds.Width() <= 0 && P.Bounds.Height() <= 0) continue;
            P.Bounds.Top -= FScrollOffset;
            P.Bounds.Bottom -= FScrollOffset;
            if (P.Show && (P.Bounds.Top < BandTop || P.Bounds.Bottom > BandBottom)) {
                P.Show = false;
                P.Clipped = true;
            }
        }
        Size.Y = FMaxHeight;
    } else {
        FScrollOffset = 0;
        FShowUpArrow = FShowDownArrow = false;
    }
    FTotalSize = Size;

    bool Changed = false;
    for (std::size_t I = 0; I < Viewers.size(); ++I) {
        TTBItemViewer *Viewer = Viewers[I];
        if (!(Viewer->BoundsRect() == Pos[I].Bounds) || Viewer->Show() != Pos[I].Show)
            Changed = true;
        Viewer->SetBoundsRect(Pos[I].Bounds);
        Viewer->SetShow(Pos[I].Show);
        Viewer->SetClipped(Pos[I].Clipped);
    }
    return Changed;
}

void TTBView::Scroll(bool Down)
{
    ValidatePositions();
    bool Found = false;
    int Edge = 0;
    for (const auto &Viewer : FViewers) {
        if (!Viewer->Clipped() || IsSeparator(Viewer.get())) continue;
        const TRect &R = Viewer->BoundsRect();
        if (Down && R.Bottom > FMaxHeight - ScrollArrowHeight) {
            Edge = Found ? std::min<int>(Edge, R.Bottom) : R.Bottom;
            Found = true;
        } else if (!Down && R.Top < ScrollArrowHeight) {
            Edge = Found ? std::max<int>(Edge, R.Top) : R.Top;
            Found = true;
        }
    }
    if (!Found) return;
    FScrollOffset += Down ? Edge - (FMaxHeight - ScrollArrowHeight) : Edge - ScrollArrowHeight;
    UpdatePositions();
}

void TTBView::ScrollSelectedIntoView()
{
    if (!FSelected || !FSelected->Clipped()) return;
    const TRect &R = FSelected->BoundsRect();
    if (R.Top < ScrollArrowHeight)
        FScrollOffset += R.Top - ScrollArrowHeight;
    else if (R.Bottom > FMaxHeight - ScrollArrowHeight)
        FScrollOffset += R.Bottom - (FMaxHeight - ScrollArrowHeight);
    UpdatePositions();
}

TTBItemViewer *TTBView::ViewerFromPoint(const TPoint &P)
{
    ValidatePositions();
    for (const auto &Viewer : FViewers)
        if (Viewer->Show() && Viewer->BoundsRect().Contains(P.X, P.Y)) return Viewer.get();
    return nullptr;
}

// ---- painting -------------------------------------------------------------------------------

void TTBView::DrawSubitems(TCanvas *Canvas)
{
    const bool InOrder = FState.Contains(vsDrawInOrder);
    for (const auto &Viewer : FViewers)
        if (InOrder || Viewer.get() != FSelected) DrawItem(Viewer.get(), Canvas, false);
    if (!InOrder && FSelected) DrawItem(FSelected, Canvas, false);
    FState >> vsDrawInOrder;
}

void TTBView::DrawItem(TTBItemViewer *Viewer, TCanvas *Canvas, bool Offscreen)
{
    ValidatePositions();
    TTBItemViewerState ViewerState = Viewer->ViewerState();
    if (ViewerState.Contains(tbisInvalidated)) {
        Viewer->SetViewerState(ViewerState >> tbisInvalidated);
        Offscreen = true;
    }
    const TRect R = Viewer->BoundsRect();
    if (!Viewer->Show() || R.Width() <= 0 || R.Height() <= 0) return;
    const bool IsSelected = Viewer == FSelected;
    const bool IsPushed = IsSelected && (Viewer == FOpenViewer || (FMouseOverSelected && FCapture));
    const bool ToolbarStyle = Viewer->IsToolbarStyle();

    Canvas->Lock();
    const HDC Target = Canvas->Handle();
    const int Saved = SaveDC(Target);
    IntersectClipRect(Target, R.Left, R.Top, R.Right, R.Bottom);
    RECT Clip{};
    if (GetClipBox(Target, &Clip) == NULLREGION || IsRectEmpty(&Clip)) {
        RestoreDC(Target, Saved);
        Canvas->Unlock();
        return;
    }
    TCanvas Drawing;
    HDC Memory{};
    HBITMAP Bitmap{};
    HGDIOBJ OldBitmap{};
    if (Offscreen) {
        Memory = CreateCompatibleDC(Target);
        Bitmap = CreateCompatibleBitmap(Target, R.Width(), R.Height());
        OldBitmap = SelectObject(Memory, Bitmap);
        SetWindowOrgEx(Memory, R.Left, R.Top, nullptr);
        if (FWindow) FWindow->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(Memory), 0);
        SetWindowOrgEx(Memory, 0, 0, nullptr);
        Drawing.SetHandle(Memory);
    } else {
        OffsetWindowOrgEx(Target, -R.Left, -R.Top, nullptr);
        SetBrushOrgEx(Target, R.Left % 2, R.Top % 2, nullptr);
        Drawing.SetHandle(Target);
    }
    const bool Enabled = Viewer->Item()->Enabled();
    if (IsSelected && !ToolbarStyle) {
        Drawing.Brush()->SetColor(AreFlatMenusEnabled() ? clMenuHighlight : clHighlight);
        Drawing.Brush()->SetStyle(bsSolid);
    } else {
        Drawing.Brush()->SetStyle(bsClear);
    }
    Drawing.Font()->Assign(GetFont());
    bool UseDisabledShadow = false;
    if (Enabled) {
        Drawing.Font()->SetColor(IsSelected && !ToolbarStyle ? clHighlightText
                                 : ToolbarStyle              ? clBtnText
                                                             : clMenuText);
    } else {
        Drawing.Font()->SetColor(clGrayText);
        const COLORREF WindowColor = FWindow ? ColorToRGB(FWindow->Color()) : 0;
        UseDisabledShadow = ToolbarStyle || (!IsSelected && WindowColor == ColorToRGB(clBtnFace)) ||
                            WindowColor == ColorToRGB(clGrayText);
    }
    try {
        Viewer->Paint(&Drawing, TRect(0, 0, R.Width(), R.Height()), IsSelected, IsPushed,
                      UseDisabledShadow);
    } catch (...) {
        Drawing.SetHandle(nullptr);
        if (Memory) {
            SelectObject(Memory, OldBitmap);
            DeleteObject(Bitmap);
            DeleteDC(Memory);
        }
        RestoreDC(Target, Saved);
        Canvas->Unlock();
        throw;
    }
    Drawing.SetHandle(nullptr);
    if (Memory) {
        BitBlt(Target, R.Left, R.Top, R.Width(), R.Height(), Memory, 0, 0, SRCCOPY);
        SelectObject(Memory, OldBitmap);
        DeleteObject(Bitmap);
        DeleteDC(Memory);
    }
    RestoreDC(Target, Saved);
    Canvas->Unlock();
}

void TTBView::Invalidate(TTBItemViewer *Viewer)
{
    if (!FValidated || !FWindow || !FWindow->HandleAllocated() || !Viewer->Show()) return;
    const RECT R = Viewer->BoundsRect();
    if (IsRectEmpty(&R)) return;
    Viewer->SetViewerState(Viewer->ViewerState() << tbisInvalidated);
    InvalidateRect(FWindow->WindowHandle(), &R, FALSE);
}

void TTBView::SetAccelsVisibility(bool ShowAccels)
{
    const bool Value =
        ShowAccels || !FStyle.Contains(vsUseHiddenAccels) || AreKeyboardCuesEnabled();
    if (Value == FState.Contains(vsShowAccels)) return;
    if (Value)
        FState << vsShowAccels;
    else
        FState >> vsShowAccels;
    for (const auto &Viewer : FViewers)
        if (Viewer->CaptionShown() && FindAccelChar(Viewer->GetCaptionText()))
            Invalidate(Viewer.get());
}

// ---- selection ------------------------------------------------------------------------------

void TTBView::SetSelected(TTBItemViewer *Viewer)
{
    TTBItemViewer *Old = FSelected;
    if (Viewer != Old) {
        CancelCapture();
        if (Old) Old->Leaving();
        FSelected = Viewer;
    }
    bool NewMouseOver = false;
    if (Viewer && FWindow && FWindow->HandleAllocated()) {
        const DWORD Pos = GetMessagePos();
        POINT P{static_cast<short>(LOWORD(Pos)), static_cast<short>(HIWORD(Pos))};
        if (WindowFromPoint(P) == FWindow->WindowHandle()) {
            ::ScreenToClient(FWindow->WindowHandle(), &P);
            NewMouseOver = ViewerFromPoint(P) == Viewer;
            if (NewMouseOver && FCapture)
                NewMouseOver = Viewer->IsPtInButtonPart(P.x - Viewer->BoundsRect().Left,
                                                        P.y - Viewer->BoundsRect().Top);
        }
    }
    if (Viewer != Old) {
        FMouseOverSelected = NewMouseOver;
        if (Old && Old->Item()->ItemStyle().Contains(tbisRedrawOnSelChange)) Invalidate(Old);
        if (Viewer) {
            if (Viewer->Item()->ItemStyle().Contains(tbisRedrawOnSelChange)) Invalidate(Viewer);
            Viewer->Entering();
        }
    } else if (NewMouseOver != FMouseOverSelected) {
        FMouseOverSelected = NewMouseOver;
        if (Viewer && FCapture && Viewer->Item()->ItemStyle().Contains(tbisRedrawOnMouseOverChange))
            Invalidate(Viewer);
    }
}

void TTBView::UpdateSelection(const TPoint *P, bool AllowNewSelection)
{
    ValidatePositions();
    TTBItemViewer *New = (IsPopup() || FState.Contains(vsOpen)) ? FSelected : nullptr;
    const bool WasInWindow = FState.Contains(vsMouseInWindow);
    if (P && FWindow && FWindow->HandleAllocated() &&
        WindowFromPoint(POINT{P->X, P->Y}) == FWindow->WindowHandle()) {
        if (!(!IsPopup() && FState.Contains(vsOpen))) New = nullptr;
        FState << vsMouseInWindow;
        if (AllowNewSelection || FSelected) {
            POINT Client{P->X, P->Y};
            ::ScreenToClient(FWindow->WindowHandle(), &Client);
            if (TTBItemViewer *Under = ViewerFromPoint(Client)) New = Under;
        }
    } else {
        FState >> vsMouseInWindow;
    }
    if (FCapture) New = FSelected;
    if (IsPopup() && New) {
        const bool InWindow = FState.Contains(vsMouseInWindow);
        if (!FCapture && WasInWindow && !InWindow &&
            !(FOpenViewer && New->Item()->ItemStyle().Contains(tbisSubmenu)))
            New = nullptr;
        if (InWindow && FParentView) {
            if (FParentView->FSelected != FParentView->FOpenViewer)
                FParentView->SetSelected(FParentView->FOpenViewer);
            FParentView->StopTimer(tiClose);
            FParentView->StopTimer(tiOpen);
        }
    }
    SetSelected(New);
}

TTBItemViewer *TTBView::NextSelectable(TTBItemViewer *Viewer, bool GoForward)
{
    ValidatePositions();
    const int Count = ViewerCount();
    if (Count == 0) return nullptr;
    const int Start = IndexOf(Viewer);
    const int First = GoForward ? (Start + 1) % Count : (Start <= 0 ? Count - 1 : Start - 1);
    for (int Step = 0; Step < Count; ++Step) {
        const int Index = GoForward ? (First + Step) % Count : (First - Step + Count) % Count;
        TTBItemViewer *Candidate = Viewers(Index);
        const TTBCustomItem *Item = Candidate->Item();
        if ((Candidate->Show() || Candidate->Clipped()) && Item->Visible() &&
            Item->ItemStyle().Contains(tbisSelectable))
            return Candidate;
    }
    return nullptr;
}

TTBItemViewer *TTBView::FirstSelectable()
{
    TTBItemViewer *First = NextSelectable(nullptr, true);
    TTBItemViewer *Candidate = First;
    while (Candidate && Candidate->Item()->ItemStyle().Contains(tbisDontSelectFirst)) {
        Candidate = NextSelectable(Candidate, true);
        if (Candidate == First) break;
    }
    return Candidate;
}

namespace
{

char UpperChar(char C)
{
    return static_cast<char>(rtl::UpperByte(static_cast<unsigned char>(C)));
}

} // namespace

TTBItemViewer *TTBView::NextSelectableWithAccel(TTBItemViewer *Viewer, char Key,
                                                bool RequirePrimaryAccel, bool &IsOnlyItemWithAccel)
{
    ValidatePositions();
    IsOnlyItemWithAccel = false;
    const int Count = ViewerCount();
    if (Count == 0) return nullptr;
    auto Matches = [&](TTBItemViewer *Candidate, bool Primary, bool Enabled) {
        const TTBCustomItem *Item = Candidate->Item();
        if (!(Candidate->Show() || Candidate->Clipped()) ||
            !Item->ItemStyle().Contains(tbisSelectable) || Item->Enabled() != Enabled ||
            !Item->Visible() || !Candidate->CaptionShown())
            return false;
        const AnsiString Caption = Candidate->GetCaptionText();
        if (Caption.IsEmpty()) return false;
        const char Accel = FindAccelChar(Caption);
        if (Primary) return Accel != 0 && UpperChar(Accel) == UpperChar(Key);
        return Accel == 0 && Key != ' ' && UpperChar(Caption[1]) == UpperChar(Key);
    };
    auto Search = [&](int From, bool Primary, bool Enabled) -> int {
        for (int Step = 1; Step <= Count; ++Step) {
            const int Index = ((From + Step) % Count + Count) % Count;
            if (Matches(Viewers(Index), Primary, Enabled)) return Index;
        }
        return -1;
    };
    const int Start = IndexOf(Viewer);
    for (int Pass = 0; Pass < (RequirePrimaryAccel ? 2 : 4); ++Pass) {
        const bool Primary = Pass < 2, Enabled = Pass % 2 == 0;
        const int Found = Search(Start, Primary, Enabled);
        if (Found < 0) continue;
        IsOnlyItemWithAccel = !Enabled || Search(Found, Primary, Enabled) == Found;
        return Viewers(Found);
    }
    return nullptr;
}

void TTBView::GivePriority(TTBItemViewer *)
{
    // Priority decides which buttons a shrinking toolbar keeps; a popup shows them all.
    if (FParentView && FParentView->FOpenViewer)
        FParentView->GivePriority(FParentView->FOpenViewer);
}

void TTBView::CancelCapture()
{
    if (!FCapture) return;
    FCapture = false;
    TBLastMousePos().x = TBNoPosition;
    if (FSelected) FSelected->LosingCapture();
}

// ---- submenus and timers ---------------------------------------------------------------------

bool TTBView::OpenChildPopup(bool SelectFirstItem)
{
    StopTimer(tiClose);
    StopTimer(tiOpen);
    if (FSelected != FOpenViewer) {
        CloseChildPopups();
        if (FSelected && FSelected->Item()->Enabled() &&
            FSelected->Item()->ItemStyle().Contains(tbisSubmenu))
            FSelected->Item()->CreatePopup(this, FSelected, !FIsToolbar, SelectFirstItem, false,
                                           TPoint(0, 0), tbpaLeft);
    }
    return FOpenViewer != nullptr;
}

void TTBView::CloseChildPopups()
{
    if (FOpenViewerView) FOpenViewerView->CloseChildPopups();
    TTBPopupWindow *Window = std::exchange(FOpenViewerWindow, nullptr);
    FOpenViewer = nullptr;
    FOpenViewerView = nullptr;
    delete Window;
}

void TTBView::StartTimer(TTBViewTimerID ID, UINT Interval)
{
    StopTimer(ID);
    auto *Popup = dynamic_cast<TTBPopupWindow *>(FWindow);
    if (!Popup || !Popup->HandleAllocated()) return;
    SetTimer(Popup->WindowHandle(), ViewTimerBase + ID, Interval, nullptr);
    FActiveTimers |= 1u << ID;
}

void TTBView::StopTimer(TTBViewTimerID ID)
{
    if (!TimerActive(ID)) return;
    if (auto *Popup = dynamic_cast<TTBPopupWindow *>(FWindow); Popup && Popup->HandleAllocated())
        KillTimer(Popup->WindowHandle(), ViewTimerBase + ID);
    FActiveTimers &= ~(1u << ID);
}

void TTBView::StopAllTimers()
{
    for (TTBViewTimerID ID : {tiOpen, tiClose, tiScrollUp, tiScrollDown})
        StopTimer(ID);
}

void TTBView::TimerFired(TTBViewTimerID ID)
{
    switch (ID) {
    case tiOpen:
        CloseChildPopups();
        OpenChildPopup(false);
        break;
    case tiClose:
        StopTimer(tiClose);
        CloseChildPopups();
        break;
    case tiScrollUp:
    case tiScrollDown: {
        const bool Down = ID == tiScrollDown;
        if (Down ? FShowDownArrow : FShowUpArrow)
            Scroll(Down);
        else
            StopTimer(ID);
        break;
    }
    }
}
