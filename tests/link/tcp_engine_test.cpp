// The TCP link against a scripted reader on a loopback port: argument checks, connect, the
// frame in one write, the bounded reply waits, and the serial engine's codes for each fault.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>
#include <thread>

#include "kestrel.h"
#include "link/frame.h"
#include "link/session.h"
#include "link/tcp_engine.h"
#include "support/tcp_peer.h"

using namespace std::chrono;
using kestrel::test::TcpPeer;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr const char* kLoopback = "127.0.0.1";

Bytes reply_frame(std::uint8_t from, std::uint8_t echo, std::uint8_t status, const Bytes& data = {}) {
    Bytes out(2 + 2 * (6 + data.size()) + 2);
    out.resize(kestrel::link::encode_reply_frame(from, echo, status, data, out));
    return out;
}

Bytes command_frame(std::uint8_t address, std::uint8_t command, const Bytes& data = {}) {
    Bytes out(kestrel::link::kMaxCommandFrame);
    out.resize(kestrel::link::encode_command_frame(address, command, data, out));
    return out;
}

template <typename F>
auto timed(F f, milliseconds& took) {
    const auto start = steady_clock::now();
    auto r = f();
    took = duration_cast<milliseconds>(steady_clock::now() - start);
    return r;
}

// A loopback port nobody listens on: bound (so nothing else takes it) but not listening.
class ClosedPort {
public:
    ClosedPort() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at);
        socklen_t length = sizeof at;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&at), &length);
        port_ = ntohs(at.sin_port);
    }
    ~ClosedPort() { ::close(fd_); }
    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

class TcpLink : public ::testing::Test {
protected:
    void SetUp() override {
        UnLinkCom();
        ASSERT_TRUE(peer.ok());
    }
    void TearDown() override { UnLinkCom(); }

    // Connects to the peer, which answers the probe.
    void connect() {
        peer.script({reply_frame(1, 0x00, 0x00)});
        ASSERT_EQ(TCP_LinkCom(1, peer.port(), kLoopback), KESTREL_OK);
    }
    // Runs GetDeviceInfo against the next scripted action.
    int device_info(milliseconds& took) {
        std::array<std::uint8_t, KESTREL_DEVICE_INFO_SIZE> info{};
        return timed([&] { return GetDeviceInfo(1, info.data()); }, took);
    }

    TcpPeer peer;
};

}  // namespace

TEST(TcpIpText, ZeroPaddedAndPlainGroupsParse) {
    struct Case {
        const char* text;
        bool ok;
        kestrel::link::Ipv4Address ip;
    };
    const Case cases[] = {
        {"192.168.001.010", true, {192, 168, 1, 10}},
        {"192.168.1.10", true, {192, 168, 1, 10}},
        {"127.0.0.1", true, {127, 0, 0, 1}},
        {"255.255.255.255", true, {255, 255, 255, 255}},
        {"000.000.000.000", true, {0, 0, 0, 0}},
        {"256.1.1.1", false, {}},
        {"1.2.3.999", false, {}},
        {"1.2.3", false, {}},
        {"1.2.3.4.5", false, {}},
        {"1..3.4", false, {}},
        {".1.2.3", false, {}},
        {"1.2.3.", false, {}},
        {"", false, {}},
        {"a.b.c.d", false, {}},
        {"1.2.3.4 ", false, {}},
        {" 1.2.3.4", false, {}},
        {"1.2.3.0004", false, {}},
        {"1.2.3.-1", false, {}},
        {"1.2.3.4x", false, {}},
        {"192.168.  1. 10", false, {}},
        {"localhost", false, {}},
    };
    for (const Case& c : cases) {
        kestrel::link::Ipv4Address ip{9, 9, 9, 9};
        EXPECT_EQ(kestrel::link::parse_ipv4_text(c.text, ip), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(ip, c.ip) << c.text;
        } else {
            EXPECT_EQ(ip, (kestrel::link::Ipv4Address{9, 9, 9, 9})) << c.text << ": untouched";
        }
    }
    kestrel::link::Ipv4Address ip{};
    EXPECT_FALSE(kestrel::link::parse_ipv4_text(nullptr, ip));
    // Text without an end within 64 characters is refused, not read on.
    const std::string endless(100, '1');
    EXPECT_FALSE(kestrel::link::parse_ipv4_text(endless.c_str(), ip));
}

