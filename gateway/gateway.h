// The gateway: one worker per reader, presence over all of them, the store, and the live
// event feed. Every event goes the same way, under one lock so the order holds everywhere:
// made (presence, or a reader's state), appended to the store (which gives its seq), then
// announced to the subscribers (the live streams, a publisher) and the log.
#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "gateway/config.h"
#include "gateway/event.h"
#include "gateway/metrics.h"
#include "gateway/presence.h"
#include "gateway/store.h"
#include "gateway/worker.h"

namespace kestrel::gateway {

struct ReaderStatus {
    std::string id;
    std::string uri;
    std::string location;
    std::vector<std::string> standards;
    std::string status;  // connecting, online, offline, stopped
    std::string last_error;
    std::uint64_t cycles = 0;
    std::uint64_t reads = 0;
    std::uint64_t errors = 0;
    std::uint64_t reconnects = 0;
    std::uint64_t events = 0;
    std::size_t tags_present = 0;
    std::int64_t last_cycle_us = 0;
};

class Gateway final : private WorkerSink {
public:
    struct Options {
        bool track_delivery = false;  // store events undelivered, for a publisher
    };
    // Opens the store (throws StoreError); nothing runs until start().
    explicit Gateway(GatewayConfig config, Options options);
    explicit Gateway(GatewayConfig config) : Gateway(std::move(config), Options{}) {}
    ~Gateway() override;
    Gateway(const Gateway&) = delete;
    Gateway& operator=(const Gateway&) = delete;

    void start();
    // Stops every worker (the calls under way cancelled) and the departure checks; the store
    // stays open for queries until the gateway is destroyed.
    void stop();

    // Called with every event once stored, in seq order, under the gateway's lock: keep it
    // short and do not call back into the gateway. Returns an id for unsubscribe.
    using Subscriber = std::function<void(const Event&)>;
    int subscribe(Subscriber subscriber);
    void unsubscribe(int id);

    std::vector<ReaderStatus> readers() const;
    std::vector<Presence::Present> tags() const;
    // False for an unknown reader id. `by` names who asked (http, mqtt) in the log line.
    bool set_reader_enabled(const std::string& id, bool enabled, std::string_view by);
    std::string metrics() const;

    // A publisher (MQTT, say) adds its metrics to metrics() and its state to publishers(),
    // which the HTTP API and the web page show. Both are called from HTTP threads.
    void add_publisher(std::string name, std::function<std::string()> metrics, std::function<nlohmann::json()> status);
    // {"name": status, ...}; empty without publishers.
    nlohmann::json publishers() const;

    EventStore& store() { return store_; }
    const GatewayConfig& config() const { return config_; }

private:
    void on_online(std::size_t index) override;
    void on_offline(std::size_t index, const std::string& error) override;
    void on_cycle(std::size_t index, std::vector<TagSeen>& tags) override;
    // Stores and announces; the caller holds mutex_.
    void emit(std::vector<Event>& events);
    void tick();

    GatewayConfig config_;
    EventStore store_;
    std::vector<std::unique_ptr<ReaderWorker>> workers_;
    std::map<std::string, std::size_t> index_of_;

    mutable std::mutex mutex_;  // presence, subscribers, event counters, histogram
    Presence presence_;
    std::map<int, Subscriber> subscribers_;
    int next_subscriber_ = 1;
    std::map<std::pair<std::string, std::string>, std::uint64_t> events_by_reader_type_;
    std::vector<std::uint64_t> events_by_reader_;
    std::uint64_t store_errors_ = 0;
    LatencyHistogram latency_;

    std::mutex tick_mutex_;
    std::condition_variable tick_wake_;
    bool ticking_ = false;
    std::thread ticker_;
    bool started_ = false;

    struct Publisher {
        std::string name;
        std::function<std::string()> metrics;
        std::function<nlohmann::json()> status;
    };
    mutable std::mutex publishers_mutex_;
    std::vector<Publisher> publishers_;
};

}  // namespace kestrel::gateway
