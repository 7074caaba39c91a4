// The gateway's events to an MQTT broker (libmosquitto), with no loss across broker faults and
// gateway restarts.
//
// The store is the queue: the gateway stores every event (undelivered) before this publisher
// sees it; the publisher sends undelivered events in seq order and marks each delivered when
// the broker acknowledges it (PUBACK for QoS 1, PUBCOMP for QoS 2, once written for QoS 0).
// After a lost connection or a restart it sends every undelivered event again from the oldest,
// so an event whose acknowledgement was lost arrives twice, with the same seq.
//
// Topics under the prefix (default kestrel/<gateway id>):
//   <prefix>/status                    retained {"gateway","status":"online"}; the will: "offline"
//   <prefix>/readers/<id>/events       arrived, departed, moved, read
//   <prefix>/readers/<id>/status       retained: the reader's last reader_online/reader_offline
//   <prefix>/readers/<id>/command      "start" or "stop", when commands are enabled
// Every payload but the gateway status is the event JSON of the HTTP API.
//
// One thread owns the libmosquitto client: it connects (a new client each attempt, retried with
// backoff 0.5 s doubling to 30 s), runs the network loop and publishes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include <nlohmann/json_fwd.hpp>

#include "gateway/config.h"
#include "gateway/gateway.h"

namespace kestrel::gateway {

class MqttPublisher {
public:
    struct Settings {
        std::size_t window = 256;           // events sent and not yet acknowledged, at most
        std::int64_t backoff_min_ms = 500;  // the first retry after a failed connection
        std::int64_t backoff_max_ms = 30'000;
        std::int64_t connect_timeout_ms = 10'000;  // from the connection attempt to CONNACK
        std::int64_t drain_ms = 2'000;      // stop(): how long to wait for the backlog's acknowledgements
    };

    struct Status {
        std::string state;  // connecting, connected, disconnected, stopped
        std::string broker;  // host:port
        std::string last_error;
        std::uint64_t connects = 0;          // connections accepted by the broker
        std::uint64_t connect_failures = 0;  // attempts that failed or were refused
        std::uint64_t published = 0;         // events sent (resends included)
        std::uint64_t acknowledged = 0;      // events the broker acknowledged
        std::uint64_t commands = 0;          // start/stop commands carried out
        std::int64_t backlog = 0;            // stored and not yet acknowledged
        std::int64_t dropped = 0;            // undelivered events the store's limits deleted
    };

    // The gateway must be made with Options::track_delivery. Nothing runs until start().
    MqttPublisher(Gateway& gateway, MqttConfig config, Settings settings);
    MqttPublisher(Gateway& gateway, MqttConfig config) : MqttPublisher(gateway, std::move(config), Settings{}) {}
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    void start();
    // Waits up to drain_ms for the backlog, publishes the gateway's status offline and disconnects.
    void stop();

    Status status() const;
    nlohmann::json status_json() const;
    // Prometheus text: connection state, backlog, counters.
    std::string metrics() const;

    // The topics of an event and of the gateway's status.
    static std::string event_topic(const std::string& prefix, const Event& event);
    static std::string status_topic(const std::string& prefix) { return prefix + "/status"; }
    static std::string gateway_status_payload(const std::string& gateway_id, bool online);

private:
    struct Session;
    void run();
    // One connection, from the attempt to its end; true when the broker accepted it.
    bool session();
    void set_state(const char* state, const std::string& error = {});
    // Sleeps up to `ms` unless stopped; false when stopped.
    bool pause(std::int64_t ms);

    Gateway& gateway_;
    MqttConfig config_;
    Settings settings_;
    int subscription_ = 0;

    std::atomic<bool> stopping_{false};
    std::atomic<std::int64_t> newest_seq_{0};  // the newest event stored, from the gateway's feed
    std::mutex wake_mutex_;
    std::condition_variable wake_;

    mutable std::mutex status_mutex_;
    Status status_;
    std::thread thread_;
};

}  // namespace kestrel::gateway
