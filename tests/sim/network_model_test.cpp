// The reader's network settings (model, scenario file), the disconnect fault, and the TCP
// front end on its own.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "model_harness.h"
#include "sim/faults.h"
#include "sim/scenario.h"
#include "sim/tcp_simulator.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

constexpr std::uint8_t kSetIp = 0x08;
constexpr std::uint8_t kGetIp = 0x09;

const Bytes kFactoryRecord = hex("C0A80101 FFFFFF00 0C0D0E0F1011 C0A801C8 13DC");

int connect_to(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Everything that arrives within `limit`, and whether the peer closed the connection.
Bytes drain(int fd, std::chrono::milliseconds limit, bool& closed) {
    Bytes got;
    closed = false;
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!closed) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count();
        if (left <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        std::uint8_t b[256];
        const ssize_t n = ::recv(fd, b, sizeof b, 0);
        if (n <= 0) closed = true;
        else got.insert(got.end(), b, b + n);
    }
    return got;
}

}  // namespace

TEST(NetworkModel, TheRecordIsKeptReadBackAndRestored) {
    sim::ReaderModel model;
    EXPECT_EQ(call(model, kGetIp).data, kFactoryRecord);
    const Bytes changed = hex("0A000001 FF000000 02005E100001 0A00002A 1388");
    EXPECT_EQ(call(model, kSetIp, changed).status, sim::kStatusOk);
    EXPECT_EQ(call(model, kGetIp).data, changed);
    EXPECT_EQ(model.settings.network.port, 5000);
    EXPECT_EQ(model.settings.network.ip, (std::array<std::uint8_t, 4>{10, 0, 0, 42}));
    EXPECT_EQ(call(model, 0x02).status, 0);
    EXPECT_EQ(call(model, kGetIp).data, changed) << "a reset keeps the settings";
    EXPECT_EQ(call(model, 0x01).status, 0);
    EXPECT_EQ(call(model, kGetIp).data, kFactoryRecord) << "a factory restore does not";
}

TEST(NetworkModel, RefusesWrongSizesAndPortZero) {
    const struct {
        const char* name;
        std::uint8_t command;
        Bytes request;
    } cases[] = {
        {"19 bytes", kSetIp, Bytes(19, 1)},
        {"21 bytes", kSetIp, Bytes(21, 1)},
        {"port 0", kSetIp, hex("0A000001 FF000000 02005E100001 0A00002A 0000")},
        {"read with data", kGetIp, {0x00}},
    };
    for (const auto& c : cases) {
        sim::ReaderModel model;
        EXPECT_EQ(call(model, c.command, c.request).status, sim::kStatusBadParameter) << c.name;
        EXPECT_EQ(model.settings.network.record(), sim::NetworkSettings{}.record()) << c.name;
    }
}

TEST(NetworkScenario, SettingsComeFromTheFileAndBecomeTheDefaults) {
    sim::ReaderModel model;
    sim::FaultPlan plan;
    std::string error;
    ASSERT_TRUE(sim::load_scenario(R"({"reader": {"network": {"ip": "010.001.002.003", "mask": "255.255.0.0",
        "gateway": "10.1.0.1", "mac": "02-00-5E-10-00-01", "port": 4001}}})",
                                   model, plan, error))
        << error;
    EXPECT_EQ(call(model, kGetIp).data, hex("0A010001 FFFF0000 02005E100001 0A010203 0FA1"));
    EXPECT_EQ(call(model, kSetIp, kFactoryRecord).status, 0);
    EXPECT_EQ(call(model, 0x01).status, 0);
    EXPECT_EQ(call(model, kGetIp).data, hex("0A010001 FFFF0000 02005E100001 0A010203 0FA1"));

    // The default scenario has the factory network.
    sim::ReaderModel standard;
    ASSERT_TRUE(sim::load_scenario(sim::default_scenario(), standard, plan, error)) << error;
    EXPECT_EQ(call(standard, kGetIp).data, kFactoryRecord);

    const struct {
        const char* json;
        const char* error;
    } bad[] = {
        {R"({"reader": {"network": {"ip": "256.0.0.1"}}})", "reader.network.ip"},
        {R"({"reader": {"network": {"ip": "10.0.0"}}})", "reader.network.ip"},
        {R"({"reader": {"network": {"mask": "255.255.255.0.0"}}})", "reader.network.mask"},
        {R"({"reader": {"network": {"gateway": 10}}})", "reader.network.gateway"},
        {R"({"reader": {"network": {"mac": "0C:0D:0E"}}})", "reader.network.mac"},
        {R"({"reader": {"network": {"port": 0}}})", "reader.network.port"},
        {R"({"reader": {"network": {"port": 70000}}})", "reader.network.port"},
        {R"({"reader": {"network": {"speed": 100}}})", "unknown entry 'speed'"},
    };
    for (const auto& b : bad) {
        sim::ReaderModel m;
        std::string e;
        EXPECT_FALSE(sim::load_scenario(b.json, m, plan, e)) << b.json;
        EXPECT_NE(e.find(b.error), std::string::npos) << b.json << ": " << e;
    }
}

