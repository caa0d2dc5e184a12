#include "report_output/frxDock.h"

#include "platform/win/WinUser.h"
#include "report/frxUtils.h"

#include <algorithm>

const char *const frxRegRootKey = "Software\\Zedo Vevuvuz";

namespace
{

AnsiString FormSection(TForm *Form)
{
    return "Form." + Form->ClassName();
}

std::vector<TfrxToolBar *> &FloatingList()
{
    static std::vector<TfrxToolBar *> List;
    return List;
}

// A control's place along a dock and across its rows, and its length and
// thickness, whichever way the dock runs.
struct TDockSpan {
    int Along, Across, Length, Thickness;
};

TDockSpan SpanOf(const TControl *C, bool Horizontal)
{
    if (Horizontal) return {C->Left(), C->Top(), C->Width(), C->Height()};
    return {C->Top(), C->Left(), C->Height(), C->Width()};
}

void PlaceSpan(TControl *C, bool Horizontal, int Along, int Across)
{
    if (Horizontal)
        C->SetBounds(Along, Across, C->Width(), C->Height());
    else
        C->SetBounds(Across, Along, C->Width(), C->Height());
}

bool RowsOverlap(const TDockSpan &A, const TDockSpan &B)
{
    return A.Across < B.Across + B.Thickness && B.Across < A.Across + A.Thickness;
}

TPoint CursorPos()
{
    POINT P{};
    GetCursorPos(&P);
    return TPoint(P.x, P.y);
}

} // namespace

const std::vector<TfrxToolBar *> &frxFloatingToolBars()
{
    return FloatingList();
}

// ---- dock ----

TfrxDock::TfrxDock(TComponent *AOwner) : TPanel(AOwner)
{
    SetBevelOuter(bvNone);
    SetCaption("");
    // One pixel deep whichever edge it goes to, until toolbars come.
    SetBounds(0, 0, 1, 1);
    SetAlign(alTop);
}

std::vector<TfrxToolBar *> TfrxDock::ToolBars() const
{
    std::vector<TfrxToolBar *> Result;
    for (int i = 0; i < ControlCount(); ++i)
        if (auto *Bar = dynamic_cast<TfrxToolBar *>(Controls(i)); Bar && Bar->Visible())
            Result.push_back(Bar);
    return Result;
}

void TfrxDock::SetDepth(int Value)
{
    if (Horizontal())
        SetHeight(Value);
    else
        SetWidth(Value);
}

void TfrxDock::AdjustBounds()
{
    const bool H = Horizontal();
    const bool FarEdge = Align() == alBottom || Align() == alRight;
    std::vector<TfrxToolBar *> Bars = ToolBars();
    if (ControlCount() == 0) {
        SetDepth(1);
        return;
    }
    // Toolbars dragged out of a bottom or right dock push the others in.
    if (FarEdge)
        for (TfrxToolBar *Out : Bars)
            if (const int At = SpanOf(Out, H).Across; At < 0) {
                for (TfrxToolBar *Bar : Bars) {
                    const TDockSpan S = SpanOf(Bar, H);
                    PlaceSpan(Bar, H, S.Along, S.Across + 1 - At);
                }
                SetDepth(Depth() + 1 - At);
            }
    int Rows = Depth() / std::max(1, FRowSize);
    for (int Row = Rows - 1; Row >= 0; --Row) {
        const int Start = Row * FRowSize, End = Start + FRowSize;
        const bool Used = std::any_of(Bars.begin(), Bars.end(), [&](TfrxToolBar *Bar) {
            const TDockSpan S = SpanOf(Bar, H);
            return S.Across < End && S.Across + S.Thickness > Start;
        });
        if (Used) continue;
        for (TfrxToolBar *Bar : Bars)
            if (const TDockSpan S = SpanOf(Bar, H); S.Across >= End)
                PlaceSpan(Bar, H, S.Along, S.Across - FRowSize);
        --Rows;
    }
    int NewDepth = Rows * FRowSize + 1;
    for (TfrxToolBar *Bar : Bars) {
        const TDockSpan S = SpanOf(Bar, H);
        NewDepth = std::max(NewDepth, S.Across + S.Thickness + (FarEdge ? 0 : 1));
    }
    if (!FarEdge || NewDepth <= Depth()) {
        SetDepth(NewDepth);
        return;
    }
    // Deeper outward: the outer edge stays where it is.
    const int Growth = NewDepth - Depth();
    if (H)
        SetBounds(Left(), Top() - Growth, Width(), NewDepth);
    else
        SetBounds(Left() - Growth, Top(), NewDepth, Height());
}

