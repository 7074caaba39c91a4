// POSIX TCP backend: a non-blocking socket, poll() against a monotonic deadline for every wait
// (beside the cancel signal's pipe), MSG_NOSIGNAL so a peer that went away gives an error
// instead of SIGPIPE.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>

#include "link/cancel.h"
#include "link/tcp_socket.h"

namespace kestrel::link {
namespace {

using Clock = std::chrono::steady_clock;

// What a wait found: the descriptor's poll events, or one of these.
constexpr int kTimedOut = 0;
constexpr int kFailed = -1;
constexpr int kCancelled = -2;

// Waits until `fd` is ready for `events`, the deadline has passed or the cancel pipe
// (`cancel_fd`, -1 for none) is readable.
int wait_for(int fd, short events, Clock::time_point deadline, int cancel_fd) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return kTimedOut;
        pollfd p[2] = {{fd, events, 0}, {cancel_fd, POLLIN, 0}};
        const int r = ::poll(p, cancel_fd >= 0 ? 2 : 1, static_cast<int>(left));
        if (r > 0 && cancel_fd >= 0 && p[1].revents != 0) return kCancelled;
        if (r > 0) return p[0].revents;
        if (r < 0 && errno != EINTR) return kFailed;
        // r == 0 or EINTR: check the deadline again on the monotonic clock
    }
}

Clock::time_point after(int ms) { return Clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms); }

// Connects one resolved address within the deadline; the descriptor, or -1.
int connect_one(const addrinfo& a, Clock::time_point deadline, int cancel_fd) {
    const int fd = ::socket(a.ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) return -1;
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (::connect(fd, a.ai_addr, a.ai_addrlen) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            ::close(fd);
            return -1;
        }
        const int ready = wait_for(fd, POLLOUT, deadline, cancel_fd);
        int error = 0;
        socklen_t length = sizeof error;
        if (ready <= 0 || ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
            ::close(fd);
            return -1;
        }
    }
    return fd;
}

class PosixTcpSocket final : public TcpSocket {
public:
    PosixTcpSocket(int fd, int cancel_fd) : fd_(fd), cancel_fd_(cancel_fd) {}
    ~PosixTcpSocket() override { ::close(fd_); }

    std::size_t send(const std::uint8_t* bytes, std::size_t count, int timeout_ms) override {
        const auto deadline = after(timeout_ms);
        std::size_t done = 0;
        while (done < count) {
            const ssize_t n = ::send(fd_, bytes + done, count - done, MSG_NOSIGNAL);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) break;
            const int ready = wait_for(fd_, POLLOUT, deadline, cancel_fd_);
            if (ready <= 0 || !(ready & POLLOUT)) break;
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
            const ssize_t n = ::recv(fd_, buffer_, sizeof buffer_, 0);
            if (n > 0) {
                next_ = 0;
                filled_ = static_cast<std::size_t>(n);
                continue;
            }
            if (n == 0) return Read::closed;  // the peer closed its side
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return Read::closed;  // reset
            const int ready = wait_for(fd_, POLLIN, deadline, cancel_fd_);
            if (ready == kTimedOut || ready == kCancelled) return Read::timed_out;
            if (ready < 0) return Read::closed;
            // Readable, or POLLHUP/POLLERR: the next recv reports what happened (data, EOF or
            // reset). A readiness that yields nothing again runs into the deadline.
        }
    }

    // Everything that has already arrived, however much, without waiting for more; a peer
    // that keeps sending is cut off at the limit.
    void purge(int limit_ms) override {
        next_ = filled_ = 0;
        const auto deadline = after(limit_ms);
        std::uint8_t scratch[4096];
        for (;;) {
            const ssize_t n = ::recv(fd_, scratch, sizeof scratch, MSG_DONTWAIT);
            if (n <= 0) break;  // nothing more, closed or failed: the transaction will tell
            if (Clock::now() >= deadline) break;
        }
    }

private:
    int fd_;
    int cancel_fd_;
    // What one recv brought and the reply reader has not taken yet (a purge discards it).
    std::uint8_t buffer_[512];
    std::size_t next_ = 0;
    std::size_t filled_ = 0;
};

}  // namespace

TcpSocket* open_platform_socket(const char* host, std::uint16_t port, int timeout_ms, const CancelSignal* cancel) {
    if (host == nullptr || std::strlen(host) > kMaxTcpHost) return nullptr;
    const int cancel_fd = cancel != nullptr ? cancel->wait_fd() : -1;
    char service[8];
    std::snprintf(service, sizeof service, "%u", static_cast<unsigned>(port));
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, service, &hints, &found) != 0 || found == nullptr) return nullptr;
    const auto deadline = after(timeout_ms);
    int fd = -1;
    for (const addrinfo* a = found; a != nullptr && fd < 0; a = a->ai_next) fd = connect_one(*a, deadline, cancel_fd);
    ::freeaddrinfo(found);
    if (fd < 0) return nullptr;
    auto* socket = new (std::nothrow) PosixTcpSocket(fd, cancel_fd);
    if (socket == nullptr) ::close(fd);
    return socket;
}

void close_platform_socket(TcpSocket* socket) { delete socket; }

}  // namespace kestrel::link
