// GB tag exports on the wire: one row per export, then the computed request sizes.
#include "api/export_cases.h"

namespace kestrel::test {
namespace {

using GbExports = ExportWireTest;

const std::vector<ExportCase> kGb = {
    {.name = "GB_Read_Select_Para",
     .call = [](uint8_t*, uint8_t* out) { return GB_Read_Select_Para(kAddress, out); },
     .command = 0x40,
     .reply = {0x07, 0x01, 0x00, 0x20, 0x08, 0xAB, 0x14, 0x99},
     .verdict = true,
     .out_after = {0x07, 0x01, 0x00, 0x20, 0x08, 0xAB, 0x14}},
    {.name = "GB_Write_Select_Para",
     .call = [](uint8_t* in, uint8_t*) { return GB_Write_Select_Para(kAddress, in); },
     .input = {0x09, 0x01, 0x01, 0x00, 0x20, 0x10, 0xAB, 0xCD, 0x14, 0x77},
     .command = 0x41,
     .request = {0x09, 0x01, 0x01, 0x00, 0x20, 0x10, 0xAB, 0xCD, 0x14},
     .verdict = true},
    {.name = "GB_Query_ON",
     .call = [](uint8_t*, uint8_t*) { return GB_Query_ON(kAddress); },
     .command = 0x42,
     .verdict = true},
    {.name = "GB_Read_Tag_List",
     .call = [](uint8_t*, uint8_t* out) { return GB_Read_Tag_List(kAddress, 0x102, 10, out); },
     .command = 0x43,
     .request = {0x02, 0x0A},
     .reply = {0x00, 0x08, 0x00, 0x03, 0x01, 0x02, 0xAA, 0x55, 0x99},
     .verdict = true,
     .out_after = {0x00, 0x08, 0x00, 0x03, 0x01, 0x02, 0xAA, 0x55}},
    {.name = "GB_Set_Pwd",
     .call = [](uint8_t* in, uint8_t*) { return GB_Set_Pwd(kAddress, 1, 3, in, in ? in + 4 : nullptr); },
     .input = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88},
     .command = 0x45,
     .request = {0x01, 0x03, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88},
     .verdict = true},
    {.name = "GB_Wake_TAG",
     .call = [](uint8_t* in, uint8_t* out) { return GB_Wake_TAG(kAddress, in, out); },
     .input = {0x01, 0x00, 0x20, 0x0C, 0xAB, 0xCD, 0xEF},
     .command = 0x46,
     .request = {0x01, 0x00, 0x20, 0x0C, 0xAB, 0xCD},
     .reply = {0x03, 0x30, 0x00, 0xAA, 0x99},
     .verdict = true,
     .out_after = {0x03, 0x30, 0x00, 0xAA}},
    {.name = "GB_Access_Proc",
     .call = [](uint8_t*, uint8_t*) { return GB_Access_Proc(kAddress, 4, 1); },
     .command = 0x47,
     .request = {0x04, 0x01},
     .verdict = true},
    {.name = "GB_Read_TAG",
     .call = [](uint8_t* in, uint8_t* out) { return GB_Read_TAG(kAddress, in, out); },
     .input = {0x03, 0x00, 0x02, 0x00, 0x02, 0x99},
     .command = 0x48,
     .request = {0x03, 0x00, 0x02, 0x00, 0x02},
     .reply = {0x04, 0xA1, 0xA2, 0x10, 0xA4, 0x99},
     .verdict = true,
     .out_after = {0x04, 0xA1, 0xA2, 0x10, 0xA4}},
    {.name = "GB_Write_TAG",
     .call = [](uint8_t* in, uint8_t*) { return GB_Write_TAG(kAddress, in); },
     .input = {0x03, 0x00, 0x00, 0x00, 0x02, 0xA1, 0xA2, 0xA3, 0xA4, 0x99},
     .command = 0x49,
     .request = {0x03, 0x00, 0x00, 0x00, 0x02, 0xA1, 0xA2, 0xA3, 0xA4},
     .reply = {0x0B, 0x99},
     .verdict = true,
     .in_after = verdict_into({0x03, 0x00, 0x00, 0x00, 0x02, 0xA1, 0xA2, 0xA3, 0xA4, 0x99}, 0x0B)},
    {.name = "GB_Kill_TAG",
     .call = [](uint8_t* in, uint8_t*) { return GB_Kill_TAG(kAddress, in); },
     .input = {'K', 'I', 'L', 'L', 0x99},
     .command = 0x4A,
     .request = {'K', 'I', 'L', 'L'},
     .reply = {0x00},
     .verdict = true,
     .in_after = verdict_into({'K', 'I', 'L', 'L', 0x99}, 0x00)},
    {.name = "GB_Lock_TAG",
     .call = [](uint8_t* in, uint8_t*) { return GB_Lock_TAG(kAddress, in); },
     .input = {0x03, 0x01, 0x03, 0x99},
     .command = 0x4B,
     .request = {0x03, 0x01, 0x03},
     .reply = {0x42},
     .verdict = true,
     .in_after = verdict_into({0x03, 0x01, 0x03, 0x99}, 0x42)},
    {.name = "GB_Write_Block_TAG",
     .call = [](uint8_t* in, uint8_t*) { return GB_Write_Block_TAG(kAddress, in); },
     .input = {0x07, 0x08, 0x02, 0xB1, 0xB2, 0xB3, 0xB4, 0x99},
     .command = 0x4C,
     .request = {0x07, 0x08, 0x02, 0xB1, 0xB2, 0xB3, 0xB4},
     .reply = {0x00},
     .verdict = true,
     .in_after = verdict_into({0x07, 0x08, 0x02, 0xB1, 0xB2, 0xB3, 0xB4, 0x99}, 0x00)},
    {.name = "GB_Erase_TAG",
     .call = [](uint8_t* in, uint8_t*) { return GB_Erase_TAG(kAddress, in); },
     .input = {0x10, 0x00, 0x10, 0x00, 0x02, 0x99},
     .command = 0x4D,
     .request = {0x10, 0x00, 0x10, 0x00, 0x02},
     .reply = {0x10},
     .verdict = true,
     .in_after = verdict_into({0x10, 0x00, 0x10, 0x00, 0x02, 0x99}, 0x10)},
    {.name = "GB_Halt_TAG",
     .call = [](uint8_t*, uint8_t*) { return GB_Halt_TAG(kAddress); },
     .command = 0x4E,
     .verdict = true},
    {.name = "GB_Edit_TAG_Pwd",
     .call = [](uint8_t* in, uint8_t*) { return GB_Edit_TAG_Pwd(kAddress, in); },
     .input = counting(10, 0x20),
     .command = 0x4F,
     .request = counting(9, 0x20),
     .reply = {0x07},
     .verdict = true,
     .in_after = verdict_into(counting(10, 0x20), 0x07)},
    {.name = "GB_Get_SecPara",
     .call = [](uint8_t*, uint8_t* out) { return GB_Get_SecPara(kAddress, out); },
     .command = 0x50,
     .reply = {0x08, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0xE2, 0x80, 0x99},
     .verdict = true,
     .out_after = {0x08, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0xE2, 0x80}},
    {.name = "GB_Set_SecPara",
     .call = [](uint8_t* in, uint8_t*) { return GB_Set_SecPara(kAddress, in); },
     .input = counting(7, 0x51),
     .command = 0x51,
     .request = counting(6, 0x51),
     .reply = {0x00},
     .verdict = true,
     .in_after = verdict_into(counting(7, 0x51), 0x00)},
    {.name = "GB_Set_Auth_Pwd",
     .call = [](uint8_t* in, uint8_t*) { return GB_Set_Auth_Pwd(kAddress, in); },
     .input = counting(17, 0x0A),
     .command = 0x52,
     .request = counting(16, 0x0A),
     .reply = {0x00},
     .verdict = true,
     .in_after = verdict_into(counting(17, 0x0A), 0x00)},
    {.name = "GB_T2R_XAuth",
     .call = [](uint8_t*, uint8_t*) { return GB_T2R_XAuth(kAddress); },
     .command = 0x53,
     .verdict = true},
    {.name = "GB_T2R_SAuth",
     .call = [](uint8_t*, uint8_t*) { return GB_T2R_SAuth(kAddress); },
     .command = 0x54,
     .verdict = true},
    {.name = "GB_R2T_XAuth",
     .call = [](uint8_t*, uint8_t*) { return GB_R2T_XAuth(kAddress); },
     .command = 0x55,
     .verdict = true},
    {.name = "GB_R2T_SAuth",
     .call = [](uint8_t*, uint8_t*) { return GB_R2T_SAuth(kAddress); },
     .command = 0x56,
     .verdict = true},
    {.name = "GB_Mul_XAuth",
     .call = [](uint8_t*, uint8_t*) { return GB_Mul_XAuth(kAddress); },
     .command = 0x57,
     .verdict = true},
    {.name = "GB_Mul_SAuth",
     .call = [](uint8_t*, uint8_t*) { return GB_Mul_SAuth(kAddress); },
     .command = 0x58,
     .verdict = true},
    {.name = "GB_Sec_Comm",
     .call = [](uint8_t*, uint8_t*) { return GB_Sec_Comm(kAddress); },
     .command = 0x59,
     .verdict = true},
    {.name = "GB_TAG_Cust_Command",
     .call = [](uint8_t* in, uint8_t* out) { return GB_TAG_Cust_Command(kAddress, in, out); },
     .input = {0x00, 0x0C, 0x01, 0x00, 0x10, 0xAB, 0xCD, 0x99},
     .command = 0xE0,
     .request = {0x00, 0x0C, 0x01, 0x00, 0x10, 0xAB, 0xCD},
     .reply = {0x02, 0x12, 0x34, 0x99},
     .verdict = true,
     .out_after = {0x02, 0x12, 0x34}},
};

TEST_F(GbExports, EachSendsItsRequestAndCopiesItsReply) {
    ASSERT_EQ(kGb.size(), 26u);
    for (const ExportCase& c : kGb) check_reply(c);
}

TEST_F(GbExports, AFailedLinkTouchesNoBuffer) {
    check_failures(kGb);
}

TEST_F(GbExports, ANullBufferIsRefusedBeforeAnythingIsSent) {
    check_null_buffers(kGb);
}

// A count taken from the reply never copies more than the reply delivered.
TEST_F(GbExports, CopiesStopAtTheBytesReceived) {
    const std::vector<ExportCase> cases = {
        {.name = "select record states 9 bytes, 3 delivered",
         .call = [](uint8_t*, uint8_t* out) { return GB_Read_Select_Para(kAddress, out); },
         .command = 0x40,
         .reply = {0x09, 0x01, 0x02},
         .verdict = true,
         .out_after = {0x09, 0x01, 0x02}},
        {.name = "select record of length 0 writes only the 0",
         .call = [](uint8_t*, uint8_t* out) { return GB_Read_Select_Para(kAddress, out); },
         .command = 0x40,
         .reply = {0x00, 0x55},
         .verdict = true,
         .out_after = {0x00}},
        {.name = "tag list block states 0x0109 bytes, 5 delivered",
         .call = [](uint8_t*, uint8_t* out) { return GB_Read_Tag_List(kAddress, 0, 10, out); },
         .command = 0x43,
         .request = {0x00, 0x0A},
         .reply = {0x01, 0x09, 0x00, 0x01, 0x01},
         .verdict = true,
         .out_after = {0x01, 0x09, 0x00, 0x01, 0x01}},
        {.name = "tag list block of length 0 writes the two length bytes, whatever the record count",
         .call = [](uint8_t*, uint8_t* out) { return GB_Read_Tag_List(kAddress, 0, 10, out); },
         .command = 0x43,
         .request = {0x00, 0x0A},
         .reply = {0x00, 0x00, 0x00, 0x05, 0x05},
         .verdict = true,
         .out_after = {0x00, 0x00}},
        {.name = "read data states 200 bytes, 2 delivered",
         .call = [](uint8_t* in, uint8_t* out) { return GB_Read_TAG(kAddress, in, out); },
         .input = {0x04, 0x00, 0x00, 0x00, 0x64},
         .command = 0x48,
         .request = {0x04, 0x00, 0x00, 0x00, 0x64},
         .reply = {0xC8, 0xA1},
         .verdict = true,
         .out_after = {0xC8, 0xA1}},
        {.name = "security parameters without TID",
         .call = [](uint8_t*, uint8_t* out) { return GB_Get_SecPara(kAddress, out); },
         .command = 0x50,
         .reply = {0x06, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56},
         .verdict = true,
         .out_after = {0x06, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56}},
        {.name = "an empty reply writes nothing, not even the count",
         .call = [](uint8_t*, uint8_t* out) { return GB_Get_SecPara(kAddress, out); },
         .command = 0x50,
         .verdict = true,
         .out_after = {}},
        {.name = "verdict byte of an empty reply is 0",
         .call = [](uint8_t* in, uint8_t*) { return GB_Lock_TAG(kAddress, in); },
         .input = {0x03, 0x00, 0x01},
         .command = 0x4B,
         .request = {0x03, 0x00, 0x01},
         .verdict = true,
         .in_after = verdict_into({0x03, 0x00, 0x01}, 0x00)},
    };
    for (const ExportCase& c : cases) check_reply(c);
}

// Requests whose size the export computes from the caller's bytes.
struct SizeCase {
    const char* name;
    int (*call)(uint8_t* in);
    Bytes header;
    std::size_t sent;  // request length on the wire
};

TEST_F(GbExports, ComputedRequestSizes) {
    constexpr std::size_t kRefused = SIZE_MAX;
    const auto write = [](uint8_t* in) { return GB_Write_TAG(kAddress, in); };
    const auto block = [](uint8_t* in) { return GB_Write_Block_TAG(kAddress, in); };
    const auto wake = [](uint8_t* in) { return GB_Wake_TAG(kAddress, in, in + 300); };
    const auto custom = [](uint8_t* in) { return GB_TAG_Cust_Command(kAddress, in, in + 300); };
    const auto select = [](uint8_t* in) { return GB_Write_Select_Para(kAddress, in); };
    const std::vector<SizeCase> cases = {
        {"write, no words", write, {0x03, 0x00, 0x00, 0x00, 0x00}, 5},
        {"write, 125 words fill the length byte", write, {0x03, 0x00, 0x00, 0x00, 125}, 255},
        {"write, 256 words: the count's high byte counts, refused", write, {0x03, 0x00, 0x00, 0x01, 0x00}, kRefused},
        {"write, 126 words: 257 bytes, refused", write, {0x03, 0x00, 0x00, 0x00, 126}, kRefused},
        {"block write, no words", block, {0x00, 0x00, 0x00}, 3},
        {"block write, 126 words", block, {0x00, 0x00, 126}, 255},
        {"block write, 127 words: 257 bytes, refused", block, {0x00, 0x00, 127}, kRefused},
        {"wake, 0 bits", wake, {0x01, 0x00, 0x00, 0}, 4},
        {"wake, 17 bits", wake, {0x01, 0x00, 0x00, 17}, 7},
        {"custom, 1 bit", custom, {0x00, 0x01, 0x00, 0x00, 0x00}, 6},
        {"custom, 16 bits", custom, {0x00, 0x10, 0x00, 0x00, 0x00}, 7},
        {"select, empty record", select, {0x00}, 0},
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

}  // namespace
}  // namespace kestrel::test
