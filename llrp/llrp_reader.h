// One reader as an LLRP reader: its configuration, ROSpecs and AccessSpecs, the inventory they
// run through a ReaderPort, and the reports and events they produce. Transport-free: the
// server hands it whole messages and the clock; it hands back encoded messages to send.
// Specs and configuration outlive a connection; a new client finds them as the last left them.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "llrp/codec.h"
#include "llrp/reader_port.h"

namespace kestrel::llrp {

using Bytes = std::vector<std::uint8_t>;
// Milliseconds on the steady clock.
using Millis = std::int64_t;

struct ReaderLimits {
    std::uint32_t rospecs = 32;
    std::uint32_t specs_per_rospec = 8;
    std::uint32_t access_specs = 32;
    std::uint32_t opspecs_per_access_spec = 8;
    std::size_t held_messages = 100000;  // events and reports kept for a client to come back
};

class LlrpReader {
public:
    using Send = std::function<void(const Bytes&)>;

    LlrpReader(ReaderPort& port, ReaderLimits limits = {});

    // A client connected: it is sent the ConnectionAttemptEvent (Success).
    void connect(Send send, Millis now);
    void disconnect();
    bool connected() const { return static_cast<bool>(send_); }

    // Handles one whole message (header included, as framed by its length). Returns false
    // when the connection is to be closed once the answers are sent (CLOSE_CONNECTION).
    bool receive(std::span<const std::uint8_t> message, Millis now);

    // Runs what is due (start triggers, one inventory round of the active ROSpec, stop
    // triggers, keepalives) and returns how many ms may pass before it must run again.
    Millis run(Millis now);

    // The READER_EVENT_NOTIFICATION refusing a second client while one is connected.
    static Bytes connection_refused_event();
    // An ERROR_MESSAGE for bytes that cannot be framed (a length below the header's).
    static Bytes error_message(std::uint32_t message_id, const Refusal& refusal);

    // For tests and the benchmark: the ROSpec running now (0 when none), tags reported so far.
    std::uint32_t active_rospec() const { return run_ ? run_->rospec : 0; }
    std::uint64_t tags_reported() const { return tags_reported_; }

private:
    struct Selector {
        bool rospec_id = false, spec_index = false, ipspec_id = false, antenna = false, first_seen = false,
             last_seen = false, seen_count = false, accessspec_id = false;
    };
    struct ReportSpec {
        std::uint8_t trigger = 1;  // 0 none, 1 N tags or end of AISpec, 2 N tags or end of ROSpec
        std::uint16_t n = 0;
        Selector selector;
    };
    struct AiStop {
        std::uint8_t type = 0;  // 0 null, 1 duration, 3 tag observation
        std::uint32_t duration = 0;
        std::uint8_t observation = 0;  // 0 N tags, 1 no new tag for T ms, 2 N attempts
        std::uint16_t tags = 0, attempts = 0, quiet_ms = 0;
        std::uint32_t timeout = 0;
    };
    struct RfChoice {
        std::optional<int> power_dbm, channel, speed;
        bool any() const { return power_dbm || channel || speed; }
    };
    struct AiSpec {
        std::vector<int> antennas;
        AiStop stop;
        std::uint16_t ipspec_id = 0;
        RfChoice rf;
    };
    struct RoSpec {
        std::uint32_t id = 0;
        std::uint8_t priority = 0;
        std::uint8_t state = 0;  // 0 disabled, 1 inactive, 2 active
        std::uint8_t start_type = 0;
        std::uint32_t offset = 0, period = 0;
        std::optional<std::int64_t> utc_start_us;
        std::uint8_t stop_type = 0;
        std::uint32_t duration = 0;
        std::vector<AiSpec> ais;
        std::optional<ReportSpec> report;
        Element element;
        std::optional<Millis> next_start;
    };
    struct Target {
        std::uint8_t bank = 1;
        bool match = true;
        std::uint16_t pointer = 0;
        std::uint16_t bits = 0;
        Bytes mask, data;
    };
    struct AccessSpec {
        std::uint32_t id = 0;
        std::uint16_t antenna = 0;
        std::uint32_t rospec = 0;
        bool enabled = false;
        std::uint8_t stop_type = 0;
        std::uint16_t operations = 0;
        std::uint16_t done = 0;
        std::vector<Target> targets;
        std::vector<Element> ops;
        std::optional<std::uint8_t> report_trigger;
        Element element;
    };
    struct Entry {
        Bytes epc;
        std::uint16_t antenna = 0, spec_index = 0, ipspec_id = 0;
        std::uint32_t rospec = 0, accessspec = 0;
        std::int64_t first_us = 0, last_us = 0;
        std::uint32_t count = 0;
        std::vector<Element> results;
    };
    struct Pending {
        std::vector<Entry> entries;
        std::unordered_map<std::string, std::size_t> index;
    };
    struct Run {
        std::uint32_t rospec = 0;
        std::size_t ai = 0;
        Millis ro_start = 0, ai_start = 0, last_new = 0;
        std::uint32_t rounds = 0, observations = 0;
        std::set<Bytes> seen;
        std::size_t antenna_pos = 0;
        bool rf_changed = false;
        WorkParams rf_before{};
    };
    struct Config {
        std::map<std::uint16_t, bool> events;  // EventNotificationState by event type
        ReportSpec report;
        std::uint8_t access_report_trigger = 0;
        std::uint8_t keepalive_type = 0;
        std::uint32_t keepalive_ms = 0;
        bool hold = false;
    };

