#include "FailingAllocation.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allowed{-1};  // allocations left before failing; -1: no limit
}

namespace testsupport {
void FailAllocationsAfter(long n) { allowed = n; }
void AllowAllocations() { allowed = -1; }
}  // namespace testsupport

void* operator new(std::size_t size) {
    const long left = allowed.load();
    if (left == 0) throw std::bad_alloc();
    if (left > 0) allowed = left - 1;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
