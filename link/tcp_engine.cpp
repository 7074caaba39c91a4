#include "link/tcp_engine.h"

#include <array>
#include <new>
#include <span>

#include "kestrel.h"
#include "link/frame.h"
#include "link/stream_reply.h"

namespace kestrel::link {
namespace {

constexpr std::size_t kMaxIpText = 64;

// The reply stream over the connection: each wait the session's, cut at its deadline.
class TcpByteStream {
public:
    TcpByteStream(TcpSocket& socket, LinkSession& s) : socket_(socket), s_(s), t_(s.timeouts()) {}

    bool first_byte(std::uint8_t& b) { return take(b, s_.first_byte_ms()); }
    bool read_raw(std::uint8_t& b) { return take(b, t_.byte_ms); }
    // A socket hands over what has arrived in segments; there is nothing to wait for in one go.
    void expect(int) {}
    // The peer closed or reset the connection: nothing more will come on it.
    bool closed() const { return closed_; }

private:
    bool take(std::uint8_t& b, std::uint32_t wait_ms) {
        const int wait = s_.wait_left_ms(wait_ms);
        if (wait <= 0 || closed_) return false;
        const TcpSocket::Read r = socket_.read(b, wait);
        if (r == TcpSocket::Read::closed) closed_ = true;
        if (r != TcpSocket::Read::byte) return false;
        s_.byte_received(b);
        return true;
    }

    TcpSocket& socket_;
    LinkSession& s_;
    Timeouts t_;
    bool closed_ = false;
};

}  // namespace

int unsent_field_code(std::span<const std::uint8_t> frame, std::size_t sent, std::size_t data_length) {
    if (sent == 0) return KESTREL_E_SEND_DLE;
    if (sent == 1) return KESTREL_E_SEND_SOH;
    if (sent + 2 >= frame.size()) return sent + 2 == frame.size() ? KESTREL_E_SEND_TRAILER_DLE : KESTREL_E_SEND_TRAILER_STX;
    // Walk the stuffed fields: each is one byte on the wire, or two for a doubled 0x10.
    std::size_t at = 2;
    for (std::size_t field = 0;; ++field) {
        at += frame[at] == kDle ? 2 : 1;
        if (sent < at) {
            if (field == 0) return KESTREL_E_SEND_ADDRESS;
            if (field == 1) return KESTREL_E_SEND_COMMAND;
            if (field == 2) return KESTREL_E_SEND_LENGTH;
            return field < 3 + data_length ? KESTREL_E_SEND_DATA : KESTREL_E_SEND_CHECK;
        }
    }
}

bool parse_ipv4_text(const char* text, Ipv4Address& out) {
    if (text == nullptr) return false;
    Ipv4Address ip{};
    std::size_t group = 0, digits = 0;
    unsigned value = 0;
    for (std::size_t i = 0;; ++i) {
        if (i >= kMaxIpText) return false;
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (++digits > 3) return false;
            value = value * 10 + static_cast<unsigned>(c - '0');
            continue;
        }
        if (c != '.' && c != '\0') return false;
        if (digits == 0 || value > 255 || group >= ip.size()) return false;
        ip[group++] = static_cast<std::uint8_t>(value);
        digits = 0;
        value = 0;
        if (c == '\0') break;
    }
    if (group != ip.size()) return false;
    out = ip;
    return true;
}

Timeouts TcpLink::default_timeouts() const {
    Timeouts t;
    t.probe_reply_ms = kTcpProbeFirstByteMs;
    t.reply_ms = kTcpCommandFirstByteMs;
    t.byte_ms = kTcpNextByteMs;
    t.transaction_ms = transaction_bound_ms(t.reply_ms, t.byte_ms, kTcpBoundBaud);
    return t;
}

void TcpLink::drain(LinkSession& s) {
    if (socket_ == nullptr) return;
    const Timeouts t = s.timeouts();
    std::uint8_t b = 0;
    for (;;) {
        const int wait = s.wait_left_ms(t.byte_ms);
        if (wait <= 0) return;
        const TcpSocket::Read r = socket_->read(b, wait);
        if (r == TcpSocket::Read::closed) return;
        if (r == TcpSocket::Read::byte) continue;
        if (Clock::now() >= s.reply_due_until) return;
    }
}

int TcpLink::transact(LinkSession& s) {
    if (socket_ == nullptr) return KESTREL_E_SEND_DLE;
    std::array<std::uint8_t, kMaxCommandFrame> frame;
    const std::size_t length =
        encode_command_frame(s.address, s.command, std::span(s.request_data).first(s.request_length), frame);
    if (length == 0) return KESTREL_E_SEND_DLE;

    // Whatever arrived since the last transaction (bytes after a reply's trailer, a reply that
    // came too late, noise) is discarded, as the serial engine purges its port.
    socket_->purge(static_cast<int>(s.timeouts().transaction_ms));
    const std::size_t sent = socket_->send(frame.data(), length, kTcpSendTimeoutMs + static_cast<int>(length));
    if (sent < length) return unsent_field_code(std::span(frame).first(length), sent, s.request_length);
    s.frame_sent();

    TcpByteStream stream(*socket_, s);
    const int code = StreamReply(stream).read(s);
    s.reply_outstanding = code >= KESTREL_E_NO_REPLY && code <= KESTREL_E_REPLY_TRAILER_STX && !stream.closed();
    return code;
}

bool TcpLink::close() {
    close_platform_socket(socket_);
    socket_ = nullptr;
    return true;
}

int Tcp_Open(LinkSession& s, const char* host, std::uint16_t port) {
    s.transport = Transport::tcp;
    TcpSocket* socket = open_platform_socket(host, port, kTcpConnectTimeoutMs, s.cancel);
    if (socket == nullptr) return KESTREL_E_OPEN;
    auto* link = new (std::nothrow) TcpLink(socket);
    if (link == nullptr) {
        close_platform_socket(socket);
        return KESTREL_E_OPEN;
    }
    s.attach(link, true);
    return KESTREL_OK;
}

}  // namespace kestrel::link
