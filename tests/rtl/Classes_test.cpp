#include "platform/rtl/Classes.h"
#include "platform/rtl/TypInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

// A component that logs what happens to it into a shared journal.
class TLogged : public TComponent
{
    QRV4_CLASS(TLogged, TComponent)

public:
    explicit TLogged(TComponent *AOwner) : TComponent(AOwner) {}
    TLogged(TComponent *AOwner, const char *AName, std::vector<std::string> *ALog)
        : TComponent(AOwner), Log(ALog)
    {
        SetName(AName);
    }
    // Frees its components while its own Notification still answers, as a
    // descendant that wants to hear of them does.
    ~TLogged() override
    {
        if (Log) Log->push_back("free " + Name().ToStd());
        if (Log && Ref) Log->push_back(Name().ToStd() + " still sees " + Ref->Name().ToStd());
        if (WasDestroying) *WasDestroying = ComponentState().Contains(csDestroying);
        Destroying();
        DestroyComponents();
    }

    TComponent *Ref = nullptr;
    bool *WasDestroying = nullptr;
    std::vector<std::string> *Log = nullptr;
    std::vector<std::string> *Inserts = nullptr; // who hears of an insertion

    void MarkLoading() { SetComponentStateFlag(csLoading, true); }
    using TComponent::Loaded;

protected:
    void Notification(TComponent *AComponent, TOperation Operation) override
    {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opInsert && Inserts) Inserts->push_back(Name().ToStd());
        if (Operation != opRemove) return;
        if (Log) Log->push_back(Name().ToStd() + " hears " + AComponent->Name().ToStd());
        if (AComponent == Ref) Ref = nullptr;
    }
};

class TAbstractShape : public TPersistent
{
    QRV4_CLASS(TAbstractShape, TPersistent)

public:
    virtual int Corners() const = 0;
};

class TSquare : public TAbstractShape
{
    QRV4_CLASS(TSquare, TAbstractShape)

public:
    int Corners() const override { return 4; }
    int Side = 0;

protected:
    // A square knows how to become a string list ("Side=n"); the list does not
    // know squares, so Assign reaches this through AssignTo.
    void AssignTo(TPersistent *Dest) override
    {
        if (auto *list = dynamic_cast<TStrings *>(Dest)) {
            list->Clear();
            list->Add("Side=" + AnsiString(Side));
            return;
        }
        TAbstractShape::AssignTo(Dest);
    }
};

} // namespace

// ---------------------------------------------------------------------------

TEST(TObjectClasses, NameParentAndAncestry)
{
    TStringList list;
    EXPECT_EQ(list.ClassName(), "TStringList");
    EXPECT_EQ(list.ClassType(), TStringList::StaticClass());
    EXPECT_EQ(list.ClassParent(), TStrings::StaticClass());
    EXPECT_EQ(TStrings::StaticClass()->ClassParent(), TPersistent::StaticClass());
    EXPECT_EQ(TObject::StaticClass()->ClassParent(), nullptr);
    EXPECT_TRUE(list.InheritsFrom(TPersistent::StaticClass()));
    EXPECT_TRUE(list.InheritsFrom(TObject::StaticClass()));
    EXPECT_FALSE(list.InheritsFrom(TComponent::StaticClass()));
    // Seen through a base pointer the object still reports its own class.
    TObject *obj = &list;
    EXPECT_EQ(obj->ClassName(), "TStringList");
}

