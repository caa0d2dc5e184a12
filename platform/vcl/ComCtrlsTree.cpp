#include "platform/vcl/ComCtrls.h"

#include "platform/win/ScrollBars.h"

#include <algorithm>

// ---- TTreeNode -------------------------------------------------------------------------------

TCustomTreeView *TTreeNode::TreeView() const
{
    return FOwner->Owner();
}

void TTreeNode::SetText(const AnsiString &Value)
{
    FText = Value;
    FOwner->Changed();
}

const std::vector<std::unique_ptr<TTreeNode>> &TTreeNode::Siblings() const
{
    return FParent ? FParent->FChildren : FOwner->FRoots;
}

int TTreeNode::Level() const
{
    int Result = 0;
    for (const TTreeNode *P = FParent; P; P = P->FParent)
        ++Result;
    return Result;
}

int TTreeNode::Index() const
{
    const auto &List = Siblings();
    const auto At = std::find_if(List.begin(), List.end(),
                                 [this](const auto &Node) { return Node.get() == this; });
    return static_cast<int>(At - List.begin());
}

int TTreeNode::AbsoluteIndex() const
{
    int Result = 0;
    for (const TTreeNode *N = FOwner->GetFirstNode(); N && N != this; N = N->GetNext())
        ++Result;
    return Result;
}

void TTreeNode::SetExpanded(bool Value)
{
    if (Value)
        Expand(false);
    else
        Collapse(false);
}

void TTreeNode::SetExpandedAll(bool Value, bool Recurse)
{
    FExpanded = Value;
    if (Recurse)
        for (const auto &Child : FChildren)
            Child->SetExpandedAll(Value, true);
}

void TTreeNode::Expand(bool Recurse)
{
    SetExpandedAll(true, Recurse);
    FOwner->Changed();
}

void TTreeNode::Collapse(bool Recurse)
{
    SetExpandedAll(false, Recurse);
    if (TCustomTreeView *Tree = TreeView(); Tree && Tree->FSelected) {
        for (const TTreeNode *P = Tree->FSelected->FParent; P; P = P->FParent)
            if (P == this) {
                Tree->SetSelected(this);
                break;
            }
    }
    FOwner->Changed();
}

bool TTreeNode::Selected() const
{
    return TreeView() && TreeView()->Selected() == this;
}

void TTreeNode::SetSelected(bool Value)
{
    TCustomTreeView *Tree = TreeView();
    if (!Tree) return;
    if (Value)
        Tree->SetSelected(this);
    else if (Selected())
        Tree->SetSelected(nullptr);
}

bool TTreeNode::IsVisible() const
{
    for (const TTreeNode *P = FParent; P; P = P->FParent)
        if (!P->FExpanded) return false;
    return true;
}

TTreeNode *TTreeNode::GetNextSibling() const
{
    const auto &List = Siblings();
    const auto Next = static_cast<std::size_t>(Index()) + 1;
    return Next < List.size() ? List[Next].get() : nullptr;
}

TTreeNode *TTreeNode::GetPrevSibling() const
{
    const int At = Index();
    return At > 0 ? Siblings()[static_cast<std::size_t>(At - 1)].get() : nullptr;
}

TTreeNode *TTreeNode::GetNext() const
{
    if (HasChildren()) return Item(0);
    for (const TTreeNode *N = this; N; N = N->FParent)
        if (TTreeNode *Sibling = N->GetNextSibling()) return Sibling;
    return nullptr;
}

TTreeNode *TTreeNode::GetNextVisible() const
{
    if (FExpanded && HasChildren()) return Item(0);
    for (const TTreeNode *N = this; N; N = N->FParent)
        if (TTreeNode *Sibling = N->GetNextSibling()) return Sibling;
    return nullptr;
}

TTreeNode *TTreeNode::GetPrevVisible() const
{
    TTreeNode *Prev = GetPrevSibling();
    if (!Prev) return FParent;
    while (Prev->FExpanded && Prev->HasChildren())
        Prev = Prev->Item(Prev->Count() - 1);
    return Prev;
}

void TTreeNode::MakeVisible()
{
    bool Opened = false;
    for (TTreeNode *P = FParent; P; P = P->FParent) {
        Opened |= !P->FExpanded;
        P->FExpanded = true;
    }
    if (Opened) FOwner->Changed();
    if (TCustomTreeView *Tree = TreeView()) {
        const int Row = Tree->RowOf(this);
        const int Shown = Tree->VisibleCount();
        if (Row < Tree->FTopRow)
            Tree->ScrollTo(Row, Tree->FScrollLeft);
        else if (Row >= Tree->FTopRow + Shown)
            Tree->ScrollTo(Row - Shown + 1, Tree->FScrollLeft);
    }
}

