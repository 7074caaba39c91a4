// Reader handles end to end: URIs, many readers from many threads, capacities, cancel, trace
// and the typed inventory, against simulated readers on pseudo-terminals and over TCP.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "kestrel.h"
#include "kestrel/reader.h"
#include "link/frame.h"
#include "link/uri.h"
#include "sim/faults.h"
#include "sim/pty_simulator.h"
#include "sim/reader_model.h"
#include "sim/tag_model.h"
#include "sim/tcp_simulator.h"

using namespace std::chrono;
using namespace kestrel;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A simulated reader on its own pseudo-terminal, with its own device number.
struct PtyReader {
    explicit PtyReader(std::uint8_t number = 1) {
        model.set_number(number);
        started = pty.start();
    }
    ~PtyReader() { pty.stop(); }
    std::string uri(const std::string& query = "") const {
        return "serial://" + pty.slave_path() + (query.empty() ? "" : "?" + query);
    }
    sim::ReaderModel model;
    sim::PtySimulator pty{model};
    bool started = false;
};

struct Handle {
    kestrel_reader* r = nullptr;
    ~Handle() { kestrel_close(r); }
};

// An output array with guard bytes on both sides: nothing may be written outside `size`.
struct Guarded {
    explicit Guarded(std::size_t size) : bytes(size + 2 * kGuard, kFill) {}
    std::uint8_t* data() { return bytes.data() + kGuard; }
    bool guards_intact() const {
        for (std::size_t i = 0; i < kGuard; ++i)
            if (bytes[i] != kFill || bytes[bytes.size() - 1 - i] != kFill) return false;
        return true;
    }
    static constexpr std::size_t kGuard = 16;
    static constexpr std::uint8_t kFill = 0xA5;
    std::vector<std::uint8_t> bytes;
};

TEST(ReaderUri, ParsesWhatItNamesAndRefusesTheRest) {
    const struct {
        const char* uri;
        link::Transport transport;
        const char* where;  // device, or host
        std::uint32_t number;  // COM index, TCP port or USB index
        std::int32_t baud;
        int address;
    } cases[] = {
        {"serial:///dev/ttyUSB0?baud=115200&address=1", link::Transport::serial, "/dev/ttyUSB0", 0, 115200, 1},
        {"serial:/dev/ttyS1", link::Transport::serial, "/dev/ttyS1", 0, 115200, 255},
        {"serial:///dev/pts/3?address=0&baud=9600", link::Transport::serial, "/dev/pts/3", 0, 9600, 0},
        {"serial:COM3", link::Transport::serial, "", 2, 115200, 255},
        {"serial:com10?baud=57600", link::Transport::serial, "", 9, 57600, 255},
        {"tcp://192.168.1.200:5084", link::Transport::tcp, "192.168.1.200", 5084, 115200, 255},
        {"tcp://reader-7.local:4001?address=7", link::Transport::tcp, "reader-7.local", 4001, 115200, 7},
        {"tcp://[::1]:4001", link::Transport::tcp, "::1", 4001, 115200, 255},
        {"usb:", link::Transport::usb, "", 0, 115200, 255},
        {"usb:2?address=3", link::Transport::usb, "", 2, 115200, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.uri);
        link::ReaderUri uri;
        ASSERT_TRUE(link::parse_reader_uri(c.uri, uri));
        EXPECT_EQ(uri.transport, c.transport);
        EXPECT_EQ(uri.address, c.address);
        if (c.transport == link::Transport::serial) {
            EXPECT_STREQ(uri.device, c.where);
            if (uri.device[0] == '\0') {
                EXPECT_EQ(uri.port_index, c.number);
            }
            EXPECT_EQ(uri.baud, c.baud);
        } else if (c.transport == link::Transport::tcp) {
            EXPECT_STREQ(uri.host, c.where);
            EXPECT_EQ(uri.tcp_port, c.number);
        } else {
            EXPECT_EQ(uri.usb_index, c.number);
        }
    }
    const char* const malformed[] = {
        "", "serial:", "serial://dev/ttyS0", "serial:COM0",
        "serial:COM11", "serial:COM01", "serial:/dev/x?baud=1200",
        "serial:/dev/x?baud=", "serial:/dev/x?address=256", "serial:/dev/x?address=-1",
        "serial:/dev/x?address=1&address=2", "serial:/dev/x?speed=9600",
        "serial:/dev/x?", "serial:/dev/x?address=1&", "tcp://10.0.0.1",
        "tcp://10.0.0.1:", "tcp://10.0.0.1:0", "tcp://10.0.0.1:65536",
        "tcp://10.0.0.1:80?baud=9600", "tcp://[::1:80", "tcp://ho st:80",
        "tcp:10.0.0.1:80", "usb:x", "usb:-1", "udp://10.0.0.1:80",
        "SERIAL:/dev/x", "serial:/dev/\x01x",
    };
    link::ReaderUri uri;
    for (const char* text : malformed) EXPECT_FALSE(link::parse_reader_uri(text, uri)) << text;
    EXPECT_FALSE(link::parse_reader_uri(nullptr, uri));
    EXPECT_FALSE(link::parse_reader_uri(("serial:/" + std::string(1100, 'x')).c_str(), uri)) << "longer than allowed";
    EXPECT_FALSE(link::parse_reader_uri(("serial:/" + std::string(300, 'x')).c_str(), uri)) << "path too long";
}