TEST(TObjectClasses, ClassReferenceMakesComponentWithOwner)
{
    TComponent owner(nullptr);
    TComponentClass cls = TLogged::StaticClass();
    TComponent *made = cls->Create(&owner);
    EXPECT_EQ(made->ClassName(), "TLogged");
    EXPECT_NE(dynamic_cast<TLogged *>(made), nullptr);
    EXPECT_EQ(made->Owner(), &owner);
    EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(TObjectClasses, ClassReferenceMakesPlainObjects)
{
    std::unique_ptr<TObject> made(TStringList::StaticClass()->Create());
    EXPECT_EQ(made->ClassName(), "TStringList");
    EXPECT_EQ(TSquare::StaticClass()->ClassParent(), TAbstractShape::StaticClass());
}

TEST(TObjectClasses, ClassWithoutThatConstructorRaises)
{
    EXPECT_THROW(TAbstractShape::StaticClass()->Create(), EInvalidOperation);
    EXPECT_THROW(TStringList::StaticClass()->Create(static_cast<TComponent *>(nullptr)),
                 EInvalidOperation);
    EXPECT_THROW(TComponent::StaticClass()->Create(), EInvalidOperation);
}

namespace
{

int SquarePublished = 0;

void PublishSquare(rtl::Publisher<TSquare> &)
{
    ++SquarePublished;
}

} // namespace

TEST(TObjectClasses, PublishedPropertiesAreMadeOnceWhenFirstAskedFor)
{
    EXPECT_EQ(TSquare::StaticClass()->Properties(), nullptr);
    const int before = SquarePublished;
    rtl::PublishClass<TSquare>(&PublishSquare);
    EXPECT_EQ(SquarePublished, before) << "nothing is made before it is asked for";
    const rtl::PropertyTable *table = TSquare::StaticClass()->Properties();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->Class, TSquare::StaticClass());
    EXPECT_EQ(TSquare::StaticClass()->Properties(), table);
    EXPECT_EQ(SquarePublished, 1);
    EXPECT_EQ(TAbstractShape::StaticClass()->Properties(), nullptr);
    TSquare::StaticClass()->SetProperties(nullptr);
}

TEST(TObjectClasses, FreeOfNullDoesNothing)
{
    TStringList *list = nullptr;
    Free(list);
    FreeAndNil(list);
    list = new TStringList;
    FreeAndNil(list);
    EXPECT_EQ(list, nullptr);
}

// ---------------------------------------------------------------------------

TEST(TPersistentAssign, UnknownPairRaisesWithBothClassNames)
{
    TStringList list;
    TCollection collection(TCollectionItem::StaticClass());
    try {
        collection.Assign(&list);
        FAIL() << "no exception";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TStringList to a TCollection");
    }
    try {
        list.Assign(nullptr);
        FAIL() << "no exception";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), "Cannot assign a nil to a TStringList");
    }
}

TEST(TPersistentAssign, SourceThatKnowsTheDestinationAssignsTo)
{
    TSquare square;
    square.Side = 7;
    TStringList list;
    list.Add("old");
    list.Assign(&square);
    EXPECT_EQ(list.Text(), "Side=7\r\n");
    TSquare other;
    EXPECT_THROW(other.Assign(&square), EConvertError);
}

// ---------------------------------------------------------------------------

TEST(TComponentOwnership, OwnerFreesComponentsInReverseOrder)
{
    std::vector<std::string> log;
    auto *owner = new TLogged(nullptr, "Form", &log);
    new TLogged(owner, "A", &log);
    new TLogged(owner, "B", &log);
    new TLogged(owner, "C", &log);
    delete owner;
    std::vector<std::string> expected = {"free Form", "free C", "free B", "free A"};
    EXPECT_EQ(log, expected);
}

TEST(TComponentOwnership, FreedComponentLeavesItsOwner)
{
    TComponent owner(nullptr);
    auto *a = new TComponent(&owner);
    auto *b = new TComponent(&owner);
    delete a;
    ASSERT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), b);
    EXPECT_EQ(b->ComponentIndex(), 0);
    EXPECT_THROW(owner.Components(1), EListError);
}

TEST(TComponentOwnership, InsertComponentMovesFromThePreviousOwner)
{
    TComponent first(nullptr), second(nullptr);
    auto *c = new TComponent(&first);
    second.InsertComponent(c);
    EXPECT_EQ(c->Owner(), &second);
    EXPECT_EQ(first.ComponentCount(), 0);
    EXPECT_EQ(second.ComponentCount(), 1);
    second.RemoveComponent(c);
    EXPECT_EQ(c->Owner(), nullptr);
    delete c;
}

