// EPC tag exports on the wire: request layouts and computed sizes, the verdict-byte and
// length-prefixed copies, and the bounds on copies whose length the reply states.
#include "api/export_cases.h"

using namespace kestrel::test;

namespace {

// bank 1, bits 0x0020, 16 bits AB CD, Q 4, time 0x0A, stored in the reader
const Bytes kSelectWrite = {0x0A, 0x01, 0x01, 0x00, 0x20, 0x10, 0xAB, 0xCD, 0x04, 0x0A};
const Bytes kSelectRead = {0x09, 0x01, 0x00, 0x20, 0x10, 0xAB, 0xCD, 0x04, 0x0A};
// 12 bytes: T = 12, 5 tags held, 1 in this block: a 6-byte identifier
const Bytes kTagBlock = {0x00, 0x0C, 0x00, 0x05, 0x01, 0x06, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6};
const Bytes kPasswords = {0xA1, 0xA2, 0xA3, 0xA4, 0x4B, 0x10, 0x4C, 0x4D};
const Bytes kWriteTwoWords = {0x03, 0x00, 0x10, 0x02, 0x10, 0x11, 0x12, 0x13};

std::vector<ExportCase> epc_cases() {
    return {
        {"EPC_Read_Select_Para", [](auto, std::uint8_t* out) { return EPC_Read_Select_Para(1, out); }, {}, 0x20, {},
         concat(kSelectRead, {0x77}), true, {}, kSelectRead},
        {"EPC_Read_Select_Para, length 0", [](auto, std::uint8_t* out) { return EPC_Read_Select_Para(1, out); }, {},
         0x20, {}, {0x00, 0x33, 0x44}, true, {}, {0x00}},
        {"EPC_Write_Select_Para", [](std::uint8_t* in, auto) { return EPC_Write_Select_Para(1, in); },
         concat(kSelectWrite, {0xEE}), 0x21, kSelectWrite, {0x00}, true, {}, {}},
        {"EPC_Write_Select_Para, length 0", [](std::uint8_t* in, auto) { return EPC_Write_Select_Para(1, in); },
         {0x00, 0x01, 0x02}, 0x21, {}, {}, true, {}, {}},
        {"EPC_Query_ON", [](auto, auto) { return EPC_Query_ON(1); }, {}, 0x22, {}, {0x01}, true, {}, {}},
        {"EPC_Read_Tag_List", [](auto, std::uint8_t* out) { return EPC_Read_Tag_List(1, 0x100, 10, out); }, {},
         0x23, {0x00, 0x0A}, concat(kTagBlock, {0x99, 0x98}), true, {}, kTagBlock},
        {"EPC_Read_Tag_List, T = 0", [](auto, std::uint8_t* out) { return EPC_Read_Tag_List(1, 2, 0x10, out); }, {},
         0x23, {0x02, 0x10}, {0x00, 0x00, 0x00, 0x05, 0x03, 0x01}, true, {}, {0x00, 0x00}},
        {"EPC_Set_Pwd", [](std::uint8_t* in, auto) { return EPC_Set_Pwd(1, 0x101, in, in ? in + 4 : nullptr); }, kPasswords, 0x25,
         concat({0x01}, kPasswords), {}, true, {}, {}},
        {"EPC_Wake_TAG", [](std::uint8_t* in, std::uint8_t* out) { return EPC_Wake_TAG(1, in, out); },
         {0x01, 0x00, 0x20, 0x0C, 0xAB, 0xC0, 0xFF}, 0x26, {0x01, 0x00, 0x20, 0x0C, 0xAB, 0xC0},
         {0x04, 0x30, 0x00, 0xE2, 0x00, 0x99}, true, {}, {0x04, 0x30, 0x00, 0xE2, 0x00}},
        {"EPC_Access_Proc", [](auto, auto) { return EPC_Access_Proc(1); }, {}, 0x27, {}, {}, true, {}, {}},
        {"EPC_Read_TAG", [](std::uint8_t* in, std::uint8_t* out) { return EPC_Read_TAG(1, in, out); },
         {0x03, 0x00, 0x02, 0x02, 0xEE}, 0x28, {0x03, 0x00, 0x02, 0x02}, {0x04, 0xD1, 0xD2, 0x10, 0xD4, 0x99}, true,
         {}, {0x04, 0xD1, 0xD2, 0x10, 0xD4}},
        {"EPC_Write_TAG", [](std::uint8_t* in, auto) { return EPC_Write_TAG(1, in); }, concat(kWriteTwoWords, {0xEE}),
         0x29, kWriteTwoWords, {0x0B, 0x99}, true,
         concat(concat({0x0B}, Bytes(kWriteTwoWords.begin() + 1, kWriteTwoWords.end())), {0xEE}), {}},
        {"EPC_Kill_TAG", [](std::uint8_t* in, auto) { return EPC_Kill_TAG(1, in); }, {'K', 'I', 'L', 'L', 0xEE},
         0x2A, {'K', 'I', 'L', 'L'}, {0x09}, true, {0x09, 'I', 'L', 'L', 0xEE}, {}},
        {"EPC_Lock_TAG", [](std::uint8_t* in, auto) { return EPC_Lock_TAG(1, in); },
         {0x0A, 0x0B, 0x08, 0x00, 0x0F, 0xEE}, 0x2B, {0x0A, 0x0B, 0x08, 0x00, 0x0F}, {0x04},
         true, {0x04, 0x0B, 0x08, 0x00, 0x0F, 0xEE}, {}},
        {"EPC_Write_Block_TAG", [](std::uint8_t* in, auto) { return EPC_Write_Block_TAG(1, in); }, kWriteTwoWords,
         0x2C, kWriteTwoWords, {0x00}, true, concat({0x00}, Bytes(kWriteTwoWords.begin() + 1, kWriteTwoWords.end())),
         {}},
        {"EPC_Write_Erase_TAG", [](std::uint8_t* in, auto) { return EPC_Write_Erase_TAG(1, in); },
         {0x03, 0x00, 0x04, 0x08, 0xEE}, 0x2D, {0x03, 0x00, 0x04, 0x08}, {0x0C}, true, {0x0C, 0x00, 0x04, 0x08, 0xEE},
         {}},
        {"EPC_Halt_TAG", [](auto, auto) { return EPC_Halt_TAG(1); }, {}, 0x2E, {}, {}, true, {}, {}},
        {"EPC_Edit_TAG_Pwd", [](std::uint8_t* in, auto) { return EPC_Edit_TAG_Pwd(1, in ? in + 4 : nullptr, in); }, kPasswords,
         0x2F, {0x4B, 0x10, 0x4C, 0x4D, 0xA1, 0xA2, 0xA3, 0xA4}, {0x01}, true, {}, {}},
        {"EPC_TAG_Cust_Command", [](std::uint8_t* in, std::uint8_t* out) { return EPC_TAG_Cust_Command(1, in, out); },
         {0x00, 0x0C, 0x01, 0x00, 0x04, 0xAB, 0xC0, 0xFF}, 0xE2, {0x00, 0x0C, 0x01, 0x00, 0x04, 0xAB, 0xC0},
         {0x02, 0x5A, 0xA5, 0x99}, true, {}, {0x02, 0x5A, 0xA5}},
    };
}

// Replies that deliver less than their own count says: the copy stops at what arrived and
// the rest of the caller's buffer is left alone, count bytes included (an empty reply writes
// nothing). The verdict byte is a fixed one-byte copy: 0 when the reply is empty.
std::vector<ExportCase> short_replies() {
    return {
        {"EPC_Read_TAG, count 10, 3 delivered", [](std::uint8_t* in, std::uint8_t* out) { return EPC_Read_TAG(1, in, out); },
         {0x03, 0x00, 0x00, 0x05}, 0x28, {0x03, 0x00, 0x00, 0x05}, {0x0A, 0x01, 0x02, 0x03}, true, {},
         {0x0A, 0x01, 0x02, 0x03}},
        {"EPC_Read_TAG, empty", [](std::uint8_t* in, std::uint8_t* out) { return EPC_Read_TAG(1, in, out); },
         {0x03, 0x00, 0x00, 0x05}, 0x28, {0x03, 0x00, 0x00, 0x05}, {}, true, {}, {}},
        {"EPC_Read_Select_Para, length 9, 3 delivered", [](auto, std::uint8_t* out) { return EPC_Read_Select_Para(1, out); },
         {}, 0x20, {}, {0x09, 0x01, 0x00}, true, {}, {0x09, 0x01, 0x00}},
        {"EPC_Read_Select_Para, empty", [](auto, std::uint8_t* out) { return EPC_Read_Select_Para(1, out); }, {},
         0x20, {}, {}, true, {}, {}},
        {"EPC_Read_Tag_List, T = 32, 5 delivered", [](auto, std::uint8_t* out) { return EPC_Read_Tag_List(1, 0, 10, out); },
         {}, 0x23, {0x00, 0x0A}, {0x00, 0x20, 0x00, 0x01, 0x01}, true, {}, {0x00, 0x20, 0x00, 0x01, 0x01}},
        {"EPC_Read_Tag_List, 1 byte", [](auto, std::uint8_t* out) { return EPC_Read_Tag_List(1, 0, 10, out); }, {},
         0x23, {0x00, 0x0A}, {0x01}, true, {}, {0x01}},
        {"EPC_Wake_TAG, count 255, 1 delivered", [](std::uint8_t* in, std::uint8_t* out) { return EPC_Wake_TAG(1, in, out); },
         {0x01, 0x00, 0x20, 0x00}, 0x26, {0x01, 0x00, 0x20, 0x00}, {0xFF, 0x30}, true, {}, {0xFF, 0x30}},
        {"EPC_TAG_Cust_Command, empty", [](std::uint8_t* in, std::uint8_t* out) { return EPC_TAG_Cust_Command(1, in, out); },
         {0x00, 0x00, 0x00, 0x00, 0x00}, 0xE2, {0x00, 0x00, 0x00, 0x00, 0x00}, {}, true, {}, {}},
        {"EPC_Kill_TAG, empty", [](std::uint8_t* in, auto) { return EPC_Kill_TAG(1, in); }, {'K', 'I', 'L', 'L'},
         0x2A, {'K', 'I', 'L', 'L'}, {}, true, {0x00, 'I', 'L', 'L'}, {}},
    };
}

// A buffer whose first bytes are `head` and then counts up, long enough for any request.
Bytes record(Bytes head) {
    Bytes b(512);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = i < head.size() ? head[i] : static_cast<std::uint8_t>(i);
    return b;
}

}  // namespace

