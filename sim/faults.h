// The fault layer between the reader model and the wire: rewrites the transmission of a
// reply per command or by seeded probability, so every failure the host must survive can
// be provoked and replayed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "sim/responder.h"

namespace kestrel::sim {

enum class FaultKind : std::uint8_t {
    drop,             // no reply at all
    delay,            // the reply after `delay_ms`
    corrupt_check,    // the check byte does not match
    other_address,    // the reply comes from another reader number
    wrong_echo,       // the command echo differs from the command
    trailing,         // bytes after the frame's trailer
    split,            // the reply in `pieces` pieces, `delay_ms` apart
    oversize_length,  // a length field past the host's 2048-byte reply area, data to match
    noise,            // bytes before the frame's header
    disconnect,       // the first half of the reply, then the connection is closed (TCP)
};

struct FaultRule {
    FaultKind kind = FaultKind::drop;
    int command = -1;           // the command code it applies to; -1: every command
    double probability = 1.0;   // chance per reply, drawn from the plan's seeded generator
    unsigned count = 0;         // how many times it may fire; 0: no limit
    unsigned delay_ms = 100;    // delay: the wait; split: the pause between pieces
    unsigned pieces = 3;        // split
    std::vector<std::uint8_t> bytes;  // trailing and noise bytes (empty: a default)
    int address = -1;           // other_address: the number used (-1: the reader's + 1)
    unsigned fired = 0;
};

// A number from the command line or a fault setting: decimal, or hex after "0x"; false
// unless the whole text is one number from `min` to `max`.
bool parse_number(const std::string& text, long min, long max, long& out);

// Names as used in scenario files and on the command line ("drop", "corrupt_check", ...).
std::optional<FaultKind> fault_kind_by_name(const std::string& name);
const char* fault_kind_name(FaultKind kind);
// Sets one field of a rule from text ("command", "probability", "count", "delay_ms",
// "pieces", "bytes", "address"); false with `error` set when the key or value is wrong.
bool set_fault_field(FaultRule& rule, const std::string& key, const std::string& value, std::string& error);
// A rule from "KIND[,key=value...]", e.g. "drop,command=0x22,probability=0.5".
bool parse_fault(const std::string& text, FaultRule& rule, std::string& error);

class FaultPlan {
public:
    explicit FaultPlan(std::uint64_t seed = 1) : rng_(seed) {}

    void seed(std::uint64_t s) { rng_.seed(s); }
    void add(FaultRule rule) { rules_.push_back(std::move(rule)); }
    void clear() { rules_.clear(); }
    const std::vector<FaultRule>& rules() const { return rules_; }
    std::size_t injected() const { return injected_; }

    // The first rule that applies to the request and fires rewrites the transmission.
    Transmission apply(const Request& request, Transmission t);

    // Told about every answer that passes through the plan: the fault that rewrote it, or
    // none when it went out as the model encoded it. A harness that drives the host learns
    // from it what each result should have been.
    using Observer = std::function<void(const Request&, std::optional<FaultKind>)>;
    void set_observer(Observer observer) { observer_ = std::move(observer); }
    // A shaper for the responder that applies this plan (which must outlive it).
    Responder::Shaper shaper() {
        return [this](const Request& r, Transmission t) { return apply(r, std::move(t)); };
    }

private:
    Transmission rewrite(const Request& request, Transmission t, std::optional<FaultKind>& fired);

    std::mt19937_64 rng_;
    std::vector<FaultRule> rules_;
    std::vector<std::uint8_t> scratch_;  // a reply's data while it is rebuilt
    std::size_t injected_ = 0;
    Observer observer_;
};

}  // namespace kestrel::sim
