// The simulator's side of the wire: the stream responder taking the host's bytes apart,
// the reader model answering, and the fault layer rewriting the answer. Input: a fault
// selector byte, then the host's bytes, fed in pieces split at every 0xFF 0xFF pair.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "fuzz/shared_reader.h"
#include "sim/responder.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The responder is shared too, so its answer buffers are kept from one input to the next.
    static fuzz::SharedReader reader;
    static sim::Responder responder(reader.model);
    responder.reset_stream();
    // Selector values 0..8 name a fault that fires on every answer; others mean none.
    if (data[0] < 9) {
        sim::FaultRule rule;
        rule.kind = static_cast<sim::FaultKind>(data[0]);
        rule.delay_ms = 0;
        reader.plan.add(rule);
        responder.set_shaper(reader.plan.shaper());
    } else {
        responder.set_shaper(nullptr);
    }
    // Every answer byte is copied out, so a byte past its buffer or freed shows (memcpy is
    // checked over its whole range, and faster than a loop instrumented byte by byte).
    const auto answers = [](const sim::Transmission& t) {
        static std::array<std::uint8_t, 4096> seen;
        for (const auto& chunk : t)
            for (std::size_t at = 0; at < chunk.bytes.size(); at += seen.size())
                std::memcpy(seen.data(), chunk.bytes.data() + at, std::min(seen.size(), chunk.bytes.size() - at));
    };
    // The pieces end at each 0xFF 0xFF (found with memchr: a loop here would be traced byte by
    // byte, and the pairs are not what the target explores).
    const std::uint8_t* const end = data + size;
    const std::uint8_t* from = data + 1;
    for (const std::uint8_t* at = from; at < end;) {
        const auto* ff = static_cast<const std::uint8_t*>(std::memchr(at, 0xFF, static_cast<std::size_t>(end - at)));
        if (!ff || ff + 1 == end) break;
        if (ff[1] != 0xFF) {
            at = ff + 1;
            continue;
        }
        responder.feed(std::span(from, ff), answers);
        from = at = ff + 2;
    }
    if (from < end) responder.feed(std::span(from, end), answers);
    reader.clear();
    return 0;
}
