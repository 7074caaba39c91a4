// The USB link against the libusb double: device search, open and close, the packet rule,
// and the one-shot reply rules of the USB engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "kestrel.h"
#include "kestrel/reader.h"
#include "link/frame.h"
#include "link/session.h"
#include "sim/usb/usb_double.h"

using kestrel::link::LinkSession;
using kestrel::link::Link_Transact;
using kestrel::link::session;
using kestrel::link::Transport;
using namespace kestrel::sim::usb;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int kUsbPort = 32;
constexpr DeviceId kOther{0x1234, 0x6125};
constexpr DeviceId kOtherProduct{0x03EB, 0x6124};

Bytes reply_frame(std::uint8_t from, std::uint8_t echo, std::uint8_t status, const Bytes& data = {}) {
    Bytes out(2 + 2 * (6 + data.size()) + 2);
    out.resize(kestrel::link::encode_reply_frame(from, echo, status, data, out));
    return out;
}

Bytes command_frame(std::uint8_t address, std::uint8_t command, const Bytes& data) {
    Bytes out(kestrel::link::kMaxCommandFrame);
    out.resize(kestrel::link::encode_command_frame(address, command, data, out));
    return out;
}

std::vector<Op> ops(const std::vector<Call>& calls) {
    std::vector<Op> out;
    for (const Call& c : calls) out.push_back(c.op);
    return out;
}

class UsbLink : public ::testing::Test {
protected:
    void SetUp() override {
        UnLinkCom();
        usb.reset();
        session().transport = Transport::serial;
    }
    void TearDown() override {
        UnLinkCom();
        EXPECT_EQ(usb.calls_on_closed_handles(), 0) << "libusb was handed a closed device";
    }

    // Opens the link to the reader at address 1 and forgets the calls that took.
    void connect() {
        ASSERT_EQ(LinkCom(1, kUsbPort, 0), KESTREL_OK);
        usb.clear_calls();
    }

    static int transact(std::uint8_t address, std::uint8_t command, const Bytes& data = {}) {
        LinkSession& s = session();
        s.address = address;
        s.command = command;
        s.request_length = static_cast<std::uint8_t>(data.size());
        std::copy(data.begin(), data.end(), s.request_data.begin());
        return Link_Transact();
    }

    UsbDouble& usb = UsbDouble::instance();
};

}  // namespace

TEST_F(UsbLink, OpensClaimsAndProbesTheReader) {
    ASSERT_EQ(LinkCom(1, kUsbPort, 12345), KESTREL_OK) << "the rate is ignored";
    EXPECT_EQ(ops(usb.calls()), (std::vector<Op>{Op::init, Op::find_busses, Op::find_devices, Op::get_busses,
                                                 Op::open, Op::claim_interface, Op::bulk_write, Op::bulk_read}));
    EXPECT_EQ(usb.calls_of(Op::claim_interface).at(0).interface, 0);
    const Call write = usb.calls_of(Op::bulk_write).at(0);
    EXPECT_EQ(write.endpoint, 1);
    EXPECT_EQ(write.timeout, 500);
    EXPECT_EQ(write.bytes, (Bytes{0x10, 0x01, 0x01, 0x00, 0x00, 0x01, 0x10, 0x02}));
    const Call read = usb.calls_of(Op::bulk_read).at(0);
    EXPECT_EQ(read.endpoint, 0x82);
    EXPECT_EQ(read.size, 2048);
    EXPECT_EQ(read.timeout, 500);
    EXPECT_EQ(session().transport, Transport::usb);

    usb.clear_calls();
    EXPECT_EQ(UnLinkCom(), KESTREL_OK);
    EXPECT_EQ(ops(usb.calls()), (std::vector<Op>{Op::release_interface, Op::close}));
    EXPECT_EQ(usb.calls_of(Op::release_interface).at(0).interface, 0);

    // The closed link: commands fail with 187 and never reach libusb, however often.
    usb.clear_calls();
    EXPECT_EQ(transact(1, 0x01), KESTREL_E_USB_SEND);
    EXPECT_EQ(Link_Reader(1), KESTREL_E_USB_SEND);
    EXPECT_EQ(UnLinkCom(), KESTREL_OK);
    EXPECT_TRUE(usb.calls().empty());
    EXPECT_EQ(session().transport, Transport::usb);
}