// ---- grip ----

TfrxDragBox::TfrxDragBox(TComponent *AOwner) : TGraphicControl(AOwner)
{
    SetBounds(0, 0, 8, 8);
}

void TfrxDragBox::Paint()
{
    TCanvas *C = Canvas();
    C->Brush()->SetColor(clBtnFace);
    C->FillRect(TRect(0, 0, Width(), Height()));
    // Two raised ridges along the toolbar's thickness.
    const bool Tall = Height() >= Width();
    for (int Ridge = 0; Ridge < 2; ++Ridge) {
        const int At = 2 + Ridge * 3;
        RECT R = Tall ? RECT{At, 2, At + 3, Height() - 2} : RECT{2, At, Width() - 2, At + 3};
        DrawEdge(C->Handle(), &R, BDR_RAISEDINNER, BF_RECT);
    }
}

void TfrxDragBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (auto *Bar = dynamic_cast<TfrxToolBar *>(Parent()); Bar && Button == mbLeft)
        Bar->DragStart(ClientToScreen(TPoint(X, Y)));
}

void TfrxDragBox::MouseMove(TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseMove(Shift, X, Y);
    if (auto *Bar = dynamic_cast<TfrxToolBar *>(Parent()))
        Bar->DragMove(ClientToScreen(TPoint(X, Y)));
}

void TfrxDragBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (auto *Bar = dynamic_cast<TfrxToolBar *>(Parent())) Bar->DragEnd();
}

// ---- toolbar ----

TfrxToolBar::TfrxToolBar(TComponent *AOwner) : TPanel(AOwner), FDragBox(new TfrxDragBox(this))
{
    SetBevelOuter(bvNone);
    SetCaption("");
    SetHeight(26);
    FDragBox->SetParent(this);
}

TfrxToolBar::~TfrxToolBar()
{
    std::erase(FloatingList(), this);
    if (FFloatWindow) {
        // The window must not outlive its toolbar, nor take it down with it.
        SetParent(nullptr);
        FFloatWindow.reset();
    }
}

TfrxDock *TfrxToolBar::Dock() const
{
    return dynamic_cast<TfrxDock *>(Parent());
}

bool TfrxToolBar::Accepts(TfrxDock *ADock) const
{
    if (FLimit == olHorizontalOnly) return ADock->Horizontal();
    if (FLimit == olVerticalOnly) return !ADock->Horizontal();
    return true;
}

bool TfrxToolBar::Shown() const
{
    return FFloatWindow ? FFloatWindow->Visible() : Visible();
}

void TfrxToolBar::SetShown(bool Value)
{
    if (FFloatWindow) {
        FFloatWindow->SetVisible(Value);
        SetVisible(true);
    } else {
        SetVisible(Value);
        if (TfrxDock *D = Dock()) D->AdjustBounds();
    }
}

void TfrxToolBar::DockTo(TfrxDock *ADock, int X, int Y)
{
    TfrxDock *Old = Dock();
    std::unique_ptr<TfrxFloatWindow> Window = std::move(FFloatWindow);
    std::erase(FloatingList(), this);
    SetParent(ADock);
    Window.reset();
    SetBounds(X, Y, Width(), Height());
    RealignControls();
    if (Old && Old != ADock) Old->AdjustBounds();
    ADock->AdjustBounds();
}

void TfrxToolBar::AddToDock(TfrxDock *ADock)
{
    switch (ADock->Align()) {
    case alBottom:
        DockTo(ADock, 0, 1 - Height());
        break;
    case alLeft:
        DockTo(ADock, ADock->Width() - 1, 0);
        break;
    case alRight:
        DockTo(ADock, 1 - Width(), 0);
        break;
    default:
        DockTo(ADock, 0, ADock->Height() - 1);
        break;
    }
}

