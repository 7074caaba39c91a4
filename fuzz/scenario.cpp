// The simulator's scenario loader: JSON text with the reader's settings, tags and faults.
#include <string>

#include "sim/faults.h"
#include "sim/reader_model.h"
#include "sim/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A reader as built for every input.
    kestrel::sim::ReaderModel model;
    kestrel::sim::FaultPlan plan;
    std::string error;
    kestrel::sim::load_scenario(std::string(reinterpret_cast<const char*>(data), size), model, plan, error);
    return 0;
}
