// Benchmark gateway_bench: simulated readers (readersim over loopback TCP) -> the gateway -> its
// live event stream (GET /api/events/stream, Server-Sent Events) read by a plain HTTP client.
//   gateway_bench [seconds=10] [readers=32]
//
// Two parts, `seconds` each:
//  - load: the readers hold 4 tags each and are inventoried every 100 ms with raw reads on, so
//    every tag read is an event. The gateway and its HTTP server run in this process, and a
//    thread of it reads the stream. Measures the events per second the stream delivers and the
//    latency from the arrival of the reply holding a tag (the moment the gateway records for
//    the event) to the event's frame reaching the client: store append, the stream's queue and
//    thread, HTTP. Both ends read the same steady clock.
//  - idle: the kestrel-gateway program (its own process, so nothing of this one is counted)
//    with `readers` readers whose inventories find no tag, cycling every 200 ms (the default
//    period), beside a second kestrel-gateway with one such reader. Measures the CPU time of
//    the first over the window, and the resident memory (VmRSS) of both at its end: the memory
//    per reader is the difference over the readers added.
#include <signal.h>
#include <unistd.h>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/measure.h"
#include "bench/reader_process.h"
#include "gateway/config.h"
#include "gateway/gateway.h"
#include "gateway/http_server.h"
#include "kestrel/reader.h"

using namespace kestrel;
using namespace kestrel::gateway;

namespace {

using Sims = std::vector<std::unique_ptr<bench::ReaderProcess>>;

// Starts `count` simulated readers with `tags` tags each (numbered from `first`) and returns
// their [[readers]] tables; empty when one does not start.
std::string start_readers(const std::string& dir, int first, int count, int tags, Sims& sims) {
    std::string toml;
    for (int r = first; r < first + count; ++r) {
        const std::string file = dir + "/reader" + std::to_string(r) + ".json";
        std::ofstream(file) << bench::reader_scenario(r, tags);
        auto sim = std::make_unique<bench::ReaderProcess>();
        if (!sim->start_tcp(KESTREL_READERSIM, file)) {
            std::fprintf(stderr, "gateway_bench: %s\n", sim->error().c_str());
            return {};
        }
        toml += "[[readers]]\nid = \"r" + std::to_string(r) + "\"\nuri = \"tcp://127.0.0.1:" +
                std::to_string(sim->tcp_port()) + "?address=1\"\nlocation = \"loc" + std::to_string(r) + "\"\n";
        sims.push_back(std::move(sim));
    }
    return toml;
}

// The live stream's client: the seq of every frame (its `id:` line) and, for those the gateway
// recorded a source moment for, the latency from that moment to the frame's arrival here.
class StreamClient {
public:
    StreamClient(int port, std::unordered_map<std::int64_t, std::int64_t>& sources, std::mutex& sources_mutex)
        : client_("127.0.0.1", port), sources_(sources), sources_mutex_(sources_mutex) {
        client_.set_read_timeout(5);
        thread_ = std::thread([this] { run(); });
    }
    ~StreamClient() {
        stopping_ = true;
        client_.stop();
        thread_.join();
    }
    bool connected() const { return connected_; }
    bench::LatencyWindow window;

private:
    void run() {
        client_.Get("/api/events/stream", [this](const char* data, std::size_t length) {
            const std::int64_t now = kestrel_steady_ns();
            connected_ = true;
            pending_.append(data, length);
            std::size_t end;
            while ((end = pending_.find("\n\n")) != std::string::npos) {
                frame(pending_.substr(0, end), now);
                pending_.erase(0, end + 2);
            }
            return !stopping_.load();
        });
    }
    void frame(const std::string& text, std::int64_t now) {
        if (text.rfind("id: ", 0) != 0) return;  // the retry line, a keepalive comment
        const std::int64_t seq = std::atoll(text.c_str() + 4);
        std::int64_t source = 0;
        {
            std::lock_guard lock(sources_mutex_);
            const auto it = sources_.find(seq);
            if (it != sources_.end()) {
                source = it->second;
                sources_.erase(it);
            }
        }
        window.add(now, source);
    }