void TfrxToolBar::FloatTo(int X, int Y)
{
    if (FFloatWindow) {
        FFloatWindow->SetBounds(X, Y, FFloatWindow->Width(), FFloatWindow->Height());
        return;
    }
    TfrxDock *Old = Dock();
    FFloatWindow = std::make_unique<TfrxFloatWindow>(this, GetParentForm(this));
    FFloatWindow->SetCaption(Caption());
    // Floating toolbars lie along their length, as in a top dock.
    if (Height() > Width()) SetBounds(Left(), Top(), Height(), Width());
    SetParent(FFloatWindow.get());
    SetBounds(3, 18, Width(), Height());
    RealignControls();
    FFloatWindow->SetBounds(X, Y, Width() + 6, Height() + 21);
    if (Old) Old->AdjustBounds();
    FFloatWindow->Show();
    FloatingList().push_back(this);
}

void TfrxToolBar::RealignControls()
{
    const TfrxDock *D = Dock();
    const bool H = !D || D->Horizontal();
    std::vector<TControl *> Children;
    for (int i = 0; i < ControlCount(); ++i)
        if (Controls(i)->Visible()) Children.push_back(Controls(i));
    std::stable_sort(Children.begin(), Children.end(), [H](TControl *A, TControl *B) {
        return H ? A->Left() < B->Left() : A->Top() < B->Top();
    });
    // The grip leads.
    std::stable_partition(Children.begin(), Children.end(),
                          [this](TControl *C) { return C == FDragBox; });
    // Left-aligned along a horizontal toolbar, top-aligned down an upright one:
    // every control is as thick as the toolbar inside its frame.
    const int Thickness = std::min(Width(), Height()) - 2;
    int At = 1;
    for (TControl *C : Children) {
        const int Length = C == FDragBox ? 8 : (H ? C->Width() : C->Height());
        if (H)
            C->SetBounds(At, 1, Length, Thickness);
        else
            C->SetBounds(1, At, Thickness, Length);
        At += Length;
    }
    AdjustBounds();
}

void TfrxToolBar::AdjustBounds()
{
    const TfrxDock *D = Dock();
    const bool H = !D || D->Horizontal();
    int Length = 4;
    for (int i = 0; i < ControlCount(); ++i)
        if (TControl *C = Controls(i); C->Visible()) Length += H ? C->Width() : C->Height();
    const int Thickness = std::min(Width(), Height()) > 0 ? std::min(Width(), Height()) : 26;
    if (H)
        SetBounds(Left(), Top(), Length, Thickness);
    else
        SetBounds(Left(), Top(), Thickness, Length);
}

void TfrxToolBar::MoveTo(int X, int Y)
{
    TfrxDock *D = Dock();
    if (!D) return;
    const bool H = D->Horizontal();
    TDockSpan Own = SpanOf(this, H);
    Own.Along = H ? X : Y;
    Own.Across = H ? Y : X;
    bool ToFloat = Own.Along < -20;
    Own.Along = std::max(Own.Along, 0);
    if (Own.Along + Own.Length > D->Length()) Own.Along = D->Length() - Own.Length;
    int Pass = 0;
    for (; Pass < 4; ++Pass) {
        bool Changed = false;
        for (TfrxToolBar *Other : D->ToolBars()) {
            if (Other == this) continue;
            const TDockSpan S = SpanOf(Other, H);
            if (!RowsOverlap(Own, S)) continue;
            if (Own.Along >= S.Along && Own.Along < S.Along + S.Length) {
                Own.Along = S.Along + S.Length;
                Changed = true;
            } else if (S.Along >= Own.Along && S.Along < Own.Along + Own.Length) {
                Own.Along = S.Along - Own.Length;
                Changed = true;
            }
        }
        if (!Changed) break;
    }
    if (!FCanFloat) ToFloat = false;
    if (ToFloat) {
        MakeFloat();
        return;
    }
    if (Pass >= 3) return;
    const int DepthBefore = D->Depth();
    const bool Outside = Own.Across < 0 || Own.Across + Own.Thickness > DepthBefore;
    PlaceSpan(this, H, Own.Along, Own.Across);
    D->AdjustBounds();
    if (Outside && D->Depth() == DepthBefore && FCanFloat) MakeFloat();
}

