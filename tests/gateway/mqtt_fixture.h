// A real broker and an independent subscriber for the MQTT tests: mosquitto on a free loopback
// port (its own configuration, persistence in the test's folder so a restarted broker keeps
// the subscriber's session), and mosquitto_sub with a persistent session writing `topic payload`
// lines to a file.
#pragma once

#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gateway/mqtt_publisher.h"
#include "tests/gateway/gateway_fixture.h"

namespace kestrel::gateway::test {

// kestrel-gateway of this build: beside the simulator's folder.
inline std::string gateway_program() {
    std::string sim = KESTREL_READERSIM_PROGRAM;
    return sim.substr(0, sim.rfind("/sim/")) + "/gateway/kestrel-gateway";
}

using bench::free_port;
using bench::port_open;
using Child = bench::ChildProcess;

class Broker {
public:
    // `extra`: more configuration lines (a password file, say).
    Broker(std::string dir, std::string extra = "allow_anonymous true\n")
        : dir_(std::move(dir)), extra_(std::move(extra)), port_(free_port()) {}
    bool start() {
        const std::string conf = dir_ + "/mosquitto.conf";
        // Run as whoever runs the test (as root, mosquitto would otherwise switch to its own
        // user, which cannot read the test's folder).
        const passwd* self = ::getpwuid(::geteuid());
        std::ofstream(conf) << "listener " << port_ << " 127.0.0.1\n"
                            << "user " << (self ? self->pw_name : "root") << "\n"
                            << extra_ << "persistence true\npersistence_location " << dir_
                            << "/\nmax_queued_messages 0\nmax_inflight_messages 100\n";
        if (!process_.start({"/usr/sbin/mosquitto", "-c", conf}, dir_ + "/mosquitto.log")) return false;
        return wait_for([&] { return port_open(port_); }, 10);
    }
    void stop() { process_.stop(SIGTERM); }
    int port() const { return port_; }
    std::string log() const {
        std::ifstream in(dir_ + "/mosquitto.log");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

private:
    std::string dir_;
    std::string extra_;
    int port_;
    Child process_;
};

// One message as the subscriber printed it.
struct Message {
    std::string topic;
    Json payload;
};

// mosquitto_sub -c -i ID -q 1 -v: a persistent session, so what is published while it is away
// waits at the broker. A new Subscriber with the same id takes the session over.
class Subscriber {
public:
    Subscriber(const std::string& file, int port, const std::string& id, const std::vector<std::string>& topics)
        : file_(file) {
        std::vector<std::string> argv = {"/usr/bin/mosquitto_sub", "-h", "127.0.0.1", "-p", std::to_string(port),
                                         "-c", "-i", id, "-q", "1", "-v"};
        for (const std::string& t : topics) argv.insert(argv.end(), {"-t", t});
        argv.insert(argv.end(), {"-t", "kestrel-test/probe/" + id});
        process_.start(argv, file_);
        // Subscribed once a probe published to it comes back.
        ready_ = wait_for([&] {
            Child pub({"/usr/bin/mosquitto_pub", "-h", "127.0.0.1", "-p", std::to_string(port), "-t",
                       "kestrel-test/probe/" + id, "-m", "{}"},
                      file_ + ".pub");
            pub.stop(0);
            return wait_for([&] { return lines().size() > 0 && raw().find("kestrel-test/probe/") != std::string::npos; }, 0.3);
        }, 10);
    }
    bool ready() const { return ready_; }
    void stop() { process_.stop(SIGTERM); }

    std::string raw() const {
        std::ifstream in(file_);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> lines() const {
        std::vector<std::string> result;
        std::ifstream in(file_);
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) result.push_back(line);
        return result;
    }
    // Every message but the probes, in arrival order.
    std::vector<Message> messages() const { return parse(lines()); }

    static std::vector<Message> parse(const std::vector<std::string>& lines) {
        std::vector<Message> result;
        for (const std::string& line : lines) {
            const auto space = line.find(' ');
            if (space == std::string::npos || line.rfind("kestrel-test/probe/", 0) == 0) continue;
            Json payload = Json::parse(line.substr(space + 1), nullptr, false);
            result.push_back({line.substr(0, space), payload.is_discarded() ? Json(line.substr(space + 1)) : payload});
        }
        return result;
    }

private:
    std::string file_;
    Child process_;
    bool ready_ = false;
};

// The events among `messages` (those with a seq), by seq: how often each arrived.
inline std::map<std::int64_t, int> seq_counts(const std::vector<Message>& messages) {
    std::map<std::int64_t, int> counts;
    for (const Message& m : messages)
        if (m.payload.is_object() && m.payload.contains("seq")) ++counts[m.payload["seq"].get<std::int64_t>()];
    return counts;
}

// The seqs 1..last missing from `counts`.
inline std::vector<std::int64_t> missing(const std::map<std::int64_t, int>& counts, std::int64_t last) {
    std::vector<std::int64_t> result;
    for (std::int64_t s = 1; s <= last; ++s)
        if (!counts.count(s)) result.push_back(s);
    return result;
}

class MqttFixture : public GatewayFixture {
protected:
    void TearDown() override {
        publishers.clear();
        more_gateways.clear();
        GatewayFixture::TearDown();
    }

    static std::string settings(const std::string& id, int broker_port, const std::string& mqtt_more = "",
                                const std::string& events = "raw_reads = true\n") {
        return "[gateway]\nport = 0\nid = \"" + id + "\"\n[inventory]\nperiod_ms = 50\n[events]\n" + events +
               "departure_timeout_s = 30\n[store]\npath = \"" + id + ".db\"\n[mqtt]\nport = " +
               std::to_string(broker_port) + "\n" + mqtt_more;
    }

    // A gateway in this process tracking delivery, with its publisher (quick retries).
    Gateway& start_mqtt_gateway(const std::string& text, const std::string& file = "gateway.toml") {
        std::ofstream(dir + "/" + file) << text;
        const GatewayConfig c = load_config(dir + "/" + file);
        auto g = std::make_unique<Gateway>(c, Gateway::Options{.track_delivery = true});
        MqttPublisher::Settings s;
        s.backoff_min_ms = 100;
        s.backoff_max_ms = 1000;
        auto p = std::make_unique<MqttPublisher>(*g, c.mqtt, s);
        MqttPublisher* raw = p.get();
        g->add_publisher("mqtt", [raw] { return raw->metrics(); }, [raw] { return raw->status_json(); });
        p->start();
        g->start();
        publishers.push_back(std::move(p));
        more_gateways.push_back(std::move(g));
        return *more_gateways.back();
    }

    // Stops the gateway and then its publisher (which waits for the backlog's acknowledgements).
    void stop_mqtt_gateway(std::size_t i) {
        more_gateways[i]->stop();
        publishers[i]->stop();
    }

    std::vector<std::unique_ptr<Gateway>> more_gateways;
    std::vector<std::unique_ptr<MqttPublisher>> publishers;
};

}  // namespace kestrel::gateway::test
