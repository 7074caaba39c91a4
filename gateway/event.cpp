#include "gateway/event.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include <nlohmann/json.hpp>

#include "kestrel/reader.h"

namespace kestrel::gateway {
namespace {

constexpr std::string_view type_names[] = {"arrived", "departed", "moved", "read", "reader_offline", "reader_online"};

}  // namespace

std::string_view event_type_name(EventType type) { return type_names[static_cast<int>(type)]; }

std::optional<EventType> event_type_from_name(std::string_view name) {
    for (std::size_t i = 0; i < std::size(type_names); ++i)
        if (type_names[i] == name) return static_cast<EventType>(i);
    return std::nullopt;
}

std::string_view standard_name(int standard) {
    switch (standard) {
        case KESTREL_STANDARD_EPC: return "epc";
        case KESTREL_STANDARD_GB: return "gb";
        case KESTREL_STANDARD_GJB: return "gjb";
        default: return {};
    }
}

std::optional<int> standard_from_name(std::string_view name) {
    for (int s : {KESTREL_STANDARD_EPC, KESTREL_STANDARD_GB, KESTREL_STANDARD_GJB})
        if (standard_name(s) == name) return s;
    return std::nullopt;
}

Moment Moment::now() {
    using namespace std::chrono;
    return {kestrel_steady_ns(), duration_cast<microseconds>(system_clock::now().time_since_epoch()).count()};
}

std::string iso_time(std::int64_t utc_us) {
    std::int64_t seconds = utc_us / 1'000'000;
    std::int64_t micros = utc_us % 1'000'000;
    if (micros < 0) {
        micros += 1'000'000;
        --seconds;
    }
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    ::gmtime_r(&t, &tm);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(micros / 1000));
    return text;
}

std::optional<std::int64_t> parse_iso_time(std::string_view text) {
    if (text.size() != 24) return std::nullopt;
    int year, month, day, hour, minute, second, millis;
    char tail = 0;
    const std::string copy(text);
    if (std::sscanf(copy.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d%c", &year, &month, &day, &hour, &minute, &second,
                    &millis, &tail) != 8 ||
        tail != 'Z')
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    const std::time_t t = ::timegm(&tm);
    return static_cast<std::int64_t>(t) * 1'000'000 + static_cast<std::int64_t>(millis) * 1000;
}

std::string hex(const std::uint8_t* bytes, std::size_t length) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text(length * 2, '0');
    for (std::size_t i = 0; i < length; ++i) {
        text[2 * i] = digits[bytes[i] >> 4];
        text[2 * i + 1] = digits[bytes[i] & 0xF];
    }
    return text;
}

nlohmann::json to_json(const Event& e) {
    nlohmann::json j;
    j["seq"] = e.seq;
    j["type"] = event_type_name(e.type);
    j["time"] = iso_time(e.utc_us);
    j["gateway"] = e.gateway;
    j["reader"] = e.reader;
    j["location"] = e.location;
    if (!e.tag.empty()) {
        j["standard"] = e.standard;
        j["tag"] = e.tag;
    }
    if (e.type == EventType::moved) {
        j["from_location"] = e.from_location;
        j["from_reader"] = e.from_reader;
    }
    if (e.type == EventType::departed) j["last_seen"] = iso_time(e.last_seen_us);
    if (e.type == EventType::reader_offline) j["error"] = e.error;
    return j;
}

std::string to_json_text(const Event& event) {
    return to_json(event).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace kestrel::gateway
