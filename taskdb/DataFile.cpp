// The data file: the document's load and save, and the task record.
#include <cstring>
#include <initializer_list>
#include <limits>

#include "platform/Stream.h"
#include "taskdb/DataFileStream.h"
#include "taskdb/PayloadPacking.h"
#include "taskdb/Services.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "zip/ZipExceptions.h"

namespace {

constexpr char kMagic[] = "TovrinDataFile";
constexpr int kMagicSize = 14;
constexpr int32_t kCurrentVersion = 3;

// ---- Task record ----

void WriteTaskFields(TRecordWriter& w, const TTaskNode& t)
{
    w.Int32(t.TaskID);
    w.String(t.Caption);
    w.Int32(t.Importance);
    w.Int32(t.Effort);
    w.Double(t.Estimate);
    w.Boolean(t.HideInToDo);
    std::string note;
    for (const auto& line : t.Note) {
        note += line;
        note += "\r\n";
    }
    w.String(note);
    w.Double(t.CompletionDateTime);
    w.Double(t.ModifiedDateTime);
    w.Double(t.CreatedDateTime);
    w.Double(t.DueDateTime);
    w.Double(t.LeadTime);
    w.Int32(t.ScheduleType);
    w.Double(t.RoutineSchedule);
    w.Int32(t.TheGoal);
    w.Int32(t.Satisfaction);
    w.Boolean(t.CompleteSubTasksInOrder);
    w.Boolean(t.IsProject);
    w.Int32(t.ProjectStatus);
    w.IntList(t.Places);
    w.Int32(t.Children.Count());
}

void WriteTaskTail(TRecordWriter& w, const TTaskNode& t)
{
    w.Int32(1);
    w.Boolean(t.IsOutlookRecurring);
    w.Int32(0);
    w.Int32(0);
    w.Int32(1);
    w.String(t.OutlookEntryID);
}

// Reads fields 1..20 and returns the number of children that follow.
int32_t ReadTaskFields(TRecordReader& r, TTaskNode& t, int32_t version)
{
    t.TaskID = r.Int32();
    t.Caption = r.String();
    t.Importance = r.Int32();
    t.Effort = r.Int32();
    t.Estimate = r.Double();
    t.HideInToDo = r.Boolean();
    t.Note.SetText(r.String());
    t.CompletionDateTime = r.Double();
    t.ModifiedDateTime = r.Double();
    t.CreatedDateTime = r.Double();
    t.DueDateTime = r.Double();
    t.LeadTime = r.Double();
    t.ScheduleType = r.Int32();
    t.RoutineSchedule = r.Double();
    t.TheGoal = r.Int32();
    t.Satisfaction = r.Int32();
    t.CompleteSubTasksInOrder = r.Boolean();
    t.IsProject = r.Boolean();
    t.ProjectStatus = r.Int32();
    r.IntList(t.Places);
    return r.Count(kMinTaskRecordSize + (version >= 2 ? kTaskTailSize : 0));
}

// An extension block: counted lists of bytes, Int32 values, doubles and strings. Keeps the
// first byte (when flag is given) and the leading strings this version knows; skips the rest.
void ReadExtensionBlock(TRecordReader& r, bool* flag, std::initializer_list<std::string*> strings)
{
    int32_t n = r.Count(1);
    if (flag && n > 0) {
        *flag = r.Boolean();
        --n;
    }
    r.Skip(n);
    r.Skip(int64_t(r.Count(4)) * 4);
    r.Skip(int64_t(r.Count(8)) * 8);
    n = r.Count(4);
    auto known = strings.begin();
    for (int32_t i = 0; i < n; ++i) {
        if (known != strings.end())
            **known++ = r.String();
        else
            r.Skip(r.Count(1));
    }
}

void ReadTaskTail(TRecordReader& r, TTaskNode& t)
{
    ReadExtensionBlock(r, &t.IsOutlookRecurring, {&t.OutlookEntryID});
}

// Brings the derived flags of a subtree in line with its stored values, top-down: the state
// that SetCompletionDateTime, SetHideInToDoEx and SetTheGoalEx (forced) applied to every task
// leave behind. Also run when a read stops half-way, so a partly loaded outline is consistent.
void RederiveFlags(TTaskNode& top)
{
    std::vector<TTaskNode*> stack{&top};
    while (!stack.empty()) {
        TTaskNode* t = stack.back();
        stack.pop_back();
        const TTaskNode* p = t->Parent;
        t->SetCompletedMark(t->CompletionDateTime != 0);
        t->SetHideInToDoInEffect(t->HideInToDo || (p && p->HideInToDoInEffect));
        t->SetGoalInEffect(t->TheGoal == 1 || (p && p->GoalInEffect));
        for (TTaskNode* c : t->Children)
            stack.push_back(c);
    }
}

// Keeps tasks freed while the tree is replaced out of DeletedEntryIDs.
class TUpdateGuard {
public:
    explicit TUpdateGuard(TTovrinDataBase& db) : db_(db) { ++db_.UpdateCounter; }
    ~TUpdateGuard() { --db_.UpdateCounter; }
    TUpdateGuard(const TUpdateGuard&) = delete;
    TUpdateGuard& operator=(const TUpdateGuard&) = delete;

private:
    TTovrinDataBase& db_;
};

} // namespace