TRect TTreeNode::DisplayRect(bool TextOnly) const
{
    TCustomTreeView *Tree = TreeView();
    const int Row = Tree ? Tree->RowOf(this) : -1;
    if (Row < 0) return TRect();
    return TextOnly ? Tree->LabelRect(const_cast<TTreeNode *>(this), Row) : Tree->RowRect(Row);
}

// ---- TTreeNodes ------------------------------------------------------------------------------

TTreeNodes::~TTreeNodes() = default;

TTreeNode *TTreeNodes::Item(int Index) const
{
    TTreeNode *N = Index >= 0 ? GetFirstNode() : nullptr;
    for (int i = 0; N && i < Index; ++i)
        N = N->GetNext();
    if (!N) throw EListError("List index out of bounds (" + AnsiString(Index) + ")");
    return N;
}

TTreeNode *TTreeNodes::AddObject(TTreeNode *Sibling, const AnsiString &S, void *Ptr)
{
    return AddChildObject(Sibling ? Sibling->FParent : nullptr, S, Ptr);
}

TTreeNode *TTreeNodes::AddChildObject(TTreeNode *Parent, const AnsiString &S, void *Ptr)
{
    auto &List = Parent ? Parent->FChildren : FRoots;
    TTreeNode *Node = List.emplace_back(std::make_unique<TTreeNode>(this, Parent)).get();
    Node->FText = S;
    Node->FData = Ptr;
    ++FCount;
    Changed();
    return Node;
}

void TTreeNodes::Clear()
{
    if (FOwner) {
        FOwner->FSelected = nullptr;
        FOwner->FTopRow = 0;
        FOwner->FScrollLeft = 0;
    }
    FRoots.clear();
    FCount = 0;
    Changed();
}

void TTreeNodes::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TTreeNodes::Changed()
{
    if (FOwner) FOwner->NodesChanged();
}

// ---- TCustomTreeView -------------------------------------------------------------------------

namespace
{

constexpr int ButtonHalf = 4; // the expand button is 9 pixels square
constexpr int LabelGap = 2;   // between the lines and the text's box, and inside the box

} // namespace

TCustomTreeView::TCustomTreeView(TComponent *AOwner)
    : TCustomControl(AOwner), FItems(std::make_unique<TTreeNodes>(this))
{
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    SetBounds(0, 0, 121, 97);
}

TCustomTreeView::~TCustomTreeView() = default;

