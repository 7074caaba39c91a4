#include "sim/responder.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "link/frame.h"

namespace kestrel::sim {

using link::kDle;
using link::kSoh;

namespace {
constexpr std::uint8_t kWriteDeviceNo = 0x06;
}

void encode_reply(std::uint8_t from, std::uint8_t echo, const Reply& reply, std::vector<std::uint8_t>& wire) {
    // Room for every byte doubled by stuffing.
    wire.resize(2 + 2 * (5 + reply.data.size() + 1) + 2);
    wire.resize(link::encode_reply_frame(from, echo, reply.status, reply.data, wire));
}

std::vector<std::uint8_t> encode_reply(std::uint8_t from, std::uint8_t echo, const Reply& reply) {
    std::vector<std::uint8_t> wire;
    encode_reply(from, echo, reply, wire);
    return wire;
}

void Responder::feed(std::span<const std::uint8_t> bytes, std::vector<Transmission>& out) {
    feed(bytes, [&out](const Transmission& t) { out.push_back(t); });
}

void Responder::feed(std::span<const std::uint8_t> bytes, const AnswerSink& sink) {
    // With nothing left over from earlier feeds the bytes are read where they are; only what
    // is left of them at the end is kept.
    const bool carried = !pending_.empty();
    if (carried) pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    const std::span<const std::uint8_t> stream = carried ? std::span<const std::uint8_t>(pending_) : bytes;
    std::array<std::uint8_t, 256> data{};
    // Bytes before `at` are dealt with; they leave the buffer once, when this feed is done,
    // rather than one frame at a time.
    std::size_t at = 0;
    for (;;) {
        // Resynchronise on DLE SOH: drop everything before the next header. A DLE as the last
        // byte may be a header cut in two, and stays.
        while (at < stream.size()) {
            const auto* dle = static_cast<const std::uint8_t*>(std::memchr(stream.data() + at, kDle, stream.size() - at));
            if (!dle) {
                at = stream.size();
                break;
            }
            at = static_cast<std::size_t>(dle - stream.data());
            if (at + 1 == stream.size() || stream[at + 1] == kSoh) break;
            ++at;
        }
        const std::span<const std::uint8_t> rest = stream.subspan(at);
        if (rest.size() < 2) break;

        link::CommandFrame frame;
        std::size_t consumed = 0;
        const auto result = link::decode_command_frame(rest, data, frame, consumed);
        if (result == link::CommandDecode::incomplete) {
            // A stuck, endless partial frame cannot grow past the longest possible frame.
            if (rest.size() <= link::kMaxCommandFrame) break;
            at += 2;
            continue;
        }
        if (result != link::CommandDecode::ok) {
            // Bad check: the frame is ignored. Other damage: skip this header and look again.
            at += consumed ? consumed : 2;
            if (consumed) ++frames_seen_;
            continue;
        }
        ++frames_seen_;
        at += consumed;
        // The frame's data lives in `data`, not in the buffer, so answering may go on while
        // the buffer still holds the frame's bytes.
        const Request request{frame.address, frame.command, frame.data};
        if (request.address == model_.number() || request.address == 0xFF) answer(request, sink);
    }
    if (carried) {
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(at));
    } else {
        pending_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
    }
}

void Responder::answer(const Request& request, const AnswerSink& sink) {
    // Copy the request data: the handler may change state that the span points into. A
    // command frame carries at most 255 bytes of data.
    std::array<std::uint8_t, 255> data{};
    const std::size_t n = std::min(request.data.size(), data.size());
    std::copy_n(request.data.begin(), n, data.begin());
    const Request stable{request.address, request.command, std::span<const std::uint8_t>(data.data(), n)};
    const std::uint8_t before = model_.number();
    const Reply reply = model_.handle(stable);
    // A new device number takes effect at once: its reply already comes from the new number.
    // Every other reply (a factory restore's included) comes from the number that heard it.
    const std::uint8_t from = request.command == kWriteDeviceNo ? model_.number() : before;
    // One chunk, sent at once, in the buffers of the last answer (a shaper hands them back).
    answer_.resize(1);
    Chunk& chunk = answer_.front();
    chunk.delay = std::chrono::milliseconds(0);
    chunk.hang_up = false;
    encode_reply(from, request.command, reply, chunk.bytes);
    if (shaper_) answer_ = shaper_(stable, std::move(answer_));
    ++frames_answered_;
    sink(answer_);
}

}  // namespace kestrel::sim
