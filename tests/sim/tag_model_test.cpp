// The tag commands of the three standards against the reader model, in-process.
#include "model_harness.h"
#include "sim/scenario.h"

using namespace kestrel;
using namespace kestrel::test;
using sim::Standard;

namespace {

// Request layouts of one standard, built the way the library sends them.
struct Std {
    Standard id;
    std::uint8_t base;
    std::uint8_t error_status;
    std::uint8_t user_area;  // an area code of user memory

    Bytes memory(std::uint8_t area, std::uint16_t word, std::uint16_t count) const {
        Bytes b{area, static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)};
        if (id != Standard::epc) b.push_back(static_cast<std::uint8_t>(count >> 8));
        b.push_back(static_cast<std::uint8_t>(count));
        return b;
    }
    Bytes write(std::uint8_t area, std::uint16_t word, const Bytes& data) const {
        return cat({memory(area, word, static_cast<std::uint16_t>(data.size() / 2)), data});
    }
    // A lock request that makes `area` readable but not writable.
    Bytes lock_read_only(std::uint8_t area) const {
        if (id == Standard::epc) return {0, 0, 0, 0, 0x0F};  // user bank: protect and permanent lock
        if (id == Standard::gb) return {area, 0, 1};
        return {area, 1, 0};
    }
    // The reader's passwords set so that its kill password (EPC, GJB) or security-area write
    // password (GB) is `pw`, all others 0.
    Bytes set_kill_pwd(const Bytes& pw) const {
        if (id == Standard::epc) return cat({{0}, {0, 0, 0, 0}, pw});
        if (id == Standard::gb) return cat({{0, 2}, {0, 0, 0, 0}, pw});
        return cat({{0}, pw, Bytes(12, 0)});
    }
};

const Std kEpc{Standard::epc, 0x20, sim::kStatusTagErrorEpc, 3};
const Std kGb{Standard::gb, 0x40, sim::kStatusTagErrorGb, 3};
const Std kGjb{Standard::gjb, 0x60, sim::kStatusTagErrorGb, 3};
const Std kAll[] = {kEpc, kGb, kGjb};

// A tag whose identifier carries `n`, so list order can be checked.
sim::Tag numbered(Standard s, std::uint8_t n) {
    sim::Tag t = sim::Tag::blank(s);
    if (s == Standard::epc) {
        t.set_epc(Bytes{0x30, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, n});
    } else {
        t.areas[1] = Bytes{0x12, 0x34, 0x00, n};
        t.security_word = {0xA0, n};
    }
    return t;
}

sim::ReaderModel with_tags(Standard s, int count) {
    sim::ReaderModel model;
    for (int i = 0; i < count; ++i) model.field.tags.push_back(numbered(s, static_cast<std::uint8_t>(i)));
    return model;
}

// The tag records of a tag list block.
std::vector<Bytes> records(const Bytes& block) {
    std::vector<Bytes> out;
    std::size_t i = 5;
    for (int k = 0; k < block.at(4); ++k) {
        const std::size_t len = block.at(i);
        out.emplace_back(block.begin() + static_cast<std::ptrdiff_t>(i + 1),
                         block.begin() + static_cast<std::ptrdiff_t>(i + 1 + len));
        i += 1 + len;
    }
    EXPECT_EQ(i, block.size()) << "records fill the block exactly";
    return out;
}

Bytes list(sim::ReaderModel& m, const Std& s, std::uint8_t mode, std::uint8_t length) {
    const sim::Reply r = call(m, s.base + 3, {mode, length});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.data.size(), static_cast<std::size_t>(r.data.at(0) << 8 | r.data.at(1))) << "block length";
    return r.data;
}

