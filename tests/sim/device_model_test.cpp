// The reader's device and RF commands, in-process and over the pseudo-terminal.
#include "kestrel.h"
#include "model_harness.h"
#include "support/sim_fixture.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

struct Case {
    const char* name;
    std::uint8_t command;
    Bytes request;
    std::uint8_t status;
};

// Requests the reader must refuse: wrong sizes and values it cannot take.
TEST(DeviceModel, RefusesMalformedAndOutOfRangeRequests) {
    const Case cases[] = {
        {"baud code 5", 0x03, {5}, sim::kStatusBadParameter},
        {"baud without code", 0x03, {}, sim::kStatusBadParameter},
        {"alarm selector 8", 0x04, {8, 1, 1, 1}, sim::kStatusBadParameter},
        {"alarm short", 0x04, {7, 1, 1}, sim::kStatusBadParameter},
        {"device number 0xFF", 0x06, {0xFF}, sim::kStatusBadParameter},
        {"work: standard 3", 0x11, {3, 0, 1, 1, 0, 30, 1}, sim::kStatusBadParameter},
        {"work: channel 20 in region 0", 0x11, {2, 0, 1, 1, 20, 30, 1}, sim::kStatusBadParameter},
        {"work: antenna 5", 0x11, {2, 0, 1, 1, 0, 30, 5}, sim::kStatusBadParameter},
        {"work: 6 bytes", 0x11, {2, 0, 1, 1, 0, 30}, sim::kStatusBadParameter},
        {"antenna 0", 0x17, {0}, sim::kStatusBadParameter},
        {"channel region 5", 0x19, {5}, sim::kStatusBadParameter},
        {"menjin format 5", 0x1A, {1, 0, 0, 0, 5}, sim::kStatusBadParameter},
        {"unknown command", 0x0A, {}, sim::kStatusUnknownCommand},
    };
    for (const Case& c : cases) {
        sim::ReaderModel model;
        const auto before = model.settings.work;
        EXPECT_EQ(call(model, c.command, c.request).status, c.status) << c.name;
        EXPECT_EQ(model.settings.work, before) << c.name;
    }
}

TEST(DeviceModel, SettingsAreKeptAndReadBack) {
    sim::ReaderModel model;
    EXPECT_EQ(call(model, 0x05).data.size(), 22u);
    EXPECT_EQ(call(model, 0x11, {1, 2, 0, 0, 49, 27, 3}).status, 0);
    EXPECT_EQ(call(model, 0x12).data, (Bytes{1, 2, 0, 0, 49, 27, 3}));
    EXPECT_EQ(call(model, 0x17, {2}).status, 0);
    EXPECT_EQ(call(model, 0x12).data[6], 2) << "the active antenna is the work record's";
    EXPECT_EQ(call(model, 0x18, hex("03 12 34 56 78 9A BC DE F0")).status, 0);
    EXPECT_EQ(call(model, 0x19, {3}).data, hex("12 34 56 78 9A BC DE F0"));
    EXPECT_EQ(call(model, 0x19, {0}).data, hex("FF FF F0 00 00 00 00 00")) << "20 channels by default";
    EXPECT_EQ(call(model, 0x1A, {1, 2, 3, 4, 4}).status, 0);
    EXPECT_EQ(call(model, 0x1B).data, (Bytes{1, 2, 3, 4, 4}));
    EXPECT_EQ(call(model, 0x03, {1}).status, 0);
    EXPECT_EQ(model.settings.baud_code, 1);
    EXPECT_EQ(call(model, 0x04, {7, 20, 20, 3}).status, 0);
    ASSERT_EQ(model.log.alarms.size(), 1u);
    EXPECT_EQ(model.log.alarms[0].values, (std::array<std::uint8_t, 3>{20, 20, 3}));

    // A factory restore returns everything to the defaults; a reset keeps the settings.
    EXPECT_EQ(call(model, 0x02).status, 0);
    EXPECT_EQ(call(model, 0x12).data, (Bytes{1, 2, 0, 0, 49, 27, 2}));
    EXPECT_EQ(call(model, 0x01).status, 0);
    EXPECT_EQ(call(model, 0x12).data, (Bytes{2, 0, 1, 1, 0, 30, 1}));
    EXPECT_EQ(call(model, 0x1B).data, (Bytes{0, 0, 0, 0, 0}));
    EXPECT_EQ(model.settings.baud_code, 4);
}

TEST(DeviceModel, ReaderChipPowerGovernsTheCarrierAndRfReading) {
    sim::ReaderModel model;
    EXPECT_EQ(call(model, 0x14, {1}).status, 0);
    EXPECT_EQ(call(model, 0x15).data, (Bytes{30, 30, 62}));
    EXPECT_EQ(call(model, 0x13, {0}).status, 0);
    EXPECT_FALSE(model.settings.carrier) << "the carrier stops with the chip";
    EXPECT_EQ(call(model, 0x14, {1}).status, sim::kStatusReaderOff);
    EXPECT_EQ(call(model, 0x15).data, (Bytes{30, 0, 0}));
}

using DeviceOverPty = SimulatedReader;

TEST_F(DeviceOverPty, NewDeviceNumberAnswersFromTheNewNumber) {
    ASSERT_EQ(LinkCom(1, 0, 115200), KESTREL_OK);
    Exchange e = transact(1, 0x06, {0x22});
    ASSERT_EQ(e.link, 0);
    EXPECT_EQ(e.status, 0);
    // The reader now ignores its old number and answers to the new one, from the new one.
    EXPECT_EQ(transact(1, 0x07).link, KESTREL_E_NO_REPLY);
    e = transact(0x22, 0x07);
    ASSERT_EQ(e.link, 0);
    EXPECT_EQ(e.data, Bytes{0x22});
    // A restore returns it to its factory number.
    EXPECT_EQ(transact(0x22, 0x01).link, 0);
    EXPECT_EQ(transact(1, 0x07).data, Bytes{1});
}

TEST_F(DeviceOverPty, IdentityAndTemperatureThroughTheExports) {
    ASSERT_EQ(LinkCom(1, 0, 115200), KESTREL_OK);
    Exchange e = transact(1, 0x05);
    ASSERT_EQ(e.link, 0);
    EXPECT_EQ(std::string(e.data.begin(), e.data.end()), "Heron UHF Reader V1.00");
    e = transact(1, 0x10);  // the command code that is doubled on the wire
    ASSERT_EQ(e.link, 0);
    EXPECT_EQ(e.data, Bytes{36});
}

}  // namespace
