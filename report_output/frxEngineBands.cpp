// The engine's band output: one band onto the pages with its grown objects,
// page and column breaks, split bands, keep blocks, groups and columns.

#include "report_output/frxEngine.h"

#include "platform/rtl/SysUtils.h"
#include "report/frxRes.h"
#include "report/frxUtils.h"
#include "report_output/frxDMPClass.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace
{

constexpr double Tolerance = 0.0001;

TfrxComponent *ObjectAt(TList *List, int Index)
{
    return static_cast<TfrxComponent *>(List->Items(Index));
}

std::vector<TfrxComponent *> ObjectsOf(TfrxComponent *Parent)
{
    TList *List = Parent->Objects();
    std::vector<TfrxComponent *> Result;
    Result.reserve(static_cast<std::size_t>(List->Count()));
    for (int i = 0; i < List->Count(); ++i)
        Result.push_back(ObjectAt(List, i));
    return Result;
}

bool OverlapsHorizontally(TfrxComponent *A, TfrxComponent *B)
{
    return A->Left() < B->Left() + B->Width() - Tolerance &&
           B->Left() < A->Left() + A->Width() - Tolerance;
}

// Band kinds by their number, which costs less than a type test per record.
bool IsFooterKind(TfrxBand *Band)
{
    const int Number = Band->BandNumber();
    return Number == 1 || Number == 3 || Number == 5 || Number == 13;
}

bool IsDataBand(TfrxBand *Band)
{
    const int Number = Band->BandNumber();
    if (Number >= 0) return Number >= 6 && Number <= 11;
    return dynamic_cast<TfrxDataBand *>(Band) != nullptr;
}

double BottomLineHeight(TfrxComponent *C)
{
    auto *Memo = dynamic_cast<TfrxDMPMemoView *>(C);
    return Memo && Memo->Frame()->Typ().Contains(ftBottom) ? 17 : 0;
}

// Values of a group condition that cannot be compared count as a change.
bool SameValue(const Variant &A, const Variant &B)
{
    if (VarIsNull(A) || VarIsNull(B)) return VarIsNull(A) && VarIsNull(B);
    try {
        return A == B;
    } catch (const Exception &) {
        return false;
    }
}

TfrxShiftMode ShiftModeOf(TfrxComponent *C)
{
    auto *View = dynamic_cast<TfrxView *>(C);
    return View ? View->ShiftMode() : smAlways;
}

// Restores the band's design list of objects on every way out of a split.
class ObjectListKeeper
{
public:
    explicit ObjectListKeeper(TfrxBand *Band) : FBand(Band), FObjects(ObjectsOf(Band)) {}
    ~ObjectListKeeper() { Restore(); }
    ObjectListKeeper(const ObjectListKeeper &) = delete;
    ObjectListKeeper &operator=(const ObjectListKeeper &) = delete;

    const std::vector<TfrxComponent *> &Objects() const { return FObjects; }
    void Restore()
    {
        TList *List = FBand->Objects();
        List->Clear();
        for (TfrxComponent *C : FObjects)
            List->Add(C);
    }

private:
    TfrxBand *FBand;
    std::vector<TfrxComponent *> FObjects;
};

std::vector<TfrxSubreport *> SubreportsOf(TfrxBand *Band, bool OnParent)
{
    std::vector<TfrxSubreport *> Result;
    TList *Objects = Band->Objects();
    for (int i = 0; i < Objects->Count(); ++i)
        if (auto *Sub = dynamic_cast<TfrxSubreport *>(ObjectAt(Objects, i));
            Sub && Sub->Visible() && Sub->PrintOnParent() == OnParent && Sub->Page())
            Result.push_back(Sub);
    return Result;
}

} // namespace

// ---- showing a band ----

void TfrxEngine::ShowBand(TClass BandClass)
{
    if (TfrxBand *Band = Page()->FindBand(BandClass)) ShowBand(Band);
}

void TfrxEngine::ShowBand(TfrxBand *Band)
{
    if (!Band) return;
    if (Band->KeepChild()) StartKeep(Band);
    DoShow(Band);
    TfrxChild *Child = Band->Child();
    if (Child && (Band->Visible() || Band->PrintChildIfInvisible())) {
        if (IsDataBand(Band) && static_cast<TfrxDataBand *>(Band)->Columns() > 1)
            ShowChildInColumn(Child, Band->Left());
        else
            ShowBand(Child);
    }
    if (Band->KeepChild()) EndKeep(Band);
}

// The child of a record side by side with others goes below it, in its column, and leaves the
// page only with its row.
void TfrxEngine::ShowChildInColumn(TfrxBand *Child, double Left)
{
    struct Restore {
        TfrxEngine &E;
        double X;
        bool InRow;
        ~Restore()
        {
            E.CurX = X;
            E.ShowingChildInColumns = InRow;
        }
    } Back{*this, CurX, ShowingChildInColumns};
    CurX += Left;
    ShowingChildInColumns = true;
    ShowBand(Child);
}

bool TfrxEngine::IsFirstRecord(TfrxBand *Band)
{
    if (!IsDataBand(Band) && Band->BandNumber() != 12) return false;
    return State(Band).LineNoAll == 1;
}

