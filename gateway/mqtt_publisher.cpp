#include "gateway/mqtt_publisher.h"

#include <mosquitto.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <vector>

#include <nlohmann/json.hpp>

#include "gateway/log.h"
#include "gateway/metrics.h"

namespace kestrel::gateway {
namespace {

using Clock = std::chrono::steady_clock;

std::int64_t ms_since(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

// libmosquitto's text for a result; its "see errno" code as errno's own text.
std::string mosquitto_error(int rc) {
    if (rc == MOSQ_ERR_ERRNO) return std::strerror(errno);
    return mosquitto_strerror(rc);
}

bool is_status_event(EventType type) { return type == EventType::reader_online || type == EventType::reader_offline; }

}  // namespace

// What libmosquitto's callbacks (run inside mosquitto_loop on the publisher's thread) report.
struct MqttPublisher::Session {
    MqttPublisher* publisher = nullptr;
    bool connack = false;      // CONNACK received
    int connack_rc = 0;        // its return code (0: accepted)
    bool lost = false;         // the connection ended
    int lost_rc = 0;
    std::map<int, std::int64_t> in_flight;  // message id -> seq
    std::vector<std::int64_t> acked;        // seqs acknowledged, not yet marked in the store
    int status_mid = -1;                    // the "offline" status published on stop
    bool status_acked = false;

    static Session& of(void* obj) { return *static_cast<Session*>(obj); }
    static void on_connect(mosquitto*, void* obj, int rc) {
        Session& s = of(obj);
        s.connack = true;
        s.connack_rc = rc;
    }
    static void on_disconnect(mosquitto*, void* obj, int rc) {
        Session& s = of(obj);
        s.lost = true;
        s.lost_rc = rc;
    }
    static void on_publish(mosquitto*, void* obj, int mid) {
        Session& s = of(obj);
        if (mid == s.status_mid) s.status_acked = true;
        const auto it = s.in_flight.find(mid);
        if (it == s.in_flight.end()) return;  // a status message
        s.acked.push_back(it->second);
        s.in_flight.erase(it);
    }
    static void on_message(mosquitto*, void* obj, const mosquitto_message* message) {
        of(obj).publisher_command(message);
    }
    void publisher_command(const mosquitto_message* message);
};

void MqttPublisher::Session::publisher_command(const mosquitto_message* message) {
    MqttPublisher& p = *publisher;
    const std::string topic = message->topic ? message->topic : "";
    const std::string head = p.config_.topic_prefix + "/readers/";
    const std::string tail = "/command";
    if (topic.size() <= head.size() + tail.size() || topic.compare(0, head.size(), head) != 0 ||
        topic.compare(topic.size() - tail.size(), tail.size(), tail) != 0)
        return;
    const std::string reader = topic.substr(head.size(), topic.size() - head.size() - tail.size());
    std::string command(static_cast<const char*>(message->payload), static_cast<std::size_t>(message->payloadlen));
    // "start", "stop", or {"command": "start"}
    if (!command.empty() && command.front() == '{') {
        const nlohmann::json j = nlohmann::json::parse(command, nullptr, false);
        command = j.is_object() && j.contains("command") && j["command"].is_string() ? j["command"].get<std::string>() : "";
    }
    while (!command.empty() && (command.back() == '\n' || command.back() == '\r' || command.back() == ' '))
        command.pop_back();
    if (command != "start" && command != "stop") {
        log_warn("mqtt", "command on " + topic + " ignored: expected start or stop");
        return;
    }
    if (!p.gateway_.set_reader_enabled(reader, command == "start", "mqtt")) {
        log_warn("mqtt", "command on " + topic + " ignored: no reader " + reader);
        return;
    }
    std::lock_guard lock(p.status_mutex_);
    ++p.status_.commands;
}

MqttPublisher::MqttPublisher(Gateway& gateway, MqttConfig config, Settings settings)
    : gateway_(gateway), config_(std::move(config)), settings_(settings) {
    static std::once_flag init;
    std::call_once(init, [] { mosquitto_lib_init(); });
    if (config_.client_id.empty()) config_.client_id = "kestrel-" + gateway_.config().id;
    if (config_.topic_prefix.empty()) config_.topic_prefix = "kestrel/" + gateway_.config().id;
    status_.state = "stopped";
    status_.broker = config_.host + ":" + std::to_string(config_.port);
}

MqttPublisher::~MqttPublisher() { stop(); }

void MqttPublisher::start() {
    if (thread_.joinable()) return;
    stopping_ = false;
    newest_seq_ = gateway_.store().last_seq();
    subscription_ = gateway_.subscribe([this](const Event& e) {
        newest_seq_ = e.seq;
        wake_.notify_one();
    });
    set_state("connecting");
    thread_ = std::thread([this] { run(); });
}

void MqttPublisher::stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(wake_mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
    gateway_.unsubscribe(subscription_);
    set_state("stopped");
}

bool MqttPublisher::pause(std::int64_t ms) {
    std::unique_lock lock(wake_mutex_);
    wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_.load(); });
    return !stopping_;
}

