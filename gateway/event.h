// The gateway's event: one struct and one JSON form, shared by the store, the HTTP API, the
// live stream and any publisher built on them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace kestrel::gateway {

enum class EventType { arrived, departed, moved, read, reader_offline, reader_online };

std::string_view event_type_name(EventType type);
std::optional<EventType> event_type_from_name(std::string_view name);

// "epc", "gb", "gjb" for KESTREL_STANDARD_*; empty for anything else.
std::string_view standard_name(int standard);
std::optional<int> standard_from_name(std::string_view name);

// A moment on both clocks: the steady one times presence, the UTC one stamps events.
struct Moment {
    std::int64_t steady_ns = 0;
    std::int64_t utc_us = 0;
    static Moment now();
};

struct Event {
    std::int64_t seq = 0;  // assigned by the store; 0 until then
    EventType type = EventType::read;
    std::int64_t utc_us = 0;  // when it happened (a read: when the reply holding the tag arrived)
    std::string gateway;
    std::string reader;
    std::string location;
    std::string standard;  // tag events
    std::string tag;       // tag events: the identifier in upper-case hex
    std::string from_location;  // moved
    std::string from_reader;    // moved
    std::string error;          // reader_offline
    std::int64_t last_seen_us = 0;  // departed: the last read
    // Not part of the JSON: the steady-clock moment the event's source arrived (the reply
    // holding the tag, or the check that found a departure), for the latency measurement.
    std::int64_t source_steady_ns = 0;
};

// UTC ISO-8601 with milliseconds: 2026-12-08T17:05:00.123Z
std::string iso_time(std::int64_t utc_us);
// The parse of iso_time's form; nullopt for anything else.
std::optional<std::int64_t> parse_iso_time(std::string_view text);

// Upper-case hex of bytes.
std::string hex(const std::uint8_t* bytes, std::size_t length);

nlohmann::json to_json(const Event& event);
std::string to_json_text(const Event& event);

}  // namespace kestrel::gateway
