// The reader's side of the wire: takes the host's byte stream apart into command frames,
// lets the model answer those addressed to it, and encodes the reply frames.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "sim/reader_model.h"

namespace kestrel::sim {

// A piece of the reader's answer: bytes sent after a pause. With `hang_up` the reader closes
// the connection once the bytes are out (TCP; a serial line just stays quiet afterwards).
struct Chunk {
    std::chrono::milliseconds delay{0};
    std::vector<std::uint8_t> bytes;
    bool hang_up = false;
};
using Transmission = std::vector<Chunk>;

// Where the responder hands each answer; the transmission is valid only during the call.
using AnswerSink = std::function<void(const Transmission&)>;

class Responder {
public:
    // May rewrite the transmission of one exchange (drop it, delay it, corrupt it...).
    using Shaper = std::function<Transmission(const Request&, Transmission)>;

    explicit Responder(ReaderModel& model) : model_(model) {}

    // Feeds bytes received from the host. Each complete, valid frame addressed to this reader
    // (or to 0xFF) is answered; the answers are appended to `out` in order.
    void feed(std::span<const std::uint8_t> bytes, std::vector<Transmission>& out);
    // The same, handing each answer to `sink` as it is made, in the responder's buffers
    // (reused from one answer to the next).
    void feed(std::span<const std::uint8_t> bytes, const AnswerSink& sink);

    // Forgets a partly received frame: a new connection starts a new byte stream.
    void reset_stream() { pending_.clear(); }

    // Installs the shaper applied to every answer (none: answers go out as encoded).
    void set_shaper(Shaper shaper) { shaper_ = std::move(shaper); }

    ReaderModel& model() { return model_; }

    // Frames received (valid or not) and frames answered, for tests.
    std::size_t frames_seen() const { return frames_seen_; }
    std::size_t frames_answered() const { return frames_answered_; }

private:
    void answer(const Request& request, const AnswerSink& sink);

    ReaderModel& model_;
    Shaper shaper_;
    std::vector<std::uint8_t> pending_;
    Transmission answer_;  // the answer being made; its buffers are kept for the next one
    std::size_t frames_seen_ = 0;
    std::size_t frames_answered_ = 0;
};

// Encodes a reply frame from the reader numbered `from`.
std::vector<std::uint8_t> encode_reply(std::uint8_t from, std::uint8_t echo, const Reply& reply);
// The same into `wire`, whose storage is reused.
void encode_reply(std::uint8_t from, std::uint8_t echo, const Reply& reply, std::vector<std::uint8_t>& wire);

}  // namespace kestrel::sim
