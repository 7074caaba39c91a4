#include "sim/scenario.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <span>
#include <sstream>

#include "sim/json_reader.h"

namespace kestrel::sim {

namespace {

using json::Value;

constexpr std::size_t kMaxCodingBytes = 252;

const char kDefaultScenario[] =
#include "sim/default_scenario.inc"
    ;

// Reports what went wrong and where; loading stops at the first problem.
struct Loader {
    std::string error;

    bool fail(const std::string& where, const std::string& what) {
        if (error.empty()) error = where + ": " + what;
        return false;
    }
    // The same, saying where in the text the value `at` starts.
    bool fail(const std::string& where, Value at, const std::string& what) {
        return fail(where + " at " + at.place(), what);
    }

    bool keys(Value j, const std::string& where, std::initializer_list<const char*> allowed) {
        if (!j.is_object()) return fail(where, "must be an object");
        for (Value entry : j) {
            if (std::none_of(allowed.begin(), allowed.end(), [&](const char* k) { return entry.key() == k; }))
                return fail(where, "unknown entry '" + std::string(entry.key()) + "'");
        }
        return true;
    }

    // Hex text, spaces allowed: "3000 E200 01".
    bool bytes(Value j, const std::string& where, std::vector<std::uint8_t>& out, std::size_t exact = 0) {
        if (!j.is_string()) return fail(where, "must be a hex string");
        out.resize(j.string().size() / 2);  // room for the most bytes the text can hold
        std::size_t n = 0;
        if (!hex(j.string(), where, out, n)) return false;
        out.resize(n);
        if (exact && n != exact) return fail(where, "must be " + std::to_string(exact) + " bytes");
        return true;
    }

    template <std::size_t N>
    bool array(Value j, const std::string& where, std::array<std::uint8_t, N>& out) {
        if (!j.is_string()) return fail(where, "must be a hex string");
        return array(j.string(), where, out);
    }

    // Exactly N bytes of hex; `out` changes only when they are.
    template <std::size_t N>
    bool array(std::string_view text, const std::string& where, std::array<std::uint8_t, N>& out) {
        std::array<std::uint8_t, N> b{};
        std::size_t n = 0;
        if (!hex(text, where, b, n)) return false;
        if (n != N) return fail(where, "must be " + std::to_string(N) + " bytes");
        out = b;
        return true;
    }

    // Decodes hex text into `out`; `n` is the number of bytes the text holds, of which those
    // beyond `out`'s size are counted but not stored.
    bool hex(std::string_view text, const std::string& where, std::span<std::uint8_t> out, std::size_t& n) {
        n = 0;
        int high = -1;  // the first digit of a byte, while its second is awaited
        for (char c : text) {
            if (c == ' ') continue;
            const int v = json::hex_digit(c);
            if (v < 0) return fail(where, "is not hex");
            if (high < 0) {
                high = v;
                continue;
            }
            if (n < out.size()) out[n] = static_cast<std::uint8_t>(high << 4 | v);
            ++n;
            high = -1;
        }
        if (high >= 0) return fail(where, "needs whole bytes (pairs of hex digits)");
        return true;
    }

    // A number written as an object key ("3" in {"3": ...}): digits only.
    static bool key_number(std::string_view key, long min, long max, long& out) {
        const bool digits = !key.empty() && key.size() <= 3 &&
                            std::all_of(key.begin(), key.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
        if (!digits) return false;
        out = std::stol(std::string(key));
        return out >= min && out <= max;
    }

    bool number(Value j, const std::string& where, long min, long max, long& out) {
        if (!j.is_integer()) return fail(where, "must be a whole number");
        // A whole number beyond 64 bits is out of range as well.
        const bool fits = j.is_negative() || j.uint64() <= static_cast<std::uint64_t>(INT64_MAX);
        const std::int64_t v = j.int64();
        if (!fits || v < min || v > max) return fail(where, "must be " + std::to_string(min) + ".." + std::to_string(max));
        out = static_cast<long>(v);
        return true;
    }

    // A time in seconds: a number, fractions allowed, finite and not negative.
    bool seconds(Value j, const std::string& where, double& out) {
        if (j.is_integer() || j.kind() == json::Kind::number) {
            const std::string_view text = j.text();
            double v = 0;
            const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), v);
            if (problem == std::errc() && end == text.data() + text.size() && std::isfinite(v) && v >= 0) {
                out = v;
                return true;
            }
        }
        return fail(where, j, "must be a number of seconds, 0 or more");
    }