    httplib::Client client_;
    std::unordered_map<std::int64_t, std::int64_t>& sources_;
    std::mutex& sources_mutex_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> connected_{false};
    std::string pending_;  // the stream thread's own
    std::thread thread_;
};

// A kestrel-gateway program and what its HTTP API says of its readers.
class GatewayProgram {
public:
    bool start(const std::string& dir, const std::string& name, const std::string& readers_toml) {
        port_ = bench::free_port();
        const std::string config = dir + "/" + name + ".toml";
        std::ofstream(config) << "[gateway]\nid = \"" << name << "\"\nport = " << port_
                              << "\n[events]\nraw_reads = true\n[store]\npath = \"" << name << ".db\"\n"
                              << readers_toml;
        if (!process_.start({KESTREL_GATEWAY, "--config", config}, dir + "/" + name + ".log")) return false;
        for (int i = 0; i < 500 && !bench::port_open(port_); ++i) ::usleep(10'000);
        return bench::port_open(port_);
    }
    // Sums over the readers: how many are online, their whole cycles and their errors.
    struct Readers {
        int online = 0;
        std::uint64_t cycles = 0;
        std::uint64_t errors = 0;
    };
    Readers readers() const {
        Readers sum;
        httplib::Client client("127.0.0.1", port_);
        const auto res = client.Get("/api/readers");
        if (!res || res->status != 200) return sum;
        const auto j = nlohmann::json::parse(res->body, nullptr, false);
        if (!j.is_object()) return sum;
        for (const auto& r : j["readers"]) {
            sum.online += r["status"] == "online";
            sum.cycles += r["cycles"].get<std::uint64_t>();
            sum.errors += r["errors"].get<std::uint64_t>();
        }
        return sum;
    }
    // Waits up to 30 s for `count` readers online.
    bool wait_online(int count) const {
        for (int i = 0; i < 300; ++i) {
            if (readers().online == count) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    pid_t pid() const { return process_.pid(); }
    bool running() { return process_.running(); }
    int exit_status() const { return process_.exit_status(); }
    void stop() { process_.stop(); }

private:
    bench::ChildProcess process_;
    int port_ = -1;
};

double mib(std::int64_t kib) { return static_cast<double>(kib) / 1024.0; }

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const int readers = argc > 2 ? std::atoi(argv[2]) : 32;
    const int tags_per_reader = 4;
    const int load_period_ms = 100;
    if (seconds < 1 || readers < 2) {
        std::fprintf(stderr, "usage: gateway_bench [seconds=10] [readers=32, at least 2]\n");
        return 2;
    }
    ::signal(SIGPIPE, SIG_IGN);

    char folder[] = "/tmp/kestrel-gateway-bench.XXXXXX";
    if (!::mkdtemp(folder)) return 1;
    const std::string dir = folder;

    // Load: the gateway in this process, raw reads, its stream read by a thread of this process.
    Sims sims;
    std::string toml = "[gateway]\nid = \"bench\"\nport = 0\n[inventory]\nperiod_ms = " +
                       std::to_string(load_period_ms) + "\n[events]\nraw_reads = true\n[store]\npath = \"events.db\"\n";
    const std::string load_readers = start_readers(dir, 0, readers, tags_per_reader, sims);
    if (load_readers.empty()) return 1;
    std::ofstream(dir + "/gateway.toml") << toml + load_readers;
    const GatewayConfig config = load_config(dir + "/gateway.toml");

    std::unordered_map<std::int64_t, std::int64_t> sources;
    std::mutex sources_mutex;
    std::size_t received = 0;
    std::vector<double> lat;
    double wall = 0, cpu = 0;
    {
        Gateway gateway(config);
        // Subscribed first, so the source moment is recorded before the stream's queue has the event.
        gateway.subscribe([&](const Event& e) {
            if (e.source_steady_ns <= 0) return;
            std::lock_guard lock(sources_mutex);
            sources[e.seq] = e.source_steady_ns;
        });
        HttpServer http(gateway);
        if (!http.bind()) {
            std::fprintf(stderr, "gateway_bench: the HTTP server cannot listen\n");
            return 1;
        }
        http.start();
        gateway.start();
        StreamClient stream(http.port(), sources, sources_mutex);
        // Warm up until every reader is online and cycling and the stream is open.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        if (!stream.connected()) {
            std::fprintf(stderr, "gateway_bench: no live stream\n");
            return 1;
        }
        stream.window.reset();
        const double cpu0 = bench::self_cpu_s();
        const auto t0 = bench::Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        wall = bench::since_us(t0, bench::Clock::now()) / 1e6;
        cpu = bench::self_cpu_s() - cpu0;
        received = stream.window.count();
        lat = stream.window.latencies_us();
        http.stop();
        gateway.stop();
    }
    sims.clear();

    // Idle: kestrel-gateway with `readers` readers that find no tag, and one with a single one.
    const std::string idle_readers = start_readers(dir, 0, readers, 0, sims);
    const std::string one_reader = start_readers(dir, readers, 1, 0, sims);
    if (idle_readers.empty() || one_reader.empty()) return 1;
    GatewayProgram idle, single;
    if (!idle.start(dir, "idle", idle_readers) || !single.start(dir, "single", one_reader) ||
        !idle.wait_online(readers) || !single.wait_online(1)) {
        std::fprintf(stderr, "gateway_bench: kestrel-gateway does not start, or its readers are not online (see %s)\n",
                     dir.c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const auto before = idle.readers();
    const double idle_cpu0 = bench::process_cpu_s(idle.pid());
    const double single_cpu0 = bench::process_cpu_s(single.pid());
    const auto i0 = bench::Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double idle_wall = bench::since_us(i0, bench::Clock::now()) / 1e6;
    const double idle_cpu = bench::process_cpu_s(idle.pid()) - idle_cpu0;
    const double single_cpu = bench::process_cpu_s(single.pid()) - single_cpu0;
    const auto after = idle.readers();
    const std::int64_t idle_rss = bench::process_rss_kib(idle.pid());
    const std::int64_t single_rss = bench::process_rss_kib(single.pid());
    for (GatewayProgram* g : {&idle, &single}) {
        if (g->running()) continue;
        std::fprintf(stderr, "gateway_bench: kestrel-gateway ended by itself (wait status 0x%x; see %s)\n",
                     static_cast<unsigned>(g->exit_status()), dir.c_str());
        return 1;
    }
    idle.stop();
    single.stop();
    sims.clear();

    const double cycles_per_s = static_cast<double>(after.cycles - before.cycles) / idle_wall / readers;
    std::printf("gateway_bench: %d simulated readers, %d s a part\n", readers, seconds);
    std::printf("| measure | value |\n|---|---|\n");
    std::printf("| load (%d tags a reader, raw reads, %d ms cycle): events/s on the SSE stream | %.0f |\n",
                tags_per_reader, load_period_ms, static_cast<double>(received) / wall);
    std::printf("| latency reply -> SSE client p50 | %.2f ms |\n", bench::quantile(lat, 0.5) / 1e3);
    std::printf("| latency reply -> SSE client p99 | %.2f ms (goal <= 20 ms) |\n", bench::quantile(lat, 0.99) / 1e3);
    std::printf("| latency reply -> SSE client max | %.2f ms |\n", bench::quantile(lat, 1.0) / 1e3);
    std::printf("| CPU under load, gateway + stream client process | %.0f %% of a core |\n", 100 * cpu / wall);
    std::printf("| idle (no tags, 200 ms cycle): cycles/s a reader, errors | %.2f, %llu |\n", cycles_per_s,
                static_cast<unsigned long long>(after.errors - before.errors));
    std::printf("| CPU a reader: kestrel-gateway CPU / %d | %.2f %% of a core (process %.1f %%; with 1 reader %.1f %%) "
                "(goal <= 2 %%) |\n",
                readers, 100 * idle_cpu / idle_wall / readers, 100 * idle_cpu / idle_wall, 100 * single_cpu / idle_wall);
    std::printf("| memory a reader: (VmRSS %d readers - VmRSS 1 reader) / %d | %.2f MiB (%.1f MiB - %.1f MiB) "
                "(goal <= 2 MB) |\n",
                readers, readers - 1, mib(idle_rss - single_rss) / (readers - 1), mib(idle_rss), mib(single_rss));
    std::filesystem::remove_all(dir);
    return received > 0 && after.online == readers ? 0 : 1;
}
