// GJB tag exports on the wire: one row per export, then the requests that differ from GB.
#include "api/export_cases.h"

namespace kestrel::test {
namespace {

using GjbExports = ExportWireTest;

const std::vector<ExportCase> kGjb = {
    {.name = "GJB_Read_Select_Para",
     .call = [](uint8_t*, uint8_t* out) { return GJB_Read_Select_Para(kAddress, out); },
     .command = 0x60,
     .reply = {0x06, 0x03, 0x00, 0x00, 0x00, 0x14, 0x99},
     .verdict = true,
     .out_after = {0x06, 0x03, 0x00, 0x00, 0x00, 0x14}},
    {.name = "GJB_Write_Select_Para",
     .call = [](uint8_t* in, uint8_t*) { return GJB_Write_Select_Para(kAddress, in); },
     .input = {0x08, 0x00, 0x01, 0x00, 0x10, 0x08, 0xAB, 0x14, 0x77},
     .command = 0x61,
     .request = {0x08, 0x00, 0x01, 0x00, 0x10, 0x08, 0xAB, 0x14},
     .verdict = true},
    {.name = "GJB_Query_ON",
     .call = [](uint8_t*, uint8_t*) { return GJB_Query_ON(kAddress); },
     .command = 0x62,
     .verdict = true},
    {.name = "GJB_Read_Tag_List",
     .call = [](uint8_t*, uint8_t* out) { return GJB_Read_Tag_List(kAddress, 1, 0x110, out); },
     .command = 0x63,
     .request = {0x01, 0x10},
     .reply = {0x00, 0x06, 0x00, 0x01, 0x01, 0x00, 0x99},
     .verdict = true,
     .out_after = {0x00, 0x06, 0x00, 0x01, 0x01, 0x00}},
    {.name = "GJB_Set_Pwd",
     .call = [](uint8_t* in, uint8_t*) { return GJB_Set_Pwd(kAddress, 0x101, in); },
     .input = counting(17, 0xA0),
     .command = 0x65,
     .request = concat({0x01}, counting(16, 0xA0)),
     .verdict = true},
    {.name = "GJB_Wake_TAG",
     .call = [](uint8_t* in, uint8_t* out) { return GJB_Wake_TAG(kAddress, in, out); },
     .input = {0x01, 0x00, 0x20, 0x09, 0xAB, 0xCD, 0xEF},
     .command = 0x66,
     .request = {0x01, 0x00, 0x20, 0x09, 0xAB, 0xCD},
     .reply = {0x02, 0x30, 0x00, 0x99},
     .verdict = true,
     .out_after = {0x02, 0x30, 0x00}},
    {.name = "GJB_Access_Proc",
     .call = [](uint8_t*, uint8_t*) { return GJB_Access_Proc(kAddress, 3); },
     .command = 0x67,
     .request = {0x03},
     .verdict = true},
    {.name = "GJB_Read_TAG",
     .call = [](uint8_t* in, uint8_t* out) { return GJB_Read_TAG(kAddress, in, out); },
     .input = {0x03, 0x01, 0x00, 0x00, 0x01, 0x99},
     .command = 0x68,
     .request = {0x03, 0x01, 0x00, 0x00, 0x01},
     .reply = {0x02, 0x10, 0x10, 0x99},
     .verdict = true,
     .out_after = {0x02, 0x10, 0x10}},
    {.name = "GJB_Write_TAG",
     .call = [](uint8_t* in, uint8_t*) { return GJB_Write_TAG(kAddress, in); },
     .input = {0x03, 0x00, 0x04, 0x00, 0x01, 0xC1, 0xC2, 0x99},
     .command = 0x69,
     .request = {0x03, 0x00, 0x04, 0x00, 0x01, 0xC1, 0xC2},
     .reply = {0x00},
     .verdict = true,
     .in_after = verdict_into({0x03, 0x00, 0x04, 0x00, 0x01, 0xC1, 0xC2, 0x99}, 0x00)},
    {.name = "GJB_Kill_TAG",
     .call = [](uint8_t* in, uint8_t*) { return GJB_Kill_TAG(kAddress, in); },
     .input = {'K', 'I', 'L', 'L', 0x99},
     .command = 0x6A,
     .request = {'K', 'I', 'L', 'L'},
     .reply = {0x0C},
     .verdict = true,
     .in_after = verdict_into({'K', 'I', 'L', 'L', 0x99}, 0x0C)},
    {.name = "GJB_Lock_TAG",
     .call = [](uint8_t* in, uint8_t*) { return GJB_Lock_TAG(kAddress, in); },
     .input = {0x03, 0x02, 0x00, 0x99},
     .command = 0x6B,
     .request = {0x03, 0x02, 0x00},
     .reply = {0x00},
     .verdict = true,
     .in_after = verdict_into({0x03, 0x02, 0x00, 0x99}, 0x00)},
    {.name = "GJB_Write_Block_TAG",
     .call = [](uint8_t* in, uint8_t*) { return GJB_Write_Block_TAG(kAddress, in); },
     .input = {0x00, 0x00, 0x01, 0xD1, 0xD2, 0x99},
     .command = 0x6C,
     .request = {0x00, 0x00, 0x01, 0xD1, 0xD2},
     .reply = {0x00},
     .verdict = true,
     .in_after = verdict_into({0x00, 0x00, 0x01, 0xD1, 0xD2, 0x99}, 0x00)},
    {.name = "GJB_Erase_TAG",
     .call = [](uint8_t* in, uint8_t*) { return GJB_Erase_TAG(kAddress, in); },
     .input = {0x03, 0x00, 0x00, 0x01, 0x00, 0x99},
     .command = 0x6D,
     .request = {0x03, 0x00, 0x00, 0x01, 0x00},
     .reply = {0x00},
     .verdict = true,
     .in_after = verdict_into({0x03, 0x00, 0x00, 0x01, 0x00, 0x99}, 0x00)},
    {.name = "GJB_Halt_TAG",
     .call = [](uint8_t*, uint8_t*) { return GJB_Halt_TAG(kAddress); },
     .command = 0x6E,
     .verdict = true},
    {.name = "GJB_Edit_TAG_Pwd",
     .call = [](uint8_t* in, uint8_t*) { return GJB_Edit_TAG_Pwd(kAddress, in); },
     .input = counting(17, 0x01),
     .command = 0x6F,
     .request = counting(16, 0x01),
     .reply = {0x09},
     .verdict = true,
     .in_after = verdict_into(counting(17, 0x01), 0x09)},
    {.name = "GJB_Get_SecPara",
     .call = [](uint8_t*, uint8_t* out) { return GJB_Get_SecPara(kAddress, out); },
     .command = 0x70,
     .reply = concat({0x0A}, counting(11, 0x70)),
     .verdict = true,
     .out_after = concat({0x0A}, counting(10, 0x70))},
    {.name = "GJB_TAG_Cust_Command",
     .call = [](uint8_t* in, uint8_t* out) { return GJB_TAG_Cust_Command(kAddress, in, out); },
     .input = {0x00, 0x11, 0x00, 0x00, 0x04, 0xAB, 0xCD, 0xEF, 0x99},
     .command = 0xE1,
     .request = {0x00, 0x11, 0x00, 0x00, 0x04, 0xAB, 0xCD, 0xEF},
     .reply = {0x00, 0x99},
     .verdict = true,
     .out_after = {0x00}},
};

TEST_F(GjbExports, EachSendsItsRequestAndCopiesItsReply) {
    ASSERT_EQ(kGjb.size(), 17u);
    for (const ExportCase& c : kGjb) check_reply(c);
}

TEST_F(GjbExports, AFailedLinkTouchesNoBuffer) {
    for (const ExportCase& c : kGjb) {
        check_failure(c, Failure::silent);
        check_failure(c, Failure::no_link);
    }
}

// The memory records carry 2-byte word counts, sizes sent modulo 256.
TEST_F(GjbExports, WriteSizesFollowTheTwoByteWordCount) {
    struct Case {
        Bytes header;
        std::size_t sent;
    };
    for (const Case& c : std::vector<Case>{{{0x03, 0x00, 0x00, 0x00, 0x00}, 5},
                                           {{0x03, 0x00, 0x00, 0x00, 125}, 255},
                                           {{0x03, 0x00, 0x00, 0x00, 126}, 1},
                                           {{0x03, 0x00, 0x00, 0x02, 0x00}, 5}}) {
        Bytes in = concat(c.header, counting(600 - c.header.size(), 0x80));
        stay_silent();
        EXPECT_EQ(GJB_Write_TAG(kAddress, in.data()), KESTREL_E_NO_REPLY);
        EXPECT_EQ(sent().data, Bytes(in.begin(), in.begin() + static_cast<std::ptrdiff_t>(c.sent)))
            << "count " << int(c.header[3]) << " " << int(c.header[4]);
    }
}

}  // namespace
}  // namespace kestrel::test