    // When the tag is in the field: {"in_s": A, "out_s": B, "period_s": P}, each optional.
    bool presence(Value j, const std::string& where, Presence& p) {
        if (!j.is_object()) return fail(where, j, "must be an object {\"in_s\", \"out_s\", \"period_s\"}");
        if (!keys(j, where, {"in_s", "out_s", "period_s"})) return false;
        Presence next;
        if (j.contains("in_s") && !seconds(j["in_s"], where + ".in_s", next.in_s)) return false;
        if (j.contains("out_s") && !seconds(j["out_s"], where + ".out_s", next.out_s)) return false;
        if (j.contains("period_s") && !seconds(j["period_s"], where + ".period_s", next.period_s)) return false;
        if (j.contains("out_s") && next.in_s >= next.out_s)
            return fail(where + ".out_s", j["out_s"], "must be later than in_s");
        if (j.contains("period_s")) {
            if (next.period_s == 0) return fail(where + ".period_s", j["period_s"], "must be more than 0");
            if (j.contains("out_s") && next.out_s > next.period_s)
                return fail(where + ".out_s", j["out_s"], "must not be later than period_s");
            if (next.in_s >= next.period_s) return fail(where + ".in_s", j["in_s"], "must be less than period_s");
        }
        p = next;
        return true;
    }

    bool reader(Value j, ReaderModel& m) {
        if (!keys(j, "reader", {"address", "identity", "baud_code", "temperature", "work_params", "reader_chip",
                                "rssi", "menjin", "channels", "psam_atr", "psam_files", "network"}))
            return false;
        ReaderSettings& s = m.settings;
        long n = 0;
        if (j.contains("address")) {
            if (!number(j["address"], "reader.address", 0, 254, n)) return false;
            m.set_number(static_cast<std::uint8_t>(n));
        }
        if (j.contains("identity")) {
            if (!j["identity"].is_string() || j["identity"].string().size() > 22)
                return fail("reader.identity", "must be text of at most 22 bytes");
            const std::string_view text = j["identity"].string();
            s.identity.fill(0);
            std::copy(text.begin(), text.end(), s.identity.begin());
        }
        if (j.contains("baud_code")) {
            if (!number(j["baud_code"], "reader.baud_code", 0, 4, n)) return false;
            s.baud_code = static_cast<std::uint8_t>(n);
        }
        if (j.contains("temperature")) {
            if (!number(j["temperature"], "reader.temperature", 0, 120, n)) return false;
            s.temperature = static_cast<std::uint8_t>(n);
        }
        if (j.contains("rssi")) {
            if (!number(j["rssi"], "reader.rssi", 0, 255, n)) return false;
            s.rssi = static_cast<std::uint8_t>(n);
        }
        if (j.contains("reader_chip")) {
            if (!j["reader_chip"].is_boolean()) return fail("reader.reader_chip", "must be true or false");
            s.chip_on = j["reader_chip"].boolean();
        }
        if (j.contains("work_params") && !array(j["work_params"], "reader.work_params", s.work)) return false;
        if (j.contains("menjin") && !array(j["menjin"], "reader.menjin", s.menjin)) return false;
        if (j.contains("channels")) {
            if (!j["channels"].is_object()) return fail("reader.channels", "must map regions to masks");
            for (Value entry : j["channels"]) {
                long region = -1;
                const std::string key(entry.key());
                if (!key_number(key, 0, 4, region)) return fail("reader.channels", "region '" + key + "' is not 0..4");
                if (!array(entry, "reader.channels." + key, s.channels[static_cast<std::uint8_t>(region)]))
                    return false;
            }
        }
        if (j.contains("network") && !network(j["network"], s.network)) return false;
        if (j.contains("psam_atr")) {
            std::vector<std::uint8_t> atr;
            if (!bytes(j["psam_atr"], "reader.psam_atr", atr)) return false;
            for (PsamSlot& slot : m.security.slots) slot.atr = atr;
        }
        if (j.contains("psam_files")) {
            if (!j["psam_files"].is_array()) return fail("reader.psam_files", "must be a list of file identifiers");
            m.security.card.files.clear();
            for (Value f : j["psam_files"]) {
                std::array<std::uint8_t, 2> id{};
                if (!array(f, "reader.psam_files", id)) return false;
                m.security.card.files.push_back(static_cast<std::uint16_t>(id[0] << 8 | id[1]));
            }
        }
        return true;
    }

