// Device exports end to end: the library over a pseudo-terminal against the simulated reader.
#include <array>
#include <cstring>

#include "kestrel.h"
#include "support/sim_fixture.h"

using kestrel::test::SimulatedReader;

class DeviceEndToEnd : public SimulatedReader {
protected:
    void SetUp() override {
        SimulatedReader::SetUp();
        ASSERT_EQ(LinkCom(1, 0, 115200), KESTREL_OK);
    }
    // Reads the model's state while the front end is idle.
    template <typename F>
    auto reader(F f) {
        decltype(f()) r{};
        pty.with_responder([&](kestrel::sim::Responder&) { r = f(); });
        return r;
    }
};

TEST_F(DeviceEndToEnd, IdentityNumberAndTemperature) {
    std::array<std::uint8_t, KESTREL_DEVICE_INFO_SIZE + 2> info;
    info.fill(0xEE);
    ASSERT_EQ(GetDeviceInfo(1, info.data()), KESTREL_OK);
    const auto identity = reader([&] { return model.settings.identity; });
    EXPECT_EQ(0, std::memcmp(info.data(), identity.data(), KESTREL_DEVICE_INFO_SIZE));
    EXPECT_EQ(info[KESTREL_DEVICE_INFO_SIZE], 0xEE) << "nothing written past the 22 bytes";

    std::uint8_t number = 0xEE;
    ASSERT_EQ(ReadDeviceNo(1, &number), KESTREL_OK);
    EXPECT_EQ(number, 1);

    std::uint8_t temperature = 0xEE;
    ASSERT_EQ(Read_DeviceTemp(1, &temperature), KESTREL_OK);
    EXPECT_EQ(temperature, reader([&] { return model.settings.temperature; }));
}

TEST_F(DeviceEndToEnd, ANewDeviceNumberAnswersFromTheNewAddress) {
    ASSERT_EQ(WriteDeviceNo(1, 5), KESTREL_OK) << "the reply from reader 5 is accepted";
    std::uint8_t number = 0xEE;
    EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_E_NO_REPLY) << "reader 1 is gone";
    EXPECT_EQ(number, 0) << "cleared before the transaction";
    ASSERT_EQ(Link_Reader(5), KESTREL_OK) << "the link stayed open";
    ASSERT_EQ(ReadDeviceNo(5, &number), KESTREL_OK);
    EXPECT_EQ(number, 5);
    EXPECT_EQ(ReadDeviceNo(0xFF, &number), KESTREL_OK) << "broadcast reaches any reader";
}

TEST_F(DeviceEndToEnd, AlarmIsRecordedAndABadSelectorSendsNothing) {
    EXPECT_EQ(ALARM(1, 7, 20, 20, 3), KESTREL_OK);
    EXPECT_EQ(ALARM(1, 8, 20, 20, 3), KESTREL_E_ALARM_SELECTOR);
    const auto alarms = reader([&] { return model.log.alarms.size(); });
    EXPECT_EQ(alarms, 1u);
}
