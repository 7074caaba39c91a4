#include "gateway/gateway.h"

#include <chrono>

#include "gateway/log.h"
#include "kestrel/reader.h"

namespace kestrel::gateway {
namespace {

std::string describe(const Event& e) {
    std::string text = "seq " + std::to_string(e.seq) + " " + std::string(event_type_name(e.type)) + " reader=" +
                       e.reader + " location=" + e.location;
    if (!e.tag.empty()) text += " " + e.standard + "=" + e.tag;
    if (e.type == EventType::moved) text += " from=" + e.from_location;
    if (!e.error.empty()) text += " error=" + e.error;
    return text;
}

}  // namespace

Gateway::Gateway(GatewayConfig config, Options options)
    : config_(std::move(config)),
      store_({config_.store_path, config_.max_events, config_.max_age_s, options.track_delivery}),
      presence_({config_.departure_timeout_ms * 1'000'000, config_.raw_reads}) {
    events_by_reader_.assign(config_.readers.size(), 0);
    for (std::size_t i = 0; i < config_.readers.size(); ++i) {
        index_of_[config_.readers[i].id] = i;
        workers_.push_back(std::make_unique<ReaderWorker>(
            i, config_.readers[i], ReaderWorker::Settings{config_.period_ms, config_.per_block}, static_cast<WorkerSink&>(*this)));
    }
}

Gateway::~Gateway() { stop(); }

void Gateway::start() {
    if (started_) return;
    started_ = true;
    {
        std::lock_guard lock(tick_mutex_);
        ticking_ = true;
    }
    ticker_ = std::thread([this] { tick(); });
    for (auto& w : workers_) w->start();
}

void Gateway::stop() {
    if (!started_) return;
    started_ = false;
    for (auto& w : workers_) w->request_stop();
    for (auto& w : workers_) w->join();
    {
        std::lock_guard lock(tick_mutex_);
        ticking_ = false;
    }
    tick_wake_.notify_all();
    if (ticker_.joinable()) ticker_.join();
}

int Gateway::subscribe(Subscriber subscriber) {
    std::lock_guard lock(mutex_);
    const int id = next_subscriber_++;
    subscribers_.emplace(id, std::move(subscriber));
    return id;
}

void Gateway::unsubscribe(int id) {
    std::lock_guard lock(mutex_);
    subscribers_.erase(id);
}

void Gateway::emit(std::vector<Event>& events) {
    if (events.empty()) return;
    for (Event& e : events) e.gateway = config_.id;
    try {
        store_.append(events);
    } catch (const StoreError& e) {
        // Not announced without a seq: a consumer could not tell it from the next one.
        ++store_errors_;
        log_error("store", std::string(e.what()) + " (" + std::to_string(events.size()) + " events not stored)");
        return;
    }
    const std::int64_t now = kestrel_steady_ns();
    for (const Event& e : events) {
        const auto index = index_of_.find(e.reader);
        if (index != index_of_.end()) ++events_by_reader_[index->second];
        ++events_by_reader_type_[{e.reader, std::string(event_type_name(e.type))}];
        if (e.source_steady_ns > 0) latency_.observe(static_cast<double>(now - e.source_steady_ns) / 1e9);
        for (auto& [id, subscriber] : subscribers_) subscriber(e);
        log(e.type == EventType::read ? LogLevel::debug : LogLevel::info, "event", describe(e));
    }
}

void Gateway::on_online(std::size_t index) {
    const ReaderConfig& reader = config_.readers[index];
    const Moment now = Moment::now();
    std::lock_guard lock(mutex_);
    presence_.resume(reader.id, now);
    std::vector<Event> events(1);
    events[0].type = EventType::reader_online;
    events[0].utc_us = now.utc_us;
    events[0].reader = reader.id;
    events[0].location = reader.location;
    emit(events);
}

void Gateway::on_offline(std::size_t index, const std::string& error) {
    const ReaderConfig& reader = config_.readers[index];
    const Moment now = Moment::now();
    std::lock_guard lock(mutex_);
    presence_.suspend(reader.id);
    std::vector<Event> events(1);
    events[0].type = EventType::reader_offline;
    events[0].utc_us = now.utc_us;
    events[0].reader = reader.id;
    events[0].location = reader.location;
    events[0].error = error;
    emit(events);
}

void Gateway::on_cycle(std::size_t index, std::vector<TagSeen>& tags) {
    const ReaderConfig& reader = config_.readers[index];
    std::vector<Event> events;
    std::lock_guard lock(mutex_);
    for (const TagSeen& t : tags) presence_.observe(reader.id, reader.location, t.standard, t.tag, t.at, events);
    emit(events);
}

void Gateway::tick() {
    // Departures are checked four times a second; the store's limits every five seconds.
    using namespace std::chrono;
    auto next_limits = steady_clock::now() + seconds(5);
    std::unique_lock tick_lock(tick_mutex_);
    while (ticking_) {
        tick_wake_.wait_for(tick_lock, milliseconds(250), [&] { return !ticking_; });
        if (!ticking_) break;
        tick_lock.unlock();
        {
            std::vector<Event> events;
            std::lock_guard lock(mutex_);
            presence_.expire(Moment::now(), events);
            emit(events);
        }
        if (steady_clock::now() >= next_limits) {
            next_limits = steady_clock::now() + seconds(5);
            try {
                const std::int64_t deleted = store_.enforce_limits(Moment::now().utc_us);
                if (deleted > 0) log_debug("store", "deleted the " + std::to_string(deleted) + " oldest events");
            } catch (const StoreError& e) {
                log_error("store", e.what());
            }
        }
        tick_lock.lock();
    }
}

std::vector<ReaderStatus> Gateway::readers() const {
    std::vector<ReaderStatus> result;
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < workers_.size(); ++i) {
        const ReaderWorker& w = *workers_[i];
        ReaderStatus s;
        s.id = w.config().id;
        s.uri = w.config().uri;
        s.location = w.config().location;
        for (int standard : w.config().standards) s.standards.emplace_back(standard_name(standard));
        s.status = reader_state_name(w.state());
        s.last_error = w.last_error();
        s.cycles = w.counters().cycles;
        s.reads = w.counters().reads;
        s.errors = w.counters().errors;
        s.reconnects = w.counters().reconnects;
        s.last_cycle_us = w.counters().last_cycle_us;
        s.events = events_by_reader_[i];
        s.tags_present = presence_.present_count(s.id);
        result.push_back(std::move(s));
    }
    return result;
}