void TTaskNode::WriteToStream(TStream& Stream, int32_t Version) const
{
    TRecordWriter w(Stream);
    // Children are written depth-first without recursion, so depth costs no stack.
    struct TFrame {
        const TTaskNode* task;
        int next;
    };
    std::vector<TFrame> stack;
    WriteTaskFields(w, *this);
    stack.push_back({this, 0});
    while (!stack.empty()) {
        TFrame& f = stack.back();
        if (f.next < f.task->Children.Count()) {
            const TTaskNode* child = f.task->Children[f.next++];
            WriteTaskFields(w, *child);
            stack.push_back({child, 0});
        } else {
            if (Version >= 2)
                WriteTaskTail(w, *f.task);
            stack.pop_back();
        }
    }
    w.Flush();
}

void TTaskNode::ReadFromStream(TStream& Stream, int32_t Version)
{
    TRecordReader r(Stream);
    struct TFrame {
        TTaskNode* task;
        int32_t childrenLeft;
    };
    std::vector<TFrame> stack;
    try {
        stack.push_back({this, ReadTaskFields(r, *this, Version)});
        while (!stack.empty()) {
            TFrame& f = stack.back();
            if (f.childrenLeft > 0) {
                --f.childrenLeft;
                if (static_cast<int64_t>(stack.size()) > kMaxTaskNesting)
                    throw ExInvalidFileFormat(
                        "Invalid file format: tasks are nested more than 10000 levels deep.");
                // Appended plainly: every stored field is overwritten at once, and the derived
                // flags are set for the whole subtree below, so nothing needs inheriting here.
                // (Placing it through AddChild costs a scan of the siblings per task.)
                auto* child = new TTaskNode(f.task);   // owned by its parent from here on
                child->Caption = "New Task";
                const int32_t count = ReadTaskFields(r, *child, Version);
                stack.push_back({child, count});
            } else {
                TTaskNode* t = f.task;
                stack.pop_back();
                if (Version >= 2)
                    ReadTaskTail(r, *t);
            }
        }
    } catch (...) {
        RederiveFlags(*this);
        throw;
    }
    // The derived flags follow the stored completion, hide and goal values, as their setters
    // would make them, in one pass instead of one per task.
    RederiveFlags(*this);
}