TEST_F(TcpLink, BadTextsAndPortsGiveOneWithNothingSentAndTheOpenLinkKept) {
    connect();
    const struct {
        const char* text;
        int port;
    } bad[] = {{"256.0.0.1", peer.port()}, {"127.0.0", peer.port()}, {"127.0.0.1.1", peer.port()},
               {"junk", peer.port()},      {"", peer.port()},        {kLoopback, 0},
               {kLoopback, 65536},         {kLoopback, -1},          {kLoopback, 0x10000 + peer.port()}};
    for (const auto& b : bad) {
        milliseconds took{};
        EXPECT_EQ(timed([&] { return TCP_LinkCom(1, b.port, b.text); }, took), KESTREL_E_OPEN)
            << b.text << " " << b.port;
        EXPECT_LT(took, milliseconds(50));
    }
    EXPECT_EQ(TCP_LinkCom(1, peer.port(), nullptr), KESTREL_E_OPEN);
    EXPECT_EQ(peer.connections(), 1) << "no connection was made for a refused argument";
    // The open link was not touched.
    peer.script({reply_frame(1, 0x00, 0x00)});
    EXPECT_EQ(Link_Reader(1), KESTREL_OK);
}

TEST_F(TcpLink, ConnectToAClosedPortFailsWithinThreeSeconds) {
    ClosedPort closed;
    milliseconds took{};
    EXPECT_EQ(timed([&] { return TCP_LinkCom(1, closed.port(), kLoopback); }, took), KESTREL_E_OPEN);
    EXPECT_LT(took, milliseconds(3000));
    EXPECT_EQ(kestrel::link::session().transport, kestrel::link::Transport::tcp);
    EXPECT_EQ(Link_Reader(1), KESTREL_E_SEND_DLE) << "no link is left open";
}

TEST_F(TcpLink, TheFrameGoesOutUnchangedInOneWrite) {
    connect();
    ASSERT_TRUE(peer.wait_received(8));
    EXPECT_EQ(peer.received(), command_frame(1, 0x00));
    EXPECT_EQ(peer.received(), (Bytes{0x10, 0x01, 0x01, 0x00, 0x00, 0x01, 0x10, 0x02}));

    // A request with 0x10 in it: stuffed exactly as on the serial line, one read on the far side.
    const Bytes work = {0x02, 0x00, 0x01, 0x01, 0x10, 0x1E, 0x01};
    peer.script({reply_frame(1, 0x11, 0x00)});
    Bytes params = work;
    EXPECT_EQ(Set_Work_Param(1, params.data()), KESTREL_OK);
    const Bytes expected = command_frame(1, 0x11, work);
    ASSERT_TRUE(peer.wait_received(8 + expected.size()));
    const Bytes received = peer.received();
    EXPECT_EQ(Bytes(received.begin() + 8, received.end()), expected);
    EXPECT_EQ(peer.reads().back(), expected.size()) << "the frame arrived in one piece";
}

TEST_F(TcpLink, EveryExportWorksOverTheLinkAndCopiesAsOverSerial) {
    connect();
    const Bytes identity = {'K', 'e', 's', 't', 'r', 'e', 'l'};
    peer.script({reply_frame(1, 0x05, 0x00, identity)});
    std::array<std::uint8_t, KESTREL_DEVICE_INFO_SIZE> info{};
    info.fill(0xA5);
    ASSERT_EQ(GetDeviceInfo(1, info.data()), KESTREL_OK);
    EXPECT_EQ(Bytes(info.begin(), info.begin() + 7), identity);
    EXPECT_EQ(info[7], 0x00);
    // The reader's verdict comes back as over serial.
    peer.script({reply_frame(1, 0x14, 0x04)});
    EXPECT_EQ(Set_CW_ON_OFF(1, 1), 4);
}

TEST_F(TcpLink, FirstByteWaitsAreTheSerialOnesAt115200) {
    connect();
    milliseconds took{};
    // Another command: about 1.6 s.
    EXPECT_EQ(device_info(took), KESTREL_E_NO_REPLY);
    EXPECT_GE(took, milliseconds(kestrel::link::kTcpCommandFirstByteMs - 20));
    EXPECT_LT(took, milliseconds(kestrel::link::kTcpCommandFirstByteMs + 400));
    // The probe: about 0.4 s, after the failed command's late-reply margin (one more
    // first-byte wait in which a late reply is drained); the failed probe closes the link.
    EXPECT_EQ(timed([] { return Link_Reader(1); }, took), KESTREL_E_NO_REPLY);
    constexpr int kAfterMargin = kestrel::link::kTcpCommandFirstByteMs + kestrel::link::kTcpProbeFirstByteMs;
    EXPECT_GE(took, milliseconds(kAfterMargin - 20));
    EXPECT_LT(took, milliseconds(kAfterMargin + 400));
    EXPECT_EQ(Link_Reader(1), KESTREL_E_SEND_DLE);
}

