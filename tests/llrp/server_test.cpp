// The TCP front end: framing of a byte stream, one client at a time, malformed and oversized
// messages answered with ERROR_MESSAGE on a connection that stays usable, CLOSE_CONNECTION,
// and an inventory of the simulated reader through a real reader handle.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "llrp/server.h"
#include "llrp_support.h"
#include "sim/faults.h"
#include "sim/reader_model.h"
#include "sim/scenario.h"
#include "sim/tcp_simulator.h"

namespace kestrel::llrp::test {
namespace {

TEST(LlrpFramer, SplitsAStreamIntoMessagesWhateverTheChunks) {
    Bytes stream;
    const Bytes a = encode(make_message(msg::KEEPALIVE_ACK, 1));
    const Bytes b = encode(with_id(msg::GET_READER_CAPABILITIES, "RequestedData", 0, 2));
    const Bytes too_short = {0x04, 0x01, 0, 0, 0, 4, 0, 0, 0, 3};
    Bytes too_long = {0x04, 0x01, 0x00, 0x20, 0x00, 0x00, 0, 0, 0, 4};  // 2 MiB declared
    too_long.resize(too_long.size() + (2u << 20) - 10, 0xAA);
    for (const Bytes* m : std::initializer_list<const Bytes*>{&a, &too_short, &too_long, &b}) stream.insert(stream.end(), m->begin(), m->end());
    for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, stream.size()}) {
        SCOPED_TRACE(chunk);
        Framer f;
        std::vector<Framer::Frame> frames;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            f.feed({stream.data() + at, std::min(chunk, stream.size() - at)});
            while (auto x = f.next()) frames.push_back(*x);
        }
        ASSERT_EQ(frames.size(), 4u);
        EXPECT_EQ(frames[0].kind, Framer::Kind::message);
        EXPECT_EQ(frames[0].bytes, a);
        EXPECT_EQ(frames[1].kind, Framer::Kind::too_short);
        EXPECT_EQ(frames[2].kind, Framer::Kind::too_long);
        EXPECT_EQ(frames[3].kind, Framer::Kind::message);
        EXPECT_EQ(frames[3].bytes, b);
    }
}

class Client {
public:
    explicit Client(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(port);
        ::inet_pton(AF_INET, "127.0.0.1", &addr.sin_addr);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    }
    ~Client() { ::close(fd_); }
    bool connected() const { return connected_; }
    void send(const Bytes& b) { ASSERT_EQ(::send(fd_, b.data(), b.size(), MSG_NOSIGNAL), static_cast<ssize_t>(b.size())); }
    // The next message, or nullopt when none came within `ms` or the connection ended.
    std::optional<Element> next(int ms = 3000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            if (auto f = framer_.next()) {
                Element e;
                if (auto r = decode(f->bytes, e)) {
                    ADD_FAILURE() << "undecodable: " << r->description;
                    return std::nullopt;
                }
                return e;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
            std::uint8_t buf[65536];
            const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) {
                closed_ = true;
                return std::nullopt;
            }
            framer_.feed({buf, static_cast<std::size_t>(n)});
        }
    }
    std::optional<Element> next_of(std::uint16_t type, int ms = 3000) {
        while (auto m = next(ms))
            if (m->type() == type) return m;
        return std::nullopt;
    }
    bool closed() {
        if (!closed_) next(1000);
        return closed_;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
    bool closed_ = false;
    Framer framer_;
};

class LlrpServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim::load_scenario(sim::default_scenario(), model, plan, error)) << error;
        ASSERT_TRUE(simulator.start("127.0.0.1", 0)) << simulator.error();
        auto port = std::make_unique<KestrelPort>("tcp://127.0.0.1:" + std::to_string(simulator.port()));
        endpoint = std::make_unique<Endpoint>(EndpointOptions{"r1", "127.0.0.1", 0}, std::move(port));
        ASSERT_TRUE(endpoint->listen()) << endpoint->error();
        endpoint->start();
    }
    void TearDown() override {
        endpoint.reset();
        simulator.stop();
    }
    static std::uint64_t status(const Element& m) { return m.find(par::LLRPStatus)->num("StatusCode"); }

    sim::ReaderModel model;
    sim::FaultPlan plan;
    sim::TcpSimulator simulator{model};
    std::unique_ptr<Endpoint> endpoint;
};

