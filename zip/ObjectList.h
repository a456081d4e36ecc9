#pragma once
// The ZIP component's own growable list of object references, and a list kept sorted by key.
// A list that owns its items (OwnsItems, the default) frees them when it is destroyed;
// Clear only forgets them. The lists stream their items through a registry of classes.
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <unordered_set>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/Stream.h"
#include "zip/ZipExceptions.h"

// How a sorted list treats an item whose key is already present.
constexpr uint8_t dupIgnore = 0;   // not inserted; the caller keeps the item
constexpr uint8_t dupAccept = 1;
constexpr uint8_t dupError = 2;    // EListError "Duplicate Object index"

// The capacity after one growth step: +4 up to 4, +8 from 5 to 8, +16 above.
int32_t ObjectListGrowth(int32_t capacity);
// The plain class name of a type, for messages.
std::string ObjectClassName(const std::type_info& type);
[[noreturn]] void RaiseListIndexError(int32_t index);

// A class the lists can stream: how to create one and how it reads and writes itself. Objects
// are handed over as pointers to the lists' item type (ItemRef), never to the class itself.
struct tRegisterRec {
    std::string Name;                              // what the stream holds, 1 to 63 characters
    const std::type_info* ClassRef = nullptr;      // the registered class
    const std::type_info* ItemRef = nullptr;       // the item type of the lists that hold it
    std::function<void*()> Create;                 // a new object, as an ItemRef pointer
    std::function<void(void*, TStream&)> Load;     // reads the object's own data
    std::function<void(const void*, TStream&)> Store;
};

constexpr size_t MaxClassNameLength = 63;

// The registry, sorted by name ignoring ASCII case. Registering a name again replaces its record.
void RegisterClassRecord(tRegisterRec record);
void UnregisterClass(const std::string& name);
const tRegisterRec* FindClassRecord(const std::string& name);
const tRegisterRec* FindClassRecord(const std::type_info& classRef);

// Registers class C for lists of T under name (by default C's own name).
template <class T, class C = T>
void RegisterClass(std::type_identity_t<std::function<void(C&, TStream&)>> load,
                   std::type_identity_t<std::function<void(const C&, TStream&)>> store, std::string name = {})
{
    static_assert(std::is_base_of_v<T, C>, "the class must be an item of the list");
    static_assert(std::is_same_v<T, C> || std::has_virtual_destructor_v<T>, "lists free items as T");
    tRegisterRec record;
    record.Name = name.empty() ? ObjectClassName(typeid(C)) : std::move(name);
    record.ClassRef = &typeid(C);
    record.ItemRef = &typeid(T);
    record.Create = [] { return static_cast<void*>(static_cast<T*>(new C)); };
    record.Load = [load = std::move(load)](void* item, TStream& s) { load(static_cast<C&>(*static_cast<T*>(item)), s); };
    record.Store = [store = std::move(store)](const void* item, TStream& s) {
        store(static_cast<const C&>(*static_cast<const T*>(item)), s);
    };
    RegisterClassRecord(std::move(record));
}

// The record that reads an object named name into a list of T; EClassNotFound when none.
const tRegisterRec& ClassRecordForReading(const std::string& name, const std::type_info& itemRef);
// The record that writes item; EClassNotFound for a null or unregistered object.
const tRegisterRec& ClassRecordForWriting(const void* item, const std::type_info* dynamicType,
                                          const std::type_info& itemRef);
// A class name as one length byte and its characters.
void WriteClassName(TStream& stream, const std::string& name);
std::string ReadClassName(TStream& stream);
// The item count of a stream; refuses a count that the remaining bytes cannot hold.
int32_t ReadItemCount(TStream& stream);

template <class T>
class TObjectList {
public:
    TObjectList() = default;
    virtual ~TObjectList()
    {
        if (OwnsItems && !created_.empty()) {
            // The list frees what it holds; created_ keeps only what it no longer holds.
            const std::unordered_set<T*> held(items_.begin(), items_.begin() + count_);
            for (auto& object : created_)
                if (held.count(object.get()))
                    object.release();
        }
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

    // OwnsItems, the count, then each item as its class name and what its store routine
    // writes. Nothing is written unless every item's class is registered.
    virtual void WriteData(TStream& stream) const { WriteItems(stream, RecordsForWriting()); }

    // Reads what WriteData wrote and adds each object. The objects are the list's own even when
    // the stream says it does not own its items: they are freed with the list. A list that
    // already holds items keeps its OwnsItems, which those items depend on.
    virtual void ReadData(TStream& stream)
    {
        const bool owns = stream.ReadUInt8() != 0;
        if (count_ == 0)
            OwnsItems = owns;
        const int32_t n = ReadItemCount(stream);
        if (n > INT32_MAX - count_)
            throw EReadError("Stream read error");
        if (Capacity() - count_ < n)
            SetCapacity(count_ + n);
        if (!OwnsItems)
            created_.reserve(created_.size() + static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) {
            const tRegisterRec& record = ClassRecordForReading(ReadClassName(stream), typeid(T));
            std::unique_ptr<T> item(static_cast<T*>(record.Create()));
            record.Load(item.get(), stream);
            T* raw = item.get();
            if (Add(raw) < 0)
                continue;   // a sorted list dropped an equal item
            item.release();
            if (!OwnsItems)
                created_.emplace_back(raw);
        }
    }

protected:
    virtual void Grow() { SetCapacity(ObjectListGrowth(Capacity())); }

    // Every item's record, or EClassNotFound before anything is written.
    std::vector<const tRegisterRec*> RecordsForWriting() const
    {
        std::vector<const tRegisterRec*> records;
        for (int32_t i = 0; i < count_; ++i) {
            const T* item = items_[static_cast<size_t>(i)];
            records.push_back(&ClassRecordForWriting(item, item ? &typeid(*item) : nullptr, typeid(T)));
        }
        return records;
    }

    void WriteItems(TStream& stream, const std::vector<const tRegisterRec*>& records) const
    {
        stream.WriteUInt8(OwnsItems ? 1 : 0);
        stream.WriteInt32(count_);
        for (int32_t i = 0; i < count_; ++i) {
            WriteClassName(stream, records[static_cast<size_t>(i)]->Name);
            records[static_cast<size_t>(i)]->Store(items_[static_cast<size_t>(i)], stream);
        }
    }

    static void CheckIndex(int32_t index, int32_t highest)
    {
        if (index < 0 || index > highest)
            RaiseListIndexError(index);
    }

    std::vector<T*> items_;
    int32_t count_ = 0;

private:
    std::vector<std::unique_ptr<T>> created_;   // read from a stream while not owning items
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

    // The Duplicates byte, then the list itself.
    void WriteData(TStream& stream) const override
    {
        const auto records = this->RecordsForWriting();
        stream.WriteUInt8(Duplicates);
        this->WriteItems(stream, records);
    }

    void ReadData(TStream& stream) override
    {
        const uint8_t duplicates = stream.ReadUInt8();
        if (duplicates > dupError)
            throw EReadError("Stream read error");
        Duplicates = duplicates;
        TObjectList<T>::ReadData(stream);
    }

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
