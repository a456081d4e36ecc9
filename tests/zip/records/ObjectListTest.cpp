#include <gtest/gtest.h>

#include <memory>
#include <string>
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
        keys.push_back(list[i] ? list[i]->Key : -1);
    return keys;
}

template <class F>
std::string ListErrorOf(F&& f)
{
    try {
        f();
    } catch (const EListError& e) {
        return e.Message();
    }
    return "no exception";
}

}  // namespace

TEST(ObjectList, GrowthInsertPutAndRangeChecks)
{
    TObjectList<TItem> list;
    EXPECT_EQ(list.First(), nullptr);
    std::vector<int> capacities;
    for (int i = 0; i < 40; ++i) {
        list.Add(new TItem(i));
        if (capacities.empty() || capacities.back() != list.Capacity())
            capacities.push_back(list.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 16, 32, 48}));
    EXPECT_EQ(list.Last()->Key, 39);

    TObjectList<TItem> small;
    small.Insert(0, new TItem(2));
    small.Insert(0, new TItem(0));
    small.Insert(2, new TItem(3));   // at Count: appends
    small.Insert(1, new TItem(1));
    EXPECT_EQ(Keys(small), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_THROW(small.Insert(5, nullptr), EListError);
    EXPECT_THROW(small.Insert(-1, nullptr), EListError);
    EXPECT_THROW(small.GetItem(4), EListError);
    EXPECT_THROW(small.Put(4, nullptr), EListError);
    TItem stranger(1);   // an equal key is not the same reference
    EXPECT_EQ(small.IndexOf(small[1]), 1);
    EXPECT_EQ(small.IndexOf(&stranger), -1);
    std::unique_ptr<TItem> old(small[1]);   // Put does not free the old item
    small.Put(1, new TItem(7));
    EXPECT_EQ(Keys(small), (std::vector<int>{0, 7, 2, 3}));

    // Neighbour: nullptr starts from either end; a stranger is named in the message.
    EXPECT_EQ(small.Neighbour(nullptr, 0), small[3]);
    EXPECT_EQ(small.Neighbour(nullptr, 1), small[0]);
    EXPECT_EQ(small.Neighbour(small[1], 0), small[0]);
    EXPECT_EQ(small.Neighbour(small[1], 1), small[2]);
    EXPECT_EQ(small.Neighbour(small[0], 0), nullptr);
    EXPECT_EQ(small.Neighbour(small[3], 1), nullptr);
    EXPECT_EQ(ListErrorOf([&] { small.Neighbour(&stranger, 1); }), "tObject TItem not in item list");
}

TEST(ObjectList, OwnershipClearAndCount)
{
    liveItems = 0;
    {
        TObjectList<TItem> owning;
        owning.Add(new TItem(1));
        owning.Add(new TItem(2));
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
    EXPECT_EQ(list.Capacity(), 0);
    EXPECT_EQ(liveItems, 2);
    list.SetCount(3);
    EXPECT_EQ(Keys(list), (std::vector<int>{-1, -1, -1}));
    list.SetCount(0);
}

TEST(SortedObjectList, DuplicateRulesAndOrder)
{
    liveItems = 0;
    {
        TIntList ignore(dupIgnore);
        for (int k : {5, 1, 3})
            ignore.Add(new TItem(k));
        auto equal = std::make_unique<TItem>(3);
        EXPECT_EQ(ignore.Add(equal.get()), -1) << "the caller keeps the dropped item";
        EXPECT_EQ(Keys(ignore), (std::vector<int>{1, 3, 5}));

        TIntList error(dupError);
        error.Add(new TItem(1));
        error.Add(new TItem(2));
        auto clash = std::make_unique<TItem>(2);
        EXPECT_EQ(ListErrorOf([&] { error.Insert(0, clash.get()); }), "Duplicate Object index");
        EXPECT_EQ(error.Count(), 2);

        TIntList accept(dupAccept);
        TItem* first = new TItem(4);
        TItem* second = new TItem(4);
        accept.Add(new TItem(9));
        accept.Add(first);
        accept.Add(new TItem(0));
        EXPECT_EQ(accept.Add(second), 1) << "an equal key goes before the equal ones";
        EXPECT_EQ(accept[2], first);
        int index = -1;
        TItem key(4), missing(5);
        EXPECT_TRUE(accept.Find(&key, index));
        EXPECT_EQ(index, 1);
        EXPECT_FALSE(accept.Find(&missing, index));
        EXPECT_EQ(index, 3);
        EXPECT_EQ(accept.IndexOf(&key), 1) << "IndexOf finds an equal item";
        EXPECT_EQ(accept.IndexOf(&missing), -1);
        EXPECT_EQ(ListErrorOf([&] { accept.Put(0, &key); }), "Cannot <Put> an Object in a sorted list!");

        // Insert ignores its index and keeps the order.
        TIntList many(dupAccept);
        for (int i = 0; i < 200; ++i)
            many.Insert(0, new TItem((i * 37) % 101));
        for (int i = 1; i < many.Count(); ++i)
            ASSERT_LE(many[i - 1]->Key, many[i]->Key);
    }
    EXPECT_EQ(liveItems, 0);
}