TEST(TagModel, InventoryListPagesByReadMode) {
    for (const Std& s : kAll) {
        auto m = with_tags(s.id, 25);
        m.field.tags.push_back(numbered(s.id == Standard::epc ? Standard::gb : Standard::epc, 99));
        ASSERT_EQ(call(m, s.base + 2).status, 0);
        struct Step {
            std::uint8_t mode, length;
            int first, count;
        };
        const Step steps[] = {{0, 10, 0, 10}, {2, 10, 10, 10}, {1, 10, 10, 10}, {2, 10, 20, 5},
                              {2, 10, 25, 0}, {0, 3, 0, 3},    {2, 0, 3, 0},    {2, 4, 3, 4}};
        for (const Step& st : steps) {
            const Bytes block = list(m, s, st.mode, st.length);
            EXPECT_EQ(block[2] << 8 | block[3], 25) << "total, other standards not counted";
            const auto recs = records(block);
            ASSERT_EQ(recs.size(), static_cast<std::size_t>(st.count));
            for (int k = 0; k < st.count; ++k)
                EXPECT_EQ(recs[k], m.field.tags[st.first + k].identifier()) << int(s.base) << " mode " << int(st.mode);
        }
        EXPECT_EQ(call(m, s.base + 3, {3, 10}).status, s.error_status) << "unknown read mode";
    }
}

TEST(TagModel, RecordsIdentifyTagsByStandard) {
    sim::Tag epc = numbered(Standard::epc, 7);
    EXPECT_EQ(epc.identifier(), hex("30 00 00 00 00 00 00 00 00 00 00 07"));
    EXPECT_EQ(epc.areas[1][2], 0x30) << "PC: six words of EPC";
    sim::Tag gb = numbered(Standard::gb, 7);
    EXPECT_EQ(gb.identifier(), hex("A0 07 12 34 00 07")) << "security word, then coding area";
}

TEST(TagModel, SelectParametersFilterTheInventoryAndPersistOnlyWhenStored) {
    for (const Std& s : kAll) {
        auto m = with_tags(s.id, 4);
        // Match the last byte of the identifier against 0x02: only tag 2 matches.
        Bytes rec = s.id == Standard::epc ? Bytes{9, 0, 1, 0x00, 0x78, 8, 0x02, 4, 10}  // EPC word 2 + 88 bits
                                          : Bytes{8, 0, 1, 0x00, 0x18, 8, 0x02, 10};    // coding byte 3
        ASSERT_EQ(call(m, s.base + 1, rec).status, 0);
        ASSERT_EQ(call(m, s.base + 2).status, 0);
        auto recs = records(list(m, s, 0, 10));
        ASSERT_EQ(recs.size(), 1u);
        EXPECT_EQ(recs[0], m.field.tags[2].identifier());
        const Bytes back = call(m, s.base).data;
        EXPECT_EQ(back, cat({{static_cast<std::uint8_t>(rec[0] - 1)}, Bytes(rec.begin() + 2, rec.end())}))
            << "read back without the store flag";
        EXPECT_EQ(call(m, 0x02).status, 0);  // reset: unstored parameters are lost
        EXPECT_EQ(call(m, s.base).data[4], 0) << "mask length back to 0";
        rec[1] = 1;
        ASSERT_EQ(call(m, s.base + 1, rec).status, 0);
        EXPECT_EQ(call(m, 0x02).status, 0);
        EXPECT_EQ(call(m, s.base).data[4], 8) << "stored parameters survive a reset";
        EXPECT_EQ(call(m, 0x01).status, 0);
        EXPECT_EQ(call(m, s.base).data[4], 0) << "a factory restore forgets them";
        rec[0] = 3;
        EXPECT_EQ(call(m, s.base + 1, rec).status, s.error_status) << "length byte disagrees";
    }
}

