// The faults a reply can suffer on a byte stream (serial or TCP) and the result the library gives
// for each, shared by the end-to-end tests of both links.
#pragma once

#include "kestrel.h"

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

}  // namespace kestrel::test
