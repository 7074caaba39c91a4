#include "gateway/http_server.h"

#include <httplib.h>

#include <charconv>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <regex>

#include <nlohmann/json.hpp>

#include "gateway/log.h"
#include "gateway/web_assets.h"

namespace kestrel::gateway {
namespace {

using Json = nlohmann::json;

constexpr std::size_t max_body = 4096;           // the API takes no bodies worth more
constexpr std::size_t default_event_limit = 100;
constexpr std::size_t max_event_limit = 1000;
constexpr std::size_t stream_queue_limit = 10'000;  // a stream this far behind is closed
// Also how soon a stream whose client went away is noticed (a write to it fails) and its
// thread freed.
constexpr auto keepalive_every = std::chrono::seconds(2);

std::string dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

void json_reply(httplib::Response& res, int status, const Json& body) {
    res.status = status;
    res.set_content(dump(body), "application/json");
}

void json_error(httplib::Response& res, int status, const std::string& message) {
    json_reply(res, status, Json{{"error", message}, {"status", status}});
}

// A decimal number in [low, high], all of `text`; nullopt otherwise.
std::optional<std::int64_t> parse_number(const std::string& text, std::int64_t low, std::int64_t high) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < low || value > high) return std::nullopt;
    return value;
}

// Compares without stopping at the first difference, so the time says nothing of the token.
bool same_secret(const std::string& given, const std::string& token) {
    unsigned diff = given.size() == token.size() ? 0u : 1u;
    for (std::size_t i = 0; i < given.size(); ++i)
        diff |= static_cast<unsigned char>(given[i] ^ token[i % token.size()]);
    return diff == 0;
}

const char* status_text(int status) {
    switch (status) {
        case 400: return "bad request";
        case 401: return "unauthorized";
        case 403: return "forbidden";
        case 404: return "not found";
        case 405: return "method not allowed";
        case 413: return "body too large";
        case 414: return "URI too long";
        case 431: return "request header fields too large";
        case 503: return "service unavailable";
        default: return status < 500 ? "client error" : "server error";
    }
}

// The live events of one stream: filled by the gateway's subscriber call, drained by the
// stream's HTTP thread.
struct StreamQueue {
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<Event> events;
    bool overflow = false;
    bool closed = false;

    void push(const Event& e) {
        std::lock_guard lock(mutex);
        if (events.size() >= stream_queue_limit) {
            overflow = true;
        } else {
            events.push_back(e);
        }
        ready.notify_one();
    }
    void close() {
        std::lock_guard lock(mutex);
        closed = true;
        ready.notify_all();
    }
};

std::string sse_frame(const Event& e) { return "id: " + std::to_string(e.seq) + "\ndata: " + to_json_text(e) + "\n\n"; }

Json reader_json(const ReaderStatus& s) {
    return Json{{"id", s.id},
                {"uri", s.uri},
                {"location", s.location},
                {"standards", s.standards},
                {"status", s.status},
                {"last_error", s.last_error},
                {"cycles", s.cycles},
                {"reads", s.reads},
                {"errors", s.errors},
                {"reconnects", s.reconnects},
                {"events", s.events},
                {"tags_present", s.tags_present},
                {"last_cycle", s.last_cycle_us ? Json(iso_time(s.last_cycle_us)) : Json(nullptr)}};
}

}  // namespace

struct HttpServer::Impl {
    httplib::Server server;
    std::mutex streams_mutex;
    std::map<StreamQueue*, std::shared_ptr<StreamQueue>> streams;
    std::atomic<int> stream_count{0};
    std::atomic<bool> stopping{false};
};

