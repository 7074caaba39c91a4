#include "bench/alloc_counter.h"

#include <cerrno>
#include <cstddef>

// glibc's allocator under its internal names; the public names below are this program's.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);
void* __libc_memalign(std::size_t alignment, std::size_t size);
void __libc_free(void* p);
}

namespace {

thread_local bool t_counting = false;
thread_local std::uint64_t t_count = 0;

inline void count_one() {
    if (t_counting) ++t_count;
}

}  // namespace

namespace kestrel::bench {

void start_counting_allocations() {
    t_count = 0;
    t_counting = true;
}

std::uint64_t stop_counting_allocations() {
    t_counting = false;
    return t_count;
}

UncountedScope::UncountedScope() : was_counting_(t_counting) { t_counting = false; }
UncountedScope::~UncountedScope() { t_counting = was_counting_; }

}  // namespace kestrel::bench

extern "C" {

void* malloc(std::size_t size) {
    count_one();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
    count_one();
    return __libc_calloc(count, size);
}

void* realloc(void* p, std::size_t size) {
    count_one();
    return __libc_realloc(p, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    count_one();
    return __libc_memalign(alignment, size);
}

void* memalign(std::size_t alignment, std::size_t size) {
    count_one();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
    count_one();
    void* p = __libc_memalign(alignment, size);
    if (p == nullptr) return ENOMEM;
    *out = p;
    return 0;
}

void free(void* p) { __libc_free(p); }

}  // extern "C"
