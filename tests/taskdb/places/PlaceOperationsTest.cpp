// Giving one task's places to its whole subtree.
#include <gtest/gtest.h>

#include "taskdb/TaskNode.h"
#include "taskdb/TovrinDataBase.h"

using Ids = std::vector<int32_t>;

class PlaceOperationsTest : public ::testing::Test {
protected:
    TTovrinDataBase db;
    TTaskNode* task = nullptr;
    TTaskNode* sub = nullptr;
    TTaskNode* subsub = nullptr;
    TTaskNode* sibling = nullptr;

    void SetUp() override
    {
        task = db.Root->AddChild("task", -1);
        sub = task->AddChild("sub", -1);
        subsub = sub->AddChild("subsub", -1);
        sibling = db.Root->AddChild("sibling", -1);
        task->Places = {2, 5};
        sub->Places = {5, 7};
        sibling->Places = {9};
        for (TTaskNode* t : {task, sub, subsub, sibling})
            t->SetModifiedDateTime(1000);
    }

    void ExpectUntouchedOutside()
    {
        EXPECT_EQ(sibling->Places, Ids{9});
        for (TTaskNode* t : {task, sub, subsub, sibling})
            EXPECT_EQ(t->ModifiedDateTime, 1000);
        EXPECT_EQ(db.PlaceSourceTask, nullptr);
    }
};

TEST_F(PlaceOperationsTest, AddAppendsMissingIdsInTheTasksOrder)
{
    db.AddPlacesToSubtasks(task);
    EXPECT_EQ(task->Places, (Ids{2, 5}));
    EXPECT_EQ(sub->Places, (Ids{5, 7, 2}));
    EXPECT_EQ(subsub->Places, (Ids{2, 5}));
    ExpectUntouchedOutside();
}

TEST_F(PlaceOperationsTest, AddWithRepeatedIdsAppendsEachOnce)
{
    task->Places = {3, 3, 5};
    db.AddPlacesToSubtasks(task);
    EXPECT_EQ(subsub->Places, (Ids{3, 5}));
    EXPECT_EQ(sub->Places, (Ids{5, 7, 3}));
}

TEST_F(PlaceOperationsTest, ReplaceCopiesTheTasksList)
{
    db.ReplaceSubtasksPlaces(task);
    EXPECT_EQ(task->Places, (Ids{2, 5}));
    EXPECT_EQ(sub->Places, (Ids{2, 5}));
    EXPECT_EQ(subsub->Places, (Ids{2, 5}));
    ExpectUntouchedOutside();
}

TEST_F(PlaceOperationsTest, ClearEmptiesTheTaskItselfToo)
{
    db.ClearSubtasksPlaces(task);
    EXPECT_TRUE(task->Places.empty());
    EXPECT_TRUE(sub->Places.empty());
    EXPECT_TRUE(subsub->Places.empty());
    ExpectUntouchedOutside();
}

TEST_F(PlaceOperationsTest, NilTaskChangesNothing)
{
    db.AddPlacesToSubtasks(nullptr);
    db.ReplaceSubtasksPlaces(nullptr);
    db.ClearSubtasksPlaces(nullptr);
    EXPECT_EQ(sub->Places, (Ids{5, 7}));
    ExpectUntouchedOutside();
}
