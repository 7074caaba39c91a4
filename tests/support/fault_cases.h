// The faults a reply can suffer on a byte stream (serial or TCP) and the result the library gives
// for each, shared by the end-to-end tests of both links.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "kestrel.h"
#include "sim/faults.h"

namespace kestrel::test {

struct FaultCase {
    const char* fault;  // a readersim --fault text
    int result;
};

inline constexpr FaultCase kStreamFaultCases[] = {
    {"corrupt_check", KESTREL_E_REPLY_CHECK},
    {"other_address", KESTREL_E_REPLY_ADDRESS_RULE},
    {"wrong_echo", KESTREL_E_REPLY_ECHO},
    {"noise", KESTREL_E_REPLY_DLE},
    {"oversize_length", KESTREL_E_REPLY_DATA},
    {"trailing", KESTREL_OK},
    {"split,pieces=4,delay_ms=20", KESTREL_OK},
    {"delay,delay_ms=150", KESTREL_OK},
    {"drop", KESTREL_E_NO_REPLY},
};

// Each stream fault fired once on the reader's answer to ReadDeviceNo: the export gives the
// fault's result, and the next exchange is clean again. `with_plan` runs its argument on the
// reader's fault plan while no front end uses it.
template <typename WithPlan>
void expect_stream_fault_results(WithPlan with_plan) {
    for (const FaultCase& c : kStreamFaultCases) {
        sim::FaultRule rule;
        std::string error;
        ASSERT_TRUE(sim::parse_fault(std::string(c.fault) + ",command=0x07,count=1", rule, error)) << error;
        with_plan([&](sim::FaultPlan& plan) { plan.add(rule); });
        std::uint8_t number = 0xEE;
        EXPECT_EQ(ReadDeviceNo(1, &number), c.result) << c.fault;
        EXPECT_EQ(ReadDeviceNo(1, &number), KESTREL_OK) << c.fault;
        EXPECT_EQ(number, 1) << c.fault;
        with_plan([](sim::FaultPlan& plan) { plan.clear(); });
    }
}

}  // namespace kestrel::test