struct SearchCase {
    const char* what;
    std::vector<std::vector<DeviceId>> busses;
    int result;
    int device;  // position opened, in bus-then-device order; -1: none
};

TEST_F(UsbLink, UsesTheFirstMatchingDeviceInBusThenDeviceOrder) {
    const SearchCase cases[] = {
        {"no busses", {}, KESTREL_E_USB_NO_READER, -1},
        {"empty bus", {{}}, KESTREL_E_USB_NO_READER, -1},
        {"other vendors and products only", {{kOther, kOtherProduct}, {kOther}}, KESTREL_E_USB_NO_READER, -1},
        {"one reader", {{kReaderId}}, KESTREL_OK, 0},
        {"reader after others", {{kOther, kOtherProduct, kReaderId}}, KESTREL_OK, 2},
        {"two readers on one bus", {{kOther, kReaderId, kReaderId}}, KESTREL_OK, 1},
        {"readers on two busses", {{kOther}, {kReaderId}, {kReaderId}}, KESTREL_OK, 1},
        {"first bus wins", {{kOther, kReaderId}, {kReaderId}}, KESTREL_OK, 1},
    };
    for (const auto& c : cases) {
        UnLinkCom();
        usb.reset();
        usb.set_busses(c.busses);
        EXPECT_EQ(LinkCom(1, kUsbPort, 0), c.result) << c.what;
        const auto opens = usb.calls_of(Op::open);
        if (c.device < 0) {
            EXPECT_TRUE(opens.empty()) << c.what;
        } else {
            ASSERT_EQ(opens.size(), 1u) << c.what;
            EXPECT_EQ(opens[0].device, c.device) << c.what;
        }
    }
}

TEST_F(UsbLink, NoUsbFileSystemMeansNoReader) {
    usb.set_find_results(-1, -1);
    EXPECT_EQ(LinkCom(1, kUsbPort, 0), KESTREL_E_USB_NO_READER);
    EXPECT_EQ(usb.calls_of(Op::find_busses).size(), 3u) << "every attempt searches again";
    EXPECT_TRUE(usb.calls_of(Op::open).empty());
    EXPECT_EQ(session().transport, Transport::serial);
}

TEST_F(UsbLink, AReaderThatCannotBeOpenedIsNotFound) {
    usb.fail_open(true);
    EXPECT_EQ(LinkCom(1, kUsbPort, 0), KESTREL_E_USB_NO_READER);
    EXPECT_TRUE(usb.calls_of(Op::claim_interface).empty());
    EXPECT_EQ(session().transport, Transport::serial);
}

TEST_F(UsbLink, ClaimFailureClosesTheDevice) {
    usb.set_claim_result(-16);
    EXPECT_EQ(LinkCom(1, kUsbPort, 0), KESTREL_E_OPEN);
    EXPECT_EQ(usb.calls_of(Op::open).size(), 3u);
    EXPECT_EQ(usb.calls_of(Op::close).size(), 3u);
    EXPECT_TRUE(usb.calls_of(Op::release_interface).empty());
    EXPECT_TRUE(usb.calls_of(Op::bulk_write).empty());
    EXPECT_EQ(session().link, nullptr);
    EXPECT_EQ(session().transport, Transport::serial);
}

TEST_F(UsbLink, ProbeFailureReleasesAndClosesTheReader) {
    usb.set_model_answers(false);
    EXPECT_EQ(LinkCom(1, kUsbPort, 0), KESTREL_E_REPLY_DLE);
    EXPECT_EQ(usb.calls_of(Op::claim_interface).size(), 3u);
    EXPECT_EQ(usb.calls_of(Op::release_interface).size(), 3u);
    EXPECT_EQ(usb.calls_of(Op::close).size(), 3u);
    EXPECT_EQ(session().link, nullptr);
    EXPECT_EQ(session().transport, Transport::usb);

    // A reader at another address answers nothing either.
    usb.reset();
    EXPECT_EQ(LinkCom(2, kUsbPort, 0), KESTREL_E_REPLY_DLE);
    EXPECT_EQ(usb.calls_of(Op::close).size(), 3u);
}

