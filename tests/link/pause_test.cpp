#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>

#include <chrono>

#include "link/pause.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

TEST(LeadingDlePause, LastsAtLeastItsLength) {
    for (const int ms : {1, 2, 6}) {
        const auto from = Clock::now();
        kestrel::link::leading_dle_pause(ms);
        EXPECT_GE(Clock::now() - from, milliseconds(ms)) << ms << " ms";
    }
}

TEST(LeadingDlePause, NoLengthReturns) {
    // Nothing to wait for; it must not sleep on a deadline in the past or hang.
    kestrel::link::leading_dle_pause(0);
    kestrel::link::leading_dle_pause(-5);
}

TEST(LeadingDlePause, SignalDoesNotCutItShort) {
    // A signal that interrupts the sleep (no SA_RESTART) lands 1 ms into a 6 ms pause.
    struct sigaction quiet {}, previous {};
    quiet.sa_handler = [](int) {};
    sigemptyset(&quiet.sa_mask);
    ASSERT_EQ(::sigaction(SIGALRM, &quiet, &previous), 0);
    itimerval once{};
    once.it_value.tv_usec = 1000;
    ASSERT_EQ(::setitimer(ITIMER_REAL, &once, nullptr), 0);
    const auto from = Clock::now();
    kestrel::link::leading_dle_pause(6);
    const auto took = Clock::now() - from;
    const itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigaction(SIGALRM, &previous, nullptr);
    EXPECT_GE(took, milliseconds(6));
}

}  // namespace
