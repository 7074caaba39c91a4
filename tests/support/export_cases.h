// Table-driven wire tests for exports: each row calls one export against the scripted port
// and states the request it must send and what must land in the caller's buffers.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "support/wire_fixture.h"

namespace kestrel::test {

// Exports are called with this address; only its low byte (0x01) may reach the wire.
inline constexpr std::int32_t kAddress = 0x7701;
inline constexpr std::uint8_t kAddressByte = 0x01;

// Bytes of a caller buffer that the export has not written.
inline constexpr std::uint8_t kUntouched = 0xEE;

using Call = int (*)(std::uint8_t* in, std::uint8_t* out);

struct ExportCase {
    const char* name;
    Call call;
    std::uint8_t command;
    Bytes in{};       // the caller's in (or in/out) buffer before the call
    Bytes request{};  // request data expected on the wire
    std::uint8_t status = 0;
    Bytes reply{};                          // reply data the reader answers with
    std::optional<std::uint8_t> verdict{};  // expected first in-buffer byte afterwards
    Bytes out{};                            // expected start of the out buffer afterwards
};

class ExportTest : public WireTest {
protected:
    static constexpr std::size_t kBufferSize = 600;

    struct Buffers {
        std::array<std::uint8_t, kBufferSize> in;
        std::array<std::uint8_t, kBufferSize> out;
    };

    static Buffers buffers_for(const Bytes& in) {
        Buffers b;
        b.in.fill(kUntouched);
        b.out.fill(kUntouched);
        std::copy(in.begin(), in.end(), b.in.begin());
        return b;
    }

    // Runs one row against a reader that answers, and checks request, result and buffers.
    void expect_exchange(const ExportCase& c) {
        SCOPED_TRACE(c.name);
        Buffers b = buffers_for(c.in);
        answer(c.command, c.status, c.reply);
        EXPECT_EQ(c.call(b.in.data(), b.out.data()), c.status) << "the reader status is the result";

        const Sent s = sent();
        ASSERT_TRUE(s.ok) << "well-formed command frame";
        EXPECT_EQ(s.address, kAddressByte);
        EXPECT_EQ(s.command, c.command);
        EXPECT_EQ(s.data, c.request);

        Bytes in_after(c.in);
        if (c.verdict && !in_after.empty()) in_after[0] = *c.verdict;
        expect_buffer(b.in, in_after, "in buffer");
        expect_buffer(b.out, c.out, "out buffer");
    }

    // Runs one row against a silent reader (and, when `no_link`, with no port open at all):
    // the link status code comes back and neither buffer is touched.
    void expect_untouched_on_failure(const ExportCase& c, bool no_link) {
        SCOPED_TRACE(c.name);
        Buffers b = buffers_for(c.in);
        if (no_link) {
            link::session().serial = nullptr;
        } else {
            stay_silent();
        }
        EXPECT_EQ(c.call(b.in.data(), b.out.data()), no_link ? KESTREL_E_SEND_DLE : KESTREL_E_NO_REPLY);
        expect_buffer(b.in, c.in, "in buffer");
        expect_buffer(b.out, {}, "out buffer");
        link::session().serial = &port;
    }

    // Every row of a family's table, both ways.
    void run_table(const std::vector<ExportCase>& table) {
        for (const ExportCase& c : table) expect_exchange(c);
        for (const ExportCase& c : table) expect_untouched_on_failure(c, false);
        for (const ExportCase& c : table) expect_untouched_on_failure(c, true);
    }

    // The buffer starts with `expected` and is untouched after it.
    static void expect_buffer(const std::array<std::uint8_t, kBufferSize>& buffer, const Bytes& expected,
                              const char* what) {
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(expected.size())), expected)
            << what;
        const auto written = std::find_if(buffer.begin() + static_cast<std::ptrdiff_t>(expected.size()),
                                          buffer.end(), [](std::uint8_t v) { return v != kUntouched; });
        EXPECT_EQ(written, buffer.end()) << what << " written at offset " << (written - buffer.begin());
    }
};

// A buffer of `count` bytes counting up from `first`.
inline Bytes counting(std::size_t count, std::uint8_t first = 0) {
    Bytes b(count);
    for (std::size_t i = 0; i < count; ++i) b[i] = static_cast<std::uint8_t>(first + i);
    return b;
}

inline Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace kestrel::test