void TfrxEngine::DoShow(TfrxBand *Band)
{
    if (Band->Vertical()) {
        ShowVBand(Band);
        return;
    }
    const TCellRow Cells(*this, Band);
    const bool MultiColumn = IsDataBand(Band) && static_cast<TfrxDataBand *>(Band)->Columns() > 1;
    if (!ReprintingHeaders && Band->Visible() && Band->StartNewPage() && !RedirectTarget &&
        !IsFirstRecord(Band)) {
        PageBreakBand = Band;
        NewPage();
        PageBreakBand = nullptr;
    }
    TMark Place = Here();
    {
        const TStretchedBand Stretched(*this, Band);
        // Stretching may have shown other bands (a new page, say).
        Place = Here();
        if (Band->Visible()) {
            const int Position = OutputBand(Band, MultiColumn, Cells.Breaks());
            Place = Here();
            Place.Position = Position;
            Place.Y = CurY - Band->Height();
            // A record side by side with others has its subreports in its own column.
            if (MultiColumn) Place.X = Band->Left();
            if (MultiColumn && !SubreportsOf(Band, false).empty())
                MoveRowOfRecord(static_cast<TfrxDataBand *>(Band), Place);
        }
    }
    const int Position = Place.Position;
    if (IsFooterKind(Band)) Aggregates.Reset(Band);
    // The record counts on the page its row was printed on, before its subreports and its
    // child go on to other pages. A vertical band feeds its aggregates per column as it lays
    // out its cells.
    if (IsDataBand(Band)) Aggregates.AddValue(Band, 0, Position);
    if (!Band->Visible()) return;
    const bool RowHere = MultiColumn && !RowLeftBehind(State(Band).Row);
    CheckSubReports(Band, Place);
    // The row goes on from where its subreports left it.
    if (RowHere && RowLeftBehind(State(Band).Row)) State(Band).Row = Here();
}

int TfrxEngine::OutputBand(TfrxBand *Band, bool MultiColumn, const std::vector<int> &Breaks)
{
    const bool Placed = Band->BandNumber() < 0 && dynamic_cast<TfrxNullBand *>(Band) != nullptr;
    if (!MultiColumn && !ShowingChildInColumns && !Placed && Band->BandNumber() != 17 &&
        !RedirectTarget && Band->Height() > FreeSpace()) {
        if (Band->AllowSplit()) return DrawSplit(Band);
        // A band repeated at the top of every page that does not fit there would
        // start pages for ever; the title is shown once and may run over.
        if (ReprintingHeaders && !dynamic_cast<TfrxReportTitle *>(Band))
            throw Exception(Format(frxResources()->Get("clBandNoFit"), {Band->Name()}));
        struct Overflowing {
            TfrxBand *B;
            ~Overflowing() { B->SetOverflow(false); }
        } During{Band};
        Band->SetOverflow(true);
        const bool MovesBlock = Keeping;
        // Records counted before the band is placed, those of the subreports printed on it,
        // count where it goes.
        Aggregates.Cut(Pages()->GetCurPosition());
        NewColumn();
        // A kept block that moved may leave the band no more room than it had: the band goes
        // on past it.
        if (MovesBlock && Band->Height() > FreeSpace()) NewColumn();
        Aggregates.Paste(Pages()->GetCurPosition());
    }
    if (!Placed) {
        Band->SetLeft(MultiColumn ? Band->Left() + CurX : CurX);
        Band->SetTop(CurY);
    }
    const int Position = Pages()->GetCurPosition();
    if (RedirectTarget)
        (new TfrxBand(RedirectTarget))->AssignAll(Band);
    else if (!ReprintingHeaders || !Breaks.empty() || !Pages()->BandExists(Band))
        AddToPages(Band, Breaks);
    CurY += Band->Height();
    return Position;
}

void TfrxEngine::AddToPages(TfrxBand *Band, const std::vector<int> &Breaks)
{
    if (Breaks.empty())
        Pages()->AddObject(Band);
    else
        OutputVPages(Band, Breaks);
}

TfrxEngine::TCellRow::TCellRow(TfrxEngine &Engine, TfrxBand *Band)
    : FEngine(Engine), FBand(Band), FActive(Engine.State(Band).HasVCells), FSavedX(Engine.CurX),
      FSavedCellBand(Engine.VCellBand)
{
    if (!FActive) return;
    try {
        TfrxReport *R = Engine.Report();
        R->SetCurObject(Band->Name());
        Band->BeforePrint();
        R->DoBeforePrint(Band);
        Engine.ShowVBands(Band);
        Engine.CurX = 0;
        // A row that does not fit starts a page after the ones its cells spread over.
        Engine.Pages()->AddPageAction = apAdd;
        FBreaks = Engine.VPageBreaks;
    } catch (...) {
        End();
        throw;
    }
}

void TfrxEngine::TCellRow::End()
{
    if (!FActive) return;
    FActive = false;
    FEngine.FreeAddedObjects(FBand);
    FEngine.VCellBand = FSavedCellBand;
    FEngine.CurX = FSavedX;
}

TfrxEngine::TBandState &TfrxEngine::TypedObjects(TfrxBand *Band)
{
    TBandState &S = State(Band);
    TList *Objects = Band->Objects();
    const auto Count = static_cast<std::size_t>(Objects->Count());
    bool Same = S.Objects.size() == Count;
    for (std::size_t i = 0; Same && i < Count; ++i)
        Same = S.Objects[i] == ObjectAt(Objects, static_cast<int>(i));
    if (Same) return S;
    S.Objects.clear();
    S.Components.clear();
    S.Stretcheables.clear();
    for (int i = 0; i < Objects->Count(); ++i) {
        auto *O = dynamic_cast<TfrxReportComponent *>(ObjectAt(Objects, i));
        S.Objects.push_back(ObjectAt(Objects, i));
        S.Components.push_back(O);
        S.Stretcheables.push_back(dynamic_cast<TfrxStretcheable *>(O));
    }
    return S;
}

