// The lists written to and read from a byte stream through the class registry.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "zip/ZipTestSupport.h"
#include "platform/Stream.h"
#include "zip/ObjectList.h"
#include "zip/ZipExceptions.h"

// Outside the anonymous namespace so that their class names read plainly in messages.
struct TNote {
    TNote() = default;
    TNote(int32_t value, std::string text) : Value(value), Text(std::move(text)) {}
    virtual ~TNote() = default;
    int32_t Value = 0;
    std::string Text;
};
struct TFlaggedNote : TNote {
    uint8_t Flag = 0;
};
struct TStranger : TNote {};
struct TOtherItem {
    virtual ~TOtherItem() = default;
};

namespace {

void LoadNote(TNote& note, TStream& s)
{
    note.Value = s.ReadInt32();
    note.Text.resize(s.ReadUInt8());
    s.ReadBuffer(note.Text.data(), static_cast<int64_t>(note.Text.size()));
}

void StoreNote(const TNote& note, TStream& s)
{
    s.WriteInt32(note.Value);
    s.WriteUInt8(static_cast<uint8_t>(note.Text.size()));
    s.WriteBuffer(note.Text.data(), static_cast<int64_t>(note.Text.size()));
}

struct TNoteList : TSortedObjectList<TNote> {
    using TSortedObjectList<TNote>::TSortedObjectList;
    int Compare(const TNote* a, const TNote* b) const override { return a->Value - b->Value; }
};

// Layout pieces: a class name, a note's own data, an Int32.
Bytes Name(const std::string& n)
{
    Bytes b{static_cast<uint8_t>(n.size())};
    b.insert(b.end(), n.begin(), n.end());
    return b;
}
Bytes I32(int32_t v)
{
    const auto u = static_cast<uint32_t>(v);
    return {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)};
}
Bytes Note(int32_t v, const std::string& text)
{
    Bytes b = I32(v);
    b.push_back(static_cast<uint8_t>(text.size()));
    b.insert(b.end(), text.begin(), text.end());
    return b;
}

std::vector<int32_t> Values(const TObjectList<TNote>& list)
{
    std::vector<int32_t> v;
    for (int i = 0; i < list.Count(); ++i)
        v.push_back(list[i]->Value);
    return v;
}

class ObjectStream : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterClass<TNote>(LoadNote, StoreNote, "TNote");
        RegisterClass<TNote, TFlaggedNote>(
            [](TFlaggedNote& n, TStream& s) {
                LoadNote(n, s);
                n.Flag = s.ReadUInt8();
            },
            [](const TFlaggedNote& n, TStream& s) {
                StoreNote(n, s);
                s.WriteUInt8(n.Flag);
            });   // under its own class name
    }
    void TearDown() override
    {
        UnregisterClass("TNote");
        UnregisterClass("TFlaggedNote");
    }
};

}  // namespace

TEST_F(ObjectStream, ListLayoutRoundTrip)
{
    const Bytes golden = Concat({{1}, I32(2), Name("TNote"), Note(7, "ab"), Name("TFlaggedNote"), Note(-1, ""), {9}});

    TObjectList<TNote> list;
    list.Add(new TNote(7, "ab"));
    auto* flagged = new TFlaggedNote;
    flagged->Value = -1;
    flagged->Flag = 9;
    list.Add(flagged);
    TMemoryStream out;
    list.WriteData(out);
    EXPECT_EQ(out.Bytes(), golden);

    TMemoryStream in{golden};
    TObjectList<TNote> read;
    read.OwnsItems = false;
    read.ReadData(in);
    EXPECT_TRUE(read.OwnsItems);
    EXPECT_EQ(in.Remaining(), 0);
    ASSERT_EQ(read.Count(), 2);
    EXPECT_EQ(read[0]->Text, "ab");
    auto* back = dynamic_cast<TFlaggedNote*>(read[1]);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Value, -1);
    EXPECT_EQ(back->Flag, 9);
}

