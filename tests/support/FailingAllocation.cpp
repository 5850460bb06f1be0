#include "FailingAllocation.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> allowed{-1};  // allocations left before failing; -1: no limit
std::atomic<std::size_t> held{0}, base{0}, peak{0};
}  // namespace

namespace testsupport {
void FailAllocationsAfter(long n) { allowed = n; }
void AllowAllocations() { allowed = -1; }
void ResetAllocationPeak() { base = peak = held.load(); }
std::size_t AllocationPeak() { return peak - base; }
}  // namespace testsupport

void* operator new(std::size_t size) {
    const long left = allowed.load();
    if (left == 0) throw std::bad_alloc();
    if (left > 0) allowed = left - 1;
    void* p = std::malloc(size == 0 ? 1 : size);
    if (!p) throw std::bad_alloc();
    const std::size_t now = held += malloc_usable_size(p);
    if (now > peak) peak = now;
    return p;
}

void operator delete(void* p) noexcept {
    if (p) held -= malloc_usable_size(p);
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

// Every other form goes through the two above, so that what one allocates
// the other frees (the sanitizer's own forms would not match ours).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return operator new(size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new[](std::size_t size, const std::nothrow_t& t) noexcept {
    return operator new(size, t);
}
void operator delete(void* p, const std::nothrow_t&) noexcept { operator delete(p); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { operator delete(p); }
