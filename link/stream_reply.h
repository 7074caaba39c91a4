// The reply half of the engines that read a byte stream (serial and TCP): the reply frame read
// one byte at a time and checked step by step, each step with its own link status code. Only
// how a byte is waited for differs between the two.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kestrel.h"
#include "link/frame.h"
#include "link/session.h"

namespace kestrel::link {

// `Source` reads the stream:
//   bool first_byte(std::uint8_t&)  waits for the reply's first byte (the engine's first-byte wait);
//   bool read_raw(std::uint8_t&)    reads the next byte within the per-byte wait;
//   void expect(int)                hears that at least that many more bytes are on their way.
// Both reads return false when no byte came (timed out, or the stream is gone).
template <typename Source>
class StreamReply {
public:
    explicit StreamReply(Source& in) : in_(in) {}

    // Reads and checks the reply to the request in `s`; stores status and data in `s`.
    // Returns 0 or the link status code of the step that failed. After a drain, a whole frame
    // that answers another command is a late reply to an earlier request: it is passed over
    // and the wait goes on for this one's, within the transaction's deadline.
    int read(LinkSession& s) {
        for (;;) {
            const int code = read_frame(s);
            if (code != KESTREL_E_REPLY_ECHO || !s.after_drain || s.out_of_time()) return code;
        }
    }

private:
    int read_frame(LinkSession& s) {
        std::uint8_t b = 0;
        if (!in_.first_byte(b)) return KESTREL_E_NO_REPLY;
        if (b != kDle) return KESTREL_E_REPLY_DLE;
        in_.expect(kHeaderBytes);
        if (!in_.read_raw(b)) return KESTREL_E_REPLY_SOH_MISSING;
        if (b != kSoh) return KESTREL_E_REPLY_SOH;

        std::uint8_t reply_address = 0, echo = 0, status = 0, high = 0, low = 0;
        if (!read_stuffed(reply_address)) return KESTREL_E_REPLY_ADDRESS;
        std::uint8_t reply_check = check_step(0, reply_address);
        if (!read_stuffed(echo)) return KESTREL_E_REPLY_ECHO_MISSING;
        reply_check = check_step(reply_check, echo);
        if (!read_stuffed(status)) return KESTREL_E_REPLY_STATUS;
        s.reader_status = status;
        reply_check = check_step(reply_check, status);
        if (!read_stuffed(high) || !read_stuffed(low)) return KESTREL_E_REPLY_DATA;
        reply_check = check_step(check_step(reply_check, high), low);

        // A length the reply buffer cannot hold is refused before any data byte is stored.
        const std::size_t length = static_cast<std::size_t>(high) << 8 | low;
        if (length > s.reply_data.size()) {
            s.reply_length = 0;
            return KESTREL_E_REPLY_DATA;
        }
        s.reply_length = static_cast<std::uint16_t>(length);
        in_.expect(static_cast<int>(length) + kTrailerBytes);
        for (std::size_t i = 0; i < length; ++i) {
            if (!read_stuffed(s.reply_data[i])) return KESTREL_E_REPLY_DATA;
            reply_check = check_step(reply_check, s.reply_data[i]);
        }

        std::uint8_t sent_check = 0;
        if (!read_stuffed(sent_check)) return KESTREL_E_REPLY_CHECK_MISSING;
        if (sent_check != reply_check) return KESTREL_E_REPLY_CHECK;
        if (!in_.read_raw(b)) return KESTREL_E_REPLY_TRAILER_DLE_MISSING;
        if (b != kDle) return KESTREL_E_REPLY_TRAILER_DLE;
        if (!in_.read_raw(b)) return KESTREL_E_REPLY_TRAILER_STX_MISSING;
        if (b != kStx) return KESTREL_E_REPLY_TRAILER_STX;

        if (echo != s.command) return KESTREL_E_REPLY_ECHO;
        if (!reply_address_accepted(s.address, s.command, reply_address, true)) return KESTREL_E_REPLY_ADDRESS_RULE;
        return KESTREL_OK;
    }

    // After the leading DLE: SOH, address, echo, status and the two length bytes.
    static constexpr int kHeaderBytes = 6;
    // After the data: check, DLE, STX.
    static constexpr int kTrailerBytes = 3;

    // A 0x10 must arrive doubled; anything else after it fails the read.
    bool read_stuffed(std::uint8_t& b) {
        if (!in_.read_raw(b)) return false;
        if (b != kDle) return true;
        std::uint8_t second = 0;
        return in_.read_raw(second) && second == kDle;
    }

    Source& in_;
};

}  // namespace kestrel::link