TEST(TComponentOwnership, ChildrenSeeTheOwnerDestroying)
{
    auto *form = new TLogged(nullptr, "Form", nullptr);
    bool destroying = true;
    auto *b = new TLogged(form, "B", nullptr);
    b->WasDestroying = &destroying;
    delete b;
    EXPECT_FALSE(destroying);
    auto *a = new TLogged(form, "A", nullptr);
    a->WasDestroying = &destroying;
    delete form;
    EXPECT_TRUE(destroying);
}

TEST(TComponentOwnership, LoadedClearsLoading)
{
    TLogged c(nullptr);
    c.MarkLoading();
    EXPECT_TRUE(c.ComponentState().Contains(csLoading));
    c.Loaded();
    EXPECT_FALSE(c.ComponentState().Contains(csLoading));
}

// ---------------------------------------------------------------------------

TEST(TComponentNames, DuplicateAmongOwnersComponentsRaises)
{
    TComponent owner(nullptr);
    auto *a = new TComponent(&owner);
    a->SetName("Button1");
    auto *b = new TComponent(&owner);
    try {
        b->SetName("BUTTON1");
        FAIL() << "no exception";
    } catch (const EComponentError &e) {
        EXPECT_EQ(e.Message(), "A component named BUTTON1 already exists");
    }
    EXPECT_EQ(b->Name(), "");
    // The same name in another case is a rename, not a duplicate.
    a->SetName("BUTTON1");
    EXPECT_EQ(a->Name(), "BUTTON1");
    // Unowned components may share names.
    TComponent x(nullptr), y(nullptr);
    x.SetName("Same");
    y.SetName("Same");
}

TEST(TComponentNames, InsertingADuplicateRaises)
{
    TComponent owner(nullptr), other(nullptr);
    (new TComponent(&owner))->SetName("Edit");
    auto *stray = new TComponent(&other);
    stray->SetName("edit");
    EXPECT_THROW(owner.InsertComponent(stray), EComponentError);
    EXPECT_EQ(stray->Owner(), &other);
    EXPECT_EQ(owner.ComponentCount(), 1);
}

TEST(TComponentNames, InvalidIdentifierRaises)
{
    TComponent c(nullptr);
    try {
        c.SetName("1st");
        FAIL() << "no exception";
    } catch (const EComponentError &e) {
        EXPECT_EQ(e.Message(), "'1st' is not a valid component name");
    }
    EXPECT_THROW(c.SetName("a b"), EComponentError);
    EXPECT_THROW(c.SetName("Кнопка"_a), EComponentError);
    c.SetName("_ok9");
    c.SetName("");
    EXPECT_EQ(c.Name(), "");
}

TEST(TComponentNames, FindComponentIgnoresCase)
{
    TComponent owner(nullptr);
    auto *a = new TComponent(&owner);
    a->SetName("MasterData1");
    EXPECT_EQ(owner.FindComponent("masterdata1"), a);
    EXPECT_EQ(owner.FindComponent("MASTERDATA1"), a);
    EXPECT_EQ(owner.FindComponent("MasterData"), nullptr);
    EXPECT_EQ(owner.FindComponent(""), nullptr);
}

TEST(TComponentNames, FindComponentFollowsRenames)
{
    TComponent owner(nullptr);
    auto *a = new TComponent(&owner);
    auto *b = new TComponent(&owner);
    a->SetName("Memo1");
    a->SetName("Title");
    EXPECT_EQ(owner.FindComponent("Memo1"), nullptr);
    EXPECT_EQ(owner.FindComponent("title"), a);
    // The old name is free again, and a case-only rename keeps the component found.
    b->SetName("memo1");
    EXPECT_EQ(owner.FindComponent("MEMO1"), b);
    a->SetName("TITLE");
    EXPECT_EQ(owner.FindComponent("Title"), a);
    // A refused rename leaves both names where they were.
    EXPECT_THROW(b->SetName("Title"), EComponentError);
    EXPECT_EQ(owner.FindComponent("Title"), a);
    EXPECT_EQ(owner.FindComponent("Memo1"), b);
    // A component without a name is found by none.
    a->SetName("");
    EXPECT_EQ(owner.FindComponent("Title"), nullptr);
    b->SetName("Title");
    EXPECT_EQ(owner.FindComponent("Title"), b);
}

