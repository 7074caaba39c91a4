// A scripted reader on a loopback TCP port: it answers each command frame it receives with the
// next scripted action (bytes to send, then stay, close or reset the connection) and records
// what it received. For engine tests where every link status code must be provoked exactly.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "link/frame.h"

namespace kestrel::test {

class TcpPeer {
public:
    using Bytes = std::vector<std::uint8_t>;
    enum class After { stay, close, reset };
    struct Action {
        Bytes bytes;                 // sent in one write (none: the reader stays silent)
        After after = After::stay;   // what the reader does once they are out
        int delay_ms = 0;            // pause before the bytes
    };

    TcpPeer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ok_ = ::bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 && ::listen(listener_, 4) == 0;
        socklen_t length = sizeof at;
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &length);
        port_ = ntohs(at.sin_port);
        running_ = ok_;
        if (ok_) thread_ = std::thread([this] { run(); });
    }
    ~TcpPeer() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
        ::close(listener_);
    }

    bool ok() const { return ok_; }
    std::uint16_t port() const { return port_; }

    // The action for the next command frame; frames beyond the script are answered with
    // `fallback` (by default silence).
    void script(Action a) {
        std::lock_guard lock(mutex_);
        script_.push_back(std::move(a));
    }
    void set_fallback(Action a) {
        std::lock_guard lock(mutex_);
        fallback_ = std::move(a);
    }
    // Every byte received, over all connections, and each read's size.
    Bytes received() {
        std::lock_guard lock(mutex_);
        return received_;
    }
    std::vector<std::size_t> reads() {
        std::lock_guard lock(mutex_);
        return reads_;
    }
    int connections() const { return connections_; }
    // Waits (bounded) until `n` bytes have been received.
    bool wait_received(std::size_t n, std::chrono::milliseconds limit = std::chrono::milliseconds(2000)) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < until) {
            if (received().size() >= n) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

private:
    void run() {
        int client = -1;
        Bytes pending;
        while (running_) {
            pollfd p{client >= 0 ? client : listener_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            if (client < 0) {
                client = ::accept(listener_, nullptr, nullptr);
                if (client >= 0) ++connections_;
                pending.clear();
                continue;
            }
            std::uint8_t buffer[4096];
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) {
                ::close(client);
                client = -1;
                continue;
            }
            {
                std::lock_guard lock(mutex_);
                received_.insert(received_.end(), buffer, buffer + n);
                reads_.push_back(static_cast<std::size_t>(n));
            }
            pending.insert(pending.end(), buffer, buffer + n);
            // Answer every complete frame.
            for (;;) {
                std::array<std::uint8_t, 256> data{};
                link::CommandFrame frame;
                std::size_t consumed = 0;
                const auto r = link::decode_command_frame(pending, data, frame, consumed);
                if (r == link::CommandDecode::incomplete || consumed == 0) {
                    if (r != link::CommandDecode::incomplete) pending.clear();
                    break;
                }
                pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(consumed));
                Action a;
                {
                    std::lock_guard lock(mutex_);
                    if (script_.empty()) {
                        a = fallback_;
                    } else {
                        a = script_.front();
                        script_.pop_front();
                    }
                }
                if (a.delay_ms) std::this_thread::sleep_for(std::chrono::milliseconds(a.delay_ms));
                if (!a.bytes.empty()) ::send(client, a.bytes.data(), a.bytes.size(), MSG_NOSIGNAL);
                if (a.after == After::stay) continue;
                if (a.after == After::reset) {
                    // Linger 0: the close sends a reset instead of an orderly end.
                    const linger hard{1, 0};
                    ::setsockopt(client, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
                }
                ::close(client);
                client = -1;
                break;
            }
        }
        if (client >= 0) ::close(client);
    }

    int listener_ = -1;
    bool ok_ = false;
    std::uint16_t port_ = 0;
    std::atomic<bool> running_{false};
    std::atomic<int> connections_{0};
    std::thread thread_;
    std::mutex mutex_;
    std::deque<Action> script_;
    Action fallback_;
    Bytes received_;
    std::vector<std::size_t> reads_;
};

}  // namespace kestrel::test
