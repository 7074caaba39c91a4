#include "gateway/config.h"

#include <fstream>
#include <set>
#include <sstream>

#include <toml++/toml.h>

#include "gateway/event.h"
#include "kestrel/reader.h"

namespace kestrel::gateway {
namespace {

// Where a value sits, for the error line.
struct Place {
    const std::string& file;
    std::uint32_t line;
    std::string key;
};

[[noreturn]] void fail(const Place& at, std::string_view what) {
    std::ostringstream text;
    text << at.file << ':' << at.line << ": " << at.key << ": " << what;
    throw ConfigError(text.str());
}

std::uint32_t line_of(const toml::node& node, std::uint32_t fallback) {
    const auto line = node.source().begin.line;
    return line ? line : fallback;
}

// A table whose keys must all be known; hands out its values with their places.
class Section {
public:
    Section(const std::string& file, const toml::table& table, std::string prefix, std::uint32_t line)
        : file_(file), table_(table), prefix_(std::move(prefix)), line_(line_of(table, line)) {}

    void only(std::initializer_list<std::string_view> known) const {
        for (auto&& [key, node] : table_) {
            bool ok = false;
            for (auto k : known) ok = ok || k == key.str();
            if (!ok) {
                const auto line = key.source().begin.line ? key.source().begin.line : line_of(node, line_);
                fail({file_, line, name(key.str())}, "unknown key");
            }
        }
    }

    const toml::node* find(std::string_view key) const { return table_.get(key); }
    Place place(std::string_view key) const {
        const toml::node* node = find(key);
        return {file_, node ? line_of(*node, line_) : line_, name(key)};
    }
    std::uint32_t line() const { return line_; }
    std::string name(std::string_view key) const { return prefix_.empty() ? std::string(key) : prefix_ + "." + std::string(key); }