TEST(TComponentNames, FindComponentFollowsRemovalFreeingAndOwnerChanges)
{
    TComponent owner(nullptr), other(nullptr);
    auto *a = new TComponent(&owner);
    a->SetName("Band1");
    auto *b = new TComponent(&owner);
    b->SetName("Band2");
    other.InsertComponent(a);
    EXPECT_EQ(owner.FindComponent("Band1"), nullptr);
    EXPECT_EQ(other.FindComponent("Band1"), a);
    // Renamed under its new owner, it is found there only.
    a->SetName("Band2");
    EXPECT_EQ(other.FindComponent("Band2"), a);
    EXPECT_EQ(owner.FindComponent("Band2"), b);
    other.RemoveComponent(a);
    EXPECT_EQ(other.FindComponent("Band2"), nullptr);
    EXPECT_THROW(owner.InsertComponent(a), EComponentError);
    a->SetName("Band3");
    owner.InsertComponent(a);
    EXPECT_EQ(owner.FindComponent("band3"), a);
    delete b;
    EXPECT_EQ(owner.FindComponent("Band2"), nullptr);
    (new TComponent(&owner))->SetName("Band2");
    EXPECT_NE(owner.FindComponent("Band2"), nullptr);
    EXPECT_EQ(owner.ComponentCount(), 2);
}

TEST(TComponentNames, ThousandsOfComponentsAreEachFoundByName)
{
    TComponent owner(nullptr);
    for (int i = 0; i < 5000; ++i)
        (new TComponent(&owner))->SetName("Memo" + AnsiString(i));
    for (int i = 0; i < 5000; i += 7)
        ASSERT_EQ(owner.FindComponent("MEMO" + AnsiString(i)), owner.Components(i)) << i;
    delete owner.Components(10);
    EXPECT_EQ(owner.FindComponent("Memo10"), nullptr);
    EXPECT_EQ(owner.FindComponent("Memo11"), owner.Components(10));
}

// ---------------------------------------------------------------------------

TEST(TComponentNotification, ReferrerHearsOfAFreedComponent)
{
    std::vector<std::string> log;
    TLogged viewer(nullptr, "Viewer", &log);
    auto *source = new TLogged(nullptr, "Source", &log);
    viewer.Ref = source;
    viewer.FreeNotification(source);
    delete source;
    EXPECT_EQ(viewer.Ref, nullptr);
    std::vector<std::string> expected = {"free Source", "Viewer hears Source"};
    EXPECT_EQ(log, expected);
}

TEST(TComponentNotification, EitherSideMayGoFirst)
{
    std::vector<std::string> log;
    auto *viewer = new TLogged(nullptr, "Viewer", &log);
    auto *source = new TLogged(nullptr, "Source", &log);
    viewer->FreeNotification(source);
    delete viewer; // the source hears of the viewer and drops it
    delete source; // so nothing reaches the freed viewer here
    std::vector<std::string> expected = {"free Viewer", "Source hears Viewer", "free Source"};
    // The viewer's destructor body runs before the base tells the source.
    EXPECT_EQ(log, expected);
}

TEST(TComponentNotification, RemoveFreeNotificationStopsIt)
{
    std::vector<std::string> log;
    TLogged viewer(nullptr, "Viewer", &log);
    auto *source = new TLogged(nullptr, "Source", &log);
    viewer.FreeNotification(source);
    viewer.RemoveFreeNotification(source);
    delete source;
    EXPECT_EQ(log, std::vector<std::string>{"free Source"});
}

