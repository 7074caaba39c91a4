// One reader's worker: its own thread and kestrel_reader handle, inventory cycle after cycle
// through the typed inventory, reconnection with capped exponential backoff. A slow or failed
// reader holds up only its own thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gateway/config.h"
#include "gateway/event.h"

struct kestrel_reader;
struct kestrel_tag;

namespace kestrel::gateway {

// One tag of an inventory cycle.
struct TagSeen {
    std::string standard;
    std::string tag;  // upper-case hex
    Moment at;        // when the reply holding it arrived
};

enum class ReaderState { connecting, online, offline, stopped };
std::string_view reader_state_name(ReaderState state);

// What a worker reports, called on its thread.
class WorkerSink {
public:
    virtual ~WorkerSink() = default;
    virtual void on_online(std::size_t index) = 0;
    virtual void on_offline(std::size_t index, const std::string& error) = 0;
    virtual void on_cycle(std::size_t index, std::vector<TagSeen>& tags) = 0;
};

struct WorkerCounters {
    std::atomic<std::uint64_t> cycles{0};
    std::atomic<std::uint64_t> reads{0};
    std::atomic<std::uint64_t> errors{0};
    std::atomic<std::uint64_t> reconnects{0};
    std::atomic<std::int64_t> last_cycle_us{0};  // UTC end of the last whole cycle
};

// Backoff between attempts to reach a reader: 0.5 s doubling to 30 s.
class Backoff {
public:
    static constexpr std::int64_t first_ms = 500;
    static constexpr std::int64_t cap_ms = 30'000;
    std::int64_t next() {
        const std::int64_t wait = current_;
        current_ = std::min(current_ * 2, cap_ms);
        return wait;
    }
    void reset() { current_ = first_ms; }

private:
    std::int64_t current_ = first_ms;
};

class ReaderWorker {
public:
    struct Settings {
        std::int64_t period_ms = 200;
        int per_block = 32;
    };
    ReaderWorker(std::size_t index, ReaderConfig reader, Settings settings, WorkerSink& sink);
    ~ReaderWorker();
    ReaderWorker(const ReaderWorker&) = delete;
    ReaderWorker& operator=(const ReaderWorker&) = delete;

    void start();
    // Ends the call under way (kestrel_cancel) and the thread; join() waits for it.
    void request_stop();
    void join();
    // Started and stopped by request: a stopped reader's link is closed.
    void set_enabled(bool enabled);
    bool enabled() const;

    const ReaderConfig& config() const { return reader_; }
    ReaderState state() const;
    std::string last_error() const;
    const WorkerCounters& counters() const { return counters_; }

private:
    void run();
    bool open_link(std::string& error);
    void close_link();
    // Waits `ms`, or less when stopped or disabled; false when the worker should stop cycling.
    bool pause(std::int64_t ms);
    bool should_cycle() const;
    void set_state(ReaderState state, const std::string& error);
    static int on_tag(void* context, const ::kestrel_tag* tag);

    std::size_t index_;
    ReaderConfig reader_;
    Settings settings_;
    WorkerSink& sink_;
    WorkerCounters counters_;

    mutable std::mutex mutex_;  // guards what follows
    std::condition_variable wake_;
    kestrel_reader* handle_ = nullptr;
    bool quit_ = false;
    bool enabled_ = true;
    ReaderState state_ = ReaderState::connecting;
    std::string last_error_;

    std::vector<TagSeen> cycle_tags_;  // the worker thread's own
    std::thread thread_;
};

}  // namespace kestrel::gateway
