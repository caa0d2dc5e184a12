#include "platform/rtl/Classes.h"
#include "platform/rtl/Contnrs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

class TPoint : public TCollectionItem
{
    QRV4_CLASS(TPoint, TCollectionItem)

public:
    explicit TPoint(TCollection *Collection) : TCollectionItem(Collection) {}
    int X = 0;
    void SetX(int Value)
    {
        X = Value;
        Changed(false);
    }
    void Assign(TPersistent *Source) override
    {
        if (auto *p = dynamic_cast<TPoint *>(Source)) {
            X = p->X;
            return;
        }
        TCollectionItem::Assign(Source);
    }

protected:
    AnsiString GetDisplayName() const override { return "Point " + AnsiString(X); }
};

class TOther : public TCollectionItem
{
    QRV4_CLASS(TOther, TCollectionItem)

public:
    explicit TOther(TCollection *Collection) : TCollectionItem(Collection) {}
};

// A collection that writes down what it is told.
class TWatched : public TOwnedCollection
{
    QRV4_CLASS(TWatched, TOwnedCollection)

public:
    explicit TWatched(TPersistent *AOwner = nullptr)
        : TOwnedCollection(AOwner, TPoint::StaticClass())
    {
    }
    TPoint *Point(int Index) const { return static_cast<TPoint *>(Items(Index)); }
    TPersistent *OwnerSeen() { return GetOwner(); }

    std::vector<std::string> *Log = nullptr;

protected:
    void Update(TCollectionItem *Item) override
    {
        if (Log) Log->push_back(Item ? "update " + Item->DisplayName().ToStd() : "update all");
    }
    void Notify(TCollectionItem *Item, TCollectionNotification Action) override
    {
        static const char *names[] = {"added", "extracting", "deleting"};
        if (Log) Log->push_back(std::string(names[Action]) + " " + std::to_string(Item->ID()));
    }
};

class TCounted : public TObject
{
    QRV4_CLASS(TCounted, TObject)

public:
    explicit TCounted(int *ALive) : Live(ALive) { ++*Live; }
    ~TCounted() override { --*Live; }
    int *Live;
};

class TCountedMore : public TCounted
{
    QRV4_CLASS(TCountedMore, TCounted)

public:
    using TCounted::TCounted;
};

std::string Xs(const TWatched &C)
{
    std::string out;
    for (int i = 0; i < C.Count(); ++i)
        out += std::to_string(C.Point(i)->X);
    return out;
}

} // namespace

// ---------------------------------------------------------------------------

TEST(TCollectionItems, AddMakesTheItemClassAndItemsAreChecked)
{
    TWatched c;
    TCollectionItem *item = c.Add();
    EXPECT_EQ(item->ClassName(), "TPoint");
    EXPECT_EQ(item->Collection(), &c);
    EXPECT_EQ(c.Count(), 1);
    EXPECT_EQ(c.Items(0), item);
    try {
        c.Items(3);
        FAIL() << "no exception";
    } catch (const EListError &e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (3)");
    }
    EXPECT_THROW(c.Items(-1), EListError);
}

TEST(TCollectionItems, InsertAndIndexSetterMoveItems)
{
    TWatched c;
    for (int x : {1, 2, 3})
        static_cast<TPoint *>(c.Add())->X = x;
    static_cast<TPoint *>(c.Insert(0))->X = 0;
    EXPECT_EQ(Xs(c), "0123");
    c.Point(3)->SetIndex(1);
    EXPECT_EQ(Xs(c), "0312");
    EXPECT_EQ(c.Point(1)->Index(), 1);
    EXPECT_THROW(c.Point(0)->SetIndex(9), EListError);
}

TEST(TCollectionItems, DeleteClearAndFreeingAnItem)
{
    TWatched c;
    for (int x : {1, 2, 3, 4})
        static_cast<TPoint *>(c.Add())->X = x;
    c.Delete(1);
    EXPECT_EQ(Xs(c), "134");
    delete c.Items(0);
    EXPECT_EQ(Xs(c), "34");
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_THROW(c.Delete(0), EListError);
}

