// The embedded event store: every event appended to a SQLite database (WAL mode) before it is
// announced, so its sequence number exists. Sequence numbers come from an AUTOINCREMENT key:
// strictly increasing and never reused, also after deletions and restarts.
//
// Delivery: with track_delivery on, events are stored undelivered, and a publisher fetches
// them in seq order (undelivered) and acknowledges them in any order (mark_delivered). The
// size and age limits delete the oldest events first; undelivered ones deleted that way are
// counted in `dropped` (kept in the database, so it survives restarts).
//
// One writer connection (appends, acknowledgements, deletions) and one reader connection for
// queries, each behind its own lock, so a long query does not hold appends up.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "gateway/event.h"

struct sqlite3;

namespace kestrel::gateway {

class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EventStore {
public:
    struct Settings {
        std::string path;
        std::int64_t max_events = 1'000'000;
        std::int64_t max_age_s = 0;  // 0: no age limit
        bool track_delivery = false;
    };

    explicit EventStore(Settings settings);  // throws StoreError
    ~EventStore();
    EventStore(const EventStore&) = delete;
    EventStore& operator=(const EventStore&) = delete;

    // Appends the events in one transaction and gives each its seq. Throws StoreError (and
    // then no event of the batch is stored).
    void append(std::span<Event> events);
    // Events with seq > after, oldest first, at most `limit`.
    std::vector<Event> since(std::int64_t after, std::size_t limit) const;
    // The newest `limit` events, oldest first.
    std::vector<Event> latest(std::size_t limit) const;
    // Undelivered events with seq > after, oldest first.
    std::vector<Event> undelivered(std::int64_t after, std::size_t limit) const;
    void mark_delivered(std::span<const std::int64_t> seqs);
    // Deletes what is past the limits (oldest first); returns the number deleted.
    std::int64_t enforce_limits(std::int64_t now_utc_us);

    std::int64_t last_seq() const;
    std::int64_t count() const;
    std::int64_t dropped() const;
    // Events stored and not yet acknowledged: a publisher's backlog.
    std::int64_t undelivered_count() const;
    const Settings& settings() const { return settings_; }

private:
    std::vector<Event> query(const char* sql, std::int64_t a, std::int64_t b) const;

    Settings settings_;
    sqlite3* writer_ = nullptr;
    sqlite3* reader_ = nullptr;
    mutable std::mutex write_mutex_;
    mutable std::mutex read_mutex_;
};

}  // namespace kestrel::gateway