void TCustomTreeView::CreateParams(TCreateParams &Params)
{
    inherited::CreateParams(Params);
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomTreeView::CreateWnd()
{
    inherited::CreateWnd();
    UpdateScrollBars();
}

void TCustomTreeView::SetSelected(TTreeNode *Value)
{
    if (Value == FSelected) return;
    FSelected = Value;
    if (Value) Value->MakeVisible();
    Invalidate();
    Change(Value);
}

void TCustomTreeView::Change(TTreeNode *Node)
{
    if (OnChange) OnChange(this, Node);
}

TTreeNode *TCustomTreeView::TopItem()
{
    const auto &R = Rows();
    return FTopRow < static_cast<int>(R.size()) ? R[static_cast<std::size_t>(FTopRow)] : nullptr;
}

void TCustomTreeView::SetTopItem(TTreeNode *Value)
{
    if (const int Row = RowOf(Value); Row >= 0) ScrollTo(Row, FScrollLeft);
}

void TCustomTreeView::FullExpand()
{
    FItems->BeginUpdate();
    for (TTreeNode *N = FItems->GetFirstNode(); N; N = N->GetNextSibling())
        N->Expand(true);
    FItems->EndUpdate();
}

void TCustomTreeView::FullCollapse()
{
    FItems->BeginUpdate();
    for (TTreeNode *N = FItems->GetFirstNode(); N; N = N->GetNextSibling())
        N->Collapse(true);
    FItems->EndUpdate();
}

void TCustomTreeView::SetIndent(int Value)
{
    FIndent = std::max(Value, 2 * ButtonHalf + 3);
    NodesChanged();
}

void TCustomTreeView::SetShowButtons(bool Value)
{
    FShowButtons = Value;
    Invalidate();
}

void TCustomTreeView::SetShowLines(bool Value)
{
    FShowLines = Value;
    Invalidate();
}

void TCustomTreeView::SetShowRoot(bool Value)
{
    FShowRoot = Value;
    NodesChanged();
}

void TCustomTreeView::SetHideSelection(bool Value)
{
    FHideSelection = Value;
    Invalidate();
}

int TCustomTreeView::ItemHeight()
{
    if (FItemHeight == 0) {
        Canvas()->Font()->Assign(Font());
        FItemHeight = std::max(16, Canvas()->TextHeight("Wy") + 2);
    }
    return FItemHeight;
}

int TCustomTreeView::VisibleCount()
{
    return std::max(1, ClientHeight() / ItemHeight());
}

const std::vector<TTreeNode *> &TCustomTreeView::Rows()
{
    if (!FRowsValid) {
        FRows.clear();
        for (TTreeNode *N = FItems->GetFirstNode(); N; N = N->GetNextVisible())
            FRows.push_back(N);
        FRowsValid = true;
    }
    return FRows;
}

int TCustomTreeView::RowOf(const TTreeNode *Node)
{
    const auto &R = Rows();
    const auto At = std::find(R.begin(), R.end(), Node);
    return At == R.end() ? -1 : static_cast<int>(At - R.begin());
}

TRect TCustomTreeView::RowRect(int Row)
{
    const int Top = (Row - FTopRow) * ItemHeight();
    return TRect(0, Top, ClientWidth(), Top + ItemHeight());
}

int TCustomTreeView::LabelLeft(const TTreeNode *Node) const
{
    return (Node->Level() + (FShowRoot ? 1 : 0)) * FIndent + LabelGap;
}

TRect TCustomTreeView::LabelRect(TTreeNode *Node, int Row)
{
    const TRect R = RowRect(Row);
    const int Left = LabelLeft(Node) - FScrollLeft;
    Canvas()->Font()->Assign(Font());
    return TRect(Left, R.Top, Left + Canvas()->TextWidth(Node->Text()) + 2 * LabelGap, R.Bottom);
}

bool TCustomTreeView::HasButton(const TTreeNode *Node) const
{
    return FShowButtons && Node->HasChildren() && (FShowRoot || Node->Parent());
}

namespace
{

// Where the vertical line of a level's column runs, before horizontal scrolling.
int ColumnCentre(int Level, bool ShowRoot, int Indent)
{
    return (Level + (ShowRoot ? 1 : 0) - 1) * Indent + Indent / 2;
}

} // namespace

TRect TCustomTreeView::ButtonRect(TTreeNode *Node, int Row)
{
    const TRect R = RowRect(Row);
    const int X = ColumnCentre(Node->Level(), FShowRoot, FIndent) - FScrollLeft;
    const int Y = (R.Top + R.Bottom) / 2;
    return TRect(X - ButtonHalf, Y - ButtonHalf, X + ButtonHalf + 1, Y + ButtonHalf + 1);
}

TTreeNode *TCustomTreeView::GetNodeAt(int X, int Y)
{
    const THitTests Hit = GetHitTestInfoAt(X, Y);
    if (Hit.Contains(htAbove) || Hit.Contains(htBelow) || Hit.Contains(htNowhere)) return nullptr;
    return Rows()[static_cast<std::size_t>(FTopRow + Y / ItemHeight())];
}

THitTests TCustomTreeView::GetHitTestInfoAt(int X, int Y)
{
    if (Y < 0) return THitTests{htAbove};
    if (Y >= ClientHeight()) return THitTests{htBelow};
    const int Row = FTopRow + Y / ItemHeight();
    if (Row >= static_cast<int>(Rows().size())) return THitTests{htNowhere};
    TTreeNode *Node = Rows()[static_cast<std::size_t>(Row)];
    if (HasButton(Node) && ButtonRect(Node, Row).Contains(X, Y)) return THitTests{htOnButton};
    const TRect Label = LabelRect(Node, Row);
    if (X < Label.Left) return THitTests{htOnIndent};
    if (X < Label.Right) return THitTests{htOnItem, htOnLabel};
    return THitTests{htOnRight};
}

void TCustomTreeView::NodesChanged()
{
    FRowsValid = false;
    if (FItems->Updating()) return;
    UpdateScrollBars();
    Invalidate();
}

void TCustomTreeView::SelectRow(int Row)
{
    const auto &R = Rows();
    if (R.empty()) return;
    SetSelected(R[static_cast<std::size_t>(std::clamp(Row, 0, static_cast<int>(R.size()) - 1))]);
}

void TCustomTreeView::ScrollTo(int Row, int Left)
{
    const int Count = static_cast<int>(Rows().size());
    Row = std::clamp(Row, 0, std::max(0, Count - VisibleCount()));
    Left = std::clamp(Left, 0, std::max(0, WidestRow() - ClientWidth()));
    if (Row == FTopRow && Left == FScrollLeft) return;
    FTopRow = Row;
    FScrollLeft = Left;
    UpdateScrollBars();
    Invalidate();
}

int TCustomTreeView::WidestRow()
{
    Canvas()->Font()->Assign(Font());
    int Widest = 0;
    for (TTreeNode *N : Rows())
        Widest = std::max(Widest, LabelLeft(N) + Canvas()->TextWidth(N->Text()) + 3 * LabelGap);
    return Widest;
}

void TCustomTreeView::UpdateScrollBars()
{
    if (!HandleAllocated() || FUpdatingBars) return;
    FUpdatingBars = true;
    // A bar that comes or goes changes the room for the other: twice settles both.
    for (int Pass = 0; Pass < 2; ++Pass) {
        const int Count = static_cast<int>(Rows().size());
        const int Widest = WidestRow();
        FTopRow = std::clamp(FTopRow, 0, std::max(0, Count - VisibleCount()));
        FScrollLeft = std::clamp(FScrollLeft, 0, std::max(0, Widest - ClientWidth()));
        SCROLLINFO Info;
        Info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        Info.nMax = std::max(0, Count - 1);
        Info.nPage = static_cast<UINT>(VisibleCount());
        Info.nPos = FTopRow;
        SetScrollInfo(Handle(), SB_VERT, &Info, TRUE);
        Info.nMax = std::max(0, Widest - 1);
        Info.nPage = static_cast<UINT>(std::max(1, ClientWidth()));
        Info.nPos = FScrollLeft;
        SetScrollInfo(Handle(), SB_HORZ, &Info, TRUE);
    }
    FUpdatingBars = false;
}

void TCustomTreeView::Scrolled(int Bar, int Request)
{
    const bool Vert = Bar == SB_VERT;
    const int Current = Vert ? FTopRow : FScrollLeft;
    const int Line = Vert ? 1 : FIndent;
    const int Page = Vert ? VisibleCount() : ClientWidth();
    int Target = Current;
    switch (Request) {
    case SB_LINEUP:
        Target -= Line;
        break;
    case SB_LINEDOWN:
        Target += Line;
        break;
    case SB_PAGEUP:
        Target -= Page;
        break;
    case SB_PAGEDOWN:
        Target += Page;
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO Info;
        Info.fMask = SIF_TRACKPOS;
        GetScrollInfo(Handle(), Bar, &Info);
        Target = Info.nTrackPos;
        break;
    }
    case SB_TOP:
        Target = 0;
        break;
    case SB_BOTTOM:
        Target = Vert ? static_cast<int>(Rows().size()) : WidestRow();
        break;
    default:
        return;
    }
    if (Vert)
        ScrollTo(Target, FScrollLeft);
    else
        ScrollTo(FTopRow, Target);
}