    // Dotted decimal IPv4 text, zero-padded groups allowed: "192.168.1.200", "255.255.255.000".
    bool ipv4(Value j, const std::string& where, std::array<std::uint8_t, 4>& out) {
        if (!j.is_string()) return fail(where, "must be an IPv4 address text like \"192.168.1.200\"");
        const std::string text(j.string());
        std::array<std::uint8_t, 4> ip{};
        std::size_t group = 0, digits = 0;
        unsigned value = 0;
        for (std::size_t i = 0; i <= text.size(); ++i) {
            const char c = i < text.size() ? text[i] : '.';
            if (std::isdigit(static_cast<unsigned char>(c)) && digits < 3) {
                value = value * 10 + static_cast<unsigned>(c - '0');
                ++digits;
            } else if (c == '.' && digits > 0 && value <= 255 && group < 4) {
                ip[group++] = static_cast<std::uint8_t>(value);
                digits = 0;
                value = 0;
            } else {
                return fail(where, "must be four groups 0..255 joined by dots, not '" + text + "'");
            }
        }
        if (group != 4) return fail(where, "must be four groups 0..255 joined by dots, not '" + text + "'");
        out = ip;
        return true;
    }

    bool network(Value j, NetworkSettings& n) {
        if (!keys(j, "reader.network", {"ip", "mask", "gateway", "mac", "port"})) return false;
        if (j.contains("ip") && !ipv4(j["ip"], "reader.network.ip", n.ip)) return false;
        if (j.contains("mask") && !ipv4(j["mask"], "reader.network.mask", n.mask)) return false;
        if (j.contains("gateway") && !ipv4(j["gateway"], "reader.network.gateway", n.gateway)) return false;
        if (j.contains("mac")) {
            // Hex bytes; ':', '-' and '.' separate them as well as spaces do.
            const Value mac = j["mac"];
            if (!mac.is_string()) return fail("reader.network.mac", "must be a hex string");
            std::string text(mac.string());
            std::replace_if(text.begin(), text.end(), [](char c) { return c == ':' || c == '-' || c == '.'; }, ' ');
            if (!array(std::string_view(text), "reader.network.mac", n.mac)) return false;
        }
        long port = 0;
        if (j.contains("port")) {
            if (!number(j["port"], "reader.network.port", 1, 65535, port)) return false;
            n.port = static_cast<std::uint16_t>(port);
        }
        return true;
    }

    // Fills an area from its start; a longer content makes the area longer.
    bool area(Value j, const std::string& where, Tag& t, std::size_t index, bool exact = false) {
        std::vector<std::uint8_t> b;
        if (!bytes(j, where, b)) return false;
        if (b.size() % 2) b.push_back(0);
        auto& a = t.areas[index];
        if (exact || b.size() > a.size()) a.assign(b.size(), 0);
        std::copy(b.begin(), b.end(), a.begin());
        return true;
    }

    bool password(Value j, const std::string& where, Password& p) { return array(j, where, p); }