void TfrxEngine::Stretch(TfrxBand *Band)
{
    CurrentBand = Band;
    PrepareShiftTree(Band);
    TfrxReport *R = Report();
    // The cells of a wide band were filled as they were laid out, and the band's
    // own events ran before them.
    const bool Cells = Band == VCellBand;
    if (!Cells) {
        R->SetCurObject(Band->Name());
        Band->BeforePrint();
        R->DoBeforePrint(Band);
    }
    // A script may have shown other bands meanwhile (a new page, say).
    CurrentBand = Band;
    const bool Visible = Band->Visible();
    bool Grown = false;
    FShiftAmount.clear();
    const TBandState &Typed = TypedObjects(Band);
    const std::size_t Filled =
        Cells ? static_cast<std::size_t>(Typed.DesignCount) : Typed.Components.size();
    for (std::size_t i = 0; i < Typed.Components.size(); ++i) {
        TfrxReportComponent *O = Typed.Components[i];
        if (!O) continue;
        if (i < Filled) {
            R->SetCurObject(O->Name());
            O->BeforePrint();
            if (!Visible) continue;
            R->DoBeforePrint(O);
            if (!O->Visible()) continue;
            O->GetData();
            R->DoNotifyEvent(O, O->OnAfterData());
        } else if (!Visible || !O->Visible()) {
            continue;
        }
        TfrxStretcheable *S = Typed.Stretcheables[i];
        if (!S || S->StretchMode() == smDontStretch) continue;
        const double H = S->CalcHeight();
        if (H > S->Height()) {
            FShiftAmount[S] = H - S->Height();
            S->SetHeight(H);
            Grown = true;
        }
    }
    if (!Visible) return;
    if (Grown) ShiftObjects(Band, 0);
    ShowParentSubreports(Band);
    TList *Objects = Band->Objects();
    double Bottom = 0;
    TfrxComponent *Lowest = nullptr;
    for (int i = 0; i < Objects->Count(); ++i) {
        TfrxComponent *O = ObjectAt(Objects, i);
        if (O->Top() + O->Height() > Bottom) {
            Bottom = O->Top() + O->Height();
            Lowest = O;
        }
    }
    // A character printer draws a bottom frame line on the text line below.
    Bottom += BottomLineHeight(Lowest);
    if (Band->Stretched()) Band->SetHeight(Bottom);
    R->DoNotifyEvent(Band, Band->OnAfterCalcHeight());
    for (TfrxStretcheable *S : Typed.Stretcheables)
        if (S && S->StretchMode() == smMaxHeight)
            S->SetHeight(Bottom - S->Top() - BottomLineHeight(S));
}

TfrxEngine::TStretchedBand::TStretchedBand(TfrxEngine &Engine, TfrxBand *Band)
    : FEngine(Engine), FBand(Band), FUnwinding(std::uncaught_exceptions())
{
    try {
        FEngine.Stretch(FBand);
    } catch (...) {
        UnStretchKeepingFirstError();
        throw;
    }
}

TfrxEngine::TStretchedBand::~TStretchedBand() noexcept(false)
{
    if (std::uncaught_exceptions() == FUnwinding)
        FEngine.UnStretch(FBand);
    else
        UnStretchKeepingFirstError();
}

void TfrxEngine::TStretchedBand::UnStretchKeepingFirstError() noexcept
{
    // The error already on its way is the one the user must see; a second one
    // from the after-print events would replace it, or end the program.
    try {
        FEngine.UnStretch(FBand);
    } catch (...) {
    }
}

void TfrxEngine::UnStretch(TfrxBand *Band)
{
    TfrxReport *R = Report();
    const TBandState &Typed = TypedObjects(Band);
    if (Band->Visible())
        for (TfrxReportComponent *O : Typed.Components)
            if (O) {
                R->SetCurObject(O->Name());
                R->DoAfterPrint(O);
            }
    for (TfrxReportComponent *O : Typed.Components)
        if (O) O->AfterPrint();
    R->DoAfterPrint(Band);
    Band->AfterPrint();
    FreeAddedObjects(Band);
}

// ---- subreports ----

namespace
{

void CollectViews(TfrxComponent *Parent, std::vector<TfrxComponent *> &Views)
{
    for (TfrxComponent *C : ObjectsOf(Parent)) {
        if (dynamic_cast<TfrxView *>(C) && !dynamic_cast<TfrxSubreport *>(C)) Views.push_back(C);
        CollectViews(C, Views);
    }
}

} // namespace

void TfrxEngine::ShowParentSubreports(TfrxBand *Band)
{
    if (RedirectTarget) return;
    const std::vector<TfrxSubreport *> Subreports = SubreportsOf(Band, true);
    if (Subreports.empty()) return;
    // A band with cells counts its design objects before the cells came.
    if (State(Band).DesignCount < 0) State(Band).DesignCount = Band->Objects()->Count();
    auto Target = std::make_unique<TfrxBand>(nullptr);
    RedirectTarget = Target.get();
    struct Restore {
        TfrxEngine &E;
        double X, Y, Origin;
        ~Restore()
        {
            E.CurX = X;
            E.CurY = Y;
            E.OriginX = Origin;
            E.RedirectTarget = nullptr;
        }
    } Back{*this, CurX, CurY, OriginX};
    // The subreport's bands land in the band, so they are placed from its left edge: the
    // band takes its column's place when it is output.
    for (TfrxSubreport *Sub : Subreports) {
        OriginX = Sub->Left();
        CurX = Sub->Left();
        CurY = Sub->Top();
        RunPage(Sub->Page());
    }
    std::vector<TfrxComponent *> Views;
    CollectViews(Target.get(), Views);
    for (TfrxComponent *View : Views) {
        const double Left = View->GetAbsLeft(), Top = View->GetAbsTop();
        // The band frees what it gains when it is shown; the scratch band must not.
        if (TComponent *Owner = View->Owner()) Owner->RemoveComponent(View);
        View->SetParent(Band);
        View->SetLeft(Left);
        View->SetTop(Top);
        if (auto *S = dynamic_cast<TfrxStretcheable *>(View)) S->SetStretchMode(smDontStretch);
    }
}

