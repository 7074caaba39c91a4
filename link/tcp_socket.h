// The TCP transport as the TCP engine sees it: one connection to the reader's network module
// (a transparent serial server), a send of the whole frame, single-byte reads bounded by a
// wait, and a purge of what arrived unasked. One backend per platform implements it
// (tcp_socket_posix.cpp, tcp_socket_win32.cpp); nothing else in the library sees a socket.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kestrel::link {

class CancelSignal;

// An IPv4 address, one byte per group in text order ("192.168.1.10" is C0 A8 01 0A).
using Ipv4Address = std::array<std::uint8_t, 4>;

class TcpSocket {
public:
    // What a bounded read found.
    enum class Read { byte, timed_out, closed };

    virtual ~TcpSocket() = default;
    // Sends `count` bytes as one write (the rest of a partial send follows at once), giving up
    // `timeout_ms` after the call. Returns the number of bytes the connection took.
    virtual std::size_t send(const std::uint8_t* bytes, std::size_t count, int timeout_ms) = 0;
    // Reads one byte, waiting at most `timeout_ms` for it. `closed` when the peer closed or
    // reset the connection (or it failed otherwise): that is reported at once, never waited out.
    // A raised cancel signal ends the wait as `timed_out`.
    virtual Read read(std::uint8_t& byte, int timeout_ms) = 0;
    // Discards every byte that has arrived and not been read, without waiting for more, for
    // at most `limit_ms` (a peer that keeps sending cannot hold the caller longer).
    virtual void purge(int limit_ms) = 0;
};

// How long a connect may take before it is given up.
inline constexpr int kTcpConnectTimeoutMs = 3000;
// Longest host text of a connection (a DNS name is at most 253 characters).
inline constexpr std::size_t kMaxTcpHost = 255;

// The platform backend: connects to `host` (an IPv4 or IPv6 literal, or a name to resolve)
// at `port` within `timeout_ms` (non-blocking connect, TCP_NODELAY set) and returns the
// connection, or nullptr when it could not be resolved, was refused, timed out or could not be
// set up. Its waits also end when `cancel` (may be null) is raised.
TcpSocket* open_platform_socket(const char* host, std::uint16_t port, int timeout_ms, const CancelSignal* cancel);
// Closes a connection `open_platform_socket` made and frees it.
void close_platform_socket(TcpSocket* socket);

}  // namespace kestrel::link