    bool tag(Value j, const std::string& where, ReaderModel& m) {
        if (!j.is_object() || !j.contains("standard") || !j["standard"].is_string())
            return fail(where, "needs a \"standard\": \"epc\", \"gb\" or \"gjb\"");
        Standard s{};
        if (!standard_by_name(std::string(j["standard"].string()), s))
            return fail(where + ".standard", "must be epc, gb or gjb");
        Tag t = Tag::blank(s);
        if (s == Standard::epc) {
            if (!keys(j, where,
                      {"standard", "epc", "tid", "user", "access_password", "kill_password", "halted", "presence"}))
                return false;
            if (j.contains("epc")) {
                std::vector<std::uint8_t> epc;
                if (!bytes(j["epc"], where + ".epc", epc)) return false;
                if (epc.size() > 62) return fail(where + ".epc", "is longer than 31 words");
                t.set_epc(epc);
            }
            if (j.contains("tid") && !area(j["tid"], where + ".tid", t, 2)) return false;
            if (j.contains("user") && !area(j["user"], where + ".user", t, 3)) return false;
            Password p{};
            if (j.contains("kill_password")) {
                if (!password(j["kill_password"], where + ".kill_password", p)) return false;
                std::copy(p.begin(), p.end(), t.areas[0].begin());
            }
            if (j.contains("access_password")) {
                if (!password(j["access_password"], where + ".access_password", p)) return false;
                std::copy(p.begin(), p.end(), t.areas[0].begin() + 4);
            }
        } else {
            const bool gb = s == Standard::gb;
            if (gb ? !keys(j, where, {"standard", "coding", "security_word", "info", "security", "user", "passwords",
                                      "security_params", "auth_key", "fd_password", "halted", "presence"})
                   : !keys(j, where, {"standard", "coding", "security_word", "info", "security", "user", "passwords",
                                      "security_params", "fd_user2", "fd_user3", "halted", "presence"}))
                return false;
            if (j.contains("coding") && !area(j["coding"], where + ".coding", t, 1, true)) return false;
            // A tag record (one length byte) carries the security word and the coding area.
            if (t.areas[1].size() > kMaxCodingBytes)
                return fail(where + ".coding", "is longer than " + std::to_string(kMaxCodingBytes / 2) + " words");
            if (j.contains("info") && !area(j["info"], where + ".info", t, 0)) return false;
            if (j.contains("security") && !area(j["security"], where + ".security", t, 2)) return false;
            if (j.contains("security_word") && !array(j["security_word"], where + ".security_word", t.security_word))
                return false;
            if (j.contains("security_params") &&
                !bytes(j["security_params"], where + ".security_params", t.sec_params, gb ? 6 : 0))
                return false;
            if (gb) {
                if (j.contains("user")) {
                    if (!j["user"].is_object()) return fail(where + ".user", "must map user areas 1..16 to contents");
                    for (Value entry : j["user"]) {
                        long k = 0;
                        const std::string key(entry.key());
                        if (!key_number(key, 1, 16, k)) return fail(where + ".user", "user area '" + key + "' is not 1..16");
                        if (!area(entry, where + ".user." + key, t, static_cast<std::size_t>(k + 2))) return false;
                    }
                }
                if (j.contains("passwords")) {
                    if (!j["passwords"].is_object()) return fail(where + ".passwords", "must map area codes to [read, write]");
                    for (Value entry : j["passwords"]) {
                        long a = -1;
                        const std::string w = where + ".passwords." + std::string(entry.key());
                        if (!key_number(entry.key(), 0, 18, a)) return fail(w, "area code must be 0..18");
                        if (!entry.is_array() || entry.size() != 2) return fail(w, "must be [read, write]");
                        auto& pw = t.area_passwords[static_cast<std::size_t>(a)];
                        auto pair = entry.begin();
                        if (!password(*pair, w, pw[0]) || !password(*++pair, w, pw[1])) return false;
                    }
                }
                if (j.contains("auth_key") && !array(j["auth_key"], where + ".auth_key", t.auth_key)) return false;
                if (j.contains("fd_password") && !password(j["fd_password"], where + ".fd_password", t.fd_password))
                    return false;
            } else {
                if (j.contains("user") && !area(j["user"], where + ".user", t, 3)) return false;
                if (j.contains("fd_user2") && !area(j["fd_user2"], where + ".fd_user2", t, kGjbFdSubArea2)) return false;
                if (j.contains("fd_user3") && !area(j["fd_user3"], where + ".fd_user3", t, kGjbFdSubArea3)) return false;
                if (j.contains("passwords")) {
                    const Value p = j["passwords"];
                    if (!keys(p, where + ".passwords", {"kill", "lock", "read", "write"})) return false;
                    const char* names[] = {"kill", "lock", "read", "write"};
                    for (std::size_t i = 0; i < 4; ++i)
                        if (p.contains(names[i]) &&
                            !password(p[names[i]], where + ".passwords." + names[i], t.passwords[i]))
                            return false;
                }
            }
        }
        if (j.contains("halted")) {
            if (!j["halted"].is_boolean()) return fail(where + ".halted", "must be true or false");
            t.halted = j["halted"].boolean();
        }
        if (j.contains("presence") && !presence(j["presence"], where + ".presence", t.presence)) return false;
        m.field.tags.push_back(std::move(t));
        return true;
    }

