// Counts heap allocations made on the calling thread while counting is on. The process's
// malloc family is replaced by counting wrappers around the C library's own allocator, so
// allocations through operator new, the C library or any linked library are all seen.
#pragma once

#include <cstdint>

namespace kestrel::bench {

// Starts counting on this thread from zero.
void start_counting_allocations();
// Stops counting and returns the number of allocations since the start.
std::uint64_t stop_counting_allocations();

// Leaves allocations out of the count while it lives (for work done on the library's behalf
// by a test double, which is not the library's own).
class UncountedScope {
public:
    UncountedScope();
    ~UncountedScope();
    UncountedScope(const UncountedScope&) = delete;
    UncountedScope& operator=(const UncountedScope&) = delete;

private:
    bool was_counting_;
};

}  // namespace kestrel::bench
