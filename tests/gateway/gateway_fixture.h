// A gateway in this process (its core and HTTP server) over simulated readers: readersim
// processes on loopback TCP ports, each with its own scenario. A live-stream client that
// reconnects with Last-Event-ID like a browser's EventSource.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/reader_process.h"
#include "gateway/config.h"
#include "gateway/gateway.h"
#include "gateway/http_server.h"

namespace kestrel::gateway::test {

using Json = nlohmann::json;

// Waits up to `seconds` for `done`, checking every 20 ms.
inline bool wait_for(const std::function<bool()>& done, double seconds = 10) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<int>(seconds * 1000));
    while (std::chrono::steady_clock::now() < until) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

// A scenario of EPC tags; `extra` is appended to each tag's object (a presence window, say).
inline std::string epc_scenario(const std::vector<std::string>& epcs, const std::vector<std::string>& extra = {}) {
    std::string json = R"({"reader": {"address": 1, "reader_chip": true}, "tags": [)";
    for (std::size_t i = 0; i < epcs.size(); ++i) {
        json += (i ? ",\n" : "\n");
        json += R"({"standard": "epc", "epc": ")" + epcs[i] + "\"";
        if (i < extra.size() && !extra[i].empty()) json += ", " + extra[i];
        json += "}";
    }
    return json + "\n]}\n";
}

// The live stream as a browser reads it: one thread, frames parsed, reconnecting with the
// last id it saw when the connection ends.
class StreamClient {
public:
    StreamClient(int port, std::string path, httplib::Headers headers = {})
        : port_(port), path_(std::move(path)), headers_(std::move(headers)) {
        thread_ = std::thread([this] { run(); });
    }
    ~StreamClient() {
        stop_ = true;
        thread_.join();
    }
    std::vector<Json> events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::size_t count_of(const std::string& type) const {
        std::size_t n = 0;
        for (const Json& e : events()) n += e["type"] == type;
        return n;
    }
    int connections() const { return connections_; }
    int last_status() const { return status_; }

private:
    void run() {
        std::string buffer;
        while (!stop_) {
            httplib::Client client("127.0.0.1", port_);
            client.set_read_timeout(5, 0);  // the gateway writes at least every 2 s
            httplib::Headers headers = headers_;
            {
                std::lock_guard lock(mutex_);
                if (!events_.empty()) headers.emplace("Last-Event-ID", std::to_string(events_.back()["seq"].get<long>()));
            }
            buffer.clear();
            auto result = client.Get(path_, headers, [&](const char* data, std::size_t length) {
                buffer.append(data, length);
                std::size_t end;
                while ((end = buffer.find("\n\n")) != std::string::npos) {
                    const std::string frame = buffer.substr(0, end);
                    buffer.erase(0, end + 2);
                    const auto data_at = frame.find("data: ");
                    if (data_at == std::string::npos) continue;
                    std::lock_guard lock(mutex_);
                    events_.push_back(Json::parse(frame.substr(data_at + 6, frame.find('\n', data_at) - data_at - 6)));
                }
                return !stop_.load();
            });
            ++connections_;
            if (result) status_ = result->status;
            if (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    int port_;
    std::string path_;
    httplib::Headers headers_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
    std::atomic<int> status_{0};
    mutable std::mutex mutex_;
    std::vector<Json> events_;
    std::thread thread_;
};

class GatewayFixture : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/kestrel-gw-e2e.XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        dir = folder;
    }
    void TearDown() override {
        http.reset();
        gateway.reset();
        sims.clear();
        std::filesystem::remove_all(dir);
    }

    // Starts a simulated reader with `scenario` (on `port`, 0: a free one); returns its port.
    int start_reader(const std::string& name, const std::string& scenario, int port = 0) {
        const std::string file = dir + "/" + name + ".json";
        std::ofstream(file) << scenario;
        auto sim = std::make_unique<bench::ReaderProcess>();
        if (!sim->start_tcp(KESTREL_READERSIM_PROGRAM, file, port)) {
            ADD_FAILURE() << sim->error();
            return -1;
        }
        const int p = sim->tcp_port();
        sims.push_back(std::move(sim));
        return p;
    }

    // Starts the gateway from TOML `text` (its store in the test's folder) and its HTTP server.
    void start_gateway(const std::string& text) {
        std::ofstream(dir + "/gateway.toml") << text;
        config = load_config(dir + "/gateway.toml");
        gateway = std::make_unique<Gateway>(config);
        http = std::make_unique<HttpServer>(*gateway);
        ASSERT_TRUE(http->bind());
        gateway->start();
        http->start();
    }

    static std::string reader_toml(const std::string& id, int port, const std::string& location) {
        return "[[readers]]\nid = \"" + id + "\"\nuri = \"tcp://127.0.0.1:" + std::to_string(port) +
               "?address=1\"\nlocation = \"" + location + "\"\n";
    }

    httplib::Client client() const {
        httplib::Client c("127.0.0.1", http->port());
        c.set_read_timeout(5, 0);
        return c;
    }

    Json get_json(const std::string& path) const {
        auto c = client();
        auto res = c.Get(path);
        if (!res || res->status != 200) {
            ADD_FAILURE() << path << ": " << (res ? res->status : -1);
            return Json();
        }
        return Json::parse(res->body);
    }

    Json reader(const std::string& id) const {
        const Json all = get_json("/api/readers");
        for (const Json& r : all["readers"])
            if (r["id"] == id) return r;
        return Json();
    }

    std::vector<std::string> tags_at(const std::string& location) const {
        std::vector<std::string> result;
        const Json all = get_json("/api/tags");
        for (const Json& l : all["locations"])
            if (l["location"] == location)
                for (const Json& t : l["tags"]) result.push_back(t["tag"]);
        std::sort(result.begin(), result.end());
        return result;
    }

    std::string dir;
    std::vector<std::unique_ptr<bench::ReaderProcess>> sims;
    GatewayConfig config;
    std::unique_ptr<Gateway> gateway;
    std::unique_ptr<HttpServer> http;
};

}  // namespace kestrel::gateway::test
