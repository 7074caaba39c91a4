#include "sim/responder.h"

#include <algorithm>
#include <array>

#include "link/frame.h"

namespace kestrel::sim {

using link::kDle;
using link::kSoh;

namespace {
constexpr std::uint8_t kWriteDeviceNo = 0x06;
}

std::vector<std::uint8_t> encode_reply(std::uint8_t from, std::uint8_t echo, const Reply& reply) {
    std::vector<std::uint8_t> wire(2 + 2 * (5 + reply.data.size() + 1) + 2);
    const std::size_t n = link::encode_reply_frame(from, echo, reply.status, reply.data, wire);
    wire.resize(n);
    return wire;
}

void Responder::feed(std::span<const std::uint8_t> bytes, std::vector<Transmission>& out) {
    pending_.insert(pending_.end(), bytes.begin(), bytes.end());
    std::array<std::uint8_t, 256> data{};
    for (;;) {
        // Resynchronise on DLE SOH: drop everything before the next header.
        auto start = pending_.begin();
        while (start != pending_.end() && !(*start == kDle && start + 1 != pending_.end() && start[1] == kSoh)) {
            if (*start == kDle && start + 1 == pending_.end()) break;  // maybe a header cut in two
            ++start;
        }
        pending_.erase(pending_.begin(), start);
        if (pending_.size() < 2) return;

        link::CommandFrame frame;
        std::size_t consumed = 0;
        const auto result = link::decode_command_frame(pending_, data, frame, consumed);
        if (result == link::CommandDecode::incomplete) {
            // A stuck, endless partial frame cannot grow past the longest possible frame.
            if (pending_.size() <= link::kMaxCommandFrame) return;
            pending_.erase(pending_.begin(), pending_.begin() + 2);
            continue;
        }
        if (result != link::CommandDecode::ok) {
            // Bad check: the frame is ignored. Other damage: skip this header and look again.
            pending_.erase(pending_.begin(), pending_.begin() + (consumed ? consumed : 2));
            if (consumed) ++frames_seen_;
            continue;
        }
        ++frames_seen_;
        const Request request{frame.address, frame.command, frame.data};
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(consumed));
        if (request.address == model_.number() || request.address == 0xFF) answer(request, out);
    }
}

void Responder::answer(const Request& request, std::vector<Transmission>& out) {
    // Copy the request data: the handler may change state that the span points into.
    const std::vector<std::uint8_t> data(request.data.begin(), request.data.end());
    const Request stable{request.address, request.command, data};
    const std::uint8_t before = model_.number();
    const Reply reply = model_.handle(stable);
    // A new device number takes effect at once: its reply already comes from the new number.
    // Every other reply (a factory restore's included) comes from the number that heard it.
    const std::uint8_t from = request.command == kWriteDeviceNo ? model_.number() : before;
    Transmission t{Chunk{std::chrono::milliseconds(0), encode_reply(from, request.command, reply)}};
    if (shaper_) t = shaper_(stable, std::move(t));
    ++frames_answered_;
    out.push_back(std::move(t));
}

}  // namespace kestrel::sim
