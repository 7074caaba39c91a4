// Device management exports on the wire: request frames, result rule, out-buffer copies.
#include <climits>

#include "api/export_cases.h"

using namespace kestrel::test;

namespace {

Bytes count_up(std::size_t n, std::uint8_t from = 'A') {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(from + i);
    return b;
}

std::vector<ExportCase> device_cases() {
    const Bytes identity = count_up(24);  // longer than the 22 bytes the export takes
    return {
        {"DeviceRestore", [](auto, auto) { return DeviceRestore(1); }, {}, 0x01, {}, {}, false, {}, {}},
        {"DeviceReset", [](auto, auto) { return DeviceReset(0x301); }, {}, 0x02, {}, {}, false, {}, {}},
        {"Set_Baud_Rate", [](auto, auto) { return Set_Baud_Rate(1, 0x104); }, {}, 0x03, {0x04}, {}, false, {}, {}},
        {"ALARM", [](auto, auto) { return ALARM(1, 7, 20, 20, 3); }, {}, 0x04, {7, 20, 20, 3}, {}, true, {}, {}},
        {"ALARM negative selector", [](auto, auto) { return ALARM(1, -1, 0x10, 0x1FF, 5); }, {}, 0x04,
         {0xFF, 0x10, 0xFF, 5}, {}, true, {}, {}},
        {"GetDeviceInfo", [](auto, std::uint8_t* out) { return GetDeviceInfo(1, out); }, {}, 0x05, {}, identity,
         false, {}, Bytes(identity.begin(), identity.begin() + 22), 22},
        {"ReadDeviceNo", [](auto, std::uint8_t* out) { return ReadDeviceNo(1, out); }, {}, 0x07, {}, {0x07, 0x99},
         false, {}, {0x07}, 1},
        {"WriteDeviceNo", [](auto, auto) { return WriteDeviceNo(1, 0x206); }, {}, 0x06, {0x06}, {}, false, {}, {}},
        {"Read_DeviceTemp", [](auto, std::uint8_t* out) { return Read_DeviceTemp(1, out); }, {}, 0x10, {}, {0x2A},
         false, {}, {0x2A}, 1},
    };
}

// Replies shorter than the fixed copy: the missing bytes are written as 0.
std::vector<ExportCase> short_replies() {
    return {
        {"GetDeviceInfo, 3 bytes", [](auto, std::uint8_t* out) { return GetDeviceInfo(1, out); }, {}, 0x05, {},
         {'K', 'R', '1'}, false, {}, [] { Bytes b(22, 0); b[0] = 'K'; b[1] = 'R'; b[2] = '1'; return b; }(), 22},
        {"ReadDeviceNo, empty", [](auto, std::uint8_t* out) { return ReadDeviceNo(1, out); }, {}, 0x07, {}, {}, false,
         {}, {0x00}, 1},
        {"Read_DeviceTemp, empty", [](auto, std::uint8_t* out) { return Read_DeviceTemp(1, out); }, {}, 0x10, {}, {},
         false, {}, {0x00}, 1},
    };
}

}  // namespace

using DeviceExports = ExportWireTest;

TEST_F(DeviceExports, SendTheirRequestAndCopyTheReply) {
    for (const auto& c : device_cases()) check_reply(c);
}

TEST_F(DeviceExports, FixedCopiesFillWhatAShortReplyLacksWithZero) {
    for (const auto& c : short_replies()) check_reply(c);
}

TEST_F(DeviceExports, AFailedLinkLeavesOnlyTheClearedBytes) {
    check_failures(device_cases());
}

TEST_F(DeviceExports, ANullBufferIsRefusedBeforeAnythingIsSent) {
    check_null_buffers(device_cases());
}

TEST_F(DeviceExports, AlarmRefusesASelectorAboveSevenBeforeSending) {
    for (int selector : {8, 0x107, INT_MAX}) {
        EXPECT_EQ(ALARM(1, selector, 20, 20, 3), KESTREL_E_ALARM_SELECTOR) << selector;
        EXPECT_EQ(port.write_calls, 0) << selector;
        EXPECT_EQ(port.purges, 0) << selector;
    }
    // A selector whose low byte is small but whose value is above 7 is still refused; a
    // negative one is not (signed comparison).
    answer(0x04, 0x00);
    EXPECT_EQ(ALARM(1, INT_MIN, 0, 0, 0), KESTREL_OK);
    EXPECT_EQ(sent().data, (Bytes{0x00, 0, 0, 0}));
}

TEST_F(DeviceExports, TemperatureCommandIsDoubledAndLeftOutOfTheCheck) {
    std::uint8_t temperature = 0xFF;
    answer(0x10, 0x00, {0x21});
    ASSERT_EQ(Read_DeviceTemp(1, &temperature), KESTREL_OK);
    EXPECT_EQ(sent_wire(), (Bytes{0x10, 0x01, 0x01, 0x10, 0x10, 0x00, 0x01, 0x10, 0x02}));
    EXPECT_EQ(temperature, 0x21);
}

TEST_F(DeviceExports, OnlyWriteDeviceNoAcceptsAReplyFromAnotherAddress) {
    answer(0x06, 0x00, {}, 0x06);
    EXPECT_EQ(WriteDeviceNo(5, 6), KESTREL_OK) << "the reader answers from its new number";
    std::uint8_t number = 0xEE;
    answer(0x07, 0x00, {0x06}, 0x06);
    EXPECT_EQ(ReadDeviceNo(5, &number), KESTREL_E_REPLY_ADDRESS_RULE);
    EXPECT_EQ(number, 0x00);
}
