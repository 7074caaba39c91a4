// The simulated reader driven through the library's exports over a pseudo-terminal: the
// default scenario's tags, the security devices and the fault layer.
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "kestrel.h"
#include "link/frame.h"
#include "support/fault_cases.h"
#include "model_harness.h"
#include "sim/faults.h"
#include "sim/scenario.h"
#include "support/sim_fixture.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

class ReaderWithTags : public SimulatedReader {
protected:
    void SetUp() override {
        SimulatedReader::SetUp();
        pty.with_responder([&](sim::Responder& r) {
            std::string error;
            ASSERT_TRUE(sim::load_scenario(sim::default_scenario(), model, plan, error)) << error;
            r.set_shaper(plan.shaper());
        });
        ASSERT_EQ(LinkCom(1, 0, 115200), KESTREL_OK);
    }
    template <typename F>
    void with_model(F f) {
        pty.with_responder([&](sim::Responder&) { f(model); });
    }

    sim::FaultPlan plan{7};
    std::array<std::uint8_t, 2561> block{};
    std::array<std::uint8_t, 256> out{};
};

// The tag records of a tag list block as the export left it.
std::vector<Bytes> records(const std::array<std::uint8_t, 2561>& block) {
    std::vector<Bytes> recs;
    std::size_t i = 5;
    for (int k = 0; k < block[4]; ++k) {
        recs.emplace_back(block.begin() + i + 1, block.begin() + i + 1 + block[i]);
        i += 1 + block[i];
    }
    return recs;
}

TEST_F(ReaderWithTags, InventoryPagesThroughAListLargerThanOneBlock) {
    with_model([](sim::ReaderModel& m) {
        for (std::uint8_t n = 0; n < 12; ++n) {
            sim::Tag t = sim::Tag::blank(sim::Standard::epc);
            t.set_epc(Bytes{0x35, 0x00, n});
            m.field.tags.push_back(t);
        }
    });
    ASSERT_EQ(EPC_Query_ON(1), 0);
    ASSERT_EQ(EPC_Read_Tag_List(1, 0, 10, block.data()), 0);
    EXPECT_EQ(block[2] << 8 | block[3], 15) << "three from the scenario, twelve added";
    EXPECT_EQ(block[4], 10);
    const auto first = records(block);
    EXPECT_EQ(first[0], hex("3000 E200 6811 0000 0000 0001"));
    ASSERT_EQ(EPC_Read_Tag_List(1, 2, 10, block.data()), 0);
    const auto second = records(block);
    ASSERT_EQ(second.size(), 5u);
    EXPECT_EQ(second[4], hex("3500 0B00"));
    ASSERT_EQ(EPC_Read_Tag_List(1, 1, 10, block.data()), 0);
    EXPECT_EQ(records(block), second) << "read again";

    ASSERT_EQ(GB_Query_ON(1), 0);
    ASSERT_EQ(GB_Read_Tag_List(1, 0, 10, block.data()), 0);
    ASSERT_EQ(block[4], 3);
    EXPECT_EQ(records(block)[0], hex("A001 0C01 2024 0001 A1B2 C3D4 0001")) << "security word, coding area";
}

TEST_F(ReaderWithTags, WriteThenReadBackAndALockedAreaRefuses) {
    std::array<std::uint8_t, 9> write{3, 0x00, 0x02, 0x00, 0x02, 0xCA, 0xFE, 0xBA, 0xBE};  // GB user area 1
    ASSERT_EQ(GB_Write_TAG(1, write.data()), 0);
    std::array<std::uint8_t, 5> read{3, 0x00, 0x02, 0x00, 0x02};
    ASSERT_EQ(GB_Read_TAG(1, read.data(), out.data()), 0);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 5), hex("04 CAFE BABE"));

    // EPC user bank: protected and permanently locked, then a write is refused as locked.
    std::array<std::uint8_t, 5> lock{0, 0, 0, 0, 0x0F};
    ASSERT_EQ(EPC_Lock_TAG(1, lock.data()), 0);
    std::array<std::uint8_t, 6> epc_write{3, 0x00, 0x00, 0x01, 0x55, 0x55};
    EXPECT_EQ(EPC_Write_TAG(1, epc_write.data()), sim::kStatusTagErrorEpc);
    EXPECT_EQ(epc_write[0], sim::kTagErrorMemoryLocked);

    std::array<std::uint8_t, 4> past{3, 0x00, 0x40, 0x01};
    EXPECT_EQ(EPC_Read_TAG(1, past.data(), out.data()), sim::kStatusTagErrorEpc);
    EXPECT_EQ(out[0], sim::kTagErrorMemoryOverrun);
}