    // The value of `key` when present, checked to lie in [low, high].
    bool integer(std::string_view key, std::int64_t low, std::int64_t high, std::int64_t& out) const {
        const toml::node* node = find(key);
        if (!node) return false;
        const auto value = node->value_exact<std::int64_t>();
        if (!value) fail(place(key), "expected an integer");
        if (*value < low || *value > high)
            fail(place(key), "out of range (" + std::to_string(low) + ".." + std::to_string(high) + ")");
        out = *value;
        return true;
    }
    // A number (integer or float) in [low, high].
    bool number(std::string_view key, double low, double high, double& out) const {
        const toml::node* node = find(key);
        if (!node) return false;
        std::optional<double> value;
        if (node->is_integer()) value = static_cast<double>(*node->value_exact<std::int64_t>());
        else if (node->is_floating_point()) value = *node->value_exact<double>();
        if (!value) fail(place(key), "expected a number");
        if (!(*value >= low && *value <= high)) {
            std::ostringstream range;
            range << "out of range (" << low << ".." << high << ")";
            fail(place(key), range.str());
        }
        out = *value;
        return true;
    }
    bool text(std::string_view key, std::string& out, bool allow_empty = false) const {
        const toml::node* node = find(key);
        if (!node) return false;
        const auto value = node->value_exact<std::string>();
        if (!value) fail(place(key), "expected a string");
        if (!allow_empty && value->empty()) fail(place(key), "must not be empty");
        out = *value;
        return true;
    }
    bool boolean(std::string_view key, bool& out) const {
        const toml::node* node = find(key);
        if (!node) return false;
        const auto value = node->value_exact<bool>();
        if (!value) fail(place(key), "expected true or false");
        out = *value;
        return true;
    }
    bool standards(std::string_view key, std::vector<int>& out) const {
        const toml::node* node = find(key);
        if (!node) return false;
        const toml::array* array = node->as_array();
        if (!array) fail(place(key), "expected an array of standards (\"epc\", \"gb\", \"gjb\")");
        if (array->empty()) fail(place(key), "must name at least one standard");
        std::vector<int> result;
        for (const toml::node& element : *array) {
            const auto name = element.value_exact<std::string>();
            const auto standard = name ? standard_from_name(*name) : std::nullopt;
            if (!standard) fail(place(key), "unknown standard (expected \"epc\", \"gb\" or \"gjb\")");
            for (int s : result)
                if (s == *standard) fail(place(key), "standard \"" + *name + "\" named twice");
            result.push_back(*standard);
        }
        out = std::move(result);
        return true;
    }
    const toml::table* table(std::string_view key) const {
        const toml::node* node = find(key);
        if (!node) return nullptr;
        if (!node->is_table()) fail(place(key), "expected a table");
        return node->as_table();
    }

private:
    const std::string& file_;
    const toml::table& table_;
    std::string prefix_;
    std::uint32_t line_;
};

bool valid_id(std::string_view id) {
    if (id.empty() || id.size() > 64) return false;
    for (char c : id) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                        c == '-' || c == '.';
        if (!ok) return false;
    }
    return true;
}

bool plausible_uri(std::string_view uri) {
    if (uri.size() > KESTREL_MAX_URI) return false;
    for (std::string_view scheme : {"serial:", "tcp://", "usb"})
        if (uri.substr(0, scheme.size()) == scheme) return true;
    return false;
}

std::string folder_of(const std::string& file) {
    const auto slash = file.rfind('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
}

std::string relative_to(const std::string& file, const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    return folder_of(file) + path;
}

std::string trim(std::string text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// Topic levels must not hold the MQTT wildcards; a prefix has no empty level at its ends.
bool valid_topic_prefix(std::string_view prefix) {
    if (prefix.empty() || prefix.size() > 512 || prefix.front() == '/' || prefix.back() == '/') return false;
    for (char c : prefix)
        if (c == '+' || c == '#' || c == '\0') return false;
    return true;
}

void parse_mqtt(const Section& s, GatewayConfig& config) {
    MqttConfig& m = config.mqtt;
    s.only({"host", "port", "client_id", "username", "password", "password_file", "ca_file", "cert_file",
            "key_file", "qos", "topic_prefix", "keepalive_s", "commands"});
    m.enabled = true;
    s.text("host", m.host);
    std::int64_t value = 0;
    if (s.integer("port", 1, 65535, value)) m.port = static_cast<int>(value);
    m.client_id = "kestrel-" + config.id;
    if (s.text("client_id", m.client_id) && m.client_id.size() > 256)
        fail(s.place("client_id"), "too long (at most 256 characters)");
    s.text("username", m.username);
    if (s.find("password") && s.find("password_file")) fail(s.place("password_file"), "give password or password_file, not both");
    s.text("password", m.password, true);
    std::string password_file;
    if (s.text("password_file", password_file)) {
        std::ifstream in(relative_to(config.file, password_file), std::ios::binary);
        std::ostringstream contents;
        if (in) contents << in.rdbuf();
        if (!in) fail(s.place("password_file"), "cannot read " + relative_to(config.file, password_file));
        m.password = trim(contents.str());
    }
    if (!m.password.empty() && m.username.empty()) fail(s.place(s.find("password") ? "password" : "password_file"), "a password needs a username");
    const auto path = [&](std::string_view key, std::string& out) {
        if (!s.text(key, out)) return;
        out = relative_to(config.file, out);
        if (!std::ifstream(out)) fail(s.place(key), "cannot read " + out);
    };
    path("ca_file", m.ca_file);
    path("cert_file", m.cert_file);
    path("key_file", m.key_file);
    if (m.cert_file.empty() != m.key_file.empty())
        fail(s.place(m.cert_file.empty() ? "key_file" : "cert_file"), "give cert_file and key_file together");
    if (!m.cert_file.empty() && m.ca_file.empty()) fail(s.place("cert_file"), "a client certificate needs ca_file (TLS)");
    if (s.integer("qos", 0, 2, value)) m.qos = static_cast<int>(value);
    m.topic_prefix = "kestrel/" + config.id;
    if (s.text("topic_prefix", m.topic_prefix) && !valid_topic_prefix(m.topic_prefix))
        fail(s.place("topic_prefix"), "not a topic prefix (no '+', '#', nor a leading or trailing '/')");
    if (s.integer("keepalive_s", 5, 3600, value)) m.keepalive_s = static_cast<int>(value);
    s.boolean("commands", m.commands);
}

}  // namespace

GatewayConfig parse_config(std::string_view text, const std::string& file) {
    toml::table root;
    try {
        root = toml::parse(text, file);
    } catch (const toml::parse_error& e) {
        std::ostringstream line;
        line << file << ':' << e.source().begin.line << ": column " << e.source().begin.column << ": "
             << e.description();
        throw ConfigError(line.str());
    }
    GatewayConfig config;
    config.file = file;
    config.standards = {KESTREL_STANDARD_EPC};
    const Section top(file, root, "", 1);
    top.only({"gateway", "inventory", "events", "store", "readers", "mqtt"});

    if (const toml::table* t = top.table("gateway")) {
        const Section s(file, *t, "gateway", top.place("gateway").line);
        s.only({"id", "listen", "port", "token", "token_file", "max_stream_clients"});
        s.text("id", config.id);
        if (!valid_id(config.id)) fail(s.place("id"), "use 1 to 64 letters, digits, '_', '-' or '.'");
        s.text("listen", config.listen);
        std::int64_t value = 0;
        if (s.integer("port", 0, 65535, value)) config.port = static_cast<int>(value);
        if (s.integer("max_stream_clients", 1, 256, value)) config.max_stream_clients = static_cast<int>(value);
        if (s.find("token") && s.find("token_file")) fail(s.place("token_file"), "give token or token_file, not both");
        if (s.text("token", config.token) && config.token.size() < 16)
            fail(s.place("token"), "too short (at least 16 characters)");
        std::string token_file;
        if (s.text("token_file", token_file)) {
            std::ifstream in(relative_to(file, token_file), std::ios::binary);
            std::ostringstream contents;
            if (in) contents << in.rdbuf();
            if (!in) fail(s.place("token_file"), "cannot read " + relative_to(file, token_file));
            config.token = trim(contents.str());
            if (config.token.size() < 16)
                fail(s.place("token_file"), "the token in " + token_file + " is too short (at least 16 characters)");
        }
        for (char c : config.token)
            if (c <= ' ' || c > '~') fail(s.place(s.find("token") ? "token" : "token_file"), "the token must be printable ASCII without spaces");
    }
    if (const toml::table* t = top.table("inventory")) {
        const Section s(file, *t, "inventory", top.place("inventory").line);
        s.only({"standards", "period_ms", "per_block"});
        s.standards("standards", config.standards);
        s.integer("period_ms", 0, 3'600'000, config.period_ms);
        std::int64_t value = 0;
        if (s.integer("per_block", 1, 255, value)) config.per_block = static_cast<int>(value);
    }
    if (const toml::table* t = top.table("events")) {
        const Section s(file, *t, "events", top.place("events").line);
        s.only({"departure_timeout_s", "raw_reads"});
        double seconds = 0;
        if (s.number("departure_timeout_s", 0.1, 86'400, seconds))
            config.departure_timeout_ms = static_cast<std::int64_t>(seconds * 1000 + 0.5);
        s.boolean("raw_reads", config.raw_reads);
    }
    if (const toml::table* t = top.table("store")) {
        const Section s(file, *t, "store", top.place("store").line);
        s.only({"path", "max_events", "max_age_days"});
        s.text("path", config.store_path);
        s.integer("max_events", 100, 1'000'000'000, config.max_events);
        double days = 0;
        if (s.number("max_age_days", 0, 36'500, days)) config.max_age_s = static_cast<std::int64_t>(days * 86'400);
    }
    config.store_path = relative_to(file, config.store_path);
    if (const toml::table* t = top.table("mqtt")) parse_mqtt(Section(file, *t, "mqtt", top.place("mqtt").line), config);

    const toml::node* readers = top.find("readers");
    if (!readers) fail({file, 1, "readers"}, "missing: name at least one reader in a [[readers]] table");
    const toml::array* list = readers->as_array();
    if (!list || !list->is_array_of_tables()) fail(top.place("readers"), "expected [[readers]] tables");
    if (list->empty()) fail(top.place("readers"), "name at least one reader");
    std::set<std::string> ids;
    std::size_t index = 0;
    for (const toml::node& node : *list) {
        const Section s(file, *node.as_table(), "readers[" + std::to_string(index) + "]", top.place("readers").line);
        s.only({"id", "uri", "location", "standards", "llrp_port"});
        ReaderConfig reader;
        if (!s.text("id", reader.id)) fail(s.place("id"), "missing");
        if (!valid_id(reader.id)) fail(s.place("id"), "use 1 to 64 letters, digits, '_', '-' or '.'");
        if (!ids.insert(reader.id).second) fail(s.place("id"), "reader \"" + reader.id + "\" named twice");
        if (!s.text("uri", reader.uri)) fail(s.place("uri"), "missing");
        if (!plausible_uri(reader.uri))
            fail(s.place("uri"), "not a reader URI (serial:..., tcp://HOST:PORT, usb or usb:N)");
        if (!s.text("location", reader.location)) fail(s.place("location"), "missing");
        if (reader.location.size() > 128) fail(s.place("location"), "too long (at most 128 characters)");
        reader.standards = config.standards;
        s.standards("standards", reader.standards);
        std::int64_t llrp_port = 0;
        if (s.integer("llrp_port", 0, 65535, llrp_port)) {
            for (const ReaderConfig& other : config.readers)
                if (llrp_port != 0 && other.llrp_port == llrp_port)
                    fail(s.place("llrp_port"), "port " + std::to_string(llrp_port) + " is reader \"" + other.id + "\"'s already");
            reader.llrp_port = static_cast<int>(llrp_port);
        }
        config.readers.push_back(std::move(reader));
        ++index;
    }
    return config;
}

GatewayConfig load_config(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw ConfigError(file + ":0: cannot read the file");
    std::ostringstream text;
    text << in.rdbuf();
    return parse_config(text.str(), file);
}

}  // namespace kestrel::gateway
