// The gateway's configuration: one TOML file naming the readers, what to inventory, the event
// settings, the store and the HTTP listener. Every value is checked before anything starts.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::gateway {

// "FILE:LINE: KEY: what is wrong", one line.
class ConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct ReaderConfig {
    std::string id;        // [A-Za-z0-9_.-], 1..64 characters, unique
    std::string uri;       // a kestrel_open URI: serial:, tcp://, usb
    std::string location;  // where its antennas look
    std::vector<int> standards;  // KESTREL_STANDARD_*, in inventory order
    int llrp_port = -1;          // the port kestrel-llrp serves it on as an LLRP reader (-1: none)
};

// [mqtt]: the broker the events are published to. Present only when the table is.
struct MqttConfig {
    bool enabled = false;
    std::string host = "127.0.0.1";
    int port = 1883;               // 8883 is usual with TLS
    std::string client_id;         // default "kestrel-<gateway id>"; fixed, so the broker keeps the session
    std::string username;          // empty: none
    std::string password;          // or password_file
    std::string ca_file;           // TLS when set (relative paths: to the config file's folder)
    std::string cert_file;         // a client certificate (with key_file)
    std::string key_file;
    int qos = 1;                   // 0, 1 or 2 for the events
    std::string topic_prefix;      // default "kestrel/<gateway id>"
    int keepalive_s = 30;
    bool commands = false;         // accept start/stop on <prefix>/readers/<id>/command
};

struct GatewayConfig {
    std::string file;                      // the file it came from
    std::string id = "kestrel-gateway";    // names this gateway in every event
    std::string listen = "127.0.0.1";      // the HTTP listener's address
    int port = 8080;                       // 0: a free port
    std::string token;                     // bearer token of the state-changing endpoints; empty: none
    int max_stream_clients = 16;           // live event streams at once
    std::vector<int> standards;            // default standards of every reader (default: EPC)
    std::int64_t period_ms = 200;          // from one inventory cycle's start to the next one's
    int per_block = 32;                    // tag records per tag list block
    std::int64_t departure_timeout_ms = 30'000;
    bool raw_reads = false;                // a `read` event for every tag read
    std::string store_path = "kestrel-gateway.db";  // relative paths: to the config file's folder
    std::int64_t max_events = 1'000'000;   // the store keeps at most this many (oldest go first)
    std::int64_t max_age_s = 30 * 86'400;  // ... and none older (0: no age limit)
    std::vector<ReaderConfig> readers;
    MqttConfig mqtt;
};

// Parses `text` as the contents of `file`. Throws ConfigError.
GatewayConfig parse_config(std::string_view text, const std::string& file);
// Reads and parses a file (a token_file is read too). Throws ConfigError.
GatewayConfig load_config(const std::string& file);

}  // namespace kestrel::gateway
