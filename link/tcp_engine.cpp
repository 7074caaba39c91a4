#include "link/tcp_engine.h"

#include <array>
#include <span>

#include "kestrel.h"
#include "link/frame.h"
#include "link/stream_reply.h"

namespace kestrel::link {
namespace {

constexpr std::uint8_t kProbe = 0x00;
constexpr std::size_t kMaxIpText = 64;

// The reply stream over the connection, with the TCP engine's waits.
class TcpByteStream {
public:
    TcpByteStream(TcpSocket& socket, int first_byte_ms) : socket_(socket), first_byte_ms_(first_byte_ms) {}

    bool first_byte(std::uint8_t& b) { return socket_.read(b, first_byte_ms_) == TcpSocket::Read::byte; }
    bool read_raw(std::uint8_t& b) { return socket_.read(b, kTcpNextByteMs) == TcpSocket::Read::byte; }
    // A socket hands over what has arrived in segments; there is nothing to wait for in one go.
    void expect(int) {}

private:
    TcpSocket& socket_;
    int first_byte_ms_;
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

int Tcp_Open(const Ipv4Address& ip, std::uint16_t port) {
    LinkSession& s = session();
    s.transport = Transport::tcp;
    if (s.tcp != nullptr) return KESTREL_E_OPEN;  // the open connection keeps working
    s.tcp = open_platform_socket(ip, port, kTcpConnectTimeoutMs);
    return s.tcp != nullptr ? KESTREL_OK : KESTREL_E_OPEN;
}

void Tcp_Close() {
    LinkSession& s = session();
    if (s.tcp == nullptr) return;
    close_platform_socket(s.tcp);
    s.tcp = nullptr;
}

int Tcp_Transact(LinkSession& s) {
    if (s.tcp == nullptr) return KESTREL_E_SEND_DLE;
    TcpSocket& socket = *s.tcp;

    std::array<std::uint8_t, kMaxCommandFrame> frame;
    const std::size_t length =
        encode_command_frame(s.address, s.command, std::span(s.request_data).first(s.request_length), frame);
    if (length == 0) return KESTREL_E_SEND_DLE;

    // Whatever arrived since the last transaction (bytes after a reply's trailer, a reply that
    // came too late) is discarded, as the serial engine purges its port.
    socket.purge();
    const std::size_t sent = socket.send(frame.data(), length, kTcpSendTimeoutMs + static_cast<int>(length));
    if (sent < length) return unsent_field_code(std::span(frame).first(length), sent, s.request_length);

    TcpByteStream stream(socket, s.command == kProbe ? kTcpProbeFirstByteMs : kTcpCommandFirstByteMs);
    return StreamReply(stream).read(s);
}

}  // namespace kestrel::link