TEST_F(TcpLink, ASilentReaderFailsTheConnectAfterThreeProbes) {
    milliseconds took{};
    EXPECT_EQ(timed([&] { return TCP_LinkCom(1, peer.port(), kLoopback); }, took), KESTREL_E_NO_REPLY);
    EXPECT_EQ(peer.connections(), 3) << "each attempt connects anew";
    EXPECT_LT(took, milliseconds(3 * kestrel::link::kTcpProbeFirstByteMs + 600));
    EXPECT_EQ(Link_Reader(1), KESTREL_E_SEND_DLE) << "the link is closed";
    // The second attempt answers: the link is open.
    peer.script({});
    peer.script({reply_frame(1, 0x00, 0x00)});
    EXPECT_EQ(TCP_LinkCom(1, peer.port(), kLoopback), KESTREL_OK);
}

TEST_F(TcpLink, APeerThatClosesOrResetsMidReplyFailsAtOnce) {
    const Bytes reply = reply_frame(1, 0x05, 0x00, Bytes(22, 'x'));
    struct Case {
        const char* what;
        TcpPeer::Action action;
        int code;
    };
    const Case cases[] = {
        {"closed before the reply", {{}, TcpPeer::After::close}, KESTREL_E_NO_REPLY},
        {"reset before the reply", {{}, TcpPeer::After::reset}, KESTREL_E_NO_REPLY},
        {"closed after DLE", {Bytes(reply.begin(), reply.begin() + 1), TcpPeer::After::close},
         KESTREL_E_REPLY_SOH_MISSING},
        {"closed after the status", {Bytes(reply.begin(), reply.begin() + 5), TcpPeer::After::close},
         KESTREL_E_REPLY_DATA},
        {"reset in the data", {Bytes(reply.begin(), reply.begin() + 12), TcpPeer::After::reset},
         KESTREL_E_REPLY_DATA},
        {"closed before the check", {Bytes(reply.begin(), reply.end() - 3), TcpPeer::After::close},
         KESTREL_E_REPLY_CHECK_MISSING},
        {"closed before the trailer", {Bytes(reply.begin(), reply.end() - 2), TcpPeer::After::close},
         KESTREL_E_REPLY_TRAILER_DLE_MISSING},
        {"closed before STX", {Bytes(reply.begin(), reply.end() - 1), TcpPeer::After::close},
         KESTREL_E_REPLY_TRAILER_STX_MISSING},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        connect();
        peer.script(c.action);
        milliseconds took{};
        EXPECT_EQ(device_info(took), c.code);
        EXPECT_LT(took, milliseconds(60)) << "at once, not after a wait";
        // The dead connection fails at once too; a new TCP_LinkCom recovers.
        EXPECT_NE(device_info(took), KESTREL_OK);
        EXPECT_LT(took, milliseconds(60));
    }
}

TEST_F(TcpLink, AReplyThatStopsFailsAfterTheByteWait) {
    connect();
    const Bytes reply = reply_frame(1, 0x05, 0x00, Bytes(22, 'x'));
    peer.script({Bytes(reply.begin(), reply.begin() + 10)});
    milliseconds took{};
    EXPECT_EQ(device_info(took), KESTREL_E_REPLY_DATA);
    EXPECT_GE(took, milliseconds(kestrel::link::kTcpNextByteMs - 10));
    EXPECT_LT(took, milliseconds(kestrel::link::kTcpNextByteMs + 200));
}