TEST(TagModel, WriteThenReadBackAndMemoryFailures) {
    for (const Std& s : kAll) {
        auto m = with_tags(s.id, 1);
        const Bytes data = hex("11 22 33 44 55 66");
        EXPECT_EQ(call(m, s.base + 9, s.write(s.user_area, 2, data)).data, Bytes{0});
        sim::Reply r = call(m, s.base + 8, s.memory(s.user_area, 2, 3));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.data, cat({{6}, data}));
        EXPECT_EQ(call(m, s.base + 0xD, s.memory(s.user_area, 3, 1)).status, 0) << "erase";
        EXPECT_EQ(call(m, s.base + 8, s.memory(s.user_area, 2, 3)).data, hex("06 11 22 00 00 55 66"));

        struct Bad {
            const char* what;
            std::uint8_t offset;
            Bytes request;
            std::uint8_t code;
        };
        const Bad bad[] = {
            {"read past the area", 8, s.memory(s.user_area, 10, 30), sim::kTagErrorMemoryOverrun},
            {"unknown area", 8, s.memory(s.id == Standard::gb ? 0x13 : 4, 0, 1), sim::kTagErrorMemoryOverrun},
            {"write count disagrees with data", 9, cat({s.memory(s.user_area, 0, 2), {1, 2}}), sim::kTagErrorBadRequest},
            {"write past the area", 9, s.write(s.user_area, 31, Bytes(4, 0xAA)), sim::kTagErrorMemoryOverrun},
            {"kill with 3 bytes", 0xA, {1, 2, 3}, sim::kTagErrorBadRequest},
        };
        for (const Bad& b : bad) {
            r = call(m, s.base + b.offset, b.request);
            EXPECT_EQ(r.status, s.error_status) << b.what;
            EXPECT_EQ(r.data, Bytes{b.code}) << b.what;
        }
        m.field.tags.clear();
        r = call(m, s.base + 8, s.memory(s.user_area, 0, 1));
        EXPECT_EQ(r.data, Bytes{sim::kTagErrorNoTag}) << "no tag in the field";
    }
}

TEST(TagModel, LockedAreaRefusesWritesWithTheLockedCode) {
    for (const Std& s : kAll) {
        auto m = with_tags(s.id, 1);
        ASSERT_EQ(call(m, s.base + 0xB, s.lock_read_only(s.user_area)).status, 0);
        sim::Reply r = call(m, s.base + 9, s.write(s.user_area, 0, {1, 2}));
        EXPECT_EQ(r.status, s.error_status);
        EXPECT_EQ(r.data, Bytes{sim::kTagErrorMemoryLocked});
        EXPECT_EQ(call(m, s.base + 0xD, s.memory(s.user_area, 0, 1)).data, Bytes{sim::kTagErrorMemoryLocked});
        EXPECT_EQ(call(m, s.base + 8, s.memory(s.user_area, 0, 1)).status, 0) << "still readable";
    }
    // EPC: a permanent lock cannot be undone; GB and GJB: not readable either.
    auto epc = with_tags(Standard::epc, 1);
    ASSERT_EQ(call(epc, 0x2B, {0, 0, 0, 0, 0x0F}).status, 0);
    EXPECT_EQ(call(epc, 0x2B, {0, 0, 0, 0, 0x08}).data, Bytes{sim::kTagErrorMemoryLocked});
    auto gjb = with_tags(Standard::gjb, 1);
    ASSERT_EQ(call(gjb, 0x6B, {3, 3, 0}).status, 0);
    EXPECT_EQ(call(gjb, 0x68, kGjb.memory(3, 0, 1)).data, Bytes{sim::kTagErrorMemoryLocked});
}

TEST(TagModel, EpcProtectedBankOpensOnlyAfterTheAccessPassword) {
    auto m = with_tags(Standard::epc, 1);
    ASSERT_EQ(call(m, 0x29, kEpc.write(0, 2, hex("12345678"))).status, 0) << "tag access password";
    ASSERT_EQ(call(m, 0x2B, {0, 0, 0, 0, 0x0A}).data, Bytes{sim::kTagErrorWrongPassword}) << "not secured";
    ASSERT_EQ(call(m, 0x25, cat({{0}, hex("12345678"), Bytes(4, 0)})).status, 0);
    ASSERT_EQ(call(m, 0x27).status, 0);
    ASSERT_EQ(call(m, 0x2B, {0, 0, 0, 0, 0x0A}).status, 0) << "user bank protected";
    EXPECT_EQ(call(m, 0x29, kEpc.write(3, 0, {1, 2})).status, 0) << "secured: writable";
    ASSERT_EQ(call(m, 0x22).status, 0);  // a new round ends the session
    EXPECT_EQ(call(m, 0x29, kEpc.write(3, 0, {1, 2})).data, Bytes{sim::kTagErrorMemoryLocked});
    EXPECT_EQ(call(m, 0x27).status, 0);
    EXPECT_EQ(call(m, 0x29, kEpc.write(3, 0, {1, 2})).status, 0);
}