void TfrxToolBar::MakeFloat()
{
    const TPoint At = CursorPos();
    FloatTo(At.X, At.Y);
    FMouseDown = false;
    FFloatWindow->StartDrag(At);
}

void TfrxToolBar::DragStart(const TPoint &Cursor)
{
    FLastMouse = Cursor;
    FMouseDown = true;
}

void TfrxToolBar::DragMove(const TPoint &Cursor)
{
    TfrxDock *D = Dock();
    if (!FMouseDown || !D) return;
    const bool H = D->Horizontal();
    int DX = Cursor.X - FLastMouse.X, DY = Cursor.Y - FLastMouse.Y;
    // Across the rows only whole rows count.
    if (H)
        DY = DY / D->RowSize() * D->RowSize();
    else
        DX = DX / D->RowSize() * D->RowSize();
    if (DX == 0 && DY == 0) return;
    if (DX != 0) FLastMouse.X = Cursor.X;
    if (DY != 0) FLastMouse.Y = Cursor.Y;
    MoveTo(Left() + DX, Top() + DY);
}

void TfrxToolBar::DragEnd()
{
    FMouseDown = false;
}

// ---- float window ----

TfrxFloatWindow::TfrxFloatWindow(TfrxToolBar *ToolBar, TCustomForm *OwnerForm)
    : TForm(nullptr), FToolBar(ToolBar), FOwnerForm(OwnerForm)
{
    SetBorderStyle(bsNone);
}

TfrxFloatWindow::~TfrxFloatWindow() = default;

void TfrxFloatWindow::CreateParams(TCreateParams &Params)
{
    TForm::CreateParams(Params);
    if (FOwnerForm) Params.WndParent = FOwnerForm->Handle();
}

void TfrxFloatWindow::Paint()
{
    TCanvas *C = Canvas();
    const TColor Grey = static_cast<TColor>(0x808080);
    C->Brush()->SetColor(Grey);
    for (int Edge = 0; Edge < 3; ++Edge)
        C->FrameRect(TRect(Edge, Edge, Width() - Edge, Height() - Edge));
    C->FillRect(TRect(3, 3, Width() - 3, 18));
    C->Brush()->SetColor(clBtnFace);
    C->FrameRect(TRect(3, 18, Width() - 3, Height() - 3));
    C->Brush()->SetStyle(bsClear);
    C->Font()->SetStyle(TFontStyles{fsBold});
    C->Font()->SetColor(clCaptionText);
    C->TextOut(6, 3, Caption());
    C->Brush()->SetStyle(bsSolid);
    RECT Close = CloseButtonRect();
    DrawFrameControl(C->Handle(), &Close, DFC_CAPTION, DFCS_CAPTIONCLOSE);
}

TfrxDock *TfrxFloatWindow::DockAt(const TPoint &Cursor) const
{
    if (!FOwnerForm) return nullptr;
    for (int i = 0; i < FOwnerForm->ComponentCount(); ++i) {
        auto *D = dynamic_cast<TfrxDock *>(FOwnerForm->Components(i));
        if (!D || !D->Visible() || !FToolBar->Accepts(D)) continue;
        const TPoint P = D->ScreenToClient(Cursor);
        if (TRect(0, 0, D->Width(), D->Height()).Contains(P.X, P.Y)) return D;
    }
    return nullptr;
}

void TfrxFloatWindow::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TForm::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    if (CloseButtonRect().Contains(X, Y)) {
        Hide();
        return;
    }
    FDragStart = TPoint(X, Y);
    FDragging = Y < 18;
}

void TfrxFloatWindow::StartDrag(const TPoint &Cursor)
{
    FDragStart = ScreenToClient(Cursor);
    FDragging = true;
    SetMouseCapture(true);
}

void TfrxFloatWindow::MouseMove(TShiftState Shift, int X, int Y)
{
    TForm::MouseMove(Shift, X, Y);
    if (!FDragging) return;
    const TPoint Cursor = ClientToScreen(TPoint(X, Y));
    if (TfrxDock *D = DockAt(Cursor)) {
        FDragging = false;
        const TPoint P = D->ScreenToClient(Cursor);
        const bool H = D->Horizontal();
        const int Along =
            std::clamp(H ? P.X : P.Y, 0,
                       std::max(0, D->Length() - (H ? FToolBar->Width() : FToolBar->Height())));
        TfrxToolBar *Bar = FToolBar;
        // Docking frees this window: nothing of it may be touched afterwards.
        Bar->DockTo(D, H ? Along : P.X, H ? P.Y : Along);
        Bar->DragStart(Cursor);
        return;
    }
    SetBounds(Cursor.X - FDragStart.X, Cursor.Y - FDragStart.Y, Width(), Height());
}

