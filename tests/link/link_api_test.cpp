// The link API over a real pseudo-terminal against the simulated reader.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>

#include "kestrel.h"
#include "link/session.h"
#include "support/sim_fixture.h"

using namespace std::chrono;
using kestrel::test::SimulatedReader;

namespace {

constexpr int kCom1 = 0;

template <typename F>
auto timed(F f, milliseconds& took) {
    const auto start = steady_clock::now();
    auto r = f();
    took = duration_cast<milliseconds>(steady_clock::now() - start);
    return r;
}

}  // namespace

using LinkApi = SimulatedReader;

TEST_F(LinkApi, ConnectsProbesAndCloses) {
    ASSERT_EQ(LinkCom(1, kCom1, 115200), KESTREL_OK);
    EXPECT_EQ(Link_Reader(1), KESTREL_OK);
    EXPECT_EQ(Link_Reader(0xFF), KESTREL_OK) << "broadcast probe";
    EXPECT_EQ(UnLinkCom(), KESTREL_OK);
    EXPECT_EQ(Link_Reader(1), KESTREL_E_SEND_DLE) << "no link after UnLinkCom";
    EXPECT_EQ(UnLinkCom(), KESTREL_OK) << "twice in a row";
    // The port is free again after the close.
    EXPECT_EQ(LinkCom(1, kCom1, 9600), KESTREL_OK);
}

TEST_F(LinkApi, PortIndexOutOfRangeIsRefusedAtOnce) {
    for (int port : {10, 12, 31, 33, -1}) {
        milliseconds took{};
        EXPECT_EQ(timed([&] { return LinkCom(1, port, 9600); }, took), KESTREL_E_OPEN) << port;
        EXPECT_LT(took, milliseconds(100)) << port;
        EXPECT_EQ(kestrel::link::session().transport, kestrel::link::Transport::serial);
    }
}

TEST_F(LinkApi, MissingDeviceIsRefused) {
    ::setenv("KESTREL_COM3", "/nonexistent/kestrel-port", 1);
    EXPECT_EQ(LinkCom(1, 2, 9600), KESTREL_E_OPEN);
    ::unsetenv("KESTREL_COM3");
}

TEST_F(LinkApi, APortAlreadyHeldIsRefusedAndTheOpenLinkKeepsWorking) {
    ASSERT_EQ(LinkCom(1, kCom1, 9600), KESTREL_OK);
    EXPECT_EQ(LinkCom(1, kCom1, 9600), KESTREL_E_OPEN);
    EXPECT_EQ(Link_Reader(1), KESTREL_OK);
    // The same device under a second index is held too.
    ::setenv("KESTREL_COM2", pty.slave_path().c_str(), 1);
    EXPECT_EQ(LinkCom(1, 1, 9600), KESTREL_E_OPEN);
    EXPECT_EQ(Link_Reader(1), KESTREL_OK);
    ::unsetenv("KESTREL_COM2");
}

TEST_F(LinkApi, APortLockedByAnotherProgramIsRefused) {
    const int other = ::open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(LinkCom(1, kCom1, 9600), KESTREL_E_OPEN);
    ::close(other);
    EXPECT_EQ(LinkCom(1, kCom1, 9600), KESTREL_OK);
}

TEST_F(LinkApi, ASilentReaderFailsAfterThreeAttemptsAndLeavesTheLinkClosed) {
    pty.with_responder([](kestrel::sim::Responder& r) {
        r.set_shaper([](const kestrel::sim::Request&, kestrel::sim::Transmission) { return kestrel::sim::Transmission{}; });
    });
    milliseconds took{};
    EXPECT_EQ(timed([] { return LinkCom(1, kCom1, 9600); }, took), KESTREL_E_NO_REPLY);
    // Three probes of 4 first-byte reads of about 102 ms each, and three 50 ms closes.
    EXPECT_GE(took, milliseconds(1200));
    EXPECT_LT(took, milliseconds(2500));
    EXPECT_EQ(Link_Reader(1), KESTREL_E_SEND_DLE) << "the link is closed";
    std::size_t probes = 0;
    pty.with_responder([&](kestrel::sim::Responder& r) { probes = r.frames_seen(); });
    EXPECT_EQ(probes, 3u);
}

TEST_F(LinkApi, AFailedProbeClosesTheLink) {
    ASSERT_EQ(LinkCom(1, kCom1, 9600), KESTREL_OK);
    EXPECT_EQ(Link_Reader(2), KESTREL_E_NO_REPLY) << "no reader 2 on the line";
    EXPECT_EQ(Link_Reader(1), KESTREL_E_SEND_DLE);
    EXPECT_EQ(LinkCom(1, kCom1, 9600), KESTREL_OK) << "the port was released";
}

TEST_F(LinkApi, AnswersFromAnotherReaderAreRefused) {
    model.set_number(7);
    EXPECT_EQ(LinkCom(1, kCom1, 9600), KESTREL_E_NO_REPLY) << "reader 7 ignores frames for reader 1";
    EXPECT_EQ(LinkCom(7, kCom1, 9600), KESTREL_OK);
}
