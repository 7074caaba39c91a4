// Slow, late and hostile readers: no call hangs past its bound, a late reply never passes as
// the answer to a later request, a flood is purged at once, and no request reads past what
// the frame carries.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "kestrel.h"
#include "kestrel/reader.h"
#include "link/frame.h"
#include "sim/faults.h"
#include "sim/pty_simulator.h"
#include "sim/reader_model.h"
#include "sim/tcp_simulator.h"
#include "support/tcp_peer.h"

using namespace std::chrono;
using namespace kestrel;
using Bytes = std::vector<std::uint8_t>;

namespace {

double seconds_since(steady_clock::time_point from) {
    return duration<double>(steady_clock::now() - from).count();
}

Bytes reply_frame(std::uint8_t from, std::uint8_t echo, std::uint8_t status, const Bytes& data = {}) {
    Bytes out(link::kMaxReplyFrame);
    out.resize(link::encode_reply_frame(from, echo, status, data, out));
    return out;
}

// One link of the default exports to a simulated reader: over its pseudo-terminal or over TCP.
enum class Over { serial, tcp };

struct LinkedReader {
    explicit LinkedReader(Over over) : over(over) {}
    ~LinkedReader() {
        UnLinkCom();
        pty.stop();
        tcp.stop();
        ::unsetenv("KESTREL_COM1");
    }
    bool link() {
        if (over == Over::serial) {
            if (!pty.start()) return false;
            ::setenv("KESTREL_COM1", pty.slave_path().c_str(), 1);
            return LinkCom(1, 0, 115200) == KESTREL_OK;
        }
        return tcp.start() && TCP_LinkCom(1, tcp.port(), "127.0.0.1") == KESTREL_OK;
    }
    template <typename F>
    void with_model(F f) {
        auto call = [&](sim::Responder&) { f(model); };
        if (over == Over::serial) pty.with_responder(call);
        else tcp.with_responder(call);
    }
    void shape_with(sim::FaultPlan& plan) {
        auto set = [&](sim::Responder& r) { r.set_shaper(plan.shaper()); };
        if (over == Over::serial) pty.with_responder(set);
        else tcp.with_responder(set);
    }