HttpServer::HttpServer(Gateway& gateway) : impl_(std::make_unique<Impl>()), gateway_(gateway) {
    httplib::Server& server = impl_->server;
    Impl* impl = impl_.get();
    const GatewayConfig& config = gateway_.config();
    const std::string token = config.token;

    // Each live stream holds a thread while it is open; the requests need a few more.
    const std::size_t threads = static_cast<std::size_t>(config.max_stream_clients) + 8;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server.set_payload_max_length(max_body);
    server.set_keep_alive_timeout(2);
    // The live stream writes an event (or a few) at a time: without TCP_NODELAY each write waits
    // for the client's acknowledgement of the previous one, which a client delays up to 40 ms.
    server.set_tcp_nodelay(true);
    server.set_read_timeout(5);
    server.set_write_timeout(5);

    // Every 4xx and 5xx carries a JSON body, also those the library makes itself (404, 413, ...).
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return;
        json_error(res, res.status, status_text(res.status));
    });
    server.set_exception_handler([](const httplib::Request& req, httplib::Response& res, std::exception_ptr ep) {
        std::string what = "unknown";
        try {
            if (ep) std::rethrow_exception(ep);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        log_error("http", req.method + " " + req.path + ": " + what);
        json_error(res, 500, "internal error");
    });

    server.Get("/healthz", [this](const httplib::Request&, httplib::Response& res) {
        std::size_t online = 0;
        const auto readers = gateway_.readers();
        for (const auto& r : readers) online += r.status == "online";
        json_reply(res, 200, Json{{"status", "ok"}, {"readers", readers.size()}, {"readers_online", online}});
    });

    server.Get("/api/readers", [this](const httplib::Request&, httplib::Response& res) {
        Json list = Json::array();
        for (const ReaderStatus& s : gateway_.readers()) list.push_back(reader_json(s));
        Json body{{"gateway", gateway_.config().id}, {"readers", list}};
        if (Json publishers = gateway_.publishers(); !publishers.empty()) body["publishers"] = std::move(publishers);
        json_reply(res, 200, body);
    });

    server.Get("/api/tags", [this](const httplib::Request&, httplib::Response& res) {
        // Every configured location, in configuration order, also when nothing is there.
        std::vector<std::string> order;
        std::map<std::string, Json> by_location;
        for (const ReaderConfig& r : gateway_.config().readers)
            if (by_location.emplace(r.location, Json::array()).second) order.push_back(r.location);
        const auto present = gateway_.tags();
        for (const Presence::Present& p : present) {
            if (by_location.emplace(p.location, Json::array()).second) order.push_back(p.location);
            by_location[p.location].push_back(Json{{"standard", p.standard},
                                                   {"tag", p.tag},
                                                   {"reader", p.reader},
                                                   {"since", iso_time(p.first_seen_us)},
                                                   {"last_seen", iso_time(p.last_seen_us)}});
        }
        Json locations = Json::array();
        for (const std::string& l : order) locations.push_back(Json{{"location", l}, {"tags", by_location[l]}});
        json_reply(res, 200, Json{{"count", present.size()}, {"locations", locations}});
    });

    server.Get("/api/events", [this](const httplib::Request& req, httplib::Response& res) {
        std::int64_t since = -1;  // none given: the newest `limit`
        std::size_t limit = default_event_limit;
        for (const auto& [key, value] : req.params) {
            if (key == "since") {
                const auto v = parse_number(value, 0, INT64_MAX);
                if (!v) return json_error(res, 400, "since: expected a sequence number (0 or more)");
                since = *v;
            } else if (key == "limit") {
                const auto v = parse_number(value, 1, max_event_limit);
                if (!v) return json_error(res, 400, "limit: expected 1.." + std::to_string(max_event_limit));
                limit = static_cast<std::size_t>(*v);
            } else {
                return json_error(res, 400, "unknown parameter " + key + " (since, limit)");
            }
        }
        const auto events = since < 0 ? gateway_.store().latest(limit) : gateway_.store().since(since, limit);
        Json list = Json::array();
        for (const Event& e : events) list.push_back(to_json(e));
        const std::int64_t last = events.empty() ? (since < 0 ? gateway_.store().last_seq() : since) : events.back().seq;
        json_reply(res, 200, Json{{"events", list}, {"last_seq", last}});
    });

    server.Get("/api/events/stream", [this, impl](const httplib::Request& req, httplib::Response& res) {
        // Resume point: the Last-Event-ID an EventSource sends when it reconnects (newer than
        // the URL it reuses), else the `since` parameter; without either, live events only.
        std::optional<std::int64_t> since;
        for (const auto& [key, value] : req.params) {
            if (key != "since") return json_error(res, 400, "unknown parameter " + key + " (since)");
            since = parse_number(value, 0, INT64_MAX);
            if (!since) return json_error(res, 400, "since: expected a sequence number (0 or more)");
        }
        if (req.has_header("Last-Event-ID")) {
            since = parse_number(req.get_header_value("Last-Event-ID"), 0, INT64_MAX);
            if (!since) return json_error(res, 400, "Last-Event-ID: expected a sequence number");
        }
        if (impl->stopping) return json_error(res, 503, "shutting down");
        if (++impl->stream_count > gateway_.config().max_stream_clients) {
            --impl->stream_count;
            return json_error(res, 503, "too many live streams");
        }
        auto queue = std::make_shared<StreamQueue>();
        {
            std::lock_guard lock(impl->streams_mutex);
            impl->streams[queue.get()] = queue;
        }
        // Subscribed before the replay is read, so nothing falls between the two.
        const int subscription = gateway_.subscribe([queue](const Event& e) { queue->push(e); });
        struct Progress {
            std::int64_t last_sent;
            bool replayed = false;
            std::chrono::steady_clock::time_point last_write = std::chrono::steady_clock::now();
        };
        auto progress = std::make_shared<Progress>(Progress{since.value_or(-1)});
        res.set_header("Cache-Control", "no-cache");
        res.set_header("X-Accel-Buffering", "no");
        res.set_chunked_content_provider(
            "text/event-stream",
            [this, queue, progress, since](std::size_t, httplib::DataSink& sink) {
                if (!progress->replayed) {
                    progress->replayed = true;
                    std::string out = "retry: 1000\n\n";
                    if (since) {
                        // The stored events after the resume point, a page at a time.
                        while (true) {
                            const auto page = gateway_.store().since(progress->last_sent, 500);
                            for (const Event& e : page) {
                                out += sse_frame(e);
                                progress->last_sent = e.seq;
                            }
                            if (!sink.write(out.data(), out.size())) return false;
                            out.clear();
                            if (page.size() < 500) break;
                        }
                    } else if (!sink.write(out.data(), out.size())) {
                        return false;
                    }
                }
                std::deque<Event> batch;
                {
                    std::unique_lock lock(queue->mutex);
                    queue->ready.wait_for(lock, std::chrono::seconds(1),
                                          [&] { return !queue->events.empty() || queue->closed || queue->overflow; });
                    if (queue->closed || queue->overflow) {
                        // Too far behind (or shutting down): the client reconnects with its
                        // Last-Event-ID and catches up from the store.
                        sink.done();
                        return true;
                    }
                    batch.swap(queue->events);
                }
                std::string out;
                for (const Event& e : batch) {
                    if (e.seq <= progress->last_sent) continue;  // already sent by the replay
                    out += sse_frame(e);
                    progress->last_sent = e.seq;
                }
                const auto now = std::chrono::steady_clock::now();
                if (out.empty() && now - progress->last_write >= keepalive_every) out = ": keepalive\n\n";
                if (out.empty()) return sink.is_writable();
                progress->last_write = now;
                return sink.write(out.data(), out.size());
            },
            [this, impl, queue, subscription](bool) {
                gateway_.unsubscribe(subscription);
                std::lock_guard lock(impl->streams_mutex);
                impl->streams.erase(queue.get());
                --impl->stream_count;
            });
    });

    const auto change = [this, token](const httplib::Request& req, httplib::Response& res, bool enabled) {
        if (token.empty())
            return json_error(res, 403, "state changes are disabled: no token is configured (gateway.token or gateway.token_file)");
        const std::string header = req.get_header_value("Authorization");
        const std::string prefix = "Bearer ";
        if (header.compare(0, prefix.size(), prefix) != 0 || !same_secret(header.substr(prefix.size()), token)) {
            res.set_header("WWW-Authenticate", "Bearer");
            return json_error(res, 401, "missing or wrong bearer token");
        }
        const std::string id = req.matches[1];
        if (!gateway_.set_reader_enabled(id, enabled, "http")) return json_error(res, 404, "unknown reader " + id);
        json_reply(res, 200, Json{{"reader", id}, {"enabled", enabled}});
    };
    server.Post(R"(/api/readers/([^/]+)/start)",
                [change](const httplib::Request& req, httplib::Response& res) { change(req, res, true); });
    server.Post(R"(/api/readers/([^/]+)/stop)",
                [change](const httplib::Request& req, httplib::Response& res) { change(req, res, false); });
    // A POST with neither Content-Length nor chunked encoding has no body (what `curl -X POST`
    // sends); the HTTP library would refuse it with 400 before routing, so such a start or stop
    // is answered here, before the library looks for a body.
    server.set_pre_routing_handler([change](const httplib::Request& req, httplib::Response& res) {
        if (req.method != "POST" || req.has_header("Content-Length") || req.has_header("Transfer-Encoding"))
            return httplib::Server::HandlerResponse::Unhandled;
        static const std::regex start_stop(R"(/api/readers/([^/]+)/(start|stop))");
        httplib::Request with_match = req;
        if (!std::regex_match(with_match.path, with_match.matches, start_stop))
            return httplib::Server::HandlerResponse::Unhandled;
        change(with_match, res, with_match.matches[2] == "start");
        return httplib::Server::HandlerResponse::Handled;
    });

    server.Get("/metrics", [this](const httplib::Request&, httplib::Response& res) {
        res.set_content(gateway_.metrics(), "text/plain; version=0.0.4; charset=utf-8");
    });

    for (const WebAsset& asset : web_assets()) {
        const auto serve = [asset](const httplib::Request&, httplib::Response& res) {
            res.set_header("Cache-Control", "no-cache");
            res.set_content(asset.body.data(), asset.body.size(), std::string(asset.content_type).c_str());
        };
        server.Get(std::string(asset.path), serve);
        if (asset.path == "/index.html") server.Get("/", serve);
    }
}

HttpServer::~HttpServer() { stop(); }

bool HttpServer::bind() {
    const GatewayConfig& config = gateway_.config();
    if (config.port == 0) {
        port_ = impl_->server.bind_to_any_port(config.listen);
    } else {
        port_ = impl_->server.bind_to_port(config.listen, config.port) ? config.port : -1;
    }
    return port_ > 0;
}

std::string HttpServer::url() const {
    const std::string& host = gateway_.config().listen;
    const bool v6 = host.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port_) + "/";
}

void HttpServer::start() {
    if (thread_.joinable()) return;
    thread_ = std::thread([this] { impl_->server.listen_after_bind(); });
}

void HttpServer::stop() {
    impl_->stopping = true;
    {
        std::lock_guard lock(impl_->streams_mutex);
        for (auto& [raw, queue] : impl_->streams) queue->close();
    }
    impl_->server.stop();
    if (thread_.joinable()) thread_.join();
}

}  // namespace kestrel::gateway