void TfrxFloatWindow::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TForm::MouseUp(Button, Shift, X, Y);
    if (FDragging && MouseCapture()) SetMouseCapture(false);
    FDragging = false;
}

// ---- dock site ----

TfrxDockSite::TfrxDockSite(TComponent *AOwner)
    : TPanel(AOwner), FSizingBar(new TGraphicControl(this))
{
    SetBevelOuter(bvNone);
    SetCaption(" ");
    SetAlign(alLeft);
    SetWidth(10);
    FSizingBar->SetCursor(crHSplit);
    FSizingBar->SetVisible(false);
}

void TfrxDockSite::PlaceSizingBar()
{
    TWinControl *Holder = Parent();
    if (!Holder) return;
    FSizingBar->SetParent(Holder);
    // Three pixels just outside the inner edge.
    const int X = Align() == alLeft ? Left() + Width() : Left() - 3;
    FSizingBar->SetBounds(X, Top(), 3, Height());
}

void TfrxDockSite::DockControl(TControl *Control)
{
    if (Control->Width() > Width()) SetWidth(Control->Width());
    Control->SetParent(this);
    Control->SetAlign(alClient);
    PlaceSizingBar();
    FSizingBar->SetVisible(true);
}

void TfrxDockSite::UndockControl(TControl *Control)
{
    if (Control->Parent() == this) Control->SetParent(nullptr);
    if (ControlCount() == 0) FSizingBar->SetVisible(false);
}

void TfrxDockSite::SizeBy(int Delta)
{
    if (Align() == alLeft)
        SetWidth(std::max(0, Width() + Delta));
    else
        SetBounds(Left() + Delta, Top(), std::max(0, Width() - Delta), Height());
    PlaceSizingBar();
}

void TfrxDockSite::SaveLayout(TStream *Stream)
{
    TStringList Lines;
    Lines.Add(IntToStr(Width()));
    for (int i = 0; i < ControlCount(); ++i)
        Lines.Add(Controls(i)->Name());
    Lines.SaveToStream(Stream);
}

void TfrxDockSite::LoadLayout(TStream *Stream)
{
    TStringList Lines;
    Lines.LoadFromStream(Stream);
    if (Lines.Count() == 0) return;
    const int SavedWidth = StrToIntDef(Lines.Strings(0), Width());
    for (int i = 1; i < Lines.Count(); ++i)
        if (auto *C = dynamic_cast<TControl *>(Application->FindComponent(Lines.Strings(i))))
            DockControl(C);
    SetWidth(SavedWidth);
    PlaceSizingBar();
}

// ---- toolbar and dock positions ----

void frxSaveToolbarPosition(TCustomIniFile *Ini, TfrxToolBar *ToolBar)
{
    const AnsiString Section = "ToolBar." + ToolBar->Name();
    const TControl *Placed =
        ToolBar->Floating() ? static_cast<TControl *>(ToolBar->FloatWindow()) : ToolBar;
    Ini->WriteBool(Section, "Float", ToolBar->Floating());
    Ini->WriteBool(Section, "Visible", ToolBar->Shown());
    Ini->WriteInteger(Section, "Left", Placed->Left());
    Ini->WriteInteger(Section, "Top", Placed->Top());
    Ini->WriteInteger(Section, "Width", ToolBar->Width());
    Ini->WriteInteger(Section, "Height", ToolBar->Height());
    if (TfrxDock *D = ToolBar->Dock()) Ini->WriteString(Section, "Dock", D->Name());
}

