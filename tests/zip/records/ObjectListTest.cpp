#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "zip/ObjectList.h"

// Outside the anonymous namespace so that its class name reads plainly in messages.
int liveItems = 0;

struct TItem {
    explicit TItem(int key) : Key(key) { ++liveItems; }
    virtual ~TItem() { --liveItems; }
    int Key;
};

namespace {

struct TIntList : TSortedObjectList<TItem> {
    using TSortedObjectList<TItem>::TSortedObjectList;
    int Compare(const TItem* a, const TItem* b) const override { return a->Key - b->Key; }
};

std::vector<int> Keys(const TObjectList<TItem>& list)
{
    std::vector<int> keys;
    for (int i = 0; i < list.Count(); ++i)
        keys.push_back(list[i]->Key);
    return keys;
}

}  // namespace

TEST(ObjectList, GrowsBy4Then8Then16)
{
    TObjectList<TItem> list;
    std::vector<int> capacities;
    for (int i = 0; i < 40; ++i) {
        list.Add(new TItem(i));
        if (capacities.empty() || capacities.back() != list.Capacity())
            capacities.push_back(list.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 16, 32, 48}));
    EXPECT_EQ(list.Count(), 40);
    EXPECT_EQ(list.First()->Key, 0);
    EXPECT_EQ(list.Last()->Key, 39);
}

TEST(ObjectList, InsertPutIndexOfAndRangeChecks)
{
    TObjectList<TItem> list;
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.Last(), nullptr);
    list.Insert(0, new TItem(2));
    list.Insert(0, new TItem(0));
    list.Insert(2, new TItem(3));   // at Count: appends
    list.Insert(1, new TItem(1));
    EXPECT_EQ(Keys(list), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_THROW(list.Insert(5, nullptr), EListError);
    EXPECT_THROW(list.Insert(-1, nullptr), EListError);
    EXPECT_THROW(list.GetItem(4), EListError);
    EXPECT_THROW(list.Put(4, nullptr), EListError);

    TItem* second = list[1];
    EXPECT_EQ(list.IndexOf(second), 1);
    TItem stranger(1);   // an equal key is not the same reference
    EXPECT_EQ(list.IndexOf(&stranger), -1);

    auto replacement = std::make_unique<TItem>(7);
    std::unique_ptr<TItem> old(list[1]);   // Put does not free the old item
    list.Put(1, replacement.release());
    EXPECT_EQ(Keys(list), (std::vector<int>{0, 7, 2, 3}));
}

TEST(ObjectList, NeighbourWalksAndNamesStrangers)
{
    TObjectList<TItem> list;
    for (int i = 0; i < 3; ++i)
        list.Add(new TItem(i));
    EXPECT_EQ(list.Neighbour(nullptr, 0), list[2]);
    EXPECT_EQ(list.Neighbour(nullptr, 1), list[0]);
    EXPECT_EQ(list.Neighbour(list[1], 0), list[0]);
    EXPECT_EQ(list.Neighbour(list[1], 1), list[2]);
    EXPECT_EQ(list.Neighbour(list[0], 0), nullptr);
    EXPECT_EQ(list.Neighbour(list[2], 1), nullptr);
    TItem stranger(9);
    try {
        list.Neighbour(&stranger, 1);
        FAIL() << "no exception";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "tObject TItem not in item list");
    }
}

TEST(ObjectList, OwnershipClearAndCount)
{
    liveItems = 0;
    {
        TObjectList<TItem> owning;
        owning.Add(new TItem(1));
        owning.Add(new TItem(2));
        EXPECT_EQ(liveItems, 2);
    }
    EXPECT_EQ(liveItems, 0) << "an owning list frees its items";

    TItem a(1), b(2);
    {
        TObjectList<TItem> view;
        view.OwnsItems = false;
        view.Add(&a);
        view.Add(&b);
    }
    EXPECT_EQ(liveItems, 2) << "a view frees nothing";

    TObjectList<TItem> list;
    list.Add(&a);
    list.Add(&b);
    EXPECT_THROW(list.SetCapacity(1), EListError);
    list.Clear();   // forgets, does not free
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 0);
    EXPECT_EQ(liveItems, 2);

    list.SetCount(6);
    EXPECT_EQ(list.Count(), 6);
    EXPECT_GE(list.Capacity(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(list[i], nullptr);
    list.SetCount(0);
}

TEST(SortedObjectList, DuplicateRules)
{
    liveItems = 0;
    {
        TIntList ignore(dupIgnore);
        for (int k : {5, 1, 3})
            ignore.Add(new TItem(k));
        auto equal = std::make_unique<TItem>(3);
        EXPECT_EQ(ignore.Add(equal.get()), -1);
        EXPECT_EQ(Keys(ignore), (std::vector<int>{1, 3, 5}));
        EXPECT_NE(ignore[1], equal.get()) << "the caller keeps the dropped item";

        TIntList error(dupError);
        error.Add(new TItem(1));
        error.Add(new TItem(2));
        auto clash = std::make_unique<TItem>(2);
        try {
            error.Insert(0, clash.get());
            FAIL() << "no exception";
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), "Duplicate Object index");
        }
        EXPECT_EQ(error.Count(), 2);

        TIntList accept(dupAccept);
        TItem* first = new TItem(4);
        TItem* second = new TItem(4);
        accept.Add(new TItem(9));
        accept.Add(first);
        accept.Add(new TItem(0));
        EXPECT_EQ(accept.Add(second), 1) << "an equal key goes before the equal ones";
        EXPECT_EQ(accept[1], second);
        EXPECT_EQ(accept[2], first);
        int index = -1;
        TItem key(4);
        EXPECT_TRUE(accept.Find(&key, index));
        EXPECT_EQ(index, 1);
        TItem missing(5);
        EXPECT_FALSE(accept.Find(&missing, index));
        EXPECT_EQ(index, 3);
        EXPECT_EQ(accept.IndexOf(&key), 1) << "IndexOf finds an equal item";
        EXPECT_EQ(accept.IndexOf(&missing), -1);
        try {
            accept.Put(0, &key);
            FAIL() << "no exception";
        } catch (const EListError& e) {
            EXPECT_EQ(e.Message(), "Cannot <Put> an Object in a sorted list!");
        }
    }
    EXPECT_EQ(liveItems, 0);
}

TEST(SortedObjectList, InsertIgnoresIndexAndKeepsOrderOverManyItems)
{
    TIntList list(dupAccept);
    for (int i = 0; i < 200; ++i)
        list.Insert(0, new TItem((i * 37) % 101));
    ASSERT_EQ(list.Count(), 200);
    for (int i = 1; i < list.Count(); ++i)
        EXPECT_LE(list[i - 1]->Key, list[i]->Key);
}
