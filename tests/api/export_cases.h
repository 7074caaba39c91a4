// Table-driven wire checks for exports: one row per export names the request frame it must
// send and what must land in the caller's buffers, for a valid reply and for a failed link.
#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <string>

#include "support/wire_fixture.h"

namespace kestrel::test {

// Exports are called with this address; only its low byte (0x01) may reach the wire.
inline constexpr std::int32_t kAddress = 0x7701;

// Bytes the caller's buffers hold where the export must not write.
inline constexpr std::uint8_t kUntouched = 0xA5;
// The reader status every row's reply carries: nonzero, so that a copy made "whatever the
// status" and a result that is (or is not) the reader status both show.
inline constexpr std::uint8_t kReaderStatus = 0x05;

struct ExportCase {
    std::string name;
    // Calls the export with the caller's in buffer and out buffer.
    std::function<int(std::uint8_t* in, std::uint8_t* out)> call;
    Bytes input{};  // the in buffer's leading bytes before the call
    std::uint8_t command = 0;
    Bytes request{};  // the data bytes of the command frame
    Bytes reply{};    // the reply's data bytes
    bool verdict = false;  // the result is the reader status (else 0)
    Bytes in_after{};         // the in buffer's leading bytes after a valid reply (default: `input`)
    Bytes out_after{};        // the out buffer's leading bytes after a valid reply
    std::size_t cleared = 0;  // leading out bytes set to 0 before the transaction
};

inline Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// `count` bytes counting up from `first`.
inline Bytes counting(std::size_t count, std::uint8_t first = 0) {
    Bytes b(count);
    for (std::size_t i = 0; i < count; ++i) b[i] = static_cast<std::uint8_t>(first + i);
    return b;
}

// An in/out buffer after a verdict-byte reply: the verdict in its first byte, the rest as it was.
inline Bytes verdict_into(Bytes in, std::uint8_t verdict) {
    in.at(0) = verdict;
    return in;
}

class ExportWireTest : public WireTest {
protected:
    using Buffer = std::array<std::uint8_t, 600>;

    struct Buffers {
        Buffer in;
        Buffer out;
    };

    static Buffers prepare(const ExportCase& c) {
        Buffers b;
        b.in.fill(kUntouched);
        b.out.fill(kUntouched);
        std::copy(c.input.begin(), c.input.end(), b.in.begin());
        return b;
    }

    // `prefix` leads the buffer and every byte after it is untouched.
    static void expect_buffer(const Buffer& buffer, const Bytes& prefix, const char* which) {
        const Bytes lead(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(prefix.size()));
        EXPECT_EQ(lead, prefix) << which << " buffer";
        const auto rest = std::find_if(buffer.begin() + static_cast<std::ptrdiff_t>(prefix.size()), buffer.end(),
                                       [](std::uint8_t b) { return b != kUntouched; });
        EXPECT_TRUE(rest == buffer.end()) << which << " buffer written at " << (rest - buffer.begin());
    }

    // A valid reply with a nonzero status: the frame sent, the copy made, the result.
    void check_reply(const ExportCase& c) {
        SCOPED_TRACE(c.name);
        Buffers b = prepare(c);
        answer(c.command, kReaderStatus, c.reply);
        const int result = c.call(b.in.data(), b.out.data());
        EXPECT_EQ(result, c.verdict ? kReaderStatus : KESTREL_OK);
        const Sent s = sent();
        EXPECT_TRUE(s.ok) << "malformed command frame";
        EXPECT_EQ(s.address, 0x01);
        EXPECT_EQ(s.command, c.command);
        EXPECT_EQ(s.data, c.request);
        expect_buffer(b.in, c.in_after.empty() ? c.input : c.in_after, "in");
        expect_buffer(b.out, c.out_after, "out");
    }

    enum class Failure {
        silent,   // the reader does not answer: 234
        no_link,  // no port open: 225, nothing on the wire
    };

    // A failed transaction: the link status code comes back unchanged and the buffers hold
    // only what the export cleared beforehand.
    void check_failure(const ExportCase& c, Failure failure) {
        SCOPED_TRACE(c.name + (failure == Failure::silent ? ", silent reader" : ", no link"));
        Buffers b = prepare(c);
        const std::size_t written_before = port.written.size();
        link::LinkSession& s = link::session();
        link::Link* const open_link = s.link;
        if (failure == Failure::silent)
            stay_silent();
        else
            s.link = nullptr;
        const int result = c.call(b.in.data(), b.out.data());
        s.link = open_link;
        if (failure == Failure::silent) {
            EXPECT_EQ(result, KESTREL_E_NO_REPLY);
            EXPECT_EQ(sent().command, c.command);
        } else {
            EXPECT_EQ(result, KESTREL_E_SEND_DLE);
            EXPECT_EQ(port.written.size(), written_before);
        }
        expect_buffer(b.in, c.input, "in");
        expect_buffer(b.out, Bytes(c.cleared, 0x00), "out");
    }

    // A null pointer for each buffer the row's export uses (its in buffer when the row fills
    // one, its out buffer when the export copies into it): refused with KESTREL_E_NULL_BUFFER,
    // nothing purged or sent, the other buffer untouched.
    template <typename Rows>
    void check_null_buffers(const Rows& rows) {
        for (const ExportCase& c : rows) {
            const bool uses_in = !c.input.empty();
            const bool uses_out = !c.out_after.empty() || c.cleared > 0;
            for (const bool null_in : {true, false}) {
                if (null_in ? !uses_in : !uses_out) continue;
                SCOPED_TRACE(c.name + (null_in ? ", null in buffer" : ", null out buffer"));
                Buffers b = prepare(c);
                const std::size_t written_before = port.written.size();
                const int purges_before = port.purges;
                const int result = null_in ? c.call(nullptr, b.out.data()) : c.call(b.in.data(), nullptr);
                EXPECT_EQ(result, KESTREL_E_NULL_BUFFER);
                EXPECT_EQ(port.written.size(), written_before) << "bytes sent";
                EXPECT_EQ(port.purges, purges_before) << "a transaction was started";
                expect_buffer(b.in, c.input, "in");
                expect_buffer(b.out, {}, "out");
            }
        }
    }

    // Every row with a silent reader and with no link open.
    template <typename Rows>
    void check_failures(const Rows& rows) {
        for (const ExportCase& c : rows) {
            check_failure(c, Failure::silent);
            check_failure(c, Failure::no_link);
        }
    }
};

}  // namespace kestrel::test
