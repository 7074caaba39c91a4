// Winsock TCP backend: a non-blocking socket, select() against a monotonic deadline for every
// wait. Winsock is started with the connection and cleaned up with its close.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <chrono>
#include <cstring>

#include "link/tcp_socket.h"

namespace kestrel::link {
namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point after(int ms) { return Clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms); }

enum class Ready { yes, timed_out, failed };

// Waits until `s` can be written (`for_write`) or read, or the deadline has passed. A failed
// connect shows in the exception set, a closed or reset connection as readable.
Ready wait_for(SOCKET s, bool for_write, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return Ready::timed_out;
        fd_set ready, failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(s, &ready);
        FD_SET(s, &failed);
        timeval wait{static_cast<long>(left / 1000), static_cast<long>(left % 1000) * 1000};
        const int r = ::select(0, for_write ? nullptr : &ready, for_write ? &ready : nullptr, &failed, &wait);
        if (r == SOCKET_ERROR) return Ready::failed;
        if (r == 0) continue;  // check the deadline again on the monotonic clock
        if (FD_ISSET(s, &failed)) return Ready::failed;
        return Ready::yes;
    }
}

bool would_block() {
    const int e = ::WSAGetLastError();
    return e == WSAEWOULDBLOCK || e == WSAEINTR || e == WSAEINPROGRESS;
}

class Win32TcpSocket final : public TcpSocket {
public:
    bool is_open() const { return socket_ != INVALID_SOCKET; }

    bool connect(const Ipv4Address& ip, std::uint16_t port, int timeout_ms) {
        if (is_open()) return false;
        WSADATA data{};
        if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
        const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) {
            ::WSACleanup();
            return false;
        }
        u_long non_blocking = 1;
        const BOOL on = TRUE;
        ::ioctlsocket(s, FIONBIO, &non_blocking);
        ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);

        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = ::htons(port);
        std::memcpy(&to.sin_addr.s_addr, ip.data(), ip.size());  // already in network order
        bool connected = ::connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
        if (!connected && would_block() && wait_for(s, true, after(timeout_ms)) == Ready::yes) {
            int error = 0;
            int length = sizeof error;
            connected = ::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
                        error == 0;
        }
        if (!connected) {
            ::closesocket(s);
            ::WSACleanup();
            return false;
        }
        socket_ = s;
        return true;
    }

    void close() {
        if (!is_open()) return;
        ::closesocket(socket_);
        socket_ = INVALID_SOCKET;
        ::WSACleanup();
    }

    std::size_t send(const std::uint8_t* bytes, std::size_t count, int timeout_ms) override {
        if (!is_open()) return 0;
        const auto deadline = after(timeout_ms);
        std::size_t done = 0;
        while (done < count) {
            const int n = ::send(socket_, reinterpret_cast<const char*>(bytes + done), static_cast<int>(count - done), 0);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n == SOCKET_ERROR && !would_block()) break;
            if (wait_for(socket_, true, deadline) != Ready::yes) break;
        }
        return done;
    }

    Read read(std::uint8_t& byte, int timeout_ms) override {
        if (!is_open()) return Read::closed;
        const auto deadline = after(timeout_ms);
        for (;;) {
            char b = 0;
            const int n = ::recv(socket_, &b, 1, 0);
            if (n == 1) {
                byte = static_cast<std::uint8_t>(b);
                return Read::byte;
            }
            if (n == 0) return Read::closed;  // the peer closed its side
            if (!would_block()) return Read::closed;  // reset, or failed
            switch (wait_for(socket_, false, deadline)) {
                case Ready::timed_out: return Read::timed_out;
                case Ready::failed: return Read::closed;
                case Ready::yes: break;  // the next recv reports data, EOF or a reset
            }
        }
    }

    void purge() override {
        if (!is_open()) return;
        char scratch[512];
        // Only what has already arrived (the socket does not block); a peer that keeps sending
        // cannot hold the caller here.
        for (int rounds = 0; rounds < 64; ++rounds) {
            if (::recv(socket_, scratch, sizeof scratch, 0) <= 0) break;
        }
    }

private:
    SOCKET socket_ = INVALID_SOCKET;
};

Win32TcpSocket the_socket;

}  // namespace

TcpSocket* open_platform_socket(const Ipv4Address& ip, std::uint16_t port, int timeout_ms) {
    return the_socket.connect(ip, port, timeout_ms) ? &the_socket : nullptr;
}

void close_platform_socket(TcpSocket* socket) {
    if (socket == &the_socket) the_socket.close();
}

}  // namespace kestrel::link
