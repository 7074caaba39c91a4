#include "sim/tcp_simulator.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace kestrel::sim {

TcpSimulator::TcpSimulator(ReaderModel& model) : responder_(model), mutex_(own_mutex_) {}

TcpSimulator::TcpSimulator(ReaderModel& model, std::mutex& model_lock) : responder_(model), mutex_(model_lock) {}

TcpSimulator::~TcpSimulator() { stop(); }

bool TcpSimulator::start(const std::string& bind_address, std::uint16_t port) {
    if (running_) return true;
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    if (::inet_pton(AF_INET, bind_address.c_str(), &at.sin_addr) != 1) {
        error_ = "'" + bind_address + "' is not an IPv4 address";
        return false;
    }
    const auto fail = [&](const std::string& what) {
        error_ = what + " " + bind_address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        stop();
        return false;
    };
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener_ < 0) return fail("cannot open a socket for");
    // A restarted simulator takes its port back at once, past connections in TIME_WAIT.
    const int on = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(listener_, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) return fail("cannot listen on");
    if (::listen(listener_, 8) != 0) return fail("cannot listen on");
    socklen_t length = sizeof at;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &length);
    port_ = ntohs(at.sin_port);
    bind_address_ = bind_address;
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return fail("cannot make the wake pipe for");
    running_ = true;
    thread_ = std::thread([this] { run(); });
    return true;
}

void TcpSimulator::stop() {
    if (running_.exchange(false)) {
        const char b = 0;
        [[maybe_unused]] auto n = ::write(wake_[1], &b, 1);
    }
    if (thread_.joinable()) thread_.join();
    close_client();
    for (int* fd : {&listener_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void TcpSimulator::with_responder(const std::function<void(Responder&)>& fn) {
    std::lock_guard lock(mutex_);
    fn(responder_);
}

void TcpSimulator::close_client() {
    if (client_ >= 0) ::close(client_);
    client_ = -1;
}

void TcpSimulator::run() {
    while (running_) {
        if (client_ >= 0) {
            serve_client();
            continue;
        }
        // No client: wait for the next one. While one is served the listener is not looked at,
        // so later clients wait in its queue.
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, 200) < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN) break;
        if (!(fds[0].revents & POLLIN)) continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) continue;
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        client_ = fd;
        last_heard_ = std::chrono::steady_clock::now();
        ++connections_;
        std::lock_guard lock(mutex_);
        responder_.reset_stream();
    }
}

void TcpSimulator::serve_client() {
    std::vector<std::uint8_t> buffer(4096);
    pollfd fds[2] = {{client_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(fds, 2, 200) < 0 && errno != EINTR) {
        close_client();
        return;
    }
    if (fds[1].revents & POLLIN) return;  // stopping
    if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
        // Quiet: a client silent past the idle limit gives way to one that is waiting.
        if (std::chrono::steady_clock::now() - last_heard_ < idle_limit_.load()) return;
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, 0) > 0 && (waiting.revents & POLLIN)) close_client();
        return;
    }
    const ssize_t n = ::recv(client_, buffer.data(), buffer.size(), 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        close_client();  // the client went away: the next one may come
        return;
    }
    if (n < 0) return;
    last_heard_ = std::chrono::steady_clock::now();
    std::vector<Transmission> answers;
    {
        std::lock_guard lock(mutex_);
        responder_.feed(std::span(buffer.data(), static_cast<std::size_t>(n)), answers);
    }
    for (const Transmission& t : answers) {
        if (!send(t)) {
            close_client();
            return;
        }
    }
}

bool TcpSimulator::send(const Transmission& t) {
    using Clock = std::chrono::steady_clock;
    for (const Chunk& chunk : t) {
        if (chunk.delay.count() > 0) {
            // Wait, but give up early when asked to stop.
            pollfd p{wake_[0], POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(chunk.delay.count()));
            if (!running_) return false;
        }
        std::size_t done = 0;
        Clock::time_point last_progress = Clock::now();
        while (done < chunk.bytes.size() && running_) {
            const ssize_t w = ::send(client_, chunk.bytes.data() + done, chunk.bytes.size() - done, MSG_NOSIGNAL);
            if (w > 0) {
                done += static_cast<std::size_t>(w);
                last_progress = Clock::now();
                continue;
            }
            if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
            // TCP pushes back: a client that stops reading for long is given up.
            if (Clock::now() - last_progress > kStallLimit) return false;
            pollfd p{client_, POLLOUT, 0};
            ::poll(&p, 1, 50);
        }
        if (chunk.hang_up) return false;
    }
    return running_;
}

}  // namespace kestrel::sim