TEST_F(ReaderWithTags, AKilledTagIsGoneFromTheNextInventory) {
    // The scenario's second EPC tag has kill password 00000BAD; wake it by its EPC's last byte.
    std::array<std::uint8_t, 5> match{1, 0x00, 0x78, 8, 0x02};
    ASSERT_EQ(EPC_Wake_TAG(1, match.data(), out.data()), 0);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 13), hex("0C 3000 E200 6811 0000 0000 0002"));
    std::array<std::uint8_t, 4> access{0x12, 0x34, 0x56, 0x78}, kill{0, 0, 0x0B, 0xAD}, wrong{0, 0, 0, 1};
    std::array<std::uint8_t, 4> code{'K', 'I', 'L', 'L'};
    ASSERT_EQ(EPC_Set_Pwd(1, 0, access.data(), wrong.data()), 0);
    EXPECT_EQ(EPC_Kill_TAG(1, code.data()), sim::kStatusTagErrorEpc);
    EXPECT_EQ(code[0], sim::kTagErrorWrongPassword);
    ASSERT_EQ(EPC_Set_Pwd(1, 0, access.data(), kill.data()), 0);
    code = {'K', 'I', 'L', 'L'};
    ASSERT_EQ(EPC_Kill_TAG(1, code.data()), 0);
    ASSERT_EQ(EPC_Query_ON(1), 0);
    ASSERT_EQ(EPC_Read_Tag_List(1, 0, 10, block.data()), 0);
    const auto recs = records(block);
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[1], hex("3400 1122 3344 5566 7788 99AA"));
}

TEST_F(ReaderWithTags, PasswordChecksRightAndWrong) {
    // The second GB tag guards user area 1 with write password 5555AAAA.
    std::array<std::uint8_t, 5> match{1, 0x00, 0x58, 8, 0x02};
    ASSERT_EQ(GB_Wake_TAG(1, match.data(), out.data()), 0);
    EXPECT_EQ(GB_Access_Proc(1, 3, 1), sim::kStatusTagErrorGb);
    std::array<std::uint8_t, 7> write{3, 0, 0, 0, 1, 0x12, 0x34};
    EXPECT_EQ(GB_Write_TAG(1, write.data()), sim::kStatusTagErrorGb);
    EXPECT_EQ(write[0], sim::kTagErrorWrongPassword);
    std::array<std::uint8_t, 4> none{}, pw{0x55, 0x55, 0xAA, 0xAA};
    ASSERT_EQ(GB_Set_Pwd(1, 0, 3, none.data(), pw.data()), 0);
    EXPECT_EQ(GB_Access_Proc(1, 3, 1), 0);
    write = {3, 0, 0, 0, 1, 0x12, 0x34};
    EXPECT_EQ(GB_Write_TAG(1, write.data()), 0);
}

