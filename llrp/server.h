// The LLRP TCP front end of one reader: a listening port, at most one client, messages framed
// by their header's length and handed to the reader's LlrpReader, which runs on this
// endpoint's own thread (the reader handle is only ever used from it).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "llrp/llrp_reader.h"
#include "llrp/reader_port.h"

namespace kestrel::llrp {

// The largest message taken from a client; a longer one is refused and skipped.
constexpr std::uint32_t kMaxMessage = 1u << 20;

// Splits a byte stream into messages by their header's length, bounded in what it holds.
class Framer {
public:
    enum class Kind { message, too_short, too_long };
    struct Frame {
        Kind kind;
        Bytes bytes;  // message: the whole message; otherwise the header
    };
    void feed(std::span<const std::uint8_t> bytes);
    // The next frame, when one is complete.
    std::optional<Frame> next();

private:
    Bytes buffer_;
    std::uint64_t discard_ = 0;  // bytes still to drop of a message refused as too long
};

struct EndpointOptions {
    std::string id;
    std::string bind = "127.0.0.1";
    std::uint16_t port = 5084;
};

class Endpoint {
public:
    Endpoint(EndpointOptions options, std::unique_ptr<ReaderPort> port, ReaderLimits limits = {});
    ~Endpoint();
    Endpoint(const Endpoint&) = delete;
    Endpoint& operator=(const Endpoint&) = delete;

    // Binds and listens; false with error() set when it cannot.
    bool listen();
    // Serves on a thread of its own until stop().
    void start();
    void stop();

    std::uint16_t port() const { return port_; }
    const std::string& id() const { return options_.id; }
    const std::string& error() const { return error_; }

private:
    void serve();
    void accept_client(std::int64_t now);
    // Reads what the client sent; false when the connection is over.
    bool read_client(std::int64_t now);
    void close_client();
    bool send_all(int fd, const Bytes& b);

    EndpointOptions options_;
    std::unique_ptr<ReaderPort> port_impl_;
    LlrpReader reader_;
    Framer framer_;
    int listener_ = -1;
    int client_ = -1;
    bool client_failed_ = false;
    std::uint16_t port_ = 0;
    std::string error_;
    std::atomic<bool> running_{false};
    std::thread thread_;
};

}  // namespace kestrel::llrp
