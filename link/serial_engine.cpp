#include "link/serial_engine.h"

#include "kestrel.h"
#include "link/pause.h"
#include "link/serial_port.h"

namespace kestrel::link {
namespace {

// The four byte operations of the engine over one port.
class ByteLink {
public:
    explicit ByteLink(SerialPort& port) : port_(port) {}

    bool send_raw(std::uint8_t b) { return port_.write(&b, 1) == 1; }
    bool send_stuffed(std::uint8_t b) { return send_raw(b) && (b != kDle || send_raw(b)); }
    bool read_raw(std::uint8_t& b) { return port_.read(&b, 1) == 1; }
    // A 0x10 must arrive doubled; anything else after it fails the read.
    bool read_stuffed(std::uint8_t& b) {
        if (!read_raw(b)) return false;
        if (b != kDle) return true;
        std::uint8_t second = 0;
        return read_raw(second) && second == kDle;
    }

private:
    SerialPort& port_;
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
    const std::uint32_t attempts = s.command == 0x00 ? 2 * s.probe_wait_count : 4 * s.command_wait_count;
    std::uint8_t b = 0;
    bool arrived = false;
    for (std::uint32_t i = 0; i < attempts && !arrived; ++i) arrived = link.read_raw(b);
    if (!arrived) return KESTREL_E_NO_REPLY;
    if (b != kDle) return KESTREL_E_REPLY_DLE;
    if (!link.read_raw(b)) return KESTREL_E_REPLY_SOH_MISSING;
    if (b != kSoh) return KESTREL_E_REPLY_SOH;

    std::uint8_t reply_address = 0, echo = 0, status = 0, high = 0, low = 0;
    if (!link.read_stuffed(reply_address)) return KESTREL_E_REPLY_ADDRESS;
    std::uint8_t reply_check = check_step(0, reply_address);
    if (!link.read_stuffed(echo)) return KESTREL_E_REPLY_ECHO_MISSING;
    reply_check = check_step(reply_check, echo);
    if (!link.read_stuffed(status)) return KESTREL_E_REPLY_STATUS;
    s.reader_status = status;
    reply_check = check_step(reply_check, status);
    if (!link.read_stuffed(high) || !link.read_stuffed(low)) return KESTREL_E_REPLY_DATA;
    reply_check = check_step(check_step(reply_check, high), low);

    // A length the reply buffer cannot hold is refused before any data byte is stored.
    const std::size_t length = static_cast<std::size_t>(high) << 8 | low;
    if (length > s.reply_data.size()) {
        s.reply_length = 0;
        return KESTREL_E_REPLY_DATA;
    }
    s.reply_length = static_cast<std::uint16_t>(length);
    for (std::size_t i = 0; i < length; ++i) {
        if (!link.read_stuffed(s.reply_data[i])) return KESTREL_E_REPLY_DATA;
        reply_check = check_step(reply_check, s.reply_data[i]);
    }

    std::uint8_t sent_check = 0;
    if (!link.read_stuffed(sent_check)) return KESTREL_E_REPLY_CHECK_MISSING;
    if (sent_check != reply_check) return KESTREL_E_REPLY_CHECK;
    if (!link.read_raw(b)) return KESTREL_E_REPLY_TRAILER_DLE_MISSING;
    if (b != kDle) return KESTREL_E_REPLY_TRAILER_DLE;
    if (!link.read_raw(b)) return KESTREL_E_REPLY_TRAILER_STX_MISSING;
    if (b != kStx) return KESTREL_E_REPLY_TRAILER_STX;

    if (echo != s.command) return KESTREL_E_REPLY_ECHO;
    // Serial address rule: a reply from the broadcast address is accepted, and so is any
    // reply to a broadcast request or to a device-number change.
    if (reply_address != s.address && reply_address != 0xFF && s.address != 0xFF && s.command != 0x06)
        return KESTREL_E_REPLY_ADDRESS_RULE;
    return KESTREL_OK;
}

}  // namespace

}  // namespace kestrel::link
