// Counts heap allocations while `gCounting` is set, to show that a refresh
// takes none. Included by one file of a benchmark program: it replaces the
// program's operator new.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

// The replacement operators pair malloc with free, which GCC
// cannot see through once they are inlined into library code.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};
}  // namespace

void* operator new(std::size_t size)
{
    if (gCounting.load(std::memory_order_relaxed))
        gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
