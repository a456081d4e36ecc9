#pragma once
// Support for the places and To-Do tests: a recording warning sink, a small-stack runner, rank
// key fragments and a document whose outline is grown in the tree tests' notation and rebuilt
// at a fixed date.
#include <pthread.h>

#include "platform/DateTime.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "taskdb/UiServices.h"
#include "taskdb/tree/TreeSupport.h"

// Records the warnings the task library raises, and the cursor at the time of each.
struct TRecordingUi : THeadlessUiServices {
    TRecordingUi() { SetUiServices(this); }
    ~TRecordingUi() override { SetUiServices(nullptr); }
    void ShowWarning(const std::string& Text) override
    {
        Warnings.push_back(Text);
        CursorAtWarning.push_back(GetScreenCursor());
    }
    std::vector<std::string> Warnings;
    std::vector<int16_t> CursorAtWarning;
};

// Runs fn on a thread with a small stack, so that a walk that recurses once per level of a
// deep structure fails loudly instead of passing on the main thread's large stack.
inline void RunWithSmallStack(const std::function<void()>& fn, size_t stackBytes = 256 * 1024)
{
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, stackBytes);
    pthread_t thread;
    const auto call = [](void* p) -> void* {
        (*static_cast<const std::function<void()>*>(p))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, call, const_cast<std::function<void()>*>(&fn)), 0);
    pthread_attr_destroy(&attr);
    pthread_join(thread, nullptr);
}

// Key fragments: positions 9-36 of the template, and a full key from its variable fields
// (each two characters; path is positions 7-36).
inline const std::string KeyT9to36 = "5050505050505050505050505055";
inline const std::string KeyT7to36 = "50" + KeyT9to36;
inline std::string MakeKey(const std::string& goal, const std::string& path,
                           const std::string& importance, const std::string& satisfaction,
                           const std::string& open)
{
    return "B050" + goal + path + importance + "50" + satisfaction + open + "505050505050505E";
}

class ToDoTest : public ::testing::Test {
protected:
    TRecordingUi ui;
    TTovrinDataBase db;
    const TDateTime day = EncodeDate(2024, 3, 10);
    const TDateTime date = day + 0.5;   // noon
    Outline t;                          // the tasks grown so far, by caption

    TTaskNode* Root() { return db.Root.get(); }
    void Grow(std::string_view notation, TTaskNode* parent = nullptr)
    {
        t.merge(::Grow(parent ? *parent : *Root(), notation));
    }
    void Rate(std::initializer_list<const char*> names, int importance, int satisfaction = 50)
    {
        for (const char* n : names) {
            t.at(n)->Importance = importance;
            t.at(n)->SetSatisfaction(satisfaction);
        }
    }
    void Complete(std::initializer_list<const char*> names)
    {
        for (const char* n : names)
            t.at(n)->SetCompletionDateTime(day - 3);
    }
    void Rebuild(TTaskNode* start = nullptr, TTaskPlace* filter = nullptr)
    {
        db.RebuildToDo(start, filter, true, date);
    }
    Names Listed() const { return Captions(db.ToDoList); }
    Names Keys(std::initializer_list<const char*> names)
    {
        Names out;
        for (const char* n : names)
            out.push_back(t.at(n)->RankKey);
        return out;
    }
};
