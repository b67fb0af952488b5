#pragma once
// Replaces the global operator new and delete of the test binary that links
// CountingAllocator.cpp: every allocation and release is counted, and while
// armed, chosen allocations throw std::bad_alloc as an exhausted heap would.

#include <cstdint>

namespace Hardening {

struct AllocationCounts {
  std::int64_t Live = 0;  // blocks allocated and not yet released
  std::int64_t Made = 0;  // allocations attempted since Arm
};

// From Arm on, allocation number failAt (1-based) fails; with onward set,
// every allocation after it fails too. failAt 0 only counts.
void Arm(std::int64_t failAt, bool onward);
void Disarm();
AllocationCounts Counts();

}  // namespace Hardening