TEST(TComponentNotification, SiblingsHearThroughTheOwner)
{
    std::vector<std::string> log;
    TLogged form(nullptr, "Form", &log);
    auto *a = new TLogged(&form, "A", &log);
    auto *b = new TLogged(&form, "B", &log);
    a->Ref = b;
    delete b;
    EXPECT_EQ(a->Ref, nullptr);
    // The owner passes the news to every component it still owns, last first;
    // B itself is past its own destructor by then.
    std::vector<std::string> expected = {"free B", "A hears B", "Form hears B"};
    EXPECT_EQ(log, expected);
}

TEST(TComponentNotification, OwnerFreeingTellsEachReferrerInReverseOrder)
{
    std::vector<std::string> log;
    auto *form = new TLogged(nullptr, "Form", &log);
    auto *first = new TLogged(form, "First", &log);
    auto *second = new TLogged(form, "Second", &log);
    TLogged outside(nullptr, "Outside", &log);
    outside.FreeNotification(first);
    outside.FreeNotification(second);
    delete form;
    // The components going with the form hear nothing of each other; the form and
    // the referrers outside it hear of each.
    std::vector<std::string> expected = {
        "free Form",        "Form hears Second", "free Second",        "Outside hears Second",
        "Form hears First", "free First",        "Outside hears First"};
    EXPECT_EQ(log, expected);
}

TEST(TComponentNotification, ASiblingThatAskedHearsAlsoWhenTheOwnerGoes)
{
    // The watcher's destructor reads what it watches: it must have heard first.
    std::vector<std::string> log;
    auto *form = new TLogged(nullptr, "Form", &log);
    auto *watcher = new TLogged(form, "Watcher", &log);
    auto *watched = new TLogged(form, "Watched", &log);
    watcher->Ref = watched;
    watcher->FreeNotification(watched);
    delete form;
    std::vector<std::string> expected = {"free Form",          "Form hears Watched",
                                         "free Watched",       "Watcher hears Watched",
                                         "Form hears Watcher", "free Watcher"};
    EXPECT_EQ(log, expected);
}

TEST(TComponentNotification, ASiblingThatAskedHearsOnceUnderALivingOwner)
{
    std::vector<std::string> log;
    TLogged form(nullptr, "Form", &log);
    auto *watcher = new TLogged(&form, "Watcher", &log);
    auto *watched = new TLogged(&form, "Watched", &log);
    watcher->Ref = watched;
    watcher->FreeNotification(watched);
    delete watched;
    auto *again = new TLogged(&form, "Again", &log);
    watcher->Ref = again;
    watcher->FreeNotification(again);
    form.DestroyComponents();
    std::vector<std::string> expected = {"free Watched",        "Watcher hears Watched",
                                         "Form hears Watched",  "Again hears Again",
                                         "Watcher hears Again", "Form hears Again",
                                         "free Again",          "Watcher hears Watcher",
                                         "Form hears Watcher",  "free Watcher"};
    EXPECT_EQ(log, expected);
}

TEST(TComponentNotification, AnInsertionIsHeardByTheOwnerAlone)
{
    std::vector<std::string> heard;
    TLogged form(nullptr, "Form", nullptr);
    form.Inserts = &heard;
    (new TLogged(&form, "A", nullptr))->Inserts = &heard;
    form.InsertComponent(new TLogged(nullptr, "B", nullptr));
    EXPECT_EQ(heard, (std::vector<std::string>{"Form", "Form"}));
}

TEST(TComponentNotification, DestroyComponentsOfALiveOwnerStillTellsTheSiblings)
{
    std::vector<std::string> log;
    TLogged form(nullptr, "Form", &log);
    auto *first = new TLogged(&form, "First", &log);
    auto *second = new TLogged(&form, "Second", &log);
    TLogged outside(nullptr, "Outside", &log);
    outside.FreeNotification(second);
    first->Ref = second;
    form.DestroyComponents();
    std::vector<std::string> expected = {"Second hears Second",  "First hears Second",
                                         "Form hears Second",    "free Second",
                                         "Outside hears Second", "free First"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(form.ComponentCount(), 0);
}