    Over over;
    sim::FaultPlan plan;  // outlives the front ends that use it
    sim::ReaderModel model;
    sim::PtySimulator pty{model};
    sim::TcpSimulator tcp{model};
};

// A reply that comes after the first-byte wait is drained before the next request goes out:
// the calls after it get their own answers (the temperature the reader has at each call).
TEST(HostileReader, ALateReplyNeverPassesAsTheNextOne) {
    for (Over over : {Over::serial, Over::tcp}) {
        SCOPED_TRACE(over == Over::serial ? "serial" : "tcp");
        LinkedReader reader(over);
        ASSERT_TRUE(reader.link());
        sim::FaultRule late;
        late.kind = sim::FaultKind::delay;
        late.command = 0x10;
        late.count = 1;
        late.delay_ms = 1900;  // past the first-byte wait of 1.6 s
        reader.plan.add(late);
        reader.shape_with(reader.plan);

        reader.with_model([](sim::ReaderModel& m) { m.settings.temperature = 1; });
        std::uint8_t t = 0;
        EXPECT_EQ(Read_DeviceTemp(1, &t), KESTREL_E_NO_REPLY);
        for (std::uint8_t expected : {2, 3, 4}) {
            reader.with_model([&](sim::ReaderModel& m) { m.settings.temperature = expected; });
            t = 0;
            EXPECT_EQ(Read_DeviceTemp(1, &t), KESTREL_OK);
            EXPECT_EQ(t, expected);
        }
    }
}

// A reader that trickles its reply just inside the per-byte wait is cut off at the
// transaction's bound, and so is the drain of the rest; the link recovers once it stops.
TEST(HostileReader, ATrickleIsCutOffAtTheTransactionBound) {
    LinkedReader reader(Over::serial);
    ASSERT_TRUE(reader.link());
    sim::FaultRule trickle;
    trickle.kind = sim::FaultKind::split;
    trickle.command = 0x05;
    trickle.count = 1;
    trickle.pieces = 40;
    trickle.delay_ms = 90;
    reader.plan.add(trickle);
    reader.shape_with(reader.plan);

    // At 115200: the first-byte wait, twice the longest frame's wire time and one byte wait.
    constexpr double kBound = (1616 + 2 * 4112 * 10 * 1000 / 115200 + 101) / 1000.0;
    std::array<std::uint8_t, KESTREL_DEVICE_INFO_SIZE> info{};
    auto from = steady_clock::now();
    const int first = GetDeviceInfo(1, info.data());
    EXPECT_NE(first, KESTREL_OK);
    EXPECT_GT(first, KESTREL_E_NO_REPLY) << "the code of the step that was reading";
    EXPECT_LT(seconds_since(from), kBound + 0.3);
    // Each later call drains within the bound and then runs its own transaction.
    int code = -1;
    for (int call = 0; call < 3 && code != KESTREL_OK; ++call) {
        from = steady_clock::now();
        code = GetDeviceInfo(1, info.data());
        EXPECT_LT(seconds_since(from), 2 * kBound + 0.3) << "call " << call;
    }
    EXPECT_EQ(code, KESTREL_OK);
}

// A reader on TCP that answers the probe, then sends a frame header claiming 2,000 data bytes
// and one zero byte every 60 ms, until stopped.
class TricklingReader {
public:
    TricklingReader() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof at;
        ok_ = ::bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 && ::listen(listener_, 1) == 0 &&
              ::getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &length) == 0;
        port_ = ntohs(at.sin_port);
        if (ok_) thread_ = std::thread([this] { run(); });
    }
    ~TricklingReader() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        ::close(listener_);
    }
    bool ok() const { return ok_; }
    std::uint16_t port() const { return port_; }

private:
    // Waits for one whole command frame (its trailer DLE STX).
    static bool await_frame(int client) {
        std::uint8_t previous = 0, b = 0;
        for (;;) {
            if (::recv(client, &b, 1, 0) != 1) return false;
            if (previous == link::kDle && b == link::kStx) return true;
            previous = b == link::kDle && previous == link::kDle ? 0 : b;
        }
    }
    void run() {
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0) return;
        if (await_frame(client)) {
            const Bytes probe = reply_frame(1, 0x00, 0x00);
            ::send(client, probe.data(), probe.size(), MSG_NOSIGNAL);
        }
        if (await_frame(client)) {
            const Bytes header{0x10, 0x01, 0x01, 0x05, 0x00, 0x07, 0xD0};
            ::send(client, header.data(), header.size(), MSG_NOSIGNAL);
            const std::uint8_t zero = 0;
            for (int i = 0; i < 100 && !stop_; ++i) {
                std::this_thread::sleep_for(milliseconds(60));
                if (::send(client, &zero, 1, MSG_NOSIGNAL) != 1) break;
            }
        }
        ::close(client);
    }

    int listener_ = -1;
    std::uint16_t port_ = 0;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The same over TCP on a handle with a bound of its own.
TEST(HostileReader, AHandlesTransactionBoundHoldsOverTcp) {
    TricklingReader peer;
    ASSERT_TRUE(peer.ok());
    kestrel_reader* r = nullptr;
    ASSERT_EQ(kestrel_open(("tcp://127.0.0.1:" + std::to_string(peer.port()) + "?address=1").c_str(), &r),
              KESTREL_OK);
    kestrel_timeouts t{};
    t.transaction_ms = 800;
    ASSERT_EQ(kestrel_set_timeouts(r, &t), KESTREL_OK);
    kestrel_timeouts in_force{};
    ASSERT_EQ(kestrel_get_timeouts(r, &in_force), KESTREL_OK);
    EXPECT_EQ(in_force.transaction_ms, 800u);
    EXPECT_EQ(in_force.reply_ms, 1616u) << "the others keep their defaults";

    std::array<std::uint8_t, 22> info{};
    const auto from = steady_clock::now();
    EXPECT_EQ(kestrel_GetDeviceInfo(r, info.data(), info.size(), nullptr), KESTREL_E_REPLY_DATA);
    EXPECT_GE(seconds_since(from), 0.75);
    EXPECT_LT(seconds_since(from), 0.8 + 0.2);
    kestrel_close(r);
}

