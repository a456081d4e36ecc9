// The display-free rules of the task rows and of dragging: due texts and badges against the
// drawing clock, row spots, the insert position within a row and auto-scroll timings.
#include <gtest/gtest.h>

#include "platform/DateTime.h"
#include "taskdb/TaskNode.h"
#include "ui/TaskDrawRules.h"
#include "ui/TaskDropRules.h"

namespace {

std::string ShortDate(TDateTime d)
{
    int y, m, day;
    DecodeDate(d, y, m, day);
    return std::to_string(day) + "." + std::to_string(m) + "." + std::to_string(y);
}

const TDateTime Day = EncodeDate(2024, 3, 10);
TDateTime At(int dayOffset, int hour, int minute) { return Day + dayOffset + EncodeTime(hour, minute, 0, 0); }

} // namespace

TEST(DueText, DateWithoutTimeIsTodayAllDayAndOverdueFromTheNextDay)
{
    EXPECT_EQ(DueDateText(Day, At(0, 0, 0), ShortDate), "Today");
    EXPECT_EQ(DueDateText(Day, At(0, 23, 59), ShortDate), "Today");
    EXPECT_EQ(DueDateText(Day, At(1, 0, 1), ShortDate), "overdue");
    EXPECT_EQ(DueStatus(1.0, Day, At(0, 23, 59)), dsSoon);
    EXPECT_EQ(DueStatus(1.0, Day, At(1, 0, 1)), dsOverdue);
}

TEST(DueText, DateWithTimeIsOverdueOnceTheTimeHasPassed)
{
    const TDateTime due = At(0, 9, 0);
    EXPECT_EQ(DueDateText(due, At(0, 8, 59), ShortDate), "Today");
    EXPECT_EQ(DueDateText(due, At(0, 9, 1), ShortDate), "overdue");
    EXPECT_EQ(DueStatus(1.0, due, At(0, 9, 1)), dsOverdue);
}

TEST(DueText, TomorrowAndLaterDates)
{
    EXPECT_EQ(DueDateText(Day + 1, At(0, 12, 0), ShortDate), "Tomorrow");
    EXPECT_EQ(DueDateText(At(1, 18, 0), At(0, 12, 0), ShortDate), "Tomorrow");
    EXPECT_EQ(DueDateText(Day + 5, At(0, 12, 0), ShortDate), "15.3.2024");
    // Yesterday's date without a time: the whole day has passed.
    EXPECT_EQ(DueDateText(Day - 1, At(0, 12, 0), ShortDate), "overdue");
}

TEST(DueBadge, SoonWithinAThirdOfTheLeadTime)
{
    const TDateTime now = At(0, 12, 0);
    EXPECT_EQ(DueStatus(3.0, now + 0.9, now), dsSoon);
    EXPECT_EQ(DueStatus(3.0, now + 1.1, now), dsLater);
    EXPECT_EQ(DueStatus(0.0, now + 0.01, now), dsLater);
}

TEST(RowSpots, DueAndNotesColumnsNeedTheirContent)
{
    TTaskNode task;
    const int w = 400;
    EXPECT_FALSE(IsOverDueDateSpot(task, w, 320));  // no due date
    task.DueDateTime = Day;
    EXPECT_FALSE(IsOverDueDateSpot(task, w, 299));
    EXPECT_TRUE(IsOverDueDateSpot(task, w, 300));
    EXPECT_TRUE(IsOverDueDateSpot(task, w, 364));
    EXPECT_FALSE(IsOverDueDateSpot(task, w, 365));

    EXPECT_FALSE(IsOverNoteIconSpot(task, w, 370));  // no note
    task.Note.Add("line");
    EXPECT_FALSE(IsOverNoteIconSpot(task, w, 363));
    EXPECT_TRUE(IsOverNoteIconSpot(task, w, 364));
    EXPECT_TRUE(IsOverNoteIconSpot(task, w, 380));
    EXPECT_FALSE(IsOverNoteIconSpot(task, w, 381));
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
    // Row from 30 to 48: the upper third ends below 36.
    EXPECT_TRUE(IsInsertPosition(false, 30, 30, 48));
    EXPECT_TRUE(IsInsertPosition(false, 35, 30, 48));
    EXPECT_FALSE(IsInsertPosition(false, 36, 30, 48));
    EXPECT_FALSE(IsInsertPosition(false, 47, 30, 48));
    EXPECT_TRUE(IsInsertPosition(true, 47, 30, 48));
    // Fractional thirds compare as floating-point numbers: 30 + 17/3 = 35.67.
    EXPECT_TRUE(IsInsertPosition(false, 35, 30, 47));
    EXPECT_FALSE(IsInsertPosition(false, 36, 30, 47));
}

TEST(AutoScroll, IntervalsNearTheEdges)
{
    bool up = false;
    EXPECT_EQ(AutoScrollInterval(0, 300, up), 30);
    EXPECT_TRUE(up);
    EXPECT_EQ(AutoScrollInterval(9, 300, up), 30);
    EXPECT_EQ(AutoScrollInterval(10, 300, up), 120);
    EXPECT_EQ(AutoScrollInterval(24, 300, up), 120);
    EXPECT_EQ(AutoScrollInterval(25, 300, up), 0);
    EXPECT_EQ(AutoScrollInterval(150, 300, up), 0);
    EXPECT_EQ(AutoScrollInterval(276, 300, up), 120);  // 24 from the bottom
    EXPECT_FALSE(up);
    EXPECT_EQ(AutoScrollInterval(291, 300, up), 30);   // 9 from the bottom
    EXPECT_EQ(AutoScrollInterval(275, 300, up), 0);    // 25 from the bottom
}