TEST_F(UsbLink, AFailedProbeOnAnOpenLinkClosesIt) {
    connect();
    usb.time_out_reads(1);
    EXPECT_EQ(Link_Reader(1), KESTREL_E_REPLY_DLE);
    EXPECT_EQ(ops(usb.calls()), (std::vector<Op>{Op::bulk_write, Op::bulk_read, Op::release_interface, Op::close}));
    EXPECT_EQ(transact(1, 0x00), KESTREL_E_USB_SEND);
}

TEST_F(UsbLink, ALinkAlreadyOpenIsNotOpenedTwice) {
    connect();
    EXPECT_EQ(LinkCom(1, kUsbPort, 0), KESTREL_E_OPEN);
    EXPECT_TRUE(usb.calls_of(Op::open).empty());
    EXPECT_EQ(transact(1, 0x00), KESTREL_OK) << "the open link keeps working";
}

struct PacketCase {
    std::size_t data_length;  // chosen so that no byte of the frame is 0x10
    std::size_t frame_length;
    std::vector<int> writes;
};

TEST_F(UsbLink, PacketRule) {
    const PacketCase cases[] = {
        {55, 63, {63}},        {56, 64, {64, 2}},        {57, 65, {64, 1}},
        {120, 128, {64, 64, 2}}, {122, 130, {64, 64, 2}}, {247, 255, {64, 64, 64, 63}},
    };
    connect();
    for (const auto& c : cases) {
        const Bytes data(c.data_length, 0x22);
        const Bytes frame = command_frame(1, 0x30, data);
        ASSERT_EQ(frame.size(), c.frame_length);
        usb.clear_calls();
        // The reader does not know command 0x30 (no family uses it) and says so in a valid reply.
        EXPECT_EQ(transact(1, 0x30, data), KESTREL_OK) << c.frame_length;
        EXPECT_EQ(session().reader_status, kestrel::sim::kStatusUnknownCommand);

        std::vector<int> sizes;
        Bytes sent;
        for (const Call& w : usb.calls_of(Op::bulk_write)) {
            sizes.push_back(w.size);
            EXPECT_EQ(w.endpoint, 1);
            EXPECT_EQ(w.timeout, 500);
            sent.insert(sent.end(), w.bytes.begin(), w.bytes.end());
        }
        EXPECT_EQ(sizes, c.writes) << c.frame_length;
        EXPECT_TRUE(std::equal(frame.begin(), frame.end(), sent.begin())) << c.frame_length;
        EXPECT_EQ(usb.calls_of(Op::bulk_read).size(), 1u);
    }
}

TEST_F(UsbLink, StuffedBytesCountTowardsThePacketRule) {
    connect();
    // 52 data bytes, four of them 0x10: 60 + 4 doubled bytes = 64 on the wire.
    Bytes data(52, 0x22);
    for (std::size_t i : {0u, 10u, 20u, 30u}) data[i] = 0x10;
    ASSERT_EQ(command_frame(1, 0x20, data).size(), 64u);
    EXPECT_EQ(transact(1, 0x20, data), KESTREL_OK);
    std::vector<int> sizes;
    for (const Call& w : usb.calls_of(Op::bulk_write)) sizes.push_back(w.size);
    EXPECT_EQ(sizes, (std::vector<int>{64, 2}));
}

TEST_F(UsbLink, AFrameOverTwoHundredFiftyFiveBytesIsRefusedUnsent) {
    connect();
    const Bytes data(200, 0x10);  // every byte doubled
    EXPECT_EQ(transact(1, 0x20, data), KESTREL_E_USB_SEND);
    EXPECT_TRUE(usb.calls().empty());
}

TEST_F(UsbLink, AShortWriteStopsTheSending) {
    connect();
    const Bytes data(122, 0x22);  // 130 bytes: writes of 64, 64 and 2
    for (int result : {63, 0, -110, 65}) {
        usb.clear_calls();
        usb.shorten_write(1, result);
        EXPECT_EQ(transact(1, 0x20, data), KESTREL_E_USB_SEND) << result;
        EXPECT_EQ(ops(usb.calls()), (std::vector<Op>{Op::bulk_write, Op::bulk_write})) << result;
    }
    // The link stays open.
    EXPECT_EQ(transact(1, 0x00), KESTREL_OK);
}

