// Winsock TCP backend: one non-blocking socket per connection, select() against a monotonic
// deadline for every wait. A wait runs in slices of at most 10 ms while a cancel signal is
// given, and the signal is looked at between them. Each connection starts Winsock for itself
// (WSAStartup counts its callers) and cleans it up when it is closed.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>

#include "link/cancel.h"
#include "link/tcp_socket.h"

namespace kestrel::link {
namespace {

using Clock = std::chrono::steady_clock;

// The longest wait between two looks at the cancel signal.
constexpr long kSliceMs = 10;

Clock::time_point after(int ms) { return Clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms); }

bool cancelled(const CancelSignal* cancel) { return cancel != nullptr && cancel->raised(); }

enum class Ready { yes, timed_out, cancelled, failed };

// Waits until `s` can be written (`for_write`) or read, the deadline has passed or `cancel`
// is raised. A failed connect shows in the exception set; a closed or reset connection shows
// as readable, and the next recv tells which.
Ready wait_for(SOCKET s, bool for_write, Clock::time_point deadline, const CancelSignal* cancel) {
    for (;;) {
        if (cancelled(cancel)) return Ready::cancelled;
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return Ready::timed_out;
        const long slice = cancel != nullptr ? std::min<long>(kSliceMs, static_cast<long>(left))
                                             : static_cast<long>(std::min<std::int64_t>(left, 0x7FFFFFFF));
        fd_set ready, failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(s, &ready);
        FD_SET(s, &failed);
        timeval wait{slice / 1000, (slice % 1000) * 1000};
        const int r = ::select(0, for_write ? nullptr : &ready, for_write ? &ready : nullptr,
                               for_write ? &failed : nullptr, &wait);
        if (r == SOCKET_ERROR) return Ready::failed;
        if (r == 0) continue;  // check the signal and the deadline again, on the monotonic clock
        if (for_write && FD_ISSET(s, &failed)) return Ready::failed;
        return Ready::yes;
    }
}

bool would_block(int error) { return error == WSAEWOULDBLOCK || error == WSAEINTR || error == WSAEINPROGRESS; }

// Connects one resolved address within the deadline; the socket, or INVALID_SOCKET.
SOCKET connect_one(const addrinfo& a, Clock::time_point deadline, const CancelSignal* cancel) {
    const SOCKET s = ::socket(a.ai_family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return INVALID_SOCKET;
    // Not handed down to child processes (a program that starts another keeps its port).
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    u_long non_blocking = 1;
    const BOOL on = TRUE;
    if (::ioctlsocket(s, FIONBIO, &non_blocking) != 0) {
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    if (::connect(s, a.ai_addr, static_cast<int>(a.ai_addrlen)) != 0) {
        if (!would_block(::WSAGetLastError()) || wait_for(s, true, deadline, cancel) != Ready::yes) {
            ::closesocket(s);
            return INVALID_SOCKET;
        }
        int error = 0;
        int length = sizeof error;
        if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 || error != 0) {
            ::closesocket(s);
            return INVALID_SOCKET;
        }
    }
    return s;
}

class Win32TcpSocket final : public TcpSocket {
public:
    // Takes over `s` and the Winsock start made for it.
    Win32TcpSocket(SOCKET s, const CancelSignal* cancel) : socket_(s), cancel_(cancel) {}
    ~Win32TcpSocket() override {
        ::closesocket(socket_);
        ::WSACleanup();
    }

    std::size_t send(const std::uint8_t* bytes, std::size_t count, int timeout_ms) override {
        const auto deadline = after(timeout_ms);
        std::size_t done = 0;
        while (done < count) {
            const int chunk = static_cast<int>(std::min<std::size_t>(count - done, 0x7FFFFFFF));
            const int n = ::send(socket_, reinterpret_cast<const char*>(bytes + done), chunk, 0);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n == SOCKET_ERROR && !would_block(::WSAGetLastError())) break;
            if (wait_for(socket_, true, deadline, cancel_) != Ready::yes) break;
        }
        return done;
    }

    Read read(std::uint8_t& byte, int timeout_ms) override {
        const auto deadline = after(timeout_ms);
        for (;;) {
            if (next_ < filled_) {
                byte = buffer_[next_++];
                return Read::byte;
            }
            const int n = ::recv(socket_, reinterpret_cast<char*>(buffer_), sizeof buffer_, 0);
            if (n > 0) {
                next_ = 0;
                filled_ = static_cast<std::size_t>(n);
                continue;
            }
            if (n == 0) return Read::closed;                                // the peer closed its side
            if (!would_block(::WSAGetLastError())) return Read::closed;    // reset, or failed
            switch (wait_for(socket_, false, deadline, cancel_)) {
                case Ready::timed_out:
                case Ready::cancelled: return Read::timed_out;
                case Ready::failed: return Read::closed;
                case Ready::yes: break;  // the next recv reports data, the peer's close or a reset
            }
        }
    }

    // Everything that has already arrived, however much, without waiting for more; a peer
    // that keeps sending is cut off at the limit.
    void purge(int limit_ms) override {
        next_ = filled_ = 0;
        const auto deadline = after(limit_ms);
        char scratch[4096];
        for (;;) {
            // The socket does not block: nothing more, closed or failed ends it, and the
            // transaction that follows will tell.
            if (::recv(socket_, scratch, sizeof scratch, 0) <= 0) break;
            if (Clock::now() >= deadline) break;
        }
    }

private:
    SOCKET socket_;
    const CancelSignal* cancel_;
    // What one recv brought and the reply reader has not taken yet (a purge discards it).
    std::uint8_t buffer_[512];
    std::size_t next_ = 0;
    std::size_t filled_ = 0;
};

}  // namespace

TcpSocket* open_platform_socket(const char* host, std::uint16_t port, int timeout_ms, const CancelSignal* cancel) {
    if (host == nullptr || std::strlen(host) > kMaxTcpHost) return nullptr;
    WSADATA data{};
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return nullptr;
    char service[8];
    std::snprintf(service, sizeof service, "%u", static_cast<unsigned>(port));
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, service, &hints, &found) != 0 || found == nullptr) {
        ::WSACleanup();
        return nullptr;
    }
    const auto deadline = after(timeout_ms);
    SOCKET s = INVALID_SOCKET;
    for (const addrinfo* a = found; a != nullptr && s == INVALID_SOCKET; a = a->ai_next)
        s = connect_one(*a, deadline, cancel);
    ::freeaddrinfo(found);
    if (s == INVALID_SOCKET) {
        ::WSACleanup();
        return nullptr;
    }
    auto* socket = new (std::nothrow) Win32TcpSocket(s, cancel);
    if (socket == nullptr) {
        ::closesocket(s);
        ::WSACleanup();
    }
    return socket;
}

void close_platform_socket(TcpSocket* socket) { delete socket; }

}  // namespace kestrel::link
