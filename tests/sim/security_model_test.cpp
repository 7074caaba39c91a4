// PSAM slots, the FM151M chip and the FD commands against the reader model, in-process.
#include "model_harness.h"
#include "sim/security_model.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

// Runs a whole hash the way the console does: start, adds of at most 240 bytes, finish.
sim::Reply hash(sim::ReaderModel& m, std::uint8_t alg, const Bytes& message) {
    EXPECT_EQ(call(m, 0xD2, {0, alg, 0}).status, 0);
    for (std::size_t i = 0; i < message.size(); i += 240) {
        const std::size_t n = std::min<std::size_t>(240, message.size() - i);
        Bytes add{1, alg, static_cast<std::uint8_t>(n)};
        add.insert(add.end(), message.begin() + i, message.begin() + i + n);
        EXPECT_EQ(call(m, 0xD2, add).status, 0);
    }
    return call(m, 0xD2, {2, alg, 0});
}

TEST(Fm151m, DigestsMatchTheirTestVectors) {
    const Bytes abc{'a', 'b', 'c'};
    struct Case {
        std::uint8_t alg;
        Bytes message;
        const char* digest;
    };
    const Case cases[] = {
        {0, abc, "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {1, abc, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {2, abc, "66c7f0f462eeedd9d1f2d46bdc10e4e24167c4875cf2f7a2297da02b8f4ba8e0"},
        {3, {}, "d41d8cd98f00b204e9800998ecf8427e"},
        // 1,000 bytes: five steps of at most 240 bytes must hash as one message.
        {1, Bytes(1000, 'a'), "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3"},
    };
    sim::ReaderModel m;
    for (const Case& c : cases) {
        const sim::Reply r = hash(m, c.alg, c.message);
        EXPECT_EQ(r.status, 0);
        const Bytes d = hex(c.digest);
        EXPECT_EQ(r.data, cat({{static_cast<std::uint8_t>(d.size())}, d})) << int(c.alg);
    }
    EXPECT_EQ(call(m, 0xD2, {1, 1, 1, 'x'}).status, sim::kStatusNotReady) << "add without start";
    EXPECT_EQ(call(m, 0xD2, {0, 4, 0}).status, sim::kStatusBadParameter) << "unknown digest";
    EXPECT_EQ(call(m, 0xD2, {1, 1, 2, 'x'}).status, sim::kStatusBadParameter) << "count disagrees";
}

// Start (key, and the vector in CBC), one data step, release.
sim::Reply cipher(sim::ReaderModel& m, std::uint8_t encrypt, std::uint8_t cbc, std::uint8_t alg, const Bytes& key_iv,
                  const Bytes& data) {
    EXPECT_EQ(call(m, 0xD3, cat({{0, encrypt, cbc, alg, static_cast<std::uint8_t>(key_iv.size())}, key_iv})).status, 0);
    const sim::Reply r = call(m, 0xD3, cat({{1, encrypt, cbc, alg, static_cast<std::uint8_t>(data.size())}, data}));
    EXPECT_EQ(call(m, 0xD3, {2, encrypt, cbc, alg, 0}).status, 0);
    return r;
}

TEST(Fm151m, CiphersMatchTheirTestVectors) {
    struct Case {
        const char* name;
        std::uint8_t cbc, alg;
        const char *key_iv, *plain, *cipher;
    };
    const Case cases[] = {
        {"SM4 ECB standard vector", 0, 5, "0123456789abcdeffedcba9876543210", "0123456789abcdeffedcba9876543210",
         "681edf34d206965e86b3e94f536e4246"},
        {"SM4 CBC", 1, 5, "0123456789abcdeffedcba9876543210 000102030405060708090a0b0c0d0e0f",
         "0123456789abcdeffedcba9876543210", "a9a268883a336315bac0c9c9ff350ab1"},
        {"DES ECB", 0, 0, "133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
        {"TDES ECB, two keys", 0, 1, "0123456789ABCDEFFEDCBA9876543210", "0123456789abcdef0123456789abcdef",
         "1a4d672dca6cb3351a4d672dca6cb335"},
    };
    sim::ReaderModel m;
    for (const Case& c : cases) {
        const Bytes plain = hex(c.plain), enc = hex(c.cipher);
        sim::Reply r = cipher(m, 1, c.cbc, c.alg, hex(c.key_iv), plain);
        EXPECT_EQ(r.status, 0) << c.name;
        EXPECT_EQ(r.data, cat({{static_cast<std::uint8_t>(enc.size())}, enc})) << c.name;
        r = cipher(m, 0, c.cbc, c.alg, hex(c.key_iv), enc);
        EXPECT_EQ(r.data, cat({{static_cast<std::uint8_t>(plain.size())}, plain})) << c.name << " decrypt";
    }
    for (std::uint8_t alg : {2, 3, 4})
        EXPECT_EQ(call(m, 0xD3, cat({{0, 1, 0, alg, 16}, Bytes(16, 1)})).status, sim::kStatusNotSupported) << int(alg);
    EXPECT_EQ(call(m, 0xD3, {1, 1, 0, 5, 16}).status, sim::kStatusBadParameter) << "count disagrees";
    EXPECT_EQ(call(m, 0xD3, cat({{1, 1, 0, 5, 16}, Bytes(16, 1)})).status, sim::kStatusNotReady) << "not started";
    EXPECT_EQ(call(m, 0xD3, cat({{0, 1, 0, 5, 15}, Bytes(15, 1)})).status, sim::kStatusBadParameter) << "short key";
    ASSERT_EQ(call(m, 0xD3, cat({{0, 1, 0, 5, 16}, Bytes(16, 1)})).status, 0);
    EXPECT_EQ(call(m, 0xD3, cat({{1, 1, 0, 5, 15}, Bytes(15, 1)})).status, sim::kStatusBadParameter)
        << "not whole blocks";
}

TEST(Fm151m, IdentityAndRandomNumbers) {
    sim::ReaderModel m;
    const Bytes id = call(m, 0xD0).data;
    ASSERT_EQ(id.size(), 28u);
    EXPECT_EQ(id[0], 27);
    EXPECT_EQ(std::string(id.begin() + 1, id.begin() + 7), "FM151M");
    const Bytes rn = call(m, 0xD1, {0x04, 0x00}).data;
    ASSERT_EQ(rn.size(), 1026u);
    EXPECT_EQ(rn[0] << 8 | rn[1], 1024);
    EXPECT_NE(Bytes(rn.begin() + 2, rn.begin() + 18), Bytes(16, 0));
    EXPECT_EQ(call(m, 0xD1, {0, 0}).data, (Bytes{0, 0}));
    EXPECT_EQ(call(m, 0xD1, {0x04, 0x01}).status, sim::kStatusBadParameter);
}

TEST(Psam, SlotsAnswerResetsAndApdus) {
    sim::ReaderModel m;
    EXPECT_EQ(call(m, 0xF2, {6, 0, 1, 0x00, 0x84, 0, 0}).status, sim::kStatusNotReady) << "slot not powered";
    EXPECT_EQ(call(m, 0xF1, {0}).status, sim::kStatusNotReady);
    const sim::Reply on = call(m, 0xF0, {0, 1});
    ASSERT_EQ(on.status, 0);
    EXPECT_EQ(on.data.at(1), 0x3B) << "ATR";
    EXPECT_EQ(call(m, 0xF1, {0}).data, on.data);

    struct Case {
        const char* name;
        Bytes apdu;
        std::size_t data;  // response bytes before the status word
        Bytes sw;
    };
    const Case cases[] = {
        {"GET CHALLENGE 8", {0x00, 0x84, 0x00, 0x00, 0x08}, 8, {0x90, 0x00}},
        {"GET CHALLENGE without Le", {0x00, 0x84, 0x00, 0x00}, 0, {0x67, 0x00}},
        {"SELECT MF", {0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}, 0, {0x90, 0x00}},
        {"SELECT missing file", {0x00, 0xA4, 0x00, 0x00, 0x02, 0x12, 0x34}, 0, {0x6A, 0x82}},
        {"SELECT with Lc past the data", {0x00, 0xA4, 0x00, 0x00, 0x05, 0x3F, 0x00}, 0, {0x67, 0x00}},
        {"unknown instruction", {0x00, 0xCA, 0x00, 0x00}, 0, {0x6D, 0x00}},
    };
    for (const Case& c : cases) {
        const Bytes req = cat({{static_cast<std::uint8_t>(c.apdu.size() + 2), 0, 1}, c.apdu});
        const sim::Reply r = call(m, 0xF2, req);
        ASSERT_EQ(r.status, 0) << c.name;
        ASSERT_EQ(r.data.size(), 1 + c.data + 2) << c.name;
        EXPECT_EQ(r.data[0], c.data + 2) << c.name;
        EXPECT_EQ(Bytes(r.data.end() - 2, r.data.end()), c.sw) << c.name;
    }
    EXPECT_EQ(call(m, 0xF0, {0, 0}).data, Bytes{0}) << "power off: no ATR";
    EXPECT_EQ(call(m, 0xF3, cat({{96}, Bytes(96, 0x11)})).data, hex("03 00 90 00"));
    EXPECT_EQ(call(m, 0xF3, cat({{95}, Bytes(95, 0x11)})).status, sim::kStatusBadParameter);
}

TEST(FdCommands, SecurityPasswordKeysAndBlocks) {
    sim::ReaderModel m;
    m.field.tags.push_back(sim::Tag::blank(sim::Standard::gb));
    m.field.tags[0].fd_password = {1, 2, 3, 4};
    m.field.tags[0].areas[0] = hex("E2 00 00 01 02 03 04 05");
    EXPECT_EQ(call(m, 0xA1, {9, 9, 9, 9}).data, Bytes{sim::kTagErrorWrongPassword}) << "password not checked";
    EXPECT_EQ(call(m, 0xA0, {1, 2, 3, 5}).data, Bytes{sim::kTagErrorWrongPassword});
    EXPECT_EQ(call(m, 0xA0, {1, 2, 3, 4}).status, 0);
    EXPECT_EQ(call(m, 0xA1, {9, 9, 9, 9}).status, 0);
    EXPECT_EQ(call(m, 0xA2, {1}).status, 0);
    EXPECT_EQ(call(m, 0xA1, {8, 8, 8, 8}).data, Bytes{sim::kTagErrorMemoryLocked}) << "read only";
    EXPECT_EQ(call(m, 0xA3, {'Q', 'E', 'N', 'D'}).status, 0);
    EXPECT_EQ(call(m, 0xA4).data.at(2), 0) << "quick-initialisation mode left";
    EXPECT_LE(call(m, 0xA4).data.size(), 21u) << "a count and at most 20 bytes of lock information";

    // A diversified key written into the tag passes the diversified authentication only.
    const sim::Reply key = call(m, 0xA7, {2});
    ASSERT_EQ(key.data.size(), 16u);
    EXPECT_EQ(call(m, 0xA6, {1, 2}).status, sim::kStatusTagErrorGb);
    EXPECT_EQ(call(m, 0xA5, key.data).status, 0);
    EXPECT_EQ(call(m, 0xA6, {1, 2}).status, 0);
    EXPECT_EQ(call(m, 0xA6, {0, 2}).data, Bytes{sim::kTagErrorWrongPassword});

    // GJB FD sub-areas: their own memory, locks and lock information.
    m.field.tags.push_back(sim::Tag::blank(sim::Standard::gjb));
    EXPECT_EQ(call(m, 0xB1, {2, 0, 1, 0, 1, 0xBE, 0xEF}).status, 0);
    EXPECT_EQ(call(m, 0xB0, {2, 0, 1, 0, 1}).data, hex("02 BE EF"));
    EXPECT_EQ(call(m, 0xB0, {1, 0, 1, 0, 1}).data, hex("02 00 00")) << "the other sub-area";
    EXPECT_EQ(call(m, 0xB0, {3, 0, 0, 0, 1}).data, Bytes{sim::kTagErrorMemoryOverrun});
    EXPECT_EQ(call(m, 0xB3, {2, 1, 0}).status, 0);
    EXPECT_EQ(call(m, 0xB2, {2, 0, 0, 0, 1}).data, Bytes{sim::kTagErrorMemoryLocked});
    EXPECT_EQ(call(m, 0xB4).data, hex("02 00 01"));
}

}  // namespace
