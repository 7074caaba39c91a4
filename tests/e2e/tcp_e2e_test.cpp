// The network link end to end: the library over TCP (loopback only) against the simulated
// reader's network front end, beside its pseudo-terminal, and against the readersim program
// killed and started again.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kestrel.h"
#include "support/fault_cases.h"
#include "link/frame.h"
#include "link/session.h"
#include "sim/faults.h"
#include "sim/pty_simulator.h"
#include "sim/reader_model.h"
#include "sim/scenario.h"
#include "sim/tcp_simulator.h"

using namespace std::chrono;
using namespace kestrel;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr const char* kLoopback = "127.0.0.1";

template <typename F>
auto timed(F f, milliseconds& took) {
    const auto start = steady_clock::now();
    auto r = f();
    took = duration_cast<milliseconds>(steady_clock::now() - start);
    return r;
}

// One export of every family, each call's result and the bytes it left in its buffer.
struct Outcome {
    int result = -1;
    Bytes out;
    bool operator==(const Outcome&) const = default;
};

std::vector<std::pair<const char*, std::function<Outcome()>>> one_of_every_family() {
    auto with = [](std::size_t size, auto call) {
        return [size, call] {
            Outcome o;
            std::array<std::uint8_t, 2600> out{};
            o.result = call(out.data());
            o.out.assign(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(size));
            return o;
        };
    };
    return {
        {"device: GetDeviceInfo", with(22, [](std::uint8_t* o) { return GetDeviceInfo(1, o); })},
        {"RF: Get_Work_Param", with(7, [](std::uint8_t* o) { return Get_Work_Param(1, o); })},
        {"EPC: inventory and tag list",
         with(64, [](std::uint8_t* o) { return EPC_Query_ON(1) | EPC_Read_Tag_List(1, 0, 10, o); })},
        {"GB: inventory and tag list",
         with(64, [](std::uint8_t* o) { return GB_Query_ON(1) | GB_Read_Tag_List(1, 0, 10, o); })},
        {"GJB: inventory and tag list",
         with(64, [](std::uint8_t* o) { return GJB_Query_ON(1) | GJB_Read_Tag_List(1, 0, 10, o); })},
        {"FD: GB lock information", with(16, [](std::uint8_t* o) { return GB_FD_Cust_Lock_Info(1, o); })},
        {"PSAM: power on", with(32, [](std::uint8_t* o) { return PSAM_POWER_ON(1, 1, 1, o); })},
        {"FM151M: identity", with(16, [](std::uint8_t* o) { return FM151M_Get_ID(1, o); })},
        {"network: Get_IP_Address", with(20, [](std::uint8_t* o) { return Get_IP_Address(1, o); })},
    };
}

bool load_default(sim::ReaderModel& model, sim::FaultPlan& plan) {
    std::string error;
    return sim::load_scenario(sim::default_scenario(), model, plan, error);
}

// The reader on TCP (and on a pseudo-terminal beside it), one model behind both.
class NetworkReader : public ::testing::Test {
protected:
    void SetUp() override {
        UnLinkCom();
        ASSERT_TRUE(load_default(model, plan));
        tcp.with_responder([&](sim::Responder& r) { r.set_shaper(plan.shaper()); });
        pty.with_responder([&](sim::Responder& r) { r.set_shaper(plan.shaper()); });
        ASSERT_TRUE(tcp.start(kLoopback, 0)) << tcp.error();
        ASSERT_TRUE(pty.start()) << pty.error();
        ::setenv("KESTREL_COM1", pty.slave_path().c_str(), 1);
    }
    void TearDown() override {
        UnLinkCom();
        tcp.stop();
        pty.stop();
        ::unsetenv("KESTREL_COM1");
    }
    int connect() { return TCP_LinkCom(1, tcp.port(), kLoopback); }
    template <typename F>
    void with_model(F f) {
        tcp.with_responder([&](sim::Responder&) { f(model); });
    }

    std::mutex model_lock;
    sim::ReaderModel model;
    sim::FaultPlan plan{5};
    sim::TcpSimulator tcp{model, model_lock};
    sim::PtySimulator pty{model, model_lock};
};

