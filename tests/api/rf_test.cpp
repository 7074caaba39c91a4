// RF and work-parameter exports on the wire: request frames, result rule, out-buffer copies.
#include "api/export_cases.h"

using namespace kestrel::test;

namespace {

const Bytes kWork = {0x02, 0x00, 0x01, 0x01, 0x10, 0x1E, 0x01};
const Bytes kChannels = {0x01, 0xFF, 0x0F, 0x00, 0x10, 0x80, 0x01, 0x02, 0x03};
const Bytes kMask = {0xF0, 0xE1, 0xD2, 0xC3, 0xB4, 0xA5, 0x96, 0x87};
const Bytes kMenjin = {0x01, 0x02, 0x03, 0x04, 0x02};

std::vector<ExportCase> rf_cases() {
    return {
        {"Set_Work_Param", [](std::uint8_t* in, auto) { return Set_Work_Param(1, in); }, kWork, 0x11, kWork, {},
         true, {}, {}},
        {"Get_Work_Param", [](auto, std::uint8_t* out) { return Get_Work_Param(1, out); }, {}, 0x12, {},
         {0x02, 0x00, 0x01, 0x01, 0x05, 0x1E, 0x01, 0x99}, false, {}, {0x02, 0x00, 0x01, 0x01, 0x05, 0x1E, 0x01}, 7},
        {"Set_R2000_ON_OFF", [](auto, auto) { return Set_R2000_ON_OFF(1, 0x101); }, {}, 0x13, {0x01}, {}, false, {},
         {}},
        {"Set_CW_ON_OFF", [](auto, auto) { return Set_CW_ON_OFF(1, 0); }, {}, 0x14, {0x00}, {}, true, {}, {}},
        {"Get_RF_Power", [](auto, std::uint8_t* out) { return Get_RF_Power(1, out); }, {}, 0x15, {},
         {0x1E, 0x1D, 0x40, 0x99}, false, {}, {0x1E, 0x1D, 0x40}, 1},
        {"Set_Active_ANT", [](auto, auto) { return Set_Active_ANT(1, 4); }, {}, 0x17, {0x04}, {}, true, {}, {}},
        {"Set_CH_Active", [](std::uint8_t* in, auto) { return Set_CH_Active(1, in); }, kChannels, 0x18, kChannels,
         {}, true, {}, {}},
        // The region code in byte 0 is the request and is overwritten by the mask.
        {"Get_CH_Active", [](std::uint8_t* in, auto) { return Get_CH_Active(1, in); }, {0x01}, 0x19, {0x01},
         [] { Bytes b = kMask; b.push_back(0x99); return b; }(), false, kMask, {}},
        {"Set_Menjin_Param", [](std::uint8_t* in, auto) { return Set_Menjin_Param(1, in); }, kMenjin, 0x1A, kMenjin,
         {}, true, {}, {}},
        {"Get_Menjin_Param", [](auto, std::uint8_t* out) { return Get_Menjin_Param(1, out); }, {}, 0x1B, {}, kMenjin,
         false, {}, kMenjin, 5},
    };
}

// Replies shorter than the fixed copy: the missing bytes are written as 0.
std::vector<ExportCase> short_replies() {
    return {
        {"Get_Work_Param, 2 bytes", [](auto, std::uint8_t* out) { return Get_Work_Param(1, out); }, {}, 0x12, {},
         {0x02, 0x03}, false, {}, {0x02, 0x03, 0, 0, 0, 0, 0}, 7},
        {"Get_RF_Power, 1 byte", [](auto, std::uint8_t* out) { return Get_RF_Power(1, out); }, {}, 0x15, {}, {0x1E},
         false, {}, {0x1E, 0, 0}, 1},
        {"Get_CH_Active, 3 bytes", [](std::uint8_t* in, auto) { return Get_CH_Active(1, in); }, {0x02}, 0x19, {0x02},
         {0xAA, 0xBB, 0xCC}, false, {0xAA, 0xBB, 0xCC, 0, 0, 0, 0, 0}, {}},
        {"Get_Menjin_Param, empty", [](auto, std::uint8_t* out) { return Get_Menjin_Param(1, out); }, {}, 0x1B, {},
         {}, false, {}, Bytes(5, 0), 5},
    };
}

}  // namespace

using RfExports = ExportWireTest;

TEST_F(RfExports, SendTheirRequestAndCopyTheReply) {
    for (const auto& c : rf_cases()) check_reply(c);
}

TEST_F(RfExports, FixedCopiesFillWhatAShortReplyLacksWithZero) {
    for (const auto& c : short_replies()) check_reply(c);
}

// Get_RF_Power clears only its first byte; Get_CH_Active clears nothing.
TEST_F(RfExports, AFailedLinkLeavesOnlyTheClearedBytes) {
    check_failures(rf_cases());
}

TEST_F(RfExports, ANullBufferIsRefusedBeforeAnythingIsSent) {
    check_null_buffers(rf_cases());
}

TEST_F(RfExports, WorkParameterByte0x10IsDoubledAndLeftOutOfTheCheck) {
    Bytes params = kWork;
    answer(0x11, 0x00);
    ASSERT_EQ(Set_Work_Param(1, params.data()), KESTREL_OK);
    EXPECT_EQ(sent_wire(), (Bytes{0x10, 0x01, 0x01, 0x11, 0x07, 0x02, 0x00, 0x01, 0x01, 0x10, 0x10, 0x1E, 0x01, 0x0A,
                                  0x10, 0x02}));
}
