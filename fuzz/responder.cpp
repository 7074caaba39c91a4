// The simulator's side of the wire: the stream responder taking the host's bytes apart,
// the reader model answering, and the fault layer rewriting the answer. Input: a fault
// selector byte, then the host's bytes, fed in pieces split at every 0xFF 0xFF pair.
#include <vector>

#include "sim/faults.h"
#include "sim/reader_model.h"
#include "sim/responder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // One reader and one fault plan for all inputs (building them is slow), back to factory
    // state and emptied for each.
    static kestrel::sim::ReaderModel model;
    static kestrel::sim::FaultPlan plan;
    model.restore();
    model.field.tags.clear();
    plan.clear();
    // Selector values 0..8 name a fault that fires on every answer; others mean none.
    kestrel::sim::Responder responder(model);
    if (data[0] < 9) {
        kestrel::sim::FaultRule rule;
        rule.kind = static_cast<kestrel::sim::FaultKind>(data[0]);
        rule.delay_ms = 0;
        plan.add(rule);
        responder.set_shaper(plan.shaper());
    }
    std::vector<kestrel::sim::Transmission> answers;
    std::size_t from = 1;
    for (std::size_t i = 1; i + 1 < size; ++i) {
        if (data[i] == 0xFF && data[i + 1] == 0xFF) {
            responder.feed(std::span(data + from, i - from), answers);
            from = i + 2;
            ++i;
        }
    }
    if (from < size) responder.feed(std::span(data + from, size - from), answers);
    return 0;
}
