#include "link/serial_engine.h"

#include "kestrel.h"
#include "link/pause.h"
#include "link/serial_port.h"
#include "link/stream_reply.h"

namespace kestrel::link {
namespace {

// The byte operations of the engine over one port (reading stuffed bytes is the reply
// reader's, shared with the TCP engine).
class ByteLink {
public:
    explicit ByteLink(SerialPort& port) : port_(port) {}

    bool send_raw(std::uint8_t b) { return port_.write(&b, 1) == 1; }
    bool send_stuffed(std::uint8_t b) { return send_raw(b) && (b != kDle || send_raw(b)); }
    bool read_raw(std::uint8_t& b) { return port_.read(&b, 1) == 1; }
    void expect(int count) { port_.expect(count); }

    // The reply's first byte: read raw repeatedly, up to the engine's number of attempts.
    void set_first_byte_attempts(std::uint32_t attempts) { first_byte_attempts_ = attempts; }
    bool first_byte(std::uint8_t& b) {
        for (std::uint32_t i = 0; i < first_byte_attempts_; ++i)
            if (read_raw(b)) return true;
        return false;
    }

private:
    SerialPort& port_;
    std::uint32_t first_byte_attempts_ = 0;
};

// Reads and discards bytes until a read gets none (one read timeout of quiet), or the most a
// reply can hold has gone by.
void drain_until_quiet(ByteLink& link) {
    constexpr std::size_t kMostBytes = 2 * (kDataCapacity + 16);
    std::uint8_t b = 0;
    for (std::size_t i = 0; i < kMostBytes && link.read_raw(b); ++i) {
    }
}

int transact(LinkSession& s, SerialPort& port);

}  // namespace

int Serial_Transact(LinkSession& s) {
    if (s.serial == nullptr) return KESTREL_E_SEND_DLE;
    SerialPort& port = *s.serial;
    if (s.serial_reply_outstanding) {
        ByteLink link(port);
        drain_until_quiet(link);
    }
    const int code = transact(s, port);
    // A failure from the first-byte wait up to the trailer may leave the rest of the reader's
    // reply on its way; a reply taken to its end (wrong echo or address) leaves nothing.
    s.serial_reply_outstanding = code >= KESTREL_E_NO_REPLY && code <= KESTREL_E_REPLY_TRAILER_STX;
    return code;
}

namespace {

int transact(LinkSession& s, SerialPort& port) {
    ByteLink link(port);
    port.purge();
    if (!link.send_raw(kDle)) return KESTREL_E_SEND_DLE;
    leading_dle_pause(kLeadingDleGapMs);
    if (!link.send_raw(kSoh)) return KESTREL_E_SEND_SOH;

    std::uint8_t check = check_step(0, s.address);
    if (!link.send_stuffed(s.address)) return KESTREL_E_SEND_ADDRESS;
    if (!link.send_stuffed(s.command)) return KESTREL_E_SEND_COMMAND;
    check = check_step(check, s.command);
    if (!link.send_stuffed(s.request_length)) return KESTREL_E_SEND_LENGTH;
    check = check_step(check, s.request_length);
    for (std::size_t i = 0; i < s.request_length; ++i) {
        if (!link.send_stuffed(s.request_data[i])) return KESTREL_E_SEND_DATA;
        check = check_step(check, s.request_data[i]);
    }
    if (!link.send_stuffed(check)) return KESTREL_E_SEND_CHECK;
    if (!link.send_raw(kDle)) return KESTREL_E_SEND_TRAILER_DLE;
    if (!link.send_raw(kStx)) return KESTREL_E_SEND_TRAILER_STX;

    // Wait for the first reply byte: each attempt is one read bounded by the port's timeouts.
    link.set_first_byte_attempts(s.command == 0x00 ? 2 * s.probe_wait_count : 4 * s.command_wait_count);
    return StreamReply(link).read(s);
}

}  // namespace

}  // namespace kestrel::link
