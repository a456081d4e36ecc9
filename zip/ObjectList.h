#pragma once
// The ZIP component's own growable list of object references, and a list kept sorted by key.
// A list that owns its items (OwnsItems, the default) frees them when it is destroyed;
// Clear only forgets them.
#include <cstdint>
#include <cstring>
#include <string>
#include <typeinfo>
#include <vector>

#include "platform/Exceptions.h"

// How a sorted list treats an item whose key is already present.
constexpr uint8_t dupIgnore = 0;   // not inserted; the caller keeps the item
constexpr uint8_t dupAccept = 1;
constexpr uint8_t dupError = 2;    // EListError "Duplicate Object index"

// The capacity after one growth step: +4 up to 4, +8 from 5 to 8, +16 above.
int32_t ObjectListGrowth(int32_t capacity);
// The plain class name of a type, for messages.
std::string ObjectClassName(const std::type_info& type);
[[noreturn]] void RaiseListIndexError(int32_t index);

template <class T>
class TObjectList {
public:
    TObjectList() = default;
    virtual ~TObjectList()
    {
        for (int32_t i = 0; i < count_; ++i)
            FreeItem(items_[static_cast<size_t>(i)]);
        count_ = 0;
        items_.clear();
    }
    TObjectList(const TObjectList&) = delete;
    TObjectList& operator=(const TObjectList&) = delete;

    bool OwnsItems = true;

    int32_t Count() const { return count_; }
    int32_t Capacity() const { return static_cast<int32_t>(items_.size()); }

    T* GetItem(int32_t index) const
    {
        CheckIndex(index, count_ - 1);
        return items_[static_cast<size_t>(index)];
    }
    T* operator[](int32_t index) const { return GetItem(index); }
    T* First() const { return count_ > 0 ? items_[0] : nullptr; }
    T* Last() const { return count_ > 0 ? items_[static_cast<size_t>(count_ - 1)] : nullptr; }

    // Appends; returns the new item's index. A list that owns its items takes this one.
    virtual int32_t Add(T* item)
    {
        if (count_ == Capacity())
            Grow();
        items_[static_cast<size_t>(count_)] = item;
        return count_++;
    }

    // Index 0..Count; later items move up by one.
    virtual void Insert(int32_t index, T* item)
    {
        CheckIndex(index, count_);
        if (count_ == Capacity())
            Grow();
        auto* base = items_.data();
        std::memmove(base + index + 1, base + index, static_cast<size_t>(count_ - index) * sizeof(T*));
        base[index] = item;
        ++count_;
    }

    // Replaces the reference at index (the old item is not freed).
    virtual void Put(int32_t index, T* item)
    {
        CheckIndex(index, count_ - 1);
        items_[static_cast<size_t>(index)] = item;
    }

    // The first index holding this very reference, else -1.
    virtual int32_t IndexOf(const T* item) const
    {
        for (int32_t i = 0; i < count_; ++i)
            if (items_[static_cast<size_t>(i)] == item)
                return i;
        return -1;
    }

    // Direction 0 = previous, 1 = next; with no item, Last or First.
    virtual T* Neighbour(const T* item, int direction) const
    {
        if (!item)
            return direction == 0 ? Last() : First();
        const int32_t index = IndexOf(item);
        if (index < 0)
            throw EListError("tObject " + ObjectClassName(typeid(*item)) + " not in item list");
        const int32_t next = direction == 0 ? index - 1 : index + 1;
        return next >= 0 && next < count_ ? items_[static_cast<size_t>(next)] : nullptr;
    }

    // Forgets every item without freeing it.
    virtual void Clear()
    {
        count_ = 0;
        SetCapacity(0);
    }

    virtual void FreeItem(T* item)
    {
        if (OwnsItems)
            delete item;
    }

    // Keeps the first Count references; below Count raises EListError.
    void SetCapacity(int32_t capacity)
    {
        if (capacity < count_)
            throw EListError("List capacity out of bounds (" + std::to_string(capacity) + ")");
        items_.resize(static_cast<size_t>(capacity), nullptr);
        if (capacity == 0)
            items_.shrink_to_fit();
    }

    // New slots hold no item.
    void SetCount(int32_t count)
    {
        if (count < 0)
            RaiseListIndexError(count);
        if (count > Capacity())
            SetCapacity(count);
        for (int32_t i = count_; i < count; ++i)
            items_[static_cast<size_t>(i)] = nullptr;
        count_ = count;
    }

protected:
    virtual void Grow() { SetCapacity(ObjectListGrowth(Capacity())); }

    static void CheckIndex(int32_t index, int32_t highest)
    {
        if (index < 0 || index > highest)
            RaiseListIndexError(index);
    }

    std::vector<T*> items_;
    int32_t count_ = 0;
};

// Ordered by Compare(KeyOf(item), key); Find is a binary search.
template <class T>
class TSortedObjectList : public TObjectList<T> {
public:
    explicit TSortedObjectList(uint8_t duplicates) : Duplicates(duplicates) {}

    uint8_t Duplicates;

    // Negative, zero or positive for key1 (an item in the list) against key2.
    virtual int Compare(const T* key1, const T* key2) const = 0;
    virtual const T* KeyOf(const T* item) const { return item; }

    // Index receives the position where the key belongs; with dupAccept the first equal item.
    virtual bool Find(const T* key, int32_t& index) const
    {
        int32_t lo = 0;
        int32_t hi = this->count_ - 1;
        bool found = false;
        while (lo <= hi) {
            const int32_t mid = lo + (hi - lo) / 2;
            const int c = Compare(KeyOf(this->items_[static_cast<size_t>(mid)]), key);
            if (c < 0) {
                lo = mid + 1;
            } else {
                hi = mid - 1;
                if (c == 0) {
                    found = true;
                    if (Duplicates != dupAccept)
                        lo = mid;
                }
            }
        }
        index = lo;
        return found;
    }

    // The position comes from the key; the index argument is ignored. With dupIgnore an
    // equal key is not inserted and the caller keeps the item; dupError raises.
    void Insert(int32_t /*index*/, T* item) override { InsertSorted(item); }

    // Returns where the item went, or -1 when an equal key made the list drop it.
    int32_t Add(T* item) override { return InsertSorted(item); }

    // The index of an equal item (not necessarily the same reference), else -1.
    int32_t IndexOf(const T* item) const override
    {
        int32_t index;
        return Find(KeyOf(item), index) ? index : -1;
    }

    void Put(int32_t, T*) override { throw EListError("Cannot <Put> an Object in a sorted list!"); }

private:
    int32_t InsertSorted(T* item)
    {
        int32_t index;
        if (Find(KeyOf(item), index)) {
            if (Duplicates == dupIgnore)
                return -1;
            if (Duplicates == dupError)
                throw EListError("Duplicate Object index");
        }
        TObjectList<T>::Insert(index, item);
        return index;
    }
};
