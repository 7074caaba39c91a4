#include "link/serial_engine.h"

#include <memory>
#include <new>

#include "kestrel.h"
#include "link/pause.h"
#include "link/stream_reply.h"

namespace kestrel::link {
namespace {

// The byte operations of the engine over one port within the session's deadline (reading
// stuffed bytes is the reply reader's, shared with the TCP engine).
class ByteLink {
public:
    ByteLink(SerialPort& port, LinkSession& s) : port_(port), s_(s) {}

    bool send_raw(std::uint8_t b) { return port_.write(&b, 1) == 1; }
    bool send_stuffed(std::uint8_t b) { return send_raw(b) && (b != kDle || send_raw(b)); }
    bool read_raw(std::uint8_t& b) {
        if (s_.out_of_time() || port_.read(&b, 1) != 1) return false;
        s_.byte_received(b);
        return true;
    }
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
    LinkSession& s_;
    std::uint32_t first_byte_attempts_ = 0;
};

std::uint32_t reads_for(std::uint32_t wait_ms, std::uint32_t read_wait_ms) {
    if (read_wait_ms == 0) return 1;
    return (wait_ms + read_wait_ms - 1) / read_wait_ms;
}

}  // namespace

Timeouts SerialLink::default_timeouts() const {
    Timeouts t;
    const std::uint32_t read = settings_.read_wait_ms();
    t.probe_reply_ms = 2 * settings_.probe_wait_count * read;
    t.reply_ms = 4 * settings_.command_wait_count * read;
    t.byte_ms = read;
    t.transaction_ms = transaction_bound_ms(t.reply_ms, t.byte_ms, settings_.speed);
    return t;
}

// Reads and discards bytes until the late reply's time has passed and a read gets none, or
// the drain's bound has gone by.
void SerialLink::drain(LinkSession& s) {
    ByteLink link(port_, s);
    std::uint8_t b = 0;
    for (;;) {
        if (s.out_of_time() || port_.line_down()) return;
        if (link.read_raw(b)) continue;
        if (Clock::now() >= s.reply_due_until) return;
    }
}

int SerialLink::transact(LinkSession& s) {
    const Timeouts t = s.timeouts();
    if (t.byte_ms != read_wait_ms_) {
        port_.set_read_wait(t.byte_ms);
        read_wait_ms_ = t.byte_ms;
    }
    ByteLink link(port_, s);
    port_.purge();
    // A failure from the first-byte wait up to the trailer may leave the rest of the reader's
    // reply on its way; a reply taken to its end (wrong echo or address) leaves nothing.
    auto finish = [&](int code) {
        s.reply_outstanding = code >= KESTREL_E_NO_REPLY && code <= KESTREL_E_REPLY_TRAILER_STX;
        return code;
    };
    if (!link.send_raw(kDle)) return finish(KESTREL_E_SEND_DLE);
    leading_dle_pause(kLeadingDleGapMs);
    if (!link.send_raw(kSoh)) return finish(KESTREL_E_SEND_SOH);

    std::uint8_t check = check_step(0, s.address);
    if (!link.send_stuffed(s.address)) return finish(KESTREL_E_SEND_ADDRESS);
    if (!link.send_stuffed(s.command)) return finish(KESTREL_E_SEND_COMMAND);
    check = check_step(check, s.command);
    if (!link.send_stuffed(s.request_length)) return finish(KESTREL_E_SEND_LENGTH);
    check = check_step(check, s.request_length);
    for (std::size_t i = 0; i < s.request_length; ++i) {
        if (!link.send_stuffed(s.request_data[i])) return finish(KESTREL_E_SEND_DATA);
        check = check_step(check, s.request_data[i]);
    }
    if (!link.send_stuffed(check)) return finish(KESTREL_E_SEND_CHECK);
    if (!link.send_raw(kDle)) return finish(KESTREL_E_SEND_TRAILER_DLE);
    if (!link.send_raw(kStx)) return finish(KESTREL_E_SEND_TRAILER_STX);
    s.frame_sent();

    // Wait for the first reply byte: each attempt is one read bounded by the port's wait.
    link.set_first_byte_attempts(reads_for(s.first_byte_ms(), t.byte_ms));
    return finish(StreamReply(link).read(s));
}

bool SerialLink::close() { return !owns_port_ || close_platform_port(&port_); }

SerialSettings serial_settings_for_rate(std::int32_t rate) {
    // At 9600 a byte takes about 1 ms on the wire, so the per-byte allowance doubles.
    switch (rate) {
        case 19200:
        case 38400:
        case 57600:
        case 115200:
            return {static_cast<std::uint32_t>(rate), 1, 100, 1, 100, 2, 4};
        default:
            return {9600, 2, 100, 2, 100, 2, 4};
    }
}

int Serial_Open(LinkSession& s, const char* device, std::int32_t rate) {
    const SerialSettings settings = serial_settings_for_rate(rate);
    SerialPort* port = open_platform_port(device, settings, s.cancel);
    if (port == nullptr) return KESTREL_E_OPEN;
    auto* link = new (std::nothrow) SerialLink(*port, settings, true);
    if (link == nullptr) {
        close_platform_port(port);
        return KESTREL_E_OPEN;
    }
    s.attach(link, true);
    return KESTREL_OK;
}

int Serial_Open(LinkSession& s, std::uint32_t index, std::int32_t rate) {
    char device[kMaxSerialDeviceName + 1];
    if (index > kMaxSerialPortIndex || !serial_device_name(index, device)) return KESTREL_E_OPEN;
    return Serial_Open(s, device, rate);
}

int Serial_Open(std::uint32_t index, std::int32_t rate) { return Serial_Open(session(), index, rate); }

int Serial_Close() {
    LinkSession& s = session();
    if (s.link == nullptr || s.link->transport() != Transport::serial) return 1;
    s.close_link();
    return s.link == nullptr ? 0 : 1;
}

}  // namespace kestrel::link