TEST(TagModel, PasswordChecksRightAndWrong) {
    const Bytes pw = hex("A1 B2 C3 D4");
    for (const Std& s : kAll) {
        auto m = with_tags(s.id, 1);
        sim::Tag& t = m.field.tags[0];
        Bytes set, access;
        if (s.id == Standard::epc) {
            std::copy(pw.begin(), pw.end(), t.areas[0].begin() + 4);
            set = cat({{0}, pw, Bytes(4, 0)});
        } else if (s.id == Standard::gb) {
            t.area_passwords[3][0] = {0xA1, 0xB2, 0xC3, 0xD4};
            set = cat({{0, 3}, pw, Bytes(4, 0)});
            access = {3, 0};
        } else {
            t.passwords[sim::kGjbReadPw] = {0xA1, 0xB2, 0xC3, 0xD4};
            set = cat({{0}, Bytes(8, 0), pw, Bytes(4, 0)});
            access = {0};
        }
        sim::Reply r = call(m, s.base + 7, access);
        EXPECT_EQ(r.status, s.error_status) << "reader still holds password 0";
        EXPECT_EQ(r.data, Bytes{sim::kTagErrorWrongPassword});
        if (s.id != Standard::epc) {
            EXPECT_EQ(call(m, s.base + 8, s.memory(3, 0, 1)).data, Bytes{sim::kTagErrorWrongPassword})
                << "reading needs the read password";
        }
        ASSERT_EQ(call(m, s.base + 5, set).status, 0);
        EXPECT_EQ(call(m, s.base + 7, access).status, 0);
        EXPECT_EQ(call(m, s.base + 8, s.memory(3, 0, 1)).status, 0);
    }
}

TEST(TagModel, KilledTagIsGoneFromTheNextInventory) {
    const Bytes pw = hex("00 00 0B AD");
    for (const Std& s : kAll) {
        auto m = with_tags(s.id, 3);
        sim::Tag& t = m.field.tags[0];
        if (s.id == Standard::epc) std::copy(pw.begin(), pw.end(), t.areas[0].begin());
        else if (s.id == Standard::gb) t.area_passwords[2][1] = {0, 0, 0x0B, 0xAD};
        else t.passwords[sim::kGjbKillPw] = {0, 0, 0x0B, 0xAD};
        EXPECT_EQ(call(m, s.base + 0xA, {'K', 'I', 'L', 'L'}).data, Bytes{sim::kTagErrorWrongPassword});
        ASSERT_EQ(call(m, s.base + 5, s.set_kill_pwd(pw)).status, 0);
        EXPECT_EQ(call(m, s.base + 0xA, {'K', 'I', 'L', 'L'}).data, Bytes{0});
        ASSERT_EQ(call(m, s.base + 2).status, 0);
        const auto recs = records(list(m, s, 0, 10));
        ASSERT_EQ(recs.size(), 2u);
        EXPECT_EQ(recs[0], m.field.tags[1].identifier());
        // Wake matching everything finds the next tag, never the killed one.
        sim::Reply r = call(m, s.base + 6, {1, 0, 0, 0});
        EXPECT_EQ(r.status, 0);
    }
    // A zero EPC kill password cannot kill.
    auto m = with_tags(Standard::epc, 1);
    EXPECT_EQ(call(m, 0x2A, {'K', 'I', 'L', 'L'}).data, Bytes{sim::kTagErrorWrongPassword});
}

TEST(TagModel, HaltedTagsSleepUntilWokenByMask) {
    for (const Std& s : kAll) {
        auto m = with_tags(s.id, 3);
        ASSERT_EQ(call(m, s.base + 0xE).status, 0);  // halts tag 0, the first one answering
        ASSERT_EQ(call(m, s.base + 2).status, 0);
        EXPECT_EQ(records(list(m, s, 0, 10)).size(), 2u);
        // Wake tag 0 by the last byte of its identifier area.
        const Bytes match = s.id == Standard::epc ? Bytes{1, 0x00, 0x78, 8, 0x00} : Bytes{1, 0x00, 0x18, 8, 0x00};
        sim::Reply r = call(m, s.base + 6, match);
        ASSERT_EQ(r.status, 0);
        const Bytes expected = s.id == Standard::epc ? m.field.tags[0].identifier() : m.field.tags[0].areas[1];
        EXPECT_EQ(r.data, cat({{static_cast<std::uint8_t>(expected.size())}, expected}));
        ASSERT_EQ(call(m, s.base + 2).status, 0);
        EXPECT_EQ(records(list(m, s, 0, 10)).size(), 3u);
        EXPECT_EQ(call(m, s.base + 6, {1, 0, 0, 8, 0xEE}).data, Bytes{sim::kTagErrorNoTag});
    }
}

