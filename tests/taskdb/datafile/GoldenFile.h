#pragma once
// A data file assembled by hand from the format's tables, in every version, independently of the
// program's writer, and helpers to run the program's reader and writer on bytes.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <optional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Stream.h"
#include "taskdb/TovrinDataBase.h"

class TByteBuilder {
public:
    TByteBuilder& Raw(std::string_view s) { return Put(s.begin(), s.end()); }
    TByteBuilder& U8(uint8_t v) { return LittleEndian(v, 1); }
    TByteBuilder& I32(int32_t v) { return LittleEndian(static_cast<uint32_t>(v), 4); }
    TByteBuilder& F64(double v) { return LittleEndian(std::bit_cast<uint64_t>(v), 8); }
    TByteBuilder& Str(std::string_view s) { return I32(static_cast<int32_t>(s.size())).Raw(s); }
    TByteBuilder& IntList(std::initializer_list<int32_t> items)
    {
        I32(static_cast<int32_t>(items.size()));
        for (int32_t v : items)
            I32(v);
        return *this;
    }
    TByteBuilder& Append(const TByteBuilder& other) { return Put(other.bytes.begin(), other.bytes.end()); }
    size_t Size() const { return bytes.size(); }

    std::vector<uint8_t> bytes;

private:
    template <class It>
    TByteBuilder& Put(It from, It to)
    {
        bytes.insert(bytes.end(), from, to);
        return *this;
    }
    TByteBuilder& LittleEndian(uint64_t u, int count)
    {
        for (int i = 0; i < count; ++i)
            bytes.push_back(static_cast<uint8_t>(u >> (8 * i)));
        return *this;
    }
};

constexpr double kCreated = 44900.125;
constexpr double kModified = 44950.5;

struct TTaskRecord {
    int32_t id = -10;
    std::string caption{};
    int32_t importance = 50, effort = 50;
    double estimate = 0;
    uint8_t hide = 0;
    std::string note{};
    double completion = 0, modified = kModified, created = kCreated, due = 0, lead = 1.0;
    int32_t scheduleType = 0;
    double routine = 0;
    int32_t goal = 0, satisfaction = 50;
    uint8_t inOrder = 0, project = 0;
    int32_t status = 0;
    std::vector<int32_t> places{};
};

inline void AddTaskFields(TByteBuilder& b, const TTaskRecord& t, int32_t childCount)
{
    b.I32(t.id).Str(t.caption).I32(t.importance).I32(t.effort).F64(t.estimate).U8(t.hide);
    b.Str(t.note).F64(t.completion).F64(t.modified).F64(t.created).F64(t.due).F64(t.lead);
    b.I32(t.scheduleType).F64(t.routine).I32(t.goal).I32(t.satisfaction).U8(t.inOrder);
    b.U8(t.project).I32(t.status).I32(static_cast<int32_t>(t.places.size()));
    for (int32_t id : t.places)
        b.I32(id);
    b.I32(childCount);
}

struct TGoldenOptions {
    int32_t versionField = 3;   // written at offset 14
    int32_t layout = 3;         // which optional parts are present
    bool extraExtensions = false;
    bool emptyTails = false;
    std::vector<std::string> deletedIds{"AAA1", "BBB2"};
    std::string firstCaption = "Write report";
    std::optional<TByteBuilder> payload{};   // in place of the records above
};

inline void AddTaskTail(TByteBuilder& b, const TGoldenOptions& o, uint8_t recurring,
                        const std::string& entryId)
{
    if (o.layout < 2)
        return;
    if (o.emptyTails) {
        b.I32(0).I32(0).I32(0).I32(0);
    } else if (o.extraExtensions) {
        b.I32(3).U8(recurring).U8(9).U8(9);
        b.I32(2).I32(11).I32(12);
        b.I32(1).F64(1.5);
        b.I32(3).Str(entryId).Str("extra").Str("more");
    } else {
        b.I32(1).U8(recurring).I32(0).I32(0).I32(1).Str(entryId);
    }
}