void TfrxEngine::FreeAddedObjects(TfrxBand *Band)
{
    TBandState &S = State(Band);
    if (S.DesignCount < 0) return;
    TList *Objects = Band->Objects();
    const bool Freed = Objects->Count() > S.DesignCount;
    while (Objects->Count() > S.DesignCount)
        delete ObjectAt(Objects, Objects->Count() - 1);
    S.DesignCount = -1;
    if (!Freed) return;
    // The shift tree and the typed list may hold the freed objects; both are made again.
    S.ShiftTreeBuilt = false;
    S.Objects.clear();
    S.Components.clear();
    S.Stretcheables.clear();
}

void TfrxEngine::CheckSubReports(TfrxBand *Band, TMark BandPlace)
{
    const std::vector<TfrxSubreport *> Subreports = SubreportsOf(Band, false);
    if (Subreports.empty()) return;
    TfrxCustomPreviewPages *P = Pages();
    const double SavedOrigin = OriginX;
    TMark Furthest = Here();
    // A subreport that ends the page leaves the band on it.
    Floors.push_back(Furthest);
    // A subreport's page break may move the kept block the band is in; the band's other
    // subreports start where it went, and the ends reached so far went along.
    ++FFollowingMoves;
    struct Following {
        TfrxEngine &E;
        ~Following()
        {
            if (--E.FFollowingMoves == 0) E.FBlockMoves.clear();
        }
    } During{*this};
    // The subreports stand beside one another where the band stands within its column.
    const double Within = BandPlace.X - ColumnLeft(BandPlace.Column, SavedOrigin);
    for (TfrxSubreport *Sub : Subreports) {
        // One that ended the band's page or column closed it, its footers out: the others go
        // on where it ended.
        const bool Closed = Furthest.Page != BandPlace.Page || Furthest.Column != BandPlace.Column;
        const TMark &Start = Closed ? Furthest : BandPlace;
        P->CurPage = Start.Page;
        CurColumn = Start.Column;
        OriginX = SavedOrigin + Within + Sub->Left();
        CurX = ColumnLeft(Start.Column, SavedOrigin) + Within + Sub->Left();
        CurY = Closed ? Furthest.Y : BandPlace.Y + Sub->Top();
        const std::size_t Moves = FBlockMoves.size();
        RunPage(Sub->Page());
        FollowMoves(BandPlace, Moves);
        FollowMoves(Furthest, Moves);
        const bool Further = P->CurPage != Furthest.Page    ? P->CurPage > Furthest.Page
                             : CurColumn != Furthest.Column ? CurColumn > Furthest.Column
                                                            : CurY > Furthest.Y;
        if (Further) Furthest = Here();
    }
    P->CurPage = Furthest.Page;
    CurColumn = Furthest.Column;
    CurX = ColumnLeft(CurColumn, SavedOrigin);
    CurY = Furthest.Y;
    OriginX = SavedOrigin;
}

double TfrxEngine::ColumnLeft(int Column, double Origin) const
{
    return Origin + (Column > 1 ? ColumnPosition(Column - 1) : 0);
}

void TfrxEngine::FollowMoves(TMark &Place, std::size_t Moves) const
{
    for (std::size_t i = Moves; i < FBlockMoves.size(); ++i) {
        const TBlockMove &Move = FBlockMoves[i];
        if (Place.Page != Move.From.Page || Place.Column != Move.From.Column ||
            Place.Position < Move.From.Position)
            continue;
        Place.Page = Move.To.Page;
        Place.Column = Move.To.Column;
        Place.Position += Move.To.Position - Move.From.Position;
        Place.X += Move.To.X - Move.From.X;
        Place.Y += Move.To.Y - Move.From.Y;
    }
}

// ---- growing objects push the ones below them down ----

void TfrxEngine::PrepareShiftTree(TfrxBand *Band)
{
    TBandState &S = State(Band);
    if (S.ShiftTreeBuilt) return;
    S.ShiftTreeBuilt = true;
    struct Entry {
        TfrxReportComponent *Object;
        long long Key;
    };
    std::vector<Entry> Entries;
    TList *Objects = Band->Objects();
    for (int i = 0; i < Objects->Count(); ++i)
        if (auto *O = dynamic_cast<TfrxReportComponent *>(ObjectAt(Objects, i))) {
            O->ShiftChildren()->Clear();
            Entries.push_back({O, std::llround(O->Top() * 100)});
        }
    // By top as a number, later-added first among equals; the band itself heads
    // the tree, above every object whatever its top.
    std::reverse(Entries.begin(), Entries.end());
    std::stable_sort(Entries.begin(), Entries.end(),
                     [](const Entry &A, const Entry &B) { return A.Key < B.Key; });
    Band->ShiftChildren()->Clear();
    std::vector<bool> HasParent(Entries.size(), false);
    auto Below = [](TfrxComponent *T, TfrxComponent *C) {
        return C->Top() - (T->Top() + T->Height()) > -Tolerance && OverlapsHorizontally(T, C);
    };
    auto Shadowed = [&](std::size_t t, std::size_t c) {
        TfrxComponent *T = Entries[t].Object, *C = Entries[c].Object;
        for (std::size_t m = c; m-- > t + 1;) {
            TfrxComponent *M = Entries[m].Object;
            if (M->Top() < C->Top() - Tolerance && M->Top() > T->Top() + Tolerance &&
                OverlapsHorizontally(M, C))
                return true;
        }
        return false;
    };
    for (std::size_t t = 0; t < Entries.size(); ++t)
        for (std::size_t c = t + 1; c < Entries.size(); ++c)
            if (Below(Entries[t].Object, Entries[c].Object) && !Shadowed(t, c)) {
                Entries[t].Object->ShiftChildren()->Add(Entries[c].Object);
                HasParent[c] = true;
            }
    // Objects above which nothing lies hang on the band; so does one that only
    // overlapping neighbours stand above, so that its own growth still pushes.
    for (std::size_t c = 0; c < Entries.size(); ++c)
        if (!HasParent[c]) Band->ShiftChildren()->Add(Entries[c].Object);
}

