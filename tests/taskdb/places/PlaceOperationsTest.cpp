// Giving one task's places to its whole subtree.
#include <gtest/gtest.h>

#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"

using Ids = std::vector<int32_t>;

TEST(PlaceOperations, AddReplaceAndClearReachTheSubtreeOnly)
{
    const struct {
        void (TTovrinDataBase::*operation)(TTaskNode*);
        Ids taskPlaces;
        std::vector<Ids> after;   // task, sub, subsub; a nil task changes nothing
    } cases[] = {
        // Add appends the missing IDs in the task's order, each once.
        {&TTovrinDataBase::AddPlacesToSubtasks, {2, 5}, {{2, 5}, {5, 7, 2}, {2, 5}}},
        {&TTovrinDataBase::AddPlacesToSubtasks, {3, 3, 5}, {{3, 3, 5}, {5, 7, 3}, {3, 5}}},
        {&TTovrinDataBase::ReplaceSubtasksPlaces, {2, 5}, {{2, 5}, {2, 5}, {2, 5}}},
        {&TTovrinDataBase::ClearSubtasksPlaces, {2, 5}, {{}, {}, {}}},   // the task itself too
    };
    for (const auto& c : cases) {
        for (bool nil : {true, false}) {
            TTovrinDataBase db;
            TTaskNode* task = db.Root->AddChild("task", -1);
            TTaskNode* sub = task->AddChild("sub", -1);
            TTaskNode* subsub = sub->AddChild("subsub", -1);
            TTaskNode* sibling = db.Root->AddChild("sibling", -1);
            task->Places = c.taskPlaces;
            sub->Places = {5, 7};
            sibling->Places = {9};
            for (TTaskNode* t : {task, sub, subsub, sibling})
                t->SetModifiedDateTime(1000);
            (db.*c.operation)(nil ? nullptr : task);
            const std::vector<Ids> expected =
                nil ? std::vector<Ids>{c.taskPlaces, {5, 7}, {}} : c.after;
            EXPECT_EQ((std::vector<Ids>{task->Places, sub->Places, subsub->Places}), expected);
            EXPECT_EQ(sibling->Places, Ids{9});
            for (TTaskNode* t : {task, sub, subsub, sibling})
                EXPECT_EQ(t->ModifiedDateTime, 1000);
            EXPECT_EQ(db.PlaceSourceTask, nullptr);
        }
    }
}