// Places record then task tree: three places, a root with two top-level tasks, the first
// with one child.
inline TByteBuilder GoldenPayload(const TGoldenOptions& o)
{
    TByteBuilder b;
    const bool v2 = o.layout >= 2;
    b.I32(7).I32(3);
    // Place 2 "Home": includes 5, schedule with two ranges, a note.
    b.I32(2).Str("Home").IntList({5});
    if (v2)
        b.U8(1).U8(1).I32(2).I32(1).F64(0.25).F64(0.5).I32(2).F64(0.75).F64(0.875)
            .Str("Front door\r\nKey under mat");
    // Place 5 "Büro": no includes, schedule off, no note.
    b.I32(5).Str("B\xC3\xBCro").IntList({});
    if (v2)
        b.U8(0).Str("");
    // Place 6 "Phone": includes 2 and 5, schedule on without ranges.
    b.I32(6).Str("Phone").IntList({2, 5});
    if (v2)
        b.U8(1).U8(0).I32(0).Str("");

    AddTaskFields(b, TTaskRecord{}, 2);   // the root
    AddTaskFields(b, {.id = 1, .caption = o.firstCaption, .importance = 80, .effort = 30,
                      .estimate = 2.5, .note = "Line one\r\n\r\nLine three\r\n", .due = 45000.5,
                      .lead = 3.0, .scheduleType = 1, .routine = 0.5, .goal = 1,
                      .satisfaction = 70, .inOrder = 1, .project = 1, .status = 1,
                      .places = {2, 6, 42}}, 1);
    AddTaskFields(b, {.id = 2, .caption = "Draft \xE2\x9C\x93", .hide = 1, .completion = 44990.25,
                      .due = 45000.5, .lead = 3.0, .status = 3}, 0);
    AddTaskTail(b, o, 1, "00000000ABCDEF");
    AddTaskTail(b, o, 0, " ");
    AddTaskFields(b, {.id = 3, .caption = "Errands", .effort = 0, .goal = 2}, 0);
    AddTaskTail(b, o, 0, " ");
    AddTaskTail(b, o, 0, " ");
    return b;
}

// The whole file with the payload as it stands (the tests run the packer as a pass-through).
inline TByteBuilder GoldenFile(const TGoldenOptions& o = {})
{
    const TByteBuilder payload = o.payload ? *o.payload : GoldenPayload(o);
    TByteBuilder b;
    b.Raw("TovrinDataFile").I32(o.versionField).I32(77).I32(static_cast<int32_t>(payload.Size()));
    b.Append(payload);
    b.U8(0).U8(1).U8(0).U8(1).U8(1).U8(0).U8(1).U8(0).U8(1).U8(0);
    b.I32(5);
    if (o.layout >= 2 && o.extraExtensions)
        b.I32(2).U8(1).U8(2).I32(1).I32(99).I32(2).F64(1.0).F64(2.0)
            .I32(3).Str("\\\\Mailbox\\Tasks").Str("0000ABCD").Str("ignored");
    else if (o.layout >= 2)
        b.I32(0).I32(0).I32(0).I32(2).Str("\\\\Mailbox\\Tasks").Str("0000ABCD");
    if (o.layout >= 3) {
        b.I32(static_cast<int32_t>(o.deletedIds.size()));
        for (const auto& id : o.deletedIds)
            b.Str(id);
        b.F64(45001.75).Str("Inbox tasks").Str("Tovrin").U8(1).Str("Deleted").U8(1).I32(9);
        b.Str("opt").I32(1).F64(45002.0);
    }
    return b;
}

inline void LoadBytes(TTovrinDataBase& db, const std::vector<uint8_t>& bytes)
{
    TMemoryStream stream{bytes};
    db.Clear();
    db.LoadFromStream(stream, "");
}

inline std::vector<uint8_t> SaveBytes(TTovrinDataBase& db, int32_t version = 3)
{
    TMemoryStream stream;
    db.SaveToStream(stream, "", version);
    return stream.Bytes();
}

// Derived flags agree with the stored values everywhere in the tree.
inline void ExpectConsistentFlags(const TTaskNode& t)
{
    const TTaskNode* p = t.Parent;
    EXPECT_EQ(t.HideInToDoInEffect, t.HideInToDo || (p && p->HideInToDoInEffect)) << t.Caption;
    EXPECT_EQ(t.GoalInEffect, t.TheGoal == 1 || (p && p->GoalInEffect)) << t.Caption;
    EXPECT_EQ(t.CompletedMark, t.CompletionDateTime != 0) << t.Caption;
    for (const TTaskNode* c : t.Children)
        ExpectConsistentFlags(*c);
}