void TfrxEngine::ShiftObjects(TfrxReportComponent *Parent, double Amount)
{
    TList *Children = Parent->ShiftChildren();
    const bool ParentIsBand = dynamic_cast<TfrxBand *>(Parent) != nullptr;
    for (int i = 0; i < Children->Count(); ++i) {
        auto *C = static_cast<TfrxReportComponent *>(Children->Items(i));
        const auto Own = FShiftAmount.find(C);
        const double Grown = Own == FShiftAmount.end() ? 0 : Own->second;
        switch (ShiftModeOf(C)) {
        case smAlways:
            C->SetTop(C->Top() + Amount);
            ShiftObjects(C, Amount + Grown);
            break;
        case smWhenOverlapped: {
            const double ParentBottom = Parent->Top() + Parent->Height();
            if (!ParentIsBand && C->Top() < ParentBottom) {
                const double Delta = ParentBottom - C->Top();
                C->SetTop(ParentBottom);
                ShiftObjects(C, Delta + Grown);
            } else {
                ShiftObjects(C, Grown);
            }
            break;
        }
        case smDontShift:
            ShiftObjects(C, Grown);
            break;
        }
        if (Own != FShiftAmount.end()) Own->second = 0;
    }
}

// ---- a band split over pages ----

int TfrxEngine::DrawSplit(TfrxBand *Band)
{
    ObjectListKeeper Keeper(Band);
    int LastPart = Pages()->GetCurPosition();
    TList *InBand = Band->Objects();
    InBand->Clear();
    // Subreports are run below the band afterwards, not cut into its parts.
    std::vector<TfrxComponent *> Rest;
    for (TfrxComponent *O : Keeper.Objects())
        if (!dynamic_cast<TfrxSubreport *>(O)) Rest.push_back(O);
    std::unordered_map<TfrxComponent *, double> SavedHeight;
    for (TfrxComponent *O : Rest)
        if (auto *S = dynamic_cast<TfrxStretcheable *>(O)) {
            S->InitPart();
            SavedHeight[S] = S->Height();
        }
    auto ShiftBelow = [&](TfrxComponent *O, double Amount, std::vector<TfrxComponent *> &Shifted) {
        const double Bottom = O->Top() + O->Height();
        for (TfrxComponent *X : Rest)
            if (X != O && std::find(Shifted.begin(), Shifted.end(), X) == Shifted.end() &&
                X->Top() >= Bottom - Tolerance && OverlapsHorizontally(O, X)) {
                X->SetTop(X->Top() + Amount);
                Shifted.push_back(X);
            }
    };
    double Free = FreeSpace();
    bool FreshPart = false;
    while (!Rest.empty() && !Report()->Terminated()) {
        std::vector<TfrxComponent *> Shifted;
        std::vector<TfrxComponent *> Remaining;
        for (TfrxComponent *O : std::vector<TfrxComponent *>(Rest)) {
            auto *S = dynamic_cast<TfrxStretcheable *>(O);
            const double Top = O->Top();
            bool Stays = true, Placed = false;
            if (Top + O->Height() <= Free) {
                InBand->Add(O);
                if (S) S->DrawPart();
                Stays = false;
                Placed = true;
            } else if (S && Top < Free) {
                S->SetHeight(Free - Top);
                const double Empty = S->DrawPart();
                ShiftBelow(S, Empty, Shifted);
                if (std::fabs(Empty - S->Height()) < Tolerance) {
                    S->SetTop(Free);
                    S->SetHeight(SavedHeight[S]);
                } else {
                    InBand->Add(S);
                    SavedHeight[S] -= S->Height() - Empty;
                    Placed = true;
                }
            } else if (Top < Free) {
                ShiftBelow(O, Free - Top, Shifted);
                O->SetTop(Free);
            }
            // At the top of a fresh page or column, an object that does not fit never will.
            if (FreshPart && !Placed && Top < Tolerance)
                throw Exception(
                    Format(frxResources()->Get("clObjectNoFit"), {O->Name(), Band->Name()}));
            if (Stays) Remaining.push_back(O);
        }
        Rest = std::move(Remaining);
        // The part: as tall as what it holds; on the last part bottom-aligned objects sit low.
        double Height = 0;
        for (int i = 0; i < InBand->Count(); ++i) {
            TfrxComponent *O = ObjectAt(InBand, i);
            Height = std::max(Height, O->Top() + O->Height());
        }
        Band->SetHeight(Height);
        if (Rest.empty())
            for (int i = 0; i < InBand->Count(); ++i) {
                TfrxComponent *O = ObjectAt(InBand, i);
                auto *View = dynamic_cast<TfrxView *>(O);
                if (View && View->Align() == baBottom) O->SetTop(Height - O->Height());
                if (auto *S = dynamic_cast<TfrxStretcheable *>(O);
                    S && S->StretchMode() == smMaxHeight)
                    S->SetHeight(Height - S->Top());
            }
        Band->SetLeft(CurX);
        Band->SetTop(CurY);
        LastPart = Pages()->GetCurPosition();
        Pages()->AddObject(Band);
        // The part is in: a column footer that the break prints comes below it.
        CurY += Band->Height();
        if (!Rest.empty()) {
            // A record counts where its first lines print, before that page or column closes.
            if (InBand->Count() > 0 && IsDataBand(Band)) Aggregates.AddValueAhead(Band, LastPart);
            // A kept block that moves along leaves the next part less than a fresh column.
            FreshPart = !Keeping;
            NewColumn();
        }
        InBand->Clear();
        for (TfrxComponent *O : Rest) {
            O->SetTop(O->Top() - Free);
            if (auto *S = dynamic_cast<TfrxStretcheable *>(O)) {
                S->SetHeight(SavedHeight[S]);
                if (S->Top() < 0) S->SetTop(0);
            }
        }
        Free = FreeSpace();
    }
    return LastPart;
}

// ---- vertical bands: the cells of a wide band ----

