#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "kestrel.h"
#include "link/serial_engine.h"
#include "support/scripted_port.h"

using namespace kestrel::link;
using kestrel::test::reply_frame;
using kestrel::test::ScriptedPort;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Engine {
    ScriptedPort port;
    LinkSession s;
    Engine() {
        s.attach(new SerialLink(port, serial_settings_for_rate(115200), false), true);
        s.late_reply_margin_ms = 0;  // the scripted port's reads never wait
    }
    int run(std::uint8_t address, std::uint8_t command, Bytes data = {}) {
        s.address = address;
        s.command = command;
        s.request_length = static_cast<std::uint8_t>(data.size());
        std::copy(data.begin(), data.end(), s.request_data.begin());
        return Link_Transact(s);
    }
};

}  // namespace

TEST(SerialEngine, WritesTheStuffedFrameOneByteAtATime) {
    Engine e;
    e.port.script_reply(reply_frame(0x10, 0x10, 0x00, {0x05}));
    ASSERT_EQ(e.run(0x10, 0x10, {0x10, 0x02}), KESTREL_OK);
    const Bytes expected = {0x10, 0x01, 0x10, 0x10, 0x10, 0x10, 0x02, 0x10, 0x10, 0x02, 0x00, 0x10, 0x02};
    EXPECT_EQ(e.port.written, expected);
    EXPECT_EQ(e.port.write_calls, static_cast<int>(expected.size()));
    EXPECT_EQ(e.port.purges, 1);
    EXPECT_EQ(e.s.reply_length, 1);
    EXPECT_EQ(e.s.reply_data[0], 0x05);
}

TEST(SerialEngine, PausesAtLeastSixMillisecondsAfterTheLeadingDle) {
    Engine e;
    e.port.script_reply(reply_frame(1, 0, 0));
    ASSERT_EQ(e.run(1, 0), KESTREL_OK);
    ASSERT_GE(e.port.write_times.size(), 2u);
    EXPECT_GE(e.port.write_times[1] - e.port.write_times[0], std::chrono::milliseconds(6));
}

TEST(SerialEngine, EachFailedWriteHasItsOwnCode) {
    // Write calls of a frame to address 1, command 0x20, two data bytes, one of them 0x10:
    // DLE SOH addr cmd len d0 d1 d1' check DLE STX
    const struct {
        int failing_write;
        int code;
    } cases[] = {{0, 225}, {1, 226}, {2, 227}, {3, 228}, {4, 229}, {5, 230}, {7, 230}, {8, 231}, {9, 232}, {10, 233}};
    for (const auto& c : cases) {
        Engine e;
        e.port.fail_write_number(c.failing_write);
        EXPECT_EQ(e.run(1, 0x20, {0x07, 0x10}), c.code) << "write " << c.failing_write;
        EXPECT_EQ(e.port.read_calls, 0) << "nothing is read after a failed write";
    }
}

TEST(SerialEngine, NoPortOpenFailsAtTheFirstWrite) {
    LinkSession s;
    s.command = 0x01;
    EXPECT_EQ(Link_Transact(s), KESTREL_E_SEND_DLE);
}

TEST(SerialEngine, ReplyFaultsGiveTheirCodes) {
    const Bytes good = reply_frame(1, 0x20, 0x00, {0xAA, 0xBB});  // 10 01 01 20 00 00 02 AA BB check 10 02
    auto cut = [&](std::size_t n) { return Bytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n)); };
    auto with = [&](std::size_t at, std::uint8_t v) {
        Bytes b = good;
        b[at] = v;
        return b;
    };
    // A doubled 0x10 followed by another byte, in each stuffed field.
    auto bad_pair_at = [&](std::size_t at) {
        Bytes b = cut(at);
        b.insert(b.end(), {0x10, 0x33});
        return b;
    };
    const struct {
        const char* what;
        Bytes wire;
        int code;
    } cases[] = {
        {"nothing", {}, 234},
        {"first byte not DLE", {0x02, 0x01}, 235},
        {"only DLE", cut(1), 236},
        {"second byte not SOH", with(1, 0x02), 237},
        {"address missing", cut(2), 238},
        {"address bad pair", bad_pair_at(2), 238},
        {"echo missing", cut(3), 239},
        {"echo bad pair", bad_pair_at(3), 239},
        {"status missing", cut(4), 240},
        {"status bad pair", bad_pair_at(4), 240},
        {"length high missing", cut(5), 241},
        {"length low missing", cut(6), 241},
        {"length bad pair", bad_pair_at(5), 241},
        {"data missing", cut(8), 241},
        {"data bad pair", bad_pair_at(8), 241},
        {"check missing", cut(9), 242},
        {"check bad pair", bad_pair_at(9), 242},
        {"check wrong", with(9, static_cast<std::uint8_t>(good[9] ^ 0x01)), 243},
        {"trailer DLE missing", cut(10), 244},
        {"trailer DLE wrong", with(10, 0x11), 245},
        {"trailer STX missing", cut(11), 246},
        {"trailer STX wrong", with(11, 0x03), 247},
        {"echo differs", reply_frame(1, 0x21, 0), 254},
        {"other reader", reply_frame(2, 0x20, 0), 253},
        {"valid", good, 0},
    };
    for (const auto& c : cases) {
        Engine e;
        e.port.script_reply(c.wire);
        EXPECT_EQ(e.run(1, 0x20), c.code) << c.what;
    }
}

