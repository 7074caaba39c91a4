// The benchmarks are not built by the test run; the parts they judge by are checked here, so
// that a change to the wire or to the scenario format cannot silently skew the table.
#include <gtest/gtest.h>

#include "bench/measure.h"
#include "bench/reader_process.h"
#include "link/session.h"
#include "sim/faults.h"
#include "sim/reader_model.h"
#include "sim/scenario.h"
#include "support/wire_fixture.h"

namespace kestrel::test {
namespace {

class BenchWireBytes : public WireTest {};

TEST_F(BenchWireBytes, CountsTheReplyBytesAsTheyWentOnTheWire) {
    const struct {
        const char* name;
        std::uint8_t status;
        Bytes data;
        std::size_t wire_bytes;  // header, fields, data, check and trailer, doubled 0x10s included
    } cases[] = {
        {"no data", 0x00, {}, 10},
        {"status 0x10", 0x10, {}, 11},
        {"a 0x10 data byte", 0x00, {0x10, 0x01}, 13},
        {"length 0x0010", 0x00, Bytes(16, 0x00), 10 + 16 + 1},
        {"check byte 0x10", 0x00, {0x17}, 11 + 1},
    };
    for (const auto& c : cases) {
        answer(0x07, c.status, c.data);
        link::LinkSession& s = link::session();
        s.address = 1;
        s.command = 0x07;
        s.request_length = 0;
        ASSERT_EQ(link::Link_Transact(), KESTREL_OK) << c.name;
        EXPECT_EQ(bench::last_reply_wire_bytes(), c.wire_bytes) << c.name;
        EXPECT_EQ(reply_frame(1, 0x07, c.status, c.data).size(), c.wire_bytes) << c.name;
    }
}

TEST(BenchWireModel, PauseAndTenBitsAByte) {
    EXPECT_DOUBLE_EQ(bench::serial_model_us(0, 9600), 6000.0);
    EXPECT_DOUBLE_EQ(bench::serial_model_us(96, 9600), 6000.0 + 100'000.0);
    EXPECT_DOUBLE_EQ(bench::serial_model_us(1152, 115200), 6000.0 + 100'000.0);
}

TEST(BenchQuantile, NearestRank) {
    const std::vector<double> ten = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
    const struct {
        std::vector<double> values;
        double p;
        double expected;
    } cases[] = {
        {ten, 0.5, 5}, {ten, 0.99, 10}, {ten, 0.0, 1}, {ten, 1.0, 10}, {{42}, 0.99, 42}, {{}, 0.5, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(bench::quantile(c.values, c.p), c.expected) << c.p;
}

TEST(BenchScenario, ThousandTagsAndSixtyFourBytesToRead) {
    sim::ReaderModel model;
    sim::FaultPlan faults;
    std::string error;
    ASSERT_TRUE(sim::load_scenario(bench::generated_scenario(1000), model, faults, error)) << error;
    ASSERT_EQ(model.field.tags.size(), 1000u);
    for (const sim::Tag& t : model.field.tags) EXPECT_EQ(t.standard, sim::Standard::epc);
    EXPECT_EQ(model.field.tags.front().areas[3].size(), 64u);
    // Every tag has its own EPC, so the inventory lists each one.
    EXPECT_NE(model.field.tags[0].identifier(), model.field.tags[999].identifier());
}

}  // namespace
}  // namespace kestrel::test
