// POSIX TCP backend: a non-blocking socket, poll() against a monotonic deadline for every wait,
// MSG_NOSIGNAL so a peer that went away gives an error instead of SIGPIPE.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "link/tcp_socket.h"

namespace kestrel::link {
namespace {

using Clock = std::chrono::steady_clock;

// Waits until `fd` is ready for `events` or the deadline has passed. Returns the poll events
// (readiness, or POLLHUP/POLLERR), 0 when the deadline passed, -1 when poll itself failed.
int wait_for(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return 0;
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r > 0) return p.revents;
        if (r < 0 && errno != EINTR) return -1;
        // r == 0 or EINTR: check the deadline again on the monotonic clock
    }
}

Clock::time_point after(int ms) { return Clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms); }

class PosixTcpSocket final : public TcpSocket {
public:
    bool is_open() const { return fd_ >= 0; }

    bool connect(const Ipv4Address& ip, std::uint16_t port, int timeout_ms) {
        if (fd_ >= 0) return false;
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
        if (fd < 0) return false;
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        std::memcpy(&to.sin_addr.s_addr, ip.data(), ip.size());  // already in network order
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
            if (errno != EINPROGRESS && errno != EINTR) {
                ::close(fd);
                return false;
            }
            const int ready = wait_for(fd, POLLOUT, after(timeout_ms));
            int error = 0;
            socklen_t length = sizeof error;
            if (ready <= 0 ||
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
                ::close(fd);
                return false;
            }
        }
        fd_ = fd;
        return true;
    }

    void close() {
        if (fd_ < 0) return;
        ::close(fd_);
        fd_ = -1;
    }

    std::size_t send(const std::uint8_t* bytes, std::size_t count, int timeout_ms) override {
        if (fd_ < 0) return 0;
        const auto deadline = after(timeout_ms);
        std::size_t done = 0;
        while (done < count) {
            const ssize_t n = ::send(fd_, bytes + done, count - done, MSG_NOSIGNAL);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) break;
            const int ready = wait_for(fd_, POLLOUT, deadline);
            if (ready <= 0 || !(ready & POLLOUT)) break;
        }
        return done;
    }

    Read read(std::uint8_t& byte, int timeout_ms) override {
        if (fd_ < 0) return Read::closed;
        const auto deadline = after(timeout_ms);
        for (;;) {
            const ssize_t n = ::recv(fd_, &byte, 1, 0);
            if (n == 1) return Read::byte;
            if (n == 0) return Read::closed;  // the peer closed its side
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return Read::closed;  // reset
            const int ready = wait_for(fd_, POLLIN, deadline);
            if (ready == 0) return Read::timed_out;
            if (ready < 0) return Read::closed;
            // Readable, or POLLHUP/POLLERR: the next recv reports what happened (data, EOF or
            // reset). A readiness that yields nothing again runs into the deadline.
        }
    }

    void purge() override {
        if (fd_ < 0) return;
        std::uint8_t scratch[512];
        // Only what has already arrived; a peer that keeps sending cannot hold the caller here.
        for (int rounds = 0; rounds < 64; ++rounds) {
            const ssize_t n = ::recv(fd_, scratch, sizeof scratch, MSG_DONTWAIT);
            if (n <= 0) break;  // nothing more, closed or failed: the transaction will tell
        }
    }

private:
    int fd_ = -1;
};

PosixTcpSocket the_socket;

}  // namespace

TcpSocket* open_platform_socket(const Ipv4Address& ip, std::uint16_t port, int timeout_ms) {
    return the_socket.connect(ip, port, timeout_ms) ? &the_socket : nullptr;
}

void close_platform_socket(TcpSocket* socket) {
    if (socket == &the_socket) the_socket.close();
}

}  // namespace kestrel::link