    bool faults(Value j, FaultPlan& plan) {
        if (!keys(j, "faults", {"seed", "rules"})) return false;
        if (j.contains("seed")) {
            if (!j["seed"].is_integer() || j["seed"].is_negative()) return fail("faults.seed", "must be a number from 0");
            plan.seed(j["seed"].uint64());
        }
        if (!j.contains("rules")) return true;
        if (!j["rules"].is_array()) return fail("faults.rules", "must be a list");
        std::size_t i = 0;
        for (Value r : j["rules"]) {
            const std::string where = "faults.rules[" + std::to_string(i++) + "]";
            if (!keys(r, where, {"kind", "command", "probability", "count", "delay_ms", "pieces", "bytes", "address"}))
                return false;
            if (!r.contains("kind") || !r["kind"].is_string()) return fail(where, "needs a \"kind\"");
            FaultRule rule;
            const std::string name(r["kind"].string());
            auto kind = fault_kind_by_name(name);
            if (!kind) return fail(where + ".kind", "unknown fault '" + name + "'");
            rule.kind = *kind;
            for (Value entry : r) {
                if (entry.key() == "kind") continue;
                // A setting is read as the command line writes it: a string's text, else the
                // value as the file writes it.
                const std::string text(entry.is_string() ? entry.string() : entry.text());
                std::string e;
                if (!set_fault_field(rule, std::string(entry.key()), text, e)) return fail(where, e);
            }
            plan.add(rule);
        }
        return true;
    }
};

}  // namespace

bool load_scenario(const std::string& json_text, ReaderModel& model, FaultPlan& plan, std::string& error) {
    Loader l;
    json::Document doc;
    std::string syntax;
    if (!doc.parse(json_text, syntax)) {
        error = "not valid JSON: " + syntax;
        return false;
    }
    const Value j = doc.root();
    bool ok = l.keys(j, "scenario", {"reader", "tags", "faults"});
    if (ok && j.contains("reader")) ok = l.reader(j["reader"], model);
    if (ok && j.contains("tags")) {
        if (!j["tags"].is_array()) ok = l.fail("tags", "must be a list");
        std::size_t i = 0;
        for (auto tag = j["tags"].begin(); ok && tag != j["tags"].end(); ++tag, ++i)
            ok = l.tag(*tag, "tags[" + std::to_string(i) + "]", model);
    }
    if (ok && j.contains("faults")) ok = l.faults(j["faults"], plan);
    if (!ok) {
        error = l.error;
        return false;
    }
    model.adopt_defaults();
    // The tags' schedules run from here.
    model.field.clock.restart();
    return true;
}

bool load_scenario_file(const std::string& path, ReaderModel& model, FaultPlan& plan, std::string& error) {
    // A scenario is a small file: a device, a FIFO or a file past the cap is refused before
    // anything is read from it.
    std::error_code failure;
    const auto status = std::filesystem::status(path, failure);
    if (failure || !std::filesystem::exists(status)) {
        error = "cannot read " + path;
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = path + ": not a regular file";
        return false;
    }
    const auto size = std::filesystem::file_size(path, failure);
    if (failure || size > kMaxScenarioBytes) {
        error = path + ": larger than " + std::to_string(kMaxScenarioBytes >> 20) + " MiB";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string text(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (!load_scenario(text, model, plan, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

const std::string& default_scenario() {
    static const std::string text = kDefaultScenario;
    return text;
}

}  // namespace kestrel::sim