void TfrxEngine::MoveCellsIntoVerticalBands(TfrxBand *Band)
{
    std::vector<TfrxBand *> VerticalBands;
    for (TfrxComponent *C : ObjectsOf(Page()))
        if (auto *V = dynamic_cast<TfrxBand *>(C); V && V->Vertical()) VerticalBands.push_back(V);
    if (VerticalBands.empty()) return;
    for (TfrxComponent *O : ObjectsOf(Band)) {
        auto Within = [O](TfrxBand *V) {
            return O->Left() >= V->Left() - Tolerance &&
                   V->Left() + V->Width() + Tolerance >= O->Left() + O->Width();
        };
        auto V = std::find_if(VerticalBands.begin(), VerticalBands.end(), Within);
        if (V == VerticalBands.end()) continue;
        const double Left = O->Left() - (*V)->Left();
        O->SetParent(*V);
        O->SetLeft(Left);
        FCellOrigin[O] = Band;
        State(Band).HasVCells = true;
    }
}

double TfrxEngine::FirstVerticalLeft() const
{
    double Result = 0;
    bool Found = false;
    for (TfrxComponent *C : ObjectsOf(Page()))
        if (auto *V = dynamic_cast<TfrxBand *>(C); V && V->Vertical()) {
            Result = Found ? std::min(Result, V->Left()) : V->Left();
            Found = true;
        }
    return Result;
}

void TfrxEngine::ShowVBands(TfrxBand *Band)
{
    VCellBand = Band;
    State(Band).DesignCount = Band->Objects()->Count();
    Band->SetAllowSplit(false);
    VHeaderList.clear();
    VPageBreaks.assign(1, 0);
    CurVColumn = 0;
    // The cells begin where the vertical bands were placed; the next pages from their left.
    CurX += FirstVerticalLeft();
    RunBands(Page(), true);
    VPageBreaks.push_back(Band->Objects()->Count());
}

void TfrxEngine::ShowVBand(TfrxBand *Band)
{
    TfrxBand *Cells = VCellBand;
    if (!Cells) return;
    const bool Data = IsDataBand(Band);
    if (Data) ++CurVColumn;
    CurrentBand = IsFooterKind(Band) ? Band : Cells;
    TfrxReport *R = Report();
    R->SetCurObject(Band->Name());
    Band->BeforePrint();
    R->DoBeforePrint(Band);
    if (Band->Visible()) {
        const int Count = Cells->Objects()->Count();
        // A page that holds no cell yet takes the next one however wide it is.
        if (CurX + Band->Width() > PageWidth && Count > VPageBreaks.back()) {
            CurX = 0;
            VPageBreaks.push_back(Count);
            for (TfrxBand *Header : std::vector<TfrxBand *>(VHeaderList))
                ShowBand(Header);
        }
        AddCellsOf(Band);
        CurX += Band->Width();
    }
    R->DoAfterPrint(Band);
    Band->AfterPrint();
    // Only data rows are counted: a header or footer row would count its neighbour again.
    if (Data && IsDataBand(Cells)) Aggregates.AddValue(Band, CurVColumn);
    if (IsFooterKind(Band)) Aggregates.Reset(Band);
}

void TfrxEngine::AddCellsOf(TfrxBand *Band)
{
    TfrxReport *R = Report();
    for (TfrxComponent *C : ObjectsOf(Band)) {
        const auto Origin = FCellOrigin.find(C);
        auto *O = dynamic_cast<TfrxReportComponent *>(C);
        if (!O || Origin == FCellOrigin.end() || Origin->second != VCellBand) continue;
        R->SetCurObject(O->Name());
        O->BeforePrint();
        R->DoBeforePrint(O);
        if (O->Visible()) {
            O->GetData();
            R->DoNotifyEvent(O, O->OnAfterData());
        }
        // Outside the report while it takes the name, which the original keeps too.
        auto *Cell = static_cast<TfrxComponent *>(
            O->ClassType()->Create(static_cast<TComponent *>(nullptr)));
        Cell->Assign(O);
        Cell->SetName(O->Name());
        Cell->SetLeft(O->Left() + CurX);
        Cell->SetParent(VCellBand);
        O->AfterPrint();
    }
}

void TfrxEngine::OutputVPages(TfrxBand *Band, const std::vector<int> &Breaks)
{
    TfrxCustomPreviewPages *P = Pages();
    ObjectListKeeper Keeper(Band);
    struct Restore {
        TfrxEngine &E;
        TfrxCustomPreviewPages *P;
        int Page;
        double X, Y;
        bool WasKeeping;
        ~Restore()
        {
            E.OutputtingVPages = false;
            E.Keeping = WasKeeping;
            P->CurPage = Page;
            E.CurX = X;
            E.CurY = Y;
            P->AddPageAction = apAdd;
        }
    } Back{*this, P, P->CurPage, CurX, CurY, Keeping};
    P->AddPageAction = apWriteOver;
    TList *List = Band->Objects();
    const std::vector<TfrxComponent *> &All = Keeper.Objects();
    for (std::size_t Range = 0; Range + 1 < Breaks.size(); ++Range) {
        if (Range > 0) {
            // The next part of the row goes onto the next page, at the row's own height,
            // so that the pages of one set can be laid side by side.
            OutputtingVPages = true;
            Keeping = false;
            NewPage();
            OutputtingVPages = false;
        }
        List->Clear();
        for (int i = Breaks[Range]; i < Breaks[Range + 1]; ++i)
            List->Add(All[static_cast<std::size_t>(i)]);
        Band->SetLeft(CurX);
        Band->SetTop(Back.Y);
        P->AddObject(Band);
    }
    // The last page of the set is ended; the first one goes on with the next rows.
    if (Breaks.size() > 2) EndPage();
}

// ---- keep blocks ----

void TfrxEngine::StartKeep(TfrxBand *Band)
{
    StartKeep(Band, Here());
}

