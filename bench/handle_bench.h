// The reader-handle benchmarks of kestrel_bench.
#pragma once

#include <benchmark/benchmark.h>

namespace kestrel::bench {

void register_handle_benchmarks();

}  // namespace kestrel::bench
