// Benchmark mqtt_bench: simulated readers (readersim over loopback TCP, raw reads on) -> the
// gateway (in this process) -> mosquitto -> a subscriber (libmosquitto, QoS 1, persistent
// session). Measures the events per second the subscriber receives, the latency from the reply
// holding a tag to its event at the subscriber (p50, p99, max), and, after the broker is
// stopped for a while and started again, how many of the events stored arrived.
//   mqtt_bench [seconds=10] [readers=32] [outage_s=10]
#include <mosquitto.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/measure.h"
#include "bench/reader_process.h"
#include "gateway/config.h"
#include "gateway/gateway.h"
#include "gateway/mqtt_publisher.h"
#include "kestrel/reader.h"

using namespace kestrel;
using namespace kestrel::gateway;

namespace {

class Broker {
public:
    Broker(std::string dir) : dir_(std::move(dir)), port_(bench::free_port()) {}
    ~Broker() { stop(); }
    bool start() {
        const passwd* self = ::getpwuid(::geteuid());
        const std::string conf = dir_ + "/mosquitto.conf";
        std::ofstream(conf) << "listener " << port_ << " 127.0.0.1\nuser " << (self ? self->pw_name : "root")
                            << "\nallow_anonymous true\npersistence true\npersistence_location " << dir_
                            << "/\nmax_queued_messages 0\n";
        if (!process_.start({"/usr/sbin/mosquitto", "-c", conf}, dir_ + "/mosquitto.log")) return false;
        for (int i = 0; i < 500 && !bench::port_open(port_); ++i) ::usleep(10'000);
        return bench::port_open(port_);
    }
    void stop() { process_.stop(); }
    int port() const { return port_; }
    pid_t pid() const { return process_.pid(); }

private:
    std::string dir_;
    int port_;
    bench::ChildProcess process_;
};

// The subscriber: every event's seq, and its latency from the source moment the gateway
// recorded for that seq.
class Subscriber {
public:
    Subscriber(int port, std::unordered_map<std::int64_t, std::int64_t>& sources, std::mutex& sources_mutex)
        : sources_(sources), sources_mutex_(sources_mutex) {
        m_ = mosquitto_new("mqtt-bench-subscriber", false, this);
        mosquitto_max_inflight_messages_set(m_, 1000);
        mosquitto_connect_callback_set(m_, [](mosquitto* m, void*, int rc) {
            if (rc == 0) mosquitto_subscribe(m, nullptr, "kestrel/bench/readers/+/events", 1);
        });
        mosquitto_message_callback_set(m_, [](mosquitto*, void* obj, const mosquitto_message* msg) {
            static_cast<Subscriber*>(obj)->on_message(msg);
        });
        mosquitto_reconnect_delay_set(m_, 1, 1, false);
        mosquitto_connect(m_, "127.0.0.1", port, 30);
        mosquitto_loop_start(m_);
    }
    ~Subscriber() {
        mosquitto_disconnect(m_);
        mosquitto_loop_stop(m_, true);
        mosquitto_destroy(m_);
    }
    // Every message counts; a resent seq's latency does not.
    bench::LatencyWindow window;
    std::size_t distinct() {
        std::lock_guard lock(mutex_);
        return seqs_.size();
    }
    std::set<std::int64_t> seqs() {
        std::lock_guard lock(mutex_);
        return seqs_;
    }

private:
    void on_message(const mosquitto_message* msg) {
        const std::int64_t now = kestrel_steady_ns();
        const auto j = nlohmann::json::parse(static_cast<const char*>(msg->payload),
                                             static_cast<const char*>(msg->payload) + msg->payloadlen, nullptr, false);
        if (!j.is_object() || !j.contains("seq")) return;
        const std::int64_t seq = j["seq"];
        std::int64_t source = 0;
        {
            std::lock_guard lock(sources_mutex_);
            const auto it = sources_.find(seq);
            if (it != sources_.end()) source = it->second;
        }
        bool first;
        {
            std::lock_guard lock(mutex_);
            first = seqs_.insert(seq).second;
        }
        window.add(now, first ? source : 0);
    }

    mosquitto* m_;
    std::unordered_map<std::int64_t, std::int64_t>& sources_;
    std::mutex& sources_mutex_;
    std::mutex mutex_;
    std::set<std::int64_t> seqs_;
};

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const int readers = argc > 2 ? std::atoi(argv[2]) : 32;
    const int outage_s = argc > 3 ? std::atoi(argv[3]) : 10;
    const int tags_per_reader = 4;
    ::signal(SIGPIPE, SIG_IGN);

    char folder[] = "/tmp/kestrel-mqtt-bench.XXXXXX";
    if (!::mkdtemp(folder)) return 1;
    const std::string dir = folder;
    Broker broker(dir);
    if (!broker.start()) {
        std::fprintf(stderr, "mqtt_bench: mosquitto does not start\n");
        return 1;
    }