std::vector<Presence::Present> Gateway::tags() const {
    std::lock_guard lock(mutex_);
    return presence_.present();
}

bool Gateway::set_reader_enabled(const std::string& id, bool enabled, std::string_view by) {
    const auto it = index_of_.find(id);
    if (it == index_of_.end()) return false;
    workers_[it->second]->set_enabled(enabled);
    log_info(by, std::string(enabled ? "start" : "stop") + " of reader " + id + " requested");
    return true;
}

std::string Gateway::metrics() const {
    const std::vector<ReaderStatus> status = readers();
    std::string out;
    const auto per_reader = [&](const char* name, const char* type, const char* help, auto value) {
        metric_header(out, name, type, help);
        for (const ReaderStatus& s : status)
            metric_sample(out, name, "reader=\"" + escape_label(s.id) + "\"", static_cast<double>(value(s)));
    };
    per_reader("kestrel_gateway_reads_total", "counter", "Tag records read, by reader.",
               [](const ReaderStatus& s) { return s.reads; });
    per_reader("kestrel_gateway_cycles_total", "counter", "Whole inventory cycles, by reader.",
               [](const ReaderStatus& s) { return s.cycles; });
    per_reader("kestrel_gateway_errors_total", "counter", "Failed opens and inventories, by reader.",
               [](const ReaderStatus& s) { return s.errors; });
    per_reader("kestrel_gateway_reconnects_total", "counter", "Links re-established after a loss, by reader.",
               [](const ReaderStatus& s) { return s.reconnects; });
    per_reader("kestrel_gateway_reader_online", "gauge", "1 while the reader is online.",
               [](const ReaderStatus& s) { return s.status == "online" ? 1 : 0; });
    per_reader("kestrel_gateway_tags_present", "gauge", "Tags present, by the reader that saw them last.",
               [](const ReaderStatus& s) { return s.tags_present; });
    std::lock_guard lock(mutex_);
    metric_header(out, "kestrel_gateway_events_total", "counter", "Events stored and announced, by reader and type.");
    for (const auto& [key, count] : events_by_reader_type_)
        metric_sample(out, "kestrel_gateway_events_total",
                      "reader=\"" + escape_label(key.first) + "\",type=\"" + key.second + "\"",
                      static_cast<double>(count));
    metric_header(out, "kestrel_gateway_store_errors_total", "counter", "Batches of events the store could not append.");
    metric_sample(out, "kestrel_gateway_store_errors_total", "", static_cast<double>(store_errors_));
    metric_header(out, "kestrel_gateway_store_dropped_total", "counter",
                  "Undelivered events deleted by the store's size or age limit.");
    metric_sample(out, "kestrel_gateway_store_dropped_total", "", static_cast<double>(store_.dropped()));
    latency_.write(out, "kestrel_gateway_event_latency_seconds",
                   "From the reply holding a tag (or the check finding a departure) to the event's announcement.");
    std::lock_guard publishers_lock(publishers_mutex_);
    for (const Publisher& p : publishers_) out += p.metrics();
    return out;
}

void Gateway::add_publisher(std::string name, std::function<std::string()> metrics,
                            std::function<nlohmann::json()> status) {
    std::lock_guard lock(publishers_mutex_);
    publishers_.push_back({std::move(name), std::move(metrics), std::move(status)});
}

nlohmann::json Gateway::publishers() const {
    nlohmann::json result = nlohmann::json::object();
    std::lock_guard lock(publishers_mutex_);
    for (const Publisher& p : publishers_) result[p.name] = p.status();
    return result;
}

}  // namespace kestrel::gateway