    using Result = std::optional<Refusal>;

    void handle(const Element& m, Millis now);
    void respond(const Element& request, std::uint16_t type, const Result& result);
    Element reply(const Element& request, std::uint16_t type, const Result& result);

    Result capabilities(const Element& m, Element& out);
    Result get_config(const Element& m, Element& out);
    Result set_config(const Element& m, Millis now);
    Result add_rospec(const Element& m);
    Result delete_rospec(std::uint32_t id);
    Result enable_rospec(std::uint32_t id, Millis now);
    Result disable_rospec(std::uint32_t id);
    Result start_rospec(std::uint32_t id, Millis now);
    Result stop_rospec(std::uint32_t id);
    Result add_access_spec(const Element& m);
    Result delete_access_spec(std::uint32_t id);
    Result enable_access_spec(std::uint32_t id, bool enable);

    Result parse_rospec(const Element& e, RoSpec& out);
    Result parse_aispec(const Element& e, AiSpec& out);
    Result parse_report_spec(const Element& e, ReportSpec& out);
    Result parse_antenna_configuration(const Element& e, RfChoice& out);
    Result parse_access_spec(const Element& e, AccessSpec& out);
    Result parse_opspec(const Element& e);

    void factory_defaults();
    void start(RoSpec& spec, Millis now);
    void end_ai(Millis now);
    void end_rospec(bool preempted = false);
    void begin_ai(Millis now);
    void inventory_round(Millis now);
    bool ai_done(Millis now) const;
    void record(const Sighting& s, Millis now);
    void run_access(const Sighting& s, int antenna);
    bool target_matches(const Target& t, const Sighting& s);
    Element execute(const Element& op, bool& ok);
    void apply_rf(const RfChoice& rf, bool remember);

    const ReportSpec& report_spec(std::uint32_t rospec) const;
    void report(std::uint32_t rospec, std::optional<std::uint32_t> message_id = std::nullopt);
    void report_all(std::uint32_t message_id);
    Element tag_report(const Entry& e, const Selector& s) const;
    void event(Element data_param, std::uint16_t event_type);
    void emit(Element message);
    void emit_encoded(Bytes message);
    void append_tag_reports(const std::vector<Entry>& entries, const Selector& s, Bytes& out) const;
    void send_now(const Bytes& b);

    RoSpec* rospec(std::uint32_t id);
    AccessSpec* access_spec(std::uint32_t id);
    std::uint32_t next_id() { return ++message_id_; }

    ReaderPort& port_;
    ReaderLimits limits_;
    Send send_;
    Config config_;
    std::vector<RoSpec> rospecs_;
    std::vector<AccessSpec> access_specs_;
    std::map<std::uint32_t, Pending> pending_;
    // Results of AccessSpecs that report at their end, by AccessSpec ID.
    std::map<std::uint32_t, std::vector<Entry>> access_waiting_;
    std::optional<Run> run_;
    std::optional<WorkParams> factory_rf_;
    std::vector<Bytes> held_;
    bool holding_ = false;
    Millis next_keepalive_ = 0;
    Millis retry_at_ = 0;
    std::uint32_t message_id_ = 0;
    std::uint32_t config_state_ = 1;
    std::uint64_t tags_reported_ = 0;
};

}  // namespace kestrel::llrp
