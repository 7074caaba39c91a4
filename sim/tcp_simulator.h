// The network front end of the simulator: the reader's network module as a transparent serial
// server on a TCP port. One client at a time; the next one waits in the listen queue until the
// current one disconnects. Runs on its own thread, in a program or inside a test.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "sim/reader_model.h"
#include "sim/responder.h"

namespace kestrel::sim {

class TcpSimulator {
public:
    explicit TcpSimulator(ReaderModel& model);
    // Shares `model_lock` with other front ends on the same model (the pseudo-terminal).
    TcpSimulator(ReaderModel& model, std::mutex& model_lock);
    ~TcpSimulator();
    TcpSimulator(const TcpSimulator&) = delete;
    TcpSimulator& operator=(const TcpSimulator&) = delete;

    // Listens on `bind_address` (dotted IPv4) and `port` (0: a free port the system picks) and
    // starts answering. Returns false (with `error()` set) when it cannot.
    bool start(const std::string& bind_address = "127.0.0.1", std::uint16_t port = 0);
    // Stops answering and closes the client's connection and the listener.
    void stop();

    // The port it listens on (the one picked, after start with port 0).
    std::uint16_t port() const { return port_; }
    const std::string& bind_address() const { return bind_address_; }
    const std::string& error() const { return error_; }
    // Connections accepted so far.
    std::size_t connections() const { return connections_; }

    // A client that has sent nothing for this long is dropped when another one is waiting, so
    // a silent client cannot hold the reader for ever (default 10 s).
    void set_idle_limit(std::chrono::milliseconds limit) { idle_limit_ = limit; }

    // Runs `fn` on the responder (and so the model) while no front end is using it.
    void with_responder(const std::function<void(Responder&)>& fn);

private:
    void run();
    void serve_client();
    // Sends one answer; false when the connection is gone or was hung up on purpose.
    bool send(const Transmission& t);
    void close_client();

    Responder responder_;
    std::mutex own_mutex_;
    std::mutex& mutex_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<std::size_t> connections_{0};
    // How long an answer may wait for a client that does not read before the connection is dropped.
    static constexpr std::chrono::milliseconds kStallLimit{2000};
    std::atomic<std::chrono::milliseconds> idle_limit_{std::chrono::milliseconds(10000)};
    std::chrono::steady_clock::time_point last_heard_{};
    int listener_ = -1;
    int client_ = -1;
    int wake_[2] = {-1, -1};
    std::uint16_t port_ = 0;
    std::string bind_address_;
    std::string error_;
};

}  // namespace kestrel::sim
