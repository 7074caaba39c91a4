#include "gateway/presence.h"

#include <algorithm>

namespace kestrel::gateway {
namespace {

Event tag_event(EventType type, const std::string& reader, const std::string& location, std::string_view standard,
                std::string_view tag, Moment at) {
    Event e;
    e.type = type;
    e.utc_us = at.utc_us;
    e.source_steady_ns = at.steady_ns;
    e.reader = reader;
    e.location = location;
    e.standard = standard;
    e.tag = tag;
    return e;
}

}  // namespace

void Presence::observe(const std::string& reader, const std::string& location, std::string_view standard,
                       std::string_view tag, Moment at, std::vector<Event>& out) {
    if (settings_.raw_reads) out.push_back(tag_event(EventType::read, reader, location, standard, tag, at));
    Key key{std::string(standard), std::string(tag)};
    auto it = tags_.find(key);
    if (it == tags_.end()) {
        tags_.emplace(std::move(key), State{location, reader, at.utc_us, at.utc_us, at.steady_ns});
        out.push_back(tag_event(EventType::arrived, reader, location, standard, tag, at));
        return;
    }
    State& state = it->second;
    if (state.location != location) {
        Event e = tag_event(EventType::moved, reader, location, standard, tag, at);
        e.from_location = state.location;
        e.from_reader = state.reader;
        out.push_back(std::move(e));
        state.location = location;
        state.first_seen_us = at.utc_us;
    }
    // Another reader at the same location takes the tag over: its timeout follows that reader.
    state.reader = reader;
    state.last_seen_us = std::max(state.last_seen_us, at.utc_us);
    state.last_seen_ns = std::max(state.last_seen_ns, at.steady_ns);
}

void Presence::expire(Moment now, std::vector<Event>& out) {
    for (auto it = tags_.begin(); it != tags_.end();) {
        const State& state = it->second;
        if (suspended_.count(state.reader) || now.steady_ns - state.last_seen_ns < settings_.departure_timeout_ns) {
            ++it;
            continue;
        }
        Event e = tag_event(EventType::departed, state.reader, state.location, it->first.first, it->first.second, now);
        e.last_seen_us = state.last_seen_us;
        out.push_back(std::move(e));
        it = tags_.erase(it);
    }
}

void Presence::suspend(const std::string& reader) { suspended_.insert(reader); }

void Presence::resume(const std::string& reader, Moment now) {
    if (!suspended_.erase(reader)) return;
    for (auto& [key, state] : tags_)
        if (state.reader == reader) state.last_seen_ns = std::max(state.last_seen_ns, now.steady_ns);
}

std::vector<Presence::Present> Presence::present() const {
    std::vector<Present> result;
    result.reserve(tags_.size());
    for (const auto& [key, state] : tags_)
        result.push_back({key.first, key.second, state.location, state.reader, state.first_seen_us, state.last_seen_us});
    return result;
}

std::size_t Presence::present_count(const std::string& reader) const {
    return static_cast<std::size_t>(
        std::count_if(tags_.begin(), tags_.end(), [&](const auto& entry) { return entry.second.reader == reader; }));
}

}  // namespace kestrel::gateway
