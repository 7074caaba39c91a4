#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "kestrel.h"
#include "link/frame.h"

using namespace kestrel::link;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes command(std::uint8_t address, std::uint8_t cmd, Bytes data = {}) {
    Bytes out(kMaxCommandFrame);
    out.resize(encode_command_frame(address, cmd, data, out));
    return out;
}

Bytes reply(std::uint8_t address, std::uint8_t echo, std::uint8_t status, Bytes data = {}) {
    Bytes out(2 + 2 * (6 + data.size()) + 2);
    out.resize(encode_reply_frame(address, echo, status, data, out));
    return out;
}

Bytes sixteen_bytes() {
    Bytes d(16);
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = static_cast<std::uint8_t>(0x20 + i);
    return d;
}

}  // namespace

struct EncodeCase {
    const char* what;
    Bytes frame;
    Bytes wire;
};

TEST(FrameEncode, WorkedFramesAndStuffing) {
    Bytes long_request = {0x10, 0x01, 0x01, 0x10, 0x10, 0x10, 0x10};  // header, address 1, command 0x10, length 16 doubled
    for (std::uint8_t b : sixteen_bytes()) long_request.push_back(b);
    long_request.push_back(static_cast<std::uint8_t>(0x01 ^ check_of(sixteen_bytes())));
    long_request.insert(long_request.end(), {0x10, 0x02});

    const EncodeCase cases[] = {
        {"probe to 1", command(0x01, 0x00), {0x10, 0x01, 0x01, 0x00, 0x00, 0x01, 0x10, 0x02}},
        {"probe to 0x10", command(0x10, 0x00), {0x10, 0x01, 0x10, 0x10, 0x00, 0x00, 0x00, 0x10, 0x02}},
        {"command 0x10", command(0x01, 0x10), {0x10, 0x01, 0x01, 0x10, 0x10, 0x00, 0x01, 0x10, 0x02}},
        {"reply to probe", reply(0x01, 0x00, 0x00), {0x10, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x10, 0x02}},
        {"data byte 0x10", command(0x01, 0x28, {0x10, 0x03}),
         {0x10, 0x01, 0x01, 0x28, 0x02, 0x10, 0x10, 0x03, 0x01 ^ 0x28 ^ 0x02 ^ 0x03, 0x10, 0x02}},
        {"check byte 0x10", command(0x01, 0x11), {0x10, 0x01, 0x01, 0x11, 0x00, 0x10, 0x10, 0x10, 0x02}},
        {"length 16", command(0x01, 0x10, sixteen_bytes()), long_request},
        {"reply status 0x10", reply(0x01, 0x05, 0x10), {0x10, 0x01, 0x01, 0x05, 0x10, 0x10, 0x00, 0x00, 0x04, 0x10, 0x02}},
        {"reply check 0x10", reply(0x01, 0x11, 0x00), {0x10, 0x01, 0x01, 0x11, 0x00, 0x00, 0x00, 0x10, 0x10, 0x10, 0x02}},
    };
    for (const auto& c : cases) EXPECT_EQ(c.frame, c.wire) << c.what;
}

TEST(FrameEncode, ReplyLengthSixteenIsDoubledAndLeftOutOfTheCheck) {
    const Bytes wire = reply(0x01, 0x01, 0x00, sixteen_bytes());
    ASSERT_GE(wire.size(), 9u);
    EXPECT_EQ((Bytes{wire.begin() + 5, wire.begin() + 8}), (Bytes{0x00, 0x10, 0x10}));
    EXPECT_EQ(wire[wire.size() - 3], static_cast<std::uint8_t>(0x01 ^ 0x01 ^ check_of(sixteen_bytes())));
}

TEST(FrameEncode, RefusesWhatDoesNotFit) {
    std::array<std::uint8_t, 7> small{};
    EXPECT_EQ(encode_command_frame(1, 0, {}, small), 0u);  // a probe needs 8 bytes
    Bytes too_much(256);
    Bytes out(kMaxCommandFrame + 10);
    EXPECT_EQ(encode_command_frame(1, 0x20, too_much, out), 0u);
    Bytes all_dle(255, 0x10);
    EXPECT_EQ(encode_command_frame(0x10, 0x10, all_dle, out), kMaxCommandFrame - 2);  // every field byte doubled but the length and check
}

TEST(FrameDecode, CommandFramesRoundTrip) {
    const Bytes payloads[] = {{}, {0x10}, sixteen_bytes(), Bytes(255, 0x10), {0x01, 0x02, 0x10, 0x02}};
    for (std::uint8_t address : {0x00, 0x01, 0x10, 0xFF}) {
        for (const Bytes& data : payloads) {
            const Bytes wire = command(address, 0x10, data);
            std::array<std::uint8_t, 255> out{};
            CommandFrame frame;
            std::size_t consumed = 0;
            ASSERT_EQ(decode_command_frame(wire, out, frame, consumed), CommandDecode::ok);
            EXPECT_EQ(consumed, wire.size());
            EXPECT_EQ(frame.address, address);
            EXPECT_EQ(frame.command, 0x10);
            EXPECT_EQ(Bytes(frame.data.begin(), frame.data.end()), data);
        }
    }
}