TEST_F(UsbLink, NoReplyIs235) {
    connect();
    usb.time_out_reads(1);
    EXPECT_EQ(transact(1, 0x00), KESTREL_E_REPLY_DLE);
    EXPECT_EQ(transact(1, 0x00), KESTREL_OK) << "the link stays open";
}

struct ReplyCase {
    const char* what;
    std::uint8_t address;
    std::uint8_t command;
    Bytes reply;
    int result;
};

TEST_F(UsbLink, ReplyRules) {
    Bytes long_data(300);
    for (std::size_t i = 0; i < long_data.size(); ++i) long_data[i] = static_cast<std::uint8_t>(i);
    Bytes trailing = reply_frame(1, 0x21, 0x00, {1, 2});
    trailing.insert(trailing.end(), {0x10, 0x01, 0xFF});
    Bytes truncated = reply_frame(1, 0x21, 0x00, long_data);
    truncated.resize(truncated.size() - 3);
    Bytes bad_check = reply_frame(1, 0x21, 0x00, {1, 2});
    bad_check[bad_check.size() - 3] ^= 0x01;
    const Bytes oversize = {0x10, 0x01, 0x01, 0x21, 0x00, 0xFF, 0xFF, 0x00, 0x00};

    const ReplyCase cases[] = {
        {"echo differs", 1, 0x21, reply_frame(1, 0x22, 0x00), KESTREL_E_REPLY_SOH},
        {"from 0xFF to address 5", 5, 0x21, reply_frame(0xFF, 0x21, 0x00), KESTREL_E_REPLY_ADDRESS_RULE},
        {"from another reader", 5, 0x21, reply_frame(6, 0x21, 0x00), KESTREL_E_REPLY_ADDRESS_RULE},
        {"0x06 from 0xFF", 5, 0x06, reply_frame(0xFF, 0x06, 0x00), KESTREL_OK},
        {"0x06 from another reader", 5, 0x06, reply_frame(9, 0x06, 0x00), KESTREL_OK},
        {"broadcast request", 0xFF, 0x21, reply_frame(7, 0x21, 0x00), KESTREL_OK},
        {"trailing bytes ignored", 1, 0x21, trailing, KESTREL_OK},
        {"truncated", 1, 0x21, truncated, KESTREL_E_REPLY_DATA},
        {"header only", 1, 0x21, {0x10, 0x01}, KESTREL_E_REPLY_DATA},
        {"length beyond any read", 1, 0x21, oversize, KESTREL_E_REPLY_DATA},
        {"bad check", 1, 0x21, bad_check, KESTREL_E_REPLY_CHECK},
        {"no DLE", 1, 0x21, {0x02, 0x10, 0x01}, KESTREL_E_REPLY_DLE},
    };
    connect();
    usb.set_model_answers(false);
    for (const auto& c : cases) {
        LinkSession& s = session();
        s.reply_data.fill(0xEE);
        usb.queue_read(c.reply);
        EXPECT_EQ(transact(c.address, c.command), c.result) << c.what;
        if (c.result != KESTREL_OK) {
            EXPECT_TRUE(std::all_of(s.reply_data.begin(), s.reply_data.end(), [](auto b) { return b == 0xEE; }))
                << c.what << ": reply data touched by a failed reply";
        }
    }
}

TEST_F(UsbLink, AReplyLongerThanOnePacketIsTakenWhole) {
    Bytes data(300);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
    connect();
    usb.set_model_answers(false);
    usb.queue_read(reply_frame(1, 0x21, 0x10, data));
    ASSERT_EQ(transact(1, 0x21), KESTREL_OK);
    const LinkSession& s = session();
    EXPECT_EQ(s.reader_status, 0x10);
    EXPECT_EQ(s.reply_length, 300);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), s.reply_data.begin()));
    EXPECT_EQ(usb.calls_of(Op::bulk_read).size(), 1u);
}