// A raw client on the simulator's port, for watching what the reader does to a second client.
class RawClient {
public:
    explicit RawClient(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    ~RawClient() { ::close(fd_); }
    bool connected() const { return connected_; }
    void send(const Bytes& b) { ::send(fd_, b.data(), b.size(), MSG_NOSIGNAL); }
    // Bytes that arrive within `limit`.
    Bytes receive(milliseconds limit, std::size_t want) {
        Bytes got;
        const auto until = steady_clock::now() + limit;
        while (got.size() < want) {
            const auto left = duration_cast<milliseconds>(until - steady_clock::now()).count();
            if (left <= 0) break;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
            std::uint8_t b[256];
            const ssize_t n = ::recv(fd_, b, sizeof b, 0);
            if (n <= 0) break;
            got.insert(got.end(), b, b + n);
        }
        return got;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

Bytes probe_frame() { return {0x10, 0x01, 0x01, 0x00, 0x00, 0x01, 0x10, 0x02}; }
Bytes probe_reply() { return {0x10, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x10, 0x02}; }

}  // namespace

TEST_F(NetworkReader, EveryFamilyWorksOverTcpAsOverSerial) {
    // Over the pseudo-terminal first, for the reference.
    ASSERT_EQ(LinkCom(1, 0, 115200), KESTREL_OK);
    std::vector<Outcome> serial;
    for (auto& [name, call] : one_of_every_family()) serial.push_back(call());
    UnLinkCom();
    with_model([](sim::ReaderModel& m) { m.reset(); });

    // The masked text with zero-padded groups connects as well.
    ASSERT_EQ(TCP_LinkCom(1, tcp.port(), "127.000.000.001"), KESTREL_OK);
    std::size_t i = 0;
    for (auto& [name, call] : one_of_every_family()) {
        const Outcome o = call();
        EXPECT_EQ(o.result, 0) << name;
        EXPECT_EQ(o, serial[i]) << name;
        ++i;
    }
    EXPECT_EQ(UnLinkCom(), KESTREL_OK);
    std::uint8_t number = 0;
    EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_E_SEND_DLE) << "no link after UnLinkCom";
    ASSERT_EQ(connect(), KESTREL_OK) << "reconnect";
    EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_OK);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(tcp.connections(), 2u);
}

TEST_F(NetworkReader, TheRecordGoesRoundTripThroughTheReader) {
    ASSERT_EQ(connect(), KESTREL_OK);
    std::array<std::uint8_t, KESTREL_IP_RECORD_SIZE> record{};
    ASSERT_EQ(Get_IP_Address(1, record.data()), KESTREL_OK);
    // The scenario's network: gateway 192.168.1.1, mask 255.255.255.0, MAC 0C:0D:0E:0F:10:11,
    // IP 192.168.1.200, port 5084.
    EXPECT_EQ(Bytes(record.begin(), record.end()),
              (Bytes{0xC0, 0xA8, 0x01, 0x01, 0xFF, 0xFF, 0xFF, 0x00, 0x0C, 0x0D,
                     0x0E, 0x0F, 0x10, 0x11, 0xC0, 0xA8, 0x01, 0xC8, 0x13, 0xDC}));
    std::array<std::uint8_t, KESTREL_IP_RECORD_SIZE> changed{10, 0, 0, 1, 255, 0, 0, 0, 0x02, 0x00,
                                                             0x5E, 0x10, 0x00, 0x01, 10, 0, 0, 42, 0x13, 0x88};
    ASSERT_EQ(Set_IP_Address(1, changed.data()), KESTREL_OK);
    record.fill(0xEE);
    ASSERT_EQ(Get_IP_Address(1, record.data()), KESTREL_OK);
    EXPECT_EQ(record, changed);
    with_model([&](sim::ReaderModel& m) { EXPECT_EQ(m.settings.network.port, 5000); });
    // A port of 0 is refused by the reader, and nothing changes.
    std::array<std::uint8_t, KESTREL_IP_RECORD_SIZE> no_port = changed;
    no_port[18] = no_port[19] = 0;
    EXPECT_EQ(Set_IP_Address(1, no_port.data()), sim::kStatusBadParameter);
    ASSERT_EQ(Get_IP_Address(1, record.data()), KESTREL_OK);
    EXPECT_EQ(record, changed);
    // A factory restore returns to the scenario's settings.
    ASSERT_EQ(DeviceRestore(1), KESTREL_OK);
    ASSERT_EQ(Get_IP_Address(1, record.data()), KESTREL_OK);
    EXPECT_EQ(record[19], 0xDC);
}

