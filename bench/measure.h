// Per-transaction samples and the wire-time model they are judged against; a process's CPU
// time and resident memory; quantiles.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "bench/alloc_counter.h"

namespace kestrel::bench {

using Clock = std::chrono::steady_clock;

// What one transaction (or one run of several) cost, in microseconds.
struct Sample {
    double wall_us = 0;
    double cpu_us = 0;    // CPU time of the calling thread
    double model_us = 0;  // what the wire alone takes; 0 where there is no wire to model
    std::uint64_t allocations = 0;
};

inline double thread_cpu_us() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

inline double since_us(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::micro>(to - from).count();
}

// Runs `call` once and measures it; `result` receives what it returned.
template <typename Call>
Sample measure(Call call, int& result) {
    Sample s;
    start_counting_allocations();
    const double cpu0 = thread_cpu_us();
    const auto t0 = Clock::now();
    result = call();
    const auto t1 = Clock::now();
    const double cpu1 = thread_cpu_us();
    s.allocations = stop_counting_allocations();
    s.wall_us = since_us(t0, t1);
    s.cpu_us = cpu1 - cpu0;
    return s;
}

// The serial wire-time model of one transaction: the 6 ms pause after the leading DLE plus
// the reply's bytes on the wire at ten bits a byte (start, eight data bits, stop).
double serial_model_us(std::size_t reply_wire_bytes, std::uint32_t baud);

// Bytes on the wire (stuffing included) of the reply the last transaction received.
std::size_t last_reply_wire_bytes();

// What a receiver got during a measurement window: how many messages, and the latency of each
// whose source moment is known. Filled by the receiving thread, read by the measuring one.
class LatencyWindow {
public:
    void reset() {
        std::lock_guard lock(mutex_);
        latencies_us_.clear();
        count_ = 0;
    }
    // One message received at `now_ns`; `source_ns` 0 when its source moment is unknown.
    void add(std::int64_t now_ns, std::int64_t source_ns) {
        std::lock_guard lock(mutex_);
        ++count_;
        if (source_ns > 0) latencies_us_.push_back(static_cast<double>(now_ns - source_ns) / 1e3);
    }
    std::size_t count() const {
        std::lock_guard lock(mutex_);
        return count_;
    }
    std::vector<double> latencies_us() const {
        std::lock_guard lock(mutex_);
        return latencies_us_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<double> latencies_us_;
    std::size_t count_ = 0;
};

// CPU time (user + system) a process has used so far, in seconds: /proc/PID/stat.
double process_cpu_s(pid_t pid);
// The same for this process (getrusage), all its threads.
double self_cpu_s();
// A process's resident memory, in KiB: VmRSS of /proc/PID/status (0 when it is gone).
std::int64_t process_rss_kib(pid_t pid);

// The p-quantile (0..1) of `values`, nearest rank.
inline double quantile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(p * static_cast<double>(values.size()) + 0.999999);
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

}  // namespace kestrel::bench
