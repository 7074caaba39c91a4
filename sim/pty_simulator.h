// The serial front end of the simulator: a pseudo-terminal whose slave side the library
// opens as its serial port. Runs on its own thread, in a program or inside a test.
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

class PtySimulator {
public:
    explicit PtySimulator(ReaderModel& model);
    // Shares `model_lock` with other front ends on the same model (the TCP listener), so that
    // only one of them works on the model at a time.
    PtySimulator(ReaderModel& model, std::mutex& model_lock);
    ~PtySimulator();
    PtySimulator(const PtySimulator&) = delete;
    PtySimulator& operator=(const PtySimulator&) = delete;

    // Opens the pseudo-terminal and starts answering. When `link_path` is not empty a symlink
    // there points at the slave. Returns false (with `error()` set) when it cannot.
    bool start(const std::string& link_path = {});
    // Stops answering, closes the pseudo-terminal and removes the symlink.
    void stop();

    const std::string& slave_path() const { return slave_path_; }
    const std::string& error() const { return error_; }

    // Runs `fn` on the responder (and so the model) while the front end is not using it.
    void with_responder(const std::function<void(Responder&)>& fn);

    // When set, bytes leave at the wire rate of this many bits per second (10 bits a byte).
    void set_pacing(std::uint32_t baud) { pacing_baud_ = baud; }

private:
    void run();
    void send(const Transmission& t);

    Responder responder_;
    std::mutex own_mutex_;
    std::mutex& mutex_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<std::uint32_t> pacing_baud_{0};
    // How long a reply may wait for room on the terminal before it is dropped.
    static constexpr std::chrono::milliseconds kStallLimit{500};
    bool stalled_ = false;  // the last reply found the terminal full and was dropped
    int master_ = -1;
    int keeper_ = -1;
    int wake_[2] = {-1, -1};
    std::string slave_path_;
    std::string link_path_;
    std::string error_;
};

}  // namespace kestrel::sim