TEST_F(LlrpServerTest, OneClientAtATimeTheSecondHearsWhyAndIsClosed) {
    Client first(endpoint->port());
    ASSERT_TRUE(first.connected());
    auto hello = first.next_of(msg::READER_EVENT_NOTIFICATION);
    ASSERT_TRUE(hello);
    EXPECT_EQ(hello->find(par::ReaderEventNotificationData)->find(par::ConnectionAttemptEvent)->num("Status"), 0u);
    {
        Client second(endpoint->port());
        auto refused = second.next_of(msg::READER_EVENT_NOTIFICATION);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->find(par::ReaderEventNotificationData)->find(par::ConnectionAttemptEvent)->num("Status"), 2u)
            << "Failed_A_Client_Initiated_Connection_Already_Exists";
        EXPECT_TRUE(second.closed());
    }
    // The first client is still served.
    first.send(encode(with_id(msg::GET_READER_CAPABILITIES, "RequestedData", 1, 5)));
    auto caps = first.next_of(msg::GET_READER_CAPABILITIES_RESPONSE);
    ASSERT_TRUE(caps);
    EXPECT_EQ(status(*caps), 0u);
    EXPECT_EQ(caps->find(par::GeneralDeviceCapabilities)->text("ReaderFirmwareVersion"), "Heron UHF Reader V1.00");
}

TEST_F(LlrpServerTest, MalformedMessagesGetAnErrorMessageAndTheConnectionStaysSound) {
    Client c(endpoint->port());
    ASSERT_TRUE(c.next_of(msg::READER_EVENT_NOTIFICATION));
    struct Case {
        const char* name;
        Bytes bytes;
        std::uint16_t code;
    };
    Bytes huge = {0x04, 0x01, 0x00, 0x20, 0x00, 0x00, 0, 0, 0, 13};
    huge.resize((2u << 20), 0x55);
    const Case cases[] = {
        {"length below the header", {0x04, 0x01, 0, 0, 0, 3, 0, 0, 0, 11}, status::M_ParameterError},
        {"length over the limit", huge, status::M_ParameterError},
        {"LLRP 1.1 GET_SUPPORTED_VERSION", {0x08, 0x2E, 0, 0, 0, 10, 0, 0, 0, 14}, status::M_UnsupportedVersion},
        {"unknown type", {0x04, 0xFF, 0, 0, 0, 10, 0, 0, 0, 15}, status::M_UnsupportedMessage},
        {"truncated parameter", {0x04, 0x14, 0, 0, 0, 14, 0, 0, 0, 16, 0x00, 0xB1, 0x00, 0x30}, status::M_ParameterError},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        c.send(k.bytes);
        auto err = c.next_of(msg::ERROR_MESSAGE);
        ASSERT_TRUE(err);
        EXPECT_EQ(status(*err), k.code);
        c.send(encode(with_id(msg::GET_READER_CAPABILITIES, "RequestedData", 2, 99)));
        auto caps = c.next_of(msg::GET_READER_CAPABILITIES_RESPONSE);
        ASSERT_TRUE(caps) << "the connection answers after the malformed message";
        EXPECT_EQ(caps->message_id, 99u);
    }
}

TEST_F(LlrpServerTest, InventoriesTheSimulatedReaderAndClosesOnRequest) {
    Client c(endpoint->port());
    ASSERT_TRUE(c.next_of(msg::READER_EVENT_NOTIFICATION));
    RoSpecShape s;
    s.start = 1;  // immediate: starts when enabled
    s.stop = 1;
    s.duration = 300;
    s.report = 2;
    c.send(encode(add_rospec(s, 2)));
    auto added = c.next_of(msg::ADD_ROSPEC_RESPONSE);
    ASSERT_TRUE(added);
    ASSERT_EQ(status(*added), 0u);
    c.send(encode(with_id(msg::ENABLE_ROSPEC, "ROSpecID", 1, 3)));
    auto report = c.next_of(msg::RO_ACCESS_REPORT);
    ASSERT_TRUE(report);
    std::set<Bytes> epcs;
    for (const Element* t : report->all(par::TagReportData)) epcs.insert(t->find(par::EPC_96)->field("EPC").bytes);
    EXPECT_EQ(epcs, (std::set<Bytes>{{0x30, 0x00, 0xE2, 0x00, 0x68, 0x11, 0, 0, 0, 0, 0, 1},
                                     {0x30, 0x00, 0xE2, 0x00, 0x68, 0x11, 0, 0, 0, 0, 0, 2},
                                     {0x34, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA}}));
    c.send(encode(make_message(msg::CLOSE_CONNECTION, 4)));
    auto closing = c.next_of(msg::CLOSE_CONNECTION_RESPONSE);
    ASSERT_TRUE(closing);
    EXPECT_EQ(status(*closing), 0u);
    EXPECT_TRUE(c.closed());
    // The specs outlive the connection; the next client finds them.
    Client again(endpoint->port());
    ASSERT_TRUE(again.next_of(msg::READER_EVENT_NOTIFICATION));
    again.send(encode(make_message(msg::GET_ROSPECS, 5)));
    auto specs = again.next_of(msg::GET_ROSPECS_RESPONSE);
    ASSERT_TRUE(specs);
    EXPECT_EQ(specs->all(par::ROSpec).size(), 1u);
}

}  // namespace
}  // namespace kestrel::llrp::test
