// Tag presence: raw reads in, arrived / moved / departed events out. A pure class: no threads
// and no clock of its own (every call is handed the moment), so its behaviour is scripted.
//
// A tag (standard and identifier) is present at one location at a time. Its first read makes
// it `arrived` there; a read at another location while present makes it `moved` (from the
// location and reader that saw it last); going unseen for the departure timeout makes it
// `departed`. The timeout only runs while the reader that saw it last is online: a reader's
// tags are never declared departed while it is offline or stopped, and when it comes back
// they get a whole timeout to be read again.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gateway/event.h"

namespace kestrel::gateway {

class Presence {
public:
    struct Settings {
        std::int64_t departure_timeout_ns = 30'000'000'000;
        bool raw_reads = false;  // a `read` event for every read as well
    };
    struct Present {
        std::string standard;
        std::string tag;
        std::string location;
        std::string reader;
        std::int64_t first_seen_us = 0;  // arrival at this location
        std::int64_t last_seen_us = 0;
    };

    explicit Presence(Settings settings) : settings_(settings) {}

    // One read of `tag` by `reader` at `location`; the events it makes go to `out`.
    void observe(const std::string& reader, const std::string& location, std::string_view standard,
                 std::string_view tag, Moment at, std::vector<Event>& out);
    // Departures of tags unseen for the timeout by now.
    void expire(Moment now, std::vector<Event>& out);
    // The reader is offline (or stopped): its tags' timeouts stop.
    void suspend(const std::string& reader);
    // The reader is back: its tags' timeouts start afresh from `now`.
    void resume(const std::string& reader, Moment now);

    std::vector<Present> present() const;
    std::size_t present_count(const std::string& reader) const;
    std::size_t size() const { return tags_.size(); }

private:
    struct State {
        std::string location;
        std::string reader;
        std::int64_t first_seen_us = 0;
        std::int64_t last_seen_us = 0;
        std::int64_t last_seen_ns = 0;  // steady clock: the timeout runs from here
    };
    // Key: standard, then tag.
    using Key = std::pair<std::string, std::string>;

    Settings settings_;
    std::map<Key, State> tags_;
    std::set<std::string> suspended_;
};

}  // namespace kestrel::gateway