void TCustomTreeView::Paint()
{
    TCanvas *C = Canvas();
    C->Font()->Assign(Font());
    C->Brush()->SetColor(Color());
    C->FillRect(ClientRect());
    const auto &R = Rows();
    const int Last = std::min(static_cast<int>(R.size()), FTopRow + VisibleCount() + 1);
    for (int Row = FTopRow; Row < Last; ++Row)
        PaintRow(R[static_cast<std::size_t>(Row)], Row);
}

void TCustomTreeView::PaintRow(TTreeNode *Node, int Row)
{
    if (FShowLines) PaintLines(Node, Row);
    if (HasButton(Node)) PaintButton(Node, Row);
    TCanvas *C = Canvas();
    const TRect Label = LabelRect(Node, Row);
    const bool Focus = Focused();
    const bool Marked = Node == FSelected && (Focus || !FHideSelection);
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Marked ? (Focus ? clHighlight : clBtnFace) : Color());
    C->Font()->SetColor(Marked && Focus ? clHighlightText : Font()->Color());
    C->FillRect(Label);
    C->TextOut(Label.Left + LabelGap, Label.Top + (Label.Height() - C->TextHeight("Wy")) / 2,
               Node->Text());
    if (Node == FSelected && Focus) C->DrawFocusRect(Label);
}

