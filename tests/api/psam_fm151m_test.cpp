// PSAM and FM151M exports on the wire: one row per export, the self-counted and computed
// request sizes, and the count-prefixed random number copy.
#include "api/export_cases.h"

namespace kestrel::test {
namespace {

using PsamFm151mExports = ExportWireTest;

const std::vector<ExportCase> kPsamFm151m = {
    {.name = "PSAM_POWER_ON",
     .call = [](uint8_t*, uint8_t* out) { return PSAM_POWER_ON(kAddress, 1, 0x101, out); },
     .command = 0xF0,
     .request = {0x01, 0x01},
     .reply = {0x03, 0x3B, 0x90, 0x00, 0x99},
     .verdict = true,
     .out_after = {0x03, 0x3B, 0x90, 0x00}},
    {.name = "PSAM_Warm_Reset",
     .call = [](uint8_t*, uint8_t* out) { return PSAM_Warm_Reset(kAddress, 0, out); },
     .command = 0xF1,
     .request = {0x00},
     .reply = {0x01, 0x3B},
     .verdict = true,
     .out_after = {0x01, 0x3B}},
    {.name = "PSAM_Command, case-1 APDU",
     .call = [](uint8_t* in, uint8_t* out) { return PSAM_Command(kAddress, in, out); },
     .input = {0x06, 0x00, 0x01, 0x00, 0xA4, 0x00, 0x00, 0x99},
     .command = 0xF2,
     .request = {0x06, 0x00, 0x01, 0x00, 0xA4, 0x00, 0x00},
     .reply = {0x02, 0x90, 0x00},
     .verdict = true,
     .out_after = {0x02, 0x90, 0x00}},
    {.name = "PSAM_FD_Issue",
     .call = [](uint8_t* in, uint8_t* out) { return PSAM_FD_Issue(kAddress, in, out); },
     .input = concat(concat({0x60}, counting(96, 0x01)), {0x99}),
     .command = 0xF3,
     .request = concat({0x60}, counting(96, 0x01)),
     .reply = {0x03, 0x00, 0x90, 0x00},
     .verdict = true,
     .out_after = {0x03, 0x00, 0x90, 0x00}},
    {.name = "FM151M_Get_ID",
     .call = [](uint8_t*, uint8_t* out) { return FM151M_Get_ID(kAddress, out); },
     .command = 0xD0,
     .reply = concat({27}, counting(28, 0x20)),
     .verdict = true,
     .out_after = concat({27}, counting(27, 0x20))},
    {.name = "FM151M_Get_RN",
     .call = [](uint8_t*, uint8_t* out) { return FM151M_Get_RN(kAddress, 0x10004, out); },
     .command = 0xD1,
     .request = {0x00, 0x04},
     .reply = {0x00, 0x04, 0xA1, 0xA2, 0xA3, 0xA4, 0x99},
     .verdict = true,
     .out_after = {0x00, 0x04, 0xA1, 0xA2, 0xA3, 0xA4}},
    {.name = "FM151M_Hash, add",
     .call = [](uint8_t* in, uint8_t* out) { return FM151M_Hash(kAddress, in, out); },
     .input = {0x01, 0x02, 0x03, 'a', 'b', 'c', 0x99},
     .command = 0xD2,
     .request = {0x01, 0x02, 0x03, 'a', 'b', 'c'},
     .reply = {0x00, 0x99},
     .verdict = true,
     .out_after = {0x00}},
    {.name = "FM151M_Cipher, process",
     .call = [](uint8_t* in, uint8_t* out) { return FM151M_Cipher(kAddress, in, out); },
     .input = {0x01, 0x01, 0x00, 0x05, 0x02, 0xD1, 0xD2, 0x99},
     .command = 0xD3,
     .request = {0x01, 0x01, 0x00, 0x05, 0x02, 0xD1, 0xD2},
     .reply = {0x02, 0xE1, 0xE2, 0x99},
     .verdict = true,
     .out_after = {0x02, 0xE1, 0xE2}},
};

TEST_F(PsamFm151mExports, EachSendsItsRequestAndCopiesItsReply) {
    ASSERT_EQ(kPsamFm151m.size(), 8u);
    for (const ExportCase& c : kPsamFm151m) check_reply(c);
}

TEST_F(PsamFm151mExports, AFailedLinkTouchesNoBuffer) {
    check_failures(kPsamFm151m);
}

TEST_F(PsamFm151mExports, ANullBufferIsRefusedBeforeAnythingIsSent) {
    check_null_buffers(kPsamFm151m);
}

TEST_F(PsamFm151mExports, ComputedRequestSizes) {
    constexpr std::size_t kRefused = SIZE_MAX;
    struct SizeCase {
        const char* name;
        int (*call)(uint8_t* in);
        Bytes header;
        std::size_t sent;
    };
    const auto psam = [](uint8_t* in) { return PSAM_Command(kAddress, in, in + 300); };
    const auto hash = [](uint8_t* in) { return FM151M_Hash(kAddress, in, in + 300); };
    const auto cipher = [](uint8_t* in) { return FM151M_Cipher(kAddress, in, in + 300); };
    const std::vector<SizeCase> cases = {
        {"PSAM count 0", psam, {0x00}, 1},
        {"PSAM count 254", psam, {254}, 255},
        {"PSAM count 255: 256 bytes, refused", psam, {255}, kRefused},
        {"PSAM issue count 255: refused", [](uint8_t* in) { return PSAM_FD_Issue(kAddress, in, in + 300); }, {255},
         kRefused},
        {"hash of 252 fills the length byte", hash, {0x01, 0x01, 252}, 255},
        {"hash of 253: refused", hash, {0x01, 0x01, 253}, kRefused},
        {"cipher of 250 fills the length byte", cipher, {0x01, 0x01, 0x01, 0x05, 250}, 255},
        {"cipher of 255: refused", cipher, {0x01, 0x01, 0x01, 0x05, 255}, kRefused},
        {"hash start", hash, {0x00, 0x01, 0x00}, 3},
        {"hash add of 240", hash, {0x01, 0x01, 240}, 243},
        {"hash finish", hash, {0x02, 0x01, 0x00}, 3},
        {"cipher release", cipher, {0x02, 0x01, 0x00, 0x05, 0x00}, 5},
        {"cipher start with SM4 key and vector", cipher, {0x00, 0x01, 0x01, 0x05, 32}, 37},
        {"cipher process of 240", cipher, {0x01, 0x01, 0x01, 0x05, 240}, 245},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes in = concat(c.header, counting(600 - c.header.size(), 0x40));
        if (c.sent == kRefused) {
            const std::size_t written = port.written.size();
            EXPECT_EQ(c.call(in.data()), KESTREL_E_REQUEST_TOO_LONG);
            EXPECT_EQ(port.written.size(), written) << "nothing sent";
            continue;
        }
        stay_silent();
        EXPECT_EQ(c.call(in.data()), KESTREL_E_NO_REPLY);
        const Sent s = sent();
        ASSERT_TRUE(s.ok);
        EXPECT_EQ(s.data, Bytes(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(c.sent)));
    }
}

TEST_F(PsamFm151mExports, CountedCopiesStopAtTheBytesReceived) {
    const std::vector<ExportCase> cases = {
        {.name = "1024 bytes asked, none given: the two count bytes only",
         .call = [](uint8_t*, uint8_t* out) { return FM151M_Get_RN(kAddress, 1024, out); },
         .command = 0xD1,
         .request = {0x04, 0x00},
         .reply = {0x00, 0x00, 0x99},
         .verdict = true,
         .out_after = {0x00, 0x00}},
        {.name = "count 0x0105 stated, 3 bytes delivered",
         .call = [](uint8_t*, uint8_t* out) { return FM151M_Get_RN(kAddress, 0x105, out); },
         .command = 0xD1,
         .request = {0x01, 0x05},
         .reply = {0x01, 0x05, 0x77},
         .verdict = true,
         .out_after = {0x01, 0x05, 0x77}},
        {.name = "one count byte delivered: that byte only",
         .call = [](uint8_t*, uint8_t* out) { return FM151M_Get_RN(kAddress, 16, out); },
         .command = 0xD1,
         .request = {0x00, 0x10},
         .reply = {0x00},
         .verdict = true,
         .out_after = {0x00}},
        {.name = "digest length stated beyond the reply",
         .call = [](uint8_t* in, uint8_t* out) { return FM151M_Hash(kAddress, in, out); },
         .input = {0x02, 0x01, 0x00},
         .command = 0xD2,
         .request = {0x02, 0x01, 0x00},
         .reply = {0x20, 0xAA, 0xBB},
         .verdict = true,
         .out_after = {0x20, 0xAA, 0xBB}},
    };
    for (const ExportCase& c : cases) check_reply(c);
}

}  // namespace
}  // namespace kestrel::test
