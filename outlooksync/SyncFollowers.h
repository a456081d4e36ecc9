#pragma once
// Subtasks that follow their parent's due date and lead (ScheduleType 0) take the dates a run
// reads into the parent. Taking them is no change made in the outline (their stamps stay), and
// their items get the dates in the same run, whether they were met before the parent's or after.
#include <map>
#include <vector>

#include "platform/DateTime.h"

class IOutlookTaskItem;
class TTaskNode;

class TSyncFollowers {
public:
    // Around the dates read from an item into Task: remembers how its followers were, then
    // gives them back their stamps.
    void Before(TTaskNode* Task);
    void After();
    // True when Task took its parent's new dates in this run and the item still holds the
    // dates the task had before: the item's dates are then no change of their own.
    bool ItemHoldsFormerDates(const TTaskNode* Task, IOutlookTaskItem& Item) const;
    // The followers whose due date or lead this run changed, in the order they were met.
    std::vector<TTaskNode*> Changed() const;

private:
    struct TDates {
        TDateTime Due = 0;
        double Lead = 1.0;
    };
    std::map<const TTaskNode*, TDates> former_;   // as first met in the run
    std::vector<TTaskNode*> order_;
    std::vector<std::pair<TTaskNode*, TDateTime>> stamps_;
};