void TCustomTreeView::PaintLines(TTreeNode *Node, int Row)
{
    TCanvas *C = Canvas();
    C->Pen()->SetColor(clBtnShadow);
    C->Pen()->SetStyle(psDot);
    C->Pen()->SetWidth(1);
    const TRect R = RowRect(Row);
    const int Middle = (R.Top + R.Bottom) / 2;
    auto Column = [&](const TTreeNode *N) {
        return ColumnCentre(N->Level(), FShowRoot, FIndent) - FScrollLeft;
    };
    if (FShowRoot || Node->Parent()) {
        const int X = Column(Node);
        const bool FirstOfAll = !Node->Parent() && Node->Index() == 0;
        C->MoveTo(X, FirstOfAll ? Middle : R.Top);
        C->LineTo(X, Node->GetNextSibling() ? R.Bottom : Middle + 1);
        C->MoveTo(X, Middle);
        C->LineTo(LabelLeft(Node) - FScrollLeft - LabelGap, Middle);
    }
    // The lines of the ancestors that have more siblings below pass through this row.
    for (const TTreeNode *A = Node->Parent(); A && (FShowRoot || A->Parent()); A = A->Parent())
        if (A->GetNextSibling()) {
            C->MoveTo(Column(A), R.Top);
            C->LineTo(Column(A), R.Bottom);
        }
    C->Pen()->SetStyle(psSolid);
}

void TCustomTreeView::PaintButton(TTreeNode *Node, int Row)
{
    TCanvas *C = Canvas();
    const TRect Box = ButtonRect(Node, Row);
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(clWindow);
    C->Pen()->SetColor(clBtnShadow);
    C->Rectangle(Box);
    const int X = Box.Left + ButtonHalf, Y = Box.Top + ButtonHalf;
    C->Pen()->SetColor(clWindowText);
    C->MoveTo(X - 2, Y);
    C->LineTo(X + 3, Y);
    if (!Node->Expanded()) {
        C->MoveTo(X, Y - 2);
        C->LineTo(X, Y + 3);
    }
}

void TCustomTreeView::KeyDown(WORD &Key, TShiftState Shift)
{
    inherited::KeyDown(Key, Shift);
    if (Rows().empty()) return;
    const int Row = FSelected ? RowOf(FSelected) : -1;
    switch (Key) {
    case VK_UP:
        SelectRow(Row - 1);
        break;
    case VK_DOWN:
        SelectRow(Row + 1);
        break;
    case VK_HOME:
        SelectRow(0);
        break;
    case VK_END:
        SelectRow(static_cast<int>(Rows().size()) - 1);
        break;
    case VK_PRIOR:
        SelectRow(Row - VisibleCount());
        break;
    case VK_NEXT:
        SelectRow(Row + VisibleCount());
        break;
    case VK_LEFT:
        if (!FSelected) break;
        if (FSelected->Expanded() && FSelected->HasChildren())
            FSelected->Collapse(false);
        else if (FSelected->Parent())
            SetSelected(FSelected->Parent());
        break;
    case VK_RIGHT:
        if (!FSelected || !FSelected->HasChildren()) break;
        if (FSelected->Expanded())
            SetSelected(FSelected->GetFirstChild());
        else
            FSelected->Expand(false);
        break;
    case VK_ADD:
        if (FSelected) FSelected->Expand(false);
        break;
    case VK_SUBTRACT:
        if (FSelected) FSelected->Collapse(false);
        break;
    default:
        break;
    }
}

void TCustomTreeView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (Button == mbLeft) {
        if (!Focused() && CanFocus()) SetFocus();
        const THitTests Hit = GetHitTestInfoAt(X, Y);
        TTreeNode *Node = GetNodeAt(X, Y);
        const bool Toggle =
            Hit.Contains(htOnButton) || (Shift.Contains(ssDouble) && Hit.Contains(htOnItem));
        if (Node && Toggle)
            Node->SetExpanded(!Node->Expanded());
        else if (Node && Hit.Contains(htOnItem))
            SetSelected(Node);
    }
    inherited::MouseDown(Button, Shift, X, Y);
}

bool TCustomTreeView::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos)
{
    if (inherited::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    ScrollTo(FTopRow + FWheel.Lines(WheelDelta), FScrollLeft);
    return true;
}

void TCustomTreeView::WndProc(TMessage &Message)
{
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    case WM_VSCROLL:
    case WM_HSCROLL:
        Scrolled(Message.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(Message.WParam));
        return;
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Invalidate();
        break;
    case WM_SIZE:
        inherited::WndProc(Message);
        UpdateScrollBars();
        return;
    case CM_FONTCHANGED:
        FItemHeight = 0;
        inherited::WndProc(Message);
        NodesChanged();
        return;
    default:
        break;
    }
    inherited::WndProc(Message);
}