TEST(TagModel, TagCommandsFailWhileTheReaderChipIsOff) {
    for (const Std& s : kAll) {
        auto m = with_tags(s.id, 1);
        ASSERT_EQ(call(m, 0x13, {0}).status, 0);
        for (std::uint8_t offset : {2, 6, 8, 0xE}) {
            const Bytes req = offset == 8 ? s.memory(3, 0, 1) : offset == 6 ? Bytes{1, 0, 0, 0} : Bytes{};
            sim::Reply r = call(m, s.base + offset, req);
            EXPECT_EQ(r.status, s.error_status) << int(offset);
            EXPECT_EQ(r.data, Bytes{sim::kTagErrorReaderOff}) << int(offset);
        }
        ASSERT_EQ(call(m, 0x13, {1}).status, 0);
        EXPECT_EQ(call(m, s.base + 2).status, 0);
    }
}

TEST(TagModel, GbSecurityParametersAndAuthentication) {
    auto m = with_tags(Standard::gb, 1);
    m.field.tags[0].areas[0] = hex("E2 80 11 22 33 44 55 66");
    EXPECT_EQ(call(m, 0x51, hex("01 02 03 04 05 06")).data, Bytes{0});
    EXPECT_EQ(call(m, 0x50).data, hex("0E 01 02 03 04 05 06 E2 80 11 22 33 44 55 66"));
    EXPECT_EQ(call(m, 0x59).data, Bytes{sim::kTagErrorWrongPassword}) << "no mutual authentication yet";
    m.field.tags[0].auth_key = {1, 2, 3};
    EXPECT_EQ(call(m, 0x57).data, Bytes{sim::kTagErrorWrongPassword});
    EXPECT_EQ(call(m, 0x52, cat({{1, 2, 3}, Bytes(13, 0)})).status, 0);
    for (std::uint8_t code = 0x53; code <= 0x58; ++code) EXPECT_EQ(call(m, code).status, 0) << int(code);
    EXPECT_EQ(call(m, 0x59).status, 0);
    EXPECT_EQ(call(m, 0x70).data, Bytes{sim::kTagErrorNoTag}) << "the GJB twin finds no GJB tag";
}

TEST(TagModel, CustomCommandEchoesTheCommandBytes) {
    for (std::uint8_t code : {0xE2, 0xE0, 0xE1}) {
        const Standard s = code == 0xE2 ? Standard::epc : code == 0xE0 ? Standard::gb : Standard::gjb;
        auto m = with_tags(s, 1);
        EXPECT_EQ(call(m, code, {0, 12, 0, 0, 4, 0xAB, 0xC0}).data, hex("02 AB C0"));
        EXPECT_EQ(call(m, code, {0, 12, 0, 0, 4, 0xAB}).data, Bytes{sim::kTagErrorBadRequest});
    }
}

// ---- tags that enter and leave the field on a schedule ----

// Tag 0 in the field on `presence`, tag 1 always there; whether tag 0 answers at `t` seconds,
// asked by inventory and by a read of its user memory once it is the only awake tag.
struct Answered {
    bool listed;  // in the tag list of an inventory
    bool read;    // a read finds it
};
Answered at_time(sim::ReaderModel& m, const Std& s, double t) {
    m.field.clock.set(t);
    EXPECT_EQ(call(m, s.base + 2).status, 0);
    const auto recs = records(list(m, s, 0, 10));
    const bool listed = std::find(recs.begin(), recs.end(), m.field.tags[0].identifier()) != recs.end();
    EXPECT_NE(std::find(recs.begin(), recs.end(), m.field.tags[1].identifier()), recs.end()) << "tag 1 stays";
    // Tag 1 halted: a read can only reach tag 0.
    m.field.tags[1].halted = true;
    const sim::Reply r = call(m, s.base + 8, s.memory(s.user_area, 0, 1));
    m.field.tags[1].halted = false;
    if (r.status != 0) {
        EXPECT_EQ(r.data, Bytes{sim::kTagErrorNoTag}) << "an absent tag is not found at all";
    }
    return {listed, r.status == 0};
}

