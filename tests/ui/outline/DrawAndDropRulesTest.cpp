// The display-free rules of the task rows and of dragging: due texts and badges against the
// drawing clock, row spots, the insert position within a row and auto-scroll timings.
#include <gtest/gtest.h>

#include "platform/DateTime.h"
#include "taskdb/TaskNode.h"
#include "ui/outline/TaskDrawRules.h"
#include "ui/outline/TaskDropRules.h"

namespace {

std::string ShortDate(TDateTime d)
{
    int y, m, day;
    DecodeDate(d, y, m, day);
    return std::to_string(day) + "." + std::to_string(m) + "." + std::to_string(y);
}

const TDateTime Day = EncodeDate(2024, 3, 10);
TDateTime At(int dayOffset, int hour, int minute) { return Day + dayOffset + EncodeTime(hour, minute, 0, 0); }

TEST(DueText, TodayTomorrowOverdueOrTheDate)
{
    // A date without a time is due all day and overdue from the next day; a time is overdue
    // once it has passed.
    const struct {
        TDateTime Due, Now;
        const char* Text;
    } cases[] = {
        {Day, At(0, 0, 0), "Today"},           {Day, At(0, 23, 59), "Today"},
        {Day, At(1, 0, 1), "overdue"},         {At(0, 9, 0), At(0, 8, 59), "Today"},
        {At(0, 9, 0), At(0, 9, 1), "overdue"}, {Day + 1, At(0, 12, 0), "Tomorrow"},
        {At(1, 18, 0), At(0, 12, 0), "Tomorrow"}, {Day + 5, At(0, 12, 0), "15.3.2024"},
        {Day - 1, At(0, 12, 0), "overdue"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DueDateText(c.Due, c.Now, ShortDate), c.Text) << c.Due << " at " << c.Now;
}

TEST(DueBadge, OverdueOrSoonWithinAThirdOfTheLeadTime)
{
    const TDateTime now = At(0, 12, 0);
    const struct {
        double LeadTime;
        TDateTime Due, Now;
        int32_t Status;
    } cases[] = {
        {1.0, Day, At(0, 23, 59), dsSoon}, {1.0, Day, At(1, 0, 1), dsOverdue}, {1.0, At(0, 9, 0), At(0, 9, 1), dsOverdue},
        {3.0, now + 0.9, now, dsSoon},     {3.0, now + 1.1, now, dsLater},     {0.0, now + 0.01, now, dsLater},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DueStatus(c.LeadTime, c.Due, c.Now), c.Status) << c.LeadTime << " " << c.Due << " " << c.Now;
}

TEST(RowSpots, DueAndNotesColumnsNeedTheirContent)
{
    TTaskNode task;
    const int w = 400;
    EXPECT_FALSE(IsOverDueDateSpot(task, w, 320, 40));  // no due date
    EXPECT_FALSE(IsOverNoteIconSpot(task, w, 370));  // no note
    task.DueDateTime = Day;
    task.Note.Add("line");
    for (int x : {299, 300, 363, 364, 365, 380, 381}) {
        EXPECT_EQ(IsOverDueDateSpot(task, w, x, 40), x >= 300 && x < 365) << x;
        EXPECT_EQ(IsOverNoteIconSpot(task, w, x), x >= 364 && x <= 380) << x;
    }
    // A wider text widens the badge to the left.
    EXPECT_TRUE(IsOverDueDateSpot(task, w, 364 - 100 - 12, 100));
    EXPECT_FALSE(IsOverDueDateSpot(task, w, 364 - 100 - 13, 100));
}

TEST(RowImages, CompletionDateDecidesTheGrayImages)
{
    TTaskNode task;
    EXPECT_EQ(TaskImageIndex(task, TaskImageGoal), 1);
    EXPECT_EQ(TaskImageIndex(task, TaskImageNotes), 3);
    task.CompletedMark = true;  // checked but not yet written back: still open
    EXPECT_EQ(TaskImageIndex(task, TaskImageGoal), 1);
    task.SetCompletionDateTime(Day);
    EXPECT_EQ(TaskImageIndex(task, TaskImageGoal), 2);
    EXPECT_EQ(TaskImageIndex(task, TaskImageNotes), 4);
}

TEST(DropRules, UpperThirdOfARowOrItsIndentInsertsBefore)
{
    // Rows from 30 to 48 (upper third ends below 36) and 30 to 47 (35.67, compared as a
    // floating-point number).
    const struct {
        bool OnIndent;
        int Y, Bottom;
        bool Before;
    } cases[] = {{false, 30, 48, true},  {false, 35, 48, true}, {false, 36, 48, false}, {false, 47, 48, false},
                 {true, 47, 48, true},   {false, 35, 47, true}, {false, 36, 47, false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsInsertPosition(c.OnIndent, c.Y, 30, c.Bottom), c.Before) << c.Y << " " << c.Bottom;
}

TEST(AutoScroll, IntervalsNearTheEdges)
{
    // Y in a 300 pixel high view: interval, and up (1) or down (0) where it scrolls.
    const int cases[][3] = {{0, 30, 1},    {9, 30, 1},    {10, 120, 1},  {24, 120, 1}, {25, 0, -1},
                            {150, 0, -1}, {275, 0, -1}, {276, 120, 0}, {291, 30, 0}};
    for (const auto& c : cases) {
        bool up = c[2] == 0;
        EXPECT_EQ(AutoScrollInterval(c[0], 300, up), c[1]) << c[0];
        if (c[2] >= 0) {
            EXPECT_EQ(up, c[2] == 1) << c[0];
        }
    }
}

} // namespace