TEST_F(ReaderWithTags, Fm151mDigestsAndSm4) {
    struct Case {
        std::uint8_t alg;
        std::string message;
        const char* digest;
    };
    const Case cases[] = {
        {1, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {2, "abc", "66c7f0f462eeedd9d1f2d46bdc10e4e24167c4875cf2f7a2297da02b8f4ba8e0"},
        {3, "", "d41d8cd98f00b204e9800998ecf8427e"},
    };
    for (const Case& c : cases) {
        std::array<std::uint8_t, 3 + 240> req{0, c.alg, 0};
        ASSERT_EQ(FM151M_Hash(1, req.data(), out.data()), 0);
        if (!c.message.empty()) {
            req = {1, c.alg, static_cast<std::uint8_t>(c.message.size())};
            std::copy(c.message.begin(), c.message.end(), req.begin() + 3);
            ASSERT_EQ(FM151M_Hash(1, req.data(), out.data()), 0);
        }
        req = {2, c.alg, 0};
        ASSERT_EQ(FM151M_Hash(1, req.data(), out.data()), 0);
        const Bytes d = hex(c.digest);
        EXPECT_EQ(Bytes(out.begin(), out.begin() + 1 + d.size()), cat({{static_cast<std::uint8_t>(d.size())}, d}));
    }
    const Bytes key = hex("0123456789abcdeffedcba9876543210");
    Bytes start = cat({{0, 1, 0, 5, 16}, key}), data = cat({{1, 1, 0, 5, 16}, key}), release{2, 1, 0, 5, 0};
    ASSERT_EQ(FM151M_Cipher(1, start.data(), out.data()), 0);
    ASSERT_EQ(FM151M_Cipher(1, data.data(), out.data()), 0);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 17), hex("10 681edf34d206965e86b3e94f536e4246"));
    EXPECT_EQ(FM151M_Cipher(1, release.data(), out.data()), 0);
    Bytes sm1 = cat({{0, 1, 0, 3, 16}, key});
    EXPECT_EQ(FM151M_Cipher(1, sm1.data(), out.data()), sim::kStatusNotSupported);
}

TEST_F(ReaderWithTags, PsamGetChallenge) {
    ASSERT_EQ(PSAM_POWER_ON(1, 1, 1, out.data()), 0);
    EXPECT_GT(out[0], 2) << "an ATR";
    std::array<std::uint8_t, 8> apdu{7, 1, 1, 0x00, 0x84, 0x00, 0x00, 0x08};
    ASSERT_EQ(PSAM_Command(1, apdu.data(), out.data()), 0);
    EXPECT_EQ(out[0], 10);
    EXPECT_EQ(out[9], 0x90);
    EXPECT_EQ(out[10], 0x00);
}

TEST_F(ReaderWithTags, FaultsGiveTheLibrarysStatusCodes) {
    test::expect_stream_fault_results([&](auto change) { with_model([&](sim::ReaderModel&) { change(plan); }); });
}

// A host that sends and never reads fills the terminal; the reader must drop what cannot go
// out rather than stall, and answer the next host with fresh replies.
TEST_F(ReaderWithTags, AHostThatStopsReadingDoesNotStallTheReader) {
    UnLinkCom();
    const int fd = ::open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    // 3000 identity requests: about 96 KB of replies, more than the terminal holds.
    const Bytes frame = hex("10 01 01 05 00 04 10 02");
    constexpr std::size_t kRequests = 3000;
    Bytes flood;
    for (std::size_t i = 0; i < kRequests; ++i) flood.insert(flood.end(), frame.begin(), frame.end());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::size_t sent = 0;
    while (sent < flood.size() && std::chrono::steady_clock::now() < deadline) {
        const ssize_t n = ::write(fd, flood.data() + sent, flood.size() - sent);
        if (n > 0) sent += static_cast<std::size_t>(n);
        else std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::close(fd);
    ASSERT_EQ(sent, flood.size()) << "the reader stopped taking requests";
    // Every request is answered (LinkCom's probe was the first), whether the reply fitted or not.
    const std::size_t expected = kRequests + 1;
    std::size_t answered = 0;
    while (answered < expected && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pty.with_responder([&](sim::Responder& r) { answered = r.frames_answered(); });
    }
    ASSERT_EQ(answered, expected);
    ASSERT_EQ(LinkCom(1, 0, 115200), KESTREL_OK);
    std::uint8_t number = 0;
    EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_OK);
    EXPECT_EQ(number, 1);
}