// Noise far beyond a reply, already received when the next request goes out, is purged in
// one go: the next call gets its own answer.
TEST(HostileReader, AFloodAlreadyReceivedIsPurgedBeforeTheNextRequest) {
    test::TcpPeer peer;
    ASSERT_TRUE(peer.ok());
    peer.script({reply_frame(1, 0x00, 0x00)});
    ASSERT_EQ(TCP_LinkCom(1, peer.port(), "127.0.0.1"), KESTREL_OK);
    Bytes flooded = reply_frame(1, 0x07, 0x00, {0x01});
    flooded.resize(flooded.size() + 200 * 1024, 0x55);
    peer.script({flooded});
    peer.script({reply_frame(1, 0x07, 0x00, {0x02})});
    std::uint8_t number = 0;
    EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_OK);
    EXPECT_EQ(number, 1);
    std::this_thread::sleep_for(milliseconds(200));  // the flood has arrived
    EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_OK);
    EXPECT_EQ(number, 2);
    UnLinkCom();
}

// A device path longer than a port name may be is refused, never cut and opened.
TEST(HostileReader, ALongComPathIsRefused) {
    ::setenv("KESTREL_COM1", ("/dev/" + std::string(300, 'x')).c_str(), 1);
    EXPECT_EQ(LinkCom(1, 0, 115200), KESTREL_E_OPEN);
    ::unsetenv("KESTREL_COM1");
}

// Records whose count byte describes more than the frame carries are refused from their count
// byte alone: a record that ends where the caller's memory ends is never read past.
TEST(HostileReader, CountedRecordsAreNotReadPastTheFrame) {
    const long page = ::sysconf(_SC_PAGESIZE);
    auto* memory = static_cast<std::uint8_t*>(
        ::mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(memory, MAP_FAILED);
    ASSERT_EQ(::mprotect(memory + page, page, PROT_NONE), 0);
    std::uint8_t* end = memory + page;  // the next byte faults
    std::array<std::uint8_t, 300> out{};
    const struct {
        const char* what;
        std::size_t header;  // the record's bytes before its data
        std::size_t count_at;
        std::uint8_t count;
        int (*call)(std::uint8_t*, std::uint8_t*);
    } cases[] = {
        {"PSAM_Command", 1, 0, 255, [](std::uint8_t* in, std::uint8_t* o) { return PSAM_Command(1, in, o); }},
        {"PSAM_FD_Issue", 1, 0, 255, [](std::uint8_t* in, std::uint8_t* o) { return PSAM_FD_Issue(1, in, o); }},
        {"FM151M_Hash", 3, 2, 253, [](std::uint8_t* in, std::uint8_t* o) { return FM151M_Hash(1, in, o); }},
        {"FM151M_Cipher", 5, 4, 251, [](std::uint8_t* in, std::uint8_t* o) { return FM151M_Cipher(1, in, o); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // The record holds 255 bytes before the guard page: one fewer than its count claims.
        std::uint8_t* record = end - 255;
        std::fill(record, end, 0x11);
        record[c.count_at] = c.count;
        EXPECT_EQ(c.call(record, out.data()), KESTREL_E_REQUEST_TOO_LONG);
    }
    ::munmap(memory, 2 * page);
}

}  // namespace