TEST_F(NetworkReader, FaultsGiveTheSerialCodesAndADisconnectFailsAtOnce) {
    ASSERT_EQ(connect(), KESTREL_OK);
    test::expect_stream_fault_results([&](auto change) { with_model([&](sim::ReaderModel&) { change(plan); }); });

    // The reader hangs up halfway through the reply: the export fails without waiting.
    sim::FaultRule rule;
    std::string error;
    ASSERT_TRUE(sim::parse_fault("disconnect,command=0x05,count=1", rule, error)) << error;
    with_model([&](sim::ReaderModel&) { plan.add(rule); });
    std::array<std::uint8_t, KESTREL_DEVICE_INFO_SIZE> info{};
    milliseconds took{};
    const int code = timed([&] { return GetDeviceInfo(1, info.data()); }, took);
    EXPECT_GE(code, KESTREL_E_REPLY_SOH_MISSING);
    EXPECT_LE(code, KESTREL_E_REPLY_TRAILER_STX_MISSING);
    EXPECT_LT(took, milliseconds(80)) << "a closed connection is not waited out";
    // The connection is gone: commands fail at once until the next TCP_LinkCom.
    EXPECT_NE(timed([&] { return GetDeviceInfo(1, info.data()); }, took), KESTREL_OK);
    EXPECT_LT(took, milliseconds(80));
    ASSERT_EQ(connect(), KESTREL_OK);
    EXPECT_EQ(GetDeviceInfo(1, info.data()), KESTREL_OK);
}

TEST_F(NetworkReader, OneClientAtATimeTheNextOneWaits) {
    ASSERT_EQ(connect(), KESTREL_OK);
    RawClient second(tcp.port());
    ASSERT_TRUE(second.connected()) << "the listen queue takes it";
    second.send(probe_frame());
    EXPECT_TRUE(second.receive(milliseconds(300), 1).empty()) << "not served while the library is";
    std::uint8_t number = 0;
    EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_OK) << "the first client is still served";
    ASSERT_EQ(UnLinkCom(), KESTREL_OK);
    EXPECT_EQ(second.receive(milliseconds(2000), probe_reply().size()), probe_reply()) << "served once it is its turn";
}

TEST_F(NetworkReader, SwitchingBetweenSerialAndTcpWithoutUnlinkLeavesNothingOpen) {
    ASSERT_EQ(LinkCom(1, 0, 115200), KESTREL_OK);
    ASSERT_EQ(connect(), KESTREL_OK) << "TCP_LinkCom closes the serial link first";
    ASSERT_NE(link::session().link, nullptr);
    EXPECT_EQ(link::session().link->transport(), link::Transport::tcp) << "one link, the new one";
    {
        // The port is free: another program can take it.
        const int fd = ::open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        ::close(fd);
    }
    std::uint8_t number = 0;
    EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_OK);

    ASSERT_EQ(LinkCom(1, 0, 115200), KESTREL_OK) << "LinkCom closes the TCP link first";
    ASSERT_NE(link::session().link, nullptr);
    EXPECT_EQ(link::session().link->transport(), link::Transport::serial) << "one link, the new one";
    EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_OK);
    // The simulator saw the connection end: a second client is served at once.
    RawClient other(tcp.port());
    other.send(probe_frame());
    EXPECT_EQ(other.receive(milliseconds(2000), probe_reply().size()), probe_reply());
}

// The readersim program, started and killed as a process.
class ReadersimProcess {
public:
    ~ReadersimProcess() { kill(); }