TEST(TagPresence, TagAnswersOnlyWhileInTheField) {
    struct Case {
        const char* what;
        sim::Presence presence;
        double t;
        bool in;
    };
    const double never = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {"before it enters", {1.5, 4, 0}, 1.499, false},
        {"as it enters", {1.5, 4, 0}, 1.5, true},
        {"just before it leaves", {1.5, 4, 0}, 3.999, true},
        {"as it leaves", {1.5, 4, 0}, 4, false},
        {"long after", {1.5, 4, 0}, 1000, false},
        {"no out_s: stays", {2, never, 0}, 1e6, true},
        {"periodic, first round, out", {1, 2, 5}, 0.5, false},
        {"periodic, first round, in", {1, 2, 5}, 1.25, true},
        {"periodic, later round, as it enters", {1, 2, 5}, 11, true},
        {"periodic, later round, as it leaves", {1, 2, 5}, 12, false},
        {"periodic, just before the period ends", {1, 2, 5}, 9.999, false},
        {"periodic, out_s at the period's end", {0, 5, 5}, 9.999, true},
        {"periodic, no out_s: in to the period's end", {3, never, 5}, 14.9, true},
        {"periodic, no out_s: out at the round's start", {3, never, 5}, 15.1, false},
    };
    for (const Std& s : kAll) {
        for (const Case& c : cases) {
            auto m = with_tags(s.id, 2);
            m.field.tags[0].presence = c.presence;
            const Answered a = at_time(m, s, c.t);
            EXPECT_EQ(a.listed, c.in) << int(s.base) << ": inventory " << c.what;
            EXPECT_EQ(a.read, c.in) << int(s.base) << ": read " << c.what;
        }
    }
}

TEST(TagPresence, AnAbsentTagKeepsItsMemoryAndStatesAndAnswersWhenBack) {
    for (const Std& s : kAll) {
        auto m = with_tags(s.id, 1);
        m.field.tags[0].presence = {0, 1, 2};  // in for the first second of every two
        m.field.clock.set(0.5);
        ASSERT_EQ(call(m, s.base + 9, s.write(s.user_area, 0, {0xAB, 0xCD})).status, 0);
        // The tag is the one woken: out of the field even it answers nothing.
        m.field.clock.set(1.5);
        EXPECT_EQ(call(m, s.base + 8, s.memory(s.user_area, 0, 1)).data, Bytes{sim::kTagErrorNoTag}) << int(s.base);
        EXPECT_EQ(call(m, s.base + 9, s.write(s.user_area, 0, {1, 2})).data, Bytes{sim::kTagErrorNoTag});
        EXPECT_EQ(call(m, s.base + 0xA, {0, 0, 0, 0}).data, Bytes{sim::kTagErrorNoTag}) << "kill finds none";
        EXPECT_EQ(call(m, s.base + 0xB, s.lock_read_only(s.user_area)).data, Bytes{sim::kTagErrorNoTag});
        m.field.clock.set(2.25);
        EXPECT_EQ(call(m, s.base + 8, s.memory(s.user_area, 0, 1)).data, hex("02 AB CD")) << "back, memory kept";
    }
}

