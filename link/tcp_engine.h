// The TCP link: the reader's network module is a transparent serial server, so the command and
// reply frames are the serial ones, unchanged, over a TCP stream. The frame goes out in one
// write (no pause after the leading DLE); the reply is read one byte at a time with the serial
// engine's steps and link status codes, each wait bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "link/session.h"
#include "link/tcp_socket.h"

namespace kestrel::link {

// The first reply byte may take as long as the serial engine's first-byte wait at 115200
// (its attempts times one read timeout of 100 + 1 ms); each following byte 100 ms.
inline constexpr int kTcpProbeFirstByteMs = 2 * 2 * 101;     // 404 ms
inline constexpr int kTcpCommandFirstByteMs = 4 * 4 * 101;  // 1616 ms
inline constexpr int kTcpNextByteMs = 100;
// The frame's write: the serial write timeouts at 115200 (100 ms and 1 ms a byte).
inline constexpr int kTcpSendTimeoutMs = 100;
// The rate the transaction bound of a TCP link is counted at.
inline constexpr std::uint32_t kTcpBoundBaud = 9600;

// Parses the IP text of TCP_LinkCom: four groups of one to three decimal digits, each at most
// 255, joined by single dots, nothing else ("192.168.001.010" and "192.168.1.10" both give
// C0 A8 01 0A). At most 64 characters are looked at. False for a null pointer, a group above
// 255, fewer or more than four groups, empty groups, or any other character.
bool parse_ipv4_text(const char* text, Ipv4Address& out);

// The code of a frame the connection took only `sent` bytes of: the serial engine's code for
// the field of the first byte not taken (225 header DLE ... 233 trailer STX). `frame` is the
// encoded command frame, `data_length` its number of data bytes.
int unsent_field_code(std::span<const std::uint8_t> frame, std::size_t sent, std::size_t data_length);

// The link over one connection.
class TcpLink final : public Link {
public:
    // A link over `socket`, which it closes (open_platform_socket made it).
    explicit TcpLink(TcpSocket* socket) : socket_(socket) {}
    ~TcpLink() override { close(); }

    Transport transport() const override { return Transport::tcp; }
    // 404 / 1616 / 100 ms; the transaction bounded as a serial link at 9600, the slowest rate
    // of a network module's serial side.
    Timeouts default_timeouts() const override;
    // Returns 0 or the serial engine's code for the same fault: 225..233 when the frame could
    // not be written (by the first byte the connection did not take), 234 when no reply byte
    // came, 235..247, 253, 254 as for the serial engine. A connection the peer closed or reset
    // fails the step that was reading at once.
    int transact(LinkSession& s) override;
    void drain(LinkSession& s) override;
    bool close() override;

private:
    TcpSocket* socket_;
};

// Connects to `host`:`port` within 3 s and makes the connection the link of `s`. Returns 0,
// or 1 when it could not be made (not resolved, refused, timed out).
int Tcp_Open(LinkSession& s, const char* host, std::uint16_t port);

}  // namespace kestrel::link
