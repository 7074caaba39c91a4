// The simulator's scenario loader: JSON text with the reader's settings, tags and faults.
#include <string>

#include "sim/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One reader for all inputs (building one is slow), back to factory state for each.
    static kestrel::sim::ReaderModel model;
    model.restore();
    model.field.tags.clear();
    kestrel::sim::FaultPlan plan;
    std::string error;
    kestrel::sim::load_scenario(std::string(reinterpret_cast<const char*>(data), size), model, plan, error);
    return 0;
}
