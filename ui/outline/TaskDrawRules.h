#pragma once
// What a task row of the trees shows besides its caption: the due text and badge, the goal
// mark and notes icon, and where on a row the due and notes spots lie. Kept free of widgets so
// that the rules can be checked without a display.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/DateTime.h"

class TTaskNode;

// Geometry of the right-hand columns, in pixels from the tree's right edge (W). The due badge
// ends where the notes column begins and is as wide as its text needs, at least DueBadgeWidth:
// from W - 100 for a short text.
constexpr int DueBadgeRightOffset = 36;
constexpr int DueBadgeWidth = 64;
constexpr int DueBadgePadding = 6;  // either side of the text
constexpr int DueBadgeOffset = DueBadgeRightOffset + DueBadgeWidth;
constexpr int DueColumnMargin = 2;  // the background starts that much left of the badge
int DueBadgeWidthFor(int TextWidth);
int DueBadgeOffsetFor(int TextWidth);
constexpr int NotesColumnBackgroundOffset = 37; // background from W - 37
constexpr int NotesIconOffset = 36;             // icon from W - 36
constexpr int NotesIconWidth = 16;

// The due badge's colours: 0 due later, 1 due soon, 2 overdue.
enum TDueStatus : int32_t { dsLater = 0, dsSoon = 1, dsOverdue = 2 };

// The due text of Due judged against the drawing clock Now: "overdue", "Today", "Tomorrow" or
// the date in the user's short form (ShortDate formats it).
std::string DueDateText(TDateTime Due, TDateTime Now, const std::function<std::string(TDateTime)>& ShortDate);
// The badge of a task with the lead time LeadTime (days) due at Due.
int32_t DueStatus(double LeadTime, TDateTime Due, TDateTime Now);

// Images of the task list: kind 1 the goal mark (1 open, 2 completed), kind 2 the notes icon
// (3 open, 4 completed). Completed means a completion date here, not the check mark.
constexpr int32_t TaskImageGoal = 1;
constexpr int32_t TaskImageNotes = 2;
int32_t TaskImageIndex(const TTaskNode& Task, int32_t Kind);

// Does X lie in the column that spans from Width - RightOffset to Width - RightOffset +
// ColumnWidth (both ends included)?
bool IsInTaskColumn(int Width, int X, int ColumnWidth, int RightOffset);
// Is X over the due column (ForDueDate, only for a task with a due date) or over the notes
// column (only for a task with at least one note line)?
bool IsOverTaskColumnOf(const TTaskNode* Task, int Width, int X, bool ForDueDate, int ColumnWidth, int RightOffset);
// The two spots of a row: the due badge (only with a due date; its text TextWidth pixels wide)
// and the notes icon (only with at least one note line).
bool IsOverDueDateSpot(const TTaskNode& Task, int Width, int X, int TextWidth);
bool IsOverNoteIconSpot(const TTaskNode& Task, int Width, int X);
