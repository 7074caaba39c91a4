#include "gateway/worker.h"

#include <chrono>

#include "gateway/log.h"
#include "kestrel/reader.h"

namespace kestrel::gateway {

std::string_view reader_state_name(ReaderState state) {
    switch (state) {
        case ReaderState::connecting: return "connecting";
        case ReaderState::online: return "online";
        case ReaderState::offline: return "offline";
        case ReaderState::stopped: return "stopped";
    }
    return "unknown";
}

ReaderWorker::ReaderWorker(std::size_t index, ReaderConfig reader, Settings settings, WorkerSink& sink)
    : index_(index), reader_(std::move(reader)), settings_(settings), sink_(sink) {}

ReaderWorker::~ReaderWorker() {
    request_stop();
    join();
}

void ReaderWorker::start() {
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
}

void ReaderWorker::request_stop() {
    std::lock_guard lock(mutex_);
    quit_ = true;
    if (handle_) kestrel_cancel(handle_);
    wake_.notify_all();
}

void ReaderWorker::join() {
    if (thread_.joinable()) thread_.join();
}

void ReaderWorker::set_enabled(bool enabled) {
    std::lock_guard lock(mutex_);
    enabled_ = enabled;
    if (!enabled && handle_) kestrel_cancel(handle_);
    wake_.notify_all();
}

bool ReaderWorker::enabled() const {
    std::lock_guard lock(mutex_);
    return enabled_;
}

ReaderState ReaderWorker::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

std::string ReaderWorker::last_error() const {
    std::lock_guard lock(mutex_);
    return last_error_;
}

void ReaderWorker::set_state(ReaderState state, const std::string& error) {
    std::lock_guard lock(mutex_);
    state_ = state;
    if (!error.empty()) last_error_ = error;
}

bool ReaderWorker::should_cycle() const {
    std::lock_guard lock(mutex_);
    return !quit_ && enabled_;
}

bool ReaderWorker::pause(std::int64_t ms) {
    std::unique_lock lock(mutex_);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    wake_.wait_until(lock, until, [&] { return quit_ || !enabled_; });
    return !quit_ && enabled_;
}

bool ReaderWorker::open_link(std::string& error) {
    kestrel_reader* handle = nullptr;
    const std::int32_t result = kestrel_open(reader_.uri.c_str(), &handle);
    if (result != KESTREL_OK) {
        error = std::string("open: ") + kestrel_result_string(result) + " (" + std::to_string(result) + ")";
        return false;
    }
    std::lock_guard lock(mutex_);
    handle_ = handle;
    return true;
}

void ReaderWorker::close_link() {
    std::lock_guard lock(mutex_);
    kestrel_close(handle_);  // NULL is ignored
    handle_ = nullptr;
}

int ReaderWorker::on_tag(void* context, const kestrel_tag* tag) {
    auto* self = static_cast<ReaderWorker*>(context);
    self->cycle_tags_.push_back(
        {std::string(standard_name(tag->standard)), hex(tag->id, tag->id_length), {tag->steady_ns, tag->utc_us}});
    return 0;
}

void ReaderWorker::run() {
    const std::string component = "reader " + reader_.id;
    Backoff backoff;
    bool down_reported = false;  // reader_offline told since the last reader_online
    bool was_online = false;
    while (true) {
        {
            std::unique_lock lock(mutex_);
            if (quit_) break;
            if (!enabled_) {
                lock.unlock();
                close_link();
                set_state(ReaderState::stopped, {});
                if (!down_reported) sink_.on_offline(index_, "stopped");
                down_reported = true;
                log_info(component, "stopped by request");
                lock.lock();
                wake_.wait(lock, [&] { return quit_ || enabled_; });
                if (quit_) break;
                state_ = ReaderState::connecting;
                backoff.reset();
                continue;
            }
        }
        std::string error;
        if (!open_link(error)) {
            ++counters_.errors;
            set_state(ReaderState::offline, error);
            if (!down_reported) {
                log_warn(component, "offline: " + error);
                sink_.on_offline(index_, error);
                down_reported = true;
            }
            const std::int64_t wait = backoff.next();
            log_debug(component, "next attempt in " + std::to_string(wait) + " ms");
            pause(wait);
            continue;
        }
        if (was_online) ++counters_.reconnects;
        was_online = true;
        backoff.reset();
        set_state(ReaderState::online, {});
        log_info(component, "online (" + reader_.uri + ")");
        sink_.on_online(index_);
        down_reported = false;

        // Cycles until the link fails, or the worker is stopped or disabled.
        bool link_failed = false;
        while (!link_failed && should_cycle()) {
            const auto cycle_start = std::chrono::steady_clock::now();
            cycle_tags_.clear();
            bool cancelled = false;
            for (int standard : reader_.standards) {
                if (!should_cycle()) {
                    cancelled = true;
                    break;
                }
                const std::int32_t result =
                    kestrel_inventory(handle_, standard, settings_.per_block, &ReaderWorker::on_tag, this, nullptr);
                if (result == KESTREL_OK) continue;
                if (result == KESTREL_E_CANCELLED) {
                    cancelled = true;
                    break;
                }
                ++counters_.errors;
                error = std::string("inventory ") + std::string(standard_name(standard)) + ": " +
                        kestrel_result_string(result) + " (" + std::to_string(result) + ")";
                set_state(ReaderState::online, error);
                // A reader that answers the probe is still there: the cycle failed, the link
                // did not. One that does not answer is offline.
                if (kestrel_probe(handle_) != KESTREL_OK) {
                    link_failed = true;
                    break;
                }
                log_warn(component, error);
            }
            // The tags read before a failure or a cancel still count.
            counters_.reads += cycle_tags_.size();
            if (!cycle_tags_.empty()) sink_.on_cycle(index_, cycle_tags_);
            if (cancelled || link_failed) break;
            ++counters_.cycles;
            counters_.last_cycle_us = Moment::now().utc_us;
            const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - cycle_start)
                                     .count();
            if (settings_.period_ms > elapsed) pause(settings_.period_ms - elapsed);
        }
        close_link();
        if (link_failed) {
            set_state(ReaderState::offline, error);
            log_warn(component, "offline: " + error);
            sink_.on_offline(index_, error);
            down_reported = true;
            pause(backoff.next());
        }
    }
    close_link();
}

}  // namespace kestrel::gateway
