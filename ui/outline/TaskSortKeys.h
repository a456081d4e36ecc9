#pragma once
// The order of the sort-subtasks command: up to four keys, each a signed code whose absolute
// value names what is compared and whose sign gives the direction (negative = descending).
#include <array>
#include <cstdint>

class TTaskNode;
struct TTaskViewNode;

// Codes: 1 nothing, 2 completion date, 3 goal then importance, 4 due date (tasks without one
// last in both directions), 5 effort, 6 satisfaction, 8 caption without regard to case.
// Any other code compares equal. Only the sign of the result matters.
int32_t CompareTasksBySortKey(int32_t Key, const TTaskNode& Task1, const TTaskNode& Task2);

using TSortKeys = std::array<int32_t, 4>;
// The keys in turn until one tells the tasks apart.
int32_t CompareTasksBySortKeys(const TSortKeys& Keys, const TTaskNode& Task1, const TTaskNode& Task2);

// Reorders Node's children (and with Recursive every level below) by the keys; tasks that
// compare equal keep their order.
void SortTaskViewNode(TTaskViewNode& Node, const TSortKeys& Keys, bool Recursive);