TEST(ReaderHandle, OpenRefusesBadUrisAndArgumentsWithNothingOpened) {
    kestrel_reader* r = reinterpret_cast<kestrel_reader*>(0x1);
    EXPECT_EQ(kestrel_open("serial:COM0", &r), KESTREL_E_BAD_URI);
    EXPECT_EQ(r, nullptr);
    EXPECT_EQ(kestrel_open(nullptr, &r), KESTREL_E_BAD_URI);
    EXPECT_EQ(kestrel_open("usb:", nullptr), KESTREL_E_ARGUMENT);
    EXPECT_EQ(kestrel_open("serial:///dev/kestrel-no-such-port", &r), KESTREL_E_OPEN);
    EXPECT_EQ(r, nullptr);
    // Every call refuses a null handle.
    std::uint8_t b[32];
    std::size_t n = 99;
    EXPECT_EQ(kestrel_GetDeviceInfo(nullptr, b, sizeof b, &n), KESTREL_E_ARGUMENT);
    EXPECT_EQ(kestrel_probe(nullptr), KESTREL_E_ARGUMENT);
    EXPECT_EQ(kestrel_cancel(nullptr), KESTREL_E_ARGUMENT);
    EXPECT_EQ(kestrel_get_transport(nullptr), KESTREL_E_ARGUMENT);
    kestrel_close(nullptr);
    EXPECT_STREQ(kestrel_result_string(KESTREL_E_CANCELLED), "KESTREL_E_CANCELLED");
    EXPECT_STREQ(kestrel_result_string(7), "reader status");
}