TEST(PtySimulator, TheLinkReplacesAnOldLinkButNeverAFile) {
    const std::string dir = ::testing::TempDir();
    const std::string file = dir + "/readersim-link-file", link = dir + "/readersim-link";
    FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("keep", f);
    std::fclose(f);
    ::unlink(link.c_str());
    ASSERT_EQ(::symlink("/nonexistent", link.c_str()), 0);

    sim::ReaderModel model;
    {
        sim::PtySimulator pty(model);
        EXPECT_FALSE(pty.start(file));
        EXPECT_NE(pty.error().find("not a symbolic link"), std::string::npos) << pty.error();
    }
    struct stat st {};
    ASSERT_EQ(::lstat(file.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_size, 4);

    sim::PtySimulator pty(model);
    ASSERT_TRUE(pty.start(link)) << pty.error();
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(pty.slave_path(), target);
    pty.stop();
    EXPECT_NE(::lstat(link.c_str(), &st), 0);
    ::unlink(file.c_str());
}

TEST(FaultPlan, SettingsAreDecimalOrHexAndWholeNumbers) {
    struct Case {
        const char* fault;
        bool ok;
        int command;
    };
    const Case cases[] = {
        {"drop,command=0x22", true, 0x22},
        {"drop,command=34", true, 34},
        {"drop,command=010", true, 10},  // a leading zero is not octal
        {"drop,command=08", true, 8},
        {"drop,command=0x", false, 0},
        {"drop,command=-1", false, 0},
        {"drop,command=256", false, 0},
        {"drop,command=12abc", false, 0},
        {"drop,command=", false, 0},
        {"drop,probability=0.5", true, -1},
        {"drop,probability=nan", false, 0},
        {"drop,probability=-nan", false, 0},
        {"drop,probability=inf", false, 0},
        {"drop,probability=1.0000001", false, 0},
    };
    for (const Case& c : cases) {
        sim::FaultRule rule;
        std::string error;
        EXPECT_EQ(sim::parse_fault(c.fault, rule, error), c.ok) << c.fault;
        if (c.ok) {
            EXPECT_EQ(rule.command, c.command) << c.fault;
        }
    }
}

TEST(FaultPlan, SeededProbabilityReplaysTheSameFaults) {
    auto pattern = [](std::uint64_t seed) {
        sim::FaultPlan plan(seed);
        sim::FaultRule rule;
        rule.probability = 0.5;
        plan.add(rule);
        std::string fired;
        const Bytes data;
        for (int i = 0; i < 40; ++i) {
            const sim::Reply reply{0, {}};
            sim::Transmission t{sim::Chunk{{}, sim::encode_reply(1, 0x07, reply)}};
            fired += plan.apply(sim::Request{1, 0x07, data}, t).empty() ? 'x' : '.';
        }
        return fired;
    };
    EXPECT_EQ(pattern(3), pattern(3));
    EXPECT_NE(pattern(3), pattern(4));
    const std::string p = pattern(3);
    EXPECT_NE(p.find('x'), std::string::npos);
    EXPECT_NE(p.find('.'), std::string::npos);
}

// The faults that rebuild a reply change only the field they name: the rest decodes as it was,
// a 0x10 in the data stays stuffed, and the oversize reply pads the data with zeros up to one
// byte more than the host's reply area holds, under a check that matches.
TEST(FaultPlan, RebuiltRepliesChangeOnlyTheirField) {
    const Bytes data = {0x10, 0x22, 0x10, 0x00, 0x7E};
    const struct {
        sim::FaultKind kind;
        int decoded;  // what the host's decoder says, asked for the reply to `echo`
        std::uint8_t address, echo;
        std::size_t length;
    } cases[] = {
        {sim::FaultKind::corrupt_check, KESTREL_E_REPLY_CHECK, 1, 0x21, data.size()},
        {sim::FaultKind::other_address, KESTREL_OK, 2, 0x21, data.size()},
        {sim::FaultKind::wrong_echo, KESTREL_OK, 1, 0x22, data.size()},
        {sim::FaultKind::oversize_length, KESTREL_OK, 1, 0x21, KESTREL_MAX_REPLY_DATA + 1},
    };
    for (const auto& c : cases) {
        sim::FaultPlan plan;
        sim::FaultRule rule;
        rule.kind = c.kind;
        plan.add(rule);
        const sim::Transmission out =
            plan.apply(sim::Request{1, 0x21, data}, {sim::Chunk{{}, sim::encode_reply(1, 0x21, sim::Reply{0x03, data})}});
        ASSERT_EQ(out.size(), 1u) << sim::fault_kind_name(c.kind);
        std::vector<std::uint8_t> got(4096, 0xEE);
        link::ReplyFrame f;
        const int code = link::decode_reply_frame(out.front().bytes, c.echo, got, f);
        EXPECT_EQ(code, c.decoded) << sim::fault_kind_name(c.kind);
        if (c.kind == sim::FaultKind::corrupt_check) continue;
        EXPECT_EQ(f.address, c.address) << sim::fault_kind_name(c.kind);
        EXPECT_EQ(f.echo, c.echo) << sim::fault_kind_name(c.kind);
        EXPECT_EQ(f.status, 0x03) << sim::fault_kind_name(c.kind);
        ASSERT_EQ(f.length, c.length) << sim::fault_kind_name(c.kind);
        Bytes expected = data;
        expected.resize(c.length, 0x00);
        EXPECT_EQ(Bytes(got.begin(), got.begin() + static_cast<std::ptrdiff_t>(c.length)), expected)
            << sim::fault_kind_name(c.kind);
    }
}

// The responder makes each answer in the buffers of the one before, and a fault may have
// left them split, delayed, cut or marked to hang up. Whatever fault the first answer got,
// the second goes out whole, at once, and as the model made it.
TEST(FaultPlan, TheAnswerAfterAFaultGoesOutWhole) {
    sim::ReaderModel model;
    const Bytes reply_data = {0x10, 0x22, 0x10, 0x00, 0x7E};
    model.on(0x21, [&](sim::ReaderModel&, const sim::Request&) { return sim::Reply{0, reply_data}; });
    const Bytes plain = sim::encode_reply(model.number(), 0x21, sim::Reply{0, reply_data});
    std::array<std::uint8_t, link::kMaxCommandFrame> command{};
    const Bytes args = {0x01, 0x10};
    const std::size_t n = link::encode_command_frame(model.number(), 0x21, args, command);
    ASSERT_GT(n, 0u);
    for (std::uint8_t k = 0; k <= static_cast<std::uint8_t>(sim::FaultKind::disconnect); ++k) {
        const auto kind = static_cast<sim::FaultKind>(k);
        sim::FaultPlan plan;
        sim::FaultRule rule;
        rule.kind = kind;
        rule.count = 1;
        plan.add(rule);
        sim::Responder responder(model);
        responder.set_shaper(plan.shaper());
        std::vector<sim::Transmission> answers;
        // Two frames in one feed, then one more in a feed of its own.
        Bytes twice(command.begin(), command.begin() + static_cast<std::ptrdiff_t>(n));
        twice.insert(twice.end(), command.begin(), command.begin() + static_cast<std::ptrdiff_t>(n));
        responder.feed(twice, answers);
        responder.feed(std::span(command.data(), n), [&](const sim::Transmission& t) { answers.push_back(t); });
        ASSERT_EQ(answers.size(), 3u) << sim::fault_kind_name(kind);
        EXPECT_EQ(plan.injected(), 1u) << sim::fault_kind_name(kind);
        EXPECT_TRUE(answers[0].size() != 1 || answers[0][0].bytes != plain || answers[0][0].delay.count() > 0)
            << sim::fault_kind_name(kind) << " did not change the first answer";
        for (std::size_t i = 1; i < answers.size(); ++i) {
            ASSERT_EQ(answers[i].size(), 1u) << sim::fault_kind_name(kind) << ", answer " << i;
            EXPECT_EQ(answers[i][0].bytes, plain) << sim::fault_kind_name(kind) << ", answer " << i;
            EXPECT_EQ(answers[i][0].delay.count(), 0) << sim::fault_kind_name(kind) << ", answer " << i;
            EXPECT_FALSE(answers[i][0].hang_up) << sim::fault_kind_name(kind) << ", answer " << i;
        }
    }
}

TEST(Scenario, DefaultHasTagsOfEachStandardAndErrorsNameTheEntry) {
    sim::ReaderModel m;
    sim::FaultPlan plan;
    std::string error;
    ASSERT_TRUE(sim::load_scenario(sim::default_scenario(), m, plan, error)) << error;
    int counts[3] = {};
    for (const auto& t : m.field.tags) ++counts[static_cast<int>(t.standard)];
    EXPECT_EQ(counts[0], 3);
    EXPECT_EQ(counts[1], 3);
    EXPECT_EQ(counts[2], 3);

    struct Bad {
        std::string json;
        const char* error;
    };
    const Bad bad[] = {
        {R"({"tags": [{"standard": "iso"}]})", "tags[0].standard"},
        {R"({"tags": [{"standard": "epc", "epc": "30 0"}]})", "tags[0].epc"},
        {R"({"tags": [{"standard": "gb", "user": {"17": "00"}}]})", "tags[0].user"},
        {R"({"tags": [{"standard": "epc", "colour": "red"}]})", "unknown entry 'colour'"},
        {R"({"reader": {"work_params": "02 00"}})", "reader.work_params"},
        {R"({"faults": {"rules": [{"kind": "explode"}]}})", "faults.rules[0].kind"},
        {R"({"faults": {"rules": [{"kind": "drop", "probability": 2}]}})", "probability"},
        {R"({"reader": )", "not valid JSON"},
        // A number too large for any type (found by fuzzing: it escaped as an exception).
        {R"({"faults": {"seed": 73333333333333333333E3333333333333333}})", "not valid JSON"},
        // Keys that only start with a number name nothing.
        {R"({"reader": {"channels": {"x": "FFFFF00000000000"}}})", "region 'x'"},
        {R"({"reader": {"channels": {"1x": "FFFFF00000000000"}}})", "region '1x'"},
        {R"({"tags": [{"standard": "gb", "passwords": {"x": ["00000000", "00000000"]}}]})", "passwords.x"},
        {R"({"reader": {"psam_files": "3F00"}})", "reader.psam_files"},
        {R"({"faults": {"seed": -5}})", "faults.seed"},
        // A tag record's one length byte bounds the security word and coding area.
        {std::string(R"({"tags": [{"standard": "gjb", "coding": ")") + std::string(2 * 254, 'A') + R"("}]})",
         "tags[0].coding"},
    };
    for (const Bad& b : bad) {
        sim::ReaderModel fresh;
        sim::FaultPlan p;
        EXPECT_FALSE(sim::load_scenario(b.json, fresh, p, error)) << b.json;
        EXPECT_NE(error.find(b.error), std::string::npos) << error;
    }
    // Settings from a scenario are the reader's factory defaults.
    sim::ReaderModel custom;
    ASSERT_TRUE(sim::load_scenario(R"({"reader": {"address": 9, "work_params": "01 02 00 00 05 1A 02"}})", custom,
                                   plan, error))
        << error;
    EXPECT_EQ(call(custom, 0x11, {2, 0, 1, 1, 0, 30, 1}).status, 0);
    EXPECT_EQ(call(custom, 0x01).status, 0);
    EXPECT_EQ(call(custom, 0x12).data, hex("01 02 00 00 05 1A 02"));
    EXPECT_EQ(custom.number(), 9);
}

}  // namespace