    std::vector<std::unique_ptr<bench::ReaderProcess>> sims;
    std::string toml = "[gateway]\nid = \"bench\"\nport = 0\n[inventory]\nperiod_ms = 100\n[events]\nraw_reads = true\n"
                       "[store]\npath = \"events.db\"\n[mqtt]\nport = " + std::to_string(broker.port()) + "\n";
    for (int r = 0; r < readers; ++r) {
        const std::string file = dir + "/reader" + std::to_string(r) + ".json";
        std::ofstream(file) << bench::reader_scenario(r, tags_per_reader);
        auto sim = std::make_unique<bench::ReaderProcess>();
        if (!sim->start_tcp(KESTREL_READERSIM, file)) {
            std::fprintf(stderr, "mqtt_bench: %s\n", sim->error().c_str());
            return 1;
        }
        toml += "[[readers]]\nid = \"r" + std::to_string(r) + "\"\nuri = \"tcp://127.0.0.1:" +
                std::to_string(sim->tcp_port()) + "?address=1\"\nlocation = \"loc" + std::to_string(r) + "\"\n";
        sims.push_back(std::move(sim));
    }
    std::ofstream(dir + "/gateway.toml") << toml;
    const GatewayConfig config = load_config(dir + "/gateway.toml");

    std::unordered_map<std::int64_t, std::int64_t> sources;
    std::mutex sources_mutex;
    Subscriber subscriber(broker.port(), sources, sources_mutex);
    Gateway gateway(config, Gateway::Options{.track_delivery = true});
    gateway.subscribe([&](const Event& e) {
        std::lock_guard lock(sources_mutex);
        sources[e.seq] = e.source_steady_ns;
    });
    MqttPublisher publisher(gateway, config.mqtt);
    publisher.start();
    gateway.start();

    // Warm up until every reader is online and cycling.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    subscriber.window.reset();
    const double cpu0 = bench::self_cpu_s();
    const double broker_cpu0 = bench::process_cpu_s(broker.pid());
    const auto t0 = bench::Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double wall = bench::since_us(t0, bench::Clock::now()) / 1e6;
    const double cpu = bench::self_cpu_s() - cpu0;
    const double broker_cpu = bench::process_cpu_s(broker.pid()) - broker_cpu0;
    const std::size_t received = subscriber.window.count();
    const auto lat = subscriber.window.latencies_us();

    // The outage: the broker stopped, events keep coming into the store, the broker restarted.
    const std::int64_t before_outage = gateway.store().last_seq();
    broker.stop();
    std::this_thread::sleep_for(std::chrono::seconds(outage_s));
    const std::int64_t backlog_peak = publisher.status().backlog;
    broker.start();
    const auto back = bench::Clock::now();
    while (bench::since_us(back, bench::Clock::now()) < 60e6 &&
           (publisher.status().state != "connected" || publisher.status().backlog > 0))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const double drain_s = bench::since_us(back, bench::Clock::now()) / 1e6;
    gateway.stop();
    publisher.stop();
    const std::int64_t last = gateway.store().last_seq();
    // Every tag event (the readers' status goes to other topics).
    std::set<std::int64_t> wanted;
    for (const Event& e : gateway.store().since(0, 10'000'000))
        if (e.type != EventType::reader_online && e.type != EventType::reader_offline) wanted.insert(e.seq);
    std::size_t got = 0;
    for (int i = 0; i < 200; ++i) {
        const auto seen = subscriber.seqs();
        got = 0;
        for (std::int64_t s : wanted) got += seen.count(s);
        if (got == wanted.size()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }

    std::printf("mqtt_bench: %d simulated readers x %d tags, raw reads every 100 ms, QoS 1, %d s\n", readers,
                tags_per_reader, seconds);
    std::printf("| measure | value |\n|---|---|\n");
    std::printf("| events/s received by the subscriber | %.0f |\n", static_cast<double>(received) / wall);
    std::printf("| latency reply -> subscriber p50 | %.2f ms |\n", bench::quantile(lat, 0.5) / 1e3);
    std::printf("| latency reply -> subscriber p99 | %.2f ms |\n", bench::quantile(lat, 0.99) / 1e3);
    std::printf("| latency reply -> subscriber max | %.2f ms |\n", bench::quantile(lat, 1.0) / 1e3);
    std::printf("| CPU, gateway + subscriber process | %.0f %% of a core |\n", 100 * cpu / wall);
    std::printf("| CPU, mosquitto | %.0f %% of a core |\n", 100 * broker_cpu / wall);
    std::printf("| broker outage | %d s, %lld events stored meanwhile (backlog peak %lld), drained in %.1f s |\n",
                outage_s, static_cast<long long>(last - before_outage), static_cast<long long>(backlog_peak), drain_s);
    std::printf("| tag events delivered after the outage | %zu of %zu (store dropped %lld) |\n", got, wanted.size(),
                static_cast<long long>(gateway.store().dropped()));
    sims.clear();
    broker.stop();
    std::filesystem::remove_all(dir);
    return got == wanted.size() ? 0 : 1;
}