TEST_F(ObjectStream, SortedListWritesDuplicatesFirstAndReadsInOrder)
{
    TNoteList list(dupAccept);
    list.Add(new TNote(5, "x"));
    list.Add(new TNote(2, "y"));
    TMemoryStream out;
    list.WriteData(out);
    EXPECT_EQ(out.Bytes(), Concat({{dupAccept, 1}, I32(2), Name("TNote"), Note(2, "y"), Name("TNote"), Note(5, "x")}));

    // Items stored out of order are inserted in order; Duplicates comes from the stream, and
    // with dupIgnore an equal item is dropped (and freed).
    TMemoryStream in{Concat({{dupIgnore, 1}, I32(4), Name("TNote"), Note(9, "a"), Name("TNote"), Note(2, "b"),
                          Name("TNote"), Note(9, "c"), Name("TNote"), Note(5, "d")})};
    TNoteList read(dupError);
    read.ReadData(in);
    EXPECT_EQ(read.Duplicates, dupIgnore);
    EXPECT_EQ(Values(read), (std::vector<int32_t>{2, 5, 9}));
    EXPECT_EQ(read[2]->Text, "a");

    TMemoryStream twice{Concat({{dupError, 1}, I32(2), Name("TNote"), Note(1, ""), Name("TNote"), Note(1, "")})};
    TNoteList strict(dupAccept);
    EXPECT_EQ(MessageOfThrown<EListError>([&] { strict.ReadData(twice); }), "Duplicate Object index");
    EXPECT_EQ(Values(strict), std::vector<int32_t>{1});
}

TEST_F(ObjectStream, CapacityIsRaisedOnceToWhatTheStreamHolds)
{
    auto notes = [](int n) {
        Bytes b = Concat({{1}, I32(n)});
        for (int i = 0; i < n; ++i)
            b = Concat({b, Name("TNote"), Note(i, "")});
        return b;
    };
    TObjectList<TNote> list;
    for (int i = 0; i < 3; ++i)
        list.Add(new TNote);
    ASSERT_EQ(list.Capacity(), 4);
    TMemoryStream six{notes(6)};
    list.ReadData(six);
    EXPECT_EQ(list.Count(), 9);
    EXPECT_EQ(list.Capacity(), 9);   // Count + n, not a growth step

    TObjectList<TNote> roomy;
    roomy.SetCapacity(10);
    TMemoryStream two{notes(2)};
    roomy.ReadData(two);
    EXPECT_EQ(roomy.Capacity(), 10);
}

TEST_F(ObjectStream, ClassNotFoundMessages)
{
    TMemoryStream ghost{Concat({{1}, I32(1), Name("TGhost"), Note(1, "")})};
    TObjectList<TNote> list;
    EXPECT_EQ(MessageOfThrown<EClassNotFound>([&] { list.ReadData(ghost); }), "Class <TGhost> not registered");

    // A class registered for lists of another item type is not one of these.
    TMemoryStream note{Concat({{1}, I32(1), Name("TNote"), Note(1, "")})};
    TObjectList<TOtherItem> others;
    EXPECT_EQ(MessageOfThrown<EClassNotFound>([&] { others.ReadData(note); }), "Class <TNote> not registered");

    const struct {
        TNote* item;
        const char* message;
    } writes[] = {
        {new TStranger, "Source Class <TStranger> not registered"},
        {nullptr, "Nil Source Class!"},
    };
    for (const auto& w : writes) {
        TObjectList<TNote> mixed;
        mixed.Add(new TNote(1, "kept"));
        mixed.Add(w.item);
        TMemoryStream out;
        EXPECT_EQ(MessageOfThrown<EClassNotFound>([&] { mixed.WriteData(out); }), w.message);
        EXPECT_EQ(out.GetSize(), 0) << "nothing is written for a list that cannot be read back";
    }
    TNoteList sorted(dupAccept);
    sorted.Add(new TStranger);
    TMemoryStream sortedOut;
    EXPECT_THROW(sorted.WriteData(sortedOut), EClassNotFound);
    EXPECT_EQ(sortedOut.GetSize(), 0);

    // Once unregistered, a class can be neither written nor read.
    UnregisterClass("TFlaggedNote");
    TObjectList<TNote> flagged;
    flagged.Add(new TFlaggedNote);
    TMemoryStream out;
    EXPECT_EQ(MessageOfThrown<EClassNotFound>([&] { flagged.WriteData(out); }), "Source Class <TFlaggedNote> not registered");
    EXPECT_THROW(RegisterClass<TNote>(LoadNote, StoreNote, std::string(64, 'N')), EListError);

    // A name of 63 characters, the longest, goes both ways.
    RegisterClass<TNote>(LoadNote, StoreNote, std::string(63, 'N'));
    TObjectList<TNote> longest;
    longest.Add(new TNote(4, ""));
    TMemoryStream written;
    longest.WriteData(written);
    EXPECT_EQ(written.Bytes(), Concat({{1}, I32(1), Name(std::string(63, 'N')), Note(4, "")}));
    written.SetPosition(0);
    TObjectList<TNote> back;
    back.ReadData(written);
    EXPECT_EQ(Values(back), std::vector<int32_t>{4});
    UnregisterClass(std::string(63, 'N'));
}

