// The simulator's side of the wire: the stream responder taking the host's bytes apart,
// the reader model answering, and the fault layer rewriting the answer. Input: a fault
// selector byte, then the host's bytes, fed in pieces split at every 0xFF 0xFF pair.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "sim/faults.h"
#include "sim/reader_model.h"
#include "sim/responder.h"

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // A reader as built for every input: an input behaves the same whatever ran before it.
    sim::ReaderModel model;
    sim::FaultPlan plan;
    sim::Responder responder(model);
    // Selector values 0..8 name a fault that fires on every answer; others mean none.
    if (data[0] < 9) {
        sim::FaultRule rule;
        rule.kind = static_cast<sim::FaultKind>(data[0]);
        rule.delay_ms = 0;
        plan.add(rule);
        responder.set_shaper(plan.shaper());
    }
    // Every answer byte is copied out, so a byte past its buffer or freed shows (memcpy is
    // checked over its whole range).
    const auto answers = [](const sim::Transmission& t) {
        static std::array<std::uint8_t, 4096> seen;
        for (const auto& chunk : t)
            for (std::size_t at = 0; at < chunk.bytes.size(); at += seen.size())
                std::memcpy(seen.data(), chunk.bytes.data() + at, std::min(seen.size(), chunk.bytes.size() - at));
    };
    // The pieces end at each 0xFF 0xFF.
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
    return 0;
}
