#pragma once
// A document with helpers to grow an outline and rebuild its To-Do list at a fixed date.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "taskdb/TaskNode.h"
#include "taskdb/TaskPlace.h"
#include "taskdb/TovrinDataBase.h"
#include "TestUi.h"

// Key pieces: positions 9-36 and 45-60 of the template.
inline const std::string KeyT9to36 = "5050505050505050505050505055";
inline const std::string KeyT7to36 = "50" + KeyT9to36;
inline const std::string KeyTail = "505050505050505E";

// A full key from its variable fields (each two characters; path is positions 7-36).
inline std::string MakeKey(const std::string& goal, const std::string& path,
                           const std::string& importance, const std::string& satisfaction,
                           const std::string& open)
{
    return "B050" + goal + path + importance + "50" + satisfaction + open + KeyTail;
}

class ToDoTest : public ::testing::Test {
protected:
    TRecordingUi ui;
    TTovrinDataBase db;
    const TDateTime day = EncodeDate(2024, 3, 10);
    const TDateTime date = day + 0.5;   // noon

    TTaskNode* Root() { return db.Root.get(); }

    TTaskNode* Task(TTaskNode* parent, const std::string& caption, int importance = 50,
                    int satisfaction = 50)
    {
        TTaskNode* t = parent->AddChild(caption, -1);
        t->Importance = importance;
        t->SetSatisfaction(satisfaction);
        return t;
    }

    void Complete(TTaskNode* t) { t->SetCompletionDateTime(day - 3); }

    void Rebuild(TTaskNode* start = nullptr, TTaskPlace* filter = nullptr)
    {
        db.RebuildToDo(start, filter, true, date);
    }

    std::vector<std::string> Listed() const
    {
        std::vector<std::string> out;
        for (const TTaskNode* t : db.ToDoList)
            out.push_back(t->Caption);
        return out;
    }
};

using Names = std::vector<std::string>;