using EpcExports = ExportWireTest;

TEST_F(EpcExports, SendTheirRequestAndCopyTheReplyWhateverTheStatus) {
    for (const auto& c : epc_cases()) check_reply(c);
}

// A memory read copies no more than the words asked for, whatever count the reply states: the
// count byte as it came (the caller sees the fault), then the data cut at 2 x words.
TEST_F(EpcExports, AMemoryReadCopiesNoMoreThanTheWordsAskedFor) {
    const struct {
        const char* what;
        std::uint8_t words;
        Bytes reply;
        std::size_t copied;
    } cases[] = {
        {"as asked", 2, {4, 1, 2, 3, 4}, 5},
        {"fewer than asked", 2, {2, 1, 2}, 3},
        {"more than asked", 1, {10, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 3},
        {"255 stated for none asked", 0, Bytes(256, 0xFF), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes request{3, 0, 0, c.words};
        Bytes out(300, 0xEE);
        answer(0x28, 0x00, c.reply);
        ASSERT_EQ(EPC_Read_TAG(1, request.data(), out.data()), 0x00);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(c.copied)),
                  Bytes(c.reply.begin(), c.reply.begin() + static_cast<std::ptrdiff_t>(c.copied)));
        EXPECT_EQ(out[c.copied], 0xEE) << "nothing past the words asked for";
    }
}