TEST(TagPresence, ScenarioSchedulesAndTheirRefusals) {
    struct Good {
        const char* presence;
        sim::Presence want;
    };
    const double never = std::numeric_limits<double>::infinity();
    const Good good[] = {
        {R"({})", {0, never, 0}},
        {R"({"in_s": 2})", {2, never, 0}},
        {R"({"in_s": 0.25, "out_s": 1.5})", {0.25, 1.5, 0}},
        {R"({"out_s": 3, "period_s": 3})", {0, 3, 3}},
        {R"({"in_s": 1, "out_s": 2e0, "period_s": 10})", {1, 2, 10}},
        {R"({"in_s": 4, "period_s": 5})", {4, never, 5}},
    };
    for (const char* standard : {"epc", "gb", "gjb"}) {
        for (const Good& g : good) {
            sim::ReaderModel m;
            sim::FaultPlan plan;
            std::string error;
            const std::string json =
                std::string(R"({"tags": [{"standard": ")") + standard + R"(", "presence": )" + g.presence + "}]}";
            ASSERT_TRUE(sim::load_scenario(json, m, plan, error)) << json << ": " << error;
            const sim::Presence& p = m.field.tags.at(0).presence;
            EXPECT_EQ(p.in_s, g.want.in_s) << json;
            EXPECT_EQ(p.out_s, g.want.out_s) << json;
            EXPECT_EQ(p.period_s, g.want.period_s) << json;
        }
    }

    struct Bad {
        const char* presence;
        const char* error;  // the whole message after the entry's name
    };
    // The presence object starts at column 43 of the scenario line below.
    const Bad bad[] = {
        {R"({"in_s": -1})", "tags[0].presence.in_s at line 1, column 52: must be a number of seconds, 0 or more"},
        {R"({"out_s": "5"})", "tags[0].presence.out_s at line 1, column 53: must be a number of seconds, 0 or more"},
        {R"({"period_s": true})",
         "tags[0].presence.period_s at line 1, column 56: must be a number of seconds, 0 or more"},
        {R"({"in_s": 1e400})", "not valid JSON: line 1, column 52: the number is too large"},
        {R"({"in_s": 3, "out_s": 3})", "tags[0].presence.out_s at line 1, column 64: must be later than in_s"},
        {R"({"in_s": 4, "out_s": 2.5})", "tags[0].presence.out_s at line 1, column 64: must be later than in_s"},
        {R"({"out_s": 6, "period_s": 5})",
         "tags[0].presence.out_s at line 1, column 53: must not be later than period_s"},
        {R"({"in_s": 5, "period_s": 5})", "tags[0].presence.in_s at line 1, column 52: must be less than period_s"},
        {R"({"period_s": 0})", "tags[0].presence.period_s at line 1, column 56: must be more than 0"},
        {R"({"in_s": 1, "every_s": 4})", "tags[0].presence: unknown entry 'every_s'"},
        {R"([1, 2])",
         "tags[0].presence at line 1, column 43: must be an object {\"in_s\", \"out_s\", \"period_s\"}"},
    };
    for (const Bad& b : bad) {
        sim::ReaderModel m;
        sim::FaultPlan plan;
        std::string error;
        const std::string json = std::string(R"({"tags": [{"standard": "gjb", "presence": )") + b.presence + "}]}";
        EXPECT_FALSE(sim::load_scenario(json, m, plan, error)) << json;
        EXPECT_EQ(error, b.error) << json;
    }
    // Where a value sits on a later line.
    sim::ReaderModel m;
    sim::FaultPlan plan;
    std::string error;
    EXPECT_FALSE(sim::load_scenario("{\"tags\": [\n  {\"standard\": \"epc\",\n   \"presence\": {\"in_s\": -0.5}}]}",
                                    m, plan, error));
    EXPECT_EQ(error, "tags[0].presence.in_s at line 3, column 25: must be a number of seconds, 0 or more");
}

TEST(TagPresence, ScheduleRunsFromWhenTheScenarioWasLoaded) {
    sim::ReaderModel m;
    sim::FaultPlan plan;
    std::string error;
    // Built long before the scenario: its schedule still starts at the load.
    m.field.clock.set(100);
    ASSERT_TRUE(sim::load_scenario(R"({"tags": [{"standard": "epc", "presence": {"out_s": 60}}]})", m, plan, error))
        << error;
    EXPECT_LT(m.field.clock.seconds(), 60);
    EXPECT_EQ(call(m, 0x22).status, 0);
    EXPECT_EQ(records(list(m, kEpc, 0, 10)).size(), 1u) << "in the field on the running clock";
}

}  // namespace