TEST_F(TcpLink, MalformedRepliesGetTheSerialEnginesCodes) {
    connect();
    Bytes bad_check = reply_frame(1, 0x05, 0x00, {0x41});
    bad_check[bad_check.size() - 3] ^= 0x01;
    Bytes bad_dle = reply_frame(1, 0x05, 0x00);
    bad_dle[bad_dle.size() - 2] = 0x11;
    Bytes bad_stx = reply_frame(1, 0x05, 0x00);
    bad_stx.back() = 0x03;
    Bytes oversize = {0x10, 0x01, 0x01, 0x05, 0x00, 0x08, 0x01};  // 2049 bytes claimed
    struct Case {
        const char* what;
        Bytes reply;
        int code;
    };
    const Case cases[] = {
        {"echo", reply_frame(1, 0x06, 0x00), KESTREL_E_REPLY_ECHO},
        {"noise first", {0x55, 0x10, 0x01}, KESTREL_E_REPLY_DLE},
        {"no SOH", {0x10, 0x02}, KESTREL_E_REPLY_SOH},
        {"stuffing broken in the address", {0x10, 0x01, 0x10, 0x11}, KESTREL_E_REPLY_ADDRESS},
        {"check", bad_check, KESTREL_E_REPLY_CHECK},
        {"trailer DLE", bad_dle, KESTREL_E_REPLY_TRAILER_DLE},
        {"trailer STX", bad_stx, KESTREL_E_REPLY_TRAILER_STX},
        {"a wrong echo after a failed command is a late reply, passed over", reply_frame(1, 0x06, 0x00),
         KESTREL_E_NO_REPLY},
        {"other reader", reply_frame(2, 0x05, 0x00), KESTREL_E_REPLY_ADDRESS_RULE},
        {"oversize", oversize, KESTREL_E_REPLY_DATA},
        {"broadcast reply address accepted", reply_frame(0xFF, 0x05, 0x00), KESTREL_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        peer.script({c.reply});
        milliseconds took{};
        EXPECT_EQ(device_info(took), c.code);
    }
}

TEST_F(TcpLink, BytesAfterAReplyAreDiscardedBeforeTheNextTransaction) {
    connect();
    // Trailing bytes, and a whole stale reply, after the answer.
    Bytes noisy = reply_frame(1, 0x07, 0x00, {0x01});
    const Bytes stale = reply_frame(1, 0x07, 0x00, {0x09});
    noisy.insert(noisy.end(), {0x00, 0x55, 0xAA});
    noisy.insert(noisy.end(), stale.begin(), stale.end());
    peer.script({noisy});
    peer.script({reply_frame(1, 0x07, 0x00, {0x03})});
    std::uint8_t number = 0;
    EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_OK);
    EXPECT_EQ(number, 0x01);
    std::this_thread::sleep_for(milliseconds(50));  // the leftovers have surely arrived
    EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_OK);
    EXPECT_EQ(number, 0x03) << "the stale reply was purged, not taken for this one";
}

TEST_F(TcpLink, UnLinkComClosesTheConnectionAndAReconnectWorks) {
    connect();
    EXPECT_EQ(UnLinkCom(), KESTREL_OK);
    EXPECT_EQ(Link_Reader(1), KESTREL_E_SEND_DLE);
    EXPECT_EQ(UnLinkCom(), KESTREL_OK) << "twice in a row";
    connect();
    EXPECT_EQ(peer.connections(), 2);
    // TCP_LinkCom on an open TCP link closes it and connects anew.
    connect();
    EXPECT_EQ(peer.connections(), 3);
    peer.script({reply_frame(1, 0x00, 0x00)});
    EXPECT_EQ(Link_Reader(1), KESTREL_OK);
}

TEST(TcpUnsentCode, TheFirstByteNotTakenNamesTheSerialStep) {
    // Address 0x10 (doubled), command 0x11, two data bytes 0x10 0x22 (the first doubled).
    const Bytes frame = command_frame(0x10, 0x11, {0x10, 0x22});
    // 10 01 | 10 10 | 11 | 02 | 10 10 | 22 | check | 10 02
    ASSERT_EQ(frame.size(), 12u);
    const int expected[] = {KESTREL_E_SEND_DLE,    KESTREL_E_SEND_SOH,     KESTREL_E_SEND_ADDRESS,
                            KESTREL_E_SEND_ADDRESS, KESTREL_E_SEND_COMMAND, KESTREL_E_SEND_LENGTH,
                            KESTREL_E_SEND_DATA,    KESTREL_E_SEND_DATA,    KESTREL_E_SEND_DATA,
                            KESTREL_E_SEND_CHECK,   KESTREL_E_SEND_TRAILER_DLE, KESTREL_E_SEND_TRAILER_STX};
    for (std::size_t sent = 0; sent < 12; ++sent)
        EXPECT_EQ(kestrel::link::unsent_field_code(frame, sent, 2), expected[sent]) << sent;
}