TEST(ReaderHandle, OutputsStayWithinTheirCapacity) {
    PtyReader reader;
    ASSERT_TRUE(reader.started) << reader.pty.error();
    Handle h;
    ASSERT_EQ(kestrel_open(reader.uri("address=1").c_str(), &h.r), KESTREL_OK);
    EXPECT_EQ(kestrel_get_transport(h.r), KESTREL_TRANSPORT_SERIAL);
    EXPECT_EQ(kestrel_get_address(h.r), 1);

    struct Case {
        const char* what;
        std::size_t capacity;
        int result;
        std::size_t length;
    };
    // GetDeviceInfo: a fixed 22 bytes. A smaller array is refused before anything is sent.
    for (const Case& c : {Case{"exact", 22, KESTREL_OK, 22}, Case{"larger", 40, KESTREL_OK, 22},
                          Case{"smaller", 21, KESTREL_E_ARGUMENT, 0}, Case{"none", 0, KESTREL_E_ARGUMENT, 0}}) {
        SCOPED_TRACE(c.what);
        Guarded out(c.capacity);
        std::size_t length = 99;
        EXPECT_EQ(kestrel_GetDeviceInfo(h.r, out.data(), c.capacity, &length), c.result);
        EXPECT_EQ(length, c.length);
        EXPECT_TRUE(out.guards_intact());
    }

    // A reply-sized output cut at the capacity: the first bytes, and BUFFER_SMALL.
    ASSERT_EQ(kestrel_EPC_Query_ON(h.r), 0);
    for (const Case& c : {Case{"whole block", 2048, 0, 0}, Case{"three bytes", 3, KESTREL_E_BUFFER_SMALL, 3}}) {
        SCOPED_TRACE(c.what);
        Guarded out(c.capacity);
        std::size_t length = 0;
        EXPECT_EQ(kestrel_EPC_Read_Tag_List(h.r, 0, 10, out.data(), c.capacity, &length), c.result);
        const std::size_t stated = static_cast<std::size_t>(out.data()[0] << 8 | out.data()[1]);
        EXPECT_EQ(length, c.result == KESTREL_E_BUFFER_SMALL ? c.length : stated);
        EXPECT_TRUE(out.guards_intact());
    }

    // Input records: one whose count describes more than its size, and one longer than a frame.
    std::array<std::uint8_t, 8> write{3, 0x00, 0x00, 2, 1, 2, 3, 4};  // 2 words = 8 bytes
    std::uint8_t verdict = 0xEE;
    EXPECT_EQ(kestrel_EPC_Write_TAG(h.r, write.data(), 7, &verdict), KESTREL_E_ARGUMENT) << "one byte short";
    EXPECT_EQ(verdict, 0xEE);
    std::vector<std::uint8_t> big(4 + 2 * 126, 0x11);
    big[0] = 3, big[1] = 0, big[2] = 0, big[3] = 126;
    EXPECT_EQ(kestrel_EPC_Write_TAG(h.r, big.data(), big.size(), &verdict), KESTREL_E_REQUEST_TOO_LONG);
    EXPECT_NE(kestrel_EPC_Write_TAG(h.r, write.data(), write.size(), nullptr), KESTREL_E_ARGUMENT)
        << "the verdict may be dropped";
    EXPECT_EQ(kestrel_GetDeviceInfo(h.r, nullptr, 22, nullptr), KESTREL_E_ARGUMENT);
    EXPECT_EQ(kestrel_probe(h.r), KESTREL_OK) << "the refusals sent nothing that spoils the link";
}

TEST(ReaderHandle, WriteDeviceNoMovesTheHandlesAddress) {
    PtyReader reader(4);
    ASSERT_TRUE(reader.started);
    Handle h;
    ASSERT_EQ(kestrel_open(reader.uri("address=4").c_str(), &h.r), KESTREL_OK);
    ASSERT_EQ(kestrel_WriteDeviceNo(h.r, 9), KESTREL_OK);
    EXPECT_EQ(kestrel_get_address(h.r), 9);
    std::uint8_t number = 0;
    std::size_t length = 0;
    ASSERT_EQ(kestrel_ReadDeviceNo(h.r, &number, 1, &length), KESTREL_OK);
    EXPECT_EQ(number, 9);
    EXPECT_EQ(length, 1u);
    ASSERT_EQ(kestrel_set_address(h.r, 4), KESTREL_OK);
    EXPECT_EQ(kestrel_probe(h.r), KESTREL_E_NO_REPLY) << "reader 4 is gone";
}