TEST_F(ObjectStream, HostileStreamsAreRefusedWithoutHugeAllocations)
{
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"negative count", Concat({{1}, I32(-1)})},
        {"count beyond the bytes", Concat({{1}, I32(0x7FFFFFFF), Name("TNote"), Note(1, "")})},
        {"count of five with one item's bytes", Concat({{1}, I32(5), Name("TNote"), Note(1, "")})},
        {"name longer than 63", Concat({{1}, I32(1), {64}, Bytes(64, 'A'), Note(1, "")})},
        {"name cut short", Concat({{1}, I32(1), {5, 'T', 'N'}})},
        {"item data cut short", Concat({{1}, I32(1), Name("TNote"), {1, 0}})},
        {"no count", Bytes{1, 0}},
    };
    for (const auto& c : cases) {
        TMemoryStream in{c.bytes};
        TObjectList<TNote> list;
        EXPECT_THROW(list.ReadData(in), EReadError) << c.what;
        EXPECT_LE(list.Capacity(), 16) << c.what;
    }
    TMemoryStream badDuplicates{Concat({{3, 1}, I32(0)})};
    TNoteList sorted(dupAccept);
    EXPECT_THROW(sorted.ReadData(badDuplicates), EReadError);
    EXPECT_EQ(sorted.Duplicates, dupAccept);
}

TEST_F(ObjectStream, ItemsReadIntoAListThatDoesNotOwnThemAreStillFreed)
{
    // Nothing else holds the objects reading creates: the list frees them (the leak checker
    // of the sanitizer build watches this), whichever way OwnsItems is set afterwards.
    for (bool ownLater : {false, true}) {
        TMemoryStream in{Concat({{0}, I32(2), Name("TNote"), Note(1, ""), Name("TFlaggedNote"), Note(2, ""), {0}})};
        TObjectList<TNote> list;
        list.ReadData(in);
        EXPECT_FALSE(list.OwnsItems);
        EXPECT_EQ(Values(list), (std::vector<int32_t>{1, 2}));
        TMemoryStream out;
        list.WriteData(out);
        EXPECT_EQ(out.Bytes()[0], 0);
        list.OwnsItems = ownLater;
    }

    // Items already held keep the ownership they had: a borrowed one is never freed.
    TNote borrowed(5, "");
    TObjectList<TNote> view;
    view.OwnsItems = false;
    view.Add(&borrowed);
    TMemoryStream owning{Concat({{1}, I32(1), Name("TNote"), Note(6, "")})};
    view.ReadData(owning);
    EXPECT_FALSE(view.OwnsItems);
    EXPECT_EQ(Values(view), (std::vector<int32_t>{5, 6}));
}