TEST(DisconnectFault, SendsHalfTheReplyThenHangsUp) {
    sim::FaultPlan plan;
    sim::FaultRule rule;
    std::string error;
    ASSERT_TRUE(sim::parse_fault("disconnect,command=0x05", rule, error)) << error;
    plan.add(rule);
    const Bytes data;
    const Bytes whole = sim::encode_reply(1, 0x05, sim::Reply{0, Bytes(22, 'x')});
    const sim::Transmission t = plan.apply(sim::Request{1, 0x05, data}, {sim::Chunk{{}, whole}});
    ASSERT_EQ(t.size(), 1u);
    EXPECT_TRUE(t[0].hang_up);
    EXPECT_EQ(t[0].bytes, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() / 2)));
    EXPECT_STREQ(sim::fault_kind_name(sim::FaultKind::disconnect), "disconnect");
}

TEST(TcpSimulator, AnswersOnAPickedPortAndHangsUpOnADisconnectFault) {
    sim::ReaderModel model;
    sim::FaultPlan plan;
    sim::TcpSimulator tcp(model);
    tcp.with_responder([&](sim::Responder& r) { r.set_shaper(plan.shaper()); });
    ASSERT_TRUE(tcp.start("127.0.0.1", 0)) << tcp.error();
    ASSERT_NE(tcp.port(), 0);

    int fd = connect_to(tcp.port());
    ASSERT_GE(fd, 0);
    const Bytes probe = hex("10 01 01 00 00 01 10 02");
    // A frame in two pieces is put together.
    ::send(fd, probe.data(), 3, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ::send(fd, probe.data() + 3, probe.size() - 3, 0);
    bool closed = false;
    EXPECT_EQ(drain(fd, std::chrono::milliseconds(300), closed), hex("10 01 01 00 00 00 00 01 10 02"));
    EXPECT_FALSE(closed);

    sim::FaultRule rule;
    std::string error;
    ASSERT_TRUE(sim::parse_fault("disconnect,command=0x00,count=1", rule, error)) << error;
    tcp.with_responder([&](sim::Responder&) { plan.add(rule); });
    ::send(fd, probe.data(), probe.size(), 0);
    const Bytes half = drain(fd, std::chrono::milliseconds(1000), closed);
    EXPECT_TRUE(closed) << "the reader hung up";
    EXPECT_EQ(half, hex("10 01 01 00 00"));
    ::close(fd);

    // The next client is served, and a partial frame of the one before is forgotten.
    fd = connect_to(tcp.port());
    ASSERT_GE(fd, 0);
    ::send(fd, probe.data(), probe.size(), 0);
    EXPECT_EQ(drain(fd, std::chrono::milliseconds(300), closed), hex("10 01 01 00 00 00 00 01 10 02"));
    ::close(fd);
    EXPECT_EQ(tcp.connections(), 2u);
}

TEST(TcpSimulator, RefusesAnAddressThatIsNotIpv4) {
    sim::ReaderModel model;
    sim::TcpSimulator tcp(model);
    EXPECT_FALSE(tcp.start("localhost", 0));
    EXPECT_NE(tcp.error().find("not an IPv4 address"), std::string::npos) << tcp.error();
}