void TTovrinDataBase::SaveToStream(TStream& Stream, const std::string& Password, int32_t Version)
{
    auto cursor = HourGlass();
    TRecordWriter w(Stream);
    w.Bytes(kMagic, kMagicSize);
    w.Int32(Version);
    FileVersion = kCurrentVersion;
    w.Int32(HeaderValue);

    {
        TMemoryStream payload;
        PlacesList->WriteToStream(payload, Version);
        Root->WriteToStream(payload, Version);
        PackPayload(payload, Password);
        const int64_t size = payload.GetSize();
        if (size > std::numeric_limits<int32_t>::max())
            throw Exception("The outline is too large to be stored in one data file.");
        w.Int32(static_cast<int32_t>(size));
        w.Flush();
        Stream.WriteBuffer(payload.Memory(), size);
    }

    w.Boolean(ShowToDoSheet);
    w.Boolean(ShowTaskProperties);
    w.Boolean(ShowImportance);
    w.Boolean(ShowPlaces);
    w.Boolean(ShowGoals);
    w.Boolean(ShowTime);
    w.Boolean(ShowEffort);
    w.Boolean(ShowProject);
    w.Boolean(ShowTaskTreeViews);
    w.Boolean(ToDoAutoUpdate);
    w.Int32(ToDoPlaceFilterID);

    if (Version >= 2) {
        w.Int32(0);   // bytes
        w.Int32(0);   // Int32 values
        w.Int32(0);   // doubles
        w.Int32(2);   // strings
        w.String(OutlookFolderPath);
        w.String(OutlookFolderEntryID);
    }
    if (Version >= 3) {
        w.Strings(DeletedEntryIDs);
        w.Double(LastSyncTime);
        w.String(NewOutlookTasksParent);
        w.String(OutlookCategory);
        w.Boolean(SyncOptionFlag1);
        w.String(DeletedItemsCategory);
        w.Boolean(SyncOptionFlag2);
        w.Int32(SyncOptionNumber);
        w.String(SyncOptionString1);
        w.Int32(SyncOptionMode);
        w.Double(SyncOptionDate);
    }
    w.Flush();
}

void TTovrinDataBase::LoadFromStream(TStream& Stream, const std::string& Password)
{
    auto cursor = HourGlass();
    TRecordReader r(Stream);

    char magic[kMagicSize];
    if (r.Remaining() < kMagicSize)
        throw ExInvalidFileFormat("Invalid file format");
    r.ReadBytes(magic, kMagicSize);
    if (std::memcmp(magic, kMagic, kMagicSize) != 0)
        throw ExInvalidFileFormat("Invalid file format");

    FileVersion = r.Int32();
    if (FileVersion > kCurrentVersion)
        throw ExNewerVersionOfFile(
            "This file was created with newer version of Tovrin. Please download new version "
            "of application from https://tovrin.org/download to read this file.");
    const int32_t version = FileVersion;
    HeaderValue = r.Int32();

    {
        const int32_t size = r.Int32();
        if (size <= 0)
            throw ExInvalidFileFormat(
                "Invalid file format: the file is damaged (its outline data is missing).");
        if (size > r.Remaining())
            RaiseDamagedFile();
        TMemoryStream payload;
        payload.SetSize(size);
        r.ReadBytes(payload.Memory(), size);
        const auto damaged = [](const Exception& e) {
            return ExInvalidFileFormat("Invalid file format: the file is damaged (" + e.Message() +
                                       ")");
        };
        try {
            UnpackPayload(payload, Password);
        } catch (const EZipError& e) {
            throw damaged(e);
        } catch (const EStreamError& e) {
            throw damaged(e);
        }
        if (payload.GetSize() == 0)
            throw Exception("Can not read the file. Invalid password?");
        payload.SetPosition(0);
        PlacesList->ReadFromStream(payload, version);
        {
            TUpdateGuard guard(*this);
            Root->ClearChildren();
        }
        Root->ReadFromStream(payload, version);
    }

    SetShowToDoSheet(r.Boolean());
    SetShowTaskProperties(r.Boolean());
    SetShowImportance(r.Boolean());
    SetShowPlaces(r.Boolean());
    SetShowGoals(r.Boolean());
    SetShowTime(r.Boolean());
    SetShowEffort(r.Boolean());
    SetShowProject(r.Boolean());
    SetShowTaskTreeViews(r.Boolean());
    SetToDoAutoUpdate(r.Boolean());
    SetToDoPlaceFilterID(r.Int32());

    if (version >= 2)
        ReadExtensionBlock(r, nullptr, {&OutlookFolderPath, &OutlookFolderEntryID});
    if (version >= 3) {
        r.Strings(DeletedEntryIDs);
        LastSyncTime = r.Double();
        SetNewOutlookTasksParent(r.String());
        SetOutlookCategory(r.String());
        SyncOptionFlag1 = r.Boolean();
        SetDeletedItemsCategory(r.String());
        SyncOptionFlag2 = r.Boolean();
        SyncOptionNumber = r.Int32();
        SetSyncOptionString1(r.String());
        SetSyncOptionMode(static_cast<uint8_t>(r.Int32() & 0xFF));
        SyncOptionDate = r.Double();
    }
}