    // Starts readersim with `args`, TCP only, and waits (bounded) for the port it prints.
    bool start(const std::vector<std::string>& args) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return false;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            std::vector<char*> argv{const_cast<char*>(KESTREL_READERSIM_PROGRAM)};
            for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(KESTREL_READERSIM_PROGRAM, argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        std::string text;
        const auto until = steady_clock::now() + seconds(10);
        const auto has_port = [&] {
            const auto at = text.find("tcp 127.0.0.1:");
            return at != std::string::npos && text.find('\n', at) != std::string::npos;
        };
        while (!has_port() && steady_clock::now() < until) {
            pollfd p{out[0], POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            char b[256];
            const ssize_t n = ::read(out[0], b, sizeof b);
            if (n <= 0) break;
            text.append(b, static_cast<std::size_t>(n));
        }
        ::close(out[0]);
        const auto at = text.find("tcp 127.0.0.1:");
        if (at == std::string::npos) return false;
        port_ = std::stoi(text.substr(at + 14));
        return true;
    }
    void kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    pid_t pid() const { return pid_; }
    int port() const { return port_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

TEST(ReadersimOverTcp, KilledMidTransactionFailsWithinTheWaitAndReconnectsOnceBack) {
    UnLinkCom();
    ReadersimProcess sim;
    // The identity request is answered only after 5 s: the process is killed before that.
    ASSERT_TRUE(sim.start({"--no-pty", "--tcp", "0", "--fault", "delay,command=0x05,delay_ms=5000"}));
    ASSERT_EQ(TCP_LinkCom(1, sim.port(), kLoopback), KESTREL_OK);

    std::thread killer([&] {
        std::this_thread::sleep_for(milliseconds(300));
        ::kill(sim.pid(), SIGKILL);
    });
    std::array<std::uint8_t, KESTREL_DEVICE_INFO_SIZE> info{};
    milliseconds took{};
    const int code = timed([&] { return GetDeviceInfo(1, info.data()); }, took);
    killer.join();
    sim.kill();
    EXPECT_EQ(code, KESTREL_E_NO_REPLY);
    EXPECT_LT(took, milliseconds(1000)) << "the closed connection ends the wait, well inside 1.6 s";

    // While it is down, a connect is refused at once; once it is back on the same port, it works.
    EXPECT_EQ(timed([&] { return TCP_LinkCom(1, sim.port(), kLoopback); }, took), KESTREL_E_OPEN);
    EXPECT_LT(took, milliseconds(3000));
    ReadersimProcess again;
    ASSERT_TRUE(again.start({"--no-pty", "--tcp", std::to_string(sim.port())}));
    ASSERT_EQ(TCP_LinkCom(1, again.port(), kLoopback), KESTREL_OK);
    EXPECT_EQ(GetDeviceInfo(1, info.data()), KESTREL_OK);
    EXPECT_EQ(std::string(info.begin(), info.begin() + 5), "Heron");
    UnLinkCom();
}

TEST(ReadersimOverTcp, ServesTheTerminalAndTheNetworkTogether) {
    UnLinkCom();
    const std::string link = ::testing::TempDir() + "/readersim-tcp-com1";
    ReadersimProcess sim;
    ASSERT_TRUE(sim.start({"--tcp", "0", "--link", link}));
    ::setenv("KESTREL_COM1", link.c_str(), 1);
    ASSERT_EQ(LinkCom(1, 0, 115200), KESTREL_OK);
    std::uint8_t number = 0;
    EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_OK);
    ASSERT_EQ(TCP_LinkCom(1, sim.port(), kLoopback), KESTREL_OK);
    // Both front ends share the one reader: a number written over TCP is read over serial.
    EXPECT_EQ(WriteDeviceNo(1, 7), KESTREL_OK);
    ASSERT_EQ(LinkCom(7, 0, 115200), KESTREL_OK);
    EXPECT_EQ(ReadDeviceNo(7, &number), KESTREL_OK);
    EXPECT_EQ(number, 7);
    UnLinkCom();
    ::unsetenv("KESTREL_COM1");
}
