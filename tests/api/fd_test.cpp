// FD custom-tag exports on the wire: one row per export, the fixed 16-byte key copy and the
// block write sizes.
#include "api/export_cases.h"

namespace kestrel::test {
namespace {

using FdExports = ExportWireTest;

const std::vector<ExportCase> kFd = {
    {.name = "GB_FD_Cust_Access",
     .call = [](uint8_t* in, uint8_t*) { return GB_FD_Cust_Access(kAddress, in); },
     .input = {0x12, 0x34, 0x56, 0x78, 0x99},
     .command = 0xA0,
     .request = {0x12, 0x34, 0x56, 0x78},
     .reply = {0x21, 0x99},
     .verdict = true,
     .in_after = verdict_into({0x12, 0x34, 0x56, 0x78, 0x99}, 0x21)},
    {.name = "GB_FD_Cust_Pwd_Write",
     .call = [](uint8_t* in, uint8_t*) { return GB_FD_Cust_Pwd_Write(kAddress, in); },
     .input = {0x10, 0x10, 0x10, 0x10, 0x99},
     .command = 0xA1,
     .request = {0x10, 0x10, 0x10, 0x10},
     .reply = {0x00},
     .verdict = true,
     .in_after = verdict_into({0x10, 0x10, 0x10, 0x10, 0x99}, 0x00)},
    {.name = "GB_FD_Cust_Pwd_Lock sends exactly one byte",
     .call = [](uint8_t* in, uint8_t*) { return GB_FD_Cust_Pwd_Lock(kAddress, in); },
     .input = {0x01, 0x99, 0x99},
     .command = 0xA2,
     .request = {0x01},
     .reply = {0x33},
     .verdict = true,
     .in_after = verdict_into({0x01, 0x99, 0x99}, 0x33)},
    {.name = "GB_FD_Cust_Init_End",
     .call = [](uint8_t* in, uint8_t*) { return GB_FD_Cust_Init_End(kAddress, in); },
     .input = {'Q', 'I', 'N', 'E', 0x99},
     .command = 0xA3,
     .request = {'Q', 'I', 'N', 'E'},
     .reply = {0x00},
     .verdict = true,
     .in_after = verdict_into({'Q', 'I', 'N', 'E', 0x99}, 0x00)},
    {.name = "GB_FD_Cust_Lock_Info",
     .call = [](uint8_t*, uint8_t* out) { return GB_FD_Cust_Lock_Info(kAddress, out); },
     .command = 0xA4,
     .reply = {0x02, 0x01, 0x00, 0x99},
     .verdict = true,
     .out_after = {0x02, 0x01, 0x00}},
    {.name = "GB_FD_Write_Auth_Pwd",
     .call = [](uint8_t* in, uint8_t*) { return GB_FD_Write_Auth_Pwd(kAddress, in); },
     .input = counting(17, 0x08),
     .command = 0xA5,
     .request = counting(16, 0x08),
     .reply = {0x00},
     .verdict = true,
     .in_after = verdict_into(counting(17, 0x08), 0x00)},
    {.name = "GB_FD_Dual_Auth",
     .call = [](uint8_t*, uint8_t*) { return GB_FD_Dual_Auth(kAddress, 1, 0x102); },
     .command = 0xA6,
     .request = {0x01, 0x02},
     .reply = {0x44},
     .verdict = true},
    {.name = "GB_FD_Get_Diver_Key",
     .call = [](uint8_t*, uint8_t* out) { return GB_FD_Get_Diver_Key(kAddress, 0x10, out); },
     .command = 0xA7,
     .request = {0x10},
     .reply = counting(20, 0xC0),
     .verdict = true,
     .out_after = counting(16, 0xC0)},
    {.name = "GJB_FD_Cust_Read_Block",
     .call = [](uint8_t* in, uint8_t* out) { return GJB_FD_Cust_Read_Block(kAddress, in, out); },
     .input = {0x02, 0x00, 0x01, 0x00, 0x02, 0x99},
     .command = 0xB0,
     .request = {0x02, 0x00, 0x01, 0x00, 0x02},
     .reply = {0x04, 0xE1, 0xE2, 0xE3, 0xE4, 0x99},
     .verdict = true,
     .out_after = {0x04, 0xE1, 0xE2, 0xE3, 0xE4}},
    {.name = "GJB_FD_Cust_Write_Block",
     .call = [](uint8_t* in, uint8_t*) { return GJB_FD_Cust_Write_Block(kAddress, in); },
     .input = {0x01, 0x00, 0x00, 0x00, 0x01, 0xF1, 0xF2, 0x99},
     .command = 0xB1,
     .request = {0x01, 0x00, 0x00, 0x00, 0x01, 0xF1, 0xF2},
     .reply = {0x0E},
     .verdict = true,
     .in_after = verdict_into({0x01, 0x00, 0x00, 0x00, 0x01, 0xF1, 0xF2, 0x99}, 0x0E)},
    {.name = "GJB_FD_Cust_Erase_Block",
     .call = [](uint8_t* in, uint8_t*) { return GJB_FD_Cust_Erase_Block(kAddress, in); },
     .input = {0x02, 0x00, 0x03, 0x00, 0x04, 0x99},
     .command = 0xB2,
     .request = {0x02, 0x00, 0x03, 0x00, 0x04},
     .reply = {0x00},
     .verdict = true,
     .in_after = verdict_into({0x02, 0x00, 0x03, 0x00, 0x04, 0x99}, 0x00)},
    {.name = "GJB_FD_Cust_Lock_Blck",
     .call = [](uint8_t* in, uint8_t*) { return GJB_FD_Cust_Lock_Blck(kAddress, in); },
     .input = {0x01, 0x03, 0x00, 0x99},
     .command = 0xB3,
     .request = {0x01, 0x03, 0x00},
     .reply = {0x00},
     .verdict = true,
     .in_after = verdict_into({0x01, 0x03, 0x00, 0x99}, 0x00)},
    {.name = "GJB_FD_Cust_Lock_Info",
     .call = [](uint8_t*, uint8_t* out) { return GJB_FD_Cust_Lock_Info(kAddress, out); },
     .command = 0xB4,
     .reply = {0x03, 0x01, 0x02, 0x03},
     .verdict = true,
     .out_after = {0x03, 0x01, 0x02, 0x03}},
};

TEST_F(FdExports, EachSendsItsRequestAndCopiesItsReply) {
    ASSERT_EQ(kFd.size(), 13u);
    for (const ExportCase& c : kFd) check_reply(c);
}

TEST_F(FdExports, AFailedLinkTouchesNoBuffer) {
    check_failures(kFd);
}

TEST_F(FdExports, ANullBufferIsRefusedBeforeAnythingIsSent) {
    check_null_buffers(kFd);
}

// The diversified key is always 16 bytes, whatever the reply's length: a short reply leaves
// zeros where it delivered nothing, not stale bytes of the buffer.
TEST_F(FdExports, DiversifiedKeyIsAlwaysSixteenBytes) {
    const auto key = [](uint8_t*, uint8_t* out) { return GB_FD_Get_Diver_Key(kAddress, 2, out); };
    const std::vector<ExportCase> cases = {
        {.name = "short reply",
         .call = key,
         .command = 0xA7,
         .request = {0x02},
         .reply = {0x11, 0x22},
         .verdict = true,
         .out_after = concat({0x11, 0x22}, Bytes(14, 0x00))},
        {.name = "empty reply",
         .call = key,
         .command = 0xA7,
         .request = {0x02},
         .verdict = true,
         .out_after = Bytes(16, 0x00)},
    };
    for (const ExportCase& c : cases) check_reply(c);
}

TEST_F(FdExports, BlockWriteSizeFollowsTheTwoByteWordCount) {
    for (const auto& [words, sent_size] : std::vector<std::pair<std::uint16_t, std::size_t>>{{125, 255}, {126, 0}, {0x0100, 0}}) {
        Bytes in = concat({0x01, 0x00, 0x00, static_cast<uint8_t>(words >> 8), static_cast<uint8_t>(words)},
                          counting(595, 0x30));
        if (sent_size == 0) {  // more than the one-byte length carries: refused, nothing sent
            const std::size_t written = port.written.size();
            EXPECT_EQ(GJB_FD_Cust_Write_Block(kAddress, in.data()), KESTREL_E_REQUEST_TOO_LONG) << words << " words";
            EXPECT_EQ(port.written.size(), written);
            continue;
        }
        stay_silent();
        EXPECT_EQ(GJB_FD_Cust_Write_Block(kAddress, in.data()), KESTREL_E_NO_REPLY);
        EXPECT_EQ(sent().data, Bytes(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(sent_size)))
            << words << " words";
    }
}

}  // namespace
}  // namespace kestrel::test
