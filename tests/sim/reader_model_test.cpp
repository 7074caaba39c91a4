// The reader model's command table: which codes a reader answers, and a test's own answers.
#include <set>

#include "model_harness.h"

using namespace kestrel;
using namespace kestrel::test;

namespace {

// Every command code the reader knows; all others answer the unknown-command status.
std::set<std::uint8_t> known_codes() {
    std::set<std::uint8_t> codes{0x00};
    for (int c = 0x01; c <= 0x09; ++c) codes.insert(static_cast<std::uint8_t>(c));  // device
    for (int c : {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x17, 0x18, 0x19, 0x1A, 0x1B})  // device, RF
        codes.insert(static_cast<std::uint8_t>(c));
    for (int base : {0x20, 0x40, 0x60})  // EPC, GB, GJB: every offset but 4
        for (int offset = 0; offset <= 0xF; ++offset)
            if (offset != 4) codes.insert(static_cast<std::uint8_t>(base + offset));
    for (int c = 0x50; c <= 0x59; ++c) codes.insert(static_cast<std::uint8_t>(c));  // GB security
    codes.insert(0x70);                                                             // GJB security parameters
    for (int c = 0xA0; c <= 0xA7; ++c) codes.insert(static_cast<std::uint8_t>(c));  // GB FD
    for (int c = 0xB0; c <= 0xB4; ++c) codes.insert(static_cast<std::uint8_t>(c));  // GJB FD blocks
    for (int c = 0xD0; c <= 0xD3; ++c) codes.insert(static_cast<std::uint8_t>(c));  // FM151M
    for (int c : {0xE0, 0xE1, 0xE2}) codes.insert(static_cast<std::uint8_t>(c));     // custom commands
    for (int c = 0xF0; c <= 0xF3; ++c) codes.insert(static_cast<std::uint8_t>(c));  // PSAM
    return codes;
}

TEST(ReaderModel, AnswersExactlyTheCommandCodesItKnows) {
    const auto known = known_codes();
    // Two readers: the table is the same for both, whichever answers first.
    sim::ReaderModel first, second;
    for (int code = 0; code <= 0xFF; ++code) {
        const auto c = static_cast<std::uint8_t>(code);
        const bool knows = known.count(c) != 0;
        for (sim::ReaderModel* m : {&first, &second}) {
            const sim::Reply r = call(*m, c);
            EXPECT_EQ(r.status == sim::kStatusUnknownCommand, !knows) << "code " << code;
            if (!knows) {
                EXPECT_TRUE(r.data.empty()) << "code " << code;
            }
        }
    }
}

TEST(ReaderModel, ATestsOwnAnswerStaysWithItsReader) {
    sim::ReaderModel changed, other;
    changed.on(0x05, [](sim::ReaderModel&, const sim::Request& r) {
        return sim::Reply{0x06, Bytes(r.data.begin(), r.data.end())};
    });
    changed.on(0x0A, [](sim::ReaderModel& m, const sim::Request&) { return sim::Reply{0, {m.number()}}; });
    EXPECT_EQ(call(changed, 0x05, {7, 8}).status, 0x06);
    EXPECT_EQ(call(changed, 0x05, {7, 8}).data, (Bytes{7, 8}));
    EXPECT_EQ(call(changed, 0x0A).data, Bytes{1}) << "a code the reader does not know";
    EXPECT_EQ(call(other, 0x05).data.size(), 22u) << "another reader keeps the identity handler";
    EXPECT_EQ(call(other, 0x0A).status, sim::kStatusUnknownCommand);
    // A second answer for the same code replaces the first; an empty one makes the code unknown.
    changed.on(0x05, [](sim::ReaderModel&, const sim::Request&) { return sim::Reply{0x03, {}}; });
    EXPECT_EQ(call(changed, 0x05).status, 0x03);
    changed.on(0x05, nullptr);
    EXPECT_EQ(call(changed, 0x05).status, sim::kStatusUnknownCommand);
}

}  // namespace
