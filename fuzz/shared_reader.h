// The simulated reader and fault plan shared by all the inputs of a simulator fuzz target.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim/faults.h"
#include "sim/reader_model.h"

namespace kestrel::fuzz {

// Building a reader installs a handler per command code, too slow to do for every input, so
// one reader serves them all. After each input `clear` puts back everything an input can
// change: the next input then starts from the reader as built, so it behaves the same
// whatever ran before it (a finding replays on its own), and nothing an input made in the
// shared reader outlives it (libFuzzer would take that for a leak and run the input again).
struct SharedReader {
    sim::ReaderModel model;
    sim::FaultPlan plan;

    void clear() {
        model.defaults = factory_;
        model.restore();
        model.field.tags.clear();
        model.log = sim::DeviceLog{};
        // Copied over what is there, which keeps the buffers (equal sizes need no allocation).
        model.security.slots = factory_slots_;
        model.security.card.files = factory_files_;
        model.security.card.issued = false;
        model.security.card.keys.clear();
        // The plan's generator is left as it is: these targets never draw from it (their
        // rules fire every time, and the scenario target answers nothing).
        plan.clear();
    }

private:
    const sim::ReaderSettings factory_ = model.settings;
    const std::array<sim::PsamSlot, 2> factory_slots_ = model.security.slots;
    const std::vector<std::uint16_t> factory_files_ = model.security.card.files;
};

}  // namespace kestrel::fuzz
