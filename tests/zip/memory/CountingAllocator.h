#pragma once
// The global allocator of this binary: it can make one chosen allocation fail, and it counts
// the bytes held now and the most held since the last reset.
#include <cstddef>

namespace TestAllocator {

extern int FailIn;   // the allocation that fails, counted from 1; 0 = none
std::size_t Held();
std::size_t Peak();
void ResetPeak();

}  // namespace TestAllocator