TEST_F(EpcExports, CopiesStopAtWhatTheReplyDelivered) {
    for (const auto& c : short_replies()) check_reply(c);
}

TEST_F(EpcExports, AFailedLinkTouchesNoBuffer) {
    check_failures(epc_cases());
}

TEST_F(EpcExports, ANullBufferIsRefusedBeforeAnythingIsSent) {
    check_null_buffers(epc_cases());
}

// Sizes computed from the caller's record: bit lengths rounded up to whole bytes; a size the
// one-byte length cannot carry is refused with nothing sent (never wrapped modulo 256).
TEST_F(EpcExports, ComputedRequestSizes) {
    constexpr std::size_t kRefused = SIZE_MAX;
    using Call = int (*)(std::uint8_t*);
    const Call wake = [](std::uint8_t* r) { std::uint8_t out[300]; return EPC_Wake_TAG(1, r, out); };
    const Call write = [](std::uint8_t* r) { return EPC_Write_TAG(1, r); };
    const Call block = [](std::uint8_t* r) { return EPC_Write_Block_TAG(1, r); };
    const Call custom = [](std::uint8_t* r) { std::uint8_t out[300]; return EPC_TAG_Cust_Command(1, r, out); };
    const struct {
        const char* what;
        Call call;
        std::uint8_t command;
        Bytes head;
        std::size_t sent;
    } cases[] = {
        {"wake, 0 bits", wake, 0x26, {1, 0, 0, 0}, 4},
        {"wake, 1 bit", wake, 0x26, {1, 0, 0, 1}, 5},
        {"wake, 8 bits", wake, 0x26, {1, 0, 0, 8}, 5},
        {"wake, 9 bits", wake, 0x26, {1, 0, 0, 9}, 6},
        {"wake, 16 bits", wake, 0x26, {1, 0, 0, 16}, 6},
        {"wake, 17 bits", wake, 0x26, {1, 0, 0, 17}, 7},
        {"wake, 96 bits (length 0x10)", wake, 0x26, {1, 0, 0, 96}, 16},
        {"wake, 255 bits", wake, 0x26, {1, 0, 0, 255}, 36},
        {"write, 0 words", write, 0x29, {3, 0, 0, 0}, 4},
        {"write, 1 word", write, 0x29, {3, 0, 0, 1}, 6},
        {"write, 125 words", write, 0x29, {3, 0, 0, 125}, 254},
        {"write, 126 words (256)", write, 0x29, {3, 0, 0, 126}, kRefused},
        {"write, 127 words (258)", write, 0x29, {3, 0, 0, 127}, kRefused},
        {"block write, 6 words (length 0x10)", block, 0x2C, {3, 0, 0, 6}, 16},
        {"block write, 125 words", block, 0x2C, {3, 0, 0, 125}, 254},
        {"custom, 0 bits", custom, 0xE2, {0, 0, 0, 0, 0}, 5},
        {"custom, 1 bit", custom, 0xE2, {0, 1, 0, 0, 0}, 6},
        {"custom, 8 bits", custom, 0xE2, {0, 8, 0, 0, 0}, 6},
        {"custom, 16 bits", custom, 0xE2, {0, 16, 0, 0, 0}, 7},
        {"custom, 17 bits", custom, 0xE2, {0, 17, 0, 0, 0}, 8},
        {"custom, 2000 bits", custom, 0xE2, {0x07, 0xD0, 0, 0, 0}, 255},
        {"custom, 2001 bits (256)", custom, 0xE2, {0x07, 0xD1, 0, 0, 0}, kRefused},
        {"custom, 65535 bits", custom, 0xE2, {0xFF, 0xFF, 0, 0, 0}, kRefused},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes buffer = record(c.head);
        const Bytes original = buffer;
        if (c.sent == kRefused) {
            const std::size_t written = port.written.size();
            EXPECT_EQ(c.call(buffer.data()), KESTREL_E_REQUEST_TOO_LONG);
            EXPECT_EQ(port.written.size(), written) << "nothing sent";
            EXPECT_EQ(buffer, original);
            continue;
        }
        answer(c.command, 0x00, {0x00});
        EXPECT_EQ(c.call(buffer.data()), 0x00);
        const Sent s = sent();
        EXPECT_TRUE(s.ok);
        EXPECT_EQ(s.command, c.command);
        EXPECT_EQ(s.data, Bytes(original.begin(), original.begin() + static_cast<std::ptrdiff_t>(c.sent)));
    }
}

TEST_F(EpcExports, ARequestLengthOf0x10IsDoubledOnTheWire) {
    Bytes match = record({1, 0, 0, 96});
    std::uint8_t out[16];
    answer(0x26, 0x00, {0x00});
    ASSERT_EQ(EPC_Wake_TAG(1, match.data(), out), 0x00);
    const Bytes wire = sent_wire();
    ASSERT_GE(wire.size(), 6u);
    EXPECT_EQ(Bytes(wire.begin(), wire.begin() + 6), (Bytes{0x10, 0x01, 0x01, 0x26, 0x10, 0x10}));
}