TEST(TCollectionItems, IdsGrowAndAreFound)
{
    TWatched c;
    c.Add();
    TCollectionItem *second = c.Add();
    c.Delete(0);
    TCollectionItem *third = c.Add();
    EXPECT_EQ(second->ID(), 1);
    EXPECT_EQ(third->ID(), 2);
    EXPECT_EQ(c.FindItemID(2), third);
    EXPECT_EQ(c.FindItemID(0), nullptr);
}

TEST(TCollectionUpdates, NotificationsAndUpdatesInOrder)
{
    std::vector<std::string> log;
    TWatched c;
    c.Log = &log;
    auto *p = static_cast<TPoint *>(c.Add());
    p->SetX(5);
    c.Delete(0);
    std::vector<std::string> expected = {"added 0",    "update all",   "update Point 5",
                                         "deleting 0", "extracting 0", "update all"};
    EXPECT_EQ(log, expected);
}

TEST(TCollectionUpdates, UpdateBracketGivesOneWholeUpdate)
{
    std::vector<std::string> log;
    TWatched c;
    c.Log = &log;
    c.BeginUpdate();
    c.Add();
    static_cast<TPoint *>(c.Add())->SetX(3);
    c.Clear();
    c.EndUpdate();
    std::vector<std::string> expected = {"added 0", "added 1", "extracting 1", "extracting 0",
                                         "update all"};
    EXPECT_EQ(log, expected);
}

TEST(TCollectionAssign, CopiesItemsThroughTheirAssign)
{
    TWatched source, dest;
    for (int x : {7, 8})
        static_cast<TPoint *>(source.Add())->X = x;
    dest.Add();
    dest.Assign(&source);
    EXPECT_EQ(Xs(dest), "78");
    TStringList list;
    EXPECT_THROW(dest.Assign(&list), EConvertError);
    EXPECT_THROW(dest.Point(0)->Assign(&list), EConvertError);
}

TEST(TCollectionAssign, DisplayNameAndOwner)
{
    TStringList owner;
    TWatched c(&owner);
    EXPECT_EQ(c.OwnerSeen(), &owner);
    TCollection plain(TOther::StaticClass());
    EXPECT_EQ(plain.Add()->DisplayName(), "TOther");
    EXPECT_EQ(plain.ItemClass(), TOther::StaticClass());
}

// ---------------------------------------------------------------------------

TEST(TObjectListOwnership, FreesWhatItDeletesButNotWhatItExtracts)
{
    int live = 0;
    auto *list = new TObjectList;
    for (int i = 0; i < 4; ++i)
        list->Add(new TCounted(&live));
    EXPECT_EQ(live, 4);
    list->Delete(0);
    EXPECT_EQ(live, 3);
    TObject *kept = list->Extract(list->Items(0));
    EXPECT_EQ(live, 3);
    list->SetItems(0, new TCounted(&live)); // the replaced object goes
    EXPECT_EQ(live, 3);
    list->Remove(list->Last());
    EXPECT_EQ(live, 2);
    delete list;
    EXPECT_EQ(live, 1);
    delete kept;
    EXPECT_EQ(live, 0);
}

TEST(TObjectListOwnership, NotOwningLeavesObjectsAlone)
{
    int live = 0;
    TCounted a(&live), b(&live);
    {
        TObjectList list(false);
        list.Add(&a);
        list.Add(&b);
        list.Clear();
        list.Add(&a);
    }
    EXPECT_EQ(live, 2);
}

TEST(TObjectListOwnership, FindInstanceOfExactOrDescendant)
{
    int live = 0;
    TObjectList list;
    list.Add(new TCounted(&live));
    list.Add(new TCountedMore(&live));
    EXPECT_EQ(list.FindInstanceOf(TCountedMore::StaticClass()), 1);
    EXPECT_EQ(list.FindInstanceOf(TCounted::StaticClass(), false, 1), 1);
    EXPECT_EQ(list.FindInstanceOf(TCounted::StaticClass(), true, 1), -1);
    EXPECT_EQ(list.FindInstanceOf(TObject::StaticClass(), false), 0);
}
