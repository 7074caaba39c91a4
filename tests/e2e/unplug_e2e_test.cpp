// A serial adapter pulled out mid-transaction and plugged in again: the simulator's
// pseudo-terminal goes away while the library waits for a reply, then comes back at the
// same path.
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "kestrel.h"
#include "sim/faults.h"
#include "sim/pty_simulator.h"
#include "support/sim_fixture.h"

using namespace kestrel;
using Clock = std::chrono::steady_clock;

namespace {

double seconds_since(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

}  // namespace

TEST(Unplug, TheWaitEndsAtTheHangUpAndRelinkingRecovers) {
    sim::ReaderModel model;
    sim::PtySimulator pty{model};
    const std::string link = "/tmp/kestrel-unplug-" + std::to_string(::getpid());
    ASSERT_TRUE(pty.start(link)) << pty.error();
    ::setenv("KESTREL_COM1", link.c_str(), 1);
    ASSERT_EQ(LinkCom(1, 0, 115200), KESTREL_OK);

    // The reader hears the next command but never answers it: the host is left waiting.
    sim::FaultPlan plan;
    sim::FaultRule silent;
    silent.kind = sim::FaultKind::drop;
    silent.command = 0x07;
    plan.add(silent);
    pty.with_responder([&](sim::Responder& r) { r.set_shaper(plan.shaper()); });

    std::thread unplug([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        pty.stop();
    });
    std::uint8_t number = 0;
    auto from = Clock::now();
    const int during = ReadDeviceNo(1, &number);
    const double waited = seconds_since(from);
    unplug.join();
    EXPECT_EQ(during, KESTREL_E_NO_REPLY);
    // The first-byte wait of a command is 16 attempts of about 100 ms; the hang-up ends it.
    EXPECT_LT(waited, 1.0) << "the wait ran on after the hang-up";

    // Unplugged: every command fails at once, none spins through its wait.
    for (int i = 0; i < 3; ++i) {
        from = Clock::now();
        EXPECT_NE(ReadDeviceNo(1, &number), KESTREL_OK);
        EXPECT_LT(seconds_since(from), 0.1) << "command " << i << " after the unplug";
    }

    // Plugged in again (a new terminal behind the same name): the old link stays dead until
    // it is closed and opened again.
    pty.with_responder([](sim::Responder& r) { r.set_shaper(nullptr); });
    ASSERT_TRUE(pty.start(link)) << pty.error();
    EXPECT_EQ(UnLinkCom(), KESTREL_OK);
    ASSERT_EQ(LinkCom(1, 0, 115200), KESTREL_OK);
    EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_OK);
    EXPECT_EQ(number, 1);

    UnLinkCom();
    pty.stop();
    ::unsetenv("KESTREL_COM1");
}
