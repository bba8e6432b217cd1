#pragma once
// Counts the heap allocations a piece of work makes. A test program that links
// allocation_counter.cpp has its global allocation functions replaced by counting ones.

#include <atomic>

namespace zevrin::testing {

void start_counting_allocations();
/// The allocations since start_counting_allocations(); stops counting.
long stop_counting_allocations();

/// The allocations that `work` makes.
template <typename Work> long allocations_in(Work work) {
    start_counting_allocations();
    work();
    return stop_counting_allocations();
}

} // namespace zevrin::testing
