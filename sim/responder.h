// The reader's side of the wire: takes the host's byte stream apart into command frames,
// lets the model answer those addressed to it, and encodes the reply frames.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <type_traits>
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

// Where the responder hands each answer: a borrowed call-back (a pointer to the caller's
// callable and a function that calls it), so handing one over allocates nothing. It lives
// only for the feed it is passed to; the transmission it is called with is valid only
// during the call.
class AnswerSink {
public:
    template <class F>
        requires(!std::is_same_v<std::remove_cvref_t<F>, AnswerSink> && std::is_invocable_v<F&, const Transmission&>)
    AnswerSink(F&& f)  // NOLINT(google-explicit-constructor): a lambda at the call is the point
        : callable_(const_cast<void*>(static_cast<const void*>(&f))),
          call_([](void* c, const Transmission& t) { (*static_cast<std::remove_reference_t<F>*>(c))(t); }) {}

    void operator()(const Transmission& t) const { call_(callable_, t); }

private:
    void* callable_;
    void (*call_)(void*, const Transmission&);
};

class Responder {
public:
    // May rewrite the transmission of one exchange (drop it, delay it, corrupt it...).
    using Shaper = std::function<Transmission(const Request&, Transmission)>;

    explicit Responder(ReaderModel& model) : model_(model) {}

    // Feeds bytes received from the host. Each complete, valid frame addressed to this reader
    // (or to 0xFF) is answered; the answers are appended to `out` in order.
    void feed(std::span<const std::uint8_t> bytes, std::vector<Transmission>& out);
    // The same, handing each answer to `sink` as it is made. The answer's buffers are the
    // responder's, reused from one answer to the next: a caller that sends at once (or
    // drops the answers) pays no allocation per frame for them.
    void feed(std::span<const std::uint8_t> bytes, AnswerSink sink);

    // Forgets a partly received frame: a new connection starts a new byte stream.
    void reset_stream() { pending_.clear(); }

    // Installs the shaper applied to every answer (none: answers go out as encoded).
    void set_shaper(Shaper shaper) { shaper_ = std::move(shaper); }

    ReaderModel& model() { return model_; }

    // Frames received (valid or not) and frames answered, for tests.
    std::size_t frames_seen() const { return frames_seen_; }
    std::size_t frames_answered() const { return frames_answered_; }

private:
    void answer(const Request& request, AnswerSink sink);

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
