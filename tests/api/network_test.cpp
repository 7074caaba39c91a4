// Network settings exports on the wire: request frames, result rule, out-buffer copies.
#include "api/export_cases.h"

using namespace kestrel::test;

namespace {

// Gateway 192.168.1.1, mask 255.255.255.0, MAC 0C.0D.0E.0F.10.11, IP 192.168.1.200, port 5084.
const Bytes kRecord = {0xC0, 0xA8, 0x01, 0x01, 0xFF, 0xFF, 0xFF, 0x00, 0x0C, 0x0D,
                       0x0E, 0x0F, 0x10, 0x11, 0xC0, 0xA8, 0x01, 0xC8, 0x13, 0xDC};

std::vector<ExportCase> network_cases() {
    return {
        {"Set_IP_Address", [](std::uint8_t* in, auto) { return Set_IP_Address(kAddress, in); }, kRecord,
         KESTREL_CMD_SET_IP_ADDRESS, kRecord, {}, true, {}, {}},
        {"Get_IP_Address", [](auto, std::uint8_t* out) { return Get_IP_Address(kAddress, out); }, {},
         KESTREL_CMD_GET_IP_ADDRESS, {}, concat(kRecord, {0x99}), true, {}, kRecord, KESTREL_IP_RECORD_SIZE},
        {"Get_IP_Address, short reply", [](auto, std::uint8_t* out) { return Get_IP_Address(kAddress, out); }, {},
         KESTREL_CMD_GET_IP_ADDRESS, {}, {0xC0, 0xA8}, true, {},
         concat({0xC0, 0xA8}, Bytes(KESTREL_IP_RECORD_SIZE - 2, 0x00)), KESTREL_IP_RECORD_SIZE},
    };
}

}  // namespace

using NetworkExports = ExportWireTest;

TEST_F(NetworkExports, SendTheRecordAndCopyTwentyBytesBack) {
    for (const auto& c : network_cases()) check_reply(c);
}

TEST_F(NetworkExports, AFailedLinkLeavesOnlyTheClearedBytes) {
    check_failures(network_cases());
}

TEST_F(NetworkExports, CommandCodesAreDeviceRangeAndDistinct) {
    EXPECT_EQ(KESTREL_CMD_SET_IP_ADDRESS, 0x08);
    EXPECT_EQ(KESTREL_CMD_GET_IP_ADDRESS, 0x09);
    // A port byte of 0x10 travels doubled and stays out of the check.
    answer(KESTREL_CMD_SET_IP_ADDRESS, 0x00);
    Bytes record = kRecord;
    record[19] = 0x10;
    ASSERT_EQ(Set_IP_Address(1, record.data()), KESTREL_OK);
    const Sent s = sent();
    EXPECT_TRUE(s.ok);
    EXPECT_EQ(s.data, record);
}
