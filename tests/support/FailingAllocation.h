// Running out of memory on demand, for tests of what a failed step leaves
// behind: linked into a test program, it replaces the global operator new.
#pragma once

namespace testsupport {

// The allocation after the next n throws std::bad_alloc, as does every one
// after it, until AllowAllocations().
void FailAllocationsAfter(long n);
void AllowAllocations();

}  // namespace testsupport