void TfrxEngine::StartKeep(TfrxBand *Band, const TMark &From)
{
    // Vertical bands keep nothing together: their cells are laid out within one band.
    if (Keeping || NothingShownYet || Band->Vertical()) return;
    Keeping = true;
    KeepingBand = Band;
    KeepStart = From;
    TfrxCustomOutline *Outline = Pages()->Outline();
    KeepOutlinePosition = Outline ? Outline->GetCurPosition() : nullptr;
}

void TfrxEngine::EndKeep(TfrxBand *Band)
{
    if (Band != KeepingBand) return;
    Keeping = false;
    KeepingBand = nullptr;
}

// ---- groups ----

void TfrxEngine::InitGroups(TfrxGroupHeader *Group, std::size_t From, bool Reset)
{
    const std::vector<TfrxGroupHeader *> &Groups = State(Group).Groups;
    for (std::size_t i = From; i < Groups.size(); ++i) {
        TfrxGroupHeader *G = Groups[i];
        TBandState &S = State(G);
        if (Reset) {
            S.LineNo = S.LineNoAll = 1;
            ResetSuppressValues(G);
        } else {
            ++S.LineNo;
            if (i + 1 < Groups.size()) State(Groups[i + 1]).LineNo = 0;
            ++S.LineNoAll;
        }
        LineNo = S.LineNo;
        LineNoAll = S.LineNoAll;
        Report()->SetCurObject(G->Name());
        S.LastValue = Report()->Calc(G->Condition());
        if (G->KeepTogether()) StartKeep(G);
        ShowBand(G);
        AddBandOutline(G);
        AddToHeaderList(G);
    }
}

void TfrxEngine::CheckGroups(TfrxDataBand *DataBand, TfrxGroupHeader *Group, const TColumnRow &Row)
{
    const std::vector<TfrxGroupHeader *> Groups = State(Group).Groups;
    for (std::size_t i = 0; i < Groups.size(); ++i) {
        TfrxGroupHeader *G = Groups[i];
        Report()->SetCurObject(G->Name());
        if (SameValue(Report()->Calc(G->Condition()), State(G).LastValue)) continue;
        SetCurColumn(DataBand, DataBand->Columns());
        CheckBandColumns(DataBand, Row);
        TfrxDataSet *DataSet = DataBand->DataSet();
        bool Moved = false;
        try {
            DataSet->Prior();
            Moved = true;
        } catch (const Exception &) { // a data set that cannot go back shows its footers as it is
        }
        ShowGroupFooters(Group, i);
        if (Moved) DataSet->Next();
        InitGroups(Group, i, false);
        State(DataBand).LineNo = 1;
        ResetSuppressValues(DataBand);
        return;
    }
}

void TfrxEngine::ShowGroupFooters(TfrxGroupHeader *Group, std::size_t From)
{
    const std::vector<TfrxGroupHeader *> Groups = State(Group).Groups;
    for (std::size_t i = Groups.size(); i-- > From;) {
        TfrxGroupHeader *G = Groups[i];
        ShowBand(State(G).Footer);
        OutlineUp(G);
        RemoveFromHeaderList(G);
        if (G->KeepTogether()) EndKeep(G);
    }
}

void TfrxEngine::ResetSuppressValues(TfrxBand *Band)
{
    TList *Objects = Band->Objects();
    for (int i = 0; i < Objects->Count(); ++i)
        if (auto *Memo = dynamic_cast<TfrxCustomMemoView *>(ObjectAt(Objects, i)))
            Memo->ResetSuppressValue();
}

// Only headers and group headers that ask for it are shown again on new pages.
static bool RepeatsOnNewPage(TfrxBand *Band)
{
    return (dynamic_cast<TfrxHeader *>(Band) || dynamic_cast<TfrxGroupHeader *>(Band)) &&
           Band->ReprintOnNewPage();
}

void TfrxEngine::AddToHeaderList(TfrxBand *Band)
{
    if (!Band) return;
    if (Band->Vertical())
        AddToVHeaderList(Band);
    else if (RepeatsOnNewPage(Band))
        HeaderList.AddItem(Band, OriginX, Keeping);
}

void TfrxEngine::RemoveFromHeaderList(TfrxBand *Band)
{
    if (!Band) return;
    if (Band->Vertical())
        RemoveFromVHeaderList(Band);
    else
        HeaderList.RemoveItem(Band);
}

void TfrxEngine::AddToVHeaderList(TfrxBand *Band)
{
    if (RepeatsOnNewPage(Band)) VHeaderList.push_back(Band);
}

void TfrxEngine::RemoveFromVHeaderList(TfrxBand *Band)
{
    if (auto At = std::find(VHeaderList.begin(), VHeaderList.end(), Band); At != VHeaderList.end())
        VHeaderList.erase(At);
}

// ---- records side by side and page columns ----

void TfrxEngine::SetCurColumn(TfrxDataBand *Band, int Value)
{
    // A vertical band stands where it was placed; its records go side by side anyway.
    const double Left = Band->Left();
    Band->SetCurColumn(Value);
    if (Band->Vertical()) Band->SetLeft(Left);
}

void TfrxEngine::CheckBandColumns(TfrxDataBand *Band, const TColumnRow &Row)
{
    if (Band->Columns() <= 1 || Band->Vertical()) return;
    Band->SetMaxY(std::max(Band->MaxY(), CurY));
    Floors.push_back({Pages()->CurPage, CurColumn, Pages()->GetCurPosition(), CurX, Band->MaxY()});
    RowBand = Band;
    if (Band->CurColumn() >= Band->Columns()) {
        if (Band->MaxY() > PageHeight - FooterHeight())
            MoveColumnRow(Row, Band->MaxY() - Row.Y);
        else
            CurY = Band->MaxY();
    } else {
        CurY = Row.Y;
    }
    SetCurColumn(Band, Band->CurColumn() + 1);
}

