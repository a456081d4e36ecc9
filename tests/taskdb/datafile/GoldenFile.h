#pragma once
// A data file assembled by hand from the format's tables, in every version, and helpers to
// run the program's reader and writer on bytes.
#include <string>
#include <vector>

#include "ByteBuilder.h"
#include "platform/Stream.h"
#include "taskdb/TovrinDataBase.h"

constexpr double kCreated = 44900.125;
constexpr double kModified = 44950.5;

struct TTaskRecord {
    int32_t id = -10;
    std::string caption;
    int32_t importance = 50, effort = 50;
    double estimate = 0;
    uint8_t hide = 0;
    std::string note;
    double completion = 0, modified = kModified, created = kCreated, due = 0, lead = 1.0;
    int32_t scheduleType = 0;
    double routine = 0;
    int32_t goal = 0, satisfaction = 50;
    uint8_t inOrder = 0, project = 0;
    int32_t status = 0;
    std::vector<int32_t> places;
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
};

inline void AddTaskTail(TByteBuilder& b, const TGoldenOptions& o, uint8_t recurring,
                        const std::string& entryId)
{
    if (o.layout < 2)
        return;
    if (o.emptyTails) {
        b.I32(0).I32(0).I32(0).I32(0);
        return;
    }
    if (o.extraExtensions) {
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
    if (v2) {
        b.U8(1).U8(1).I32(2);
        b.I32(1).F64(0.25).F64(0.5);
        b.I32(2).F64(0.75).F64(0.875);
        b.Str("Front door\r\nKey under mat");
    }
    // Place 5 "Büro": no includes, schedule off, no note.
    b.I32(5).Str("B\xC3\xBCro").IntList({});
    if (v2)
        b.U8(0).Str("");
    // Place 6 "Phone": includes 2 and 5, schedule on without ranges.
    b.I32(6).Str("Phone").IntList({2, 5});
    if (v2)
        b.U8(1).U8(0).I32(0).Str("");

    TTaskRecord root;
    AddTaskFields(b, root, 2);

    TTaskRecord a;
    a.id = 1;
    a.caption = o.firstCaption;
    a.importance = 80;
    a.effort = 30;
    a.estimate = 2.5;
    a.note = "Line one\r\n\r\nLine three\r\n";
    a.due = 45000.5;
    a.lead = 3.0;
    a.scheduleType = 1;
    a.routine = 0.5;
    a.goal = 1;
    a.satisfaction = 70;
    a.inOrder = 1;
    a.project = 1;
    a.status = 1;
    a.places = {2, 6, 42};
    AddTaskFields(b, a, 1);

    TTaskRecord a1;
    a1.id = 2;
    a1.caption = "Draft \xE2\x9C\x93";
    a1.hide = 1;
    a1.completion = 44990.25;
    a1.due = 45000.5;
    a1.lead = 3.0;
    a1.status = 3;
    AddTaskFields(b, a1, 0);
    AddTaskTail(b, o, 1, "00000000ABCDEF");
    AddTaskTail(b, o, 0, " ");

    TTaskRecord c;
    c.id = 3;
    c.caption = "Errands";
    c.goal = 2;
    c.effort = 0;
    AddTaskFields(b, c, 0);
    AddTaskTail(b, o, 0, " ");

    AddTaskTail(b, o, 0, " ");
    return b;
}

// The whole file with the payload as it stands (the tests run the packer as a pass-through).
inline TByteBuilder GoldenFile(const TGoldenOptions& o = {})
{
    const TByteBuilder payload = GoldenPayload(o);
    TByteBuilder b;
    b.Raw("TovrinDataFile").I32(o.versionField).I32(77).I32(static_cast<int32_t>(payload.Size()));
    b.Append(payload);
    b.U8(0).U8(1).U8(0).U8(1).U8(1).U8(0).U8(1).U8(0).U8(1).U8(0);
    b.I32(5);
    if (o.layout >= 2) {
        if (o.extraExtensions) {
            b.I32(2).U8(1).U8(2);
            b.I32(1).I32(99);
            b.I32(2).F64(1.0).F64(2.0);
            b.I32(3).Str("\\\\Mailbox\\Tasks").Str("0000ABCD").Str("ignored");
        } else {
            b.I32(0).I32(0).I32(0).I32(2).Str("\\\\Mailbox\\Tasks").Str("0000ABCD");
        }
    }
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
