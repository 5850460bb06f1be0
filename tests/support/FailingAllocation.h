// Memory on demand, for tests of what a step costs and what a failed one
// leaves behind: linked into a test program, it replaces the global
// operator new (allocations through malloc itself are not seen).
#pragma once

#include <cstddef>

namespace testsupport {

// The allocation after the next n throws std::bad_alloc, as does every one
// after it, until AllowAllocations().
void FailAllocationsAfter(long n);
void AllowAllocations();

// The most bytes held at once by operator new since the last reset, beyond
// what was held then.
void ResetAllocationPeak();
std::size_t AllocationPeak();

}  // namespace testsupport