bool TfrxEngine::RowLeftBehind(const TColumnRow &Row) const
{
    return Row.Page != Pages()->CurPage || Row.Column != CurColumn;
}

void TfrxEngine::CheckRecordColumns(TfrxDataBand *Band, const TColumnRow &Row, double SavedY)
{
    // A hidden record that printed nothing leaves the row as it was; one whose child printed
    // took its place in the row all the same.
    if (Band->Visible() || CurY > SavedY + Tolerance) CheckBandColumns(Band, Row);
}

// The row goes on as a whole, its records in their columns.
void TfrxEngine::MoveColumnRow(const TColumnRow &Row, double Height)
{
    // A row begun on an earlier page has no place to be cut from here.
    if (RowLeftBehind(Row)) {
        NewColumn();
        return;
    }
    int RowStart = Row.Position;
    double RowTop = Row.Y;
    if (Keeping) {
        const int RowObjects = Pages()->GetCurPosition() - Row.Position;
        if (Row.Position < KeepStart.Position) KeepStart = Row;
        // The block ends below the row's tallest record.
        CurY = Row.Y + Height;
        NewColumn();
        // A block taller than a page leaves its last row over the footer of the next page
        // too: the row goes on alone from there.
        if (CurY <= PageHeight - FooterHeight()) return;
        RowStart = Pages()->GetCurPosition() - RowObjects;
        RowTop = CurY - Height;
    }
    CutRows(RowStart);
    // The column's footer comes right below what stays in it.
    CurY = RowTop;
    NewColumn();
    PasteRows(CurX, CurY);
    CurY += Height;
}

// Its subreports go on from where the record stands: the row must have left the page first.
void TfrxEngine::MoveRowOfRecord(TfrxDataBand *Band, TMark &Place)
{
    if (CurY <= PageHeight - FooterHeight()) return;
    TColumnRow &Row = State(Band).Row;
    const int Following = Pages()->GetCurPosition() - Place.Position;
    const int RowObjects = Pages()->GetCurPosition() - Row.Position;
    const double Within = Place.X - ColumnLeft(Place.Column, OriginX);
    const double Height = std::max(Band->MaxY(), CurY) - Row.Y;
    const double Below = Place.Y - Row.Y;
    MoveColumnRow(Row, Height);
    Band->SetMaxY(CurY);
    Floors.push_back(Here());
    Row = Here();
    Row.Position -= RowObjects;
    Row.Y = CurY - Height;
    Place = Here();
    Place.Position -= Following;
    Place.X = ColumnLeft(Place.Column, OriginX) + Within;
    Place.Y = Row.Y + Below;
}

double TfrxEngine::ColumnPosition(int Column) const
{
    TStrings *Positions = Page()->ColumnPositions();
    if (Column < 0 || Column >= Positions->Count()) return 0;
    return frxStrToFloat(Positions->Strings(Column)) * fr01cm;
}

void TfrxEngine::NewColumn()
{
    if (CurColumn >= Page()->Columns()) {
        NewPage();
        return;
    }
    // A kept block goes on whole in the next column, as it does on the next page, and keeps
    // nothing together after that.
    const bool Moving = Keeping;
    const TMark From = KeepStart;
    const double BlockHeight = CurY - From.Y;
    if (Moving) CutRows(From.Position);
    CurY = ClosingY(Moving ? From : Here());
    EndColumn();
    AddColumn();
    if (Moving) {
        PasteKeptBlock(From);
        CurY += BlockHeight;
    }
    Keeping = false;
}

double TfrxEngine::ClosingY(const TMark &End)
{
    double Y = End.Y;
    for (const TMark &Stays : Floors)
        if (Stays.Page == End.Page && Stays.Column == End.Column && Stays.Position <= End.Position)
            Y = std::max(Y, Stays.Y);
    // A row under way goes on from the top of the next column or page.
    if (RowBand) RowBand->SetMaxY(0);
    Floors.clear();
    RowBand = nullptr;
    return Y;
}

void TfrxEngine::EndColumn()
{
    TfrxBand *Footer = Page()->FindBand(TfrxColumnFooter::StaticClass());
    // A summary that does not fit under the last column's footer ends that column again.
    if (!Footer || ColumnEnded) return;
    ColumnEnded = true;
    {
        const TStretchedBand Stretched(*this, Footer);
        Footer->SetLeft(CurX - OriginX);
        Footer->SetTop(CurY);
        if (Footer->Visible()) Pages()->AddObject(Footer);
    }
    Aggregates.Reset(Footer);
}

void TfrxEngine::AddColumn()
{
    ++CurColumn;
    ColumnEnded = false;
    const double X = ColumnPosition(CurColumn - 1);
    CurY = ColumnTopY;
    for (int i = 0; i < HeaderList.Count(); ++i) {
        const TfrxHeaderList::TfrxHeaderListItem Item = HeaderList.Items(i);
        if (!Item.Band || dynamic_cast<TfrxPageHeader *>(Item.Band)) continue;
        // A header made inside a kept block moves along with the block.
        if (Keeping && Item.IsInKeep) continue;
        CurX = Item.Left + X;
        for (TfrxBand *Band = Item.Band; Band; Band = Band->Child()) {
            TBandState &S = State(Band);
            const bool WasReprinting = S.IsReprinting;
            S.IsReprinting = true;
            const TCellRow Cells(*this, Band);
            {
                struct Restore {
                    TBandState &S;
                    bool Was;
                    ~Restore() { S.IsReprinting = Was; }
                } Reprinting{S, WasReprinting};
                const TStretchedBand Stretched(*this, Band);
                Band->SetLeft(CurX);
                Band->SetTop(CurY);
                if (Band->Visible()) {
                    AddToPages(Band, Cells.Breaks());
                    CurY += Band->Height();
                }
            }
            if (!Band->Visible() && !Band->PrintChildIfInvisible()) break;
        }
    }
    CurX = OriginX + X;
}