TEST_F(UsbLink, SharesTheReaderModelWithTheSerialLink) {
    // A handler installed on the model answers over USB exactly as it would over serial.
    usb.model().on(0x03, [](kestrel::sim::ReaderModel&, const kestrel::sim::Request& r) {
        return kestrel::sim::Reply{0x00, Bytes(r.data.begin(), r.data.end())};
    });
    connect();
    const Bytes data = {0x10, 0x02, 0x10, 0x10};
    ASSERT_EQ(transact(1, 0x03, data), KESTREL_OK);
    EXPECT_EQ(session().reply_length, data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), session().reply_data.begin()));
}

// A reply that comes after the engine gave up on it must not pass as the reply to the next
// command. The requests go to the broadcast address, and the reader changes its number in
// between, so the late reply (from reader 1) and the fresh one (from reader 2) tell apart.
struct LateReplyCase {
    const char* what;
    std::function<void(UsbDouble&)> first;  // sets up the first transaction's reply
    int first_result;
};

TEST_F(UsbLink, ALateReplyIsDrainedBeforeTheNextFrame) {
    const auto frame = reply_frame(1, 0x07, 0x00, {0x01});
    const LateReplyCase cases[] = {
        {"reply after the read timed out", [](UsbDouble& u) { u.delay_reads(1); }, KESTREL_E_REPLY_DLE},
        {"reply cut short, its rest in a later read",
         [&frame](UsbDouble& u) {
             u.set_model_answers(false);
             u.queue_read(Bytes(frame.begin(), frame.begin() + 5));
             u.queue_read(Bytes(frame.begin() + 5, frame.end()));
         },
         KESTREL_E_REPLY_DATA},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        usb.reset();
        connect();
        c.first(usb);
        EXPECT_EQ(transact(0xFF, 0x07), c.first_result);
        usb.set_model_answers(true);
        usb.model().set_number(2);
        usb.clear_calls();

        EXPECT_EQ(transact(0xFF, 0x07), KESTREL_OK);
        EXPECT_EQ(session().reply_length, 1);
        EXPECT_EQ(session().reply_data[0], 0x02) << "the late reply was taken as this one";
        const std::vector<Op> seen = ops(usb.calls());
        ASSERT_GE(seen.size(), 3u);
        EXPECT_EQ(seen[0], Op::bulk_read) << "the endpoint is drained first";
        EXPECT_EQ(std::vector<Op>(seen.end() - 2, seen.end()), (std::vector<Op>{Op::bulk_write, Op::bulk_read}));
        for (const Call& read : usb.calls_of(Op::bulk_read)) EXPECT_EQ(read.endpoint, 0x82);

        // After a whole reply the next transaction goes out at once, as usual.
        usb.clear_calls();
        EXPECT_EQ(transact(0xFF, 0x07), KESTREL_OK);
        EXPECT_EQ(ops(usb.calls()), (std::vector<Op>{Op::bulk_write, Op::bulk_read}));
        UnLinkCom();
    }
}

// A reader handle on the USB reader: opened by URI beside the default link's transport state,
// with the same one-shot engine; the N-th reader in bus order, and none past the last.
TEST_F(UsbLink, AHandleOpensTheReaderByUri) {
    kestrel_reader* r = nullptr;
    ASSERT_EQ(kestrel_open("usb:?address=1", &r), KESTREL_OK);
    EXPECT_EQ(kestrel_get_transport(r), KESTREL_TRANSPORT_USB);
    EXPECT_EQ(usb.open_handles(), 1);
    std::uint8_t number = 0;
    std::size_t length = 0;
    EXPECT_EQ(kestrel_ReadDeviceNo(r, &number, 1, &length), KESTREL_OK);
    EXPECT_EQ(number, 1);
    EXPECT_EQ(length, 1u);
    kestrel_timeouts t{};
    ASSERT_EQ(kestrel_get_timeouts(r, &t), KESTREL_OK);
    EXPECT_EQ(t.reply_ms, 500u);
    kestrel_close(r);
    EXPECT_EQ(usb.open_handles(), 0);
    EXPECT_EQ(session().transport, Transport::serial) << "the default link is not touched";

    EXPECT_EQ(kestrel_open("usb:1", &r), KESTREL_E_USB_NO_READER);
    EXPECT_EQ(r, nullptr);
    EXPECT_EQ(usb.open_handles(), 0);
}
