#include "llrp/server.h"

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

namespace kestrel::llrp {
namespace {

std::int64_t steady_ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// How long a blocked write to a client may last before the client counts as gone.
constexpr int kSendTimeoutMs = 5000;
// The longest the serving loop sleeps, so that stop() is seen soon.
constexpr std::int64_t kMaxSleepMs = 100;

}  // namespace

void Framer::feed(std::span<const std::uint8_t> bytes) {
    if (discard_) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(discard_, bytes.size()));
        discard_ -= n;
        bytes = bytes.subspan(n);
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

std::optional<Framer::Frame> Framer::next() {
    if (discard_ && !buffer_.empty()) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(discard_, buffer_.size()));
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(n));
        discard_ -= n;
    }
    const auto h = read_header(buffer_);
    if (!h) return std::nullopt;
    if (h->length < kHeaderSize) {
        // The stream cannot be framed past a length shorter than the header: the header
        // alone is dropped and framing goes on after it.
        Frame f{Kind::too_short, Bytes(buffer_.begin(), buffer_.begin() + kHeaderSize)};
        buffer_.erase(buffer_.begin(), buffer_.begin() + kHeaderSize);
        return f;
    }
    if (h->length > kMaxMessage) {
        Frame f{Kind::too_long, Bytes(buffer_.begin(), buffer_.begin() + kHeaderSize)};
        const std::size_t held = std::min<std::size_t>(buffer_.size(), h->length);
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(held));
        discard_ = h->length - held;
        return f;
    }
    if (buffer_.size() < h->length) return std::nullopt;
    Frame f{Kind::message, Bytes(buffer_.begin(), buffer_.begin() + h->length)};
    buffer_.erase(buffer_.begin(), buffer_.begin() + h->length);
    return f;
}

Endpoint::Endpoint(EndpointOptions options, std::unique_ptr<ReaderPort> port, ReaderLimits limits)
    : options_(std::move(options)), port_impl_(std::move(port)), reader_(*port_impl_, limits) {}

Endpoint::~Endpoint() {
    stop();
    if (listener_ >= 0) ::close(listener_);
}

bool Endpoint::listen() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) {
        error_ = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(options_.port);
    if (::inet_pton(AF_INET, options_.bind.c_str(), &addr.sin_addr) != 1) {
        error_ = "not an IPv4 address: " + options_.bind;
        return false;
    }
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listener_, 4) != 0) {
        error_ = options_.bind + ":" + std::to_string(options_.port) + ": " + std::strerror(errno);
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    return true;
}

void Endpoint::start() {
    running_ = true;
    thread_ = std::thread([this] { serve(); });
}

void Endpoint::stop() {
    running_ = false;
    if (thread_.joinable()) thread_.join();
    close_client();
}

bool Endpoint::send_all(int fd, const Bytes& b) {
    std::size_t done = 0;
    while (done < b.size()) {
        const ssize_t n = ::send(fd, b.data() + done, b.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void Endpoint::close_client() {
    if (client_ < 0) return;
    reader_.disconnect();
    ::close(client_);
    client_ = -1;
    framer_ = Framer{};
}

void Endpoint::accept_client(std::int64_t now) {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    timeval tv{kSendTimeoutMs / 1000, (kSendTimeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    if (client_ >= 0) {
        // One client at a time: the newcomer hears why and is let go.
        send_all(fd, LlrpReader::connection_refused_event());
        ::close(fd);
        return;
    }
    client_ = fd;
    client_failed_ = false;
    reader_.connect(
        [this](const Bytes& b) {
            if (client_ >= 0 && !client_failed_ && !send_all(client_, b)) client_failed_ = true;
        },
        now);
}

bool Endpoint::read_client(std::int64_t now) {
    std::uint8_t buf[16384];
    const ssize_t n = ::recv(client_, buf, sizeof buf, 0);
    if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) return false;
    if (n < 0) return true;
    framer_.feed({buf, static_cast<std::size_t>(n)});
    while (auto f = framer_.next()) {
        const auto h = read_header(f->bytes);
        if (f->kind == Framer::Kind::message) {
            if (!reader_.receive(f->bytes, now)) return false;
        } else {
            Refusal r;
            r.code = status::M_ParameterError;
            r.description = f->kind == Framer::Kind::too_short
                                ? "message length " + std::to_string(h->length) + " is shorter than the header"
                                : "message length " + std::to_string(h->length) + " is over this reader's limit of " +
                                      std::to_string(kMaxMessage);
            if (!send_all(client_, LlrpReader::error_message(h->message_id, r))) return false;
        }
        if (client_failed_) return false;
    }
    return !client_failed_;
}

void Endpoint::serve() {
    while (running_) {
        const std::int64_t now = steady_ms();
        const std::int64_t wait = std::min(reader_.run(now), kMaxSleepMs);
        if (client_failed_) close_client();
        pollfd fds[2] = {{listener_, POLLIN, 0}, {client_, POLLIN, 0}};
        const int count = client_ >= 0 ? 2 : 1;
        if (::poll(fds, count, static_cast<int>(std::max<std::int64_t>(0, wait))) <= 0) continue;
        const std::int64_t later = steady_ms();
        if (fds[0].revents & POLLIN) accept_client(later);
        if (count == 2 && client_ >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            if (!read_client(later)) close_client();
        }
    }
}

}  // namespace kestrel::llrp
