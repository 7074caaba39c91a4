// The simulator's scenario loader: JSON text with the reader's settings, tags and faults.
#include <string>

#include "sim/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One reader and one fault plan for all inputs (building them is slow), back to factory
    // state and emptied for each.
    static kestrel::sim::ReaderModel model;
    static kestrel::sim::FaultPlan plan;
    model.restore();
    model.field.tags.clear();
    plan.clear();
    std::string error;
    kestrel::sim::load_scenario(std::string(reinterpret_cast<const char*>(data), size), model, plan, error);
    return 0;
}