void frxRestoreToolbarPosition(TCustomIniFile *Ini, TfrxToolBar *ToolBar)
{
    const AnsiString Section = "ToolBar." + ToolBar->Name();
    ToolBar->SetShown(false);
    const int X = Ini->ReadInteger(Section, "Left", ToolBar->Left());
    const int Y = Ini->ReadInteger(Section, "Top", ToolBar->Top());
    if (Ini->ReadBool(Section, "Float", false)) {
        ToolBar->FloatTo(X, Y);
    } else {
        ToolBar->SetBounds(X, Y, ToolBar->Width(), ToolBar->Height());
        const AnsiString Current = ToolBar->Parent() ? ToolBar->Parent()->Name() : AnsiString();
        const AnsiString Name = Ini->ReadString(Section, "Dock", Current);
        auto *D = dynamic_cast<TfrxDock *>(frxFindComponent(ToolBar->Owner(), Name));
        if (D && D != ToolBar->Parent()) ToolBar->DockTo(D, X, Y);
    }
    ToolBar->SetBounds(ToolBar->Left(), ToolBar->Top(),
                       Ini->ReadInteger(Section, "Width", ToolBar->Width()),
                       Ini->ReadInteger(Section, "Height", ToolBar->Height()));
    ToolBar->AdjustBounds();
    ToolBar->SetShown(Ini->ReadBool(Section, "Visible", true));
}

void frxSaveDock(TCustomIniFile *Ini, TfrxDockSite *Site)
{
    TMemoryStream Layout;
    Site->SaveLayout(&Layout);
    Layout.SetPosition(0);
    Ini->WriteString("Dock." + Site->Name(), "Data", frxStreamToString(&Layout));
}

void frxRestoreDock(TCustomIniFile *Ini, TfrxDockSite *Site)
{
    TMemoryStream Layout;
    frxStringToStream(Ini->ReadString("Dock." + Site->Name(), "Data", AnsiString()), &Layout);
    if (Layout.Size() == 0) return;
    Layout.SetPosition(0);
    Site->LoadLayout(&Layout);
}

// ---- toolbar panel ----

TfrxTBPanel::TfrxTBPanel(TComponent *AOwner) : TPanel(AOwner)
{
    SetWidth(8);
    SetHeight(8);
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    SetCaption("");
}

void TfrxTBPanel::Paint()
{
    TCanvas *C = Canvas();
    C->Brush()->SetColor(clBtnFace);
    C->Brush()->SetStyle(bsSolid);
    C->FillRect(TRect(0, 0, Width(), Height()));
    if (ComponentState().Contains(csDesigning)) {
        C->Pen()->SetStyle(psDot);
        C->Pen()->SetColor(clBtnShadow);
        C->Brush()->SetStyle(bsClear);
        C->Rectangle(0, 0, Width(), Height());
    }
}

// ---- form positions ----

void frxSaveFormPosition(TCustomIniFile *Ini, TForm *Form)
{
    const AnsiString Section = FormSection(Form);
    Ini->WriteInteger(Section, "Left", Form->Left());
    Ini->WriteInteger(Section, "Top", Form->Top());
    Ini->WriteInteger(Section, "Width", Form->Width());
    Ini->WriteInteger(Section, "Height", Form->Height());
    Ini->WriteBool(Section, "Maximized", Form->WindowState() == wsMaximized);
    Ini->WriteBool(Section, "Visible", Form->Visible());
    TWinControl *Site = Form->Parent();
    Ini->WriteString(Section, "Dock", Site ? Site->Name() : AnsiString());
}

void frxRestoreFormPosition(TCustomIniFile *Ini, TForm *Form)
{
    const AnsiString Section = FormSection(Form);
    if (Ini->ReadBool(Section, "Maximized", false))
        Form->SetWindowState(wsMaximized);
    else
        Form->SetBounds(Ini->ReadInteger(Section, "Left", Form->Left()),
                        Ini->ReadInteger(Section, "Top", Form->Top()),
                        Ini->ReadInteger(Section, "Width", Form->Width()),
                        Ini->ReadInteger(Section, "Height", Form->Height()));
    const AnsiString Dock = Ini->ReadString(Section, "Dock", AnsiString());
    if (!Dock.IsEmpty())
        if (auto *Site = dynamic_cast<TWinControl *>(frxFindComponent(Form->Owner(), Dock)))
            Form->SetParent(Site);
    Form->SetVisible(Ini->ReadBool(Section, "Visible", true));
}