void MqttPublisher::set_state(const char* state, const std::string& error) {
    std::lock_guard lock(status_mutex_);
    status_.state = state;
    if (!error.empty()) status_.last_error = error;
}

void MqttPublisher::run() {
    std::int64_t backoff = settings_.backoff_min_ms;
    while (!stopping_) {
        if (session()) backoff = settings_.backoff_min_ms;
        if (stopping_) break;
        set_state("disconnected");
        log_info("mqtt", "reconnecting to " + status_.broker + " in " + std::to_string(backoff) + " ms");
        if (!pause(backoff)) break;
        backoff = std::min(backoff * 2, settings_.backoff_max_ms);
        set_state("connecting");
    }
}

bool MqttPublisher::session() {
    Session s;
    s.publisher = this;
    const std::string broker = status_.broker;
    const auto fail = [&](const std::string& what) {
        log_warn("mqtt", broker + ": " + what);
        std::lock_guard lock(status_mutex_);
        ++status_.connect_failures;
        status_.last_error = what;
    };

    mosquitto* m = mosquitto_new(config_.client_id.c_str(), false, &s);
    if (!m) {
        fail("cannot make a client: " + mosquitto_error(MOSQ_ERR_ERRNO));
        return false;
    }
    struct Destroy {
        mosquitto* m;
        ~Destroy() { mosquitto_destroy(m); }
    } destroy{m};

    mosquitto_int_option(m, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_max_inflight_messages_set(m, static_cast<unsigned>(settings_.window));
    mosquitto_connect_callback_set(m, &Session::on_connect);
    mosquitto_disconnect_callback_set(m, &Session::on_disconnect);
    mosquitto_publish_callback_set(m, &Session::on_publish);
    mosquitto_message_callback_set(m, &Session::on_message);
    int rc = MOSQ_ERR_SUCCESS;
    if (!config_.username.empty())
        rc = mosquitto_username_pw_set(m, config_.username.c_str(), config_.password.empty() ? nullptr : config_.password.c_str());
    if (rc == MOSQ_ERR_SUCCESS && !config_.ca_file.empty())
        rc = mosquitto_tls_set(m, config_.ca_file.c_str(), nullptr, config_.cert_file.empty() ? nullptr : config_.cert_file.c_str(),
                               config_.key_file.empty() ? nullptr : config_.key_file.c_str(), nullptr);
    if (rc != MOSQ_ERR_SUCCESS) {
        fail("TLS or login settings refused: " + mosquitto_error(rc));
        return false;
    }
    const std::string status_topic = MqttPublisher::status_topic(config_.topic_prefix);
    const std::string offline = gateway_status_payload(gateway_.config().id, false);
    mosquitto_will_set(m, status_topic.c_str(), static_cast<int>(offline.size()), offline.data(), 1, true);

    rc = mosquitto_connect_async(m, config_.host.c_str(), config_.port, config_.keepalive_s);
    if (rc != MOSQ_ERR_SUCCESS) {
        fail("cannot connect: " + mosquitto_error(rc));
        return false;
    }
    const auto attempt = Clock::now();
    while (!s.connack) {
        rc = mosquitto_loop(m, 50, 1);
        if (s.connack) break;  // accepted or refused: told apart below
        if (rc != MOSQ_ERR_SUCCESS || s.lost) {
            fail("cannot connect: " + mosquitto_error(rc != MOSQ_ERR_SUCCESS ? rc : s.lost_rc));
            return false;
        }
        if (stopping_) return false;
        if (ms_since(attempt) > settings_.connect_timeout_ms) {
            fail("no answer to the connection request within " + std::to_string(settings_.connect_timeout_ms) + " ms");
            return false;
        }
    }
    if (s.connack_rc != 0) {
        fail(std::string("the broker refused the connection: ") + mosquitto_connack_string(s.connack_rc));
        return false;
    }

    {
        std::lock_guard lock(status_mutex_);
        ++status_.connects;
        status_.state = "connected";
        status_.last_error.clear();
    }
    log_info("mqtt", "connected to " + broker + " as " + config_.client_id + ", topics under " + config_.topic_prefix);
    const std::string online = gateway_status_payload(gateway_.config().id, true);
    mosquitto_publish(m, nullptr, status_topic.c_str(), static_cast<int>(online.size()), online.data(), 1, true);
    if (config_.commands) {
        const std::string commands = config_.topic_prefix + "/readers/+/command";
        mosquitto_subscribe(m, nullptr, commands.c_str(), 1);
    }

    // Everything undelivered goes again, oldest first: the broker's acknowledgements of the
    // previous connection's last messages may be lost.
    std::int64_t sent_up_to = 0;
    bool look = true;  // the store may hold more than was sent
    std::int64_t seen_newest = newest_seq_;
    auto drain_from = Clock::time_point::max();
    const auto flush_acks = [&] {
        if (s.acked.empty()) return;
        try {
            gateway_.store().mark_delivered(s.acked);
        } catch (const StoreError& e) {
            log_error("mqtt", std::string("cannot mark events delivered: ") + e.what());  // resent later
        }
        std::lock_guard lock(status_mutex_);
        status_.acknowledged += s.acked.size();
        s.acked.clear();
    };
    bool ok = true;
    while (true) {
        rc = mosquitto_loop(m, 10, 1);
        if (rc != MOSQ_ERR_SUCCESS || s.lost) {
            const std::string why = mosquitto_error(rc != MOSQ_ERR_SUCCESS ? rc : s.lost_rc);
            log_warn("mqtt", broker + ": connection lost: " + why + " (" + std::to_string(s.in_flight.size()) +
                                 " events unacknowledged, sent again after reconnecting)");
            std::lock_guard lock(status_mutex_);
            status_.last_error = "connection lost: " + why;
            ok = false;
            break;
        }
        flush_acks();
        if (stopping_ && drain_from == Clock::time_point::max()) drain_from = Clock::now();

        const std::int64_t newest = newest_seq_;
        if (newest != seen_newest) {
            seen_newest = newest;
            look = true;
        }
        while (look && s.in_flight.size() < settings_.window) {
            const std::vector<Event> events = gateway_.store().undelivered(sent_up_to, settings_.window - s.in_flight.size());
            if (events.empty()) {
                look = false;
                break;
            }
            for (const Event& e : events) {
                const std::string topic = event_topic(config_.topic_prefix, e);
                const std::string payload = to_json_text(e);
                int mid = 0;
                rc = mosquitto_publish(m, &mid, topic.c_str(), static_cast<int>(payload.size()), payload.data(),
                                       config_.qos, is_status_event(e.type));
                if (rc != MOSQ_ERR_SUCCESS) break;
                s.in_flight[mid] = e.seq;
                sent_up_to = e.seq;
                std::lock_guard lock(status_mutex_);
                ++status_.published;
            }
            if (rc != MOSQ_ERR_SUCCESS) break;  // the loop above sees the lost connection
        }
        if (drain_from != Clock::time_point::max()) {
            const bool drained = s.in_flight.empty() && !look;
            if (drained || ms_since(drain_from) > settings_.drain_ms) break;
        }
    }
    flush_acks();
    if (ok) {
        // A clean stop: the gateway's status says offline (a disconnect does not send the will).
        mosquitto_publish(m, &s.status_mid, status_topic.c_str(), static_cast<int>(offline.size()), offline.data(), 1, true);
        const auto until = Clock::now();
        while (!s.status_acked && !s.lost && ms_since(until) < 1000 && mosquitto_loop(m, 10, 1) == MOSQ_ERR_SUCCESS) {
        }
        mosquitto_disconnect(m);
        mosquitto_loop(m, 10, 1);
        log_info("mqtt", "disconnected from " + broker + ", " + std::to_string(s.in_flight.size()) + " events unacknowledged");
    }
    return true;
}

MqttPublisher::Status MqttPublisher::status() const {
    Status s;
    {
        std::lock_guard lock(status_mutex_);
        s = status_;
    }
    try {
        s.backlog = gateway_.store().undelivered_count();
        s.dropped = gateway_.store().dropped();
    } catch (const StoreError&) {
        s.backlog = -1;
    }
    return s;
}

nlohmann::json MqttPublisher::status_json() const {
    const Status s = status();
    return {{"state", s.state},
            {"broker", s.broker},
            {"client_id", config_.client_id},
            {"topic_prefix", config_.topic_prefix},
            {"last_error", s.last_error},
            {"connects", s.connects},
            {"connect_failures", s.connect_failures},
            {"published", s.published},
            {"acknowledged", s.acknowledged},
            {"commands", s.commands},
            {"backlog", s.backlog},
            {"dropped", s.dropped}};
}

std::string MqttPublisher::metrics() const {
    const Status s = status();
    std::string out;
    const auto one = [&](const char* name, const char* type, const char* help, double value) {
        metric_header(out, name, type, help);
        metric_sample(out, name, "", value);
    };
    one("kestrel_gateway_mqtt_connected", "gauge", "1 while the broker connection is up.", s.state == "connected" ? 1 : 0);
    one("kestrel_gateway_mqtt_backlog", "gauge", "Events stored and not yet acknowledged by the broker.",
        static_cast<double>(s.backlog));
    one("kestrel_gateway_mqtt_published_total", "counter", "Events sent to the broker, resends included.",
        static_cast<double>(s.published));
    one("kestrel_gateway_mqtt_acknowledged_total", "counter", "Events the broker acknowledged.",
        static_cast<double>(s.acknowledged));
    one("kestrel_gateway_mqtt_connects_total", "counter", "Connections the broker accepted.",
        static_cast<double>(s.connects));
    one("kestrel_gateway_mqtt_connect_failures_total", "counter", "Connection attempts that failed or were refused.",
        static_cast<double>(s.connect_failures));
    one("kestrel_gateway_mqtt_commands_total", "counter", "Start and stop commands carried out.",
        static_cast<double>(s.commands));
    return out;
}

std::string MqttPublisher::event_topic(const std::string& prefix, const Event& event) {
    return prefix + "/readers/" + event.reader + (is_status_event(event.type) ? "/status" : "/events");
}

std::string MqttPublisher::gateway_status_payload(const std::string& gateway_id, bool online) {
    return nlohmann::json{{"gateway", gateway_id}, {"status", online ? "online" : "offline"}}.dump();
}

}  // namespace kestrel::gateway
