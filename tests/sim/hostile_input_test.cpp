// The simulator against hostile input: scenario files that are no small regular file, message
// text that is not UTF-8, and a TCP client that holds the reader without a word.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "link/frame.h"
#include "sim/faults.h"
#include "sim/printable.h"
#include "sim/reader_model.h"
#include "sim/scenario.h"
#include "sim/tcp_simulator.h"

using namespace kestrel;
using Bytes = std::vector<std::uint8_t>;

namespace {

TEST(ScenarioFile, OnlyASmallRegularFileIsRead) {
    const std::string dir = ::testing::TempDir();
    const std::string fifo = dir + "/kestrel-scenario-fifo";
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string big = dir + "/kestrel-scenario-big.json";
    {
        std::ofstream out(big);
        out << "{}";
    }
    ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(sim::kMaxScenarioBytes) + 1), 0);
    const struct {
        std::string path;
        const char* message;
    } cases[] = {
        {"/dev/zero", "not a regular file"},
        {fifo, "not a regular file"},
        {dir, "not a regular file"},
        {big, "larger than 64 MiB"},
        {dir + "/kestrel-no-such-scenario.json", "cannot read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        sim::ReaderModel model;
        sim::FaultPlan plan;
        std::string error;
        EXPECT_FALSE(sim::load_scenario_file(c.path, model, plan, error));  // returns, does not hang
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
    ::unlink(fifo.c_str());
    ::unlink(big.c_str());
}

TEST(Printable, KeepsUtf8AndEscapesEverythingElse) {
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"plain text", "plain text"},
        {"读写器 ok", "读写器 ok"},
        {"\xFF\xFE", "\\xFF\\xFE"},
        {"a\x1B[31mb", "a\\x1B[31mb"},
        {"line\nbreak", "line\\x0Abreak"},
        {"\xC0\xAF", "\\xC0\\xAF"},          // overlong '/'
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"},  // a surrogate
        {"\xE8\xAF", "\\xE8\\xAF"},          // cut short
        {"\xF0\x9F\x93\xA6", "\xF0\x9F\x93\xA6"},
    };
    for (const auto& c : cases) EXPECT_EQ(sim::printable(c.in), c.out) << c.out;
}

int connect_to(std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A client that connects and says nothing gives way, after the idle limit, to one that waits.
TEST(TcpSimulator, ASilentClientGivesWayToAWaitingOne) {
    sim::ReaderModel model;
    sim::TcpSimulator tcp(model);
    tcp.set_idle_limit(std::chrono::milliseconds(300));
    ASSERT_TRUE(tcp.start()) << tcp.error();
    const int silent = connect_to(tcp.port());
    ASSERT_GE(silent, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const int waiting = connect_to(tcp.port());
    ASSERT_GE(waiting, 0);
    Bytes probe(link::kMaxCommandFrame);
    probe.resize(link::encode_command_frame(1, 0x00, {}, probe));
    ASSERT_EQ(::send(waiting, probe.data(), probe.size(), MSG_NOSIGNAL), static_cast<ssize_t>(probe.size()));
    timeval wait{2, 0};
    ::setsockopt(waiting, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    std::uint8_t reply[64];
    const auto from = std::chrono::steady_clock::now();
    const ssize_t n = ::recv(waiting, reply, sizeof reply, 0);
    EXPECT_GT(n, 0) << "the waiting client is served";
    EXPECT_LT(std::chrono::steady_clock::now() - from, std::chrono::milliseconds(1000));
    // The silent one was dropped: its end of the connection reads end of file.
    std::uint8_t b = 0;
    EXPECT_EQ(::recv(silent, &b, 1, MSG_DONTWAIT), 0);
    EXPECT_EQ(tcp.connections(), 2u);
    ::close(silent);
    ::close(waiting);
    tcp.stop();
}

}  // namespace
