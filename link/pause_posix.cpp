// POSIX leading-DLE pause: sleeps on the monotonic clock until shortly before the deadline,
// then spins the rest. A sleep alone may wake late by the timer slack and the scheduler's
// wake-up latency; the short spin keeps the pause within a few tens of microseconds of its
// length while the core is free for everything else almost all of the time.
#include <time.h>

#include <cerrno>
#include <cstdint>

#include "link/pause.h"

namespace kestrel::link {
namespace {

constexpr std::int64_t kNsPerSecond = 1'000'000'000;
// How long before the deadline the sleep ends. It covers the default timer slack (50 us)
// and a usual wake-up latency; a wake-up later than this only lengthens the pause.
constexpr std::int64_t kSpinTailNs = 80'000;

std::int64_t now_ns() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<std::int64_t>(t.tv_sec) * kNsPerSecond + t.tv_nsec;
}

timespec to_timespec(std::int64_t ns) {
    timespec t{};
    t.tv_sec = static_cast<time_t>(ns / kNsPerSecond);
    t.tv_nsec = static_cast<long>(ns % kNsPerSecond);
    return t;
}

}  // namespace

void leading_dle_pause(int ms) {
    if (ms <= 0) return;
    const std::int64_t deadline = now_ns() + static_cast<std::int64_t>(ms) * 1'000'000;
    const std::int64_t wake = deadline - kSpinTailNs;
    if (wake > now_ns()) {
        const timespec until = to_timespec(wake);
        // An absolute deadline makes a sleep cut short by a signal simply resume.
        while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
        }
    }
    while (now_ns() < deadline) {
    }
}

}  // namespace kestrel::link