TEST(FrameDecode, CommandFrameDamage) {
    std::array<std::uint8_t, 255> out{};
    CommandFrame frame;
    std::size_t consumed = 0;
    Bytes bad_check = command(1, 0x20, {1, 2});
    bad_check[bad_check.size() - 3] ^= 0x40;
    EXPECT_EQ(decode_command_frame(bad_check, out, frame, consumed), CommandDecode::bad_check);
    EXPECT_EQ(consumed, bad_check.size());

    Bytes cut = command(1, 0x20, {1, 2});
    cut.pop_back();
    EXPECT_EQ(decode_command_frame(cut, out, frame, consumed), CommandDecode::incomplete);

    Bytes bad_pair = {0x10, 0x01, 0x10, 0x05};
    EXPECT_EQ(decode_command_frame(bad_pair, out, frame, consumed), CommandDecode::bad_stuffing);

    std::array<std::uint8_t, 1> tiny{};
    EXPECT_EQ(decode_command_frame(command(1, 0x20, {1, 2}), tiny, frame, consumed), CommandDecode::too_long);
}

struct ReplyCase {
    const char* what;
    Bytes wire;
    std::uint8_t command;
    int code;
};

TEST(FrameDecode, OneShotReplyRules) {
    Bytes bad_check = reply(1, 0x20, 0, {1, 2, 3});
    bad_check[bad_check.size() - 3] ^= 1;
    Bytes bad_dle = reply(1, 0x20, 0);
    bad_dle[bad_dle.size() - 2] = 0x11;
    Bytes bad_stx = reply(1, 0x20, 0);
    bad_stx.back() = 0x03;
    Bytes cut = reply(1, 0x20, 0, {1, 2, 3});
    cut.resize(cut.size() - 4);
    Bytes trailing = reply(1, 0x20, 0, {1});
    trailing.insert(trailing.end(), {0xAA, 0x10, 0x01});
    // A doubled 0x10's second byte is skipped unexamined.
    Bytes odd_pair = {0x10, 0x01, 0x01, 0x20, 0x10, 0x77, 0x00, 0x00, 0x21, 0x10, 0x02};
    Bytes oversize = {0x10, 0x01, 0x01, 0x20, 0x00, 0x08, 0x01};

    const ReplyCase cases[] = {
        {"valid", reply(1, 0x20, 0, {1, 2, 3}), 0x20, KESTREL_OK},
        {"empty read", {}, 0x20, KESTREL_E_REPLY_DLE},
        {"no DLE", {0x11, 0x01}, 0x20, KESTREL_E_REPLY_DLE},
        {"no SOH", {0x10, 0x02, 0x01}, 0x20, KESTREL_E_REPLY_SOH},
        {"echo differs", reply(1, 0x21, 0), 0x20, KESTREL_E_REPLY_SOH},
        {"bad check", bad_check, 0x20, KESTREL_E_REPLY_CHECK},
        {"bad trailer DLE", bad_dle, 0x20, KESTREL_E_REPLY_TRAILER_DLE},
        {"bad trailer STX", bad_stx, 0x20, KESTREL_E_REPLY_TRAILER_STX},
        {"runs past the read", cut, 0x20, KESTREL_E_REPLY_DATA},
        {"data larger than the buffer", oversize, 0x20, KESTREL_E_REPLY_DATA},
        {"trailing bytes ignored", trailing, 0x20, KESTREL_OK},
        {"odd pair skipped", odd_pair, 0x20, KESTREL_OK},
        {"echo 0x10 differs, its pair not received", {0x10, 0x01, 0x01, 0x10}, 0x20, KESTREL_E_REPLY_SOH},
        {"echo 0x10, its pair not received", {0x10, 0x01, 0x01, 0x10}, 0x10, KESTREL_E_REPLY_DATA},
        {"address 0x10, its pair not received", {0x10, 0x01, 0x10}, 0x20, KESTREL_E_REPLY_DATA},
        {"SOH not received", {0x10}, 0x20, KESTREL_E_REPLY_DATA},
        {"trailer STX not received", {0x10, 0x01, 0x01, 0x20, 0x00, 0x00, 0x00, 0x21, 0x10}, 0x20,
         KESTREL_E_REPLY_DATA},
    };
    for (const auto& c : cases) {
        std::array<std::uint8_t, kDataCapacity> data{};
        ReplyFrame r{0xAA, 0xAA, 0xAA, 0xAAAA};
        EXPECT_EQ(decode_reply_frame(c.wire, c.command, data, r), c.code) << c.what;
        if (c.code != KESTREL_OK) {
            EXPECT_EQ(r.length, 0xAAAA) << c.what << ": reply record set by a failed decode";
        }
    }

    std::array<std::uint8_t, kDataCapacity> data{};
    ReplyFrame r;
    ASSERT_EQ(decode_reply_frame(reply(0x10, 0x10, 0x10, sixteen_bytes()), 0x10, data, r), KESTREL_OK);
    EXPECT_EQ(r.address, 0x10);
    EXPECT_EQ(r.status, 0x10);
    EXPECT_EQ(r.length, 16);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 16), sixteen_bytes());
}