TEST(SerialEngine, AddressRule) {
    const struct {
        std::uint8_t request, reply, command;
        int code;
    } cases[] = {
        {0x05, 0xFF, 0x20, 0},    // broadcast reply accepted on serial
        {0xFF, 0x07, 0x20, 0},    // broadcast request: any reader
        {0x05, 0x07, 0x06, 0},    // device-number change: any reader
        {0x05, 0x07, 0x20, 253},  // another reader
        {0x10, 0x10, 0x20, 0},    // address 0x10 both ways
    };
    for (const auto& c : cases) {
        Engine e;
        e.port.script_reply(reply_frame(c.reply, c.command, 0));
        EXPECT_EQ(e.run(c.request, c.command), c.code) << int(c.request) << "<-" << int(c.reply);
    }
}

TEST(SerialEngine, StuffedReplyFieldsAreUnstuffed) {
    Bytes data(16, 0x10);
    Engine e;
    e.port.script_reply(reply_frame(0x10, 0x10, 0x10, data));
    ASSERT_EQ(e.run(0x10, 0x10), KESTREL_OK);
    EXPECT_EQ(e.s.reader_status, 0x10);
    EXPECT_EQ(e.s.reply_length, 16);
    EXPECT_TRUE(std::all_of(e.s.reply_data.begin(), e.s.reply_data.begin() + 16, [](auto b) { return b == 0x10; }));
    EXPECT_EQ(e.port.unread(), 0u);
}

TEST(SerialEngine, FirstByteWaitCounts) {
    const struct {
        std::uint8_t command;
        int attempts;
    } cases[] = {{0x00, 4}, {0x01, 16}, {0x28, 16}};
    for (const auto& c : cases) {
        Engine e;
        EXPECT_EQ(e.run(1, c.command), KESTREL_E_NO_REPLY);
        EXPECT_EQ(e.port.read_calls, c.attempts) << int(c.command);
    }
    // The wait ends as soon as a byte comes.
    Engine e;
    e.port.script_reply(reply_frame(1, 0x01, 0));
    EXPECT_EQ(e.run(1, 0x01), KESTREL_OK);
    EXPECT_EQ(e.port.empty_reads, 0);
}

TEST(SerialEngine, TrailingBytesAreDiscardedByTheNextPurge) {
    Engine e;
    Bytes first = reply_frame(1, 0x01, 0, {0x11});
    first.insert(first.end(), {0x10, 0x01, 0x99, 0x42});
    e.port.script_reply(first);
    e.port.script_reply(reply_frame(1, 0x02, 0, {0x22}));
    ASSERT_EQ(e.run(1, 0x01), KESTREL_OK);
    EXPECT_EQ(e.port.unread(), 4u);
    ASSERT_EQ(e.run(1, 0x02), KESTREL_OK);
    EXPECT_EQ(e.s.reply_data[0], 0x22);
}

TEST(SerialEngine, OversizeReplyLengthIsRefusedBeforeAnyDataIsStored) {
    Engine e;
    e.s.reply_data.fill(0x5A);
    // Length 3000 (0x0BB8) followed by plenty of data.
    Bytes wire = {0x10, 0x01, 0x01, 0x01, 0x00, 0x0B, 0xB8};
    wire.insert(wire.end(), 3000, 0x77);
    e.port.script_reply(wire);
    EXPECT_EQ(e.run(1, 0x01), KESTREL_E_REPLY_DATA);
    EXPECT_EQ(e.port.unread(), 3000u) << "no data byte was read";
    EXPECT_TRUE(std::all_of(e.s.reply_data.begin(), e.s.reply_data.end(), [](auto b) { return b == 0x5A; }));

    // The largest reply that fits is taken whole.
    Engine full;
    full.port.script_reply(reply_frame(1, 0x01, 0, Bytes(kDataCapacity, 0x33)));
    EXPECT_EQ(full.run(1, 0x01), KESTREL_OK);
    EXPECT_EQ(full.s.reply_length, kDataCapacity);
}
