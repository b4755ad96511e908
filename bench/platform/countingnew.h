#pragma once
// Counts every allocation of the program, so a benchmark can show that a hot
// path allocates nothing. Include it in one file of a benchmark only.
#include <atomic>
#include <cstdlib>
#include <new>

inline std::atomic<long> gAllocations{0};

void *operator new(std::size_t n) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept {
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept {
    std::free(p);
}