// Sixteen readers, sixteen threads, plus two more threads sharing one handle: every reply is
// the one its own reader sent for its own request.
TEST(ReaderHandle, ManyReadersFromManyThreadsNeverCrossTheirReplies) {
    constexpr int kReaders = 16;
    constexpr int kCalls = 40;
    std::vector<std::unique_ptr<PtyReader>> readers;
    std::vector<Handle> handles(kReaders);
    for (int i = 0; i < kReaders; ++i) {
        readers.push_back(std::make_unique<PtyReader>(static_cast<std::uint8_t>(i + 1)));
        ASSERT_TRUE(readers.back()->started);
        const std::string uri = readers.back()->uri("address=" + std::to_string(i + 1));
        ASSERT_EQ(kestrel_open(uri.c_str(), &handles[i].r), KESTREL_OK) << uri;
    }
    std::atomic<int> wrong{0}, failed{0};
    auto hammer = [&](kestrel_reader* r, std::uint8_t expected) {
        for (int k = 0; k < kCalls; ++k) {
            std::uint8_t number = 0;
            std::array<std::uint8_t, 22> info{};
            if (kestrel_ReadDeviceNo(r, &number, 1, nullptr) != KESTREL_OK ||
                kestrel_GetDeviceInfo(r, info.data(), info.size(), nullptr) != KESTREL_OK)
                ++failed;
            else if (number != expected)
                ++wrong;
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < kReaders; ++i) threads.emplace_back(hammer, handles[i].r, static_cast<std::uint8_t>(i + 1));
    threads.emplace_back(hammer, handles[0].r, 1);  // a second thread on reader 1's handle
    for (auto& t : threads) t.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(failed, 0);
}

// The exports of kestrel.h from two threads at once on the default link: each call runs whole.
TEST(DefaultLink, TwoThreadsOnTheExportsNeverGetEachOthersReplies) {
    PtyReader reader(1);
    ASSERT_TRUE(reader.started);
    ::setenv("KESTREL_COM1", reader.pty.slave_path().c_str(), 1);
    ASSERT_EQ(LinkCom(1, 0, 115200), KESTREL_OK);
    std::atomic<int> wrong{0}, failed{0};
    std::thread temperature([&] {
        for (int k = 0; k < 60; ++k) {
            std::uint8_t t = 0;
            if (Read_DeviceTemp(1, &t) != KESTREL_OK) ++failed;
            else if (t != 36) ++wrong;
        }
    });
    std::thread number([&] {
        for (int k = 0; k < 60; ++k) {
            std::uint8_t n = 0;
            if (ReadDeviceNo(1, &n) != KESTREL_OK) ++failed;
            else if (n != 1) ++wrong;
        }
    });
    temperature.join();
    number.join();
    UnLinkCom();
    ::unsetenv("KESTREL_COM1");
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(failed, 0);
}

TEST(ReaderHandle, CancelEndsTheWaitAndTheLinkStaysUsable) {
    sim::FaultPlan plan;  // outlives the simulator that uses it
    PtyReader reader;
    ASSERT_TRUE(reader.started);
    sim::FaultRule late;
    late.kind = sim::FaultKind::delay;
    late.command = 0x05;
    late.count = 1;
    late.delay_ms = 1200;
    plan.add(late);
    reader.pty.with_responder([&](sim::Responder& r) { r.set_shaper(plan.shaper()); });
    Handle h;
    ASSERT_EQ(kestrel_open(reader.uri("address=1").c_str(), &h.r), KESTREL_OK);

    kestrel_cancel(h.r);  // a cancel before the call is forgotten when it starts
    std::thread canceller([&] {
        std::this_thread::sleep_for(milliseconds(200));
        kestrel_cancel(h.r);
    });
    std::array<std::uint8_t, 22> info{};
    const auto from = steady_clock::now();
    const int code = kestrel_GetDeviceInfo(h.r, info.data(), info.size(), nullptr);
    const auto took = steady_clock::now() - from;
    canceller.join();
    EXPECT_EQ(code, KESTREL_E_CANCELLED);
    EXPECT_GE(took, milliseconds(190));
    EXPECT_LT(took, milliseconds(400));
    // The reply still on its way is drained: the next call gets its own answer.
    std::uint8_t number = 0;
    EXPECT_EQ(kestrel_ReadDeviceNo(h.r, &number, 1, nullptr), KESTREL_OK);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(kestrel_GetDeviceInfo(h.r, info.data(), info.size(), nullptr), KESTREL_OK);
}

// A cancel during a long tag list (a paced reader sending blocks of 2 KB at 9600 baud) ends the
// inventory at once, with the tags delivered so far counted.
TEST(ReaderHandle, CancelEndsALongInventory) {
    PtyReader reader;
    ASSERT_TRUE(reader.started);
    reader.pty.with_responder([](sim::Responder&) {});
    for (int n = 0; n < 600; ++n) {
        sim::Tag t = sim::Tag::blank(sim::Standard::epc);
        t.set_epc(Bytes{0x30, 0x00, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
        reader.pty.with_responder([&](sim::Responder&) { reader.model.field.tags.push_back(t); });
    }
    Handle h;
    ASSERT_EQ(kestrel_open(reader.uri("address=1&baud=9600").c_str(), &h.r), KESTREL_OK);
    reader.pty.set_pacing(9600);
    std::atomic<bool> done{false};
    steady_clock::time_point cancelled{};
    std::thread canceller([&] {
        std::this_thread::sleep_for(milliseconds(600));
        cancelled = steady_clock::now();
        kestrel_cancel(h.r);
    });
    std::size_t count = 0;
    auto ignore = [](void*, const kestrel_tag*) { return 0; };
    const int code = kestrel_inventory(h.r, KESTREL_STANDARD_EPC, 255, ignore, nullptr, &count);
    const auto returned = steady_clock::now();
    canceller.join();
    EXPECT_EQ(code, KESTREL_E_CANCELLED);
    EXPECT_LT(returned - cancelled, milliseconds(50)) << "within the 10 ms slice, with the scheduler's margin";
    EXPECT_LT(count, 600u);
    reader.pty.set_pacing(0);
    EXPECT_EQ(kestrel_probe(h.r), KESTREL_OK) << "the link stays usable";
}

struct TraceLog {
    struct Event {
        int direction;
        int result;
        std::int64_t time_ns;
        std::uint8_t address, command;
        Bytes bytes;
    };
    std::vector<Event> events;
    static void on(void* context, const kestrel_trace_event* e) {
        static_cast<TraceLog*>(context)->events.push_back(
            {e->direction, e->result, e->time_ns, e->address, e->command, Bytes(e->bytes, e->bytes + e->length)});
    }
};

TEST(ReaderHandle, TraceReportsTheBytesOnTheWire) {
    PtyReader reader(0x10);  // a number that is stuffed on the wire
    ASSERT_TRUE(reader.started);
    Handle h;
    ASSERT_EQ(kestrel_open(reader.uri("address=16").c_str(), &h.r), KESTREL_OK);
    TraceLog log;
    ASSERT_EQ(kestrel_set_trace(h.r, TraceLog::on, &log), KESTREL_OK);
    const std::int64_t before = kestrel_steady_ns();
    std::uint8_t number = 0;
    ASSERT_EQ(kestrel_ReadDeviceNo(h.r, &number, 1, nullptr), KESTREL_OK);
    ASSERT_EQ(log.events.size(), 2u);
    const auto& sent = log.events[0];
    const auto& received = log.events[1];
    EXPECT_EQ(sent.direction, KESTREL_TRACE_SENT);
    Bytes frame(link::kMaxCommandFrame);
    frame.resize(link::encode_command_frame(0x10, 0x07, {}, frame));
    EXPECT_EQ(sent.bytes, frame) << "stuffed, as sent";
    Bytes reply(64);
    const std::uint8_t data[] = {0x10};
    reply.resize(link::encode_reply_frame(0x10, 0x07, 0x00, data, reply));
    EXPECT_EQ(received.direction, KESTREL_TRACE_RECEIVED);
    EXPECT_EQ(received.result, KESTREL_OK);
    EXPECT_EQ(received.bytes, reply);
    EXPECT_EQ(received.address, 0x10);
    EXPECT_EQ(received.command, 0x07);
    EXPECT_GE(sent.time_ns, before);
    EXPECT_GE(received.time_ns, sent.time_ns);
    ASSERT_EQ(kestrel_set_trace(h.r, nullptr, nullptr), KESTREL_OK);
    ASSERT_EQ(kestrel_ReadDeviceNo(h.r, &number, 1, nullptr), KESTREL_OK);
    EXPECT_EQ(log.events.size(), 2u) << "off";
}

// The typed inventory over TCP: the whole list, paged, each record parsed.
TEST(ReaderHandle, InventoryDeliversTheWholeListParsed) {
    sim::ReaderModel model;
    for (std::uint8_t n = 0; n < 40; ++n) {
        sim::Tag t = sim::Tag::blank(sim::Standard::epc);
        t.set_epc(Bytes{0xE2, 0x00, n, 0x01});
        model.field.tags.push_back(t);
    }
    sim::Tag gb = sim::Tag::blank(sim::Standard::gb);
    gb.security_word = {0xA0, 0x01};
    model.field.tags.push_back(gb);
    sim::TcpSimulator tcp(model);
    ASSERT_TRUE(tcp.start()) << tcp.error();
    Handle h;
    const std::string uri = "tcp://127.0.0.1:" + std::to_string(tcp.port()) + "?address=1";
    ASSERT_EQ(kestrel_open(uri.c_str(), &h.r), KESTREL_OK);
    EXPECT_EQ(kestrel_get_transport(h.r), KESTREL_TRANSPORT_TCP);

    std::vector<kestrel_tag> tags(64);
    std::size_t count = 0;
    ASSERT_EQ(kestrel_inventory_into(h.r, KESTREL_STANDARD_EPC, 7, tags.data(), tags.size(), &count), KESTREL_OK);
    ASSERT_EQ(count, 40u);
    for (std::size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(tags[i].standard, KESTREL_STANDARD_EPC);
        EXPECT_EQ(tags[i].id_length, 4u);
        EXPECT_EQ(Bytes(tags[i].id, tags[i].id + 4), (Bytes{0xE2, 0x00, static_cast<std::uint8_t>(i), 0x01}));
        EXPECT_EQ(tags[i].raw_length, 4u);
        EXPECT_EQ(tags[i].has_security_word, 0);
        EXPECT_GT(tags[i].steady_ns, 0);
    }
    // Into an array too small: it is filled, and the result says so.
    std::vector<kestrel_tag> few(5);
    EXPECT_EQ(kestrel_inventory_into(h.r, KESTREL_STANDARD_EPC, 0, few.data(), few.size(), &count),
              KESTREL_E_BUFFER_SMALL);
    EXPECT_EQ(count, 5u);
    // A callback that stops after three.
    int seen = 0;
    auto stop_at_three = [](void* context, const kestrel_tag*) { return ++*static_cast<int*>(context) == 3 ? 1 : 0; };
    EXPECT_EQ(kestrel_inventory(h.r, KESTREL_STANDARD_EPC, 2, stop_at_three, &seen, &count), KESTREL_OK);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(kestrel_inventory(h.r, 9, 2, stop_at_three, &seen, &count), KESTREL_E_ARGUMENT);
    // GB: the security word, then the coding area.
    ASSERT_EQ(kestrel_inventory_into(h.r, KESTREL_STANDARD_GB, 0, tags.data(), tags.size(), &count), KESTREL_OK);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(tags[0].standard, KESTREL_STANDARD_GB);
    EXPECT_EQ(tags[0].has_security_word, 1);
    EXPECT_EQ(tags[0].security_word, 0xA001);
    EXPECT_EQ(tags[0].id_length + 2, tags[0].raw_length);
    EXPECT_EQ(Bytes(tags[0].raw + 2, tags[0].raw + tags[0].raw_length), Bytes(tags[0].id, tags[0].id + tags[0].id_length));
}

}  // namespace
